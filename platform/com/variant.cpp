// VARIANT: clearing, copying and automation's coercions.
#include <cfloat>
#include <charconv>
#include <cmath>
#include <limits>
#include <stdexcept>

#include "platform/com/com.h"

namespace vlm {

namespace {

bool IsScalar(VARTYPE base) {
  switch (base) {
    case VT_I2:
    case VT_I4:
    case VT_R4:
    case VT_R8:
    case VT_BOOL:
    case VT_ERROR:
    case VT_BSTR:
    case VT_DISPATCH:
    case VT_UNKNOWN:
      return true;
    default:
      return false;
  }
}

bool IsValidType(VARTYPE vt) {
  VARTYPE base = vt & VT_TYPEMASK;
  VARTYPE flags = vt & ~VT_TYPEMASK;
  if (flags == 0) return base == VT_EMPTY || base == VT_NULL || IsScalar(base);
  if (flags == VT_ARRAY || flags == VT_BYREF || flags == (VT_BYREF | VT_ARRAY)) {
    return IsScalar(base) || base == VT_VARIANT;
  }
  return false;
}

// A non-owning view of the value src stands for: VT_BYREF followed (through
// at most two levels, VT_BYREF|VT_VARIANT to a reference). False for a bad
// type or a null reference.
bool Deref(const VARIANT* src, VARIANT* view) {
  for (int level = 0; level < 3; ++level) {
    if (!IsValidType(src->vt)) return false;
    if (!(src->vt & VT_BYREF)) {
      *view = *src;
      return true;
    }
    if (!src->byref) return false;
    VARTYPE base = src->vt & ~VT_BYREF;
    if (base == VT_VARIANT) {
      src = src->pvarVal;
      continue;
    }
    VariantInit(view);
    view->vt = base;
    if (base & VT_ARRAY) {
      view->parray = *src->pparray;
      return true;
    }
    switch (base) {
      case VT_I2:
        view->iVal = *src->piVal;
        break;
      case VT_I4:
        view->lVal = *src->plVal;
        break;
      case VT_R4:
        view->fltVal = *src->pfltVal;
        break;
      case VT_R8:
        view->dblVal = *src->pdblVal;
        break;
      case VT_BOOL:
        view->boolVal = *src->pboolVal;
        break;
      case VT_ERROR:
        view->scode = *src->pscode;
        break;
      case VT_BSTR:
        view->bstrVal = *src->pbstrVal;
        break;
      case VT_DISPATCH:
        view->pdispVal = *src->ppdispVal;
        break;
      case VT_UNKNOWN:
        view->punkVal = *src->ppunkVal;
        break;
      default:
        return false;
    }
    return true;
  }
  return false;
}

// Rounds half to even, as automation's integer coercions do.
double RoundHalfEven(double d) {
  double f = std::floor(d);
  double diff = d - f;
  if (diff > 0.5 || (diff == 0.5 && std::fmod(f, 2.0) != 0.0)) f += 1.0;
  return f;
}

std::string TrimmedAscii(BSTR text, bool* ascii) {
  std::string out;
  *ascii = true;
  for (OLECHAR c : std::u16string_view(text ? text : u"", SysStringLen(text))) {
    if (c > 0x7F) *ascii = false;
    out.push_back(static_cast<char>(c));
  }
  std::size_t b = out.find_first_not_of(" \t");
  if (b == std::string::npos) return {};
  std::size_t e = out.find_last_not_of(" \t");
  return out.substr(b, e - b + 1);
}

// A decimal number: sign, digits with an optional point, optional exponent.
HRESULT ParseNumber(BSTR text, double* value) {
  bool ascii = false;
  std::string s = TrimmedAscii(text, &ascii);
  if (!ascii || s.empty()) return DISP_E_TYPEMISMATCH;
  std::size_t i = 0;
  bool negative = false;
  if (s[i] == '+' || s[i] == '-') negative = s[i++] == '-';
  std::size_t start = i;
  int digits = 0;
  while (i < s.size() && s[i] >= '0' && s[i] <= '9') ++i, ++digits;
  if (i < s.size() && s[i] == '.') {
    ++i;
    while (i < s.size() && s[i] >= '0' && s[i] <= '9') ++i, ++digits;
  }
  if (digits == 0) return DISP_E_TYPEMISMATCH;
  if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
    ++i;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
    int expDigits = 0;
    while (i < s.size() && s[i] >= '0' && s[i] <= '9') ++i, ++expDigits;
    if (expDigits == 0) return DISP_E_TYPEMISMATCH;
  }
  if (i != s.size()) return DISP_E_TYPEMISMATCH;
  double d = 0;
  auto [end, ec] = std::from_chars(s.data() + start, s.data() + s.size(), d);
  if (ec == std::errc::result_out_of_range) return DISP_E_OVERFLOW;
  if (ec != std::errc() || end != s.data() + s.size()) return DISP_E_TYPEMISMATCH;
  *value = negative ? -d : d;
  return S_OK;
}

bool EqualsAsciiNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    char x = a[i] >= 'A' && a[i] <= 'Z' ? static_cast<char>(a[i] + 32) : a[i];
    char y = b[i] >= 'A' && b[i] <= 'Z' ? static_cast<char>(b[i] + 32) : b[i];
    if (x != y) return false;
  }
  return true;
}

