// The network manager's result codes and buffer sizes.
#pragma once

#include <cstdint>

namespace vlm::netmgr {

// Result codes.
enum : std::int32_t {
  kOk = 0,
  kErrGeneral = -1,    // SNMP library error
  kErrCall = -2,       // invalid request
  kErrTransport = -3,  // transport failure
  kErrAccess = -4,     // not writable or no access
  kErrAddress = -5,    // invalid device address, or not connected
  kErrBadValue = -6,
  kErrResource = -7,  // out of resources
  kErrTooBig = -8,    // answer too big or agent out of resources
  kErrNoSuch = -9,    // no such object or general agent error
  kErrCommit = -10,   // commit or undo failed
  kErrTimeout = -11,  // no answer
  kErrOther = -12,    // any other failure
};

inline constexpr int kTextSize = 256;  // texts hold at most 255 characters
inline constexpr int kHandleSlots = 32;
inline constexpr int kGroupSlots = 32;


}  // namespace vlm::netmgr
