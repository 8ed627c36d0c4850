// The canonical form of an IP range as the options dialog stores it, for
// the checks of the fuzz targets: "start:end", each address four decimal
// segments without blanks, signs or leading zeros, each segment 0..254 and
// the first and fourth 1..254, the start not above the end.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace vlm::testing {

// The address of one canonical half, or nullopt.
inline std::optional<std::uint32_t> CanonicalRangeAddress(std::string_view text) {
  std::uint32_t value = 0;
  for (int s = 0; s < 4; ++s) {
    const std::size_t end = s < 3 ? text.find('.') : text.size();
    if (end == std::string_view::npos || end == 0 || end > 3 || (end > 1 && text[0] == '0')) return std::nullopt;
    std::uint32_t segment = 0;
    for (char c : text.substr(0, end)) {
      if (c < '0' || c > '9') return std::nullopt;
      segment = segment * 10 + static_cast<std::uint32_t>(c - '0');
    }
    if (segment > 254 || ((s == 0 || s == 3) && segment == 0)) return std::nullopt;
    value = value * 256 + segment;
    text.remove_prefix(s < 3 ? end + 1 : end);
  }
  return value;
}

inline bool IsCanonicalRange(std::string_view item) {
  const std::size_t colon = item.find(':');
  if (colon == std::string_view::npos) return false;
  const auto start = CanonicalRangeAddress(item.substr(0, colon));
  const auto end = CanonicalRangeAddress(item.substr(colon + 1));
  return start && end && *start <= *end;
}

}  // namespace vlm::testing
