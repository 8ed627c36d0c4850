// Runs before main in every engine picture test.
#include <cstdlib>

namespace {
const bool kOffscreen = [] {
  ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
  return true;
}();
}  // namespace
