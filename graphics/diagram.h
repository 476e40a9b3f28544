// The diagram layer: maps world values onto a plotting rectangle of the
// sheet and draws axes, clipped lines, circles and texts through the CAD
// output. The fatigue diagrams and other diagrams of the spring call it.
#pragma once

#include <cstdint>
#include <string_view>

#include "platform/types.h"

namespace kor2 {

// The world window of the diagram after DiagDrawAxes and DiagScaleWorld.
struct DiagWindowLimits {
    Extended xmin = 0, xmax = 1, ymin = 0, ymax = 1;
};
const DiagWindowLimits& DiagWindow();

// Size and lower left corner of the plotting rectangle, sheet millimetres.
void DiagSetPaperSize(Extended Width, Extended Height);
void DiagSetPaperOrigin(Extended x0, Extended y0);

// Rounds the limits to whole scale steps (6 intervals on each axis), makes
// them the window and draws frame, ticks, grid, scale numbers, the axis
// texts and the title. LabelMode 1 numbers every second step, any other
// value every step. The axes' text style stays set afterwards.
void DiagDrawAxes(std::string_view XText, std::string_view YText, std::string_view Title,
                  Extended xmin, Extended ymin, Extended xmax, Extended ymax, uint16_t LabelMode);
// Divides the window limits by unit factors (a factor of 0 or one that is
// not finite leaves that axis alone).
void DiagScaleWorld(Extended fx, Extended fy);

// World to sheet.
Extended DiagMapX(Extended x);
Extended DiagMapY(Extended y);

// The part of the segment inside the window; nothing when none is.
void DiagClippedLine(Extended x1, Extended y1, Extended x2, Extended y2);
// Circle of radius r in world x units.
void DiagCircle(Extended x, Extended y, Extended r);
void DiagText(std::string_view Text, Extended x, Extended y);
// Text cursor of CadWriteLine at the mapped point (also outside the window).
void DiagMoveTo(Extended x, Extended y);

// Liang-Barsky clip of a segment to a rectangle, both ends outside
// included; false when nothing of it lies inside.
bool DiagClipSegment(Extended& x1, Extended& y1, Extended& x2, Extended& y2, Extended xmin,
                     Extended ymin, Extended xmax, Extended ymax);

}  // namespace kor2
