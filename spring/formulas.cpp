// Section values, rate, stresses, strength and coil rounding of the
// extension spring. The stress functions read the current spring values;
// the section functions are pure.
#include "spring/formulas.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "common/checkmath.h"
#include "spring/calcerror.h"
#include "spring/material.h"
#include "spring/springdata.h"

namespace kor2 {

namespace {

// Held at the precision of the arithmetic: a double 8/pi turns F -> tau -> F
// into a different force.
constexpr Extended kEightByPi = 8 / kPi;

// Coefficients of the rectangular section at the side ratios 1 .. 8; from 8
// to 10 they run towards 0.313, from 10 on they are 0.333.
constexpr std::array<Extended, 7> kRatios{1, 1.5L, 2, 3, 4, 6, 8};
constexpr std::array<Extended, 7> kAlpha{0.208L, 0.231L, 0.246L, 0.267L, 0.282L, 0.299L, 0.307L};
constexpr std::array<Extended, 7> kBeta{0.140L, 0.196L, 0.229L, 0.263L, 0.281L, 0.299L, 0.307L};
constexpr Extended kCoefAtTen = 0.313L;
constexpr Extended kCoefAboveTen = 0.333L;

bool TurnsEye(uint16_t eyeType) {
    return eyeType == 4 || eyeType == 5 || eyeType == 7 || eyeType == 13;
}

int TurnedEyeCount() {
    return static_cast<int>(TurnsEye(EyeType[1])) + static_cast<int>(TurnsEye(EyeType[2]));
}

// Torsion and bending section moduli of the current section; 0 where the
// shape has no formula.
Extended TorsionModulus() {
    const Extended d = WireDiameter, h = WireHeight;
    switch (WireShape) {
        case kShapeRound:
            return d > 0 ? kPi / 16 * d * d * d : 0;
        case kShapeOval:
            return OvalTorsionModulus(d, h);
        case kShapeRect:
        case kShapeRectUpright:
            return RectTorsionModulus(d, h);
        default:
            return 0;
    }
}

Extended BendingModulus() {
    const Extended d = WireDiameter, h = WireHeight;
    switch (WireShape) {
        case kShapeRound:
            return d > 0 ? kPi / 32 * d * d * d : 0;
        case kShapeOval:
            return OvalBendingModulus(d, h);
        case kShapeRect:
        case kShapeRectUpright:
            return RectBendingModulus(d, h);
        default:
            return 0;
    }
}

}  // namespace

Extended ShearModulusAtTemp(Extended T, Extended G) {
    return G * (3620 - T) / 3600;
}

Extended StressFactorK(Extended w) {
    return 1 + 1.25L / w + 0.875L / (w * w) + 1 / (w * w * w);
}

Extended WireSectionArea(uint16_t shape, Extended d, Extended h, Extended r) {
    if (d <= 0 || (shape != kShapeRound && h <= 0)) return 0;
    switch (shape) {
        case kShapeRound:
            return kPi / 4 * d * d;
        case kShapeOval:
            return kPi * d * h / 4;
        case kShapeRect:
        case kShapeRectUpright:
            return d * h;
        case kShapeRounded: {
            const Extended c = std::min(d, h) / 2;
            return d * h - (4 - kPi) * c * c;
        }
        case kShapeRadius:
            return d * h - (4 - kPi) * r * r;
        default:
            return 0;
    }
}

Extended RectTorsionCoefficient(int kind, Extended x) {
    if (!(x > 0)) return 0;
    if (x < 1) x = 1 / x;
    const auto& table = kind == kCoefModulus ? kAlpha : kBeta;
    if (x >= 10) return kCoefAboveTen;
    if (x >= kRatios.back()) {
        return table.back() +
               (x - kRatios.back()) * (kCoefAtTen - table.back()) / (10 - kRatios.back());
    }
    std::size_t i = 1;
    while (x > kRatios[i]) ++i;
    return table[i - 1] +
           (x - kRatios[i - 1]) * (table[i] - table[i - 1]) / (kRatios[i] - kRatios[i - 1]);
}

Extended RectTorsionStiffness(Extended d, Extended h) {
    if (d <= 0 || h <= 0) return 0;
    const Extended b = std::min(d, h), l = std::max(d, h);
    return RectTorsionCoefficient(kCoefStiffness, l / b) * l * b * b * b;
}

Extended RectTorsionModulus(Extended d, Extended h) {
    if (d <= 0 || h <= 0) return 0;
    const Extended b = std::min(d, h), l = std::max(d, h);
    return RectTorsionCoefficient(kCoefModulus, l / b) * l * b * b;
}

Extended OvalTorsionStiffness(Extended d, Extended h) {
    if (d <= 0 || h <= 0) return 0;
    const Extended a = h / 2, b = d / 2;
    return kPi * a * a * a * b * b * b / (a * a + b * b);
}

Extended OvalTorsionModulus(Extended d, Extended h) {
    if (d <= 0 || h <= 0) return 0;
    const Extended a = std::max(d, h) / 2, b = std::min(d, h) / 2;
    return kPi / 2 * a * b * b;
}

Extended RectBendingModulus(Extended d, Extended h) {
    if (d <= 0 || h <= 0) return 0;
    return h * d * d / 6;
}

Extended OvalBendingModulus(Extended d, Extended h) {
    if (d <= 0 || h <= 0) return 0;
    return kPi * h * d * d / 32;
}

Extended SpringRateFromCoils(uint16_t shape, Extended GT, Extended n, Extended d, Extended h,
                             Extended Dm) {
    const char* fault = !(d > 0)    ? "Fatal  : d <= 0 !"
                        : !(Dm > 0) ? "Fatal  : Dm <= 0 !"
                        : !(n > 0)  ? "Fatal  : n <= 0 !"
                                    : nullptr;
    if (fault) {
        AddFatalMessage(fault);
        return 0;
    }
    const Extended dm3 = Dm * Dm * Dm;
    switch (shape) {
        case kShapeOval:
            return 4 * GT * OvalTorsionStiffness(d, h) / (kPi * dm3 * n);
        case kShapeRect:
        case kShapeRectUpright:
            return 4 * GT * RectTorsionStiffness(d, h) / (kPi * dm3 * n);
        default:
            return GT * d * d * d * d / (8 * dm3 * n);
    }
}

Extended ForceAtDeflection(Extended s, uint16_t shape, Extended GT, Extended n, Extended d,
                           Extended h, Extended Dm) {
    return SpringRateFromCoils(shape, GT, n, d, h, Dm) * s;
}

Extended ShearStressOfForce(Extended F) {
    const Extended d = WireDiameter;
    if (WireShape == kShapeRound) return d > 0 ? kEightByPi * F * MeanDiameter / (d * d * d) : 0;
    const Extended wt = TorsionModulus();
    return wt > 0 ? F * MeanDiameter / (2 * wt) : 0;
}

Extended ForceFromStress(Extended tau) {
    const Extended dm = MeanDiameter, d = WireDiameter;
    if (dm == 0) return 0;
    if (WireShape == kShapeRound) return kPi * d * d * d * tau / (8 * dm);
    return 2 * TorsionModulus() * tau / dm;
}

Extended EyeBendingStress(Extended F) {
    const Extended d = WireDiameter, q = EyeBendingFactor;
    if (WireShape == kShapeRound) return d > 0 ? q * 16 * F * MeanDiameter / (kPi * d * d * d) : 0;
    const Extended wb = BendingModulus();
    return wb > 0 ? q * F * MeanDiameter / (2 * wb) : 0;
}

void CalcInitialTensionStress() {
    const Extended w = SpringIndex, rm = TensileStrength;
    switch (InitialStressMethod) {
        case 1:
            InitialStress = (0.135L - 0.00625L * w) * rm;
            break;
        case 2:
            InitialStress = (0.075L - 0.00375L * w) * rm;
            break;
        case 3:
            InitialStress = 0;
            break;
        case 4:
            InitialStress = ShearStressOfForce(InitialTension);
            break;
        default:
            break;
    }
}

Extended InitialTensionFromStress() {
    const Extended F0 = ForceFromStress(InitialStress);
    if (InitialStressMethod == 4 && EqualWithinRounding(F0, InitialTension)) return InitialTension;
    return F0;
}

bool StrengthFollowsDiameter() {
    return MaterialIndex < 11 && !MaterialStrengthFromFile;
}

void UpdateStrengthFromDiameter() {
    if (!StrengthFollowsDiameter()) return;
    TensileStrength = RmAtDiameter(WireDiameter);
    const Extended tau = 0.45L * TensileStrength;
    PermShearStress = FormingMethod <= 1 ? tau : std::min(tau, Extended{600});
    PermBendingStress = BendingStressOfStrength(TensileStrength);
}

Real48 BendingStressOfStrength(Extended rm) {
    return Real48::FromExtended(0.7L * rm);
}

Extended EyeHeightFactor(uint16_t eyeType) {
    switch (eyeType) {
        case 1:
            return 0.6L;
        case 2:
        case 3:
        case 13:
            return 0.9L;
        case 4:
        case 5:
            return 1.0L;
        case 8:
            return 1.1L;
        default:
            return 0;
    }
}

namespace {

// Int(n + 1) without forming n + 1: one unit in the last place below a power
// of two, n + 1 is a tie that rounds up to the next power of two.
Extended IntOfNextUp(Extended n) {
    const Extended whole = std::trunc(n);
    return n < 0 && n > -1 ? 0 : whole + 1;
}

}  // namespace

// The fraction of the coils equals the eye angle in turns; eyes turned by
// 90 degrees (types 4, 5, 7, 13) take a quarter turn off. A fraction more
// than half a turn above the angle, or fewer than 2 coils, go up to the next
// whole coil; ties round down. A raw count within rounding of a whole number
// is that number: a count that is whole in exact arithmetic (1 coil from a
// Dm the pre-dimensioning set for 1 coil) must not round as 1 - 1e-18.
Extended RoundCoilsToEyePosition(Extended angle, Extended n) {
    if (!std::isfinite(n) || !std::isfinite(angle)) return 0;
    n = WholeWithinRounding(n);
    Extended a = angle;
    if (a >= 359.99L) a -= 360;
    a -= 90 * TurnedEyeCount();
    if (a < 0) a += 360;
    const Extended whole = std::trunc(n);
    if (n - whole - a / 360 > 0.5L || n < 2) return IntOfNextUp(n) + a / 360;
    return whole + a / 360;
}

// Coils within rounding of a whole turn put the eye at 0 degrees, not just
// below 360.
Extended EyePositionFromCoils(Extended n) {
    const Extended x = WholeWithinRounding(n + TurnedEyeCount() / 4.0L);
    return (x - std::trunc(x)) * 360;
}

}  // namespace kor2
