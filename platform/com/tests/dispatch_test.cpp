// Objects and factories, the IDispatch helper, late-bound calls by name and
// VB's error numbers.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "com_test_support.h"

namespace vlm {
namespace {

using testing::Plain;
using testing::RefCount;

// A dual interface, as the management interface declares its own.
struct IPicture : IDispatch {
  static constexpr IID kIid = GuidLiteral("{1D2C3B4A-5E6F-4071-8293-A4B5C6D7E8F9}");
  using BaseInterface = IDispatch;
  virtual HRESULT DrawEngine(LONG hdc, LONG options, LONG engineType, BSTR finisher, BSTR lct,
                             BSTR base, LONG tray, LONG bin, VARIANT_BOOL show) = 0;
  virtual HRESULT Count(LONG handle, LONG* count) = 0;
  virtual HRESULT Fill(LONG handle, VARIANT* ids, LONG* count) = 0;
  virtual HRESULT Fail(LONG code) = 0;

 protected:
  ~IPicture() = default;
};

// Records what reached the early-bound methods through the dispatch table.
class Picture final : public ComObject<Picture, DispatchImpl<Picture, IPicture>> {
 public:
  static const DispatchTable<Picture>& DispatchMembers() {
    static const DispatchTable<Picture> table{
        {"DrawEngine", 0x60030000,
         {VT_I4, VT_I4, VT_I4, VT_BSTR, VT_BSTR, VT_BSTR, VT_I4, VT_I4, VT_BOOL},
         [](Picture& p, DispArgs& a) {
           return p.DrawEngine(a.I4(0), a.I4(1), a.I4(2), a.Bstr(3), a.Bstr(4), a.Bstr(5),
                               a.I4(6), a.I4(7), a.Bool(8) ? VARIANT_TRUE : VARIANT_FALSE);
         }},
        {"Count", 2, {VT_I4, VT_BYREF | VT_I4},
         [](Picture& p, DispArgs& a) { return p.Count(a.I4(0), a.I4Ref(1)); }},
        {"Fill", 3, {VT_I4, VT_BYREF | VT_VARIANT, VT_BYREF | VT_I4},
         [](Picture& p, DispArgs& a) { return p.Fill(a.I4(0), a.VariantRef(1), a.I4Ref(2)); }},
        {"Fail", 4, {VT_I4}, [](Picture& p, DispArgs& a) { return p.Fail(a.I4(0)); }},
        {"Throws", 5, {}, [](Picture&, DispArgs&) -> HRESULT { throw std::runtime_error("boom"); }},
        {"Raises", 6, {},
         [](Picture&, DispArgs& a) { return a.Raise(E_ACCESSDENIED, "Permission denied"); }},
        {"Twice", 7, {VT_R8},
         [](Picture&, DispArgs& a) -> HRESULT {
           if (VARIANT* r = a.Result()) {
             r->vt = VT_R8;
             r->dblVal = 2 * a.R8(0);
           }
           return S_OK;
         }},
    };
    return table;
  }

  HRESULT DrawEngine(LONG hdc, LONG options, LONG engineType, BSTR finisher, BSTR lct, BSTR base,
                     LONG tray, LONG bin, VARIANT_BOOL show) override {
    drawn = std::to_string(hdc) + "," + std::to_string(options) + "," +
            std::to_string(engineType) + "," + Utf8FromBstr(finisher) + "," + Utf8FromBstr(lct) +
            "," + Utf8FromBstr(base) + "," + std::to_string(tray) + "," + std::to_string(bin) +
            "," + (show ? "true" : "false");
    return S_OK;
  }
  HRESULT Count(LONG handle, LONG* count) override {
    *count = handle * 100;
    return S_OK;
  }
  // Writes ids 11, 12, ... into the caller's array of longs, as the value
  // lists do: nothing unless the VARIANT holds such an array.
  HRESULT Fill(LONG n, VARIANT* ids, LONG* count) override {
    SAFEARRAY* psa = nullptr;
    if (ids->vt == (VT_ARRAY | VT_I4)) psa = ids->parray;
    if (ids->vt == (VT_BYREF | VT_ARRAY | VT_I4)) psa = *ids->pparray;
    if (!psa) return S_OK;
    LONG lb = 0;
    SafeArrayGetLBound(psa, 1, &lb);
    for (LONG k = 0; k < n; ++k) {
      LONG at = lb + k;
      LONG id = 11 + k;
      if (FAILED(SafeArrayPutElement(psa, &at, &id))) break;
    }
    *count = n;
    return S_OK;
  }
  HRESULT Fail(LONG code) override { return code; }

