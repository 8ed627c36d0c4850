// The monitor's device data module: the language start-up, localised texts,
// font character sets and the decoders that turn device codes into texts.
//
// What a caller may rely on:
// - The module values below are the monitor's shared state. They belong to
//   the one user-interface thread; nothing here locks them.
// - Init_Language_Resources, called once at start-up before any text is
//   shown, sets Locale_Id and Locale_Hex from the process locale,
//   Language_Name from Select_Language_Dll, Code_Page_Text from the locale's
//   ANSI code page, Help_File, and loads the language library
//   Language_Name + ".lang" from vlm::LanguageFolder() (the program's folder,
//   or $VLM_LANG_DIR). When the library loads, Language_Dll holds it and
//   Localised is "On"; when it is absent, Language_Dll is null, Localised
//   keeps its value (empty at start-up) and every text is English. Called
//   again, it first frees the library it loaded before and clears an "On"
//   switch, so Localised is "On" exactly while a library is loaded.
// - Every text shown is the pair of an English literal and a string number:
//   with Localised "On" (exactly) the text is Load_Res_String of the number,
//   otherwise the literal.
// - Load_Res_String(id) is the library's text of that number, cut to 254
//   characters; a number the library lacks, a number outside 0..65535, or no
//   library loaded gives the empty text. It never fails.
// - The decoders look the code up in their fixed table (first equal code
//   wins) and give the row's text, else their default text, else the empty
//   text. They never fail. Show_Printer_Languages also writes its result to
//   the captions of lblIPPDL, then lblIPLanguages, through Main_Window when
//   one is set.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "mgmt/xlpnmif.h"
#include "platform/com/com.h"
#include "platform/registry/registry.h"
#include "platform/strings/language.h"
#include "platform/types.h"

