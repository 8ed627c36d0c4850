// The monitor end to end on the real libraries, offscreen: a scratch
// registry with the libraries registered by their own registration, a
// private CUPS scheduler whose two queues are two of the snmpd printers (the
// installed printers), a third snmpd printer and a silent address inside the
// loopback range SeekIP scans. The main window is built as the program
// builds it; the test checks the printer list, QuickView, every tab, and a
// printer that stops answering.
#include <gtest/gtest.h>

#include <signal.h>

#include <QLabel>
#include <QListWidget>
#include <QTest>
#include <QTreeWidget>

#include <memory>
#include <string>
#include <vector>

#include "mgmt/tests/stack_support.h"
#include "monitor/forms/frmTQZ.h"
#include "monitor/forms/frmTQZ_main.h"
#include "monitor/forms/frmTQZ_tabs_window.h"
#include "monitor/forms/tests/forms_test_support.h"
#include "tests/support/cupsd_harness.h"
#include "tests/support/loopback.h"
#include "tests/support/printer_fixtures.h"
#include "tests/support/snmpd_agent.h"
#include "tests/support/temp_folder.h"

#if defined(__SANITIZE_THREAD__)
// Qt's pool threads (image work inside the uninstrumented Qt libraries)
// allocate and free through the sanitizer without their locks being seen:
// those allocations are not tracked. Races in this program's code are still
// reported.
extern "C" const char* __tsan_default_suppressions() {
  return "called_from_lib:libQt6Core.so.6\ncalled_from_lib:libQt6Gui.so.6\n";
}
#endif

namespace vlm::monitor {
namespace {

using vlm::testing::DemoPrinter;
using vlm::testing::SnmpdAgent;

constexpr const char* kPrefs = "Software\\VLM\\Discovery\\Preferences";
constexpr const char* kRanges = "Software\\VLM\\Discovery\\DP\\IP\\Discovery Params\\Ranges";
constexpr const char* kServers = "Software\\VLM\\Discovery\\DP\\IPX\\Discovery Params\\Servers";
constexpr const char* kIpStartup = "SOFTWARE\\VLM\\Discovery\\DP\\IP\\Startup";
constexpr const char* kNotResponding = "The Selected Printer is not Responding (Error Code -11)";

void Write_Text(const char* path, const char* name, const std::string& text) {
  mgmt::testing::SetValue(path, name, REG_SZ, text.c_str(), static_cast<DWORD>(text.size() + 1));
}

// Every text a tab shows: its labels and the cells of its lists.
std::vector<std::string> Texts_Of(QWidget* page) {
  std::vector<std::string> texts;
  for (const QLabel* label : page->findChildren<QLabel*>())
    if (!label->text().simplified().isEmpty()) texts.push_back(label->text().simplified().toStdString());
  for (const QTreeWidget* tree : page->findChildren<QTreeWidget*>())
    for (int r = 0; r < tree->topLevelItemCount(); ++r)
      for (int c = 0; c < tree->columnCount(); ++c)
        if (!tree->topLevelItem(r)->text(c).isEmpty())
          texts.push_back(tree->topLevelItem(r)->text(c).toStdString());
  return texts;
}

std::string Joined(const std::vector<std::string>& texts) {
  std::string all;
  for (const std::string& t : texts) all += t + " | ";
  return all;
}

bool Shows(const std::vector<std::string>& texts, const std::string& text) {
  for (const std::string& t : texts)
    if (t.find(text) != std::string::npos) return true;
  return false;
}

class Monitor_E2E_Test : public test_support::Forms_Test {
 protected:
  void SetUp() override {
    Forms_Test::SetUp();
    ::setenv("VLM_REGISTRY_ROOT", registry_.path().c_str(), 1);
    ::setenv("VLM_SNMP_LOOPBACK_ONLY", "1", 1);
    ::setenv("VLM_SNMP_TRAP_PORT", std::to_string(mgmt::testing::FreeUdpPort()).c_str(), 1);
    registry::ResetForTests();
    vlm::testing::AgentPort();
  }
  void TearDown() override {
    for (const auto& agent : agents_)
      if (agent) ::kill(agent->pid(), SIGCONT);
    agents_.clear();
    cupsd_.reset();
    Forms_Test::TearDown();
    registry::ResetForTests();
    ::unsetenv("VLM_REGISTRY_ROOT");
    ::unsetenv("CUPS_SERVER");
  }

