// The process-wide discovery context: provider loading, runs, completion
// callbacks and the device list across providers.
#include <strings.h>

#include <array>
#include <atomic>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <thread>

#include "discovery/manager/core.h"
#include "platform/com/com.h"
#include "platform/registry/registry.h"

namespace vlm::discovery {
namespace {

// Trivially destructible, so that a completion arriving while (or after) the
// context is destroyed can still test them safely.
std::atomic<DiscoveryContext*> g_current{nullptr};
std::atomic<int> g_completionsInside{0};

// Calls of each slot in progress on this thread, so that a callback may
// remove itself without waiting for its own return.
thread_local std::array<std::uint16_t, kCallbackSlots> t_callsHere{};

struct Slot {
  std::int32_t cookie = 0;
  std::intptr_t userData = 0;
  DiscoveryCompleteCallback callback = nullptr;
  std::uint64_t generation = 0;  // changes with every registration
  int calls = 0;                 // calls in progress, on any thread
};

// The registrations a run's end calls, taken under the lock.
struct Snapshot {
  int count = 0;
  std::array<int, kCallbackSlots> slot{};
  std::array<std::uint64_t, kCallbackSlots> generation{};
};

}  // namespace

struct DiscoveryContext::State {
  std::recursive_mutex lock;
  std::condition_variable_any callEnded;
  bool closing = false;
  bool runActive = false;
  bool starting = false;  // StartDiscovery is starting the providers
  std::array<Slot, kCallbackSlots> slots;
  std::uint64_t generations = 0;
  bool providersLoaded = false;
  std::array<std::unique_ptr<ProviderEntry>, kMaxProviders> providers;
  int providerCount = 0;
  std::array<bool, kMaxProviders> done{};

  bool AllDone() const {
    for (int i = 0; i < providerCount; ++i) {
      if (!done[i]) return false;
    }
    return true;
  }

  // Ends the run; the caller holds the lock and calls Dispatch after leaving it.
  void EndRun(Snapshot* snapshot) {
    runActive = false;
    for (int i = 0; i < kCallbackSlots; ++i) {
      if (slots[i].callback && slots[i].cookie != 0) {
        snapshot->slot[snapshot->count] = i;
        snapshot->generation[snapshot->count] = slots[i].generation;
        ++snapshot->count;
      }
    }
  }

  // Calls each registration of the snapshot that is still the same one.
  void Dispatch(const Snapshot& snapshot) {
    for (int n = 0; n < snapshot.count; ++n) {
      const int i = snapshot.slot[n];
      std::int32_t cookie;
      std::intptr_t userData;
      DiscoveryCompleteCallback callback;
      {
        std::lock_guard guard(lock);
        Slot& s = slots[i];
        if (closing || !s.callback || s.generation != snapshot.generation[n]) continue;
        cookie = s.cookie;
        userData = s.userData;
        callback = s.callback;
        ++s.calls;
        ++t_callsHere[i];
      }
      callback(cookie, userData);
      {
        std::lock_guard guard(lock);
        --slots[i].calls;
        --t_callsHere[i];
      }
      callEnded.notify_all();
    }
  }

  void ProviderDone(std::intptr_t index) {
    Snapshot snapshot;
    {
      std::lock_guard guard(lock);
      if (closing || !runActive) return;
      if (index >= 0 && index < providerCount) done[index] = true;
      // A provider that reports from inside its own Start leaves the end of
      // the run to StartDiscovery, which holds the lock on this thread.
      if (starting || !AllDone()) return;
      EndRun(&snapshot);
    }
    Dispatch(snapshot);
  }
};

DiscoveryContext::DiscoveryContext() : state_(std::make_unique<State>()) { g_current.store(this); }

DiscoveryContext::~DiscoveryContext() {
  std::array<std::unique_ptr<ProviderEntry>, kMaxProviders> providers;
  {
    std::lock_guard guard(state_->lock);
    state_->closing = true;
    state_->runActive = false;
    providers.swap(state_->providers);
    state_->providerCount = 0;
  }
  // The provider libraries stay loaded: this happens at the end of the
  // process, when each provider library ends its own discovery thread (and
  // unloading it here would leave its process-long objects unreachable). A
  // completion that still arrives finds the context closing, or gone.
  for (auto& provider : providers) {
    if (provider) provider->KeepLibraryLoaded();
    provider.reset();
  }
  DiscoveryContext* self = this;
  g_current.compare_exchange_strong(self, nullptr);
  while (g_completionsInside.load() != 0) std::this_thread::yield();
}

DiscoveryContext* DiscoveryContext::Current() { return g_current.load(); }

void DiscoveryContext::EnsureProvidersLoaded() {
  std::lock_guard guard(state_->lock);
  if (state_->providersLoaded || state_->closing) return;
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kProvidersKey, 0, KEY_READ, &key) != ERROR_SUCCESS) return;
  // Nothing is loaded before the first successful load, so no provider is
  // replaced here.
  int count = 0;
  while (count < kMaxProviders) {
    char name[kRegistryTextBytes];
    char data[kRegistryTextBytes];
    DWORD nameSize = sizeof name, dataSize = sizeof data;
    if (RegEnumValueA(key, static_cast<DWORD>(count), name, &nameSize, nullptr, nullptr,
                      reinterpret_cast<BYTE*>(data), &dataSize) != ERROR_SUCCESS) {
      break;
    }
    try {
      state_->providers[count] =
          std::make_unique<ProviderEntry>(std::string(data, ::strnlen(data, dataSize)));
    } catch (...) {
      break;
    }
    ++count;
  }
  RegCloseKey(key);
  state_->providerCount = count;
  state_->providersLoaded = true;
}

