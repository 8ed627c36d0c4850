// Text forms of the per-device records, for the tests: every field in
// order, so that two reads compare as texts.
#pragma once

#include <string>

#include "monitor/devicedata/devicedata.h"

namespace vlm::monitor::test_support {

inline std::string Fields_Text(std::initializer_list<const Field*> fields) {
  std::string s;
  bool first = true;
  for (const Field* f : fields) {
    (first ? s : s += ',') += Field_Text(*f);
    first = false;
  }
  return s;
}
inline std::string Triple_Text(const Value_Triple& t) {
  return Fields_Text({&t.First, &t.Second, &t.Third});
}

inline std::string Dump(const Input_Tray_Record& r) {
  std::string s = std::to_string(r.Valid) + " " + std::to_string(r.Tray_Count);
  for (int n = 1; n <= kMaxInputTrays; ++n) {
    const Input_Tray_Entry& e = r.Trays(n);
    s += " | " + Fields_Text({&e.Tray_Type, &e.Paper_Size, &e.Feed_Direction, &e.Media_Type,
                              &e.Tray_Status, &e.Wide_Size, &e.Unused});
  }
  return s;
}
inline std::string Dump(const Output_Tray_Record& r) {
  std::string s = std::to_string(r.Valid) + " " + std::to_string(r.Bin_Count);
  for (int n = 1; n <= kMaxOutputBins; ++n) {
    const Output_Tray_Entry& e = r.Bins(n);
    s += " | " + Fields_Text({&e.Bin_Type_Text, &e.Bin_Name, &e.Unused_2, &e.Unused_3});
  }
  return s;
}
inline std::string Dump(const Alert_Record& r) {
  std::string s = std::to_string(r.Valid) + " " + Field_Text(r.Count);
  for (int n = 1; n <= kMaxAlerts; ++n) {
    const Alert_Entry& e = r.Alerts(n);
    s += " | " + Fields_Text({&e.Code, &e.Severity, &e.Party, &e.Time, &e.Description});
  }
  return s;
}
inline std::string Dump(const Memory_Record& r) {
  std::string s = std::to_string(r.Valid) + " " + Field_Text(r.Memory_Count);
  for (int n = 1; n <= kMaxMemoryRows; ++n) s += " | " + Triple_Text(r.Memory(n));
  return s;
}
inline std::string Dump(const Firmware_Record& r) {
  std::string s = std::to_string(r.Valid) + " " + std::to_string(r.Firmware_Count);
  for (int n = 1; n <= kMaxFirmwareRows; ++n) s += " | " + Triple_Text(r.Firmware(n));
  return s;
}
inline std::string Dump(const Disk_Record& r) {
  std::string s = std::to_string(r.Valid);
  for (int n = 0; n <= 2; ++n) s += " | " + Triple_Text(r.Disks(n));
  return s;
}
inline std::string Dump(const Job_Record& r) {
  std::string s = std::to_string(r.Valid) + " " + std::to_string(r.Job_Count);
  for (int n = 1; n <= kMaxJobs; ++n) {
    s += " |";
    for (int k = 0; k <= 9; ++k) (s += ' ') += Field_Text(r.Jobs(n).Values(k));
  }
  return s;
}

}  // namespace vlm::monitor::test_support
