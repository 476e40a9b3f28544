// Design paths to a complete spring: automatic design, pre-dimensioning with
// the bisection of d for the eye height, recalculation from geometry or
// lengths. Run by the shell by GeometryMode and by the interactive windows.
#pragma once

namespace kor2 {

void AutoDesign();
void PreDimension();
void IterateWireDiameter();
void PreDimensionWithEyes();
void RecalcFromGeometry();
void RecalcFromLengths();

}  // namespace kor2
