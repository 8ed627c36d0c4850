// The main window's procedures on the real device data readers, tab views
// and pictures, with recording windows:
// - printer A is read well, then printer B is selected, on every tab.
//   Nothing of A (caption, colour, list row, picture argument) shows for B,
//   whether B answers or times out at its first read; a B that times out is
//   read by the first reader only;
// - a printer that misses a poll keeps on every tab what its last good read
//   showed;
// - a tab that still shows A's values when B, selected on another tab,
//   stops answering shows B's own instead;
// - every reader on the silent stand-in ends on its failure path.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "monitor/devicedata/tagged_printer_test_support.h"
#include "monitor/tabs/frmTQZ_pictures_test_support.h"
#include "monitor/tabs/frmTQZ_tabs_test_support.h"
#include "monitor/mainwin/mainwin.h"
#include "monitor/mainwin/mainwin_test_support.h"
#include "monitor/mainwin/silent_item.h"

namespace vlm::monitor {
namespace {

using namespace test_support;

const auto* const kRegistry = ::testing::AddGlobalTestEnvironment(new Scratch_Registry);

// A's option word sets installed options (the large-capacity tray, the
// punch, the folds) and the scanner and copier functions; B's others.
constexpr LONG kOptionsA = LONG(0x80144280u);
constexpr LONG kOptionsB = 0x802;

using Rows = std::vector<std::vector<std::string>>;
const Rows kNoRows;

// What the window shows.
struct Shown {
  std::map<std::string, std::string> captions;
  std::map<std::string, VbLong> colours;
  std::map<Tab_List, Rows> rows;
};

// The monitor with two listed printers: row 1 printer A (installed printer
// 0), row 2 printer B (other device 0), each on its own object.
class Two_Printers {
 public:
  Two_Printers() {
    Reset_Module_Values();
    Reset_Tab_Values();
    Main_Window = &labels;
    Message_Box = &dialog;
    Tabs_Window = &tabs;
    Not_Responding_Phrase = "The Selected Printer is not Responding";
    Error_Code_Phrase = "Error Code";
    Fill_Printer(*a, "5002.0", "A", kOptionsA, "Paper Jam");
    Fill_Printer(*b, "5004.0", "B", kOptionsB, "Ready to Print");
    tabs.Objects[0] = a.Get();
    tabs.Objects[1] = b.Get();
    tabs.Printer_Rows = 2;
    window.main = &main;
    main.Installed_Vector_Item = a;
    main.Other_Vector_Item = b;
    main.Installed_Printer_Count = main.Other_Device_Count = 1;
    main.Discovered_Count = 2;
    Discovered_Printers(0, 0) = 0;
    Discovered_Printers(0, 1) = 0;
    Discovered_Printers(1, 0) = 1;
    Discovered_Printers(1, 1) = 0;
    window.items.resize(2);
  }
  ~Two_Printers() {
    Release_Job_Root_Handle();
    window.main = nullptr;
    Reset_Tab_Values();
    Reset_Module_Values();
  }
  Two_Printers(const Two_Printers&) = delete;
  Two_Printers& operator=(const Two_Printers&) = delete;

  void Tab(int tab) {
    window.tab = tab;
    labels.Tab = static_cast<VbInteger>(tab);
  }
  // The user clicks the printer's row.
  void Select(int row) {
    window.selected = row;
    main.lvwIPs_ItemClick(row);
  }
  // Selected, and refreshed once, as a polling tick does.
  void Read_Well(int row) {
    Select(row);
    main.Refresh_The_View();
  }
  Shown Now() {
    Shown s{labels.Captions, labels.Back_Colours, {}};
    for (const auto& [list, rows] : tabs.Rows) s.rows[list] = tabs.Table(list);
    return s;
  }

