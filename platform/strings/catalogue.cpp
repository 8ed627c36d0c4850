// Language libraries: text catalogues read once into memory.
#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <unistd.h>

#include "platform/strings/language.h"

namespace vlm {

struct LanguageLibrary {
  std::map<DWORD, std::string> texts;
};

namespace {

constexpr DWORD kMaxTextNumber = 65535;

// A language set holds a few hundred texts; 16 MiB is ample and bounds what
// a load may read.
constexpr std::size_t kMaxCatalogueBytes = std::size_t{16} << 20;

// The whole content of a catalogue: only a regular file (a FIFO, a device or
// a link to one would block or never end), opened without blocking, and at
// most kMaxCatalogueBytes, also when the file grows while it is read.
bool ReadCatalogue(const std::string& path, std::string& content) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
  if (fd < 0) return false;
  struct stat st;
  bool ok = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) &&
            static_cast<std::uint64_t>(st.st_size) <= kMaxCatalogueBytes;
  try {
    char chunk[65536];
    while (ok) {
      const ssize_t n = ::read(fd, chunk, sizeof chunk);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) {
        ok = n == 0;
        break;
      }
      content.append(chunk, static_cast<std::size_t>(n));
      ok = content.size() <= kMaxCatalogueBytes;
    }
  } catch (const std::exception&) {
    ok = false;
  }
  ::close(fd);
  return ok;
}

std::mutex& LibrariesMutex() {
  static std::mutex mutex;
  return mutex;
}

// Libraries loaded and not yet freed; a handle is valid only while listed.
std::set<HLANGLIB>& LiveLibraries() {
  static std::set<HLANGLIB> live;
  return live;
}

bool IsContinuation(unsigned char c) { return (c & 0xC0) == 0x80; }

// Strict UTF-8: no over-long forms, no surrogates, nothing above U+10FFFF.
bool IsValidUtf8(std::string_view s) {
  std::size_t i = 0;
  while (i < s.size()) {
    const auto c = static_cast<unsigned char>(s[i]);
    if (c < 0x80) {
      ++i;
      continue;
    }
    std::size_t extra = 0;
    std::uint32_t cp = 0;
    std::uint32_t minimum = 0;
    if ((c & 0xE0) == 0xC0) {
      extra = 1;
      cp = c & 0x1F;
      minimum = 0x80;
    } else if ((c & 0xF0) == 0xE0) {
      extra = 2;
      cp = c & 0x0F;
      minimum = 0x800;
    } else if ((c & 0xF8) == 0xF0) {
      extra = 3;
      cp = c & 0x07;
      minimum = 0x10000;
    } else {
      return false;
    }
    if (i + extra >= s.size()) return false;
    for (std::size_t k = 1; k <= extra; ++k) {
      const auto d = static_cast<unsigned char>(s[i + k]);
      if (!IsContinuation(d)) return false;
      cp = (cp << 6) | (d & 0x3F);
    }
    if (cp < minimum || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return false;
    i += extra + 1;
  }
  return true;
}

std::string Unescape(std::string_view raw) {
  std::string text;
  text.reserve(raw.size());
  for (std::size_t i = 0; i < raw.size(); ++i) {
    if (raw[i] == '\\' && i + 1 < raw.size()) {
      const char next = raw[i + 1];
      if (next == 't' || next == 'n' || next == '\\') {
        text += next == 't' ? '\t' : next == 'n' ? '\n' : '\\';
        ++i;
        continue;
      }
    }
    text += raw[i];
  }
  return text;
}

// One catalogue line: number, TAB, text. False for a line of any other form.
bool ParseLine(std::string_view line, DWORD& number, std::string& text) {
  if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
  const std::size_t tab = line.find('\t');
  if (tab == 0 || tab == std::string_view::npos) return false;
  DWORD value = 0;
  for (std::size_t i = 0; i < tab; ++i) {
    const char c = line[i];
    if (c < '0' || c > '9') return false;
    value = value * 10 + static_cast<DWORD>(c - '0');
    if (value > kMaxTextNumber) return false;
  }
  const std::string_view raw = line.substr(tab + 1);
  if (!IsValidUtf8(raw)) return false;
  number = value;
  text = Unescape(raw);
  return true;
}

}  // namespace

HLANGLIB LoadLanguageLibrary(const std::string& path) {
  std::string content;
  if (!ReadCatalogue(path, content)) return nullptr;

  auto library = std::make_unique<LanguageLibrary>();
  std::string_view rest(content);
  if (rest.starts_with("\xEF\xBB\xBF")) rest.remove_prefix(3);
  while (!rest.empty()) {
    const std::size_t end = rest.find('\n');
    const std::string_view line = rest.substr(0, end);
    rest.remove_prefix(end == std::string_view::npos ? rest.size() : end + 1);
    DWORD number = 0;
    std::string text;
    if (ParseLine(line, number, text)) library->texts.emplace(number, std::move(text));
  }
  if (library->texts.empty()) return nullptr;

  std::lock_guard lock(LibrariesMutex());
  HLANGLIB handle = library.release();
  LiveLibraries().insert(handle);
  return handle;
}

void FreeLanguageLibrary(HLANGLIB library) {
  std::lock_guard lock(LibrariesMutex());
  if (LiveLibraries().erase(library) != 0) delete library;
}

int LoadStringA(HLANGLIB library, DWORD id, std::string& text, int bufferMax) {
  text.clear();
  if (bufferMax < 1) return 0;
  std::lock_guard lock(LibrariesMutex());
  if (LiveLibraries().count(library) == 0) return 0;
  const auto found = library->texts.find(id);
  if (found == library->texts.end()) return 0;
  const std::string& full = found->second;
  // Count characters by their first bytes; cut before the first character
  // that does not fit.
  const int limit = bufferMax - 1;
  int characters = 0;
  std::size_t end = 0;
  for (; end < full.size(); ++end) {
    if (IsContinuation(static_cast<unsigned char>(full[end]))) continue;
    if (characters == limit) break;
    ++characters;
  }
  text.assign(full, 0, end);
  return characters;
}

std::string ProgramFolder() {
  std::string buffer(4096, '\0');
  const ssize_t n = ::readlink("/proc/self/exe", buffer.data(), buffer.size());
  if (n <= 0 || static_cast<std::size_t>(n) >= buffer.size()) return ".";
  buffer.resize(static_cast<std::size_t>(n));
  const std::size_t slash = buffer.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return buffer.substr(0, slash);
}

std::string LanguageFolder() {
  const char* overridden = std::getenv("VLM_LANG_DIR");
  if (overridden != nullptr && *overridden != '\0') return overridden;
  return ProgramFolder();
}

}  // namespace vlm
