// The tandem flag, the status with the installed options, and the engine
// type code of a device.
#include <string>

#include "monitor/devicedata/functions.h"
#include "monitor/devicedata/retrieval.h"

namespace vlm::monitor {

using retrieval::Call;

VbInteger Get_Device_Flag(IVectorItem* item, VbInteger listKind, VbInteger device,
                          VbInteger /*row*/) {
  retrieval::Trapped(kUsualQuietSet, [&] {
    Call call(item);
    const LONG group = call.Create_Group({217});
    const LONG root =
        call.Root(listKind != 0 ? xlpnmif::kOtherDevice : xlpnmif::kInstalledPrinter, device);
    const LONG engine = call.Engine(root, Selected_Engine);
    const LONG vector = call.Handle(engine, 74, Selected_Engine + 1);
    if (call.Read(vector, group)) {
      const retrieval::Value_List ints = call.Integers(vector);
      for (std::size_t i = 0; i < ints.Count(); ++i)
        if (ints.Ids[i] == 217) Device_List_Fields(listKind, device, 6) = VbLong{ints.Integers[i] == 3 ? 1 : 0};
    }
    // This reader releases its handles first and deletes its group last.
    call.Release(root);
    call.Release(engine);
    call.Release(vector);
    call.Delete_Groups();
    if (Main_Window != nullptr) Main_Window->Set_Mouse_Pointer(0);
  });
  return 0;
}

VbInteger Get_Status_And_Options(IVectorItem* item) {
  retrieval::Trapped(kUsualQuietSet, [&] {
    const VbInteger kind = Selected_List_Kind, device = Selected_Device;
    {
      Call call(item);
      const LONG group = call.Create_Group({81, 77});
      const LONG root = call.Device_Root();
      const LONG vector = call.Handle(call.Engine(root, Selected_Engine), 74, Selected_Engine + 1);
      if (call.Read(vector, group)) {
        const retrieval::Value_List ints = call.Integers(vector);
        for (std::size_t i = 0; i < ints.Count(); ++i)
          if (ints.Ids[i] == 81) Device_List_Fields(kind, device, 4) = Decode_Device_Status(ints.Integers[i]);
      }
      call.Finish();
    }
    const VbInteger engines = functions::Is_Tandem(kind, device) ? 2 : 1;
    for (VbInteger engine = 0; engine < engines; ++engine) Get_Installed_Options(item, engine);
    Device_List_Fields(kind, device, 0) = true;
  });
  return 0;
}

VbInteger Get_Engine_Type(IVectorItem* item, VbInteger engine) {
  retrieval::Trapped(kUsualQuietSet, [&] {
    Call call(item);
    const LONG group = call.Create_Group({153});
    const LONG root = call.Device_Root();
    const LONG vector = call.Handle(call.Engine(root, engine), 148, 1);
    if (call.Read(vector, group)) {
      const retrieval::Value_List ints = call.Integers(vector);
      for (std::size_t i = 0; i < ints.Count(); ++i)
        if (ints.Ids[i] == 153)
          Engine_Fields(Selected_List_Kind, Selected_Device, engine, 0) = VbLong{ints.Integers[i]};
    }
    call.Finish();
  });
  return 0;
}

}  // namespace vlm::monitor
