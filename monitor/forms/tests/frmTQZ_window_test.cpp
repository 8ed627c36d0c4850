// frmTQZ's controls: every control by name, the column headers, and a
// picture of each tab.
#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QListWidget>
#include <QTreeWidget>

#include "monitor/forms/frmTQZ.h"
#include "monitor/forms/tests/forms_test_support.h"

namespace vlm::monitor {
namespace {

class frmTQZ_Window_Test : public test_support::Forms_Test {};

TEST_F(frmTQZ_Window_Test, EveryNamedControlExists) {
  frmTQZ form(std::make_unique<vbui::FakeTrayIcon>());
  const char* const kSingle[] = {
      "SSTab1", "lvwIPs", "Picture1", "Picture2", "Picture3", "Label15", "lvwInputTray",
      "lvwOutputTray", "lvwEngineFirmware", "lvwEngineMemory", "lvwEngineAlert", "lvwJobs",
      "ComboShowJob", "ComboJobType", "cmdDelete", "cmdPause", "cmdResume", "lblIPModel",
      "lblIPLocation", "Label4", "Label12", "lblIPType", "lblIPMIBVersion", "lblEngineModel",
      "lblEnginePMCount", "lblEnginePrinterCount", "lblengineDeveloperCount",
      "lblEngineServiceCount", "lblEngineTotalCount", "lblEngineRemainJobs",
      "lblEngineRemainTimes", "lblEngineStatus", "lblEngineFinisherModel", "lblIPStatus",
      "lblIPEngine1Name", "lblIPFinisher1Name", "lblIPEngine2Status", "lblIPEngine2Name",
      "lblIPFinisher2Name", "lblIPInstalled", "lblIPSpoolName", "lblIPPDL", "lblIPLanguages",
      "Label13", "Label14", "LCTPaperInput", "SheetFeederPaperInput", "TrimmerPaperOutput",
      "PunchPaperOutput", "CenterFoldPaperOutput", "ZFoldPaperOutput", "DMFoldPaperOutput",
      "Label6", "Label8", "Label10", "Label1", "Label5", "Label7", "Label9", "Label11", "Label17",
      "Label18", "Label19", "ZFoldLabel", "DMFoldLabel", "lblIPVersion", "lblIPNetworkAddress",
      "lblIPConnectionType", "lblIPCopierTimeout", "lblIPBannerOption", "lblIPSpoolMode",
      "lblIPHDInstalled", "lblIPHardDiskSize", "lblIPHardDiskSpace", "lblIPMemInstalled",
      "lblIPMemAvail", "lblLargeTrayInstalled", "lblFinisherModel", "lblFinisherOffset",
      "lblFinisherCollate", "lblFinisherStaple", "PrinterAlert"};
  for (const char* name : kSingle) {
    EXPECT_NE(form.findChild<QWidget*>(name), nullptr) << name;
  }
  const std::pair<const char*, std::vector<int>> kArrays[] = {
      {"lblIPName", {0, 1, 2, 3, 4, 5, 6}},
      {"ComboPrinter", {0, 1, 2, 3, 4, 5, 6}},
      {"LabelQView", {0, 1, 2, 3, 4, 5, 6, 7, 10}},
      {"Engine2NameLabel", {8}},
      {"Engine2StatusLabel", {9}},
      {"Finisher2Label", {11}},
      {"LabelIP", {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10}},
      {"LabelEngine", {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}},
      {"LabelAlert", {0, 1, 2, 3}},
      {"LabelInput", {0, 1, 2}},
      {"LabelOutput", {0, 1, 2, 3, 4, 5, 6, 7, 8, 9}},
      {"LabelJobs", {0, 1, 2, 3}},
      {"Label2", {1, 2, 3}},
      {"Label3", {1, 2}},
      {"IPNetworkAddress", {1}},
      {"lblEngineNamePaperInput", {7}},
      {"lblEngineNamePaperOutput", {8}},
      {"HardDisk", {1}},
      {"Memory", {0}},
      {"EngineCount", {5}},
      {"Firmware", {2}},
      {"Frame1", {4}},
      {"OutputInfo", {0}},
      {"FinisherInfo", {2}},
  };
  for (const auto& [name, indexes] : kArrays) {
    for (int i : indexes) {
      EXPECT_NE(form.findChild<QWidget*>(vbui::ControlName(name, i)), nullptr) << name << i;
    }
  }
  for (const char* t : {"Timer1", "Timer2", "Timer3", "Timer4", "Timer5"}) {
    auto* timer = form.findChild<vbui::VbTimer*>(t);
    ASSERT_NE(timer, nullptr) << t;
    EXPECT_FALSE(timer->Enabled()) << t;
  }
  EXPECT_EQ(form.Timer1->Interval(), 60000);
  EXPECT_EQ(form.SSTab1->Tabs(), 7);
  for (const char* m : {"Command", "View", "Help", "mPopupSys"}) {
    EXPECT_NE(form.findChild<QMenu*>(m), nullptr) << m;
  }
  for (const char* a : {"Refresh_Discovery", "Refresh_View", "Web", "Options", "Exit_System",
                        "IconView", "SmallIcon", "RreportView", "ListView", "Content", "About",
                        "Context_Help", "mPopRestore", "mPopExit"}) {
    EXPECT_NE(form.findChild<QAction*>(a), nullptr) << a;
  }
  // The port by name: arrays raise 340, other names 424.
  form.Set_Caption("lblIPName", 3, "Model X");
  EXPECT_EQ(form.Caption("lblIPName", 3), "Model X");
  EXPECT_THROW(form.Caption("lblIPName", 9), VbError);
  try {
    form.Set_Visible("NoSuchLabel", Main_Window_Port::kNoIndex, false);
  } catch (const VbError& e) {
    EXPECT_EQ(e.Number(), 424);
  }
  form.Set_BackColor("Label13", Main_Window_Port::kNoIndex, 0x0000FF);
  EXPECT_EQ(form.Label("Label13")->palette().color(QPalette::Window), QColor(255, 0, 0));
}

TEST_F(frmTQZ_Window_Test, DesignValuesAndTextsShownAsWritten) {
  frmTQZ form(std::make_unique<vbui::FakeTrayIcon>());
  // The resolution until a read writes it, and the status banner's colour.
  EXPECT_EQ(form.Caption("Label14", Main_Window_Port::kNoIndex), "400/600");
  QLabel* banner = form.Label("Label13");
  EXPECT_EQ(banner->text(), "Status");
  EXPECT_EQ(banner->property("backColor").toLongLong(), 0xE0E0E0);
  EXPECT_EQ(banner->palette().color(QPalette::Window), QColor(0xE0, 0xE0, 0xE0));
  EXPECT_TRUE(banner->autoFillBackground());

  // Every label, a device's texts and the status line alike, shows a text
  // that looks like markup as written.
  const std::string texts[] = {"<i>Room</i> 7 &amp; up", "   <b>", "a<br>b\tc"};
  const QList<QLabel*> labels = form.findChildren<QLabel*>();
  EXPECT_GT(labels.size(), 100);
  for (QLabel* label : labels) {
    for (const std::string& text : texts) {
      label->setText(QString::fromStdString(text));  // as the window port sets a caption
      EXPECT_EQ(vbui::ShownText(*label).toStdString(), text) << label->objectName().toStdString();
    }
  }
}

}  // namespace
}  // namespace vlm::monitor
