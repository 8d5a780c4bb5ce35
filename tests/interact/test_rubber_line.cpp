// The rubber line of the line tools: the thirty-degree and vanishing-point constraint, the swing that
// picks a vanishing point, and the display it leaves behind.

#include "interaction_test_support.h"

#include <gtest/gtest.h>

#include <cmath>

namespace ts {
namespace {

using testing::FakeMode;
using testing::FakeTool;

constexpr double kDegree = 3.14159265358979 / 180.0;

// The end of a segment of this length and direction from the start (fine units), rounded.
IntPoint At(IntPoint start, double length, double degrees) {
    return {start.x + static_cast<int32_t>(std::lround(length * std::cos(degrees * kDegree))),
            start.y + static_cast<int32_t>(std::lround(length * std::sin(degrees * kDegree)))};
}

double DirectionOf(IntPoint start, IntPoint end) {
    return CConstraintManager::SegmentAngle(start.x, start.y, end.x, end.y) / kDegree;
}

TEST(ConstraintManager, SnapsToTheNearestThirtyDegreesAtTheSameLength) {
    const IntPoint start{400, 400};
    struct Case {
        double degrees;
        double snapped;
    };
    for (const Case c : {Case{14, 0}, Case{16, 30}, Case{350, 0}, Case{100, 90}, Case{200, 210}}) {
        const IntPoint end = CConstraintManager::SnapThirtyDegrees(start, At(start, 1000, c.degrees));
        EXPECT_NEAR(DirectionOf(start, end), c.snapped, 0.1) << c.degrees << " degrees";
        EXPECT_NEAR(std::hypot(end.x - start.x, end.y - start.y), 1000, 2) << c.degrees << " degrees";
    }
    // y grows downwards: straight down is a quarter turn, straight up three quarters, left a half.
    EXPECT_NEAR(CConstraintManager::SegmentAngle(0, 0, 0, 5), 3.14159265 / 2, 1e-9);
    EXPECT_NEAR(CConstraintManager::SegmentAngle(0, 0, 0, -5), 3 * 3.14159265 / 2, 1e-9);
    EXPECT_NEAR(CConstraintManager::SegmentAngle(0, 0, -5, 0), 3.14159265, 1e-7);
    EXPECT_GE(CConstraintManager::SegmentAngle(0, 0, 5, -1), 0.0);
}

TEST(ConstraintManager, ConstrainsOnlyLineDrawingWithCtrl) {
    CConstraintManager constraint;
    const IntPoint start{0, 0};
    const IntPoint end = At(start, 400, 14);
    EXPECT_EQ(constraint.Constrain(start, end, keys::kCtrlFlag), end) << "kind 0 constrains nothing";
    constraint.SetConstraintKind(7);
    EXPECT_EQ(constraint.ConstraintKind(), 0) << "unknown kinds are stored as none";
    constraint.SetConstraintKind(1);
    EXPECT_EQ(constraint.Constrain(start, end, 0), end) << "without Ctrl";
    EXPECT_EQ(constraint.Constrain(start, end, keys::kCtrlFlag).y, 0);

    // With a vanishing point the end goes toward it, or upright when the pointer is nearer the vertical.
    const PointTS vanishing(4000, 1000);
    const IntPoint toward = constraint.Constrain(start, {800, 300}, keys::kCtrlFlag, &vanishing);
    EXPECT_NEAR(toward.y * 4.0, toward.x, 4.0) << "on the line through the vanishing point";
    EXPECT_EQ(constraint.Constrain(start, {30, 500}, keys::kCtrlFlag, &vanishing), (IntPoint{0, 500}));
}

class RubberLineTest : public testing::InteractionTest {
protected:
    RubberLineTest() : line(Env::kLineId, true), tool(context(), 33062, &line, "Draw") {
        Paint(0, Rect{0, 0, view().ViewBuffer().Width(), view().ViewBuffer().Height()});
        view().RebuildClient(client());
        tools().SetTool(tool);
        env().SetLineConstraint(CConstraintManager::kLineDrawing);
    }

    RubberLine& rubber() { return workspace->rubberLine; }
    Image24& display() { return view().Display(); }
    Rect client() { return Rect{0, 0, display().Width(), display().Height()}; }

    // A picture in the view buffer that differs from pixel to pixel, so that a pixel put back from the
    // wrong place shows (the client shows the drawing from its corner at 100 %).
    void Paint(int32_t salt, const Rect& area) {
        Image24& buffer = view().ViewBuffer();
        for (int32_t y = area.top; y < area.bottom; ++y) {
            for (int32_t x = area.left; x < area.right; ++x) {
                buffer.SetColor(x, y,
                                static_cast<uint32_t>(x * 7 + y * 131 + salt * 40503) * 2654435761u >> 8);
            }
        }
    }
    // The display as a refresh of the whole client rebuilds it.
    Image24 Rebuilt() {
        const Image24 shown = display();
        view().RebuildClient(client());
        Image24 clean = display();
        display() = shown;
        return clean;
    }
    void Press(int32_t x, int32_t y, bool ray = false) {
        tool.OnLButtonDown(1, x, y);
        ASSERT_TRUE(rubber().Start(ray));
    }
    void Move(int32_t x, int32_t y, uint32_t flags = 0) {
        tool.OnMouseMove(1 | flags, x, y);
        rubber().Update();
    }
    // A refresh under the line: the view buffer changed, a client rectangle is rebuilt and the
    // overlays drawn over it again.
    void RefreshUnder(const Rect& r) {
        view().RebuildClient(r);
        workspace->overlayPainter.Redraw(r);
    }

