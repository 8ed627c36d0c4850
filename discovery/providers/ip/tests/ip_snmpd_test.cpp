// The TCP/IP transport against real snmpd agents, one per address of a
// loopback range, and against installed printers of the in-memory spooler
// and of a private CUPS scheduler.
#include <gtest/gtest.h>

#include "discovery/providers/ip/ip_finder.h"
#include "discovery/providers/ip/resolver.h"
#include "discovery/providers/tests/fake_network.h"
#include "platform/spooler/spooler.h"
#include "tests/support/cupsd_harness.h"
#include "tests/support/loopback.h"
#include "tests/support/snmpd_agent.h"

namespace vlm::discovery {
namespace {

using vlm::testing::FixtureObject;
using vlm::testing::SnmpdAgent;

constexpr const char* kSysName = "1.3.6.1.2.1.1.5.0";

std::vector<FixtureObject> Describes(const std::string& name, const std::string& description) {
  return {{kSysName, "octet_str", name, false}, {kSystemDescriptionOid, "octet_str", description, false}};
}

OptionValues Options(bool installed, bool ranges) {
  return {1000, 5, 1, static_cast<std::uint16_t>(installed), static_cast<std::uint16_t>(ranges)};
}

class IpAgentsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    vlm::testing::AgentPort();
    // Every port name here is numeric; a name would find no table entry.
    SetResolverForTests([](const std::string&) { return std::nullopt; });
    spooler::SetBackend(memory);
    hosts = vlm::testing::AllocateLoopbackRange(5);
    agents.push_back(std::make_unique<SnmpdAgent>(hosts[0], Describes("Model 9", kControllerDescription)));
    agents.push_back(std::make_unique<SnmpdAgent>(
        hosts[1], Describes("Trailing", std::string(kControllerDescription) + " ")));
    agents.push_back(std::make_unique<SnmpdAgent>(hosts[2], Describes("Case", "Velmar IP controller")));
    // No system name: a version 1 agent answers noSuchName for the request.
    agents.push_back(std::make_unique<SnmpdAgent>(
        hosts[3], std::vector<FixtureObject>{{kSystemDescriptionOid, "octet_str", kControllerDescription, false}}));
    // hosts[4] has no agent: it is silent.
  }
  void TearDown() override {
    spooler::SetBackend(nullptr);
    SetResolverForTests(nullptr);
  }

  std::string Range() const { return hosts.front() + ":" + hosts.back(); }
  std::string Text(std::uint32_t index, const char* name) { return testing::PropertyText(finder, index, name); }
  std::optional<std::int32_t> Int(std::uint32_t index, const char* name) {
    return testing::PropertyInt(finder, index, name);
  }

  std::shared_ptr<spooler::MemorySpooler> memory = std::make_shared<spooler::MemorySpooler>();
  std::vector<std::string> hosts;
  std::vector<std::unique_ptr<SnmpdAgent>> agents;
  IpDeviceFinder finder;
};

TEST_F(IpAgentsTest, ARangeScanFindsOnlyTheController) {
  finder.Discover({Range()}, Options(false, true));
  ASSERT_EQ(finder.GetDeviceCount(), 1);
  EXPECT_EQ(Text(0, "DEVICE_ADDRESS"), hosts[0]);
  EXPECT_EQ(Text(0, "DEVICE_PRODUCT_NAME"), "Model 9");
  EXPECT_EQ(Text(0, "DEVICE_NAME"), kControllerDescription);
  EXPECT_EQ(Int(0, "PROVIDER_NAME"), 1);
  EXPECT_EQ(Int(0, "DEVICE_INSTALLED_PRINTER"), std::nullopt);
  EXPECT_EQ(Text(0, "DEVICE_NAME_SPOOLER"), "<absent>");
}

TEST_F(IpAgentsTest, AnInstalledPrinterMarksItsDeviceAndALaterRangePassKeepsOneDevice) {
  memory->AddPrinter({"Front desk", hosts[0], "", false});
  memory->AddPrinter({"Not a controller", hosts[1], "", false});
  finder.Discover({Range()}, Options(true, false));
  ASSERT_EQ(finder.GetDeviceCount(), 1);
  EXPECT_EQ(Text(0, "DEVICE_ADDRESS"), hosts[0]);
  EXPECT_EQ(Text(0, "DEVICE_NAME_SPOOLER"), "Front desk");
  EXPECT_EQ(Int(0, "DEVICE_INSTALLED_PRINTER"), 1);

  finder.Discover({Range()}, Options(false, true));
  ASSERT_EQ(finder.GetDeviceCount(), 1);
  EXPECT_EQ(Int(0, "DEVICE_INSTALLED_PRINTER"), 1);
  EXPECT_EQ(Text(0, "DEVICE_NAME_SPOOLER"), "Front desk");
  EXPECT_EQ(Text(0, "DEVICE_PRODUCT_NAME"), "Model 9");
}

TEST_F(IpAgentsTest, ACupsQueueOnTheControllerIsAnInstalledPrinter) {
  vlm::testing::CupsdHarness cupsd;
  cupsd.AddQueue("laser", "socket://" + hosts[0] + ":9100", "Second floor");
  cupsd.AddQueue("other", "lpd://" + hosts[2] + "/queue");
  spooler::SetBackend(std::make_shared<spooler::CupsSpooler>(cupsd.socketPath()));

  finder.Discover({}, Options(true, false));
  ASSERT_EQ(finder.GetDeviceCount(), 1);
  EXPECT_EQ(Text(0, "DEVICE_ADDRESS"), hosts[0]);
  EXPECT_EQ(Text(0, "DEVICE_NAME_SPOOLER"), "laser");
  EXPECT_EQ(Int(0, "DEVICE_INSTALLED_PRINTER"), 1);
}

}  // namespace
}  // namespace vlm::discovery
