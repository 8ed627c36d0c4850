// The dynamic symbols a shared library defines, as `nm -D --defined-only`
// lists them: what the library exports.
#pragma once

#include <set>
#include <string>

namespace vlm::testing {

// The names, or an empty set when nm could not be run.
std::set<std::string> DefinedDynamicSymbols(const std::string& library);

}  // namespace vlm::testing
