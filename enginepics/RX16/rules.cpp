// The RX16 rule list: full frames of 175 x 127, every layer at (0, 0).
#include "enginepics/common/families.h"

namespace vlm::enginepics::rx16 {
namespace {

// Option model names.
constexpr std::string_view kFinisherQN759 = "QN-759";
constexpr std::string_view kFinisherQN758 = "QN-758";
constexpr std::string_view kOptionUnitMW316 = "MW-316";

WORD Exit(const EngineArgs& a) {
  if (!a.HasFinisher()) return 1010;
  if (a.FinisherType == kFinisherQN759) return 1015;
  if (a.FinisherType == kFinisherQN758) return FinisherVariantExit(a);
  if (a.FinisherType == kOptionUnitMW316) return 1011;
  return 0;
}

WORD TrayMark(const EngineArgs& a) {
  if (a.SelectTray == 6) return a.Has(option::kSixthSource) ? 1052 : 0;
  return TrayMarkRX11RX16(a);
}

WORD BinMark(const EngineArgs& a) {
  if (!a.HasFinisher()) return a.SelectBin != 0 ? 1030 : 0;
  if (a.FinisherType == kFinisherQN759) {
    if (a.SelectBin == 1) return 1035;
    if (a.SelectBin == 2) return 1036;
    return 0;
  }
  if (a.FinisherType == kFinisherQN758) return FourBinMark(a);
  if (a.FinisherType == kOptionUnitMW316) return TwoBinUnitMark(a);
  return 0;
}

Plan Rules(const EngineArgs& a) {
  Plan p;
  p.body = FullFrame(1000);
  if (a.Has(option::kTopUnit)) p.topUnit = FullFrame(1002);
  p.exit = FullFrame(Exit(a));
  p.base = FullFrame(BaseRX11RX16(a));
  if (a.Has(option::kLargeCapacityTray)) p.largeCapacityTray = FullFrame(1025);
  p.trayMark = FullFrame(TrayMark(a));
  p.binMark = FullFrame(BinMark(a));
  return p;
}

}  // namespace

const Family kFamily{"RX16", false, 175, 127, &Rules};

}  // namespace vlm::enginepics::rx16
