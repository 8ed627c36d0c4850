// Internal to vlm_optionsstore: the registry key its procedures open, and
// the REG_SZ write they share.
#pragma once

#include <string>

#include "platform/registry/registry.h"

namespace vlm::monitor::store {

// Removes one leading "\" from a key path, in the caller's variable.
inline void StripLeadingBackslash(std::string& path) {
  if (!path.empty() && path.front() == '\\') path.erase(0, 1);
}

// An open key, closed when it goes out of scope. The path loses one leading
// "\" in the caller's variable.
class Key {
 public:
  Key(HKEY root, std::string& path, DWORD access) {
    StripLeadingBackslash(path);
    status_ = RegOpenKeyExA(root, path.c_str(), 0, access, &key_);
    if (status_ != ERROR_SUCCESS) key_ = nullptr;
  }
  ~Key() {
    if (key_) RegCloseKey(key_);
  }
  Key(const Key&) = delete;
  Key& operator=(const Key&) = delete;

  HKEY get() const { return key_; }
  LONG status() const { return status_; }
  bool Ok() const { return status_ == ERROR_SUCCESS; }

 private:
  HKEY key_ = nullptr;
  LONG status_ = ERROR_SUCCESS;
};

// Writes text as REG_SZ: the text and one terminating NUL.
inline LONG WriteText(HKEY key, const char* name, const std::string& text) {
  return RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                        static_cast<DWORD>(text.size() + 1));
}

}  // namespace vlm::monitor::store
