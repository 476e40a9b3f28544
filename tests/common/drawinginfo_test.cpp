// Tests of the change-history and linked-documents sections: their exact
// lines, the limits of 25 changes and 5 documents, line breaks and field
// separators inside texts, and reading them back.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "app/hostfile.h"
#include "common/drawinginfo.h"
#include "common/fileio.h"
#include "common/globals.h"
#include "common/linesource.h"
#include "common/scriptdialogs.h"
#include "common/textfile.h"
#include "platform/oemtext.h"
#include "spring/check.h"
#include "spring/examplespring.h"
#include "spring/springfile.h"
#include "support/tempdir.h"

namespace kor2 {
namespace {

class DrawingInfoTest : public ::testing::Test {
protected:
    void SetUp() override {
        InitProgramVariables();
        ResetDrawingInfo();
    }
    void TearDown() override {
        SharedTextFile.Discard();
        ResetDrawingInfo();
    }
    // The lines both sections write for CurrentDrawingInfo.
    std::vector<std::string> WriteSections() {
        const std::string path = tmp.file("s.txt");
        SharedTextFile.Assign(path);
        EXPECT_TRUE(SharedTextFile.Rewrite());
        WriteChangesSection();
        WriteDocumentsSection();
        EXPECT_TRUE(SharedTextFile.Close());
        LineSource in;
        EXPECT_TRUE(in.Load(path));
        std::vector<std::string> lines;
        while (!in.AtEnd()) lines.push_back(in.Next());
        return lines;
    }
    test::TempDir tmp;
};

TEST_F(DrawingInfoTest, SectionsWriteTheirLinesInOrder) {
    DrawingInfo& info = CurrentDrawingInfo;
    info.Changes = {{"Index a", "05.06.2007", "Meier", "Zeile 1\r\nZeile 2"}};
    info.TitleBlock = {"1.1.08",  "Prüfer"_oem, "2.2.08",   "Normer", "3.3.08",
                       "Vierter", "4.4.08",     "Zeichner", "Z-1",    "Z-3"};
    info.Texts = {{12.5L, 100.25L, 2.5L, -90, "frei"}};
    info.Documents[1] = {"prog.exe", "datei.doc"};
    const std::vector<std::string> expected = {"ÄNDERUNGEN"_oem,
                                               "1",
                                               std::string(20, '-'),
                                               "Index a",
                                               "05.06.2007",
                                               "Meier",
                                               "Zeile 1|Zeile 2",
                                               std::string(14, '-'),
                                               "1.1.08|Prüfer|2.2.08|Normer|3.3.08|Vierter|1||"_oem,
                                               "4.4.08",
                                               "Z-1",
                                               "Z-3",
                                               "Zeichner",
                                               "12.5|100.25|2.5|-90|frei||",
                                               "Dokumente",
                                               "5",
                                               std::string(20, '-'),
                                               "",
                                               "",
                                               std::string(14, '-'),
                                               "prog.exe",
                                               "datei.doc",
                                               std::string(14, '-'),
                                               "",
                                               "",
                                               std::string(14, '-'),
                                               "",
                                               "",
                                               std::string(14, '-'),
                                               "",
                                               "",
                                               std::string(14, '-')};
    EXPECT_EQ(WriteSections(), expected);
    // The description keeps the replacement in memory.
    EXPECT_EQ(info.Changes[0].Description, "Zeile 1|Zeile 2");
}

TEST_F(DrawingInfoTest, ReadsBackWhatItWrote) {
    DrawingInfo& info = CurrentDrawingInfo;
    for (int k = 0; k < 30; ++k)
        info.Changes.push_back({"c" + std::to_string(k), "d", "e", "line\nbreak"});
    info.TitleBlock.CheckedName = "A|B\r\nC";  // a separator and a break inside a field
    info.TitleBlock.Replaces = "x\ry";
    for (int k = 0; k < 60; ++k)
        info.Texts.push_back({Extended(k), 1, 2, 3, "t|" + std::to_string(k)});
    info.Documents[4] = {"p", "f"};

    const std::vector<std::string> lines = WriteSections();
    EXPECT_EQ(lines[1], "25");
    EXPECT_EQ(lines.size(), 3 + 25 * 5 + 5 + 50 + 18u);
    LineSource in(lines);
    DrawingInfo back;
    ASSERT_TRUE(ReadChangesSection(in, back));
    ASSERT_TRUE(ReadDocumentsSection(in, back));
    EXPECT_TRUE(in.AtEnd());
    ASSERT_EQ(back.Changes.size(), 25u);
    EXPECT_EQ(back.Changes[24].ChangeText, "c24");
    EXPECT_EQ(back.Changes[24].Description, "line|break");
    EXPECT_EQ(back.TitleBlock.CheckedName, "A¦B¦C"_oem);
    EXPECT_EQ(back.TitleBlock.CheckedDate, "");
    EXPECT_EQ(back.TitleBlock.Replaces, "x|y");
    ASSERT_EQ(back.Texts.size(), 50u);
    EXPECT_EQ(back.Texts[49].X, 49);
    EXPECT_EQ(back.Texts[49].Text, "t¦49"_oem);
    EXPECT_TRUE(back.Documents[4] == info.Documents[4]);
}

TEST_F(DrawingInfoTest, DamagedSectionsAreRefused) {
    CurrentDrawingInfo.Changes = {{"a", "b", "c", "d"}};
    CurrentDrawingInfo.Texts = {{1, 2, 3, 4, "t"}};
    const std::vector<std::string> good = WriteSections();
    auto changesOk = [](std::vector<std::string> lines) {
        LineSource in(std::move(lines));
        DrawingInfo d;
        return ReadChangesSection(in, d) && ReadDocumentsSection(in, d);
    };
    ASSERT_TRUE(changesOk(good));
    const struct {
        std::size_t line;
        std::string text;
    } damage[] = {{0, "AENDERUNGEN"}, {1, "26"},         {1, "-1"},          {1, "2"},  {2, "---"},
                  {7, "x"},           {8, "||||||51||"}, {14, "Dokumente "}, {15, "6"}, {19, "x"}};
    for (const auto& d : damage) {
        std::vector<std::string> lines = good;
        lines[d.line] = d.text;
        EXPECT_EQ(changesOk(lines), d.text == "Dokumente ") << d.line << ": " << d.text;
    }
    std::vector<std::string> cut(good.begin(), good.end() - 1);
    EXPECT_FALSE(changesOk(cut));
}

// The whole spring file, with free drawing texts of four significant digits:
// the display precision must not change a byte of it.
TEST_F(DrawingInfoTest, SpringFileIsTheSameAtEveryDisplayPrecision) {
    ScriptedDialogs dialogs;  // no question may reach a real dialog
    test::SetUpExampleSpring();
    TempFolder = DataFolder = tmp.path().string();
    CurrentDrawingInfo.Texts = {{12.34L, 56.78L, 2.35L, 7.85L, "frei"},
                                {0.004L, -1.0L / 3, 100, 0, "klein"}};
    CheckSpring();
    const auto write = [&](const std::string& name) {
        AbortFlag = false;
        WriteSpringFile(tmp.file(name));
        EXPECT_FALSE(AbortFlag) << name;
        return test::ReadHostFile(tmp.file(name));
    };
    std::string first;
    for (int32_t precision = 1; precision <= 9; ++precision) {
        PrecisionOption = precision;
        const std::string bytes = write("p" + std::to_string(precision) + ".kr2");
        if (precision == 1) first = bytes;
        EXPECT_EQ(bytes, first) << "precision " << precision;
        EXPECT_EQ(PrecisionOption, precision);
    }
    EXPECT_NE(first.find("\r\n12.34|56.78|2.35|7.85|frei||\r\n"), std::string::npos);
    EXPECT_NE(first.find("\r\n0.004|-0.3333333|100|0|klein||\r\n"), std::string::npos);

    // Reading the file and writing it again gives the same bytes.
    for (int32_t precision : {1, 2, 9}) {
        PrecisionOption = precision;
        AbortFlag = false;
        ASSERT_TRUE(ReadSpringFileValues(tmp.file("p1.kr2")));
        EXPECT_EQ(CurrentDrawingInfo.Texts[0].Angle, 7.85L);
        EXPECT_EQ(write("again.kr2"), first) << "precision " << precision;
        std::remove(tmp.file("again.kr2").c_str());
    }
}

}  // namespace
}  // namespace kor2
