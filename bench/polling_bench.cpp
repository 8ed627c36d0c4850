// The monitor's polling tick against live loopback agents, beside the same
// exchanges sent by bare Net-SNMP in the same run.
//
// The stack is the real one: the libraries registered into a scratch
// registry, the network manager and the IP provider loaded by the COM layer
// and the discovery manager, the management interface's two objects, and
// the main window's procedures (Tqz_Main, free of Qt widgets, with the
// real device data readers and tab views) on windows that only record. Three simulated
// printers (one a tandem pair) answer from snmpd agents on 127.x.y.z; they
// are found by the IP provider as other devices.
//
// A tick is Timer1_Timer: the visible tab's refresh and the status pass.
// Every request the network manager sends goes through Net-SNMP's
// snmp_sess_async_send, which this program interposes (it is exported from
// the executable): a recording tick keeps a copy of every request PDU and
// its peer, and the bare side sends copies of the same PDUs to the same
// agents on its own sessions with the library's synchronous exchange. The
// interposed send hands the library its own callback, which counts the
// requests that time out before passing each event on. Per tab, ticks and
// bare replays alternate in short rounds; the program prints the medians of
// our tick, of the bare exchanges and of the difference (the program's own
// time). A recording tick that sees no request, or a dead printer that
// gives no time-out, ends the program with an error: the interposition no
// longer sees the exchanges, and the figures would mean nothing.
//
// Then a dead printer: the selected printer's agent is stopped (SIGSTOP)
// and one tick counts the exchanges that ended in a time-out.
//
// Then many ticks: the management interface's handle table, custom groups
// and node table, and the process's resident memory after the first tick
// and at the end.
//
// Last, the program itself over a long run: tqz2 from the build, offscreen
// on this scratch registry, lists two of the printers and polls every
// second while one of them is stopped (SIGSTOP) and continued (SIGCONT)
// every 20 s; its resident memory is read every minute.
//
// Usage: polling_bench [--rounds R] [--ticks N] [--tab T] [--minutes M]
//   (default 15 rounds of 5 ticks a side, 10000 ticks, 30 minutes of the
//   program; --minutes 0 skips the program's run; --tab measures one tab and
//   skips the dead printer and the program's run, for a profile)
#include <net-snmp/net-snmp-config.h>
#include <net-snmp/net-snmp-includes.h>

#include <dlfcn.h>
#include <malloc.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "discovery/manager/vlmdm.h"
#include "mgmt/tests/stack_support.h"
#include "mgmt/vector_item.h"
#include "monitor/devicedata/devicedata.h"
#include "monitor/tabs/frmTQZ_tabs.h"
#include "monitor/tabs/frmTQZ_tabs_test_support.h"
#include "monitor/mainwin/mainwin.h"
#include "monitor/mainwin/mainwin_test_support.h"
#include "platform/registry/registry.h"
#include "tests/support/loopback.h"
#include "tests/support/printer_fixtures.h"
#include "tests/support/snmpd_agent.h"
#include "tests/support/temp_folder.h"

namespace {

// ---------------------------------------------------------------- the interposed exchange

using AsyncSendFn = int (*)(void*, netsnmp_pdu*, netsnmp_callback, void*);
using SynchFn = int (*)(void*, netsnmp_pdu*, netsnmp_pdu**);

AsyncSendFn RealAsyncSend() {
  static AsyncSendFn real = reinterpret_cast<AsyncSendFn>(::dlsym(RTLD_NEXT, "snmp_sess_async_send"));
  return real;
}
SynchFn RealSynch() {
  static SynchFn real = reinterpret_cast<SynchFn>(::dlsym(RTLD_NEXT, "snmp_sess_synch_response"));
  return real;
}

struct Recorded {
  std::string peer;  // "udp:a.b.c.d:port"
  netsnmp_pdu* pdu;  // a copy of the request
};

struct Exchanges {
  std::mutex lock;
  const char* procedure = "";  // the reader that runs now
  std::map<std::string, long> timeoutsBy;  // time-outs by reader
  std::thread::id thread;  // only the window thread's exchanges count
  bool recording = false;
  bool bare = false;  // the bare side's exchanges are not ours
  std::vector<Recorded> pdus;
  std::map<void*, netsnmp_callback> callbacks;  // each sender's own callback, by its magic
  long sent = 0, timeouts = 0;
  long timeoutRetries = -1, timeoutUs = -1;  // of the last time-out
};
Exchanges& Seen() {
  static Exchanges* e = new Exchanges;
  return *e;
}

bool Ours() {
  Exchanges& e = Seen();
  return std::this_thread::get_id() == e.thread && !e.bare;
}

// Stands between the library and the sender's callback: counts the
// requests of ours that time out, then passes the event on.
int CountingCallback(int op, netsnmp_session* session, int reqid, netsnmp_pdu* pdu, void* magic) {
  Exchanges& e = Seen();
  netsnmp_callback forward = nullptr;
  {
    std::lock_guard<std::mutex> hold(e.lock);
    auto it = e.callbacks.find(magic);
    if (it != e.callbacks.end()) forward = it->second;
    if (op == NETSNMP_CALLBACK_OP_TIMED_OUT && std::this_thread::get_id() == e.thread && !e.bare) {
      ++e.timeouts;
      ++e.timeoutsBy[e.procedure];
      if (session) {
        e.timeoutRetries = session->retries;
        e.timeoutUs = session->timeout;
      }
    }
  }
  return forward ? forward(op, session, reqid, pdu, magic) : 1;
}

}  // namespace

