// The main window's discovery, printer list, selection, polling, view
// refresh, menus and load, on the window's ports.
#include "monitor/mainwin/mainwin.h"

#include <algorithm>
#include <cstdio>
#include <initializer_list>

#include "monitor/devicedata/devicedata.h"
#include "monitor/tabs/frmTQZ_tabs.h"
#include "monitor/mainwin/silent_item.h"

namespace vlm::monitor {
namespace {

// Runs the readers of one printer until one of them times out: a printer
// that does not answer costs a whole time-out cycle for each further read.
// Each reader after that runs on a silent stand-in instead (the reader's
// object, `item`, swapped for it while it runs), which answers at once as
// the printer did, so that the reader takes its own failure path and the
// tab shows what the real reads would have shown: nothing of the printer
// read before, the printer's own last good values, the not-responding
// text. Those stand-in reads cost no time-out cycle and are not counted in
// Silent_Read_Count. A procedure run inside another's reads (the engine
// box's Click inside a selection or a refresh) goes on from the outer one's
// start.
class Until_Silent {
 public:
  explicit Until_Silent(IVectorItem*& item)
      : item_(item), outer_(active_), before_(outer_ ? outer_->before_ : Silent_Read_Count) {
    active_ = this;
  }
  ~Until_Silent() { active_ = outer_; }
  Until_Silent(const Until_Silent&) = delete;
  Until_Silent& operator=(const Until_Silent&) = delete;

  // Whether the printer answered every read so far (and so read this one).
  template <class F>
  bool operator()(F&& reader) {
    if (Silent_Read_Count == before_) {
      reader();
      return Silent_Read_Count == before_;
    }
    if (!stand_in_) stand_in_ = MakeComObject<Silent_Vector_Item>(Silent_Read_Code);
    if (!stand_in_) return false;
    IVectorItem* const printer = item_;
    const VbLong count = Silent_Read_Count;
    item_ = stand_in_.Get();
    struct Restore {
      IVectorItem*& item;
      IVectorItem* printer;
      VbLong count;
      ~Restore() {
        item = printer;
        Silent_Read_Count = count;
      }
    } restore{item_, printer, count};
    reader();
    return false;
  }

 private:
  static inline Until_Silent* active_ = nullptr;
  IVectorItem*& item_;
  Until_Silent* outer_;
  VbLong before_;
  ComPtr<Silent_Vector_Item> stand_in_;
};

bool Is_Quiet(LONG number, std::initializer_list<LONG> quiet) {
  return std::find(quiet.begin(), quiet.end(), number) != quiet.end();
}

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

// Whether a text is a dotted IPv4 address: four decimal segments 0..255.
bool Is_Dotted_Quad(const std::string& text) {
  int segments = 0;
  std::size_t i = 0;
  while (i <= text.size()) {
    std::size_t j = i;
    int value = 0;
    while (j < text.size() && text[j] >= '0' && text[j] <= '9' && j - i < 3) {
      value = value * 10 + (text[j] - '0');
      ++j;
    }
    if (j == i || value > 255) return false;
    ++segments;
    if (j == text.size()) return segments == 4;
    if (text[j] != '.') return false;
    i = j + 1;
  }
  return false;
}

}  // namespace

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
}

