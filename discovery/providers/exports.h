// Defines the nine exports of a provider library over its ProviderModule.
// Use once, at namespace scope of the library's own source:
//   VLM_PROVIDER_EXPORTS(Module)   // Module: ProviderModule& Module()
// or, for the library's one module over its transport's traits (stopped
// from an exit handler, see provider.h):
//   VLM_PROVIDER_LIBRARY(Traits)   // Traits: const TransportTraits
// The library's version script (provider.map) lists exactly these names.
#pragma once

#include <type_traits>

#include "discovery/providers/provider.h"

#define VLM_PROVIDER_EXPORT extern "C" __attribute__((visibility("default")))

#define VLM_PROVIDER_EXPORTS(ModuleFn)                                                              \
  VLM_PROVIDER_EXPORT std::int32_t Init() { return ModuleFn().Init(); }                            \
  VLM_PROVIDER_EXPORT std::int32_t Start(std::intptr_t context,                                    \
                                         ::vlm::discovery::DiscoveryDoneCallback done) {           \
    return ModuleFn().Start(context, done);                                                        \
  }                                                                                                \
  VLM_PROVIDER_EXPORT std::int32_t Stop() { return ModuleFn().Stop(); }                            \
  VLM_PROVIDER_EXPORT std::int32_t GetOptions(void* options, std::uint32_t size) {                 \
    return ModuleFn().GetOptions(options, size);                                                   \
  }                                                                                                \
  VLM_PROVIDER_EXPORT std::int32_t SetOptions(const void* options) {                               \
    return ModuleFn().SetOptions(options);                                                         \
  }                                                                                                \
  VLM_PROVIDER_EXPORT std::int32_t DeviceCountIs(std::int32_t* count) {                            \
    return ModuleFn().DeviceCountIs(count);                                                        \
  }                                                                                                \
  VLM_PROVIDER_EXPORT std::int32_t GetDeviceProperty(std::uint32_t index, const char* name,        \
                                                     void* reserved, std::uint32_t bufferSize,     \
                                                     void* buffer, std::uint32_t* length) {        \
    return ModuleFn().GetDeviceProperty(index, name, reserved, bufferSize, buffer, length);        \
  }                                                                                                \
  VLM_PROVIDER_EXPORT std::int32_t DllRegisterServer() {                                           \
    try {                                                                                          \
      return ModuleFn().RegisterServer(::vlm::discovery::LibraryPath());                           \
    } catch (...) {                                                                                \
      return 0;                                                                                    \
    }                                                                                              \
  }                                                                                                \
  VLM_PROVIDER_EXPORT std::int32_t DllUnregisterServer() { return ModuleFn().UnregisterServer(); } \
  static_assert(std::is_same_v<decltype(&::Init), ::vlm::discovery::ProviderInitFn>);              \
  static_assert(std::is_same_v<decltype(&::Start), ::vlm::discovery::ProviderStartFn>);            \
  static_assert(std::is_same_v<decltype(&::Stop), ::vlm::discovery::ProviderStopFn>);              \
  static_assert(std::is_same_v<decltype(&::GetOptions), ::vlm::discovery::ProviderGetOptionsFn>);  \
  static_assert(std::is_same_v<decltype(&::SetOptions), ::vlm::discovery::ProviderSetOptionsFn>);  \
  static_assert(                                                                                   \
      std::is_same_v<decltype(&::DeviceCountIs), ::vlm::discovery::ProviderDeviceCountIsFn>);      \
  static_assert(std::is_same_v<decltype(&::GetDeviceProperty),                                     \
                               ::vlm::discovery::ProviderGetDevicePropertyFn>);                    \
  static_assert(std::is_same_v<decltype(&::DllRegisterServer), ::vlm::discovery::ProviderRegisterFn>)

#define VLM_PROVIDER_LIBRARY(Traits)                                                              \
  namespace {                                                                                     \
  ::vlm::discovery::ProviderModule& ProviderLibraryModule() {                                     \
    static ::vlm::discovery::ProviderModule module(Traits, ::vlm::discovery::ProviderModule::kStopAtExit); \
    return module;                                                                                \
  }                                                                                               \
  }                                                                                               \
  VLM_PROVIDER_EXPORTS(ProviderLibraryModule)
