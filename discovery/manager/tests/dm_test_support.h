// The manager's test fixture: a temporary registry, a discovery context of
// the test's own, the fake provider libraries, and a callback recorder.
#pragma once

#include <dlfcn.h>
#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "discovery/manager/core.h"
#include "discovery/manager/tests/fake_provider.h"
#include "platform/com/com.h"
#include "platform/registry/tests/registry_fixture.h"

namespace vlm::discovery::testing {

inline constexpr const char* kFakeA = VLM_FAKE_A;
inline constexpr const char* kFakeB = VLM_FAKE_B;
inline constexpr const char* kFakeC = VLM_FAKE_C;
inline constexpr const char* kFakeNoStart = VLM_FAKE_NOSTART;
inline constexpr const char* kFakePartial = VLM_FAKE_PARTIAL;
inline constexpr const char* kFakeBare = VLM_FAKE_BARE;
inline constexpr const char* kFakeUnloadable = VLM_FAKE_UNLOADABLE;

struct ManagerDeleter {
  void operator()(DiscoveryManager* m) const { FreeDiscoveryManager(m); }
};
using ManagerPtr = std::unique_ptr<DiscoveryManager, ManagerDeleter>;

// Records completion callbacks; its address is the user data.
struct Recorder {
  struct Call {
    std::int32_t cookie;
    std::intptr_t userData;
    std::thread::id thread;
  };

  static void Callback(std::int32_t cookie, std::intptr_t userData) {
    auto* self = reinterpret_cast<Recorder*>(userData);
    if (self->onCall) self->onCall(cookie);
    // The last touch of the recorder: a waiter may destroy it once the
    // lock is left.
    std::lock_guard l(self->m);
    self->calls.push_back({cookie, userData, std::this_thread::get_id()});
    self->cv.notify_all();
  }

  std::intptr_t userData() { return reinterpret_cast<std::intptr_t>(this); }

  bool WaitCalls(std::size_t n, int ms = 5000) {
    std::unique_lock l(m);
    return cv.wait_for(l, std::chrono::milliseconds(ms), [&] { return calls.size() >= n; });
  }
  std::size_t Count() {
    std::lock_guard l(m);
    return calls.size();
  }
  std::vector<Call> Calls() {
    std::lock_guard l(m);
    return calls;
  }

  std::mutex m;
  std::condition_variable cv;
  std::vector<Call> calls;
  std::function<void(std::int32_t)> onCall;
};

class DmTest : public vlm::testing::RegistryTest {
 public:
  void SetUp() override {
    RegistryTest::SetUp();
    context_ = std::make_unique<DiscoveryContext>();
  }

  void TearDown() override {
    for (auto& [path, fake] : fakes_) {
      fake.control->HoldPasses(false);
      EXPECT_TRUE(fake.control->WaitIdle(10000)) << path;
    }
    context_.reset();
    for (auto& [path, fake] : fakes_) ::dlclose(fake.handle);
    fakes_.clear();
    RegistryTest::TearDown();
  }

  // A value `valueName` under the providers key naming the key
  // "SOFTWARE\VLM\Test\<valueName>", which gets the given Name and Path
  // (absent ones are not written) and Version "1.0".
  void AddProvider(const std::string& valueName, const std::optional<std::string>& name,
                   const std::optional<std::string>& path) {
    const std::string keyPath = "SOFTWARE\\VLM\\Test\\" + valueName;
    HKEY list = Create(kProvidersKey);
    SetText(list, valueName.c_str(), keyPath);
    RegCloseKey(list);
    HKEY key = Create(keyPath);
    if (name) SetText(key, "Name", *name);
    if (path) SetText(key, "Path", *path);
    SetText(key, "Version", "1.0");
    RegCloseKey(key);
  }

  // The fake at `path`, loaded by the test too (so its state outlives the
  // context) and reset.
  FakeProviderControl* Fake(const char* path) {
    auto it = fakes_.find(path);
    if (it != fakes_.end()) return it->second.control;
    void* handle = ::dlopen(path, RTLD_NOW | RTLD_LOCAL);
    EXPECT_NE(handle, nullptr) << ::dlerror();
    if (!handle) return nullptr;
    auto control = reinterpret_cast<FakeProviderControlFn>(::dlsym(handle, "VlmFakeProviderControl"));
    EXPECT_NE(control, nullptr);
    FakeProviderControl* c = control();
    c->Reset();
    fakes_[path] = {handle, c};
    return c;
  }

  // Registers a fake under valueName with Name "<valueName> provider".
  FakeProviderControl* AddFake(const std::string& valueName, const char* path) {
    FakeProviderControl* c = Fake(path);
    AddProvider(valueName, valueName + " provider", std::string(path));
    return c;
  }

  // Writes a value of any type under HKLM\path (the key is created).
  static void PutValue(const std::string& path, const char* name, DWORD type,
                       const std::string& bytes) {
    HKEY key = Create(path);
    SetBytes(key, name, type, bytes);
    RegCloseKey(key);
  }
  static std::string Sz(const std::string& text) { return text + std::string(1, '\0'); }

  static ManagerPtr NewManager() { return ManagerPtr(NewDiscoveryManager()); }

  struct Loaded {
    void* handle;
    FakeProviderControl* control;
  };
  std::unique_ptr<DiscoveryContext> context_;
  std::map<std::string, Loaded> fakes_;
};

}  // namespace vlm::discovery::testing
