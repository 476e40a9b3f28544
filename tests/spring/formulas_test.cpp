// The spring formulas: shear modulus at temperature, stress factor, section
// values, coil rounding to the eye position, strength from d, guards.
#include <gtest/gtest.h>

#include <cmath>

#include "common/globals.h"
#include "spring/formulas.h"
#include "spring/material.h"
#include "spring/springdata.h"

namespace kor2 {
namespace {

class FormulasTest : public ::testing::Test {
protected:
    void SetUp() override {
        InitProgramVariables();
        InitSpringData();
    }
};

TEST_F(FormulasTest, ShearModulusAndStressFactor) {
    EXPECT_EQ(ShearModulusAtTemp(20, 81500), 81500);
    EXPECT_NEAR(ShearModulusAtTemp(200, 80000), 80000.0L * 3420 / 3600, 1e-9L);
    EXPECT_NEAR(StressFactorK(9), 1.15106L, 5e-6L);
    EXPECT_GT(StressFactorK(0.01L), 1e6L);
}

TEST_F(FormulasTest, SectionValues) {
    const Extended pi = 3.14159265358979323846L;
    EXPECT_NEAR(WireSectionArea(1, 2, 0, 0), pi, 1e-15L);
    EXPECT_NEAR(WireSectionArea(2, 2, 4, 0), 2 * pi, 1e-15L);
    EXPECT_EQ(WireSectionArea(3, 2, 3, 0), 6);
    EXPECT_NEAR(WireSectionArea(5, 2, 3, 0), 6 - (4 - pi), 1e-15L);
    EXPECT_NEAR(WireSectionArea(6, 2, 3, 0.5L), 6 - (4 - pi) * 0.25L, 1e-15L);
    EXPECT_EQ(WireSectionArea(7, 2, 3, 0), 0);
    EXPECT_EQ(WireSectionArea(3, 0, 3, 0), 0);
    EXPECT_EQ(RectTorsionModulus(2, 0), 0);
    EXPECT_EQ(OvalTorsionStiffness(0, 2), 0);

    // Rectangle 2 x 3: ratio 1.5, beta 0.196, alpha 0.231, sides ordered.
    EXPECT_NEAR(RectTorsionStiffness(3, 2), 0.196L * 3 * 8, 1e-15L);
    EXPECT_NEAR(RectTorsionModulus(2, 3), 0.231L * 3 * 4, 1e-15L);
    EXPECT_NEAR(RectBendingModulus(2, 3), 3 * 4 / 6.0L, 1e-15L);
    // Ellipse with half axes 2 and 1.
    EXPECT_NEAR(OvalTorsionStiffness(2, 4), pi * 8 * 1 / 5, 1e-15L);
    EXPECT_NEAR(OvalTorsionModulus(4, 2), pi / 2 * 2 * 1, 1e-15L);
    EXPECT_NEAR(OvalBendingModulus(2, 4), pi * 4 * 4 / 32, 1e-15L);
}

TEST_F(FormulasTest, RectangleCoefficientsInterpolate) {
    EXPECT_NEAR(RectTorsionCoefficient(kCoefModulus, 1), 0.208L, 1e-15L);
    EXPECT_NEAR(RectTorsionCoefficient(kCoefModulus, 0.5L), 0.246L, 1e-15L);  // inverted
    EXPECT_NEAR(RectTorsionCoefficient(kCoefStiffness, 2.5L), (0.229L + 0.263L) / 2, 1e-15L);
    EXPECT_NEAR(RectTorsionCoefficient(kCoefStiffness, 5), 0.290L, 1e-15L);
    EXPECT_NEAR(RectTorsionCoefficient(kCoefModulus, 9), 0.310L, 1e-15L);
    EXPECT_NEAR(RectTorsionCoefficient(kCoefModulus, 9.999L), 0.313L, 1e-5L);
    EXPECT_EQ(RectTorsionCoefficient(kCoefModulus, 10), 0.333L);
    EXPECT_EQ(RectTorsionCoefficient(kCoefStiffness, 10), 0.333L);
}

TEST_F(FormulasTest, CoilsRoundToTheEyePosition) {
    EyePosition = 0;
    EXPECT_NEAR(RoundCoilsToEyePosition(0, 7.3L), 7, 1e-15L);
    EXPECT_NEAR(RoundCoilsToEyePosition(0, 7.5L), 7, 1e-15L);
    EXPECT_NEAR(RoundCoilsToEyePosition(0, 7.6L), 8, 1e-15L);
    EXPECT_NEAR(RoundCoilsToEyePosition(0, 1.2L), 2, 1e-15L);
    EXPECT_NEAR(RoundCoilsToEyePosition(360, 7.3L), 7, 1e-15L);
    EXPECT_NEAR(RoundCoilsToEyePosition(90, 7.3L), 7.25L, 1e-15L);
    EXPECT_NEAR(RoundCoilsToEyePosition(90, 7.8L), 8.25L, 1e-15L);
    EXPECT_NEAR(RoundCoilsToEyePosition(180, 7.9L), 7.5L, 1e-15L);
    EyeType[2] = 4;  // eye turned by 90 degrees
    EXPECT_NEAR(RoundCoilsToEyePosition(90, 7.3L), 7, 1e-15L);
    EXPECT_NEAR(RoundCoilsToEyePosition(0, 7.3L), 7.75L, 1e-15L);
    EXPECT_NEAR(EyePositionFromCoils(7.5L), 270, 1e-12L);
    EyeType[2] = 2;
    EXPECT_NEAR(EyePositionFromCoils(7.5L), 180, 1e-12L);
    EXPECT_EQ(RoundCoilsToEyePosition(0, NAN), 0);
}

// One unit in the last place below a power of two, n + 1 is a tie that
// rounds up to the next power; the coil count must not take it.
TEST_F(FormulasTest, CoilsOneUlpBelowAPowerOfTwoGoUpToIt) {
    for (const Extended whole : {2.0L, 4.0L, 8.0L}) {
        const Extended n = std::nextafter(whole, Extended{0});
        EXPECT_LT(n, whole);
        EXPECT_EQ(RoundCoilsToEyePosition(0, n), whole) << static_cast<double>(whole);
    }
    EXPECT_EQ(RoundCoilsToEyePosition(180, std::nextafter(Extended{2}, Extended{0})), 2.5L);
    // Below 2 the count goes up to the next whole number; whole numbers stay.
    EXPECT_EQ(RoundCoilsToEyePosition(0, 1), 2);
    EXPECT_EQ(RoundCoilsToEyePosition(0, 0), 1);
    EXPECT_EQ(RoundCoilsToEyePosition(0, 4), 4);
    EXPECT_EQ(RoundCoilsToEyePosition(0, -0.5L), 0);
    EXPECT_EQ(RoundCoilsToEyePosition(0, -1.5L), 0);
}

// A raw count within rounding of a whole number (a division that is whole
// in exact arithmetic) rounds as that whole number: 1 - 17 ulp goes up to 2
// as 1 does, 8 - 1 ulp at an eye angle of 180 gives 8.5 as 8 does. A count
// truly below the whole number keeps its own rounding.
TEST_F(FormulasTest, CoilsWithinRoundingOfAWholeNumberRoundAsIt) {
    Extended belowOne = 1;
    for (int ulp = 0; ulp < 17; ++ulp) belowOne = std::nextafter(belowOne, Extended{0});
    EXPECT_EQ(RoundCoilsToEyePosition(0, belowOne), 2);
    EXPECT_EQ(RoundCoilsToEyePosition(0, std::nextafter(Extended{1}, Extended{0})), 2);
    EXPECT_EQ(RoundCoilsToEyePosition(0, std::nextafter(Extended{1}, Extended{2})), 2);
    EXPECT_EQ(RoundCoilsToEyePosition(180, std::nextafter(Extended{8}, Extended{0})), 8.5L);
    EXPECT_EQ(RoundCoilsToEyePosition(180, 8), 8.5L);
    EXPECT_EQ(RoundCoilsToEyePosition(0, 1 - 1e-9L), 1);
    EXPECT_EQ(RoundCoilsToEyePosition(180, 8 - 1e-9L), 7.5L);
}

TEST_F(FormulasTest, EyeHeightFactors) {
    const Extended expected[] = {0, 0.6L, 0.9L, 0.9L, 1, 1, 0, 0, 1.1L, 0, 0, 0, 0, 0.9L, 0};
    for (uint16_t t = 0; t <= 14; ++t) EXPECT_EQ(EyeHeightFactor(t), expected[t]) << t;
}

TEST_F(FormulasTest, RoundWireStressesAndInitialTension) {
    WireDiameter = 2;
    MeanDiameter = 16;
    EXPECT_NEAR(ShearStressOfForce(100), 8 * 100 * 16 / (3.14159265358979323846L * 8), 1e-12L);
    EXPECT_NEAR(ForceFromStress(ShearStressOfForce(100)), 100, 1e-12L);
    EyeBendingFactor = 1.25L;
    EXPECT_NEAR(EyeBendingStress(100), 1.25L * 16 * 100 * 16 / (3.14159265358979323846L * 8),
                1e-12L);
    SpringIndex = 8;
    TensileStrength = 1800;
    InitialStressMethod = 1;
    CalcInitialTensionStress();
    EXPECT_NEAR(InitialStress, (0.135L - 0.05L) * 1800, 1e-12L);
    InitialStressMethod = 2;
    CalcInitialTensionStress();
    EXPECT_NEAR(InitialStress, (0.075L - 0.03L) * 1800, 1e-12L);
    InitialStressMethod = 4;
    InitialTension = 50;
    CalcInitialTensionStress();
    EXPECT_NEAR(InitialStress, ShearStressOfForce(50), 1e-12L);
    InitialStressMethod = 9;
    CalcInitialTensionStress();
    EXPECT_NEAR(InitialStress, ShearStressOfForce(50), 1e-12L);
    InitialStressMethod = 3;
    CalcInitialTensionStress();
    EXPECT_EQ(InitialStress, 0);
}

TEST_F(FormulasTest, SectionsWithoutModulusGiveZeroStress) {
    WireShape = kShapeRounded;
    WireDiameter = 2;
    WireHeight = 3;
    EXPECT_EQ(ShearStressOfForce(100), 0);
    EXPECT_EQ(EyeBendingStress(100), 0);
    WireShape = kShapeRound;
    WireDiameter = 0;
    EXPECT_EQ(ShearStressOfForce(100), 0);
    MeanDiameter = 0;
    EXPECT_EQ(ForceFromStress(500), 0);
}

TEST_F(FormulasTest, RateGuardsInOrder) {
    EXPECT_NEAR(SpringRateFromCoils(1, 80000, 10, 2, 2, 16), 80000.0L * 16 / (8 * 4096 * 10),
                1e-15L);
    EXPECT_NEAR(ForceAtDeflection(3, 1, 80000, 10, 2, 2, 16), 3 * 80000.0L * 16 / (8 * 4096 * 10),
                1e-13L);
    EXPECT_NEAR(SpringRateFromCoils(3, 80000, 10, 2, 3, 16),
                4 * 80000 * RectTorsionStiffness(2, 3) / (3.14159265358979323846L * 4096 * 10),
                1e-15L);
    EXPECT_FALSE(CalcErrorFlag);
    EXPECT_EQ(SpringRateFromCoils(1, 80000, -1, 0, 2, 0), 0);
    EXPECT_EQ(SpringRateFromCoils(1, 80000, -1, 2, 2, 0), 0);
    EXPECT_EQ(SpringRateFromCoils(1, 80000, -1, 2, 2, 16), 0);
    EXPECT_TRUE(CalcErrorFlag);
    ASSERT_EQ(ErrorList.count, 3);
    EXPECT_EQ(ErrorList.slots[1].str(), "Fatal  : d <= 0 !");
    EXPECT_EQ(ErrorList.slots[2].str(), "Fatal  : Dm <= 0 !");
    EXPECT_EQ(ErrorList.slots[3].str(), "Fatal  : n <= 0 !");
}

TEST_F(FormulasTest, StrengthFollowsDiameterUnlessOwnMaterial) {
    MaterialRec.Rm0 = 2000;
    MaterialRec.RmSlope = 300;
    MaterialIndex = 0;
    WireDiameter = 1;
    UpdateStrengthFromDiameter();
    EXPECT_NEAR(TensileStrength, 2000, 1e-12L);
    EXPECT_NEAR(PermShearStress, 900, 1e-12L);
    EXPECT_NEAR(PermBendingStress.ToExtended(), 1400, 1e-8L);
    FormingMethod = 2;  // hot formed: at most 600
    UpdateStrengthFromDiameter();
    EXPECT_EQ(PermShearStress, 600);
    MaterialIndex = 11;
    TensileStrength = 1234;
    PermShearStress = 500;
    WireDiameter = 3;
    UpdateStrengthFromDiameter();
    EXPECT_EQ(TensileStrength, 1234);
    EXPECT_EQ(PermShearStress, 500);
}

}  // namespace
}  // namespace kor2
