// SAFEARRAY bounds, lower bounds and element ownership.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <memory>

#include "com_test_support.h"

namespace vlm {
namespace {

using testing::Plain;
using testing::RefCount;

struct ArrayDeleter {
  void operator()(SAFEARRAY* psa) const { EXPECT_EQ(SafeArrayDestroy(psa), S_OK); }
};
using Array = std::unique_ptr<SAFEARRAY, ArrayDeleter>;

TEST(SafeArray, LowerBoundsDecideTheValidIndexes) {
  struct Case {
    LONG lower;
    ULONG count;
  } cases[] = {{0, 101}, {1, 5}, {-3, 7}, {INT32_MAX, 1}, {INT32_MIN, 4}, {5, 0}};
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << "lower " << c.lower << " count " << c.count);
    Array a(SafeArrayCreateVector(VT_I4, c.lower, c.count));
    ASSERT_NE(a, nullptr);
    LONG lb = 0, ub = 0;
    EXPECT_EQ(SafeArrayGetLBound(a.get(), 1, &lb), S_OK);
    EXPECT_EQ(SafeArrayGetUBound(a.get(), 1, &ub), S_OK);
    EXPECT_EQ(lb, c.lower);
    EXPECT_EQ(std::int64_t{ub}, std::int64_t{c.lower} + c.count - 1);
    EXPECT_EQ(SafeArrayGetDim(a.get()), 1u);
    EXPECT_EQ(SafeArrayGetElemsize(a.get()), 4u);
    for (std::int64_t i = c.lower; i < std::int64_t{c.lower} + c.count; ++i) {
      LONG index = static_cast<LONG>(i);
      LONG value = static_cast<LONG>(i * 3);
      ASSERT_EQ(SafeArrayPutElement(a.get(), &index, &value), S_OK);
    }
    for (std::int64_t i = c.lower; i < std::int64_t{c.lower} + c.count; ++i) {
      LONG index = static_cast<LONG>(i);
      LONG value = -1;
      ASSERT_EQ(SafeArrayGetElement(a.get(), &index, &value), S_OK);
      EXPECT_EQ(value, static_cast<LONG>(i * 3));
    }
    // Just outside either end.
    for (std::int64_t outside : {std::int64_t{c.lower} - 1, std::int64_t{c.lower} + c.count}) {
      if (outside < INT32_MIN || outside > INT32_MAX) continue;
      LONG index = static_cast<LONG>(outside);
      LONG value = 77;
      EXPECT_EQ(SafeArrayGetElement(a.get(), &index, &value), DISP_E_BADINDEX) << outside;
      EXPECT_EQ(value, 77) << "nothing written";
      EXPECT_EQ(SafeArrayPutElement(a.get(), &index, &value), DISP_E_BADINDEX) << outside;
      void* element = nullptr;
      EXPECT_EQ(SafeArrayPtrOfIndex(a.get(), &index, &element), DISP_E_BADINDEX);
    }
  }
}

TEST(SafeArray, CreationRefusesWhatCannotBeRepresented) {
  SAFEARRAYBOUND upperTooHigh{2, INT32_MAX};  // upper bound INT32_MAX + 1
  EXPECT_EQ(SafeArrayCreate(VT_I4, 1, &upperTooHigh), nullptr);
  SAFEARRAYBOUND emptyAtMin{0, INT32_MIN};  // upper bound INT32_MIN - 1
  EXPECT_EQ(SafeArrayCreate(VT_I4, 1, &emptyAtMin), nullptr);
  SAFEARRAYBOUND huge[2] = {{0x10000, 0}, {0x10000, 0}};  // 16 GiB of longs
  EXPECT_EQ(SafeArrayCreate(VT_I4, 2, huge), nullptr);
  SAFEARRAYBOUND one{1, 0};
  EXPECT_EQ(SafeArrayCreate(VT_I4, 0, &one), nullptr);
  EXPECT_EQ(SafeArrayCreate(VT_EMPTY, 1, &one), nullptr);
  EXPECT_EQ(SafeArrayCreate(VT_I4 | VT_BYREF, 1, &one), nullptr);
  EXPECT_EQ(SafeArrayCreate(VT_I4, 1, nullptr), nullptr);

  Array a(SafeArrayCreateVector(VT_I2, 0, 2));
  LONG lb = 0;
  EXPECT_EQ(SafeArrayGetLBound(a.get(), 0, &lb), DISP_E_BADINDEX);
  EXPECT_EQ(SafeArrayGetUBound(a.get(), 2, &lb), DISP_E_BADINDEX);
  EXPECT_EQ(SafeArrayGetLBound(nullptr, 1, &lb), E_INVALIDARG);
  LONG index = 0;
  EXPECT_EQ(SafeArrayGetElement(nullptr, &index, &lb), E_INVALIDARG);
  VARTYPE vt = VT_EMPTY;
  EXPECT_EQ(SafeArrayGetVartype(a.get(), &vt), S_OK);
  EXPECT_EQ(vt, VT_I2);
}

