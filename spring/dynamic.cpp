// Statistical scrap estimate (drawing tolerances against the spread of the
// statistics grade) and the dynamic check with an attached mass. Called by
// the full check.
#include "spring/dynamic.h"

#include <cmath>
#include <vector>

#include "common/checkmath.h"
#include "common/globals.h"
#include "spring/springdata.h"
#include "spring/tolerances.h"

namespace kor2 {

namespace {

// The sum runs from -8 in steps of 1/1000; t is formed from the step number,
// so that t meets a limit such as -2.6 exactly, without accumulated error.
constexpr long kGaussStartSteps = -8000;
constexpr Extended kGaussStepsPerUnit = 1000;
constexpr Extended kGaussStep = 0.001L;
// Steps from -8 to +8: beyond that the density adds nothing an 80-bit sum keeps,
// and the bound keeps a huge or NaN argument from looping for ever.
constexpr long kGaussMaxSteps = 16000;

// Magnification standing in for an exact resonance (1 / 0).
constexpr Extended kResonanceMagnification = 1e30L;

Extended GaussStepT(long i) {
    return (kGaussStartSteps + i) / kGaussStepsPerUnit;
}

// The sums up to each step (element 0 is the empty sum), formed once in the
// order of the step-by-step sum, so that a look-up gives its bits exactly.
const std::vector<Extended>& GaussStepSums() {
    static const std::vector<Extended> sums = [] {
        std::vector<Extended> s(kGaussMaxSteps + 1, 0);
        const Extended scale = 200 / std::sqrt(2 * kPi);
        Extended yPrev = 0, sum = 0;
        for (long i = 1; i <= kGaussMaxSteps; ++i) {
            const Extended t = GaussStepT(i);
            const Extended y = scale * std::exp(-t * t / 2);
            sum += (y + yPrev) / 2 * kGaussStep;
            yPrev = y;
            s[static_cast<std::size_t>(i)] = sum;
        }
        return s;
    }();
    return sums;
}

}  // namespace

// The sum stops at the first step whose t reaches -x (the last step when
// none does, also for a NaN x); t grows with the step, so a bisection finds it.
// An x formed from typed tolerances and sigma that is a step in exact
// arithmetic stops at that step, whichever side of it its binary value lies.
Extended GaussPercent(Extended x) {
    const Extended limit = -x;
    long lo = 1, hi = kGaussMaxSteps;
    while (lo < hi) {
        const long mid = lo + (hi - lo) / 2;
        if (CompareToEdge(limit, GaussStepT(mid)) <= 0)
            hi = mid;
        else
            lo = mid + 1;
    }
    return GaussStepSums()[static_cast<std::size_t>(lo)];
}

void CalcStatistics() {
    if (StatisticsFlag == 'N') return;
    StatisticsResults[7] = GaussPercent(StatisticsSigma);
    if (CalcErrorFlag) return;
    const uint16_t g = StatisticsGrade;
    StatisticsResults[6] =
        TolTable(g, DiameterInputMode, OuterDiameter, InnerDiameter, MeanDiameter, SpringIndex);
    StatisticsResults[4] = ForceTolerance(g, ForceF1, DeflectionS1, MeanDiameter, WireDiameter,
                                          ActiveCoils, FreeLength, SpringRate);
    StatisticsResults[5] = ForceTolerance(g, ForceF2, DeflectionS2, MeanDiameter, WireDiameter,
                                          ActiveCoils, FreeLength, SpringRate);
    if (CalcErrorFlag) return;
    // The spread covers +/- sigma standard deviations; the argument is how many
    // of them the half drawing tolerance spans.
    const auto outside = [](Extended plus, Extended minus, Extended spread) {
        return GaussPercent((plus - minus) * StatisticsSigma * 0.5L / spread);
    };
    if (StatisticsResults[6] != 0)
        StatisticsResults[3] = outside(TolDmPlus, TolDmMinus, StatisticsResults[6]);
    if (StatisticsResults[4] != 0)
        StatisticsResults[1] = outside(TolF1Plus, TolF1Minus, StatisticsResults[4]);
    if (StatisticsResults[5] != 0)
        StatisticsResults[2] = outside(TolF2Plus, TolF2Minus, StatisticsResults[5]);
}

void DynamicCheck(Extended F1, Extended F2, Extended R, Extended SpringMass, Extended f) {
    if (R == 0) return;
    DynamicValues& dyn = DynamicRecord;
    dyn.SpringMassKg = SpringMass * 0.001L;
    dyn.RateNPerM = R * 1000;
    dyn.OmegaExcitation = 2 * kPi * f;
    // One third of the spring's mass moves with the attached mass.
    const Extended movingMass = dyn.SpringMassKg / 3 + dyn.AttachedMass;
    if (!(movingMass > 0) || !(dyn.RateNPerM > 0)) {
        // No oscillating system: nothing to compare the excitation with.
        const Extended attached = dyn.AttachedMass;
        dyn = DynamicValues{};
        dyn.AttachedMass = attached;
        return;
    }
    dyn.OmegaNatural = std::sqrt(dyn.RateNPerM / movingMass);
    dyn.Frequency = dyn.OmegaNatural / (2 * kPi);
    const Extended ratio = dyn.OmegaExcitation / dyn.OmegaNatural;
    const Extended denominator = 1 - ratio * ratio;
    dyn.Magnification = denominator != 0 ? 1 / denominator : kResonanceMagnification;
    dyn.ForceAmplitude = (F2 - F1) / 2;
    dyn.Amplitude = dyn.Magnification * dyn.ForceAmplitude / dyn.RateNPerM * 1000;
    dyn.AmplitudeIncrease = dyn.Amplitude - (F2 - F1) / R / 2;
    dyn.AmplitudeIncreasePercent = (dyn.Magnification - 1) * 100;
    if (dyn.AttachedMass > 0 &&
        (std::fabs(dyn.AmplitudeIncreasePercent) > 10 || dyn.AmplitudeIncreasePercent < 0))
        AddErrorMessage("Fehler : Resonance");
}

}  // namespace kor2
