// Tests of the report writer: frame styles, paging with form feeds and page
// headers, tab and HTML modes (the HTML checked by a strict parser), and what
// each device does with the finished report.
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <set>

#include "common/filepath.h"
#include "common/textutil.h"
#include "platform/hostfs.h"
#include "platform/oemtext.h"
#include "platform/runtemp.h"
#include "report_testutil.h"
#include "support/asnobody.h"
#include "support/keptfile.h"

namespace kor2 {
namespace {

using test::Put;
using test::ReportLines;
using test::Slurp;
namespace fs = std::filesystem;

class ReportWriterTest : public test::ReportTestBase {};

std::size_t IndexOf(const std::vector<std::string>& lines, const std::string& line,
                    std::size_t from = 0) {
    for (std::size_t k = from; k < lines.size(); ++k)
        if (lines[k] == line) return k;
    return lines.size();
}

TEST_F(ReportWriterTest, FrameStyleOnePagesAtLinesPerPageWithFormFeedAndHeader) {
    TextPrintMode = 1;
    LinesPerPage = 66;
    FormatReportField("Titel", "Zeile 2", "", "", "", 0);
    Begin(1);
    for (int k = 1; k <= 100; ++k) ReportLine("Zeile " + std::to_string(k));
    ReportEnd();
    ASSERT_EQ(out.windows, 1);
    EXPECT_FALSE(out.copied);
    EXPECT_FALSE(fs::exists(RunTemp("$OUT1.TMP")));  // the temporary report is erased
    const auto lines = ReportLines(out.shownReport);
    const std::string stars = "       " + std::string(70, '*');
    EXPECT_EQ(lines[0], stars);
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "\f"), 1);
    const std::size_t ff = IndexOf(lines, "\f");
    ASSERT_LT(ff, lines.size());
    // Nine header lines and 56 text lines fill the page; the 66th line is
    // the first of page 2, after its header and an empty line.
    EXPECT_EQ(ff, 9u + 56u);
    EXPECT_EQ(lines[ff - 1], "       Zeile 56");
    EXPECT_EQ(lines[ff + 1], stars);
    EXPECT_NE(lines[ff + 2].find("Bl. 2"), std::string::npos);
    EXPECT_EQ(lines[ff + 10], "       ");
    EXPECT_EQ(lines[ff + 11], "       Zeile 57");
    EXPECT_EQ(lines.back(), "       Zeile 100");  // no form feed after the last page
    EXPECT_EQ(out.shownOutwin, out.shownReport);  // ASCII only: the copy is the same
}

TEST_F(ReportWriterTest, FrameStyleTwoDrawsBoxLines) {
    TextPrintMode = 2;
    FormatReportField("Titel", "", "", "", "", 0);
    Begin(1);
    ReportValueLine("Federrate", "R", "N/mm", "1.5");
    ReportEnd();
    const auto lines = ReportLines(out.shownReport);
    EXPECT_EQ(lines[0], "       \xC9" + std::string(68, '\xCD') + "\xBB");
    EXPECT_EQ(lines[1][7], '\xBA');
    EXPECT_EQ(lines[4], "       \xCC" + std::string(68, '\xCD') + "\xB9");
    EXPECT_EQ(lines[8], "       \xC8" + std::string(68, '\xCD') + "\xBC");
    EXPECT_EQ(lines.back(), "       " + std::string(70, '\xC4'));
    // The Windows copy shows the box lines with look-alikes, never the DOS bytes.
    EXPECT_EQ(out.shownOutwin.find('\xC4'), std::string::npos);
}

TEST_F(ReportWriterTest, ValueLineColumnsAndBlankRulesOfStyleThree) {
    TextPrintMode = 3;
    Begin(8);
    ReportValueLine("Federrate", "R", "N/mm", "1.5");
    ReportValueLine2("Kraft", "F", "N", "10", "20");
    ReportEnd();
    const auto lines = ReportLines(Slurp(RunTemp("OUTDOS.TXT")));
    const std::size_t v =
        IndexOf(lines, "       Federrate" + std::string(25, ' ') + "R" + std::string(8, ' ') +
                           "N/mm" + std::string(8, ' ') + "1.5" + std::string(14, ' '));
    ASSERT_LT(v, lines.size());
    EXPECT_EQ(lines[v + 1], "       " + std::string(70, ' '));
    const std::string& two = lines[v + 2];
    EXPECT_EQ(two.substr(7 + 34, 1), "F");
    EXPECT_EQ(two.substr(7 + 43, 1), "N");
    EXPECT_EQ(two.substr(7 + 50, 2), "10");
    EXPECT_EQ(two.substr(7 + 61, 2), "20");
    EXPECT_EQ(two.size(), 7u + 72u);
    EXPECT_TRUE(fs::exists(RunTemp("outwin.txt")));
}

