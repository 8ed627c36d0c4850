#include "netmgr/session.h"

#include <cstring>

#include "netmgr/mib_tables.h"
#include "netmgr/trap_listener.h"

namespace vlm::netmgr {

// ---------------------------------------------------------------- handle slots

namespace {

std::mutex& SlotLock() {
  static std::mutex m;
  return m;
}

std::array<std::int32_t, kHandleSlots>& Slots() {
  static std::array<std::int32_t, kHandleSlots> slots = [] {
    std::array<std::int32_t, kHandleSlots> s;
    s.fill(0);  // taken until the first Connect
    return s;
  }();
  return slots;
}

std::size_t BoundedLength(const char* text, std::size_t size) {
  return strnlen(text, std::min<std::size_t>(size, kTextSize - 1));
}

}  // namespace

void FreeAllHandleSlots() {
  std::lock_guard<std::mutex> lock(SlotLock());
  Slots().fill(-1);
}

std::int32_t AllocateHandleSlot(const std::array<std::unique_ptr<VectorRequest>, kHandleSlots>& held) {
  std::lock_guard<std::mutex> lock(SlotLock());
  for (std::int32_t i = 0; i < kHandleSlots; ++i) {
    if (Slots()[i] == -1 && !held[i]) {
      Slots()[i] = 0;
      return i;
    }
  }
  return -1;
}

void FreeHandleSlot(std::int32_t slot) {
  std::lock_guard<std::mutex> lock(SlotLock());
  if (slot >= 0 && slot < kHandleSlots) Slots()[slot] = -1;
}

void ResetHandleSlotsForTests() {
  std::lock_guard<std::mutex> lock(SlotLock());
  Slots().fill(0);
}

ModuleRecord& Module() {
  static ModuleRecord record;
  return record;
}

// ---------------------------------------------------------------- identity

NetMgrSession::NetMgrSession(IUnknown* outer) {
  identity_.owner = this;
  controlling_ = outer ? outer : &identity_;
  target_.readCommunity = "public";
  target_.retries = 2;
  target_.timeoutCs = 100;
}

NetMgrSession::~NetMgrSession() {
  // No notification reaches the object once this returns.
  TrapListener::Instance().Unregister(this);
  for (std::int32_t h = 0; h < kHandleSlots; ++h)
    if (requests_[h]) FreeHandleSlot(h);
}

HRESULT NetMgrSession::IdentityPart::QueryInterface(REFIID iid, void** object) {
  if (!object) return E_POINTER;
  *object = nullptr;
  IUnknown* found = nullptr;
  if (iid == IID_IUnknown)
    found = this;
  else if (iid == IID_IVlmNetMgr)
    found = static_cast<IVlmNetMgr*>(owner);
  else
    return E_NOINTERFACE;
  found->AddRef();
  *object = found;
  return S_OK;
}

ULONG NetMgrSession::IdentityPart::AddRef() { return ++owner->references_; }

ULONG NetMgrSession::IdentityPart::Release() {
  ULONG left = --owner->references_;
  if (left == 0) {
    delete owner;
    --Module().objects;
  }
  return left;
}

HRESULT NetMgrSession::QueryInterface(REFIID iid, void** object) {
  return controlling_->QueryInterface(iid, object);
}

ULONG NetMgrSession::AddRef() {
  ++interfaceCount_;
  return controlling_->AddRef();
}

ULONG NetMgrSession::Release() {
  --interfaceCount_;
  return controlling_->Release();
}

// ---------------------------------------------------------------- operations

VectorRequest* NetMgrSession::Request(std::int32_t handle) const {
  if (handle < 0 || handle >= kHandleSlots) return nullptr;
  return requests_[handle].get();
}

const std::string* NetMgrSession::SuffixOf(std::int32_t handle) const {
  VectorRequest* r = Request(handle);
  return r ? &r->suffix() : nullptr;
}

std::int32_t NetMgrSession::Connect(TargetSpec spec) {
  std::size_t n = BoundedLength(spec.address, sizeof spec.address);
  std::memcpy(deviceAddress_, spec.address, n);
  deviceAddress_[n] = '\0';
  auto address = snmp::Address::Parse(std::string_view(deviceAddress_, n));
  if (!address) {
    // Leave no previous device in force: until a Connect succeeds, nothing is
    // sent, so the old device's data can never show as this one's.
    connected_ = false;
    return kErrAddress;
  }
  target_.address = *address;
  target_.retries = spec.retries;
  target_.timeoutCs = spec.timeout;
  target_.readCommunity = "public";
  target_.writeCommunity.assign(spec.writeCommunity,
                                BoundedLength(spec.writeCommunity, sizeof spec.writeCommunity));
  FreeAllHandleSlots();
  openHandleCount_ = 0;
  nextGroupSlot_ = 0;
  connected_ = true;
  return kOk;
}

std::int32_t NetMgrSession::GetInstanceCount(std::int32_t handle, std::int32_t vector,
                                             std::int32_t* count) {
  std::int32_t ignored = 0;
  std::int32_t& out = count ? *count : ignored;
  out = 0;
  VectorRequest* r = Request(handle);
  if (!r) return kErrCall;
  if (!connected_) return kErrAddress;
  return r->CountInstances(vector, out);
}

std::int32_t NetMgrSession::GetRootInstanceCount(std::int32_t vector, std::int32_t* count) {
  std::int32_t ignored = 0;
  std::int32_t& out = count ? *count : ignored;
  out = 0;
  if (!connected_) return kErrAddress;
  VectorRequest root("", snmp_, target_);
  return root.CountInstances(vector, out);
}

std::int32_t NetMgrSession::Open(std::string suffix, std::int32_t* handle) {
  std::int32_t slot = AllocateHandleSlot(requests_);
  *handle = slot;
  if (slot < 0) return kOk;  // all taken: the client checks the handle
  requests_[slot] = std::make_unique<VectorRequest>(std::move(suffix), snmp_, target_);
  ++openHandleCount_;
  return kOk;
}

std::int32_t NetMgrSession::OpenRootHandle(std::int32_t, std::int32_t instance,
                                           std::int32_t* handle) {
  if (!handle) return kErrCall;
  *handle = -1;
  std::string suffix;
  if (VectorRequest::BuildRootSuffix(instance, suffix) != kOk) return kErrCall;
  return Open(std::move(suffix), handle);
}

std::int32_t NetMgrSession::OpenChildHandle(std::int32_t parent, std::int32_t, std::int32_t instance,
                                            std::int32_t* handle) {
  if (!handle) return kErrCall;
  *handle = -1;
  VectorRequest* p = Request(parent);
  if (!p) return kErrCall;
  std::string suffix;
  if (p->BuildChildSuffix(instance, suffix) != kOk) return kErrCall;
  return Open(std::move(suffix), handle);
}

std::int32_t NetMgrSession::AddScalars(std::int32_t handle, const std::int32_t* ids,
                                       std::int32_t count) {
  VectorRequest* r = Request(handle);
  if (!r || count < 0 || (count > 0 && !ids)) return kErrCall;
  return r->AppendScalars(ids, count);
}

std::int32_t NetMgrSession::GetValues(std::int32_t handle) {
  VectorRequest* r = Request(handle);
  if (!r) return kErrCall;
  if (!connected_) return kErrAddress;
  return r->FetchValues();
}

std::int32_t NetMgrSession::GetIntegerValueList(std::int32_t handle, std::int32_t* ids, Text* labels,
                                                std::int32_t* values, std::int32_t* count) {
  VectorRequest* r = Request(handle);
  if (!r) return kErrCall;
  return r->CopyIntegerList(ids, labels, values, count);
}

std::int32_t NetMgrSession::GetStringValueList(std::int32_t handle, std::int32_t* ids, Text* labels,
                                               Text* values, std::int32_t* count) {
  VectorRequest* r = Request(handle);
  if (!r) return kErrCall;
  return r->CopyStringList(ids, labels, values, count);
}

std::int32_t NetMgrSession::GetIntegerValue(std::int32_t handle, std::int32_t id,
                                            std::int32_t* value) {
  VectorRequest* r = Request(handle);
  if (!r || !value) return kErrCall;
  if (!connected_) return kErrAddress;
  return r->ReadInteger(id, *value);
}

std::int32_t NetMgrSession::GetStringValue(std::int32_t handle, std::int32_t id, char* text) {
  VectorRequest* r = Request(handle);
  if (!r || !text) return kErrCall;
  if (!connected_) return kErrAddress;
  return r->ReadString(id, text);
}

std::int32_t NetMgrSession::ClearScalars(std::int32_t handle) {
  VectorRequest* r = Request(handle);
  if (!r) return kErrCall;
  r->ClearReadLists();
  return kOk;
}

std::int32_t NetMgrSession::ClearSetScalars(std::int32_t handle) {
  VectorRequest* r = Request(handle);
  if (!r) return kErrCall;
  r->ClearWriteLists();
  return kOk;
}

std::int32_t NetMgrSession::AddIntegerSetValues(std::int32_t handle, const std::int32_t* ids,
                                                const std::int32_t* values, std::int32_t count) {
  VectorRequest* r = Request(handle);
  if (!r || count < 0 || (count > 0 && (!ids || !values))) return kErrCall;
  return r->AppendIntegerWrites(ids, values, count);
}

std::int32_t NetMgrSession::AddStringSetValues(std::int32_t handle, const std::int32_t* ids,
                                               const Text* values, std::int32_t count) {
  VectorRequest* r = Request(handle);
  if (!r || count < 0 || (count > 0 && (!ids || !values))) return kErrCall;
  return r->AppendStringWrites(ids, values, count);
}

std::int32_t NetMgrSession::SetValues(std::int32_t handle) {
  VectorRequest* r = Request(handle);
  if (!r) return kErrCall;
  if (!connected_) return kErrAddress;
  return r->StoreValues();
}

std::int32_t NetMgrSession::CreateGroup(std::int32_t group, std::int32_t* groupHandle) {
  if (!groupHandle) return kErrCall;
  auto g = std::make_unique<GroupScalars>();
  for (std::int32_t id : GroupMembers(group)) {
    if (IsIntegerInGroup(id))
      g->integerIds[g->integerCount++] = id;
    else
      g->stringIds[g->stringCount++] = id;
  }
  std::int32_t slot = nextGroupSlot_;
  groups_[slot] = std::move(g);  // a group displaced by the ring is freed
  *groupHandle = slot;
  nextGroupSlot_ = (nextGroupSlot_ + 1) % kGroupSlots;
  return kOk;
}

std::int32_t NetMgrSession::GetGroupScalarCount(std::int32_t groupHandle, std::int32_t kind,
                                                std::int32_t* count) {
  if (groupHandle < 0 || groupHandle >= kGroupSlots || !groups_[groupHandle] || !count)
    return kErrCall;
  const GroupScalars& g = *groups_[groupHandle];
  *count = kind == 0 ? g.integerCount : g.stringCount;
  return kOk;
}

std::int32_t NetMgrSession::GetGroupScalarIds(std::int32_t groupHandle, std::int32_t kind,
                                              std::int32_t* ids) {
  if (groupHandle < 0 || groupHandle >= kGroupSlots || !groups_[groupHandle] || !ids)
    return kErrCall;
  const GroupScalars& g = *groups_[groupHandle];
  if (kind == 0)
    std::copy_n(g.integerIds.begin(), g.integerCount, ids);
  else
    std::copy_n(g.stringIds.begin(), g.stringCount, ids);
  return kOk;
}

std::int32_t NetMgrSession::FreeHandle(std::int32_t handle) {
  if (!Request(handle)) return kErrCall;
  FreeHandleSlot(handle);
  --openHandleCount_;
  requests_[handle].reset();
  return kOk;
}

std::int32_t NetMgrSession::FreeGroup(std::int32_t groupHandle) {
  if (groupHandle < 0 || groupHandle >= kGroupSlots || !groups_[groupHandle]) return kErrCall;
  groups_[groupHandle].reset();
  return kOk;
}

std::int32_t NetMgrSession::RegisterTrapCallback(std::int32_t, NetMgrTrapCallback callback,
                                                 void* data) {
  {
    std::lock_guard<std::mutex> lock(callbackLock_);
    callback_ = callback;
    callbackData_ = data;
  }
  if (!trapsRegistered_) {
    TrapListener::Instance().Register(this, [this](std::uint32_t sender) { OnTrap(sender); });
    trapsRegistered_ = true;
  }
  return kOk;
}

void NetMgrSession::OnTrap(std::uint32_t sender) {
  NetMgrTrapCallback callback;
  void* data;
  {
    std::lock_guard<std::mutex> lock(callbackLock_);
    callback = callback_;
    data = callbackData_;
  }
  if (!callback) return;
  TargetSpec record;
  std::memset(&record, 0, sizeof record);
  std::string text = snmp::Address::Ip(sender, 0).HostText();
  std::memcpy(record.address, text.c_str(), text.size() + 1);
  callback(&record, data);
}

}  // namespace vlm::netmgr
