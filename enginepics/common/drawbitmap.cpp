// Transparent painting of one bitmap layer, and the word helpers that make a
// bitmap's resource name.
#include <bit>
#include <cstdint>

#include "enginepics/common/enginepics.h"

namespace vlm::enginepics {

LONG MakeLong(WORD low, WORD high) {
  const std::uint32_t bits = (std::uint32_t{high} << 16) | std::uint32_t{low};
  return std::bit_cast<LONG>(bits);
}

LONG WordToLong(WORD word) { return MakeLong(word, 0); }

std::string ResourceName(WORD id) {
  return '#' + std::to_string(std::bit_cast<std::uint32_t>(MakeLong(id, 0)));
}

void PaintTransparent(HINSTANCE module, HDC hdc, WORD id, LONG x, LONG y) {
  UniqueBitmap picture(LoadImageA(module, ResourceName(id).c_str(), IMAGE_BITMAP, 0, 0, 0));
  BITMAP info{};
  if (GetObjectA(picture.get(), sizeof info, &info) == 0) return;
  const int w = info.bmWidth;
  const int h = info.bmHeight;

  // Owners first, selections after them: the selections are undone before
  // any context or bitmap is freed.
  UniqueDC pictureDc(CreateCompatibleDC(hdc));
  UniqueDC inverseMaskDc(CreateCompatibleDC(hdc));
  UniqueDC maskDc(CreateCompatibleDC(hdc));
  UniqueDC compositionDc(CreateCompatibleDC(hdc));
  UniqueBitmap inverseMask(CreateBitmap(w, h, 1, 1, nullptr));
  UniqueBitmap mask(CreateBitmap(w, h, 1, 1, nullptr));
  UniqueBitmap composition(CreateCompatibleBitmap(hdc, w, h));
  ScopedSelect selectPicture(pictureDc.get(), picture.get());
  ScopedSelect selectInverseMask(inverseMaskDc.get(), inverseMask.get());
  ScopedSelect selectMask(maskDc.get(), mask.get());
  ScopedSelect selectComposition(compositionDc.get(), composition.get());

  const COLORREF key = GetPixel(pictureDc.get(), 0, 0);

  // Mask: white where the picture shows the key colour, black elsewhere.
  const COLORREF oldBackground = SetBkColor(pictureDc.get(), key);
  BitBlt(maskDc.get(), 0, 0, w, h, pictureDc.get(), 0, 0, SRCCOPY);
  SetBkColor(pictureDc.get(), oldBackground);
  BitBlt(inverseMaskDc.get(), 0, 0, w, h, maskDc.get(), 0, 0, NOTSRCCOPY);

  // The target under the picture, with the opaque places blacked out, the
  // picture's key pixels blacked out, and the two laid together.
  BitBlt(compositionDc.get(), 0, 0, w, h, hdc, x, y, SRCCOPY);
  BitBlt(compositionDc.get(), 0, 0, w, h, maskDc.get(), 0, 0, SRCAND);
  BitBlt(pictureDc.get(), 0, 0, w, h, inverseMaskDc.get(), 0, 0, SRCAND);
  BitBlt(compositionDc.get(), 0, 0, w, h, pictureDc.get(), 0, 0, SRCPAINT);

  // One copy to the target.
  BitBlt(hdc, x, y, w, h, compositionDc.get(), 0, 0, SRCCOPY);
}

}  // namespace vlm::enginepics
