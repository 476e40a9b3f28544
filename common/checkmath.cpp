// Checked math and unit conversion. The four checked
// routines record their texts through AddErrorMessage; every
// other routine is a pure function that never raises or loops on any argument.
#include "common/checkmath.h"

#include <cmath>
#include <cstdint>
#include <limits>
#include <string>

#include "common/decimalform.h"
#include "common/globals.h"
#include "platform/real48.h"

namespace kor2 {

Extended TanChecked(Extended x) {
    const Extended c = std::cos(x);
    if (c == 0) {
        AddErrorMessage("Error: function tan in Unit math");
        return 1E30L;
    }
    return std::sin(x) / c;
}

Extended ArcSinChecked(Extended x) {
    if (x == 1) return kPi / 2;
    if (x == -1) return -kPi / 2;
    if (std::fabs(x) > 1) {
        AddErrorMessage("Error: ArcSin in unit math");
        return kPi / 2;
    }
    return std::atan(x / std::sqrt(1 - x * x));
}

Extended PowerChecked(Extended base, Extended exponent, std::string_view name) {
    if (base == 0) return 0;
    if (base < 0) {
        if (!name.empty()) AddErrorMessage(std::string(name) + " (pow)");
        base = -base;
    }
    const Extended t = exponent * std::log(base);
    if (t > 3000) return 1E3000L;
    if (t < -3000) return 0;
    return std::exp(t);
}

// Ln X / Ln 10 is not exact at powers of ten (1000 may give 2.9999...);
// DecimalExponent therefore does not go through it.
Extended Log10Checked(Extended x) {
    if (!(x > 0)) return std::isnan(x) ? x : -1E30L;
    return std::log(x) / std::log(10.0L);
}

Extended IntPowerExt(Extended x, int32_t n) {
    // |n| as unsigned 64 bits, so that INT32_MIN has a magnitude too.
    uint64_t k = n < 0 ? uint64_t{0} - static_cast<uint64_t>(static_cast<int64_t>(n))
                       : static_cast<uint64_t>(n);
    Extended result = 1;
    Extended p = x;
    while (k != 0) {
        if (k & 1) result *= p;
        k >>= 1;
        if (k != 0) p *= p;
    }
    return n < 0 ? 1 / result : result;
}

bool GetBit(int32_t value, int32_t n) {
    if (n < 1 || n > 32) return false;
    return (static_cast<uint32_t>(value) >> (n - 1)) & 1u;
}

void SetBit(int32_t& value, int32_t n, bool on) {
    if (n < 1 || n > 32) return;
    uint32_t v = static_cast<uint32_t>(value);
    const uint32_t mask = uint32_t{1} << (n - 1);
    v = on ? (v | mask) : (v & ~mask);
    value = static_cast<int32_t>(v);
}

Extended Hypot(Extended a, Extended b) {
    return std::sqrt(a * a + b * b);
}

Extended ArcTan2Ext(Extended x, Extended y) {
    if (x == 0) return y >= 0 ? kPi / 2 : -kPi / 2;
    Extended a = std::atan(y / x);
    if (x < 0) a += kPi;
    return a;
}

Extended ArcTan2XY(Extended y, Extended x) {
    return ArcTan2Ext(x, y);
}

Extended RadToDeg(Extended x) {
    return x * 180 * (1 / kPi);
}

Extended DegToRad(Extended x) {
    return x * kPi * (1.0L / 180);
}

// pow rather than Exp(X * Ln 10): the same value, but exact for whole X
// whose power is representable (Exp10(3) is 1000).
Extended Exp10(Extended x) {
    return std::pow(10.0L, x);
}

Extended FloorExt(Extended x) {
    Extended t = std::trunc(x);
    if (x < 0) t -= 1;
    return t;
}

// floor(log10 |X|) is read from the 18-digit decimal form of X: a logarithm
// that lands a hair below a whole number would put 1000 or the stored 0.001
// one decade too low. The 18 digits are the precision of the 80-bit float,
// so this is the floor of a correctly rounded logarithm.
int32_t DecimalExponent(Extended x) {
    if (x == 0 || std::isnan(x)) return 0;
    if (std::isinf(x)) return kMaxDecimalExponent;
    return detail::ToDecimalForm(x).exponent;
}

int32_t RoundToInt32(Extended x) {
    if (std::isnan(x)) return 0;
    if (x >= static_cast<Extended>(std::numeric_limits<int32_t>::max()))
        return std::numeric_limits<int32_t>::max();
    if (x <= static_cast<Extended>(std::numeric_limits<int32_t>::min()))
        return std::numeric_limits<int32_t>::min();
    // nearbyint follows the rounding mode: to nearest, ties to even.
    return static_cast<int32_t>(std::nearbyint(x));
}

void CalcAxisScale(Extended min, Extended max, int32_t intervals, Extended& axisMin,
                   Extended& axisMax, Extended& step) {
    if (intervals < 1) intervals = 1;
    if (SameValueExt(min, max)) {
        min -= 1;
        max += 1;
    }
    max -= (max - min) * 1E-5L;
    const Extended s = (max - min) / intervals;
    const int32_t e = DecimalExponent(s);
    const Extended p = Exp10(e);
    const Extended q = s / p;
    Extended f;
    if (q < 1.5L)
        f = 1;
    else if (q < 3)
        f = 2;
    else if (q < 8)
        f = 5;
    else
        f = 10;
    step = p * f;
    axisMax = (FloorExt(max / step) + 1) * step;
    axisMin = FloorExt(min / step) * step;
}

void RotatePoint(Extended x, Extended y, Extended angle, Extended& xr, Extended& yr) {
    const Extended c = std::cos(angle), s = std::sin(angle);
    xr = x * c - y * s;
    yr = y * c + x * s;
}

void RotatePointDeg(Extended x0, Extended y0, Extended angleDeg, Extended x, Extended y,
                    Extended& xr, Extended& yr) {
    const Extended a = DegToRad(angleDeg);
    const Extended c = std::cos(a), s = std::sin(a);
    xr = x0 + x * c - y * s;
    yr = y0 + y * c + x * s;
}

void RotateScaledPointDeg(Extended x0, Extended y0, Extended angleDeg, Extended x, Extended y,
                          Extended scaleX, Extended scaleY, Extended& xr, Extended& yr) {
    RotatePointDeg(x0, y0, angleDeg, x * scaleX, y * scaleY, xr, yr);
}

bool SameValueExt(Extended a, Extended b) {
    return std::fabs(a - b) < 1E-5L;
}

Extended MaxExt(Extended a, Extended b) {
    return a > b ? a : b;
}
Extended MinExt(Extended a, Extended b) {
    return a < b ? a : b;
}
int32_t MaxInt(int32_t a, int32_t b) {
    return a > b ? a : b;
}
int32_t MinInt(int32_t a, int32_t b) {
    return a < b ? a : b;
}

int32_t LimitInt(int32_t lower, int32_t upper, int32_t value) {
    return MinInt(MaxInt(value, lower), upper);
}

void SwapExt(Extended& a, Extended& b) {
    const Extended t = a;
    a = b;
    b = t;
}

Extended LinInterpolate(Extended x0, Extended y0, Extended x1, Extended y1, Extended x) {
    if (x0 == x1) return y0 == y1 ? y0 : 0;
    return y0 + (x - x0) * (y1 - y0) / (x1 - x0);
}

Extended AngleDiffDeg(Extended a1, Extended a2) {
    const Extended f2 = a2 / 360 - std::trunc(a2 / 360);
    const Extended f1 = a1 / 360 - std::trunc(a1 / 360);
    Extended d = (f2 - f1) * 360;
    if (d < 0) d += 360;
    return d;
}

Extended RoundToReal48(Extended x) {
    return Real48::FromExtended(x).ToExtended();
}

Extended InchToMm(Extended x) {
    return x * kMmPerInch;
}
Extended MmToInch(Extended x) {
    return x * (1 / kMmPerInch);
}
Extended PsiToMPa(Extended x) {
    return x * (1 / kPsiPerMPa);
}
Extended MPaToPsi(Extended x) {
    return x * kPsiPerMPa;
}
Extended NmmToLbfIn(Extended x) {
    return x * (1 / kNmmPerLbfIn);
}
Extended NPerMmToLbfPerIn(Extended x) {
    return x * kLbfPerInPerNPerMm;
}
Extended NToLbf(Extended x) {
    return x * (1 / kNPerLbf);
}
Extended LbfToN(Extended x) {
    return x * kNPerLbf;
}
Extended CelsiusToFahrenheit(Extended x) {
    return x * 1.8L + 32;
}
Extended FahrenheitToCelsius(Extended x) {
    return (x - 32) * 5 / 9;
}

}  // namespace kor2
