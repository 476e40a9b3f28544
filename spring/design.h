// Design paths from the user's requirements to a complete spring: automatic
// design, pre-dimensioning with the wire-diameter bisection for the eye
// height, and the recalculations from geometry or lengths. Run by the shell
// by GeometryMode and by the interactive windows; each ends in a full check
// (RecalcFromGeometry through its caller).
#pragma once

namespace kor2 {

void AutoDesign();
void PreDimension();
void IterateWireDiameter();
void PreDimensionWithEyes();
void RecalcFromGeometry();
void RecalcFromLengths();

}  // namespace kor2