TEST(SafeArray, MultipleDimensionsEachKeepTheirBounds) {
  // Dimension 1: 1..3, dimension 2: -1..0.
  SAFEARRAYBOUND bounds[2] = {{3, 1}, {2, -1}};
  Array a(SafeArrayCreate(VT_I4, 2, bounds));
  ASSERT_NE(a, nullptr);
  LONG lb1, ub1, lb2, ub2;
  SafeArrayGetLBound(a.get(), 1, &lb1);
  SafeArrayGetUBound(a.get(), 1, &ub1);
  SafeArrayGetLBound(a.get(), 2, &lb2);
  SafeArrayGetUBound(a.get(), 2, &ub2);
  EXPECT_EQ((std::vector<LONG>{lb1, ub1, lb2, ub2}), (std::vector<LONG>{1, 3, -1, 0}));
  for (LONG i = 1; i <= 3; ++i) {
    for (LONG j = -1; j <= 0; ++j) {
      LONG at[2] = {i, j};
      LONG value = i * 10 + j;
      ASSERT_EQ(SafeArrayPutElement(a.get(), at, &value), S_OK);
    }
  }
  void* data = nullptr;
  ASSERT_EQ(SafeArrayAccessData(a.get(), &data), S_OK);
  const LONG* v = static_cast<const LONG*>(data);
  // Dimension 1 varies fastest.
  EXPECT_EQ((std::vector<LONG>(v, v + 6)), (std::vector<LONG>{9, 19, 29, 10, 20, 30}));
  EXPECT_EQ(SafeArrayUnaccessData(a.get()), S_OK);
  LONG wrong[2] = {0, 0};  // dimension 1 below its bound
  LONG value = 0;
  EXPECT_EQ(SafeArrayGetElement(a.get(), wrong, &value), DISP_E_BADINDEX);
}

TEST(SafeArray, TextElementsAreCopiedInAndOutAndFreedWithTheArray) {
  Array a(SafeArrayCreateVector(VT_BSTR, 1, 3));
  ASSERT_NE(a, nullptr);
  LONG one = 1, two = 2, three = 3;
  BSTR out = reinterpret_cast<BSTR>(1);
  ASSERT_EQ(SafeArrayGetElement(a.get(), &one, &out), S_OK);
  EXPECT_EQ(out, nullptr) << "elements start as null texts";

  const OLECHAR withNul[] = {u'x', 0, u'y'};
  BSTR mine = SysAllocStringLen(withNul, 3);
  ASSERT_EQ(SafeArrayPutElement(a.get(), &one, mine), S_OK);
  SysFreeString(mine);  // the array holds its own copy
  ASSERT_EQ(SafeArrayGetElement(a.get(), &one, &out), S_OK);
  EXPECT_EQ(std::u16string_view(out, SysStringLen(out)), std::u16string_view(withNul, 3));
  SysFreeString(out);  // and hands out copies

  // Replacing frees the old element; a null text may be stored.
  Bstr first("first"), second("second");
  ASSERT_EQ(SafeArrayPutElement(a.get(), &two, first.Get()), S_OK);
  ASSERT_EQ(SafeArrayPutElement(a.get(), &two, second.Get()), S_OK);
  ASSERT_EQ(SafeArrayPutElement(a.get(), &three, first.Get()), S_OK);
  ASSERT_EQ(SafeArrayPutElement(a.get(), &three, nullptr), S_OK);
  ASSERT_EQ(SafeArrayGetElement(a.get(), &two, &out), S_OK);
  EXPECT_EQ(Utf8FromBstr(out), "second");
  SysFreeString(out);

  // A deep copy owns its texts.
  SAFEARRAY* copy = nullptr;
  ASSERT_EQ(SafeArrayCopy(a.get(), &copy), S_OK);
  Array copied(copy);
  void* p1 = nullptr;
  void* p2 = nullptr;
  SafeArrayPtrOfIndex(a.get(), &two, &p1);
  SafeArrayPtrOfIndex(copy, &two, &p2);
  EXPECT_NE(*static_cast<BSTR*>(p1), *static_cast<BSTR*>(p2));
  EXPECT_EQ(Utf8FromBstr(*static_cast<BSTR*>(p2)), "second");
  LONG lb = 0;
  SafeArrayGetLBound(copy, 1, &lb);
  EXPECT_EQ(lb, 1);
}

