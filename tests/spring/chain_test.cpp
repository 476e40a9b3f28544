// The calculation chain: fatal guards, the wire-diameter estimate with its
// start value of k, coil diameters following d, eye stroke stress under the
// upper limit, tolerances kept for tiny d and typed grades.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "common/globals.h"
#include "spring/chain.h"
#include "spring/check.h"
#include "spring/examplespring.h"
#include "spring/springdata.h"

namespace kor2 {
namespace {

class ChainTest : public ::testing::Test {
protected:
    void SetUp() override { test::SetUpExampleSpring(); }
};

void ExpectOnlyFatal(const char* text) {
    EXPECT_TRUE(CalcErrorFlag);
    ASSERT_EQ(ErrorList.count, 1);
    EXPECT_EQ(ErrorList.slots[1].str(), text);
}

TEST_F(ChainTest, EqualForcesOrNoStrokeAreFatal) {
    ForceF2 = ForceF1;
    CheckSpring();
    ExpectOnlyFatal("Fatal  : F2 <= F1 !");
    test::SetUpExampleSpring();
    Stroke = 0;
    SpringRate = 7;
    CheckSpring();
    ExpectOnlyFatal("Fatal  : sh <= 0 !");
    EXPECT_EQ(SpringRate, 7);  // R is not formed
}

TEST_F(ChainTest, ZeroWireDiameterIsEstimatedFirst) {
    CheckSpring();  // tau zul of the previous calculation feeds the estimate
    WireDiameter = 0;
    WireHeight = 0;
    CheckSpring();
    EXPECT_FALSE(CalcErrorFlag);
    // F2 = 20 N at tau zul ~ 845 N/mm^2 and Dm ~ 9: d^3 = 8/pi * 20 * 9 / 845
    // * k * 1.15 with k ~ 1.2 gives d ~ 0.86, rounded up to 0.9 of DIN 2076.
    EXPECT_NEAR(WireDiameter, 0.9L, 1e-11L);  // a 6-byte real of the table
    EXPECT_EQ(WireHeight, WireDiameter);
    EXPECT_EQ(OuterDiameter, 10);  // the diameter the user gave
    EXPECT_NEAR(MeanDiameter, 10 - WireDiameter, 1e-15L);
    EXPECT_NEAR(InnerDiameter, 10 - 2 * WireDiameter, 1e-15L);
}

TEST_F(ChainTest, CoilDiametersFollowDKeepingTheGivenOne) {
    WireDiameter = 1.5L;
    InnerDiameter = 6;
    DiameterInputMode = 2;
    CalcRateFromForces();
    EXPECT_EQ(InnerDiameter, 6);
    EXPECT_NEAR(MeanDiameter, 7.5L, 1e-15L);
    EXPECT_NEAR(OuterDiameter, 9, 1e-15L);
    DiameterInputMode = 3;
    MeanDiameter = 8;
    WireDiameter = 1;
    CalcRateFromForces();
    EXPECT_EQ(MeanDiameter, 8);
    EXPECT_EQ(OuterDiameter, 9);
    EXPECT_EQ(InnerDiameter, 7);
    DiameterInputMode = 1;
    OuterDiameter = 12;
    CalcGeometry();  // also before the guards of the geometry step
    EXPECT_EQ(MeanDiameter, 11);
    EXPECT_EQ(InnerDiameter, 10);
}

// Six rounds with tau zul fixed (typed-in material) and Dm held; d stays
// above the DIN 2076 table, so no rounding hides the rounds. From d = 0 the
// first round takes k = 1, the limit of k(Dm/d) as d goes to 0. Hand values:
// k = 1 first: 55.152785338460494517; starting from d = 1: 55.1527884675307.
TEST_F(ChainTest, EstimateFromZeroStartsWithKOne) {
    MaterialIndex = 11;
    PermShearStress = 500;
    ForceF2 = 100000;
    DiameterInputMode = 3;
    MeanDiameter = 200;
    WarningsOn = 0;
    WireDiameter = 0;
    EstimateWireDiameter();
    EXPECT_FALSE(CalcErrorFlag);
    EXPECT_NEAR(WireDiameter, 55.152785338460494517L, 55 * 1e-13L);
    EXPECT_EQ(MeanDiameter, 200);
    EXPECT_NEAR(OuterDiameter, 200 + WireDiameter, 1e-13L);
    WireDiameter = 1;
    EstimateWireDiameter();
    EXPECT_NEAR(WireDiameter, 55.1527884675307245L, 55 * 1e-13L);
}

TEST_F(ChainTest, EstimateGuards) {
    const struct {
        Extended* value;
        Extended bad;
        const char* text;
    } cases[] = {{&MeanDiameter, 0, "Fatal  : dm <= 0 !"},
                 {&ForceF2, -1, "Fatal  : F2 <= 0 !"},
                 {&PermShearStress, 0, "Fatal  : Rm = 0 !"}};
    for (const auto& c : cases) {
        test::SetUpExampleSpring();
        MaterialIndex = 11;
        PermShearStress = 800;
        DiameterInputMode = 3;
        *c.value = c.bad;
        WireDiameter = 0;
        EstimateWireDiameter();
        ExpectOnlyFatal(c.text);
        EXPECT_EQ(WireDiameter, 0);
    }
}

TEST_F(ChainTest, EstimateStopsWhenMovingDmReachesZero) {
    // De 0.5 with a wire of about 0.86 mm: Dm = De - d goes below 0 after round 1.
    CheckSpring();
    OuterDiameter = 0.5L;
    WireDiameter = 0;
    EstimateWireDiameter();
    EXPECT_TRUE(CalcErrorFlag);
    EXPECT_EQ(ErrorList.slots[1].str(), "Fatal  : dm <= 0 !");
    EXPECT_TRUE(std::isfinite(WireDiameter));
    EXPECT_TRUE(std::isfinite(MeanDiameter));
}

TEST_F(ChainTest, EyeStrokeStressUnderTheUpperLimit) {
    // A steep line meets tau o at (792 - 395) / 5 * 1/0.715 = 111 N/mm^2,
    // below sigma q1 = 297.5: sigma hz = tau o / 0.715 - sigma q1.
    MaterialRec.GoodmanSlope = Real48::FromExtended(5);
    CheckSpring();
    const Extended tauO = 800 - 100 * std::log10(1.2L);
    EXPECT_NEAR(PermBendingStrokeStress.ToExtended(), tauO / 0.715L - 297.51743733759019L, 1e-8L);
}

TEST_F(ChainTest, TolerancesKeptForTinyWireOrTypedGrades) {
    TolDmPlus = 0.3L;
    TolF1Plus = 0.4L;
    WireDiameter = 0.0005L;
    MeanDiameter = 8;
    CalcTolerances();
    EXPECT_EQ(TolDmPlus, 0.3L);
    EXPECT_EQ(TolF1Plus, 0.4L);
    EXPECT_EQ(ErrorList.count, 0);
    WireDiameter = 0;
    CalcTolerances();
    ExpectOnlyFatal("Fatal  : d <= 0 !");

    test::SetUpExampleSpring();
    TolGradeDm = TolGradeL0 = TolGradeF12 = TolGradeF0 = 5;
    TolGradeEyePosition = TolGradeEyeOverhang = 4;
    TolDmPlus = 0.3L;
    TolDmMinus = -0.1L;
    TolF2Plus = 2;
    TolEyePositionPlus = 15;
    TolEyeOverhang = 0.7L;
    CheckSpring();
    EXPECT_EQ(TolDmPlus, 0.3L);
    EXPECT_EQ(TolDmMinus, -0.1L);
    EXPECT_EQ(TolF2Plus, 2);
    EXPECT_EQ(TolEyePositionPlus, 15);
    EXPECT_EQ(TolEyeOverhang, 0.7L);
}

// A step entered with the calculation-error flag set changes nothing; a
// fatal message of the fatigue limits (zero stress at F2) stops the chain
// before the tolerances.
TEST_F(ChainTest, TolerancesUntouchedAfterAFatalMessage) {
    CheckSpring();
    ASSERT_FALSE(CalcErrorFlag);
    const Extended dmPlus = TolDmPlus, wireTol = WireTolerance;
    ClearErrorList();
    CalcErrorFlag = true;
    WireDiameter = 0;
    TolGradeDm = 1;
    CalcTolerances();
    EXPECT_EQ(TolDmPlus, dmPlus);
    EXPECT_EQ(WireTolerance, wireTol);
    EXPECT_EQ(ErrorList.count, 0);  // no "d <= 0" either

    test::SetUpExampleSpring();
    ForceF1 = -10;
    ForceF2 = 0;
    TolF2Plus = 777;
    TolF2Minus = -777;
    CheckSpring();
    EXPECT_TRUE(CalcErrorFlag);
    EXPECT_EQ(ErrorList.slots[ErrorList.count].str(), "Fehler : sigma2=0 !");
    EXPECT_EQ(TolF2Plus, 777);
    EXPECT_EQ(TolF2Minus, -777);
}

TEST_F(ChainTest, CoilsFollowTheEyePosition) {
    // 34.0987 raw coils: at 90 degrees 34.25, with one turned eye 34.0 again.
    EyePosition = 90;
    CheckSpring();
    EXPECT_NEAR(ActiveCoils, 34.25L, 1e-15L);
    EXPECT_NEAR(BodyLength, 35.25L * 1.2L, 1e-13L);
    EyeType[2] = 4;
    CheckSpring();
    EXPECT_NEAR(ActiveCoils, 34, 1e-15L);
}

TEST_F(ChainTest, WireLengthCountsDoubleAndRolledEyes) {
    CheckSpring();
    const Extended base = WireLength, turn = 3.14159265358979323846L * 8.8L;
    EyeType = {0, 3, 3};
    CheckSpring();
    EXPECT_NEAR(WireLength, base + 2 * turn, 1e-10L);
    EyeType = {0, 9, 2};
    CheckSpring();
    EXPECT_NEAR(WireLength, base - (turn - 1.5L), 1e-10L);
}

}  // namespace
}  // namespace kor2
