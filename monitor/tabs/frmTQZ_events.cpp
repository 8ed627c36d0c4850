// What the tab lists do when the user works with them: header clicks set
// the list's help topic, clicks into the alert, firmware and memory lists
// hand the focus and the selection back to the printer list, and clicks on
// a tray or bin redraw the machine picture with it marked.
#include <algorithm>

#include "monitor/tabs/frmTQZ_tabs_internal.h"

namespace vlm::monitor {

using tabs::kUsualQuiet;
using tabs::Trapped;

namespace {

struct Topic {
  const char* header;
  VbLong topic;
};
constexpr Topic kAlertTopics[] = {{"Alert #", 1154}, {"Severity", 1155}, {"Description", 1156},
                                  {"Code", 1159},    {"Person to Contact", 1160}, {"Time", 1161}};
constexpr Topic kInputTopics[] = {{"Tray Index", 1175},   {"Paper Size", 1176},
                                  {"Media Type", 1177},   {"Paper Status", 1178},
                                  {"Feed Direction", 1179}, {"Tray Type", 1180}};
constexpr Topic kOutputTopics[] = {{"Tray Name", 3000}, {"Tray Type", 3001}};

std::string_view Trim_Spaces(std::string_view text) {
  const auto first = text.find_first_not_of(' ');
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

void Set_Topic(Tab_List list, std::string_view header) {
  const VbLong topic = Column_Help_Topic(list, header);
  if (topic != 0) tabs::Window().List_Set_Help_Topic(list, topic);
}

// The printer list gets the focus and its selected printer back. A row
// beyond the list (or none chosen yet) selects nothing.
void Hand_Back_Selection(bool focus_twice) {
  Trapped(kUsualQuiet, [&] {
    Tabs_Port& window = tabs::Window();
    window.Printer_List_Set_Focus();
    const int row = window.Selected_Item_Index();
    if (row >= 1 && row <= window.Printer_List_Count()) window.Printer_List_Select(row);
    if (focus_twice) window.Printer_List_Set_Focus();
    if (Column_Click_Pending == "On") Column_Click_Pending.clear();
  });
}

}  // namespace

VbLong Column_Help_Topic(Tab_List list, std::string_view header) {
  std::span<const Topic> topics;
  switch (list) {
    case Tab_List::lvwEngineAlert: topics = kAlertTopics; break;
    case Tab_List::lvwInputTray: topics = kInputTopics; break;
    case Tab_List::lvwOutputTray: topics = kOutputTopics; break;
    default: return 0;
  }
  const std::string_view trimmed = Trim_Spaces(header);
  for (const Topic& t : topics) {
    if (trimmed == t.header) return t.topic;
  }
  return 0;
}

void lvwEngineAlert_ColumnClick(std::string_view header) {
  Column_Click_Pending = "On";
  Set_Topic(Tab_List::lvwEngineAlert, header);
}
void lvwEngineFirmware_ColumnClick() { Column_Click_Pending = "On"; }
void lvwEngineMemory_ColumnClick() { Column_Click_Pending = "On"; }
void lvwInputTray_ColumnClick(std::string_view header) { Set_Topic(Tab_List::lvwInputTray, header); }
void lvwOutputTray_ColumnClick(std::string_view header) {
  Set_Topic(Tab_List::lvwOutputTray, header);
  tabs::Window().Timer5_Enable();
}

void lvwEngineAlert_Click() { Hand_Back_Selection(true); }
void lvwEngineFirmware_Click() { Hand_Back_Selection(false); }
void lvwEngineMemory_Click() { Hand_Back_Selection(false); }

void lvwEngineAlert_GotFocus() {
  if (Column_Click_Pending == "On") lvwEngineAlert_Click();
}
void lvwEngineFirmware_GotFocus() {
  if (Column_Click_Pending == "On") lvwEngineFirmware_Click();
}
void lvwEngineMemory_GotFocus() {
  if (Column_Click_Pending == "On") lvwEngineMemory_Click();
}

// Row Last_Clicked_Row of the alert list is selected again; a row beyond
// the list (an empty list included) selects nothing.
void lvwEngineAlert_MouseDown() {
  Trapped(kUsualQuiet, [&] {
    Tabs_Port& window = tabs::Window();
    if (Last_Clicked_Row > 0 && Last_Clicked_Row <= window.List_Count(Tab_List::lvwEngineAlert))
      window.List_Reselect(Tab_List::lvwEngineAlert, Last_Clicked_Row);
  });
}

void lvwInputTray_ItemClick(int row) {
  Trapped(kUsualQuiet, [&] {
    IVectorItem* item = tabs::Window().List_Object(Selected_List_Kind);
    Selected_Tray = row;
    Draw_Input_Picture(item);
    Last_Clicked_Row = static_cast<VbInteger>(row);
  });
}

void lvwOutputTray_ItemClick(int row) {
  Trapped(kUsualQuiet, [&] {
    IVectorItem* item = tabs::Window().List_Object(Selected_List_Kind);
    Selected_Bin = row;
    Draw_Output_Picture(item);
    Last_Clicked_Row = static_cast<VbInteger>(row);
  });
}

}  // namespace vlm::monitor
