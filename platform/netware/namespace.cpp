// The platform's version and the SAP name space.
#include <algorithm>
#include <atomic>
#include <iterator>

#include "platform/netware/netware.h"

namespace vlm {

namespace {

// 0 default (NT), else the family + 1.
std::atomic<int>& FamilySlot() {
  static std::atomic<int> slot{0};
  return slot;
}

}  // namespace

PlatformFamily CurrentPlatformFamily() {
  int v = FamilySlot().load();
  return v == 0 ? PlatformFamily::WindowsNt : static_cast<PlatformFamily>(v - 1);
}

void SetPlatformFamily(std::optional<PlatformFamily> family) {
  FamilySlot() = family ? static_cast<int>(*family) + 1 : 0;
}

namespace netware {

namespace {

// Linux: no name-space provider knows SAP.
class NoProviders final : public NameSpace {
 public:
  LONG EnumProviders(std::vector<NameSpaceProvider>& out) override {
    out.clear();
    return 0;
  }
  LONG InstallServiceClass(const ServiceClass&) override { return WSAEINVAL; }
  LONG LookupService(const ServiceQuery&, std::vector<IpxSocketAddress>& out) override {
    out.clear();
    return WSASERVICE_NOT_FOUND;
  }
};

struct Slot {
  std::mutex lock;
  std::shared_ptr<NameSpace> current;
};

// Never destroyed: a provider's thread may look up while statics go away.
Slot& TheSlot() {
  static Slot* slot = new Slot;
  return *slot;
}

std::shared_ptr<NameSpace> DefaultNameSpace() {
  static const std::shared_ptr<NameSpace>* none = new std::shared_ptr<NameSpace>(std::make_shared<NoProviders>());
  return *none;
}

}  // namespace

ServiceClassId SapServiceClassId(WORD sapType) {
  ServiceClassId id;
  id.data1 = 0x000B0000u | sapType;
  const BYTE tail[8] = {0xC0, 0, 0, 0, 0, 0, 0, 0x46};
  std::copy(std::begin(tail), std::end(tail), id.data4);
  return id;
}

std::shared_ptr<NameSpace> CurrentNameSpace() {
  Slot& slot = TheSlot();
  {
    std::lock_guard<std::mutex> guard(slot.lock);
    if (slot.current) return slot.current;
  }
  return DefaultNameSpace();
}

void SetNameSpace(std::shared_ptr<NameSpace> nameSpace) {
  Slot& slot = TheSlot();
  std::lock_guard<std::mutex> guard(slot.lock);
  slot.current = std::move(nameSpace);
}

// ---------------------------------------------------------------- scripted

void ScriptedNameSpace::SetProviders(std::vector<NameSpaceProvider> providers) {
  std::lock_guard<std::mutex> guard(lock_);
  providers_ = std::move(providers);
}

void ScriptedNameSpace::SetServices(std::vector<IpxSocketAddress> services) {
  std::lock_guard<std::mutex> guard(lock_);
  services_ = std::move(services);
}

void ScriptedNameSpace::MarkInstalled(const ServiceClassId& id) {
  std::lock_guard<std::mutex> guard(lock_);
  known_.push_back(id);
}

std::vector<ServiceClass> ScriptedNameSpace::Installed() const {
  std::lock_guard<std::mutex> guard(lock_);
  return installed_;
}

std::vector<ServiceQuery> ScriptedNameSpace::Queries() const {
  std::lock_guard<std::mutex> guard(lock_);
  return queries_;
}

LONG ScriptedNameSpace::EnumProviders(std::vector<NameSpaceProvider>& out) {
  std::lock_guard<std::mutex> guard(lock_);
  out = providers_;
  return 0;
}

LONG ScriptedNameSpace::InstallServiceClass(const ServiceClass& serviceClass) {
  std::lock_guard<std::mutex> guard(lock_);
  if (std::find(known_.begin(), known_.end(), serviceClass.id) != known_.end()) return WSAEALREADY;
  installed_.push_back(serviceClass);
  known_.push_back(serviceClass.id);
  return 0;
}

LONG ScriptedNameSpace::LookupService(const ServiceQuery& query, std::vector<IpxSocketAddress>& out) {
  std::lock_guard<std::mutex> guard(lock_);
  queries_.push_back(query);
  out.clear();
  if (std::find(known_.begin(), known_.end(), query.classId) == known_.end()) return WSASERVICE_NOT_FOUND;
  out = services_;
  return 0;
}

}  // namespace netware
}  // namespace vlm
