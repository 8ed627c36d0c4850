// GUID text and BSTR ownership.
#include <gtest/gtest.h>

#include "platform/com/com.h"

namespace vlm {
namespace {

constexpr CLSID kNetMgr = GuidLiteral("{FB275470-7D98-11D2-9D15-004033A508EE}");

TEST(Guid, TextIsUpperCaseBracedAsStringFromGUID2WritesIt) {
  struct Case {
    GUID guid;
    const char* text;
  } cases[] = {
      {kNetMgr, "{FB275470-7D98-11D2-9D15-004033A508EE}"},
      {IID_IUnknown, "{00000000-0000-0000-C000-000000000046}"},
      {IID_IClassFactory, "{00000001-0000-0000-C000-000000000046}"},
      {IID_IDispatch, "{00020400-0000-0000-C000-000000000046}"},
      {IID_IConnectionPointContainer, "{B196B284-BAB4-101A-B69C-00AA00341D07}"},
      {IID_IConnectionPoint, "{B196B286-BAB4-101A-B69C-00AA00341D07}"},
      {GUID{0x0a0b0c0d, 0xe0f, 0xa0b, {0xc, 0xd, 0xe, 0xf, 0x1, 0x2, 0x3, 0x4}},
       "{0A0B0C0D-0E0F-0A0B-0C0D-0E0F01020304}"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(GuidToString(c.guid), c.text);
    OLECHAR wide[39];
    ASSERT_EQ(StringFromGUID2(c.guid, wide, 39), 39);
    EXPECT_EQ(Utf8FromUtf16(wide), c.text);
    GUID back{};
    EXPECT_EQ(CLSIDFromString(wide, &back), S_OK);
    EXPECT_TRUE(IsEqualGUID(back, c.guid)) << c.text;
  }
  OLECHAR small[38];
  EXPECT_EQ(StringFromGUID2(kNetMgr, small, 38), 0);
}

TEST(Guid, ParsingAcceptsEitherCaseAndRefusesOtherForms) {
  GUID g{};
  EXPECT_TRUE(GuidFromString("{fb275470-7d98-11d2-9d15-004033a508ee}", &g));
  EXPECT_EQ(g, kNetMgr);
  const char* bad[] = {
      "FB275470-7D98-11D2-9D15-004033A508EE",    // no braces
      "{FB275470-7D98-11D2-9D15-004033A508EE",   // no closing brace
      "{FB275470-7D98-11D2-9D15-004033A508EE}x", "{FB2754707D98-11D2-9D15-004033A508EE-}",
      "{FB275470-7D98-11D2-9D15-004033A508EG}",  // not hex
      "{FB275470-7D98-11D2-9D1-5004033A508EE}", "",
      "HJD.VlmNetMgr",  // a ProgID is not a CLSID text
  };
  for (const char* text : bad) {
    GUID out = kNetMgr;
    EXPECT_FALSE(GuidFromString(text, &out)) << text;
    EXPECT_EQ(out, kNetMgr) << "left unchanged: " << text;
    std::u16string wide = Utf16FromUtf8(text);
    EXPECT_EQ(CLSIDFromString(wide.c_str(), &out), CO_E_CLASSSTRING) << text;
  }
  EXPECT_EQ(CLSIDFromString(nullptr, &g), E_INVALIDARG);
  EXPECT_FALSE(IsEqualGUID(IID_IUnknown, IID_IDispatch));
}

TEST(Bstr, LengthPrefixKeepsEmbeddedNulsAndNullIsEmpty) {
  const OLECHAR text[] = {u'a', 0, u'b', 0, 0, u'c'};
  BSTR b = SysAllocStringLen(text, 6);
  ASSERT_NE(b, nullptr);
  EXPECT_EQ(SysStringLen(b), 6u);
  EXPECT_EQ(SysStringByteLen(b), 12u);
  EXPECT_EQ(std::u16string_view(b, 6), std::u16string_view(text, 6));
  EXPECT_EQ(b[6], 0) << "terminated after its length";
  EXPECT_EQ(Utf8FromBstr(b), std::string("a\0b\0\0c", 6));
  SysFreeString(b);

  EXPECT_EQ(SysStringLen(nullptr), 0u);
  EXPECT_EQ(Utf8FromBstr(nullptr), "");
  EXPECT_EQ(SysAllocString(nullptr), nullptr);
  SysFreeString(nullptr);

  // Without a source the characters are zero, not left undefined.
  BSTR zeros = SysAllocStringLen(nullptr, 3);
  ASSERT_NE(zeros, nullptr);
  for (int i = 0; i <= 3; ++i) EXPECT_EQ(zeros[i], 0);
  SysFreeString(zeros);

  // SysAllocString stops at the first NUL.
  BSTR cut = SysAllocString(text);
  EXPECT_EQ(SysStringLen(cut), 1u);
  SysFreeString(cut);

  EXPECT_EQ(SysAllocStringLen(u"", 0x80000000u), nullptr) << "length beyond the 32-bit byte count";
}

TEST(Bstr, Utf8ConversionsRoundTripAndReplaceMalformedInput) {
  struct Case {
    std::string utf8;
    std::u16string utf16;
  } exact[] = {
      {"", u""},
      {"Velmar", u"Velmar"},
      {"caf\xC3\xA9", u"caf\u00E9"},
      {"\xE6\x97\xA5\xE6\x9C\xAC", u"\u65E5\u672C"},
      {"\xF0\x9F\x96\xA8", u"\U0001F5A8"},  // outside the BMP: a surrogate pair
      {std::string("a\0b", 3), std::u16string(u"a\0b", 3)},
  };
  for (const Case& c : exact) {
    EXPECT_EQ(Utf16FromUtf8(c.utf8), c.utf16);
    EXPECT_EQ(Utf8FromUtf16(c.utf16), c.utf8);
    Bstr b(c.utf8);
    EXPECT_EQ(b.Length(), c.utf16.size());
    EXPECT_EQ(b.Utf8(), c.utf8);
  }
  struct Bad {
    std::string utf8;
    std::u16string utf16;
  } malformed[] = {
      {"\xFF", u"\uFFFD"},
      {"a\xC3", u"a\uFFFD"},                  // cut sequence at the end
      {"\xC3(", u"\uFFFD("},                  // missing continuation
      {"\xC0\xAF", u"\uFFFD\uFFFD"},          // overlong
      {"\xED\xA0\x80", u"\uFFFD\uFFFD\uFFFD"},  // encoded surrogate
  };
  for (const Bad& c : malformed) EXPECT_EQ(Utf16FromUtf8(c.utf8), c.utf16);
  EXPECT_EQ(Utf8FromUtf16(std::u16string(1, u'\xD800')), "\xEF\xBF\xBD") << "lone surrogate";
}

TEST(Bstr, OwnerCopiesMovesAndHandsOver) {
  Bstr a("printer");
  Bstr copy = a;
  EXPECT_NE(copy.Get(), a.Get()) << "a copy is a new string";
  EXPECT_EQ(copy.View(), u"printer");
  Bstr moved = std::move(a);
  EXPECT_EQ(a.Get(), nullptr);
  EXPECT_EQ(moved.Utf8(), "printer");
  BSTR raw = moved.Detach();
  EXPECT_EQ(moved.Get(), nullptr);
  Bstr back = Bstr::Attach(raw);
  EXPECT_EQ(back.Length(), 7u);
  *back.ReleaseAndGetAddressOf() = SysAllocString(u"x");
  EXPECT_EQ(back.View(), u"x");
  Bstr empty;
  EXPECT_EQ(empty.View(), u"");
}

}  // namespace
}  // namespace vlm
