// Tests of the current spring file's name in every output after each way a
// spring becomes current (menu open, save under a new name, command line):
// the report header in the text window, the report file, the printout and
// the table report, and the spreadsheet export.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "app/hostfile.h"
#include "app/shell.h"
#include "app/spreadsheet.h"
#include "app/startup.h"
#include "common/errdesc.h"
#include "common/report_testutil.h"
#include "common/sheetapp.h"
#include "platform/oemtext.h"
#include "spring/springdata.h"
#include "spring/springfile.h"
#include "tables/area/engine.h"
#include "tables/browser/browsermodel.h"
#include "tables/browser/procedural.h"

namespace kor2 {
namespace {

namespace fs = std::filesystem;

std::string ProgramPath(std::string p) {
    std::replace(p.begin(), p.end(), '/', '\\');
    return p;
}

std::size_t Count(const std::string& text, const std::string& part) {
    std::size_t n = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        ++n;
    return n;
}

class CellCounter : public SpreadsheetAutomation {
public:
    explicit CellCounter(std::vector<std::string>& cells) : cells_(cells) {}
    bool SetVisible(bool) override { return true; }
    bool AddWorkbook() override { return true; }
    bool SetCellValue(int32_t, int32_t, std::string_view value) override {
        cells_.emplace_back(value);
        return true;
    }
    bool EndUpdate() override { return true; }

private:
    std::vector<std::string>& cells_;
};

// Every file below folder with its content.
std::map<std::string, std::string> FilesBelow(const fs::path& folder) {
    std::map<std::string, std::string> files;
    for (const auto& e : fs::recursive_directory_iterator(folder))
        if (e.is_regular_file()) files[e.path().string()] = test::ReadHostFile(e.path().string());
    return files;
}

class DataFileNamesTest : public ::testing::Test {
protected:
    // The report header names the spring with its folder only while both
    // have fewer than 70 characters: these tests need a short folder, not
    // one in a temporary folder that may be long.
    DataFileNamesTest() : tmp("/tmp") {}
    void SetUp() override {
        SetCommandLine({});
        InitAllUnits();
        TempFolder = ConfigDir = PltFolder = DbfFolder = tmp.path().string();
        DataFolder = tmp.path().string();
        fs::create_directory(tmp.file("sub"));
        AbortFlag = false;
        WriteSpringFile(tmp.file("sub/feder.kr2"));
        ASSERT_FALSE(AbortFlag);
        fs::copy_file(std::string(KOR2_SOURCE_DIR) + "/data/fedwst.dbf", tmp.file("fedwst.dbf"));
        ExcelAppFactory = [this] { return std::make_unique<CellCounter>(cells); };
    }
    void TearDown() override {
        ExcelApp.reset();
        ExcelAppFactory = nullptr;
        ShutdownTableEngine();
        AbortFlag = false;
    }

    // Speichern of a modified spring, answered Yes: file (a host path) is
    // rewritten, and no other file appears.
    void ExpectSaveRewritesOnly(const std::string& file) {
        const auto before = FilesBelow(tmp.path());
        InputModifiedFlag = true;
        ui.answers.push_back(ScriptedAnswer::Button(YesNoCancel::Yes));
        ASSERT_TRUE(SaveSpringCommand());
        const auto after = FilesBelow(tmp.path());
        EXPECT_EQ(after.size(), before.size());
        EXPECT_EQ(after.count(file), 1u);
    }

