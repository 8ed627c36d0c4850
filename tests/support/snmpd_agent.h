// A real Net-SNMP agent (`snmpd`) serving a simulated printer from a fixture,
// on a loopback address of its own.
//
// The agent serves exactly the fixture's objects (`override` lines), answers
// community "public" read-only and "qarnel" read-write from 127.0.0.0/8, reads
// no other configuration and keeps its persistent state in a temporary
// folder. The constructor returns once the agent answers; the destructor
// stops it (SIGTERM, then SIGKILL) and removes its folder. The agent also
// dies with the test process.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <string>
#include <vector>

namespace vlm::testing {

struct FixtureObject {
  std::string oid;    // dotted, no leading dot
  std::string type;   // snmpd override type: integer, uinteger, octet_str, object_id, counter, null
  std::string value;  // as snmpd.conf takes it; octet strings are quoted by the harness
  bool writable = false;
};

// Full path of a program on $PATH or in the system folders; throws when absent.
std::string FindProgram(const std::string& name);

// Runs a Net-SNMP client tool (snmptrap, snmpget, ...) with args to its end
// and returns its exit status (-1 when it did not exit). The tool reads no
// configuration and no MIB files and keeps its persistent state in a
// temporary folder of its own, removed afterwards, so that no test touches
// the machine's Net-SNMP state.
int RunNetSnmpTool(const std::string& name, const std::vector<std::string>& args);

class SnmpdAgent {
 public:
  // Starts on a newly allocated loopback address.
  explicit SnmpdAgent(std::vector<FixtureObject> fixture);
  // Starts on the given loopback address (from AllocateLoopbackRange).
  SnmpdAgent(std::string host, std::vector<FixtureObject> fixture);
  ~SnmpdAgent();
  SnmpdAgent(const SnmpdAgent&) = delete;
  SnmpdAgent& operator=(const SnmpdAgent&) = delete;

  const std::string& host() const { return host_; }
  std::uint16_t port() const { return port_; }
  // "host/port", the form the SNMP layer parses.
  std::string address() const;
  pid_t pid() const { return pid_; }

  // Stops the agent now (it then answers nothing: a dead device).
  void Stop();

 private:
  void Start(const std::vector<FixtureObject>& fixture);

  std::string host_;
  std::uint16_t port_ = 0;
  std::string dir_;
  pid_t pid_ = -1;
};

}  // namespace vlm::testing
