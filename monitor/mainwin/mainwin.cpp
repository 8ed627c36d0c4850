// What the main window's procedures share: the status images, the readers
// of the device tables, the objects of the lists, the error trap, the
// status line and the selected printer.
#include "monitor/mainwin/mainwin.h"

#include <functional>
#include <initializer_list>
#include <span>

#include "monitor/devicedata/devicedata.h"
#include "monitor/devicedata/retrieval.h"

namespace vlm::monitor {

int Status_Icon_Of(VbLong code) {
  switch (code) {
    case 1:
    case 2:
      return 3;
    case 3:
    case 6:
    case 7:
    case 8:
    case 13:
      return 1;
    case 5:
    case 9:
      return 2;
    case 10:
    case 11:
    case 12:
      return 5;
    default:
      return 4;
  }
}

bool Is_Tandem(VbInteger kind, VbInteger device) {
  return Field_Text(Device_List_Fields(kind, device, 6)) == "1";
}
std::string Display_Name(VbInteger kind, VbInteger device) {
  return Field_Text(Device_List_Fields(kind, device, 1));
}
std::string Spooler_Name(VbInteger kind, VbInteger device) {
  return Field_Text(Device_List_Fields(kind, device, 5));
}
std::string Device_Address(VbInteger kind, VbInteger device) {
  return Field_Text(Controller_Fields(kind, device, 1));
}
std::string Device_Protocol(VbInteger kind, VbInteger device) {
  return Field_Text(Controller_Fields(kind, device, 2));
}

Tqz_Main::Tqz_Main(Tqz_Window& window, Tqz_Readers& readers, Tqz_Shared& shared)
    : window_(window), readers_(readers), shared_(shared) {
  Create_Vector_Item = [] {
    CLSID clsid{};
    ComPtr<IVectorItem> item;
    HRESULT hr = CLSIDFromProgID(kVectorItemIndependentProgId, &clsid);
    if (SUCCEEDED(hr))
      hr = CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IVectorItem,
                            reinterpret_cast<void**>(item.ReleaseAndGetAddressOf()));
    if (FAILED(hr) || !item) throw VbErrorFromHResult(FAILED(hr) ? hr : E_FAIL, VbCall::Create);
    return item;
  };
}

IVectorItem* Tqz_Main::Object_Of(VbInteger kind) const {
  IVectorItem* item = kind == 0 ? Installed_Vector_Item.Get() : Other_Vector_Item.Get();
  if (!item) throw VbError(VBERR_OBJECT_NOT_SET, VbErrorDescription(VBERR_OBJECT_NOT_SET));
  return item;
}

bool Tqz_Main::Trap(const VbError& e, std::initializer_list<LONG> quiet, bool every_quiet,
                    const std::function<void()>& before_trap) {
  // Every number is quiet when the quiet set is the error's own number.
  const VbLong own[] = {e.Number()};
  const std::span<const VbLong> set = every_quiet
                                          ? std::span<const VbLong>(own)
                                          : std::span<const VbLong>(quiet.begin(), quiet.size());
  return retrieval::Trap_Error(e, set, [&] {
    before_trap();
    window_.Set_Hourglass(false);
  });
}

VbError Tqz_Main::Out_Of_Memory() { return retrieval::Out_Of_Memory_Error(); }

std::string Tqz_Main::Text(const char* english, VbLong id) {
  return Localised == "On" ? Trim_At_Null(Load_Res_String(id)) : std::string(english);
}

void Tqz_Main::Status_Idle() { window_.Set_Status(kStatusIdleColour, "", false); }
void Tqz_Main::Status_Busy(const std::string& caption) {
  window_.Set_Status(kStatusBusyColour, caption, false);
}

void Tqz_Main::Turn_To_Selected_Printer() {
  if (view_kind_ == Selected_List_Kind && view_device_ == Selected_Device) return;
  view_kind_ = Selected_List_Kind;
  view_device_ = Selected_Device;
  Forget_Engine_Options();
}

void Tqz_Main::Select_Row_Of_Item(int index) {
  if (index < 1 || index > Discovered_Count)
    throw VbError(VBERR_SUBSCRIPT, VbErrorDescription(VBERR_SUBSCRIPT));
  Selected_List_Kind = Discovered_Printers(index - 1, 0);
  Selected_Device = Discovered_Printers(index - 1, 1);
}

}  // namespace vlm::monitor
