// The SeekIP provider: its transport traits (the framework's table of the
// points in which providers differ) over IpDeviceFinder.
#pragma once

#include "discovery/providers/ip/ip_finder.h"
#include "discovery/providers/provider.h"

namespace vlm::discovery {

extern const TransportTraits kSeekIpTraits;

}  // namespace vlm::discovery
