// The network manager: the component that reads and writes a printer's MIB
// objects over SNMP version 1 for the management interface.
//
// What a caller may rely on:
// - The class CLSID_VlmNetMgr ("HJD.VlmNetMgr.1", version-independent
//   "HJD.VlmNetMgr") is served in process by libVlmNetMgr.so once that
//   library has registered itself; its objects answer IUnknown and
//   IVlmNetMgr and may be aggregated (with IID_IUnknown asked).
// - Every IVlmNetMgr operation returns an int32 code: 0 for success or one
//   of the negative codes below, never an HRESULT. Operations that the
//   interface defines as "always 0" return -2 when given a handle or group
//   handle that this object does not hold; texts are caller-owned 256-byte
//   buffers, arrays are caller-owned and large enough for the count
//   involved (at most 64 per list).
// - An object is connected to one device at a time. Until a Connect with an
//   address that parses has succeeded, every exchange returns -5 without
//   sending anything; a failed Connect leaves the object unconnected. Every
//   Connect of any object in the process frees the process-wide handle
//   numbers, but an open never hands out a number that this object still
//   holds.
// - Handles are 0-31, -1 meaning none; group handles 0-31 name the group
//   created last at that position (a group displaced by a newer one is freed).
// - Notifications: RegisterTrapCallback adds the object's callback to the
//   process-wide listener (UDP port $VLM_SNMP_TRAP_PORT, default 162); for
//   every trap or notification received, every registered callback is called,
//   on the listener's thread, with a TargetSpec that is all zero except the
//   sender's dotted IPv4 address at offset 256. A later call replaces the
//   callback; a null callback stops the calls. After the object's last
//   Release returns, its callback is never called again.
// - One object is used by one thread at a time; different objects may be
//   used from different threads.
#pragma once

#include <cstddef>
#include <cstdint>

#include "netmgr/codes.h"
#include "platform/com/com.h"

namespace vlm {

// {E1EC26E0-7D98-11D2-9D15-004033A508EE}
inline constexpr IID IID_IVlmNetMgr = GuidLiteral("{E1EC26E0-7D98-11D2-9D15-004033A508EE}");
// {FB275470-7D98-11D2-9D15-004033A508EE}
inline constexpr CLSID CLSID_VlmNetMgr = GuidLiteral("{FB275470-7D98-11D2-9D15-004033A508EE}");
inline constexpr const char* kVlmNetMgrProgId = "HJD.VlmNetMgr.1";
inline constexpr const char* kVlmNetMgrIndependentProgId = "HJD.VlmNetMgr";


// The connection record: little-endian, texts NUL-terminated.
struct TargetSpec {
  char transport[256];       // not read ("IP")
  char address[256];         // dotted IP address, or IPX address text
  char writeCommunity[256];
  std::int32_t retries;
  std::int32_t timeout;  // hundredths of a second
};
static_assert(sizeof(TargetSpec) == 776);
static_assert(offsetof(TargetSpec, address) == 256);
static_assert(offsetof(TargetSpec, writeCommunity) == 512);
static_assert(offsetof(TargetSpec, retries) == 768);
static_assert(offsetof(TargetSpec, timeout) == 772);

extern "C" {
// Called for every notification received; `target` is valid for the call only.
using NetMgrTrapCallback = void (*)(TargetSpec* target, void* data);
}

struct IVlmNetMgr : IUnknown {
  static constexpr IID kIid = IID_IVlmNetMgr;
  using BaseInterface = IUnknown;
  using Text = char[netmgr::kTextSize];

  virtual std::int32_t Connect(TargetSpec target) = 0;
  virtual std::int32_t GetInstanceCount(std::int32_t handle, std::int32_t vector,
                                        std::int32_t* count) = 0;
  virtual std::int32_t GetRootInstanceCount(std::int32_t vector, std::int32_t* count) = 0;
  virtual std::int32_t OpenRootHandle(std::int32_t vector, std::int32_t instance,
                                      std::int32_t* handle) = 0;
  virtual std::int32_t OpenChildHandle(std::int32_t parent, std::int32_t vector,
                                       std::int32_t instance, std::int32_t* handle) = 0;
  virtual std::int32_t AddScalars(std::int32_t handle, const std::int32_t* ids,
                                  std::int32_t count) = 0;
  virtual std::int32_t GetValues(std::int32_t handle) = 0;
  virtual std::int32_t GetIntegerValueList(std::int32_t handle, std::int32_t* ids, Text* labels,
                                           std::int32_t* values, std::int32_t* count) = 0;
  virtual std::int32_t GetStringValueList(std::int32_t handle, std::int32_t* ids, Text* labels,
                                          Text* values, std::int32_t* count) = 0;
  virtual std::int32_t GetIntegerValue(std::int32_t handle, std::int32_t id,
                                       std::int32_t* value) = 0;
  virtual std::int32_t GetStringValue(std::int32_t handle, std::int32_t id, char* text) = 0;
  virtual std::int32_t ClearScalars(std::int32_t handle) = 0;
  virtual std::int32_t ClearSetScalars(std::int32_t handle) = 0;
  virtual std::int32_t AddIntegerSetValues(std::int32_t handle, const std::int32_t* ids,
                                           const std::int32_t* values, std::int32_t count) = 0;
  virtual std::int32_t AddStringSetValues(std::int32_t handle, const std::int32_t* ids,
                                          const Text* values, std::int32_t count) = 0;
  virtual std::int32_t SetValues(std::int32_t handle) = 0;
  virtual std::int32_t CreateGroup(std::int32_t group, std::int32_t* groupHandle) = 0;
  virtual std::int32_t GetGroupScalarCount(std::int32_t groupHandle, std::int32_t kind,
                                           std::int32_t* count) = 0;
  virtual std::int32_t GetGroupScalarIds(std::int32_t groupHandle, std::int32_t kind,
                                         std::int32_t* ids) = 0;
  virtual std::int32_t FreeHandle(std::int32_t handle) = 0;
  virtual std::int32_t FreeGroup(std::int32_t groupHandle) = 0;
  virtual std::int32_t RegisterTrapCallback(std::int32_t reserved, NetMgrTrapCallback callback,
                                            void* data) = 0;

 protected:
  ~IVlmNetMgr() = default;
};

}  // namespace vlm
