// Tests of the wire diameter tolerances of the eleven wire standards: table
// boundaries, the range messages and their texts, and absurd diameters.
#include "spring/wiretolerances.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "common/globals.h"
#include "tests/spring/errorlisttexts.h"

namespace kor2 {
namespace {

using test::ErrorListTexts;
using test::StoredText;

class WireToleranceTest : public test::ErrorListFixture {};

constexpr Extended kTol = 1e-12L;

TEST_F(WireToleranceTest, UpperBoundTablesIncludeTheirBound) {
    EXPECT_NEAR(WireDiameterTolerance(1, 0.48L), 0.015L, kTol);
    EXPECT_NEAR(WireDiameterTolerance(1, 0.481L), 0.02L, kTol);
    EXPECT_NEAR(WireDiameterTolerance(1, 0.01L), 0.015L, kTol);  // no lower limit
    EXPECT_NEAR(WireDiameterTolerance(1, 40.0L), 0.15L, kTol);   // nor an upper one
    EXPECT_NEAR(WireDiameterTolerance(2, 0.18L), 0.004L, kTol);
    EXPECT_NEAR(WireDiameterTolerance(2, 17.01L), 0.1L, kTol);
    EXPECT_NEAR(WireDiameterTolerance(3, 65.0L), 0.5L, kTol);
    EXPECT_NEAR(WireDiameterTolerance(3, 80.0L), 0.8L, kTol);  // 1 % of d above 65
    EXPECT_TRUE(ErrorListTexts().empty());
}

TEST_F(WireToleranceTest, LowerBoundTablesAndTheirRange) {
    EXPECT_NEAR(WireDiameterTolerance(4, 0.3L), 0.025L, kTol);
    EXPECT_NEAR(WireDiameterTolerance(4, 25.0L), 0.18L, kTol);
    EXPECT_NEAR(WireDiameterTolerance(4, 20.9L), 0.18L, kTol);
    EXPECT_NEAR(WireDiameterTolerance(4, 20.89L), 0.16L, kTol);
    EXPECT_TRUE(ErrorListTexts().empty());

    EXPECT_EQ(WireDiameterTolerance(4, 0.2999L), 0);
    EXPECT_EQ(WireDiameterTolerance(4, 25.0001L), 0);
    EXPECT_EQ(ErrorListTexts(),
              std::vector<std::string>{StoredText("Fehler : EN10218-2,T1: 0.3 < d < 25.0 !")});
}

TEST_F(WireToleranceTest, En10270SwitchesTablesByDiameter) {
    for (uint16_t standard : {9, 10}) {
        EXPECT_NEAR(WireDiameterTolerance(standard, 0.06L), 0.003L, kTol);
        EXPECT_NEAR(WireDiameterTolerance(standard, 0.17L), 0.005L, kTol);
        EXPECT_NEAR(WireDiameterTolerance(standard, 0.79L), 0.01L, kTol);
        EXPECT_NEAR(WireDiameterTolerance(standard, 0.8L), 0.015L, kTol);
        EXPECT_NEAR(WireDiameterTolerance(standard, 10.0L), 0.05L, kTol);
        EXPECT_NEAR(WireDiameterTolerance(standard, 10.5L), 0.07L, kTol);
    }
    // The gap the standard leaves between 0.091 and 0.17 lies between its neighbours.
    EXPECT_NEAR(WireDiameterTolerance(9, 0.1L), 0.004L, kTol);
    EXPECT_TRUE(ErrorListTexts().empty());
}

TEST_F(WireToleranceTest, En10270Part3EndsBelow10_01) {
    EXPECT_NEAR(WireDiameterTolerance(11, 0.0L), 0.005L, kTol);
    EXPECT_NEAR(WireDiameterTolerance(11, 10.005L), 0.035L, kTol);
    EXPECT_TRUE(ErrorListTexts().empty());
    EXPECT_EQ(WireDiameterTolerance(11, 10.01L), 0);
    EXPECT_EQ(ErrorListTexts(),
              std::vector<std::string>{StoredText("Fehler : EN10270-3: d < 10.0 !")});
}

TEST_F(WireToleranceTest, RangeMessagesOfEveryTableAreStoredOnce) {
    for (int repeat = 0; repeat < 2; ++repeat) {
        for (uint16_t table : {4, 5, 6, 7, 8, 11}) EXPECT_EQ(WireToleranceTable(table, 30.0L), 0);
        EXPECT_EQ(WireDiameterTolerance(9, 0.01L), 0);  // table 8, shares its text with 6
    }
    EXPECT_EQ(ErrorListTexts(),
              (std::vector<std::string>{StoredText("Fehler : EN10218-2,T1: 0.3 < d < 25.0 !"),
                                        StoredText("Fehler : EN10218-2,T2: 0.2 < d < 25.0 !"),
                                        StoredText("Fehler : EN10218-3,T2: 0.05 < d < 25.0 !"),
                                        StoredText("Fehler : EN10218-3,T4: 0.05 < d < 25.0 !"),
                                        StoredText("Fehler : EN10270-3: d < 10.0 !")}));
    EXPECT_FALSE(CalcErrorFlag);
}

// A thicker wire never gets a finer tolerance: catches a misplaced row in any table.
TEST_F(WireToleranceTest, ToleranceGrowsWithTheDiameterWithinRange) {
    for (uint16_t standard = 1; standard <= 11; ++standard) {
        const Extended upper = standard == 3 ? 100.0L : (standard == 11 ? 10.0L : 25.0L);
        Extended previous = 0;
        for (Extended d = 0.3L; d <= upper; d += 0.001L) {
            const Extended t = WireDiameterTolerance(standard, d);
            ASSERT_GT(t, 0) << standard << " d=" << d;
            ASSERT_GE(t, previous) << standard << " d=" << d;
            previous = t;
        }
    }
    EXPECT_TRUE(ErrorListTexts().empty());
}

TEST_F(WireToleranceTest, NonFiniteDiametersGiveZeroOrTheRangeMessage) {
    const Extended nan = std::numeric_limits<Extended>::quiet_NaN();
    const Extended inf = std::numeric_limits<Extended>::infinity();
    for (uint16_t standard = 0; standard <= 12; ++standard)
        for (Extended d : {nan, inf, -inf, -1.0L, 1e4000L})
            EXPECT_TRUE(std::isfinite(WireDiameterTolerance(standard, d))) << standard;
    EXPECT_EQ(WireDiameterTolerance(4, nan), 0);
    EXPECT_EQ(WireDiameterTolerance(3, inf), 0);
}

TEST_F(WireToleranceTest, UnknownStandardsAndTablesGiveZeroSilently) {
    for (uint16_t n : {0, 12, 65535}) EXPECT_EQ(WireDiameterTolerance(n, 1.0L), 0);
    for (uint16_t n : {0, 9, 10, 12, 65535}) EXPECT_EQ(WireToleranceTable(n, 1.0L), 0);
    EXPECT_TRUE(ErrorListTexts().empty());
}

}  // namespace
}  // namespace kor2
