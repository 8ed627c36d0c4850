// GUID text in the braced upper-case form.
#include <cstdio>

#include "platform/com/com.h"

namespace vlm {

std::string GuidToString(REFGUID g) {
  char text[40];
  std::snprintf(text, sizeof text, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}",
                static_cast<unsigned>(g.Data1), static_cast<unsigned>(g.Data2),
                static_cast<unsigned>(g.Data3), g.Data4[0], g.Data4[1], g.Data4[2], g.Data4[3],
                g.Data4[4], g.Data4[5], g.Data4[6], g.Data4[7]);
  return text;
}

bool GuidFromString(std::string_view text, GUID* guid) {
  GUID parsed{};
  if (!guid || !com::detail::ParseGuid(text, parsed)) return false;
  *guid = parsed;
  return true;
}

int StringFromGUID2(REFGUID guid, LPOLESTR text, int cchMax) {
  if (!text || cchMax < 39) return 0;
  std::string ascii = GuidToString(guid);
  for (std::size_t i = 0; i < ascii.size(); ++i) text[i] = static_cast<OLECHAR>(ascii[i]);
  text[ascii.size()] = 0;
  return static_cast<int>(ascii.size()) + 1;
}

HRESULT CLSIDFromString(LPCOLESTR text, CLSID* clsid) {
  if (!text || !clsid) return E_INVALIDARG;
  std::string ascii;
  for (const OLECHAR* p = text; *p; ++p) {
    if (*p > 0x7F || ascii.size() > 38) return CO_E_CLASSSTRING;
    ascii.push_back(static_cast<char>(*p));
  }
  return GuidFromString(ascii, clsid) ? S_OK : CO_E_CLASSSTRING;
}

}  // namespace vlm
