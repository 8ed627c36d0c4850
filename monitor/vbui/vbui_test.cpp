// The VB control layer: timers, Click from code, untrapped errors, the dialog
// service, End, the tray fake and the single-instance guard.
#include <gtest/gtest.h>

#include <QDir>
#include <QElapsedTimer>
#include <QLabel>
#include <QFile>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QPushButton>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QVBoxLayout>
#include <QWindow>

#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <iostream>
#include <memory>
#include <optional>
#include <thread>

#include "monitor/vbui/vbui.h"
#include "monitor/vbui/vbui_test_support.h"
#include "platform/com/com.h"

namespace vlm::vbui {
namespace {

class VbuiTest : public ::testing::Test {
 protected:
  void SetUp() override {
    testing::App();
    ResetForTests();
    SetUntrappedErrorReporter([this](long n, const std::string& d) {
      reported_.emplace_back(n, d);
    });
  }
  void TearDown() override { ResetForTests(); }
  // Lets the event loop run for a while (no timing is asserted).
  static void Spin(int ms) {
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms) QTest::qWait(10);
  }
  std::vector<std::pair<long, std::string>> reported_;
};

TEST_F(VbuiTest, TimerWithIntervalZeroNeverTicksAndInvalidIntervalsAreError380) {
  QObject form;
  VbTimer timer(&form, "Timer1", 0);
  EXPECT_EQ(form.findChild<VbTimer*>("Timer1"), &timer);
  int ticks = 0;
  timer.Timer = [&] { ++ticks; };
  timer.SetEnabled(true);
  EXPECT_TRUE(timer.Enabled());
  EXPECT_FALSE(timer.Counting());
  Spin(100);
  EXPECT_EQ(ticks, 0);

  for (int bad : {-1, 65536, 70000}) {
    try {
      timer.SetInterval(bad);
      ADD_FAILURE() << bad;
    } catch (const VbError& e) {
      EXPECT_EQ(e.Number(), 380);
    }
    EXPECT_EQ(timer.Interval(), 0);
  }

  timer.SetInterval(1);
  EXPECT_TRUE(timer.Counting());
  EXPECT_TRUE(QTest::qWaitFor([&] { return ticks > 0; }));
  timer.SetEnabled(false);
  EXPECT_FALSE(timer.Counting());
  const int stopped = ticks;
  Spin(30);
  EXPECT_EQ(ticks, stopped);
}

TEST_F(VbuiTest, TimerHandlerErrorIsReportedNotThrown) {
  QObject form;
  VbTimer timer(&form, "Timer2", 1);
  timer.Timer = [&] {
    timer.SetEnabled(false);
    throw VbError(13, "Type mismatch");
  };
  timer.SetEnabled(true);
  ASSERT_TRUE(QTest::qWaitFor([&] { return reported_.size() == 1u; }));
  EXPECT_EQ(reported_[0].first, 13);
  EXPECT_EQ(reported_[0].second, "Type mismatch");
}

TEST_F(VbuiTest, ComboListIndexFromCodeRaisesClickEveryTime) {
  VbComboBox combo;
  combo.setObjectName("ComboPrinter_0");
  combo.AddItem("Printer 1");
  combo.AddItem("Printer 2");
  std::vector<int> clicks;
  combo.Click = [&] { clicks.push_back(combo.ListIndex()); };
  combo.SetListIndex(1);
  combo.SetListIndex(1);
  combo.SetListIndex(0);
  EXPECT_EQ(clicks, (std::vector<int>{1, 1, 0}));
  // A user's choice raises Click once.
  combo.setCurrentIndex(1);
  emit combo.activated(1);
  EXPECT_EQ(clicks, (std::vector<int>{1, 1, 0, 1}));
  for (int bad : {-2, 2}) {
    EXPECT_THROW(combo.SetListIndex(bad), VbError) << bad;
  }
  EXPECT_EQ(clicks.size(), 4u);
}

TEST_F(VbuiTest, OptionAndCheckValueFromCodeRaiseClickAsVbDoes) {
  QWidget frame;
  auto* a = new VbOptionButton("A", &frame);
  auto* b = new VbOptionButton("B", &frame);
  int aClicks = 0, bClicks = 0;
  a->Click = [&] { ++aClicks; };
  b->Click = [&] { ++bClicks; };
  a->SetValue(true);
  a->SetValue(true);
  EXPECT_EQ(aClicks, 2);
  b->SetValue(true);
  EXPECT_EQ(bClicks, 1);
  EXPECT_FALSE(a->Value());  // the group's other button is cleared
  b->SetValue(false);
  EXPECT_EQ(bClicks, 1);
  a->click();  // the user
  EXPECT_EQ(aClicks, 3);

  VbCheckBox check("C");
  int checkClicks = 0;
  check.Click = [&] { ++checkClicks; };
  check.SetValue(1);
  check.SetValue(1);
  EXPECT_EQ(checkClicks, 1);
  check.SetValue(0);
  EXPECT_EQ(checkClicks, 2);
  EXPECT_EQ(check.Value(), 0);
  EXPECT_THROW(check.SetValue(3), VbError);
}

TEST_F(VbuiTest, TabFromCodeAndFromUserRaiseClickWithPreviousTab) {
  VbTabControl tabs;
  for (int i = 0; i < 3; ++i) tabs.addTab(new QWidget, QString::number(i));
  std::vector<int> previous;
  tabs.Click = [&](int p) { previous.push_back(p); };
  tabs.SetTab(2);
  tabs.SetTab(2);
  EXPECT_EQ(previous, (std::vector<int>{0}));
  tabs.setCurrentIndex(1);  // as the tab bar does for the user
  EXPECT_EQ(previous, (std::vector<int>{0, 2}));
  EXPECT_EQ(tabs.Tab(), 1);
  tabs.SetTabVisible(2, false);
  EXPECT_FALSE(tabs.TabVisible(2));
  EXPECT_THROW(tabs.SetTab(3), VbError);
}

TEST_F(VbuiTest, RunEventStopsEveryExceptionAndReportsIt) {
  RunEvent([] { throw VbError(429, "ActiveX component can't create object"); });
  RunEvent([] { throw std::bad_alloc(); });
  RunEvent([] { throw std::runtime_error("x"); });
  RunEvent([] { throw 5; });
  ASSERT_EQ(reported_.size(), 4u);
  EXPECT_EQ(reported_[0].first, 429);
  EXPECT_EQ(reported_[1].first, 7);
  EXPECT_EQ(reported_[2].first, 51);
  EXPECT_EQ(reported_[3].first, 51);
  // A reporter that throws is contained too.
  SetUntrappedErrorReporter([](long, const std::string&) { throw std::runtime_error("again"); });
  RunEvent([] { throw VbError(5, "Invalid procedure call or argument"); });
  // A user click whose handler fails goes through the same path.
  SetUntrappedErrorReporter([this](long n, const std::string& d) { reported_.emplace_back(n, d); });
  VbComboBox combo;
  combo.AddItem("x");
  combo.Click = [] { throw VbError(9, "Subscript out of range"); };
  emit combo.activated(0);
  ASSERT_EQ(reported_.size(), 5u);
  EXPECT_EQ(reported_[4].first, 9);
}

// A dialog with two buttons; "second" shows the same dialog again.
struct TwoButtonDialog : QDialog {
  explicit TwoButtonDialog(const char* name) {
    setObjectName(name);
    auto* layout = new QVBoxLayout(this);
    auto* first = new QPushButton("First", this);
    first->setObjectName("First");
    layout->addWidget(first);
    connect(first, &QPushButton::clicked, this, &QDialog::accept);
  }
};

TEST_F(VbuiTest, DialogServiceAnswersThroughResponderAndDropsASecondShow) {
  auto& service = DialogService::Instance();
  TwoButtonDialog dialog("Message_Box");
  TwoButtonDialog sameName("Message_Box");
  std::vector<QString> seen;
  ShowResult inner = ShowResult::Shown;
  service.SetResponder([&](QDialog& d) {
    seen.push_back(d.objectName());
    EXPECT_TRUE(service.IsShowing("Message_Box"));
    inner = service.ShowModal(sameName);  // a second Message_Box while one is up
    EXPECT_TRUE(ClickButton(d, "First"));
  });
  EXPECT_EQ(service.ShowModal(dialog), ShowResult::Shown);
  EXPECT_EQ(inner, ShowResult::Dropped);
  EXPECT_EQ(seen, (std::vector<QString>{"Message_Box"}));
  EXPECT_EQ(dialog.result(), QDialog::Accepted);
  EXPECT_FALSE(service.IsShowing("Message_Box"));

  // A responder that leaves the dialog open: closed as by the frame.
  service.SetResponder([](QDialog&) {});
  EXPECT_EQ(service.ShowModal(dialog), ShowResult::Shown);
  EXPECT_EQ(dialog.result(), QDialog::Rejected);
  EXPECT_EQ(service.Depth(), 0);

  // No responder and no screen: closed as by the frame instead of waiting.
  service.ClearResponder();
  dialog.setResult(QDialog::Accepted);
  EXPECT_EQ(service.ShowModal(dialog), ShowResult::Shown);
  EXPECT_EQ(dialog.result(), QDialog::Rejected);
  EXPECT_EQ(service.Depth(), 0);
}

TEST_F(VbuiTest, MsgBoxAnswersByButtonNameAndFrameCloseByKind) {
  struct Case {
    int buttons;
    const char* click;  // null: closed by the frame
    int answer;
  };
  const Case cases[] = {
      {vbYesNo, "vbYes", vbYes},   {vbYesNo, "vbNo", vbNo},         {vbYesNo, nullptr, vbNo},
      {vbOKCancel, "vbOK", vbOK},  {vbOKCancel, "vbCancel", vbCancel},
      {vbOKCancel, nullptr, vbCancel}, {vbOKOnly, "vbOK", vbOK},   {vbOKOnly, nullptr, vbOK},
  };
  for (const Case& c : cases) {
    QString title;
    DialogService::Instance().SetResponder([&](QDialog& d) {
      title = d.windowTitle();
      if (c.click) {
        EXPECT_TRUE(ClickButton(d, c.click));
      }
    });
    EXPECT_EQ(MsgBox("Question", c.buttons, "   Title"), c.answer) << c.buttons << c.click;
    EXPECT_EQ(title, "   Title");
  }
}

TEST_F(VbuiTest, EndInsideAModalDialogUnwindsItsCaller) {
  TwoButtonDialog dialog("Message_Box");
  auto* end = new QPushButton("End", &dialog);
  end->setObjectName("EndButton");
  QObject::connect(end, &QPushButton::clicked, &dialog, Slot([] { End(); }));
  DialogService::Instance().SetResponder([](QDialog& d) { ClickButton(d, "EndButton"); });
  bool after = false;
  RunEvent([&] {
    DialogService::Instance().ShowModal(dialog);
    after = true;  // must not run
  });
  EXPECT_FALSE(after);
  EXPECT_TRUE(ProgramEnded());
  EXPECT_TRUE(reported_.empty());
  EXPECT_THROW(DialogService::Instance().ShowModal(dialog), ProgramEnd);
}

TEST_F(VbuiTest, MousePointerAndHourglassScope) {
  {
    HourglassScope busy;
    EXPECT_EQ(MousePointer(), 11);
    EXPECT_NE(QGuiApplication::overrideCursor(), nullptr);
  }
  EXPECT_EQ(MousePointer(), 0);
  EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
  EXPECT_EQ(ControlName("lblIPName", 3), "lblIPName_3");
  EXPECT_EQ(Twips(6175), 411);
}

TEST_F(VbuiTest, ActivationFromAnotherWindowOfTheProgramOnly) {
  QWidget main;
  int activations = 0;
  new ActivationWatcher(&main, [&] { ++activations; });
  main.show();
  main.activateWindow();
  EXPECT_TRUE(QTest::qWaitFor([&] { return activations == 1; }));
  QDialog dialog(&main);
  dialog.show();
  dialog.activateWindow();
  EXPECT_TRUE(QTest::qWaitFor([&] { return QApplication::activeWindow() == &dialog; }));
  dialog.hide();
  main.activateWindow();
  EXPECT_TRUE(QTest::qWaitFor([&] { return activations == 2; }));
  // The program coming back from another application to the same window:
  // the window is activated again with nothing in between.
  QEvent activate(QEvent::WindowActivate);
  QApplication::sendEvent(&main, &activate);
  EXPECT_EQ(activations, 2);
  // A dialog that was active and is deleted once closed is another window
  // all the same.
  auto* closed = new QDialog(&main);
  closed->show();
  closed->activateWindow();
  EXPECT_TRUE(QTest::qWaitFor([&] { return QApplication::activeWindow() == closed; }));
  delete closed;
  main.activateWindow();
  EXPECT_TRUE(QTest::qWaitFor([&] { return activations == 3; }));
}

TEST_F(VbuiTest, FakeTrayDeliversMessagesAndRecords) {
  FakeTrayIcon tray;
  std::vector<int> messages;
  tray.Message = [&](int m) {
    messages.push_back(m);
    if (m == TrayRightUp) throw VbError(5, "x");
  };
  QPixmap picture(16, 16);
  picture.fill(Qt::red);
  tray.Add(QIcon(picture), "Velmar TQZ2");
  EXPECT_TRUE(tray.Added());
  EXPECT_EQ(tray.Tip(), "Velmar TQZ2");
  EXPECT_EQ(tray.Icon().pixmap(16, 16).toImage(), picture.toImage());
  tray.Send(TrayLeftUp);
  tray.Send(TrayRightUp);
  EXPECT_EQ(messages, (std::vector<int>{514, 517}));
  EXPECT_EQ(reported_.size(), 1u);
  tray.Remove();
  tray.Remove();
  EXPECT_EQ(tray.RemoveCount(), 1);
  EXPECT_FALSE(FakeTrayIcon(false).IsAvailable());
}

// Texts from a device, the registry or a catalogue that look like markup,
// or carry "[*]" (Qt's modified mark in titles), blanks, tabs and breaks.
const QString kAsWritten[] = {
    QStringLiteral("<i>Room</i> 7 &amp; up"), QStringLiteral("   <b>"), QStringLiteral("Lab [*] 2"),
    QStringLiteral("[*][*]x"), QStringLiteral("a\tb  <br>c\nd"), QStringLiteral("<qt>plain?</qt>")};

// What a tool tip shows of its text: rich text when Qt takes it for that.
QString ToolTipShows(const QString& tip) {
  QLabel label(tip);  // a tool tip is a label of automatic text format
  return ShownText(label);
}

TEST_F(VbuiTest, LabelsTitlesTipsAndMessageBoxesShowTextsAsWritten) {
  QWidget window;
  window.winId();  // the title as the window system gets it
  for (const QString& text : kAsWritten) {
    SCOPED_TRACE(text.toStdString());
    VbLabel label(text);
    EXPECT_EQ(ShownText(label), text);
    label.setText(text);
    EXPECT_EQ(ShownText(label), text);
    SetWindowCaption(window, text);
    EXPECT_EQ(window.windowHandle()->title(), text);
    EXPECT_EQ(WindowCaption(window), text);
    EXPECT_EQ(ToolTipShows(PlainToolTip(text)), text);

    QString prompt, title;
    DialogService::Instance().SetResponder([&](QDialog& d) {
      title = d.windowHandle()->title();
      prompt = ShownText(*d.findChild<QLabel*>(QStringLiteral("qt_msgbox_label")));
    });
    MsgBox(text, vbOKOnly, text);
    EXPECT_EQ(prompt, text);
    EXPECT_EQ(title, text);
  }
  // A Qt label of automatic format would not show them as written.
  EXPECT_EQ(ToolTipShows(kAsWritten[0]), "Room 7 & up");
}

TEST_F(VbuiTest, QtRuntimeFolderIsTheTestProgramsOwn) {
  const QString runtime = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
  EXPECT_EQ(runtime.toStdString(), testing::Runtime_Folder());
  EXPECT_EQ(runtime.toStdString().rfind(vlm::testing::TempRoot() + "/vlm-qt-runtime-", 0), 0u);
}

// Keys are paths in a folder of the test's own, so that the sockets and the
// lock files beside them go with it.
QString KeyIn(const QTemporaryDir& dir, const char* what) { return dir.filePath(QString::fromLatin1(what)); }

// Starts a guard on another thread (the running instance answers on this
// one) and returns its outcome; none, as a test failure, when the start has
// not ended some seconds after its own wait. A start that never ends is then
// left behind, with its own copies of what it uses, rather than hang the test.
std::optional<SingleInstance::Outcome> StartElsewhere(const QString& key, int wait = 3000) {
  constexpr int kLongerThanItsWaitMs = 10000;
  const auto outcome = std::make_shared<std::atomic<int>>(-1);
  std::thread t([outcome, key, wait] {
    SingleInstance second(key, wait);
    *outcome = static_cast<int>(second.Start());
  });
  QElapsedTimer timer;
  timer.start();
  while (*outcome < 0 && timer.elapsed() < wait + kLongerThanItsWaitMs) QTest::qWait(5);
  if (*outcome < 0) {
    t.detach();
    ADD_FAILURE() << "a second start on " << key.toStdString() << " has not ended after "
                  << wait + kLongerThanItsWaitMs << " ms";
    return std::nullopt;
  }
  t.join();
  return static_cast<SingleInstance::Outcome>(outcome->load());
}

TEST_F(VbuiTest, SingleInstanceSecondGuardHandsOverToTheFirst) {
  QTemporaryDir dir;
  const QString key = KeyIn(dir, "two");
  SingleInstance first(key);
  int activated = 0;
  first.Activate = [&] { ++activated; };
  ASSERT_EQ(first.Start(), SingleInstance::Outcome::Primary);
  EXPECT_EQ(StartElsewhere(key), SingleInstance::Outcome::HandedOver);
  EXPECT_TRUE(QTest::qWaitFor([&] { return activated == 1; }));
  EXPECT_EQ(StartElsewhere(key), SingleInstance::Outcome::HandedOver);
  EXPECT_TRUE(QTest::qWaitFor([&] { return activated == 2; }));
}

// A socket file that nobody listens on (left by a crash), with or without
// the crashed instance's lock file: the start becomes the instance, and a
// later start hands over to it.
TEST_F(VbuiTest, SingleInstanceStaleSocketIsTakenOver) {
  for (bool lockFileLeft : {false, true}) {
    SCOPED_TRACE(lockFileLeft ? "lock file left" : "no lock file");
    QTemporaryDir dir;
    const QString stale = KeyIn(dir, "stale");
    {
      const QByteArray path = stale.toLocal8Bit();
      int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
      sockaddr_un addr{};
      addr.sun_family = AF_UNIX;
      ::strncpy(addr.sun_path, path.constData(), sizeof(addr.sun_path) - 1);
      ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof(addr)), 0);
      ::close(fd);  // the file stays
    }
    if (lockFileLeft) {
      QFile lock(stale + QStringLiteral(".lock"));
      ASSERT_TRUE(lock.open(QIODevice::WriteOnly));
    }
    SingleInstance guard(stale, 500);
    EXPECT_EQ(guard.Start(), SingleInstance::Outcome::Primary);
    EXPECT_TRUE(guard.IsPrimary());
    EXPECT_EQ(StartElsewhere(stale), SingleInstance::Outcome::HandedOver);
  }
}

