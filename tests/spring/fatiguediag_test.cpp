// Tests of the Goodman and Haigh diagrams, drawn into the CAD-code text file
// and read back: limit lines and labels by layer, the working point, the
// closing lines, the no-data sheets and the branches of the text block.
#include "spring/fatiguediag.h"

#include <gtest/gtest.h>

#include <cmath>
#include <sstream>
#include <string>
#include <vector>

#include "common/checkmath.h"
#include "common/config.h"
#include "common/globals.h"
#include "common/numfmt.h"
#include "common/scriptdialogs.h"
#include "graphics/cadout.h"
#include "platform/hostfs.h"
#include "platform/oemtext.h"
#include "spring/examplespring.h"
#include "spring/springdata.h"
#include "support/tempdir.h"

namespace kor2 {
namespace {

// One primitive of the CAD-code text file.
struct Prim {
    char kind = 0;
    int layer = 0;
    std::vector<double> v;  // the numbers
    std::string text;       // T: the text
};

std::vector<Prim> ParseCadText(const std::string& data) {
    std::vector<Prim> out;
    std::istringstream in(data);
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.size() < 2 || line[1] != ' ' ||
            std::string("LCAT").find(line[0]) == std::string::npos)
            continue;
        Prim p;
        p.kind = line[0];
        std::istringstream f(line.substr(2));
        f >> p.layer;
        const int n = p.kind == 'L' ? 4 : p.kind == 'C' ? 3 : 5;
        for (int i = 0; i < n; ++i) {
            double x = 0;
            f >> x;
            p.v.push_back(x);
        }
        if (p.kind == 'T') {
            std::string font;
            f >> font;
            f.get();  // the one blank before the text
            std::getline(f, p.text);
        }
        out.push_back(std::move(p));
    }
    return out;
}

// World (N/mm^2) to sheet for the window 0..1200 on 90 x 85 mm at (15, 20).
double SX(double x) {
    return 15 + x * 90 / 1200;
}
double SY(double y) {
    return 20 + y * 85 / 1200;
}

class FatigueDiagTest : public ::testing::Test {
protected:
    void SetUp() override {
        test::SetUpExampleSpring();
        InitConfigVariables();
        WireDiameter = 1;  // the lines' own values: TauO 800, TauH 400, slope 0.625
        ShearStress1 = 100;
        ShearStress2 = 200;
        CorrectedStress1 = 120;
        CorrectedStress2 = 240;
        CorrectedStrokeStress = 120;
        PermShearStress = 800;
        TensileStrength = 1900;
    }

    // Draws with `plot` into a CAD-code file and reads it back.
    std::vector<Prim> Run(void (*plot)(uint16_t)) {
        ScriptedDialogs dlg;
        AbortFlag = false;
        const std::string name = dir.file("diagram" + std::to_string(++runs) + ".txt");
        dlg.answers.push_back(ScriptedAnswer::Type(name));
        plot(kCadTextFile);
        EXPECT_FALSE(AbortFlag);
        EXPECT_FALSE(CadIsOpen());
        return ParseCadText(platform::ReadWholeFile(name).value_or(""));
    }

    static std::vector<Prim> Of(const std::vector<Prim>& all, char kind, int layer) {
        std::vector<Prim> out;
        for (const Prim& p : all)
            if (p.kind == kind && p.layer == layer) out.push_back(p);
        return out;
    }
    static std::vector<std::string> Texts(const std::vector<Prim>& all, int layer) {
        std::vector<std::string> out;
        for (const Prim& p : Of(all, 'T', layer)) out.push_back(p.text);
        return out;
    }
    // The text block: the texts at x = 115.
    static std::vector<std::string> Block(const std::vector<Prim>& all) {
        std::vector<std::string> out;
        for (const Prim& p : all)
            if (p.kind == 'T' && p.v[0] == 115) out.push_back(p.text);
        return out;
    }
    static bool Has(const std::vector<std::string>& v, const std::string& s) {
        for (const std::string& x : v)
            if (x == s) return true;
        return false;
    }
    static void ExpectLine(const Prim& p, double x1, double y1, double x2, double y2) {
        ASSERT_EQ(p.v.size(), 4u);
        EXPECT_NEAR(p.v[0], SX(x1), 1e-5);
        EXPECT_NEAR(p.v[1], SY(y1), 1e-5);
        EXPECT_NEAR(p.v[2], SX(x2), 1e-5);
        EXPECT_NEAR(p.v[3], SY(y2), 1e-5);
    }