  std::string drawn;
};

// A raw Invoke with arguments given in the caller's order.
HRESULT Call(IDispatch* d, DISPID id, std::vector<Variant> args, VARIANT* result = nullptr,
             EXCEPINFO* info = nullptr, UINT* argErr = nullptr, WORD flags = DISPATCH_METHOD) {
  std::reverse(args.begin(), args.end());
  DISPPARAMS params{args.data(), nullptr, static_cast<UINT>(args.size()), 0};
  return d->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &params, result, info, argErr);
}

TEST(ComObject, AnswersItsInterfaceChainWithOneIdentity) {
  ComPtr<Picture> picture = MakeComObject<Picture>();
  ASSERT_TRUE(picture);
  EXPECT_EQ(RefCount(picture.Get()), 1u) << "the creator's reference";
  ComPtr<IUnknown> unknown;
  ComPtr<IDispatch> dispatch;
  ComPtr<IPicture> dual;
  ASSERT_EQ(picture.As(&unknown), S_OK);
  ASSERT_EQ(picture.As(&dispatch), S_OK);
  ASSERT_EQ(dispatch.As(&dual), S_OK);
  EXPECT_EQ(static_cast<IDispatch*>(dual.Get()), dispatch.Get()) << "IDispatch is the dual interface";
  ComPtr<IUnknown> again;
  ASSERT_EQ(dual.As(&again), S_OK);
  EXPECT_EQ(again.Get(), unknown.Get());
  EXPECT_EQ(RefCount(picture.Get()), 5u);

  void* none = reinterpret_cast<void*>(1);
  EXPECT_EQ(picture->QueryInterface(IID_IClassFactory, &none), E_NOINTERFACE);
  EXPECT_EQ(none, nullptr);
  EXPECT_EQ(picture->QueryInterface(IID_IUnknown, nullptr), E_POINTER);

  UINT count = 9;
  EXPECT_EQ(dispatch->GetTypeInfoCount(&count), S_OK);
  EXPECT_EQ(count, 0u);
}

TEST(ComObject, FactoryCreatesRefusesAggregationAndCountsTheModule) {
  LONG before = com::ModuleObjectCount();
  ComPtr<IClassFactory> factory;
  ASSERT_EQ(ServeClassObject<Picture>(IPicture::kIid, IPicture::kIid,
                                      IID_PPV_ARGS(factory.ReleaseAndGetAddressOf())),
            S_OK);
  void* out = reinterpret_cast<void*>(1);
  EXPECT_EQ(ServeClassObject<Picture>(IID_IDispatch, IPicture::kIid, IID_IClassFactory, &out),
            CLASS_E_CLASSNOTAVAILABLE);
  EXPECT_EQ(ServeClassObject<Picture>(IPicture::kIid, IPicture::kIid, IID_IDispatch, &out),
            E_NOINTERFACE);
  EXPECT_EQ(out, nullptr);
  EXPECT_EQ(com::ModuleObjectCount(), before + 1) << "the factory; the refused one is gone";

  int destroyed = 0;
  ComPtr<Plain> outer = MakeComObject<Plain>(&destroyed);
  ComPtr<IUnknown> object;
  EXPECT_EQ(factory->CreateInstance(outer.Get(), IID_IUnknown,
                                    reinterpret_cast<void**>(object.ReleaseAndGetAddressOf())),
            CLASS_E_NOAGGREGATION);
  EXPECT_FALSE(object);
  EXPECT_EQ(factory->CreateInstance(nullptr, IID_IClassFactory,
                                    reinterpret_cast<void**>(object.ReleaseAndGetAddressOf())),
            E_NOINTERFACE);
  EXPECT_EQ(com::ModuleObjectCount(), before + 2) << "factory and outer only";
  ASSERT_EQ(factory->CreateInstance(nullptr, IPicture::kIid,
                                    reinterpret_cast<void**>(object.ReleaseAndGetAddressOf())),
            S_OK);
  EXPECT_EQ(com::ModuleObjectCount(), before + 3);

  EXPECT_EQ(com::ModuleCanUnloadNow(), S_FALSE);
  object.Reset();
  outer.Reset();
  EXPECT_EQ(factory->LockServer(1), S_OK);
  factory.Reset();
  EXPECT_EQ(com::ModuleObjectCount(), before);
  EXPECT_EQ(com::ModuleCanUnloadNow(), S_FALSE) << "locked";
  com::ModuleLock(false);
  if (before == 0) {
    EXPECT_EQ(com::ModuleCanUnloadNow(), S_OK);
  }
}

TEST(Dispatch, NamesMatchCaseInsensitively) {
  ComPtr<Picture> picture = MakeComObject<Picture>();
  struct Case {
    std::u16string name;
    HRESULT hr;
    DISPID id;
  } cases[] = {
      {u"DrawEngine", S_OK, 0x60030000},
      {u"drawengine", S_OK, 0x60030000},
      {u"DRAWENGINE", S_OK, 0x60030000},
      {u"Count", S_OK, 2},
      {u"DrawEngin", DISP_E_UNKNOWNNAME, DISPID_UNKNOWN},
      {u"DrawEngines", DISP_E_UNKNOWNNAME, DISPID_UNKNOWN},
      {u"", DISP_E_UNKNOWNNAME, DISPID_UNKNOWN},
  };
  for (Case& c : cases) {
    LPOLESTR names[] = {c.name.data()};
    DISPID id = 12345;
    EXPECT_EQ(picture->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id), c.hr);
    EXPECT_EQ(id, c.id);
  }
  // Parameter names are not known.
  std::u16string method = u"Count", param = u"handle";
  LPOLESTR two[] = {method.data(), param.data()};
  DISPID ids[2] = {0, 0};
  EXPECT_EQ(picture->GetIDsOfNames(IID_NULL, two, 2, 0, ids), DISP_E_UNKNOWNNAME);
  EXPECT_EQ(ids[0], 2);
  EXPECT_EQ(ids[1], DISPID_UNKNOWN);
  EXPECT_EQ(picture->GetIDsOfNames(IID_IDispatch, two, 1, 0, ids), DISP_E_UNKNOWNINTERFACE);
}

