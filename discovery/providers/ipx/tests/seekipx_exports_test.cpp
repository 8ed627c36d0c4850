// The real libSeekIPX.so through dlopen: its exports, the IPX provider's
// options and registration, and a pass on Linux, which has no IPX. Each test
// runs in a process of its own, so each starts with the library not
// initialised.
#include <gtest/gtest.h>

#include <climits>
#include <cstring>

#include "discovery/providers/tests/discovery_test_support.h"
#include "tests/support/exports.h"

namespace vlm::discovery {
namespace {

using testing::CallbackLog;

const char* const kLibrary = VLM_SEEKIPX_SO;
constexpr const char* kProviders = "SOFTWARE\\VLM\\Discovery\\DM\\Providers";
constexpr const char* kTransport = "SOFTWARE\\VLM\\Discovery\\DP\\IPX";
constexpr const char* kStartup = "SOFTWARE\\VLM\\Discovery\\DP\\IPX\\Startup";
constexpr const char* kServers = "SOFTWARE\\VLM\\Discovery\\DP\\IPX\\Discovery Params\\Servers";

std::pair<DWORD, std::string> Sz(const std::string& text) { return {REG_SZ, text + '\0'}; }

class SeekIpxExports : public ::testing::Test {
 protected:
  void SetUp() override { ::setenv("CUPS_SERVER", (registry.root() + "/no-cupsd.sock").c_str(), 1); }
  testing::TempRegistry registry;
};

TEST_F(SeekIpxExports, ExportsExactlyTheNineEntryPoints) {
  EXPECT_EQ(vlm::testing::ExportedSymbols(kLibrary), testing::ProviderExportNames());
}

TEST_F(SeekIpxExports, TheIpxOptionsAndRegistryEntries) {
  testing::ProviderLibrary lib(kLibrary);
  ProviderOptions o{};
  ASSERT_EQ(lib.GetOptions(&o, sizeof o), 0);
  EXPECT_EQ(o.providerKind, 2);
  EXPECT_EQ(o.recordSize, 28);
  EXPECT_EQ(o.refreshInterval, 1);
  EXPECT_EQ(o.discoverInstalled, 1);
  EXPECT_EQ(o.discoverUnInstalled, 0);

  testing::SetText(kServers, "Server_Name", "FS1");
  testing::SetDword(kStartup, "Timeout", 7);
  ASSERT_EQ(lib.Register(), 0);
  EXPECT_EQ(testing::Value(kProviders, "IPX"), Sz(kStartup));
  const std::pair<const char*, DWORD> defaults[] = {
      {"RefreshInterval", 1000}, {"Timeout", 100}, {"Retries", 1}, {"DiscoverInstalled", 1}, {"DiscoverUnInstalled", 0}};
  for (const auto& [name, value] : defaults) EXPECT_EQ(testing::Dword(kStartup, name), value) << name;
  char resolved[PATH_MAX];
  ASSERT_NE(::realpath(kLibrary, resolved), nullptr);
  EXPECT_EQ(testing::Value(kStartup, "Path"), Sz(resolved));
  EXPECT_EQ(testing::Value(kStartup, "Name"), Sz("IPX Discovery Provider"));
  EXPECT_EQ(testing::Value(kStartup, "Version"), Sz("1.0"));
  EXPECT_EQ(testing::Value(kServers, "Server_Name"), Sz("FS1"));

  lib.Init();
  ASSERT_EQ(lib.GetOptions(&o, sizeof o), 0);
  EXPECT_EQ(o.refreshInterval, 1000);

  ASSERT_EQ(lib.Unregister(), 0);
  EXPECT_FALSE(testing::KeyExists(kTransport));
  EXPECT_FALSE(testing::Value(kProviders, "IPX"));
}

TEST_F(SeekIpxExports, OnLinuxAPassFindsNothingAndCallsBack) {
  testing::ProviderLibrary lib(kLibrary);
  lib.Register();
  testing::SetText(kServers, "Server_Name", "FS1");
  EXPECT_EQ(lib.Init(), 1);
  ASSERT_EQ(lib.Start(41, &CallbackLog::Done), 0);
  ASSERT_TRUE(CallbackLog::Instance().WaitFor(1));
  auto calls = CallbackLog::Instance().Calls();
  EXPECT_EQ(calls[0].context, 41);
  EXPECT_EQ(calls[0].status, 0);
  std::int32_t count = -1;
  EXPECT_EQ(lib.DeviceCountIs(&count), 0);
  EXPECT_EQ(count, 0);
}

}  // namespace
}  // namespace vlm::discovery