    test::TempDir dir;
    int runs = 0;
};

TEST_F(FatigueDiagTest, GoodmanLimitLinesWorkingPointAndClosingLines) {
    const auto all = Run(PlotGoodmanDiagram);
    // 10 million: (0, 400) to the knee (640, 800), then to the diagonal.
    const auto l18 = Of(all, 'L', 18);
    ASSERT_EQ(l18.size(), 2u);
    ExpectLine(l18[0], 0, 400, 640, 800);
    ExpectLine(l18[1], 640, 800, 800, 800);
    // 1 million from 500 (knee 480), 100 000 from 600 (knee 320).
    const auto l21 = Of(all, 'L', 21);
    ASSERT_EQ(l21.size(), 2u);
    ExpectLine(l21[0], 0, 500, 480, 800);
    ExpectLine(l21[1], 480, 800, 640, 800);
    const auto l29 = Of(all, 'L', 29);
    ASSERT_EQ(l29.size(), 2u);
    ExpectLine(l29[0], 0, 600, 320, 800);
    ExpectLine(l29[1], 320, 800, 480, 800);
    EXPECT_EQ(Texts(all, 18), std::vector<std::string>{"  10 Mio.Lastsp."});
    EXPECT_EQ(Texts(all, 21), std::vector<std::string>{"   1Mio."});
    EXPECT_EQ(Texts(all, 29), std::vector<std::string>{" 100000"});
    const auto label = Of(all, 'T', 21)[0];
    EXPECT_NEAR(label.v[0], SX(460), 1e-5);
    EXPECT_NEAR(label.v[1], SY(820), 1e-5);

    // Working point: circles of radius 10 (world x) and the line between.
    const auto circles = Of(all, 'C', 21);
    ASSERT_EQ(circles.size(), 2u);
    EXPECT_NEAR(circles[0].v[1], SY(120), 1e-5);
    EXPECT_NEAR(circles[1].v[1], SY(240), 1e-5);
    EXPECT_NEAR(circles[0].v[2], 0.75, 1e-9);
    ASSERT_EQ(Of(all, 'L', 5).size(), 1u);
    ExpectLine(Of(all, 'L', 5)[0], 120, 120, 120, 240);

    const auto t19 = Texts(all, 19);
    EXPECT_TRUE(Has(t19, "tau k1"));
    EXPECT_TRUE(Has(t19, "tau k2"));
    ASSERT_GE(t19.size(), 2u);
    EXPECT_EQ(t19[t19.size() - 2], "Dauerfestigkeitsschaubild (Goodman-Diagramm)");
    EXPECT_EQ(t19.back(), "Federstahl (EN 10270-1) nicht kugelgestrahlt");

    // Safety above 1: endurable, with the stroke reserve in per cent.
    const auto block = Block(all);
    ASSERT_FALSE(block.empty());
    EXPECT_EQ(block[0], "d  = 1 " + LengthUnitName());
    EXPECT_EQ(block[1], "tauk1=  120 " + StressUnitName());
    EXPECT_TRUE(Has(block, "tauoz=  800 " + StressUnitName()));
    EXPECT_TRUE(Has(block, "tauhz=  355 " + StressUnitName()));
    EXPECT_TRUE(Has(block, "N > 10 Mio.Lastsp."));
    EXPECT_EQ(block[block.size() - 2], "dauerfest");
    EXPECT_EQ(block.back(), "bis 296% Hub");
    EXPECT_EQ(ErrorList.count, 0);
}

