// The selection transform mode over a headless workspace: the quadrilateral's handles, the bar, the
// frame targets, Create Perspective and its undo.

#include "modes/painting_test_support.h"
#include "perspective/layer_transform.h"

#include <gtest/gtest.h>

namespace ts {
namespace {

using testing::Paint;

class SelectionTransform : public testing::PaintingTest {
protected:
    // A painted layer of 100 x 60 at (50, 40), current.
    LayerObject& Facade() {
        LayerObject& layer = PaintLayer(100, 60, 50, 40);
        for (int32_t y = 0; y < 60; y += 3) {
            for (int32_t x = 0; x < 100; x += 2) {
                Paint(layer, x, y, 0x00000080 + static_cast<uint32_t>(x), 200);
            }
        }
        testing::DrawWall(layer, 10, 5, 55);
        return layer;
    }
    SelectionMorph& morph() { return workspace->selectionMorph; }
    MorphSelector& selector() { return morph().Selector(); }
};

TEST_F(SelectionTransform, TheToolOpensTheBarWithTheQuadrilateralOnTheLayer) {
    Facade();
    Gesture("tool MorphTool");
    EXPECT_EQ(workspace->environmentManager.Current(), &morph());
    EXPECT_EQ(ui.StatusPane(0), SelectionMorph::kPrompt);
    for (const char* caption : {"Lines", "Lighting", "Surface Color", "Perspective", "Create Perspective",
                                "Floorplan", "Sketch Frame"}) {
        bool found = false;
        for (const auto& c : morph().Panel().Controls()) {
            found = found || c->Caption() == caption;
        }
        EXPECT_TRUE(found) << caption;
    }
    EXPECT_TRUE(selector().IsShown());
    EXPECT_EQ(selector().Corners()[0], (IntPoint{50, 40}));
    EXPECT_EQ(selector().Corners()[2], (IntPoint{150, 100}));
    EXPECT_TRUE(selector().Mesh().IsBuilt());
    // Leaving the mode takes the outline down.
    Gesture("tool SelectTool");
    EXPECT_FALSE(selector().IsShown());
    EXPECT_TRUE(Reasons("SelectionMorphTakeDown"));
}

TEST_F(SelectionTransform, DraggingAHandleMovesItsCornerAndDraggingInsideMovesThemAll) {
    Facade();
    Gesture("tool MorphTool\npress 150 40\nmove 160 55\nrelease 170 60");
    EXPECT_EQ(selector().Corners()[1], (IntPoint{170, 60}));
    EXPECT_EQ(selector().Corners()[0], (IntPoint{50, 40}));
    EXPECT_TRUE(Reasons("MorphSelectorMoveCorner"));
    EXPECT_TRUE(Reasons("MorphSelectorRefresh"));
    Gesture("press 90 70\nmove 95 70\nrelease 100 75");
    EXPECT_EQ(selector().Corners()[0], (IntPoint{60, 45}));
    EXPECT_EQ(selector().Corners()[1], (IntPoint{180, 65}));
    EXPECT_TRUE(Reasons("MorphSelector Move"));
    // Outside the figure a press moves nothing.
    Gesture("press 400 300\nmove 420 320\nrelease 420 320");
    EXPECT_EQ(selector().Corners()[0], (IntPoint{60, 45}));
    // "Perspective" puts the corners back on the layer.
    Gesture("panel Perspective");
    EXPECT_EQ(selector().Corners()[1], (IntPoint{150, 40}));
}

TEST_F(SelectionTransform, CreatePerspectiveMorphsTheLayerAndOneUndoTakesItBack) {
    LayerObject& layer = Facade();
    const auto before = Copy(layer);
    Gesture("tool MorphTool\npress 150 40\nrelease 200 70\npress 150 100\nrelease 200 90");
    Gesture("panel \"Create Perspective\"");
    EXPECT_TRUE(ui.Messages().empty()) << ui.LastMessageText();
    EXPECT_EQ(current().bounds, (Rect{50, 40, 200, 100}));
    EXPECT_FALSE(current().SameAs(*before));
    EXPECT_TRUE(Reasons("Create Perspective"));
    EXPECT_EQ(ui.WaitCursorDepth(), 0);
    workspace->RunCommand(cmd::kUndo);
    EXPECT_TRUE(current().SameAs(*before));
    EXPECT_EQ(current().bounds, before->bounds);
    EXPECT_EQ(current().offsetX, 50);
}

TEST_F(SelectionTransform, NothingChosenOrAFigureWithoutAnInsideChangesNothing) {
    LayerObject& layer = Facade();
    const auto before = Copy(layer);
    const int32_t records = undo().UndoCount();
    Gesture("tool MorphTool\npanel Lines\npanel Lighting\npanel \"Surface Color\"");
    EXPECT_EQ(morph().Components(), 0u);
    Gesture("panel \"Create Perspective\"");
    EXPECT_EQ(ui.LastMessageText(), SelectionMorph::kNothingChosen);
    EXPECT_EQ(undo().UndoCount(), records);
    // A dart: the bottom-right corner pushed in past the diagonal.
    Gesture("panel Lines\npress 150 100\nrelease 70 50\npanel \"Create Perspective\"");
    EXPECT_EQ(ui.LastMessageText(), SelectionMorph::kBadShape);
    // A frame dragged out far beyond any layer that could be made.
    selector().SetCorners({IntPoint{50, 40}, IntPoint{90000, 40}, IntPoint{90000, 70000}, IntPoint{50, 100}});
    Gesture("panel \"Create Perspective\"");
    EXPECT_EQ(ui.LastMessageText(), SelectionMorph::kTooLarge);
    EXPECT_TRUE(current().SameAs(*before));
    EXPECT_EQ(undo().UndoCount(), records);
}

TEST_F(SelectionTransform, TheFrameTargetsTakeTheFloorCornersOfTheirLayerOrSaySoWhenThereIsNone) {
    Facade();
    Gesture("tool MorphTool\npanel \"Sketch Frame\"");
    EXPECT_EQ(ui.LastMessageText(), SelectionMorph::kNoSketchFrame);
    Gesture("panel Floorplan");
    EXPECT_EQ(ui.LastMessageText(), SelectionMorph::kNoFloorPlan);
    // A frame layer keeps its floor corners in its own pixels.
    LayerObject& frame = AddLayer(400, 300, 100, 50, kSketchFrameName);
    frame.frame->hasCorners = true;
    frame.frame->corners = {Wireframe::Corner{100, 150}, {300, 130}, {360, 250}, {20, 260}};
    workspace->layerOperations.Select(stack().Count() - 2);
    ui.ClearMessages();
    Gesture("panel \"Sketch Frame\"");
    EXPECT_TRUE(ui.Messages().empty());
    EXPECT_EQ(selector().Corners()[0], (IntPoint{200, 200}));
    EXPECT_EQ(selector().Corners()[3], (IntPoint{120, 310}));
    // "Create SketchOver" lays the layer onto the same floor in one go.
    workspace->RunCommand(cmd::kCreateSketchOver);
    EXPECT_TRUE(ui.Messages().empty()) << ui.LastMessageText();
    EXPECT_EQ(current().bounds, (Rect{120, 180, 460, 310}));
}

} // namespace
} // namespace ts
