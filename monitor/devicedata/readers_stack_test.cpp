// The controller, installed options, identity, finisher name, counter and
// summary readers against the real stack: VectorItem created by its ProgID
// over the real network manager, discovery manager and SeekIP, one snmpd
// agent for a single-engine printer (an installed printer, served by a
// private CUPS scheduler) and one for a tandem pair (an other device).
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "mgmt/tests/stack_support.h"
#include "monitor/devicedata/devicedata.h"
#include "monitor/devicedata/devicedata_fakes.h"
#include "monitor/devicedata/devicedata_test_support.h"
#include "monitor/devicedata/retrieval.h"
#include "tests/support/cupsd_harness.h"
#include "tests/support/loopback.h"
#include "tests/support/snmpd_agent.h"

namespace vlm::monitor {
namespace {

using vlm::testing::FixtureObject;
using vlm::testing::SnmpdAgent;

// The OIDs of the scalars these readers ask for.
const std::map<int, std::string> kOid = {
    {77, "1.3.6.1.4.1.2364.1.1.1.1.1.2"},   {78, "1.3.6.1.4.1.2364.1.1.1.1.1.3"},
    {79, "1.3.6.1.4.1.2364.1.1.1.1.1.4"},   {80, "1.3.6.1.4.1.2364.1.1.1.1.1.5"},
    {81, "1.3.6.1.4.1.2364.1.1.1.1.1.6"},   {85, "1.3.6.1.4.1.2364.1.1.2.1.1.2"},
    {86, "1.3.6.1.4.1.2364.1.1.2.1.1.3"},   {107, "1.3.6.1.4.1.2364.1.2.3.2.2.1.2"},
    {108, "1.3.6.1.4.1.2364.1.2.3.2.2.1.3"}, {109, "1.3.6.1.4.1.2364.1.2.3.2.2.1.4"},
    {110, "1.3.6.1.4.1.2364.1.2.3.2.2.1.5"}, {111, "1.3.6.1.4.1.2364.1.2.3.2.2.1.6"},
    {126, "1.3.6.1.4.1.2364.1.2.3.4.1.1.2"}, {127, "1.3.6.1.4.1.2364.1.2.3.4.1.1.3"},
    {128, "1.3.6.1.4.1.2364.1.2.3.4.1.1.4"}, {133, "1.3.6.1.4.1.2364.1.2.3.5.1.1.2"},
    {134, "1.3.6.1.4.1.2364.1.2.3.5.1.1.3"}, {135, "1.3.6.1.4.1.2364.1.2.3.5.1.1.4"},
    {151, "1.3.6.1.4.1.2364.1.2.3.8.1.1.2"}, {152, "1.3.6.1.4.1.2364.1.2.3.8.1.1.3"},
    {153, "1.3.6.1.4.1.2364.1.2.3.8.1.1.4"}, {155, "1.3.6.1.4.1.2364.1.2.3.8.1.1.6"},
    {156, "1.3.6.1.4.1.2364.1.2.3.8.1.1.7"}, {157, "1.3.6.1.4.1.2364.1.2.3.8.1.1.8"},
    {158, "1.3.6.1.4.1.2364.1.2.3.8.1.1.9"}, {162, "1.3.6.1.4.1.2364.1.2.4.1.1.2"},
    {163, "1.3.6.1.4.1.2364.1.2.4.1.1.3"},  {186, "1.3.6.1.4.1.2364.1.2.3.8.1.1.10"},
    {189, "1.3.6.1.4.1.2364.1.1.1.1.1.7"},  {196, "1.3.6.1.4.1.2364.1.1.1.1.1.9"},
    {197, "1.3.6.1.4.1.2364.1.1.1.1.1.10"}, {206, "1.3.6.1.4.1.2364.1.2.3.8.1.1.11"},
    {207, "1.3.6.1.4.1.2364.1.2.3.8.1.1.12"}, {208, "1.3.6.1.4.1.2364.1.2.3.5.1.1.5"},
    {209, "1.3.6.1.4.1.2364.1.1.1.1.1.12"}, {217, "1.3.6.1.4.1.2364.1.1.1.1.1.8"},
};
// The input-tray table's index column, whose rows the count 8001 walks.
constexpr const char* kInputIndex = "1.3.6.1.4.1.2364.1.2.3.1.1.1.4";

// One engine of a fixture printer.
struct Engine {
  int type;  // engine type code, 11..17
  std::string name, resolution, finisher;
  int state;                 // machine state code
  std::int32_t options;      // the option word
  int trays;                 // input units
  int counters[7];           // 157, 155, 158, 156, 207, 162, 163
  int memory[3];             // type, size, available of the first unit
};

struct Printer {
  std::string controllerName, location, controllerVersion, mibVersion, snmpVersion;
  int productType, status, spoolMode, banner, hdInstalled, languages, tandemCode;
  int disk[3];  // type, size, available
  std::vector<Engine> engines;
};

constexpr int kCounterIds[7] = {157, 155, 158, 156, 207, 162, 163};

std::vector<FixtureObject> Fixture(const Printer& p) {
  std::vector<FixtureObject> f = {
      {"1.3.6.1.2.1.1.1.0", "octet_str", "Velmar IP Controller", false},
      {"1.3.6.1.2.1.1.5.0", "octet_str", p.controllerName, false},
  };
  auto integer = [&](int id, const std::string& suffix, long long v) {
    f.push_back({kOid.at(id) + suffix, "integer", std::to_string(v), false});
  };
  auto text = [&](int id, const std::string& suffix, const std::string& v) {
    f.push_back({kOid.at(id) + suffix, "octet_str", v, false});
  };
  for (std::size_t i = 0; i < p.engines.size(); ++i) {
    const Engine& e = p.engines[i];
    const std::string n = std::to_string(i + 1);
    // The engine's data row (vector 148, instance 1) and its finisher row
    // (104, 1): suffix engine.1.
    const std::string data = "." + n + ".1";
    text(189, data, p.controllerName);
    text(78, data, p.location);
    text(151, data, e.resolution);
    text(152, data, e.name);
    integer(153, data, e.type);
    integer(186, data, e.state);
    integer(206, data, e.options);
    integer(209, data, p.languages);
    for (int k = 0; k < 7; ++k) integer(kCounterIds[k], data, e.counters[k]);
    for (int id : {107, 108, 109, 110}) integer(id, data, 1);
    text(111, data, e.finisher);
    // The controller block (vector 74, instance engine): suffix engine.engine.
    const std::string block = "." + n + "." + n;
    text(77, block, p.controllerName);
    integer(79, block, p.productType);
    text(80, block, p.controllerVersion);
    integer(81, block, p.status);
    text(85, block, p.mibVersion);
    text(86, block, p.snmpVersion);
    integer(196, block, p.spoolMode);
    integer(197, block, p.banner);
    integer(208, block, p.hdInstalled);
    if (block != data) integer(209, block, p.languages);
    integer(217, block, p.tandemCode);
    for (int t = 1; t <= e.trays; ++t)
      f.push_back({std::string(kInputIndex) + "." + n + "." + std::to_string(t), "integer",
                   std::to_string(t), false});
    // One memory unit.
    integer(126, "." + n + ".1", e.memory[0]);
    integer(127, "." + n + ".1", e.memory[1]);
    integer(128, "." + n + ".1", e.memory[2]);
  }
  // The disk (vector 130, instance 1) of the first engine.
  for (int k = 0; k < 3; ++k) integer(133 + k, ".1.1", p.disk[k]);
  return f;
}

const Printer kSingle = {
    "Laser 5 controller", "Front desk", "V 2.10", "2.1", "SNMPv1",
    3, 3, 3, 4, 3, 5, 1, {3, 4000, 1500},
    {{12, "Mono engine", "600 dpi", "Stapler", 3, 0x6080, 6,
      {1001, 1002, 1003, 1004, 5000, 2, 90}, {3, 64, 32}}},
};
const Printer kTandem = {
    "Twin 9 controller", "Print room", "V 3.00", "2.2", "SNMPv1",
    6, 9, 4, 3, 4, 4, 3, {3, 8000, 7000},
    {{13, "Left engine", "400/600", "Booklet", 5, 0x100, 4,
      {2001, 2002, 2003, 2004, 9000, 1, 30}, {3, 128, 100}},
     {16, "Right engine", "1200 dpi", "Folder", 11, static_cast<std::int32_t>(0x80042000u), 7,
      {3001, 3002, 3003, 3004, 9500, 0, 0}, {3, 256, 200}}},
};

class ReadersStackTest : public test_support::DeviceDataTest {
 protected:
  void SetUp() override {
    DeviceDataTest::SetUp();
    registryRoot_ = folder_ + "/registry";
    ::setenv("VLM_REGISTRY_ROOT", registryRoot_.c_str(), 1);
    ::setenv("VLM_SNMP_TRAP_PORT", std::to_string(mgmt::testing::FreeUdpPort()).c_str(), 1);
    registry::ResetForTests();
    vlm::testing::AgentPort();

    hosts_ = vlm::testing::AllocateLoopbackRange(2);
    single_ = std::make_unique<SnmpdAgent>(hosts_[0], Fixture(kSingle));
    tandem_ = std::make_unique<SnmpdAgent>(hosts_[1], Fixture(kTandem));
    cupsd_ = std::make_unique<vlm::testing::CupsdHarness>();
    cupsd_->AddQueue("laser", "socket://" + hosts_[0] + ":9100", "Front desk");
    cupsd_->UseForThisProcess();

    mgmt::testing::RegisterLibraries();
    const std::string range = hosts_[0] + ":" + hosts_[1];
    mgmt::testing::SetValue("SOFTWARE\\VLM\\Discovery\\DP\\IP\\Discovery Params\\RANGES", "0",
                            REG_SZ, range.c_str(), static_cast<DWORD>(range.size() + 1));
    ASSERT_EQ(CoInitialize(nullptr), S_OK);
    Main_Window = &window_;
    Message_Box = &dialog_;
    Installed_Text = "Installed";
    Not_Installed_Text = "Not Installed";
    Not_Applicable_Text = "N/A";
  }
  void TearDown() override {
    Main_Window = nullptr;
    Message_Box = nullptr;
    Job_Root_Handle = Job_Root{};
    CoUninitialize();
    cupsd_.reset();
    single_.reset();
    tandem_.reset();
    registry::ResetForTests();
    ::unsetenv("VLM_REGISTRY_ROOT");
    DeviceDataTest::TearDown();
  }

