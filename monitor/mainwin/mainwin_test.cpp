// The main window's discovery, printer list, polling pass, selection and
// menus, on fake ports and a VectorItem that checks handle and group balance.
#include <gtest/gtest.h>

#include <algorithm>
#include <new>
#include <stdexcept>

#include "monitor/devicedata/devicedata_test_support.h"
#include "monitor/mainwin/mainwin.h"
#include "monitor/mainwin/mainwin_test_support.h"

namespace vlm::monitor {
namespace {

using namespace test_support;

class MainWinTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Reset_Module_Values();
    Message_Box = &report_;
    Polling_Tick_Active.clear();
    View_Refresh_Requested.clear();
    installed_ = MakeComObject<Discovery_Item>();
    other_ = MakeComObject<Discovery_Item>();
    window_.main = &main_;
    window_.flag = [this](const std::string& n) -> std::string& { return shared_.flags[n]; };
    shared_.flags = {{"Polling_Enabled", "Yes"},      {"UnInstalled_Enabled", "Yes"},
                     {"Options_Requested", "No"},     {"Registry_Entries_Found", "Yes"},
                     {"IP_Enabled", "Yes"}};
    main_.Installed_Vector_Item = installed_;
    main_.Other_Vector_Item = other_;
    main_.Create_Vector_Item = [this] {
      ++created_;
      return ComPtr<IVectorItem>(created_ % 2 ? installed_ : other_);
    };
  }
  void TearDown() override {
    Reset_Module_Values();
    EXPECT_TRUE(installed_->Balanced()) << "installed list";
    EXPECT_TRUE(other_->Balanced()) << "other list";
  }

  static std::vector<Fake_Device> Devices(int n, const std::string& prefix) {
    std::vector<Fake_Device> out;
    for (int i = 0; i < n; ++i)
      out.push_back({"127.0.0." + std::to_string(i + 1), prefix + std::to_string(i), "", 1});
    return out;
  }
  std::vector<std::string> Texts() const {
    std::vector<std::string> out;
    for (const auto& item : window_.items) out.push_back(item.text);
    return out;
  }
  std::vector<int> Icons() const {
    std::vector<int> out;
    for (const auto& item : window_.items) out.push_back(item.icon);
    return out;
  }

  ComPtr<Discovery_Item> installed_, other_;
  int created_ = 0;
  Fake_Window window_;
  Fake_Shared shared_;
  Report_Box report_;
  Fake_Readers readers_{window_};
  Tqz_Main main_{window_, readers_, shared_};
};

TEST(StatusIconTest, EveryMachineStateHasItsImage) {
  const std::pair<VbLong, int> table[] = {{1, 3},  {2, 3},  {3, 1},  {4, 4},  {5, 2},
                                          {6, 1},  {7, 1},  {8, 1},  {9, 2},  {10, 5},
                                          {11, 5}, {12, 5}, {13, 1}, {0, 4},  {14, 4},
                                          {-1, 4}, {70000, 4}};
  for (const auto& [code, image] : table) EXPECT_EQ(Status_Icon_Of(code), image) << code;
}

