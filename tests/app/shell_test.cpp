// Tests of the main window's commands without windows: the start mode, the
// save question before input is replaced, open and save, the error-list
// caption, the start-up spring and the close sequence.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>

#include "app/hostfile.h"
#include "app/shell.h"
#include "app/startup.h"
#include "common/globals.h"
#include "common/scriptdialogs.h"
#include "platform/hostfs.h"
#include "spring/springdata.h"
#include "spring/springfile.h"
#include "support/asnobody.h"
#include "support/fulldisk.h"
#include "support/runtempfile.h"
#include "support/tempdir.h"
#include "support/unreadablefile.h"
#include "tables/area/engine.h"

namespace kor2 {
namespace {

// A host path in the form the file dialogs return it ("\" separators).
std::string ProgramPath(std::string p) {
    std::replace(p.begin(), p.end(), '/', '\\');
    return p;
}

class ShellTest : public ::testing::Test {
protected:
    void SetUp() override {
        SetCommandLine({});
        InitAllUnits();
        TempFolder = tmp.path().string();
        ConfigDir = tmp.path().string();
    }
    void TearDown() override {
        ShutdownTableEngine();
        AbortFlag = false;
    }
    // A spring file in the test folder with wire diameter d.
    std::string MakeSpringFile(const std::string& name, Extended d) {
        const std::string file = tmp.file(name);
        const Extended keep = WireDiameter;
        WireDiameter = d;
        WriteSpringFile(file);
        WireDiameter = keep;
        EXPECT_FALSE(AbortFlag);
        return file;
    }
    test::TempDir tmp;
    ScriptedDialogs dialogs;
};

TEST(StartModeTest, UsageFirstThenBatchReportThenDisplay) {
    CommandLine cmd;
    EXPECT_EQ(DecideStartMode(cmd, true), StartMode::Window);
    EXPECT_EQ(DecideStartMode(cmd, false), StartMode::Console);
    cmd.writeReport = true;  // "/I" never opens a window, display or not
    EXPECT_EQ(DecideStartMode(cmd, true), StartMode::BatchReport);
    EXPECT_EQ(DecideStartMode(cmd, false), StartMode::BatchReport);
    cmd.usage = true;
    EXPECT_EQ(DecideStartMode(cmd, true), StartMode::Usage);
}

TEST_F(ShellTest, UnmodifiedInputIsReplacedWithoutQuestion) {
    InputModifiedFlag = false;
    EXPECT_TRUE(ConfirmDiscardInput());
    EXPECT_TRUE(dialogs.events.empty());
}

TEST_F(ShellTest, ModifiedNamedInputIsSavedOnYesKeptOnNoAndCancelStops) {
    const std::string file = MakeSpringFile("feder.kr2", 2.5L);
    ASSERT_TRUE(OpenSpringFile(file));
    WireDiameter = 3.0L;
    InputModifiedFlag = true;

    // No: go on without saving.
    dialogs.answers.push_back(ScriptedAnswer::Button(YesNoCancel::No));
    EXPECT_TRUE(ConfirmDiscardInput());
    ASSERT_EQ(dialogs.Of("yesno").size(), 1u);
    EXPECT_NE(dialogs.Of("yesno")[0].text.find("Datei speichern ("), std::string::npos);
    EXPECT_NE(dialogs.Of("yesno")[0].text.find("feder.kr2) ?"), std::string::npos);
    EXPECT_EQ(dialogs.Of("yesno")[0].text.find('\\'), std::string::npos);  // the host's path

    // Cancel: stop, nothing saved.
    dialogs.answers.push_back(ScriptedAnswer::Cancel());
    EXPECT_FALSE(ConfirmDiscardInput());
    EXPECT_TRUE(AbortFlag);
    EXPECT_TRUE(InputModifiedFlag);

    // Yes (and Yes to replacing the existing file): saved, no longer modified.
    dialogs.answers.push_back(ScriptedAnswer::Button(YesNoCancel::Yes));
    dialogs.answers.push_back(ScriptedAnswer::Button(YesNoCancel::Yes));
    EXPECT_TRUE(ConfirmDiscardInput());
    EXPECT_FALSE(InputModifiedFlag);
    InitAllUnits();
    ASSERT_TRUE(ReadSpringFileValues(file));
    EXPECT_EQ(WireDiameter, 3.0L);
}

TEST_F(ShellTest, ModifiedUnnamedInputIsDiscardedOnlyOnYes) {
    InputModifiedFlag = true;
    DataFileName.clear();
    dialogs.answers.push_back(ScriptedAnswer::Button(YesNoCancel::No));
    EXPECT_FALSE(ConfirmDiscardInput());
    EXPECT_TRUE(AbortFlag);
    EXPECT_EQ(dialogs.Of("yesno").back().text, "Bisherige Eingaben verwerfen ?");
    dialogs.answers.push_back(ScriptedAnswer::Button(YesNoCancel::Yes));
    EXPECT_TRUE(ConfirmDiscardInput());
}

TEST_F(ShellTest, FailedSaveKeepsTheProgramOpenAndTheInputModified) {
    // The folder of the current name is gone: the save fails, so closing must
    // not go on and lose the input.
    DataFileName = tmp.file("gone/feder");
    InputModifiedFlag = true;
    dialogs.answers.push_back(ScriptedAnswer::Button(YesNoCancel::Yes));
    EXPECT_FALSE(CloseMainWindow());
    EXPECT_TRUE(InputModifiedFlag);
    EXPECT_FALSE(platform::FileExists(tmp.file("kor2.cff")));
}

TEST_F(ShellTest, OpenCommandReadsTheChosenFileAndCancelKeepsTheSpring) {
    const std::string file = MakeSpringFile("zwei.kr2", 2.0L);
    dialogs.answers.push_back(ScriptedAnswer::Type(ProgramPath(file)));
    ASSERT_TRUE(OpenSpringCommand());
    EXPECT_EQ(WireDiameter, 2.0L);
    EXPECT_FALSE(InputModifiedFlag);
    // The title shows the file as the host writes it.
    EXPECT_EQ(MainWindowCaption(), MainTitle.str() + "  -  " + file);
    EXPECT_NE(RecentFiles[0].find("zwei.kr2"), std::string::npos);

    WireDiameter = 1.5L;
    dialogs.answers.push_back(ScriptedAnswer::Cancel());
    EXPECT_FALSE(OpenSpringCommand());
    EXPECT_EQ(WireDiameter, 1.5L);
}

// A spring file that exists but fails when read (an input/output error):
// Öffnen names the file and the failure, and the spring that was current
// stays with its caption and values.
TEST_F(ShellTest, OpenOfAFileThatFailsWhenReadSaysSoAndKeepsTheSpring) {
    const std::string current = MakeSpringFile("eins.kr2", 1.7L);
    ASSERT_TRUE(OpenSpringFile(current));
    const std::string caption = MainWindowCaption();
    const std::filesystem::path broken = tmp.path() / "kaputt.kr2";
    if (!test::MakeUnreadableFile(broken)) GTEST_SKIP() << "no file here fails when read";
    dialogs.answers.push_back(ScriptedAnswer::Type(ProgramPath(broken.string())));
    EXPECT_FALSE(OpenSpringCommand());
    ASSERT_EQ(dialogs.Of("message").size(), 1u);
    EXPECT_EQ(dialogs.Of("message")[0].text,
              "Datei " + broken.string() + " kann nicht gelesen werden: Lesefehler !");
    EXPECT_EQ(MainWindowCaption(), caption);
    EXPECT_EQ(WireDiameter, 1.7L);
    EXPECT_FALSE(InputModifiedFlag);
}

TEST_F(ShellTest, CaptionWithoutANameAndWithDotsInTheName) {
    DataFileName = "";
    EXPECT_EQ(MainWindowCaption(), MainTitle.str());
    DataFolder = ProgramPath(tmp.path().string());
    DataFileName = "demo";
    EXPECT_EQ(MainWindowCaption(), MainTitle.str() + "  -  " + tmp.file("demo.kr2"));
    DataFileName = "d1.6";  // a dot in the name is no extension
    EXPECT_EQ(MainWindowCaption(), MainTitle.str() + "  -  " + tmp.file("d1.6.kr2"));
}

TEST_F(ShellTest, SaveAsTakesTheChosenNameForLaterSaves) {
    dialogs.answers.push_back(ScriptedAnswer::Type(ProgramPath(tmp.file("neu.kr2"))));
    InputModifiedFlag = true;
    ASSERT_TRUE(SaveSpringAsCommand());
    EXPECT_TRUE(platform::FileExists(tmp.file("neu.kr2")));
    EXPECT_FALSE(InputModifiedFlag);
    EXPECT_NE(SpringFullName().find("neu.kr2"), std::string::npos);
    // Save now writes under that name (after the replace question).
    std::filesystem::remove(tmp.file("neu.kr2"));
    ASSERT_TRUE(SaveSpringCommand());
    EXPECT_TRUE(platform::FileExists(tmp.file("neu.kr2")));
}

// Speichern unter an existing file asks once: the save dialog's own question
// is not asked again, but Speichern, without a dialog, asks.
TEST_F(ShellTest, ReplacingAFileAfterTheDialogAskedIsNotAskedAgain) {
    const std::string file = MakeSpringFile("alt.kr2", 2.0L);
    dialogs.saveAsksBeforeReplacing = true;
    dialogs.answers.push_back(ScriptedAnswer::Type(ProgramPath(file)));
    ASSERT_TRUE(SaveSpringAsCommand());
    EXPECT_TRUE(dialogs.Of("yesno").empty());
    dialogs.answers.push_back(ScriptedAnswer::Button(YesNoCancel::Yes));
    ASSERT_TRUE(SaveSpringCommand());
    EXPECT_EQ(dialogs.Of("yesno").size(), 1u);
}

// Speichern unter `typed` fails with a message holding `why`: the spring
// keeps its name, folder and caption, stays modified, Speichern writes its
// own file, and the state file names its folder as before.
void ExpectRefusedSaveAsChangesNothing(ScriptedDialogs& dialogs, const std::string& typed,
                                       const std::string& why) {
    const std::string folder = DataFolder, name = DataFileName, caption = MainWindowCaption();
    const std::string own = SpringFullName();
    InputModifiedFlag = true;
    dialogs.answers.push_back(ScriptedAnswer::Type(ProgramPath(typed)));
    EXPECT_FALSE(SaveSpringAsCommand());
    ASSERT_EQ(dialogs.Of("message").size(), 1u);
    EXPECT_NE(dialogs.Of("message")[0].text.find(why), std::string::npos)
        << dialogs.Of("message")[0].text;
    EXPECT_FALSE(platform::FileExists(typed));
    EXPECT_EQ(DataFolder, folder);
    EXPECT_EQ(DataFileName, name);
    EXPECT_EQ(MainWindowCaption(), caption);
    EXPECT_TRUE(InputModifiedFlag);
    EXPECT_EQ(RecentFiles[0], own);

    dialogs.answers.push_back(ScriptedAnswer::Button(YesNoCancel::Yes));  // replace it
    EXPECT_TRUE(SaveSpringCommand());
    EXPECT_EQ(dialogs.Of("yesno").size(), 1u);
    EXPECT_EQ(MainWindowCaption(), caption);
    ASSERT_TRUE(CloseMainWindow());
    const std::string state = test::ReadHostFile(ConfigDir + "/kor2.cff");
    EXPECT_EQ(state.substr(0, state.find('\r')), ProgramBaseName + " Session " + folder);
}

// A spring opened from the folder "own", ready for a refused Speichern unter.
class RefusedSaveTest : public ShellTest {
protected:
    void SetUp() override {
        ShellTest::SetUp();
        std::filesystem::create_directory(tmp.file("own"));
        MakeSpringFile("own/alt.kr2", 2.0L);
        ASSERT_TRUE(OpenSpringFile(tmp.file("own/alt.kr2")));
    }
};

TEST_F(RefusedSaveTest, IntoAFolderTheAccountMayNotWrite) {
    std::filesystem::create_directory(tmp.file("ro"));
    std::filesystem::permissions(
        tmp.file("ro"), std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec);
    const std::string ro = tmp.file("ro");
    test::RunAsNobody({tmp.path()}, [&] {
        ExpectRefusedSaveAsChangesNothing(dialogs, ro + "/feder1.kr2",
                                          "Datei " + ro +
                                              "/feder1.kr2 kann nicht geschrieben werden: "
                                              "kein Schreibrecht im Ordner " +
                                              ro + " !");
    });
}

TEST_F(RefusedSaveTest, OntoAFullDisk) {
    std::filesystem::create_directory(tmp.file("voll"));
    test::RunOnFullDisk(tmp.file("voll"), [&] {
        ExpectRefusedSaveAsChangesNothing(dialogs, tmp.file("voll/feder1.kr2"),
                                          "Diskette/Platte voll: " + tmp.file("voll/feder1.kr2"));
    });
}

TEST_F(ShellTest, RecentFilesKeepFourNewestFirstWithoutDuplicates) {
    for (const char* f : {"a", "b", "c", "d", "e"}) AddRecentFile(f);
    EXPECT_EQ(RecentFiles[0], "e");
    EXPECT_EQ(RecentFiles[3], "b");
    AddRecentFile("C");  // names compare without case
    EXPECT_EQ(RecentFiles[0], "C");
    EXPECT_EQ(RecentFiles[1], "e");
    EXPECT_EQ(RecentFiles[2], "d");
    EXPECT_EQ(RecentFiles[3], "b");
}

TEST_F(ShellTest, CheckCommandCountsMessagesForTheMenuCaption) {
    const uint16_t n = RunCheckCommand();  // the start-up defaults have no material
    EXPECT_GT(n, 0);
    EXPECT_EQ(ErrorListCaption(), "&Fehlermeldungen (" + std::to_string(n) + ")");
}

TEST_F(ShellTest, StartUpReadsTheCommandLineSpringOrFallsBackToTheDefault) {
    const std::string file = MakeSpringFile("start.kr2", 2.2L);
    InitAllUnits();
    TempFolder = ConfigDir = tmp.path().string();
    EXPECT_TRUE(RunWindowStartUp(ParseCommandLine({file})));
    EXPECT_EQ(WireDiameter, 2.2L);
    EXPECT_TRUE(CmdLineFileGiven);

    InitAllUnits();
    TempFolder = ConfigDir = tmp.path().string();
    EXPECT_FALSE(RunWindowStartUp(ParseCommandLine({tmp.file("fehlt.kr2")})));
    EXPECT_FALSE(CmdLineFileGiven);
    EXPECT_EQ(WireDiameter, 1.2L);  // the start-up default, checked
    EXPECT_GT(ErrorList.count, 0);

    // A file that fails when read: said, and the default spring taken.
    const std::filesystem::path broken = tmp.path() / "kaputt.kr2";
    if (!test::MakeUnreadableFile(broken)) return;
    InitAllUnits();
    TempFolder = ConfigDir = tmp.path().string();
    const std::size_t told = dialogs.Of("message").size();
    EXPECT_FALSE(RunWindowStartUp(ParseCommandLine({broken.string()})));
    ASSERT_EQ(dialogs.Of("message").size(), told + 1);
    EXPECT_EQ(dialogs.Of("message").back().text,
              "Datei " + broken.string() + " kann nicht gelesen werden: Lesefehler !");
    EXPECT_EQ(WireDiameter, 1.2L);
}

TEST_F(ShellTest, CloseWritesStateFileAndRemovesOnlyTemporaryDrawings) {
    for (const char* f : {"$a.dx$", "$block7.dx$", "keep.dxf", "a.dx$"})
        std::ofstream(test::RunTempFile(f)) << "x";
    InputModifiedFlag = false;
    ASSERT_TRUE(CloseMainWindow());
    EXPECT_TRUE(platform::FileExists(tmp.file("kor2.cff")));
    EXPECT_FALSE(platform::FileExists(test::RunTempFile("$a.dx$")));
    EXPECT_FALSE(platform::FileExists(test::RunTempFile("$block7.dx$")));
    EXPECT_TRUE(platform::FileExists(test::RunTempFile("keep.dxf")));
    EXPECT_TRUE(platform::FileExists(test::RunTempFile("a.dx$")));
}

TEST_F(ShellTest, RefusedCloseWritesNothing) {
    std::ofstream(tmp.file("$a.dx$")) << "x";
    InputModifiedFlag = true;
    DataFileName.clear();
    dialogs.answers.push_back(ScriptedAnswer::Cancel());
    EXPECT_FALSE(CloseMainWindow());
    EXPECT_FALSE(platform::FileExists(tmp.file("kor2.cff")));
    EXPECT_TRUE(platform::FileExists(tmp.file("$a.dx$")));
}

}  // namespace
}  // namespace kor2