TEST_F(FatigueDiagTest, HaighLinesFollowTheStrokeAndLabelsTheirSlope) {
    const auto all = Run(PlotHaighDiagram);
    const auto l18 = Of(all, 'L', 18);
    ASSERT_EQ(l18.size(), 2u);
    ExpectLine(l18[0], 0, 400, 640, 160);
    ExpectLine(l18[1], 640, 160, 800, 0);
    const auto l29 = Of(all, 'L', 29);
    ASSERT_EQ(l29.size(), 2u);
    ExpectLine(l29[1], 320, 480, 480, 320);
    const double angle = std::atan2(800.0 - 640 - 400, 640.0) * 180 / M_PI;
    for (int layer : {18, 21, 29}) {
        const auto t = Of(all, 'T', layer);
        ASSERT_EQ(t.size(), 1u);
        EXPECT_NEAR(t[0].v[4], angle, 1e-5);
        EXPECT_NEAR(t[0].v[0], SX(10), 1e-5);
    }
    EXPECT_EQ(Texts(all, 21), std::vector<std::string>{"1 Mio.Lastsp."});
    const auto circles = Of(all, 'C', 21);
    ASSERT_EQ(circles.size(), 2u);
    EXPECT_NEAR(circles[0].v[1], SY(0), 1e-5);
    EXPECT_NEAR(circles[1].v[1], SY(120), 1e-5);
    const auto t19 = Texts(all, 19);
    EXPECT_TRUE(Has(t19, "tau kh"));
    EXPECT_FALSE(Has(t19, "Dauerfestigkeitsschaubild (Goodman-Diagramm)"));
    EXPECT_EQ(t19.back(), "Federstahl (EN 10270-1) nicht kugelgestrahlt");
}

TEST_F(FatigueDiagTest, OwnMaterialAndEmptyRecordShowNoLines) {
    MaterialIndex = 11;  // the record still holds lines
    auto all = Run(PlotGoodmanDiagram);
    EXPECT_TRUE(Of(all, 'L', 18).empty());
    EXPECT_TRUE(Of(all, 'L', 29).empty());
    EXPECT_EQ(Of(all, 'C', 21).size(), 2u);  // the working point stays
    EXPECT_TRUE(Has(Texts(all, 19), "No data for self-defined materials"));
    EXPECT_TRUE(Has(Block(all), "tauz =  800 " + StressUnitName()));
    EXPECT_EQ(PermStrokeStress, 0);

    MaterialRec.DRef = Real48::FromExtended(0);  // no lines at all
    all = Run(PlotHaighDiagram);
    EXPECT_TRUE(Has(Texts(all, 19), "Für diesen Werkstoff sind keine Daten gespeichert"_oem));
    EXPECT_FALSE(Has(Texts(all, 19), "No data for self-defined materials"));
    EXPECT_EQ(Of(all, 'C', 21).size(), 2u);
}

TEST_F(FatigueDiagTest, ZeroSlopeEndsTheSheetAfterTheAxes) {
    MaterialRec.GoodmanSlope = Real48::FromExtended(0);
    const auto all = Run(PlotGoodmanDiagram);
    bool fatal = false;
    for (int k = 1; k <= ErrorList.count; ++k)
        fatal |= ErrorList.slots[static_cast<std::size_t>(k)].str() == "Fatal  : FEDWST Goodman";
    EXPECT_TRUE(fatal);
    EXPECT_TRUE(Of(all, 'C', 21).empty());
    EXPECT_TRUE(Of(all, 'L', 18).empty());
    EXPECT_FALSE(Has(Texts(all, 19), "tau k1"));
    EXPECT_FALSE(Block(all).empty());                      // text block
    EXPECT_TRUE(Has(Texts(all, 16), "Goodman-Diagramm"));  // axes
}

