// The built tqz2 started twice: the second start hands over to the first
// and ends; after the first was killed (its socket left behind), the next
// start becomes the instance; starts while the instance is busy wait for it;
// a start on instance files that are not its own ends with the reason.
// And each stored polling interval: the program reports the ones it refuses,
// runs on the others, and keeps running through second starts, whose
// hand-over brings its window to the front again after the report has
// closed.
#include <gtest/gtest.h>

#include <QProcess>
#include <QThread>

#include <signal.h>

#include "monitor/app/tqz2_instance_test_support.h"

namespace vlm {
namespace {

using namespace tqz2_testing;

TEST_F(Tqz2_Instance_Test, SecondStartHandsOverAndEndsStaleSocketStartBecomesTheInstance) {
  QProcess& first = Start();
  ASSERT_TRUE(Listening());
  QProcess& second = Start();
  ASSERT_TRUE(second.waitForFinished(30000));
  EXPECT_TRUE(Handed_Over(second));
  EXPECT_EQ(first.state(), QProcess::Running);

  // A crash leaves the socket behind.
  first.kill();
  ASSERT_TRUE(first.waitForFinished(10000));
  ASSERT_TRUE(QFileInfo(QDir(env_.value("XDG_RUNTIME_DIR")).filePath(key_)).exists());
  QProcess& third = Start();
  // The third becomes the instance: a fourth start hands over to it.
  ASSERT_TRUE(Listening());
  QProcess& fourth = Start();
  ASSERT_TRUE(fourth.waitForFinished(30000));
  EXPECT_TRUE(Handed_Over(fourth));
  EXPECT_EQ(third.state(), QProcess::Running);
}

// The program as installed, on one simulated printer, with the stored
// interval of the case.
class Tqz2_Polling_Interval_Test : public Tqz2_Instance_Test,
                                   public ::testing::WithParamInterface<Stored_Interval> {
 protected:
  void SetUp() override {
    Tqz2_Instance_Test::SetUp();
    vlm::testing::AgentPort();
    const std::string host = vlm::testing::AllocateLoopbackRange(1)[0];
    agent_ = std::make_unique<vlm::testing::SnmpdAgent>(host, vlm::testing::DemoPrinters()[1].objects);
    Install_On(host, GetParam().text);
    Use_Simulated_Printers();
  }
  void TearDown() override {
    Tqz2_Instance_Test::TearDown();
    agent_.reset();
  }

  std::unique_ptr<vlm::testing::SnmpdAgent> agent_;
};

TEST_P(Tqz2_Polling_Interval_Test, ReportedOrUsedThenKeepsRunningThroughSecondStarts) {
  const Stored_Interval& c = GetParam();
  QProcess& first = Start("first.txt");
  ASSERT_TRUE(Listening());
  auto wait_for_reports = [&](int n, int tries = 600) {
    for (int i = 0; i < tries && Reports(Errors("first.txt")) < n && first.state() == QProcess::Running; ++i)
      QThread::msleep(50);
    return Reports(Errors("first.txt")) >= n;
  };
  if (c.refused) {
    ASSERT_TRUE(wait_for_reports(1)) << Errors("first.txt").toStdString();
  }
  // Each second start asks the first to come to the front. When its window
  // was not the active one (the closed report still was), it is activated
  // and reads the preferences anew; when it already was, bringing it to the
  // front activates nothing, as on any desktop, and which of the two it is
  // depends on when the window system delivered the report's closing. A
  // refused value is reported once while it stays stored, so each round
  // stores another refused one, which an activation reports: never more
  // than one report for each value stored, never a report that comes back
  // by itself.
  const char* const refused[] = {"abc", "-1", "0", "66", "99999999999"};
  std::string stored = c.text;
  for (int round = 1; round <= 3; ++round) {
    SCOPED_TRACE(round);
    if (c.refused) {
      const char* next = refused[round % 5];
      if (stored == next) next = refused[(round + 1) % 5];
      stored = next;
      Write("Software\\VLM\\Discovery\\Preferences", {{"Polling_Interval", stored.c_str()}});
      registry::ResetForTests();
    }
    QProcess& second = Start();
    for (int i = 0; i < 600 && !second.waitForFinished(50) && first.state() == QProcess::Running; ++i) {
    }
    ASSERT_EQ(first.state(), QProcess::Running) << Errors("first.txt").toStdString();
    ASSERT_EQ(second.state(), QProcess::NotRunning) << Errors("first.txt").toStdString();
    EXPECT_TRUE(Handed_Over(second));
    if (c.refused) {
      wait_for_reports(round + 1, 200);
      EXPECT_LE(Reports(Errors("first.txt")), round + 1) << Errors("first.txt").toStdString();
    }
    ASSERT_EQ(first.state(), QProcess::Running) << Errors("first.txt").toStdString();
  }
  first.terminate();
  ASSERT_TRUE(first.waitForFinished(30000));
  EXPECT_EQ(first.exitStatus(), QProcess::NormalExit);
  EXPECT_EQ(first.exitCode(), 0);
  const QString errors = Errors("first.txt");
  EXPECT_FALSE(Sanitizer_Report(errors)) << errors.toStdString();
  if (c.refused) {
    EXPECT_GE(Reports(errors), 1) << errors.toStdString();
    EXPECT_LE(Reports(errors), 4) << errors.toStdString();
  } else {
    EXPECT_EQ(Reports(errors), 0) << errors.toStdString();
  }
}

INSTANTIATE_TEST_SUITE_P(StoredValues, Tqz2_Polling_Interval_Test, ::testing::ValuesIn(kStoredIntervals),
                         Interval_Name);

// The instance's lock planted as a link (as another user could in a shared
// temporary folder): the start ends with the reason and status 1, and
// writes nothing through the link.
TEST_F(Tqz2_Instance_Test, AStartOnInstanceFilesNotItsOwnEndsWithTheReason) {
  const QString runtime = env_.value("XDG_RUNTIME_DIR");
  const QString target = dir_.filePath("elsewhere");
  ASSERT_TRUE(QFile::link(target, QDir(runtime).filePath(key_ + ".lock")));
  QProcess& p = Start("refused.txt");
  ASSERT_TRUE(p.waitForFinished(30000));
  EXPECT_EQ(p.exitStatus(), QProcess::NormalExit);
  EXPECT_EQ(p.exitCode(), 1);
  const QString errors = Errors("refused.txt");
  EXPECT_TRUE(errors.contains(QStringLiteral("is not a regular file; cannot start"))) << errors.toStdString();
  EXPECT_FALSE(QFileInfo::exists(target));
  EXPECT_FALSE(QFileInfo::exists(QDir(runtime).filePath(key_)));  // no instance socket made
}

// Five starts at once while the instance is busy for longer than the old
// three-second wait (here: stopped): each waits for it, hands over once it
// runs again and ends; the first stays the one instance and keeps its
// socket.
TEST_F(Tqz2_Instance_Test, StartsWhileTheInstanceIsBusyHandOverAndEnd) {
  QProcess& first = Start();
  ASSERT_TRUE(Listening());
  ::kill(static_cast<pid_t>(first.processId()), SIGSTOP);
  std::vector<QProcess*> later;
  for (int i = 0; i < 5; ++i) later.push_back(&Start());
  QThread::msleep(5000);
  ::kill(static_cast<pid_t>(first.processId()), SIGCONT);
  for (QProcess* p : later) {
    ASSERT_TRUE(p->waitForFinished(60000));
    EXPECT_TRUE(Handed_Over(*p));
  }
  EXPECT_EQ(first.state(), QProcess::Running);
  QProcess& last = Start();
  ASSERT_TRUE(last.waitForFinished(60000));
  EXPECT_TRUE(Handed_Over(last));
  EXPECT_EQ(first.state(), QProcess::Running);
}

}  // namespace
}  // namespace vlm
