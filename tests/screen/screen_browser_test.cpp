// The table browser typed into with real X key events: the keys reach the
// cell with Shift and with German letters, a navigator click leaves the keys
// with the grid, and the close box asks before a changed record is dropped;
// a number too wide for its field is refused; a search with a decimal
// comma, the counter and the scroll bar before and after Pack, the counter
// of a long table, and a table shown and sorted as an account that may only
// read it. A material typed in from the menu is the record the browser
// opens on, for an account that may write the table folder and for one that
// may not; one with a number too wide for its field appends nothing.
// Works on the data folder's copy that ScreenProgram makes.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTest>
#include <QToolButton>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "app/qt/mainwindow.h"
#include "common/forms/yesnodialog.h"
#include "common/globals.h"
#include "platform/oemtext.h"
#include "screen/screencheck.h"
#include "screen/screenprogram.h"
#include "screen/screentour.h"
#include "screen/xinput.h"
#include "spring/material.h"
#include "spring/springdata.h"
#include "support/command.h"
#include "support/numberstable.h"
#include "tables/browser/browsermodel.h"
#include "tables/browser/procedural.h"
#include "tables/dataset/filedataset.h"
#include "tables/forms/browserwindow.h"
#include "tables/forms/grid.h"
#include "tables/forms/navigator.h"

