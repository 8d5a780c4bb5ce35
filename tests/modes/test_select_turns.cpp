// The select mode's turns: quarter turns of a layer or of the whole drawing, and a typed angle.

#include "modes/painting_test_support.h"

#include <gtest/gtest.h>

namespace ts {
namespace {

using testing::Paint;

class SelectTurns : public testing::PaintingTest {
protected:
    // A layer with paint, lighting and a line, 90 x 40 at (100, 80), current, in the select mode.
    LayerObject& Layer() {
        LayerObject& layer = PaintLayer(90, 40, 100, 80);
        Paint(layer, 0, 0, 0x000000FF);
        Paint(layer, 89, 39, 0x0000FF00);
        layer.shadow = std::make_unique<ObjectShadow>();
        EXPECT_TRUE(layer.shadow->Create(90, 40));
        testing::SetByte(*layer.shadow->lighting, 5, 30, 9);
        testing::DrawWall(layer, 60, 3, 30);
        layer.frame->hasCorners = true;
        layer.frame->corners = {Wireframe::Corner{1, 2}, {80, 3}, {85, 35}, {4, 30}};
        Gesture("tool SelectTool");
        return layer;
    }
    SelectManager& select() { return workspace->selectManager; }
};

TEST_F(SelectTurns, AQuarterTurnAndTheTurnBackGiveTheLayerBackByteForByte) {
    LayerObject& layer = Layer();
    const auto before = Copy(layer);
    const int32_t records = undo().UndoCount();
    Gesture("panel +90");
    EXPECT_EQ(current().bounds, (Rect{125, 55, 165, 145})); // about the same centre
    EXPECT_EQ(current().color->red->Width(), 40);
    // Counter-clockwise: the top-left pixel goes to the bottom left.
    EXPECT_EQ(testing::ColorAt(current(), 0, 89), 0x000000FFu);
    EXPECT_EQ(undo().UndoCount(), records); // like the page turns, no undo record
    Gesture("panel 270");
    EXPECT_TRUE(current().SameAs(*before));
    EXPECT_EQ(current().bounds, before->bounds);
    EXPECT_EQ(current().offsetX, before->offsetX);
    EXPECT_EQ(current().offsetY, before->offsetY);
    // Twice round the other way as well.
    Gesture("panel 270\npanel 270\npanel +90\npanel +90");
    EXPECT_TRUE(layer.SameAs(*before));
}

TEST_F(SelectTurns, WithWholeDrawingTheQuarterTurnsTurnThePage) {
    Layer();
    const int32_t w = stack().DrawingWidth();
    const int32_t h = stack().DrawingHeight();
    Gesture("panel \"Whole Drawing\"\npanel +90");
    EXPECT_TRUE(select().WholeDrawing());
    EXPECT_EQ(stack().DrawingWidth(), h);
    EXPECT_EQ(stack().DrawingHeight(), w);
    EXPECT_EQ(current().bounds, (Rect{80, w - 190, 120, w - 100}));
    Gesture("panel 270");
    EXPECT_EQ(stack().DrawingWidth(), w);
    EXPECT_EQ(current().bounds, (Rect{100, 80, 190, 120}));
}

TEST_F(SelectTurns, ATypedAngleFromMinus360To360TurnsTheLayerAndAnythingElseFails) {
    Layer();
    const auto before = Copy(current());
    const int32_t records = undo().UndoCount();
    // Letters cannot be typed into the entry; what is left of them is no angle.
    for (const char* bad : {"361", "-360.5", "abc", "-", "1e999"}) {
        ui.ClearMessages();
        Gesture(std::string("text ") + bad + "\npanel Rotate");
        EXPECT_EQ(ui.LastMessageText(), SelectManager::kAngleFailed) << bad;
    }
    ui.ClearMessages();
    ui.QueueTextCancel();
    Gesture("panel Rotate");
    EXPECT_EQ(ui.LastMessageText(), SelectManager::kAngleFailed);
    EXPECT_TRUE(current().SameAs(*before));
    EXPECT_EQ(undo().UndoCount(), records);
    for (const char* good : {"360", "-360", " 45 "}) {
        ui.ClearMessages();
        Gesture(std::string("text ") + good + "\npanel Rotate");
        EXPECT_TRUE(ui.Messages().empty()) << good << ": " << ui.LastMessageText();
    }
}

TEST_F(SelectTurns, TurningByAnAngleGrowsTheLayerAndUndoBringsItBackExactly) {
    Layer();
    const auto before = Copy(current());
    Gesture("text 30\npanel Rotate");
    EXPECT_GT(current().bounds.Width(), 90);
    EXPECT_GT(current().bounds.Height(), 40);
    EXPECT_FALSE(current().SameAs(*before));
    EXPECT_TRUE(Reasons("Rotate"));
    workspace->RunCommand(cmd::kUndo);
    EXPECT_TRUE(current().SameAs(*before));
    EXPECT_EQ(current().bounds, before->bounds);
}

} // namespace
} // namespace ts
