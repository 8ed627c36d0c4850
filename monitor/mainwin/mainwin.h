// The main window's procedures that need no widget: printer discovery and
// the printer list, the selection, the polling timers and the view refresh,
// the menus and the window load. Free of Qt widgets; the tab procedures
// they stand on (monitor/tabs/) draw the machine pictures into a QImage
// through the GDI layer. The window itself (frmTQZ) implements the two
// ports below with its real controls and calls the event procedures of
// Tqz_Main from its Qt slots; tests drive them with fakes. One file for
// each concern: load.cpp, discovery.cpp (and the printer list),
// selection.cpp, polling.cpp (and the view refresh), menus.cpp.
//
// What a caller may rely on:
// - Everything runs on the one user-interface thread; nothing here locks.
// - Every event procedure traps its errors itself, with the same trap as
//   the device data and tab procedures: a VbError (a failed allocation as
//   error 7, "Out of memory") is kept in Last_Error_Number /
//   Last_Error_Description, the pointer goes back to the default, and
//   Report_Error runs unless the number is in the procedure's quiet set
//   (Timer3_Timer reports none). A report that fails itself ends the trap
//   with the error kept. No error leaves an event procedure; only the
//   program's end (End, thrown out of a dialog's loop) unwinds through it,
//   so that nothing after it runs. The busy guard below is released on
//   every path.
// - One busy guard: while a discovery, a polling pass, a view refresh or a
//   window load runs (also inside a modal dialog opened by one of them), the
//   timer ticks and the menu commands that would start another of them do
//   nothing (Timer2 keeps running and acts at a later tick).
// - Discovered_Printers holds at most 128 rows, at most 64 of one list
//   (device instances 0..63); a discovery stops adding devices at the limit
//   and always deletes its custom group and releases its handles.
// - A list's per-device fields are cleared when its discovery completes, so
//   a device number never shows the fields of its previous occupant.
// - Machine_State_Code is reset to 0 before each printer's state read, so a
//   printer that does not answer shows icon 4, never its neighbour's.
// - Fill_Printer_List selects row 1 and resets Selected_Item_Index to 1.
// - Clear_Status_Pending is "Yes" only while a discovery's attempts run;
//   when they end it is "No" and Timer4 is off, so a read after the
//   discovery shows its not-responding message.
// - Refresh_The_View refreshes only while the main window is the active
//   window (Is_Active_Window), never by comparing captions.
// - Web_Click opens "http://<address>/" only when the selected device is a
//   TCP/IP device whose address is a dotted IPv4 address.
// - A printer that is not a tandem pair is always read as engine 0: an
//   engine box set to "Printer 2" for it goes back to "Printer 1".
// - The selection, the view refresh and the engine boxes' Click stop
//   reading the printer at its first read that times out; each reader after
//   it runs on a silent stand-in (Silent_Vector_Item) that answers at once,
//   so the tab shows what real reads of a silent printer would show,
//   without their time-out cycles.
// - A selection or refresh that turns the view to another printer forgets
//   the option word of the printer shown before (Forget_Engine_Options):
//   no picture, option caption or device type of one printer shows for
//   another.
#pragma once

#include <array>
#include <functional>
#include <initializer_list>
#include <new>
#include <string>
#include <utility>

#include "mgmt/xlpnmif.h"
#include "monitor/devicedata/devicedata.h"
#include "monitor/tabs/frmTQZ_tabs.h"  // the tab procedures; Polling_Tick_Active, View_Refresh_Requested
#include "platform/com/com.h"
#include "platform/types.h"

namespace vlm::monitor {

inline constexpr int kMaxDiscoveredRows = 128;
inline constexpr int kMaxDevicesPerList = 64;

// Label15's colours (0x00BBGGRR; &H8000000F is the system button face).
inline constexpr std::uint32_t kStatusBusyColour = 0xC0FFFF;
inline constexpr std::uint32_t kStatusErrorColour = 0x80FF;
inline constexpr std::uint32_t kStatusIdleColour = 0x8000000F;

// The status image (1..5 of imgIcon and imgSmallIcon) of a machine state.
int Status_Icon_Of(VbLong machineStateCode);

// What one discovery read of a device gave (the device scalars 145, 6001,
// 6002, 6005 and 6008 of the device's custom group).
struct Discovered_Device {
  VbInteger List_Kind = 0;
  VbInteger Instance = 0;
  bool Has_Product = false, Has_Module = false, Has_Spooler = false, Has_Address = false,
       Has_Protocol = false;
  std::string Product_Name;  // 6002
  std::string Module_Type;   // 145
  std::string Spooler_Name;  // 6005
  std::string Address;       // 6001
  std::string Protocol;      // Decode_Protocol(6008)
};

// The controls and services of the main window that these procedures use.
struct Tqz_Window {
  virtual ~Tqz_Window() = default;

