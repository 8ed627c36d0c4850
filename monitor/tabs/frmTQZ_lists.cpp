// The five tab lists: input trays, output bins, firmware, memory and
// alerts. Each fill has the device data module read its record, empties the
// list and adds one row per entry, at most the record's capacity.
#include <algorithm>

#include "monitor/tabs/frmTQZ_tabs_internal.h"

namespace vlm::monitor {

using tabs::kUsualQuiet;
using tabs::Trapped;

namespace {

std::string Number_Text(long long n) { return std::to_string(n); }

// A count the record holds, as the fill takes it: 0 .. capacity.
int Entry_Count(long long count, int capacity) {
  return static_cast<int>(std::clamp<long long>(count, 0, capacity));
}

void Clear_Refresh_Request() {
  if (View_Refresh_Requested == "Yes") View_Refresh_Requested = "No";
}

void Add_Sub_Items(Tab_List list, int row,
                   std::initializer_list<std::pair<std::string, std::string>> items) {
  for (const auto& [key, text] : items) tabs::Window().List_Add_SubItem(list, row, key, text);
}

// One row added at the end of the list, its number returned.
int Append_Row(Tab_List list, const std::string& text) {
  Tabs_Port& window = tabs::Window();
  const int row = window.List_Count(list) + 1;
  window.List_Add(list, row, text);
  return row;
}

void Add_Input_Tray_Item(VbInteger i, const Input_Tray_Entry& entry) {
  Trapped(kUsualQuiet, [&] {
    const std::string name = Input_Tray_Name(i);
    tabs::Window().List_Add(Tab_List::lvwInputTray, i, name);
    // Decode_Paper_Size appends the suffix.
    Paper_Size_Suffix.assign(tabs::Field_Long(entry.Wide_Size) == 1 ? 1 : 0, 'W');
    Add_Sub_Items(Tab_List::lvwInputTray, i,
                  {{"TraySize", Decode_Paper_Size(tabs::Field_Long(entry.Paper_Size))},
                   {"MediaType", Decode_Media_Type(tabs::Field_Long(entry.Media_Type))},
                   {"PaperStatus", Decode_Tray_Status(tabs::Field_Long(entry.Tray_Status))},
                   {"FeedOriented", Decode_Feed_Direction(tabs::Field_Long(entry.Feed_Direction))},
                   {"TrayType", Decode_Input_Type(tabs::Field_Long(entry.Tray_Type))}});
  });
}

// A bin without a type text is left out; the rows of the bins after it are
// appended and keep the names of their bin numbers.
void Add_Output_Tray_Item(VbInteger i, const Output_Tray_Entry& entry) {
  Trapped(kUsualQuiet, [&] {
    const std::string name = Output_Bin_Name(i);
    const std::string type = Field_Text(entry.Bin_Type_Text);
    if (type.empty()) return;
    const int row = Append_Row(Tab_List::lvwOutputTray, name);
    const std::string key = Localised == "On" ? Trim_At_Null(Load_Res_String(381)) : "Tray Type'";
    tabs::Window().List_Add_SubItem(Tab_List::lvwOutputTray, row, key, type);
  });
}

void Add_Firmware_Item(const Value_Triple& entry) {
  Trapped(kUsualQuiet, [&] {
    const int row = Append_Row(Tab_List::lvwEngineFirmware, Field_Text(entry.First));
    Add_Sub_Items(Tab_List::lvwEngineFirmware, row,
                  {{"Name", Field_Text(entry.Second)}, {"Version", Field_Text(entry.Third)}});
  });
}

void Add_Memory_Item(const Value_Triple& entry) {
  Trapped(kUsualQuiet, [&] {
    const int row = Append_Row(Tab_List::lvwEngineMemory, Field_Text(entry.First));
    Add_Sub_Items(Tab_List::lvwEngineMemory, row,
                  {{"Memory Installed", Field_Text(entry.Second)},
                   {"Memory Available", Field_Text(entry.Third)}});
  });
}

void Add_Alert_Item(VbInteger i, const Alert_Entry& entry) {
  Trapped(kUsualQuiet, [&] {
    const int row = Append_Row(Tab_List::lvwEngineAlert, Number_Text(i));
    Add_Sub_Items(Tab_List::lvwEngineAlert, row,
                  {{"Severity", Field_Text(entry.Severity)},
                   {"Description", Field_Text(entry.Description)},
                   {"Code", Field_Text(entry.Code)},
                   {"Person to Contact", Field_Text(entry.Party)},
                   {"Time", Field_Text(entry.Time)}});
  });
}

}  // namespace

std::string Input_Tray_Name(VbInteger row) {
  static constexpr std::pair<const char*, VbLong> kNames[] = {
      {"Manual Feed", 250}, {"Universal Tray", 388}, {"Tray 2", 376},
      {"Tray 3", 377},      {"Tray 4", 378},         {"Large Tray", 243}};
  if (row >= 1 && row <= 6) {
    const auto& [english, id] = kNames[row - 1];
    return retrieval::Localised_Text(english, id);
  }
  return retrieval::Localised_Text("Tray ", 375) + Number_Text(row);
}

std::string Output_Bin_Name(VbInteger row) {
  if (row >= 1 && row <= 4) {
    return retrieval::Localised_Text(("Output Tray " + Number_Text(row)).c_str(), 283 + row);
  }
  if (Localised == "On") return Trim_At_Null(Load_Res_String(283)) + " " + Number_Text(row);
  return "Output Tray " + Number_Text(row);
}

void Fill_Input_Trays(IVectorItem* item) {
  Trapped(kUsualQuiet, [&] {
    if (View_Refresh_Requested == "Yes" || Polling_Tick_Active == "Yes") View_Refresh_Requested = "No";
    Get_Input_Trays(item);
    const Input_Tray_Record& record = Input_Tray_Table(Selected_List_Kind, Selected_Device, Selected_Engine);
    tabs::Begin_Drawing("lvwInputTray");
    tabs::Window().List_Clear(Tab_List::lvwInputTray);
    const int count = Entry_Count(record.Tray_Count, kMaxInputTrays);
    for (VbInteger i = 1; i <= count; ++i) Add_Input_Tray_Item(i, record.Trays(i));
    tabs::Drawn_For_Selected("lvwInputTray");
  });
}

void Fill_Output_Trays(IVectorItem* item) {
  Trapped(kUsualQuiet, [&] {
    Clear_Refresh_Request();
    Get_Output_Trays(item);
    const Output_Tray_Record& record = Output_Tray_Table(Selected_List_Kind, Selected_Device, Selected_Engine);
    tabs::Begin_Drawing("lvwOutputTray");
    tabs::Window().List_Clear(Tab_List::lvwOutputTray);
    const int count = Entry_Count(record.Bin_Count, kMaxOutputBins);
    for (VbInteger i = 1; i <= count; ++i) Add_Output_Tray_Item(i, record.Bins(i));
    tabs::Drawn_For_Selected("lvwOutputTray");
  });
}

void Fill_Firmware(IVectorItem* item) {
  Trapped(kUsualQuiet, [&] {
    Get_Firmware_Table(item);
    const Firmware_Record& record = Firmware_Table(Selected_List_Kind, Selected_Device, Selected_Engine);
    tabs::Begin_Drawing("lvwEngineFirmware");
    tabs::Window().List_Clear(Tab_List::lvwEngineFirmware);
    const int count = Entry_Count(record.Firmware_Count, kMaxFirmwareRows);
    for (int i = 1; i <= count; ++i) Add_Firmware_Item(record.Firmware(i));
    tabs::Drawn_For_Selected("lvwEngineFirmware");
  });
}

void Fill_Memory(IVectorItem* item) {
  Trapped(kUsualQuiet, [&] {
    Get_Memory_Table(item);
    const Memory_Record& record = Memory_Table(Selected_List_Kind, Selected_Device, Selected_Engine);
    tabs::Begin_Drawing("lvwEngineMemory");
    tabs::Window().List_Clear(Tab_List::lvwEngineMemory);
    const int count = Entry_Count(tabs::Field_Long(record.Memory_Count), kMaxMemoryRows);
    for (int i = 1; i <= count; ++i) Add_Memory_Item(record.Memory(i));
    tabs::Drawn_For_Selected("lvwEngineMemory");
  });
}

void Fill_Alerts(IVectorItem* item) {
  Trapped(kUsualQuiet, [&] {
    Clear_Refresh_Request();
    Get_Alerts(item);
    // A printer that does not answer keeps its last alerts on show (the
    // rows listed for another printer are replaced by its own record).
    if (Keep_Silent_View({"lvwEngineAlert"})) {
      if (Main_Window != nullptr) Main_Window->Set_Mouse_Pointer(0);
      return;
    }
    const Alert_Record& record = Alert_Table(Selected_List_Kind, Selected_Device, Selected_Engine);
    tabs::Begin_Drawing("lvwEngineAlert");
    tabs::Window().List_Clear(Tab_List::lvwEngineAlert);
    const int count = Entry_Count(tabs::Field_Long(record.Count), kMaxAlerts);
    for (VbInteger i = 1; i <= count; ++i) Add_Alert_Item(i, record.Alerts(i));
    tabs::Drawn_For_Selected("lvwEngineAlert");
  });
}

}  // namespace vlm::monitor
