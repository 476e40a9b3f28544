// QtGraphPrintJob: the printer document of the graphics print job on the
// host's default printer (a PDF file named after the spring when there is
// none; the message after the print names it). The main window installs
// it with SetPrintJobBackend; TFquorgra replays on its painter at each page end.
#pragma once

#include <QPainter>
#include <memory>
#include <optional>
#include <string>

#include "common/printsel.h"
#include "graphics/window/graphwin.h"

class QPrinter;

namespace kor2 {

class TFquorgra;

class QtGraphPrintJob : public PrintJobBackend {
public:
    // graph shows model (the program's GraphWindow).
    explicit QtGraphPrintJob(TFquorgra& graph, GraphWindowModel& model = GraphWindow);
    ~QtGraphPrintJob() override;  // ends a document still running
    QtGraphPrintJob(const QtGraphPrintJob&) = delete;
    QtGraphPrintJob& operator=(const QtGraphPrintJob&) = delete;

    bool BeginDocument(PageOrientation orientation) override;
    void NewPage() override;
    void EndDocument() override;

    // Tests and hosts without a printer: print into this PDF file (a host
    // path) instead of the system's printer; nullopt gives the printer back.
    void SetPdfFile(std::optional<std::string> hostPdf) { pdfOverride_ = std::move(hostPdf); }
    bool Running() const { return printer_ != nullptr; }

private:
    // Puts the display list on the current page.
    void FinishPage();
    void Stop();

    TFquorgra& graph_;
    GraphWindowModel& model_;
    std::unique_ptr<QPrinter> printer_;
    QPainter painter_;
    std::optional<std::string> pdfOverride_;
    std::string pdf_;  // the PDF the document goes to (none on a printer)
};

}  // namespace kor2
