// The management interface XLPNMIF: the automation class VectorItem and its
// dual interface IVectorItem, through which the monitor discovers devices,
// opens handles on devices, engines and their tables, and reads and writes
// their values.
//
// What a caller may rely on:
// - The class CLSID_VectorItem ("XLPNMIF.VectorItem", versioned
//   "XLPNMIF.VectorItem.1") is served in process by libXLPNMIF.so once that
//   library has registered itself. Its objects answer IUnknown, IDispatch,
//   IVectorItem and IConnectionPointContainer (one connection point, for
//   DIID__IVectorItemEvents). Creation fails (and nothing is left behind)
//   when the network manager's class or the discovery manager cannot be had.
// - IVectorItem is dual: early-bound callers call the methods below in slot
//   order; late-bound callers reach the same methods through
//   IDispatch::Invoke with DISPIDs 1-15 (or their names, case-insensitively).
// - Every method returns S_OK and reports failures in its out parameters (a
//   handle of -1, an error code), except GetNumberOfInstances, whose result
//   is the network manager's count result (0 or a negative code), and a null
//   out pointer, which gives E_POINTER. No C++ exception leaves a method.
// - Handles are 0-63, -1 meaning none; a handle stays valid until
//   ReleaseHandle or the object's end. Releasing -1, a number outside 0-63 or
//   a handle that is not open does nothing.
// - Device numbers (instances of 5002/5004) are 0 .. count-1 of the latest
//   discovery run of that kind on the same object (at most 64 devices).
// - Value lists are written into the caller's arrays (ids and values
//   VT_ARRAY|VT_I4 or, for texts, VT_ARRAY|VT_BSTR; descriptions
//   VT_ARRAY|VT_BSTR; directly in the VARIANT or by reference) from index 0
//   up, as far as all of them have room; ScalarCount is the number of
//   entries written. When any of the three holds another type, nothing is
//   written and ScalarCount keeps its value.
// - Texts cross as UTF-8 bytes of at most 255 characters towards the network
//   manager and as BSTRs towards the client.
// - One object is used from one thread at a time; several objects may be
//   used from several threads (discovery runs are serialised process-wide).
// - Events of _IVectorItemEvents (XferIntegerValues, DISPID 1, and
//   XferStringValues, DISPID 2, with VT_I4 arguments) come on the thread
//   that created the object, from its Qt event loop: for the groups advised
//   with RetrievalMechanism 2 at each tick of the advise timer, and 50 ms
//   after a notification from an installed printer that has an open handle.
//   A sink may call the object, release handles or drop its last reference
//   from inside an event; after the object's end no event comes.
// - A filter (CreateFilter) replaces a count scalar in the value lists by
//   the number of counted instances that pass its conditions; GetHandle and
//   GetRootHandle then take the surviving numbers and open the real
//   instances. A filter that cannot test every instance leaves the count
//   as it is.
#pragma once

#include <cstdint>

#include "platform/com/com.h"

namespace vlm {

inline constexpr CLSID CLSID_VectorItem = GuidLiteral("{C913AE2D-88C4-11D2-9D17-004033A508EE}");
inline constexpr IID IID_IVectorItem = GuidLiteral("{C913AE2C-88C4-11D2-9D17-004033A508EE}");
inline constexpr IID DIID__IVectorItemEvents =
    GuidLiteral("{C913AE2E-88C4-11D2-9D17-004033A508EE}");
inline constexpr GUID LIBID_XLPNMIFLib = GuidLiteral("{C913AE20-88C4-11D2-9D17-004033A508EE}");
inline constexpr const char* kVectorItemProgId = "XLPNMIF.VectorItem.1";
inline constexpr const char* kVectorItemIndependentProgId = "XLPNMIF.VectorItem";

struct IVectorItem : IDispatch {
  static constexpr IID kIid = IID_IVectorItem;
  using BaseInterface = IDispatch;

