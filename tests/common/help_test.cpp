// Tests of the help-text lookup on help files written by the test: file
// choice by number, entry ends, not-found texts, the picture display and
// damaged files.
#include <gtest/gtest.h>

#include "common/globals.h"
#include "common/helptext.h"
#include "common/scriptdialogs.h"
#include "files_testutil.h"
#include "graphics/window/graphwin.h"
#include "support/tempdir.h"

namespace kor2 {
namespace {

using test::Put;
using test::Slurp;

class HelpTest : public ::testing::Test {
protected:
    void SetUp() override {
        InitProgramVariables();
        HelpNumber = 0;
        PltFolder = tmp.path().string();
        GraphClear();
    }
    ScriptedDialogs ui;
    test::TempDir tmp;
};

TEST_F(HelpTest, FileNamesAndLineParsing) {
    EXPECT_EQ(HelpFileName(1210), PltFolder + "\\quorvex.hlp");
    EXPECT_EQ(HelpFileName(4010), PltFolder + "\\kor2.hlp");
    EXPECT_EQ(HelpNotFoundText(1210), "Hilfetext Nr 1210: keine Hilfe vorhanden.");
    int32_t n = 0;
    std::string pic;
    ParseHelpLine("1210:feder", n, pic);
    EXPECT_EQ(n, 1210);
    EXPECT_EQ(pic, "feder");
    ParseHelpLine("1211", n, pic);
    EXPECT_EQ(pic, "NULL");
    ParseHelpLine("  12 text", n, pic);
    EXPECT_EQ(n, 12);
    ParseHelpLine("12a4", n, pic);
    EXPECT_EQ(n, -1);
    ParseHelpLine("", n, pic);
    EXPECT_EQ(n, -1);
}

TEST_F(HelpTest, EntryLinesNumberedContinuationsAndTheNextEntry) {
    Put(tmp.file("quorvex.hlp"),
        "1205\r\nother\r\n"
        "1210:pic\r\nline one\r\nplain two\r\n1212\r\nthree\r\n1215\r\nnext entry\r\nend\r\n");
    const HelpEntry e = LookupHelpEntry(1210);
    EXPECT_EQ(e.lines[1], "line one");
    EXPECT_EQ(e.lines[2], "plain two");
    EXPECT_EQ(e.lines[3], "three");
    EXPECT_EQ(e.lines[4], "");
    EXPECT_EQ(e.lines[5], "");
    EXPECT_EQ(e.picture, "pic");

    // A numbered line with the wrong number is skipped with its text line.
    Put(tmp.file("kor2.hlp"), "4010\nA\n4013\nskipped\nB\n\n");
    const HelpEntry f = LookupHelpEntry(4010);
    EXPECT_EQ(f.lines[1], "A");
    EXPECT_EQ(f.lines[2], "");
    EXPECT_EQ(f.lines[3], "B");
}

TEST_F(HelpTest, NotFoundMissingFileAndTheLastLine) {
    ShowHelpText(1210, 1);
    EXPECT_EQ(ui.Of("message")[0].text.substr(0, 6), "Datei ");
    EXPECT_NE(ui.Of("message")[0].text.find("quorvex.hlp nicht gefunden !"), std::string::npos);

    Put(tmp.file("quorvex.hlp"), "1200\nx\n1210");  // the entry's number is the last line
    AbortFlag = true;
    ShowHelpText(1210, 1);
    EXPECT_FALSE(AbortFlag);
    EXPECT_EQ(ui.Of("message")[1].caption, "HILFETEXT Nr.1210");
    EXPECT_EQ(ui.Of("message")[1].text, "Hilfetext Nr 1210: keine Hilfe vorhanden.     ");

    HelpNumber = 1200;
    std::string text;
    ShowHelpTextAlt(0, text);
    EXPECT_EQ(text, "x    ");
}

TEST_F(HelpTest, PictureModeClearsAndDrawsThePlotFile) {
    Put(tmp.file("quorvex.hlp"), "1210:spring\nSpring\n1215\nx\n1220\nno picture\n1225\n");
    Put(tmp.file("spring.plt"), "IN;SP1;PU0,0;PD400,0,400,400;");
    GraphWindow.MoveTo(0, 0);
    GraphWindow.LineTo(1, 1);
    ShowHelpText(1210, 2);
    EXPECT_TRUE(ui.Of("message").empty());
    EXPECT_EQ(GraphWindow.WorldX2(), 160);
    EXPECT_EQ(GraphWindow.WorldY2(), 120);
    int lines = 0;
    for (const GraphItem& it : GraphWindow.Items()) lines += it.kind == GraphItem::Kind::Line;
    EXPECT_EQ(lines, 2);

    // No ":" on the number line: cleared, nothing drawn.
    ShowHelpText(1220, 0);
    lines = 0;
    for (const GraphItem& it : GraphWindow.Items()) lines += it.kind == GraphItem::Kind::Line;
    EXPECT_EQ(lines, 0);
    EXPECT_EQ(ui.Of("message").size(), 1u);
}

TEST_F(HelpTest, DamagedHelpFilesGiveNotFound) {
    const std::string cases[] = {
        "", std::string(100000, '7'), std::string("\0\x01\xff\r\n1210\0\r\n", 12),
        "1210" + std::string(100000, 'x') + "\n" + std::string(100000, 'y') + "\nz\n"};
    for (const std::string& data : cases) {
        Put(tmp.file("quorvex.hlp"), data);
        const HelpEntry e = LookupHelpEntry(1210);
        EXPECT_TRUE(e.lines[1] == HelpNotFoundText(1210) || e.lines[1].size() == 100000);
    }
    // Binary picture file: draws whatever it can, no crash.
    Put(tmp.file("quorvex.hlp"), "1210:bin\nx\n\n");
    Put(tmp.file("bin.plt"), std::string("\xff\xfe PD\0\0,,;;LB", 13));
    ShowHelpText(1210, 2);
}

}  // namespace
}  // namespace kor2
