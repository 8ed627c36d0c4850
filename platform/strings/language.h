// Language libraries (numbered user-interface texts) and the process locale.
//
// What a caller may rely on:
// - A language library is a text catalogue file, UTF-8, one text a line:
//   a decimal number 0..65535, one TAB, then the text to the end of the line.
//   In the text "\t", "\n" and "\\" stand for a tab, a line feed and a
//   backslash; a backslash before any other character stays as it stands.
//   A line may end in CR LF; a UTF-8 byte order mark before the first line is
//   ignored. Blank lines, lines of any other form and lines that are not valid
//   UTF-8 are passed over. When a number stands on two lines the first wins.
// - LoadLanguageLibrary(path) reads the whole file once and returns a handle,
//   or null when the file cannot be read, is not a regular file (a FIFO or
//   device, also through a link, is never opened for a blocking read), is
//   larger than 16 MiB, or holds no text at all (so a library that is
//   present always has texts). The handle stays valid until
//   FreeLanguageLibrary; the file is not read again.
// - LoadStringA(library, id, text, bufferMax) sets text to the text of that
//   number cut to bufferMax - 1 characters (a 255-character buffer holds
//   254), never inside a character, and returns its length in characters.
//   A number the library does not hold, an unknown or freed handle, or a
//   bufferMax below 1 gives the empty text and 0.
// - GetThreadLocale() is the locale id of the process locale: the first of
//   $LC_ALL, $LC_MESSAGES and $LANG that is set and not empty, a name of the
//   form language[_territory][.codeset][@modifier], mapped to its locale id
//   (LocaleIdFromName). Unset, "C" and "POSIX" give 0x0409.
// - GetLocaleInfoA(locale, LOCALE_IDEFAULTANSICODEPAGE, data, size) writes
//   the locale's default ANSI code page as decimal text ("1252", "932"; "0"
//   for a language that has none) and its NUL, and returns the number of
//   characters written, NUL included. size 0 returns the size needed and
//   writes nothing; a buffer that is too small, an unknown locale id or any
//   other information type returns 0 and writes nothing.
// - ProgramFolder() is the folder of the running program (/proc/self/exe),
//   without a trailing "/". LanguageFolder() is where the language libraries
//   and help files lie: $VLM_LANG_DIR when it is set and not empty (tests and
//   the demo point it at their own folder), else ProgramFolder().
// - The functions are thread-safe.
#pragma once

#include <string>
#include <string_view>

#include "platform/types.h"

namespace vlm {

struct LanguageLibrary;
using HLANGLIB = const LanguageLibrary*;

using LCID = DWORD;
using LCTYPE = DWORD;

inline constexpr LCID LOCALE_ID_ENGLISH_US = 0x0409;
inline constexpr LCTYPE LOCALE_IDEFAULTANSICODEPAGE = 0x1004;

HLANGLIB LoadLanguageLibrary(const std::string& path);
void FreeLanguageLibrary(HLANGLIB library);
int LoadStringA(HLANGLIB library, DWORD id, std::string& text, int bufferMax);

LCID GetThreadLocale();
int GetLocaleInfoA(LCID locale, LCTYPE type, char* data, int size);

// The locale id of a locale name ("ja_JP.UTF-8", "sr_RS@latin"). Language and
// territory compare case-insensitively; the codeset is ignored, and so is a
// modifier that does not pick a locale of its own ("de_DE@euro"). A territory
// that has no locale id of its own gives the language's main one ("es_US"
// gives 0x0C0A); an unknown language, "C", "POSIX" and the empty name give
// 0x0409.
LCID LocaleIdFromName(std::string_view name);

std::string ProgramFolder();
std::string LanguageFolder();

}  // namespace vlm
