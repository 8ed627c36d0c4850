// frmTQZ: the controls of the main window and its menus, by their names.
#include <QAction>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QMenuBar>
#include <QPushButton>
#include <QSplitter>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "monitor/forms/frmTQZ.h"

namespace vlm::monitor {
namespace {

using vbui::ControlName;
using vbui::Twips;

constexpr int kNone = Main_Window_Port::kNoIndex;

QString Name(const char* name, int index) {
  return index == kNone ? QString::fromLatin1(name) : ControlName(name, index);
}

// One line of a tab: a caption label and, when named, what shows its value.
struct Line {
  const char* caption_name;
  int caption_index;
  const char* caption;
  const char* value_name;  // null: none; "ComboPrinter": the tab's combo
  int value_index;
  const char* value = "";
};

class Builder {
 public:
  Builder(frmTQZ& form, QWidget* page) : form_(form), page_(page) {}

  QLabel* Caption(const char* name, int index, const char* text, QWidget* parent) {
    auto* l = new vbui::VbLabel(QString::fromLatin1(text), parent);
    l->setObjectName(Name(name, index));
    return l;
  }
  QLabel* Value(const char* name, int index, const char* text, QWidget* parent) {
    auto* l = new vbui::VbLabel(QString::fromLatin1(text), parent);
    l->setObjectName(Name(name, index));
    l->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    l->setMinimumWidth(Twips(1800));
    l->setTextInteractionFlags(Qt::TextSelectableByMouse);
    return l;
  }
  // Lines in a grid, two pairs a row.
  QGridLayout* Lines(std::initializer_list<Line> lines, QWidget* parent, int tab, int pairs = 2) {
    auto* grid = new QGridLayout;
    int i = 0;
    for (const Line& line : lines) {
      const int row = i / pairs, col = (i % pairs) * 2;
      grid->addWidget(Caption(line.caption_name, line.caption_index, line.caption, parent), row,
                      col);
      if (line.value_name == nullptr) {
      } else if (std::string_view(line.value_name) == "ComboPrinter") {
        grid->addWidget(form_.ComboPrinter[tab], row, col + 1);
      } else {
        grid->addWidget(Value(line.value_name, line.value_index, line.value, parent), row, col + 1);
      }
      ++i;
    }
    grid->setColumnStretch(1, 1);
    if (pairs > 1) grid->setColumnStretch(3, 1);
    return grid;
  }
  QGroupBox* Frame(const char* name, int index, const char* caption) {
    auto* f = new QGroupBox(QString::fromLatin1(caption), page_);
    f->setObjectName(Name(name, index));
    return f;
  }
  QTreeWidget* List(const char* name, QWidget* parent) {
    auto* l = new QTreeWidget(parent);
    l->setObjectName(QString::fromLatin1(name));
    l->setRootIsDecorated(false);
    l->setColumnCount(0);
    l->setHeaderLabels({});
    l->header()->setStretchLastSection(false);
    return l;
  }

