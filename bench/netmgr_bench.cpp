// The network manager's reads beside a bare Net-SNMP loop that sends the
// same PDUs to the same loopback agent:
// - one get of a 64-scalar list;
// - a 20-row count walk (21 get-next exchanges);
// - one group read through the management interface: GetGroupValues of a
//   40-scalar custom group and both value lists, beside the bare get of the
//   same 40 OIDs.
// The two sides of an operation alternate in short rounds (ours, bare, ours,
// bare, ...) inside one run, so that both see the same machine load; the
// program prints, per operation, the median over the rounds of the ratio
// ours / bare, for wall time and for the client's CPU time.
//
// Usage: netmgr_bench [ROUNDS [MS_PER_ROUND [OPERATION]]]   (default 41 rounds
// of 50 ms, every operation; OPERATION picks those whose name contains it,
// for a profiler's run)
#include <net-snmp/net-snmp-config.h>
#include <net-snmp/net-snmp-includes.h>
#include <malloc.h>
#include <time.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "mgmt/tests/fakes.h"
#include "mgmt/vector_item.h"
#include "netmgr/mib_tables.h"
#include "netmgr/session.h"
#include "netmgr/vector_request.h"
#include "platform/registry/registry.h"
#include "tests/support/snmpd_agent.h"

namespace {

using vlm::netmgr::VectorRequest;
using vlm::testing::FixtureObject;
using vlm::testing::SnmpdAgent;

constexpr int kScalars = 64;
constexpr int kGroupIntegers = 30;
constexpr int kGroupTexts = 10;
constexpr int kRows = 20;
const char* const kAlertColumn = "1.3.6.1.4.1.2364.1.2.6.1.1.2";

[[noreturn]] void Fail(const char* what) {
  std::fprintf(stderr, "netmgr_bench: %s\n", what);
  std::exit(1);
}

// The first `n` records of the table with this syntax ("I" or "S"), each
// served at instance ".1".
std::vector<std::int32_t> IdsOfSyntax(const char* syntax, int n) {
  std::vector<std::int32_t> ids;
  for (std::int32_t id = 0; id < vlm::netmgr::kMibObjectCount && static_cast<int>(ids.size()) < n; ++id)
    if (vlm::netmgr::SyntaxOf(id) == syntax && vlm::netmgr::IsStringInReadList(id) == (syntax[0] == 'O'))
      ids.push_back(id);
  return ids;
}

std::vector<std::int32_t> GroupIds() {
  std::vector<std::int32_t> ids = IdsOfSyntax("I", kGroupIntegers);
  for (std::int32_t id : IdsOfSyntax("OS", kGroupTexts)) ids.push_back(id);
  return ids;
}

// The one agent, stopped and its folder removed when the program exits
// (also through Fail).
SnmpdAgent& Agent() {
  static std::unique_ptr<SnmpdAgent> agent = [] {
    std::vector<FixtureObject> fixture;
    std::vector<std::int32_t> ids = IdsOfSyntax("I", kScalars);
    for (std::int32_t id : IdsOfSyntax("OS", kGroupTexts)) ids.push_back(id);
    for (std::int32_t id : ids) {
      bool text = vlm::netmgr::SyntaxOf(id) == "OS";
      fixture.push_back({std::string(vlm::netmgr::OidOf(id)) + ".1", text ? "octet_str" : "integer",
                         text ? "text" + std::to_string(id) : std::to_string(id), false});
    }
    for (int row = 1; row <= kRows; ++row)
      fixture.push_back({std::string(kAlertColumn) + "." + std::to_string(row), "integer", "3", false});
    return std::make_unique<SnmpdAgent>(fixture);
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

std::vector<std::string> OidTexts(const std::vector<std::int32_t>& ids) {
  std::vector<std::string> texts;
  for (std::int32_t id : ids) texts.push_back(std::string(vlm::netmgr::OidOf(id)) + ".1");
  return texts;
}

// ---------------------------------------------------------------- bare Net-SNMP

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
    if (!handle) Fail("bare session does not open");
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

void BareGet(Bare& bare, const std::vector<std::vector<oid>>& oids) {
  netsnmp_pdu* pdu = snmp_pdu_create(SNMP_MSG_GET);
  for (auto& o : oids) snmp_add_null_var(pdu, o.data(), o.size());
  netsnmp_pdu* response = nullptr;
  if (snmp_sess_synch_response(bare.handle, pdu, &response) != STAT_SUCCESS || response->errstat)
    Fail("bare get failed");
  snmp_free_pdu(response);
}

void BareWalk(Bare& bare, const std::vector<oid>& column) {
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
      done = v->name_length <= column.size() || !std::equal(column.begin(), column.end(), v->name);
      if (!done) {
        ++count;
        current.assign(v->name, v->name + v->name_length);
      }
    }
    if (response) snmp_free_pdu(response);
    if (done) break;
  }
  if (count != kRows) Fail("bare walk failed");
}

// ---------------------------------------------------------------- the management interface

// The real network manager class, for the management interface's creation.
class NetMgrFactory final : public vlm::IClassFactory {
 public:
  vlm::HRESULT QueryInterface(vlm::REFIID iid, void** object) override {
    if (iid != vlm::IID_IUnknown && iid != vlm::IID_IClassFactory) return vlm::E_NOINTERFACE;
    *object = static_cast<vlm::IClassFactory*>(this);
    return vlm::S_OK;
  }
  vlm::ULONG AddRef() override { return 2; }
  vlm::ULONG Release() override { return 1; }
  vlm::HRESULT CreateInstance(vlm::IUnknown* outer, vlm::REFIID iid, void** object) override {
    auto* session = new vlm::netmgr::NetMgrSession(outer);
    ++vlm::netmgr::Module().objects;
    session->Identity()->AddRef();
    vlm::HRESULT hr = session->Identity()->QueryInterface(iid, object);
    session->Identity()->Release();
    return hr;
  }
  vlm::HRESULT LockServer(vlm::BOOL) override { return vlm::S_OK; }
};

struct GroupRead {
  GroupRead() {
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/vlm-bench-reg-XXXXXX";
    std::vector<char> path(pattern.begin(), pattern.end());
    path.push_back('\0');
    if (!::mkdtemp(path.data())) Fail("no registry folder");
    registryRoot = path.data();
    ::setenv("VLM_REGISTRY_ROOT", registryRoot.c_str(), 1);
    vlm::registry::ResetForTests();
    vlm::CoInitialize(nullptr);
    if (vlm::CoRegisterClassObject(vlm::CLSID_VlmNetMgr, &factory, vlm::CLSCTX_INPROC_SERVER,
                                   vlm::REGCLS_MULTIPLEUSE, &cookie) != vlm::S_OK)
      Fail("cannot register the network manager class");
    env.makeDiscoveryManager = [this] { return &dm; };
    env.freeDiscoveryManager = [](vlm::discovery::DiscoveryManager*) {};
    if (vlm::mgmt::CreateVectorItem(env, vlm::IID_IVectorItem,
                                    reinterpret_cast<void**>(item.ReleaseAndGetAddressOf())) != vlm::S_OK)
      Fail("cannot create the management interface");
    dm.devices = {vlm::mgmt::testing::FakeDiscovery::At(Agent().address(), 1)};
    vlm::LONG root = -1, device = -1;
    item->GetRootHandle(vlm::xlpnmif::kInstalledPrinters, 0, &root);
    dm.Join();
    item->GetRootHandle(vlm::xlpnmif::kInstalledPrinter, 0, &device);
    item->GetHandle(device, 0, 1, &handle);
    if (handle < 0) Fail("no handle on the agent");
    const std::vector<std::int32_t> ids = GroupIds();
    std::vector<vlm::SHORT> shorts(ids.begin(), ids.end());
    group = -1;
    item->CreateCustomGroup(vlm::mgmt::testing::ShortArray(shorts), &group);
  }
  ~GroupRead() {
    item = nullptr;
    vlm::CoRevokeClassObject(cookie);
    vlm::CoUninitialize();
    std::string command = "rm -rf '" + registryRoot + "'";
    if (std::system(command.c_str()) != 0) std::fprintf(stderr, "netmgr_bench: %s left behind\n", registryRoot.c_str());
  }
  void Once() {
    vlm::LONG error = -99;
    item->GetGroupValues(handle, group, 0, 0, &error);
    if (error != 0) Fail("group read failed");
    vlm::LONG n = 0;
    item->GetCurrentIntegerValueList(handle, &ints.ids, &ints.values, &ints.descrs, &n);
    if (n != kGroupIntegers) Fail("integer list short");
    item->GetCurrentStringValueList(handle, &texts.ids, &texts.values, &texts.descrs, &n);
    if (n != kGroupTexts) {
      std::fprintf(stderr, "%d texts\n", static_cast<int>(n));
      Fail("string list short");
    }
  }

