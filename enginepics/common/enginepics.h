// The painting module shared by the engine picture libraries RX11..RX17: the
// transparent bitmap painter, its word helpers, the Options bits, and the
// common frame of DrawEngine that runs a family's rule list.
//
// What a caller may rely on:
// - PaintTransparent paints bitmap `id` of `module` at (x, y) of the target
//   context. The key colour is the bitmap's pixel (0, 0): every pixel of
//   exactly that colour leaves the target as it was, every other pixel is
//   copied. The layer is composed off-screen and reaches the target in one
//   copy, clipped at every edge of the target. A number the module does not
//   hold draws nothing. Every context and bitmap the call makes is freed
//   before it returns, on every path.
// - ResourceName, MakeLong and WordToLong take 16-bit values as unsigned bit
//   patterns and never overflow.
// - DrawEngine (the frame) copies the texts, cuts the finisher text at its
//   first "+" for the families that say so, asks the family's rule list for its
//   layers and paints them in the fixed order: body, top unit, finisher offset
//   unit, exit tray or finisher, finisher sub-unit, base unit, large-capacity
//   tray, and only when ShowSelection is true the tray mark and then the bin
//   mark. Each slot holds at most one bitmap. It keeps no state between calls.
// - Nothing here throws: rule lists only compare texts and test bits.
#pragma once

#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>

#include "enginepics/gdi/gdi.h"
#include "platform/types.h"

namespace vlm::enginepics {

// --- Transparent bitmap painting -------------------------------------------

void PaintTransparent(HINSTANCE module, HDC hdc, WORD id, LONG x, LONG y);

// "#" and the unsigned decimal value of MakeLong(id, 0): 1000 gives "#1000",
// 0xFFFF gives "#65535".
std::string ResourceName(WORD id);
// The 32-bit value whose upper half is `high` and lower half `low`, bit for
// bit (negative when bit 15 of `high` is set).
LONG MakeLong(WORD low, WORD high);
// The unsigned value 0..65535 of a 16-bit word.
LONG WordToLong(WORD word);

// --- The Options bits --------------------------------------------------------

namespace option {
inline constexpr DWORD kTopUnit = 0x2;
inline constexpr DWORD kLargeCapacityTray = 0x80;
inline constexpr DWORD kFinisherSubUnit = 0x100;
inline constexpr DWORD kFinisherOffsetUnit = 0x200;
inline constexpr DWORD kFinisher = 0x800;
inline constexpr DWORD kUnit1060 = 0x80000;
inline constexpr DWORD kBaseThirdSource = 0x800000;
inline constexpr DWORD kBaseFourthSource = 0x1000000;
inline constexpr DWORD kBaseFifthSource = 0x2000000;
inline constexpr DWORD kSixthSource = 0x4000000;
inline constexpr DWORD kFinisherVariant1 = 0x8000000;
inline constexpr DWORD kFinisherVariant2 = 0x10000000;
inline constexpr DWORD kFinisherVariant3 = 0x20000000;
inline constexpr DWORD kFinisherVariant4 = 0x40000000;
}  // namespace option

// --- DrawEngine --------------------------------------------------------------

// The nine arguments of DrawEngine. Texts are UTF-8, compared byte for byte.
struct EngineArgs {
  LONG hdcPaint = 0;
  LONG Options = 0;
  LONG EngineType = 0;
  std::string FinisherType;
  std::string LCTType;
  std::string BaseType;
  LONG SelectTray = 0;
  LONG SelectBin = 0;
  bool ShowSelection = false;

  bool Has(DWORD bit) const { return (static_cast<DWORD>(Options) & bit) != 0; }
  bool HasFinisher() const { return Has(option::kFinisher); }
};

// One layer: a bitmap number and the position of its top-left corner.
struct Layer {
  WORD id = 0;
  LONG x = 0;
  LONG y = 0;
  friend bool operator==(const Layer&, const Layer&) = default;
};

// What a family's rule list decides for one call, slot by slot.
struct Plan {
  std::optional<Layer> body;
  std::optional<Layer> topUnit;
  std::optional<Layer> offsetUnit;
  std::optional<Layer> exit;
  std::optional<Layer> subUnit;
  std::optional<Layer> base;
  std::optional<Layer> largeCapacityTray;
  std::optional<Layer> trayMark;
  std::optional<Layer> binMark;
  // How far the finisher was moved left (0 when not): layers of the finisher
  // may start this far left of the picture's edge and are clipped there.
  LONG finisherOffset = 0;
};

struct Family {
  const char* name;          // "RX11"
  bool cutFinisherAtPlus;    // compare only what stands before the first "+"
  int width;                 // the picture the layers fill, in pixels
  int height;
  Plan (*plan)(const EngineArgs& args);  // texts already copied and cut
};

// Where the layers go: the painter in the libraries, a recorder in tests.
class LayerSink {
 public:
  virtual ~LayerSink() = default;
  virtual void Paint(WORD id, LONG x, LONG y) = 0;
};

// The text before the first "+", or the whole text.
std::string CutAtPlus(std::string_view text);

// The frame: runs the family's rule list and paints its layers in order.
void DrawEngine(const Family& family, const EngineArgs& args, LayerSink& sink);

// DrawEngine with the bitmaps of `module` painted into the context
// args.hdcPaint (a 32-bit device-context handle).
void PaintEngine(const Family& family, HINSTANCE module, const EngineArgs& args);

// --- Rule pieces that several families share --------------------------------

// The full-frame finisher exit picture chosen by the highest variant bit:
// 1014, 1013, 1012, 1011, otherwise the plain exit tray 1010.
WORD FinisherVariantExit(const EngineArgs& args);
// The full-frame bin marks of the four-bin finishers (QN-748, QN-758):
// 1031; 1032 or 1034; 1033 or 1034; 1034; 0 for any other bin.
WORD FourBinMark(const EngineArgs& args);
// A whole-frame layer at (0, 0); number 0 stands for no layer.
inline std::optional<Layer> FullFrame(WORD id) {
  if (id == 0) return std::nullopt;
  return Layer{id, 0, 0};
}
// RX11 and RX16, which share their body, base and trays: the marks of
// trays 1 to 5 (0 for none) and the base variant.
WORD TrayMarkRX11RX16(const EngineArgs& args);
WORD BaseRX11RX16(const EngineArgs& args);
// The bin marks 1070, 1071 of the two-bin option unit MW-316 (0 for others).
WORD TwoBinUnitMark(const EngineArgs& args);
// The tray marks of RX13 and RX14, which share their body and its trays.
std::optional<Layer> TrayMarkRX13RX14(const EngineArgs& args);
// The bin arrows of RX15 and RX17: for a listed finisher, moved left by the
// finisher offset; otherwise the exit-tray arrow for any non-zero bin.
std::optional<Layer> BinArrowRX15RX17(const EngineArgs& args, bool listedFinisher, LONG offset);
// Whether `text` is one of `models` (exact, whole text).
bool IsOneOf(std::string_view text, std::initializer_list<std::string_view> models);

}  // namespace vlm::enginepics
