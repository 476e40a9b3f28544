// The text-output window, printing of text files on Qt's printer and the
// Qt implementation of the report writer's hooks. Created by ReportEnd
// through QtTextOutput; the window's print command uses PrintTextFile.
#include "common/forms/textwindow.h"

#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QFont>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QMenu>
#include <QMenuBar>
#include <QPageLayout>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QScreen>
#include <QVBoxLayout>

#include "common/config.h"
#include "common/filepath.h"
#include "common/forms/formutil.h"
#include "common/globals.h"
#include "common/msgbox.h"
#include "common/printfile.h"
#include "common/printfit.h"
#include "common/textfile.h"
#include "common/textutil.h"
#include "platform/hostfs.h"
#include "platform/oemtext.h"
#include "platform/progfiles.h"
#include "platform/qt/qtstring.h"
#include "platform/sysclock.h"

namespace kor2 {

namespace {

PrintRangeAsker& RangeAsker() {
    static PrintRangeAsker asker;
    return asker;
}

std::optional<std::string>& PdfOverride() {
    static std::optional<std::string> pdf;
    return pdf;
}

QFont PrintingFont() {
    QFont font(OemQ(PrintFontName.str()));
    font.setStyleHint(QFont::TypeWriter);
    font.setPointSize(PrintFontSize > 0 && PrintFontSize <= 200 ? PrintFontSize : 10);
    TFontStyles style;
    IntToFontStyle(PrintFontStyle, style);
    font.setBold(style.fsBold);
    font.setItalic(style.fsItalic);
    font.setUnderline(style.fsUnderline);
    font.setStrikeOut(style.fsStrikeOut);
    return font;
}

// The widest of the report's lines and the height of a line, in the
// printer's pixels, printed with font.
std::pair<double, double> MeasureLines(const std::vector<std::string>& lines, int pageCount,
                                       const QFont& font, QPrinter& printer) {
    const QFontMetricsF metrics(font, &printer);
    double widest = 0;
    for (const auto& sheet : PlanPrintedSheets(lines, 1, pageCount, LinesPerPage))
        for (const std::string& line : sheet)
            widest = std::max(widest, metrics.horizontalAdvance(platform::AnsiToQString(line)));
    return {widest, metrics.height()};
}

PrintBox Box(const QPageLayout& layout, QPrinter& printer) {
    const QRect r = layout.paintRectPixels(printer.resolution());
    return {static_cast<double>(r.width()), static_cast<double>(r.height())};
}

// The platform print dialog: pages 1..count offered and preset.
bool AskWithPrintDialog(QPrinter& printer, int pageCount, int& from, int& to) {
    QPrintDialog dialog(&printer);
    dialog.setOption(QAbstractPrintDialog::PrintPageRange, true);
    dialog.setMinMax(1, pageCount);
    dialog.setFromTo(1, pageCount);
    printer.setPrintRange(QPrinter::PageRange);
    if (dialog.exec() != QDialog::Accepted) return false;
    if (printer.printRange() == QPrinter::PageRange && printer.fromPage() > 0) {
        from = printer.fromPage();
        to = printer.toPage();
    } else {
        from = 1;
        to = pageCount;
    }
    return true;
}

}  // namespace

// ---- TForm_showtextfile ---------------------------------------------------------------

TForm_showtextfile::TForm_showtextfile(QWidget* parent) : TForm(parent) {
    setObjectName("Form_showtextfile");
    setSizeGripEnabled(true);
    resize(640, 480);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    MainMenu1 = new QMenuBar(this);
    MainMenu1->setObjectName("MainMenu1");
    layout->setMenuBar(MainMenu1);
    mi_Datei = MainMenu1->addMenu(QString());
    mi_Datei->setObjectName("mi_Datei");
    mi_dateiExportNotepad = mi_Datei->addAction(QString());
    mi_dateiExportNotepad->setObjectName("mi_dateiExportNotepad");
    mi_DateiDrucken = mi_Datei->addAction(QString());
    mi_DateiDrucken->setObjectName("mi_DateiDrucken");
    mi_dateiBeenden = mi_Datei->addAction(QString());
    mi_dateiBeenden->setObjectName("mi_dateiBeenden");
    mi_Edit = MainMenu1->addMenu(QString());
    mi_Edit->setObjectName("mi_Edit");
    mi_EditMarkAll = mi_Edit->addAction(QString());
    mi_EditMarkAll->setObjectName("mi_EditMarkAll");
    mi_EditCopy = mi_Edit->addAction(QString());
    mi_EditCopy->setObjectName("mi_EditCopy");
    Memo1 = new QPlainTextEdit(this);
    Memo1->setObjectName("Memo1");
    Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Memo1->setLineWrapMode(QPlainTextEdit::NoWrap);
    layout->addWidget(Memo1);

    connect(mi_dateiExportNotepad, &QAction::triggered, this,
            &TForm_showtextfile::mi_dateiExportNotepadClick);
    connect(mi_DateiDrucken, &QAction::triggered, this, &TForm_showtextfile::mi_DateiDruckenClick);
    connect(mi_dateiBeenden, &QAction::triggered, this, &TForm_showtextfile::mi_dateiBeendenClick);
    connect(mi_EditMarkAll, &QAction::triggered, this, &TForm_showtextfile::mi_EditMarkAllClick);
    connect(mi_EditCopy, &QAction::triggered, this, &TForm_showtextfile::mi_EditCopyClick);
    FormCreate();
}

void TForm_showtextfile::FormCreate() {
    if (TextWindowRect.width > 0 && TextWindowRect.height > 0) {
        move(TextWindowRect.left, TextWindowRect.top);
        resize(TextWindowRect.width, TextWindowRect.height);
    }
    mi_Datei->setTitle(OemQ("&Datei"));
    mi_dateiExportNotepad->setText(OemQ("Export &Notepad"));
    mi_DateiDrucken->setText(OemQ("&Drucken..."));
    mi_dateiBeenden->setText(OemQ("&Beenden       "));
    mi_Edit->setTitle(OemQ("&Bearbeiten"));
    mi_EditMarkAll->setText(OemQ("Alles aus&wählen"_oem));
    mi_EditCopy->setText(OemQ("&Kopieren"));
}

void TForm_showtextfile::FormShow() {
    ShownFile = OutwinFileName();
    Memo1->setFont(PrintingFont());
    TextFile in;
    in.Assign(ShownFile);
    if (platform::FileExists(ShownFile) && in.Reset()) {
        QStringList lines;
        std::string line;
        while (!in.Eof()) {
            in.ReadLine(line);
            lines << platform::AnsiToQString(line);
        }
        in.Close();
        Memo1->setPlainText(lines.join('\n'));
    } else {
        ShowErrorMessage(platform::DisplayPath(ShownFile) + " not found !");
    }
    setWindowTitle(platform::AnsiToQString(CaptionText + " - " + OemToAnsiLine(platform::DisplayPath(ShownFile))));
}

void TForm_showtextfile::FormClose() {
    TextWindowRect = {x(), y(), width(), height()};
}

void TForm_showtextfile::done(int r) {
    FormClose();
    TForm::done(r);
}

void TForm_showtextfile::closeEvent(QCloseEvent* e) {
    FormClose();
    TForm::closeEvent(e);
}

void TForm_showtextfile::Button_okClick() {
    done(QDialog::Accepted);
}

void TForm_showtextfile::mi_dateiBeendenClick() {
    done(QDialog::Accepted);
}

void TForm_showtextfile::Button_printClick() {
    PrintTextFile(ReportFile);
}

void TForm_showtextfile::mi_DateiDruckenClick() {
    PrintTextFile(ReportFile);
}

void TForm_showtextfile::mi_EditMarkAllClick() {
    Memo1->selectAll();
}

void TForm_showtextfile::mi_EditCopyClick() {
    Memo1->copy();
}

void TForm_showtextfile::mi_dateiExportNotepadClick() {
    ShowInHostViewer(OutwinFileName());
}

// ---- Printing ------------------------------------------------------------------------------

void SetPrintRangeAsker(PrintRangeAsker asker) {
    RangeAsker() = std::move(asker);
}

void SetPrintToPdf(std::optional<std::string> hostPdf) {
    PdfOverride() = std::move(hostPdf);
}

void PrintTextPages(const std::vector<std::string>& lines, int pageCount) {
    QPrinter printer(QPrinter::HighResolution);
    std::string pdf;  // the program's name of the PDF file, when one is written
    if (PdfOverride()) {
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(QString::fromStdString(*PdfOverride()));
    } else if (QPrinterInfo::defaultPrinter().isNull()) {
        pdf = PrintPdfFileName();
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(QString::fromStdString(platform::HostPath(pdf)));
    }
    // The sheet turns when only that lets the widest line be printed larger.
    const QFont wanted = PrintingFont();
    const auto [widest, textHeight] = MeasureLines(lines, pageCount, wanted, printer);
    QPageLayout upright = printer.pageLayout();
    upright.setOrientation(QPageLayout::Portrait);
    QPageLayout turned = upright;
    turned.setOrientation(QPageLayout::Landscape);
    const bool landscape = PrintLandscape(widest, textHeight, LinesPerPage,
                                          Box(upright, printer), Box(turned, printer));
    printer.setPageOrientation(landscape ? QPageLayout::Landscape : QPageLayout::Portrait);
    printer.setFromTo(1, pageCount);

    int from = 1, to = pageCount;
    const bool go = RangeAsker() ? RangeAsker()(printer, pageCount, from, to)
                                 : AskWithPrintDialog(printer, pageCount, from, to);
    if (!go) return;

    const auto sheets = PlanPrintedSheets(lines, from, to, LinesPerPage);
    QPainter painter;
    if (!painter.begin(&printer)) {
        ShowErrorMessage((pdf.empty() ? std::string("Drucker") : platform::DisplayPath(pdf)) +
                         " not found");
        AbortFlag = true;
        return;
    }
    // The font shrinks until the widest line fits the sheet the user chose.
    QFont font = wanted;
    const double scale =
        PrintFontScale(widest, textHeight, LinesPerPage, Box(printer.pageLayout(), printer));
    if (scale < 1.0) font.setPointSizeF(wanted.pointSizeF() * scale);
    painter.setFont(font);
    const int pageHeight = printer.pageLayout().paintRectPixels(printer.resolution()).height();
    const int lineHeight = std::max(1, pageHeight / std::max(1, LinesPerPage));
    const int ascent = QFontMetrics(painter.font(), &printer).ascent();
    for (std::size_t s = 0; s < sheets.size(); ++s) {
        if (s > 0) printer.newPage();
        int y = 0;
        for (const std::string& line : sheets[s]) {
            painter.drawText(0, y + ascent, platform::AnsiToQString(line));
            y += lineHeight;
        }
    }
    painter.end();
    // The file written, also where the print dialog chose another one.
    if (printer.outputFormat() == QPrinter::PdfFormat && !printer.outputFileName().isEmpty()) {
        const QString written = printer.outputFileName();
        const bool ours = written == QString::fromStdString(platform::HostPath(pdf));
        ShowInfo((ours ? platform::DisplayPath(pdf) : platform::QStringToOem(written)) +
                 " wurde angelegt.");
    }
}

// ---- Hooks of the report writer ---------------------------------------------------------------

void QtTextOutput::ShowTextWindow(const std::string& reportFile, bool copyAndClose) {
    TForm_showtextfile form;
    form.ReportFile = reportFile;
    if (copyAndClose) {
        form.setModal(false);
        form.show();
        form.mi_EditMarkAllClick();
        form.mi_EditCopyClick();
        form.close();
    } else {
        form.exec();
    }
}

void QtTextOutput::PrintLines(const std::string&, const std::vector<std::string>& lines,
                              int pageCount) {
    PrintTextPages(lines, pageCount);
}

ScreenFacts QtTextOutput::Screen() {
    ScreenFacts facts;
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        facts.width = screen->geometry().width();
        facts.height = screen->geometry().height();
        facts.logicalDpi = static_cast<int>(screen->logicalDotsPerInch() + 0.5);
    }
    return facts;
}

}  // namespace kor2
