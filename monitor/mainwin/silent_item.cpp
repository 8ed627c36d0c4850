// The VectorItem that answers as a printer that does not answer.
#include "monitor/mainwin/silent_item.h"

namespace vlm::monitor {

HRESULT Silent_Vector_Item::GetTypeInfoCount(UINT* count) {
  if (!count) return E_POINTER;
  *count = 0;
  return S_OK;
}
HRESULT Silent_Vector_Item::GetTypeInfo(UINT, LCID, ITypeInfo** info) {
  if (info) *info = nullptr;
  return E_NOTIMPL;
}
HRESULT Silent_Vector_Item::GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) { return E_NOTIMPL; }
HRESULT Silent_Vector_Item::Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) {
  return E_NOTIMPL;
}

HRESULT Silent_Vector_Item::Open(LONG* handle) {
  if (!handle) return E_POINTER;
  *handle = -1;
  for (std::size_t h = 0; h < handles_.size(); ++h) {
    if (handles_[h]) continue;
    handles_[h] = true;
    *handle = static_cast<LONG>(h);
    break;
  }
  return S_OK;
}

HRESULT Silent_Vector_Item::No_List(LONG* count) {
  if (!count) return E_POINTER;
  *count = 0;
  return S_OK;
}

HRESULT Silent_Vector_Item::GetHandle(LONG, LONG, LONG, LONG* VectorHandle) { return Open(VectorHandle); }

HRESULT Silent_Vector_Item::GetRootHandle(LONG, LONG, LONG* VectorHandle) { return Open(VectorHandle); }

HRESULT Silent_Vector_Item::GetGroupValues(LONG, LONG, LONG, LONG, LONG* ErrorCode) {
  if (!ErrorCode) return E_POINTER;
  *ErrorCode = code_;
  return S_OK;
}

HRESULT Silent_Vector_Item::GetCurrentIntegerValueList(LONG, VARIANT*, VARIANT*, VARIANT*, LONG* ScalarCount) {
  return No_List(ScalarCount);
}

HRESULT Silent_Vector_Item::GetCurrentStringValueList(LONG, VARIANT*, VARIANT*, VARIANT*, LONG* ScalarCount) {
  return No_List(ScalarCount);
}

HRESULT Silent_Vector_Item::GetNumberOfInstances(LONG, LONG, LONG* InstanceCount) {
  if (!InstanceCount) return E_POINTER;
  *InstanceCount = 0;
  return code_;
}

HRESULT Silent_Vector_Item::ReleaseHandle(LONG VectorHandle) {
  if (VectorHandle >= 0 && VectorHandle < static_cast<LONG>(handles_.size()))
    handles_[static_cast<std::size_t>(VectorHandle)] = false;
  return S_OK;
}

HRESULT Silent_Vector_Item::SetScalarIntegerValue(LONG, LONG, LONG, LONG* nErrorCode) {
  if (!nErrorCode) return E_POINTER;
  *nErrorCode = code_;
  return S_OK;
}

HRESULT Silent_Vector_Item::SetAdviseRate(LONG, LONG) { return S_OK; }

HRESULT Silent_Vector_Item::SetScalarStringValue(LONG, LONG, BSTR, LONG* nErrorCode) {
  if (!nErrorCode) return E_POINTER;
  *nErrorCode = code_;
  return S_OK;
}

HRESULT Silent_Vector_Item::CreateFilter(LONG, LONG, LONG* FilterHandle) {
  if (!FilterHandle) return E_POINTER;
  *FilterHandle = -1;
  return S_OK;
}

HRESULT Silent_Vector_Item::AddConditionToFilter(LONG, LONG, VARIANT, LONG) { return S_OK; }

HRESULT Silent_Vector_Item::RemoveFilter(LONG) { return S_OK; }

HRESULT Silent_Vector_Item::CreateCustomGroup(VARIANT, LONG* GroupHandle) {
  if (!GroupHandle) return E_POINTER;
  try {
    groups_.insert(next_group_);
  } catch (const std::bad_alloc&) {
    *GroupHandle = -1;
    return E_OUTOFMEMORY;
  }
  *GroupHandle = next_group_++;
  return S_OK;
}

HRESULT Silent_Vector_Item::DeleteCustomGroup(LONG GroupHandle) {
  groups_.erase(GroupHandle);
  return S_OK;
}

}  // namespace vlm::monitor
