// The shell's spreadsheet commands: create ExcelApp (the stand-in beside the
// spring file unless a factory is installed) and export the spring file into
// it. Called from the main window's menu.
#include "app/spreadsheet.h"

#include "app/shell.h"

#include "common/filepath.h"
#include "common/globals.h"
#include "common/msgbox.h"
#include "common/sheetapp.h"
#include "common/sheetexport.h"
#include "platform/hostfs.h"
#include "platform/oemtext.h"

namespace kor2 {

namespace {

std::unique_ptr<SpreadsheetAutomation> CreateExcelApp() {
    if (ExcelAppFactory) return ExcelAppFactory();
    const std::string spring = DataFileFullName(DataFileName);
    return std::make_unique<SpreadsheetFileApp>(ExtractFilePathL(spring) +
                                                DataFileBareName(spring) + ".xml");
}

}  // namespace

void SpreadsheetCommand() {
    if (DataFileName.empty()) {
        ShowInfo("Zuerst müssen Sie Ihre Eingabedaten speichern (Menü "_oem +
                 std::string("\"Datei->Speichern\")"));
        AbortFlag = true;
        return;
    }
    // The export reads the file: what the screen shows is saved first, also
    // a spring that has its name but no file yet (the one of a first start).
    if ((InputModifiedFlag || !platform::FileExists(SpringFullName())) && !SaveSpringCommand())
        return;
    std::unique_ptr<SpreadsheetAutomation> app = CreateExcelApp();
    if (!app || !app->SetVisible(true) || !app->AddWorkbook()) {
        ShowErrorMessage("Excel kann nicht gestartet werden");
        AbortFlag = true;
        return;
    }
    ExcelApp = std::move(app);
    ExportTextToSpreadsheet(SpringFullName());
}

void SpreadsheetUpdateCommand() {
    if ((InputModifiedFlag || DataFileName.empty()) && !SaveSpringCommand()) return;
    if (!ExcelApp) {
        SpreadsheetCommand();
        return;
    }
    ExportTextToSpreadsheet(SpringFullName());
}

}  // namespace kor2
