// The full check end to end: every result of the example spring against
// values worked out by hand from the formulas, and the check's messages.
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <string>

#include "common/globals.h"
#include "platform/oemtext.h"
#include "spring/chain.h"
#include "spring/check.h"
#include "spring/design.h"
#include "spring/examplespring.h"
#include "spring/springdata.h"
#include "spring/tolerances.h"
#include "spring/wiretolerances.h"

namespace kor2 {
namespace {

// Relative comparison for results carried through several formulas.
void ExpectRel(Extended actual, Extended expected, const char* what) {
    EXPECT_NEAR(static_cast<double>(actual), static_cast<double>(expected),
                std::fabs(static_cast<double>(expected)) * 1e-10 + 1e-12)
        << what;
}

bool HasMessage(const std::string& text) {
    for (int k = 1; k <= ErrorList.count; ++k)
        if (ErrorList.slots[k].str() == text.substr(0, 36)) return true;
    return false;
}

std::string Messages() {
    std::string all;
    for (int k = 1; k <= ErrorList.count; ++k) all += ErrorList.slots[k].str() + "\n";
    return all;
}

class CheckTest : public ::testing::Test {
protected:
    void SetUp() override { test::SetUpExampleSpring(); }
};

TEST_F(CheckTest, ExampleSpringMatchesTheHandCalculation) {
    CheckSpring();
    EXPECT_FALSE(CalcErrorFlag);
    EXPECT_EQ(ErrorList.count, 0) << Messages();

    // Diameters with De held, rate, strength.
    ExpectRel(ModulusGT, 81500, "G(T)");
    ExpectRel(MeanDiameter, 8.8L, "Dm");
    ExpectRel(InnerDiameter, 7.6L, "Di");
    ExpectRel(SpringRate, 0.90909090909090909L, "R");
    ExpectRel(TensileStrength, 1876.2456261857126L, "Rm");
    ExpectRel(PermShearStress, 844.31053178357065L, "tau zul");
    ExpectRel(PermBendingStress.ToExtended(), 1313.3719383299988L, "sigma z");
    // Geometry: 34.0987 raw coils round to 34 at eye position 0.
    ExpectRel(SpringIndex, 7.3333333333333333L, "w");
    ExpectRel(InitialStress, 89.121667243821346L, "tau0");
    ExpectRel(InitialTension, 6.8723339339993709L, "F0");
    ExpectRel(ActiveCoils, 34, "n");
    ExpectRel(DeflectionS1, 3.440432672600692L, "s1");
    ExpectRel(DeflectionS2, 14.440432672600692L, "s2");
    ExpectRel(BodyLength, 42, "LK");
    ExpectRel(CoilPitch, 1.2L, "pitch");
    ExpectRel(FreeLength, 55, "L0 = LK + 2 LH");
    ExpectRel(LengthL1, 58.440432672600692L, "L1");
    ExpectRel(LengthL2, 69.440432672600692L, "L2");
    ExpectRel(DrawingLength, 69.440432672600692L, "drawing length");
    // Results.
    ExpectRel(ForceFn, 65.10632147999404L, "Fn");
    ExpectRel(DeflectionSn, 64.057386300594136L, "sn");
    ExpectRel(LengthLn, 119.05738630059414L, "Ln");
    ExpectRel(ShearStress1, 129.68180548228509L, "tau1");
    ExpectRel(ShearStress2, 259.36361096457018L, "tau2");
    ExpectRel(StressFactor, 1.1892608940646131L, "k");
    ExpectRel(ForceFnk, 54.745196621639511L, "Fnk");
    ExpectRel(DeflectionSnk, 52.660148956404154L, "snk");
    ExpectRel(LengthLnk, 107.66014895640415L, "Lnk");
    ExpectRel(CorrectedStress1, 154.22549993177561L, "tauk1");
    ExpectRel(CorrectedStress2, 308.45099986355121L, "tauk2");
    ExpectRel(CorrectedStrokeStress, 154.22549993177561L, "taukh");
    ExpectRel(SpringWork[0], 165, "Wh");
    ExpectRel(SpringWork[1], 29.024064464780402L, "W1");
    ExpectRel(SpringWork[2], 194.0240644647804L, "W2");
    ExpectRel(EyeBendingFactor, 1.147105548967052L, "q");
    ExpectRel(EyeBendingStress1, 297.51743733759019L, "sigma q1");
    ExpectRel(EyeBendingStress2, 595.03487467518038L, "sigma q2");
    ExpectRel(EyeBendingStrokeStress, 297.51743733759019L, "sigma qh");
    ExpectRel(NaturalFrequency, 165.26698129796025L, "fe");
    ExpectRel(WireLength, 973.01053730565632L, "wire length");
    ExpectRel(SpringMass, 8.6385245880742281L, "mass");
    // Fatigue: tauk1 below the knee (634.9), so tau hz lies on the sloped line.
    ExpectRel(PermStrokeStress, 337.41456276272666L, "tau hz");
    ExpectRel(SafetyFactor1, 5.4745196621639511L, "S1");
    ExpectRel(SafetyFactor2, 2.7372598310819755L, "S2");
    ExpectRel(SafetyFactorStroke, 2.187800090853899L, "Sh");
    ExpectRel(LoadCycles, 714348047.86990862L, "N");
    ExpectRel(LoadCyclesLow, 482141736.54958165L, "N low");
    ExpectRel(LoadCyclesHigh, 1058388218.2601145L, "N high");
    ExpectRel(PermBendingStrokeStress.ToExtended(), 441.22694035105055L, "sigma hz");
    // Dynamic check without an attached mass.
    ExpectRel(DynamicRecord.SpringMassKg, 0.0086385245880742281L, "kg");
    ExpectRel(DynamicRecord.RateNPerM, 909.09090909090909L, "N/m");
    ExpectRel(DynamicRecord.OmegaExcitation, 6.2831853071795865L, "omega f");
    ExpectRel(DynamicRecord.OmegaNatural, 561.88119566446909L, "omega e");
    ExpectRel(DynamicRecord.Frequency, 89.426169720384687L, "f e mass");
    ExpectRel(DynamicRecord.Magnification, 1.0001250619082887L, "magnification");
    ExpectRel(DynamicRecord.ForceAmplitude, 5, "force amplitude");
    ExpectRel(DynamicRecord.Amplitude, 5.5006878404955881L, "amplitude");
    ExpectRel(DynamicRecord.AmplitudeIncrease, 0.00068784049558806571L, "increase");
    ExpectRel(DynamicRecord.AmplitudeIncreasePercent, 0.012506190828873922L, "increase %");
    // Tolerances: the DIN 2097 routines with the hand values above.
    const Extended n = 34, L0 = 55, R = 10.0L / 11, F0 = 6.8723339339993709L;
    ExpectRel(TolDmPlus, TolTable(2, 1, 10, 7.6L, 8.8L, 8.8L / 1.2L), "Dm tol");
    EXPECT_EQ(TolDmMinus, -TolDmPlus);
    ExpectRel(TolL0Plus, FreeLengthTolerance(2, 1, 8.8L, 1.2L, R, n, L0), "L0 tol");
    ExpectRel(TolF1Plus, ForceTolerance(2, 10, 3.440432672600692L, 8.8L, 1.2L, n, L0, R), "F1 tol");
    ExpectRel(TolF2Plus, ForceTolerance(2, 20, 14.440432672600692L, 8.8L, 1.2L, n, L0, R),
              "F2 tol");
    ExpectRel(TolF0Plus, InitialTensionTolerance(2, 8.8L, 1.2L, n, F0, L0, R), "F0 tol");
    ExpectRel(TolEyePositionPlus, EyePositionTolerance(2, 8.8L / 1.2L, n), "eye pos tol");
    ExpectRel(TolEyeOverhang, EyeOverhangTolerance(2, 8.8L / 1.2L, 1.2L), "overhang tol");
    ExpectRel(WireTolerance, WireDiameterTolerance(7, 1.2L), "wire tol");
    EXPECT_GT(TolF1Plus, 0);
    // Names and title.
    EXPECT_EQ(EyeNames[1].str(), "ganze deutsche Öse"_oem);
    EXPECT_EQ(EyeNames[2].str(), "ganze deutsche Öse"_oem);
    EXPECT_EQ(ReportTitleLines[1].str(), "Zugfeder   Zeichn.Nr.: ");
}

TEST_F(CheckTest, EyeShapeNamesCoverAllThirteenShapes) {
    for (std::size_t t = 1; t <= 13; ++t) {
        const std::string name = EyeShapeNames[t];
        EXPECT_FALSE(name.empty()) << t;
        EXPECT_LE(name.size(), 50u) << t;
        for (std::size_t u = 1; u < t; ++u) EXPECT_NE(name, EyeShapeNames[u]);
    }
    // Code page 850 bytes: "Ö" is 0x99.
    EXPECT_EQ(std::string(EyeShapeNames[1]).back(), 'e');
    EXPECT_NE(std::string(EyeShapeNames[1]).find('\x99'), std::string::npos);
    EyeType = {0, 11, 0};  // eye 2 without a shape code keeps its name
    EyeNames[2] = "vorher";
    ScrewedInCoils = {0, 3, 0};
    CheckSpring();
    EXPECT_EQ(EyeNames[1].str(), EyeShapeNames[11]);
    EXPECT_EQ(EyeNames[2].str(), "vorher");
}

TEST_F(CheckTest, ZeroMeanDiameterGivesOnlyTheFatalMessage) {
    MeanDiameter = 0;
    CheckSpring();
    EXPECT_TRUE(CalcErrorFlag);
    ASSERT_EQ(ErrorList.count, 1);
    EXPECT_EQ(ErrorList.slots[1].str(), "Fatal  : dm <= 0 !");
}

TEST_F(CheckTest, TitleLineCarriesTheDrawingNumber) {
    SpringTitle = "Zugfeder";
    DrawingNumber = "4711-08";
    CheckSpring();
    EXPECT_EQ(ReportTitleLines[1].str(), "Zugfeder   Zeichn.Nr.: 4711-08");
}

// tau zul is set from Rm(d); the typed-in material keeps it, so the stress
// ratio can be chosen exactly.
class StressCheckTest : public CheckTest {
protected:
    void RunWithRatio(Extended ratio) {
        MaterialIndex = 11;
        TensileStrength = 1876;
        CheckSpring();  // first run gives tauk2
        PermShearStress = CorrectedStress2 / ratio;
        CheckSpring();
    }
};

TEST_F(StressCheckTest, DynamicOverloadGivesWarningThenError) {
    RunWithRatio(1.2L);
    EXPECT_TRUE(HasMessage("Warnung: tauk2>tauzul! S=0.83")) << Messages();
    EXPECT_FALSE(HasMessage("Fehler : tauk2>tauzul! S=0.83"));
    RunWithRatio(1.4L);
    EXPECT_TRUE(HasMessage("Warnung: tauk2>tauzul! S=0.71")) << Messages();
    EXPECT_TRUE(HasMessage("Fehler : tauk2>tauzul! S=0.71"));
    EXPECT_FALSE(HasMessage("Fehler : tauk1>tauzul !"));  // tauk1 = tauk2 / 2
    RunWithRatio(2.5L);
    EXPECT_TRUE(HasMessage("Fehler : tauk1>tauzul !"));
}

TEST_F(StressCheckTest, StaticOverloadUsesUncorrectedStress) {
    LoadingType = 1;
    MaterialIndex = 11;
    TensileStrength = 1876;
    CheckSpring();
    PermShearStress = ShearStress2 / 1.4L;
    CheckSpring();
    EXPECT_TRUE(HasMessage("Warnung: tau2>tauzul! S=0.71")) << Messages();
    EXPECT_TRUE(HasMessage("Fehler : tau2>tauzul! S=0.71"));
    EXPECT_FALSE(HasMessage("Warnung: tauk2>tauzul! S=0.71"));
}

TEST_F(StressCheckTest, FactorFollowsTheDecimalCommaOption) {
    DecimalCommaOption = 2;
    RunWithRatio(1.2L);
    EXPECT_TRUE(HasMessage("Warnung: tauk2>tauzul! S=0,83")) << Messages();
}

TEST_F(CheckTest, ResonanceBandExcludesItsEnds) {
    CheckSpring();
    const Extended fe = NaturalFrequency;
    const auto runAt = [&](Extended ratio) {
        OperatingFrequency = ratio * fe;
        // Nudge f until f/fe is the exact ratio, so the band's ends are tested.
        for (int i = 0; i < 8 && OperatingFrequency / fe != ratio; ++i)
            OperatingFrequency =
                std::nextafter(OperatingFrequency, OperatingFrequency / fe < ratio ? 1e9L : 0.0L);
        ASSERT_EQ(OperatingFrequency / fe, ratio);
        CheckSpring();
    };
    const std::string resonance = "Warnung: Resonanzbereich !";
    const std::string supercritical = "Warnung: Überkrit. Bereich"_oem;
    runAt(0.85L);
    EXPECT_FALSE(HasMessage(resonance));
    EXPECT_FALSE(HasMessage(supercritical));
    runAt(0.86L);
    EXPECT_TRUE(HasMessage(resonance));
    runAt(1.15L);
    EXPECT_FALSE(HasMessage(resonance));
    EXPECT_TRUE(HasMessage(supercritical));
}

TEST_F(CheckTest, SpringIndexWarningOutside3_4To16) {
    DiameterInputMode = 3;
    const auto runAtIndex = [](Extended w) {
        MeanDiameter = w * WireDiameter;
        CheckSpring();
        EXPECT_EQ(SpringIndex, MeanDiameter / WireDiameter);
        return HasMessage("Warnung: Wickelverh. Dm/d !");
    };
    WireDiameter = 1;
    EyeHeight = {0, 3.2L, 3.2L};
    EXPECT_FALSE(runAtIndex(3.4L));
    EXPECT_TRUE(runAtIndex(3.39L));
    EyeHeight = {0, 15, 15};
    EXPECT_FALSE(runAtIndex(16));
    EXPECT_TRUE(runAtIndex(16.01L));
}

TEST_F(CheckTest, EyeBendingChecksSkippedOnlyWhenBothEyesAreRolledOrScrewed) {
    PermBendingStress = Real48::FromExtended(1);  // every eye stress is too high
    MaterialIndex = 11;
    TensileStrength = 1876;
    PermShearStress = 844;
    ScrewedInCoils = {0, 3, 3};
    EyeType = {0, 9, 12};
    CheckSpring();
    EXPECT_FALSE(HasMessage("Warnung: Sig.q2>sig.z S=")) << Messages();
    EyeType = {0, 9, 13};
    CheckSpring();
    bool found = false;
    for (int k = 1; k <= ErrorList.count; ++k)
        found |= ErrorList.slots[k].str().rfind("Warnung: Sig.q2>sig.z S=", 0) == 0;
    EXPECT_TRUE(found) << Messages();
}

TEST_F(CheckTest, NegativeInitialTensionGivesBothTexts) {
    InitialStressMethod = 4;
    InitialTension = -2;
    CheckSpring();
    EXPECT_TRUE(HasMessage("Fehler : F0<0 !")) << Messages();
    EXPECT_TRUE(HasMessage("Fehler : F0 < 0 !"));
}

// F0 typed equal to F1 goes to tau0 and back; the round trip must not turn
// into a false "F0>F1", nor a negative s1, while a real excess still counts.
TEST_F(CheckTest, InitialTensionEqualToF1SurvivesTheStressRoundTrip) {
    std::mt19937_64 rng(20261207);
    std::uniform_real_distribution<double> wire(0.3, 6), index(4, 14), force(1, 900);
    for (int k = 0; k < 200; ++k) {
        test::SetUpExampleSpring();
        WireDiameter = wire(rng);
        OuterDiameter = WireDiameter * (index(rng) + 1);
        ForceF1 = force(rng);
        ForceF2 = 2 * ForceF1;
        InitialStressMethod = 4;
        InitialTension = ForceF1;
        CheckSpring();
        SCOPED_TRACE(k);
        EXPECT_FALSE(HasMessage("Fehler : F0>F1 !")) << Messages();
        EXPECT_FALSE(HasMessage("Warnung: F1 min < F0 !")) << Messages();
        EXPECT_GE(DeflectionS1, 0) << static_cast<double>(DeflectionS1);
    }
    test::SetUpExampleSpring();
    InitialStressMethod = 4;
    InitialTension = ForceF1 * (1 + 1e-9L);
    CheckSpring();
    EXPECT_TRUE(HasMessage("Fehler : F0>F1 !")) << Messages();
}

TEST_F(CheckTest, WarningsOffDropsEyeBandAndDiameterLimitsButNotTmax) {
    EyeHeight = {0, 10, 10};  // LH/Di = 1.32 for both eyes
    WireDiameter = 0.45L;     // below dmin 0.5
    OuterDiameter = 4;
    Temperature = 130;  // above Tmax 120
    CheckSpring();
    EXPECT_TRUE(HasMessage("Warnung: 0.8Di .. 1.1Di  LH 1")) << Messages();
    EXPECT_TRUE(HasMessage("Warnung: 0.8Di .. 1.1Di  LH 2"));
    EXPECT_TRUE(HasMessage("Warnung: d<dmin (0.5)"));
    EXPECT_TRUE(HasMessage("Warnung: T>Tmax (120°C)"_oem));
    WarningsOn = 0;
    CheckSpring();
    EXPECT_FALSE(HasMessage("Warnung: 0.8Di .. 1.1Di  LH 1")) << Messages();
    EXPECT_FALSE(HasMessage("Warnung: d<dmin (0.5)"));
    EXPECT_TRUE(HasMessage("Warnung: T>Tmax (120°C)"_oem));
}

TEST_F(CheckTest, TemperatureWarningFormatsT) {
    Temperature = 80;
    MaterialRec.TMax = 200;
    MaterialIndex = 11;
    TensileStrength = 1876;
    CheckSpring();
    PermShearStress = CorrectedStress2 / 0.7L;
    CheckSpring();
    EXPECT_TRUE(HasMessage("Warnung: tau(T=80°C)"_oem)) << Messages();
}

TEST_F(CheckTest, EyeAndToleranceRangeMessages) {
    EyeType = {0, 11, 1};
    ScrewedInCoils = {0, 5, 0};
    EyeHeight = {0, 0, 2};
    CheckSpring();
    EXPECT_TRUE(HasMessage("Warnung: eingeschr.Windg.! (1)")) << Messages();
    EXPECT_FALSE(HasMessage("Fehler : LH <= 0 ! (1)"));  // type 11 has no eye height
    EXPECT_TRUE(HasMessage("Warnung: 0.55Di .. 0.8Di  LH 2"));
    EXPECT_TRUE(HasMessage("Warnung: LH < 0.5 Dm ! (2)"));
    EyeType = {0, 2, 2};
    EyeHeight = {0, 0, 6.5L};
    TolGradeL0 = TolGradeF12 = TolGradeF0 = 4;
    DiameterInputMode = 3;
    WireDiameter = 1;
    MeanDiameter = 13;
    CheckSpring();
    EXPECT_TRUE(HasMessage("Fehler : LH <= 0 ! (1)")) << Messages();
    EXPECT_TRUE(HasMessage("Fehler : Toleranz Dm/d !"));
}

// d 0.44 under Di 4.84 makes Dm 5.28 and w exactly 12, the last index of the
// fourth method and of the middle overhang row, though Dm / d in binary lands
// a little above 12.
TEST_F(CheckTest, IndexOfTypedDiametersOnATableEdgeIsOnTheEdge) {
    WireDiameter = 0.44L;
    InnerDiameter = 4.84L;
    DiameterInputMode = 2;
    TolGradeF12 = 4;
    TolGradeEyeOverhang = 3;
    AlignCoilDiameters();
    ActiveCoils = 10;
    FreeLength = 20;
    LengthL1 = 25;
    LengthL2 = 30;
    Stroke = 5;
    RecalcFromGeometry();
    ASSERT_FALSE(CalcErrorFlag) << Messages();
    CheckSpring();
    ASSERT_FALSE(CalcErrorFlag) << Messages();
    EXPECT_FALSE(HasMessage("Fehler : Toleranz Dm/d !")) << Messages();
    EXPECT_EQ(TolEyeOverhang, 2 * 0.44L);
}

// Diameters as the user types them, in thousandths of a millimetre: d and the
// diameter the input mode names (1 De, 2 Di, 3 Dm).
struct TypedDiameters {
    uint16_t mode;
    long d, given;
};

Extended Typed(long thousandths) {
    return thousandths / Extended{1000};  // the nearest Extended, as a typed text reads
}

void ApplyTyped(const TypedDiameters& t) {
    DiameterInputMode = t.mode;
    WireDiameter = Typed(t.d);
    (t.mode == 1 ? OuterDiameter : t.mode == 2 ? InnerDiameter : MeanDiameter) = Typed(t.given);
}

// Dm of the typed numbers in exact arithmetic, in thousandths.
long ExactDm(const TypedDiameters& t) {
    return t.mode == 1 ? t.given - t.d : t.mode == 2 ? t.given + t.d : t.given;
}

// Sign of a / b - num / den for whole a, b > 0: an edge decided exactly.
int ExactSide(long a, long b, long num, long den) {
    const long lhs = a * den, rhs = num * b;
    return (lhs > rhs) - (lhs < rhs);
}

// Springs whose index is an edge of the tolerance tables or of the check's
// ranges in exact arithmetic, though Dm / d in binary falls on the wrong side,
// and the same springs one thousandth of a millimetre on either side: every
// decision at that edge follows the exact index, under DIN grades and under
// the fourth method.
TEST_F(CheckTest, SpringIndexOnAndBesideEachEdgeFollowsTheTypedNumbers) {
    struct Case {
        long edge;
        TypedDiameters on;
    };
    const Case cases[] = {{6, {1, 600, 4200}},  {8, {2, 611, 4277}},  {12, {3, 603, 7236}},
                          {14, {1, 603, 9045}}, {16, {2, 601, 9015}}, {20, {3, 601, 12020}},
                          {4, {1, 608, 3040}}};
    for (const Case& c : cases) {
        for (const long step : {-1, 0, 1}) {
            for (const bool fourth : {false, true}) {
                test::SetUpExampleSpring();
                TypedDiameters t = c.on;
                t.given += step;
                ApplyTyped(t);
                TolGradeDm = TolGradeL0 = TolGradeF12 = TolGradeF0 = fourth ? 4 : 2;
                TolGradeEyeOverhang = fourth ? 1 : 3;
                CheckSpring();
                SCOPED_TRACE("w = " + std::to_string(c.edge) + ", step " + std::to_string(step) +
                             (fourth ? ", fourth method" : ", DIN grades"));
                ASSERT_FALSE(CalcErrorFlag) << Messages();
                const long dm = ExactDm(t);
                const auto side = [&](long num, long den = 1) {
                    return ExactSide(dm, t.d, num, den);
                };
                const Extended w = side(c.edge) == 0 ? Extended(c.edge) : SpringIndex;
                const bool outOfRange =
                    fourth ? side(3) < 0 || side(12) > 0 : side(4) < 0 || side(20) > 0;
                EXPECT_EQ(HasMessage("Fehler : Toleranz Dm/d !"), outOfRange) << Messages();
                EXPECT_EQ(HasMessage("Warnung: Wickelverh. Dm/d !"),
                          side(16) > 0 || side(34, 10) < 0);
                EXPECT_EQ(TolDmPlus, TolTable(TolGradeDm, t.mode, OuterDiameter, InnerDiameter,
                                              MeanDiameter, w));
                EXPECT_EQ(TolL0Plus, FreeLengthTolerance(TolGradeL0, FormingMethod, w, 1,
                                                         SpringRate, ActiveCoils, FreeLength));
                EXPECT_EQ(TolEyeOverhang,
                          EyeOverhangTolerance(TolGradeEyeOverhang, w, WireDiameter));
            }
        }
    }
}

// Eye heights typed as 0.8 Di or 0.5 Dm of the typed diameters, and one
// thousandth either side: the eye-height bands follow the exact ratio.
TEST_F(CheckTest, EyeHeightOnAndBesideItsBandEdgesFollowsTheTypedNumbers) {
    struct Case {
        TypedDiameters at;
        long lh;
    };
    const Case cases[] = {{{1, 800, 6410}, 3848},
                          {{2, 800, 4800}, 3840},
                          {{3, 800, 5615}, 3852},
                          {{2, 800, 4004}, 2402}};
    for (const Case& c : cases) {
        for (const long step : {-1, 0, 1}) {
            test::SetUpExampleSpring();
            ApplyTyped(c.at);
            const long lh = c.lh + step;
            EyeType = {0, 1, 2};
            EyeHeight = {0, Typed(lh), Typed(lh)};
            CheckSpring();
            SCOPED_TRACE("LH " + std::to_string(lh) + " with the typed diameter " +
                         std::to_string(c.at.given));
            ASSERT_FALSE(CalcErrorFlag) << Messages();
            const long dm = ExactDm(c.at), di = dm - c.at.d;
            const auto toDi = [&](long num, long den) { return ExactSide(lh, di, num, den); };
            EXPECT_EQ(HasMessage("Warnung: 0.55Di .. 0.8Di  LH 1"),
                      toDi(55, 100) < 0 || toDi(8, 10) > 0)
                << Messages();
            EXPECT_EQ(HasMessage("Warnung: 0.8Di .. 1.1Di  LH 2"),
                      toDi(8, 10) < 0 || toDi(11, 10) > 0);
            const bool shortEye = ExactSide(lh, dm, 1, 2) < 0;
            EXPECT_EQ(HasMessage("Warnung: LH < 0.5 Dm ! (1)"), shortEye);
            EXPECT_EQ(HasMessage("Warnung: LH < 0.5 Dm ! (2)"), shortEye);
        }
    }
}

TEST_F(CheckTest, ErrorListKeepsElevenDistinctMessages) {
    // Many faults at once: forces upside down, static overload, short eyes.
    MaterialIndex = 11;
    TensileStrength = 1876;
    PermShearStress = 10;
    LoadingType = 1;
    ShotPeened = 'J';
    WireDiameter = 0.9L;
    EyeType = {0, 1, 1};
    EyeHeight = {0, 0.5L, 0.5L};
    InitialStressMethod = 4;
    InitialTension = 30;
    CheckSpring();
    EXPECT_EQ(ErrorList.count, 11) << Messages();
    for (int k = 1; k <= ErrorList.count; ++k) EXPECT_LE(ErrorList.slots[k].size(), 36u);
}

}  // namespace
}  // namespace kor2
