// The table browser offscreen on what the user is told: a table the account
// may only read is shown read-only (run as "nobody", for whom root's table of
// mode 0444 is really read-only), a search text with a decimal comma is read
// as a number, the counter and the scroll bar stand on the record from the
// start and after Pack, and Pack shows the engine's progress window.
#include <unistd.h>
#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <filesystem>

#include "common/globals.h"
#include "common/scriptdialogs.h"
#include "forms_modal.h"
#include "platform/hostfs.h"
#include "support/command.h"
#include "support/numberstable.h"
#include "tables/base/progress.h"
#include "tables/expr/expression.h"
#include "tables/forms/browserwindow.h"
#include "tables/forms/grid.h"
#include "tables/forms/navigator.h"
#include "tables/index/orders.h"
#include "browser_fixture.h"

namespace kor2::test {
namespace {

// Every message box that opens is noted and closed with OK.
class MessageCatcher {
public:
    MessageCatcher() {
        timer_.setInterval(20);
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            if (auto* b = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
                b != nullptr && b->isVisible()) {
                texts.push_back(b->text());
                b->button(QMessageBox::Ok)->click();
            }
        });
        timer_.start();
    }
    QStringList texts;

private:
    QTimer timer_;
};

class BrowserTold : public BrowserFormTest {
protected:
    std::string WriteNumbers(int count) {
        const std::string path = Path("numbers.dbf");
        WriteNumbersTable(path, count);
        return path;
    }
    BrowserResult ShowWith(int mode, std::function<void(Tdbf4Form*)> script) {
        OnModal<Tdbf4Form>(std::move(script));
        return dbf4().ShowTable("", mode);
    }
    static QString Bar(Tdbf4Form* f) {
        const QScrollBar* b = f->TbGrid1->verticalScrollBar();
        return QString("%1..%2 at %3").arg(b->minimum()).arg(b->maximum()).arg(b->value());
    }
};

// Run by the next test as the account "nobody".
TEST_F(BrowserTold, DISABLED_ChildShowsATableItMayOnlyRead) {
    const char* table = std::getenv("KOR2_TABLE");
    ASSERT_NE(table, nullptr);
    const std::string before = platform::ReadWholeFile(table).value_or("");
    const std::string exported = temp.file("export.txt");
    ScriptedDialogs ui;
    ui.answers.push_back(ScriptedAnswer::Type("R3"));
    ui.answers.push_back(ScriptedAnswer::Type(exported));
    MessageCatcher messages;
    dbf4().OpenTable(table);  // as Datenbank / Tabelle anzeigen opens it
    ASSERT_TRUE(dbf4().tbdbf.Active()) << ::testing::PrintToString(errors);
    dbf4().SetTitles("", "numbers");
    ShowWith(0, [&](Tdbf4Form* f) {
        EXPECT_TRUE(f->windowTitle().contains(QString::fromUtf8("schreibgeschützt")))
            << f->windowTitle().toStdString();
        f->TbGrid1->setFocus();
        QTest::keyClicks(f->TbGrid1, "x");  // typing into a cell
        QTest::keyClick(f->TbGrid1, Qt::Key_Delete, Qt::ControlModifier);
        QTest::mouseClick(f->TbNavigator1->Button(nbInsert), Qt::LeftButton);
        QTest::mouseClick(f->TbNavigator1->Button(nbDelete), Qt::LeftButton);
        f->mi_editAppend->trigger();
        f->mi_editPack->trigger();
        EXPECT_EQ(dbf4().tbdbf.State(), TDataSetState::dsBrowse);
        f->Button_search->click();
        EXPECT_EQ(dbf4().GetRecNo(), 3);
        f->mi_fileSaveAsDelimited->trigger();
        f->Button_cancel->click();
    });
    EXPECT_EQ(messages.texts.size(), 6) << messages.texts.join(" | ").toStdString();
    for (const QString& t : messages.texts)
        EXPECT_TRUE(t.contains(QString::fromUtf8("schreibgeschützt"))) << t.toStdString();
    EXPECT_NE(platform::ReadWholeFile(exported).value_or("").find("\"R5\""), std::string::npos);
    EXPECT_TRUE(errors.empty()) << ::testing::PrintToString(errors);
    EXPECT_EQ(platform::ReadWholeFile(table).value_or(""), before);
}

