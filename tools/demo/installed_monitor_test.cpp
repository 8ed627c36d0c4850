// The installed program: `cmake --install` into a temporary prefix, then the
// installed tqz2 run offscreen on the prefix's own registry against one
// simulated printer (listed, its QuickView read); a staged install, which
// registers nothing; and scripts/run in its non-interactive mode, which lists
// every simulated printer and leaves no process and no Qt runtime folder
// behind.
#include <gtest/gtest.h>

#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <sstream>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "platform/registry/registry.h"
#include "tests/support/cupsd_harness.h"
#include "tests/support/loopback.h"
#include "tests/support/printer_fixtures.h"
#include "tests/support/programs.h"
#include "tests/support/snmpd_agent.h"
#include "tests/support/temp_folder.h"

namespace vlm {
namespace {

namespace fs = std::filesystem;
using vlm::testing::TempFolder;

using vlm::testing::Contains;
using vlm::testing::Env;
using vlm::testing::FreeUdpPort;
using vlm::testing::ProcessesUsing;
using vlm::testing::Shown;
using vlm::testing::Wait;

std::string Read(const std::string& path) { return vlm::testing::ReadFile(path); }

pid_t Start(const std::vector<std::string>& args, const Env& env, const std::vector<std::string>& unset) {
  vlm::testing::Launch launch;
  launch.args = args;
  launch.set = env;
  launch.unset = unset;
  return vlm::testing::Start(launch);
}

int RunProgram(const std::vector<std::string>& args, const Env& env, const std::vector<std::string>& unset = {}) {
  return Wait(Start(args, env, unset), args[0]);
}

void SetText(const std::string& key, const char* name, const std::string& text) {
  HKEY handle = nullptr;
  ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &handle,
                            nullptr),
            0);
  RegSetValueExA(handle, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                 static_cast<DWORD>(text.size() + 1));
  RegCloseKey(handle);
}

