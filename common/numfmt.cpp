// Number and unit formatting. Options come from the
// program-wide globals, factors and DecimalExponent from checkmath.
//
// The "standard fixed-point conversion" works as the original run-time did:
// the value is first turned into its 18 significant decimal digits (the
// precision of the 80-bit float, correctly rounded from the binary value),
// and that decimal text is then rounded to the wanted number of decimals,
// half away from zero. "Exactly half-way" is therefore judged on the decimal
// text, not on the binary value: 0.125 with 2 decimals gives "0.13", 2.5 with
// 0 gives "3", -2.5 gives "-3", and the literal 0.285L (binary
// 0.28499999999999999999...) gives "0.29". A double 1.005 converted to
// Extended (1.00499999999999989...) keeps its binary digits and gives "1.00".
#include "common/numfmt.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>

#include "common/checkmath.h"
#include "common/decimalform.h"
#include "common/globals.h"
#include "platform/oemtext.h"

namespace kor2 {

namespace {

using detail::DecimalForm;
using detail::kDecimalDigits;

int32_t Clamp64(int64_t v, int64_t lo, int64_t hi) {
    return static_cast<int32_t>(std::clamp(v, lo, hi));
}

bool Imperial() {
    return UnitSystem == 1;
}

// Rounded digits of a finite, non-zero value: digits[0] is the digit of
// 10^exponent; nothing but zeros follows the string.
struct RoundedDigits {
    std::string digits;  // empty: the value rounded to 0
    int exponent = 0;
};

// Keeps the digits of f down to the place 10^lowest, rounding half away from
// zero on the 18-digit text.
RoundedDigits RoundAt(const DecimalForm& f, int64_t lowest) {
    RoundedDigits r;
    const int64_t keep = static_cast<int64_t>(f.exponent) - lowest + 1;  // digits kept
    if (keep <= 0) {
        if (keep == 0 && f.digits[0] >= '5') {  // rounds up to one unit of 10^lowest
            r.digits = "1";
            r.exponent = static_cast<int>(lowest);
        }
        return r;
    }
    const int n = static_cast<int>(std::min<int64_t>(keep, kDecimalDigits));
    r.digits.assign(f.digits, n);
    r.exponent = f.exponent;
    if (n < kDecimalDigits && f.digits[n] >= '5') {
        int i = n - 1;
        while (i >= 0 && r.digits[i] == '9') r.digits[i--] = '0';
        if (i >= 0) {
            ++r.digits[i];
        } else {
            r.digits.insert(r.digits.begin(), '1');
            ++r.exponent;
        }
    }
    return r;
}

// The fixed-point text of x with `decimals` digits after the point (no point
// for 0), no padding, "." as the point.
std::string FixedText(Extended x, int32_t decimals) {
    if (std::isnan(x)) return "NAN";
    if (std::isinf(x)) return x > 0 ? "INF" : "-INF";
    decimals = std::clamp<int32_t>(decimals, 0, kMaxFixedDecimals);
    RoundedDigits r;
    bool negative = false;
    if (x != 0) {
        const DecimalForm f = detail::ToDecimalForm(x);
        negative = f.negative;
        r = RoundAt(f, -static_cast<int64_t>(decimals));
    }
    auto digitAt = [&r](int64_t place) {  // the digit of 10^place
        const int64_t i = r.exponent - place;
        return (!r.digits.empty() && i >= 0 && i < static_cast<int64_t>(r.digits.size()))
                   ? r.digits[static_cast<std::size_t>(i)]
                   : '0';
    };
    std::string s;
    if (negative && r.digits.find_first_not_of('0') != std::string::npos) s += '-';
    if (r.digits.empty() || r.exponent < 0) {
        s += '0';
    } else {
        for (int64_t p = r.exponent; p >= 0; --p) s += digitAt(p);
    }
    if (decimals > 0) {
        s += '.';
        for (int64_t q = 1; q <= decimals; ++q) s += digitAt(-q);
    }
    return s;
}

// X times 10^n without an intermediate power that overflows or underflows.
Extended ScaleByPow10(Extended x, int32_t n) {
    while (n > 4000) {
        x *= Exp10(4000);
        n -= 4000;
    }
    while (n < -4000) {
        x /= Exp10(4000);
        n += 4000;
    }
    return n >= 0 ? x * Exp10(n) : x / Exp10(-n);
}

bool IsBlank(char c) {
    return c == ' ';
}

}  // namespace

// ---- Core number to text ------------------------------------------------------

void CalcFloatFormat(int32_t& intDigits, int32_t& decimals, int32_t n, Extended x) {
    n = std::clamp<int32_t>(n, -kMaxFixedDecimals, kMaxFixedDecimals);
    if (x == 0) x = 0.5L;
    x = std::fabs(x);
    if (!std::isfinite(x)) {
        intDigits = 3;
        decimals = 0;
        return;
    }
    const int32_t e = DecimalExponent(x);
    if (n <= e) {  // step 3: large values keep all their integer digits
        intDigits = e + 1;
        decimals = 0;
        return;
    }
    if (e < 0) {  // step 4
        intDigits = 0;
        decimals = -e + n - 1;
    } else {  // step 5: N - e - 1, as the examples (12.345 -> (2, 1)) require
        intDigits = e + 1;
        decimals = n - e - 1;
    }
    // Step 6: m := Round(X * 10^(Decimals + 1)), its digits from the decimal
    // form (so no integer overflow and no binary noise); then m div 10 and
    // one decimal less for every trailing zero. m = 0 ends the loop (the
    // original would loop for ever there; only N <= 0 reaches it).
    const RoundedDigits m = RoundAt(detail::ToDecimalForm(x), -static_cast<int64_t>(decimals) - 1);
    // digits of m: m.digits followed by zeros down to the place 10^-(decimals+1).
    std::string mText = m.digits;
    if (!mText.empty())
        mText.append(static_cast<std::size_t>(m.exponent + decimals + 1 -
                                              static_cast<int>(mText.size()) + 1),
                     '0');
    while (!mText.empty()) {
        mText.pop_back();  // m := m div 10
        if (mText.empty() || mText.back() != '0') break;
        --decimals;
    }
    if (e >= 0 && decimals < 0) decimals = 0;
}

void FloatToStrFixed(int32_t intWidth, int32_t decimals, std::string& s, Extended x) {
    if (std::fabs(x) < 1E-8L) x = 0;
    if (PrecisionOption != 3)
        decimals = LimitInt(
            0, 10,
            Clamp64(static_cast<int64_t>(decimals) + PrecisionOption - 3,
                    std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max()));
    decimals = std::clamp<int32_t>(decimals, 0, kMaxFixedDecimals);
    s = FixedText(x, decimals);
    const int64_t width = std::min<int64_t>(
        kMaxFieldWidth, decimals > 0 ? static_cast<int64_t>(intWidth) + decimals + 1 : intWidth);
    if (width > static_cast<int64_t>(s.size()))
        s.insert(0, static_cast<std::size_t>(width - static_cast<int64_t>(s.size())), ' ');
    if (DecimalCommaOption == 2) std::replace(s.begin(), s.end(), '.', ',');
}

std::string FloatToStrFixed(int32_t intWidth, int32_t decimals, Extended x) {
    std::string s;
    FloatToStrFixed(intWidth, decimals, s, x);
    return s;
}

void FloatToStrDigits(int32_t k, std::string& s, Extended x) {
    if (std::fabs(x) < 1E-5L) {
        s = "0";
        return;
    }
    int32_t intDigits = 0, decimals = 0;
    CalcFloatFormat(intDigits, decimals,
                    Clamp64(3 - static_cast<int64_t>(k), -kMaxFixedDecimals, kMaxFixedDecimals), x);
    FloatToStrFixed(intDigits, decimals, s, x);
}

std::string FloatToStrDigits(int32_t k, Extended x) {
    std::string s;
    FloatToStrDigits(k, s, x);
    return s;
}

void FloatToStr3(std::string& s, Extended x) {
    FloatToStrDigits(0, s, x);
}

std::string FloatToStr3(Extended x) {
    return FloatToStrDigits(0, x);
}

DefaultPrecisionScope::DefaultPrecisionScope() : saved_(PrecisionOption) {
    PrecisionOption = 3;
}

DefaultPrecisionScope::~DefaultPrecisionScope() {
    PrecisionOption = saved_;
}

std::string FloatToStrData(Extended x) {
    const DefaultPrecisionScope defaultPrecision;
    return FloatToStrDigits(-4, x);  // 3 - (-4) = 7 significant digits
}

void FloatToStrSig(int32_t decimals, std::string& s, Extended x) {
    int32_t intDigits = 0, unused = 0;
    CalcFloatFormat(intDigits, unused, 3, x);
    FloatToStrFixed(intDigits, decimals, s, x);
}

std::string FloatToStrSig(int32_t decimals, Extended x) {
    std::string s;
    FloatToStrSig(decimals, s, x);
    return s;
}

void FloatToStrExp3(std::string& s, Extended x) {
    const int32_t e = DecimalExponent(x);
    if (!std::isfinite(x) || (e >= -2 && e <= 3)) {
        FloatToStr3(s, x);
        return;
    }
    const int32_t k = e % 3;  // remainder with the sign of e, as a truncating mod
    Extended mantissa;
    int32_t exponent;
    if (e >= 4) {
        mantissa = ScaleByPow10(x, -(e - k));
        exponent = e - k;
    } else {
        mantissa = ScaleByPow10(x, k - e);
        exponent = (e / 3) * 3;  // truncating towards zero
    }
    s = FloatToStr3(mantissa) + "E" + IntToStrL(exponent);
}

std::string FloatToStrExp3(Extended x) {
    std::string s;
    FloatToStrExp3(s, x);
    return s;
}

void FloatToStrAuto(std::string& s, Extended x) {
    if (std::fabs(x) < 1E-12L) x = 0;
    const Extended a = std::fabs(x);
    if (a >= 1E-5L && a < 10000) {
        int32_t intDigits = 0, decimals = 0;
        CalcFloatFormat(intDigits, decimals, 3, x);
        FloatToStrFixed(intDigits, decimals, s, x);
    } else {
        FloatToStrExp3(s, x);
    }
}

std::string FloatToStrAuto(Extended x) {
    std::string s;
    FloatToStrAuto(s, x);
    return s;
}

void IntToStrL(int32_t value, std::string& s) {
    s = std::to_string(value);
}

std::string IntToStrL(int32_t value) {
    return std::to_string(value);
}

void IntToStrZeroPad(int32_t value, int32_t width, std::string& s) {
    s = std::to_string(value);
    const int32_t w = std::min(width, kMaxFieldWidth);
    if (w > static_cast<int32_t>(s.size()))
        s.insert(0, static_cast<std::size_t>(w) - s.size(), '0');
}

std::string IntToStrZeroPad(int32_t value, int32_t width) {
    std::string s;
    IntToStrZeroPad(value, width, s);
    return s;
}

void IntToStrPad(int32_t value, int32_t width, std::string& s) {
    s = std::to_string(value);
    const int32_t w = std::min(width, kMaxFieldWidth);
    if (w > static_cast<int32_t>(s.size()))
        s.insert(0, static_cast<std::size_t>(w) - s.size(), ' ');
}

std::string IntToStrPad(int32_t value, int32_t width) {
    std::string s;
    IntToStrPad(value, width, s);
    return s;
}

// ---- Signs and tolerances -------------------------------------------------------

namespace {

// "+" and the digits for a positive value, empty for 0, the value with its
// minus sign otherwise (NaN included).
std::string WithPlus(int32_t k, Extended x) {
    if (x > 0) return "+" + FloatToStrDigits(k, x);
    if (x == 0) return std::string();
    return FloatToStrDigits(k, x);
}

bool Symmetric(Extended upper, Extended lower) {
    return std::fabs(upper + lower) < 1E-4L;
}

// ToleranceToStr with plus forms and a symmetric form supplied by the caller.
template <typename Plus, typename Sym>
std::string ToleranceText(Extended upper, Extended lower, Plus plus, Sym sym) {
    if (upper == 0 && lower == 0) return std::string();
    if (Symmetric(upper, lower)) return PlusMinusSign() + sym(upper);
    if (upper != 0 && lower != 0) return plus(upper) + "/" + plus(lower);
    return upper != 0 ? plus(upper) : plus(lower);
}

}  // namespace

void FloatToStrPlus(std::string& s, Extended x) {
    s = WithPlus(1, x);
}

std::string FloatToStrPlus(Extended x) {
    return WithPlus(1, x);
}

void LengthToStrPlus(std::string& s, Extended x) {
    s = LengthToStrPlus(x);
}

std::string LengthToStrPlus(Extended x) {
    return Imperial() ? WithPlus(0, MmToInch(x)) : WithPlus(1, x);
}

void ForceToStrPlus(std::string& s, Extended x) {
    s = ForceToStrPlus(x);
}

std::string ForceToStrPlus(Extended x) {
    return Imperial() ? WithPlus(0, NToLbf(x)) : WithPlus(1, x);
}

void ToleranceToStr(std::string& s, Extended upper, Extended lower) {
    s = ToleranceToStr(upper, lower);
}

std::string ToleranceToStr(Extended upper, Extended lower) {
    return ToleranceText(
        upper, lower, [](Extended v) { return FloatToStrPlus(v); },
        [](Extended v) { return FloatToStrDigits(1, v); });
}

void LengthToleranceToStr(std::string& s, Extended upper, Extended lower) {
    s = LengthToleranceToStr(upper, lower);
}

std::string LengthToleranceToStr(Extended upper, Extended lower) {
    return ToleranceText(
        upper, lower, [](Extended v) { return LengthToStrPlus(v); },
        [](Extended v) {
            return Imperial() ? FloatToStrDigits(0, MmToInch(v)) : FloatToStrDigits(1, v);
        });
}

void ForceToleranceToStr(std::string& s, Extended upper, Extended lower) {
    s = ForceToleranceToStr(upper, lower);
}

std::string ForceToleranceToStr(Extended upper, Extended lower) {
    return ToleranceText(
        upper, lower, [](Extended v) { return ForceToStrPlus(v); },
        [](Extended v) {
            return Imperial() ? FloatToStrDigits(0, NToLbf(v)) : FloatToStrDigits(1, v);
        });
}

void SymToleranceToStr(std::string& s, Extended upper, Extended lower) {
    s = SymToleranceToStr(upper, lower);
}

std::string SymToleranceToStr(Extended upper, Extended lower) {
    if (Symmetric(upper, lower) && !(upper == 0 && lower == 0))
        return "±"_oem + FloatToStrDigits(1, upper);
    return "      ";
}

void SymToleranceToStrOrEmpty(std::string& s, Extended upper, Extended lower) {
    s = SymToleranceToStrOrEmpty(upper, lower);
}

std::string SymToleranceToStrOrEmpty(Extended upper, Extended lower) {
    if (Symmetric(upper, lower) && !(upper == 0 && lower == 0))
        return "±"_oem + FloatToStrDigits(1, upper);
    return std::string();
}

// ---- Text to number ---------------------------------------------------------------

std::optional<Extended> ParseFloatText(std::string_view s) {
    std::string t(s);
    if (const auto comma = t.find(','); comma != std::string::npos) t[comma] = '.';
    std::size_t i = 0;
    while (i < t.size() && IsBlank(t[i])) ++i;
    bool negative = false;
    if (i < t.size() && (t[i] == '+' || t[i] == '-')) negative = t[i++] == '-';
    // Check the shape ourselves: from_chars would also take "inf", "nan", hex.
    const std::size_t start = i;
    std::size_t digits = 0;
    while (i < t.size() && t[i] >= '0' && t[i] <= '9') ++i, ++digits;
    if (i < t.size() && t[i] == '.') {
        ++i;
        while (i < t.size() && t[i] >= '0' && t[i] <= '9') ++i, ++digits;
    }
    if (digits == 0) return std::nullopt;
    if (i < t.size() && (t[i] == 'e' || t[i] == 'E')) {
        ++i;
        if (i < t.size() && (t[i] == '+' || t[i] == '-')) ++i;
        std::size_t expDigits = 0;
        while (i < t.size() && t[i] >= '0' && t[i] <= '9') ++i, ++expDigits;
        if (expDigits == 0) return std::nullopt;
    }
    if (i != t.size()) return std::nullopt;
    Extended v = 0;
    const auto r = std::from_chars(t.data() + start, t.data() + t.size(), v);
    if (r.ec != std::errc() || r.ptr != t.data() + t.size() || !std::isfinite(v))
        return std::nullopt;
    return negative ? -v : v;
}

Extended StrToFloatDef0(std::string_view s) {
    return ParseFloatText(s).value_or(0);
}

Extended StrToFloatComma(std::string_view s) {
    return StrToFloatDef0(s);
}

std::optional<int32_t> ParseIntText(std::string_view s) {
    std::size_t i = 0;
    while (i < s.size() && IsBlank(s[i])) ++i;
    bool negative = false;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) negative = s[i++] == '-';
    int base = 10;
    if (i < s.size() && s[i] == '$') {
        base = 16;
        ++i;
    } else if (i + 1 < s.size() && s[i] == '0' && (s[i + 1] == 'x' || s[i + 1] == 'X')) {
        base = 16;
        i += 2;
    }
    if (i >= s.size()) return std::nullopt;
    int64_t v = 0;
    for (; i < s.size(); ++i) {
        const char c = s[i];
        int d;
        if (c >= '0' && c <= '9')
            d = c - '0';
        else if (base == 16 && c >= 'a' && c <= 'f')
            d = c - 'a' + 10;
        else if (base == 16 && c >= 'A' && c <= 'F')
            d = c - 'A' + 10;
        else
            return std::nullopt;
        v = v * base + d;
        if (v > int64_t{1} << 32) return std::nullopt;
    }
    if (base == 16 && !negative && v <= 0xFFFFFFFF) {  // hex may fill all 32 bits
        return static_cast<int32_t>(static_cast<uint32_t>(v));
    }
    if (negative) v = -v;
    if (v < std::numeric_limits<int32_t>::min() || v > std::numeric_limits<int32_t>::max())
        return std::nullopt;
    return static_cast<int32_t>(v);
}

