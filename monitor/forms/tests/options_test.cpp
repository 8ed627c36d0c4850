// The options dialog on a scratch registry: its load (locked and super-user,
// localised, sent by start-up), the option pairs and change handlers, and
// the commands with scripted answers, down to what the registry holds.
#include <QCloseEvent>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QTest>

#include "monitor/forms/tests/options_test_support.h"
#include "monitor/vbui/vbui.h"

namespace vlm::monitor {
namespace {

using test_support::Items;
using test_support::Message_Script;
using test_support::Select;
using test_support::Show_Options;
using test_support::Type;
using test_support::Recording_Main_Form;
using test_support::Values;

const std::string kTitle = "Velmar Printer Monitor - Options";
const std::string kUnappliedRange =
    "The Starting and/or Ending Ranges contain information\r\nthat has not been applied to the list of Ranges.";
const std::string kNoRanges =
    "You have chosen to \"CANCEL\"  this screen with out supplying any\r\n"
    " Ranges. If you click  \"Yes\"  you will Exit the Velmar Printer Monitor.\r\n\r\n" +
    std::string(30, ' ') + "Do You Wish To Exit Now ?";
const std::string kUnappliedChanges =
    "You have chosen to \"Cancel\"  this screen with out applying\r\n"
    "the Maintenance you performed. If you Click \"Yes\" you will\r\n"
    "lose all UnApplied Maintenance.\r\n\r\n" +
    std::string(22, ' ') + "Do you wish to \"Cancel\" now ?";
const std::string kApplyNoRanges = std::string(6, ' ') +
                                   "You have \"DELETED\" all of the Printer Ranges\r\n\r\n"
                                   "If this is Correct clicking  \"OK\" will remove them from the\r\n"
                                   "Registry and \"EXIT\" you from the Velmar Printer Monitor.\r\n\r\n" +
                                   std::string(2, ' ') + "Clicking \"Cancel\" will leave you in the Options screen.";

std::string Title(int spaces) { return std::string(spaces, ' ') + kTitle; }

class Options_Dialog_Test : public test_support::Options_Test {
 protected:
  void SetUp() override {
    Options_Test::SetUp();
    Main = &main_;
    test_support::Set_Preference_Copies();
  }
  static bool Closed() { return Loaded_Options_Form() == nullptr; }

