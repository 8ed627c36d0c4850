// The device data procedures against the real stack: VectorItem created by
// its ProgID after registration, the real network manager, discovery
// manager and SeekIP, one snmpd agent per printer (a single-engine and a
// tandem one) and a private CUPS scheduler holding the printers' queues.
#include <gtest/gtest.h>

#include <signal.h>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "mgmt/tests/stack_support.h"
#include "monitor/devicedata/devicedata.h"
#include "monitor/devicedata/records_dump.h"
#include "monitor/devicedata/retrieval.h"
#include "monitor/devicedata/retrieval_test_support.h"
#include "platform/registry/registry.h"
#include "tests/support/cupsd_harness.h"
#include "tests/support/loopback.h"
#include "tests/support/snmpd_agent.h"

namespace vlm::monitor {
namespace {

using test_support::Dump;
using vlm::testing::FixtureObject;
using vlm::testing::SnmpdAgent;

constexpr const char* kIpStartup = "SOFTWARE\\VLM\\Discovery\\DP\\IP\\Startup";
constexpr const char* kRanges = "SOFTWARE\\VLM\\Discovery\\DP\\IP\\Discovery Params\\RANGES";

// The columns the procedures read, by scalar id.
const std::map<int, std::string> kOid = {
    {35, "1.3.6.1.4.1.2364.1.2.3.1.1.1.1"},  {36, "1.3.6.1.4.1.2364.1.2.3.1.1.1.2"},
    {37, "1.3.6.1.4.1.2364.1.2.3.1.1.1.3"},  {187, "1.3.6.1.4.1.2364.1.2.3.1.1.1.4"},
    {188, "1.3.6.1.4.1.2364.1.2.3.1.1.1.5"}, {216, "1.3.6.1.4.1.2364.1.2.3.1.1.1.6"},
    {64, "1.3.6.1.4.1.2364.1.2.3.2.1.1.1"},  {46, "1.3.6.1.2.1.43.9.2.1.7"},
    {77, "1.3.6.1.4.1.2364.1.1.1.1.1.2"},    {107, "1.3.6.1.4.1.2364.1.2.3.2.2.1.2"},
    {108, "1.3.6.1.4.1.2364.1.2.3.2.2.1.3"}, {109, "1.3.6.1.4.1.2364.1.2.3.2.2.1.4"},
    {110, "1.3.6.1.4.1.2364.1.2.3.2.2.1.5"}, {111, "1.3.6.1.4.1.2364.1.2.3.2.2.1.6"},
    {126, "1.3.6.1.4.1.2364.1.2.3.4.1.1.2"}, {127, "1.3.6.1.4.1.2364.1.2.3.4.1.1.3"},
    {128, "1.3.6.1.4.1.2364.1.2.3.4.1.1.4"}, {133, "1.3.6.1.4.1.2364.1.2.3.5.1.1.2"},
    {134, "1.3.6.1.4.1.2364.1.2.3.5.1.1.3"}, {135, "1.3.6.1.4.1.2364.1.2.3.5.1.1.4"},
    {139, "1.3.6.1.4.1.2364.1.2.3.6.1.1.2"}, {140, "1.3.6.1.4.1.2364.1.2.3.6.1.1.3"},
    {141, "1.3.6.1.4.1.2364.1.2.3.6.1.1.4"}, {152, "1.3.6.1.4.1.2364.1.2.3.8.1.1.3"},
    {186, "1.3.6.1.4.1.2364.1.2.3.8.1.1.10"}, {178, "1.3.6.1.4.1.2364.1.2.6.1.1.2"},
    {179, "1.3.6.1.4.1.2364.1.2.6.1.1.3"},   {180, "1.3.6.1.4.1.2364.1.2.6.1.1.4"},
    {181, "1.3.6.1.4.1.2364.1.2.6.1.1.5"},   {183, "1.3.6.1.4.1.2364.1.2.6.1.1.7"},
};

struct Fixture_Builder {
  std::vector<FixtureObject> objects;
  void Int(int id, int engine, int row, int value) {
    objects.push_back({kOid.at(id) + "." + std::to_string(engine) + "." + std::to_string(row), "integer",
                       std::to_string(value), false});
  }
  void Text(int id, int engine, int row, const std::string& value) {
    objects.push_back(
        {kOid.at(id) + "." + std::to_string(engine) + "." + std::to_string(row), "octet_str", value, false});
  }
};

// A controller with `engines` engines; engine e has its own values.
std::vector<FixtureObject> Printer(const std::string& model, int engines) {
  Fixture_Builder b;
  b.objects = {{"1.3.6.1.2.1.1.1.0", "octet_str", "Velmar IP Controller", false},
               {"1.3.6.1.2.1.1.5.0", "octet_str", model, false}};
  for (int e = 1; e <= engines; ++e) {
    const std::string n = std::to_string(e);
    b.Text(152, e, 1, model + " engine " + n);
    b.Int(186, e, 1, e == 1 ? 3 : 5);
    b.Text(77, e, 1, model);
    for (int t = 1; t <= 4 - e; ++t) {
      b.Int(35, e, t, 3);
      b.Int(36, e, t, 4 + t + 10 * e);
      b.Int(37, e, t, 1);
      b.Int(187, e, t, t);
      b.Int(188, e, t, 4);
      b.Int(216, e, t, t == 2 ? 1 : 0);
    }
    for (int k = 1; k <= 2; ++k) {
      b.Int(64, e, k, k + 2);
      b.Text(46, e, k, "Bin " + n + "." + std::to_string(k));
    }
    const char* descriptions[] = {"Paper Jam", e == 1 ? "Toner Low" : "Printing"};
    for (int a = 1; a <= 2; ++a) {
      b.Int(178, e, a, 3 + a);
      b.Int(179, e, a, 1);
      b.Int(180, e, a, 100 * e + a);
      b.Text(181, e, a, descriptions[a - 1]);
      b.Text(183, e, a, "2026-12-10 10:0" + std::to_string(a));
    }
    const int types[] = {3, 4, 6};
    for (int m = 1; m <= 3; ++m) {
      b.Int(126, e, m, types[m - 1]);
      b.Int(127, e, m, 1024 * m * e);
      b.Int(128, e, m, 512 * m * e);
    }
    for (int f = 1; f <= 2; ++f) {
      b.Int(139, e, f, 4 + f);
      b.Text(140, e, f, "fw" + n + std::to_string(f));
      b.Text(141, e, f, "V" + n + "." + std::to_string(f));
    }
    b.Int(107, e, 1, 3);
    b.Int(108, e, 1, 3);
    b.Int(109, e, 1, e == 1 ? 3 : 4);
    b.Int(110, e, 1, 1);
    b.Text(111, e, 1, "Finisher " + n);
  }
  b.Int(133, 1, 1, 2);
  b.Int(134, 1, 1, 20000);
  b.Int(135, 1, 1, 15000);
  return b.objects;
}

class DeviceDataStackTest : public test_support::RetrievalTest {
 protected:
  void SetUp() override {
    RetrievalTest::SetUp();
    char pattern[] = "/tmp/vlm-devicedata-stack-XXXXXX";
    ASSERT_NE(::mkdtemp(pattern), nullptr);
    root_ = pattern;
    ::setenv("VLM_REGISTRY_ROOT", root_.c_str(), 1);
    ::setenv("VLM_SNMP_TRAP_PORT", std::to_string(mgmt::testing::FreeUdpPort()).c_str(), 1);
    registry::ResetForTests();
    vlm::testing::AgentPort();

    hosts_ = vlm::testing::AllocateLoopbackRange(2);
    single_ = std::make_unique<SnmpdAgent>(hosts_[0], Printer("Model S", 1));
    tandem_ = std::make_unique<SnmpdAgent>(hosts_[1], Printer("Model T", 2));
    cupsd_ = std::make_unique<vlm::testing::CupsdHarness>();
    cupsd_->AddQueue("single", "socket://" + hosts_[0] + ":9100", "Front desk");
    cupsd_->AddQueue("tandem", "socket://" + hosts_[1] + ":9100", "Print room");
    const std::string file = cupsd_->WriteFile("page.txt", "page\n");
    cupsd_->SubmitHeld("single", file, "report.txt");
    cupsd_->SubmitHeld("single", file, "letter.txt");
    cupsd_->UseForThisProcess();

    mgmt::testing::RegisterLibraries();
    const std::string range = hosts_[0] + ":" + hosts_[1];
    mgmt::testing::SetValue(kRanges, "0", REG_SZ, range.c_str(), static_cast<DWORD>(range.size() + 1));
    const DWORD timeout = 50, retries = 1;
    mgmt::testing::SetValue(kIpStartup, "Timeout", REG_DWORD, &timeout, 4);
    mgmt::testing::SetValue(kIpStartup, "Retries", REG_DWORD, &retries, 4);
    ASSERT_EQ(CoInitialize(nullptr), S_OK);
  }
  void TearDown() override {
    if (stopped_) ::kill(single_->pid(), SIGCONT);
    Release_Job_Root_Handle();
    installed_ = nullptr;
    CoUninitialize();
    cupsd_.reset();
    single_.reset();
    tandem_.reset();
    std::error_code ec;
    std::filesystem::remove_all(root_, ec);
    RetrievalTest::TearDown();
  }

