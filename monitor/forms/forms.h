// What the monitor's forms share: the program's flags (one state object),
// the main window as the dialogs see it, and the options window.
//
// What a caller may rely on:
// - State holds the global texts of the forms, compared exactly and
//   case-sensitively; an unset flag is empty text. Each member's owner (the
//   code that writes it) stands beside it. The device data module keeps its
//   own values (Message_Code, Program_Title, Localised, ...) in
//   monitor/devicedata/devicedata.h.
// - Main is the main window while it exists (set by frmTQZ), else null; the
//   dialogs reach it only through this interface.
// - frmOptions() is the one options window: the options dialog
//   (frmOptions.h, wired in forms.cpp), unless Install_Options_Form
//   replaced it for the rest of the program's run.
// - The windows hand over through these two ports and State's flags only:
//   the main window (or the message dialog's Configure) hides the main
//   window and shows frmOptions() without waiting; the options dialog
//   leaves its outcome in Options_Changed, Discovery_Requested, Quiet_Exit
//   and Options_Cancelling and shows, unloads or ends the main window
//   through Main, whose activation and unload read the flags. frmTQZ and
//   frmOptions do not call each other's code.
#pragma once

#include <memory>
#include <string>

#include "monitor/optionsstore/optionsstore.h"

class QWidget;

namespace vlm::monitor {

// The forms' shared flags. Its Preferences part holds the five preferences
// as read from the registry (owner: Get_Preferences_Values; a value missing
// from the key leaves its text as it was).
struct Monitor_State : Preferences {
  // "Start Up" until the super-user test, then "On" or "Off" (owner:
  // Check_For_Super_User).
  std::string Super_User;
  // True when this user may change nothing in HKEY_LOCAL_MACHINE: a
  // registry that belongs to the administrator (owner: Check_For_Super_User).
  // A start-up check that finds the configuration missing then gives one
  // notice in the administrator's wording, opens no options dialog, and the
  // program goes on with what there is (the default preferences when the
  // key is missing).
  bool Registry_Read_Only = false;
  // True once that notice was given at this start (owners: Get_Preferences,
  // GetRanges); the first discovery does not ask the "11" question then.
  bool Read_Only_Notice = false;
  // "No" when a start-up check sent the user to the options dialog (owners:
  // Get_Preferences, GetRanges; the options dialog empties it).
  std::string Registry_Entries_Found;
  // "Yes" from a start-up check's visit to the options dialog until the next
  // discovery refresh (owners: Get_Preferences, GetRanges, the discovery).
  std::string Options_Requested;
  // "Yes" while a discovery runs (owners: the discovery, Get_Check_Discovery).
  std::string Discovery_Running;
  // Hand-back of the options dialog (owner: the options dialog; the main
  // window's activation clears the "Cancel" it has acted on).
  std::string Options_Changed;
  std::string Discovery_Requested;
  std::string Quiet_Exit;
  std::string Options_Cancelling;
  // "On" while the tray menu's Exit asks its question (owner: mPopExit_Click).
  std::string Menu_Exit;
  // The options dialog's message-box title (owners: GetRanges, the options
  // dialog's commands).
  std::string Message_Title;
  // The parts of the main window caption (owners: Set_Window_Caption,
  // Build_Form_Caption).
  std::string Caption_Title;
  std::string Caption_Label;
  std::string Caption_Printer;
  // Printers found by the last discovery (owner: the discovery).
  short Installed_Printer_Count = 0;
  short Other_Device_Count = 0;
};
inline Monitor_State State;

// The main window as the dialogs use it.
class Main_Form {
 public:
  virtual ~Main_Form() = default;
  virtual QWidget* Widget() = 0;
  virtual void Show_Window() = 0;
  virtual void Hide_Window() = 0;
  virtual void Set_Timer1_Enabled(bool enabled) = 0;
  virtual void Set_Timer2_Enabled(bool enabled) = 0;
  // Shell_NotifyIcon NIM_DELETE; removing an absent icon does nothing.
  virtual void Remove_Tray_Icon() = 0;
  // Unload frmTQZ: the window closes without the exit question.
  virtual void Unload_Window() = 0;
};
inline Main_Form* Main = nullptr;

// The options window as the other forms use it.
class Options_Form {
 public:
  virtual ~Options_Form() = default;
  // frmOptions.Show: shows the window without waiting (modeless); loads it
  // first when it is not loaded.
  virtual void Show_Modeless() = 0;
  virtual bool Is_Visible() const = 0;
  // Unload frmOptions (the program is ending).
  virtual void Unload() = 0;
};
Options_Form& frmOptions();
void Install_Options_Form(std::unique_ptr<Options_Form> form);

}  // namespace vlm::monitor