  ComPtr<Fake_Vector_Item> a = MakeComObject<Fake_Vector_Item>();
  ComPtr<Fake_Vector_Item> b = MakeComObject<Fake_Vector_Item>();
  Fake_Main_Window labels;
  Fake_Tabs_Window tabs;
  Fake_Message_Box dialog;
  Fake_Window window;
  Fake_Shared shared;
  Tqz_Main main{window, Device_Readers(), shared};
};

// Nothing of what A's read showed, and B's own read did not, shows now.
void Expect_Nothing_Of(const Shown& a_shown, const Shown& b_shown, const Shown& now) {
  for (const auto& [control, caption] : a_shown.captions) {
    auto own = b_shown.captions.find(control);
    if (caption.empty() || (own != b_shown.captions.end() && own->second == caption)) continue;
    EXPECT_NE(now.captions.at(control), caption) << control;
  }
  for (const auto& [control, colour] : a_shown.colours) {
    auto own = b_shown.colours.find(control);
    if (own != b_shown.colours.end() && own->second == colour) continue;
    EXPECT_NE(now.colours.at(control), colour) << control;
  }
  for (const auto& [list, rows] : a_shown.rows) {
    const auto& own = b_shown.rows.count(list) ? b_shown.rows.at(list) : kNoRows;
    const auto& listed = now.rows.at(list);
    for (const auto& row : rows) {
      if (std::find(own.begin(), own.end(), row) != own.end()) continue;
      EXPECT_EQ(std::find(listed.begin(), listed.end(), row), listed.end())
          << static_cast<int>(list) << " row " << row.front();
    }
  }
}

TEST(OtherPrinterViewTest, NothingOfTheFirstPrinterShowsForTheNextOneOnAnyTab) {
  Recorder_Registration recorder;
  Map_Engine_Type("111", kRecorderProgId);  // A's engine type
  Map_Engine_Type("211", kRecorderProgId);  // B's
  // 0: B answers; else the code every read of B answers.
  for (const LONG code : {0, -11, -12}) {
    for (int tab = 0; tab <= 6; ++tab) {
      SCOPED_TRACE("tab " + std::to_string(tab) + ", B's reads answer " + std::to_string(code));
      Two_Printers m;
      m.Tab(tab);
      m.Read_Well(2);
      const Shown b_shown = m.Now();
      m.Read_Well(1);
      const Shown a_shown = m.Now();
      const std::string b_tables = Device_Tables(1, 0);
      ASSERT_EQ(m.dialog.Shown, 0) << Last_Error_Number << " " << Last_Error_Description;

      m.b->Set_All_Error_Code(code);
      m.b->Log.clear();
      g_calls.clear();
      const VbLong silent_reads = Silent_Read_Count;
      m.Select(2);
      const Shown now = m.Now();

      // Only what tells A from B counts: a caption, colour or row that B's
      // own read showed as well is no value of A's.
      Expect_Nothing_Of(a_shown, b_shown, now);
      // B's picture has B's options or none, and B's units.
      EXPECT_EQ(g_calls.empty(), tab < 3 || tab == 6);
      for (const Draw_Call& c : g_calls) {
        EXPECT_TRUE(c.options == 0 || c.options == kOptionsB) << c.options;
        EXPECT_NE(c.finisher, "A-finisher");
        EXPECT_NE(c.lct, "A-LU");
        EXPECT_NE(c.base, "A-PC");
      }
      // B's tables keep B's own values.
      EXPECT_EQ(Device_Tables(1, 0), b_tables);

      if (code != 0) {
        // Only the first reader reached B; the readers after it ran on the
        // stand-in, which answered with B's code. The first reader on tab 2
        // is the engine box's Click, whose UpdatePrinter reads five groups
        // (the option count and word, the finisher, the memory and firmware
        // counts).
        const std::size_t reads = tab == 2 ? 5 : 1;
        EXPECT_EQ(m.b->Log_Of({"GetGroupValues"}).size(), reads);
        EXPECT_GE(Silent_Read_Count, silent_reads + static_cast<VbLong>(reads));
        EXPECT_EQ(Comm_Error_On, "On");
        EXPECT_EQ(Comm_Error_Text,
                  "The Selected Printer is not Responding (Error Code " + std::to_string(code) + ")");
        EXPECT_TRUE(m.labels.Timer4_Enabled);
      }
      EXPECT_EQ(m.dialog.Shown, 0) << Last_Error_Number << " " << Last_Error_Description;
      std::set<LONG> job_root;
      if (Job_Root_Handle.Item.Get() == m.b.Get()) job_root.insert(Job_Root_Handle.Handle);
      m.a->Expect_Nothing_Left();
      m.b->Expect_Nothing_Left(job_root);
    }
  }
}

// A printer read well on a tab, then missing polls (its reads failing in
// each way): the tab shows what the good read showed, and its picture is
// drawn with the printer's own options or not at all.
TEST(OtherPrinterViewTest, APrinterThatMissesAPollKeepsItsValuesOnEveryTab) {
  Recorder_Registration recorder;
  Map_Engine_Type("111", kRecorderProgId);  // A's engine type
  for (const LONG code : {-9, -11, -12}) {
    for (int tab = 0; tab <= 6; ++tab) {
      SCOPED_TRACE("tab " + std::to_string(tab) + ", A's reads answer " + std::to_string(code));
      Two_Printers m;
      m.window.active = true;
      m.Tab(tab);
      m.Read_Well(1);
      const Shown good = m.Now();
      ASSERT_EQ(m.dialog.Shown, 0) << Last_Error_Number << " " << Last_Error_Description;

      m.a->Set_All_Error_Code(code);
      g_calls.clear();
      for (int poll = 0; poll < 2; ++poll) m.main.Timer1_Timer();
      const Shown now = m.Now();
      EXPECT_EQ(now.captions, good.captions);
      EXPECT_EQ(now.colours, good.colours);
      EXPECT_EQ(now.rows, good.rows);
      for (const Draw_Call& c : g_calls) EXPECT_EQ(c.options, kOptionsA);
      EXPECT_EQ(m.dialog.Shown, 0) << Last_Error_Number << " " << Last_Error_Description;
    }
  }
}

// A is read on a tab with lists and a picture, then B is selected on the
// QuickView tab and answers; B stops answering and the user turns back to
// the tab, which still shows A's lists: they show B's own now.
TEST(OtherPrinterViewTest, ATabStillShowingTheFirstPrinterShowsTheSilentOnesOwnValues) {
  Recorder_Registration recorder;
  Map_Engine_Type("111", kRecorderProgId);
  Map_Engine_Type("211", kRecorderProgId);
  for (int tab = 2; tab <= 5; ++tab) {
    SCOPED_TRACE("tab " + std::to_string(tab));
    // What B shows on the tab when it answers.
    Shown b_shown;
    {
      Two_Printers m;
      m.window.active = true;
      m.Tab(tab);
      m.Read_Well(2);
      b_shown = m.Now();
    }
    Two_Printers m;
    m.window.active = true;
    m.Tab(tab);
    m.Read_Well(1);
    const Shown a_shown = m.Now();
    m.Tab(0);
    m.Read_Well(2);
    m.b->Set_All_Error_Code(-11);
    g_calls.clear();
    m.Tab(tab);
    m.main.SSTab1_Click(0);
    Expect_Nothing_Of(a_shown, b_shown, m.Now());
    for (const Draw_Call& c : g_calls) EXPECT_NE(c.options, kOptionsA);
    EXPECT_EQ(Comm_Error_On, "On");
    EXPECT_EQ(m.dialog.Shown, 0) << Last_Error_Number << " " << Last_Error_Description;
  }
}

// Every reader and tab view that the main window calls, run on the silent
// stand-in: no run-time error, no handle or custom group left open, and the
// not-responding text with the stand-in's code from each reader that checks
// its reads.
TEST(SilentStandInTest, EveryReaderEndsOnItsFailurePathAndLeavesNothingOpen) {
  Recorder_Registration recorder;
  Two_Printers m;
  Selected_List_Kind = 1;
  Selected_Row = 2;
  Engine_Fields(1, 0, 0, 0) = VbLong{211};  // a picture class is mapped
  Map_Engine_Type("211", kRecorderProgId);
  ComPtr<Silent_Vector_Item> silent = MakeComObject<Silent_Vector_Item>(-12);
  IVectorItem* const item = silent.Get();
  Tqz_Readers& r = Device_Readers();
  struct Reader {
    const char* name;
    std::function<void()> run;
    bool checked;
  };
  const Reader readers[] = {
      {"Get_Device_Flag", [&] { r.Get_Device_Flag(item, 1, 0, 2); }, true},
      {"Get_Printer_State", [&] { r.Get_Printer_State(item, 0); }, false},
      {"Get_Printer_Identity", [&] { r.Get_Printer_Identity(item, 0); }, true},
      {"Get_Summary_Info", [&] { r.Get_Summary_Info(item, 0); }, true},
      {"Get_Finisher_Model", [&] { r.Get_Finisher_Model(item); }, true},
      {"Get_MIB_Version", [&] { r.Get_MIB_Version(item); }, true},
      {"Get_Device_Functions", [&] { r.Get_Device_Functions(item, 0); }, true},
      {"Get_Device_Status", [&] { r.Get_Device_Status(item); }, true},
      {"Get_Engine_Counters", [&] { r.Get_Engine_Counters(item, 0); }, true},
      {"Get_Engine_Model", [&] { r.Get_Engine_Model(item, 0); }, true},
      {"Get_Installed_Options", [&] { r.Get_Installed_Options(item, 0); }, true},
      {"UpdateQuickView", [&] { r.UpdateQuickView(item); }, true},
      {"UpdateIPController", [&] { r.UpdateIPController(item); }, true},
      {"UpdatePrinter", [&] { r.UpdatePrinter(item); }, true},
      {"UpdateAlertError", [&] { r.UpdateAlertError(item); }, true},
      {"UpdatePaperInput", [&] { r.UpdatePaperInput(item); }, true},
      {"UpdatePaperOutput", [&] { r.UpdatePaperOutput(item); }, true},
      {"UpdateJobs", [&] { r.UpdateJobs(item); }, false},
      {"Fill_Memory", [&] { r.Fill_Memory(item); }, true},
      {"Fill_Firmware", [&] { r.Fill_Firmware(item); }, true},
      {"Fill_Output_Trays", [&] { r.Fill_Output_Trays(item); }, true},
      {"Draw_Input_Picture", [&] { r.Draw_Input_Picture(item); }, true},
      {"Draw_Output_Picture", [&] { r.Draw_Output_Picture(item); }, true},
      {"Draw_Status_Picture", [&] { r.Draw_Status_Picture(item); }, true},
  };
  for (const Reader& reader : readers) {
    SCOPED_TRACE(reader.name);
    Comm_Error_On = "Off";
    Comm_Error_Text.clear();
    reader.run();
    EXPECT_EQ(Comm_Error_Text, reader.checked ? "The Selected Printer is not Responding (Error Code -12)" : "");
    Release_Job_Root_Handle();
    EXPECT_EQ(silent->Open_Handles(), 0u);
    EXPECT_EQ(silent->Live_Groups(), 0u);
    EXPECT_EQ(m.dialog.Shown, 0) << Last_Error_Number << " " << Last_Error_Description;
  }
}

}  // namespace
}  // namespace vlm::monitor
