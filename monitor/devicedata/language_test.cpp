#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "monitor/devicedata/devicedata.h"
#include "monitor/devicedata/devicedata_test_support.h"

namespace vlm::monitor {
namespace {

using test_support::DeviceDataTest;
using LanguageTest = DeviceDataTest;

TEST_F(LanguageTest, LocaleIdsToLanguageSets) {
  const struct {
    const char* set;
    std::initializer_list<const char*> locales;
  } rows[] = {
      {"USA0409", {"C09", "2809", "1009", "1809", "2009", "1409", "1C09", "2C09", "809", "409"}},
      {"JAP0411", {"411"}},
      {"FRN040C", {"40C", "80C", "C0C", "140C", "100C"}},
      {"ITA0410", {"410", "810"}},
      {"GER0407", {"407", "C07", "1407", "1007", "807"}},
      {"SPA040A", {"C0A", "400A", "340A", "240A", "140A", "1C0A", "300A", "100A", "480A", "80A",
                   "4C0A", "180A", "280A", "500A", "3C0A", "440A", "380A", "200A", "40A"}},
      // Neither a listed locale nor one written another way.
      {"USA0409", {"816", "416", "419", "404", "2409", "0409", "c0a", "40a", "", " 411", "411 "}},
  };
  for (const auto& row : rows) {
    for (const char* locale : row.locales) {
      Language_Name = "unchanged";
      Locale_Hex = locale;
      EXPECT_EQ(Select_Language_Dll(), 0);
      EXPECT_EQ(Language_Name, row.set) << '"' << locale << '"';
    }
  }
}

TEST_F(LanguageTest, StartUpFromTheProcessLocaleWithoutLibrary) {
  const struct {
    const char* locale;
    VbLong id;
    const char* hex;
    const char* set;
    const char* codePage;
  } rows[] = {
      {"en_US.UTF-8", 0x0409, "409", "USA0409", "1252"},
      {"en_GB.UTF-8", 0x0809, "809", "USA0409", "1252"},
      {"ja_JP.UTF-8", 0x0411, "411", "JAP0411", "932"},
      {"fr_CA.UTF-8", 0x0C0C, "C0C", "FRN040C", "1252"},
      {"it_CH.UTF-8", 0x0810, "810", "ITA0410", "1252"},
      {"de_AT.UTF-8", 0x0C07, "C07", "GER0407", "1252"},
      {"es_ES.UTF-8", 0x0C0A, "C0A", "SPA040A", "1252"},
      {"es_AR.UTF-8", 0x2C0A, "2C0A", "USA0409", "1252"},
      {"pt_PT.UTF-8", 0x0816, "816", "USA0409", "1252"},
      {"ru_RU.UTF-8", 0x0419, "419", "USA0409", "1251"},
      {"zh_TW.UTF-8", 0x0404, "404", "USA0409", "950"},
      {"hi_IN.UTF-8", 0x0439, "439", "USA0409", "0"},
      {"C", 0x0409, "409", "USA0409", "1252"},
  };
  for (const auto& row : rows) {
    ::setenv("LC_ALL", row.locale, 1);
    Init_Language_Resources();
    EXPECT_EQ(Locale_Id, row.id) << row.locale;
    EXPECT_EQ(Locale_Hex, row.hex) << row.locale;
    EXPECT_EQ(Language_Name, row.set) << row.locale;
    EXPECT_EQ(Code_Page_Text, row.codePage) << row.locale;
    EXPECT_EQ(Help_File, folder_ + "/" + row.set + ".chm::/Test 1.Txt") << row.locale;
    EXPECT_EQ(Language_Dll, nullptr) << row.locale;
    EXPECT_EQ(Localised, "") << row.locale;
  }
}

TEST_F(LanguageTest, LibraryPresentAndAbsent) {
  // Only the Japanese set is installed: an English locale stays English.
  Write_Catalogue("JAP0411", "101\tJapanese text\n");
  Init_Language_Resources();
  EXPECT_EQ(Localised, "");
  EXPECT_EQ(Language_Dll, nullptr);
  EXPECT_EQ(Load_Res_String(101), "");
  EXPECT_EQ(Decode_Device_Status(3), "Ready");

  ::setenv("LC_ALL", "ja_JP.UTF-8", 1);
  Init_Language_Resources();
  EXPECT_EQ(Localised, "On");
  EXPECT_NE(Language_Dll, nullptr);
  EXPECT_EQ(Load_Res_String(101), "Japanese text");

  // Started again after the library went away: English, nothing left loaded.
  std::filesystem::remove(folder_ + "/JAP0411.lang");
  Init_Language_Resources();
  EXPECT_EQ(Localised, "");
  EXPECT_EQ(Language_Dll, nullptr);
  EXPECT_EQ(Load_Res_String(101), "");
}

TEST_F(LanguageTest, AbsentLibraryLeavesTheSwitchAsItWas) {
  Localised = "Off";
  Init_Language_Resources();
  EXPECT_EQ(Localised, "Off");
  EXPECT_EQ(Decode_Device_Status(3), "Ready");
}

TEST_F(LanguageTest, OnlyTheExactSwitchLocalises) {
  Start_Localised(Echo_Catalogue());
  EXPECT_EQ(Decode_Device_Status(3), "#317");
  for (const char* value : {"Off", "", "on", "ON", "On "}) {
    Localised = value;
    EXPECT_EQ(Decode_Device_Status(3), "Ready") << '"' << value << '"';
    // A text read by number does not depend on the switch.
    EXPECT_EQ(Load_Res_String(317), "#317");
  }
}

TEST_F(LanguageTest, LoadResStringCutsMissesAndRanges) {
  Start_Localised("101\t" + std::string(300, 'x') + "\n102\tshort\n0\tzero\n65535\tlast\n");
  EXPECT_EQ(Load_Res_String(101), std::string(254, 'x'));
  EXPECT_EQ(Load_Res_String(102), "short");
  EXPECT_EQ(Load_Res_String(0), "zero");
  EXPECT_EQ(Load_Res_String(65535), "last");
  EXPECT_EQ(Load_Res_String(103), "");
  EXPECT_EQ(Load_Res_String(-1), "");
  EXPECT_EQ(Load_Res_String(65536 + 102), "");  // not number 102 again
  EXPECT_EQ(Load_Res_String(-65536 + 102), "");
}

TEST_F(LanguageTest, TrimAtNull) {
  const struct {
    std::string text;
    std::string trimmed;
  } rows[] = {
      {std::string("Paper\0   ", 9), "Paper"},
      {"Paper", "Paper"},
      {"", ""},
      {std::string("\0Paper", 6), ""},
      {std::string("1252\0           ", 16), "1252"},
      {std::string(16, ' '), std::string(16, ' ')},
  };
  for (const auto& row : rows) {
    Trimmed_Text = "stale";
    EXPECT_EQ(Trim_At_Null(row.text), row.trimmed);
    EXPECT_EQ(Trimmed_Text, row.trimmed);
  }
}

TEST_F(LanguageTest, CodePagesToCharacterSets) {
  const struct {
    std::string codePage;
    VbInteger charSet;
  } rows[] = {
      {"932", 128},  {"936", 134},  {"949", 129},  {"950", 136},  {"1250", 238},
      {"1251", 204}, {"1252", 0},   {"1253", 161}, {"1254", 162}, {"1255", 177},
      {"1256", 178}, {"874", 0},    {"1257", 0},   {"0", 0},      {"", 0},
      {std::string(16, ' '), 0},    {" 932", 0},   {"932 ", 0},   {"0932", 0},
  };
  for (const auto& row : rows)
    EXPECT_EQ(CodePage_To_CharSet(row.codePage), row.charSet) << '"' << row.codePage << '"';
}

}  // namespace
}  // namespace vlm::monitor
