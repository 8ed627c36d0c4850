// The SeekIPX provider library: the framework's exports over the IPX/SPX
// transport.
#include "discovery/providers/ipx/seekipx.h"

namespace vlm::discovery {

namespace {

std::unique_ptr<DeviceFinder> MakeIpxFinder() { return std::make_unique<IpxDeviceFinder>(); }

}  // namespace

const TransportTraits kSeekIpxTraits = {
    .providerKind = kIpxProviderKind,
    .providersValueName = "IPX",
    .transportKey = "SOFTWARE\\VLM\\Discovery\\DP\\IPX",
    .displayName = "IPX Discovery Provider",
    .configurationSubkey = "Servers",
    .reloadConfigurationEveryPass = false,
    .initialOptions = {.refreshInterval = 1, .timeout = 100, .retries = 1, .discoverInstalled = 1,
                       .discoverUnInstalled = 0},
    .registeredOptions = {.refreshInterval = 1000, .timeout = 100, .retries = 1, .discoverInstalled = 1,
                          .discoverUnInstalled = 0},
    .loadAccess = KEY_READ | KEY_WRITE,
    .saveAccess = KEY_READ | KEY_WRITE,
    .makeFinder = &MakeIpxFinder,
};

}  // namespace vlm::discovery
