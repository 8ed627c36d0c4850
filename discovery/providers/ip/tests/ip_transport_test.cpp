// The TCP/IP transport over the in-process network, the in-memory spooler
// and a resolver table: which addresses a pass asks, and what it lists.
#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <set>

#include "discovery/providers/ip/ip_finder.h"
#include "discovery/providers/ip/resolver.h"
#include "discovery/providers/tests/fake_network.h"
#include "platform/spooler/spooler.h"

namespace vlm::discovery {
namespace {

using spooler::MemorySpooler;
using spooler::Printer;
using testing::FakeNetwork;
using Addresses = std::vector<std::string>;

OptionValues Installed() { return {1000, 5, 1, 1, 0}; }
OptionValues Ranges() { return {1000, 5, 1, 0, 1}; }

class IpTransportTest : public ::testing::Test {
 protected:
  void SetUp() override {
    spooler::SetBackend(memory);
    SetResolverForTests([this](const std::string& name) -> std::optional<std::uint32_t> {
      std::lock_guard<std::mutex> guard(lock);
      resolved.push_back(name);
      auto it = names.find(name);
      if (it == names.end()) return std::nullopt;
      return snmp::Address::Parse(it->second)->ipv4();
    });
  }
  void TearDown() override {
    SetResolverForTests(nullptr);
    spooler::SetBackend(nullptr);
  }

  Addresses Pass(const OptionValues& options, const std::vector<std::string>& ranges = {}) {
    net.ClearAsked();
    finder.Discover(ranges, options);
    return net.Asked();
  }

  std::string Text(std::uint32_t index, const char* name) { return testing::PropertyText(finder, index, name); }
  std::optional<std::int32_t> Int(std::uint32_t index, const char* name) {
    return testing::PropertyInt(finder, index, name);
  }

