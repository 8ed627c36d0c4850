// The process locale as a locale id, and the ANSI code page of a locale id.
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/strings/language.h"

namespace vlm {
namespace {

struct LocaleRow {
  LCID id;
  DWORD ansiCodePage;  // 0: the language has no ANSI code page
  const char* language;  // empty: no locale name maps to this id
  const char* territory;
  const char* modifier;
};

// The first row of a language is its main locale, taken for a territory that
// has no row of its own.
constexpr LocaleRow kLocales[] = {
    {0x0409, 1252, "en", "US", ""},
    {0x0809, 1252, "en", "GB", ""},
    {0x0C09, 1252, "en", "AU", ""},
    {0x1009, 1252, "en", "CA", ""},
    {0x1409, 1252, "en", "NZ", ""},
    {0x1809, 1252, "en", "IE", ""},
    {0x1C09, 1252, "en", "ZA", ""},
    {0x2009, 1252, "en", "JM", ""},
    {0x2409, 1252, "", "", ""},  // English (Caribbean)
    {0x2809, 1252, "en", "BZ", ""},
    {0x2C09, 1252, "en", "TT", ""},
    {0x3009, 1252, "en", "ZW", ""},
    {0x3409, 1252, "en", "PH", ""},
    {0x4009, 1252, "en", "IN", ""},
    {0x4409, 1252, "en", "MY", ""},
    {0x4809, 1252, "en", "SG", ""},

    {0x0411, 932, "ja", "JP", ""},

    {0x040C, 1252, "fr", "FR", ""},
    {0x080C, 1252, "fr", "BE", ""},
    {0x0C0C, 1252, "fr", "CA", ""},
    {0x100C, 1252, "fr", "CH", ""},
    {0x140C, 1252, "fr", "LU", ""},
    {0x180C, 1252, "fr", "MC", ""},

    {0x0410, 1252, "it", "IT", ""},
    {0x0810, 1252, "it", "CH", ""},

    {0x0407, 1252, "de", "DE", ""},
    {0x0807, 1252, "de", "CH", ""},
    {0x0C07, 1252, "de", "AT", ""},
    {0x1007, 1252, "de", "LU", ""},
    {0x1407, 1252, "de", "LI", ""},

    {0x0C0A, 1252, "es", "ES", ""},
    {0x040A, 1252, "", "", ""},  // Spanish, traditional sort
    {0x080A, 1252, "es", "MX", ""},
    {0x100A, 1252, "es", "GT", ""},
    {0x140A, 1252, "es", "CR", ""},
    {0x180A, 1252, "es", "PA", ""},
    {0x1C0A, 1252, "es", "DO", ""},
    {0x200A, 1252, "es", "VE", ""},
    {0x240A, 1252, "es", "CO", ""},
    {0x280A, 1252, "es", "PE", ""},
    {0x2C0A, 1252, "es", "AR", ""},
    {0x300A, 1252, "es", "EC", ""},
    {0x340A, 1252, "es", "CL", ""},
    {0x380A, 1252, "es", "UY", ""},
    {0x3C0A, 1252, "es", "PY", ""},
    {0x400A, 1252, "es", "BO", ""},
    {0x440A, 1252, "es", "SV", ""},
    {0x480A, 1252, "es", "HN", ""},
    {0x4C0A, 1252, "es", "NI", ""},
    {0x500A, 1252, "es", "PR", ""},

    {0x0401, 1256, "ar", "SA", ""},
    {0x0801, 1256, "ar", "IQ", ""},
    {0x0C01, 1256, "ar", "EG", ""},
    {0x1001, 1256, "ar", "LY", ""},
    {0x1401, 1256, "ar", "DZ", ""},
    {0x1801, 1256, "ar", "MA", ""},
    {0x1C01, 1256, "ar", "TN", ""},
    {0x2001, 1256, "ar", "OM", ""},
    {0x2401, 1256, "ar", "YE", ""},
    {0x2801, 1256, "ar", "SY", ""},
    {0x2C01, 1256, "ar", "JO", ""},
    {0x3001, 1256, "ar", "LB", ""},
    {0x3401, 1256, "ar", "KW", ""},
    {0x3801, 1256, "ar", "AE", ""},
    {0x3C01, 1256, "ar", "BH", ""},
    {0x4001, 1256, "ar", "QA", ""},
    {0x0402, 1251, "bg", "BG", ""},
    {0x0403, 1252, "ca", "ES", ""},
    {0x0804, 936, "zh", "CN", ""},
    {0x0404, 950, "zh", "TW", ""},
    {0x0C04, 950, "zh", "HK", ""},
    {0x1004, 936, "zh", "SG", ""},
    {0x1404, 950, "zh", "MO", ""},
    {0x0405, 1250, "cs", "CZ", ""},
    {0x0406, 1252, "da", "DK", ""},
    {0x0408, 1253, "el", "GR", ""},
    {0x040B, 1252, "fi", "FI", ""},
    {0x040D, 1255, "he", "IL", ""},
    {0x040E, 1250, "hu", "HU", ""},
    {0x040F, 1252, "is", "IS", ""},
    {0x0412, 949, "ko", "KR", ""},
    {0x0413, 1252, "nl", "NL", ""},
    {0x0813, 1252, "nl", "BE", ""},
    {0x0414, 1252, "nb", "NO", ""},
    {0x0414, 1252, "no", "NO", ""},
    {0x0814, 1252, "nn", "NO", ""},
    {0x0415, 1250, "pl", "PL", ""},
    {0x0816, 1252, "pt", "PT", ""},
    {0x0416, 1252, "pt", "BR", ""},
    {0x0417, 1252, "rm", "CH", ""},
    {0x0418, 1250, "ro", "RO", ""},
    {0x0419, 1251, "ru", "RU", ""},
    {0x041A, 1250, "hr", "HR", ""},
    {0x0C1A, 1251, "sr", "RS", ""},
    {0x081A, 1250, "sr", "RS", "latin"},
    {0x0C1A, 1251, "sr", "ME", ""},
    {0x081A, 1250, "sr", "ME", "latin"},
    {0x141A, 1250, "bs", "BA", ""},
    {0x041B, 1250, "sk", "SK", ""},
    {0x041C, 1250, "sq", "AL", ""},
    {0x041D, 1252, "sv", "SE", ""},
    {0x081D, 1252, "sv", "FI", ""},
    {0x041E, 874, "th", "TH", ""},
    {0x041F, 1254, "tr", "TR", ""},
    {0x0420, 1256, "ur", "PK", ""},
    {0x0421, 1252, "id", "ID", ""},
    {0x0422, 1251, "uk", "UA", ""},
    {0x0423, 1251, "be", "BY", ""},
    {0x0424, 1250, "sl", "SI", ""},
    {0x0425, 1257, "et", "EE", ""},
    {0x0426, 1257, "lv", "LV", ""},
    {0x0427, 1257, "lt", "LT", ""},
    {0x0429, 1256, "fa", "IR", ""},
    {0x042A, 1258, "vi", "VN", ""},
    {0x042B, 0, "hy", "AM", ""},
    {0x042C, 1254, "az", "AZ", ""},
    {0x042D, 1252, "eu", "ES", ""},
    {0x042F, 1251, "mk", "MK", ""},
    {0x0436, 1252, "af", "ZA", ""},
    {0x0437, 0, "ka", "GE", ""},
    {0x0438, 1252, "fo", "FO", ""},
    {0x0439, 0, "hi", "IN", ""},
    {0x043E, 1252, "ms", "MY", ""},
    {0x043F, 1251, "kk", "KZ", ""},
    {0x0441, 1252, "sw", "KE", ""},
    {0x0443, 1254, "uz", "UZ", ""},
    {0x0843, 1251, "uz", "UZ", "cyrillic"},
    {0x0444, 1251, "tt", "RU", ""},
    {0x0445, 0, "bn", "IN", ""},
    {0x0446, 0, "pa", "IN", ""},
    {0x0447, 0, "gu", "IN", ""},
    {0x0449, 0, "ta", "IN", ""},
    {0x044A, 0, "te", "IN", ""},
    {0x044B, 0, "kn", "IN", ""},
    {0x044E, 0, "mr", "IN", ""},
    {0x0456, 1252, "gl", "ES", ""},
};

bool SameAscii(std::string_view a, std::string_view b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
    return lower(x) == lower(y);
  });
}

