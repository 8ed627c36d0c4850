// The IDispatch helper: names to DISPIDs, argument binding and coercion, and
// late-bound calls by name.
#include <cstring>

#include "platform/com/com.h"

namespace vlm {

namespace {

char16_t FoldAscii(char16_t c) { return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c + 32) : c; }

bool NameEquals(const std::string& name, const OLECHAR* text) {
  std::u16string wide = Utf16FromUtf8(name);
  std::size_t i = 0;
  for (; text[i] && i < wide.size(); ++i) {
    if (FoldAscii(text[i]) != FoldAscii(wide[i])) return false;
  }
  return i == wide.size() && text[i] == 0;
}

void FillException(EXCEPINFO* info, HRESULT scode, std::string_view description) {
  if (!info) return;
  std::memset(info, 0, sizeof *info);
  info->scode = scode;
  if (!description.empty()) info->bstrDescription = BstrFromUtf8(description);
}

bool IsMissing(const VARIANT& arg) {
  const VARIANT* v = &arg;
  if (v->vt == (VT_BYREF | VT_VARIANT) && v->pvarVal) v = v->pvarVal;
  return v->vt == VT_ERROR && v->scode == DISP_E_PARAMNOTFOUND;
}

HRESULT Coerce(const VARIANT& arg, VARTYPE vt, VARIANT* out) {
  if (IsMissing(arg)) return DISP_E_PARAMNOTOPTIONAL;
  return VariantChangeType(out, &arg, 0, vt);
}

}  // namespace

void FreeExcepInfo(EXCEPINFO* info) {
  if (!info) return;
  SysFreeString(info->bstrSource);
  SysFreeString(info->bstrDescription);
  SysFreeString(info->bstrHelpFile);
  std::memset(info, 0, sizeof *info);
}

// ---------------------------------------------------------------------------
// DispArgs

DispArgs::~DispArgs() {
  for (VARIANT& v : args_) VariantClear(&v);
  for (VARIANT& v : temps_) VariantClear(&v);
}

namespace {
// Parameter i's field when it holds type vt, else zero.
template <class R>
R Field(const std::vector<VARIANT>& args, UINT i, VARTYPE vt, R VARIANT::*field) {
  return i < args.size() && args[i].vt == vt ? args[i].*field : R{};
}
}  // namespace

LONG DispArgs::I4(UINT i) const noexcept { return Field(args_, i, VT_I4, &VARIANT::lVal); }
SHORT DispArgs::I2(UINT i) const noexcept { return Field(args_, i, VT_I2, &VARIANT::iVal); }
DOUBLE DispArgs::R8(UINT i) const noexcept { return Field(args_, i, VT_R8, &VARIANT::dblVal); }
bool DispArgs::Bool(UINT i) const noexcept {
  return Field(args_, i, VT_BOOL, &VARIANT::boolVal) != VARIANT_FALSE;
}
BSTR DispArgs::Bstr(UINT i) const noexcept { return Field(args_, i, VT_BSTR, &VARIANT::bstrVal); }
std::string DispArgs::Utf8(UINT i) const { return Utf8FromBstr(Bstr(i)); }
IDispatch* DispArgs::Dispatch(UINT i) const noexcept {
  return Field(args_, i, VT_DISPATCH, &VARIANT::pdispVal);
}
LONG* DispArgs::I4Ref(UINT i) const noexcept {
  return Field(args_, i, VT_BYREF | VT_I4, &VARIANT::plVal);
}
SHORT* DispArgs::I2Ref(UINT i) const noexcept {
  return Field(args_, i, VT_BYREF | VT_I2, &VARIANT::piVal);
}
BSTR* DispArgs::BstrRef(UINT i) const noexcept {
  return Field(args_, i, VT_BYREF | VT_BSTR, &VARIANT::pbstrVal);
}
VARIANT* DispArgs::VariantRef(UINT i) const noexcept {
  return Field(args_, i, VT_BYREF | VT_VARIANT, &VARIANT::pvarVal);
}

HRESULT DispArgs::Raise(HRESULT scode, std::string_view description) const {
  FillException(excepInfo_, scode, description);
  return DISP_E_EXCEPTION;
}

// ---------------------------------------------------------------------------
// DispatchCore

HRESULT DispatchCore::GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count,
                                    DISPID* ids) const noexcept {
  if (iid != IID_NULL) return DISP_E_UNKNOWNINTERFACE;
  if (!names || !ids || count == 0) return E_INVALIDARG;
  for (UINT i = 0; i < count; ++i) ids[i] = DISPID_UNKNOWN;
  if (!names[0]) return DISP_E_UNKNOWNNAME;
  try {
    for (const Entry& e : entries_) {
      if (NameEquals(e.name, names[0])) {
        ids[0] = e.dispid;
        // Parameter names are not known: the further names stay unknown.
        return count == 1 ? S_OK : DISP_E_UNKNOWNNAME;
      }
    }
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  }
  return DISP_E_UNKNOWNNAME;
}

