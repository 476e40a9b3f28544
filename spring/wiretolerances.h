// Wire diameter tolerances of the wire standards (DIN 2076/2077, EN 10218-2,
// EN 10270-1/-2/-3); called by the tolerance step of the calculation chain
// and by the material dialog, which also shows the list texts below.
#pragma once

#include <array>
#include <cstdint>

#include "platform/types.h"

namespace kor2 {

// List texts of WireStandard 1..11 (index 0..10), as the material dialog shows them.
inline constexpr std::array<const char*, 11> WireStandardListTexts{
    "DIN 2076 B (0,3 .. 20 mm)",       "DIN 2076 C (0,07 .. 20 mm)",
    "DIN 2077   (7 .. 80 mm)",         "T1 - EN 10218-2 (0,3 .. 25 mm)",
    "T2 - EN 10218-2 (0,2 .. 25 mm)",  "T3 - EN 10218-2 (0,05 .. 25 mm)",
    "T4 - EN 10218-2 (0,05 .. 25 mm)", "T5 - EN 10218-2 (0,05 .. 25 mm)",
    "EN 10270-1 (0,05 .. 25 mm)",      "EN 10270-2 (0,05 .. 25 mm)",
    "EN 10270-3 (0,10 .. 10 mm)"};

// Symmetric tolerance (+/- mm) of the wire diameter d for WireStandard 1..11;
// any other standard gives 0. A d outside the standard's range gives 0 and
// records the range message in the error list.
Extended WireDiameterTolerance(uint16_t Standard, Extended d);

// The nine tables behind the standards: 1..8 and 11; any other number gives 0.
Extended WireToleranceTable(uint16_t Table, Extended d);

}  // namespace kor2
