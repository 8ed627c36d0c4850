// The network manager's reads beside a bare Net-SNMP loop that sends the
// same PDUs to the same loopback agent, in the same run:
// - one get of a 64-scalar list;
// - a 20-row count walk (21 get-next exchanges).
#include <benchmark/benchmark.h>
#include <net-snmp/net-snmp-config.h>
#include <net-snmp/net-snmp-includes.h>

#include <memory>

#include "netmgr/mib_tables.h"
#include "netmgr/vector_request.h"
#include "tests/support/snmpd_agent.h"

namespace {

using vlm::netmgr::VectorRequest;
using vlm::testing::FixtureObject;
using vlm::testing::SnmpdAgent;

constexpr int kScalars = 64;
constexpr int kRows = 20;
const char* const kAlertColumn = "1.3.6.1.4.1.2364.1.2.6.1.1.2";

// The first 64 integer records of the table, each served at instance ".1".
std::vector<std::int32_t> IntegerIds() {
  std::vector<std::int32_t> ids;
  for (std::int32_t id = 0; id < vlm::netmgr::kMibObjectCount && ids.size() < kScalars; ++id)
    if (vlm::netmgr::SyntaxOf(id) == "I") ids.push_back(id);
  return ids;
}

SnmpdAgent& Agent() {
  static SnmpdAgent* agent = [] {
    std::vector<FixtureObject> fixture;
    for (std::int32_t id : IntegerIds())
      fixture.push_back({std::string(vlm::netmgr::OidOf(id)) + ".1", "integer", std::to_string(id), false});
    for (int row = 1; row <= kRows; ++row)
      fixture.push_back({std::string(kAlertColumn) + "." + std::to_string(row), "integer", "3", false});
    return new SnmpdAgent(fixture);
  }();
  return *agent;
}

vlm::snmp::Target Target() {
  vlm::snmp::Target t;
  t.address = *vlm::snmp::Address::Parse(Agent().address());
  t.retries = 2;
  t.timeoutCs = 100;
  return t;
}

void BM_NetMgr_Get64(benchmark::State& state) {
  vlm::snmp::Session session;
  vlm::snmp::Target target = Target();
  VectorRequest request(".1", session, target);
  for (std::int32_t id : IntegerIds()) request.AppendScalar(id);
  for (auto _ : state)
    if (request.FetchValues() != 0) state.SkipWithError("fetch failed");
}

void BM_NetMgr_Walk20(benchmark::State& state) {
  vlm::snmp::Session session;
  vlm::snmp::Target target = Target();
  VectorRequest request("", session, target);
  for (auto _ : state) {
    std::int32_t count = 0;
    if (request.CountInstances(175, count) != 0 || count != kRows) state.SkipWithError("walk failed");
  }
}

struct Bare {
  Bare() {
    netsnmp_session s;
    snmp_sess_init(&s);
    peer = "udp:" + Agent().host() + ":" + std::to_string(Agent().port());
    s.peername = peer.data();
    s.version = SNMP_VERSION_1;
    s.community = reinterpret_cast<u_char*>(const_cast<char*>("public"));
    s.community_len = 6;
    s.retries = 2;
    s.timeout = 1000000;
    handle = snmp_sess_open(&s);
  }
  ~Bare() { snmp_sess_close(handle); }
  std::string peer;
  void* handle = nullptr;
};

std::vector<std::vector<oid>> ParsedOids(const std::vector<std::string>& texts) {
  std::vector<std::vector<oid>> out;
  for (const std::string& t : texts) {
    auto parsed = vlm::snmp::Oid::Parse(t);
    out.emplace_back(parsed->ids().begin(), parsed->ids().end());
  }
  return out;
}

void BM_Bare_Get64(benchmark::State& state) {
  Bare bare;
  std::vector<std::string> texts;
  for (std::int32_t id : IntegerIds()) texts.push_back(std::string(vlm::netmgr::OidOf(id)) + ".1");
  auto oids = ParsedOids(texts);
  for (auto _ : state) {
    netsnmp_pdu* pdu = snmp_pdu_create(SNMP_MSG_GET);
    for (auto& o : oids) snmp_add_null_var(pdu, o.data(), o.size());
    netsnmp_pdu* response = nullptr;
    if (snmp_sess_synch_response(bare.handle, pdu, &response) != STAT_SUCCESS || response->errstat)
      state.SkipWithError("get failed");
    if (response) snmp_free_pdu(response);
  }
}

void BM_Bare_Walk20(benchmark::State& state) {
  Bare bare;
  auto column = ParsedOids({kAlertColumn}).front();
  for (auto _ : state) {
    std::vector<oid> current = column;
    int count = 0;
    while (true) {
      netsnmp_pdu* pdu = snmp_pdu_create(SNMP_MSG_GETNEXT);
      snmp_add_null_var(pdu, current.data(), current.size());
      netsnmp_pdu* response = nullptr;
      int rc = snmp_sess_synch_response(bare.handle, pdu, &response);
      bool done = rc != STAT_SUCCESS || response->errstat != 0;
      if (!done) {
        netsnmp_variable_list* v = response->variables;
        done = v->name_length <= column.size() ||
               std::equal(column.begin(), column.end(), v->name) == false;
        if (!done) {
          ++count;
          current.assign(v->name, v->name + v->name_length);
        }
      }
      if (response) snmp_free_pdu(response);
      if (done) break;
    }
    if (count != kRows) state.SkipWithError("walk failed");
  }
}

// Interleaved, so that both sides see the same machine load.
BENCHMARK(BM_NetMgr_Get64)->MinTime(2.0)->Repetitions(3);
BENCHMARK(BM_Bare_Get64)->MinTime(2.0)->Repetitions(3);
BENCHMARK(BM_NetMgr_Walk20)->MinTime(2.0)->Repetitions(3);
BENCHMARK(BM_Bare_Walk20)->MinTime(2.0)->Repetitions(3);

}  // namespace

BENCHMARK_MAIN();
