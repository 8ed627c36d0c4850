// The VectorItem object behind IVectorItem (see mgmt/xlpnmif.h for what its
// clients may rely on), and what it is made from.
//
// What a caller of this header may rely on:
// - A VectorItem takes its discovery manager and its spooler job readers from
//   an Environment, so that the library serves the real ones and tests give
//   their own. The network manager is always created through
//   CLSID_VlmNetMgr, so a test injects a fake one with CoRegisterClassObject
//   in the copy of the COM layer that it links.
// - CreateVectorItem runs the whole construction and fails with its HRESULT
//   (the network manager's creation failure, E_FAIL when the discovery
//   manager cannot be had, E_HANDLE when a named synchronisation object
//   cannot be opened) without leaving an object behind.
// - The named objects "TIMER_MUTEX", "DISC_MUTEX" (mutexes, recursive for
//   their owner) and "DISC_EVENT" (manual-reset) are opened once per linked
//   copy of this library and stay open for the life of the process.
// - The object's advise and notification timers run on the TimerHost that
//   the environment makes on the creating thread (the object's thread);
//   without a factory the object never polls and ignores notifications.
//   Notifications from the network manager's listener thread are posted to
//   that thread before they touch the object. Once the object's destructor
//   has begun, no tick, notification or event reaches it.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "discovery/manager/vlmdm.h"
#include "mgmt/filter.h"
#include "mgmt/job_reader.h"
#include "mgmt/timer_host.h"
#include "mgmt/vector_tree.h"
#include "mgmt/xlpnmif.h"
#include "netmgr/netmgr.h"
#include "platform/com/com.h"

namespace vlm::mgmt {

struct Environment {
  // The discovery manager object and how it is given back.
  std::function<discovery::DiscoveryManager*()> makeDiscoveryManager;
  std::function<void(discovery::DiscoveryManager*)> freeDiscoveryManager;
  // The job reader of an installed printer's queue; unset or null result:
  // a NullJobReader.
  JobReaderFactory makeJobReader;
  // The timer host of the object's thread; unset or null result: an
  // InertTimerHost.
  TimerHostFactory makeTimerHost;
};

HRESULT CreateVectorItem(const Environment& env, REFIID iid, void** object) noexcept;

// A class factory that makes VectorItem objects with one environment.
class VectorItemFactory final : public ComObject<VectorItemFactory, IClassFactory> {
 public:
  explicit VectorItemFactory(Environment env) : env_(std::move(env)) {}
  HRESULT CreateInstance(IUnknown* outer, REFIID iid, void** object) override;
  HRESULT LockServer(BOOL lock) override;

