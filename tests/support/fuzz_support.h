// Helpers of the fuzz targets: the lines of an input, a registry folder for
// the run, and the canonical form of an IP range as the options dialog
// stores it ("start:end", each address four decimal segments without
// blanks, signs or leading zeros, each segment 0..254 and the first and
// fourth 1..254, the start not above the end).
#pragma once

#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "tests/support/temp_folder.h"

namespace vlm::testing {

// The input's lines (separated by line feeds; the text after the last one is
// a line too), at most `maxLines`.
inline std::vector<std::string> InputLines(const std::uint8_t* data, std::size_t size, std::size_t maxLines) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  std::vector<std::string> lines;
  for (std::size_t pos = 0; pos <= input.size() && lines.size() < maxLines;) {
    const std::size_t end = std::min(input.find('\n', pos), input.size());
    lines.emplace_back(input.substr(pos, end - pos));
    pos = end + 1;
  }
  return lines;
}

// A folder under $TMPDIR that is $VLM_REGISTRY_ROOT while it lives.
struct RegistryFolder {
  TempFolder folder;
  explicit RegistryFolder(const std::string& prefix) : folder(prefix) {
    ::setenv("VLM_REGISTRY_ROOT", folder.path().c_str(), 1);
  }
};

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
