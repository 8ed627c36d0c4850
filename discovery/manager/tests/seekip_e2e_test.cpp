// The management interface's sequence against the real stack: libVLMDM.so
// and libSeekIP.so registered by their own registration (through regsvr, as
// the installation does) in a temporary registry, and real snmpd agents on a
// loopback range.
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "discovery/manager/vlmdm.h"
#include "platform/com/com.h"
#include "platform/registry/registry.h"
#include "platform/sync/sync.h"
#include "tests/support/loopback.h"
#include "tests/support/snmpd_agent.h"

namespace vlm::discovery {
namespace {

namespace fs = std::filesystem;
using vlm::testing::FixtureObject;
using vlm::testing::SnmpdAgent;

constexpr const char* kIpName = "IP Discovery Provider";
constexpr const char* kRanges = "SOFTWARE\\VLM\\Discovery\\DP\\IP\\Discovery Params\\RANGES";

int RunCommand(const std::string& command) {
  int status = std::system(command.c_str());
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// The completion callback of the management interface: it sets the event
// whose handle is its user data.
void SignalEvent(std::int32_t, std::intptr_t userData) {
  SetEvent(reinterpret_cast<HANDLE>(userData));
}

class SeekIpEndToEnd : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/vlm-dm-e2e-XXXXXX";
    ASSERT_NE(::mkdtemp(pattern), nullptr);
    root_ = pattern;
    ::setenv("VLM_REGISTRY_ROOT", root_.c_str(), 1);
    // No scheduler: the installed-printer half of a pass lists nothing.
    ::setenv("CUPS_SERVER", (root_ + "/no-cupsd.sock").c_str(), 1);
    registry::ResetForTests();
    vlm::testing::AgentPort();
  }
  void TearDown() override {
    std::error_code ec;
    fs::remove_all(root_, ec);
  }

  // Start, wait for the callback, remove it: the client's run.
  void RunDiscovery(DiscoveryManager* m) {
    HANDLE done = CreateEventA(nullptr, 0, 0, nullptr);
    ASSERT_NE(done, nullptr);
    std::int32_t cookie = 0;
    ASSERT_EQ(m->StartDiscovery(&cookie, reinterpret_cast<std::intptr_t>(done), &SignalEvent), S_OK);
    EXPECT_NE(cookie, 0);
    EXPECT_EQ(WaitForSingleObject(done, 60000), WAIT_OBJECT_0);
    EXPECT_EQ(m->RemoveDiscoveryCallback(cookie), S_OK);
    CloseHandle(done);
  }

  // (stateWord, installed, uninstalled) written over what the provider has.
  void Select(DiscoveryManager* m, std::int32_t installed, std::int32_t uninstalled) {
    ProviderSettings s{};
    std::uint32_t written = 0;
    ASSERT_EQ(m->GetProviderSettings(kIpName, sizeof s, &s, &written), S_OK);
    EXPECT_EQ(written, sizeof s);
    s.stateWord = 0;
    s.discoverInstalled = installed;
    s.discoverUnInstalled = uninstalled;
    ASSERT_EQ(m->SetProviderSettings(kIpName, sizeof s, &s), S_OK);
  }

  static std::optional<std::string> Text(DiscoveryManager* m, std::uint32_t device, const char* name) {
    char buffer[256];
    std::memset(buffer, 0, sizeof buffer);
    std::uint32_t length = 0;
    if (m->QueryDeviceProperty(0, device, name, nullptr, sizeof buffer, buffer, &length) != S_OK) {
      return std::nullopt;
    }
    return std::string(buffer, length);
  }
  static std::optional<std::int32_t> Int(DiscoveryManager* m, std::uint32_t device, const char* name) {
    std::int32_t value = 0;
    std::uint32_t length = 0;
    if (m->QueryDeviceProperty(0, device, name, nullptr, sizeof value, &value, &length) != S_OK) {
      return std::nullopt;
    }
    return value;
  }