    // Every output names the spring file `shown` once, with its folder once.
    void ExpectEveryOutputNames(const std::string& shown, const std::string& springFile) {
        SCOPED_TRACE(shown);
        const std::string folder = tmp.file("sub");  // shown as the host writes it
        const auto check = [&](const std::string& report, const char* output) {
            EXPECT_EQ(Count(report, shown + " "), 1u) << output << ":\n" << report;
            EXPECT_EQ(Count(report, folder), 1u) << output << ":\n" << report;
        };
        FormatReportField("Titel", "", "", "", "", 0);

        // The message report in the text window.
        ClearErrorList();
        AddErrorMessage("Warnung: Probe");
        AbortFlag = false;
        ReportCalcMessages();
        ASSERT_FALSE(AbortFlag);
        check(out.shownReport, "text window");

        // A report file (in another folder) and the printout.
        for (uint16_t device : {3, 4}) {
            AbortFlag = false;
            if (device == 3)
                ui.answers.push_back(ScriptedAnswer::Type(ProgramPath(tmp.file("r.txt"))));
            ReportBegin(device, "x.txt");
            ASSERT_FALSE(AbortFlag);
            ASSERT_TRUE(SharedTextFile.Rewrite());
            ReportPageHeader(1, 0);
            ReportEnd();
            ASSERT_FALSE(AbortFlag);
        }
        check(test::ReadHostFile(tmp.file("r.txt")), "report file");
        std::string printed;
        for (const std::string& l : out.printedLines) printed += l + "\n";
        check(printed, "printout");
        fs::remove(tmp.file("r.txt"));

        // The table browser's report, on the screen.
        TextDevice = 1;
        AskTextDevice = false;
        AbortFlag = false;
        DbfOpenTableChecked("fedwst");
        ASSERT_FALSE(AbortFlag);
        dbf4().mi_filePrintClick();
        DbfCloseTable();
        ASSERT_FALSE(AbortFlag);
        check(out.shownReport, "table report");

        // The spreadsheet export reads the spring file itself.
        cells.clear();
        ExcelApp.reset();
        AbortFlag = false;
        const std::size_t messages = ui.Of("message").size();
        SpreadsheetCommand();
        EXPECT_FALSE(AbortFlag);
        EXPECT_EQ(ui.Of("message").size(), messages);
        ASSERT_FALSE(cells.empty());
        EXPECT_EQ(cells.size(), Count(test::ReadHostFile(springFile), "\r\n"));
    }