int32_t StrToIntDef0(std::string_view s) {
    return ParseIntText(s).value_or(0);
}

int32_t StrToIntOrZero(std::string_view s) {
    return StrToIntDef0(s);
}

std::string PointToComma(std::string_view s) {
    std::string t(s.substr(0, 255));
    std::replace(t.begin(), t.end(), '.', ',');
    return t;
}

std::string CommaToPoint(std::string_view s) {
    std::string t(s.substr(0, 255));
    std::replace(t.begin(), t.end(), ',', '.');
    return t;
}

std::string LocalDecimalSep(std::string_view s) {
    return DecimalSepOption == 1 ? CommaToPoint(s) : PointToComma(s);
}

// ---- Quantities ---------------------------------------------------------------------

namespace {
int32_t Plus(int32_t a, int64_t b) {
    return Clamp64(a + b, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max());
}
}  // namespace

std::string LengthToStr(Extended x) {
    return Imperial() ? FloatToStrSig(4, MmToInch(x)) : FloatToStr3(x);
}
void LengthToStr(std::string& s, Extended x) {
    s = LengthToStr(x);
}

std::string LengthToStrSig(int32_t decimals, Extended x) {
    return Imperial() ? FloatToStrSig(Plus(decimals, 1), MmToInch(x)) : FloatToStrSig(decimals, x);
}
void LengthToStrSig(int32_t decimals, std::string& s, Extended x) {
    s = LengthToStrSig(decimals, x);
}

