// The RX17 rule list: parts placed at fixed positions, with an alternative
// body for some base variants. The finisher text is compared up to its first
// "+".
#include "enginepics/common/families.h"

namespace vlm::enginepics::rx17 {
namespace {

// Option model names.
constexpr std::string_view kFinisherQN865 = "QN-865";
constexpr std::string_view kFinisherQN755 = "QN-755";
constexpr std::string_view kLctVR682 = "VR-682";
constexpr std::string_view kLctVR672 = "VR-672";

// The tray picture, and its mark, for the large-capacity tray model.
WORD LctPicture(const EngineArgs& a) {
  if (a.LCTType == kLctVR682) return 1052;
  if (a.LCTType == kLctVR672) return 1051;
  return 0;
}
WORD LctMark(const EngineArgs& a) {
  if (a.LCTType == kLctVR682) return 1025;
  if (a.LCTType == kLctVR672) return 1024;
  return 0;
}

std::optional<Layer> TrayMark(const EngineArgs& a, bool alternativeBody) {
  switch (a.SelectTray) {
    case 1: return Layer{1020, 144, 45};
    case 2: return Layer{1021, 75, 81};
    case 3: return Layer{1022, 75, 90};
    case 4: return alternativeBody ? Layer{1022, 75, 99} : Layer{1023, 75, 99};
    case 5:
      if (alternativeBody) return Layer{1022, 75, 108};
      if (a.Has(option::kLargeCapacityTray) && LctMark(a) != 0) return Layer{LctMark(a), 143, 68};
      return std::nullopt;
    case 6:
      if (LctMark(a) != 0) return Layer{LctMark(a), 143, 68};
      return std::nullopt;
    default: return std::nullopt;
  }
}

Plan Rules(const EngineArgs& a) {
  const std::string& f = a.FinisherType;
  const bool listed = a.HasFinisher() && IsOneOf(f, {kFinisherQN865, kFinisherQN755});
  const bool alternativeBody =
      a.Has(option::kSixthSource) ||
      (a.Has(option::kBaseFifthSource) && !a.Has(option::kLargeCapacityTray));

  Plan p;
  p.body = Layer{static_cast<WORD>(alternativeBody ? 1003 : 1000), 75, 41};
  if (a.Has(option::kTopUnit)) p.topUnit = Layer{1002, 75, 25};
  if (a.Has(option::kUnit1060)) p.offsetUnit = Layer{1060, 62, 44};
  if (a.HasFinisher() && f == kFinisherQN865) {
    p.exit = Layer{1012, 4, 26};
  } else if (a.HasFinisher() && f == kFinisherQN755) {
    p.exit = Layer{1011, 4, 26};
  } else {
    p.exit = Layer{1010, 61, 63};
  }
  if (listed && a.Has(option::kFinisherSubUnit)) p.subUnit = Layer{1062, 14, 81};
  if (a.Has(option::kLargeCapacityTray) && LctPicture(a) != 0) {
    p.largeCapacityTray = Layer{LctPicture(a), 143, 68};
  }
  p.trayMark = TrayMark(a, alternativeBody);
  p.binMark = BinArrowRX15RX17(a, listed, 0);
  return p;
}

}  // namespace

const Family kFamily{"RX17", true, kPositionedWidth, kPositionedHeight, &Rules};

}  // namespace vlm::enginepics::rx17
