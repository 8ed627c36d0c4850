// Timers, the controls whose changes from code raise Click, and texts shown
// as written.
#include <QPainter>
#include <QResizeEvent>
#include <QTextDocument>

#include <algorithm>

#include "monitor/vbui/vbui.h"
#include "platform/com/com.h"

namespace vlm::vbui {
namespace {

[[noreturn]] void InvalidProperty() { throw VbError(380, VbErrorDescription(380)); }

const QString kModifiedMark = QStringLiteral("[*]");
const QString kShownMark = QStringLiteral("[*][*]");

}  // namespace

// ---- Texts shown as written ----

VbLabel::VbLabel(const QString& caption, QWidget* parent) : QLabel(caption, parent) {
  setTextFormat(Qt::PlainText);
}

void SetWindowCaption(QWidget& window, const QString& caption) {
  QString title = caption;
  title.replace(kModifiedMark, kShownMark);
  window.setWindowTitle(title);
}

QString WindowCaption(const QWidget& window) {
  QString title = window.windowTitle();
  title.replace(kShownMark, kModifiedMark);
  return title;
}

QString PlainToolTip(const QString& text) {
  // A tool tip is rich text exactly when Qt::mightBeRichText says so.
  if (!Qt::mightBeRichText(text)) return text;
  return QStringLiteral("<p style='white-space:pre'>") + text.toHtmlEscaped() + QStringLiteral("</p>");
}

QString ShownText(const QLabel& label) {
  const bool rich = label.textFormat() == Qt::RichText ||
                    (label.textFormat() == Qt::AutoText && Qt::mightBeRichText(label.text()));
  if (!rich) return label.text();
  QTextDocument document;
  document.setHtml(label.text());
  return document.toPlainText();
}

// ---- VbTimer ----

VbTimer::VbTimer(QObject* form, const char* name, int interval) : QObject(form) {
  setObjectName(QString::fromLatin1(name));
  if (interval < 0 || interval > 65535) InvalidProperty();
  interval_ = interval;
  timer_.setTimerType(Qt::CoarseTimer);
  QObject::connect(&timer_, &QTimer::timeout, this, [this] {
    if (Timer) RunEvent(Timer);
  });
}

void VbTimer::SetInterval(int milliseconds) {
  if (milliseconds < 0 || milliseconds > 65535) InvalidProperty();
  interval_ = milliseconds;
  Restart();
}

void VbTimer::SetEnabled(bool enabled) {
  enabled_ = enabled;
  Restart();
}

void VbTimer::Restart() {
  timer_.stop();
  if (enabled_ && interval_ > 0) timer_.start(interval_);
}

// ---- VbComboBox ----

VbComboBox::VbComboBox(QWidget* parent) : QComboBox(parent) {
  QObject::connect(this, &QComboBox::activated, this, [this](int) {
    if (Click) RunEvent(Click);
  });
}

void VbComboBox::SetListIndex(int index) {
  if (index < -1 || index >= count()) InvalidProperty();
  setCurrentIndex(index);
  if (Click) Click();
}

// ---- VbOptionButton ----

VbOptionButton::VbOptionButton(const QString& caption, QWidget* parent)
    : QRadioButton(caption, parent) {
  QObject::connect(this, &QAbstractButton::clicked, this, [this](bool) {
    if (Click) RunEvent(Click);
  });
}

void VbOptionButton::SetValue(bool value) {
  setChecked(value);
  if (value && Click) Click();
}

// ---- VbCheckBox ----

VbCheckBox::VbCheckBox(const QString& caption, QWidget* parent) : QCheckBox(caption, parent) {
  QObject::connect(this, &QAbstractButton::clicked, this, [this](bool) {
    if (Click) RunEvent(Click);
  });
}

int VbCheckBox::Value() const {
  switch (checkState()) {
    case Qt::Checked: return 1;
    case Qt::PartiallyChecked: return 2;
    default: return 0;
  }
}

void VbCheckBox::SetValue(int value) {
  if (value < 0 || value > 2) InvalidProperty();
  if (value == Value()) return;
  if (value == 2) setTristate(true);
  setCheckState(value == 1 ? Qt::Checked : value == 2 ? Qt::PartiallyChecked : Qt::Unchecked);
  if (Click) Click();
}

// ---- VbTabControl ----

VbTabControl::VbTabControl(QWidget* parent) : QTabWidget(parent) {
  QObject::connect(this, &QTabWidget::currentChanged, this, [this](int now) {
    const int previous = last_;
    last_ = now;
    if (previous < 0 || previous == now) return;  // the first tab added
    if (programmatic_) return;
    if (Click) RunEvent([&] { Click(previous); });
  });
}

void VbTabControl::CheckTab(int tab) const {
  if (tab < 0 || tab >= count()) InvalidProperty();
}

void VbTabControl::SetTab(int tab) {
  CheckTab(tab);
  const int previous = currentIndex();
  if (previous == tab) return;
  programmatic_ = true;
  setCurrentIndex(tab);
  programmatic_ = false;
  last_ = tab;
  if (Click) Click(previous);
}

void VbTabControl::SetTabVisible(int tab, bool visible) {
  CheckTab(tab);
  programmatic_ = true;
  setTabVisible(tab, visible);
  programmatic_ = false;
}
bool VbTabControl::TabVisible(int tab) const {
  CheckTab(tab);
  return isTabVisible(tab);
}
void VbTabControl::SetTabEnabled(int tab, bool enabled) {
  CheckTab(tab);
  programmatic_ = true;
  setTabEnabled(tab, enabled);
  programmatic_ = false;
}
bool VbTabControl::TabEnabled(int tab) const {
  CheckTab(tab);
  return isTabEnabled(tab);
}
void VbTabControl::SetTabCaption(int tab, const QString& caption) {
  CheckTab(tab);
  setTabText(tab, caption);
}
QString VbTabControl::TabCaption(int tab) const {
  CheckTab(tab);
  return tabText(tab);
}

// ---- VbPictureBox ----

VbPictureBox::VbPictureBox(QWidget* parent) : QWidget(parent) {
  image_ = QImage(std::max(width(), 1), std::max(height(), 1), QImage::Format_RGB32);
  Cls();
}

void VbPictureBox::Cls() {
  image_.fill(Qt::white);
  update();
}

void VbPictureBox::resizeEvent(QResizeEvent* event) {
  const QSize size = event->size().expandedTo(QSize(1, 1));
  if (size != image_.size()) {
    image_ = QImage(size, QImage::Format_RGB32);
    Cls();
  }
}

void VbPictureBox::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.drawImage(0, 0, image_);
}

}  // namespace vlm::vbui
