// A layer sink that records the layers a rule list paints, so that rules are
// tested apart from pixels.
#pragma once

#include <ostream>
#include <vector>

#include "enginepics/common/enginepics.h"

namespace vlm::enginepics::testing {

class Recorder final : public LayerSink {
 public:
  void Paint(WORD id, LONG x, LONG y) override { layers.push_back({id, x, y}); }
  std::vector<Layer> layers;
};

std::vector<Layer> Record(const Family& family, const EngineArgs& args);

}  // namespace vlm::enginepics::testing

namespace vlm::enginepics {
void PrintTo(const Layer& layer, std::ostream* os);
}  // namespace vlm::enginepics