TEST_F(ReportWriterTest, FrameStyleFourHasNoRulesAndEndsWithFormFeed) {
    TextPrintMode = 4;
    Begin(1);
    ReportValueLine("Federrate", "R", "N/mm", "1.5");
    ReportLine(RuleLine());
    ReportLine("Ende");
    ReportEnd();
    const auto lines = ReportLines(out.shownReport);
    for (const std::string& l : lines) {
        EXPECT_EQ(l.find("$!$"), std::string::npos);
        EXPECT_EQ(l.find("----"), std::string::npos);
        EXPECT_EQ(l.find('*'), std::string::npos);
    }
    EXPECT_EQ(lines.front(), "       ");  // the empty line before the header
    const std::size_t v = IndexOf(lines, "       Ende");
    ASSERT_LT(v, lines.size());
    EXPECT_NE(lines[v - 1].find("Federrate"), std::string::npos);  // no rule between
    EXPECT_EQ(out.shownReport.back(), '\f');
}

TEST_F(ReportWriterTest, TabModeWritesTabsAndConvertsTheCopy) {
    DecimalSepOption = 2;
    TabFileCount = 4;
    Begin(6);
    EXPECT_EQ(ReportFileName, RunTempFolder() + "$$$5.txt");
    ReportLine(RuleLine());
    ReportLine(DoubleRuleLine());
    ReportValueLine("Prüfung"_oem, "L", "mm", "12.5");
    ReportValueLine2("Kraft", "F", "N", "1.5", "2.25");
    ReportPageHeader(0, 0);  // later pages have no header in tab mode
    ReportEnd();
    EXPECT_EQ(TabFileCount, 5);
    const auto lines = ReportLines(Slurp(RunTemp("$$$5.txt")));
    ASSERT_EQ(lines.size(), 8u);
    EXPECT_EQ(lines[0], "KOR2     Zugfederberechnung V14.5\t04.03.2026\t13:05");
    EXPECT_EQ(lines[1], RunTemp("$$$5.txt"));  // as the host writes it, blanks and all
    EXPECT_EQ(lines[2], "Berechnungsbeispiel");
    EXPECT_EQ(lines[4], "");
    EXPECT_EQ(lines[5], " ");
    EXPECT_EQ(lines[6],
              "Pr\x81"
              "fung\tL\tmm\t12,5");  // code page 850 in the report
    const std::string copy = Slurp(RunTemp("$$5.txt"));
    EXPECT_NE(copy.find("Pr\xFC"
                        "fung\tL\tmm\t12,5\r\nKraft\tF\tN\t1,5\t2,25\r\n"),
              std::string::npos);
}

// A strict check of the HTML: every element but the void ones closed in
// order, no bare "<" or "&" in the text.
constexpr const char* kHtmlCheck = R"PY(
import sys
from html.parser import HTMLParser
VOID = {'br', 'hr', 'meta', 'img', 'link', 'input'}
class Check(HTMLParser):
    def __init__(self):
        super().__init__(convert_charrefs=False)
        self.stack, self.errors = [], []
    def handle_starttag(self, tag, attrs):
        if tag not in VOID:
            self.stack.append(tag)
    def handle_endtag(self, tag):
        if tag in VOID:
            return
        if not self.stack or self.stack[-1] != tag:
            self.errors.append('unexpected </%s> with %s open' % (tag, self.stack))
        else:
            self.stack.pop()
    def handle_data(self, data):
        if '<' in data or '&' in data:
            self.errors.append('bare markup character in %r' % data)
