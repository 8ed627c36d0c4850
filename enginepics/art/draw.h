// Pixel-exact drawing for the bitmap generator: filled boxes with a bevel and
// cut corners, drawers, trays, pointers and arrows, in one palette, without
// anti-aliasing (a blended edge pixel next to the key colour would show as a
// fringe). Coordinates are pixels of the family's picture, inclusive; a
// positioned part's bitmap is the window of the picture at its position.
#pragma once

#include <QImage>

namespace vlm::enginepics::art {

struct Rect {
  int x0, x1, y0, y1;
};

// A fill colour with its lit and shaded edges.
struct Shade {
  QRgb fill, light, dark;
};

namespace palette {
inline constexpr QRgb kOutline = 0xFF2F343B;
inline constexpr Shade kBody{0xFFD7DBE0, 0xFFEEF0F2, 0xFFA9B0B9};
inline constexpr Shade kPanel{0xFFC3C9D0, 0xFFDDE1E5, 0xFF959DA8};
inline constexpr Shade kBase{0xFFB6BDC6, 0xFFD0D5DC, 0xFF8B95A1};
inline constexpr Shade kFinisher{0xFFCAD1DA, 0xFFE3E8EE, 0xFF9AA5B2};
inline constexpr Shade kScanner{0xFFBCC3CB, 0xFFD8DDE2, 0xFF8F98A3};
inline constexpr Shade kPaper{0xFFF3EFE2, 0xFFFAF8F1, 0xFFD6CFB8};
inline constexpr Shade kScreen{0xFF3D7AB5, 0xFF9CC7E8, 0xFF24507D};
inline constexpr Shade kHighlight{0xFFFF8C1A, 0xFFFFBE70, 0xFFCC6600};
inline constexpr Shade kHighlightPale{0xFFFFCB8F, 0xFFFFE2BF, 0xFFE89B45};
inline constexpr QRgb kHighlightOutline = 0xFF8A4200;
inline constexpr QRgb kCavity = 0xFF646C77;
inline constexpr QRgb kHandle = 0xFF4E5661;
}  // namespace palette

enum class Dir { kUp, kDown, kLeft, kRight };

class Art {
 public:
  // A bitmap of width x height whose top-left pixel is the picture's (ox, oy).
  Art(int width, int height, QRgb key, int ox = 0, int oy = 0);

  void Pixel(int x, int y, QRgb c);
  void Fill(Rect r, QRgb c);
  void HLine(int x0, int x1, int y, QRgb c) { Fill({x0, x1, y, y}, c); }
  void VLine(int x, int y0, int y1, QRgb c) { Fill({x, x, y0, y1}, c); }
  // A bevelled box with an outline and its four corner pixels left out.
  void Box(Rect r, const Shade& s, QRgb outline = palette::kOutline);
  // A drawer front: a panel box with a handle in its middle.
  void Drawer(Rect r, const Shade& s = palette::kPanel, QRgb handle = palette::kHandle,
              QRgb outline = palette::kOutline);
  // A paper tray: a sheet of paper lying in a shallow tray.
  void Tray(Rect r, const Shade& tray = palette::kPanel, const Shade& paper = palette::kPaper,
            QRgb outline = palette::kOutline);
  // A solid triangle filling r, pointing in `d`, outlined.
  void Pointer(Rect r, Dir d, const Shade& s = palette::kHighlight,
               QRgb outline = palette::kHighlightOutline);
  // Horizontal vent slots.
  void Vents(Rect r, QRgb c = palette::kHandle);
  // Small dark feet at the bottom corners of a cabinet.
  void Feet(Rect r, QRgb c = palette::kOutline);

  const QImage& Image() const { return image_; }

 private:
  QImage image_;
  int ox_;
  int oy_;
};

// The 10 x 10 arrow bitmaps 2000 (up) to 2003 (right).
QImage ArrowBitmap(Dir d);

}  // namespace vlm::enginepics::art
