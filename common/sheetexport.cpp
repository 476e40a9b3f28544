// Sends the spring file line by line to the spreadsheet server ExcelApp,
// converted to Windows characters. Called by the shell's spreadsheet
// commands after the spring has been saved.
#include "common/sheetexport.h"

#include "common/fileio.h"
#include "common/filepath.h"
#include "common/globals.h"
#include "common/msgbox.h"
#include "common/numfmt.h"
#include "common/sheetapp.h"
#include "common/textfile.h"
#include "common/textout.h"
#include "common/textutil.h"
#include "platform/oemtext.h"

namespace kor2 {

void ExportTextToSpreadsheet(std::string_view fileName) {
    if (fileName.empty()) {
        ShowMessageOem("File not found. Use \"File->Save\"");
        AbortFlag = true;
        return;
    }
    const std::string fullName = DataFileFullNameOf(fileName);
    CheckFileReadable(fullName);
    if (AbortFlag) return;
    if (!ExcelApp) {
        ShowErrorMessage("Excel kann nicht gestartet werden");
        AbortFlag = true;
        return;
    }
    SharedTextFile.Assign(fullName);
    if (!SharedTextFile.Reset()) {
        SharedTextFile.IOResult();
        CheckFileReadable(fullName);
        AbortFlag = true;
        return;
    }
    int32_t row = 0;
    bool sent = true;
    std::string line;
    do {
        ReadLineL(line);
        ++row;
        sent = ExcelApp->SetCellValue(row, 1, OemToAnsiLine(line));
    } while (sent && !AbortFlag && !SharedTextFile.Eof());
    SharedTextFile.Close();
    if (sent && !AbortFlag) sent = ExcelApp->EndUpdate();
    if (!sent) {
        ShowErrorMessage("Excel: Zeile " + IntToStrL(row) + " nicht übertragen"_oem);
        AbortFlag = true;
    }
}

}  // namespace kor2
