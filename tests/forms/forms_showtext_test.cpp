// Tests of the text-output window and of printing text files on Qt's
// printer: the window's contents, caption, menus, clipboard and remembered
// geometry; the printed pages checked in the PDF with pdftotext.
#include <gtest/gtest.h>

#include <QAction>
#include <QClipboard>
#include <QGuiApplication>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "common/config.h"
#include "common/forms/textwindow.h"
#include "common/globals.h"
#include "common/report.h"
#include "common/reporthead.h"
#include "common/scriptdialogs.h"
#include "common/textfile.h"
#include "forms_modal.h"
#include "platform/runtemp.h"
#include "platform/sysclock.h"
#include "support/keptfile.h"
#include "support/runtempfile.h"
#include "support/tempdir.h"

namespace kor2 {
namespace {

using test::OnModal;
namespace fs = std::filesystem;

void PutFile(const std::string& path, const std::string& data) {
    std::ofstream(path, std::ios::binary) << data;
}

class ShowTextWindow : public ::testing::Test {
protected:
    void SetUp() override {
        InitProgramVariables();
        InitConfigVariables();
        InitReportWriter();
        TempFolder = tmp.path().string();
        SetTextOutputBackend(&qt);
        AbortFlag = false;
    }
    void TearDown() override {
        SetTextOutputBackend(nullptr);
        SetPrintRangeAsker({});
        SetPrintToPdf(std::nullopt);
        SharedTextFile.Discard();
    }
    // The PDF's text, pages separated by form feeds; empty when pdftotext is missing.
    std::string PdfText(const std::string& pdf) {
        const std::string txt = tmp.file("pdf.txt");
        if (platform::RunProgram("pdftotext", {"-layout", pdf, txt}) != 0) return {};
        std::ifstream in(txt, std::ios::binary);
        std::stringstream ss;
        ss << in.rdbuf();
        return ss.str();
    }
    ScriptedDialogs ui;
    QtTextOutput qt;
    test::TempDir tmp;
};

TEST_F(ShowTextWindow, ShowsTheWindowsCopyAndCopiesItToTheClipboard) {
    PutFile(test::RunTempFile("outwin.txt"),
            "Pr\xFC"
            "fung\r\nZeile 2\r\n");
    QGuiApplication::clipboard()->clear();
    qt.ShowTextWindow("report.tmp", true);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QString::fromUtf8("Prüfung\nZeile 2"));