TEST(Dispatch, DrawEngineByNameWithVbStyleReferenceArguments) {
  ComPtr<Picture> picture = MakeComObject<Picture>();
  // The monitor passes its module variables by reference; the class takes
  // them by value, coerced as automation does.
  LONG hdc = 4242, options = 0x802, engineType = 0, tray = 2, bin = 1;
  BSTR finisher = SysAllocString(u"QN-752+X"), lct = SysAllocString(u"LC-1"), base = nullptr;
  VARIANT_BOOL show = VARIANT_TRUE;
  ASSERT_EQ(InvokeByName(picture.Get(), "drawEngine", Variant::Ref(&hdc), Variant::Ref(&options),
                         Variant::Ref(&engineType), Variant::Ref(&finisher), Variant::Ref(&lct),
                         Variant::Ref(&base), Variant::Ref(&tray), Variant::Ref(&bin),
                         Variant::RefBool(&show)),
            S_OK);
  EXPECT_EQ(picture->drawn, "4242,2050,0,QN-752+X,LC-1,,2,1,true");
  EXPECT_EQ(Utf8FromBstr(finisher), "QN-752+X") << "the caller's texts are not changed";
  SysFreeString(finisher);
  SysFreeString(lct);

  // Other types coerce: a 16-bit integer, numeric text, a number for a boolean.
  ASSERT_EQ(InvokeByName(picture.Get(), "DrawEngine", SHORT{7}, "8", 9.4, "f", "l", "b", LONG{0},
                         LONG{0}, LONG{0}),
            S_OK);
  EXPECT_EQ(picture->drawn, "7,8,9,f,l,b,0,0,false");
}

