// The VB control layer: what every window of the monitor stands on.
//
// What a caller may rely on:
//
// Events and errors
// - RunEvent(handler) runs one event handler. No C++ exception leaves it: a
//   VbError is passed to the untrapped-error reporter with its number and
//   description (the monitor installs one that shows the general error
//   report); std::bad_alloc is reported as 7 "Out of memory"; anything else
//   as 51 "Internal error". A handler that traps its own errors never gets
//   here. Every slot of the layer's controls goes through RunEvent, and a
//   form connects its own Qt signals through Slot(...), which does the same.
// - End() is VB's End: it marks the program as ended, hides every top-level
//   window, calls the end handler (the program installs one that quits its
//   main event loop; tests install none, so that later modal loops still
//   run) and throws ProgramEnd to unwind the
//   code that called it. ProgramEnd is deliberately not a std::exception and
//   not a VbError, so error traps (which catch VbError) let it pass; RunEvent
//   stops it silently. A modal show that was open while End() ran closes, and
//   ShowModal then throws ProgramEnd in its caller, so no code after the
//   modal show runs. ProgramEnded() tells whether End() has run (close events
//   use it to end without asking). ResetForTests() clears it.
//
// Timers (VbTimer)
// - Interval in milliseconds, 0..65535; any other value is VB error 380
//   ("Invalid property value") and changes nothing. Enabled with interval 0
//   never ticks. Setting Enabled to True, or setting Interval while enabled,
//   restarts the count. The tick runs the Timer handler through RunEvent; it
//   may tick again while its own handler waits in a modal dialog, as a VB
//   timer does (callers that must not re-enter guard themselves).
// - The timer is a QObject child of its form, named by its VB name, so that
//   form->findChild<VbTimer*>("Timer1") finds it. Created disabled with the
//   interval given.
//
// Controls whose changes from code raise Click, as in VB
// - VbComboBox: ListIndex (-1 none, 0..count-1). Setting ListIndex from code
//   raises Click every time, also when the index does not change (a VB combo
//   box does the same); an index outside -1..count-1 is VB error 380. A user
//   choosing an item raises Click once.
// - VbOptionButton: Value True/False. Setting Value to True from code raises
//   Click (also when it was True already), clearing the other option buttons
//   of its group; setting False raises nothing. A user click raises Click.
// - VbCheckBox: Value 0 unchecked, 1 checked, 2 grayed; setting a different
//   Value from code raises Click; setting the same value does not. A user
//   click raises Click. Another value is error 380.
// - VbTabControl (SSTab): Tab is the current tab. Setting Tab to another tab
//   from code, or the user choosing a tab, raises Click(previousTab); setting
//   the current tab again raises nothing. TabVisible/TabEnabled/TabCaption
//   per tab. An index outside 0..Tabs-1 is error 380.
// - A text box's Change: connect QLineEdit::textChanged through Slot(...);
//   Qt raises it for changes from code and from the user, like VB.
//
// Dialogs (DialogService)
// - Every modal dialog of the program is shown through
//   DialogService::ShowModal, which returns when the dialog has closed. A
//   dialog whose objectName is already up is not shown a second time: the
//   call returns Dropped at once (a VB form shown again while it is up raises
//   "form already displayed", which every caller's quiet set drops).
// - Tests install a Responder: it is called with each dialog once the dialog
//   is shown, inside the modal loop, and answers it (clicks a button, closes
//   it, grabs a screenshot). When the responder returns and the dialog is
//   still open, the dialog is rejected, as a close by the window frame.
//   Without a responder on the offscreen platform (no screen, nobody to
//   answer), the dialog is rejected at once with a line on stderr, so that
//   nothing waits for ever.
// - MsgBox shows the standard message box (buttons vbOKOnly, vbOKCancel,
//   vbYesNo) through the service and returns vbOK, vbCancel, vbYes or vbNo; a
//   close by frame or Escape gives vbCancel with OK/Cancel, vbNo with Yes/No,
//   and vbOK with OK alone. Its buttons are named "vbOK", "vbCancel", "vbYes"
//   and "vbNo" and the box itself "MsgBox", so responders click them by name.
// - DeleteClosedWindow(window) hides a window that is closed for good (a
//   form that unloads) and deletes it later, only from the program's own
//   event loop, outside any nested event loop, while no modal dialog is
//   open. Qt may still hold a closed window as its active window and be
//   delivering an activation that names it (the handler of that activation
//   may show a modal dialog, whose loop would otherwise run the deletion
//   under it); by then that activation has returned. Until it is deleted
//   the window stays hidden; ResetForTests() deletes the waiting ones at once.
//
// Mouse pointer
// - SetMousePointer(11) shows the hourglass over the whole program,
//   SetMousePointer(0) the default pointer; MousePointer() gives the value
//   last set. HourglassScope sets 11 and restores 0 on every path out.
//
// Activation (ActivationWatcher)
// - Calls its handler when its window becomes the program's active window at
//   its first activation, and when the activation comes from another window of
//   the program (a dialog closing, also one deleted since); not when the user comes back from another
//   application to the window that was active before, and not when a
//   standard message box (MsgBox) closes, which is no form of the program.
//
// Tray icon (TrayIcon)
// - An interface over the notification-area icon. Messages arrive as VB's
//   mouse message numbers: 514 left button up, 515 left double click, 517
//   right button up. MakeSystemTray gives the QSystemTrayIcon backend;
//   FakeTrayIcon records what the program did and sends messages in tests.
//   IsAvailable() is false where the desktop has no notification area
//   (offscreen); the program then keeps the window reachable.
//
// Single instance (SingleInstance)
// - One running instance per key; DefaultInstanceKey() is per user and
//   display. Start() either makes this process the instance (Primary: it
//   listens and calls the activation handler whenever a later start hands
//   over), hands over to the running one (HandedOver: the running one was
//   asked to come to the front and acknowledged), or gives up (Busy: an
//   instance runs but did not acknowledge within the wait; it is busy, and
//   answers the request when it is free), or refuses (Refused: the lock
//   file or the socket is not this user's; Refusal() says which). The
//   instance holds an exclusive lock (flock) on a file beside its socket for
//   as long as it runs, which the system releases however the process ends.
//   A socket that accepts connections is never removed; only a socket that
//   nobody listens on, while nobody holds the lock, is stale and is taken
//   over. The lock also makes the take-over atomic between processes started
//   at the same time.
// - A key that is not an absolute path names the socket in the user's
//   runtime folder ($XDG_RUNTIME_DIR when it is a folder of the user's that
//   nobody else may enter), else in the temporary folder; the lock file is
//   <socket>.lock. A lock file that is a link, not a regular file or
//   another user's, another user's socket file, or a listener of another
//   user is never trusted, removed or waited for.
//
// Sizes
// - Twips(t) converts twips to pixels at 96 DPI (t / 15).
// - ControlName("lblIPName", 3) is "lblIPName_3", the objectName of element
//   3 of a control array.
//
// Texts shown exactly as written
// - VbLabel is a VB label: a QLabel that always shows its caption as plain
//   text, so a device, registry or catalogue text that looks like markup
//   ("<b>", "&amp;") shows character for character. A Qt label would render
//   it as rich text.
// - SetWindowCaption(window, text) gives a window the title text, shown as
//   written: Qt takes "[*]" in a title for the place of its modified mark
//   and drops it, so each "[*]" is set doubled, which Qt shows as "[*]".
//   WindowCaption(window) is the title as shown.
// - PlainToolTip(text) is the tool-tip text that shows exactly text: a tip
//   that looks like markup is handed over as the rich text of the plain
//   text. The tray icon's tip goes through it.
// - ShownText(label) is what a label shows: its text when that is plain
//   text, else the text its rich text renders.
//
// Picture boxes (VbPictureBox)
// - Image() is the box's backing store, always the widget's size, in
//   QImage::Format_RGB32; Cls() fills it with the back colour (white).
//
// Everything here belongs to the GUI thread.
#pragma once

