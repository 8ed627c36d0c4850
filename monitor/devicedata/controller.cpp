// The controller's identity block with its disk and memory, and an engine's
// installed options.
#include <string>

#include "monitor/devicedata/functions.h"
#include "monitor/devicedata/retrieval.h"

namespace vlm::monitor {

using functions::Show;
using retrieval::Call;

namespace {

// The option captions: `yes` for each option whose flag is set, else `no`.
void Show_Option_Captions(const std::string& yes, const std::string& no) {
  const struct {
    int bit;
    const char* labels[2];
  } options[] = {
      {7, {"LCTPaperInput", nullptr}},
      {8, {"Label6", "TrimmerPaperOutput"}},
      {9, {"Label8", "PunchPaperOutput"}},
      {10, {"Label10", "SheetFeederPaperInput"}},
      {18, {"CenterFoldPaperOutput", nullptr}},
      {19, {"ZFoldPaperOutput", nullptr}},
      {20, {"DMFoldPaperOutput", nullptr}},
  };
  for (const auto& option : options)
    for (const char* label : option.labels)
      if (label != nullptr) Show(label, Option_Flags[static_cast<std::size_t>(option.bit)] != 0 ? yes : no);
}

}  // namespace

void Get_Controller_Info(IVectorItem* item) {
  retrieval::Trapped(kUsualQuietSet, [&] {
    const VbInteger kind = Selected_List_Kind, device = Selected_Device;
    bool read = false;
    {
      Call call(item);
      const LONG group = call.Create_Group({79, 80, 196, 197, 208, 209});
      const LONG root = call.Device_Root();
      const LONG engine = call.Engine(root, Selected_Engine);
      const LONG controller = call.Handle(engine, 74, Selected_Engine + 1);
      read = call.Read(controller, group);
      if (read) {
        const retrieval::Value_List ints = call.Integers(controller);
        for (std::size_t i = 0; i < ints.Count(); ++i) {
          const VbLong v = ints.Integers[i];
          switch (ints.Ids[i]) {
            case 79: Controller_Fields(kind, device, 14) = Decode_Device_Type(v); break;
            case 196: Controller_Fields(kind, device, 5) = Decode_Present(v); break;
            case 197: Controller_Fields(kind, device, 4) = Decode_Present(v); break;
            case 208: Controller_Fields(kind, device, 18) = Decode_Present(v); break;
            case 209: Controller_Fields(kind, device, 19) = Show_Printer_Languages(v); break;
            default: break;
          }
        }
        const retrieval::Value_List texts = call.Strings(controller);
        for (std::size_t i = 0; i < texts.Count(); ++i)
          if (texts.Ids[i] == 80) Controller_Fields(kind, device, 13) = texts.Texts[i];
      } else {
        functions::Clear_Printer_Languages();
      }
      call.Finish();
    }
    Get_Disk_Info(item);
    const Value_Triple& disk = Disk_Table(kind, device).Disks(0);
    Controller_Fields(kind, device, 10) = disk.First;
    Controller_Fields(kind, device, 11) = disk.Second;
    Controller_Fields(kind, device, 12) = disk.Third;
    Get_Memory_Table(item);
    const Value_Triple& memory = Memory_Table(kind, device, Selected_Engine).Memory(1);
    Controller_Fields(kind, device, 8) = memory.Second;
    Controller_Fields(kind, device, 9) = memory.Third;
    if (read) Controller_Fields(kind, device, 15) = true;
  });
}

void Get_Installed_Options(IVectorItem* item, VbInteger engine) {
  retrieval::Trapped(kUsualQuietSet, [&] {
    const VbInteger kind = Selected_List_Kind, device = Selected_Device;
    Call call(item);
    const LONG engineGroup =
        call.Create_Group({153, 157, 155, 158, 156, 186, 152, 206, 207, 162, 163, 151});
    const LONG countGroup = call.Create_Group({8001});
    const LONG root = call.Device_Root();
    const LONG engineHandle = call.Engine(root, engine);
    if (call.Read(engineHandle, countGroup)) {
      const retrieval::Value_List count = call.Integers(engineHandle);
      for (std::size_t i = 0; i < count.Count(); ++i)
        if (count.Ids[i] == 8001)
          Engine_Fields(kind, device, engine, 8) = std::string(count.Integers[i] > 5 ? "YES" : "NO");
    }
    const LONG vector = call.Handle(engineHandle, 148, 1);
    const bool read = call.Read(vector, engineGroup);
    if (!read) {
      // The option word describes the engine read last: a failed read
      // leaves none, never the word of the printer read before, and the
      // option captions and the resolution are empty.
      Engine_Options(engine) = 0;
      functions::Set_All_Option_Flags(0);
      Show_Option_Captions("", "");
      functions::Clear({"Label14"});
    } else {
      const retrieval::Value_List ints = call.Integers(vector);
      for (std::size_t i = 0; i < ints.Count(); ++i) {
        const VbLong v = ints.Integers[i];
        switch (ints.Ids[i]) {
          case 156: Engine_Fields(kind, device, engine, 5) = v; break;
          case 157: Engine_Fields(kind, device, engine, 7) = v; break;
          case 155: Engine_Fields(kind, device, engine, 4) = v; break;
          case 158: Engine_Fields(kind, device, engine, 6) = v; break;
          case 186: Engine_Fields(kind, device, engine, 1) = Decode_Machine_State(v); break;
          case 153: Engine_Fields(kind, device, engine, 0) = v; break;
          case 206:
            Engine_Options(engine) = v;
            functions::Set_All_Option_Flags(v);
            break;
          case 207: Engine_Fields(kind, device, engine, 12) = v; break;
          case 162: Engine_Fields(kind, device, engine, 2) = v; break;
          case 163: Engine_Fields(kind, device, engine, 3) = v; break;
          default: break;
        }
      }
      // The option captions show the flags read now.
      Show_Option_Captions(retrieval::Localised_Text("YES", 397), retrieval::Localised_Text("No", 269));
      const retrieval::Value_List texts = call.Strings(vector);
      for (std::size_t i = 0; i < texts.Count(); ++i) {
        if (texts.Ids[i] == 152) Engine_Fields(kind, device, engine, 10) = texts.Texts[i];
        if (texts.Ids[i] == 151) Show("Label14", texts.Texts[i]);
      }
    }
    call.Finish();
    if (read) Engine_Fields(kind, device, engine, 9) = true;
  });
}

void Forget_Engine_Options() {
  for (VbInteger engine = 0; engine <= 2; ++engine) Engine_Options(engine) = 0;
  functions::Set_All_Option_Flags(0);
  Show_Option_Captions("", "");
  functions::Clear({"Label12", "lblIPType", "Label14"});
}

}  // namespace vlm::monitor
