// Tests of the CAD output: the DXF and IGES files checked structurally, the
// CAD-code text file, the screen's display list, the mode question, the file
// question and the plot output's failure.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "common/config.h"
#include "common/globals.h"
#include "common/scriptdialogs.h"
#include "graphics/cadout.h"
#include "graphics/cadtext.h"
#include "graphics/cadwriter.h"
#include "graphics/window/graphwin.h"
#include "platform/hostfs.h"
#include "platform/oemtext.h"
#include "support/runtempfile.h"
#include "support/tempdir.h"

namespace kor2 {
namespace {

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> out;
    std::size_t pos = 0;
    while (pos < text.size()) {
        const std::size_t e = text.find("\r\n", pos);
        EXPECT_NE(e, std::string::npos) << "line without CR LF at " << pos;
        if (e == std::string::npos) break;
        out.push_back(text.substr(pos, e - pos));
        pos = e + 2;
    }
    return out;
}

std::string ReadFile(const std::string& path) {
    auto data = platform::ReadWholeFile(path);
    EXPECT_TRUE(data.has_value()) << path;
    return data.value_or("");
}

struct Group {
    int code;
    std::string value;
};

// The DXF as (code, value) pairs; fails on an odd line count or a code
// line that is not a number.
std::vector<Group> DxfGroups(const std::string& text) {
    const std::vector<std::string> lines = Lines(text);
    EXPECT_EQ(lines.size() % 2, 0u);
    std::vector<Group> g;
    for (std::size_t i = 0; i + 1 < lines.size(); i += 2) {
        std::size_t used = 0;
        int code = -1;
        try {
            code = std::stoi(lines[i], &used);
        } catch (...) {
            ADD_FAILURE() << "bad group code line " << i << ": '" << lines[i] << "'";
        }
        g.push_back({code, lines[i + 1]});
    }
    return g;
}

// The sections in order, checking SECTION/ENDSEC and TABLE/ENDTAB pairs and
// the final EOF.
std::vector<std::string> DxfSections(const std::vector<Group>& g) {
    std::vector<std::string> names;
    bool inSection = false, inTable = false;
    for (std::size_t i = 0; i < g.size(); ++i) {
        if (g[i].code != 0) continue;
        if (g[i].value == "SECTION") {
            EXPECT_FALSE(inSection);
            inSection = true;
            EXPECT_EQ(g[i + 1].code, 2);
            names.push_back(g[i + 1].value);
        } else if (g[i].value == "ENDSEC") {
            EXPECT_TRUE(inSection);
            EXPECT_FALSE(inTable);
            inSection = false;
        } else if (g[i].value == "TABLE") {
            EXPECT_FALSE(inTable);
            inTable = true;
        } else if (g[i].value == "ENDTAB") {
            EXPECT_TRUE(inTable);
            inTable = false;
        } else if (g[i].value == "EOF") {
            EXPECT_EQ(i, g.size() - 1);
        }
    }
    EXPECT_FALSE(inSection);
    EXPECT_TRUE(!g.empty() && g.back().code == 0 && g.back().value == "EOF");
    return names;
}

// The groups of each entity of the ENTITIES section.
std::vector<std::vector<Group>> DxfEntities(const std::vector<Group>& g) {
    std::vector<std::vector<Group>> out;
    bool in = false;
    for (std::size_t i = 0; i < g.size(); ++i) {
        if (g[i].code == 2 && g[i].value == "ENTITIES") {
            in = true;
            continue;
        }
        if (!in) continue;
        if (g[i].code == 0) {
            if (g[i].value == "ENDSEC") break;
            out.emplace_back();
        }
        if (!out.empty()) out.back().push_back(g[i]);
    }
    return out;
}

std::string Value(const std::vector<Group>& e, int code) {
    for (const Group& g : e)
        if (g.code == code) return g.value;
    return "<none>";
}

class CadOutputTest : public ::testing::Test {
protected:
    void SetUp() override {
        InitProgramVariables();
        InitConfigVariables();
        GraphWindow.Clear();
        CadSheetFrame = true;
        CadSetLayer(0);
    }
    void TearDown() override {
        if (CadIsOpen()) CadClose();
    }

