// Writing files on a real X server, with real keys: a bare name stays the
// same file on every later save, a save the account may not make (run as
// "nobody") leaves the window's title and the state file as they were, a
// full disk and a description file that may not be written are named and
// lose nothing typed, and a report no viewer could show stays where the
// message says after the run.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QStandardPaths>
#include <QTest>
#include <QWidget>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <vector>

#include "app/hostfile.h"
#include "app/qt/mainwindow.h"
#include "app/shell.h"
#include "app/startup.h"
#include "common/errdesc.h"
#include "common/forms/msgdescwindow.h"
#include "common/forms/textwindow.h"
#include "common/globals.h"
#include "platform/hostfs.h"
#include "platform/runtemp.h"
#include "platform/sysclock.h"
#include "screen/screenprogram.h"
#include "screen/screentour.h"
#include "screen/xinput.h"
#include "support/command.h"
#include "support/fulldisk.h"
#include "support/keptfile.h"
#include "support/runtempfile.h"
#include "support/tempdir.h"

namespace kor2 {
namespace {

namespace fs = std::filesystem;

// The tour's faults and those of the real input, in one list.
class SaveOnScreen : public ::testing::Test {
protected:
    void Note(const std::string& fault) {
        if (!fault.empty()) faults.push_back(fault);
    }
    void Add(std::vector<std::string> more) {
        for (std::string& f : more) faults.push_back(std::move(f));
    }
    // A step that types text into the save dialog's name and presses Return.
    test::ScreenStep TypeName(const std::string& step, const std::string& text) {
        return {step, [this, text](QWidget* w) {
                    Note(test::TypeIntoLineEdit(*w, QString::fromStdString(text)));
                    Note(test::XdoTool({"key", "Return"}));
                }};
    }
    // A step that answers a message box or question with Return (OK, Yes).
    test::ScreenStep PressReturn(const std::string& step, QString* text = nullptr) {
        return {step, [this, text](QWidget* w) {
                    if (auto* box = qobject_cast<QMessageBox*>(w); box != nullptr && text)
                        *text = box->text();
                    Note(test::FocusWindow(*w));
                    Note(test::XdoTool({"key", "Return"}));
                }};
    }
    // A step that answers a question with its Yes button, through the real
    // key of its mnemonic ("Alt+J" of "&Ja").
    test::ScreenStep PressYes(const std::string& step) {
        return {step, [this, step](QWidget* w) {
                    auto* box = qobject_cast<QMessageBox*>(w);
                    QAbstractButton* yes = box != nullptr ? box->button(QMessageBox::Yes) : nullptr;
                    const qsizetype amp = yes != nullptr ? yes->text().indexOf('&') : -1;
                    if (amp < 0 || amp + 1 >= yes->text().size()) {
                        Note(step + ": no question with a Yes button and its key");
                        test::Cancel(w);
                        return;
                    }
                    Note(test::FocusWindow(*w));
                    Note(test::XdoTool({"key", "alt+" + yes->text().mid(amp + 1, 1).toLower()}));
                    QPointer<QMessageBox> shown = box;
                    if (!QTest::qWaitFor([shown] { return !shown || !shown->isVisible(); }))
                        Note(step + ": the question stays open");
                    else if (shown && shown->clickedButton() != yes)
                        Note(step + ": answered with " +
                             (shown->clickedButton() ? shown->clickedButton()->text().toStdString()
                                                     : std::string("no button")));
                }};
    }
    // A step that gives the window the focus and presses keys (xdotool's
    // names, one key or chord each), then runs then (if any) on the window.
    test::ScreenStep Keys(const std::string& step, QStringList keys,
                          std::function<void(QWidget*)> then = {}) {
        return {step, [this, keys, then](QWidget* w) {
                    if (then) then(w);
                    Note(test::FocusWindow(*w));
                    Note(test::XdoTool(QStringList{"key", "--delay", "100"} + keys));
                }};
    }
    void SetUp() override {
        if (!test::HaveXdoTool()) GTEST_SKIP() << "xdotool or setxkbmap is not installed";
    }

