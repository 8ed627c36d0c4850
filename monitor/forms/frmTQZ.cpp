// frmTQZ: start-up checks and preferences, start-up and shut-down events,
// the tray icon, captions, and the window port of the device data module.
#include "monitor/forms/frmTQZ.h"

#include <QAction>
#include <QCloseEvent>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QTreeWidget>

#include <algorithm>
#include <cctype>
#include <cstdio>

#include "monitor/devicedata/retrieval.h"
#include "monitor/forms/Message_Box.h"
#include "monitor/optionsstore/optionsstore.h"
#include "platform/com/com.h"

namespace vlm::monitor {
namespace {

using retrieval::Localised_Text;
using retrieval::Trapped;

constexpr VbLong kQuiet[] = {5, 91, 400, 35601};
constexpr VbLong kQuietWith401[] = {5, 91, 400, 401, 35601};

// Screen.MousePointer back to the default on every path out of a procedure.
struct Default_Pointer_On_Exit {
  ~Default_Pointer_On_Exit() { vbui::SetMousePointer(0); }
};

QColor Colour(VbLong bgr) {
  if (static_cast<DWORD>(bgr) == 0x8000000Fu) return QPalette().color(QPalette::Button);
  return QColor(bgr & 0xFF, (bgr >> 8) & 0xFF, (bgr >> 16) & 0xFF);
}

}  // namespace

VbLong Polling_Interval_Milliseconds(const std::string& text) {
  const std::string t = Trim(text);
  if (t.empty()) return 0;
  if (t.size() > 9 || !std::all_of(t.begin(), t.end(), [](unsigned char c) { return std::isdigit(c); })) {
    Raise_Vb_Error(VBERR_TYPE_MISMATCH);
  }
  const long seconds = std::stol(t);
  if (seconds < 1 || seconds > 65) Raise_Vb_Error(VBERR_INVALID_PROPERTY_VALUE);
  return static_cast<VbLong>(seconds * 1000);
}

frmTQZ::frmTQZ(std::unique_ptr<vbui::TrayIcon> tray, vbui::SingleInstance* guard)
    : tray_(std::move(tray)), guard_(guard) {
  Build_Controls();
  Build_Menus();
  tray_->Message = [this](int message) { Form_MouseMove(message); };
  connect(mPopRestore, &QAction::triggered, this, vbui::Slot([this] { mPopRestore_Click(); }));
  connect(mPopExit, &QAction::triggered, this, vbui::Slot([this] { mPopExit_Click(); }));
  connect(Exit_System, &QAction::triggered, this, vbui::Slot([this] { Exit_System_Click(); }));
  new vbui::ActivationWatcher(this, [this] { Form_Activate(); });
  Main_Window = this;
  Main = this;
}

frmTQZ::~frmTQZ() {
  if (Main_Window == this) Main_Window = nullptr;
  if (Main == this) Main = nullptr;
  if (guard_ != nullptr) guard_->Activate = nullptr;
}

// ---- Controls by name ----

QWidget* frmTQZ::Control(std::string_view name, VbInteger index) {
  const QString base = QString::fromUtf8(name.data(), static_cast<int>(name.size()));
  const QString full = index == kNoIndex ? base : vbui::ControlName(base.toLatin1().constData(), index);
  if (auto* w = findChild<QWidget*>(full)) return w;
  if (index == kNoIndex) Raise_Vb_Error(VBERR_OBJECT_REQUIRED);
  throw VbError(VBERR_NO_CONTROL_ARRAY_ELEMENT, VbErrorDescription(VBERR_NO_CONTROL_ARRAY_ELEMENT, index));
}

QLabel* frmTQZ::Label(std::string_view name, VbInteger index) {
  auto* label = qobject_cast<QLabel*>(Control(name, index));
  if (label == nullptr) Raise_Vb_Error(VBERR_NO_SUCH_MEMBER);
  return label;
}

std::string frmTQZ::Caption(std::string_view control, VbInteger index) {
  QWidget* w = Control(control, index);
  if (auto* l = qobject_cast<QLabel*>(w)) return l->text().toStdString();
  if (auto* g = qobject_cast<QGroupBox*>(w)) return g->title().toStdString();
  if (auto* b = qobject_cast<QPushButton*>(w)) return b->text().toStdString();
  Raise_Vb_Error(VBERR_NO_SUCH_MEMBER);
}

void frmTQZ::Set_Caption(std::string_view control, VbInteger index, const std::string& caption) {
  QWidget* w = Control(control, index);
  const QString text = QString::fromStdString(caption);
  if (auto* l = qobject_cast<QLabel*>(w)) {
    l->setText(text);
  } else if (auto* g = qobject_cast<QGroupBox*>(w)) {
    g->setTitle(text);
  } else if (auto* b = qobject_cast<QPushButton*>(w)) {
    b->setText(text);
  } else {
    Raise_Vb_Error(VBERR_NO_SUCH_MEMBER);
  }
}

void frmTQZ::Set_Visible(std::string_view control, VbInteger index, bool visible) {
  Control(control, index)->setVisible(visible);
}

void frmTQZ::Set_BackColor(std::string_view control, VbInteger index, VbLong colour) {
  QWidget* w = Control(control, index);
  w->setProperty("backColor", static_cast<qlonglong>(colour));
  w->setAutoFillBackground(true);
  QPalette palette = w->palette();
  palette.setColor(QPalette::Window, Colour(colour));
  w->setPalette(palette);
}

void frmTQZ::Set_Timer4_Enabled(bool enabled) { Timer4->SetEnabled(enabled); }
void frmTQZ::Set_Mouse_Pointer(VbInteger pointer) { vbui::SetMousePointer(pointer); }
VbInteger frmTQZ::Current_Tab() { return static_cast<VbInteger>(SSTab1->Tab()); }

// ---- Main_Form ----

void frmTQZ::Show_Window() {
  show();
  raise();
  activateWindow();
}
void frmTQZ::Hide_Window() { hide(); }
void frmTQZ::Set_Timer1_Enabled(bool enabled) { Timer1->SetEnabled(enabled); }
void frmTQZ::Set_Timer2_Enabled(bool enabled) { Timer2->SetEnabled(enabled); }
void frmTQZ::Remove_Tray_Icon() { tray_->Remove(); }
void frmTQZ::Unload_Window() {
  unloading_ = true;
  close();
}

void frmTQZ::Add_Tray_Icon() { tray_->Add(Program_Icon(), QStringLiteral("Velmar TQZ2")); }

void frmTQZ::closeEvent(QCloseEvent* event) {
  if (unloading_ || vbui::ProgramEnded()) {
    event->accept();
    return;
  }
  bool cancel = false;
  vbui::RunEvent([&] { Form_QueryUnload(cancel); });
  if (cancel && !vbui::ProgramEnded()) {
    event->ignore();
  } else {
    event->accept();
  }
}

void frmTQZ::changeEvent(QEvent* event) {
  QMainWindow::changeEvent(event);
  if (event->type() == QEvent::WindowStateChange) vbui::RunEvent([this] { Form_Resize(); });
}

// ---- Preferences and start-up checks ----

void frmTQZ::Build_Form_Caption() {
  Trapped(kQuiet, [&] {
    std::string name =
        Field_Text(Device_List_Fields(Selected_List_Kind, Selected_Device, 1));
    if (name.empty()) name = Localised_Text("Unknown", 389);
    State.Caption_Printer = StripNullTerminator(name);
    vbui::SetWindowCaption(*this, QString::fromStdString(State.Caption_Title + "  -  " +
                                                         State.Caption_Label + " :  " +
                                                         State.Caption_Printer));
  });
}

VbInteger frmTQZ::GetCharSet(const std::string& codePage) { return CodePage_To_CharSet(codePage); }

std::string frmTQZ::StripNullTerminator(const std::string& text) { return Trim_At_Null(text); }

bool frmTQZ::Activate_Previous_Instance() {
  if (guard_ == nullptr) return false;
  guard_->Activate = [this] { Restore_For_Second_Start(); };
  switch (guard_->Start()) {
    case vbui::SingleInstance::Outcome::Primary:
      return false;
    case vbui::SingleInstance::Outcome::HandedOver:
      return true;
    case vbui::SingleInstance::Outcome::Busy:
      // A monitor runs but is busy (a poll of a silent printer, a
      // discovery): this start ends rather than become a second monitor.
      std::fprintf(stderr,
                   "tqz2: the printer monitor is already running but did not answer in time "
                   "(it may be busy); no second monitor is started\n");
      return true;
    case vbui::SingleInstance::Outcome::Refused:
      // The instance's socket or lock is another user's (or not a file of
      // this user's): nothing of it is trusted, and no monitor starts.
      std::fprintf(stderr, "tqz2: %s; cannot start\n", qPrintable(guard_->Refusal()));
      return true;
  }
  return false;
}

void frmTQZ::Restore_For_Second_Start() {
  // OpenIcon and SetForegroundWindow: restored, shown and in front.
  if (isMinimized() || isHidden()) {
    const bool minimised = isMinimized();
    setWindowState(windowState() & ~Qt::WindowMinimized);
    showNormal();
    // A window minimised to the icon is still hidden when its state changes,
    // so the resize that starts polling again runs once it is shown, as for
    // a restore from the icon.
    if (minimised) Form_Resize();
  }
  Show_Window();
}

void frmTQZ::Get_Preferences(HKEY root, const std::string& subkey, const std::string&) {
  Trapped(kQuietWith401, [&] {
    if (Key_Exists(root, subkey)) return;
    Show_Message("12");
    if (Message_Code == "12-1") vbui::End();
    if (State.Registry_Read_Only && State.Super_User != "On") {
      // Nothing can be stored and the options dialog would be locked: the
      // program runs on the default preferences, without writing them.
      static_cast<Preferences&>(State) = Default_Preferences();
      State.Read_Only_Notice = true;
      return;
    }
    State.Registry_Entries_Found = "No";
    State.Options_Requested = "Yes";
    Reg_Key_Path = Preferences_Key_Path;
    Create_Preferences_Key(HKEY_LOCAL_MACHINE, Reg_Key_Path, State.Super_User, Defaults_Written);
    Timer1->SetEnabled(false);
    hide();
    frmOptions().Show_Modeless();
  });
}

void frmTQZ::GetRanges(HKEY root, const std::string& subkey, const std::string& valueName) {
  Trapped(kQuietWith401, [&] {
    if (State.Options_Requested == "Yes") return;
    State.Message_Title = std::string(36, ' ') + "Velmar Printer Monitor";
    if (!Key_Without_Value(root, subkey, valueName)) return;
    // A user who can store nothing is told once per start, not at every
    // activation of the window.
    const bool notice = State.Registry_Read_Only && State.Super_User != "On";
    if (notice && State.Read_Only_Notice) return;
    Show_Message("14");
    const bool configure = The_Message_Box().Configure_Chosen();
    if (Message_Code == "14-1" && !configure) {
      if (tray_->Added()) tray_->Remove();
      vbui::End();
    }
    if (notice) {
      State.Read_Only_Notice = true;
      return;
    }
    State.Registry_Entries_Found = "No";
    State.Options_Requested = "Yes";
    Timer1->SetEnabled(false);
    if (configure) return;  // the dialog has hidden the window and opened the options
    hide();
    frmOptions().Show_Modeless();
  });
}

// ---- Start-up and shut-down ----

void frmTQZ::Form_Initialize() {
  Trapped(kQuietWith401, [&] {
    Default_Pointer_On_Exit restore;
    if (Activate_Previous_Instance()) vbui::End();
    Init_Language_Resources();
    State.Super_User = "Start Up";
    Reg_Key_Path = Ranges_Key_Path;
    Check_For_Super_User(HKEY_LOCAL_MACHINE, Reg_Key_Path, State.Super_User, State.Registry_Read_Only);
    Reg_Key_Path = Preferences_Key_Path;
    Reg_Value_Name = "0";
    Get_Preferences(HKEY_LOCAL_MACHINE, Reg_Key_Path, Reg_Value_Name);
    Reg_Value_Name = "IP_Enabled";
    Get_Preferences_Values(HKEY_LOCAL_MACHINE, Reg_Key_Path, Reg_Value_Name, State);
    Reg_Value_Name = "Check_Discovery";
    if (Get_Check_Discovery(HKEY_LOCAL_MACHINE, Reg_Key_Path, Reg_Value_Name, State.Discovery_Running,
                            Defaults_Written)) {
      Show_Message("16");  // the last run ended abnormally
    }
    vbui::SetMousePointer(0);
    Reg_Key_Path = Servers_Key_Path;
    Reg_Value_Name = "0";
    Get_IPX_Server(HKEY_LOCAL_MACHINE, Reg_Key_Path, Reg_Value_Name);
    Reg_Key_Path = Ranges_Key_Path;
    Reg_Value_Name = "0";
    GetRanges(HKEY_LOCAL_MACHINE, Reg_Key_Path, Reg_Value_Name);

    if (Localised != "On") {
      Not_Responding_Phrase = "The Selected Printer is not Responding";
      Error_Code_Phrase = "Error Code";
    } else {
      Not_Responding_Phrase = Trim(StripNullTerminator(Load_Res_String(503)));
      Error_Code_Phrase = Trim(StripNullTerminator(Load_Res_String(504)));
    }

    struct Column {
      const char* text;
      VbLong id;
      int width;
    };
    auto columns = [](QTreeWidget* list, std::initializer_list<Column> cols) {
      for (const Column& c : cols) Add_Column(list, Localised_Text(c.text, c.id), c.width);
    };
    columns(lvwInputTray, {{"Tray Index", 379, 1300},
                           {"Paper Size", 297, 1100},
                           {"Media Type", 252, 1400},
                           {"Paper Status", 299, 1220},
                           {"Feed Direction", 195, 1400},
                           {"Tray Type", 381, 1550}});
    columns(lvwOutputTray, {{"Tray Name", 380, Localised == "On" ? 1420 : 2020},
                            {"Tray Type", 381, 2100}});
    columns(lvwEngineFirmware, {{"Type", 384, 1235}, {"Name", 265, 1490}, {"Version", 393, 1045}});
    columns(lvwEngineMemory,
            {{"Memory Type", 259, 1455}, {"Installed", 468, 1155}, {"Available", 130, 1155}});
    columns(lvwEngineAlert, {{"Alert #", 127, 660},
                             {"Severity", 141, 1170},
                             {"Description", 336, 1400},
                             {"Code", 422, 900},
                             {"Person to Contact", 368, 1700},
                             {"Time", 160, 2150}});
    Create_Job_Columns();

    const std::string printer1 = Localised_Text("Printer 1", 308);
    const std::string printer2 = Localised_Text("Printer 2", 309);
    for (vbui::VbComboBox* combo : ComboPrinter) {
      combo->AddItem(QString::fromStdString(printer1));
      combo->AddItem(QString::fromStdString(printer2));
      // The box starts with no engine chosen (list index -1), which the
      // printer selection looks for; the first item added would be chosen.
      combo->setCurrentIndex(-1);
    }
  });
}

void frmTQZ::Create_Job_Columns() {
  lvwJobs->setColumnCount(0);
  static const std::pair<const char*, int> kColumns[] = {
      {"Job Name", 1000},     {"Document Name", 1500}, {"Status Description", 1500},
      {"Job Status", 1200},   {"Priority", 1000},      {"Position", 1000},
      {"Total Pages", 1200},  {"Pages Submitted", 1400}, {"Pages Printed", 1200},
      {"Control Code", 1200}};
  for (const auto& [text, width] : kColumns) Add_Column(lvwJobs, text, width);
}

bool frmTQZ::Start_Polling_From_Preferences() {
  if (State.Polling_Enabled != "Yes") {
    Timer1->SetEnabled(false);
    return true;
  }
  VbLong interval = 0;
  try {
    interval = Polling_Interval_Milliseconds(State.Polling_Interval);
  } catch (const VbError&) {
    // The interval refused last time is not reported again: the caller stops as its trap would.
    if (refused_interval_ == State.Polling_Interval) return false;
    refused_interval_ = State.Polling_Interval;
    throw;
  }
  refused_interval_.reset();
  Timer1->SetInterval(interval);
  Timer1->SetEnabled(true);
  return true;
}

void frmTQZ::Form_Load() {
  Trapped(kQuiet, [&] {
    Default_Pointer_On_Exit restore;
    Localise_Main_Window();
    Add_Tray_Icon();
    if (State.Registry_Entries_Found == "No") return;
    SSTab1->SetTabVisible(6, false);
    SSTab1->SetTabEnabled(6, false);
    SSTab1->setProperty("TabsPerRow", 3);
    if (Load_Discovery) Load_Discovery();
  });
}

void frmTQZ::Ask_No_Printers() {
  vbui::SetMousePointer(0);
  Show_Message("13");
}

void frmTQZ::Form_Activate() {
  Trapped(kQuietWith401, [&] {
    Default_Pointer_On_Exit restore;
    SSTab1->SetTabVisible(6, false);
    SSTab1->SetTabEnabled(6, false);
    SSTab1->setProperty("TabsPerRow", 3);
    if (State.Options_Changed == "Cancel" &&
        State.Installed_Printer_Count + State.Other_Device_Count == 0) {
      // Asked once for each return from the options dialog with Cancel.
      State.Options_Changed.clear();
      Ask_No_Printers();
      if (Message_Code == "14-1") return;  // Configure: the options dialog is open
      if (Message_Code == "13-1") {
        State.Registry_Entries_Found = "No";
        tray_->Remove();
        unloading_ = true;
        vbui::End();
      }
      // Ok retries the discovery.
      if (Message_Code.empty()) State.Discovery_Requested = "Yes";
    }
    Reg_Key_Path = Preferences_Key_Path;
    Get_Preferences_Values(HKEY_LOCAL_MACHINE, Reg_Key_Path, Reg_Value_Name, State);
    if (State.Polling_Enabled != "Yes" || Message_Code == "13") {
      Timer1->SetEnabled(false);
    } else if (!Start_Polling_From_Preferences()) {
      return;
    }
    Reg_Key_Path = Ranges_Key_Path;
    Reg_Value_Name = "0";
    GetRanges(HKEY_LOCAL_MACHINE, Reg_Key_Path, Reg_Value_Name);
    if (State.Discovery_Requested == "Yes") Timer2->SetEnabled(true);
  });
}

void frmTQZ::Form_QueryUnload(bool& cancel) {
  if (State.Menu_Exit == "On" || State.Quiet_Exit == "Yes") return;
  if (State.Options_Cancelling == "On" || State.Registry_Entries_Found == "No") {
    tray_->Remove();
    unloading_ = true;
    vbui::End();
  }
  Timer1->SetEnabled(false);
  Show_Message("10");
  if (Message_Code == "10-1" || Message_Code == "10") {
    // No, or the question closed by its frame or Escape: the window stays.
    Message_Code.clear();
    cancel = true;
    if (State.Polling_Enabled == "Yes") Timer1->SetEnabled(true);
    return;
  }
  tray_->Remove();
  unloading_ = true;
  vbui::End();
}

void frmTQZ::Exit_System_Click() {
  Trapped(kQuiet, [&] { close(); });
}

// ---- Tray icon ----

void frmTQZ::Form_MouseMove(int message) {
  Trapped(kQuiet, [&] {
    switch (message) {
      case vbui::TrayLeftUp:
      case vbui::TrayLeftDoubleClick:
        setWindowState(windowState() & ~(Qt::WindowMinimized | Qt::WindowMaximized));
        Show_Window();
        Form_Resize();
        break;
      case vbui::TrayRightUp:
        if (isMinimized() || isHidden()) {
          Tray_Menu_Shown = "Yes";
          activateWindow();
          tray_->PopupMenu(*mPopupSys);
        }
        break;
      default:
        break;
    }
  });
}

void frmTQZ::Form_Resize() {
  Trapped(kQuiet, [&] {
    const bool minimised = isMinimized();
    if (Tray_Menu_Shown != "Yes" && minimised) {
      Timer1->SetEnabled(false);
      // Without a notification area the window stays minimised, so that it
      // can still be reached.
      if (tray_->IsAvailable()) hide();
    }
    if (State.Polling_Enabled == "Yes" && Tray_Menu_Shown == "Yes") {
      setWindowState(windowState() & ~Qt::WindowMinimized);
      Tray_Menu_Shown = "No";
      Timer1->SetEnabled(true);
    } else if (State.Polling_Enabled == "No" && Tray_Menu_Shown == "Yes") {
      setWindowState(windowState() & ~Qt::WindowMinimized);
      Tray_Menu_Shown = "No";
      Timer1->SetEnabled(false);
    } else if (State.Polling_Enabled == "Yes" && !isMinimized() && !isHidden()) {
      Timer1->SetEnabled(true);
    }
  });
}

void frmTQZ::mPopRestore_Click() {
  activateWindow();
  Show_Window();
  // The resize the window receives when it is shown again.
  Form_Resize();
}

void frmTQZ::mPopExit_Click() {
  Trapped(kQuiet, [&] {
    Timer1->SetEnabled(false);
    State.Menu_Exit = "On";
    const std::string title =
        std::string(11, ' ') + Localised_Text("Velmar Printer Monitor", 235);
    const std::string text = std::string(8, ' ') + Localised_Text("Do You Wish to Exit the", 166) +
                             "\r\n\r\n" + std::string(8, ' ') +
                             Localised_Text("Velmar Printer Monitor ?", 233);
    const int answer = vbui::MsgBox(QString::fromStdString(text), vbui::vbYesNo,
                                    QString::fromStdString(title), this);
    if (answer == vbui::vbYes) {
      Show_Window();
      close();  // Menu_Exit "On": the unload asks nothing
      tray_->Remove();
      vbui::End();
    }
    State.Menu_Exit = "Off";
  });
}

// ---- Captions ----

void frmTQZ::Set_Window_Caption() {
  setProperty("charSet", GetCharSet(Code_Page_Text));
  State.Caption_Title = StripNullTerminator(Localised_Text("Velmar Printer Monitor", 235));
  State.Caption_Label = StripNullTerminator(Localised_Text("Controller Name", 152));
  State.Caption_Printer = StripNullTerminator(Localised_Text("Unknown", 389));
  vbui::SetWindowCaption(*this, QString::fromStdString(State.Caption_Title + " - " +
                                                       State.Caption_Label + "  " +
                                                       State.Caption_Printer));
}

void frmTQZ::Localise_Main_Window() {
  Set_Window_Caption();
  if (Localised == "On") {
    const int charSet = GetCharSet(Code_Page_Text);
    static const char* const kKeep[] = {
        "ComboShowJob",    "lblIPMemAvail",          "lblEngineNamePaperOutput_8",
        "Label6",          "Label8",                 "lblIPName_0",
        "LabelQView_0",    "LabelIP_5",              "lblIPCopierTimeout",
        "LabelEngine_11",  "lblLargeTrayInstalled"};
    auto keep = [](const QString& name) {
      return std::any_of(std::begin(kKeep), std::end(kKeep),
                         [&](const char* k) { return name == QLatin1String(k); });
    };
    for (QWidget* w : findChildren<QWidget*>()) {
      const bool kind = qobject_cast<QLabel*>(w) || qobject_cast<QGroupBox*>(w) ||
                        qobject_cast<QPushButton*>(w) || qobject_cast<QComboBox*>(w) ||
                        qobject_cast<QTreeWidget*>(w) || qobject_cast<QListWidget*>(w) ||
                        w == SSTab1;
      if (kind && !keep(w->objectName())) w->setProperty("charSet", charSet);
    }
    const std::pair<QAction*, VbLong> kMenus[] = {
        {Context_Help, 505}, {Command->menuAction(), 102}, {Refresh_Discovery, 319},
        {Refresh_View, 320}, {Web, 280},                   {Options, 106},
        {Exit_System, 169},  {View->menuAction(), 111},    {IconView, 104},
        {SmallIcon, 109},    {Help->menuAction(), 103},    {Content, 209},
        {About, 101}};
    for (const auto& [action, id] : kMenus) {
      action->setText(QString::fromStdString(Trim_At_Null(Load_Res_String(id))));
    }
    const VbLong kTabs[] = {314, 211, 312, 128, 295, 296};
    for (int t = 0; t < 6; ++t) {
      SSTab1->SetTabCaption(t, QString::fromStdString(Trim_At_Null(Load_Res_String(kTabs[t]))));
    }
    struct Caption {
      const char* name;
      VbInteger index;
      VbLong id;
    };
    // The QuickView's value boxes (lblIPModel, lblIPInstalled, lblIPLocation,
    // lblIPStatus, the engine and finisher names and states, lblIPPDL,
    // lblIPSpoolName) take no caption here: their strings name the field,
    // and shown in the box they would read as a value that was never read.
    static const Caption kLabels[] = {
        {"Label11", kNoIndex, 155},
        {"Label12", kNoIndex, 312},            {"LabelAlert", 1, 333},
        {"LabelEngine", 1, 333},               {"LabelInput", 1, 333},
        {"LabelOutput", 1, 333},               {"LabelQView", 0, 152},
        {"LabelQView", 2, 151},                {"LabelQView", 4, 149},
        {"LabelQView", 1, 150},                {"LabelQView", 10, 435},
        {"LabelQView", 5, 153},                {"LabelQView", 3, 430},
        {"LabelQView", 6, 429},                {"LabelQView", 7, 431},
        {"Engine2NameLabel", 8, 432},          {"Engine2StatusLabel", 9, 433},
        {"Finisher2Label", 11, 434},           {"Label19", kNoIndex, 444},
        {"ZFoldLabel", kNoIndex, 445},         {"DMFoldLabel", kNoIndex, 446},
        {"LabelOutput", 7, 442},               {"LabelOutput", 8, 413},
        {"LabelOutput", 9, 412}};
    for (const Caption& c : kLabels) {
      Set_Caption(c.name, c.index, Trim_At_Null(Load_Res_String(c.id)));
    }
  }
  Installed_Text = Localised_Text("Installed", 227);
  Not_Installed_Text = Localised_Text("Not Installed", 272);
  Not_Applicable_Text = Localised_Text("N/A", 263);
}

}  // namespace vlm::monitor
