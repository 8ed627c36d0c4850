// A NetWare client library for tests: the five calls of netware.h over a
// bindery that the test scripts through VlmFakeNetWareControl, so that the
// client is loaded and bound at run time as a real one would be.
//
// Servers and their objects are added by the test. Attaching to a known
// server (names compare ignoring case) succeeds and gives a connection that
// scans that server's bindery; an unknown one gives kNwServerUnknown. Object
// scans match "*" or the exact name (ignoring case) and the type in network
// byte order, in the order the objects were added. The only property is
// "NET_ADDRESS", whose value is one segment.
#pragma once

#include <cstdint>

namespace vlm::netware::testing {

struct FakeNetWareControl {
  // No servers, every count 0.
  virtual void Reset() = 0;
  virtual void AddServer(const char* name) = 0;
  // An object of that server, its type in host order. `netAddress` null: no
  // NET_ADDRESS property; `size` 0: the property has no value.
  virtual void AddObject(const char* server, const char* name, std::uint16_t type, bool hasProperties,
                         const std::uint8_t* netAddress, std::uint32_t size) = 0;
  virtual int AttachCalls() = 0;
  // The server named by attach call n (0-based), or "".
  virtual const char* AttachedServer(int n) = 0;
  virtual int ObjectScanCalls() = 0;
  virtual int GetObjectNameCalls() = 0;

 protected:
  ~FakeNetWareControl() = default;
};

extern "C" {
using FakeNetWareControlFn = FakeNetWareControl* (*)();
}

}  // namespace vlm::netware::testing
