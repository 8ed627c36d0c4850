// Notifications and filters against the real stack: VectorItem by its
// ProgID in a Qt event loop, the real network manager and its notification
// listener, VLMDM and SeekIP, an snmpd agent for an installed printer with
// three input trays, and a private CUPS scheduler that holds its queue.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <thread>

#include "mgmt/tests/event_fakes.h"
#include "mgmt/tests/fakes.h"
#include "mgmt/tests/qt_event_loop.h"
#include "mgmt/tests/stack_support.h"
#include "platform/registry/registry.h"
#include "tests/support/cupsd_harness.h"
#include "tests/support/loopback.h"
#include "tests/support/snmpd_agent.h"
#include "tests/support/temp_folder.h"

namespace vlm {
namespace {

using namespace xlpnmif;
using mgmt::testing::RecordingSink;
using mgmt::testing::RunCommand;
using mgmt::testing::ShortArray;
using mgmt::testing::ValueLists;
using vlm::testing::SnmpdAgent;

class EventsStackTest : public ::testing::Test {
 protected:
  void SetUp() override {
    mgmt::testing::TestApplication();
    std::string pattern = vlm::testing::TempRoot() + "/vlm-mgmt-events-XXXXXX";
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    root_ = pattern;
    trapPort_ = mgmt::testing::FreeUdpPort();
    ::setenv("VLM_REGISTRY_ROOT", root_.c_str(), 1);
    ::setenv("VLM_SNMP_TRAP_PORT", std::to_string(trapPort_).c_str(), 1);
    registry::ResetForTests();
    vlm::testing::AgentPort();

    // One controller whose input trays report the statuses 4, 0, 4 (field
    // 5, scalar 188) and the paper sizes 7, 9, 11 (field 2, scalar 36).
    host_ = vlm::testing::AllocateLoopbackAddress();
    const std::string tray = "1.3.6.1.4.1.2364.1.2.3.1.1.1.";
    agent_ = std::make_unique<SnmpdAgent>(
        host_, std::vector<vlm::testing::FixtureObject>{
                   {"1.3.6.1.2.1.1.1.0", "octet_str", "Velmar IP Controller", false},
                   {"1.3.6.1.2.1.1.5.0", "octet_str", "Model 9", false},
                   {"1.3.6.1.4.1.2364.1.2.3.8.1.1.4.1", "integer", "12", false},
                   {tray + "4.1.1", "integer", "2", false},
                   {tray + "4.1.2", "integer", "3", false},
                   {tray + "4.1.3", "integer", "4", false},
                   {tray + "2.1.1", "integer", "7", false},
                   {tray + "2.1.2", "integer", "9", false},
                   {tray + "2.1.3", "integer", "11", false},
                   {tray + "5.1.1", "integer", "4", false},
                   {tray + "5.1.2", "integer", "0", false},
                   {tray + "5.1.3", "integer", "4", false},
               });
    cupsd_ = std::make_unique<vlm::testing::CupsdHarness>();
    cupsd_->AddQueue("laser", "socket://" + host_ + ":9100");
    cupsd_->UseForThisProcess();

    mgmt::testing::RegisterLibraries();
    const std::string range = host_ + ":" + host_;
    mgmt::testing::SetValue("SOFTWARE\\VLM\\Discovery\\DP\\IP\\Discovery Params\\RANGES", "0", REG_SZ, range.c_str(),
             static_cast<DWORD>(range.size() + 1));
    ASSERT_EQ(CoInitialize(nullptr), S_OK);

    item_ = mgmt::testing::CreateByProgId();
    ASSERT_TRUE(item_);
    LONG root = -1;
    item_->GetRootHandle(kInstalledPrinters, 0, &root);
    ASSERT_GE(root, 0);
    item_->GetRootHandle(kInstalledPrinter, 0, &device_);
    ASSERT_GE(device_, 0);
  }
  void TearDown() override {
    item_ = nullptr;
    CoUninitialize();
    cupsd_.reset();
    std::error_code ec;
    std::filesystem::remove_all(root_, ec);
  }

  // A version 2c trap from the printer's address to the listener.
  int SendTrap() const {
    return vlm::testing::RunNetSnmpTool(
        "snmptrap", {"-v", "2c", "-c", "public", "--clientaddr=" + host_,
                     "127.0.0.1:" + std::to_string(trapPort_), "", "1.3.6.1.4.1.2364.0.1"});
  }

