// A provider library that never loads: it needs a symbol that nothing
// defines, so dlopen with immediate binding fails.
#include <cstdint>

extern "C" std::int32_t VlmFakeSymbolThatNobodyDefines();

extern "C" __attribute__((visibility("default"))) std::int32_t Init() {
  return VlmFakeSymbolThatNobodyDefines();
}
