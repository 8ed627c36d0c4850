// Group reads, the value lists, custom groups and writes.
#include <algorithm>
#include <bitset>
#include <cstring>
#include <limits>
#include <new>
#include <span>
#include <utility>

#include "mgmt/vector_item.h"

namespace vlm::mgmt {

using namespace xlpnmif;

namespace {

// The array a VARIANT holds (directly, by reference, or through a variant
// reference) when its elements are of type `element`; typeOk tells whether
// the VARIANT is such an array at all (a null array is one without room).
SAFEARRAY* ArrayOf(const VARIANT* v, VARTYPE element, bool* typeOk) {
  *typeOk = false;
  if (!v) return nullptr;
  if (v->vt == (VT_BYREF | VT_VARIANT)) v = v->pvarVal;
  if (!v) return nullptr;
  if (v->vt == (VT_ARRAY | element)) {
    *typeOk = true;
    return v->parray;
  }
  if (v->vt == (VT_BYREF | VT_ARRAY | element)) {
    *typeOk = true;
    return v->pparray ? *v->pparray : nullptr;
  }
  return nullptr;
}

// How many entries fit from index 0 up.
LONG RoomFromZero(SAFEARRAY* psa) {
  if (!psa || SafeArrayGetDim(psa) != 1) return 0;
  LONG lower = 0, upper = -1;
  if (FAILED(SafeArrayGetLBound(psa, 1, &lower)) || FAILED(SafeArrayGetUBound(psa, 1, &upper)))
    return 0;
  if (lower > 0 || upper < 0) return 0;
  return upper + 1;
}

// True when `slot` already holds `text` (ASCII only): a caller that reads
// into the same arrays again mostly gets the same texts, and an element that
// holds them is left as it is.
bool Holds(BSTR slot, std::string_view text) {
  if (!slot || SysStringLen(slot) != text.size()) return false;
  // No early exit: the loop compares many characters at a time.
  const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
  unsigned differs = 0, high = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    differs |= static_cast<unsigned>(bytes[i] ^ slot[i]);
    high |= bytes[i];
  }
  return differs == 0 && high < 0x80;
}

// The text is made straight into the element (no second copy).
void StoreText(BSTR& slot, std::string_view text) {
  if (Holds(slot, text)) return;
  BSTR b = BstrFromUtf8(text);
  if (!b) throw std::bad_alloc();
  SysFreeString(std::exchange(slot, b));
}

// Writes the elements of one list array. An array of one dimension whose
// elements are of the expected type is written through its data (held
// accessed while the writer lives); any other goes element by element
// through the array functions, which refuse what does not fit.
class ListArray {
 public:
  ListArray(SAFEARRAY* psa, VARTYPE expected) : psa_(psa), expected_(expected) {
    VARTYPE vt = VT_EMPTY;
    void* data = nullptr;
    if (psa && SafeArrayGetDim(psa) == 1 && SUCCEEDED(SafeArrayGetVartype(psa, &vt)) && vt == expected &&
        SafeArrayGetElemsize(psa) == (expected == VT_BSTR ? sizeof(BSTR) : sizeof(LONG)) &&
        SUCCEEDED(SafeArrayGetLBound(psa, 1, &lower_)) && SUCCEEDED(SafeArrayAccessData(psa, &data)))
      data_ = static_cast<char*>(data);
  }
  ~ListArray() {
    if (data_) SafeArrayUnaccessData(psa_);
  }
  ListArray(const ListArray&) = delete;
  ListArray& operator=(const ListArray&) = delete;

  // `index` lies within the array's bounds (the callers check the room).
  void PutInteger(LONG index, std::int32_t value) {
    if (data_) {
      reinterpret_cast<LONG*>(data_)[index - lower_] = value;
      return;
    }
    SafeArrayPutElement(psa_, &index, &value);
  }
  void PutText(LONG index, std::string_view text) {
    if (data_) {
      StoreText(reinterpret_cast<BSTR*>(data_)[index - lower_], text);
      return;
    }
    VARTYPE vt = VT_EMPTY;
    void* element = nullptr;
    if (expected_ != VT_BSTR || FAILED(SafeArrayGetVartype(psa_, &vt)) || vt != VT_BSTR ||
        FAILED(SafeArrayPtrOfIndex(psa_, &index, &element)))
      return;
    StoreText(*static_cast<BSTR*>(element), text);
  }

