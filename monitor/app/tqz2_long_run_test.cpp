// The program keeps running on each stored polling interval for two minutes
// of polls and second starts. A test program of its own, labelled "long":
// the test stage of the normal build leaves it out, the address sanitizer
// stage starts it first.
#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QProcess>
#include <QThread>

#include <algorithm>

#include "monitor/app/tqz2_instance_test_support.h"

namespace vlm {
namespace {

using namespace tqz2_testing;

// The program keeps running for two minutes after its start on each stored
// interval, the report of a refused one closed, through the polls the
// interval it runs on brings and a second start in the middle and at the
// end. The seven run side by side, each an instance with a registry of its
// own, on one simulated printer.
TEST_F(Tqz2_Instance_Test, EachStoredIntervalKeepsRunningForTwoMinutes) {
  vlm::testing::AgentPort();
  const std::string host = vlm::testing::AllocateLoopbackRange(1)[0];
  vlm::testing::SnmpdAgent agent(host, vlm::testing::DemoPrinters()[1].objects);
  Use_Simulated_Printers();
  struct Run {
    const Stored_Interval* value;
    QString key, errors;
    QProcessEnvironment env;
    QProcess* program;
  };
  std::vector<Run> runs;
  for (const Stored_Interval& c : kStoredIntervals) {
    Run r{&c, key_ + "-" + c.name, QStringLiteral("%1.txt").arg(c.name), env_, nullptr};
    const QString root = dir_.filePath(QStringLiteral("registry-%1").arg(c.name));
    Use_Registry(root);
    Install_On(host, c.text);
    ASSERT_FALSE(HasFatalFailure());
    r.env.insert("VLM_REGISTRY_ROOT", root);
    r.env.insert("VLM_INSTANCE_KEY", r.key);
    runs.push_back(r);
  }
  QElapsedTimer clock;
  clock.start();
  for (Run& r : runs) r.program = &Start(r.errors, r.env);
  for (Run& r : runs) ASSERT_TRUE(Listening(r.key)) << r.value->name;

  auto still_running = [&](const char* when) {
    for (const Run& r : runs) {
      ASSERT_EQ(r.program->state(), QProcess::Running)
          << r.value->name << " " << when << ": " << Errors(r.errors).toStdString();
    }
  };
  auto second_starts = [&](const char* when) {
    std::vector<QProcess*> seconds;
    for (const Run& r : runs) seconds.push_back(&Start({}, r.env));
    for (size_t i = 0; i < seconds.size(); ++i) {
      ASSERT_TRUE(seconds[i]->waitForFinished(60000)) << runs[i].value->name << " " << when;
      EXPECT_TRUE(Handed_Over(*seconds[i])) << runs[i].value->name << " " << when;
    }
  };
  auto until = [&](qint64 ms) {
    while (clock.elapsed() < ms && std::all_of(runs.begin(), runs.end(), [](const Run& r) {
             return r.program->state() == QProcess::Running;
           })) {
      QThread::msleep(200);
    }
  };
  until(60000);
  still_running("after one minute");
  second_starts("after one minute");
  until(125000);
  still_running("after two minutes");
  second_starts("after two minutes");
  QThread::msleep(2000);
  still_running("after the last second start");

  for (const Run& r : runs) {
    SCOPED_TRACE(r.value->name);
    r.program->terminate();
    ASSERT_TRUE(r.program->waitForFinished(30000));
    EXPECT_EQ(r.program->exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(r.program->exitCode(), 0);
    const QString errors = Errors(r.errors);
    EXPECT_FALSE(Sanitizer_Report(errors)) << errors.toStdString();
    if (r.value->refused) {
      // Reported once while it stays stored; a hand-over that activates the
      // window reads the same value again and reports nothing new.
      EXPECT_EQ(Reports(errors), 1) << errors.toStdString();
    } else {
      EXPECT_EQ(Reports(errors), 0) << errors.toStdString();
    }
  }
}

}  // namespace
}  // namespace vlm
