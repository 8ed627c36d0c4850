// Binding the NetWare client library at run time.
#include <dlfcn.h>

#include <cstdlib>

#include "platform/netware/netware.h"

namespace vlm::netware {

namespace {

struct Configured {
  std::mutex lock;
  std::string library;
};

Configured& TheConfigured() {
  static Configured* c = new Configured;
  return *c;
}

std::string LibraryName() {
  {
    Configured& c = TheConfigured();
    std::lock_guard<std::mutex> guard(c.lock);
    if (!c.library.empty()) return c.library;
  }
  const char* env = std::getenv("VLM_NETWARE_CLIENT");
  return env && *env ? env : kDefaultNetWareClient;
}

template <class Fn>
Fn Lookup(void* library, const char* name) {
  return reinterpret_cast<Fn>(::dlsym(library, name));
}

}  // namespace

void SetNetWareClientLibrary(std::string library) {
  Configured& c = TheConfigured();
  std::lock_guard<std::mutex> guard(c.lock);
  c.library = std::move(library);
}

NetWareApi BindNetWareApi() {
  NetWareApi api;
  // Never closed: the calls are used until the process ends.
  api.library = ::dlopen(LibraryName().c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!api.library) return api;
  api.scanObject = Lookup<NWScanObjectFn>(api.library, "NWScanObject");
  api.scanProperty = Lookup<NWScanPropertyFn>(api.library, "NWScanProperty");
  api.readPropertyValue = Lookup<NWReadPropertyValueFn>(api.library, "NWReadPropertyValue");
  api.getObjectName = Lookup<NWGetObjectNameFn>(api.library, "NWGetObjectName");
  api.attachToFileServer = Lookup<NWAttachToFileServerFn>(api.library, "NWAttachToFileServer");
  return api;
}

}  // namespace vlm::netware