// Five starts at once while the instance is busy (its thread does not look
// at its socket for longer than they wait): none becomes a second instance
// or removes its socket. Each gives up; the instance answers their requests
// when it is free, and a later start hands over.
TEST_F(VbuiTest, SingleInstanceBusyInstanceIsNeverReplaced) {
  QTemporaryDir dir;
  const QString key = KeyIn(dir, "busy");
  SingleInstance first(key);
  int activated = 0;
  first.Activate = [&] { ++activated; };
  ASSERT_EQ(first.Start(), SingleInstance::Outcome::Primary);
  std::vector<std::thread> starts;
  std::atomic<int> outcomes[5];
  for (int i = 0; i < 5; ++i) {
    outcomes[i] = -1;
    starts.emplace_back([&, i] {
      SingleInstance later(key, 300);
      outcomes[i] = static_cast<int>(later.Start());
    });
  }
  for (std::thread& t : starts) t.join();  // busy: no event is processed meanwhile
  for (const auto& o : outcomes) EXPECT_EQ(o.load(), static_cast<int>(SingleInstance::Outcome::Busy));
  EXPECT_TRUE(QTest::qWaitFor([&] { return activated == 5; }));
  EXPECT_EQ(StartElsewhere(key), SingleInstance::Outcome::HandedOver);
  EXPECT_TRUE(QTest::qWaitFor([&] { return activated == 6; }));
  EXPECT_TRUE(first.IsPrimary());
}