  Recording_Main_Form main_;
};

// ---- Load ----

TEST_F(Options_Dialog_Test, LockedUnlessSuperUserIsOnAndLoadedEitherWay) {
  for (const char* super : {"On", "Off", "Start Up", "", "on"}) {
    SCOPED_TRACE(super);
    Installed_Registry({{"1", "127.0.0.1:127.0.0.9"}, {"0", "127.0.1.1:127.0.1.1"}});
    Write(Servers_Key_Path, {{"Server_Name", "NW1"}});
    State.Super_User = super;
    frmOptions_Form& form = Show_Options();
    const bool open = std::string(super) == "On";
    for (QWidget* w : std::initializer_list<QWidget*>{
             form.cmdApply, form.cmdOK, form.Command1, form.Command2, form.Command3, form.Command4, form.Command5,
             form.Frame1, form.Frame2, form.Frame3, form.Frame4, form.Frame5, form.Frame6, form.Frame7,
             form.List1}) {
      EXPECT_EQ(w->isEnabled(), open) << w->objectName().toStdString();
    }
    EXPECT_TRUE(form.cmdCancel->isEnabled());
    EXPECT_TRUE(form.SSTab1->isEnabled());
    EXPECT_FALSE(form.Text1->isEnabled() && !open);  // inside a locked frame
    EXPECT_EQ(Items(form), (std::vector<std::string>{"127.0.1.1:127.0.1.1", "127.0.0.1:127.0.0.9"}));
    EXPECT_EQ(form.Range_Count, 2);
    EXPECT_EQ(form.Text4->text().toStdString(), "NW1");
    EXPECT_EQ(State.Options_Changed, "No");
    if (open || std::string(super) == "Off") {
      const std::string mode = open ? "superuser" : "locked";
      vbui::testing::SaveScreenshot(form, QString::fromStdString("options_" + mode + "_ranges"));
      form.SSTab1->SetTab(1);
      vbui::testing::SaveScreenshot(form, QString::fromStdString("options_" + mode + "_preferences"));
    }
    frmOptions().Unload();
    EXPECT_TRUE(Closed());
  }
}

TEST_F(Options_Dialog_Test, PreferencesShownByTheOptionPairs) {
  struct Case {
    const char* ip;
    const char* ipx;
    const char* uninstalled;
    const char* polling;
    const char* interval;
    std::vector<bool> on;  // Option1..Option8
    const char* text3;
  };
  const Case cases[] = {
      {"Yes", "No", "Yes", "Yes", "30", {1, 0, 0, 1, 1, 0, 1, 0}, "30"},
      {"Yes", "Yes", "No", "No", " 45  ", {1, 0, 1, 0, 0, 1, 0, 1}, "45"},
      {"No", "Yes", "yes", "", "10", {0, 1, 1, 0, 0, 1, 0, 1}, "10"},
      // Both providers off are shown as IP on, IPX off.
      {"No", "No", "Yes", "Yes", "60", {1, 0, 0, 1, 1, 0, 1, 0}, "60"},
      {"YES", "", "Yes", "Yes", "", {1, 0, 0, 1, 1, 0, 1, 0}, ""},
  };
  Installed_Registry({{"0", "127.0.0.1:127.0.0.1"}});
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.ip) + "/" + c.ipx + "/" + c.uninstalled + "/" + c.polling);
    State.IP_Enabled = c.ip;
    State.IPX_Enabled = c.ipx;
    State.UnInstalled_Enabled = c.uninstalled;
    State.Polling_Enabled = c.polling;
    State.Polling_Interval = c.interval;
    State.Options_Changed = "Yes";
    frmOptions_Form& form = Show_Options();
    const vbui::VbOptionButton* options[] = {form.Option1, form.Option2, form.Option3, form.Option4,
                                             form.Option5, form.Option6, form.Option7, form.Option8};
    for (int i = 0; i < 8; ++i) EXPECT_EQ(options[i]->Value(), c.on[i]) << "Option" << i + 1;
    EXPECT_EQ(form.Text3->text().toStdString(), c.text3);
    EXPECT_EQ(State.Options_Changed, "No");
    frmOptions().Unload();
  }
}

TEST_F(Options_Dialog_Test, SentByStartUpCreatesTheKeyAndStillShowsStoredRanges) {
  // Only the preferences were missing: ranges under other numbers are stored.
  Write(Ranges_Key_Path, {{"1", "127.0.0.5:127.0.0.6"}, {"3", "127.0.0.8:127.0.0.8"}});
  Write(Servers_Key_Path, {{"Server_Name", "NW2"}});
  State.Registry_Entries_Found = "No";
  State.Options_Changed = "";
  State.IPX_Enabled = "Yes";
  State.Polling_Interval = "45";
  frmOptions_Form& form = Show_Options();
  EXPECT_EQ(State.Registry_Entries_Found, "");
  EXPECT_EQ(Items(form), (std::vector<std::string>{"127.0.0.5:127.0.0.6", "127.0.0.8:127.0.0.8"}));
  EXPECT_EQ(form.Range_Count, 2);
  EXPECT_EQ(form.Text4->text().toStdString(), "NW2");
  // The designed content, whatever the preferences say; the flag as it was.
  EXPECT_TRUE(form.Option1->Value());
  EXPECT_TRUE(form.Option4->Value());
  EXPECT_TRUE(form.Option5->Value());
  EXPECT_TRUE(form.Option7->Value());
  EXPECT_EQ(form.Text3->text().toStdString(), "30");
  EXPECT_EQ(State.Options_Changed, "");
  frmOptions().Unload();

  // A registry without the ranges key gets it.
  std::filesystem::remove_all(registry_->path());
  std::filesystem::create_directories(registry_->path());
  registry::ResetForTests();
  State.Registry_Entries_Found = "No";
  EXPECT_EQ(Show_Options().Range_Count, 0);
  EXPECT_TRUE(Exists(Ranges_Key_Path));
}

