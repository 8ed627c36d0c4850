// The registry side of the monitor's configuration, free of Qt: the options
// dialog's store of the discovery configuration and its check of an IP range
// typed into the dialog, and the main window's start-up procedures on the
// registry (the super-user test, the preferences, the abnormal-end check).
// The windows (monitor/forms: frmOptions, frmTQZ) hold the controls and the
// questions and call these.
//
// What a caller may rely on:
// - Every procedure works under the root it is given (the windows pass
//   HKEY_LOCAL_MACHINE). The options dialog's procedures take the key path by
//   reference: one leading "\" is removed from it, in the caller's variable
//   too; the start-up procedures take the subkey as a constant and open it
//   without its leading "\", leaving the caller's text as it is. Values are
//   REG_SZ: the text and one terminating NUL. A value is read through a
//   255-byte buffer; a longer one counts as missing. Every key opened is
//   closed again.
// - Readers never fail: a missing key or value gives an empty list or text.
// - Writers and deleters return ERROR_SUCCESS or the first registry error
//   (a key that is there but refuses writing, a refused write or delete). A
//   key that is not there makes the procedure do nothing further, which is
//   no failure: nothing is written to it (the monitor never makes the
//   providers key; only the providers' registration does). A value that is
//   not there counts as deleted.
// - The ranges key holds exactly the listed ranges as "0".."n-1" after a
//   successful Apply_Options_Settings. The new values are written before any
//   surplus value is deleted, and nothing is deleted from a key whose writes
//   failed, so a failure or a crash between the two steps leaves every range
//   that was listed or stored in the registry (each registry call is atomic).
//   The same holds for the IPX server and the providers key.
// - Check_Range_Entry has no side effects: it returns what the "&Add" button
//   shows and does, and the dialog applies it. An item it adds is in
//   canonical form: four decimal segments without blanks, signs or leading
//   zeros, start ":" end, each segment 0..254 and the first and fourth 1..254,
//   start not above end; that is the form the IP provider parses.
// - Texts follow the language policy of the device data module: the English
//   literal unless Localised is "On", then the library's string of the
//   number, cut at its first NUL.
// - The start-up procedures raise no error of their own: a key or value that
//   cannot be opened, read, created or written is passed over as each one
//   says. What they find goes to the variables the caller hands them (the
//   main window passes its state object's flags); none shows a question: the
//   caller asks it. Those that end by setting the mouse pointer back to the
//   default do so through the device data module's window port
//   (Main_Window), as the main window's procedures do.
// - Trim is the one trim of texts: spaces off both ends, nothing else.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "platform/registry/registry.h"
#include "platform/types.h"

