// Tests of the program start-up without windows: the command line, the
// batch report of "/I" and the default spring.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "app/hostfile.h"
#include "app/shell.h"
#include "app/spreadsheet.h"
#include "app/startup.h"
#include "common/config.h"
#include "common/filepath.h"
#include "common/globals.h"
#include "common/report.h"
#include "common/scriptdialogs.h"
#include "platform/hostfs.h"
#include "platform/progfiles.h"
#include "platform/sysclock.h"
#include "spring/springdata.h"
#include "spring/springfile.h"
#include "support/tempdir.h"
#include "tables/area/engine.h"

namespace kor2 {
namespace {

using test::ReadHostFile;

class StartupTest : public ::testing::Test {
protected:
    void SetUp() override {
        SetCommandLine({});
        InitAllUnits();
        TempFolder = tmp.path().string();
    }
    void TearDown() override { ShutdownTableEngine(); }
    test::TempDir tmp;
};

TEST_F(StartupTest, CommandLineSwitchesInAnyCaseAndPosition) {
    CommandLine c = ParseCommandLine({"/nogui", "feder.kr2", "/i"});
    EXPECT_EQ(c.springFile, "feder.kr2");
    EXPECT_TRUE(c.writeReport);
    EXPECT_TRUE(c.noGui);
    EXPECT_FALSE(c.usage);
    EXPECT_TRUE(ParseCommandLine({"/?"}).usage);
    EXPECT_TRUE(ParseCommandLine({"?"}).usage);
    c = ParseCommandLine({"a.kr2", "b.kr2", "/G"});
    EXPECT_EQ(c.springFile, "a.kr2");  // the first name counts
    EXPECT_FALSE(c.writeReport);
}

TEST_F(StartupTest, BatchReportWritesHeaderAndMessagesBesideTheSpringFile) {
    const std::string spring = tmp.file("probe.kr2");
    WriteSpringFile(spring);
    ASSERT_FALSE(AbortFlag);
    InitAllUnits();
    TempFolder = tmp.path().string();

    // Given without its extension, as users type it.
    CommandLine cmd = ParseCommandLine({tmp.file("probe"), "/I"});
    ASSERT_EQ(RunBatchReport(cmd), 0);
    EXPECT_TRUE(CmdLineFileGiven);
    const std::string report = ReadHostFile(tmp.file("probe.txt"));
    ASSERT_FALSE(report.empty());
    EXPECT_NE(report.find("Zugfederberechnung"), std::string::npos);
    // The default spring has no material: its fatal message is reported.
    EXPECT_NE(report.find("Fatal  : Rm = 0 !"), std::string::npos);

    // The end of the run leaves no report file name behind.
    EXPECT_FALSE(ReportFileName.empty());
    ShutdownAllUnits();
    EXPECT_EQ(ReportFileName, "");
}

TEST_F(StartupTest, BatchReportOfAMissingOrForeignFileEndsWithOne) {
    EXPECT_EQ(RunBatchReport(ParseCommandLine({tmp.file("missing.kr2"), "/I"})), 1);
    EXPECT_EQ(RunBatchReport(ParseCommandLine({"/I"})), 1);
    const std::string foreign = tmp.file("foreign.kr2");
    ASSERT_TRUE(platform::WriteFileReplacing(foreign, std::string("\x7f"
                                                                  "ELF\0\0binary",
                                                                  12)));
    EXPECT_EQ(RunBatchReport(ParseCommandLine({foreign, "/I"})), 1);
    EXPECT_FALSE(platform::FileExists(tmp.file("foreign.txt")));
}

// The program's own files come from the program files folder wherever the
// program is started; what the configuration names and the user's folders
// stay as they are.
TEST_F(StartupTest, ProgramFilesFolderFillsTheProgramsOwnFolders) {
    namespace fs = std::filesystem;
    fs::create_directories(tmp.path() / "files" / "TRAIN");
    fs::create_directories(tmp.path() / "config");
    std::ofstream(tmp.file("files/fedwst.dbf")) << "x";
    const std::string files = tmp.file("files") + "/";
    ConfigDir = tmp.file("config");
    ConfigFallbackDir = tmp.file("config");
    SetProgramFilesFolder(files);
    ReadSettings();
    SetProgramFilesFolder("");
    EXPECT_EQ(DbfFolder, files);
    EXPECT_EQ(PltFolder, files);
    // The spring folder is the user's: the current folder, not the shipped springs.
    EXPECT_EQ(DataFolder, RemoveBackslash(StartFolder));
    EXPECT_EQ(DefaultDataFolder, StartFolder);
    EXPECT_EQ(EdiFolder, AddBackslash(StartFolder));

    // Configured folders and an absolute spring folder are kept.
    InitAllUnits();
    ConfigDir = tmp.file("config");
    ConfigFallbackDir = tmp.file("config");
    DbfFolder = tmp.file("config");
    DataFolder = tmp.file("config");
    SetProgramFilesFolder(files);
    ReadSettings();
    SetProgramFilesFolder("");
    EXPECT_EQ(DbfFolder, tmp.file("config"));
    EXPECT_EQ(PltFolder, files);
    EXPECT_EQ(DataFolder, tmp.file("config"));
}

// Two runs of the program started from two different folders, with the
// user's configuration folder under XDG_CONFIG_HOME: the second goes on in
// the data folder and with the recent files of the first, and neither start
// folder receives a file of the program.
TEST_F(StartupTest, RestartFromAnotherFolderRemembersTheDataFolderAndRecentFiles) {
    namespace fs = std::filesystem;
    for (const char* d : {"first", "second", "springs", "xdg"}) fs::create_directory(tmp.file(d));
    const auto savedXdg = platform::GetEnv("XDG_CONFIG_HOME");
    const std::string savedDir = platform::GetCurrentDir();
    platform::SetEnv("XDG_CONFIG_HOME", tmp.file("xdg"));
    std::string springs = tmp.file("springs");
    std::replace(springs.begin(), springs.end(), '/', '\\');

    ASSERT_TRUE(platform::SetCurrentDir(tmp.file("first")));
    InitAllUnits();
    ReadSettings();
    EXPECT_EQ(ConfigDir, platform::UserConfigFolder());
    DataFolder = springs;
    DataFileName = "feder";
    AddRecentFile(SpringFullName());
    EXPECT_TRUE(CloseMainWindow());

    ASSERT_TRUE(platform::SetCurrentDir(tmp.file("second")));
    InitAllUnits();
    ReadSettings();
    const std::string dataFolder = DataFolder;
    const std::string recent = RecentFiles[0];

    platform::SetCurrentDir(savedDir);
    if (savedXdg)
        platform::SetEnv("XDG_CONFIG_HOME", *savedXdg);
    else
        unsetenv("XDG_CONFIG_HOME");
    EXPECT_EQ(dataFolder, springs);
    EXPECT_EQ(recent, springs + "\\feder.kr2");
    EXPECT_TRUE(fs::exists(tmp.file("xdg/kor2/kor2.cff")));
    EXPECT_TRUE(fs::is_empty(tmp.file("first")));
    EXPECT_TRUE(fs::is_empty(tmp.file("second")));
}

// Right after a start the spring is named in the current folder, whatever
// folder the shipped default spring came from, and the spreadsheet export
// works on it there; a spring folder named relative to the current folder is
// kept where the current folder has it.
TEST_F(StartupTest, TheSpringOfAFirstStartBelongsToTheCurrentFolder) {
    namespace fs = std::filesystem;
    fs::create_directories(tmp.path() / "files" / "TRAIN");
    fs::create_directories(tmp.path() / "here" / "TRAIN");
    fs::copy_file(std::string(KOR2_SOURCE_DIR) + "/data/TRAIN/null.kr2",
                  tmp.file("files/TRAIN/null.kr2"));
    const std::string savedDir = platform::GetCurrentDir();
    ASSERT_TRUE(platform::SetCurrentDir(tmp.file("here")));
    InitAllUnits();
    ConfigDir = tmp.file("config");
    SetProgramFilesFolder(tmp.file("files") + "/");
    ReadSettings();
    EXPECT_EQ(DataFolder, "TRAIN");  // the current folder has one
    fs::remove(tmp.file("here/TRAIN"));
    InitAllUnits();
    ConfigDir = tmp.file("config");
    ReadSettings();
    LoadDefaultSpring();
    const std::string full = SpringFullName();
    const std::string start = StartFolder;
    const std::string title = ReportTitleLines[1].str();
    // The spreadsheet export of the spring as it stands: saved there first.
    ScriptedDialogs dialogs;
    SpreadsheetCommand();
    const bool exported = !AbortFlag;
    SetProgramFilesFolder("");
    platform::SetCurrentDir(savedDir);
    EXPECT_TRUE(exported);
    for (const ScriptedEvent& e : dialogs.Of("message")) ADD_FAILURE() << e.text;
    EXPECT_TRUE(fs::exists(tmp.file("here/demo.kr2")));
    EXPECT_TRUE(fs::exists(tmp.file("here/demo.xml")));
    EXPECT_EQ(full, start + "\\demo.kr2");
    EXPECT_EQ(title.rfind("Zugfeder", 0), 0u) << title;  // the shipped default spring was read
}

TEST_F(StartupTest, DefaultSpringIsCheckedWithoutAFile) {
    DataFolder = tmp.path().string();
    LoadDefaultSpring();
    EXPECT_GT(ErrorList.count, 0);  // no material chosen yet
    EXPECT_TRUE(CalcErrorFlag);
}

}  // namespace
}  // namespace kor2
