// The table browser typed into with real X key events: the keys reach the
// cell with Shift and with German letters, a navigator click leaves the keys
// with the grid, and the close box asks before a changed record is dropped.
// Works on the data folder's copy that ScreenProgram makes.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <QToolButton>
#include <cstdint>
#include <fstream>
#include <iterator>

#include "screen/screenprogram.h"
#include "screen/screentour.h"
#include "screen/xinput.h"
#include "tables/browser/browsermodel.h"
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

}  // namespace
}  // namespace kor2
