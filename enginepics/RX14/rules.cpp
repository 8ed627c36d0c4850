// The RX14 rule list: parts placed at fixed positions; the QN-752W finisher
// moves left by 9 pixels when its offset unit is fitted. The finisher text is
// compared up to its first "+".
#include "enginepics/common/families.h"

namespace vlm::enginepics::rx14 {
namespace {

// Option model names.
constexpr std::string_view kFinisherQN746 = "QN-746";
constexpr std::string_view kFinisherQN752W = "QN-752W";

Plan Rules(const EngineArgs& a) {
  const bool qn752w = a.HasFinisher() && a.FinisherType == kFinisherQN752W;
  const bool listed = a.HasFinisher() && IsOneOf(a.FinisherType, {kFinisherQN746, kFinisherQN752W});
  const LONG s = qn752w && a.Has(option::kFinisherOffsetUnit) ? 9 : 0;
  Plan p;
  p.finisherOffset = s;
  p.body = Layer{1000, 83, 31};
  if (a.Has(option::kTopUnit)) p.topUnit = Layer{1002, 88, 19};
  if (s == 9) p.offsetUnit = Layer{1060, 74, 36};
  if (qn752w) {
    p.exit = Layer{1012, 10 - s, 22};
  } else if (a.HasFinisher() && a.FinisherType == kFinisherQN746) {
    p.exit = Layer{1011, 10, 29};
  } else {
    p.exit = Layer{1010, 51, 63};
  }
  if (qn752w && a.Has(option::kFinisherSubUnit)) p.subUnit = Layer{1062, 20 - s, 78};
  if (a.Has(option::kLargeCapacityTray)) p.largeCapacityTray = Layer{1051, 147, 62};
  p.trayMark = TrayMarkRX13RX14(a);
  if (listed) {
    switch (a.SelectBin) {
      case 1: p.binMark = Layer{2001, 40 - s, 17}; break;
      case 2: p.binMark = Layer{2001, 10 - s, 23}; break;
      case 3: p.binMark = Layer{2002, 42 - s, 106}; break;
      case 4: p.binMark = Layer{2001, 42 - s, 106}; break;
      default: break;
    }
  } else if (a.SelectBin != 0) {
    p.binMark = Layer{2001, 51, 50};
  }
  return p;
}

}  // namespace

const Family kFamily{"RX14", true, kPositionedWidth, kPositionedHeight, &Rules};

}  // namespace vlm::enginepics::rx14
