// VARIANT copies, clearing and automation's coercions.
#include <gtest/gtest.h>

#include <cmath>

#include "com_test_support.h"

namespace vlm {
namespace {

using testing::Plain;
using testing::RefCount;

// What a coercion gave, as text, for comparison in a table.
std::string Show(const VARIANT& v) {
  switch (v.vt) {
    case VT_EMPTY:
      return "empty";
    case VT_NULL:
      return "null";
    case VT_I2:
      return "i2:" + std::to_string(v.iVal);
    case VT_I4:
      return "i4:" + std::to_string(v.lVal);
    case VT_R4:
      return "r4:" + std::to_string(v.fltVal);
    case VT_R8:
      return "r8:" + std::to_string(v.dblVal);
    case VT_BOOL:
      return std::string("bool:") + (v.boolVal == VARIANT_TRUE ? "true" : v.boolVal ? "?" : "false");
    case VT_BSTR:
      return "bstr:" + Utf8FromBstr(v.bstrVal);
    default:
      return "vt:" + std::to_string(v.vt);
  }
}

Variant Null() {
  Variant v;
  v.vt = VT_NULL;
  return v;
}

TEST(Variant, ChangeTypeMakesAutomationsCoercions) {
  struct Case {
    Variant from;
    VARTYPE to;
    HRESULT hr;
    std::string expected;
  };
  Case cases[] = {
      // Integers widen and narrow with a range check.
      {Variant(SHORT{-7}), VT_I4, S_OK, "i4:-7"},
      {Variant(LONG{32767}), VT_I2, S_OK, "i2:32767"},
      {Variant(LONG{32768}), VT_I2, DISP_E_OVERFLOW, ""},
      {Variant(LONG{-32769}), VT_I2, DISP_E_OVERFLOW, ""},
      // Reals round half to even.
      {Variant(2.5), VT_I4, S_OK, "i4:2"},
      {Variant(3.5), VT_I4, S_OK, "i4:4"},
      {Variant(-2.5), VT_I4, S_OK, "i4:-2"},
      {Variant(2.6), VT_I2, S_OK, "i2:3"},
      {Variant(2147483647.4), VT_I4, S_OK, "i4:2147483647"},
      {Variant(2147483647.5), VT_I4, DISP_E_OVERFLOW, ""},
      {Variant(-2147483648.5), VT_I4, S_OK, "i4:-2147483648"},
      {Variant(std::nan("")), VT_I4, DISP_E_OVERFLOW, ""},
      {Variant(1e300), VT_R4, DISP_E_OVERFLOW, ""},
      // Booleans are -1 and 0.
      {Variant(true), VT_I4, S_OK, "i4:-1"},
      {Variant(false), VT_I2, S_OK, "i2:0"},
      {Variant(LONG{5}), VT_BOOL, S_OK, "bool:true"},
      {Variant(0.0), VT_BOOL, S_OK, "bool:false"},
      // Texts parse as numbers, with spaces around, sign, point and exponent.
      {Variant(" 42 "), VT_I4, S_OK, "i4:42"},
      {Variant("-12.5"), VT_I4, S_OK, "i4:-12"},
      {Variant("+1.5e2"), VT_I2, S_OK, "i2:150"},
      {Variant("70000"), VT_I2, DISP_E_OVERFLOW, ""},
      {Variant("1e999"), VT_R8, DISP_E_OVERFLOW, ""},
      {Variant("abc"), VT_I4, DISP_E_TYPEMISMATCH, ""},
      {Variant(""), VT_I4, DISP_E_TYPEMISMATCH, ""},
      {Variant("12abc"), VT_I4, DISP_E_TYPEMISMATCH, ""},
      {Variant("inf"), VT_R8, DISP_E_TYPEMISMATCH, ""},
      {Variant("1e"), VT_R8, DISP_E_TYPEMISMATCH, ""},
      {Variant("True"), VT_BOOL, S_OK, "bool:true"},
      {Variant(" false"), VT_BOOL, S_OK, "bool:false"},
      {Variant("0"), VT_BOOL, S_OK, "bool:false"},
      {Variant("yes"), VT_BOOL, DISP_E_TYPEMISMATCH, ""},
      // Numbers to text.
      {Variant(LONG{-2147483647 - 1}), VT_BSTR, S_OK, "bstr:-2147483648"},
      {Variant(1.5), VT_BSTR, S_OK, "bstr:1.5"},
      {Variant(0.1), VT_BSTR, S_OK, "bstr:0.1"},
      {Variant(1e20), VT_BSTR, S_OK, "bstr:1E+20"},
      {Variant(-0.0), VT_BSTR, S_OK, "bstr:0"},
      {Variant(FLOAT{0.1f}), VT_BSTR, S_OK, "bstr:0.1"},
      {Variant(true), VT_BSTR, S_OK, "bstr:-1"},
      // Empty is zero, the empty text and false; Null coerces to nothing.
      {Variant(), VT_I4, S_OK, "i4:0"},
      {Variant(), VT_BSTR, S_OK, "bstr:"},
      {Variant(), VT_BOOL, S_OK, "bool:false"},
      {Null(), VT_I4, DISP_E_TYPEMISMATCH, ""},
      {Null(), VT_BSTR, DISP_E_TYPEMISMATCH, ""},
      {Null(), VT_NULL, S_OK, "null"},
      {Variant::Error(DISP_E_PARAMNOTFOUND), VT_I4, DISP_E_TYPEMISMATCH, ""},
      {Variant("text"), VT_DISPATCH, DISP_E_TYPEMISMATCH, ""},
      {Variant(LONG{1}), VT_EMPTY, S_OK, "empty"},
      // Types this layer does not know.
      {Variant(LONG{1}), VT_I4 | VT_BYREF, DISP_E_BADVARTYPE, ""},
      {Variant(LONG{1}), 7 /* VT_DATE */, DISP_E_BADVARTYPE, ""},
  };
  for (Case& c : cases) {
    SCOPED_TRACE(Show(c.from) + " to " + std::to_string(c.to));
    Variant out("unchanged");
    EXPECT_EQ(VariantChangeType(&out, &c.from, 0, c.to), c.hr);
    EXPECT_EQ(Show(out), SUCCEEDED(c.hr) ? c.expected : "bstr:unchanged");
  }
  Variant b(false);
  Variant text;
  ASSERT_EQ(VariantChangeType(&text, &b, VARIANT_ALPHABOOL, VT_BSTR), S_OK);
  EXPECT_EQ(Show(text), "bstr:False");
}

TEST(Variant, ChangeTypeFollowsReferencesAndWorksInPlace) {
  LONG number = 7;
  Variant ref = Variant::Ref(&number);
  Variant out;
  ASSERT_EQ(VariantChangeType(&out, &ref, 0, VT_BSTR), S_OK);
  EXPECT_EQ(Show(out), "bstr:7");

  BSTR text = SysAllocString(u"12");
  Variant textRef = Variant::Ref(&text);
  Variant holder = Variant::Ref(static_cast<VARIANT*>(&textRef));  // VT_BYREF|VT_VARIANT
  ASSERT_EQ(VariantChangeType(&out, &holder, 0, VT_I2), S_OK);
  EXPECT_EQ(Show(out), "i2:12");
  SysFreeString(text);

  // In place: the text is replaced by the number and freed.
  Variant inPlace("99");
  ASSERT_EQ(VariantChangeType(&inPlace, &inPlace, 0, VT_I4), S_OK);
  EXPECT_EQ(Show(inPlace), "i4:99");
  Variant same("same");
  ASSERT_EQ(VariantChangeType(&same, &same, 0, VT_BSTR), S_OK);
  EXPECT_EQ(Show(same), "bstr:same");

  Variant nullRef;
  nullRef.vt = VT_BYREF | VT_I4;
  EXPECT_EQ(VariantChangeType(&out, &nullRef, 0, VT_I4), E_INVALIDARG);
}

TEST(Variant, CopiesAreDeepAndClearReleasesWhatIsOwned) {
  int destroyed = 0;
  {
    ComPtr<Plain> object = MakeComObject<Plain>(&destroyed);
    Variant a(static_cast<IUnknown*>(object.Get()));
    EXPECT_EQ(RefCount(object.Get()), 2u);
    Variant b = a;
    EXPECT_EQ(RefCount(object.Get()), 3u);
    // An interface converts to IUnknown through QueryInterface; to IDispatch
    // it fails, since the object has none.
    Variant asUnknown;
    ASSERT_EQ(VariantChangeType(&asUnknown, &a, 0, VT_UNKNOWN), S_OK);
    EXPECT_EQ(RefCount(object.Get()), 4u);
    EXPECT_EQ(VariantChangeType(&asUnknown, &a, 0, VT_DISPATCH), DISP_E_TYPEMISMATCH);
    EXPECT_EQ(VariantClear(&b), S_OK);
    EXPECT_EQ(b.vt, VT_EMPTY);
    EXPECT_EQ(RefCount(object.Get()), 3u);
  }
  EXPECT_EQ(destroyed, 1);

  // Arrays and texts are copied, references are not followed.
  SAFEARRAY* psa = SafeArrayCreateVector(VT_BSTR, 1, 2);
  Bstr hello("hello");
  LONG one = 1;
  SafeArrayPutElement(psa, &one, hello.Get());
  Variant array = Variant::Array(psa);
  EXPECT_EQ(array.vt, VT_ARRAY | VT_BSTR);
  Variant arrayCopy = array;
  EXPECT_NE(arrayCopy.parray, array.parray);
  BSTR got = nullptr;
  SafeArrayGetElement(arrayCopy.parray, &one, &got);
  EXPECT_EQ(Utf8FromBstr(got), "hello");
  SysFreeString(got);

  Variant arrayRef = Variant::Ref(&array.parray, VT_BSTR);
  Variant refCopy = arrayRef;
  EXPECT_EQ(refCopy.pparray, &array.parray) << "a reference copies as the pointer";
  Variant indirect;
  ASSERT_EQ(VariantCopyInd(&indirect, &arrayRef), S_OK);
  EXPECT_EQ(indirect.vt, VT_ARRAY | VT_BSTR);
  EXPECT_NE(indirect.parray, array.parray) << "VariantCopyInd copies the array itself";

  // A locked array is not freed by VariantClear, nor is the variant emptied.
  SafeArrayLock(array.parray);
  EXPECT_EQ(VariantClear(&array), DISP_E_ARRAYISLOCKED);
  EXPECT_EQ(array.vt, VT_ARRAY | VT_BSTR);
  SafeArrayUnlock(array.parray);

  VARIANT bad;
  VariantInit(&bad);
  bad.vt = 7;  // VT_DATE
  Variant target("kept");
  EXPECT_EQ(VariantCopy(&target, &bad), DISP_E_BADVARTYPE);
  EXPECT_EQ(Show(target), "bstr:kept");
  EXPECT_EQ(VariantClear(&bad), DISP_E_BADVARTYPE);
}

TEST(Variant, OwnerMovesAndDetaches) {
  Variant a("moved");
  Variant b = std::move(a);
  EXPECT_EQ(a.vt, VT_EMPTY);
  EXPECT_EQ(Show(b), "bstr:moved");
  a = std::move(b);
  EXPECT_EQ(Show(a), "bstr:moved");
  VARIANT raw;
  VariantInit(&raw);
  a.Detach(&raw);
  EXPECT_EQ(a.vt, VT_EMPTY);
  EXPECT_EQ(Show(raw), "bstr:moved");
  VariantClear(&raw);
  Variant c(u"wide");
  EXPECT_EQ(Show(c), "bstr:wide");
  c = Variant(LONG{3});
  EXPECT_EQ(Show(c), "i4:3");
}

}  // namespace
}  // namespace vlm