c = Check()
c.feed(open(sys.argv[1], encoding='cp1252').read())
c.close()
if c.stack:
    c.errors.append('unclosed %s' % c.stack)
if c.errors:
    print('\n'.join(c.errors))
sys.exit(1 if c.errors else 0)
)PY";

TEST_F(ReportWriterTest, HtmlModeTablesAndWellFormedPage) {
    HtmlBrowserPath = "/bin/true";
    FormatReportField("", "Feder <A> & B", "Zeile 3", "", "", 0);
    ClearErrorList();
    AddErrorMessage("Fatal  : dm <= 0 !");
    Begin(7);
    EXPECT_EQ(ReportFileName, RunTempFolder() + "kor2.htm");
    ReportLine("Text vor der Tabelle");
    ReportValueLine("Federrate", "R", "N/mm", "1.5");
    ReportValueLine("Länge"_oem, "L", "mm", "20");
    ReportLine("Fs < Fn & mehr");
    ReportValueLine2("Kraft", "F", "N", "1", "2");
    ReportMessagesSection();
    ReportWrappedText(std::string(200, 'w'));
    ReportEnd();
    EXPECT_TRUE(ui.Of("message").empty());
    EXPECT_EQ(DataFileExt.str(), "kr2");

    const std::string html = Slurp(RunTemp("kor2.htm"));
    const auto lines = ReportLines(html);
    const std::size_t table = IndexOf(lines, "<TABLE BORDER = \"2\" WIDTH= \"100%\">");
    ASSERT_LT(table, lines.size());
    EXPECT_EQ(lines[table - 1], "<br>Text vor der Tabelle");
    EXPECT_EQ(
        lines[table + 1],
        "<TR><TD>Federrate</TD><TD>R</TD><TD>N/mm</TD><TD><DIV ALIGN=RIGHT>1.5</DIV></TD></TR>");
    EXPECT_EQ(lines[table + 2].substr(0, 13), "<TR><TD>L\xE4nge");  // Windows characters
    EXPECT_EQ(lines[table + 3], "</TABLE>");
    EXPECT_EQ(lines[table + 4], "<br>Fs &lt; Fn &amp; mehr");
    EXPECT_EQ(lines[table + 6].substr(0, 16), "<TR><TD><CENTER>");  // column titles
    EXPECT_NE(html.find("<h5>Feder &lt;A&gt; &amp; B</h5>"), std::string::npos);
    EXPECT_NE(html.find("<TR><TD>Fatal  : dm &lt;= 0 !</TD></TR>"), std::string::npos);
    EXPECT_EQ(lines.back(), "</HTML>");

    const std::string script = Temp("check_html.py");
    Put(script, kHtmlCheck);
    const int rc = platform::RunProgram("python3", {script, RunTemp("kor2.htm")});
    if (rc == -1) GTEST_SKIP() << "python3 is not installed: the HTML parser check is skipped";
    EXPECT_EQ(rc, 0) << html;
}

TEST_F(ReportWriterTest, DeviceListOnlyChangesNothingButTheNames) {
    ReportDevice = 5;
    ReportLineCount = 3;
    ReportFileName = "keep";
    ReportBegin(kDeviceListOnly, "");
    EXPECT_EQ(TextLines[1].str(), "Bildschirm");
    EXPECT_EQ(TextLines[7].str(), "HTML File (Netscape, Internet Explorer ...)");
    EXPECT_EQ(ReportDevice, 5);
    EXPECT_EQ(ReportLineCount, 3);
    EXPECT_EQ(ReportFileName, "keep");
    EXPECT_TRUE(ui.events.empty());
}

TEST_F(ReportWriterTest, NoReportOverAnEarlierFile) {
    // The shared file was last used for another file; an unknown device
    // and a temporary folder that cannot take the report leave it alone.
    Put(Temp("kor2.cfg"), "config");
    SharedTextFile.Assign(Temp("kor2.cfg"));
    ReportBegin(12, "");
    EXPECT_FALSE(SharedTextFile.Rewrite());
    EXPECT_EQ(Slurp(Temp("kor2.cfg")), "config");

    // Without a folder of its own in the temporary folder the run ends.
    ReportFileName = Temp("kor2.cfg");
    TempFolder = Temp("missing");
    EXPECT_EXIT(ReportBegin(1, ""), ::testing::ExitedWithCode(1), "");
    EXPECT_EQ(Slurp(Temp("kor2.cfg")), "config");
}

