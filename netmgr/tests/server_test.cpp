// The real libVlmNetMgr.so: its exports, registration, creation through the
// registry, the class factory and the module counts.
#include <gtest/gtest.h>

#include <dlfcn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <map>
#include <set>

#include "netmgr/netmgr.h"
#include "platform/com/com.h"
#include "platform/registry/registry.h"
#include "tests/support/server_checks.h"
#include "tests/support/exports.h"
#include "tests/support/temp_folder.h"

namespace vlm {
namespace {

namespace fs = std::filesystem;

const char* const kLibrary = VLM_NETMGR_SO;
const char* const kRegsvr = VLM_REGSVR;

// One temporary registry for the whole test process: every linked copy of the
// registry layer (this program's and the library's) reads the root once.
const std::string& RegistryRoot() {
  static const vlm::testing::TempFolder folder("vlm-netmgr-reg");
  static const std::string root = [] {
    std::string dir = folder.path();
    ::chmod(dir.c_str(), 0755);
    ::setenv("VLM_REGISTRY_ROOT", dir.c_str(), 1);
    registry::ResetForTests();
    return dir;
  }();
  return root;
}

struct Library {
  Library() {
    RegistryRoot();
    handle = dlopen(kLibrary, RTLD_NOW | RTLD_LOCAL);
    EXPECT_NE(handle, nullptr) << dlerror();
  }
  template <class F>
  F Get(const char* name) {
    return reinterpret_cast<F>(dlsym(handle, name));
  }
  HRESULT Register() { return Get<HRESULT (*)()>("DllRegisterServer")(); }
  HRESULT Unregister() { return Get<HRESULT (*)()>("DllUnregisterServer")(); }
  HRESULT CanUnloadNow() { return Get<HRESULT (*)()>("DllCanUnloadNow")(); }
  HRESULT GetClassObject(const CLSID& c, const IID& i, void** o) {
    return Get<HRESULT (*)(const CLSID&, const IID&, void**)>("DllGetClassObject")(c, i, o);
  }
  void* handle = nullptr;
};

int RunCommand(const std::string& command) {
  int status = std::system(command.c_str());
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

using Dump = testing::RegistryDump;
using testing::DumpClassesRoot;

std::string Sz(const std::string& text) { return text + std::string(1, '\0'); }

TEST(NetMgrServer, ExportsOnlyTheServerEntryPoints) {
  std::set<std::string> names = testing::ExportedSymbols(kLibrary);
  EXPECT_EQ(names, (std::set<std::string>{"DllCanUnloadNow", "DllGetClassObject",
                                          "DllRegisterServer", "DllUnregisterServer"}));
}

TEST(NetMgrServer, RegistrationWritesTheTenEntriesOnceAndUnregistrationRemovesThem) {
  Library lib;
  ASSERT_EQ(lib.Register(), S_OK);
  Dump once = DumpClassesRoot();
  ASSERT_EQ(lib.Register(), S_OK);
  EXPECT_EQ(DumpClassesRoot(), once);

  const std::string clsid = "{FB275470-7D98-11D2-9D15-004033A508EE}";
  const std::string description = "VlmNetMgr Component - Velmar Network Manager Prototype";
  const std::string classKey = "CLSID\\" + clsid;
  const std::string path = fs::canonical(kLibrary).string();
  auto sz = [](const std::string& v) { return std::map<std::string, std::pair<DWORD, std::string>>{{"", {REG_SZ, Sz(v)}}}; };
  Dump expected = {
      {"HJD.VlmNetMgr.1", sz(description)},
      {"HJD.VlmNetMgr.1\\CLSID", sz(clsid)},
      {"HJD.VlmNetMgr", sz(description)},
      {"HJD.VlmNetMgr\\CurVer", sz("HJD.VlmNetMgr.1")},
      {"HJD.VlmNetMgr\\CLSID", sz(clsid)},
      {"CLSID", {}},
      {classKey, sz(description)},
      {classKey + "\\ProgID", sz("HJD.VlmNetMgr.1")},
      {classKey + "\\VersionIndependentProgID", sz("HJD.VlmNetMgr")},
      {classKey + "\\NotInsertable", {}},
      {classKey + "\\InprocServer32", sz(path)},
  };
  EXPECT_EQ(once, expected);

  ASSERT_EQ(lib.Unregister(), S_OK);
  Dump left = DumpClassesRoot();
  EXPECT_EQ(left, (Dump{{"CLSID", {}}}));
  EXPECT_EQ(lib.Unregister(), S_OK);  // nothing left to delete is no failure
}

TEST(NetMgrServer, CreationThroughTheRegistry) {
  RegistryRoot();
  ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr)));
  IUnknown* unknown = nullptr;
  EXPECT_EQ(CoCreateInstance(CLSID_VlmNetMgr, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown,
                             reinterpret_cast<void**>(&unknown)),
            REGDB_E_CLASSNOTREG);

