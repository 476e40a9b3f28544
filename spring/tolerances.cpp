// DIN 2097 tolerances of coil diameter, free length, forces, initial tension,
// eye position and eye overhang, plus the fourth method ("DIN 2096"). Called
// by the tolerance step of the calculation chain and the tolerance dialog.
#include "spring/tolerances.h"

#include <algorithm>
#include <cmath>
#include <cstddef>

#include "common/checkmath.h"

namespace kor2 {

namespace {

constexpr uint16_t kGradeDin2096 = 4;
constexpr uint16_t kInputDe = 1;
constexpr uint16_t kInputDi = 2;

bool IsDin2097Grade(uint16_t Grade) {
    return Grade >= 1 && Grade <= 3;
}

Extended GradeFactor(uint16_t Grade) {
    return IsDin2097Grade(Grade) ? ToleranceGradeFactors[Grade - 1] : 0;
}

// Absurd inputs (overflowing products, NaN) give no tolerance rather than a
// value the caller would store.
Extended FiniteOrZero(Extended x) {
    return std::isfinite(x) ? x : 0;
}

// Every comparison of w = Dm / d, of a diameter or of a length with an edge of
// these tables goes through CompareToEdge: a value that is an edge in exact
// arithmetic on the typed numbers is on it, whichever side its binary value falls.
//
// Coil diameter, grades 1 to 3: classes of Dm by upper bound (included), and
// per grade three columns w <= 8, w <= 14, w > 14.
constexpr Extended kDmClassBounds[] = {1.0L,  1.6L,  2.5L,  4.0L,  6.3L,  10.0L,  16.0L,  25.0L,
                                       31.5L, 40.0L, 50.0L, 63.0L, 80.0L, 100.0L, 125.0L, 160.0L};
constexpr Extended kDmTolerance[17][9] = {
    {0.05L, 0.07L, 0.1L, 0.07L, 0.1L, 0.15L, 0.1L, 0.15L, 0.2L},
    {0.05L, 0.07L, 0.1L, 0.08L, 0.1L, 0.15L, 0.15L, 0.2L, 0.3L},
    {0.07L, 0.1L, 0.15L, 0.1L, 0.15L, 0.2L, 0.2L, 0.3L, 0.4L},
    {0.1L, 0.1L, 0.15L, 0.15L, 0.2L, 0.25L, 0.3L, 0.4L, 0.5L},
    {0.1L, 0.15L, 0.2L, 0.2L, 0.25L, 0.3L, 0.4L, 0.5L, 0.6L},
    {0.15L, 0.15L, 0.2L, 0.25L, 0.3L, 0.35L, 0.5L, 0.6L, 0.7L},
    {0.15L, 0.2L, 0.25L, 0.3L, 0.35L, 0.4L, 0.6L, 0.7L, 0.8L},
    {0.2L, 0.25L, 0.3L, 0.35L, 0.45L, 0.5L, 0.7L, 0.9L, 1.0L},
    {0.25L, 0.3L, 0.35L, 0.4L, 0.5L, 0.6L, 0.8L, 1.0L, 1.2L},
    {0.25L, 0.3L, 0.35L, 0.5L, 0.6L, 0.7L, 1.0L, 1.2L, 1.5L},
    {0.3L, 0.4L, 0.5L, 0.6L, 0.8L, 0.9L, 1.2L, 1.5L, 1.8L},
    {0.4L, 0.5L, 0.6L, 0.8L, 1.0L, 1.1L, 1.5L, 2.0L, 2.3L},
    {0.5L, 0.7L, 0.8L, 1.0L, 1.2L, 1.4L, 1.8L, 2.4L, 2.8L},
    {0.6L, 0.8L, 0.9L, 1.2L, 1.5L, 1.7L, 2.3L, 3.0L, 3.5L},
    {0.7L, 1.0L, 1.1L, 1.4L, 1.9L, 2.2L, 2.8L, 3.7L, 4.4L},
    {0.9L, 1.2L, 1.4L, 1.8L, 2.3L, 2.7L, 3.5L, 4.6L, 5.4L},
    {1.2L, 1.5L, 1.7L, 2.1L, 2.9L, 3.3L, 4.2L, 5.7L, 6.6L}};

// Coil diameter, fourth method: classes of the entered diameter, columns A, B, C.
constexpr Extended kD2096ClassBounds[] = {50.0L,  65.0L,  80.0L,  100.0L, 125.0L,
                                          160.0L, 200.0L, 250.0L, 300.0L};
constexpr Extended kD2096Tolerance[10][3] = {
    {0.8L, 1.2L, 0.6L}, {1.0L, 1.5L, 0.7L}, {1.2L, 1.8L, 0.8L}, {1.5L, 2.3L, 1.0L},
    {1.7L, 2.6L, 1.1L}, {2.0L, 3.0L, 1.3L}, {2.2L, 3.3L, 1.5L}, {2.6L, 3.9L, 1.8L},
    {3.1L, 4.6L, 2.1L}, {4.0L, 5.5L, 2.5L}};

// Free length, grades 1 to 3: classes of i = round(L0 + 0.499) by upper bound;
// per grade the columns w <= 8 and w > 8, in tenths of a millimetre.
constexpr Extended kL0ClassBounds[] = {10, 16, 25, 40, 63, 100, 160, 250, 400};
constexpr uint8_t kL0ToleranceTenths[9][6] = {
    {3, 4, 4, 5, 6, 7},       {4, 5, 5, 6, 8, 10},      {5, 6, 6, 7, 10, 13},
    {6, 8, 8, 9, 13, 16},     {8, 11, 11, 13, 18, 22},  {11, 15, 15, 18, 24, 30},
    {15, 20, 20, 24, 30, 40}, {20, 25, 25, 30, 40, 50}, {25, 30, 30, 40, 50, 65}};
// Above the last class: a share of L0 per grade.
constexpr Extended kL0LongShare[3] = {0.01L, 0.015L, 0.02L};

// Eye overhang as a multiple of d: rows w < 6, 6 <= w <= 12, w > 12.
constexpr Extended kOverhangFactor[3][3] = {
    {0.5L, 0.75L, 1.0L}, {1.0L, 1.5L, 2.0L}, {2.0L, 3.0L, 4.0L}};

// Index of the first class whose upper bound (included) is not below x; the
// count of bounds when x is above all of them or NaN. A diameter formed from
// typed ones (Dm = De - d) that is a bound in exact arithmetic is that bound.
template <std::size_t N>
std::size_t ClassIndex(const Extended (&bounds)[N], Extended x) {
    std::size_t i = 0;
    while (i < N && !(CompareToEdge(x, bounds[i]) <= 0)) ++i;
    return i;
}

}  // namespace

Extended ForceFactorAF(Extended Dm, Extended d) {
    if (Dm == 0) return 0;
    // d^3.3 outweighs the cubic term in Dm/d, so AF tends to 0 with d.
    if (d == 0) return 0;
    const Extended x = (Dm / d) / 10;
    const Extended poly = ((-0.84L * x + 3.781L) * x - 4.244L) * x + 2.274L;
    return FiniteOrZero(65.92L * PowerChecked(d, 3.3L, "Fehler : AF") /
                        PowerChecked(Dm, 1.6L, "Fehler : AF") * poly);
}

Extended ForceFactorKF(Extended n) {
    return 5.61L / std::max(1.0L, n) + 0.7L;
}

Extended ForceTolerance(uint16_t Grade, Extended F, Extended s, Extended Dm, Extended d, Extended n,
                        Extended L0, Extended R) {
    if (!(n > 0)) return 0;
    if (IsDin2097Grade(Grade))
        return FiniteOrZero((ForceFactorAF(Dm, d) * ForceFactorKF(n) + 0.015L * F) *
                            GradeFactor(Grade));
    // L0 + s is the length under the force; a length of 0 from typed lengths
    // (L2 equal to the stroke) gives no tolerance, not a noise of either sign.
    if (Grade == kGradeDin2096)
        return FiniteOrZero(SumWithinRounding(L0, s) * 0.015L * (1 + 2 / n) * R);
    return 0;
}

Extended InitialTensionTolerance(uint16_t Grade, Extended Dm, Extended d, Extended n, Extended F0,
                                 Extended L0, Extended R) {
    if (IsDin2097Grade(Grade))
        return FiniteOrZero((ForceFactorAF(Dm, d) * ForceFactorKF(n) + 0.015L * F0) *
                            GradeFactor(Grade));
    // Without coils the fourth method has no value; like the forces, no tolerance.
    if (Grade == kGradeDin2096 && n > 0) return FiniteOrZero(0.015L * L0 * (1 + 2 / n) * R);
    return 0;
}

Extended FreeLengthTolerance(uint16_t Grade, uint16_t FormingMethod, Extended Dm, Extended d,
                             Extended /*R*/, Extended n, Extended L0) {
    if (d == 0 || n == 0) return 0;
    if (IsDin2097Grade(Grade)) {
        // Halves go to the even number; a length whose sum is a half in exact
        // arithmetic is that half.
        const Extended shifted = L0 + 0.499L;
        const Extended i =
            std::nearbyint(OnEdgeWithinRounding(shifted, std::floor(shifted) + 0.5L));
        const std::size_t lengthClass = ClassIndex(kL0ClassBounds, i);
        if (lengthClass == std::size(kL0ClassBounds))
            return FiniteOrZero(kL0LongShare[Grade - 1] * L0);
        const std::size_t column = 2 * (Grade - 1) + (CompareToEdge(Dm / d, 8) > 0 ? 1 : 0);
        return kL0ToleranceTenths[lengthClass][column] / 10.0L;
    }
    if (Grade == kGradeDin2096) {
        if (FormingMethod == 1 || FormingMethod == 2)
            return FiniteOrZero(0.015L * L0 * (1 + 2 / n));
        if (FormingMethod == 3) return FiniteOrZero(0.012L * L0 * (1 + 2 / n));
    }
    return 0;
}

Extended EyePositionTolerance(uint16_t Grade, Extended w, Extended n) {
    if (!IsDin2097Grade(Grade)) return 0;
    const Extended byIndex = std::pow(10.0L, 0.022L * w + 0.97L);
    const Extended byCoils = n > 0 ? std::sqrt(n) * std::pow(10.0L, 0.63L + 0.0216L * w) : 0;
    return FiniteOrZero(std::max(byIndex, byCoils) * GradeFactor(Grade));
}

Extended EyeOverhangTolerance(uint16_t Grade, Extended w, Extended d) {
    if (!IsDin2097Grade(Grade)) return 0;
    const std::size_t row = CompareToEdge(w, 6) < 0 ? 0 : (CompareToEdge(w, 12) <= 0 ? 1 : 2);
    return FiniteOrZero(kOverhangFactor[row][Grade - 1] * d);
}

Extended TolTable(uint16_t Grade, uint16_t DiameterInputMode, Extended De, Extended Di, Extended Dm,
                  Extended w) {
    if (IsDin2097Grade(Grade)) {
        const std::size_t column =
            CompareToEdge(w, 8) <= 0 ? 0 : (CompareToEdge(w, 14) <= 0 ? 1 : 2);
        return kDmTolerance[ClassIndex(kDmClassBounds, Dm)][3 * (Grade - 1) + column];
    }
    if (Grade == kGradeDin2096) {
        const bool innerGiven = DiameterInputMode == kInputDi;
        const Extended D = DiameterInputMode == kInputDe ? De : (innerGiven ? Di : Dm);
        const bool wide = !(CompareToEdge(w, 8) <= 0);
        const std::size_t column = innerGiven ? (wide ? 0 : 2) : (wide ? 1 : 0);
        return kD2096Tolerance[ClassIndex(kD2096ClassBounds, D)][column];
    }
    return 0;
}

}  // namespace kor2
