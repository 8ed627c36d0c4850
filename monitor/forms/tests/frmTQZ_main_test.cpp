// The main window's procedures on the real window: the window's load, the
// printer list's names and status pictures (each painted once), Picture1's
// click, the tab change and the web page.
#include <gtest/gtest.h>

#include <QDesktopServices>
#include <QListWidget>
#include <QTest>
#include <QTreeWidget>
#include <QUrl>

#include <cstdlib>
#include <optional>

#include "monitor/forms/frmTQZ.h"
#include "monitor/forms/frmTQZ_main.h"
#include "monitor/forms/tests/forms_test_support.h"
#include "monitor/mainwin/mainwin_test_support.h"
#include "platform/registry/registry.h"
#include "tests/support/temp_folder.h"

namespace vlm::monitor {
namespace {

using namespace test_support;

// Records the addresses the desktop is asked to open.
class Url_Catcher : public QObject {
  Q_OBJECT
 public:
  Url_Catcher() {
    QDesktopServices::setUrlHandler(QStringLiteral("http"), this, "Open");
  }
  ~Url_Catcher() override { QDesktopServices::unsetUrlHandler(QStringLiteral("http")); }
  std::vector<std::string> urls;
 public slots:
  void Open(const QUrl& url) { urls.push_back(url.toString().toStdString()); }
};

class FrmTQZMainTest : public Forms_Test {};

// A scratch registry holding the preferences key, where the load stores
// Check_Discovery.
class FrmTQZLoadTest : public FrmTQZMainTest {
 protected:
  void SetUp() override {
    FrmTQZMainTest::SetUp();
    ::setenv("VLM_REGISTRY_ROOT", registry_.path().c_str(), 1);
    registry::ResetForTests();
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, kPreferences, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                              &key, nullptr),
              ERROR_SUCCESS);
    RegCloseKey(key);
  }
  void TearDown() override {
    registry::ResetForTests();
    ::unsetenv("VLM_REGISTRY_ROOT");
    FrmTQZMainTest::TearDown();
  }
  static std::optional<std::string> Check_Discovery() {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kPreferences, 0, KEY_READ, &key) != ERROR_SUCCESS) {
      return std::nullopt;
    }
    char text[256] = {};
    DWORD size = sizeof text;
    const LONG rc = RegQueryValueExA(key, "Check_Discovery", nullptr, nullptr,
                                     reinterpret_cast<BYTE*>(text), &size);
    RegCloseKey(key);
    if (rc != ERROR_SUCCESS) return std::nullopt;
    return std::string(text);
  }

  static constexpr const char* kPreferences = "Software\\VLM\\Discovery\\Preferences";
  const vlm::testing::TempFolder registry_{"vlm-forms-registry"};
};