namespace vlm::monitor {

// ---- Module values of the language start-up ----

// "On" when the language library loaded; "Off" is never set by this module
// but counts, like the empty text, as English.
inline std::string Localised;
inline HLANGLIB Language_Dll = nullptr;
inline VbLong Locale_Id = 0;
// Locale_Id in upper-case hexadecimal without leading zeros ("409", "C0A").
inline std::string Locale_Hex;
// Base name of the language library and of the help file ("USA0409").
inline std::string Language_Name;
// The locale's default ANSI code page as decimal text ("1252"); 16 spaces
// when the locale has none known.
inline std::string Code_Page_Text;
// The application's help file: folder + "/" + Language_Name +
// ".chm::/Test 1.Txt".
inline std::string Help_File;
// The last result of Trim_At_Null.
inline std::string Trimmed_Text;

// ---- Module values of the decoders ----

// The last machine state decoded, as a 16-bit code (0 for a code outside
// 16 bits).
inline VbInteger Machine_State_Code = 0;
// Set by the input-tray list to "W" for a wide-paper tray, else empty;
// Decode_Paper_Size appends it.
inline std::string Paper_Size_Suffix;

// ---- Language start-up and texts ----

void Init_Language_Resources();
// Sets Language_Name from Locale_Hex; returns 0.
VbInteger Select_Language_Dll();
std::string Load_Res_String(VbLong id);
std::string Trim_At_Null(const std::string& text);
// The GDI font character set of a code page given as decimal text; 0 (ANSI)
// for any text not in the table.
VbInteger CodePage_To_CharSet(const std::string& codePage);

// ---- Decoders ----

std::string Decode_Device_Type(VbLong code);
std::string Decode_Paper_Size(VbLong code);
std::string Decode_Media_Type(VbLong code);
std::string Decode_Tray_Status(VbLong code);
std::string Decode_Feed_Direction(VbLong code);
std::string Decode_Input_Type(VbLong code);
std::string Decode_Output_Type(VbLong code);
std::string Decode_Alert_Severity(VbLong code);
std::string Show_Printer_Languages(VbLong code);
std::string Decode_Protocol(VbLong code);
std::string Decode_Device_Status(VbLong code);
std::string Decode_Memory_Type(VbLong code);
std::string Decode_Firmware_Component(VbLong code);
std::string Decode_Machine_State(VbLong code);
std::string Decode_Yes_No(VbLong code);
std::string Decode_Yes_No_2(VbLong code);
std::string Decode_Yes_No_3(VbLong code);
std::string Decode_Yes_No_4(VbLong code);
std::string Decode_Present(VbLong code);

// ===========================================================================
// Retrieval of device data
//
// What a caller may rely on:
// - Every retrieval procedure takes the VectorItem object of the selected
//   list (installed printers for Selected_List_Kind 0, other devices
//   otherwise) and reads the device named by Selected_List_Kind,
//   Selected_Device and Selected_Engine (or the engine argument). It opens
//   root vector 5002 when Selected_List_Kind is 0, else 5004, always; the
//   engine vector's instance is the engine + 1.
// - A procedure makes its custom groups and handles afresh and, on every
//   path (error path included), deletes the groups in the order made and
//   releases each handle it obtained once, and no other handle. The one
//   handle kept is the job list root of Get_Print_Jobs (Job_Root_Handle).
// - A group read has failed when its handle is -1 or its ErrorCode is not
//   0. Nothing of a failed read is applied: the fields and records of the
//   device keep what they held (empty for a device never read). Record
//   procedures store their record only when every read of the call
//   succeeded (the input tray's optional wide-size flag aside: when its
//   read fails the flag stays empty), but for Get_Alerts,
//   Get_Memory_Table, Get_Firmware_Table and Get_Print_Jobs, which leave
//   out a row whose read fails and store the others (an alert, memory or
//   firmware row answering -11 or -12 ends the read and keeps the record).
//   ErrorCode -11 or -12 (after a read that the procedure checks) sets
//   Comm_Error_On to "On", Comm_Error_Text to the not-responding text and
//   enables Timer4; other codes set nothing.
// - What the window shows of a printer belongs to that printer (see
//   Printer_Key below). A caption, colour or option word that a read does
//   not give (the read failed, or the answer lacks its scalar) is left as
//   it is when the window already shows it for the printer read: a printer
//   that misses a poll keeps its last good values on screen. Shown for
//   another printer, it becomes the value kept for the printer read (its
//   table cell, its kept option word, the banner of its kept alerts), and
//   is empty (an option word and flags of 0) where nothing of it is kept:
//   nothing of the printer read before shows for this one.
// - Record counts are clamped to the record's capacity (0 .. capacity)
//   before any 16-bit conversion, and only that many entries are read and
//   stored: a device reporting more shows its first entries.
// - A call on IVectorItem that returns a failed HRESULT, a null object, a
//   subscript out of bounds or another run-time fault raises VbError; the
//   procedure's trap keeps its number and description in Last_Error_Number
//   and Last_Error_Description, sets the mouse pointer to the default (0),
//   and calls Report_Error unless the number is in its quiet set. No
//   exception leaves a procedure.
// - Module values belong to the one user-interface thread; nothing locks
//   them. Each one's owner (the code that writes it) stands beside it.
// ===========================================================================

// ---- Selection (owner: the main window, before every retrieval call) ----

// 0 installed printer (root vector 5002), 1 other network device (5004).
inline VbInteger Selected_List_Kind = 0;
// The device's instance of 5002/5004: its number in that list's discovery.
inline VbInteger Selected_Device = 0;
// Engine 0 or 1 of a tandem pair.
inline VbInteger Selected_Engine = 0;

// ---- Values of a cell ----

// A VB Variant cell of the tables: Empty until written, then a 32-bit
// integer, a text or a Boolean.
using Field = std::variant<std::monostate, VbLong, std::string, bool>;
inline bool Is_Empty(const Field& f) { return std::holds_alternative<std::monostate>(f); }
// The cell as VB shows it: "" for Empty, decimal for integers, "True" /
// "False" for Booleans.
std::string Field_Text(const Field& f);

// The VB run-time error of a subscript outside an array's bounds (9).
[[noreturn]] void Raise_Subscript_Error();
// Raises VB run-time error `number` with its VB description.
[[noreturn]] void Raise_Vb_Error(VbLong number);

// A fixed VB array with the lower bound Low in every dimension and the given
// upper bounds; an index outside them raises run-time error 9. Elements
// start default-constructed (Empty).
template <class T, int Low, int... Upper>
class Vb_Array {
 public:
  static constexpr std::size_t kDims = sizeof...(Upper);
  Vb_Array() : cells_(Size()) {}
  template <class... I>
    requires(sizeof...(I) == kDims)
  T& operator()(I... index) {
    return cells_[Offset({static_cast<long long>(index)...})];
  }
  template <class... I>
    requires(sizeof...(I) == kDims)
  const T& operator()(I... index) const {
    return cells_[Offset({static_cast<long long>(index)...})];
  }
  // Every element back to its start value (tests and a new discovery).
  void Clear() { cells_.assign(Size(), T{}); }