  std::string root_;
};

TEST_F(SeekIpEndToEnd, DiscoverCountAndReadEveryPropertyThroughTheManager) {
  // Controllers at the first and last address, something else between.
  std::vector<std::string> hosts = vlm::testing::AllocateLoopbackRange(3);
  auto controller = [](const std::string& model) {
    return std::vector<FixtureObject>{{"1.3.6.1.2.1.1.5.0", "octet_str", model, false},
                                      {"1.3.6.1.2.1.1.1.0", "octet_str", "Velmar IP Controller", false}};
  };
  SnmpdAgent first(hosts[0], controller("Model 9"));
  SnmpdAgent other(hosts[1], {{"1.3.6.1.2.1.1.1.0", "octet_str", "Some other printer", false}});
  SnmpdAgent last(hosts[2], controller("Model 12"));

  ASSERT_EQ(RunCommand(std::string(VLM_REGSVR) + " -s " + VLM_SEEKIP_SO), 0);
  ASSERT_EQ(RunCommand(std::string(VLM_REGSVR) + " -s " + VLM_VLMDM_SO), 0);
  // The range, as the options dialog writes it.
  HKEY ranges = nullptr;
  ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, kRanges, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                            &ranges, nullptr),
            ERROR_SUCCESS);
  const std::string range = hosts[0] + ":" + hosts[2];
  ASSERT_EQ(RegSetValueExA(ranges, "0", 0, REG_SZ, reinterpret_cast<const BYTE*>(range.c_str()),
                           static_cast<DWORD>(range.size() + 1)),
            ERROR_SUCCESS);
  RegCloseKey(ranges);

  void* library = ::dlopen(VLM_VLMDM_SO, RTLD_NOW | RTLD_LOCAL);
  ASSERT_NE(library, nullptr) << ::dlerror();
  auto make = reinterpret_cast<MakeDiscoveryManagerObjectFn>(::dlsym(library, "MakeDiscoveryManagerObject"));
  auto release = reinterpret_cast<FreeDiscoveryManagerObjectFn>(::dlsym(library, "FreeDiscoveryManagerObject"));
  ASSERT_TRUE(make && release);
  DiscoveryManager* m = make();
  ASSERT_NE(m, nullptr);
  ASSERT_EQ(m->GetProviderCount(), 1);
  std::uint8_t names[32];
  std::uint32_t needed = 0;
  ASSERT_EQ(m->GetProviderNames(sizeof names, names, &needed), S_OK);
  EXPECT_STREQ(reinterpret_cast<char*>(names), kIpName);

  // The registered options, as the provider reports them.
  ProviderSettings registered{};
  std::uint32_t written = 0;
  ASSERT_EQ(m->GetProviderSettings(kIpName, sizeof registered, &registered, &written), S_OK);
  EXPECT_EQ(registered.discoverInstalled, 1);
  EXPECT_EQ(registered.discoverUnInstalled, 0);
  EXPECT_EQ(registered.refreshInterval, 1000);

  // The installed-printer list: no printer is installed here.
  Select(m, 1, 0);
  RunDiscovery(m);
  std::int32_t count = -1;
  ASSERT_EQ(m->GetTotalDeviceCount(&count), S_OK);
  EXPECT_EQ(count, 0);

  // The other devices: the range is scanned.
  Select(m, 0, 1);
  RunDiscovery(m);
  ASSERT_EQ(m->GetTotalDeviceCount(&count), S_OK);
  ASSERT_EQ(count, 2);
  const struct {
    const char* address;
    const char* model;
  } expected[] = {{hosts[0].c_str(), "Model 9"}, {hosts[2].c_str(), "Model 12"}};
  for (std::uint32_t i = 0; i < 2; ++i) {
    EXPECT_EQ(Text(m, i, "DEVICE_ADDRESS"), expected[i].address) << i;
    EXPECT_EQ(Text(m, i, "DEVICE_PRODUCT_NAME"), expected[i].model) << i;
    EXPECT_EQ(Text(m, i, "DEVICE_NAME"), "Velmar IP Controller") << i;
    EXPECT_EQ(Int(m, i, "PROVIDER_NAME"), 1) << i;
    // Properties the agents do not give, or that belong to installed printers.
    EXPECT_EQ(Text(m, i, "DEVICE_LOCATION"), std::nullopt) << i;
    EXPECT_EQ(Text(m, i, "DEVICE_NAME_SPOOLER"), std::nullopt) << i;
    EXPECT_EQ(Int(m, i, "DEVICE_TANDEM"), std::nullopt) << i;
    EXPECT_EQ(Int(m, i, "DEVICE_GENERAL_STATUS"), std::nullopt) << i;
    EXPECT_EQ(Int(m, i, "DEVICE_INSTALLED_PRINTER"), std::nullopt) << i;
  }
  char buffer[256];
  std::uint32_t length = 0;
  EXPECT_EQ(m->QueryDeviceProperty(0, 2, "DEVICE_ADDRESS", nullptr, sizeof buffer, buffer, &length),
            DM_E_DEVICE_NOT_FOUND);

  // The provider keeps what the manager set.
  ProviderSettings now{};
  ASSERT_EQ(m->GetProviderSettings(kIpName, sizeof now, &now, &written), S_OK);
  EXPECT_EQ(now.discoverInstalled, 0);
  EXPECT_EQ(now.discoverUnInstalled, 1);
  EXPECT_EQ(now.refreshInterval, 1000);
  release(m);
  ::dlclose(library);
}

}  // namespace
}  // namespace vlm::discovery