// A live listener that never acknowledges (not an instance of this
// program's lock) is not removed either.
TEST_F(VbuiTest, SingleInstanceSilentListenerIsNotRemoved) {
  QTemporaryDir dir;
  const QString silent = KeyIn(dir, "silent");
  QLocalServer mute;
  ASSERT_TRUE(mute.listen(silent));
  EXPECT_EQ(StartElsewhere(silent, 300), SingleInstance::Outcome::Busy);
  QLocalSocket probe;
  probe.connectToServer(silent);
  EXPECT_TRUE(probe.waitForConnected(1000));
}

constexpr uid_t kNobody = 65534;

// A socket file at path, bound (and left) by this process.
int BoundSocket(const QString& path) {
  const QByteArray name = QFile::encodeName(path);
  const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
  sockaddr_un addr{};
  addr.sun_family = AF_UNIX;
  ::strncpy(addr.sun_path, name.constData(), sizeof(addr.sun_path) - 1);
  if (::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof(addr)) != 0) {
    ::close(fd);
    return -1;
  }
  return fd;
}

// A process of the user nobody that listens on a socket bound at path and
// answers every request as an instance does. It is bound before the
// process changes user (the folder need not be open to nobody); who
// listens is who calls listen().
class ForeignListener {
 public:
  explicit ForeignListener(const QString& path) {
    const int fd = BoundSocket(path);
    int ready[2];
    if (fd < 0 || ::pipe(ready) != 0) return;
    pid_ = ::fork();
    if (pid_ == 0) {
      ::close(ready[0]);
      if (::setresgid(kNobody, kNobody, kNobody) != 0 || ::setresuid(kNobody, kNobody, kNobody) != 0 ||
          ::listen(fd, 8) != 0)
        ::_exit(90);
      (void)!::write(ready[1], "r", 1);
      for (;;) {
        const int peer = ::accept(fd, nullptr, nullptr);
        char c = 0;
        while (peer >= 0 && ::read(peer, &c, 1) == 1 && c != '\n') {
        }
        if (peer >= 0) (void)!::write(peer, "ok\n", 3);
        if (peer >= 0) ::close(peer);
      }
    }
    ::close(fd);
    ::close(ready[1]);
    char c = 0;
    listening_ = pid_ > 0 && ::read(ready[0], &c, 1) == 1;
    ::close(ready[0]);
  }
  ~ForeignListener() {
    if (pid_ <= 0) return;
    ::kill(pid_, SIGKILL);
    ::waitpid(pid_, nullptr, 0);
  }
  bool Listening() const { return listening_; }

