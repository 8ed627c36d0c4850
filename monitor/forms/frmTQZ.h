// frmTQZ: the monitor's main window, its controls by name, and the
// procedures of its start-up, preferences, shut-down, tray icon and captions.
//
// What a caller may rely on:
// - Every control is a child whose objectName is its name; element i of a
//   control array is named "<name>_<i>" (lblIPName_3). Control(name, index)
//   finds one (index -1 for a control that is no array) and raises VB error
//   340 for a missing array element, 424 for any other missing control.
//   SSTab1 holds the seven tabs 0 "QuickView" .. 6 "Jobs" with their
//   controls; ComboPrinter_0..6 stand one on each tab.
// - The window implements the device data module's window port
//   (Main_Window, set by the constructor) and the dialogs' Main_Form (Main):
//   captions, Visible, BackColor (0x00BBGGRR; the value set is kept in the
//   widget's "backColor" property), Timer4, the mouse pointer, the current
//   tab. Font character sets are kept in each widget's "charSet" property.
// - Timer1..Timer5 are VbTimers with the design intervals (60000, 1500,
//   5000, 1250, 13000 ms), created disabled; their Timer handlers are left
//   to the polling code, which sets them.
// - Construction builds the controls only. The program then runs
//   Form_Initialize, Form_Load, shows the window, and Form_Activate runs on
//   each activation of the window (ActivationWatcher). Closing the window by
//   its frame, Exit_System or the tray's Exit runs Form_QueryUnload; once
//   vbui::End() has run or Unload_Window() was called the window closes
//   without asking.
// - The start-up procedures on the registry are the options store's
//   (monitor/optionsstore/optionsstore.h: Check_For_Super_User,
//   Get_Preferences_Values, Get_Check_Discovery, ...); the window calls them
//   with its state object's flags and asks the questions they lead to.
//   Get_Preferences and GetRanges take HKEY_LOCAL_MACHINE, a subkey and a
//   value name as those do. Texts follow Localised: the English literal
//   unless it is "On".
// - Polling_Interval_Milliseconds is the one conversion of the
//   Polling_Interval preference into Timer1's interval: the trimmed text as
//   whole seconds 1..65 gives their milliseconds; "" gives 0 (a timer that
//   never ticks); anything else raises VB error 13 (not a whole number) or
//   380 (outside 1..65).
#pragma once

#include <QMainWindow>

#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "monitor/devicedata/devicedata.h"
#include "monitor/forms/forms.h"
#include "monitor/vbui/vbui.h"
#include "platform/registry/registry.h"

class QAction;
class QGroupBox;
class QLabel;
class QListWidget;
class QMenu;
class QPushButton;
class QTreeWidget;

namespace vlm::monitor {

VbLong Polling_Interval_Milliseconds(const std::string& text);

class frmTQZ : public QMainWindow, public Main_Window_Port, public Main_Form {
  Q_OBJECT
 public:
  // tray: the notification-area icon (vbui::MakeSystemTray() in the
  // program, a FakeTrayIcon in tests). guard: the single-instance guard that
  // Form_Initialize starts, or null for none.
  explicit frmTQZ(std::unique_ptr<vbui::TrayIcon> tray, vbui::SingleInstance* guard = nullptr);
  ~frmTQZ() override;

  // ---- Controls ----
  QWidget* Control(std::string_view name, VbInteger index = kNoIndex);
  QLabel* Label(std::string_view name, VbInteger index = kNoIndex);

  vbui::VbTabControl* SSTab1 = nullptr;
  QListWidget* lvwIPs = nullptr;
  std::array<vbui::VbComboBox*, 7> ComboPrinter{};
  vbui::VbPictureBox* Picture1 = nullptr;
  vbui::VbPictureBox* Picture2 = nullptr;
  vbui::VbPictureBox* Picture3 = nullptr;
  QLabel* Label15 = nullptr;
  QTreeWidget* lvwInputTray = nullptr;
  QTreeWidget* lvwOutputTray = nullptr;
  QTreeWidget* lvwEngineFirmware = nullptr;
  QTreeWidget* lvwEngineMemory = nullptr;
  QTreeWidget* lvwEngineAlert = nullptr;
  QTreeWidget* lvwJobs = nullptr;
  vbui::VbComboBox* ComboShowJob = nullptr;
  vbui::VbComboBox* ComboJobType = nullptr;
  QPushButton* cmdDelete = nullptr;
  QPushButton* cmdPause = nullptr;
  QPushButton* cmdResume = nullptr;
  vbui::VbTimer* Timer1 = nullptr;
  vbui::VbTimer* Timer2 = nullptr;
  vbui::VbTimer* Timer3 = nullptr;
  vbui::VbTimer* Timer4 = nullptr;
  vbui::VbTimer* Timer5 = nullptr;
  // Menus (objectNames as their VB names) and their items.
  QMenu* Command = nullptr;
  QMenu* View = nullptr;
  QMenu* Help = nullptr;
  QMenu* mPopupSys = nullptr;
  QAction* Refresh_Discovery = nullptr;
  QAction* Refresh_View = nullptr;
  QAction* Web = nullptr;
  QAction* Options = nullptr;
  QAction* Exit_System = nullptr;
  QAction* IconView = nullptr;
  QAction* SmallIcon = nullptr;
  QAction* RreportView = nullptr;
  QAction* ListView = nullptr;
  QAction* Content = nullptr;
  QAction* About = nullptr;
  QAction* Context_Help = nullptr;
  QAction* mPopRestore = nullptr;
  QAction* mPopExit = nullptr;
  // The program's icon on the tray and the window: image 1 of imgSmallIcon,
  // the 16 x 16 status picture 1 of lvwIPs. The code that draws the status
  // pictures (frmTQZ_Main) hands it over before the load adds the tray icon.
  void Set_Program_Icon(const QIcon& statusPicture1);
  QIcon Program_Icon() const { return program_icon_; }
  vbui::TrayIcon& Tray() { return *tray_; }

