// The program's windows on a real X server: the main window with each
// diagram, and every window and dialog its menus open, each checked for
// controls outside their window and cut texts, and photographed into the
// build's screen folder.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QImage>
#include <QLineEdit>
#include <QListWidget>
#include <QMenuBar>
#include <QMessageBox>
#include <QPointer>
#include <QPrinterInfo>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>
#include <filesystem>
#include <fstream>

#include "app/qt/mainwindow.h"
#include "common/forms/folderdialog.h"
#include "common/forms/listdialog.h"
#include "common/forms/msgdescwindow.h"
#include "common/forms/printselect.h"
#include "common/forms/radiodialog.h"
#include "common/forms/textdialog.h"
#include "common/forms/yesnodialog.h"
#include "common/globals.h"
#include "common/inputdlg.h"
#include "common/msgbox.h"
#include "platform/oemtext.h"
#include "screen/screencheck.h"
#include "screen/screenprogram.h"
#include "screen/screentour.h"
#include "screen/xinput.h"
#include "support/command.h"

namespace kor2 {
namespace {

using test::Cancel;
using test::ClickLater;
using test::Inspect;
using test::ProgramPath;
using test::ScreenStep;
using test::Tour;

std::string Joined(const std::vector<std::string>& faults) {
    std::string s;
    for (const std::string& f : faults) s += "\n  " + f;
    return s;
}

// Actions on the windows of a tour.
template <typename T>
std::function<void(QWidget*)> On(std::function<void(T*)> f) {
    return [f](QWidget* w) {
        if (auto* t = qobject_cast<T*>(w))
            f(t);
        else if (auto* d = qobject_cast<QDialog*>(w))
            d->reject();
    };
}
// The window's menu item of that object name, from the event loop.
void TriggerLater(QWidget* window, const char* item) {
    if (auto* a = window->findChild<QAction*>(item))
        QTimer::singleShot(0, a, [a] { a->trigger(); });
}
void Accept(QWidget* w) {
    if (auto* d = qobject_cast<QDialog*>(w)) static_cast<QDialog*>(d)->accept();
}

class Screen : public ::testing::Test {
protected:
    // Messages of the message description file, count of them.
    static void FillErrorList(int count) {
        static const char* const kMessages[] = {
            "Fatal  : d <= 0 !", "Fatal  : Dm <= 0 !", "Fatal  : dm <= 0 !",
            "Fatal  : Dm = 0 !", "Fatal  : Di <= 0 !", "Fatal  : F2 <= 0 !",
            "Fatal  : Rm = 0 !", "Fatal  : sh <= 0 !", "Fatal  : sh = 0 !"};
        ClearErrorList();
        for (int k = 0; k < count && k < 9; ++k) AddErrorMessage(kMessages[k]);
    }

