// regset: writes values into the registry under $VLM_REGISTRY_ROOT.
//
//   regset KEY NAME TEXT        a REG_SZ value (its terminating NUL counted)
//   regset -d KEY NAME NUMBER   a REG_DWORD value (decimal, 0..4294967295)
//   regset -f FILE              one value a line: KEY<TAB>NAME<TAB>sz|dword<TAB>DATA
//                               ("-" reads standard input; empty lines and
//                               lines starting with "#" are skipped)
//   regset -e KEY               prints the values of KEY as -f lines, in
//                               their order, so that -f writes them back
//   regset -r KEY NAME          removes the value NAME of KEY (nothing to do
//                               when the key or the value is not there)
//
// KEY starts with HKLM\ or HKCR\; for writing, the key and its parents are
// created. The installation writes the engine picture mapping with it, and
// the package's maintainer scripts keep the administrator's configuration
// across an unregistration with -e and -r; the demo writes its preferences
// and ranges.
//
// -e prints a REG_SZ value only when -f gives back the same bytes: text with
// one terminating NUL and no NUL, tab, CR or LF inside (and a name without
// tab, CR or LF); any other value (or type) is left out with a message.
//
// Exit status: 0 every value written, printed or removed, 1 bad arguments or
// a malformed line, 2 a value could not be written, read or removed, or -e
// left one out (the registry's code is printed), 3 -e: there is no such key.
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "platform/registry/registry.h"

namespace {

int Usage() {
  std::fprintf(stderr,
               "usage: regset KEY NAME TEXT\n"
               "       regset -d KEY NAME NUMBER\n"
               "       regset -f FILE\n"
               "       regset -e KEY\n"
               "       regset -r KEY NAME\n");
  return 1;
}

// The root and the path of KEY; prints what is wrong when it names no root.
bool SplitRoot(const std::string& key, vlm::HKEY* root, std::string* path) {
  auto starts = [&](const char* prefix) {
    std::size_t n = std::strlen(prefix);
    return key.size() > n && strncasecmp(key.c_str(), prefix, n) == 0;
  };
  if (starts("HKLM\\")) {
    *root = HKEY_LOCAL_MACHINE;
  } else if (starts("HKCR\\")) {
    *root = HKEY_CLASSES_ROOT;
  } else {
    std::fprintf(stderr, "regset: %s: the key must start with HKLM\\ or HKCR\\\n", key.c_str());
    return false;
  }
  *path = key.substr(5);
  return true;
}

bool ParseDword(const std::string& text, vlm::DWORD* out) {
  if (text.empty() || text.size() > 10) return false;
  std::uint64_t v = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
    v = v * 10 + static_cast<unsigned>(c - '0');
  }
  if (v > 0xFFFFFFFFull) return false;
  *out = static_cast<vlm::DWORD>(v);
  return true;
}

// Writes one value; prints what failed and returns the exit status.
int Write(const std::string& key, const std::string& name, bool dword, const std::string& data) {
  vlm::HKEY root = nullptr;
  std::string path;
  if (!SplitRoot(key, &root, &path)) return 1;
  vlm::DWORD number = 0;
  if (dword && !ParseDword(data, &number)) {
    std::fprintf(stderr, "regset: %s: not a number from 0 to 4294967295\n", data.c_str());
    return 1;
  }
  vlm::HKEY handle = nullptr;
  vlm::LONG rc = vlm::RegCreateKeyExA(root, path.c_str(), 0, nullptr, vlm::REG_OPTION_NON_VOLATILE,
                                      vlm::KEY_SET_VALUE, nullptr, &handle, nullptr);
  if (rc != 0) {
    std::fprintf(stderr, "regset: %s could not be created (%d)\n", key.c_str(), static_cast<int>(rc));
    return 2;
  }
  if (dword) {
    unsigned char bytes[4] = {static_cast<unsigned char>(number), static_cast<unsigned char>(number >> 8),
                              static_cast<unsigned char>(number >> 16),
                              static_cast<unsigned char>(number >> 24)};
    rc = vlm::RegSetValueExA(handle, name.c_str(), 0, vlm::REG_DWORD, bytes, 4);
  } else {
    rc = vlm::RegSetValueExA(handle, name.c_str(), 0, vlm::REG_SZ,
                             reinterpret_cast<const vlm::BYTE*>(data.c_str()),
                             static_cast<vlm::DWORD>(data.size() + 1));
  }
  vlm::RegCloseKey(handle);
  if (rc != 0) {
    std::fprintf(stderr, "regset: %s\\%s could not be written (%d)\n", key.c_str(), name.c_str(),
                 static_cast<int>(rc));
    return 2;
  }
  return 0;
}

// Opens KEY, given with its root; -1 (after a message) when it names no root.
vlm::LONG OpenKey(const std::string& key, vlm::DWORD access, vlm::HKEY* handle) {
  vlm::HKEY root = nullptr;
  std::string path;
  if (!SplitRoot(key, &root, &path)) return -1;
  return vlm::RegOpenKeyExA(root, path.c_str(), 0, access, handle);
}

