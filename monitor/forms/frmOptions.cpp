// frmOptions: the controls, the load and the commands of the options dialog.
#include "monitor/forms/frmOptions.h"

#include <QCloseEvent>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

#include <initializer_list>
#include <memory>
#include <utility>

#include "monitor/devicedata/retrieval.h"
#include "monitor/forms/forms.h"
#include "monitor/vbui/vbui.h"

namespace vlm::monitor {
namespace {

using vbui::Twips;

const std::string kCrLf = "\r\n";

QString Q(const std::string& s) { return QString::fromStdString(s); }

// A text of the dialog: the English literal, or the language library's
// string cut at its first NUL.
std::string Say(VbLong id, const char* english) {
  return Localised == "On" ? Trim_At_Null(Load_Res_String(id)) : std::string(english);
}

void Set_Message_Title(int spaces) { State.Message_Title = std::string(spaces, ' ') + Options_Title(); }

// "Apply" with every range deleted (OK and Cancel).
std::string Apply_With_No_Ranges_Text() {
  const std::string first = std::string(6, ' ') +
                            Say(398, "You have \"DELETED\" all of the Printer Ranges") + kCrLf + kCrLf +
                            Say(223, "If this is Correct clicking  \"OK\" will remove them from the") + kCrLf +
                            Say(321, "Registry and \"EXIT\" you from the Velmar Printer Monitor.") + kCrLf;
  // The localised text has no empty line before its last line.
  return first + (Localised == "On" ? "" : kCrLf) + std::string(2, ' ') +
         Say(139, "Clicking \"Cancel\" will leave you in the Options screen.");
}

// OK or Cancel with no range listed (Yes and No).
std::string No_Ranges_Text() {
  return Say(399, "You have chosen to \"CANCEL\"  this screen with out supplying any") + kCrLf +
         Say(316, " Ranges. If you click  \"Yes\"  you will Exit the Velmar Printer Monitor.") + kCrLf + kCrLf +
         std::string(30, ' ') + Say(165, "Do You Wish To Exit Now ?");
}

// Cancel with changes not applied (Yes and No).
std::string Unapplied_Changes_Text() {
  return Say(400, "You have chosen to \"Cancel\"  this screen with out applying") + kCrLf +
         Say(402, "the Maintenance you performed. If you Click \"Yes\" you will") + kCrLf +
         Say(401, "lose all UnApplied Maintenance.") + kCrLf + kCrLf + std::string(22, ' ') +
         Say(167, "Do you wish to \"Cancel\" now ?");
}

// OK (and Apply after an Edit) with text left in the range boxes (OK).
std::string Unapplied_Range_Text() {
  return Say(492, "The Starting and/or Ending Ranges contain information") + kCrLf +
         Say(493, "that has not been applied to the list of Ranges.");
}

template <class F>
void Trapped(F&& body) {
  retrieval::Trapped(kUsualQuietSet, std::forward<F>(body));
}

// The options window: loads frmOptions_Form on its first show after an
// unload, and hands an unloaded form to vbui::DeleteClosedWindow, which
// deletes it once no event can still reach it.
class Options_Window final : public Options_Form {
 public:
  void Show_Modeless() override {
    if (!form_) {
      form_ = new frmOptions_Form;
      form_->On_Unload = [this] { Forget(); };
      form_->Form_Load();
    }
    // The load may have ended the program or unloaded the form.
    if (!form_ || vbui::ProgramEnded()) return;
    form_->show();
    form_->raise();
    form_->activateWindow();
  }
  bool Is_Visible() const override { return form_ && form_->isVisible(); }
  void Unload() override {
    if (form_) form_->Unload();
  }
  frmOptions_Form* Form() const { return form_; }