TEST_F(ReportWriterTest, AskedDeviceAndCancel) {
    AskTextDevice = true;
    TextDevice = 8;
    ui.answers.push_back(ScriptedAnswer::Cancel());
    ReportBegin(0, "");
    EXPECT_TRUE(AbortFlag);
    ASSERT_EQ(ui.Of("list").size() + ui.Of("radio").size(), 1u);

    AbortFlag = false;
    ui.answers.push_back(ScriptedAnswer::Choose(1));  // "Bildschirm"
    ReportBegin(0, "");
    EXPECT_FALSE(AbortFlag);
    EXPECT_EQ(ReportDevice, 1);
}

TEST_F(ReportWriterTest, FileDeviceKeepsTheSpringNameAndFolder) {
    fs::create_directory(Temp("out"));
    DataFileName = "feder1";
    const std::string springFolder = DataFolder;
    // The dialog answers with a path text of the program ("\" separators).
    std::string folder = Temp("out");
    std::replace(folder.begin(), folder.end(), '/', '\\');
    ui.answers.push_back(ScriptedAnswer::Type(folder + "\\bericht.txt"));
    ReportBegin(3, "");
    ASSERT_FALSE(AbortFlag);
    EXPECT_EQ(DataFileName, "feder1");
    EXPECT_EQ(DataFileExt.str(), "kr2");
    EXPECT_EQ(DataFolder, springFolder);  // the report's folder is not the spring's
    EXPECT_EQ(ReportFileName, folder + "\\bericht.txt");
    ASSERT_TRUE(SharedTextFile.Rewrite());
    ReportLine("Inhalt");
    ReportEnd();
    EXPECT_EQ(Slurp(Temp("out/bericht.txt")), "       Inhalt\r\n");
    ASSERT_EQ(ui.Of("message").size(), 1u);
    EXPECT_EQ(ui.Of("message")[0].text,
              Temp("out/bericht.txt") + " und Windows-Datei outwin.txt wurden angelegt..");
    EXPECT_TRUE(fs::exists(RunTemp("outwin.txt")));
}

TEST_F(ReportWriterTest, WindowsPrinterDeviceHandsTheLinesToThePrinter) {
    TextPrintMode = 1;
    LinesPerPage = 20;
    Begin(4);
    for (int k = 1; k <= 30; ++k) ReportLine("Zeile " + std::to_string(k));
    ReportEnd();
    EXPECT_EQ(out.printedPages, 3);
    EXPECT_EQ(std::count(out.printedLines.begin(), out.printedLines.end(), "\f"), 2);
    EXPECT_FALSE(fs::exists(platform::HostPath(out.printedFile)));
}

TEST_F(ReportWriterTest, TextProgramDevice) {
    TextProgramPath = Temp("kein.exe");
    Begin(5);
    ReportLine("x");
    ReportEnd();
    ASSERT_EQ(ui.Of("message").size(), 1u);
    EXPECT_EQ(ui.Of("message")[0].text, TextProgramPath + " not found");

    ui.events.clear();
    TextProgramPath = "/bin/true";
    Begin(5);
    ReportLine("x");
    ReportEnd();
    EXPECT_TRUE(ui.Of("message").empty());
    const std::string shown = Slurp(RunTemp("outwin.txt"));
    EXPECT_EQ(shown.substr(shown.size() - 10), "       x\r\n");
}

TEST_F(ReportWriterTest, CommandLineDeviceCopiesToTheDataFile) {
    DataFileName = Temp("feder");
    Begin(9);
    ReportLine("Größe"_oem);
    ReportEnd();
    EXPECT_EQ(TabFileCount, 1);
    EXPECT_NE(Slurp(Temp("feder.txt"))
                  .find("Gr\xF6\xDF"
                        "e\r\n"),
              std::string::npos);
    // The writer's own tab file is erased once the copy is made.
    EXPECT_FALSE(platform::FileExists(RunTemp("$$$1.txt")));
}

