// Fatigue limits of the current spring: the fatigue lines of the material
// record at the current d (borrowing the other surface state's lines when its
// own are missing), the permissible stroke stress, safety factors and N.
#include "spring/goodman.h"

#include "common/checkmath.h"
#include "common/globals.h"
#include "common/textutil.h"
#include "spring/calcerror.h"
#include "spring/material.h"
#include "spring/springdata.h"

namespace kor2 {

namespace {

constexpr uint16_t kSigmaTexts = 2;

struct FatigueLines {
    Extended tauO0, tauOSlope, tauH0, tauHSlope, slope;
};

FatigueLines PlainLines(const FEDWST_Record& m) {
    return {Extended(m.TauO0), Extended(m.TauOSlope), Extended(m.TauH0), Extended(m.TauHSlope),
            m.GoodmanSlope.ToExtended()};
}

FatigueLines PeenedLines(const FEDWST_Record& m) {
    return {Extended(m.TauO0Peened), Extended(m.TauOSlopePeened), Extended(m.TauH0Peened),
            Extended(m.TauHSlopePeened), m.GoodmanSlopePeened.ToExtended()};
}

// Endurable cycles at the permissible stroke stress t: 10^7 when the actual
// stroke equals t, one decade per TauH/4 of stroke above or below it.
Extended CyclesAt(Extended t, Extended tauH) {
    const Extended exponent = 11 - 4 * (tauH + CorrectedStress2 - t - CorrectedStress1) / tauH;
    return PowerChecked(10, exponent, "Load cycles");
}

}  // namespace

void GoodmanLimits(uint16_t TextMode, Extended& TauO, Extended& TauH, Extended& Slope,
                   Extended& Knee, std::string& Text) {
    const FEDWST_Record& m = MaterialRec;
    const bool sigma = TextMode == kSigmaTexts;
    const bool dynamic = LoadingType == 2;
    Text.clear();
    TauO = TauH = Slope = 0;

    // Step 1: the lines at d.
    const Extended dRef = m.DRef.ToExtended();
    if (dRef > 0) {
        const Extended L = Log10Checked(WireDiameter / dRef);
        Text = TrimBlanks(m.Name1) + " (" + TrimBlanks(m.Name3) + ")";
        // A spring without the lines of its own surface state borrows the other
        // state's, with the stroke-stress intercept scaled by 1.2 or 5/6.
        const bool peened = ShotPeened != 'N';
        const FatigueLines own = peened ? PeenedLines(m) : PlainLines(m);
        const FatigueLines other = peened ? PlainLines(m) : PeenedLines(m);
        const bool approx = own.tauO0 == 0 || own.tauH0 == 0;
        const FatigueLines& use = approx ? other : own;
        const Extended factor = !approx ? 1.0L : peened ? 1.2L : 5.0L / 6.0L;
        TauO = use.tauO0 - use.tauOSlope * L;
        TauH = factor * use.tauH0 - use.tauHSlope * L;
        Slope = use.slope;
        Text += peened ? " kugelgestrahlt" : " nicht kugelgestrahlt";
        if (approx && WarningsOn == 1) AddErrorMessage("Warnung: approx.Goodman");
    }
    const bool noLines = TauO == 0 && TauH == 0 && Slope == 0;

    // Step 2: permissible stroke stress at the spring's lower stress tauk1.
    const Extended tauk1 = CorrectedStress1;
    if (noLines || MaterialIndex != 0) {
        PermStrokeStress = 0;
    } else if (Slope == 0) {
        AddErrorMessage("Fehler : FEDWST Goodman");
        PermStrokeStress = 0;
        return;
    } else {
        Knee = (TauO - TauH) / Slope;
        PermStrokeStress = Knee > tauk1 ? TauH + Slope * tauk1 - tauk1 : TauO - tauk1;
    }

    // Step 3: stresses that must not be zero.
    if (ShearStress2 == 0) {
        AddFatalMessage(sigma ? "Fehler : sigma2=0 !" : "Fehler : tau2=0 !");
        return;
    }
    if (CorrectedStress2 == 0) {
        AddFatalMessage(sigma ? "Fehler : sigmak2=0 !" : "Fehler : tauk2=0 !");
        return;
    }
    if (CorrectedStrokeStress == 0) {
        AddFatalMessage(sigma ? "Fehler : sigmakh=0 !" : "Fehler : taukh=0 !");
        return;
    }

    // Step 4: safety factors and load cycles.
    if (dynamic) {
        SafetyFactor1 = SameValueExt(tauk1, 0) ? 99 : PermShearStress / tauk1;
        SafetyFactor2 = PermShearStress / CorrectedStress2;
        SafetyFactorStroke = PermStrokeStress / CorrectedStrokeStress;
        if (SafetyFactorStroke >= 0.001L && CorrectedStress2 >= 0 && tauk1 >= 0 && TauH > 0) {
            LoadCycles = CyclesAt(PermStrokeStress, TauH);
            LoadCyclesLow = CyclesAt(PermStrokeStress * (1 + 0.01L * StrengthTolMinus), TauH);
            LoadCyclesHigh = CyclesAt(PermStrokeStress * (1 + 0.01L * StrengthTolPlus), TauH);
        } else {
            LoadCycles = LoadCyclesLow = LoadCyclesHigh = 0;
        }
    } else {
        SafetyFactor1 = SameValueExt(ShearStress1, 0) ? 99 : PermShearStress / ShearStress1;
        SafetyFactor2 = PermShearStress / ShearStress2;
        SafetyFactorStroke = 10;
        LoadCycles = LoadCyclesLow = LoadCyclesHigh = 0;
    }

    // Step 5: final checks.
    if (TauO > 0 && TauO < CorrectedStress2 && dynamic)
        AddErrorMessage(sigma ? "Fehler : sigmak2 > sigmao !" : "Fehler : tauk2 > tauo !");
    if (noLines && dynamic && WarningsOn == 1) AddErrorMessage("Warnung: kein Goodman-Diagramm");
}

}  // namespace kor2
