// Tests of the spreadsheet export and the stand-in server: one line per row
// in Windows characters, empty lines as empty cells, a well-formed workbook
// file, and the messages of the shell's spreadsheet commands.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include "app/spreadsheet.h"
#include "common/files_testutil.h"
#include "common/globals.h"
#include "common/scriptdialogs.h"
#include "common/sheetapp.h"
#include "common/sheetexport.h"
#include "platform/oemtext.h"
#include "spring/springdata.h"
#include "spring/springfile.h"
#include "support/tempdir.h"

namespace kor2 {
namespace {

using test::Put;
using test::Slurp;

// xmllint --noout on the file; -1 when xmllint is not installed.
int XmlLint(const std::string& path) {
    const pid_t pid = fork();
    if (pid == 0) {
        execlp("xmllint", "xmllint", "--noout", path.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) == 127) return -1;
    return WEXITSTATUS(status);
}

// Records the calls, as a live server would receive them.
class RecordingServer : public SpreadsheetAutomation {
public:
    bool SetVisible(bool v) override {
        visible = v;
        return true;
    }
    bool AddWorkbook() override { return ++workbooks > 0; }
    bool SetCellValue(int32_t row, int32_t column, std::string_view value) override {
        if (row == failAtRow) return false;
        cells.emplace_back(row, column, std::string(value));
        return true;
    }
    bool EndUpdate() override { return ++updates > 0; }
    bool visible = false;
    int workbooks = 0, updates = 0, failAtRow = 0;
    std::vector<std::tuple<int32_t, int32_t, std::string>> cells;
};

class SheetExportTest : public ::testing::Test {
protected:
    void SetUp() override {
        InitProgramVariables();
        InitSpringData();
        DataFolder = tmp.path().string();
        DataFileExt = "kr2";
    }
    void TearDown() override {
        ExcelApp.reset();
        ExcelAppFactory = nullptr;
    }
    void PutSpring(const std::string& bytes) { Put(tmp.file("feder.kr2"), bytes); }
    test::TempDir tmp;
    ScriptedDialogs dialogs;
};

TEST_F(SheetExportTest, EachLineFillsOneRowOfColumnA) {
    PutSpring(
        "-----\r\nGr\x94\xE1"
        "e\r\n\r\nletzte");  // "Größe" in code page 850
    auto server = std::make_unique<RecordingServer>();
    RecordingServer& s = *server;
    ExcelApp = std::move(server);
    ExportTextToSpreadsheet("feder");
    EXPECT_FALSE(AbortFlag);
    ASSERT_EQ(s.cells.size(), 4u);
    EXPECT_EQ(s.cells[0], std::make_tuple(1, 1, std::string("-----")));
    EXPECT_EQ(std::get<2>(s.cells[1]),
              "Gr\xF6\xDF"
              "e");  // Windows characters
    EXPECT_EQ(s.cells[2], std::make_tuple(3, 1, std::string()));
    EXPECT_EQ(s.cells[3], std::make_tuple(4, 1, std::string("letzte")));
    EXPECT_EQ(s.updates, 1);

    // A full name is taken as it is; a refused cell stops with a message.
    s.cells.clear();
    s.failAtRow = 2;
    ExportTextToSpreadsheet(tmp.file("feder.kr2"));
    EXPECT_TRUE(AbortFlag);
    EXPECT_EQ(s.cells.size(), 1u);
    EXPECT_EQ(dialogs.Of("message").size(), 1u);
}

TEST_F(SheetExportTest, LinesOf255CharactersOrMoreArriveWhole) {
    // A long change description: 254, 255 and 600 characters, an umlaut last.
    std::string bytes, expected[3];
    const std::size_t sizes[3] = {254, 255, 600};
    for (int k = 0; k < 3; ++k) {
        bytes += std::string(sizes[k] - 1, 'a') + "\x94\r\n";
        expected[k] = std::string(sizes[k] - 1, 'a') + "\xF6";
    }
    PutSpring(bytes + "ende");
    auto server = std::make_unique<RecordingServer>();
    RecordingServer& s = *server;
    ExcelApp = std::move(server);
    ExportTextToSpreadsheet("feder");
    EXPECT_FALSE(AbortFlag);
    ASSERT_EQ(s.cells.size(), 4u);
    for (int k = 0; k < 3; ++k) EXPECT_EQ(std::get<2>(s.cells[k]), expected[k]) << sizes[k];
}

TEST_F(SheetExportTest, MissingNamesAndFilesSetAbortFlag) {
    ExcelApp = std::make_unique<RecordingServer>();
    ExportTextToSpreadsheet("");
    EXPECT_TRUE(AbortFlag);
    ASSERT_EQ(dialogs.events.size(), 1u);
    EXPECT_EQ(dialogs.events[0].style, MsgStyle::Plain);
    EXPECT_EQ(dialogs.events[0].text, "File not found. Use \"File->Save\"");

    AbortFlag = false;
    ExportTextToSpreadsheet("nichtda");
    EXPECT_TRUE(AbortFlag);
    EXPECT_NE(dialogs.events.back().text.find("nichtda.kr2"), std::string::npos);
}

TEST_F(SheetExportTest, StandInWritesAWellFormedWorkbook) {
    SpreadsheetFileApp app(tmp.file("mappe.xml"));
    ASSERT_FALSE(app.SetCellValue(1, 1, "no workbook yet"));
    ASSERT_TRUE(app.AddWorkbook());
    ASSERT_TRUE(app.SetCellValue(1, 1, "a<b & \"c\" > d"));
    ASSERT_TRUE(app.SetCellValue(2, 1,
                                 "Gr\xF6\xDF"
                                 "e \x80"));  // Windows characters
    ASSERT_TRUE(app.SetCellValue(3, 1, ""));
    ASSERT_TRUE(app.SetCellValue(4, 1, std::string("ctl\x01\x1Fz")));
    ASSERT_TRUE(app.SetCellValue(4, 1, "wieder"));  // overwritten
    ASSERT_TRUE(app.AddWorkbook());
    ASSERT_TRUE(app.SetCellValue(1, 1, "zweite"));
    ASSERT_TRUE(app.EndUpdate());

    const std::string xml = Slurp(tmp.file("mappe.xml"));
    EXPECT_NE(xml.find("<Row ss:Index=\"1\"><Cell ss:Index=\"1\"><Data ss:Type=\"String\">"
                       "a&lt;b &amp; &quot;c&quot; &gt; d</Data></Cell></Row>"),
              std::string::npos);
    EXPECT_NE(xml.find("Gr\xC3\xB6\xC3\x9F"
                       "e \xE2\x82\xAC"),
              std::string::npos);                           // UTF-8
    EXPECT_EQ(xml.find("Index=\"3\""), std::string::npos);  // an empty cell is no cell
    EXPECT_NE(xml.find(">wieder<"), std::string::npos);
    EXPECT_EQ(xml.find("zweite"), std::string::npos);
    EXPECT_NE(Slurp(tmp.file("mappe2.xml")).find(">zweite<"), std::string::npos);
    const int lint = XmlLint(tmp.file("mappe.xml"));
    if (lint >= 0) {
        EXPECT_EQ(lint, 0) << xml;
    }
}

TEST_F(SheetExportTest, ShellCommandsCreateTheServerAndExport) {
    DataFileName.clear();  // nothing saved yet
    SpreadsheetCommand();
    EXPECT_TRUE(AbortFlag);
    ASSERT_EQ(dialogs.Of("message").size(), 1u);
    EXPECT_EQ(dialogs.Of("message")[0].text,
              std::string("Zuerst müssen Sie Ihre Eingabedaten speichern (Menü "_oem) +
                  "\"Datei->Speichern\")");
    EXPECT_FALSE(ExcelApp);

    AbortFlag = false;
    DataFileName = "feder";
    ExcelAppFactory = [] { return std::unique_ptr<SpreadsheetAutomation>(); };
    SpreadsheetCommand();
    EXPECT_TRUE(AbortFlag);
    EXPECT_EQ(dialogs.Of("message").back().text, "Excel kann nicht gestartet werden");

    // The stand-in beside the spring file.
    AbortFlag = false;
    ExcelAppFactory = nullptr;
    PutSpring("eins\r\nzwei\r\n");
    SpreadsheetCommand();
    EXPECT_FALSE(AbortFlag);
    ASSERT_TRUE(ExcelApp);
    auto* app = dynamic_cast<SpreadsheetFileApp*>(ExcelApp.get());
    ASSERT_NE(app, nullptr);
    EXPECT_TRUE(app->Visible());
    EXPECT_EQ(app->WorkbookCount(), 1u);
    EXPECT_NE(Slurp(tmp.file("feder.xml")).find(">zwei<"), std::string::npos);

    // The second command saves the modified spring first and exports again.
    InputModifiedFlag = true;
    ForceF1 = 12.5L;
    dialogs.answers.push_back(ScriptedAnswer::Button(YesNoCancel::Yes));  // overwrite
    SpreadsheetUpdateCommand();
    EXPECT_FALSE(AbortFlag);
    EXPECT_FALSE(InputModifiedFlag);
    EXPECT_EQ(app->WorkbookCount(), 1u);
    EXPECT_NE(Slurp(tmp.file("feder.xml")).find(">Neue Werte ab Version 3.0<"), std::string::npos);
}

// The first command too exports what the screen shows: a modified spring
// is saved first, with the overwrite question; refusing it exports nothing.
TEST_F(SheetExportTest, ExportOfAModifiedSpringSavesItFirst) {
    const std::string file = tmp.file("feder.kr2");
    WireDiameter = 2.5L;
    WriteSpringFile(file);
    ASSERT_FALSE(AbortFlag);
    DataFileName = "feder";
    WireDiameter = 3.25L;  // typed after the save
    InputModifiedFlag = true;
    RecordingServer* server = nullptr;
    ExcelAppFactory = [&server] {
        auto s = std::make_unique<RecordingServer>();
        server = s.get();
        return std::unique_ptr<SpreadsheetAutomation>(std::move(s));
    };

    dialogs.answers.push_back(ScriptedAnswer::Button(YesNoCancel::Cancel));
    SpreadsheetCommand();
    EXPECT_TRUE(AbortFlag);
    EXPECT_TRUE(InputModifiedFlag);
    EXPECT_TRUE(server == nullptr || server->cells.empty());
    EXPECT_EQ(Slurp(file).find("\r\n3.2500000\r\n"), std::string::npos);

    AbortFlag = false;
    dialogs.answers.push_back(ScriptedAnswer::Button(YesNoCancel::Yes));
    SpreadsheetCommand();
    EXPECT_FALSE(AbortFlag);
    EXPECT_FALSE(InputModifiedFlag);
    ASSERT_EQ(dialogs.Of("yesno").size(), 2u);
    EXPECT_NE(dialogs.Of("yesno")[1].text.find("feder.kr2"), std::string::npos);
    EXPECT_NE(Slurp(file).find("\r\n3.2500000\r\n"), std::string::npos);
    ASSERT_NE(server, nullptr);
    const auto d = std::find_if(server->cells.begin(), server->cells.end(),
                                [](const auto& c) { return std::get<2>(c) == "3.2500000"; });
    EXPECT_NE(d, server->cells.end());
}

}  // namespace
}  // namespace kor2
