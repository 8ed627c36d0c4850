// List events: the help topic of each header, the pending column click and
// the focus hand-back to the printer list, the alert list's reselection,
// and rows beyond a list passed over without a report.
#include <gtest/gtest.h>

#include "monitor/tabs/frmTQZ_tabs_test_support.h"

namespace vlm::monitor {
namespace {

using test_support::TabsTest;

struct TopicCase {
  Tab_List list;
  const char* header;
  VbLong topic;
};

TEST(ColumnHelpTopics, EachHeaderOfTheThreeListsHasItsTopic) {
  const TopicCase cases[] = {
      {Tab_List::lvwEngineAlert, "Alert #", 1154},      {Tab_List::lvwEngineAlert, "Severity", 1155},
      {Tab_List::lvwEngineAlert, "Description", 1156},  {Tab_List::lvwEngineAlert, "Code", 1159},
      {Tab_List::lvwEngineAlert, "Person to Contact", 1160}, {Tab_List::lvwEngineAlert, "Time", 1161},
      {Tab_List::lvwInputTray, "Tray Index", 1175},     {Tab_List::lvwInputTray, "Paper Size", 1176},
      {Tab_List::lvwInputTray, "Media Type", 1177},     {Tab_List::lvwInputTray, "Paper Status", 1178},
      {Tab_List::lvwInputTray, "Feed Direction", 1179}, {Tab_List::lvwInputTray, "Tray Type", 1180},
      {Tab_List::lvwOutputTray, "Tray Name", 3000},     {Tab_List::lvwOutputTray, "Tray Type", 3001},
      // Trimmed, then compared exactly.
      {Tab_List::lvwEngineAlert, "  Severity ", 1155},  {Tab_List::lvwEngineAlert, "severity", 0},
      {Tab_List::lvwInputTray, "Tray Name", 0},          {Tab_List::lvwEngineFirmware, "Name", 0},
      {Tab_List::lvwEngineMemory, "Memory Type", 0},
  };
  for (const TopicCase& c : cases)
    EXPECT_EQ(Column_Help_Topic(c.list, c.header), c.topic) << c.header;
}

class EventsTest : public TabsTest {
 protected:
  void SetUp() override {
    TabsTest::SetUp();
    tabs_.Printer_Rows = 3;
    tabs_.Selected_Printer = 2;
  }
};

TEST_F(EventsTest, AHeaderClickSendsTheNextFocusBackToThePrinterList) {
  lvwEngineAlert_ColumnClick("Severity");
  EXPECT_EQ(tabs_.Topics[Tab_List::lvwEngineAlert], 1155);
  EXPECT_EQ(Column_Click_Pending, "On");
  lvwEngineAlert_GotFocus();
  EXPECT_EQ(tabs_.Log, (std::vector<std::string>{"lvwIPs.SetFocus", "lvwIPs.Select 2", "lvwIPs.SetFocus"}));
  EXPECT_EQ(Column_Click_Pending, "");
  // Without a header click the focus stays in the list.
  tabs_.Log.clear();
  lvwEngineAlert_GotFocus();
  lvwEngineMemory_GotFocus();
  EXPECT_TRUE(tabs_.Log.empty());
  lvwEngineFirmware_ColumnClick();
  lvwEngineFirmware_GotFocus();
  EXPECT_EQ(tabs_.Log, (std::vector<std::string>{"lvwIPs.SetFocus", "lvwIPs.Select 2"}));
  EXPECT_EQ(Column_Click_Pending, "");
  EXPECT_EQ(tabs_.Topics.count(Tab_List::lvwEngineFirmware), 0u);
}

TEST_F(EventsTest, TrayHeaderClicksSetTheirTopicAndTheOutputListStartsTimer5) {
  lvwInputTray_ColumnClick("Tray Type");
  lvwOutputTray_ColumnClick("Tray Type");
  EXPECT_EQ(tabs_.Topics[Tab_List::lvwInputTray], 1180);
  EXPECT_EQ(tabs_.Topics[Tab_List::lvwOutputTray], 3001);
  EXPECT_TRUE(tabs_.Timer5);
  tabs_.Timer5 = false;
  lvwOutputTray_ColumnClick("Retitled");
  EXPECT_EQ(tabs_.Topics[Tab_List::lvwOutputTray], 3001);
  EXPECT_TRUE(tabs_.Timer5);
  EXPECT_EQ(Column_Click_Pending, "");
}

TEST_F(EventsTest, RowsBeyondAListAreIgnoredWithoutAReport) {
  tabs_.Selected_Printer = 7;  // the list was refilled shorter
  lvwEngineMemory_ColumnClick();
  lvwEngineMemory_Click();
  EXPECT_EQ(tabs_.Log, (std::vector<std::string>{"lvwIPs.SetFocus"}));
  EXPECT_EQ(Column_Click_Pending, "");
  Last_Clicked_Row = 3;
  tabs_.Rows[Tab_List::lvwEngineAlert] = {{"1", {}}, {"2", {}}};
  lvwEngineAlert_MouseDown();
  EXPECT_EQ(tabs_.Reselected.count(Tab_List::lvwEngineAlert), 0u);
  tabs_.Rows[Tab_List::lvwEngineAlert].clear();
  lvwEngineAlert_MouseDown();
  EXPECT_EQ(dialog_.Shown, 0);
  // A row the list has is selected again.
  tabs_.Rows[Tab_List::lvwEngineAlert] = {{"1", {}}, {"2", {}}, {"3", {}}};
  lvwEngineAlert_MouseDown();
  EXPECT_EQ(tabs_.Reselected[Tab_List::lvwEngineAlert], 3);
  Last_Clicked_Row = 0;
  tabs_.Reselected.clear();
  lvwEngineAlert_MouseDown();
  EXPECT_TRUE(tabs_.Reselected.empty());
}

TEST_F(EventsTest, ATrayClickMarksItsRowForTheAlertListToo) {
  // No picture class is mapped for the printer: the click still records
  // the row.
  tabs_.Objects[0] = Dead_Item().Detach();
  lvwInputTray_ItemClick(3);
  EXPECT_EQ(Selected_Tray, 3);
  EXPECT_EQ(Last_Clicked_Row, 3);
  lvwOutputTray_ItemClick(2);
  EXPECT_EQ(Selected_Bin, 2);
  EXPECT_EQ(Last_Clicked_Row, 2);
  EXPECT_EQ(dialog_.Shown, 0);
  tabs_.Objects[0]->Release();
}

}  // namespace
}  // namespace vlm::monitor
