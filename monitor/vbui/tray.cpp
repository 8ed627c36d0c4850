// The notification-area icon: the QSystemTrayIcon backend and the fake.
#include <QCursor>
#include <QMenu>
#include <QSystemTrayIcon>

#include "monitor/vbui/vbui.h"

namespace vlm::vbui {
namespace {

class SystemTray final : public TrayIcon {
 public:
  SystemTray() {
    QObject::connect(&icon_, &QSystemTrayIcon::activated, &icon_,
                     [this](QSystemTrayIcon::ActivationReason reason) {
                       int message = 0;
                       switch (reason) {
                         case QSystemTrayIcon::Trigger: message = TrayLeftUp; break;
                         case QSystemTrayIcon::DoubleClick: message = TrayLeftDoubleClick; break;
                         case QSystemTrayIcon::Context: message = TrayRightUp; break;
                         default: return;
                       }
                       if (Message) RunEvent([&] { Message(message); });
                     });
  }
  ~SystemTray() override { icon_.hide(); }

  bool IsAvailable() const override { return QSystemTrayIcon::isSystemTrayAvailable(); }
  void Add(const QIcon& icon, const QString& tip) override {
    icon_.setIcon(icon);
    icon_.setToolTip(PlainToolTip(tip));
    icon_.show();
    added_ = true;
  }
  void Remove() override {
    icon_.hide();
    added_ = false;
  }
  bool Added() const override { return added_; }
  void PopupMenu(QMenu& menu) override { menu.popup(QCursor::pos()); }

 private:
  QSystemTrayIcon icon_;
  bool added_ = false;
};

}  // namespace

std::unique_ptr<TrayIcon> MakeSystemTray() { return std::make_unique<SystemTray>(); }

void FakeTrayIcon::Add(const QIcon& icon, const QString& tip) {
  added_ = true;
  tip_ = tip;
  icon_ = icon;
  ++addCount_;
}

void FakeTrayIcon::Remove() {
  if (added_) ++removeCount_;
  added_ = false;
}

void FakeTrayIcon::PopupMenu(QMenu& menu) {
  ++popups_;
  lastMenu_ = &menu;
}

void FakeTrayIcon::Send(int message) {
  if (Message) RunEvent([&] { Message(message); });
}

}  // namespace vlm::vbui
