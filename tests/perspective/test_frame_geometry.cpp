// The sketch frame's box, its projection, its grid families and its vanishing points.

#include "perspective/frame_drawing.h"
#include "perspective/frame_geometry.h"
#include "render/line_test_support.h"

#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <set>

namespace ts {
namespace {

// Where the lines p1-p2 and p3-p4 cross, in the picture plane.
PicturePoint Crossing(PicturePoint p1, PicturePoint p2, PicturePoint p3, PicturePoint p4) {
    const double d = (p1.x - p2.x) * (p3.z - p4.z) - (p1.z - p2.z) * (p3.x - p4.x);
    const double a = p1.x * p2.z - p1.z * p2.x;
    const double b = p3.x * p4.z - p3.z * p4.x;
    return PicturePoint{(a * (p3.x - p4.x) - (p1.x - p2.x) * b) / d,
                        (a * (p3.z - p4.z) - (p1.z - p2.z) * b) / d};
}

TEST(FrameGeometry, ThePicturePlaneTouchesTheNearestCornerAndTheBoxIsCentred) {
    const FrameGeometry g{FrameParameters{}};
    double nearest = 1e9;
    double left = 1e9;
    double right = -1e9;
    for (const Point3D& c : g.Corners()) {
        nearest = std::min(nearest, c.y);
        left = std::min(left, c.x);
        right = std::max(right, c.x);
    }
    EXPECT_DOUBLE_EQ(g.PicturePlane(), nearest);
    EXPECT_DOUBLE_EQ(g.Eye().y, nearest - 1440.0);
    EXPECT_DOUBLE_EQ(g.Eye().z, 60.0);
    // The centre of the floor (half way along a diagonal) lies at x = Centering.
    EXPECT_NEAR((g.Corners()[0].x + g.Corners()[3].x) / 2.0, 0.0, 1e-9);
    EXPECT_LT(left, 0.0);
    EXPECT_GT(right, 0.0);
    // The edges keep their lengths: the box is turned, not stretched.
    EXPECT_NEAR(std::hypot(g.Corners()[1].x - g.Corners()[0].x, g.Corners()[1].y - g.Corners()[0].y), 480.0,
                1e-9);
    EXPECT_NEAR(g.Corners()[4].z - g.Corners()[0].z, 120.0, 1e-12);
}

TEST(FrameGeometry, RotationIsClampedToAQuarterTurnEitherWay) {
    FrameParameters p;
    for (const auto& [typed, used] : {std::pair{120.0, 90.0}, std::pair{-120.0, -90.0}}) {
        p.rotation = typed;
        const FrameGeometry a(p);
        p.rotation = used;
        const FrameGeometry b(p);
        for (size_t i = 0; i < 8; ++i) {
            EXPECT_DOUBLE_EQ(a.Corners()[i].x, b.Corners()[i].x) << typed;
            EXPECT_DOUBLE_EQ(a.Corners()[i].y, b.Corners()[i].y) << typed;
        }
    }
    EXPECT_EQ(FrameGeometry::ClampedRotation(std::nan("")), 0.0);
}

TEST(FrameGeometry, APointAnInchInFrontOfTheEyeProjectsWithTheFullFactor) {
    const FrameGeometry g{FrameParameters{}};
    const double full = g.PicturePlane() - g.Eye().y;
    const double ez = g.Eye().z;
    const PicturePoint p = g.Project(Point3D(2.0, g.Eye().y + 1.0, ez + 3.0));
    EXPECT_DOUBLE_EQ(p.x, 2.0 * full);
    EXPECT_DOUBLE_EQ(p.z, ez + 3.0 * full);
    // Closer than that (or behind the eye) a lone point is moved onto that plane.
    const PicturePoint q = g.Project(Point3D(2.0, g.Eye().y - 50.0, ez + 3.0));
    EXPECT_DOUBLE_EQ(q.x, p.x);
    // On the picture plane a point is where it is; twice as far it comes half way to the eye's line.
    const PicturePoint r = g.Project(Point3D(100.0, g.PicturePlane(), 10.0));
    EXPECT_DOUBLE_EQ(r.x, 100.0);
    EXPECT_DOUBLE_EQ(r.z, 10.0);
    const PicturePoint s = g.Project(Point3D(100.0, g.PicturePlane() + full, 10.0));
    EXPECT_DOUBLE_EQ(s.x, 50.0);
    EXPECT_DOUBLE_EQ(s.z, ez + (10.0 - ez) / 2.0);
}

TEST(FrameGeometry, SegmentsAreCutWhereTheyPassTheEyeAndHiddenWhenWhollyBehindIt) {
    const FrameGeometry g{FrameParameters{}};
    const double limit = g.Eye().y + 1.0;
    Point3D a(0, limit - 100.0, 0);
    Point3D b(0, limit + 100.0, 40.0);
    ASSERT_TRUE(g.ClipNear(a, b));
    EXPECT_DOUBLE_EQ(a.y, limit);
    EXPECT_DOUBLE_EQ(a.z, 20.0) << "cut half way";
    Point3D c(0, limit - 1.0, 0);
    Point3D d(5, limit, 0);
    EXPECT_FALSE(g.ClipNear(c, d));

    // A box every edge of which lies less than an inch in front of the eye: none is visible.
    FrameParameters p;
    p.depth = 0.0;
    p.rotation = 0.0;
    p.viewDistance = 0.6;
    const FrameGeometry flatOnTheEye(p);
    EXPECT_FALSE(flatOnTheEye.AnyEdgeVisible());
    EXPECT_TRUE(flatOnTheEye.EdgeBounds().Empty());
    EXPECT_TRUE(g.AnyEdgeVisible());
}

TEST(FrameGeometry, VanishingPointsAreWhereTheBoxsParallelEdgesMeetOnTheHorizon) {
    FrameParameters p;
    p.rotation = 30.0;
    const FrameGeometry g(p);
    const auto vps = g.VanishingPoints();
    ASSERT_EQ(vps.size(), 2u);
    const auto& c = g.Corners();
    // The floor and top edges along the width meet at the first, those along the depth at the second.
    const PicturePoint across = Crossing(g.Project(c[0]), g.Project(c[1]), g.Project(c[4]), g.Project(c[5]));
    const PicturePoint deep = Crossing(g.Project(c[0]), g.Project(c[2]), g.Project(c[4]), g.Project(c[6]));
    EXPECT_NEAR(vps[0].x, across.x, 1e-6 * std::fabs(across.x));
    EXPECT_NEAR(vps[1].x, deep.x, 1e-6 * std::fabs(deep.x));
    EXPECT_NEAR(vps[0].z, g.Eye().z, 1e-9);
    EXPECT_NEAR(across.z, g.Eye().z, 1e-6);
    EXPECT_GT(vps[0].x, 0.0);
    EXPECT_LT(vps[1].x, 0.0);

    // Square on, the width runs parallel to the picture: one point, straight ahead.
    p.rotation = 0.0;
    const auto ahead = FrameGeometry(p).VanishingPoints();
    ASSERT_EQ(ahead.size(), 1u);
    EXPECT_NEAR(ahead[0].x, 0.0, 1e-9);
    p.flat = true;
    EXPECT_TRUE(FrameGeometry(p).VanishingPoints().empty());
}

TEST(FrameGeometry, EveryKthLineOfAFamilyIsMajor) {
    FrameParameters p;
    p.minorSpacing = 24.0;  // 2 feet
    p.majorSpacing = 120.0; // 10 feet
    const auto lines = FrameGeometry(p).Lines();
    ASSERT_TRUE(lines);
    // The floor lines across the width: straight, green, every fifth at weight 9, through the box's edge.
    std::vector<int32_t> weights;
    for (const FrameLine& l : *lines) {
        if (l.grid && l.color == FrameGeometry::kFloorColor && l.count == 2 && weights.size() < 40) {
            weights.push_back(l.weight);
        }
    }
    ASSERT_GE(weights.size(), 20u);
    int32_t firstMajor = -1;
    for (size_t i = 0; i < weights.size(); ++i) {
        ASSERT_TRUE(weights[i] == 9 || weights[i] == 3) << i;
        if (weights[i] == 9) {
            firstMajor = firstMajor < 0 ? static_cast<int32_t>(i) : firstMajor;
            EXPECT_EQ((static_cast<int32_t>(i) - firstMajor) % 5, 0) << i;
        }
    }
    ASSERT_GE(firstMajor, 0);
    for (size_t i = static_cast<size_t>(firstMajor); i < weights.size(); i += 5) {
        EXPECT_EQ(weights[i], 9) << i;
    }
    // Bent lines (around the corner) use 7 and 2.
    std::set<int32_t> bent;
    for (const FrameLine& l : *lines) {
        if (l.count == 3) {
            bent.insert(l.weight);
        }
    }
    EXPECT_EQ(bent, (std::set<int32_t>{2, 7}));
    // A major spacing below the minor one makes every line major.
    p.majorSpacing = 10.0;
    const auto allMajor = FrameGeometry(p).Lines();
    ASSERT_TRUE(allMajor);
    for (const FrameLine& l : *allMajor) {
        EXPECT_TRUE(l.weight == 9 || l.weight == 7);
    }
}

TEST(FrameGeometry, ASpacingThatIsNotPositiveOrTooFineMakesNoLines) {
    FrameParameters p;
    for (const double spacing : {0.0, -2.0, std::nan(""), 0.001}) {
        p.minorSpacing = spacing;
        EXPECT_FALSE(FrameGeometry(p).Lines()) << spacing;
    }
    p.minorSpacing = 1.0;
    EXPECT_TRUE(FrameGeometry(p).Lines());
}

TEST(FrameGeometry, TheCutToTheConeOfVisionKeepsTheGridInFrontOfTheEye) {
    const FrameGeometry g{FrameParameters{}};
    const double t = std::tan(30.0 / 180.0 * 3.14159265358979323846);
    // A floor line running from far left to far right at the picture plane is cut to the cone.
    Point3D a(-1e5, g.PicturePlane(), 0);
    Point3D b(1e5, g.PicturePlane(), 0);
    ASSERT_TRUE(g.ClipToVision(a, b));
    const double reach = t * (g.PicturePlane() - g.Eye().y);
    EXPECT_NEAR(a.x, -reach, 1e-6);
    EXPECT_NEAR(b.x, reach, 1e-6);
    // One behind the eye is gone.
    Point3D c(0, g.Eye().y - 10, 0);
    Point3D d(10, g.Eye().y - 20, 0);
    EXPECT_FALSE(g.ClipToVision(c, d));
}

TEST(FrameDrawing, TheDefaultFrameFitsInsideTheMarginWithItsGreenFloorAndCorners) {
    auto layer = testing::LineLayer(600, 400);
    const FrameGeometry g{FrameParameters{}};
    const auto lines = g.Lines();
    ASSERT_TRUE(lines);
    CountingProgressMeter meter;
    FrameDrawing drawing;
    ASSERT_TRUE(DrawFrameLines(*layer, g, *lines, &meter, drawing));
    EXPECT_EQ(meter.Steps(), g.ProgressSteps());
    EXPECT_FALSE(meter.Running());
    // No centre line within the 5 % margin (30 x 20 pixels) less the widest stamp's half.
    const int32_t green = layer->lineArt->colorList->FindOrAdd(LineColor{0x0040FF40, 255});
    int32_t greenPixels = 0;
    for (int32_t y = 0; y < 400; ++y) {
        for (int32_t x = 0; x < 600; ++x) {
            const bool covered = testing::Covered(*layer, x, y);
            if (covered && (x < 30 - 6 || x >= 570 + 6 || y < 20 - 6 || y >= 380 + 6)) {
                ADD_FAILURE() << "line in the margin at " << x << "," << y;
                return;
            }
            greenPixels += covered && testing::RenderedColor(*layer, x, y) == green ? 1 : 0;
        }
    }
    EXPECT_GT(greenPixels, 5000);
    // The floor's corners: the far ones above the near ones, left of right, all on the layer.
    const auto& c = drawing.corners;
    EXPECT_LT(c[0].y, c[3].y);
    EXPECT_LT(c[1].y, c[2].y);
    EXPECT_LT(c[0].x, c[1].x);
    EXPECT_LT(c[3].x, c[2].x);
    for (const IntPoint& p : c) {
        EXPECT_TRUE(p.x >= 0 && p.x < 600 && p.y >= 0 && p.y < 400);
    }
    // Both vanishing points lie on the horizon, one row for both, on either side of the box.
    ASSERT_EQ(drawing.vanishingPoints.size(), 2u);
    EXPECT_NEAR(drawing.vanishingPoints[0].y, drawing.vanishingPoints[1].y, 1e-9);
    EXPECT_GT(drawing.vanishingPoints[0].x, c[2].x);
    EXPECT_LT(drawing.vanishingPoints[1].x, c[3].x);
}

} // namespace
} // namespace ts
