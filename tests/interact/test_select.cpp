// The select mode and tool: picking layers, the selection frame's handles and drags, and its keys.

#include "interaction_test_support.h"

#include <gtest/gtest.h>

namespace ts {
namespace {

using testing::Paint;

class Selecting : public testing::InteractionTest {
protected:
    // A layer at (x, y) of w x h drawing pixels, painted all over with the amount.
    LayerObject& PaintedLayer(int32_t x, int32_t y, int32_t w, int32_t h, uint8_t amount = 255) {
        LayerObject& layer = AddLayer(w, h, x, y);
        for (int32_t j = 0; j < h; ++j) {
            for (int32_t i = 0; i < w; ++i) {
                Paint(layer, i, j, 0x00204060, amount);
            }
        }
        return layer;
    }
    SelectionTracker& tracker() { return *select().Tracker(); }
    void Click(int32_t x, int32_t y, uint32_t flags = 0) {
        input().OnLButtonDown(flags, x, y);
        input().OnLButtonUp(flags, x, y);
    }
    void Drag(IntPoint from, IntPoint to) {
        input().OnLButtonDown(0, from.x, from.y);
        input().OnMouseMove(0, (from.x + to.x) / 2, (from.y + to.y) / 2);
        input().OnMouseMove(0, to.x, to.y);
        input().OnLButtonUp(0, to.x, to.y);
    }
};

TEST_F(Selecting, APressPicksTheLayerThatShowsMostAndAnEmptySpotHidesTheFrame) {
    PaintedLayer(10, 10, 40, 40);       // index 3
    PaintedLayer(30, 30, 40, 40, 128);  // index 4, half covering
    PaintedLayer(100, 10, 20, 20, 255); // index 5
    Click(20, 20);
    EXPECT_EQ(stack().Current(), 3);
    EXPECT_TRUE(tracker().IsShown());
    EXPECT_EQ(ui.StatusPane(StatusPrompt::kLayerPane), "Layer: Blank Layer: 2 of 4");
    Click(105, 15);
    EXPECT_EQ(stack().Current(), 5);
    Click(180, 120); // nothing painted there
    EXPECT_EQ(stack().Current(), 5);
    EXPECT_FALSE(tracker().IsShown());
    // Under half-covering paint the upper layer shows a little more than the one below it.
    Click(40, 40);
    EXPECT_EQ(stack().Current(), 4);
    EXPECT_TRUE(tracker().IsShown());
    // A press inside the frame grabs it instead of picking.
    Click(20 + 15, 35);
    EXPECT_EQ(stack().Current(), 4);
}

TEST_F(Selecting, TiesGoToTheUpperLayerAndHiddenLayersAreNotPicked) {
    PaintedLayer(10, 10, 20, 20, 255);
    LayerObject& upper = PaintedLayer(10, 10, 20, 20, 128);
    const SelectionDetector& detector = workspace->selectionDetector;
    const std::vector<int64_t> shown = detector.Contributions({20, 20}, 4);
    EXPECT_GT(shown[4], 0);
    EXPECT_GT(shown[3], 0) << "half of the lower layer shows through";
    EXPECT_EQ(detector.Pick({20, 20}, 4), 4);
    upper.hidden = true;
    EXPECT_EQ(detector.Pick({20, 20}, 4), 3);

    // Two layers that show equally much (4 of the square's 9 columns each): the later one wins.
    PaintedLayer(40, 40, 4, 9, 255);
    PaintedLayer(45, 40, 4, 9, 255);
    EXPECT_EQ(detector.Pick({44, 44}, 4), 6);
    EXPECT_EQ(detector.Pick({43, 44}, 4), 5);
    EXPECT_EQ(detector.Pick({150, 150}, 4), -1);
}

TEST_F(Selecting, HandlesAreHitInOrderAndSetTheirCursors) {
    PaintedLayer(20, 30, 60, 40);
    select().SelectLayer(3);
    const Rect f = tracker().ClientFrame();
    ASSERT_EQ(f, (Rect{20, 30, 80, 70}));
    SelectTool& tool = workspace->selectTool;
    const struct {
        IntPoint at;
        int32_t hit;
        int32_t cursor;
    } cases[] = {
        {{20, 49}, 0, cursors::kSizeWE},  {{21, 31}, 1, cursors::kSizeNWSE},
        {{49, 30}, 2, cursors::kSizeNS},  {{79, 30}, 3, cursors::kSizeNESW},
        {{81, 50}, 4, cursors::kSizeWE},  {{79, 69}, 5, cursors::kSizeNWSE},
        {{49, 72}, 6, cursors::kSizeNS},  {{18, 69}, 7, cursors::kSizeNESW},
        {{40, 40}, 8, cursors::kSizeAll}, {{90, 90}, -1, cursors::kArrow},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(tool.HitTest(c.at.x, c.at.y), c.hit) << c.at.x << "," << c.at.y;
        EXPECT_EQ(workspace->viewWindow.Cursor(), c.cursor);
    }
    // The move over the window runs the same test while the frame is shown.
    input().OnMouseMove(0, 21, 31);
    EXPECT_EQ(workspace->viewWindow.Cursor(), cursors::kSizeNWSE);
    select().HideFrame("test");
    EXPECT_EQ(tool.HitTest(40, 40), -1);
}

TEST_F(Selecting, DraggingTheFrameMovesTheLayerAndUndoPutsItBack) {
    LayerObject& layer = PaintedLayer(20, 30, 60, 40);
    select().SelectLayer(3);
    const int32_t records = undo().UndoCount();
    Drag({40, 40}, {55, 35});
    EXPECT_EQ(layer.bounds, (Rect{35, 25, 95, 65}));
    EXPECT_EQ(layer.offsetX, 35);
    EXPECT_EQ(undo().UndoCount(), records + 1);
    EXPECT_EQ(undo().NewestUndo()->kind, UndoRedo::kLayerMoved);
    EXPECT_EQ(refresh().reasons.back(), "R_TrackerDragEnded");
    EXPECT_EQ(refresh().reasons[refresh().reasons.size() - 2], "UpdateObjectPosition");
    undo().Undo();
    EXPECT_EQ(layer.bounds, (Rect{20, 30, 80, 70}));
}

TEST_F(Selecting, SizingStretchesTheLayerAndUndoBringsTheOldSizeBack) {
    PaintedLayer(20, 30, 60, 40);
    select().SelectLayer(3);
    Drag({80, 69}, {110, 99}); // the bottom-right handle, 30 further each way
    const LayerObject* sized = stack().Layer(3);
    EXPECT_EQ(sized->bounds, (Rect{20, 30, 110, 100}));
    EXPECT_EQ(stack().LayerWidth(*sized), 90);
    EXPECT_EQ(testing::AmountAt(*sized, 89, 69), 255) << "the paint is stretched with the layer";
    EXPECT_EQ(undo().NewestUndo()->kind, UndoRedo::kLayerChanged);
    undo().Undo();
    EXPECT_EQ(stack().Layer(3)->bounds, (Rect{20, 30, 80, 70}));
    EXPECT_EQ(stack().LayerWidth(*stack().Layer(3)), 60);

    // With the proportion lock the height follows the width.
    select().SelectLayer(3);
    ASSERT_TRUE(env().Current()->PanelCreated());
    static_cast<CheckBox*>(env().Current()->Panel().Find(SelectManager::kProportionLockId))->UserClick();
    EXPECT_TRUE(select().ProportionLock());
    Drag({81, 50}, {141, 80}); // the right handle: twice as wide
    EXPECT_EQ(stack().Layer(3)->bounds, (Rect{20, 30, 140, 110}));
}

TEST_F(Selecting, KeysNudgeChangeAndDeleteLayersAndEscHidesTheFrame) {
    settings.WriteInt("Settings", "NudgeStrength", 3);
    LayerObject& layer = PaintedLayer(20, 30, 10, 10);
    select().SelectLayer(3);
    EXPECT_TRUE(Key(keys::kLeft));
    EXPECT_TRUE(Key(keys::kDown));
    EXPECT_EQ(layer.bounds, (Rect{17, 33, 27, 43}));
    EXPECT_FALSE(ui.WaitCursorShown());
    EXPECT_EQ(undo().NewestUndo()->kind, UndoRedo::kLayerMoved);

    EXPECT_TRUE(Key(keys::kPageDown));
    EXPECT_EQ(stack().Current(), 2);
    EXPECT_TRUE(Key(keys::kPageUp));
    EXPECT_EQ(stack().Current(), 3);
    EXPECT_TRUE(Key(keys::kDelete));
    EXPECT_EQ(stack().Count(), 3);
    EXPECT_EQ(tracker().Frame(), stack().Layer(2)->bounds) << "the frame goes to the layer now current";

    EXPECT_TRUE(Key(keys::kEscape));
    EXPECT_FALSE(tracker().IsShown());
    EXPECT_EQ(refresh().reasons.back(), "EscapeCancelSelectionFrame");
    EXPECT_EQ(workspace->viewWindow.Cursor(), cursors::kArrow);
}

TEST_F(Selecting, AnArrowKeyInAnotherModeReturnsToTheSelectModeFirst) {
    LayerObject& layer = PaintedLayer(20, 30, 10, 10);
    testing::FakeMode paint(Env::kSurfaceId, true);
    env().EnterMode(&paint, "Color", "Paint on color.");
    EXPECT_TRUE(Key(keys::kRight));
    EXPECT_EQ(env().Current(), &select());
    EXPECT_TRUE(paint.keys.empty());
    EXPECT_EQ(layer.offsetX, 21);
}

} // namespace
} // namespace ts
