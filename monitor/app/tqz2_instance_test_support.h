// The built tqz2 as the instance tests start it: a scratch registry of its
// own, the program started with its standard error kept, its instance
// socket watched; and the stored polling intervals those tests start it on.
#pragma once

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

#include <algorithm>
#include <map>
#include <memory>

#include "platform/registry/registry.h"
#include "tests/support/temp_folder.h"
#include "tests/support/loopback.h"
#include "tests/support/printer_fixtures.h"
#include "tests/support/snmpd_agent.h"

namespace vlm::tqz2_testing {

inline void Write(const char* path, const std::vector<std::pair<const char*, const char*>>& values) {
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
    QDir(dir_.path()).mkpath("lang");
    Use_Registry(dir_.filePath("registry"));
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
  // Makes `root` the registry of this process and of the programs and
  // tools it starts from now on, with the preferences of a configured
  // workstation: IP discovery of one loopback address, no polling.
  void Use_Registry(const QString& root) {
    ::setenv("VLM_REGISTRY_ROOT", qPrintable(root), 1);
    QDir().mkpath(root);
    registry::ResetForTests();
    Write("Software\\VLM\\Discovery\\Preferences",
          {{"IP_Enabled", "Yes"}, {"IPX_Enabled", "No"}, {"UnInstalled_Enabled", "No"},
           {"Polling_Interval", "30"}, {"Polling_Enabled", "No"}, {"Check_Discovery", "Completed"}});
    Write("Software\\VLM\\Discovery\\DP\\IP\\Discovery Params\\Ranges",
          {{"0", "127.0.0.1:127.0.0.1"}});
    Write("Software\\VLM\\Discovery\\DP\\IPX\\Discovery Params\\Servers", {});
  }
  // The program as installed in the current registry: the libraries
  // registered by their own registration, `host` the one address in the
  // range, polling on at the stored `interval`, so that a start asks
  // nothing and reports nothing but the interval.
  void Install_On(const std::string& host, const char* interval) {
    for (const char* library : {VLM_NETMGR_SO, VLM_XLPNMIF_SO, VLM_SEEKIP_SO, VLM_VLMDM_SO, VLM_RX11_SO,
                                VLM_RX12_SO, VLM_RX13_SO, VLM_RX16_SO}) {
      ASSERT_EQ(QProcess::execute(QStringLiteral(VLM_REGSVR), {"-s", library}), 0) << library;
    }
    ASSERT_EQ(QProcess::execute(QStringLiteral(VLM_REGSET), {"-f", VLM_MAPPING_REG}), 0);
    Write("Software\\VLM\\Discovery\\Preferences",
          {{"UnInstalled_Enabled", "Yes"}, {"Polling_Interval", interval}, {"Polling_Enabled", "Yes"}});
    Write("Software\\VLM\\Discovery\\DP\\IP\\Discovery Params\\Ranges", {{"0", (host + ":" + host).c_str()}});
    registry::ResetForTests();
  }
  // The environment of a program that talks SNMP to the simulated printers:
  // their port, loopback only, a notification port of its own.
  void Use_Simulated_Printers() {
    if (qEnvironmentVariableIsSet("VLM_SNMP_PORT")) env_.insert("VLM_SNMP_PORT", qEnvironmentVariable("VLM_SNMP_PORT"));
    env_.insert("VLM_SNMP_LOOPBACK_ONLY", "1");
    QUdpSocket trap_port;
    trap_port.bind(QHostAddress::LocalHost, 0);
    env_.insert("VLM_SNMP_TRAP_PORT", QString::number(trap_port.localPort()));
  }
  // Starts tqz2; its standard error goes to the file named, or to a file of
  // its own (start-N.txt).
  QProcess& Start(const QString& errors = {}) { return Start(errors, env_); }
  QProcess& Start(const QString& errors, const QProcessEnvironment& env) {
    running_.push_back(std::make_unique<QProcess>());
    QProcess& p = *running_.back();
    const QString file = errors.isEmpty() ? QStringLiteral("start-%1.txt").arg(running_.size()) : errors;
    errors_of_[&p] = file;
    p.setProcessEnvironment(env);
    p.setProcessChannelMode(QProcess::ForwardedOutputChannel);
    p.setStandardErrorFile(dir_.filePath(file));
    p.start(QStringLiteral(TQZ2_PATH), {});
    EXPECT_TRUE(p.waitForStarted(10000));
    return p;
  }
  // Whether a start that has ended handed over to the instance: status 0,
  // and not the end of a start that waited for a busy instance in vain,
  // which ends with status 0 too.
  ::testing::AssertionResult Handed_Over(const QProcess& p) const {
    const QString errors = Errors(errors_of_.at(&p));
    if (p.state() == QProcess::NotRunning && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0 &&
        !errors.contains(QStringLiteral("did not answer in time"))) {
      return ::testing::AssertionSuccess();
    }
    return ::testing::AssertionFailure() << "status " << p.exitCode() << ", errors: " << errors.toStdString();
  }
  // Waits until an instance accepts connections on the socket.
  bool Listening() { return Listening(key_); }
  bool Listening(const QString& key) {
    const QString socket = QDir(env_.value("XDG_RUNTIME_DIR")).filePath(key);
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
  std::map<const QProcess*, QString> errors_of_;
};

// The dialog service's line for a dialog closed offscreen: the error
// report is the only question these starts can ask.
inline int Reports(const QString& errors) {
  return static_cast<int>(errors.count(QStringLiteral("dialog \"Message_Box\" closed")));
}

inline bool Sanitizer_Report(const QString& errors) {
  return errors.contains(QStringLiteral("Sanitizer")) || errors.contains(QStringLiteral("runtime error"));
}

struct Stored_Interval {
  const char* name;
  const char* text;
  bool refused;  // the error report "15"; else polling runs on it
};
inline const Stored_Interval kStoredIntervals[] = {
    {"Letters", "abc", true},         {"Negative", "-1", true}, {"Zero", "0", true},
    {"SixtySix", "66", true},         {"TooLong", "99999999999", true},
    {"Empty", "", false},             {"FiveWithSpaces", " 5 ", false}};
inline std::string Interval_Name(const ::testing::TestParamInfo<Stored_Interval>& info) {
  return info.param.name;
}
inline void PrintTo(const Stored_Interval& c, std::ostream* os) { *os << c.name; }

}  // namespace vlm::tqz2_testing
