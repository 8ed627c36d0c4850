// The RX12 rule list: full frames of 171 x 123, every layer at (0, 0). It
// reads no text.
#include "enginepics/common/families.h"

namespace vlm::enginepics::rx12 {
namespace {

WORD TrayMark(const EngineArgs& a) {
  const bool third = a.Has(option::kBaseThirdSource);
  const bool fourth = a.Has(option::kBaseFourthSource);
  const bool fifth = a.Has(option::kBaseFifthSource);
  switch (a.SelectTray) {
    case 1: return 1020;
    case 2: return 1021;
    case 3: return third ? ((fourth || fifth) ? 1022 : 1051) : 0;
    case 4: return fourth ? (fifth ? 1023 : 1052) : 0;
    case 5: return fifth ? 1024 : 0;
    case 6: return a.Has(option::kSixthSource) ? 1025 : 0;
    default: return 0;
  }
}

WORD BinMark(const EngineArgs& a) {
  if (!a.HasFinisher()) return a.SelectBin != 0 ? 1030 : 0;
  switch (a.SelectBin) {
    case 1: return 1031;
    case 2: return 1032;
    case 3: return 1033;
    default: return 0;
  }
}

Plan Rules(const EngineArgs& a) {
  Plan p;
  p.body = FullFrame(1000);
  if (a.Has(option::kTopUnit)) p.topUnit = FullFrame(1002);
  p.exit = FullFrame(a.HasFinisher() ? 1013 : 1010);
  p.base = FullFrame(a.Has(option::kBaseFifthSource)    ? 1043
                 : a.Has(option::kBaseFourthSource) ? 1042
                 : a.Has(option::kBaseThirdSource)  ? 1041
                                                    : 1040);
  p.trayMark = FullFrame(TrayMark(a));
  p.binMark = FullFrame(BinMark(a));
  return p;
}

}  // namespace

const Family kFamily{"RX12", false, 171, 123, &Rules};

}  // namespace vlm::enginepics::rx12
