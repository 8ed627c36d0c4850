// Test support for the forms: a fresh program state, the dialog service
// answering from a script, and a main window stand-in for the dialogs.
#pragma once

#include <gtest/gtest.h>

#include <QLineEdit>
#include <QPushButton>

#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "monitor/devicedata/devicedata_test_support.h"
#include "monitor/forms/Message_Box.h"
#include "monitor/forms/forms.h"
#include "monitor/vbui/vbui.h"
#include "monitor/vbui/vbui_test_support.h"

namespace vlm::monitor::test_support {

// Runs f; true when it ended the program (End() throws vbui::ProgramEnd).
template <class F>
bool Ends(F&& f) {
  try {
    f();
  } catch (const vbui::ProgramEnd&) {
    return true;
  }
  return false;
}

// One shown dialog as the script saw it.
struct Seen_Dialog {
  std::string name;          // objectName
  std::string code;          // Message_Code when it came up
  std::vector<std::string> visible_buttons;
  std::string title;
};

// Answers dialogs in order: each entry is the objectName of the button to
// click ("" closes by the frame, "Escape" presses Escape).
class Dialog_Script {
 public:
  Dialog_Script() {
    vbui::DialogService::Instance().SetResponder([this](QDialog& d) { Answer(d); });
  }
  ~Dialog_Script() { vbui::DialogService::Instance().ClearResponder(); }
  void Push(std::string button) { answers_.push_back(std::move(button)); }
  std::vector<std::string> Codes() const {
    std::vector<std::string> codes;
    for (const Seen_Dialog& s : seen_) codes.push_back(s.code);
    return codes;
  }
  const std::vector<Seen_Dialog>& Seen() const { return seen_; }
  // Called with each dialog before it is answered (screenshots).
  std::function<void(QDialog&)> Before;

 private:
  void Answer(QDialog& d) {
    Seen_Dialog s;
    s.name = d.objectName().toStdString();
    s.code = s.name == "Message_Box" ? Message_Code : s.name;
    s.title = d.windowTitle().toStdString();
    for (QPushButton* b : d.findChildren<QPushButton*>()) {
      if (!b->isHidden()) s.visible_buttons.push_back(b->objectName().toStdString());
    }
    seen_.push_back(s);
    if (Before) Before(d);
    if (answers_.empty()) {
      ADD_FAILURE() << "no answer scripted for " << s.name << " " << s.code;
      return;  // closed as by the frame
    }
    const std::string a = answers_.front();
    answers_.pop_front();
    if (a == "Escape") {
      d.reject();
    } else if (!a.empty()) {
      EXPECT_TRUE(vbui::ClickButton(d, QString::fromStdString(a))) << a << " on " << s.code;
    }
  }
  std::deque<std::string> answers_;
  std::vector<Seen_Dialog> seen_;
};

// What the dialogs do to the main window.
class Recording_Main_Form : public Main_Form {
 public:
  QWidget* Widget() override { return nullptr; }
  void Show_Window() override { ++shown; visible = true; }
  void Hide_Window() override { ++hidden; visible = false; }
  void Set_Timer1_Enabled(bool e) override { timer1 = e; }
  void Set_Timer2_Enabled(bool e) override { timer2 = e; }
  void Remove_Tray_Icon() override { ++tray_removed; }
  void Unload_Window() override { ++unloaded; }
  int shown = 0, hidden = 0, tray_removed = 0, unloaded = 0;
  bool visible = true;
  std::optional<bool> timer1, timer2;
};

inline void Reset_Forms_State() {
  Reset_Module_Values();
  State = Monitor_State{};
  Main = nullptr;
  vbui::ResetForTests();
  frmOptions().Unload();
  vbui::DeleteClosedWindowsForTests();
  Install_Message_Box();
}

class Forms_Test : public DeviceDataTest {
 protected:
  void SetUp() override {
    vbui::testing::App();
    DeviceDataTest::SetUp();
    Reset_Forms_State();
  }
  void TearDown() override {
    Reset_Forms_State();
    DeviceDataTest::TearDown();
  }
};

}  // namespace vlm::monitor::test_support
