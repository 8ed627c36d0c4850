// Checks of a bitmap against its catalogue entry, shared by the generator and
// the asset tests.
#pragma once

#include <QImage>
#include <string>

#include "enginepics/art/catalogue.h"

namespace vlm::enginepics::art {

// Empty when the image has the entry's size, its key colour at (0, 0), and its
// pixels of other colours fill exactly the entry's extent; otherwise what is
// wrong.
std::string CheckBitmap(const QImage& image, const BitmapSpec& spec);

// The image as an 8-bit palettised one with exactly its colours (null when it
// has more than 256).
QImage ToPalettised(const QImage& image);

}  // namespace vlm::enginepics::art