 private:
  SAFEARRAY* psa_;
  VARTYPE expected_;
  char* data_ = nullptr;
  LONG lower_ = 0;
};

std::string Bounded(const char* text, std::size_t size) {
  return std::string(text, strnlen(text, size));
}

bool Contains(std::span<const std::int32_t> ids, std::int32_t id) {
  return std::find(ids.begin(), ids.end(), id) != ids.end();
}

bool InDeviceBand(std::int32_t id) { return id >= 6001 && id <= 6100; }

}  // namespace

std::vector<std::int32_t> VectorItem::GroupIds::All() const {
  if (custom) return integers;
  std::vector<std::int32_t> all = integers;
  all.insert(all.end(), texts.begin(), texts.end());
  return all;
}

const VectorItem::CustomGroup* VectorItem::FindCustomGroup(std::int32_t groupHandle) const {
  for (const CustomGroup& g : customGroups_) {
    if (g.identity + kCustomGroupBase == groupHandle) return &g;
  }
  return nullptr;
}

VectorItem::GroupIds VectorItem::IdsOf(std::int32_t groupId) {
  GroupIds g;
  if (groupId > kCustomGroupBase) {
    g.custom = true;
    if (const CustomGroup* c = FindCustomGroup(groupId)) g.integers = g.texts = c->ids;
    return g;
  }
  switch (groupId) {
    case kDeviceGroup:
      g.integers = {kDeviceIsTandem, kDeviceGeneralStatus, kDeviceIsIp, kDeviceInstalledState};
      g.texts = {kDeviceAddress, kDeviceProductName, kDeviceLocation, kDeviceSpoolerName};
      return g;
    case kJobListGroup:
      g.integers = {kJobCount};
      return g;
    case kJobGroup:
      g.integers = {kJobPosition, kJobPagesPrinted, kJobPriority, kJobTotalPages};
      g.texts = {kJobStatus, kJobUserName, kJobDocument};
      return g;
    case kInstalledCountGroup:
    case kOtherCountGroup:
      g.integers = {kDeviceCount};
      return g;
    default:
      break;
  }
  // One of the network manager's groups, freed as soon as its ids are read.
  std::int32_t group = -1;
  if (netmgr_->CreateGroup(groupId, &group) != 0 || group < 0) return g;
  for (std::int32_t kind : {0, 1}) {
    std::int32_t n = 0;
    if (netmgr_->GetGroupScalarCount(group, kind, &n) != 0 || n <= 0) continue;
    std::vector<std::int32_t> ids(static_cast<std::size_t>(std::min(n, 256)));
    if (n > 256 || netmgr_->GetGroupScalarIds(group, kind, ids.data()) != 0) continue;
    (kind == 0 ? g.integers : g.texts) = std::move(ids);
  }
  netmgr_->FreeGroup(group);
  return g;
}

