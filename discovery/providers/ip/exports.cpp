// The exports of libSeekIP.so.
#include "discovery/providers/exports.h"
#include "discovery/providers/ip/seekip.h"

VLM_PROVIDER_LIBRARY(vlm::discovery::kSeekIpTraits);
