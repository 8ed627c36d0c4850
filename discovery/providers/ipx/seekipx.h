// The SeekIPX provider: its transport traits (the framework's table of the
// points in which providers differ) over IpxDeviceFinder.
#pragma once

#include "discovery/providers/ipx/ipx_finder.h"
#include "discovery/providers/provider.h"

namespace vlm::discovery {

extern const TransportTraits kSeekIpxTraits;

}  // namespace vlm::discovery
