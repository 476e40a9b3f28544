// Tests of the text-output services: the Windows-character copy of a
// report, the pages and sheets of a printed text file, font style numbers
// and the checks of PrintTextFile before it reaches the printer.
#include "platform/oemtext.h"
#include "report_testutil.h"

namespace kor2 {
namespace {

using test::Put;
using test::Slurp;

const std::vector<std::string> kFivePages = {
    "p1 a", "p1 b", "\f",   "p2 a", "p2 b", "\frest of the feed line",
    "p3 a", "\f",   "p4 a", "\f",   "p5 a"};

TEST(ReportTextOut, PagesAndSheetsOfAPrintedFile) {
    EXPECT_EQ(CountTextPages(kFivePages), 5);
    EXPECT_EQ(CountTextPages({}), 1);
    EXPECT_EQ(CountTextPages({"a", "\f"}), 1);  // a report that ends with a form feed
    EXPECT_EQ(CountTextPages({"a"}), 1);

    const auto sheets = PlanPrintedSheets(kFivePages, 2, 3, 66);
    ASSERT_EQ(sheets.size(), 2u);
    EXPECT_EQ(sheets[0], (std::vector<std::string>{"p2 a", "p2 b"}));
    EXPECT_EQ(sheets[1], (std::vector<std::string>{"p3 a"}));  // nothing of the feed line

    const auto all = PlanPrintedSheets(kFivePages, 1, 5, 66);
    ASSERT_EQ(all.size(), 5u);
    EXPECT_EQ(all[4], (std::vector<std::string>{"p5 a"}));

    // A page longer than the sheet goes on over the next sheet.
    const auto longPage = PlanPrintedSheets({"1", "2", "3", "4", "5", "6", "7"}, 1, 1, 3);
    ASSERT_EQ(longPage.size(), 3u);
    EXPECT_EQ(longPage[2], (std::vector<std::string>{"7"}));

    const auto converted = PlanPrintedSheets({"Maß"_oem}, 1, 1, 66);
    EXPECT_EQ(converted[0][0], "Ma\xDF");
}

TEST(ReportTextOut, FontStyleNumbers) {
    for (int n = 0; n <= 15; ++n) {
        TFontStyles style;
        IntToFontStyle(n, style);
        EXPECT_EQ(FontStyleToInt(style), n);
    }
    TFontStyles style;
    IntToFontStyle(5, style);
    EXPECT_TRUE(style.fsBold && style.fsUnderline && !style.fsItalic && !style.fsStrikeOut);
    IntToFontStyle(16, style);
    IntToFontStyle(-1, style);
    EXPECT_EQ(FontStyleToInt(style), 5);
}

class ReportCopyTest : public test::ReportTestBase {};

TEST_F(ReportCopyTest, CopyConvertsEveryLineWhateverItsLength) {
    const std::string longLine = std::string(150, 'x') + "ü"_oem + std::string(150, 'y');
    Put(Temp("dos.txt"), "Prüfung"_oem + std::string("\r\n") + longLine + "\r\n");
    CopyOemFileToAnsi(Temp("dos.txt"), Temp("win.txt"));
    EXPECT_FALSE(AbortFlag);
    EXPECT_EQ(Slurp(Temp("dos.txt")).substr(0, 4),
              "Pr\x81"
              "f");
    EXPECT_EQ(Slurp(Temp("win.txt")),
              "Pr\xFC"
              "fung\r\n" +
                  std::string(150, 'x') + "\xFC" + std::string(150, 'y') + "\r\n");
}

TEST_F(ReportCopyTest, FailedCopyKeepsTheTarget) {
    Put(Temp("win.txt"), "old");
    CopyOemFileToAnsi(Temp("missing.txt"), Temp("win.txt"));
    EXPECT_TRUE(AbortFlag);
    EXPECT_EQ(Slurp(Temp("win.txt")), "old");

    AbortFlag = false;
    Put(Temp("dos.txt"), "a\r\n");
    CopyOemFileToAnsi(Temp("dos.txt"), Temp("no/such/folder/win.txt"));
    EXPECT_TRUE(AbortFlag);
}

TEST_F(ReportCopyTest, PrintTextFileChecksBeforePrinting) {
    PrintTextFile(Temp("missing.txt"));
    ASSERT_EQ(ui.Of("message").size(), 1u);
    EXPECT_EQ(ui.Of("message")[0].text, Temp("missing.txt") + " not found !");
    EXPECT_EQ(out.printedPages, -1);

    Put(Temp("r.txt"), "a\r\n\f\r\nb\r\n");
    AbortFlag = true;
    PrintTextFile(Temp("r.txt"));
    EXPECT_EQ(out.printedPages, -1);

    AbortFlag = false;
    PrintTextFile(Temp("r.txt"));
    EXPECT_EQ(out.printedPages, 2);
    EXPECT_EQ(out.printedLines, (std::vector<std::string>{"a", "\f", "b"}));
}

}  // namespace
}  // namespace kor2
