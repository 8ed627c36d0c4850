#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "platform/strings/language.h"
#include "tests/support/fifo_feeder.h"

namespace vlm {
namespace {

namespace fs = std::filesystem;

// A folder of its own for each test, removed afterwards.
class StringsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "vlm_strings_XXXXXX").string();
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    folder_ = pattern;
  }
  void TearDown() override {
    for (HLANGLIB library : loaded_) FreeLanguageLibrary(library);
    std::error_code ignored;
    fs::remove_all(folder_, ignored);
  }

  std::string Write(const std::string& name, const std::string& content) {
    const std::string path = (folder_ / name).string();
    std::ofstream(path, std::ios::binary) << content;
    return path;
  }
  HLANGLIB Load(const std::string& content) {
    HLANGLIB library = LoadLanguageLibrary(Write("set.lang", content));
    if (library != nullptr) loaded_.push_back(library);
    return library;
  }
  static std::string Text(HLANGLIB library, DWORD id, int bufferMax = 255) {
    std::string text = "stale";
    LoadStringA(library, id, text, bufferMax);
    return text;
  }

  fs::path folder_;
  std::vector<HLANGLIB> loaded_;
};

TEST_F(StringsTest, CatalogueLinesEscapesAndMalformedLines) {
  HLANGLIB library = Load(
      "\xEF\xBB\xBF"
      "101\tPlain text\n"
      "102\tTab\\there, line\\nbreak, back\\\\slash\n"
      "103\tWindows line end\r\n"
      "104\t\n"
      "105\tRaw\ttab stays\n"
      "106\tOther \\q escape and trailing \\\n"
      "0107\tLeading zero\n"
      "101\tSecond 101 is passed over\n"
      "\n"
      "no number\there\n"
      "\t201 no number\n"
      "202 no tab\n"
      "-203\tsigned\n"
      "65536\ttoo big\n"
      "65535\tlargest\n"
      "204\tbad \xC3 utf-8\n"
      "205\tover-long \xC0\xAF\n"
      "206\tJapanese \xE6\x97\xA5\xE6\x9C\xAC\n"
      "208\tsurrogate \xED\xA0\x80\n"
      "209\tcut short \xE6\x97\n"
      "210\tfour bytes \xF0\x9F\x98\x80\n"
      "207\tlast line without a line feed");
  ASSERT_NE(library, nullptr);

  const struct {
    DWORD id;
    const char* text;
  } rows[] = {
      {101, "Plain text"},
      {102, "Tab\there, line\nbreak, back\\slash"},
      {103, "Windows line end"},
      {104, ""},
      {105, "Raw\ttab stays"},
      {106, "Other \\q escape and trailing \\"},
      {107, "Leading zero"},
      {201, ""},
      {202, ""},
      {203, ""},
      {65535, "largest"},
      {204, ""},
      {205, ""},
      {206, "Japanese \xE6\x97\xA5\xE6\x9C\xAC"},
      {207, "last line without a line feed"},
      {208, ""},
      {209, ""},
      {210, "four bytes \xF0\x9F\x98\x80"},
      {0, ""},
  };
  for (const auto& row : rows) EXPECT_EQ(Text(library, row.id), row.text) << row.id;
}

TEST_F(StringsTest, LoadFailsWithoutTexts) {
  EXPECT_EQ(LoadLanguageLibrary((folder_ / "absent.lang").string()), nullptr);
  EXPECT_EQ(LoadLanguageLibrary(folder_.string()), nullptr);
  EXPECT_EQ(LoadLanguageLibrary(Write("empty.lang", "")), nullptr);
  EXPECT_EQ(LoadLanguageLibrary(Write("junk.lang", "junk\n\nno\ttexts\n")), nullptr);
}

