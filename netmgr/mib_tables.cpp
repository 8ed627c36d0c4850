// Lookups over the constant tables of mib_data.cpp.
#include "netmgr/mib_tables.h"

namespace vlm::netmgr {

extern const char* const kMibLabels[kMibObjectCount];

namespace {

// The vectors (tables) of the MIB object table.
constexpr std::int32_t kVectors[] = {0,   8,   38,  74,  82,  87,  93,  99,  104, 112, 118, 123,
                                     130, 136, 142, 148, 159, 164, 175, 191, 193, 199, 210};

// The general and interpreter tables' walk records carry the table's own OID,
// whose walk would count every column of every row; their rows are counted
// by one column instead (the interpreter table's language family, the
// general table's current operator).
constexpr std::int32_t kGeneralTable = 191;
constexpr std::int32_t kGeneralColumn = 185;
constexpr std::int32_t kInterpreterTable = 193;
constexpr std::int32_t kInterpreterColumn = 195;

}  // namespace

std::string_view SyntaxOf(std::int32_t id) {
  return IsMibObject(id) ? MibObjectTable[id].syntax : std::string_view();
}

std::string_view OidOf(std::int32_t id) {
  return IsMibObject(id) ? MibObjectTable[id].oid : std::string_view();
}

bool IsVector(std::int32_t id) {
  for (std::int32_t v : kVectors)
    if (v == id) return true;
  return false;
}

std::string_view WalkOidOf(std::int32_t vector) {
  if (!IsVector(vector)) return {};
  if (vector == kGeneralTable) return OidOf(kGeneralColumn);
  if (vector == kInterpreterTable) return OidOf(kInterpreterColumn);
  return OidOf(vector + 1);
}

const CountScalar* FindCountScalar(std::int32_t id) {
  std::int32_t row = id - kFirstCountScalar;
  if (row < 0 || row >= kCountScalarCount) return nullptr;
  return &CountScalarTable[row];
}

std::vector<std::int32_t> GroupMembers(std::int32_t group) {
  std::vector<std::int32_t> out;
  if (!IsScalarGroup(group)) return out;
  for (std::int32_t id : ScalarGroupTable[group - kFirstGroup]) {
    if (id == 0) break;
    out.push_back(id);
  }
  return out;
}

bool IsStringInReadList(std::int32_t id) {
  // Asked for every scalar of every read: the syntax text is looked at in place.
  if (!IsMibObject(id)) return false;
  const char* syntax = MibObjectTable[id].syntax;
  return syntax[0] == 'O' && syntax[1] == 'S' && syntax[2] == '\0';
}

bool IsIntegerInGroup(std::int32_t id) {
  return IsCountBand(id) || SyntaxOf(id) == "I";
}

std::string_view LabelOf(std::int32_t id) {
  if (IsCountBand(id)) {
    const CountScalar* c = FindCountScalar(id);
    return c ? c->label : std::string_view();
  }
  return IsMibObject(id) ? kMibLabels[id] : std::string_view();
}

}  // namespace vlm::netmgr