  // ---- Form-level values ----
  std::string Reg_Key_Path;
  std::string Reg_Value_Name;
  // "Yes" from the icon menu's opening until the next resize handles it.
  std::string Tray_Menu_Shown = "No";
  // True once Form_Load has added the tray icon.
  bool Tray_Icon_Added() const { return tray_->Added(); }
  // True after Create_Preferences_Values wrote the defaults at this start
  // (Get_Check_Discovery then asks no abnormal-end question).
  bool Defaults_Written = false;

  // ---- Form events ----
  void Form_Initialize();
  // The load: its first steps (localise, tray icon, the stop when a start-up
  // check sent the user to the options dialog, Tab 6 hidden), then its later
  // steps through Load_Discovery: the preferences, the discovery, the views,
  // the first printer and the polling timer. frmTQZ_Main sets it to the main
  // window's procedures (Tqz_Main::Load_After_Checks); without it the load
  // ends after its first steps.
  void Form_Load();
  std::function<void()> Load_Discovery;
  void Form_Activate();
  // Cancel set to true keeps the window.
  void Form_QueryUnload(bool& cancel);
  void Form_Resize();
  // The icon's messages (514, 515, 517), as Form_MouseMove receives them.
  void Form_MouseMove(int message);
  void mPopRestore_Click();
  void mPopExit_Click();
  void Exit_System_Click();

  // ---- Preferences and start-up checks ----
  void Build_Form_Caption();
  static VbInteger GetCharSet(const std::string& codePage);
  static std::string StripNullTerminator(const std::string& text);
  // Hands this start over to the running instance; true when this start
  // ends (handed over, the instance busy, or its socket or lock not this
  // user's) and the caller ends it.
  bool Activate_Previous_Instance();
  // What the running instance does when a later start hands over: its
  // window comes to the front, restored.
  void Restore_For_Second_Start();
  // The preferences key missing: the "12" question, then the defaults in
  // memory (a user who can store nothing) or the key with its defaults and
  // the options dialog.
  void Get_Preferences(HKEY root, const std::string& subkey, const std::string& valueName);
  // The ranges key without its first range: the "14" question, then the
  // options dialog (once per start for a user who can store nothing).
  void GetRanges(HKEY root, const std::string& subkey, const std::string& valueName);

  // ---- Captions ----
  void Localise_Main_Window();
  void Set_Window_Caption();

  // ---- Lists ----
  void Create_Job_Columns();
  // Adds a column header of that width in twips.
  static void Add_Column(QTreeWidget* list, const std::string& text, int twips);

  // ---- Main_Window_Port ----
  std::string Caption(std::string_view control, VbInteger index) override;
  void Set_Caption(std::string_view control, VbInteger index, const std::string& caption) override;
  void Set_Visible(std::string_view control, VbInteger index, bool visible) override;
  void Set_BackColor(std::string_view control, VbInteger index, VbLong colour) override;
  void Set_Timer4_Enabled(bool enabled) override;
  void Set_Mouse_Pointer(VbInteger pointer) override;
  VbInteger Current_Tab() override;

  // ---- Main_Form ----
  QWidget* Widget() override { return this; }
  void Show_Window() override;
  void Hide_Window() override;
  void Set_Timer1_Enabled(bool enabled) override;
  void Set_Timer2_Enabled(bool enabled) override;
  void Remove_Tray_Icon() override;
  void Unload_Window() override;

  // Adds the tray icon (Shell_NotifyIcon NIM_ADD), tip "Velmar TQZ2".
  void Add_Tray_Icon();
  // Timer1 from the preferences: on with the converted interval when
  // Polling_Enabled is "Yes", else off. A stored interval the program
  // refuses raises its run-time error the first time only; while the same
  // text stays stored it returns false instead, and the caller skips the
  // rest of its procedure as the trap would. (Closing the error report
  // activates the main window again, so a report at every activation would
  // come back for ever.)
  bool Start_Polling_From_Preferences();

 protected:
  void closeEvent(QCloseEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  void Build_Controls();
  void Build_Menus();
  void Ask_No_Printers();
  std::unique_ptr<vbui::TrayIcon> tray_;
  QIcon program_icon_;
  vbui::SingleInstance* guard_;
  std::optional<std::string> refused_interval_;  // the stored interval last reported
  bool unloading_ = false;
};

}  // namespace vlm::monitor
