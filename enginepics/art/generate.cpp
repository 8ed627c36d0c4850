// Draws every bitmap of the seven engine picture libraries and writes them as
// 8-bit palettised PNG files, RXnn/bitmaps/<number>.png under the folder
// given (the enginepics folder of the source tree):
//
//   enginepics_draw_bitmaps <enginepics folder>
//
// Each bitmap is checked against the catalogue before it is written: its size,
// its key colour at (0, 0) and the rectangle its visible part fills.
#include <QDir>
#include <QImage>
#include <cstdio>
#include <string>

#include "enginepics/art/artwork.h"
#include "enginepics/art/catalogue.h"
#include "enginepics/art/check.h"

int main(int argc, char** argv) {
  using namespace vlm::enginepics::art;
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s <enginepics folder>\n", argv[0]);
    return 2;
  }
  int failures = 0;
  for (const FamilyArt& family : Catalogue()) {
    const std::string name(family.name);
    const QString folder = QString::fromUtf8(argv[1]) + "/" + QString::fromStdString(name) + "/bitmaps";
    if (!QDir().mkpath(folder)) {
      std::fprintf(stderr, "cannot make %s\n", folder.toUtf8().constData());
      return 1;
    }
    const auto images = DrawFamily(family.name);
    for (const BitmapSpec& spec : family.bitmaps) {
      auto it = images.find(spec.id);
      if (it == images.end()) {
        std::fprintf(stderr, "%s %u: not drawn\n", name.c_str(), unsigned{spec.id});
        ++failures;
        continue;
      }
      const std::string problem = CheckBitmap(it->second, spec);
      if (!problem.empty()) {
        std::fprintf(stderr, "%s %u: %s\n", name.c_str(), unsigned{spec.id}, problem.c_str());
        ++failures;
        continue;
      }
      const QImage indexed = ToPalettised(it->second);
      const QString path = folder + "/" + QString::number(spec.id) + ".png";
      if (indexed.isNull() || !indexed.save(path, "PNG")) {
        std::fprintf(stderr, "cannot write %s\n", path.toUtf8().constData());
        ++failures;
      }
    }
  }
  return failures == 0 ? 0 : 1;
}
