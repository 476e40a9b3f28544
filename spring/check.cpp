// Full check of the current spring: the calculation chain followed by the
// plausibility checks of stresses, forces, lengths, frequency, eyes,
// tolerance ranges, material limits and temperature, and the report title.
#include "spring/check.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "common/checkmath.h"
#include "common/globals.h"
#include "common/numfmt.h"
#include "platform/asciichars.h"
#include "platform/oemtext.h"
#include "spring/calcerror.h"
#include "spring/chain.h"
#include "spring/dynamic.h"
#include "spring/material.h"
#include "spring/springdata.h"

namespace kor2 {

const std::array<const char*, 14> EyeShapeNames{
    "",
    "halbe deutsche Öse"_oem,
    "ganze deutsche Öse"_oem,
    "doppelte deutsche Öse"_oem,
    "ganze deutsche Öse seitlich hochgestellt"_oem,
    "doppelte deutsche Öse seitlich hochgestellt"_oem,
    "Hakenöse"_oem,
    "Hakenöse seitlich hochgestellt"_oem,
    "englische Öse"_oem,
    "eingerollter Haken",
    "eingerollte Öse"_oem,
    "Einschraubstück mit Öse"_oem,
    "Einschraubstück mit Gewindebolzen"_oem,
    "ganze Öse mit kegeligem Übergang"_oem,
};

namespace {

constexpr Extended kOverload = 1.3L;  // stress above 1.3 * limit is an error

// "S=" and the ratio of the permissible to the actual value.
std::string WithFactor(const char* text, Extended permissible, Extended actual) {
    return text + FloatToStrFixed(1, 2, permissible / actual);
}

bool IsScrewedInOrRolled(uint16_t eyeType) {
    return eyeType >= 9 && eyeType <= 12;
}

// Step 7: shear stresses against tau zul and the stroke against tau hzul.
// Returns false when a zero stress ends the check.
bool CheckStresses() {
    const bool dynamic = LoadingType == 2;
    const Extended zul = PermShearStress;
    if (CorrectedStress2 == 0) return false;
    if (dynamic) {
        const Extended tk2 = CorrectedStress2;
        if (tk2 > zul) AddErrorMessage(WithFactor("Warnung: tauk2>tauzul! S=", zul, tk2));
        if (tk2 > kOverload * zul)
            AddErrorMessage(WithFactor("Fehler : tauk2>tauzul! S=", zul, tk2));
        if (CorrectedStress1 > zul) AddErrorMessage("Fehler : tauk1>tauzul !");
    }
    if (ShearStress2 == 0) return false;
    if (LoadingType == 1) {
        const Extended t2 = ShearStress2;
        if (t2 > zul) AddErrorMessage(WithFactor("Warnung: tau2>tauzul! S=", zul, t2));
        if (t2 > kOverload * zul) AddErrorMessage(WithFactor("Fehler : tau2>tauzul! S=", zul, t2));
        if (ShearStress1 > zul) AddErrorMessage("Fehler : tau1>tauzul !");
    }
    if (dynamic && PermStrokeStress > 0 && CorrectedStrokeStress > PermStrokeStress)
        AddErrorMessage(
            WithFactor("Fehler : taukh>tauhzul! S=", PermStrokeStress, CorrectedStrokeStress));
    return true;
}

// Step 8: forces, lengths, resonance band, spring index, peening, coils.
void CheckForcesAndLengths(Extended frequencyRatio) {
    const Extended F0 = InitialTension, F1 = ForceF1, F2 = ForceF2, w = SpringIndex;
    if (F2 < F1) AddErrorMessage("Fehler : F2<F1 !");
    if (ExceedsBeyondRounding(F0, F1)) AddErrorMessage("Fehler : F0>F1 !");
    if (LengthL1 > LengthL2) AddErrorMessage("Fehler : L2<L1 !");
    if (F0 < 0) AddErrorMessage("Fehler : F0<0 !");
    if (F1 < 0) AddErrorMessage("Fehler : F1<0 !");
    if (F2 < 0) AddErrorMessage("Fehler : F2<0 !");
    if (frequencyRatio > 0.85L && frequencyRatio < 1.15L)
        AddErrorMessage("Warnung: Resonanzbereich !");
    else if (frequencyRatio >= 1.15L)
        AddErrorMessage("Warnung: Überkrit. Bereich"_oem);
    if (CompareToEdge(w, 16) > 0 || CompareToEdge(w, 3.4L) < 0)
        AddErrorMessage("Warnung: Wickelverh. Dm/d !");
    if (CorrectedStrokeStress >= 300 && AsciiUpperChar(ShotPeened) != 'J' && LoadingType == 2 &&
        WireDiameter >= 1)
        AddErrorMessage("Warnung: Kugelstrahlen !");
    if (ActiveCoils < 1) AddErrorMessage("Warnung: Windungszahl !");
}

// Steps 9 and 10: eye bending against sigma z / sigma hz, and the initial
// tension against 1.5 times the larger stress of methods 1 and 2.
void CheckEyeBendingAndInitialTension() {
    if (!(IsScrewedInOrRolled(EyeType[1]) && IsScrewedInOrRolled(EyeType[2]))) {
        const Extended sz = PermBendingStress.ToExtended();
        const Extended shz = PermBendingStrokeStress.ToExtended();
        if (EyeBendingStress2 > sz)
            AddErrorMessage(WithFactor("Warnung: Sig.q2>sig.z S=", sz, EyeBendingStress2));
        if (LoadingType == 2 && shz > 0 && EyeBendingStrokeStress > shz)
            AddErrorMessage(WithFactor("Warnung: Sig.qh>sig.hz S=", shz, EyeBendingStrokeStress));
    }
    const Extended w = SpringIndex, rm = TensileStrength, d = WireDiameter;
    const Extended tau0max = std::max((0.135L - 0.00625L * w) * rm, (0.075L - 0.00375L * w) * rm);
    const Extended f0max = 1.5L * tau0max * kPi * d * d * d / (8 * MeanDiameter);
    if (InitialTension > f0max) AddErrorMessage("Warnung: Vorspannung zu hoch!");
}

// Step 11: screwed-in coils and eye heights of each eye.
void CheckEyes() {
    for (int i = 1; i <= kEyeCount; ++i) {
        const uint16_t type = EyeType[i];
        const Extended lh = EyeHeight[i], ratio = lh / InnerDiameter;
        const std::string no = IntToStrL(i);
        if (type == 11 || type == 12) {
            if (ScrewedInCoils[i] < 2 || ScrewedInCoils[i] > 4)
                AddErrorMessage("Warnung: eingeschr.Windg.! (" + no + ")");
        }
        if (type < 11 && lh <= 0) AddErrorMessage("Fehler : LH <= 0 ! (" + no + ")");
        if (type == 1 && WarningsOn == 1 &&
            (CompareToEdge(ratio, 0.55L) < 0 || CompareToEdge(ratio, 0.8L) > 0))
            AddErrorMessage("Warnung: 0.55Di .. 0.8Di  LH " + no);
        if ((type == 2 || type == 3) && WarningsOn == 1 &&
            (CompareToEdge(ratio, 0.8L) < 0 || CompareToEdge(ratio, 1.1L) > 0))
            AddErrorMessage("Warnung: 0.8Di .. 1.1Di  LH " + no);
        if (type < 11 && CompareToEdge(lh, 0.5L * MeanDiameter) < 0)
            AddErrorMessage("Warnung: LH < 0.5 Dm ! (" + no + ")");
    }
}

// Step 12: the spring index ranges in which the DIN tolerances are defined.
void CheckToleranceIndexRange() {
    const Extended w = SpringIndex;
    const uint16_t grades[] = {TolGradeL0, TolGradeF12, TolGradeF0};
    const bool grade4 =
        std::any_of(std::begin(grades), std::end(grades), [](uint16_t g) { return g == 4; });
    const bool din =
        std::any_of(std::begin(grades), std::end(grades), [](uint16_t g) { return g <= 3; });
    const auto outside = [w](Extended lo, Extended hi) {
        return CompareToEdge(w, lo) < 0 || CompareToEdge(w, hi) > 0;
    };
    if ((grade4 && outside(3, 12)) || (din && outside(4, 20)))
        AddErrorMessage("Fehler : Toleranz Dm/d !");
}

// Step 13: forces against their tolerances, peening, strength, material limits.
void CheckTolerancesAndMaterial() {
    const Extended F0 = InitialTension, d = WireDiameter;
    if (F0 < 0) AddErrorMessage("Fehler : F0 < 0 !");
    if (F0 > ForceF1 + TolF1Minus && !EqualWithinRounding(ForceF1, F0)) AddErrorMessage("Warnung: F1 min < F0 !");
    if (F0 > ForceF2 + TolF2Minus) AddErrorMessage("Warnung: F2 min < F0 !");
    if (LoadingType == 2 && ForceFn < ForceF2 + TolF2Plus)
        AddErrorMessage("Warnung: F2 max > Fn !");
    if (ShotPeened != 'N' && d < 1) AddErrorMessage("Warnung: d<1 (Kugelstrahlen !)");
    if (std::fabs(TensileStrength) < 1) AddFatalMessage("Fatal  : Rm = 0 !");
    if (MaterialIndex == 0 && !MaterialStrengthFromFile) {
        const Extended dmin = MaterialRec.DMin.ToExtended(), dmax = MaterialRec.DMax.ToExtended();
        if (d < dmin && WarningsOn == 1)
            AddErrorMessage("Warnung: d<dmin (" + FloatToStr3(dmin) + ")");
        if (d > dmax && WarningsOn == 1)
            AddErrorMessage("Warnung: d>dmax (" + FloatToStr3(dmax) + ")");
        if (Temperature > MaterialRec.TMax)
            AddErrorMessage("Warnung: T>Tmax (" + FloatToStrSig(0, MaterialRec.TMax) + "°C)"_oem);
    }
}

void CheckSpringSteps() {
    // Step 1: the full check always computes a round wire.
    ClearErrorList();
    WireShape = 1;
    if (MeanDiameter <= 0) {
        AddFatalMessage("Fatal  : dm <= 0 !");
        return;
    }
    for (auto step : {CalcRateFromForces, CalcGeometry, CalcResults, CalcStatistics}) {
        step();
        if (CalcErrorFlag) return;
    }
    DynamicCheck(ForceF1, ForceF2, SpringRate, SpringMass, OperatingFrequency);
    if (!(NaturalFrequency > 0)) {
        AddFatalMessage("Fatal  : Eigenfrequenz <= 0 !");
        return;
    }
    const Extended frequencyRatio = OperatingFrequency / NaturalFrequency;
    for (int i = 1; i <= kEyeCount; ++i) {
        if (EyeType[i] >= 1 && EyeType[i] <= 13) EyeNames[i] = EyeShapeNames[EyeType[i]];
    }
    if (!CheckStresses()) return;
    CheckForcesAndLengths(frequencyRatio);
    CheckEyeBendingAndInitialTension();
    CheckEyes();
    CheckToleranceIndexRange();
    CheckTolerancesAndMaterial();
    if (Temperature > 50 && PermShearStress > 0 && CorrectedStress2 / PermShearStress > 0.6L)
        AddErrorMessage("Warnung: tau(T=" + FloatToStr3(Temperature) + "°C)"_oem);
    ReportTitleLines[1] = SpringTitle + "   " + "Zeichn.Nr." + ": " + DrawingNumber.str();
}

}  // namespace

void CheckSpring() {
    CheckSpringSteps();
    // A table material that could not be read: the material values are
    // still those of the spring file, which every check's list says.
    if (MaterialIndex == 0 && MaterialStrengthFromFile) AddMessageAfterCheck(kMaterialTableError);
}

void CheckSpringWithFlag() {
    CheckSpring();
}

}  // namespace kor2
