// The measure mode: calibrating a layer, scales, measuring, its keys and the snap every tool asks.

#include "interact/interaction_test_support.h"
#include "measure/layer_scale.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

namespace ts {
namespace {

// One inch of reality on one inch of paper: 300 fine units (75 drawing pixels) an inch.
constexpr double kInchToInch = 300.0 / 0.0254;

class MeasureMode : public testing::InteractionTest {
protected:
    Measure& measure() { return workspace->measure; }
    void Enter() { ASSERT_TRUE(workspace->RunCommand(cmd::kMeasure)); }
    // A click of the left button at a view point (the drawing pixel at 100 %).
    void Click(int32_t x, int32_t y) {
        input().OnLButtonDown(0, x, y);
        input().OnLButtonUp(0, x, y);
    }
    template <class C> C& Control(int32_t id) {
        auto* c = dynamic_cast<C*>(measure().Panel().Find(id));
        if (!c) {
            throw std::runtime_error("no control " + std::to_string(id));
        }
        return *c;
    }
    void Calibrate(const std::string& typed) {
        ui.QueueText(typed);
        Control<CHuecraftButton>(Measure::kCalibrate).UserClick();
    }
    int32_t Cursor() { return workspace->viewWindow.Cursor(); }
    std::string Pane(int pane) { return ui.StatusPane(pane); }
};

TEST_F(MeasureMode, CalibratesTenFeetOverALineAndMeasuresHalfOfItAsFiveFeet) {
    Enter();
    EXPECT_EQ(env().Title(), "Measure");
    EXPECT_EQ(tools().CurrentTool(), &workspace->scalingTool);
    EXPECT_EQ(measure().State(), Measure::kIdle);

    Calibrate("10'");
    ASSERT_FALSE(ui.EntryDialogs().empty());
    EXPECT_EQ(ui.EntryDialogs().back().label, "Feet-Inches:");
    EXPECT_EQ(Pane(0), Measure::kClickTwoPoints);
    EXPECT_EQ(measure().State(), Measure::kFirstPoint);
    EXPECT_EQ(Cursor(), 407);
    Click(20, 50);
    EXPECT_EQ(measure().State(), Measure::kSecondPoint);
    EXPECT_EQ(Cursor(), 409);
    Click(170, 52); // 150 pixels across, 2 down: without "Polar" the larger axis counts
    EXPECT_EQ(measure().State(), Measure::kStartPoint);
    EXPECT_EQ(Cursor(), 169);
    EXPECT_NEAR(LayerCalibration(current()), 600.0 / 3.048, 1e-9);
    EXPECT_TRUE(Control<CHuecraftButton>(Measure::kResetScale).IsEnabled());

    // Half the line, read in inches (the unit shown), then in feet, then in feet and inches.
    Click(20, 80);
    Click(95, 80);
    EXPECT_EQ(measure().State(), Measure::kMeasuring);
    EXPECT_EQ(Pane(1), "Dist:  60.000");
    EXPECT_EQ(Pane(2), "Deg:  0.000");
    EXPECT_EQ(Pane(3), "Resolution:  0.8") << "a drawing pixel is 10 feet / 150";
    ASSERT_TRUE(workspace->RunCommand(cmd::kUnitInches + UnitsManager::kFeet));
    EXPECT_EQ(Pane(1), "Dist:  5.000");
    Control<ComboBox>(Measure::kUnitsList).UserSelect(0); // "ft-in"
    EXPECT_EQ(Pane(1), "Dist: 5'  0");
    // A drag measures as it goes; up the sheet is 90 degrees.
    input().OnLButtonDown(0, 20, 80);
    input().OnMouseMove(1, 20, 50);
    EXPECT_EQ(Pane(1), "Dist: 2'  0");
    EXPECT_EQ(Pane(2), "Deg:  90.000");
    input().OnLButtonUp(0, 20, 50);

    // Leaving the mode takes the readout away and gives the palette its panes back.
    env().ReturnToSelect();
    EXPECT_EQ(Pane(1), "");
    EXPECT_EQ(Pane(2).rfind("Color RGB:", 0), 0u) << Pane(2);
    EXPECT_EQ(Pane(3), workspace->paletteManager.Title());
}

TEST_F(MeasureMode, ChainedMeasuringStartsEachStretchAtTheLastClick) {
    current().scale[kCalibrationSetting] = kInchToInch;
    Enter();
    Control<CheckBox>(Measure::kRelativeBox).UserClick();
    EXPECT_TRUE(measure().Relative());
    Click(10, 10);
    Click(85, 10);  // one inch
    Click(85, 130); // 120 pixels down from there
    EXPECT_EQ(measure().ReferencePoint(), (IntPoint{340, 520}));
    EXPECT_EQ(Pane(2), "Deg:  -90.000");
    Click(85, 10);
    EXPECT_EQ(Pane(1), "Dist:  1.6") << "120 pixels of 75 an inch, from the last click";
    EXPECT_TRUE(workspace->rubberLine.IsActive());
    ASSERT_TRUE(Key(keys::kEscape));
    EXPECT_FALSE(workspace->rubberLine.IsActive());
    EXPECT_EQ(measure().State(), Measure::kStartPoint);
}

TEST_F(MeasureMode, RefusesAMissingDistanceAndTwoEqualPoints) {
    Enter();
    ui.QueueTextCancel();
    Control<CHuecraftButton>(Measure::kCalibrate).UserClick();
    EXPECT_TRUE(ui.Messages().empty()) << "cancelled: nothing to say";
    EXPECT_EQ(measure().State(), Measure::kIdle);

    Calibrate("0");
    EXPECT_EQ(ui.LastMessageText(), "Enter a distance, then Calibrate again.");
    EXPECT_EQ(measure().State(), Measure::kIdle);
    Calibrate("abc"); // the field takes no letters: nothing was typed
    EXPECT_EQ(ui.LastMessageText(), "Enter a distance, then Calibrate again.");

    Calibrate("5 1/2");
    EXPECT_DOUBLE_EQ(measure().EnteredDistance(), 5.5);
    Click(30, 30);
    Click(30, 30);
    EXPECT_EQ(measure().State(), Measure::kSecondPoint) << "no length between the same point";
    EXPECT_EQ(LayerCalibration(current()), 0.0);
    // "Polar" measures the straight distance between the points.
    Key('P');
    Click(30 + 30, 30 + 40);
    EXPECT_EQ(measure().State(), Measure::kStartPoint);
    EXPECT_NEAR(LayerCalibration(current()), 200.0 / (5.5 * 0.0254), 1e-9);
}

TEST_F(MeasureMode, AChosenScaleCalibratesTheLayerAndIsKeptUntilReset) {
    ASSERT_TRUE(workspace->RunCommand(cmd::kGridSetup));
    workspace->scaleGrid.ToggleShown(); // a half-inch grid shows
    EXPECT_DOUBLE_EQ(view().Grid().grids[0].spacing, 37.5);
    Enter();
    auto& scale = Control<ComboBox>(Measure::kScaleList);
    ASSERT_EQ(scale.Items().size(), 15u);
    EXPECT_EQ(scale.GetCurSel(), 0);
    scale.UserSelect(5);
    EXPECT_EQ(LayerScaleFactor(current()), 48.0);
    EXPECT_EQ(scale.GetSelectedText(), "1/4 = 1'-0");
    EXPECT_EQ(scale.Items()[0], UnitsManager::FormatNumber(48.0));
    // An inch of paper (75 pixels) measures four feet; the grid's half inch is now a real one.
    EXPECT_NEAR(measure().LayerScale().ToReal(300.0), 48.0, 1e-9);
    EXPECT_NEAR(view().Grid().grids[0].spacing, 75.0 / 96, 1e-9);
    EXPECT_EQ(measure().State(), Measure::kStartPoint);
    EXPECT_EQ(LayerScaleFactor(layer(ImageStackManager::kPaperIndex)), 48.0) << "the drawing's scale";

    scale.UserSelect(7);
    EXPECT_EQ(ui.LastMessageText(), "Layer already has a scale.");
    EXPECT_EQ(LayerScaleFactor(current()), 48.0);
    EXPECT_EQ(scale.GetCurSel(), 5);

    Control<CHuecraftButton>(Measure::kResetScale).UserClick();
    EXPECT_EQ(LayerScaleFactor(current()), 0.0);
    EXPECT_EQ(LayerCalibration(current()), 0.0);
    EXPECT_EQ(scale.GetCurSel(), 0);
    EXPECT_EQ(scale.Items()[0], UnitsManager::FormatNumber(0.0));
    EXPECT_FALSE(Control<CHuecraftButton>(Measure::kResetScale).IsEnabled());
    EXPECT_DOUBLE_EQ(view().Grid().grids[0].spacing, 37.5);
}

TEST_F(MeasureMode, AScaleStoredAsAFloatIsFoundInTheList) {
    Enter();
    Control<ComboBox>(Measure::kUnitsList).UserSelect(1); // "meter"
    EXPECT_TRUE(measure().Metric());
    env().ReturnToSelect();
    current().scale[kScaleFactorSetting] = static_cast<double>(static_cast<float>(0.33333));
    Enter();
    auto& scale = Control<ComboBox>(Measure::kScaleList);
    ASSERT_EQ(scale.Items().size(), 17u);
    EXPECT_EQ(scale.GetSelectedText(), "3:1");
}

TEST_F(MeasureMode, OffersTheDrawingsScaleToALayerWithoutOne) {
    Enter();
    Control<ComboBox>(Measure::kScaleList).UserSelect(5);
    env().ReturnToSelect();
    AddLayer(100, 100);
    ui.QueueAnswer(Answer::No);
    Enter();
    EXPECT_EQ(ui.LastMessageText(), Measure::kUseDrawingScale);
    EXPECT_EQ(LayerScaleFactor(current()), 0.0);
    EXPECT_EQ(measure().State(), Measure::kIdle);
    env().ReturnToSelect();
    ui.QueueAnswer(Answer::Yes);
    Enter();
    EXPECT_EQ(LayerScaleFactor(current()), 48.0);
    EXPECT_GT(LayerCalibration(current()), 0.0);
    EXPECT_EQ(measure().State(), Measure::kStartPoint);
}

TEST_F(MeasureMode, EachUnitsSystemKeepsItsOwnGranularity) {
    Enter();
    auto& distance = Control<ComboBox>(Measure::kDistanceList);
    ASSERT_EQ(distance.Items().size(), 15u);
    EXPECT_EQ(distance.Items()[0], "Off");
    distance.UserSelect(3);
    Control<ComboBox>(Measure::kAngleList).UserSelect(18);
    Control<ComboBox>(Measure::kUnitsList).UserSelect(1);
    ASSERT_EQ(distance.Items().size(), 16u);
    EXPECT_NE(distance.GetCurSel(), 3);
    distance.UserSelect(9);
    EXPECT_DOUBLE_EQ(measure().Granularity().distance, 0.5);
    EXPECT_EQ(ui.EntryDialogs().size(), 0u);
    Calibrate("2.5");
    EXPECT_EQ(ui.EntryDialogs().back().label, "      Meters:");
    EXPECT_DOUBLE_EQ(measure().EnteredDistance(), 2.5);
    Control<ComboBox>(Measure::kUnitsList).UserSelect(0);
    EXPECT_EQ(distance.GetCurSel(), 3);
    EXPECT_DOUBLE_EQ(measure().Granularity().distance, 1.0 / 16);
    EXPECT_DOUBLE_EQ(measure().Granularity().angle, 45.0);
}

TEST_F(MeasureMode, PRAndSToggleTheBoxesInAnyMode) {
    // Before the panel exists the keys still switch the snap.
    Key('S');
    EXPECT_TRUE(measure().SnapOn());
    Key('P');
    Key('R');
    EXPECT_TRUE(measure().Polar());
    EXPECT_TRUE(measure().Relative());
    Enter();
    EXPECT_TRUE(Control<CheckBox>(Measure::kSnapBox).GetCheck());
    EXPECT_TRUE(Control<CheckBox>(Measure::kPolarBox).GetCheck());
    Key('P');
    Key('S');
    EXPECT_FALSE(Control<CheckBox>(Measure::kPolarBox).GetCheck());
    EXPECT_FALSE(Control<CheckBox>(Measure::kSnapBox).GetCheck());
    EXPECT_TRUE(Control<CheckBox>(Measure::kRelativeBox).GetCheck());
    EXPECT_EQ(env().Current(), &measure()) << "the keys leave the mode alone";
}

TEST_F(MeasureMode, MFromAPaintingModeAndSpaceGoesBackToIt) {
    tools().SetTool(workspace->surfacePaintTool);
    ASSERT_EQ(env().Current(), &workspace->surfaceManager);
    Key('M');
    EXPECT_EQ(env().Current(), &measure());
    EXPECT_EQ(tools().CurrentTool(), &workspace->scalingTool);
    EXPECT_TRUE(tools().QuickSwitchActive()) << "the scaling tool keeps the way back";
    Key(keys::kSpace);
    EXPECT_EQ(env().Current(), &workspace->surfaceManager);
    EXPECT_EQ(tools().CurrentTool(), &workspace->surfacePaintTool);
    // From the select mode there is no way back: Space in the measure mode returns to selecting.
    env().ReturnToSelect();
    Key('M');
    EXPECT_EQ(env().Current(), &measure());
    Key(keys::kSpace);
    EXPECT_EQ(env().Current(), &select());
}

TEST_F(MeasureMode, TheLineToolComesBackAfterMeasuringAndShowsTheGridSnap) {
    tools().SetTool(workspace->pointTool);
    ASSERT_EQ(env().Current(), &workspace->lineManager);
    input().OnMouseMove(0, 20, 20);
    EXPECT_EQ(Cursor(), cursors::kLine);
    Key('M');
    EXPECT_EQ(env().Current(), &measure());
    Key(keys::kSpace);
    EXPECT_EQ(env().Current(), &workspace->lineManager);
    EXPECT_EQ(tools().CurrentTool(), &workspace->pointTool);
    // Snap on with the grid shown: the next move shows the snapping cursor, and it goes once the snap is off.
    ASSERT_TRUE(workspace->RunCommand(cmd::kGridSetup));
    workspace->scaleGrid.ToggleShown();
    tools().SetTool(workspace->pointTool);
    Key('S');
    input().OnMouseMove(0, 30, 30);
    EXPECT_EQ(Cursor(), cursors::kLineGridSnap);
    Key('S');
    input().OnMouseMove(0, 31, 30);
    EXPECT_EQ(Cursor(), cursors::kLine);
}

TEST_F(MeasureMode, EveryToolsPointsSnapOnACalibratedLayerAroundTheGridOrigin) {
    ScreenTool& tool = workspace->selectTool;
    Key('S'); // a quarter of an inch by default
    current().scale[kCalibrationSetting] = kInchToInch;
    input().OnMouseMove(0, 77, 77); // fine 308: 1.027 inches
    EXPECT_TRUE(tool.IsSnapped());
    EXPECT_EQ(tool.GetCurrentFinePoint(), (IntPoint{300, 300}));
    EXPECT_EQ(tool.GetCurrentViewPoint(), (IntPoint{75, 75}));
    input().OnLButtonDown(0, 40, 98); // fine 160, 392: 0.53 and 1.31 inches
    EXPECT_EQ(tool.GetPressFinePoint(), (IntPoint{150, 375}));
    EXPECT_EQ(tool.GetPressDrawingPoint(), (IntPoint{37, 93}));
    input().OnLButtonUp(0, 77, 77);
    EXPECT_EQ(tool.GetReleaseFinePoint(), (IntPoint{300, 300}));

    // The grid's origin is the snap's: the points land on the grid's lines.
    workspace->scaleGrid.SetOrigin({40, 80});
    input().OnMouseMove(0, 77, 77); // 268 and 228 fine from the origin
    EXPECT_EQ(tool.GetCurrentFinePoint(), (IntPoint{40 + 300, 80 + 225}));

    // Without a calibration there is no real length to snap to.
    current().scale[kCalibrationSetting] = 0.0;
    input().OnMouseMove(0, 77, 77);
    EXPECT_FALSE(tool.IsSnapped());
    EXPECT_EQ(tool.GetCurrentFinePoint(), (IntPoint{308, 308}));
    current().scale[kCalibrationSetting] = kInchToInch;
    Key('S');
    input().OnMouseMove(0, 77, 77);
    EXPECT_FALSE(tool.IsSnapped());
}

TEST_F(MeasureMode, TheRubberLineSnapsRelativeToItsStart) {
    testing::FakeMode line(Env::kLineId, true);
    testing::FakeTool pen(context(), 33062, &line, "Draw");
    tools().SetTool(pen);
    current().scale[kCalibrationSetting] = kInchToInch;
    pen.OnLButtonDown(1, 20, 20); // not snapped: the line starts at fine 80, 80
    ASSERT_TRUE(workspace->rubberLine.Start(false));
    Key('S');
    pen.OnMouseMove(1, 97, 40); // fine 388, 160
    workspace->rubberLine.Update();
    EXPECT_EQ(workspace->rubberLine.CurrentPoint(), (IntPoint{375, 150})) << "around the origin";
    Key('R');
    pen.OnMouseMove(1, 97, 41);
    workspace->rubberLine.Update();
    EXPECT_EQ(workspace->rubberLine.CurrentPoint(), (IntPoint{80 + 300, 80 + 75})) << "around the start";
    workspace->rubberLine.Abort();
}

TEST_F(MeasureMode, TheOriginBoxMovesTheOriginToTheNextMeasuringStart) {
    current().scale[kCalibrationSetting] = kInchToInch;
    Enter();
    Control<CheckBox>(Measure::kOriginBox).UserClick();
    Click(30, 40);
    EXPECT_EQ(workspace->scaleGrid.Origin(), (IntPoint{120, 160}));
    EXPECT_FALSE(Control<CheckBox>(Measure::kOriginBox).GetCheck());
    Control<CHuecraftButton>(Measure::kResetOrigin).UserClick();
    EXPECT_EQ(workspace->scaleGrid.Origin(), (IntPoint{0, 0}));
    EXPECT_EQ(workspace->scaleGrid.PreviousOrigin(), (IntPoint{120, 160}));
    EXPECT_EQ(measure().State(), Measure::kStartPoint);
}

} // namespace
} // namespace ts