 private:
  pid_t pid_ = -1;
  bool listening_ = false;
};

// Files where the instance's lock and socket are that are not this user's
// own: a lock that is a link (not followed, so its target is not made),
// another user's lock held by them, another user's socket file left
// behind, a listener of another user that answers as an instance. The
// start is refused with the reason: it neither hands over, nor waits (the
// wait would end Busy), nor removes a file, nor makes the lock's target.
// Files of another user need root; those cases are skipped without.
TEST_F(VbuiTest, SingleInstanceFilesNotThisUsersAreRefused) {
  enum Planted { LockLink, ForeignLock, ForeignSocketFile, ForeignListening };
  struct Case {
    const char* what;
    Planted planted;
    const char* refusal;  // after the folder
  };
  const Case cases[] = {
      {"lock is a link", LockLink, "/k.lock is not a regular file"},
      {"lock of another user, held", ForeignLock, "/k.lock belongs to another user"},
      {"socket file of another user, nobody listening", ForeignSocketFile, "/k belongs to another user"},
      {"listener of another user answering ok", ForeignListening, "/k belongs to another user"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    if (c.planted != LockLink && ::geteuid() != 0) {
      std::cout << "(without root, not tried: " << c.what << ")\n";
      continue;
    }
    QTemporaryDir dir;
    const QString key = KeyIn(dir, "k");
    const QString lock = key + QStringLiteral(".lock");
    int held = -1;
    std::unique_ptr<ForeignListener> listener;
    switch (c.planted) {
      case LockLink:
        ASSERT_TRUE(QFile::link(dir.filePath(QStringLiteral("target")), lock));
        break;
      case ForeignLock:
        held = ::open(QFile::encodeName(lock).constData(), O_RDWR | O_CREAT, 0666);
        ASSERT_GE(held, 0);
        ASSERT_EQ(::fchown(held, kNobody, kNobody), 0);
        ASSERT_EQ(::fchmod(held, 0666), 0);
        ASSERT_EQ(::flock(held, LOCK_EX), 0);
        break;
      case ForeignSocketFile: {
        const int fd = BoundSocket(key);
        ASSERT_GE(fd, 0);
        ::close(fd);
        ASSERT_EQ(::lchown(QFile::encodeName(key).constData(), kNobody, kNobody), 0);
        break;
      }
      case ForeignListening:
        listener = std::make_unique<ForeignListener>(key);
        ASSERT_TRUE(listener->Listening());
        break;
    }
    SingleInstance guard(key, 300);
    EXPECT_EQ(guard.Start(), SingleInstance::Outcome::Refused);
    EXPECT_EQ(guard.Refusal(), dir.path() + QString::fromLatin1(c.refusal));
    EXPECT_FALSE(guard.IsPrimary());
    EXPECT_FALSE(QFileInfo::exists(dir.filePath(QStringLiteral("target"))));
    if (c.planted == LockLink) {
      EXPECT_TRUE(QFileInfo(lock).isSymLink());
    }
    if (c.planted == ForeignSocketFile || c.planted == ForeignListening) {
      struct stat st {};
      EXPECT_EQ(::lstat(QFile::encodeName(key).constData(), &st), 0) << "the socket file was removed";
    }
    if (held >= 0) ::close(held);
  }
}

// Sets an environment variable (unsets it, for nullptr) while it lives.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const QByteArray* value)
      : name_(name), had_(qEnvironmentVariableIsSet(name)), old_(qgetenv(name)) {
    if (value != nullptr) {
      qputenv(name, *value);
    } else {
      qunsetenv(name);
    }
  }
  ~ScopedEnv() {
    if (had_) {
      qputenv(name_, old_);
    } else {
      qunsetenv(name_);
    }
  }

 private:
  const char* name_;
  bool had_;
  QByteArray old_;
};

