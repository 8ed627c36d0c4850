// The built tqz2 run with --screenshots --exit-after-screenshots, offscreen,
// on a scratch registry with the libraries registered by their own
// registration: a printer whose texts look like markup (and hold blanks,
// tabs and backslashes) is shown as written on every tab, and window.txt
// holds each label and each list row exactly; a run whose pictures cannot be
// saved, and a run that finds no printer, end with an error (the latter
// instead of asking for ever). No run leaves Qt's runtime folder in its
// $TMPDIR.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QProcess>

#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "mgmt/tests/stack_support.h"
#include "platform/registry/registry.h"
#include "tests/support/loopback.h"
#include "tests/support/printer_fixtures.h"
#include "tests/support/snmpd_agent.h"
#include "tests/support/temp_folder.h"

namespace vlm {
namespace {

namespace fs = std::filesystem;
using vlm::testing::TempFolder;

// Texts as the printer gives them, and as window.txt writes them.
const std::string kName = "   <b>";
const std::string kLocation = "<i>Room</i> 7 &amp; up";
const std::string kVersion = "V\\2.0 <br>";
const std::string kEngine = "<u>Left</u>  engine";
const std::string kResolution = "<s>400</s>/600 dpi";
const std::string kFinisher = "<font color=red>Fold</font>  ";
const std::string kJam = "<b>Paper</b> Jam";

void Write_Text(const char* path, const char* name, const std::string& text) {
  mgmt::testing::SetValue(path, name, REG_SZ, text.c_str(), static_cast<DWORD>(text.size() + 1));
}

std::string Read(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

bool Has(const std::vector<std::string>& lines, const std::string& line) {
  return std::find(lines.begin(), lines.end(), line) != lines.end();
}

std::vector<std::string> Starting(const std::vector<std::string>& lines, const std::string& start) {
  std::vector<std::string> found;
  for (const std::string& l : lines)
    if (l.rfind(start, 0) == 0) found.push_back(l);
  return found;
}

class Tqz2_Screenshots_Test : public ::testing::Test {
 protected:
  void SetUp() override {
    static int argc = 1;
    static char name[] = "tqz2-screenshots-test";
    static char* argv[] = {name, nullptr};
    static auto* app = new QCoreApplication(argc, argv);
    (void)app;
    ::setenv("VLM_REGISTRY_ROOT", (folder_ / "registry").c_str(), 1);
    registry::ResetForTests();
    vlm::testing::AgentPort();
    for (const char* library : {VLM_NETMGR_SO, VLM_XLPNMIF_SO, VLM_SEEKIP_SO, VLM_VLMDM_SO, VLM_RX11_SO})
      ASSERT_EQ(mgmt::testing::RunCommand(std::string(VLM_REGSVR) + " -s " + library), 0) << library;
    ASSERT_EQ(mgmt::testing::RunCommand(std::string(VLM_REGSET) + " -f " + VLM_MAPPING_REG), 0);
    for (const auto& [name, value] : std::vector<std::pair<const char*, const char*>>{
             {"IP_Enabled", "Yes"}, {"IPX_Enabled", "No"}, {"UnInstalled_Enabled", "Yes"},
             {"Polling_Interval", "30"}, {"Polling_Enabled", "No"}, {"Check_Discovery", "Completed"}})
      Write_Text("Software\\VLM\\Discovery\\Preferences", name, value);
    Write_Text("Software\\VLM\\Discovery\\DP\\IPX\\Discovery Params\\Servers", "", "");
    const DWORD timeout = 100, retries = 1;
    mgmt::testing::SetValue("SOFTWARE\\VLM\\Discovery\\DP\\IP\\Startup", "Timeout", REG_DWORD, &timeout, 4);
    mgmt::testing::SetValue("SOFTWARE\\VLM\\Discovery\\DP\\IP\\Startup", "Retries", REG_DWORD, &retries, 4);
    fs::create_directories(tmp_);
    fs::create_directories(folder_ / "lang");
  }
  void TearDown() override {
    registry::ResetForTests();
    ::unsetenv("VLM_REGISTRY_ROOT");
  }

  void Scan(const std::string& host) {
    Write_Text("Software\\VLM\\Discovery\\DP\\IP\\Discovery Params\\Ranges", "0", host + ":" + host);
    registry::ResetForTests();
  }

  // Runs tqz2 --screenshots shots --exit-after-screenshots to its end.
  int Run(const std::string& shots) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "LC_ALL", "LANG", "LC_MESSAGES"}) env.remove(name);
    env.insert("QT_QPA_PLATFORM", "offscreen");
    env.insert("VLM_REGISTRY_ROOT", QString::fromStdString(folder_ / "registry"));
    env.insert("VLM_SNMP_LOOPBACK_ONLY", "1");
    env.insert("VLM_SNMP_TRAP_PORT", QString::number(mgmt::testing::FreeUdpPort()));
    env.insert("VLM_INSTANCE_KEY", QStringLiteral("vlm-tqz2-shots-%1").arg(::getpid()));
    env.insert("VLM_LANG_DIR", QString::fromStdString(folder_ / "lang"));
    env.insert("CUPS_SERVER", QString::fromStdString(folder_ / "no-scheduler"));
    env.insert("TMPDIR", QString::fromStdString(tmp_));
    env.insert("XDG_RUNTIME_DIR", QString::fromStdString(vlm::testing::QtRuntimeFolder(folder_.path())));
    QProcess tqz2;
    tqz2.setProcessEnvironment(env);
    tqz2.start(QStringLiteral(TQZ2_PATH), {QStringLiteral("--screenshots"), QString::fromStdString(shots),
                                           QStringLiteral("--exit-after-screenshots")});
    EXPECT_TRUE(tqz2.waitForStarted(10000));
    if (!tqz2.waitForFinished(150000)) {
      tqz2.kill();
      tqz2.waitForFinished(5000);
      ADD_FAILURE() << "tqz2 did not end";
    }
    errors_ = tqz2.readAllStandardError().toStdString();
    EXPECT_TRUE(vlm::testing::LeftQtRuntimeFolders(tmp_).empty());
    return tqz2.exitStatus() == QProcess::NormalExit ? tqz2.exitCode() : -1;
  }

