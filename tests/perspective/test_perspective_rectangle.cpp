// The projective map of the unit square onto four points, and its fallback for figures it cannot reach.

#include "perspective/perspective_rectangle.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>

namespace ts {
namespace {

using Corners = std::array<PointTS, 4>;

// Where the lines p1-p2 and p3-p4 cross.
PointTS Crossing(PointTS p1, PointTS p2, PointTS p3, PointTS p4) {
    const double d = (p1.x - p2.x) * (p3.y - p4.y) - (p1.y - p2.y) * (p3.x - p4.x);
    const double a = p1.x * p2.y - p1.y * p2.x;
    const double b = p3.x * p4.y - p3.y * p4.x;
    return PointTS((a * (p3.x - p4.x) - (p1.x - p2.x) * b) / d, (a * (p3.y - p4.y) - (p1.y - p2.y) * b) / d);
}

// Twice the signed area of the triangle: zero for three points in a line.
double Turn(PointTS a, PointTS b, PointTS c) {
    return (b.x - a.x) * (c.y - a.y) - (b.y - a.y) * (c.x - a.x);
}

void ExpectNear(PointTS actual, PointTS expected, double tolerance = 1e-7) {
    EXPECT_NEAR(actual.x, expected.x, tolerance);
    EXPECT_NEAR(actual.y, expected.y, tolerance);
}

// A road running off toward the horizon: the far edge is short.
const Corners kRoad{PointTS(0, 400), PointTS(600, 400), PointTS(380, 100), PointTS(220, 100)};

TEST(PerspectiveRectangle, MapsTheSquareInPerspectiveOntoTheFourPoints) {
    const PerspectiveRectangle map(kRoad);
    ASSERT_TRUE(map.IsProjective());
    ExpectNear(map.Map(0, 0), kRoad[0]);
    ExpectNear(map.Map(1, 0), kRoad[1]);
    ExpectNear(map.Map(1, 1), kRoad[2]);
    ExpectNear(map.Map(0, 1), kRoad[3]);
    // The centre goes to the crossing of the diagonals, not to the average of the corners.
    ExpectNear(map.Map(0.5, 0.5), Crossing(kRoad[0], kRoad[2], kRoad[1], kRoad[3]));
    // Equal steps across the square crowd toward the far edge, and each line across stays straight.
    double previous = map.Map(0, 0).y;
    double step = 1e9;
    for (int i = 1; i <= 4; ++i) {
        const double v = i / 5.0;
        const PointTS left = map.Map(0, v);
        const PointTS right = map.Map(1, v);
        EXPECT_NEAR(Turn(left, map.Map(0.3, v), right), 0.0, 1e-6) << v;
        EXPECT_NEAR(left.y, right.y, 1e-9) << "level edges give level lines";
        EXPECT_LT(previous - left.y, step) << v;
        step = previous - left.y;
        previous = left.y;
    }
}

TEST(PerspectiveRectangle, UnmapsEveryPointBackToTheSquare) {
    const PerspectiveRectangle map(kRoad);
    for (const double u : {0.0, 0.25, 0.5, 0.9, 1.0, 1.5}) {
        for (const double v : {0.0, 0.1, 0.5, 1.0, -0.2}) {
            double bu = -1;
            double bv = -1;
            ASSERT_TRUE(map.Unmap(map.Map(u, v), bu, bv));
            EXPECT_NEAR(bu, u, 1e-9);
            EXPECT_NEAR(bv, v, 1e-9);
        }
    }
    // A parallelogram is an affine figure: midpoints stay midpoints.
    const PerspectiveRectangle slanted(
        {PointTS(10, 10), PointTS(110, 30), PointTS(150, 130), PointTS(50, 110)});
    ASSERT_TRUE(slanted.IsProjective());
    ExpectNear(slanted.Map(0.5, 0), PointTS(60, 20));
    ExpectNear(slanted.Map(0.5, 0.5), PointTS(80, 70));
    // The identity when made without corners.
    ExpectNear(PerspectiveRectangle().Map(0.3, 0.7), PointTS(0.3, 0.7));
}

TEST(PerspectiveRectangle, FiguresNoPerspectiveReachesBlendTheirCornersLinearly) {
    const Corners collapsed{PointTS(0, 0), PointTS(100, 0), PointTS(300, 0), PointTS(200, 0)}; // one line
    const Corners crossed{PointTS(0, 0), PointTS(100, 0), PointTS(0, 100), PointTS(100, 100)};
    const Corners dented{PointTS(0, 0), PointTS(100, 0), PointTS(30, 30), PointTS(0, 100)};
    const Corners point{PointTS(5, 5), PointTS(5, 5), PointTS(5, 5), PointTS(5, 5)};
    for (const Corners& corners : {collapsed, crossed, dented, point}) {
        const PerspectiveRectangle map(corners);
        EXPECT_FALSE(map.IsProjective());
        for (int i = 0; i < 4; ++i) {
            const double u = i == 1 || i == 2 ? 1 : 0;
            const double v = i >= 2 ? 1 : 0;
            ExpectNear(map.Map(u, v), corners[static_cast<size_t>(i)]);
        }
        // Halfway between the near and far edges is halfway along each side.
        const PointTS mid = map.Map(0, 0.5);
        ExpectNear(mid, PointTS((corners[0].x + corners[3].x) / 2, (corners[0].y + corners[3].y) / 2));
        EXPECT_TRUE(std::isfinite(map.Map(0.37, 0.81).x));
    }
    // The blend of a figure with area still finds its way back; a line or a point has no way back.
    double u = 0;
    double v = 0;
    const PerspectiveRectangle dentedMap(dented);
    ASSERT_TRUE(dentedMap.Unmap(dentedMap.Map(0.2, 0.3), u, v));
    EXPECT_NEAR(u, 0.2, 1e-9);
    EXPECT_NEAR(v, 0.3, 1e-9);
    EXPECT_FALSE(PerspectiveRectangle(collapsed).Unmap(PointTS(150, 0), u, v));
    EXPECT_FALSE(PerspectiveRectangle(point).Unmap(PointTS(5, 5), u, v));
}

} // namespace
} // namespace ts