    // A small drawing of every primitive.
    static void Draw() {
        CadBeginDrawing(0, 0, 160, 120);
        CadBeginTables(2);
        while (true) {
            CadBeginEntities();
            CadSetLayer(18);
            CadLine(10, 20, 30, 40);
            CadSetLayer(21);
            CadCircle(50, 60, 5);
            CadArc(70, 80, 10, 0, 90);
            CadSetLayer(19);
            CadSetTextStyle(2, 0, 2.5L, 2.0L);
            CadMoveTo(100, 100);
            CadWriteLine("Ma\xE1 1\r\n2");  // code page 850 sharp s, a line break inside
            CadWriteLine("");
            CadWriteLine("second");
            CadEndSection();
            if (CadAllPassesDone()) break;
        }
    }

    test::TempDir dir;
};

TEST_F(CadOutputTest, DxfFileIsWellFormed) {
    TextConversionOption = 2;  // DOS -> Windows
    const std::string name = dir.file("out.dxf");
    CadOpenFile(kCadDxf, name);
    ASSERT_FALSE(AbortFlag);
    ASSERT_TRUE(CadIsOpen());
    Draw();
    // The text cursor went down twice by 1.6 x height; the empty text not.
    EXPECT_NEAR(static_cast<double>(CadTextY), 100 - 2 * 1.6 * 2.5, 1e-12);
    CadClose();
    EXPECT_FALSE(AbortFlag);
    EXPECT_FALSE(CadIsOpen());

    const std::vector<Group> g = DxfGroups(ReadFile(name));
    EXPECT_EQ(DxfSections(g), (std::vector<std::string>{"HEADER", "TABLES", "ENTITIES"}));

    std::map<std::string, std::vector<std::string>> header;
    for (std::size_t i = 0; i < g.size(); ++i)
        if (g[i].code == 9)
            for (std::size_t k = i + 1; k < g.size() && g[k].code != 9 && g[k].code != 0; ++k)
                header[g[i].value].push_back(g[k].value);
    EXPECT_EQ(header["$ACADVER"], std::vector<std::string>{"AC1009"});
    EXPECT_EQ(header["$EXTMIN"], (std::vector<std::string>{"0.0", "0.0", "0.0"}));
    EXPECT_EQ(header["$EXTMAX"], (std::vector<std::string>{"160.0", "120.0", "0.0"}));

    // The layer table holds 0..5 and every layer drawn on.
    std::vector<std::string> layers;
    for (std::size_t i = 0; i + 1 < g.size(); ++i)
        if (g[i].code == 0 && g[i].value == "LAYER" && g[i + 1].code == 2)
            layers.push_back(g[i + 1].value);
    EXPECT_EQ(layers, (std::vector<std::string>{"0", "1", "2", "3", "4", "5", "18", "19", "21"}));

    const auto ents = DxfEntities(g);
    std::vector<std::string> kinds;
    for (const auto& e : ents) kinds.push_back(e[0].value);
    // The sheet frame (four lines on layer 0), then the drawing.
    EXPECT_EQ(kinds, (std::vector<std::string>{"LINE", "LINE", "LINE", "LINE", "LINE", "CIRCLE",
                                               "ARC", "TEXT", "TEXT"}));
    EXPECT_EQ(Value(ents[0], 8), "0");
    EXPECT_EQ(Value(ents[4], 8), "18");
    EXPECT_EQ(Value(ents[4], 10), "10.0");
    EXPECT_EQ(Value(ents[4], 21), "40.0");
    EXPECT_EQ(Value(ents[5], 40), "5.0");
    EXPECT_EQ(Value(ents[6], 51), "90.0");
    EXPECT_EQ(Value(ents[7], 8), "19");
    EXPECT_EQ(Value(ents[7], 1), "Ma\xDF 1  2");  // Windows sharp s; no line break
    EXPECT_EQ(Value(ents[7], 40), "2.5");
    EXPECT_EQ(Value(ents[7], 41), "0.8");
    EXPECT_EQ(Value(ents[8], 20), "96.0");
}

TEST_F(CadOutputTest, DxfWithoutTablesAndFrame) {
    CadSheetFrame = false;
    const std::string name = dir.file("plain.dxf");
    CadOpenFile(kCadDxf, name);
    CadBeginDrawing(-10, -5, 10, 5);
    CadBeginEntities();
    CadSetLayer(40);  // folds to 16 + 40 mod 16 = 24
    EXPECT_EQ(CadLayer(), 24);
    CadLine(0, 0, 1, 1);
    CadSetLayer(-3);
    EXPECT_EQ(CadLayer(), 0);
    CadEndSection();
    CadClose();
    const std::vector<Group> g = DxfGroups(ReadFile(name));
    EXPECT_EQ(DxfSections(g), (std::vector<std::string>{"HEADER", "ENTITIES"}));
    const auto ents = DxfEntities(g);
    ASSERT_EQ(ents.size(), 1u);
    EXPECT_EQ(Value(ents[0], 8), "24");
}

TEST_F(CadOutputTest, NumbersIgnoreTheDecimalComma) {
    DecimalCommaOption = 2;
    EXPECT_EQ(CadNum(1.25L, 6), "1.25");
    EXPECT_EQ(CadNum(-0.0000001L, 6), "0.0");
    EXPECT_EQ(CadNum(2.0L / 3, 3), "0.667");
    EXPECT_EQ(CadNum(std::numeric_limits<Extended>::quiet_NaN(), 6), "0.0");
    EXPECT_EQ(CadNum(1e300L, 2), "1000000000000.0");
}

// Splits an IGES file into its records and checks the fixed columns, the
// section order, the numbering and the T counts.
struct Iges {
    std::map<char, std::vector<std::string>> sections;
};

Iges CheckIges(const std::string& text) {
    Iges r;
    const std::string order = "SGDPT";
    std::size_t at = 0;
    for (const std::string& line : Lines(text)) {
        EXPECT_EQ(line.size(), 80u) << line;
        if (line.size() != 80) continue;
        const char letter = line[72];
        const std::size_t k = order.find(letter);
        EXPECT_NE(k, std::string::npos) << line;
        EXPECT_GE(k, at) << "section out of order: " << line;
        at = k;
        auto& sec = r.sections[letter];
        sec.push_back(line);
        EXPECT_EQ(std::stoi(line.substr(73)), static_cast<int>(sec.size())) << line;
    }
    const auto& t = r.sections['T'];
    EXPECT_EQ(t.size(), 1u);
    if (t.size() == 1) {
        for (int i = 0; i < 4; ++i) {
            EXPECT_EQ(t[0][8 * i], order[i]);
            EXPECT_EQ(std::stoi(t[0].substr(8 * i + 1, 7)),
                      static_cast<int>(r.sections[order[i]].size()));
        }
    }
    return r;
}

TEST_F(CadOutputTest, IgesFileHasFixedColumnsAndMatchingPointers) {
    CadLayerColours16[21 - 16] = 14;  // dark red: no standard IGES colour
    const std::string name = dir.file("out.igs");
    CadOpenFile(kCadIges, name);
    ASSERT_TRUE(CadIsOpen());
    Draw();
    CadSetTextStyle(2, 30, 2, 2);
    CadText(5, 5, std::string(150, 'x'));  // a note longer than two parameter records
    CadClose();
    ASSERT_FALSE(AbortFlag);

    const Iges iges = CheckIges(ReadFile(name));
    const auto& d = iges.sections.at('D');
    const auto& p = iges.sections.at('P');
    ASSERT_EQ(d.size() % 2, 0u);
    EXPECT_EQ(iges.sections.at('G')[0].substr(0, 8), "1H,,1H;,");

    std::vector<int> types;
    for (std::size_t k = 0; k < d.size(); k += 2) {
        const int type = std::stoi(d[k].substr(0, 8));
        types.push_back(type);
        EXPECT_EQ(std::stoi(d[k + 1].substr(0, 8)), type);
        const int first = std::stoi(d[k].substr(8, 8));
        const int count = std::stoi(d[k + 1].substr(24, 8));
        ASSERT_GE(first, 1);
        ASSERT_LE(first + count - 1, static_cast<int>(p.size()));
        // Each of its P records points back at the entity's first D record
        // and starts with the entity type; the last ends the data with ";".
        std::string data;
        for (int i = first; i < first + count; ++i) {
            const std::string& rec = p[static_cast<std::size_t>(i - 1)];
            EXPECT_EQ(std::stoi(rec.substr(65, 7)), static_cast<int>(k + 1)) << rec;
            data += rec.substr(0, 64);
        }
        EXPECT_EQ(data.substr(0, data.find(',')), std::to_string(type));
        while (!data.empty() && data.back() == ' ') data.pop_back();
        EXPECT_EQ(data.back(), ';');
        if (type == 212) {
            EXPECT_EQ(d[k].substr(64, 8), "00000100");  // annotation
            const std::size_t h = data.rfind('H');
            const std::size_t c = data.rfind(',', h);
            const int n = std::stoi(data.substr(c + 1, h - c - 1));
            EXPECT_EQ(static_cast<int>(data.size() - h - 2), n) << data;  // n characters and ";"
        }
    }
    // The colour definition of layer 21 comes first.
    EXPECT_EQ(types, (std::vector<int>{314, 110, 110, 110, 110, 110, 100, 100, 212, 212, 212}));
    EXPECT_EQ(d[0].substr(64, 8), "00000200");    // a definition
    EXPECT_EQ(std::stoi(d[1].substr(16, 8)), 2);  // nearest standard colour: red
    EXPECT_EQ(p[0].substr(0, 17), "314,50.2,0.0,0.0;");
    // Layer and colour of the line on layer 18 (colour 3, green in IGES) and
    // of the circle on layer 21 (the definition).
    EXPECT_EQ(std::stoi(d[10].substr(32, 8)), 18);
    EXPECT_EQ(std::stoi(d[11].substr(16, 8)), 3);
    EXPECT_EQ(std::stoi(d[13].substr(16, 8)), -1);
}

TEST_F(CadOutputTest, CadCodeTextFile) {
    const std::string name = dir.file("out.txt");
    CadOpenFile(kCadTextFile, name);
    Draw();
    CadClose();
    const std::vector<std::string> lines = Lines(ReadFile(name));
    ASSERT_GE(lines.size(), 3u);
    EXPECT_EQ(lines[0], kCadTextMagic);
    EXPECT_EQ(lines[1], "EXTENTS 0.0 0.0 160.0 120.0");
    EXPECT_EQ(lines.back(), "END");
    const std::vector<std::string> body(lines.begin() + 2, lines.end() - 1);
    const std::vector<std::string> expected = {
        "LAYER 0 1 CONTINUOUS",
        "LAYER 18 3 CONTINUOUS",
        "LAYER 19 4 CONTINUOUS",
        "LAYER 21 6 CONTINUOUS",
        "L 0 0.0 0.0 160.0 0.0",
        "L 0 160.0 0.0 160.0 120.0",
        "L 0 160.0 120.0 0.0 120.0",
        "L 0 0.0 120.0 0.0 0.0",
        "L 18 10.0 20.0 30.0 40.0",
        "C 21 50.0 60.0 5.0",
        "A 21 70.0 80.0 10.0 0.0 90.0",
        "T 19 100.0 100.0 2.5 0.8 0.0 2 Ma\xE1 1  2",
        "T 19 100.0 96.0 2.5 0.8 0.0 2 second",
    };
    EXPECT_EQ(body, expected);
}

TEST_F(CadOutputTest, ScreenGoesToTheDisplayList) {
    CadOpen(kCadScreen);
    ASSERT_TRUE(CadIsOpen());
    GraphWindow.MoveTo(0, 0);
    GraphWindow.LineTo(1, 1);  // an old picture, cleared by the first pass
    Draw();
    CadClose();
    EXPECT_EQ(GraphWindow.WorldX2(), 160);
    EXPECT_EQ(GraphWindow.WorldY2(), 120);
    int lines = 0, circles = 0, pens = 0;
    std::vector<std::string> texts;
    for (const GraphItem& it : GraphWindow.Items()) {
        if (it.kind == GraphItem::Kind::Line) ++lines;
        if (it.kind == GraphItem::Kind::Circle) ++circles;
        if (it.kind == GraphItem::Kind::Text) texts.push_back(it.text);
        if (it.kind == GraphItem::Kind::Pen) ++pens;
    }
    EXPECT_EQ(circles, 1);
    EXPECT_EQ(lines, 4 + 1 + 18);  // frame, line, arc of 90 degrees in 5-degree chords
    EXPECT_EQ(texts, (std::vector<std::string>{"Ma\xE1 1\r\n2", "second"}));
    EXPECT_GE(pens, 4);
}

TEST_F(CadOutputTest, ModeQuestionAndFileQuestion) {
    ScriptedDialogs dlg;
    // Cancelled mode question: nothing open, AbortFlag set.
    dlg.answers.push_back(ScriptedAnswer::Cancel());
    CadOpen(kCadAsk);
    EXPECT_TRUE(AbortFlag);
    EXPECT_FALSE(CadIsOpen());
    ASSERT_EQ(dlg.events.size(), 1u);
    EXPECT_EQ(dlg.events[0].items.size(), 5u);

    // While AbortFlag is set nothing is asked.
    CadOpen(kCadAsk);
    EXPECT_EQ(dlg.events.size(), 1u);

    // DXF chosen, then a name without extension: ".dxf" is added.
    AbortFlag = false;
    const std::string base = dir.file("chosen");
    dlg.answers.push_back(ScriptedAnswer::Choose(1));
    dlg.answers.push_back(ScriptedAnswer::Type(base));
    CadOpen(kCadAsk);
    ASSERT_TRUE(CadIsOpen());
    EXPECT_EQ(CadMode(), kCadDxf);
    EXPECT_EQ(dlg.Of("save").at(0).caption, "*.dxf|*.dxf");
    Draw();
    CadClose();
    EXPECT_TRUE(platform::FileExists(base + ".dxf"));

    // Cancelled file question.
    dlg.answers.push_back(ScriptedAnswer::Cancel());
    CadOpen(kCadIges);
    EXPECT_TRUE(AbortFlag);
    EXPECT_FALSE(CadIsOpen());
}

// A name chosen without its extension gets it, also below a folder whose
// name holds a dot.
TEST_F(CadOutputTest, ChosenNameWithoutExtensionGetsItBelowADottedFolder) {
    ScriptedDialogs dlg;
    std::filesystem::create_directory(dir.file("v1.2"));
    // The second as the dialog returns a name typed in its start folder ".".
    for (const std::string& base : {dir.file("v1.2/zeichnung"), std::string(".\\zeichnung")}) {
        SCOPED_TRACE(base);
        const std::string host = dir.file("v1.2/zeichnung");
        AbortFlag = false;
        dlg.answers.push_back(ScriptedAnswer::Type(base));
        const auto cwd = std::filesystem::current_path();
        std::filesystem::current_path(dir.file("v1.2"));
        CadOpen(kCadDxf);
        ASSERT_TRUE(CadIsOpen());
        Draw();
        CadClose();
        std::filesystem::current_path(cwd);
        EXPECT_FALSE(AbortFlag);
        EXPECT_TRUE(platform::FileExists(host + ".dxf"));
        EXPECT_FALSE(platform::FileExists(host));
        std::filesystem::remove(host + ".dxf");
    }
}

// Replacing a file asks once: not again after a save dialog that asked
// itself, but a name that came without such a dialog is asked about.
TEST_F(CadOutputTest, ReplacingAFileIsAskedOnce) {
    ScriptedDialogs dlg;
    const std::string name = dir.file("alt.dxf");
    std::ofstream(name) << "alt";
    for (const bool dialogAsks : {true, false}) {
        SCOPED_TRACE(dialogAsks);
        dlg.saveAsksBeforeReplacing = dialogAsks;
        dlg.events.clear();
        AbortFlag = false;
        dlg.answers.push_back(ScriptedAnswer::Type(name));
        dlg.answers.push_back(ScriptedAnswer::Button(YesNoCancel::Yes));
        CadOpen(kCadDxf);
        ASSERT_TRUE(CadIsOpen());
        CadClose();
        EXPECT_EQ(dlg.Of("yesno").size(), dialogAsks ? 0u : 1u);
        dlg.answers.clear();
    }
    // Named by the program, not chosen in a dialog.
    dlg.saveAsksBeforeReplacing = true;
    dlg.events.clear();
    AbortFlag = false;
    dlg.answers.push_back(ScriptedAnswer::Button(YesNoCancel::No));
    CadOpenFile(kCadDxf, name);
    EXPECT_TRUE(AbortFlag);
    EXPECT_FALSE(CadIsOpen());
    EXPECT_EQ(dlg.Of("yesno").size(), 1u);
}

TEST_F(CadOutputTest, UnwritableFileReportsAndAborts) {
    ScriptedDialogs dlg;
    const std::string name = dir.file("later.dxf");
    CadOpenFile(kCadDxf, name);
    ASSERT_TRUE(CadIsOpen());
    Draw();
    // The folder becomes a file's name: the write at close fails.
    std::filesystem::create_directory(name);
    CadClose();
    EXPECT_TRUE(AbortFlag);
    EXPECT_FALSE(CadIsOpen());
    ASSERT_EQ(dlg.Of("message").size(), 1u);
    // Given in the program's form, the name is shown as the host writes it.
    const std::string second = dir.file("later2.dxf");
    std::string dos = "C:" + second;
    std::replace(dos.begin(), dos.end(), '/', '\\');
    AbortFlag = false;
    CadOpenFile(kCadDxf, dos);
    ASSERT_TRUE(CadIsOpen());
    Draw();
    std::filesystem::create_directory(second);
    CadClose();
    ASSERT_EQ(dlg.Of("message").size(), 2u);
    EXPECT_EQ(dlg.Of("message")[1].text, "Datei " + second + " kann nicht geschrieben werden");
}

TEST_F(CadOutputTest, PlotProgramGetsThePlotFile) {
    ScriptedDialogs dlg;
    TempFolder = dir.path().string();
    // A plot program that records its arguments.
    const std::string script = dir.file("plot.sh");
    const std::string argsFile = dir.file("args");
    const std::string quoted = "'" + argsFile + "'";
    ASSERT_TRUE(platform::WriteFileReplacing(
        script,
        "#!/bin/sh\necho \"$@\" > " + quoted + ".tmp && mv " + quoted + ".tmp " + quoted + "\n"));
    std::filesystem::permissions(script, std::filesystem::perms::owner_all);
    CadZanplotCommands.lines[0] = "\"" + script + "\" /M1.0 ZANPLOT.DXF";
    CadOpen(kCadPlot);
    ASSERT_TRUE(CadIsOpen());
    EXPECT_TRUE(dlg.events.empty());  // no file question
    Draw();
    CadClose();
    EXPECT_FALSE(AbortFlag);
    const std::string plotFile = test::RunTempFile("$plot.dx$");
    EXPECT_EQ(DxfSections(DxfGroups(ReadFile(plotFile))),
              (std::vector<std::string>{"HEADER", "TABLES", "ENTITIES"}));
    std::optional<std::string> args;
    for (int i = 0; i < 1000 && !(args = platform::ReadWholeFile(argsFile)); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    ASSERT_TRUE(args.has_value());
    EXPECT_EQ(*args, "/M1.0 " + plotFile + "\n");
}

TEST_F(CadOutputTest, MissingPlotProgramReportsAndAborts) {
    ScriptedDialogs dlg;
    TempFolder = dir.path().string();
    // The configured start value names a program that does not exist here.
    CadOpen(kCadPlot);
    Draw();
    CadClose();
    EXPECT_TRUE(AbortFlag);
    ASSERT_EQ(dlg.Of("message").size(), 1u);
    EXPECT_NE(dlg.Of("message")[0].text.find("WZANPLOT"), std::string::npos);
}

}  // namespace
}  // namespace kor2