  // The main window's discovery of the installed printers: device number
  // by address.
  std::map<std::string, VbInteger> Discover() {
    installed_ = mgmt::testing::CreateByProgId();
    std::map<std::string, VbInteger> devices;
    if (!installed_) return devices;
    retrieval::Call call(installed_.Get());
    const LONG group = call.Create_Group({6001});
    const LONG root = call.Root(xlpnmif::kInstalledPrinters, 0);
    EXPECT_TRUE(call.Read(root, xlpnmif::kInstalledCountGroup, true, xlpnmif::kModeCached));
    const retrieval::Value_List count = call.Integers(root);
    for (LONG d = 0; d < (count.Count() ? count.Integers[0] : 0); ++d) {
      const LONG device = call.Root(xlpnmif::kInstalledPrinter, d);
      call.Read(device, group, true, xlpnmif::kModeCached);
      for (const std::string& address : call.Strings(device).Texts) devices[address] = static_cast<VbInteger>(d);
      call.Release(device);
    }
    call.Finish();
    return devices;
  }

  // Every procedure on the selection, through the installed printers'
  // object; no handle may be left but the job list.
  void Read_All() {
    IVectorItem* item = installed_.Get();
    Get_Engine_Model(item, Selected_Engine);
    Get_Printer_State(item, Selected_Engine);
    Get_Input_Trays(item);
    Get_Output_Trays(item);
    Get_Alerts(item);
    Get_Memory_Table(item);
    Get_Disk_Info(item);
    Get_Firmware_Table(item);
    Get_Finisher_Options(item);
    Get_Print_Jobs(item);
  }
  std::string Everything() {
    std::string finisher;
    for (int f = 0; f <= 5; ++f)
      finisher += Field_Text(Finisher_Fields(0, Selected_Device, Selected_Engine, f)) + ";";
    return window_.Captions["lblEngineModel"] + "\n" + Field_Text(Device_List_Fields(0, Selected_Device, 1)) +
           ";" + Field_Text(Engine_Fields(0, Selected_Device, Selected_Engine, 1)) + "\n" +
           Dump(Input_Tray_Table(0, Selected_Device, Selected_Engine)) + "\n" +
           Dump(Output_Tray_Table(0, Selected_Device, Selected_Engine)) + "\n" +
           Dump(Alert_Table(0, Selected_Device, Selected_Engine)) + "\n" +
           Dump(Memory_Table(0, Selected_Device, Selected_Engine)) + "\n" + Dump(Disk_Table(0, Selected_Device)) +
           "\n" + Dump(Firmware_Table(0, Selected_Device, Selected_Engine)) + "\n" + finisher + "\n" +
           std::to_string(Job_Table(0, Selected_Device).Job_Count);
  }