    FakeMode line;
    FakeTool tool;
};

TEST_F(RubberLineTest, CtrlSnapsTheEndInLineDrawingOnly) {
    env().EnterMode(&line, "Lines", "Draw");
    env().SetLineConstraint(CConstraintManager::kLineDrawing);
    Press(20, 100);
    // 14 degrees off level, 160 view pixels long: with Ctrl the end comes out level.
    Move(175, 61, keys::kCtrlFlag);
    EXPECT_EQ(rubber().CurrentPoint().y, 400);
    EXPECT_EQ(tool.GetCurrentFinePoint(), rubber().CurrentPoint()) << "the tool is given the end";
    const uint32_t onTheLine = display().ColorAt(170, 100);
    EXPECT_TRUE(onTheLine == RubberLine::kYellow || onTheLine == RubberLine::kBlue) << "drawn level";

    // After entering another mode the kind is none: the same move is not constrained.
    env().EnterMode(&select(), "Select", "");
    Press(20, 100);
    Move(175, 61, keys::kCtrlFlag);
    EXPECT_EQ(rubber().CurrentPoint(), (IntPoint{700, 244}));
    rubber().Abort();

    // Rays are never constrained.
    env().SetLineConstraint(CConstraintManager::kLineDrawing);
    Press(20, 100, true);
    Move(175, 61, keys::kCtrlFlag);
    EXPECT_EQ(rubber().CurrentPoint(), (IntPoint{700, 244}));
}

TEST_F(RubberLineTest, ALongSwingBackToTheStartPicksTheVanishingPointInItsDirection) {
    LayerObject& layer = AddLayer(300, 225, 10, 5);
    layer.frame = std::make_unique<Wireframe>();
    // One vanishing point far to the right, one far above the start (layer pixels).
    layer.frame->vanishingPoints = {PointTS(2000, 70), PointTS(90, -3000)};
    layer.frame->currentVanishingPoint = 0;
    int changes = 0;
    rubber().vanishingPointChanged = [&] { ++changes; };

    // Out 200 pixels upwards and back: too short a swing.
    Press(100, 75);
    Move(100, -50);
    Move(100, -125);
    Move(100, 70);
    EXPECT_EQ(layer.frame->currentVanishingPoint, 0);
    // Out 300 pixels (downwards: directions count either way along a line) and back within 50.
    Move(100, 200);
    Move(100, 375);
    Move(100, 200);
    EXPECT_EQ(layer.frame->currentVanishingPoint, 0) << "not back near the start yet";
    Move(102, 120);
    EXPECT_EQ(layer.frame->currentVanishingPoint, 1);
    EXPECT_EQ(changes, 1);
    // The farthest distance starts again: a short swing to the right now changes nothing.
    Move(250, 75);
    Move(110, 75);
    EXPECT_EQ(layer.frame->currentVanishingPoint, 1);
    // A long one does.
    Move(420, 80);
    Move(140, 75);
    EXPECT_EQ(layer.frame->currentVanishingPoint, 0);
    rubber().Abort();
}

TEST_F(RubberLineTest, ALayerOverASketchFrameAimsAtTheFramesVanishingPointWhereverTheFrameLies) {
    // The frame lies 30, 10 pixels into the drawing; its point is in its own pixels.
    LayerObject& frame = AddLayer(300, 225, 30, 10, "Sketch Frame");
    frame.frame->vanishingPoints = {PointTS(2000, 70)};
    frame.frame->currentVanishingPoint = 0;
    LayerObject& drawn = AddLayer(300, 225, 5, 5);
    ASSERT_TRUE(drawn.frame && drawn.frame->vanishingPoints.empty());
    env().EnterMode(&line, "Lines", "Draw");
    env().SetLineConstraint(CConstraintManager::kLineDrawing);
    Press(20, 100);
    Move(175, 61, keys::kCtrlFlag);
    // On the line from the start (80, 400 fine) to the point (4 x 2030, 4 x 80), not snapped level.
    const IntPoint end = rubber().CurrentPoint();
    const double cross = (end.x - 80.0) * (320.0 - 400.0) - (end.y - 400.0) * (8120.0 - 80.0);
    EXPECT_LT(std::fabs(cross) / std::hypot(8040.0, 80.0), 2.0) << end.x << "," << end.y;
    EXPECT_NE(end.y, 400);
    rubber().Abort();

    // A layer of another name is no frame: its points are its own business.
    frame.name = "Walls";
    Press(20, 100);
    Move(175, 61, keys::kCtrlFlag);
    EXPECT_EQ(rubber().CurrentPoint().y, 400) << "the thirty-degree snap";
    rubber().Abort();
}

TEST_F(RubberLineTest, DrawsAlternatingColoursAndRaysLeaveTheBrushClear) {
    Press(150, 40);
    Move(50, 40);
    // From the pointer to the start: yellow, blue, yellow ... on the row of the line.
    EXPECT_EQ(display().ColorAt(50, 40), RubberLine::kYellow);
    EXPECT_EQ(display().ColorAt(51, 40), RubberLine::kBlue);
    EXPECT_EQ(display().ColorAt(150, 40), RubberLine::kYellow);
    rubber().Abort();

    tool.SetBrushSizeRaw(25);
    Press(150, 40, true);
    Move(50, 40);
    // 25 / 2 + 2 = 14 pixels next to the pointer stay as they were.
    const Image24 clean = Rebuilt();
    for (int32_t x = 50; x < 64; ++x) {
        EXPECT_EQ(display().ColorAt(x, 40), clean.ColorAt(x, 40)) << x;
    }
    EXPECT_EQ(display().ColorAt(64, 40), RubberLine::kYellow);
    rubber().End();
    EXPECT_TRUE(display().SamePixels(clean));
}

TEST_F(RubberLineTest, LeavesTheDisplayAsItFoundItAfterMovesEndAndAbort) {
    const Image24 clean = Rebuilt();
    Press(30, 20);
    for (const IntPoint p : {IntPoint{180, 140}, {31, 140}, {-40, 500}, {199, 0}, {30, 21}, {120, 60}}) {
        Move(p.x, p.y);
    }
    EXPECT_FALSE(display().SamePixels(clean));
    rubber().Abort();
    EXPECT_TRUE(display().SamePixels(clean));
    EXPECT_EQ(refresh().reasons.back(), "R_AbortRubberLine");

    // Segment after segment, as a polyline is clicked.
    Press(10, 10);
    Move(100, 100);
    EXPECT_FALSE(rubber().End());
    tool.OnLButtonDown(1, 100, 100);
    ASSERT_TRUE(rubber().Start(false));
    Move(150, 20);
    EXPECT_EQ(rubber().GestureOrigin(), (IntPoint{40, 40})) << "the polyline's first point";
    rubber().End();
    EXPECT_TRUE(display().SamePixels(clean));
    EXPECT_FALSE(rubber().IsActive());
}

TEST_F(RubberLineTest, ARefreshUnderTheLineIsNeverUndoneByItsSavedPixels) {
    Press(10, 75);
    Move(190, 75);
    // The drawing changes under the line and the view is refreshed.
    Paint(1, client());
    RefreshUnder(client());
    Move(150, 10);
    // Then only under the middle of the line.
    Paint(2, Rect{60, 0, 120, 150});
    RefreshUnder(Rect{60, 0, 120, 150});
    Move(10, 140);
    rubber().Abort();
    EXPECT_TRUE(display().SamePixels(Rebuilt()));

    // The brush outline moving over the line: each keeps the other intact.
    tool.SetBrushSizeRaw(25);
    workspace->brushOutline.Build(25, 1);
    Press(10, 75);
    Move(190, 75);
    workspace->brushOutline.MoveTo(100, 75);
    Move(190, 80);
    workspace->brushOutline.MoveTo(120, 78);
    rubber().End();
    Image24 outlined = Rebuilt();
    workspace->brushOutline.Draw(outlined, client());
    EXPECT_TRUE(display().SamePixels(outlined)) << "the outline keeps every pixel";
    workspace->brushOutline.Remove();
    EXPECT_TRUE(display().SamePixels(Rebuilt()));
}

TEST_F(RubberLineTest, TheSavedPixelsFollowTheViewportWhenItShrinks) {
    Press(5, 5);
    Move(195, 145);
    EXPECT_EQ(rubber().Capacity(), 200u);
    // The window shrinks while the line is drawn: the display is made anew and refreshed whole.
    ASSERT_TRUE(view().ResizeClient(120, 90));
    Move(190, 140); // before the refresh: nothing is written outside the smaller display
    RefreshUnder(client());
    Move(110, 20);
    EXPECT_EQ(rubber().Capacity(), 120u);
    Move(119, 89);
    rubber().Abort();
    EXPECT_TRUE(display().SamePixels(Rebuilt()));

    // Entering the select mode drops the line as well.
    const Image24 clean = Rebuilt();
    Press(5, 5);
    Move(60, 60);
    env().ReturnToSelect();
    EXPECT_FALSE(rubber().IsActive());
    for (int32_t i = 10; i < 60; ++i) {
        EXPECT_EQ(display().ColorAt(i, i), clean.ColorAt(i, i)) << i; // the select mode's frame aside
    }
}

} // namespace
} // namespace ts
