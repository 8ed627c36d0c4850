// A steerable discovery provider for the manager's tests. The build makes
// several libraries from this file; VLM_FAKE_OMIT_<EXPORT> leaves that
// provider export out of a library.
#include "discovery/manager/tests/fake_provider.h"

#include <chrono>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#define FAKE_SHOWN __attribute__((visibility("default")))
#define FAKE_HIDDEN __attribute__((visibility("hidden")))

#ifdef VLM_FAKE_OMIT_INIT
#define FAKE_INIT_VIS FAKE_HIDDEN
#else
#define FAKE_INIT_VIS FAKE_SHOWN
#endif
#ifdef VLM_FAKE_OMIT_START
#define FAKE_START_VIS FAKE_HIDDEN
#else
#define FAKE_START_VIS FAKE_SHOWN
#endif
#ifdef VLM_FAKE_OMIT_STOP
#define FAKE_STOP_VIS FAKE_HIDDEN
#else
#define FAKE_STOP_VIS FAKE_SHOWN
#endif
#ifdef VLM_FAKE_OMIT_GETOPTIONS
#define FAKE_GETOPTIONS_VIS FAKE_HIDDEN
#else
#define FAKE_GETOPTIONS_VIS FAKE_SHOWN
#endif
#ifdef VLM_FAKE_OMIT_SETOPTIONS
#define FAKE_SETOPTIONS_VIS FAKE_HIDDEN
#else
#define FAKE_SETOPTIONS_VIS FAKE_SHOWN
#endif
#ifdef VLM_FAKE_OMIT_DEVICECOUNTIS
#define FAKE_DEVICECOUNTIS_VIS FAKE_HIDDEN
#else
#define FAKE_DEVICECOUNTIS_VIS FAKE_SHOWN
#endif
#ifdef VLM_FAKE_OMIT_GETDEVICEPROPERTY
#define FAKE_GETDEVICEPROPERTY_VIS FAKE_HIDDEN
#else
#define FAKE_GETDEVICEPROPERTY_VIS FAKE_SHOWN
#endif

namespace vlm::discovery::testing {
namespace {

ProviderOptions DefaultOptions() { return {kProviderIp, 28, 0, 1, 1000, 1, 0}; }

class Fake final : public FakeProviderControl {
 public:
  ~Fake() {
    {
      std::lock_guard l(m_);
      quit_ = true;
    }
    cv_.notify_all();
    if (thread_.joinable()) thread_.join();
    if (observer_) observer_(observerUser_, !thread_.joinable());
  }

  void Reset() override {
    std::lock_guard l(m_);
    devices_ = 0;
    tag_.clear();
    options_ = DefaultOptions();
    fullRefresh_ = false;
    getResult_ = setResult_ = 0;
    writeNothing_ = false;
    lastSet_ = {};
    getSizes_.clear();
    setCalls_ = initCalls_ = startCalls_ = reported_ = begun_ = 0;
    context_ = 0;
    done_ = nullptr;
    hold_ = false;
    lastReserved_ = nullptr;
    lastBufferSize_ = 0;
    cv_.notify_all();
  }

