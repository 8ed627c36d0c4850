// frmAbout: the monitor's About box.
//
// What a caller may rely on:
// - Show_About() loads the box, shows it modally through the dialog service
//   and returns when it has closed (cmdOK or the window frame).
// - Its load sets Program_Title (the device data module's value) to the
//   product title, or to text 234 of the language library when Localised is
//   "On"; later message boxes take it as their title.
// - lblVersion is the version word ("Version", or text 393 up to its first
//   NUL), one space and the program's major, minor and revision numbers as
//   plain decimals joined by "." (a revision of 0 shows as "0").
// - With the language library on, every control and the form keep the font
//   character set of Code_Page_Text in their "charSet" property.
#pragma once

#include <QDialog>

#include <string>

class QLabel;
class QPushButton;

namespace vlm::monitor {

// The product title and description shown when no language library is on.
inline constexpr const char* Product_Title = "Velmar Printer Monitor";
inline constexpr const char* Product_Description =
    "Utility for Monitoring Printer Status and Configuration";

// The program's version, from the build's project version.
struct Program_Version {
  int major = 0;
  int minor = 0;
  int revision = 0;
};
Program_Version This_Program_Version();

// "word major.minor.revision".
std::string Version_Text(const std::string& word, const Program_Version& version);

class frmAbout : public QDialog {
  Q_OBJECT
 public:
  explicit frmAbout(QWidget* parent = nullptr);
  void Form_Load();
  void cmdOK_Click();

  QLabel* lblTitle = nullptr;
  QLabel* lblDescription = nullptr;
  QLabel* lblVersion = nullptr;
  QLabel* picIcon = nullptr;
  QLabel* Image1 = nullptr;
  QPushButton* cmdOK = nullptr;
};

void Show_About();

}  // namespace vlm::monitor