TEST_F(Options_Dialog_Test, LocalisedCaptionsAndCharacterSets) {
  Start_Localised(Echo_Catalogue());
  Installed_Registry({{"0", "127.0.0.1:127.0.0.1"}});
  frmOptions_Form& form = Show_Options();
  EXPECT_EQ(form.windowTitle().toStdString(), "#235");
  EXPECT_EQ(form.SSTab1->TabCaption(0).toStdString(), "#213");
  EXPECT_EQ(form.SSTab1->TabCaption(1).toStdString(), "#307");
  const std::pair<QWidget*, const char*> captions[] = {
      {form.Frame1, "#212"}, {form.Frame7, "#303"},   {form.Label1, "#357"}, {form.Label3, "#262"},
      {form.Command1, "#126"}, {form.Command5, "#471"}, {form.cmdOK, "#276"},  {form.cmdCancel, "#137"},
      {form.cmdApply, "#129"}, {form.Option1, "#173"},  {form.Option8, "#162"}};
  for (const auto& [w, text] : captions) {
    QString shown;
    if (auto* f = qobject_cast<QGroupBox*>(w)) shown = f->title();
    if (auto* l = qobject_cast<QLabel*>(w)) shown = l->text();
    if (auto* b = qobject_cast<QAbstractButton*>(w)) shown = b->text();
    EXPECT_EQ(shown.toStdString(), text) << w->objectName().toStdString();
  }
  const int charSet = CodePage_To_CharSet(Code_Page_Text);
  for (QWidget* w : std::initializer_list<QWidget*>{&form, form.cmdApply, form.Frame4, form.List1, form.Option6,
                                                    form.SSTab1, form.Text4}) {
    EXPECT_EQ(w->property("charSet").toInt(), charSet) << w->objectName().toStdString();
  }
  EXPECT_FALSE(form.Text5->property("charSet").isValid());
}

// ---- Option pairs and change handlers ----

TEST_F(Options_Dialog_Test, ProviderPairsKeepOneOnAndEveryChangeMarksTheDialog) {
  Installed_Registry({{"0", "127.0.0.1:127.0.0.1"}});
  frmOptions_Form& form = Show_Options();
  ASSERT_EQ(State.Options_Changed, "No");
  QTest::mouseClick(form.Option2, Qt::LeftButton);  // IP off: IPX on
  EXPECT_TRUE(form.Option2->Value());
  EXPECT_TRUE(form.Option3->Value());
  EXPECT_EQ(State.Options_Changed, "Yes");
  form.Option4->SetValue(true);  // IPX off from code: IP on
  EXPECT_TRUE(form.Option1->Value());
  EXPECT_TRUE(form.Option4->Value());

  const std::function<void()> changes[] = {
      [&] { form.Option6->SetValue(true); }, [&] { form.Option8->SetValue(true); },
      [&] { form.Text3->setText("20"); },    [&] { form.Text4->setText("NW9"); },
      [&] { QTest::keyClick(form.Text4, Qt::Key_X); }};
  for (const auto& change : changes) {
    State.Options_Changed = "No";
    change();
    EXPECT_EQ(State.Options_Changed, "Yes");
  }
}

// ---- Add, Delete, Edit, Undo ----

