// Where a print goes for want of a printer: a PDF file named after the
// current spring, beside it. The graphics print job and the text print of
// the form layer ask for it.
#pragma once

#include <string>

namespace kor2 {

// The spring's folder and name (DataFolder and DataFileName; a name given
// on the command line holds its folder) with ".pdf", or ProgramBaseName
// when the spring has no name yet. An existing file, an earlier print, is
// never overwritten: then name-2.pdf, name-3.pdf, ... whichever is free.
// Program path form.
std::string PrintPdfFileName();

}  // namespace kor2
