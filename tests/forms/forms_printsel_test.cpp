// The print selection dialog driven offscreen, and the graphics print job
// writing the ticked outputs into a PDF file, one page each, checked with
// pdfinfo and pdftotext where they are installed.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "common/forms/graphprint.h"
#include "common/forms/printselect.h"
#include "common/forms/qtdialogs.h"
#include "common/globals.h"
#include "common/helptext.h"
#include "common/scriptdialogs.h"
#include "forms_modal.h"
#include "graphics/qt/graphwidget.h"
#include "support/command.h"
#include "support/tempdir.h"

namespace kor2 {
namespace {

using test::OnModal;

class PrintSelectionForm : public ::testing::Test {
protected:
    void SetUp() override {
        InitProgramVariables();
        CaptionText = "Druckauswahl";
        PrintMacroIndex = 6 | (1 << 20);  // bit 21 belongs to no check box
    }
    // The ticked boxes, 1-based.
    static std::vector<int> Ticked(const TForm_printmac& f) {
        std::vector<int> k;
        for (int i = 1; i <= kPrintMacroCount; ++i)
            if (f.CheckBox(i)->isChecked()) k.push_back(i);
        return k;
    }
};

TEST_F(PrintSelectionForm, TicksFromTheIndexAndOkStoresThem) {
    std::vector<int> ticked;
    QString caption, ok, cancel, help, first;
    OnModal<TForm_printmac>([&](TForm_printmac* f) {
        ticked = Ticked(*f);
        caption = f->windowTitle();
        ok = f->Button_ok->text();
        cancel = f->Button_cancel->text();
        help = f->Button_help->text();
        first = f->CheckBox(1)->text();
        EXPECT_TRUE(f->Button_ok->isDefault());
        f->CheckBox(2)->setChecked(false);
        f->CheckBox(3)->setChecked(false);
        f->CheckBox(14)->click();
        f->Button_ok->click();
    });
    AbortFlag = true;
    EXPECT_TRUE(ShowPrintSelection({"Zeichnung", "Kennlinie"}));
    EXPECT_EQ(ticked, (std::vector<int>{2, 3}));
    EXPECT_EQ(caption, "Druckauswahl");
    EXPECT_EQ(ok, "OK");
    EXPECT_EQ(cancel, "Abbrechen");
    EXPECT_EQ(help, "&Hilfetext");
    EXPECT_EQ(first, "Zeichnung");
    EXPECT_EQ(PrintMacroIndex, 8192 | (1 << 20));
    EXPECT_FALSE(AbortFlag);
}

TEST_F(PrintSelectionForm, CancelEscAndCloseBoxChangeNothing) {
    auto tickAll = [](TForm_printmac* f) {
        for (QCheckBox* b : f->CheckBoxes) b->setChecked(true);
    };
    OnModal<TForm_printmac>([&](TForm_printmac* f) {
        tickAll(f);
        f->Button_cancel->click();
    });
    EXPECT_FALSE(ShowPrintSelection({}));
    EXPECT_TRUE(AbortFlag);
    OnModal<TForm_printmac>([&](TForm_printmac* f) {
        tickAll(f);
        QTest::keyClick(f->CheckBox(1), Qt::Key_Escape);
    });
    AbortFlag = false;
    EXPECT_FALSE(ShowPrintSelection({}));
    EXPECT_TRUE(AbortFlag);
    OnModal<TForm_printmac>([&](TForm_printmac* f) {
        tickAll(f);
        f->close();
    });
    AbortFlag = false;
    EXPECT_FALSE(ShowPrintSelection({}));
    EXPECT_TRUE(AbortFlag);
    EXPECT_EQ(PrintMacroIndex, 6 | (1 << 20));
}

TEST_F(PrintSelectionForm, HelpButtonShowsEntry3520) {
    test::TempDir tmp;
    PltFolder = tmp.path().string();
    std::ofstream(tmp.file("quorvex.hlp"), std::ios::binary) << "3520\nDruckauswahl Hilfe\n3530\n";
    QtDialogs qt;
    SetDialogBackend(&qt);
    QString helpCaption;
    OnModal<TForm_printmac>([&](TForm_printmac* f) {
        OnModal<QMessageBox>(
            [&](QMessageBox* box) {
                helpCaption = box->windowTitle();
                box->accept();
            },
            f);
        f->Button_help->click();
        f->Button_ok->click();
    });
    EXPECT_TRUE(ShowPrintSelection({}));
    SetDialogBackend(nullptr);
    EXPECT_EQ(helpCaption.toStdString(), "HILFETEXT Nr.3520");
}

// ---- The print job ------------------------------------------------------------------------

using test::CommandOutput;

bool HavePdfTools() {
    return std::system("pdftotext -v >/dev/null 2>&1") == 0 &&
           std::system("pdfinfo -v >/dev/null 2>&1") == 0;
}

class GraphPrintJob : public ::testing::Test {
protected:
    void SetUp() override {
        InitProgramVariables();
        TempFolder = tmp.path().string();
        GraphPrinting = false;
        window.setGeometry(40, 40, 320, 240);
        job.SetPdfFile(pdf);
        SetPrintJobBackend(&job);
    }
    void TearDown() override {
        SetPrintJobBackend(nullptr);
        GraphPrinting = false;
        PrintLayoutMode = 0;
    }
    // One output: a frame and a text of its own.
    static std::function<void()> Output(const std::string& text) {
        return [text] {
            GraphClear();
            GraphHeader(false, 0, 0, 160, 120);
            GraphWindow.MoveTo(10, 10);
            GraphWindow.LineTo(60, 60);
            GraphWindow.Label(10, 80, text, 8, 0);
            GraphWindow.Repaint();
        };
    }
    std::string PageText(int page) const {
        return CommandOutput("pdftotext -f " + std::to_string(page) + " -l " +
                             std::to_string(page) + " '" + pdf + "' -");
    }

