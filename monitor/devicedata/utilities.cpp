// The module's utilities without a device: a string value of the registry
// and the platform id.
#include <string>

#include "monitor/devicedata/devicedata.h"
#include "platform/registry/registry.h"

namespace vlm::monitor {
namespace {

// A caption or registry text is read through a buffer of 255 characters,
// its terminator included.
constexpr int kTextBuffer = 255;

// Closes the registry key it holds on every path out.
class Open_Key {
 public:
  ~Open_Key() {
    if (key_ != nullptr) RegCloseKey(key_);
  }
  HKEY* Address() { return &key_; }
  HKEY Get() const { return key_; }

 private:
  HKEY key_ = nullptr;
};

}  // namespace

std::string Read_Registry_String(HKEY rootKey, const std::string& subKey,
                                 const std::string& valueName) {
  Registry_Found.clear();
  Registry_Value.clear();
  std::string value;
  Open_Key key;
  if (RegOpenKeyExA(rootKey, subKey.c_str(), 0, KEY_READ, key.Address()) == ERROR_SUCCESS) {
    std::string buffer(kTextBuffer, '\0');
    DWORD length = kTextBuffer;
    DWORD type = REG_SZ;
    if (RegQueryValueExA(key.Get(), valueName.c_str(), nullptr, &type,
                         reinterpret_cast<BYTE*>(buffer.data()), &length) == ERROR_SUCCESS &&
        type == REG_SZ) {
      buffer.resize(length);
      value = Trim_At_Null(buffer);
    }
  }
  if (value.empty()) {
    Registry_Found = "No";
    return value;
  }
  Registry_Value = value;
  return value;
}

void Get_OS_Version() { OS_Platform_Id = kPlatformWin32Nt; }

}  // namespace vlm::monitor