  // lvwIPs. Items are numbered from 1.
  virtual void lvwIPs_Clear() = 0;
  virtual int lvwIPs_Add() = 0;  // a new item without text or icon; its index
  virtual int lvwIPs_Count() = 0;
  virtual void lvwIPs_Set_Icon(int index, int image) = 0;  // large and small
  virtual std::string lvwIPs_Text(int index) = 0;
  virtual void lvwIPs_Set_Text(int index, const std::string& text) = 0;
  virtual void lvwIPs_Select(int index) = 0;  // the list's selected item
  virtual int lvwIPs_Selected() = 0;          // 0 when none
  virtual void lvwIPs_Set_Marked(int index, bool marked) = 0;
  virtual void lvwIPs_Set_View(int style) = 0;  // 0 icons, 1 small icons, 2 list
  virtual void lvwIPs_Set_Focus() = 0;
  virtual void lvwIPs_Repaint() = 0;

  // Label15, the status line: back colour, caption, centred or not.
  virtual void Set_Status(std::uint32_t backColour, const std::string& caption, bool centred) = 0;
  virtual std::string Status_Caption() = 0;

  virtual void Set_Hourglass(bool busy) = 0;
  // Timers 1..5.
  virtual void Set_Timer_Enabled(int timer, bool enabled) = 0;
  virtual bool Timer_Enabled(int timer) = 0;
  virtual void Set_Timer_Interval(int timer, int milliseconds) = 0;

  virtual int Current_Tab() = 0;  // SSTab1's current tab
  virtual void Hide_Jobs_Tab() = 0;
  virtual void Set_Tab_Help_Topic(int topic) = 0;
  // ComboPrinter(index): list index -1 none, 0 "Printer 1", 1 "Printer 2".
  // Setting it from code raises ComboPrinter_Click, as in VB.
  virtual int ComboPrinter_ListIndex(int index) = 0;
  virtual void Set_ComboPrinter_ListIndex(int index, int listIndex) = 0;
  // Visible of a control by name and array index (-1 for none).
  virtual void Set_Visible(const std::string& control, int index, bool visible) = 0;
  virtual void Set_Caption(const std::string& control, int index, const std::string& caption) = 0;
  virtual void Repaint(const std::string& control, int index) = 0;

  // The main window is the active window of the desktop.
  virtual bool Is_Active_Window() = 0;
  virtual void Show_Window() = 0;
  virtual void Repaint_Window() = 0;
  virtual void Enter_Whats_This_Mode() = 0;
  virtual void Leave_Whats_This_Mode() = 0;
  virtual void Set_Web_Enabled(bool enabled) = 0;

  // The "11" question (texts by Super_User); returns the answer
  // ("11-1" Cancel, "" Ok, "14-1" Configure, "11" none: closed by the
  // frame, or not asked) that Message_Box leaves.
  virtual std::string Ask_No_Printers() = 0;
  // Opens a document or address through the desktop; the result is ignored.
  virtual void Open_Document(const std::string& url) = 0;
  virtual void Show_Options() = 0;  // hides the main window, frmOptions modeless
  virtual void Show_About() = 0;
  virtual void Unload_Window() = 0;    // the unload question decides
  virtual void End_Program() = 0;      // tray icon deleted, window unloaded, no question

