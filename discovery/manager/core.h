// The discovery manager's core (vlm_dm_core): the process-wide discovery
// context with its providers, runs and callbacks, the manager object, the
// registry DWORD helpers and the version record. libVLMDM.so wraps it in its
// exports; the unit tests link it directly.
//
// What a caller may rely on:
// - DiscoveryContext: the process-wide state that every DiscoveryManager
//   works on. Constructing one makes it the current context (Current());
//   destroying it ends dispatching, frees the provider entries but leaves
//   their libraries loaded (a provider library ends its own discovery thread
//   at the end of the process), then stops being current and waits for
//   completions still inside OnProviderDone; a later completion is dropped. While no context exists, the operations that need one
//   answer NTE_NOT_FOUND. The library holds one as a static object; tests make
//   their own.
// - Providers are read from HKLM "SOFTWARE\VLM\Discovery\DM\PROVIDERS" at the
//   first EnsureProvidersLoaded whose key opens, at most ten, in value order;
//   each names a provider key with "Name", "Path" and "Version" (texts of at
//   most 128 bytes, copied up to their first NUL or their end). A provider
//   whose library does not load, or lacks exports, still counts; its missing
//   exports answer as "not available". The seven exports are bound only from
//   the provider library itself, never from a library it depends on. Init is
//   called once per load.
// - Runs: StartDiscovery registers the callback in the first free of 100
//   slots (cookie = slot index + 1, or 0 when none is free or the callback is
//   null) and, when no run is active, starts every provider with its table
//   index as context. A provider that cannot start counts as done at once; a
//   run in which every provider is done ends at once, with the callbacks
//   called on the starting thread after the lock is left. At the end of a run
//   the registered slots are taken under the lock; each is then called
//   without the lock, unless it was removed (or freed and registered again)
//   in the meantime. RemoveDiscoveryCallback returns only when no call of that
//   slot is in progress on another thread.
// - Every operation catches what it might throw; none lets an exception out.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "discovery/manager/vlmdm.h"
#include "discovery/providers/provider_api.h"
#include "platform/types.h"

namespace vlm::discovery {

inline constexpr int kMaxProviders = 10;
inline constexpr int kCallbackSlots = 100;
inline constexpr std::int32_t kDefaultRefreshInterval = 1000;
inline constexpr std::uint32_t kRegistryTextBytes = 128;
// Extra option data a provider may announce behind its 28-byte record.
inline constexpr std::int32_t kMaxOptionsExtra = 64 * 1024;

inline constexpr char kProvidersKey[] = "SOFTWARE\\VLM\\Discovery\\DM\\PROVIDERS";
inline constexpr char kOptionsKey[] = "SOFTWARE\\VLM\\Discovery\\DM\\Options";
inline constexpr char kRefreshIntervalValue[] = "RefreshInterval";

class ProviderEntry;

class DiscoveryContext {
 public:
  DiscoveryContext();
  ~DiscoveryContext();
  DiscoveryContext(const DiscoveryContext&) = delete;
  DiscoveryContext& operator=(const DiscoveryContext&) = delete;

  static DiscoveryContext* Current();

  // Loads the providers unless a load has succeeded before; a providers key
  // that does not open leaves nothing loaded, for the next call to retry.
  void EnsureProvidersLoaded();
  int ProviderCount();
  // Entry i (0 <= i < ProviderCount()), or null.
  ProviderEntry* Provider(int index);
  // The first provider, in table order, whose Name equals name ignoring
  // ASCII case; providers without a Name never match.
  ProviderEntry* FindProvider(const char* name);

  std::int32_t StartDiscovery(std::int32_t* cookie, std::intptr_t userData,
                              DiscoveryCompleteCallback callback);
  std::int32_t RemoveDiscoveryCallback(std::int32_t cookie);
  std::int32_t GetTotalDeviceCount(std::int32_t* count);
  std::int32_t QueryDeviceProperty(std::uint32_t deviceIndex, const char* propertyName,
                                   void* reserved, std::uint32_t bufferSize, void* buffer,
                                   std::uint32_t* length);
  bool RunActive();

