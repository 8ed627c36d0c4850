// The RX15 rule list: parts placed at fixed positions; the listed finishers
// move left by 10 pixels when their offset unit is fitted. The finisher text
// is compared up to its first "+".
#include "enginepics/common/families.h"

namespace vlm::enginepics::rx15 {
namespace {

// Option model names.
constexpr std::string_view kFinisherQN867 = "QN-867";
constexpr std::string_view kFinisherQN757 = "QN-757";
constexpr std::string_view kFinisherQN752W = "QN-752W";
constexpr std::string_view kFinisherQN752 = "QN-752";
constexpr std::string_view kLctVR682 = "VR-682";
constexpr std::string_view kLctVR681 = "VR-681";

Plan Rules(const EngineArgs& a) {
  const std::string& f = a.FinisherType;
  const bool listA = a.HasFinisher() &&
                     IsOneOf(f, {kFinisherQN867, kFinisherQN757, kFinisherQN752W, kFinisherQN752});
  const bool listB = a.HasFinisher() && IsOneOf(f, {kFinisherQN867, kFinisherQN752W});
  const bool wideTray = IsOneOf(a.LCTType, {kLctVR682, kLctVR681});
  const LONG s = listA && a.Has(option::kFinisherOffsetUnit) ? 10 : 0;

  Plan p;
  p.finisherOffset = s;
  p.body = Layer{1000, 75, 41};
  if (a.Has(option::kTopUnit)) p.topUnit = Layer{1002, 75, 25};
  if (s == 10) p.offsetUnit = Layer{1060, 62, 44};
  if (listB) {
    p.exit = Layer{1012, 2 - s, 32};
  } else if (a.HasFinisher() && IsOneOf(f, {kFinisherQN757, kFinisherQN752})) {
    p.exit = Layer{1011, 2 - s, 32};
  } else {
    p.exit = Layer{1010, 61, 63};
  }
  if (listB && a.Has(option::kFinisherSubUnit)) p.subUnit = Layer{1062, 12 - s, 81};
  if (a.Has(option::kLargeCapacityTray)) {
    p.largeCapacityTray = Layer{static_cast<WORD>(wideTray ? 1052 : 1051), 144, 68};
  }
  switch (a.SelectTray) {
    case 1: p.trayMark = Layer{1020, 148, 45}; break;
    case 2: p.trayMark = Layer{1021, 81, 81}; break;
    case 3: p.trayMark = Layer{1022, 81, 90}; break;
    case 4: p.trayMark = Layer{1023, 81, 100}; break;
    case 5:
      if (a.Has(option::kLargeCapacityTray)) {
        p.trayMark = Layer{static_cast<WORD>(wideTray ? 1025 : 1024), 144, 68};
      }
      break;
    default: break;
  }
  p.binMark = BinArrowRX15RX17(a, listA, s);
  return p;
}

}  // namespace

const Family kFamily{"RX15", true, kPositionedWidth, kPositionedHeight, &Rules};

}  // namespace vlm::enginepics::rx15
