// The contract of a discovery provider library (SeekIP, SeekIPX): the plain
// exports that the discovery manager binds by name with dlsym, and the
// options record they exchange.
//
// What a caller may rely on:
// - Every export is extern "C", takes and returns 32-bit integers (pointers
//   where a pointer is passed) and never throws.
// - Init creates the provider's discovery thread once; Start(context, done)
//   makes that thread run one discovery pass and then call
//   done(context, 0) on its own thread; a Start during a pass gives exactly
//   one more pass, reported to the latest context and callback.
// - Results are 0 for success and 1 for "not initialised" or "not found".
// - GetDeviceProperty copies a text property (NUL-terminated, into a buffer
//   of at least 256 bytes) or a 32-bit integer property (into a buffer of at
//   least 4 bytes); a property the device lacks, a buffer too small for it,
//   or a device index past the last device gives 1 and writes nothing.
#pragma once

#include <cstddef>
#include <cstdint>

namespace vlm::discovery {

// The providers' options record, 28 bytes, little-endian.
struct ProviderOptions {
  std::int32_t providerKind;        // 1 IP, 2 IPX
  std::int32_t recordSize;          // 28
  std::int32_t extraSize;           // size of extra data behind the record: 0
  std::int32_t one;                 // always 1
  std::int32_t refreshInterval;     // 16-bit value in the low half
  std::int32_t discoverInstalled;   // 16-bit value, zero-extended
  std::int32_t discoverUnInstalled; // 16-bit value, zero-extended
};
static_assert(sizeof(ProviderOptions) == 28);
static_assert(offsetof(ProviderOptions, refreshInterval) == 16);
static_assert(offsetof(ProviderOptions, discoverInstalled) == 20);
static_assert(offsetof(ProviderOptions, discoverUnInstalled) == 24);

inline constexpr std::int32_t kProviderIp = 1;
inline constexpr std::int32_t kProviderIpx = 2;

extern "C" {
// Called by the provider's discovery thread at the end of every pass.
using DiscoveryDoneCallback = std::int32_t (*)(std::intptr_t context, std::int32_t status);

using ProviderInitFn = std::int32_t (*)();
using ProviderStartFn = std::int32_t (*)(std::intptr_t context, DiscoveryDoneCallback done);
using ProviderStopFn = std::int32_t (*)();
using ProviderGetOptionsFn = std::int32_t (*)(void* options, std::uint32_t size);
using ProviderSetOptionsFn = std::int32_t (*)(const void* options);
using ProviderDeviceCountIsFn = std::int32_t (*)(std::int32_t* count);
using ProviderGetDevicePropertyFn = std::int32_t (*)(std::uint32_t index, const char* name,
                                                     void* reserved, std::uint32_t bufferSize,
                                                     void* buffer, std::uint32_t* length);
using ProviderRegisterFn = std::int32_t (*)();
}

}  // namespace vlm::discovery
