// Helpers of the discovery provider tests: a registry of their own, the
// provider's registry entries, and a log of completion callbacks.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <thread>
#include <filesystem>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include <dlfcn.h>

#include <stdexcept>

#include "discovery/providers/provider_api.h"
#include "platform/registry/registry.h"

namespace vlm::discovery::testing {

inline constexpr const char* kIpStartup = "SOFTWARE\\VLM\\Discovery\\DP\\IP\\Startup";
inline constexpr const char* kIpRanges = "SOFTWARE\\VLM\\Discovery\\DP\\IP\\Discovery Params\\RANGES";

// A registry root for this test process ($VLM_REGISTRY_ROOT), removed at the end.
class TempRegistry {
 public:
  TempRegistry() {
    std::string pattern = (std::filesystem::temp_directory_path() / "vlm-providers-reg-XXXXXX").string();
    if (!::mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp");
    root_ = pattern;
    ::setenv("VLM_REGISTRY_ROOT", root_.c_str(), 1);
    registry::ResetForTests();
  }
  ~TempRegistry() {
    std::error_code ec;
    std::filesystem::remove_all(root_, ec);
  }
  const std::string& root() const { return root_; }

 private:
  std::string root_;
};

inline bool KeyExists(const std::string& path) {
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
  RegCloseKey(key);
  return true;
}

inline HKEY CreateKey(const std::string& path) {
  HKEY key = nullptr;
  EXPECT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                            nullptr),
            ERROR_SUCCESS)
      << path;
  return key;
}

inline void SetDword(const std::string& path, const char* name, DWORD value) {
  HKEY key = CreateKey(path);
  EXPECT_EQ(RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), 4), ERROR_SUCCESS);
  RegCloseKey(key);
}

inline void SetText(const std::string& path, const char* name, const std::string& text) {
  HKEY key = CreateKey(path);
  EXPECT_EQ(RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                           static_cast<DWORD>(text.size() + 1)),
            ERROR_SUCCESS);
  RegCloseKey(key);
}

// The value's type and bytes, or nullopt when it is missing.
inline std::optional<std::pair<DWORD, std::string>> Value(const std::string& path, const char* name) {
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return std::nullopt;
  BYTE data[1024];
  DWORD type = 0, size = sizeof data;
  LONG rc = RegQueryValueExA(key, name, nullptr, &type, data, &size);
  RegCloseKey(key);
  if (rc != ERROR_SUCCESS) return std::nullopt;
  return std::make_pair(type, std::string(reinterpret_cast<char*>(data), size));
}

inline std::optional<DWORD> Dword(const std::string& path, const char* name) {
  auto v = Value(path, name);
  if (!v || v->first != REG_DWORD || v->second.size() != 4) return std::nullopt;
  DWORD d = 0;
  std::memcpy(&d, v->second.data(), 4);
  return d;
}

// The Startup options and ranges of the IP provider.
inline void WriteIpStartup(DWORD timeout, DWORD retries, DWORD installed, DWORD uninstalled) {
  SetDword(kIpStartup, "RefreshInterval", 1000);
  SetDword(kIpStartup, "Timeout", timeout);
  SetDword(kIpStartup, "Retries", retries);
  SetDword(kIpStartup, "DiscoverInstalled", installed);
  SetDword(kIpStartup, "DiscoverUnInstalled", uninstalled);
}

inline void WriteRanges(const std::vector<std::string>& ranges) {
  HKEY key = CreateKey(kIpRanges);
  for (std::size_t i = 0; i < ranges.size(); ++i) {
    std::string name = std::to_string(i);
    RegSetValueExA(key, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(ranges[i].c_str()),
                   static_cast<DWORD>(ranges[i].size() + 1));
  }
  RegCloseKey(key);
}

// Completion callbacks: (context, status, thread) in call order.
class CallbackLog {
 public:
  struct Call {
    std::intptr_t context;
    std::int32_t status;
  };

  static CallbackLog& Instance() {
    static CallbackLog log;
    return log;
  }
  static std::int32_t Done(std::intptr_t context, std::int32_t status) {
    CallbackLog& log = Instance();
    std::lock_guard<std::mutex> guard(log.lock_);
    log.calls_.push_back({context, status});
    log.changed_.notify_all();
    return 0;
  }

  // Waits until at least `count` calls were made; false on time-out.
  bool WaitFor(std::size_t count, std::chrono::milliseconds limit = std::chrono::seconds(20)) {
    std::unique_lock<std::mutex> guard(lock_);
    return changed_.wait_for(guard, limit, [&] { return calls_.size() >= count; });
  }
  std::vector<Call> Calls() {
    std::lock_guard<std::mutex> guard(lock_);
    return calls_;
  }

 private:
  std::mutex lock_;
  std::condition_variable changed_;
  std::vector<Call> calls_;
};

// Waits until `predicate` holds; false on time-out.
template <class Predicate>
bool Eventually(Predicate predicate, std::chrono::milliseconds limit = std::chrono::seconds(20)) {
  auto deadline = std::chrono::steady_clock::now() + limit;
  while (!predicate()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return true;
}

// A provider library loaded with dlopen and its nine exports.
struct ProviderLibrary {
  explicit ProviderLibrary(const char* path) {
    handle = dlopen(path, RTLD_NOW | RTLD_LOCAL);
    if (!handle) throw std::runtime_error(dlerror());
    Init = Get<ProviderInitFn>("Init");
    Start = Get<ProviderStartFn>("Start");
    Stop = Get<ProviderStopFn>("Stop");
    GetOptions = Get<ProviderGetOptionsFn>("GetOptions");
    SetOptions = Get<ProviderSetOptionsFn>("SetOptions");
    DeviceCountIs = Get<ProviderDeviceCountIsFn>("DeviceCountIs");
    GetDeviceProperty = Get<ProviderGetDevicePropertyFn>("GetDeviceProperty");
    Register = Get<ProviderRegisterFn>("DllRegisterServer");
    Unregister = Get<ProviderRegisterFn>("DllUnregisterServer");
  }
  template <class F>
  F Get(const char* name) {
    auto f = reinterpret_cast<F>(dlsym(handle, name));
    if (!f) throw std::runtime_error(std::string("no export ") + name);
    return f;
  }
  void* handle = nullptr;
  ProviderInitFn Init;
  ProviderStartFn Start;
  ProviderStopFn Stop;
  ProviderGetOptionsFn GetOptions;
  ProviderSetOptionsFn SetOptions;
  ProviderDeviceCountIsFn DeviceCountIs;
  ProviderGetDevicePropertyFn GetDeviceProperty;
  ProviderRegisterFn Register;
  ProviderRegisterFn Unregister;
};

// The threads of this process.
inline int ThreadCount() {
  int n = 0;
  for (const auto& entry : std::filesystem::directory_iterator("/proc/self/task")) {
    (void)entry;
    ++n;
  }
  return n;
}

// The names a provider library exports, and no more.
inline const std::set<std::string>& ProviderExportNames() {
  static const std::set<std::string> names = {"Init",          "Start",
                                              "Stop",          "GetOptions",
                                              "SetOptions",    "DeviceCountIs",
                                              "GetDeviceProperty", "DllRegisterServer",
                                              "DllUnregisterServer"};
  return names;
}

}  // namespace vlm::discovery::testing
