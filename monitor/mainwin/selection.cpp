// The printer selection: the printer list's item click, the engine boxes
// and Picture1.
#include "monitor/mainwin/mainwin.h"

#include "monitor/devicedata/devicedata.h"
#include "monitor/mainwin/mainwin_internal.h"
#include "monitor/tabs/frmTQZ_tabs.h"

namespace vlm::monitor {

void Tqz_Main::lvwIPs_ItemClick(int index) {
  Trapped({5, 91, 400, 401, 35601}, [&] {
    Comm_Error_On = "Off";
    Status_Idle();
    window_.Set_Hourglass(true);
    if (index < 1 || index > Discovered_Count) {
      window_.Set_Hourglass(false);
      return;
    }
    Selected_Row = static_cast<VbInteger>(index);
    Selected_Item_Index = index;
    Select_Row_Of_Item(index);
    Turn_To_Selected_Printer();
    Current_Tab = static_cast<VbInteger>(window_.Current_Tab());
    if (Marked_Item_Index > 0) window_.lvwIPs_Set_Marked(Marked_Item_Index, false);
    Marked_Item_Index = static_cast<VbInteger>(index);
    window_.lvwIPs_Set_Marked(index, true);

    const VbInteger kind = Selected_List_Kind;
    const bool tandem = Is_Tandem(kind, Selected_Device);
    // The engine box's Click raised here reads the printer as a part of
    // this selection.
    Printer_Reads read(Object_Of(kind));
    if (!tandem || window_.ComboPrinter_ListIndex(Current_Tab) == -1) {
      window_.Set_ComboPrinter_ListIndex(Current_Tab, 0);
      Selected_Engine = 0;
    }
    window_.Build_Form_Caption();
    read([&](IVectorItem* item) { readers_.Get_Printer_Identity(item, 0); });
    read([&](IVectorItem* item) { readers_.Get_MIB_Version(item); });

    auto engineBox = [&](const char* label) {
      window_.Set_Visible(label, 1, tandem);
      window_.Set_Visible("ComboPrinter", Current_Tab, tandem);
    };
    switch (Current_Tab) {
      case 0:
        window_.Set_Hourglass(true);
        read([&](IVectorItem* item) { readers_.Get_Summary_Info(item, 0); });
        break;
      case 1:
        read([&](IVectorItem* item) { readers_.Get_Device_Functions(item, 0); });
        read([&](IVectorItem* item) { readers_.UpdateIPController(item); });
        read([&](IVectorItem* item) { readers_.Get_Device_Status(item); });
        break;
      case 2:
        engineBox("LabelEngine");
        read([&](IVectorItem* item) { readers_.Get_Engine_Counters(item, Selected_Engine); });
        if (!Keep_Silent_View({"lvwEngineMemory", "lvwEngineFirmware"})) {
          read([&](IVectorItem* item) { readers_.Fill_Memory(item); });
          read([&](IVectorItem* item) { readers_.Fill_Firmware(item); });
        }
        break;
      case 3:
        engineBox("LabelAlert");
        Choose_Tab_Engine();
        read([&](IVectorItem* item) { readers_.Get_Summary_Info(item, Selected_Engine); });
        read([&](IVectorItem* item) { readers_.Get_Finisher_Model(item); });
        read([&](IVectorItem* item) { readers_.UpdateAlertError(item); });
        break;
      case 4:
        engineBox("LabelInput");
        Selected_Tray = 0;
        Selected_Bin = 0;
        Choose_Tab_Engine();
        if (Localised == "On") {
          window_.Set_Caption("LabelInput", 0, Text("", 151));
          window_.Set_Caption("LabelInput", 2, Text("", 442));
          window_.Set_Caption("Label17", -1, Text("", 443));
          window_.Set_Caption("Label18", -1, Text("", 414));
        }
        read([&](IVectorItem* item) { readers_.Get_Finisher_Model(item); });
        read([&](IVectorItem* item) { readers_.UpdatePaperInput(item); });
        read([&](IVectorItem* item) { readers_.Draw_Input_Picture(item); });
        read([&](IVectorItem* item) { readers_.Get_Engine_Model(item, Selected_Engine); });
        break;
      case 5:
        engineBox("LabelOutput");
        Selected_Tray = 0;
        Selected_Bin = 0;
        read([&](IVectorItem* item) { readers_.UpdatePrinter(item); });
        if (!Keep_Silent_View({"lvwOutputTray", "Picture3"})) {
          read([&](IVectorItem* item) { readers_.UpdateQuickView(item); });
          read([&](IVectorItem* item) { readers_.UpdatePaperOutput(item); });
          read([&](IVectorItem* item) { readers_.Fill_Output_Trays(item); });
          read([&](IVectorItem* item) { readers_.Draw_Output_Picture(item); });
        }
        break;
      case 6:
        read([&](IVectorItem* item) { readers_.UpdateQuickView(item); });
        read([&](IVectorItem* item) { readers_.UpdateJobs(item); });
        break;
      default:
        break;
    }
    window_.Set_Hourglass(false);
  });
}

void Tqz_Main::Choose_Tab_Engine() {
  // A printer that is not a tandem pair has engine 0 only, whatever was
  // chosen for another printer.
  const VbInteger engine = Is_Tandem(Selected_List_Kind, Selected_Device) ? Engine_Choice : VbInteger{0};
  window_.Set_ComboPrinter_ListIndex(Current_Tab, engine);
  Selected_Engine = engine;
}

void Tqz_Main::ComboPrinter_Click(int index) {
  Trapped({5, 91, 400, 35601}, [&] {
    Selected_Engine = static_cast<VbInteger>(window_.ComboPrinter_ListIndex(index));
    Engine_Choice = Selected_Engine;
    if (Discovered_Count == 0) return;
    // An engine the printer lacks puts the box back to "Printer 1", whose
    // Click reads engine 0 in its place.
    if (Selected_Engine != 0 && !Is_Tandem(Selected_List_Kind, Selected_Device)) {
      window_.Set_ComboPrinter_ListIndex(index, 0);
      return;
    }
    Printer_Reads read(Object_Of(Selected_List_Kind));
    switch (index) {
      case 2:
        read([&](IVectorItem* item) { readers_.UpdatePrinter(item); });
        break;
      case 3:
        read([&](IVectorItem* item) { readers_.Get_Finisher_Model(item); });
        read([&](IVectorItem* item) { readers_.UpdateAlertError(item); });
        read([&](IVectorItem* item) { readers_.Draw_Status_Picture(item); });
        break;
      case 4:
        window_.Set_Hourglass(true);
        read([&](IVectorItem* item) { readers_.Get_Finisher_Model(item); });
        read([&](IVectorItem* item) { readers_.UpdatePaperInput(item); });
        read([&](IVectorItem* item) { readers_.Draw_Input_Picture(item); });
        read([&](IVectorItem* item) { readers_.Get_Engine_Model(item, Selected_Engine); });
        window_.Set_Hourglass(false);
        break;
      case 5:
        read([&](IVectorItem* item) { readers_.Get_Finisher_Model(item); });
        read([&](IVectorItem* item) { readers_.UpdatePrinter(item); });
        read([&](IVectorItem* item) { readers_.UpdatePaperOutput(item); });
        read([&](IVectorItem* item) { readers_.Draw_Output_Picture(item); });
        break;
      case 6:
        read([&](IVectorItem* item) { readers_.UpdateJobs(item); });
        break;
      default:
        break;
    }
    window_.lvwIPs_Set_Focus();
  });
}

void Tqz_Main::Picture1_Click() {
  Trapped({5, 91, 400, 35601}, [&] {
    window_.lvwIPs_Set_Focus();
    if (Selected_Item_Index >= 1 && Selected_Item_Index <= window_.lvwIPs_Count())
      window_.lvwIPs_Select(Selected_Item_Index);
    if (Column_Click_Pending == "On") Column_Click_Pending.clear();
  });
}

}  // namespace vlm::monitor