 private:
  static constexpr std::array<int, kDims> kUpper{Upper...};
  static constexpr std::size_t Size() {
    std::size_t n = 1;
    for (int u : kUpper) n *= static_cast<std::size_t>(u - Low + 1);
    return n;
  }
  static std::size_t Offset(std::initializer_list<long long> index) {
    std::size_t offset = 0, d = 0;
    for (long long i : index) {
      if (i < Low || i > kUpper[d]) Raise_Subscript_Error();
      offset = offset * static_cast<std::size_t>(kUpper[d] - Low + 1) +
               static_cast<std::size_t>(i - Low);
      ++d;
    }
    return offset;
  }
  std::vector<T> cells_;
};

// ---- Record kinds of the per-device tables ----
// Every record but Value_Triple starts with Valid, which holds no device
// value: -1 (True) once a procedure stored the record, 0 before.

struct Value_Triple {
  Field First, Second, Third;
};

// Memory_Count: the number of rows stored (1 .. Memory_Count).
// Row: type text (Decode_Memory_Type of 126, empty when the unit has no
// type), size (127), available (128).
struct Memory_Record {
  VbInteger Valid = 0;
  Field Memory_Count;
  Vb_Array<Value_Triple, 1, 10> Memory;
};

// Row n: component text (Decode_Firmware_Component of 139), name (140),
// version (141).
struct Firmware_Record {
  VbInteger Valid = 0;
  VbInteger Firmware_Count = 0;
  Vb_Array<Value_Triple, 1, 10> Firmware;
};

// Entry 0: disk type code (133), size (134), available (135); 1 and 2 are
// never written.
struct Disk_Record {
  VbInteger Valid = 0;
  Vb_Array<Value_Triple, 0, 2> Disks;
};

// Raw codes of one input tray; Unused is never written.
struct Input_Tray_Entry {
  Field Tray_Type;       // 35
  Field Paper_Size;      // 36
  Field Feed_Direction;  // 37
  Field Media_Type;      // 187
  Field Tray_Status;     // 188
  Field Wide_Size;       // 216 (1: wide paper, shown with "W")
  Field Unused;
};
struct Input_Tray_Record {
  VbInteger Valid = 0;
  VbInteger Tray_Count = 0;
  Vb_Array<Input_Tray_Entry, 1, 6> Trays;
};

// One output bin; the last two fields are never written.
struct Output_Tray_Entry {
  Field Bin_Type_Text;  // Decode_Output_Type of 64 (empty for an absent bin)
  Field Bin_Name;       // 46
  Field Unused_2, Unused_3;
};
struct Output_Tray_Record {
  VbInteger Valid = 0;
  VbInteger Bin_Count = 0;
  Vb_Array<Output_Tray_Entry, 1, 4> Bins;
};

struct Alert_Entry {
  Field Code;         // 180
  Field Severity;     // Decode_Alert_Severity of 178
  Field Party;        // from the alert status table
  Field Time;         // 183
  Field Description;  // 181
};
// Count: the number of alerts stored (1 .. Count).
struct Alert_Record {
  VbInteger Valid = 0;
  Field Count;
  Vb_Array<Alert_Entry, 1, 20> Alerts;
};

// Values(k) holds job scalar 7004 + k: 0 user, 1 document, 2 status text,
// 4 priority, 5 position, 6 total pages, 8 pages printed; 3, 7 and 9 stay
// empty (no value is supplied for 7007, 7011, 7013).
struct Job_Entry {
  Vb_Array<Field, 0, 9> Values;
};
// Valid stays 0 (the job reader never sets it); entry n is queue position
// n - 1.
struct Job_Record {
  VbInteger Valid = 0;
  VbInteger Job_Count = 0;
  Vb_Array<Job_Entry, 1, 25> Jobs;
};

// Capacities of the records.
inline constexpr int kMaxMemoryRows = 10;
inline constexpr int kMaxFirmwareRows = 10;
inline constexpr int kMaxInputTrays = 6;
inline constexpr int kMaxOutputBins = 4;
inline constexpr int kMaxAlerts = 20;
inline constexpr int kMaxJobs = 25;

// ---- The per-device tables (Device_Data_Tables) ----
// Subscripts: list kind 0..2, device 0..64, engine 0..2, field as shown.
// Written by the procedures named; the main window reads them.

// Fields 0..7: 0 and 4 Get_Status_And_Options (4 Get_Device_Status too),
// 1 Get_Printer_State (product name, 77), 6 Get_Device_Flag (tandem flag);
// the others (2 controller module type, 3 location, 5 spooler name) the
// main window's discovery.
inline Vb_Array<Field, 0, 2, 64, 7> Device_List_Fields;
// Fields 0..20: Get_Controller_Info (4, 5, 8-15, 18, 19), Get_MIB_Version
// (16, 17); the others the main window's discovery.
inline Vb_Array<Field, 0, 2, 64, 20> Controller_Fields;
// Fields 0..14 per engine: 0 engine type code (153), 1 machine state text
// (Get_Printer_State), 2 remaining jobs, 3 remaining time, 4 developer
// count, 5 PM count, 6 service count, 7 printer count, 8 and 9 (counters
// and installed options), 10 engine model, 12 total count.
inline Vb_Array<Field, 0, 2, 64, 2, 14> Engine_Fields;
// Fields 0..6 per engine: 0 finisher name (111), 1 offset, 2 collate,
// 3 folding, 4 staple ("YES"/"No"/"NO" texts), 5 True once read.
inline Vb_Array<Field, 0, 2, 64, 2, 6> Finisher_Fields;
inline Vb_Array<Memory_Record, 0, 2, 64, 2> Memory_Table;
inline Vb_Array<Firmware_Record, 0, 2, 64, 2> Firmware_Table;
inline Vb_Array<Input_Tray_Record, 0, 2, 64, 2> Input_Tray_Table;
inline Vb_Array<Output_Tray_Record, 0, 2, 64, 2> Output_Tray_Table;
inline Vb_Array<Alert_Record, 0, 2, 64, 2> Alert_Table;
inline Vb_Array<Disk_Record, 0, 2, 64> Disk_Table;
inline Vb_Array<Job_Record, 0, 2, 64> Job_Table;

// The raw option word (scalar 206) of engines 0..2 of the device read last
// (owner: the procedures that read 206).
inline Vb_Array<VbLong, 0, 2> Engine_Options;
// Flags of the option word of the engine read last (owner: the procedures
// that read 206): flag k (0..30) holds the word's bit k masked (0 or 2^k),
// flag 31 holds 1 when the word is negative, else 0. Get_Installed_Options
// sets all 32; Get_Device_Functions and Get_Summary_Info set 13, 14 and 31.
inline std::array<VbLong, 32> Option_Flags{};
// The device's functions under the names the main window reads, the same
// values as Option_Flags 14, 31 and 13: 16384, 1 and 8192 when present,
// else 0.
inline VbLong& Scanner_Flag = Option_Flags[14];
inline VbLong& Copier_Flag = Option_Flags[31];
inline VbLong& Fax_Flag = Option_Flags[13];

// ---- Which printer the window's values were drawn for ----

// The printer a value on the window belongs to: the list kind, the device
// and the engine it was read for, or kWholeDevice for the values of the
// device as a whole (its identity, status, controller, languages and
// functions). Kind -1: no printer.
inline constexpr VbInteger kWholeDevice = -1;
struct Printer_Key {
  VbInteger Kind = -1;
  VbInteger Device = -1;
  VbInteger Engine = kWholeDevice;
  friend bool operator==(const Printer_Key&, const Printer_Key&) = default;
};
// The device read now (Selected_List_Kind, Selected_Device) with `engine`.
Printer_Key Printer_Read(VbInteger engine);

// The one record of which printer each control of the window that shows
// printer values (captions, the banner, lists, pictures; `index` the
// element of a control array, -1 for a control that is none) was drawn for
// last. The readers, list fills and pictures mark what they draw; a
// control never marked, or forgotten, was drawn for no printer. Every
// decision to keep what a control shows goes through Drawn_For (owner: the
// readers, the tab lists and the pictures; a new window forgets all).
bool Drawn_For(const Printer_Key& printer, std::string_view control, VbInteger index = -1);
void Mark_Drawn(const Printer_Key& printer, std::string_view control, VbInteger index = -1);
void Forget_Drawn(std::string_view control, VbInteger index = -1);
void Forget_All_Drawn();
// A new discovery of list `kind`: its device numbers may name other
// printers now, so no control is drawn for any of them any more and no
// option word is theirs.
void Forget_Drawn_For_List(VbInteger kind);

// The printer (list kind, device, engine) whose option word each
// Engine_Options(engine) holds, set with the word by a read of scalar 206;
// Kind -1 while it holds no printer's word (owner: as Engine_Options).
inline std::array<Printer_Key, 3> Engine_Options_Printer{};

// The job list root (vector 7001) that Get_Print_Jobs opened last, with the
// object that made it; Handle -1 when none is open. Only that object may
// release it: call Release_Job_Root_Handle (the main window before each
// job refresh, before it replaces or drops its objects, and at shut-down).
struct Job_Root {
  ComPtr<IVectorItem> Item;
  LONG Handle = -1;
};
inline Job_Root Job_Root_Handle;
// Releases Job_Root_Handle on its own object and forgets both. Never fails.
void Release_Job_Root_Handle() noexcept;

// ---- Not-responding state ----

// "On" after a checked group read reported -11 or -12 (owner: the
// retrieval procedures set "On"; the main window sets "Off" when the user
// selects a printer).
inline std::string Comm_Error_On;
// Group reads answered ErrorCode -11 or -12 (timed out), checked or not,
// since the program started; counted by the frame at each read, never set
// back (a silent stand-in's reads, answered so, count as well). A caller
// that goes through several reads of one device compares it before and
// after a read to stop at the first read the device did not answer (each
// costs a whole time-out cycle).
inline VbLong Silent_Read_Count = 0;
// The ErrorCode of the last of them (-11 or -12; -11 before any).
inline LONG Silent_Read_Code = -11;
// Not_Responding_Phrase & " (" & Error_Code_Phrase & " " & code & ")".
inline std::string Comm_Error_Text;
// "The Selected Printer is not Responding" / "Error Code", or the language
// library's texts 503 and 504 cut at the first NUL and trimmed (owner: the
// main window's start-up).
inline std::string Not_Responding_Phrase;
inline std::string Error_Code_Phrase;

// ---- Values of the main window that the procedures read ----
// (owner: the main window)

// "Installed", "Not Installed", "N/A" or their language-library texts.
inline std::string Installed_Text;
inline std::string Not_Installed_Text;
inline std::string Not_Applicable_Text;
// Rows 0..127 of the discovered devices: column 0 the list kind (0
// installed, 1 other), column 1 the device number; written by discovery.
inline Vb_Array<VbInteger, 0, 127, 1> Discovered_Printers;
// The 1-based row of Discovered_Printers that is selected.
inline VbInteger Selected_Row = 0;

// ---- The error report ----

// The run-time error last caught by a trap (owner: the traps).
inline VbLong Last_Error_Number = 0;
inline std::string Last_Error_Description;
// The code of the message Message_Box shows ("15" for the error report);
// the dialog's answer button writes its answer here.
inline std::string Message_Code;
// "Velmar Printer Monitor" or the language library's text 235, set by
// Report_Error (and by the About box).
inline std::string Program_Title;

// The quiet sets of the traps: numbers that end a procedure without a
// report.
inline constexpr std::array<VbLong, 4> kUsualQuietSet{5, 91, 400, 35601};
inline constexpr std::array<VbLong, 5> kInputTrayQuietSet{5, 9, 53, 400, 35600};

// The general error report: Message_Code "15", Program_Title set, through
// Message_Box_Port: Command1 and Command2 hidden, Command3 at Left 1365
// captioned "Ok" (276), caption 15 spaces & Program_Title, Text3
// Last_Error_Number, four spaces, Last_Error_Description; then shown
// modally. With no port set nothing is shown.
void Report_Error();

// ---- Ports: what the procedures touch of the windows ----

// The main window's controls, by name and, for control arrays, index.
// Names the procedures use: lblIPModel, lblIPName(1..5), lblIPLocation,
// Label4, Label12, lblIPType, lblIPMIBVersion, lblEngineModel,
// lblEngineNamePaperInput(7), lblEngineNamePaperOutput(8),
// lblEnginePMCount, lblEnginePrinterCount, lblengineDeveloperCount,
// lblEngineServiceCount, lblEngineTotalCount, lblEngineRemainJobs,
// lblEngineRemainTimes, lblEngineStatus, lblEngineFinisherModel,
// lblIPStatus, lblIPEngine1Name, lblIPFinisher1Name, lblIPEngine2Status,
// lblIPEngine2Name, lblIPFinisher2Name, Engine2NameLabel(8),
// Engine2StatusLabel(9), Finisher2Label(11), lblIPInstalled,
// lblIPSpoolName, lblIPPDL, lblIPLanguages, Label13 (caption and
// BackColor), Label14, LCTPaperInput, SheetFeederPaperInput,
// TrimmerPaperOutput, PunchPaperOutput, CenterFoldPaperOutput,
// ZFoldPaperOutput, DMFoldPaperOutput, Label6, Label8, Label10.
// A name the window lacks, or an index outside its array, raises VbError
// 340 ("Control array element does not exist") for an array and 424
// ("Object required") otherwise; the procedures' traps handle it.
struct Main_Window_Port {
  static constexpr VbInteger kNoIndex = -1;  // a control that is no array
  virtual ~Main_Window_Port() = default;
  virtual std::string Caption(std::string_view control, VbInteger index) = 0;
  virtual void Set_Caption(std::string_view control, VbInteger index,
                           const std::string& caption) = 0;
  virtual void Set_Visible(std::string_view control, VbInteger index, bool visible) = 0;
  // colour in the 0x00BBGGRR form.
  virtual void Set_BackColor(std::string_view control, VbInteger index, VbLong colour) = 0;
  virtual void Set_Timer4_Enabled(bool enabled) = 0;
  // Screen.MousePointer: 0 default, 11 hourglass.
  virtual void Set_Mouse_Pointer(VbInteger pointer) = 0;
  // The tab SSTab1 shows: 0 QuickView .. 6 Jobs.
  virtual VbInteger Current_Tab() = 0;
  // The title of a window (GetWindowTextA): the window's title when it is
  // one of the program's own, else the empty text (window 0, another
  // program's window).
  virtual std::string Window_Text(VbLong /*window*/) { return {}; }
};
// Set by the main window when it loads; null leaves every control untouched
// (Current_Tab then reads as 0).
inline Main_Window_Port* Main_Window = nullptr;

// The message dialog Message_Box. The first call after a show loads the
// form (its Form_Load lays out the buttons by Message_Code as it then
// stands); Show_Modal returns once the dialog is closed and unloaded.
// Controls: Text1..Text5, Command1..Command4; Set_Caption with control ""
// sets the dialog's own caption.
struct Message_Box_Port {
  virtual ~Message_Box_Port() = default;
  virtual void Set_Caption(std::string_view control, const std::string& caption) = 0;
  virtual void Set_Text(std::string_view control, const std::string& text) = 0;
  virtual void Set_Visible(std::string_view control, bool visible) = 0;
  virtual void Set_Left(std::string_view control, VbLong twips) = 0;
  virtual void Show_Modal() = 0;
};
// Set by the program at start-up; null shows no dialog.
inline Message_Box_Port* Message_Box = nullptr;

// ---- Retrieval procedures ----
// Their results are 0 and not used; what they read goes to the tables and
// labels named.

// lblEngineNamePaperInput(7), lblEngineNamePaperOutput(8), lblEngineModel
// := engine name (152).
VbInteger Get_Engine_Model(IVectorItem* item, VbInteger engine);
// Device_List_Fields(k, d, 1) := product name (77) and Engine_Fields(k, d,
// engine, 1) := Decode_Machine_State(186); no not-responding check. When the
// name read answers -11 or -12 the state is not read (the device would not
// answer it either); after any other failed name read it is.
VbInteger Get_Printer_State(IVectorItem* item, VbInteger engine);
void Get_Input_Trays(IVectorItem* item);
void Get_Output_Trays(IVectorItem* item);
// The banner Label13 (caption and colour) is that of the alerts listed for
// the printer (Alert_Banner of its record). A good read stores the record
// and draws its banner; a read that fails, or a row answering -11 or -12,
// which ends the read, keeps the record and the banner shown for this
// printer (another printer's banner becomes that of this one's kept
// record). A row whose read fails otherwise is left out (entries stay
// numbered 1 .. Count without gaps).
void Get_Alerts(IVectorItem* item);
// On the Printer tab (Current_Tab 2) units whose upper-cased type text
// contains "ROM", "NVRAM" or "RAM" are left out.
void Get_Memory_Table(IVectorItem* item);
// Reads engine instance 1 whatever the selected engine.
void Get_Disk_Info(IVectorItem* item);
void Get_Firmware_Table(IVectorItem* item);
// Finisher_Fields 0..4 in place, then field 5 := True.
void Get_Finisher_Options(IVectorItem* item);
// The main window turns to another printer: Engine_Options of every engine
// and Option_Flags := 0, and the captions drawn from them (Label12,
// lblIPType, the option captions of Get_Installed_Options and Label14) are
// emptied and drawn for no printer, until the new printer's own option word
// is read. Reads nothing.
void Forget_Engine_Options();
// Job_Table(k, d); keeps the job list root open in Job_Root_Handle (the
// previous one is released first). A job whose handle is -1 or whose read
// fails (101: it left the queue since the count) is left out; Job_Count is
// the number of jobs stored.
void Get_Print_Jobs(IVectorItem* item);

// One row of the alert status table (banner colour 0x00BBGGRR).
struct Alert_Status {
  VbLong Colour;
  std::string Caption;
  std::string Party;
};
// The row of a description (exact, case-sensitive match; the default row
// for any other text), with localised caption and party when Localised is
// "On".
Alert_Status Classify_Alert(const std::string& description);
// The banner of a record's alerts: the row of the last stored alert whose
// description was received, else (no alert, none described, no record yet)
// "Status" on &HE0E0E0 with no party.
Alert_Status Alert_Banner(const Alert_Record& record);

// ---- Utilities without a device ----

// Read_Registry_String: the last text read (empty after any failure) and
// "No" when the last call found no text, else the empty text.
inline std::string Registry_Value;
inline std::string Registry_Found;
// Opens subKey with KEY_READ, reads the REG_SZ value through a 255-byte
// buffer (a text of at most 254 characters and its NUL) and returns it cut
// at its first NUL; Registry_Value holds it too. A key that cannot be opened
// or read, a missing value, a value of another type, one too long for the
// buffer, and empty data all give "" with Registry_Value "" and
// Registry_Found "No". Every key it opens is closed before it returns.
std::string Read_Registry_String(HKEY rootKey, const std::string& subKey,
                                 const std::string& valueName);

// Get_OS_Version: the platform id, 0 until it has run. The monitor runs on
// the NT family's terms (2) on Linux; every caller tests for that value.
inline constexpr VbInteger kPlatformWin32Windows = 1;
inline constexpr VbInteger kPlatformWin32Nt = 2;
inline VbInteger OS_Platform_Id = 0;
void Get_OS_Version();

// ---- Controller, identity, finisher names, counters and device flags ----
// Every reader below follows the rules of the retrieval procedures above:
// root 5002/5004 by Selected_List_Kind (the two finisher readers too),
// values of a failed read are not applied, and the captions, option word
// and flags that a read does not give are those the printer read last gave
// (empty, 0, for another printer with nothing kept).

// Controller_Fields 4, 5, 13, 14, 18, 19 from the controller block (vector
// 74), then Get_Disk_Info and Get_Memory_Table, whose first disk row (10,
// 11, 12) and first memory row (8, 9) it copies, then field 15 := True
// when the block was read.
void Get_Controller_Info(IVectorItem* item);
// Engine_Fields 0-7, 10, 12 of the engine, field 8 "YES"/"NO" (more than
// five input units), Engine_Options(engine) and all 32 Option_Flags, the
// option captions ("YES"/"No", English unless Localised is "On") of
// LCTPaperInput, Label6, TrimmerPaperOutput, Label8, PunchPaperOutput,
// Label10, SheetFeederPaperInput, CenterFoldPaperOutput, ZFoldPaperOutput,
// DMFoldPaperOutput from the flags as they stand, Label14 := resolution
// (151); then field 9 := True when the engine's values were read. A read
// that gives no word keeps the word the printer gave last (the flags are
// set from it again), or, with none kept, leaves word and flags 0 and the
// option captions and Label14 empty (see the rules above).
void Get_Installed_Options(IVectorItem* item, VbInteger engine);

// lblIPModel and lblIPName(1..5) := controller name (189); lblIPLocation and
// Device_List_Fields field 3 := location (78).
void Get_Printer_Identity(IVectorItem* item, VbInteger engine);
// Label4 and Device_List_Fields field 4 := Decode_Device_Status(81) of
// Selected_Engine.
VbInteger Get_Device_Status(IVectorItem* item);
// Engine_Options(engine) and flags 13, 14, 31 from 206; then the
// device-type text in Label12 and lblIPType: "Printer" (312), then
// "/Scanner" (448), "/Copier" (449), "/Fax" (450) for the flags set, each
// the English literal unless Localised is "On".
VbInteger Get_Device_Functions(IVectorItem* item, VbInteger engine);
// Controller_Fields 16 and lblIPMIBVersion := 85; Controller_Fields 17 := 86.
VbInteger Get_MIB_Version(IVectorItem* item);

// Get_Window_Caption: the title of the window given, through the main window
// port's Window_Text (255-character buffer: at most 254 characters), trimmed
// and cut before its first "-" into Window_Caption_Text; "" when the window
// is none of ours (another program is active). Returns "".
inline VbLong Caption_Buffer_Size = 255;
inline std::string Caption_Buffer;
inline VbLong Caption_Length = 0;
inline std::string Window_Caption_Text;
std::string Get_Window_Caption(VbLong window);

// lblEngineFinisherModel and Finisher_Fields(.., Selected_Engine, 0) := the
// finisher name (111; group 1010, RetrievalMode 1).
VbInteger Get_Finisher_Model(IVectorItem* item);
// Finisher_Fields(.., engine, 0) := the finisher name; field 5 := True
// after a good read.
VbInteger Get_Finisher_Strings(IVectorItem* item, VbInteger engine);

// Engine_Fields 1-7, 10, 12 and the Printer tab's counter captions; field 9
// := True after a good read; then Get_Finisher_Model.
VbInteger Get_Engine_Counters(IVectorItem* item, VbInteger engine);
// The QuickView summary: one pass for the engine given, and for a tandem pair
// (Device_List_Fields field 6 = 1) a second one for engine 1 into the
// engine-2 captions, which are shown (else emptied and hidden). The passes
// use an engine of their own: the caller's variable is never written.
// Engine_Options and flags 13, 14, 31 end with the last pass's word.
VbInteger Get_Summary_Info(IVectorItem* item, VbInteger engine);

// Device_List_Fields(listKind, device, 6) := 1 when scalar 217 is 3, else 0;
// root 5004 when listKind is not 0. The row is not read.
VbInteger Get_Device_Flag(IVectorItem* item, VbInteger listKind, VbInteger device,
                          VbInteger row);
// Device_List_Fields 4 := Decode_Device_Status(81); Get_Installed_Options
// for engine 0 (and 1 for a tandem pair); field 0 := True when the status
// was read.
VbInteger Get_Status_And_Options(IVectorItem* item);
// Engine_Fields(.., engine, 0) := the engine type code (153).
VbInteger Get_Engine_Type(IVectorItem* item, VbInteger engine);

}  // namespace vlm::monitor
