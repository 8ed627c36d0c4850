// frmTQZ's ports of the main window procedures, and its events.
#include "monitor/forms/frmTQZ_main.h"

#include <QAction>
#include <QApplication>
#include <QDesktopServices>
#include <QEvent>
#include <QIcon>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QPainter>
#include <QPixmap>
#include <QUrl>
#include <QWhatsThis>

#include <algorithm>
#include <array>
#include <utility>

#include "monitor/forms/Message_Box.h"
#include "monitor/forms/forms.h"
#include "monitor/forms/frmAbout.h"
#include "monitor/forms/frmTQZ.h"
#include "monitor/optionsstore/optionsstore.h"
#include "monitor/vbui/vbui.h"

namespace vlm::monitor {
namespace {

// Runs a procedure on each left-button release over a widget (a picture box
// has no Click signal of its own).
class Click_Filter final : public QObject {
 public:
  Click_Filter(QObject* parent, std::function<void()> click)
      : QObject(parent), click_(std::move(click)) {}

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::MouseButtonRelease) click_();
    return QObject::eventFilter(watched, event);
  }

 private:
  std::function<void()> click_;
};

}  // namespace

namespace {

QIcon Paint_Status_Picture(int image) {
  // 1 ready, 2 busy, 3 attention, 4 not ready, 5 waiting.
  static const QColor kColours[] = {QColor(0x30, 0xA0, 0x30), QColor(0x30, 0x60, 0xD0),
                                    QColor(0xE0, 0xC0, 0x20), QColor(0xC0, 0x30, 0x30),
                                    QColor(0xF0, 0x90, 0x20)};
  const QColor colour = kColours[image - 1];
  QIcon icon;
  for (int size : {16, 32}) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setBrush(colour);
    p.setPen(QPen(colour.darker(160), size / 16.0));
    p.drawRoundedRect(QRectF(size * 0.1, size * 0.25, size * 0.8, size * 0.55), size / 8.0,
                      size / 8.0);
    p.setBrush(Qt::white);
    p.drawRect(QRectF(size * 0.3, size * 0.1, size * 0.4, size * 0.2));
    icon.addPixmap(pixmap);
  }
  return icon;
}

// The five pictures, painted once per application: every poll sets the
// icon of every listed printer, and a new icon each time would leave its
// pixmaps, and those the style derives from them for the selected and
// disabled looks, behind in Qt's caches.
std::array<QIcon, 5>*& Status_Pictures() {
  static std::array<QIcon, 5>* pictures = nullptr;
  return pictures;
}

}  // namespace

QIcon Status_Picture(int image) {
  std::array<QIcon, 5>*& pictures = Status_Pictures();
  if (pictures == nullptr) {
    pictures = new std::array<QIcon, 5>;
    for (int i = 1; i <= 5; ++i) (*pictures)[static_cast<std::size_t>(i - 1)] = Paint_Status_Picture(i);
    // Pixmaps go before the application does.
    qAddPostRoutine([] { delete std::exchange(Status_Pictures(), nullptr); });
  }
  return (*pictures)[static_cast<std::size_t>(std::clamp(image, 1, 5) - 1)];
}

struct frmTQZ_Main::Ports final : Tqz_Window, Tqz_Shared {
  Ports(frmTQZ& f, Tqz_Readers& readers) : form(f), main(*this, readers, *this) {}

  frmTQZ& form;
  Tqz_Main main;

  QListWidgetItem* Item(int index) {
    QListWidgetItem* item = form.lvwIPs->item(index - 1);
    if (!item) throw VbError(35600, "Index out of bounds");
    return item;
  }

  // ---- lvwIPs ----
  void lvwIPs_Clear() override { form.lvwIPs->clear(); }
  int lvwIPs_Add() override {
    form.lvwIPs->addItem(new QListWidgetItem());
    return form.lvwIPs->count();
  }
  int lvwIPs_Count() override { return form.lvwIPs->count(); }
  void lvwIPs_Set_Icon(int index, int image) override {
    QListWidgetItem* item = Item(index);
    item->setData(Qt::UserRole, image);
    item->setIcon(Status_Picture(image));
  }
  std::string lvwIPs_Text(int index) override { return Item(index)->text().toStdString(); }
  void lvwIPs_Set_Text(int index, const std::string& text) override {
    Item(index)->setText(QString::fromStdString(text));
  }
  void lvwIPs_Select(int index) override {
    QSignalBlocker block(form.lvwIPs);
    form.lvwIPs->setCurrentItem(Item(index));
  }
  int lvwIPs_Selected() override {
    QListWidgetItem* item = form.lvwIPs->currentItem();
    return item ? form.lvwIPs->row(item) + 1 : 0;
  }
  void lvwIPs_Set_Marked(int index, bool marked) override {
    QFont font = Item(index)->font();
    font.setBold(marked);
    Item(index)->setFont(font);
  }
  void lvwIPs_Set_View(int style) override {
    form.lvwIPs->setViewMode(style == 0 ? QListView::IconMode : QListView::ListMode);
    form.lvwIPs->setIconSize(style == 0 ? QSize(32, 32) : QSize(16, 16));
  }
  void lvwIPs_Set_Focus() override { form.lvwIPs->setFocus(); }
  void lvwIPs_Repaint() override { form.lvwIPs->repaint(); }