// Reads a group on a network-manager handle; with `cached`, a group whose
// every scalar holds an integer value in the node is answered from there.
std::int32_t VectorItem::ReadNetMgrGroup(HandleEntry& h, std::int32_t groupId, bool cached,
                                         bool* hit) {
  *hit = false;
  VectorNode* node = nodes_.NodeOf(h.node);
  netmgr_->ClearScalars(h.value);
  // A custom group's ids are read where they are kept; other groups' ids
  // are made here.
  const CustomGroup* custom = groupId > kCustomGroupBase ? FindCustomGroup(groupId) : nullptr;
  const GroupIds group = custom ? GroupIds{{}, {}, true} : IdsOf(groupId);
  const std::vector<std::int32_t> made = custom ? std::vector<std::int32_t>{} : group.All();
  const std::vector<std::int32_t>& ids = custom ? custom->ids : made;
  if (cached && !ids.empty() &&
      std::all_of(ids.begin(), ids.end(),
                  [node](std::int32_t id) { return VectorTree::IsCached(node, id, kKindInteger); })) {
    *hit = true;
    return 0;
  }

  // Own and unknown identifiers stay here.
  std::vector<std::int32_t>& send = sendIds_;
  send.clear();
  for (std::int32_t id : ids) {
    if (IsNetMgrScalar(id)) send.push_back(id);
  }
  std::int32_t error = 0;
  bool added = false;
  if (!send.empty()) {
    error = netmgr_->AddScalars(h.value, send.data(), static_cast<std::int32_t>(send.size()));
    added = error == 0;
    if (added) error = netmgr_->GetValues(h.value);
  }
  h.readFailed = error != 0;

  // Every scalar is registered by the kind its value comes in: the network
  // manager's string list names its texts.
  std::span<const std::int32_t> texts;
  if (!group.custom) texts = group.texts;
  if (added) {
    // Only the ids are wanted: no labels or values are copied.
    std::int32_t* listIds = Lists().ids;
    std::int32_t n = 0;
    if (netmgr_->GetStringValueList(h.value, listIds, nullptr, nullptr, &n) == 0)
      texts = std::span<const std::int32_t>(listIds, static_cast<std::size_t>(std::clamp(n, 0, kListEntries)));
  }
  // The texts' ids as a set for the network manager's own ids (all below
  // 256), looked up once per scalar of the group.
  std::bitset<256> textSet;
  for (std::int32_t id : texts)
    if (id >= 0 && id < 256) textSet.set(static_cast<std::size_t>(id));
  auto isText = [&](std::int32_t id) {
    return id >= 0 && id < 256 ? textSet.test(static_cast<std::size_t>(id)) : Contains(texts, id);
  };
  for (std::int32_t id : ids) {
    std::int32_t kind = IsNetMgrScalar(id) ? (isText(id) ? kKindText : kKindInteger)
                                           : (OwnScalarKind(id) == kKindText ? kKindText : kKindInteger);
    VectorTree::AddScalar(node, id, kind);
  }
  return error;
}

HRESULT VectorItem::GetGroupValues(LONG VectorHandle, LONG GroupId, LONG RetrievalMode,
                                   LONG RetrievalMechanism, LONG* ErrorCode) {
  if (!ErrorCode) return E_POINTER;
  *ErrorCode = 0;
  try {
    if (!Live(VectorHandle)) {
      *ErrorCode = netmgr::kErrCall;
      return S_OK;
    }
    HandleEntry& h = handles_[static_cast<std::size_t>(VectorHandle)];
    std::int32_t mode = RetrievalMode == kModeCached ? kModeCached : kModeRead;
    if (RetrievalMechanism == kMechanismAdvise) {
      Advise(VectorHandle, GroupId);
    } else if (RetrievalMechanism == kMechanismUnadvise) {
      Unadvise(VectorHandle);
    } else if (RetrievalMechanism == kMechanismReadNow) {
      if (h.kind == kHandleNetMgr) {
        bool hit = false;
        *ErrorCode = ReadNetMgrGroup(h, GroupId, mode == kModeCached, &hit);
        if (!hit) mode = kModeRead;
      } else if (h.kind == kHandleJobs) {
        RefreshJobs(true);
        if (h.value != kJobListValue && GroupId != kJobListGroup) {
          // A job that cannot be read (gone, or the spooler fails) is
          // reported as past the end; the record keeps what it held.
          if (h.value >= jobCount_ ||
              !jobs_->GetJobInfo(h.value, &jobRecords_[static_cast<std::size_t>(VectorHandle)]))
            *ErrorCode = kErrJobPastEnd;
        }
      }
      // Device and discovery-root handles read nothing: their scalars come
      // from discovery.
    }
    if (mode == kModeCached) lastCachedGroup_ = GroupId;
    h.mode = mode;
    return S_OK;
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  }
}

// The buffers the network manager's lists are copied into.
VectorItem::ListBuffers& VectorItem::Lists() {
  if (!lists_) {
    lists_ = std::make_unique<ListBuffers>();
    lists_->labels = std::make_unique_for_overwrite<IVlmNetMgr::Text[]>(kListEntries);
    lists_->texts = std::make_unique_for_overwrite<IVlmNetMgr::Text[]>(kListEntries);
  }
  return *lists_;
}

