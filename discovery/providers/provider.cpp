#include "discovery/providers/provider.h"

#include <cstring>
#include <exception>

#include "platform/com/com.h"

namespace vlm::discovery {

namespace {

constexpr const char* kVersion = "1.0";

// The module whose thread the exit handler stops (one per library).
std::atomic<ProviderModule*> exitModule{nullptr};

void StopAtExit() {
  if (ProviderModule* m = exitModule.exchange(nullptr)) m->Shutdown();
}

struct Key {
  HKEY h = nullptr;
  ~Key() {
    if (h) RegCloseKey(h);
  }
};

// The five options in their registry order.
struct OptionName {
  const char* name;
  std::uint16_t OptionValues::*field;
};
constexpr OptionName kOptionNames[] = {
    {"RefreshInterval", &OptionValues::refreshInterval},
    {"Timeout", &OptionValues::timeout},
    {"Retries", &OptionValues::retries},
    {"DiscoverInstalled", &OptionValues::discoverInstalled},
    {"DiscoverUnInstalled", &OptionValues::discoverUnInstalled},
};

LONG CreateKey(const std::string& path, Key& key) {
  return RegCreateKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_WRITE,
                         nullptr, &key.h, nullptr);
}

bool SetText(HKEY key, const char* name, const std::string& text) {
  return RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                        static_cast<DWORD>(text.size() + 1)) == ERROR_SUCCESS;
}

bool SetDword(HKEY key, const char* name, DWORD value) {
  return RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value) ==
         ERROR_SUCCESS;
}

// Deletes the key and everything below it; 0 on success.
LONG DeleteTree(const std::string& path) {
  {
    Key key;
    if (LONG rc = RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ, &key.h)) return rc;
    for (;;) {
      char name[256];
      DWORD nameSize = sizeof name;
      if (RegEnumKeyExA(key.h, 0, name, &nameSize, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
      if (LONG rc = DeleteTree(path + "\\" + name)) return rc;
    }
  }
  return RegDeleteKeyA(HKEY_LOCAL_MACHINE, path.c_str());
}

}  // namespace

std::string LibraryPath() { return com::ModulePathOf(reinterpret_cast<const void*>(&LibraryPath)); }

void ReadConfigurationList(const TransportTraits& traits, DiscoveryProvider& provider) {
  std::string path = std::string(traits.transportKey) + "\\Discovery Params\\" + traits.configurationSubkey;
  Key key;
  provider.configurationStatus = RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ, &key.h);
  if (provider.configurationStatus != ERROR_SUCCESS) return;
  provider.configuration.clear();
  for (DWORD i = 0;; ++i) {
    char name[128];
    BYTE data[128];
    DWORD nameSize = sizeof name, dataSize = sizeof data, type = 0;
    if (RegEnumValueA(key.h, i, name, &nameSize, nullptr, &type, data, &dataSize) != ERROR_SUCCESS) break;
    const char* text = reinterpret_cast<const char*>(data);
    provider.configuration.emplace_back(text, strnlen(text, dataSize));
  }
}

ProviderModule::ProviderModule(const TransportTraits& traits, ExitStop exitStop, ProviderFactory makeProvider)
    : traits_(traits), exitStop_(exitStop), makeProvider_(std::move(makeProvider)),
      options_(traits.initialOptions) {}

ProviderModule::~ProviderModule() {
  ProviderModule* self = this;
  exitModule.compare_exchange_strong(self, nullptr);
  Shutdown();
}

std::string ProviderModule::StartupKey() const { return std::string(traits_.transportKey) + "\\Startup"; }

OptionValues ProviderModule::Options() const {
  std::lock_guard<std::mutex> guard(optionsLock_);
  return options_;
}

void ProviderModule::LoadProviderOptions() {
  OptionValues values = Options();
  Key key;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, StartupKey().c_str(), 0, traits_.loadAccess, &key.h) == ERROR_SUCCESS) {
    for (const OptionName& o : kOptionNames) {
      // Only 4 bytes that are not text: a REG_SZ "5" is not the number 53.
      DWORD type = 0, size = 4;
      BYTE data[4] = {};
      if (RegQueryValueExA(key.h, o.name, nullptr, &type, data, &size) == ERROR_SUCCESS && size == 4 &&
          type != REG_SZ) {
        DWORD v = 0;
        std::memcpy(&v, data, sizeof v);
        values.*o.field = static_cast<std::uint16_t>(v & 0xFFFF);
      }
    }
  }
  std::lock_guard<std::mutex> guard(optionsLock_);
  options_ = values;
  optionsLoaded_ = true;
}

