// frmTQZ's controls behind the tab procedures' port, and their events.
#include "monitor/forms/frmTQZ_tabs_window.h"

#include <QEvent>
#include <QHeaderView>
#include <QListWidget>
#include <QPushButton>
#include <QTreeWidget>

#include "platform/com/com.h"

namespace vlm::monitor {
namespace {

[[noreturn]] void Index_Out_Of_Bounds() { throw VbError(35600, "Index out of bounds"); }

class Status_Tabs final : public QObject, public Tabs_Port {
 public:
  Status_Tabs(frmTQZ& window, std::function<IVectorItem*(VbInteger)> objects,
              std::function<int()> selected_item_index)
      : QObject(&window),
        window_(window),
        objects_(std::move(objects)),
        selected_item_index_(std::move(selected_item_index)) {
    Tabs_Window = this;
    Connect();
  }
  ~Status_Tabs() override {
    if (Tabs_Window == this) Tabs_Window = nullptr;
  }

  int List_Count(Tab_List list) override { return Tree(list)->topLevelItemCount(); }
  void List_Clear(Tab_List list) override { Tree(list)->clear(); }
  void List_Add(Tab_List list, int row, const std::string& text) override {
    QTreeWidget* tree = Tree(list);
    if (row < 1 || row > tree->topLevelItemCount() + 1) Index_Out_Of_Bounds();
    auto* item = new QTreeWidgetItem;
    item->setText(0, QString::fromStdString(text));
    item->setData(0, Qt::UserRole + 1, 0);  // sub-items added
    tree->insertTopLevelItem(row - 1, item);
  }
  void List_Add_SubItem(Tab_List list, int row, const std::string& key, const std::string& text) override {
    QTreeWidgetItem* item = Row(list, row);
    const int column = item->data(0, Qt::UserRole + 1).toInt() + 1;
    item->setData(0, Qt::UserRole + 1, column);
    item->setText(column, QString::fromStdString(text));
    item->setData(column, Qt::UserRole, QString::fromStdString(key));
  }
  void List_Set_Help_Topic(Tab_List list, VbLong topic) override {
    Tree(list)->setProperty("HelpContextID", topic);
  }
  void List_Reselect(Tab_List list, int row) override {
    QTreeWidget* tree = Tree(list);
    QTreeWidgetItem* item = Row(list, row);
    tree->setCurrentItem(item);
    item->setSelected(true);
    tree->viewport()->update();
  }
  void Printer_List_Set_Focus() override { window_.lvwIPs->setFocus(); }
  int Printer_List_Count() override { return window_.lvwIPs->count(); }
  void Printer_List_Select(int row) override {
    if (row < 1 || row > window_.lvwIPs->count()) Index_Out_Of_Bounds();
    window_.lvwIPs->setCurrentRow(row - 1);
  }
  int Selected_Item_Index() override { return selected_item_index_ ? selected_item_index_() : 0; }
  void Timer5_Enable() override { window_.Timer5->SetEnabled(true); }
  IVectorItem* List_Object(VbInteger list_kind) override { return objects_ ? objects_(list_kind) : nullptr; }
  void Set_Font_CharSet(std::string_view control, VbInteger charset) override {
    window_.Control(control)->setProperty("charSet", charset);
  }
  // The boxes keep their image whatever is shown over them.
  void Picture_Set_AutoRedraw(Picture_Box) override {}
  void Picture_Set_Visible(Picture_Box box, bool visible) override { Box(box)->setVisible(visible); }
  void Picture_Cls(Picture_Box box) override { Box(box)->Cls(); }
  QImage* Picture_Image(Picture_Box box) override { return &Box(box)->Image(); }
  void Picture_Refresh(Picture_Box box) override { Box(box)->update(); }

 protected:
  // Compares addresses only: the filter also sees the events of the
  // window's destruction, when the form is no longer a frmTQZ.
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (watched == alert_viewport_ && event->type() == QEvent::MouseButtonPress) {
      lvwEngineAlert_MouseDown();
    } else if (event->type() == QEvent::FocusIn) {
      if (watched == alert_) lvwEngineAlert_GotFocus();
      if (watched == firmware_) lvwEngineFirmware_GotFocus();
      if (watched == memory_) lvwEngineMemory_GotFocus();
    }
    return false;
  }