// A mode-0 list of a network-manager handle, read from the network manager;
// the handle's node keeps each value (when the item is of the list's kind)
// and description.
void VectorItem::NetMgrEntries(std::int32_t handle, ListKind kind, std::vector<ListView>& out) {
  const HandleEntry& h = handles_[static_cast<std::size_t>(handle)];
  VectorNode* node = nodes_.NodeOf(h.node);
  ListBuffers& lists = Lists();
  std::int32_t* ids = lists.ids;
  std::int32_t* integers = lists.integers;
  IVlmNetMgr::Text* labels = lists.labels.get();
  IVlmNetMgr::Text* texts = lists.texts.get();
  std::int32_t n = 0;
  std::int32_t r = kind == ListKind::Integer ? netmgr_->GetIntegerValueList(h.value, ids, labels, integers, &n)
                                             : netmgr_->GetStringValueList(h.value, ids, labels, texts, &n);
  if (r != 0) n = 0;
  n = std::clamp(n, 0, kListEntries);
  out.resize(static_cast<std::size_t>(n));
  const std::int32_t itemKind = kind == ListKind::Integer ? kKindInteger : kKindText;
  for (std::int32_t i = 0; i < n; ++i) {
    ListView& e = out[static_cast<std::size_t>(i)];
    e.id = ids[i];
    e.description = std::string_view(labels[i], strnlen(labels[i], sizeof labels[i]));
    if (kind == ListKind::Integer) {
      e.value = ApplyFilters(handle, e.id, integers[i]);
      e.text = {};
    } else {
      e.value = 0;
      e.text = std::string_view(texts[i], strnlen(texts[i], sizeof texts[i]));
    }
    if (ScalarItem* item = VectorTree::Register(node, e.id, itemKind)) {
      if (item->kind == itemKind && h.readFailed) {
        // A value that was not read is no cached value: a later cached read
        // asks the device again.
        item->hasValue = false;
      } else if (item->kind == itemKind) {
        if (kind == ListKind::Integer)
          item->integer = e.value;
        else
          item->text.assign(e.text);
        item->hasValue = true;
      }
      item->description.assign(e.description);
    }
  }
}

// A mode-0 list of a job handle, from its job record.
void VectorItem::JobEntries(std::int32_t handle, ListKind kind, std::vector<ListEntry>& out) {
  const HandleEntry& h = handles_[static_cast<std::size_t>(handle)];
  out.clear();
  if (h.kind == kHandleJobs) {
    const JobRecord& job = jobRecords_[static_cast<std::size_t>(handle)];
    if (kind == ListKind::Integer) {
      if (h.value == kJobListValue)
        out.push_back({kJobCount, jobCount_, {}, {}});
      else
        out = {{kJobPosition, job.position, {}, {}},
               {kJobPagesPrinted, job.pagesPrinted, {}, {}},
               {kJobPriority, job.priority, {}, {}},
               {kJobTotalPages, job.totalPages, {}, {}}};
    } else if (h.value != kJobListValue) {
      out = {{kJobStatus, 0, Bounded(job.statusText, sizeof job.statusText), {}},
             {kJobUserName, 0, Bounded(job.userName, sizeof job.userName), {}},
             {kJobDocument, 0, Bounded(job.document, sizeof job.document), {}}};
    }
  }
}

// The entries of a mode-1 list: the object's last cached group, answered
// from the handle's node.
std::vector<VectorItem::ListEntry> VectorItem::CachedEntries(std::int32_t handle, ListKind kind,
                                                             bool* describe) {
  const HandleEntry& h = handles_[static_cast<std::size_t>(handle)];
  const VectorNode* node = nodes_.NodeOf(h.node);
  const std::int32_t wanted = kind == ListKind::Integer ? kKindInteger : kKindText;
  std::vector<ListEntry> out;
  *describe = true;
  auto entry = [&](std::int32_t id) {
    ListEntry e{-1, 0, {}, {}};
    if (const ScalarItem* s = VectorTree::Find(node, id); s && VectorTree::IsCached(node, id, wanted)) {
      e.id = id;
      e.value = kind == ListKind::Integer ? ApplyFilters(handle, id, s->integer) : 0;
      e.text = s->text;
      e.description = s->description;
    }
    return e;
  };

  if (kind == ListKind::Integer &&
      (lastCachedGroup_ == kInstalledCountGroup || lastCachedGroup_ == kOtherCountGroup)) {
    std::int32_t count = lastCachedGroup_ == kInstalledCountGroup ? installedCount_ : otherCount_;
    out.push_back({kDeviceCount, ApplyFilters(handle, kDeviceCount, count), {}, {}});
    return out;
  }
  if (lastCachedGroup_ == kDeviceGroup) {
    // The device summary: fixed ids, no descriptions of its own.
    const GroupIds g = IdsOf(kDeviceGroup);
    for (std::int32_t id : kind == ListKind::Integer ? g.integers : g.texts) {
      ListEntry e = entry(id);
      e.description.clear();
      out.push_back(std::move(e));
    }
    *describe = kind == ListKind::Integer;
    return out;
  }
  const GroupIds g = IdsOf(lastCachedGroup_);
  for (std::int32_t id : kind == ListKind::Integer ? g.integers : g.texts) {
    if (InDeviceBand(id) && OwnScalarKind(id) != wanted) continue;
    out.push_back(entry(id));
  }
  return out;
}

