// Instance filters of a VectorItem: a filter replaces a count scalar by the
// number of counted instances that pass its conditions, and remembers which
// real instance each surviving number stands for.
//
// What a caller may rely on:
// - A FilterCondition compares one scalar: Condition 0 equal, 1 less, 2
//   greater, 3 not equal (other values are kept and never decide). A text
//   condition holds at most 511 bytes (longer texts are cut) and an integer
//   value of 0.
// - TestIntegerConditions and TestStringConditions answer true when the
//   instance is to be hidden. Every condition on the scalar is tested in
//   order and the last one that applies decides; no condition: false.
//   Integer tests apply to every condition on the scalar (a text condition
//   counts with its value 0). Text tests apply to the conditions with
//   Condition 0 only, and compare the current text with the same number of
//   leading bytes of the condition's text: the condition's text begins with
//   the current one (so an empty current text always matches).
// - FindCondition gives the first condition on a scalar, or null.
// - Surviving numbers and real instances of the records count from 1.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

namespace vlm::mgmt {

struct FilterCondition {
  std::int32_t scalarId = 0;
  std::int32_t isText = 0;
  std::int32_t condition = 0;
  std::int32_t integer = 0;
  char text[512] = {};
};

struct Filter {
  std::int32_t handle = 0;  // the FilterHandle, unique and non-zero
  std::int32_t scalarCountId = 0;
  std::int32_t vectorId = 0;
  std::vector<FilterCondition> conditions;
  bool evaluating = false;  // set while its instances are being tested
};

// One surviving instance: its number among the survivors and the real
// instance it stands for.
struct InstanceRecord {
  std::int32_t vectorId;
  std::int32_t surviving;
  std::int32_t real;
};

enum : std::int32_t {
  kConditionEqual = 0,
  kConditionLess = 1,
  kConditionGreater = 2,
  kConditionNotEqual = 3,
};

FilterCondition IntegerCondition(std::int32_t scalarId, std::int32_t condition, std::int32_t value);
FilterCondition TextCondition(std::int32_t scalarId, std::int32_t condition, std::string_view text);

bool TestIntegerConditions(const Filter& filter, std::int32_t scalarId, std::int32_t value);
bool TestStringConditions(const Filter& filter, std::int32_t scalarId, std::string_view text);
const FilterCondition* FindCondition(const Filter& filter, std::int32_t scalarId);
std::vector<std::int32_t> GetConditionScalarIds(const Filter& filter);

}  // namespace vlm::mgmt
