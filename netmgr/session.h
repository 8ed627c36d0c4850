// The network manager object: one SNMP session and one target, handles that
// each stand for a vector instance of the connected device, the predefined
// scalar groups and the notification callback. See netmgr.h for what clients
// may rely on.
#pragma once

#include <array>
#include <atomic>
#include <memory>
#include <mutex>

#include "netmgr/netmgr.h"
#include "netmgr/snmp/snmp.h"
#include "netmgr/vector_request.h"

namespace vlm::netmgr {

// Live objects and server locks of the component, for DllCanUnloadNow.
struct ModuleRecord {
  std::atomic<std::int32_t> objects{0};
  std::atomic<std::int32_t> locks{0};
};
ModuleRecord& Module();

struct GroupScalars {
  std::array<std::int32_t, kMaxEntries> integerIds{};
  std::array<std::int32_t, kMaxEntries> stringIds{};
  std::int32_t integerCount = 0;
  std::int32_t stringCount = 0;
};

class NetMgrSession final : public IVlmNetMgr {
 public:
  // `outer` is the controlling object when aggregated, else null. The new
  // object holds no reference; the creator's QueryInterface adds the first.
  explicit NetMgrSession(IUnknown* outer);
  ~NetMgrSession();

  // The nondelegating identity of the object.
  IUnknown* Identity() { return &identity_; }

  // IUnknown, forwarded to the controlling object.
  HRESULT QueryInterface(REFIID iid, void** object) override;
  ULONG AddRef() override;
  ULONG Release() override;

  std::int32_t Connect(TargetSpec target) override;
  std::int32_t GetInstanceCount(std::int32_t handle, std::int32_t vector,
                                std::int32_t* count) override;
  std::int32_t GetRootInstanceCount(std::int32_t vector, std::int32_t* count) override;
  std::int32_t OpenRootHandle(std::int32_t vector, std::int32_t instance,
                              std::int32_t* handle) override;
  std::int32_t OpenChildHandle(std::int32_t parent, std::int32_t vector, std::int32_t instance,
                               std::int32_t* handle) override;
  std::int32_t AddScalars(std::int32_t handle, const std::int32_t* ids, std::int32_t count) override;
  std::int32_t GetValues(std::int32_t handle) override;
  std::int32_t GetIntegerValueList(std::int32_t handle, std::int32_t* ids, Text* labels,
                                   std::int32_t* values, std::int32_t* count) override;
  std::int32_t GetStringValueList(std::int32_t handle, std::int32_t* ids, Text* labels,
                                  Text* values, std::int32_t* count) override;
  std::int32_t GetIntegerValue(std::int32_t handle, std::int32_t id, std::int32_t* value) override;
  std::int32_t GetStringValue(std::int32_t handle, std::int32_t id, char* text) override;
  std::int32_t ClearScalars(std::int32_t handle) override;
  std::int32_t ClearSetScalars(std::int32_t handle) override;
  std::int32_t AddIntegerSetValues(std::int32_t handle, const std::int32_t* ids,
                                   const std::int32_t* values, std::int32_t count) override;
  std::int32_t AddStringSetValues(std::int32_t handle, const std::int32_t* ids, const Text* values,
                                  std::int32_t count) override;
  std::int32_t SetValues(std::int32_t handle) override;
  std::int32_t CreateGroup(std::int32_t group, std::int32_t* groupHandle) override;
  std::int32_t GetGroupScalarCount(std::int32_t groupHandle, std::int32_t kind,
                                   std::int32_t* count) override;
  std::int32_t GetGroupScalarIds(std::int32_t groupHandle, std::int32_t kind,
                                 std::int32_t* ids) override;
  std::int32_t FreeHandle(std::int32_t handle) override;
  std::int32_t FreeGroup(std::int32_t groupHandle) override;
  std::int32_t RegisterTrapCallback(std::int32_t reserved, NetMgrTrapCallback callback,
                                    void* data) override;

  // For tests: the suffix of an open handle, or null.
  const std::string* SuffixOf(std::int32_t handle) const;

 private:
  struct IdentityPart final : IUnknown {
    NetMgrSession* owner = nullptr;
    HRESULT QueryInterface(REFIID iid, void** object) override;
    ULONG AddRef() override;
    ULONG Release() override;
  };

  VectorRequest* Request(std::int32_t handle) const;
  std::int32_t Open(std::string suffix, std::int32_t* handle);
  void OnTrap(std::uint32_t senderIpv4);

  IdentityPart identity_;
  IUnknown* controlling_;
  std::atomic<std::int32_t> interfaceCount_{0};
  std::atomic<ULONG> references_{0};

  snmp::Session snmp_;
  snmp::Target target_;
  bool connected_ = false;
  char deviceAddress_[kTextSize] = {};
  std::array<std::unique_ptr<VectorRequest>, kHandleSlots> requests_;
  std::array<std::unique_ptr<GroupScalars>, kGroupSlots> groups_;
  std::int32_t openHandleCount_ = 0;
  std::int32_t nextGroupSlot_ = 0;

  std::mutex callbackLock_;
  NetMgrTrapCallback callback_ = nullptr;
  void* callbackData_ = nullptr;
  bool trapsRegistered_ = false;
};

// The process-wide handle numbers shared by every object: free (-1) or
// taken (0). All are taken at load, so that nothing opens before the first
// Connect; every Connect frees them all.
void FreeAllHandleSlots();
std::int32_t AllocateHandleSlot(const std::array<std::unique_ptr<VectorRequest>, kHandleSlots>& held);
void FreeHandleSlot(std::int32_t slot);
// For tests: back to the state at load.
void ResetHandleSlotsForTests();

}  // namespace vlm::netmgr
