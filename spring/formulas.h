// The small formulas of the spring: G(T), stress factor, section values of
// the six wire sections, rate, stresses, strength from d, eye heights and coil
// rounding to the eye position. Called by the calculation chain and design paths.
#pragma once

#include <cstdint>

#include "platform/real48.h"
#include "platform/types.h"

namespace kor2 {

// Wire section shapes (WireShape).
inline constexpr uint16_t kShapeRound = 1;
inline constexpr uint16_t kShapeOval = 2;         // axes d and h, h in the spring axis
inline constexpr uint16_t kShapeRect = 3;         // d x h
inline constexpr uint16_t kShapeRectUpright = 4;  // d x h, h in the spring axis
inline constexpr uint16_t kShapeRounded = 5;      // fully rounded corners
inline constexpr uint16_t kShapeRadius = 6;       // corner radius r

// Coefficient kinds of the rectangular section.
inline constexpr int kCoefModulus = 1;    // alpha, torsion section modulus
inline constexpr int kCoefStiffness = 2;  // beta, torsion stiffness

// G(T) = G * (3620 - T) / 3600.
Extended ShearModulusAtTemp(Extended T, Extended G);
// k(w) = 1 + 1.25/w + 0.875/w^2 + 1/w^3.
Extended StressFactorK(Extended w);

// Section values; 0 for a side <= 0 and for a shape without the formula.
Extended WireSectionArea(uint16_t shape, Extended d, Extended h, Extended r);
Extended RectTorsionCoefficient(int kind, Extended x);
Extended RectTorsionStiffness(Extended d, Extended h);
Extended RectTorsionModulus(Extended d, Extended h);
Extended OvalTorsionStiffness(Extended d, Extended h);
Extended OvalTorsionModulus(Extended d, Extended h);
Extended RectBendingModulus(Extended d, Extended h);
Extended OvalBendingModulus(Extended d, Extended h);

// Rate of n coils; round G*d^4/(8*Dm^3*n), shapes 2..4 4*G*It/(pi*Dm^3*n).
// d, Dm or n not above 0 record a fatal message and give 0.
Extended SpringRateFromCoils(uint16_t shape, Extended GT, Extended n, Extended d, Extended h,
                             Extended Dm);
Extended ForceAtDeflection(Extended s, uint16_t shape, Extended GT, Extended n, Extended d,
                           Extended h, Extended Dm);

// Stress and force of the current spring (Dm, d, h, WireShape, q). A zero
// section modulus or mean diameter gives 0 instead of a division.
Extended ShearStressOfForce(Extended F);
Extended ForceFromStress(Extended tau);
Extended EyeBendingStress(Extended F);

// InitialStress from InitialStressMethod, w and Rm.
void CalcInitialTensionStress();
// F0 from InitialStress. With tau0 taken from F0 (method 4) the force comes
// back from a round trip; a result that differs from F0 only by rounding
// keeps F0 as it is.
Extended InitialTensionFromStress();
// Whether Rm follows d through the material record: not for a typed-in
// material (index 11), nor for a table material whose record could not be read.
bool StrengthFollowsDiameter();
// Rm, tau zul and sigma z from d, when StrengthFollowsDiameter.
void UpdateStrengthFromDiameter();
// sigma z of a strength Rm: 0.7 Rm, as a 6-byte real.
Real48 BendingStressOfStrength(Extended rm);

// LH/Dm that a design gives an eye of this shape.
Extended EyeHeightFactor(uint16_t eyeType);
// Whole coils plus the eye angle in turns (see formulas.cpp).
Extended RoundCoilsToEyePosition(Extended angle, Extended n);
// Eye angle in degrees that n coils give.
Extended EyePositionFromCoils(Extended n);

}  // namespace kor2
