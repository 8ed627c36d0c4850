// Internal to vlm_devicedata: what the identity, counter and option readers
// share: the main window's captions drawn for the printer read, the option
// word with its flags and the device-type text built from them, and the
// printer-language captions.
#pragma once

#include <string>
#include <string_view>

#include "monitor/devicedata/devicedata.h"
#include "monitor/devicedata/retrieval.h"

namespace vlm::monitor::functions {

// Device_List_Fields field 6 holds 1: the device is a tandem pair.
bool Is_Tandem(VbInteger listKind, VbInteger device);

// Spaces off both ends, as the windows trim texts.
std::string Trim_Spaces(const std::string& text);

// The caption of a control that is no array, drawn for `printer`.
inline void Show(const Printer_Key& printer, std::string_view control, const std::string& caption) {
  retrieval::Draw(printer, control, retrieval::kNoIndex, caption);
}
// The caption of a control that is no array that this read does not give
// (retrieval::Draw_Kept): kept when drawn for `printer`, else `kept`.
inline void Keep(const Printer_Key& printer, std::string_view control, const std::string& kept) {
  retrieval::Draw_Kept(printer, control, retrieval::kNoIndex, kept);
}

// The caption of a control that is no array emptied, and drawn for no
// printer.
inline void Blank(std::string_view control) {
  retrieval::Set_Caption(control, retrieval::kNoIndex, "");
  Forget_Drawn(control);
}

// Flags 13 (fax), 14 (scanner) and 31 (copier) of the option word; the
// other flags keep their values.
void Set_Function_Flags(VbLong word);
// Every flag of the option word: k = 0..30 the masked bit, 31 the sign.
void Set_All_Option_Flags(VbLong word);

// A read gave scalar 206 of `engine` of the printer read: Engine_Options
// holds the word for that printer (the caller sets the flags it sets).
void Take_Option_Word(VbInteger engine, VbLong word);
// A read of `engine` that gives no option word (it failed, or the answer
// lacks 206). When Engine_Options(engine) still holds the word the printer
// read gave last, the flags are set from it by `set_flags`, as the read
// would have set them, and the result is true. Otherwise the word and all
// 32 flags are 0 (nothing of another printer) and the result is false.
bool Kept_Option_Word(VbInteger engine, void (*set_flags)(VbLong));

// The device-type text in Label12 and lblIPType, drawn for `device`: the
// base text "Printer", then "/Scanner", "/Copier" and "/Fax" (in that
// order) for the functions the flags show; each the English literal unless
// Localised is "On".
void Show_Device_Type(const Printer_Key& device);
// The device-type text after a read that gave no option word: kept when
// both captions show this device's, else drawn from the flags when the
// word is known (Kept_Option_Word), else empty.
void Keep_Device_Type(const Printer_Key& device, bool word_known);

// The printer-language text of scalar 209: Show_Printer_Languages writes
// lblIPPDL and lblIPLanguages, both drawn for `device`. Returns the text.
std::string Show_Languages(const Printer_Key& device, VbLong code);
// The two language captions after a read that gave no 209: kept when shown
// for `device`, else its kept text (Controller_Fields field 19).
void Keep_Languages(const Printer_Key& device);

}  // namespace vlm::monitor::functions