  // ---- Label15, pointer, timers ----
  void Set_Status(std::uint32_t colour, const std::string& caption, bool centred) override {
    form.Set_BackColor("Label15", Main_Window_Port::kNoIndex, static_cast<VbLong>(colour));
    form.Label15->setText(QString::fromStdString(caption));
    form.Label15->setAlignment(centred ? Qt::AlignCenter : Qt::AlignLeft | Qt::AlignVCenter);
    form.Label15->repaint();
  }
  std::string Status_Caption() override { return form.Label15->text().toStdString(); }
  void Set_Hourglass(bool busy) override { vbui::SetMousePointer(busy ? 11 : 0); }
  vbui::VbTimer* Timer(int n) {
    vbui::VbTimer* timers[] = {form.Timer1, form.Timer2, form.Timer3, form.Timer4, form.Timer5};
    return timers[std::clamp(n, 1, 5) - 1];
  }
  void Set_Timer_Enabled(int n, bool enabled) override { Timer(n)->SetEnabled(enabled); }
  bool Timer_Enabled(int n) override { return Timer(n)->Enabled(); }
  void Set_Timer_Interval(int n, int ms) override { Timer(n)->SetInterval(ms); }

  // ---- Tabs and controls ----
  int Current_Tab() override { return form.SSTab1->Tab(); }
  void Hide_Jobs_Tab() override {
    form.SSTab1->SetTabVisible(6, false);
    form.SSTab1->SetTabEnabled(6, false);
  }
  void Set_Tab_Help_Topic(int topic) override { form.SSTab1->setProperty("HelpContextID", topic); }
  int ComboPrinter_ListIndex(int index) override {
    return form.ComboPrinter.at(static_cast<std::size_t>(index))->ListIndex();
  }
  void Set_ComboPrinter_ListIndex(int index, int listIndex) override {
    form.ComboPrinter.at(static_cast<std::size_t>(index))->SetListIndex(listIndex);
  }
  void Set_Visible(const std::string& control, int index, bool visible) override {
    form.Set_Visible(control, static_cast<VbInteger>(index), visible);
  }
  void Set_Caption(const std::string& control, int index, const std::string& caption) override {
    form.Set_Caption(control, static_cast<VbInteger>(index), caption);
  }
  void Repaint(const std::string& control, int index) override {
    form.Control(control, static_cast<VbInteger>(index))->repaint();
  }

  // ---- The window ----
  bool Is_Active_Window() override { return form.isActiveWindow(); }
  void Show_Window() override { form.Show_Window(); }
  void Repaint_Window() override { form.repaint(); }
  void Enter_Whats_This_Mode() override { QWhatsThis::enterWhatsThisMode(); }
  void Leave_Whats_This_Mode() override { QWhatsThis::leaveWhatsThisMode(); }
  void Set_Web_Enabled(bool enabled) override { form.Web->setEnabled(enabled); }
  std::string Ask_No_Printers() override {
    Message_Code = "11";
    if (quiet_no_printers) {
      // Left unanswered: the attempts end without a question.
      quiet_no_printers = false;
      return Message_Code;
    }
    Show_Message("11");
    return Message_Code;
  }
  // Set for the load's discovery after the start-up notice to a user who can
  // store nothing: that discovery does not ask the "11" question again.
  bool quiet_no_printers = false;
  void Open_Document(const std::string& url) override {
    QDesktopServices::openUrl(QUrl(QString::fromStdString(url)));
  }
  void Show_Options() override {
    form.Hide_Window();
    frmOptions().Show_Modeless();
  }
  void Show_About() override { monitor::Show_About(); }
  void Unload_Window() override { form.Exit_System_Click(); }
  void End_Program() override {
    form.Remove_Tray_Icon();
    form.Unload_Window();
    vbui::End();
  }

