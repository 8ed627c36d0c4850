#include "enginepics/art/check.h"

#include <algorithm>
#include <map>

namespace vlm::enginepics::art {

std::string CheckBitmap(const QImage& source, const BitmapSpec& spec) {
  const QImage image = source.convertToFormat(QImage::Format_RGB32);
  if (image.width() != spec.width || image.height() != spec.height) {
    return "size " + std::to_string(image.width()) + " x " + std::to_string(image.height()) +
           ", expected " + std::to_string(spec.width) + " x " + std::to_string(spec.height);
  }
  const QRgb key = image.pixel(0, 0);
  const COLORREF keyRef = RGB(qRed(key), qGreen(key), qBlue(key));
  if (keyRef != spec.key) return "key colour differs";
  int x0 = image.width(), x1 = -1, y0 = image.height(), y1 = -1;
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) {
      if (image.pixel(x, y) == key) continue;
      x0 = std::min(x0, x);
      x1 = std::max(x1, x);
      y0 = std::min(y0, y);
      y1 = std::max(y1, y);
    }
  }
  const Extent& e = spec.extent;
  if (x0 != e.x0 || x1 != e.x1 || y0 != e.y0 || y1 != e.y1) {
    return "visible part " + std::to_string(x0) + "-" + std::to_string(x1) + ", " +
           std::to_string(y0) + "-" + std::to_string(y1) + ", expected " + std::to_string(e.x0) +
           "-" + std::to_string(e.x1) + ", " + std::to_string(e.y0) + "-" + std::to_string(e.y1);
  }
  return {};
}

QImage ToPalettised(const QImage& source) {
  const QImage image = source.convertToFormat(QImage::Format_RGB32);
  std::map<QRgb, int> index;
  QList<QRgb> table;
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) {
      const QRgb c = image.pixel(x, y);
      if (index.emplace(c, static_cast<int>(table.size())).second) table.push_back(c);
    }
  }
  if (table.size() > 256) return {};
  QImage out(image.size(), QImage::Format_Indexed8);
  out.setColorTable(table);
  for (int y = 0; y < image.height(); ++y) {
    uchar* line = out.scanLine(y);
    for (int x = 0; x < image.width(); ++x) line[x] = static_cast<uchar>(index[image.pixel(x, y)]);
  }
  return out;
}

}  // namespace vlm::enginepics::art
