// Internal to vlm_devicedata: what the identity, counter and option readers
// share: the main window's captions, the function flags of the option word
// and the device-type text built from them.
#pragma once

#include <initializer_list>
#include <string>
#include <string_view>

#include "monitor/devicedata/devicedata.h"
#include "monitor/devicedata/retrieval.h"

namespace vlm::monitor::functions {

// Device_List_Fields field 6 holds 1: the device is a tandem pair.
bool Is_Tandem(VbInteger listKind, VbInteger device);

// Spaces off both ends, as the windows trim texts.
std::string Trim_Spaces(const std::string& text);

// The caption of a control that is no array (nothing without a window).
inline void Show(std::string_view control, const std::string& caption) {
  retrieval::Set_Caption(control, retrieval::kNoIndex, caption);
}

// Empties the captions of controls that are no array. A reader whose read
// failed empties the captions it would have written: they show the printer
// read last, never the one before it.
inline void Clear(std::initializer_list<std::string_view> controls) {
  for (std::string_view control : controls) Show(control, "");
}

// Flags 13 (fax), 14 (scanner) and 31 (copier) of the option word; the
// other flags keep their values.
void Set_Function_Flags(VbLong word);
// Every flag of the option word: k = 0..30 the masked bit, 31 the sign.
void Set_All_Option_Flags(VbLong word);

// The device-type text in Label12 and lblIPType: the base text "Printer",
// then "/Scanner", "/Copier" and "/Fax" (in that order) for the functions
// the flags show; each the English literal unless Localised is "On".
void Show_Device_Type();

// A failed read of the option word (206) of an engine: that engine's word
// and the function flags are 0 and the device-type text is empty.
void Forget_Function_Flags(VbInteger engine);
// A failed read of the printer languages (209): the two captions that
// Show_Printer_Languages writes are empty.
void Clear_Printer_Languages();

}  // namespace vlm::monitor::functions
