// Helpers of the tests that run the management interface on the real stack:
// shell commands, a free UDP port, machine registry values, the libraries'
// registration and the creation of a VectorItem by its ProgID. The test
// target defines the paths VLM_NETMGR_SO, VLM_XLPNMIF_SO, VLM_SEEKIP_SO,
// VLM_VLMDM_SO and VLM_REGSVR.
#pragma once

#include <gtest/gtest.h>

#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <string>

#include "mgmt/xlpnmif.h"
#include "platform/com/com.h"
#include "platform/registry/registry.h"

namespace vlm::mgmt::testing {

inline int RunCommand(const std::string& command) {
  int status = std::system(command.c_str());
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

inline std::uint16_t FreeUdpPort() {
  int fd = ::socket(AF_INET, SOCK_DGRAM, 0);
  sockaddr_in sa{};
  sa.sin_family = AF_INET;
  sa.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  ::bind(fd, reinterpret_cast<sockaddr*>(&sa), sizeof sa);
  socklen_t len = sizeof sa;
  ::getsockname(fd, reinterpret_cast<sockaddr*>(&sa), &len);
  ::close(fd);
  return ntohs(sa.sin_port);
}

inline void SetValue(const char* path, const char* name, DWORD type, const void* data, DWORD size) {
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, path, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
            ERROR_SUCCESS);
  ASSERT_EQ(RegSetValueExA(key, name, 0, type, static_cast<const BYTE*>(data), size), ERROR_SUCCESS);
  RegCloseKey(key);
}

// The installation: every library registers itself.
inline void RegisterLibraries() {
  for (const char* library : {VLM_NETMGR_SO, VLM_XLPNMIF_SO, VLM_SEEKIP_SO, VLM_VLMDM_SO})
    ASSERT_EQ(RunCommand(std::string(VLM_REGSVR) + " -s " + library), 0) << library;
}

// The monitor's creation of an object.
inline ComPtr<IVectorItem> CreateByProgId() {
  CLSID clsid{};
  EXPECT_EQ(CLSIDFromProgID("XLPNMIF.VectorItem", &clsid), S_OK);
  ComPtr<IVectorItem> item;
  EXPECT_EQ(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IVectorItem,
                             reinterpret_cast<void**>(item.ReleaseAndGetAddressOf())),
            S_OK)
      << com::LastLoadError();
  return item;
}

}  // namespace vlm::mgmt::testing
