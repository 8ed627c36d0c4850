// The library's version record, from the build's project version.
#include "discovery/manager/core.h"
#include "platform/com/com.h"

#ifndef VLM_VERSION_MAJOR
#error "VLM_VERSION_MAJOR, _MINOR, _PATCH and _TWEAK come from the build"
#endif

namespace vlm::discovery {

FixedFileInfo BuildVersion() {
  FixedFileInfo v;
  v.productVersionMS = (std::uint32_t{VLM_VERSION_MAJOR} << 16) | (VLM_VERSION_MINOR & 0xFFFFu);
  v.productVersionLS = (std::uint32_t{VLM_VERSION_PATCH} << 16) | (VLM_VERSION_TWEAK & 0xFFFFu);
  return v;
}

std::int32_t FillDllVersion(const FixedFileInfo& version, DLLVERSIONINFO* info) {
  if (!info || info->cbSize < sizeof(DLLVERSIONINFO)) return E_INVALIDARG;
  info->dwMajorVersion = version.productVersionMS >> 16;
  info->dwMinorVersion = version.productVersionMS & 0xFFFFu;
  info->dwBuildNumber = version.productVersionLS;
  info->dwPlatformID = DLLVER_PLATFORM_WINDOWS;
  return S_OK;
}

}  // namespace vlm::discovery
