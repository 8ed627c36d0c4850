// SAFEARRAY: one heap block for the descriptor (the element type in front of
// it, the bounds after it) and one for the elements. Elements are laid out
// with dimension 1 varying fastest.
#include <cstdlib>
#include <cstring>
#include <limits>

#include "platform/com/com.h"

namespace vlm {

namespace {

// The element bytes of one array may not exceed this.
constexpr std::uint64_t kMaxDataBytes = 0x7FFFFFFFu;
constexpr ULONG kMaxLocks = 0xFFFF;

struct Block {
  VARTYPE vt;
  SAFEARRAY sa;
};

Block* BlockOf(SAFEARRAY* psa) {
  return reinterpret_cast<Block*>(reinterpret_cast<char*>(psa) - offsetof(Block, sa));
}

// The bounds stand last dimension first, as on the platform.
SAFEARRAYBOUND* Bounds(SAFEARRAY* psa) {
  return reinterpret_cast<SAFEARRAYBOUND*>(reinterpret_cast<char*>(psa) +
                                           offsetof(SAFEARRAY, rgsabound));
}
SAFEARRAYBOUND& BoundOfDim(SAFEARRAY* psa, UINT dim) {  // dim counts from 1
  return Bounds(psa)[psa->cDims - dim];
}

std::uint64_t ElementCount(SAFEARRAY* psa) {
  std::uint64_t n = 1;
  for (UINT d = 1; d <= psa->cDims; ++d) n *= BoundOfDim(psa, d).cElements;
  return n;
}

ULONG ElementSize(VARTYPE vt) {
  switch (vt) {
    case VT_I2:
    case VT_BOOL:
      return 2;
    case VT_I4:
    case VT_R4:
    case VT_ERROR:
      return 4;
    case VT_R8:
      return 8;
    case VT_BSTR:
      return sizeof(BSTR);
    case VT_DISPATCH:
    case VT_UNKNOWN:
      return sizeof(IUnknown*);
    case VT_VARIANT:
      return sizeof(VARIANT);
    default:
      return 0;
  }
}

USHORT FeaturesOf(VARTYPE vt) {
  switch (vt) {
    case VT_BSTR:
      return FADF_HAVEVARTYPE | FADF_BSTR;
    case VT_DISPATCH:
      return FADF_HAVEVARTYPE | FADF_DISPATCH;
    case VT_UNKNOWN:
      return FADF_HAVEVARTYPE | FADF_UNKNOWN;
    case VT_VARIANT:
      return FADF_HAVEVARTYPE | FADF_VARIANT;
    default:
      return FADF_HAVEVARTYPE;
  }
}

char* ElementAt(SAFEARRAY* psa, std::uint64_t index) {
  return static_cast<char*>(psa->pvData) + index * psa->cbElements;
}

HRESULT OffsetOf(SAFEARRAY* psa, const LONG* rgIndices, std::uint64_t* offset) {
  if (!psa || !rgIndices) return E_INVALIDARG;
  std::uint64_t at = 0;
  std::uint64_t stride = 1;
  for (UINT d = 1; d <= psa->cDims; ++d) {
    const SAFEARRAYBOUND& b = BoundOfDim(psa, d);
    std::int64_t i = std::int64_t{rgIndices[d - 1]} - b.lLbound;
    if (i < 0 || i >= std::int64_t{b.cElements}) return DISP_E_BADINDEX;
    at += static_cast<std::uint64_t>(i) * stride;
    stride *= b.cElements;
  }
  *offset = at;
  return S_OK;
}

void ClearElement(VARTYPE vt, void* element) {
  switch (vt) {
    case VT_BSTR: {
      BSTR* p = static_cast<BSTR*>(element);
      SysFreeString(*p);
      *p = nullptr;
      break;
    }
    case VT_DISPATCH:
    case VT_UNKNOWN: {
      IUnknown** p = static_cast<IUnknown**>(element);
      if (IUnknown* old = std::exchange(*p, nullptr)) old->Release();
      break;
    }
    case VT_VARIANT:
      VariantClear(static_cast<VARIANT*>(element));
      break;
    default:
      break;
  }
}

// Copies the element at `from` (of the array's type) into the uninitialised
// element storage `to`.
HRESULT CopyElementOut(VARTYPE vt, ULONG size, const void* from, void* to) {
  switch (vt) {
    case VT_BSTR: {
      BSTR src = *static_cast<const BSTR*>(from);
      BSTR copy = src ? SysAllocStringLen(src, SysStringLen(src)) : nullptr;
      if (src && !copy) return E_OUTOFMEMORY;
      *static_cast<BSTR*>(to) = copy;
      return S_OK;
    }
    case VT_DISPATCH:
    case VT_UNKNOWN: {
      IUnknown* src = *static_cast<IUnknown* const*>(from);
      if (src) src->AddRef();
      *static_cast<IUnknown**>(to) = src;
      return S_OK;
    }
    case VT_VARIANT:
      VariantInit(static_cast<VARIANT*>(to));
      return VariantCopy(static_cast<VARIANT*>(to), static_cast<const VARIANT*>(from));
    default:
      std::memcpy(to, from, size);
      return S_OK;
  }
}

}  // namespace

SAFEARRAY* SafeArrayCreate(VARTYPE vt, UINT cDims, const SAFEARRAYBOUND* rgsabound) {
  ULONG size = ElementSize(vt);
  if (size == 0 || cDims == 0 || cDims > 0xFFFF || !rgsabound) return nullptr;
  std::uint64_t count = 1;
  for (UINT d = 0; d < cDims; ++d) {
    const SAFEARRAYBOUND& b = rgsabound[d];
    std::int64_t upper = std::int64_t{b.lLbound} + b.cElements - 1;
    if (upper > std::numeric_limits<LONG>::max() || upper < std::numeric_limits<LONG>::min()) {
      return nullptr;
    }
    count *= b.cElements;
    if (count > kMaxDataBytes || count * size > kMaxDataBytes) return nullptr;
  }
  std::size_t descriptor =
      offsetof(Block, sa) + sizeof(SAFEARRAY) + (cDims - 1) * sizeof(SAFEARRAYBOUND);
  auto* block = static_cast<Block*>(std::calloc(1, descriptor));
  if (!block) return nullptr;
  void* data = std::calloc(count == 0 ? 1 : static_cast<std::size_t>(count), size);
  if (!data) {
    std::free(block);
    return nullptr;
  }
  block->vt = vt;
  SAFEARRAY* psa = &block->sa;
  psa->cDims = static_cast<USHORT>(cDims);
  psa->fFeatures = FeaturesOf(vt);
  psa->cbElements = size;
  psa->cLocks = 0;
  psa->pvData = data;
  for (UINT d = 0; d < cDims; ++d) BoundOfDim(psa, d + 1) = rgsabound[d];
  return psa;
}

SAFEARRAY* SafeArrayCreateVector(VARTYPE vt, LONG lLbound, ULONG cElements) {
  SAFEARRAYBOUND bound{cElements, lLbound};
  return SafeArrayCreate(vt, 1, &bound);
}

HRESULT SafeArrayDestroy(SAFEARRAY* psa) {
  if (!psa) return S_OK;
  if (psa->cLocks > 0) return DISP_E_ARRAYISLOCKED;
  VARTYPE vt = BlockOf(psa)->vt;
  std::uint64_t count = ElementCount(psa);
  for (std::uint64_t i = 0; i < count; ++i) ClearElement(vt, ElementAt(psa, i));
  std::free(psa->pvData);
  std::free(BlockOf(psa));
  return S_OK;
}

HRESULT SafeArrayCopy(SAFEARRAY* psa, SAFEARRAY** out) {
  if (!out) return E_INVALIDARG;
  *out = nullptr;
  if (!psa) return S_OK;
  std::vector<SAFEARRAYBOUND> bounds;
  try {
    for (UINT d = 1; d <= psa->cDims; ++d) bounds.push_back(BoundOfDim(psa, d));
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  }
  VARTYPE vt = BlockOf(psa)->vt;
  SAFEARRAY* copy = SafeArrayCreate(vt, psa->cDims, bounds.data());
  if (!copy) return E_OUTOFMEMORY;
  std::uint64_t count = ElementCount(psa);
  for (std::uint64_t i = 0; i < count; ++i) {
    HRESULT hr = CopyElementOut(vt, psa->cbElements, ElementAt(psa, i), ElementAt(copy, i));
    if (FAILED(hr)) {
      SafeArrayDestroy(copy);
      return hr;
    }
  }
  *out = copy;
  return S_OK;
}

UINT SafeArrayGetDim(SAFEARRAY* psa) { return psa ? psa->cDims : 0; }

UINT SafeArrayGetElemsize(SAFEARRAY* psa) { return psa ? psa->cbElements : 0; }

HRESULT SafeArrayGetVartype(SAFEARRAY* psa, VARTYPE* vt) {
  if (!psa || !vt) return E_INVALIDARG;
  *vt = BlockOf(psa)->vt;
  return S_OK;
}

HRESULT SafeArrayGetLBound(SAFEARRAY* psa, UINT nDim, LONG* bound) {
  if (!psa || !bound) return E_INVALIDARG;
  if (nDim < 1 || nDim > psa->cDims) return DISP_E_BADINDEX;
  *bound = BoundOfDim(psa, nDim).lLbound;
  return S_OK;
}

HRESULT SafeArrayGetUBound(SAFEARRAY* psa, UINT nDim, LONG* bound) {
  if (!psa || !bound) return E_INVALIDARG;
  if (nDim < 1 || nDim > psa->cDims) return DISP_E_BADINDEX;
  const SAFEARRAYBOUND& b = BoundOfDim(psa, nDim);
  *bound = static_cast<LONG>(std::int64_t{b.lLbound} + b.cElements - 1);
  return S_OK;
}

HRESULT SafeArrayPtrOfIndex(SAFEARRAY* psa, const LONG* rgIndices, void** element) {
  if (!element) return E_INVALIDARG;
  *element = nullptr;
  std::uint64_t at = 0;
  HRESULT hr = OffsetOf(psa, rgIndices, &at);
  if (FAILED(hr)) return hr;
  *element = ElementAt(psa, at);
  return S_OK;
}

HRESULT SafeArrayGetElement(SAFEARRAY* psa, const LONG* rgIndices, void* pv) {
  if (!pv) return E_INVALIDARG;
  std::uint64_t at = 0;
  HRESULT hr = OffsetOf(psa, rgIndices, &at);
  if (FAILED(hr)) return hr;
  return CopyElementOut(BlockOf(psa)->vt, psa->cbElements, ElementAt(psa, at), pv);
}

HRESULT SafeArrayPutElement(SAFEARRAY* psa, const LONG* rgIndices, const void* pv) {
  std::uint64_t at = 0;
  HRESULT hr = OffsetOf(psa, rgIndices, &at);
  if (FAILED(hr)) return hr;
  VARTYPE vt = BlockOf(psa)->vt;
  char* element = ElementAt(psa, at);
  switch (vt) {
    case VT_BSTR: {
      // pv is the BSTR itself; null stores a null text.
      BSTR src = static_cast<BSTR>(const_cast<void*>(pv));
      BSTR copy = src ? SysAllocStringLen(src, SysStringLen(src)) : nullptr;
      if (src && !copy) return E_OUTOFMEMORY;
      BSTR* slot = reinterpret_cast<BSTR*>(element);
      SysFreeString(std::exchange(*slot, copy));
      return S_OK;
    }
    case VT_DISPATCH:
    case VT_UNKNOWN: {
      IUnknown* src = static_cast<IUnknown*>(const_cast<void*>(pv));
      if (src) src->AddRef();
      IUnknown** slot = reinterpret_cast<IUnknown**>(element);
      if (IUnknown* old = std::exchange(*slot, src)) old->Release();
      return S_OK;
    }
    case VT_VARIANT:
      if (!pv) return E_INVALIDARG;
      return VariantCopy(reinterpret_cast<VARIANT*>(element), static_cast<const VARIANT*>(pv));
    default:
      if (!pv) return E_INVALIDARG;
      std::memcpy(element, pv, psa->cbElements);
      return S_OK;
  }
}

HRESULT SafeArrayLock(SAFEARRAY* psa) {
  if (!psa) return E_INVALIDARG;
  if (psa->cLocks >= kMaxLocks) return E_UNEXPECTED;
  ++psa->cLocks;
  return S_OK;
}

HRESULT SafeArrayUnlock(SAFEARRAY* psa) {
  if (!psa) return E_INVALIDARG;
  if (psa->cLocks == 0) return E_UNEXPECTED;
  --psa->cLocks;
  return S_OK;
}

HRESULT SafeArrayAccessData(SAFEARRAY* psa, void** data) {
  if (!psa || !data) return E_INVALIDARG;
  HRESULT hr = SafeArrayLock(psa);
  if (FAILED(hr)) return hr;
  *data = psa->pvData;
  return S_OK;
}

HRESULT SafeArrayUnaccessData(SAFEARRAY* psa) { return SafeArrayUnlock(psa); }

}  // namespace vlm
