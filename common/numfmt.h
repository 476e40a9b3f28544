// Number and unit formatting: every number the program
// shows, prints or writes passes through here; typed texts come back through
// the StrTo... routines. Texts are code page 850 bytes. Each routine with a
// an out-parameter routine has that form (std::string& s) and a form returning S.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/types.h"

namespace kor2 {

// Bounds that keep every text finite whatever the arguments: at most this
// many decimals and this many characters of padding.
inline constexpr int32_t kMaxFixedDecimals = 5000;
inline constexpr int32_t kMaxFieldWidth = 5000;

// ---- Core number to text --------------------------------------------------
// Layout of X with N significant digits (N is taken within +-5000). NaN and
// the infinities give (3, 0), the width of "NAN" and "INF".
void CalcFloatFormat(int32_t& intDigits, int32_t& decimals, int32_t n, Extended x);
// Fixed-point text with PrecisionOption, padding and DecimalCommaOption.
// NaN and the infinities are written "NAN", "INF", "-INF".
void FloatToStrFixed(int32_t intWidth, int32_t decimals, std::string& s, Extended x);
std::string FloatToStrFixed(int32_t intWidth, int32_t decimals, Extended x);
void FloatToStr3(std::string& s, Extended x);
std::string FloatToStr3(Extended x);
void FloatToStrDigits(int32_t k, std::string& s, Extended x);
std::string FloatToStrDigits(int32_t k, Extended x);
void FloatToStrSig(int32_t decimals, std::string& s, Extended x);
std::string FloatToStrSig(int32_t decimals, Extended x);
void FloatToStrExp3(std::string& s, Extended x);
std::string FloatToStrExp3(Extended x);
void FloatToStrAuto(std::string& s, Extended x);
std::string FloatToStrAuto(Extended x);

// ---- Numbers that files store -----------------------------------------------
// A display setting never changes a data file: while this lives,
// PrecisionOption is its default 3 (the user's choice comes back after).
class DefaultPrecisionScope {
public:
    DefaultPrecisionScope();
    ~DefaultPrecisionScope();
    DefaultPrecisionScope(const DefaultPrecisionScope&) = delete;
    DefaultPrecisionScope& operator=(const DefaultPrecisionScope&) = delete;

private:
    int32_t saved_;
};
// A free-form number field of a data file: up to 7 significant digits with
// trailing zero decimals dropped, whatever PrecisionOption says. A value of
// at most three significant digits reads exactly as FloatToStr3 shows it at
// the default precision ("7.85", "0.004", "12.3").
std::string FloatToStrData(Extended x);

void IntToStrL(int32_t value, std::string& s);
std::string IntToStrL(int32_t value);
void IntToStrZeroPad(int32_t value, int32_t width, std::string& s);
std::string IntToStrZeroPad(int32_t value, int32_t width);
void IntToStrPad(int32_t value, int32_t width, std::string& s);
std::string IntToStrPad(int32_t value, int32_t width);

// ---- Signs and tolerances (upper tolerance first) --------------------------
void FloatToStrPlus(std::string& s, Extended x);
std::string FloatToStrPlus(Extended x);
void LengthToStrPlus(std::string& s, Extended x);
std::string LengthToStrPlus(Extended x);
void ForceToStrPlus(std::string& s, Extended x);
std::string ForceToStrPlus(Extended x);
void ToleranceToStr(std::string& s, Extended upper, Extended lower);
std::string ToleranceToStr(Extended upper, Extended lower);
void LengthToleranceToStr(std::string& s, Extended upper, Extended lower);
std::string LengthToleranceToStr(Extended upper, Extended lower);
void ForceToleranceToStr(std::string& s, Extended upper, Extended lower);
std::string ForceToleranceToStr(Extended upper, Extended lower);
void SymToleranceToStr(std::string& s, Extended upper, Extended lower);
std::string SymToleranceToStr(Extended upper, Extended lower);
void SymToleranceToStrOrEmpty(std::string& s, Extended upper, Extended lower);
std::string SymToleranceToStrOrEmpty(Extended upper, Extended lower);

// ---- Text to number -----------------------------------------------------------
// The first "," becomes "."; then optional leading blanks, an optional sign,
// digits with at most one ".", an optional exponent, and nothing after. Any
// other text, and a value outside the Extended range, gives 0.
Extended StrToFloatDef0(std::string_view s);
// The same reading; nullopt where StrToFloatDef0 gives 0 for want of a number.
std::optional<Extended> ParseFloatText(std::string_view s);
Extended StrToFloatComma(std::string_view s);
// Optional leading blanks, sign, decimal digits (or "$"/"0x" hex) within 32
// bits; anything else gives 0.
int32_t StrToIntDef0(std::string_view s);
// The same reading; nullopt where StrToIntDef0 gives 0 for want of a number.
std::optional<int32_t> ParseIntText(std::string_view s);
int32_t StrToIntOrZero(std::string_view s);
// Work on at most 255 characters (a longer text is cut).
std::string PointToComma(std::string_view s);
std::string CommaToPoint(std::string_view s);
std::string LocalDecimalSep(std::string_view s);

// ---- Quantities in the current unit system ---------------------------------
void LengthToStr(std::string& s, Extended x);
std::string LengthToStr(Extended x);
void LengthToStrSig(int32_t decimals, std::string& s, Extended x);
std::string LengthToStrSig(int32_t decimals, Extended x);
void LengthToStrFixed(int32_t intWidth, int32_t decimals, std::string& s, Extended x);
std::string LengthToStrFixed(int32_t intWidth, int32_t decimals, Extended x);
void ForceToStr(std::string& s, Extended x);
std::string ForceToStr(Extended x);
void ForceToStrFixed(int32_t intWidth, int32_t decimals, std::string& s, Extended x);
std::string ForceToStrFixed(int32_t intWidth, int32_t decimals, Extended x);
void StressToStr(std::string& s, Extended x);
std::string StressToStr(Extended x);
void StressToStrSig(int32_t decimals, std::string& s, Extended x);
std::string StressToStrSig(int32_t decimals, Extended x);
void StressToStrFixed(int32_t intWidth, int32_t decimals, std::string& s, Extended x);
std::string StressToStrFixed(int32_t intWidth, int32_t decimals, Extended x);
void RateToStr(std::string& s, Extended x);
std::string RateToStr(Extended x);
void TorqueToStr(std::string& s, Extended x);
std::string TorqueToStr(Extended x);
void TemperatureToStr(std::string& s, Extended x);
std::string TemperatureToStr(Extended x);
void TemperatureToStrSig(int32_t decimals, std::string& s, Extended x);
std::string TemperatureToStrSig(int32_t decimals, Extended x);
Extended StrToLength(std::string_view s);
Extended StrToForce(std::string_view s);
Extended StrToStress(std::string_view s);
Extended StrToTemperature(std::string_view s);
Extended LengthToCurrentUnits(Extended x);
Extended ForceToCurrentUnits(Extended x);
Extended StressToCurrentUnits(Extended x);

// ---- Unit labels (code page 850) ----------------------------------------------
std::string LengthUnitName();
std::string ForceUnitName();
std::string StressUnitName();
std::string RateUnitName();
std::string TorqueUnitName();
std::string TemperatureUnitName();
std::string DegreeUnitName();
std::string DensityUnitName();
std::string PlusMinusSign();

}  // namespace kor2