void ProviderModule::SaveProviderOptions(const OptionValues& values) {
  Key key;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, StartupKey().c_str(), 0, traits_.saveAccess, &key.h) != ERROR_SUCCESS)
    return;
  for (const OptionName& o : kOptionNames) SetDword(key.h, o.name, values.*o.field);
}

std::int32_t ProviderModule::Init() {
  try {
    std::lock_guard<std::mutex> guard(initLock_);
    if (initialised_ || quit_) return 1;
    initialised_ = true;
    LoadProviderOptions();
    try {
      provider_ = makeProvider_ ? makeProvider_() : std::make_unique<DiscoveryProvider>();
      if (provider_) {
        std::unique_ptr<DeviceFinder> finder = traits_.makeFinder ? traits_.makeFinder() : nullptr;
        if (finder) {
          finder->SetStopFlag(&quit_);
          provider_->finders.push_back(std::move(finder));
        }
        if (!traits_.reloadConfigurationEveryPass) ReadConfigurationList(traits_, *provider_);
      }
    } catch (const std::exception&) {
      // A provider without its finder still answers, with no devices.
    }
    providerView_ = provider_.get();

    // The event and the thread exist whether or not the provider object
    // could be made, so that every Start leads to a callback.
    HANDLE wake = CreateEventA(nullptr, 0, 0, nullptr);
    if (!wake) return 1;
    if (exitStop_ == kStopAtExit) {
      // Registered after everything Init made, so it runs before their
      // destructors, at exit and when the library is unloaded.
      exitModule = this;
      std::atexit(&StopAtExit);
    }
    wake_ = wake;
    try {
      thread_ = std::thread([this, wake] { ThreadProc(wake); });
    } catch (const std::exception&) {
      wake_ = nullptr;
      CloseHandle(wake);
    }
  } catch (...) {
  }
  return 1;
}

void ProviderModule::Shutdown() {
  std::lock_guard<std::mutex> guard(initLock_);
  quit_ = true;
  HANDLE wake = wake_.exchange(nullptr);
  if (wake) SetEvent(wake);
  if (thread_.joinable()) {
    // A callback that unloads the library runs on the thread itself.
    if (thread_.get_id() == std::this_thread::get_id()) thread_.detach();
    else thread_.join();
  }
  if (wake) CloseHandle(wake);
}

void ProviderModule::ThreadProc(HANDLE wake) {
  for (;;) {
    if (WaitForSingleObject(wake, INFINITE) != WAIT_OBJECT_0 || quit_) return;
    if (DiscoveryProvider* provider = providerView_.load()) {
      try {
        RunDiscovery(*provider);
      } catch (...) {
        // A pass that ran out of memory ends with the devices it has.
      }
    }
    if (quit_) return;  // unloading: the caller is going away
    std::intptr_t context = 0;
    DiscoveryDoneCallback done = nullptr;
    {
      std::lock_guard<std::mutex> guard(callbackLock_);
      context = context_;
      done = done_;
    }
    if (done) done(context, 0);
  }
}

void ProviderModule::RunDiscovery(DiscoveryProvider& provider) {
  OptionValues options = Options();
  if (traits_.reloadConfigurationEveryPass) ReadConfigurationList(traits_, provider);
  provider.deviceTotal = 0;
  std::int32_t total = 0;
  for (const std::unique_ptr<DeviceFinder>& finder : provider.finders) {
    if (quit_) break;
    finder->Discover(provider.configuration, options);
    total += finder->GetDeviceCount();
  }
  provider.deviceTotal = total;
}

std::int32_t ProviderModule::Start(std::intptr_t context, DiscoveryDoneCallback done) {
  {
    std::lock_guard<std::mutex> guard(callbackLock_);
    context_ = context;
    done_ = done;
  }
  if (HANDLE wake = wake_.load()) SetEvent(wake);
  return 0;
}

