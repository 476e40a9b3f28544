// The full check: runs the calculation chain, statistics and dynamic check,
// compares the results with their limits and fills the error list. Run after
// every input, after loading a spring, and at the end of the design paths.
#pragma once

#include <array>
#include <cstdint>

namespace kor2 {

// Names of the eye shapes 1..13 of EN 13906-2 Annex A in code page 850
// (element 0 unused); the full check copies them into EyeNames.
extern const std::array<const char*, 14> EyeShapeNames;

// Clears and refills the error list; CalcErrorFlag is set after a fatal
// message. Results of steps after a stop keep their previous values.
void CheckSpring();
// The same check, entry point of the interactive windows and one output.
void CheckSpringWithFlag();

}  // namespace kor2