TEST(InstalledMonitorTest, InstalledProgramListsAndReadsAPrinterFromItsOwnRegistry) {
  TempFolder folder("vlm-install");
  const std::string prefix = folder / "prefix";
  ASSERT_EQ(RunProgram({CMAKE_COMMAND, "--install", BUILD_DIR, "--prefix", prefix}, {}), 0);
  for (const char* file : {"bin/tqz2", "bin/regsvr", "lib/vlm/libVlmNetMgr.so", "lib/vlm/libXLPNMIF.so"})
    EXPECT_TRUE(fs::exists(prefix + "/" + file)) << file;
  const std::string registry = prefix + "/var/lib/vlm/registry";
  ASSERT_TRUE(fs::is_directory(registry));

  // The registration wrote the libraries' classes and the engine mapping.
  ::setenv("VLM_REGISTRY_ROOT", registry.c_str(), 1);
  registry::ResetForTests();
  HKEY key = nullptr;
  ASSERT_EQ(RegOpenKeyExA(HKEY_CLASSES_ROOT, "XLPNMIF.VectorItem", 0, KEY_READ, &key), 0);
  RegCloseKey(key);

  vlm::testing::AgentPort();
  const std::string host = vlm::testing::AllocateLoopbackRange(1)[0];
  const vlm::testing::DemoPrinter printer = vlm::testing::DemoPrinters()[1];
  vlm::testing::SnmpdAgent agent(host, printer.objects);
  vlm::testing::CupsdHarness cupsd;
  cupsd.AddQueue(printer.queue, "socket://" + host + ":9100", printer.name);
  cupsd.UseForThisProcess();
  const std::string prefs = "Software\\VLM\\Discovery\\Preferences";
  for (const auto& [name, value] : std::vector<std::pair<const char*, const char*>>{
           {"IP_Enabled", "Yes"}, {"IPX_Enabled", "No"}, {"UnInstalled_Enabled", "Yes"},
           {"Polling_Interval", "1"}, {"Polling_Enabled", "Yes"}, {"Check_Discovery", "Completed"}})
    SetText(prefs, name, value);
  SetText("Software\\VLM\\Discovery\\DP\\IP\\Discovery Params\\Ranges", "0", host + ":" + host);
  registry::ResetForTests();
  ::unsetenv("VLM_REGISTRY_ROOT");

  // No VLM_REGISTRY_ROOT: the installed program takes its prefix's registry.
  const std::string shots = folder / "shots";
  const Env env = {{"QT_QPA_PLATFORM", "offscreen"},
                   {"VLM_SNMP_LOOPBACK_ONLY", "1"},
                   {"VLM_SNMP_TRAP_PORT", std::to_string(FreeUdpPort())},
                   {"VLM_INSTANCE_KEY", "vlm-install-test-" + std::to_string(::getpid())},
                   {"TMPDIR", folder.path()},
                   {"XDG_RUNTIME_DIR", vlm::testing::QtRuntimeFolder(folder.path())}};
  const std::vector<std::string> unset = {"VLM_REGISTRY_ROOT", "DISPLAY", "WAYLAND_DISPLAY"};
  EXPECT_EQ(RunProgram({prefix + "/bin/tqz2", "--screenshots", shots, "--exit-after-screenshots"}, env, unset),
            0);
  const std::string record = Read(shots + "/window.txt");
  EXPECT_TRUE(Contains(Shown(record, "lvwIPs"), printer.name)) << record;
  // QuickView shows what the printer's agent serves.
  const std::vector<std::string> quick = Shown(record, "QuickView");
  EXPECT_TRUE(Contains(quick, "Office engine")) << record;
  EXPECT_TRUE(fs::exists(shots + "/tab0-quickview.png"));
  EXPECT_TRUE(ProcessesUsing(prefix).empty());

  // Left running, the program ends cleanly on SIGTERM.
  const std::string later = folder / "later";
  const pid_t running = Start({prefix + "/bin/tqz2", "--screenshots", later}, env, unset);
  for (int i = 0; i < 1200 && !fs::exists(later + "/tab0-quickview.png"); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  ::kill(running, SIGTERM);
  EXPECT_EQ(Wait(running, "tqz2 after SIGTERM", 30), 0);
  EXPECT_TRUE(ProcessesUsing(prefix).empty());

  // Arguments it does not know are refused before anything starts.
  for (const std::vector<std::string>& args :
       {std::vector<std::string>{prefix + "/bin/tqz2", "--screenshot", later},
        {prefix + "/bin/tqz2", "--exit-after-screenshots"},
        {prefix + "/bin/tqz2", "--screenshots"}})
    EXPECT_EQ(RunProgram(args, env, unset), 2) << args[1];
  EXPECT_TRUE(vlm::testing::LeftQtRuntimeFolders(folder.path()).empty());
}

// The machine's registry (the /usr prefix's, in /var) and the one a /usr
// prefix would have beside its programs, as a staged install must leave
// them: whether each exists, and each hive's modification time.
struct MachineRegistries {
  std::map<std::string, bool> exists;
  std::map<std::string, fs::file_time_type> hives;
  bool operator==(const MachineRegistries&) const = default;
};

MachineRegistries ReadMachineRegistries() {
  MachineRegistries state;
  for (const std::string root : {"/var/lib/vlm/registry", "/usr/var/lib/vlm/registry"}) {
    std::error_code ec;
    state.exists[root] = fs::exists(root, ec);
    for (fs::directory_iterator it(root, ec), end; !ec && it != end; it.increment(ec))
      if (it->path().extension() == ".hive") state.hives[it->path()] = fs::last_write_time(it->path(), ec);
  }
  return state;
}

// What in a folder (none when it does not exist) looks like a registry: a
// hive, or a registry folder.
std::vector<std::string> RegistryFilesUnder(const fs::path& folder) {
  std::vector<std::string> found;
  std::error_code ec;
  for (fs::recursive_directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec))
    if (it->path().extension() == ".hive" || it->path().filename() == "registry") found.push_back(it->path());
  return found;
}

