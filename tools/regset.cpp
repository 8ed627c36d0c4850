// regset: writes values into the registry under $VLM_REGISTRY_ROOT.
//
//   regset KEY NAME TEXT        a REG_SZ value (its terminating NUL counted)
//   regset -d KEY NAME NUMBER   a REG_DWORD value (decimal, 0..4294967295)
//   regset -f FILE              one value a line: KEY<TAB>NAME<TAB>sz|dword<TAB>DATA
//                               ("-" reads standard input; empty lines and
//                               lines starting with "#" are skipped)
//
// KEY starts with HKLM\ or HKCR\; the key and its parents are created. The
// installation writes the engine picture mapping with it and the demo writes
// its preferences and ranges.
//
// Exit status: 0 every value written, 1 bad arguments or a malformed line,
// 2 a value could not be written (the registry's code is printed).
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
               "       regset -f FILE\n");
  return 1;
}

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
  if (!SplitRoot(key, &root, &path)) {
    std::fprintf(stderr, "regset: %s: the key must start with HKLM\\ or HKCR\\\n", key.c_str());
    return 1;
  }
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
  if (argc == 5 && std::strcmp(argv[1], "-d") == 0) return Write(argv[2], argv[3], true, argv[4]);
  if (argc == 4 && argv[1][0] != '-') return Write(argv[1], argv[2], false, argv[3]);
  return Usage();
}
