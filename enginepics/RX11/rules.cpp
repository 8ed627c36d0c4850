// The RX11 rule list: full frames of 175 x 127, every layer at (0, 0).
#include "enginepics/common/families.h"

namespace vlm::enginepics::rx11 {
namespace {

// Option model names.
constexpr std::string_view kFinisherQN748 = "QN-748";
constexpr std::string_view kOptionUnitMW316 = "MW-316";

WORD BinMark(const EngineArgs& a) {
  if (!a.HasFinisher()) return a.SelectBin != 0 ? 1030 : 0;
  if (a.FinisherType == kFinisherQN748) return FourBinMark(a);
  if (a.FinisherType == kOptionUnitMW316) return TwoBinUnitMark(a);
  return 0;
}

Plan Rules(const EngineArgs& a) {
  Plan p;
  p.body = FullFrame(1000);
  if (a.Has(option::kTopUnit)) p.topUnit = FullFrame(1002);
  p.exit = FullFrame(a.HasFinisher() ? FinisherVariantExit(a) : 1010);
  p.base = FullFrame(BaseRX11RX16(a));
  p.trayMark = FullFrame(TrayMarkRX11RX16(a));
  p.binMark = FullFrame(BinMark(a));
  return p;
}

}  // namespace

const Family kFamily{"RX11", false, 175, 127, &Rules};

}  // namespace vlm::enginepics::rx11
