// The drawing colours of the CAD colour numbers (see cadcolour.h): the
// standard colours 1..9, the colour wheel 10..249 and the greys 250..255.
#include "graphics/window/cadcolour.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace kor2 {

namespace {

uint8_t Level(double v) {
    return static_cast<uint8_t>(std::lround(std::clamp(v, 0.0, 1.0) * 255.0));
}

// Hue in degrees, saturation and value 0..1.
RgbColour FromHsv(double hue, double sat, double val) {
    const double c = val * sat;
    const double h = std::fmod(hue, 360.0) / 60.0;
    const double x = c * (1 - std::fabs(std::fmod(h, 2.0) - 1));
    double r = 0, g = 0, b = 0;
    if (h < 1)
        r = c, g = x;
    else if (h < 2)
        r = x, g = c;
    else if (h < 3)
        g = c, b = x;
    else if (h < 4)
        g = x, b = c;
    else if (h < 5)
        r = x, b = c;
    else
        r = c, b = x;
    const double m = val - c;
    return {Level(r + m), Level(g + m), Level(b + m)};
}

}  // namespace

RgbColour CadColourRgb(int colour) {
    static constexpr std::array<RgbColour, 10> kStandard = {{
        {0, 0, 0},        // 0: by block, drawn as the foreground
        {255, 0, 0},      // red
        {255, 255, 0},    // yellow
        {0, 255, 0},      // green
        {0, 255, 255},    // cyan
        {0, 0, 255},      // blue
        {255, 0, 255},    // magenta
        {0, 0, 0},        // black on the white ground
        {128, 128, 128},  // dark grey
        {192, 192, 192},  // light grey
    }};
    if (colour >= 1 && colour <= 9) return kStandard[static_cast<std::size_t>(colour)];
    if (colour >= 10 && colour <= 249) {
        static constexpr double kValue[5] = {1.0, 0.65, 0.5, 0.3, 0.15};
        const double hue = (colour / 10 - 1) * 15.0;
        const int shade = colour % 10;
        return FromHsv(hue, shade % 2 == 0 ? 1.0 : 0.5, kValue[shade / 2]);
    }
    if (colour >= 250 && colour <= 255) {
        const uint8_t v = Level(0.2 + (colour - 250) * 0.16);
        return {v, v, v};
    }
    return kStandard[kCadForeground];
}

int HpglPenColour(int pen) {
    static constexpr std::array<int, 9> kPens = {255, 7, 1, 3, 5, 4, 6, 2, 8};
    if (pen >= 0 && pen < static_cast<int>(kPens.size()))
        return kPens[static_cast<std::size_t>(pen)];
    return pen;
}

}  // namespace kor2
