// frmTQZ's start-up checks, activation, shut-down and tray icon, with
// scratch registries and every dialog answered through the dialog service.
#include <QAction>
#include <QCloseEvent>
#include <QFile>
#include <QLabel>
#include <QListWidget>
#include <QTreeWidget>
#include <QMenu>
#include <QTemporaryDir>
#include <QTest>
#include <QWindow>

#include <atomic>
#include <functional>
#include <optional>
#include <thread>

#include "monitor/forms/frmTQZ.h"
#include "monitor/forms/tests/forms_test_support.h"
#include "platform/registry/registry.h"
#include "tests/support/temp_folder.h"

namespace vlm::monitor {
namespace {

using test_support::Dialog_Script;

const char* const kPrefs = "Software\\VLM\\Discovery\\Preferences";
const char* const kRanges = "Software\\VLM\\Discovery\\DP\\IP\\Discovery Params\\Ranges";
const char* const kServers = "Software\\VLM\\Discovery\\DP\\IPX\\Discovery Params\\Servers";

using Values = std::vector<std::pair<std::string, std::string>>;

class frmTQZ_Test : public test_support::Forms_Test {
 protected:
  void SetUp() override {
    Forms_Test::SetUp();
    std::string pattern =
        (std::filesystem::temp_directory_path() / "vlm_forms_registry_XXXXXX").string();
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    registry_ = pattern;
    ::setenv("VLM_REGISTRY_ROOT", registry_.c_str(), 1);
    registry::ResetForTests();
    registry::ClearDeniedWritesForTests();
  }
  void TearDown() override {
    form_.reset();
    registry::ClearDeniedWritesForTests();
    registry::ResetForTests();
    std::filesystem::remove_all(registry_);
    Forms_Test::TearDown();
  }

  static void Write(const char* path, const Values& values) {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, path, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                              &key, nullptr),
              ERROR_SUCCESS);
    for (const auto& [name, text] : values) {
      RegSetValueExA(key, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                     static_cast<DWORD>(text.size() + 1));
    }
    RegCloseKey(key);
  }
  static bool Exists(const char* path) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path, 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
    RegCloseKey(key);
    return true;
  }
  static std::optional<std::string> Read(const char* path, const char* name) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path, 0, KEY_READ, &key) != ERROR_SUCCESS) {
      return std::nullopt;
    }
    char buffer[256] = {};
    DWORD size = sizeof buffer;
    const LONG rc = RegQueryValueExA(key, name, nullptr, nullptr,
                                     reinterpret_cast<BYTE*>(buffer), &size);
    RegCloseKey(key);
    if (rc != ERROR_SUCCESS) return std::nullopt;
    return std::string(buffer);
  }
  static Values Full_Preferences(const char* check = "Completed", const char* polling = "Yes",
                                 const char* interval = "30") {
    return {{"IP_Enabled", "Yes"},     {"IPX_Enabled", "Yes"},        {"UnInstalled_Enabled", "Yes"},
            {"Polling_Interval", interval}, {"Polling_Enabled", polling}, {"Check_Discovery", check}};
  }
  void Good_Registry(const char* check = "Completed") {
    Write(kPrefs, Full_Preferences(check));
    Write(kRanges, {{"0", "127.0.0.1:127.0.0.9"}});
    Write(kServers, {});
  }

  frmTQZ& Form(bool tray = true) {
    auto fake = std::make_unique<vbui::FakeTrayIcon>(tray);
    tray_ = fake.get();
    form_ = std::make_unique<frmTQZ>(std::move(fake));
    return *form_;
  }

  std::string registry_;
  std::unique_ptr<frmTQZ> form_;
  vbui::FakeTrayIcon* tray_ = nullptr;
};

// ---- Form_Initialize: registry fixture x answers ----

