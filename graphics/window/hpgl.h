// Reader for the HP-GL plot files of the help pictures: turns the plotter
// commands into drawing calls on a graphics window. Called by
// ShowHpglPicture; tests feed it raw bytes.
#pragma once

#include <string_view>

#include "graphics/window/graphwin.h"

namespace kor2 {

// World units per plotter unit: 0.025 mm, so the help pictures' world
// window 0..160 by 0..120 holds a plot of 6400 by 4800 plotter units.
inline constexpr double kHpglUnit = 0.025;

// Draws what it understands of data: IN, DF, SP, PU, PD, PA, PR, CI, LB,
// DT, DI, SI; every other command and its parameters are skipped. Damaged
// input draws what can be read before and after the damage.
void DrawHpgl(std::string_view data, GraphWindowModel& window);

}  // namespace kor2