void Store_Discovered(const Discovered_Device& d) {
  if (d.Has_Product) Device_List_Fields(d.List_Kind, d.Instance, 1) = d.Product_Name;
  if (d.Has_Module) Device_List_Fields(d.List_Kind, d.Instance, 2) = d.Module_Type;
  if (d.Has_Spooler) Device_List_Fields(d.List_Kind, d.Instance, 5) = d.Spooler_Name;
  if (d.Has_Address) Controller_Fields(d.List_Kind, d.Instance, 1) = d.Address;
  if (d.Has_Protocol) Controller_Fields(d.List_Kind, d.Instance, 2) = d.Protocol;
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

bool Tqz_Main::Trap(const VbError& e, std::initializer_list<LONG> quiet) {
  Last_Error_Number = e.Number();
  Last_Error_Description = e.Description();
  window_.Set_Hourglass(false);
  if (Is_Quiet(e.Number(), quiet)) return true;
  Report_Error();
  return false;
}

std::string Tqz_Main::Text(const char* english, VbLong id) {
  return Localised == "On" ? Trim_At_Null(Load_Res_String(id)) : std::string(english);
}

void Tqz_Main::Status_Idle() { window_.Set_Status(kStatusIdleColour, "", false); }
void Tqz_Main::Status_Busy(const std::string& caption) {
  window_.Set_Status(kStatusBusyColour, caption, false);
}

Tqz_Main::View_Scope::View_Scope(Tqz_Main& m) : previous_(View_Printer_Changed) {
  const bool changed = m.view_kind_ != Selected_List_Kind || m.view_device_ != Selected_Device;
  if (changed) {
    m.view_kind_ = Selected_List_Kind;
    m.view_device_ = Selected_Device;
    Forget_Engine_Options();
  }
  View_Printer_Changed = previous_ || changed;
}

void Tqz_Main::Select_Row_Of_Item(int index) {
  if (index < 1 || index > Discovered_Count)
    throw VbError(VBERR_SUBSCRIPT, VbErrorDescription(VBERR_SUBSCRIPT));
  Selected_List_Kind = Discovered_Printers(index - 1, 0);
  Selected_Device = Discovered_Printers(index - 1, 1);
}

// ---------------------------------------------------------------------------
// Window load

void Tqz_Main::Form_Load() {
  Busy_Scope busy(*this);
  try {
    window_.Localise_Main_Window();
    window_.Add_Tray_Icon();
    if (Flag("Registry_Entries_Found") == "No") return;
    Load_After_Checks();
  } catch (const VbError& e) {
    Trap(e, {5, 400, 35601, 91});
  }
}

void Tqz_Main::Load_After_Checks() {
  Busy_Scope busy(*this);
  try {
    Selected_Item_Index = 1;
    window_.Get_Preferences_Values();
    window_.Set_Hourglass(true);
    readers_.Get_OS_Version();
    Selected_Row = 0;
    Discovered_Count = 0;
    Selected_List_Kind = 0;
    Current_Tab = 0;
    Selected_Device = 0;
    Selected_Engine = 0;
    Remembered_Printer_Text = "NULL";
    Remembered_Spooler_Name = "NULL";
    Installed_Vector_Item = Create_Vector_Item();
    Other_Vector_Item = Create_Vector_Item();
    if (Message_Code == "16-1") {
      Message_Code = "";
      return;
    }
    window_.Show_Window();
    window_.Hide_Jobs_Tab();
    window_.Repaint_Window();
    Discovery_Retries = 0;

    Flag("Discovery_Running") = "Yes";
    window_.Create_Check_Discovery();
    window_.Set_Hourglass(true);
    Discovery_Trapped();
    if (ending_) return;
    Flag("Discovery_Running") = "No";
    window_.Create_Check_Discovery();
    window_.Set_Hourglass(true);

    if (Installed_Printer_Count > 0 || Other_Device_Count > 0) {
      const VbInteger kind = Installed_Printer_Count > 0 ? 0 : 1;
      Selected_Row = 1;
      Selected_List_Kind = kind;
      IVectorItem* item = Object_Of(kind);
      readers_.Get_Summary_Info(item, 0);
      readers_.Get_Finisher_Model(item);
      readers_.UpdateIPController(item);
      readers_.Get_Printer_Identity(item, 0);
      window_.Set_Hourglass(kind != 0);
    }
    window_.Repaint_Window();
    window_.Set_Hourglass(false);

    if (Flag("Polling_Enabled") == "Yes") {
      window_.Set_Timer_Interval(1, window_.Polling_Interval_Milliseconds());
      window_.Set_Timer_Enabled(1, true);
    } else {
      window_.Set_Timer_Enabled(1, false);
    }
    Status_Idle();
    window_.Set_Hourglass(false);
  } catch (const VbError& e) {
    Trap(e, {5, 400, 35601, 91});
  }
}

// ---------------------------------------------------------------------------
// Discovery and the printer list

void Tqz_Main::Refresh_Discovery_Click() {
  if (Busy()) return;
  Busy_Scope busy(*this);
  Discovery_Trapped();
}

void Tqz_Main::Discovery_Trapped() {
  try {
    Discovery_Body();
  } catch (const VbError& e) {
    Status_Idle();
    Trap(e, {5, 91, 400, 401, 35601});
  }
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
  try {
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
    return stored;
  } catch (const VbError& e) {
    Trap(e, {5, 91, 400, 35601});
    return 0;
  }
}

void Tqz_Main::Fill_Printer_List() {
  try {
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
  } catch (const VbError& e) {
    Trap(e, {5, 91, 400, 35601});
  }
}

// ---------------------------------------------------------------------------
// Selection

void Tqz_Main::lvwIPs_ItemClick(int index) {
  try {
    Comm_Error_On = "Off";
    Status_Idle();
    window_.Set_Hourglass(true);
    if (index < 1 || index > Discovered_Count) {
      window_.Set_Hourglass(false);
      return;
    }
    Selected_Row = static_cast<VbInteger>(index);
    Selected_Item_Index = index;
    Select_Row_Of_Item(index);
    View_Scope view(*this);
    Current_Tab = static_cast<VbInteger>(window_.Current_Tab());
    if (Marked_Item_Index > 0) window_.lvwIPs_Set_Marked(Marked_Item_Index, false);
    Marked_Item_Index = static_cast<VbInteger>(index);
    window_.lvwIPs_Set_Marked(index, true);

    const VbInteger kind = Selected_List_Kind;
    const bool tandem = Is_Tandem(kind, Selected_Device);
    // The engine box's Click raised here reads the printer as a part of
    // this selection.
    IVectorItem* item = nullptr;
    Until_Silent read(item);
    if (!tandem || window_.ComboPrinter_ListIndex(Current_Tab) == -1) {
      window_.Set_ComboPrinter_ListIndex(Current_Tab, 0);
      Selected_Engine = 0;
    }
    item = Object_Of(kind);
    window_.Build_Form_Caption();
    read([&] { readers_.Get_Printer_Identity(item, 0); });
    read([&] { readers_.Get_MIB_Version(item); });

    auto engineBox = [&](const char* label) {
      window_.Set_Visible(label, 1, tandem);
      window_.Set_Visible("ComboPrinter", Current_Tab, tandem);
    };
    switch (Current_Tab) {
      case 0:
        window_.Set_Hourglass(true);
        read([&] { readers_.Get_Summary_Info(item, 0); });
        break;
      case 1:
        read([&] { readers_.Get_Device_Functions(item, 0); });
        read([&] { readers_.UpdateIPController(item); });
        read([&] { readers_.Get_Device_Status(item); });
        break;
      case 2:
        engineBox("LabelEngine");
        read([&] { readers_.Get_Engine_Counters(item, Selected_Engine); });
        if (!Keep_Silent_Printer_View()) {
          read([&] { readers_.Fill_Memory(item); });
          read([&] { readers_.Fill_Firmware(item); });
        }
        break;
      case 3:
        engineBox("LabelAlert");
        Choose_Tab_Engine();
        read([&] { readers_.Get_Summary_Info(item, Selected_Engine); });
        read([&] { readers_.Get_Finisher_Model(item); });
        read([&] { readers_.UpdateAlertError(item); });
        break;
      case 4:
        engineBox("LabelInput");
        Selected_Tray = 0;
        Selected_Bin = 0;
        Choose_Tab_Engine();
        if (Localised == "On") {
          window_.Set_Caption("LabelInput", 0, Text("", 151));
          window_.Set_Caption("LabelInput", 2, Text("", 442));
          window_.Set_Caption("Label17", -1, Text("", 443));
          window_.Set_Caption("Label18", -1, Text("", 414));
        }
        read([&] { readers_.Get_Finisher_Model(item); });
        read([&] { readers_.UpdatePaperInput(item); });
        read([&] { readers_.Draw_Input_Picture(item); });
        read([&] { readers_.Get_Engine_Model(item, Selected_Engine); });
        break;
      case 5:
        engineBox("LabelOutput");
        Selected_Tray = 0;
        Selected_Bin = 0;
        read([&] { readers_.UpdatePrinter(item); });
        if (!Keep_Silent_Printer_View()) {
          read([&] { readers_.UpdateQuickView(item); });
          read([&] { readers_.UpdatePaperOutput(item); });
          read([&] { readers_.Fill_Output_Trays(item); });
          read([&] { readers_.Draw_Output_Picture(item); });
        }
        break;
      case 6:
        read([&] { readers_.UpdateQuickView(item); });
        read([&] { readers_.UpdateJobs(item); });
        break;
      default:
        break;
    }
    window_.Set_Hourglass(false);
  } catch (const VbError& e) {
    Trap(e, {5, 91, 400, 401, 35601});
  }
}

void Tqz_Main::Choose_Tab_Engine() {
  // A printer that is not a tandem pair has engine 0 only, whatever was
  // chosen for another printer.
  const VbInteger engine = Is_Tandem(Selected_List_Kind, Selected_Device) ? Engine_Choice : VbInteger{0};
  window_.Set_ComboPrinter_ListIndex(Current_Tab, engine);
  Selected_Engine = engine;
}

void Tqz_Main::ComboPrinter_Click(int index) {
  try {
    Selected_Engine = static_cast<VbInteger>(window_.ComboPrinter_ListIndex(index));
    Engine_Choice = Selected_Engine;
    if (Discovered_Count == 0) return;
    // An engine the printer lacks puts the box back to "Printer 1", whose
    // Click reads engine 0 in its place.
    if (Selected_Engine != 0 && !Is_Tandem(Selected_List_Kind, Selected_Device)) {
      window_.Set_ComboPrinter_ListIndex(index, 0);
      return;
    }
    IVectorItem* item = Object_Of(Selected_List_Kind);
    Until_Silent read(item);
    switch (index) {
      case 2:
        read([&] { readers_.UpdatePrinter(item); });
        break;
      case 3:
        read([&] { readers_.Get_Finisher_Model(item); });
        read([&] { readers_.UpdateAlertError(item); });
        read([&] { readers_.Draw_Status_Picture(item); });
        break;
      case 4:
        window_.Set_Hourglass(true);
        read([&] { readers_.Get_Finisher_Model(item); });
        read([&] { readers_.UpdatePaperInput(item); });
        read([&] { readers_.Draw_Input_Picture(item); });
        read([&] { readers_.Get_Engine_Model(item, Selected_Engine); });
        window_.Set_Hourglass(false);
        break;
      case 5:
        read([&] { readers_.Get_Finisher_Model(item); });
        read([&] { readers_.UpdatePrinter(item); });
        read([&] { readers_.UpdatePaperOutput(item); });
        read([&] { readers_.Draw_Output_Picture(item); });
        break;
      case 6:
        read([&] { readers_.UpdateJobs(item); });
        break;
      default:
        break;
    }
    window_.lvwIPs_Set_Focus();
  } catch (const VbError& e) {
    Trap(e, {5, 91, 400, 35601});
  }
}

void Tqz_Main::Picture1_Click() {
  try {
    window_.lvwIPs_Set_Focus();
    if (Selected_Item_Index >= 1 && Selected_Item_Index <= window_.lvwIPs_Count())
      window_.lvwIPs_Select(Selected_Item_Index);
    if (Column_Click_Pending == "On") Column_Click_Pending.clear();
  } catch (const VbError& e) {
    Trap(e, {5, 91, 400, 35601});
  }
}

// ---------------------------------------------------------------------------
// The view refresh and the timers

void Tqz_Main::Tab_Captions(int tab) {
  if (Localised != "On") return;
  struct Caption {
    const char* control;
    int index;
    VbLong id;
  };
  static const std::initializer_list<Caption> kTab1 = {
      {"LabelAlert", 3, 333}, {"LabelIP", 0, 151},   {"LabelIP", 1, 216},   {"LabelIP", 3, 144},
      {"LabelIP", 4, 241},    {"LabelIP", 7, 342},   {"LabelIP", 8, 155},   {"LabelIP", 9, 215},
      {"LabelIP", 2, 266},    {"LabelIP", 10, 437},  {"LabelIP", 6, 134},   {"HardDisk", 1, 207},
      {"Label2", 2, 208},     {"Label2", 3, 436},    {"Label3", 2, 206},    {"Memory", 0, 256},
      {"Label2", 1, 257},     {"Label3", 1, 255}};
  static const std::initializer_list<Caption> kTab2 = {
      {"Firmware", 2, 202},     {"Frame1", 4, 256},       {"EngineCount", 5, 187},
      {"Label5", -1, 412},      {"Label7", -1, 413},      {"Label9", -1, 414},
      {"LabelEngine", 0, 151},  {"LabelEngine", 2, 188},  {"LabelEngine", 3, 189},
      {"LabelEngine", 4, 323},  {"LabelEngine", 5, 324},  {"LabelEngine", 6, 161},
      {"LabelEngine", 7, 291},  {"LabelEngine", 8, 334},  {"LabelEngine", 9, 311},
      {"LabelEngine", 10, 200}, {"LabelEngine", 12, 439}};
  static const std::initializer_list<Caption> kTab3 = {{"LabelAlert", 0, 151},
                                                       {"PrinterAlert", -1, 310}};
  static const std::initializer_list<Caption> kTab4 = {
      {"LabelInput", 0, 151}, {"LabelInput", 2, 442}, {"Label17", -1, 443}, {"Label18", -1, 414}};
  static const std::initializer_list<Caption> kTab5 = {
      {"LabelOutput", 0, 151}, {"OutputInfo", 0, 288},  {"FinisherInfo", 2, 199},
      {"LabelOutput", 2, 200}, {"LabelOutput", 3, 278}, {"LabelOutput", 4, 142},
      {"LabelOutput", 5, 205}, {"LabelOutput", 6, 344}};
  const std::initializer_list<Caption>* table = nullptr;
  switch (tab) {
    case 1: table = &kTab1; break;
    case 2: table = &kTab2; break;
    case 3: table = &kTab3; break;
    case 4: table = &kTab4; break;
    case 5: table = &kTab5; break;
    default: return;
  }
  for (const Caption& c : *table) window_.Set_Caption(c.control, c.index, Text("", c.id));
}

void Tqz_Main::Refresh_The_View() {
  if (Busy()) return;
  Busy_Scope busy(*this);
  Refresh_The_View_Trapped();
}

void Tqz_Main::Refresh_The_View_Trapped() {
  try {
    Refresh_The_View_Body();
  } catch (const VbError& e) {
    if (Trap(e, {5, 91, 400, 401, 35601})) Polling_Tick_Active = "No";
  }
}

void Tqz_Main::Refresh_The_View_Body() {
  if (Discovered_Count == 0) return;
  // The view is read only while the monitor's own window is in front.
  if (!window_.Is_Active_Window()) {
    window_.Set_Hourglass(false);
    return;
  }
  window_.Set_Hourglass(true);
  const int selected = window_.lvwIPs_Selected();
  if (selected == 0)
    throw VbError(VBERR_OBJECT_NOT_SET, VbErrorDescription(VBERR_OBJECT_NOT_SET));
  window_.lvwIPs_Select(selected);
  Selected_Row = static_cast<VbInteger>(selected);
  Select_Row_Of_Item(selected);
  View_Scope view(*this);
  Current_Tab = static_cast<VbInteger>(window_.Current_Tab());
  IVectorItem* item = Object_Of(Selected_List_Kind);

  Until_Silent read(item);
  read([&] { readers_.Get_Printer_Identity(item, 0); });
  switch (Current_Tab) {
    case 0:
      window_.Set_Hourglass(true);
      read([&] { readers_.Get_Summary_Info(item, 0); });
      window_.Set_Hourglass(false);
      break;
    case 1:
      Tab_Captions(1);
      read([&] { readers_.UpdateIPController(item); });
      read([&] { readers_.Get_Device_Status(item); });
      read([&] { readers_.Get_MIB_Version(item); });
      break;
    case 2:
      Tab_Captions(2);
      Choose_Tab_Engine();
      read([&] { readers_.Get_Engine_Counters(item, Selected_Engine); });
      read([&] { readers_.Fill_Memory(item); });
      read([&] { readers_.Fill_Firmware(item); });
      break;
    case 3:
      Tab_Captions(3);
      Choose_Tab_Engine();
      read([&] { readers_.Get_Finisher_Model(item); });
      read([&] { readers_.UpdateAlertError(item); });
      break;
    case 4:
      Selected_Tray = 0;
      Selected_Bin = 0;
      Tab_Captions(4);
      Choose_Tab_Engine();
      read([&] { readers_.Get_Engine_Model(item, Selected_Engine); });
      if (Keep_Silent_Printer_View()) break;
      read([&] { readers_.Get_Finisher_Model(item); });
      read([&] { readers_.UpdatePaperInput(item); });
      read([&] { readers_.Draw_Input_Picture(item); });
      read([&] { readers_.Get_Installed_Options(item, 0); });
      if (Is_Tandem(Selected_List_Kind, Selected_Device))
        read([&] { readers_.Get_Installed_Options(item, 1); });
      break;
    case 5:
      Selected_Tray = 0;
      Selected_Bin = 0;
      Tab_Captions(5);
      Choose_Tab_Engine();
      read([&] { readers_.Get_Engine_Model(item, Selected_Engine); });
      if (Keep_Silent_Printer_View()) break;
      read([&] { readers_.Get_Finisher_Model(item); });
      read([&] { readers_.UpdatePaperOutput(item); });
      read([&] { readers_.Fill_Output_Trays(item); });
      read([&] { readers_.Draw_Output_Picture(item); });
      break;
    case 6:
      read([&] { readers_.UpdateJobs(item); });
      break;
    default:
      break;
  }
  window_.Set_Hourglass(false);
}

void Tqz_Main::Status_Icons() {
  for (VbInteger i = 1; i <= Discovered_Count; ++i) {
    Selected_Row = i;
    Select_Row_Of_Item(i);
    const VbInteger kind = Selected_List_Kind;
    const VbInteger device = Selected_Device;
    IVectorItem* item = Object_Of(kind);
    Machine_State_Code = 0;
    readers_.Get_Printer_State(item, 0);
    if (Is_Tandem(kind, device)) readers_.Get_Printer_State(item, 1);
    Current_List_Item = i;
    window_.lvwIPs_Set_Icon(i, Status_Icon_Of(Machine_State_Code));
    Selected_Row = window_.lvwIPs_Text(i) == Remembered_Printer_Text &&
                           Spooler_Name(kind, device) == Remembered_Spooler_Name
                       ? i
                       : VbInteger{1};
  }
  if (Selected_Item_Index < 1 || Selected_Item_Index > Discovered_Count) Selected_Item_Index = 1;
  window_.lvwIPs_Select(Selected_Item_Index);
  window_.lvwIPs_Set_Marked(Selected_Item_Index, true);
  Select_Row_Of_Item(Selected_Item_Index);
}

void Tqz_Main::Timer1_Timer() {
  if (Busy()) return;
  Busy_Scope busy(*this);
  try {
    if (Installed_Printer_Count + Other_Device_Count == 0) return;
    Polling_Tick_Active = "Yes";
    Status_Busy(Text("Updating Values", 494));
    Refresh_The_View_Trapped();
    window_.Set_Hourglass(false);
    Status_Icons();
    window_.Set_Hourglass(false);
    Polling_Tick_Active = "No";
    Status_Idle();
  } catch (const VbError& e) {
    Status_Idle();
    if (Trap(e, {5, 91, 400, 35601})) Polling_Tick_Active = "No";
  }
}

void Tqz_Main::Refresh_View_Click() {
  if (Busy()) return;
  Busy_Scope busy(*this);
  Refresh_View_Trapped();
}

void Tqz_Main::Refresh_View_Trapped() {
  try {
    View_Refresh_Requested = "Yes";
    window_.Set_Timer_Enabled(1, false);
    Status_Busy(Text("Updating Values", 494));
    Refresh_The_View_Trapped();
    Status_Idle();
    window_.Set_Hourglass(false);
    if (Flag("Polling_Enabled") == "Yes") window_.Set_Timer_Enabled(1, true);
  } catch (const VbError& e) {
    Status_Idle();
    Trap(e, {5, 91, 400, 35601});
  }
}

void Tqz_Main::Timer2_Timer() {
  // A discovery waits while another operation runs; the timer keeps going.
  if (Busy()) return;
  Busy_Scope busy(*this);
  try {
    if (Flag("Discovery_Requested") != "Yes") return;
    window_.Set_Timer_Enabled(2, false);
    Flag("Discovery_Requested") = "No";
    Discovery_Trapped();
    if (ending_) return;
    Status_Idle();
  } catch (const VbError& e) {
    Trap(e, {5, 91, 400, 35601});
  }
}

void Tqz_Main::Timer3_Timer() {
  try {
    window_.Leave_Whats_This_Mode();
  } catch (const VbError& e) {
    Last_Error_Number = e.Number();
    Last_Error_Description = e.Description();
  }
  window_.Set_Timer_Enabled(3, false);
}

void Tqz_Main::Timer4_Timer() {
  if (Clear_Status_Pending == "Yes") {
    Clear_Status_Pending = "No";
    window_.Set_Status(kStatusIdleColour, "", false);
    window_.Set_Timer_Enabled(4, false);
    return;
  }
  window_.Set_Status(kStatusErrorColour, Comm_Error_Text, true);
  window_.Set_Timer_Enabled(4, false);
}

void Tqz_Main::Timer5_Timer() {
  window_.Repaint("OutputInfo", 0);
  window_.Repaint("lvwOutputTray", -1);
  window_.Set_Timer_Enabled(5, false);
}

void Tqz_Main::SSTab1_Click(int previousTab) {
  try {
    static const int kTopics[] = {1162, 1201, 1210, 1158, 1171, 1188};
    const int tab = window_.Current_Tab();
    if (tab >= 0 && tab <= 5) window_.Set_Tab_Help_Topic(kTopics[tab]);
    struct Hidden {
      int tab;
      const char* control;
      int index;
    };
    static const Hidden kHidden[] = {
        {2, "ComboPrinter", 2}, {2, "LabelEngine", 1}, {2, "lvwEngineFirmware", -1},
        {2, "lvwEngineMemory", -1}, {3, "ComboPrinter", 3}, {3, "LabelAlert", 1},
        {3, "Label13", -1}, {3, "lvwEngineAlert", -1}, {3, "Picture1", -1},
        {4, "ComboPrinter", 4}, {4, "LabelInput", 1}, {4, "lvwInputTray", -1},
        {4, "Picture2", -1}, {5, "ComboPrinter", 5}, {5, "LabelOutput", 1},
        {5, "lvwOutputTray", -1}, {5, "Picture3", -1}};
    for (const Hidden& h : kHidden)
      if (h.tab == previousTab) window_.Set_Visible(h.control, h.index, false);
    Last_Clicked_Row = 1;
    if (Busy()) return;
    Busy_Scope busy(*this);
    Refresh_The_View_Trapped();
  } catch (const VbError& e) {
    Trap(e, {5, 91, 400, 401, 35601});
  }
}

void Tqz_Main::SSTab1_GotFocus() {
  try {
    const int tab = window_.Current_Tab();
    const bool tandem =
        Discovered_Count > 0 &&
        Is_Tandem(Selected_List_Kind, Selected_Device);
    if (tab == 2) {
      window_.Set_Visible("lvwEngineFirmware", -1, true);
      window_.Set_Visible("lvwEngineMemory", -1, true);
    }
    window_.Set_Visible("LabelEngine", 1, tab == 2 && tandem);
    window_.Set_Visible("ComboPrinter", 2, tab == 2 && tandem);
    struct Shown {
      int tab;
      std::initializer_list<const char*> always;
      const char* label;
    };
    static const Shown kShown[] = {
        {3, {"Label13", "lvwEngineAlert", "Picture1"}, "LabelAlert"},
        {4, {"lvwInputTray", "Picture2"}, "LabelInput"},
        {5, {"lvwOutputTray", "Picture3"}, "LabelOutput"}};
    for (const Shown& s : kShown) {
      if (s.tab != tab) continue;
      for (const char* control : s.always) window_.Set_Visible(control, -1, true);
      // The engine box is a tandem's only: a single-engine printer never
      // shows it, whatever the tab showed before.
      window_.Set_Visible("ComboPrinter", tab, tandem);
      window_.Set_Visible(s.label, 1, tandem);
    }
    window_.Set_Hourglass(false);
    const std::string& code = Message_Code;
    if (code != "13" && code != "11" && code != "14-1") window_.lvwIPs_Set_Focus();
  } catch (const VbError& e) {
    Trap(e, {5, 9, 400, 35600});
  }
}

// ---------------------------------------------------------------------------
// Menus

void Tqz_Main::Command_Click() { window_.Set_Web_Enabled(Flag("IP_Enabled") != "No"); }

void Tqz_Main::StartDoc(const std::string& document) { window_.Open_Document(document); }

void Tqz_Main::Web_Click() {
  try {
    window_.Set_Hourglass(true);
    if (Discovered_Count > 0) {
      const VbInteger kind = Selected_List_Kind;
      const VbInteger device = Selected_Device;
      const std::string address = Device_Address(kind, device);
      // Only a TCP/IP device has a web page, and only a real address makes
      // one ("http:///" would open whatever the desktop makes of it).
      if (Device_Protocol(kind, device) == Decode_Protocol(1) && Is_Dotted_Quad(address))
        StartDoc("http://" + address + "/");
    }
    window_.Set_Hourglass(false);
  } catch (const VbError& e) {
    Trap(e, {5, 91, 400, 35601});
  }
}

void Tqz_Main::Content_Click() {
  try {
    window_.Set_Hourglass(true);
    // The help file without the topic that follows "::".
    std::string file = Help_File.substr(0, Help_File.find("::"));
    if (!file.empty()) StartDoc("file://" + file);
    window_.Set_Hourglass(false);
  } catch (const VbError& e) {
    Trap(e, {5, 91, 400, 35601});
  }
}

void Tqz_Main::Options_Click() {
  window_.Set_Timer_Enabled(1, false);
  window_.Show_Options();
}

void Tqz_Main::About_Click() { window_.Show_About(); }

void Tqz_Main::Context_Help_Click() {
  window_.Enter_Whats_This_Mode();
  window_.Set_Timer_Enabled(3, true);
}

void Tqz_Main::Exit_System_Click() {
  try {
    window_.Unload_Window();
  } catch (const VbError& e) {
    Trap(e, {5, 91, 400, 35601});
  }
}

void Tqz_Main::IconView_Click() { window_.lvwIPs_Set_View(0); }
void Tqz_Main::SmallIcon_Click() { window_.lvwIPs_Set_View(1); }
void Tqz_Main::ListView_Click() { window_.lvwIPs_Set_View(2); }

}  // namespace vlm::monitor
