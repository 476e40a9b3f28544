// Statistical scrap estimate and the dynamic check with an attached mass.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <vector>

#include "common/globals.h"
#include "spring/check.h"
#include "spring/design.h"
#include "spring/dynamic.h"
#include "spring/examplespring.h"
#include "spring/springdata.h"
#include "spring/tolerances.h"

namespace kor2 {
namespace {

class DynamicTest : public ::testing::Test {
protected:
    void SetUp() override { test::SetUpExampleSpring(); }
};

TEST_F(DynamicTest, GaussPercentOfBothTails) {
    // 200 * Phi(-2.6) = 0.9322; 200 * Phi(-1) = 31.73.
    EXPECT_NEAR(GaussPercent(2.6L), 0.9322L, 0.005L);
    EXPECT_NEAR(GaussPercent(1), 31.73L, 0.05L);
    EXPECT_NEAR(GaussPercent(0), 100, 0.05L);
    // From 8 on only the first step of the sum is taken.
    const Extended t = -7.999L;
    const Extended firstStep =
        200 / std::sqrt(2 * 3.14159265358979323846L) * std::exp(-t * t / 2) / 2 * 0.001L;
    EXPECT_NEAR(GaussPercent(8), firstStep, firstStep * 1e-9L);
    EXPECT_NEAR(GaussPercent(100), firstStep, firstStep * 1e-9L);
    // Far below the mean the sum ends at +8 with the whole area.
    EXPECT_NEAR(GaussPercent(-1e30L), 200, 0.01L);
    EXPECT_TRUE(std::isfinite(GaussPercent(NAN)));
}

// The sum step by step, as the estimate first formed it: the reference that
// the table look-up must reproduce bit for bit. An x within a relative 1e-12
// of a step (a step in exact arithmetic on the numbers it was formed from)
// stops at that step.
Extended GaussPercentStepByStep(Extended x) {
    const Extended scale = 200 / std::sqrt(2 * 3.14159265358979323846L);
    Extended yPrev = 0, sum = 0;
    for (long i = 1; i <= 16000; ++i) {
        const Extended t = (-8000 + i) / Extended{1000};
        const Extended y = scale * std::exp(-t * t / 2);
        sum += (y + yPrev) / 2 * 0.001L;
        yPrev = y;
        if (t >= -x) break;
        if (std::isfinite(x) && std::fabs(t + x) <= 1e-12L * std::max(std::fabs(t), std::fabs(x)))
            break;
    }
    return sum;
}

void ExpectSameBits(Extended got, Extended want, Extended x) {
    EXPECT_TRUE(got == want || (std::isnan(got) && std::isnan(want)))
        << "x = " << static_cast<double>(x) << ": " << static_cast<double>(got) << " against "
        << static_cast<double>(want);
}

TEST_F(DynamicTest, GaussPercentIsTheStepByStepSumBitForBit) {
    std::vector<Extended> xs = {0,      -0.0L, 8,        -8,        7.9995L, 100, -100, 1e30L,
                                -1e30L, NAN,   INFINITY, -INFINITY, 2.6L,    3,   1.96L};
    // Every step limit of the grid, one unit in the last place on each side (on
    // the step within rounding), and a millionth of a step on each side.
    for (long i = -8000; i <= 8000; i += 151) {
        const Extended t = i / Extended{1000};
        xs.insert(xs.end(), {t, std::nextafter(t, Extended{-10}), std::nextafter(t, Extended{10}),
                             t - 1e-9L, t + 1e-9L});
    }
    std::mt19937_64 rng(20261207);
    std::uniform_real_distribution<double> spread(-9, 9);
    for (int k = 0; k < 300; ++k) xs.push_back(static_cast<Extended>(spread(rng)) / 3);
    for (const Extended x : xs) ExpectSameBits(GaussPercent(x), GaussPercentStepByStep(x), x);
}

// The estimate inside the full check, on springs of many sizes, grades and
// tolerances: the same bits as the step-by-step sum gives for its arguments.
TEST_F(DynamicTest, StatisticsOfManySpringsAreTheStepByStepResults) {
    std::mt19937_64 rng(7);
    auto pick = [&](double lo, double hi) {
        return static_cast<Extended>(std::uniform_real_distribution<double>(lo, hi)(rng));
    };
    int checked = 0;
    for (int k = 0; k < 150; ++k) {
        test::SetUpExampleSpring();
        WireDiameter = pick(0.3, 4);
        OuterDiameter = WireDiameter * pick(5, 14);
        ForceF1 = pick(1, 50);
        ForceF2 = ForceF1 + pick(1, 80);
        Stroke = pick(2, 40);
        StatisticsFlag = 'J';
        StatisticsGrade = static_cast<uint16_t>(1 + rng() % 4);
        StatisticsSigma = pick(0.5, 4);
        TolGradeDm = TolGradeF12 = static_cast<uint16_t>(1 + rng() % 3);
        CheckSpring();
        if (CalcErrorFlag) continue;
        ++checked;
        const Extended sigma = StatisticsSigma;
        ExpectSameBits(StatisticsResults[7], GaussPercentStepByStep(sigma), sigma);
        const struct {
            int result, spread;
            Extended plus, minus;
        } parts[] = {{3, 6, TolDmPlus, TolDmMinus},
                     {1, 4, TolF1Plus, TolF1Minus},
                     {2, 5, TolF2Plus, TolF2Minus}};
        for (const auto& p : parts) {
            ASSERT_NE(StatisticsResults[p.spread], 0);
            const Extended x = (p.plus - p.minus) * sigma * 0.5L / StatisticsResults[p.spread];
            ExpectSameBits(StatisticsResults[p.result], GaussPercentStepByStep(x), x);
        }
    }
    EXPECT_GT(checked, 100);
}

// Drawing grade 1 against statistics grade 2 makes the argument of both forces
// 0.63 * 2.6 = 1.638, a step of the sum, whatever AF and kF the typed spring
// gives; the coil diameter, grade 2 on both sides, gives 2.6.
TEST_F(DynamicTest, ArgumentOnAStepOfTheSumStopsAtThatStep) {
    WireDiameter = 1.09L;
    MeanDiameter = 12.94L;
    DiameterInputMode = 3;
    ForceF1 = 5.54L;
    ForceF2 = 18.77L;
    TolGradeF12 = 1;
    StatisticsFlag = 'J';
    StatisticsGrade = 2;
    StatisticsSigma = 2.6L;
    CheckSpring();
    ASSERT_FALSE(CalcErrorFlag);
    EXPECT_NEAR(GaussPercent(1.638L), 10.142172L, 5e-7L);
    EXPECT_EQ(StatisticsResults[1], GaussPercent(1.638L));
    EXPECT_EQ(StatisticsResults[2], GaussPercent(1.638L));
    EXPECT_EQ(StatisticsResults[3], GaussPercent(2.6L));
}

// A spring file whose L2 equals its stroke has L1 = L2 - sh = 0; recalculated
// from its lengths, L0 + s1 is 0 in exact arithmetic, so the fourth method's
// F1 tolerance is 0: as a drawing tolerance its argument is 0 (all springs
// within, as for a true 0), as the spread it leaves result 1 as it was. A
// length of a thousandth of a millimetre is a length again.
TEST_F(DynamicTest, ForceToleranceOfZeroLengthIsZeroInTheEstimate) {
    constexpr Extended kUnchanged = 11;
    const struct {
        Extended L2, L1;
        uint16_t drawingGrade, statisticsGrade;
    } cases[] = {
        {11, 0, 4, 2},           {11, 0, 4, 4},          {11, 0, 2, 4},    {7.3L, 0, 4, 2},
        {7.3L, 0, 4, 4},         {7.3L, 0, 2, 4},        {23.7L, 0, 4, 2}, {23.7L, 0, 4, 4},
        {11.001L, 0.001L, 4, 4}, {7.301L, 0.001L, 4, 2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message()
                     << "L2 " << static_cast<double>(c.L2) << ", L1 " << static_cast<double>(c.L1)
                     << ", grades " << c.drawingGrade << '/' << c.statisticsGrade);
        test::SetUpExampleSpring();
        CheckSpring();
        LengthL2 = c.L2;
        Stroke = c.L2 - c.L1;
        LengthL1 = LengthL2 - Stroke;  // as the spring file reader sets it
        TolGradeF12 = c.drawingGrade;
        StatisticsFlag = 'J';
        StatisticsGrade = c.statisticsGrade;
        StatisticsSigma = 3;
        StatisticsResults[1] = kUnchanged;
        RecalcFromLengths();
        ASSERT_FALSE(CalcErrorFlag);
        const bool zeroLength = c.L1 == 0;
        if (c.drawingGrade == 4) {
            EXPECT_EQ(TolF1Plus == 0, zeroLength);
        }
        if (c.statisticsGrade == 4) {
            EXPECT_EQ(StatisticsResults[4] == 0, zeroLength);
            // Drawing tolerance and spread alike: the argument is sigma.
            EXPECT_EQ(StatisticsResults[1],
                      zeroLength ? kUnchanged : GaussPercent(StatisticsSigma));
        } else {
            EXPECT_EQ(StatisticsResults[1], GaussPercent(0));
        }
    }
}

TEST_F(DynamicTest, StatisticsOffLeavesResults) {
    StatisticsResults = {0, 1, 2, 3, 4, 5, 6, 7};
    CheckSpring();
    for (int i = 1; i <= 7; ++i) EXPECT_EQ(StatisticsResults[i], i);
}

TEST_F(DynamicTest, DrawingToleranceEqualToSpreadGivesSigmaTails) {
    StatisticsFlag = 'J';
    StatisticsGrade = 2;  // the drawing grade, so tolerance = spread
    CheckSpring();
    ASSERT_FALSE(CalcErrorFlag);
    const Extended tails = GaussPercent(2.6L);
    EXPECT_NEAR(StatisticsResults[7], tails, 1e-15L);
    EXPECT_NEAR(StatisticsResults[4], TolF1Plus, 1e-12L);
    EXPECT_NEAR(StatisticsResults[5], TolF2Plus, 1e-12L);
    EXPECT_NEAR(StatisticsResults[6], TolDmPlus, 1e-12L);
    EXPECT_NEAR(StatisticsResults[1], tails, 0.01L);
    EXPECT_NEAR(StatisticsResults[2], tails, 0.01L);
    EXPECT_NEAR(StatisticsResults[3], tails, 0.01L);
    EXPECT_NEAR(tails, 0.93L, 0.01L);
}

TEST_F(DynamicTest, ZeroSpreadLeavesItsResult) {
    StatisticsFlag = 'J';
    StatisticsGrade = 5;  // no force tolerance for a typed grade
    StatisticsResults[1] = 11;
    StatisticsResults[2] = 12;
    CheckSpring();
    EXPECT_EQ(StatisticsResults[4], 0);
    EXPECT_EQ(StatisticsResults[1], 11);
    EXPECT_EQ(StatisticsResults[2], 12);
}

TEST_F(DynamicTest, NoMessageWithoutAttachedMass) {
    // Spring alone: about 89 Hz with a third of its mass moving.
    DynamicCheck(10, 20, 10.0L / 11, 8.6385245880742281L, 89.4L);
    EXPECT_EQ(ErrorList.count, 0);
    EXPECT_NEAR(DynamicRecord.Frequency, 89.426169720384687L, 1e-9L);
    EXPECT_GT(std::fabs(DynamicRecord.Magnification), 100);
}

TEST_F(DynamicTest, AttachedMassAndFrequency) {
    DynamicRecord.AttachedMass = 0.5L;  // kg
    DynamicCheck(10, 20, 2, 30, 0);
    EXPECT_EQ(DynamicRecord.Magnification, 1);
    EXPECT_EQ(DynamicRecord.AmplitudeIncreasePercent, 0);
    EXPECT_NEAR(DynamicRecord.AmplitudeIncrease, 0, 1e-15L);
    EXPECT_EQ(ErrorList.count, 0);
    // omega = sqrt(2000 / (0.01 + 0.5)) = 62.62 1/s, about 9.97 Hz.
    const Extended omega = std::sqrt(2000 / 0.51L);
    EXPECT_NEAR(DynamicRecord.OmegaNatural, omega, 1e-12L);
    DynamicCheck(10, 20, 2, 30, 3);  // ratio 0.301: magnification 1.0996
    EXPECT_NEAR(DynamicRecord.AmplitudeIncreasePercent,
                (1 / (1 - std::pow(6 * 3.14159265358979323846L / omega, 2)) - 1) * 100, 1e-9L);
    EXPECT_EQ(ErrorList.count, 0);
    DynamicCheck(10, 20, 2, 30, 3.2L);  // ratio 0.321: above 10 per cent
    EXPECT_EQ(ErrorList.slots[1].str(), "Fehler : Resonance");
    ClearErrorList();
    DynamicCheck(10, 20, 2, 30, 20);  // above resonance
    EXPECT_LT(DynamicRecord.Magnification, 0);
    EXPECT_EQ(ErrorList.slots[1].str(), "Fehler : Resonance");
}

TEST_F(DynamicTest, ZeroRateLeavesRecordAndNoMovingMassClearsIt) {
    DynamicRecord.Magnification = 3;
    DynamicCheck(10, 20, 0, 30, 1);
    EXPECT_EQ(DynamicRecord.Magnification, 3);
    // No moving mass: no natural frequency, nothing divided by zero.
    DynamicCheck(10, 20, 2, 0, 1);
    EXPECT_EQ(DynamicRecord.OmegaNatural, 0);
    EXPECT_EQ(DynamicRecord.Magnification, 0);
    EXPECT_EQ(ErrorList.count, 0);
}

TEST_F(DynamicTest, ExactResonanceStaysFinite) {
    DynamicRecord.AttachedMass = 0.5L;
    const Extended omega = std::sqrt(2000 / 0.5L);  // massless spring: 63.25 1/s
    DynamicCheck(10, 20, 2, 0, omega / (2 * 3.14159265358979323846L));
    EXPECT_TRUE(std::isfinite(DynamicRecord.Magnification));
    EXPECT_TRUE(std::isfinite(DynamicRecord.Amplitude));
    EXPECT_EQ(ErrorList.slots[1].str(), "Fehler : Resonance");
}

}  // namespace
}  // namespace kor2
