// Fatigue limits of the current spring from the material's fatigue lines:
// permissible stroke stress, safety factors, endurable load cycles. Called by
// the results step of the chain and by the Goodman, Haigh and eye diagrams.
#pragma once

#include <cstdint>
#include <string>

#include "platform/types.h"

namespace kor2 {

// TextMode 2 names the stresses "sigma" in the error texts (eye bending),
// any other value "tau". Returns the lines at the current d: TauO the upper
// limit, TauH the stroke stress at lower stress 0, Slope the rise of the
// sloped line, Knee the lower stress where it meets TauO (only written when
// the permissible stroke stress comes from the lines), and Text the material
// and peening caption. Writes PermStrokeStress, the safety factors and the
// load cycles of the spring values.
void GoodmanLimits(uint16_t TextMode, Extended& TauO, Extended& TauH, Extended& Slope,
                   Extended& Knee, std::string& Text);

}  // namespace kor2
