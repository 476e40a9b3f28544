// Tests of the main window Thh driven offscreen with scripted dialogs: the
// start-up spring, the check command and the error-list caption, opening a
// spring file, the Goodman diagram on screen and as a DXF file, closing; the
// drawing area below the menu bar, size and colour from the configuration,
// the menu's spreadsheet export, printing and material table, and tables
// that cannot be opened.
#include <gtest/gtest.h>

#include <QAction>
#include <QCheckBox>
#include <QImage>
#include <QMenu>
#include <QMenuBar>
#include <QPrinterInfo>
#include <QPushButton>
#include <QTest>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "app/pickingwindow.h"
#include "app/qt/mainwindow.h"
#include "app/shell.h"
#include "app/startup.h"
#include "common/config.h"
#include "common/globals.h"
#include "common/helptext.h"
#include "common/scriptdialogs.h"
#include "forms_modal.h"
#include "graphics/window/graphwin.h"
#include "platform/hostfs.h"
#include "platform/oemtext.h"
#include "platform/qt/qtstring.h"
#include "spring/springdata.h"
#include "support/command.h"
#include "support/shippedtable.h"
#include "support/tempdir.h"
#include "tables/area/engine.h"
#include "tables/browser/browsermodel.h"
#include "tables/forms/browserwindow.h"