const LocaleRow* Find(std::string_view language, std::string_view territory,
                      std::string_view modifier) {
  for (const LocaleRow& row : kLocales) {
    if (*row.language != '\0' && SameAscii(row.language, language) &&
        SameAscii(row.territory, territory) && SameAscii(row.modifier, modifier))
      return &row;
  }
  return nullptr;
}

const LocaleRow* MainLocaleOf(std::string_view language) {
  for (const LocaleRow& row : kLocales) {
    if (*row.language != '\0' && SameAscii(row.language, language) && *row.modifier == '\0')
      return &row;
  }
  return nullptr;
}

}  // namespace

LCID LocaleIdFromName(std::string_view name) {
  std::string_view modifier;
  if (const std::size_t at = name.find('@'); at != std::string_view::npos) {
    modifier = name.substr(at + 1);
    name = name.substr(0, at);
  }
  if (const std::size_t dot = name.find('.'); dot != std::string_view::npos)
    name = name.substr(0, dot);
  std::string_view language = name;
  std::string_view territory;
  if (const std::size_t bar = name.find('_'); bar != std::string_view::npos) {
    language = name.substr(0, bar);
    territory = name.substr(bar + 1);
  }
  const LocaleRow* row = Find(language, territory, modifier);
  if (row == nullptr && !modifier.empty()) row = Find(language, territory, "");
  if (row == nullptr) row = MainLocaleOf(language);
  return row != nullptr ? row->id : LOCALE_ID_ENGLISH_US;
}

LCID GetThreadLocale() {
  for (const char* variable : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
    const char* value = std::getenv(variable);
    if (value != nullptr && *value != '\0') return LocaleIdFromName(value);
  }
  return LOCALE_ID_ENGLISH_US;
}

int GetLocaleInfoA(LCID locale, LCTYPE type, char* data, int size) {
  if (type != LOCALE_IDEFAULTANSICODEPAGE || size < 0) return 0;
  const auto row = std::find_if(std::begin(kLocales), std::end(kLocales),
                                [locale](const LocaleRow& r) { return r.id == locale; });
  if (row == std::end(kLocales)) return 0;
  const std::string text = std::to_string(row->ansiCodePage);
  const int needed = static_cast<int>(text.size()) + 1;
  if (size == 0) return needed;
  if (data == nullptr || size < needed) return 0;
  std::memcpy(data, text.c_str(), static_cast<std::size_t>(needed));
  return needed;
}

}  // namespace vlm
