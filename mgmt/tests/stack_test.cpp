// The monitor's discovery and retrieval sequences against the real stack:
// VectorItem created by its ProgID after registration, the real network
// manager, discovery manager and SeekIP, snmpd agents on a loopback range
// and a private CUPS scheduler that holds the installed printer's queue.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <memory>

#include "mgmt/tests/fakes.h"
#include "mgmt/tests/stack_support.h"
#include "mgmt/xlpnmif.h"
#include "platform/com/com.h"
#include "platform/registry/registry.h"
#include "tests/support/cupsd_harness.h"
#include "tests/support/loopback.h"
#include "tests/support/snmpd_agent.h"
#include "tests/support/temp_folder.h"

namespace vlm {
namespace {

using namespace xlpnmif;
using mgmt::testing::RunCommand;
using mgmt::testing::SetValue;
using mgmt::testing::ShortArray;
using mgmt::testing::ValueLists;
using vlm::testing::FixtureObject;
using vlm::testing::SnmpdAgent;

constexpr const char* kIpStartup = "SOFTWARE\\VLM\\Discovery\\DP\\IP\\Startup";
constexpr const char* kRanges = "SOFTWARE\\VLM\\Discovery\\DP\\IP\\Discovery Params\\RANGES";

// A controller with one engine (its group values) and three input trays.
std::vector<FixtureObject> Controller(const std::string& model, int engineModel) {
  const std::string engine = "1.3.6.1.4.1.2364.1.2.3.8.1.1.";
  const std::string tray = "1.3.6.1.4.1.2364.1.2.3.1.1.1.";
  return {
      {"1.3.6.1.2.1.1.1.0", "octet_str", "Velmar IP Controller", false},
      {"1.3.6.1.2.1.1.5.0", "octet_str", model, false},
      {engine + "2.1", "octet_str", "600 dpi", false},
      {engine + "3.1", "octet_str", "Colour engine", false},
      {engine + "4.1", "integer", std::to_string(engineModel), false},
      {engine + "5.1", "integer", "3", false},
      {engine + "6.1", "integer", "1001", false},
      {engine + "7.1", "integer", "1002", false},
      {engine + "8.1", "integer", "1003", false},
      {engine + "9.1", "integer", "1004", false},
      {tray + "4.1.1", "integer", "2", false},
      {tray + "4.1.2", "integer", "3", false},
      {tray + "4.1.3", "integer", "4", false},
      {tray + "2.1.1", "integer", "7", false},
      {tray + "2.1.2", "integer", "9", false},
      {tray + "2.1.3", "integer", "11", false},
      {tray + "5.1.1", "integer", "0", false},
      {tray + "5.1.2", "integer", "4", false},
      {tray + "5.1.3", "integer", "4", false},
  };
}

class StackTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = vlm::testing::TempRoot() + "/vlm-mgmt-stack-XXXXXX";
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    root_ = pattern;
    ::setenv("VLM_REGISTRY_ROOT", root_.c_str(), 1);
    ::setenv("VLM_SNMP_TRAP_PORT", std::to_string(mgmt::testing::FreeUdpPort()).c_str(), 1);
    registry::ResetForTests();
    vlm::testing::AgentPort();

    // Two controllers and a silent address between them; the first one is
    // the installed printer "laser".
    hosts_ = vlm::testing::AllocateLoopbackRange(3);
    installed_ = std::make_unique<SnmpdAgent>(hosts_[0], Controller("Model 9", 12));
    other_ = std::make_unique<SnmpdAgent>(hosts_[2], Controller("Model 12", 14));
    cupsd_ = std::make_unique<vlm::testing::CupsdHarness>();
    cupsd_->AddQueue("laser", "socket://" + hosts_[0] + ":9100", "Front desk");
    cupsd_->UseForThisProcess();

    mgmt::testing::RegisterLibraries();
    const std::string range = hosts_[0] + ":" + hosts_[2];
    SetValue(kRanges, "0", REG_SZ, range.c_str(), static_cast<DWORD>(range.size() + 1));
    const DWORD timeout = 20, retries = 1;  // the silent address costs 0.4 s
    SetValue(kIpStartup, "Timeout", REG_DWORD, &timeout, 4);
    SetValue(kIpStartup, "Retries", REG_DWORD, &retries, 4);

    ASSERT_EQ(CoInitialize(nullptr), S_OK);
  }
  void TearDown() override {
    CoUninitialize();
    cupsd_.reset();
    std::error_code ec;
    std::filesystem::remove_all(root_, ec);
  }

  // The monitor's creation of its two objects.
  static ComPtr<IVectorItem> Create() { return mgmt::testing::CreateByProgId(); }

