// The IP provider's range scan and its answered query, beside bare Net-SNMP
// doing the same exchanges in the same run:
// - a pass over a range of 254 silent loopback addresses with Timeout 5
//   (50 ms) and Retries 1, whose lower bound is 254 x 2 x 50 ms = 25.4 s;
// - one answered query of the provider's two objects from a loopback snmpd
//   controller (a one-address range pass, as the scan makes it).
#include <benchmark/benchmark.h>
#include <net-snmp/net-snmp-config.h>
#include <net-snmp/net-snmp-includes.h>

#include <memory>

#include "discovery/providers/ip/ip_finder.h"
#include "tests/support/loopback.h"
#include "tests/support/snmpd_agent.h"

namespace {

using vlm::discovery::IpDeviceFinder;
using vlm::discovery::OptionValues;
using vlm::testing::FixtureObject;
using vlm::testing::SnmpdAgent;

constexpr const char* kSysName = "1.3.6.1.2.1.1.5.0";
constexpr int kTimeoutCs = 5;
constexpr int kRetries = 1;

const OptionValues kRangeOptions = {1000, kTimeoutCs, kRetries, 0, 1};

// A /24 of loopback addresses without agents: .1 to .254.
const std::string& SilentBlock() {
  static const std::string block = [] {
    std::string first = vlm::testing::AllocateLoopbackRange(250).front();  // x.y.z.1
    return first.substr(0, first.rfind('.') + 1);
  }();
  return block;
}

// Stopped and its folder removed when the program exits.
SnmpdAgent& Controller() {
  static SnmpdAgent agent(std::vector<FixtureObject>{
      {kSysName, "octet_str", "Model 9", false},
      {vlm::discovery::kSystemDescriptionOid, "octet_str", vlm::discovery::kControllerDescription, false}});
  return agent;
}

void BM_SeekIp_SilentRange254(benchmark::State& state) {
  const std::string range = SilentBlock() + "1:" + SilentBlock() + "254";
  for (auto _ : state) {
    IpDeviceFinder finder;
    finder.ScanRanges({range}, kRangeOptions);
    if (finder.GetDeviceCount() != 0) state.SkipWithError("a silent address answered");
  }
  state.counters["bound_s"] = 254.0 * (1 + kRetries) * kTimeoutCs / 100.0;
}

void BM_SeekIp_AnsweredQuery(benchmark::State& state) {
  IpDeviceFinder finder;
  const std::string range = Controller().host();
  for (auto _ : state) {
    finder.ScanRanges({range}, kRangeOptions);
    if (finder.GetDeviceCount() != 1) state.SkipWithError("no controller");
  }
}

// Bare Net-SNMP: a version 1 session per peer, as the SNMP layer keeps one.
struct Bare {
  explicit Bare(const std::string& host) {
    static vlm::snmp::Session settings;  // the SNMP layer's library set-up, for both sides
    netsnmp_session s;
    snmp_sess_init(&s);
    peer = "udp:" + host + ":" + std::to_string(vlm::testing::AgentPort());
    s.peername = peer.data();
    s.version = SNMP_VERSION_1;
    s.community = reinterpret_cast<u_char*>(const_cast<char*>("public"));
    s.community_len = 6;
    s.retries = kRetries;
    s.timeout = kTimeoutCs * 10000L;
    handle = snmp_sess_open(&s);
  }
  ~Bare() {
    if (handle) snmp_sess_close(handle);
  }
  // One get of the provider's two objects; true when answered.
  bool Get() {
    static const oid name[] = {1, 3, 6, 1, 2, 1, 1, 5, 0};
    static const oid descr[] = {1, 3, 6, 1, 2, 1, 1, 1, 0};
    netsnmp_pdu* pdu = snmp_pdu_create(SNMP_MSG_GET);
    snmp_add_null_var(pdu, name, OID_LENGTH(name));
    snmp_add_null_var(pdu, descr, OID_LENGTH(descr));
    netsnmp_pdu* response = nullptr;
    bool ok = snmp_sess_synch_response(handle, pdu, &response) == STAT_SUCCESS && response->errstat == 0;
    if (response) snmp_free_pdu(response);
    return ok;
  }
  std::string peer;
  void* handle = nullptr;
};

void BM_Bare_SilentRange254(benchmark::State& state) {
  for (auto _ : state) {
    for (int host = 1; host <= 254; ++host) {
      Bare bare(SilentBlock() + std::to_string(host));
      if (bare.Get()) state.SkipWithError("a silent address answered");
    }
  }
}

void BM_Bare_AnsweredGet(benchmark::State& state) {
  Bare bare(Controller().host());
  for (auto _ : state)
    if (!bare.Get()) state.SkipWithError("no answer");
}

BENCHMARK(BM_SeekIp_SilentRange254)->Iterations(1)->Repetitions(2)->UseRealTime()->Unit(benchmark::kSecond);
BENCHMARK(BM_Bare_SilentRange254)->Iterations(1)->Repetitions(2)->UseRealTime()->Unit(benchmark::kSecond);
BENCHMARK(BM_SeekIp_AnsweredQuery)->MinTime(2.0)->Repetitions(3)->UseRealTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Bare_AnsweredGet)->MinTime(2.0)->Repetitions(3)->UseRealTime()->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
