// Tests of the graphics window core: the HP-GL reader on good and damaged
// plots, and the world-to-device mapping on screen and printer.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "graphics/window/graphwin.h"
#include "graphics/window/hpgl.h"
#include "support/germanlocale.h"

namespace kor2 {
namespace {

using Kind = GraphItem::Kind;

std::vector<GraphItem> Of(const GraphWindowModel& w, Kind k) {
    std::vector<GraphItem> out;
    for (const GraphItem& it : w.Items())
        if (it.kind == k) out.push_back(it);
    return out;
}

TEST(Hpgl, PenMovesAbsoluteRelativeCircleAndPens) {
    GraphWindowModel w;
    DrawHpgl("IN;SP2;PU400,400;PD800,400,800,800;PR-400,0;PU;PA0,0;CI200;SP4 PD 40 40", w);
    const auto lines = Of(w, Kind::Line);
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_DOUBLE_EQ(lines[0].x1, 10);
    EXPECT_DOUBLE_EQ(lines[0].x2, 20);
    EXPECT_DOUBLE_EQ(lines[1].y2, 20);
    EXPECT_DOUBLE_EQ(lines[2].x2, 10);  // relative -400
    EXPECT_DOUBLE_EQ(lines[2].y2, 20);
    EXPECT_DOUBLE_EQ(lines[3].x1, 0);
    EXPECT_DOUBLE_EQ(lines[3].x2, 1);
    const auto circles = Of(w, Kind::Circle);
    ASSERT_EQ(circles.size(), 1u);
    EXPECT_DOUBLE_EQ(circles[0].x2, 5);
    const auto pens = Of(w, Kind::Pen);
    ASSERT_EQ(pens.size(), 2u);
    EXPECT_EQ(pens[0].pen, 1);  // plotter pen 2: red
    EXPECT_EQ(pens[1].pen, 5);  // plotter pen 4: blue
}

TEST(Hpgl, LabelsSizeDirectionAndTerminator) {
    GraphWindowModel w;
    DrawHpgl("PA400,800;SI0.2,0.4;DI0,1;LBAbc\x03PA0,0;DT#;LBx\ny#UC1,2;", w);
    const auto texts = Of(w, Kind::Text);
    ASSERT_EQ(texts.size(), 3u);
    EXPECT_EQ(texts[0].text, "Abc");
    EXPECT_DOUBLE_EQ(texts[0].x1, 10);
    EXPECT_DOUBLE_EQ(texts[0].y1, 20);
    EXPECT_DOUBLE_EQ(texts[0].height, 4);
    EXPECT_DOUBLE_EQ(texts[0].angle, 90);
    EXPECT_EQ(texts[1].text, "x");
    EXPECT_EQ(texts[2].text, "y");
    EXPECT_TRUE(Of(w, Kind::Line).empty());  // UC is skipped
}

// Decimals and commands, in either case, read as under "C" whatever the C
// library's locale: a decimal point where German numbers take a comma, and
// "si", "di" and "in" where the Turkish toupper keeps the 'i'.
TEST(Hpgl, PlotReadsTheSameUnderGermanAndTurkishLocales) {
    const std::string plot = "in;si0.25,0.375;di0,1;PA40.5,80.25;LBx\x03PD-0.5e1,.75;";
    auto draw = [&] {
        GraphWindowModel w;
        DrawHpgl(plot, w);
        return w.Items();
    };
    const std::vector<GraphItem> underC = draw();
    const auto texts = [](const std::vector<GraphItem>& items) {
        std::vector<GraphItem> out;
        for (const GraphItem& it : items)
            if (it.kind == Kind::Text) out.push_back(it);
        return out;
    };
    ASSERT_EQ(texts(underC).size(), 1u);
    EXPECT_DOUBLE_EQ(texts(underC)[0].height, 3.75);
    EXPECT_DOUBLE_EQ(texts(underC)[0].angle, 90);
    EXPECT_DOUBLE_EQ(texts(underC)[0].x1, 40.5 * kHpglUnit);

    const struct {
        const char* locale;
        const char* missing;
    } locales[] = {{test::kGermanLocale, test::kNoGermanLocale},
                   {test::kTurkishLocale, test::kNoTurkishLocale}};
    for (const auto& l : locales) {
        SCOPED_TRACE(l.locale);
        test::ScopedCLocale scoped(l.locale);
        if (!scoped.Active()) GTEST_SKIP() << l.missing;
        const std::vector<GraphItem> underLocale = draw();
        ASSERT_EQ(underLocale.size(), underC.size());
        for (std::size_t i = 0; i < underC.size(); ++i) {
            EXPECT_EQ(underLocale[i].kind, underC[i].kind);
            EXPECT_EQ(underLocale[i].x1, underC[i].x1);
            EXPECT_EQ(underLocale[i].y1, underC[i].y1);
            EXPECT_EQ(underLocale[i].x2, underC[i].x2);
            EXPECT_EQ(underLocale[i].y2, underC[i].y2);
            EXPECT_EQ(underLocale[i].height, underC[i].height);
            EXPECT_EQ(underLocale[i].angle, underC[i].angle);
        }
    }
}

TEST(Hpgl, DamagedInputDrawsWhatItCan) {
    const std::string cases[] = {
        "",
        std::string(100000, 'P'),
        std::string(100000, ','),
        std::string("PD\0\xff\xfe,1e999999,nan,-inf;PA1,2,3;", 32),
        "LB" + std::string(100000, 'x'),  // no terminator
        "PD1,2,3,4,5;CI;SI;DI0,0;SP-5;SP99999;XX1,2;P",
        "PA99999999999999999999,-99999999999999999999;PD0,0;CI1e300;",
    };
    for (const std::string& data : cases) {
        GraphWindowModel w;
        DrawHpgl(data, w);
        for (const GraphItem& it : w.Items()) {
            EXPECT_TRUE(std::isfinite(it.x1) && std::isfinite(it.y1) && std::isfinite(it.x2) &&
                        std::isfinite(it.y2));
            EXPECT_LE(std::fabs(it.x2), 1e7);
        }
    }
    GraphWindowModel w;
    DrawHpgl("PD1,2,3,4,5;", w);  // the lone 5 is dropped
    EXPECT_EQ(Of(w, Kind::Line).size(), 2u);
}

TEST(Hpgl, MissingPictureDrawsNothing) {
    GraphClear();
    EXPECT_FALSE(ShowHpglPicture("\\no\\such\\null.plt"));
    EXPECT_TRUE(GraphWindow.Items().empty());
}

TEST(GraphMapping, WorldWindowKeepsAspectAndCentres) {
    GraphWindowModel w;
    w.Header(false, 0, 0, 160, 120);
    const DeviceMap m = w.ScreenMap(800, 400);  // wider than 4:3
    EXPECT_DOUBLE_EQ(m.scaleX, m.scaleY);
    EXPECT_DOUBLE_EQ(m.Y(0), 400);
    EXPECT_DOUBLE_EQ(m.Y(120), 0);
    EXPECT_DOUBLE_EQ(m.X(80), 400);  // centred
    // A degenerate or non-finite window does not divide by zero.
    w.Header(false, 5, 5, 5, NAN);
    const DeviceMap d = w.ScreenMap(0, 0);
    EXPECT_TRUE(std::isfinite(d.scaleX) && std::isfinite(d.offsetY));
}

class RecordingCanvas : public GraphCanvas {
public:
    std::vector<std::vector<double>> lines;
    void SetPen(int, int) override {}
    void Line(double x1, double y1, double x2, double y2) override {
        lines.push_back({x1, y1, x2, y2});
    }
    void Ellipse(double, double, double, double) override {}
    void Text(double, double, std::string_view, double, double) override {}
};

TEST(GraphMapping, PrinterScaleOffsetAndBorder) {
    GraphWindowModel w;
    w.Header(false, 0, 0, 100, 100);
    w.MoveTo(0, 0);
    w.LineTo(100, 100);
    PrintScaleX = Real48::FromExtended(1.8L);
    PrintOffsetX = 10;
    PrintOffsetY = 20;
    PrintBorder = true;
    RecordingCanvas c;
    w.ReplayOnPrinter(c, 100, 100, 1000, 500);  // fit factor 5
    ASSERT_EQ(c.lines.size(), 5u);
    EXPECT_NEAR(c.lines[0][0], 10, 1e-9);
    EXPECT_NEAR(c.lines[0][1], 20 + 500, 1e-9);
    EXPECT_NEAR(c.lines[0][2], 10 + 900, 1e-6);
    EXPECT_NEAR(c.lines[0][3], 20, 1e-9);
    EXPECT_NEAR(c.lines[1][2], 10 + 900, 1e-6);  // border width 100 * 5 * 1.8
    PrintScaleX = Real48::FromExtended(1.0L);
    PrintOffsetX = PrintOffsetY = 0;
    PrintBorder = false;
}

}  // namespace
}  // namespace kor2
