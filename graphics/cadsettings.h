// The configured values the CAD outputs read: layer names, colours and line
// thickness, text style and width factor, decimals, monochrome and the plot
// program's command line. cadout.cpp and the format writers call these.
#pragma once

#include <cstdint>
#include <string>

#include "platform/types.h"

namespace kor2 {

// Layer n (0..31) as the outputs declare it.
std::string CadLayerName(int n);
int CadLayerColour(int n);  // colour number 1..255 (1 red, 2 yellow, 3 green, 7 black/white)
int CadLayerThickness(int n);
// "CONTINUOUS", "DASHED" or "CENTER".
std::string CadLayerLineType(int n);
std::string CadConfiguredTextStyle();
Extended CadConfiguredWidthFactor();
int CadConfiguredDecimals();  // 1..15 digits after the point
// The plot program's command line: the program and its arguments.
std::string CadPlotCommandLine();

}  // namespace kor2