    QString caption, shown, fileMenu, editMenu;
    OnModal<TForm_showtextfile>([&](TForm_showtextfile* w) {
        caption = w->windowTitle();
        shown = w->Memo1->toPlainText();
        fileMenu = w->mi_Datei->title() + "|" + w->mi_dateiExportNotepad->text() + "|" +
                   w->mi_DateiDrucken->text() + "|" + w->mi_dateiBeenden->text();
        editMenu =
            w->mi_Edit->title() + "|" + w->mi_EditMarkAll->text() + "|" + w->mi_EditCopy->text();
        EXPECT_EQ(w->ReportFile, "report.tmp");
        w->mi_dateiBeenden->trigger();
    });
    qt.ShowTextWindow("report.tmp", false);
    EXPECT_EQ(caption, QString::fromStdString("KOR2 - " + test::RunTempFile("outwin.txt")));
    EXPECT_EQ(shown, QString::fromUtf8("Prüfung\nZeile 2"));
    EXPECT_EQ(fileMenu, "&Datei|Export &Notepad|&Drucken...|&Beenden       ");
    EXPECT_EQ(editMenu, QString::fromUtf8("&Bearbeiten|Alles aus&wählen|&Kopieren"));
}

TEST_F(ShowTextWindow, ReopensWhereItWasClosed) {
    PutFile(test::RunTempFile("outwin.txt"), "x\r\n");
    OnModal<TForm_showtextfile>([](TForm_showtextfile* w) {
        w->move(33, 44);
        w->resize(510, 320);
        w->mi_dateiBeenden->trigger();
    });
    qt.ShowTextWindow("r", false);
    EXPECT_EQ(TextWindowRect.width, 510);
    EXPECT_EQ(TextWindowRect.height, 320);

    TForm_showtextfile again;
    EXPECT_EQ(again.width(), 510);
    EXPECT_EQ(again.height(), 320);
    EXPECT_EQ(again.x(), TextWindowRect.left);
    EXPECT_EQ(again.y(), TextWindowRect.top);
}

TEST_F(ShowTextWindow, MissingCopyIsReported) {
    OnModal<TForm_showtextfile>([](TForm_showtextfile* w) { w->Button_okClick(); });
    qt.ShowTextWindow("r", false);
    ASSERT_EQ(ui.Of("message").size(), 1u);
    EXPECT_EQ(ui.Of("message")[0].text, test::RunTempFile("outwin.txt") + " not found !");
}

TEST_F(ShowTextWindow, PrintsTheChosenPagesIntoAPdf) {
    const std::string pdf = tmp.file("druck.pdf");
    SetPrintToPdf(pdf);
    int offered = 0;
    SetPrintRangeAsker([&](QPrinter&, int pageCount, int& from, int& to) {
        offered = pageCount;
        from = 2;
        to = 3;
        return true;
    });
    PrintTextPages({"Seite eins", "\f", "Seite zwei",
                    "Gr\x94\xE1"
                    "e",
                    "\fRest", "Seite drei", "\f", "Seite vier", "\f", "Seite fuenf"},
                   5);
    ASSERT_TRUE(fs::exists(pdf));
    const std::string text = PdfText(pdf);
    if (text.empty()) GTEST_SKIP() << "pdftotext (poppler-utils) is not installed";
    const std::size_t sheetBreak = text.find('\f');
    ASSERT_NE(sheetBreak, std::string::npos);
    const std::string first = text.substr(0, sheetBreak);
    EXPECT_NE(first.find("Seite zwei"), std::string::npos);
    EXPECT_NE(first.find("Größe"), std::string::npos);
    EXPECT_EQ(first.find("Seite eins"), std::string::npos);
    EXPECT_NE(text.find("Seite drei", sheetBreak), std::string::npos);
    EXPECT_EQ(text.find("Rest"), std::string::npos);
    EXPECT_EQ(text.find("Seite vier"), std::string::npos);
    EXPECT_EQ(std::count(text.begin(), text.end(), '\f'), 2);  // two sheets
}

TEST_F(ShowTextWindow, WindowsPrinterReportThroughThePrintDialog) {
    const std::string pdf = tmp.file("bericht.pdf");
    SetPrintToPdf(pdf);
    TextPrintMode = 1;
    LinesPerPage = 20;
    platform::SetClockOverride(platform::DateTime{2026, 3, 4, 13, 5, 0, 0, 0});
    FormatReportField("Bericht", "", "", "", "", 0);
    ReportBegin(4, "");
    ASSERT_FALSE(AbortFlag);
    ASSERT_TRUE(SharedTextFile.Rewrite());
    ReportPageHeader(1, 0);
    for (int k = 1; k <= 25; ++k) ReportLine("Zeile " + std::to_string(k));
    bool offered = false;
    OnModal<QPrintDialog>([&](QPrintDialog* d) {
        // Three pages of 20 lines: all of them offered and preset.
        offered = d->minPage() == 1 && d->maxPage() == 3 && d->fromPage() == 1 && d->toPage() == 3;
        d->accept();
    });
    ReportEnd();
    platform::SetClockOverride(std::nullopt);
    EXPECT_TRUE(offered);
    ASSERT_TRUE(fs::exists(pdf));
    const std::string text = PdfText(pdf);
    if (text.empty()) GTEST_SKIP() << "pdftotext (poppler-utils) is not installed";
    EXPECT_NE(text.find("Bl. 1"), std::string::npos);
    EXPECT_NE(text.find("Bl. 3"), std::string::npos);
    EXPECT_NE(text.find("Zeile 25"), std::string::npos);
}

TEST_F(ShowTextWindow, WithoutAPrinterThePagesGoIntoAPdfBesideTheSpring) {
    if (!QPrinterInfo::defaultPrinter().isNull()) GTEST_SKIP() << "a printer is installed";
    DataFolder = tmp.path().string();
    DataFileName = "feder";
    SetPrintRangeAsker([](QPrinter&, int, int&, int&) { return true; });
    PrintTextPages({"eins"}, 1);
    EXPECT_TRUE(fs::exists(tmp.file("feder.pdf")));
    ASSERT_EQ(ui.Of("message").size(), 1u);
    EXPECT_EQ(ui.Of("message")[0].text, tmp.file("feder.pdf") + " wurde angelegt.");

    // The print dialog's own choice of file is the one named.
    const std::string chosen = tmp.file("gewaehlt.pdf");
    SetPrintRangeAsker([&](QPrinter& printer, int, int&, int&) {
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(QString::fromStdString(chosen));
        return true;
    });
    PrintTextPages({"zwei"}, 1);
    EXPECT_TRUE(fs::exists(chosen));
    EXPECT_FALSE(fs::exists(tmp.file("feder-2.pdf")));
    ASSERT_EQ(ui.Of("message").size(), 2u);
    EXPECT_EQ(ui.Of("message")[1].text, chosen + " wurde angelegt.");
}

// A host whose file opener finds no viewer (it ends with a failure): the
// user learns where the exported file is, a place that outlives the run
// (the run's own folder goes with it) and is the user's alone.
TEST_F(ShowTextWindow, ExportWithoutAViewerSaysWhereTheFileIsKept) {
    PutFile(test::RunTempFile("outwin.txt"), "x\r\n");
    const std::string runFolder = fs::path(test::RunTempFile("outwin.txt")).parent_path();
    const auto saved = platform::GetEnv("KOR2_NOTEPAD");
    platform::SetEnv("KOR2_NOTEPAD", "/bin/false");
    OnModal<TForm_showtextfile>([](TForm_showtextfile* w) {
        w->mi_dateiExportNotepad->trigger();
        w->mi_dateiBeenden->trigger();
    });
    qt.ShowTextWindow("r", false);
    if (saved)
        platform::SetEnv("KOR2_NOTEPAD", *saved);
    else
        unsetenv("KOR2_NOTEPAD");
    ASSERT_EQ(ui.Of("message").size(), 1u);
    const std::string named = test::PlaceNamed(ui.Of("message")[0].text);
    platform::SetHandOverGrace(0);
    platform::EndPrivateTempFolders();  // as at the end of the run
    platform::SetHandOverGrace(10);
    EXPECT_FALSE(fs::exists(runFolder));
    test::ExpectKeptForTheUser(named, runFolder, "x\r\n");
}

}  // namespace
}  // namespace kor2
