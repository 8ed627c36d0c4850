// DrawEngine's body and the self-registration of the engine picture classes.
#include "enginepics/common/server.h"

#include <dlfcn.h>

#include <climits>
#include <cstdlib>
#include <new>
#include <vector>

#include "platform/registry/registry.h"

namespace vlm::enginepics {

HRESULT DrawEngineFor(const ServerInfo& info, LONG hdcPaint, LONG options, LONG engineType,
                      BSTR finisherType, BSTR lctType, BSTR baseType, LONG selectTray,
                      LONG selectBin, VARIANT_BOOL showSelection) noexcept {
  try {
    EngineArgs args;
    args.hdcPaint = hdcPaint;
    args.Options = options;
    args.EngineType = engineType;
    args.FinisherType = Utf8FromBstr(finisherType);
    args.LCTType = Utf8FromBstr(lctType);
    args.BaseType = Utf8FromBstr(baseType);
    args.SelectTray = selectTray;
    args.SelectBin = selectBin;
    args.ShowSelection = showSelection != VARIANT_FALSE;
    PaintEngine(*info.family, info.bitmaps, args);
    return S_OK;
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  } catch (...) {
    return E_FAIL;
  }
}

namespace {

// A key of HKEY_CLASSES_ROOT opened for writing, closed at the end.
class WritableKey {
 public:
  explicit WritableKey(const std::string& path) {
    if (RegCreateKeyExA(HKEY_CLASSES_ROOT, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                        KEY_WRITE, nullptr, &key_, nullptr) != ERROR_SUCCESS) {
      key_ = nullptr;
    }
  }
  WritableKey(const WritableKey&) = delete;
  WritableKey& operator=(const WritableKey&) = delete;
  ~WritableKey() {
    if (key_) RegCloseKey(key_);
  }
  // Sets a text value (the empty name is the default value).
  bool Set(const char* name, const std::string& text) {
    if (!key_ || text.size() >= UINT32_MAX) return false;
    return RegSetValueExA(key_, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                          static_cast<DWORD>(text.size() + 1)) == ERROR_SUCCESS;
  }

 private:
  HKEY key_ = nullptr;
};

bool SetText(const std::string& path, const char* name, const std::string& text) {
  return WritableKey(path).Set(name, text);
}

// The text of a value of HKEY_CLASSES_ROOT, or empty.
std::string ReadText(const std::string& path, const char* name) {
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_CLASSES_ROOT, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return {};
  char buffer[256] = {};
  DWORD size = sizeof buffer - 1;
  DWORD type = 0;
  const LONG rc = RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size);
  RegCloseKey(key);
  if (rc != ERROR_SUCCESS || type != REG_SZ) return {};
  return std::string(buffer);
}

// Deletes a key and everything below it; a key that is not there is fine.
bool DeleteTree(const std::string& path) {
  HKEY key = nullptr;
  const LONG open = RegOpenKeyExA(HKEY_CLASSES_ROOT, path.c_str(), 0, KEY_READ, &key);
  if (open == ERROR_FILE_NOT_FOUND) return true;
  if (open != ERROR_SUCCESS) return false;
  std::vector<std::string> children;
  for (DWORD i = 0;; ++i) {
    char name[256];
    DWORD size = sizeof name;
    const LONG rc = RegEnumKeyExA(key, i, name, &size, nullptr, nullptr, nullptr, nullptr);
    if (rc != ERROR_SUCCESS) break;
    children.emplace_back(name, size);
  }
  RegCloseKey(key);
  bool ok = true;
  for (const std::string& child : children) ok = DeleteTree(path + "\\" + child) && ok;
  const LONG rc = RegDeleteKeyA(HKEY_CLASSES_ROOT, path.c_str());
  return ok && (rc == ERROR_SUCCESS || rc == ERROR_FILE_NOT_FOUND);
}

}  // namespace

HRESULT RegisterEngineClass(const ServerInfo& info, const std::string& modulePath) noexcept {
  try {
    if (modulePath.empty()) return SELFREG_E_CLASS;
    const std::string clsid = GuidToString(info.classId);
    const std::string iid = GuidToString(info.interfaceId);
    const std::string libid = GuidToString(info.libraryId);
    const std::string progId = info.progId;
    const std::string classKey = "CLSID\\" + clsid;
    const std::string libKey = "TypeLib\\" + libid + "\\1.0";
    std::string folder = modulePath.substr(0, modulePath.rfind('/'));
    const bool ok =
        SetText(progId, "", progId) && SetText(progId + "\\CLSID", "", clsid) &&
        SetText(classKey, "", progId) && SetText(classKey + "\\InprocServer32", "", modulePath) &&
        SetText(classKey + "\\InprocServer32", "ThreadingModel", "Apartment") &&
        SetText(classKey + "\\ProgID", "", progId) && SetText(classKey + "\\TypeLib", "", libid) &&
        SetText(classKey + "\\VERSION", "", "1.0") &&
        SetText("Interface\\" + iid, "", info.interfaceName) &&
        SetText("Interface\\" + iid + "\\TypeLib", "", libid) &&
        SetText("Interface\\" + iid + "\\TypeLib", "Version", "1.0") &&
        SetText(libKey, "", info.helpText) && SetText(libKey + "\\0\\linux", "", modulePath) &&
        SetText(libKey + "\\FLAGS", "", "0") && SetText(libKey + "\\HELPDIR", "", folder);
    return ok ? S_OK : SELFREG_E_CLASS;
  } catch (...) {
    return SELFREG_E_CLASS;
  }
}

HRESULT UnregisterEngineClass(const ServerInfo& info) noexcept {
  try {
    const std::string clsid = GuidToString(info.classId);
    bool ok = true;
    // The ProgID goes only while it still names this class: another library
    // may have taken it over since.
    if (ReadText(std::string(info.progId) + "\\CLSID", "") == clsid) ok = DeleteTree(info.progId) && ok;
    ok = DeleteTree("CLSID\\" + clsid) && ok;
    ok = DeleteTree("Interface\\" + GuidToString(info.interfaceId)) && ok;
    ok = DeleteTree("TypeLib\\" + GuidToString(info.libraryId)) && ok;
    return ok ? S_OK : SELFREG_E_CLASS;
  } catch (...) {
    return SELFREG_E_CLASS;
  }
}

}  // namespace vlm::enginepics