TEST(Dispatch, InvokeReportsArgumentFaultsWithTheirIndex) {
  ComPtr<Picture> picture = MakeComObject<Picture>();
  auto nine = [](std::vector<Variant> tail) {
    std::vector<Variant> args{LONG{1}, LONG{2}, LONG{3}, "a", "b", "c", LONG{4}, LONG{5}};
    for (Variant& v : tail) args.push_back(std::move(v));
    return args;
  };
  struct Case {
    const char* what;
    DISPID id;
    std::vector<Variant> args;
    HRESULT hr;
    UINT argErr;
  };
  Case cases[] = {
      {"unknown DISPID", 99, {}, DISP_E_MEMBERNOTFOUND, 0},
      {"too few", 0x60030000, {LONG{1}}, DISP_E_BADPARAMCOUNT, 0},
      {"too many", 4, {LONG{1}, LONG{2}}, DISP_E_BADPARAMCOUNT, 0},
      // rgvarg index: the last argument is 0, the first is count - 1.
      {"text for a long, first argument", 4, {"abc"}, DISP_E_TYPEMISMATCH, 0},
      {"overflow in the second of two", 2, {LONG{1}, Variant(1e12)}, DISP_E_OVERFLOW, 0},
      {"overflow of a long", 0x60030000,
       [&] {
         auto a = nine({Variant(true)});
         a[0] = Variant(3e10);
         return a;
       }(),
       DISP_E_OVERFLOW, 8},
      {"null for a boolean", 0x60030000,
       [&] {
         Variant n;
         n.vt = VT_NULL;
         return nine({std::move(n)});
       }(),
       DISP_E_TYPEMISMATCH, 0},
      {"missing argument", 4, {Variant::Error(DISP_E_PARAMNOTFOUND)}, DISP_E_PARAMNOTOPTIONAL, 0},
  };
  for (Case& c : cases) {
    SCOPED_TRACE(c.what);
    UINT argErr = 777;
    EXPECT_EQ(Call(picture.Get(), c.id, std::move(c.args), nullptr, nullptr, &argErr), c.hr);
    if (c.hr == DISP_E_TYPEMISMATCH || c.hr == DISP_E_OVERFLOW) {
      EXPECT_EQ(argErr, c.argErr);
    }
  }
  // A by-reference long given a reference of another type does not coerce.
  SHORT small = 1;
  EXPECT_EQ(Call(picture.Get(), 2, {LONG{1}, Variant::Ref(&small)}), DISP_E_TYPEMISMATCH);

  std::vector<Variant> one{LONG{1}};
  DISPID named = 0;
  DISPPARAMS withNamed{one.data(), &named, 1, 1};
  EXPECT_EQ(picture->Invoke(4, IID_NULL, 0, DISPATCH_METHOD, &withNamed, nullptr, nullptr, nullptr),
            DISP_E_PARAMNOTFOUND);
  EXPECT_EQ(picture->Invoke(4, IID_IDispatch, 0, DISPATCH_METHOD, &withNamed, nullptr, nullptr,
                            nullptr),
            DISP_E_UNKNOWNINTERFACE);
  EXPECT_EQ(Call(picture.Get(), 4, {LONG{0}}, nullptr, nullptr, nullptr, DISPATCH_PROPERTYPUT),
            DISP_E_MEMBERNOTFOUND);
  EXPECT_EQ(picture->Invoke(4, IID_NULL, 0, DISPATCH_METHOD, nullptr, nullptr, nullptr, nullptr),
            E_INVALIDARG);
}

