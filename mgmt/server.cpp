// libXLPNMIF.so: the class object of VectorItem with the real discovery
// manager and the platform spooler's job readers, and the four exports of an
// in-process automation server.
#include <dlfcn.h>

#include <climits>
#include <cstdlib>
#include <string>
#include <vector>

#include "mgmt/qt_timer_host.h"
#include "mgmt/vector_item.h"
#include "platform/registry/registry.h"

namespace vlm::mgmt {
namespace {

constexpr const char* kDescription = "VectorItem Class";
constexpr const char* kTypeLibHelp = "XLPNMIF 1.0 Type Library";
constexpr std::size_t kMaxModulePath = 260;  // characters, with the terminating NUL

Environment LibraryEnvironment() {
  Environment env;
  env.makeDiscoveryManager = [] { return MakeDiscoveryManagerObject(); };
  env.freeDiscoveryManager = [](discovery::DiscoveryManager* m) { FreeDiscoveryManagerObject(m); };
  env.makeJobReader = SpoolerJobReaders();
  env.makeTimerHost = [](TimerHost::TickHandler onTick) { return MakeQtTimerHost(std::move(onTick)); };
  return env;
}

// The absolute path of this library; empty when it cannot be had or does not
// fit the 260-character field that holds it.
std::string ModulePath() {
  std::string path = com::ModulePathOf(reinterpret_cast<const void*>(&ModulePath));
  if (path.empty() || path.size() + 1 > kMaxModulePath) return {};
  return path;
}

// One key of the registration, with at most one text value.
struct KeyEntry {
  std::string key;
  std::string valueName;  // empty: the default value
  std::string value;
  bool hasValue = true;
};

std::vector<KeyEntry> RegistrationKeys(const std::string& path) {
  const std::string clsid = GuidToString(CLSID_VectorItem);
  const std::string libid = GuidToString(LIBID_XLPNMIFLib);
  const std::string progId = kVectorItemProgId;
  const std::string independent = kVectorItemIndependentProgId;
  const std::string classKey = "CLSID\\" + clsid;
  const std::string version = "TypeLib\\" + libid + "\\1.0";
  const std::string folder = path.substr(0, path.find_last_of('/'));
  // Parents before their subkeys.
  return {
      {progId, "", kDescription},
      {progId + "\\CLSID", "", clsid},
      {independent, "", kDescription},
      {independent + "\\CLSID", "", clsid},
      {independent + "\\CurVer", "", progId},
      {classKey, "", kDescription},
      {classKey + "\\ProgID", "", progId},
      {classKey + "\\VersionIndependentProgID", "", independent},
      {classKey + "\\Programmable", "", "", false},
      {classKey + "\\InprocServer32", "", path},
      {classKey + "\\InprocServer32", "ThreadingModel", "Apartment"},
      {classKey + "\\TypeLib", "", libid},
      {"TypeLib\\" + libid, "", "", false},
      {version, "", kTypeLibHelp},
      {version + "\\FLAGS", "", "0"},
      {version + "\\HELPDIR", "", folder},
      {version + "\\0", "", "", false},
      {version + "\\0\\linux", "", path},
  };
}

bool WriteEntry(const KeyEntry& e) {
  HKEY h = nullptr;
  DWORD disposition = 0;
  if (RegCreateKeyExA(HKEY_CLASSES_ROOT, e.key.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                      KEY_WRITE, nullptr, &h, &disposition) != ERROR_SUCCESS)
    return false;
  bool ok = true;
  if (e.hasValue)
    ok = RegSetValueExA(h, e.valueName.empty() ? nullptr : e.valueName.c_str(), 0, REG_SZ,
                        reinterpret_cast<const BYTE*>(e.value.c_str()),
                        static_cast<DWORD>(e.value.size() + 1)) == ERROR_SUCCESS;
  RegCloseKey(h);
  return ok;
}

}  // namespace
}  // namespace vlm::mgmt

using namespace vlm;
using namespace vlm::mgmt;

extern "C" {

__attribute__((visibility("default"))) HRESULT DllCanUnloadNow() {
  return com::ModuleCanUnloadNow();
}

__attribute__((visibility("default"))) HRESULT DllGetClassObject(const CLSID& clsid, const IID& iid,
                                                                void** object) {
  if (!object) return E_POINTER;
  *object = nullptr;
  if (clsid != CLSID_VectorItem) return CLASS_E_CLASSNOTAVAILABLE;
  try {
    ComPtr<VectorItemFactory> factory = MakeComObject<VectorItemFactory>(LibraryEnvironment());
    if (!factory) return E_OUTOFMEMORY;
    return factory->QueryInterface(iid, object);
  } catch (...) {
    return E_OUTOFMEMORY;
  }
}

__attribute__((visibility("default"))) HRESULT DllRegisterServer() {
  try {
    const std::string path = ModulePath();
    if (path.empty()) return SELFREG_E_CLASS;
    // Every entry is tried, so that one failure does not hide the others.
    bool classOk = true, typeLibOk = true;
    for (const KeyEntry& e : RegistrationKeys(path)) {
      bool ok = WriteEntry(e);
      (e.key.rfind("TypeLib\\", 0) == 0 ? typeLibOk : classOk) &= ok;
    }
    if (!classOk) return SELFREG_E_CLASS;
    return typeLibOk ? S_OK : SELFREG_E_TYPELIB;
  } catch (...) {
    return SELFREG_E_CLASS;
  }
}

__attribute__((visibility("default"))) HRESULT DllUnregisterServer() {
  try {
    // Subkeys before their parents; a key that is not there is no failure.
    std::vector<KeyEntry> keys = RegistrationKeys("");
    for (auto it = keys.rbegin(); it != keys.rend(); ++it) {
      if (!it->valueName.empty()) continue;
      RegDeleteKeyA(HKEY_CLASSES_ROOT, it->key.c_str());
    }
    return S_OK;
  } catch (...) {
    return S_OK;
  }
}

}  // extern "C"