// Prints the values of KEY as -f lines.
int Export(const std::string& key) {
  vlm::HKEY handle = nullptr;
  vlm::LONG rc = OpenKey(key, vlm::KEY_READ, &handle);
  if (rc == -1) return 1;
  if (rc == vlm::ERROR_FILE_NOT_FOUND) return 3;
  if (rc != 0) {
    std::fprintf(stderr, "regset: %s could not be opened (%d)\n", key.c_str(), static_cast<int>(rc));
    return 2;
  }
  auto plain = [](const std::string& s) { return s.find_first_of("\t\r\n", 0) == std::string::npos; };
  int status = 0;
  std::string name(16384, '\0');
  std::vector<vlm::BYTE> data;
  for (vlm::DWORD i = 0;; ++i) {
    vlm::DWORD nameSize = static_cast<vlm::DWORD>(name.size()), type = 0, dataSize = 0;
    rc = vlm::RegEnumValueA(handle, i, name.data(), &nameSize, nullptr, &type, nullptr, &dataSize);
    if (rc == vlm::ERROR_NO_MORE_ITEMS) break;
    if (rc == 0) {
      data.assign(dataSize, 0);
      nameSize = static_cast<vlm::DWORD>(name.size());
      rc = vlm::RegEnumValueA(handle, i, name.data(), &nameSize, nullptr, &type, data.data(), &dataSize);
    }
    if (rc != 0) {
      std::fprintf(stderr, "regset: %s: value %u could not be read (%d)\n", key.c_str(), i,
                   static_cast<int>(rc));
      status = 2;
      break;
    }
    const std::string valueName(name.data(), nameSize);
    std::string text;
    bool printable = plain(valueName);
    if (type == vlm::REG_DWORD && dataSize == 4) {
      text = std::to_string(static_cast<std::uint32_t>(data[0]) | static_cast<std::uint32_t>(data[1]) << 8 |
                            static_cast<std::uint32_t>(data[2]) << 16 | static_cast<std::uint32_t>(data[3]) << 24);
    } else if (type == vlm::REG_SZ && dataSize > 0 && data[dataSize - 1] == 0) {
      text.assign(reinterpret_cast<const char*>(data.data()), dataSize - 1);
      printable = printable && plain(text) && text.find('\0') == std::string::npos;
    } else {
      printable = false;
    }
    if (!printable) {
      std::fprintf(stderr, "regset: %s: the value \"%s\" has no -f form and is left out\n", key.c_str(),
                   valueName.c_str());
      status = 2;
      continue;
    }
    std::printf("%s\t%s\t%s\t%s\n", key.c_str(), valueName.c_str(), type == vlm::REG_DWORD ? "dword" : "sz",
                text.c_str());
  }
  vlm::RegCloseKey(handle);
  return status;
}

int Remove(const std::string& key, const std::string& name) {
  vlm::HKEY handle = nullptr;
  vlm::LONG rc = OpenKey(key, vlm::KEY_SET_VALUE, &handle);
  if (rc == -1) return 1;
  if (rc == vlm::ERROR_FILE_NOT_FOUND) return 0;
  if (rc == 0) {
    rc = vlm::RegDeleteValueA(handle, name.c_str());
    vlm::RegCloseKey(handle);
  }
  if (rc != 0 && rc != vlm::ERROR_FILE_NOT_FOUND) {
    std::fprintf(stderr, "regset: %s\\%s could not be removed (%d)\n", key.c_str(), name.c_str(),
                 static_cast<int>(rc));
    return 2;
  }
  return 0;
}

int WriteLines(std::istream& in, const std::string& source) {
  std::string line;
  int lineNumber = 0;
  while (std::getline(in, line)) {
    ++lineNumber;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty() || line[0] == '#') continue;
    std::vector<std::string> fields;
    std::stringstream split(line);
    std::string field;
    while (std::getline(split, field, '\t')) fields.push_back(field);
    if (line.back() == '\t') fields.push_back("");
    if (fields.size() != 4 || (fields[2] != "sz" && fields[2] != "dword")) {
      std::fprintf(stderr, "regset: %s:%d: expected KEY<TAB>NAME<TAB>sz|dword<TAB>DATA\n",
                   source.c_str(), lineNumber);
      return 1;
    }
    int status = Write(fields[0], fields[1], fields[2] == "dword", fields[3]);
    if (status != 0) return status;
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 3 && std::strcmp(argv[1], "-f") == 0) {
    if (std::strcmp(argv[2], "-") == 0) return WriteLines(std::cin, "stdin");
    std::ifstream file(argv[2]);
    if (!file) {
      std::fprintf(stderr, "regset: %s: %s\n", argv[2], std::strerror(errno));
      return 1;
    }
    return WriteLines(file, argv[2]);
  }
  if (argc == 3 && std::strcmp(argv[1], "-e") == 0) return Export(argv[2]);
  if (argc == 4 && std::strcmp(argv[1], "-r") == 0) return Remove(argv[2], argv[3]);
  if (argc == 5 && std::strcmp(argv[1], "-d") == 0) return Write(argv[2], argv[3], true, argv[4]);
  if (argc == 4 && argv[1][0] != '-') return Write(argv[1], argv[2], false, argv[3]);
  return Usage();
}
