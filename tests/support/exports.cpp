#include "tests/support/exports.h"

#include <cstdio>
#include <stdexcept>

namespace vlm::testing {

std::set<std::string> ExportedSymbols(const std::string& library) {
  FILE* p = ::popen(("nm -D --defined-only '" + library + "'").c_str(), "r");
  if (!p) throw std::runtime_error("cannot run nm");
  std::set<std::string> names;
  char line[512];
  while (std::fgets(line, sizeof line, p)) {
    std::string l(line);
    std::string name = l.substr(l.find_last_of(' ') + 1);
    name.erase(name.find_last_not_of('\n') + 1);
    if (!name.empty()) names.insert(name);
  }
  ::pclose(p);
  return names;
}

}  // namespace vlm::testing
