// Statistical scrap estimate and the dynamic check of the spring with an
// attached mass. Both run inside the full check after the main results and
// write StatisticsResults and DynamicRecord, which reports and diagrams read.
#pragma once

#include "platform/types.h"

namespace kor2 {

// Per cent of a normal population lying more than x standard deviations from
// the mean, both tails together (trapezoidal sum in steps of 0.001 from -8).
Extended GaussPercent(Extended x);

// Fills StatisticsResults when StatisticsFlag is not 'N'.
void CalcStatistics();

// F1, F2 in N, R in N/mm, SpringMass in g, f in 1/s. Fills DynamicRecord
// (all but the attached mass) and adds "Fehler : Resonance" when an attached
// mass makes the stroke grow by more than 10 per cent or shrink.
void DynamicCheck(Extended F1, Extended F2, Extended R, Extended SpringMass, Extended f);

}  // namespace kor2