// The numeric value of a view, for coercion to a number or a boolean.
HRESULT NumberOf(const VARIANT& v, double* d) {
  switch (v.vt) {
    case VT_EMPTY:
      *d = 0;
      return S_OK;
    case VT_I2:
      *d = v.iVal;
      return S_OK;
    case VT_I4:
      *d = v.lVal;
      return S_OK;
    case VT_R4:
      *d = v.fltVal;
      return S_OK;
    case VT_R8:
      *d = v.dblVal;
      return S_OK;
    case VT_BOOL:
      *d = v.boolVal ? -1 : 0;
      return S_OK;
    case VT_BSTR:
      return ParseNumber(v.bstrVal, d);
    default:
      return DISP_E_TYPEMISMATCH;
  }
}

HRESULT ToNumber(double d, VARTYPE vt, VARIANT* out) {
  switch (vt) {
    case VT_I2:
    case VT_I4: {
      if (std::isnan(d)) return DISP_E_OVERFLOW;
      double r = RoundHalfEven(d);
      double lo = vt == VT_I2 ? -32768.0 : -2147483648.0;
      double hi = vt == VT_I2 ? 32767.0 : 2147483647.0;
      if (r < lo || r > hi) return DISP_E_OVERFLOW;
      out->vt = vt;
      if (vt == VT_I2) {
        out->iVal = static_cast<SHORT>(r);
      } else {
        out->lVal = static_cast<LONG>(r);
      }
      return S_OK;
    }
    case VT_R4:
      if (std::isfinite(d) && std::fabs(d) > FLT_MAX) return DISP_E_OVERFLOW;
      out->vt = VT_R4;
      out->fltVal = static_cast<FLOAT>(d);
      return S_OK;
    case VT_R8:
      out->vt = VT_R8;
      out->dblVal = d;
      return S_OK;
    case VT_BOOL:
      out->vt = VT_BOOL;
      out->boolVal = d != 0 ? VARIANT_TRUE : VARIANT_FALSE;
      return S_OK;
    default:
      return DISP_E_TYPEMISMATCH;
  }
}

std::string FloatText(double d, int precision) {
  if (d == 0) return "0";
  char buf[64];
  auto [end, ec] = std::to_chars(buf, buf + sizeof buf, d, std::chars_format::general, precision);
  if (ec != std::errc()) return "0";
  std::string s(buf, end);
  for (char& c : s) {
    if (c == 'e') c = 'E';
  }
  return s;
}

HRESULT ToText(const VARIANT& v, USHORT flags, VARIANT* out) {
  std::string text;
  switch (v.vt) {
    case VT_EMPTY:
      break;
    case VT_I2:
      text = std::to_string(v.iVal);
      break;
    case VT_I4:
      text = std::to_string(v.lVal);
      break;
    case VT_R4:
      text = FloatText(v.fltVal, 7);
      break;
    case VT_R8:
      text = FloatText(v.dblVal, 15);
      break;
    case VT_BOOL:
      if (flags & VARIANT_ALPHABOOL) {
        text = v.boolVal ? "True" : "False";
      } else {
        text = v.boolVal ? "-1" : "0";
      }
      break;
    default:
      return DISP_E_TYPEMISMATCH;
  }
  BSTR b = BstrFromUtf8(text);
  if (!b) return E_OUTOFMEMORY;
  out->vt = VT_BSTR;
  out->bstrVal = b;
  return S_OK;
}

