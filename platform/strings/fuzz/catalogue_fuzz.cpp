// Fuzz target: language catalogues. Each input is written as a `.lang` file
// of a folder of this process (under $TMPDIR), loaded, and
// every text it may hold is looked up: each number that starts a line of the
// input, in buffers of 255 bytes (the program's), of the whole text's size,
// and of a few characters.
//
// Checks, besides the sanitizers: every text is valid UTF-8, a 255-byte
// buffer gets at most 254 characters, the count returned is the text's
// number of characters, a cut text is the start of the whole one and no
// character is cut in two.
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <set>
#include <string>

#include "platform/strings/language.h"
#include "tests/support/temp_folder.h"

namespace vlm::fuzz {
namespace {

[[noreturn]] void Fail(DWORD id, const std::string& what) {
  std::fprintf(stderr, "catalogue_fuzz: text %u: %s\n", static_cast<unsigned>(id), what.c_str());
  std::abort();
}

// The number of characters of valid UTF-8 (no over-long forms, surrogates or
// code points above U+10FFFF), or -1.
long Utf8Characters(const std::string& s) {
  long characters = 0;
  for (std::size_t i = 0; i < s.size(); ++characters) {
    const auto c = static_cast<unsigned char>(s[i]);
    std::size_t extra = c < 0x80 ? 0 : (c & 0xE0) == 0xC0 ? 1 : (c & 0xF0) == 0xE0 ? 2 : (c & 0xF8) == 0xF0 ? 3 : 9;
    if (extra == 9 || s.size() - i <= extra) return -1;
    std::uint32_t cp = extra == 0 ? c : c & (0x3F >> extra);
    for (std::size_t k = 1; k <= extra; ++k) {
      const auto d = static_cast<unsigned char>(s[i + k]);
      if ((d & 0xC0) != 0x80) return -1;
      cp = (cp << 6) | (d & 0x3F);
    }
    static const std::uint32_t kMinimum[] = {0, 0x80, 0x800, 0x10000};
    if (cp < kMinimum[extra] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return -1;
    i += extra + 1;
  }
  return characters;
}

// Looks `id` up in a buffer of `bufferMax` and checks the text against the
// whole one (`whole` empty for the lookup of the whole text itself).
std::string Lookup(HLANGLIB library, DWORD id, int bufferMax, const std::string* whole) {
  std::string text = "not written";
  const int n = LoadStringA(library, id, text, bufferMax);
  const long characters = Utf8Characters(text);
  if (characters < 0) Fail(id, "not valid UTF-8");
  if (n != characters) Fail(id, std::to_string(n) + " returned for " + std::to_string(characters) + " characters");
  if (n > bufferMax - 1) Fail(id, std::to_string(n) + " characters in a buffer of " + std::to_string(bufferMax));
  if (whole && whole->compare(0, text.size(), text) != 0) Fail(id, "a cut text is not the start of the whole one");
  if (whole && text.size() < whole->size() && n < bufferMax - 1) Fail(id, "cut shorter than the buffer");
  return text;
}

}  // namespace
}  // namespace vlm::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace vlm;
  using namespace vlm::fuzz;
  static const testing::TempFolder folder("vlm-catalogue-fuzz");
  const std::string file = folder / "fuzz.lang";
  {
    const int fd = ::open(file.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0 || (size && ::write(fd, data, size) != static_cast<ssize_t>(size)) || ::close(fd) != 0) std::abort();
  }
  HLANGLIB library = LoadLanguageLibrary(file);
  if (!library) return 0;

  // Every number that starts a line, and one that is never there.
  std::set<DWORD> ids = {70000};
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  for (std::size_t start = text.starts_with("\xEF\xBB\xBF") ? 3 : 0; start < text.size();) {
    std::size_t i = start;
    DWORD number = 0;
    while (i < text.size() && i - start < 6 && text[i] >= '0' && text[i] <= '9')
      number = number * 10 + (text[i++] - '0');
    if (i > start) ids.insert(number);
    const std::size_t end = text.find('\n', start);
    start = end == std::string_view::npos ? text.size() : end + 1;
  }
  for (DWORD id : ids) {
    const std::string whole = Lookup(library, id, 1 << 24, nullptr);
    Lookup(library, id, 255, &whole);
    for (int bufferMax : {1, 2, 4}) Lookup(library, id, bufferMax, &whole);
  }
  FreeLanguageLibrary(library);
  return 0;
}
