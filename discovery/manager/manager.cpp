// The DiscoveryManager object: its fourteen operations over the process-wide
// discovery context.
#include <algorithm>
#include <cstring>
#include <mutex>
#include <new>
#include <unordered_set>

#include "discovery/manager/core.h"
#include "platform/com/com.h"

namespace vlm::discovery {
namespace {

// The managers made and not yet destroyed, so that freeing anything else (or
// freeing twice) does nothing.
std::mutex& LiveLock() {
  static std::mutex lock;
  return lock;
}
std::unordered_set<DiscoveryManager*>& Live() {
  static std::unordered_set<DiscoveryManager*> live;
  return live;
}

// The options caches are shared by every manager object; settings requests
// are taken one at a time.
std::mutex& SettingsLock() {
  static std::mutex lock;
  return lock;
}

template <class F>
std::int32_t Guarded(F&& f) noexcept {
  try {
    return f();
  } catch (...) {
    return E_OUTOFMEMORY;
  }
}

std::int32_t ReadInt32(const std::uint8_t* p) {
  std::int32_t v;
  std::memcpy(&v, p, sizeof v);
  return v;
}

class ManagerObject final : public DiscoveryManager {
 public:
  std::int32_t GetProviderCount() override { return providerCount_; }

  std::int32_t GetProviderNames(std::uint32_t bufferSize, std::uint8_t* buffer,
                                std::uint32_t* needed) override {
    return Guarded([&]() -> std::int32_t {
      if (!needed || (bufferSize != 0 && !buffer)) return E_INVALIDARG;
      if (providerCount_ <= 0) {
        if (bufferSize != 0) std::memset(buffer, 0, bufferSize);
        return S_OK;
      }
      *needed = kProviderNameRecord * static_cast<std::uint32_t>(providerCount_);
      if (bufferSize < *needed) {
        if (bufferSize == 0) return S_OK;
        std::memset(buffer, 0, bufferSize);
        return NTE_NO_MEMORY;
      }
      std::memset(buffer, 0, bufferSize);
      DiscoveryContext* context = DiscoveryContext::Current();
      if (!context) return NTE_NOT_FOUND;
      for (int i = 0; i < providerCount_; ++i) {
        ProviderEntry* entry = context->Provider(i);
        if (!entry) break;
        if (const std::string* name = entry->name()) {
          std::memcpy(buffer + kProviderNameRecord * i, name->data(),
                      std::min<std::size_t>(name->size(), kProviderNameRecord - 1));
        }
      }
      return S_OK;
    });
  }

  std::int32_t GetRefreshInterval(std::int32_t* interval) override {
    if (!interval) return E_INVALIDARG;
    *interval = refreshInterval_;
    return S_OK;
  }

  std::int32_t SetRefreshInterval(const std::int32_t* interval) override {
    if (!interval) return E_INVALIDARG;
    refreshInterval_ = *interval;
    // A write that fails is not reported: the object keeps the new value.
    WriteRegistryDword(1, kOptionsKey, kRefreshIntervalValue,
                       static_cast<std::uint32_t>(refreshInterval_));
    return S_OK;
  }

  std::int32_t GetProviderSettings(const char* providerName, std::uint32_t size,
                                   ProviderSettings* settings, std::uint32_t* written) override {
    return Guarded([&]() -> std::int32_t {
      if (!written) return E_INVALIDARG;
      *written = sizeof(ProviderSettings);
      if (settings) std::memset(settings, 0, size);
      if (size < sizeof(ProviderSettings) || !settings) return S_OK;
      DiscoveryContext* context = DiscoveryContext::Current();
      ProviderEntry* entry = context ? context->FindProvider(providerName) : nullptr;
      if (!entry) return E_HANDLE;

      std::lock_guard guard(SettingsLock());
      // Each field is taken from a fresh copy of the provider's options.
      auto field = [&](std::size_t offset, bool sixteenBits) -> std::int32_t {
        if (!entry->RefreshOptions() || !entry->optionsCache()) return 0;
        const std::uint8_t* p = entry->optionsCache() + offset;
        if (!sixteenBits) return ReadInt32(p);
        std::uint16_t low;
        std::memcpy(&low, p, sizeof low);
        return low;
      };
      ProviderSettings record{};
      record.stateWord = entry->stateWord;
      record.discoverInstalled = field(offsetof(ProviderOptions, discoverInstalled), false);
      record.discoverUnInstalled = field(offsetof(ProviderOptions, discoverUnInstalled), false);
      record.refreshInterval = field(offsetof(ProviderOptions, refreshInterval), true);
      std::memcpy(settings, &record, sizeof record);
      return S_OK;
    });
  }

