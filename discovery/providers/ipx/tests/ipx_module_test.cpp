// The SeekIPX provider's module (what its exports do): the server list read
// once by Init, passes through the discovery thread, and the Startup key.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include "discovery/providers/ipx/seekipx.h"
#include "discovery/providers/ipx/tests/ipx_test_support.h"
#include "discovery/providers/tests/discovery_test_support.h"
#include "platform/netware/tests/fake_nwclient.h"
#include "platform/spooler/spooler.h"

namespace vlm::discovery {
namespace {

using testing::CallbackLog;

constexpr const char* kA = "0000a1b2:00001b2c3d4e";
constexpr const char* kB = "0000a1b2:00001b2c3d4f";
constexpr const char* kStartup = "SOFTWARE\\VLM\\Discovery\\DP\\IPX\\Startup";
constexpr const char* kServers = "SOFTWARE\\VLM\\Discovery\\DP\\IPX\\Discovery Params\\Servers";

class SeekIpxModuleTest : public ::testing::Test {
 protected:
  void SetUp() override {
    netware::SetNameSpace(nameSpace);
    spooler::SetBackend(std::make_shared<spooler::MemorySpooler>());
  }
  void TearDown() override {
    module.Shutdown();
    netware::SetNameSpace(nullptr);
    spooler::SetBackend(nullptr);
    netware::SetNetWareClientLibrary("");
    SetPlatformFamily(std::nullopt);
  }

  void Pass() {
    std::size_t before = CallbackLog::Instance().Calls().size();
    module.Start(static_cast<std::intptr_t>(before + 1), &CallbackLog::Done);
    ASSERT_TRUE(CallbackLog::Instance().WaitFor(before + 1));
  }
  std::int32_t Count() {
    std::int32_t count = -1;
    EXPECT_EQ(module.DeviceCountIs(&count), 0);
    return count;
  }

  testing::TempRegistry registry;
  std::shared_ptr<netware::ScriptedNameSpace> nameSpace = std::make_shared<netware::ScriptedNameSpace>();
  ProviderModule module{kSeekIpxTraits};
};

TEST_F(SeekIpxModuleTest, TheServersAreReadOnceByInit) {
  testing::SetDword(kStartup, "Timeout", 20);
  testing::SetText(kServers, "Server_Name", "FS1");
  SetPlatformFamily(PlatformFamily::Windows9x);
  netware::SetNetWareClientLibrary(VLM_FAKE_NWCLIENT);
  void* library = ::dlopen(VLM_FAKE_NWCLIENT, RTLD_NOW | RTLD_LOCAL);
  ASSERT_NE(library, nullptr);
  auto* bindery = reinterpret_cast<netware::testing::FakeNetWareControlFn>(::dlsym(library, "VlmFakeNetWareControl"))();
  bindery->Reset();
  bindery->AddServer("FS1");
  bindery->AddServer("FS2");
  for (auto [server, address] : {std::pair{"FS1", kA}, std::pair{"FS2", kB}}) {
    std::vector<std::uint8_t> value = testing::NetAddress(address);
    bindery->AddObject(server, "PRINTER", kSapServiceType, true, value.data(), static_cast<std::uint32_t>(value.size()));
  }
  testing::FakeNetwork net;
  net.Agent(kA, testing::InProcessAgent(testing::Controller("Model 9")));
  net.Agent(kB, testing::InProcessAgent(testing::Controller("Model 5")));

  module.Init();
  testing::SetText(kServers, "Server_Name", "FS2");
  Pass();
  ASSERT_EQ(Count(), 1);
  char text[256];
  std::uint32_t length = 0;
  ASSERT_EQ(module.GetDeviceProperty(0, "DEVICE_ADDRESS", nullptr, sizeof text, text, &length), 0);
  EXPECT_STREQ(text, kA);
  EXPECT_EQ(length, 21u);
  EXPECT_STREQ(bindery->AttachedServer(0), "FS1");
  EXPECT_EQ(module.Options().timeout, 20);
}

TEST_F(SeekIpxModuleTest, WithoutIpxEveryPassStillEndsAndCallsBack) {
  snmp::UseIpxUnavailable();
  nameSpace->SetProviders({netware::NameSpaceProvider{netware::kNovellSapNameProvider}});
  nameSpace->SetServices({testing::SapAddress(kA)});
  module.Init();
  Pass();
  Pass();
  EXPECT_EQ(Count(), 0);
  for (const CallbackLog::Call& call : CallbackLog::Instance().Calls()) EXPECT_EQ(call.status, 0);
  EXPECT_EQ(nameSpace->Queries().size(), 2u);
}

TEST_F(SeekIpxModuleTest, TheStartupKeyIsOpenedForWritingAlsoToLoadTheOptions) {
  testing::SetDword(kStartup, "Timeout", 20);
  testing::SetDword(kStartup, "DiscoverInstalled", 0);
  registry::DenyWriteBelowForTests(std::string("HKLM\\") + kStartup);
  module.Init();
  registry::ClearDeniedWritesForTests();
  // The key did not open: the values from before the read stay.
  EXPECT_EQ(module.Options().timeout, 100);
  EXPECT_EQ(module.Options().discoverInstalled, 1);
  EXPECT_EQ(module.Options().refreshInterval, 1);
}

}  // namespace
}  // namespace vlm::discovery
