// Paints each engine family with typical options and a tray selected, and
// writes docs/enginepics/RXnn.png (three times the size, for looking at):
//
//   enginepics_showcase <output folder>
#include <QDir>
#include <QImage>
#include <cstdio>
#include <string>

#include "enginepics/common/families.h"

namespace {

using namespace vlm;
using namespace vlm::enginepics;

struct Showcase {
  const Family& family;
  HINSTANCE bitmaps;
  LONG options;
  const char* finisher;
  const char* lct;
  LONG tray;
};

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s <output folder>\n", argv[0]);
    return 2;
  }
  using namespace vlm;
  using namespace vlm::enginepics;
  using namespace option;
  const LONG top = static_cast<LONG>(kTopUnit | kFinisher);
  const Showcase cases[] = {
      {rx11::kFamily, &rx11::kBitmaps,
       static_cast<LONG>(top | kFinisherVariant4 | kBaseFourthSource | kBaseFifthSource), "QN-748", "", 2},
      {rx12::kFamily, &rx12::kBitmaps,
       static_cast<LONG>(top | kBaseThirdSource | kBaseFourthSource | kBaseFifthSource), "", "", 3},
      {rx13::kFamily, &rx13::kBitmaps, static_cast<LONG>(top | kLargeCapacityTray), "QN-746", "", 2},
      {rx14::kFamily, &rx14::kBitmaps,
       static_cast<LONG>(top | kLargeCapacityTray | kFinisherOffsetUnit | kFinisherSubUnit), "QN-752W",
       "", 6},
      {rx15::kFamily, &rx15::kBitmaps, static_cast<LONG>(top | kLargeCapacityTray | kFinisherSubUnit),
       "QN-867", "VR-682", 3},
      {rx16::kFamily, &rx16::kBitmaps,
       static_cast<LONG>(top | kLargeCapacityTray | kBaseFourthSource | kBaseFifthSource), "QN-759", "",
       4},
      {rx17::kFamily, &rx17::kBitmaps, static_cast<LONG>(top | kLargeCapacityTray | kFinisherSubUnit),
       "QN-865", "VR-672", 2},
  };
  if (!QDir().mkpath(QString::fromUtf8(argv[1]))) return 1;
  for (const Showcase& c : cases) {
    QImage picture(c.family.width, c.family.height, QImage::Format_RGB32);
    picture.fill(0xFFF0F0F0);
    const HDC dc = CreateImageDC(&picture);
    EngineArgs args;
    args.hdcPaint = static_cast<LONG>(static_cast<std::uint32_t>(dc));
    args.Options = c.options;
    args.FinisherType = c.finisher;
    args.LCTType = c.lct;
    args.SelectTray = c.tray;
    args.ShowSelection = true;
    PaintEngine(c.family, c.bitmaps, args);
    DeleteDC(dc);
    const QString path = QString::fromUtf8(argv[1]) + "/" + c.family.name + ".png";
    const QImage large = picture.scaled(picture.size() * 3, Qt::IgnoreAspectRatio, Qt::FastTransformation);
    if (!large.save(path, "PNG")) {
      std::fprintf(stderr, "cannot write %s\n", path.toUtf8().constData());
      return 1;
    }
  }
  return 0;
}
