// The engine model labels and the printer state of the polling tick.
#include <string>

#include "monitor/devicedata/retrieval.h"

namespace vlm::monitor {

using namespace retrieval;

VbInteger Get_Engine_Model(IVectorItem* item, VbInteger engine) {
  Trapped(kUsualQuietSet, [&] {
    const Printer_Key printer = Printer_Read(engine);
    Call call(item);
    const LONG group = call.Create_Group({152});
    const LONG root = call.Device_Root();
    const LONG engine_handle = call.Engine(root, engine);
    const LONG model = call.Handle(engine_handle, 148, 1);
    constexpr struct {
      const char* control;
      VbInteger index;
    } kLabels[] = {{"lblEngineNamePaperInput", 7}, {"lblEngineNamePaperOutput", 8}, {"lblEngineModel", kNoIndex}};
    if (call.Read(model, group)) {
      const Value_List list = call.Strings(model);
      for (std::size_t i = 0; i < list.Count(); ++i)
        if (list.Ids[i] == 152)
          for (const auto& label : kLabels) Draw(printer, label.control, label.index, list.Texts[i]);
    }
    // The engine's model as its fields keep it.
    const std::string kept = Field_Text(Engine_Fields(Selected_List_Kind, Selected_Device, engine, 10));
    for (const auto& label : kLabels) Draw_Kept(printer, label.control, label.index, kept);
    call.Finish();
  });
  return 0;
}

VbInteger Get_Printer_State(IVectorItem* item, VbInteger engine) {
  Trapped(kUsualQuietSet, [&] {
    Call call(item);
    const LONG root = call.Device_Root();
    const LONG name_group = call.Create_Group({77});
    const LONG engine_handle = call.Engine(root, engine);
    const LONG product = call.Handle(engine_handle, 74, 1);
    // Neither read is checked for a device that does not answer: the
    // polling tick reads every listed printer.
    if (call.Read(product, name_group, false)) {
      const Value_List list = call.Strings(product);
      for (std::size_t i = 0; i < list.Count(); ++i)
        if (list.Ids[i] == 77) Device_List_Fields(Selected_List_Kind, Selected_Device, 1) = list.Texts[i];
    }
    // A device that did not answer the name read (-11 or -12) would not
    // answer the state read either: that second time-out cycle is skipped.
    const bool silent = call.Not_Responding();
    const LONG state_group = call.Create_Group({186});
    const LONG state = call.Handle(engine_handle, 148, 1);
    if (!silent && call.Read(state, state_group, false)) {
      const Value_List list = call.Integers(state);
      for (std::size_t i = 0; i < list.Count(); ++i)
        if (list.Ids[i] == 186)
          Engine_Fields(Selected_List_Kind, Selected_Device, engine, 1) =
              Decode_Machine_State(list.Integers[i]);
    }
    call.Delete_Groups();
    call.Release(state);
    call.Release(engine_handle);
    call.Release(root);
    call.Release(product);
    if (Main_Window != nullptr) Main_Window->Set_Mouse_Pointer(0);
  });
  return 0;
}

}  // namespace vlm::monitor
