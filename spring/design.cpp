// Design paths: automatic design with w = 9, pre-dimensioning from d, the
// bisection of d for the requested eye height, pre-dimensioning by eye type,
// and the recalculations from the geometry and from the lengths.
#include "spring/design.h"

#include <algorithm>
#include <cmath>

#include "common/checkmath.h"
#include "common/globals.h"
#include "spring/calcerror.h"
#include "spring/chain.h"
#include "spring/check.h"
#include "spring/formulas.h"
#include "spring/material.h"
#include "spring/springdata.h"
#include "spring/wirediameters.h"

namespace kor2 {

namespace {

constexpr int kAutoDesignRounds = 8;
constexpr Extended kAutoDesignIndex = 9;
constexpr int kBisectionRounds = 50;
constexpr Extended kMaxWireDiameter = 50;

bool HasAxialHeight() {
    return WireShape == kShapeOval || WireShape == kShapeRectUpright;
}

bool Fatal(bool fault, const char* text) {
    if (fault) AddFatalMessage(text);
    return fault;
}

}  // namespace

void AutoDesign() {
    ModulusGT = ShearModulusAtTemp(Temperature, ModulusG);
    SpringIndex = kAutoDesignIndex;
    WireDiameter = 1;
    MeanDiameter = kAutoDesignIndex * WireDiameter;
    for (int round = 0; round < kAutoDesignRounds; ++round) {
        OuterDiameter = MeanDiameter + WireDiameter;
        InnerDiameter = MeanDiameter - WireDiameter;
        EstimateWireDiameter();
        MeanDiameter = kAutoDesignIndex * WireDiameter;
    }
    // The design sets Dm = 9 d; the other two diameters follow it.
    OuterDiameter = MeanDiameter + WireDiameter;
    InnerDiameter = MeanDiameter - WireDiameter;
    EyeType[1] = EyeType[2] = 2;
    EyeHeight[1] = EyeHeightFactor(2) * MeanDiameter;
    EyeHeight[2] = EyeHeightFactor(2) * MeanDiameter;
    CheckSpring();
}

void PreDimension() {
    CalcErrorFlag = false;
    ModulusGT = ShearModulusAtTemp(Temperature, ModulusG);
    if (WireDiameter <= 0) EstimateWireDiameter();
    const bool sectionWithHeight =
        WireShape == kShapeOval || WireShape == kShapeRect || WireShape == kShapeRectUpright;
    if (sectionWithHeight && WireHeight == 0) {
        EstimateWireDiameter();
        WireHeight = WireDiameter;
    }
    AlignCoilDiameters();
    UpdateStrengthFromDiameter();
    if (Fatal(!(WireDiameter > 0), "Fatal  : d <= 0 !")) return;
    SpringIndex = MeanDiameter / WireDiameter;
    if (Fatal(Stroke == 0, "Fatal  : sh = 0 !")) return;
    CalcInitialTensionStress();
    if (Fatal(MeanDiameter == 0, "Fatal  : Dm = 0 !")) return;
    InitialTension = InitialTensionFromStress();
    SpringRate = (ForceF2 - ForceF1) / Stroke;
    if (Fatal(SpringRate == 0, "Fatal  : R = 0 !")) return;
    const Extended d = WireDiameter, R = SpringRate, dm = MeanDiameter;
    DeflectionS2 = (ForceF2 - InitialTension) / R;
    FreeLength = LengthL2 - DeflectionS2;
    ActiveCoils =
        RoundCoilsToEyePosition(EyePosition, ModulusGT * d * d * d * d / (8 * dm * dm * dm * R));
    if (Fatal(ActiveCoils == 0, "Fatal  : n = 0 !")) return;
    MeanDiameter =
        PowerChecked(ModulusGT * d * d * d * d / (8 * R * ActiveCoils), 1.0L / 3, "Vorauslegung");
    OuterDiameter = MeanDiameter + d;
    InnerDiameter = MeanDiameter - d;
    BodyLength = (ActiveCoils + 1) * d + ActiveCoils * CoilGap;
    EyeHeight[1] = (FreeLength - BodyLength) / 2;
    EyeHeight[2] = EyeHeight[1];
    CheckSpring();
}

// Bisection of d between the estimate and min(Dm/4, 50 mm) until the eye
// height of the pre-dimensioning comes within 0.1 Dm of the requested one.
void IterateWireDiameter() {
    CalcErrorFlag = false;
    const Extended requested = EyeHeight[1];
    EstimateWireDiameter();
    if (CalcErrorFlag) return;
    const Extended hi0 = std::min(MeanDiameter / 4, kMaxWireDiameter);
    Extended lo = std::min(WireDiameter, hi0), hi = hi0;
    for (int round = 0; round < kBisectionRounds; ++round) {
        WireDiameter = (lo + hi) / 2;
        PreDimension();
        if (requested >= EyeHeight[1])
            hi = WireDiameter;
        else
            lo = WireDiameter;
        if (std::fabs(EyeHeight[1] - requested) < 0.1L * MeanDiameter) {
            WireDiameter =
                StandardWireDiameter(WireStandard, WireStepAtOrAbove, 0.98L * WireDiameter);
            PreDimension();
            return;
        }
    }
    CheckSpring();
    AddMessageAfterCheck("Fehler : KOR2 iter");
}

void PreDimensionWithEyes() {
    CalcErrorFlag = false;
    const uint16_t type1 = EyeType[1];
    const bool noHeightFactor = type1 == 6 || type1 == 7 || (type1 >= 9 && type1 <= 12);
    if (!noHeightFactor) {
        EyeHeight[1] = EyeHeightFactor(EyeType[1]) * MeanDiameter;
        EyeHeight[2] = EyeHeightFactor(EyeType[2]) * MeanDiameter;
        IterateWireDiameter();
        return;
    }
    EstimateWireDiameter();
    WireDiameter = StandardWireDiameter(WireStandard, WireStepAtOrAbove, WireDiameter);
    PreDimension();
}

void RecalcFromGeometry() {
    CalcErrorFlag = false;
    if (Fatal(!(WireDiameter > 0), "Fatal  : d <= 0 !") ||
        Fatal(HasAxialHeight() && !(WireHeight > 0), "Fatal  : h <= 0 !") ||
        Fatal(!(MeanDiameter > 0), "Fatal  : Dm <= 0 !") ||
        Fatal(!(ActiveCoils > 0), "Fatal  : n <= 0 !"))
        return;
    ModulusGT = ShearModulusAtTemp(Temperature, ModulusG);
    const Extended R = SpringRateFromCoils(WireShape, ModulusGT, ActiveCoils, WireDiameter,
                                           WireHeight, MeanDiameter);
    SpringRate = R;
    if (StrengthFollowsDiameter()) TensileStrength = RmAtDiameter(WireDiameter);
    CalcInitialTensionStress();
    InitialTension = InitialTensionFromStress();
    DeflectionS2 = LengthL2 - FreeLength;
    DeflectionS1 = LengthL1 - FreeLength;
    ForceF1 = DeflectionS1 * R + InitialTension;
    ForceF2 = DeflectionS2 * R + InitialTension;
    EyePosition = EyePositionFromCoils(ActiveCoils);
}

void RecalcFromLengths() {
    CalcErrorFlag = false;
    Stroke = LengthL2 - LengthL1;
    if (WireDiameter <= 0) EstimateWireDiameter();
    if (CalcErrorFlag) return;
    if (Fatal(!(WireDiameter > 0), "Fatal  : d <= 0 !")) return;
    AlignCoilDiameters();
    SpringIndex = MeanDiameter / WireDiameter;
    FreeLength = BodyLength + EyeHeight[1] + EyeHeight[2];
    const Extended t = HasAxialHeight() ? WireHeight : WireDiameter;
    // A gap of -t or below leaves no pitch: 0 coils, refused by the recalculation.
    // A body of whole coils gives a whole count, not one less a rounding noise.
    ActiveCoils = t + CoilGap > 0 ? WholeWithinRounding((BodyLength - t) / (t + CoilGap)) : 0;
    DeflectionS2 = LengthL2 - FreeLength;
    DeflectionS1 = LengthL1 - FreeLength;
    RecalcFromGeometry();
    // A fatal recalculation keeps its message; the check would empty the list.
    if (CalcErrorFlag) return;
    CheckSpring();
}

}  // namespace kor2
