// Goodman and Haigh diagrams of the current spring: the limit lines for
// 10 million, 1 million and 100 000 load cycles, the working point and the
// text block. The output views and the diagram sheets of the reports call it.
#pragma once

#include <cstdint>

#include "platform/types.h"

namespace kor2 {

// Open the CAD output in Mode (0 asks), draw one sheet and close it; with
// CalcErrorFlag set the calculation messages are shown instead.
void PlotGoodmanDiagram(uint16_t Mode);
void PlotHaighDiagram(uint16_t Mode);

// One sheet into the open CAD output: upper stress (Goodman) or stroke
// stress (Haigh) over the lower stress, in N/mm^2.
void DrawGoodmanDiagram();
void DrawHaighDiagram();

// The spring's stresses, material values and endurable load cycles at the
// upper right of the sheet.
void GoodmanTextBlock(Extended TauH, Extended TauO, Extended Slope);

}  // namespace kor2
