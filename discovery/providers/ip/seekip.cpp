// The SeekIP provider library: the framework's exports over the TCP/IP
// transport.
#include "discovery/providers/ip/seekip.h"

namespace vlm::discovery {

namespace {

std::unique_ptr<DeviceFinder> MakeIpFinder() { return std::make_unique<IpDeviceFinder>(); }

}  // namespace

const TransportTraits kSeekIpTraits = {
    .providerKind = kIpProviderKind,
    .providersValueName = "IP",
    .transportKey = "SOFTWARE\\VLM\\Discovery\\DP\\IP",
    .displayName = "IP Discovery Provider",
    .configurationSubkey = "RANGES",
    .reloadConfigurationEveryPass = true,
    .initialOptions = {.refreshInterval = 1000, .timeout = 5, .retries = 1, .discoverInstalled = 1,
                       .discoverUnInstalled = 0},
    .registeredOptions = {.refreshInterval = 1000, .timeout = 5, .retries = 1, .discoverInstalled = 1,
                          .discoverUnInstalled = 0},
    .loadAccess = KEY_READ,
    .saveAccess = KEY_WRITE,
    .makeFinder = &MakeIpFinder,
};

}  // namespace vlm::discovery
