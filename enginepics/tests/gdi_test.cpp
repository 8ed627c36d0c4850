// The device-context layer: the copies the transparent painter relies on,
// clipping, object ownership rules, and bitmap loading by resource name.
#include <gtest/gtest.h>

#include <QBuffer>
#include <QImage>
#include <climits>

#include "enginepics/gdi/gdi.h"

namespace vlm {
namespace {

QRgb At(const QImage& image, int x, int y) { return image.pixel(x, y) | 0xFF000000u; }

class GdiTest : public ::testing::Test {
 protected:
  void SetUp() override { baseline_ = gdi::LiveObjectsForTests(); }
  void TearDown() override { EXPECT_EQ(gdi::LiveObjectsForTests(), baseline_) << "objects left behind"; }
  std::size_t baseline_ = 0;
};

TEST_F(GdiTest, ColourToMonochromeUsesTheSourceBackgroundAndBackUsesTextAndBackground) {
  QImage target(4, 1, QImage::Format_RGB32);
  const QRgb key = qRgb(153, 204, 102);
  target.setPixel(0, 0, key);
  target.setPixel(1, 0, qRgb(153, 204, 103));  // one step off the key: not the key
  target.setPixel(2, 0, key);
  target.setPixel(3, 0, qRgb(0, 0, 0));
  {
    UniqueDC screen(CreateImageDC(&target));
    UniqueDC monoDc(CreateCompatibleDC(screen.get()));
    UniqueDC colourDc(CreateCompatibleDC(screen.get()));
    UniqueBitmap mono(CreateBitmap(4, 1, 1, 1, nullptr));
    UniqueBitmap colour(CreateCompatibleBitmap(screen.get(), 4, 1));
    ScopedSelect s1(monoDc.get(), mono.get());
    ScopedSelect s2(colourDc.get(), colour.get());

    SetBkColor(screen.get(), RGB(153, 204, 102));
    ASSERT_TRUE(BitBlt(monoDc.get(), 0, 0, 4, 1, screen.get(), 0, 0, SRCCOPY));
    // Monochrome to colour with the defaults: 1 white, 0 black.
    ASSERT_TRUE(BitBlt(colourDc.get(), 0, 0, 4, 1, monoDc.get(), 0, 0, SRCCOPY));
    EXPECT_EQ(GetPixel(colourDc.get(), 0, 0), RGB(255, 255, 255));
    EXPECT_EQ(GetPixel(colourDc.get(), 1, 0), RGB(0, 0, 0));
    EXPECT_EQ(GetPixel(colourDc.get(), 2, 0), RGB(255, 255, 255));
    EXPECT_EQ(GetPixel(colourDc.get(), 3, 0), RGB(0, 0, 0));
    // With colours set on the destination.
    SetTextColor(colourDc.get(), RGB(10, 20, 30));
    SetBkColor(colourDc.get(), RGB(40, 50, 60));
    ASSERT_TRUE(BitBlt(colourDc.get(), 0, 0, 4, 1, monoDc.get(), 0, 0, SRCCOPY));
    EXPECT_EQ(GetPixel(colourDc.get(), 0, 0), RGB(40, 50, 60));
    EXPECT_EQ(GetPixel(colourDc.get(), 1, 0), RGB(10, 20, 30));
    // Inverting within monochrome.
    UniqueDC invertedDc(CreateCompatibleDC(screen.get()));
    UniqueBitmap inverted(CreateBitmap(4, 1, 1, 1, nullptr));
    ScopedSelect s3(invertedDc.get(), inverted.get());
    ASSERT_TRUE(BitBlt(invertedDc.get(), 0, 0, 4, 1, monoDc.get(), 0, 0, NOTSRCCOPY));
    EXPECT_EQ(GetPixel(invertedDc.get(), 0, 0), RGB(0, 0, 0));
    EXPECT_EQ(GetPixel(invertedDc.get(), 1, 0), RGB(255, 255, 255));
    // AND and OR combine bit for bit.
    SetTextColor(colourDc.get(), RGB(0, 0, 0));
    SetBkColor(colourDc.get(), RGB(255, 255, 255));
    ASSERT_TRUE(BitBlt(screen.get(), 0, 0, 4, 1, monoDc.get(), 0, 0, SRCAND));
    ASSERT_TRUE(BitBlt(screen.get(), 0, 0, 4, 1, screen.get(), 0, 0, SRCPAINT));
  }
  EXPECT_EQ(At(target, 0, 0), key);                      // key & white
  EXPECT_EQ(At(target, 1, 0), qRgb(0, 0, 0));            // colour & black
  EXPECT_EQ(At(target, 3, 0), qRgb(0, 0, 0));
}

TEST_F(GdiTest, CopiesClipAtEveryEdgeOfBothSurfaces) {
  QImage source(3, 3, QImage::Format_RGB32);
  for (int y = 0; y < 3; ++y) {
    for (int x = 0; x < 3; ++x) source.setPixel(x, y, qRgb(x * 10 + 1, y * 10 + 1, 7));
  }
  struct Case {
    int x, y, srcX, srcY;
  };
  const Case cases[] = {{-1, -2, 0, 0}, {3, 3, 0, 0}, {0, 0, -1, 1}, {4, 0, 0, 0}, {-5, 0, 0, 0},
                        {INT_MAX, INT_MAX, 0, 0}, {INT_MIN, 0, 0, 0}, {0, 0, INT_MIN, INT_MAX}};
  for (const Case& c : cases) {
    QImage target(5, 5, QImage::Format_ARGB32_Premultiplied);
    target.fill(qRgb(200, 200, 200));
    {
      UniqueDC dst(CreateImageDC(&target));
      UniqueDC src(CreateImageDC(&source));
      ASSERT_TRUE(BitBlt(dst.get(), c.x, c.y, 3, 3, src.get(), c.srcX, c.srcY, SRCCOPY));
    }
    for (int ty = 0; ty < 5; ++ty) {
      for (int tx = 0; tx < 5; ++tx) {
        const long long i = static_cast<long long>(tx) - c.x;
        const long long j = static_cast<long long>(ty) - c.y;
        const long long sx = i + c.srcX;
        const long long sy = j + c.srcY;
        const bool copied = i >= 0 && i < 3 && j >= 0 && j < 3 && sx >= 0 && sx < 3 && sy >= 0 && sy < 3;
        const QRgb expected = copied ? At(source, static_cast<int>(sx), static_cast<int>(sy))
                                     : qRgb(200, 200, 200);
        ASSERT_EQ(At(target, tx, ty), expected)
            << "at " << tx << "," << ty << " copying to " << c.x << "," << c.y << " from " << c.srcX
            << "," << c.srcY;
      }
    }
  }
}

TEST_F(GdiTest, ObjectsFollowSelectionAndOwnershipRules) {
  QImage target(2, 2, QImage::Format_RGB32);
  const HDC screen = CreateImageDC(&target);
  ASSERT_NE(screen, HDC{});
  const HDC a = CreateCompatibleDC(screen);
  const HDC b = CreateCompatibleDC(screen);
  const HBITMAP bitmap = CreateBitmap(2, 2, 1, 32, nullptr);
  ASSERT_NE(bitmap, HBITMAP{});

  const HBITMAP stock = SelectObject(a, bitmap);
  ASSERT_NE(stock, HBITMAP{});
  EXPECT_EQ(SelectObject(b, bitmap), HBITMAP{}) << "a bitmap is selected into one context at a time";
  EXPECT_FALSE(DeleteObject(bitmap)) << "a selected bitmap is not freed";
  EXPECT_FALSE(DeleteObject(stock)) << "the stock bitmap is never freed";
  EXPECT_EQ(SelectObject(screen, bitmap), HBITMAP{}) << "a context naming an image holds no bitmap";
  EXPECT_EQ(SelectObject(a, stock), bitmap);
  // A bitmap handle is no context, and a context handle no bitmap.
  EXPECT_EQ(GetPixel(static_cast<HDC>(static_cast<std::uint32_t>(bitmap)), 0, 0), CLR_INVALID);
  EXPECT_FALSE(DeleteObject(static_cast<HBITMAP>(static_cast<std::uint32_t>(a))));
  // A monochrome selection makes compatible bitmaps monochrome.
  const HBITMAP mono = CreateBitmap(1, 1, 1, 1, nullptr);
  SelectObject(b, mono);
  BITMAP info{};
  const UniqueBitmap fromMono(CreateCompatibleBitmap(b, 3, 2));
  ASSERT_EQ(GetObjectA(fromMono.get(), sizeof info, &info), 24);
  EXPECT_EQ(info.bmBitsPixel, 1);
  EXPECT_EQ(info.bmWidth, 3);
  EXPECT_EQ(info.bmHeight, 2);

  EXPECT_TRUE(DeleteDC(b));
  EXPECT_TRUE(DeleteObject(mono)) << "deleting the context released its bitmap";
  EXPECT_TRUE(DeleteObject(bitmap));
  EXPECT_TRUE(DeleteDC(a));
  EXPECT_TRUE(DeleteDC(screen));
  EXPECT_FALSE(DeleteDC(screen)) << "a freed handle is no longer valid";
  EXPECT_EQ(GetObjectA(bitmap, sizeof info, &info), 0);

  // Refused requests make nothing.
  EXPECT_EQ(CreateBitmap(0, 1, 1, 1, nullptr), HBITMAP{});
  EXPECT_EQ(CreateBitmap(1, 1, 1, 8, nullptr), HBITMAP{});
  EXPECT_EQ(CreateBitmap(100000, 1, 1, 1, nullptr), HBITMAP{});
  QImage indexed(2, 2, QImage::Format_Indexed8);
  EXPECT_EQ(CreateImageDC(&indexed), HDC{});
  EXPECT_EQ(CreateImageDC(nullptr), HDC{});
  EXPECT_EQ(CreateCompatibleDC(static_cast<HDC>(0x7FFFFFFFu)), HDC{});
}

TEST_F(GdiTest, LoadsBitmapsByResourceName) {
  QImage picture(3, 2, QImage::Format_RGB32);
  picture.fill(qRgb(1, 2, 3));
  QByteArray png;
  QBuffer buffer(&png);
  buffer.open(QIODevice::WriteOnly);
  ASSERT_TRUE(picture.save(&buffer, "PNG"));
  const unsigned char garbage[] = {0x89, 'P', 'N', 'G', 0, 1, 2};
  const BitmapResource items[] = {
      {1000, reinterpret_cast<const unsigned char*>(png.constData()), static_cast<std::size_t>(png.size())},
      {65535, reinterpret_cast<const unsigned char*>(png.constData()), static_cast<std::size_t>(png.size())},
      {1001, garbage, sizeof garbage}};
  const ResourceModule module{items, 3};

  for (const char* name : {"#1000", "#65535"}) {
    UniqueBitmap loaded(LoadImageA(&module, name, IMAGE_BITMAP, 0, 0, 0));
    BITMAP info{};
    ASSERT_EQ(GetObjectA(loaded.get(), sizeof info, &info), 24) << name;
    EXPECT_EQ(info.bmWidth, 3);
    EXPECT_EQ(info.bmHeight, 2);
  }
  for (const char* name : {"#1001", "#1002", "1000", "#", "#65536", "#1000x", "#-1", "#+1000", ""}) {
    EXPECT_EQ(LoadImageA(&module, name, IMAGE_BITMAP, 0, 0, 0), HBITMAP{}) << name;
  }
  EXPECT_EQ(LoadImageA(&module, nullptr, IMAGE_BITMAP, 0, 0, 0), HBITMAP{});
  EXPECT_EQ(LoadImageA(nullptr, "#1000", IMAGE_BITMAP, 0, 0, 0), HBITMAP{});
  BITMAP small{};
  EXPECT_EQ(GetObjectA(HBITMAP{}, sizeof small, &small), 0);
}

}  // namespace
}  // namespace vlm