HRESULT ToInterface(const VARIANT& v, VARTYPE vt, VARIANT* out) {
  if (v.vt != VT_DISPATCH && v.vt != VT_UNKNOWN) return DISP_E_TYPEMISMATCH;
  IUnknown* from = v.punkVal;
  void* result = nullptr;
  if (from) {
    HRESULT hr = from->QueryInterface(vt == VT_DISPATCH ? IID_IDispatch : IID_IUnknown, &result);
    if (FAILED(hr)) return hr == E_NOINTERFACE ? DISP_E_TYPEMISMATCH : hr;
  }
  out->vt = vt;
  out->punkVal = static_cast<IUnknown*>(result);
  return S_OK;
}

HRESULT Convert(const VARIANT& v, USHORT flags, VARTYPE vt, VARIANT* out) {
  if (v.vt == vt) return VariantCopy(out, &v);
  switch (vt) {
    case VT_EMPTY:
      out->vt = VT_EMPTY;
      return S_OK;
    case VT_I2:
    case VT_I4:
    case VT_R4:
    case VT_R8:
    case VT_BOOL: {
      if (vt == VT_BOOL && v.vt == VT_BSTR) {
        bool ascii = false;
        std::string s = TrimmedAscii(v.bstrVal, &ascii);
        if (EqualsAsciiNoCase(s, "true") || EqualsAsciiNoCase(s, "false")) {
          out->vt = VT_BOOL;
          out->boolVal = EqualsAsciiNoCase(s, "true") ? VARIANT_TRUE : VARIANT_FALSE;
          return S_OK;
        }
      }
      double d = 0;
      HRESULT hr = NumberOf(v, &d);
      if (FAILED(hr)) return hr;
      return ToNumber(d, vt, out);
    }
    case VT_BSTR:
      return ToText(v, flags, out);
    case VT_DISPATCH:
    case VT_UNKNOWN:
      return ToInterface(v, vt, out);
    default:
      return DISP_E_TYPEMISMATCH;
  }
}

}  // namespace

void VariantInit(VARIANT* v) {
  if (!v) return;
  v->vt = VT_EMPTY;
  v->wReserved1 = v->wReserved2 = v->wReserved3 = 0;
  v->dblVal = 0;
  v->byref = nullptr;
}

HRESULT VariantClear(VARIANT* v) {
  if (!v) return E_INVALIDARG;
  if (!IsValidType(v->vt)) return DISP_E_BADVARTYPE;
  if (!(v->vt & VT_BYREF)) {
    if (v->vt & VT_ARRAY) {
      HRESULT hr = SafeArrayDestroy(v->parray);
      if (FAILED(hr)) return hr;
    } else if (v->vt == VT_BSTR) {
      SysFreeString(v->bstrVal);
    } else if ((v->vt == VT_DISPATCH || v->vt == VT_UNKNOWN) && v->punkVal) {
      v->punkVal->Release();
    }
  }
  VariantInit(v);
  return S_OK;
}

HRESULT VariantCopy(VARIANT* dest, const VARIANT* src) {
  if (!dest || !src) return E_INVALIDARG;
  if (dest == src) return S_OK;
  if (!IsValidType(src->vt)) return DISP_E_BADVARTYPE;
  VARIANT copy = *src;
  if (!(src->vt & VT_BYREF)) {
    if (src->vt & VT_ARRAY) {
      HRESULT hr = SafeArrayCopy(src->parray, &copy.parray);
      if (FAILED(hr)) return hr;
    } else if (src->vt == VT_BSTR && src->bstrVal) {
      copy.bstrVal = SysAllocStringLen(src->bstrVal, SysStringLen(src->bstrVal));
      if (!copy.bstrVal) return E_OUTOFMEMORY;
    } else if ((src->vt == VT_DISPATCH || src->vt == VT_UNKNOWN) && src->punkVal) {
      src->punkVal->AddRef();
    }
  }
  HRESULT hr = VariantClear(dest);
  if (FAILED(hr)) {
    VariantClear(&copy);
    return hr;
  }
  *dest = copy;
  return S_OK;
}

HRESULT VariantCopyInd(VARIANT* dest, const VARIANT* src) {
  if (!dest || !src) return E_INVALIDARG;
  if (!(src->vt & VT_BYREF)) return VariantCopy(dest, src);
  VARIANT view;
  if (!Deref(src, &view)) return IsValidType(src->vt) ? E_INVALIDARG : DISP_E_BADVARTYPE;
  return VariantCopy(dest, &view);
}

