// The retrieval frame, the per-device tables' helpers, the error trap and
// the general error report.
#include <algorithm>
#include <exception>
#include <functional>
#include <map>
#include <utility>
#include <string>

#include "monitor/devicedata/retrieval.h"

namespace vlm::monitor {

std::string Field_Text(const Field& f) {
  if (const auto* n = std::get_if<VbLong>(&f)) return std::to_string(*n);
  if (const auto* s = std::get_if<std::string>(&f)) return *s;
  if (const auto* b = std::get_if<bool>(&f)) return *b ? "True" : "False";
  return {};
}

void Raise_Vb_Error(VbLong number) { throw VbError(number, VbErrorDescription(number)); }

void Raise_Subscript_Error() { Raise_Vb_Error(VBERR_SUBSCRIPT); }

void Release_Job_Root_Handle() noexcept {
  Job_Root root = std::move(Job_Root_Handle);
  Job_Root_Handle = Job_Root{};
  if (root.Item && root.Handle != -1) root.Item->ReleaseHandle(root.Handle);
}

void Report_Error() {
  Message_Code = "15";
  const bool localised = Localised == "On";
  Program_Title = localised ? Load_Res_String(235) : "Velmar Printer Monitor";
  if (Message_Box == nullptr) return;
  Message_Box->Set_Visible("Command1", false);
  Message_Box->Set_Visible("Command2", false);
  Message_Box->Set_Left("Command3", 1365);
  Message_Box->Set_Caption("Command3", localised ? Load_Res_String(276) : "Ok");
  Message_Box->Set_Caption("", std::string(15, ' ') + Program_Title);
  Message_Box->Set_Text("Text3", std::to_string(Last_Error_Number) + "    " + Last_Error_Description);
  Message_Box->Show_Modal();
}

Printer_Key Printer_Read(VbInteger engine) { return {Selected_List_Kind, Selected_Device, engine}; }

namespace {

// Control name and array index of each control drawn, with its printer.
std::map<std::pair<std::string, VbInteger>, Printer_Key>& Drawn_Controls() {
  static std::map<std::pair<std::string, VbInteger>, Printer_Key> drawn;
  return drawn;
}

}  // namespace

bool Drawn_For(const Printer_Key& printer, std::string_view control, VbInteger index) {
  const auto& drawn = Drawn_Controls();
  const auto it = drawn.find({std::string(control), index});
  return it != drawn.end() && it->second == printer;
}

void Mark_Drawn(const Printer_Key& printer, std::string_view control, VbInteger index) {
  Drawn_Controls()[{std::string(control), index}] = printer;
}

void Forget_Drawn(std::string_view control, VbInteger index) {
  Drawn_Controls().erase({std::string(control), index});
}

void Forget_All_Drawn() { Drawn_Controls().clear(); }

void Forget_Drawn_For_List(VbInteger kind) {
  std::erase_if(Drawn_Controls(), [kind](const auto& entry) { return entry.second.Kind == kind; });
  for (Printer_Key& owner : Engine_Options_Printer)
    if (owner.Kind == kind) owner = Printer_Key{};
}

namespace retrieval {

void Draw(const Printer_Key& printer, std::string_view control, VbInteger index,
          const std::string& caption) {
  Set_Caption(control, index, caption);
  Mark_Drawn(printer, control, index);
}

void Draw_Kept(const Printer_Key& printer, std::string_view control, VbInteger index,
               const std::string& kept) {
  if (!Drawn_For(printer, control, index)) Draw(printer, control, index, kept);
}

void Check(HRESULT hr) {
  if (FAILED(hr)) throw VbErrorFromHResult(hr, VbCall::Invoke);
}

void Check_Not_Responding(LONG error_code) {
  if (!Is_Not_Responding(error_code)) return;
  Comm_Error_On = "On";
  if (Main_Window != nullptr) Main_Window->Set_Timer4_Enabled(true);
  Comm_Error_Text = Not_Responding_Phrase + " (" + Error_Code_Phrase + " " +
                    std::to_string(error_code) + ")";
}

VbInteger Clamp_Count(LONG value, int capacity) {
  return static_cast<VbInteger>(std::clamp<LONG>(value, 0, capacity));
}

VbInteger First_Count(const Value_List& list, int capacity) {
  return list.Count() > 0 ? Clamp_Count(list.Integers[0], capacity) : VbInteger{0};
}

bool Trap_Error(const VbError& error, std::span<const VbLong> quiet,
                const std::function<void()>& restore) {
  Last_Error_Number = error.Number();
  Last_Error_Description = error.Description();
  const bool is_quiet = std::find(quiet.begin(), quiet.end(), error.Number()) != quiet.end();
  // A restore or a report that fails (a window that is going away) leaves
  // the error recorded and the procedure ends as it would; a failed restore
  // still lets the error be reported. Only the program's and the library's
  // errors are caught here: the end of the program (End, from a dialog's
  // loop) is no error and passes on to unwind the procedure.
  try {
    if (restore) restore();
  } catch (const VbError&) {
  } catch (const std::exception&) {
  }
  if (!is_quiet) {
    try {
      Report_Error();
    } catch (const VbError&) {
    } catch (const std::exception&) {
    }
  }
  return is_quiet;
}

bool Trap_Error(const VbError& error, std::span<const VbLong> quiet) {
  return Trap_Error(error, quiet, [] {
    if (Main_Window != nullptr) Main_Window->Set_Mouse_Pointer(0);
  });
}

VbError Out_Of_Memory_Error() {
  return VbError(VBERR_OUT_OF_MEMORY, VbErrorDescription(VBERR_OUT_OF_MEMORY));
}

std::string Localised_Text(const char* english, VbLong id) {
  return Localised == "On" ? Load_Res_String(id) : std::string(english);
}

void Set_Caption(std::string_view control, VbInteger index, const std::string& caption) {
  if (Main_Window != nullptr) Main_Window->Set_Caption(control, index, caption);
}
std::string Caption(std::string_view control, VbInteger index) {
  return Main_Window != nullptr ? Main_Window->Caption(control, index) : std::string();
}
void Set_Visible(std::string_view control, VbInteger index, bool visible) {
  if (Main_Window != nullptr) Main_Window->Set_Visible(control, index, visible);
}
void Set_BackColor(std::string_view control, VbInteger index, VbLong colour) {
  if (Main_Window != nullptr) Main_Window->Set_BackColor(control, index, colour);
}
VbInteger Current_Tab() { return Main_Window != nullptr ? Main_Window->Current_Tab() : 0; }

namespace {

constexpr LONG kListSize = 101;  // the lists are dimensioned 0 To 100

SAFEARRAY* Vector(VARTYPE vt, ULONG size) {
  SAFEARRAY* a = SafeArrayCreateVector(vt, 0, size);
  if (a == nullptr) throw std::bad_alloc();
  return a;
}

}  // namespace

Call::Call(IVectorItem* item) : item_(item) {
  if (item_ == nullptr) Raise_Vb_Error(VBERR_OBJECT_NOT_SET);
}

Call::~Call() {
  for (LONG g : groups_) item_->DeleteCustomGroup(g);
  for (auto h = handles_.rbegin(); h != handles_.rend(); ++h) item_->ReleaseHandle(*h);
}

void Call::Forget(std::vector<LONG>& list, LONG value) {
  auto it = std::find(list.begin(), list.end(), value);
  if (it != list.end()) list.erase(it);
}

LONG Call::Create_Group(std::initializer_list<SHORT> ids) {
  SAFEARRAY* array = Vector(VT_I2, static_cast<ULONG>(ids.size() + 1));
  Variant list = Variant::Array(array);
  LONG i = 0;
  for (SHORT id : ids) {
    Check(SafeArrayPutElement(array, &i, &id));
    ++i;
  }
  LONG group = -1;
  groups_.reserve(groups_.size() + 1);
  Check(item_->CreateCustomGroup(list, &group));
  groups_.push_back(group);
  return group;
}

LONG Call::Device_Root() {
  return Root(Selected_List_Kind == 0 ? xlpnmif::kInstalledPrinter : xlpnmif::kOtherDevice,
              Selected_Device);
}

LONG Call::Root(LONG vector, LONG instance) {
  LONG handle = -1;
  handles_.reserve(handles_.size() + 1);
  Check(item_->GetRootHandle(vector, instance, &handle));
  if (handle != -1) handles_.push_back(handle);
  return handle;
}

LONG Call::Handle(LONG parent, LONG vector, LONG instance) {
  LONG handle = -1;
  handles_.reserve(handles_.size() + 1);
  Check(item_->GetHandle(parent, vector, instance, &handle));
  if (handle != -1) handles_.push_back(handle);
  return handle;
}

bool Call::Read(LONG handle, LONG group, bool checked, LONG mode) {
  if (handle == -1) {
    // Nothing to read: the interface would answer -2 (invalid request).
    last_error_ = -2;
    return false;
  }
  LONG error = 0;
  Check(item_->GetGroupValues(handle, group, mode, xlpnmif::kMechanismReadNow, &error));
  last_error_ = error;
  if (Is_Not_Responding(error)) {
    ++Silent_Read_Count;
    Silent_Read_Code = error;
  }
  if (checked) Check_Not_Responding(error);
  return error == 0;
}

namespace {

Value_List Read_List(IVectorItem* item, LONG handle, bool texts) {
  Variant ids = Variant::Array(Vector(VT_I4, kListSize));
  Variant values = Variant::Array(Vector(texts ? VT_BSTR : VT_I4, kListSize));
  Variant descrs = Variant::Array(Vector(VT_BSTR, kListSize));
  LONG count = 0;
  Check(texts ? item->GetCurrentStringValueList(handle, &ids, &values, &descrs, &count)
              : item->GetCurrentIntegerValueList(handle, &ids, &values, &descrs, &count));
  Value_List out;
  if (ids.vt != (VT_ARRAY | VT_I4) || values.vt != (VT_ARRAY | (texts ? VT_BSTR : VT_I4))) {
    Raise_Vb_Error(VBERR_TYPE_MISMATCH);
  }
  const LONG n = std::clamp<LONG>(count, 0, kListSize);
  for (LONG i = 0; i < n; ++i) {
    LONG id = 0;
    Check(SafeArrayGetElement(ids.parray, &i, &id));
    out.Ids.push_back(id);
    if (texts) {
      BSTR text = nullptr;
      Check(SafeArrayGetElement(values.parray, &i, &text));
      out.Texts.push_back(Bstr::Attach(text).Utf8());
    } else {
      LONG value = 0;
      Check(SafeArrayGetElement(values.parray, &i, &value));
      out.Integers.push_back(value);
    }
  }
  return out;
}

}  // namespace

Value_List Call::Integers(LONG handle) { return Read_List(item_, handle, false); }

Value_List Call::Strings(LONG handle) { return Read_List(item_, handle, true); }

void Call::Release(LONG handle) {
  if (handle == -1) return;
  Forget(handles_, handle);
  Check(item_->ReleaseHandle(handle));
}

void Call::Keep(LONG handle) { Forget(handles_, handle); }

bool Read_Row(Call& call, LONG row, LONG group, bool checked) {
  if (call.Read(row, group, checked)) return true;
  call.Release(row);
  return false;
}

void Call::Delete_Groups() {
  while (!groups_.empty()) {
    const LONG g = groups_.front();
    groups_.erase(groups_.begin());
    Check(item_->DeleteCustomGroup(g));
  }
}

void Call::Finish() {
  Delete_Groups();
  while (!handles_.empty()) {
    const LONG h = handles_.back();
    handles_.pop_back();
    Check(item_->ReleaseHandle(h));
  }
}

}  // namespace retrieval
}  // namespace vlm::monitor
