// The runtime: per-thread initialisation counts, registered class objects,
// in-process servers found through HKEY_CLASSES_ROOT and loaded with dlopen,
// and the server module's counts.
#include <dlfcn.h>
#include <sys/stat.h>

#include <climits>
#include <cstdlib>

#include <algorithm>

#include <unordered_map>

#include "platform/com/com.h"
#include "platform/registry/registry.h"

namespace vlm {

namespace {

thread_local LONG tInitCount = 0;
thread_local std::string tLoadError;

std::atomic<LONG> gObjects{0};
std::atomic<LONG> gLocks{0};

struct Registration {
  DWORD cookie;
  CLSID clsid;
  DWORD context;
  IUnknown* object;
};

struct State {
  std::mutex mutex;
  std::vector<Registration> registrations;
  DWORD lastCookie = 0;
  std::unordered_map<std::string, DllGetClassObjectFn> servers;  // by path
};

// Never destroyed: class objects may still be registered, and servers stay
// loaded, until the process ends.
State& Runtime() {
  static State* state = new State;
  return *state;
}

constexpr int kMaxCurVerDepth = 8;

// The default REG_SZ value of HKEY_CLASSES_ROOT\keyPath, up to its NUL.
bool ReadDefaultText(const std::string& keyPath, std::string* text) {
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_CLASSES_ROOT, keyPath.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) {
    return false;
  }
  bool found = false;
  for (int attempt = 0; attempt < 4; ++attempt) {
    DWORD type = 0;
    DWORD size = 0;
    if (RegQueryValueExA(key, "", nullptr, &type, nullptr, &size) != ERROR_SUCCESS ||
        type != REG_SZ) {
      break;
    }
    std::string data(size, '\0');
    LONG r = RegQueryValueExA(key, "", nullptr, &type, reinterpret_cast<BYTE*>(data.data()), &size);
    if (r == ERROR_MORE_DATA) continue;  // the value grew in between
    if (r != ERROR_SUCCESS || type != REG_SZ) break;
    data.resize(std::min<std::size_t>(size, data.size()));
    data.resize(std::min(data.size(), data.find('\0')));
    *text = std::move(data);
    found = true;
    break;
  }
  RegCloseKey(key);
  return found;
}

bool ValidProgId(std::string_view progId) {
  if (progId.empty() || progId.size() > 255) return false;
  for (char c : progId) {
    if (c == '\\' || static_cast<unsigned char>(c) < 0x20) return false;
  }
  return true;
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    auto fold = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
    if (fold(a[i]) != fold(b[i])) return false;
  }
  return true;
}

bool ResolveProgId(const std::string& progId, int depth, CLSID* clsid) {
  std::string next;
  if (depth < kMaxCurVerDepth && ReadDefaultText(progId + "\\CurVer", &next) &&
      ValidProgId(next) && !EqualsNoCase(next, progId) && ResolveProgId(next, depth + 1, clsid)) {
    return true;
  }
  std::string text;
  return ReadDefaultText(progId + "\\CLSID", &text) && GuidFromString(text, clsid);
}

// The DllGetClassObject of the server at path, loading it at its first use.
HRESULT LoadServer(const std::string& path, DllGetClassObjectFn* entry) {
  State& s = Runtime();
  {
    std::lock_guard lock(s.mutex);
    auto it = s.servers.find(path);
    if (it != s.servers.end()) {
      *entry = it->second;
      return S_OK;
    }
  }
  // dlopen of a FIFO blocks until someone writes to it: a path with a folder
  // must name a regular file (or a link to one); a bare name is searched for
  // in the system's library folders only.
  struct stat st;
  if (path.find('/') != std::string::npos &&
      (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode))) {
    tLoadError = path + ": not a regular file";
    return CO_E_DLLNOTFOUND;
  }
  // Loaded outside the lock: the server's initialisation may create objects.
  void* module = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!module) {
    const char* why = dlerror();
    tLoadError = path + ": " + (why ? why : "cannot be loaded");
    return CO_E_DLLNOTFOUND;
  }
  dlerror();
  void* symbol = dlsym(module, "DllGetClassObject");
  if (!symbol) {
    tLoadError = path + ": does not export DllGetClassObject";
    dlclose(module);
    return CO_E_ERRORINDLL;
  }
  auto fn = reinterpret_cast<DllGetClassObjectFn>(symbol);
  std::lock_guard lock(s.mutex);
  *entry = s.servers.emplace(path, fn).first->second;
  return S_OK;
}

HRESULT GetRegisteredServer(REFCLSID clsid, REFIID iid, void** object) {
  std::string path;
  if (!ReadDefaultText("CLSID\\" + GuidToString(clsid) + "\\InprocServer32", &path) ||
      path.empty()) {
    return REGDB_E_CLASSNOTREG;
  }
  DllGetClassObjectFn entry = nullptr;
  HRESULT hr = LoadServer(path, &entry);
  if (FAILED(hr)) return hr;
  hr = entry(clsid, iid, object);
  if (FAILED(hr)) *object = nullptr;
  return hr;
}

}  // namespace