  struct Listed {
    std::string product, spooler, address;
    std::int32_t isIp = -1;
    std::vector<std::int32_t> textIds;
  };
  // The monitor's discovery of one list: a custom group of the device
  // scalars, the root handle and its count, then every device's values.
  static std::vector<Listed> DiscoverPrinters(IVectorItem* item, bool installed) {
    std::vector<Listed> out;
    LONG group = -1;
    item->CreateCustomGroup(ShortArray({145, 0, 6002, 6005, 6001, 6008}), &group);
    LONG root = -1;
    item->GetRootHandle(installed ? kInstalledPrinters : kOtherDevices, 0, &root);
    if (root != -1) {
      LONG error = -1;
      item->GetGroupValues(root, installed ? kInstalledCountGroup : kOtherCountGroup, kModeCached,
                           kMechanismReadNow, &error);
      EXPECT_EQ(error, 0);
      ValueLists count(false);
      item->GetCurrentIntegerValueList(root, &count.ids, &count.values, &count.descrs, &count.count);
      item->ReleaseHandle(root);
      EXPECT_EQ(count.Ids(), std::vector<std::int32_t>{kDeviceCount});
      const std::int32_t devices = count.count == 1 ? count.IntValues()[0] : 0;
      for (LONG i = 0; i < devices; ++i) {
        LONG device = -1;
        item->GetRootHandle(installed ? kInstalledPrinter : kOtherDevice, i, &device);
        EXPECT_GE(device, 0);
        item->GetGroupValues(device, group, kModeCached, kMechanismReadNow, &error);
        ValueLists ints(false), texts(true);
        item->GetCurrentIntegerValueList(device, &ints.ids, &ints.values, &ints.descrs, &ints.count);
        item->GetCurrentStringValueList(device, &texts.ids, &texts.values, &texts.descrs, &texts.count);
        Listed l;
        for (std::size_t k = 0; k < ints.Ids().size(); ++k)
          if (ints.Ids()[k] == kDeviceIsIp) l.isIp = ints.IntValues()[k];
        l.textIds = texts.Ids();
        for (std::size_t k = 0; k < l.textIds.size(); ++k) {
          const std::string v = texts.TextValues()[k];
          if (l.textIds[k] == kDeviceProductName) l.product = v;
          if (l.textIds[k] == kDeviceSpoolerName) l.spooler = v;
          if (l.textIds[k] == kDeviceAddress) l.address = v;
        }
        item->ReleaseHandle(device);
        out.push_back(l);
      }
    }
    item->DeleteCustomGroup(group);
    return out;
  }

  // One row of the monitor's job list.
  struct JobRow {
    std::string status, user, document;
    std::int32_t position = -1, priority = -1;
  };
  // The monitor's reading of a printer's jobs: the device, the job list and
  // its count, then each position as a job handle with the job group.
  static std::vector<JobRow> ReadPrintJobs(IVectorItem* item, LONG device) {
    std::vector<JobRow> rows;
    LONG root = -1, list = -1, error = -1;
    item->GetRootHandle(kInstalledPrinter, device, &root);
    EXPECT_GE(root, 0);
    item->GetRootHandle(kPrintJobs, 0, &list);
    EXPECT_GE(list, 0);
    item->GetGroupValues(list, kJobListGroup, kModeRead, kMechanismReadNow, &error);
    ValueLists count(false);
    item->GetCurrentIntegerValueList(list, &count.ids, &count.values, &count.descrs, &count.count);
    const std::int32_t jobs = count.count > 0 && count.Ids()[0] == kJobCount ? count.IntValues()[0] : 0;
    for (LONG n = 0; n < jobs; ++n) {
      LONG job = -1;
      item->GetHandle(list, kPrintJob, n, &job);
      EXPECT_GE(job, 0);
      item->GetGroupValues(job, kJobGroup, kModeRead, kMechanismReadNow, &error);
      EXPECT_EQ(error, 0);
      ValueLists texts(true), ints(false);
      item->GetCurrentStringValueList(job, &texts.ids, &texts.values, &texts.descrs, &texts.count);
      item->GetCurrentIntegerValueList(job, &ints.ids, &ints.values, &ints.descrs, &ints.count);
      JobRow row;
      if (texts.count == 3) {
        row.status = texts.TextValues()[0];
        row.user = texts.TextValues()[1];
        row.document = texts.TextValues()[2];
      }
      if (ints.count == 4) {
        row.position = ints.IntValues()[0];
        row.priority = ints.IntValues()[2];
      }
      rows.push_back(row);
      item->ReleaseHandle(job);
    }
    item->ReleaseHandle(list);
    item->ReleaseHandle(root);
    return rows;
  }

  std::string root_;
  std::vector<std::string> hosts_;
  std::unique_ptr<SnmpdAgent> installed_, other_;
  std::unique_ptr<vlm::testing::CupsdHarness> cupsd_;
};