#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QIcon>
#include <QImage>
#include <QLabel>
#include <QObject>
#include <QPointer>
#include <QRadioButton>
#include <QString>
#include <QTabWidget>
#include <QTimer>

#include <functional>
#include <memory>
#include <string>
#include <type_traits>
#include <vector>

class QLocalServer;
class QMenu;
class QSystemTrayIcon;
class QWidget;

namespace vlm::vbui {

// ---- Sizes and names ----

constexpr int Twips(int twips) { return twips / 15; }
QString ControlName(const char* arrayName, int index);

// ---- Events, errors and the end of the program ----

using ErrorReporter = std::function<void(long number, const std::string& description)>;
void SetUntrappedErrorReporter(ErrorReporter reporter);

void RunEvent(const std::function<void()>& handler) noexcept;

// A callable for QObject::connect that runs f through RunEvent; f takes the
// signal's arguments, or none.
template <class F>
auto Slot(F f) {
  return [f = std::move(f)](auto&&... args) {
    RunEvent([&] {
      if constexpr (std::is_invocable_v<const F&, decltype(args)...>) {
        f(args...);
      } else {
        f();
      }
    });
  };
}

struct ProgramEnd {};
[[noreturn]] void End();
void SetEndHandler(std::function<void()> handler);
bool ProgramEnded();
void ResetForTests();

// ---- Timers ----

class VbTimer : public QObject {
  Q_OBJECT
 public:
  VbTimer(QObject* form, const char* name, int interval);

