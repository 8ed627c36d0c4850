// The memory units, the disk and the firmware components of the selected
// printer.
#include <algorithm>
#include <cctype>
#include <optional>

#include "monitor/devicedata/retrieval.h"

namespace vlm::monitor {

using namespace retrieval;

namespace {

// Units looked at per read: the table holds 10 rows, and on the Printer tab
// units are left out, so a few more than 10 are looked at; a device that
// claims more is not walked to its end.
constexpr int kMaxMemoryUnits = 64;

std::string Upper(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
  return text;
}

}  // namespace

void Get_Memory_Table(IVectorItem* item) {
  Trapped(kUsualQuietSet, [&] {
    Call call(item);
    const LONG count_group = call.Create_Group({8009});
    const LONG root = call.Device_Root();
    const LONG engine = call.Engine(root, Selected_Engine);
    if (!call.Read(engine, count_group)) return;
    const VbInteger units = First_Count(call.Integers(engine), kMaxMemoryUnits);
    const bool printer_tab = Current_Tab() == 2;
    Memory_Record record;
    VbInteger rows = 0;
    for (VbInteger n = 1; n <= units && rows < kMaxMemoryRows; ++n) {
      const LONG unit = call.Handle(engine, 123, n);
      if (!Read_Row(call, unit, 1013)) {
        if (call.Not_Responding()) return;
        continue;
      }
      const Value_List values = call.Integers(unit);
      std::optional<VbLong> type;
      Value_Triple row;
      for (std::size_t i = 0; i < values.Count(); ++i) {
        if (values.Ids[i] == 126) type = values.Integers[i];
        if (values.Ids[i] == 127) row.Second = values.Integers[i];
        if (values.Ids[i] == 128) row.Third = values.Integers[i];
      }
      call.Release(unit);
      // Each unit has a row of its own; one without a type is kept on every
      // tab, with an empty type text.
      if (type) {
        const std::string text = Decode_Memory_Type(*type);
        const std::string upper = Upper(text);
        if (printer_tab && (upper.find("ROM") != std::string::npos ||
                            upper.find("NVRAM") != std::string::npos ||
                            upper.find("RAM") != std::string::npos)) {
          continue;
        }
        row.First = text;
      }
      record.Memory(++rows) = std::move(row);
    }
    record.Memory_Count = VbLong{rows};
    call.Finish();
    record.Valid = -1;
    Memory_Table(Selected_List_Kind, Selected_Device, Selected_Engine) = std::move(record);
  });
}

void Get_Firmware_Table(IVectorItem* item) {
  Trapped(kUsualQuietSet, [&] {
    Call call(item);
    const LONG count_group = call.Create_Group({8012});
    const LONG root = call.Device_Root();
    const LONG engine = call.Engine(root, Selected_Engine);
    if (!call.Read(engine, count_group)) return;
    Firmware_Record record;
    const VbInteger count = First_Count(call.Integers(engine), kMaxFirmwareRows);
    VbInteger rows = 0;
    for (VbInteger n = 1; n <= count; ++n) {
      const LONG unit = call.Handle(engine, 136, n);
      if (!Read_Row(call, unit, 1015)) {
        if (call.Not_Responding()) return;
        continue;
      }
      Value_Triple& row = record.Firmware(++rows);
      const Value_List values = call.Integers(unit);
      for (std::size_t i = 0; i < values.Count(); ++i) {
        if (values.Ids[i] == 139) row.First = Decode_Firmware_Component(values.Integers[i]);
        if (values.Ids[i] == 140) row.Second = values.Integers[i];
        if (values.Ids[i] == 141) row.Third = values.Integers[i];
      }
      // The text list is read last, so a text value wins.
      const Value_List texts = call.Strings(unit);
      for (std::size_t i = 0; i < texts.Count(); ++i) {
        if (texts.Ids[i] == 140) row.Second = texts.Texts[i];
        if (texts.Ids[i] == 141) row.Third = texts.Texts[i];
      }
      call.Release(unit);
    }
    record.Firmware_Count = rows;
    call.Finish();
    record.Valid = -1;
    Firmware_Table(Selected_List_Kind, Selected_Device, Selected_Engine) = std::move(record);
  });
}

void Get_Disk_Info(IVectorItem* item) {
  Trapped(kUsualQuietSet, [&] {
    Call call(item);
    // The controller's disk hangs below the first engine; its record serves
    // both engines of a tandem pair.
    const LONG root = call.Device_Root();
    const LONG engine = call.Engine(root, 0);
    const LONG disk = call.Handle(engine, 130, 1);
    if (!call.Read(disk, 1014)) return;
    Disk_Record record;
    Value_Triple& row = record.Disks(0);
    const Value_List values = call.Integers(disk);
    for (std::size_t i = 0; i < values.Count(); ++i) {
      if (values.Ids[i] == 133) row.First = values.Integers[i];
      if (values.Ids[i] == 134) row.Second = values.Integers[i];
      if (values.Ids[i] == 135) row.Third = values.Integers[i];
    }
    call.Finish();
    record.Valid = -1;
    Disk_Table(Selected_List_Kind, Selected_Device) = std::move(record);
  });
}

}  // namespace vlm::monitor
