// The table report on the text, tab-separated and HTML devices: a table
// written through the engine is read back record by record and reported,
// and the report files are compared line by line.
#include <gtest/gtest.h>

#include <algorithm>

#include "common/report_testutil.h"
#include "platform/oemtext.h"
#include "tables/area/engine.h"
#include "tables/area/navigation.h"
#include "tables/area/workareas.h"
#include "tables/base/engineerror.h"
#include "tables/browser/tablereport.h"
#include "tables/tbtestutil.h"

namespace kor2 {
namespace {

const std::string kIndent(7, ' ');

class TableReportTest : public test::ReportTestBase {
protected:
    void SetUp() override {
        ReportTestBase::SetUp();
        InitTableEngine();
        test::PointSeparators();
        ErrorHandling = false;
        TextPrintMode = 1;
    }
    void TearDown() override {
        ShutdownTableEngine();
        ReportTestBase::TearDown();
    }
    // Begins a report on device without a page header.
    void Start(uint16_t device) {
        ReportBegin(device, "");
        ASSERT_FALSE(AbortFlag);
        ASSERT_TRUE(SharedTextFile.Rewrite());
    }
    // Device 3, the file the save dialog is answered with ("\" separators).
    void StartFile() {
        std::string name = Temp("bericht.txt");
        std::replace(name.begin(), name.end(), '/', '\\');
        DataFileName = "feder1";
        ui.answers.push_back(ScriptedAnswer::Type(name));
        Start(3);
    }
    // A parts table written through the engine, reported row by row.
    void ReportPartsTable(TableReport& t) {
        const std::string path = Temp("teile.dbf");
        test::MakeTable(path, {{"NAME", 'C', 12, 0}, {"MENGE", 'N', 6, 2}});
        test::AppendRaw(path, {{" ", "Schraube", "12.50"}, {" ", "Mutter", "3.00"}});
        ASSERT_TRUE(Use(path, nullptr, 0)) << EngineErrorMsg;
        for (GoTop(); !dEOF(); Skip(1)) {
            std::string name = FieldText(1);
            name.erase(name.find_last_not_of(' ') + 1);
            t.TableReportRow({name, FieldText(2)});
        }
        CloseArea();
    }
    std::vector<std::string> Finish(const std::string& file) {
        ReportEnd();
        return test::ReportLines(test::Slurp(file));
    }
};

TEST_F(TableReportTest, TextDeviceWritesRulesAndPaddedColumns) {
    StartFile();
    TableReport t;
    t.TableReportInit({10, 8, 0, 9, 9, 9, 9}, {"Teil", "Menge", "nie"});
    ReportPartsTable(t);
    t.TableReportDone();
    const auto lines = Finish(Temp("bericht.txt"));
    const std::string dbl = kIndent + std::string(70, '=');
    const std::string rule = kIndent + std::string(70, '-');
    // Widths 10, 8, 0: two columns; the third width ends the row.
    const std::vector<std::string> expected = {
        dbl, "Teil      Menge    ", dbl, "Schraube   12.50   ", rule, "Mutter      3.00   ", rule};
    EXPECT_EQ(lines, expected);
}

TEST_F(TableReportTest, RowRulesOffEndWithOneRuleAndLongTextsAreCut) {
    StartFile();
    const std::string title(80, 'T');
    TableReport t;
    t.TableReportInit({4, 70, 0, 0, 0, 0, 0}, {"Nr", title});
    t.TableReportRow({"1", "eins"});
    t.TableReportSetRowRules(false);
    t.TableReportRow({"123456", "zwei"});
    t.TableReportRow({"3", std::string(65, 'x')});
    t.TableReportDone();
    t.TableReportDone();  // a second end writes nothing
    const auto lines = Finish(Temp("bericht.txt"));
    ASSERT_EQ(lines.size(), 8u);
    // The 80-character title is cut to 60 before it is filled up to 70.
    EXPECT_EQ(lines[1], "Nr  " + std::string(60, 'T') + std::string(10, ' ') + " ");
    EXPECT_EQ(lines[3], "1   eins" + std::string(66, ' ') + " ");
    EXPECT_EQ(lines[4], kIndent + std::string(70, '-'));
    EXPECT_EQ(lines[5], "1234zwei" + std::string(66, ' ') + " ");
    EXPECT_EQ(lines[6], "3   " + std::string(60, 'x') + std::string(10, ' ') + " ");
    EXPECT_EQ(lines[7], kIndent + std::string(70, '-'));
}

TEST_F(TableReportTest, FrameStyleFourWritesNoRules) {
    TextPrintMode = 4;
    StartFile();
    TableReport t;
    t.TableReportInit({3, 3, -4, 0, 0, 0, 0}, {"a", "b", "c"});  // a negative width is empty
    t.TableReportRow({"1", "2", "3"});
    t.TableReportDone();
    EXPECT_EQ(Finish(Temp("bericht.txt")), (std::vector<std::string>{"a  b   ", "1  2   "}));
}

TEST_F(TableReportTest, TabDeviceWritesTabsAndEmptySecondColumn) {
    Start(6);
    TableReport t;
    t.TableReportInit({10, 0, 5, 0, 0, 0, 0}, {"Teil", "", "Wert"});
    t.TableReportRow({"Größe"_oem, "", "Wert"});
    t.TableReportSetRowRules(false);
    t.TableReportRow({"a", "b", "c"});
    t.TableReportDone();
    const auto lines = Finish(RunTemp("$$$1.txt"));
    EXPECT_EQ(lines, (std::vector<std::string>{"Teil\t\tWert",
                                               "Gr\x94\xE1"
                                               "e\t\tWert",
                                               "a\tb\tc"}));
    // The Windows copy of the tab file.
    EXPECT_NE(test::Slurp(RunTemp("$$1.txt"))
                  .find("Gr\xF6\xDF"
                        "e\t\tWert\r\n"),
              std::string::npos);
}

TEST_F(TableReportTest, HtmlTableAlignsAllButTheFirstCellRight) {
    HtmlBrowserPath = "/bin/true";
    Start(7);
    ReportValueLine("Federrate", "R", "N/mm", "1.5");  // the writer's own table is open
    TableReport t;
    t.TableReportInit({10, 8, 6, 0, 0, 0, 0}, {"Teil", "Größe"_oem, "x"});
    t.TableReportRow({"M<8> & Co", "12", "3"});
    t.TableReportSetRowRules(false);
    t.TableReportDone();
    const auto lines = Finish(RunTemp("kor2.htm"));
    const auto at = std::find(lines.begin(), lines.end(), "<TABLE BORDER = \"1\" WIDTH= \"100%\">");
    ASSERT_NE(at, lines.end());
    EXPECT_EQ(*(at - 1), "</TABLE>");  // the writer's table is closed first
    ASSERT_GE(lines.end() - at, 4);
    EXPECT_EQ(*(at + 1),
              "<TR><TD><CENTER>Teil</CENTER></TD><TD><CENTER>Gr\xF6\xDF"
              "e</CENTER></TD><TD><CENTER>x</CENTER></TD></TR>");
    EXPECT_EQ(*(at + 2),
              "<TR><TD>M&lt;8&gt; &amp; Co</TD><TD><DIV ALIGN=RIGHT>12</DIV></TD>"
              "<TD><DIV ALIGN=RIGHT>3</DIV></TD></TR>");
    EXPECT_EQ(*(at + 3), "</TABLE>");
    EXPECT_EQ(*(at + 4), "</BODY>");
}

// The command-line device is a tab device of the writer but a text device
// of the table: padded columns, and the writer drops the rules.
TEST_F(TableReportTest, CommandLineDeviceWritesPaddedRowsWithoutRules) {
    DataFileName = Temp("feder");
    Start(9);
    TableReport t;
    t.TableReportInit({10, 8, 0, 0, 0, 0, 0}, {"Teil", "Menge"});
    ReportPartsTable(t);
    t.TableReportDone();
    const auto lines = Finish(Temp("feder.txt"));
    EXPECT_EQ(lines, (std::vector<std::string>{"Teil      Menge    ", "Schraube   12.50   ",
                                               "Mutter      3.00   "}));
    EXPECT_FALSE(std::filesystem::exists(RunTemp("$$$1.txt")));
}

}  // namespace
}  // namespace kor2
