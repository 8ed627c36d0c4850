// The options window until the options dialog is installed: a plain window
// with OK and Cancel that hands back its outcome as the options dialog does.
#include <QDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "monitor/forms/forms.h"
#include "monitor/vbui/vbui.h"

namespace vlm::monitor {
namespace {

class Options_Stand_In final : public Options_Form {
 public:
  void Show_Modeless() override {
    if (!window_) Load();
    window_->show();
    window_->raise();
    window_->activateWindow();
  }
  bool Is_Visible() const override { return window_ && window_->isVisible(); }
  void Unload() override { window_.reset(); }

 private:
  void Load() {
    window_ = std::make_unique<QDialog>();
    window_->setObjectName(QStringLiteral("frmOptions"));
    window_->setWindowTitle(QStringLiteral("Velmar Printer Monitor - Options"));
    auto* layout = new QVBoxLayout(window_.get());
    layout->addWidget(new QLabel(QStringLiteral("Velmar Printer Monitor - Options"), window_.get()));
    auto* row = new QHBoxLayout;
    auto* ok = new QPushButton(QStringLiteral("OK"), window_.get());
    ok->setObjectName(QStringLiteral("cmdOK"));
    auto* cancel = new QPushButton(QStringLiteral("Cancel"), window_.get());
    cancel->setObjectName(QStringLiteral("cmdCancel"));
    row->addWidget(ok);
    row->addWidget(cancel);
    layout->addLayout(row);
    QObject::connect(ok, &QPushButton::clicked, window_.get(),
                     vbui::Slot([this] { Close("No"); }));
    QObject::connect(cancel, &QPushButton::clicked, window_.get(),
                     vbui::Slot([this] { Close("Cancel"); }));
    QObject::connect(window_.get(), &QDialog::rejected, window_.get(),
                     vbui::Slot([this] { Close("Cancel"); }));
  }
  void Close(const char* outcome) {
    if (!window_ || !window_->isVisible()) return;
    State.Options_Changed = outcome;
    window_->hide();
    if (Main != nullptr) Main->Show_Window();
  }
  std::unique_ptr<QDialog> window_;
};

std::unique_ptr<Options_Form>& Installed() {
  // Never destroyed, like the message box: no window outlives the
  // application object at exit.
  static auto* form = new std::unique_ptr<Options_Form>;
  return *form;
}

}  // namespace

Options_Form& frmOptions() {
  auto& form = Installed();
  if (!form) form = std::make_unique<Options_Stand_In>();
  return *form;
}

void Install_Options_Form(std::unique_ptr<Options_Form> form) { Installed() = std::move(form); }

}  // namespace vlm::monitor