  // ---- The start-up module ----
  void Get_Preferences_Values() override {
    form.Reg_Key_Path = Preferences_Key_Path;
    form.Reg_Value_Name = "IP_Enabled";
    monitor::Get_Preferences_Values(HKEY_LOCAL_MACHINE, form.Reg_Key_Path, form.Reg_Value_Name, State);
  }
  void Create_Check_Discovery() override {
    form.Reg_Key_Path = Preferences_Key_Path;
    form.Reg_Value_Name = "Check_Discovery";
    std::string value;
    monitor::Create_Check_Discovery(HKEY_LOCAL_MACHINE, form.Reg_Key_Path, form.Reg_Value_Name, value,
                                    State.Discovery_Running);
  }
  void Build_Form_Caption() override { form.Build_Form_Caption(); }
  int Polling_Interval_Milliseconds() override {
    return monitor::Polling_Interval_Milliseconds(State.Polling_Interval);
  }

  // ---- Tqz_Shared ----
  std::string& Flag(const std::string& name) override {
    if (name == "Polling_Enabled") return State.Polling_Enabled;
    if (name == "UnInstalled_Enabled") return State.UnInstalled_Enabled;
    if (name == "IP_Enabled") return State.IP_Enabled;
    if (name == "Options_Requested") return State.Options_Requested;
    if (name == "Registry_Entries_Found") return State.Registry_Entries_Found;
    if (name == "Discovery_Running") return State.Discovery_Running;
    if (name == "Discovery_Requested") return State.Discovery_Requested;
    throw VbError(VBERR_INVALID_CALL, "Invalid procedure call or argument");
  }
  void Set_Printer_Counts(VbInteger installed, VbInteger other) override {
    State.Installed_Printer_Count = installed;
    State.Other_Device_Count = other;
  }
};

frmTQZ_Main::frmTQZ_Main(frmTQZ& form, Tqz_Readers& readers)
    : ports_(std::make_unique<Ports>(form, readers)) {
  Tqz_Main& m = ports_->main;
  form.Set_Program_Icon(Status_Picture(1));
  form.Load_Discovery = [&m, &ports = *ports_] {
    ports.quiet_no_printers = State.Read_Only_Notice;
    m.Load_After_Checks();
    ports.quiet_no_printers = false;
  };
  form.Timer1->Timer = [&m] { m.Timer1_Timer(); };
  form.Timer2->Timer = [&m] { m.Timer2_Timer(); };
  form.Timer3->Timer = [&m] { m.Timer3_Timer(); };
  form.Timer4->Timer = [&m] { m.Timer4_Timer(); };
  form.Timer5->Timer = [&m] { m.Timer5_Timer(); };
  auto on = [&form](QAction* action, std::function<void()> f) {
    QObject::connect(action, &QAction::triggered, &form, vbui::Slot(std::move(f)));
  };
  on(form.Refresh_Discovery, [&m] { m.Refresh_Discovery_Click(); });
  on(form.Refresh_View, [&m] { m.Refresh_View_Click(); });
  on(form.Web, [&m] { m.Web_Click(); });
  on(form.Options, [&m] { m.Options_Click(); });
  on(form.IconView, [&m] { m.IconView_Click(); });
  on(form.SmallIcon, [&m] { m.SmallIcon_Click(); });
  on(form.ListView, [&m] { m.ListView_Click(); });
  on(form.Content, [&m] { m.Content_Click(); });
  on(form.About, [&m] { m.About_Click(); });
  on(form.Context_Help, [&m] { m.Context_Help_Click(); });
  QObject::connect(form.Command, &QMenu::aboutToShow, &form, vbui::Slot([&m] { m.Command_Click(); }));
  QObject::connect(form.lvwIPs, &QListWidget::itemClicked, &form,
                   vbui::Slot([&m, &form](QListWidgetItem* item) {
                     m.lvwIPs_ItemClick(form.lvwIPs->row(item) + 1);
                   }));
  for (std::size_t i = 0; i < form.ComboPrinter.size(); ++i)
    form.ComboPrinter[i]->Click = [&m, i] { m.ComboPrinter_Click(static_cast<int>(i)); };
  // A tab change also brings the new tab's controls back, as its focus did.
  form.SSTab1->Click = [&m](int previous) {
    m.SSTab1_Click(previous);
    m.SSTab1_GotFocus();
  };
  picture_click_ = new Click_Filter(form.Picture1, [&m] { m.Picture1_Click(); });
  form.Picture1->installEventFilter(picture_click_);
}

frmTQZ_Main::~frmTQZ_Main() {
  // The window's handlers reach these procedures: none is left behind.
  frmTQZ& form = ports_->form;
  form.Load_Discovery = nullptr;
  for (vbui::VbTimer* timer : {form.Timer1, form.Timer2, form.Timer3, form.Timer4, form.Timer5})
    timer->Timer = nullptr;
  for (vbui::VbComboBox* combo : form.ComboPrinter) combo->Click = nullptr;
  form.SSTab1->Click = nullptr;
  delete picture_click_;
}

Tqz_Main& frmTQZ_Main::Procedures() { return ports_->main; }

}  // namespace vlm::monitor
