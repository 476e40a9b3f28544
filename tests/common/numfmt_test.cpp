// Tests of number and unit formatting.
#include "common/numfmt.h"

#include <gtest/gtest.h>

#include <climits>
#include <limits>
#include <string>
#include <utility>

#include "common/globals.h"
#include "platform/oemtext.h"

namespace kor2 {
namespace {

constexpr Extended kInf = std::numeric_limits<Extended>::infinity();
const Extended kNaN = std::numeric_limits<Extended>::quiet_NaN();

class NumFmtTest : public ::testing::Test {
protected:
    void SetUp() override { InitProgramVariables(); }
};

std::pair<int, int> Layout(int n, Extended x) {
    int32_t i = -99, d = -99;
    CalcFloatFormat(i, d, n, x);
    return {i, d};
}

TEST_F(NumFmtTest, CalcFloatFormatExamples) {
    EXPECT_EQ(Layout(3, 12.345L), std::make_pair(2, 1));
    EXPECT_EQ(Layout(3, 1.2L), std::make_pair(1, 1));
    EXPECT_EQ(Layout(3, 1.0L), std::make_pair(1, 0));
    EXPECT_EQ(Layout(3, 0.012345L), std::make_pair(0, 4));
    EXPECT_EQ(Layout(3, 0.5L), std::make_pair(0, 1));
    EXPECT_EQ(Layout(3, 0), std::make_pair(0, 1));
    EXPECT_EQ(Layout(3, 1234.5L), std::make_pair(4, 0));
    EXPECT_EQ(Layout(3, 100), std::make_pair(3, 0));
    EXPECT_EQ(Layout(3, -12.345L), std::make_pair(2, 1));
    EXPECT_EQ(Layout(4, 1.2345L), std::make_pair(1, 3));
    // Step 6 looks at one digit more than it shows: 9.999 keeps two decimals
    // (and is written 10.00), 9.9996 none.
    EXPECT_EQ(Layout(3, 9.999L), std::make_pair(1, 2));
    EXPECT_EQ(Layout(3, 9.9996L), std::make_pair(1, 0));
    EXPECT_EQ(Layout(3, 1000), std::make_pair(4, 0));
    EXPECT_EQ(Layout(3, 0.001L), std::make_pair(0, 3));
}

TEST_F(NumFmtTest, CalcFloatFormatNeverHangs) {
    EXPECT_EQ(Layout(3, 1E300L), std::make_pair(301, 0));
    EXPECT_EQ(Layout(3, 1E-300L), std::make_pair(0, 300));
    EXPECT_EQ(Layout(3, kNaN), std::make_pair(3, 0));
    EXPECT_EQ(Layout(3, -kInf), std::make_pair(3, 0));
    Layout(0, 0.5L);  // the original's endless m = 0 loop
    Layout(-5, 0.5L);
    Layout(INT_MIN, 12.5L);
    Layout(INT_MAX, 12.5L);
    Layout(INT_MAX, 1E-4950L);
}

TEST_F(NumFmtTest, FloatToStr3Examples) {
    EXPECT_EQ(FloatToStr3(12.345L), "12.3");
    EXPECT_EQ(FloatToStr3(0.012345L), "0.0123");
    EXPECT_EQ(FloatToStr3(1.0L), "1");
    EXPECT_EQ(FloatToStr3(123456), "123456");
    EXPECT_EQ(FloatToStr3(3E-6L), "0");
    EXPECT_EQ(FloatToStr3(0.0000099L), "0");
    EXPECT_EQ(FloatToStr3(-0.5L), "-0.5");
    EXPECT_EQ(FloatToStr3(100), "100");
    EXPECT_EQ(FloatToStr3(2.675L), "2.68");  // decimal text is half-way: away from zero
    EXPECT_EQ(FloatToStr3(9.9996L), "10");
    EXPECT_EQ(FloatToStr3(9.999L), "10.00");
    std::string s;
    FloatToStr3(s, 47.11L);
    EXPECT_EQ(s, "47.1");
}

TEST_F(NumFmtTest, OptionsShiftDecimalsAndSeparator) {
    PrecisionOption = 5;
    EXPECT_EQ(FloatToStr3(12.345L), "12.345");
    EXPECT_EQ(FloatToStr3(12.3456L), "12.346");
    PrecisionOption = 1;
    EXPECT_EQ(FloatToStr3(12.345L), "12");  // 1 + 1 - 3 cut to 0
    PrecisionOption = 100;
    EXPECT_EQ(FloatToStrFixed(1, 2, 0.5L), "0.5000000000");  // cut to 10
    PrecisionOption = 3;
    DecimalCommaOption = 2;
    EXPECT_EQ(FloatToStr3(2.5L), "2,5");
}

TEST_F(NumFmtTest, FixedPointPaddingAndHalfWay) {
    EXPECT_EQ(FloatToStrFixed(5, 2, 3.14159L), "    3.14");
    EXPECT_EQ(FloatToStrFixed(3, 0, 7), "  7");
    EXPECT_EQ(FloatToStrFixed(0, 0, 12345), "12345");
    EXPECT_EQ(FloatToStrFixed(0, 3, 5E-9L), "0.000");  // below 1E-8 is 0
    // Half-way on the decimal text rounds away from zero.
    EXPECT_EQ(FloatToStrFixed(0, 2, 0.125L), "0.13");
    EXPECT_EQ(FloatToStrFixed(0, 0, 2.5L), "3");
    EXPECT_EQ(FloatToStrFixed(0, 0, -2.5L), "-3");
    EXPECT_EQ(FloatToStrFixed(0, 0, 0.5L), "1");
    EXPECT_EQ(FloatToStrFixed(0, 2, 0.285L), "0.29");
    EXPECT_EQ(FloatToStrFixed(0, 2, 1.005L), "1.01");
    EXPECT_EQ(FloatToStrFixed(0, 2, static_cast<Extended>(1.005)), "1.00");  // binary < 1.005
    EXPECT_EQ(FloatToStrFixed(0, 1, 0.04L), "0.0");                          // no "-0.0"
    EXPECT_EQ(FloatToStrFixed(0, 1, -0.04L), "0.0");
    EXPECT_EQ(FloatToStrFixed(0, 1, 99.96L), "100.0");
    EXPECT_EQ(FloatToStrFixed(0, 0, 1E20L), "100000000000000000000");
}

TEST_F(NumFmtTest, HugeTinyAndNonFiniteValues) {
    const std::string big = FloatToStr3(1E300L);
    EXPECT_EQ(big, "1" + std::string(300, '0'));
    EXPECT_EQ(FloatToStr3(1E4000L).size(), 4001u);
    EXPECT_EQ(FloatToStr3(kNaN), "NAN");
    EXPECT_EQ(FloatToStr3(kInf), "INF");
    EXPECT_EQ(FloatToStr3(-kInf), "-INF");
    EXPECT_EQ(FloatToStrAuto(kNaN), "NAN");
    EXPECT_EQ(FloatToStrExp3(-kInf), "-INF");
    EXPECT_EQ(FloatToStrFixed(2, 1, kNaN), " NAN");
    EXPECT_EQ(FloatToStrFixed(0, INT_MAX, 1).size(), 2u + kMaxFixedDecimals);
    EXPECT_EQ(FloatToStrFixed(0, INT_MIN, 1.5L), "2");
    EXPECT_LE(FloatToStrFixed(INT_MAX, INT_MAX, 1).size(), kMaxFixedDecimals + 2u);
    EXPECT_EQ(FloatToStrFixed(INT_MIN, 0, 1), "1");
    PrecisionOption = INT_MAX;
    EXPECT_EQ(FloatToStrFixed(0, INT_MAX, 1), "1.0000000000");
    PrecisionOption = 3;
    EXPECT_EQ(FloatToStrDigits(INT_MIN, 1.5L), "1.5");
    EXPECT_EQ(FloatToStrDigits(INT_MAX, 1.5L), "2");
    EXPECT_EQ(FloatToStrExp3(1E-4900L), "0.1E-4899");
    EXPECT_EQ(FloatToStrExp3(1E-4950L), "1.09E-4950");  // a subnormal: 3 * 3.6E-4951
    EXPECT_EQ(FloatToStrExp3(-1E4932L), "-1E4932");
}

TEST_F(NumFmtTest, EngineeringAndAutoForms) {
    EXPECT_EQ(FloatToStrExp3(47000), "47E3");
    EXPECT_EQ(FloatToStrExp3(470000), "470E3");
    EXPECT_EQ(FloatToStrExp3(4.7E6L), "4.7E6");
    EXPECT_EQ(FloatToStrExp3(4.7E-6L), "4.7E-6");
    EXPECT_EQ(FloatToStrExp3(4.7E-7L), "0.47E-6");
    EXPECT_EQ(FloatToStrExp3(-4.7E-3L), "-4.7E-3");
    EXPECT_EQ(FloatToStrExp3(1234), "1234");  // e = 3: no exponent, all integer digits
    EXPECT_EQ(FloatToStrExp3(0.0123L), "0.0123");
    EXPECT_EQ(FloatToStrAuto(0), "0");
    EXPECT_EQ(FloatToStrAuto(1E-13L), "0");
    EXPECT_EQ(FloatToStrAuto(25000), "25E3");
    EXPECT_EQ(FloatToStrAuto(9999), "9999");
    EXPECT_EQ(FloatToStrAuto(3E-6L), "3E-6");
}

TEST_F(NumFmtTest, DigitsSigAndIntegers) {
    EXPECT_EQ(FloatToStrDigits(-1, 12.345L), "12.35");
    EXPECT_EQ(FloatToStrDigits(1, 12.345L), "12");
    EXPECT_EQ(FloatToStrDigits(2, 0.123L), "0.1");
    EXPECT_EQ(FloatToStrSig(3, 12.345L), "12.345");
    EXPECT_EQ(FloatToStrSig(0, 0), "0");
    EXPECT_EQ(IntToStrL(-42), "-42");
    EXPECT_EQ(IntToStrZeroPad(7, 2), "07");
    EXPECT_EQ(IntToStrZeroPad(123, 2), "123");
    EXPECT_EQ(IntToStrZeroPad(-7, 4), "00-7");
    EXPECT_EQ(IntToStrPad(7, 3), "  7");
    EXPECT_EQ(IntToStrPad(INT_MIN, INT_MAX).size(), static_cast<size_t>(kMaxFieldWidth));
}

TEST_F(NumFmtTest, Tolerances) {
    EXPECT_EQ(ToleranceToStr(0.1L, -0.1L), " ± 0.1"_oem);
    EXPECT_EQ(ToleranceToStr(0.2L, 0), "+0.2");
    EXPECT_EQ(ToleranceToStr(0, -0.1L), "-0.1");
    EXPECT_EQ(ToleranceToStr(0, 0), "");
    EXPECT_EQ(ToleranceToStr(0.2L, -0.1L), "+0.2/-0.1");
    EXPECT_EQ(FloatToStrPlus(0), "");
    EXPECT_EQ(FloatToStrPlus(1.25L), "+1.3");
    EXPECT_EQ(SymToleranceToStr(0.05L, -0.05L), "±0.05"_oem);
    EXPECT_EQ(SymToleranceToStr(0.05L, 0), "      ");
    EXPECT_EQ(SymToleranceToStr(0, 0), "      ");
    EXPECT_EQ(SymToleranceToStrOrEmpty(0, 0), "");
    CharSetOption = 1;
    EXPECT_EQ(ToleranceToStr(0.1L, -0.1L), "+/-0.1");
    CharSetOption = 0;
    UnitSystem = 1;
    EXPECT_EQ(LengthToStrPlus(2.54L), "+0.1");
    EXPECT_EQ(LengthToleranceToStr(25.4L, -25.4L), " ± 1"_oem);
    EXPECT_EQ(ForceToleranceToStr(4.44822L, 0), "+1");
}

TEST_F(NumFmtTest, ParsingTexts) {
    EXPECT_EQ(StrToFloatDef0("2,5"), 2.5L);
    EXPECT_EQ(StrToFloatDef0("1,2,3"), 0);
    EXPECT_EQ(StrToFloatDef0("abc"), 0);
    EXPECT_EQ(StrToFloatDef0("  -1.5E2"), -150);
    EXPECT_EQ(StrToFloatDef0("+.5"), 0.5L);
    EXPECT_EQ(StrToFloatDef0("2.5 "), 0);  // something left over
    EXPECT_EQ(StrToFloatDef0(""), 0);
    EXPECT_EQ(StrToFloatDef0("inf"), 0);
    EXPECT_EQ(StrToFloatDef0("nan"), 0);
    EXPECT_EQ(StrToFloatDef0("1E5000"), 0);
    EXPECT_EQ(StrToFloatDef0("1E"), 0);
    EXPECT_EQ(StrToFloatComma("0,1"), 0.1L);
    EXPECT_EQ(StrToIntDef0(" 42"), 42);
    EXPECT_EQ(StrToIntDef0("-2147483648"), INT_MIN);
    EXPECT_EQ(StrToIntDef0("2147483648"), 0);
    EXPECT_EQ(StrToIntDef0("12a"), 0);
    EXPECT_EQ(StrToIntDef0("$FF"), 255);
    EXPECT_EQ(StrToIntOrZero("99999999999999999999999"), 0);
    EXPECT_EQ(StrToIntOrZero("-"), 0);
    EXPECT_EQ(PointToComma("1.5.6"), "1,5,6");
    EXPECT_EQ(CommaToPoint("1,5"), "1.5");
    EXPECT_EQ(PointToComma(std::string(300, '.')).size(), 255u);
    EXPECT_EQ(LocalDecimalSep("1.5"), "1,5");
    DecimalSepOption = 1;
    EXPECT_EQ(LocalDecimalSep("1,5"), "1.5");
}

TEST_F(NumFmtTest, ImperialQuantities) {
    UnitSystem = 1;
    EXPECT_EQ(LengthToStr(25.4L), "1.0000");
    EXPECT_EQ(StrToLength("1"), 25.4L);
    EXPECT_EQ(StrToTemperature("212"), 100);
    EXPECT_EQ(TemperatureToStr(100), "212");
    EXPECT_EQ(ForceToStr(4.44822L), "1");
    EXPECT_EQ(StressToStr(1), "145");
    EXPECT_EQ(LengthToStrFixed(3, 1, 25.4L), " 1.00");  // width 2, 2 decimals
    EXPECT_EQ(StressToStrFixed(3, 3, 1), "  145.0");    // width 5, 1 decimal
    EXPECT_NEAR(static_cast<double>(LengthToCurrentUnits(25.4L)), 1.0, 1e-15);
    EXPECT_EQ(LengthUnitName(), "in");
    EXPECT_EQ(TemperatureUnitName(), "°F"_oem);
    UnitSystem = 0;
    EXPECT_EQ(LengthToStr(25.4L), "25.4");
    EXPECT_EQ(StrToLength("1"), 1);
    EXPECT_EQ(LengthToStrFixed(3, 1, 25.4L), " 25.4");
    EXPECT_EQ(StressUnitName(), "MPa");
    EXPECT_EQ(TemperatureUnitName(), "°C"_oem);
}

TEST_F(NumFmtTest, UnitLabelsAreCodePage850) {
    EXPECT_EQ(DegreeUnitName(), "\xF8");
    EXPECT_EQ(DensityUnitName(), "kg/dm\xFC");
    EXPECT_EQ(PlusMinusSign(), " \xF1 ");
    CharSetOption = 1;
    EXPECT_EQ(DegreeUnitName(), "deg");
    EXPECT_EQ(DensityUnitName(), "kg/dm3");
    EXPECT_EQ(TemperatureUnitName(), " C");
    EXPECT_EQ(PlusMinusSign(), "+/-");
}

}  // namespace
}  // namespace kor2
