// The bitmaps each library carries: every number its rules can paint is
// there at its catalogue size, key colour and extent, nothing is carried that
// the catalogue does not list, no layer leaves the picture, the committed
// files are what the generator draws, and a few exact pixels of whole
// pictures.
#include <gtest/gtest.h>

#include <QImage>
#include <set>
#include <string>
#include <vector>

#include "enginepics/art/artwork.h"
#include "enginepics/art/catalogue.h"
#include "enginepics/art/check.h"
#include "enginepics/art/draw.h"
#include "enginepics/common/families.h"
#include "enginepics/tests/recorder.h"

namespace vlm::enginepics {
namespace {

using namespace option;

struct Library {
  const Family* family;
  HINSTANCE bitmaps;
  std::vector<DWORD> bits;            // the Options bits its rules test
  std::vector<std::string> finishers;  // its listed models and a few others
  std::vector<std::string> lcts;
};

const std::vector<Library>& Libraries() {
  const std::vector<std::string> otherTexts = {"", "QN-999", "+"};
  auto with = [&](std::vector<std::string> models) {
    std::vector<std::string> all = otherTexts;
    for (const auto& m : models) {
      all.push_back(m);
      all.push_back(m + "+PK");
    }
    return all;
  };
  static const std::vector<Library> libraries = {
      {&rx11::kFamily, &rx11::kBitmaps,
       {kTopUnit, kFinisher, kBaseFourthSource, kBaseFifthSource, kFinisherVariant1, kFinisherVariant2,
        kFinisherVariant3, kFinisherVariant4},
       with({"QN-748", "MW-316"}),
       {""}},
      {&rx12::kFamily, &rx12::kBitmaps,
       {kTopUnit, kFinisher, kBaseThirdSource, kBaseFourthSource, kBaseFifthSource, kSixthSource},
       {""},
       {""}},
      {&rx13::kFamily, &rx13::kBitmaps, {kTopUnit, kLargeCapacityTray, kFinisher},
       with({"QN-741R", "QN-741", "QN-741W", "QN-742R", "QN-746"}), {""}},
      {&rx14::kFamily, &rx14::kBitmaps,
       {kTopUnit, kLargeCapacityTray, kFinisherSubUnit, kFinisherOffsetUnit, kFinisher},
       with({"QN-746", "QN-752W"}), {""}},
      {&rx15::kFamily, &rx15::kBitmaps,
       {kTopUnit, kLargeCapacityTray, kFinisherSubUnit, kFinisherOffsetUnit, kFinisher},
       with({"QN-867", "QN-757", "QN-752W", "QN-752"}), {"", "VR-682", "VR-681", "VR-672"}},
      {&rx16::kFamily, &rx16::kBitmaps,
       {kTopUnit, kLargeCapacityTray, kFinisher, kBaseFourthSource, kBaseFifthSource, kSixthSource,
        kFinisherVariant1, kFinisherVariant2, kFinisherVariant3, kFinisherVariant4},
       with({"QN-759", "QN-758", "MW-316"}), {""}},
      {&rx17::kFamily, &rx17::kBitmaps,
       {kTopUnit, kLargeCapacityTray, kFinisherSubUnit, kFinisher, kUnit1060, kBaseFifthSource,
        kSixthSource},
       with({"QN-865", "QN-755"}), {"", "VR-682", "VR-672", "VR-681"}},
  };
  return libraries;
}

const art::FamilyArt& ArtOf(const Family& f) {
  const art::FamilyArt* a = art::FindFamily(f.name);
  if (a == nullptr) throw std::logic_error("family without a catalogue");
  return *a;
}

// The embedded bitmap, decoded, or a null image.
QImage Embedded(HINSTANCE module, WORD id) {
  for (std::size_t i = 0; i < module->count; ++i) {
    const BitmapResource& r = module->bitmaps[i];
    if (r.id == id) {
      QImage image;
      image.loadFromData(r.data, static_cast<int>(r.size), "PNG");
      return image;
    }
  }
  return {};
}

class Assets : public ::testing::TestWithParam<std::size_t> {
 protected:
  const Library& library() const { return Libraries()[GetParam()]; }
};

TEST_P(Assets, CarriesExactlyTheCataloguedBitmapsAtTheirSizesKeysAndExtents) {
  const Library& lib = library();
  const art::FamilyArt& catalogue = ArtOf(*lib.family);
  std::set<WORD> carried;
  for (std::size_t i = 0; i < lib.bitmaps->count; ++i) carried.insert(lib.bitmaps->bitmaps[i].id);
  std::set<WORD> listed;
  for (const art::BitmapSpec& spec : catalogue.bitmaps) {
    listed.insert(spec.id);
    const QImage image = Embedded(lib.bitmaps, spec.id);
    ASSERT_FALSE(image.isNull()) << lib.family->name << " lacks " << spec.id;
    EXPECT_EQ(image.format(), QImage::Format_Indexed8) << lib.family->name << " " << spec.id;
    EXPECT_EQ(art::CheckBitmap(image, spec), "") << lib.family->name << " " << spec.id;
    if (catalogue.fullFrame && spec.id < 2000) {
      EXPECT_EQ(spec.width, lib.family->width);
      EXPECT_EQ(spec.height, lib.family->height);
    }
  }
  EXPECT_EQ(carried, listed) << lib.family->name;
}

// Every layer the rules can paint, over the options bits the family tests,
// its model texts, trays and bins -1..8 and both ShowSelection values, is a
// catalogued bitmap that lies inside the picture (a finisher moved left by
// its offset may start that far left of the edge).
TEST_P(Assets, EveryRuleDrawsACataloguedBitmapInsideThePicture) {
  const Library& lib = library();
  const Family& f = *lib.family;
  const art::FamilyArt& catalogue = ArtOf(f);
  std::set<WORD> used;
  testing::Recorder recorder;
  EngineArgs args;
  const std::size_t combos = std::size_t{1} << lib.bits.size();
  for (std::size_t mask = 0; mask < combos; ++mask) {
    DWORD options = 0;
    for (std::size_t b = 0; b < lib.bits.size(); ++b) {
      if ((mask >> b) & 1) options |= lib.bits[b];
    }
    args.Options = static_cast<LONG>(options);
    for (const std::string& finisher : lib.finishers) {
      args.FinisherType = finisher;
      for (const std::string& lct : lib.lcts) {
        args.LCTType = lct;
        for (int show = 0; show < 2; ++show) {
          args.ShowSelection = show != 0;
          for (LONG n = -1; n <= 8; ++n) {
            for (bool trayNotBin : {true, false}) {
              args.SelectTray = trayNotBin ? n : 0;
              args.SelectBin = trayNotBin ? 0 : n;
              recorder.layers.clear();
              DrawEngine(f, args, recorder);
              EngineArgs cut = args;
              if (f.cutFinisherAtPlus) cut.FinisherType = CutAtPlus(cut.FinisherType);
              const LONG offset = f.plan(cut).finisherOffset;
              for (const Layer& l : recorder.layers) {
                used.insert(l.id);
                const art::BitmapSpec* spec = catalogue.Find(l.id);
                ASSERT_NE(spec, nullptr) << f.name << " paints " << l.id << " it does not carry";
                const bool inside = l.x >= -offset && l.y >= 0 && l.x + spec->width <= f.width &&
                                    l.y + spec->height <= f.height;
                ASSERT_TRUE(inside) << f.name << " paints " << l.id << " at " << l.x << "," << l.y
                                    << " options 0x" << std::hex << options;
              }
            }
          }
        }
      }
    }
  }
  // Everything it carries is used, the arrows it does not paint aside.
  for (const art::BitmapSpec& spec : catalogue.bitmaps) {
    if (spec.id >= 2000) continue;
    EXPECT_TRUE(used.count(spec.id)) << f.name << " never paints " << spec.id;
  }
}

TEST_P(Assets, CommittedBitmapsAreWhatTheGeneratorDraws) {
  const Library& lib = library();
  const auto drawn = art::DrawFamily(lib.family->name);
  for (const auto& [id, image] : drawn) {
    const QImage embedded = Embedded(lib.bitmaps, id).convertToFormat(QImage::Format_RGB32);
    ASSERT_EQ(embedded, image.convertToFormat(QImage::Format_RGB32))
        << lib.family->name << " " << id << ": run enginepics_draw_bitmaps " << VLM_ENGINEPICS_SOURCE_DIR;
  }
}

INSTANTIATE_TEST_SUITE_P(Families, Assets, ::testing::Range<std::size_t>(0, 7),
                         [](const ::testing::TestParamInfo<std::size_t>& info) {
                           return std::string(Libraries()[info.param].family->name);
                         });

// Whole pictures painted from the real bitmaps.
constexpr QRgb kBackground = 0xFFF0F0F0;

QImage Picture(const Family& f, HINSTANCE bitmaps, EngineArgs args) {
  QImage target(f.width, f.height, QImage::Format_RGB32);
  target.fill(kBackground);
  const HDC dc = CreateImageDC(&target);
  args.hdcPaint = static_cast<LONG>(static_cast<std::uint32_t>(dc));
  PaintEngine(f, bitmaps, args);
  DeleteDC(dc);
  return target;
}

TEST(Pictures, KeyColourIsTransparentAndPartsLandInPlace) {
  const QImage body = Embedded(&rx11::kBitmaps, 1000).convertToFormat(QImage::Format_RGB32);
  const QImage picture = Picture(rx11::kFamily, &rx11::kBitmaps, {});
  // Outside the body's part, and at its cut corner, the background shows.
  EXPECT_EQ(picture.pixel(10, 10), kBackground);
  EXPECT_EQ(picture.pixel(85, 24), kBackground);
  EXPECT_EQ(body.pixel(85, 24), body.pixel(0, 0));
  // Inside it, the body's own pixels (no base or exit tray drawn there).
  for (auto [x, y] : {std::pair{150, 40}, {160, 85}, {86, 60}}) {
    EXPECT_EQ(picture.pixel(x, y), body.pixel(x, y)) << x << "," << y;
    EXPECT_NE(picture.pixel(x, y), kBackground);
  }
}

TEST(Pictures, AFinisherMovedPastTheLeftEdgeIsClipped) {
  EngineArgs args;
  args.Options = static_cast<LONG>(kFinisher | kFinisherOffsetUnit);
  args.FinisherType = "QN-752";
  const QImage picture = Picture(rx15::kFamily, &rx15::kBitmaps, args);
  const QImage finisher = Embedded(&rx15::kBitmaps, 1011).convertToFormat(QImage::Format_RGB32);
  const QRgb key = finisher.pixel(0, 0);
  int compared = 0;
  // Painted at (-8, 32): picture column x shows finisher column x + 8.
  for (int y = 32; y < 32 + finisher.height(); ++y) {
    for (int x = 0; x < 40; ++x) {
      const QRgb f = finisher.pixel(x + 8, y - 32);
      ASSERT_EQ(picture.pixel(x, y), f == key ? kBackground : f) << x << "," << y;
      compared += f != key;
    }
  }
  EXPECT_GT(compared, 1000);
}

TEST(Pictures, TheSelectedTrayIsMarkedInTheHighlightColour) {
  EngineArgs args;
  args.SelectTray = 2;
  args.ShowSelection = true;
  const QImage marked = Picture(rx11::kFamily, &rx11::kBitmaps, args);
  args.ShowSelection = false;
  const QImage plain = Picture(rx11::kFamily, &rx11::kBitmaps, args);
  // The drawer of paper source 2 (rows 71-81) in the highlight colour, the
  // pointer left of it too; the same places without the mark are not.
  for (auto [x, y] : {std::pair{100, 74}, {120, 78}, {77, 76}}) {
    EXPECT_EQ(marked.pixel(x, y), art::palette::kHighlight.fill) << x << "," << y;
    EXPECT_NE(plain.pixel(x, y), art::palette::kHighlight.fill) << x << "," << y;
  }
  // Outside the mark the two pictures are the same.
  EXPECT_EQ(marked.copy(0, 0, 175, 70), plain.copy(0, 0, 175, 70));
  EXPECT_EQ(marked.copy(0, 83, 175, 44), plain.copy(0, 83, 175, 44));
}

}  // namespace
}  // namespace vlm::enginepics