TEST_F(Options_Dialog_Test, AddShowsTheRangeMessagesAndStoresTheCanonicalForm) {
  Installed_Registry({{"0", "127.0.0.1:127.0.0.9"}});
  frmOptions_Form& form = Show_Options();
  Message_Script script;

  // Refused: the About box's title while no program title is set; the boxes
  // keep their texts, a start copied into the end.
  script.Push("vbOK");
  script.Screenshot_Next("options_range_message");
  Type(form, "127.0.0.0", "");
  EXPECT_EQ(form.Command1_Click(), Range_Entry_Outcome::Refused);
  ASSERT_EQ(script.Seen().size(), 1u);
  EXPECT_EQ(script.Seen()[0].title, "Velmar Printer Monitor");
  EXPECT_EQ(script.Seen()[0].text,
            "The Following Information is Incorrect:\r\n\r\nStarting Range - Segment Four Can Not be Zero\r\n\r\n"
            "Ending Range - Segment Four Can Not be Zero\r\n");
  EXPECT_EQ(form.Text1->text(), "127.0.0.0");
  EXPECT_EQ(form.Text2->text(), "127.0.0.0");
  EXPECT_EQ(State.Options_Changed, "No");
  EXPECT_EQ(form.Range_Count, 1);

  // Added in canonical form through the button.
  Type(form, " 127.0.0.010", "127.000.0.20");
  QTest::mouseClick(form.Command1, Qt::LeftButton);
  EXPECT_EQ(Items(form), (std::vector<std::string>{"127.0.0.1:127.0.0.9", "127.0.0.10:127.0.0.20"}));
  EXPECT_EQ(form.Text1->text(), "");
  EXPECT_EQ(form.Text2->text(), "");
  EXPECT_EQ(form.Range_Count, 2);
  EXPECT_EQ(form.Edit_Mode, "Off");
  EXPECT_EQ(State.Options_Changed, "Yes");

  // A duplicate on the canonical form; the program title once set.
  Program_Title = "Velmar Printer Monitor Title";
  script.Push("vbOK");
  Type(form, "127.0.0.01", "127.0.0.9");
  EXPECT_EQ(form.Command1_Click(), Range_Entry_Outcome::Duplicate);
  ASSERT_EQ(script.Seen().size(), 2u);
  EXPECT_EQ(script.Seen()[1].title, Program_Title);
  EXPECT_EQ(script.Seen()[1].text,
            "The Following Range Record Already Exists\r\n\r\n" + std::string(10, ' ') + "127.0.0.1:127.0.0.9");
  EXPECT_EQ(form.Text1->text(), "");
  EXPECT_EQ(form.Range_Count, 2);

  // Both boxes empty: nothing at all.
  EXPECT_EQ(form.Command1_Click(), Range_Entry_Outcome::Focus_Only);
  EXPECT_EQ(script.Seen().size(), 2u);
}

TEST_F(Options_Dialog_Test, DeleteAndUndoDelete) {
  Installed_Registry({{"0", "127.0.0.1:127.0.0.1"}, {"1", "127.0.0.2:127.0.0.2"}, {"2", "127.0.0.3:127.0.0.3"}});
  frmOptions_Form& form = Show_Options();
  Select(form, 0);
  form.Command2_Click();
  EXPECT_EQ(Items(form), (std::vector<std::string>{"127.0.0.2:127.0.0.2", "127.0.0.3:127.0.0.3"}));
  EXPECT_EQ(form.Range_Count, 2);
  EXPECT_EQ(form.Delete_Mode, "On");
  EXPECT_EQ(State.Options_Changed, "Yes");
  // Nothing is selected after the delete: a second Delete removes nothing
  // and cancels the undo.
  form.Command2_Click();
  EXPECT_EQ(form.Range_Count, 2);
  EXPECT_EQ(form.Delete_Mode, "");
  form.Command5_Click();
  EXPECT_EQ(form.Range_Count, 2);

  // Undo Delete adds the range again at the end, once.
  Select(form, 1);
  form.Command2_Click();
  Select(form, 0);
  form.Command2_Click();
  form.Command5_Click();
  EXPECT_EQ(Items(form), (std::vector<std::string>{"127.0.0.2:127.0.0.2"}));
  form.Command5_Click();
  EXPECT_EQ(form.Range_Count, 1);

  // A deleted range added again by hand is not added a second time.
  Select(form, 0);
  form.Command2_Click();
  Type(form, "127.0.0.02", "");
  form.Command1_Click();
  form.Command5_Click();
  EXPECT_EQ(Items(form), (std::vector<std::string>{"127.0.0.2:127.0.0.2"}));
  EXPECT_EQ(form.Delete_Mode, "");
}

