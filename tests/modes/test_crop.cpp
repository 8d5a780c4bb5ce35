// Cropping and expanding: the frame of Page > Size dragged and typed, applied with Enter or the bar,
// to the current layer or all layers, and the Layer menu's Crop, Expand and Fit; each undone exactly.

#include "interact/interaction_test_support.h"
#include "measure/layer_scale.h"
#include "measure/measure_scale.h"
#include "workspace/gesture_script.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>

namespace ts {
namespace {

using testing::AmountAt;
using testing::ColorAt;
using testing::Paint;

// The new drawing is 300 x 225 drawing pixels; its blank layer 150 x 112 at (75, 56). The client shows
// the whole drawing at 1:1.
class Crop : public testing::InteractionTest {
protected:
    Crop() {
        view().ResizeClient(400, 300);
        view().SetOrigin(0, 0);
    }
    CCropManager& mode() { return workspace->cropManager; }
    template <class C> C& Control(int32_t id) { return *dynamic_cast<C*>(mode().Panel().Find(id)); }
    std::string Text(int32_t id) { return Control<EditBox>(id).GetText(); }
    void Enter() { ASSERT_TRUE(workspace->RunCommand(cmd::kPageSize)); }
    void Units(const char* item) {
        ComboBox& units = Control<ComboBox>(CCropManager::kUnits);
        for (size_t i = 0; i < units.Items().size(); ++i) {
            if (units.Items()[i] == item) {
                units.UserSelect(static_cast<int32_t>(i));
            }
        }
    }
    // A drag between two drawing points, through the view as the mouse does it.
    void Drag(IntPoint from, IntPoint to) {
        input().OnMouseMove(0, from.x, from.y);
        input().OnLButtonDown(1, from.x, from.y);
        input().OnMouseMove(1, (from.x + to.x) / 2, (from.y + to.y) / 2);
        input().OnMouseMove(1, to.x, to.y);
        input().OnLButtonUp(0, to.x, to.y);
    }
    std::unique_ptr<LayerObject> Copy(const LayerObject& layer) {
        auto copy = std::make_unique<LayerObject>();
        copy->CopyFrom(layer, true);
        return copy;
    }
    static constexpr Rect kBlank{75, 56, 225, 168};
};

TEST_F(Crop, PageSizeEntersTheModeWithTheFrameOnTheLayerAndLeavingDropsAPendingFrame) {
    Enter();
    EXPECT_EQ(workspace->environmentManager.Current(), &mode());
    EXPECT_EQ(mode().GetModeId(), 4);
    EXPECT_EQ(ui.StatusPane(0), "Adjust cropping frame");
    EXPECT_EQ(mode().Frame(), kBlank);
    EXPECT_TRUE(mode().CropFrame().IsShown());
    EXPECT_EQ(Control<ComboBox>(CCropManager::kUnits).Items().size(), 8u);
    EXPECT_EQ(Control<EditBox>(CCropManager::kHeight).Rectangle(), (Rect{210, 37, 317, 57}));
    EXPECT_EQ(Control<CHuecraftButton>(CCropManager::kToBoard).Rectangle(), (Rect{431, 38, 491, 56}));
    // Inches on the page: 150 drawing pixels are 2 inches.
    EXPECT_EQ(Text(CCropManager::kWidth), " 2.000");

    Drag({224, 100}, {150, 100});
    EXPECT_TRUE(mode().Pending());
    workspace->environmentManager.ReturnToSelect();
    EXPECT_FALSE(mode().Pending());
    EXPECT_FALSE(mode().CropFrame().IsShown());
    EXPECT_EQ(current().bounds, kBlank);
    EXPECT_EQ(undo().UndoCount(), 1); // only the new drawing's record
}

TEST_F(Crop, DraggingOnlyTheRightSideCutsTheRightAndUndoBringsTheLayerBackExactly) {
    Paint(current(), 10, 10, 0x00112233);
    Paint(current(), 120, 10, 0x00445566);
    const auto before = Copy(current());
    Enter();
    Units("pix");
    Drag({224, 112}, {174, 112}); // the right middle handle, 50 pixels in
    EXPECT_EQ(mode().Frame(), (Rect{75, 56, 175, 168}));
    EXPECT_EQ(Text(CCropManager::kWidth), "100");
    EXPECT_EQ(Text(CCropManager::kHeight), "112");
    Key(keys::kReturn);
    EXPECT_FALSE(mode().Pending());
    EXPECT_EQ(current().bounds, (Rect{75, 56, 175, 168}));
    EXPECT_EQ(current().offsetX, 75);
    EXPECT_EQ(ColorAt(current(), 10, 10), 0x00112233u);
    EXPECT_EQ(current().color->red->Width(), 100);
    ASSERT_NE(undo().NewestUndo(), nullptr);
    EXPECT_EQ(undo().NewestUndo()->kind, UndoRedo::kLayerChanged);
    // Enter with nothing pending does nothing more.
    Key(keys::kReturn);
    EXPECT_EQ(undo().UndoCount(), 2);

    ASSERT_TRUE(workspace->RunCommand(cmd::kUndo));
    EXPECT_TRUE(current().SameAs(*before));
    EXPECT_EQ(current().bounds, kBlank);
    EXPECT_EQ(ColorAt(current(), 120, 10), 0x00445566u);
}

TEST_F(Crop, TypedSizesMoveTheRightAndBottomSidesInEveryUnit) {
    Enter();
    Units("in");
    Control<EditBox>(CCropManager::kWidth).UserEdit("1");
    EXPECT_EQ(mode().Frame(), (Rect{75, 56, 150, 168})); // an inch is 75 drawing pixels
    Units("mm");
    EXPECT_EQ(Text(CCropManager::kWidth), " 25.4");
    Units("%");
    Control<EditBox>(CCropManager::kHeight).UserEdit("50");
    EXPECT_EQ(mode().Frame(), (Rect{75, 56, 150, 112})); // half the height at entry
    // A text that is no size yet leaves the frame alone.
    Control<EditBox>(CCropManager::kHeight).UserEdit(".");
    EXPECT_EQ(mode().Frame().bottom, 112);
    EXPECT_EQ(Text(CCropManager::kHeight), "."); // what is typed stays while it is typed
    Units("pix");
    Control<EditBox>(CCropManager::kWidth).UserEdit("0");
    EXPECT_EQ(mode().Frame().right, 150);

    // "real": through the layer's calibration, here one drawing pixel for a real inch.
    current().scale[kCalibrationSetting] = 4.0 * kInchesPerMeter;
    Units("real");
    EXPECT_EQ(workspace->unitsManager.Unit(), UnitsManager::kFeetAndInches);
    EXPECT_EQ(Text(CCropManager::kWidth), "6'  3");
    Control<EditBox>(CCropManager::kWidth).UserEdit("10' 0");
    EXPECT_EQ(mode().Frame().right, 75 + 120);
    EXPECT_FALSE(Control<EditBox>(CCropManager::kWidth).Accepts('x'));

    Key(keys::kReturn);
    EXPECT_EQ(current().bounds, (Rect{75, 56, 195, 112}));
}

TEST_F(Crop, AFrameLargerThanTheLayerAddsEmptyMarginAndToBoardFitsTheLayerToThePage) {
    Paint(current(), 0, 0, 0x000000FF);
    Enter();
    // Enlarged within the page: the new margin is empty and the paint stays where it was on the page.
    Drag({224, 167}, {259, 199});
    Key(keys::kReturn);
    EXPECT_EQ(current().bounds, (Rect{75, 56, 260, 200}));
    EXPECT_EQ(ColorAt(current(), 0, 0), 0x000000FFu);
    EXPECT_EQ(AmountAt(current(), 170, 130), 0);

    // "To Board" takes the frame to the page; Enter keeps sides on the page's edge at the layer's...
    Control<CHuecraftButton>(CCropManager::kToBoard).UserClick();
    EXPECT_EQ(mode().Frame(), stack().DrawingRect());
    EXPECT_EQ(refresh().reasons.back(), "Reset Object Size");
    Key(keys::kReturn);
    EXPECT_EQ(current().bounds, (Rect{75, 56, 260, 200}));
    // ...while the bar's button takes the whole page as it stands.
    Control<CHuecraftButton>(CCropManager::kToBoard).UserClick();
    Control<CHuecraftButton>(CCropManager::kApplyButton).UserClick();
    EXPECT_EQ(current().bounds, stack().DrawingRect());
    EXPECT_EQ(ColorAt(current(), 75, 56), 0x000000FFu);
    EXPECT_EQ(AmountAt(current(), 0, 0), 0);
}

TEST_F(Crop, AllLayersCutsEveryDrawingLayerDeletesOneOutsideAndKeepsBackdropAndPaper) {
    const uint32_t blankId = current().id;
    const uint32_t outsideId = AddLayer(40, 40, 250, 180).id;
    const uint32_t overlapId = AddLayer(100, 100, 0, 0).id;
    const auto backdrop = Copy(layer(0));
    const auto paper = Copy(layer(1));
    ops().Select(stack().IndexOfId(blankId));
    Enter();
    Control<CheckBox>(CCropManager::kAllLayers).UserClick();
    EXPECT_TRUE(mode().AllLayers());
    Drag({75, 112}, {90, 112}); // left side in by 15
    Key(keys::kReturn);

    EXPECT_EQ(stack().IndexOfId(outsideId), -1);
    ASSERT_GE(stack().IndexOfId(overlapId), 2);
    EXPECT_EQ(layer(stack().IndexOfId(overlapId)).bounds, (Rect{90, 56, 100, 100}));
    EXPECT_EQ(current().id, blankId);
    EXPECT_EQ(current().bounds, (Rect{90, 56, 225, 168}));
    // (Saving the drawing for undo writes the backdrop's kind into the backdrop's offsets.)
    for (const auto& [index, before] : {std::pair{0, backdrop.get()}, std::pair{1, paper.get()}}) {
        EXPECT_EQ(layer(index).name, before->name);
        EXPECT_EQ(layer(index).bounds, before->bounds);
        ASSERT_TRUE(layer(index).image && before->image);
        EXPECT_TRUE(layer(index).image->SameContents(*before->image));
    }
    ASSERT_NE(undo().NewestUndo(), nullptr);
    EXPECT_EQ(undo().NewestUndo()->kind, UndoRedo::kDrawing);

    // The whole drawing comes back, the deleted layer in its place.
    ASSERT_TRUE(workspace->RunCommand(cmd::kUndo));
    ASSERT_EQ(stack().Count(), 5);
    EXPECT_EQ(layer(2).bounds, kBlank);
    EXPECT_EQ(layer(3).bounds, (Rect{250, 180, 290, 220}));
    EXPECT_EQ(layer(4).bounds, (Rect{0, 0, 100, 100}));
}

TEST_F(Crop, AllLayersCutsOtherLayersWhereTheFrameLiesNotRelativeToTheCurrentLayer) {
    // The current layer away from the page's corner: every layer is cut at the frame's own place.
    const uint32_t otherId = AddLayer(300, 225, 0, 0).id;
    ops().Select(2);
    Enter();
    Control<CheckBox>(CCropManager::kAllLayers).UserClick();
    Drag({224, 112}, {199, 112});
    Key(keys::kReturn);
    EXPECT_EQ(current().bounds, (Rect{75, 56, 200, 168}));
    EXPECT_EQ(layer(stack().IndexOfId(otherId)).bounds, (Rect{75, 56, 200, 168}));
}

TEST_F(Crop, TheLayerMenuCropsExpandsAndFitsTheLayerToThePageWithUndo) {
    LayerObject& wide = AddLayer(100, 50, -20, 10);
    Paint(wide, 0, 0, 0x00FF0000);
    const auto before = Copy(wide);

    ASSERT_TRUE(workspace->RunCommand(cmd::kCropFullPage));
    EXPECT_EQ(current().bounds, (Rect{0, 10, 80, 60}));
    ASSERT_TRUE(workspace->RunCommand(cmd::kUndo));
    EXPECT_TRUE(current().SameAs(*before));

    ASSERT_TRUE(workspace->RunCommand(cmd::kExpandFullPage));
    EXPECT_EQ(current().bounds, (Rect{-20, 0, 300, 225})); // nothing is cut
    EXPECT_EQ(ColorAt(current(), 0, 10), 0x00FF0000u);
    ASSERT_TRUE(workspace->RunCommand(cmd::kUndo));
    EXPECT_TRUE(current().SameAs(*before));

    // Fit: 100 x 50 scaled by 3 to the page's width, centred down the page.
    ASSERT_TRUE(workspace->RunCommand(cmd::kFitFullPage));
    EXPECT_EQ(current().bounds, (Rect{0, 37, 300, 187}));
    EXPECT_EQ(ColorAt(current(), 2, 2), 0x00FF0000u);
    EXPECT_EQ(current().color->red->Width(), 300);
    ASSERT_TRUE(workspace->RunCommand(cmd::kUndo));
    EXPECT_TRUE(current().SameAs(*before));
}

TEST_F(Crop, ThePrintableAreaIsCentredOnThePageAndALayerOutsideItIsKept) {
    Page page = ops().CurrentPage();
    page.printableWidth = page.width - 200; // 25 drawing pixels of margin each side
    page.printableHeight = page.height - 100;
    ops().SetPage(page);
    EXPECT_EQ(workspace->layerCropper.PrintableArea(), (Rect{25, 12, 275, 212}));

    AddLayer(300, 225, 0, 0);
    ASSERT_TRUE(workspace->RunCommand(cmd::kCropPrintable));
    EXPECT_EQ(current().bounds, (Rect{25, 12, 275, 212}));
    ASSERT_TRUE(workspace->RunCommand(cmd::kFitPrintable));
    EXPECT_EQ(current().bounds, (Rect{25, 12, 275, 212})); // already fits exactly

    AddLayer(10, 10, 0, 0);
    EXPECT_FALSE(workspace->layerCropper.CropTo(workspace->layerCropper.PrintableArea()));
    EXPECT_EQ(ui.Messages().back().text, LayerCropper::kOutsideArea);
    EXPECT_EQ(current().bounds, (Rect{0, 0, 10, 10}));
}

TEST_F(Crop, AReplayedScriptDragsTheRightHandleAndPressesEnter) {
    GestureScript script(*workspace);
    std::string error;
    ASSERT_TRUE(script.Run("command Page/Size\n"
                           "panel Units pix\n"
                           "press 224 111\n"
                           "move 200 111\n"
                           "release 180 111\n"
                           "key 13\n",
                           error))
        << error;
    EXPECT_EQ(current().bounds, (Rect{75, 56, 181, 168}));
    ASSERT_TRUE(script.Run("panel Height 100\npanel \"Crop/Expand\"\n", error)) << error;
    EXPECT_EQ(current().bounds, (Rect{75, 56, 181, 156}));
}

} // namespace
} // namespace ts