 private:
  Environment env_;
};

// Handle kinds.
enum : std::int32_t {
  kHandleDevice = 1,
  kHandleNetMgr = 3,
  kHandleDiscoveryRoot = 4,
  kHandleJobs = 5,
};

inline constexpr std::int32_t kHandleCount = 64;
inline constexpr std::int32_t kMaxDevices = 64;
inline constexpr std::int32_t kMaxCustomGroupIds = 64;
inline constexpr std::int32_t kJobListValue = -10;
// Entries of one kind in a network manager's read list.
inline constexpr std::int32_t kListEntries = 64;
// Groups one handle can have advised.
inline constexpr std::int32_t kAdviseGroups = 63;
// The advise timer, and the notification timer with its delay.
inline constexpr std::int32_t kAdviseTimer = 1;
inline constexpr std::int32_t kNotificationTimer = 1000;
inline constexpr std::int32_t kNotificationDelayMs = 50;

// The advise period of the timer started by an advise of groupId.
std::int32_t AdvisePeriod(std::int32_t groupId);

class VectorItem final
    : public ComObject<VectorItem, DispatchImpl<VectorItem, IVectorItem>, IConnectionPointContainer> {
 public:
  explicit VectorItem(Environment env);
  ~VectorItem() override;
  // The construction steps that can fail.
  HRESULT Initialize();

  // IVectorItem
  HRESULT GetHandle(LONG ParentHandle, LONG VectorId, LONG VectorInstance,
                    LONG* VectorHandle) override;
  HRESULT GetGroupValues(LONG VectorHandle, LONG GroupId, LONG RetrievalMode,
                         LONG RetrievalMechanism, LONG* ErrorCode) override;
  HRESULT GetCurrentIntegerValueList(LONG VectorHandle, VARIANT* ScalarIDList,
                                     VARIANT* ScalarValueList, VARIANT* ScalarDescrList,
                                     LONG* ScalarCount) override;
  HRESULT GetCurrentStringValueList(LONG VectorHandle, VARIANT* ScalarIDList,
                                    VARIANT* ScalarValueList, VARIANT* ScalarDescrList,
                                    LONG* ScalarCount) override;
  HRESULT GetRootHandle(LONG VectorId, LONG VectorInstance, LONG* VectorHandle) override;
  HRESULT GetNumberOfInstances(LONG ParentHandle, LONG VectorType, LONG* InstanceCount) override;
  HRESULT ReleaseHandle(LONG VectorHandle) override;
  HRESULT SetScalarIntegerValue(LONG VectorHandle, LONG ScalarID, LONG ScalarValue,
                                LONG* nErrorCode) override;
  HRESULT SetAdviseRate(LONG Rate, LONG Precision) override;
  HRESULT SetScalarStringValue(LONG VectorHandle, LONG ScalarID, BSTR ScalarValue,
                               LONG* nErrorCode) override;
  HRESULT CreateFilter(LONG ScalarCountID, LONG VectorId, LONG* FilterHandle) override;
  HRESULT AddConditionToFilter(LONG FilterHandle, LONG ScalarID, VARIANT Value,
                               LONG Condition) override;
  HRESULT RemoveFilter(LONG FilterHandle) override;
  HRESULT CreateCustomGroup(VARIANT ScalarIDList, LONG* GroupHandle) override;
  HRESULT DeleteCustomGroup(LONG GroupHandle) override;

  // IConnectionPointContainer
  HRESULT EnumConnectionPoints(IEnumConnectionPoints** points) override;
  HRESULT FindConnectionPoint(REFIID iid, IConnectionPoint** point) override;

  static const DispatchTable<VectorItem>& DispatchMembers();

  // What the object holds now, for tests.
  struct Occupancy {
    std::int32_t openHandles;
    std::int32_t nodeCounter;
    std::size_t treeNodes;
    std::size_t customGroups;
  };
  Occupancy OccupancyForTests() const;
  // The ids of a live custom group, empty for any other handle.
  std::vector<std::int32_t> CustomGroupIdsForTests(LONG groupHandle) const;
  struct AdviseState {
    std::vector<std::int32_t> groups;  // of the handle asked for
    std::int32_t advisedHandles;
    bool timerRunning;
    std::int32_t rate;
    std::int32_t precision;
  };
  AdviseState AdviseStateForTests(LONG handle) const;
  // The filtered-instance records of a handle; none: nullopt.
  std::optional<std::vector<InstanceRecord>> FilteredInstancesForTests(LONG handle) const;

 private:
  struct HandleEntry {
    std::int32_t value = -1;  // -1: free
    std::int32_t kind = 0;
    std::int32_t mode = 0;
    std::int32_t node = -1;  // node-table entry, -1 for kinds without a node
    // The last group read of a network-manager handle failed: its value
    // lists hand out what the network manager holds, but the node does not
    // keep it as a cached value.
    bool readFailed = false;
  };
  struct CustomGroup {
    std::int32_t identity;
    std::vector<std::int32_t> ids;
  };
  // A group's scalars: integers and texts of a predefined group, or every id
  // of a custom group (in both lists).
  struct GroupIds {
    std::vector<std::int32_t> integers;
    std::vector<std::int32_t> texts;
    bool custom = false;
    std::vector<std::int32_t> All() const;
  };
  struct ListEntry {
    std::int32_t id;
    std::int32_t value;
    std::string text;
    std::string description;
  };
  // An entry of a network-manager list, its texts in the list buffers.
  struct ListView {
    std::int32_t id;
    std::int32_t value;
    std::string_view text;
    std::string_view description;
  };
  enum class ListKind { Integer, Text };
  // The network manager's value lists are copied into these, kept from call
  // to call (made on first use).
  struct ListBuffers {
    std::int32_t ids[kListEntries];
    std::int32_t integers[kListEntries];
    std::unique_ptr<IVlmNetMgr::Text[]> labels;
    std::unique_ptr<IVlmNetMgr::Text[]> texts;
  };
  ListBuffers& Lists();

  // Handles.
  std::int32_t AllocateHandle();
  const HandleEntry* Live(std::int32_t handle) const;
  void Take(std::int32_t handle, std::int32_t kind, std::int32_t value, std::int32_t node);
  bool EntryInUse(std::int32_t entry) const;
  std::int32_t OpenNode(std::int32_t vectorId, std::int32_t vectorInstance,
                        std::int32_t parentEntry, VectorNode* parentNode);
  std::int32_t OpenNetMgrHandle(std::int32_t handle, std::int32_t vectorId,
                                std::int32_t netInstance, std::int32_t nodeInstance,
                                const HandleEntry* parent);
  bool RefreshJobs(bool keepCount);

  // Discovery runs and devices.
  void SetProviderSearchMode(bool installed);
  std::int32_t RunDiscovery(std::int32_t handle, bool installed);
  void RecordDevices(std::int32_t total, bool installed);
  void ReadDeviceScalars(std::uint32_t index, VectorNode* node);
  std::int32_t OpenDevice(std::int32_t handle, bool installed, std::int32_t number);
  static void OnDiscoveryComplete(std::int32_t cookie, std::intptr_t userData);

  // Groups and value lists.
  GroupIds IdsOf(std::int32_t groupId);
  const CustomGroup* FindCustomGroup(std::int32_t groupHandle) const;
  std::int32_t ReadNetMgrGroup(HandleEntry& h, std::int32_t groupId, bool cached,
                               bool* hit);
  // Fills `out` (its storage reused).
  void NetMgrEntries(std::int32_t handle, ListKind kind, std::vector<ListView>& out);
  void JobEntries(std::int32_t handle, ListKind kind, std::vector<ListEntry>& out);
  std::vector<ListEntry> CachedEntries(std::int32_t handle, ListKind kind, bool* describe);
  std::int32_t NextGroupIdentity() const;
  HRESULT ValueList(LONG handle, ListKind kind, VARIANT* ids, VARIANT* values, VARIANT* descrs,
                    LONG* count);

  // Advise, timers, notifications and events (advise.cpp).
  struct AdviseList {
    std::int32_t count = 0;
    std::array<std::int32_t, kAdviseGroups> groups{};
  };
  void Advise(std::int32_t handle, std::int32_t groupId);
  void Unadvise(std::int32_t handle);
  // Everything pending for a handle that is being released.
  void ClearAdvise(std::int32_t handle);
  void StopAdviseTimerIfIdle();
  void OnAdviseTimer(std::int32_t timerId);
  void PollAdvisedGroups(std::int32_t timerId);
  bool RefreshGroupValues(std::int32_t handle, std::int32_t groupId);
  void FireXferIntegerValues(std::int32_t handle, std::int32_t count);
  void FireXferStringValues(std::int32_t handle, std::int32_t groupId, std::int32_t dataType);
  void StartNotifications();
  void StopNotifications();
  static void NetMgrNotify(TargetSpec* target, void* context);
  void OnDeviceNotification(const std::string& address);

  // Instance filters (filters.cpp).
  // The value as the value lists hand it out: filtered, with the surviving
  // instances kept in the handle.
  std::int32_t ApplyFilters(std::int32_t handle, std::int32_t scalarId, std::int32_t value);
  bool ApplyFilters(std::int32_t handle, std::int32_t scalarId, std::int32_t* value, bool keep);
  // Tests the instances 1 .. count of the filter's vector under handle;
  // false when an instance cannot be opened or read.
  bool EvaluateFilter(std::int32_t handle, const Filter& filter, std::int32_t count,
                      std::vector<InstanceRecord>* survivors);
  bool InstanceHidden(std::int32_t instanceHandle, const VectorNode* deviceNode,
                      const Filter& filter, bool* hidden);
  std::int32_t FilteredInstance(std::int32_t handle, std::int32_t vectorId, std::int32_t instance);
  Filter* FindFilter(std::int32_t filterHandle);

  Environment env_;
  bool comInitialized_ = false;
  ConnectionPoint events_;
  std::int32_t otherRootHandle_ = -1;
  std::int32_t installedRootHandle_ = -1;
  std::array<std::int32_t, kMaxDevices> deviceNodes_;
  std::int32_t installedCount_ = 0;
  char address_[256] = {};
  std::int32_t cookie_ = 0;
  std::int32_t providerCount_ = 0;
  discovery::DiscoveryManager* discovery_ = nullptr;
  std::int32_t precision_ = 1000;
  std::int32_t rate_ = 15000;
  std::int32_t lastCachedGroup_ = 0;
  NodeTable nodes_;
  VectorTree tree_;
  std::int32_t jobCount_ = 0;
  std::unique_ptr<JobReader> jobs_;
  std::int32_t otherCount_ = 0;
  std::array<HandleEntry, kHandleCount> handles_;
  ComPtr<IVlmNetMgr> netmgr_;
  std::vector<JobRecord> jobRecords_;
  std::vector<CustomGroup> customGroups_;
  std::unique_ptr<ListBuffers> lists_;
  std::vector<ListEntry> entries_;  // the value lists' entries, storage reused
  std::vector<ListView> views_;     // the same for the network manager's lists
  std::vector<std::int32_t> sendIds_;  // a group read's network-manager ids, storage reused
  std::int32_t nextGroupIdentity_ = 1;

  std::unique_ptr<TimerHost> timers_;
  bool notificationsRegistered_ = false;
  std::array<AdviseList, kHandleCount> advise_{};
  std::int32_t advisedHandles_ = 0;
  bool adviseTimerRunning_ = false;
  // The notification timer's handle (its only entry: a newer notification
  // replaces it); -1 while none is pending.
  std::int32_t notificationHandle_ = -1;
  std::vector<Filter> filters_;
  std::int32_t nextFilterHandle_ = 1;
  std::int32_t filterEvaluations_ = 0;  // evaluations in progress: no translation
  std::array<std::optional<std::vector<InstanceRecord>>, kHandleCount> filtered_;
};

// Identifier classes of the shared number space.
// The network manager's scalars: MIB records 0-217 and count scalars 8001-8013.
inline bool IsNetMgrScalar(std::int32_t id) { return (id >= 0 && id <= 217) || (id >= 8001 && id <= 8013); }
// The network manager's vectors: MIB records 0-217.
inline bool IsNetMgrVector(std::int32_t id) { return id >= 0 && id <= 217; }
// The kind of one of VectorItem's own scalars: kKindInteger, kKindText, or
// -1 for an id it does not know (device band ids outside the kind table).
std::int32_t OwnScalarKind(std::int32_t id);

}  // namespace vlm::mgmt
