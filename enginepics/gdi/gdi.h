// A small device-context layer on QImage for the engine picture libraries and
// the monitor's picture boxes.
//
// What a caller may rely on:
// - Device contexts (HDC) and bitmaps (HBITMAP) are 32-bit handles, so that a
//   device context can travel as a 32-bit automation argument. 0 is no handle.
//   The handle table lives in this one shared object, so a handle made in one
//   library of the process is valid in every other.
// - CreateImageDC names a caller-owned QImage (Format_RGB32, Format_ARGB32 or
//   Format_ARGB32_Premultiplied; other formats are refused with 0). Painting
//   through the handle writes straight into that image; the caller keeps the
//   image alive until DeleteDC. Pixels written are opaque.
// - Memory device contexts (CreateCompatibleDC) start with a 1 x 1 monochrome
//   stock bitmap selected. A bitmap can be selected into one device context
//   at a time; SelectObject returns the previous bitmap, or 0 on failure.
// - Colours are COLORREF values 0x00BBGGRR. Monochrome bitmaps hold black (0)
//   and white (1) only. Copying colour to monochrome gives white where the
//   source pixel equals the source context's background colour exactly and
//   black elsewhere; copying monochrome to colour gives the destination's text
//   colour (black unless set) for 0 and its background colour (white unless
//   set) for 1.
// - BitBlt supports SRCCOPY, NOTSRCCOPY, SRCAND and SRCPAINT and clips at every
//   edge of both surfaces: pixels whose source or destination lies outside its
//   surface are skipped. Negative sizes copy nothing.
// - LoadImageA loads a bitmap of a resource module by the name "#<number>"
//   into a new colour bitmap owned by the caller (DeleteObject frees it); a
//   missing resource or one that does not decode gives 0.
// - DeleteObject refuses a bitmap that is selected into a device context and
//   the stock bitmap; DeleteDC frees the context, not the bitmap selected in it.
// - Every function is thread-safe. No function throws.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/types.h"

class QImage;

#if defined(VLM_GDI_BUILD)
#define VLM_GDI_API __attribute__((visibility("default")))
#else
#define VLM_GDI_API
#endif

namespace vlm {

enum class HDC : std::uint32_t {};
enum class HBITMAP : std::uint32_t {};
using COLORREF = DWORD;
using UINT = std::uint32_t;

constexpr COLORREF RGB(BYTE r, BYTE g, BYTE b) {
  return static_cast<COLORREF>(r) | (static_cast<COLORREF>(g) << 8) |
         (static_cast<COLORREF>(b) << 16);
}
inline constexpr COLORREF CLR_INVALID = 0xFFFFFFFFu;

// Raster operations.
inline constexpr DWORD SRCCOPY = 0x00CC0020;
inline constexpr DWORD NOTSRCCOPY = 0x00330008;
inline constexpr DWORD SRCAND = 0x008800C6;
inline constexpr DWORD SRCPAINT = 0x00EE0086;

inline constexpr UINT IMAGE_BITMAP = 0;

// The bitmaps a library carries: encoded images (PNG) by resource number.
struct BitmapResource {
  WORD id;
  const unsigned char* data;
  std::size_t size;
};
struct ResourceModule {
  const BitmapResource* bitmaps;
  std::size_t count;
};
using HINSTANCE = const ResourceModule*;

// The 24-byte bitmap record. bmBits is always 0: the bits are not shared.
struct BITMAP {
  LONG bmType;
  LONG bmWidth;
  LONG bmHeight;
  LONG bmWidthBytes;
  WORD bmPlanes;
  WORD bmBitsPixel;
  DWORD bmBits;
};
static_assert(sizeof(BITMAP) == 24);

VLM_GDI_API HDC CreateImageDC(QImage* image);
VLM_GDI_API HDC CreateCompatibleDC(HDC dc);
VLM_GDI_API BOOL DeleteDC(HDC dc);

// A colour bitmap, or a monochrome one when dc is a memory context with a
// monochrome bitmap selected. Starts black.
VLM_GDI_API HBITMAP CreateCompatibleBitmap(HDC dc, int width, int height);
// planes 1 and 1 or 32 bits per pixel; bits must be null (the bitmap starts
// black). Anything else gives 0.
VLM_GDI_API HBITMAP CreateBitmap(int width, int height, UINT planes, UINT bitsPerPixel,
                                 const void* bits);
VLM_GDI_API HBITMAP LoadImageA(HINSTANCE module, const char* name, UINT type, int cx, int cy,
                               UINT flags);
VLM_GDI_API BOOL DeleteObject(HBITMAP bitmap);
VLM_GDI_API HBITMAP SelectObject(HDC dc, HBITMAP bitmap);
// Fills a BITMAP record; returns the bytes written, 0 for a bad handle or a
// buffer smaller than the record.
VLM_GDI_API int GetObjectA(HBITMAP bitmap, int size, void* out);

VLM_GDI_API COLORREF GetPixel(HDC dc, int x, int y);
VLM_GDI_API COLORREF SetBkColor(HDC dc, COLORREF colour);
VLM_GDI_API COLORREF SetTextColor(HDC dc, COLORREF colour);
VLM_GDI_API BOOL BitBlt(HDC dst, int x, int y, int width, int height, HDC src, int srcX, int srcY,
                        DWORD rop);

namespace gdi {
// Device contexts and bitmaps now alive (the stock bitmap not counted); tests
// use it to see that painting leaves nothing behind.
VLM_GDI_API std::size_t LiveObjectsForTests();
}  // namespace gdi

// Owners that free a handle when they go out of scope.
class UniqueDC {
 public:
  explicit UniqueDC(HDC dc = HDC{}) : dc_(dc) {}
  UniqueDC(const UniqueDC&) = delete;
  UniqueDC& operator=(const UniqueDC&) = delete;
  ~UniqueDC() {
    if (dc_ != HDC{}) DeleteDC(dc_);
  }
  HDC get() const { return dc_; }
  explicit operator bool() const { return dc_ != HDC{}; }

 private:
  HDC dc_;
};

class UniqueBitmap {
 public:
  explicit UniqueBitmap(HBITMAP bitmap = HBITMAP{}) : bitmap_(bitmap) {}
  UniqueBitmap(const UniqueBitmap&) = delete;
  UniqueBitmap& operator=(const UniqueBitmap&) = delete;
  ~UniqueBitmap() {
    if (bitmap_ != HBITMAP{}) DeleteObject(bitmap_);
  }
  HBITMAP get() const { return bitmap_; }
  explicit operator bool() const { return bitmap_ != HBITMAP{}; }

 private:
  HBITMAP bitmap_;
};

// Selects a bitmap into a context and selects the previous one back at the end
// of the scope. Declare it after the owners of the context and the bitmap, so
// that it is undone before they are freed.
class ScopedSelect {
 public:
  ScopedSelect(HDC dc, HBITMAP bitmap) : dc_(dc), previous_(SelectObject(dc, bitmap)) {}
  ScopedSelect(const ScopedSelect&) = delete;
  ScopedSelect& operator=(const ScopedSelect&) = delete;
  ~ScopedSelect() {
    if (previous_ != HBITMAP{}) SelectObject(dc_, previous_);
  }

 private:
  HDC dc_;
  HBITMAP previous_;
};

}  // namespace vlm
