// Two printers for the tests of a printer switch: every value of one
// carries its tag ("A" or "B"), so that a value of one never passes for
// the other's, and the per-device tables of a device as one text.
#pragma once

#include <string>

#include "monitor/devicedata/devicedata.h"
#include "monitor/devicedata/devicedata_fakes.h"
#include "monitor/devicedata/records_dump.h"

namespace vlm::monitor::test_support {

// A single-engine printer whose every value carries its tag ("A" or "B"),
// so that a value of one never passes for the other's.
inline void Fill_Printer(Fake_Vector_Item& item, const std::string& device, const std::string& tag,
                         LONG options, const char* alert) {
  const std::string engine = device + "/0.1";
  const std::string data = engine + "/148.1", controller = engine + "/74.1";
  const LONG base = tag == "A" ? 100 : 200;
  item.Set(data, 152, tag + "-engine");
  item.Set(data, 153, base + 11);
  for (LONG id : {155, 156, 157, 158, 162, 163, 207}) item.Set(data, id, base + id);
  item.Set(data, 186, tag == "A" ? 5 : 3);
  item.Set(data, 189, tag + "-controller");
  item.Set(data, 78, tag + "-room");
  item.Set(data, 206, options);
  item.Set(data, 151, tag + "-600dpi");
  item.Set(data, 209, tag == "A" ? 5 : 1);
  item.Set(controller, 77, tag + "-product");
  item.Set(controller, 81, tag == "A" ? 9 : 3);
  item.Set(controller, 85, tag + "-mib");
  item.Set(controller, 86, tag + "-v1");
  item.Set(controller, 79, tag == "A" ? 3 : 1);
  item.Set(controller, 80, tag + "-firmware");
  item.Set(controller, 196, 3);
  item.Set(controller, 197, 4);
  item.Set(controller, 208, 3);
  item.Set(controller, 209, tag == "A" ? 5 : 1);
  item.Set(controller, 217, 1);
  item.Set(engine + "/104.1", 107, 3);
  item.Set(engine + "/104.1", 108, 3);
  item.Set(engine + "/104.1", 109, 3);
  item.Set(engine + "/104.1", 110, 3);
  item.Set(engine + "/104.1", 111, tag + "-finisher");
  for (int n = 1; n <= 2; ++n) {
    const std::string t = engine + "/8." + std::to_string(n);
    for (LONG id : {35, 36, 37, 187, 188}) item.Set(t, id, base + n);
    item.Set(t, 216, 0);
  }
  item.Set(engine + "/38.1", 64, 3);
  item.Set(engine + "/38.1", 46, tag + "-bin");
  item.Set(engine + "/175.1", 180, base + 1);
  item.Set(engine + "/175.1", 178, 4);
  item.Set(engine + "/175.1", 179, 1);
  item.Set(engine + "/175.1", 181, alert);
  item.Set(engine + "/175.1", 183, tag + "-12:00");
  item.Set(engine + "/123.1", 126, 3);
  item.Set(engine + "/123.1", 127, base + 64);
  item.Set(engine + "/123.1", 128, base + 32);
  item.Set(engine + "/136.1", 139, 2);
  item.Set(engine + "/136.1", 140, tag + "-boot");
  item.Set(engine + "/136.1", 141, tag + "-3.2");
  item.Set(engine + "/130.1", 133, 3);
  item.Set(engine + "/130.1", 134, base + 4000);
  item.Set(engine + "/130.1", 135, base + 1500);
  // The installed-option table: a large-capacity tray and a base unit.
  item.Set(engine, 8013, 2);
  item.Set(engine + "/210.1", 213, 3);
  item.Set(engine + "/210.1", 214, tag + "-LU");
  item.Set(engine + "/210.1", 215, 1);
  item.Set(engine + "/210.2", 213, 4);
  item.Set(engine + "/210.2", 214, tag + "-PC");
  item.Set(engine + "/210.2", 215, 1);
  item.Set(device + "/7001.0/7003.0", 7004, tag + "-user");
  item.Set(device + "/7001.0/7003.0", 7005, tag + "-document");
}

// Every per-device table cell of a device, as one text.
inline std::string Device_Tables(VbInteger k, VbInteger d) {
  std::string s;
  for (int f = 0; f <= 7; ++f) s += Field_Text(Device_List_Fields(k, d, f)) + ";";
  for (int f = 0; f <= 20; ++f) s += Field_Text(Controller_Fields(k, d, f)) + ";";
  for (int e = 0; e <= 2; ++e) {
    for (int f = 0; f <= 14; ++f) s += Field_Text(Engine_Fields(k, d, e, f)) + ";";
    for (int f = 0; f <= 6; ++f) s += Field_Text(Finisher_Fields(k, d, e, f)) + ";";
    s += Dump(Memory_Table(k, d, e)) + Dump(Firmware_Table(k, d, e)) + Dump(Input_Tray_Table(k, d, e)) +
         Dump(Output_Tray_Table(k, d, e)) + Dump(Alert_Table(k, d, e));
  }
  return s + Dump(Disk_Table(k, d)) + Dump(Job_Table(k, d));
}

}  // namespace vlm::monitor::test_support
