// The exports of libSeekIPX.so.
#include "discovery/providers/exports.h"
#include "discovery/providers/ipx/seekipx.h"

VLM_PROVIDER_LIBRARY(vlm::discovery::kSeekIpxTraits);
