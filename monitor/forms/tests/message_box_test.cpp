// Message_Box: the layouts by code and Super_User, the answers, one dialog
// at a time, the message table's texts, and a picture of each question.
#include <QLineEdit>
#include <QPushButton>
#include <QWindow>

#include "monitor/forms/tests/forms_test_support.h"

namespace vlm::monitor {
namespace {

using test_support::Dialog_Script;
using test_support::Forms_Test;
using test_support::Recording_Main_Form;

class Message_Box_Test : public Forms_Test {};

bool Overlap(QPushButton* a, QPushButton* b) { return a->geometry().intersects(b->geometry()); }

TEST_F(Message_Box_Test, LayoutByCodeAndSuperUserNeverOverlaps) {
  struct Case {
    const char* code;
    const char* super;
    std::vector<std::string> buttons;  // visible, in child order
  };
  const Case cases[] = {
      {"10", "On", {"Command2", "Command3"}},
      {"11", "On", {"Command2", "Command3", "Command4"}},
      {"11", "Off", {"Command2", "Command3"}},
      {"12", "On", {"Command2", "Command3"}},  // no Configure on "12"
      {"13", "On", {"Command2", "Command3", "Command4"}},
      {"13", "Off", {"Command2", "Command3"}},
      {"14", "On", {"Command2", "Command3", "Command4"}},
      {"14", "Off", {"Command2", "Command3"}},
      {"16", "On", {"Command2", "Command3", "Command4"}},
      {"16", "Off", {"Command2", "Command3"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.code) + " " + c.super);
    State.Super_User = c.super;
    Dialog_Script script;
    script.Before = [](QDialog& d) {
      std::vector<QPushButton*> shown;
      for (QPushButton* b : d.findChildren<QPushButton*>()) {
        if (!b->isHidden()) shown.push_back(b);
      }
      for (std::size_t i = 0; i < shown.size(); ++i) {
        EXPECT_LE(shown[i]->geometry().right(), d.width()) << shown[i]->objectName().toStdString();
        for (std::size_t j = i + 1; j < shown.size(); ++j) {
          EXPECT_FALSE(Overlap(shown[i], shown[j]))
              << shown[i]->objectName().toStdString() << " " << shown[j]->objectName().toStdString();
        }
      }
    };
    script.Push("Command3");
    Show_Message(c.code);
    ASSERT_EQ(script.Seen().size(), 1u);
    EXPECT_EQ(script.Seen()[0].visible_buttons, c.buttons);
  }
}

TEST_F(Message_Box_Test, AnswersByCodeAndButton) {
  struct Case {
    const char* code;
    const char* button;  // "" frame close
    const char* polling;
    std::string answer;
    bool timer1_on;
    bool options_opened;
    bool ended;
  };
  const Case cases[] = {
      {"10", "Command2", "Yes", "10-1", true, false, false},
      {"10", "Command2", "No", "10-1", false, false, false},
      {"10", "Command3", "Yes", "", false, false, false},
      {"10", "", "Yes", "10", false, false, false},  // the frame writes no answer
      {"11", "Command2", "Yes", "11-1", false, false, false},
      {"11", "Command4", "Yes", "14-1", false, true, false},
      {"12", "Command2", "Yes", "12-1", false, false, false},
      {"12", "Command3", "Yes", "", false, false, false},
      {"13", "Command4", "Yes", "14-1", false, true, false},
      {"14", "Command4", "Yes", "14-1", false, true, false},
      {"14", "Escape", "Yes", "14", false, false, false},
      {"16", "Command3", "Yes", "", false, false, false},
      {"16", "Command4", "Yes", "16-1", false, true, false},
      {"16", "Command2", "Yes", "16", false, false, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.code) + " " + c.button + " " + c.polling);
    test_support::Reset_Forms_State();
    Recording_Main_Form main;
    Main = &main;
    State.Super_User = "On";
    State.Polling_Enabled = c.polling;
    Dialog_Script script;
    script.Push(c.button);
    bool ended = false;
    try {
      Show_Message(c.code);
    } catch (const vbui::ProgramEnd&) {
      ended = true;
    }
    EXPECT_EQ(ended, c.ended);
    EXPECT_EQ(vbui::ProgramEnded(), c.ended);
    EXPECT_EQ(Message_Code, c.answer);
    EXPECT_EQ(main.timer1.value_or(false), c.timer1_on);
    EXPECT_EQ(frmOptions().Is_Visible(), c.options_opened);
    EXPECT_EQ(main.hidden, c.options_opened ? 1 : 0);
    EXPECT_EQ(main.unloaded, c.ended ? 1 : 0);
    Main = nullptr;
  }
}

TEST_F(Message_Box_Test, ASecondShowWhileOneIsUpIsDroppedAndChangesNothing) {
  State.Super_User = "On";
  Dialog_Script script;
  std::string textWhenAnswered;
  script.Before = [&](QDialog& d) {
    // An error report while the exit question is up.
    Last_Error_Number = 13;
    Last_Error_Description = "Type mismatch";
    Report_Error();
    textWhenAnswered = d.findChild<QLineEdit*>("Text3")->text().toStdString();
    EXPECT_FALSE(d.findChild<QPushButton*>("Command2")->isHidden());
  };
  // The answer is the exit question's, though the report wrote "15"; closed
  // by Escape, the question leaves its own code.
  const std::pair<const char*, const char*> answers[] = {{"Command2", "10-1"}, {"Escape", "10"}};
  for (const auto& [button, answer] : answers) {
    SCOPED_TRACE(button);
    textWhenAnswered = "?";
    script.Push(button);
    Show_Message("10");
    EXPECT_EQ(textWhenAnswered, "");
    EXPECT_EQ(Message_Code, answer);
  }
  EXPECT_EQ(script.Seen().size(), 2u);
  // The next show starts from the design state again.
  script.Before = nullptr;
  script.Push("Command3");
  Report_Error();
  ASSERT_EQ(script.Seen().size(), 3u);
  EXPECT_EQ(script.Seen()[2].code, "15");
  EXPECT_EQ(script.Seen()[2].visible_buttons, (std::vector<std::string>{"Command3"}));
  EXPECT_EQ(Message_Code, "");
}

TEST_F(Message_Box_Test, EachLoadStartsFromTheDesignStateOfTheOneForm) {
  // What a question shows: the form's title and size, and each control's
  // place, size, visibility and text.
  auto shown = [](QDialog& d) {
    std::vector<std::string> all{d.windowTitle().toStdString(),
                                 std::to_string(d.width()) + "x" + std::to_string(d.height())};
    for (QWidget* w : d.findChildren<QWidget*>()) {
      const QRect g = w->geometry();
      QString text;
      if (auto* b = qobject_cast<QPushButton*>(w)) text = b->text();
      if (auto* t = qobject_cast<QLineEdit*>(w)) text = t->text();
      all.push_back(QString("%1 %2,%3 %4x%5 %6 %7")
                        .arg(w->objectName())
                        .arg(g.x()).arg(g.y()).arg(g.width()).arg(g.height())
                        .arg(w->isHidden() ? "hidden" : "shown", text)
                        .toStdString());
    }
    return all;
  };
  State.Super_User = "On";
  Dialog_Script script;
  std::vector<std::vector<std::string>> seen;
  std::vector<QDialog*> forms;
  script.Before = [&](QDialog& d) {
    seen.push_back(shown(d));
    forms.push_back(&d);
  };
  for (int i = 0; i < 6; ++i) script.Push("Command3");
  Show_Message("10");
  // Wide, moved, relabelled and hidden controls in between.
  Show_Message("12");
  Show_Message("16");
  Last_Error_Number = 13;
  Last_Error_Description = "Type mismatch";
  Report_Error();
  Show_Message("14");
  Show_Message("10");
  ASSERT_EQ(seen.size(), 6u);
  EXPECT_EQ(seen.back(), seen.front());
  // One form for the program's life: an unloaded question is hidden, not
  // destroyed.
  for (QDialog* f : forms) EXPECT_EQ(f, forms.front());
}

TEST_F(Message_Box_Test, TextsEnglishOrLocalised) {
  State.Super_User = "Off";
  Dialog_Script script;
  std::vector<std::string> texts;
  script.Before = [&](QDialog& d) {
    texts.clear();
    for (int i = 1; i <= 5; ++i) {
      texts.push_back(d.findChild<QLineEdit*>(QString("Text%1").arg(i))->text().toStdString());
    }
    texts.push_back(d.windowTitle().toStdString());
    texts.push_back(d.findChild<QPushButton*>("Command2")->text().toStdString());
  };
  script.Push("Command3");
  Show_Message("16");
  EXPECT_EQ(texts, (std::vector<std::string>{
                       "TQZ was Abnormally Terminated. The Configuration may need adjusting",
                       "Changes to the Configuration is a System Administrator function", "",
                       "Clicking \"Ok\" will Execute the current Configuration",
                       "Clicking \"Cancel\" will Exit you from the Velmar Printer Monitor.",
                       std::string(44, ' ') + "Velmar Printer Monitor", "Cancel"}));
  Start_Localised(Echo_Catalogue(), "ja_JP.UTF-8", "JAP0411");
  script.Push("Command3");
  Show_Message("13");
  EXPECT_EQ(texts, (std::vector<std::string>{"#267", "#370", "#369", "#427", "",
                                             std::string(17, ' ') + "#235", "#137"}));
}

TEST_F(Message_Box_Test, ErrorReportShowsItsTitleAndTextAsWritten) {
  Start_Localised("235\t<b>Velmar</b> [*] Monitor\n276\tOk\n", "ja_JP.UTF-8", "JAP0411");
  Dialog_Script script;
  QString title, text;
  script.Before = [&](QDialog& d) {
    title = d.windowHandle()->title();
    text = d.findChild<QLineEdit*>("Text3")->text();
    vbui::testing::SaveScreenshot(d, "message_box_error_report_as_written");
  };
  script.Push("Command3");
  Last_Error_Number = 380;
  Last_Error_Description = "Invalid property value";
  Report_Error();
  EXPECT_EQ(title.toStdString(), std::string(15, ' ') + "<b>Velmar</b> [*] Monitor");
  EXPECT_EQ(text.toStdString(), "380    Invalid property value");
}

TEST_F(Message_Box_Test, PictureOfEachQuestion) {
  for (const char* super : {"On", "Off"}) {
    for (const char* code : {"10", "11", "12", "13", "14", "16"}) {
      State.Super_User = super;
      Dialog_Script script;
      QString path;
      script.Before = [&](QDialog& d) {
        path = vbui::testing::SaveScreenshot(
            d, QString("message_box_%1_super_%2").arg(code).arg(super));
      };
      script.Push("Command3");
      Show_Message(code);
      EXPECT_TRUE(QFile::exists(path)) << path.toStdString();
    }
  }
  // The notice to a user who can store nothing.
  State.Super_User = "Off";
  State.Registry_Read_Only = true;
  for (const char* code : {"12", "14"}) {
    Dialog_Script script;
    QString path;
    script.Before = [&](QDialog& d) {
      path = vbui::testing::SaveScreenshot(d, QString("message_box_%1_read_only").arg(code));
    };
    script.Push("Command3");
    Show_Message(code);
    EXPECT_TRUE(QFile::exists(path)) << path.toStdString();
  }
  State.Registry_Read_Only = false;
  Dialog_Script script;
  script.Before = [](QDialog& d) { vbui::testing::SaveScreenshot(d, "message_box_15"); };
  script.Push("Command3");
  Last_Error_Number = 91;
  Last_Error_Description = "Object variable or With block variable not set";
  Report_Error();
}

}  // namespace
}  // namespace vlm::monitor
