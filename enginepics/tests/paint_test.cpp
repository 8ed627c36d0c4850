// Transparent painting of one layer, and the word helpers behind the
// resource names.
#include <gtest/gtest.h>

#include <QBuffer>
#include <QImage>
#include <vector>

#include "enginepics/common/enginepics.h"

namespace vlm::enginepics {
namespace {

TEST(WordHelpers, TakeWordsAsUnsignedBitPatterns) {
  struct Case {
    WORD low, high;
    LONG makeLong;
  };
  const Case cases[] = {
      {1000, 0, 1000},
      {0xFFFF, 0, 65535},
      {0, 0x8000, static_cast<LONG>(0x80000000u)},  // bit 15 of high: negative, no overflow
      {0x1234, 0xFFFF, static_cast<LONG>(0xFFFF1234u)},
      {0xFFFF, 0x7FFF, 0x7FFFFFFF},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(MakeLong(c.low, c.high), c.makeLong) << c.low << "," << c.high;
    EXPECT_EQ(static_cast<WORD>(static_cast<DWORD>(MakeLong(c.low, c.high)) >> 16), c.high);
    EXPECT_EQ(static_cast<WORD>(MakeLong(c.low, c.high) & 0xFFFF), c.low);
  }
  EXPECT_EQ(WordToLong(0xFFFF), 65535);
  EXPECT_EQ(WordToLong(0x8000), 32768);
  EXPECT_EQ(ResourceName(1000), "#1000");
  EXPECT_EQ(ResourceName(0xFFFF), "#65535");
  EXPECT_EQ(ResourceName(0), "#0");
}

// A module of small test pictures, encoded as the libraries store theirs.
class PaintTest : public ::testing::Test {
 protected:
  static constexpr QRgb kKey = 0xFF99CC66;
  static constexpr QRgb kInk = 0xFF102030;
  static constexpr QRgb kBackground = 0xFFF0F0F0;

  void SetUp() override {
    // 1000: 4 x 3, key at (0, 0) and again at (2, 1); the rest ink, with a
    // distinct pixel at (3, 2).
    QImage p(4, 3, QImage::Format_RGB32);
    p.fill(kInk);
    p.setPixel(0, 0, kKey);
    p.setPixel(2, 1, kKey);
    p.setPixel(3, 2, qRgb(200, 0, 0));
    Add(1000, p);
    baseline_ = gdi::LiveObjectsForTests();
  }
  void TearDown() override { EXPECT_EQ(gdi::LiveObjectsForTests(), baseline_) << "objects left behind"; }

  void Add(WORD id, const QImage& image) {
    QByteArray& png = encoded_.emplace_back();
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    ASSERT_TRUE(image.convertToFormat(QImage::Format_Indexed8).save(&buffer, "PNG"));
    items_.push_back({id, reinterpret_cast<const unsigned char*>(png.constData()),
                      static_cast<std::size_t>(png.size())});
    module_ = {items_.data(), items_.size()};
  }

  QImage Paint(std::initializer_list<Layer> layers, QImage::Format format = QImage::Format_RGB32) {
    QImage target(6, 5, format);
    target.fill(kBackground);
    const HDC dc = CreateImageDC(&target);
    for (const Layer& l : layers) PaintTransparent(&module_, dc, l.id, l.x, l.y);
    DeleteDC(dc);
    return target;
  }

  std::vector<QByteArray> encoded_{};
  std::vector<BitmapResource> items_;
  ResourceModule module_{};
  std::size_t baseline_ = 0;
};

// The picture's pixel that lands on (tx, ty) when painted at (x, y), or the
// background where the picture is absent or key-coloured.
QRgb Expected(int tx, int ty, int x, int y) {
  const int px = tx - x;
  const int py = ty - y;
  if (px < 0 || py < 0 || px >= 4 || py >= 3) return 0xFFF0F0F0;
  if ((px == 0 && py == 0) || (px == 2 && py == 1)) return 0xFFF0F0F0;
  if (px == 3 && py == 2) return qRgb(200, 0, 0);
  return 0xFF102030;
}

TEST_F(PaintTest, KeyColouredPixelsLeaveTheTargetAndTheRestIsCopiedClippedAtEveryEdge) {
  const Layer places[] = {{1000, 1, 1}, {1000, -2, 0}, {1000, 0, -1}, {1000, 4, 3}, {1000, -4, 0},
                          {1000, 6, 0}};
  for (const Layer& at : places) {
    for (auto format : {QImage::Format_RGB32, QImage::Format_ARGB32_Premultiplied}) {
      const QImage target = Paint({at}, format);
      for (int ty = 0; ty < target.height(); ++ty) {
        for (int tx = 0; tx < target.width(); ++tx) {
          ASSERT_EQ(target.pixel(tx, ty), Expected(tx, ty, at.x, at.y))
              << "pixel " << tx << "," << ty << " with the picture at " << at.x << "," << at.y;
        }
      }
    }
  }
}

TEST_F(PaintTest, AMissingBitmapDrawsNothingAndTheNextLayerStillDraws) {
  const QImage untouched = Paint({{1999, 0, 0}, {0, 0, 0}, {0xFFFF, 0, 0}});
  for (int y = 0; y < untouched.height(); ++y) {
    for (int x = 0; x < untouched.width(); ++x) ASSERT_EQ(untouched.pixel(x, y), kBackground);
  }
  const QImage after = Paint({{1999, 0, 0}, {1000, 1, 1}});
  EXPECT_EQ(after.pixel(2, 2), kInk);
  EXPECT_EQ(after.pixel(1, 1), kBackground);
}

TEST_F(PaintTest, AnInvalidTargetPaintsNothingAndLeaksNothing) {
  PaintTransparent(&module_, HDC{}, 1000, 0, 0);
  PaintTransparent(&module_, static_cast<HDC>(0x7FFFFFF0u), 1000, 0, 0);
  PaintTransparent(nullptr, HDC{}, 1000, 0, 0);
}

}  // namespace
}  // namespace vlm::enginepics
