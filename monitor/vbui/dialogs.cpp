// The dialog service, the standard message box and window activation.
#include <QAbstractButton>
#include <QApplication>
#include <QGuiApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QThread>

#include <algorithm>
#include <cstdio>

#include "monitor/vbui/vbui.h"

namespace vlm::vbui {
namespace {

// Closed windows waiting to be deleted (DeleteClosedWindow).
struct Closed_Windows {
  std::vector<QPointer<QWidget>> windows;
  bool armed = false;
};

Closed_Windows& Closed() {
  // Never destroyed, like the forms: nothing here outlives the application
  // object at exit.
  static auto* closed = new Closed_Windows;
  return *closed;
}

void Delete_Closed_Windows() {
  std::vector<QPointer<QWidget>> windows;
  windows.swap(Closed().windows);
  for (const QPointer<QWidget>& w : windows) delete w.data();
}

void Arm_Deletion(int delayMs);

void Delete_When_Idle() {
  Closed().armed = false;
  // A modal dialog is open: its end arms the deletion again.
  if (DialogService::Instance().Depth() > 0) return;
  // Another nested event loop (a menu's, say): try again later.
  if (QThread::currentThread()->loopLevel() > 1) {
    Arm_Deletion(100);
    return;
  }
  Delete_Closed_Windows();
}

void Arm_Deletion(int delayMs) {
  Closed_Windows& closed = Closed();
  if (closed.armed || closed.windows.empty() || QCoreApplication::instance() == nullptr) return;
  closed.armed = true;
  QTimer::singleShot(delayMs, QCoreApplication::instance(), Delete_When_Idle);
}

}  // namespace

void DeleteClosedWindow(QWidget* window) {
  if (window == nullptr) return;
  window->hide();
  Closed().windows.emplace_back(window);
  Arm_Deletion(0);
}

void DeleteClosedWindowsForTests() { Delete_Closed_Windows(); }

DialogService& DialogService::Instance() {
  static DialogService service;
  return service;
}

bool DialogService::IsShowing(const QString& objectName) const {
  return std::any_of(open_.begin(), open_.end(), [&](const QPointer<QDialog>& d) {
    return d && d->objectName() == objectName;
  });
}

ShowResult DialogService::ShowModal(QDialog& dialog) {
  if (ProgramEnded()) throw ProgramEnd{};
  if (std::any_of(open_.begin(), open_.end(),
                  [&](const QPointer<QDialog>& d) { return d == &dialog; }) ||
      (!dialog.objectName().isEmpty() && IsShowing(dialog.objectName()))) {
    return ShowResult::Dropped;
  }
  open_.emplace_back(&dialog);
  QPointer<QDialog> guard(&dialog);
  if (responder_) {
    Responder responder = responder_;
    QTimer::singleShot(0, &dialog, [guard, responder] {
      if (!guard || !guard->isVisible()) return;
      RunEvent([&] { responder(*guard); });
      if (guard && guard->isVisible()) guard->reject();
    });
  } else if (QGuiApplication::platformName() == QLatin1String("offscreen")) {
    // Nobody can see or answer a dialog without a screen: waiting for an
    // answer would hang the program. Close it as by the window frame and
    // say so.
    std::fprintf(stderr, "dialog \"%s\" closed: no screen to answer it on\n",
                 qPrintable(dialog.objectName()));
    QTimer::singleShot(0, &dialog, [guard] {
      if (guard && guard->isVisible()) guard->reject();
    });
  }
  dialog.exec();
  open_.erase(std::remove_if(open_.begin(), open_.end(),
                             [&](const QPointer<QDialog>& d) { return !d || d == guard; }),
              open_.end());
  if (open_.empty()) Arm_Deletion(0);
  if (ProgramEnded()) throw ProgramEnd{};
  return ShowResult::Shown;
}

void DialogService::CloseAll() {
  for (auto it = open_.rbegin(); it != open_.rend(); ++it) {
    if (*it && (*it)->isVisible()) (*it)->reject();
  }
}

int MsgBox(const QString& prompt, int buttons, const QString& title, QWidget* parent) {
  QMessageBox box(parent);
  box.setObjectName(QStringLiteral("MsgBox"));
  SetWindowCaption(box, title);
  box.setTextFormat(Qt::PlainText);
  box.setText(prompt);
  box.setIcon(QMessageBox::NoIcon);
  struct Choice {
    QPushButton* button;
    int answer;
  };
  std::vector<Choice> choices;
  auto add = [&](const char* name, const QString& text, QMessageBox::ButtonRole role, int answer) {
    QPushButton* b = box.addButton(text, role);
    b->setObjectName(QString::fromLatin1(name));
    choices.push_back({b, answer});
    return b;
  };
  int escape = vbOK;
  switch (buttons) {
    case vbYesNo:
      box.setDefaultButton(add("vbYes", QStringLiteral("&Yes"), QMessageBox::YesRole, vbYes));
      add("vbNo", QStringLiteral("&No"), QMessageBox::NoRole, vbNo);
      escape = vbNo;
      break;
    case vbOKCancel:
      box.setDefaultButton(add("vbOK", QStringLiteral("OK"), QMessageBox::AcceptRole, vbOK));
      add("vbCancel", QStringLiteral("Cancel"), QMessageBox::RejectRole, vbCancel);
      escape = vbCancel;
      break;
    default:
      box.setDefaultButton(add("vbOK", QStringLiteral("OK"), QMessageBox::AcceptRole, vbOK));
      break;
  }
  DialogService::Instance().ShowModal(box);
  for (const Choice& c : choices) {
    if (box.clickedButton() == c.button) return c.answer;
  }
  return escape;
}

bool ClickButton(QDialog& dialog, const QString& objectName) {
  auto* button = dialog.findChild<QAbstractButton*>(objectName);
  if (button == nullptr || !button->isVisible() || !button->isEnabled()) return false;
  button->click();
  return true;
}

ActivationWatcher::ActivationWatcher(QWidget* window, std::function<void()> activate)
    : QObject(window), window_(window), activate_(std::move(activate)) {
  qApp->installEventFilter(this);
}

bool ActivationWatcher::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::WindowActivate && watched->isWidgetType()) {
    auto* widget = static_cast<QWidget*>(watched);
    if (widget->isWindow()) Activated(widget);
  }
  return false;
}

void ActivationWatcher::Activated(QWidget* active) {
  // The program losing the focus to another application leaves lastActive_
  // as it was, so coming back to the same window is no activation.
  // The standard message box is no form of the program: coming back from it
  // is no activation.
  if (active->objectName() == QLatin1String("MsgBox")) return;
  // A window of the program that was active before and has been deleted
  // since (a form unloaded) was another window all the same.
  const QPointer<QWidget> before = lastActive_;
  lastActive_ = active;
  if (active != window_) return;
  if (first_ || before != window_) {
    first_ = false;
    if (activate_) RunEvent(activate_);
  }
}

}  // namespace vlm::vbui
