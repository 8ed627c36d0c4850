// The component server: the class factory of the network manager class and
// the four exports of an in-process server.
#include <dlfcn.h>

#include <climits>
#include <cstdlib>
#include <new>
#include <string>

#include "netmgr/netmgr.h"
#include "netmgr/session.h"
#include "platform/registry/registry.h"

namespace vlm::netmgr {
namespace {

constexpr const char* kDescription = "VlmNetMgr Component - Velmar Network Manager Prototype";
constexpr std::size_t kMaxModulePath = 260;  // characters, with the terminating NUL

class VlmNetMgrFactory final : public IClassFactory {
 public:
  HRESULT QueryInterface(REFIID iid, void** object) override {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (iid != IID_IUnknown && iid != IID_IClassFactory) return E_NOINTERFACE;
    *object = static_cast<IClassFactory*>(this);
    AddRef();
    return S_OK;
  }
  ULONG AddRef() override { return ++references_; }
  ULONG Release() override {
    ULONG left = --references_;
    if (left == 0) {
      delete this;
      --Module().objects;
    }
    return left;
  }

  HRESULT CreateInstance(IUnknown* outer, REFIID iid, void** object) override {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (outer && iid != IID_IUnknown) return CLASS_E_NOAGGREGATION;
    auto* session = new (std::nothrow) NetMgrSession(outer);
    if (!session) return E_OUTOFMEMORY;
    ++Module().objects;
    HRESULT hr = session->Identity()->QueryInterface(iid, object);
    if (FAILED(hr)) {
      --Module().objects;
      delete session;
    }
    return hr;
  }

  HRESULT LockServer(BOOL lock) override {
    if (lock)
      ++Module().locks;
    else
      --Module().locks;
    return S_OK;
  }

 private:
  std::atomic<ULONG> references_{0};
};

// The absolute path of this library; empty when it cannot be had or does not
// fit the 260-character field that holds it.
std::string ModulePath() {
  std::string path = com::ModulePathOf(reinterpret_cast<const void*>(&ModulePath));
  if (path.empty() || path.size() + 1 > kMaxModulePath) return {};
  return path;
}

bool WriteKey(const std::string& key, const std::string* value) {
  HKEY h = nullptr;
  DWORD disposition = 0;
  if (RegCreateKeyExA(HKEY_CLASSES_ROOT, key.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                      KEY_WRITE, nullptr, &h, &disposition) != ERROR_SUCCESS)
    return false;
  bool ok = true;
  if (value)
    ok = RegSetValueExA(h, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(value->c_str()),
                        static_cast<DWORD>(value->size() + 1)) == ERROR_SUCCESS;
  RegCloseKey(h);
  return ok;
}

std::string ClassKey() { return "CLSID\\" + GuidToString(CLSID_VlmNetMgr); }

}  // namespace
}  // namespace vlm::netmgr

using namespace vlm;
using namespace vlm::netmgr;

extern "C" {

__attribute__((visibility("default"))) HRESULT DllCanUnloadNow() {
  return Module().objects.load() != 0 || Module().locks.load() != 0 ? S_FALSE : S_OK;
}

__attribute__((visibility("default"))) HRESULT DllGetClassObject(const CLSID& clsid, const IID& iid,
                                                                void** object) {
  if (clsid != CLSID_VlmNetMgr) return CLASS_E_CLASSNOTAVAILABLE;
  if (!object) return E_POINTER;
  *object = nullptr;
  auto* factory = new (std::nothrow) VlmNetMgrFactory;
  if (!factory) return E_OUTOFMEMORY;
  ++Module().objects;
  HRESULT hr = factory->QueryInterface(iid, object);
  if (FAILED(hr)) {
    --Module().objects;
    delete factory;
    return hr;
  }
  return S_OK;
}

__attribute__((visibility("default"))) HRESULT DllRegisterServer() {
  try {
    const std::string path = ModulePath();
    if (path.empty()) return SELFREG_E_CLASS;
    const std::string clsid = GuidToString(CLSID_VlmNetMgr);
    const std::string description = kDescription;
    const std::string progId = kVlmNetMgrProgId;
    const std::string independent = kVlmNetMgrIndependentProgId;
    const std::string classKey = ClassKey();
    // Every key is tried, so that one failure does not hide the others.
    bool ok = true;
    ok &= WriteKey(progId, &description);
    ok &= WriteKey(progId + "\\CLSID", &clsid);
    ok &= WriteKey(independent, &description);
    ok &= WriteKey(independent + "\\CurVer", &progId);
    ok &= WriteKey(independent + "\\CLSID", &clsid);
    ok &= WriteKey(classKey, &description);
    ok &= WriteKey(classKey + "\\ProgID", &progId);
    ok &= WriteKey(classKey + "\\VersionIndependentProgID", &independent);
    ok &= WriteKey(classKey + "\\NotInsertable", nullptr);
    ok &= WriteKey(classKey + "\\InprocServer32", &path);
    return ok ? S_OK : SELFREG_E_CLASS;
  } catch (...) {
    return SELFREG_E_CLASS;
  }
}

__attribute__((visibility("default"))) HRESULT DllUnregisterServer() {
  try {
    const std::string progId = kVlmNetMgrProgId;
    const std::string independent = kVlmNetMgrIndependentProgId;
    const std::string classKey = ClassKey();
    // Subkeys before their parents; a key that is not there is no failure.
    const std::string keys[] = {
        independent + "\\CurVer",          independent + "\\CLSID",
        independent,                       progId + "\\CLSID",
        progId,                            classKey + "\\ProgID",
        classKey + "\\VersionIndependentProgID", classKey + "\\NotInsertable",
        classKey + "\\InprocServer32",     classKey,
    };
    for (const std::string& key : keys) RegDeleteKeyA(HKEY_CLASSES_ROOT, key.c_str());
    return S_OK;
  } catch (...) {
    return S_OK;
  }
}

}  // extern "C"