  // Procedures of the start-up module.
  virtual void Get_Preferences_Values() = 0;
  virtual void Create_Check_Discovery() = 0;  // writes by Discovery_Running
  virtual void Build_Form_Caption() = 0;
  // The polling interval in milliseconds, 0 for a timer that never ticks;
  // throws VbError for a text that is not a whole number of seconds.
  virtual int Polling_Interval_Milliseconds() = 0;
};

// The device data procedures and tab views these procedures call, each on
// the VectorItem of the selected list (Device_Readers calls the real ones).
struct Tqz_Readers {
  virtual ~Tqz_Readers() = default;
  virtual void Get_Device_Flag(IVectorItem* item, VbInteger kind, VbInteger device, VbInteger row) = 0;
  virtual void Get_Printer_State(IVectorItem* item, VbInteger engine) = 0;
  virtual void Get_Printer_Identity(IVectorItem* item, VbInteger engine) = 0;
  virtual void Get_Summary_Info(IVectorItem* item, VbInteger engine) = 0;
  virtual void Get_Finisher_Model(IVectorItem* item) = 0;
  virtual void Get_MIB_Version(IVectorItem* item) = 0;
  virtual void Get_Device_Functions(IVectorItem* item, VbInteger engine) = 0;
  virtual void Get_Device_Status(IVectorItem* item) = 0;
  virtual void Get_Engine_Counters(IVectorItem* item, VbInteger engine) = 0;
  virtual void Get_Engine_Model(IVectorItem* item, VbInteger engine) = 0;
  virtual void Get_Installed_Options(IVectorItem* item, VbInteger engine) = 0;
  virtual void Get_OS_Version() = 0;
  virtual void UpdateQuickView(IVectorItem* item) = 0;
  virtual void UpdateIPController(IVectorItem* item) = 0;
  virtual void UpdatePrinter(IVectorItem* item) = 0;
  virtual void UpdateAlertError(IVectorItem* item) = 0;
  virtual void UpdatePaperInput(IVectorItem* item) = 0;
  virtual void UpdatePaperOutput(IVectorItem* item) = 0;
  virtual void UpdateJobs(IVectorItem* item) = 0;
  virtual void Fill_Memory(IVectorItem* item) = 0;
  virtual void Fill_Firmware(IVectorItem* item) = 0;
  virtual void Fill_Output_Trays(IVectorItem* item) = 0;
  virtual void Draw_Input_Picture(IVectorItem* item) = 0;
  virtual void Draw_Output_Picture(IVectorItem* item) = 0;
  virtual void Draw_Status_Picture(IVectorItem* item) = 0;
};

// The start-up module's values that these procedures read and write,
// reached through one port so that the window binds them to their owner.
struct Tqz_Shared {
  virtual ~Tqz_Shared() = default;
  // Its flags ("Polling_Enabled", "UnInstalled_Enabled", "IP_Enabled",
  // "Options_Requested", "Registry_Entries_Found", "Discovery_Running",
  // "Discovery_Requested").
  virtual std::string& Flag(const std::string& name) = 0;
  // The counts of the last discovery, which the window's activation reads.
  virtual void Set_Printer_Counts(VbInteger installed, VbInteger other) = 0;
};

struct Tqz_Readers;
// The real device data procedures and tab views.
Tqz_Readers& Device_Readers();

// Readers of the device data tables for a list kind and device.
bool Is_Tandem(VbInteger kind, VbInteger device);              // field 6 = 1
std::string Display_Name(VbInteger kind, VbInteger device);    // field 1
std::string Spooler_Name(VbInteger kind, VbInteger device);    // field 5
std::string Device_Address(VbInteger kind, VbInteger device);  // controller field 1
std::string Device_Protocol(VbInteger kind, VbInteger device); // controller field 2
// Clears every per-device field and record of the list's devices.
void Clear_Device_Tables(VbInteger kind);
// Writes what a discovery read of a device gave into its fields.
void Store_Discovered(const Discovered_Device& device);

// The main window's state and procedures.
class Tqz_Main {
 public:
  Tqz_Main(Tqz_Window& window, Tqz_Readers& readers, Tqz_Shared& shared);

  // ---- State (names as the window's module values) ----
  ComPtr<IVectorItem> Installed_Vector_Item, Other_Vector_Item;
  // Discovered_Printers and Selected_Row are the device data module's.
  VbInteger Discovered_Count = 0;
  VbInteger Installed_Printer_Count = 0;
  VbInteger Other_Device_Count = 0;
  LONG Installed_Root_Handle = -1, Other_Root_Handle = -1;
  int Selected_Item_Index = 1;
  VbInteger Marked_Item_Index = 0;
  VbInteger Current_Tab = 0;
  int Current_List_Item = 0;
  // The engine chosen in a ComboPrinter box (Engine_Choice, read as
  // Engine_Index by the view refresh).
  VbInteger Engine_Choice = 0;
  VbInteger Discovery_Retries = 0;
  std::string Remembered_Printer_Text = "NULL", Remembered_Spooler_Name = "NULL";
  std::string Clear_Status_Pending;
  // Makes a VectorItem: by default the class of "XLPNMIF.VectorItem" by its
  // ProgID; throws VbError 429 when it cannot be created.
  std::function<ComPtr<IVectorItem>()> Create_Vector_Item;

  bool Busy() const { return busy_ > 0; }
  // Set once the program is ending from inside a procedure (Cancel on the
  // "11" question): the procedures that called it stop.
  bool Ending() const { return ending_; }
  // The object of a list kind (installed for 0, else other devices).
  IVectorItem* Object_Of(VbInteger kind) const;

  // ---- Window load ----
  // The load's steps after the start-up checks (from the preferences on).
  // The window's own load (frmTQZ::Form_Load) runs the first steps
  // (localise, tray icon, the stop when a start-up check opened the options
  // dialog) and then this.
  void Load_After_Checks();