TEST_F(FatigueDiagTest, HighStrokeStrengthStartsTheMillionLineAtTheLimit) {
    MaterialRec.TauH0 = 700;  // 1.25 * 700 > 800
    const auto all = Run(PlotGoodmanDiagram);
    const auto l21 = Of(all, 'L', 21);
    ASSERT_EQ(l21.size(), 2u);
    ExpectLine(l21[0], 0, 800, 0, 800);  // knee 0
}

TEST_F(FatigueDiagTest, TextBlockBranches) {
    // Static loading: nothing after the material lines.
    LoadingType = 1;
    auto block = Block(Run(PlotGoodmanDiagram));
    ASSERT_GE(block.size(), 2u);
    EXPECT_EQ(block.back(), " ");
    EXPECT_EQ(block[block.size() - 2].substr(0, 7), "tol. = ");

    // Safety exactly 1 under dynamic load: beyond 10 million, no "dauerfest";
    // the lower end of the range is below 10 million.
    LoadingType = 2;
    CorrectedStress2 = 475;
    CorrectedStrokeStress = 355;
    OperatingFrequency = 0;  // no hours without a frequency
    block = Block(Run(PlotGoodmanDiagram));
    EXPECT_EQ(SafetyFactorStroke, 1);
    EXPECT_TRUE(Has(block, "N > 10 Mio.Lastsp."));
    EXPECT_FALSE(Has(block, "dauerfest"));
    EXPECT_EQ(block.back().substr(0, 1), "(");
    OperatingFrequency = 10;
    block = Block(Run(PlotGoodmanDiagram));
    EXPECT_EQ(block.back().substr(0, 4), "tN= ");

    // Safety below 1 with a load collective.
    CorrectedStress2 = 600;
    CorrectedStrokeStress = 480;
    LoadCollectiveOn = 1;
    LoadCollectiveCycles = 2.5E6L;
    LoadCollectiveHours = 70;
    block = Block(Run(PlotGoodmanDiagram));
    const std::vector<std::string> tail(block.end() - 9, block.end());
    EXPECT_EQ(tail[0], "L1, L2, freq:");
    EXPECT_EQ(tail[1], "N = " + FloatToStrDigits(2, LoadCycles / 1E6L) + " Mio.Lastsp.");
    EXPECT_EQ(tail[2].substr(0, 1), "(");
    EXPECT_EQ(tail[3], "tN= " + FloatToStrDigits(2, LoadCycles / 10 / 3600) + " h  (f=10/s)");
    EXPECT_EQ(tail[4].substr(tail[4].size() - 3), " h)");
    EXPECT_EQ(tail[5], " ");
    EXPECT_EQ(tail[6], "Lastkollektiv:");
    EXPECT_EQ(tail[7], "Nn= 3 Mio.Lastsp.");
    EXPECT_EQ(tail[8], "tN= 70 h");
}

TEST_F(FatigueDiagTest, CalcErrorAndCancelledOutputDrawNothing) {
    ScriptedDialogs dlg;
    CalcErrorFlag = true;
    AddErrorMessage("Fatal  : d=0");
    PlotGoodmanDiagram(kCadTextFile);
    EXPECT_TRUE(dlg.Of("save").empty());
    EXPECT_FALSE(dlg.Of("radio").empty() && dlg.Of("list").empty());  // the messages
    EXPECT_FALSE(CadIsOpen());

    CalcErrorFlag = false;
    AbortFlag = false;
    dlg.events.clear();
    dlg.answers.clear();
    dlg.answers.push_back(ScriptedAnswer::Cancel());
    PlotHaighDiagram(kCadAsk);
    EXPECT_TRUE(AbortFlag);
    EXPECT_FALSE(CadIsOpen());
    EXPECT_TRUE(dlg.Of("save").empty());
}

}  // namespace
}  // namespace kor2