std::int32_t ProviderModule::Stop() { return 1; }

std::int32_t ProviderModule::GetOptions(void* options, std::uint32_t size) {
  if (!options || size < sizeof(ProviderOptions)) return 1;
  OptionValues v = Options();
  ProviderOptions record;
  std::memcpy(&record, options, sizeof record);
  record.providerKind = traits_.providerKind;
  record.recordSize = sizeof(ProviderOptions);
  record.extraSize = 0;
  record.one = 1;
  // Only the low half of the refresh field is ours; the caller's high half stays.
  auto refresh = static_cast<std::uint32_t>(record.refreshInterval);
  record.refreshInterval = static_cast<std::int32_t>((refresh & 0xFFFF0000u) | v.refreshInterval);
  record.discoverInstalled = v.discoverInstalled;
  record.discoverUnInstalled = v.discoverUnInstalled;
  std::memcpy(options, &record, sizeof record);
  return 0;
}

std::int32_t ProviderModule::SetOptions(const void* options) {
  if (!options) return 1;
  try {
    ProviderOptions record;
    std::memcpy(&record, options, sizeof record);
    std::lock_guard<std::mutex> save(saveLock_);
    bool loaded;
    {
      std::lock_guard<std::mutex> guard(optionsLock_);
      loaded = optionsLoaded_;
    }
    // Before Init the time-out and retries are still the built-in ones; read
    // them first so that saving does not overwrite the registered values.
    if (!loaded) LoadProviderOptions();
    OptionValues values;
    {
      std::lock_guard<std::mutex> guard(optionsLock_);
      options_.refreshInterval = static_cast<std::uint16_t>(record.refreshInterval & 0xFFFF);
      options_.discoverInstalled = static_cast<std::uint16_t>(record.discoverInstalled & 0xFFFF);
      options_.discoverUnInstalled = static_cast<std::uint16_t>(record.discoverUnInstalled & 0xFFFF);
      values = options_;
    }
    SaveProviderOptions(values);
  } catch (...) {
  }
  return 0;
}

std::int32_t ProviderModule::DeviceCountIs(std::int32_t* count) {
  DiscoveryProvider* provider = providerView_.load();
  if (!provider || !count) return 1;
  *count = provider->deviceTotal.load();
  return 0;
}

std::int32_t ProviderModule::GetDeviceProperty(std::uint32_t index, const char* name, void* /*reserved*/,
                                               std::uint32_t bufferSize, void* buffer, std::uint32_t* length) {
  DiscoveryProvider* provider = providerView_.load();
  if (!provider || provider->finders.empty()) return 1;
  try {
    return provider->finders.front()->GetPropertyByName(index, name, bufferSize, buffer, length);
  } catch (...) {
    return 1;
  }
}

std::int32_t ProviderModule::RegisterServer(const std::string& libraryPath) {
  try {
    const std::string startup = StartupKey();
    {
      Key key;
      if (CreateKey(kProvidersKey, key) == ERROR_SUCCESS) SetText(key.h, traits_.providersValueName, startup);
    }
    {
      Key key;
      if (CreateKey(startup, key) == ERROR_SUCCESS) {
        for (const OptionName& o : kOptionNames) SetDword(key.h, o.name, traits_.registeredOptions.*o.field);
        SetText(key.h, "Path", libraryPath);
        SetText(key.h, "Name", traits_.displayName);
        SetText(key.h, "Version", kVersion);
      }
    }
    Key params;
    CreateKey(std::string(traits_.transportKey) + "\\Discovery Params\\" + traits_.configurationSubkey, params);
  } catch (...) {
  }
  return 0;
}

std::int32_t ProviderModule::UnregisterServer() {
  try {
    DeleteTree(StartupKey());
    DeleteTree(traits_.transportKey);
    Key key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kProvidersKey, 0, KEY_WRITE, &key.h) == ERROR_SUCCESS)
      RegDeleteValueA(key.h, traits_.providersValueName);
  } catch (...) {
  }
  return 0;
}

}  // namespace vlm::discovery
