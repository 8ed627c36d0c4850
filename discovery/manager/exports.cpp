// libVLMDM.so: the process-wide discovery context and the exported entry
// points.
#include "discovery/manager/core.h"
#include "platform/com/com.h"

#define VLM_DM_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

// Made when the library is loaded and destroyed when the process ends (the
// library is never unmapped before); the providers stay loaded to the end.
vlm::discovery::DiscoveryContext g_context;

}  // namespace

VLM_DM_EXPORT vlm::discovery::DiscoveryManager* MakeDiscoveryManagerObject() {
  return vlm::discovery::NewDiscoveryManager();
}

VLM_DM_EXPORT void FreeDiscoveryManagerObject(vlm::discovery::DiscoveryManager* manager) {
  vlm::discovery::FreeDiscoveryManager(manager);
}

// The library keeps nothing in the registry of its own: registration and
// installation succeed and change nothing.
VLM_DM_EXPORT std::int32_t DllRegisterServer() { return vlm::S_OK; }

VLM_DM_EXPORT std::int32_t DllUnregisterServer() { return vlm::S_OK; }

VLM_DM_EXPORT std::int32_t DllInstall(std::int32_t, const char16_t*) { return vlm::S_OK; }

VLM_DM_EXPORT std::int32_t DllGetVersion(vlm::discovery::DLLVERSIONINFO* info) {
  return vlm::discovery::FillDllVersion(vlm::discovery::BuildVersion(), info);
}
