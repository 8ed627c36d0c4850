// The discovery manager library libVLMDM.so: loads the discovery providers
// that the registry lists, runs them together and answers for the devices
// they found.
//
// What a caller may rely on:
// - MakeDiscoveryManagerObject returns a new, initialised DiscoveryManager
//   (null when it cannot be made); FreeDiscoveryManagerObject destroys it.
//   The library exports exactly these, by name, besides DllRegisterServer,
//   DllUnregisterServer, DllGetVersion and DllInstall.
// - Providers are loaded once per process, at the first Initialize whose
//   providers key opens, and stay loaded until the library is unloaded, which
//   waits for their discovery threads.
// - Runs, callbacks and device lists are process-wide: every object sees the
//   same run. A completion callback is called once at the end of every run
//   while it is registered, on the thread of the last provider to finish (or
//   on the starting thread when no provider could run), never under the
//   manager's lock; a registration made for a later run is not called by the
//   end of the current one.
// - Statuses are HRESULT values: S_OK, S_FALSE, E_INVALIDARG, E_HANDLE,
//   NTE_NO_MEMORY, NTE_NOT_FOUND, DM_E_DISCOVERY_RUNNING and
//   DM_E_DEVICE_NOT_FOUND; a provider's own result is passed on unchanged by
//   QueryDeviceProperty.
#pragma once

#include <cstddef>
#include <cstdint>

namespace vlm::discovery {

inline constexpr std::int32_t DM_E_DISCOVERY_RUNNING = static_cast<std::int32_t>(0x84150010u);
inline constexpr std::int32_t DM_E_DEVICE_NOT_FOUND = static_cast<std::int32_t>(0x84150011u);

// The record exchanged by Get/SetProviderSettings, 16 bytes.
struct ProviderSettings {
  std::int32_t stateWord;
  std::int32_t discoverInstalled;
  std::int32_t discoverUnInstalled;
  std::int32_t refreshInterval;
};
static_assert(sizeof(ProviderSettings) == 16);

// Provider name records of GetProviderNames.
inline constexpr std::uint32_t kProviderNameRecord = 32;

extern "C" {
// A client's completion callback: its cookie and the user data it registered.
using DiscoveryCompleteCallback = void (*)(std::int32_t cookie, std::intptr_t userData);
}

// The manager object; its 14 operations stand in this slot order.
struct DiscoveryManager {
  virtual std::int32_t GetProviderCount() = 0;
  virtual std::int32_t GetProviderNames(std::uint32_t bufferSize, std::uint8_t* buffer,
                                        std::uint32_t* needed) = 0;
  virtual std::int32_t GetRefreshInterval(std::int32_t* interval) = 0;
  virtual std::int32_t SetRefreshInterval(const std::int32_t* interval) = 0;
  virtual std::int32_t GetProviderSettings(const char* providerName, std::uint32_t size,
                                           ProviderSettings* settings, std::uint32_t* written) = 0;
  virtual std::int32_t SetProviderSettings(const char* providerName, std::uint32_t size,
                                           const ProviderSettings* settings) = 0;
  virtual std::int32_t StartDiscovery(std::int32_t* cookie, std::intptr_t userData,
                                      DiscoveryCompleteCallback callback) = 0;
  virtual std::int32_t RemoveDiscoveryCallback(std::int32_t cookie) = 0;
  virtual std::int32_t GetTotalDeviceCount(std::int32_t* count) = 0;
  virtual std::int32_t QueryDeviceProperty(std::int32_t cookie, std::uint32_t deviceIndex,
                                           const char* propertyName, void* reserved,
                                           std::uint32_t bufferSize, void* buffer,
                                           std::uint32_t* length) = 0;
  virtual std::int32_t ReservedCall(std::int32_t, std::int32_t, std::int32_t, std::int32_t,
                                    std::int32_t, std::int32_t, std::int32_t, std::int32_t) = 0;
  virtual void DeleteDiscoveryManager(std::uint32_t flags) = 0;
  virtual std::int32_t Initialize() = 0;
  virtual void EmptySlot() = 0;

 protected:
  ~DiscoveryManager() = default;
};

// The ordinal numbers the exports were once known by; ELF exports by name.
inline constexpr int kOrdinalDllGetVersion = 35;
inline constexpr int kOrdinalDllInstall = 36;
inline constexpr int kOrdinalMakeDiscoveryManagerObject = 64;
inline constexpr int kOrdinalFreeDiscoveryManagerObject = 65;

}  // namespace vlm::discovery

extern "C" {
vlm::discovery::DiscoveryManager* MakeDiscoveryManagerObject();
void FreeDiscoveryManagerObject(vlm::discovery::DiscoveryManager* manager);
}
