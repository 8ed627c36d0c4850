// The ports and table cells the tab procedures share.
#include <charconv>

#include "monitor/tabs/frmTQZ_tabs_internal.h"

namespace vlm::monitor::tabs {

Tabs_Port& Window() {
  if (Tabs_Window == nullptr) Raise_Vb_Error(VBERR_OBJECT_NOT_SET);
  return *Tabs_Window;
}

Main_Window_Port& Labels() {
  if (Main_Window == nullptr) Raise_Vb_Error(VBERR_OBJECT_NOT_SET);
  return *Main_Window;
}

std::string Device_Field(int field) {
  return Field_Text(Device_List_Fields(Selected_List_Kind, Selected_Device, field));
}
std::string Controller_Field(int field) {
  return Field_Text(Controller_Fields(Selected_List_Kind, Selected_Device, field));
}
std::string Engine_Field(VbInteger engine, int field) {
  return Field_Text(Engine_Fields(Selected_List_Kind, Selected_Device, engine, field));
}
std::string Finisher_Field(VbInteger engine, int field) {
  return Field_Text(Finisher_Fields(Selected_List_Kind, Selected_Device, engine, field));
}

VbLong Field_Long(const Field& field) {
  if (const auto* n = std::get_if<VbLong>(&field)) return *n;
  if (const auto* b = std::get_if<bool>(&field)) return *b ? -1 : 0;
  if (const auto* text = std::get_if<std::string>(&field)) {
    std::string_view t(*text);
    while (!t.empty() && t.front() == ' ') t.remove_prefix(1);
    while (!t.empty() && t.back() == ' ') t.remove_suffix(1);
    if (!t.empty() && t.front() == '+') t.remove_prefix(1);
    VbLong value = 0;
    const auto [end, error] = std::from_chars(t.data(), t.data() + t.size(), value);
    if (t.empty() || error != std::errc() || end != t.data() + t.size())
      Raise_Vb_Error(VBERR_TYPE_MISMATCH);
    return value;
  }
  return 0;
}

Printer_Key Selected_Printer() { return Printer_Read(Selected_Engine); }

void Begin_Drawing(std::string_view control) { Forget_Drawn(control); }

void Drawn_For_Selected(std::string_view control) { Mark_Drawn(Selected_Printer(), control); }

void Caption(std::string_view control, const std::string& text) {
  Labels().Set_Caption(control, Main_Window_Port::kNoIndex, text);
}
void Caption(std::string_view control, VbInteger index, const std::string& text) {
  Labels().Set_Caption(control, index, text);
}

}  // namespace vlm::monitor::tabs

namespace vlm::monitor {

bool Keep_Silent_View(std::initializer_list<std::string_view> controls) {
  if (Comm_Error_On != "On") return false;
  const Printer_Key printer = tabs::Selected_Printer();
  for (std::string_view control : controls)
    if (!Drawn_For(printer, control)) return false;
  return true;
}

}  // namespace vlm::monitor
