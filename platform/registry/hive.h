// Internal to the registry layer: the in-memory tree of one hive and its text
// form on disk (see docs/platform-registry.md for the format).
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/types.h"

namespace vlm::registry::detail {

inline constexpr std::size_t kMaxKeyName = 255;
inline constexpr std::size_t kMaxValueName = 16383;
inline constexpr std::size_t kMaxValueData = 1024 * 1024;
// Levels below the root that a key may lie at, and new levels that one
// create may make.
inline constexpr std::size_t kMaxKeyDepth = 512;
inline constexpr std::size_t kMaxLevelsCreated = 32;

// The value types the layer stores (REG_NONE, REG_SZ, REG_BINARY, REG_DWORD).
inline constexpr DWORD kTypeNone = 0;
inline constexpr DWORD kTypeText = 1;
inline constexpr DWORD kTypeBinary = 3;
inline constexpr DWORD kTypeDword = 4;

// ASCII case-insensitive equality of two names.
bool EqualNoCase(std::string_view a, std::string_view b);
// 1 to 255 characters, no control characters and no "\".
bool ValidKeyName(std::string_view name);

struct Value {
  std::string name;
  DWORD type = 0;
  std::string data;  // raw bytes
};

struct Key {
  std::string name;
  std::vector<Value> values;                 // creation order
  std::vector<std::unique_ptr<Key>> subkeys;  // creation order

  Key* FindSubkey(std::string_view n) const;
  // The index of the value named n, or -1.
  std::ptrdiff_t FindValue(std::string_view n) const;
};

// The hive's text: a header with the generation, the keys depth-first in
// creation order, each followed by its values, and an end line.
std::string Serialize(const Key& root, std::uint64_t generation);

struct Parsed {
  std::unique_ptr<Key> root;
  std::uint64_t generation = 0;
};
// Null when the text is not exactly what Serialize writes for some tree that
// the interface could have made: the parse is linear in the text's size.
std::optional<Parsed> Parse(std::string_view text);

// The generation from the first line of a hive's text, or null.
std::optional<std::uint64_t> ParseGeneration(std::string_view head);

}  // namespace vlm::registry::detail