  vlm::testing::TempFolder registry_{"vlm-monitor-e2e"};
  std::vector<std::unique_ptr<SnmpdAgent>> agents_;
  std::unique_ptr<vlm::testing::CupsdHarness> cupsd_;
};

TEST_F(Monitor_E2E_Test, ListsPollsShowsEveryTabAndAPrinterThatStopsAnswering) {
  // The tandem, the office printer with alerts, a silent address, the lobby
  // printer: one range over all four.
  const std::vector<std::string> hosts = vlm::testing::AllocateLoopbackRange(4);
  const std::vector<DemoPrinter> printers = vlm::testing::DemoPrinters();
  const std::string host_of[] = {hosts[0], hosts[1], hosts[3]};
  for (int i = 0; i < 3; ++i) agents_.push_back(std::make_unique<SnmpdAgent>(host_of[i], printers[i].objects));
  cupsd_ = std::make_unique<vlm::testing::CupsdHarness>();
  for (int i = 0; i < 2; ++i)
    cupsd_->AddQueue(printers[i].queue, "socket://" + host_of[i] + ":9100", printers[i].name);
  cupsd_->UseForThisProcess();

  for (const char* library : {VLM_NETMGR_SO, VLM_XLPNMIF_SO, VLM_SEEKIP_SO, VLM_VLMDM_SO, VLM_RX11_SO,
                              VLM_RX12_SO, VLM_RX13_SO, VLM_RX16_SO})
    ASSERT_EQ(mgmt::testing::RunCommand(std::string(VLM_REGSVR) + " -s " + library), 0) << library;
  ASSERT_EQ(mgmt::testing::RunCommand(std::string(VLM_REGSET) + " -f " + VLM_MAPPING_REG), 0);
  for (const auto& [name, value] : std::vector<std::pair<const char*, const char*>>{
           {"IP_Enabled", "Yes"}, {"IPX_Enabled", "No"}, {"UnInstalled_Enabled", "Yes"},
           {"Polling_Interval", "10"}, {"Polling_Enabled", "Yes"}, {"Check_Discovery", "Completed"}})
    Write_Text(kPrefs, name, value);
  Write_Text(kRanges, "0", hosts[0] + ":" + hosts[3]);
  Write_Text(kServers, "", "");
  // Short time-outs: the silent address and the stopped agent cost little.
  const DWORD timeout = 100, retries = 1;
  mgmt::testing::SetValue(kIpStartup, "Timeout", REG_DWORD, &timeout, 4);
  mgmt::testing::SetValue(kIpStartup, "Retries", REG_DWORD, &retries, 4);
  registry::ResetForTests();
  ASSERT_EQ(CoInitialize(nullptr), S_OK);

  {
    // The program's window, as the program builds it.
    auto form = std::make_unique<frmTQZ>(std::make_unique<vbui::FakeTrayIcon>());
    frmTQZ_Main main_window(*form);
    Tqz_Main& procedures = main_window.Procedures();
    std::unique_ptr<QObject> status_tabs(Connect_Status_Tabs(
        *form,
        [&procedures](VbInteger kind) -> IVectorItem* {
          return kind == 0 ? procedures.Installed_Vector_Item.Get() : procedures.Other_Vector_Item.Get();
        },
        [&procedures] { return procedures.Selected_Item_Index; }));
    form->Form_Initialize();
    form->Form_Load();
    form->Show_Window();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    ASSERT_TRUE(QTest::qWaitFor([&] { return form->lvwIPs->count() == 3; }, 20000))
        << form->lvwIPs->count();

    // The installed printers first (the scheduler's order), then the other
    // printer; the silent address is not listed. Each icon is its state's.
    auto names = [&] {
      std::vector<std::string> out;
      for (int r = 0; r < form->lvwIPs->count(); ++r) out.push_back(form->lvwIPs->item(r)->text().toStdString());
      return out;
    };
    auto icon = [&](int row) { return form->lvwIPs->item(row)->data(Qt::UserRole).toInt(); };
    EXPECT_EQ(names(), (std::vector<std::string>{"Office TQ-4100", "Tandem TQ-9200", "Lobby TQ-2100"}));
    procedures.Timer1_Timer();
    // A tandem pair shows the state of its second engine (ready; the first
    // one prints).
    const int ready = Status_Icon_Of(3), silent = Status_Icon_Of(0);
    EXPECT_EQ(icon(0), ready);
    EXPECT_EQ(icon(1), ready);
    EXPECT_EQ(icon(2), ready);

    // A click on a printer of the list, as the user makes it: the press
    // selects the row, then the list raises its ItemClick.
    auto click = [&](int row) {
      form->lvwIPs->setCurrentRow(row - 1);
      procedures.lvwIPs_ItemClick(row);
    };
    // The office printer selected: QuickView shows its identity, and every
    // tab its values.
    click(1);
    struct Tab_Values {
      int tab;
      const char* file;
      std::vector<std::string> shown;
    };
    const std::string& office = host_of[1];
    const Tab_Values tabs[] = {
        {0, "quickview", {"Office TQ-4100", "Second floor", "Printer/Scanner/Fax", "PCL, PS", "Office engine",
                          "Stapler"}},
        {1, "controller", {"Office TQ-4100", "V 2.10", "2.1", office, "TCP/IP", "4000", "1500"}},
        {2, "engine", {"Office engine", "Stapler", "1001", "1002", "5000", "V1.02"}},
        {3, "alerts", {"Paper Jam", "Toner Low", "Stapler Empty"}},
        {4, "input", {"Office engine", "Manual Feed", "Tray 2", "Large Tray", "A4"}},
        {5, "output", {"Office engine", "Stapler", "Output Tray 1", "Output Tray 4", "mail box"}},
    };
    for (const Tab_Values& t : tabs) {
      SCOPED_TRACE(t.file);
      form->SSTab1->SetTab(t.tab);
      QCoreApplication::processEvents();
      const std::vector<std::string> texts = Texts_Of(form->SSTab1->widget(t.tab));
      for (const std::string& s : t.shown) EXPECT_TRUE(Shows(texts, s)) << s << " in " << Joined(texts);
      vbui::testing::SaveScreenshot(*form, QStringLiteral("monitor_e2e_%1").arg(t.file));
    }
    // A poll on the output tab leaves the controls hidden that the tab
    // changes hid, and the single-engine printer's engine box hidden.
    procedures.Timer1_Timer();
    for (QWidget* hidden : {static_cast<QWidget*>(form->lvwInputTray), static_cast<QWidget*>(form->Picture2),
                            static_cast<QWidget*>(form->lvwEngineAlert), static_cast<QWidget*>(form->Picture1),
                            form->Control("Label13"), form->Control("LabelInput", 1),
                            form->Control("LabelAlert", 1), static_cast<QWidget*>(form->ComboPrinter[4]),
                            static_cast<QWidget*>(form->ComboPrinter[5]), form->Control("LabelOutput", 1)})
      EXPECT_TRUE(hidden->isHidden()) << hidden->objectName().toStdString();
    EXPECT_FALSE(form->lvwOutputTray->isHidden());
    EXPECT_FALSE(form->Picture3->isHidden());
    EXPECT_EQ(form->lvwInputTray->topLevelItemCount(), 6);
    EXPECT_EQ(form->lvwOutputTray->topLevelItemCount(), 4);
    EXPECT_EQ(form->lvwEngineAlert->topLevelItemCount(), 3);

    // The tandem's QuickView names both engines.
    form->SSTab1->SetTab(0);
    click(2);
    const std::vector<std::string> tandem = Texts_Of(form->SSTab1->widget(0));
    for (const char* s : {"Tandem TQ-9200", "Print room", "Left engine", "Right engine", "Booklet", "Folder"})
      EXPECT_TRUE(Shows(tandem, s)) << s << " in " << Joined(tandem);
    EXPECT_EQ(form->lvwIPs->currentRow(), 1);
    vbui::testing::SaveScreenshot(*form, QStringLiteral("monitor_e2e_quickview_tandem"));
    click(1);

    // The selected printer stops answering: the next poll turns its icon
    // and shows the not-responding status on its tab, which keeps showing
    // the printer's last good values.
    form->SSTab1->SetTab(1);
    const std::vector<std::string> answering = Texts_Of(form->SSTab1->widget(1));
    ::kill(agents_[1]->pid(), SIGSTOP);
    procedures.Timer1_Timer();
    EXPECT_TRUE(QTest::qWaitFor([&] { return form->Label15->text().toStdString() == kNotResponding; }, 10000))
        << form->Label15->text().toStdString();
    EXPECT_EQ(Texts_Of(form->SSTab1->widget(1)), answering);
    EXPECT_EQ(icon(0), silent);
    EXPECT_EQ(icon(1), ready);
    EXPECT_EQ(icon(2), ready);
    vbui::testing::SaveScreenshot(*form, QStringLiteral("monitor_e2e_not_responding"));
    ::kill(agents_[1]->pid(), SIGCONT);

    form->Remove_Tray_Icon();
    status_tabs.reset();
  }
  CoUninitialize();
}

}  // namespace
}  // namespace vlm::monitor
