// The polling timers and the view refresh.
#include "monitor/mainwin/mainwin.h"

#include <initializer_list>

#include "monitor/devicedata/devicedata.h"
#include "monitor/mainwin/mainwin_internal.h"
#include "monitor/tabs/frmTQZ_tabs.h"

namespace vlm::monitor {

void Tqz_Main::Tab_Captions(int tab) {
  if (Localised != "On") return;
  struct Caption {
    const char* control;
    int index;
    VbLong id;
  };
  static const std::initializer_list<Caption> kTab1 = {
      {"LabelAlert", 3, 333}, {"LabelIP", 0, 151},   {"LabelIP", 1, 216},   {"LabelIP", 3, 144},
      {"LabelIP", 4, 241},    {"LabelIP", 7, 342},   {"LabelIP", 8, 155},   {"LabelIP", 9, 215},
      {"LabelIP", 2, 266},    {"LabelIP", 10, 437},  {"LabelIP", 6, 134},   {"HardDisk", 1, 207},
      {"Label2", 2, 208},     {"Label2", 3, 436},    {"Label3", 2, 206},    {"Memory", 0, 256},
      {"Label2", 1, 257},     {"Label3", 1, 255}};
  static const std::initializer_list<Caption> kTab2 = {
      {"Firmware", 2, 202},     {"Frame1", 4, 256},       {"EngineCount", 5, 187},
      {"Label5", -1, 412},      {"Label7", -1, 413},      {"Label9", -1, 414},
      {"LabelEngine", 0, 151},  {"LabelEngine", 2, 188},  {"LabelEngine", 3, 189},
      {"LabelEngine", 4, 323},  {"LabelEngine", 5, 324},  {"LabelEngine", 6, 161},
      {"LabelEngine", 7, 291},  {"LabelEngine", 8, 334},  {"LabelEngine", 9, 311},
      {"LabelEngine", 10, 200}, {"LabelEngine", 12, 439}};
  static const std::initializer_list<Caption> kTab3 = {{"LabelAlert", 0, 151},
                                                       {"PrinterAlert", -1, 310}};
  static const std::initializer_list<Caption> kTab4 = {
      {"LabelInput", 0, 151}, {"LabelInput", 2, 442}, {"Label17", -1, 443}, {"Label18", -1, 414}};
  static const std::initializer_list<Caption> kTab5 = {
      {"LabelOutput", 0, 151}, {"OutputInfo", 0, 288},  {"FinisherInfo", 2, 199},
      {"LabelOutput", 2, 200}, {"LabelOutput", 3, 278}, {"LabelOutput", 4, 142},
      {"LabelOutput", 5, 205}, {"LabelOutput", 6, 344}};
  const std::initializer_list<Caption>* table = nullptr;
  switch (tab) {
    case 1: table = &kTab1; break;
    case 2: table = &kTab2; break;
    case 3: table = &kTab3; break;
    case 4: table = &kTab4; break;
    case 5: table = &kTab5; break;
    default: return;
  }
  for (const Caption& c : *table) window_.Set_Caption(c.control, c.index, Text("", c.id));
}

void Tqz_Main::Refresh_The_View() {
  Guarded([&] { Refresh_The_View_Trapped(); });
}

void Tqz_Main::Refresh_The_View_Trapped() {
  if (Trapped({5, 91, 400, 401, 35601}, [&] { Refresh_The_View_Body(); }))
    Polling_Tick_Active = "No";
}

void Tqz_Main::Refresh_The_View_Body() {
  if (Discovered_Count == 0) return;
  // The view is read only while the monitor's own window is in front.
  if (!window_.Is_Active_Window()) {
    window_.Set_Hourglass(false);
    return;
  }
  window_.Set_Hourglass(true);
  const int selected = window_.lvwIPs_Selected();
  if (selected == 0)
    throw VbError(VBERR_OBJECT_NOT_SET, VbErrorDescription(VBERR_OBJECT_NOT_SET));
  window_.lvwIPs_Select(selected);
  Selected_Row = static_cast<VbInteger>(selected);
  Select_Row_Of_Item(selected);
  Turn_To_Selected_Printer();
  Current_Tab = static_cast<VbInteger>(window_.Current_Tab());
  Printer_Reads read(Object_Of(Selected_List_Kind));
  read([&](IVectorItem* item) { readers_.Get_Printer_Identity(item, 0); });
  switch (Current_Tab) {
    case 0:
      window_.Set_Hourglass(true);
      read([&](IVectorItem* item) { readers_.Get_Summary_Info(item, 0); });
      window_.Set_Hourglass(false);
      break;
    case 1:
      Tab_Captions(1);
      read([&](IVectorItem* item) { readers_.UpdateIPController(item); });
      read([&](IVectorItem* item) { readers_.Get_Device_Status(item); });
      read([&](IVectorItem* item) { readers_.Get_MIB_Version(item); });
      break;
    case 2:
      Tab_Captions(2);
      Choose_Tab_Engine();
      read([&](IVectorItem* item) { readers_.Get_Engine_Counters(item, Selected_Engine); });
      read([&](IVectorItem* item) { readers_.Fill_Memory(item); });
      read([&](IVectorItem* item) { readers_.Fill_Firmware(item); });
      break;
    case 3:
      Tab_Captions(3);
      Choose_Tab_Engine();
      read([&](IVectorItem* item) { readers_.Get_Finisher_Model(item); });
      read([&](IVectorItem* item) { readers_.UpdateAlertError(item); });
      break;
    case 4:
      Selected_Tray = 0;
      Selected_Bin = 0;
      Tab_Captions(4);
      Choose_Tab_Engine();
      read([&](IVectorItem* item) { readers_.Get_Engine_Model(item, Selected_Engine); });
      if (Keep_Silent_View({"lvwInputTray", "Picture2"})) break;
      read([&](IVectorItem* item) { readers_.Get_Finisher_Model(item); });
      read([&](IVectorItem* item) { readers_.UpdatePaperInput(item); });
      read([&](IVectorItem* item) { readers_.Draw_Input_Picture(item); });
      read([&](IVectorItem* item) { readers_.Get_Installed_Options(item, 0); });
      if (Is_Tandem(Selected_List_Kind, Selected_Device))
        read([&](IVectorItem* item) { readers_.Get_Installed_Options(item, 1); });
      break;
    case 5:
      Selected_Tray = 0;
      Selected_Bin = 0;
      Tab_Captions(5);
      Choose_Tab_Engine();
      read([&](IVectorItem* item) { readers_.Get_Engine_Model(item, Selected_Engine); });
      if (Keep_Silent_View({"lvwOutputTray", "Picture3"})) break;
      read([&](IVectorItem* item) { readers_.Get_Finisher_Model(item); });
      read([&](IVectorItem* item) { readers_.UpdatePaperOutput(item); });
      read([&](IVectorItem* item) { readers_.Fill_Output_Trays(item); });
      read([&](IVectorItem* item) { readers_.Draw_Output_Picture(item); });
      break;
    case 6:
      read([&](IVectorItem* item) { readers_.UpdateJobs(item); });
      break;
    default:
      break;
  }
  window_.Set_Hourglass(false);
}

void Tqz_Main::Status_Icons() {
  for (VbInteger i = 1; i <= Discovered_Count; ++i) {
    Selected_Row = i;
    Select_Row_Of_Item(i);
    const VbInteger kind = Selected_List_Kind;
    const VbInteger device = Selected_Device;
    IVectorItem* item = Object_Of(kind);
    Machine_State_Code = 0;
    readers_.Get_Printer_State(item, 0);
    if (Is_Tandem(kind, device)) readers_.Get_Printer_State(item, 1);
    Current_List_Item = i;
    window_.lvwIPs_Set_Icon(i, Status_Icon_Of(Machine_State_Code));
    Selected_Row = window_.lvwIPs_Text(i) == Remembered_Printer_Text &&
                           Spooler_Name(kind, device) == Remembered_Spooler_Name
                       ? i
                       : VbInteger{1};
  }
  if (Selected_Item_Index < 1 || Selected_Item_Index > Discovered_Count) Selected_Item_Index = 1;
  window_.lvwIPs_Select(Selected_Item_Index);
  window_.lvwIPs_Set_Marked(Selected_Item_Index, true);
  Select_Row_Of_Item(Selected_Item_Index);
}

void Tqz_Main::Timer1_Timer() {
  Guarded([&] {
    const bool quiet = Trapped({5, 91, 400, 35601}, [&] {
      if (Installed_Printer_Count + Other_Device_Count == 0) return;
      Polling_Tick_Active = "Yes";
      Status_Busy(Text("Updating Values", 494));
      Refresh_The_View_Trapped();
      window_.Set_Hourglass(false);
      Status_Icons();
      window_.Set_Hourglass(false);
      Polling_Tick_Active = "No";
      Status_Idle();
    }, [&] { Status_Idle(); });
    if (quiet) Polling_Tick_Active = "No";
  });
}

void Tqz_Main::Refresh_View_Click() {
  Guarded([&] { Refresh_View_Trapped(); });
}

void Tqz_Main::Refresh_View_Trapped() {
  Trapped({5, 91, 400, 35601}, [&] {
    View_Refresh_Requested = "Yes";
    window_.Set_Timer_Enabled(1, false);
    Status_Busy(Text("Updating Values", 494));
    Refresh_The_View_Trapped();
    Status_Idle();
    window_.Set_Hourglass(false);
    if (Flag("Polling_Enabled") == "Yes") window_.Set_Timer_Enabled(1, true);
  }, [&] { Status_Idle(); });
}

void Tqz_Main::Timer2_Timer() {
  // A discovery waits while another operation runs; the timer keeps going.
  Guarded([&] {
    Trapped({5, 91, 400, 35601}, [&] {
      if (Flag("Discovery_Requested") != "Yes") return;
      window_.Set_Timer_Enabled(2, false);
      Flag("Discovery_Requested") = "No";
      Discovery_Trapped();
      if (ending_) return;
      Status_Idle();
    });
  });
}

void Tqz_Main::Timer3_Timer() {
  // The end of the help period reports no error; Timer3 goes off on every path.
  Trapped_Silently([&] {
    window_.Leave_Whats_This_Mode();
    window_.Set_Timer_Enabled(3, false);
  }, [&] { window_.Set_Timer_Enabled(3, false); });
}

void Tqz_Main::Timer4_Timer() {
  if (Clear_Status_Pending == "Yes") {
    Clear_Status_Pending = "No";
    window_.Set_Status(kStatusIdleColour, "", false);
    window_.Set_Timer_Enabled(4, false);
    return;
  }
  window_.Set_Status(kStatusErrorColour, Comm_Error_Text, true);
  window_.Set_Timer_Enabled(4, false);
}

void Tqz_Main::Timer5_Timer() {
  window_.Repaint("OutputInfo", 0);
  window_.Repaint("lvwOutputTray", -1);
  window_.Set_Timer_Enabled(5, false);
}

void Tqz_Main::SSTab1_Click(int previousTab) {
  Trapped({5, 91, 400, 401, 35601}, [&] {
    static const int kTopics[] = {1162, 1201, 1210, 1158, 1171, 1188};
    const int tab = window_.Current_Tab();
    if (tab >= 0 && tab <= 5) window_.Set_Tab_Help_Topic(kTopics[tab]);
    struct Hidden {
      int tab;
      const char* control;
      int index;
    };
    static const Hidden kHidden[] = {
        {2, "ComboPrinter", 2}, {2, "LabelEngine", 1}, {2, "lvwEngineFirmware", -1},
        {2, "lvwEngineMemory", -1}, {3, "ComboPrinter", 3}, {3, "LabelAlert", 1},
        {3, "Label13", -1}, {3, "lvwEngineAlert", -1}, {3, "Picture1", -1},
        {4, "ComboPrinter", 4}, {4, "LabelInput", 1}, {4, "lvwInputTray", -1},
        {4, "Picture2", -1}, {5, "ComboPrinter", 5}, {5, "LabelOutput", 1},
        {5, "lvwOutputTray", -1}, {5, "Picture3", -1}};
    for (const Hidden& h : kHidden)
      if (h.tab == previousTab) window_.Set_Visible(h.control, h.index, false);
    Last_Clicked_Row = 1;
    Guarded([&] { Refresh_The_View_Trapped(); });
  });
}

void Tqz_Main::SSTab1_GotFocus() {
  Trapped({5, 9, 400, 35600}, [&] {
    const int tab = window_.Current_Tab();
    const bool tandem =
        Discovered_Count > 0 &&
        Is_Tandem(Selected_List_Kind, Selected_Device);
    if (tab == 2) {
      window_.Set_Visible("lvwEngineFirmware", -1, true);
      window_.Set_Visible("lvwEngineMemory", -1, true);
    }
    window_.Set_Visible("LabelEngine", 1, tab == 2 && tandem);
    window_.Set_Visible("ComboPrinter", 2, tab == 2 && tandem);
    struct Shown {
      int tab;
      std::initializer_list<const char*> always;
      const char* label;
    };
    static const Shown kShown[] = {
        {3, {"Label13", "lvwEngineAlert", "Picture1"}, "LabelAlert"},
        {4, {"lvwInputTray", "Picture2"}, "LabelInput"},
        {5, {"lvwOutputTray", "Picture3"}, "LabelOutput"}};
    for (const Shown& s : kShown) {
      if (s.tab != tab) continue;
      for (const char* control : s.always) window_.Set_Visible(control, -1, true);
      // The engine box is a tandem's only: a single-engine printer never
      // shows it, whatever the tab showed before.
      window_.Set_Visible("ComboPrinter", tab, tandem);
      window_.Set_Visible(s.label, 1, tandem);
    }
    window_.Set_Hourglass(false);
    const std::string& code = Message_Code;
    if (code != "13" && code != "11" && code != "14-1") window_.lvwIPs_Set_Focus();
  });
}

}  // namespace vlm::monitor
