// Tests of the diagram layer: rounding and scaling of the window, the
// mapping onto the plotting rectangle, clipping, circles and the text cursor.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "common/config.h"
#include "common/globals.h"
#include "graphics/cadout.h"
#include "graphics/diagram.h"
#include "graphics/window/graphwin.h"

namespace kor2 {
namespace {

double D(Extended x) {
    return static_cast<double>(x);
}

class DiagLayerTest : public ::testing::Test {
protected:
    void SetUp() override {
        InitProgramVariables();
        InitConfigVariables();
        CadSheetFrame = false;
        CadOpen(kCadScreen);
        CadBeginDrawing(0, 0, 160, 120);
        CadBeginEntities();
        DiagSetPaperSize(90, 85);
        DiagSetPaperOrigin(15, 20);
    }
    void TearDown() override {
        CadClose();
        CadSheetFrame = true;
    }
    // Display-list items of one kind drawn after `from`.
    static std::vector<GraphItem> Items(GraphItem::Kind k, std::size_t from = 0) {
        std::vector<GraphItem> out;
        const auto& all = GraphWindow.Items();
        for (std::size_t i = from; i < all.size(); ++i)
            if (all[i].kind == k) out.push_back(all[i]);
        return out;
    }
};

TEST_F(DiagLayerTest, AxesRoundTheLimitsAndScaleWorldDivides) {
    DiagDrawAxes("  tau u", "tau o", "Goodman-Diagramm", 0, 0, 1250, 1130, 0);
    EXPECT_EQ(D(DiagWindow().xmin), 0);
    EXPECT_EQ(D(DiagWindow().xmax), 1400);  // steps of 200
    EXPECT_EQ(D(DiagWindow().ymax), 1200);
    EXPECT_NEAR(D(DiagMapX(1400)), 105, 1e-12);
    EXPECT_NEAR(D(DiagMapY(600)), 20 + 42.5, 1e-12);
    // Texts: eight numbers on x, seven on y, the two axis texts and the title.
    const auto texts = Items(GraphItem::Kind::Text);
    EXPECT_EQ(texts.size(), 8u + 7u + 3u);
    EXPECT_EQ(texts.back().text, "Goodman-Diagramm");

    DiagScaleWorld(2, 4);
    EXPECT_EQ(D(DiagWindow().xmax), 700);
    EXPECT_EQ(D(DiagWindow().ymax), 300);
    DiagScaleWorld(0, std::numeric_limits<Extended>::infinity());  // ignored
    EXPECT_EQ(D(DiagWindow().xmax), 700);
    EXPECT_EQ(D(DiagWindow().ymax), 300);
}

TEST_F(DiagLayerTest, ClippedLinesKeepTheInnerPart) {
    DiagDrawAxes("x", "y", "t", 0, 0, 1200, 1200, 0);
    const std::size_t from = GraphWindow.Items().size();
    DiagClippedLine(-600, 600, 1800, 600);  // both ends outside, crossing
    DiagClippedLine(600, 600, 600, 2400);   // one end outside
    DiagClippedLine(-10, -10, -5, 2000);    // outside, no part inside
    DiagClippedLine(0, 0, 1200, 1200);      // the diagonal, corner to corner
    const auto lines = Items(GraphItem::Kind::Line, from);
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_NEAR(lines[0].x1, 15, 1e-9);
    EXPECT_NEAR(lines[0].x2, 105, 1e-9);
    EXPECT_NEAR(lines[0].y1, 62.5, 1e-9);
    EXPECT_NEAR(lines[1].y2, 105, 1e-9);
    EXPECT_NEAR(lines[2].x1, 15, 1e-9);
    EXPECT_NEAR(lines[2].y2, 105, 1e-9);
}

TEST_F(DiagLayerTest, CircleRadiusInWorldXUnitsAndCursorOutside) {
    DiagDrawAxes("x", "y", "t", 0, 0, 1200, 600, 0);
    const std::size_t from = GraphWindow.Items().size();
    DiagCircle(600, 300, 100);
    const auto circles = Items(GraphItem::Kind::Circle, from);
    ASSERT_EQ(circles.size(), 1u);
    EXPECT_NEAR(circles[0].x1, 60, 1e-9);
    EXPECT_NEAR(circles[0].y1, 62.5, 1e-9);
    EXPECT_NEAR(circles[0].x2, 7.5, 1e-9);

    // The cursor may leave the window: the closing lines sit below it.
    CadSetTextStyle(2, 0, 2.5L, 2.0L);
    DiagMoveTo(-150, -180);
    CadWriteLine("unten");
    const auto texts = Items(GraphItem::Kind::Text, from);
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_NEAR(texts[0].x1, 15 - 150 * 90.0 / 1200, 1e-9);
    EXPECT_NEAR(texts[0].y1, 20 - 180 * 85.0 / 600, 1e-9);
}

TEST_F(DiagLayerTest, ClipSegmentCases) {
    Extended x1 = 5, y1 = -5, x2 = 5, y2 = 15;  // vertical through the box
    EXPECT_TRUE(DiagClipSegment(x1, y1, x2, y2, 0, 0, 10, 10));
    EXPECT_EQ(D(y1), 0);
    EXPECT_EQ(D(y2), 10);
    x1 = -1, y1 = 11, x2 = 11, y2 = 11;  // parallel, outside
    EXPECT_FALSE(DiagClipSegment(x1, y1, x2, y2, 0, 0, 10, 10));
    x1 = 3, y1 = 3, x2 = 3, y2 = 3;  // a point inside
    EXPECT_TRUE(DiagClipSegment(x1, y1, x2, y2, 0, 0, 10, 10));
    const Extended nan = std::numeric_limits<Extended>::quiet_NaN();
    x1 = nan;
    EXPECT_FALSE(DiagClipSegment(x1, y1, x2, y2, 0, 0, 10, 10));
}

TEST_F(DiagLayerTest, DamagedLimitsDrawNoGrid) {
    const Extended inf = std::numeric_limits<Extended>::infinity();
    const std::size_t from = GraphWindow.Items().size();
    DiagDrawAxes("x", "y", "t", 0, 0, inf, 1E300L, 0);
    // Only the frame: no ticks, no grid, no numbers.
    EXPECT_EQ(Items(GraphItem::Kind::Line, from).size(), 4u);
}

}  // namespace
}  // namespace kor2
