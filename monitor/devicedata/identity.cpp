// The printer's identity, status, functions and MIB version, and the
// caption of the active window.
#include <string>

#include "monitor/devicedata/functions.h"
#include "monitor/devicedata/retrieval.h"

namespace vlm::monitor {

using functions::Show;
using retrieval::Call;

namespace {

// The first `count` characters (code points) of a UTF-8 text, never cut
// inside a character, and how many it took.
std::string First_Characters(const std::string& text, std::size_t count, std::size_t& taken) {
  std::size_t bytes = 0;
  taken = 0;
  while (bytes < text.size() && taken < count) {
    ++bytes;
    ++taken;
    while (bytes < text.size() && (static_cast<unsigned char>(text[bytes]) & 0xC0) == 0x80) ++bytes;
  }
  return text.substr(0, bytes);
}

}  // namespace

void Get_Printer_Identity(IVectorItem* item, VbInteger engine) {
  retrieval::Trapped(kUsualQuietSet, [&] {
    const Printer_Key device = Printer_Read(kWholeDevice);
    Call call(item);
    const LONG group = call.Create_Group({189, 78});
    const LONG root = call.Device_Root();
    const LONG vector = call.Handle(call.Engine(root, engine), 148, 1);
    if (call.Read(vector, group)) {
      const retrieval::Value_List texts = call.Strings(vector);
      for (std::size_t i = 0; i < texts.Count(); ++i) {
        const std::string& v = texts.Texts[i];
        if (texts.Ids[i] == 189) {
          Show(device, "lblIPModel", v);
          for (VbInteger n = 1; n <= 5; ++n) retrieval::Draw(device, "lblIPName", n, v);
        } else if (texts.Ids[i] == 78) {
          Show(device, "lblIPLocation", v);
          // The QuickView shows the location from the device's fields.
          Device_List_Fields(Selected_List_Kind, Selected_Device, 3) = v;
        }
      }
    }
    // The controller's name is kept nowhere but on the window; its location
    // is kept in the device's fields.
    functions::Keep(device, "lblIPModel", "");
    for (VbInteger n = 1; n <= 5; ++n) retrieval::Draw_Kept(device, "lblIPName", n, "");
    functions::Keep(device, "lblIPLocation",
                    Field_Text(Device_List_Fields(Selected_List_Kind, Selected_Device, 3)));
    call.Finish();
  });
}

VbInteger Get_Device_Status(IVectorItem* item) {
  retrieval::Trapped(kUsualQuietSet, [&] {
    const Printer_Key device = Printer_Read(kWholeDevice);
    Call call(item);
    const LONG group = call.Create_Group({81});
    const LONG root = call.Device_Root();
    const LONG vector = call.Handle(call.Engine(root, Selected_Engine), 74, Selected_Engine + 1);
    if (call.Read(vector, group)) {
      const retrieval::Value_List ints = call.Integers(vector);
      for (std::size_t i = 0; i < ints.Count(); ++i) {
        if (ints.Ids[i] != 81) continue;
        // The device's fields keep the status too: the controller tab,
        // which shows them before this read, shows the last good one.
        const std::string status = Decode_Device_Status(ints.Integers[i]);
        Device_List_Fields(Selected_List_Kind, Selected_Device, 4) = status;
        Show(device, "Label4", status);
      }
    }
    functions::Keep(device, "Label4", Field_Text(Device_List_Fields(Selected_List_Kind, Selected_Device, 4)));
    call.Finish();
  });
  return 0;
}

VbInteger Get_Device_Functions(IVectorItem* item, VbInteger engine) {
  retrieval::Trapped(kUsualQuietSet, [&] {
    const Printer_Key device = Printer_Read(kWholeDevice);
    Call call(item);
    const LONG group = call.Create_Group({206});
    const LONG root = call.Device_Root();
    const LONG vector = call.Handle(call.Engine(root, engine), 148, 1);
    bool word = false;
    if (call.Read(vector, group)) {
      const retrieval::Value_List ints = call.Integers(vector);
      for (std::size_t i = 0; i < ints.Count(); ++i) {
        if (ints.Ids[i] != 206) continue;
        functions::Take_Option_Word(engine, ints.Integers[i]);
        functions::Set_Function_Flags(ints.Integers[i]);
        word = true;
      }
    }
    if (word) {
      functions::Show_Device_Type(device);
    } else {
      functions::Keep_Device_Type(device, functions::Kept_Option_Word(engine, functions::Set_Function_Flags));
    }
    call.Finish();
  });
  return 0;
}

VbInteger Get_MIB_Version(IVectorItem* item) {
  retrieval::Trapped(kUsualQuietSet, [&] {
    const Printer_Key device = Printer_Read(kWholeDevice);
    Call call(item);
    const LONG group = call.Create_Group({85, 86});
    const LONG root = call.Device_Root();
    const LONG vector = call.Handle(call.Engine(root, Selected_Engine), 74, Selected_Engine + 1);
    if (call.Read(vector, group)) {
      const retrieval::Value_List texts = call.Strings(vector);
      for (std::size_t i = 0; i < texts.Count(); ++i) {
        if (texts.Ids[i] == 85) {
          Controller_Fields(Selected_List_Kind, Selected_Device, 16) = texts.Texts[i];
          Show(device, "lblIPMIBVersion", texts.Texts[i]);
        } else if (texts.Ids[i] == 86) {
          Controller_Fields(Selected_List_Kind, Selected_Device, 17) = texts.Texts[i];
        }
      }
    }
    functions::Keep(device, "lblIPMIBVersion",
                    Field_Text(Controller_Fields(Selected_List_Kind, Selected_Device, 16)));
    call.Finish();
  });
  return 0;
}

std::string Get_Window_Caption(VbLong window) {
  retrieval::Trapped(kUsualQuietSet, [&] {
    Caption_Buffer_Size = 255;
    Caption_Buffer = std::string(static_cast<std::size_t>(Caption_Buffer_Size), '\0');
    std::string title = Main_Window != nullptr ? Main_Window->Window_Text(window) : std::string();
    title.resize(std::min(title.size(), title.find('\0')));
    // The buffer holds 254 characters and the terminator.
    std::size_t taken = 0;
    Caption_Buffer = First_Characters(title, static_cast<std::size_t>(Caption_Buffer_Size) - 1, taken);
    Caption_Length = static_cast<VbLong>(taken);
    Window_Caption_Text = Caption_Length >= 1 ? functions::Trim_Spaces(Caption_Buffer) : std::string();
    const std::size_t dash = Window_Caption_Text.find('-');
    if (dash != std::string::npos) Window_Caption_Text.resize(dash);
  });
  return {};
}

}  // namespace vlm::monitor
