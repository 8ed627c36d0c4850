// The main window's load: its steps after the start-up checks.
#include "monitor/mainwin/mainwin.h"

#include "monitor/devicedata/devicedata.h"

namespace vlm::monitor {

void Tqz_Main::Load_After_Checks() {
  Busy_Scope busy(*this);
  Trapped({5, 400, 35601, 91}, [&] {
    Selected_Item_Index = 1;
    window_.Get_Preferences_Values();
    window_.Set_Hourglass(true);
    readers_.Get_OS_Version();
    Selected_Row = 0;
    Discovered_Count = 0;
    Selected_List_Kind = 0;
    Current_Tab = 0;
    Selected_Device = 0;
    Selected_Engine = 0;
    Remembered_Printer_Text = "NULL";
    Remembered_Spooler_Name = "NULL";
    Installed_Vector_Item = Create_Vector_Item();
    Other_Vector_Item = Create_Vector_Item();
    if (Message_Code == "16-1") {
      Message_Code = "";
      return;
    }
    window_.Show_Window();
    window_.Hide_Jobs_Tab();
    window_.Repaint_Window();
    Discovery_Retries = 0;

    Flag("Discovery_Running") = "Yes";
    window_.Create_Check_Discovery();
    window_.Set_Hourglass(true);
    Discovery_Trapped();
    if (ending_) return;
    Flag("Discovery_Running") = "No";
    window_.Create_Check_Discovery();
    window_.Set_Hourglass(true);

    if (Installed_Printer_Count > 0 || Other_Device_Count > 0) {
      const VbInteger kind = Installed_Printer_Count > 0 ? 0 : 1;
      Selected_Row = 1;
      Selected_List_Kind = kind;
      IVectorItem* item = Object_Of(kind);
      readers_.Get_Summary_Info(item, 0);
      readers_.Get_Finisher_Model(item);
      readers_.UpdateIPController(item);
      readers_.Get_Printer_Identity(item, 0);
      window_.Set_Hourglass(kind != 0);
    }
    window_.Repaint_Window();
    window_.Set_Hourglass(false);

    if (Flag("Polling_Enabled") == "Yes") {
      window_.Set_Timer_Interval(1, window_.Polling_Interval_Milliseconds());
      window_.Set_Timer_Enabled(1, true);
    } else {
      window_.Set_Timer_Enabled(1, false);
    }
    Status_Idle();
    window_.Set_Hourglass(false);
  });
}

}  // namespace vlm::monitor