TEST_F(StackTest, TheMonitorsDiscoveryAndRetrievalSequences) {
  ComPtr<IVectorItem> installedItem = Create();
  ComPtr<IVectorItem> otherItem = Create();
  ASSERT_TRUE(installedItem && otherItem);

  // Discovery of both lists, as the main window runs it.
  const std::vector<Listed> installed = DiscoverPrinters(installedItem.Get(), true);
  ASSERT_EQ(installed.size(), 1u);
  EXPECT_EQ(installed[0].address, hosts_[0]);
  EXPECT_EQ(installed[0].product, "Model 9");
  EXPECT_EQ(installed[0].spooler, "laser");
  EXPECT_EQ(installed[0].isIp, 1);
  EXPECT_EQ(installed[0].textIds, (std::vector<std::int32_t>{-1, -1, 6002, 6005, 6001}));
  const std::vector<Listed> others = DiscoverPrinters(otherItem.Get(), false);
  ASSERT_EQ(others.size(), 1u);
  EXPECT_EQ(others[0].address, hosts_[2]);
  EXPECT_EQ(others[0].product, "Model 12");
  EXPECT_EQ(others[0].spooler, "");

  // The retrieval frame on each list's device 0: custom groups, the root
  // handle, the engine handle, child handles, group values, value lists,
  // and the release in reverse order.
  struct Case {
    IVectorItem* item;
    LONG vector;
    std::int32_t engineModel;
  };
  for (const Case& c : {Case{installedItem.Get(), kInstalledPrinter, 12},
                        Case{otherItem.Get(), kOtherDevice, 14}}) {
    SCOPED_TRACE(c.vector);
    IVectorItem* item = c.item;
    LONG countGroup = -1, trayGroup = -1, error = -1;
    item->CreateCustomGroup(ShortArray({8001}), &countGroup);
    item->CreateCustomGroup(ShortArray({36, 188}), &trayGroup);
    LONG root = -1, engine = -1;
    item->GetRootHandle(c.vector, 0, &root);
    item->GetHandle(root, 0, 1, &engine);
    ASSERT_GE(root, 0);
    ASSERT_GE(engine, 0);

    item->GetGroupValues(engine, countGroup, kModeRead, kMechanismReadNow, &error);
    EXPECT_EQ(error, 0);
    ValueLists count(false);
    item->GetCurrentIntegerValueList(engine, &count.ids, &count.values, &count.descrs, &count.count);
    ASSERT_EQ(count.Ids(), std::vector<std::int32_t>{8001});
    EXPECT_EQ(count.IntValues(), std::vector<std::int32_t>{3});

    item->GetGroupValues(engine, 1017, kModeRead, kMechanismReadNow, &error);
    EXPECT_EQ(error, 0);
    ValueLists engineInts(false), engineTexts(true);
    item->GetCurrentIntegerValueList(engine, &engineInts.ids, &engineInts.values, &engineInts.descrs,
                                     &engineInts.count);
    item->GetCurrentStringValueList(engine, &engineTexts.ids, &engineTexts.values, &engineTexts.descrs,
                                    &engineTexts.count);
    EXPECT_EQ(engineInts.IntValues(),
              (std::vector<std::int32_t>{c.engineModel, 3, 1001, 1002, 1003, 1004}));
    EXPECT_EQ(engineInts.Descriptions()[0], "Model");
    EXPECT_EQ(engineTexts.TextValues(), (std::vector<std::string>{"600 dpi", "Colour engine"}));

    const std::vector<std::vector<std::int32_t>> trays = {{7, 0}, {9, 4}, {11, 4}};
    for (LONG t = 1; t <= 3; ++t) {
      LONG tray = -1;
      item->GetHandle(engine, 8, t, &tray);
      ASSERT_GE(tray, 0);
      item->GetGroupValues(tray, trayGroup, kModeRead, kMechanismReadNow, &error);
      EXPECT_EQ(error, 0);
      ValueLists values(false);
      item->GetCurrentIntegerValueList(tray, &values.ids, &values.values, &values.descrs, &values.count);
      EXPECT_EQ(values.Ids(), (std::vector<std::int32_t>{36, 188}));
      EXPECT_EQ(values.IntValues(), trays[static_cast<std::size_t>(t - 1)]) << t;
      item->ReleaseHandle(tray);
    }
    item->DeleteCustomGroup(countGroup);
    item->DeleteCustomGroup(trayGroup);
    item->ReleaseHandle(engine);
    item->ReleaseHandle(root);
  }

  // The same object by name, as an automation client calls it.
  ComPtr<IDispatch> byName;
  ASSERT_EQ(otherItem.As(&byName), S_OK);
  LONG device = -1, count = -1;
  VbCallByName(byName.Get(), "GetRootHandle", LONG{kOtherDevice}, LONG{0}, Variant::Ref(&device));
  EXPECT_EQ(device, 0);
  VbCallByName(byName.Get(), "GetNumberOfInstances", device, LONG{8}, Variant::Ref(&count));
  EXPECT_EQ(count, 3);
  VbCallByName(byName.Get(), "ReleaseHandle", device);

  // A device that stops answering reports the time-out.
  other_->Stop();
  LONG root = -1, engine = -1, error = 0;
  otherItem->GetRootHandle(kOtherDevice, 0, &root);
  otherItem->GetHandle(root, 0, 1, &engine);
  otherItem->GetGroupValues(engine, 1017, kModeRead, kMechanismReadNow, &error);
  EXPECT_EQ(error, netmgr::kErrTimeout);
  otherItem->ReleaseHandle(engine);
  otherItem->ReleaseHandle(root);
}