  int Interval() const { return interval_; }
  void SetInterval(int milliseconds);
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool enabled);
  // Whether the underlying timer is counting (Enabled and Interval > 0).
  bool Counting() const { return timer_.isActive(); }

  std::function<void()> Timer;

 private:
  void Restart();
  QTimer timer_;
  int interval_ = 0;
  bool enabled_ = false;
};

// ---- Controls ----

class VbLabel : public QLabel {
  Q_OBJECT
 public:
  explicit VbLabel(const QString& caption = QString(), QWidget* parent = nullptr);
};

void SetWindowCaption(QWidget& window, const QString& caption);
QString WindowCaption(const QWidget& window);
QString PlainToolTip(const QString& text);
QString ShownText(const QLabel& label);

class VbComboBox : public QComboBox {
  Q_OBJECT
 public:
  explicit VbComboBox(QWidget* parent = nullptr);
  int ListIndex() const { return currentIndex(); }
  void SetListIndex(int index);
  void AddItem(const QString& text) { addItem(text); }
  std::function<void()> Click;
};

class VbOptionButton : public QRadioButton {
  Q_OBJECT
 public:
  explicit VbOptionButton(const QString& caption, QWidget* parent = nullptr);
  bool Value() const { return isChecked(); }
  void SetValue(bool value);
  std::function<void()> Click;
};

class VbCheckBox : public QCheckBox {
  Q_OBJECT
 public:
  explicit VbCheckBox(const QString& caption, QWidget* parent = nullptr);
  int Value() const;
  void SetValue(int value);
  std::function<void()> Click;
};

class VbTabControl : public QTabWidget {
  Q_OBJECT
 public:
  explicit VbTabControl(QWidget* parent = nullptr);
  int Tab() const { return currentIndex(); }
  void SetTab(int tab);
  int Tabs() const { return count(); }
  void SetTabVisible(int tab, bool visible);
  bool TabVisible(int tab) const;
  void SetTabEnabled(int tab, bool enabled);
  bool TabEnabled(int tab) const;
  void SetTabCaption(int tab, const QString& caption);
  QString TabCaption(int tab) const;
  // Click(previousTab).
  std::function<void(int)> Click;

 private:
  void CheckTab(int tab) const;
  int last_ = -1;
  bool programmatic_ = false;
};

// A picture box: a widget that shows its own backing image. Cls() clears the
// image to the back colour; painting code draws into Image() and calls
// update(). The image follows the widget's size (cleared when it changes).
class VbPictureBox : public QWidget {
  Q_OBJECT
 public:
  explicit VbPictureBox(QWidget* parent = nullptr);
  QImage& Image() { return image_; }
  void Cls();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  QImage image_;
};

// ---- Dialogs ----

enum class ShowResult { Shown, Dropped };

class DialogService {
 public:
  using Responder = std::function<void(QDialog&)>;
  static DialogService& Instance();

  ShowResult ShowModal(QDialog& dialog);
  bool IsShowing(const QString& objectName) const;
  // The dialogs now shown modally, innermost last.
  int Depth() const { return static_cast<int>(open_.size()); }

  void SetResponder(Responder responder) { responder_ = std::move(responder); }
  void ClearResponder() { responder_ = nullptr; }

  // Rejects every open modal dialog (used by End()).
  void CloseAll();

 private:
  std::vector<QPointer<QDialog>> open_;
  Responder responder_;
};

inline constexpr int vbOKOnly = 0;
inline constexpr int vbOKCancel = 1;
inline constexpr int vbYesNo = 4;
inline constexpr int vbOK = 1;
inline constexpr int vbCancel = 2;
inline constexpr int vbYes = 6;
inline constexpr int vbNo = 7;