    test::TempDir tmp;
    ScriptedDialogs ui;
    test::RecordingTextOutput out;
    std::vector<std::string> cells;
};

TEST_F(DataFileNamesTest, AfterAMenuOpen) {
    ui.answers.push_back(ScriptedAnswer::Type(ProgramPath(tmp.file("sub/feder.kr2"))));
    ASSERT_TRUE(OpenSpringCommand());
    EXPECT_EQ(DataFileName, "feder");
    EXPECT_EQ(DataFolder, ProgramPath(tmp.file("sub")));
    ExpectEveryOutputNames(tmp.file("sub/feder.kr2"), tmp.file("sub/feder.kr2"));
}

TEST_F(DataFileNamesTest, AfterASaveUnderANewName) {
    ASSERT_TRUE(OpenSpringFile(tmp.file("sub/feder.kr2")));
    ui.answers.push_back(ScriptedAnswer::Type(ProgramPath(tmp.file("sub/neu.kr2"))));
    ASSERT_TRUE(SaveSpringAsCommand());
    EXPECT_EQ(DataFileName, "neu");
    ExpectEveryOutputNames(tmp.file("sub/neu.kr2"), tmp.file("sub/neu.kr2"));

    // Saving again writes the same file, not one in a doubled folder.
    fs::remove(tmp.file("sub/neu.kr2"));
    ASSERT_TRUE(SaveSpringCommand());
    EXPECT_TRUE(fs::exists(tmp.file("sub/neu.kr2")));
}

TEST_F(DataFileNamesTest, AfterACommandLineStartAndItsFirstSave) {
    // Given without its extension: the header shows it as given.
    ASSERT_TRUE(LoadCommandLineSpring(tmp.file("sub/feder")));
    ASSERT_TRUE(CmdLineFileGiven);
    ExpectEveryOutputNames(tmp.file("sub/feder"), tmp.file("sub/feder.kr2"));
    EXPECT_TRUE(CmdLineFileGiven);  // a report file does not end it

    // The first save writes the same file and names it as any other.
    InputModifiedFlag = true;
    ui.answers.push_back(ScriptedAnswer::Button(YesNoCancel::Yes));  // replace it
    ASSERT_TRUE(SaveSpringCommand());
    EXPECT_FALSE(CmdLineFileGiven);
    EXPECT_EQ(DataFileName, "feder");
    EXPECT_EQ(SpringFullName(), ProgramPath(tmp.file("sub/feder.kr2")));
    ExpectEveryOutputNames(tmp.file("sub/feder.kr2"), tmp.file("sub/feder.kr2"));
}

// The current folder of the test, changed for one scope.
class InFolder {
public:
    explicit InFolder(const fs::path& folder) : saved_(fs::current_path()) {
        fs::current_path(folder);
    }
    ~InFolder() { fs::current_path(saved_); }
    InFolder(const InFolder&) = delete;
    InFolder& operator=(const InFolder&) = delete;

private:
    fs::path saved_;
};

TEST_F(DataFileNamesTest, ADottedNameIsSavedBackIntoItsOwnFile) {
    fs::create_directory(tmp.file("cwd"));
    InFolder cwd(tmp.file("cwd"));
    WireDiameter = 1.6L;
    WriteSpringFile(tmp.file("sub/d1.6.kr2"));
    ASSERT_FALSE(AbortFlag);
    const std::string file = tmp.file("sub/d1.6.kr2");

    ui.answers.push_back(ScriptedAnswer::Type(ProgramPath(file)));
    ASSERT_TRUE(OpenSpringCommand());
    EXPECT_EQ(DataFileName, "d1.6");
    EXPECT_EQ(MainWindowCaption(), MainTitle.str() + "  -  " + file);

    const auto before = FilesBelow(tmp.path());
    WireDiameter = 1.8L;
    InputModifiedFlag = true;
    ui.answers.push_back(ScriptedAnswer::Button(YesNoCancel::Yes));  // replace it
    ASSERT_TRUE(SaveSpringCommand());
    ASSERT_EQ(ui.Of("yesno").size(), 1u);
    EXPECT_EQ(ui.Of("yesno")[0].text.find(file + " existiert bereits"), 0u)
        << ui.Of("yesno")[0].text;

    // That file was rewritten; no other file appeared or changed.
    const auto after = FilesBelow(tmp.path());
    ASSERT_EQ(after.size(), before.size());
    for (const auto& [name, content] : after) {
        ASSERT_EQ(before.count(name), 1u) << name;
        if (name == file)
            EXPECT_NE(content, before.at(name));
        else
            EXPECT_EQ(content, before.at(name)) << name;
    }
    WireDiameter = 0;
    ASSERT_TRUE(OpenSpringFile(file));
    EXPECT_EQ(WireDiameter, 1.8L);

    // Named on the command line with or without its extension, it is the same file.
    for (const std::string& given : {tmp.file("sub/d1.6"), file}) {
        ASSERT_TRUE(LoadCommandLineSpring(given)) << given;
        EXPECT_EQ(SpringFullName(), ProgramPath(file));
    }
}

// Started with a spring of the current folder, Speichern unter a bare name
// (the dialog returns it below "."): that file in the current folder, shown
// in the caption, and every later Speichern rewrites it.
TEST_F(DataFileNamesTest, ABareNameIsSavedInTheCurrentFolderAndEverySaveGoesThere) {
    InFolder cwd(tmp.file("sub"));
    ASSERT_TRUE(LoadCommandLineSpring("feder.kr2"));
    ui.answers.push_back(ScriptedAnswer::Type(".\\neu"));
    ASSERT_TRUE(SaveSpringAsCommand());
    const std::string caption = MainWindowCaption();
    EXPECT_EQ(caption, MainTitle.str() + "  -  ./neu.kr2");
    const auto names = [this] {
        std::vector<std::string> n;
        for (const auto& [name, content] : FilesBelow(tmp.path())) n.push_back(name);
        return n;
    };
    const std::vector<std::string> saved = names();
    EXPECT_EQ(std::count(saved.begin(), saved.end(), tmp.file("sub/neu.kr2")), 1);
    for (int save = 1; save <= 3; ++save) {
        SCOPED_TRACE(save);
        fs::remove(tmp.file("sub/neu.kr2"));
        ASSERT_TRUE(SaveSpringCommand());
        EXPECT_EQ(MainWindowCaption(), caption);
        EXPECT_EQ(names(), saved);
    }
}

// The spring's name in the program's code page 850.
const std::string kUmlautName = "Feder prüf größe"_oem;

TEST_F(DataFileNamesTest, UmlautNamesFromTheCommandLineAreShownAndSavedAsTheHostWritesThem) {
    const std::string host = tmp.file("sub/Feder prüf größe.kr2");
    fs::copy_file(tmp.file("sub/feder.kr2"), host);
    const CommandLine cmd = TakeCommandLine({host});
    ASSERT_TRUE(AcceptCommandLineNames(cmd));
    ASSERT_TRUE(LoadCommandLineSpring(cmd.springFile));

    // The report header and the window caption name the file in code page 850.
    FormatReportField("Titel", "", "", "", "", 0);
    ClearErrorList();
    AddErrorMessage("Warnung: Probe");
    ReportCalcMessages();
    ASSERT_FALSE(AbortFlag);
    EXPECT_EQ(Count(out.shownReport, tmp.file("sub") + "/" + kUmlautName + " "), 1u)
        << out.shownReport;
    EXPECT_EQ(MainWindowCaption(),
              MainTitle.str() + "  -  " + tmp.file("sub") + "/" + kUmlautName + ".kr2");

    // The first save asks about that file and rewrites it; no other file appears.
    ExpectSaveRewritesOnly(host);
    ASSERT_EQ(ui.Of("yesno").size(), 1u);
    EXPECT_EQ(ui.Of("yesno")[0].text.find(tmp.file("sub") + "/" + kUmlautName + ".kr2 existiert"),
              0u)
        << ui.Of("yesno")[0].text;
}

// Copied from other systems, a name often holds a letter and a combining
// mark where code page 850 has one character: it is that character, the
// spring is read and saved back into its own file.
TEST_F(DataFileNamesTest, DecomposedUmlautNamesAreTakenAsTheComposedOnes) {
    const std::string host = tmp.file("sub/Feder pru\u0308f gro\u0308\u00DFe.kr2");
    fs::copy_file(tmp.file("sub/feder.kr2"), host);
    const CommandLine cmd = TakeCommandLine({host});
    ASSERT_TRUE(AcceptCommandLineNames(cmd));
    ASSERT_TRUE(LoadCommandLineSpring(cmd.springFile));
    EXPECT_EQ(MainWindowCaption(),
              MainTitle.str() + "  -  " + tmp.file("sub") + "/" + kUmlautName + ".kr2");
    ExpectSaveRewritesOnly(host);
}

// A spring found by another spelling of its name is saved back into that
// file, not into a second one of the spelling given.
TEST_F(DataFileNamesTest, ASpringFoundByAnotherSpellingIsSavedIntoItsOwnFile) {
    ASSERT_TRUE(LoadCommandLineSpring(tmp.file("sub/FEDER.KR2")));
    ExpectSaveRewritesOnly(tmp.file("sub/feder.kr2"));
}

TEST_F(DataFileNamesTest, ANameThatCodePage850LacksIsRefusedBeforeAnythingIsWritten) {
    for (const char* name : {"Feder \u03B1.kr2", "\u5F39\u7C27.kr2"}) {
        SCOPED_TRACE(name);
        const std::string host = tmp.file(std::string("sub/") + name);
        fs::copy_file(tmp.file("sub/feder.kr2"), host);
        const CommandLine cmd = TakeCommandLine({host, "/I"});
        EXPECT_EQ(cmd.refused, std::vector<std::string>{host});
        EXPECT_EQ(CommandLineParams(), std::vector<std::string>{"/I"});
        EXPECT_TRUE(cmd.writeReport);
        const auto before = FilesBelow(tmp.path());
        const std::size_t messages = ui.Of("message").size();
        AbortFlag = false;
        EXPECT_EQ(RunBatchReport(cmd), 1);
        ASSERT_EQ(ui.Of("message").size(), messages + 1);
        EXPECT_NE(
            ui.Of("message").back().text.find(std::string("\"") + host + "\" enthält Zeichen"),
            std::string::npos);
        EXPECT_EQ(FilesBelow(tmp.path()), before);
    }
}

// A name that itself ends in the extension: the file opened is the one
// saved and shown, not one without the second extension.
TEST_F(DataFileNamesTest, ANameEndingInTheExtensionKeepsIt) {
    const std::string file = tmp.file("sub/x.kr2.kr2");
    WriteSpringFile(file);
    ASSERT_FALSE(AbortFlag);
    ASSERT_TRUE(OpenSpringFile(file));
    EXPECT_EQ(MainWindowCaption(), MainTitle.str() + "  -  " + file);
    WireDiameter = 1.8L;
    InputModifiedFlag = true;
    ui.answers.push_back(ScriptedAnswer::Button(YesNoCancel::Yes));  // replace it
    ASSERT_TRUE(SaveSpringCommand());
    ASSERT_EQ(ui.Of("yesno").size(), 1u);
    EXPECT_EQ(ui.Of("yesno")[0].text.find(file + " existiert bereits"), 0u);
    EXPECT_FALSE(fs::exists(tmp.file("sub/x.kr2")));
    WireDiameter = 0;
    ASSERT_TRUE(OpenSpringFile(file));
    EXPECT_EQ(WireDiameter, 1.8L);

    // Named on the command line in the current folder, it is saved into itself too.
    InFolder cwd(tmp.file("sub"));
    ASSERT_TRUE(LoadCommandLineSpring("x.kr2.kr2"));
    EXPECT_EQ(MainWindowCaption(), MainTitle.str() + "  -  x.kr2.kr2");
    InputModifiedFlag = true;
    ui.answers.push_back(ScriptedAnswer::Button(YesNoCancel::Yes));
    ASSERT_TRUE(SaveSpringCommand());
    EXPECT_FALSE(fs::exists(tmp.file("sub/x.kr2.kr2.kr2")));
}

}  // namespace
}  // namespace kor2
