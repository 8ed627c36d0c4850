// The tab views copy the selected printer's cells into their tab's labels:
// single and tandem engines, installed and other devices, empty and
// negative fields. The printer's reads fail here, so the cells are the ones
// each case sets.
#include <gtest/gtest.h>

#include "monitor/tabs/frmTQZ_tabs_test_support.h"

namespace vlm::monitor {
namespace {

using test_support::TabsTest;
using Captions = std::map<std::string, std::string>;

class ViewsTest : public TabsTest {
 protected:
  void Expect_Captions(const Captions& expected) {
    for (const auto& [key, text] : expected) EXPECT_EQ(Caption(key), text) << key;
  }
  void Set_Device(int field, Field value) { Device_List_Fields(0, 3, field) = std::move(value); }
  void Set_Engine(int engine, int field, Field value) { Engine_Fields(0, 3, engine, field) = std::move(value); }
  void Set_Finisher(int engine, int field, Field value) {
    Finisher_Fields(0, 3, engine, field) = std::move(value);
  }
  void SetUp() override {
    TabsTest::SetUp();
    Selected_List_Kind = 0;
    Selected_Device = 3;
    Selected_Row = 2;
  }
};

struct QuickViewCase {
  const char* name;
  bool tandem;
  VbInteger list_kind;  // column 0 of the selected Discovered_Printers row
  VbLong scanner, copier, fax;
  Captions expected;
  bool engine2_visible;
};

class QuickViewTable : public ViewsTest, public ::testing::WithParamInterface<QuickViewCase> {};

TEST_P(QuickViewTable, LabelsFollowTheSelectedPrinter) {
  const QuickViewCase& c = GetParam();
  Set_Device(3, std::string("Room 12"));
  Set_Device(5, std::string("Queue-A"));
  Set_Device(6, VbLong{c.tandem ? 1 : 0});
  Set_Engine(0, 10, std::string("Engine-A"));
  Set_Engine(0, 1, std::string("Ready"));
  Set_Finisher(0, 0, std::string("QN-748"));
  Set_Engine(1, 10, std::string("Engine-B"));
  Set_Engine(1, 1, std::string("Printing"));
  Set_Finisher(1, 0, std::string("QN-752"));
  Discovered_Printers(1, 0) = c.list_kind;
  // Shown for the previous printer: a single-engine printer hides them.
  for (const char* key : {"lblIPEngine2Name", "Engine2NameLabel(8)"}) window_.Visible[key] = true;
  // The printer answers its option word only (every other read fails, so
  // the other labels show the cells set above).
  auto item = MakeComObject<test_support::Fake_Vector_Item>();
  const LONG word = static_cast<LONG>((c.scanner ? 0x4000u : 0u) | (c.fax ? 0x2000u : 0u) |
                                      (c.copier ? 0x80000000u : 0u));
  for (const char* engine : {"5002.3/0.1/148.1", "5002.3/0.2/148.1"}) item->Set(engine, 206, word);
  UpdateQuickView(item.Get());
  Expect_Captions(c.expected);
  for (const char* key : {"lblIPEngine2Name", "lblIPEngine2Status", "lblIPFinisher2Name",
                          "Engine2NameLabel(8)", "Engine2StatusLabel(9)", "Finisher2Label(11)"})
    EXPECT_EQ(window_.Visible[key], c.engine2_visible) << key;
  EXPECT_EQ(dialog_.Shown, 0);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, QuickViewTable,
    ::testing::Values(
        QuickViewCase{"SingleInstalled", false, 0, 0, 0, 0,
                      {{"Label12", "Printer"}, {"lblIPType", "Printer"}, {"lblIPLocation", "Room 12"},
                       {"lblIPEngine1Name", "Engine-A"}, {"lblIPStatus", "Ready"},
                       {"lblIPFinisher1Name", "QN-748"}, {"lblIPInstalled", "Installed"},
                       {"lblIPSpoolName", "Queue-A"}, {"lblIPEngine2Name", ""}},
                      false},
        QuickViewCase{"TandemOtherDevice", true, 1, 16384, 0, 8192,
                      {{"Label12", "Printer/Scanner/Fax"}, {"lblIPType", "Printer/Scanner/Fax"},
                       {"lblIPEngine2Name", "Engine-B"}, {"lblIPEngine2Status", "Printing"},
                       {"lblIPFinisher2Name", "QN-752"}, {"lblIPInstalled", "Not Installed"},
                       {"lblIPSpoolName", "N/A"}},
                      true},
        QuickViewCase{"AllFunctions", false, 0, 16384, 1, 8192,
                      {{"Label12", "Printer/Scanner/Copier/Fax"}}, false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ViewsTest, QuickViewTakesTheStateTextsFromTheLibraryOutsideAPollingTick) {
  Start_Localised(Echo_Catalogue());
  Discovered_Printers(1, 0) = 1;
  auto item = Dead_Item();
  UpdateQuickView(item.Get());
  EXPECT_EQ(Caption("lblIPInstalled"), "#272");
  EXPECT_EQ(Caption("lblIPSpoolName"), "#263");
  EXPECT_EQ(Caption("Label12"), "#312");
  // Inside a tick the texts already loaded stay.
  Installed_Text = Not_Installed_Text = "kept";
  Polling_Tick_Active = "Yes";
  UpdateQuickView(item.Get());
  EXPECT_EQ(Caption("lblIPInstalled"), "kept");
}

struct ControllerCase {
  const char* name;
  Field free_space;
  const char* shown;
};

class ControllerTable : public ViewsTest, public ::testing::WithParamInterface<ControllerCase> {};

TEST_P(ControllerTable, FreeDiskSpaceIsNeverNegative) {
  // The disk and memory values come from their records.
  Disk_Table(0, 3).Disks(0) = {VbLong{1}, VbLong{2000}, GetParam().free_space};
  Memory_Table(0, 3, 0).Memory(1) = {std::string("DRAM"), VbLong{64}, VbLong{32}};
  Controller_Fields(0, 3, 1) = std::string("127.0.0.5");
  Controller_Fields(0, 3, 2) = std::string("TCP/IP");
  Controller_Fields(0, 3, 4) = std::string("Off");
  Controller_Fields(0, 3, 5) = std::string("Spool");
  Controller_Fields(0, 3, 13) = std::string("2.10");
  Controller_Fields(0, 3, 16) = std::string("1.4");
  Controller_Fields(0, 3, 18) = std::string("  YES  ");
  Set_Device(4, std::string("Idle"));
  View_Refresh_Requested = "Yes";
  auto item = Dead_Item();
  UpdateIPController(item.Get());
  Expect_Captions({{"lblIPHardDiskSpace", GetParam().shown},
                   {"lblIPNetworkAddress", "127.0.0.5"},
                   {"lblIPConnectionType", "TCP/IP"},
                   {"lblIPBannerOption", "Off"},
                   {"lblIPSpoolMode", "Spool"},
                   {"lblIPMemInstalled", "64"},
                   {"lblIPHardDiskSize", "2000"},
                   {"lblIPVersion", "2.10"},
                   {"lblIPMIBVersion", "1.4"},
                   {"lblIPHDInstalled", "YES"},
                   {"Label4", "Idle"}});
  EXPECT_EQ(View_Refresh_Requested, "No");
  EXPECT_EQ(tabs_.Char_Sets["lblIPHDInstalled"], CodePage_To_CharSet(Code_Page_Text));
  EXPECT_EQ(window_.Captions.count("Label1"), 0u);  // English: the design caption stays
}

INSTANTIATE_TEST_SUITE_P(Cases, ControllerTable,
                         ::testing::Values(ControllerCase{"Positive", VbLong{120}, "120"},
                                           ControllerCase{"Zero", VbLong{0}, "0"},
                                           ControllerCase{"Negative", VbLong{-5}, "0"},
                                           ControllerCase{"NegativeText", std::string("-1"), "0"},
                                           ControllerCase{"Empty", Field{}, ""}),
                         [](const auto& info) { return std::string(info.param.name); });

struct PrinterCase {
  const char* name;
  VbInteger engine;
  Field remaining_jobs, remaining_time;
  Captions expected;
};

class PrinterTable : public ViewsTest, public ::testing::WithParamInterface<PrinterCase> {};

TEST_P(PrinterTable, EngineLabelsOfTheSelectedEngine) {
  const PrinterCase& c = GetParam();
  for (int e = 0; e < 2; ++e) {
    const std::string tag = e == 0 ? "A" : "B";
    Set_Engine(e, 10, "Model-" + tag);
    Set_Engine(e, 1, "State-" + tag);
    Set_Engine(e, 4, VbLong{100 + e});
    Set_Engine(e, 5, VbLong{200 + e});
    Set_Engine(e, 6, VbLong{300 + e});
    Set_Engine(e, 7, VbLong{400 + e});
    Set_Engine(e, 12, VbLong{500 + e});
    Set_Finisher(e, 0, "Finisher-" + tag);
  }
  Set_Engine(c.engine, 2, c.remaining_jobs);
  Set_Engine(c.engine, 3, c.remaining_time);
  Selected_Engine = c.engine;
  auto item = Dead_Item();
  UpdatePrinter(item.Get());
  Expect_Captions(c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PrinterTable,
    ::testing::Values(
        PrinterCase{"SingleEmptyRemaining", 0, Field{}, Field{},
                    {{"lblEngineModel", "Model-A"}, {"lblEngineNamePaperInput(7)", "Model-A"},
                     {"lblEngineNamePaperOutput(8)", "Model-A"}, {"lblEngineStatus", "State-A"},
                     {"lblEngineRemainJobs", "0"}, {"lblEngineRemainTimes", "00:00:00"},
                     {"lblengineDeveloperCount", "100"}, {"lblEnginePMCount", "200"},
                     {"lblEngineServiceCount", "300"}, {"lblEnginePrinterCount", "400"},
                     {"lblEngineTotalCount", "500"}, {"lblEngineFinisherModel", "Finisher-A"}}},
        PrinterCase{"TandemSecondEngine", 1, VbLong{3}, std::string("00:04:10"),
                    {{"lblEngineModel", "Model-B"}, {"lblEngineStatus", "State-B"},
                     {"lblEngineRemainJobs", "3"}, {"lblEngineRemainTimes", "00:04:10"},
                     {"lblEngineTotalCount", "501"}, {"lblEngineFinisherModel", "Finisher-B"}}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ViewsTest, PaperOutputShowsTheSelectedEnginesFinisher) {
  Selected_Engine = 1;
  Set_Finisher(1, 0, std::string("QN-752"));
  Set_Finisher(1, 1, std::string("YES"));
  Set_Finisher(1, 2, std::string("No"));
  Set_Finisher(1, 3, std::string("YES"));
  Set_Finisher(1, 4, std::string("NO"));
  auto item = Dead_Item();
  UpdatePaperOutput(item.Get());
  Expect_Captions({{"lblFinisherModel", "QN-752"}, {"lblFinisherOffset", "YES"},
                   {"lblFinisherCollate", "No"}, {"lblFinisherStaple", "NO"}});
}

TEST_F(ViewsTest, AlertTabKeepsItsListWhileThePrinterDoesNotAnswer) {
  // The list and the picture show the selected printer's alerts.
  const Printer_Key selected = Printer_Read(Selected_Engine);
  tabs_.Rows[Tab_List::lvwEngineAlert] = {{"1", {}}};
  Mark_Drawn(selected, "lvwEngineAlert");
  Mark_Drawn(selected, "Picture1");
  Comm_Error_On = "On";
  auto item = Dead_Item();
  UpdateAlertError(item.Get());
  EXPECT_EQ(tabs_.Rows[Tab_List::lvwEngineAlert].size(), 1u);
  EXPECT_EQ(tabs_.Boxes[Picture_Box::Picture1].Cleared, 0);
  EXPECT_TRUE(item->Log.empty());

  // Shown for another printer, they become the selected printer's own: its
  // record holds no alerts.
  Mark_Drawn(Printer_Key{1, 3, 0}, "lvwEngineAlert");
  Mark_Drawn(Printer_Key{1, 3, 0}, "Picture1");
  UpdateAlertError(item.Get());
  EXPECT_TRUE(tabs_.Rows[Tab_List::lvwEngineAlert].empty());
  EXPECT_TRUE(Drawn_For(selected, "lvwEngineAlert"));
  EXPECT_TRUE(Drawn_For(selected, "Picture1"));
  EXPECT_FALSE(item->Log.empty());
}

TEST_F(ViewsTest, AnErrorOutsideTheQuietSetIsReportedOnceAndEndsTheView) {
  // Row 0 of Discovered_Printers does not exist: subscript out of range (9)
  // is quiet for the QuickView; a window without its labels (91) is quiet
  // for the controller view, 340 is not.
  Selected_Row = 0;
  auto item = Dead_Item();
  UpdateQuickView(item.Get());
  EXPECT_EQ(dialog_.Shown, 0);
  EXPECT_EQ(Last_Error_Number, 9);
  Main_Window = nullptr;
  UpdateIPController(item.Get());
  EXPECT_EQ(dialog_.Shown, 0);
  EXPECT_EQ(Last_Error_Number, 91);
}

}  // namespace
}  // namespace vlm::monitor