  void SetDevices(std::int32_t count, const char* tag) override {
    std::lock_guard l(m_);
    devices_ = count;
    tag_ = tag ? tag : "";
  }
  void SetOptionsRecord(const ProviderOptions& record, bool fullRefreshField) override {
    std::lock_guard l(m_);
    options_ = record;
    fullRefresh_ = fullRefreshField;
  }
  void SetOptionsResults(std::int32_t getResult, std::int32_t setResult,
                         bool writeNothing) override {
    std::lock_guard l(m_);
    getResult_ = getResult;
    setResult_ = setResult;
    writeNothing_ = writeNothing;
  }
  ProviderOptions LastSetOptions() override {
    std::lock_guard l(m_);
    return lastSet_;
  }
  int GetOptionsCalls() override {
    std::lock_guard l(m_);
    return static_cast<int>(getSizes_.size());
  }
  int SetOptionsCalls() override {
    std::lock_guard l(m_);
    return setCalls_;
  }
  std::uint32_t GetOptionsSize(int n) override {
    std::lock_guard l(m_);
    return n >= 0 && n < static_cast<int>(getSizes_.size()) ? getSizes_[n] : 0;
  }
  int InitCalls() override {
    std::lock_guard l(m_);
    return initCalls_;
  }
  int StartCalls() override {
    std::lock_guard l(m_);
    return startCalls_;
  }
  std::intptr_t LastContext() override {
    std::lock_guard l(m_);
    return context_;
  }
  DiscoveryDoneCallback LastDone() override {
    std::lock_guard l(m_);
    return done_;
  }
  void HoldPasses(bool hold) override {
    {
      std::lock_guard l(m_);
      hold_ = hold;
    }
    cv_.notify_all();
  }
  bool WaitPassesBegun(int n, int ms) override {
    std::unique_lock l(m_);
    return cv_.wait_for(l, std::chrono::milliseconds(ms), [&] { return begun_ >= n; });
  }
  bool WaitIdle(int ms) override {
    std::unique_lock l(m_);
    return cv_.wait_for(l, std::chrono::milliseconds(ms), [&] { return !signalled_ && !inPass_; });
  }
  int PassesReported() override {
    std::lock_guard l(m_);
    return reported_;
  }
  void* LastReserved() override {
    std::lock_guard l(m_);
    return lastReserved_;
  }
  std::uint32_t LastBufferSize() override {
    std::lock_guard l(m_);
    return lastBufferSize_;
  }
  void SetUnloadObserver(void (*observer)(void*, bool), void* user) override {
    std::lock_guard l(m_);
    observer_ = observer;
    observerUser_ = user;
  }

  // The provider exports.
  std::int32_t Init() {
    std::lock_guard l(m_);
    ++initCalls_;
    if (!thread_.joinable()) thread_ = std::thread([this] { Run(); });
    return 1;
  }
  std::int32_t Start(std::intptr_t context, DiscoveryDoneCallback done) {
    {
      std::lock_guard l(m_);
      ++startCalls_;
      context_ = context;
      done_ = done;
      signalled_ = true;
    }
    cv_.notify_all();
    return 0;
  }
  std::int32_t GetOptions(void* record, std::uint32_t size) {
    std::lock_guard l(m_);
    getSizes_.push_back(size);
    if (size < sizeof(ProviderOptions)) return 1;
    if (getResult_ != 0) return getResult_;
    if (writeNothing_) return 0;
    ProviderOptions out = options_;
    if (!fullRefresh_) {
      std::int32_t held;
      std::memcpy(&held, static_cast<char*>(record) + 16, sizeof held);
      out.refreshInterval = static_cast<std::int32_t>((static_cast<std::uint32_t>(held) & 0xFFFF0000u) |
                                                      (static_cast<std::uint32_t>(options_.refreshInterval) & 0xFFFFu));
    }
    std::memcpy(record, &out, sizeof out);
    if (options_.extraSize > 0 && size >= sizeof out + static_cast<std::uint32_t>(options_.extraSize)) {
      std::memset(static_cast<char*>(record) + sizeof out, 0x5A, static_cast<std::size_t>(options_.extraSize));
    }
    return 0;
  }
  std::int32_t SetOptions(const void* record) {
    std::lock_guard l(m_);
    ++setCalls_;
    std::memcpy(&lastSet_, record, sizeof lastSet_);
    options_.refreshInterval = static_cast<std::int32_t>(
        (static_cast<std::uint32_t>(options_.refreshInterval) & 0xFFFF0000u) |
        (static_cast<std::uint32_t>(lastSet_.refreshInterval) & 0xFFFFu));
    options_.discoverInstalled = lastSet_.discoverInstalled & 0xFFFF;
    options_.discoverUnInstalled = lastSet_.discoverUnInstalled & 0xFFFF;
    return setResult_;
  }
  std::int32_t DeviceCountIs(std::int32_t* count) {
    std::lock_guard l(m_);
    if (!count) return 1;
    *count = devices_;
    return 0;
  }
  std::int32_t GetDeviceProperty(std::uint32_t index, const char* name, void* reserved,
                                 std::uint32_t bufferSize, void* buffer, std::uint32_t* length) {
    std::lock_guard l(m_);
    lastReserved_ = reserved;
    lastBufferSize_ = bufferSize;
    if (devices_ < 0 || index >= static_cast<std::uint32_t>(devices_) || !name) return 1;
    if (std::strcmp(name, "DEVICE_ADDRESS") == 0) {
      std::string text = tag_ + ":" + std::to_string(index);
      if (bufferSize <= text.size()) return 1;
      std::memcpy(buffer, text.c_str(), text.size() + 1);
      *length = static_cast<std::uint32_t>(text.size());
      return 0;
    }
    if (std::strcmp(name, "FAKE_INDEX") == 0) {
      if (bufferSize < 4) return 1;
      std::int32_t value = static_cast<std::int32_t>(index);
      std::memcpy(buffer, &value, sizeof value);
      *length = 4;
      return 0;
    }
    return 1;
  }