  std::int32_t SetProviderSettings(const char* providerName, std::uint32_t size,
                                   const ProviderSettings* settings) override {
    return Guarded([&]() -> std::int32_t {
      if (!providerName || !settings) return E_INVALIDARG;
      DiscoveryContext* context = DiscoveryContext::Current();
      if (!context) return NTE_NOT_FOUND;
      if (size < sizeof(ProviderSettings)) return S_FALSE;
      ProviderEntry* entry = context->FindProvider(providerName);
      if (!entry) return S_FALSE;

      std::lock_guard guard(SettingsLock());
      if (!entry->RefreshOptions() || !entry->optionsCache()) return S_FALSE;
      ProviderSettings record;
      std::memcpy(&record, settings, sizeof record);
      entry->stateWord = record.stateWord;
      std::uint8_t* cache = entry->optionsCache();
      // Only the low half of the refresh field is the provider's value; the
      // upper half stays as the provider last reported it.
      const std::uint16_t refresh = static_cast<std::uint16_t>(record.refreshInterval);
      std::memcpy(cache + offsetof(ProviderOptions, refreshInterval), &refresh, sizeof refresh);
      std::memcpy(cache + offsetof(ProviderOptions, discoverInstalled), &record.discoverInstalled,
                  sizeof(std::int32_t));
      std::memcpy(cache + offsetof(ProviderOptions, discoverUnInstalled),
                  &record.discoverUnInstalled, sizeof(std::int32_t));
      if (!entry->SetOptionsFromCache()) return S_FALSE;
      return entry->RefreshOptions() ? S_OK : S_FALSE;
    });
  }

  std::int32_t StartDiscovery(std::int32_t* cookie, std::intptr_t userData,
                              DiscoveryCompleteCallback callback) override {
    if (!cookie) return E_INVALIDARG;
    *cookie = 0;
    DiscoveryContext* context = DiscoveryContext::Current();
    if (!context) return NTE_NOT_FOUND;
    return Guarded([&] { return context->StartDiscovery(cookie, userData, callback); });
  }

  std::int32_t RemoveDiscoveryCallback(std::int32_t cookie) override {
    DiscoveryContext* context = DiscoveryContext::Current();
    if (!context) return NTE_NOT_FOUND;
    return Guarded([&] { return context->RemoveDiscoveryCallback(cookie); });
  }

  std::int32_t GetTotalDeviceCount(std::int32_t* count) override {
    DiscoveryContext* context = DiscoveryContext::Current();
    if (!context) return NTE_NOT_FOUND;
    if (!count) return E_INVALIDARG;
    *count = 0;
    return Guarded([&] { return context->GetTotalDeviceCount(count); });
  }

  std::int32_t QueryDeviceProperty(std::int32_t, std::uint32_t deviceIndex,
                                   const char* propertyName, void* reserved,
                                   std::uint32_t bufferSize, void* buffer,
                                   std::uint32_t* length) override {
    DiscoveryContext* context = DiscoveryContext::Current();
    if (!context) return NTE_NOT_FOUND;
    if (!propertyName || !length || (bufferSize != 0 && !buffer)) return E_INVALIDARG;
    return Guarded([&] {
      return context->QueryDeviceProperty(deviceIndex, propertyName, reserved, bufferSize, buffer,
                                          length);
    });
  }

  std::int32_t ReservedCall(std::int32_t, std::int32_t, std::int32_t, std::int32_t, std::int32_t,
                            std::int32_t, std::int32_t, std::int32_t) override {
    return DiscoveryContext::Current() ? S_FALSE : NTE_NOT_FOUND;
  }

  void DeleteDiscoveryManager(std::uint32_t flags) override {
    {
      std::lock_guard guard(LiveLock());
      Live().erase(this);
    }
    if (flags & 1u) {
      delete this;
    } else {
      this->~ManagerObject();
    }
  }

  std::int32_t Initialize() override {
    providerCount_ = 0;
    DiscoveryContext* context = DiscoveryContext::Current();
    if (!context) return 1;
    try {
      context->EnsureProvidersLoaded();
    } catch (...) {
    }
    providerCount_ = context->ProviderCount();
    std::uint32_t interval = 0;
    ReadRegistryDword(1, kOptionsKey, kRefreshIntervalValue, &interval,
                      static_cast<std::uint32_t>(kDefaultRefreshInterval));
    refreshInterval_ = static_cast<std::int32_t>(interval);
    return 0;
  }

  void EmptySlot() override {}

 private:
  std::int32_t providerCount_ = 0;
  std::int32_t refreshInterval_ = 0;
};

}  // namespace

DiscoveryManager* NewDiscoveryManager() {
  auto* manager = new (std::nothrow) ManagerObject();
  if (!manager) return nullptr;
  try {
    std::lock_guard guard(LiveLock());
    Live().insert(manager);
  } catch (...) {
    delete manager;
    return nullptr;
  }
  manager->Initialize();
  return manager;
}

void FreeDiscoveryManager(DiscoveryManager* manager) {
  if (!manager) return;
  {
    std::lock_guard guard(LiveLock());
    if (!Live().contains(manager)) return;
  }
  manager->DeleteDiscoveryManager(1);
}

}  // namespace vlm::discovery