  ASSERT_EQ(RunCommand(std::string(kRegsvr) + " -s " + kLibrary), 0);
  ComPtr<IUnknown> byClsid;
  ASSERT_EQ(CoCreateInstance(CLSID_VlmNetMgr, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown,
                             reinterpret_cast<void**>(byClsid.ReleaseAndGetAddressOf())),
            S_OK);
  ComPtr<IVlmNetMgr> manager;
  ASSERT_EQ(byClsid.As(&manager), S_OK);
  std::int32_t count = 5;
  EXPECT_EQ(manager->GetRootInstanceCount(148, &count), netmgr::kErrAddress);  // not connected

  for (const char* progId : {"HJD.VlmNetMgr", "HJD.VlmNetMgr.1"}) {
    CLSID clsid{};
    std::u16string wide(progId, progId + std::strlen(progId));
    ASSERT_EQ(CLSIDFromProgID(wide.c_str(), &clsid), S_OK) << progId;
    EXPECT_EQ(clsid, CLSID_VlmNetMgr);
  }

  ASSERT_EQ(RunCommand(std::string(kRegsvr) + " -u -s " + kLibrary), 0);
  EXPECT_EQ(CoCreateInstance(CLSID_VlmNetMgr, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown,
                             reinterpret_cast<void**>(&unknown)),
            REGDB_E_CLASSNOTREG);
  CoUninitialize();
}

TEST(NetMgrServer, ARegistryTheUserMayNotWriteFailsRegistration) {
  RegistryRoot();
  {
    // Make sure the hive exists, readable by all.
    HKEY key = nullptr;
    DWORD disposition = 0;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CLASSES_ROOT, "Probe", 0, nullptr, 0, KEY_WRITE, nullptr, &key,
                              &disposition),
              ERROR_SUCCESS);
    RegCloseKey(key);
    for (const auto& e : fs::recursive_directory_iterator(RegistryRoot()))
      ::chmod(e.path().c_str(), e.is_directory() ? 0755 : 0644);
  }
  Dump before = DumpClassesRoot();
  pid_t pid = ::fork();
  if (pid == 0) {
    if (::geteuid() == 0) {
      if (::setgid(65534) != 0 || ::setuid(65534) != 0) ::_exit(2);
    } else {
      for (const auto& e : fs::recursive_directory_iterator(RegistryRoot()))
        ::chmod(e.path().c_str(), e.is_directory() ? 0555 : 0444);
      ::chmod(RegistryRoot().c_str(), 0555);
    }
    void* h = dlopen(kLibrary, RTLD_NOW | RTLD_LOCAL);
    if (!h) ::_exit(3);
    auto reg = reinterpret_cast<HRESULT (*)()>(dlsym(h, "DllRegisterServer"));
    ::_exit(reg() == SELFREG_E_CLASS ? 0 : 1);
  }
  int status = 0;
  ::waitpid(pid, &status, 0);
  if (::geteuid() != 0) {
    for (const auto& e : fs::recursive_directory_iterator(RegistryRoot()))
      ::chmod(e.path().c_str(), e.is_directory() ? 0755 : 0644);
    ::chmod(RegistryRoot().c_str(), 0755);
  }
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);
  EXPECT_EQ(DumpClassesRoot(), before);
}