namespace kor2 {
namespace {

// The stored bytes of a character field of a record, read from the file as
// another program would (dBase header: count at 4, header and record
// length at 8 and 10, field descriptors of 32 bytes from 32).
std::string StoredField(const std::string& path, int recNo, const std::string& field) {
    std::ifstream in(path, std::ios::binary);
    const std::string d{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    if (d.size() < 32) return "<no table>";
    auto u16 = [&](std::size_t at) {
        return static_cast<std::size_t>(static_cast<uint8_t>(d[at]) |
                                        static_cast<uint8_t>(d[at + 1]) << 8);
    };
    const std::size_t header = u16(8), length = u16(10);
    std::size_t offset = 1;  // the deletion mark
    for (std::size_t at = 32; at + 32 <= header && d[at] != '\r'; at += 32) {
        const std::size_t size = static_cast<uint8_t>(d[at + 16]);
        if (d.compare(at, field.size(), field) == 0 && d[at + field.size()] == '\0') {
            const std::size_t start =
                header + static_cast<std::size_t>(recNo - 1) * length + offset;
            if (start + size > d.size()) return "<no record>";
            return d.substr(start, size);
        }
        offset += size;
    }
    return "<no field>";
}

std::string Trimmed(std::string s) {
    s.erase(s.find_last_not_of(' ') + 1);
    return s;
}

std::string FileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The text of the grid's open cell editor, once it equals want or 20 s
// passed.
QString EditorText(QWidget* browser, const QString& want) {
    auto text = [browser] {
        auto* f = qobject_cast<Tdbf4Form*>(browser);
        if (f == nullptr) return QString("<no browser>");
        for (auto* ed : f->TbGrid1->viewport()->findChildren<QLineEdit*>())
            if (ed->isVisible()) return ed->text();
        return QString("<no editor open>");
    };
    (void)QTest::qWaitFor([&] { return text() == want; }, 20000);
    return text();
}

// Why the browser is still open after its close request.
std::string DiagnoseOpen(QWidget& browser) {
    QWidget* top = QApplication::activeModalWidget();
    return "the browser did not close: top modal window \"" +
           (top ? top->windowTitle().toStdString() : std::string("none")) + "\", " +
           (browser.isActiveWindow() ? "active" : "not active");
}

// The counter and the scroll bar of the browser, once they show want or a
// few seconds passed.
QString Position(QWidget* browser, const QString& want) {
    auto text = [browser] {
        auto* f = qobject_cast<Tdbf4Form*>(browser);
        if (f == nullptr) return QString("<no browser>");
        const QScrollBar* b = f->TbGrid1->verticalScrollBar();
        return QString("%1, bar %2..%3 at %4 page %5")
            .arg(f->Label_recno->text())
            .arg(b->minimum())
            .arg(b->maximum())
            .arg(b->value())
            .arg(b->pageStep());
    };
    (void)QTest::qWaitFor([&] { return text().startsWith(want); }, 10000);
    return text();
}

class BrowserKeys : public ::testing::Test {
protected:
    void SetUp() override {
        if (!test::HaveXdoTool())
            GTEST_SKIP() << "xdotool or setxkbmap is not installed (Debian xdotool, x11-xkb-utils)";
    }
    void TearDown() override { (void)test::KeyboardLayout("us"); }
    void Note(const std::string& fault) {
        if (!fault.empty()) faults.push_back(fault);
    }
    // Runs the browser on the table copy; each step acts on the window it names.
    void Browse(std::vector<test::ScreenStep> steps) {
        for (std::string& f :
             test::Tour([&] { dbf4().EditTableFile("fedwst.dbf", 0); }, std::move(steps)))
            faults.push_back(f);
    }
    static std::function<void(QWidget*)> Press(const QString& caption) {
        return [caption](QWidget* w) {
            for (auto* b : w->findChildren<QAbstractButton*>())
                if (b->text().remove('&') == caption) return test::ClickLater(b);
            test::Cancel(w);
        };
    }

    // Datenbank / Material chosen with the keys (Alt+D, two menus to the
    // right, Return on its first item), then the windows of steps.
    void MaterialCommand(std::vector<test::ScreenStep> steps) {
        Thh& main = program.Window();
        auto command = [&] {
            Note(test::FocusWindow(main));
            Note(test::XdoTool({"key", "alt+d"}));
            if (!QTest::qWaitFor([&] { return main.mi_Datei->isVisible(); }, 20000))
                return Note("the Datei menu did not open");
            Note(test::XdoTool({"key", "--delay", "150", "Right", "Right"}));
            if (!QTest::qWaitFor([&] { return main.mi_Datenbank->isVisible(); }, 20000))
                return Note("the Datenbank menu did not open");
            Note(test::XdoTool({"key", "Return"}));
        };
        for (std::string& f : test::Tour(command, std::move(steps))) faults.push_back(f);
    }
    // "Neuen Werkstoff eintragen ?" answered Ja by keys and each prompt
    // typed and left with Return: the name, E, G, rho, names 2 to 4, d0,
    // Rm0, dx, Rmx, Rm max, dmin, dmax, Tmax and the five stresses.
    std::vector<test::ScreenStep> NewMaterial(const QString& name, const QString& e) {
        std::vector<test::ScreenStep> steps{
            {"material-new-question", [this](QWidget* w) {
                 auto* d = qobject_cast<Tin_janeindialog*>(w);
                 if (d == nullptr) return test::Cancel(w);
                 Note(test::FocusWindow(*w));
                 // Alt+J clicks Ja a moment later.
                 Note(test::XdoTool({"key", "alt+j"}));
                 if (!QTest::qWaitFor([d] { return d->RadioJa->isChecked(); }, 20000))
                     Note("Alt+J did not choose Ja");
                 Note(test::XdoTool({"key", "Return"}));
             }}};
        const QStringList values{name,  e,      "78000", "7.9",  "n2",   "n3",  "n4",
                                 "1",   "2000", "10",    "1000", "2500", "0.1", "10",
                                 "120", "1000", "10",    "500",  "600",  "300", "500"};
        for (int i = 0; i < values.size(); ++i)
            steps.push_back({"material-new-prompt-" + std::to_string(i + 1),
                             [this, value = values[i]](QWidget* w) {
                                 Note(test::TypeIntoLineEdit(*w, value));
                                 Note(test::XdoTool({"key", "Return"}));
                             }});
        return steps;
    }
    // What the spring and the browser show of the material typed as name:
    // the browser opened on it, the 20th record, and Return gave it to the
    // spring.
    static void ExpectTaken(const QString& position, const std::string& current) {
        EXPECT_TRUE(position.startsWith("20/20,")) << position.toStdString();
        EXPECT_EQ(current.rfind("Testdraht ", 0), 0u) << current;
        EXPECT_EQ(MaterialName.str().rfind("Testdraht Ä1"_oem, 0), 0u) << MaterialName.str();
        EXPECT_EQ(MaterialIndex, 0);
        EXPECT_EQ(MaterialRecNo, 20);
        EXPECT_EQ(ModulusE, 200000);
        EXPECT_EQ(ModulusG, 78000);
    }
    // The browser as the material command opens it: where it stands and the
    // name there, then Return.
    test::ScreenStep ReturnInTheBrowser(QString& position, std::string& name) {
        return {"material-new-browser", [&, this](QWidget* w) {
                    position = Position(w, "20/20");
                    DbfGetFieldStr(1, name);
                    Note(test::FocusWindow(*w));
                    Note(test::XdoTool({"key", "Return"}));
                }};
    }

    test::ScreenProgram program;
    const std::string table = program.Data() + "fedwst.dbf";
    std::vector<std::string> faults;
};

TEST_F(BrowserKeys, ShiftedAndGermanLettersReachTheCellAndTheCloseBoxKeepsThem) {
    QString first, second;
    Browse({{"browser-typing",
             [&](QWidget* w) {
                 Note(test::KeyboardLayout("de"));  // the users' keyboard
                 Note(test::FocusWindow(*w));
                 Note(test::XdoTool({"type", "--delay", "100", "abcDEFgh"}));
                 first = EditorText(w, "abcDEFgh");

                 Note(test::XdoTool({"key", "Down"}));  // leaves the row: posted
                 Note(test::XdoTool({"type", "--delay", "100", QString::fromUtf8("ÄÖÜß@{")}));
                 second = EditorText(w, QString::fromUtf8("ÄÖÜß@{"));  // @ and { with AltGr
                 test::SendCloseBox(*w);  // with the second edit pending
                 // The question is answered by the next step inside this wait.
                 const QPointer<QWidget> browser = w;
                 if (!QTest::qWaitFor([&] { return !browser || !browser->isVisible(); }, 20000))
                     Note(DiagnoseOpen(*w));
             }},
            {"browser-keep-question", Press("Ja")}});
    EXPECT_EQ(first.toStdString(), "abcDEFgh");
    EXPECT_EQ(second.toStdString(), "ÄÖÜß@{");
    EXPECT_EQ(Trimmed(StoredField(table, 1, "NAME1")), "abcDEFgh");
    EXPECT_EQ(Trimmed(StoredField(table, 2, "NAME1")), "\x8E\x99\x9A\xE1@{");  // code page 850
    EXPECT_TRUE(faults.empty()) << ::testing::PrintToString(faults);
}

TEST_F(BrowserKeys, KeysAfterANavigatorClickGoToTheGrid) {
    QString typed;
    int recNo = 0;
    Browse({// The search button takes the keyboard and keeps it after its prompt.
            {"browser-navigator",
             [&](QWidget* w) {
                 auto* f = qobject_cast<Tdbf4Form*>(w);
                 if (f == nullptr) return test::Cancel(w);
                 Note(test::FocusWindow(*w));
                 Note(test::ClickWidget(*f->Button_search));
             }},
            {"browser-search-prompt", test::Cancel},
            {"browser-after-search", [&](QWidget* w) {
                 auto* f = qobject_cast<Tdbf4Form*>(w);
                 if (f == nullptr) return test::Cancel(w);
                 Note(test::ClickWidget(*f->TbNavigator1->Button(nbNext)));
                 (void)QTest::qWaitFor([&] { return dbf4().GetRecNo() == 2; });
                 recNo = dbf4().GetRecNo();
                 Note(test::XdoTool({"type", "--delay", "100", "Xy"}));
                 typed = EditorText(w, "Xy");
                 test::ClickLater(f->Button_cancel);
             }}});
    EXPECT_EQ(recNo, 2);
    EXPECT_EQ(typed.toStdString(), "Xy");
    EXPECT_EQ(Trimmed(StoredField(table, 2, "NAME1")), "EN 10270-1 SM");  // Abbrechen drops it
    EXPECT_TRUE(faults.empty()) << ::testing::PrintToString(faults);
}

TEST_F(BrowserKeys, NumberTooWideForItsFieldIsRefusedWhenTheRowIsLeft) {
    const std::string before = StoredField(table, 1, "DICHTE");
    QString typed, refusal, kept;
    Browse({{"browser-wide-number",
             [&](QWidget* w) {
                 auto* f = qobject_cast<Tdbf4Form*>(w);
                 if (f == nullptr) return test::Cancel(w);
                 f->TbGrid1->SetSelectedIndex(6);  // DICHTE N(6,2)
                 Note(test::FocusWindow(*w));
                 Note(test::XdoTool({"type", "--delay", "100", "123456"}));
                 typed = EditorText(w, "123456");
                 Note(test::XdoTool({"key", "Down"}));  // leaves the row
             }},
            {"browser-wide-refused",
             [&](QWidget* w) {
                 if (auto* b = qobject_cast<QMessageBox*>(w)) refusal = b->text();
                 Note(test::FocusWindow(*w));
                 Note(test::XdoTool({"key", "Return"}));
             }},
            {"browser-wide-again", [&](QWidget* w) {
                 kept = EditorText(w, "123456");  // still in its cell for correction
                 auto* f = qobject_cast<Tdbf4Form*>(w);
                 if (f == nullptr) return test::Cancel(w);
                 Note(test::ClickWidget(*f->Button_cancel));
             }}});
    EXPECT_EQ(typed.toStdString(), "123456");
    EXPECT_EQ(refusal.toStdString(),
              "Feld DICHTE (N 6,2): 123456.00 passt nicht, möglich sind -99.99 bis 999.99");
    EXPECT_EQ(kept.toStdString(), "123456");
    EXPECT_EQ(StoredField(table, 1, "DICHTE"), before);
    EXPECT_TRUE(faults.empty()) << ::testing::PrintToString(faults);
}

// The message box on top: its text is kept, then Return.
std::function<void(QWidget*)> KeepAndReturn(QString& text, std::vector<std::string>& faults) {
    return [&](QWidget* w) {
        if (auto* b = qobject_cast<QMessageBox*>(w)) text = b->text();
        for (std::string f : {test::FocusWindow(*w), test::XdoTool({"key", "Return"})})
            if (!f.empty()) faults.push_back(f);
    };
}

// A material whose E is too wide for its field is refused with the width
// message and appends nothing; typed again with a fitting E it becomes
// record 20 of the 19 shipped, the browser opens on it, and Return gives
// it to the spring.
TEST_F(BrowserKeys, TypedMaterialIsTheRecordReturnTakesAndARefusedOneAppendsNothing) {
    Note(test::KeyboardLayout("de"));  // the users' keyboard, for the umlaut
    const std::string shipped = FileBytes(table);
    const QString name = QString::fromUtf8("Testdraht Ä1");
    QString refusal, position;
    std::string current;
    std::vector<test::ScreenStep> steps = NewMaterial(name, "12345678");
    steps.push_back({"material-new-refused", KeepAndReturn(refusal, faults)});
    MaterialCommand(std::move(steps));
    EXPECT_TRUE(refusal.contains("Feld EMODUL (N 7,0): 12345678 passt nicht"))
        << refusal.toStdString();
    EXPECT_EQ(FileBytes(table), shipped);

    steps = NewMaterial(name, "200000");
    steps.push_back(ReturnInTheBrowser(position, current));
    MaterialCommand(std::move(steps));
    ExpectTaken(position, current);
    EXPECT_EQ(StoredField(table, 20, "WERKSTNR"), "       20");
    EXPECT_TRUE(faults.empty()) << ::testing::PrintToString(faults);
}

// Run by the next test as the account "nobody", on the same X server.
TEST_F(BrowserKeys, DISABLED_ChildTypesAMaterialIntoATableItMayNotWrite) {
    const char* folder = std::getenv("KOR2_DBF");
    ASSERT_NE(folder, nullptr);
    DbfFolder = test::ProgramPath(folder);
    const std::string theirs = std::string(folder) + "/fedwst.dbf";
    const std::string before = FileBytes(theirs);
    Note(test::KeyboardLayout("de"));
    QString told, position;
    std::string current;
    std::vector<test::ScreenStep> steps = NewMaterial(QString::fromUtf8("Testdraht Ä1"), "200000");
    steps.push_back({"material-new-temporary", KeepAndReturn(told, faults)});
    steps.push_back(ReturnInTheBrowser(position, current));
    MaterialCommand(std::move(steps));
    EXPECT_EQ(told.toStdString(),
              "Kein Schreibrecht für dbf-Ordner !  Bearbeitung im Temporär-Ordner.");
    ExpectTaken(position, current);
    EXPECT_EQ(FileBytes(theirs), before);
    EXPECT_TRUE(faults.empty()) << ::testing::PrintToString(faults);
}

// Datenbank / Tabelle anzeigen on the table at path, as the main window runs it.
void ShowTableOf(const std::string& path) {
    DbfOpenTable(test::ProgramPath(path));
    if (AbortFlag) return;
    DbfSetTitles("", "numbers");
    DbfShowTable("", 0);
    DbfCloseTable();
}

// Clicks the title of a column with the real mouse.
std::string ClickTitle(Tdbf4Form& browser, int section) {
    QHeaderView* titles = browser.TbGrid1->horizontalHeader();
    const QPoint at = titles->viewport()->mapToGlobal(
        QPoint(titles->sectionViewportPosition(section) + 10, titles->height() / 2));
    return test::XdoTool(
        {"mousemove", "--sync", QString::number(at.x()), QString::number(at.y()), "click", "1"});
}

TEST_F(BrowserKeys, CommaSearchCounterAndScrollBarFromTheStartAndAfterPack) {
    const std::string path = (program.Folder() / "numbers.dbf").string();
    test::WriteNumbersTable(path, 1000);
    DecimalCommaOption = 2;
    QString opened, found, packed, sorted;
    int page = 0;
    for (std::string& f : test::Tour(
             [&] { ShowTableOf(path); },
             {{"numbers-browser",
               [&](QWidget* w) {
                   opened = Position(w, "1/1000, bar 1..1000 at 1");
                   page = qobject_cast<Tdbf4Form*>(w)->TbGrid1->WindowRows();
                   Note(test::FocusWindow(*w));
                   Note(test::XdoTool({"key", "alt+s"}));
               }},
              {"numbers-search-prompt",
               [&](QWidget* w) {
                   Note(test::TypeIntoLineEdit(*w, "8,25"));
                   Note(test::XdoTool({"key", "Return"}));
               }},
              {"numbers-found", [&](QWidget* w) {
                   found = Position(w, "8/1000, bar 1..1000 at 8");
                   Note(test::FocusWindow(*w));
                   // Records 8, 9 and 10 marked, then Bearbeiten / Pack.
                   Note(test::XdoTool({"key", "--delay", "150", "ctrl+Delete", "Down",
                                       "ctrl+Delete", "Down", "ctrl+Delete"}));
                   Note(test::XdoTool({"key", "--delay", "300", "alt+b", "Down", "Return"}));
                   packed = Position(w, "1/997, bar 1..997 at 1");
                   // Sorted by a click on the title NAME, record 1 marked, Pack.
                   auto* f = qobject_cast<Tdbf4Form*>(w);
                   if (f == nullptr) return test::Cancel(w);
                   Note(ClickTitle(*f, 0));
                   (void)QTest::qWaitFor([] { return !dbf4().tbdbf.IsSequenced(); });
                   Note(test::XdoTool(
                       {"key", "--delay", "300", "ctrl+Delete", "alt+b", "Down", "Return"}));
                   sorted = Position(w, QString("%1/996, bar 0..4 at 0").arg(dbf4().GetRecNo()));
                   Note(test::XdoTool({"key", "Escape"}));
               }}}))
        faults.push_back(f);
    DecimalCommaOption = 1;
    EXPECT_EQ(opened.toStdString(), "1/1000, bar 1..1000 at 1 page " + std::to_string(page));
    EXPECT_EQ(found.toStdString(), "8/1000, bar 1..1000 at 8 page " + std::to_string(page));
    EXPECT_EQ(packed.toStdString(), "1/997, bar 1..997 at 1 page " + std::to_string(page));
    // The first record in the title's order, and the top of the bar.
    EXPECT_TRUE(sorted.contains("/996, bar 0..4 at 0 page 1")) << sorted.toStdString();
    EXPECT_TRUE(faults.empty()) << ::testing::PrintToString(faults);
}

TEST_F(BrowserKeys, CounterOfTheLargestTableIsWholeOnTheLastRecord) {
    const std::string path = (program.Folder() / "long.dbf").string();
    test::WriteLongTable(path, 100000);
    QString last;
    std::vector<std::string> cut;
    for (std::string& f :
         test::Tour([&] { ShowTableOf(path); },
                    {{"long-browser", [&](QWidget* w) {
                          auto* f = qobject_cast<Tdbf4Form*>(w);
                          if (f == nullptr) return test::Cancel(w);
                          Note(test::ClickWidget(*f->TbNavigator1->Button(nbLast)));
                          last = Position(w, "100000/100000");
                          cut = test::LayoutFaults(*w);
                          Note(test::XdoTool({"key", "Escape"}));
                      }}}))
        faults.push_back(f);
    EXPECT_TRUE(last.startsWith("100000/100000,")) << last.toStdString();
    EXPECT_TRUE(cut.empty()) << ::testing::PrintToString(cut);
    EXPECT_TRUE(faults.empty()) << ::testing::PrintToString(faults);
}

// Run by the next test as the account "nobody", on the same X server.
TEST_F(BrowserKeys, DISABLED_ChildShowsATableItMayOnlyRead) {
    const char* table = std::getenv("KOR2_TABLE");
    ASSERT_NE(table, nullptr);
    QString title, opened, refusal, found, above;
    bool sorted = false;
    int marked = -2;
    for (std::string& f : test::Tour(
             [&] { ShowTableOf(table); },
             {{"readonly-browser",
               [&](QWidget* w) {
                   title = w->windowTitle();
                   opened = Position(w, "1/12");
                   Note(test::FocusWindow(*w));
                   Note(test::XdoTool({"type", "x"}));  // typing into a cell
               }},
              {"readonly-refused",
               [&](QWidget* w) {
                   if (auto* b = qobject_cast<QMessageBox*>(w)) refusal = b->text();
                   Note(test::FocusWindow(*w));
                   Note(test::XdoTool({"key", "Return"}));
               }},
              {"readonly-browser-again",
               [&](QWidget* w) {
                   Note(test::FocusWindow(*w));
                   Note(test::XdoTool({"key", "alt+s"}));
               }},
              {"readonly-search-prompt",
               [&](QWidget* w) {
                   Note(test::TypeIntoLineEdit(*w, "R2"));
                   Note(test::XdoTool({"key", "Return"}));
               }},
              {"readonly-found", [&](QWidget* w) {
                   found = Position(w, "2/12");
                   auto* f = qobject_cast<Tdbf4Form*>(w);
                   if (f == nullptr) return test::Cancel(w);
                   // A click on the title NAME sorts: R12 stands above R2.
                   Note(ClickTitle(*f, 0));
                   sorted = QTest::qWaitFor([] { return !dbf4().tbdbf.IsSequenced(); });
                   const QHeaderView* titles = f->TbGrid1->horizontalHeader();
                   marked = titles->isSortIndicatorShown() ? titles->sortIndicatorSection() : -1;
                   Note(test::FocusWindow(*w));
                   Note(test::XdoTool({"key", "Up"}));
                   above = Position(w, "12/12");
                   Note(test::XdoTool({"key", "Escape"}));
               }}}))
        faults.push_back(f);
    EXPECT_TRUE(title.contains(QString::fromUtf8("[schreibgeschützt]"))) << title.toStdString();
    EXPECT_TRUE(opened.startsWith("1/12,")) << opened.toStdString();
    EXPECT_TRUE(refusal.contains(QString::fromUtf8("schreibgeschützt"))) << refusal.toStdString();
    EXPECT_TRUE(found.startsWith("2/12,")) << found.toStdString();
    EXPECT_TRUE(sorted);
    EXPECT_EQ(marked, 0);
    EXPECT_TRUE(above.startsWith("12/12,")) << above.toStdString();
    EXPECT_TRUE(faults.empty()) << ::testing::PrintToString(faults);
}

// A table of root's of mode 0444 in root's folder, shown to "nobody" with
// real keys: the browser shows it read-only, refuses typing with its
// message, finds, and sorts by a title click.
TEST(BrowserAccount, TableItMayOnlyReadIsShownReadOnlyAndRefusesTyping) {
    if (!test::HaveXdoTool()) GTEST_SKIP() << "xdotool or setxkbmap is not installed";
    if (const std::string why = test::NoSecondAccount(); !why.empty()) GTEST_SKIP() << why;
    namespace fs = std::filesystem;
    test::TempDir tmp;
    const std::string table = (tmp.path() / "numbers.dbf").string();
    {
        test::ScreenProgram engine;  // the table engine for the writing
        test::WriteNumbersTable(table, 12);
    }
    fs::permissions(table, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    test::ExpectPassesAsNobody(tmp.path(), "BrowserKeys.DISABLED_ChildShowsATableItMayOnlyRead",
                               "KOR2_TABLE=" + test::ShellQuoted(table));
}

// The shipped material table in root's folder, which "nobody" may read but
// not write: a material that account types in from the menu with real keys
// is the record the browser opens on and Return gives it to the spring.
TEST(BrowserAccount, MaterialTypedIntoATableItMayNotWriteIsTheRecordReturnTakes) {
    if (!test::HaveXdoTool()) GTEST_SKIP() << "xdotool or setxkbmap is not installed";
    if (const std::string why = test::NoSecondAccount(); !why.empty()) GTEST_SKIP() << why;
    namespace fs = std::filesystem;
    test::TempDir tmp;
    const fs::path folder = tmp.path() / "dbf";
    fs::create_directory(folder);
    fs::permissions(folder, fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                                fs::perms::others_read | fs::perms::others_exec);
    fs::copy_file(std::string(KOR2_SOURCE_DIR) + "/data/fedwst.dbf", folder / "fedwst.dbf");
    test::ExpectPassesAsNobody(tmp.path(),
                               "BrowserKeys.DISABLED_ChildTypesAMaterialIntoATableItMayNotWrite",
                               "KOR2_DBF=" + test::ShellQuoted(folder.string()));
}

}  // namespace
}  // namespace kor2