TEST_F(Options_Dialog_Test, EditUndoEditAndTheNextEditPutsTheRangeBack) {
  Installed_Registry({{"0", "127.0.0.1:127.0.0.5"}, {"1", "127.0.0.7:127.0.0.9"}});
  frmOptions_Form& form = Show_Options();
  Message_Script script;
  Select(form, 0);
  form.Command3_Click();
  EXPECT_EQ(form.Text1->text(), "127.0.0.1");
  EXPECT_EQ(form.Text2->text(), "127.0.0.5");
  EXPECT_EQ(Items(form), (std::vector<std::string>{"127.0.0.7:127.0.0.9"}));
  EXPECT_EQ(form.Range_Count, 1);
  EXPECT_EQ(form.Edit_Mode, "On");

  form.Text2->setText("127.0.0.6");
  form.Command4_Click();  // Undo Edit: the boxes as taken out, the list as it is
  EXPECT_EQ(form.Text2->text(), "127.0.0.5");
  EXPECT_EQ(form.Range_Count, 1);

  // A broken edit is not overwritten by the next Edit.
  form.Text2->setText("127.0.0.x");
  script.Push("vbOK");
  Select(form, 0);
  form.Command3_Click();
  ASSERT_EQ(script.Seen().size(), 1u);
  EXPECT_EQ(form.Text1->text(), "127.0.0.1");
  EXPECT_EQ(form.Text2->text(), "127.0.0.x");
  EXPECT_EQ(Items(form), (std::vector<std::string>{"127.0.0.7:127.0.0.9"}));

  // A good one goes back before the next item is taken out.
  form.Text2->setText("127.0.0.6");
  Select(form, 0);
  form.Command3_Click();
  EXPECT_EQ(Items(form), (std::vector<std::string>{"127.0.0.1:127.0.0.6"}));
  EXPECT_EQ(form.Text1->text(), "127.0.0.7");
  EXPECT_EQ(form.Text2->text(), "127.0.0.9");
  EXPECT_EQ(form.Edit_Mode, "On");
  EXPECT_EQ(script.Seen().size(), 1u);
}

// ---- Apply, OK, Cancel ----

TEST_F(Options_Dialog_Test, ApplyWritesOnlyAfterAChangeAndStaysOpen) {
  Installed_Registry({{"0", "127.0.0.1:127.0.0.1"}, {"2", "127.0.0.3:127.0.0.3"}});
  frmOptions_Form& form = Show_Options();
  Message_Script script;
  Write(Ranges_Key_Path, {{"0", "changed elsewhere"}});
  form.cmdApply_Click();  // nothing changed: nothing written
  EXPECT_EQ(Read(Ranges_Key_Path).at("0"), "changed elsewhere");
  EXPECT_NE(State.Discovery_Requested, "Yes");

  form.Text4->setText("NW5");
  form.Text3->setText("1e1");
  form.Option4->SetValue(true);
  form.cmdApply_Click();
  EXPECT_EQ(Read(Ranges_Key_Path),
            (std::map<std::string, std::string>{{"0", "127.0.0.1:127.0.0.1"}, {"1", "127.0.0.3:127.0.0.3"}}));
  EXPECT_EQ(Read(Servers_Key_Path), (std::map<std::string, std::string>{{"Server_Name", "NW5"}}));
  EXPECT_EQ(Read(Providers_Key_Path), (std::map<std::string, std::string>{{"IP", IP_Startup_Key}}));
  EXPECT_EQ(Read(Preferences_Key_Path).at("Polling_Interval"), "30");
  EXPECT_EQ(Read(Preferences_Key_Path).at("IPX_Enabled"), "No");
  EXPECT_EQ(State.Options_Changed, "No");
  EXPECT_EQ(State.Discovery_Requested, "Yes");
  EXPECT_FALSE(Closed());
  EXPECT_TRUE(script.Seen().empty());
  EXPECT_EQ(State.Message_Title, Title(18));

  // A second Apply right after does nothing.
  Write(Servers_Key_Path, {{"Server_Name", "OTHER"}});
  form.cmdApply_Click();
  EXPECT_EQ(Read(Servers_Key_Path).at("Server_Name"), "OTHER");
}

