// The option word and its flags, the device-type text and the language
// captions.
#include "monitor/devicedata/functions.h"

#include <string>

namespace vlm::monitor::functions {
namespace {

constexpr VbLong kFaxMask = 0x2000;
constexpr VbLong kScannerMask = 0x4000;

// The printer whose word Engine_Options(engine) holds; the table's own
// subscript check (error 9) guards the engine number.
Printer_Key& Option_Word_Printer(VbInteger engine) {
  static_cast<void>(Engine_Options(engine));
  return Engine_Options_Printer[static_cast<std::size_t>(engine)];
}

}  // namespace

bool Is_Tandem(VbInteger listKind, VbInteger device) {
  const VbLong* flag = std::get_if<VbLong>(&Device_List_Fields(listKind, device, 6));
  return flag != nullptr && *flag == 1;
}

std::string Trim_Spaces(const std::string& text) {
  const std::size_t first = text.find_first_not_of(' ');
  if (first == std::string::npos) return {};
  return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

void Set_Function_Flags(VbLong word) {
  Option_Flags[13] = word & kFaxMask;
  Option_Flags[14] = word & kScannerMask;
  Option_Flags[31] = word < 0 ? 1 : 0;
}

void Set_All_Option_Flags(VbLong word) {
  for (int k = 0; k < 31; ++k) Option_Flags[static_cast<std::size_t>(k)] = word & (VbLong{1} << k);
  Option_Flags[31] = word < 0 ? 1 : 0;
}

void Take_Option_Word(VbInteger engine, VbLong word) {
  Printer_Key& owner = Option_Word_Printer(engine);
  Engine_Options(engine) = word;
  owner = Printer_Read(engine);
}

bool Kept_Option_Word(VbInteger engine, void (*set_flags)(VbLong)) {
  Printer_Key& owner = Option_Word_Printer(engine);
  if (owner == Printer_Read(engine)) {
    set_flags(Engine_Options(engine));
    return true;
  }
  Engine_Options(engine) = 0;
  owner = Printer_Key{};
  Set_All_Option_Flags(0);
  return false;
}

void Show_Device_Type(const Printer_Key& device) {
  const std::string base = Trim_Spaces(retrieval::Localised_Text("Printer", 312));
  Show(device, "Label12", base);
  Show(device, "lblIPType", base);
  const struct {
    bool present;
    const char* english;
    VbLong resource;
  } suffixes[] = {
      {Scanner_Flag == kScannerMask, "/Scanner", 448},
      {Copier_Flag == 1, "/Copier", 449},
      {Fax_Flag == kFaxMask, "/Fax", 450},
  };
  // Each word is appended to the caption as the window reads it back.
  for (const auto& s : suffixes) {
    if (!s.present) continue;
    const std::string suffix = Trim_Spaces(retrieval::Localised_Text(s.english, s.resource));
    Show(device, "Label12", retrieval::Caption("Label12", retrieval::kNoIndex) + suffix);
    Show(device, "lblIPType", retrieval::Caption("lblIPType", retrieval::kNoIndex) + suffix);
  }
}

void Keep_Device_Type(const Printer_Key& device, bool word_known) {
  if (Drawn_For(device, "Label12") && Drawn_For(device, "lblIPType")) return;
  if (word_known) {
    Show_Device_Type(device);
  } else {
    Show(device, "Label12", "");
    Show(device, "lblIPType", "");
  }
}

std::string Show_Languages(const Printer_Key& device, VbLong code) {
  const std::string text = Show_Printer_Languages(code);
  Mark_Drawn(device, "lblIPPDL");
  Mark_Drawn(device, "lblIPLanguages");
  return text;
}

void Keep_Languages(const Printer_Key& device) {
  const std::string kept = Field_Text(Controller_Fields(device.Kind, device.Device, 19));
  Keep(device, "lblIPPDL", kept);
  Keep(device, "lblIPLanguages", kept);
}

}  // namespace vlm::monitor::functions