    // From pdfinfo: the page count, and whether the first page is wider than high.
    struct PdfFacts {
        int pages = 0;
        bool landscape = false;
    };
    PdfFacts Facts() const {
        const std::string info = CommandOutput("pdfinfo '" + pdf + "'");
        PdfFacts f;
        double w = 0, h = 0;
        const std::size_t pages = info.find("Pages:"), size = info.find("Page size:");
        if (pages != std::string::npos) std::sscanf(info.c_str() + pages, "Pages: %d", &f.pages);
        // The stream reads "C" numbers whatever locale the form library set.
        std::istringstream sizes(size == std::string::npos ? std::string()
                                                           : info.substr(size + 10));
        std::string by;
        if (sizes >> w >> by >> h && by == "x") f.landscape = w > h;
        return f;
    }

    test::TempDir tmp;
    ScriptedDialogs ui;
    TFquorgra window;
    QtGraphPrintJob job{window};
    std::string pdf = tmp.file("grafik.pdf");
};

TEST_F(GraphPrintJob, TickedOutputsOnePageEachInPortrait) {
    if (!HavePdfTools()) GTEST_SKIP() << "pdftotext or pdfinfo not installed";
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    PrintLayoutMode = 2;
    PrintTickedOutputs(1 | 4, {Output("ERSTEAUSGABE"), Output("NIE"), Output("DRITTEAUSGABE")});
    EXPECT_FALSE(GraphPrinting);
    EXPECT_FALSE(job.Running());
    const PdfFacts facts = Facts();
    EXPECT_EQ(facts.pages, 2);
    EXPECT_FALSE(facts.landscape);
    const std::string p1 = PageText(1), p2 = PageText(2);
    EXPECT_NE(p1.find("ERSTEAUSGABE"), std::string::npos) << p1;
    EXPECT_EQ(p1.find("DRITTEAUSGABE"), std::string::npos) << p1;
    EXPECT_NE(p2.find("DRITTEAUSGABE"), std::string::npos) << p2;
    EXPECT_EQ(p2.find("ERSTEAUSGABE"), std::string::npos) << p2;
    EXPECT_EQ(p1.find("NIE"), std::string::npos);
}

TEST_F(GraphPrintJob, HiddenWindowStillPrintsInLandscape) {
    if (!HavePdfTools()) GTEST_SKIP() << "pdftotext or pdfinfo not installed";
    PrintLayoutMode = 1;
    PrintTickedOutputs(2, {Output("NIE"), Output("VERDECKT")});
    const PdfFacts facts = Facts();
    EXPECT_EQ(facts.pages, 1);
    EXPECT_TRUE(facts.landscape);
    EXPECT_NE(PageText(1).find("VERDECKT"), std::string::npos);
}

TEST_F(GraphPrintJob, UnwritablePdfIsReportedAndNothingRuns) {
    job.SetPdfFile(tmp.file("fehlt/grafik.pdf"));
    bool drawn = false;
    PrintTickedOutputs(1, {[&] { drawn = true; }});
    EXPECT_FALSE(drawn);
    EXPECT_TRUE(AbortFlag);
    EXPECT_FALSE(GraphPrinting);
    ASSERT_EQ(ui.Of("message").size(), 1u);
    EXPECT_NE(ui.Of("message")[0].text.find("not found"), std::string::npos);
}

}  // namespace
}  // namespace kor2
