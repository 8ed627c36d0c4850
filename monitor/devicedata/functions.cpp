// The function flags of the option word and the device-type text.
#include "monitor/devicedata/functions.h"

#include <string>

namespace vlm::monitor::functions {
namespace {

constexpr VbLong kFaxMask = 0x2000;
constexpr VbLong kScannerMask = 0x4000;

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

void Show_Device_Type() {
  const std::string base = Trim_Spaces(retrieval::Localised_Text("Printer", 312));
  Show("Label12", base);
  Show("lblIPType", base);
  const struct {
    bool present;
    const char* english;
    VbLong resource;
  } suffixes[] = {
      {Scanner_Flag == kScannerMask, "/Scanner", 448},
      {Copier_Flag == 1, "/Copier", 449},
      {Fax_Flag == kFaxMask, "/Fax", 450},
  };
  for (const auto& s : suffixes) {
    if (!s.present) continue;
    const std::string suffix = Trim_Spaces(retrieval::Localised_Text(s.english, s.resource));
    Show("Label12", retrieval::Caption("Label12", retrieval::kNoIndex) + suffix);
    Show("lblIPType", retrieval::Caption("lblIPType", retrieval::kNoIndex) + suffix);
  }
}

void Forget_Function_Flags(VbInteger engine) {
  Engine_Options(engine) = 0;
  Set_Function_Flags(0);
  Clear({"Label12", "lblIPType"});
}

void Clear_Printer_Languages() { Clear({"lblIPPDL", "lblIPLanguages"}); }

}  // namespace vlm::monitor::functions
