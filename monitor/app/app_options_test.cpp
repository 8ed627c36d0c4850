// window.txt's form of a text: as set, with the characters that would break
// its line (and the escape character itself) escaped.
#include <gtest/gtest.h>

#include "monitor/app/app_options.h"

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

}  // namespace
}  // namespace vlm::monitor
