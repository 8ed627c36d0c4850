// The class that the test in-process server serves.
#pragma once

#include "platform/com/com.h"

namespace vlm::testing {

inline constexpr CLSID CLSID_TestCalculator = GuidLiteral("{6F1D4B2A-3C5E-4A7B-9D10-2E3F4A5B6C7D}");
inline constexpr const char* kCalculatorProgId = "VlmComTest.Calculator";
inline constexpr const char* kCalculatorProgIdVersioned = "VlmComTest.Calculator.1";

}  // namespace vlm::testing
