// The calculation chain of the full check: rate from the two forces, coils
// and lengths, all results, the tolerances, and the estimate of the wire
// diameter. Called in this order by CheckSpring and by the design paths.
#pragma once

namespace kor2 {

// Each step reads and writes the spring values. Every step but the first does
// nothing when CalcErrorFlag is set on entry; a fatal message ends the step.
void CalcRateFromForces();
void CalcGeometry();
void CalcResults();
void CalcTolerances();

// Wire diameter from F2, Dm and tau zul, rounded up to the wire standard.
void EstimateWireDiameter();

// Brings De, Di and Dm in line with d (De = Dm + d, Di = Dm - d), keeping the
// diameter the user gave (DiameterInputMode 1 De, 2 Di, otherwise Dm).
void AlignCoilDiameters();

}  // namespace kor2