// The window's load as the program runs it: its first steps on the window,
// then the procedures' steps through the hook frmTQZ_Main sets; a start-up
// check that opened the options dialog stops it before the discovery.
TEST_F(FrmTQZLoadTest, TheWindowsLoadRunsTheProceduresSteps) {
  struct Case {
    const char* name;
    const char* entriesFound;
    bool discovered;
  };
  const Case cases[] = {{"start-up check opened the options", "No", false},
                        {"start-up checks passed", "Yes", true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Fake_Window readers_window;
    Fake_Readers readers(readers_window);
    ComPtr<Discovery_Item> installed = MakeComObject<Discovery_Item>();
    ComPtr<Discovery_Item> other = MakeComObject<Discovery_Item>();
    installed->runs = {{{"127.0.0.1", "Ready one", "q1", 1}}};
    readers.printers[{0, 0}] = {{3}, false};
    State = Monitor_State{};
    State.Registry_Entries_Found = c.entriesFound;
    State.Polling_Enabled = "Yes";
    State.Polling_Interval = "30";
    {
      auto tray = std::make_unique<vbui::FakeTrayIcon>();
      const vbui::FakeTrayIcon& icon = *tray;
      frmTQZ form(std::move(tray));
      frmTQZ_Main main_window(form, readers);
      int created = 0;
      main_window.Procedures().Create_Vector_Item = [&] {
        ++created;
        return ComPtr<IVectorItem>(created % 2 ? installed : other);
      };
      form.Form_Load();
      EXPECT_EQ(State.Caption_Label, "Controller Name");  // the window was localised
      EXPECT_TRUE(icon.Added());
      EXPECT_EQ(created, c.discovered ? 2 : 0);
      EXPECT_EQ(installed->discoveries, c.discovered ? 1 : 0);
      EXPECT_EQ(form.lvwIPs->count(), c.discovered ? 1 : 0);
      EXPECT_EQ(Check_Discovery(), c.discovered ? std::optional<std::string>("Completed") : std::nullopt);
      EXPECT_EQ(form.isVisible(), c.discovered);
      EXPECT_EQ(form.Timer1->Enabled(), c.discovered);
      EXPECT_EQ(form.Timer1->Interval(), c.discovered ? 30000 : 60000);
      EXPECT_EQ(vbui::MousePointer(), 0);
    }
    EXPECT_TRUE(installed->Balanced());
    EXPECT_TRUE(other->Balanced());
  }
}

TEST_F(FrmTQZMainTest, ListPictureClickTabChangeAndWebPage) {
  Fake_Window readers_window;
  Fake_Readers readers(readers_window);
  ComPtr<Discovery_Item> installed = MakeComObject<Discovery_Item>();
  ComPtr<Discovery_Item> other = MakeComObject<Discovery_Item>();
  installed->runs = {{{"127.0.0.1", "Ready one", "q1", 1}, {"127.0.0.2", "Silent", "q2", 1}}};
  readers.printers[{0, 0}] = {{3}, false};
  readers.printers[{0, 1}] = {{}, false};
  {
    frmTQZ form(std::make_unique<vbui::FakeTrayIcon>());
    frmTQZ_Main main_window(form, readers);
    Tqz_Main& m = main_window.Procedures();
    m.Installed_Vector_Item = installed;
    m.Other_Vector_Item = other;
    State.UnInstalled_Enabled = "No";
    form.show();

    m.Refresh_Discovery_Click();
    ASSERT_EQ(form.lvwIPs->count(), 2);
    EXPECT_EQ(form.lvwIPs->item(0)->text().toStdString(), "Ready one");
    EXPECT_EQ(form.lvwIPs->item(1)->text().toStdString(), "Silent");
    EXPECT_EQ(form.lvwIPs->item(0)->data(Qt::UserRole).toInt(), 1);
    EXPECT_EQ(form.lvwIPs->item(1)->data(Qt::UserRole).toInt(), 4);
    // Each status picture is painted once and set again at every poll.
    const qint64 ready = form.lvwIPs->item(0)->icon().cacheKey();
    m.Timer1_Timer();
    EXPECT_EQ(form.lvwIPs->item(0)->icon().cacheKey(), ready);
    EXPECT_EQ(Status_Picture(1).cacheKey(), ready);
    EXPECT_EQ(Status_Picture(4).cacheKey(), form.lvwIPs->item(1)->icon().cacheKey());
    EXPECT_NE(Status_Picture(4).cacheKey(), ready);

    // A click on the status picture selects the chosen printer again.
    m.Selected_Item_Index = 2;
    form.lvwIPs->setCurrentRow(0);
    QTest::mouseClick(form.Picture1, Qt::LeftButton);
    EXPECT_EQ(form.lvwIPs->currentRow(), 1);

    // The web page of the selected TCP/IP printer opens through the desktop.
    Url_Catcher catcher;
    m.lvwIPs_ItemClick(1);
    m.Web_Click();
    EXPECT_EQ(catcher.urls, (std::vector<std::string>{"http://127.0.0.1/"}));

    // Leaving a tab hides its list; coming back shows it again.
    form.SSTab1->SetTab(4);
    form.SSTab1->SetTab(5);
    EXPECT_TRUE(form.lvwInputTray->isHidden());
    form.SSTab1->SetTab(4);
    EXPECT_FALSE(form.lvwInputTray->isHidden());
  }
  EXPECT_TRUE(installed->Balanced());
  EXPECT_TRUE(other->Balanced());
}

TEST_F(FrmTQZMainTest, TrayIconIsImageOneOfTheSmallStatusPictures) {
  auto tray = std::make_unique<vbui::FakeTrayIcon>();
  vbui::FakeTrayIcon& icon = *tray;
  frmTQZ form(std::move(tray));
  Fake_Window readers_window;
  Fake_Readers readers(readers_window);
  frmTQZ_Main main_window(form, readers);
  form.Add_Tray_Icon();
  EXPECT_EQ(icon.Tip(), "Velmar TQZ2");
  const QImage small_picture_1 = Status_Picture(1).pixmap(16, 16).toImage();
  EXPECT_EQ(icon.Icon().availableSizes(), QList<QSize>{QSize(16, 16)});
  EXPECT_EQ(icon.Icon().pixmap(16, 16).toImage(), small_picture_1);
  EXPECT_EQ(form.windowIcon().pixmap(16, 16).toImage(), small_picture_1);
}

}  // namespace
}  // namespace vlm::monitor

#include "frmTQZ_main_test.moc"
