// Tests of the report page header, the column-title line, the messages
// section and the message report of the main window.
#include "common/filepath.h"
#include "platform/oemtext.h"
#include "report_testutil.h"

namespace kor2 {
namespace {

using test::Put;
using test::ReportLines;
using test::Slurp;

class ReportHeaderTest : public test::ReportTestBase {
protected:
    std::vector<std::string> Finish() {
        ReportEnd();
        return ReportLines(out.shownReport);
    }
};

TEST_F(ReportHeaderTest, PageTextWithAndWithoutTotal) {
    TextPrintMode = 1;
    FormatReportField("Titel", "", "", "", "", 1);
    Begin(1);
    ASSERT_FALSE(HasFatalFailure());
    auto lines = Finish();
    ASSERT_GE(lines.size(), 3u);
    EXPECT_EQ(lines[1].substr(0, 7 + 10), "       *    Titel");
    EXPECT_EQ(lines[1].substr(7 + 59, 8), "Bl. 1/ 1");
    EXPECT_EQ(lines[2].substr(7 + 52, 10), "04.03.2026");
    EXPECT_EQ(lines[2].substr(7 + 63, 5), "13:05");

    FormatReportField("", "", "", "", "", 0);
    EXPECT_EQ(ReportHeader.Line1.str(), "KOR2     Zugfederberechnung  V14.5");
    Begin(1);
    ASSERT_FALSE(HasFatalFailure());
    lines = Finish();
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(lines[1].substr(7 + 63, 5), "Bl. 1");
}

TEST_F(ReportHeaderTest, DataFileLineAndOptionalFifthLine) {
    TextPrintMode = 1;
    DataFileName = "feder";
    FormatReportField("T", "zwei", "", "vier", "", 0);
    Begin(1);
    auto lines = Finish();
    ASSERT_EQ(lines.size(), 9u);  // Line2 to Line4 always, Line5 only when set
    // The data file as the host writes it.
    EXPECT_EQ(lines[3].substr(7, 26), "*    /FEDERN/feder.kr2    ");
    EXPECT_EQ(lines[5].substr(7, 9), "*    zwei");
    EXPECT_EQ(lines[6], "       *" + std::string(68, ' ') + "* ");

    DataFolder = "C:\\" + std::string(62, 'x');  // 65 + 5 characters: too long
    FormatReportField("T", "", "", "", "fuenf", 0);
    Begin(1);
    lines = Finish();
    ASSERT_EQ(lines.size(), 10u);
    EXPECT_EQ(lines[3].substr(7, 14), "*    feder.kr2");
    EXPECT_EQ(lines[8].substr(7, 10), "*    fuenf");

    CmdLineFileGiven = true;
    DataFileName = "C:\\X\\feder.kr2";
    Begin(1);
    lines = Finish();
    EXPECT_EQ(lines[3].substr(7, 19), "*    /X/feder.kr2  ");
}

TEST_F(ReportHeaderTest, HeaderOnFirstPageOnly) {
    TextPrintMode = 1;
    PrintHeaderMode = 2;
    LinesPerPage = 15;
    FormatReportField("Titel", "", "", "", "", 3);
    Begin(1);
    for (int k = 1; k <= 10; ++k) ReportLine("Zeile " + std::to_string(k));
    ReportNewPage();
    ReportPageHeader(0, 0);
    ReportLine("danach");
    const auto lines = Finish();
    EXPECT_EQ(lines[1].find("Bl."), std::string::npos);
    // The 15th counted line fills the page: a form feed line, no header.
    EXPECT_EQ(lines[9 + 5], "\f");
    EXPECT_EQ(lines[9 + 6], "       Zeile 6");
    const std::size_t n = lines.size();
    EXPECT_EQ(lines[n - 4], "\f");
    EXPECT_EQ(lines[n - 3], " ");  // the header of a later page
    EXPECT_EQ(lines[n - 2], "       danach");
    EXPECT_EQ(lines[n - 1], "\f");  // the last page ends with a form feed
}

TEST_F(ReportHeaderTest, ColumnTitleLayoutInTextAndTabMode) {
    TextPrintMode = 1;
    SetReportColumnTitles("Größe"_oem, "Zeichen", "Einheit", "min", "max");
    Begin(1, 1);
    auto lines = Finish();
    EXPECT_EQ(lines[8], "       " + std::string(70, '*'));  // the middle rule
    const std::string& t = lines[9];
    EXPECT_EQ(t.substr(7, 6),
              "Gr\x94\xE1"
              "e*");
    EXPECT_EQ(t.substr(7 + 34, 7), "Zeichen");
    EXPECT_EQ(t.substr(7 + 43, 7), "Einheit");
    EXPECT_EQ(t.substr(7 + 50, 3), "min");
    EXPECT_EQ(t.substr(7 + 61, 3), "max");
    EXPECT_EQ(t[7 + 69], '*');
    EXPECT_EQ(lines[10], "       " + std::string(70, '*'));
    EXPECT_EQ(lines[11], "       ");
    EXPECT_EQ(ReportLayout, 1);

    ReportTitleLines[1] = "";
    DataFileName = tmp.file("feder");
    Begin(9, 1);
    ReportColumnTitleLine();
    ReportEnd();
    lines = ReportLines(Slurp(tmp.file("feder.txt")));  // in Windows characters
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.back(),
              "Gr\xF6\xDF"
              "e\tZeichen\tEinheit\tmin\tmax");
}

// A tab or HTML report names its file as it is, blanks and all.
TEST_F(ReportHeaderTest, TabAndHtmlReportsNameTheirFileWithItsBlanks) {
    std::filesystem::create_directory(tmp.file("mit leer"));
    DataFileName = tmp.file("mit leer/feder 1");
    Begin(9);
    ReportEnd();
    auto lines = ReportLines(Slurp(tmp.file("mit leer/feder 1.txt")));
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(lines[1], tmp.file("mit leer/feder 1.txt"));

    TempFolder = tmp.file("mit leer");
    HtmlBrowserPath = "/bin/true";
    Begin(7);
    ReportEnd();
    lines = ReportLines(Slurp(RunTemp("kor2.htm")));
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines[0], "<!-- " + RunTemp("kor2.htm") + " -->");
}