namespace vlm::monitor {

// ---- Keys and fixed values ----

inline constexpr const char* Ranges_Key_Path = "Software\\VLM\\Discovery\\DP\\IP\\Discovery Params\\Ranges";
inline constexpr const char* Servers_Key_Path = "Software\\VLM\\Discovery\\DP\\IPX\\Discovery Params\\Servers";
inline constexpr const char* Providers_Key_Path = "Software\\VLM\\Discovery\\DM\\Providers";
inline constexpr const char* Preferences_Key_Path = "Software\\VLM\\Discovery\\Preferences";
inline constexpr const char* IP_Startup_Key = "SOFTWARE\\VLM\\Discovery\\DP\\IP\\Startup";
inline constexpr const char* IPX_Startup_Key = "SOFTWARE\\VLM\\Discovery\\DP\\IPX\\Startup";
inline constexpr const char* Server_Value_Name = "Server_Name";

// ---- Module values of the options dialog (owner: frmOptions) ----

// The key path and value name handed to the procedures below.
inline std::string Options_Key_Path;
inline std::string Options_Value_Name;
// Set by Set_The_Preferences: "IP"/"IPX" for a provider switched on, else
// "No"; the keys are the providers' Startup key paths.
inline std::string IP_Provider_Name;
inline std::string IPX_Provider_Name;
inline std::string IP_Provider_Key;
inline std::string IPX_Provider_Key;

// What the dialog's controls hold, as the writers read them.
struct Options_Settings {
  std::vector<std::string> Ranges;      // List1, in list order
  std::string Server_Name;              // Text4
  bool IP_Enabled = true;               // Option1 (else Option2)
  bool IPX_Enabled = false;             // Option3 (else Option4)
  bool UnInstalled_Enabled = true;      // Option5 (else Option6)
  bool Polling_Enabled = true;          // Option7 (else Option8)
  std::string Polling_Interval = "30";  // Text3
};

// ---- Registry store ----

// Creates or opens the key; false when it cannot be created.
bool CreateNewKey(HKEY root, std::string& keyPath);

// Every value of the key as text: the values named "0", "1", ... (decimal
// without leading zeros) in number order, gaps skipped, then any other
// value in creation order. The dialog's Range_Count is the list's size.
std::vector<std::string> GetValue(HKEY root, std::string& keyPath);

// The options dialog's own read of the IPX server name (the main window's
// Get_IPX_Server only makes sure the key exists). Empty when missing.
std::string Get_Options_IPX_Server(HKEY root, std::string& keyPath, const std::string& valueName);

// Deletes every value of the key except "0".."keep-1"; keep 0 empties it.
LONG DeleteValues(HKEY root, std::string& keyPath, std::size_t keep);
// Deletes the one named value.
LONG Delete_IPX_Server(HKEY root, std::string& keyPath, const std::string& valueName);
// Deletes the values "IP" and "IPX", except those asked to be kept.
LONG Delete_IP_IPX_Startup_Directories(HKEY root, std::string& keyPath, bool keepIP = false,
                                       bool keepIPX = false);

// Writes ranges[i] as the value named i in decimal.
LONG SetTheValues(HKEY root, std::string& keyPath, const std::vector<std::string>& ranges);
LONG Set_IPX_Server_Name(HKEY root, std::string& keyPath, const std::string& serverName);
// Writes "IP" = IP_Provider_Key when IP_Provider_Name is "IP", then, unless
// that failed, "IPX" = IPX_Provider_Key when IPX_Provider_Name is "IPX".
LONG Set_IP_IPX_Directory_Names(HKEY root, std::string& keyPath);
// Writes IP_Enabled, IPX_Enabled, UnInstalled_Enabled, Polling_Interval and
// Polling_Enabled in this order, and sets the provider names and keys.
LONG Set_The_Preferences(HKEY root, std::string& keyPath, const Options_Settings& settings);

// The polling interval as stored: the whole number of seconds 10 to 60 in
// plain decimal, for any other text "30".
std::string Polling_Interval_To_Store(const std::string& text);

// Apply: every key written, then its surplus deleted: the ranges as "0" up,
// the preferences, the IPX server (deleted when the name is empty), the
// providers switched on (the others deleted). A key whose writes fail is not
// deleted from; the other keys are still written. Returns the first failure.
LONG Apply_Options_Settings(HKEY root, const Options_Settings& settings);

// Removes the ranges, the IPX server and both providers (the preferences
// stay), as Apply does when every range was deleted. Returns the first failure.
LONG Delete_Options_Configuration(HKEY root);

// Test hook: the call that deletes a value (null: RegDeleteValueA), so that a
// test can make deletes fail after the writes succeeded.
using Delete_Value_Call = LONG (*)(HKEY key, const char* valueName);
void Set_Delete_Value_Call_For_Tests(Delete_Value_Call call);

// ---- The main window's start-up procedures ----

// The preferences the main window runs on: the values of these names in the
// preferences key ("Yes"/"No" but the interval, whole seconds as text).
struct Preferences {
  std::string IP_Enabled;
  std::string IPX_Enabled;
  std::string UnInstalled_Enabled;
  std::string Polling_Interval;
  std::string Polling_Enabled;
};

// What a first start stores: "Yes" for each switch, the interval "30".
Preferences Default_Preferences();

// Whether the key opens for reading.
bool Key_Exists(HKEY root, const std::string& subkey);
// Whether the key opens for reading but its value valueName cannot be read
// (GetRanges: a ranges key without its first range).
bool Key_Without_Value(HKEY root, const std::string& subkey, const std::string& valueName);

// superUser := "On" when the key opens for writing, else "Off";
// registryReadOnly := whether the root itself refuses writing (this user can
// store nothing). An error is trapped as by the device data procedures; the
// pointer goes back to the default.
void Check_For_Super_User(HKEY root, const std::string& subkey, std::string& superUser,
                          bool& registryReadOnly);

// Creates the key; once it is there, Create_Preferences_Values on it. A key
// that cannot be created gets no values.
void Create_Preferences_Key(HKEY root, const std::string& subkey, const std::string& superUser,
                            bool& defaultsWritten);
// Writes the first start's defaults (the five preferences, then
// Check_Discovery "Terminated"), valueName and value holding the last one
// written, and defaultsWritten := whether every write succeeded; the pointer
// goes back to the default. Nothing is written, and the pointer is left as
// it is, when superUser is "Off" or the key does not open for writing.
void Create_Preferences_Values(HKEY root, const std::string& subkey, std::string& valueName,
                               std::string& value, const std::string& superUser,
                               bool& defaultsWritten);
// Reads the five preferences into preferences, valueName the last name
// read; a value that cannot be read, or a key that is not there, leaves the
// text as it was.
void Get_Preferences_Values(HKEY root, const std::string& subkey, std::string& valueName,
                            Preferences& preferences);

// Writes Check_Discovery: "Terminated" while discoveryRunning is "Yes" (a
// discovery that does not finish leaves it behind), else "Completed";
// valueName and value hold what was written. A key that does not open and a
// refused write change nothing. The pointer goes back to the default.
void Create_Check_Discovery(HKEY root, const std::string& subkey, std::string& valueName,
                            std::string& value, const std::string& discoveryRunning);
// Reads Check_Discovery (valueName). When it cannot be read (a first start):
// discoveryRunning := "Yes" and "Terminated" stored in the preferences key
// under HKEY_LOCAL_MACHINE, as Create_Check_Discovery writes it. Returns
// true when the stored text is "Terminated" exactly and defaultsWritten is
// false: the last run ended abnormally and the caller asks the "16"
// question. It does not set the pointer back itself: the caller does once
// it has asked.
bool Get_Check_Discovery(HKEY root, const std::string& subkey, const std::string& valueName,
                         std::string& discoveryRunning, bool defaultsWritten);

// Makes sure the IPX servers key exists: when the key does not open, the
// servers key is created under HKEY_LOCAL_MACHINE. An error is trapped and
// reported as by the device data procedures.
void Get_IPX_Server(HKEY root, const std::string& subkey, const std::string& valueName);
// Creates the key; a key that cannot be created is passed over.
void Create_IPX_Server_Key(HKEY root, const std::string& subkey);

// ---- Texts ----

// The text without the spaces at either end (no other blank is removed).
std::string Trim(const std::string& text);

// ---- IP range entry ----

enum class Range_Entry_Outcome {
  Focus_Only,  // both boxes empty: focus to Text1, nothing else
  Refused,     // Message shown; the boxes keep Text1 and Text2
  Duplicate,   // Message shown; the boxes are emptied, the list unchanged
  Added,       // Item appended to List1; the boxes are emptied
};

struct Range_Entry_Result {
  Range_Entry_Outcome Outcome = Range_Entry_Outcome::Focus_Only;
  std::string Text1;    // the boxes' texts afterwards
  std::string Text2;
  std::string Message;  // the message box text, when one is shown
  std::string Item;     // the canonical item, when added
};

// The "&Add" button's check of Text1 (start) and Text2 (end) against the
// items of List1. Focus goes to Text1 in every outcome.
Range_Entry_Result Check_Range_Entry(const std::string& text1, const std::string& text2,
                                     const std::vector<std::string>& list);

// The canonical form of a stored range item ("a" alone is "a:a"), or the
// item itself when a half is not four numeric segments.
std::string Canonical_Range(const std::string& item);

// The title of the range messages: the program title, or while that is still
// empty the About box's title text (the product title, string 234 when
// localised).
std::string Range_Message_Title(const std::string& programTitle);

}  // namespace vlm::monitor