 private:
  frmTQZ& form_;
  QWidget* page_;
};

}  // namespace

void frmTQZ::Set_Program_Icon(const QIcon& statusPicture1) {
  program_icon_ = QIcon(statusPicture1.pixmap(16, 16));
  setWindowIcon(program_icon_);
}

void frmTQZ::Build_Controls() {
  setObjectName(QStringLiteral("frmTQZ"));
  setWindowTitle(QStringLiteral("Velmar Printer Monitor"));

  auto* central = new QWidget(this);
  auto* outer = new QVBoxLayout(central);
  auto* splitter = new QSplitter(Qt::Horizontal, central);

  lvwIPs = new QListWidget(splitter);
  lvwIPs->setObjectName(QStringLiteral("lvwIPs"));
  lvwIPs->setViewMode(QListView::IconMode);
  lvwIPs->setMinimumWidth(Twips(2400));
  lvwIPs->setResizeMode(QListView::Adjust);

  SSTab1 = new vbui::VbTabControl(splitter);
  SSTab1->setObjectName(QStringLiteral("SSTab1"));
  splitter->addWidget(lvwIPs);
  splitter->addWidget(SSTab1);
  splitter->setStretchFactor(1, 1);
  outer->addWidget(splitter, 1);

  Label15 = new vbui::VbLabel(QString(), central);
  Label15->setObjectName(QStringLiteral("Label15"));
  Label15->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  Label15->setMinimumHeight(Twips(300));
  outer->addWidget(Label15);
  setCentralWidget(central);

  const char* const kTabs[] = {"QuickView", "IP Controller", "Printer", "Alert/Error Status",
                               "Paper Input", "Paper Output", "Jobs"};
  std::array<QWidget*, 7> pages{};
  for (int t = 0; t < 7; ++t) {
    pages[t] = new QWidget;
    pages[t]->setObjectName(QStringLiteral("SSTab1_Tab%1").arg(t));
    ComboPrinter[t] = new vbui::VbComboBox(pages[t]);
    ComboPrinter[t]->setObjectName(ControlName("ComboPrinter", t));
    SSTab1->addTab(pages[t], QString::fromLatin1(kTabs[t]));
  }
  SSTab1->setProperty("TabsPerRow", 3);

  // Tab 0: QuickView. Its value boxes start empty: a caption naming the
  // field would read as a value while none has been read (a printer that
  // answers nothing after discovery).
  {
    QWidget* page = pages[0];
    Builder b(*this, page);
    auto* v = new QVBoxLayout(page);
    v->addLayout(b.Lines(
        {
            {"LabelAlert", 2, "Select Printer", "ComboPrinter", 0},
            {"LabelQView", 0, "Controller Name", "lblIPName", 0},
            {"LabelQView", 2, "Controller Model", "lblIPModel", kNone},
            {"LabelQView", 1, "Controller Location", "lblIPLocation", kNone},
            {"Label11", kNone, "Controller Type", "Label12", kNone, "Printer"},
            {"IPNetworkAddress", 1, "Network Address", nullptr, 0},
            {"LabelQView", 4, "Controller Installed", "lblIPInstalled", kNone},
            {"LabelQView", 5, "Controller Spool Name", "lblIPSpoolName", kNone},
            {"LabelQView", 10, "Supported PDLs ", "lblIPPDL", kNone},
            {"LabelQView", 6, "Engine1 Name", "lblIPEngine1Name", kNone},
            {"LabelQView", 3, "Engine1 Status", "lblIPStatus", kNone},
            {"LabelQView", 7, "Finisher1  Name", "lblIPFinisher1Name", kNone},
            {"Engine2NameLabel", 8, "Engine2 Name", "lblIPEngine2Name", kNone},
            {"Engine2StatusLabel", 9, "Enginer2 Status", "lblIPEngine2Status", kNone},
            {"Finisher2Label", 11, "Finisher2 Name", "lblIPFinisher2Name", kNone},
        },
        page, 0));
    v->addStretch(1);
  }
  // Tab 1: IP Controller.
  {
    QWidget* page = pages[1];
    Builder b(*this, page);
    auto* v = new QVBoxLayout(page);
    v->addLayout(b.Lines(
        {
            {"LabelAlert", 3, "Select Printer", "ComboPrinter", 0},
            {"LabelIP", 0, "Controller Model", "lblIPName", 1},
            {"LabelIP", 8, "Controller Type", "lblIPType", kNone},
            {"LabelIP", 1, "IP Version", "lblIPVersion", kNone},
            {"LabelIP", 9, "IP MIB Version", "lblIPMIBVersion", kNone},
            {"LabelIP", 2, "Network Address", "lblIPNetworkAddress", kNone},
            {"LabelIP", 3, "Connection Type", "lblIPConnectionType", kNone},
            {"LabelIP", 4, "Supported PDL", "lblIPLanguages", kNone},
            {"LabelIP", 5, "Copier Timeout", "lblIPCopierTimeout", kNone},
            {"LabelIP", 6, "Banner Option", "lblIPBannerOption", kNone},
            {"LabelIP", 7, "Spool Mode", "lblIPSpoolMode", kNone},
            {"LabelIP", 10, "Supported Resolution ", "Label14", kNone, "400/600"},
            {"Label1", kNone, "Controller Status", "Label4", kNone},
        },
        page, 1));
    auto* frames = new QHBoxLayout;
    QGroupBox* disk = b.Frame("HardDisk", 1, "Hard Disk Information");
    disk->setLayout(b.Lines({{"Label2", 3, "Hard Disk Installed", "lblIPHDInstalled", kNone},
                             {"Label2", 2, "Hard Disk Size (MB)", "lblIPHardDiskSize", kNone},
                             {"Label3", 2, "Free Disk Space (MB)", "lblIPHardDiskSpace", kNone}},
                            disk, 1, 1));
    QGroupBox* memory = b.Frame("Memory", 0, "Memory Information");
    memory->setLayout(b.Lines({{"Label2", 1, "Memory Installed (MB)", "lblIPMemInstalled", kNone},
                               {"Label3", 1, "Memory Available(MB)", "lblIPMemAvail", kNone}},
                              memory, 1, 1));
    frames->addWidget(disk);
    frames->addWidget(memory);
    v->addLayout(frames);
    v->addStretch(1);
  }
  // Tab 2: Printer.
  {
    QWidget* page = pages[2];
    Builder b(*this, page);
    auto* v = new QVBoxLayout(page);
    v->addLayout(b.Lines(
        {
            {"LabelEngine", 1, "Select Printer", "ComboPrinter", 0},
            {"LabelEngine", 0, "Controller Model", "lblIPName", 2},
            {"LabelEngine", 2, "Engine Model", "lblEngineModel", kNone},
            {"LabelEngine", 3, "Engine Status", "lblEngineStatus", kNone},
            {"LabelEngine", 4, "Remaining Jobs", "lblEngineRemainJobs", kNone},
            {"LabelEngine", 5, "Remaining Time", "lblEngineRemainTimes", kNone},
            {"LabelEngine", 10, "Finisher Model", "lblEngineFinisherModel", kNone},
            {"LabelEngine", 11, "Large Tray Installed", "lblLargeTrayInstalled", kNone},
            {"Label5", kNone, "Trimmer Installed", "Label6", kNone, "Yes/No"},
            {"Label7", kNone, "Punch Installed", "Label8", kNone, "Yes/No"},
            {"Label9", kNone, "Sheet Feeder Installed", "Label10", kNone, "Yes/No"},
        },
        page, 2));
    auto* frames = new QHBoxLayout;
    QGroupBox* counts = b.Frame("EngineCount", 5, "Engine Count Information");
    counts->setLayout(b.Lines({{"LabelEngine", 6, "Developer Count :", "lblengineDeveloperCount", kNone},
                               {"LabelEngine", 7, "PM Count :", "lblEnginePMCount", kNone},
                               {"LabelEngine", 8, "Drum Count :", "lblEngineServiceCount", kNone},
                               {"LabelEngine", 9, "Printer Count :", "lblEnginePrinterCount", kNone},
                               {"LabelEngine", 12, "Total Count :", "lblEngineTotalCount", kNone}},
                              counts, 2, 1));
    QGroupBox* firmware = b.Frame("Firmware", 2, "Firmware Information");
    (new QVBoxLayout(firmware))->addWidget(lvwEngineFirmware = b.List("lvwEngineFirmware", firmware));
    QGroupBox* memory = b.Frame("Frame1", 4, "Memory Information");
    (new QVBoxLayout(memory))->addWidget(lvwEngineMemory = b.List("lvwEngineMemory", memory));
    frames->addWidget(counts);
    frames->addWidget(firmware, 1);
    frames->addWidget(memory, 1);
    v->addLayout(frames, 1);
  }
  // Tab 3: Alert/Error Status.
  {
    QWidget* page = pages[3];
    Builder b(*this, page);
    auto* v = new QVBoxLayout(page);
    v->addLayout(b.Lines({{"LabelAlert", 1, "Select Printer", "ComboPrinter", 0},
                          {"LabelAlert", 0, "Controller Model", "lblIPName", 3}},
                         page, 3));
    auto* row = new QHBoxLayout;
    QLabel* banner = b.Value("Label13", kNone, "Status", page);
    banner->setAlignment(Qt::AlignCenter);
    row->addWidget(banner, 1);
    v->addLayout(row);
    auto* body = new QHBoxLayout;
    Picture1 = new vbui::VbPictureBox(page);
    Picture1->setObjectName(QStringLiteral("Picture1"));
    Picture1->setFixedSize(Twips(3600), Twips(3000));
    QGroupBox* alerts = b.Frame("PrinterAlert", kNone, "Printer Alert/Error Information");
    (new QVBoxLayout(alerts))->addWidget(lvwEngineAlert = b.List("lvwEngineAlert", alerts));
    body->addWidget(Picture1, 0, Qt::AlignTop);
    body->addWidget(alerts, 1);
    v->addLayout(body, 1);
  }
  // Tab 4: Paper Input.
  {
    QWidget* page = pages[4];
    Builder b(*this, page);
    auto* v = new QVBoxLayout(page);
    v->addLayout(b.Lines(
        {
            {"LabelInput", 1, "Select Printer", "ComboPrinter", 0},
            {"LabelInput", 0, "Controller Model", "lblIPName", 4},
            {"LabelInput", 2, "Engine Name", "lblEngineNamePaperInput", 7},
            {"Label17", kNone, "LCT Installed", "LCTPaperInput", kNone, "Yes/No"},
            {"Label18", kNone, "SheetFeeder  Installed ", "SheetFeederPaperInput", kNone, "Yes/No"},
        },
        page, 4));
    auto* body = new QHBoxLayout;
    Picture2 = new vbui::VbPictureBox(page);
    Picture2->setObjectName(QStringLiteral("Picture2"));
    Picture2->setFixedSize(Twips(3600), Twips(3000));
    lvwInputTray = b.List("lvwInputTray", page);
    body->addWidget(Picture2, 0, Qt::AlignTop);
    body->addWidget(lvwInputTray, 1);
    v->addLayout(body, 1);
  }
  // Tab 5: Paper Output.
  {
    QWidget* page = pages[5];
    Builder b(*this, page);
    auto* v = new QVBoxLayout(page);
    v->addLayout(b.Lines({{"LabelOutput", 1, "Select Printer", "ComboPrinter", 0},
                          {"LabelOutput", 0, "Controller Model", "lblIPName", 5},
                          {"LabelOutput", 7, "Engine Name", "lblEngineNamePaperOutput", 8}},
                         page, 5));
    auto* body = new QHBoxLayout;
    Picture3 = new vbui::VbPictureBox(page);
    Picture3->setObjectName(QStringLiteral("Picture3"));
    Picture3->setFixedSize(Twips(3600), Twips(3000));
    auto* right = new QVBoxLayout;
    QGroupBox* bins = b.Frame("OutputInfo", 0, "Output Tray Information");
    (new QVBoxLayout(bins))->addWidget(lvwOutputTray = b.List("lvwOutputTray", bins));
    QGroupBox* finisher = b.Frame("FinisherInfo", 2, "Finisher Information");
    finisher->setLayout(b.Lines(
        {
            {"LabelOutput", 2, "Finisher Model", "lblFinisherModel", kNone},
            {"LabelOutput", 3, "Offset Option", "lblFinisherOffset", kNone},
            {"LabelOutput", 4, "Collate Option", "lblFinisherCollate", kNone},
            {"LabelOutput", 5, "Folding Option", nullptr, 0},
            {"LabelOutput", 6, "Staple Option", "lblFinisherStaple", kNone},
            {"LabelOutput", 8, "Punch Installed", "PunchPaperOutput", kNone, "Yes/No"},
            {"LabelOutput", 9, "Trimmer Installed", "TrimmerPaperOutput", kNone, "Yes/No"},
            {"DMFoldLabel", kNone, "DMFold", "DMFoldPaperOutput", kNone, "Yes/No"},
            {"ZFoldLabel", kNone, "ZFold", "ZFoldPaperOutput", kNone, "Yes/No"},
            {"Label19", kNone, "Centerfold", "CenterFoldPaperOutput", kNone, "Yes/No"},
        },
        finisher, 5));
    right->addWidget(bins, 1);
    right->addWidget(finisher);
    body->addWidget(Picture3, 0, Qt::AlignTop);
    body->addLayout(right, 1);
    v->addLayout(body, 1);
  }
  // Tab 6: Jobs.
  {
    QWidget* page = pages[6];
    Builder b(*this, page);
    auto* v = new QVBoxLayout(page);
    ComboShowJob = new vbui::VbComboBox(page);
    ComboShowJob->setObjectName(QStringLiteral("ComboShowJob"));
    ComboJobType = new vbui::VbComboBox(page);
    ComboJobType->setObjectName(QStringLiteral("ComboJobType"));
    QGridLayout* grid = b.Lines({{"LabelJobs", 1, "Select Printer", "ComboPrinter", 0},
                                 {"LabelJobs", 0, "Controller Model", "lblIPName", 6},
                                 {"LabelJobs", 2, "Show Jobs", nullptr, 0},
                                 {"LabelJobs", 3, "Type of Jobs", nullptr, 0}},
                                page, 6);
    grid->addWidget(ComboShowJob, 1, 1);
    grid->addWidget(ComboJobType, 1, 3);
    v->addLayout(grid);
    lvwJobs = b.List("lvwJobs", page);
    v->addWidget(lvwJobs, 1);
    auto* buttons = new QHBoxLayout;
    for (auto [button, name] : {std::pair{&cmdDelete, "Delete"}, std::pair{&cmdPause, "Pause"},
                                std::pair{&cmdResume, "Resume"}}) {
      *button = new QPushButton(QString::fromLatin1(name), page);
      (*button)->setObjectName(QStringLiteral("cmd") + QString::fromLatin1(name));
      buttons->addWidget(*button);
    }
    buttons->addStretch(1);
    v->addLayout(buttons);
  }

  Timer1 = new vbui::VbTimer(this, "Timer1", 60000);
  Timer2 = new vbui::VbTimer(this, "Timer2", 1500);
  Timer3 = new vbui::VbTimer(this, "Timer3", 5000);
  Timer4 = new vbui::VbTimer(this, "Timer4", 1250);
  Timer5 = new vbui::VbTimer(this, "Timer5", 13000);

  Set_BackColor("Label13", kNone, 0xE0E0E0);
  resize(Twips(12600), Twips(7800));
}

void frmTQZ::Build_Menus() {
  auto action = [this](QMenu* menu, QAction*& slot, const char* name, const char* caption,
                       QKeySequence shortcut = {}) {
    slot = menu->addAction(QString::fromLatin1(caption));
    slot->setObjectName(QString::fromLatin1(name));
    if (!shortcut.isEmpty()) slot->setShortcut(shortcut);
  };
  auto menu = [this](QMenu*& slot, const char* name, const char* caption) {
    slot = new QMenu(QString::fromLatin1(caption), this);
    slot->setObjectName(QString::fromLatin1(name));
  };
  menu(Command, "Command", "&Command");
  action(Command, Refresh_Discovery, "Refresh_Discovery", "Refresh &Discovey",
         QKeySequence(Qt::CTRL | Qt::Key_F5));
  action(Command, Refresh_View, "Refresh_View", "Refresh &View", QKeySequence(Qt::Key_F5));
  action(Command, Web, "Web", "Open &Web Utility");
  action(Command, Options, "Options", "&Options");
  action(Command, Exit_System, "Exit_System", "E&xit");
  menu(View, "View", "&View");
  action(View, IconView, "IconView", "&Icon View");
  action(View, SmallIcon, "SmallIcon", "&Small Icon View");
  action(View, RreportView, "RreportView", "&Report View");
  action(View, ListView, "ListView", "&List View");
  RreportView->setVisible(false);
  ListView->setVisible(false);
  menu(Help, "Help", "&Help");
  action(Help, Content, "Content", "Help &Content", QKeySequence(Qt::Key_F1));
  action(Help, About, "About", "&About Velmar Printer Monitor");
  action(Help, Context_Help, "Context_Help", "&What's This");
  // The icon's menu: not on the menu bar, shown only as the icon's pop-up.
  menu(mPopupSys, "mPopupSys", "&SysTray");
  action(mPopupSys, mPopRestore, "mPopRestore", "&Restore");
  action(mPopupSys, mPopExit, "mPopExit", "E&xit");
  menuBar()->addMenu(Command);
  menuBar()->addMenu(View);
  menuBar()->addMenu(Help);
}

void frmTQZ::Add_Column(QTreeWidget* list, const std::string& text, int twips) {
  const int column = list->columnCount();
  list->setColumnCount(column + 1);
  QTreeWidgetItem* header = list->headerItem();
  header->setText(column, QString::fromStdString(text));
  list->setColumnWidth(column, Twips(twips));
}

}  // namespace vlm::monitor
