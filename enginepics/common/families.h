// The seven engine families: each family's rule list and the bitmaps its
// library carries. Each RXnn core library defines its own pair; tests link
// them directly, the shared object RXnn holds exactly one.
#pragma once

#include "enginepics/common/enginepics.h"

namespace vlm::enginepics {

// Picture sizes. Full-frame families paint whole frames at (0, 0); the
// positioned families place their parts inside one common picture.
inline constexpr int kPositionedWidth = 190;
inline constexpr int kPositionedHeight = 127;

#define VLM_ENGINE_FAMILY(ns)          \
  namespace ns {                       \
  extern const Family kFamily;         \
  extern const ResourceModule kBitmaps; \
  }
VLM_ENGINE_FAMILY(rx11)
VLM_ENGINE_FAMILY(rx12)
VLM_ENGINE_FAMILY(rx13)
VLM_ENGINE_FAMILY(rx14)
VLM_ENGINE_FAMILY(rx15)
VLM_ENGINE_FAMILY(rx16)
VLM_ENGINE_FAMILY(rx17)
#undef VLM_ENGINE_FAMILY

}  // namespace vlm::enginepics
