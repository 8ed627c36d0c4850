// The real libVLMDM.so, loaded with dlopen: its exports, its version, its
// registration, and unloading it while a provider's pass is held open.
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>

#include "discovery/manager/tests/fake_provider.h"
#include "discovery/manager/tests/dm_test_support.h"
#include "tests/support/exports.h"
#include "tests/support/temp_folder.h"

namespace vlm::discovery::testing {
namespace {

namespace fs = std::filesystem;

const char* const kLibrary = VLM_VLMDM_SO;

// One temporary registry for the test process: the library's own copy of
// the registry layer reads the root once.
const std::string& RegistryRoot() {
  static const vlm::testing::TempFolder folder("vlm-dm-lib");
  static const std::string root = [] {
    ::setenv("VLM_REGISTRY_ROOT", folder.path().c_str(), 1);
    registry::ResetForTests();
    return folder.path();
  }();
  return root;
}

std::map<std::string, std::string> RegistryFiles() {
  std::map<std::string, std::string> files;
  for (const auto& entry : fs::directory_iterator(RegistryRoot())) {
    std::ifstream in(entry.path(), std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    files[entry.path().filename().string()] = text.str();
  }
  return files;
}

void RegisterFake(const std::string& valueName, const char* path) {
  const std::string keyPath = "SOFTWARE\\VLM\\Test\\" + valueName;
  DmTest::PutValue(kProvidersKey, valueName.c_str(), REG_SZ, DmTest::Sz(keyPath));
  DmTest::PutValue(keyPath, "Name", REG_SZ, DmTest::Sz(valueName + " provider"));
  DmTest::PutValue(keyPath, "Path", REG_SZ, DmTest::Sz(path));
}

class Library {
 public:
  Library() {
    RegistryRoot();
    handle_ = ::dlopen(kLibrary, RTLD_NOW | RTLD_LOCAL);
    EXPECT_NE(handle_, nullptr) << ::dlerror();
  }
  ~Library() { Close(); }
  void Close() {
    if (handle_) ::dlclose(handle_);
    handle_ = nullptr;
  }
  template <class F>
  F Get(const char* name) {
    auto f = reinterpret_cast<F>(::dlsym(handle_, name));
    EXPECT_NE(f, nullptr) << name;
    return f;
  }
  DiscoveryManager* Make() { return Get<MakeDiscoveryManagerObjectFn>("MakeDiscoveryManagerObject")(); }
  void Free(DiscoveryManager* m) { Get<FreeDiscoveryManagerObjectFn>("FreeDiscoveryManagerObject")(m); }

 private:
  void* handle_ = nullptr;
};

TEST(VlmdmLibrary, ExportsExactlyItsEntryPoints) {
  std::set<std::string> names = vlm::testing::ExportedSymbols(kLibrary);
  EXPECT_EQ(names, (std::set<std::string>{"DllGetVersion", "DllInstall", "DllRegisterServer",
                                          "DllUnregisterServer", "FreeDiscoveryManagerObject",
                                          "MakeDiscoveryManagerObject"}));
}

TEST(VlmdmLibrary, VersionIsTheProjectVersion) {
  Library lib;
  auto getVersion = lib.Get<DllGetVersionFn>("DllGetVersion");
  DLLVERSIONINFO info{};
  info.cbSize = sizeof info;
  ASSERT_EQ(getVersion(&info), S_OK);
  EXPECT_EQ(info.dwMajorVersion, static_cast<std::uint32_t>(VLM_TEST_VERSION_MAJOR));
  EXPECT_EQ(info.dwMinorVersion, static_cast<std::uint32_t>(VLM_TEST_VERSION_MINOR));
  EXPECT_EQ(info.dwBuildNumber, static_cast<std::uint32_t>(VLM_TEST_VERSION_PATCH) << 16);
  EXPECT_EQ(info.dwPlatformID, DLLVER_PLATFORM_WINDOWS);

  DLLVERSIONINFO small{19, 7, 7, 7, 7};
  EXPECT_EQ(getVersion(&small), E_INVALIDARG);
  EXPECT_EQ(small.dwMajorVersion, 7u);
  EXPECT_EQ(getVersion(nullptr), E_INVALIDARG);
}

TEST(VlmdmLibrary, RegistrationAndInstallationChangeNothing) {
  Library lib;
  // Something in the registry to compare.
  DmTest::PutValue("SOFTWARE\\VLM\\Test\\Marker", "V", REG_SZ, DmTest::Sz("kept"));
  const auto before = RegistryFiles();
  EXPECT_EQ(lib.Get<DllRegisterServerFn>("DllRegisterServer")(), S_OK);
  EXPECT_EQ(lib.Get<DllUnregisterServerFn>("DllUnregisterServer")(), S_OK);
  EXPECT_EQ(lib.Get<DllInstallFn>("DllInstall")(1, u"all"), S_OK);
  EXPECT_EQ(lib.Get<DllInstallFn>("DllInstall")(0, nullptr), S_OK);
  EXPECT_EQ(RegistryFiles(), before);
}

TEST(VlmdmLibrary, MakesInitialisedManagersAndFreesOnlyItsOwn) {
  RegistryRoot();
  RegisterFake("A", kFakeA);
  Library lib;
  DiscoveryManager* m = lib.Make();
  ASSERT_NE(m, nullptr);
  EXPECT_EQ(m->GetProviderCount(), 1);
  std::uint8_t names[32] = {};
  std::uint32_t needed = 0;
  EXPECT_EQ(m->GetProviderNames(sizeof names, names, &needed), S_OK);
  EXPECT_STREQ(reinterpret_cast<char*>(names), "A provider");
  Recorder r;
  std::int32_t cookie = 0;
  ASSERT_EQ(m->StartDiscovery(&cookie, r.userData(), &Recorder::Callback), S_OK);
  ASSERT_TRUE(r.WaitCalls(1));
  EXPECT_EQ(m->RemoveDiscoveryCallback(cookie), S_OK);
  std::int32_t count = -1;
  EXPECT_EQ(m->GetTotalDeviceCount(&count), S_OK);
  EXPECT_EQ(count, 0);

  lib.Free(nullptr);
  ProviderSettings notAManager{};
  lib.Free(reinterpret_cast<DiscoveryManager*>(&notAManager));
  lib.Free(m);
  lib.Free(m);
}

FakeProviderControl* LoadedFake(const char* path) {
  void* own = ::dlopen(path, RTLD_NOW | RTLD_NOLOAD);
  EXPECT_NE(own, nullptr);
  if (!own) return nullptr;
  auto* fake = reinterpret_cast<FakeProviderControlFn>(::dlsym(own, "VlmFakeProviderControl"))();
  ::dlclose(own);  // the provider stays loaded by the manager alone
  return fake;
}

TEST(VlmdmLibrary, ClosingTheLibraryDuringARunLeavesItLoaded) {
  RegistryRoot();
  RegisterFake("A", kFakeA);
  Library lib;
  DiscoveryManager* m = lib.Make();
  ASSERT_NE(m, nullptr);
  FakeProviderControl* fake = LoadedFake(kFakeA);
  ASSERT_NE(fake, nullptr);
  fake->HoldPasses(true);
  Recorder r;
  std::int32_t cookie = 0;
  ASSERT_EQ(m->StartDiscovery(&cookie, r.userData(), &Recorder::Callback), S_OK);
  ASSERT_TRUE(fake->WaitPassesBegun(1, 5000));
  lib.Close();
  // Still loaded: the provider's pending completion has somewhere to go.
  void* again = ::dlopen(kLibrary, RTLD_NOW | RTLD_NOLOAD);
  ASSERT_NE(again, nullptr);
  ::dlclose(again);
  fake->HoldPasses(false);
  ASSERT_TRUE(r.WaitCalls(1));
  EXPECT_EQ(m->RemoveDiscoveryCallback(cookie), S_OK);
  Library reopened;
  reopened.Free(m);
}

void ReportUnload(void*, bool threadEnded) {
  std::fprintf(stderr, "provider thread %s\n", threadEnded ? "ended" : "still running");
}

// The process ends while a provider's pass is held open: the provider ends
// its thread, whose last completion reaches a manager that is still there.
TEST(VlmdmLibraryDeathTest, ExitDuringAHeldPassEndsTheProviderThreadCleanly) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  RegistryRoot();
  RegisterFake("A", kFakeA);
  EXPECT_EXIT(
      {
        Library lib;
        DiscoveryManager* m = lib.Make();
        FakeProviderControl* fake = LoadedFake(kFakeA);
        if (!m || !fake) std::_Exit(3);
        fake->SetUnloadObserver(&ReportUnload, nullptr);
        fake->HoldPasses(true);
        static Recorder r;
        std::int32_t cookie = 0;
        if (m->StartDiscovery(&cookie, r.userData(), &Recorder::Callback) != S_OK) std::_Exit(4);
        if (!fake->WaitPassesBegun(1, 5000)) std::_Exit(5);
        lib.Free(m);
        std::exit(0);
      },
      ::testing::ExitedWithCode(0), "provider thread ended");
}

}  // namespace
}  // namespace vlm::discovery::testing
