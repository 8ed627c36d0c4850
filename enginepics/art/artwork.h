// The artwork of the seven libraries, drawn by code: bitmap number to image,
// each at its catalogue size with its key colour.
#pragma once

#include <QImage>
#include <map>
#include <string_view>

#include "platform/types.h"

namespace vlm::enginepics::art {

std::map<WORD, QImage> DrawFamily(std::string_view family);

}  // namespace vlm::enginepics::art