// The attempts of a discovery and the "11" question: what each run of the
// two lists finds, the answers given, and what the run leaves behind.
TEST_F(MainWinTest, AttemptsAndTheNoPrintersQuestion) {
  struct Case {
    const char* name;
    std::vector<int> installedRuns;  // devices found by each run
    std::vector<std::string> answers;
    int questions;
    int discoveries;  // runs of the installed list
    bool ended;
    bool polling;
    std::size_t rows;
  };
  const Case cases[] = {
      {"found at once", {2}, {}, 0, 1, false, true, 2},
      {"found at the second attempt", {0, 1}, {}, 0, 2, false, true, 1},
      {"Ok retries twice, then found", {0, 0, 0, 3}, {""}, 1, 4, false, true, 3},
      {"Cancel ends the program", {0}, {"11-1"}, 1, 2, true, false, 0},
      {"Configure returns with polling off", {0}, {"14-1"}, 1, 2, false, false, 0},
      // Closed by the frame (or not asked): no retry, so no question again
      // and again.
      {"no answer ends the attempts", {0, 0, 0}, {"11"}, 1, 2, false, false, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    installed_->runs.clear();
    for (int n : c.installedRuns) installed_->runs.push_back(Devices(n, "P"));
    installed_->run = 0;
    installed_->discoveries = 0;
    other_->runs = {{}};
    window_ = Fake_Window{};
    window_.main = &main_;
    window_.flag = [this](const std::string& n) -> std::string& { return shared_.flags[n]; };
    window_.answers.assign(c.answers.begin(), c.answers.end());
    Message_Code = "11";
    shared_.flags["Options_Requested"] = "No";
    Tqz_Main main(window_, readers_, shared_);
    window_.main = &main;
    main.Installed_Vector_Item = installed_;
    main.Other_Vector_Item = other_;

    main.Refresh_Discovery_Click();
    EXPECT_EQ(window_.questions, c.questions);
    EXPECT_EQ(installed_->discoveries, c.discoveries);
    EXPECT_EQ(window_.ended, c.ended);
    EXPECT_EQ(window_.timers[1], c.polling);
    EXPECT_EQ(window_.items.size(), c.rows);
    // Every way out ends the attempts as completed, and no pending status
    // message is left to be swallowed.
    EXPECT_EQ(window_.checkDiscovery,
              (std::vector<std::string>{"Terminated", "Completed"}));
    EXPECT_EQ(shared_.flags["Discovery_Running"], "No");
    EXPECT_EQ(main.Clear_Status_Pending, "No");
    EXPECT_FALSE(window_.timers[4]);
    EXPECT_FALSE(window_.hourglass);
    if (c.ended) {
      EXPECT_EQ(Message_Code, "");
    }
    EXPECT_TRUE(installed_->Balanced());
  }
}

TEST_F(MainWinTest, DiscoveryAsksForTheDeviceScalarsAndReleasesInOrder) {
  installed_->runs = {Devices(1, "P")};
  other_->runs = {{}};
  main_.Refresh_Discovery_Click();
  const std::vector<std::string> expected = {
      "CreateCustomGroup 145 0 6002 6005 6001 6008", "GetRootHandle 5001 0", "ReleaseHandle 0",
      "GetRootHandle 5002 0", "ReleaseHandle 1", "DeleteCustomGroup 2001"};
  EXPECT_EQ(installed_->calls, expected);
}

// Icons by machine state: a tandem pair shows its second engine; a printer
// that does not answer shows image 4, not the state of the one before it.
TEST_F(MainWinTest, PrinterListIconsAndNames) {
  installed_->runs = {{{"127.0.0.1", "Ready one", "q1", 1},
                       {"127.0.0.2", "Tandem", "q2", 1},
                       {"127.0.0.3", "", "q3", 1}}};
  other_->runs = {{{"127.0.0.4", "Printing", "", 1}, {"127.0.0.5", "Silent", "", 1}}};
  readers_.printers[{0, 0}] = {{3}, false};
  readers_.printers[{0, 1}] = {{3, 11}, true};
  readers_.printers[{0, 2}] = {{9}, false};
  readers_.printers[{1, 0}] = {{5}, false};
  readers_.printers[{1, 1}] = {{}, false};  // silent

  main_.Refresh_Discovery_Click();
  EXPECT_EQ(Texts(), (std::vector<std::string>{"Ready one", "Tandem", "127.0.0.3", "Printing",
                                               "Silent"}));
  EXPECT_EQ(Icons(), (std::vector<int>{1, 5, 2, 2, 4}));
  EXPECT_EQ(main_.Discovered_Count, 5);
  EXPECT_EQ(main_.Installed_Printer_Count, 3);
  EXPECT_EQ(main_.Other_Device_Count, 2);
  EXPECT_EQ(window_.selected, 1);
  EXPECT_TRUE(window_.items[0].marked);
  EXPECT_EQ(Selected_List_Kind, 0);
  EXPECT_EQ(Selected_Device, 0);

  // The polling pass: the pair's second engine warms up, the silent one
  // still shows 4 after its neighbour printed.
  readers_.printers[{0, 1}] = {{3, 3}, true};
  readers_.printers[{1, 0}] = {{5}, false};
  window_.active = false;
  main_.Timer1_Timer();
  EXPECT_EQ(Icons(), (std::vector<int>{1, 1, 2, 2, 4}));
}

TEST_F(MainWinTest, UninstalledListingOffAsksOnlyTheInstalledList) {
  shared_.flags["UnInstalled_Enabled"] = "No";
  installed_->runs = {Devices(1, "P")};
  other_->runs = {Devices(2, "O")};
  main_.Refresh_Discovery_Click();
  EXPECT_EQ(other_->discoveries, 0);
  EXPECT_EQ(main_.Other_Device_Count, 0);
  EXPECT_EQ(window_.items.size(), 1u);
}

TEST_F(MainWinTest, ListsStopAtSixtyFourDevicesAndRowsAtOneHundredTwentyEight) {
  installed_->runs = {Devices(64, "I")};
  other_->runs = {Devices(64, "O")};
  main_.Refresh_Discovery_Click();
  EXPECT_EQ(main_.Discovered_Count, 128);
  EXPECT_EQ(main_.Installed_Printer_Count, 64);
  EXPECT_EQ(main_.Other_Device_Count, 64);
  EXPECT_EQ(Discovered_Printers(127, 0), 1);
  EXPECT_EQ(Discovered_Printers(127, 1), 63);
  EXPECT_EQ(window_.items.size(), 128u);
  // Balance of handles and groups is checked when the test ends.
}

TEST_F(MainWinTest, RediscoveryClearsTheSelectionAndTheStaleDeviceFields) {
  installed_->runs = {Devices(3, "P"), {{"127.0.0.9", "", "", 1}}};
  other_->runs = {{}};
  readers_.printers[{0, 2}] = {{3, 3}, true};
  main_.Refresh_Discovery_Click();
  main_.lvwIPs_ItemClick(3);
  EXPECT_EQ(main_.Selected_Item_Index, 3);
  EXPECT_TRUE(Is_Tandem(0, 2));

  // Device 0 is now another, silent printer without a product name.
  readers_.printers.clear();
  main_.Refresh_Discovery_Click();
  EXPECT_EQ(main_.Selected_Item_Index, 1);
  EXPECT_EQ(Texts(), std::vector<std::string>{"127.0.0.9"});
  EXPECT_EQ(Icons(), std::vector<int>{4});
  EXPECT_TRUE(Is_Empty(Device_List_Fields(0, 2, 6)));
  main_.Timer1_Timer();
  EXPECT_EQ(window_.selected, 1);
  EXPECT_EQ(Selected_Device, 0);
}

TEST_F(MainWinTest, TheViewIsReadOnlyWhileTheWindowIsActive) {
  installed_->runs = {Devices(2, "P")};
  other_->runs = {{}};
  readers_.printers[{0, 0}] = {{3}, false};
  readers_.printers[{0, 1}] = {{5}, false};
  main_.Refresh_Discovery_Click();

  for (bool active : {false, true}) {
    SCOPED_TRACE(active);
    window_.active = active;
    window_.tab = 1;
    readers_.calls.clear();
    main_.Timer1_Timer();
    const bool viewRead =
        std::find(readers_.calls.begin(), readers_.calls.end(), "UpdateIPController") !=
        readers_.calls.end();
    EXPECT_EQ(viewRead, active);
    // The status pass reads every printer's state either way.
    EXPECT_EQ(std::count(readers_.calls.begin(), readers_.calls.end(), "Get_Printer_State 0"), 2);
    EXPECT_EQ(Polling_Tick_Active, "No");
    EXPECT_EQ(window_.statusColour, kStatusIdleColour);
  }
}

// A printer whose read times out is read no further in that refresh, on
// every tab, the engine box's Click that the refresh raises (a tandem)
// included; a selection stops the same way, and the next refresh starts over.
// The readers after the silent read run, in their order, on the silent
// stand-in, which never reaches the printer.
TEST_F(MainWinTest, TheViewRefreshStopsAtTheFirstSilentRead) {
  installed_->runs = {Devices(1, "P")};
  other_->runs = {{}};
  readers_.printers[{0, 0}] = {{3, 3}, true};
  main_.Refresh_Discovery_Click();
  window_.active = true;
  const std::string id = "Get_Printer_Identity";
  struct Case {
    int tab;
    const char* silent;
    std::vector<std::string> read;
  };
  const Case cases[] = {
      {0, "Get_Printer_Identity", {id}},
      {1, "Get_Printer_Identity", {id}},
      {1, "UpdateIPController", {id, "UpdateIPController"}},
      {1, "Get_Device_Status", {id, "UpdateIPController", "Get_Device_Status"}},
      {2, "Get_Printer_Identity", {id}},
      {2, "Get_Engine_Counters", {id, "UpdatePrinter", "Get_Engine_Counters 0"}},
      {3, "Get_Finisher_Model", {id, "Get_Finisher_Model"}},
      {4, "Get_Engine_Model",
       {id, "Get_Finisher_Model", "UpdatePaperInput", "Draw_Input_Picture", "Get_Engine_Model"}},
      {4, "UpdatePaperInput", {id, "Get_Finisher_Model", "UpdatePaperInput"}},
      {5, "Fill_Output_Trays",
       {id, "Get_Finisher_Model", "UpdatePrinter", "UpdatePaperOutput", "Draw_Output_Picture",
        "Get_Engine_Model", "Get_Finisher_Model", "UpdatePaperOutput", "Fill_Output_Trays"}},
      {6, "Get_Printer_Identity", {id}},
  };
  // Every reader ran once: on the printer up to the silent one, then aside.
  auto expect_all_read = [&](const std::vector<std::string>& all) {
    std::vector<std::string> read = readers_.calls;
    read.insert(read.end(), readers_.standIn.begin(), readers_.standIn.end());
    EXPECT_EQ(read, all);
  };
  auto clear = [&] {
    readers_.calls.clear();
    readers_.standIn.clear();
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.tab) + " " + c.silent);
    window_.tab = c.tab;
    readers_.silent.clear();
    clear();
    main_.Refresh_The_View();
    ASSERT_TRUE(readers_.standIn.empty());
    const std::vector<std::string> all = readers_.calls;
    readers_.silent = {c.silent};
    clear();
    main_.Refresh_The_View();
    EXPECT_EQ(readers_.calls, c.read);
    expect_all_read(all);
  }
  // The selection of the silent printer.
  window_.tab = 1;
  readers_.silent.clear();
  clear();
  main_.lvwIPs_ItemClick(1);
  const std::vector<std::string> all = readers_.calls;
  readers_.silent = {id};
  clear();
  main_.lvwIPs_ItemClick(1);
  EXPECT_EQ(readers_.calls, (std::vector<std::string>{id}));
  expect_all_read(all);
  // A printer that answers again is read in full.
  readers_.silent.clear();
  clear();
  window_.tab = 4;
  main_.Refresh_The_View();
  EXPECT_EQ(readers_.calls,
            (std::vector<std::string>{id, "Get_Finisher_Model", "UpdatePaperInput", "Draw_Input_Picture",
                                      "Get_Engine_Model", "Get_Engine_Model", "Get_Finisher_Model",
                                      "UpdatePaperInput", "Draw_Input_Picture", "Get_Installed_Options",
                                      "Get_Installed_Options"}));
  EXPECT_TRUE(readers_.standIn.empty());
}