// A key that is not a path: the socket and the lock beside it are in the
// user's runtime folder when $XDG_RUNTIME_DIR is a folder of the user's
// that nobody else may enter, else in the temporary folder; a later start
// finds the instance there.
TEST_F(VbuiTest, SingleInstanceFilesAreInThePrivateRuntimeFolderElseInTheTemporaryFolder) {
  enum Runtime { Private, Unset, OpenToOthers, OpenToGroup, AnotherUsers, NotAFolder, TooLong };
  struct Case {
    const char* what;
    Runtime runtime;
    bool used;
  };
  const Case cases[] = {
      {"the user's, 0700", Private, true},
      {"unset", Unset, false},
      {"0755", OpenToOthers, false},
      {"0750", OpenToGroup, false},
      {"another user's, 0700", AnotherUsers, false},
      {"a file", NotAFolder, false},
      // The socket's path would not fit a local socket address.
      {"the user's, 0700, too long a path", TooLong, false},
  };
  const QString key = QStringLiteral("vlm-instance-test");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    if (c.runtime == AnotherUsers && ::geteuid() != 0) {
      std::cout << "(without root, not tried: " << c.what << ")\n";
      continue;
    }
    QTemporaryDir dir;
    const QString tmp = dir.filePath(QStringLiteral("tmp"));
    const QString runtime =
        dir.filePath(c.runtime == TooLong ? QStringLiteral("runtime-").append(QString(90, u'r'))
                                          : QStringLiteral("runtime"));
    ASSERT_TRUE(QDir().mkdir(tmp));
    const QByteArray runtimeName = QFile::encodeName(runtime);
    if (c.runtime == NotAFolder) {
      QFile file(runtime);
      ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    } else {
      ASSERT_TRUE(QDir().mkdir(runtime));
      const mode_t mode = c.runtime == OpenToOthers ? 0755 : c.runtime == OpenToGroup ? 0750 : 0700;
      ASSERT_EQ(::chmod(runtimeName.constData(), mode), 0);
      if (c.runtime == AnotherUsers) {
        ASSERT_EQ(::chown(runtimeName.constData(), kNobody, kNobody), 0);
      }
    }
    const QByteArray tmpName = QFile::encodeName(tmp);
    ScopedEnv tmpdir("TMPDIR", &tmpName);
    ScopedEnv xdg("XDG_RUNTIME_DIR", c.runtime == Unset ? nullptr : &runtimeName);
    SingleInstance first(key);
    int activated = 0;
    first.Activate = [&] { ++activated; };
    ASSERT_EQ(first.Start(), SingleInstance::Outcome::Primary);
    const QDir used(c.used ? runtime : tmp);
    const QDir unused(c.used ? tmp : runtime);
    EXPECT_TRUE(QFileInfo::exists(used.filePath(key)));
    EXPECT_TRUE(QFileInfo::exists(used.filePath(key + QStringLiteral(".lock"))));
    if (c.runtime != NotAFolder) {
      EXPECT_TRUE(unused.isEmpty());
    }
    EXPECT_EQ(StartElsewhere(key), SingleInstance::Outcome::HandedOver);
    EXPECT_TRUE(QTest::qWaitFor([&] { return activated == 1; }));
  }
}

}  // namespace
}  // namespace vlm::vbui