// ---------------------------------------------------------------------------
// Module counts

namespace com {
void ModuleObjectCreated() noexcept { gObjects.fetch_add(1, std::memory_order_relaxed); }
void ModuleObjectDestroyed() noexcept { gObjects.fetch_sub(1, std::memory_order_acq_rel); }
void ModuleLock(bool lock) noexcept {
  if (lock) {
    gLocks.fetch_add(1, std::memory_order_relaxed);
  } else {
    gLocks.fetch_sub(1, std::memory_order_acq_rel);
  }
}
LONG ModuleObjectCount() noexcept { return gObjects.load(std::memory_order_acquire); }
HRESULT ModuleCanUnloadNow() noexcept {
  return gObjects.load(std::memory_order_acquire) == 0 &&
                 gLocks.load(std::memory_order_acquire) == 0
             ? S_OK
             : S_FALSE;
}

std::string LastLoadError() { return tLoadError; }
}  // namespace com

// ---------------------------------------------------------------------------
// Initialisation and creation

HRESULT CoInitialize(void*) { return tInitCount++ == 0 ? S_OK : S_FALSE; }

void CoUninitialize() {
  if (tInitCount > 0) --tInitCount;
}

HRESULT CoGetClassObject(REFCLSID clsid, DWORD context, void*, REFIID iid, void** object) {
  if (!object) return E_INVALIDARG;
  *object = nullptr;
  if (tInitCount == 0) return CO_E_NOTINITIALIZED;
  IUnknown* registered = nullptr;
  {
    State& s = Runtime();
    std::lock_guard lock(s.mutex);
    for (auto it = s.registrations.rbegin(); it != s.registrations.rend(); ++it) {
      if (it->clsid == clsid && (it->context & context) != 0) {
        registered = it->object;
        registered->AddRef();
        break;
      }
    }
  }
  if (registered) {
    HRESULT hr = registered->QueryInterface(iid, object);
    registered->Release();
    return hr;
  }
  if (!(context & CLSCTX_INPROC_SERVER)) return REGDB_E_CLASSNOTREG;
  try {
    return GetRegisteredServer(clsid, iid, object);
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  }
}

HRESULT CoCreateInstance(REFCLSID clsid, IUnknown* outer, DWORD context, REFIID iid,
                         void** object) {
  if (!object) return E_INVALIDARG;
  *object = nullptr;
  ComPtr<IClassFactory> factory;
  HRESULT hr = CoGetClassObject(clsid, context, nullptr, IID_PPV_ARGS(factory.ReleaseAndGetAddressOf()));
  if (FAILED(hr)) return hr;
  return factory->CreateInstance(outer, iid, object);
}

HRESULT CoRegisterClassObject(REFCLSID clsid, IUnknown* classObject, DWORD context, DWORD,
                              DWORD* cookie) {
  if (!cookie || !classObject) return E_INVALIDARG;
  *cookie = 0;
  if (tInitCount == 0) return CO_E_NOTINITIALIZED;
  State& s = Runtime();
  std::lock_guard lock(s.mutex);
  auto inUse = [&](DWORD c) {
    for (const Registration& r : s.registrations) {
      if (r.cookie == c) return true;
    }
    return false;
  };
  do {
    ++s.lastCookie;
  } while (s.lastCookie == 0 || inUse(s.lastCookie));
  try {
    s.registrations.push_back({s.lastCookie, clsid, context, classObject});
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  }
  classObject->AddRef();
  *cookie = s.lastCookie;
  return S_OK;
}

HRESULT CoRevokeClassObject(DWORD cookie) {
  IUnknown* revoked = nullptr;
  {
    State& s = Runtime();
    std::lock_guard lock(s.mutex);
    for (auto it = s.registrations.begin(); it != s.registrations.end(); ++it) {
      if (it->cookie == cookie) {
        revoked = it->object;
        s.registrations.erase(it);
        break;
      }
    }
  }
  if (!revoked) return E_INVALIDARG;
  revoked->Release();
  return S_OK;
}

HRESULT CLSIDFromProgID(std::string_view progId, CLSID* clsid) {
  if (!clsid) return E_INVALIDARG;
  *clsid = GUID_NULL;
  if (!ValidProgId(progId)) return CO_E_CLASSSTRING;
  try {
    CLSID found{};
    if (!ResolveProgId(std::string(progId), 0, &found)) return CO_E_CLASSSTRING;
    *clsid = found;
    return S_OK;
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  }
}

HRESULT CLSIDFromProgID(LPCOLESTR progId, CLSID* clsid) {
  if (!progId || !clsid) return E_INVALIDARG;
  try {
    return CLSIDFromProgID(Utf8FromUtf16(progId), clsid);
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  }
}

std::string com::ModulePathOf(const void* address) {
  Dl_info where{};
  if (dladdr(address, &where) == 0 || where.dli_fname == nullptr) return {};
  char resolved[PATH_MAX];
  if (realpath(where.dli_fname, resolved) == nullptr) return {};
  return resolved;
}

}  // namespace vlm
