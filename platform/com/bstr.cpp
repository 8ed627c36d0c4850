// BSTR: a 32-bit byte count, then the characters and a terminating NUL. Each
// string is its own heap block (no cache), so that a leak or a double free
// shows under the address sanitizer.
#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "platform/com/com.h"

namespace vlm {

namespace {

constexpr std::size_t kPrefix = sizeof(DWORD);
// The byte count must fit the 32-bit prefix.
constexpr UINT kMaxLength = 0x7FFFFFF0u;

DWORD* PrefixOf(BSTR text) {
  return reinterpret_cast<DWORD*>(reinterpret_cast<char*>(text) - kPrefix);
}

void AppendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out.push_back(static_cast<char>(c));
  } else if (c < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (c >> 6)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  } else if (c < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (c >> 12)));
    out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (c >> 18)));
    out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  }
}

// Decodes one UTF-8 sequence at text[i], advancing i; U+FFFD for a malformed,
// overlong or surrogate sequence (one byte consumed).
char32_t NextUtf8(std::string_view text, std::size_t& i) {
  auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
  unsigned char b0 = byte(i);
  if (b0 < 0x80) {
    ++i;
    return b0;
  }
  int extra = 0;
  char32_t c = 0;
  char32_t min = 0;
  if ((b0 & 0xE0) == 0xC0) {
    extra = 1, c = b0 & 0x1F, min = 0x80;
  } else if ((b0 & 0xF0) == 0xE0) {
    extra = 2, c = b0 & 0x0F, min = 0x800;
  } else if ((b0 & 0xF8) == 0xF0) {
    extra = 3, c = b0 & 0x07, min = 0x10000;
  } else {
    ++i;
    return 0xFFFD;
  }
  if (i + extra >= text.size()) {
    ++i;
    return 0xFFFD;
  }
  for (int k = 1; k <= extra; ++k) {
    unsigned char b = byte(i + k);
    if ((b & 0xC0) != 0x80) {
      ++i;
      return 0xFFFD;
    }
    c = (c << 6) | (b & 0x3F);
  }
  if (c < min || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) {
    ++i;
    return 0xFFFD;
  }
  i += extra + 1;
  return c;
}

}  // namespace

BSTR SysAllocStringLen(const OLECHAR* text, UINT len) {
  if (len > kMaxLength) return nullptr;
  std::size_t bytes = std::size_t{len} * sizeof(OLECHAR);
  auto* block = static_cast<char*>(std::malloc(kPrefix + bytes + sizeof(OLECHAR)));
  if (!block) return nullptr;
  DWORD count = static_cast<DWORD>(bytes);
  std::memcpy(block, &count, kPrefix);
  auto* chars = reinterpret_cast<BSTR>(block + kPrefix);
  if (text) {
    std::memcpy(chars, text, bytes);
  } else {
    std::memset(chars, 0, bytes);
  }
  chars[len] = 0;
  return chars;
}

BSTR SysAllocString(const OLECHAR* text) {
  if (!text) return nullptr;
  std::size_t len = std::char_traits<char16_t>::length(text);
  if (len > kMaxLength) return nullptr;
  return SysAllocStringLen(text, static_cast<UINT>(len));
}

void SysFreeString(BSTR text) {
  if (text) std::free(PrefixOf(text));
}

UINT SysStringByteLen(BSTR text) {
  if (!text) return 0;
  DWORD count;
  std::memcpy(&count, PrefixOf(text), kPrefix);
  return count;
}

UINT SysStringLen(BSTR text) { return SysStringByteLen(text) / sizeof(OLECHAR); }

std::u16string Utf16FromUtf8(std::string_view text) {
  std::u16string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size();) {
    char32_t c = NextUtf8(text, i);
    if (c >= 0x10000) {
      c -= 0x10000;
      out.push_back(static_cast<char16_t>(0xD800 + (c >> 10)));
      out.push_back(static_cast<char16_t>(0xDC00 + (c & 0x3FF)));
    } else {
      out.push_back(static_cast<char16_t>(c));
    }
  }
  return out;
}

std::string Utf8FromUtf16(std::u16string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    char32_t c = text[i];
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
        text[i + 1] <= 0xDFFF) {
      c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
      ++i;
    } else if (c >= 0xD800 && c <= 0xDFFF) {
      c = 0xFFFD;
    }
    AppendUtf8(out, c);
  }
  return out;
}

BSTR BstrFromUtf8(std::string_view text) {
  // Plain ASCII, the usual case, widens in place without a temporary.
  if (text.size() <= kMaxLength &&
      std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; })) {
    BSTR out = SysAllocStringLen(nullptr, static_cast<UINT>(text.size()));
    if (out) std::copy(text.begin(), text.end(), out);
    return out;
  }
  try {
    std::u16string wide = Utf16FromUtf8(text);
    if (wide.size() > kMaxLength) return nullptr;
    return SysAllocStringLen(wide.data(), static_cast<UINT>(wide.size()));
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}

std::string Utf8FromBstr(BSTR text) {
  return Utf8FromUtf16(std::u16string_view(text ? text : u"", SysStringLen(text)));
}

Bstr::Bstr(std::string_view utf8) : p_(BstrFromUtf8(utf8)) {
  if (!p_) throw std::bad_alloc();
}

Bstr::Bstr(std::u16string_view text) {
  if (text.size() > kMaxLength) throw std::bad_alloc();
  p_ = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
  if (!p_) throw std::bad_alloc();
}

Bstr::Bstr(const Bstr& o) {
  if (o.p_) {
    p_ = SysAllocStringLen(o.p_, o.Length());
    if (!p_) throw std::bad_alloc();
  }
}

}  // namespace vlm
