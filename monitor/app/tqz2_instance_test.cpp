// The built tqz2 started twice: the second start hands over to the first
// and ends; after the first was killed (its socket left behind), the next
// start becomes the instance. Starts while the instance is busy wait for it.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocalSocket>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <signal.h>
#include <unistd.h>

#include "platform/registry/registry.h"

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
    QDir(dir_.path()).mkpath("xdg");
    QFile::setPermissions(dir_.filePath("xdg"), QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                                   QFileDevice::ExeOwner);
    env_.insert("XDG_RUNTIME_DIR", dir_.filePath("xdg"));
  }
  void TearDown() override {
    for (auto& p : running_) {
      if (p->state() != QProcess::NotRunning) {
        p->kill();
        p->waitForFinished(5000);
      }
    }
    registry::ResetForTests();
  }
  QProcess& Start() {
    running_.push_back(std::make_unique<QProcess>());
    QProcess& p = *running_.back();
    p.setProcessEnvironment(env_);
    p.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    p.start(QStringLiteral(TQZ2_PATH), {});
    EXPECT_TRUE(p.waitForStarted(10000));
    return p;
  }
  // Waits until an instance accepts connections on the socket.
  bool Listening() {
    const QString socket = QDir(dir_.path()).filePath(key_);
    for (int i = 0; i < 600; ++i) {
      QLocalSocket probe;
      probe.connectToServer(socket);
      if (probe.waitForConnected(100)) return true;
      QThread::msleep(50);
    }
    return false;
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
  ASSERT_TRUE(QFileInfo(QDir(dir_.path()).filePath(key_)).exists());
  QProcess& third = Start();
  // The third becomes the instance: a fourth start hands over to it.
  ASSERT_TRUE(Listening());
  QProcess& fourth = Start();
  ASSERT_TRUE(fourth.waitForFinished(30000));
  EXPECT_EQ(fourth.exitCode(), 0);
  EXPECT_EQ(third.state(), QProcess::Running);
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
