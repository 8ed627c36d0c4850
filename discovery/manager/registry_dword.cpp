// The REG_DWORD helpers: one value of a key below a root chosen by selector.
#include "discovery/manager/core.h"
#include "platform/registry/registry.h"

namespace vlm::discovery {
namespace {

// Only the two roots this registry keeps; the other selectors of the
// platform's table (the current user's hive and the like) have none here.
HKEY RootFromSelector(int selector) {
  switch (selector) {
    case 0:
      return HKEY_CLASSES_ROOT;
    case 1:
      return HKEY_LOCAL_MACHINE;
    default:
      return nullptr;
  }
}

bool Named(const char* text) { return text && *text; }

}  // namespace

bool ReadRegistryDword(int selector, const char* subKey, const char* valueName,
                       std::uint32_t* value, std::uint32_t def) {
  if (!value) return false;
  *value = def;
  if (!Named(subKey) || !Named(valueName)) return false;
  HKEY root = RootFromSelector(selector);
  if (!root) return false;
  HKEY key = nullptr;
  if (RegOpenKeyExA(root, subKey, 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
  DWORD type = 0, data = 0, size = sizeof data;
  bool ok = RegQueryValueExA(key, valueName, nullptr, &type, reinterpret_cast<BYTE*>(&data),
                             &size) == ERROR_SUCCESS &&
            type == REG_DWORD && size == sizeof data;
  if (ok) *value = data;
  RegCloseKey(key);
  return ok;
}

bool WriteRegistryDword(int selector, const char* subKey, const char* valueName,
                        std::uint32_t value) {
  if (!Named(subKey) || !Named(valueName)) return false;
  HKEY root = RootFromSelector(selector);
  if (!root) return false;
  HKEY key = nullptr;
  if (RegCreateKeyExA(root, subKey, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_SET_VALUE, nullptr,
                      &key, nullptr) != ERROR_SUCCESS) {
    return false;
  }
  bool ok = RegSetValueExA(key, valueName, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value),
                           sizeof value) == ERROR_SUCCESS;
  RegCloseKey(key);
  return ok;
}

}  // namespace vlm::discovery
