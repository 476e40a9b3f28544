// The one palette of the drawing colours: a colour number of the CAD formats
// (the number a layer carries in the DXF, IGES and CAD-code files) as red,
// green and blue on the white graphics window and on paper. The screen pen,
// the printed page and the help pictures all draw with it.
#pragma once

#include <cstdint>

namespace kor2 {

struct RgbColour {
    uint8_t r = 0, g = 0, b = 0;
    bool operator==(const RgbColour&) const = default;
};

// The foreground colour number ("black/white": black on a white ground).
inline constexpr int kCadForeground = 7;

// 1 red, 2 yellow, 3 green, 4 cyan, 5 blue, 6 magenta, 7 black, 8 and 9
// greys, 10..249 the colour wheel in 24 hues of five shades each (even:
// full colour, odd: pale), 250..255 greys from dark to white. Numbers out of
// range give the foreground.
RgbColour CadColourRgb(int colour);

// A plotter pen of an HP-GL picture ("SP n") as a colour number: pen 1
// black, 2 red, 3 green, 4 blue, 5 cyan, 6 magenta, 7 yellow, 8 grey; pen 0
// (no pen) draws white; higher pens keep their number.
int HpglPenColour(int pen);

}  // namespace kor2