std::string LengthToStrFixed(int32_t intWidth, int32_t decimals, Extended x) {
    return Imperial()
               ? FloatToStrFixed(MaxInt(1, Plus(intWidth, -1)), Plus(decimals, 1), MmToInch(x))
               : FloatToStrFixed(intWidth, decimals, x);
}
void LengthToStrFixed(int32_t intWidth, int32_t decimals, std::string& s, Extended x) {
    s = LengthToStrFixed(intWidth, decimals, x);
}

std::string ForceToStr(Extended x) {
    return FloatToStr3(Imperial() ? NToLbf(x) : x);
}
void ForceToStr(std::string& s, Extended x) {
    s = ForceToStr(x);
}

std::string ForceToStrFixed(int32_t intWidth, int32_t decimals, Extended x) {
    return Imperial() ? FloatToStrFixed(MaxInt(1, Plus(intWidth, -1)), Plus(decimals, 1), NToLbf(x))
                      : FloatToStrFixed(intWidth, decimals, x);
}
void ForceToStrFixed(int32_t intWidth, int32_t decimals, std::string& s, Extended x) {
    s = ForceToStrFixed(intWidth, decimals, x);
}

std::string StressToStr(Extended x) {
    return FloatToStr3(Imperial() ? MPaToPsi(x) : x);
}
void StressToStr(std::string& s, Extended x) {
    s = StressToStr(x);
}

