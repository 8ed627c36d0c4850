// The IPX provider through the discovery manager: libVLMDM.so and the
// provider registered through regsvr, real snmpd agents behind the SNMP
// layer's loopback map, and installed printers of the in-memory spooler.
// The scenario build of the provider (libSeekIPXScenario.so, the same core as
// libSeekIPX.so) takes the SAP look-up, the map, the platform family and the
// printers from the test; the last case runs the real libSeekIPX.so as Linux
// has it.
#include <dlfcn.h>

#include <string>
#include <vector>

#include "discovery/manager/tests/e2e_support.h"
#include "discovery/providers/ipx/tests/ipx_test_support.h"
#include "discovery/providers/ipx/tests/scenario.h"
#include "platform/netware/tests/fake_nwclient.h"
#include "tests/support/snmpd_agent.h"

namespace vlm::discovery {
namespace {

using vlm::testing::SnmpdAgent;

constexpr const char* kIpxName = "IPX Discovery Provider";
constexpr const char* kServers = "SOFTWARE\\VLM\\Discovery\\DP\\IPX\\Discovery Params\\Servers";
// A and A again, B (an agent without one of the six objects), C (unmapped).
constexpr const char* kA = "0000a1b2:00001b2c3d4e";
constexpr const char* kB = "0000a1b2:00001b2c3d4f";
constexpr const char* kC = "0000a1b2:00001b2c3d50";
constexpr const char* kPrinter = "Sales laser";

class SeekIpxEndToEnd : public testing::EndToEndTest {
 protected:
  void SetUp() override {
    EndToEndTest::SetUp();
    std::vector<std::string> hosts = vlm::testing::AllocateLoopbackRange(2);
    a_ = std::make_unique<SnmpdAgent>(hosts[0], testing::SnmpdFixture(testing::Controller("Model 9", "laserq")));
    b_ = std::make_unique<SnmpdAgent>(hosts[1],
                                      testing::SnmpdFixture(testing::Controller("Model 5", "laserq", 3)));
  }

  // The scenario library, loaded before the manager loads it by its path, so
  // that both use the same copy; A and B mapped to their agents, and the
  // printer on A's queue.
  SeekIpxScenarioFn Scenario() {
    void* library = ::dlopen(VLM_SEEKIPX_SCENARIO_SO, RTLD_NOW | RTLD_LOCAL);
    EXPECT_NE(library, nullptr) << ::dlerror();
    auto scenario = reinterpret_cast<SeekIpxScenarioFn>(::dlsym(library, "VlmSeekIpxScenario"));
    EXPECT_NE(scenario, nullptr);
    EXPECT_EQ(scenario("map", (std::string(kA) + "=" + a_->address()).c_str()), 0);
    EXPECT_EQ(scenario("map", (std::string(kB) + "=" + b_->address()).c_str()), 0);
    EXPECT_EQ(scenario("printer", (std::string(kPrinter) + "\t\\\\FS1\\.LASERQ.SALES").c_str()), 0);
    Register(VLM_SEEKIPX_SCENARIO_SO);
    Register(VLM_VLMDM_SO);
    return scenario;
  }