TEST(SafeArray, VariantAndInterfaceElementsHoldReferences) {
  int destroyed = 0;
  {
    ComPtr<Plain> object = MakeComObject<Plain>(&destroyed);
    Array objects(SafeArrayCreateVector(VT_UNKNOWN, 0, 2));
    Array variants(SafeArrayCreateVector(VT_VARIANT, 0, 2));
    LONG zero = 0, one = 1;
    ASSERT_EQ(SafeArrayPutElement(objects.get(), &zero, object.Get()), S_OK);
    ASSERT_EQ(SafeArrayPutElement(objects.get(), &one, object.Get()), S_OK);
    Variant v(static_cast<IUnknown*>(object.Get()));
    ASSERT_EQ(SafeArrayPutElement(variants.get(), &zero, &v), S_OK);
    Variant text("text");
    ASSERT_EQ(SafeArrayPutElement(variants.get(), &one, &text), S_OK);
    EXPECT_EQ(RefCount(object.Get()), 5u) << "ours, two elements, the variant and its copy";

    IUnknown* got = nullptr;
    ASSERT_EQ(SafeArrayGetElement(objects.get(), &one, &got), S_OK);
    EXPECT_EQ(got, object.Get());
    got->Release();
    ASSERT_EQ(SafeArrayPutElement(objects.get(), &one, nullptr), S_OK);
    EXPECT_EQ(RefCount(object.Get()), 4u) << "the replaced element let go";

    VARIANT out;  // Get treats it as uninitialised
    std::memset(&out, 0xAB, sizeof out);
    ASSERT_EQ(SafeArrayGetElement(variants.get(), &one, &out), S_OK);
    EXPECT_EQ(out.vt, VT_BSTR);
    EXPECT_EQ(Utf8FromBstr(out.bstrVal), "text");
    VariantClear(&out);
  }
  EXPECT_EQ(destroyed, 1) << "destroying the arrays released every reference";
}

TEST(SafeArray, LockedArraysAreNotDestroyed) {
  SAFEARRAY* a = SafeArrayCreateVector(VT_BSTR, 0, 1);
  ASSERT_EQ(SafeArrayLock(a), S_OK);
  EXPECT_EQ(SafeArrayDestroy(a), DISP_E_ARRAYISLOCKED);
  void* data = nullptr;
  ASSERT_EQ(SafeArrayAccessData(a, &data), S_OK);
  EXPECT_EQ(a->cLocks, 2u);
  EXPECT_EQ(SafeArrayUnaccessData(a), S_OK);
  EXPECT_EQ(SafeArrayUnlock(a), S_OK);
  EXPECT_EQ(SafeArrayUnlock(a), E_UNEXPECTED) << "not locked any more";
  EXPECT_EQ(SafeArrayDestroy(a), S_OK);
  EXPECT_EQ(SafeArrayDestroy(nullptr), S_OK);
}

}  // namespace
}  // namespace vlm