// Only a regular file of at most 16 MiB is read: a FIFO would block the load
// and a link to /dev/zero would read until memory runs out.
TEST_F(StringsTest, OnlyRegularFilesOfBoundedSizeLoad) {
  const std::string line = "101\tHello\n";
  const std::string plain = Write("plain.lang", line);
  auto sized = [&](const char* name, std::uintmax_t size) {
    const std::string path = Write(name, line);
    fs::resize_file(path, size);  // sparse: the line, then NULs
    return path;
  };
  ::symlink(plain.c_str(), (folder_ / "linked.lang").c_str());
  ::symlink("/dev/zero", (folder_ / "zero.lang").c_str());
  testing::FifoFeeder fifo((folder_ / "fifo.lang").string(), line);
  const struct {
    const char* name;
    std::string path;
    bool loads;
  } cases[] = {
      {"regular file", plain, true},
      {"link to a regular file", (folder_ / "linked.lang").string(), true},
      {"16 MiB", sized("limit.lang", std::uintmax_t{16} << 20), true},
      {"16 MiB and one byte", sized("over.lang", (std::uintmax_t{16} << 20) + 1), false},
      {"FIFO", (folder_ / "fifo.lang").string(), false},
      {"link to /dev/zero", (folder_ / "zero.lang").string(), false},
  };
  for (const auto& c : cases) {
    HLANGLIB library = LoadLanguageLibrary(c.path);
    if (library) loaded_.push_back(library);
    EXPECT_EQ(library != nullptr, c.loads) << c.name;
    if (library) {
      EXPECT_EQ(Text(library, 101), "Hello") << c.name;
    }
  }
}

TEST_F(StringsTest, LoadStringCutsWholeCharactersAndReturnsTheLength) {
  std::string longAscii(300, 'x');
  std::string longWide;
  for (int i = 0; i < 300; ++i) longWide += "\xC3\xA9";  // e acute, two bytes
  HLANGLIB library = Load("1\t" + longAscii + "\n2\t" + longWide + "\n3\tabc\n");
  ASSERT_NE(library, nullptr);

  std::string text;
  EXPECT_EQ(LoadStringA(library, 1, text, 255), 254);
  EXPECT_EQ(text, std::string(254, 'x'));
  EXPECT_EQ(LoadStringA(library, 2, text, 255), 254);
  EXPECT_EQ(text.size(), 508u);
  EXPECT_EQ(text, longWide.substr(0, 508));
  EXPECT_EQ(LoadStringA(library, 3, text, 255), 3);
  EXPECT_EQ(text, "abc");
  EXPECT_EQ(LoadStringA(library, 3, text, 3), 2);
  EXPECT_EQ(text, "ab");
  EXPECT_EQ(LoadStringA(library, 3, text, 1), 0);
  EXPECT_EQ(text, "");
  EXPECT_EQ(LoadStringA(library, 3, text, 0), 0);
  EXPECT_EQ(LoadStringA(library, 3, text, -5), 0);
  text = "stale";
  EXPECT_EQ(LoadStringA(library, 4, text, 255), 0);
  EXPECT_EQ(text, "");
  EXPECT_EQ(LoadStringA(library, 65536 + 3, text, 255), 0);
}

TEST_F(StringsTest, UnknownAndFreedHandlesGiveEmptyTexts) {
  HLANGLIB library = LoadLanguageLibrary(Write("one.lang", "1\tone\n"));
  ASSERT_NE(library, nullptr);
  HLANGLIB second = LoadLanguageLibrary(Write("one.lang", "1\tone\n"));
  ASSERT_NE(second, nullptr);
  EXPECT_NE(second, library);
  EXPECT_EQ(Text(library, 1), "one");
  FreeLanguageLibrary(library);
  EXPECT_EQ(Text(library, 1), "");
  EXPECT_EQ(Text(second, 1), "one");
  FreeLanguageLibrary(library);  // a second free is harmless
  FreeLanguageLibrary(second);
  FreeLanguageLibrary(nullptr);
  EXPECT_EQ(Text(nullptr, 1), "");
}

