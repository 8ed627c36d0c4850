// Language start-up: the language library of the user's locale, localised
// texts by number, and font character sets of code pages.
#include <cstdio>
#include <initializer_list>
#include <string>

#include "monitor/devicedata/devicedata.h"

namespace vlm::monitor {
namespace {

// A text read by number fills a buffer of 255 characters with its terminator.
constexpr int kTextBuffer = 255;
// The code page buffer: 16 spaces, so a failed look-up leaves them standing.
constexpr int kCodePageBuffer = 16;

struct Language_Set {
  const char* name;
  std::initializer_list<const char*> locales;
};

// The language sets and the locale ids (Locale_Hex) each serves; a locale in
// none of them is served by "USA0409".
const Language_Set kLanguageSets[] = {
    {"USA0409", {"C09", "2809", "1009", "1809", "2009", "1409", "1C09", "2C09", "809", "409"}},
    {"JAP0411", {"411"}},
    {"FRN040C", {"40C", "80C", "C0C", "140C", "100C"}},
    {"ITA0410", {"410", "810"}},
    {"GER0407", {"407", "C07", "1407", "1007", "807"}},
    {"SPA040A", {"C0A", "400A", "340A", "240A", "140A", "1C0A", "300A", "100A", "480A", "80A",
                 "4C0A", "180A", "280A", "500A", "3C0A", "440A", "380A", "200A", "40A"}},
};
constexpr const char* kDefaultLanguageSet = "USA0409";

std::string Hex_Upper(VbLong value) {
  char text[16];
  std::snprintf(text, sizeof text, "%X", static_cast<unsigned>(value));
  return text;
}

}  // namespace

void Init_Language_Resources() {
  Code_Page_Text = std::string(kCodePageBuffer, ' ');
  Locale_Id = static_cast<VbLong>(GetThreadLocale());
  Locale_Hex = Hex_Upper(Locale_Id);
  Select_Language_Dll();

  std::string buffer = Code_Page_Text;
  GetLocaleInfoA(static_cast<LCID>(Locale_Id), LOCALE_IDEFAULTANSICODEPAGE, buffer.data(),
                 kCodePageBuffer);
  Code_Page_Text = Trim_At_Null(buffer);

  if (Language_Dll != nullptr) {
    FreeLanguageLibrary(Language_Dll);
    Language_Dll = nullptr;
    if (Localised == "On") Localised.clear();
  }
  const std::string folder = LanguageFolder();
  Language_Dll = LoadLanguageLibrary(folder + "/" + Language_Name + ".lang");
  Help_File = folder + "/" + Language_Name + ".chm::/Test 1.Txt";
  if (Language_Dll != nullptr) Localised = "On";
}

VbInteger Select_Language_Dll() {
  for (const Language_Set& set : kLanguageSets) {
    for (const char* locale : set.locales) {
      if (Locale_Hex == locale) {
        Language_Name = set.name;
        return 0;
      }
    }
  }
  Language_Name = kDefaultLanguageSet;
  return 0;
}

std::string Load_Res_String(VbLong id) {
  std::string text;
  if (id < 0) return text;
  LoadStringA(Language_Dll, static_cast<DWORD>(id), text, kTextBuffer);
  return text;
}

std::string Trim_At_Null(const std::string& text) {
  Trimmed_Text = text.substr(0, text.find('\0'));
  return Trimmed_Text;
}

VbInteger CodePage_To_CharSet(const std::string& codePage) {
  static const struct {
    const char* codePage;
    VbInteger charSet;
  } kCharSets[] = {
      {"932", 128},   // SHIFTJIS_CHARSET
      {"936", 134},   // GB2312_CHARSET
      {"949", 129},   // HANGUL_CHARSET
      {"950", 136},   // CHINESEBIG5_CHARSET
      {"1250", 238},  // EASTEUROPE_CHARSET
      {"1251", 204},  // RUSSIAN_CHARSET
      {"1252", 0},    // ANSI_CHARSET
      {"1253", 161},  // GREEK_CHARSET
      {"1254", 162},  // TURKISH_CHARSET
      {"1255", 177},  // HEBREW_CHARSET
      {"1256", 178},  // ARABIC_CHARSET
  };
  for (const auto& row : kCharSets)
    if (codePage == row.codePage) return row.charSet;
  return 0;  // ANSI_CHARSET
}

}  // namespace vlm::monitor
