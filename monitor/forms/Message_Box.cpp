// Message_Box: layout by message code, the answers, and the message table.
#include "monitor/forms/Message_Box.h"

#include <QLineEdit>
#include <QPushButton>

#include <algorithm>
#include <vector>

#include "monitor/devicedata/retrieval.h"
#include "monitor/forms/forms.h"
#include "monitor/vbui/vbui.h"

namespace vlm::monitor {
namespace {

using vbui::Twips;

constexpr int kDesignWidth = 3975;
constexpr int kDesignHeight = 2900;
// The frame and title bar of the design sizes, which are outer sizes.
constexpr int kFrameWidth = 120;
constexpr int kFrameHeight = 405;
constexpr int kTextHeight = 285;
constexpr int kButtonHeight = 375;
constexpr int kButtonGap = 30;

// The controls as the form is designed; Load() puts every property that
// the callers and Form_Load change back to its design value.
struct Button_Design {
  const char* caption;
  int left, width;
};
constexpr Button_Design kButtons[] = {
    {"&Yes", 720, 855}, {"&No", 1950, 1215}, {"&Yes", 710, 1215}, {"Configure", 2530, 1215}};
constexpr int kTextTops[] = {360, 645, 930, 1215, 1500, 1785};
constexpr int kTextLeft = 20;
constexpr int kTextWidth = 3735;
constexpr int kButtonTop = 2040;

QString Q(const std::string& s) { return QString::fromStdString(s); }

}  // namespace

Message_Box_Form::Message_Box_Form() {
  setObjectName(QStringLiteral("Message_Box"));
  setFont(QFont(QStringLiteral("Microsoft Sans Serif"), 8));
  setModal(true);
  for (int i = 0; i < 6; ++i) {
    auto* t = new QLineEdit(this);
    t->setObjectName(QStringLiteral("Text%1").arg(i + 1));
    t->setReadOnly(true);
    t->setFrame(false);
    t->setFocusPolicy(Qt::NoFocus);
    t->setAlignment(Qt::AlignHCenter);
    t->setStyleSheet(QStringLiteral("background: transparent"));
    texts_[i] = t;
  }
  for (int i = 0; i < 4; ++i) {
    auto* b = new QPushButton(this);
    b->setObjectName(QStringLiteral("Command%1").arg(i + 1));
    b->setAutoDefault(false);
    commands_[i] = b;
  }
  connect(commands_[1], &QPushButton::clicked, this, vbui::Slot([this] { Command2_Click(); }));
  connect(commands_[2], &QPushButton::clicked, this, vbui::Slot([this] { Command3_Click(); }));
  connect(commands_[3], &QPushButton::clicked, this, vbui::Slot([this] { Command4_Click(); }));
  Load();
}

void Message_Box_Form::Load() {
  unloaded_ = false;
  configure_ = false;
  answer_.reset();
  setResult(0);
  setWindowTitle(QStringLiteral("Velmar Printer Monitor"));
  for (int i = 0; i < 6; ++i) {
    QLineEdit* t = texts_[i];
    t->clear();
    t->setGeometry(Twips(kTextLeft), Twips(kTextTops[i]), Twips(kTextWidth), Twips(kTextHeight));
    t->setVisible(i < 5);  // Text6: used by no code
  }
  for (int i = 0; i < 4; ++i) {
    QPushButton* b = commands_[i];
    b->setText(QString::fromLatin1(kButtons[i].caption));
    b->setGeometry(Twips(kButtons[i].left), Twips(kButtonTop), Twips(kButtons[i].width),
                   Twips(kButtonHeight));
    // Command1 has no action; it is never shown. Configure shows by code.
    b->setVisible(i == 1 || i == 2);
  }
  Set_Size(kDesignHeight, kDesignWidth);
  Form_Load();
}

void Message_Box_Form::Form_Load() {
  code_ = Message_Code;
  const int charSet = CodePage_To_CharSet(Code_Page_Text);
  setProperty("charSet", charSet);
  for (int i = 0; i < 5; ++i) texts_[i]->setProperty("charSet", charSet);
  for (QPushButton* b : commands_) b->setProperty("charSet", charSet);

  const bool super = State.Super_User == "On";
  if (super && (code_ == "11" || code_ == "13" || code_ == "14")) {
    Set_Left(commands_[0], 720);
    Set_Left(commands_[1], 1310);
    Set_Left(commands_[2], 80);
    Set_Top(commands_[3], kButtonTop);
    Set_Left(commands_[3], 2530);
    commands_[3]->show();
  } else if (super && code_ == "16") {
    Set_Left(commands_[0], 1920);
    Set_Left(commands_[1], 2510);
    Set_Left(commands_[2], 1280);
    Set_Top(commands_[3], kButtonTop);
    Set_Left(commands_[3], 3730);
    commands_[3]->show();
  } else if (!super && code_ == "16") {
    commands_[0]->hide();
    Set_Left(commands_[1], 3210);
    Set_Left(commands_[2], 1980);
  }
}

void Message_Box_Form::Set_Size(int heightTwips, int widthTwips) {
  setFixedSize(Twips(std::max(widthTwips - kFrameWidth, 0)),
               Twips(std::max(heightTwips - kFrameHeight, 0)));
}
void Message_Box_Form::Set_Left(QWidget* c, int twips) { c->move(Twips(twips), c->y()); }
void Message_Box_Form::Set_Top(QWidget* c, int twips) { c->move(c->x(), Twips(twips)); }
void Message_Box_Form::Set_Width(QWidget* c, int twips) { c->resize(Twips(twips), c->height()); }

void Message_Box_Form::Spread_Buttons() {
  std::vector<QPushButton*> row;
  for (QPushButton* b : commands_) {
    if (!b->isHidden()) row.push_back(b);
  }
  std::stable_sort(row.begin(), row.end(),
                   [](QPushButton* a, QPushButton* b) { return a->x() < b->x(); });
  for (std::size_t i = 1; i < row.size(); ++i) {
    const int min = row[i - 1]->geometry().right() + 1 + Twips(kButtonGap);
    if (row[i]->x() < min && row[i]->y() == row[i - 1]->y()) row[i]->move(min, row[i]->y());
  }
}

void Message_Box_Form::Unload() {
  unloaded_ = true;
  done(0);
}

void Message_Box_Form::reject() {
  // Closed by the frame or Escape: no answer is written.
  Unload();
}

void Message_Box_Form::Answer(std::string code) {
  answer_ = code;
  Message_Code = std::move(code);
}

void Message_Box_Form::Command2_Click() {
  if (code_ == "10") {
    Answer("10-1");
    if (State.Polling_Enabled == "Yes" && Main != nullptr) Main->Set_Timer1_Enabled(true);
    Unload();
  } else if (code_ == "11" || code_ == "12" || code_ == "13" || code_ == "14") {
    Answer(code_ + "-1");
    Unload();
  } else if (code_ == "16") {
    Unload();
    if (Main != nullptr) Main->Unload_Window();
    vbui::End();
  }
}

void Message_Box_Form::Command3_Click() {
  static const char* const kCodes[] = {"10", "11", "12", "13", "14", "15", "16"};
  if (std::find(std::begin(kCodes), std::end(kCodes), code_) == std::end(kCodes)) return;
  Answer("");
  Unload();
}

void Message_Box_Form::Command4_Click() {
  Answer(code_ == "16" ? "16-1" : "14-1");
  configure_ = true;
  Unload();
  if (Main != nullptr) Main->Hide_Window();
  frmOptions().Show_Modeless();
}

// ---- The one Message_Box ----

Message_Box_Access& The_Message_Box() {
  // Never destroyed: its widgets must not outlive the application object at
  // exit.
  static auto* box = new Message_Box_Access;
  return *box;
}

void Install_Message_Box() { Message_Box = &The_Message_Box(); }

Message_Box_Form& Message_Box_Access::Form() {
  if (showing_) {
    // A caller while the question is up: its changes go nowhere.
    if (!discard_) discard_ = std::make_unique<Message_Box_Form>();
    return *discard_;
  }
  // The form is kept for the program's life: an unloaded form is hidden,
  // never destroyed, because Qt may still hold it as the active window or
  // deliver a late activation to it. Referring to it again loads it anew.
  if (!form_) {
    form_ = std::make_unique<Message_Box_Form>();
  } else if (form_->Unloaded()) {
    form_->Load();
  }
  return *form_;
}

QWidget* Message_Box_Access::Control(std::string_view name) {
  Message_Box_Form& f = Form();
  if (name.empty()) return &f;
  auto* w = f.findChild<QWidget*>(QString::fromUtf8(name.data(), static_cast<int>(name.size())));
  if (w == nullptr) Raise_Vb_Error(424);
  return w;
}

void Message_Box_Access::Set_Caption(std::string_view control, const std::string& caption) {
  QWidget* w = Control(control);
  if (auto* b = qobject_cast<QPushButton*>(w)) {
    b->setText(Q(caption));
  } else if (auto* t = qobject_cast<QLineEdit*>(w)) {
    t->setText(Q(caption));
  } else {
    vbui::SetWindowCaption(*w, Q(caption));
  }
}

void Message_Box_Access::Set_Text(std::string_view control, const std::string& text) {
  Set_Caption(control, text);
}

void Message_Box_Access::Set_Visible(std::string_view control, bool visible) {
  if (control == "Command1") return;  // never shown
  Control(control)->setVisible(visible);
}

void Message_Box_Access::Set_Left(std::string_view control, VbLong twips) {
  Form().Set_Left(Control(control), twips);
}

void Message_Box_Access::Set_Width(std::string_view control, VbLong twips) {
  Form().Set_Width(Control(control), twips);
}

void Message_Box_Access::Set_Size(int heightTwips, int widthTwips) {
  Form().Set_Size(heightTwips, widthTwips);
}

void Message_Box_Access::Show_Modal() {
  if (showing_) return;  // "form already displayed": dropped
  Message_Box_Form& f = Form();
  f.Spread_Buttons();
  // What Message_Code is when the question is closed without an answer.
  const std::string unanswered = Message_Code;
  showing_ = true;
  configure_ = false;
  struct Reset {
    bool& flag;
    ~Reset() { flag = false; }
  } reset{showing_};
  vbui::DialogService::Instance().ShowModal(f);
  // A caller whose show was dropped meanwhile may have written its own code:
  // the caller of this show reads the answer to this question only.
  Message_Code = f.Answered().value_or(unanswered);
  configure_ = f.Configure_Chosen();
  if (form_ && !form_->isVisible()) form_->Unload();
}

// ---- The message table ----

void Show_Message(const std::string& code) {
  using retrieval::Localised_Text;
  const bool super = State.Super_User == "On";
  Message_Code = code;
  Message_Box_Access& box = The_Message_Box();
  box.Form();  // loads it: Form_Load lays out the buttons by this code
  auto title = [&](int spaces) {
    box.Set_Caption("", std::string(spaces, ' ') + Localised_Text("Velmar Printer Monitor", 235));
  };
  auto text = [&](const char* control, const char* english, VbLong id) {
    box.Set_Text(control, Localised_Text(english, id));
  };
  auto clear = [&] {
    for (const char* t : {"Text1", "Text2", "Text3", "Text4", "Text5"}) box.Set_Text(t, "");
  };
  auto wide = [&] {
    box.Set_Size(3000, 6175);
    for (const char* t : {"Text1", "Text2", "Text3", "Text4", "Text5"}) box.Set_Width(t, 6135);
  };
  if (code == "10") {
    clear();
    box.Set_Caption("Command2", Localised_Text("No", 269));
    box.Set_Caption("Command3", Localised_Text("Yes", 397));
    title(11);
    text("Text2", "Do You Wish to Exit the", 166);
    text("Text4", "Velmar Printer Monitor ?", 233);
  } else if (code == "11" || code == "13") {
    const bool first = code == "13";
    box.Set_Caption("Command2", Localised_Text("Cancel", 137));
    box.Set_Caption("Command3", Localised_Text("Ok", 276));
    box.Set_Caption("Command4", Localised_Text("Configure", 467));
    title(first ? 17 : 16);
    text("Text1", first ? "No Printers Were Found" : "No Printers were found", 267);
    text("Text2", first ? "To Retry Discovery click \"Ok\"" : "To Retry Discovery Click \"Ok\"", 370);
    text("Text3", "To Exit the Printer Monitor click \"Cancel\"", 369);
    if (super) {
      text("Text4", "To Add a Printer Click \"Configure\"", 423);
    } else {
      text("Text4", "To Add a Printer contact your System Administrator", 427);
    }
  } else if (code == "12" || code == "14") {
    wide();
    box.Set_Left("Command1", 1910);
    box.Set_Left("Command2", 3150);
    box.Set_Left("Command3", 1910);
    box.Set_Caption("Command2", Localised_Text("Cancel", 137));
    box.Set_Caption("Command3", Localised_Text("Ok", 276));
    title(44);
    text("Text1", "No Registry Entries were found for the Addresses of your Printers.", 268);
    if (State.Registry_Read_Only && !super) {
      // Nothing can be stored from here: the notice says who sets it, and Ok
      // goes on with what there is.
      text("Text2", "Changes to the Configuration is a System Administrator function", 500);
      box.Set_Text("Text3", "");
      text("Text4", "Clicking \"Ok\" will Execute the current Configuration", 501);
    } else {
      text("Text2",
           "Clicking \"OK\"  will display the Velmar Printer Monitor - Options  screen.", 140);
      text("Text3", "Use this screen to Add, Delete or Change the ranges of your Printers.", 391);
    }
    text("Text5", "Clicking \"Cancel\" will Exit you from the Velmar Printer Monitor.", 138);
  } else if (code == "16") {
    wide();
    clear();
    box.Set_Caption("Command2", Localised_Text("Cancel", 137));
    box.Set_Caption("Command3", Localised_Text("Ok", 276));
    title(44);
    if (super) {
      text("Text1", "TQZ was Abnormally Terminated. The Configuration may need adjusted", 497);
      text("Text2",
           "Clicking \"Configure\"  will display the Velmar Printer Monitor - Options  screen.",
           502);
      text("Text3", "Use this screen to Add, Delete or Change the Configuration.", 498);
    } else {
      text("Text1", "TQZ was Abnormally Terminated. The Configuration may need adjusting", 497);
      text("Text2", "Changes to the Configuration is a System Administrator function", 500);
    }
    text("Text4", "Clicking \"Ok\" will Execute the current Configuration", 501);
    text("Text5", "Clicking \"Cancel\" will Exit you from the Velmar Printer Monitor.", 499);
  }
  box.Show_Modal();
}

}  // namespace vlm::monitor