 private:
  QTreeWidget* Tree(Tab_List list) const {
    switch (list) {
      case Tab_List::lvwInputTray: return window_.lvwInputTray;
      case Tab_List::lvwOutputTray: return window_.lvwOutputTray;
      case Tab_List::lvwEngineFirmware: return window_.lvwEngineFirmware;
      case Tab_List::lvwEngineMemory: return window_.lvwEngineMemory;
      case Tab_List::lvwEngineAlert: return window_.lvwEngineAlert;
      case Tab_List::lvwJobs: break;
    }
    return window_.lvwJobs;
  }
  QTreeWidgetItem* Row(Tab_List list, int row) const {
    QTreeWidget* tree = Tree(list);
    if (row < 1 || row > tree->topLevelItemCount()) Index_Out_Of_Bounds();
    return tree->topLevelItem(row - 1);
  }
  vbui::VbPictureBox* Box(Picture_Box box) const {
    switch (box) {
      case Picture_Box::Picture1: return window_.Picture1;
      case Picture_Box::Picture2: return window_.Picture2;
      case Picture_Box::Picture3: break;
    }
    return window_.Picture3;
  }
  // The header's text of a clicked column.
  static std::string Header(QTreeWidget* tree, int column) {
    return tree->headerItem()->text(column).toStdString();
  }

  void Connect() {
    QTreeWidget* alert = window_.lvwEngineAlert;
    QTreeWidget* firmware = window_.lvwEngineFirmware;
    QTreeWidget* memory = window_.lvwEngineMemory;
    QTreeWidget* input = window_.lvwInputTray;
    QTreeWidget* output = window_.lvwOutputTray;
    connect(alert->header(), &QHeaderView::sectionClicked, this,
            [alert](int c) { lvwEngineAlert_ColumnClick(Header(alert, c)); });
    connect(firmware->header(), &QHeaderView::sectionClicked, this, [](int) { lvwEngineFirmware_ColumnClick(); });
    connect(memory->header(), &QHeaderView::sectionClicked, this, [](int) { lvwEngineMemory_ColumnClick(); });
    connect(input->header(), &QHeaderView::sectionClicked, this,
            [input](int c) { lvwInputTray_ColumnClick(Header(input, c)); });
    connect(output->header(), &QHeaderView::sectionClicked, this,
            [output](int c) { lvwOutputTray_ColumnClick(Header(output, c)); });
    connect(alert, &QTreeWidget::itemClicked, this, [] { lvwEngineAlert_Click(); });
    connect(firmware, &QTreeWidget::itemClicked, this, [] { lvwEngineFirmware_Click(); });
    connect(memory, &QTreeWidget::itemClicked, this, [] { lvwEngineMemory_Click(); });
    connect(input, &QTreeWidget::itemClicked, this,
            [input](QTreeWidgetItem* item) { lvwInputTray_ItemClick(input->indexOfTopLevelItem(item) + 1); });
    connect(output, &QTreeWidget::itemClicked, this,
            [output](QTreeWidgetItem* item) { lvwOutputTray_ItemClick(output->indexOfTopLevelItem(item) + 1); });
    alert_ = alert;
    firmware_ = firmware;
    memory_ = memory;
    alert_viewport_ = alert->viewport();
    for (QTreeWidget* tree : {alert, firmware, memory}) tree->installEventFilter(this);
    alert->viewport()->installEventFilter(this);
    connect(window_.cmdDelete, &QPushButton::clicked, this, [] { cmdDelete_Click(); });
    connect(window_.cmdPause, &QPushButton::clicked, this, [] { cmdPause_Click(); });
    connect(window_.cmdResume, &QPushButton::clicked, this, [] { cmdResume_Click(); });
  }

  frmTQZ& window_;
  const QObject* alert_ = nullptr;
  const QObject* firmware_ = nullptr;
  const QObject* memory_ = nullptr;
  const QObject* alert_viewport_ = nullptr;
  std::function<IVectorItem*(VbInteger)> objects_;
  std::function<int()> selected_item_index_;
};

}  // namespace

QObject* Connect_Status_Tabs(frmTQZ& window, std::function<IVectorItem*(VbInteger)> objects,
                             std::function<int()> selected_item_index) {
  return new Status_Tabs(window, std::move(objects), std::move(selected_item_index));
}

}  // namespace vlm::monitor
