// The spring the calculation tests start from: d 1.2, De 10, F1 10, F2 20,
// sh 11, G 81500, a table material with Rm0 1900 at DR0 1.0 and RmSlope 300,
// fatigue lines for unpeened wire, dynamic loading, both eyes type 2, LH 6.5.
#pragma once

#include "common/globals.h"
#include "platform/real48.h"
#include "spring/material.h"
#include "spring/springdata.h"

namespace kor2::test {

inline void SetUpExampleSpring() {
    InitProgramVariables();
    InitSpringData();
    FEDWST_Record& m = MaterialRec;
    m.Name1 = "  Federstahl  ";
    m.Name3 = "EN 10270-1";
    m.ShearModulus = 81500;
    m.YoungsModulus = 206000;
    m.Density = Real48::FromExtended(7.85L);
    m.Rm0 = 1900;
    m.DR0 = Real48::FromExtended(1.0L);
    m.RmSlope = 300;
    m.DRef = Real48::FromExtended(1.0L);
    m.TauO0 = 800;
    m.TauOSlope = 100;
    m.TauH0 = 400;
    m.TauHSlope = 60;
    m.GoodmanSlope = Real48::FromExtended(0.625L);
    m.DMin = Real48::FromExtended(0.5L);
    m.DMax = Real48::FromExtended(10);
    m.TMax = 120;
    ApplyMaterialRecord();
    Density = 7.85L;  // exactly, not through the 6-byte real
    WireDiameter = 1.2L;
    OuterDiameter = 10;
    DiameterInputMode = 1;
    ForceF1 = 10;
    ForceF2 = 20;
    Stroke = 11;
    LoadingType = 2;
    EyeType = {0, 2, 2};
    EyeHeight = {0, 6.5L, 6.5L};
}

}  // namespace kor2::test