int MsgBox(const QString& prompt, int buttons, const QString& title, QWidget* parent = nullptr);

void DeleteClosedWindow(QWidget* window);
// Deletes the waiting closed windows at once (ResetForTests; only where no
// event is being delivered).
void DeleteClosedWindowsForTests();

// Test helper: clicks the button of that objectName in the dialog; false when
// there is none.
bool ClickButton(QDialog& dialog, const QString& objectName);

// ---- Mouse pointer ----

void SetMousePointer(int pointer);
int MousePointer();

class HourglassScope {
 public:
  HourglassScope() { SetMousePointer(11); }
  ~HourglassScope() { SetMousePointer(0); }
  HourglassScope(const HourglassScope&) = delete;
  HourglassScope& operator=(const HourglassScope&) = delete;
};

// ---- Activation ----

class ActivationWatcher : public QObject {
  Q_OBJECT
 public:
  ActivationWatcher(QWidget* window, std::function<void()> activate);
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void Activated(QWidget* active);
  QWidget* window_;
  std::function<void()> activate_;
  QPointer<QWidget> lastActive_;
  bool first_ = true;
};

// ---- Tray icon ----

inline constexpr int TrayLeftUp = 514;
inline constexpr int TrayLeftDoubleClick = 515;
inline constexpr int TrayRightUp = 517;

class TrayIcon {
 public:
  virtual ~TrayIcon() = default;
  virtual bool IsAvailable() const = 0;
  // Adds the icon (NIM_ADD) with its tip; the message handler receives 514,
  // 515 and 517.
  virtual void Add(const QIcon& icon, const QString& tip) = 0;
  // Removes the icon (NIM_DELETE); removing an absent icon does nothing.
  virtual void Remove() = 0;
  virtual bool Added() const = 0;
  // Pops the menu up at the pointer (not waiting for a choice).
  virtual void PopupMenu(QMenu& menu) = 0;
  std::function<void(int message)> Message;
};

std::unique_ptr<TrayIcon> MakeSystemTray();

class FakeTrayIcon : public TrayIcon {
 public:
  explicit FakeTrayIcon(bool available = true) : available_(available) {}
  bool IsAvailable() const override { return available_; }
  void Add(const QIcon& icon, const QString& tip) override;
  void Remove() override;
  bool Added() const override { return added_; }
  void PopupMenu(QMenu& menu) override;

  // Delivers a message as the desktop would, through RunEvent.
  void Send(int message);
  QString Tip() const { return tip_; }
  QIcon Icon() const { return icon_; }
  int AddCount() const { return addCount_; }
  int RemoveCount() const { return removeCount_; }
  QMenu* LastMenu() const { return lastMenu_; }
  int PopupCount() const { return popups_; }

 private:
  bool available_;
  bool added_ = false;
  QString tip_;
  QIcon icon_;
  int addCount_ = 0;
  int removeCount_ = 0;
  int popups_ = 0;
  QMenu* lastMenu_ = nullptr;
};

// ---- Single instance ----

QString DefaultInstanceKey();

class SingleInstance : public QObject {
  Q_OBJECT
 public:
  enum class Outcome { Primary, HandedOver, Busy, Refused };
  // handOverWaitMs: how long a second start waits for the running
  // instance's acknowledgement (a busy monitor may poll a silent printer or
  // run a discovery for many seconds).
  explicit SingleInstance(QString key, int handOverWaitMs = 30000);
  ~SingleInstance() override;

  Outcome Start();
  bool IsPrimary() const { return server_ != nullptr; }
  // After a Refused start: "<path> belongs to another user" or "<path> is
  // not a regular file"; empty otherwise.
  const QString& Refusal() const { return refusal_; }
  // Called on the running instance when a later start hands over.
  std::function<void()> Activate;

 private:
  enum class HandOver { Acknowledged, NoListener, NoAnswer, Foreign };
  enum class Lock { Taken, Held, Unavailable, Foreign };
  HandOver TryHandOver(int waitMs);
  Lock TakeLock();
  Outcome Refuse(const QString& why);
  void Listen();
  QString key_;
  QString socket_;  // the socket's absolute path
  int wait_;
  int lock_ = -1;  // the instance lock's descriptor while this is the instance
  QString refusal_;
  QLocalServer* server_ = nullptr;
};

}  // namespace vlm::vbui