  std::string root_;
  std::vector<std::string> hosts_;
  std::unique_ptr<SnmpdAgent> single_, tandem_;
  std::unique_ptr<vlm::testing::CupsdHarness> cupsd_;
  ComPtr<IVectorItem> installed_;
  bool stopped_ = false;
};

TEST_F(DeviceDataStackTest, EveryProcedureReadsTheFixturesValuesAndAStoppedAgentKeepsThem) {
  const std::map<std::string, VbInteger> devices = Discover();
  ASSERT_EQ(devices.size(), 2u);
  ASSERT_TRUE(devices.count(hosts_[0]) && devices.count(hosts_[1]));

  // The single-engine printer, then both engines of the tandem one.
  struct Expect {
    std::string host;
    VbInteger engine;
    std::vector<std::string> lines;  // the start of each line of Everything()
  };
  const Expect expectations[] = {
      {hosts_[0], 0,
       {"Model S engine 1", "Model S;Ready",
        "-1 3 | 3,15,1,1,4,0, | 3,16,1,2,4,1, | 3,17,1,3,4,0, | ,,,,,, ",
        "-1 2 | Removable bin,Bin 1.1,, | Fixed bin,Bin 1.2,, | ,,, | ,,,",
        "-1 2 | 101,Warning,Any User,2026-12-10 10:01,Paper Jam | "
        "102,Information,Workgroup Manager,2026-12-10 10:02,Toner Low | ,,,, ",
        "-1 3 | Ram,1024,512 | Rom,2048,1024 | ERDH,3072,1536 | ,, ", "-1 | 2,20000,15000 | ,, | ,,",
        "-1 2 | Engine,fw11,V1.1 | Finisher,fw12,V1.2 | ,, ", "Finisher 1;YES;YES;NO;YES;True;", "2"}},
      {hosts_[1], 0,
       {"Model T engine 1", "Model T;Ready", "-1 3 | 3,15,", "-1 2 | Removable bin,Bin 1.1,,",
        "-1 2 | 101,", "-1 3 | Ram,1024,512 |", "-1 | 2,20000,15000", "-1 2 | Engine,fw11,V1.1",
        "Finisher 1;YES;YES;NO;YES;True;", "0"}},
      {hosts_[1], 1,
       {"Model T engine 2", "Model T;Printing",
        "-1 2 | 3,25,1,1,4,0, | 3,26,1,2,4,1, | ,,,,,, ", "-1 2 | Removable bin,Bin 2.1,, | Fixed bin,Bin 2.2,,",
        "-1 2 | 201,Warning,Any User,2026-12-10 10:01,Paper Jam | "
        "202,Information,None,2026-12-10 10:02,Printing | ,,,, ",
        "-1 3 | Ram,2048,1024 | Rom,4096,2048 | ERDH,6144,3072 | ,, ", "-1 | 2,20000,15000",
        "-1 2 | Engine,fw21,V2.1 | Finisher,fw22,V2.2 | ,, ", "Finisher 2;YES;NO;NO;YES;True;", "0"}},
  };
  window_.Tab = 1;  // the IP Controller tab keeps every memory unit
  for (const Expect& x : expectations) {
    SCOPED_TRACE(x.host + " engine " + std::to_string(x.engine));
    Select(0, devices.at(x.host), x.engine);
    Read_All();
    EXPECT_EQ(dialog_.Shown, 0) << Last_Error_Number << " " << Last_Error_Description;
    EXPECT_EQ(Comm_Error_On, "");
    const std::string all = Everything();
    std::vector<std::string> lines;
    for (std::size_t at = 0, next; at <= all.size(); at = next + 1) {
      next = all.find('\n', at);
      if (next == std::string::npos) next = all.size();
      lines.push_back(all.substr(at, next - at));
    }
    ASSERT_EQ(lines.size(), x.lines.size()) << all;
    for (std::size_t i = 0; i < lines.size(); ++i)
      EXPECT_EQ(lines[i].substr(0, x.lines[i].size()), x.lines[i]) << "line " << i;
  }
  // The banner shows the tandem's second engine's last alert.
  EXPECT_EQ(window_.Captions["Label13"], "PRINTING");
  EXPECT_EQ(window_.Back_Colours["Label13"], 0xC000);
  // The jobs of the single printer's queue, in queue order.
  const Job_Record& jobs = Job_Table(0, devices.at(hosts_[0]));
  ASSERT_EQ(jobs.Job_Count, 2);
  EXPECT_EQ(Field_Text(jobs.Jobs(1).Values(1)), "report.txt");
  EXPECT_EQ(Field_Text(jobs.Jobs(2).Values(1)), "letter.txt");
  EXPECT_EQ(Field_Text(jobs.Jobs(2).Values(5)), "2");  // the spooler counts positions from 1

  // The single printer stops answering: the not-responding text with the
  // time-out's code, and the records and the window keep what the good
  // read gave (the engine model and the banner, which no table keeps, too).
  Select(0, devices.at(hosts_[0]), 0);
  Read_All();
  const std::string good = Everything();
  const std::string good_model = window_.Captions["lblEngineModel"];
  const std::string good_banner = window_.Captions["Label13"];
  const VbLong good_colour = window_.Back_Colours["Label13"];
  ASSERT_FALSE(good_model.empty());
  ASSERT_EQ(::kill(single_->pid(), SIGSTOP), 0);
  stopped_ = true;
  Comm_Error_On = "Off";
  window_.Timer4_Enabled = false;
  Read_All();
  EXPECT_EQ(Comm_Error_On, "On");
  EXPECT_TRUE(window_.Timer4_Enabled);
  EXPECT_EQ(Comm_Error_Text, "The Selected Printer is not Responding (Error Code -11)");
  EXPECT_EQ(Everything(), good);
  EXPECT_EQ(window_.Captions["Label13"], good_banner);
  EXPECT_EQ(window_.Back_Colours["Label13"], good_colour);
  EXPECT_EQ(dialog_.Shown, 0);
}

// A printer whose tables hold rows with indexes of 2^31 and more, and whose
// memory size and disk values come as texts: the rows with small indexes
// stay listed (the others are left out one by one), and a value sent as
// text shows as no value, never as 0.
TEST_F(DeviceDataStackTest, RowsPast2To31AndNumbersSentAsTextLeaveTheOtherRowsListed) {
  Fixture_Builder extra;
  for (const char* row : {"2147483648", "4294967295"}) {
    auto add = [&](int id, const char* type, const std::string& value) {
      extra.objects.push_back({kOid.at(id) + ".1." + row, type, value, false});
    };
    add(126, "integer", "3");
    add(127, "integer", "99");
    add(128, "integer", "98");
    add(139, "integer", "5");
    add(140, "octet_str", "fw big");
    add(141, "octet_str", "V9");
    add(178, "integer", "4");
    add(179, "integer", "1");
    add(180, "integer", "999");
    add(181, "octet_str", "Paper Out");
    add(183, "octet_str", "2026-12-10 10:09");
  }
  std::vector<FixtureObject> objects = Printer("Model S", 1);
  for (FixtureObject& o : objects) {
    // Memory unit 2's size and the disk's size as texts.
    if (o.oid == kOid.at(127) + ".1.2" || o.oid == kOid.at(134) + ".1.1") o.type = "octet_str";
  }
  objects.insert(objects.end(), extra.objects.begin(), extra.objects.end());
  single_.reset();
  single_ = std::make_unique<SnmpdAgent>(hosts_[0], objects);

  const std::map<std::string, VbInteger> devices = Discover();
  ASSERT_TRUE(devices.count(hosts_[0]));
  window_.Tab = 1;
  Select(0, devices.at(hosts_[0]), 0);
  Read_All();
  EXPECT_EQ(dialog_.Shown, 0) << Last_Error_Number << " " << Last_Error_Description;
  EXPECT_EQ(Comm_Error_On, "");
  auto starts = [](const std::string& text, const std::string& start) {
    return text.substr(0, start.size()) == start ? ::testing::AssertionSuccess()
                                                 : ::testing::AssertionFailure() << text;
  };
  EXPECT_TRUE(starts(Dump(Alert_Table(0, Selected_Device, 0)),
                     "-1 2 | 101,Warning,Any User,2026-12-10 10:01,Paper Jam | "
                     "102,Information,Workgroup Manager,2026-12-10 10:02,Toner Low | ,,,, "));
  // Unit 2, whose size came as text, is left out: no row shows a size of 0.
  EXPECT_TRUE(starts(Dump(Memory_Table(0, Selected_Device, 0)), "-1 2 | Ram,1024,512 | ERDH,3072,1536 | ,, "));
  EXPECT_TRUE(starts(Dump(Firmware_Table(0, Selected_Device, 0)), "-1 2 | Engine,fw11,V1.1 | Finisher,fw12,V1.2 | ,, "));
  // The disk, whose size came as text, is not stored.
  EXPECT_EQ(Dump(Disk_Table(0, Selected_Device)), "0 | ,, | ,, | ,,");
}

}  // namespace
}  // namespace vlm::monitor
