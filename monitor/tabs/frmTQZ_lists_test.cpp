// The tab lists and the job list: one table per list family (names, the
// wide-paper suffix once, the skipped bin appended, the capacity clamps, the
// alert numbering), filled from the records the cases set.
#include <gtest/gtest.h>

#include "monitor/tabs/frmTQZ_tabs_test_support.h"

namespace vlm::monitor {
namespace {

using test_support::TabsTest;
using Table = std::vector<std::vector<std::string>>;

class ListsTest : public TabsTest {};

TEST_F(ListsTest, InputTraysByRowWithTheWideSuffixOnlyWhereSet) {
  Input_Tray_Record& record = Input_Tray_Table(0, 0, 0);
  record.Tray_Count = 9;  // more than the record holds: the first six show
  for (VbInteger i = 1; i <= 6; ++i) {
    record.Trays(i).Paper_Size = VbLong{4};
    record.Trays(i).Wide_Size = VbLong{i == 2 ? 1 : 0};
  }
  auto item = Dead_Item();
  Polling_Tick_Active = "Yes";
  Fill_Input_Trays(item.Get());
  const Table rows = tabs_.Table(Tab_List::lvwInputTray);
  ASSERT_EQ(rows.size(), 6u);
  const char* names[] = {"Manual Feed", "Universal Tray", "Tray 2", "Tray 3", "Tray 4", "Large Tray"};
  Paper_Size_Suffix.clear();
  const std::string size = Decode_Paper_Size(4);
  ASSERT_FALSE(size.empty());
  for (std::size_t i = 0; i < 6; ++i) {
    EXPECT_EQ(rows[i][0], names[i]);
    EXPECT_EQ(rows[i][1], i == 1 ? size + "W" : size) << names[i];
  }
  ASSERT_EQ(rows[0].size(), 6u);
  const auto& keys = tabs_.Rows[Tab_List::lvwInputTray][0].Sub_Items;
  EXPECT_EQ(keys[0].first, "TraySize");
  EXPECT_EQ(keys[4].first, "TrayType");
  EXPECT_EQ(View_Refresh_Requested, "No");
  EXPECT_EQ(dialog_.Shown, 0);
}

struct NameCase {
  VbInteger row;
  const char* input;
  const char* output;
};

TEST_F(ListsTest, TrayAndBinNamesByNumberEnglishAndLocalised) {
  const NameCase english[] = {{1, "Manual Feed", "Output Tray 1"}, {4, "Tray 3", "Output Tray 4"},
                              {7, "Tray 7", "Output Tray 7"}};
  for (const NameCase& c : english) {
    EXPECT_EQ(Input_Tray_Name(c.row), c.input);
    EXPECT_EQ(Output_Bin_Name(c.row), c.output);
  }
  Start_Localised(Echo_Catalogue());
  const NameCase localised[] = {{1, "#250", "#284"}, {4, "#377", "#287"}, {6, "#243", "#283 6"}, {7, "#3757", "#283 7"}};
  for (const NameCase& c : localised) {
    EXPECT_EQ(Input_Tray_Name(c.row), c.input);
    EXPECT_EQ(Output_Bin_Name(c.row), c.output);
  }
}

TEST_F(ListsTest, BinsAfterASkippedBinAreAppendedUnderTheirOwnNumbers) {
  Output_Tray_Record& record = Output_Tray_Table(0, 0, 0);
  record.Bin_Count = 4;
  record.Bins(1).Bin_Type_Text = std::string("Face Down");
  record.Bins(3).Bin_Type_Text = std::string("Face Up");
  record.Bins(4).Bin_Type_Text = std::string("Sorter");
  tabs_.Rows[Tab_List::lvwOutputTray] = {{"old", {}}};
  auto item = Dead_Item();
  Fill_Output_Trays(item.Get());
  EXPECT_EQ(tabs_.Table(Tab_List::lvwOutputTray),
            (Table{{"Output Tray 1", "Face Down"}, {"Output Tray 3", "Face Up"}, {"Output Tray 4", "Sorter"}}));
  EXPECT_EQ(tabs_.Rows[Tab_List::lvwOutputTray][0].Sub_Items[0].first, "Tray Type'");
  EXPECT_EQ(dialog_.Shown, 0);
}

TEST_F(ListsTest, FirmwareAndMemoryRowsAtMostTen) {
  Firmware_Record& firmware = Firmware_Table(0, 0, 0);
  Memory_Record& memory = Memory_Table(0, 0, 0);
  firmware.Firmware_Count = 12;
  memory.Memory_Count = VbLong{11};
  for (int i = 1; i <= 10; ++i) {
    firmware.Firmware(i) = {std::string("ROM"), "fw" + std::to_string(i), std::string("1.0")};
    memory.Memory(i) = {std::string("DRAM"), VbLong{64 * i}, VbLong{i}};
  }
  auto item = Dead_Item();
  Fill_Firmware(item.Get());
  Fill_Memory(item.Get());
  const Table fw = tabs_.Table(Tab_List::lvwEngineFirmware);
  const Table mem = tabs_.Table(Tab_List::lvwEngineMemory);
  ASSERT_EQ(fw.size(), 10u);
  ASSERT_EQ(mem.size(), 10u);
  EXPECT_EQ(fw[9], (std::vector<std::string>{"ROM", "fw10", "1.0"}));
  EXPECT_EQ(mem[2], (std::vector<std::string>{"DRAM", "192", "3"}));
  EXPECT_EQ(dialog_.Shown, 0);
}

TEST_F(ListsTest, AlertsNumberedInRecordOrderAndKeptWhileThePrinterIsSilent) {
  Alert_Record& record = Alert_Table(0, 0, 0);
  record.Count = VbLong{25};
  for (VbInteger i = 1; i <= 20; ++i)
    record.Alerts(i) = {VbLong{900 - i}, std::string("Warning"), std::string("Operator"),
                        std::string("10:0" + std::to_string(i % 10)), "Alert " + std::to_string(i)};
  auto item = Dead_Item();
  Fill_Alerts(item.Get());
  const Table rows = tabs_.Table(Tab_List::lvwEngineAlert);
  ASSERT_EQ(rows.size(), 20u);
  EXPECT_EQ(rows[0], (std::vector<std::string>{"1", "Warning", "Alert 1", "899", "Operator", "10:01"}));
  EXPECT_EQ(rows[19][0], "20");
  EXPECT_EQ(dialog_.Shown, 0);
  record.Count = VbLong{1};
  Comm_Error_On = "On";
  Fill_Alerts(item.Get());
  EXPECT_EQ(tabs_.Table(Tab_List::lvwEngineAlert).size(), 20u);
  EXPECT_EQ(window_.Mouse_Pointer, 0);
}

TEST_F(ListsTest, AListRefusingARowEndsOnlyThatRow) {
  Firmware_Record& firmware = Firmware_Table(0, 0, 0);
  firmware.Firmware_Count = 2;
  firmware.Firmware(1) = {std::string("ROM"), std::string("a"), std::string("1")};
  firmware.Firmware(2) = {std::string("ROM"), std::string("b"), std::string("2")};
  struct Refusing : test_support::Fake_Tabs_Window {
    void List_Add_SubItem(Tab_List list, int row, const std::string& key, const std::string& text) override {
      if (row == 1) throw VbError(35602, "Key is not unique in collection");
      Fake_Tabs_Window::List_Add_SubItem(list, row, key, text);
    }
  } refusing;
  Tabs_Window = &refusing;
  auto item = Dead_Item();
  Fill_Firmware(item.Get());
  EXPECT_EQ(refusing.Table(Tab_List::lvwEngineFirmware), (Table{{"ROM"}, {"ROM", "b", "2"}}));
  EXPECT_EQ(dialog_.Shown, 1);
  EXPECT_EQ(Last_Error_Number, 35602);
}

TEST_F(ListsTest, JobsAtMostTwentyFiveInRecordOrder) {
  Job_Record& record = Job_Table(0, 0);
  record.Job_Count = 26;
  for (VbInteger i = 1; i <= 25; ++i) {
    record.Jobs(i).Values(0) = "user" + std::to_string(i);
    record.Jobs(i).Values(1) = std::string("doc");
    record.Jobs(i).Values(4) = VbLong{i};
  }
  tabs_.Rows[Tab_List::lvwJobs] = {{"previous printer", {}}};
  auto item = Dead_Item();
  UpdateJobs(item.Get());
  const Table rows = tabs_.Table(Tab_List::lvwJobs);
  ASSERT_EQ(rows.size(), 25u);
  EXPECT_EQ(rows[0], (std::vector<std::string>{"user1", "doc", "", "", "1", "", "", "", "", ""}));
  EXPECT_EQ(rows[24][0], "user25");
  EXPECT_EQ(tabs_.Rows[Tab_List::lvwJobs][0].Sub_Items[8].first, "Control Code");
  EXPECT_EQ(dialog_.Shown, 0);
  cmdDelete_Click();
  cmdPause_Click();
  cmdResume_Click();
  EXPECT_EQ(tabs_.Table(Tab_List::lvwJobs), rows);
}

TEST_F(ListsTest, TheJobRootIsReleasedOnlyOnTheObjectThatOpenedIt) {
  auto installed = MakeComObject<test_support::Fake_Vector_Item>();
  auto other = MakeComObject<test_support::Fake_Vector_Item>();
  // The job root of the installed printer's last fill.
  LONG device = -1, root = -1;
  installed->GetRootHandle(xlpnmif::kInstalledPrinter, 0, &device);
  installed->GetHandle(device, xlpnmif::kPrintJobs, 0, &root);
  installed->ReleaseHandle(device);
  Job_Root_Handle = {installed, root};
  // Handle numbers of the other object that the installed one's would hit.
  LONG busy = -1;
  other->GetRootHandle(xlpnmif::kOtherDevice, 0, &busy);
  Selected_List_Kind = 1;
  UpdateJobs(other.Get());
  EXPECT_TRUE(installed->Open_Handles().empty());
  EXPECT_EQ(other->Open_Handles().count(busy), 1u);
  EXPECT_EQ(dialog_.Shown, 0);
}

}  // namespace
}  // namespace vlm::monitor