HRESULT VariantChangeType(VARIANT* dest, const VARIANT* src, USHORT flags, VARTYPE vt) {
  if (!dest || !src) return E_INVALIDARG;
  if (!IsValidType(vt) || (vt & VT_BYREF)) return DISP_E_BADVARTYPE;
  VARIANT view;
  if (!Deref(src, &view)) return IsValidType(src->vt) ? E_INVALIDARG : DISP_E_BADVARTYPE;
  VARIANT out;
  VariantInit(&out);
  HRESULT hr = Convert(view, flags, vt, &out);
  if (FAILED(hr)) return hr;
  hr = VariantClear(dest);
  if (FAILED(hr)) {
    VariantClear(&out);
    return hr;
  }
  *dest = out;
  return S_OK;
}

// ---------------------------------------------------------------------------
// Variant

namespace {
void ThrowFor(HRESULT hr) {
  if (hr == E_OUTOFMEMORY) throw std::bad_alloc();
  throw std::invalid_argument("VARIANT of a type that cannot be copied");
}
}  // namespace

Variant::Variant(std::string_view utf8) : Variant() {
  BSTR b = BstrFromUtf8(utf8);
  if (!b) throw std::bad_alloc();
  vt = VT_BSTR;
  bstrVal = b;
}

Variant::Variant(std::u16string_view text) : Variant() {
  Bstr b(text);
  vt = VT_BSTR;
  bstrVal = b.Detach();
}

Variant::Variant(IDispatch* object) noexcept : Variant() {
  vt = VT_DISPATCH;
  pdispVal = object;
  if (object) object->AddRef();
}

Variant::Variant(IUnknown* object) noexcept : Variant() {
  vt = VT_UNKNOWN;
  punkVal = object;
  if (object) object->AddRef();
}

Variant::Variant(const VARIANT& v) : Variant() {
  HRESULT hr = VariantCopy(this, &v);
  if (FAILED(hr)) ThrowFor(hr);
}

Variant& Variant::operator=(const Variant& v) {
  if (this != &v) {
    HRESULT hr = VariantCopy(this, &v);
    if (FAILED(hr)) ThrowFor(hr);
  }
  return *this;
}

Variant& Variant::operator=(Variant&& v) noexcept {
  if (this != &v) {
    VariantClear(this);
    static_cast<VARIANT&>(*this) = v;
    VariantInit(&v);
  }
  return *this;
}

Variant Variant::Error(SCODE code) noexcept {
  Variant v;
  v.vt = VT_ERROR;
  v.scode = code;
  return v;
}

Variant Variant::Array(SAFEARRAY* psa) noexcept {
  Variant v;
  VARTYPE element = VT_EMPTY;
  if (psa && SUCCEEDED(SafeArrayGetVartype(psa, &element))) {
    v.vt = VT_ARRAY | element;
    v.parray = psa;
  }
  return v;
}

#define VLM_VARIANT_REF(T, TYPE, FIELD) \
  Variant Variant::Ref(T* p) noexcept { \
    Variant v;                          \
    v.vt = VT_BYREF | TYPE;             \
    v.FIELD = p;                        \
    return v;                           \
  }
VLM_VARIANT_REF(LONG, VT_I4, plVal)
VLM_VARIANT_REF(SHORT, VT_I2, piVal)
VLM_VARIANT_REF(DOUBLE, VT_R8, pdblVal)
VLM_VARIANT_REF(BSTR, VT_BSTR, pbstrVal)
VLM_VARIANT_REF(VARIANT, VT_VARIANT, pvarVal)
#undef VLM_VARIANT_REF

Variant Variant::RefBool(VARIANT_BOOL* p) noexcept {
  Variant v;
  v.vt = VT_BYREF | VT_BOOL;
  v.pboolVal = p;
  return v;
}

Variant Variant::Ref(SAFEARRAY** p, VARTYPE elementType) noexcept {
  Variant v;
  v.vt = VT_BYREF | VT_ARRAY | elementType;
  v.pparray = p;
  return v;
}

void Variant::Detach(VARIANT* dest) noexcept {
  *dest = *this;
  VariantInit(this);
}

}  // namespace vlm