TEST(Dispatch, ReferenceParametersWriteBackToTheCaller) {
  ComPtr<Picture> picture = MakeComObject<Picture>();
  LONG count = 0;
  ASSERT_EQ(InvokeByName(picture.Get(), "Count", LONG{3}, Variant::Ref(&count)), S_OK);
  EXPECT_EQ(count, 300);

  // Given by value, a reference parameter writes into a temporary.
  ASSERT_EQ(InvokeByName(picture.Get(), "Count", LONG{3}, LONG{5}), S_OK);

  // A long inside a VT_BYREF|VT_VARIANT serves a long reference.
  Variant inner(LONG{0});
  ASSERT_EQ(InvokeByName(picture.Get(), "Count", LONG{4}, Variant::Ref(static_cast<VARIANT*>(&inner))),
            S_OK);
  EXPECT_EQ(inner.lVal, 400);

  // An array variable passed by reference to a VARIANT* parameter, as VB
  // passes `Dim ids(100) As Long`: the callee fills the caller's array.
  SAFEARRAY* ids = SafeArrayCreateVector(VT_I4, 0, 101);
  count = 0;
  ASSERT_EQ(InvokeByName(picture.Get(), "Fill", LONG{3}, Variant::Ref(&ids, VT_I4),
                         Variant::Ref(&count)),
            S_OK);
  EXPECT_EQ(count, 3);
  for (LONG k = 0; k < 3; ++k) {
    LONG v = 0;
    SafeArrayGetElement(ids, &k, &v);
    EXPECT_EQ(v, 11 + k);
  }
  // The same array held in a VARIANT passed by reference.
  Variant holder = Variant::Array(ids);
  LONG zero = 0, cleared = 0;
  SafeArrayPutElement(holder.parray, &zero, &cleared);
  ASSERT_EQ(InvokeByName(picture.Get(), "Fill", LONG{1}, Variant::Ref(static_cast<VARIANT*>(&holder)),
                         Variant::Ref(&count)),
            S_OK);
  LONG v = 0;
  SafeArrayGetElement(holder.parray, &zero, &v);
  EXPECT_EQ(v, 11);
}

TEST(Dispatch, FailuresOfMembersComeBackAsExceptions) {
  ComPtr<Picture> picture = MakeComObject<Picture>();
  EXCEPINFO info;
  std::memset(&info, 0, sizeof info);
  Variant result;  // an out parameter: what it held would be overwritten
  EXPECT_EQ(Call(picture.Get(), 4, {LONG{-11}}, &result, &info), DISP_E_EXCEPTION);
  EXPECT_EQ(info.scode, -11);
  EXPECT_EQ(result.vt, VT_EMPTY);
  FreeExcepInfo(&info);
  EXPECT_EQ(Call(picture.Get(), 4, {LONG{-11}}), -11) << "without EXCEPINFO the code itself";
  EXPECT_EQ(Call(picture.Get(), 4, {LONG{1}}), 1) << "success codes pass";

  EXPECT_EQ(Call(picture.Get(), 5, {}, nullptr, &info), DISP_E_EXCEPTION);
  EXPECT_EQ(info.scode, E_FAIL);
  EXPECT_EQ(Utf8FromBstr(info.bstrDescription), "boom");
  FreeExcepInfo(&info);
  EXPECT_EQ(Call(picture.Get(), 6, {}, nullptr, &info), DISP_E_EXCEPTION);
  EXPECT_EQ(info.scode, E_ACCESSDENIED);
  EXPECT_EQ(Utf8FromBstr(info.bstrDescription), "Permission denied");
  FreeExcepInfo(&info);

  Variant twice;
  std::vector<Variant> args{"1.25"};
  ASSERT_EQ(InvokeByNameEx(picture.Get(), "twice", args, &twice, nullptr), S_OK);
  EXPECT_EQ(twice.vt, VT_R8);
  EXPECT_EQ(twice.dblVal, 2.5);
  EXPECT_EQ(InvokeByName(picture.Get(), "Nothing"), DISP_E_UNKNOWNNAME);
  EXPECT_EQ(InvokeByName(nullptr, "Count"), E_POINTER);
}