  TempFolder folder_{"vlm-tqz2-shots"};
  const std::string tmp_ = folder_ / "tmp";
  std::string errors_;
};

TEST_F(Tqz2_Screenshots_Test, DeviceTextsAreShownAndRecordedAsWrittenOnEveryTab) {
  vlm::testing::Printer_Spec printer;
  printer.controller_name = kName;
  printer.location = kLocation;
  printer.controller_version = kVersion;
  printer.mib_version = "2.1";
  printer.snmp_version = "SNMPv1";
  vlm::testing::Engine_Spec engine;
  engine.type = 11;
  engine.name = kEngine;
  engine.resolution = kResolution;
  engine.finisher = kFinisher;
  engine.alerts = {kJam, "Toner\\Low\t  "};
  // A memory unit the Printer tab lists (it leaves the RAM and ROM kinds to
  // the controller's figures).
  engine.memory[0] = 6;
  printer.engines = {engine};
  const std::string host = vlm::testing::AllocateLoopbackAddress();
  vlm::testing::SnmpdAgent agent(host, vlm::testing::Printer_Objects(printer));
  Scan(host);

  // The pictures stay in the build folder, for people to look at.
  const std::string shots = std::string(VLM_SCREENSHOT_DIR) + "/tqz2_texts_as_written";
  fs::remove_all(shots);
  ASSERT_EQ(Run(shots), 0) << errors_;
  const std::vector<std::string> lines = Lines(Read(shots + "/window.txt"));
  const std::string record = Read(shots + "/window.txt");

  // Every label, with its text exactly as set: blanks kept, tab and
  // backslash escaped, markup not rendered.
  for (const std::string& line : std::vector<std::string>{
           "QuickView\tlblIPModel\t" + kName,
           "QuickView\tlblIPLocation\t" + kLocation,
           "QuickView\tlblIPEngine1Name\t" + kEngine,
           "QuickView\tlblIPFinisher1Name\t" + kFinisher,
           "IP Controller\tlblIPName_1\t" + kName,
           std::string("IP Controller\tlblIPVersion\tV\\\\2.0 <br>"),
           // Empty: this tab reads no resolution, and the design caption
           // "400/600" is no value of the selected printer's.
           std::string("IP Controller\tLabel14\t"),
           "Printer\tlblIPName_2\t" + kName,
           "Printer\tlblEngineModel\t" + kEngine,
           "Printer\tlblEngineFinisherModel\t" + kFinisher,
           "Alert/Error Status\tlblIPName_3\t" + kName,
           "Paper Input\tlblEngineNamePaperInput_7\t" + kEngine,
           "Paper Output\tlblEngineNamePaperOutput_8\t" + kEngine,
       })
    EXPECT_TRUE(Has(lines, line)) << line << "\nin\n" << record;
  // Labels without text have their line too.
  EXPECT_FALSE(Starting(lines, "QuickView\tlblIPEngine2Name\t").empty()) << record;

  // Every row of every list view, each cell as shown.
  const std::vector<std::string> alerts = Starting(lines, "Alert/Error Status\tlvwEngineAlert\t");
  ASSERT_EQ(alerts.size(), 2u) << record;
  EXPECT_EQ(alerts[0].rfind("Alert/Error Status\tlvwEngineAlert\t1\t", 0), 0u);
  EXPECT_NE(alerts[0].find("\t" + kJam), std::string::npos) << alerts[0];
  // A text with a backslash, a tab and trailing blanks is shown as written,
  // escaped in its one line.
  EXPECT_NE(alerts[1].find("\tToner\\\\Low\\t  \t"), std::string::npos) << alerts[1];
  EXPECT_EQ(Starting(lines, "Paper Input\tlvwInputTray\t").size(), 2u) << record;
  EXPECT_EQ(Starting(lines, "Paper Output\tlvwOutputTray\t1\t").size(), 1u) << record;
  EXPECT_EQ(Starting(lines, "Printer\tlvwEngineFirmware\t1\t").size(), 1u) << record;
  EXPECT_EQ(Starting(lines, "Printer\tlvwEngineMemory\t1\tERDH\t").size(), 1u) << record;
  EXPECT_EQ(Starting(lines, "lvwIPs\t1\t").size(), 1u) << record;

  for (const char* picture : {"tab0-quickview.png", "tab1-ip-controller.png", "tab2-printer.png",
                              "tab3-alert-error-status.png", "tab4-paper-input.png", "tab5-paper-output.png"})
    EXPECT_TRUE(fs::exists(shots + "/" + picture)) << picture;
}

