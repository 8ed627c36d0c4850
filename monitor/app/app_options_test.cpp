// window.txt's form of a text: as set, with the characters that would break
// its line (and the escape character itself) escaped; the registry folder an
// installed program takes from its own folder; and the pictures of the main
// window, each step of whose saving can fail.
#include <gtest/gtest.h>

#include <QCoreApplication>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <utility>

#include "monitor/app/app_options.h"
#include "monitor/forms/frmTQZ.h"
#include "monitor/vbui/vbui.h"
#include "monitor/vbui/vbui_test_support.h"
#include "tests/support/temp_folder.h"

namespace vlm::monitor {
namespace {

namespace fs = std::filesystem;

TEST(WindowRecordText, KeepsTextAsSetAndEscapesTabNewlineReturnAndBackslash) {
  const std::pair<const char*, const char*> cases[] = {
      {"", ""},
      {"   <b>  ", "   <b>  "},
      {"<i>Room</i> 7 &amp; up", "<i>Room</i> 7 &amp; up"},
      {"a\tb", "a\\tb"},
      {"line 1\nline 2\r\n", "line 1\\nline 2\\r\\n"},
      {"C:\\tqz\\n", "C:\\\\tqz\\\\n"},
  };
  for (const auto& [text, recorded] : cases)
    EXPECT_EQ(Window_Record_Text(QString::fromUtf8(text)).toStdString(), recorded) << text;
}

// The registry an installed program takes: its prefix's, and for the
// machine's own prefixes the one in /var that the install registers into.
TEST(InstalledRegistryFolder, IsThePrefixRegistryAndVarLibForTheMachinePrefixes) {
  const std::pair<const char*, const char*> cases[] = {
      {"/usr/bin", "/var/lib/vlm/registry"},
      {"/usr/bin/", "/var/lib/vlm/registry"},
      {"/usr/bin//", "/var/lib/vlm/registry"},
      {"/usr//bin", "/var/lib/vlm/registry"},
      {"/usr/./bin", "/var/lib/vlm/registry"},
      {"/usr/local/../bin", "/var/lib/vlm/registry"},
      {"/bin", "/var/lib/vlm/registry"},
      {"/opt/x/bin", "/opt/x/var/lib/vlm/registry"},
      {"/opt/x/bin/", "/opt/x/var/lib/vlm/registry"},
      {"/usr/local/bin", "/usr/local/var/lib/vlm/registry"},
      {"/usr/bin/../local/bin", "/usr/local/var/lib/vlm/registry"},
      // A staging folder's /usr is not the machine's: the program there
      // never takes the machine's registry.
      {"/tmp/stage/usr/bin", "/tmp/stage/usr/var/lib/vlm/registry"},
      {"/tmp/stage/usr/bin/", "/tmp/stage/usr/var/lib/vlm/registry"},
      {"/tmp/stage/usr/bin/../../usr/bin", "/tmp/stage/usr/var/lib/vlm/registry"},
      // A relative folder stays relative: "usr" there is no machine prefix.
      {"usr/bin", "usr/var/lib/vlm/registry"},
      {"build/prefix/bin/", "build/prefix/var/lib/vlm/registry"},
      {"bin", "var/lib/vlm/registry"},
  };
  for (const auto& [folder, registry] : cases)
    EXPECT_EQ(Installed_Registry_Folder(folder).string(), registry) << folder;
}

// A folder that cannot be made (under a regular file), a window.txt or a
// picture that cannot be written (a folder of that name is in the way):
// each fails even for root. The run says what failed instead of reporting
// the pictures saved, and still ends when asked to.
TEST(SavePictures, EachFailedStepIsReportedAndTheRunEndsAsNotSaved) {
  vbui::testing::App();
  const vlm::testing::TempFolder root("vlm-app-pictures");
  std::ofstream(root / "file") << "not a folder";
  struct Case {
    const char* what;
    std::string folder;
    const char* in_the_way;  // a folder made under `folder` first
    std::string failed;      // the path the error line names; empty: all saved
  };
  const Case cases[] = {
      {"all saved", root / "good/shots", nullptr, ""},
      {"folder", root / "file/shots", nullptr, root / "file/shots"},
      {"window.txt", root / "record", "window.txt", root / "record/window.txt"},
      {"picture", root / "picture", "tab0-quickview.png", root / "picture/tab0-quickview.png"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    vbui::ResetForTests();
    if (c.in_the_way) fs::create_directories(c.folder + "/" + c.in_the_way);
    frmTQZ form(std::make_unique<vbui::FakeTrayIcon>());
    App_Options options;
    options.screenshots = QString::fromStdString(c.folder);
    options.exit_after_screenshots = true;
    ::testing::internal::CaptureStderr();
    Save_Pictures_After_First_Poll(form, options);
    for (int i = 0; i < 100 && !vbui::ProgramEnded(); ++i) QCoreApplication::processEvents();
    const std::string errors = ::testing::internal::GetCapturedStderr();
    EXPECT_TRUE(vbui::ProgramEnded());
    EXPECT_EQ(Pictures_Not_Saved(), !c.failed.empty());
    if (c.failed.empty()) {
      EXPECT_NE(errors.find("pictures of the main window saved in"), std::string::npos) << errors;
      EXPECT_TRUE(fs::is_regular_file(c.folder + "/window.txt"));
      EXPECT_TRUE(fs::is_regular_file(c.folder + "/tab0-quickview.png"));
    } else {
      EXPECT_EQ(errors.find("saved in"), std::string::npos) << errors;
      EXPECT_NE(errors.find("tqz2: "), std::string::npos) << errors;
      EXPECT_NE(errors.find(c.failed + ": "), std::string::npos) << errors;
      EXPECT_EQ(std::count(errors.begin(), errors.end(), '\n'), 1) << errors;
    }
  }
  vbui::ResetForTests();
}

}  // namespace
}  // namespace vlm::monitor