TEST_F(ReportWriterTest, HtmlReportOpensInTheHostViewerWhereTheBrowserIsMissing) {
    const auto saved = platform::GetEnv("KOR2_NOTEPAD");
    HtmlBrowserPath = "c:\\Programme\\Internet Explorer\\Iexplore.exe";
    platform::SetEnv("KOR2_NOTEPAD", "/bin/true");
    Begin(7);
    ReportLine("x");
    ReportEnd();
    EXPECT_TRUE(ui.Of("message").empty());

    // A viewer that cannot be started is named in the error.
    platform::SetEnv("KOR2_NOTEPAD", tmp.file("no-viewer"));
    platform::EraseFile(RunTemp("kor2.htm"));  // no overwrite question
    Begin(7);
    ReportLine("x");
    ReportEnd();
    // An opener that finds no viewer ends with a failure: the user learns
    // where the file is.
    platform::SetEnv("KOR2_NOTEPAD", "/bin/false");
    platform::EraseFile(RunTemp("kor2.htm"));
    Begin(7);
    ReportLine("x");
    ReportEnd();
    // No viewer configured and no opener on the search path: the same.
    unsetenv("KOR2_NOTEPAD");
    const auto path = platform::GetEnv("PATH");
    platform::SetEnv("PATH", tmp.path().string());
    platform::EraseFile(RunTemp("kor2.htm"));
    Begin(7);
    ReportLine("x");
    ReportEnd();
    platform::SetEnv("PATH", path.value_or("/usr/bin:/bin"));
    if (saved) platform::SetEnv("KOR2_NOTEPAD", *saved);
    ASSERT_EQ(ui.Of("message").size(), 3u);
    const std::string said = "Kein Programm zum Anzeigen gestartet (";
    EXPECT_EQ(
        ui.Of("message")[0].text.rfind(said + tmp.file("no-viewer") + "): die Datei steht in ", 0),
        0u);
    EXPECT_EQ(ui.Of("message")[1].text.rfind(said + "/bin/false): die Datei steht in ", 0), 0u);
    EXPECT_EQ(ui.Of("message")[2].text.rfind(said + "xdg-open): die Datei steht in ", 0), 0u);
    // Each names a copy of the report that stays when the run's folder goes.
    const std::string report = Slurp(RunTemp("kor2.htm"));
    const std::string runFolder = std::filesystem::path(RunTemp("kor2.htm")).parent_path();
    std::set<std::string> named;
    for (const ScriptedEvent& m : ui.Of("message")) named.insert(test::PlaceNamed(m.text));
    EXPECT_EQ(named.size(), 3u);
    platform::SetHandOverGrace(0);
    platform::EndPrivateTempFolders();
    platform::SetHandOverGrace(10);
    EXPECT_FALSE(std::filesystem::exists(runFolder));
    for (const std::string& file : named) test::ExpectKeptForTheUser(file, runFolder, report);
}

class ReportPrinterPortTest : public test::ReportTestBase {
protected:
    void SetUp() override {
        ReportTestBase::SetUp();
        saved = platform::GetCurrentDir();
        platform::SetCurrentDir(tmp.path().string());
    }
    void TearDown() override {
        platform::SetCurrentDir(saved);
        unsetenv("KOR2_LPT1");
        ReportTestBase::TearDown();
    }
    void PrintOneLine(const std::string& text) {
        ui.answers.push_back(ScriptedAnswer::Button(YesNoCancel::No));  // no pause
        Begin(2);
        ReportLine(text);
        ReportEnd();
    }
    std::string saved;
};

TEST_F(ReportPrinterPortTest, DeviceFromTheEnvironmentCollectsReportsAfterSetUpCodes) {
    TextPrintMode = 4;
    Put(Temp("TEXT.HXP"), "\x1B@");
    setenv("KOR2_LPT1", Temp("lpt1.out").c_str(), 1);
    PrintOneLine("eins");
    PrintOneLine("zwei");
    const std::string sent = Slurp(Temp("lpt1.out"));
    EXPECT_EQ(sent.rfind("\x1B@", 0), 0u);
    EXPECT_NE(sent.find("       eins\r\n\f\x1B@"), std::string::npos);  // form feed, next job
    EXPECT_EQ(sent.back(), '\f');
    EXPECT_TRUE(ui.Of("message").empty());
    EXPECT_FALSE(fs::exists(RunTemp("$LPT1.TMP")));
}

