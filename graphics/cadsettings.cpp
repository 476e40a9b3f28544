// The configured CAD values as the outputs need them: layer names made safe
// for the file formats, colours and thickness of every layer 0..31, and
// the configuration's values checked against their ranges.
#include "graphics/cadsettings.h"

#include <algorithm>
#include <cmath>

#include "common/config.h"
#include "common/textutil.h"
#include "platform/asciichars.h"

namespace kor2 {

namespace {

int Fold(int n) {
    if (n < 0) return 0;
    return n > 31 ? 16 + n % 16 : n;
}

std::size_t Index(int n) {
    return static_cast<std::size_t>(n);
}

}  // namespace

std::string CadLayerName(int n) {
    n = Fold(n);
    std::string name = n < kCadLayerCount ? TrimBlanks(CadLayerNames[Index(n)].str()) : "";
    // Layer names of the file formats: letters, digits, "$", "-" and "_".
    for (char& c : name)
        if (!IsAsciiLetterOrDigit(c) && c != '$' && c != '-' && c != '_') c = '_';
    return name.empty() ? std::to_string(n) : name;
}

int CadLayerColour(int n) {
    n = Fold(n);
    if (CadMonochrome) return 7;
    int c = n;
    if (n < kCadLayerCount)
        c = CadLayerColours[Index(n)];
    else if (n >= 16)
        c = CadLayerColours16[Index(n - 16)];
    return c >= 1 && c <= 255 ? c : 7;
}

int CadLayerThickness(int n) {
    n = Fold(n);
    int t = 1;
    if (n < kCadLayerCount)
        t = CadLineThickness[Index(n)];
    else if (n >= 16)
        t = CadLineThickness16[Index(n - 16)];
    return std::clamp(t, 1, 255);
}

std::string CadLayerLineType(int n) {
    // Layer 2 carries hidden edges and layer 3 centre lines in drawings.
    switch (Fold(n)) {
        case 2:
            return "DASHED";
        case 3:
            return "CENTER";
        default:
            return "CONTINUOUS";
    }
}

std::string CadConfiguredTextStyle() {
    return TrimBlanks(CadTextStyle.str());
}

Extended CadConfiguredWidthFactor() {
    const Extended f = CadDefaultTextWidth;
    return std::isfinite(f) && f > 0 ? f : 1.0L;
}

int CadConfiguredDecimals() {
    return std::clamp<int32_t>(CadDecimals, 1, 15);
}

std::string CadPlotCommandLine() {
    const int count = std::clamp<int32_t>(CadZanplotCommands.count, 1, kCadCommandLines);
    const int sel = std::clamp<int32_t>(CadZanplotCommands.selected, 1, count);
    return CadZanplotCommands.lines[Index(sel - 1)];
}

}  // namespace kor2
