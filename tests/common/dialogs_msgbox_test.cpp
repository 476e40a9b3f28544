// Tests of the message boxes, file checks and file dialogs on real files:
// the overwrite question, the non-destructive creation test, the retry
// loop's way out and the save dialog of data files.
#include <gtest/gtest.h>

#include "common/fileio.h"
#include "common/fileops.h"
#include "common/globals.h"
#include "common/helptext.h"
#include "common/msgbox.h"
#include "common/scriptdialogs.h"
#include "common/textfile.h"
#include "files_testutil.h"
#include "support/asnobody.h"
#include "support/fulldisk.h"
#include "support/tempdir.h"

namespace kor2 {
namespace {

using test::Put;
using test::Slurp;

class MsgBoxTest : public ::testing::Test {
protected:
    void SetUp() override { InitProgramVariables(); }
    ScriptedDialogs ui;
    test::TempDir tmp;
    std::string Dir() const { return tmp.path().string(); }
};

TEST_F(MsgBoxTest, CaptionsAndYesNoCancel) {
    ShowErrorMessage("e");
    ShowWarningMessage("w");
    ShowInfo("i");
    ShowMessageType("h", kMsgHelp);
    MessageBoxesEnabled = false;
    ShowErrorIfEnabled("silenced");
    const auto m = ui.Of("message");
    ASSERT_EQ(m.size(), 4u);
    EXPECT_EQ(m[0].caption, "Fehler : ");
    EXPECT_EQ(m[1].caption, "Meldung:");
    EXPECT_EQ(m[2].caption, "Meldung:");
    EXPECT_EQ(m[3].caption, "Hilfe");

    ui.answers.push_back(ScriptedAnswer::Button(YesNoCancel::No));
    EXPECT_FALSE(MessageBoxYesNo("q"));
    EXPECT_FALSE(AbortFlag);
    EXPECT_EQ(ui.Of("yesno")[0].caption, MainTitle.str());
    ui.answers.push_back(ScriptedAnswer::Button(YesNoCancel::Cancel));
    EXPECT_FALSE(MessageBoxYesNo("q"));
    EXPECT_TRUE(AbortFlag);
    ui.answers.push_back(ScriptedAnswer::Button(YesNoCancel::Yes));
    EXPECT_TRUE(MessageBoxYesNoL("q"));
}

TEST_F(MsgBoxTest, OverwriteAsksKeepsTheFileAndReplacesOnlyAfterTheWrite) {
    const std::string name = Dir() + "\\spring.kr2";
    Put(tmp.file("spring.kr2"), "the user's spring");

    ui.answers.push_back(ScriptedAnswer::Button(YesNoCancel::No));
    ConfirmOverwrite(name);
    EXPECT_TRUE(AbortFlag);
    EXPECT_EQ(HelpNumber, 3055);
    // The question shows the name as the host writes it.
    EXPECT_EQ(ui.Of("yesno")[0].text, tmp.file("spring.kr2") +
                                          " existiert bereits.   \x81"
                                          "berschreiben ?");
    EXPECT_EQ(Slurp(tmp.file("spring.kr2")), "the user's spring");

    AbortFlag = false;
    ui.answers.push_back(ScriptedAnswer::Button(YesNoCancel::Cancel));
    ConfirmOverwrite(name);
    EXPECT_TRUE(AbortFlag);

    AbortFlag = false;
    ui.answers.push_back(ScriptedAnswer::Button(YesNoCancel::Yes));
    ConfirmOverwrite(name);
    EXPECT_FALSE(AbortFlag);
    // Confirmed, but still there: a save that fails now loses nothing.
    EXPECT_EQ(Slurp(tmp.file("spring.kr2")), "the user's spring");
    SharedTextFile.Assign(name);
    ASSERT_TRUE(SharedTextFile.Rewrite());
    WriteLineL("new spring");
    SharedTextFile.Discard();
    EXPECT_EQ(Slurp(tmp.file("spring.kr2")), "the user's spring");
}

// A file whose name differs only in case is not the one written: no
// question about it. A link at the name is what the write replaces: asked.
TEST_F(MsgBoxTest, OverwriteAsksOnlyAboutTheNameItself) {
    Put(tmp.file("spring.kr2"), "the user's spring");
    ConfirmOverwrite(Dir() + "\\SPRING.KR2");
    EXPECT_FALSE(AbortFlag);
    EXPECT_TRUE(ui.Of("yesno").empty());
    std::filesystem::create_symlink(tmp.file("spring.kr2"), tmp.file("link.kr2"));
    ui.answers.push_back(ScriptedAnswer::Button(YesNoCancel::No));
    ConfirmOverwrite(Dir() + "\\link.kr2");
    EXPECT_TRUE(AbortFlag);
    EXPECT_EQ(ui.Of("yesno").size(), 1u);
    EXPECT_EQ(Slurp(tmp.file("spring.kr2")), "the user's spring");
}

TEST_F(MsgBoxTest, AktuellNamesAreOverwrittenWithoutAQuestion) {
    Put(tmp.file("aktuell.kr2"), "x");
    ConfirmOverwrite(Dir() + "\\aktuell.kr2");
    EXPECT_FALSE(AbortFlag);
    EXPECT_TRUE(ui.Of("yesno").empty());
}

TEST_F(MsgBoxTest, NamesThatCannotBeCreated) {
    const std::string bad = Dir() + "\\missing\\x.kr2";
    ConfirmOverwrite(bad);
    EXPECT_TRUE(AbortFlag);
    EXPECT_EQ(ui.Of("message").at(0).text, "Datei " + tmp.file("missing/x.kr2") +
                                               " kann nicht geschrieben werden: der Ordner " +
                                               tmp.file("missing") + " fehlt !");

    AbortFlag = false;
    MessageBoxesEnabled = false;
    CreateTextFileChecked("\\proc\\x.txt");
    EXPECT_TRUE(AbortFlag);
    EXPECT_EQ(ui.Of("message").size(), 1u);

    // The creation test leaves an existing file alone and a new name absent.
    AbortFlag = false;
    Put(tmp.file("keep.txt"), "keep");
    CreateTextFileChecked(Dir() + "\\keep.txt");
    CreateTextFileChecked(Dir() + "\\new.txt");
    EXPECT_FALSE(AbortFlag);
    EXPECT_EQ(Slurp(tmp.file("keep.txt")), "keep");
    EXPECT_FALSE(std::filesystem::exists(tmp.file("new.txt")));
}

TEST_F(MsgBoxTest, ReadOnlyPlacesRefuseWithoutHarm) {
    // An existing file that cannot be written (also not by the superuser).
    const std::string before = Slurp("/proc/version");
    ui.answers.push_back(ScriptedAnswer::Button(YesNoCancel::Yes));
    ConfirmOverwrite("\\proc\\version");
    EXPECT_TRUE(AbortFlag);
    EXPECT_EQ(ui.Of("message").at(0).text,
              "Datei /proc/version kann nicht geschrieben werden: kein Schreibrecht f\x81r diese "
              "Datei !");
    EXPECT_EQ(Slurp("/proc/version"), before);
}

TEST_F(MsgBoxTest, ReadOnlyFolderWherePermissionBitsHold) {
    std::filesystem::create_directory(tmp.file("ro"));
    Put(tmp.file("ro/data.kr2"), "keep");
    std::filesystem::permissions(
        tmp.file("ro"), std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec);
    test::RunAsNobody({tmp.path()}, [&] {
        CreateTextFileChecked(Dir() + "\\ro\\new.kr2");
        EXPECT_TRUE(AbortFlag);
        EXPECT_FALSE(IsDirWritable(Dir() + "\\ro"));
        // A file it may write, saved where no side file can be made: the
        // message names the side file and why.
        AbortFlag = false;
        TextFile f;
        f.Assign(Dir() + "\\ro\\data.kr2");
        RewriteFileMsg(f);
        ASSERT_FALSE(AbortFlag);
        f.WriteLine("new");
        CloseFileMsg(f);
        EXPECT_TRUE(AbortFlag);
        const std::string said = ui.Of("message").back().text;
        const std::string start =
            "Fehler beim Schlie\xE1"
            "en einer Datei: " +
            tmp.file("ro/data.kr2") + " (Hilfsdatei " + tmp.file("ro/.data.kr2.kor2tmp.");
        EXPECT_EQ(said.rfind(start, 0), 0u) << said;
        EXPECT_NE(said.find(" nicht angelegt: Zugriff verweigert)"), std::string::npos) << said;
    });
    EXPECT_EQ(Slurp(tmp.file("ro/data.kr2")), "keep");
    EXPECT_FALSE(std::filesystem::exists(tmp.file("ro/new.kr2")));
}

TEST_F(MsgBoxTest, ReadableCheckAndIoSteps) {
    CheckFileReadable("  " + Dir() + "\\none.txt  ");
    EXPECT_TRUE(AbortFlag);
    EXPECT_EQ(ui.Of("message")[0].text,
              "Datei " + tmp.file("none.txt") + " nicht gefunden oder kein Zugriffsrecht !");

    TextFile f;
    f.Assign(Dir() + "\\out.txt");
    // After a failed step nothing is written and nothing shown.
    CheckIOError(f, "x");
    EXPECT_EQ(ui.Of("message").size(), 1u);
    AbortFlag = false;
    CheckIOError(f, "x");  // not open
    EXPECT_TRUE(AbortFlag);
    EXPECT_EQ(ui.Of("message").back().text,
              "Fehler bei Zugriff auf Diskette/Platte: " + tmp.file("out.txt"));

    AbortFlag = false;
    RewriteFileMsg(f);
    CheckIOError(f, "line");
    CloseFileMsg(f);
    EXPECT_FALSE(AbortFlag);
    EXPECT_EQ(Slurp(tmp.file("out.txt")), "line\r\n");
    CloseFileMsg(f);  // already closed
    EXPECT_TRUE(AbortFlag);
    EXPECT_EQ(ui.Of("message").back().text,
              "Fehler beim Schlie\xe1"
              "en einer Datei: " +
                  tmp.file("out.txt"));

    // A file that cannot be made is named as the host writes it.
    AbortFlag = false;
    f.Assign(Dir() + "\\fehlt\\out.txt");
    RewriteFileMsg(f);
    EXPECT_TRUE(AbortFlag);
    EXPECT_EQ(ui.Of("message").back().text, "file write error: " + tmp.file("fehlt/out.txt"));
}

// On a full disk the message names the file whose text found no room.
TEST_F(MsgBoxTest, AFullDiskIsNamedWithTheFile) {
    std::filesystem::create_directory(tmp.file("voll"));
    test::RunOnFullDisk(tmp.file("voll"), [&] {
        TextFile f;
        f.Assign(Dir() + "\\voll\\out.txt");
        RewriteFileMsg(f);
        CheckIOError(f, std::string(8192, 'x'));
        CloseFileMsg(f);
        EXPECT_TRUE(AbortFlag);
        ASSERT_EQ(ui.Of("message").size(), 1u);
        EXPECT_EQ(ui.Of("message")[0].text, "Diskette/Platte voll: " + tmp.file("voll/out.txt"));
        EXPECT_FALSE(std::filesystem::exists(tmp.file("voll/out.txt")));
    });
}

TEST_F(MsgBoxTest, RewriteRetryOffersCancelAndBatchGivesUpAtOnce) {
    TextFile f;
    f.Assign(Dir() + "\\later\\x.txt");
    ui.answers.push_back(ScriptedAnswer::Button(YesNoCancel::Yes));
    ui.answers.push_back(ScriptedAnswer::Cancel());
    RewriteRetry(f);
    EXPECT_TRUE(AbortFlag);
    EXPECT_EQ(ui.Of("retry").size(), 2u);
    EXPECT_EQ(ui.Of("retry")[0].caption, "Fehler : ");
    // The question names the file, as the host writes it.
    EXPECT_NE(ui.Of("retry")[0].text.find(tmp.file("later/x.txt")), std::string::npos)
        << ui.Of("retry")[0].text;
    EXPECT_FALSE(f.IsOpen());

    // Retry succeeds once the folder exists.
    AbortFlag = false;
    ui.answers.push_back(ScriptedAnswer::Button(YesNoCancel::Yes));
    std::filesystem::create_directory(tmp.file("later"));
    RewriteRetry(f);
    EXPECT_FALSE(AbortFlag);
    EXPECT_TRUE(f.IsWriting());
    f.Discard();

    EXPECT_EQ(RetryErrorText(ioWriteProtected), "Schreibschutz entfernen !");
    EXPECT_EQ(RetryErrorText(152), "Programmdiskette einlegen !");
    EXPECT_EQ(RetryErrorText(3), "I/O-Error 3");

    SetDialogBackend(nullptr);  // no display
    f.Assign(Dir() + "\\missing\\x.txt");
    RewriteRetry(f);
    EXPECT_TRUE(AbortFlag);
    SetDialogBackend(&ui);
}

TEST(DataFileNames, FolderOfAFileKeepsOnlyARootsBackslash) {
    EXPECT_EQ(DataFolderOf("C:\\DATA\\feder.kr2"), "C:\\DATA");
    EXPECT_EQ(DataFolderOf(".\\feder.kr2"), ".");
    EXPECT_EQ(DataFolderOf("\\feder.kr2"), "\\");
    EXPECT_EQ(DataFolderOf("C:\\feder.kr2"), "C:\\");
    EXPECT_EQ(DataFolderOf("C:feder.kr2"), "C:");
    EXPECT_EQ(DataFolderOf("feder.kr2"), "");
}

TEST_F(MsgBoxTest, SaveDataFileAsDialogAndNames) {
    DataFolder = Dir();
    ScriptedAnswer pick = ScriptedAnswer::Type(Dir() + "\\sub\\myspring.kr2");
    std::filesystem::create_directory(tmp.file("sub"));
    ui.answers.push_back(pick);
    CmdLineFileGiven = true;
    std::string full;
    SaveDataFileAs("", full);
    EXPECT_FALSE(CmdLineFileGiven);
    EXPECT_FALSE(AbortFlag);
    EXPECT_EQ(ui.Of("save")[0].caption, "*.kr2|*.kr2");
    EXPECT_EQ(ui.Of("save")[0].text, Dir());
    EXPECT_EQ(DataFolder, Dir() + "\\sub\\");
    EXPECT_EQ(DataFileName, "myspring");
    EXPECT_EQ(full, Dir() + "\\sub\\myspring.kr2");

    ui.answers.push_back(ScriptedAnswer::Cancel());
    DataFileName = "before";
    SaveDataFileAs("", full);
    EXPECT_TRUE(AbortFlag);
    EXPECT_EQ(DataFileName, "before");

    AbortFlag = false;
    SaveDataFileAs("plain", full);
    EXPECT_EQ(full, Dir() + "\\sub\\plain.kr2");
    // A data file's name holds no extension, whatever dots it has.
    SaveDataFileAs(Dir() + "\\given.txt", full);
    EXPECT_EQ(full, Dir() + "\\given.txt.kr2");
    SaveDataFileAs("d1.6", full);
    EXPECT_EQ(full, Dir() + "\\sub\\d1.6.kr2");
    EXPECT_FALSE(AbortFlag);

    // A name picked in the dialog loses only the extension of data files.
    for (const char* picked : {"\\sub\\d1.6.kr2", "\\sub\\d1.6.KR2", "\\sub\\d1.6"}) {
        ui.answers.push_back(ScriptedAnswer::Type(Dir() + picked));
        SaveDataFileAs("", full);
        EXPECT_EQ(DataFileName, "d1.6") << picked;
        EXPECT_EQ(full, Dir() + "\\sub\\d1.6.kr2") << picked;
    }

    // The command line's name keeps its folder until the first save, which
    // keeps every dot of the name.
    CmdLineFileGiven = true;
    DataFileName = Dir() + "\\sub\\d1.6";
    SaveDataFileAs(DataFileName, full);
    EXPECT_EQ(full, Dir() + "\\sub\\d1.6.kr2");
    EXPECT_EQ(DataFileName, "d1.6");
    EXPECT_FALSE(CmdLineFileGiven);
}

TEST_F(MsgBoxTest, DataFileNamesKeepTheirDots) {
    DataFolder = "C:\\federn";
    EXPECT_EQ(DataFileBareName("C:\\federn\\d1.6.kr2"), "d1.6");
    EXPECT_EQ(DataFileBareName("/home/u/d1.6.Kr2"), "d1.6");
    EXPECT_EQ(DataFileBareName("a.b.c"), "a.b.c");
    EXPECT_EQ(DataFileBareName(".kr2"), ".kr2");  // no name before the extension
    EXPECT_EQ(DataFileFullName("d1.6"), "C:\\federn\\d1.6.kr2");
    EXPECT_EQ(DataFileFullName("sub\\d1.6"), "sub\\d1.6.kr2");
    EXPECT_EQ(DataFileFullName("x.kr2"), "C:\\federn\\x.kr2.kr2");        // the name of x.kr2.kr2
    EXPECT_EQ(DataFileFullNameOf("C:\\x\\d1.6.kr2"), "C:\\x\\d1.6.kr2");  // complete already
    EXPECT_EQ(DataFileFullName(DataFileBareName("x\\feder.v2.kr2")), "C:\\federn\\feder.v2.kr2");
}

TEST_F(MsgBoxTest, OpenDialogsAndFolderChoice) {
    std::string dir = Dir() + "\\";
    std::string name;
    ui.answers.push_back(ScriptedAnswer::Type(Dir() + "\\pics\\help.plt"));
    OpenFileDialogFilter(4, dir, "*.plt", name);
    EXPECT_EQ(ui.Of("open")[0].caption, "*.plt|*.plt");
    EXPECT_EQ(ui.Of("open")[0].text, Dir());
    EXPECT_EQ(dir, Dir() + "\\pics\\");
    EXPECT_EQ(name, "help");
    EXPECT_EQ(DataFileExt.str(), "plt");
    ui.answers.push_back(ScriptedAnswer::Type("C:\\x\\y.dbf"));
    OpenFileDialogFilter(5, dir, "*.dbf", name);
    EXPECT_EQ(name, "C:\\x\\y.dbf");
    OpenFileDialogFilter(5, dir, "*.dbf", name);  // cancelled
    EXPECT_EQ(name, "");
    EXPECT_TRUE(AbortFlag);

    std::string chosen;
    OpenFileDialogSimple(" C:\\prog\\edit.exe ", "*.exe", chosen);
    EXPECT_EQ(ui.Of("open").back().text, "C:\\prog");
    EXPECT_EQ(chosen, " C:\\prog\\edit.exe ");

    // A cancelled folder choice is a normal result.
    std::string folder;
    SelectDirectory(Dir(), folder);
    EXPECT_FALSE(AbortFlag);
    EXPECT_EQ(folder, Dir());
    EXPECT_EQ(ui.Of("folder").back().text, Dir());
    SelectDirectory(Dir() + "\\nothere", folder);
    EXPECT_EQ(ui.Of("folder").back().text, "");
    ui.answers.push_back(ScriptedAnswer::Type("D:\\chosen"));
    SelectDirectory(Dir(), folder);
    EXPECT_EQ(folder, "D:\\chosen");
}

}  // namespace
}  // namespace kor2