    test::ScreenProgram program;
    Thh* window = &program.Window();
    const std::string data = program.Data();
};

TEST_F(Screen, MainWindowWithEachDiagram) {
    EXPECT_TRUE(Inspect(*window, "main-start").empty()) << Joined(Inspect(*window, "main-start"));
    window->mi_GoodmanBildschirm->trigger();
    std::vector<std::string> faults = Inspect(*window, "main-goodman");
    window->mi_HaighBildschirm->trigger();
    for (std::string& f : Inspect(*window, "main-haigh")) faults.push_back(f);
    EXPECT_TRUE(faults.empty()) << Joined(faults);
}

// Picks file in the open dialog.
std::function<void(QWidget*)> ChooseFile(const std::string& file) {
    return On<QFileDialog>([file](QFileDialog* d) {
        if (auto* name = d->findChild<QLineEdit*>("fileNameEdit"))
            name->setText(QString::fromStdString(file));
        static_cast<QDialog*>(d)->accept();
    });
}

// After Datei/Öffnen the diagram on the screen is the opened spring's, the
// same as when it is drawn afresh.
TEST_F(Screen, OpenedSpringIsTheOneOnTheScreen) {
    window->mi_GoodmanBildschirm->trigger();
    std::vector<std::string> faults = Inspect(*window, "open-before");
    const QImage before = window->grab().toImage();
    for (std::string& f : Tour([&] { window->mi_DateiOeffnen->trigger(); },
                               {{"open-other-spring", ChooseFile(data + "TRAIN/muster2.kr2")}}))
        faults.push_back(f);
    EXPECT_NE(window->windowTitle().toStdString().find("muster2.kr2"), std::string::npos);
    for (std::string& f : Inspect(*window, "open-after")) faults.push_back(f);
    const QImage opened = window->grab().toImage();
    window->mi_GoodmanBildschirm->trigger();
    for (std::string& f : Inspect(*window, "open-drawn-afresh")) faults.push_back(f);
    const QImage afresh = window->grab().toImage();
    EXPECT_NE(opened, before);
    EXPECT_EQ(opened, afresh);
    EXPECT_TRUE(faults.empty()) << Joined(faults);
}

TEST_F(Screen, MessageWindowAsListAndAsRadioButtons) {
    FillErrorList(9);
    std::vector<std::string> faults =
        Tour([&] { window->mi_Fehlerliste->trigger(); },
             {{"messages-list", On<Tin_codedialog>([](Tin_codedialog* d) {
                   d->ListBox1->setCurrentRow(0);
                   ClickLater(d->button_ok);
               })},
              {"message-description", On<Thelperr>([](Thelperr* d) { ClickLater(d->Button_ok); })},
              {"messages-list-again",
               On<Tin_codedialog>([](Tin_codedialog* d) { ClickLater(d->Button_hilfetext); })},
              {"help-of-the-list", Accept},
              {"messages-list-after-help", Cancel}});
    FillErrorList(3);
    for (std::string& f :
         Tour([&] { window->mi_Fehlerliste->trigger(); }, {{"messages-radio", Cancel}}))
        faults.push_back(f);
    EXPECT_TRUE(faults.empty()) << Joined(faults);
}

TEST_F(Screen, MaterialTableQuestionTextDialogAndBrowser) {
    auto answer = [](bool ja) {
        return On<Tin_janeindialog>([ja](Tin_janeindialog* d) {
            (ja ? d->RadioJa : d->RadioNein)->setChecked(true);
            ClickLater(d->Button_ok);
        });
    };
    std::vector<std::string> faults =
        Tour([&] { window->mi_dbfmaterial->trigger(); },
             {{"material-question", answer(false)}, {"material-browser", Cancel}});
    for (std::string& f : Tour([&] { window->mi_dbfmaterial->trigger(); },
                               {{"material-question-yes", answer(true)},
                                {"text-dialog", On<Tin_textdialog>([](Tin_textdialog* d) {
                                     ClickLater(d->Button_Cancel);
                                 })}}))
        faults.push_back(f);
    EXPECT_TRUE(faults.empty()) << Joined(faults);
}

TEST_F(Screen, TableBrowserOnAChosenTable) {
    const QString table = QString::fromStdString(data + "fedwst.dbf");
    std::vector<std::string> faults =
        Tour([&] { window->mi_TabelleAnzeigen->trigger(); },
             {{"table-open-dialog", On<QFileDialog>([table](QFileDialog* d) {
                   if (auto* name = d->findChild<QLineEdit*>("fileNameEdit")) name->setText(table);
                   static_cast<QDialog*>(d)->accept();
               })},
              {"table-browser", [](QWidget* d) { TriggerLater(d, "mi_viewSearch"); }},
              {"browser-search", Cancel},
              {"table-browser-again", [](QWidget* d) { TriggerLater(d, "mi_helpDatei"); }},
              {"browser-file-name", Accept},
              {"table-browser-last", Cancel}});
    EXPECT_TRUE(faults.empty()) << Joined(faults);
}

// A file that is no table, typed into the open dialog with real keys: the
// engine's message over the main window, answered with the Return key, and
// the program goes on with its unsaved spring.
TEST_F(Screen, TableThatCannotBeOpenedShowsAMessageAndTheProgramGoesOn) {
    const std::string file = (program.Folder() / "keine.dbf").string();
    {
        std::ofstream out(file, std::ios::binary);
        out << "Kein dBase, nur Text." << std::string(600, '-');
    }
    const bool keys = test::HaveXdoTool();
    std::vector<std::string> faults;
    auto note = [&faults](const std::string& fault) {
        if (!fault.empty()) faults.push_back(fault);
    };
    InputModifiedFlag = true;
    std::string said;
    QPointer<QMessageBox> box;
    for (std::string& f :
         Tour([&] { window->mi_TabelleAnzeigen->trigger(); },
              {{"table-open-not-a-table",
                [&](QWidget* w) {
                    if (!keys) return ChooseFile(file)(w);
                    note(test::FocusWindow(*w));
                    if (auto* name = w->findChild<QLineEdit*>("fileNameEdit")) name->setFocus();
                    note(test::XdoTool({"type", "--delay", "20", QString::fromStdString(file)}));
                    note(test::XdoTool({"key", "Return"}));
                }},
               {"table-not-a-table-message", On<QMessageBox>([&](QMessageBox* m) {
                    said = m->text().toStdString();
                    box = m;
                    if (!keys) return m->accept();
                    note(test::FocusWindow(*m));
                    note(test::XdoTool({"key", "Return"}));
                })}}))
        faults.push_back(f);
    EXPECT_NE(said.find("keine"), std::string::npos) << said;
    EXPECT_TRUE(box.isNull() || !box->isVisible());
    EXPECT_TRUE(InputModifiedFlag);
    window->mi_GoodmanBildschirm->trigger();
    for (std::string& f : Inspect(*window, "main-after-not-a-table")) faults.push_back(f);
    EXPECT_TRUE(faults.empty()) << Joined(faults);
}

TEST_F(Screen, HelpMessageReportAndSpringFileDialog) {
    std::vector<std::string> faults =
        Tour([&] { window->mi_HilfeProgramm->trigger(); }, {{"help-text", Accept}});
    FillErrorList(2);
    CalcErrorFlag = false;
    for (std::string& f :
         Tour([&] { window->mi_Fehlerbericht->trigger(); }, {{"message-report", Cancel}}))
        faults.push_back(f);
    for (std::string& f :
         Tour([&] { window->mi_DateiOeffnen->trigger(); }, {{"spring-open-dialog", Cancel}}))
        faults.push_back(f);
    InputModifiedFlag = true;
    for (std::string& f : Tour([&] { window->close(); }, {{"save-question", Cancel}}))
        faults.push_back(f);
    EXPECT_TRUE(faults.empty()) << Joined(faults);
}

TEST_F(Screen, CheckSaveDialogAndCadFileDialog) {
    FillErrorList(0);
    std::vector<std::string> faults =
        Tour([&] { window->mi_BerechnungPruefen->trigger(); }, {{"check-done", Cancel}});
    for (std::string& f :
         Tour([&] { window->mi_DateiSpeichernUnter->trigger(); }, {{"spring-save-dialog", Cancel}}))
        faults.push_back(f);
    for (std::string& f :
         Tour([&] { window->mi_GoodmanDxf->trigger(); }, {{"cad-save-dialog", Cancel}}))
        faults.push_back(f);
    EXPECT_TRUE(faults.empty()) << Joined(faults);
}

TEST_F(Screen, PrintSelectionAndPrintJob) {
    PrintMacroIndex = 0;
    std::vector<std::string> faults =
        Tour([&] { window->mi_DateiDrucken->trigger(); },
             {{"print-selection", On<TForm_printmac>([](TForm_printmac* d) {
                   d->CheckBox(2)->setChecked(true);
                   ClickLater(d->Button_ok);
               })},
              {"print-done", Accept}});
    EXPECT_TRUE(faults.empty()) << Joined(faults);
}

// Without a printer a graphics print goes into a PDF beside the spring; the
// message after it names that file, and a second print a new one.
TEST_F(Screen, GraphicsPrintNamesTheFileItWrote) {
    if (!QPrinterInfo::defaultPrinter().isNull()) GTEST_SKIP() << "a printer is installed";
    PrintMacroIndex = 0;
    const std::string base = data + "TRAIN/" + DataFileName;
    std::vector<std::string> faults, said;
    for (const std::string& n : {std::string("1"), std::string("2")}) {
        for (std::string& f :
             Tour([&] { window->mi_DateiDrucken->trigger(); },
                  {{"graphics-print-selection-" + n, On<TForm_printmac>([](TForm_printmac* d) {
                        d->CheckBox(2)->setChecked(true);
                        ClickLater(d->Button_ok);
                    })},
                   {"graphics-print-message-" + n, On<QMessageBox>([&](QMessageBox* m) {
                        said.push_back(m->text().toStdString());
                        m->accept();
                    })}}))
            faults.push_back(f);
    }
    EXPECT_TRUE(faults.empty()) << Joined(faults);
    ASSERT_EQ(said.size(), 2u);
    EXPECT_EQ(said[0], base + ".pdf wurde angelegt.");
    EXPECT_EQ(said[1], base + "-2.pdf wurde angelegt.");
    EXPECT_GT(std::filesystem::file_size(base + ".pdf"), 1000u);
    EXPECT_GT(std::filesystem::file_size(base + "-2.pdf"), 1000u);
}

TEST_F(Screen, SpreadsheetExport) {
    std::vector<std::string> faults = Tour([&] { window->mi_DateiTabellenkalkulation->trigger(); },
                                           {{"spreadsheet-done", Accept}});
    EXPECT_TRUE(faults.empty()) << Joined(faults);
}

// A spring whose file name holds umlauts, opened through the file dialog:
// the window's title on the X server shows the name as the host writes it.
TEST_F(Screen, OpenedSpringWithUmlautsNamesItInTheTitle) {
    const std::filesystem::path file = program.Folder() / "Feder prüf größe.kr2";
    std::filesystem::copy_file(data + "TRAIN/muster1.kr2", file);
    const bool keys = test::HaveXdoTool();
    std::vector<std::string> faults;
    auto note = [&faults](const std::string& fault) {
        if (!fault.empty()) faults.push_back(fault);
    };
    // The name typed on a German keyboard into the open dialog.
    for (std::string& f : Tour([&] { window->mi_DateiOeffnen->trigger(); },
                               {{"spring-open-umlauts", [&](QWidget* w) {
                                     if (!keys) return ChooseFile(file.string())(w);
                                     note(test::KeyboardLayout("de"));
                                     note(test::FocusWindow(*w));
                                     if (auto* name = w->findChild<QLineEdit*>("fileNameEdit"))
                                         name->setFocus();
                                     note(test::XdoTool({"type", "--delay", "20",
                                                         QString::fromStdString(file.string())}));
                                     note(test::XdoTool({"key", "Return"}));
                                 }}}))
        faults.push_back(f);
    if (keys) note(test::KeyboardLayout("us"));
    EXPECT_TRUE(faults.empty()) << Joined(faults);
    const std::string title = "  -  " + file.string();
    EXPECT_TRUE(window->windowTitle().endsWith(QString::fromStdString(title)))
        << window->windowTitle().toStdString();
    // As the window manager reads it from the X server.
    const std::string xprop = "xprop -id " + std::to_string(window->winId()) + " _NET_WM_NAME 2>&1";
    std::string shown;
    EXPECT_TRUE(QTest::qWaitFor([&] {
        shown = test::CommandOutput(xprop);
        return shown.find(title + "\"") != std::string::npos;
    })) << shown;
}

// A spring opened by keys while the material table is cut short: a message
// says so at the open, and Speichern unter writes the material values the
// file held. The whole screen is photographed with the message up.
TEST_F(Screen, SpringOpenedByKeysWithACutTableIsToldAndSavedAsItWas) {
    if (!test::HaveXdoTool()) GTEST_SKIP() << "xdotool or setxkbmap is not installed";
    std::filesystem::resize_file(data + "fedwst.dbf", 200);
    const std::string spring = data + "TRAIN/muster2.kr2";
    const std::string saved = (program.Folder() / "gespeichert.kr2").string();
    std::vector<std::string> faults;
    auto note = [&faults](const std::string& fault) {
        if (!fault.empty()) faults.push_back(fault);
    };
    // Datei, then the item by its key, once the menu shows.
    auto menu = [&](const char* key) {
        note(test::FocusWindow(*window));
        note(test::XdoTool({"key", "alt+d"}));
        if (!QTest::qWaitFor([&] { return window->mi_Datei->isVisible(); }, 20000))
            return note("the Datei menu did not open");
        note(test::XdoTool({"key", key}));
    };
    auto typeName = [&](const std::string& file) {
        return [&, file](QWidget* w) {
            note(test::TypeIntoLineEdit(*w, QString::fromStdString(file)));
            note(test::XdoTool({"key", "Return"}));
        };
    };
    QString told;
    for (std::string& f :
         Tour([&] { menu("Return"); }, {{"cut-table-open-dialog", typeName(spring)},
                                        {"cut-table-message", [&](QWidget* w) {
                                             if (auto* box = qobject_cast<QMessageBox*>(w))
                                                 told = box->text();
                                             (void)test::CommandOutput(
                                                 "import -window root '" KOR2_SCREEN_DIR
                                                 "/cut-table-screen.png' 2>&1");
                                             note(test::FocusWindow(*w));
                                             note(test::XdoTool({"key", "Return"}));
                                         }}}))
        faults.push_back(f);
    EXPECT_TRUE(told.startsWith("Fatal  : FEDWST DBF error")) << told.toStdString();
    EXPECT_TRUE(window->windowTitle().endsWith("muster2.kr2"))
        << window->windowTitle().toStdString();
    for (std::string& f : Tour([&] { menu("u"); }, {{"cut-table-save-dialog", typeName(saved)}}))
        faults.push_back(f);
    EXPECT_TRUE(faults.empty()) << Joined(faults);
    const std::string text = test::CommandOutput("cat '" + saved + "'");
    EXPECT_NE(text.find("\r\n2165.0713782\r\n974.2821202\r\n"), std::string::npos) << text;
    EXPECT_EQ(text, test::CommandOutput("cat '" + spring + "'"));
}

// The folder, text and text-screen dialogs have no menu item of their own;
// the program asks through them, so they are opened through their front ends.
TEST_F(Screen, FolderTextAndTextScreenDialogs) {
    std::filesystem::create_directories(program.Folder() / "Ordner mit langem Namen" / "innen");
    const std::string start = (program.Folder() / "Ordner mit langem Namen").string();
    QString shownFolder;
    std::string dir;
    std::vector<std::string> faults =
        Tour([&] { SelectDirectory(ProgramPath(start), dir); },
             {{"folder-dialog", On<TForm_selectDir>([&](TForm_selectDir* d) {
                   shownFolder = d->DriveComboBox1->currentText();
                   ClickLater(d->Button_cancel);
               })}});
    EXPECT_EQ(shownFolder.toStdString(), start);
    std::string text = "Stahl";
    for (std::string& f : Tour([&] { InputText("Ordner für temporäre Dateien"_oem, 60, text); },
                               {{"text-dialog-prompt", Accept}}))
        faults.push_back(f);
    CaptionText = "Federdaten";
    for (int k = 1; k <= 22; ++k) TextLines[k] = "Zeile " + std::to_string(k);
    for (std::string& f : Tour([] { ShowInfoScreen(); }, {{"text-screen", Accept}}))
        faults.push_back(f);
    EXPECT_TRUE(faults.empty()) << Joined(faults);
}

}  // namespace
}  // namespace kor2