TEST_F(frmTQZ_Test, StartUpChecksByRegistryAndAnswers) {
  enum Fixture { Good, NoPreferences, NoPreferencesNotSuper, Terminated, TerminatedLower,
                 NoCheckValue, RangesWithoutFirst, NoRanges };
  struct Case {
    const char* what;
    Fixture fixture;
    std::vector<std::string> answers;
    std::vector<std::string> codes;
    bool ended;
    bool options;
    std::optional<std::string> check_after;  // Check_Discovery afterwards
    const char* super;
  };
  const Case cases[] = {
      {"all present", Good, {}, {}, false, false, "Completed", "On"},
      {"no preferences, Ok: defaults, no abnormal-end question", NoPreferences, {"Command3"},
       {"12"}, false, true, "Terminated", "On"},
      {"no preferences, Cancel", NoPreferences, {"Command2"}, {"12"}, true, false, std::nullopt,
       "On"},
      {"no preferences, not super-user: key without defaults", NoPreferencesNotSuper,
       {"Command3"}, {"12"}, false, true, "Terminated", "Off"},
      {"terminated, Ok", Terminated, {"Command3"}, {"16"}, false, false, "Terminated", "On"},
      {"terminated, Cancel ends from the dialog", Terminated, {"Command2"}, {"16"}, true, false,
       "Terminated", "On"},
      {"terminated, Configure", Terminated, {"Command4"}, {"16"}, false, true, "Terminated", "On"},
      {"terminated in other case: no question", TerminatedLower, {}, {}, false, false, "terminated",
       "On"},
      {"no Check_Discovery: stored silently", NoCheckValue, {}, {}, false, false, "Terminated",
       "On"},
      {"ranges without 0, Ok", RangesWithoutFirst, {"Command3"}, {"14"}, false, true, "Completed",
       "On"},
      {"ranges without 0, Cancel", RangesWithoutFirst, {"Command2"}, {"14"}, true, false,
       "Completed", "On"},
      {"ranges without 0, Configure keeps running", RangesWithoutFirst, {"Command4"}, {"14"},
       false, true, "Completed", "On"},
      {"ranges without 0, frame close counts as Ok", RangesWithoutFirst, {""}, {"14"}, false, true,
       "Completed", "On"},
      {"no ranges key: no question, not super-user", NoRanges, {}, {}, false, false, "Completed",
       "Off"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TearDown();
    SetUp();
    switch (c.fixture) {
      case Good: Good_Registry(); break;
      case NoPreferences: Write(kRanges, {{"0", "127.0.0.1:127.0.0.9"}}); break;
      case NoPreferencesNotSuper:
        Write(kRanges, {{"0", "127.0.0.1:127.0.0.9"}});
        registry::DenyWriteBelowForTests("HKLM\\Software\\VLM\\Discovery\\DP\\IP");
        break;
      case Terminated: Good_Registry("Terminated"); break;
      case TerminatedLower: Good_Registry("terminated"); break;
      case NoCheckValue: {
        Values v = Full_Preferences();
        v.pop_back();
        Write(kPrefs, v);
        Write(kRanges, {{"0", "127.0.0.1:127.0.0.9"}});
        break;
      }
      case RangesWithoutFirst:
        Write(kPrefs, Full_Preferences());
        Write(kRanges, {{"1", "127.0.0.1:127.0.0.9"}});
        break;
      case NoRanges: Write(kPrefs, Full_Preferences()); break;
    }
    Dialog_Script script;
    for (const std::string& a : c.answers) script.Push(a);
    frmTQZ& form = Form();
    const bool ended = test_support::Ends([&] { form.Form_Initialize(); });
    EXPECT_EQ(script.Codes(), c.codes);
    EXPECT_EQ(ended, c.ended);
    EXPECT_EQ(frmOptions().Is_Visible(), c.options);
    EXPECT_EQ(Read(kPrefs, "Check_Discovery"), c.check_after);
    EXPECT_EQ(State.Super_User, c.super);
    if (!ended) {
      EXPECT_TRUE(Exists(kServers));  // created when missing
      EXPECT_EQ(vbui::MousePointer(), 0);
    }
    if (c.fixture == NoPreferences && !ended) {
      EXPECT_EQ(Read(kPrefs, "Polling_Interval"), "30");
      // The options dialog shown meanwhile has emptied the flag at its load.
      EXPECT_EQ(State.Registry_Entries_Found, "");
      EXPECT_EQ(State.Options_Requested, "Yes");
    }
    if (c.fixture == NoPreferencesNotSuper) {
      // The key, and only the first-start flag stored by the crash check.
      EXPECT_TRUE(Exists(kPrefs));
      EXPECT_EQ(Read(kPrefs, "IP_Enabled"), std::nullopt);
    }
    if (!ended && c.fixture == Good) {
      // The list headers and the engine names.
      EXPECT_EQ(form.lvwJobs->columnCount(), 10);
      EXPECT_EQ(form.lvwOutputTray->columnWidth(0), vbui::Twips(2020));
      // Every engine box holds both engines and none is chosen yet.
      for (const vbui::VbComboBox* combo : form.ComboPrinter) {
        EXPECT_EQ(combo->count(), 2);
        EXPECT_EQ(combo->itemText(1), "Printer 2");
        EXPECT_EQ(combo->ListIndex(), -1);
      }
      EXPECT_EQ(Not_Responding_Phrase, "The Selected Printer is not Responding");
    }
  }
}

// ---- A registry this user can write nothing in ----

// The administrator's registry as the package leaves it (the providers'
// keys, no preferences, no range), or configured but for the first range:
// one notice in the administrator's wording, no locked options dialog, the
// default preferences in memory, nothing stored, and no second notice when
// the window is activated again.
// A start whose instance lock is not a file of this user's own (here a
// link) ends before any check, with the reason on standard error.
TEST_F(frmTQZ_Test, StartRefusedByTheInstanceGuardEndsWithTheReason) {
  Good_Registry();
  QTemporaryDir dir;
  const QString key = dir.filePath(QStringLiteral("instance"));
  ASSERT_TRUE(QFile::link(dir.filePath(QStringLiteral("elsewhere")), key + QStringLiteral(".lock")));
  vbui::SingleInstance guard(key, 300);
  form_ = std::make_unique<frmTQZ>(std::make_unique<vbui::FakeTrayIcon>(true), &guard);
  ::testing::internal::CaptureStderr();
  const bool ended = test_support::Ends([&] { form_->Form_Initialize(); });
  const std::string errors = ::testing::internal::GetCapturedStderr();
  form_.reset();
  EXPECT_TRUE(ended);
  EXPECT_NE(errors.find("tqz2: " + key.toStdString() + ".lock is not a regular file; cannot start\n"),
            std::string::npos)
      << errors;
  EXPECT_FALSE(guard.IsPrimary());
}

TEST_F(frmTQZ_Test, ReadOnlyRegistryGivesOneNoticeAndRunsOnTheDefaults) {
  struct Case {
    const char* what;
    bool preferences;
    std::string answer;
    const char* code;
    bool ended;
  };
  const Case cases[] = {
      {"unconfigured, Ok", false, "Command3", "12", false},
      {"unconfigured, closed by the frame", false, "Escape", "12", false},
      {"unconfigured, Cancel", false, "Command2", "12", true},
      {"no first range, Ok", true, "Command3", "14", false},
      {"no first range, Cancel", true, "Command2", "14", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TearDown();
    SetUp();
    Write(kRanges, {});
    Write(kServers, {});
    if (c.preferences) Write(kPrefs, Full_Preferences("Completed", "No", "45"));
    registry::DenyWriteBelowForTests("HKLM");
    Dialog_Script script;
    std::vector<std::string> wording;
    script.Before = [&](QDialog& d) {
      wording.push_back(d.findChild<QLineEdit*>("Text2")->text().toStdString());
    };
    script.Push(c.answer);
    frmTQZ& form = Form();
    bool ended = test_support::Ends([&] { form.Form_Initialize(); });
    if (!ended) ended = test_support::Ends([&] { form.Form_Activate(); });
    EXPECT_EQ(script.Codes(), std::vector<std::string>{c.code});
    EXPECT_EQ(wording,
              std::vector<std::string>{"Changes to the Configuration is a System Administrator function"});
    EXPECT_EQ(ended, c.ended);
    EXPECT_FALSE(frmOptions().Is_Visible());
    EXPECT_EQ(State.Super_User, "Off");
    EXPECT_FALSE(Exists(kPrefs) && !c.preferences);
    if (ended) continue;
    EXPECT_EQ(State.Registry_Entries_Found, "");
    EXPECT_NE(State.Options_Requested, "Yes");
    // The preferences: the stored ones, or the defaults.
    EXPECT_EQ(State.Polling_Enabled, c.preferences ? "No" : "Yes");
    EXPECT_EQ(State.Polling_Interval, c.preferences ? "45" : "30");
    EXPECT_EQ(State.UnInstalled_Enabled, "Yes");
    EXPECT_EQ(State.IP_Enabled, "Yes");
    EXPECT_EQ(form.Timer1->Enabled(), !c.preferences);
  }
}

// ---- The polling interval ----

TEST_F(frmTQZ_Test, PollingIntervalIsWholeSecondsOneToSixtyFive) {
  struct Case {
    const char* text;
    VbLong ms;  // -13 / -380: that error
  };
  const Case cases[] = {{"30", 30000}, {" 45 ", 45000}, {"1", 1000},   {"65", 65000},
                        {"", 0},       {"   ", 0},      {"5.5", -13},  {"abc", -13},
                        {"-5", -13},   {"1e1", -13},    {"0", -380},   {"66", -380},
                        {"99999999999", -13}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    if (c.ms >= 0) {
      EXPECT_EQ(Polling_Interval_Milliseconds(c.text), c.ms);
    } else {
      try {
        Polling_Interval_Milliseconds(c.text);
        ADD_FAILURE();
      } catch (const VbError& e) {
        EXPECT_EQ(e.Number(), -c.ms);
      }
    }
  }
}

TEST_F(frmTQZ_Test, ActivationSetsTimer1FromThePreferences) {
  struct Case {
    const char* polling;
    const char* interval;  // null: value missing
    bool enabled;
    int ms;
    bool reported;
  };
  const Case cases[] = {{"Yes", "45", true, 45000, false},   {"No", "45", false, 60000, false},
                        {"Yes", nullptr, true, 0, false},    {"Yes", "5.5", false, 60000, true},
                        {"Yes", "70", false, 60000, true},   {"Yes", "abc", false, 60000, true},
                        {"Yes", "-1", false, 60000, true},   {"Yes", "0", false, 60000, true},
                        {"Yes", "66", false, 60000, true},   {"Yes", "99999999999", false, 60000, true},
                        {"Yes", "", true, 0, false},         {"Yes", " 5 ", true, 5000, false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.polling) + " " + (c.interval ? c.interval : "(missing)"));
    TearDown();
    SetUp();
    Values prefs = Full_Preferences("Completed", c.polling, c.interval ? c.interval : "");
    if (!c.interval) prefs.erase(prefs.begin() + 3);
    Write(kPrefs, prefs);
    Write(kRanges, {{"0", "127.0.0.1:127.0.0.9"}});
    frmTQZ& form = Form();
    Dialog_Script script;
    if (c.reported) script.Push("Command3");
    form.Form_Activate();
    EXPECT_EQ(form.Timer1->Enabled(), c.enabled);
    EXPECT_EQ(form.Timer1->Interval(), c.ms);
    EXPECT_FALSE(form.Timer1->Counting() && c.ms == 0);
    EXPECT_EQ(script.Codes(), c.reported ? std::vector<std::string>{"15"} : std::vector<std::string>{});
    EXPECT_EQ(vbui::MousePointer(), 0);
  }
}

// Closing the error report activates the main window again: a refused
// interval is reported once while it stays stored, and again once another
// text is stored.
TEST_F(frmTQZ_Test, ARefusedIntervalIsReportedOnceWhileItStaysStored) {
  Write(kRanges, {{"0", "127.0.0.1:127.0.0.9"}});
  frmTQZ& form = Form();
  Dialog_Script script;
  struct Step {
    const char* interval;
    bool reported;
  };
  const Step steps[] = {{"abc", true}, {"abc", false}, {"abc", false}, {"66", true},
                        {"66", false}, {"45", false},  {"abc", true}};
  for (const Step& step : steps) {
    SCOPED_TRACE(step.interval);
    Write(kPrefs, Full_Preferences("Completed", "Yes", step.interval));
    if (step.reported) script.Push("Command3");
    const std::size_t before = script.Codes().size();
    form.Form_Activate();
    EXPECT_EQ(script.Codes().size(), before + (step.reported ? 1 : 0));
    if (!step.reported && std::string(step.interval) == "45") {
      EXPECT_TRUE(form.Timer1->Enabled());
      EXPECT_EQ(form.Timer1->Interval(), 45000);
    }
  }
}

TEST_F(frmTQZ_Test, NoPrintersQuestionAfterOptionsCancelAskedOnceOkRequestsDiscovery) {
  struct Case {
    const char* answer;
    bool ended, options, discovery;
  };
  const Case cases[] = {{"Command3", false, false, true},
                        {"Command2", true, false, false},
                        {"Command4", false, true, false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.answer);
    TearDown();
    SetUp();
    Good_Registry();
    frmTQZ& form = Form();
    form.Add_Tray_Icon();
    State.Super_User = "On";
    State.Options_Changed = "Cancel";
    Dialog_Script script;
    script.Push(c.answer);
    const bool ended = test_support::Ends([&] { form.Form_Activate(); });
    EXPECT_EQ(script.Codes(), std::vector<std::string>{"13"});
    EXPECT_EQ(ended, c.ended);
    EXPECT_EQ(tray_->Added(), !c.ended);
    EXPECT_EQ(frmOptions().Is_Visible(), c.options);
    EXPECT_EQ(form.Timer2->Enabled(), c.discovery);
    if (!ended) {
      form.Form_Activate();  // no second question for the same Cancel
      EXPECT_EQ(script.Codes().size(), 1u);
    }
  }
  // With printers known, no question.
  TearDown();
  SetUp();
  Good_Registry();
  frmTQZ& form = Form();
  State.Options_Changed = "Cancel";
  State.Installed_Printer_Count = 1;
  Dialog_Script script;
  form.Form_Activate();
  EXPECT_TRUE(script.Codes().empty());
}

// ---- Shut-down ----

TEST_F(frmTQZ_Test, ExitFlows) {
  enum How { Frame, TrayExit, Sixteen };
  struct Case {
    const char* what;
    How how;
    std::vector<std::string> answers;
    const char* quiet_exit;
    const char* cancelling;
    std::vector<std::string> codes;
    bool ended;
    bool timer1_after;
    // Run while the question is up: a report or a question that is dropped
    // because the exit question is showing.
    std::function<void()> meanwhile = nullptr;
  };
  const auto report = [] {
    Last_Error_Number = 13;
    Last_Error_Description = "Type mismatch";
    Report_Error();
  };
  const auto no_printers = [] { Show_Message("11"); };
  const Case cases[] = {
      {"Yes", Frame, {"Command3"}, "", "", {"10"}, true, false},
      {"No", Frame, {"Command2"}, "", "", {"10"}, false, true},
      {"frame close of the question counts as No", Frame, {""}, "", "", {"10"}, false, true},
      {"Escape counts as No", Frame, {"Escape"}, "", "", {"10"}, false, true},
      {"Escape after an error report meanwhile", Frame, {"Escape"}, "", "", {"10"}, false, true, report},
      {"Escape after the no-printers question meanwhile", Frame, {"Escape"}, "", "", {"10"}, false, true,
       no_printers},
      {"Yes after the no-printers question meanwhile", Frame, {"Command3"}, "", "", {"10"}, true, false,
       no_printers},
      {"Quiet_Exit: no question", Frame, {}, "Yes", "", {}, false, true},
      {"Options_Cancelling: ends without asking", Frame, {}, "", "On", {}, true, false},
      {"tray Exit, Yes", TrayExit, {"vbYes"}, "", "", {"MsgBox"}, true, false},
      {"tray Exit, No", TrayExit, {"vbNo"}, "", "", {"MsgBox"}, false, false},
      {"Cancel on 16 ends without the exit question", Sixteen, {"Command2"}, "", "", {"16"}, true,
       false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TearDown();
    SetUp();
    Good_Registry();
    frmTQZ& form = Form();
    form.Add_Tray_Icon();
    form.show();
    QTest::qWait(20);  // the first activation is over before the exit begins
    State.Polling_Enabled = "Yes";
    if (c.how == TrayExit) form.setWindowState(Qt::WindowMinimized);  // hidden to the icon
    State.Quiet_Exit = c.quiet_exit;
    State.Options_Cancelling = c.cancelling;
    form.Timer1->SetEnabled(true);
    Dialog_Script script;
    for (const std::string& a : c.answers) script.Push(a);
    if (c.meanwhile) script.Before = [&c](QDialog&) { c.meanwhile(); };
    bool ended = false;
    switch (c.how) {
      case Frame:
        form.close();
        ended = vbui::ProgramEnded();
        break;
      case TrayExit:
        ended = test_support::Ends([&] { form.mPopExit_Click(); });
        break;
      case Sixteen:
        ended = test_support::Ends([&] { Show_Message("16"); });
        break;
    }
    EXPECT_EQ(script.Codes(), c.codes);
    EXPECT_EQ(ended, c.ended);
    EXPECT_EQ(vbui::ProgramEnded(), c.ended);
    if (c.how == TrayExit && !c.ended) {
      EXPECT_FALSE(form.isVisible());
    }
    if (c.ended) {
      EXPECT_FALSE(form.isVisible());
      if (c.how != Sixteen) {
        EXPECT_FALSE(tray_->Added());
      }
    } else if (c.how == Frame && c.quiet_exit[0] == '\0') {
      EXPECT_TRUE(form.isVisible());
      EXPECT_EQ(Message_Code, "");
    }
    if (!c.ended) {
      EXPECT_EQ(form.Timer1->Enabled(), c.timer1_after);
    }
    if (c.how == TrayExit && !c.ended) {
      EXPECT_EQ(State.Menu_Exit, "Off");
    }
  }
}

// ---- The tray icon ----

TEST_F(frmTQZ_Test, TrayStateMachine) {
  Good_Registry();
  frmTQZ& form = Form();
  form.Add_Tray_Icon();
  EXPECT_EQ(tray_->Tip(), "Velmar TQZ2");
  State.Polling_Enabled = "Yes";
  form.show();
  form.Timer1->SetEnabled(true);

  // A right click while the window is shown and normal does nothing.
  tray_->Send(vbui::TrayRightUp);
  EXPECT_EQ(tray_->PopupCount(), 0);

  // Minimising hides the window and stops polling.
  form.setWindowState(Qt::WindowMinimized);
  EXPECT_FALSE(form.isVisible());
  EXPECT_FALSE(form.Timer1->Enabled());

  // A left click brings it back and polling runs again.
  tray_->Send(vbui::TrayLeftUp);
  EXPECT_TRUE(form.isVisible());
  EXPECT_FALSE(form.isMinimized());
  EXPECT_TRUE(form.Timer1->Enabled());

  // The icon's menu opened on the hidden window, dismissed; the next restore
  // comes back normal and clears Tray_Menu_Shown.
  form.setWindowState(Qt::WindowMinimized);
  EXPECT_FALSE(form.isVisible());
  tray_->Send(vbui::TrayRightUp);
  EXPECT_EQ(tray_->PopupCount(), 1);
  EXPECT_EQ(tray_->LastMenu(), form.mPopupSys);
  EXPECT_EQ(form.Tray_Menu_Shown, "Yes");
  form.mPopRestore_Click();
  EXPECT_TRUE(form.isVisible());
  EXPECT_FALSE(form.isMinimized());
  EXPECT_EQ(form.Tray_Menu_Shown, "No");
  EXPECT_TRUE(form.Timer1->Enabled());

  // Exit answered No leaves the window hidden and polling off.
  form.setWindowState(Qt::WindowMinimized);
  Dialog_Script script;
  script.Push("vbNo");
  form.mPopExit_Click();
  EXPECT_FALSE(form.isVisible());
  EXPECT_FALSE(form.Timer1->Enabled());

  // Polling "No": restored from the menu, polling stays off.
  State.Polling_Enabled = "No";
  tray_->Send(vbui::TrayRightUp);
  form.mPopRestore_Click();
  EXPECT_TRUE(form.isVisible());
  EXPECT_FALSE(form.Timer1->Enabled());
}

TEST_F(frmTQZ_Test, WithoutATrayMinimisingKeepsTheWindowReachable) {
  Good_Registry();
  frmTQZ& form = Form(/*tray=*/false);
  State.Polling_Enabled = "Yes";
  form.show();
  form.Timer1->SetEnabled(true);
  form.setWindowState(Qt::WindowMinimized);
  EXPECT_TRUE(form.isVisible());
  EXPECT_TRUE(form.isMinimized());
  EXPECT_FALSE(form.Timer1->Enabled());
  form.setWindowState(Qt::WindowNoState);
  EXPECT_TRUE(form.Timer1->Enabled());
}

// ---- A second start ----

// A later start of the program on another thread: its guard hands over to
// the running instance, which answers on this thread's event loop.
vbui::SingleInstance::Outcome Start_Again(const QString& key) {
  std::atomic<int> outcome{-1};
  std::thread later([&] {
    vbui::SingleInstance guard(key, 5000);
    outcome = static_cast<int>(guard.Start());
  });
  while (outcome < 0) QTest::qWait(5);
  later.join();
  return static_cast<vbui::SingleInstance::Outcome>(outcome.load());
}

// The running monitor minimised, with and without a notification area (with
// one, minimising hides the window to the icon), and another application in
// front. A second start brings the window back: shown, no longer minimised,
// the active window, and polling again as after a restore from the icon.
// The offscreen platform activates a window when asked, so activation is
// observed; a bare QWindow stands for the other application (no form of the
// program, so coming back from it is no activation of the form's own).
TEST_F(frmTQZ_Test, ASecondStartBringsTheWindowToTheFront) {
  for (const bool tray : {false, true}) {
    SCOPED_TRACE(tray ? "hidden to the icon" : "minimised, no notification area");
    Good_Registry();
    const vlm::testing::TempFolder folder("vlm-instance");
    const QString key = QString::fromStdString(folder / "tqz2");
    vbui::SingleInstance guard(key);
    frmTQZ form(std::make_unique<vbui::FakeTrayIcon>(tray), &guard);
    form.Form_Initialize();  // the first start becomes the instance
    ASSERT_TRUE(guard.IsPrimary());
    form.show();
    ASSERT_TRUE(QTest::qWaitFor([&] { return form.isActiveWindow(); }));
    ASSERT_TRUE(form.Timer1->Enabled());  // the activation started polling

    form.setWindowState(Qt::WindowMinimized);
    EXPECT_EQ(form.isHidden(), tray);
    EXPECT_FALSE(form.Timer1->Enabled());
    QWindow other;
    other.resize(200, 100);
    other.show();
    other.requestActivate();
    ASSERT_TRUE(QTest::qWaitFor([&] { return QGuiApplication::focusWindow() == &other; }));
    ASSERT_FALSE(form.isActiveWindow());

    EXPECT_EQ(Start_Again(key), vbui::SingleInstance::Outcome::HandedOver);
    EXPECT_TRUE(QTest::qWaitFor([&] { return form.isActiveWindow(); }));
    EXPECT_TRUE(form.isVisible());
    EXPECT_FALSE(form.isMinimized());
    EXPECT_EQ(QApplication::activeWindow(), &form);
    EXPECT_TRUE(form.Timer1->Enabled());
    EXPECT_TRUE(guard.IsPrimary());  // the instance runs on
    EXPECT_FALSE(vbui::ProgramEnded());
  }
}

// ---- Captions ----

TEST_F(frmTQZ_Test, CaptionsWithoutAndWithALanguageCatalogue) {
  {
    frmTQZ& form = Form();
    form.Localise_Main_Window();
    EXPECT_EQ(form.windowTitle(), "Velmar Printer Monitor - Controller Name  Unknown");
    EXPECT_EQ(form.Refresh_Discovery->text(), "Refresh &Discovey");
    EXPECT_EQ(form.SSTab1->TabCaption(3), "Alert/Error Status");
    // The QuickView's value boxes show nothing until a value is read.
    for (const char* box : {"lblIPModel", "lblIPInstalled", "lblIPLocation", "lblIPStatus", "lblIPEngine1Name",
                            "lblIPFinisher1Name", "lblIPEngine2Name", "lblIPEngine2Status", "lblIPFinisher2Name",
                            "lblIPPDL", "lblIPSpoolName"})
      EXPECT_EQ(form.Caption(box, Main_Window_Port::kNoIndex), "") << box;
    EXPECT_EQ(Installed_Text, "Installed");
    EXPECT_EQ(Not_Installed_Text, "Not Installed");
    EXPECT_EQ(Not_Applicable_Text, "N/A");
    Selected_List_Kind = 1;
    Selected_Device = 4;
    form.Build_Form_Caption();
    EXPECT_EQ(form.windowTitle(), "Velmar Printer Monitor  -  Controller Name :  Unknown");
    Device_List_Fields(1, 4, 1) = std::string("Model X");
    form.Build_Form_Caption();
    EXPECT_EQ(form.windowTitle(), "Velmar Printer Monitor  -  Controller Name :  Model X");
    // A printer's name is shown as written, Qt's "[*]" mark too.
    Device_List_Fields(1, 4, 1) = std::string("<b>Lab</b> [*] 2");
    form.Build_Form_Caption();
    form.winId();
    EXPECT_EQ(form.windowHandle()->title(), "Velmar Printer Monitor  -  Controller Name :  <b>Lab</b> [*] 2");
  }
  Start_Localised(Echo_Catalogue(), "ja_JP.UTF-8", "JAP0411");
  frmTQZ& form = Form();
  form.Localise_Main_Window();
  EXPECT_EQ(form.windowTitle(), "#235 - #152  #389");
  EXPECT_EQ(form.Refresh_Discovery->text(), "#319");
  EXPECT_EQ(form.Command->title(), "#102");
  EXPECT_EQ(form.mPopRestore->text(), "&Restore");  // kept
  EXPECT_EQ(form.SSTab1->TabCaption(0), "#314");
  EXPECT_EQ(form.SSTab1->TabCaption(6), "Jobs");  // kept
  EXPECT_EQ(form.Caption("LabelQView", 10), "#435");
  EXPECT_EQ(form.Caption("LabelOutput", 9), "#412");
  EXPECT_EQ(Installed_Text, "#227");
  EXPECT_EQ(form.Caption("lblIPModel", Main_Window_Port::kNoIndex), "");
  EXPECT_EQ(form.Caption("lblIPStatus", Main_Window_Port::kNoIndex), "");
  EXPECT_EQ(form.Label("lblIPModel")->property("charSet").toInt(), 128);
  EXPECT_EQ(form.SSTab1->property("charSet").toInt(), 128);
  EXPECT_FALSE(form.Label("lblIPMemAvail")->property("charSet").isValid());  // left out
  EXPECT_FALSE(form.Label("LabelQView", 0)->property("charSet").isValid());
}

TEST_F(frmTQZ_Test, PictureOfEachTab) {
  Good_Registry();
  frmTQZ& form = Form();
  form.Form_Initialize();  // the column headers and engine names
  form.Localise_Main_Window();
  form.lvwIPs->addItem(new QListWidgetItem(form.Program_Icon(), "Printer"));
  form.show();
  for (int tab = 0; tab < 7; ++tab) {
    form.SSTab1->SetTab(tab);
    const QString path = vbui::testing::SaveScreenshot(form, QString("frmTQZ_tab%1").arg(tab));
    EXPECT_TRUE(QFile::exists(path)) << path.toStdString();
  }
}

}  // namespace
}  // namespace vlm::monitor