TEST_F(ReportHeaderTest, TinyPagesStillEndAndKeepEveryLine) {
    TextPrintMode = 1;
    LinesPerPage = 5;  // shorter than the header itself
    Begin(1);
    for (int k = 1; k <= 20; ++k) ReportLine("Zeile " + std::to_string(k));
    const auto lines = Finish();
    for (int k = 1; k <= 20; ++k)
        EXPECT_NE(std::find(lines.begin(), lines.end(), "       Zeile " + std::to_string(k)),
                  lines.end());
}

class ReportMessagesTest : public test::ReportTestBase {
protected:
    void SetUp() override {
        ReportTestBase::SetUp();
        Put(tmp.file("kor2.err"),
            "Warnung: Federrate zu klein\r\nUrsache A\r\nAbhilfe A\r\n"
            "Fehler : Lange Ursache\r\n" +
                longCause + "\r\nAbhilfe B\r\n");
        ClearErrorList();
        AddErrorMessage("Warnung: Federrate zu klein");
        AddErrorMessage("Warnung: ohne Beschreibung");
        AddErrorMessage("Fehler : Lange Ursache");
    }
    std::string longCause = [] {
        std::string s;
        for (int k = 1; k <= 60; ++k) s += "Wort" + std::to_string(k) + " ";
        return s + "Ende";
    }();
};

TEST_F(ReportMessagesTest, SectionInTextMode) {
    TextPrintMode = 1;
    Begin(8);
    ReportMessagesSection();
    ReportEnd();
    const auto lines = ReportLines(Slurp(RunTemp("OUTDOS.TXT")));
    std::size_t k = 9;
    EXPECT_EQ(lines[k++], "");
    EXPECT_EQ(lines[k++], "       BEMERKUNGEN, WARNUNGEN, FEHLERMELDUNGEN");
    EXPECT_EQ(lines[k++], "       " + std::string(70, '='));
    EXPECT_EQ(lines[k++], "");
    EXPECT_EQ(lines[k++], "       " + std::string(70, '-'));
    EXPECT_EQ(lines[k++], "       Warnung: Federrate zu klein");
    EXPECT_EQ(lines[k++], "       Ursache A");
    EXPECT_EQ(lines[k++], "       Abhilfe A");
    EXPECT_EQ(lines[k++], "       " + std::string(70, '-'));
    EXPECT_EQ(lines[k++], "       Warnung: ohne Beschreibung");
    EXPECT_EQ(lines[k++], "       keine Beschreibung dieser Fehlermeldung vorhanden.");
    EXPECT_EQ(lines[k++], "       " + std::string(70, '-'));  // no remedy line
    EXPECT_EQ(lines[k++], "       Fehler : Lange Ursache");
    // The long cause is wrapped into lines of at most 64 characters, all of it.
    std::string rejoined;
    while (k < lines.size() && lines[k] != "       Abhilfe B") {
        EXPECT_LE(lines[k].size(), 7u + 64u);
        rejoined += lines[k++].substr(7);
    }
    EXPECT_EQ(rejoined, longCause);
}

TEST_F(ReportMessagesTest, TabModeHasOneLinePerMessage) {
    Begin(6);
    ReportMessagesSection();
    ReportEnd();
    const auto lines = ReportLines(Slurp(RunTemp("$$$1.txt")));
    ASSERT_EQ(lines.size(), 6u + 2u + 3u);
    // The report's file is named as the host writes paths, blanks and all.
    EXPECT_EQ(lines[1], RunTemp("$$$1.txt"));
    EXPECT_EQ(lines[7], "BEMERKUNGEN, WARNUNGEN, FEHLERMELDUNGEN");
    EXPECT_EQ(lines[8], "Warnung: Federrate zu klein\tUrsache A\tAbhilfe A");
    EXPECT_EQ(lines[9],
              "Warnung: ohne Beschreibung\tkeine Beschreibung dieser Fehlermeldung vorhanden.\t");
}

TEST_F(ReportMessagesTest, MessageReportOfTheMainWindow) {
    ReportCalcMessages();
    ASSERT_EQ(out.windows, 1);
    EXPECT_EQ(ReportHeader.Line1.str(), "KOR2 V14.5");
    EXPECT_EQ(ReportHeader.Line2.str(), "Error Messages");
    EXPECT_EQ(ReportHeader.Line3.str(), "Berechnungsbeispiel");
    const auto lines = ReportLines(out.shownReport);
    EXPECT_NE(lines[1].find("Bl. 1/ 1"), std::string::npos);
    EXPECT_NE(std::find(lines.begin(), lines.end(), "       Ursache A"), lines.end());

    ClearErrorList();
    ReportCalcMessages();
    EXPECT_EQ(out.windows, 1);
    ASSERT_EQ(ui.Of("message").size(), 1u);
    EXPECT_EQ(ui.Of("message")[0].text, "Berechnung erfolgreich ohne Fehlermeldungen");

    AddErrorMessage("Fatal  : dm <= 0 !");
    CalcErrorFlag = true;
    ui.answers.push_back(ScriptedAnswer::Cancel());
    ReportCalcMessages();
    EXPECT_EQ(out.windows, 1);  // the message window instead of a report
    EXPECT_EQ(ui.Of("radio").size() + ui.Of("list").size(), 1u);
}

}  // namespace
}  // namespace kor2
