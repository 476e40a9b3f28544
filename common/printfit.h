// How a printed text report fits its sheet: the orientation and the scale of
// the printing font that let the widest line fit across the printable area
// and a sheet's lines fit down it. Used by the form layer's text printing.
#pragma once

namespace kor2 {

// Printable area of a sheet, in the units the line sizes are measured in.
struct PrintBox {
    double width = 0;
    double height = 0;
};

// Scale of the printing font, at most 1: the widest line fits across the
// box, and linesPerPage lines of lineHeight fit down it without overlapping.
// widest and lineHeight are measured with the unscaled font; 0 stands for
// nothing measured.
double PrintFontScale(double widest, double lineHeight, int linesPerPage, PrintBox box);

// Landscape when the widest line does not fit a portrait sheet and a
// landscape sheet prints it larger.
bool PrintLandscape(double widest, double lineHeight, int linesPerPage, PrintBox portrait,
                    PrintBox landscape);

}  // namespace kor2
