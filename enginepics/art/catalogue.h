// What every bitmap of each engine picture library must be: its number, its
// size, its key colour and the rectangle its visible part fills. The bitmap
// generator draws to it and the asset checks hold the libraries to it.
#pragma once

#include <string_view>
#include <vector>

#include "enginepics/gdi/gdi.h"

namespace vlm::enginepics::art {

// An inclusive pixel rectangle.
struct Extent {
  int x0, x1, y0, y1;
  int Width() const { return x1 - x0 + 1; }
  int Height() const { return y1 - y0 + 1; }
};

struct BitmapSpec {
  WORD id;
  int width;
  int height;
  COLORREF key;
  Extent extent;  // the bounding box of the pixels that are not the key colour
};

struct FamilyArt {
  std::string_view name;  // "RX11"
  bool fullFrame;
  std::vector<BitmapSpec> bitmaps;

  const BitmapSpec* Find(WORD id) const;
};

inline constexpr COLORREF kFullFrameKey = RGB(153, 204, 102);
inline constexpr COLORREF kWhiteKey = RGB(255, 255, 255);
inline constexpr COLORREF kExitTrayKey = RGB(204, 204, 153);

// The seven families in the order RX11 .. RX17.
const std::vector<FamilyArt>& Catalogue();
const FamilyArt* FindFamily(std::string_view name);

}  // namespace vlm::enginepics::art
