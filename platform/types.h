// Fixed-width stand-ins for the integer types of the desktop platform the
// monitor's libraries were designed against. Linux `long` is 64 bits, so every
// 32-bit quantity of an interface is spelt with these names.
#pragma once

#include <cstdint>

namespace vlm {

using LONG = std::int32_t;
using ULONG = std::uint32_t;
using DWORD = std::uint32_t;
using WORD = std::uint16_t;
using BYTE = std::uint8_t;
using BOOL = std::int32_t;
using HRESULT = std::int32_t;
using SHORT = std::int16_t;
using USHORT = std::uint16_t;

// VB's integer kinds, for the monitor's procedures.
using VbInteger = std::int16_t;
using VbLong = std::int32_t;

// The security-attributes record that registry keys and synchronisation
// objects are created with. It is accepted and not interpreted: access is
// decided by the files' own permissions.
struct SECURITY_ATTRIBUTES {
  DWORD nLength;
  void* lpSecurityDescriptor;
  BOOL bInheritHandle;
};

}  // namespace vlm
