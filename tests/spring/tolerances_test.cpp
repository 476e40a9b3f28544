// Tests of the DIN 2097 and fourth-method tolerances: class and column
// boundaries, grade factors, zero coils and absurd inputs.
#include "spring/tolerances.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>
#include <string>

#include "common/globals.h"
#include "tests/spring/errorlisttexts.h"

namespace kor2 {
namespace {

class ToleranceTest : public test::ErrorListFixture {};

constexpr Extended kTol = 1e-12L;

TEST_F(ToleranceTest, CoilDiameterClassesIncludeTheirUpperBound) {
    EXPECT_NEAR(TolTable(2, 3, 0, 0, 1.0L, 5), 0.07L, kTol);
    EXPECT_NEAR(TolTable(2, 3, 0, 0, 1.0001L, 5), 0.08L, kTol);
    EXPECT_NEAR(TolTable(3, 3, 0, 0, 160.01L, 20), 6.6L, kTol);
    // Columns w <= 8, 8 < w <= 14, w > 14.
    EXPECT_NEAR(TolTable(3, 3, 0, 0, 8.8L, 8.0L), 0.5L, kTol);
    EXPECT_NEAR(TolTable(3, 3, 0, 0, 8.8L, 8.0001L), 0.6L, kTol);
    EXPECT_NEAR(TolTable(3, 3, 0, 0, 8.8L, 14.0L), 0.6L, kTol);
    EXPECT_NEAR(TolTable(3, 3, 0, 0, 8.8L, 14.0001L), 0.7L, kTol);
    // Grades 1 to 3 use Dm whatever diameter was entered.
    EXPECT_NEAR(TolTable(1, 1, 500, 500, 8.8L, 5), 0.15L, kTol);
}

TEST_F(ToleranceTest, CoilDiameterToleranceGrowsWithDiameterIndexAndGrade) {
    for (Extended w : {5.0L, 10.0L, 20.0L}) {
        Extended previous = 0;
        for (Extended Dm = 0.5L; Dm < 200; Dm += 0.05L) {
            const Extended t1 = TolTable(1, 3, 0, 0, Dm, w);
            const Extended t2 = TolTable(2, 3, 0, 0, Dm, w);
            const Extended t3 = TolTable(3, 3, 0, 0, Dm, w);
            ASSERT_GE(t1, previous) << Dm;
            ASSERT_GE(t2, t1) << Dm;
            ASSERT_GE(t3, t2) << Dm;
            ASSERT_LE(TolTable(2, 3, 0, 0, Dm, 8), TolTable(2, 3, 0, 0, Dm, 10)) << Dm;
            previous = t1;
        }
    }
}

TEST_F(ToleranceTest, FourthMethodLooksUpTheEnteredDiameter) {
    EXPECT_NEAR(TolTable(4, 1, 50, 1000, 1000, 8), 0.8L, kTol);      // De, column A
    EXPECT_NEAR(TolTable(4, 1, 50, 1000, 1000, 8.01L), 1.2L, kTol);  // De, column B
    EXPECT_NEAR(TolTable(4, 2, 1000, 50, 1000, 10), 0.8L, kTol);     // Di, w > 8: column A
    EXPECT_NEAR(TolTable(4, 2, 1000, 50, 1000, 8), 0.6L, kTol);      // Di, w <= 8: column C
    EXPECT_NEAR(TolTable(4, 3, 1, 1, 50.01L, 8), 1.0L, kTol);        // Dm
    EXPECT_NEAR(TolTable(4, 3, 1, 1, 300.01L, 10), 5.5L, kTol);
    EXPECT_EQ(TolTable(0, 3, 10, 10, 10, 8), 0);
    EXPECT_EQ(TolTable(5, 3, 10, 10, 10, 8), 0);
}

TEST_F(ToleranceTest, FreeLengthClassesFollowTheRoundedLength) {
    // Dm/d = 8 and 10 select the two columns.
    EXPECT_NEAR(FreeLengthTolerance(1, 1, 8, 1, 1, 10, 10.0L), 0.3L, kTol);
    EXPECT_NEAR(FreeLengthTolerance(1, 1, 8, 1, 1, 10, 10.01L), 0.4L, kTol);
    EXPECT_NEAR(FreeLengthTolerance(1, 1, 10, 1, 1, 10, 10.0L), 0.4L, kTol);
    EXPECT_NEAR(FreeLengthTolerance(3, 1, 10, 1, 1, 10, 400.0L), 6.5L, kTol);
    EXPECT_NEAR(FreeLengthTolerance(1, 1, 8, 1, 1, 10, 400.6L), 4.006L, 1e-9L);
    EXPECT_NEAR(FreeLengthTolerance(2, 1, 8, 1, 1, 10, 1000.0L), 15.0L, 1e-9L);
    EXPECT_NEAR(FreeLengthTolerance(3, 1, 8, 1, 1, 10, 1000.0L), 20.0L, 1e-9L);
    EXPECT_NEAR(FreeLengthTolerance(2, 1, 8, 1, 1, 10, 63.0L), 1.1L, kTol);
    EXPECT_NEAR(FreeLengthTolerance(2, 1, 8, 1, 1, 10, 63.01L), 1.5L, kTol);
}

TEST_F(ToleranceTest, FreeLengthFourthMethodAndMissingWireOrCoils) {
    EXPECT_NEAR(FreeLengthTolerance(4, 1, 8, 1, 1, 10, 100), 1.8L, 1e-9L);
    EXPECT_NEAR(FreeLengthTolerance(4, 2, 8, 1, 1, 10, 100), 1.8L, 1e-9L);
    EXPECT_NEAR(FreeLengthTolerance(4, 3, 8, 1, 1, 10, 100), 1.44L, 1e-9L);
    EXPECT_EQ(FreeLengthTolerance(4, 4, 8, 1, 1, 10, 100), 0);
    EXPECT_EQ(FreeLengthTolerance(5, 1, 8, 1, 1, 10, 100), 0);
    for (uint16_t grade = 1; grade <= 4; ++grade) {
        EXPECT_EQ(FreeLengthTolerance(grade, 1, 8, 1, 1, 0, 100), 0);
        EXPECT_EQ(FreeLengthTolerance(grade, 1, 8, 0, 1, 10, 100), 0);
    }
}

TEST_F(ToleranceTest, ForceFactors) {
    EXPECT_NEAR(ForceFactorKF(0.5L), 6.31L, kTol);
    EXPECT_NEAR(ForceFactorKF(0), 6.31L, kTol);
    EXPECT_NEAR(ForceFactorKF(-4), 6.31L, kTol);
    EXPECT_NEAR(ForceFactorKF(10), 1.261L, kTol);
    EXPECT_NEAR(ForceFactorAF(8.8L, 1.2L), 3.20299481L, 1e-7L);
    EXPECT_NEAR(ForceFactorAF(20, 2), 5.22381059L, 1e-7L);
    EXPECT_EQ(ForceFactorAF(0, 1.2L), 0);
    EXPECT_EQ(ForceFactorAF(8.8L, 0), 0);
    EXPECT_EQ(ErrorList.count, 0);

    EXPECT_TRUE(std::isfinite(ForceFactorAF(8.8L, -1.2L)));
    ASSERT_EQ(ErrorList.count, 1);
    EXPECT_EQ(ErrorList.slots[1].str(), "Fehler : AF (pow)");
}

TEST_F(ToleranceTest, ForceAndInitialTensionToleranceByGrade) {
    // Dm 8.8, d 1.2, n 10, F 20: AF kF + 0.015 F = 4.33897646.
    const Extended base = 4.33897646L;
    EXPECT_NEAR(ForceTolerance(2, 20, 30, 8.8L, 1.2L, 10, 40, 2), base, 1e-7L);
    EXPECT_NEAR(ForceTolerance(1, 20, 30, 8.8L, 1.2L, 10, 40, 2), 0.63L * base, 1e-7L);
    EXPECT_NEAR(ForceTolerance(3, 20, 30, 8.8L, 1.2L, 10, 40, 2), 1.6L * base, 1e-7L);
    // (L0 + s) 0.015 (1 + 2/n) R = 70 * 0.015 * 1.2 * 2.
    EXPECT_NEAR(ForceTolerance(4, 20, 30, 8.8L, 1.2L, 10, 40, 2), 2.52L, 1e-9L);
    EXPECT_EQ(ForceTolerance(5, 20, 30, 8.8L, 1.2L, 10, 40, 2), 0);
    for (uint16_t grade = 1; grade <= 4; ++grade) {
        EXPECT_EQ(ForceTolerance(grade, 20, 30, 8.8L, 1.2L, 0, 40, 2), 0);
        EXPECT_EQ(ForceTolerance(grade, 20, 30, 8.8L, 1.2L, -3, 40, 2), 0);
    }
    EXPECT_NEAR(InitialTensionTolerance(2, 8.8L, 1.2L, 10, 20, 40, 2), base, 1e-7L);
    EXPECT_NEAR(InitialTensionTolerance(4, 8.8L, 1.2L, 10, 20, 40, 2), 1.44L, 1e-9L);
    EXPECT_EQ(InitialTensionTolerance(5, 8.8L, 1.2L, 10, 20, 40, 2), 0);
    // Without coils the fourth method gives no tolerance instead of a division by zero.
    EXPECT_EQ(InitialTensionTolerance(4, 8.8L, 1.2L, 0, 20, 40, 2), 0);
}

TEST_F(ToleranceTest, EyeTolerances) {
    // w 10: 10^1.19 = 15.49 against sqrt(10) 10^0.846 = 22.18 for n 10.
    EXPECT_NEAR(EyePositionTolerance(2, 10, 10), 22.1819642L, 1e-6L);
    EXPECT_NEAR(EyePositionTolerance(1, 10, 1), 0.63L * 15.4881662L, 1e-6L);
    EXPECT_NEAR(EyePositionTolerance(3, 10, 0), 1.6L * 15.4881662L, 1e-6L);
    EXPECT_EQ(EyePositionTolerance(4, 10, 10), 0);

    EXPECT_NEAR(EyeOverhangTolerance(1, 5.99L, 2), 1.0L, kTol);
    EXPECT_NEAR(EyeOverhangTolerance(1, 6, 2), 2.0L, kTol);
    EXPECT_NEAR(EyeOverhangTolerance(2, 12, 2), 3.0L, kTol);
    EXPECT_NEAR(EyeOverhangTolerance(3, 12.01L, 2), 8.0L, kTol);
    EXPECT_EQ(EyeOverhangTolerance(4, 10, 2), 0);
}

// Typed decimals in thousandths, as the user types them: the nearest Extended.
Extended Typed(long thousandths) {
    return thousandths / Extended{1000};
}

// Each routine at an edge of its table reached from typed decimals whose binary
// quotient or sum falls beside the edge, and with the last typed digit one
// lower and one higher: the tolerance follows exact arithmetic on the digits.
TEST_F(ToleranceTest, EdgesReachedFromTypedDecimalsAreDecidedExactly) {
    struct Case {
        const char* what;
        std::function<Extended(long step)> tolerance;
        Extended below, on, above;
    };
    const Case cases[] = {
        {"overhang, w = 3.6 / 0.6 = 6",
         [](long s) { return EyeOverhangTolerance(1, Typed(3600 + s) / Typed(600), 1); }, 0.5L,
         1.0L, 1.0L},
        {"overhang, w = 7.236 / 0.603 = 12",
         [](long s) { return EyeOverhangTolerance(2, Typed(7236 + s) / Typed(603), 1); }, 1.5L,
         1.5L, 3.0L},
        {"coil diameter, w = (5.427 - 0.603) / 0.603 = 8",
         [](long s) {
             const Extended d = Typed(603), Dm = Typed(5427 + s) - d;
             return TolTable(3, 1, Typed(5427 + s), Dm - d, Dm, Dm / d);
         },
         0.4L, 0.4L, 0.5L},
        {"coil diameter, fourth method, w = 8",
         [](long s) {
             const Extended d = Typed(603), Dm = Typed(5427 + s) - d;
             return TolTable(4, 1, Typed(5427 + s), Dm - d, Dm, Dm / d);
         },
         0.8L, 0.8L, 1.2L},
        {"free length, w = 8",
         [](long s) {
             const Extended d = Typed(603), Dm = Typed(5427 + s) - d;
             return FreeLengthTolerance(1, 1, Dm, d, 1, 10, 10);
         },
         0.3L, 0.3L, 0.4L},
        {"coil diameter, w = 8.554 / 0.611 = 14",
         [](long s) { return TolTable(2, 3, 0, 0, Typed(8554), Typed(8554 + s) / Typed(611)); },
         0.3L, 0.3L, 0.35L},
        {"coil diameter, Dm = 2.003 - 0.403 = 1.6",
         [](long s) {
             const Extended d = Typed(403), Dm = Typed(2003 + s) - d;
             return TolTable(1, 1, Typed(2003 + s), Dm - d, Dm, 4);
         },
         0.05L, 0.05L, 0.07L},
        {"free length, L0 = 1.147 + 8.854 = 10.001: i = 10",
         [](long s) {
             return FreeLengthTolerance(1, 1, 8, 1, 1, 10, Typed(1147) + Typed(8854 + s));
         },
         0.3L, 0.3L, 0.4L},
        {"free length, L0 = 1.014 + 61.987 = 63.001: i = 64",
         [](long s) {
             return FreeLengthTolerance(2, 1, 8, 1, 1, 10, Typed(1014) + Typed(61987 + s));
         },
         1.1L, 1.5L, 1.5L},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_NEAR(c.tolerance(-1), c.below, kTol);
        EXPECT_NEAR(c.tolerance(0), c.on, kTol);
        EXPECT_NEAR(c.tolerance(1), c.above, kTol);
    }
}

TEST_F(ToleranceTest, AbsurdInputsGiveFiniteTolerances) {
    const Extended nan = std::numeric_limits<Extended>::quiet_NaN();
    const Extended inf = std::numeric_limits<Extended>::infinity();
    for (Extended x : {nan, inf, -inf, 0.0L, -5.0L, 1e-4000L, 1e4000L}) {
        for (uint16_t grade = 0; grade <= 6; ++grade) {
            EXPECT_TRUE(std::isfinite(TolTable(grade, 2, x, x, x, x)));
            EXPECT_TRUE(std::isfinite(FreeLengthTolerance(grade, 1, x, 1, 1, x, x)));
            EXPECT_TRUE(std::isfinite(FreeLengthTolerance(grade, 3, 8, x, x, 10, 100)));
            EXPECT_TRUE(std::isfinite(ForceTolerance(grade, x, x, x, x, x, x, x)));
            EXPECT_TRUE(std::isfinite(ForceTolerance(grade, 20, 30, 8.8L, 1.2L, x, 40, 2)));
            EXPECT_TRUE(std::isfinite(ForceTolerance(grade, 20, 30, x, 1.2L, 10, 40, 2)));
            EXPECT_TRUE(std::isfinite(InitialTensionTolerance(grade, x, x, x, x, x, x)));
            EXPECT_TRUE(std::isfinite(InitialTensionTolerance(grade, 8.8L, x, 10, 20, 40, 2)));
            EXPECT_TRUE(std::isfinite(EyePositionTolerance(grade, x, x)));
            EXPECT_TRUE(std::isfinite(EyeOverhangTolerance(grade, x, x)));
        }
        EXPECT_TRUE(std::isfinite(ForceFactorAF(x, x)));
        EXPECT_TRUE(std::isfinite(ForceFactorAF(8.8L, x)));
        EXPECT_TRUE(std::isfinite(ForceFactorAF(x, 1.2L)));
        EXPECT_TRUE(std::isfinite(ForceFactorKF(x)));
    }
}

}  // namespace
}  // namespace kor2
