// Start-up defaults of the spring values and the material record, and the
// strength law Rm(d) of the material record.
#include <gtest/gtest.h>

#include "common/globals.h"
#include "spring/material.h"
#include "spring/springdata.h"

namespace kor2 {
namespace {

class SpringDataTest : public ::testing::Test {
protected:
    void SetUp() override {
        InitProgramVariables();
        InitSpringData();
    }
};

TEST_F(SpringDataTest, DefaultsDescribeTheStartSpring) {
    EXPECT_EQ(WireDiameter, 1.2L);
    EXPECT_EQ(OuterDiameter, 10);
    EXPECT_EQ(MeanDiameter, 8.8L);
    EXPECT_EQ(InnerDiameter, 7.6L);
    EXPECT_EQ(ForceF1, 10);
    EXPECT_EQ(ForceF2, 20);
    EXPECT_EQ(Stroke, 11);
    EXPECT_EQ(LoadingType, 2);
    EXPECT_EQ(FormingMethod, 1);
    EXPECT_EQ(ShotPeened, 'N');
    EXPECT_EQ(EyeType[1], 2);
    EXPECT_EQ(EyeType[2], 2);
    EXPECT_EQ(EyeHeight[1], 6.5L);
    EXPECT_EQ(EyeHeight[2], 6.5L);
    for (uint16_t g : {TolGradeDm, TolGradeL0, TolGradeF0, TolGradeF12, TolGradeEyePosition,
                       TolGradeEyeOverhang})
        EXPECT_EQ(g, 2);
    EXPECT_EQ(StatisticsFlag, 'N');
    EXPECT_GT(LengthL1, LengthL2);  // replaced by the first full check
    EXPECT_EQ(SpringTitle.str(), "Zugfeder");  // the program identity's title
    SpringDataPart2Init();
    EXPECT_EQ(SpringTitle.str(), "Feder");  // the group default it replaces
    EXPECT_EQ(ShortCode6.str(), "      ");
    EXPECT_EQ(LoadCollectiveFactor, 1.0L);
    EXPECT_EQ(PermBendingStress.ToExtended(), 100);
}

TEST_F(SpringDataTest, InitClearsRecordsAndResults) {
    DynamicRecord.AttachedMass = 3;
    DynamicRecord.Magnification = 2;
    RelaxationRecord.T1relax = 100;
    SpringRate = 5;
    StatisticsResults[7] = 1;
    MaterialRec.Rm0 = 1900;
    MaterialRecNo = 12;
    InitSpringData();
    EXPECT_EQ(DynamicRecord.AttachedMass, 0);
    EXPECT_EQ(DynamicRecord.Magnification, 0);
    EXPECT_EQ(RelaxationRecord.T1relax, 0);
    EXPECT_EQ(SpringRate, 0);
    EXPECT_EQ(StatisticsResults[7], 0);
    EXPECT_EQ(MaterialRec.Rm0, 0);
    EXPECT_EQ(MaterialRecNo, 3);
    EXPECT_EQ(MaterialRec.Density.ToExtended(), Real48::FromExtended(7.8L).ToExtended());
    EXPECT_EQ(MaterialRec.DR0.ToExtended(), 1);
    EXPECT_EQ(MaterialRec.DRef.ToExtended(), 1);
}

TEST_F(SpringDataTest, BendingStressesKeepSixByteRealPrecision) {
    const Extended x = 123.456789012345678L;
    PermBendingStress = Real48::FromExtended(x);
    EXPECT_NE(PermBendingStress.ToExtended(), x);
    EXPECT_NEAR(PermBendingStress.ToExtended(), x, 1e-9L);
}

TEST_F(SpringDataTest, ApplyMaterialRecordCopiesNameModuliDensity) {
    MaterialRec.Name1 = std::string(60, 'X');
    MaterialRec.ShearModulus = 81500;
    MaterialRec.YoungsModulus = 206000;
    MaterialRec.Density = Real48::FromExtended(7.9L);
    ApplyMaterialRecord();
    EXPECT_EQ(MaterialIndex, 0);
    EXPECT_EQ(MaterialKind, 0);
    EXPECT_EQ(MaterialName.str(), std::string(50, 'X'));
    EXPECT_EQ(ModulusG, 81500);
    EXPECT_EQ(ModulusE, 206000);
    EXPECT_NEAR(Density, 7.9L, 1e-10L);
}

TEST_F(SpringDataTest, RmFollowsTheLogLawAndItsUpperBound) {
    MaterialRec.Rm0 = 1900;
    MaterialRec.RmSlope = 300;
    EXPECT_NEAR(RmAtDiameter(1.0L), 1900, 1e-12L);
    EXPECT_NEAR(RmAtDiameter(10.0L), 1600, 1e-9L);
    EXPECT_NEAR(RmAtDiameter(0.1L), 2200, 1e-9L);
    for (int32_t noBound : {0, 1}) {
        MaterialRec.RmMax = noBound;
        EXPECT_NEAR(RmAtDiameter(0.01L), 2500, 1e-9L);
    }
    MaterialRec.RmMax = 2100;
    EXPECT_EQ(RmAtDiameter(0.01L), 2100);
    EXPECT_NEAR(RmAtDiameter(2.0L), 1900 - 300 * 0.30102999566398120L, 1e-9L);
    EXPECT_EQ(ErrorList.count, 0);
    EXPECT_FALSE(CalcErrorFlag);
}

TEST_F(SpringDataTest, RmOfBadDiameterOrZeroDR0IsFatal) {
    EXPECT_EQ(RmAtDiameter(0), 0.1L);
    EXPECT_TRUE(CalcErrorFlag);
    ASSERT_EQ(ErrorList.count, 1);
    EXPECT_EQ(ErrorList.slots[1].str(), "Fatal  : d <= 0 !");
    ClearErrorList();
    MaterialRec = FEDWST_Record{};  // a record of zeros
    EXPECT_EQ(RmAtDiameter(1.2L), 0.1L);
    ASSERT_EQ(ErrorList.count, 1);
    EXPECT_EQ(ErrorList.slots[1].str(), "Fatal  : DR0 = 0 !");
}

}  // namespace
}  // namespace kor2
