// Zoom steps and gestures, the wheel's anchor, panning and the brush outline.

#include "interaction_test_support.h"

#include <gtest/gtest.h>

#include <utility>

namespace ts {
namespace {

class ZoomAndPan : public testing::InteractionTest {};

TEST_F(ZoomAndPan, StepsFollowTheLevelTableInsideAndOutsideTheCanvas) {
    struct Step {
        int32_t from;
        bool in;
        bool onCanvas;
        int32_t to;
    };
    const Step steps[] = {
        {1, false, true, -2},  {-2, true, true, 1},  {4, true, true, 8},    {16, true, true, 16},
        {-2, false, true, -3}, {4, false, true, 2},  {16, false, true, 8},  {-16, false, true, -16},
        {1, false, false, 1},  {8, false, false, 4}, {-3, true, false, -3}, {2, true, true, 4},
    };
    // Points over the palette strip are off the canvas.
    workspace->viewGeometry.SetPaletteArea(Rect{0, 140, 200, 150});
    for (const Step& s : steps) {
        view().SetZoom(s.from);
        view().SetOrigin(0, 0);
        const IntPoint at = s.onCanvas ? IntPoint{5, 5} : IntPoint{100, 145};
        ASSERT_EQ(workspace->viewGeometry.OnCanvas(at.x, at.y), s.onCanvas);
        s.in ? zoom().StepIn(at.x, at.y) : zoom().StepOut(at.x, at.y);
        EXPECT_EQ(Zoom(), s.to) << "from " << s.from << (s.in ? " in" : " out");
    }
    EXPECT_EQ(refresh().reasons.back(), "R_ZoomOutCleanup");
}

TEST_F(ZoomAndPan, FitLevelsRoundUpNearTwoAndSnapToKnownLevels) {
    const std::pair<double, int32_t> fits[] = {{2.0, 2},   {1.7, 2},   {1.2, 1},   {0.7, 1},  {3.5, 4},
                                               {6.0, 8},   {12.0, 16}, {40, 16},   {0.5, -2}, {0.3, -3},
                                               {0.26, -3}, {0.1, -10}, {0.02, -16}};
    for (const auto& [o, level] : fits) {
        EXPECT_EQ(ZoomManager::FitLevel(o), level) << o;
    }
    // A rectangle half the view area's size at 100 % gives 200 %.
    zoom().FitToRectangle(Rect{50, 40, 150, 115});
    EXPECT_EQ(Zoom(), 2);
}

TEST_F(ZoomAndPan, ZoomingKeepsTheDrawingPointUnderThePointer) {
    const IntPoint before = Under(60, 50);
    input().OnMouseWheel(120, 0, 60, 50); // forward: in
    EXPECT_EQ(Zoom(), 2);
    EXPECT_EQ(Under(60, 50), before);
    EXPECT_EQ(zoom().Anchor(), before);
    EXPECT_EQ(ui.StatusPane(StatusPrompt::kZoomPane), " Zoom: 200%");
}

TEST_F(ZoomAndPan, BackwardWheelZoomsAroundTheRightPressUntilThePointerMovesAway) {
    view().SetZoom(4);
    input().OnRButtonDown(0, 40, 40);
    input().OnRButtonUp(0, 40, 40); // a click: one step out
    ASSERT_EQ(Zoom(), 2);
    const IntPoint pressed = Under(40, 40);
    input().OnMouseMove(0, 45, 40); // 5 pixels: still near
    input().OnMouseWheel(-120, 0, 45, 40);
    EXPECT_EQ(Zoom(), 1);
    EXPECT_EQ(zoom().Anchor(), pressed);

    view().SetZoom(4);
    input().OnRButtonDown(0, 40, 40);
    input().OnRButtonUp(0, 40, 40);
    input().OnMouseMove(0, 46, 40); // 6 pixels across: the pointer counts
    const IntPoint pointer = Under(46, 40);
    input().OnMouseWheel(-120, 0, 46, 40);
    EXPECT_EQ(zoom().Anchor(), pointer);
}

TEST_F(ZoomAndPan, RightDragsFitRectanglesAndModifiersPickLevels) {
    // 5 across and 40 down is a click: a step out.
    input().OnRButtonDown(0, 50, 50);
    input().OnMouseMove(0, 55, 90);
    EXPECT_FALSE(zoom().RectangleShown());
    input().OnRButtonUp(0, 55, 90);
    EXPECT_EQ(Zoom(), -2);

    view().SetZoom(1);
    view().SetOrigin(0, 0);
    input().OnRButtonDown(0, 20, 20);
    input().OnMouseMove(0, 119, 94);
    EXPECT_TRUE(zoom().RectangleShown());
    input().OnRButtonUp(0, 119, 94);
    EXPECT_FALSE(zoom().RectanglePending());
    EXPECT_EQ(Zoom(), 2) << "a 100 x 75 rectangle fits the 200 x 150 view at 200 %";

    input().OnRButtonDown(keys::kShiftFlag | keys::kCtrlFlag, 20, 20);
    input().OnRButtonUp(keys::kShiftFlag | keys::kCtrlFlag, 20, 20);
    EXPECT_EQ(Zoom(), 16);
    input().OnRButtonUp(keys::kCtrlFlag, 20, 20);
    EXPECT_EQ(Zoom(), -16);
    input().OnMButtonDown(0, 20, 20);
    EXPECT_EQ(Zoom(), 1);
    input().OnMButtonDown(keys::kShiftFlag, 20, 20);
    EXPECT_EQ(Zoom(), 16);
}

TEST_F(ZoomAndPan, TheZoomToolStepsInAndItsModifiersPickLevels) {
    tools().SetTool(workspace->zoomTool);
    input().OnLButtonDown(0, 30, 30);
    input().OnLButtonUp(0, 30, 30);
    EXPECT_EQ(Zoom(), 2);
    input().OnLButtonDown(keys::kCtrlFlag, 30, 30);
    input().OnLButtonUp(keys::kCtrlFlag, 30, 30);
    EXPECT_EQ(Zoom(), 16);
    input().OnLButtonDown(keys::kShiftFlag, 30, 30);
    input().OnLButtonUp(keys::kShiftFlag, 30, 30);
    EXPECT_EQ(Zoom(), 1);
}

TEST_F(ZoomAndPan, PanningFollowsThePointerFourTimesFasterWithCtrl) {
    // A client wider than the drawing: the drawing is centred across and pans only up and down.
    view().ResizeClient(400, 150);
    workspace->viewGeometry.Clamp();
    EXPECT_EQ(view().OriginX(), -50);
    view().SetOrigin(-50, 40);
    input().OnRButtonDown(0, 10, 75); // beside the drawing
    EXPECT_TRUE(workspace->panManager.IsPanning());
    input().OnMouseMove(0, 10, 73);
    EXPECT_EQ(view().OriginY(), 42) << "the drawing follows the pointer";
    input().OnMouseMove(keys::kCtrlFlag, 10, 68);
    EXPECT_EQ(view().OriginY(), 62);
    input().OnMouseMove(keys::kShiftFlag, 12, 63);
    EXPECT_EQ(view().OriginY(), 72);
    EXPECT_EQ(view().OriginX(), -50);
    EXPECT_EQ(refresh().reasons.back(), "R_DoPan");
    input().OnRButtonUp(0, 10, 63);
    EXPECT_FALSE(workspace->panManager.IsPanning());

    // A left press beside the drawing pans too, and the scroll stops at the drawing's edge.
    input().OnLButtonDown(0, 10, 75);
    input().OnMouseMove(keys::kCtrlFlag, 10, 55);
    EXPECT_EQ(view().OriginY(), 225 - 150);
    input().OnLButtonUp(0, 10, 55);
    EXPECT_FALSE(workspace->panManager.IsPanning());
    EXPECT_FALSE(workspace->viewWindow.Captured());
}

TEST_F(ZoomAndPan, ScrollBarsSpanTheHiddenPartAndMoveTheViewAsAPanDoes) {
    // 300 x 225 drawing pixels in a 200 x 150 client at 100 %.
    ViewGeometry& geometry = workspace->viewGeometry;
    EXPECT_EQ(geometry.HorizontalScroll().maximum, 100);
    EXPECT_EQ(geometry.HorizontalScroll().page, 200);
    EXPECT_EQ(geometry.VerticalScroll().maximum, 75);

    workspace->panManager.ScrollTo(60, 30);
    EXPECT_EQ(view().OriginX(), 60);
    EXPECT_EQ(view().OriginY(), 30);
    EXPECT_EQ(refresh().reasons.back(), "R_DoPan");
    workspace->panManager.ScrollTo(500, -5);
    EXPECT_EQ(view().OriginX(), 100) << "clamped as a pan is";
    EXPECT_EQ(view().OriginY(), 0);

    // The bars follow a pan and a zoom.
    workspace->panManager.Begin(100, 100, false);
    input().OnMouseMove(0, 120, 90);
    EXPECT_EQ(geometry.HorizontalScroll().value, 80);
    EXPECT_EQ(geometry.VerticalScroll().value, 10);
    workspace->panManager.End();
    zoom().StepIn(100, 75);
    EXPECT_EQ(geometry.HorizontalScroll().maximum, 300 - 100) << "at 200 % the view shows 100 pixels across";
    zoom().ZoomToMin(100, 75);
    EXPECT_EQ(geometry.HorizontalScroll().maximum, 0) << "the whole drawing is in view";
    EXPECT_EQ(geometry.VerticalScroll().maximum, 0);
    const int32_t originX = view().OriginX();
    workspace->panManager.ScrollTo(0, 0);
    EXPECT_EQ(view().OriginX(), originX) << "nothing to scroll: the drawing stays centred";
}

TEST_F(ZoomAndPan, MagnifiedPansKeepTheMoveShortOfAPixel) {
    view().SetZoom(4);
    view().SetOrigin(20, 20);
    workspace->panManager.Begin(100, 100, false);
    input().OnMouseMove(0, 98, 100);
    input().OnMouseMove(0, 96, 100);
    EXPECT_EQ(view().OriginX(), 21) << "two moves of 2 view pixels make one drawing pixel at 400 %";
}

TEST_F(ZoomAndPan, BrushSizesAreOddAndTheOutlineShowsTheFootprint) {
    for (const auto& [size, normal] : {std::pair{0, 3}, {1, 3}, {2, 3}, {3, 3}, {24, 25}, {25, 25}}) {
        EXPECT_EQ(ScreenTool::NormalizeSize(size), normal);
    }
    BrushOutline& outline = workspace->brushOutline;
    outline.Build(24, 1);
    EXPECT_EQ(outline.Diameter(), 25);
    EXPECT_EQ(outline.Offsets().front(), (IntPoint{12, 0}));
    EXPECT_EQ(outline.Offsets().back(), (IntPoint{0, 12}));
    outline.Build(25, 2); // footprint 13 drawing pixels, 26 view pixels
    EXPECT_EQ(outline.Diameter(), 27);
    outline.Build(25, -2); // footprint 51 drawing pixels, 25 view pixels
    EXPECT_EQ(outline.Diameter(), 25);
}

TEST_F(ZoomAndPan, TheOutlineContrastsEachPixelOnceAndLeavesNoTrace) {
    Image24& display = view().Display();
    for (int32_t y = 0; y < display.Height(); ++y) {
        for (int32_t x = 0; x < display.Width(); ++x) {
            display.SetColor(x, y, 0x00C8C8C8);
        }
    }
    view().ViewBuffer().Pixels().assign(view().ViewBuffer().Pixels().size(), 0xC8);
    BrushOutline& outline = workspace->brushOutline;
    outline.Build(9, 1);
    outline.MoveTo(50, 50);
    EXPECT_EQ(display.Pixel(54, 50)[0], 64) << "on the circle, on an axis";
    EXPECT_EQ(display.Pixel(50, 46)[0], 64);
    EXPECT_EQ(display.Pixel(50, 50)[0], 0xC8);
    outline.MoveTo(80, 50);
    EXPECT_EQ(display.Pixel(54, 50)[0], 0xC8) << "the old outline is gone";
    EXPECT_EQ(display.Pixel(84, 50)[0], 64);
    outline.Remove();
    EXPECT_EQ(display.Pixel(84, 50)[0], 0xC8);
}

} // namespace
} // namespace ts
