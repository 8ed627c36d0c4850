// The end-to-end tests' fixture: a temporary registry, the providers and the
// manager registered by their own registration (through regsvr, as the
// installation does), the manager loaded with dlopen, and the management
// interface's run: start, wait for the callback, remove it.
#pragma once

#include <dlfcn.h>
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <optional>
#include <string>

#include "discovery/manager/vlmdm.h"
#include "platform/com/com.h"
#include "platform/registry/registry.h"
#include "platform/sync/sync.h"
#include "tests/support/loopback.h"
#include "tests/support/temp_folder.h"

namespace vlm::discovery::testing {

inline int RunCommand(const std::string& command) {
  int status = std::system(command.c_str());
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// The completion callback of the management interface: it sets the event
// whose handle is its user data.
inline void SignalEvent(std::int32_t, std::intptr_t userData) { SetEvent(reinterpret_cast<HANDLE>(userData)); }

class EndToEndTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = vlm::testing::TempRoot() + "/vlm-dm-e2e-XXXXXX";
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    root_ = pattern;
    ::setenv("VLM_REGISTRY_ROOT", root_.c_str(), 1);
    // No scheduler: the providers' CUPS spooler lists no printer.
    ::setenv("CUPS_SERVER", (root_ + "/no-cupsd.sock").c_str(), 1);
    registry::ResetForTests();
    vlm::testing::AgentPort();
  }
  void TearDown() override {
    if (manager_) release_(manager_);
    if (library_) ::dlclose(library_);
    std::error_code ec;
    std::filesystem::remove_all(root_, ec);
  }

  // Registers a library with regsvr.
  static void Register(const char* library) {
    ASSERT_EQ(RunCommand(std::string(VLM_REGSVR) + " -s " + library), 0) << library;
  }

  // A REG_SZ value under HKLM, as the options dialog writes one.
  static void WriteText(const std::string& path, const char* name, const std::string& text) {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                              nullptr),
              ERROR_SUCCESS);
    EXPECT_EQ(RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                             static_cast<DWORD>(text.size() + 1)),
              ERROR_SUCCESS);
    RegCloseKey(key);
  }

  // Loads libVLMDM.so and makes a manager object (freed by TearDown).
  DiscoveryManager* Manager() {
    library_ = ::dlopen(VLM_VLMDM_SO, RTLD_NOW | RTLD_LOCAL);
    EXPECT_NE(library_, nullptr) << ::dlerror();
    if (!library_) return nullptr;
    auto make = reinterpret_cast<MakeDiscoveryManagerObjectFn>(::dlsym(library_, "MakeDiscoveryManagerObject"));
    release_ = reinterpret_cast<FreeDiscoveryManagerObjectFn>(::dlsym(library_, "FreeDiscoveryManagerObject"));
    EXPECT_TRUE(make && release_);
    if (!make || !release_) return nullptr;
    manager_ = make();
    return manager_;
  }

  // Start, wait for the callback, remove it: the client's run.
  static void RunDiscovery(DiscoveryManager* m) {
    HANDLE done = CreateEventA(nullptr, 0, 0, nullptr);
    ASSERT_NE(done, nullptr);
    std::int32_t cookie = 0;
    ASSERT_EQ(m->StartDiscovery(&cookie, reinterpret_cast<std::intptr_t>(done), &SignalEvent), S_OK);
    EXPECT_NE(cookie, 0);
    EXPECT_EQ(WaitForSingleObject(done, 60000), WAIT_OBJECT_0);
    EXPECT_EQ(m->RemoveDiscoveryCallback(cookie), S_OK);
    CloseHandle(done);
  }

  static std::optional<std::string> Text(DiscoveryManager* m, std::uint32_t device, const char* name) {
    char buffer[256];
    std::memset(buffer, 0, sizeof buffer);
    std::uint32_t length = 0;
    if (m->QueryDeviceProperty(0, device, name, nullptr, sizeof buffer, buffer, &length) != S_OK) {
      return std::nullopt;
    }
    return std::string(buffer, length);
  }
  static std::optional<std::int32_t> Int(DiscoveryManager* m, std::uint32_t device, const char* name) {
    std::int32_t value = 0;
    std::uint32_t length = 0;
    if (m->QueryDeviceProperty(0, device, name, nullptr, sizeof value, &value, &length) != S_OK) {
      return std::nullopt;
    }
    return value;
  }

  std::string root_;
  void* library_ = nullptr;
  DiscoveryManager* manager_ = nullptr;
  FreeDiscoveryManagerObjectFn release_ = nullptr;
};

}  // namespace vlm::discovery::testing
