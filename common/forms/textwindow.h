// TForm_showtextfile: the resizable text-output window of finished reports
// (the Windows-character copy "outwin.txt"), with printing, copying and the
// export to the text viewer; PrintTextPages puts a text file on Qt's printer
// (a PDF file when there is no printer). QtTextOutput is the form layer's
// implementation of the report writer's hooks; the program installs it.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "common/textout.h"
#include "platform/qt/formbase.h"

class QAction;
class QMenu;
class QMenuBar;
class QPlainTextEdit;
class QPrinter;

namespace kor2 {

class TForm_showtextfile : public platform::TForm {
    Q_OBJECT
public:
    explicit TForm_showtextfile(QWidget* parent = nullptr);

    std::string ReportFile;  // the report in code page 850, set by its creator
    std::string ShownFile;   // TempFolder\outwin.txt, set when shown

    QMenuBar* MainMenu1;
    QMenu* mi_Datei;
    QAction* mi_dateiExportNotepad;
    QAction* mi_DateiDrucken;
    QAction* mi_dateiBeenden;
    QMenu* mi_Edit;
    QAction* mi_EditMarkAll;
    QAction* mi_EditCopy;
    QPlainTextEdit* Memo1;

    void FormCreate();
    void FormClose();
    void Button_okClick();
    void mi_dateiBeendenClick();
    void Button_printClick();
    void mi_DateiDruckenClick();
    void mi_EditMarkAllClick();
    void mi_EditCopyClick();
    void mi_dateiExportNotepadClick();

    void done(int r) override;

protected:
    void FormShow() override;
    void closeEvent(QCloseEvent* e) override;
};

// The print dialog's answer: false for cancel, else the pages from..to.
using PrintRangeAsker = std::function<bool(QPrinter& printer, int pageCount, int& from, int& to)>;
// Tests: replaces the platform print dialog (an empty function restores it).
void SetPrintRangeAsker(PrintRangeAsker asker);
// Tests and hosts without a printer: print into this PDF file (a host
// path) instead of the system's printer; nullopt gives the printer back.
void SetPrintToPdf(std::optional<std::string> hostPdf);

// Prints the pages the user chooses of a report file's lines (code page
// 850) with the printing font, LinesPerPage lines to a sheet. Without a
// printer the pages go into TempFolder\ + ProgramBaseName + ".pdf".
void PrintTextPages(const std::vector<std::string>& lines, int pageCount);

class QtTextOutput : public TextOutputBackend {
public:
    void ShowTextWindow(const std::string& reportFile, bool copyAndClose) override;
    void PrintLines(const std::string& fileName, const std::vector<std::string>& lines,
                    int pageCount) override;
    ScreenFacts Screen() override;
};

}  // namespace kor2