TEST_F(MainWinTest, NotRespondingMessageAfterADiscovery) {
  installed_->runs = {Devices(1, "P")};
  other_->runs = {{}};
  // A message pending from before the discovery is dropped.
  window_.timers[4] = true;
  main_.Refresh_Discovery_Click();
  EXPECT_FALSE(window_.timers[4]);
  EXPECT_EQ(main_.Clear_Status_Pending, "No");

  // The printer then stops answering: the next refresh starts Timer4, and
  // its tick shows the message in orange, centred.
  readers_.printers[{0, 0}] = {{}, false};
  window_.tab = 0;
  main_.Refresh_View_Click();
  main_.Timer1_Timer();
  ASSERT_TRUE(window_.timers[4]);
  main_.Timer4_Timer();
  EXPECT_EQ(window_.status, "The Selected Printer is not Responding (Error Code -11)");
  EXPECT_EQ(window_.statusColour, kStatusErrorColour);
  EXPECT_TRUE(window_.statusCentred);
  EXPECT_FALSE(window_.timers[4]);

  // A tick still pending when a discovery starts clears the label instead.
  main_.Clear_Status_Pending = "Yes";
  main_.Timer4_Timer();
  EXPECT_EQ(window_.status, "");
  EXPECT_EQ(window_.statusColour, kStatusIdleColour);
  EXPECT_EQ(main_.Clear_Status_Pending, "No");
}

