// The IPX/SPX transport over real SNMP exchanges: IPX addresses carried by
// the loopback map to a scripted agent on loopback.
#include <gtest/gtest.h>

#include <atomic>

#include "discovery/providers/ipx/ipx_finder.h"
#include "discovery/providers/ipx/tests/ipx_test_support.h"
#include "platform/spooler/spooler.h"
#include "tests/support/scripted_agent.h"

namespace vlm::discovery {
namespace {

using vlm::testing::BerValue;
using vlm::testing::ScriptedAgent;
using vlm::testing::SnmpMessage;

constexpr const char* kA = "0000a1b2:00001b2c3d4e";

TEST(IpxAgents, TheQueueNameIsAskedOverIpxWithTheRetries) {
  // The table get is answered at once; the first queue-name get is lost.
  std::atomic<int> queueAsks{0};
  ScriptedAgent agent([&](const SnmpMessage& m, int) {
    if (m.bindings.size() == 1 && vlm::testing::OidText(m.bindings[0].oid) == testing::kQueueServerOidText) {
      if (queueAsks.fetch_add(1) == 0) return ScriptedAgent::Drop();
      return ScriptedAgent::Echo(m, {BerValue::Octets("LaserQ")});
    }
    std::vector<BerValue> values;
    for (const testing::ControllerObject& o : testing::ControllerObjects("Model 9"))
      values.push_back(std::string(o.type) == "integer" ? BerValue::Int(std::stoi(o.value)) : BerValue::Octets(o.value));
    return ScriptedAgent::Echo(m, values);
  });
  ASSERT_TRUE(snmp::UseIpxLoopbackMap({{*snmp::Address::Parse(kA), *snmp::Address::Parse(agent.address())}}));
  auto nameSpace = std::make_shared<netware::ScriptedNameSpace>();
  nameSpace->SetProviders({netware::NameSpaceProvider{netware::kNovellSapNameProvider}});
  nameSpace->SetServices({testing::SapAddress(kA)});
  netware::SetNameSpace(nameSpace);
  auto printers = std::make_shared<spooler::MemorySpooler>();
  printers->AddPrinter({"Sales laser", "\\\\FS1\\.LASERQ.SALES", "", false});
  spooler::SetBackend(printers);

  IpxDeviceFinder finder;
  finder.Discover({}, OptionValues{1, 20, 1, 1, 0});
  netware::SetNameSpace(nullptr);
  spooler::SetBackend(nullptr);
  snmp::UseIpxUnavailable();

  ASSERT_EQ(finder.GetDeviceCount(), 1);
  EXPECT_EQ(testing::PropertyText(finder, 0, "DEVICE_ADDRESS"), kA);
  EXPECT_EQ(testing::PropertyInt(finder, 0, "DEVICE_GENERAL_STATUS"), 3);
  EXPECT_EQ(queueAsks.load(), 2);
  EXPECT_EQ(testing::PropertyText(finder, 0, "QSERVER"), "LaserQ");
  EXPECT_EQ(testing::PropertyInt(finder, 0, "DEVICE_INSTALLED_PRINTER"), 1);
  EXPECT_EQ(testing::PropertyText(finder, 0, "DEVICE_NAME_SPOOLER"), "Sales laser");
}

}  // namespace
}  // namespace vlm::discovery