TEST_F(StringsTest, ConcurrentLoadsReadsAndFrees) {
  const std::string path = Write("shared.lang", "1\tshared\n");
  std::vector<std::thread> threads;
  std::vector<int> failures(8, 0);
  for (int t = 0; t < 8; ++t) {
    threads.emplace_back([&, t] {
      for (int i = 0; i < 50; ++i) {
        HLANGLIB library = LoadLanguageLibrary(path);
        std::string text;
        if (LoadStringA(library, 1, text, 255) != 6 || text != "shared") ++failures[t];
        FreeLanguageLibrary(library);
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
  for (int t = 0; t < 8; ++t) EXPECT_EQ(failures[t], 0) << t;
}

TEST(LocaleTest, LocaleNamesToLocaleIds) {
  const struct {
    const char* name;
    LCID id;
  } rows[] = {
      {"en_US.UTF-8", 0x0409},  {"en_GB", 0x0809},          {"en_AU.utf8", 0x0C09},
      {"en_CA", 0x1009},        {"en_NZ", 0x1409},          {"en_IE", 0x1809},
      {"en_ZA", 0x1C09},        {"en", 0x0409},             {"ja_JP.UTF-8", 0x0411},
      {"ja_JP.eucJP", 0x0411},  {"ja", 0x0411},             {"fr_FR.UTF-8", 0x040C},
      {"fr_BE", 0x080C},        {"fr_CA", 0x0C0C},          {"fr_CH", 0x100C},
      {"fr_LU", 0x140C},        {"fr_MC", 0x180C},          {"fr_SN", 0x040C},
      {"it_IT", 0x0410},        {"it_CH", 0x0810},          {"de_DE.UTF-8", 0x0407},
      {"de_DE@euro", 0x0407},   {"de_AT", 0x0C07},          {"de_CH", 0x0807},
      {"de_LU", 0x1007},        {"de_LI", 0x1407},          {"de_BE", 0x0407},
      {"es_ES.UTF-8", 0x0C0A},  {"es_MX", 0x080A},          {"es_AR", 0x2C0A},
      {"es_CL", 0x340A},        {"es_PR", 0x500A},          {"es_US", 0x0C0A},
      {"pt_PT", 0x0816},        {"pt_BR", 0x0416},          {"zh_CN.GB18030", 0x0804},
      {"zh_TW.UTF-8", 0x0404},  {"ko_KR.UTF-8", 0x0412},    {"ru_RU.KOI8-R", 0x0419},
      {"sr_RS", 0x0C1A},        {"sr_RS@latin", 0x081A},    {"sr_RS.UTF-8@latin", 0x081A},
      {"uz_UZ@cyrillic", 0x0843}, {"EN_us", 0x0409},        {"C", 0x0409},
      {"C.UTF-8", 0x0409},      {"POSIX", 0x0409},          {"", 0x0409},
      {"xx_YY", 0x0409},        {"_US", 0x0409},
  };
  for (const auto& row : rows) EXPECT_EQ(LocaleIdFromName(row.name), row.id) << row.name;
}

TEST(LocaleTest, ProcessLocaleTakesLcAllThenLcMessagesThenLang) {
  const struct {
    const char* lcAll;
    const char* lcMessages;
    const char* lang;
    LCID id;
  } rows[] = {
      {nullptr, nullptr, nullptr, 0x0409},
      {nullptr, nullptr, "fr_FR.UTF-8", 0x040C},
      {nullptr, "de_DE.UTF-8", "fr_FR.UTF-8", 0x0407},
      {"ja_JP.UTF-8", "de_DE.UTF-8", "fr_FR.UTF-8", 0x0411},
      {"", "", "it_IT", 0x0410},
      {"", "es_ES", nullptr, 0x0C0A},
      {"C", "de_DE", "fr_FR", 0x0409},
      {nullptr, "POSIX", "fr_FR", 0x0409},
  };
  for (const auto& row : rows) {
    const auto set = [](const char* name, const char* value) {
      if (value == nullptr) ::unsetenv(name); else ::setenv(name, value, 1);
    };
    set("LC_ALL", row.lcAll);
    set("LC_MESSAGES", row.lcMessages);
    set("LANG", row.lang);
    EXPECT_EQ(GetThreadLocale(), row.id)
        << (row.lcAll ? row.lcAll : "-") << " " << (row.lcMessages ? row.lcMessages : "-") << " "
        << (row.lang ? row.lang : "-");
  }
}

TEST(LocaleTest, DefaultAnsiCodePages) {
  const struct {
    LCID id;
    const char* codePage;
  } rows[] = {
      {0x0409, "1252"}, {0x0809, "1252"}, {0x0411, "932"},  {0x040C, "1252"}, {0x0410, "1252"},
      {0x0407, "1252"}, {0x040A, "1252"}, {0x0C0A, "1252"}, {0x2409, "1252"}, {0x0804, "936"},
      {0x0404, "950"},  {0x0C04, "950"},  {0x1004, "936"},  {0x0412, "949"},  {0x0405, "1250"},
      {0x0415, "1250"}, {0x0419, "1251"}, {0x0402, "1251"}, {0x0408, "1253"}, {0x041F, "1254"},
      {0x040D, "1255"}, {0x0401, "1256"}, {0x0425, "1257"}, {0x042A, "1258"}, {0x041E, "874"},
      {0x0C1A, "1251"}, {0x081A, "1250"}, {0x0439, "0"},    {0x0816, "1252"},
  };
  for (const auto& row : rows) {
    char buffer[16];
    std::fill(std::begin(buffer), std::end(buffer), ' ');
    const int written = GetLocaleInfoA(row.id, LOCALE_IDEFAULTANSICODEPAGE, buffer, 16);
    EXPECT_EQ(written, static_cast<int>(std::strlen(row.codePage)) + 1) << std::hex << row.id;
    EXPECT_STREQ(buffer, row.codePage) << std::hex << row.id;
  }
}

TEST(LocaleTest, LocaleInfoBufferRules) {
  char buffer[8] = "xxxxxxx";
  EXPECT_EQ(GetLocaleInfoA(0x0409, LOCALE_IDEFAULTANSICODEPAGE, nullptr, 0), 5);
  EXPECT_EQ(GetLocaleInfoA(0x0409, LOCALE_IDEFAULTANSICODEPAGE, buffer, 4), 0);
  EXPECT_STREQ(buffer, "xxxxxxx");
  EXPECT_EQ(GetLocaleInfoA(0x0409, LOCALE_IDEFAULTANSICODEPAGE, buffer, 5), 5);
  EXPECT_STREQ(buffer, "1252");
  EXPECT_EQ(GetLocaleInfoA(0x7777, LOCALE_IDEFAULTANSICODEPAGE, buffer, 8), 0);
  EXPECT_EQ(GetLocaleInfoA(0x0409, 0x1003, buffer, 8), 0);  // another information type
  EXPECT_EQ(GetLocaleInfoA(0x0409, LOCALE_IDEFAULTANSICODEPAGE, buffer, -1), 0);
}

TEST(FolderTest, ProgramAndLanguageFolders) {
  const fs::path program = fs::read_symlink("/proc/self/exe");
  EXPECT_EQ(ProgramFolder(), program.parent_path().string());
  ::unsetenv("VLM_LANG_DIR");
  EXPECT_EQ(LanguageFolder(), ProgramFolder());
  ::setenv("VLM_LANG_DIR", "", 1);
  EXPECT_EQ(LanguageFolder(), ProgramFolder());
  ::setenv("VLM_LANG_DIR", "/opt/vlm/lang", 1);
  EXPECT_EQ(LanguageFolder(), "/opt/vlm/lang");
  ::unsetenv("VLM_LANG_DIR");
}

}  // namespace
}  // namespace vlm
