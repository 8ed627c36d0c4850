// Loopback addresses for test peers. Every peer of a test binds its own
// address in 127.0.0.0/8, chosen so that tests running in parallel never
// collide; nothing here ever names an address outside that block.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace vlm::testing {

// The UDP port the agents of this test process listen on: 161 when the
// process may bind it, otherwise a free port, which is then also put into
// $VLM_SNMP_PORT so that the SNMP layer's default port is the agents' port.
// Call before any SNMP layer code runs (the harness does so itself).
std::uint16_t AgentPort();

// `count` consecutive addresses 127.a.b.c .. 127.a.b.(c+count-1), all within
// one /24 and all free on AgentPort() at the time of the call. Addresses are
// reserved for the life of the process.
std::vector<std::string> AllocateLoopbackRange(int count);
std::string AllocateLoopbackAddress();

// Dotted text of a host-order IPv4 address.
std::string DottedQuad(std::uint32_t hostOrder);
std::uint32_t ParseDottedQuad(const std::string& text);

}  // namespace vlm::testing
