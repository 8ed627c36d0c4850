// Printer discovery and the printer list.
#include "monitor/mainwin/mainwin.h"

#include <algorithm>
#include <initializer_list>

#include "monitor/devicedata/devicedata.h"
#include "monitor/tabs/frmTQZ_tabs.h"

namespace vlm::monitor {
namespace {

// The value lists a client passes to GetCurrent...ValueList: positions 0 to
// 100 of identifiers, values and descriptions.
struct Value_Lists {
  explicit Value_Lists(bool texts)
      : ids(Variant::Array(SafeArrayCreateVector(VT_I4, 0, 101))),
        values(Variant::Array(SafeArrayCreateVector(texts ? VT_BSTR : VT_I4, 0, 101))),
        descrs(Variant::Array(SafeArrayCreateVector(VT_BSTR, 0, 101))) {
    if (!ids.parray || !values.parray || !descrs.parray)
      throw VbError(VBERR_OUT_OF_MEMORY, VbErrorDescription(VBERR_OUT_OF_MEMORY));
  }
  Variant ids, values, descrs;
  LONG count = 0;

  int Size() const { return std::clamp<LONG>(count, 0, 101); }
  LONG Id(LONG i) const {
    LONG v = 0;
    SafeArrayGetElement(ids.parray, &i, &v);
    return v;
  }
  LONG Int(LONG i) const {
    LONG v = 0;
    SafeArrayGetElement(values.parray, &i, &v);
    return v;
  }
  std::string Text(LONG i) const {
    BSTR b = nullptr;
    SafeArrayGetElement(values.parray, &i, &b);
    std::string out = Utf8FromBstr(b);
    SysFreeString(b);
    return out;
  }
};

Variant Short_List(std::initializer_list<SHORT> ids) {
  SAFEARRAY* psa = SafeArrayCreateVector(VT_I2, 0, static_cast<ULONG>(ids.size()));
  if (!psa) throw VbError(VBERR_OUT_OF_MEMORY, VbErrorDescription(VBERR_OUT_OF_MEMORY));
  LONG i = 0;
  for (SHORT id : ids) {
    SafeArrayPutElement(psa, &i, &id);
    ++i;
  }
  return Variant::Array(psa);
}

// Releases a handle of an object at the end of a scope.
struct Handle_Guard {
  IVectorItem* item;
  LONG handle = -1;
  ~Handle_Guard() {
    if (handle != -1) item->ReleaseHandle(handle);
  }
};

}  // namespace

void Clear_Device_Tables(VbInteger kind) {
  for (int d = 0; d <= 64; ++d) {
    for (int f = 0; f <= 7; ++f) Device_List_Fields(kind, d, f) = Field{};
    for (int f = 0; f <= 20; ++f) Controller_Fields(kind, d, f) = Field{};
    for (int e = 0; e <= 2; ++e) {
      for (int f = 0; f <= 14; ++f) Engine_Fields(kind, d, e, f) = Field{};
      for (int f = 0; f <= 6; ++f) Finisher_Fields(kind, d, e, f) = Field{};
      Installed_Option_Records(kind, d, e) = {};
      Memory_Table(kind, d, e) = {};
      Firmware_Table(kind, d, e) = {};
      Input_Tray_Table(kind, d, e) = {};
      Output_Tray_Table(kind, d, e) = {};
      Alert_Table(kind, d, e) = {};
    }
    Disk_Table(kind, d) = {};
    Job_Table(kind, d) = {};
  }
  Forget_Drawn_For_List(kind);
}

void Store_Discovered(const Discovered_Device& d) {
  if (d.Has_Product) Device_List_Fields(d.List_Kind, d.Instance, 1) = d.Product_Name;
  if (d.Has_Module) Device_List_Fields(d.List_Kind, d.Instance, 2) = d.Module_Type;
  if (d.Has_Spooler) Device_List_Fields(d.List_Kind, d.Instance, 5) = d.Spooler_Name;
  if (d.Has_Address) Controller_Fields(d.List_Kind, d.Instance, 1) = d.Address;
  if (d.Has_Protocol) Controller_Fields(d.List_Kind, d.Instance, 2) = d.Protocol;
}

void Tqz_Main::Refresh_Discovery_Click() {
  Guarded([&] { Discovery_Trapped(); });
}

void Tqz_Main::Discovery_Trapped() {
  Trapped({5, 91, 400, 401, 35601}, [&] {
    Discovery_Body();
  }, [&] { Status_Idle(); });
  // A pending status message belongs to the time before this discovery;
  // whatever is read from now on shows its own.
  Clear_Status_Pending = "No";
}

void Tqz_Main::End_Attempts() {
  shared_.Set_Printer_Counts(Installed_Printer_Count, Other_Device_Count);
  Flag("Discovery_Running") = "No";
  window_.Create_Check_Discovery();
  Clear_Status_Pending = "No";
  window_.Set_Timer_Enabled(4, false);
}

void Tqz_Main::Discovery_Body() {
  Installed_Printer_Count = 0;
  Other_Device_Count = 0;
  Clear_Status_Pending = "Yes";
  window_.Set_Timer_Enabled(1, false);
  if (Flag("Options_Requested") == "Yes") {
    // The job list root belongs to the object that is replaced.
    Release_Job_Root_Handle();
    Installed_Vector_Item = Create_Vector_Item();
    Other_Vector_Item = Create_Vector_Item();
  }
  Discovery_Retries = 0;
  Discovered_Count = 0;
  Selected_Row = 0;
  Flag("Discovery_Running") = "Yes";
  window_.Create_Check_Discovery();

  for (;;) {
    bool found = false;
    while (Discovery_Retries < 2) {
      window_.Set_Hourglass(true);
      Status_Busy(Text("Finding Printers, Please Wait", 495));
      // Each attempt lists from row 0.
      Discovered_Count = 0;
      Other_Device_Count = 0;
      Installed_Printer_Count = Discover_Printers(Installed_Vector_Item.Get(), 0);
      if (Flag("UnInstalled_Enabled") == "Yes")
        Other_Device_Count = Discover_Printers(Other_Vector_Item.Get(), 1);
      if (Installed_Printer_Count + Other_Device_Count != 0) {
        Discovery_Retries = 0;
        Fill_Printer_List();
        window_.Build_Form_Caption();
        End_Attempts();
        found = true;
        break;
      }
      ++Discovery_Retries;
    }
    if (found) break;

    Status_Idle();
    window_.Set_Hourglass(false);
    window_.Set_Timer_Enabled(1, false);
    const std::string answer = window_.Ask_No_Printers();
    if (answer == "14-1" || answer == "11") {
      // Configure: the options dialog is open. Or the question was closed
      // without an answer: it is not asked again and again. Polling stays
      // off until a later discovery completes, and this one is over.
      End_Attempts();
      return;
    }
    if (answer == "11-1") {
      Message_Code = "";
      End_Attempts();
      ending_ = true;
      window_.End_Program();
      return;
    }
    Discovery_Retries = 0;
  }

  if (Flag("Options_Requested") == "Yes") Flag("Options_Requested") = "No";
  Refresh_View_Trapped();
  if (Flag("Polling_Enabled") == "Yes") window_.Set_Timer_Enabled(1, true);
  Status_Idle();
  window_.Set_Hourglass(false);
}

VbInteger Tqz_Main::Discover_Printers(IVectorItem* item, VbInteger listKind) {
  VbInteger stored = 0;
  Trapped({5, 91, 400, 35601}, [&] {
    if (!item) throw VbError(VBERR_OBJECT_NOT_SET, VbErrorDescription(VBERR_OBJECT_NOT_SET));
    struct Group_Guard {
      IVectorItem* item;
      LONG group = -1;
      ~Group_Guard() {
        if (group != -1) item->DeleteCustomGroup(group);
      }
    } group{item};
    // The last position is not taken into the group.
    item->CreateCustomGroup(Short_List({145, 0, 6002, 6005, 6001, 6008, 0}), &group.group);

    LONG root = -1;
    item->GetRootHandle(listKind == 0 ? xlpnmif::kInstalledPrinters : xlpnmif::kOtherDevices, 0,
                        &root);
    (listKind == 0 ? Installed_Root_Handle : Other_Root_Handle) = root;
    // The run has completed: the list's previous devices are gone, and a
    // device number the view showed may now be another printer.
    Clear_Device_Tables(listKind);
    if (view_kind_ == listKind) view_kind_ = -1;
    LONG count = 0;
    if (root != -1) {
      Handle_Guard rootGuard{item, root};
      LONG error = 0;
      item->GetGroupValues(root,
                           listKind == 0 ? xlpnmif::kInstalledCountGroup : xlpnmif::kOtherCountGroup,
                           xlpnmif::kModeCached, xlpnmif::kMechanismReadNow, &error);
      Value_Lists counts(false);
      item->GetCurrentIntegerValueList(root, &counts.ids, &counts.values, &counts.descrs,
                                       &counts.count);
      count = counts.Int(0);
    }
    // At most 64 devices of a list and 128 rows in all.
    count = std::clamp<LONG>(count, 0, kMaxDevicesPerList);
    count = std::min<LONG>(count, kMaxDiscoveredRows - Discovered_Count);

    for (LONG i = 0; i < count; ++i) {
      Discovered_Printers(Discovered_Count, 0) = listKind;
      Discovered_Printers(Discovered_Count, 1) = static_cast<VbInteger>(i);
      ++Discovered_Count;
      ++stored;

      Discovered_Device device;
      device.List_Kind = listKind;
      device.Instance = static_cast<VbInteger>(i);
      Handle_Guard handle{item};
      item->GetRootHandle(listKind == 0 ? xlpnmif::kInstalledPrinter : xlpnmif::kOtherDevice, i,
                          &handle.handle);
      LONG error = 0;
      item->GetGroupValues(handle.handle, group.group, xlpnmif::kModeCached,
                           xlpnmif::kMechanismReadNow, &error);
      Value_Lists ints(false);
      item->GetCurrentIntegerValueList(handle.handle, &ints.ids, &ints.values, &ints.descrs,
                                       &ints.count);
      for (int k = 0; k < ints.Size(); ++k) {
        if (ints.Id(k) == xlpnmif::kDeviceIsIp) {
          device.Has_Protocol = true;
          device.Protocol = Decode_Protocol(ints.Int(k));
        }
      }
      Value_Lists texts(true);
      item->GetCurrentStringValueList(handle.handle, &texts.ids, &texts.values, &texts.descrs,
                                      &texts.count);
      for (int k = 0; k < texts.Size(); ++k) {
        switch (texts.Id(k)) {
          case xlpnmif::kDeviceProductName:
            device.Has_Product = true;
            device.Product_Name = texts.Text(k);
            break;
          case 145:
            device.Has_Module = true;
            device.Module_Type = texts.Text(k);
            break;
          case xlpnmif::kDeviceSpoolerName:
            device.Has_Spooler = true;
            device.Spooler_Name = texts.Text(k);
            break;
          case xlpnmif::kDeviceAddress:
            device.Has_Address = true;
            device.Address = texts.Text(k);
            break;
          default:
            break;
        }
      }
      Store_Discovered(device);
    }
  }, [&] { stored = 0; });
  return stored;
}

void Tqz_Main::Fill_Printer_List() {
  Trapped({5, 91, 400, 35601}, [&] {
    window_.lvwIPs_Clear();
    Selected_Item_Index = 1;
    Marked_Item_Index = 0;
    for (VbInteger i = 1; i <= Discovered_Count; ++i) {
      Selected_Row = i;
      Select_Row_Of_Item(i);
      const VbInteger kind = Selected_List_Kind;
      const VbInteger device = Selected_Device;
      IVectorItem* item = Object_Of(kind);
      readers_.Get_Device_Flag(item, kind, device, Selected_Row);
      Machine_State_Code = 0;
      readers_.Get_Printer_State(item, 0);
      if (Is_Tandem(kind, device)) readers_.Get_Printer_State(item, 1);

      Current_List_Item = window_.lvwIPs_Add();
      window_.lvwIPs_Repaint();
      window_.Set_Hourglass(true);
      window_.lvwIPs_Set_Icon(Current_List_Item, Status_Icon_Of(Machine_State_Code));
      std::string text = Display_Name(kind, device);
      if (text.empty()) text = Device_Address(kind, device);
      window_.lvwIPs_Set_Text(Current_List_Item, text);
      Selected_Row = text == Remembered_Printer_Text &&
                             Spooler_Name(kind, device) == Remembered_Spooler_Name
                         ? i
                         : VbInteger{1};
      Marked_Item_Index = Selected_Row;
    }
    if (Selected_Row > 0) {
      window_.lvwIPs_Select(Selected_Row);
      window_.lvwIPs_Set_Marked(Selected_Row, true);
      Selected_Item_Index = Selected_Row;
      Select_Row_Of_Item(Selected_Row);
    }
    window_.Set_Hourglass(false);
    Status_Idle();
  });
}

}  // namespace vlm::monitor
