// vlm_demo: runs the installed monitor against simulated printers.
//
//   vlm_demo PREFIX [--screenshots DIR] [--exit-after-screenshots]
//
// Starts one snmpd agent per simulated printer on consecutive loopback
// addresses (a tandem printer, one with alerts and full trays, and one that
// stops answering after a while), a private CUPS scheduler with queues for
// the first two (the installed printers), writes the preferences and the one
// range that covers exactly the printers into the prefix's registry, and runs
// PREFIX/bin/tqz2 until it ends. Ctrl+C, a SIGTERM or the monitor's own exit
// stop everything it started; the agents and the scheduler also die with this
// process. Only 127.0.0.0/8 is ever contacted: the monitor runs with the SNMP
// layer's loopback-only guard on.
//
// With --screenshots the monitor saves a picture of each tab into DIR once
// its first discovery and poll are done; --exit-after-screenshots then ends
// it (the non-interactive mode the tests use).
//
// The monitor keeps the user's $XDG_RUNTIME_DIR when it is a usable one;
// else it gets a runtime folder of this run's own, removed when the run
// ends, so that Qt neither warns nor leaves its runtime-<user> folder in the
// temporary folder.
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "platform/registry/registry.h"
#include "tests/support/cupsd_harness.h"
#include "tests/support/loopback.h"
#include "tests/support/printer_fixtures.h"
#include "tests/support/snmpd_agent.h"
#include "tests/support/temp_folder.h"

