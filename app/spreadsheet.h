// The shell's two spreadsheet commands: create the automation object ExcelApp
// (common/sheetapp.h) and export the spring file into it. Called from the
// main window's menu.
#pragma once

namespace kor2 {

// The shell's spreadsheet command: needs a saved spring (DataFileName),
// saves it first when it was modified (with the overwrite question),
// creates ExcelApp, makes it visible, adds a workbook and exports the spring
// file into it. Failures show their message and set AbortFlag.
void SpreadsheetCommand();
// The second command: saves a modified spring first, then exports it again
// into the existing object (creating it as the first command does when
// there is none yet).
void SpreadsheetUpdateCommand();

}  // namespace kor2