  // The completion function handed to every provider's Start.
  static std::int32_t OnProviderDone(std::intptr_t providerIndex, std::int32_t status);

 private:
  struct State;
  std::unique_ptr<State> state_;
};

// One loaded (or not loadable) provider.
class ProviderEntry {
 public:
  // Reads the provider key, loads the library, binds the exports, calls Init.
  explicit ProviderEntry(std::string keyPath);
  // Unloads the library unless KeepLibraryLoaded was called.
  ~ProviderEntry();
  ProviderEntry(const ProviderEntry&) = delete;
  ProviderEntry& operator=(const ProviderEntry&) = delete;

  const std::string& keyPath() const { return keyPath_; }
  const std::string* name() const { return hasName_ ? &name_ : nullptr; }
  const std::string* path() const { return hasPath_ ? &path_ : nullptr; }
  const std::string* version() const { return hasVersion_ ? &version_ : nullptr; }
  bool loaded() const { return module_ != nullptr; }
  bool canStart() const { return start_ != nullptr; }
  // The library is not unloaded with the entry.
  void KeepLibraryLoaded() { module_ = nullptr; }

  std::int32_t stateWord = 0;

  // Wrappers: an unbound export answers 1 (Start starts nothing; the count
  // stays 0).
  std::int32_t Start(std::intptr_t context, DiscoveryDoneCallback done);
  std::int32_t DeviceCountIs(std::int32_t* count);
  std::int32_t GetDeviceProperty(std::uint32_t index, const char* name, void* reserved,
                                 std::uint32_t bufferSize, void* buffer, std::uint32_t* length);
  // SetOptions on the options cache; false when unbound or negative.
  bool SetOptionsFromCache();

  // Refreshes the options cache from GetOptions (allocating it, zeroed, on
  // first use); true when GetOptions succeeded and a cache exists.
  bool RefreshOptions();
  std::uint8_t* optionsCache() { return cache_.get(); }
  std::uint32_t optionsCacheSize() const { return cacheSize_; }

 private:
  std::string keyPath_, name_, path_, version_;
  bool hasName_ = false, hasPath_ = false, hasVersion_ = false;
  void* module_ = nullptr;
  ProviderInitFn init_ = nullptr;
  ProviderStartFn start_ = nullptr;
  ProviderStopFn stop_ = nullptr;
  ProviderGetOptionsFn getOptions_ = nullptr;
  ProviderSetOptionsFn setOptions_ = nullptr;
  ProviderDeviceCountIsFn deviceCountIs_ = nullptr;
  ProviderGetDevicePropertyFn getDeviceProperty_ = nullptr;
  std::unique_ptr<std::uint8_t[]> cache_;
  std::uint32_t cacheSize_ = 0;
};

// A new manager object, initialised (Initialize has run); null when it
// cannot be made.
DiscoveryManager* NewDiscoveryManager();
// Destroys and frees a manager made by NewDiscoveryManager and not yet
// destroyed; any other pointer (null included) is left alone.
void FreeDiscoveryManager(DiscoveryManager* manager);

// REG_DWORD helpers. Root selectors: 0 HKEY_CLASSES_ROOT, 1
// HKEY_LOCAL_MACHINE; every other selector names a root this registry does
// not keep, and the call fails. Read: *value := def first; true only when
// the value exists as a REG_DWORD. Write: creates the key when missing.
bool ReadRegistryDword(int selector, const char* subKey, const char* valueName,
                       std::uint32_t* value, std::uint32_t def);
bool WriteRegistryDword(int selector, const char* subKey, const char* valueName,
                        std::uint32_t value);

// The fixed version of the library: product version as two 32-bit halves
// (major << 16 | minor, patch << 16 | tweak).
struct FixedFileInfo {
  std::uint32_t productVersionMS = 0;
  std::uint32_t productVersionLS = 0;
};
// The build's project version.
FixedFileInfo BuildVersion();
// Fills major, minor, build number and platform; E_INVALIDARG (nothing
// written) for a null record or a cbSize below 20.
std::int32_t FillDllVersion(const FixedFileInfo& version, DLLVERSIONINFO* info);

}  // namespace vlm::discovery
