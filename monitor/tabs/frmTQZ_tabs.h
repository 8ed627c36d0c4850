// The status tabs of the main window frmTQZ: the tab views (labels of each
// tab), the tab lists (trays, bins, firmware, memory, alerts), their events,
// the print-job list and the machine pictures painted by the engine picture
// libraries. Free of Qt widgets: the procedures reach the window through the
// device data module's window port (labels, mouse pointer) and through
// Tabs_Port below (lists, the printer list's focus, Timer5, picture boxes),
// so tables of cases run them without a window. The pictures are drawn into
// a QImage (Tabs_Port::Picture_Image) through the GDI layer, so this
// library links Qt's GUI module through vlm_gdi. The procedures stand
// below the main window's procedures (monitor/mainwin/), which call them,
// and include nothing of those procedures or of the forms.
//
// What a caller may rely on:
// - Every procedure runs on the window's thread and traps its run-time
//   errors: a VbError is stored in Last_Error_Number/Last_Error_Description,
//   the mouse pointer goes back to the default and Report_Error runs unless
//   the number is in the procedure's quiet set. No exception leaves them.
// - Every list fill empties its list and adds at most the list's capacity
//   (6 trays, 4 bins, 10 firmware, 10 memory, 20 alerts, 25 jobs) rows,
//   and marks the list drawn for the selected printer (Drawn_For);
//   Fill_Alerts keeps the old rows while Comm_Error_On is "On" when they
//   are the selected printer's (Keep_Silent_View); another printer's rows
//   are replaced by the selected printer's own record.
// - Output rows follow the bins that have a type, in order, each named by its
//   bin number ("Output Tray 3" stays "Output Tray 3" after a skipped bin 2).
// - The pictures: the engine type code of the selected engine names a value
//   of HKLM "SOFTWARE\VLM\Discovery\Mapping" holding the ProgID of the
//   engine picture class; the class is created for each paint, DrawEngine is
//   called by name with its nine arguments into a device context on the
//   picture box's image, the context is deleted and the object released on
//   every path. No mapped class (missing key, value or empty data) or a class
//   that cannot be created (429) hides the box; a paint that succeeds shows
//   it.
// - Installed_Option_Records keeps the options of the last good read: a read
//   whose handle is -1 or whose ErrorCode is not 0 changes nothing.
// - Job_Root_Handle is released only on the object that opened it.
#pragma once

#include <array>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>

#include "mgmt/xlpnmif.h"
#include "monitor/devicedata/devicedata.h"
#include "platform/types.h"

class QImage;

namespace vlm::monitor {

// ---- Lists, printer list and picture boxes of the window ----

enum class Tab_List {
  lvwInputTray,
  lvwOutputTray,
  lvwEngineFirmware,
  lvwEngineMemory,
  lvwEngineAlert,
  lvwJobs
};
enum class Picture_Box { Picture1, Picture2, Picture3 };

// What the tab procedures use of the window besides its labels. Row numbers
// are 1-based, as the list views count them. A method that the control
// refuses throws VbError with the control's number (35600 for a row index
// out of bounds).
struct Tabs_Port {
  virtual ~Tabs_Port() = default;
  virtual int List_Count(Tab_List list) = 0;
  // Removes every row and sets the report view.
  virtual void List_Clear(Tab_List list) = 0;
  // Inserts a row with this text at position `row` (at most count + 1).
  virtual void List_Add(Tab_List list, int row, const std::string& text) = 0;
  // Adds the next sub-item (the next column) of row `row`.
  virtual void List_Add_SubItem(Tab_List list, int row, const std::string& key,
                                const std::string& text) = 0;
  // The list's context-help topic number.
  virtual void List_Set_Help_Topic(Tab_List list, VbLong topic) = 0;
  // Makes row `row` the selected item, clears its drop-highlight and
  // repaints the list.
  virtual void List_Reselect(Tab_List list, int row) = 0;

  // The printer list lvwIPs: its focus, its rows, its selection, and the
  // row the user selected last (Selected_Item_Index of the selection).
  virtual void Printer_List_Set_Focus() = 0;
  virtual int Printer_List_Count() = 0;
  virtual void Printer_List_Select(int row) = 0;
  virtual int Selected_Item_Index() = 0;

  virtual void Timer5_Enable() = 0;
  // The VectorItem object of a list kind: the installed printers' for 0,
  // the other devices' otherwise.
  virtual IVectorItem* List_Object(VbInteger list_kind) = 0;
  // The font character set of a label.
  virtual void Set_Font_CharSet(std::string_view control, VbInteger charset) = 0;

