// The network manager's identifier space: the MIB object table (identifiers
// 0-217), the count scalars (8001-8013) and the predefined scalar groups
// (1001-1041), with their display labels. All constant.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

namespace vlm::netmgr {

struct MibObject {
  const char* name;
  const char* syntax;  // "X" table (vector or walk record), "I" integer, "OS" octet string
  const char* kind;    // "X" member of a table, "S" plain scalar
  const char* access;  // "N" not accessible, "R" read-only, "W" read-write
  const char* oid;     // dotted decimal, no leading dot
};

inline constexpr int kMibObjectCount = 218;
extern const MibObject MibObjectTable[kMibObjectCount];

struct CountScalar {
  std::int32_t id;
  const char* name;
  std::int32_t vector;  // the vector whose rows are counted
  const char* label;
};

inline constexpr std::int32_t kFirstCountScalar = 8001;
inline constexpr int kCountScalarCount = 13;
extern const CountScalar CountScalarTable[kCountScalarCount];

inline constexpr std::int32_t kFirstGroup = 1001;
inline constexpr int kGroupCount = 41;
inline constexpr int kGroupWidth = 64;
// Row = group identifier - 1001; members in order, ending at the first 0.
extern const std::int32_t ScalarGroupTable[kGroupCount][kGroupWidth];
extern const char* const ScalarGroupNames[kGroupCount];

// Identifier ranges.
inline bool IsMibObject(std::int32_t id) { return id >= 0 && id < kMibObjectCount; }
inline bool IsCountBand(std::int32_t id) { return id >= 8000 && id <= 9000; }
inline bool IsScalarGroup(std::int32_t id) {
  return id >= kFirstGroup && id < kFirstGroup + kGroupCount;
}

// Syntax and OID text of a MIB record; empty for identifiers outside 0-217.
std::string_view SyntaxOf(std::int32_t id);
std::string_view OidOf(std::int32_t id);

// The OID walked to count the rows of a vector: the OID of the record that
// follows it, except for the general and interpreter tables, whose rows are
// counted by one column each. Empty for an identifier that is not a vector.
std::string_view WalkOidOf(std::int32_t vector);

// True for the records that name a table (syntax "X" in the vector position).
bool IsVector(std::int32_t id);

// The count-scalar row of 8001-8013, or null.
const CountScalar* FindCountScalar(std::int32_t id);

// Members of a predefined group, in stored order; empty for other ids.
std::vector<std::int32_t> GroupMembers(std::int32_t group);

// Value kind of an identifier in read lists: string when the record's syntax
// is "OS", integer otherwise (count-band identifiers included).
bool IsStringInReadList(std::int32_t id);
// Value kind in groups: integer when the syntax is "I" or the identifier is in
// the count band, string otherwise.
bool IsIntegerInGroup(std::int32_t id);

// Display label of an identifier: the count scalar's label for 8001-8013, the
// network manager's string resource for 0-217 (empty where it has none), and
// empty for every other identifier.
std::string_view LabelOf(std::int32_t id);

}  // namespace vlm::netmgr
