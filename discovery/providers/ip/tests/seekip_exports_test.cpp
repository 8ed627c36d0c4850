// The real libSeekIP.so through dlopen: its exports, options, registration,
// the discovery thread and unloading. Each test runs in a process of its own
// (one CTest test per case), so each starts with the library not initialised.
#include <gtest/gtest.h>

#include <dlfcn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <climits>
#include <cstring>
#include <filesystem>
#include <set>

#include "discovery/providers/provider_api.h"
#include "discovery/providers/tests/discovery_test_support.h"
#include "tests/support/exports.h"
#include "tests/support/loopback.h"
#include "tests/support/scripted_agent.h"

namespace vlm::discovery {
namespace {

using testing::CallbackLog;
using testing::Eventually;
using testing::kIpRanges;
using testing::kIpStartup;

const char* const kLibrary = VLM_SEEKIP_SO;

struct SeekIp : testing::ProviderLibrary {
  SeekIp() : ProviderLibrary(kLibrary) {}
};

class SeekIpExports : public ::testing::Test {
 protected:
  void SetUp() override {
    // The library's spooler is CUPS: a scheduler that is not there lists no
    // printer (and no test pass looks at printers anyway).
    ::setenv("CUPS_SERVER", (registry.root() + "/no-cupsd.sock").c_str(), 1);
    vlm::testing::AgentPort();
  }
  testing::TempRegistry registry;
};

TEST_F(SeekIpExports, ExportsExactlyTheNineEntryPoints) {
  EXPECT_EQ(vlm::testing::ExportedSymbols(kLibrary), testing::ProviderExportNames());
}

TEST_F(SeekIpExports, BeforeInitNothingIsThereAndInitTwiceMakesOneThread) {
  SeekIp lib;
  std::int32_t count = 42;
  EXPECT_EQ(lib.DeviceCountIs(&count), 1);
  EXPECT_EQ(count, 42);
  char text[256] = "untouched";
  std::uint32_t length = 7;
  EXPECT_EQ(lib.GetDeviceProperty(0, "DEVICE_ADDRESS", nullptr, sizeof text, text, &length), 1);
  EXPECT_STREQ(text, "untouched");
  EXPECT_EQ(length, 7u);
  EXPECT_EQ(lib.Stop(), 1);

  // (A sanitizer may add a thread of its own with the first one.)
  int before = testing::ThreadCount();
  EXPECT_EQ(lib.Init(), 1);
  int after = testing::ThreadCount();
  EXPECT_GT(after, before);
  EXPECT_EQ(lib.Init(), 1);
  EXPECT_EQ(testing::ThreadCount(), after);
  EXPECT_EQ(lib.DeviceCountIs(&count), 0);
  EXPECT_EQ(count, 0);
}

TEST_F(SeekIpExports, TwoStartsDuringAPassGiveExactlyOneMorePassForTheLatestContext) {
  // A silent agent that counts the queries: one per pass (no retries).
  vlm::testing::ScriptedAgent agent([](const vlm::testing::SnmpMessage&, int) {
    return vlm::testing::ScriptedAgent::Drop();
  });
  testing::WriteIpStartup(20, 0, 0, 1);
  testing::WriteRanges({agent.address()});
  SeekIp lib;
  lib.Init();
  ASSERT_EQ(lib.Start(1, &CallbackLog::Done), 0);
  ASSERT_TRUE(Eventually([&] { return agent.requestCount() == 1; }));
  lib.Start(2, &CallbackLog::Done);
  lib.Start(3, &CallbackLog::Done);
  ASSERT_TRUE(CallbackLog::Instance().WaitFor(2));
  std::this_thread::sleep_for(std::chrono::milliseconds(500));
  auto calls = CallbackLog::Instance().Calls();
  ASSERT_EQ(calls.size(), 2u);
  EXPECT_EQ(calls[0].context, 3);
  EXPECT_EQ(calls[1].context, 3);
  EXPECT_EQ(calls[1].status, 0);
  EXPECT_EQ(agent.requestCount(), 2);
}

ProviderOptions Filled(std::int32_t pattern) {
  ProviderOptions o;
  std::memset(&o, pattern, sizeof o);
  return o;
}

TEST_F(SeekIpExports, OptionsRoundTripWithSixteenBitValues) {
  SeekIp lib;
  ProviderOptions o = Filled(0);
  ASSERT_EQ(lib.GetOptions(&o, sizeof o), 0);
  EXPECT_EQ(o.providerKind, 1);
  EXPECT_EQ(o.recordSize, 28);
  EXPECT_EQ(o.extraSize, 0);
  EXPECT_EQ(o.one, 1);
  EXPECT_EQ(o.refreshInterval, 1000);
  EXPECT_EQ(o.discoverInstalled, 1);
  EXPECT_EQ(o.discoverUnInstalled, 0);

  // Values of the wrong kind or size are passed over; DWORDs lose their high half.
  testing::SetText(kIpStartup, "RefreshInterval", "5");
  testing::SetDword(kIpStartup, "Timeout", 0x10007);
  HKEY key = testing::CreateKey(kIpStartup);
  const BYTE eight[8] = {9, 0, 0, 0, 0, 0, 0, 0};
  RegSetValueExA(key, "Retries", 0, REG_BINARY, eight, sizeof eight);
  RegCloseKey(key);
  testing::SetDword(kIpStartup, "DiscoverInstalled", 0);
  testing::SetDword(kIpStartup, "DiscoverUnInstalled", 1);
  lib.Init();
  ASSERT_EQ(lib.GetOptions(&o, sizeof o), 0);
  EXPECT_EQ(o.refreshInterval, 1000);
  EXPECT_EQ(o.discoverInstalled, 0);
  EXPECT_EQ(o.discoverUnInstalled, 1);

  ProviderOptions in = Filled(0x7F);
  in.refreshInterval = 70000;
  in.discoverInstalled = 0x10001;
  in.discoverUnInstalled = 0x10000;
  ASSERT_EQ(lib.SetOptions(&in), 0);
  EXPECT_EQ(testing::Dword(kIpStartup, "RefreshInterval"), 4464u);
  EXPECT_EQ(testing::Dword(kIpStartup, "DiscoverInstalled"), 1u);
  EXPECT_EQ(testing::Dword(kIpStartup, "DiscoverUnInstalled"), 0u);
  EXPECT_EQ(testing::Dword(kIpStartup, "Timeout"), 7u);
  EXPECT_EQ(testing::Dword(kIpStartup, "Retries"), 1u);  // the built-in value, now saved

  // The caller's high half of the refresh field stays.
  o = Filled(0);
  o.refreshInterval = static_cast<std::int32_t>(0xABCD0000u);
  ASSERT_EQ(lib.GetOptions(&o, sizeof o), 0);
  EXPECT_EQ(static_cast<std::uint32_t>(o.refreshInterval), 0xABCD1170u);
  EXPECT_EQ(o.discoverInstalled, 1);
  EXPECT_EQ(o.discoverUnInstalled, 0);

  // Too small a record, or none: nothing written.
  ProviderOptions small = Filled(0x55);
  EXPECT_EQ(lib.GetOptions(&small, 27), 1);
  const ProviderOptions untouched = Filled(0x55);
  EXPECT_EQ(std::memcmp(&small, &untouched, sizeof small), 0);
  EXPECT_EQ(lib.GetOptions(nullptr, 28), 1);
  EXPECT_EQ(lib.SetOptions(nullptr), 1);
}

TEST_F(SeekIpExports, SetOptionsKeepsTheRegisteredTimeoutAndCreatesNoKey) {
  SeekIp lib;
  ProviderOptions in = Filled(0);
  in.refreshInterval = 30;
  in.discoverUnInstalled = 1;

  // Before Init, saving keeps what the registry holds for Timeout and Retries.
  testing::WriteIpStartup(20, 3, 1, 0);
  ASSERT_EQ(lib.SetOptions(&in), 0);
  EXPECT_EQ(testing::Dword(kIpStartup, "Timeout"), 20u);
  EXPECT_EQ(testing::Dword(kIpStartup, "Retries"), 3u);
  EXPECT_EQ(testing::Dword(kIpStartup, "RefreshInterval"), 30u);

  // No Startup key: the values change in memory only.
  ASSERT_EQ(RegDeleteKeyA(HKEY_LOCAL_MACHINE, kIpStartup), ERROR_SUCCESS);
  in.refreshInterval = 31;
  ASSERT_EQ(lib.SetOptions(&in), 0);
  EXPECT_FALSE(testing::KeyExists(kIpStartup));
  ProviderOptions o = Filled(0);
  lib.GetOptions(&o, sizeof o);
  EXPECT_EQ(o.refreshInterval, 31);
  EXPECT_EQ(o.discoverUnInstalled, 1);
}

TEST_F(SeekIpExports, RegisterResetsTheOptionsAndKeepsRangesUnregisterRemovesThem) {
  testing::WriteIpStartup(99, 7, 0, 1);
  testing::WriteRanges({"127.0.0.1:127.0.0.5"});
  testing::SetText("SOFTWARE\\VLM\\Discovery\\DM\\Providers", "IPX", "SOFTWARE\\VLM\\Discovery\\DP\\IPX\\Startup");
  SeekIp lib;
  ASSERT_EQ(lib.Register(), 0);

  EXPECT_EQ(testing::Value("SOFTWARE\\VLM\\Discovery\\DM\\Providers", "IP"),
            std::make_pair(REG_SZ, std::string(kIpStartup) + '\0'));
  const std::pair<const char*, DWORD> defaults[] = {
      {"RefreshInterval", 1000}, {"Timeout", 5}, {"Retries", 1}, {"DiscoverInstalled", 1}, {"DiscoverUnInstalled", 0}};
  for (const auto& [name, value] : defaults) EXPECT_EQ(testing::Dword(kIpStartup, name), value) << name;
  char resolved[PATH_MAX];
  ASSERT_NE(::realpath(kLibrary, resolved), nullptr);
  EXPECT_EQ(testing::Value(kIpStartup, "Path"), std::make_pair(REG_SZ, std::string(resolved) + '\0'));
  EXPECT_EQ(testing::Value(kIpStartup, "Name"), std::make_pair(REG_SZ, std::string("IP Discovery Provider") + '\0'));
  EXPECT_EQ(testing::Value(kIpStartup, "Version"), std::make_pair(REG_SZ, std::string("1.0") + '\0'));
  EXPECT_EQ(testing::Value(kIpRanges, "0"), std::make_pair(REG_SZ, std::string("127.0.0.1:127.0.0.5") + '\0'));

  ASSERT_EQ(lib.Unregister(), 0);
  EXPECT_FALSE(testing::KeyExists(kIpStartup));
  EXPECT_FALSE(testing::KeyExists("SOFTWARE\\VLM\\Discovery\\DP\\IP"));
  EXPECT_FALSE(testing::Value("SOFTWARE\\VLM\\Discovery\\DM\\Providers", "IP"));
  EXPECT_TRUE(testing::Value("SOFTWARE\\VLM\\Discovery\\DM\\Providers", "IPX"));

  // On a clean machine registration makes the empty ranges key.
  ASSERT_EQ(lib.Register(), 0);
  EXPECT_TRUE(testing::KeyExists(kIpRanges));
  EXPECT_FALSE(testing::Value(kIpRanges, "0"));
  EXPECT_EQ(lib.Unregister(), 0);
  EXPECT_EQ(lib.Unregister(), 0);
}

// In a child process (this one has no other thread yet): load the library,
// start a scan of silent addresses with a long time-out, then unload it (or
// exit). Returns the child's exit status; `waitedMs` is how long the unload
// or exit took.
int UnloadDuringAScan(bool byExit, long* waitedMs) {
  std::vector<std::string> silent = vlm::testing::AllocateLoopbackRange(20);
  testing::WriteIpStartup(50, 0, 0, 1);  // 0.5 s an address
  testing::WriteRanges({silent.front() + ":" + silent.back()});
  int fds[2];
  if (::pipe(fds) != 0) return -1;
  pid_t pid = ::fork();
  if (pid == 0) {
    ::close(fds[0]);
    int code = 0;
    try {
      SeekIp lib;
      lib.Init();
      int threads = testing::ThreadCount();
      lib.Start(1, &CallbackLog::Done);
      std::this_thread::sleep_for(std::chrono::milliseconds(300));
      auto t0 = std::chrono::steady_clock::now();
      if (byExit) {
        ::write(fds[1], &t0, sizeof t0);
        std::exit(0);
      }
      dlclose(lib.handle);
      auto t1 = std::chrono::steady_clock::now();
      ::write(fds[1], &t0, sizeof t0);
      ::write(fds[1], &t1, sizeof t1);
      if (testing::ThreadCount() != threads - 1) code = 3;
      if (!CallbackLog::Instance().Calls().empty()) code = 4;
    } catch (...) {
      code = 2;
    }
    ::_exit(code);  // no leak check here: the unloaded library's objects are gone with it
  }
  ::close(fds[1]);
  std::chrono::steady_clock::time_point t0{}, t1{};
  bool gotStart = ::read(fds[0], &t0, sizeof t0) == sizeof t0;
  bool gotEnd = !byExit && ::read(fds[0], &t1, sizeof t1) == sizeof t1;
  ::close(fds[0]);
  int status = 0;
  ::waitpid(pid, &status, 0);
  if (byExit) t1 = std::chrono::steady_clock::now();
  if (!gotStart || (!byExit && !gotEnd)) return -2;
  *waitedMs = std::chrono::duration_cast<std::chrono::milliseconds>(t1 - t0).count();
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

TEST_F(SeekIpExports, UnloadingDuringAScanJoinsTheThreadWithinOneTimeOut) {
  long waited = 0;
  EXPECT_EQ(UnloadDuringAScan(false, &waited), 0);
  EXPECT_LT(waited, 500 + 500);
}

TEST_F(SeekIpExports, ExitingDuringAScanStopsTheThreadFirst) {
  long waited = 0;
  EXPECT_EQ(UnloadDuringAScan(true, &waited), 0);
  EXPECT_LT(waited, 500 + 1000);
}

}  // namespace
}  // namespace vlm::discovery
