#include "tests/support/exported_symbols.h"

#include <cstdio>

namespace vlm::testing {

std::set<std::string> DefinedDynamicSymbols(const std::string& library) {
  std::set<std::string> names;
  FILE* p = ::popen(("nm -D --defined-only '" + library + "'").c_str(), "r");
  if (!p) return names;
  char line[512];
  while (std::fgets(line, sizeof line, p)) {
    std::string l(line);
    std::string name = l.substr(l.find_last_of(' ') + 1);
    name.erase(name.find_last_not_of('\n') + 1);
    if (!name.empty()) names.insert(name);
  }
  if (::pclose(p) != 0) names.clear();
  return names;
}

}  // namespace vlm::testing
