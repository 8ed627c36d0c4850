// The status tabs on the real main window: the lists, labels and machine
// pictures of a tandem printer's tabs, the list events through the window's
// own signals, and a picture of each status tab for people to look at.
#include <dlfcn.h>

#include <QDir>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QTreeWidget>
#include <QtTest/QTest>
#include <filesystem>

#include "monitor/devicedata/devicedata_fakes.h"
#include "monitor/tabs/frmTQZ_pictures_test_support.h"
#include "monitor/forms/frmTQZ_tabs_window.h"
#include "monitor/forms/tests/forms_test_support.h"
#include "monitor/mainwin/mainwin.h"

// The system's font configuration library keeps a few blocks it never
// frees once the window draws text; they are not this program's.
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig.so\n"; }

namespace vlm::monitor {
namespace {

// A scratch registry where the engine library of type 11 has registered
// itself and is mapped as the installation maps it.
const auto* const kRegistry = ::testing::AddGlobalTestEnvironment(
    new test_support::Scratch_Registry(VLM_RX11_PATH, "11", "TQZResource.TQZRX11"));

std::vector<std::string> Row_Texts(QTreeWidget* list, int row) {
  std::vector<std::string> out;
  QTreeWidgetItem* item = list->topLevelItem(row);
  for (int c = 0; item != nullptr && c < list->columnCount(); ++c) out.push_back(item->text(c).toStdString());
  out.resize(static_cast<std::size_t>(list->columnCount()));
  return out;
}

class StatusTabsWindowTest : public test_support::Forms_Test {
 protected:
  void SetUp() override {
    Forms_Test::SetUp();
    form_ = std::make_unique<frmTQZ>(std::make_unique<vbui::FakeTrayIcon>());
    form_->Create_Job_Columns();
    // The headers Form_Initialize gives the lists.
    const std::pair<QTreeWidget*, std::vector<const char*>> headers[] = {
        {form_->lvwInputTray,
         {"Tray Index", "Paper Size", "Media Type", "Paper Status", "Feed Direction", "Tray Type"}},
        {form_->lvwOutputTray, {"Tray Name", "Tray Type"}},
        {form_->lvwEngineFirmware, {"Type", "Name", "Version"}},
        {form_->lvwEngineMemory, {"Memory Type", "Installed", "Available"}},
        {form_->lvwEngineAlert, {"Alert #", "Severity", "Description", "Code", "Person to Contact", "Time"}}};
    for (const auto& [list, texts] : headers)
      for (const char* text : texts) frmTQZ::Add_Column(list, text, 1200);
    // A printer whose reads fail, so the tabs show the cells set below.
    item_ = MakeComObject<test_support::Fake_Vector_Item>();
    item_->Set_All_Error_Code(-9);
    Connect_Status_Tabs(*form_, [this](VbInteger) { return static_cast<IVectorItem*>(item_.Get()); },
                        [] { return 1; });
    form_->lvwIPs->addItem(QStringLiteral("Velmar 7000"));
    Selected_List_Kind = 0;
    Selected_Device = 1;
    Selected_Row = 1;
    Fill_Tables();
  }
  void TearDown() override {
    form_.reset();
    Selected_Tray = Selected_Bin = 0;
    Last_Clicked_Row = 0;
    Column_Click_Pending.clear();
    Installed_Option_Records.Clear();
    Forms_Test::TearDown();
  }

  static void Fill_Tables() {
    Device_List_Fields(0, 1, 3) = std::string("Room 12");
    Device_List_Fields(0, 1, 4) = std::string("Idle");
    Device_List_Fields(0, 1, 5) = std::string("Queue-7000");
    Device_List_Fields(0, 1, 6) = VbLong{1};
    Controller_Fields(0, 1, 1) = std::string("127.0.0.7");
    Controller_Fields(0, 1, 2) = std::string("TCP/IP");
    Disk_Table(0, 1).Disks(0) = {VbLong{1}, VbLong{4000}, VbLong{-1}};
    Controller_Fields(0, 1, 13) = std::string("2.10");
    for (int e = 0; e < 2; ++e) {
      Engine_Fields(0, 1, e, 0) = VbLong{11};
      Engine_Fields(0, 1, e, 1) = std::string(e == 0 ? "Ready" : "Printing");
      Engine_Fields(0, 1, e, 10) = std::string(e == 0 ? "Engine-A" : "Engine-B");
      Engine_Fields(0, 1, e, 12) = VbLong{5000 + e};
      Finisher_Fields(0, 1, e, 0) = std::string("QN-748");
      Engine_Options(e) = 0x2 | 0x800 | 0x40000000 | 0x1000000;
      Input_Tray_Record& trays = Input_Tray_Table(0, 1, e);
      trays.Tray_Count = 4;
      for (VbInteger t = 1; t <= 4; ++t) {
        trays.Trays(t).Paper_Size = VbLong{4};
        trays.Trays(t).Tray_Type = VbLong{3};
        trays.Trays(t).Wide_Size = VbLong{t == 2 ? 1 : 0};
      }
      Output_Tray_Record& bins = Output_Tray_Table(0, 1, e);
      bins.Bin_Count = 3;
      bins.Bins(1).Bin_Type_Text = std::string("Face Down");
      bins.Bins(3).Bin_Type_Text = std::string("Sorter");
      Alert_Record& alerts = Alert_Table(0, 1, e);
      alerts.Count = VbLong{2};
      alerts.Alerts(1) = {VbLong{40}, std::string("Warning"), std::string("Operator"), std::string("12:00"),
                          std::string("Paper jam")};
      alerts.Alerts(2) = {VbLong{12}, std::string("Critical"), std::string("Service"), std::string("12:05"),
                          std::string("Toner empty")};
      Firmware_Record& firmware = Firmware_Table(0, 1, e);
      firmware.Firmware_Count = 1;
      firmware.Firmware(1) = {std::string("Boot"), std::string("BOOT"), std::string("3.2")};
      Memory_Record& memory = Memory_Table(0, 1, e);
      memory.Memory_Count = VbLong{1};
      memory.Memory(1) = {std::string("DRAM"), VbLong{64}, VbLong{32}};
    }
    Job_Table(0, 1).Job_Count = 1;
    Job_Table(0, 1).Jobs(1).Values(0) = std::string("alice");
    Job_Table(0, 1).Jobs(1).Values(1) = std::string("report.pdf");
  }

