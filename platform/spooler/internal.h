// Helpers shared by the spooler layer's own files.
#pragma once

#include <cctype>
#include <string_view>

namespace vlm::spooler {

// Printer names (and URI schemes) compare without regard to ASCII case.
inline bool EqualNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
      return false;
  return true;
}

}  // namespace vlm::spooler
