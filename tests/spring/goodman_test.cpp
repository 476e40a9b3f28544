// Fatigue limits: lines at d, borrowed lines of the other surface state,
// permissible stroke stress on the sloped line or under the limit, safety
// factors, load cycles and the error and warning texts.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "common/globals.h"
#include "spring/examplespring.h"
#include "spring/goodman.h"

namespace kor2 {
namespace {

class GoodmanTest : public ::testing::Test {
protected:
    void SetUp() override {
        test::SetUpExampleSpring();
        WireDiameter = 1;  // d = DRef: the lines' own values
        ShearStress1 = 100;
        ShearStress2 = 200;
        CorrectedStress1 = 120;
        CorrectedStress2 = 240;
        CorrectedStrokeStress = 120;
        PermShearStress = 800;
    }
    void Run(uint16_t mode = 1) { GoodmanLimits(mode, tauO, tauH, slope, knee, text); }
    Extended tauO = -1, tauH = -1, slope = -1, knee = -1;
    std::string text;
};

TEST_F(GoodmanTest, LinesAtReferenceDiameter) {
    Run();
    EXPECT_EQ(tauO, 800);
    EXPECT_EQ(tauH, 400);
    EXPECT_EQ(slope, 0.625L);
    EXPECT_EQ(text, "Federstahl (EN 10270-1) nicht kugelgestrahlt");
    EXPECT_NEAR(knee, 400 / 0.625L, 1e-12L);
    // Sloped line: 400 + 0.625 * 120 - 120.
    EXPECT_NEAR(PermStrokeStress, 355, 1e-12L);
    EXPECT_NEAR(SafetyFactor1, 800 / 120.0L, 1e-15L);
    EXPECT_NEAR(SafetyFactor2, 800 / 240.0L, 1e-15L);
    EXPECT_NEAR(SafetyFactorStroke, 355 / 120.0L, 1e-15L);
    EXPECT_NEAR(LoadCycles, std::pow(10.0L, 11 - 4 * (400 + 120 - 355) / 400.0L), 1e-3L);
    EXPECT_EQ(ErrorList.count, 0);
}

TEST_F(GoodmanTest, BorrowedPeenedLinesForUnpeenedSpring) {
    MaterialRec.TauO0 = MaterialRec.TauH0 = 0;
    MaterialRec.TauO0Peened = 900;
    MaterialRec.TauH0Peened = 480;
    MaterialRec.GoodmanSlopePeened = Real48::FromExtended(0.5L);
    Run();
    Run();
    EXPECT_EQ(tauO, 900);
    EXPECT_NEAR(tauH, 400, 1e-12L);  // 5/6 of 480
    EXPECT_EQ(slope, 0.5L);
    ASSERT_EQ(ErrorList.count, 1);
    EXPECT_EQ(ErrorList.slots[1].str(), "Warnung: approx.Goodman");
    ClearErrorList();
    WarningsOn = 0;
    Run();
    EXPECT_EQ(ErrorList.count, 0);
}

TEST_F(GoodmanTest, BorrowedUnpeenedLinesForPeenedSpring) {
    ShotPeened = 'J';
    Run();
    EXPECT_EQ(tauO, 800);
    EXPECT_NEAR(tauH, 480, 1e-12L);  // 1.2 * 400
    EXPECT_EQ(text, "Federstahl (EN 10270-1) kugelgestrahlt");
    EXPECT_EQ(ErrorList.slots[1].str(), "Warnung: approx.Goodman");
}

TEST_F(GoodmanTest, LowerStressAboveKneeTakesTheUpperLimit) {
    CorrectedStress1 = 700;
    CorrectedStress2 = 760;
    CorrectedStrokeStress = 60;
    MaterialRec.GoodmanSlope = Real48::FromExtended(0.25L);  // knee 1600: sloped line
    Run();
    EXPECT_NEAR(PermStrokeStress, 400 + 0.25L * 700 - 700, 1e-12L);
    MaterialRec.GoodmanSlope = Real48::FromExtended(0.625L);  // knee 640: upper limit
    Run();
    EXPECT_NEAR(PermStrokeStress, 100, 1e-12L);  // 800 - 700
}

TEST_F(GoodmanTest, StrokeEqualToPermissibleGivesTenMillionCycles) {
    // tauk1 120 -> tau hz 355; make the stroke exactly 355.
    CorrectedStress2 = 475;
    CorrectedStrokeStress = 355;
    Run();
    EXPECT_NEAR(LoadCycles / 1e7L, 1, 1e-15L);
    EXPECT_NEAR(std::log10(LoadCyclesLow), 7 - 0.2L * 355 / 400, 1e-12L);
    EXPECT_NEAR(std::log10(LoadCyclesHigh), 7 + 0.2L * 355 / 400, 1e-12L);
}

TEST_F(GoodmanTest, ZeroSlopeIsAnErrorWithoutFlag) {
    MaterialRec.GoodmanSlope = Real48::FromExtended(0);
    SafetyFactor1 = 42;
    Run();
    EXPECT_EQ(PermStrokeStress, 0);
    EXPECT_EQ(SafetyFactor1, 42);  // the routine ends before the safety factors
    EXPECT_FALSE(CalcErrorFlag);
    EXPECT_EQ(ErrorList.slots[1].str(), "Fehler : FEDWST Goodman");
}

TEST_F(GoodmanTest, ZeroStressesStopTheChainWithModeTexts) {
    const struct {
        Extended* stress;
        const char* tauText;
        const char* sigmaText;
    } cases[] = {{&ShearStress2, "Fehler : tau2=0 !", "Fehler : sigma2=0 !"},
                 {&CorrectedStress2, "Fehler : tauk2=0 !", "Fehler : sigmak2=0 !"},
                 {&CorrectedStrokeStress, "Fehler : taukh=0 !", "Fehler : sigmakh=0 !"}};
    for (const auto& c : cases) {
        for (uint16_t mode : {1, 2}) {
            SetUp();
            *c.stress = 0;
            Run(mode);
            EXPECT_TRUE(CalcErrorFlag);
            ASSERT_EQ(ErrorList.count, 1);
            EXPECT_EQ(ErrorList.slots[1].str(), mode == 2 ? c.sigmaText : c.tauText);
        }
    }
}

TEST_F(GoodmanTest, StaticLoadingHasNoCyclesAndNoUpperLimitError) {
    LoadingType = 1;
    CorrectedStress2 = 900;  // above tau o
    ShearStress1 = 0;
    Run();
    EXPECT_EQ(SafetyFactor1, 99);
    EXPECT_EQ(SafetyFactor2, 4);
    EXPECT_EQ(SafetyFactorStroke, 10);
    EXPECT_EQ(LoadCycles, 0);
    EXPECT_EQ(ErrorList.count, 0);
    LoadingType = 2;
    CorrectedStress1 = 0;
    Run(2);
    EXPECT_EQ(SafetyFactor1, 99);
    EXPECT_EQ(ErrorList.slots[1].str(), "Fehler : sigmak2 > sigmao !");
    Run(1);
    EXPECT_EQ(ErrorList.slots[2].str(), "Fehler : tauk2 > tauo !");
}

TEST_F(GoodmanTest, WithoutLinesOrTableMaterialNoStrokeStress) {
    MaterialRec.DRef = Real48::FromExtended(0);
    Run();
    EXPECT_EQ(text, "");
    EXPECT_EQ(tauO, 0);
    EXPECT_EQ(tauH, 0);
    EXPECT_EQ(PermStrokeStress, 0);
    EXPECT_EQ(SafetyFactorStroke, 0);
    EXPECT_EQ(LoadCycles, 0);
    EXPECT_EQ(ErrorList.slots[1].str(), "Warnung: kein Goodman-Diagramm");
    SetUp();
    MaterialIndex = 11;  // lines exist, but the material is typed in
    Run();
    EXPECT_EQ(PermStrokeStress, 0);
    EXPECT_EQ(LoadCycles, 0);
}

}  // namespace
}  // namespace kor2