std::string StressToStrSig(int32_t decimals, Extended x) {
    return Imperial() ? FloatToStrSig(MaxInt(0, Plus(decimals, -2)), MPaToPsi(x))
                      : FloatToStrSig(decimals, x);
}
void StressToStrSig(int32_t decimals, std::string& s, Extended x) {
    s = StressToStrSig(decimals, x);
}

std::string StressToStrFixed(int32_t intWidth, int32_t decimals, Extended x) {
    return Imperial()
               ? FloatToStrFixed(Plus(intWidth, 2), MaxInt(0, Plus(decimals, -2)), MPaToPsi(x))
               : FloatToStrFixed(intWidth, decimals, x);
}
void StressToStrFixed(int32_t intWidth, int32_t decimals, std::string& s, Extended x) {
    s = StressToStrFixed(intWidth, decimals, x);
}

std::string RateToStr(Extended x) {
    return FloatToStr3(Imperial() ? NPerMmToLbfPerIn(x) : x);
}
void RateToStr(std::string& s, Extended x) {
    s = RateToStr(x);
}

std::string TorqueToStr(Extended x) {
    return FloatToStr3(Imperial() ? NmmToLbfIn(x) : x);
}
void TorqueToStr(std::string& s, Extended x) {
    s = TorqueToStr(x);
}