  std::string registryRoot;
  NetMgrFactory factory;
  vlm::DWORD cookie = 0;
  vlm::mgmt::Environment env;
  vlm::mgmt::testing::FakeDiscovery dm;
  vlm::ComPtr<vlm::IVectorItem> item;
  vlm::LONG handle = -1;
  vlm::LONG group = -1;
  vlm::mgmt::testing::ValueLists ints{false};
  vlm::mgmt::testing::ValueLists texts{true};
};

// ---------------------------------------------------------------- rounds

double CpuSeconds() {
  timespec t;
  ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + t.tv_nsec * 1e-9;
}
double WallSeconds() {
  return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

struct PerOp {
  double wall;
  double cpu;
};

// Runs `op` `n` times; the wall and CPU time of one call.
PerOp Time(const std::function<void()>& op, int n) {
  double w = WallSeconds(), c = CpuSeconds();
  for (int i = 0; i < n; ++i) op();
  return {(WallSeconds() - w) / n, (CpuSeconds() - c) / n};
}

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  std::size_t n = v.size();
  return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

void Compare(const char* name, const std::function<void()>& ours, const std::function<void()>& bare,
             int rounds, double msPerRound) {
  for (int i = 0; i < 20; ++i) {  // warm both up
    ours();
    bare();
  }
  // Calls per round, so that a round of each side lasts about msPerRound.
  PerOp probe = Time(bare, 50);
  int n = std::max(5, static_cast<int>(msPerRound * 1e-3 / std::max(probe.wall, 1e-7)));
  std::vector<double> wallRatio, cpuRatio, oursWall, bareWall, oursCpu, bareCpu;
  for (int r = 0; r < rounds; ++r) {
    // Alternate which side goes first, so that neither always follows the other.
    PerOp a, b;
    if (r % 2 == 0) {
      a = Time(ours, n);
      b = Time(bare, n);
    } else {
      b = Time(bare, n);
      a = Time(ours, n);
    }
    wallRatio.push_back(a.wall / b.wall);
    cpuRatio.push_back(a.cpu / b.cpu);
    oursWall.push_back(a.wall);
    bareWall.push_back(b.wall);
    oursCpu.push_back(a.cpu);
    bareCpu.push_back(b.cpu);
  }
  std::sort(wallRatio.begin(), wallRatio.end());
  std::sort(cpuRatio.begin(), cpuRatio.end());
  const std::size_t q1 = wallRatio.size() / 4, q3 = wallRatio.size() * 3 / 4;
  std::printf("%-34s wall %.3f (quartiles %.3f-%.3f)  cpu %.3f (quartiles %.3f-%.3f)   "
              "ours %.1f/%.1f us, bare %.1f/%.1f us (wall/cpu), %d rounds of %d calls\n",
              name, Median(wallRatio), wallRatio[q1], wallRatio[q3], Median(cpuRatio), cpuRatio[q1],
              cpuRatio[q3], Median(oursWall) * 1e6, Median(oursCpu) * 1e6, Median(bareWall) * 1e6,
              Median(bareCpu) * 1e6, rounds, n);
  std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
  const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 41;
  const double ms = argc > 2 ? std::max(1.0, std::atof(argv[2])) : 50.0;
  const std::string only = argc > 3 ? argv[3] : "";
  auto wanted = [&](const char* name) { return std::string_view(name).find(only) != std::string_view::npos; };
  // glibc gives the top of the heap back to the system whenever more than
  // 128 KB lies free there, and a Net-SNMP exchange of 40 to 64 bindings frees
  // about that much at once (some 1.1 KB per binding and copy). Which side
  // then pays a brk call and fresh page faults at every exchange depends
  // only on where the other side left the heap, and can triple one side's
  // CPU time. Both sides run with the heap kept, so that the figures compare
  // the code.
  mallopt(M_TRIM_THRESHOLD, 64 << 20);
  Agent();
  std::printf("median ratio ours / bare over alternating rounds (%d rounds, about %.0f ms a side)\n",
              rounds, ms);

  if (wanted("get of a 64-scalar list")) {
    vlm::snmp::Session session;
    vlm::snmp::Target target = Target();
    VectorRequest request(".1", session, target);
    for (std::int32_t id : IdsOfSyntax("I", kScalars)) request.AppendScalar(id);
    Bare bare;
    auto oids = ParsedOids(OidTexts(IdsOfSyntax("I", kScalars)));
    Compare("get of a 64-scalar list", [&] {
      if (request.FetchValues() != 0) Fail("fetch failed");
    }, [&] { BareGet(bare, oids); }, rounds, ms);
  }
  if (wanted("20-row count walk")) {
    vlm::snmp::Session session;
    vlm::snmp::Target target = Target();
    VectorRequest request("", session, target);
    Bare bare;
    auto column = ParsedOids({kAlertColumn}).front();
    Compare("20-row count walk", [&] {
      std::int32_t count = 0;
      if (request.CountInstances(175, count) != 0 || count != kRows) Fail("walk failed");
    }, [&] { BareWalk(bare, column); }, rounds, ms);
  }
  if (wanted("group read of 40 scalars + lists")) {
    GroupRead read;
    Bare bare;
    auto oids = ParsedOids(OidTexts(GroupIds()));
    Compare("group read of 40 scalars + lists", [&] { read.Once(); }, [&] { BareGet(bare, oids); },
            rounds, ms);
  }
  return 0;
}