TEST_F(Tqz2_Screenshots_Test, PicturesThatCannotBeSavedEndTheRunWithAnError) {
  vlm::testing::Printer_Spec printer;
  printer.controller_name = "TQ";
  printer.engines = {vlm::testing::Engine_Spec{}};
  const std::string host = vlm::testing::AllocateLoopbackAddress();
  vlm::testing::SnmpdAgent agent(host, vlm::testing::Printer_Objects(printer));
  Scan(host);
  // A folder under a regular file cannot be made, not even by root.
  std::ofstream(folder_ / "file") << "not a folder";
  const std::string shots = folder_ / "file/shots";
  EXPECT_EQ(Run(shots), 4) << errors_;
  EXPECT_NE(errors_.find("tqz2: the pictures were not saved: "), std::string::npos) << errors_;
  EXPECT_NE(errors_.find(shots + ": "), std::string::npos) << errors_;
  EXPECT_EQ(errors_.find("saved in"), std::string::npos) << errors_;
}

TEST_F(Tqz2_Screenshots_Test, NoPrinterFoundEndsTheRunWithAnError) {
  Scan(vlm::testing::AllocateLoopbackAddress());  // nobody answers there
  const std::string shots = folder_ / "shots";
  EXPECT_EQ(Run(shots), 3);
  EXPECT_NE(errors_.find("tqz2: no printer was found"), std::string::npos) << errors_;
  EXPECT_FALSE(fs::exists(shots + "/window.txt"));
}

}  // namespace
}  // namespace vlm
