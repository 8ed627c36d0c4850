// The VectorItem object: construction, the handle table, root and child
// handles, instance counts, and the automation surface.
#include "mgmt/vector_item.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "mgmt/named_objects.h"

namespace vlm::mgmt {

using namespace xlpnmif;

std::int32_t OwnScalarKind(std::int32_t id) {
  switch (id) {
    case kDeviceAddress:
    case kDeviceProductName:
    case kDeviceSpoolerName:
    case kDeviceLocation:
    case kJobUserName:
    case kJobDocument:
    case kJobStatus:
      return kKindText;
    case kDeviceIsTandem:
    case kDeviceCount:
    case kDeviceGeneralStatus:
    case kDeviceIsIp:
    case kDeviceInstalledState:
    case kJobCount:
    case kJobPriority:
    case kJobPosition:
    case kJobTotalPages:
    case kJobPagesPrinted:
      return kKindInteger;
    default:
      return -1;
  }
}

// ---------------------------------------------------------------------------
// Construction

VectorItem::VectorItem(Environment env)
    : env_(std::move(env)), events_(this, DIID__IVectorItemEvents), jobs_(new NullJobReader),
      jobRecords_(kHandleCount) {
  deviceNodes_.fill(-1);
  std::memset(jobRecords_.data(), 0, jobRecords_.size() * sizeof(JobRecord));
}

HRESULT VectorItem::Initialize() {
  HRESULT hr = CoInitialize(nullptr);
  if (FAILED(hr)) return hr;
  comInitialized_ = true;

  ComPtr<IUnknown> unknown;
  hr = CoCreateInstance(CLSID_VlmNetMgr, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown,
                        reinterpret_cast<void**>(unknown.ReleaseAndGetAddressOf()));
  if (FAILED(hr)) return hr;
  hr = unknown.As(&netmgr_);
  if (FAILED(hr)) return hr;

  if (!ProcessNamedObjects().Complete()) return E_HANDLE;

  if (env_.makeDiscoveryManager) discovery_ = env_.makeDiscoveryManager();
  if (!discovery_) return E_FAIL;

  if (env_.makeTimerHost)
    timers_ = env_.makeTimerHost([this](std::int32_t timerId) { OnAdviseTimer(timerId); });
  if (!timers_) timers_ = std::make_unique<InertTimerHost>();
  StartNotifications();
  return S_OK;
}

VectorItem::~VectorItem() {
  // Notifications stop first, then the timers, so that nothing reaches this
  // object half destroyed; the network manager goes after them.
  StopNotifications();
  timers_.reset();
  netmgr_ = nullptr;
  if (discovery_ && env_.freeDiscoveryManager) env_.freeDiscoveryManager(discovery_);
  discovery_ = nullptr;
  if (comInitialized_) CoUninitialize();
}

HRESULT CreateVectorItem(const Environment& env, REFIID iid, void** object) noexcept {
  if (!object) return E_POINTER;
  *object = nullptr;
  ComPtr<VectorItem> item = MakeComObject<VectorItem>(env);
  if (!item) return E_OUTOFMEMORY;
  HRESULT hr;
  try {
    hr = item->Initialize();
  } catch (...) {
    hr = E_OUTOFMEMORY;
  }
  if (FAILED(hr)) return hr;
  return item->QueryInterface(iid, object);
}

HRESULT VectorItemFactory::CreateInstance(IUnknown* outer, REFIID iid, void** object) {
  if (!object) return E_POINTER;
  *object = nullptr;
  if (outer) return CLASS_E_NOAGGREGATION;
  return CreateVectorItem(env_, iid, object);
}

HRESULT VectorItemFactory::LockServer(BOOL lock) {
  com::ModuleLock(lock != 0);
  return S_OK;
}

// ---------------------------------------------------------------------------
// The handle table

std::int32_t VectorItem::AllocateHandle() {
  for (std::int32_t h = 0; h < kHandleCount; ++h) {
    HandleEntry& e = handles_[static_cast<std::size_t>(h)];
    if (e.value != -1) continue;
    e.kind = 0;
    e.mode = 0;
    e.node = -1;
    e.readFailed = false;
    return h;
  }
  return -1;
}

const VectorItem::HandleEntry* VectorItem::Live(std::int32_t handle) const {
  if (handle < 0 || handle >= kHandleCount) return nullptr;
  const HandleEntry& e = handles_[static_cast<std::size_t>(handle)];
  return e.value == -1 ? nullptr : &e;
}

void VectorItem::Take(std::int32_t handle, std::int32_t kind, std::int32_t value,
                      std::int32_t node) {
  HandleEntry& e = handles_[static_cast<std::size_t>(handle)];
  e.kind = kind;
  e.value = value;
  e.node = node;
}

bool VectorItem::EntryInUse(std::int32_t entry) const {
  for (const HandleEntry& h : handles_) {
    if (h.value != -1 && h.node == entry) return true;
  }
  return std::find(deviceNodes_.begin(), deviceNodes_.end(), entry) != deviceNodes_.end();
}

std::int32_t VectorItem::OpenNode(std::int32_t vectorId, std::int32_t vectorInstance,
                                  std::int32_t parentEntry, VectorNode* parentNode) {
  return nodes_.Open(tree_, vectorId, vectorInstance, parentEntry, parentNode,
                     [this](std::int32_t e) { return EntryInUse(e); });
}

bool VectorItem::RefreshJobs(bool keepCount) {
  std::int32_t count = 0;
  if (!jobs_->RefreshJobList(&count)) return false;
  if (keepCount) jobCount_ = count;
  return true;
}

// Opens the network manager's handle of vectorId (at the root for vector 0
// and under a device, else under the parent's handle) and the node that
// caches it; the handle's number, or -1 with nothing left open.
std::int32_t VectorItem::OpenNetMgrHandle(std::int32_t handle, std::int32_t vectorId,
                                          std::int32_t netInstance, std::int32_t nodeInstance,
                                          const HandleEntry* parent) {
  std::int32_t v = -1;
  std::int32_t result;
  if (!parent || vectorId == 0 || parent->kind == kHandleDevice)
    result = netmgr_->OpenRootHandle(vectorId, netInstance, &v);
  else
    result = netmgr_->OpenChildHandle(parent->value, vectorId, netInstance, &v);
  if (result != 0 || v < 0) return -1;

  std::int32_t parentEntry = parent ? parent->node : -1;
  VectorNode* parentNode = parent && vectorId != 0 ? nodes_.NodeOf(parent->node) : nullptr;
  std::int32_t entry = OpenNode(vectorId, nodeInstance, parentEntry, parentNode);
  if (entry < 0) {
    netmgr_->FreeHandle(v);
    return -1;
  }
  Take(handle, kHandleNetMgr, v, entry);
  return handle;
}

HRESULT VectorItem::GetRootHandle(LONG VectorId, LONG VectorInstance, LONG* VectorHandle) {
  if (!VectorHandle) return E_POINTER;
  *VectorHandle = -1;
  try {
    std::int32_t instance = VectorInstance;
    if (VectorId == kInstalledPrinter)
      instance = FilteredInstance(installedRootHandle_, VectorId, VectorInstance);
    else if (VectorId == kOtherDevice)
      instance = FilteredInstance(otherRootHandle_, VectorId, VectorInstance);
    std::int32_t h = AllocateHandle();
    if (h < 0) return S_OK;
    switch (VectorId) {
      case kInstalledPrinters:
      case kOtherDevices:
        *VectorHandle = RunDiscovery(h, VectorId == kInstalledPrinters);
        break;
      case kInstalledPrinter:
      case kOtherDevice:
        *VectorHandle = OpenDevice(h, VectorId == kInstalledPrinter, instance);
        break;
      case kPrintJobs:
        RefreshJobs(false);
        Take(h, kHandleJobs, kJobListValue, -1);
        *VectorHandle = h;
        break;
      default:
        // Only the network manager's vectors go to it.
        if (IsNetMgrVector(VectorId))
          *VectorHandle = OpenNetMgrHandle(h, VectorId, instance, instance, nullptr);
        break;
    }
    return S_OK;
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  }
}

HRESULT VectorItem::GetHandle(LONG ParentHandle, LONG VectorId, LONG VectorInstance,
                              LONG* VectorHandle) {
  if (!VectorHandle) return E_POINTER;
  *VectorHandle = -1;
  try {
    const HandleEntry* found = Live(ParentHandle);
    // Nothing is opened below a discovery root: devices open by number.
    if (!found || found->kind == kHandleDiscoveryRoot) return S_OK;
    const HandleEntry parent = *found;
    std::int32_t real = FilteredInstance(ParentHandle, VectorId, VectorInstance);
    std::int32_t h = AllocateHandle();
    if (h < 0) return S_OK;

    if (VectorId == kPrintJob) {
      RefreshJobs(true);
      if (VectorInstance >= 0 && VectorInstance < jobCount_) {
        Take(h, kHandleJobs, VectorInstance, -1);
        // A new job handle never shows the job of the handle before it.
        std::memset(&jobRecords_[static_cast<std::size_t>(h)], 0, sizeof(JobRecord));
        *VectorHandle = h;
      }
      return S_OK;
    }
    // Below a job handle there is nothing of the network manager's, and
    // only its own vectors are sent to it.
    if (parent.kind == kHandleJobs || !IsNetMgrVector(VectorId)) return S_OK;
    // The node caches what is read: the real instance's values.
    *VectorHandle = OpenNetMgrHandle(h, VectorId, real, real, &parent);
    return S_OK;
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  }
}

HRESULT VectorItem::GetNumberOfInstances(LONG ParentHandle, LONG VectorType,
                                         LONG* InstanceCount) {
  if (!InstanceCount) return E_POINTER;
  *InstanceCount = 0;
  if (!IsNetMgrVector(VectorType)) return netmgr::kErrCall;
  if (ParentHandle == 0) return netmgr_->GetRootInstanceCount(VectorType, InstanceCount);
  const HandleEntry* parent = Live(ParentHandle);
  if (!parent) return netmgr::kErrCall;
  if (parent->kind == kHandleDevice)
    return netmgr_->GetRootInstanceCount(VectorType, InstanceCount);
  if (parent->kind == kHandleNetMgr)
    return netmgr_->GetInstanceCount(parent->value, VectorType, InstanceCount);
  return netmgr::kErrCall;
}

HRESULT VectorItem::ReleaseHandle(LONG VectorHandle) {
  if (!Live(VectorHandle)) return S_OK;
  HandleEntry& e = handles_[static_cast<std::size_t>(VectorHandle)];
  if (e.kind == kHandleNetMgr) {
    NamedLock lock(ProcessNamedObjects().timerMutex);
    netmgr_->FreeHandle(e.value);
  }
  e.value = -1;
  ClearAdvise(VectorHandle);
  filtered_[static_cast<std::size_t>(VectorHandle)].reset();
  if (installedRootHandle_ == VectorHandle) installedRootHandle_ = -1;
  if (otherRootHandle_ == VectorHandle) otherRootHandle_ = -1;
  return S_OK;
}

HRESULT VectorItem::EnumConnectionPoints(IEnumConnectionPoints** points) {
  if (points) *points = nullptr;
  return E_NOTIMPL;
}

HRESULT VectorItem::FindConnectionPoint(REFIID iid, IConnectionPoint** point) {
  return events_.Find(iid, point);
}

VectorItem::Occupancy VectorItem::OccupancyForTests() const {
  Occupancy o{};
  for (const HandleEntry& h : handles_) o.openHandles += h.value != -1 ? 1 : 0;
  o.nodeCounter = nodes_.counter();
  o.treeNodes = tree_.NodeCount();
  o.customGroups = customGroups_.size();
  return o;
}

// ---------------------------------------------------------------------------
// The automation surface

const DispatchTable<VectorItem>& VectorItem::DispatchMembers() {
  constexpr VARTYPE I4 = VT_I4;
  constexpr VARTYPE I4Ref = VT_BYREF | VT_I4;
  constexpr VARTYPE VarRef = VT_BYREF | VT_VARIANT;
  static const DispatchTable<VectorItem> table = {
      {"GetHandle", DISPID_GetHandle, {I4, I4, I4, I4Ref},
       [](VectorItem& s, DispArgs& a) { return s.GetHandle(a.I4(0), a.I4(1), a.I4(2), a.I4Ref(3)); }},
      {"GetGroupValues", DISPID_GetGroupValues, {I4, I4, I4, I4, I4Ref},
       [](VectorItem& s, DispArgs& a) {
         return s.GetGroupValues(a.I4(0), a.I4(1), a.I4(2), a.I4(3), a.I4Ref(4));
       }},
      {"GetCurrentIntegerValueList", DISPID_GetCurrentIntegerValueList,
       {I4, VarRef, VarRef, VarRef, I4Ref},
       [](VectorItem& s, DispArgs& a) {
         return s.GetCurrentIntegerValueList(a.I4(0), a.VariantRef(1), a.VariantRef(2),
                                             a.VariantRef(3), a.I4Ref(4));
       }},
      {"GetCurrentStringValueList", DISPID_GetCurrentStringValueList,
       {I4, VarRef, VarRef, VarRef, I4Ref},
       [](VectorItem& s, DispArgs& a) {
         return s.GetCurrentStringValueList(a.I4(0), a.VariantRef(1), a.VariantRef(2),
                                            a.VariantRef(3), a.I4Ref(4));
       }},
      {"GetRootHandle", DISPID_GetRootHandle, {I4, I4, I4Ref},
       [](VectorItem& s, DispArgs& a) { return s.GetRootHandle(a.I4(0), a.I4(1), a.I4Ref(2)); }},
      {"GetNumberOfInstances", DISPID_GetNumberOfInstances, {I4, I4, I4Ref},
       [](VectorItem& s, DispArgs& a) {
         return s.GetNumberOfInstances(a.I4(0), a.I4(1), a.I4Ref(2));
       }},
      {"ReleaseHandle", DISPID_ReleaseHandle, {I4},
       [](VectorItem& s, DispArgs& a) { return s.ReleaseHandle(a.I4(0)); }},
      {"SetScalarIntegerValue", DISPID_SetScalarIntegerValue, {I4, I4, I4, I4Ref},
       [](VectorItem& s, DispArgs& a) {
         return s.SetScalarIntegerValue(a.I4(0), a.I4(1), a.I4(2), a.I4Ref(3));
       }},
      {"SetAdviseRate", DISPID_SetAdviseRate, {I4, I4},
       [](VectorItem& s, DispArgs& a) { return s.SetAdviseRate(a.I4(0), a.I4(1)); }},
      {"SetScalarStringValue", DISPID_SetScalarStringValue, {I4, I4, VT_BSTR, I4Ref},
       [](VectorItem& s, DispArgs& a) {
         return s.SetScalarStringValue(a.I4(0), a.I4(1), a.Bstr(2), a.I4Ref(3));
       }},
      {"CreateFilter", DISPID_CreateFilter, {I4, I4, I4Ref},
       [](VectorItem& s, DispArgs& a) { return s.CreateFilter(a.I4(0), a.I4(1), a.I4Ref(2)); }},
      {"AddConditionToFilter", DISPID_AddConditionToFilter, {I4, I4, VT_VARIANT, I4},
       [](VectorItem& s, DispArgs& a) {
         return s.AddConditionToFilter(a.I4(0), a.I4(1), a[2], a.I4(3));
       }},
      {"RemoveFilter", DISPID_RemoveFilter, {I4},
       [](VectorItem& s, DispArgs& a) { return s.RemoveFilter(a.I4(0)); }},
      {"CreateCustomGroup", DISPID_CreateCustomGroup, {VT_VARIANT, I4Ref},
       [](VectorItem& s, DispArgs& a) { return s.CreateCustomGroup(a[0], a.I4Ref(1)); }},
      {"DeleteCustomGroup", DISPID_DeleteCustomGroup, {I4},
       [](VectorItem& s, DispArgs& a) { return s.DeleteCustomGroup(a.I4(0)); }},
  };
  return table;
}

}  // namespace vlm::mgmt