// Timer ticks that come while a discovery's question or a pass's error
// report is open do nothing; Timer2 keeps running and acts later.
TEST_F(MainWinTest, BusyGuardHoldsOffTicksInsideModalDialogs) {
  installed_->runs = {{}, {}, Devices(1, "P")};
  other_->runs = {{}};
  window_.answers = {""};
  int discoveriesDuringQuestion = -1;
  window_.duringQuestion = [&] {
    shared_.flags["Discovery_Requested"] = "Yes";
    window_.timers[2] = true;
    const int before = installed_->discoveries;
    main_.Timer2_Timer();
    main_.Timer1_Timer();
    main_.Refresh_View_Click();
    discoveriesDuringQuestion = installed_->discoveries - before;
  };
  main_.Refresh_Discovery_Click();
  EXPECT_EQ(discoveriesDuringQuestion, 0);
  EXPECT_TRUE(window_.timers[2]);
  EXPECT_EQ(shared_.flags["Discovery_Requested"], "Yes");
  EXPECT_EQ(window_.items.size(), 1u);

  // After it, Timer2 acts.
  window_.duringQuestion = nullptr;
  installed_->runs = {Devices(2, "P")};
  installed_->run = 0;
  main_.Timer2_Timer();
  EXPECT_FALSE(window_.timers[2]);
  EXPECT_EQ(shared_.flags["Discovery_Requested"], "No");
  EXPECT_EQ(window_.items.size(), 2u);

  // An error report inside a pass: a tick from the dialog's loop does not
  // start a second pass.
  int reads = 0;
  report_.during = [&] {
    const std::size_t before = readers_.calls.size();
    main_.Timer1_Timer();
    reads = static_cast<int>(readers_.calls.size() - before);
  };
  readers_.onRead = [&] {
    if (readers_.calls.back() == "Get_Printer_Identity") {
      readers_.onRead = nullptr;
      throw VbError(13, "Type mismatch");
    }
  };
  window_.active = true;
  main_.Timer1_Timer();
  EXPECT_EQ(report_.Shown, 1);
  EXPECT_EQ(Last_Error_Number, 13);
  EXPECT_EQ(reads, 0);
}

