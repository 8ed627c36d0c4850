// The monitor's device data module: the language start-up, localised texts,
// font character sets and the decoders that turn device codes into texts.
//
// What a caller may rely on:
// - The module values below are the monitor's shared state. They belong to
//   the one user-interface thread; nothing here locks them.
// - Init_Language_Resources, called once at start-up before any text is
//   shown, sets Locale_Id and Locale_Hex from the process locale,
//   Language_Name from Select_Language_Dll, Code_Page_Text from the locale's
//   ANSI code page, Help_File, and loads the language library
//   Language_Name + ".lang" from vlm::LanguageFolder() (the program's folder,
//   or $VLM_LANG_DIR). When the library loads, Language_Dll holds it and
//   Localised is "On"; when it is absent, Language_Dll is null, Localised
//   keeps its value (empty at start-up) and every text is English. Called
//   again, it first frees the library it loaded before and clears an "On"
//   switch, so Localised is "On" exactly while a library is loaded.
// - Every text shown is the pair of an English literal and a string number:
//   with Localised "On" (exactly) the text is Load_Res_String of the number,
//   otherwise the literal.
// - Load_Res_String(id) is the library's text of that number, cut to 254
//   characters; a number the library lacks, a number outside 0..65535, or no
//   library loaded gives the empty text. It never fails.
// - The decoders look the code up in their fixed table (first equal code
//   wins) and give the row's text, else their default text, else the empty
//   text. They never fail. Show_Printer_Languages also writes its result to
//   the two labels of Printer_Language_Port when one is set.
#pragma once

#include <cstdint>
#include <string>

#include "platform/registry/registry.h"
#include "platform/strings/language.h"
#include "platform/types.h"

namespace vlm::monitor {

// ---- Module values of the language start-up ----

// "On" when the language library loaded; "Off" is never set by this module
// but counts, like the empty text, as English.
inline std::string Localised;
inline HLANGLIB Language_Dll = nullptr;
inline VbLong Locale_Id = 0;
// Locale_Id in upper-case hexadecimal without leading zeros ("409", "C0A").
inline std::string Locale_Hex;
// Base name of the language library and of the help file ("USA0409").
inline std::string Language_Name;
// The locale's default ANSI code page as decimal text ("1252"); 16 spaces
// when the locale has none known.
inline std::string Code_Page_Text;
// The application's help file: folder + "/" + Language_Name +
// ".chm::/Test 1.Txt".
inline std::string Help_File;
// The last result of Trim_At_Null.
inline std::string Trimmed_Text;

// ---- Module values of the decoders ----

// The last machine state decoded, as a 16-bit code (0 for a code outside
// 16 bits).
inline VbInteger Machine_State_Code = 0;
// Set by the input-tray list to "W" for a wide-paper tray, else empty;
// Decode_Paper_Size appends it.
inline std::string Paper_Size_Suffix;

// The two labels of the main window that Show_Printer_Languages writes.
struct Printer_Language_Labels {
  virtual ~Printer_Language_Labels() = default;
  virtual void Set_lblIPPDL_Caption(const std::string& caption) = 0;
  virtual void Set_lblIPLanguages_Caption(const std::string& caption) = 0;
};
// Set by the main window when it loads; null leaves the labels unwritten.
inline Printer_Language_Labels* Printer_Language_Port = nullptr;

// ---- Language start-up and texts ----

void Init_Language_Resources();
// Sets Language_Name from Locale_Hex; returns 0.
VbInteger Select_Language_Dll();
std::string Load_Res_String(VbLong id);
std::string Trim_At_Null(const std::string& text);
// The GDI font character set of a code page given as decimal text; 0 (ANSI)
// for any text not in the table.
VbInteger CodePage_To_CharSet(const std::string& codePage);

// ---- Decoders ----

std::string Decode_Device_Type(VbLong code);
std::string Decode_Paper_Size(VbLong code);
std::string Decode_Media_Type(VbLong code);
std::string Decode_Tray_Status(VbLong code);
std::string Decode_Feed_Direction(VbLong code);
std::string Decode_Input_Type(VbLong code);
std::string Decode_Output_Type(VbLong code);
std::string Decode_Alert_Severity(VbLong code);
std::string Show_Printer_Languages(VbLong code);
std::string Decode_Protocol(VbLong code);
std::string Decode_Device_Status(VbLong code);
std::string Decode_Memory_Type(VbLong code);
std::string Decode_Firmware_Component(VbLong code);
std::string Decode_Machine_State(VbLong code);
std::string Decode_Yes_No(VbLong code);
std::string Decode_Yes_No_2(VbLong code);
std::string Decode_Yes_No_3(VbLong code);
std::string Decode_Yes_No_4(VbLong code);
std::string Decode_Present(VbLong code);


// ---- Utilities without a device ----

// The text of a literal: the English literal unless Localised is "On", then
// the language library's text of that number, cut at its first NUL and
// trimmed of spaces. The device-type text and the option captions are built
// from it, so that without a library they read "Printer" and "YES"/"No".
std::string Localised_Text(const char* english, VbLong resource);

// Read_Registry_String: the last text read (empty after any failure) and
// "No" when the last call found no text, else the empty text.
inline std::string Registry_Value;
inline std::string Registry_Found;
// Opens subKey with KEY_READ, reads the REG_SZ value through a 255-byte
// buffer (a text of at most 254 characters and its NUL) and returns it cut
// at its first NUL; Registry_Value holds it too. A key that cannot be opened
// or read, a missing value, a value of another type, one too long for the
// buffer, and empty data all give "" with Registry_Value "" and
// Registry_Found "No". Every key it opens is closed before it returns.
std::string Read_Registry_String(HKEY rootKey, const std::string& subKey,
                                 const std::string& valueName);

// Get_OS_Version: the platform id, 0 until it has run. The monitor runs on
// the NT family's terms (2) on Linux; every caller tests for that value.
inline constexpr VbInteger kPlatformWin32Windows = 1;
inline constexpr VbInteger kPlatformWin32Nt = 2;
inline VbInteger OS_Platform_Id = 0;
void Get_OS_Version();

}  // namespace vlm::monitor
