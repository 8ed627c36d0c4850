// The built tqz2 started twice: the second start hands over to the first
// and ends; after the first was killed (its socket left behind), the next
// start becomes the instance; starts while the instance is busy wait for it.
// And each stored polling interval: the program reports the ones it refuses,
// runs on the others, and keeps running through second starts, whose
// hand-over brings its window to the front again after the report has
// closed.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocalSocket>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <QUdpSocket>

#include <signal.h>
#include <unistd.h>

#include <memory>

#include "platform/registry/registry.h"
#include "tests/support/temp_folder.h"
#include "tests/support/loopback.h"
#include "tests/support/printer_fixtures.h"
#include "tests/support/snmpd_agent.h"

namespace vlm {
namespace {

void Write(const char* path, const std::vector<std::pair<const char*, const char*>>& values) {
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, path, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                            nullptr),
            ERROR_SUCCESS);
  for (const auto& [name, text] : values) {
    RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text),
                   static_cast<DWORD>(strlen(text) + 1));
  }
  RegCloseKey(key);
}

class Tqz2_Instance_Test : public ::testing::Test {
 protected:
  void SetUp() override {
    static int argc = 1;
    static char name[] = "tqz2-instance-test";
    static char* argv[] = {name, nullptr};
    static auto* app = new QCoreApplication(argc, argv);
    (void)app;
    ASSERT_TRUE(dir_.isValid());
    ::setenv("VLM_REGISTRY_ROOT", qPrintable(dir_.filePath("registry")), 1);
    QDir(dir_.path()).mkpath("registry");
    QDir(dir_.path()).mkpath("lang");
    registry::ResetForTests();
    Write("Software\\VLM\\Discovery\\Preferences",
          {{"IP_Enabled", "Yes"}, {"IPX_Enabled", "No"}, {"UnInstalled_Enabled", "No"},
           {"Polling_Interval", "30"}, {"Polling_Enabled", "No"}, {"Check_Discovery", "Completed"}});
    Write("Software\\VLM\\Discovery\\DP\\IP\\Discovery Params\\Ranges",
          {{"0", "127.0.0.1:127.0.0.1"}});
    Write("Software\\VLM\\Discovery\\DP\\IPX\\Discovery Params\\Servers", {});
    key_ = QStringLiteral("vlm-tqz2-test-%1").arg(::getpid());
    env_ = QProcessEnvironment::systemEnvironment();
    env_.insert("QT_QPA_PLATFORM", "offscreen");
    env_.insert("VLM_INSTANCE_KEY", key_);
    env_.insert("VLM_LANG_DIR", dir_.filePath("lang"));
    env_.insert("TMPDIR", dir_.path());
    env_.insert("XDG_RUNTIME_DIR", QString::fromStdString(vlm::testing::QtRuntimeFolder(dir_.path().toStdString())));
  }
  void TearDown() override {
    for (auto& p : running_) {
      if (p->state() != QProcess::NotRunning) {
        p->kill();
        p->waitForFinished(5000);
      }
    }
    EXPECT_TRUE(vlm::testing::LeftQtRuntimeFolders(dir_.path().toStdString()).empty());
    registry::ResetForTests();
  }
  // Starts tqz2; with a file name, its standard error goes there.
  QProcess& Start(const QString& errors = {}) {
    running_.push_back(std::make_unique<QProcess>());
    QProcess& p = *running_.back();
    p.setProcessEnvironment(env_);
    if (errors.isEmpty()) {
      p.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    } else {
      p.setProcessChannelMode(QProcess::ForwardedOutputChannel);
      p.setStandardErrorFile(dir_.filePath(errors));
    }
    p.start(QStringLiteral(TQZ2_PATH), {});
    EXPECT_TRUE(p.waitForStarted(10000));
    return p;
  }
  // Waits until an instance accepts connections on the socket.
  bool Listening() {
    const QString socket = QDir(env_.value("XDG_RUNTIME_DIR")).filePath(key_);
    for (int i = 0; i < 600; ++i) {
      QLocalSocket probe;
      probe.connectToServer(socket);
      if (probe.waitForConnected(100)) return true;
      QThread::msleep(50);
    }
    return false;
  }

  QString Errors(const QString& name) const {
    QFile f(dir_.filePath(name));
    return f.open(QIODevice::ReadOnly) ? QString::fromLocal8Bit(f.readAll()) : QString();
  }

