// Tests of the standard wire diameter series and of rounding and stepping a
// wire diameter onto them.
#include "spring/wirediameters.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <span>
#include <string>
#include <vector>

#include "common/globals.h"
#include "spring/springdata.h"
#include "tests/spring/errorlisttexts.h"

namespace kor2 {
namespace {

using test::ErrorListTexts;
using test::StoredText;

class StandardWireDiameterTest : public test::ErrorListFixture {
   protected:
    void SetUp() override {
        ErrorListFixture::SetUp();
        saved_warnings_ = WarningsOn;
        WarningsOn = 1;
    }
    void TearDown() override {
        WarningsOn = saved_warnings_;
        ErrorListFixture::TearDown();
    }
    uint16_t saved_warnings_ = 0;
};

constexpr Extended kTol = 1e-9L;

TEST_F(StandardWireDiameterTest, RoundsAndStepsWithinAndAtTheEndsOfTheSeries) {
    EXPECT_NEAR(StandardWireDiameter(1, WireStepAtOrAbove, 1.22L), 1.25L, kTol);
    EXPECT_NEAR(StandardWireDiameter(1, WireStepAbove, 1.22L), 1.3L, kTol);
    EXPECT_NEAR(StandardWireDiameter(1, WireStepBelow, 1.22L), 1.2L, kTol);
    EXPECT_NEAR(StandardWireDiameter(7, WireStepAbove, 1.2L), 1.25L, kTol);
    EXPECT_NEAR(StandardWireDiameter(7, WireStepBelow, 1.2L), 1.1L, kTol);
    EXPECT_NEAR(StandardWireDiameter(1, 0, 1.22L), 1.25L, kTol);  // other modes act like 1

    EXPECT_NEAR(StandardWireDiameter(1, WireStepBelow, 0.05L), 0.07L, kTol);
    EXPECT_NEAR(StandardWireDiameter(1, WireStepAtOrAbove, -3.0L), 0.07L, kTol);
    EXPECT_NEAR(StandardWireDiameter(1, WireStepAbove, 20.0L), 20.0L, kTol);
    EXPECT_NEAR(StandardWireDiameter(3, WireStepBelow, 7.0L), 7.0L, kTol);
    EXPECT_NEAR(StandardWireDiameter(3, WireStepAtOrAbove, 6.0L), 7.0L, kTol);
    EXPECT_TRUE(ErrorListTexts().empty());
}

// Every entry, given in full precision or as its 6-byte value, finds itself;
// a value just above it finds the next entry. This also proves the series ascend.
TEST_F(StandardWireDiameterTest, EveryEntryFindsItselfAndItsNeighbours) {
    auto check = [](uint16_t standard, std::span<const Real48> table) {
        for (std::size_t i = 0; i < table.size(); ++i) {
            const Extended v = table[i].ToExtended();
            EXPECT_EQ(StandardWireDiameter(standard, WireStepAtOrAbove, v), v) << v;
            if (i + 1 < table.size()) {
                EXPECT_EQ(StandardWireDiameter(standard, WireStepAtOrAbove, v * (1 + 1e-7L)),
                          table[i + 1].ToExtended())
                    << v;
                EXPECT_EQ(StandardWireDiameter(standard, WireStepAbove, v),
                          table[i + 1].ToExtended());
            }
            if (i > 0) {
                EXPECT_EQ(StandardWireDiameter(standard, WireStepBelow, v),
                          table[i - 1].ToExtended());
            }
        }
    };
    check(1, Din2076Table);
    check(3, Din2077Table);
    EXPECT_NEAR(Din2077Table[46].ToExtended(), 30.0L, kTol);  // last of the 0.5 steps
    EXPECT_NEAR(Din2077Table[47].ToExtended(), 31.0L, kTol);
    // Literals that binary floats cannot hold exactly still land on their entry.
    for (Extended v : {0.43L, 1.05L, 4.75L, 6.3L, 0.07L})
        EXPECT_NEAR(StandardWireDiameter(2, WireStepAtOrAbove, v), v, kTol) << v;
    EXPECT_TRUE(ErrorListTexts().empty());
}

TEST_F(StandardWireDiameterTest, AboveTheSeriesKeepsDAndWarnsWhenWarningsAreOn) {
    EXPECT_EQ(StandardWireDiameter(1, WireStepAtOrAbove, 21.0L), 21.0L);
    EXPECT_EQ(StandardWireDiameter(1, WireStepBelow, 21.0L), 21.0L);
    EXPECT_EQ(StandardWireDiameter(3, WireStepAbove, 81.0L), 81.0L);
    EXPECT_EQ(ErrorListTexts(),
              (std::vector<std::string>{StoredText("Drahtdurchmesser nicht nach DIN 2076 !"),
                                        StoredText("Drahtdurchmesser nicht nach DIN 2077 !")}));

    ClearErrorList();
    WarningsOn = 0;
    EXPECT_EQ(StandardWireDiameter(1, WireStepAtOrAbove, 21.0L), 21.0L);
    EXPECT_TRUE(ErrorListTexts().empty());
}

TEST_F(StandardWireDiameterTest, AbortFlagKeepsDForDin2076Only) {
    AbortFlag = true;
    EXPECT_EQ(StandardWireDiameter(1, WireStepAtOrAbove, 1.22L), 1.22L);
    EXPECT_NEAR(StandardWireDiameter(3, WireStepAtOrAbove, 7.2L), 7.5L, kTol);
}

TEST_F(StandardWireDiameterTest, NonFiniteDiametersGiveAFiniteResult) {
    for (uint16_t standard : {1, 3})
        for (Extended d :
             {std::numeric_limits<Extended>::quiet_NaN(), std::numeric_limits<Extended>::infinity(),
              -std::numeric_limits<Extended>::infinity(), 1e4000L})
            for (int32_t mode : {-1, 1, 2})
                EXPECT_TRUE(std::isfinite(StandardWireDiameter(standard, mode, d))) << d;
}

}  // namespace
}  // namespace kor2
