// Production tolerances of extension springs after DIN 2097 (grades 1 to 3)
// and the simpler fourth method ("DIN 2096"); called by the tolerance step of
// the calculation chain, the statistics and the tolerance dialog.
#pragma once

#include <array>
#include <cstdint>

#include "platform/types.h"

namespace kor2 {

// Every routine returns the upper deviation as a positive value (0 for a
// grade it does not cover); the caller stores its negative as the lower one.
// Grades: 1..3 DIN 2097, 4 "DIN 2096", 5 typed by the user.
// Units: mm, N, N/mm; w = Dm/d, n = active coils, R = spring rate.

// Grade factor Q of grades 1, 2, 3 (index 0..2).
inline constexpr std::array<Extended, 3> ToleranceGradeFactors{0.63L, 1.0L, 1.6L};

// Coil diameter. Grades 1..3 look up Dm; grade 4 the diameter that was
// entered (DiameterInputMode 1 De, 2 Di, otherwise Dm).
Extended TolTable(uint16_t Grade, uint16_t DiameterInputMode, Extended De, Extended Di, Extended Dm,
                  Extended w);

// Free length L0; FormingMethod 1 cold, 2 hot rolled, 3 hot machined.
Extended FreeLengthTolerance(uint16_t Grade, uint16_t FormingMethod, Extended Dm, Extended d,
                             Extended R, Extended n, Extended L0);

// Force F at deflection s (called with F1, s1 and with F2, s2).
Extended ForceTolerance(uint16_t Grade, Extended F, Extended s, Extended Dm, Extended d, Extended n,
                        Extended L0, Extended R);

// Initial tension F0.
Extended InitialTensionTolerance(uint16_t Grade, Extended Dm, Extended d, Extended n, Extended F0,
                                 Extended L0, Extended R);

// Eye position in degrees (grades 1..3 only).
Extended EyePositionTolerance(uint16_t Grade, Extended w, Extended n);

// Eye overhang, a multiple of d (grades 1..3 only).
Extended EyeOverhangTolerance(uint16_t Grade, Extended w, Extended d);

// DIN 2097 force factors AF(Dm, d) and kF(n).
Extended ForceFactorAF(Extended Dm, Extended d);
Extended ForceFactorKF(Extended n);

}  // namespace kor2
