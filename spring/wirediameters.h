// Standard wire diameter series of DIN 2076 and DIN 2077 and the rounding of a
// designed wire diameter onto them; called by the wire-diameter estimate, the
// design paths and the interactive design windows (stepping up and down).
#pragma once

#include <array>
#include <cstdint>

#include "platform/real48.h"
#include "platform/types.h"

namespace kor2 {

// The two series in mm, ascending, as 6-byte reals.
extern const std::array<Real48, 87> Din2076Table;
extern const std::array<Real48, 71> Din2077Table;

// Selection modes of StandardWireDiameter; any other value acts like
// WireStepAtOrAbove.
inline constexpr int32_t WireStepBelow = -1;
inline constexpr int32_t WireStepAtOrAbove = 1;
inline constexpr int32_t WireStepAbove = 2;

// Standard 3 (the spring's WireStandard) selects DIN 2077, any other value
// DIN 2076. Mode 1: the first standard value not below d; 2: the entry after
// that one; -1: the entry before it (the first entry stays the first).
// A d above the largest value is returned unchanged, with a message in the
// error list when WarningsOn is 1.
Extended StandardWireDiameter(uint16_t Standard, int32_t Mode, Extended d);

}  // namespace kor2
