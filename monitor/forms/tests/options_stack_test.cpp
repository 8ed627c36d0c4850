// The options dialog against the real discovery stack: a loopback range typed
// into the dialog and confirmed with OK is what the registry holds, and the
// real SeekIP provider, run by the discovery manager (both registered by
// their own registration), finds exactly the snmpd printers in that range.
#include <QPushButton>
#include <QTest>

#include <string>
#include <vector>

#include "discovery/manager/tests/e2e_support.h"
#include "monitor/forms/tests/options_test_support.h"
#include "tests/support/snmpd_agent.h"

namespace vlm::monitor {
namespace {

using vlm::testing::FixtureObject;
using vlm::testing::SnmpdAgent;

constexpr const char* kIpName = "IP Discovery Provider";

std::vector<FixtureObject> Controller(const std::string& model) {
  return {{"1.3.6.1.2.1.1.5.0", "octet_str", model, false},
          {"1.3.6.1.2.1.1.1.0", "octet_str", "Velmar IP Controller", false}};
}

// The address with a leading zero before its last segment, as a user may
// type it ("127.1.2.3" gives "127.1.2.03").
std::string With_Leading_Zero(const std::string& address) {
  std::string typed = address;
  typed.insert(typed.rfind('.') + 1, "0");
  return typed;
}

class Options_Stack_Test : public discovery::testing::EndToEndTest {
 protected:
  void SetUp() override {
    EndToEndTest::SetUp();
    vbui::testing::App();
    test_support::Reset_Forms_State();
  }
  void TearDown() override {
    test_support::Reset_Forms_State();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EndToEndTest::TearDown();
  }
};

TEST_F(Options_Stack_Test, ARangeTypedAndConfirmedIsTheRangeScanned) {
  // Controllers at the first and third address, another printer between,
  // and a controller just after the range.
  const std::vector<std::string> hosts = vlm::testing::AllocateLoopbackRange(4);
  SnmpdAgent first(hosts[0], Controller("Model 9"));
  SnmpdAgent other(hosts[1], {{"1.3.6.1.2.1.1.1.0", "octet_str", "Some other printer", false}});
  SnmpdAgent last(hosts[2], Controller("Model 12"));
  SnmpdAgent outside(hosts[3], Controller("Model 3"));

  Register(VLM_SEEKIP_SO);
  Register(VLM_VLMDM_SO);
  // The installation's keys, and a range stored earlier around the printer
  // outside the new range.
  test_support::Write_Preferences();
  test_support::Write_Key(Servers_Key_Path, {});
  test_support::Write_Key(Ranges_Key_Path, {{"0", hosts[3] + ":" + hosts[3]}});

  test_support::Recording_Main_Form main;
  Main = &main;
  State.Super_User = "On";
  test_support::Set_Preference_Copies();
  frmOptions_Form& form = test_support::Show_Options();
  ASSERT_EQ(test_support::Items(form), (std::vector<std::string>{hosts[3] + ":" + hosts[3]}));

  // The user deletes the old range, types the new one and confirms.
  test_support::Select(form, 0);
  QTest::mouseClick(form.Command2, Qt::LeftButton);
  QTest::keyClicks(form.Text1, QString::fromStdString(With_Leading_Zero(hosts[0])));
  QTest::keyClicks(form.Text2, QString::fromStdString(hosts[2]));
  QTest::mouseClick(form.Command1, Qt::LeftButton);
  ASSERT_EQ(test_support::Items(form), (std::vector<std::string>{hosts[0] + ":" + hosts[2]}));
  QTest::mouseClick(form.cmdOK, Qt::LeftButton);

  EXPECT_EQ(Loaded_Options_Form(), nullptr);
  EXPECT_EQ(main.shown, 1);
  EXPECT_EQ(State.Discovery_Requested, "Yes");
  EXPECT_EQ(test_support::Read_Key(Ranges_Key_Path),
            (std::map<std::string, std::string>{{"0", hosts[0] + ":" + hosts[2]}}));
  EXPECT_EQ(test_support::Read_Key(Providers_Key_Path),
            (std::map<std::string, std::string>{{"IP", IP_Startup_Key}}));
  Main = nullptr;

  // The discovery manager's run over the other network printers.
  discovery::DiscoveryManager* m = Manager();
  ASSERT_NE(m, nullptr);
  ASSERT_EQ(m->GetProviderCount(), 1);
  discovery::ProviderSettings s{};
  std::uint32_t written = 0;
  ASSERT_EQ(m->GetProviderSettings(kIpName, sizeof s, &s, &written), S_OK);
  s.stateWord = 0;
  s.discoverInstalled = 0;
  s.discoverUnInstalled = 1;
  ASSERT_EQ(m->SetProviderSettings(kIpName, sizeof s, &s), S_OK);
  RunDiscovery(m);
  std::int32_t count = -1;
  ASSERT_EQ(m->GetTotalDeviceCount(&count), S_OK);
  ASSERT_EQ(count, 2);
  EXPECT_EQ(Text(m, 0, "DEVICE_ADDRESS"), hosts[0]);
  EXPECT_EQ(Text(m, 0, "DEVICE_PRODUCT_NAME"), "Model 9");
  EXPECT_EQ(Text(m, 1, "DEVICE_ADDRESS"), hosts[2]);
  EXPECT_EQ(Text(m, 1, "DEVICE_PRODUCT_NAME"), "Model 12");
}

}  // namespace
}  // namespace vlm::monitor
