// window.txt's form of a text: as set, with the characters that would break
// its line (and the escape character itself) escaped; and the registry folder
// an installed program takes from its own folder.
#include <gtest/gtest.h>

#include "monitor/app/app_options.h"

#include <utility>

namespace vlm::monitor {
namespace {

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

}  // namespace
}  // namespace vlm::monitor
