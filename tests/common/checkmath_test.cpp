// Tests of checked math and unit conversion.
#include "common/checkmath.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <limits>

#include "common/globals.h"

namespace kor2 {
namespace {

constexpr Extended kInf = std::numeric_limits<Extended>::infinity();
const Extended kNaN = std::numeric_limits<Extended>::quiet_NaN();

class CheckMathTest : public ::testing::Test {
protected:
    void SetUp() override { InitProgramVariables(); }
};

TEST_F(CheckMathTest, TanNearHalfPiIsLargeAndSilent) {
    const Extended t = TanChecked(kPi / 2);
    EXPECT_TRUE(std::isfinite(t));
    EXPECT_GT(std::fabs(t), 1E15L);
    EXPECT_EQ(ErrorList.count, 0);
    EXPECT_NEAR(static_cast<double>(TanChecked(kPi / 4)), 1.0, 1e-15);
}

TEST_F(CheckMathTest, ArcSinOutsideRange) {
    EXPECT_EQ(ArcSinChecked(1.0000001L), kPi / 2);
    ASSERT_EQ(ErrorList.count, 1);
    EXPECT_EQ(ErrorList.slots[1].str(), "Error: ArcSin in unit math");
    EXPECT_EQ(ArcSinChecked(-3), kPi / 2);  // also pi/2 below -1
    EXPECT_EQ(ErrorList.count, 1);          // stored once
    ClearErrorList();
    EXPECT_EQ(ArcSinChecked(-1), -kPi / 2);
    EXPECT_EQ(ArcSinChecked(1), kPi / 2);
    EXPECT_EQ(ErrorList.count, 0);
    EXPECT_NEAR(static_cast<double>(ArcSinChecked(0.5L)), std::asin(0.5), 1e-15);
}

TEST_F(CheckMathTest, PowerCheckedCases) {
    EXPECT_EQ(PowerChecked(0, -1, "x"), 0);
    EXPECT_EQ(ErrorList.count, 0);
    EXPECT_NEAR(static_cast<double>(PowerChecked(-8, 1.0L / 3, "Federrate")), 2.0, 1e-15);
    ASSERT_EQ(ErrorList.count, 1);
    EXPECT_EQ(ErrorList.slots[1].str(), "Federrate (pow)");
    PowerChecked(-8, 2, "");  // no name: nothing recorded
    EXPECT_EQ(ErrorList.count, 1);
    EXPECT_EQ(PowerChecked(10, 4000, ""), 1E3000L);
    EXPECT_EQ(PowerChecked(10, -4000, ""), 0);
    EXPECT_NEAR(static_cast<double>(PowerChecked(2, 10, "")), 1024.0, 1e-12);
    EXPECT_EQ(PowerChecked(kInf, 2, ""), 1E3000L);
}

TEST_F(CheckMathTest, Log10AndExponents) {
    EXPECT_EQ(Log10Checked(0), -1E30L);
    EXPECT_EQ(Log10Checked(-5), -1E30L);
    EXPECT_NEAR(static_cast<double>(Log10Checked(1000)), 3.0, 1e-15);
    EXPECT_EQ(ErrorList.count, 0);
    EXPECT_EQ(DecimalExponent(0), 0);
    EXPECT_EQ(DecimalExponent(1000), 3);
    EXPECT_EQ(DecimalExponent(999.9L), 2);
    EXPECT_EQ(DecimalExponent(0.001L), -3);
    EXPECT_EQ(DecimalExponent(-12.345L), 1);
    EXPECT_EQ(DecimalExponent(4.7E-7L), -7);
    EXPECT_EQ(DecimalExponent(1E300L), 300);
    EXPECT_EQ(DecimalExponent(1E-4000L), -4000);
    // Powers of ten across the whole range keep their decade.
    for (int e = -4900; e <= 4900; e += 7) EXPECT_EQ(DecimalExponent(Exp10(e)), e) << e;
    EXPECT_EQ(DecimalExponent(kNaN), 0);
    EXPECT_EQ(DecimalExponent(kInf), kMaxDecimalExponent);
    EXPECT_EQ(DecimalExponent(-kInf), kMaxDecimalExponent);
    EXPECT_EQ(Exp10(3), 1000);
}

TEST_F(CheckMathTest, FloorAndRound) {
    EXPECT_EQ(FloorExt(-0.5L), -1);
    EXPECT_EQ(FloorExt(-2), -3);
    EXPECT_EQ(FloorExt(2.7L), 2);
    EXPECT_EQ(FloorExt(0), 0);
    EXPECT_EQ(RoundToInt32(2.5L), 2);  // ties to even, like the original's Round
    EXPECT_EQ(RoundToInt32(3.5L), 4);
    EXPECT_EQ(RoundToInt32(-2.6L), -3);
    EXPECT_EQ(RoundToInt32(1E4000L), INT32_MAX);
    EXPECT_EQ(RoundToInt32(-1E20L), INT32_MIN);
    EXPECT_EQ(RoundToInt32(kNaN), 0);
    EXPECT_EQ(RoundToInt32(-kInf), INT32_MIN);
}

TEST_F(CheckMathTest, IntPower) {
    EXPECT_EQ(IntPowerExt(2, 10), 1024);
    EXPECT_EQ(IntPowerExt(2, -2), 0.25L);
    EXPECT_EQ(IntPowerExt(-3, 3), -27);
    EXPECT_EQ(IntPowerExt(7, 0), 1);
    EXPECT_EQ(IntPowerExt(1, INT32_MIN), 1);
    EXPECT_EQ(IntPowerExt(2, INT32_MIN), 0);  // 1 / inf, and quickly
    EXPECT_EQ(IntPowerExt(2, INT32_MAX), kInf);
    EXPECT_EQ(IntPowerExt(0, -1), kInf);
}

TEST_F(CheckMathTest, Bits) {
    int32_t v = 0;
    SetBit(v, 1, true);
    SetBit(v, 32, true);
    EXPECT_EQ(static_cast<uint32_t>(v), 0x80000001u);
    EXPECT_TRUE(GetBit(v, 1));
    EXPECT_FALSE(GetBit(v, 2));
    EXPECT_TRUE(GetBit(v, 32));
    SetBit(v, 1, false);
    EXPECT_EQ(static_cast<uint32_t>(v), 0x80000000u);
    SetBit(v, 0, true);
    SetBit(v, 33, true);
    EXPECT_EQ(static_cast<uint32_t>(v), 0x80000000u);
    EXPECT_FALSE(GetBit(-1, 0));
    EXPECT_FALSE(GetBit(-1, 40));
}

TEST_F(CheckMathTest, Angles) {
    EXPECT_EQ(ArcTan2Ext(0, 1), kPi / 2);
    EXPECT_EQ(ArcTan2Ext(0, 0), kPi / 2);
    EXPECT_EQ(ArcTan2Ext(0, -1), -kPi / 2);
    EXPECT_NEAR(static_cast<double>(ArcTan2Ext(-1, 0)), M_PI, 1e-15);
    EXPECT_NEAR(static_cast<double>(ArcTan2Ext(-1, -1)), 5 * M_PI / 4, 1e-15);
    EXPECT_NEAR(static_cast<double>(ArcTan2XY(-1, -1)), 5 * M_PI / 4, 1e-15);
    EXPECT_NEAR(static_cast<double>(RadToDeg(kPi)), 180.0, 1e-13);
    EXPECT_NEAR(static_cast<double>(DegToRad(90)), M_PI / 2, 1e-15);
    EXPECT_NEAR(static_cast<double>(AngleDiffDeg(350, 10)), 20.0, 1e-12);
    EXPECT_NEAR(static_cast<double>(AngleDiffDeg(10, 350)), 340.0, 1e-12);
    Extended x, y;
    RotatePoint(1, 0, kPi / 2, x, y);
    EXPECT_NEAR(static_cast<double>(x), 0.0, 1e-15);
    EXPECT_NEAR(static_cast<double>(y), 1.0, 1e-15);
    RotatePointDeg(10, 20, 90, 1, 0, x, y);
    EXPECT_NEAR(static_cast<double>(x), 10.0, 1e-15);
    EXPECT_NEAR(static_cast<double>(y), 21.0, 1e-15);
    RotateScaledPointDeg(0, 0, 180, 1, 1, 2, 3, x, y);
    EXPECT_NEAR(static_cast<double>(x), -2.0, 1e-15);
    EXPECT_NEAR(static_cast<double>(y), -3.0, 1e-15);
}

TEST_F(CheckMathTest, MinMaxLimitInterpolate) {
    EXPECT_EQ(LimitInt(0, 10, 12), 10);
    EXPECT_EQ(LimitInt(0, 10, -3), 0);
    EXPECT_EQ(LimitInt(10, 0, 5), 0);  // lower > upper gives upper
    EXPECT_TRUE(SameValueExt(1, 1 + 0.5E-5L));
    EXPECT_FALSE(SameValueExt(0, 1E-5L));
    EXPECT_EQ(MaxExt(1, 2), 2);
    EXPECT_EQ(MinInt(-1, 2), -1);
    Extended a = 1, b = 2;
    SwapExt(a, b);
    EXPECT_EQ(a, 2);
    EXPECT_EQ(b, 1);
    EXPECT_EQ(LinInterpolate(0, 0, 10, 100, 2.5L), 25);
    EXPECT_EQ(LinInterpolate(1, 5, 1, 5, 7), 5);
    EXPECT_EQ(LinInterpolate(1, 5, 1, 6, 7), 0);
}

TEST_F(CheckMathTest, AxisScale) {
    Extended lo, hi, step;
    CalcAxisScale(0, 100, 6, lo, hi, step);
    EXPECT_EQ(step, 20);
    EXPECT_EQ(lo, 0);
    EXPECT_EQ(hi, 100);
    CalcAxisScale(5, 5, 6, lo, hi, step);  // widened to 4 .. 6
    EXPECT_NEAR(static_cast<double>(step), 0.5, 1e-15);
    EXPECT_NEAR(static_cast<double>(lo), 4.0, 1e-15);
    EXPECT_NEAR(static_cast<double>(hi), 6.0, 1e-15);
    CalcAxisScale(-37, 1234, 12, lo, hi, step);
    EXPECT_EQ(step, 100);
    EXPECT_EQ(lo, -100);
    EXPECT_EQ(hi, 1300);
    CalcAxisScale(0, 1, 0, lo, hi, step);  // no division by zero
    EXPECT_TRUE(std::isfinite(step));
    CalcAxisScale(kNaN, 1, 6, lo, hi, step);  // returns, whatever the value
    CalcAxisScale(-kInf, kInf, 6, lo, hi, step);
}

TEST_F(CheckMathTest, UnitConversions) {
    EXPECT_EQ(InchToMm(1), 25.4L);
    EXPECT_NEAR(static_cast<double>(MmToInch(25.4L)), 1.0, 1e-18);
    EXPECT_NEAR(static_cast<double>(PsiToMPa(MPaToPsi(100))), 100.0, 1e-15);
    EXPECT_NEAR(static_cast<double>(LbfToN(NToLbf(10))), 10.0, 1e-15);
    EXPECT_NEAR(static_cast<double>(NmmToLbfIn(112.9848L)), 1.0, 1e-15);
    EXPECT_EQ(NPerMmToLbfPerIn(1), 5.7101492L);
    EXPECT_EQ(CelsiusToFahrenheit(100), 212);
    EXPECT_EQ(FahrenheitToCelsius(212), 100);
    EXPECT_EQ(FahrenheitToCelsius(-40), -40);
}

TEST_F(CheckMathTest, RoundToReal48KeepsFortyBits) {
    EXPECT_EQ(RoundToReal48(0.5L), 0.5L);
    EXPECT_EQ(RoundToReal48(0), 0);
    const Extended x = 0.1L;
    const Extended r = RoundToReal48(x);
    EXPECT_NE(r, x);
    EXPECT_NEAR(static_cast<double>(r), 0.1, 1e-12);
    EXPECT_EQ(RoundToReal48(r), r);  // stable
    EXPECT_EQ(RoundToReal48(kNaN), 0);
}

}  // namespace
}  // namespace kor2