TEST_F(Options_Dialog_Test, ApplyOrOkWithAnEditedRangeInTheBoxesWritesNothing) {
  Installed_Registry({{"0", "127.0.0.1:127.0.0.1"}, {"1", "127.0.0.2:127.0.0.2"}});
  for (bool viaOk : {false, true}) {
    SCOPED_TRACE(viaOk ? "OK" : "Apply");
    frmOptions_Form& form = Show_Options();
    Message_Script script;
    script.Push("vbOK");
    Select(form, 1);
    form.Command3_Click();
    viaOk ? form.cmdOK_Click() : form.cmdApply_Click();
    ASSERT_EQ(script.Seen().size(), 1u);
    EXPECT_EQ(script.Seen()[0].text, kUnappliedRange);
    EXPECT_EQ(script.Seen()[0].title, Title(21));
    EXPECT_EQ(Read(Ranges_Key_Path).size(), 2u);
    EXPECT_FALSE(Closed());
    EXPECT_EQ(State.Options_Changed, "Yes");
    frmOptions().Unload();
  }
}

TEST_F(Options_Dialog_Test, ApplyAfterDeletingEveryRange) {
  Installed_Registry({{"0", "127.0.0.1:127.0.0.1"}});
  Write(Servers_Key_Path, {{"Server_Name", "NW1"}});
  frmOptions_Form& form = Show_Options();
  Message_Script script;
  Select(form, 0);
  form.Command2_Click();
  script.Push("vbCancel");
  form.cmdApply_Click();
  ASSERT_EQ(script.Seen().size(), 1u);
  EXPECT_EQ(script.Seen()[0].text, kApplyNoRanges);
  EXPECT_EQ(script.Seen()[0].title, Title(18));
  EXPECT_EQ(Read(Ranges_Key_Path).size(), 1u);
  EXPECT_FALSE(Closed());

  // A delete the registry refuses: the ranges stay and the program goes on.
  registry::DenyWriteBelowForTests(std::string("HKLM\\") + Ranges_Key_Path);
  script.Push("vbOK");
  script.Push("vbOK");
  EXPECT_FALSE(test_support::Ends([&] { form.cmdApply_Click(); }));
  ASSERT_EQ(script.Seen().size(), 3u);
  EXPECT_EQ(script.Seen()[2].text, Options_Write_Failed_Text);
  EXPECT_EQ(Read(Ranges_Key_Path).size(), 1u);
  EXPECT_EQ(State.Options_Changed, "Yes");
  registry::ClearDeniedWritesForTests();

  script.Push("vbOK");
  EXPECT_TRUE(test_support::Ends([&] { form.cmdApply_Click(); }));
  EXPECT_TRUE(Read(Ranges_Key_Path).empty());
  EXPECT_TRUE(Read(Servers_Key_Path).empty());
  EXPECT_TRUE(Read(Providers_Key_Path).empty());
  EXPECT_EQ(Read(Preferences_Key_Path).size(), 6u);
  EXPECT_EQ(State.Quiet_Exit, "Yes");
  EXPECT_EQ(main_.tray_removed, 1);
  EXPECT_EQ(main_.unloaded, 1);
  EXPECT_TRUE(Closed());
}

