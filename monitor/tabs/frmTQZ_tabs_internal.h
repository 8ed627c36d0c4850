// What the tab procedures share among their files: the quiet sets, the
// window's port, and the cells of the selected printer in the device data
// module's tables.
#pragma once

#include <array>
#include <string>

#include "monitor/devicedata/devicedata.h"
#include "monitor/devicedata/retrieval.h"
#include "monitor/tabs/frmTQZ_tabs.h"

namespace vlm::monitor::tabs {

using retrieval::Trap_Error;
using retrieval::Trapped;

// 35601 element not found, 400 already shown, 91 object not set, 5 invalid
// call: what most procedures of the window pass over without a message.
inline constexpr std::array<VbLong, 4> kUsualQuiet = kUsualQuietSet;
// The option reads also pass over 401 (modal form conflict).
inline constexpr std::array<VbLong, 5> kOptionQuiet{35601, 401, 400, 91, 5};

// The window's port; a missing one is VB error 91 (object not set).
Tabs_Port& Window();
Main_Window_Port& Labels();

// Cells of the selected device (Selected_List_Kind, Selected_Device) and of
// one of its engines, as texts.
std::string Device_Field(int field);
std::string Controller_Field(int field);
std::string Engine_Field(VbInteger engine, int field);
std::string Finisher_Field(VbInteger engine, int field);

// A cell as a VB Long: Empty 0, a Boolean -1 or 0, a text by its number
// (VB error 13 for a text that is no number).
VbLong Field_Long(const Field& field);

// The selected printer: the selected device with Selected_Engine.
Printer_Key Selected_Printer();
// A list or picture box about to be drawn: it shows no printer's values
// until Drawn_For_Selected marks it, so one whose drawing fails half-way is
// drawn again.
void Begin_Drawing(std::string_view control);
void Drawn_For_Selected(std::string_view control);

// The caption of a control that is no array, and of an array element.
void Caption(std::string_view control, const std::string& text);
void Caption(std::string_view control, VbInteger index, const std::string& text);

}  // namespace vlm::monitor::tabs