TEST_F(BrowserTold, TableItMayOnlyReadIsShownReadOnly) {
    if (geteuid() != 0 || std::system("command -v runuser >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "needs root and runuser to run a second account";
    namespace fs = std::filesystem;
    TempDir tmp;
    fs::permissions(tmp.path(), fs::perms::owner_all | fs::perms::group_read |
                                    fs::perms::group_exec | fs::perms::others_read |
                                    fs::perms::others_exec);
    const std::string own = (tmp.path() / "nobody").string();  // the account's own folder
    fs::create_directory(own);
    fs::permissions(own, fs::perms::all);
    const std::string table = tmp.file("numbers.dbf");
    fs::copy_file(WriteNumbers(5), table);
    fs::permissions(table, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    int status = -1;
    const std::string out = CommandOutput(
        "runuser -u nobody -- env HOME=" + test::ShellQuoted(own) +
            " TMPDIR=" + test::ShellQuoted(own) + " XDG_CONFIG_HOME=" + test::ShellQuoted(own) +
            " KOR2_TABLE=" + test::ShellQuoted(table) + " QT_QPA_PLATFORM=offscreen " +
            test::ShellQuoted(fs::read_symlink("/proc/self/exe").string()) +
            " --gtest_also_run_disabled_tests "
            "--gtest_filter=BrowserTold.DISABLED_ChildShowsATableItMayOnlyRead 2>&1",
        &status);
    EXPECT_EQ(status, 0) << out;
    EXPECT_NE(out.find("[  PASSED  ] 1 test"), std::string::npos) << out;
}

TEST_F(BrowserTold, SearchTextWithADecimalCommaIsReadAsAnEditReadsIt) {
    DecimalCommaOption = 2;
    dbf4().OpenTable(WriteNumbers(20));
    ScriptedDialogs ui;
    ui.answers.push_back(ScriptedAnswer::Type("8,25"));
    MessageCatcher messages;
    dbf4().Button_searchClick();
    EXPECT_TRUE(messages.texts.isEmpty()) << messages.texts.join(" | ").toStdString();
    EXPECT_EQ(dbf4().GetRecNo(), 8);
    dbf4().Button_SearchNextClick();  // 18.25 next
    EXPECT_EQ(dbf4().GetRecNo(), 18);
    dbf4().Button_SearchNextClick();
    EXPECT_EQ(messages.texts, QStringList{"8,25 nicht gefunden"});
    EXPECT_EQ(dbf4().GetRecNo(), 18);
}

TEST_F(BrowserTold, CounterAndScrollBarStandOnTheRecordFromTheStartAndAfterPack) {
    dbf4().OpenTable(WriteNumbers(1000));
    std::vector<std::string> progress;
    int steps = 0;
    struct Recorder : EngineProgress {
        explicit Recorder(int& s) : steps(s) {}
        void Step() override { ++steps; }
        int& steps;
    };
    MakeEngineProgress = [&](const std::string& text) -> std::unique_ptr<EngineProgress> {
        progress.push_back(text);
        return std::make_unique<Recorder>(steps);
    };
    ShowWith(2, [&](Tdbf4Form* f) {
        EXPECT_EQ(f->Label_recno->text(), "1/1000");
        EXPECT_EQ(Bar(f), "1..1000 at 1");
        // Every second record of the first hundred is marked and packed away.
        for (int r = 1; r <= 100; r += 2) {
            dbf4().GoRecord(r);
            dbf4().tbdbf.Delete();
        }
        dbf4().GoRecord(500);
        f->mi_editPack->trigger();
        EXPECT_EQ(f->Label_recno->text(), "1/950");
        EXPECT_EQ(Bar(f), "1..950 at 1");
        // Sorted by a title click: the bar shows top, middle and end.
        dbf4().GoRecord(2);
        dbf4().tbdbf.Delete();
        dbf4().GoRecord(500);
        f->TbGrid1->OnDepressTitle(*f->TbGrid1, f->TbGrid1->Column(0));
        f->mi_editPack->trigger();
        EXPECT_EQ(f->Label_recno->text(), QString("%1/949").arg(dbf4().GetRecNo()));
        EXPECT_EQ(Bar(f), "0..4 at 0");
        f->Button_cancel->click();
    });
    ASSERT_EQ(progress.size(), 2u);
    EXPECT_EQ(progress[0], "Packing numbers.dbf...");
    EXPECT_GE(steps, 90);
    EXPECT_TRUE(errors.empty()) << ::testing::PrintToString(errors);
}

}  // namespace
}  // namespace kor2::test
