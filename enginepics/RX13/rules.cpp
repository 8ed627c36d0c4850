// The RX13 rule list: parts placed at fixed positions. The finisher text is
// compared whole.
#include "enginepics/common/families.h"

namespace vlm::enginepics::rx13 {
namespace {

// Option model names.
constexpr std::string_view kFinisherQN741R = "QN-741R";
constexpr std::string_view kFinisherQN741 = "QN-741";
constexpr std::string_view kFinisherQN741W = "QN-741W";
constexpr std::string_view kFinisherQN742R = "QN-742R";
constexpr std::string_view kFinisherQN746 = "QN-746";

Plan Rules(const EngineArgs& a) {
  const bool listed = a.HasFinisher() &&
                      IsOneOf(a.FinisherType, {kFinisherQN741R, kFinisherQN741, kFinisherQN741W,
                                               kFinisherQN742R, kFinisherQN746});
  Plan p;
  p.body = Layer{1000, 83, 31};
  if (a.Has(option::kTopUnit)) p.topUnit = Layer{1002, 68, 21};
  if (a.HasFinisher() && a.FinisherType == kFinisherQN746) {
    p.exit = Layer{1012, 10, 29};
  } else if (listed) {
    p.exit = Layer{1011, 27, 37};
  } else {
    p.exit = Layer{1010, 51, 53};
  }
  if (a.Has(option::kLargeCapacityTray)) p.largeCapacityTray = Layer{1051, 147, 62};
  p.trayMark = TrayMarkRX13RX14(a);
  if (listed) {
    if (a.SelectBin == 1) p.binMark = Layer{2001, 44, 20};
    if (a.SelectBin == 2) p.binMark = Layer{2001, 25, 28};
  } else if (a.SelectBin != 0) {
    p.binMark = Layer{2001, 55, 40};
  }
  return p;
}

}  // namespace

const Family kFamily{"RX13", false, kPositionedWidth, kPositionedHeight, &Rules};

}  // namespace vlm::enginepics::rx13
