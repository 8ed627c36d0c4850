// The main window's procedures on the real window: the printer list's names
// and status pictures (each painted once), Picture1's click, the tab change
// and the web page.
#include <gtest/gtest.h>

#include <QDesktopServices>
#include <QListWidget>
#include <QTest>
#include <QTreeWidget>
#include <QUrl>

#include "monitor/forms/frmTQZ.h"
#include "monitor/forms/frmTQZ_main.h"
#include "monitor/forms/tests/forms_test_support.h"
#include "monitor/mainwin/mainwin_test_support.h"

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