// Net-SNMP's send of a request whose answer comes to a callback, seen by
// every library of the process.
extern "C" int snmp_sess_async_send(void* sessp, netsnmp_pdu* pdu, netsnmp_callback callback, void* magic) {
  if (!Ours() || !callback) return RealAsyncSend()(sessp, pdu, callback, magic);
  Exchanges& e = Seen();
  {
    std::lock_guard<std::mutex> hold(e.lock);
    ++e.sent;
    if (e.recording) {
      netsnmp_session* s = snmp_sess_session(sessp);
      e.pdus.push_back({s && s->peername ? s->peername : "", snmp_clone_pdu(pdu)});
    }
    e.callbacks[magic] = callback;
  }
  return RealAsyncSend()(sessp, pdu, &CountingCallback, magic);
}

namespace {

using namespace vlm;
using namespace vlm::monitor;
using namespace vlm::monitor::test_support;
using vlm::testing::SnmpdAgent;

// Thrown up to main, so that the agents are stopped and the scratch folder
// is removed on the way.
[[noreturn]] void Fail(const std::string& what) { throw std::runtime_error(what); }

double Now() {
  return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}
double Cpu() {
  timespec t;
  ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + t.tv_nsec * 1e-9;
}
double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  const std::size_t n = v.size();
  return n == 0 ? 0 : n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}
long RssKiB(const std::string& process = "self") {
  std::ifstream statm("/proc/" + process + "/statm");
  long size = 0, resident = 0;
  statm >> size >> resident;
  return resident * (::sysconf(_SC_PAGESIZE) / 1024);
}

// ---------------------------------------------------------------- bare Net-SNMP

class Bare {
 public:
  ~Bare() {
    for (auto& [peer, handle] : sessions_) snmp_sess_close(handle);
  }
  // Sends a copy of each recorded PDU to its agent and waits for the answer.
  void Replay(const std::vector<Recorded>& pdus) {
    Seen().bare = true;
    struct Done {
      ~Done() { Seen().bare = false; }
    } done;
    for (const Recorded& r : pdus) {
      netsnmp_pdu* response = nullptr;
      const int rc = RealSynch()(Session(r.peer), snmp_clone_pdu(r.pdu), &response);
      if (rc != STAT_SUCCESS) Fail("bare exchange with " + r.peer + " failed");
      snmp_free_pdu(response);
    }
  }

 private:
  void* Session(const std::string& peer) {
    auto it = sessions_.find(peer);
    if (it != sessions_.end()) return it->second;
    netsnmp_session s;
    snmp_sess_init(&s);
    s.peername = const_cast<char*>(peer.c_str());
    s.version = SNMP_VERSION_1;
    s.community = reinterpret_cast<u_char*>(const_cast<char*>("public"));
    s.community_len = 6;
    s.retries = 2;
    s.timeout = 1000000;
    void* handle = snmp_sess_open(&s);
    if (!handle) Fail("bare session to " + peer + " does not open");
    return sessions_[peer] = handle;
  }
  std::map<std::string, void*> sessions_;
};

