#include "monitor/forms/frmAbout.h"

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QStyle>

#include "monitor/devicedata/devicedata.h"
#include "monitor/forms/forms.h"
#include "monitor/vbui/vbui.h"

namespace vlm::monitor {

using vbui::Twips;

Program_Version This_Program_Version() {
  return {VLM_PROGRAM_VERSION_MAJOR, VLM_PROGRAM_VERSION_MINOR, VLM_PROGRAM_VERSION_REVISION};
}

std::string Version_Text(const std::string& word, const Program_Version& v) {
  return word + " " + std::to_string(v.major) + "." + std::to_string(v.minor) + "." +
         std::to_string(v.revision);
}

frmAbout::frmAbout(QWidget* parent) : QDialog(parent) {
  setObjectName("frmAbout");
  setModal(true);
  setFixedSize(Twips(5730), Twips(3210));
  auto label = [this](const char* name, int left, int top, int width, int height) {
    auto* l = new vbui::VbLabel(QString(), this);
    l->setObjectName(name);
    l->setGeometry(Twips(left), Twips(top), Twips(width), Twips(height));
    l->setWordWrap(true);
    return l;
  };
  picIcon = label("picIcon", 240, 240, 540, 540);
  picIcon->setPixmap(QApplication::style()->standardIcon(QStyle::SP_ComputerIcon).pixmap(32, 32));
  Image1 = label("Image1", 240, 960, 540, 540);
  Image1->setPixmap(QApplication::style()->standardIcon(QStyle::SP_DriveNetIcon).pixmap(32, 32));
  lblTitle = label("lblTitle", 1050, 240, 4400, 480);
  QFont big = lblTitle->font();
  big.setPointSize(big.pointSize() + 3);
  big.setBold(true);
  lblTitle->setFont(big);
  lblVersion = label("lblVersion", 1050, 780, 4400, 300);
  lblDescription = label("lblDescription", 1050, 1200, 4400, 900);
  cmdOK = new QPushButton(this);
  cmdOK->setObjectName("cmdOK");
  cmdOK->setGeometry(Twips(4245), Twips(2625), Twips(1260), Twips(345));
  cmdOK->setDefault(true);
  connect(cmdOK, &QPushButton::clicked, this, vbui::Slot([this] { cmdOK_Click(); }));
}

void frmAbout::Form_Load() {
  std::string title, versionWord;
  if (Localised != "On") {
    title = Product_Title;
    versionWord = "Version";
    lblDescription->setText(Product_Description);
    cmdOK->setText("OK");
  } else {
    const int charSet = CodePage_To_CharSet(Code_Page_Text);
    for (QWidget* w : std::initializer_list<QWidget*>{cmdOK, this, lblDescription, lblTitle,
                                                      lblVersion, picIcon}) {
      w->setProperty("charSet", charSet);
    }
    title = Load_Res_String(234);
    versionWord = Load_Res_String(393);
    versionWord = versionWord.substr(0, versionWord.find('\0'));
    lblDescription->setText(QString::fromStdString(Load_Res_String(392)));
    cmdOK->setText(QString::fromStdString(Load_Res_String(276)));
  }
  Program_Title = title;
  vbui::SetWindowCaption(*this, QString::fromStdString(Program_Title));
  lblVersion->setText(QString::fromStdString(Version_Text(versionWord, This_Program_Version())));
  lblTitle->setText(QString::fromStdString(Program_Title));
}

void frmAbout::cmdOK_Click() { accept(); }

void Show_About() {
  frmAbout about(Main ? Main->Widget() : nullptr);
  about.Form_Load();
  vbui::DialogService::Instance().ShowModal(about);
}

}  // namespace vlm::monitor