namespace kor2 {
namespace {

const std::string kData = std::string(KOR2_SOURCE_DIR) + "/data/";

std::string ProgramPath(std::string p) {
    std::replace(p.begin(), p.end(), '/', '\\');
    return p;
}

class MainWindowTest : public ::testing::Test {
protected:
    void SetUp() override { Start(); }
    // The program's start values and this test's folders.
    void Start() {
        SetCommandLine({"/NOGUI"});  // no message window after the start-up check
        InitAllUnits();
        TempFolder = ConfigDir = CadFolder = tmp.path().string();
        PltFolder = kData;
        DataFolder = kData + "TRAIN";
    }
    void TearDown() override {
        ShutdownTableEngine();
        SetCommandLine({});
        AbortFlag = false;
    }
    // A file of the test folder holding the first size bytes of the shipped
    // material table (all of them when size is npos).
    std::string TableCut(const std::string& name, std::size_t size) {
        std::string bytes = platform::ReadWholeFile(kData + "fedwst.dbf").value_or("");
        if (size < bytes.size()) bytes.resize(size);
        const std::string path = tmp.file(name);
        EXPECT_TRUE(platform::WriteFileReplacing(path, bytes));
        return path;
    }
    // Shows file through the menu; true when the error message came and the
    // program kept its unsaved spring and can go on with the next command.
    void ExpectRefusedAndGoesOn(Thh& w, const std::string& file) {
        SCOPED_TRACE(file);
        InputModifiedFlag = true;
        WireDiameter = 1.25L;
        const std::size_t said = dialogs.Of("message").size();
        dialogs.answers.push_back(ScriptedAnswer::Type(ProgramPath(file)));
        w.mi_TabelleAnzeigen->trigger();
        const std::vector<ScriptedEvent> messages = dialogs.Of("message");
        ASSERT_EQ(messages.size(), said + 1);
        EXPECT_EQ(messages.back().caption, "Fehler : ");
        EXPECT_FALSE(messages.back().text.empty());
        EXPECT_FALSE(dbf4().tbdbf.Active());
        EXPECT_TRUE(InputModifiedFlag);
        EXPECT_EQ(WireDiameter, 1.25L);
        // The next command runs as usual.
        w.mi_BerechnungPruefen->trigger();
        EXPECT_EQ(WireDiameter, 1.25L);
    }
    test::TempDir tmp;
    ScriptedDialogs dialogs;
};

TEST_F(MainWindowTest, CheckShowsTheMessageCountInTheErrorListItem) {
    Thh w;
    w.show();
    EXPECT_FALSE(w.StartUp(ParseCommandLine(CommandLineParams())));
    EXPECT_EQ(w.windowTitle().toStdString().rfind("KOR2", 0), 0u);

    // The default spring from data/TRAIN: a checked spring without a fatal message.
    EXPECT_FALSE(CalcErrorFlag);
    TensileStrength = 0;  // the next check ends with "Fatal  : Rm = 0 !"
    w.mi_BerechnungPruefen->trigger();
    ASSERT_GT(ErrorList.count, 0);
    EXPECT_EQ(platform::QStringToOem(w.mi_Fehlerliste->text()),
              "&Fehlermeldungen (" + std::to_string(ErrorList.count) + ")");
    EXPECT_TRUE(CalcErrorFlag);
}

TEST_F(MainWindowTest, OpenDrawAndCloseThroughTheMenu) {
    Thh w;
    w.show();
    w.StartUp(ParseCommandLine(CommandLineParams()));

    dialogs.answers.push_back(ScriptedAnswer::Type(ProgramPath(kData + "TRAIN/muster1.kr2")));
    w.mi_DateiOeffnen->trigger();
    EXPECT_NE(w.windowTitle().toStdString().find("muster1.kr2"), std::string::npos);
    EXPECT_EQ(LoadingType, 2);  // the demo spring is dynamic
    const std::string countCaption = platform::QStringToOem(w.mi_Fehlerliste->text());
    EXPECT_EQ(countCaption, "&Fehlermeldungen (" + std::to_string(ErrorList.count) + ")");

    GraphWindow.Clear();
    ASSERT_FALSE(CalcErrorFlag);
    w.mi_GoodmanBildschirm->trigger();
    EXPECT_FALSE(AbortFlag);
    EXPECT_FALSE(GraphWindow.Items().empty());
    test::DrainEvents();  // the repaint of the drawing does not fail

    dialogs.answers.push_back(ScriptedAnswer::Type(ProgramPath(tmp.file("goodman.dxf"))));
    w.mi_GoodmanDxf->trigger();
    EXPECT_TRUE(platform::FileExists(tmp.file("goodman.dxf")));

    // Closing an unmodified spring asks nothing and writes the state file.
    const std::size_t asked = dialogs.events.size();
    EXPECT_TRUE(w.close());
    EXPECT_EQ(dialogs.events.size(), asked);
    EXPECT_TRUE(platform::FileExists(tmp.file("kor2.cff")));
}

// The display list the Goodman diagram of the spring in file gives.
std::vector<GraphItem> GoodmanOf(Thh& w, ScriptedDialogs& dialogs, const std::string& file) {
    dialogs.answers.push_back(ScriptedAnswer::Type(ProgramPath(file)));
    w.mi_DateiOeffnen->trigger();
    GraphClear();
    w.mi_GoodmanBildschirm->trigger();
    return GraphWindow.Items();
}

bool SameDrawing(const std::vector<GraphItem>& a, const std::vector<GraphItem>& b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                      [](const GraphItem& x, const GraphItem& y) {
                          return x.kind == y.kind && x.x1 == y.x1 && x.y1 == y.y1 && x.x2 == y.x2 &&
                                 x.y2 == y.y2 && x.pen == y.pen && x.text == y.text;
                      });
}

// After Datei/Öffnen the diagram on the screen is the opened spring's.
TEST_F(MainWindowTest, OpenRedrawsTheShownDiagramForTheNewSpring) {
    Thh w;
    w.show();
    w.StartUp(ParseCommandLine(CommandLineParams()));
    const std::string one = kData + "TRAIN/muster1.kr2", two = kData + "TRAIN/muster2.kr2";
    const std::vector<GraphItem> first = GoodmanOf(w, dialogs, one);
    const std::vector<GraphItem> second = GoodmanOf(w, dialogs, two);
    ASSERT_FALSE(first.empty());
    ASSERT_FALSE(SameDrawing(first, second));

    dialogs.answers.push_back(ScriptedAnswer::Type(ProgramPath(one)));
    w.mi_DateiOeffnen->trigger();
    EXPECT_NE(w.windowTitle().toStdString().find("muster1.kr2"), std::string::npos);
    EXPECT_TRUE(SameDrawing(GraphWindow.Items(), first));

    // The Haigh diagram likewise; a cancelled open leaves it alone.
    w.mi_HaighBildschirm->trigger();
    const std::vector<GraphItem> haigh = GraphWindow.Items();
    dialogs.answers.push_back(ScriptedAnswer::Type(ProgramPath(two)));
    w.mi_DateiOeffnen->trigger();
    EXPECT_EQ(w.ShownView(), Thh::View::Haigh);
    EXPECT_FALSE(SameDrawing(GraphWindow.Items(), haigh));
    const std::vector<GraphItem> haighTwo = GraphWindow.Items();
    dialogs.answers.push_back(ScriptedAnswer::Cancel());
    w.mi_DateiOeffnen->trigger();
    EXPECT_TRUE(SameDrawing(GraphWindow.Items(), haighTwo));
}

// A material picked from the table is drawn at once: the Haigh diagram on
// the screen is the one of the spring with that material.
TEST_F(MainWindowTest, PickedMaterialRedrawsTheShownDiagram) {
    DbfFolder = test::ShippedTableCopy(tmp);
    std::filesystem::copy_file(kData + "TRAIN/muster2.kr2", tmp.file("feder.kr2"));
    Thh w;
    w.show();
    w.StartUp(ParseCommandLine(CommandLineParams()));
    dialogs.answers.push_back(ScriptedAnswer::Type(ProgramPath(tmp.file("feder.kr2"))));
    w.mi_DateiOeffnen->trigger();
    w.mi_HaighBildschirm->trigger();
    const std::vector<GraphItem> before = GraphWindow.Items();

    test::PickingWindow browser;
    browser.row = 11;  // EN 10270-2 TDSiCr
    SetDbf4Window(&browser);
    ScriptedAnswer no;
    no.janein = 'N';
    dialogs.answers.push_back(no);
    w.mi_dbfmaterial->trigger();
    SetDbf4Window(nullptr);
    EXPECT_EQ(ModulusG, 79500);
    const std::vector<GraphItem> picked = GraphWindow.Items();
    EXPECT_FALSE(SameDrawing(picked, before));
    GraphClear();
    w.mi_HaighBildschirm->trigger();
    EXPECT_TRUE(SameDrawing(GraphWindow.Items(), picked));
    InputModifiedFlag = false;
}

TEST_F(MainWindowTest, ClosingModifiedInputCanBeCancelled) {
    Thh w;
    w.show();
    w.StartUp(ParseCommandLine(CommandLineParams()));
    InputModifiedFlag = true;
    dialogs.answers.push_back(ScriptedAnswer::Cancel());
    EXPECT_FALSE(w.close());
    EXPECT_TRUE(w.isVisible());
    ASSERT_FALSE(dialogs.Of("yesno").empty());
    EXPECT_EQ(dialogs.Of("yesno").back().text.rfind("Datei speichern (", 0), 0u);
    InputModifiedFlag = false;
}

TEST_F(MainWindowTest, TheDrawingStartsBelowTheMenuBar) {
    Thh w;
    w.show();
    w.StartUp(ParseCommandLine(CommandLineParams()));
    w.resize(400, 300 + w.MainMenu1->sizeHint().height());
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    const int top = w.MainMenu1->geometry().bottom() + 1;
    ASSERT_GT(top, 1);
    EXPECT_EQ(w.DrawingArea().top(), top);
    EXPECT_EQ(GraphWindow.ClientHeight, w.height() - top);
    EXPECT_EQ(GraphWindow.ClientWidth, w.width());

    // A line along the top edge of the world window shows in the first rows
    // under the bar.
    GraphClear();
    GraphHeader(false, 0, 0, 160, 120);
    GraphWindow.SetPen(1);
    GraphWindow.MoveTo(0, 119.5);
    GraphWindow.LineTo(160, 119.5);
    GraphWindow.Repaint();
    const QImage shot = w.grab().toImage();
    int red = 0;
    for (int y = top; y < top + 3; ++y) red = std::max(red, QColor(shot.pixel(200, y)).red());
    EXPECT_GT(red, 100);
}

TEST_F(MainWindowTest, StartUpTakesSizeAndColourFromTheConfiguration) {
    ResolutionX = 639;
    ResolutionY = 399;
    WindowColour = 0x00FF8000;  // blue 255, green 128, red 0
    AbortFlag = false;
    WriteConfigFile();
    ASSERT_TRUE(platform::FileExists(tmp.file("kor2.cfg")));
    Start();
    ASSERT_EQ(WindowColour, 0);

    Thh w;
    w.show();
    w.StartUp(ParseCommandLine(CommandLineParams()));
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    EXPECT_EQ(w.DrawingArea().size(), QSize(640, 400));
    EXPECT_EQ(w.pos(), QPoint(0, 0));
    EXPECT_EQ(w.Background(), QColor(0, 128, 255));
    EXPECT_EQ(QColor(w.grab().toImage().pixel(5, w.DrawingArea().bottom() - 5)),
              QColor(0, 128, 255));
}

TEST_F(MainWindowTest, MaterialItemAsksForANewMaterialFirst) {
    Thh w;
    w.StartUp(ParseCommandLine(CommandLineParams()));
    EXPECT_EQ(w.mi_dbfmaterial->text(), "Material");
    EXPECT_TRUE(w.mi_Datenbank->actions().contains(w.mi_dbfmaterial));
    dialogs.answers.push_back(ScriptedAnswer::Cancel());
    w.mi_dbfmaterial->trigger();
    ASSERT_EQ(dialogs.Of("janein").size(), 1u);
    EXPECT_EQ(dialogs.Of("janein")[0].text, "Neuen Werkstoff eintragen ?");
}

TEST_F(MainWindowTest, TableFromTheMenuHasTheTableWindowsHelp) {
    Thh w;
    w.StartUp(ParseCommandLine(CommandLineParams()));
    HelpNumber = 4050;  // left by an earlier dialog
    dialogs.answers.push_back(
        ScriptedAnswer::Type(ProgramPath(test::ShippedTableCopy(tmp) + "/fedwst.dbf")));
    w.mi_TabelleAnzeigen->trigger();
    EXPECT_EQ(HelpNumber, kHelpTableWindow);
}

// "Tabelle anzeigen" on tables the program cannot open: not a dBase file, a
// cut header, an empty file. Each gives the engine's message and the
// program goes on with its spring.
TEST_F(MainWindowTest, TablesThatCannotBeOpenedGiveTheMessageAndTheProgramGoesOn) {
    Thh w;
    w.StartUp(ParseCommandLine(CommandLineParams()));
    const std::string text = tmp.file("text.dbf");
    ASSERT_TRUE(platform::WriteFileReplacing(
        text, std::string("Dies ist keine Tabelle, nur eine Zeile Text.\r\n") + std::string(600, 'x')));
    ExpectRefusedAndGoesOn(w, text);
    ExpectRefusedAndGoesOn(w, TableCut("header.dbf", 20));   // cut inside the table header
    ExpectRefusedAndGoesOn(w, TableCut("fields.dbf", 80));   // cut inside the field list
    ExpectRefusedAndGoesOn(w, TableCut("empty.dbf", 0));

    // A sound table still opens afterwards.
    const std::size_t said = dialogs.Of("message").size();
    dialogs.answers.push_back(ScriptedAnswer::Type(ProgramPath(TableCut("good.dbf", std::string::npos))));
    w.mi_TabelleAnzeigen->trigger();
    EXPECT_EQ(dialogs.Of("message").size(), said);
    EXPECT_FALSE(dbf4().tbdbf.Active());  // closed again after the browser
}

// Run by the next test as the account "nobody": the table belongs to root
// and may only be read; it is shown read-only, without a message.
TEST_F(MainWindowTest, DISABLED_ChildShowsATableOfAnotherAccount) {
    const char* table = std::getenv("KOR2_TABLE");
    ASSERT_NE(table, nullptr);
    struct Seen : Dbf4Window {
        BrowserResult ShowModal(Tdbf4& b) override {
            readOnly = b.ReadOnlyTable() && b.tbdbf.Active();
            return BrowserResult::Cancelled;
        }
        void CloseWindow(BrowserResult) override {}
        int GridColumn() override { return 0; }
        int GridRow() override { return 0; }
        void ShowMessage(std::string_view) override {}
        bool readOnly = false;
    } seen;
    SetDbf4Window(&seen);
    Thh w;
    w.StartUp(ParseCommandLine(CommandLineParams()));
    dialogs.answers.push_back(ScriptedAnswer::Type(ProgramPath(table)));
    w.mi_TabelleAnzeigen->trigger();
    SetDbf4Window(nullptr);
    EXPECT_TRUE(seen.readOnly);
    EXPECT_TRUE(dialogs.Of("message").empty());
    EXPECT_FALSE(dbf4().tbdbf.Active());  // closed again after the browser
}

// A word of a child's environment assignments, quoted for the shell.
std::string Q(const std::string& s) {
    return test::ShellQuoted(s);
}

// Runs one disabled test of this executable as a program of its own, with
// the environment assignments env (run through "env", values quoted), as the
// account "nobody" when asked; its output, and its exit status in status.
std::string RunChild(const std::string& test, const std::string& env, bool asNobody,
                     int& status) {
    const std::string exe = std::filesystem::read_symlink("/proc/self/exe").string();
    return test::CommandOutput(std::string(asNobody ? "runuser -u nobody -- " : "") + "env " + env +
                                   " QT_QPA_PLATFORM=offscreen " + test::ShellQuoted(exe) +
                                   " --gtest_also_run_disabled_tests --gtest_filter=" + test +
                                   " 2>&1",
                               &status);
}

TEST(MainWindowAccountTest, TableOfAnotherAccountIsShownReadOnly) {
    if (geteuid() != 0 || std::system("command -v runuser >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "needs root and runuser to run a second account";
    namespace fs = std::filesystem;
    test::TempDir tmp;
    fs::permissions(tmp.path(), fs::perms::owner_all | fs::perms::group_read |
                                    fs::perms::group_exec | fs::perms::others_read |
                                    fs::perms::others_exec);
    const fs::path table = tmp.path() / "fedwst.dbf";
    fs::copy_file(kData + "fedwst.dbf", table);
    fs::permissions(table, fs::perms::owner_read | fs::perms::owner_write |
                               fs::perms::group_read | fs::perms::others_read);
    const std::string own = (tmp.path() / "nobody").string();  // the account's own folder
    fs::create_directory(own);
    fs::permissions(own, fs::perms::all);
    int status = -1;
    const std::string out =
        RunChild("MainWindowTest.DISABLED_ChildShowsATableOfAnotherAccount",
                 "HOME=" + Q(own) + " TMPDIR=" + Q(own) + " XDG_CONFIG_HOME=" + Q(own) +
                     " KOR2_TABLE=" + Q(table.string()),
                 true, status);
    EXPECT_EQ(status, 0) << out;
    EXPECT_NE(out.find("[  PASSED  ] 1 test"), std::string::npos) << out;
}

// One run of the program for the next test: started in KOR2_START with the
// user's configuration folder under KOR2_XDG, it opens KOR2_OPEN when given,
// says where it stands and is closed.
TEST(MainWindowRunTest, DISABLED_ChildRunsOnce) {
    const char* start = std::getenv("KOR2_START");
    const char* xdg = std::getenv("KOR2_XDG");
    ASSERT_TRUE(start != nullptr && xdg != nullptr);
    setenv("XDG_CONFIG_HOME", xdg, 1);
    ASSERT_TRUE(platform::SetCurrentDir(start));
    ScriptedDialogs dialogs;
    SetCommandLine({"/NOGUI"});
    InitAllUnits();
    {
        Thh w;
        w.StartUp(ParseCommandLine(CommandLineParams()));
        if (const char* open = std::getenv("KOR2_OPEN")) {
            dialogs.answers.push_back(ScriptedAnswer::Type(ProgramPath(open)));
            w.mi_DateiOeffnen->trigger();
            ASSERT_FALSE(AbortFlag);
        }
        std::printf("DATA=%s\nRECENT=%s\n", DataFolder.c_str(), RecentFiles[0].c_str());
        EXPECT_TRUE(w.close());
    }
    ShutdownTableEngine();
}

// A second start of the program from another folder goes on in the data
// folder of the first and keeps its recent files; neither start folder
// receives a file of the program.
TEST(MainWindowRunTest, RestartFromAnotherFolderRemembersTheDataFolder) {
    namespace fs = std::filesystem;
    test::TempDir tmp;
    for (const char* d : {"first", "second", "springs", "xdg"}) fs::create_directory(tmp.file(d));
    fs::copy_file(kData + "TRAIN/muster1.kr2", tmp.file("springs/feder.kr2"));
    const std::string env = "KOR2_XDG=" + Q(tmp.file("xdg")) + " TMPDIR=" + Q(tmp.path().string());
    int status = -1;
    std::string out = RunChild("MainWindowRunTest.DISABLED_ChildRunsOnce",
                               env + " KOR2_START=" + Q(tmp.file("first")) +
                                   " KOR2_OPEN=" + Q(tmp.file("springs/feder.kr2")),
                               false, status);
    ASSERT_EQ(status, 0) << out;
    ASSERT_TRUE(fs::exists(tmp.file("xdg/kor2/kor2.cff"))) << out;
    out = RunChild("MainWindowRunTest.DISABLED_ChildRunsOnce",
                   env + " KOR2_START=" + Q(tmp.file("second")), false, status);
    ASSERT_EQ(status, 0) << out;
    EXPECT_NE(out.find("DATA=" + ProgramPath(tmp.file("springs")) + "\n"), std::string::npos)
        << out;
    EXPECT_NE(out.find("RECENT=" + ProgramPath(tmp.file("springs/feder.kr2"))), std::string::npos)
        << out;
    EXPECT_TRUE(fs::is_empty(tmp.file("first")));
    EXPECT_TRUE(fs::is_empty(tmp.file("second")));
}

TEST_F(MainWindowTest, SpreadsheetExportFromTheMenu) {
    std::filesystem::copy_file(kData + "TRAIN/muster1.kr2", tmp.file("feder.kr2"));
    Thh w;
    w.StartUp(ParseCommandLine(CommandLineParams()));
    dialogs.answers.push_back(ScriptedAnswer::Type(ProgramPath(tmp.file("feder.kr2"))));
    w.mi_DateiOeffnen->trigger();
    ASSERT_FALSE(AbortFlag);

    w.mi_DateiTabellenkalkulation->trigger();
    ASSERT_TRUE(platform::FileExists(tmp.file("feder.xml")));
    const std::vector<ScriptedEvent> said = dialogs.Of("message");
    ASSERT_FALSE(said.empty());
    EXPECT_EQ(said.back().text, tmp.file("feder.xml") + " wurde angelegt.");

    // The update saves the changed spring first and writes the workbook again.
    std::filesystem::remove(tmp.file("feder.xml"));
    InputModifiedFlag = true;
    dialogs.answers.push_back(ScriptedAnswer::Accept());  // overwrite the spring file
    w.mi_DateiTabellenkalkulationNeu->trigger();
    EXPECT_FALSE(InputModifiedFlag);
    EXPECT_TRUE(platform::FileExists(tmp.file("feder.xml")));
}

TEST_F(MainWindowTest, PrintingTheTickedDiagramsFromTheMenu) {
    std::filesystem::copy_file(kData + "TRAIN/muster1.kr2", tmp.file("feder.kr2"));
    Thh w;
    w.show();
    w.StartUp(ParseCommandLine(CommandLineParams()));
    dialogs.answers.push_back(ScriptedAnswer::Type(ProgramPath(tmp.file("feder.kr2"))));
    w.mi_DateiOeffnen->trigger();
    ASSERT_FALSE(CalcErrorFlag);

    PrintMacroIndex = 0;
    QStringList outputs;
    // The print selection (its header and the configuration's clash on a name).
    test::OnModal<QDialog>([&](QDialog* d) {
        for (int k = 1; k <= 14; ++k)
            if (auto* b = d->findChild<QCheckBox*>(QString("CheckBox%1").arg(k)); b->isVisible())
                outputs << b->text();
        d->findChild<QCheckBox*>("CheckBox2")->setChecked(true);
        d->findChild<QCheckBox*>("CheckBox3")->setChecked(true);
        d->findChild<QPushButton*>("Button_ok")->click();
    });
    GraphClear();
    w.mi_DateiDrucken->trigger();
    EXPECT_EQ(outputs, (QStringList{"Grafikfenster", "Goodman-Diagramm", "Haigh-Diagramm"}));
    EXPECT_EQ(PrintMacroIndex, 6);
    EXPECT_FALSE(GraphWindow.Items().empty());             // the diagrams were drawn for the pages
    if (!QPrinterInfo::defaultPrinter().isNull()) return;  // the pages went to the printer
    // Without a printer the pages go into a PDF named after the spring,
    // beside it, and the message names that file.
    const std::vector<ScriptedEvent> said = dialogs.Of("message");
    ASSERT_FALSE(said.empty());
    EXPECT_EQ(said.back().text, tmp.file("feder.pdf") + " wurde angelegt.");
    const std::string first = platform::ReadWholeFile(tmp.file("feder.pdf")).value_or("");
    EXPECT_GT(first.size(), 1000u);

    // A second print keeps the first one's file.
    test::OnModal<QDialog>([&](QDialog* d) { d->findChild<QPushButton*>("Button_ok")->click(); });
    w.mi_DateiDrucken->trigger();
    EXPECT_EQ(dialogs.Of("message").back().text, tmp.file("feder-2.pdf") + " wurde angelegt.");
    EXPECT_GT(std::filesystem::file_size(tmp.file("feder-2.pdf")), 1000u);
    EXPECT_EQ(platform::ReadWholeFile(tmp.file("feder.pdf")).value_or(""), first);
}

TEST_F(MainWindowTest, TableBrowserMenuSpeaksTheMainMenusLanguage) {
    Thh w;
    const Dbf4MenuCaptions captions = w.BrowserMenuCaptions();
    const auto browser = InstallDbf4Window(&w, &captions);
    EXPECT_EQ(browser->mi_File->title(), "&Datei");
    EXPECT_EQ(browser->mi_filePrint->text(), "&Drucken...");
    EXPECT_EQ(browser->mi_fileExit->text(), "&Beenden");
    EXPECT_EQ(browser->mi_edit->title(), "&Bearbeiten");
    EXPECT_EQ(browser->mi_view->title(), "&Ansicht");
    EXPECT_EQ(browser->mi_Help->title(), "&Hilfe");
    EXPECT_EQ(browser->mi_helpCommon->text(), "Daten&bank");
    EXPECT_EQ(browser->mi_helpDatei->text(), "&Datei");
    // The items the browser names itself keep their captions.
    EXPECT_EQ(browser->mi_viewSearch->text(), "&Suchen");
    EXPECT_EQ(browser->mi_helphilfebild->text(), "Hilfe&bild");
}

}  // namespace
}  // namespace kor2