 private:
  void Forget() {
    if (!form_) return;
    vbui::DeleteClosedWindow(form_);
    form_ = nullptr;
  }
  frmOptions_Form* form_ = nullptr;
};

}  // namespace

std::string Options_Title() { return Say(232, "Velmar Printer Monitor - Options"); }

std::unique_ptr<Options_Form> Make_Options_Window() { return std::make_unique<Options_Window>(); }

frmOptions_Form* Loaded_Options_Form() {
  const auto* window = dynamic_cast<const Options_Window*>(&frmOptions());
  return window != nullptr ? window->Form() : nullptr;
}

// ---- Controls ----

frmOptions_Form::frmOptions_Form() {
  setObjectName(QStringLiteral("frmOptions"));
  setWindowTitle(QStringLiteral("Velmar Printer Monitor - Options"));
  setFixedSize(Twips(6600), Twips(5400));

  auto place = [](QWidget* w, const char* name, int left, int top, int width, int height) {
    w->setObjectName(QString::fromLatin1(name));
    w->setGeometry(Twips(left), Twips(top), Twips(width), Twips(height));
  };
  auto frame = [&](QWidget* parent, const char* name, const char* caption, int left, int top, int width,
                   int height) {
    auto* f = new QGroupBox(QString::fromLatin1(caption), parent);
    place(f, name, left, top, width, height);
    return f;
  };
  auto label = [&](QWidget* parent, const char* name, const char* caption, int left, int top, int width) {
    auto* l = new vbui::VbLabel(QString::fromLatin1(caption), parent);
    place(l, name, left, top, width, 255);
    return l;
  };
  auto text = [&](QWidget* parent, const char* name, int left, int top, int width) {
    auto* t = new QLineEdit(parent);
    place(t, name, left, top, width, 315);
    return t;
  };
  auto button = [&](QWidget* parent, const char* name, const char* caption, int left, int top, int width) {
    auto* b = new QPushButton(QString::fromLatin1(caption), parent);
    b->setAutoDefault(false);
    place(b, name, left, top, width, 375);
    return b;
  };
  auto option = [&](QWidget* parent, const char* name, const char* caption, int top) {
    auto* o = new vbui::VbOptionButton(QString::fromLatin1(caption), parent);
    place(o, name, 160, top, 1500, 285);
    return o;
  };

  SSTab1 = new vbui::VbTabControl(this);
  place(SSTab1, "SSTab1", 120, 120, 6360, 4500);
  auto* ranges = new QWidget;
  auto* preferences = new QWidget;
  SSTab1->addTab(ranges, QStringLiteral("IP Discovery"));
  SSTab1->addTab(preferences, QStringLiteral(" Preferences"));

  // Tab 0: the ranges.
  Frame1 = frame(ranges, "Frame1", "IP Discovery Ranges", 120, 120, 3000, 1740);
  Label1 = label(Frame1, "Label1", "&Starting Range", 160, 300, 2700);
  Text1 = text(Frame1, "Text1", 160, 570, 2680);
  Label2 = label(Frame1, "Label2", "Ending &Range", 160, 990, 2700);
  Text2 = text(Frame1, "Text2", 160, 1260, 2680);
  Label1->setBuddy(Text1);
  Label2->setBuddy(Text2);
  List1 = new QListWidget(ranges);
  place(List1, "List1", 3300, 180, 2820, 3660);
  Command1 = button(ranges, "Command1", "&Add", 120, 2040, 1440);
  Command2 = button(ranges, "Command2", "&Delete", 1680, 2040, 1440);
  Command3 = button(ranges, "Command3", "&Edit", 120, 2520, 1440);
  Command4 = button(ranges, "Command4", "U&ndo Edit", 1680, 2520, 1440);
  Command5 = button(ranges, "Command5", "&Undo Delete", 120, 3000, 1440);

  // Tab 1: the preferences.
  Frame2 = frame(preferences, "Frame2", "&IP", 120, 120, 1900, 1020);
  Option1 = option(Frame2, "Option1", "Enabled", 300);
  Option2 = option(Frame2, "Option2", "Disabled", 630);
  Frame3 = frame(preferences, "Frame3", "IP&X", 2160, 120, 1900, 1020);
  Option3 = option(Frame3, "Option3", "Enabled", 300);
  Option4 = option(Frame3, "Option4", "Disabled", 630);
  Frame4 = frame(preferences, "Frame4", "&UnInstalled Discovery", 4200, 120, 1920, 1020);
  Option5 = option(Frame4, "Option5", "Enabled", 300);
  Option6 = option(Frame4, "Option6", "Disabled", 630);
  Frame5 = frame(preferences, "Frame5", "Polling Inter&val (Seconds)", 120, 1260, 3000, 1140);
  Text3 = text(Frame5, "Text3", 160, 330, 900);
  Text3->setText(QStringLiteral("30"));
  Label3 = label(Frame5, "Label3", "Must be between 10 && 60", 160, 750, 2700);
  Label3->setBuddy(Text3);  // a label with a buddy shows "&&" as one ampersand
  Frame6 = frame(preferences, "Frame6", "IP&X Server Name", 3240, 1260, 2880, 1140);
  Text4 = text(Frame6, "Text4", 160, 450, 2560);
  Frame7 = frame(preferences, "Frame7", "&Polling", 120, 2520, 1900, 1020);
  Option7 = option(Frame7, "Option7", "Enabled", 300);
  Option8 = option(Frame7, "Option8", "Disabled", 630);
  // The designed selections, set before any handler is connected.
  for (vbui::VbOptionButton* on : {Option1, Option4, Option5, Option7}) on->setChecked(true);

  cmdOK = button(this, "cmdOK", "OK", 2220, 4800, 1320);
  cmdCancel = button(this, "cmdCancel", "Cancel", 3660, 4800, 1320);
  cmdApply = button(this, "cmdApply", "A&pply", 5100, 4800, 1320);
  // A text box that no procedure uses; not shown.
  Text5 = text(this, "Text5", 120, 4800, 600);
  Text5->hide();

  // The handlers.
  const std::pair<vbui::VbOptionButton*, void (frmOptions_Form::*)()> options[] = {
      {Option1, &frmOptions_Form::Option1_Click}, {Option2, &frmOptions_Form::Option2_Click},
      {Option3, &frmOptions_Form::Option3_Click}, {Option4, &frmOptions_Form::Option4_Click},
      {Option5, &frmOptions_Form::Option5_Click}, {Option6, &frmOptions_Form::Option6_Click},
      {Option7, &frmOptions_Form::Option7_Click}, {Option8, &frmOptions_Form::Option8_Click}};
  for (const auto& [button, handler] : options) button->Click = [this, h = handler] { (this->*h)(); };
  connect(Text3, &QLineEdit::textChanged, this, vbui::Slot([this] { Text3_Change(); }));
  connect(Text4, &QLineEdit::textChanged, this, vbui::Slot([this] { Text4_Change(); }));
  const std::pair<QPushButton*, void (frmOptions_Form::*)()> commands[] = {
      {Command2, &frmOptions_Form::Command2_Click}, {Command3, &frmOptions_Form::Command3_Click},
      {Command4, &frmOptions_Form::Command4_Click}, {Command5, &frmOptions_Form::Command5_Click},
      {cmdApply, &frmOptions_Form::cmdApply_Click}, {cmdOK, &frmOptions_Form::cmdOK_Click},
      {cmdCancel, &frmOptions_Form::cmdCancel_Click}};
  for (const auto& [button, handler] : commands) {
    connect(button, &QPushButton::clicked, this, vbui::Slot([this, h = handler] { (this->*h)(); }));
  }
  connect(Command1, &QPushButton::clicked, this, vbui::Slot([this] { Command1_Click(); }));
}

// ---- Load ----

void frmOptions_Form::Form_Load() {
  Trapped([&] {
    if (State.Super_User != "On") {
      for (QWidget* w : std::initializer_list<QWidget*>{cmdApply, cmdOK, Command1, Command2, Command3, Command4,
                                                        Command5, Frame1, Frame2, Frame3, Frame4, Frame5, Frame6,
                                                        Frame7, List1}) {
        w->setEnabled(false);
      }
    }
    if (Localised == "On") Localise();

    // When start-up found the preferences or the first range missing, the
    // ranges key is made; ranges stored under other numbers are still
    // shown, so that the next Apply keeps them, and the other controls keep
    // their designed content.
    const bool sentByStartUp = State.Registry_Entries_Found == "No";
    Options_Key_Path = Ranges_Key_Path;
    Options_Value_Name = "0";
    if (sentByStartUp) {
      State.Registry_Entries_Found.clear();
      CreateNewKey(HKEY_LOCAL_MACHINE, Options_Key_Path);
    }
    const std::string changed = State.Options_Changed;
    for (const std::string& range : GetValue(HKEY_LOCAL_MACHINE, Options_Key_Path)) List1->addItem(Q(range));
    Refresh_Range_Count();
    Options_Key_Path = Servers_Key_Path;
    Options_Value_Name = Server_Value_Name;
    Text4->setText(Q(Get_Options_IPX_Server(HKEY_LOCAL_MACHINE, Options_Key_Path, Options_Value_Name)));
    if (sentByStartUp) {
      State.Options_Changed = changed;
      return;
    }
    (State.IP_Enabled == "Yes" ? Option1 : Option2)->SetValue(true);
    (State.IPX_Enabled == "Yes" ? Option3 : Option4)->SetValue(true);
    (State.UnInstalled_Enabled == "Yes" ? Option5 : Option6)->SetValue(true);
    (State.Polling_Enabled == "Yes" ? Option7 : Option8)->SetValue(true);
    Text3->setText(Q(Trim(State.Polling_Interval)));
    State.Options_Changed = "No";
  });
}

void frmOptions_Form::Localise() {
  const int charSet = CodePage_To_CharSet(Code_Page_Text);
  for (QWidget* w : std::initializer_list<QWidget*>{
           cmdApply, cmdCancel, cmdOK, Command1, Command2, Command3, Command4, Command5, Frame1, Frame2, Frame3,
           Frame4, Frame5, Frame6, Frame7, this, Label1, Label2, Label3, List1, Option1, Option2, Option3, Option4,
           Option5, Option6, Option7, Option8, SSTab1, Text1, Text2, Text3, Text4}) {
    w->setProperty("charSet", charSet);
  }
  auto text = [](VbLong id) { return Q(Trim_At_Null(Load_Res_String(id))); };
  vbui::SetWindowCaption(*this, text(235));
  SSTab1->SetTabCaption(0, text(213));
  SSTab1->SetTabCaption(1, text(307));
  const std::pair<QGroupBox*, VbLong> frames[] = {{Frame1, 212}, {Frame2, 217}, {Frame3, 220}, {Frame4, 385},
                                                  {Frame5, 302}, {Frame6, 219}, {Frame7, 303}};
  for (const auto& [f, id] : frames) f->setTitle(text(id));
  const std::pair<QLabel*, VbLong> labels[] = {{Label1, 357}, {Label2, 186}, {Label3, 262}};
  for (const auto& [l, id] : labels) l->setText(text(id));
  const std::pair<QPushButton*, VbLong> buttons[] = {{Command1, 126}, {Command2, 159}, {Command3, 469},
                                                     {Command4, 470}, {Command5, 471}, {cmdOK, 276},
                                                     {cmdCancel, 137}, {cmdApply, 129}};
  for (const auto& [b, id] : buttons) b->setText(text(id));
  for (vbui::VbOptionButton* o : {Option1, Option3, Option5, Option7}) o->setText(text(173));
  for (vbui::VbOptionButton* o : {Option2, Option4, Option6, Option8}) o->setText(text(162));
}

// ---- Change tracking ----

void frmOptions_Form::Option1_Click() {
  Trapped([] { State.Options_Changed = "Yes"; });
}
void frmOptions_Form::Option2_Click() {
  Trapped([&] {
    State.Options_Changed = "Yes";
    Option3->SetValue(true);  // one provider stays on
  });
}
void frmOptions_Form::Option3_Click() {
  Trapped([] { State.Options_Changed = "Yes"; });
}
void frmOptions_Form::Option4_Click() {
  Trapped([&] {
    State.Options_Changed = "Yes";
    Option1->SetValue(true);
  });
}
void frmOptions_Form::Option5_Click() {
  Trapped([] { State.Options_Changed = "Yes"; });
}
void frmOptions_Form::Option6_Click() {
  Trapped([] { State.Options_Changed = "Yes"; });
}
void frmOptions_Form::Option7_Click() {
  Trapped([] { State.Options_Changed = "Yes"; });
}
void frmOptions_Form::Option8_Click() {
  Trapped([] { State.Options_Changed = "Yes"; });
}
void frmOptions_Form::Text3_Change() {
  Trapped([] { State.Options_Changed = "Yes"; });
}
void frmOptions_Form::Text4_Change() {
  Trapped([] { State.Options_Changed = "Yes"; });
}

// ---- The list ----

int frmOptions_Form::Selected_Index() const {
  const int row = List1->currentRow();
  if (row < 0 || !List1->item(row)->isSelected()) return -1;
  return row;
}

void frmOptions_Form::Remove_List_Item(int index) {
  delete List1->takeItem(index);
  // As a VB list box after RemoveItem: nothing is selected.
  List1->setCurrentRow(-1);
  List1->clearSelection();
}

std::vector<std::string> frmOptions_Form::List_Items() const {
  std::vector<std::string> items;
  for (int i = 0; i < List1->count(); ++i) items.push_back(List1->item(i)->text().toStdString());
  return items;
}

void frmOptions_Form::Refresh_Range_Count() { Range_Count = static_cast<VbInteger>(List1->count()); }

int frmOptions_Form::Show_Message_Box(const std::string& prompt, int buttons) {
  Options_Answer = vbui::MsgBox(Q(prompt), buttons, Q(State.Message_Title), this);
  return Options_Answer;
}

// ---- Add, Delete, Edit, Undo ----

Range_Entry_Outcome frmOptions_Form::Command1_Click() {
  Range_Entry_Outcome outcome = Range_Entry_Outcome::Refused;
  Trapped([&] {
    const Range_Entry_Result r =
        Check_Range_Entry(Text1->text().toStdString(), Text2->text().toStdString(), List_Items());
    outcome = r.Outcome;
    if (r.Outcome == Range_Entry_Outcome::Refused) {
      // A start typed alone was copied into the end before the message.
      Text2->setText(Q(r.Text2));
    }
    if (!r.Message.empty()) {
      Options_Answer = vbui::MsgBox(Q(r.Message), vbui::vbOKOnly, Q(Range_Message_Title(Program_Title)), this);
    }
    if (r.Outcome == Range_Entry_Outcome::Added) {
      State.Options_Changed = "Yes";
      List1->addItem(Q(r.Item));
      Edit_Mode = "Off";
    }
    Text1->setText(Q(r.Text1));
    Text2->setText(Q(r.Text2));
    Text1->setFocus();
    if (r.Outcome == Range_Entry_Outcome::Added) Refresh_Range_Count();
  });
  return outcome;
}

void frmOptions_Form::Command2_Click() {
  Trapped([&] {
    Delete_Mode.clear();
    const int index = Selected_Index();
    if (index >= 0) {
      State.Options_Changed = "Yes";
      Delete_Mode = "On";
      Deleted_Range = List1->item(index)->text().toStdString();
      Remove_List_Item(index);
    }
    Refresh_Range_Count();
    Text1->setFocus();
  });
}

void frmOptions_Form::Command3_Click() {
  Trapped([&] {
    if (Edit_Mode == "On" && Selected_Index() >= 0) {
      // The range still being edited goes back first; when it does not
      // pass the check it stays in the boxes and nothing else is done.
      if (Command1_Click() == Range_Entry_Outcome::Refused) return;
    }
    const int index = Selected_Index();
    if (index >= 0) {
      State.Options_Changed = "Yes";
      Edit_Mode = "On";
      const std::string item = List1->item(index)->text().toStdString();
      const std::size_t colon = item.find(':');
      Text1->setText(Q(item.substr(0, colon)));
      Text2->setText(colon == std::string::npos ? QString() : Q(item.substr(colon + 1)));
      Undo_Start = Text1->text().toStdString();
      Undo_End = Text2->text().toStdString();
      Remove_List_Item(index);
    }
    Refresh_Range_Count();
    Text1->setFocus();
  });
}

void frmOptions_Form::Command4_Click() {
  Trapped([&] {
    if (Edit_Mode == "On") {
      Text1->setText(Q(Undo_Start));
      Text2->setText(Q(Undo_End));
    }
    Text1->setFocus();
  });
}

void frmOptions_Form::Command5_Click() {
  Trapped([&] {
    if (Delete_Mode == "On") {
      Delete_Mode.clear();
      // A range listed again meanwhile (added anew) is not added twice.
      const std::string canonical = Canonical_Range(Deleted_Range);
      bool listed = false;
      for (const std::string& item : List_Items()) listed = listed || Canonical_Range(item) == canonical;
      if (!listed) List1->addItem(Q(Deleted_Range));
      Refresh_Range_Count();
    }
    Text1->setFocus();
  });
}

// ---- Apply, OK, Cancel ----

Options_Settings frmOptions_Form::Settings() const {
  Options_Settings s;
  s.Ranges = List_Items();
  s.Server_Name = Text4->text().toStdString();
  s.IP_Enabled = Option1->Value();
  s.IPX_Enabled = Option3->Value();
  s.UnInstalled_Enabled = Option5->Value();
  s.Polling_Enabled = Option7->Value();
  s.Polling_Interval = Text3->text().toStdString();
  return s;
}

bool frmOptions_Form::Write_Settings() {
  // The writers mark the options as applied on entry.
  State.Options_Changed = "No";
  const LONG status = Apply_Options_Settings(HKEY_LOCAL_MACHINE, Settings());
  // Whatever was written is read by the next discovery.
  State.Discovery_Requested = "Yes";
  if (status == ERROR_SUCCESS) return true;
  State.Options_Changed = "Yes";
  Show_Message_Box(Options_Write_Failed_Text, vbui::vbOKOnly);
  return false;
}

void frmOptions_Form::End_Program() {
  Unload();
  if (Main != nullptr) {
    Main->Unload_Window();
    Main->Remove_Tray_Icon();
  }
  vbui::End();
}

void frmOptions_Form::Ask_To_End_Without_Ranges() {
  if (Show_Message_Box(No_Ranges_Text(), vbui::vbYesNo) != vbui::vbYes) {
    State.Options_Cancelling = "Off";
    return;
  }
  State.Options_Cancelling = "On";
  End_Program();
}

void frmOptions_Form::cmdApply_Click() {
  apply_failed_ = false;
  Trapped([&] {
    if (State.Options_Changed != "Yes") return;
    Set_Message_Title(18);
    if (Edit_Mode == "On" && (!Text1->text().isEmpty() || !Text2->text().isEmpty())) {
      // The range taken out by Edit is in no list that could be written.
      apply_failed_ = true;
      Apply_From_OK = "No";
      Set_Message_Title(21);
      Show_Message_Box(Unapplied_Range_Text(), vbui::vbOKOnly);
      return;
    }
    if (List1->count() == 0) {
      if (Show_Message_Box(Apply_With_No_Ranges_Text(), vbui::vbOKCancel) != vbui::vbOK) return;
      if (Delete_Options_Configuration(HKEY_LOCAL_MACHINE) != ERROR_SUCCESS) {
        // The ranges are still stored: the program does not end as if
        // they were gone.
        apply_failed_ = true;
        State.Options_Changed = "Yes";
        Show_Message_Box(Options_Write_Failed_Text, vbui::vbOKOnly);
        return;
      }
      if (Main != nullptr) Main->Remove_Tray_Icon();
      State.Quiet_Exit = "Yes";
      Unload();
      if (Main != nullptr) Main->Unload_Window();
      vbui::End();
    }
    if (!Write_Settings()) {
      apply_failed_ = true;
      Apply_From_OK = "No";
      return;
    }
    if (Apply_From_OK == "Yes") {
      Apply_From_OK = "No";
      Unload();
      if (Main != nullptr) Main->Show_Window();
    }
  });
}

void frmOptions_Form::cmdOK_Click() {
  Trapped([&] {
    Set_Message_Title(27);
    if (!Text1->text().isEmpty() || !Text2->text().isEmpty()) {
      Set_Message_Title(21);
      Show_Message_Box(Unapplied_Range_Text(), vbui::vbOKOnly);
      return;
    }
    if (Range_Count == 0) {
      Ask_To_End_Without_Ranges();
      return;
    }
    if (State.Options_Changed == "Yes") {
      Apply_From_OK = "Yes";
      cmdApply_Click();
      if (apply_failed_) return;  // the dialog stays open with its changes
    } else {
      State.Options_Changed = "No";
      Unload();
      State.Discovery_Requested = "Yes";
      if (Main != nullptr) Main->Show_Window();
    }
    State.Options_Changed = "No";
  });
}

void frmOptions_Form::cmdCancel_Click() {
  Trapped([&] {
    Set_Message_Title(27);
    if (Range_Count == 0) {
      Ask_To_End_Without_Ranges();
      return;
    }
    if (State.Options_Changed == "Yes") {
      Set_Message_Title(21);
      if (Show_Message_Box(Unapplied_Changes_Text(), vbui::vbYesNo) != vbui::vbYes) return;
    }
    State.Options_Changed = "Cancel";
    Unload();
    if (Main != nullptr) Main->Show_Window();
  });
}

void frmOptions_Form::Unload() {
  if (unloaded_) return;
  unloaded_ = true;
  hide();
  if (On_Unload) On_Unload();
}

void frmOptions_Form::closeEvent(QCloseEvent* event) {
  // Closing by the frame is Cancel: the form closes only when Cancel
  // unloads it (or the program is ending).
  if (unloaded_ || vbui::ProgramEnded()) {
    event->accept();
    return;
  }
  event->ignore();
  vbui::RunEvent([this] { cmdCancel_Click(); });
}

void frmOptions_Form::reject() {
  if (unloaded_ || vbui::ProgramEnded()) {
    QDialog::reject();
    return;
  }
  vbui::RunEvent([this] { cmdCancel_Click(); });
}

}  // namespace vlm::monitor
