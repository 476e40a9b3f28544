// The configured CAD values, read by the outputs at the moment they write.
// Until the configuration variables are linked in, the start values of the
// configuration stand here.
#include "graphics/cadsettings.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace kor2 {

namespace {

constexpr std::array<int, 6> kLayerColours = {1, 2, 2, 2, 3, 1};
constexpr std::array<int, 6> kLineThickness = {3, 1, 1, 1, 2, 3};

int Fold(int n) {
    if (n < 0) return 0;
    return n > 31 ? 16 + n % 16 : n;
}

}  // namespace

std::string CadLayerName(int n) {
    return std::to_string(Fold(n));
}

int CadLayerColour(int n) {
    n = Fold(n);
    if (n < 6) return kLayerColours[static_cast<std::size_t>(n)];
    if (n >= 16) return n - 15;  // layers 16..31: colours 1..16
    return n;
}

int CadLayerThickness(int n) {
    n = Fold(n);
    return n < 6 ? kLineThickness[static_cast<std::size_t>(n)] : 1;
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
    return "TXT8";
}

Extended CadConfiguredWidthFactor() {
    return 1.0L;
}

int CadConfiguredDecimals() {
    return 6;
}

std::string CadPlotCommandLine() {
    return "C:\\ZANPLOT\\WZANPLOT ZANPLOT.DXF /M1.0";
}

}  // namespace kor2
