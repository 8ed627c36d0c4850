// The management interface's sequence against the real stack: libVLMDM.so
// and libSeekIP.so registered by their own registration (through regsvr, as
// the installation does) in a temporary registry, and real snmpd agents on a
// loopback range.
#include <string>
#include <vector>

#include "discovery/manager/tests/e2e_support.h"
#include "tests/support/snmpd_agent.h"

namespace vlm::discovery {
namespace {

using vlm::testing::FixtureObject;
using vlm::testing::SnmpdAgent;

constexpr const char* kIpName = "IP Discovery Provider";
constexpr const char* kRanges = "SOFTWARE\\VLM\\Discovery\\DP\\IP\\Discovery Params\\RANGES";

class SeekIpEndToEnd : public testing::EndToEndTest {
 protected:
  // (stateWord, installed, uninstalled) written over what the provider has.
  void Select(DiscoveryManager* m, std::int32_t installed, std::int32_t uninstalled) {
    ProviderSettings s{};
    std::uint32_t written = 0;
    ASSERT_EQ(m->GetProviderSettings(kIpName, sizeof s, &s, &written), S_OK);
    EXPECT_EQ(written, sizeof s);
    s.stateWord = 0;
    s.discoverInstalled = installed;
    s.discoverUnInstalled = uninstalled;
    ASSERT_EQ(m->SetProviderSettings(kIpName, sizeof s, &s), S_OK);
  }
};

TEST_F(SeekIpEndToEnd, DiscoverCountAndReadEveryPropertyThroughTheManager) {
  // Controllers at the first and last address, something else between.
  std::vector<std::string> hosts = vlm::testing::AllocateLoopbackRange(3);
  auto controller = [](const std::string& model) {
    return std::vector<FixtureObject>{{"1.3.6.1.2.1.1.5.0", "octet_str", model, false},
                                      {"1.3.6.1.2.1.1.1.0", "octet_str", "Velmar IP Controller", false}};
  };
  SnmpdAgent first(hosts[0], controller("Model 9"));
  SnmpdAgent other(hosts[1], {{"1.3.6.1.2.1.1.1.0", "octet_str", "Some other printer", false}});
  SnmpdAgent last(hosts[2], controller("Model 12"));

  Register(VLM_SEEKIP_SO);
  Register(VLM_VLMDM_SO);
  // The range, as the options dialog writes it.
  WriteText(kRanges, "0", hosts[0] + ":" + hosts[2]);

  DiscoveryManager* m = Manager();
  ASSERT_NE(m, nullptr);
  ASSERT_EQ(m->GetProviderCount(), 1);
  std::uint8_t names[32];
  std::uint32_t needed = 0;
  ASSERT_EQ(m->GetProviderNames(sizeof names, names, &needed), S_OK);
  EXPECT_STREQ(reinterpret_cast<char*>(names), kIpName);

  // The registered options, as the provider reports them.
  ProviderSettings registered{};
  std::uint32_t written = 0;
  ASSERT_EQ(m->GetProviderSettings(kIpName, sizeof registered, &registered, &written), S_OK);
  EXPECT_EQ(registered.discoverInstalled, 1);
  EXPECT_EQ(registered.discoverUnInstalled, 0);
  EXPECT_EQ(registered.refreshInterval, 1000);

  // The installed-printer list: no printer is installed here.
  Select(m, 1, 0);
  RunDiscovery(m);
  std::int32_t count = -1;
  ASSERT_EQ(m->GetTotalDeviceCount(&count), S_OK);
  EXPECT_EQ(count, 0);

  // The other devices: the range is scanned.
  Select(m, 0, 1);
  RunDiscovery(m);
  ASSERT_EQ(m->GetTotalDeviceCount(&count), S_OK);
  ASSERT_EQ(count, 2);
  const struct {
    const char* address;
    const char* model;
  } expected[] = {{hosts[0].c_str(), "Model 9"}, {hosts[2].c_str(), "Model 12"}};
  for (std::uint32_t i = 0; i < 2; ++i) {
    EXPECT_EQ(Text(m, i, "DEVICE_ADDRESS"), expected[i].address) << i;
    EXPECT_EQ(Text(m, i, "DEVICE_PRODUCT_NAME"), expected[i].model) << i;
    EXPECT_EQ(Text(m, i, "DEVICE_NAME"), "Velmar IP Controller") << i;
    EXPECT_EQ(Int(m, i, "PROVIDER_NAME"), 1) << i;
    // Properties the agents do not give, or that belong to installed printers.
    EXPECT_EQ(Text(m, i, "DEVICE_LOCATION"), std::nullopt) << i;
    EXPECT_EQ(Text(m, i, "DEVICE_NAME_SPOOLER"), std::nullopt) << i;
    EXPECT_EQ(Int(m, i, "DEVICE_TANDEM"), std::nullopt) << i;
    EXPECT_EQ(Int(m, i, "DEVICE_GENERAL_STATUS"), std::nullopt) << i;
    EXPECT_EQ(Int(m, i, "DEVICE_INSTALLED_PRINTER"), std::nullopt) << i;
  }
  char buffer[256];
  std::uint32_t length = 0;
  EXPECT_EQ(m->QueryDeviceProperty(0, 2, "DEVICE_ADDRESS", nullptr, sizeof buffer, buffer, &length),
            DM_E_DEVICE_NOT_FOUND);

  // The provider keeps what the manager set.
  ProviderSettings now{};
  ASSERT_EQ(m->GetProviderSettings(kIpName, sizeof now, &now, &written), S_OK);
  EXPECT_EQ(now.discoverInstalled, 0);
  EXPECT_EQ(now.discoverUnInstalled, 1);
  EXPECT_EQ(now.refreshInterval, 1000);
}

}  // namespace
}  // namespace vlm::discovery
