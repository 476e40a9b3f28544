// Absurd inputs: every design path and the full check end with a fatal
// message or with finite results, never NaN or infinity in a spring value.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "common/globals.h"
#include "spring/check.h"
#include "spring/design.h"
#include "spring/examplespring.h"
#include "spring/springdata.h"

namespace kor2 {
namespace {

// Every 80-bit spring value that a calculation writes.
std::vector<std::pair<const char*, const Extended*>> StoredValues() {
    std::vector<std::pair<const char*, const Extended*>> v = {{"De", &OuterDiameter},
                                                              {"Di", &InnerDiameter},
                                                              {"Dm", &MeanDiameter},
                                                              {"F1", &ForceF1},
                                                              {"F2", &ForceF2},
                                                              {"Fn", &ForceFn},
                                                              {"F0", &InitialTension},
                                                              {"Fnk", &ForceFnk},
                                                              {"s1", &DeflectionS1},
                                                              {"s2", &DeflectionS2},
                                                              {"sh", &Stroke},
                                                              {"sn", &DeflectionSn},
                                                              {"snk", &DeflectionSnk},
                                                              {"R", &SpringRate},
                                                              {"L0", &FreeLength},
                                                              {"L1", &LengthL1},
                                                              {"L2", &LengthL2},
                                                              {"Ln", &LengthLn},
                                                              {"Lnk", &LengthLnk},
                                                              {"LK", &BodyLength},
                                                              {"drawing", &DrawingLength},
                                                              {"pitch", &CoilPitch},
                                                              {"n", &ActiveCoils},
                                                              {"w", &SpringIndex},
                                                              {"k", &StressFactor},
                                                              {"tau0", &InitialStress},
                                                              {"tau1", &ShearStress1},
                                                              {"tau2", &ShearStress2},
                                                              {"tauk1", &CorrectedStress1},
                                                              {"tauk2", &CorrectedStress2},
                                                              {"taukh", &CorrectedStrokeStress},
                                                              {"q", &EyeBendingFactor},
                                                              {"sq1", &EyeBendingStress1},
                                                              {"sq2", &EyeBendingStress2},
                                                              {"sqh", &EyeBendingStrokeStress},
                                                              {"GT", &ModulusGT},
                                                              {"Rm", &TensileStrength},
                                                              {"tauzul", &PermShearStress},
                                                              {"tauhz", &PermStrokeStress},
                                                              {"fe", &NaturalFrequency},
                                                              {"N", &LoadCycles},
                                                              {"Nlow", &LoadCyclesLow},
                                                              {"Nhigh", &LoadCyclesHigh},
                                                              {"S1", &SafetyFactor1},
                                                              {"S2", &SafetyFactor2},
                                                              {"Sh", &SafetyFactorStroke},
                                                              {"d", &WireDiameter},
                                                              {"h", &WireHeight},
                                                              {"wire tol", &WireTolerance},
                                                              {"L", &WireLength},
                                                              {"m", &SpringMass},
                                                              {"eye pos", &EyePosition},
                                                              {"tol Dm", &TolDmPlus},
                                                              {"tol L0", &TolL0Plus},
                                                              {"tol F1", &TolF1Plus},
                                                              {"tol F2", &TolF2Plus},
                                                              {"tol F0", &TolF0Plus},
                                                              {"tol eye", &TolEyePositionPlus},
                                                              {"overhang", &TolEyeOverhang}};
    for (const Extended* p : {&SpringWork[0], &SpringWork[1], &SpringWork[2], &EyeHeight[1],
                              &EyeHeight[2], &ScrewedInCoils[0]})
        v.emplace_back("work/eye", p);
    for (int i = 1; i <= 7; ++i) v.emplace_back("statistics", &StatisticsResults[i]);
    const DynamicValues& r = DynamicRecord;
    for (const Extended* p : {&r.OmegaNatural, &r.OmegaExcitation, &r.SpringMassKg, &r.RateNPerM,
                              &r.ForceAmplitude, &r.Amplitude, &r.Magnification, &r.Frequency,
                              &r.AmplitudeIncrease, &r.AmplitudeIncreasePercent})
        v.emplace_back("dynamic", p);
    return v;
}

void ExpectAllFinite(const std::string& scenario) {
    for (const auto& [name, p] : StoredValues())
        EXPECT_TRUE(std::isfinite(*p)) << scenario << ": " << name << " = " << *p;
    EXPECT_TRUE(std::isfinite(PermBendingStress.ToExtended())) << scenario;
    EXPECT_TRUE(std::isfinite(PermBendingStrokeStress.ToExtended())) << scenario;
}

struct Scenario {
    const char* name;
    std::function<void()> set;
};

const std::vector<Scenario>& Scenarios() {
    static const std::vector<Scenario> all = {
        {"d = 0", [] { WireDiameter = 0; }},
        {"d < 0", [] { WireDiameter = -1; }},
        {"Dm < d", [] { OuterDiameter = 1.5L; }},
        {"De = d", [] { OuterDiameter = 1.2L; }},
        {"Dm = 0 typed",
         [] {
             DiameterInputMode = 3;
             MeanDiameter = 0;
         }},
        {"n < 0", [] { ActiveCoils = -4; }},
        {"F2 = F1", [] { ForceF2 = ForceF1; }},
        {"F2 < 0",
         [] {
             ForceF1 = -30;
             ForceF2 = -10;
         }},
        {"sh < 0", [] { Stroke = -5; }},
        {"zero material", [] { MaterialRec = FEDWST_Record{}; }},
        {"own material zeros",
         [] {
             MaterialIndex = 11;
             TensileStrength = 0;
             PermShearStress = 0;
         }},
        {"T 4000", [] { Temperature = 4000; }},
        {"T 3620", [] { Temperature = 3620; }},
        {"T 3630 at 90 degrees",
         [] {
             Temperature = 3630;
             EyePosition = 90;
         }},
        {"G 0", [] { ModulusG = 0; }},
        {"G < 0", [] { ModulusG = -81500; }},
        {"density 0", [] { Density = 0; }},
        {"E 0", [] { ModulusE = 0; }},
        {"eye angle -1000", [] { EyePosition = -1000; }},
        {"gap -d", [] { CoilGap = -1.2L; }},
        {"huge forces",
         [] {
             ForceF1 = 1e30L;
             ForceF2 = 2e30L;
         }},
        {"tiny wire", [] { WireDiameter = 1e-6L; }},
        {"wide openings",
         [] {
             EyeOpening = {0, 1e4L, 1e4L};
         }},
        {"all grades 0", [] { TolGradeDm = TolGradeL0 = TolGradeF0 = TolGradeF12 = 0; }},
        {"statistics on, sigma huge",
         [] {
             StatisticsFlag = 'J';
             StatisticsSigma = 1e30L;
         }},
        {"attached mass",
         [] {
             DynamicRecord.AttachedMass = 1e-9L;
             OperatingFrequency = 1e6L;
         }},
        {"rounded section",
         [] {
             WireShape = 5;
             WireHeight = 0;
         }},
        {"L2 = L1",
         [] {
             LengthL2 = LengthL1 = 50;
             BodyLength = 1.2L;
         }},
        {"no eyes",
         [] {
             EyeType = {0, 0, 0};
             EyeHeight = {0, 0, 0};
         }},
    };
    return all;
}

TEST(RobustnessTest, FullCheckNeverStoresNaN) {
    for (const Scenario& s : Scenarios()) {
        test::SetUpExampleSpring();
        CheckSpring();
        s.set();
        CheckSpring();
        ExpectAllFinite(s.name);
        EXPECT_LE(ErrorList.count, 11);
        // A set flag always comes with its message.
        EXPECT_TRUE(!CalcErrorFlag || ErrorList.count > 0) << s.name;
    }
}

TEST(RobustnessTest, DesignPathsNeverStoreNaN) {
    const std::pair<const char*, void (*)()> paths[] = {
        {"AutoDesign", AutoDesign},
        {"PreDimension", PreDimension},
        {"IterateWireDiameter", IterateWireDiameter},
        {"PreDimensionWithEyes", PreDimensionWithEyes},
        {"RecalcFromGeometry", RecalcFromGeometry},
        {"RecalcFromLengths", RecalcFromLengths}};
    for (const auto& [pathName, path] : paths) {
        for (const Scenario& s : Scenarios()) {
            test::SetUpExampleSpring();
            CheckSpring();
            BodyLength = 42;
            s.set();
            path();
            ExpectAllFinite(std::string(pathName) + ", " + s.name);
        }
    }
}

TEST(RobustnessTest, ZeroMaterialRecordIsFatal) {
    test::SetUpExampleSpring();
    MaterialRec = FEDWST_Record{};
    CheckSpring();
    EXPECT_TRUE(CalcErrorFlag);
    EXPECT_EQ(ErrorList.slots[1].str(), "Fatal  : DR0 = 0 !");
}

TEST(RobustnessTest, TemperatureAboveShearModulusLimitIsFatal) {
    test::SetUpExampleSpring();
    Temperature = 3700;
    CheckSpring();
    EXPECT_TRUE(CalcErrorFlag);
    ASSERT_EQ(ErrorList.count, 1);
    EXPECT_EQ(ErrorList.slots[1].str(), "Fatal  : G(T) <= 0 !");
}

}  // namespace
}  // namespace kor2
