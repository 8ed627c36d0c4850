#include "platform/sync/sync.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <unordered_map>
#include <utility>
#include <vector>

namespace vlm {

// Handles are numbers; no SyncHandle object ever exists.
struct SyncHandle {};

namespace {

thread_local DWORD t_lastError = 0;

void Fail(LONG error) { t_lastError = static_cast<DWORD>(error); }

enum class Kind { Mutex, Event };

struct Object {
  explicit Object(Kind k) : kind(k) {}
  const Kind kind;
  std::string name;
  std::mutex lock;  // guards the state of the derived object
  std::condition_variable changed;
};

struct Mutex : Object {
  static constexpr Kind kKind = Kind::Mutex;
  Mutex() : Object(kKind) {}
  std::thread::id owner;  // none while count is 0
  unsigned count = 0;
  bool abandoned = false;
};

struct Event : Object {
  static constexpr Kind kKind = Kind::Event;
  Event(bool manualReset, bool initial)
      : Object(kKind), manual(manualReset), signalled(initial) {}
  const bool manual;
  bool signalled;
  std::uint64_t generation = 0;  // manual: counts SetEvent calls
  unsigned waiters = 0;          // auto: threads in a wait
  unsigned grants = 0;           // auto: releases given to waiters not yet woken
};

// The mutexes the current thread owns; when the thread ends, the ones it
// still owns are abandoned, so that the next waiter is not blocked for ever.
struct OwnedMutexes {
  std::vector<std::weak_ptr<Mutex>> list;
  ~OwnedMutexes() {
    for (auto& weak : list) {
      std::shared_ptr<Mutex> m = weak.lock();
      if (!m) continue;
      std::lock_guard<std::mutex> guard(m->lock);
      if (m->count > 0 && m->owner == std::this_thread::get_id()) {
        m->owner = {};
        m->count = 0;
        m->abandoned = true;
        m->changed.notify_one();
      }
    }
  }
};
thread_local OwnedMutexes t_owned;

void ForgetOwned(const Mutex* m) {
  std::erase_if(t_owned.list, [m](const std::weak_ptr<Mutex>& w) {
    auto p = w.lock();
    return !p || p.get() == m;
  });
}

struct Table {
  std::mutex lock;
  std::unordered_map<std::uintptr_t, std::shared_ptr<Object>> handles;
  std::unordered_map<std::string, std::weak_ptr<Object>> names;
  std::uintptr_t next = 4;
};

// Never destroyed, so that handles work from other static destructors.
Table& GetTable() {
  static Table* table = new Table;
  return *table;
}

std::shared_ptr<Object> Lookup(HANDLE handle) {
  Table& t = GetTable();
  std::lock_guard<std::mutex> guard(t.lock);
  auto it = t.handles.find(reinterpret_cast<std::uintptr_t>(handle));
  return it == t.handles.end() ? nullptr : it->second;
}

// The object of a handle of T's kind; null, with ERROR_INVALID_HANDLE, for
// any other handle.
template <typename T>
std::shared_ptr<T> Get(HANDLE handle) {
  auto object = Lookup(handle);
  if (!object || object->kind != T::kKind) {
    Fail(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  return std::static_pointer_cast<T>(object);
}

// A new handle to the object of that name, or to a new object from make().
template <typename Make>
HANDLE Open(const char* name, Kind kind, Make make, std::shared_ptr<Object>* created) {
  Table& t = GetTable();
  std::lock_guard<std::mutex> guard(t.lock);
  bool named = name && *name;
  std::shared_ptr<Object> object;
  if (named) {
    auto it = t.names.find(name);
    if (it != t.names.end()) object = it->second.lock();
  }
  LONG error = ERROR_SUCCESS;
  if (object && object->kind != kind) {
    Fail(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  if (object) {
    error = ERROR_ALREADY_EXISTS;
  } else {
    object = make();
    if (named) {
      object->name = name;
      t.names[name] = object;
    }
    *created = object;
  }
  std::uintptr_t value = t.next;
  t.next += 4;
  t.handles.emplace(value, std::move(object));
  Fail(error);
  return reinterpret_cast<HANDLE>(value);
}

using Clock = std::chrono::steady_clock;

template <typename Ready>
bool WaitUntilReady(std::unique_lock<std::mutex>& guard, std::condition_variable& cv,
                    DWORD milliseconds, Clock::time_point deadline, Ready ready) {
  if (milliseconds == INFINITE) {
    cv.wait(guard, ready);
    return true;
  }
  return cv.wait_until(guard, deadline, ready);
}

DWORD WaitMutex(const std::shared_ptr<Mutex>& m, DWORD milliseconds, Clock::time_point deadline) {
  const auto self = std::this_thread::get_id();
  t_owned.list.reserve(t_owned.list.size() + 1);  // so that recording it cannot fail
  std::unique_lock<std::mutex> guard(m->lock);
  if (!WaitUntilReady(guard, m->changed, milliseconds, deadline,
                      [&] { return m->count == 0 || m->owner == self; })) {
    return WAIT_TIMEOUT;
  }
  if (m->count > 0) {
    ++m->count;
    return WAIT_OBJECT_0;
  }
  m->owner = self;
  m->count = 1;
  t_owned.list.push_back(m);
  return std::exchange(m->abandoned, false) ? WAIT_ABANDONED : WAIT_OBJECT_0;
}

DWORD WaitEvent(Event& e, DWORD milliseconds, Clock::time_point deadline) {
  std::unique_lock<std::mutex> guard(e.lock);
  if (e.signalled) {
    if (!e.manual) e.signalled = false;
    return WAIT_OBJECT_0;
  }
  if (e.manual) {
    const std::uint64_t seen = e.generation;
    bool ok = WaitUntilReady(guard, e.changed, milliseconds, deadline,
                             [&] { return e.signalled || e.generation != seen; });
    return ok ? WAIT_OBJECT_0 : WAIT_TIMEOUT;
  }
  ++e.waiters;
  bool ok = WaitUntilReady(guard, e.changed, milliseconds, deadline,
                           [&] { return e.grants > 0 || e.signalled; });
  --e.waiters;
  if (!ok) return WAIT_TIMEOUT;
  if (e.grants > 0) {
    --e.grants;
  } else {
    e.signalled = false;
  }
  return WAIT_OBJECT_0;
}

}  // namespace

HANDLE CreateMutexA(const SECURITY_ATTRIBUTES* /*security*/, BOOL initialOwner,
                    const char* name) {
  try {
    std::shared_ptr<Object> created;
    HANDLE h = Open(name, Kind::Mutex, [] { return std::make_shared<Mutex>(); }, &created);
    if (created && initialOwner) {
      auto m = std::static_pointer_cast<Mutex>(created);
      t_owned.list.reserve(t_owned.list.size() + 1);
      std::lock_guard<std::mutex> guard(m->lock);
      if (m->count == 0) {  // nobody found the new mutex in between
        m->owner = std::this_thread::get_id();
        m->count = 1;
        t_owned.list.push_back(m);
      }
    }
    return h;
  } catch (...) {
    Fail(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
}

BOOL ReleaseMutex(HANDLE mutex) {
  auto object = Get<Mutex>(mutex);
  if (!object) return 0;
  auto& m = *object;
  std::unique_lock<std::mutex> guard(m.lock);
  if (m.count == 0 || m.owner != std::this_thread::get_id()) {
    Fail(ERROR_NOT_OWNER);
    return 0;
  }
  if (--m.count == 0) {
    m.owner = {};
    m.changed.notify_one();
    guard.unlock();
    ForgetOwned(&m);
  }
  return 1;
}

HANDLE CreateEventA(const SECURITY_ATTRIBUTES* /*security*/, BOOL manualReset, BOOL initialState,
                    const char* name) {
  try {
    std::shared_ptr<Object> created;
    return Open(
        name, Kind::Event,
        [&] { return std::make_shared<Event>(manualReset != 0, initialState != 0); }, &created);
  } catch (...) {
    Fail(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
}

BOOL SetEvent(HANDLE event) {
  auto object = Get<Event>(event);
  if (!object) return 0;
  auto& e = *object;
  std::lock_guard<std::mutex> guard(e.lock);
  if (e.manual) {
    e.signalled = true;
    ++e.generation;
    e.changed.notify_all();
  } else if (e.waiters > e.grants) {
    ++e.grants;  // one waiter that is waiting now goes
    e.changed.notify_one();
  } else {
    e.signalled = true;
  }
  return 1;
}

BOOL ResetEvent(HANDLE event) {
  auto object = Get<Event>(event);
  if (!object) return 0;
  auto& e = *object;
  std::lock_guard<std::mutex> guard(e.lock);
  e.signalled = false;
  return 1;
}

DWORD WaitForSingleObject(HANDLE object, DWORD milliseconds) {
  Clock::time_point deadline{};
  if (milliseconds != INFINITE) deadline = Clock::now() + std::chrono::milliseconds(milliseconds);
  auto held = Lookup(object);
  if (!held) {
    Fail(ERROR_INVALID_HANDLE);
    return WAIT_FAILED;
  }
  try {
    if (held->kind == Kind::Mutex) {
      return WaitMutex(std::static_pointer_cast<Mutex>(held), milliseconds, deadline);
    }
    return WaitEvent(static_cast<Event&>(*held), milliseconds, deadline);
  } catch (...) {
    Fail(ERROR_NOT_ENOUGH_MEMORY);
    return WAIT_FAILED;
  }
}

BOOL CloseHandle(HANDLE object) {
  Table& t = GetTable();
  std::shared_ptr<Object> held;
  {
    std::lock_guard<std::mutex> guard(t.lock);
    auto it = t.handles.find(reinterpret_cast<std::uintptr_t>(object));
    if (it == t.handles.end()) {
      Fail(ERROR_INVALID_HANDLE);
      return 0;
    }
    held = std::move(it->second);
    t.handles.erase(it);
    // Copies are made only under this lock, so a count of 1 means that this
    // was the last holder. Otherwise a wait still holds the object, and the
    // name's entry expires with it; the next create of the name replaces it.
    if (!held->name.empty() && held.use_count() == 1) t.names.erase(held->name);
  }
  return 1;  // the object ends with held when this was its last holder
}

DWORD GetLastError() { return t_lastError; }
void SetLastError(DWORD error) { t_lastError = error; }

}  // namespace vlm
