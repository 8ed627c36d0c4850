// The finisher options of the selected engine and the print jobs of the
// selected printer.
#include "monitor/devicedata/retrieval.h"

namespace vlm::monitor {

using namespace retrieval;

void Get_Finisher_Options(IVectorItem* item) {
  Trapped(kUsualQuietSet, [&] {
    Call call(item);
    const LONG root = call.Device_Root();
    const LONG engine = call.Engine(root, Selected_Engine);
    const LONG finisher = call.Handle(engine, 104, 1);
    if (!call.Read(finisher, 1010)) return;
    const auto field = [](int f) -> Field& {
      return Finisher_Fields(Selected_List_Kind, Selected_Device, Selected_Engine, f);
    };
    const Value_List values = call.Integers(finisher);
    for (std::size_t i = 0; i < values.Count(); ++i) {
      const VbLong v = values.Integers[i];
      switch (values.Ids[i]) {
        case 107: field(1) = Decode_Yes_No(v); break;
        case 109: field(2) = Decode_Yes_No_4(v); break;
        case 110: field(3) = Decode_Yes_No_2(v); break;
        case 108: field(4) = Decode_Yes_No_3(v); break;
        default: break;
      }
    }
    const Value_List texts = call.Strings(finisher);
    for (std::size_t i = 0; i < texts.Count(); ++i)
      if (texts.Ids[i] == 111) field(0) = texts.Texts[i];
    call.Finish();
    field(5) = true;
  });
}

void Get_Print_Jobs(IVectorItem* item) {
  Trapped(kUsualQuietSet, [&] {
    Call call(item);
    // The list handle of an earlier call is given back to the object that
    // made it before a new one is opened.
    Release_Job_Root_Handle();
    // Opening the device points the object's job reader at its queue.
    call.Device_Root();
    const LONG list = call.Root(xlpnmif::kPrintJobs, 0);
    call.Keep(list);
    Job_Root_Handle = Job_Root{ComPtr<IVectorItem>(item), list};
    if (!call.Read(list, xlpnmif::kJobListGroup, false)) return;
    Job_Record record;
    const Value_List count = call.Integers(list);
    const VbInteger counted = count.Count() > 0 && count.Ids[0] == xlpnmif::kJobCount
                                  ? Clamp_Count(count.Integers[0], kMaxJobs)
                                  : VbInteger{0};
    for (VbInteger n = 1; n <= counted; ++n) {
      const LONG job = call.Handle(list, xlpnmif::kPrintJob, n - 1);
      // A job that left the queue since the count (no handle, or its read
      // answers that it is gone) is left out; the others are listed.
      if (!Read_Row(call, job, xlpnmif::kJobGroup, false)) continue;
      Job_Entry& entry = record.Jobs(++record.Job_Count);
      const Value_List texts = call.Strings(job);
      for (std::size_t i = 0; i < texts.Count(); ++i)
        if (texts.Ids[i] >= 7004 && texts.Ids[i] <= 7006) entry.Values(texts.Ids[i] - 7004) = texts.Texts[i];
      const Value_List values = call.Integers(job);
      for (std::size_t i = 0; i < values.Count(); ++i)
        if (values.Ids[i] >= 7007 && values.Ids[i] <= 7013)
          entry.Values(values.Ids[i] - 7004) = values.Integers[i];
      call.Release(job);
    }
    Job_Table(Selected_List_Kind, Selected_Device) = std::move(record);
    call.Finish();
  });
}

}  // namespace vlm::monitor
