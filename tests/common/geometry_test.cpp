// Tests of the plane geometry: solves, intersections with their inclusive
// bounds, the rectangle clip and the arc through two points.
#include "common/geometry.h"

#include <gtest/gtest.h>

#include <cmath>

#include "common/checkmath.h"
#include "common/globals.h"

namespace kor2 {
namespace {

class GeometryTest : public ::testing::Test {
protected:
    void SetUp() override { InitProgramVariables(); }
};

double D(Extended x) { return static_cast<double>(x); }

TEST_F(GeometryTest, SolveAndLineIntersection) {
    Extended x = 9, y = 9;
    EXPECT_TRUE(SolveLinear2(1, 1, 2, 1, -1, 0, x, y));
    EXPECT_EQ(x, 1);
    EXPECT_EQ(y, 1);
    EXPECT_FALSE(SolveLinear2(1, 2, 3, 2, 4, 6, x, y));
    EXPECT_EQ(x, 0);
    EXPECT_EQ(y, 0);

    EXPECT_TRUE(LineIntersection({0, 0}, {2, 2}, {0, 2}, {2, 0}, x, y));
    EXPECT_NEAR(D(x), 1, 1e-15);
    EXPECT_NEAR(D(y), 1, 1e-15);
    // Parallel lines: false and the first point.
    EXPECT_FALSE(LineIntersection({3, 4}, {5, 4}, {0, 0}, {1, 0}, x, y));
    EXPECT_EQ(x, 3);
    EXPECT_EQ(y, 4);
}

TEST_F(GeometryTest, InRangeBoundsAndTolerance) {
    EXPECT_TRUE(InRange(5, 10, 0));
    EXPECT_TRUE(InRange(10, 10, 0));
    EXPECT_TRUE(InRange(-1E-13L, 0, 0));
    EXPECT_FALSE(InRange(-1E-11L, 0, 0));
    EXPECT_FALSE(InRange(10.5L, 10, 0));
}

TEST_F(GeometryTest, SegmentIntersectionIncludesEndPoints) {
    Extended x = 0, y = 0;
    EXPECT_TRUE(SegmentIntersection({0, 0}, {1, 1}, {0, 2}, {2, 0}, x, y));
    EXPECT_NEAR(D(x), 1, 1e-15);
    EXPECT_FALSE(SegmentIntersection({0, 0}, {0.5L, 0.5L}, {0, 2}, {2, 0}, x, y));
    // Vertical and horizontal segments (degenerate x or y ranges).
    EXPECT_TRUE(SegmentIntersection({5, -1}, {5, 1}, {0, 0}, {10, 0}, x, y));
    EXPECT_EQ(x, 5);
    EXPECT_EQ(y, 0);
}

TEST_F(GeometryTest, ClipToRect) {
    Extended x1 = 5, y1 = 5, x2 = 15, y2 = 5;
    EXPECT_TRUE(ClipLineToRect(x1, y1, x2, y2, 0, 0, 10, 10));
    EXPECT_EQ(D(x1), 5);
    EXPECT_NEAR(D(x2), 10, 1e-15);
    EXPECT_NEAR(D(y2), 5, 1e-15);

    // First point outside: it moves to the left edge.
    x1 = -5, y1 = 5, x2 = 5, y2 = 5;
    EXPECT_TRUE(ClipLineToRect(x1, y1, x2, y2, 0, 0, 10, 10));
    EXPECT_NEAR(D(x1), 0, 1e-15);
    EXPECT_NEAR(D(y1), 5, 1e-15);
    EXPECT_EQ(x2, 5);

    // Both ends outside: dropped, even though the segment crosses the box.
    x1 = -5, y1 = 5, x2 = 15, y2 = 5;
    EXPECT_FALSE(ClipLineToRect(x1, y1, x2, y2, 0, 0, 10, 10));
    EXPECT_EQ(x1, 0);
    EXPECT_EQ(y1, 0);
    EXPECT_EQ(x2, 0);
    EXPECT_EQ(y2, 0);
}

TEST_F(GeometryTest, RotateAboutCentre) {
    Extended x = 0, y = 0;
    ArcPointRotate(2, 1, 1, 1, kPi / 2, x, y);
    EXPECT_NEAR(D(x), 1, 1e-15);
    EXPECT_NEAR(D(y), 2, 1e-15);
}

TEST_F(GeometryTest, ArcCentreBothSweeps) {
    Extended xc = 0, yc = 0, a1 = 0, a2 = 0, r = 0;
    GetArcCenter(xc, yc, a1, 1, 0, 0, 1, kPi / 2, a2, r);
    EXPECT_NEAR(D(xc), 0, 1e-15);
    EXPECT_NEAR(D(yc), 0, 1e-15);
    EXPECT_NEAR(D(r), 1, 1e-15);
    EXPECT_NEAR(D(a1), 0, 1e-15);
    EXPECT_NEAR(D(a2), D(kPi / 2), 1e-15);

    GetArcCenter(xc, yc, a1, 1, 0, 0, 1, -kPi / 2, a2, r);
    EXPECT_NEAR(D(xc), 1, 1e-15);
    EXPECT_NEAR(D(yc), 1, 1e-15);
    EXPECT_NEAR(D(r), 1, 1e-15);
    EXPECT_NEAR(D(a1), D(kPi), 1e-15);       // point 2 seen from (1, 1)
    EXPECT_NEAR(D(a2), D(-kPi / 2), 1e-15);  // point 1
    EXPECT_EQ(ErrorList.count, 0);

    // A half circle: centre on the chord's midpoint.
    GetArcCenter(xc, yc, a1, 2, 0, -2, 0, kPi, a2, r);
    EXPECT_NEAR(D(xc), 0, 1e-15);
    EXPECT_NEAR(D(yc), 0, 1e-15);
    EXPECT_NEAR(D(r), 2, 1e-15);
}

TEST_F(GeometryTest, ArcCentreFailures) {
    Extended xc = 7, yc = 7, a1 = 7, a2 = 7, r = 7;
    GetArcCenter(xc, yc, a1, 1, 0, 0, 1, 0, a2, r);
    ASSERT_EQ(ErrorList.count, 1);
    EXPECT_EQ(ErrorList.slots[1].str(), "Fehler in GetArcCenter (dphi = 0 ! ");
    EXPECT_EQ(xc, 7);
    EXPECT_EQ(yc, 7);
    EXPECT_EQ(a1, 7);
    EXPECT_EQ(a2, 7);
    EXPECT_EQ(r, 7);

    // Zero chord: message and the centre on the point.
    GetArcCenter(xc, yc, a1, 3, 4, 3, 4, kPi / 2, a2, r);
    ASSERT_EQ(ErrorList.count, 2);
    EXPECT_EQ(ErrorList.slots[2].str(), "GetArcCenter l12=0");
    EXPECT_EQ(xc, 3);
    EXPECT_EQ(yc, 4);
    EXPECT_EQ(r, 0);
}

}  // namespace
}  // namespace kor2