  // ---- Discovery and the printer list ----
  void Refresh_Discovery_Click();
  VbInteger Discover_Printers(IVectorItem* item, VbInteger listKind);
  void Fill_Printer_List();

  // ---- Selection ----
  void lvwIPs_ItemClick(int index);
  void ComboPrinter_Click(int index);
  void Picture1_Click();

  // ---- Timers and the view ----
  void Refresh_The_View();
  void Timer1_Timer();
  void Refresh_View_Click();
  void Timer2_Timer();
  void Timer3_Timer();
  void Timer4_Timer();
  void Timer5_Timer();
  void SSTab1_Click(int previousTab);
  void SSTab1_GotFocus();

  // ---- Menus ----
  void Command_Click();
  void Web_Click();
  void Content_Click();
  void Options_Click();
  void About_Click();
  void Context_Help_Click();
  void Exit_System_Click();
  void IconView_Click();
  void SmallIcon_Click();
  void ListView_Click();
  // The document opener: the window's desktop service.
  void StartDoc(const std::string& document);

 private:
  struct Busy_Scope {
    explicit Busy_Scope(Tqz_Main& m) : m_(m) { ++m_.busy_; }
    ~Busy_Scope() { --m_.busy_; }
    Tqz_Main& m_;
  };
  // A selection or view refresh turns to the selected printer: when the
  // tabs showed another printer before, the option word and what is drawn
  // from it are forgotten (Forget_Engine_Options).
  void Turn_To_Selected_Printer();
  // The error trap, on the device data module's trap core (which also
  // survives a report that fails): keeps the error, runs `before_trap`
  // (what the procedure puts back, such as the status line), puts the
  // pointer back to the default and reports the error unless its number is
  // quiet; with `every_quiet` no number is reported. Returns whether it was
  // quiet.
  bool Trap(const VbError& e, std::initializer_list<LONG> quiet, bool every_quiet,
            const std::function<void()>& before_trap);
  static VbError Out_Of_Memory();
  // The one guard and the one trap of the event procedures.
  // Guarded: does nothing while a discovery, a polling pass, a view refresh
  // or a load runs; else runs `body` as one of them.
  template <class Body>
  void Guarded(Body&& body) {
    if (Busy()) return;
    Busy_Scope busy(*this);
    body();
  }
  // Trapped: runs `body`; a VbError, or a failed allocation as error 7,
  // ends it and goes to Trap with the procedure's quiet set and
  // `before_trap`. Returns whether an error was trapped quietly.
  template <class Body, class Before>
  bool Trapped(std::initializer_list<LONG> quiet, Body&& body, Before&& before_trap) {
    return Run_Trapped(quiet, false, std::forward<Body>(body), std::forward<Before>(before_trap));
  }
  template <class Body>
  bool Trapped(std::initializer_list<LONG> quiet, Body&& body) {
    return Trapped(quiet, std::forward<Body>(body), [] {});
  }
  // Trapped_Silently: as Trapped, with every error number quiet.
  template <class Body, class Before>
  void Trapped_Silently(Body&& body, Before&& before_trap) {
    Run_Trapped({}, true, std::forward<Body>(body), std::forward<Before>(before_trap));
  }
  template <class Body, class Before>
  bool Run_Trapped(std::initializer_list<LONG> quiet, bool every_quiet, Body&& body,
                   Before&& before_trap) {
    try {
      body();
    } catch (const VbError& e) {
      return Trap(e, quiet, every_quiet, std::ref(before_trap));
    } catch (const std::bad_alloc&) {
      return Trap(Out_Of_Memory(), quiet, every_quiet, std::ref(before_trap));
    }
    return false;
  }
  std::string& Flag(const char* name) { return shared_.Flag(name); }
  std::string Text(const char* english, VbLong id);
  void Status_Idle();
  void Status_Busy(const std::string& caption);
  void Select_Row_Of_Item(int index);
  void Status_Icons();
  void Discovery_Trapped();
  void Discovery_Body();
  void End_Attempts();
  void Refresh_View_Trapped();
  void Refresh_The_View_Trapped();
  void Refresh_The_View_Body();
  void Tab_Captions(int tab);
  // The visible tab's engine box and Selected_Engine := Engine_Choice for a
  // tandem pair, "Printer 1" and 0 for any other printer.
  void Choose_Tab_Engine();

  Tqz_Window& window_;
  Tqz_Readers& readers_;
  Tqz_Shared& shared_;
  int busy_ = 0;
  bool ending_ = false;
  // The printer whose values the tabs show: list kind and device; kind -1
  // before the first read and after its list was discovered again.
  VbInteger view_kind_ = -1, view_device_ = 0;
};

}  // namespace vlm::monitor
