// frmOptions: the options dialog, its controls by name and its event
// procedures. What it reads and writes, and the range check behind "&Add",
// are in monitor/optionsstore (optionsstore.h).
//
// What a caller may rely on:
// - frmOptions() (forms.h) is the one options window; Show_Modeless loads
//   it (a new frmOptions_Form and its Form_Load) when it is not loaded and
//   shows it without waiting. The commands that close it unload it, so the
//   next show loads it anew from the registry and the preference values.
// - Every control is a child whose objectName is its name (SSTab1, Frame1..7,
//   Label1..3, Text1..5, List1, Command1..5, Option1..8, cmdOK, cmdCancel,
//   cmdApply). Font character sets given by the load are kept in each
//   widget's "charSet" property.
// - Form_Load locks the dialog (Apply, OK, Command1..5, Frame1..7 and List1
//   disabled) unless State.Super_User is exactly "On"; Cancel and the tabs
//   stay usable.
// - Setting an option button or Text3/Text4 from code raises its Click or
//   Change handler, as in VB, so the load sets Options_Changed to "No" last.
// - The handlers trap their own errors (the usual quiet set 5, 91, 400,
//   35601; others go to the error report). Message boxes go through the
//   dialog service (vbui::MsgBox); their answer is kept in Options_Answer.
// - Closing the window by its frame or Escape runs cmdCancel_Click.
// - The range messages of "&Add" take Range_Message_Title(Program_Title) as
//   their title; every other message takes State.Message_Title, which each
//   command sets to its run of spaces and the dialog's title.
// - Apply writes through Apply_Options_Settings. When a registry write
//   fails it shows one message, sets Options_Changed back to "Yes" and the
//   dialog stays open (also when OK ran it).
#pragma once

#include <QDialog>

#include <functional>
#include <memory>
#include <string>

#include "monitor/devicedata/devicedata.h"
#include "monitor/forms/forms.h"
#include "monitor/optionsstore/optionsstore.h"

class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;

namespace vlm::vbui {
class VbOptionButton;
class VbTabControl;
}  // namespace vlm::vbui

namespace vlm::monitor {

// The answer of the options dialog's last message box (owner: frmOptions).
inline int Options_Answer = 0;

// The dialog's own title text: "Velmar Printer Monitor - Options", or
// text 232 of the language library cut at its first NUL.
std::string Options_Title();

// The message shown when Apply could not write every setting (an English
// text of this program; the language library has none for it).
inline constexpr const char* Options_Write_Failed_Text =
    "Not all of the settings could be saved in the registry.\r\n"
    "The dialog stays open: check that you may change the configuration,\r\n"
    "then apply again.";

class frmOptions_Form : public QDialog {
  Q_OBJECT
 public:
  frmOptions_Form();

  // ---- Event procedures ----
  void Form_Load();
  void Option1_Click();
  void Option2_Click();
  void Option3_Click();
  void Option4_Click();
  void Option5_Click();
  void Option6_Click();
  void Option7_Click();
  void Option8_Click();
  void Text3_Change();
  void Text4_Change();
  // "&Add": returns what the check decided (Edit uses it).
  Range_Entry_Outcome Command1_Click();
  void Command2_Click();  // Delete
  void Command3_Click();  // Edit
  void Command4_Click();  // Undo Edit
  void Command5_Click();  // Undo Delete
  void cmdApply_Click();
  void cmdOK_Click();
  void cmdCancel_Click();

  // Unload frmOptions: hides the window and calls On_Unload (the options
  // window holder schedules its deletion there).
  void Unload();
  bool Unloaded() const { return unloaded_; }
  std::function<void()> On_Unload;

  // The settings as the controls hold them.
  Options_Settings Settings() const;

  // ---- Controls ----
  vbui::VbTabControl* SSTab1 = nullptr;
  QGroupBox* Frame1 = nullptr;
  QGroupBox* Frame2 = nullptr;
  QGroupBox* Frame3 = nullptr;
  QGroupBox* Frame4 = nullptr;
  QGroupBox* Frame5 = nullptr;
  QGroupBox* Frame6 = nullptr;
  QGroupBox* Frame7 = nullptr;
  QLabel* Label1 = nullptr;
  QLabel* Label2 = nullptr;
  QLabel* Label3 = nullptr;
  QLineEdit* Text1 = nullptr;
  QLineEdit* Text2 = nullptr;
  QLineEdit* Text3 = nullptr;
  QLineEdit* Text4 = nullptr;
  QLineEdit* Text5 = nullptr;
  QListWidget* List1 = nullptr;
  QPushButton* Command1 = nullptr;
  QPushButton* Command2 = nullptr;
  QPushButton* Command3 = nullptr;
  QPushButton* Command4 = nullptr;
  QPushButton* Command5 = nullptr;
  QPushButton* cmdOK = nullptr;
  QPushButton* cmdCancel = nullptr;
  QPushButton* cmdApply = nullptr;
  vbui::VbOptionButton* Option1 = nullptr;
  vbui::VbOptionButton* Option2 = nullptr;
  vbui::VbOptionButton* Option3 = nullptr;
  vbui::VbOptionButton* Option4 = nullptr;
  vbui::VbOptionButton* Option5 = nullptr;
  vbui::VbOptionButton* Option6 = nullptr;
  vbui::VbOptionButton* Option7 = nullptr;
  vbui::VbOptionButton* Option8 = nullptr;

  // ---- Form-level state ----
  VbInteger Range_Count = 0;
  std::string Edit_Mode;
  std::string Delete_Mode;
  std::string Undo_Start;
  std::string Undo_End;
  std::string Deleted_Range;
  std::string Apply_From_OK;

 protected:
  void closeEvent(QCloseEvent* event) override;
  void reject() override;

 private:
  // The index of List1's selected item, or -1.
  int Selected_Index() const;
  void Remove_List_Item(int index);
  std::vector<std::string> List_Items() const;
  void Refresh_Range_Count();
  // Shows a standard message box titled State.Message_Title.
  int Show_Message_Box(const std::string& prompt, int buttons);
  // Apply's writes; false when a registry write failed (the message was
  // shown and the dialog stays open).
  bool Write_Settings();
  // Unloads the dialog and the main window, removes the tray icon and ends
  // the program.
  [[noreturn]] void End_Program();
  // OK or Cancel with no range listed: the exit question; Yes ends the
  // program, No leaves the dialog open.
  void Ask_To_End_Without_Ranges();
  void Localise();

  bool unloaded_ = false;
  bool apply_failed_ = false;
};

// The options window on this dialog, as the forms' window port shows it
// (frmOptions(), forms.h): loads the dialog on its first show after an
// unload.
std::unique_ptr<Options_Form> Make_Options_Window();

// The loaded options dialog, or null when it is not loaded (or another
// options window was installed).
frmOptions_Form* Loaded_Options_Form();

}  // namespace vlm::monitor
