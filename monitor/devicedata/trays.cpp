// The input trays and output bins of the selected engine.
#include "monitor/devicedata/retrieval.h"

namespace vlm::monitor {

using namespace retrieval;

void Get_Input_Trays(IVectorItem* item) {
  Trapped(kInputTrayQuietSet, [&] {
    Call call(item);
    const LONG count_group = call.Create_Group({8001});
    const LONG tray_group = call.Create_Group({36, 187, 188, 35, 37});
    const LONG wide_group = call.Create_Group({216});
    const LONG root = call.Device_Root();
    const LONG engine = call.Engine(root, Selected_Engine);
    if (!call.Read(engine, count_group)) return;
    Input_Tray_Record record;
    record.Tray_Count = First_Count(call.Integers(engine), kMaxInputTrays);
    for (VbInteger n = 1; n <= record.Tray_Count; ++n) {
      const LONG tray = call.Handle(engine, 8, n);
      if (!call.Read(tray, tray_group)) return;
      Input_Tray_Entry& entry = record.Trays(n);
      const Value_List values = call.Integers(tray);
      for (std::size_t i = 0; i < values.Count(); ++i) {
        switch (values.Ids[i]) {
          case 35: entry.Tray_Type = values.Integers[i]; break;
          case 36: entry.Paper_Size = values.Integers[i]; break;
          case 37: entry.Feed_Direction = values.Integers[i]; break;
          case 187: entry.Media_Type = values.Integers[i]; break;
          case 188: entry.Tray_Status = values.Integers[i]; break;
          default: break;
        }
      }
      // The wide-size flag is optional (older controllers lack it): a
      // failed read of it leaves the flag empty and keeps the tray.
      if (call.Read(tray, wide_group, false)) {
        const Value_List wide = call.Integers(tray);
        for (std::size_t i = 0; i < wide.Count(); ++i)
          if (wide.Ids[i] == 216) entry.Wide_Size = wide.Integers[i];
      }
      call.Release(tray);
    }
    call.Finish();
    record.Valid = -1;
    Input_Tray_Table(Selected_List_Kind, Selected_Device, Selected_Engine) = std::move(record);
  });
}

void Get_Output_Trays(IVectorItem* item) {
  Trapped(kUsualQuietSet, [&] {
    Call call(item);
    const LONG count_group = call.Create_Group({8002});
    const LONG root = call.Device_Root();
    const LONG engine = call.Engine(root, Selected_Engine);
    if (!call.Read(engine, count_group)) return;
    Output_Tray_Record record;
    record.Bin_Count = First_Count(call.Integers(engine), kMaxOutputBins);
    for (VbInteger n = 1; n <= record.Bin_Count; ++n) {
      const LONG bin = call.Handle(engine, 38, n);
      if (!call.Read(bin, 1003)) return;
      Output_Tray_Entry& entry = record.Bins(n);
      const Value_List values = call.Integers(bin);
      for (std::size_t i = 0; i < values.Count(); ++i)
        if (values.Ids[i] == 64) entry.Bin_Type_Text = Decode_Output_Type(values.Integers[i]);
      const Value_List texts = call.Strings(bin);
      for (std::size_t i = 0; i < texts.Count(); ++i)
        if (texts.Ids[i] == 46) entry.Bin_Name = texts.Texts[i];
      call.Release(bin);
    }
    call.Finish();
    record.Valid = -1;
    Output_Tray_Table(Selected_List_Kind, Selected_Device, Selected_Engine) = std::move(record);
  });
}

}  // namespace vlm::monitor