// Set-up codes come only from the user's own file: a link another account put
// at TEXT.HXP in a folder both may write (to root's private file) and a pipe it
// made there are not read, and the print never waits on the pipe; a link of
// the user's own is followed. Each print runs in a child the test waits for.
TEST_F(ReportPrinterPortTest, SetUpCodesComeOnlyFromTheUsersOwnFile) {
    TextPrintMode = 4;
    fs::permissions(tmp.path(), fs::perms::all);
    const std::string codes = "\x1B@", secret = Temp("secret.txt"), own = Temp("codes.txt");
    Put(secret, "GEHEIM");
    fs::permissions(secret, fs::perms::owner_read | fs::perms::owner_write);
    Put(own, codes);
    const std::string setUp = Temp("TEXT.HXP"), port = Temp("lpt1.out");
    setenv("KOR2_LPT1", port.c_str(), 1);
    const auto print = [&] {
        fs::remove(port);
        const int code = test::RunForkedWithin(std::chrono::seconds(30), [&] {
            PrintOneLine("eins");
            EXPECT_FALSE(AbortFlag);
        });
        EXPECT_NE(code, test::kStillRunning) << "the print waited on " << setUp;
        EXPECT_EQ(code, 0);
        return Slurp(port);
    };
    const std::string plain = print();
    ASSERT_NE(plain.find("       eins"), std::string::npos) << plain;

    const struct {
        const char* what;
        bool byAnotherAccount;
        std::function<int()> plant;
        std::string sent;
    } cases[] = {
        {"another account's link to a private file", true,
         [&] { return symlink(secret.c_str(), setUp.c_str()); }, plain},
        {"another account's pipe", true, [&] { return mkfifo(setUp.c_str(), 0666); }, plain},
        {"the user's own link", false, [&] { return symlink(own.c_str(), setUp.c_str()); },
         codes + plain},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        fs::remove(setUp);
        if (c.byAnotherAccount)
            test::RunAsNobody({}, [&] { ASSERT_EQ(c.plant(), 0); });
        else
            ASSERT_EQ(c.plant(), 0);
        EXPECT_EQ(print(), c.sent);
    }
}

TEST_F(ReportPrinterPortTest, CommandFromTheEnvironmentGetsTheReportFile) {
    fs::create_directory(Temp("spool folder"));
    // A path with blanks is one word in double quotes.
    setenv("KOR2_LPT1", ("|cp -t \"" + Temp("spool folder") + "\"").c_str(), 1);
    PrintOneLine("drei");
    EXPECT_TRUE(ui.Of("message").empty());
    ASSERT_EQ(std::distance(fs::directory_iterator(Temp("spool folder")), fs::directory_iterator()),
              1);
    const auto copied = *fs::directory_iterator(Temp("spool folder"));
    EXPECT_NE(Slurp(copied.path().string()).find("       drei"), std::string::npos);
}

TEST_F(ReportPrinterPortTest, UnconfiguredPortAndRefusedPaper) {
    unsetenv("KOR2_LPT1");
    PrintOneLine("vier");
    ASSERT_EQ(ui.Of("message").size(), 1u);
    EXPECT_EQ(ui.Of("message")[0].text, "LPT1 not found (KOR2_LPT1)");

    ui.events.clear();
    AbortFlag = false;
    ui.answers.push_back(ScriptedAnswer::Button(YesNoCancel::Yes));  // pause after each page
    ui.answers.push_back(ScriptedAnswer::Button(YesNoCancel::No));   // no paper
    ReportBegin(2, "");
    ASSERT_TRUE(ReportPause);
    ASSERT_TRUE(SharedTextFile.Rewrite());
    ReportPageHeader(1, 0);
    EXPECT_TRUE(AbortFlag);
    EXPECT_EQ(ReportPageCount, 0);
    ReportEnd();
    EXPECT_EQ(ui.Of("yesno").back().text, "Blatt in Drucker einlegen.  Fortfahren ?");
}

}  // namespace
}  // namespace kor2
