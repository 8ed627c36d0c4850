// A VectorItem that answers at once as a printer that does not answer: the
// main window gives it to the readers that follow a read that timed out on
// the printer (Printer_Reads), so that each reader takes its own failure
// path (the window keeps what it shows of the printer, the not-responding
// text is set) without a further time-out cycle.
//
// What a caller may rely on:
// - Nothing reaches a device or the network manager: every answer is made
//   here, at once.
// - GetRootHandle and GetHandle hand out handles 0..63 (the lowest free
//   one; -1 when all are open), CreateCustomGroup numbers above 2000;
//   ReleaseHandle and DeleteCustomGroup free them (anything else is
//   ignored, as the real object ignores it).
// - GetGroupValues reports the object's code (-11 or -12) in ErrorCode for
//   every handle; the value lists are empty (ScalarCount 0); the setters
//   report the code in nErrorCode; GetNumberOfInstances gives the code as
//   its result with a count of 0. Filters, advise rates and IDispatch are
//   not served (no filter is made; E_NOTIMPL).
// - One object is used from one thread at a time.
#pragma once

#include <bitset>
#include <new>
#include <set>

#include "mgmt/xlpnmif.h"
#include "platform/com/com.h"

namespace vlm::monitor {

class Silent_Vector_Item final : public ComObject<Silent_Vector_Item, IVectorItem> {
 public:
  explicit Silent_Vector_Item(LONG code) : code_(code) {}

  // Handles and custom groups handed out and not freed yet.
  std::size_t Open_Handles() const { return handles_.count(); }
  std::size_t Live_Groups() const { return groups_.size(); }

  HRESULT GetTypeInfoCount(UINT* count) override;
  HRESULT GetTypeInfo(UINT, LCID, ITypeInfo** info) override;
  HRESULT GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override;
  HRESULT Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override;

  HRESULT GetHandle(LONG ParentHandle, LONG VectorId, LONG VectorInstance, LONG* VectorHandle) override;
  HRESULT GetGroupValues(LONG VectorHandle, LONG GroupId, LONG RetrievalMode, LONG RetrievalMechanism,
                         LONG* ErrorCode) override;
  HRESULT GetCurrentIntegerValueList(LONG VectorHandle, VARIANT* ScalarIDList, VARIANT* ScalarValueList,
                                     VARIANT* ScalarDescrList, LONG* ScalarCount) override;
  HRESULT GetCurrentStringValueList(LONG VectorHandle, VARIANT* ScalarIDList, VARIANT* ScalarValueList,
                                    VARIANT* ScalarDescrList, LONG* ScalarCount) override;
  HRESULT GetRootHandle(LONG VectorId, LONG VectorInstance, LONG* VectorHandle) override;
  HRESULT GetNumberOfInstances(LONG ParentHandle, LONG VectorType, LONG* InstanceCount) override;
  HRESULT ReleaseHandle(LONG VectorHandle) override;
  HRESULT SetScalarIntegerValue(LONG VectorHandle, LONG ScalarID, LONG ScalarValue, LONG* nErrorCode) override;
  HRESULT SetAdviseRate(LONG Rate, LONG Precision) override;
  HRESULT SetScalarStringValue(LONG VectorHandle, LONG ScalarID, BSTR ScalarValue, LONG* nErrorCode) override;
  HRESULT CreateFilter(LONG ScalarCountID, LONG VectorId, LONG* FilterHandle) override;
  HRESULT AddConditionToFilter(LONG FilterHandle, LONG ScalarID, VARIANT Value, LONG Condition) override;
  HRESULT RemoveFilter(LONG FilterHandle) override;
  HRESULT CreateCustomGroup(VARIANT ScalarIDList, LONG* GroupHandle) override;
  HRESULT DeleteCustomGroup(LONG GroupHandle) override;

 private:
  HRESULT Open(LONG* handle);
  static HRESULT No_List(LONG* count);

  LONG code_;
  std::bitset<64> handles_;
  std::set<LONG> groups_;
  LONG next_group_ = xlpnmif::kCustomGroupBase + 1;
};

}  // namespace vlm::monitor
