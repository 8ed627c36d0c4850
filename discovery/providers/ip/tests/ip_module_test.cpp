// The SeekIP provider's module (what its exports do) over the in-process
// network: ranges read before every pass, devices through the exports'
// calls, and a stop in the middle of a scan.
#include <gtest/gtest.h>

#include <cstring>

#include "discovery/providers/ip/resolver.h"
#include "discovery/providers/ip/seekip.h"
#include "discovery/providers/tests/discovery_test_support.h"
#include "discovery/providers/tests/fake_network.h"
#include "platform/spooler/spooler.h"

namespace vlm::discovery {
namespace {

using testing::CallbackLog;
using testing::Eventually;
using testing::FakeNetwork;
using testing::kIpRanges;

class SeekIpModuleTest : public ::testing::Test {
 protected:
  void SetUp() override {
    spooler::SetBackend(std::make_shared<spooler::MemorySpooler>());
    SetResolverForTests([](const std::string&) { return std::nullopt; });
  }
  void TearDown() override {
    module.Shutdown();
    spooler::SetBackend(nullptr);
    SetResolverForTests(nullptr);
  }

  // One pass through Start; the addresses it asked.
  std::vector<std::string> Pass() {
    net.ClearAsked();
    std::size_t before = CallbackLog::Instance().Calls().size();
    module.Start(static_cast<std::intptr_t>(before), &CallbackLog::Done);
    EXPECT_TRUE(CallbackLog::Instance().WaitFor(before + 1));
    return net.Asked();
  }

  testing::TempRegistry registry;
  FakeNetwork net;
  ProviderModule module{kSeekIpTraits};
};

TEST_F(SeekIpModuleTest, RangesAreReadBeforeEveryPassAndKeptWhenTheKeyIsGone) {
  testing::WriteIpStartup(5, 0, 0, 1);
  testing::WriteRanges({"127.8.1.1"});
  module.Init();
  EXPECT_EQ(Pass(), (std::vector<std::string>{"127.8.1.1"}));

  testing::WriteRanges({"127.8.1.2:127.8.1.3"});
  EXPECT_EQ(Pass(), (std::vector<std::string>{"127.8.1.2", "127.8.1.3"}));

  ASSERT_EQ(RegDeleteKeyA(HKEY_LOCAL_MACHINE, kIpRanges), ERROR_SUCCESS);
  EXPECT_EQ(Pass(), (std::vector<std::string>{"127.8.1.2", "127.8.1.3"}));
}

TEST_F(SeekIpModuleTest, DevicesOfThePassThroughTheExportCalls) {
  testing::WriteIpStartup(5, 0, 0, 1);
  testing::WriteRanges({"127.8.2.1:127.8.2.4"});
  net.Device("127.8.2.3", "Model 9");
  module.Init();
  Pass();

  std::int32_t count = -1;
  ASSERT_EQ(module.DeviceCountIs(&count), 0);
  ASSERT_EQ(count, 1);
  char text[256];
  std::uint32_t length = 0;
  ASSERT_EQ(module.GetDeviceProperty(0, "DEVICE_ADDRESS", nullptr, sizeof text, text, &length), 0);
  EXPECT_STREQ(text, "127.8.2.3");
  EXPECT_EQ(length, 9u);
  std::int32_t kind = 0;
  ASSERT_EQ(module.GetDeviceProperty(0, "PROVIDER_NAME", nullptr, sizeof kind, &kind, &length), 0);
  EXPECT_EQ(kind, 1);
  std::int16_t small = 0;
  EXPECT_EQ(module.GetDeviceProperty(0, "PROVIDER_NAME", nullptr, sizeof small, &small, &length), 1);
  EXPECT_EQ(module.GetDeviceProperty(1, "DEVICE_ADDRESS", nullptr, sizeof text, text, &length), 1);
  EXPECT_EQ(module.GetDeviceProperty(0, nullptr, nullptr, sizeof text, text, &length), 1);
  EXPECT_EQ(module.DeviceCountIs(nullptr), 1);
}

TEST_F(SeekIpModuleTest, ShutdownInTheMiddleOfAScanWaitsForOneExchangeAtMost) {
  net.SimulateTimeouts(true);
  testing::WriteIpStartup(30, 0, 0, 1);  // 0.3 s a silent address
  testing::WriteRanges({"127.8.3.1:127.8.3.60"});
  module.Init();
  module.Start(1, &CallbackLog::Done);
  ASSERT_TRUE(Eventually([&] { return net.Asked().size() >= 2; }));

  auto t0 = std::chrono::steady_clock::now();
  module.Shutdown();
  auto waited = std::chrono::steady_clock::now() - t0;
  EXPECT_LT(waited, std::chrono::milliseconds(300 + 400));
  std::size_t asked = net.Asked().size();
  EXPECT_LT(asked, 10u);
  std::this_thread::sleep_for(std::chrono::milliseconds(400));
  EXPECT_EQ(net.Asked().size(), asked);
  EXPECT_TRUE(CallbackLog::Instance().Calls().empty());
  // After the shutdown, Start wakes nothing.
  module.Start(2, &CallbackLog::Done);
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  EXPECT_TRUE(CallbackLog::Instance().Calls().empty());
}

}  // namespace
}  // namespace vlm::discovery
