#include "enginepics/art/draw.h"

#include <algorithm>

namespace vlm::enginepics::art {

Art::Art(int width, int height, QRgb key, int ox, int oy)
    : image_(width, height, QImage::Format_RGB32), ox_(ox), oy_(oy) {
  image_.fill(key);
}

void Art::Pixel(int x, int y, QRgb c) {
  x -= ox_;
  y -= oy_;
  if (x < 0 || y < 0 || x >= image_.width() || y >= image_.height()) return;
  image_.setPixel(x, y, c);
}

void Art::Fill(Rect r, QRgb c) {
  for (int y = r.y0; y <= r.y1; ++y) {
    for (int x = r.x0; x <= r.x1; ++x) Pixel(x, y, c);
  }
}

void Art::Box(Rect r, const Shade& s, QRgb outline) {
  if (r.x1 - r.x0 < 2 || r.y1 - r.y0 < 2) {
    Fill(r, s.fill);
    return;
  }
  Fill({r.x0 + 1, r.x1 - 1, r.y0 + 1, r.y1 - 1}, s.fill);
  HLine(r.x0 + 1, r.x1 - 1, r.y0, outline);
  HLine(r.x0 + 1, r.x1 - 1, r.y1, outline);
  VLine(r.x0, r.y0 + 1, r.y1 - 1, outline);
  VLine(r.x1, r.y0 + 1, r.y1 - 1, outline);
  if (r.x1 - r.x0 >= 4 && r.y1 - r.y0 >= 4) {
    HLine(r.x0 + 1, r.x1 - 2, r.y0 + 1, s.light);
    VLine(r.x0 + 1, r.y0 + 1, r.y1 - 2, s.light);
    HLine(r.x0 + 2, r.x1 - 1, r.y1 - 1, s.dark);
    VLine(r.x1 - 1, r.y0 + 2, r.y1 - 1, s.dark);
  }
}

void Art::Drawer(Rect r, const Shade& s, QRgb handle, QRgb outline) {
  Box(r, s, outline);
  const int w = r.x1 - r.x0 + 1;
  const int h = r.y1 - r.y0 + 1;
  const int hw = std::max(3, w / 4);
  const int cx = r.x0 + w / 2;
  const int cy = r.y0 + h / 2;
  if (h >= 5) {
    HLine(cx - hw / 2, cx - hw / 2 + hw - 1, cy, handle);
    if (h >= 9) HLine(cx - hw / 2, cx - hw / 2 + hw - 1, cy - 1, handle);
  }
}

void Art::Tray(Rect r, const Shade& tray, const Shade& paper, QRgb outline) {
  const int h = r.y1 - r.y0 + 1;
  const int trayTop = r.y0 + std::max(1, h / 2);
  // The sheet: a little narrower than the tray, lying on it.
  const int inset = std::max(1, (r.x1 - r.x0) / 10);
  Box({r.x0 + inset, r.x1 - inset, r.y0, trayTop}, paper, outline);
  Box({r.x0, r.x1, trayTop, r.y1}, tray, outline);
}

void Art::Pointer(Rect r, Dir d, const Shade& s, QRgb outline) {
  const bool horizontal = d == Dir::kLeft || d == Dir::kRight;
  const int length = horizontal ? r.x1 - r.x0 : r.y1 - r.y0;       // along the point
  const int breadth = horizontal ? r.y1 - r.y0 : r.x1 - r.x0;      // across it
  for (int i = 0; i <= length; ++i) {
    // i = 0 at the base (full breadth), i = length at the tip.
    const int half = length == 0 ? breadth / 2 : (breadth * (length - i)) / (2 * length);
    const int mid2 = breadth;  // twice the middle offset
    const int lo = (mid2 - 2 * half) / 2;
    const int hi = breadth - lo;
    for (int j = lo; j <= hi; ++j) {
      const bool edge = j == lo || j == hi || i == 0;
      const QRgb c = edge ? outline : (j == lo + 1 ? s.light : s.fill);
      int x, y;
      if (horizontal) {
        x = d == Dir::kRight ? r.x0 + i : r.x1 - i;
        y = r.y0 + j;
      } else {
        x = r.x0 + j;
        y = d == Dir::kDown ? r.y0 + i : r.y1 - i;
      }
      Pixel(x, y, c);
    }
  }
}

void Art::Vents(Rect r, QRgb c) {
  for (int y = r.y0; y <= r.y1; y += 2) HLine(r.x0, r.x1, y, c);
}

void Art::Feet(Rect r, QRgb c) {
  const int w = std::max(2, (r.x1 - r.x0) / 10);
  Fill({r.x0 + 2, r.x0 + 1 + w, r.y0, r.y1}, c);
  Fill({r.x1 - 1 - w, r.x1 - 2, r.y0, r.y1}, c);
}

QImage ArrowBitmap(Dir d) {
  // Drawn pointing down, then turned.
  Art a(10, 10, 0xFFFFFFFF);
  const Shade& s = palette::kHighlight;
  const QRgb o = palette::kHighlightOutline;
  a.Fill({3, 6, 0, 4}, s.fill);
  a.VLine(3, 0, 4, o);
  a.VLine(6, 0, 4, o);
  a.HLine(3, 6, 0, o);
  a.VLine(4, 1, 4, s.light);
  a.Pointer({0, 9, 5, 9}, Dir::kDown, s, o);
  a.Fill({4, 5, 5, 5}, s.fill);
  QImage down = a.Image();
  QTransform turn;
  switch (d) {
    case Dir::kDown: return down;
    case Dir::kUp: turn.rotate(180); break;
    case Dir::kLeft: turn.rotate(90); break;
    case Dir::kRight: turn.rotate(270); break;
  }
  return down.transformed(turn);
}

}  // namespace vlm::enginepics::art
