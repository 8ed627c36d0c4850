// The discovery manager library libVLMDM.so: loads the discovery providers
// that the registry lists, runs them together and answers for the devices
// they found.
//
// What a caller may rely on:
// - MakeDiscoveryManagerObject returns a new, initialised DiscoveryManager
//   (null when it cannot be made); FreeDiscoveryManagerObject destroys it and
//   ignores anything else (null, a pointer it did not make, one already
//   freed). The library exports exactly these, by name, besides
//   DllRegisterServer, DllUnregisterServer, DllGetVersion and DllInstall.
// - Providers are loaded once per process, at the first Initialize whose
//   providers key opens, and stay loaded until the process ends. The library
//   itself stays mapped until then too (dlclose does not unmap it), so that a
//   provider thread always finds the completion function it was given; at
//   the end each provider library ends its own thread, and a completion that
//   comes after the manager's state is gone is dropped.
// - Runs, callbacks and device lists are process-wide: every object sees the
//   same run. StartDiscovery registers its callback in the first free of 100
//   slots; the cookie is the slot number (1 to 100), 0 when no slot is free
//   or the callback is null. A registered callback is called once at the end
//   of every run, on the thread of the last provider to finish (or on the
//   starting thread when no provider could run: such a run ends before
//   StartDiscovery returns), never under the manager's lock. The end of a
//   run calls only what was registered when it ended and is still
//   registered when its turn comes. RemoveDiscoveryCallback returns once no
//   call of that callback is running on another thread (a callback may
//   remove itself); after it returns the callback is not called again.
// - Statuses are HRESULT values: S_OK, S_FALSE, E_INVALIDARG, E_HANDLE,
//   NTE_NO_MEMORY, NTE_NOT_FOUND, DM_E_DISCOVERY_RUNNING and
//   DM_E_DEVICE_NOT_FOUND; a provider's own result is passed on unchanged by
//   QueryDeviceProperty. A required pointer that is null gives E_INVALIDARG
//   (a null settings record of GetProviderSettings is a size query). No
//   operation lets an exception out.
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
// Numbering starts at 32; 37 to 63 are empty. The library entry point (32)
// has no counterpart here: the loader runs the library's static
// constructors instead, and it is not exported.
inline constexpr int kOrdinalBase = 32;
inline constexpr int kOrdinalDllMain = 32;
inline constexpr int kOrdinalDllRegisterServer = 33;
inline constexpr int kOrdinalDllUnregisterServer = 34;
inline constexpr int kOrdinalDllGetVersion = 35;
inline constexpr int kOrdinalDllInstall = 36;
inline constexpr int kOrdinalMakeDiscoveryManagerObject = 64;
inline constexpr int kOrdinalFreeDiscoveryManagerObject = 65;

// The version record of DllGetVersion (20 bytes). A caller sets cbSize to
// the size of its record, at least 20; a larger record (the 32-byte second
// form) has only these fields after cbSize filled. The version is the
// build's project version: major, minor, and build number
// (patch << 16 | tweak); the platform is 1.
struct DLLVERSIONINFO {
  std::uint32_t cbSize;
  std::uint32_t dwMajorVersion;
  std::uint32_t dwMinorVersion;
  std::uint32_t dwBuildNumber;
  std::uint32_t dwPlatformID;
};
static_assert(sizeof(DLLVERSIONINFO) == 20);
inline constexpr std::uint32_t DLLVER_PLATFORM_WINDOWS = 1;

// The other exports, for callers that find them with dlsym. Each returns
// S_OK; registration and installation change nothing; DllGetVersion gives
// E_INVALIDARG for a null record or a cbSize below 20 (record untouched).
extern "C" {
using DllRegisterServerFn = std::int32_t (*)();
using DllUnregisterServerFn = std::int32_t (*)();
using DllGetVersionFn = std::int32_t (*)(DLLVERSIONINFO* info);
using DllInstallFn = std::int32_t (*)(std::int32_t install, const char16_t* commandLine);
using MakeDiscoveryManagerObjectFn = DiscoveryManager* (*)();
using FreeDiscoveryManagerObjectFn = void (*)(DiscoveryManager* manager);
}

}  // namespace vlm::discovery

extern "C" {
vlm::discovery::DiscoveryManager* MakeDiscoveryManagerObject();
void FreeDiscoveryManagerObject(vlm::discovery::DiscoveryManager* manager);
}
