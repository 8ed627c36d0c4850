// The controller's identity block with its disk and memory, and an engine's
// installed options.
#include <string>

#include "monitor/devicedata/functions.h"
#include "monitor/devicedata/retrieval.h"

namespace vlm::monitor {

using functions::Show;
using retrieval::Call;

namespace {

// The option captions, in the order they are set, with the bit of each.
constexpr struct {
  int bit;
  const char* label;
} kOptionCaptions[] = {
    {7, "LCTPaperInput"},          {8, "Label6"},           {8, "TrimmerPaperOutput"},
    {9, "Label8"},                 {9, "PunchPaperOutput"}, {10, "Label10"},
    {10, "SheetFeederPaperInput"}, {18, "CenterFoldPaperOutput"}, {19, "ZFoldPaperOutput"},
    {20, "DMFoldPaperOutput"},
};

// The option captions for `printer`: `yes` for each option whose flag is
// set, else `no`; drawn, or, for a read that gave no option word, kept
// where they show this printer's (retrieval::Draw_Kept).
void Show_Option_Captions(const Printer_Key& printer, const std::string& yes, const std::string& no,
                          bool word_read) {
  for (const auto& option : kOptionCaptions) {
    const std::string& caption = Option_Flags[static_cast<std::size_t>(option.bit)] != 0 ? yes : no;
    if (word_read) {
      Show(printer, option.label, caption);
    } else {
      functions::Keep(printer, option.label, caption);
    }
  }
}


}  // namespace

void Get_Controller_Info(IVectorItem* item) {
  retrieval::Trapped(kUsualQuietSet, [&] {
    const VbInteger kind = Selected_List_Kind, device = Selected_Device;
    const Printer_Key whole = Printer_Read(kWholeDevice);
    bool read = false, languages = false;
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
            case 209:
              Controller_Fields(kind, device, 19) = functions::Show_Languages(whole, v);
              languages = true;
              break;
            default: break;
          }
        }
        const retrieval::Value_List texts = call.Strings(controller);
        for (std::size_t i = 0; i < texts.Count(); ++i)
          if (texts.Ids[i] == 80) Controller_Fields(kind, device, 13) = texts.Texts[i];
      }
      if (!languages) functions::Keep_Languages(whole);
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
    const Printer_Key printer = Printer_Read(engine);
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
    bool word = false, resolution = false;
    if (read) {
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
            functions::Take_Option_Word(engine, v);
            functions::Set_All_Option_Flags(v);
            word = true;
            break;
          case 207: Engine_Fields(kind, device, engine, 12) = v; break;
          case 162: Engine_Fields(kind, device, engine, 2) = v; break;
          case 163: Engine_Fields(kind, device, engine, 3) = v; break;
          default: break;
        }
      }
    }
    // The option captions show the flags of the word read now, else those
    // of the word this printer gave last; with no word of it kept they are
    // empty.
    const bool known = word || functions::Kept_Option_Word(engine, functions::Set_All_Option_Flags);
    Show_Option_Captions(printer, known ? retrieval::Localised_Text("YES", 397) : std::string(),
                         known ? retrieval::Localised_Text("No", 269) : std::string(), word);
    if (read) {
      const retrieval::Value_List texts = call.Strings(vector);
      for (std::size_t i = 0; i < texts.Count(); ++i) {
        if (texts.Ids[i] == 152) Engine_Fields(kind, device, engine, 10) = texts.Texts[i];
        if (texts.Ids[i] == 151) {
          Show(printer, "Label14", texts.Texts[i]);
          resolution = true;
        }
      }
    }
    // The resolution is kept nowhere but on the window.
    if (!resolution) functions::Keep(printer, "Label14", "");
    call.Finish();
    if (read) Engine_Fields(kind, device, engine, 9) = true;
  });
}

void Forget_Engine_Options() {
  for (VbInteger engine = 0; engine <= 2; ++engine) Engine_Options(engine) = 0;
  Engine_Options_Printer.fill(Printer_Key{});
  functions::Set_All_Option_Flags(0);
  for (const auto& option : kOptionCaptions) functions::Blank(option.label);
  for (const char* label : {"Label12", "lblIPType", "Label14"}) functions::Blank(label);
}

}  // namespace vlm::monitor