// A staged install (DESTDIR, as a package build makes) installs the files
// and registers nothing: a library registers the path it is loaded from,
// which would be the staging folder. Nothing is written to the registry of
// the prefix outside the stage, in the stage, or to the machine's registry
// (the /usr prefix's).
TEST(InstalledMonitorTest, StagedInstallRegistersNothing) {
  TempFolder folder("vlm-staged");
  TempFolder staging("vlm-stage");
  const MachineRegistries machine = ReadMachineRegistries();
  for (const std::string& prefix : {folder / "prefix", std::string("/usr")}) {
    SCOPED_TRACE(prefix);
    const std::string stage = staging / fs::path(prefix).filename().string();
    const std::string log = folder / "install.log";
    vlm::testing::Launch install;
    install.args = {CMAKE_COMMAND, "--install", BUILD_DIR, "--prefix", prefix};
    install.set = {{"DESTDIR", stage}};
    install.output = log;
    ASSERT_EQ(vlm::testing::Run(install), 0) << Read(log);
    EXPECT_NE(Read(log).find("Staged install into " + stage + ": nothing registered"), std::string::npos)
        << Read(log);
    EXPECT_EQ(Read(log).find("Registered in"), std::string::npos) << Read(log);
    EXPECT_TRUE(fs::exists(stage + prefix + "/bin/tqz2"));
    EXPECT_TRUE(fs::exists(stage + prefix + "/lib/vlm/libSeekIP.so"));
    EXPECT_EQ(RegistryFilesUnder(stage), std::vector<std::string>{});
    if (prefix != "/usr") {
      // Nothing outside the stage: the prefix itself is not even made.
      EXPECT_EQ(RegistryFilesUnder(prefix), std::vector<std::string>{});
      EXPECT_FALSE(fs::exists(prefix));
    }
    EXPECT_TRUE(ReadMachineRegistries() == machine) << "the machine's registry changed";
  }
}

// The monitor's Qt runtime folder, as the caller of scripts/run gives it.
enum class Runtime { Usable, Unset, Refused };

// scripts/run in its non-interactive mode, with a runtime folder of the
// caller's (kept), with none, and with one that Qt refuses (open to others):
// it lists every simulated printer, Qt gives no runtime warning, and the run
// leaves nothing running and nothing in its temporary folder (no
// runtime-<user> folder, no folder of its own, no instance lock).
TEST(InstalledMonitorTest, RunScriptListsEveryPrinterAndLeavesNothingBehind) {
  const std::pair<Runtime, const char*> cases[] = {
      {Runtime::Usable, "a usable runtime folder"},
      {Runtime::Unset, "no XDG_RUNTIME_DIR"},
      {Runtime::Refused, "a runtime folder others may enter"}};
  for (const auto& [runtime, what] : cases) {
    SCOPED_TRACE(what);
    TempFolder folder("vlm-run");
    const std::string shots = folder / "shots";
    const std::string tmp = folder / "tmp";
    fs::create_directories(tmp);
    const std::string given = vlm::testing::QtRuntimeFolder(folder.path());
    if (runtime == Runtime::Refused) fs::permissions(given, fs::perms(0755), fs::perm_options::replace);

    vlm::testing::Launch run;
    run.args = {SOURCE_DIR "/scripts/run", "--from-build", BUILD_DIR, "--prefix", folder / "prefix", "--screenshots",
                shots, "--exit-after-screenshots"};
    run.set = {{"TMPDIR", tmp}, {"VLM_SNMP_TRAP_PORT", std::to_string(FreeUdpPort())}};
    run.unset = {"DISPLAY", "WAYLAND_DISPLAY", "VLM_REGISTRY_ROOT", "CUPS_SERVER"};
    if (runtime == Runtime::Unset)
      run.unset.push_back("XDG_RUNTIME_DIR");
    else
      run.set.push_back({"XDG_RUNTIME_DIR", given});
    run.output = folder / "run.log";
    EXPECT_EQ(vlm::testing::Run(run), 0);
    const std::string log = Read(run.output);

    const std::vector<std::string> listed = Shown(Read(shots + "/window.txt"), "lvwIPs");
    for (const vlm::testing::DemoPrinter& p : vlm::testing::DemoPrinters())
      EXPECT_TRUE(Contains(listed, p.name)) << p.name;
    EXPECT_EQ(listed.size(), 3u);
    EXPECT_TRUE(fs::exists(shots + "/tab0-quickview.png"));
    EXPECT_EQ(log.find("QStandardPaths"), std::string::npos) << log;
    // The instance's lock file stays where the monitor kept it: in the
    // caller's folder only when that one was used.
    EXPECT_EQ(fs::is_empty(given), runtime != Runtime::Usable);
    std::string left;
    for (const fs::directory_entry& entry : fs::directory_iterator(tmp)) left += entry.path().string() + " ";
    EXPECT_EQ(left, "");
    const std::vector<std::string> running = ProcessesUsing(folder.path());
    EXPECT_TRUE(running.empty()) << running.front();
  }
}

}  // namespace
}  // namespace vlm