  FakeNetwork net;
  std::shared_ptr<MemorySpooler> memory = std::make_shared<MemorySpooler>();
  IpDeviceFinder finder;
  std::mutex lock;
  std::map<std::string, std::string> names = {
      {"printhost", "127.5.5.5"}, {"LPTX1:", "127.5.5.6"}, {"commenthost", "127.5.5.7"}};
  std::vector<std::string> resolved;
};

TEST_F(IpTransportTest, PortNamesAndCommentsGiveTheAddressAsked) {
  const struct {
    const char* port;
    const char* comment;
    Addresses asked;
  } cases[] = {
      {"LPT1:", "", {}},
      {"COM2:", "127.1.1.1", {}},
      {"LPT10", "", {}},
      {"LPTX1:", "", {"127.5.5.6"}},  // six characters: tried as a host name
      {"FILE:", "", {}},
      {"FILE:/tmp/x", "127.1.1.1", {}},
      {"\\\\server\\printer", "", {}},
      {"127.1.2.20", "", {"127.1.2.20"}},
      {"IP_127.1.2.20", "", {"127.1.2.20"}},
      {"IP_", "", {}},
      {"printhost", "127.1.1.1", {"127.5.5.5"}},
      {"127.1.2.20:9100", "", {"127.1.2.20"}},  // neither parses nor resolves
      {"nowhere", "127.1.1.9", {"127.1.1.9"}},
      {"nowhere", "commenthost", {"127.5.5.7"}},
      {"nowhere", "", {}},
      {"nowhere", "front desk", {}},
      {"", "", {}},
  };
  for (const auto& c : cases) {
    memory->Clear();
    memory->AddPrinter({"p", c.port, c.comment, false});
    EXPECT_EQ(Pass(Installed()), c.asked) << c.port << " / " << c.comment;
  }
}

TEST_F(IpTransportTest, SkippedPortsAreNeverLookedUp) {
  for (const char* port : {"LPT1:", "COM2:", "FILE:", "\\\\server\\q", "127.1.2.3", "IP_127.1.2.3"})
    memory->AddPrinter({"p", port, "commenthost", false});
  Pass(Installed());
  EXPECT_TRUE(resolved.empty());
}

TEST_F(IpTransportTest, ExtractDottedQuadTable) {
  const std::pair<const char*, const char*> cases[] = {
      {"127.1.2.20:9100", "127.1.2.20"}, {"127.0.0.5.7", "127.0.0.5"}, {"host1", ""},
      {"127.0.0.1", "127.0.0.1"},        {"", ""},                      {"1234", "1234"},
      {"1.2.3", "1.2.3"},                {"1.2.x.4", ""},               {"1.2.3.x", "1.2.3."},
      {"999.1.1.1", "999.1.1.1"},        {"127.0.0.1 ", "127.0.0.1"},   {" 127.0.0.1", ""},
  };
  for (const auto& [text, result] : cases) EXPECT_EQ(ExtractDottedQuad(text), result) << text;
}

TEST_F(IpTransportTest, RangeWalks) {
  const struct {
    std::vector<std::string> ranges;
    Addresses asked;
  } cases[] = {
      {{"127.9.9.250:127.9.9.255"}, {"127.9.9.250", "127.9.9.251", "127.9.9.252", "127.9.9.253", "127.9.9.254"}},
      {{"127.9.9.7"}, {"127.9.9.7"}},
      {{"127.9.9.7:127.9.9.7"}, {"127.9.9.7"}},
      {{":127.9.9.9"}, {}},
      {{"127.9.9.9:127.9.9.3"}, {}},
      {{"127.9.9.255"}, {"127.9.9.255"}},
      {{"127.9.9.255:127.9.9.255"}, {"127.9.9.255"}},
      {{"127.9.9.0:127.9.9.1"}, {"127.9.9.0", "127.9.9.1"}},
      {{"127.9.9.253:127.9.10.1"}, {"127.9.9.253", "127.9.9.254", "127.9.10.0", "127.9.10.1"}},
      {{"127.9.9.255:127.9.10.1"}, {"127.9.10.0", "127.9.10.1"}},
      {{"127.8.255.254:127.9.0.1"}, {"127.8.255.254", "127.9.0.0", "127.9.0.1"}},
      {{"127.9.9.254:127.9.12.0"}, {}},  // every x.x.x.255 between is skipped...
      {{"127.9.9.1:bad", "bad", "127.9.9.1:", ""}, {}},
      {{"127.9.9.1/1161:127.9.9.2"}, {"127.9.9.1/1161", "127.9.9.2/1161"}},
      {{"127.9.9.5", "127.9.9.2:127.9.9.3"}, {"127.9.9.5", "127.9.9.2", "127.9.9.3"}},
  };
  for (const auto& c : cases) {
    Addresses asked = Pass(Ranges(), c.ranges);
    if (c.ranges.front() == "127.9.9.254:127.9.12.0") {
      // ...so that walk is .254, then 255 addresses of each of two blocks, then the end.
      EXPECT_EQ(asked.size(), 1u + 2 * 255 + 1);
      EXPECT_EQ(std::count_if(asked.begin(), asked.end(),
                              [](const std::string& a) { return a.ends_with(".255"); }),
                0);
      EXPECT_EQ(asked.back(), "127.9.12.0");
      continue;
    }
    EXPECT_EQ(asked, c.asked) << c.ranges.front();
  }
}

TEST_F(IpTransportTest, InstalledPrintersMarkTheirDeviceAndTheLastNameWins) {
  net.Device("127.1.2.30", "Model 9");
  net.Device("127.1.2.31", "Model 7");
  memory->AddPrinter({"local-a", "127.1.2.30", "", false});
  memory->AddPrinter({"remote", "IP_127.1.2.30", "", true});
  memory->AddPrinter({"local-b", "nowhere", "127.1.2.30", false});
  memory->AddPrinter({"silent", "127.1.2.32", "", false});

  // Connections are enumerated before local printers.
  EXPECT_EQ(Pass(Installed()), (Addresses{"127.1.2.30", "127.1.2.30", "127.1.2.30", "127.1.2.32"}));
  ASSERT_EQ(finder.GetDeviceCount(), 1);
  EXPECT_EQ(Text(0, "DEVICE_ADDRESS"), "127.1.2.30");
  EXPECT_EQ(Text(0, "DEVICE_NAME_SPOOLER"), "local-b");
  EXPECT_EQ(Text(0, "DEVICE_PRODUCT_NAME"), "Model 9");
  EXPECT_EQ(Int(0, "DEVICE_INSTALLED_PRINTER"), 1);
  EXPECT_EQ(Int(0, "PROVIDER_NAME"), 1);

  // A range pass over the same address: still one device, still installed.
  Pass(Ranges(), {"127.1.2.29:127.1.2.31"});
  ASSERT_EQ(finder.GetDeviceCount(), 2);
  EXPECT_EQ(Text(0, "DEVICE_ADDRESS"), "127.1.2.30");
  EXPECT_EQ(Int(0, "DEVICE_INSTALLED_PRINTER"), 1);
  EXPECT_EQ(Text(0, "DEVICE_NAME_SPOOLER"), "local-b");
  // The device found by the range scan only.
  EXPECT_EQ(Text(1, "DEVICE_ADDRESS"), "127.1.2.31");
  EXPECT_EQ(Int(1, "PROVIDER_NAME"), 1);
  EXPECT_EQ(Int(1, "DEVICE_INSTALLED_PRINTER"), std::nullopt);
  EXPECT_EQ(Text(1, "DEVICE_NAME_SPOOLER"), "<absent>");
}

TEST_F(IpTransportTest, OptionsGateTheTwoHalves) {
  net.Device("127.1.3.1", "Model 9");
  memory->AddPrinter({"p", "127.1.3.1", "", false});
  EXPECT_EQ(Pass(Installed(), {"127.1.3.2"}), (Addresses{"127.1.3.1"}));
  EXPECT_EQ(Pass(Ranges(), {"127.1.3.2"}), (Addresses{"127.1.3.2"}));
  EXPECT_EQ(Pass({1000, 5, 1, 1, 1}, {"127.1.3.2"}), (Addresses{"127.1.3.1", "127.1.3.2"}));
  EXPECT_EQ(Pass({1000, 5, 1, 0, 0}, {"127.1.3.2"}), Addresses{});
  EXPECT_EQ(finder.GetDeviceCount(), 1);  // found earlier, still listed
}

TEST_F(IpTransportTest, AFailedEnumerationSkipsOnlyThePrinters) {
  memory->AddPrinter({"p", "127.1.4.1", "", false});
  memory->FailListings(RPC_S_SERVER_UNAVAILABLE);
  EXPECT_EQ(Pass({1000, 5, 1, 1, 1}, {"127.1.4.2"}), (Addresses{"127.1.4.2"}));
}

TEST_F(IpTransportTest, RepeatedPassesKeepOneRecordPerDevice) {
  net.Device("127.1.5.10", "Model 9");
  for (int pass = 0; pass < 3; ++pass) {
    Pass(Ranges(), {"127.1.5.1:127.1.5.40"});
    EXPECT_EQ(finder.QueryListSize(), 1u);
    EXPECT_EQ(finder.GetDeviceCount(), 1);
  }
}

TEST_F(IpTransportTest, AStopRequestEndsThePassBeforeTheNextAddress) {
  std::atomic<bool> stop{true};
  finder.SetStopFlag(&stop);
  memory->AddPrinter({"p", "127.1.6.1", "", false});
  EXPECT_EQ(Pass({1000, 5, 1, 1, 1}, {"127.1.6.2:127.1.6.9"}), Addresses{});
}

}  // namespace
}  // namespace vlm::discovery
