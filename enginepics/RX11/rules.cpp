// The RX11 rule list: full frames of 175 x 127, every layer at (0, 0).
#include "enginepics/common/families.h"

namespace vlm::enginepics::rx11 {
namespace {

// Option model names.
constexpr std::string_view kFinisherQN748 = "QN-748";
constexpr std::string_view kOptionUnitMW316 = "MW-316";

WORD TrayMark(const EngineArgs& a) {
  const bool fourth = a.Has(option::kBaseFourthSource);
  const bool fifth = a.Has(option::kBaseFifthSource);
  switch (a.SelectTray) {
    case 1: return 1020;
    case 2: return 1021;
    case 3: return 1022;
    case 4: return fourth ? (fifth ? 1023 : 1051) : 0;
    case 5: return fifth ? 1024 : 0;
    default: return 0;
  }
}

WORD BinMark(const EngineArgs& a) {
  if (!a.HasFinisher()) return a.SelectBin != 0 ? 1030 : 0;
  if (a.FinisherType == kFinisherQN748) return FourBinMark(a);
  if (a.FinisherType == kOptionUnitMW316) {
    if (a.SelectBin == 1) return 1070;
    if (a.SelectBin == 2) return 1071;
  }
  return 0;
}

Plan Rules(const EngineArgs& a) {
  Plan p;
  p.body = FullFrame(1000);
  if (a.Has(option::kTopUnit)) p.topUnit = FullFrame(1002);
  p.exit = FullFrame(a.HasFinisher() ? FinisherVariantExit(a) : 1010);
  p.base = FullFrame(a.Has(option::kBaseFifthSource)    ? 1042
                 : a.Has(option::kBaseFourthSource) ? 1041
                                                    : 1040);
  p.trayMark = FullFrame(TrayMark(a));
  p.binMark = FullFrame(BinMark(a));
  return p;
}

}  // namespace

const Family kFamily{"RX11", false, 175, 127, &Rules};

}  // namespace vlm::enginepics::rx11
