// The device-context layer: one process-wide table of contexts and bitmaps
// behind a mutex. Surfaces are QImages; the layer's own bitmaps are
// Format_RGB32, monochrome ones holding only black and white.
#include "enginepics/gdi/gdi.h"

#include <QImage>
#include <algorithm>
#include <charconv>
#include <cstring>
#include <mutex>
#include <unordered_map>
#include <variant>
#include <vector>

namespace vlm {
namespace {

constexpr QRgb kBlack = 0xFF000000u;
constexpr QRgb kWhite = 0xFFFFFFFFu;
constexpr int kMaxSide = 8192;

struct Bitmap {
  QImage image;
  bool mono = false;
  bool stock = false;
  std::uint32_t selectedInto = 0;
};

struct Dc {
  QImage* external = nullptr;
  std::uint32_t bitmap = 0;
  COLORREF background = RGB(255, 255, 255);
  COLORREF text = RGB(0, 0, 0);
};

struct Table {
  std::mutex mutex;
  std::unordered_map<std::uint32_t, std::variant<Bitmap, Dc>> objects;
  std::uint32_t next = 1;
  std::uint32_t stock = 0;

  std::uint32_t Add(std::variant<Bitmap, Dc> object) {
    while (next == 0 || objects.count(next) != 0) ++next;
    const std::uint32_t handle = next++;
    objects.emplace(handle, std::move(object));
    return handle;
  }
  Bitmap* FindBitmap(std::uint32_t handle) {
    auto it = objects.find(handle);
    return it == objects.end() ? nullptr : std::get_if<Bitmap>(&it->second);
  }
  Dc* FindDc(std::uint32_t handle) {
    auto it = objects.find(handle);
    return it == objects.end() ? nullptr : std::get_if<Dc>(&it->second);
  }
  std::uint32_t Stock() {
    if (stock == 0) {
      Bitmap b;
      b.image = QImage(1, 1, QImage::Format_RGB32);
      b.image.fill(kBlack);
      b.mono = true;
      b.stock = true;
      stock = Add(std::move(b));
    }
    return stock;
  }
};

// Never destroyed, so that a context freed during process exit still finds it.
Table& TheTable() {
  static Table* table = new Table;
  return *table;
}

std::uint32_t Raw(HDC dc) { return static_cast<std::uint32_t>(dc); }
std::uint32_t Raw(HBITMAP b) { return static_cast<std::uint32_t>(b); }

bool SupportedTarget(const QImage& image) {
  const auto f = image.format();
  return !image.isNull() && (f == QImage::Format_RGB32 || f == QImage::Format_ARGB32 ||
                             f == QImage::Format_ARGB32_Premultiplied);
}

COLORREF ToColorref(QRgb rgb) { return RGB(qRed(rgb), qGreen(rgb), qBlue(rgb)); }
QRgb ToRgb(COLORREF c) {
  return qRgb(static_cast<int>(c & 0xFF), static_cast<int>((c >> 8) & 0xFF),
              static_cast<int>((c >> 16) & 0xFF));
}

// A surface: the image a context paints on, and whether it is monochrome.
struct Surface {
  QImage* image = nullptr;
  bool mono = false;
  bool premultiplied = false;