// The job states of the scheduler that the commands lead to.
constexpr int kPending = 3, kHeld = 4, kCanceled = 7;

TEST_F(StackTest, PrintJobsOfTheInstalledPrintersQueues) {
  // Both controllers back an installed printer; the queues are stopped, so
  // that a released job stays pending.
  cupsd_->AddQueue("annex", "socket://" + hosts_[2] + ":9100", "Back office");
  cupsd_->StopQueue("laser");
  cupsd_->StopQueue("annex");
  const std::string report = cupsd_->WriteFile("report.txt", "quarterly figures\n");
  const std::string memo = cupsd_->WriteFile("memo.txt", "memo\n");
  const int ids[] = {cupsd_->SubmitHeld("laser", report), cupsd_->SubmitHeld("laser", memo),
                     cupsd_->SubmitHeld("laser", report)};
  cupsd_->SubmitHeld("annex", memo);
  const std::string user = cupsd_->Job(ids[0]).user;
  ASSERT_FALSE(user.empty());

  ComPtr<IVectorItem> item = Create();
  ASSERT_TRUE(item);
  const std::vector<Listed> printers = DiscoverPrinters(item.Get(), true);
  ASSERT_EQ(printers.size(), 2u);
  const LONG laser = printers[0].spooler == "laser" ? 0 : 1;
  const LONG annex = 1 - laser;
  ASSERT_EQ(printers[static_cast<std::size_t>(annex)].spooler, "annex");

  const std::vector<JobRow> rows = ReadPrintJobs(item.Get(), laser);
  ASSERT_EQ(rows.size(), 3u);
  const char* documents[] = {"report.txt", "memo.txt", "report.txt"};
  for (std::size_t i = 0; i < rows.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(rows[i].status, "Paused");  // held
    EXPECT_EQ(rows[i].user, user);
    EXPECT_EQ(rows[i].document, documents[i]);
    EXPECT_EQ(rows[i].position, static_cast<std::int32_t>(i + 1));
    EXPECT_EQ(rows[i].priority, 50);
  }

  // Commands on the last job, as the scheduler sees them.
  LONG root = -1, list = -1, job = -1, error = -1;
  item->GetRootHandle(kInstalledPrinter, laser, &root);
  item->GetRootHandle(kPrintJobs, 0, &list);
  item->GetHandle(list, kPrintJob, 2, &job);
  ASSERT_GE(job, 0);
  const struct {
    LONG value;
    LONG error;
    int state;
  } steps[] = {
      {2, 0, kPending},   // resume
      {1, 0, kHeld},      // pause
      {3, -1, kHeld},     // restart: the scheduler restarts only jobs that ended
      {0, 0, kCanceled},  // cancel
      {3, 0, kPending},   // restart
      {0, 0, kCanceled},
  };
  for (const auto& step : steps) {
    SCOPED_TRACE(step.value);
    item->SetScalarIntegerValue(job, 0, step.value, &error);
    EXPECT_EQ(error, step.error);
    EXPECT_EQ(cupsd_->Job(ids[2]).state, step.state);
  }
  // The cancelled job has left the list: its handle is past the end.
  item->GetGroupValues(job, kJobGroup, kModeRead, kMechanismReadNow, &error);
  EXPECT_EQ(error, kErrJobPastEnd);
  item->ReleaseHandle(job);
  item->ReleaseHandle(list);
  item->ReleaseHandle(root);
  EXPECT_EQ(cupsd_->Job(ids[0]).state, kHeld);
  EXPECT_EQ(cupsd_->Job(ids[1]).state, kHeld);

  // Opening the other installed printer switches the queue, and back.
  const std::vector<JobRow> annexRows = ReadPrintJobs(item.Get(), annex);
  ASSERT_EQ(annexRows.size(), 1u);
  EXPECT_EQ(annexRows[0].document, "memo.txt");
  EXPECT_EQ(annexRows[0].position, 1);
  EXPECT_EQ(ReadPrintJobs(item.Get(), laser).size(), 2u);
}

}  // namespace
}  // namespace vlm
