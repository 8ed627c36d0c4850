// The IPX/SPX transport over the in-process network, a scripted SAP name
// space, the in-memory spooler and the fake NetWare client library.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <memory>

#include "discovery/providers/ipx/ipx_finder.h"
#include "discovery/providers/ipx/tests/ipx_test_support.h"
#include "platform/netware/tests/fake_nwclient.h"
#include "platform/spooler/spooler.h"

namespace vlm::discovery {
namespace {

using netware::NameSpaceProvider;
using testing::Controller;
using testing::InProcessAgent;

constexpr const char* kA = "0000a1b2:00001b2c3d4e";
constexpr const char* kB = "0000a1b2:00001b2c3d4f";
constexpr const char* kC = "0000a1b2:00001b2c3d50";

TEST(IpxTables, TheNameSpaceModeFollowsTheProvidersAndThePlatform) {
  const std::string sap = netware::kNovellSapNameProvider;
  const std::string nwlink = netware::kNwLinkTransport;
  const struct {
    std::vector<std::string> providers;
    bool nt;
    NameSpaceMode mode;
  } cases[] = {
      {{}, true, NameSpaceMode::None},
      {{}, false, NameSpaceMode::NetWareClient},
      {{"MS TCP/IP name space"}, false, NameSpaceMode::NetWareClient},
      {{sap}, true, NameSpaceMode::SapProviderNt},
      {{sap}, false, NameSpaceMode::SapProvider9x},
      {{"novell ipx/spx sap name PROVIDER"}, true, NameSpaceMode::SapProviderNt},
      {{nwlink}, true, NameSpaceMode::NwLink},
      {{nwlink}, false, NameSpaceMode::NwLink},
      {{"MS TCP/IP name space", nwlink, sap}, true, NameSpaceMode::NwLink},
      {{sap, nwlink}, false, NameSpaceMode::SapProvider9x},
      {{sap + " "}, true, NameSpaceMode::None},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(SelectNameSpaceMode(c.providers, c.nt), c.mode)
        << (c.providers.empty() ? "(none)" : c.providers.front()) << " nt=" << c.nt;
  }
}

TEST(IpxTables, TheAddressTextIsTheNetworkAndNodeInLowerCaseHex) {
  const struct {
    BYTE network[4];
    BYTE node[6];
    const char* text;
  } cases[] = {
      {{0x00, 0x00, 0xa1, 0xb2}, {0x00, 0x00, 0x1b, 0x2c, 0x3d, 0x4e}, "0000a1b2:00001b2c3d4e"},
      {{0xFF, 0xFF, 0xFF, 0xFE}, {0xAB, 0xCD, 0xEF, 0x01, 0x02, 0x03}, "fffffffe:abcdef010203"},
      {{0, 0, 0, 0}, {0, 0, 0, 0, 0, 0}, "00000000:000000000000"},
  };
  for (const auto& c : cases) {
    std::string text = IpxAddressText(c.network, c.node);
    EXPECT_EQ(text, c.text);
    EXPECT_EQ(text.size(), 21u);
  }
}

TEST(IpxTables, QueueNamesOfPortNames) {
  const struct {
    const char* port;
    const char* queue;
  } cases[] = {
      {"\\\\FS1\\LASERQ", "LASERQ"},
      {"\\\\FS1\\.LASERQ.SALES.ACME", "LASERQ"},
      {"\\\\FS1\\.LASERQ.SALES", "LASERQ"},
      {"\\\\FS1\\.LASERQ", ""},
      {"\\\\FS1\\..SALES", ""},
      {"\\\\FS1\\", ""},
      {"\\\\FS1", ""},
      {"\\\\FS1\\QUEUES\\LASERQ", "QUEUES\\LASERQ"},
      {"\\FS1\\LASERQ", ""},
      {"LPT1:", ""},
      {"", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(ParseQueueName(c.port), c.queue) << c.port;
}

class IpxFinderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    netware::SetNameSpace(nameSpace);
    spooler::SetBackend(printers);
    netware::SetNetWareClientLibrary(VLM_FAKE_NWCLIENT);
  }
  void TearDown() override {
    netware::SetNameSpace(nullptr);
    spooler::SetBackend(nullptr);
    netware::SetNetWareClientLibrary("");
    SetPlatformFamily(std::nullopt);
  }

  // The SAP name provider answering with these addresses.
  void Sap(const std::vector<std::string>& addresses) {
    nameSpace->SetProviders({NameSpaceProvider{netware::kNovellSapNameProvider}});
    std::vector<netware::IpxSocketAddress> services;
    for (const std::string& a : addresses) services.push_back(testing::SapAddress(a));
    nameSpace->SetServices(services);
  }

  // The fake client's bindery, emptied; a 9x platform without name-space
  // providers, so that the finder scans it.
  netware::testing::FakeNetWareControl* Bindery() {
    SetPlatformFamily(PlatformFamily::Windows9x);
    void* library = ::dlopen(VLM_FAKE_NWCLIENT, RTLD_NOW | RTLD_LOCAL);
    EXPECT_NE(library, nullptr) << ::dlerror();
    auto control = reinterpret_cast<netware::testing::FakeNetWareControlFn>(::dlsym(library, "VlmFakeNetWareControl"));
    netware::testing::FakeNetWareControl* fake = control();
    fake->Reset();
    return fake;
  }
  static void AddObject(netware::testing::FakeNetWareControl* fake, const char* server, const char* name,
                        const std::string& address, std::uint16_t type = kSapServiceType) {
    std::vector<std::uint8_t> value = testing::NetAddress(address);
    fake->AddObject(server, name, type, true, value.data(), static_cast<std::uint32_t>(value.size()));
  }

  std::string Text(std::uint32_t index, const char* name) { return testing::PropertyText(finder, index, name); }
  std::optional<std::int32_t> Int(std::uint32_t index, const char* name) {
    return testing::PropertyInt(finder, index, name);
  }

  std::shared_ptr<netware::ScriptedNameSpace> nameSpace = std::make_shared<netware::ScriptedNameSpace>();
  std::shared_ptr<spooler::MemorySpooler> printers = std::make_shared<spooler::MemorySpooler>();
  std::unique_ptr<testing::FakeNetwork> net = std::make_unique<testing::FakeNetwork>();
  IpxDeviceFinder finder;
  const OptionValues options{1, 100, 1, 1, 0};
};

TEST_F(IpxFinderTest, AnAnsweringServiceIsListedAndARepeatedAddressIsAskedOnce) {
  net->Agent(kA, InProcessAgent(Controller("Model 9")));
  net->Agent(kB, InProcessAgent(Controller("Model 5", std::nullopt, 2)));  // lacks one object
  Sap({kA, kA, kB, kC, kA});
  EXPECT_EQ(finder.Discover({}, options), 1);
  EXPECT_EQ(finder.mode(), NameSpaceMode::SapProviderNt);
  EXPECT_EQ(net->Asked(), (std::vector<std::string>{kA, kB, kC}));

  ASSERT_EQ(finder.GetDeviceCount(), 1);
  EXPECT_EQ(Text(0, "DEVICE_ADDRESS"), kA);
  EXPECT_EQ(Int(0, "PROVIDER_NAME"), 2);
  EXPECT_EQ(Int(0, "DEVICE_INSTALLED_PRINTER"), 0);
  EXPECT_EQ(Int(0, "IPX_DEVICE"), 1);
  EXPECT_EQ(Text(0, "DEVICE_PRODUCT_NAME"), "Model 9");
  EXPECT_EQ(Text(0, "DEVICE_LOCATION"), "Second floor");
  EXPECT_EQ(Int(0, "DEVICE_GENERAL_STATUS"), 3);
  EXPECT_EQ(Int(0, "DEVICE_TANDEM"), 0);
  EXPECT_EQ(Text(0, "DEVICE_MIB_VERSION"), "2.1");
  EXPECT_EQ(Text(0, "DEVICE_NAME"), "Model 9 printer");
  EXPECT_EQ(Text(0, "DEVICE_NAME_SPOOLER"), "<absent>");
  // Only the record that answered is kept.
  EXPECT_EQ(finder.QueryListSize(), 1u);
}

TEST_F(IpxFinderTest, ADeviceFoundAgainKeepsItsFirstValuesAndStaysListedWhenSilent) {
  net->Agent(kA, InProcessAgent(Controller("Model 9")));
  Sap({kA});
  finder.Discover({}, options);
  ASSERT_EQ(finder.GetDeviceCount(), 1);

  net->Agent(kA, InProcessAgent(Controller("Model 10")));
  net->Agent(kB, InProcessAgent(Controller("Model 5")));
  Sap({kB, kA});
  finder.Discover({}, options);
  ASSERT_EQ(finder.GetDeviceCount(), 2);
  EXPECT_EQ(Text(0, "DEVICE_ADDRESS"), kA);
  EXPECT_EQ(Text(0, "DEVICE_PRODUCT_NAME"), "Model 9");
  EXPECT_EQ(Text(1, "DEVICE_ADDRESS"), kB);
  EXPECT_EQ(finder.QueryListSize(), 2u);

  // Nobody answers: both stay listed, and no record of the pass is kept.
  net->Remove(kA);
  net->Remove(kB);
  finder.Discover({}, options);
  EXPECT_EQ(finder.GetDeviceCount(), 2);
  EXPECT_EQ(Text(1, "DEVICE_PRODUCT_NAME"), "Model 5");
  EXPECT_EQ(finder.QueryListSize(), 0u);
}

TEST_F(IpxFinderTest, TheFirstPassInstallsTheSapClassOnceAndTheLookUpNamesAnInstanceOnlyForNwLink) {
  const struct {
    std::vector<NameSpaceProvider> providers;
    std::optional<std::string> instance;
  } cases[] = {
      {{}, std::nullopt},
      {{NameSpaceProvider{netware::kNovellSapNameProvider}}, std::nullopt},
      {{NameSpaceProvider{netware::kNwLinkTransport}}, "*"},
  };
  for (const auto& c : cases) {
    auto ns = std::make_shared<netware::ScriptedNameSpace>();
    ns->SetProviders(c.providers);
    netware::SetNameSpace(ns);
    IpxDeviceFinder fresh;
    fresh.Discover({}, options);
    // The providers seen at the first pass decide for good.
    ns->SetProviders({NameSpaceProvider{netware::kNwLinkTransport}});
    fresh.Discover({}, options);

    auto installed = ns->Installed();
    ASSERT_EQ(installed.size(), 1u);
    EXPECT_EQ(installed[0].id, netware::SapServiceClassId(0x0414));
    EXPECT_EQ(installed[0].name, "SAP Service");
    ASSERT_EQ(installed[0].entries.size(), 1u);
    EXPECT_EQ(installed[0].entries[0].name, "SAP Service");
    EXPECT_EQ(installed[0].entries[0].nameSpace, netware::NS_SAP);
    EXPECT_EQ(installed[0].entries[0].valueType, 0u);
    EXPECT_EQ(installed[0].entries[0].value, (std::vector<BYTE>{0x14, 0x04}));

    auto queries = ns->Queries();
    ASSERT_EQ(queries.size(), 2u);
    for (const netware::ServiceQuery& q : queries) {
      EXPECT_EQ(q.classId, netware::SapServiceClassId(0x0414));
      EXPECT_EQ(q.instanceName, c.instance);
      EXPECT_EQ(q.nameSpace, netware::NS_ALL);
      EXPECT_EQ(q.controlFlags, netware::LUP_RETURN_ALL);
    }
  }
}

TEST_F(IpxFinderTest, AClassInstalledAlreadyEndsNeitherThePassNorTheBinding) {
  nameSpace->MarkInstalled(netware::SapServiceClassId(0x0414));
  net->Agent(kA, InProcessAgent(Controller("Model 9")));
  Sap({kA});
  finder.Discover({}, options);
  EXPECT_EQ(finder.GetDeviceCount(), 1);

  // Mode 4: the NetWare client is bound all the same.
  nameSpace->SetProviders({});
  auto* bindery = Bindery();
  bindery->AddServer("FS1");
  AddObject(bindery, "FS1", "PRINTER_A", kA);
  IpxDeviceFinder mode4;
  mode4.Discover({"FS1"}, options);
  EXPECT_TRUE(nameSpace->Installed().empty());
  EXPECT_EQ(mode4.mode(), NameSpaceMode::NetWareClient);
  EXPECT_EQ(mode4.GetDeviceCount(), 1);
}

TEST_F(IpxFinderTest, TheBinderyScanAttachesOnceToTheFirstServerAndTakesServicesWithAnAddress) {
  auto* bindery = Bindery();
  bindery->AddServer("FS1");
  bindery->AddServer("FS2");
  AddObject(bindery, "FS1", "PRINTER_A", kA);
  bindery->AddObject("FS1", "NO_PROPERTIES", kSapServiceType, false, nullptr, 0);
  bindery->AddObject("FS1", "NO_ADDRESS", kSapServiceType, true, nullptr, 0);
  const std::uint8_t none = 0;
  bindery->AddObject("FS1", "EMPTY_ADDRESS", kSapServiceType, true, &none, 0);
  AddObject(bindery, "FS1", "FILE_SERVER", kC, 0x0004);
  AddObject(bindery, "FS1", "PRINTER_A_AGAIN", kA);
  AddObject(bindery, "FS2", "PRINTER_B", kB);
  net->Agent(kA, InProcessAgent(Controller("Model 9")));
  net->Agent(kB, InProcessAgent(Controller("Model 5")));

  finder.Discover({"FS1", "FS2"}, options);
  finder.Discover({"FS1", "FS2"}, options);
  EXPECT_EQ(bindery->AttachCalls(), 1);
  EXPECT_STREQ(bindery->AttachedServer(0), "FS1");
  EXPECT_EQ(bindery->GetObjectNameCalls(), 0);
  EXPECT_EQ(net->Asked(), (std::vector<std::string>{kA, kA}));
  ASSERT_EQ(finder.GetDeviceCount(), 1);
  EXPECT_EQ(Text(0, "DEVICE_ADDRESS"), kA);
  EXPECT_TRUE(nameSpace->Queries().empty());
}

TEST_F(IpxFinderTest, ABinderyThatCannotBeReachedFindsNothingAndIsTriedAgain) {
  auto* bindery = Bindery();
  bindery->AddServer("FS1");
  AddObject(bindery, "FS1", "PRINTER_A", kA);
  net->Agent(kA, InProcessAgent(Controller("Model 9")));

  finder.Discover({}, options);  // no server configured
  EXPECT_EQ(bindery->AttachCalls(), 0);
  finder.Discover({"NOSUCH", "FS1"}, options);
  finder.Discover({"NOSUCH", "FS1"}, options);
  EXPECT_EQ(bindery->AttachCalls(), 2);
  EXPECT_EQ(finder.GetDeviceCount(), 0);
  EXPECT_TRUE(net->Asked().empty());

  // Without the client library there is nothing to scan.
  netware::SetNetWareClientLibrary("/nonexistent/libnwapi32.so");
  IpxDeviceFinder unbound;
  unbound.Discover({"FS1"}, options);
  EXPECT_EQ(unbound.GetDeviceCount(), 0);
  EXPECT_EQ(bindery->AttachCalls(), 2);
}

TEST_F(IpxFinderTest, APrinterIsMatchedByItsQueueWithOneQueryPerDevice) {
  net->Agent(kA, InProcessAgent(Controller("Model 9", "laserq")));
  net->Agent(kB, InProcessAgent(Controller("Model 5", "otherq")));
  Sap({kA, kB});
  printers->AddPrinter({"Sales laser", "\\\\FS1\\.LASERQ.SALES", "", false});
  printers->AddPrinter({"Parallel", "LPT1:", "", false});
  printers->AddPrinter({"Unserved", "\\\\FS1\\NOQUEUE", "", false});
  printers->AddPrinter({"Elsewhere", "\\\\FS2\\OTHERQ", "", true});  // a connection: not looked at

  finder.Discover({}, options);
  // The table gets, then one queue query per printer and device until a match.
  EXPECT_EQ(net->Asked(), (std::vector<std::string>{kA, kB, kA, kA, kB}));
  ASSERT_EQ(finder.GetDeviceCount(), 2);
  EXPECT_EQ(Text(0, "DEVICE_NAME_SPOOLER"), "Sales laser");
  EXPECT_EQ(Int(0, "DEVICE_INSTALLED_PRINTER"), 1);
  EXPECT_EQ(Text(0, "QSERVER"), "laserq");
  EXPECT_EQ(Text(1, "DEVICE_NAME_SPOOLER"), "<absent>");
  EXPECT_EQ(Int(1, "DEVICE_INSTALLED_PRINTER"), 0);

  // The next pass keeps the match on the listed device.
  finder.Discover({}, options);
  EXPECT_EQ(Int(0, "DEVICE_INSTALLED_PRINTER"), 1);
  EXPECT_EQ(Text(0, "DEVICE_NAME_SPOOLER"), "Sales laser");
}

TEST_F(IpxFinderTest, WithoutIpxNoSessionOpensAndThePassFindsNothing) {
  net.reset();  // no network stand-in: the system's IPX backend, which is none
  snmp::UseIpxUnavailable();
  Sap({kA, kB});
  printers->AddPrinter({"Sales laser", "\\\\FS1\\.LASERQ.SALES", "", false});
  EXPECT_EQ(finder.Discover({}, options), 1);
  EXPECT_EQ(finder.Discover({}, options), 1);
  EXPECT_EQ(finder.GetDeviceCount(), 0);
  EXPECT_EQ(finder.QueryListSize(), 0u);
}

}  // namespace
}  // namespace vlm::discovery