  // Runs the discovery of one list on the object and returns the number of
  // the device at the address, as the main window's discovery lists it.
  static VbInteger Discover(IVectorItem* item, bool installed, const std::string& host) {
    VbInteger found = -1;
    retrieval::Call call(item);
    const LONG group = call.Create_Group({6001});
    const LONG root = call.Root(installed ? xlpnmif::kInstalledPrinters : xlpnmif::kOtherDevices, 0);
    EXPECT_TRUE(call.Read(root, installed ? xlpnmif::kInstalledCountGroup : xlpnmif::kOtherCountGroup,
                          false, xlpnmif::kModeCached));
    const retrieval::Value_List count = call.Integers(root);
    const LONG devices = count.Count() == 1 ? count.Integers[0] : 0;
    for (LONG d = 0; d < devices; ++d) {
      const LONG device = call.Root(installed ? xlpnmif::kInstalledPrinter : xlpnmif::kOtherDevice, d);
      call.Read(device, group, false, xlpnmif::kModeCached);
      const retrieval::Value_List texts = call.Strings(device);
      for (std::size_t i = 0; i < texts.Count(); ++i)
        if (texts.Ids[i] == xlpnmif::kDeviceAddress && texts.Texts[i].rfind(host, 0) == 0)
          found = static_cast<VbInteger>(d);
      call.Release(device);
    }
    call.Finish();
    return found;
  }