HRESULT VectorItem::ValueList(LONG handle, ListKind kind, VARIANT* ids, VARIANT* values,
                              VARIANT* descrs, LONG* count) {
  if (!count) return E_POINTER;
  try {
    bool okIds = false, okValues = false, okDescrs = false;
    SAFEARRAY* idArray = ArrayOf(ids, VT_I4, &okIds);
    SAFEARRAY* valueArray = ArrayOf(values, kind == ListKind::Integer ? VT_I4 : VT_BSTR, &okValues);
    SAFEARRAY* descrArray = ArrayOf(descrs, VT_BSTR, &okDescrs);
    if (!okIds || !okValues || !okDescrs) return S_OK;
    if (!Live(handle)) {
      *count = 0;
      return S_OK;
    }
    const HandleEntry& h = handles_[static_cast<std::size_t>(handle)];
    // Only what every array has room for is handed out.
    const LONG room = std::min(RoomFromZero(idArray), RoomFromZero(valueArray));
    const LONG descrRoom = RoomFromZero(descrArray);
    ListArray idOut(idArray, VT_I4);
    ListArray valueOut(valueArray, kind == ListKind::Integer ? VT_I4 : VT_BSTR);
    ListArray descrOut(descrArray, VT_BSTR);
    auto write = [&](const auto& entries, bool describe) {
      const LONG n = std::min(room, static_cast<LONG>(entries.size()));
      for (LONG k = 0; k < n; ++k) {
        const auto& e = entries[static_cast<std::size_t>(k)];
        idOut.PutInteger(k, e.id);
        if (kind == ListKind::Integer)
          valueOut.PutInteger(k, e.value);
        else
          valueOut.PutText(k, e.text);
        if (describe && k < descrRoom) descrOut.PutText(k, e.description);
      }
      return n;
    };
    LONG n = 0;
    if (h.mode == kModeCached) {
      bool describe = false;
      entries_ = CachedEntries(handle, kind, &describe);
      n = write(entries_, describe);
    } else if (h.kind == kHandleNetMgr) {
      NetMgrEntries(handle, kind, views_);
      n = write(views_, true);
    } else {
      JobEntries(handle, kind, entries_);
      n = write(entries_, false);
    }
    *count = n;
    return S_OK;
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  }
}

HRESULT VectorItem::GetCurrentIntegerValueList(LONG VectorHandle, VARIANT* ScalarIDList,
                                               VARIANT* ScalarValueList, VARIANT* ScalarDescrList,
                                               LONG* ScalarCount) {
  return ValueList(VectorHandle, ListKind::Integer, ScalarIDList, ScalarValueList, ScalarDescrList,
                   ScalarCount);
}

HRESULT VectorItem::GetCurrentStringValueList(LONG VectorHandle, VARIANT* ScalarIDList,
                                              VARIANT* ScalarValueList, VARIANT* ScalarDescrList,
                                              LONG* ScalarCount) {
  return ValueList(VectorHandle, ListKind::Text, ScalarIDList, ScalarValueList, ScalarDescrList,
                   ScalarCount);
}

// ---------------------------------------------------------------------------
// Custom groups

std::int32_t VectorItem::NextGroupIdentity() const {
  constexpr std::int32_t kLast = std::numeric_limits<std::int32_t>::max() - kCustomGroupBase;
  std::int32_t identity = nextGroupIdentity_;
  while (FindCustomGroup(identity + kCustomGroupBase)) identity = identity >= kLast ? 1 : identity + 1;
  return identity;
}

