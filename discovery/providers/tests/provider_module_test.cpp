// The discovery thread, Start and the callback, over a transport whose pass
// the test holds open.
#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "discovery/providers/provider.h"
#include "discovery/providers/tests/discovery_test_support.h"

namespace vlm::discovery {
namespace {

using testing::CallbackLog;
using testing::Eventually;

// The pass of the held transport: counts itself, then waits until the test
// opens the gate or the module stops.
struct Gate {
  std::mutex lock;
  std::condition_variable changed;
  bool open = false;
  int passes = 0;
};
Gate& TheGate() {
  static Gate gate;
  return gate;
}

class HeldFinder : public DeviceFinder {
 public:
  HeldFinder() : DeviceFinder({}) {}
  int Discover(const std::vector<std::string>&, const OptionValues&) override {
    Gate& g = TheGate();
    std::unique_lock<std::mutex> guard(g.lock);
    ++g.passes;
    g.changed.notify_all();
    while (!g.open && !StopRequested()) g.changed.wait_for(guard, std::chrono::milliseconds(5));
    return 1;
  }
  void OnPassEnd() override {}
};

std::unique_ptr<DeviceFinder> MakeHeld() { return std::make_unique<HeldFinder>(); }

TransportTraits HeldTraits() {
  TransportTraits t{};
  t.providerKind = 1;
  t.providersValueName = "HELD";
  t.transportKey = "SOFTWARE\\VLM\\Discovery\\DP\\HELD";
  t.displayName = "Held";
  t.configurationSubkey = "RANGES";
  t.reloadConfigurationEveryPass = true;
  t.initialOptions = {1000, 5, 1, 1, 0};
  t.registeredOptions = t.initialOptions;
  t.loadAccess = KEY_READ;
  t.saveAccess = KEY_WRITE;
  t.makeFinder = &MakeHeld;
  return t;
}

int Passes() {
  std::lock_guard<std::mutex> guard(TheGate().lock);
  return TheGate().passes;
}

void OpenGate() {
  Gate& g = TheGate();
  std::lock_guard<std::mutex> guard(g.lock);
  g.open = true;
  g.changed.notify_all();
}

class ModuleTest : public ::testing::Test {
 protected:
  testing::TempRegistry registry;
  TransportTraits traits = HeldTraits();
};

TEST_F(ModuleTest, StartsDuringAPassGiveExactlyOneMorePassReportedToTheLatestContext) {
  ProviderModule module(traits);
  ASSERT_EQ(module.Init(), 1);
  ASSERT_EQ(module.Start(1, &CallbackLog::Done), 0);
  ASSERT_TRUE(Eventually([] { return Passes() == 1; }));
  module.Start(2, &CallbackLog::Done);
  module.Start(3, &CallbackLog::Done);
  OpenGate();
  ASSERT_TRUE(CallbackLog::Instance().WaitFor(2));
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  auto calls = CallbackLog::Instance().Calls();
  ASSERT_EQ(calls.size(), 2u);
  EXPECT_EQ(calls[0].context, 3);
  EXPECT_EQ(calls[1].context, 3);
  EXPECT_EQ(calls[0].status, 0);
  EXPECT_EQ(Passes(), 2);
}

TEST_F(ModuleTest, StartBeforeInitOnlyStores) {
  OpenGate();
  ProviderModule module(traits);
  std::int32_t count = 77;
  EXPECT_EQ(module.DeviceCountIs(&count), 1);
  EXPECT_EQ(count, 77);
  module.Start(7, &CallbackLog::Done);
  module.Init();
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  EXPECT_EQ(Passes(), 0);
  EXPECT_TRUE(CallbackLog::Instance().Calls().empty());

  module.Start(8, &CallbackLog::Done);
  ASSERT_TRUE(CallbackLog::Instance().WaitFor(1));
  EXPECT_EQ(CallbackLog::Instance().Calls()[0].context, 8);
  EXPECT_EQ(module.DeviceCountIs(&count), 0);
  EXPECT_EQ(count, 0);
}

TEST_F(ModuleTest, WithoutAProviderObjectEveryStartStillEndsInACallback) {
  ProviderModule module(traits, ProviderModule::kNoExitStop, [] { return nullptr; });
  module.Init();
  module.Start(5, &CallbackLog::Done);
  ASSERT_TRUE(CallbackLog::Instance().WaitFor(1));
  std::int32_t count = 9;
  EXPECT_EQ(module.DeviceCountIs(&count), 1);
  char buffer[256];
  std::uint32_t length = 0;
  EXPECT_EQ(module.GetDeviceProperty(0, "DEVICE_ADDRESS", nullptr, sizeof buffer, buffer, &length), 1);
  EXPECT_EQ(Passes(), 0);
}

TEST_F(ModuleTest, WithoutAFinderPassesReportNoDevices) {
  traits.makeFinder = nullptr;
  ProviderModule module(traits);
  module.Init();
  module.Start(5, &CallbackLog::Done);
  ASSERT_TRUE(CallbackLog::Instance().WaitFor(1));
  std::int32_t count = 9;
  EXPECT_EQ(module.DeviceCountIs(&count), 0);
  EXPECT_EQ(count, 0);
  char buffer[256];
  std::uint32_t length = 0;
  EXPECT_EQ(module.GetDeviceProperty(0, "DEVICE_ADDRESS", nullptr, sizeof buffer, buffer, &length), 1);
}

TEST_F(ModuleTest, ShutdownDuringAPassStopsItAndCallsNoCallback) {
  auto module = std::make_unique<ProviderModule>(traits);
  module->Init();
  module->Start(1, &CallbackLog::Done);
  ASSERT_TRUE(Eventually([] { return Passes() == 1; }));
  auto t0 = std::chrono::steady_clock::now();
  module.reset();
  EXPECT_LT(std::chrono::steady_clock::now() - t0, std::chrono::seconds(1));
  EXPECT_TRUE(CallbackLog::Instance().Calls().empty());
}

TEST_F(ModuleTest, ConcurrentStartsAndReadsDuringPasses) {
  OpenGate();
  ProviderModule module(traits);
  module.Init();
  std::atomic<bool> stop{false};
  std::vector<std::thread> callers;
  for (int t = 0; t < 4; ++t) {
    callers.emplace_back([&, t] {
      while (!stop) {
        module.Start(t, &CallbackLog::Done);
        std::int32_t count = 0;
        module.DeviceCountIs(&count);
        ProviderOptions o{};
        module.GetOptions(&o, sizeof o);
        std::this_thread::sleep_for(std::chrono::microseconds(200));
      }
    });
  }
  ASSERT_TRUE(CallbackLog::Instance().WaitFor(5));
  stop = true;
  for (auto& c : callers) c.join();
}

}  // namespace
}  // namespace vlm::discovery