  virtual void Picture_Set_AutoRedraw(Picture_Box box) = 0;
  virtual void Picture_Set_Visible(Picture_Box box, bool visible) = 0;
  // Fills the box's image with its back colour.
  virtual void Picture_Cls(Picture_Box box) = 0;
  // The box's persistent image (AutoRedraw), Format_RGB32; owned by the box.
  virtual QImage* Picture_Image(Picture_Box box) = 0;
  // Shows what was painted into the image.
  virtual void Picture_Refresh(Picture_Box box) = 0;
};
// Set by the main window when it loads.
inline Tabs_Port* Tabs_Window = nullptr;

// ---- Module values owned here ----

// The input tray and output bin marked in the pictures (1-based rows, 0 =
// none); set by the tray lists' item clicks, set back to 0 by the view
// refresh and the printer selection.
inline VbLong Selected_Tray = 0;
inline VbLong Selected_Bin = 0;
// The EngineType argument of DrawEngine: never assigned, always 0.
inline VbLong Picture_Engine_Type = 0;
// "On" after a header click in the alert, firmware or memory list; emptied
// by the next Click of those lists (or Picture1_Click).
inline std::string Column_Click_Pending;
// The row last clicked in a tray list; set to 1 by every tab change.
inline VbInteger Last_Clicked_Row = 0;
// "Yes" while the tab procedures run inside a polling pass, respectively a
// requested refresh (owner: the main window's polling and refresh,
// monitor/mainwin/; the tab procedures read View_Refresh_Requested and set
// it back).
inline std::string Polling_Tick_Active;
inline std::string View_Refresh_Requested;
// Comm_Error_On is "On" and every one of the controls (lists and picture
// boxes) shows the selected printer's values (Drawn_For the selected
// device and Selected_Engine): the views keep what they show of it while it
// does not answer. A control that shows another printer's values, or none,
// is drawn again from the selected printer's own records.
bool Keep_Silent_View(std::initializer_list<std::string_view> controls);

inline constexpr int kMaxInstalledOptions = 10;
struct Installed_Option_Entry {
  VbLong Option_Type = 0;     // scalar 213
  std::string Option_Name;    // scalar 214
  VbLong Option_Status = 0;   // scalar 215
};
struct Installed_Option_Record {
  bool Filled = false;
  VbInteger Option_Count = 0;
  // Entries 1..10; element 0 unused.
  std::array<Installed_Option_Entry, kMaxInstalledOptions + 1> Entries{};
};
// By list kind 0..2, device 0..64, engine 0..2 (owner: the option read).
inline Vb_Array<Installed_Option_Record, 0, 2, 64, 2> Installed_Option_Records;

// Option kinds looked up for the pictures.
inline constexpr VbLong kOptionLargeCapacityTray = 3;
inline constexpr VbLong kOptionBaseUnit = 4;

// The registry key of the engine picture classes by engine type code.
inline constexpr const char* kMappingKey = "SOFTWARE\\VLM\\Discovery\\Mapping";

// ---- Tab views ----

void UpdateQuickView(IVectorItem* item);
void UpdateIPController(IVectorItem* item);
void UpdatePrinter(IVectorItem* item);
void UpdateAlertError(IVectorItem* item);
void UpdatePaperInput(IVectorItem* item);
void UpdatePaperOutput(IVectorItem* item);

// ---- Tab lists ----

void Fill_Input_Trays(IVectorItem* item);
void Fill_Output_Trays(IVectorItem* item);
void Fill_Firmware(IVectorItem* item);
void Fill_Memory(IVectorItem* item);
void Fill_Alerts(IVectorItem* item);
// The first column of row i of the input and output lists.
std::string Input_Tray_Name(VbInteger row);
std::string Output_Bin_Name(VbInteger row);

// ---- List events ----

// The header's text as the column click gives it.
void lvwEngineAlert_ColumnClick(std::string_view header);
void lvwEngineFirmware_ColumnClick();
void lvwEngineMemory_ColumnClick();
void lvwInputTray_ColumnClick(std::string_view header);
void lvwOutputTray_ColumnClick(std::string_view header);
// The topic number of a header of a list; 0 when the header is not in the
// list's table.
VbLong Column_Help_Topic(Tab_List list, std::string_view header);
void lvwEngineAlert_Click();
void lvwEngineFirmware_Click();
void lvwEngineMemory_Click();
void lvwEngineAlert_GotFocus();
void lvwEngineFirmware_GotFocus();
void lvwEngineMemory_GotFocus();
void lvwEngineAlert_MouseDown();
// `row` is the clicked row's index.
void lvwInputTray_ItemClick(int row);
void lvwOutputTray_ItemClick(int row);

// ---- Print-job list ----

void UpdateJobs(IVectorItem* item);
void Fill_Jobs(IVectorItem* item);
// The three buttons change nothing.
void cmdDelete_Click();
void cmdPause_Click();
void cmdResume_Click();

// ---- Machine pictures ----

void Draw_Input_Picture(IVectorItem* item);
void Draw_Output_Picture(IVectorItem* item);
void Draw_Status_Picture(IVectorItem* item);
std::string Get_Installed_Option(IVectorItem* item, VbLong kind);
bool Retrieve_Installed_Options(IVectorItem* item);

}  // namespace vlm::monitor