namespace {

volatile sig_atomic_t g_stop = 0;
void OnSignal(int) { g_stop = 1; }

// How long the third printer answers before it falls silent.
constexpr int kSilentAfterSeconds = 90;

bool SetText(const char* key, const char* name, const std::string& text) {
  vlm::HKEY handle = nullptr;
  if (vlm::RegCreateKeyExA(HKEY_LOCAL_MACHINE, key, 0, nullptr, vlm::REG_OPTION_NON_VOLATILE,
                           vlm::KEY_WRITE, nullptr, &handle, nullptr) != 0)
    return false;
  const vlm::LONG rc = vlm::RegSetValueExA(handle, name, 0, vlm::REG_SZ,
                                           reinterpret_cast<const vlm::BYTE*>(text.c_str()),
                                           static_cast<vlm::DWORD>(text.size() + 1));
  vlm::RegCloseKey(handle);
  return rc == 0;
}

// The preferences a configured workstation has, and the one range.
bool WriteConfiguration(const std::string& firstHost, const std::string& lastHost) {
  const char* prefs = "Software\\VLM\\Discovery\\Preferences";
  const char* ranges = "Software\\VLM\\Discovery\\DP\\IP\\Discovery Params\\Ranges";
  const char* servers = "Software\\VLM\\Discovery\\DP\\IPX\\Discovery Params\\Servers";
  bool ok = SetText(prefs, "IP_Enabled", "Yes") && SetText(prefs, "IPX_Enabled", "No") &&
            SetText(prefs, "UnInstalled_Enabled", "Yes") &&
            SetText(prefs, "Polling_Interval", "10") && SetText(prefs, "Polling_Enabled", "Yes") &&
            SetText(prefs, "Check_Discovery", "Completed") &&
            SetText(ranges, "0", firstHost + ":" + lastHost);
  // The IPX server key exists on a configured workstation, empty here.
  vlm::HKEY handle = nullptr;
  if (ok && vlm::RegCreateKeyExA(HKEY_LOCAL_MACHINE, servers, 0, nullptr, 0, vlm::KEY_WRITE,
                                 nullptr, &handle, nullptr) == 0)
    vlm::RegCloseKey(handle);
  return ok;
}

// A runtime folder as Qt takes it: a folder (not a link to one) of this user
// that nobody else may enter. Qt makes runtime-<user> in the temporary
// folder in place of any other, and leaves it there.
bool UsableRuntimeFolder(const char* path) {
  struct stat st {};
  return path != nullptr && *path != '\0' && ::lstat(path, &st) == 0 && S_ISDIR(st.st_mode) &&
         st.st_uid == ::geteuid() && (st.st_mode & 0777) == 0700;
}

int Usage() {
  std::fprintf(stderr, "usage: vlm_demo PREFIX [--screenshots DIR] [--exit-after-screenshots]\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return Usage();
  const std::string prefix = std::filesystem::absolute(argv[1]).string();
  std::string screenshots;
  bool exitAfter = false;
  for (int i = 2; i < argc; ++i) {
    if (std::strcmp(argv[i], "--screenshots") == 0 && i + 1 < argc) {
      screenshots = std::filesystem::absolute(argv[++i]).string();
    } else if (std::strcmp(argv[i], "--exit-after-screenshots") == 0) {
      exitAfter = true;
    } else {
      return Usage();
    }
  }
  const std::string program = prefix + "/bin/tqz2";
  const std::string registry = prefix + "/var/lib/vlm/registry";
  if (::access(program.c_str(), X_OK) != 0 || !std::filesystem::is_directory(registry)) {
    std::fprintf(stderr, "vlm_demo: %s is not an installed monitor (no bin/tqz2 or registry)\n",
                 prefix.c_str());
    return 2;
  }

  struct sigaction sa {};
  sa.sa_handler = OnSignal;
  ::sigaction(SIGINT, &sa, nullptr);
  ::sigaction(SIGTERM, &sa, nullptr);
  ::sigaction(SIGHUP, &sa, nullptr);

  try {
    // First made, last removed: after the monitor, the agents and the
    // scheduler have ended.
    std::optional<vlm::testing::TempFolder> runtime;
    if (!UsableRuntimeFolder(std::getenv("XDG_RUNTIME_DIR"))) {
      runtime.emplace("vlm-demo");
      ::setenv("XDG_RUNTIME_DIR", vlm::testing::QtRuntimeFolder(runtime->path()).c_str(), 1);
    }
    ::setenv("VLM_REGISTRY_ROOT", registry.c_str(), 1);
    ::setenv("VLM_SNMP_LOOPBACK_ONLY", "1", 1);
    // The demo's monitor is an instance of its own: it never hands over to
    // a monitor the user already runs.
    const std::string instance = "vlm-demo-" + std::to_string(::getpid());
    ::setenv("VLM_INSTANCE_KEY", instance.c_str(), 0);
    vlm::registry::ResetForTests();
    vlm::testing::AgentPort();  // 161 as root, else a free port in $VLM_SNMP_PORT

    const std::vector<std::string> hosts = vlm::testing::AllocateLoopbackRange(3);
    const std::vector<vlm::testing::DemoPrinter> printers = vlm::testing::DemoPrinters();
    std::vector<std::unique_ptr<vlm::testing::SnmpdAgent>> agents;
    for (std::size_t i = 0; i < hosts.size(); ++i) {
      agents.push_back(std::make_unique<vlm::testing::SnmpdAgent>(hosts[i], printers[i].objects));
      std::printf("vlm_demo: %s answers at %s\n", printers[i].name.c_str(), hosts[i].c_str());
    }
    vlm::testing::CupsdHarness cupsd;
    for (std::size_t i = 0; i < 2; ++i) {
      cupsd.AddQueue(printers[i].queue, "socket://" + hosts[i] + ":9100", printers[i].name);
    }
    cupsd.UseForThisProcess();
    if (!WriteConfiguration(hosts.front(), hosts.back())) {
      std::fprintf(stderr, "vlm_demo: the preferences could not be written into %s\n",
                   registry.c_str());
      return 1;
    }

    if (!std::getenv("DISPLAY") && !std::getenv("WAYLAND_DISPLAY")) {
      ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
      if (screenshots.empty()) {
        screenshots = std::filesystem::absolute("demo-screenshots").string();
      }
      std::printf("vlm_demo: no desktop; the monitor runs offscreen\n");
    }
    std::vector<std::string> args = {program};
    if (!screenshots.empty()) {
      std::filesystem::create_directories(screenshots);
      args.push_back("--screenshots");
      args.push_back(screenshots);
      if (exitAfter) args.push_back("--exit-after-screenshots");
      std::printf("vlm_demo: pictures of each tab go to %s\n", screenshots.c_str());
    }
    std::fflush(stdout);

    const pid_t child = ::fork();
    if (child == 0) {
      std::vector<char*> cargs;
      for (std::string& a : args) cargs.push_back(a.data());
      cargs.push_back(nullptr);
      ::execv(program.c_str(), cargs.data());
      std::perror("vlm_demo: tqz2");
      ::_exit(127);
    }
    if (child < 0) throw std::runtime_error("fork");

    const auto started = std::chrono::steady_clock::now();
    bool silenced = false;
    int status = 0;
    for (;;) {
      const pid_t done = ::waitpid(child, &status, WNOHANG);
      if (done == child) break;
      if (g_stop) {
        ::kill(child, SIGTERM);
        for (int i = 0; i < 50 && ::waitpid(child, &status, WNOHANG) == 0; ++i) {
          std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
        if (::waitpid(child, &status, WNOHANG) == 0) {
          ::kill(child, SIGKILL);
          ::waitpid(child, &status, 0);
        }
        break;
      }
      if (!silenced && std::chrono::steady_clock::now() - started >
                           std::chrono::seconds(kSilentAfterSeconds)) {
        ::kill(agents[2]->pid(), SIGSTOP);
        silenced = true;
        std::printf("vlm_demo: %s stops answering now\n", printers[2].name.c_str());
        std::fflush(stdout);
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    if (silenced) ::kill(agents[2]->pid(), SIGCONT);
    std::printf("vlm_demo: the monitor ended; stopping the simulated printers\n");
    if (WIFEXITED(status)) return WEXITSTATUS(status);
    return g_stop ? 0 : 1;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "vlm_demo: %s\n", e.what());
    return 1;
  }
}
