// The real libXLPNMIF.so: its exports, its registration and the class
// object it serves.
#include <gtest/gtest.h>

#include <dlfcn.h>
#include <sys/stat.h>

#include <cstdio>
#include <filesystem>
#include <map>
#include <set>

#include "mgmt/xlpnmif.h"
#include "platform/com/com.h"
#include "platform/registry/registry.h"
#include "tests/support/exports.h"
#include "tests/support/server_checks.h"
#include "tests/support/temp_folder.h"

namespace vlm {
namespace {

namespace fs = std::filesystem;

const char* const kLibrary = VLM_XLPNMIF_SO;

void UseTemporaryRegistry() {
  static const vlm::testing::TempFolder folder("vlm-xlpnmif-reg");
  static const std::string root = [] {
    std::string dir = folder.path();
    ::setenv("VLM_REGISTRY_ROOT", dir.c_str(), 1);
    registry::ResetForTests();
    return dir;
  }();
}

struct Library {
  Library() {
    UseTemporaryRegistry();
    handle = dlopen(kLibrary, RTLD_NOW | RTLD_LOCAL);
    EXPECT_NE(handle, nullptr) << dlerror();
  }
  template <class F>
  F Get(const char* name) {
    return reinterpret_cast<F>(dlsym(handle, name));
  }
  HRESULT Register() { return Get<DllRegisterServerFn>("DllRegisterServer")(); }
  HRESULT Unregister() { return Get<DllUnregisterServerFn>("DllUnregisterServer")(); }
  HRESULT CanUnloadNow() { return Get<DllCanUnloadNowFn>("DllCanUnloadNow")(); }
  HRESULT GetClassObject(const CLSID& c, const IID& i, void** o) {
    return Get<DllGetClassObjectFn>("DllGetClassObject")(c, i, o);
  }
  void* handle = nullptr;
};

using testing::RegistryDump;

std::map<std::string, std::pair<DWORD, std::string>> Sz(const std::string& text) {
  return {{"", {REG_SZ, text + std::string(1, '\0')}}};
}

TEST(XlpnmifServer, ExportsOnlyTheServerEntryPoints) {
  const std::set<std::string> names = testing::ExportedSymbols(kLibrary);
  EXPECT_EQ(names, (std::set<std::string>{"DllCanUnloadNow", "DllGetClassObject",
                                          "DllRegisterServer", "DllUnregisterServer"}));
}

TEST(XlpnmifServer, RegistrationWritesTheClassAndTheLibraryIdentityAndUnregistrationRemovesThem) {
  Library lib;
  const RegistryDump before = testing::DumpClassesRoot();
  ASSERT_EQ(lib.Register(), S_OK);
  const RegistryDump once = testing::DumpClassesRoot();
  ASSERT_EQ(lib.Register(), S_OK);
  EXPECT_EQ(testing::DumpClassesRoot(), once);

  const std::string clsid = "{C913AE2D-88C4-11D2-9D17-004033A508EE}";
  const std::string libid = "{C913AE20-88C4-11D2-9D17-004033A508EE}";
  const std::string cls = "CLSID\\" + clsid;
  const std::string version = "TypeLib\\" + libid + "\\1.0";
  const std::string path = fs::canonical(kLibrary).string();
  auto sz = Sz;
  RegistryDump expected = {
      {"XLPNMIF.VectorItem.1", sz("VectorItem Class")},
      {"XLPNMIF.VectorItem.1\\CLSID", sz(clsid)},
      {"XLPNMIF.VectorItem", sz("VectorItem Class")},
      {"XLPNMIF.VectorItem\\CLSID", sz(clsid)},
      {"XLPNMIF.VectorItem\\CurVer", sz("XLPNMIF.VectorItem.1")},
      {"CLSID", {}},
      {cls, sz("VectorItem Class")},
      {cls + "\\ProgID", sz("XLPNMIF.VectorItem.1")},
      {cls + "\\VersionIndependentProgID", sz("XLPNMIF.VectorItem")},
      {cls + "\\Programmable", {}},
      {cls + "\\InprocServer32",
       {{"", {REG_SZ, path + std::string(1, '\0')}}, {"ThreadingModel", {REG_SZ, std::string("Apartment\0", 10)}}}},
      {cls + "\\TypeLib", sz(libid)},
      {"TypeLib", {}},
      {"TypeLib\\" + libid, {}},
      {version, sz("XLPNMIF 1.0 Type Library")},
      {version + "\\FLAGS", sz("0")},
      {version + "\\HELPDIR", sz(fs::path(path).parent_path().string())},
      {version + "\\0", {}},
      {version + "\\0\\linux", sz(path)},
  };
  for (const auto& [key, values] : before) expected.emplace(key, values);
  EXPECT_EQ(once, expected);

  // The ProgIDs resolve through the registry.
  CLSID found{};
  EXPECT_EQ(CLSIDFromProgID("XLPNMIF.VectorItem", &found), S_OK);
  EXPECT_EQ(found, CLSID_VectorItem);

  ASSERT_EQ(lib.Unregister(), S_OK);
  RegistryDump after = testing::DumpClassesRoot();
  for (const auto& [key, values] : before) after.erase(key);
  EXPECT_EQ(after, (RegistryDump{{"CLSID", {}}, {"TypeLib", {}}}));
  EXPECT_EQ(lib.Unregister(), S_OK);  // nothing left to remove is no failure
}

TEST(XlpnmifServer, TheClassObjectServesOnlyVectorItemAndCountsItsLocks) {
  Library lib;
  void* object = reinterpret_cast<void*>(1);
  EXPECT_EQ(lib.GetClassObject(IID_IDispatch, IID_IClassFactory, &object), CLASS_E_CLASSNOTAVAILABLE);
  EXPECT_EQ(object, nullptr);
  EXPECT_EQ(lib.GetClassObject(CLSID_VectorItem, IID_IClassFactory, nullptr), E_POINTER);
  EXPECT_EQ(lib.CanUnloadNow(), S_OK);
  IClassFactory* factory = nullptr;
  ASSERT_EQ(lib.GetClassObject(CLSID_VectorItem, IID_IClassFactory, reinterpret_cast<void**>(&factory)),
            S_OK);
  EXPECT_EQ(lib.CanUnloadNow(), S_FALSE);
  factory->LockServer(1);
  factory->Release();
  EXPECT_EQ(lib.CanUnloadNow(), S_FALSE);  // locked
  ASSERT_EQ(lib.GetClassObject(CLSID_VectorItem, IID_IClassFactory, reinterpret_cast<void**>(&factory)),
            S_OK);
  factory->LockServer(0);
  // Aggregation is refused.
  void* item = nullptr;
  EXPECT_EQ(factory->CreateInstance(reinterpret_cast<IUnknown*>(factory), IID_IUnknown, &item),
            CLASS_E_NOAGGREGATION);
  factory->Release();
  EXPECT_EQ(lib.CanUnloadNow(), S_OK);
}

}  // namespace
}  // namespace vlm