  // One run through the manager finds exactly A, installed.
  void ExpectOnlyA() {
    DiscoveryManager* m = Manager();
    ASSERT_NE(m, nullptr);
    ASSERT_EQ(m->GetProviderCount(), 1);
    char names[32] = {};
    std::uint32_t needed = 0;
    ASSERT_EQ(m->GetProviderNames(sizeof names, reinterpret_cast<std::uint8_t*>(names), &needed), S_OK);
    EXPECT_STREQ(names, kIpxName);

    RunDiscovery(m);
    std::int32_t count = -1;
    ASSERT_EQ(m->GetTotalDeviceCount(&count), S_OK);
    ASSERT_EQ(count, 1);
    EXPECT_EQ(Text(m, 0, "DEVICE_ADDRESS"), kA);
    EXPECT_EQ(Int(m, 0, "PROVIDER_NAME"), 2);
    EXPECT_EQ(Int(m, 0, "DEVICE_INSTALLED_PRINTER"), 1);
    EXPECT_EQ(Text(m, 0, "DEVICE_NAME_SPOOLER"), kPrinter);
    EXPECT_EQ(Int(m, 0, "IPX_DEVICE"), 1);
    EXPECT_EQ(Text(m, 0, "DEVICE_PRODUCT_NAME"), "Model 9");
    EXPECT_EQ(Text(m, 0, "DEVICE_LOCATION"), "Second floor");
    EXPECT_EQ(Int(m, 0, "DEVICE_GENERAL_STATUS"), 3);
    EXPECT_EQ(Int(m, 0, "DEVICE_TANDEM"), 0);
    EXPECT_EQ(Text(m, 0, "DEVICE_MIB_VERSION"), "2.1");
    EXPECT_EQ(Text(m, 0, "DEVICE_NAME"), "Model 9 printer");
    EXPECT_EQ(Text(m, 0, "QSERVER"), "laserq");

    // A second run finds the same, once.
    RunDiscovery(m);
    ASSERT_EQ(m->GetTotalDeviceCount(&count), S_OK);
    EXPECT_EQ(count, 1);
    EXPECT_EQ(Int(m, 0, "DEVICE_INSTALLED_PRINTER"), 1);
  }

  std::unique_ptr<SnmpdAgent> a_, b_;
};

TEST_F(SeekIpxEndToEnd, TheSapLookUpFindsTheMappedControllerAndItsInstalledPrinter) {
  SeekIpxScenarioFn scenario = Scenario();
  ASSERT_NE(scenario, nullptr);
  ASSERT_EQ(scenario("provider", netware::kNovellSapNameProvider), 0);
  for (const char* service : {kA, kA, kB, kC}) ASSERT_EQ(scenario("service", service), 0);
  ExpectOnlyA();
}

TEST_F(SeekIpxEndToEnd, TheNetWareClientScansTheBinderyOfTheFirstServer) {
  SeekIpxScenarioFn scenario = Scenario();
  ASSERT_NE(scenario, nullptr);
  ASSERT_EQ(scenario("platform", "9x"), 0);
  ASSERT_EQ(scenario("client", VLM_FAKE_NWCLIENT), 0);
  void* client = ::dlopen(VLM_FAKE_NWCLIENT, RTLD_NOW | RTLD_LOCAL);
  ASSERT_NE(client, nullptr) << ::dlerror();
  auto* bindery = reinterpret_cast<netware::testing::FakeNetWareControlFn>(::dlsym(client, "VlmFakeNetWareControl"))();
  bindery->Reset();
  bindery->AddServer("FS1");
  int n = 0;
  for (const char* address : {kA, kA, kB, kC}) {
    std::vector<std::uint8_t> value = testing::NetAddress(address);
    std::string name = "PRINTER_" + std::to_string(n++);
    bindery->AddObject("FS1", name.c_str(), 0x0414, true, value.data(), static_cast<std::uint32_t>(value.size()));
  }
  WriteText(kServers, "Server_Name", "FS1");
  ExpectOnlyA();
  EXPECT_EQ(bindery->AttachCalls(), 1);
  EXPECT_STREQ(bindery->AttachedServer(0), "FS1");
}

TEST_F(SeekIpxEndToEnd, OnLinuxTheProviderFindsNothingAndTheRunEnds) {
  Register(VLM_SEEKIPX_SO);
  Register(VLM_VLMDM_SO);
  DiscoveryManager* m = Manager();
  ASSERT_NE(m, nullptr);
  ASSERT_EQ(m->GetProviderCount(), 1);
  RunDiscovery(m);
  std::int32_t count = -1;
  ASSERT_EQ(m->GetTotalDeviceCount(&count), S_OK);
  EXPECT_EQ(count, 0);
}

}  // namespace
}  // namespace vlm::discovery
