// An engine's counters, and the QuickView summary of one or two engines.
#include <string>

#include "monitor/devicedata/functions.h"
#include "monitor/devicedata/retrieval.h"

namespace vlm::monitor {

using functions::Show;
using retrieval::Call;

VbInteger Get_Engine_Counters(IVectorItem* item, VbInteger engine) {
  retrieval::Trapped(kUsualQuietSet, [&] {
    const VbInteger kind = Selected_List_Kind, device = Selected_Device;
    bool read = false;
    {
      Call call(item);
      const LONG group = call.Create_Group({157, 155, 158, 156, 186, 152, 207, 162, 163});
      const LONG root = call.Device_Root();
      const LONG vector = call.Handle(call.Engine(root, engine), 148, 1);
      const struct {
        LONG id;
        int field;
        const char* label;
      } counters[] = {
          {156, 5, "lblEnginePMCount"},       {157, 7, "lblEnginePrinterCount"},
          {155, 4, "lblengineDeveloperCount"}, {158, 6, "lblEngineServiceCount"},
          {207, 12, "lblEngineTotalCount"},    {162, 2, "lblEngineRemainJobs"},
          {163, 3, "lblEngineRemainTimes"},
      };
      read = call.Read(vector, group);
      if (!read) {
        functions::Clear({"lblEngineStatus", "lblEngineModel"});
        for (const auto& c : counters) Show(c.label, "");
      } else {
        const retrieval::Value_List ints = call.Integers(vector);
        for (std::size_t i = 0; i < ints.Count(); ++i) {
          const VbLong v = ints.Integers[i];
          if (ints.Ids[i] == 186) {
            Engine_Fields(kind, device, engine, 1) = Decode_Machine_State(v);
            Show("lblEngineStatus", Decode_Machine_State(v));
            continue;
          }
          for (const auto& c : counters) {
            if (ints.Ids[i] != c.id) continue;
            Engine_Fields(kind, device, engine, c.field) = v;
            Show(c.label, std::to_string(v));
            break;
          }
        }
        const retrieval::Value_List texts = call.Strings(vector);
        for (std::size_t i = 0; i < texts.Count(); ++i) {
          if (texts.Ids[i] != 152) continue;
          Show("lblEngineModel", texts.Texts[i]);
          Engine_Fields(kind, device, engine, 10) = texts.Texts[i];
        }
      }
      call.Finish();
    }
    if (read) Engine_Fields(kind, device, engine, 9) = true;
    Get_Finisher_Model(item);
  });
  return 0;
}

VbInteger Get_Summary_Info(IVectorItem* item, VbInteger engine) {
  retrieval::Trapped(kUsualQuietSet, [&] {
    const VbInteger kind = Selected_List_Kind, device = Selected_Device;
    const bool tandem = functions::Is_Tandem(kind, device);
    if (!tandem) {
      for (const char* label : {"lblIPEngine2Name", "lblIPEngine2Status", "lblIPFinisher2Name"})
        Show(label, "");
    }
    const struct {
      const char* control;
      VbInteger index;
    } engine2[] = {
        {"lblIPEngine2Name", retrieval::kNoIndex},
        {"lblIPEngine2Status", retrieval::kNoIndex},
        {"lblIPFinisher2Name", retrieval::kNoIndex},
        {"Engine2NameLabel", 8},
        {"Engine2StatusLabel", 9},
        {"Finisher2Label", 11},
    };
    for (const auto& c : engine2) retrieval::Set_Visible(c.control, c.index, tandem);

    // One pass per engine; the engine of a pass is local, so the caller's
    // engine (often Selected_Engine itself) stays as it was.
    VbInteger passEngine = engine;
    bool engineRead = false;
    for (bool second = false;; second = true, passEngine = 1) {
      Call call(item);
      const LONG group = call.Create_Group({186, 152, 206, 111, 209});
      const LONG root = call.Device_Root();
      const LONG engineHandle = call.Engine(root, passEngine);
      const LONG vector = call.Handle(engineHandle, 148, 1);
      const char* statusLabel = second ? "lblIPEngine2Status" : "lblIPStatus";
      const char* nameLabel = second ? "lblIPEngine2Name" : "lblIPEngine1Name";
      const char* finisherLabel = second ? "lblIPFinisher2Name" : "lblIPFinisher1Name";
      if (!call.Read(vector, group)) {
        functions::Clear({statusLabel, nameLabel});
        Engine_Options(passEngine) = 0;
      } else {
        engineRead = true;
        const retrieval::Value_List ints = call.Integers(vector);
        for (std::size_t i = 0; i < ints.Count(); ++i) {
          const VbLong v = ints.Integers[i];
          switch (ints.Ids[i]) {
            case 186: Show(statusLabel, Decode_Machine_State(v)); break;
            case 206:
              Engine_Options(passEngine) = v;
              functions::Set_Function_Flags(v);
              functions::Show_Device_Type();
              break;
            case 209: Show("lblIPPDL", Show_Printer_Languages(v)); break;
            default: break;
          }
        }
        const retrieval::Value_List texts = call.Strings(vector);
        for (std::size_t i = 0; i < texts.Count(); ++i)
          if (texts.Ids[i] == 152) Show(nameLabel, texts.Texts[i]);
      }
      const LONG finisher = call.Handle(engineHandle, 104, 1);
      if (call.Read(finisher, 1010, true, xlpnmif::kModeCached)) {
        const retrieval::Value_List texts = call.Strings(finisher);
        for (std::size_t i = 0; i < texts.Count(); ++i)
          if (texts.Ids[i] == 111) Show(finisherLabel, texts.Texts[i]);
      } else {
        functions::Clear({finisherLabel});
      }
      call.Finish();
      if (!tandem || second) break;
    }
    // The function flags, the device-type text and the languages are the
    // device's: none of them stays from the printer read before when no
    // engine of this one answered.
    if (!engineRead) {
      functions::Forget_Function_Flags(engine);
      functions::Clear_Printer_Languages();
    }

    if (Discovered_Printers(Selected_Row - 1, 0) == 0) {
      Show("lblIPInstalled", Installed_Text);
      Show("lblIPSpoolName", Field_Text(Device_List_Fields(kind, device, 5)));
    } else {
      Show("lblIPInstalled", Not_Installed_Text);
      Show("lblIPSpoolName", Not_Applicable_Text);
    }
  });
  return 0;
}

}  // namespace vlm::monitor