HRESULT VectorItem::CreateCustomGroup(VARIANT ScalarIDList, LONG* GroupHandle) {
  if (!GroupHandle) return E_POINTER;
  try {
    CustomGroup group{NextGroupIdentity(), {}};
    bool typeOk = false;
    SAFEARRAY* psa = ArrayOf(&ScalarIDList, VT_I2, &typeOk);
    LONG lower = 0, upper = -1;
    if (psa && SafeArrayGetDim(psa) == 1 && SUCCEEDED(SafeArrayGetLBound(psa, 1, &lower)) &&
        SUCCEEDED(SafeArrayGetUBound(psa, 1, &upper))) {
      // UBound - LBound elements from the first: the last element is not
      // taken (callers dimension their arrays one larger than their ids).
      const std::int64_t taken = std::clamp<std::int64_t>(
          static_cast<std::int64_t>(upper) - lower, 0, kMaxCustomGroupIds);
      for (std::int64_t i = 0; i < taken; ++i) {
        LONG index = static_cast<LONG>(lower + i);
        SHORT value = 0;
        if (FAILED(SafeArrayGetElement(psa, &index, &value))) break;
        group.ids.push_back(static_cast<std::uint16_t>(value));
      }
    }
    const std::int32_t identity = group.identity;
    customGroups_.push_back(std::move(group));
    nextGroupIdentity_ =
        identity >= std::numeric_limits<std::int32_t>::max() - kCustomGroupBase ? 1 : identity + 1;
    *GroupHandle = identity + kCustomGroupBase;
    return S_OK;
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  }
}

std::vector<std::int32_t> VectorItem::CustomGroupIdsForTests(LONG groupHandle) const {
  const CustomGroup* g = FindCustomGroup(groupHandle);
  return g ? g->ids : std::vector<std::int32_t>{};
}

HRESULT VectorItem::DeleteCustomGroup(LONG GroupHandle) {
  auto it = std::find_if(customGroups_.begin(), customGroups_.end(), [&](const CustomGroup& g) {
    return g.identity + kCustomGroupBase == GroupHandle;
  });
  if (it != customGroups_.end()) customGroups_.erase(it);
  return S_OK;
}

// ---------------------------------------------------------------------------
// Writes

HRESULT VectorItem::SetScalarIntegerValue(LONG VectorHandle, LONG ScalarID, LONG ScalarValue,
                                          LONG* nErrorCode) {
  if (!nErrorCode) return E_POINTER;
  *nErrorCode = 0;
  const HandleEntry* h = Live(VectorHandle);
  if (!h) {
    *nErrorCode = netmgr::kErrCall;
  } else if (h->kind == kHandleJobs) {
    std::int32_t command = JobControlCommand(ScalarValue);
    if (h->value != kJobListValue && command != JOB_CONTROL_NONE)
      *nErrorCode = jobs_->ControlJob(h->value, command);
  } else if (h->kind == kHandleNetMgr) {
    if (!IsNetMgrScalar(ScalarID)) {
      *nErrorCode = netmgr::kErrCall;
      return S_OK;
    }
    netmgr_->ClearSetScalars(h->value);
    std::int32_t r = netmgr_->AddIntegerSetValues(h->value, &ScalarID, &ScalarValue, 1);
    *nErrorCode = r != 0 ? r : netmgr_->SetValues(h->value);
  }
  return S_OK;
}

HRESULT VectorItem::SetScalarStringValue(LONG VectorHandle, LONG ScalarID, BSTR ScalarValue,
                                         LONG* nErrorCode) {
  if (!nErrorCode) return E_POINTER;
  *nErrorCode = 0;
  try {
    const HandleEntry* h = Live(VectorHandle);
    if (!h) {
      *nErrorCode = netmgr::kErrCall;
      return S_OK;
    }
    if (h->kind != kHandleNetMgr) return S_OK;
    if (!IsNetMgrScalar(ScalarID)) {
      *nErrorCode = netmgr::kErrCall;
      return S_OK;
    }
    const std::string text = Utf8FromBstr(ScalarValue);
    // The value field holds 255 bytes; a longer text is refused, not cut.
    if (text.size() >= sizeof(IVlmNetMgr::Text)) {
      *nErrorCode = netmgr::kErrBadValue;
      return S_OK;
    }
    IVlmNetMgr::Text value = {};
    std::memcpy(value, text.data(), text.size());
    netmgr_->ClearSetScalars(h->value);
    std::int32_t r = netmgr_->AddStringSetValues(h->value, &ScalarID, &value, 1);
    *nErrorCode = r != 0 ? r : netmgr_->SetValues(h->value);
    return S_OK;
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  }
}

}  // namespace vlm::mgmt
