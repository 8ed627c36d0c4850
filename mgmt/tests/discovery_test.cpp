// Discovery runs through the fake discovery manager, the device scalars, and
// device opens with their connection records.
#include <future>

#include "mgmt/named_objects.h"
#include "mgmt/tests/fixture.h"

namespace vlm::mgmt::testing {
namespace {

using namespace xlpnmif;

// Device scalars of one device handle: (6001 address, 6002 product, 6007
// location, 6005 spooler) and (6003, 6006, 6008, 6009).
struct DeviceScalars {
  std::vector<std::string> texts;
  std::vector<std::int32_t> ints;
};

class DiscoveryTest : public ItemTest {
 protected:
  DeviceScalars Scalars(LONG vector, LONG number) {
    const LONG device = Root(vector, number);
    EXPECT_GE(device, 0);
    EXPECT_EQ(Read(device, kDeviceGroup, kModeCached), 0);
    DeviceScalars s{Texts(device).TextValues(), Ints(device).IntValues()};
    item->ReleaseHandle(device);
    return s;
  }
  std::int32_t CountOf(LONG root, LONG group) {
    EXPECT_EQ(Read(root, group, kModeCached), 0);
    ValueLists l = Ints(root);
    EXPECT_EQ(l.Ids(), std::vector<std::int32_t>{kDeviceCount});
    return l.count == 1 ? l.IntValues()[0] : -1;
  }
};

TEST_F(DiscoveryTest, ProvidersAreSwitchedToTheRunsKindAfterASuccessfulRead) {
  dm.providers = {"IP", "IPX", ""};
  dm.settings["IPX"] = {5, 1, 1, 60};
  dm.unreadable = {"IPX"};
  Discover({{"127.0.0.5", 1}});
  ASSERT_EQ(dm.written.size(), 1u);  // IPX could not be read, the empty name is no provider
  EXPECT_EQ(dm.written[0].first, "IP");
  const discovery::ProviderSettings installed = dm.written[0].second;
  EXPECT_EQ(std::vector<std::int32_t>({installed.stateWord, installed.discoverInstalled,
                                       installed.discoverUnInstalled, installed.refreshInterval}),
            std::vector<std::int32_t>({0, 1, 0, 30}));
  Discover({{"127.0.0.5", 0}}, false);
  const discovery::ProviderSettings other = dm.written.back().second;
  EXPECT_EQ(std::vector<std::int32_t>({other.stateWord, other.discoverInstalled,
                                       other.discoverUnInstalled, other.refreshInterval}),
            std::vector<std::int32_t>({0, 0, 1, 30}));
  EXPECT_EQ(dm.removed, (std::vector<std::int32_t>{7, 7}));
}

TEST_F(DiscoveryTest, RunsKeepTheDevicesOfTheirKind) {
  struct Case {
    const char* name;
    std::vector<std::pair<std::string, int>> devices;
    bool installed;
    bool root;
    std::int32_t count;
    std::vector<std::string> addresses;
  };
  const Case cases[] = {
      {"third of three is installed", {{"127.0.0.1", 0}, {"127.0.0.2", 0}, {"127.0.0.3", 1}}, true, true, 1, {"127.0.0.3"}},
      {"none installed", {{"127.0.0.1", 0}, {"127.0.0.2", 0}}, true, false, 0, {}},
      {"no device", {}, true, false, 0, {}},
      {"other devices", {{"127.0.0.1", 1}, {"127.0.0.2", 0}, {"127.0.0.3", 0}}, false, true, 2, {"127.0.0.2", "127.0.0.3"}},
      {"only installed ones", {{"127.0.0.1", 1}}, false, true, 0, {}},
      {"no device either", {}, false, false, 0, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const LONG root = Discover(c.devices, c.installed);
    EXPECT_EQ(root >= 0, c.root);
    const LONG device = c.installed ? kInstalledPrinter : kOtherDevice;
    if (root >= 0) {
      EXPECT_EQ(CountOf(root, c.installed ? kInstalledCountGroup : kOtherCountGroup), c.count);
      item->ReleaseHandle(root);
    }
    for (std::size_t w = 0; w < c.addresses.size(); ++w) {
      DeviceScalars s = Scalars(device, static_cast<LONG>(w));
      ASSERT_EQ(s.texts.size(), 4u);
      EXPECT_EQ(s.texts[0], c.addresses[w]);
      EXPECT_EQ(s.ints[3], c.installed ? 2 : 1);  // 6009
    }
    // Numbers past the count (and negative ones) open nothing.
    const std::size_t connects = net->Count("Connect");
    EXPECT_EQ(Root(device, static_cast<LONG>(c.addresses.size())), -1);
    EXPECT_EQ(Root(device, -1), -1);
    EXPECT_EQ(net->Count("Connect"), connects);
    EXPECT_EQ(Core().OccupancyForTests().openHandles, 0);
  }
}

TEST_F(DiscoveryTest, DeviceScalarsComeFromTheEightProperties) {
  FakeDiscovery::Device full = FakeDiscovery::At("127.0.0.5", 1);
  full["DEVICE_TANDEM"] = std::int32_t{3};
  full["PROVIDER_NAME"] = std::int32_t{1};
  FakeDiscovery::Device sparse = {{"DEVICE_ADDRESS", std::string("127.0.0.6")},
                                  {"PROVIDER_NAME", std::int32_t{2}},
                                  {"DEVICE_INSTALLED_PRINTER", std::int32_t{1}}};
  dm.devices = {full, sparse};
  ASSERT_GE(Root(kInstalledPrinters), 0);
  DeviceScalars a = Scalars(kInstalledPrinter, 0);
  EXPECT_EQ(a.texts, (std::vector<std::string>{"127.0.0.5", "Model 127.0.0.5", "Room 127.0.0.5",
                                               "queue-127.0.0.5"}));
  EXPECT_EQ(a.ints, (std::vector<std::int32_t>{1, 4, 1, 2}));
  // A device lacking properties does not inherit the previous device's.
  DeviceScalars b = Scalars(kInstalledPrinter, 1);
  EXPECT_EQ(b.texts, (std::vector<std::string>{"127.0.0.6", "", "", ""}));
  EXPECT_EQ(b.ints, (std::vector<std::int32_t>{0, 0, 0, 2}));
}

TEST_F(DiscoveryTest, OpeningADeviceConnectsWithItsConnectionRecord) {
  Discover({{"127.0.0.5", 1}, {"127.0.0.9", 1}});
  ASSERT_EQ(Root(kInstalledPrinter, 1), 1);
  ASSERT_EQ(net->connects.size(), 1u);
  unsigned char expected[776] = {};
  std::memcpy(expected, "IP", 2);
  std::memcpy(expected + 256, "127.0.0.9", 9);
  std::memcpy(expected + 512, "qarnel", 6);
  expected[768] = 2;
  expected[772] = 100;
  EXPECT_EQ(std::memcmp(&net->connects[0], expected, sizeof expected), 0);
  // A second open reconnects to the other device.
  Root(kInstalledPrinter, 0);
  ASSERT_EQ(net->connects.size(), 2u);
  EXPECT_STREQ(net->connects[1].address, "127.0.0.5");
}

TEST_F(DiscoveryTest, ARunRecordsAtMost64Devices) {
  std::vector<std::pair<std::string, int>> many;
  for (int i = 0; i < 70; ++i) many.emplace_back("127.0.1." + std::to_string(i + 1), 1);
  const LONG root = Discover(many);
  EXPECT_EQ(CountOf(root, kInstalledCountGroup), 64);
  EXPECT_EQ(Scalars(kInstalledPrinter, 63).texts[0], "127.0.1.64");
  EXPECT_EQ(Root(kInstalledPrinter, 64), -1);
}

TEST_F(DiscoveryTest, ARepeatedRunReusesTheDeviceNodes) {
  const std::vector<std::pair<std::string, int>> devices = {{"127.0.0.5", 1}, {"127.0.0.6", 1}};
  item->ReleaseHandle(Discover(devices));
  const auto first = Core().OccupancyForTests();
  dm.devices[0]["DEVICE_PRODUCT_NAME"] = std::string("Renamed");
  item->ReleaseHandle(Root(kInstalledPrinters));
  const auto second = Core().OccupancyForTests();
  EXPECT_EQ(second.nodeCounter, first.nodeCounter);
  EXPECT_EQ(second.treeNodes, first.treeNodes);
  EXPECT_EQ(Scalars(kInstalledPrinter, 0).texts[1], "Renamed");
}

TEST_F(DiscoveryTest, ARunThatCannotEndDoesNotWait) {
  struct Case {
    const char* name;
    std::int32_t result;
    std::int32_t cookie;
  };
  for (const Case& c : {Case{"refused", discovery::DM_E_DISCOVERY_RUNNING, 7},
                        Case{"no cookie", S_OK, 0}}) {
    SCOPED_TRACE(c.name);
    dm.startResult = c.result;
    dm.cookie = c.cookie;
    dm.complete = false;  // no callback would ever come
    auto run = std::async(std::launch::async, [&] { return Discover({{"127.0.0.5", 1}}); });
    ASSERT_EQ(run.wait_for(std::chrono::seconds(10)), std::future_status::ready);
    EXPECT_EQ(run.get(), -1);
    // The run's mutex is free again.
    HANDLE m = ProcessNamedObjects().discMutex;
    EXPECT_EQ(std::async(std::launch::async, [m] {
                DWORD r = WaitForSingleObject(m, 0);
                if (r == WAIT_OBJECT_0) ReleaseMutex(m);
                return r;
              }).get(),
              WAIT_OBJECT_0);
    EXPECT_EQ(Core().OccupancyForTests().openHandles, 0);
  }
  // Without a provider no run is started.
  dm.providers.clear();
  const int runs = dm.runs;
  EXPECT_EQ(Discover({{"127.0.0.5", 1}}), -1);
  EXPECT_EQ(dm.runs, runs);
}

// Two objects on two threads, one running for installed printers and one for
// the other devices: each run sets the switches, starts, counts and reads its
// devices with no call of the other run in between, and starts with its own
// switches.
TEST_F(DiscoveryTest, RunsOfSeveralObjectsOnSeveralThreadsAreSerialised) {
  ComPtr<IVectorItem> other = Make();
  dm.devices = {FakeDiscovery::At("127.0.0.5", 1), FakeDiscovery::At("127.0.0.6", 0)};
  constexpr int kRuns = 20;
  auto runs = [](IVectorItem* object, LONG vector) {
    LONG h = -1;
    std::vector<LONG> roots;
    for (int i = 0; i < kRuns; ++i) {
      object->GetRootHandle(vector, 0, &h);
      roots.push_back(h);
      object->ReleaseHandle(h);
    }
    return roots;
  };
  auto installedRuns = std::async(std::launch::async, [&] {
    return std::make_pair(std::this_thread::get_id(), runs(item.Get(), kInstalledPrinters));
  });
  const std::vector<LONG> otherRoots = runs(other.Get(), kOtherDevices);
  const auto [installedThread, installedRoots] = installedRuns.get();
  EXPECT_EQ(installedRoots, std::vector<LONG>(kRuns, 0));
  EXPECT_EQ(otherRoots, std::vector<LONG>(kRuns, 0));

  // A run begins with its first "set".
  struct Run {
    std::thread::id thread;
    std::vector<std::string> calls;
    std::vector<std::int32_t> startSwitches;  // installed, uninstalled
  };
  std::vector<Run> seen;
  std::string previous;
  for (const FakeDiscovery::Call& c : dm.Calls()) {
    if (c.what == "set" && previous != "set") seen.push_back({c.thread, {}, {}});
    previous = c.what;
    ASSERT_FALSE(seen.empty());
    Run& run = seen.back();
    EXPECT_EQ(c.thread, run.thread) << "a call of another run inside run " << seen.size();
    run.calls.push_back(c.what);
    if (c.what == "start") run.startSwitches = {c.ip.discoverInstalled, c.ip.discoverUnInstalled};
  }
  ASSERT_EQ(seen.size(), 2u * kRuns);
  // Each run reads both devices' installed state and the eight properties of
  // the one of its kind.
  std::vector<std::string> expected = {"set", "start", "total"};
  expected.insert(expected.end(), 2 + 8, "query");
  int installedCount = 0;
  for (const Run& run : seen) {
    const bool installed = run.thread == installedThread;
    installedCount += installed ? 1 : 0;
    EXPECT_EQ(run.calls, expected);
    EXPECT_EQ(run.startSwitches, (std::vector<std::int32_t>{installed ? 1 : 0, installed ? 0 : 1}))
        << (installed ? "installed" : "other") << " run started with the other run's switches";
  }
  EXPECT_EQ(installedCount, kRuns);
}

}  // namespace
}  // namespace vlm::mgmt::testing
