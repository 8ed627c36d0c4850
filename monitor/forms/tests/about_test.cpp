// The About box: its texts with and without the language library, the
// version text, the program title it leaves for later message boxes, and a
// picture of it.
#include <QLabel>
#include <QPushButton>

#include <QAction>
#include <QWindow>

#include "monitor/forms/frmAbout.h"
#include "monitor/forms/frmTQZ.h"
#include "monitor/forms/frmTQZ_main.h"
#include "monitor/forms/tests/forms_test_support.h"

namespace vlm::monitor {
namespace {

using test_support::Dialog_Script;
using test_support::Forms_Test;

class About_Test : public Forms_Test {};

TEST_F(About_Test, VersionTextKeepsZerosAndDropsLeadingZeros) {
  struct Case {
    std::string word;
    Program_Version version;
    std::string text;
  };
  const Case cases[] = {
      {"Version", {2, 1, 5}, "Version 2.1.5"},  // file version 2.01.0005
      {"Version", {1, 0, 0}, "Version 1.0.0"},  // a zero revision is shown
      {"Versión", {10, 20, 300}, "Versión 10.20.300"},
  };
  for (const Case& c : cases) EXPECT_EQ(Version_Text(c.word, c.version), c.text);
}

TEST_F(About_Test, EnglishTextsAndProgramTitleWithoutALanguageLibrary) {
  frmAbout about;
  about.Form_Load();
  EXPECT_EQ(Program_Title, Product_Title);
  EXPECT_EQ(about.windowTitle().toStdString(), Product_Title);
  EXPECT_EQ(about.lblTitle->text().toStdString(), Product_Title);
  EXPECT_EQ(about.lblDescription->text().toStdString(), Product_Description);
  EXPECT_EQ(about.cmdOK->text().toStdString(), "OK");
  EXPECT_EQ(about.lblVersion->text().toStdString(),
            Version_Text("Version", This_Program_Version()));
  EXPECT_FALSE(about.property("charSet").isValid());
}

TEST_F(About_Test, LocalisedTextsReplaceTheProgramTitle) {
  // The version word of the library carries a NUL and text after it.
  // Catalogue texts are shown as written, markup and "[*]" too.
  Start_Localised("234\t<b>Titre</b> [*]\n392\tUtilitaire &amp; <i>surveillance</i>\n393\tÉdition" +
                      std::string(1, '\0') + "junk\n276\tD'accord\n",
                  "fr_FR.UTF-8", "FRN040C");
  Program_Title = "old title";
  frmAbout about;
  about.Form_Load();
  about.winId();
  EXPECT_EQ(Program_Title, "<b>Titre</b> [*]");
  EXPECT_EQ(vbui::ShownText(*about.lblTitle).toStdString(), "<b>Titre</b> [*]");
  EXPECT_EQ(about.windowHandle()->title().toStdString(), "<b>Titre</b> [*]");
  EXPECT_EQ(about.cmdOK->text().toStdString(), "D'accord");
  EXPECT_EQ(vbui::ShownText(*about.lblDescription).toStdString(), "Utilitaire &amp; <i>surveillance</i>");
  const Program_Version v = This_Program_Version();
  EXPECT_EQ(about.lblVersion->text().toStdString(), Version_Text("Édition", v));
  for (QWidget* w : std::initializer_list<QWidget*>{&about, about.cmdOK, about.lblDescription,
                                                    about.lblTitle, about.lblVersion,
                                                    about.picIcon}) {
    EXPECT_EQ(w->property("charSet").toInt(), CodePage_To_CharSet(Code_Page_Text))
        << w->objectName().toStdString();
  }
}

TEST_F(About_Test, OkClosesTheBoxAndLaterMessagesTakeItsTitle) {
  Dialog_Script script;
  script.Before = [](QDialog& d) {
    if (d.objectName() == "frmAbout") vbui::testing::SaveScreenshot(d, "about");
  };
  script.Push("cmdOK");
  Show_About();
  ASSERT_EQ(script.Seen().size(), 1u);
  EXPECT_EQ(script.Seen()[0].name, "frmAbout");
  EXPECT_EQ(script.Seen()[0].title, Product_Title);
  EXPECT_FALSE(vbui::DialogService::Instance().IsShowing("frmAbout"));

  // The general error report is captioned with the title the box set.
  script.Push("Command3");
  Last_Error_Number = 5;
  Last_Error_Description = "Invalid procedure call or argument";
  Report_Error();
  ASSERT_EQ(script.Seen().size(), 2u);
  EXPECT_EQ(script.Seen()[1].title, std::string(15, ' ') + Product_Title);
}

TEST_F(About_Test, HelpAboutShowsTheBoxOwnedByTheMainWindow) {
  frmTQZ form(std::make_unique<vbui::FakeTrayIcon>());
  frmTQZ_Main procedures(form);
  Dialog_Script script;
  QWidget* owner = nullptr;
  script.Before = [&owner](QDialog& d) { owner = d.parentWidget(); };
  script.Push("cmdOK");
  form.About->trigger();
  ASSERT_EQ(script.Seen().size(), 1u);
  EXPECT_EQ(script.Seen()[0].name, "frmAbout");
  EXPECT_EQ(script.Seen()[0].title, Product_Title);
  EXPECT_EQ(owner, &form);
  EXPECT_EQ(Program_Title, Product_Title);
}

}  // namespace
}  // namespace vlm::monitor
