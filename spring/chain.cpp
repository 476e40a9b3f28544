// Calculation chain of the full check and the wire-diameter estimate; the
// full check runs the steps in a row, the design paths call single steps.
#include "spring/chain.h"

// Coil diameters and d: the calculation relies on De = Dm + d and
// Di = Dm - d after every change of d. AlignCoilDiameters keeps the diameter
// the user typed (DiameterInputMode 1 De, 2 Di, any other mode Dm) and moves
// the other two. It runs after every round of the estimate, in
// CalcRateFromForces after the estimate (before the stroke test), before the
// guards of CalcGeometry, and in the design paths after a new d is estimated.

#include <algorithm>
#include <cmath>
#include <string>

#include "common/checkmath.h"
#include "common/globals.h"
#include "spring/calcerror.h"
#include "spring/formulas.h"
#include "spring/goodman.h"
#include "spring/springdata.h"
#include "spring/tolerances.h"
#include "spring/wirediameters.h"
#include "spring/wiretolerances.h"

namespace kor2 {

namespace {

constexpr Extended kNaturalFrequencyFactor = 1e4L / (2 * kPi);
constexpr Extended kEyeFatigueFactor = 1 / 0.715L;
constexpr int kEstimateRounds = 6;

// Wire thickness counted along the spring axis: h for the sections laid with
// h in the axis, d for all others.
Extended AxialThickness() {
    return WireShape == kShapeOval || WireShape == kShapeRectUpright ? WireHeight : WireDiameter;
}

bool ReportIf(bool fault, const char* text) {
    if (fault) AddFatalMessage(text);
    return fault;
}

// Permissible eye bending stroke stress from the fatigue lines at d: on the
// sloped line while it lies below the upper limit, else under the limit;
// the shear lines are turned into bending lines by 1/0.715.
Extended EyeStrokeStressFromLines(Extended tauO, Extended tauH, Extended slope) {
    if (tauO == 0 || tauH == 0 || slope == 0) return 0;
    const Extended c = kEyeFatigueFactor, sq1 = EyeBendingStress1;
    const Extended kneeBending = (tauO - tauH) / slope * c;
    return kneeBending > sq1 ? slope * sq1 + tauH * c - sq1 : tauO * c - sq1;
}

}  // namespace

void AlignCoilDiameters() {
    const Extended d = WireDiameter;
    switch (DiameterInputMode) {
        case 1:
            MeanDiameter = OuterDiameter - d;
            break;
        case 2:
            MeanDiameter = InnerDiameter + d;
            break;
        default:
            break;
    }
    OuterDiameter = MeanDiameter + d;
    InnerDiameter = MeanDiameter - d;
}

// Six rounds of d = (8/pi * F2 * Dm / tau zul * k * 1.15)^(1/3), Rm and
// tau zul following each new d. With d = 0 on entry the stress factor is
// not defined; the first round then takes its limit k = 1 (w -> infinity).
// The guards are repeated every round, since a moving Dm or a falling Rm
// could otherwise divide by zero.
void EstimateWireDiameter() {
    for (int round = 0; round < kEstimateRounds; ++round) {
        if (ReportIf(!(MeanDiameter > 0), "Fatal  : dm <= 0 !") ||
            ReportIf(!(ForceF2 > 0), "Fatal  : F2 <= 0 !") ||
            ReportIf(PermShearStress == 0, "Fatal  : Rm = 0 !"))
            return;
        Extended k = 1;
        if (LoadingType == 2 && WireDiameter > 0) k = StressFactorK(MeanDiameter / WireDiameter);
        WireDiameter = PowerChecked(8 / kPi * ForceF2 * MeanDiameter / PermShearStress * k * 1.15L,
                                    1.0L / 3, "");
        AlignCoilDiameters();  // Dm moves unless it is the given diameter
        UpdateStrengthFromDiameter();
        if (CalcErrorFlag) return;
    }
    WireDiameter = StandardWireDiameter(WireStandard, WireStepAtOrAbove, WireDiameter);
    AlignCoilDiameters();
}

void CalcRateFromForces() {
    ModulusGT = ShearModulusAtTemp(Temperature, ModulusG);
    if (WireDiameter < 0.01L) EstimateWireDiameter();
    if (WireHeight < 0.01L) WireHeight = WireDiameter;
    if (CalcErrorFlag) return;
    AlignCoilDiameters();
    if (ReportIf(!(Stroke > 0), "Fatal  : sh <= 0 !")) return;
    SpringRate = (ForceF2 - ForceF1) / Stroke;
    ReportIf(!(SpringRate > 0), "Fatal  : F2 <= F1 !");
}

void CalcGeometry() {
    if (CalcErrorFlag) return;
    if (WireShape != kShapeOval && WireShape != kShapeRectUpright) WireHeight = WireDiameter;
    AlignCoilDiameters();
    if (ReportIf(!(InnerDiameter > 0), "Fatal  : Di <= 0 !") ||
        ReportIf(!(MeanDiameter > 0), "Fatal  : Dm <= 0 !") ||
        ReportIf(!(SpringRate > 0), "Fatal  : R <= 0 !"))
        return;
    UpdateStrengthFromDiameter();
    if (ReportIf(!(WireDiameter > 0), "Fatal  : d <= 0 !")) return;
    // A shear modulus at or below 0 (G typed as 0 or below, T at or above
    // 3620 degC) would give a negative or empty spring and a NaN frequency.
    if (ReportIf(!(ModulusG != 0), "Fatal  : G = 0 !") ||
        ReportIf(!(ModulusGT > 0), "Fatal  : G(T) <= 0 !"))
        return;

    const Extended d = WireDiameter, dm = MeanDiameter, R = SpringRate;
    SpringIndex = dm / d;
    CalcInitialTensionStress();
    InitialTension = InitialTensionFromStress();

    Extended n = 0;
    if (WireShape == kShapeOval)
        n = 4 * ModulusGT * OvalTorsionStiffness(d, WireHeight) / (kPi * dm * dm * dm * R);
    else if (WireShape == kShapeRect || WireShape == kShapeRectUpright)
        n = 4 * ModulusGT * RectTorsionStiffness(d, WireHeight) / (kPi * dm * dm * dm * R);
    else
        n = ModulusGT * d * d * d * d / (8 * dm * dm * dm * R);
    ActiveCoils = RoundCoilsToEyePosition(EyePosition, n);
    // An eye angle typed outside 0..360 can round the coils to 0 or below.
    if (ReportIf(!(ActiveCoils > 0), "Fatal  : n <= 0 !")) return;

    DeflectionS1 = (ForceF1 - InitialTension) / R;
    DeflectionS2 = (ForceF2 - InitialTension) / R;
    const Extended t = AxialThickness();
    BodyLength = (ActiveCoils + 1) * t + ActiveCoils * CoilGap;
    CoilPitch = (BodyLength - t) / ActiveCoils;
    FreeLength = BodyLength + EyeHeight[1] + EyeHeight[2];
    LengthL1 = FreeLength + DeflectionS1;
    LengthL2 = FreeLength + DeflectionS2;
}

void CalcResults() {
    if (CalcErrorFlag) return;
    if (ReportIf(!(MeanDiameter > 0), "Fatal  : Dm <= 0 !") ||
        ReportIf(!(WireDiameter > 0), "Fatal  : d <= 0 !") ||
        ReportIf(!(ActiveCoils > 0), "Fatal  : n <= 0 !") ||
        ReportIf(!(Density > 0), "Fatal  : Dichte <= 0 !") ||
        ReportIf(ModulusG == 0, "Fatal  : G = 0 !") ||
        ReportIf(!(SpringRate > 0), "Fatal  : R <= 0 !") ||
        ReportIf(!(ModulusGT > 0), "Fatal  : G(T) <= 0 !"))
        return;
    const Extended d = WireDiameter, dm = MeanDiameter, n = ActiveCoils, R = SpringRate;
    const Extended F0 = InitialTension;

    ForceFn = ForceFromStress(PermShearStress);
    DeflectionSn = (ForceFn - F0) / R;
    LengthLn = FreeLength + DeflectionSn;
    ShearStress2 = ShearStressOfForce(ForceF2);
    ShearStress1 = ShearStressOfForce(ForceF1);

    const Extended w = dm / d;
    SpringIndex = w;
    const Extended k = StressFactorK(w);
    StressFactor = k;
    if (k > 0) {
        ForceFnk = ForceFn / k;
        DeflectionSnk = (ForceFnk - F0) / R;
        LengthLnk = FreeLength + DeflectionSnk;
    }
    CorrectedStress1 = k * ShearStress1;
    CorrectedStress2 = k * ShearStress2;
    CorrectedStrokeStress = CorrectedStress2 - CorrectedStress1;

    SpringWork[0] = 0.5L * Stroke * (ForceF1 + ForceF2);
    SpringWork[2] = 0.5L * DeflectionS2 * (ForceF2 + F0);
    SpringWork[1] = 0.5L * DeflectionS1 * (ForceF1 + F0);

    // w > 1 here: Di = Dm - d > 0 was checked by CalcGeometry.
    EyeBendingFactor = w / ((w - 1) * (1 + 0.5L / (w * w) + 0.3125L / (w * w * w * w)));
    EyeBendingStress1 = EyeBendingStress(ForceF1);
    EyeBendingStress2 = EyeBendingStress(ForceF2);
    EyeBendingStrokeStress = EyeBendingStress2 - EyeBendingStress1;

    NaturalFrequency =
        kNaturalFrequencyFactor * d / (n * dm * dm) * std::sqrt(5 * ModulusGT / Density);
    if (ReportIf(!(ModulusE > 0), "Fatal  : E-Modul <= 0 !")) return;

    ScrewedInCoils[0] = ScrewedInCoils[1] + ScrewedInCoils[2];
    const Extended turn = kPi * dm;
    Extended L = turn * (n + ScrewedInCoils[0]) + turn + 2 * (EyeHeight[1] + EyeHeight[2] - dm) -
                 EyeOpening[1] - EyeOpening[2];
    for (int eye = 1; eye <= kEyeCount; ++eye) {
        const uint16_t type = EyeType[eye];
        if (type == 3 || type == 5) L += turn;
        if (type >= 9 && type <= 12) L -= turn - EyeOpening[eye];
    }
    WireLength = L;
    SpringMass = WireSectionArea(WireShape, d, WireHeight, WireCornerRadius) * L * Density * 0.001L;
    DrawingLength = LengthL2;

    Extended tauO = 0, tauH = 0, slope = 0, knee = 0;
    std::string caption;
    GoodmanLimits(2, tauO, tauH, slope, knee, caption);
    if (AbortFlag) return;
    PermBendingStrokeStress = Real48::FromExtended(EyeStrokeStressFromLines(tauO, tauH, slope));
    CalcTolerances();
}

void CalcTolerances() {
    if (CalcErrorFlag) return;
    if (ReportIf(!(WireDiameter > 0), "Fatal  : d <= 0 !")) return;
    if (WireDiameter < 0.001L || MeanDiameter < 0.001L) return;
    const Extended d = WireDiameter, dm = MeanDiameter, n = ActiveCoils, R = SpringRate;
    const Extended L0 = FreeLength, w = SpringIndex;
    if (TolGradeDm < 5) {
        TolDmPlus = TolTable(TolGradeDm, DiameterInputMode, OuterDiameter, InnerDiameter, dm, w);
        TolDmMinus = -TolDmPlus;
    }
    if (WireStandard < 12) WireTolerance = WireDiameterTolerance(WireStandard, d);
    if (TolGradeL0 < 5) {
        TolL0Plus = FreeLengthTolerance(TolGradeL0, FormingMethod, dm, d, R, n, L0);
        TolL0Minus = -TolL0Plus;
    }
    if (TolGradeF12 < 5) {
        TolF1Plus = ForceTolerance(TolGradeF12, ForceF1, DeflectionS1, dm, d, n, L0, R);
        TolF1Minus = -TolF1Plus;
        TolF2Plus = ForceTolerance(TolGradeF12, ForceF2, DeflectionS2, dm, d, n, L0, R);
        TolF2Minus = -TolF2Plus;
    }
    if (TolGradeF0 < 5) {
        TolF0Plus = InitialTensionTolerance(TolGradeF0, dm, d, n, InitialTension, L0, R);
        TolF0Minus = -TolF0Plus;
    }
    if (TolGradeEyePosition < 4) {
        TolEyePositionPlus = EyePositionTolerance(TolGradeEyePosition, w, n);
        TolEyePositionMinus = -TolEyePositionPlus;
    }
    if (TolGradeEyeOverhang < 4) TolEyeOverhang = EyeOverhangTolerance(TolGradeEyeOverhang, w, d);
}

}  // namespace kor2