TEST_F(Options_Dialog_Test, OkAndCancelScenarios) {
  enum Action { Nothing, Change, Delete_All, Text_Left };
  struct Case {
    const char* what;
    bool ok;  // else Cancel
    Action action;
    std::vector<std::string> answers;
    std::vector<std::pair<int, std::string>> messages;  // title spaces, text
    bool closed;
    bool ended;
    const char* changedAfter;
    const char* discoveryAfter;
    const char* cancellingAfter;
    int shown;
    const char* serverAfter;  // the registry's Server_Name
  };
  const Case cases[] = {
      {"OK unchanged closes and asks for a discovery", true, Nothing, {}, {}, true, false, "No", "Yes", "", 1, "NW1"},
      {"OK changed writes and closes", true, Change, {}, {}, true, false, "No", "Yes", "", 1, "NW7"},
      {"OK with text left only warns", true, Text_Left, {"vbOK"}, {{21, kUnappliedRange}}, false, false, "No", "",
       "", 0, "NW1"},
      {"OK without ranges, No", true, Delete_All, {"vbNo"}, {{27, kNoRanges}}, false, false, "Yes", "", "Off", 0,
       "NW1"},
      {"OK without ranges, Yes ends", true, Delete_All, {"vbYes"}, {{27, kNoRanges}}, true, true, "Yes", "", "On", 0,
       "NW1"},
      {"Cancel unchanged closes", false, Nothing, {}, {}, true, false, "Cancel", "", "", 1, "NW1"},
      {"Cancel changed, No stays", false, Change, {"vbNo"}, {{21, kUnappliedChanges}}, false, false, "Yes", "", "", 0,
       "NW1"},
      {"Cancel changed, Yes closes unwritten", false, Change, {"vbYes"}, {{21, kUnappliedChanges}}, true, false,
       "Cancel", "", "", 1, "NW1"},
      {"Cancel without ranges, No", false, Delete_All, {"vbNo"}, {{27, kNoRanges}}, false, false, "Yes", "", "Off", 0,
       "NW1"},
      {"Cancel without ranges, Yes ends", false, Delete_All, {"vbYes"}, {{27, kNoRanges}}, true, true, "Yes", "",
       "On", 0, "NW1"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    test_support::Reset_Forms_State();
    main_ = Recording_Main_Form{};
    Main = &main_;
    State.Super_User = "On";
    Installed_Registry({{"0", "127.0.0.1:127.0.0.1"}});
    Write(Servers_Key_Path, {{"Server_Name", "NW1"}});
    frmOptions_Form& form = Show_Options();
    Message_Script script;
    for (const std::string& a : c.answers) script.Push(a);
    if (c.action == Change) form.Text4->setText("NW7");
    if (c.action == Text_Left) form.Text1->setText("127.0.0.4");
    if (c.action == Delete_All) {
      Select(form, 0);
      form.Command2_Click();
    }
    const bool ended = test_support::Ends([&] { c.ok ? form.cmdOK_Click() : form.cmdCancel_Click(); });
    EXPECT_EQ(ended, c.ended);
    ASSERT_EQ(script.Seen().size(), c.messages.size());
    for (std::size_t i = 0; i < c.messages.size(); ++i) {
      EXPECT_EQ(script.Seen()[i].title, Title(c.messages[i].first));
      EXPECT_EQ(script.Seen()[i].text, c.messages[i].second);
    }
    EXPECT_EQ(Closed(), c.closed);
    EXPECT_EQ(State.Options_Changed, c.changedAfter);
    EXPECT_EQ(State.Discovery_Requested, c.discoveryAfter);
    EXPECT_EQ(State.Options_Cancelling, c.cancellingAfter);
    EXPECT_EQ(main_.shown, c.shown);
    EXPECT_EQ(main_.unloaded, c.ended ? 1 : 0);
    EXPECT_EQ(main_.tray_removed, c.ended ? 1 : 0);
    EXPECT_EQ(Read(Servers_Key_Path).at("Server_Name"), c.serverAfter);
    EXPECT_EQ(Read(Ranges_Key_Path).size(), 1u);
    frmOptions().Unload();
  }
}

TEST_F(Options_Dialog_Test, ClosingByTheFrameOrEscapeIsCancel) {
  Installed_Registry({{"0", "127.0.0.1:127.0.0.1"}});
  for (bool escape : {false, true}) {
    SCOPED_TRACE(escape ? "Escape" : "frame");
    frmOptions_Form& form = Show_Options();
    Message_Script script;
    form.Text4->setText("NW3");
    script.Push("vbNo");
    escape ? QTest::keyClick(&form, Qt::Key_Escape) : (void)form.close();
    EXPECT_EQ(script.Seen().size(), 1u);
    EXPECT_FALSE(Closed());
    EXPECT_TRUE(form.isVisible());
    script.Push("vbYes");
    escape ? QTest::keyClick(&form, Qt::Key_Escape) : (void)form.close();
    EXPECT_TRUE(Closed());
    EXPECT_EQ(State.Options_Changed, "Cancel");
    EXPECT_TRUE(Read(Servers_Key_Path).empty());
  }
}

TEST_F(Options_Dialog_Test, AFailedWriteIsReportedAndTheDialogStaysOpen) {
  for (bool viaOk : {false, true}) {
    SCOPED_TRACE(viaOk ? "OK" : "Apply");
    Installed_Registry({{"0", "127.0.0.1:127.0.0.1"}, {"1", "127.0.0.2:127.0.0.2"}});
    frmOptions_Form& form = Show_Options();
    Message_Script script;
    script.Push("vbOK");
    Select(form, 0);
    form.Command2_Click();
    registry::DenyWriteBelowForTests(std::string("HKLM\\") + Ranges_Key_Path);
    viaOk ? form.cmdOK_Click() : form.cmdApply_Click();
    registry::ClearDeniedWritesForTests();
    ASSERT_EQ(script.Seen().size(), 1u);
    EXPECT_EQ(script.Seen()[0].text, Options_Write_Failed_Text);
    EXPECT_EQ(script.Seen()[0].title, Title(18));
    EXPECT_EQ(State.Options_Changed, "Yes");
    EXPECT_FALSE(Closed());
    EXPECT_EQ(main_.shown, 0);
    EXPECT_EQ(Read(Ranges_Key_Path).size(), 2u);  // nothing lost
    // Once the key takes writes again, the same Apply goes through.
    form.cmdApply_Click();
    EXPECT_EQ(Read(Ranges_Key_Path), (std::map<std::string, std::string>{{"0", "127.0.0.2:127.0.0.2"}}));
    EXPECT_EQ(State.Options_Changed, "No");
    frmOptions().Unload();
  }
}

TEST_F(Options_Dialog_Test, OkWithoutTheProvidersKeyClosesAndSaves) {
  // Only the providers' registration makes the providers key.
  test_support::Write_Preferences();
  Write(Ranges_Key_Path, {{"0", "127.0.0.1:127.0.0.1"}});
  Write(Servers_Key_Path, {});
  frmOptions_Form& form = Show_Options();
  Message_Script script;
  form.Text4->setText("NW8");
  form.Text3->setText("45");
  form.cmdOK_Click();
  EXPECT_TRUE(script.Seen().empty());
  EXPECT_TRUE(Closed());
  EXPECT_EQ(State.Options_Changed, "No");
  EXPECT_EQ(State.Discovery_Requested, "Yes");
  EXPECT_EQ(main_.shown, 1);
  EXPECT_EQ(Read(Servers_Key_Path), (std::map<std::string, std::string>{{"Server_Name", "NW8"}}));
  EXPECT_EQ(Read(Preferences_Key_Path).at("Polling_Interval"), "45");
  EXPECT_EQ(Read(Ranges_Key_Path), (std::map<std::string, std::string>{{"0", "127.0.0.1:127.0.0.1"}}));
  EXPECT_FALSE(Exists(Providers_Key_Path));
}

TEST_F(Options_Dialog_Test, LocalisedMessagesAndTitles) {
  Start_Localised(Echo_Catalogue());
  Installed_Registry({{"0", "127.0.0.1:127.0.0.1"}});
  frmOptions_Form& form = Show_Options();
  Message_Script script;
  Select(form, 0);
  form.Command2_Click();
  script.Push("vbCancel");
  form.cmdApply_Click();
  script.Push("vbNo");
  form.cmdOK_Click();
  State.Options_Changed = "Yes";
  Type(form, "127.0.0.1", "");
  form.Command1_Click();
  script.Push("vbNo");
  form.cmdCancel_Click();
  ASSERT_EQ(script.Seen().size(), 3u);
  // No empty line before the last line in the library's form.
  EXPECT_EQ(script.Seen()[0].text, std::string(6, ' ') + "#398\r\n\r\n#223\r\n#321\r\n  #139");
  EXPECT_EQ(script.Seen()[0].title, std::string(18, ' ') + "#232");
  EXPECT_EQ(script.Seen()[1].text, "#399\r\n#316\r\n\r\n" + std::string(30, ' ') + "#165");
  EXPECT_EQ(script.Seen()[1].title, std::string(27, ' ') + "#232");
  EXPECT_EQ(script.Seen()[2].text, "#400\r\n#402\r\n#401\r\n\r\n" + std::string(22, ' ') + "#167");
  EXPECT_EQ(script.Seen()[2].title, std::string(21, ' ') + "#232");
}

}  // namespace
}  // namespace vlm::monitor
