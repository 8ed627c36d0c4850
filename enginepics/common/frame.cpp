// The frame of DrawEngine shared by every family, and the rule pieces that
// several families share.
#include <algorithm>

#include "enginepics/common/enginepics.h"

namespace vlm::enginepics {

std::string CutAtPlus(std::string_view text) {
  return std::string(text.substr(0, text.find('+')));
}

bool IsOneOf(std::string_view text, std::initializer_list<std::string_view> models) {
  return std::find(models.begin(), models.end(), text) != models.end();
}

void DrawEngine(const Family& family, const EngineArgs& args, LayerSink& sink) {
  EngineArgs local = args;
  if (family.cutFinisherAtPlus) local.FinisherType = CutAtPlus(local.FinisherType);
  const Plan plan = family.plan(local);

  auto paint = [&sink](const std::optional<Layer>& layer) {
    if (layer) sink.Paint(layer->id, layer->x, layer->y);
  };
  paint(plan.body);
  paint(plan.topUnit);
  paint(plan.offsetUnit);
  paint(plan.exit);
  paint(plan.subUnit);
  paint(plan.base);
  paint(plan.largeCapacityTray);
  if (local.ShowSelection) {
    paint(plan.trayMark);
    paint(plan.binMark);
  }
}

namespace {
class Painter final : public LayerSink {
 public:
  Painter(HINSTANCE module, HDC hdc) : module_(module), hdc_(hdc) {}
  void Paint(WORD id, LONG x, LONG y) override { PaintTransparent(module_, hdc_, id, x, y); }

 private:
  HINSTANCE module_;
  HDC hdc_;
};
}  // namespace

void PaintEngine(const Family& family, HINSTANCE module, const EngineArgs& args) {
  Painter painter(module, static_cast<HDC>(static_cast<std::uint32_t>(args.hdcPaint)));
  DrawEngine(family, args, painter);
}

WORD FinisherVariantExit(const EngineArgs& args) {
  if (args.Has(option::kFinisherVariant4)) return 1014;
  if (args.Has(option::kFinisherVariant3)) return 1013;
  if (args.Has(option::kFinisherVariant2)) return 1012;
  if (args.Has(option::kFinisherVariant1)) return 1011;
  return 1010;
}

WORD FourBinMark(const EngineArgs& args) {
  const bool variant3or4 = args.Has(option::kFinisherVariant3) || args.Has(option::kFinisherVariant4);
  switch (args.SelectBin) {
    case 1: return 1031;
    case 2: return variant3or4 ? 1032 : 1034;
    case 3: return args.Has(option::kFinisherVariant4) ? 1033 : 1034;
    case 4: return 1034;
    default: return 0;
  }
}

WORD TrayMarkRX11RX16(const EngineArgs& a) {
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

WORD BaseRX11RX16(const EngineArgs& a) {
  if (a.Has(option::kBaseFifthSource)) return 1042;
  if (a.Has(option::kBaseFourthSource)) return 1041;
  return 1040;
}

WORD TwoBinUnitMark(const EngineArgs& a) {
  if (a.SelectBin == 1) return 1070;
  if (a.SelectBin == 2) return 1071;
  return 0;
}

std::optional<Layer> TrayMarkRX13RX14(const EngineArgs& a) {
  switch (a.SelectTray) {
    case 1: return Layer{1020, 147, 36};
    case 2: return Layer{1021, 71, 64};
    case 3: return Layer{1022, 71, 73};
    case 4: return Layer{1023, 119, 90};
    case 5: return Layer{1024, 71, 90};
    case 6:
      if (a.Has(option::kLargeCapacityTray)) return Layer{1025, 147, 62};
      return std::nullopt;
    default: return std::nullopt;
  }
}

std::optional<Layer> BinArrowRX15RX17(const EngineArgs& a, bool listedFinisher, LONG offset) {
  if (!listedFinisher) {
    if (a.SelectBin != 0) return Layer{2001, 60, 53};
    return std::nullopt;
  }
  switch (a.SelectBin) {
    case 1: return Layer{2001, 41 - offset, 20};
    case 2: return Layer{2001, 12 - offset, 33};
    case 3: return Layer{2002, 33 - offset, 106};
    case 4: return Layer{2001, 31 - offset, 27};
    default: return std::nullopt;
  }
}

}  // namespace vlm::enginepics
