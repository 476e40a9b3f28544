// Design paths: automatic design, pre-dimensioning against a hand
// calculation, the wire-diameter bisection with its bounds and its failure
// message, and the two recalculations.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string>

#include "common/globals.h"
#include "spring/check.h"
#include "spring/design.h"
#include "spring/examplespring.h"
#include "spring/material.h"
#include "spring/springdata.h"
#include "spring/wirediameters.h"

namespace kor2 {
namespace {

bool HasMessage(const std::string& text) {
    for (int k = 1; k <= ErrorList.count; ++k)
        if (ErrorList.slots[k].str() == text) return true;
    return false;
}

bool IsDin2076(Extended d) {
    return std::any_of(Din2076Table.begin(), Din2076Table.end(),
                       [d](const Real48& v) { return v.ToExtended() == d; });
}

class DesignTest : public ::testing::Test {
protected:
    void SetUp() override {
        test::SetUpExampleSpring();
        CheckSpring();  // tau zul of a previous calculation
    }
};

TEST_F(DesignTest, AutoDesignGivesIndexNineAndFullGermanEyes) {
    EyeType = {0, 8, 1};
    AutoDesign();
    EXPECT_FALSE(CalcErrorFlag);
    EXPECT_EQ(EyeType[1], 2);
    EXPECT_EQ(EyeType[2], 2);
    EXPECT_TRUE(IsDin2076(WireDiameter));
    EXPECT_NEAR(MeanDiameter, 9 * WireDiameter, 1e-12L);
    EXPECT_NEAR(EyeHeight[1], 0.9L * MeanDiameter, 1e-12L);
    EXPECT_NEAR(EyeHeight[2], 0.9L * MeanDiameter, 1e-12L);
    EXPECT_NEAR(OuterDiameter, 10 * WireDiameter, 1e-12L);
}

// Hand values: F0 = 6.8723339339993708689 at Dm 8.8, s2 = 14.440432672600692,
// L0 = 68 - s2, n = 34, Dm = (81500 * 1.2^4 / (8 * R * 34))^(1/3), eyes
// (L0 - 35 * 1.2) / 2.
TEST_F(DesignTest, PreDimensionMatchesTheHandCalculation) {
    LengthL2 = 68;
    PreDimension();
    EXPECT_NEAR(ActiveCoils, 34, 1e-15L);
    EXPECT_NEAR(MeanDiameter, 8.8085033670730419135L, 1e-12L);
    EXPECT_NEAR(OuterDiameter, 8.8085033670730419135L + 1.2L, 1e-12L);
    EXPECT_NEAR(EyeHeight[1], 5.7797836636996539779L, 1e-11L);
    EXPECT_EQ(EyeHeight[2], EyeHeight[1]);
    // The closing check keeps the design: L0 = LK + 2 LH.
    EXPECT_NEAR(FreeLength, 53.559567327399307956L, 1e-3L);
}

// Pre-dimensioning sets Dm so that the closing check's raw n is the whole
// number it chose, up to rounding; these springs land one unit in the last
// place below 2, 4 and 8, and the check must keep that number of coils.
TEST_F(DesignTest, PreDimensionKeepsItsCoilsWhenTheCheckLandsJustBelow) {
    const struct {
        Extended d, F1, F2, sh, L2, Dm, coils;
    } cases[] = {
        {2.89L, 10, 21, 22, 60, 94.2L, 2},
        {0.55L, 21, 45, 15, 88, 5.4L, 4},
        {0.61L, 10, 48, 13, 72, 4.0L, 8},
    };
    for (const auto& c : cases) {
        test::SetUpExampleSpring();
        CheckSpring();
        WireDiameter = c.d;
        ForceF1 = c.F1;
        ForceF2 = c.F2;
        Stroke = c.sh;
        LengthL2 = c.L2;
        DiameterInputMode = 3;
        MeanDiameter = c.Dm;
        PreDimension();
        ASSERT_FALSE(CalcErrorFlag);
        const Extended d = WireDiameter, dm = MeanDiameter;
        const Extended rawN = ModulusGT * d * d * d * d / (8 * dm * dm * dm * SpringRate);
        ASSERT_EQ(rawN, std::nextafter(c.coils, Extended{0})) << static_cast<double>(c.coils);
        EXPECT_EQ(ActiveCoils, c.coils);
        EXPECT_NEAR(FreeLength, BodyLength + EyeHeight[1] + EyeHeight[2], 1e-12L);
        EXPECT_NEAR(BodyLength, (c.coils + 1) * d, 1e-12L);
    }
}

TEST_F(DesignTest, PreDimensionFatalMessages) {
    Stroke = 0;
    PreDimension();
    EXPECT_TRUE(CalcErrorFlag);
    EXPECT_TRUE(HasMessage("Fatal  : sh = 0 !"));
    test::SetUpExampleSpring();
    ForceF2 = ForceF1;
    PreDimension();
    EXPECT_TRUE(CalcErrorFlag);
    EXPECT_TRUE(HasMessage("Fatal  : R = 0 !"));
}

TEST_F(DesignTest, BisectionFailureReportsAfterTheCheck) {
    // An eye height that no wire can give: the bisection runs all 50 rounds.
    DiameterInputMode = 3;
    MeanDiameter = 8.8L;
    EyeHeight[1] = -1e6L;
    IterateWireDiameter();
    ASSERT_GT(ErrorList.count, 0);
    EXPECT_EQ(ErrorList.slots[ErrorList.count].str(), "Fehler : KOR2 iter");
    // Pushed upwards all the time, d ends just under Dm/4, never above.
    EXPECT_LE(WireDiameter, 8.8L / 4);
    EXPECT_GT(WireDiameter, 8.8L / 4 * 0.999L);
}

TEST_F(DesignTest, BisectionNeverAboveFiftyMillimetres) {
    DiameterInputMode = 3;
    MeanDiameter = 400;
    EyeHeight[1] = -1e9L;
    IterateWireDiameter();
    // The final check fills all eleven slots; the failure still takes the last.
    EXPECT_EQ(ErrorList.count, 11);
    EXPECT_EQ(ErrorList.slots[11].str(), "Fehler : KOR2 iter");
    EXPECT_LE(WireDiameter, 50);
    EXPECT_GT(WireDiameter, 49.9L);
}

TEST_F(DesignTest, PreDimensionWithEyesEndsOnAStandardWire) {
    PreDimensionWithEyes();
    EXPECT_FALSE(HasMessage("Fehler : KOR2 iter"));
    EXPECT_TRUE(IsDin2076(WireDiameter));
    EXPECT_GT(EyeHeight[1], 0);
    EyeType = {0, 6, 6};  // hooks: no eye height factor, no bisection
    PreDimensionWithEyes();
    EXPECT_TRUE(IsDin2076(WireDiameter));
}

// Hand values: R = 81500 * 1.2^4 / (8 * 8.8^3 * 10.5), tau0 by method 2 at
// w = 8.8/1.2 from the typed Rm 1800, F = s * R + F0. The same for a table
// material whose record could not be read: Rm is the file's, not 0.
TEST_F(DesignTest, RecalcFromGeometryKeepsOwnStrength) {
    for (const bool typed : {true, false}) {
        SCOPED_TRACE(typed ? "typed-in material" : "table material without its record");
        test::SetUpExampleSpring();
        ResetMaterialRecord();
        MaterialIndex = typed ? 11 : 0;
        MaterialStrengthFromFile = !typed;
        TensileStrength = 1800;
        DiameterInputMode = 3;
        MeanDiameter = 8.8L;
        SpringIndex = 8.8L / 1.2L;
        ActiveCoils = 10.5L;
        FreeLength = 50;
        LengthL1 = 60;
        LengthL2 = 70;
        RecalcFromGeometry();
        EXPECT_FALSE(CalcErrorFlag);
        EXPECT_EQ(TensileStrength, 1800);
        EXPECT_NEAR(SpringRate, 2.9522646774712890415L, 1e-13L);
        EXPECT_NEAR(InitialTension, 6.5930605825563979009L, 1e-12L);
        EXPECT_NEAR(ForceF1, 36.115707357269288316L, 1e-11L);
        EXPECT_NEAR(ForceF2, 65.638354131982178732L, 1e-11L);
        EXPECT_NEAR(EyePosition, 180, 1e-10L);
    }
    MaterialStrengthFromFile = false;
}

TEST_F(DesignTest, RecalcGuards) {
    ActiveCoils = -3;
    RecalcFromGeometry();
    EXPECT_TRUE(CalcErrorFlag);
    EXPECT_TRUE(HasMessage("Fatal  : n <= 0 !"));
    ClearErrorList();
    ActiveCoils = 10;
    WireShape = 4;
    WireHeight = 0;
    RecalcFromGeometry();
    EXPECT_TRUE(HasMessage("Fatal  : h <= 0 !"));
}

TEST_F(DesignTest, RecalcFromLengthsKeepsTheFatalCoilMessage) {
    BodyLength = WireDiameter;  // no room for a coil
    RecalcFromLengths();
    EXPECT_TRUE(CalcErrorFlag);
    EXPECT_TRUE(HasMessage("Fatal  : n <= 0 !"));
    EXPECT_EQ(ActiveCoils, 0);
}

TEST_F(DesignTest, RecalcFromLengthsComputesCoilsFromBodyLength) {
    BodyLength = 42;
    LengthL1 = 58;
    LengthL2 = 69;
    RecalcFromLengths();
    EXPECT_FALSE(CalcErrorFlag);
    EXPECT_EQ(Stroke, 11);
    // n = (LK - d) / d = 34; the check then rounds the coils of its forces.
    EXPECT_NEAR(ForceF2 - ForceF1, 11 * SpringRate, 1e-9L);
    EXPECT_NEAR(ActiveCoils, 34, 1e-12L);
}

// Body lengths of whole and quarter coils (15, 14.75 x 0.66) give counts a
// rounding noise below 14 and 13.75. The count must come out whole where the
// body is whole, and the eye angle Frac(n + turned eyes / 4) exactly, or the
// check's coil rounding moves the coils by the noise or by a whole coil.
TEST_F(DesignTest, RecalcFromLengthsOfWholeCoilsKeepsTheCoilCount) {
    const struct {
        uint16_t eye1, eye2;
        Extended bodyLength, coils, eyePosition;
    } cases[] = {
        {11, 12, 9.9L, 14, 0},       // plugs: 14 coils, eye at 0
        {4, 4, 9.9L, 14, 180},       // two turned eyes: 14.5 turns
        {11, 4, 9.735L, 13.75L, 0},  // one turned eye: 13.75 + 0.25 turns
    };
    for (const auto& c : cases) {
        test::SetUpExampleSpring();
        CheckSpring();
        WireDiameter = 0.66L;
        DiameterInputMode = 3;
        MeanDiameter = 7.69L;
        EyeType = {0, c.eye1, c.eye2};  // eye heights 6.5 each
        ScrewedInCoils = {0, 1.8L, 0.3L};
        BodyLength = c.bodyLength;
        LengthL1 = 37.7L;
        LengthL2 = 60;
        SCOPED_TRACE(::testing::Message() << "LK " << static_cast<double>(c.bodyLength) << ", eyes "
                                          << c.eye1 << '/' << c.eye2);
        RecalcFromLengths();
        EXPECT_FALSE(CalcErrorFlag);
        EXPECT_EQ(EyePosition, c.eyePosition);
        EXPECT_EQ(ActiveCoils, c.coils);
        EXPECT_NEAR(FreeLength, c.bodyLength + 13, 1e-9L);
    }
}

// Pre-dimensioning with one coil sets Dm so that the closing check's raw
// count is 1 in exact arithmetic and a few units in the last place below it
// in Extended. Taken as 1, it goes up to 2 coils; taken as 0.99.., it stays
// at 1 coil, and the lengths the bisection carries on with, and the wire it
// ends on, follow the noise (here d = 6 with 1 coil).
TEST_F(DesignTest, BisectionThroughOneCoilPreDimensionsKeepsTheCheckedCoils) {
    DiameterInputMode = 3;
    MeanDiameter = 40;
    ForceF1 = 20;
    ForceF2 = 1000;
    Stroke = 1;
    LengthL2 = 80;
    PreDimensionWithEyes();
    EXPECT_FALSE(CalcErrorFlag);
    EXPECT_FALSE(HasMessage("Fehler : KOR2 iter"));
    EXPECT_EQ(WireDiameter, 7);
    EXPECT_EQ(ActiveCoils, 2);
}

}  // namespace
}  // namespace kor2
