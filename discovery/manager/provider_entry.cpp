// One provider: its registry key, its library, its seven entry points and its
// options cache.
#include <dlfcn.h>
#include <link.h>
#include <sys/stat.h>

#include <cstring>
#include <new>

#include "discovery/manager/core.h"
#include "platform/registry/registry.h"

namespace vlm::discovery {
namespace {

// A registry text of at most kRegistryTextBytes: up to its first NUL, or all
// of it when it has none.
std::string BoundedText(const char* data, DWORD size) {
  return std::string(data, ::strnlen(data, size));
}

bool QueryText(HKEY key, const char* valueName, std::string* out) {
  char buffer[kRegistryTextBytes];
  DWORD size = sizeof buffer;
  if (RegQueryValueExA(key, valueName, nullptr, nullptr, reinterpret_cast<BYTE*>(buffer),
                       &size) != ERROR_SUCCESS) {
    return false;
  }
  *out = BoundedText(buffer, size);
  return true;
}

// The address of `name` when the library itself defines it (dlsym would also
// search the libraries it depends on).
void* OwnSymbol(void* module, const char* name) {
  void* symbol = ::dlsym(module, name);
  if (!symbol) return nullptr;
  link_map* own = nullptr;
  if (::dlinfo(module, RTLD_DI_LINKMAP, &own) != 0 || !own) return nullptr;
  Dl_info info{};
  link_map* definer = nullptr;
  if (::dladdr1(symbol, &info, reinterpret_cast<void**>(&definer), RTLD_DL_LINKMAP) == 0 ||
      definer != own) {
    return nullptr;
  }
  return symbol;
}

template <class F>
F Bind(void* module, const char* name) {
  return reinterpret_cast<F>(OwnSymbol(module, name));
}

// Whether dlopen may be given path. An empty name would make dlopen hand back
// the program itself, and dlopen of a FIFO blocks until someone writes to it:
// a path with a folder must name a regular file (a link to one is fine); a
// bare name is searched for in the system's library folders only.
bool Loadable(const std::string& path) {
  if (path.empty()) return false;
  if (path.find('/') == std::string::npos) return true;
  struct stat st;
  return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

std::unique_ptr<std::uint8_t[]> ZeroedBuffer(std::uint32_t size) {
  return std::unique_ptr<std::uint8_t[]>(new (std::nothrow) std::uint8_t[size]());
}

}  // namespace

ProviderEntry::ProviderEntry(std::string keyPath) : keyPath_(std::move(keyPath)) {
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, keyPath_.c_str(), 0, KEY_READ, &key) == ERROR_SUCCESS) {
    hasName_ = QueryText(key, "Name", &name_);
    hasPath_ = QueryText(key, "Path", &path_);
    hasVersion_ = QueryText(key, "Version", &version_);
    RegCloseKey(key);
  }
  if (hasPath_ && Loadable(path_)) module_ = ::dlopen(path_.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (module_) {
    init_ = Bind<ProviderInitFn>(module_, "Init");
    start_ = Bind<ProviderStartFn>(module_, "Start");
    stop_ = Bind<ProviderStopFn>(module_, "Stop");
    getOptions_ = Bind<ProviderGetOptionsFn>(module_, "GetOptions");
    setOptions_ = Bind<ProviderSetOptionsFn>(module_, "SetOptions");
    deviceCountIs_ = Bind<ProviderDeviceCountIsFn>(module_, "DeviceCountIs");
    getDeviceProperty_ = Bind<ProviderGetDevicePropertyFn>(module_, "GetDeviceProperty");
  }
  if (init_) init_();
}

ProviderEntry::~ProviderEntry() {
  cache_.reset();
  // Stop is bound but not called: a provider library ends its discovery
  // thread itself, when it is unloaded or when the process ends.
  if (module_) ::dlclose(module_);
}

std::int32_t ProviderEntry::Start(std::intptr_t context, DiscoveryDoneCallback done) {
  return start_ ? start_(context, done) : 1;
}

std::int32_t ProviderEntry::DeviceCountIs(std::int32_t* count) {
  return deviceCountIs_ ? deviceCountIs_(count) : 1;
}

std::int32_t ProviderEntry::GetDeviceProperty(std::uint32_t index, const char* name,
                                              void* reserved, std::uint32_t bufferSize,
                                              void* buffer, std::uint32_t* length) {
  if (!getDeviceProperty_) return 1;
  return getDeviceProperty_(index, name, reserved, bufferSize, buffer, length);
}

bool ProviderEntry::SetOptionsFromCache() {
  if (!setOptions_ || !cache_) return false;
  return setOptions_(cache_.get()) >= 0;
}

bool ProviderEntry::RefreshOptions() {
  if (!getOptions_) return false;
  if (cache_) return getOptions_(cache_.get(), cacheSize_) == 0;

  constexpr std::uint32_t kRecord = sizeof(ProviderOptions);
  auto buffer = ZeroedBuffer(kRecord);
  if (!buffer) return false;
  std::int32_t result = getOptions_(buffer.get(), kRecord);
  std::int32_t extra;
  std::memcpy(&extra, buffer.get() + offsetof(ProviderOptions, extraSize), sizeof extra);
  if (extra == 0) {
    cache_ = std::move(buffer);
    cacheSize_ = kRecord;
    return result == 0;
  }
  // An extra size that no record could have is refused rather than trusted.
  if (extra < 0 || extra > kMaxOptionsExtra) return false;
  std::uint32_t size = kRecord + static_cast<std::uint32_t>(extra);
  buffer = ZeroedBuffer(size);
  if (!buffer) return false;
  result = getOptions_(buffer.get(), size);
  cache_ = std::move(buffer);
  cacheSize_ = size;
  return result == 0;
}

}  // namespace vlm::discovery