TEST(VbErrors, CreationAndCallFailuresKeepVbNumbers) {
  struct Case {
    HRESULT hr;
    VbCall call;
    LONG number;
    const char* text;
  } cases[] = {
      {REGDB_E_CLASSNOTREG, VbCall::Create, 429, "ActiveX component can't create object"},
      {CO_E_CLASSSTRING, VbCall::Create, 429, "ActiveX component can't create object"},
      {CO_E_DLLNOTFOUND, VbCall::Create, 429, "ActiveX component can't create object"},
      {E_NOINTERFACE, VbCall::Create, 429, "ActiveX component can't create object"},
      {DISP_E_UNKNOWNNAME, VbCall::Invoke, 438, "Object doesn't support this property or method"},
      {DISP_E_MEMBERNOTFOUND, VbCall::Invoke, 438, "Object doesn't support this property or method"},
      {DISP_E_TYPEMISMATCH, VbCall::Invoke, 13, "Type mismatch"},
      {DISP_E_BADPARAMCOUNT, VbCall::Invoke, 450,
       "Wrong number of arguments or invalid property assignment"},
      {DISP_E_OVERFLOW, VbCall::Invoke, 6, "Overflow"},
      {DISP_E_BADINDEX, VbCall::Invoke, 9, "Subscript out of range"},
      {DISP_E_PARAMNOTOPTIONAL, VbCall::Invoke, 449, "Argument not optional"},
      {E_INVALIDARG, VbCall::Invoke, 5, "Invalid procedure call or argument"},
      {static_cast<HRESULT>(0x800A0190u), VbCall::Invoke, 400,
       "Form already displayed; can't show modally"},
      {static_cast<HRESULT>(0x800A03E8u), VbCall::Invoke, 1000,
       "Application-defined or object-defined error"},
      {E_FAIL, VbCall::Invoke, E_FAIL, "Automation error"},
  };
  for (const Case& c : cases) {
    VbError e = VbErrorFromHResult(c.hr, c.call);
    EXPECT_EQ(e.Number(), c.number) << std::hex << c.hr;
    EXPECT_EQ(e.Description(), c.text);
  }
  EXCEPINFO info;
  std::memset(&info, 0, sizeof info);
  info.scode = DISP_E_TYPEMISMATCH;
  EXPECT_EQ(VbErrorFromHResult(DISP_E_EXCEPTION, VbCall::Invoke, &info).Number(), 13);
  info.wCode = 91;
  info.bstrDescription = BstrFromUtf8("Not set here");
  VbError e = VbErrorFromHResult(DISP_E_EXCEPTION, VbCall::Invoke, &info);
  EXPECT_EQ(e.Number(), 91);
  EXPECT_EQ(e.Description(), "Not set here");
  FreeExcepInfo(&info);
  EXPECT_EQ(VbErrorFromHResult(DISP_E_EXCEPTION, VbCall::Invoke).Number(), 440);
}

TEST(VbErrors, CallByNameThrowsTheMappedError) {
  ComPtr<Picture> picture = MakeComObject<Picture>();
  auto numberOf = [](auto&& call) -> LONG {
    try {
      call();
    } catch (const VbError& e) {
      return e.Number();
    }
    return 0;
  };
  EXPECT_EQ(numberOf([&] { VbCallByName(picture.Get(), "Count", LONG{1}, LONG{2}); }), 0);
  EXPECT_EQ(numberOf([&] { VbCallByName(picture.Get(), "Paint"); }), 438);
  EXPECT_EQ(numberOf([&] { VbCallByName(picture.Get(), "Fail", "x"); }), 13);
  EXPECT_EQ(numberOf([&] { VbCallByName(picture.Get(), "Fail"); }), 450);
  EXPECT_EQ(numberOf([&] { VbCallByName(picture.Get(), "Raises"); }), E_ACCESSDENIED);
  EXPECT_EQ(numberOf([&] { VbCallByName(nullptr, "Fail", LONG{0}); }), 91);
}

}  // namespace
}  // namespace vlm