// An event procedure whose body fails to allocate, or whose error report
// fails itself, ends cleanly: the error is kept, the pointer and the status
// line are back, and the busy guard is released for the next tick.
TEST_F(MainWinTest, AFailedAllocationOrAFailingReportEndsTheProcedureCleanly) {
  installed_->runs = {Devices(1, "P")};
  other_->runs = {{}};
  main_.Refresh_Discovery_Click();
  window_.active = true;
  struct Case {
    const char* name;
    bool timer3;  // the end of the help period, else a polling tick
    bool out_of_memory;  // else error 13
    bool report_fails;
    LONG number;
    int reports;
  };
  const Case cases[] = {
      {"tick, out of memory", false, true, false, VBERR_OUT_OF_MEMORY, 1},
      {"tick, the report fails", false, false, true, 13, 1},
      {"help period, out of memory", true, true, false, VBERR_OUT_OF_MEMORY, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const auto fail = [&] {
      if (c.out_of_memory) throw std::bad_alloc();
      throw VbError(13, "Type mismatch");
    };
    readers_.onRead = [&] {
      if (readers_.calls.back().rfind("Get_Printer_State", 0) == 0) fail();
    };
    window_.onLeaveWhatsThis = fail;
    report_.during = [&] {
      if (c.report_fails) throw std::runtime_error("the window is going away");
    };
    Last_Error_Number = 0;
    window_.hourglass = true;
    window_.timers[3] = true;
    const int shown = report_.Shown;
    EXPECT_NO_THROW(c.timer3 ? main_.Timer3_Timer() : main_.Timer1_Timer());
    EXPECT_FALSE(main_.Busy());
    EXPECT_EQ(Last_Error_Number, c.number);
    EXPECT_EQ(report_.Shown - shown, c.reports);
    EXPECT_FALSE(window_.hourglass);
    if (c.timer3) {
      EXPECT_FALSE(window_.timers[3]);
    } else {
      EXPECT_EQ(window_.statusColour, kStatusIdleColour);
    }
  }
  readers_.onRead = nullptr;
  window_.onLeaveWhatsThis = nullptr;
  report_.during = nullptr;
}

// The program's end thrown from the error report's dialog (End while it is
// up) is no error: it leaves the trap and the procedure, and nothing after
// the report runs, not the status icons' reads of every printer.
TEST_F(MainWinTest, TheProgramsEndFromAnErrorReportLeavesTheProcedure) {
  struct Program_End {};
  installed_->runs = {Devices(2, "P")};
  other_->runs = {{}};
  main_.Refresh_Discovery_Click();
  main_.lvwIPs_ItemClick(1);
  readers_.onRead = [&] {
    if (readers_.calls.back().rfind("Get_Printer_State", 0) == 0) throw VbError(13, "Type mismatch");
  };
  std::size_t reads_at_report = 0;
  report_.during = [&] {
    reads_at_report = readers_.calls.size();
    throw Program_End{};
  };
  readers_.calls.clear();
  EXPECT_THROW(main_.Timer1_Timer(), Program_End);
  EXPECT_EQ(report_.Shown, 1);
  EXPECT_EQ(readers_.calls.size(), reads_at_report);
  EXPECT_FALSE(main_.Busy());
  readers_.onRead = nullptr;
  report_.during = nullptr;
}

TEST_F(MainWinTest, EngineChoiceFollowsTheComboAndResetsOnASingleEngine) {
  installed_->runs = {Devices(2, "P")};
  other_->runs = {{}};
  readers_.printers[{0, 0}] = {{3, 3}, true};
  readers_.printers[{0, 1}] = {{3}, false};
  main_.Refresh_Discovery_Click();
  window_.tab = 2;
  main_.lvwIPs_ItemClick(1);
  EXPECT_TRUE((window_.visible[{"ComboPrinter", 2}]));
  // The user chooses "Printer 2" of the pair.
  window_.Set_ComboPrinter_ListIndex(2, 1);
  EXPECT_EQ(main_.Engine_Choice, 1);
  EXPECT_EQ(Selected_Engine, 1);
  readers_.calls.clear();
  main_.Refresh_View_Click();
  EXPECT_NE(std::find(readers_.calls.begin(), readers_.calls.end(), "Get_Engine_Counters 1"),
            readers_.calls.end());
  // The pair keeps engine 2 on a second click.
  main_.lvwIPs_ItemClick(1);
  EXPECT_EQ(Selected_Engine, 1);
  // A single-engine printer: "Printer 1" from code raises Click and resets
  // the one engine choice.
  main_.lvwIPs_ItemClick(2);
  EXPECT_FALSE((window_.visible[{"ComboPrinter", 2}]));
  EXPECT_EQ(main_.Engine_Choice, 0);
  EXPECT_EQ(Selected_Engine, 0);
  // A click past the end of the list changes nothing.
  main_.lvwIPs_ItemClick(7);
  EXPECT_EQ(main_.Selected_Item_Index, 2);
  EXPECT_EQ(report_.Shown, 0);
}

// "Printer 2" chosen on the QuickView tab of a single-engine printer: the
// box goes back to "Printer 1", and every tab, by a tab change or by a
// selection, reads the printer's one engine.
TEST_F(MainWinTest, ASingleEnginePrinterShowsItsEngineOnEveryTabAfterPrinter2WasChosen) {
  installed_->runs = {Devices(1, "P")};
  other_->runs = {{}};
  readers_.printers[{0, 0}] = {{3}, false};
  main_.Refresh_Discovery_Click();
  // "Printer 2" chosen in the box of QuickView, then in that of IP Controller.
  for (int chosen_on : {0, 1}) {
    SCOPED_TRACE(chosen_on);
    window_.tab = chosen_on;
    main_.lvwIPs_ItemClick(1);
    window_.Set_ComboPrinter_ListIndex(chosen_on, 1);
    EXPECT_EQ(window_.combo[chosen_on], 0);
    EXPECT_EQ(main_.Engine_Choice, 0);
    EXPECT_EQ(Selected_Engine, 0);
    for (int tab = 0; tab <= 6; ++tab) {
      if (tab == chosen_on) continue;
      SCOPED_TRACE(tab);
      const int previous = window_.tab;
      window_.tab = tab;
      for (bool by_selection : {false, true}) {
        readers_.calls.clear();
        readers_.engines.clear();
        if (by_selection) {
          main_.lvwIPs_ItemClick(1);
        } else {
          main_.SSTab1_Click(previous);
        }
        EXPECT_FALSE(readers_.calls.empty());
        for (std::size_t i = 0; i < readers_.calls.size(); ++i)
          EXPECT_EQ(readers_.engines[i], 0) << readers_.calls[i];
        EXPECT_EQ(std::count(readers_.calls.begin(), readers_.calls.end(), "Get_Engine_Counters 1"), 0);
        EXPECT_EQ(Selected_Engine, 0);
        if (window_.combo.count(tab)) {
          EXPECT_EQ(window_.combo[tab], 0);
        }
      }
    }
  }
  EXPECT_EQ(report_.Shown, 0);
}

// "Printer 2" chosen for a tandem pair: a refresh of the pair reads its
// second engine, and a single-engine printer that the list's selection
// comes to without a click (a new discovery, a polling pass) reads its one
// engine on every tab that has an engine box and shows "Printer 1" there,
// which is the choice from then on.
TEST_F(MainWinTest, TheEngineChosenForATandemIsNotReadOfASingleEnginePrinter) {
  installed_->runs = {Devices(2, "P")};
  other_->runs = {{}};
  readers_.printers[{0, 0}] = {{3, 3}, true};
  readers_.printers[{0, 1}] = {{3}, false};
  main_.Refresh_Discovery_Click();
  window_.active = true;
  for (int tab : {2, 3, 4, 5}) {
    SCOPED_TRACE(tab);
    window_.tab = tab;
    main_.lvwIPs_ItemClick(1);
    window_.Set_ComboPrinter_ListIndex(tab, 1);
    ASSERT_EQ(main_.Engine_Choice, 1);
    const struct {
      int row;
      VbInteger engine;
    } steps[] = {{1, 1}, {2, 0}, {1, 0}};
    for (const auto& step : steps) {
      SCOPED_TRACE(step.row);
      readers_.calls.clear();
      readers_.engines.clear();
      window_.selected = step.row;
      main_.SSTab1_Click(tab == 2 ? 3 : 2);
      EXPECT_EQ(Selected_Engine, step.engine);
      EXPECT_EQ(window_.combo[tab], step.engine);
      EXPECT_EQ(main_.Engine_Choice, step.engine);
      ASSERT_FALSE(readers_.calls.empty());
      // Every reader of the tab reads the engine; the identity, read before
      // the engine box is set, is the device's.
      for (std::size_t i = 0; i < readers_.calls.size(); ++i) {
        const std::string& call = readers_.calls[i];
        if (call.rfind("Get_Printer_Identity", 0) == 0) continue;
        EXPECT_EQ(readers_.engines[i], step.engine) << call;
      }
    }
  }
  EXPECT_EQ(report_.Shown, 0);
}

TEST_F(MainWinTest, MenuDocuments) {
  installed_->runs = {{{"127.0.0.7", "Web", "", 1}, {"", "No address", "", 1},
                       {"127.0.0.8", "Over IPX", "", 0}}};
  other_->runs = {{}};
  main_.Refresh_Discovery_Click();
  for (int row : {1, 2, 3}) {
    main_.lvwIPs_ItemClick(row);
    main_.Web_Click();
  }
  Help_File = "/opt/vlm/USA0409.chm::/Test 1.Txt";
  main_.Content_Click();
  EXPECT_EQ(window_.documents,
            (std::vector<std::string>{"http://127.0.0.7/", "file:///opt/vlm/USA0409.chm"}));

  shared_.flags["IP_Enabled"] = "No";
  main_.Command_Click();
  EXPECT_FALSE(window_.webEnabled);
  shared_.flags["IP_Enabled"] = "";
  main_.Command_Click();
  EXPECT_TRUE(window_.webEnabled);

  main_.Context_Help_Click();
  EXPECT_TRUE(window_.whatsThis);
  EXPECT_TRUE(window_.timers[3]);
  main_.Timer3_Timer();
  EXPECT_FALSE(window_.whatsThis);
  EXPECT_FALSE(window_.timers[3]);

  window_.timers[1] = true;
  main_.Options_Click();
  EXPECT_FALSE(window_.timers[1]);
  main_.IconView_Click();
  EXPECT_EQ(window_.view, 0);
  main_.SmallIcon_Click();
  EXPECT_EQ(window_.view, 1);
  main_.ListView_Click();
  EXPECT_EQ(window_.view, 2);
}

// The load's steps after the start-up checks, as the window's load runs
// them (the stop for a start-up check that opened the options dialog comes
// before them: forms_frmTQZ_main_test).
TEST_F(MainWinTest, LoadEndsEarlyAndSetsUpPolling) {
  struct Case {
    const char* name;
    std::string messageCode, polling;
    bool discovered, timer1;
  };
  const Case cases[] = {
      {"Configure on the abnormal-end question", "16-1", "Yes", false, false},
      {"polling on", "", "Yes", true, true},
      {"polling off", "", "No", true, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    installed_->runs = {Devices(1, "P")};
    installed_->run = 0;
    installed_->discoveries = 0;
    other_->runs = {{}};
    window_.timers.clear();
    window_.intervals.clear();
    window_.checkDiscovery.clear();
    Message_Code = c.messageCode;
    shared_.flags["Polling_Enabled"] = c.polling;
    created_ = 0;
    main_.Load_After_Checks();
    EXPECT_EQ(created_, 2);
    EXPECT_EQ(installed_->discoveries, c.discovered ? 1 : 0);
    EXPECT_EQ(window_.timers[1], c.timer1);
    EXPECT_EQ(window_.intervals.count(1), c.timer1 ? 1u : 0u);
    if (c.discovered) {
      EXPECT_EQ(window_.checkDiscovery.back(), "Completed");
      EXPECT_TRUE(window_.jobsTabHidden);
    } else {
      EXPECT_TRUE(window_.checkDiscovery.empty());
    }
    if (c.messageCode == "16-1") {
      EXPECT_EQ(Message_Code, "");
    }
  }
}

TEST_F(MainWinTest, AFailedCreationIsReportedAs429) {
  main_.Create_Vector_Item = [] {
    CLSID none{};
    ComPtr<IVectorItem> item;
    HRESULT hr = CoCreateInstance(none, nullptr, CLSCTX_INPROC_SERVER, IID_IVectorItem,
                                  reinterpret_cast<void**>(item.ReleaseAndGetAddressOf()));
    throw VbErrorFromHResult(hr, VbCall::Create);
    return item;
  };
  main_.Load_After_Checks();
  EXPECT_EQ(Last_Error_Number, 429);
  EXPECT_EQ(report_.Shown, 1);
  EXPECT_FALSE(window_.timers[1]);
  EXPECT_FALSE(window_.hourglass);
}

TEST_F(MainWinTest, TabChangesHideAndShowTheirControls) {
  installed_->runs = {Devices(1, "P")};
  other_->runs = {{}};
  readers_.printers[{0, 0}] = {{3, 3}, true};
  main_.Refresh_Discovery_Click();
  window_.tab = 0;
  main_.SSTab1_Click(3);
  EXPECT_EQ(window_.topic, 1162);
  for (const char* control : {"Label13", "lvwEngineAlert", "Picture1"})
    EXPECT_FALSE((window_.visible[{control, -1}])) << control;
  EXPECT_FALSE((window_.visible[{"ComboPrinter", 3}]));
  window_.tab = 3;
  main_.SSTab1_Click(0);
  main_.SSTab1_GotFocus();
  for (const char* control : {"Label13", "lvwEngineAlert", "Picture1"})
    EXPECT_TRUE((window_.visible[{control, -1}])) << control;
  EXPECT_TRUE((window_.visible[{"ComboPrinter", 3}]));
  EXPECT_TRUE((window_.visible[{"LabelAlert", 1}]));
  EXPECT_EQ(window_.log.back(), "focus lvwIPs");

  // A single-engine printer: each tab's engine box stays hidden, the tab's
  // own controls show.
  installed_->runs = {Devices(1, "S")};
  readers_.printers[{0, 0}] = {{3}, false};
  main_.Refresh_Discovery_Click();
  struct Box {
    int tab;
    const char* label;
    const char* list;
  };
  for (const Box& b : {Box{3, "LabelAlert", "lvwEngineAlert"}, Box{4, "LabelInput", "lvwInputTray"},
                       Box{5, "LabelOutput", "lvwOutputTray"}}) {
    SCOPED_TRACE(b.tab);
    window_.visible[{"ComboPrinter", b.tab}] = true;
    window_.visible[{b.label, 1}] = true;
    window_.tab = b.tab;
    main_.SSTab1_Click(0);
    main_.SSTab1_GotFocus();
    EXPECT_FALSE((window_.visible[{"ComboPrinter", b.tab}]));
    EXPECT_FALSE((window_.visible[{b.label, 1}]));
    EXPECT_TRUE((window_.visible[{b.list, -1}]));
  }
}

}  // namespace
}  // namespace vlm::monitor
