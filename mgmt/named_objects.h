// The process-wide named synchronisation objects of the management
// interface: "TIMER_MUTEX" and "DISC_MUTEX" (mutexes, recursive for their
// owner thread) and the manual-reset event "DISC_EVENT".
//
// What a caller may rely on:
// - ProcessNamedObjects opens the three once (the event initially signalled)
//   and keeps them open for the life of the process, so that no object's end
//   can close one under another object. Complete() is false when one of
//   them could not be opened.
// - NamedLock waits for a mutex without a time limit and releases it at the
//   end of its scope when the wait obtained it.
#pragma once

#include "platform/sync/sync.h"

namespace vlm::mgmt {

struct NamedObjects {
  HANDLE timerMutex = nullptr;
  HANDLE discEvent = nullptr;
  HANDLE discMutex = nullptr;
  bool Complete() const { return timerMutex && discEvent && discMutex; }
};

const NamedObjects& ProcessNamedObjects();

class NamedLock {
 public:
  explicit NamedLock(HANDLE mutex) : mutex_(mutex) {
    DWORD r = WaitForSingleObject(mutex_, INFINITE);
    owned_ = r == WAIT_OBJECT_0 || r == WAIT_ABANDONED;
  }
  ~NamedLock() {
    if (owned_) ReleaseMutex(mutex_);
  }
  NamedLock(const NamedLock&) = delete;
  NamedLock& operator=(const NamedLock&) = delete;
  bool owned() const { return owned_; }

 private:
  HANDLE mutex_;
  bool owned_ = false;
};

}  // namespace vlm::mgmt
