// What the registry holds below a key, for the registration tests of
// in-process servers.
#pragma once

#include <map>
#include <string>
#include <utility>
#include <vector>

#include "platform/registry/registry.h"

namespace vlm::testing {

// Every key below a root with its values: path -> value name -> (type, bytes).
using RegistryDump = std::map<std::string, std::map<std::string, std::pair<DWORD, std::string>>>;

inline void DumpRegistryKey(HKEY root, const std::string& path, RegistryDump& out) {
  HKEY key = nullptr;
  if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return;
  auto& values = out[path];
  for (DWORD i = 0;; ++i) {
    char name[256];
    BYTE data[4096];
    DWORD nameSize = sizeof name, type = 0, dataSize = sizeof data;
    if (RegEnumValueA(key, i, name, &nameSize, nullptr, &type, data, &dataSize) != ERROR_SUCCESS) break;
    values[name] = {type, std::string(reinterpret_cast<char*>(data), dataSize)};
  }
  std::vector<std::string> children;
  for (DWORD i = 0;; ++i) {
    char name[256];
    DWORD nameSize = sizeof name;
    if (RegEnumKeyExA(key, i, name, &nameSize, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
    children.push_back(name);
  }
  RegCloseKey(key);
  for (const std::string& c : children) DumpRegistryKey(root, path.empty() ? c : path + "\\" + c, out);
}

inline RegistryDump DumpClassesRoot() {
  RegistryDump d;
  DumpRegistryKey(HKEY_CLASSES_ROOT, "", d);
  d.erase("");
  return d;
}

}  // namespace vlm::testing