TEST(NetMgrServer, ClassFactoryAndModuleCounts) {
  Library lib;
  ASSERT_EQ(lib.CanUnloadNow(), S_OK);
  void* object = reinterpret_cast<void*>(1);
  EXPECT_EQ(lib.GetClassObject(IID_IDispatch, IID_IClassFactory, &object), CLASS_E_CLASSNOTAVAILABLE);
  EXPECT_EQ(lib.GetClassObject(CLSID_VlmNetMgr, IID_IDispatch, &object), E_NOINTERFACE);
  EXPECT_EQ(object, nullptr);
  EXPECT_EQ(lib.CanUnloadNow(), S_OK);

  ComPtr<IClassFactory> factory;
  ASSERT_EQ(lib.GetClassObject(CLSID_VlmNetMgr, IID_IClassFactory,
                               reinterpret_cast<void**>(factory.ReleaseAndGetAddressOf())),
            S_OK);
  EXPECT_EQ(lib.CanUnloadNow(), S_FALSE);

  // A failed creation leaves the counts as they were.
  EXPECT_EQ(factory->CreateInstance(nullptr, IID_IDispatch, &object), E_NOINTERFACE);
  EXPECT_EQ(object, nullptr);
  EXPECT_EQ(factory->CreateInstance(reinterpret_cast<IUnknown*>(factory.Get()), IID_IVlmNetMgr, &object),
            CLASS_E_NOAGGREGATION);

  ComPtr<IVlmNetMgr> manager;
  ASSERT_EQ(factory->CreateInstance(nullptr, IID_IVlmNetMgr,
                                    reinterpret_cast<void**>(manager.ReleaseAndGetAddressOf())),
            S_OK);
  factory.Reset();
  EXPECT_EQ(lib.CanUnloadNow(), S_FALSE);  // the object is alive
  manager.Reset();
  EXPECT_EQ(lib.CanUnloadNow(), S_OK);

  // LockServer holds the module without objects.
  ASSERT_EQ(lib.GetClassObject(CLSID_VlmNetMgr, IID_IClassFactory,
                               reinterpret_cast<void**>(factory.ReleaseAndGetAddressOf())),
            S_OK);
  factory->LockServer(1);
  factory.Reset();
  EXPECT_EQ(lib.CanUnloadNow(), S_FALSE);
  ASSERT_EQ(lib.GetClassObject(CLSID_VlmNetMgr, IID_IClassFactory,
                               reinterpret_cast<void**>(factory.ReleaseAndGetAddressOf())),
            S_OK);
  factory->LockServer(0);
  factory.Reset();
  EXPECT_EQ(lib.CanUnloadNow(), S_OK);
}

// An outer object that counts what its inner object forwards to it.
class Outer final : public IUnknown {
 public:
  HRESULT QueryInterface(REFIID iid, void** object) override {
    ++queries;
    if (iid == IID_IUnknown) {
      *object = this;
      AddRef();
      return S_OK;
    }
    return inner->QueryInterface(iid, object);
  }
  ULONG AddRef() override { return ++refs; }
  ULONG Release() override { return --refs; }
  IUnknown* inner = nullptr;
  ULONG refs = 1;
  int queries = 0;
};

TEST(NetMgrServer, AnAggregatedObjectForwardsToItsOuterObject) {
  Library lib;
  ComPtr<IClassFactory> factory;
  ASSERT_EQ(lib.GetClassObject(CLSID_VlmNetMgr, IID_IClassFactory,
                               reinterpret_cast<void**>(factory.ReleaseAndGetAddressOf())),
            S_OK);
  Outer outer;
  ASSERT_EQ(factory->CreateInstance(&outer, IID_IUnknown, reinterpret_cast<void**>(&outer.inner)), S_OK);
  IVlmNetMgr* manager = nullptr;
  ASSERT_EQ(outer.inner->QueryInterface(IID_IVlmNetMgr, reinterpret_cast<void**>(&manager)), S_OK);
  // The inner identity's QueryInterface added a reference to the outer object.
  EXPECT_EQ(outer.refs, 2u);
  manager->AddRef();
  EXPECT_EQ(outer.refs, 3u);
  manager->Release();
  void* again = nullptr;
  int queriesBefore = outer.queries;
  EXPECT_EQ(manager->QueryInterface(IID_IUnknown, &again), S_OK);
  EXPECT_EQ(again, &outer);
  EXPECT_EQ(outer.queries, queriesBefore + 1);
  outer.Release();
  manager->Release();
  outer.inner->Release();  // the identity's own reference: destroys the object
  factory.Reset();
  EXPECT_EQ(lib.CanUnloadNow(), S_OK);
}

TEST(NetMgrServer, RegsvrReportsFailures) {
  EXPECT_EQ(RunCommand(std::string(kRegsvr) + " /nonexistent/lib.so 2>/dev/null"), 3);
  EXPECT_EQ(RunCommand(std::string(kRegsvr) + " 2>/dev/null"), 1);
  // A shared object without the entry point.
  EXPECT_EQ(RunCommand(std::string(kRegsvr) + " " + VLM_NO_EXPORTS_SO + " 2>/dev/null"), 4);
}

}  // namespace
}  // namespace vlm