std::string TemperatureToStr(Extended x) {
    return FloatToStr3(Imperial() ? CelsiusToFahrenheit(x) : x);
}
void TemperatureToStr(std::string& s, Extended x) {
    s = TemperatureToStr(x);
}

std::string TemperatureToStrSig(int32_t decimals, Extended x) {
    return FloatToStrSig(decimals, Imperial() ? CelsiusToFahrenheit(x) : x);
}
void TemperatureToStrSig(int32_t decimals, std::string& s, Extended x) {
    s = TemperatureToStrSig(decimals, x);
}

Extended StrToLength(std::string_view s) {
    const Extended v = StrToFloatDef0(s);
    return Imperial() ? InchToMm(v) : v;
}
Extended StrToForce(std::string_view s) {
    const Extended v = StrToFloatDef0(s);
    return Imperial() ? LbfToN(v) : v;
}
Extended StrToStress(std::string_view s) {
    const Extended v = StrToFloatDef0(s);
    return Imperial() ? PsiToMPa(v) : v;
}
Extended StrToTemperature(std::string_view s) {
    const Extended v = StrToFloatDef0(s);
    return Imperial() ? FahrenheitToCelsius(v) : v;
}

Extended LengthToCurrentUnits(Extended x) {
    return Imperial() ? MmToInch(x) : x;
}
Extended ForceToCurrentUnits(Extended x) {
    return Imperial() ? NToLbf(x) : x;
}
Extended StressToCurrentUnits(Extended x) {
    return Imperial() ? MPaToPsi(x) : x;
}

// ---- Unit labels ----------------------------------------------------------------------

std::string LengthUnitName() {
    return Imperial() ? "in" : "mm";
}
std::string ForceUnitName() {
    return Imperial() ? "lbf" : "N";
}
std::string StressUnitName() {
    return Imperial() ? "psi" : "MPa";
}
std::string RateUnitName() {
    return Imperial() ? "lbf/in" : "N/mm";
}
std::string TorqueUnitName() {
    return Imperial() ? "lbfin" : "Nmm";
}

std::string TemperatureUnitName() {
    if (CharSetOption == 1) return Imperial() ? " F" : " C";
    return Imperial() ? "°F"_oem : "°C"_oem;
}

std::string DegreeUnitName() {
    return CharSetOption == 1 ? "deg" : "°"_oem;
}

std::string DensityUnitName() {
    return CharSetOption == 1 ? "kg/dm3" : "kg/dm³"_oem;
}

std::string PlusMinusSign() {
    return CharSetOption == 1 ? "+/-" : " ± "_oem;
}

}  // namespace kor2
