// The CAD output: one drawing interface in sheet millimetres with five
// outputs (DXF file, IGES file, screen, external plot program, CAD-code text
// file). The diagrams and drawings open one output, draw and close it.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/types.h"

namespace kor2 {

// Output modes of CadOpen.
inline constexpr uint16_t kCadAsk = 0;
inline constexpr uint16_t kCadDxf = 1;
inline constexpr uint16_t kCadIges = 2;
inline constexpr uint16_t kCadScreen = 3;
inline constexpr uint16_t kCadPlot = 4;
inline constexpr uint16_t kCadTextFile = 5;

// Draw the sheet frame in CadBeginDrawing.
inline bool CadSheetFrame = true;

// Starts one output, closing an unfinished earlier one unwritten. Mode 0 (or
// any outside 1..5) asks for the mode, offering CadOutputMode first, which
// keeps the choice; the file modes ask for the file name (in CadFolder).
// Resets origin (CadOriginX, CadOriginY), text cursor, text alignment, line
// spacing (1.0) and scale (1.0). Coordinates are drawn at origin + scale x
// the given value. A cancelled question or a failed start sets AbortFlag;
// nothing is open then. Does nothing while AbortFlag is set.
void CadOpen(uint16_t Mode);
// The same with the file name given (no questions but the overwrite
// question; the name is not used by the screen and plot modes). A mode
// outside 1..5 sets AbortFlag.
void CadOpenFile(uint16_t Mode, std::string_view fileName);
// Ends the output: writes the file, finishes the screen, or writes the plot
// data into the temporary folder and starts the plot program. A failed write
// or start shows a message and sets AbortFlag.
void CadClose();
bool CadIsOpen();
uint16_t CadMode();  // the open output's mode, 0 when none is open

void CadBeginDrawing(Extended xmin, Extended ymin, Extended xmax, Extended ymax);
void CadBeginTables(uint16_t LayerScheme);
void CadBeginEntities();
void CadEndSection();
// True for every output: one pass draws everything.
bool CadAllPassesDone();

// Layer 0..31; a larger n is folded to 16 + n mod 16, a negative one to 0.
void CadSetLayer(int32_t n);
int32_t CadLayer();
// Font number, angle in degrees, height and character width in millimetres;
// the width factor is Width / Height times the configured factor.
// The style goes to CadTextHeight, CadTextAngle and CadTextWidthFactor.
void CadSetTextStyle(int32_t Font, Extended Angle, Extended Height, Extended Width);
// The text cursor is CadTextX, CadTextY.
void CadMoveTo(Extended x, Extended y);
// Text at the text cursor, then the cursor moves down by 1.6 x height x
// line spacing. An empty text writes nothing and leaves the cursor.
void CadWriteLine(std::string_view Text);
// The three report title lines from the sheet position (78, 116).
void DrawHeaderLines();

// Primitives in sheet millimetres on the current layer.
void CadLine(Extended x1, Extended y1, Extended x2, Extended y2);
void CadCircle(Extended x, Extended y, Extended r);
void CadArc(Extended x, Extended y, Extended r, Extended a1Deg, Extended a2Deg);
void CadText(Extended x, Extended y, std::string_view text);

}  // namespace kor2
