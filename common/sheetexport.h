// Export of the current spring file into the spreadsheet program: every
// line of the file into one row of the first column of the active sheet of
// ExcelApp. Called by the shell's spreadsheet commands.
#pragma once

#include <string>
#include <string_view>

#include "common/msgbox.h"  // DataFileFullName

namespace kor2 {

// Writes the lines of the spring file fileName (a data file's name or a
// complete file name) in Windows characters to rows 1..n, column 1. An empty name, an unreadable
// file or a refused call of the server sets AbortFlag with a message.
void ExportTextToSpreadsheet(std::string_view fileName);

}  // namespace kor2