  std::string Caption(const std::string& key) { return window_.Captions[key]; }
  static std::string Text(const Field& f) { return Field_Text(f); }

  // Reads every procedure of the device and checks what it stored against
  // the fixture.
  void Check_Printer(IVectorItem* item, VbInteger kind, VbInteger device, const Printer& p) {
    Selected_List_Kind = kind;
    Selected_Device = device;
    Selected_Engine = 0;
    Discovered_Printers(0, 0) = kind;
    Discovered_Printers(0, 1) = device;
    Selected_Row = 1;
    Device_List_Fields(kind, device, 5) = std::string(kind == 0 ? "laser" : "");
    const bool tandem = p.engines.size() == 2;
    window_.Tab = 1;

    Get_Device_Flag(item, kind, device, 1);
    EXPECT_EQ(Text(Device_List_Fields(kind, device, 6)), tandem ? "1" : "0");

    Get_Controller_Info(item);
    EXPECT_EQ(Text(Controller_Fields(kind, device, 4)), Decode_Present(p.banner));
    EXPECT_EQ(Text(Controller_Fields(kind, device, 5)), Decode_Present(p.spoolMode));
    EXPECT_EQ(Text(Controller_Fields(kind, device, 8)), std::to_string(p.engines[0].memory[1]));
    EXPECT_EQ(Text(Controller_Fields(kind, device, 9)), std::to_string(p.engines[0].memory[2]));
    for (int k = 0; k < 3; ++k)
      EXPECT_EQ(Text(Controller_Fields(kind, device, 10 + k)), std::to_string(p.disk[k]));
    EXPECT_EQ(Text(Controller_Fields(kind, device, 13)), p.controllerVersion);
    EXPECT_EQ(Text(Controller_Fields(kind, device, 14)), Decode_Device_Type(p.productType));
    EXPECT_EQ(Text(Controller_Fields(kind, device, 15)), "True");
    EXPECT_EQ(Text(Controller_Fields(kind, device, 18)), Decode_Present(p.hdInstalled));
    EXPECT_EQ(Text(Controller_Fields(kind, device, 19)), Show_Printer_Languages(p.languages));

    Get_Printer_Identity(item, 0);
    EXPECT_EQ(Caption("lblIPModel"), p.controllerName);
    EXPECT_EQ(Caption("lblIPName(5)"), p.controllerName);
    EXPECT_EQ(Caption("lblIPLocation"), p.location);
    EXPECT_EQ(Text(Device_List_Fields(kind, device, 3)), p.location);
    Get_Device_Status(item);
    EXPECT_EQ(Caption("Label4"), Decode_Device_Status(p.status));
    Get_MIB_Version(item);
    EXPECT_EQ(Caption("lblIPMIBVersion"), p.mibVersion);
    EXPECT_EQ(Text(Controller_Fields(kind, device, 17)), p.snmpVersion);

    for (VbInteger e = 0; e < static_cast<VbInteger>(p.engines.size()); ++e) {
      SCOPED_TRACE(e);
      const Engine& engine = p.engines[static_cast<std::size_t>(e)];
      Get_Installed_Options(item, e);
      EXPECT_EQ(Text(Engine_Fields(kind, device, e, 0)), std::to_string(engine.type));
      EXPECT_EQ(Text(Engine_Fields(kind, device, e, 1)), Decode_Machine_State(engine.state));
      EXPECT_EQ(Text(Engine_Fields(kind, device, e, 8)), engine.trays > 5 ? "YES" : "NO");
      EXPECT_EQ(Text(Engine_Fields(kind, device, e, 10)), engine.name);
      EXPECT_EQ(Engine_Options(e), engine.options);
      EXPECT_EQ(Caption("Label14"), engine.resolution);
      EXPECT_EQ(Caption("LCTPaperInput"), (engine.options & 0x80) ? "YES" : "No");
      EXPECT_EQ(Caption("TrimmerPaperOutput"), (engine.options & 0x100) ? "YES" : "No");
      EXPECT_EQ(Caption("CenterFoldPaperOutput"), (engine.options & 0x40000) ? "YES" : "No");

      Engine_Fields(kind, device, e, 0) = Field{};
      Get_Engine_Type(item, e);
      EXPECT_EQ(Text(Engine_Fields(kind, device, e, 0)), std::to_string(engine.type));

      Get_Engine_Counters(item, e);
      const int fields[7] = {7, 4, 6, 5, 12, 2, 3};
      for (int k = 0; k < 7; ++k)
        EXPECT_EQ(Text(Engine_Fields(kind, device, e, fields[k])), std::to_string(engine.counters[k]));
      EXPECT_EQ(Caption("lblEnginePrinterCount"), std::to_string(engine.counters[0]));
      EXPECT_EQ(Caption("lblEngineModel"), engine.name);

      Get_Finisher_Strings(item, e);
      EXPECT_EQ(Text(Finisher_Fields(kind, device, e, 0)), engine.finisher);
      EXPECT_EQ(Text(Finisher_Fields(kind, device, e, 5)), "True");
    }
    Get_Finisher_Model(item);
    EXPECT_EQ(Caption("lblEngineFinisherModel"), p.engines[0].finisher);

    Get_Device_Functions(item, 0);
    const std::int32_t word = p.engines[0].options;
    std::string type = "Printer";
    if (word & 0x4000) type += "/Scanner";
    if (word < 0) type += "/Copier";
    if (word & 0x2000) type += "/Fax";
    EXPECT_EQ(Caption("Label12"), type);
    EXPECT_EQ(Caption("lblIPType"), type);

    Get_Summary_Info(item, Selected_Engine);
    EXPECT_EQ(Selected_Engine, 0);
    EXPECT_EQ(Caption("lblIPEngine1Name"), p.engines[0].name);
    EXPECT_EQ(Caption("lblIPStatus"), Decode_Machine_State(p.engines[0].state));
    EXPECT_EQ(Caption("lblIPFinisher1Name"), p.engines[0].finisher);
    EXPECT_EQ(Caption("lblIPEngine2Name"), tandem ? p.engines[1].name : "");
    EXPECT_EQ(Caption("lblIPFinisher2Name"), tandem ? p.engines[1].finisher : "");
    EXPECT_EQ(window_.Visible["Engine2NameLabel(8)"], tandem);
    EXPECT_EQ(Caption("lblIPPDL"), Show_Printer_Languages(p.languages));
    EXPECT_EQ(Caption("lblIPInstalled"), kind == 0 ? "Installed" : "Not Installed");
    EXPECT_EQ(Caption("lblIPSpoolName"), kind == 0 ? "laser" : "N/A");
    EXPECT_EQ(Engine_Options(static_cast<VbInteger>(p.engines.size() - 1)), p.engines.back().options);

    Get_Status_And_Options(item);
    EXPECT_EQ(Text(Device_List_Fields(kind, device, 4)), Decode_Device_Status(p.status));
    EXPECT_EQ(Text(Device_List_Fields(kind, device, 0)), "True");
    EXPECT_EQ(Copier_Flag, p.engines.back().options < 0 ? 1 : 0);
    EXPECT_EQ(Fax_Flag, p.engines.back().options & 0x2000);

    EXPECT_EQ(Comm_Error_On, "");
    EXPECT_EQ(dialog_.Shown, 0) << Last_Error_Number << " " << Last_Error_Description;
  }

  std::string registryRoot_;
  std::vector<std::string> hosts_;
  std::unique_ptr<SnmpdAgent> single_, tandem_;
  std::unique_ptr<vlm::testing::CupsdHarness> cupsd_;
  test_support::Fake_Main_Window window_;
  test_support::Fake_Message_Box dialog_;
};

TEST_F(ReadersStackTest, SingleEngineAndTandemPrintersReadAsTheirAgentsServeThem) {
  ComPtr<IVectorItem> installed = mgmt::testing::CreateByProgId();
  ComPtr<IVectorItem> other = mgmt::testing::CreateByProgId();
  ASSERT_TRUE(installed && other);
  const VbInteger laser = Discover(installed.Get(), true, hosts_[0]);
  const VbInteger twin = Discover(other.Get(), false, hosts_[1]);
  ASSERT_GE(laser, 0);
  ASSERT_GE(twin, 0);
  {
    SCOPED_TRACE("single engine");
    Check_Printer(installed.Get(), 0, laser, kSingle);
  }
  {
    SCOPED_TRACE("tandem");
    Check_Printer(other.Get(), 1, twin, kTandem);
  }
}

}  // namespace
}  // namespace vlm::monitor