  QRgb Read(int x, int y) const {
    QRgb p = reinterpret_cast<const QRgb*>(image->constScanLine(y))[x];
    if (premultiplied) p = qUnpremultiply(p);
    return p | 0xFF000000u;
  }
  void Write(int x, int y, QRgb p) {
    reinterpret_cast<QRgb*>(image->scanLine(y))[x] = p | 0xFF000000u;
  }
};

bool SurfaceOf(Table& t, const Dc& dc, Surface* out) {
  if (dc.external != nullptr) {
    if (!SupportedTarget(*dc.external)) return false;
    out->image = dc.external;
    out->premultiplied = dc.external->format() == QImage::Format_ARGB32_Premultiplied;
    return true;
  }
  Bitmap* b = t.FindBitmap(dc.bitmap);
  if (b == nullptr) return false;
  out->image = &b->image;
  out->mono = b->mono;
  return true;
}

HBITMAP NewBitmap(Table& t, int width, int height, bool mono) {
  if (width <= 0 || height <= 0 || width > kMaxSide || height > kMaxSide) return HBITMAP{};
  Bitmap b;
  b.image = QImage(width, height, QImage::Format_RGB32);
  if (b.image.isNull()) return HBITMAP{};
  b.image.fill(kBlack);
  b.mono = mono;
  return static_cast<HBITMAP>(t.Add(std::move(b)));
}

// Resource names are "#" and a decimal number 0..65535.
bool ParseResourceName(const char* name, WORD* id) {
  if (name == nullptr || name[0] != '#' || name[1] == '\0') return false;
  const char* first = name + 1;
  const char* last = first + std::strlen(first);
  unsigned value = 0;
  auto [end, ec] = std::from_chars(first, last, value);
  if (ec != std::errc() || end != last || value > 0xFFFF) return false;
  *id = static_cast<WORD>(value);
  return true;
}

}  // namespace

HDC CreateImageDC(QImage* image) {
  if (image == nullptr || !SupportedTarget(*image)) return HDC{};
  Table& t = TheTable();
  std::lock_guard lock(t.mutex);
  Dc dc;
  dc.external = image;
  return static_cast<HDC>(t.Add(dc));
}

HDC CreateCompatibleDC(HDC dc) {
  Table& t = TheTable();
  std::lock_guard lock(t.mutex);
  if (dc != HDC{} && t.FindDc(Raw(dc)) == nullptr) return HDC{};
  Dc memory;
  memory.bitmap = t.Stock();
  return static_cast<HDC>(t.Add(memory));
}

BOOL DeleteDC(HDC dc) {
  Table& t = TheTable();
  std::lock_guard lock(t.mutex);
  Dc* d = t.FindDc(Raw(dc));
  if (d == nullptr) return 0;
  if (Bitmap* b = t.FindBitmap(d->bitmap); b != nullptr && !b->stock) b->selectedInto = 0;
  t.objects.erase(Raw(dc));
  return 1;
}

HBITMAP CreateCompatibleBitmap(HDC dc, int width, int height) {
  Table& t = TheTable();
  std::lock_guard lock(t.mutex);
  Dc* d = t.FindDc(Raw(dc));
  if (d == nullptr) return HBITMAP{};
  bool mono = false;
  if (d->external == nullptr) {
    const Bitmap* selected = t.FindBitmap(d->bitmap);
    mono = selected != nullptr && selected->mono;
  }
  return NewBitmap(t, width, height, mono);
}

HBITMAP CreateBitmap(int width, int height, UINT planes, UINT bitsPerPixel, const void* bits) {
  if (planes != 1 || (bitsPerPixel != 1 && bitsPerPixel != 32) || bits != nullptr) return HBITMAP{};
  Table& t = TheTable();
  std::lock_guard lock(t.mutex);
  return NewBitmap(t, width, height, bitsPerPixel == 1);
}

HBITMAP LoadImageA(HINSTANCE module, const char* name, UINT type, int cx, int cy, UINT flags) {
  WORD id = 0;
  if (module == nullptr || type != IMAGE_BITMAP || cx != 0 || cy != 0 || flags != 0 ||
      !ParseResourceName(name, &id)) {
    return HBITMAP{};
  }
  const BitmapResource* found = nullptr;
  for (std::size_t i = 0; i < module->count; ++i) {
    if (module->bitmaps[i].id == id) found = &module->bitmaps[i];
  }
  if (found == nullptr || found->size > static_cast<std::size_t>(INT32_MAX)) return HBITMAP{};
  QImage decoded;
  if (!decoded.loadFromData(found->data, static_cast<int>(found->size), "PNG")) return HBITMAP{};
  if (decoded.width() > kMaxSide || decoded.height() > kMaxSide) return HBITMAP{};
  Bitmap b;
  b.image = decoded.convertToFormat(QImage::Format_RGB32);
  if (b.image.isNull()) return HBITMAP{};
  Table& t = TheTable();
  std::lock_guard lock(t.mutex);
  return static_cast<HBITMAP>(t.Add(std::move(b)));
}

BOOL DeleteObject(HBITMAP bitmap) {
  Table& t = TheTable();
  std::lock_guard lock(t.mutex);
  Bitmap* b = t.FindBitmap(Raw(bitmap));
  if (b == nullptr || b->stock || b->selectedInto != 0) return 0;
  t.objects.erase(Raw(bitmap));
  return 1;
}

HBITMAP SelectObject(HDC dc, HBITMAP bitmap) {
  Table& t = TheTable();
  std::lock_guard lock(t.mutex);
  Dc* d = t.FindDc(Raw(dc));
  Bitmap* b = t.FindBitmap(Raw(bitmap));
  if (d == nullptr || b == nullptr || d->external != nullptr) return HBITMAP{};
  if (!b->stock && b->selectedInto != 0 && b->selectedInto != Raw(dc)) return HBITMAP{};
  const std::uint32_t previous = d->bitmap;
  if (Bitmap* p = t.FindBitmap(previous); p != nullptr && !p->stock) p->selectedInto = 0;
  if (!b->stock) b->selectedInto = Raw(dc);
  d->bitmap = Raw(bitmap);
  return static_cast<HBITMAP>(previous);
}

int GetObjectA(HBITMAP bitmap, int size, void* out) {
  if (out == nullptr || size < static_cast<int>(sizeof(BITMAP))) return 0;
  Table& t = TheTable();
  std::lock_guard lock(t.mutex);
  const Bitmap* b = t.FindBitmap(Raw(bitmap));
  if (b == nullptr) return 0;
  BITMAP record{};
  record.bmType = 0;
  record.bmWidth = b->image.width();
  record.bmHeight = b->image.height();
  record.bmPlanes = 1;
  record.bmBitsPixel = b->mono ? 1 : 32;
  // Rows are padded to 16 bits, as the platform's bitmaps are.
  record.bmWidthBytes = ((record.bmWidth * record.bmBitsPixel + 15) / 16) * 2;
  record.bmBits = 0;
  std::memcpy(out, &record, sizeof record);
  return static_cast<int>(sizeof record);
}

COLORREF GetPixel(HDC dc, int x, int y) {
  Table& t = TheTable();
  std::lock_guard lock(t.mutex);
  Dc* d = t.FindDc(Raw(dc));
  Surface s;
  if (d == nullptr || !SurfaceOf(t, *d, &s)) return CLR_INVALID;
  if (x < 0 || y < 0 || x >= s.image->width() || y >= s.image->height()) return CLR_INVALID;
  return ToColorref(s.Read(x, y));
}

COLORREF SetBkColor(HDC dc, COLORREF colour) {
  Table& t = TheTable();
  std::lock_guard lock(t.mutex);
  Dc* d = t.FindDc(Raw(dc));
  if (d == nullptr) return CLR_INVALID;
  const COLORREF old = d->background;
  d->background = colour & 0x00FFFFFFu;
  return old;
}

COLORREF SetTextColor(HDC dc, COLORREF colour) {
  Table& t = TheTable();
  std::lock_guard lock(t.mutex);
  Dc* d = t.FindDc(Raw(dc));
  if (d == nullptr) return CLR_INVALID;
  const COLORREF old = d->text;
  d->text = colour & 0x00FFFFFFu;
  return old;
}

BOOL BitBlt(HDC dst, int x, int y, int width, int height, HDC src, int srcX, int srcY, DWORD rop) {
  if (rop != SRCCOPY && rop != NOTSRCCOPY && rop != SRCAND && rop != SRCPAINT) return 0;
  Table& t = TheTable();
  std::lock_guard lock(t.mutex);
  Dc* dd = t.FindDc(Raw(dst));
  Dc* sd = t.FindDc(Raw(src));
  Surface ds;
  Surface ss;
  if (dd == nullptr || sd == nullptr || !SurfaceOf(t, *dd, &ds) || !SurfaceOf(t, *sd, &ss)) return 0;
  if (width <= 0 || height <= 0) return 1;

  // The part of the rectangle that lies inside both surfaces, in 64 bits so
  // that no position near the integer limits wraps.
  const std::int64_t i0 = std::max<std::int64_t>({0, -std::int64_t{x}, -std::int64_t{srcX}});
  const std::int64_t i1 = std::min<std::int64_t>(
      {width, std::int64_t{ds.image->width()} - x, std::int64_t{ss.image->width()} - srcX});
  const std::int64_t j0 = std::max<std::int64_t>({0, -std::int64_t{y}, -std::int64_t{srcY}});
  const std::int64_t j1 = std::min<std::int64_t>(
      {height, std::int64_t{ds.image->height()} - y, std::int64_t{ss.image->height()} - srcY});
  if (i0 >= i1 || j0 >= j1) return 1;

  // Source pixels first, converted to the destination's kind, so that a copy
  // within one surface reads nothing it has already written.
  const int w = static_cast<int>(i1 - i0);
  const int h = static_cast<int>(j1 - j0);
  std::vector<QRgb> source(static_cast<std::size_t>(w) * static_cast<std::size_t>(h));
  const QRgb key = ToRgb(sd->background) | 0xFF000000u;
  const QRgb zero = ToRgb(dd->text) | 0xFF000000u;
  const QRgb one = ToRgb(dd->background) | 0xFF000000u;
  for (int j = 0; j < h; ++j) {
    for (int i = 0; i < w; ++i) {
      QRgb p = ss.Read(static_cast<int>(srcX + i0 + i), static_cast<int>(srcY + j0 + j));
      if (!ss.mono && ds.mono) {
        p = p == key ? kWhite : kBlack;
      } else if (ss.mono && !ds.mono) {
        p = p == kWhite ? one : zero;
      }
      source[static_cast<std::size_t>(j) * w + i] = p;
    }
  }
  for (int j = 0; j < h; ++j) {
    const int dy = static_cast<int>(y + j0 + j);
    for (int i = 0; i < w; ++i) {
      const int dx = static_cast<int>(x + i0 + i);
      const QRgb s = source[static_cast<std::size_t>(j) * w + i];
      QRgb out = s;
      if (rop == NOTSRCCOPY) {
        out = ~s;
      } else if (rop == SRCAND) {
        out = s & ds.Read(dx, dy);
      } else if (rop == SRCPAINT) {
        out = s | ds.Read(dx, dy);
      }
      ds.Write(dx, dy, out);
    }
  }
  return 1;
}

namespace gdi {
std::size_t LiveObjectsForTests() {
  Table& t = TheTable();
  std::lock_guard lock(t.mutex);
  return t.objects.size() - (t.stock != 0 ? 1 : 0);
}
}  // namespace gdi

}  // namespace vlm
