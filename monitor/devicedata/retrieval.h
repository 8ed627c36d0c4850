// The retrieval frame that every device data procedure of this library is
// built on: one call's custom groups, handles, group reads and value lists
// on IVectorItem, released on every path, and the error trap with its quiet
// set. Internal to vlm_devicedata; the procedures' callers use devicedata.h.
//
// - Every IVectorItem call that returns a failed HRESULT raises the VbError
//   of that HRESULT (VbErrorFromHResult, as a late-bound call would); a null
//   object raises 91.
// - Call's destructor (the error path) and Finish (the normal path) delete
//   the groups still live in the order made, then release the handles still
//   open, newest first. Release and Keep take a handle out of that set
//   earlier. Handles of -1 are never released.
// - Read is a group read: false when the handle is -1 or ErrorCode is not 0
//   (nothing of it may then be applied); when checked, -11 and -12 set the
//   not-responding state first.
#pragma once

#include <functional>
#include <initializer_list>
#include <new>
#include <span>
#include <string>
#include <vector>

#include "monitor/devicedata/devicedata.h"

namespace vlm::monitor::retrieval {

// The values of one GetCurrent...ValueList call; Ids.size() is ScalarCount
// (clamped to the 101 entries of the arrays).
struct Value_List {
  std::vector<LONG> Ids;
  std::vector<LONG> Integers;     // the integer list's values
  std::vector<std::string> Texts; // the string list's values
  std::size_t Count() const { return Ids.size(); }
};

// ErrorCode -11 (time-out) or -12 (any other failure): the printer does
// not answer.
inline bool Is_Not_Responding(LONG error_code) { return error_code == -11 || error_code == -12; }

class Call {
 public:
  explicit Call(IVectorItem* item);
  Call(const Call&) = delete;
  Call& operator=(const Call&) = delete;
  ~Call();

  // CreateCustomGroup of the ids (a 16-bit array 0 To n, element n left 0).
  LONG Create_Group(std::initializer_list<SHORT> ids);
  // GetRootHandle of the selected device: 5002 for list kind 0, else 5004,
  // instance Selected_Device.
  LONG Device_Root();
  LONG Root(LONG vector, LONG instance);
  LONG Handle(LONG parent, LONG vector, LONG instance);
  // The engine vector (0) with instance engine + 1.
  LONG Engine(LONG root, VbInteger engine) { return Handle(root, 0, engine + 1); }
  // GetGroupValues with RetrievalMechanism 0; true when the read succeeded.
  bool Read(LONG handle, LONG group, bool checked = true, LONG mode = xlpnmif::kModeRead);
  // The ErrorCode of the last Read (-2 for a -1 handle, which is not read).
  LONG Last_Error_Code() const { return last_error_; }
  // The last Read timed out (-11 or -12): the printer does not answer.
  bool Not_Responding() const { return Is_Not_Responding(last_error_); }
  Value_List Integers(LONG handle);
  Value_List Strings(LONG handle);
  // ReleaseHandle now (a row handle), or leave it open for good.
  void Release(LONG handle);
  void Keep(LONG handle);
  // DeleteCustomGroup of every live group, in the order made.
  void Delete_Groups();
  // The release step: Delete_Groups, then every open handle, newest first.
  void Finish();

  IVectorItem* Item() const { return item_; }

 private:
  void Forget(std::vector<LONG>& list, LONG value);
  IVectorItem* item_;
  std::vector<LONG> groups_;
  std::vector<LONG> handles_;
  LONG last_error_ = 0;
};

// The group read of one table row (a handle of Call::Handle). A row that
// cannot be read is released at once and gives false: the reader leaves it
// out and goes on with the next one (a count walk may find rows at indexes
// that instances 1..count do not reach, such as 2^31 and more), unless
// call.Not_Responding(), when it reads no further. `checked` as for
// Call::Read.
bool Read_Row(Call& call, LONG row, LONG group, bool checked = true);

// Raises the VbError of a failed HRESULT.
void Check(HRESULT hr);

// The not-responding check of a group read's ErrorCode.
void Check_Not_Responding(LONG error_code);

// A count as read, clamped to 0 .. capacity.
VbInteger Clamp_Count(LONG value, int capacity);
// The count of a count group's integer list: its first value, whatever its
// id, clamped; 0 for an empty list.
VbInteger First_Count(const Value_List& list, int capacity);

// The error trap of every procedure and event procedure of the monitor.
// It keeps the error in Last_Error_Number and Last_Error_Description, runs
// `restore` (the mouse pointer back to the default, and what the procedure
// itself puts back), then calls Report_Error unless the number is in the
// quiet set. When restore or the report itself fails with an error of the
// program's or the library's (a window that is going away), the error stays
// recorded and the procedure ends as it would; a failed restore does not
// keep the error from being reported. Anything else (the program's end,
// thrown from a dialog's loop) passes on. Returns whether the number was
// quiet.
bool Trap_Error(const VbError& error, std::span<const VbLong> quiet,
                const std::function<void()>& restore);
// The same, with the default mouse pointer set through Main_Window.
bool Trap_Error(const VbError& error, std::span<const VbLong> quiet);

// What a failed allocation is trapped as: error 7, "Out of memory".
VbError Out_Of_Memory_Error();

// Runs body under a trap with the quiet set; a failed allocation is
// trapped as Out_Of_Memory_Error.
template <class F>
void Trapped(std::span<const VbLong> quiet, F&& body) {
  try {
    body();
  } catch (const VbError& e) {
    Trap_Error(e, quiet);
  } catch (const std::bad_alloc&) {
    Trap_Error(Out_Of_Memory_Error(), quiet);
  }
}

// The main window's controls through Main_Window; without a window the
// writes do nothing, a caption reads as "" and the tab as 0.
void Set_Caption(std::string_view control, VbInteger index, const std::string& caption);
std::string Caption(std::string_view control, VbInteger index);
void Set_Visible(std::string_view control, VbInteger index, bool visible);
void Set_BackColor(std::string_view control, VbInteger index, VbLong colour);
VbInteger Current_Tab();
inline constexpr VbInteger kNoIndex = Main_Window_Port::kNoIndex;

// A caption drawn for `printer` (and marked so in the record of what the
// window shows, Drawn_For).
void Draw(const Printer_Key& printer, std::string_view control, VbInteger index,
          const std::string& caption);
// A caption that this read does not give (the read failed, or the answer
// lacks its scalar): a control drawn for `printer` keeps what it shows; any
// other is drawn for it with `kept`, the printer's own kept value ("" when
// nothing of it is kept).
void Draw_Kept(const Printer_Key& printer, std::string_view control, VbInteger index,
               const std::string& kept);

// The text of a localised pair: Load_Res_String(id) cut at its first NUL
// when Localised is "On", else the English literal.
std::string Localised_Text(const char* english, VbLong id);

}  // namespace vlm::monitor::retrieval
