#include "enginepics/tests/recorder.h"

namespace vlm::enginepics {

namespace testing {
std::vector<Layer> Record(const Family& family, const EngineArgs& args) {
  Recorder r;
  DrawEngine(family, args, r);
  return r.layers;
}
}  // namespace testing

void PrintTo(const Layer& layer, std::ostream* os) {
  *os << layer.id << "@(" << layer.x << "," << layer.y << ")";
}

}  // namespace vlm::enginepics
