// A provider library for the manager's tests, built in several variants
// (some without certain exports). Besides the provider exports it exports
// VlmFakeProviderControl, through which a test steers it.
//
// The fake behaves as a provider should: Init creates one discovery thread;
// Start(context, done) records both and wakes the thread, which runs one pass
// and then calls done(context, 0); a Start during a pass gives one more pass.
// While passes are held, a pass that has begun waits before it reports.
// Unloading the library ends the thread (a held pass still reports on the
// way out) and then calls the unload observer.
#pragma once

#include <cstdint>

#include "discovery/providers/provider_api.h"

namespace vlm::discovery::testing {

struct FakeProviderControl {
  // Back to the initial state: no devices, default options, passes not held,
  // every count 0. The thread, once made, stays.
  virtual void Reset() = 0;

  // Devices reported after every pass. Device i has the text property
  // "DEVICE_ADDRESS" = "<tag>:<i>" (buffer of at least 256 bytes) and the
  // integer property "FAKE_INDEX" = i; any other property gives 1.
  virtual void SetDevices(std::int32_t count, const char* tag) = 0;

  // The record GetOptions writes (kind, size, extra size and "one" included).
  // Like a real provider it writes only the low half of the refresh field,
  // unless fullRefreshField is set.
  virtual void SetOptionsRecord(const ProviderOptions& record, bool fullRefreshField) = 0;
  // Results of GetOptions and SetOptions; writeNothing makes GetOptions
  // succeed without writing.
  virtual void SetOptionsResults(std::int32_t getResult, std::int32_t setResult,
                                 bool writeNothing) = 0;
  // The record the last SetOptions took (28 bytes as given).
  virtual ProviderOptions LastSetOptions() = 0;
  virtual int GetOptionsCalls() = 0;
  virtual int SetOptionsCalls() = 0;
  // The size argument of GetOptions call n (0-based), or 0.
  virtual std::uint32_t GetOptionsSize(int n) = 0;

  virtual int InitCalls() = 0;
  virtual int StartCalls() = 0;
  virtual std::intptr_t LastContext() = 0;
  virtual DiscoveryDoneCallback LastDone() = 0;

  virtual void HoldPasses(bool hold) = 0;
  // Waits until at least n passes have begun (true) or ms have passed.
  virtual bool WaitPassesBegun(int n, int ms) = 0;
  // Waits until no pass runs or is pending.
  virtual bool WaitIdle(int ms) = 0;
  virtual int PassesReported() = 0;

  // The reserved pointer and buffer size of the last GetDeviceProperty.
  virtual void* LastReserved() = 0;
  virtual std::uint32_t LastBufferSize() = 0;

  // Called from the library's destructor, after the thread has ended.
  virtual void SetUnloadObserver(void (*observer)(void* user, bool threadEnded),
                                 void* user) = 0;

 protected:
  ~FakeProviderControl() = default;
};

extern "C" {
using FakeProviderControlFn = FakeProviderControl* (*)();
}

}  // namespace vlm::discovery::testing
