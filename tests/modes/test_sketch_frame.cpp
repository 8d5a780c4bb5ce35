// The sketch frame mode: entering it, Create and its refusals, the panel, the floor plan frame, the
// frame tool, undo, and the frame's vanishing points reaching the layer drawn over it.

#include "interact/interaction_test_support.h"
#include "measure/layer_scale.h"
#include "model/frame_layers.h"
#include "platform/profile_settings.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

namespace ts {
namespace {

class SketchFrameMode : public testing::InteractionTest {
protected:
    SketchFrame& frame() { return workspace->sketchFrame; }
    void Enter() { ASSERT_TRUE(workspace->RunCommand(cmd::kShowSketchFrame)); }
    EditBox& Field(int32_t field) { return Control<EditBox>(SketchFrame::kFirstField + field); }
    template <class C> C& Control(int32_t id) {
        auto* c = dynamic_cast<C*>(frame().Panel().Find(id));
        if (!c) {
            throw std::runtime_error("no control " + std::to_string(id));
        }
        return *c;
    }
    void Create() { Control<CHuecraftButton>(SketchFrame::kCreateButton).UserClick(); }
    // The index of the layer with this name, or -1.
    int32_t Named(const std::string& name) {
        for (int32_t i = ImageStackManager::kFirstDrawingLayer; i < stack().Count(); ++i) {
            if (stack().Layer(i)->name == name) {
                return i;
            }
        }
        return -1;
    }
    UndoStore& undo() { return workspace->undoStore; }
};

TEST_F(SketchFrameMode, EnteringTakesTheEmptyBlankLayerAwayAndShowsThePanelWithItsDefaults) {
    ASSERT_EQ(Named("Blank Layer"), 2);
    Enter();
    EXPECT_EQ(env().Current(), &frame());
    EXPECT_EQ(env().Title(), "Sketch Frame");
    EXPECT_EQ(tools().CurrentTool(), &workspace->sketchFrameTool);
    EXPECT_EQ(Named("Blank Layer"), -1);
    EXPECT_EQ(Field(SketchFrame::kWidth).GetText(), "40.0");
    EXPECT_EQ(Field(SketchFrame::kMinorSpacing).GetText(), "2.0");
    EXPECT_EQ(Field(SketchFrame::kMargin).GetText(), "0.05");
    EXPECT_EQ(Field(SketchFrame::kVisionAngle).GetText(), "60");
    EXPECT_EQ(Field(SketchFrame::kVisionAngle).Caption(), "Vision Angle");
    EXPECT_EQ(Control<CHuecraftButton>(SketchFrame::kCreateButton).Rectangle(), (Rect{120, 37, 160, 57}));
    EXPECT_EQ(Control<CHuecraftButton>(SketchFrame::kSketchFrameButton).Rectangle(), (Rect{10, 37, 104, 57}));
    EXPECT_FALSE(Control<CheckBox>(SketchFrame::kInteriorCheck).GetCheck());

    // Blank layers that are not the drawing's only layer stay.
    env().EnterMode(&workspace->idleManager, "", "");
    ASSERT_TRUE(ops().NewBlankLayer(BlankLayerSize::kSmall));
    ASSERT_TRUE(ops().NewBlankLayer(BlankLayerSize::kSmall));
    const int32_t count = stack().Count();
    Enter();
    EXPECT_EQ(stack().Count(), count);
}

TEST_F(SketchFrameMode, TheDefaultsMakeAFrameLayerWhoseVanishingPointsReachTheLayerDrawnOverIt) {
    Enter();
    const int32_t undoBefore = undo().UndoCount();
    const int32_t waits = ui.WaitCursorShows();
    Create();
    const int32_t index = Named("Sketch Frame");
    ASSERT_GE(index, 2) << ui.LastMessageText();
    EXPECT_TRUE(ui.Messages().empty());
    EXPECT_EQ(undo().UndoCount(), undoBefore + 1);
    EXPECT_GT(ui.WaitCursorShows(), waits);
    EXPECT_FALSE(ui.WaitCursorShown());
    LayerObject& layer = *stack().Layer(index);
    EXPECT_EQ(stack().LayerWidth(layer), stack().DrawingWidth());
    ASSERT_TRUE(layer.frame && layer.lineArt);
    EXPECT_TRUE(layer.frame->hasCorners);
    EXPECT_EQ(layer.frame->vanishingPoints.size(), 2u);
    EXPECT_EQ(layer.frame->currentVanishingPoint, 0);

    // A new layer over the frame, in line mode: its lines run to the frame's points.
    env().EnterMode(&workspace->idleManager, "", "");
    ASSERT_TRUE(ops().NewBlankLayer(BlankLayerSize::kFullPage));
    EXPECT_EQ(VanishingPointLayer(stack()), &layer);
    ASSERT_TRUE(workspace->RunCommand(cmd::kLineTool));
    EXPECT_EQ(workspace->lineManager.VanishingPointText(), "VP: 1");
    ASSERT_TRUE(workspace->RunCommand(cmd::kRemoveVanishingPoints));
    EXPECT_TRUE(layer.frame->vanishingPoints.empty());
    EXPECT_EQ(VanishingPointLayer(stack()), nullptr);
    EXPECT_EQ(workspace->lineManager.VanishingPointText(), "VP: None");
}

TEST_F(SketchFrameMode, AFrameThatCannotBeMadeChangesNothing) {
    Enter();
    const int32_t count = stack().Count();
    const int32_t undoCount = undo().UndoCount();
    struct Case {
        int32_t field;
        const char* text;
        const char* message;
    };
    // Every edge less than an inch in front of the eye; spacings that are not positive or too fine.
    Field(SketchFrame::kDepth).UserEdit("0");
    Field(SketchFrame::kRotation).UserEdit("0");
    for (const Case& c : {Case{SketchFrame::kViewDistance, "0.05", SketchFrame::kEyeTooClose},
                          Case{SketchFrame::kMinorSpacing, "0", SketchFrame::kSpacingNotPositive},
                          Case{SketchFrame::kMinorSpacing, "0.0001", SketchFrame::kSpacingTooSmall}}) {
        Field(SketchFrame::kViewDistance).UserEdit("120.0");
        Field(c.field).UserEdit(c.text);
        ui.ClearMessages();
        Create();
        EXPECT_EQ(ui.LastMessageText(), c.message) << c.text;
        EXPECT_EQ(stack().Count(), count) << c.text;
        EXPECT_EQ(undo().UndoCount(), undoCount) << c.text;
        EXPECT_FALSE(ui.WaitCursorShown());
        Field(SketchFrame::kMinorSpacing).UserEdit("2.0");
    }
    ui.ClearMessages();
    Field(SketchFrame::kViewDistance).UserEdit("120.0");
    Create();
    EXPECT_TRUE(ui.Messages().empty()) << ui.LastMessageText();
    EXPECT_EQ(stack().Count(), count + 1);
}

TEST_F(SketchFrameMode, EnteringAgainDeletesTheFramesAndUndoBringsThemBack) {
    Enter();
    Create();
    const uint32_t id = stack().CurrentLayer()->id;
    env().EnterMode(&workspace->idleManager, "", "");
    Enter();
    EXPECT_EQ(Named("Sketch Frame"), -1);
    ASSERT_TRUE(workspace->RunCommand(cmd::kUndo));
    const int32_t back = Named("Sketch Frame");
    ASSERT_GE(back, 2);
    EXPECT_EQ(stack().Layer(back)->id, id);
    // And Undo once more takes the frame Create made away.
    ASSERT_TRUE(workspace->RunCommand(cmd::kUndo));
    EXPECT_EQ(Named("Sketch Frame"), -1);
}

TEST_F(SketchFrameMode, AFieldChangedAfterCreateRedrawsTheSameFrame) {
    Enter();
    Create();
    LayerObject* layer = stack().CurrentLayer();
    const int32_t undoCount = undo().UndoCount();
    ASSERT_EQ(layer->frame->vanishingPoints.size(), 2u);
    Field(SketchFrame::kRotation).UserEdit("0.0");
    EXPECT_EQ(stack().CurrentLayer(), layer);
    EXPECT_EQ(layer->frame->vanishingPoints.size(), 1u) << "square on: one point ahead";
    EXPECT_EQ(undo().UndoCount(), undoCount);
    // A half-typed value that makes no frame leaves the last one.
    Field(SketchFrame::kMinorSpacing).UserEdit("");
    EXPECT_TRUE(ui.Messages().empty());
    EXPECT_EQ(layer->frame->vanishingPoints.size(), 1u);
    Control<CheckBox>(SketchFrame::kFlatCheck).UserClick();
    Field(SketchFrame::kMinorSpacing).UserEdit("2");
    EXPECT_TRUE(layer->frame->vanishingPoints.empty()) << "a flat frame has none";
    // Create once more in the visit: the same layer, drawn anew.
    const int32_t count = stack().Count();
    Control<CheckBox>(SketchFrame::kFlatCheck).UserClick();
    Create();
    EXPECT_EQ(stack().Count(), count);
    EXPECT_EQ(undo().UndoCount(), undoCount);
    EXPECT_EQ(layer->frame->vanishingPoints.size(), 1u);
}

TEST_F(SketchFrameMode, TabCyclesThroughTheFieldsSelectingTheWholeText) {
    Enter();
    int32_t field = SketchFrame::kWidth;
    for (int32_t i = 0; i < SketchFrame::kFieldCount; ++i) {
        Field(field).UserChar('\t');
        field = frame().FramePanel().Focus();
        EXPECT_EQ(field, (i + 1) % SketchFrame::kFieldCount);
        EXPECT_TRUE(frame().FramePanel().WholeTextSelected());
    }
    EXPECT_EQ(field, SketchFrame::kWidth);
    EXPECT_EQ(Field(SketchFrame::kVisionAngle).GetText(), "60") << "Tab types nothing";

    Control<CHuecraftButton>(SketchFrame::kFlatViewButton).UserClick();
    EXPECT_EQ(Field(SketchFrame::kDepth).GetText(), "0.0");
    EXPECT_EQ(Field(SketchFrame::kRotation).GetText(), "0.0");
    EXPECT_EQ(Field(SketchFrame::kEyeHeight).GetText(), "0.0");
    EXPECT_EQ(Field(SketchFrame::kViewDistance).GetText(), "1000000.0");
    EXPECT_EQ(Field(SketchFrame::kWidth).GetText(), "40.0");
}

TEST_F(SketchFrameMode, AFloorPlanGivesWidthAndDepthFromItsSizeResolutionAndScale) {
    ASSERT_TRUE(ops().NewBlankLayer(BlankLayerSize::kSmall));
    LayerObject& plan = current();
    plan.name = "Floor Plan";
    plan.scale[kResolution] = 300.0;
    plan.scale[kScaleFactorSetting] = 48.0; // a quarter inch to the foot
    const double pixelsWide = stack().LayerWidth(plan);
    const double pixelsHigh = stack().LayerHeight(plan);
    Enter();
    double width = 0.0;
    double depth = 0.0;
    ASSERT_TRUE(frame().FloorPlanSize(width, depth));
    // Pixels / resolution is inches of paper, of four drawing pixels each; times the scale, of reality.
    EXPECT_DOUBLE_EQ(width, pixelsWide / 300.0 * 48.0 * 4.0);
    EXPECT_DOUBLE_EQ(depth, pixelsHigh / 300.0 * 48.0 * 4.0);
    workspace->profile.Set(settings::kEnableMetric, 1);
    ASSERT_TRUE(frame().FloorPlanSize(width, depth));
    EXPECT_DOUBLE_EQ(width, pixelsWide / 300.0 * 48.0 * 4.0 * 39.38);
    EXPECT_DOUBLE_EQ(depth, pixelsHigh / 300.0 * 48.0 * 4.0 * 39.34);
    workspace->profile.Set(settings::kEnableMetric, 0);
    Create();
    EXPECT_GE(Named("FloorPlan Frame"), 2);
    EXPECT_EQ(Named("Sketch Frame"), -1);

    // Without a scale, or without a resolution, the typed width and depth stand.
    for (const int setting : {kScaleFactorSetting, static_cast<int>(kResolution)}) {
        plan.scale[kResolution] = 300.0;
        plan.scale[kScaleFactorSetting] = 48.0;
        plan.scale[static_cast<size_t>(setting)] = 0.0;
        EXPECT_FALSE(frame().FloorPlanSize(width, depth)) << setting;
        EXPECT_DOUBLE_EQ(frame().ReadPanel().width, 480.0);
    }
}

TEST_F(SketchFrameMode, TheFrameToolDragsTheFrameWithOneUndoStep) {
    Enter();
    Create();
    LayerObject* layer = stack().CurrentLayer();
    const int32_t undoCount = undo().UndoCount();
    input().OnLButtonDown(0, 50, 50);
    input().OnLButtonUp(0, 50, 50);
    EXPECT_EQ(undo().UndoCount(), undoCount) << "a click moves nothing";
    input().OnLButtonDown(0, 50, 50);
    input().OnMouseMove(1, 60, 55);
    input().OnMouseMove(1, 70, 60);
    input().OnLButtonUp(0, 70, 60);
    EXPECT_EQ(layer->offsetX, 20);
    EXPECT_EQ(layer->offsetY, 10);
    EXPECT_EQ(layer->bounds.left, 20);
    EXPECT_EQ(undo().UndoCount(), undoCount + 1);
    ASSERT_TRUE(workspace->RunCommand(cmd::kUndo));
    EXPECT_EQ(stack().Layer(Named("Sketch Frame"))->offsetX, 0);
}

} // namespace
} // namespace ts
