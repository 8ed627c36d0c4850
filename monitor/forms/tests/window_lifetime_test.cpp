// The monitor's dialogs closed and then the active window moved on: every
// Message_Box question and the error report, the About box and the options
// dialog. Each is closed at once, before the window system has delivered its
// activation, as a quick answer or the offscreen close does, so Qt makes the
// closed window the active one afterwards; the main window's activation then
// reports an error, as its Form_Activate does for a polling interval it
// refuses, which loads the message dialog again. Run under AddressSanitizer
// these catch a closed window freed while Qt still delivers events to it.
#include <QApplication>
#include <QTest>

#include "monitor/forms/frmAbout.h"
#include "monitor/forms/frmOptions.h"
#include "monitor/forms/tests/options_test_support.h"

namespace vlm::monitor {
namespace {

using test_support::Dialog_Script;

// The main window as the dialogs see it: a plain window that Show_Window
// brings to the front.
class Plain_Main_Form : public test_support::Recording_Main_Form {
 public:
  explicit Plain_Main_Form(QWidget& window) : window_(window) {}
  QWidget* Widget() override { return &window_; }
  void Show_Window() override {
    Recording_Main_Form::Show_Window();
    window_.show();
    window_.activateWindow();
  }

 private:
  QWidget& window_;
};

class Window_Lifetime_Test : public test_support::Options_Test {
 protected:
  void SetUp() override {
    Options_Test::SetUp();
    Installed_Registry({{"0", "127.0.0.1:127.0.0.9"}});
    test_support::Set_Preference_Copies();
    main_ = std::make_unique<QWidget>();
    other_ = std::make_unique<QWidget>();
    main_->setObjectName("frmTQZ");
    other_->setObjectName("other");
    main_form_ = std::make_unique<Plain_Main_Form>(*main_);
    Main = main_form_.get();
    // Form_Activate with a polling interval it refuses: the error report.
    new vbui::ActivationWatcher(main_.get(), [this] {
      ++activations_;
      Last_Error_Number = 13;
      Last_Error_Description = "Type mismatch";
      Report_Error();
    });
    other_->show();
    main_->show();
    Activate(*main_);
  }
  void TearDown() override {
    Main = nullptr;
    main_form_.reset();
    other_.reset();
    main_.reset();
    Options_Test::TearDown();
  }
  static void Activate(QWidget& w) {
    w.activateWindow();
    // The window system's events: the activation, and whatever a report
    // it leads to shows.
    for (int i = 0; i < 3; ++i) QCoreApplication::processEvents();
  }
  // After the window has closed: the main window, another window and the
  // main window again become active; the main window's activations report.
  void Move_Activation_On() {
    const int before = activations_;
    QCoreApplication::processEvents();  // the closed window's late activation
    Activate(*main_);
    Activate(*other_);
    Activate(*main_);
    EXPECT_GE(activations_, before + 2);
  }

  std::unique_ptr<QWidget> main_;
  std::unique_ptr<QWidget> other_;
  std::unique_ptr<Plain_Main_Form> main_form_;
  int activations_ = 0;
};

TEST_F(Window_Lifetime_Test, EachMessageBoxCodeClosedThenOtherWindowsActivated) {
  for (const char* code : {"10", "11", "12", "13", "14", "15", "16"}) {
    for (const char* super : {"On", "Off"}) {
      SCOPED_TRACE(std::string(code) + " super " + super);
      State.Super_User = super;
      Dialog_Script script;
      for (int i = 0; i < 8; ++i) script.Push("");  // closed by the frame
      if (std::string(code) == "15") {
        Last_Error_Number = 91;
        Last_Error_Description = "Object variable or With block variable not set";
        Report_Error();
      } else {
        Show_Message(code);
      }
      Move_Activation_On();
      EXPECT_FALSE(The_Message_Box().Showing());
    }
  }
}

TEST_F(Window_Lifetime_Test, AboutBoxClosedThenOtherWindowsActivated) {
  for (int round = 0; round < 2; ++round) {
    Dialog_Script script;
    for (int i = 0; i < 8; ++i) script.Push(i == 0 ? "cmdOK" : "");
    Show_About();
    Move_Activation_On();
    EXPECT_EQ(script.Seen().front().name, "frmAbout");
  }
}

TEST_F(Window_Lifetime_Test, OptionsDialogClosedThenOtherWindowsActivated) {
  for (int round = 0; round < 2; ++round) {
    Dialog_Script script;
    for (int i = 0; i < 8; ++i) script.Push("");
    frmOptions_Form& form = test_support::Show_Options();
    form.cmdCancel->click();
    EXPECT_FALSE(frmOptions().Is_Visible());
    Move_Activation_On();
  }
}

}  // namespace
}  // namespace vlm::monitor