 private:
  void Run() {
    std::unique_lock l(m_);
    for (;;) {
      cv_.wait(l, [&] { return quit_ || signalled_; });
      if (!signalled_) return;
      signalled_ = false;
      inPass_ = true;
      ++begun_;
      cv_.notify_all();
      cv_.wait(l, [&] { return quit_ || !hold_; });
      std::intptr_t context = context_;
      DiscoveryDoneCallback done = done_;
      l.unlock();
      if (done) done(context, 0);
      l.lock();
      ++reported_;
      inPass_ = false;
      cv_.notify_all();
      if (quit_) return;
    }
  }

  std::mutex m_;
  std::condition_variable cv_;
  std::thread thread_;
  bool quit_ = false, signalled_ = false, inPass_ = false, hold_ = false;
  int begun_ = 0, reported_ = 0, initCalls_ = 0, startCalls_ = 0, setCalls_ = 0;
  std::intptr_t context_ = 0;
  DiscoveryDoneCallback done_ = nullptr;
  std::int32_t devices_ = 0;
  std::string tag_;
  ProviderOptions options_ = DefaultOptions();
  bool fullRefresh_ = false, writeNothing_ = false;
  std::int32_t getResult_ = 0, setResult_ = 0;
  ProviderOptions lastSet_{};
  std::vector<std::uint32_t> getSizes_;
  void* lastReserved_ = nullptr;
  std::uint32_t lastBufferSize_ = 0;
  void (*observer_)(void*, bool) = nullptr;
  void* observerUser_ = nullptr;
};

Fake g_fake;

}  // namespace
}  // namespace vlm::discovery::testing

using vlm::discovery::DiscoveryDoneCallback;
using vlm::discovery::testing::g_fake;

extern "C" {

FAKE_SHOWN vlm::discovery::testing::FakeProviderControl* VlmFakeProviderControl() {
  return &g_fake;
}

FAKE_INIT_VIS std::int32_t Init() { return g_fake.Init(); }
FAKE_START_VIS std::int32_t Start(std::intptr_t context, DiscoveryDoneCallback done) {
  return g_fake.Start(context, done);
}
FAKE_STOP_VIS std::int32_t Stop() { return 1; }
FAKE_GETOPTIONS_VIS std::int32_t GetOptions(void* record, std::uint32_t size) {
  return g_fake.GetOptions(record, size);
}
FAKE_SETOPTIONS_VIS std::int32_t SetOptions(const void* record) { return g_fake.SetOptions(record); }
FAKE_DEVICECOUNTIS_VIS std::int32_t DeviceCountIs(std::int32_t* count) {
  return g_fake.DeviceCountIs(count);
}
FAKE_GETDEVICEPROPERTY_VIS std::int32_t GetDeviceProperty(std::uint32_t index, const char* name,
                                                          void* reserved, std::uint32_t bufferSize,
                                                          void* buffer, std::uint32_t* length) {
  return g_fake.GetDeviceProperty(index, name, reserved, bufferSize, buffer, length);
}

}  // extern "C"