namespace {

// Binds rgvarg entry `arg` to a parameter of declared type `declared`: slot
// receives the value or reference the member sees, temp the value that a
// reference to a by-value argument points to.
HRESULT Bind(VARIANT& arg, VARTYPE declared, VARIANT* slot, VARIANT* temp) {
  if (!(declared & VT_BYREF)) {
    if (declared == VT_VARIANT) return VariantCopyInd(slot, &arg);
    return Coerce(arg, declared, slot);
  }
  VARTYPE base = declared & ~VT_BYREF;
  slot->vt = declared;
  if (base == VT_VARIANT) {
    slot->pvarVal = arg.vt == (VT_BYREF | VT_VARIANT) ? arg.pvarVal : &arg;
    if (!slot->pvarVal) return DISP_E_TYPEMISMATCH;
    return S_OK;
  }
  if (arg.vt == declared) {
    slot->byref = arg.byref;
    return S_OK;
  }
  if (arg.vt == (VT_BYREF | VT_VARIANT) && arg.pvarVal) {
    VARIANT& inner = *arg.pvarVal;
    if (inner.vt == base) {
      slot->byref = &inner.lVal;
      return S_OK;
    }
    if (inner.vt == declared) {
      slot->byref = inner.byref;
      return S_OK;
    }
  }
  if (arg.vt & VT_BYREF) {
    slot->vt = VT_EMPTY;
    return DISP_E_TYPEMISMATCH;
  }
  HRESULT hr = Coerce(arg, base, temp);
  if (FAILED(hr)) {
    slot->vt = VT_EMPTY;
    return hr;
  }
  slot->byref = &temp->lVal;
  return S_OK;
}

}  // namespace

HRESULT DispatchCore::Invoke(void* self, DISPID id, REFIID iid, WORD flags, DISPPARAMS* params,
                             VARIANT* result, EXCEPINFO* excepInfo, UINT* argErr) const noexcept {
  if (iid != IID_NULL) return DISP_E_UNKNOWNINTERFACE;
  const Entry* entry = nullptr;
  for (const Entry& e : entries_) {
    if (e.dispid == id) entry = &e;
  }
  if (!entry || !(flags & (DISPATCH_METHOD | DISPATCH_PROPERTYGET))) return DISP_E_MEMBERNOTFOUND;
  if (!params || (params->cArgs > 0 && !params->rgvarg) || params->cNamedArgs > params->cArgs) {
    return E_INVALIDARG;
  }
  if (params->cNamedArgs > 0) {
    if (argErr) *argErr = 0;
    return DISP_E_PARAMNOTFOUND;
  }
  UINT n = params->cArgs;
  if (n != entry->params.size()) return DISP_E_BADPARAMCOUNT;
  try {
    DispArgs args;
    VARIANT empty;
    VariantInit(&empty);
    args.args_.assign(n, empty);
    args.temps_.assign(n, empty);
    for (UINT k = 0; k < n; ++k) {
      UINT index = n - 1 - k;
      HRESULT hr = Bind(params->rgvarg[index], entry->params[k], &args.args_[k], &args.temps_[k]);
      if (FAILED(hr)) {
        if (argErr) *argErr = index;
        return hr;
      }
    }
    if (result) VariantInit(result);
    args.result_ = result;
    args.excepInfo_ = excepInfo;
    HRESULT hr;
    try {
      hr = entry->invoke(self, args);
    } catch (const std::bad_alloc&) {
      hr = E_OUTOFMEMORY;
    } catch (const std::exception& e) {
      hr = args.Raise(E_FAIL, e.what());
    } catch (...) {
      hr = args.Raise(E_FAIL, {});
    }
    if (FAILED(hr) && result) VariantClear(result);
    if (FAILED(hr) && hr != DISP_E_EXCEPTION && excepInfo) {
      FillException(excepInfo, hr, {});
      return DISP_E_EXCEPTION;
    }
    return hr;
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  }
}

// ---------------------------------------------------------------------------
// Late-bound calls

namespace com::detail {
HRESULT InvokeByNameReversed(IDispatch* object, std::string_view name, std::span<VARIANT> reversed,
                             VARIANT* result, EXCEPINFO* excepInfo) {
  if (!object) return E_POINTER;
  if (excepInfo) std::memset(excepInfo, 0, sizeof *excepInfo);
  std::u16string wide;
  try {
    wide = Utf16FromUtf8(name);
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  }
  LPOLESTR names[] = {wide.data()};
  DISPID id = DISPID_UNKNOWN;
  HRESULT hr = object->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id);
  if (FAILED(hr)) return hr;
  DISPPARAMS params{reversed.data(), nullptr, static_cast<UINT>(reversed.size()), 0};
  if (result) VariantClear(result);
  WORD flags = DISPATCH_METHOD | (result ? DISPATCH_PROPERTYGET : 0);
  UINT argErr = 0;
  return object->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &params, result, excepInfo,
                        &argErr);
}
}  // namespace com::detail

}  // namespace vlm
