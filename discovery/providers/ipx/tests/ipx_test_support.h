// Helpers of the IPX provider's tests: the six objects an IPX controller
// serves (for the in-process network and for snmpd), and SAP addresses.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "discovery/providers/tests/fake_network.h"
#include "netmgr/snmp/snmp.h"
#include "platform/netware/netware.h"
#include "tests/support/snmpd_agent.h"

namespace vlm::discovery::testing {

inline constexpr const char* kQueueServerOidText = "1.3.6.1.4.1.901.1.1.3.12.1.3";

// One object of an IPX controller: OID, snmpd type, value.
struct ControllerObject {
  const char* property;
  const char* oid;
  const char* type;
  std::string value;
};

// The six objects, in the property table's order; "Model" names the model.
inline std::vector<ControllerObject> ControllerObjects(const std::string& model) {
  return {
      {"DEVICE_PRODUCT_NAME", "1.3.6.1.4.1.2364.1.1.1.1.1.2.1.1", "octet_str", model},
      {"DEVICE_LOCATION", "1.3.6.1.4.1.2364.1.1.1.1.1.3.1.1", "octet_str", "Second floor"},
      {"DEVICE_GENERAL_STATUS", "1.3.6.1.4.1.2364.1.1.1.1.1.6.1.1", "integer", "3"},
      {"DEVICE_TANDEM", "1.3.6.1.4.1.2364.1.1.1.1.1.8.1.1", "integer", "0"},
      {"DEVICE_MIB_VERSION", "1.3.6.1.4.1.2364.1.1.2.1.1.2.1.1", "octet_str", "2.1"},
      {"DEVICE_NAME", "1.3.6.1.2.1.43.5.1.1.16.1", "octet_str", model + " printer"},
  };
}

// The objects with the queue-server name (when given), without the object
// at `omit` (when given).
inline std::vector<ControllerObject> Controller(const std::string& model, std::optional<std::string> queue = {},
                                                std::optional<std::size_t> omit = {}) {
  std::vector<ControllerObject> objects = ControllerObjects(model);
  if (omit) objects.erase(objects.begin() + static_cast<std::ptrdiff_t>(*omit));
  if (queue) objects.push_back({"QSERVER", kQueueServerOidText, "octet_str", *queue});
  return objects;
}

inline FakeAgent InProcessAgent(const std::vector<ControllerObject>& objects) {
  FakeAgent agent;
  for (const ControllerObject& o : objects) {
    snmp::Oid oid = *snmp::Oid::Parse(o.oid);
    agent.objects[o.oid] = std::string(o.type) == "integer" ? snmp::VarBind::Int(oid, std::stoi(o.value))
                                                            : snmp::VarBind::Octets(oid, o.value);
  }
  return agent;
}

inline std::vector<vlm::testing::FixtureObject> SnmpdFixture(const std::vector<ControllerObject>& objects) {
  std::vector<vlm::testing::FixtureObject> fixture;
  for (const ControllerObject& o : objects) fixture.push_back({o.oid, o.type, o.value, false});
  return fixture;
}

// The SAP result of an address text "nnnnnnnn:hhhhhhhhhhhh".
inline netware::IpxSocketAddress SapAddress(const std::string& text) {
  snmp::Address a = *snmp::Address::Parse(text);
  netware::IpxSocketAddress s;
  std::copy(a.ipxNetwork(), a.ipxNetwork() + 4, s.network);
  std::copy(a.ipxNode(), a.ipxNode() + 6, s.node);
  s.socket = 0x0F90;  // 0x900F in network byte order
  return s;
}

// The 12 bytes of a bindery NET_ADDRESS value: network, node, socket.
inline std::vector<std::uint8_t> NetAddress(const std::string& text) {
  netware::IpxSocketAddress s = SapAddress(text);
  std::vector<std::uint8_t> v(s.network, s.network + 4);
  v.insert(v.end(), s.node, s.node + 6);
  v.push_back(0x90);
  v.push_back(0x0F);
  return v;
}

}  // namespace vlm::discovery::testing