// ---------------------------------------------------------------- the readers, traced

// The real readers; each call names the procedure that the exchanges it
// sends belong to.
class Traced_Readers final : public Tqz_Readers {
 public:
  struct Scope {
    explicit Scope(const char* name) : previous(Seen().procedure) { Seen().procedure = name; }
    ~Scope() { Seen().procedure = previous; }
    const char* previous;
  };
  Tqz_Readers& real = Device_Readers();
  void Get_Device_Flag(IVectorItem* item, VbInteger kind, VbInteger device, VbInteger row) override {
    Scope s("Get_Device_Flag");
    real.Get_Device_Flag(item, kind, device, row);
  }
  void Get_OS_Version() override { real.Get_OS_Version(); }
#define VLM_TRACED(name)                             \
  void name(IVectorItem* item) override {            \
    Scope s(#name);                                  \
    real.name(item);                                 \
  }
#define VLM_TRACED_ENGINE(name)                              \
  void name(IVectorItem* item, VbInteger engine) override {  \
    Scope s(#name);                                          \
    real.name(item, engine);                                 \
  }
  VLM_TRACED_ENGINE(Get_Printer_State)
  VLM_TRACED_ENGINE(Get_Printer_Identity)
  VLM_TRACED_ENGINE(Get_Summary_Info)
  VLM_TRACED_ENGINE(Get_Device_Functions)
  VLM_TRACED_ENGINE(Get_Engine_Counters)
  VLM_TRACED_ENGINE(Get_Engine_Model)
  VLM_TRACED_ENGINE(Get_Installed_Options)
  VLM_TRACED(Get_Finisher_Model)
  VLM_TRACED(Get_MIB_Version)
  VLM_TRACED(Get_Device_Status)
  VLM_TRACED(UpdateQuickView)
  VLM_TRACED(UpdateIPController)
  VLM_TRACED(UpdatePrinter)
  VLM_TRACED(UpdateAlertError)
  VLM_TRACED(UpdatePaperInput)
  VLM_TRACED(UpdatePaperOutput)
  VLM_TRACED(UpdateJobs)
  VLM_TRACED(Fill_Memory)
  VLM_TRACED(Fill_Firmware)
  VLM_TRACED(Fill_Output_Trays)
  VLM_TRACED(Draw_Input_Picture)
  VLM_TRACED(Draw_Output_Picture)
  VLM_TRACED(Draw_Status_Picture)
#undef VLM_TRACED
#undef VLM_TRACED_ENGINE
};

// ---------------------------------------------------------------- the stack

constexpr const char* kIpStartup = "SOFTWARE\\VLM\\Discovery\\DP\\IP\\Startup";
constexpr const char* kRanges = "SOFTWARE\\VLM\\Discovery\\DP\\IP\\Discovery Params\\RANGES";

mgmt::VectorItem* Concrete(IVectorItem* item) { return static_cast<mgmt::VectorItem*>(item); }

ComPtr<IVectorItem> MakeItem() {
  mgmt::Environment env;
  env.makeDiscoveryManager = [] { return MakeDiscoveryManagerObject(); };
  env.freeDiscoveryManager = [](discovery::DiscoveryManager* m) { FreeDiscoveryManagerObject(m); };
  ComPtr<IVectorItem> item;
  if (mgmt::CreateVectorItem(env, IID_IVectorItem, reinterpret_cast<void**>(item.ReleaseAndGetAddressOf())) !=
      S_OK)
    Fail("cannot create the management interface");
  return item;
}

void PrintOccupancy(const char* when, IVectorItem* installed, IVectorItem* other) {
  const auto a = Concrete(installed)->OccupancyForTests();
  const auto b = Concrete(other)->OccupancyForTests();
  std::printf("%-22s handles %d+%d  custom groups %zu+%zu  node table %d+%d (tree nodes %zu+%zu)  RSS %ld KiB\n",
              when, a.openHandles, b.openHandles, a.customGroups, b.customGroups, a.nodeCounter,
              b.nodeCounter, a.treeNodes, b.treeNodes, RssKiB());
  std::fflush(stdout);
}

void SetText(const char* path, const char* name, const std::string& text) {
  mgmt::testing::SetValue(path, name, REG_SZ, text.c_str(), static_cast<DWORD>(text.size() + 1));
}

// The program from the build, started in a process group of its own and
// ended (SIGTERM, then SIGKILL) when this goes.
class Program {
 public:
  explicit Program(const std::vector<std::pair<std::string, std::string>>& env) {
    pid_ = ::fork();
    if (pid_ < 0) Fail("fork");
    if (pid_ == 0) {
      ::setpgid(0, 0);
      for (const auto& [name, value] : env) ::setenv(name.c_str(), value.c_str(), 1);
      ::execl(VLM_TQZ2, VLM_TQZ2, static_cast<char*>(nullptr));
      ::_exit(127);
    }
  }
  ~Program() {
    if (pid_ <= 0) return;
    ::kill(pid_, SIGTERM);
    int status = 0;
    for (int i = 0; i < 100 && ::waitpid(pid_, &status, WNOHANG) == 0; ++i) ::usleep(100000);
    if (::waitpid(pid_, &status, WNOHANG) == 0) {
      ::kill(-pid_, SIGKILL);
      ::waitpid(pid_, &status, 0);
    }
  }
  Program(const Program&) = delete;
  Program& operator=(const Program&) = delete;
  pid_t pid() const { return pid_; }
  bool Running() const {
    int status = 0;
    return ::waitpid(pid_, &status, WNOHANG) == 0;
  }

 private:
  pid_t pid_ = -1;
};

// tqz2 polls two printers every second for `minutes` while the second one's
// agent is stopped and continued every 20 s; its RSS is printed every minute.
void Stop_And_Continue(const vlm::testing::TempFolder& root, const std::string& first, SnmpdAgent& second,
                       int minutes) {
  constexpr const char* kPrefs = "Software\\VLM\\Discovery\\Preferences";
  constexpr const char* kServers = "Software\\VLM\\Discovery\\DP\\IPX\\Discovery Params\\Servers";
  for (const char* library : {VLM_RX11_SO, VLM_RX12_SO, VLM_RX13_SO, VLM_RX14_SO, VLM_RX15_SO, VLM_RX16_SO,
                              VLM_RX17_SO})
    if (mgmt::testing::RunCommand(std::string(VLM_REGSVR) + " -s " + library) != 0) Fail(std::string("regsvr ") + library);
  if (mgmt::testing::RunCommand(std::string(VLM_REGSET) + " -f " + VLM_MAPPING_REG) != 0) Fail("regset");
  for (const auto& [name, value] : std::vector<std::pair<const char*, const char*>>{
           {"IP_Enabled", "Yes"}, {"IPX_Enabled", "No"}, {"UnInstalled_Enabled", "Yes"},
           {"Polling_Interval", "1"}, {"Polling_Enabled", "Yes"}, {"Check_Discovery", "Completed"}})
    SetText(kPrefs, name, value);
  SetText(kRanges, "0", first + ":" + second.host());
  SetText(kServers, "", "");
  registry::ResetForTests();
  const std::string runtime = root / "xdg";
  ::mkdir(runtime.c_str(), 0700);

  std::printf("\nthe program: two printers (%s, %s), polled every second; the second stopped and continued "
              "every 20 s, %d minutes\n",
              first.c_str(), second.host().c_str(), minutes);
  std::printf("%6s %10s %9s\n", "minute", "RSS KiB", "stopped");
  std::fflush(stdout);
  Program program({{"QT_QPA_PLATFORM", "offscreen"},
                   {"XDG_RUNTIME_DIR", runtime},
                   {"TMPDIR", root.path()},
                   {"VLM_INSTANCE_KEY", "vlm-polling-bench-" + std::to_string(::getpid())},
                   {"VLM_LANG_DIR", root.path()},
                   {"VLM_SNMP_LOOPBACK_ONLY", "1"}});
  const auto start = std::chrono::steady_clock::now();
  bool stopped = false;
  long stops = 0;
  std::vector<long> rss;
  for (int elapsed = 1; elapsed <= minutes * 60; ++elapsed) {
    std::this_thread::sleep_until(start + std::chrono::seconds(elapsed));
    if (!program.Running()) {
      ::kill(second.pid(), SIGCONT);
      Fail("the program ended after " + std::to_string(elapsed) + " s");
    }
    if (elapsed % 20 == 0) {
      stopped = !stopped;
      ::kill(second.pid(), stopped ? SIGSTOP : SIGCONT);
      if (stopped) ++stops;
    }
    if (elapsed % 60 == 0) {
      rss.push_back(RssKiB(std::to_string(program.pid())));
      std::printf("%6d %10ld %9ld\n", elapsed / 60, rss.back(), stops);
      std::fflush(stdout);
    }
  }
  ::kill(second.pid(), SIGCONT);
  if (rss.size() >= 2) {
    const auto [low, high] = std::minmax_element(rss.begin() + 1, rss.end());
    std::printf("from minute 2 to %d: %ld to %ld KiB, lowest %ld, highest %ld (spread %ld KiB)\n",
                minutes, rss[1], rss.back(), *low, *high, *high - *low);
  }
}

}  // namespace

int Run(int argc, char** argv) {
  int rounds = 15;
  long ticks = 10000;
  int onlyTab = -1;  // one tab, and no dead printer (for a profile)
  int minutes = 30;
  for (int i = 1; i < argc; i += 2) {
    if (i + 1 >= argc) Fail("usage: polling_bench [--rounds R] [--ticks N] [--tab T] [--minutes M]");
    if (std::strcmp(argv[i], "--rounds") == 0) rounds = std::max(1, std::atoi(argv[i + 1]));
    else if (std::strcmp(argv[i], "--ticks") == 0) ticks = std::max(1L, std::atol(argv[i + 1]));
    else if (std::strcmp(argv[i], "--tab") == 0) onlyTab = std::clamp(std::atoi(argv[i + 1]), 0, 6);
    else if (std::strcmp(argv[i], "--minutes") == 0) minutes = std::max(0, std::atoi(argv[i + 1]));
    else Fail("usage: polling_bench [--rounds R] [--ticks N] [--tab T] [--minutes M]");
  }
  if (!RealSynch() || !RealAsyncSend()) Fail("Net-SNMP's exchange not found");
  // glibc gives the top of the heap back to the system whenever more than
  // 128 KB lies free there; emptying the recording windows' logs after a
  // tick frees about that much, and the next tick then pays a brk call, a
  // TLB flush and fresh page faults (a tick of tab 0 took 5 ms instead of
  // 1.3 ms, a third of it in brk). Both sides run with the heap kept, so
  // that the figures compare the code, not the fakes' memory.
  mallopt(M_TRIM_THRESHOLD, 64 << 20);
  Seen().thread = std::this_thread::get_id();

  vlm::testing::TempFolder root("vlm-polling-bench");
  ::setenv("VLM_REGISTRY_ROOT", root.path().c_str(), 1);
  ::setenv("VLM_SNMP_TRAP_PORT", std::to_string(mgmt::testing::FreeUdpPort()).c_str(), 1);
  // No scheduler: no installed printers, and nothing waits for one.
  ::setenv("CUPS_SERVER", (root / "no-cups.sock").c_str(), 1);
  registry::ResetForTests();
  vlm::testing::AgentPort();

  const std::vector<vlm::testing::DemoPrinter> demo = vlm::testing::DemoPrinters();
  const std::vector<std::string> hosts = vlm::testing::AllocateLoopbackRange(static_cast<int>(demo.size()));
  std::vector<std::unique_ptr<SnmpdAgent>> agents;
  for (std::size_t i = 0; i < demo.size(); ++i)
    agents.push_back(std::make_unique<SnmpdAgent>(hosts[i], demo[i].objects));

  mgmt::testing::RegisterLibraries();
  const std::string range = hosts.front() + ":" + hosts.back();
  mgmt::testing::SetValue(kRanges, "0", REG_SZ, range.c_str(), static_cast<DWORD>(range.size() + 1));
  const DWORD timeout = 50, retries = 1;
  mgmt::testing::SetValue(kIpStartup, "Timeout", REG_DWORD, &timeout, 4);
  mgmt::testing::SetValue(kIpStartup, "Retries", REG_DWORD, &retries, 4);
  if (CoInitialize(nullptr) != S_OK) Fail("CoInitialize");

  {
    Fake_Main_Window mainPort;
    Report_Box dialog;
    Fake_Tabs_Window tabs;
    Main_Window = &mainPort;
    Message_Box = &dialog;
    Tabs_Window = &tabs;

    ComPtr<IVectorItem> installed = MakeItem(), other = MakeItem();
    tabs.Objects[0] = installed.Get();
    tabs.Objects[1] = other.Get();

    Fake_Window window;
    Fake_Shared shared;
    window.flag = [&](const std::string& name) -> std::string& { return shared.Flag(name); };
    shared.flags["UnInstalled_Enabled"] = "Yes";
    shared.flags["Polling_Enabled"] = "Yes";
    shared.flags["IP_Enabled"] = "Yes";
    Traced_Readers readers;
    auto main_window = std::make_unique<Tqz_Main>(window, readers, shared);
    Tqz_Main& m = *main_window;
    window.main = &m;
    m.Installed_Vector_Item = installed;
    m.Other_Vector_Item = other;
    m.Create_Vector_Item = [] { return MakeItem(); };

    m.Refresh_Discovery_Click();
    tabs.Printer_Rows = window.lvwIPs_Count();
    if (m.Discovered_Count != static_cast<VbInteger>(demo.size()))
      Fail("discovery found " + std::to_string(m.Discovered_Count) + " printers");
    std::printf("discovered %d printers on %s; dialogs shown %d\n", m.Discovered_Count, range.c_str(),
                dialog.Shown);

    auto tick = [&] { m.Timer1_Timer(); };
    // The recording windows keep a log of every write; emptied outside the
    // timed ticks so that the fakes' memory does not count as the program's.
    auto forget = [&] {
      mainPort.Log.clear();
      window.log.clear();
      tabs.Log.clear();
      dialog.Log.clear();
    };

    // ---- per tab: our tick beside the bare exchanges
    std::printf("\nper tick, medians of %d alternating rounds (wall ms; client CPU ms)\n", rounds);
    std::printf("%-4s %5s %9s %9s %9s   %9s %9s %9s\n", "tab", "PDUs", "ours", "bare", "own", "ours cpu",
                "bare cpu", "own cpu");
    for (int tab = 0; tab <= 6; ++tab) {
      if (onlyTab >= 0 && tab != onlyTab) continue;
      window.tab = tab;
      for (int i = 0; i < 3; ++i) tick();  // warm up
      Exchanges& e = Seen();
      {
        std::lock_guard<std::mutex> hold(e.lock);
        for (Recorded& r : e.pdus) snmp_free_pdu(r.pdu);
        e.pdus.clear();
        e.recording = true;
      }
      tick();
      std::vector<Recorded> pdus;
      {
        std::lock_guard<std::mutex> hold(e.lock);
        e.recording = false;
        pdus.swap(e.pdus);
      }
      if (pdus.empty()) Fail("the recording tick on tab " + std::to_string(tab) + " saw no request");
      Bare bare;
      bare.Replay(pdus);  // opens the sessions
      const int perRound = 5;
      std::vector<double> ours, bareWall, own, oursCpu, bareCpu, ownCpu;
      for (int r = 0; r < rounds; ++r) {
        double ow = 0, oc = 0, bw = 0, bc = 0;
        auto runOurs = [&] {
          const double w = Now(), c = Cpu();
          for (int i = 0; i < perRound; ++i) tick();
          ow = (Now() - w) / perRound;
          oc = (Cpu() - c) / perRound;
        };
        auto runBare = [&] {
          const double w = Now(), c = Cpu();
          for (int i = 0; i < perRound; ++i) bare.Replay(pdus);
          bw = (Now() - w) / perRound;
          bc = (Cpu() - c) / perRound;
        };
        forget();
        if (r % 2 == 0) {
          runOurs();
          runBare();
        } else {
          runBare();
          runOurs();
        }
        ours.push_back(ow * 1e3);
        bareWall.push_back(bw * 1e3);
        own.push_back((ow - bw) * 1e3);
        oursCpu.push_back(oc * 1e3);
        bareCpu.push_back(bc * 1e3);
        ownCpu.push_back((oc - bc) * 1e3);
      }
      std::printf("%-4d %5zu %9.3f %9.3f %9.3f   %9.3f %9.3f %9.3f\n", tab, pdus.size(), Median(ours),
                  Median(bareWall), Median(own), Median(oursCpu), Median(bareCpu), Median(ownCpu));
      std::fflush(stdout);
      for (Recorded& r : pdus) snmp_free_pdu(r.pdu);
    }

    std::printf("error reports shown during the ticks: %d; labels written: %zu\n", dialog.Shown,
                mainPort.Captions.size());

    // ---- a dead printer: the selected one, then one that is not selected
    if (onlyTab < 0) {
      struct Listed {
        std::string address;
        bool tandem;
        int row;
        SnmpdAgent* agent;
      };
      std::vector<Listed> listed;
      for (VbInteger row = 1; row <= m.Discovered_Count; ++row) {
        const VbInteger kind = Discovered_Printers(row - 1, 0);
        const VbInteger device = Discovered_Printers(row - 1, 1);
        const std::string address = Device_Address(kind, device);
        Listed l{address, Is_Tandem(kind, device), row, nullptr};
        for (auto& a : agents)
          if (address.substr(0, address.find('/')) == a->host()) l.agent = a.get();
        if (!l.agent) Fail("no agent at the listed address " + address);
        listed.push_back(l);
      }
      const int selected = m.Selected_Item_Index;
      auto deadTick = [&](const Listed& l, int tab) {
        window.tab = tab;
        tick();  // the view's first read after the tab change is not the one measured
        ::kill(l.agent->pid(), SIGSTOP);
        Exchanges& e = Seen();
        long sent0, timeouts0;
        {
          std::lock_guard<std::mutex> hold(e.lock);
          sent0 = e.sent;
          timeouts0 = e.timeouts;
          e.timeoutsBy.clear();
        }
        const double w = Now();
        tick();
        const double seconds = Now() - w;
        ::kill(l.agent->pid(), SIGCONT);
        std::lock_guard<std::mutex> hold(e.lock);
        const long cycles = e.timeouts - timeouts0;
        if (e.sent == sent0 || cycles == 0)
          Fail("the tick with " + l.address + " stopped saw " + std::to_string(e.sent - sent0) +
               " requests and " + std::to_string(cycles) + " time-outs");
        const double cycle = (e.timeoutRetries + 1) * e.timeoutUs * 1e-6;
        const int stateReads = l.tandem ? 2 : 1;
        const int expected = stateReads + (l.row == selected ? 1 : 0);
        std::printf("\ndead printer %s (row %d%s, %s), tab %d: %ld exchanges, %ld time-out cycles of "
                    "(%ld+1) x %.2f s, expected %d; tick %.2f s, %.3f s beside the cycles\n",
                    l.address.c_str(), l.row, l.row == selected ? ", selected" : "",
                    l.tandem ? "tandem" : "single engine", tab, e.sent - sent0, cycles, e.timeoutRetries,
                    e.timeoutUs * 1e-6, expected, seconds, seconds - cycles * cycle);
        for (const auto& [procedure, n] : e.timeoutsBy) std::printf("  %-24s %ld\n", procedure.c_str(), n);
        std::fflush(stdout);
      };
      for (const Listed& l : listed) {
        if (l.row == selected) {
          for (int tab = 0; tab <= 6; ++tab) deadTick(l, tab);
        } else {
          deadTick(l, 0);
        }
      }
      window.tab = 0;
      tick();
      tick();
    }

    // ---- many ticks: nothing grows
    std::printf("\n%ld ticks on tab 0\n", ticks);
    tick();
    forget();
    PrintOccupancy("after the first tick", installed.Get(), other.Get());
    const double w = Now();
    forget();
    for (long i = 1; i < ticks; ++i) {
      tick();
      forget();
      if (i % 2000 == 0) PrintOccupancy(("after " + std::to_string(i + 1) + " ticks").c_str(), installed.Get(),
                                        other.Get());
    }
    PrintOccupancy("at the end", installed.Get(), other.Get());
    std::printf("%.3f ms a tick\n", (Now() - w) * 1e3 / std::max(1L, ticks - 1));

    Release_Job_Root_Handle();
    window.main = nullptr;
    main_window.reset();
    installed = nullptr;
    other = nullptr;
    Main_Window = nullptr;
    Message_Box = nullptr;
    Tabs_Window = nullptr;
  }
  CoUninitialize();
  if (onlyTab < 0 && minutes > 0) Stop_And_Continue(root, hosts[1], *agents[2], minutes);
  agents.clear();
  return 0;
}

int main(int argc, char** argv) {
  try {
    return Run(argc, argv);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "polling_bench: %s\n", e.what());
    return 1;
  }
}