int DiscoveryContext::ProviderCount() {
  std::lock_guard guard(state_->lock);
  return state_->providerCount;
}

ProviderEntry* DiscoveryContext::Provider(int index) {
  std::lock_guard guard(state_->lock);
  return index >= 0 && index < state_->providerCount ? state_->providers[index].get() : nullptr;
}

ProviderEntry* DiscoveryContext::FindProvider(const char* name) {
  if (!name) return nullptr;
  std::lock_guard guard(state_->lock);
  for (int i = 0; i < state_->providerCount; ++i) {
    const std::string* own = state_->providers[i]->name();
    if (own && ::strcasecmp(own->c_str(), name) == 0) return state_->providers[i].get();
  }
  return nullptr;
}

bool DiscoveryContext::RunActive() {
  std::lock_guard guard(state_->lock);
  return state_->runActive;
}

std::int32_t DiscoveryContext::StartDiscovery(std::int32_t* cookie, std::intptr_t userData,
                                              DiscoveryCompleteCallback callback) {
  Snapshot snapshot;
  {
    std::lock_guard guard(state_->lock);
    if (state_->closing) return S_OK;
    if (callback) {
      for (int i = 0; i < kCallbackSlots; ++i) {
        Slot& s = state_->slots[i];
        if (s.callback) continue;
        s.cookie = i + 1;
        s.userData = userData;
        s.callback = callback;
        s.generation = ++state_->generations;
        *cookie = s.cookie;
        break;
      }
    }
    // A run in progress: the registration joins it.
    if (RunActive()) return S_OK;

    state_->runActive = true;
    state_->starting = true;
    for (int i = 0; i < state_->providerCount; ++i) {
      state_->done[i] = !state_->providers[i]->canStart();
    }
    for (int i = 0; i < state_->providerCount; ++i) {
      if (state_->providers[i]->canStart()) state_->providers[i]->Start(i, &OnProviderDone);
    }
    state_->starting = false;
    // No provider could run, or all have already reported.
    if (!state_->runActive || !state_->AllDone()) return S_OK;
    state_->EndRun(&snapshot);
  }
  state_->Dispatch(snapshot);
  return S_OK;
}

std::int32_t DiscoveryContext::RemoveDiscoveryCallback(std::int32_t cookie) {
  if (cookie < 1 || cookie > kCallbackSlots) return S_OK;
  const int i = cookie - 1;
  std::unique_lock guard(state_->lock);
  Slot& s = state_->slots[i];
  if (s.cookie != cookie) return S_OK;
  s.cookie = 0;
  s.userData = 0;
  s.callback = nullptr;
  // A call of this slot on another thread may still be running: its user
  // data must stay valid until it returns.
  state_->callEnded.wait(guard, [&] { return s.calls - t_callsHere[i] == 0; });
  return S_OK;
}

std::int32_t DiscoveryContext::GetTotalDeviceCount(std::int32_t* count) {
  std::lock_guard guard(state_->lock);
  if (state_->runActive) return DM_E_DISCOVERY_RUNNING;
  std::int64_t total = 0;
  for (int i = 0; i < state_->providerCount; ++i) {
    std::int32_t n = 0;
    state_->providers[i]->DeviceCountIs(&n);
    if (n > 0) total += n;
  }
  *count = static_cast<std::int32_t>(total > INT32_MAX ? INT32_MAX : total);
  return S_OK;
}

std::int32_t DiscoveryContext::QueryDeviceProperty(std::uint32_t deviceIndex,
                                                   const char* propertyName, void* reserved,
                                                   std::uint32_t bufferSize, void* buffer,
                                                   std::uint32_t* length) {
  int providers;
  {
    std::lock_guard guard(state_->lock);
    if (state_->runActive) return DM_E_DISCOVERY_RUNNING;
    providers = state_->providerCount;
  }
  // The table does not change once loaded, so it is read without the lock,
  // as are the providers' device lists.
  std::uint64_t base = 0;
  for (int p = 0; p < providers; ++p) {
    ProviderEntry* provider = state_->providers[p].get();
    std::int32_t n = 0;
    provider->DeviceCountIs(&n);
    if (n <= 0) continue;
    if (deviceIndex < base + static_cast<std::uint64_t>(n)) {
      return provider->GetDeviceProperty(static_cast<std::uint32_t>(deviceIndex - base),
                                         propertyName, reserved, bufferSize, buffer, length);
    }
    base += static_cast<std::uint64_t>(n);
  }
  return DM_E_DEVICE_NOT_FOUND;
}

std::int32_t DiscoveryContext::OnProviderDone(std::intptr_t providerIndex, std::int32_t) {
  g_completionsInside.fetch_add(1);
  if (DiscoveryContext* context = g_current.load()) {
    try {
      context->state_->ProviderDone(providerIndex);
    } catch (...) {
    }
  }
  g_completionsInside.fetch_sub(1);
  return 0;
}

}  // namespace vlm::discovery
