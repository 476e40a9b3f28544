// Tests of the current spring file's name in every output after each way a
// spring becomes current (menu open, save under a new name, command line):
// the report header in the text window, the report file, the printout and
// the table report, and the spreadsheet export.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
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

class DataFileNamesTest : public ::testing::Test {
protected:
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

}  // namespace
}  // namespace kor2
