// Advised groups re-read on a timer, device notifications from the network
// manager, and the events of _IVectorItemEvents that announce both.
#include <cstring>
#include <mutex>
#include <set>

#include "mgmt/named_objects.h"
#include "mgmt/vector_item.h"

namespace vlm::mgmt {

using namespace xlpnmif;

namespace {

// The objects that notifications may reach. The network manager's listener
// thread looks its object up and posts to the object's thread under this
// lock; an object leaves before its timer host goes, so a late callback
// finds nothing. Both live to the end of the process, as the listener does.
std::mutex& RouteLock() {
  static auto* lock = new std::mutex;
  return *lock;
}

std::set<const void*>& Routes() {
  static auto* routes = new std::set<const void*>;
  return *routes;
}

}  // namespace

std::int32_t AdvisePeriod(std::int32_t groupId) {
  switch (groupId) {
    case 1020:
    case 1035:
      return 25000;
    case 1023:
      return 50000;
    case kJobListGroup:
      return 10000;
    default:
      return 15000;
  }
}

HRESULT VectorItem::SetAdviseRate(LONG Rate, LONG Precision) {
  // Stored only: the next start of the advise timer takes its group's period.
  rate_ = Rate;
  precision_ = Precision;
  return S_OK;
}

// ---------------------------------------------------------------------------
// Advise lists

void VectorItem::Advise(std::int32_t handle, std::int32_t groupId) {
  NamedLock lock(ProcessNamedObjects().timerMutex);
  AdviseList& list = advise_[static_cast<std::size_t>(handle)];
  // A full list takes no further group.
  if (list.count >= kAdviseGroups) return;
  if (list.count == 0) ++advisedHandles_;
  list.groups[static_cast<std::size_t>(list.count++)] = groupId;
  if (!adviseTimerRunning_) {
    rate_ = AdvisePeriod(groupId);
    timers_->Start(kAdviseTimer, rate_);
    adviseTimerRunning_ = true;
  }
}

void VectorItem::Unadvise(std::int32_t handle) {
  NamedLock lock(ProcessNamedObjects().timerMutex);
  AdviseList& list = advise_[static_cast<std::size_t>(handle)];
  // The most recently advised group goes, whatever group is named; an empty
  // list stays empty and changes nothing.
  if (list.count == 0) return;
  if (--list.count == 0) {
    --advisedHandles_;
    StopAdviseTimerIfIdle();
  }
}

void VectorItem::ClearAdvise(std::int32_t handle) {
  NamedLock lock(ProcessNamedObjects().timerMutex);
  AdviseList& list = advise_[static_cast<std::size_t>(handle)];
  if (list.count > 0) {
    list.count = 0;
    --advisedHandles_;
    StopAdviseTimerIfIdle();
  }
  // A notification still pending for the handle goes with it.
  if (notificationHandle_ == handle) {
    notificationHandle_ = -1;
    timers_->Stop(kNotificationTimer);
  }
}

void VectorItem::StopAdviseTimerIfIdle() {
  if (advisedHandles_ > 0 || !adviseTimerRunning_) return;
  timers_->Stop(kAdviseTimer);
  adviseTimerRunning_ = false;
}

// ---------------------------------------------------------------------------
// Timer ticks

void VectorItem::OnAdviseTimer(std::int32_t timerId) {
  // A sink may drop the last reference to this object from inside an event;
  // the object then ends after the tick, outside the timer mutex.
  ComPtr<VectorItem> keepAlive(this);
  NamedLock lock(ProcessNamedObjects().timerMutex);
  try {
    PollAdvisedGroups(timerId);
  } catch (...) {
    // Out of memory: this tick ends here; the next one tries again.
  }
}

void VectorItem::PollAdvisedGroups(std::int32_t timerId) {
  if (timerId >= kNotificationTimer) {
    // The one-shot after a notification: nothing is read.
    timers_->Stop(timerId);
    const std::int32_t handle = timerId == kNotificationTimer ? notificationHandle_ : -1;
    if (handle < 0) return;
    notificationHandle_ = -1;
    FireXferIntegerValues(handle, 0);
    FireXferStringValues(handle, 0, 0);
    return;
  }
  // Lists are read afresh at every step: a sink may release, advise or
  // unadvise from inside an event.
  for (std::int32_t handle = 0; handle < kHandleCount; ++handle) {
    const AdviseList& list = advise_[static_cast<std::size_t>(handle)];
    for (std::int32_t i = 0; i < list.count; ++i) {
      const std::int32_t groupId = list.groups[static_cast<std::size_t>(i)];
      if (RefreshGroupValues(handle, groupId)) {
        FireXferIntegerValues(handle, 0);
        FireXferStringValues(handle, groupId, 0);
      } else {
        FireXferIntegerValues(handle, -1);
      }
    }
  }
}

bool VectorItem::RefreshGroupValues(std::int32_t handle, std::int32_t groupId) {
  HandleEntry& h = handles_[static_cast<std::size_t>(handle)];
  if (h.kind == kHandleNetMgr) {
    bool hit = false;
    if (ReadNetMgrGroup(h, groupId, false, &hit) != 0) return false;
  } else if (h.kind == kHandleJobs) {
    RefreshJobs(true);
    if (groupId != kJobListGroup && h.value != kJobListValue && h.value < jobCount_)
      jobs_->GetJobInfo(h.value, &jobRecords_[static_cast<std::size_t>(handle)]);
  }
  // Device and discovery-root handles read nothing.
  h.mode = kModeRead;
  return true;
}

void VectorItem::FireXferIntegerValues(std::int32_t handle, std::int32_t count) {
  events_.FireWith(DISPID_XferIntegerValues, LONG{handle}, LONG{count});
}

void VectorItem::FireXferStringValues(std::int32_t handle, std::int32_t groupId,
                                      std::int32_t dataType) {
  events_.FireWith(DISPID_XferStringValues, LONG{handle}, LONG{groupId}, LONG{dataType});
}

// ---------------------------------------------------------------------------
// Notifications

void VectorItem::StartNotifications() {
  {
    std::lock_guard lock(RouteLock());
    Routes().insert(this);
  }
  // A listener that cannot be had costs the notifications only.
  netmgr_->RegisterTrapCallback(1, &VectorItem::NetMgrNotify, this);
  notificationsRegistered_ = true;
}

void VectorItem::StopNotifications() {
  {
    std::lock_guard lock(RouteLock());
    Routes().erase(this);
  }
  if (notificationsRegistered_ && netmgr_) netmgr_->RegisterTrapCallback(1, nullptr, nullptr);
  notificationsRegistered_ = false;
}

// On the network manager's listener thread: only the sender's address is
// taken, and handed to the object's own thread.
void VectorItem::NetMgrNotify(TargetSpec* target, void* context) {
  if (!target || !context) return;
  try {
    std::string address(target->address, strnlen(target->address, sizeof target->address));
    auto* item = static_cast<VectorItem*>(context);
    std::function<void()> task = [item, address = std::move(address)] {
      try {
        item->OnDeviceNotification(address);
      } catch (...) {
        // Out of memory: this notification is lost.
      }
    };
    std::lock_guard lock(RouteLock());
    if (Routes().count(item) == 0) return;
    item->timers_->Post(std::move(task));
  } catch (...) {
    // Out of memory: this notification is lost.
  }
}

void VectorItem::OnDeviceNotification(const std::string& address) {
  if (installedCount_ <= 0 || address.empty()) return;
  std::int32_t device = -1;
  for (std::int32_t w = 0; w < installedCount_ && w < kMaxDevices; ++w) {
    const std::int32_t entry = deviceNodes_[static_cast<std::size_t>(w)];
    char text[256] = {};
    std::int32_t length = sizeof text;
    if (VectorTree::GetScalarString(nodes_.NodeOf(entry), kDeviceAddress, text, &length) != 0)
      continue;
    if (address == text) {
      device = entry;
      break;
    }
  }
  if (device < 0) return;
  for (std::int32_t handle = 0; handle < kHandleCount; ++handle) {
    const HandleEntry& e = handles_[static_cast<std::size_t>(handle)];
    if (e.value == -1 || e.node != device) continue;
    // A newer notification replaces the handle of one still pending.
    notificationHandle_ = handle;
    timers_->Start(kNotificationTimer, kNotificationDelayMs);
    return;
  }
}

VectorItem::AdviseState VectorItem::AdviseStateForTests(LONG handle) const {
  AdviseState s{{}, advisedHandles_, adviseTimerRunning_, rate_, precision_};
  if (handle >= 0 && handle < kHandleCount) {
    const AdviseList& list = advise_[static_cast<std::size_t>(handle)];
    s.groups.assign(list.groups.begin(), list.groups.begin() + list.count);
  }
  return s;
}

}  // namespace vlm::mgmt