  QTemporaryDir dir_;
  QString key_;
  QProcessEnvironment env_;
  std::vector<std::unique_ptr<QProcess>> running_;
};

TEST_F(Tqz2_Instance_Test, SecondStartHandsOverAndEndsStaleSocketStartBecomesTheInstance) {
  QProcess& first = Start();
  ASSERT_TRUE(Listening());
  QProcess& second = Start();
  ASSERT_TRUE(second.waitForFinished(30000));
  EXPECT_EQ(second.exitStatus(), QProcess::NormalExit);
  EXPECT_EQ(second.exitCode(), 0);
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
  EXPECT_EQ(fourth.exitCode(), 0);
  EXPECT_EQ(third.state(), QProcess::Running);
}

// The dialog service's line for a dialog closed offscreen: the error
// report is the only question these starts can ask.
int Reports(const QString& errors) {
  return static_cast<int>(errors.count(QStringLiteral("dialog \"Message_Box\" closed")));
}

bool Sanitizer_Report(const QString& errors) {
  return errors.contains(QStringLiteral("Sanitizer")) || errors.contains(QStringLiteral("runtime error"));
}

struct Stored_Interval {
  const char* name;
  const char* text;
  bool refused;  // the error report "15"; else polling runs on it
};
const Stored_Interval kStoredIntervals[] = {
    {"Letters", "abc", true},         {"Negative", "-1", true}, {"Zero", "0", true},
    {"SixtySix", "66", true},         {"TooLong", "99999999999", true},
    {"Empty", "", false},             {"FiveWithSpaces", " 5 ", false}};
std::string Interval_Name(const ::testing::TestParamInfo<Stored_Interval>& info) {
  return info.param.name;
}
void PrintTo(const Stored_Interval& c, std::ostream* os) { *os << c.name; }

// The program as installed: the libraries registered by their own
// registration in the scratch registry, one simulated printer in the range,
// so that the start asks nothing and reports nothing but the interval.
class Tqz2_Polling_Interval_Test : public Tqz2_Instance_Test,
                                   public ::testing::WithParamInterface<Stored_Interval> {
 protected:
  void SetUp() override {
    Tqz2_Instance_Test::SetUp();
    vlm::testing::AgentPort();
    const std::string host = vlm::testing::AllocateLoopbackRange(1)[0];
    agent_ = std::make_unique<vlm::testing::SnmpdAgent>(host, vlm::testing::DemoPrinters()[1].objects);
    for (const char* library : {VLM_NETMGR_SO, VLM_XLPNMIF_SO, VLM_SEEKIP_SO, VLM_VLMDM_SO, VLM_RX11_SO,
                                VLM_RX12_SO, VLM_RX13_SO, VLM_RX16_SO}) {
      ASSERT_EQ(QProcess::execute(QStringLiteral(VLM_REGSVR), {"-s", library}), 0) << library;
    }
    ASSERT_EQ(QProcess::execute(QStringLiteral(VLM_REGSET), {"-f", VLM_MAPPING_REG}), 0);
    Write("Software\\VLM\\Discovery\\Preferences",
          {{"UnInstalled_Enabled", "Yes"}, {"Polling_Interval", GetParam().text}, {"Polling_Enabled", "Yes"}});
    Write("Software\\VLM\\Discovery\\DP\\IP\\Discovery Params\\Ranges", {{"0", (host + ":" + host).c_str()}});
    registry::ResetForTests();
    if (qEnvironmentVariableIsSet("VLM_SNMP_PORT")) env_.insert("VLM_SNMP_PORT", qEnvironmentVariable("VLM_SNMP_PORT"));
    env_.insert("VLM_SNMP_LOOPBACK_ONLY", "1");
    QUdpSocket trap_port;
    trap_port.bind(QHostAddress::LocalHost, 0);
    env_.insert("VLM_SNMP_TRAP_PORT", QString::number(trap_port.localPort()));
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
    EXPECT_EQ(second.exitCode(), 0);  // handed over
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
    EXPECT_EQ(p->exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(p->exitCode(), 0);
  }
  EXPECT_EQ(first.state(), QProcess::Running);
  QProcess& last = Start();
  ASSERT_TRUE(last.waitForFinished(60000));
  EXPECT_EQ(last.exitCode(), 0);
  EXPECT_EQ(first.state(), QProcess::Running);
}

}  // namespace
}  // namespace vlm