  virtual HRESULT GetHandle(LONG ParentHandle, LONG VectorId, LONG VectorInstance,
                            LONG* VectorHandle) = 0;
  virtual HRESULT GetGroupValues(LONG VectorHandle, LONG GroupId, LONG RetrievalMode,
                                 LONG RetrievalMechanism, LONG* ErrorCode) = 0;
  virtual HRESULT GetCurrentIntegerValueList(LONG VectorHandle, VARIANT* ScalarIDList,
                                             VARIANT* ScalarValueList, VARIANT* ScalarDescrList,
                                             LONG* ScalarCount) = 0;
  virtual HRESULT GetCurrentStringValueList(LONG VectorHandle, VARIANT* ScalarIDList,
                                            VARIANT* ScalarValueList, VARIANT* ScalarDescrList,
                                            LONG* ScalarCount) = 0;
  virtual HRESULT GetRootHandle(LONG VectorId, LONG VectorInstance, LONG* VectorHandle) = 0;
  virtual HRESULT GetNumberOfInstances(LONG ParentHandle, LONG VectorType,
                                       LONG* InstanceCount) = 0;
  virtual HRESULT ReleaseHandle(LONG VectorHandle) = 0;
  virtual HRESULT SetScalarIntegerValue(LONG VectorHandle, LONG ScalarID, LONG ScalarValue,
                                        LONG* nErrorCode) = 0;
  virtual HRESULT SetAdviseRate(LONG Rate, LONG Precision) = 0;
  virtual HRESULT SetScalarStringValue(LONG VectorHandle, LONG ScalarID, BSTR ScalarValue,
                                       LONG* nErrorCode) = 0;
  virtual HRESULT CreateFilter(LONG ScalarCountID, LONG VectorId, LONG* FilterHandle) = 0;
  virtual HRESULT AddConditionToFilter(LONG FilterHandle, LONG ScalarID, VARIANT Value,
                                       LONG Condition) = 0;
  virtual HRESULT RemoveFilter(LONG FilterHandle) = 0;
  virtual HRESULT CreateCustomGroup(VARIANT ScalarIDList, LONG* GroupHandle) = 0;
  virtual HRESULT DeleteCustomGroup(LONG GroupHandle) = 0;

 protected:
  ~IVectorItem() = default;
};

// DISPIDs of IVectorItem (slot position + 1) and of _IVectorItemEvents.
enum : DISPID {
  DISPID_GetHandle = 1,
  DISPID_GetGroupValues = 2,
  DISPID_GetCurrentIntegerValueList = 3,
  DISPID_GetCurrentStringValueList = 4,
  DISPID_GetRootHandle = 5,
  DISPID_GetNumberOfInstances = 6,
  DISPID_ReleaseHandle = 7,
  DISPID_SetScalarIntegerValue = 8,
  DISPID_SetAdviseRate = 9,
  DISPID_SetScalarStringValue = 10,
  DISPID_CreateFilter = 11,
  DISPID_AddConditionToFilter = 12,
  DISPID_RemoveFilter = 13,
  DISPID_CreateCustomGroup = 14,
  DISPID_DeleteCustomGroup = 15,
  DISPID_XferIntegerValues = 1,
  DISPID_XferStringValues = 2,
};

// The identifiers that VectorItem answers itself; every other vector, scalar
// and group belongs to the network manager.
namespace xlpnmif {

enum : LONG {
  // vectors
  kInstalledPrinters = 5001,
  kInstalledPrinter = 5002,
  kOtherDevices = 5003,
  kOtherDevice = 5004,
  kPrintJobs = 7001,
  kPrintJob = 7003,
  // device scalars, set from discovery
  kDeviceAddress = 6001,
  kDeviceProductName = 6002,
  kDeviceIsTandem = 6003,
  kDeviceCount = 6004,
  kDeviceSpoolerName = 6005,
  kDeviceGeneralStatus = 6006,
  kDeviceLocation = 6007,
  kDeviceIsIp = 6008,
  kDeviceInstalledState = 6009,
  // job scalars
  kJobCount = 7002,
  kJobUserName = 7004,
  kJobDocument = 7005,
  kJobStatus = 7006,
  kJobPriority = 7008,
  kJobPosition = 7009,
  kJobTotalPages = 7010,
  kJobPagesPrinted = 7012,
  // groups
  kDeviceGroup = 1026,
  kJobListGroup = 1029,
  kJobGroup = 1030,
  kInstalledCountGroup = 1039,
  kOtherCountGroup = 1040,
  // custom groups are numbered above this
  kCustomGroupBase = 2000,
};

// RetrievalMode and RetrievalMechanism of GetGroupValues.
enum : LONG {
  kModeRead = 0,
  kModeCached = 1,
  kMechanismReadNow = 0,
  kMechanismAdvise = 2,
  kMechanismUnadvise = 3,
};

// ErrorCode of a job handle whose position is at or past the end of the list.
inline constexpr LONG kErrJobPastEnd = 101;

}  // namespace xlpnmif
}  // namespace vlm
