// The CAD-code text file: one line per primitive, for other programs that
// read drawings as plain text. MakeCadTextWriter (cadwriter.h) writes it;
// the layout is fixed here.
//
// Lines end in CR LF; fields are separated by one blank; numbers have a
// decimal point and the configured number of decimals (trailing zeros
// dropped); lengths in sheet millimetres, angles in degrees.
//
//   KOR2-CAD 1                        first line: format name and version
//   EXTENTS xmin ymin xmax ymax       the sheet
//   LAYER n colour linetype           each layer the drawing uses (when tables were asked)
//   L layer x1 y1 x2 y2               line
//   C layer x y r                     circle
//   A layer x y r a1 a2               arc, counter-clockwise from a1 to a2
//   T layer x y height width angle font text
//                                     text: (x, y) the left end of its base line,
//                                     width the character width over the height;
//                                     the text is the rest of the line after one
//                                     blank, leading blanks included
//   END                               last line
#pragma once

namespace kor2 {

inline constexpr const char* kCadTextMagic = "KOR2-CAD 1";

}  // namespace kor2
