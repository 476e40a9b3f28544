// Checked math and unit conversion: trigonometric and power
// routines that record a message in the error list instead of stopping, angle,
// bit, min/max and interpolation helpers, the diagram axis scale, and the
// metric/imperial conversions. Used by the formatting, geometry and calculation.
#pragma once

#include <algorithm>
#include <cmath>
#include <compare>
#include <cstdint>
#include <string_view>

#include "platform/types.h"

namespace kor2 {

inline constexpr Extended kPi = 3.141592653589793238462643383279502884L;

// The exponent DecimalExponent gives for an infinite value: that of the
// largest finite Extended (about 1.19E4932).
inline constexpr int32_t kMaxDecimalExponent = 4932;

// ---- Conversion factors -------------------------------------------------------
inline constexpr Extended kMmPerInch = 25.4L;
inline constexpr Extended kPsiPerMPa = 145.037L;
inline constexpr Extended kNPerLbf = 4.44822L;
inline constexpr Extended kNmmPerLbfIn = 112.9848L;
inline constexpr Extended kLbfPerInPerNPerMm = 5.7101492L;

// ---- Comparing values that come back from a round trip ----------------------
// A value carried through other quantities and back (F0 -> tau0 -> F0) picks
// up rounding; a relative 1e-12 is far below any physical difference.
inline constexpr Extended kRoundTripTolerance = 1e-12L;
inline bool ExceedsBeyondRounding(Extended a, Extended b) {
    return a - b > kRoundTripTolerance * std::max(std::fabs(a), std::fabs(b));
}
inline bool EqualWithinRounding(Extended a, Extended b) {
    return !ExceedsBeyondRounding(a, b) && !ExceedsBeyondRounding(b, a);
}
// A value formed from typed decimals (a sum, product or quotient: Dm / d,
// LH / Di, coils from lengths) that lies within rounding of an edge, a table's
// bound or a step of a grid, is on that edge, where exact arithmetic on the
// typed numbers puts it; only a difference beyond rounding puts it on a side.
// Infinite and NaN values are never on an edge.
inline Extended OnEdgeWithinRounding(Extended x, Extended edge) {
    return std::isfinite(x) && EqualWithinRounding(x, edge) ? edge : x;
}
// Every decision at such an edge compares by this: equivalent on the edge,
// unordered for NaN.
inline std::partial_ordering CompareToEdge(Extended x, Extended edge) {
    return OnEdgeWithinRounding(x, edge) <=> edge;
}
// A sum whose terms cancel in exact arithmetic (L0 + s1 of a spring whose L1
// is 0) keeps a noise of the size of its terms' last places, and a relative
// edge has no width at 0: the terms' magnitudes set the width, and a finite
// sum within rounding of the larger term is 0.
inline Extended SumWithinRounding(Extended a, Extended b) {
    const Extended sum = a + b;
    const bool cancelled =
        std::isfinite(sum) &&
        std::fabs(sum) <= kRoundTripTolerance * std::max(std::fabs(a), std::fabs(b));
    return cancelled ? 0 : sum;
}
// A count that comes from a division (coils from lengths) and lies within
// rounding of a whole number is that whole number.
inline Extended WholeWithinRounding(Extended x) {
    return OnEdgeWithinRounding(x, std::round(x));
}

// ---- Checked functions (the only ones that touch the error list) -----------
// sin X / cos X; an exactly zero cosine records "Error: function tan in Unit
// math" and gives 1E30.
Extended TanChecked(Extended x);
// ArcTan(X / Sqrt(1 - X^2)); |X| > 1 records "Error: ArcSin in unit math" and
// gives pi/2; X = 1 gives pi/2, X = -1 gives -pi/2 without a message.
Extended ArcSinChecked(Extended x);
// Exp(Exponent * Ln|Base|), limited to 1E3000 above t = 3000 and 0 below
// t = -3000; Base = 0 gives 0; Base < 0 records name + " (pow)" when name is
// not empty and computes from |Base|.
Extended PowerChecked(Extended base, Extended exponent, std::string_view name);
// Ln X / Ln 10; X <= 0 gives -1E30 without a message.
Extended Log10Checked(Extended x);

// ---- Plain routines -----------------------------------------------------------
// X^N by square-and-multiply; N = 0 gives 1, N < 0 gives 1 / X^|N| (any N,
// INT32_MIN included).
Extended IntPowerExt(Extended x, int32_t n);
// Bit N of value, N = 1 the lowest; N outside 1..32 is false / changes nothing.
bool GetBit(int32_t value, int32_t n);
void SetBit(int32_t& value, int32_t n, bool on);
Extended Hypot(Extended a, Extended b);
// Angle of the vector (X, Y) in (-pi/2, 3pi/2].
Extended ArcTan2Ext(Extended x, Extended y);
Extended ArcTan2XY(Extended y, Extended x);
Extended RadToDeg(Extended x);
Extended DegToRad(Extended x);
Extended Exp10(Extended x);
// Trunc(X), minus 1 when X < 0 (so -2 gives -3).
Extended FloorExt(Extended x);
// 0 for X = 0; else floor(log10 |X|) as a 32-bit integer. NaN gives 0 and an
// infinite X gives kMaxDecimalExponent. See checkmath.cpp for how powers of
// ten are kept exact.
int32_t DecimalExponent(Extended x);
// Rounding into 32 bits: nearest, ties to even (the x87 default mode
// of the original); NaN gives 0, values outside the range are clamped.
int32_t RoundToInt32(Extended x);
// Axis limits and step of a diagram; intervals < 1 count as 1.
void CalcAxisScale(Extended min, Extended max, int32_t intervals, Extended& axisMin,
                   Extended& axisMax, Extended& step);
void RotatePoint(Extended x, Extended y, Extended angle, Extended& xr, Extended& yr);
void RotatePointDeg(Extended x0, Extended y0, Extended angleDeg, Extended x, Extended y,
                    Extended& xr, Extended& yr);
void RotateScaledPointDeg(Extended x0, Extended y0, Extended angleDeg, Extended x, Extended y,
                          Extended scaleX, Extended scaleY, Extended& xr, Extended& yr);
// |A - B| < 1E-5.
bool SameValueExt(Extended a, Extended b);
Extended MaxExt(Extended a, Extended b);
Extended MinExt(Extended a, Extended b);
int32_t MaxInt(int32_t a, int32_t b);
int32_t MinInt(int32_t a, int32_t b);
// Min(Max(value, lower), upper): upper when lower > upper.
int32_t LimitInt(int32_t lower, int32_t upper, int32_t value);
void SwapExt(Extended& a, Extended& b);
// Straight line through (X0, Y0), (X1, Y1) at X; X0 = X1 gives Y0 when
// Y0 = Y1, else 0.
Extended LinInterpolate(Extended x0, Extended y0, Extended x1, Extended y1, Extended x);
// Angle from A1 to A2 counter-clockwise, 0 <= d < 360 (degrees).
Extended AngleDiffDeg(Extended a1, Extended a2);
// X rounded to the precision of the 6-byte real.
Extended RoundToReal48(Extended x);

// ---- Unit conversions ---------------------------------------------------------
Extended InchToMm(Extended x);
Extended MmToInch(Extended x);
Extended PsiToMPa(Extended x);
Extended MPaToPsi(Extended x);
Extended NmmToLbfIn(Extended x);
Extended NPerMmToLbfPerIn(Extended x);
Extended NToLbf(Extended x);
Extended LbfToN(Extended x);
Extended CelsiusToFahrenheit(Extended x);
Extended FahrenheitToCelsius(Extended x);

}  // namespace kor2