  std::string root_, host_;
  std::uint16_t trapPort_ = 0;
  std::unique_ptr<SnmpdAgent> agent_;
  std::unique_ptr<vlm::testing::CupsdHarness> cupsd_;
  ComPtr<IVectorItem> item_;
  LONG device_ = -1;
};

TEST_F(EventsStackTest, ATrapFromThePrintersAddressAnnouncesItsOpenHandleWithinASecond) {
  ComPtr<RecordingSink> sink = MakeComObject<RecordingSink>();
  ASSERT_NE(mgmt::testing::AdviseSink(item_.Get(), sink.Get()), 0u);
  const std::thread::id owner = std::this_thread::get_id();
  std::vector<std::thread::id> threads;
  sink->onCall = [&](const RecordingSink::Call&) { threads.push_back(std::this_thread::get_id()); };

  const auto sent = std::chrono::steady_clock::now();
  ASSERT_EQ(SendTrap(), 0);
  ASSERT_TRUE(mgmt::testing::RunEventsUntil([&] { return sink->Calls().size() >= 2; }, 1000));
  const auto took = std::chrono::steady_clock::now() - sent;
  EXPECT_LT(took, std::chrono::seconds(1));
  const std::string h = std::to_string(device_);
  EXPECT_EQ(sink->Summary(), (std::vector<std::string>{"Int " + h + " 0", "Str " + h + " 0 0"}));
  EXPECT_EQ(threads, std::vector<std::thread::id>(2, owner));

  // The object goes with the loop still running: nothing arrives after.
  item_ = nullptr;
  ASSERT_EQ(SendTrap(), 0);
  mgmt::testing::RunEventsUntil([] { return false; }, 200);
  EXPECT_EQ(sink->Calls().size(), 2u);
}

TEST_F(EventsStackTest, AFilterHidesTheEmptyTrayAndTheCountFollows) {
  LONG engine = -1, count = -1, trays = -1, error = -1, filter = 0;
  item_->GetHandle(device_, 0, 1, &engine);
  ASSERT_GE(engine, 0);
  item_->CreateCustomGroup(ShortArray({8001}), &count);
  item_->CreateCustomGroup(ShortArray({36, 188}), &trays);
  item_->CreateFilter(8001, 8, &filter);
  item_->AddConditionToFilter(filter, 188, Variant(LONG{0}), 0);

  item_->GetGroupValues(engine, count, kModeRead, kMechanismReadNow, &error);
  EXPECT_EQ(error, 0);
  ValueLists counted(false);
  item_->GetCurrentIntegerValueList(engine, &counted.ids, &counted.values, &counted.descrs, &counted.count);
  EXPECT_EQ(counted.Ids(), std::vector<std::int32_t>{8001});
  EXPECT_EQ(counted.IntValues(), std::vector<std::int32_t>{2});
  LONG instances = -1;
  EXPECT_EQ(item_->GetNumberOfInstances(engine, 8, &instances), S_OK);
  EXPECT_EQ(instances, 3);  // the network manager's count is not filtered

  // The surviving trays 1 and 2 are the real trays 1 and 3.
  const std::vector<std::vector<std::int32_t>> expected = {{7, 4}, {11, 4}};
  for (LONG t = 1; t <= 2; ++t) {
    LONG tray = -1;
    item_->GetHandle(engine, 8, t, &tray);
    ASSERT_GE(tray, 0);
    item_->GetGroupValues(tray, trays, kModeRead, kMechanismReadNow, &error);
    EXPECT_EQ(error, 0);
    ValueLists values(false);
    item_->GetCurrentIntegerValueList(tray, &values.ids, &values.values, &values.descrs, &values.count);
    EXPECT_EQ(values.IntValues(), expected[static_cast<std::size_t>(t - 1)]) << t;
    item_->ReleaseHandle(tray);
  }

  // Without the filter the count is the agent's again.
  item_->RemoveFilter(filter);
  item_->GetGroupValues(engine, count, kModeRead, kMechanismReadNow, &error);
  item_->GetCurrentIntegerValueList(engine, &counted.ids, &counted.values, &counted.descrs, &counted.count);
  EXPECT_EQ(counted.IntValues(), std::vector<std::int32_t>{3});
  item_->ReleaseHandle(engine);
}

}  // namespace
}  // namespace vlm