    std::vector<std::string> faults;
};

std::set<std::string> FilesIn(const std::string& folder) {
    std::set<std::string> names;
    for (const auto& e : fs::directory_iterator(folder)) names.insert(e.path().filename());
    return names;
}

// Started as "kor2 muster2.kr2" in its folder, Speichern unter "neu": the
// title names neu.kr2 there, and three Speichern rewrite that file.
TEST_F(SaveOnScreen, BareNameStaysTheSameFileOnEverySave) {
    test::ScreenProgram program;
    Thh& window = program.Window();
    const std::string train = program.Data() + "TRAIN";
    const fs::path cwd = fs::current_path();
    fs::current_path(train);
    window.StartUp(ParseCommandLine({"muster2.kr2"}));
    std::set<std::string> files = FilesIn(train);
    Add(test::Tour([&] { window.mi_DateiSpeichernUnter->trigger(); },
                   {TypeName("save-as-bare-name", "neu")}));
    const std::string title = window.windowTitle().toStdString();
    EXPECT_TRUE(title.ends_with("/neu.kr2")) << title;
    files.insert("neu.kr2");
    EXPECT_EQ(FilesIn(train), files);
    for (int save = 1; save <= 3; ++save) {
        SCOPED_TRACE(save);
        Add(test::Tour([&] { window.mi_DateiSpeichern->trigger(); },
                       {PressReturn("save-again-replace-" + std::to_string(save))}));
        EXPECT_EQ(window.windowTitle().toStdString(), title);
        EXPECT_EQ(FilesIn(train), files);
    }
    fs::current_path(cwd);
    EXPECT_TRUE(faults.empty()) << ::testing::PrintToString(faults);
}

// A DXF file that exists, chosen again in the file dialog: one question
// before it is replaced, with or without the extension typed.
TEST_F(SaveOnScreen, ReplacingADxfFileIsAskedOnce) {
    test::ScreenProgram program;
    Thh& window = program.Window();
    const std::string file = (program.Folder() / "zeichnung.dxf").string();
    for (const std::string& typed : {file, file.substr(0, file.size() - 4)}) {
        SCOPED_TRACE(typed);
        std::ofstream(file) << "alt";
        Add(test::Tour([&] { window.mi_GoodmanDxf->trigger(); },
                       {TypeName("dxf-name", typed), PressYes("dxf-replace")}));
        EXPECT_NE(test::ReadHostFile(file), "alt");
        EXPECT_EQ(FilesIn(program.Folder().string()).count("zeichnung"), 0u);
    }
    EXPECT_TRUE(faults.empty()) << ::testing::PrintToString(faults);
}

// Speichern unter onto a full disk: the message names the file that found
// no room, and the spring stays the one it was.
TEST_F(SaveOnScreen, AFullDiskIsNamedWithTheFileAndChangesNothing) {
    test::ScreenProgram program;
    const test::FullFolder full(program.Folder() / "voll");
    if (!full.Ok()) GTEST_SKIP() << "needs root to mount a small file system";
    Thh& window = program.Window();
    ASSERT_TRUE(OpenSpringFile(program.Data() + "TRAIN/muster2.kr2"));
    window.UpdateCaptions();
    const std::string title = window.windowTitle().toStdString();
    const std::string file = (full.path() / "feder1.kr2").string();
    QString refusal;
    Add(test::Tour(
        [&] { window.mi_DateiSpeichernUnter->trigger(); },
        {TypeName("save-as-full-disk-name", file), PressReturn("save-as-full-disk", &refusal)}));
    EXPECT_EQ(refusal.toStdString(), "Diskette/Platte voll: " + file);
    EXPECT_FALSE(fs::exists(file));
    EXPECT_EQ(window.windowTitle().toStdString(), title);
    EXPECT_TRUE(faults.empty()) << ::testing::PrintToString(faults);
}

// An edited remedy of a message whose description file may not be written
// (as the installed program's for most accounts): the error names the file,
// the window stays with the typed text, and No then leaves it unsaved.
TEST_F(SaveOnScreen, AnEditedRemedyThatCannotBeWrittenIsNamedAndStaysInItsWindow) {
    test::ScreenProgram program;
    Thh& window = program.Window();
    const std::string file = program.Data() + "kor2.err";
    const std::string before = test::ReadHostFile(file);
    fs::permissions(file, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    ClearErrorList();
    AddErrorMessage("Fatal  : d <= 0 !");
    CalcErrorFlag = true;
    HelpLevel = 2;  // the list starts on the message
    QString error, kept;
    bool shownAgain = false;
    const QString typed = "Neue Abhilfe";
    const auto clickOk = [this](QWidget* w) {
        if (auto* d = qobject_cast<Thelperr*>(w)) Note(test::ClickWidget(*d->Button_ok));
    };
    Add(test::Tour(
        [&] {
            Note(test::FocusWindow(window));
            Note(test::XdoTool({"key", "--delay", "100", "alt+b", "f"}));
        },
        {PressReturn("remedy-message-list"),
         {"remedy-window",
          [&](QWidget* w) {
              auto* d = qobject_cast<Thelperr*>(w);
              if (d == nullptr) return test::Cancel(w);
              Note(test::FocusWindow(*d));
              Note(test::ClickWidget(*d->Memo_abhilfe));
              Note(test::XdoTool({"key", "ctrl+a"}));
              Note(test::XdoTool({"type", "--delay", "100", typed}));
              if (!QTest::qWaitFor([&] { return d->Memo_abhilfe->toPlainText() == typed; }))
                  Note("the remedy holds \"" + d->Memo_abhilfe->toPlainText().toStdString() +
                       "\", not the typed text");
              clickOk(d);
          }},
         PressYes("remedy-save-question"),
         PressReturn("remedy-not-written", &error),
         {"remedy-window-again",
          [&](QWidget* w) {
              auto* d = qobject_cast<Thelperr*>(w);
              if (d == nullptr) return test::Cancel(w);
              shownAgain = d->isVisible();
              kept = d->Memo_abhilfe->toPlainText();
              clickOk(d);
          }},
         Keys("remedy-save-question-again", {"alt+n"})}));
    fs::permissions(file, fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_EQ(error.toStdString(), "file write error: " + file);
    EXPECT_TRUE(shownAgain);
    EXPECT_EQ(kept, typed);
    EXPECT_EQ(test::ReadHostFile(file), before);
    EXPECT_TRUE(faults.empty()) << ::testing::PrintToString(faults);
}

// With no viewer on the search path, Export Notepad of the message report
// says where the file is; after Beenden and the end of the run that file is
// still there, the user's alone, while the run's own folder is gone.
TEST_F(SaveOnScreen, AReportNoViewerCouldShowStaysWhereTheMessageSays) {
    test::ScreenProgram program;
    Thh& window = program.Window();
    // A search path with the input tools and without any viewer.
    const fs::path tools = program.Folder() / "bin";
    fs::create_directory(tools);
    for (const char* tool : {"xdotool", "setxkbmap"})
        fs::create_symlink(QStandardPaths::findExecutable(tool).toStdString(), tools / tool);
    const auto path = platform::GetEnv("PATH");
    const auto notepad = platform::GetEnv("KOR2_NOTEPAD");
    platform::SetEnv("PATH", tools.string());
    unsetenv("KOR2_NOTEPAD");
    ClearErrorList();
    AddErrorMessage("Warnung: Federrate zu klein");
    CalcErrorFlag = false;
    const std::string runFolder = fs::path(test::RunTempFile("outwin.txt")).parent_path();
    std::string shown;
    QString told;
    Add(test::Tour(
        [&] {
            Note(test::FocusWindow(window));
            Note(test::XdoTool({"key", "--delay", "100", "alt+b", "b"}));
        },
        {Keys("report-window", {"alt+d", "n"},
              [&](QWidget*) { shown = test::ReadHostFile(test::RunTempFile("outwin.txt")); }),
         PressReturn("report-no-viewer", &told),
         Keys("report-window-after-export", {"alt+d", "b"})}));
    platform::SetEnv("PATH", path.value_or("/usr/bin:/bin"));
    if (notepad) platform::SetEnv("KOR2_NOTEPAD", *notepad);
    EXPECT_EQ(told.toStdString().rfind("Kein Programm zum Anzeigen gestartet (xdg-open): ", 0), 0u)
        << told.toStdString();
    ASSERT_FALSE(shown.empty());
    // Beenden, then the end of the run.
    Add(test::Tour(
        [&] {
            Note(test::FocusWindow(window));
            Note(test::XdoTool({"key", "--delay", "100", "alt+d", "b"}));
            if (!QTest::qWaitFor([&] { return !window.isVisible(); }))
                Note("the main window stays open after Beenden");
        },
        {}));
    platform::EndPrivateTempFolders();
    EXPECT_FALSE(fs::exists(runFolder));
    test::ExpectKeptForTheUser(test::PlaceNamed(told.toStdString()), runFolder, shown);
    EXPECT_TRUE(faults.empty()) << ::testing::PrintToString(faults);
}

// Run by the next test as the account "nobody", on the same X server.
TEST_F(SaveOnScreen, DISABLED_ChildSavesIntoAFolderItMayNotWrite) {
    const char* ro = std::getenv("KOR2_RO");
    ASSERT_NE(ro, nullptr);
    test::ScreenProgram program;
    Thh& window = program.Window();
    const std::string spring = program.Data() + "TRAIN/muster2.kr2";
    ASSERT_TRUE(OpenSpringFile(spring));
    window.UpdateCaptions();
    const std::string title = window.windowTitle().toStdString();
    QString refusal;
    Add(test::Tour([&] { window.mi_DateiSpeichernUnter->trigger(); },
                   {TypeName("save-as-refused-name", std::string(ro) + "/feder1.kr2"),
                    PressReturn("save-as-refused", &refusal)}));
    EXPECT_TRUE(refusal.contains("kein Schreibrecht")) << refusal.toStdString();
    EXPECT_FALSE(fs::exists(std::string(ro) + "/feder1.kr2"));
    EXPECT_EQ(window.windowTitle().toStdString(), title);
    // Speichern goes on to the spring's own file (asking before it replaces it).
    Add(test::Tour([&] { window.mi_DateiSpeichern->trigger(); },
                   {PressReturn("save-own-file-replace")}));
    EXPECT_EQ(window.windowTitle().toStdString(), title);
    EXPECT_FALSE(InputModifiedFlag);
    // Beenden keeps the spring's folder as the data folder of the next start.
    ASSERT_TRUE(CloseMainWindow());
    const std::string state = test::CommandOutput(
        "head -n 1 " + test::ShellQuoted(program.Folder().string() + "/kor2.cff") +
        " | tr -d '\\r'");
    EXPECT_EQ(state, "kor2 Session " + test::ProgramPath(program.Data() + "TRAIN") + "\n");
    EXPECT_TRUE(faults.empty()) << ::testing::PrintToString(faults);
}

// As an account that may not write the folder "ro" (mode 0555): Speichern
// unter there is refused, and nothing else changes.
TEST_F(SaveOnScreen, RefusedSaveAsAnotherAccountChangesNothing) {
    if (const std::string why = test::NoSecondAccount(); !why.empty()) GTEST_SKIP() << why;
    test::TempDir tmp;
    const fs::path ro = tmp.path() / "ro";
    fs::create_directory(ro);
    fs::permissions(ro, fs::perms::owner_read | fs::perms::owner_exec | fs::perms::group_read |
                            fs::perms::group_exec | fs::perms::others_read |
                            fs::perms::others_exec);  // mode 0555
    test::ExpectPassesAsNobody(tmp.path(),
                               "SaveOnScreen.DISABLED_ChildSavesIntoAFolderItMayNotWrite",
                               "KOR2_RO=" + test::ShellQuoted(ro.string()));
}

}  // namespace
}  // namespace kor2
