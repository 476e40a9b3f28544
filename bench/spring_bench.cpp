// Speed of the spring calculation: the full check with the statistical scrap
// estimate off and on, the wire-diameter bisection and the pre-dimensioning
// by eye type, each on a dynamic spring of a table material with fatigue lines.
#include <benchmark/benchmark.h>

#include "common/globals.h"
#include "spring/check.h"
#include "spring/design.h"
#include "spring/formulas.h"
#include "spring/material.h"
#include "spring/springdata.h"

namespace {

using namespace kor2;

// A cold-formed spring of 1.6 mm patented wire for 20 to 45 N over 14 mm,
// under dynamic loading; the material record carries unpeened fatigue lines.
void SetUpSpring() {
    InitProgramVariables();
    InitSpringData();
    FEDWST_Record& m = MaterialRec;
    m.Name1 = "EN 10270-1 DH";
    m.Name3 = "DH";
    m.ShearModulus = 81500;
    m.YoungsModulus = 206000;
    m.Density = Real48::FromExtended(7.85L);
    m.Rm0 = 1980;
    m.DR0 = Real48::FromExtended(1.0L);
    m.RmMax = 2800;
    m.RmSlope = 740;
    m.DRef = Real48::FromExtended(1.0L);
    m.TauO0 = 891;
    m.TauOSlope = 333;
    m.TauH0 = 449;
    m.TauHSlope = 157;
    m.GoodmanSlope = Real48::FromExtended(0.74L);
    m.DMin = Real48::FromExtended(0.05L);
    m.DMax = Real48::FromExtended(20);
    m.TMax = 80;
    ApplyMaterialRecord();
    WireDiameter = 1.6L;
    OuterDiameter = 14;
    DiameterInputMode = 1;
    ForceF1 = 20;
    ForceF2 = 45;
    Stroke = 14;
    LengthL2 = 90;
    LoadingType = 2;
    OperatingFrequency = 8;
    EyeType = {0, 2, 2};
    EyeHeight = {0, 10.8L, 10.8L};
    UpdateStrengthFromDiameter();  // Rm and tau zul at d, as a previous check leaves them
}

void BM_CheckSpring(benchmark::State& state) {
    SetUpSpring();
    StatisticsFlag = state.range(0) != 0 ? 'J' : 'N';
    StatisticsGrade = 2;
    for (auto _ : state) {
        CheckSpring();
        benchmark::DoNotOptimize(ActiveCoils);
    }
    if (CalcErrorFlag) state.SkipWithError("the spring does not check");
}
BENCHMARK(BM_CheckSpring)->ArgName("statistics")->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

// The design paths change the spring; each round starts from the same one.
void BM_IterateWireDiameter(benchmark::State& state) {
    for (auto _ : state) {
        SetUpSpring();
        DiameterInputMode = 3;
        MeanDiameter = 12.4L;
        IterateWireDiameter();
        benchmark::DoNotOptimize(WireDiameter);
    }
}
BENCHMARK(BM_IterateWireDiameter)->Unit(benchmark::kMicrosecond);

void BM_PreDimensionWithEyes(benchmark::State& state) {
    for (auto _ : state) {
        SetUpSpring();
        PreDimensionWithEyes();
        benchmark::DoNotOptimize(WireDiameter);
    }
}
BENCHMARK(BM_PreDimensionWithEyes)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
