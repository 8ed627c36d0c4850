// The dynamic symbols a shared library defines, for tests that check a
// library exports exactly its documented entry points.
#pragma once

#include <set>
#include <string>

namespace vlm::testing {

// Names of the defined dynamic symbols (`nm -D --defined-only`); throws when
// nm cannot be run.
std::set<std::string> ExportedSymbols(const std::string& library);

}  // namespace vlm::testing
