// The provider framework: what every discovery provider library does behind
// its exports (provider_api.h), parametrised by its transport's traits.
//
// What a caller may rely on:
// - One ProviderModule stands behind the exports of one library. Its
//   operations are the exports' behaviour: they take and return the exports'
//   32-bit values and never throw.
// - Init (once; later calls return 1 and do nothing) loads the options from
//   the Startup key, makes the provider object with the transport's finder,
//   reads the configuration list now or before every pass (as the traits
//   say), and always makes the wake-up event and the discovery thread, even
//   when the provider object or its finder could not be made.
// - Start stores the context and callback together (pointer-sized, under a
//   lock) and wakes the thread: one pass follows, after which the thread
//   calls the callback it finds stored then with status 0. A Start during a
//   pass gives exactly one more pass. Before Init, Start only stores.
// - The options are one consistent set under a lock; a pass works with the
//   set taken when it began.
// - Shutdown (and the destructor) ask a running pass to stop at its next
//   address, wake and join the thread, and call no callback after that; it
//   returns within one SNMP exchange of the pass.
// - A module made with kStopAtExit also stops its thread from an exit
//   handler registered by Init, before the static objects that the thread
//   uses are destroyed (also when the library is unloaded).
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "discovery/providers/device_finder.h"
#include "discovery/providers/provider_api.h"
#include "platform/registry/registry.h"
#include "platform/sync/sync.h"

namespace vlm::discovery {

inline constexpr const char* kProvidersKey = "SOFTWARE\\VLM\\Discovery\\DM\\Providers";

class DiscoveryProvider;

// The points in which the providers differ; everything else is shared.
struct TransportTraits {
  std::int32_t providerKind;        // in ProviderOptions and "PROVIDER_NAME"
  const char* providersValueName;   // value under kProvidersKey
  const char* transportKey;         // "SOFTWARE\VLM\Discovery\DP\<transport>"
  const char* displayName;          // `Name`
  const char* configurationSubkey;  // below "<transportKey>\Discovery Params"
  bool reloadConfigurationEveryPass;  // else read once by Init
  OptionValues initialOptions;      // before the registry is read
  OptionValues registeredOptions;   // written by DllRegisterServer
  DWORD loadAccess;                 // rights asked for the Startup key
  DWORD saveAccess;
  // Makes the transport's finder (null when it cannot be made).
  std::unique_ptr<DeviceFinder> (*makeFinder)();
};

// The provider object: the configuration list, the finders and the device
// total of the last pass.
class DiscoveryProvider {
 public:
  std::vector<std::string> configuration;
  LONG configurationStatus = ERROR_SUCCESS;  // of the last read of that list
  std::vector<std::unique_ptr<DeviceFinder>> finders;
  std::atomic<std::int32_t> deviceTotal{0};
};

// Reads the values of "<transportKey>\Discovery Params\<subkey>" into the
// configuration list; when the key does not open the list is kept.
void ReadConfigurationList(const TransportTraits& traits, DiscoveryProvider& provider);

// The absolute path of the shared object (or program) this code is in.
std::string LibraryPath();

class ProviderModule {
 public:
  enum ExitStop { kNoExitStop, kStopAtExit };
  using ProviderFactory = std::function<std::unique_ptr<DiscoveryProvider>()>;

  explicit ProviderModule(const TransportTraits& traits, ExitStop exitStop = kNoExitStop,
                          ProviderFactory makeProvider = nullptr);
  ~ProviderModule();
  ProviderModule(const ProviderModule&) = delete;
  ProviderModule& operator=(const ProviderModule&) = delete;

  std::int32_t Init();
  std::int32_t Start(std::intptr_t context, DiscoveryDoneCallback done);
  std::int32_t Stop();
  std::int32_t GetOptions(void* options, std::uint32_t size);
  std::int32_t SetOptions(const void* options);
  std::int32_t DeviceCountIs(std::int32_t* count);
  std::int32_t GetDeviceProperty(std::uint32_t index, const char* name, void* reserved,
                                 std::uint32_t bufferSize, void* buffer, std::uint32_t* length);
  // `libraryPath` is the library's own path, written as `Path`.
  std::int32_t RegisterServer(const std::string& libraryPath);
  std::int32_t UnregisterServer();

  void Shutdown();

  OptionValues Options() const;
  const TransportTraits& traits() const { return traits_; }
  std::string StartupKey() const;

 private:
  void ThreadProc(HANDLE wake);
  void RunDiscovery(DiscoveryProvider& provider);
  void LoadProviderOptions();
  void SaveProviderOptions(const OptionValues& values);

  const TransportTraits& traits_;
  const ExitStop exitStop_;
  ProviderFactory makeProvider_;

  mutable std::mutex optionsLock_;
  OptionValues options_;
  bool optionsLoaded_ = false;
  std::mutex saveLock_;  // one SetOptions at a time, so the registry gets the latest set

  std::mutex initLock_;  // Init and Shutdown
  bool initialised_ = false;
  std::unique_ptr<DiscoveryProvider> provider_;
  std::atomic<DiscoveryProvider*> providerView_{nullptr};  // set once by Init
  std::atomic<HANDLE> wake_{nullptr};
  std::thread thread_;
  std::atomic<bool> quit_{false};

  std::mutex callbackLock_;
  std::intptr_t context_ = 0;
  DiscoveryDoneCallback done_ = nullptr;
};

}  // namespace vlm::discovery
