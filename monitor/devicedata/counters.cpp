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
    const Printer_Key printer = Printer_Read(engine);
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
      if (read) {
        const retrieval::Value_List ints = call.Integers(vector);
        for (std::size_t i = 0; i < ints.Count(); ++i) {
          const VbLong v = ints.Integers[i];
          if (ints.Ids[i] == 186) {
            Engine_Fields(kind, device, engine, 1) = Decode_Machine_State(v);
            Show(printer, "lblEngineStatus", Decode_Machine_State(v));
            continue;
          }
          for (const auto& c : counters) {
            if (ints.Ids[i] != c.id) continue;
            Engine_Fields(kind, device, engine, c.field) = v;
            Show(printer, c.label, std::to_string(v));
            break;
          }
        }
        const retrieval::Value_List texts = call.Strings(vector);
        for (std::size_t i = 0; i < texts.Count(); ++i) {
          if (texts.Ids[i] != 152) continue;
          Show(printer, "lblEngineModel", texts.Texts[i]);
          Engine_Fields(kind, device, engine, 10) = texts.Texts[i];
        }
      }
      // What the read did not give shows as the engine's fields keep it.
      const auto kept = [&](int field) { return Field_Text(Engine_Fields(kind, device, engine, field)); };
      for (const auto& c : counters) functions::Keep(printer, c.label, kept(c.field));
      functions::Keep(printer, "lblEngineStatus", kept(1));
      functions::Keep(printer, "lblEngineModel", kept(10));
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
    const Printer_Key whole = Printer_Read(kWholeDevice);
    const bool tandem = functions::Is_Tandem(kind, device);
    if (!tandem) {
      // A single engine: the engine-2 captions show no printer's values.
      for (const char* label : {"lblIPEngine2Name", "lblIPEngine2Status", "lblIPFinisher2Name"})
        functions::Blank(label);
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
    for (bool second = false;; second = true, passEngine = 1) {
      const Printer_Key pass = Printer_Read(passEngine);
      Call call(item);
      const LONG group = call.Create_Group({186, 152, 206, 111, 209});
      const LONG root = call.Device_Root();
      const LONG engineHandle = call.Engine(root, passEngine);
      const LONG vector = call.Handle(engineHandle, 148, 1);
      const char* statusLabel = second ? "lblIPEngine2Status" : "lblIPStatus";
      const char* nameLabel = second ? "lblIPEngine2Name" : "lblIPEngine1Name";
      const char* finisherLabel = second ? "lblIPFinisher2Name" : "lblIPFinisher1Name";
      bool word = false, languages = false;
      if (call.Read(vector, group)) {
        const retrieval::Value_List ints = call.Integers(vector);
        for (std::size_t i = 0; i < ints.Count(); ++i) {
          const VbLong v = ints.Integers[i];
          switch (ints.Ids[i]) {
            case 186: Show(pass, statusLabel, Decode_Machine_State(v)); break;
            case 206:
              functions::Take_Option_Word(passEngine, v);
              functions::Set_Function_Flags(v);
              functions::Show_Device_Type(whole);
              word = true;
              break;
            case 209:
              Show(whole, "lblIPPDL", functions::Show_Languages(whole, v));
              languages = true;
              break;
            default: break;
          }
        }
        const retrieval::Value_List texts = call.Strings(vector);
        for (std::size_t i = 0; i < texts.Count(); ++i)
          if (texts.Ids[i] == 152) Show(pass, nameLabel, texts.Texts[i]);
      }
      // What the engine read did not give: the engine's state and model as
      // its fields keep them, the device's functions and languages as kept.
      functions::Keep(pass, statusLabel, Field_Text(Engine_Fields(kind, device, passEngine, 1)));
      functions::Keep(pass, nameLabel, Field_Text(Engine_Fields(kind, device, passEngine, 10)));
      if (!word)
        functions::Keep_Device_Type(whole, functions::Kept_Option_Word(passEngine, functions::Set_Function_Flags));
      if (!languages) functions::Keep_Languages(whole);
      const LONG finisher = call.Handle(engineHandle, 104, 1);
      if (call.Read(finisher, 1010, true, xlpnmif::kModeCached)) {
        const retrieval::Value_List texts = call.Strings(finisher);
        for (std::size_t i = 0; i < texts.Count(); ++i)
          if (texts.Ids[i] == 111) Show(pass, finisherLabel, texts.Texts[i]);
      }
      functions::Keep(pass, finisherLabel, Field_Text(Finisher_Fields(kind, device, passEngine, 0)));
      call.Finish();
      if (!tandem || second) break;
    }

    if (Discovered_Printers(Selected_Row - 1, 0) == 0) {
      Show(whole, "lblIPInstalled", Installed_Text);
      Show(whole, "lblIPSpoolName", Field_Text(Device_List_Fields(kind, device, 5)));
    } else {
      Show(whole, "lblIPInstalled", Not_Installed_Text);
      Show(whole, "lblIPSpoolName", Not_Applicable_Text);
    }
  });
  return 0;
}

}  // namespace vlm::monitor