  void Save_Tab(int tab, const char* name) {
    form_->SSTab1->setCurrentIndex(tab);
    form_->resize(900, 620);
    form_->show();
    QApplication::processEvents();
    QDir().mkpath(QStringLiteral(VLM_SCREENSHOT_DIR));
    EXPECT_TRUE(form_->grab().save(QStringLiteral(VLM_SCREENSHOT_DIR "/") + QString::fromLatin1(name)));
  }

  std::unique_ptr<frmTQZ> form_;
  ComPtr<test_support::Fake_Vector_Item> item_;
};

TEST_F(StatusTabsWindowTest, EveryStatusTabOfATandemPrinterIsFilled) {
  IVectorItem* item = item_.Get();
  Discovered_Printers(0, 0) = 0;
  UpdateQuickView(item);
  EXPECT_EQ(form_->Label("lblIPEngine2Name")->text().toStdString(), "Engine-B");
  EXPECT_EQ(form_->Label("lblIPSpoolName")->text().toStdString(), "Queue-7000");
  Save_Tab(0, "frmTQZ_tabs_QuickView.png");
  UpdateIPController(item);
  EXPECT_EQ(form_->Label("lblIPHardDiskSpace")->text().toStdString(), "0");
  Save_Tab(1, "frmTQZ_tabs_IPController.png");
  Selected_Engine = 1;
  UpdatePrinter(item);
  EXPECT_EQ(form_->Label("lblEngineModel")->text().toStdString(), "Engine-B");
  EXPECT_EQ(Row_Texts(form_->lvwEngineFirmware, 0), (std::vector<std::string>{"Boot", "BOOT", "3.2"}));
  Save_Tab(2, "frmTQZ_tabs_Printer.png");
  UpdateAlertError(item);
  ASSERT_EQ(form_->lvwEngineAlert->topLevelItemCount(), 2);
  EXPECT_EQ(Row_Texts(form_->lvwEngineAlert, 1)[2], "Toner empty");
  EXPECT_FALSE(form_->Picture1->isHidden());
  Save_Tab(3, "frmTQZ_tabs_Status.png");
  UpdatePaperInput(item);
  ASSERT_EQ(form_->lvwInputTray->topLevelItemCount(), 4);
  EXPECT_EQ(Row_Texts(form_->lvwInputTray, 3)[0], "Tray 3");
  // A click on the third tray marks it in the picture.
  const QImage before = form_->Picture2->Image().copy();
  Draw_Input_Picture(item);
  const QImage unmarked = form_->Picture2->Image().copy();
  emit form_->lvwInputTray->itemClicked(form_->lvwInputTray->topLevelItem(2), 0);
  EXPECT_EQ(Selected_Tray, 3);
  EXPECT_EQ(Last_Clicked_Row, 3);
  EXPECT_NE(form_->Picture2->Image(), unmarked);
  EXPECT_NE(unmarked, before);
  Save_Tab(4, "frmTQZ_tabs_PaperInput.png");
  UpdatePaperOutput(item);
  Fill_Output_Trays(item);
  ASSERT_EQ(form_->lvwOutputTray->topLevelItemCount(), 2);
  EXPECT_EQ(Row_Texts(form_->lvwOutputTray, 1), (std::vector<std::string>{"Output Tray 3", "Sorter"}));
  Draw_Output_Picture(item);
  Save_Tab(5, "frmTQZ_tabs_PaperOutput.png");
  UpdateJobs(item);
  EXPECT_EQ(Row_Texts(form_->lvwJobs, 0)[1], "report.pdf");
  EXPECT_EQ(Last_Error_Number, 0) << Last_Error_Description;
}

TEST_F(StatusTabsWindowTest, HeaderClicksAndTheFocusHandBackOnTheWindow) {
  ASSERT_GE(form_->lvwEngineAlert->columnCount(), 2);
  emit form_->lvwEngineAlert->header()->sectionClicked(1);
  EXPECT_EQ(form_->lvwEngineAlert->property("HelpContextID").toInt(), 1155);
  EXPECT_EQ(Column_Click_Pending, "On");
  lvwEngineAlert_GotFocus();
  EXPECT_EQ(form_->lvwIPs->currentRow(), 0);
  EXPECT_EQ(Column_Click_Pending, "");
  emit form_->lvwOutputTray->header()->sectionClicked(1);
  EXPECT_EQ(form_->lvwOutputTray->property("HelpContextID").toInt(), 3001);
  EXPECT_TRUE(form_->Timer5->Enabled());
}

}  // namespace
}  // namespace vlm::monitor
