// The exports of libSeekIP.so.
#include "discovery/providers/exports.h"
#include "discovery/providers/ip/seekip.h"

namespace {

vlm::discovery::ProviderModule& Module() {
  static vlm::discovery::ProviderModule module(vlm::discovery::kSeekIpTraits,
                                               vlm::discovery::ProviderModule::kStopAtExit);
  return module;
}

}  // namespace

VLM_PROVIDER_EXPORTS(Module);
