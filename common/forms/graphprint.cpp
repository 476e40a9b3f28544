// The graphics print job on Qt's printer: begins the document in the page
// layout's orientation, hands the painter to the graphics window, which
// replays its display list there, and closes each page and the document.
#include "common/forms/graphprint.h"

#include <QPrinter>
#include <QPrinterInfo>

#include "common/msgbox.h"
#include "common/printfile.h"
#include "graphics/qt/graphwidget.h"
#include "platform/hostfs.h"
#include "platform/progfiles.h"

namespace kor2 {

QtGraphPrintJob::QtGraphPrintJob(TFquorgra& graph, GraphWindowModel& model)
    : graph_(graph), model_(model) {}

QtGraphPrintJob::~QtGraphPrintJob() {
    Stop();
}

bool QtGraphPrintJob::BeginDocument(PageOrientation orientation) {
    Stop();
    // The host's default printer; without one a PDF beside the spring.
    const QPrinterInfo host = QPrinterInfo::defaultPrinter();
    pdf_.clear();
    if (pdfOverride_) {
        pdf_ = *pdfOverride_;
    } else if (host.isNull()) {
        pdf_ = PrintPdfFileName();
    }
    printer_ = pdf_.empty() ? std::make_unique<QPrinter>(host, QPrinter::HighResolution)
                            : std::make_unique<QPrinter>(QPrinter::HighResolution);
    if (!pdf_.empty()) {
        printer_->setOutputFormat(QPrinter::PdfFormat);
        printer_->setOutputFileName(QString::fromStdString(platform::HostPath(pdf_)));
    }
    printer_->setPageOrientation(orientation == PageOrientation::Portrait
                                     ? QPageLayout::Portrait
                                     : QPageLayout::Landscape);
    if (!painter_.begin(printer_.get())) {
        printer_.reset();
        ShowErrorMessage((pdf_.empty() ? std::string("Drucker") : platform::DisplayPath(pdf_)) +
                         " not found");
        return false;
    }
    return true;
}

// The page gets the display list as it stands when the output is complete:
// the window repaints onto the printer canvas, which it holds only here, so
// that no repaint between outputs lands on a page; when that repaint does not
// reach the printer (a hidden window, a deferred paint) the job replays itself.
void QtGraphPrintJob::FinishPage() {
    const QRect page = printer_->pageLayout().paintRectPixels(printer_->resolution());
    const int before = graph_.PrinterReplays();
    graph_.SetPrinterCanvas(&painter_, page.size());
    graph_.repaint();
    graph_.SetPrinterCanvas(nullptr, {});
    if (graph_.PrinterReplays() != before) return;
    QtGraphCanvas canvas(painter_);
    const QRect area = graph_.DrawingArea();
    model_.ReplayOnPrinter(canvas, area.width(), area.height(), page.width(), page.height());
}

void QtGraphPrintJob::NewPage() {
    if (!Running()) return;
    FinishPage();
    printer_->newPage();
}

void QtGraphPrintJob::EndDocument() {
    if (!Running()) return;
    FinishPage();
    Stop();
    if (!pdf_.empty()) ShowInfo(platform::DisplayPath(pdf_) + " wurde angelegt.");
}

void QtGraphPrintJob::Stop() {
    if (!printer_) return;
    painter_.end();
    printer_.reset();
}

}  // namespace kor2
