// The grid set-up mode: its panel, its lists, the origin commands and Cancel.

#include "document/drawing_test_support.h"
#include "interact/interaction_test_support.h"
#include "measure/layer_scale.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <stdexcept>
#include <string>
#include <vector>

namespace ts {
namespace {

class GridSetup : public testing::DrawingTest {
protected:
    GridSetup() { NewDrawing("4", "3"); }
    void Enter() { ASSERT_TRUE(workspace->RunCommand(cmd::kGridSetup)); }
    ScaleGrid& grid() { return workspace->scaleGrid; }
    template <class C> C& Control(int32_t id) {
        auto* c = dynamic_cast<C*>(grid().Panel().Find(id));
        if (!c) {
            throw std::runtime_error("no control " + std::to_string(id));
        }
        return *c;
    }
};

TEST_F(GridSetup, IntensityItemsStoreAFractionOf255AndShowBack) {
    EXPECT_EQ(ScaleGrid::IntensityOfItem(0), 255);  // "100"
    EXPECT_EQ(ScaleGrid::IntensityOfItem(10), 127); // "50"
    EXPECT_EQ(ScaleGrid::IntensityOfItem(19), 12);  // "5"
    EXPECT_EQ(ScaleGrid::ItemOfIntensity(255), 0);
    EXPECT_EQ(ScaleGrid::ItemOfIntensity(127), 10);
    EXPECT_EQ(ScaleGrid::ItemOfIntensity(12), 19);
    Enter();
    auto& intensity = Control<ComboBox>(ScaleGrid::kIntensityList);
    ASSERT_EQ(intensity.Items().size(), 20u);
    EXPECT_EQ(intensity.Items().front(), "100");
    EXPECT_EQ(intensity.Items().back(), "5");
    intensity.UserSelect(0);
    EXPECT_EQ(grid().Config(0).intensity, 255);
    EXPECT_EQ(workspace->viewManager.Grid().grids[0].intensity, 255);
    EXPECT_EQ(refresh().reasons.back(), "R_ScaleGrid_Update");
}

TEST_F(GridSetup, TheScaleListFollowsTheMetricPreferenceAndItsStoredChoice) {
    Enter();
    auto& scale = Control<ComboBox>(ScaleGrid::kScaleList);
    ASSERT_EQ(scale.Items().size(), 14u);
    EXPECT_EQ(scale.GetSelectedText(), "1/2");
    // Half an inch on the page without calibration: 150 fine units, 37.5 drawing pixels.
    Control<CHuecraftButton>(ScaleGrid::kShowButton).UserClick();
    EXPECT_DOUBLE_EQ(workspace->viewManager.Grid().grids[0].spacing, 37.5);
    EXPECT_TRUE(workspace->viewManager.Grid().grids[0].shown);

    settings.WriteInt("Settings", "EnableMetric", 1);
    settings.WriteInt("Settings", "MetricScaleIndex", 8);
    workspace->environmentManager.ReturnToSelect();
    Enter();
    ASSERT_EQ(scale.Items().size(), 16u);
    EXPECT_EQ(scale.GetSelectedText(), "0.1");
    scale.UserSelect(12); // "1.0" metre
    int32_t stored = 0;
    ASSERT_TRUE(settings.ReadInt("Settings", "MetricScaleIndex", stored));
    EXPECT_EQ(stored, 12);

    // With a calibrated layer a metre is the layer's fine units per metre.
    workspace->imageStack.CurrentLayer()->scale[kCalibrationSetting] = 400.0;
    grid().UpdateView();
    EXPECT_DOUBLE_EQ(workspace->viewManager.Grid().grids[0].spacing, 100.0);
}

TEST_F(GridSetup, OriginCommandsMoveSwapAndResetTheOrigin) {
    Enter();
    grid().SetOrigin(IntPoint{40, 80});
    EXPECT_EQ(grid().Origin(), (IntPoint{40, 80}));
    EXPECT_DOUBLE_EQ(workspace->viewManager.Grid().originX, 10.0);
    EXPECT_DOUBLE_EQ(workspace->viewManager.Grid().originY, 20.0);
    ASSERT_TRUE(workspace->RunCommand(cmd::kGridPreviousOrigin));
    EXPECT_EQ(grid().Origin(), (IntPoint{0, 0}));
    EXPECT_EQ(refresh().reasons.back(), "R_PreviousOrigin");
    ASSERT_TRUE(workspace->RunCommand(cmd::kGridPreviousOrigin));
    EXPECT_EQ(grid().Origin(), (IntPoint{40, 80})) << "twice returns";
    ASSERT_TRUE(workspace->RunCommand(cmd::kGridResetOrigin));
    EXPECT_EQ(grid().Origin(), (IntPoint{0, 0}));
    EXPECT_EQ(grid().PreviousOrigin(), (IntPoint{40, 80}));
    EXPECT_EQ(refresh().reasons.back(), "R_ResetOrigin");

    // From the panel: the origin list's first item hands the mouse to the origin tool.
    Control<ComboBox>(ScaleGrid::kOriginList).UserSelect(0);
    EXPECT_EQ(workspace->toolSlot.CurrentTool(), &workspace->originTool);
    EXPECT_EQ(ui.StatusPane(0), "Click on the new grid origin point.");
    EXPECT_EQ(Control<ComboBox>(ScaleGrid::kOriginList).GetCurSel(), -1);
    Control<ComboBox>(ScaleGrid::kOriginList).UserSelect(1);
    EXPECT_EQ(grid().Origin(), (IntPoint{40, 80}));
}

TEST_F(GridSetup, CancelPutsAllThreeGridsBackAndEachGridKeepsItsColour) {
    workspace->paletteManager.SelectColor(0x00123456);
    Enter();
    EXPECT_EQ(workspace->paletteManager.GetCurrentColor(), grid().Config(0).color)
        << "the edited grid's colour becomes the palette's";
    const ScaleGrid::Configuration first = grid().Config(0);
    auto& show = Control<CHuecraftButton>(ScaleGrid::kShowButton);
    auto& next = Control<CHuecraftButton>(ScaleGrid::kGridButton);
    show.UserClick();
    EXPECT_EQ(show.GetState(), CHuecraftButton::kPressed);
    next.UserClick();
    EXPECT_EQ(next.Caption(), "Grid 2");
    EXPECT_EQ(show.GetState(), CHuecraftButton::kNormal);
    workspace->paletteManager.SelectColor(0x00ABCDEF);
    EXPECT_EQ(grid().Config(1).color, 0x00ABCDEFu);
    Control<ComboBox>(ScaleGrid::kIntensityList).UserSelect(19);
    next.UserClick();
    Control<ComboBox>(ScaleGrid::kScaleList).UserSelect(13);
    EXPECT_EQ(grid().Config(2).scaleIndex, 13);

    grid().Cancel();
    EXPECT_EQ(refresh().reasons.back(), "R_RestoreGridState");
    EXPECT_EQ(grid().Config(0).shown, first.shown);
    EXPECT_EQ(grid().Config(1).intensity, first.intensity);
    EXPECT_NE(grid().Config(1).color, 0x00ABCDEFu);
    EXPECT_EQ(grid().Config(2).scaleIndex, first.scaleIndex);
    EXPECT_FALSE(workspace->viewManager.Grid().AnyShown());
}

TEST_F(GridSetup, LeavingHidesThePanelAndTheGridStays) {
    Enter();
    Control<CHuecraftButton>(ScaleGrid::kShowButton).UserClick();
    workspace->environmentManager.ReturnToSelect();
    EXPECT_FALSE(Control<ComboBox>(ScaleGrid::kScaleList).IsVisible());
    EXPECT_TRUE(workspace->viewManager.Grid().AnyShown());
}

class GridOriginClick : public testing::InteractionTest {};

TEST_F(GridOriginClick, TheOriginToolTakesOneClickAndHandsTheMouseBack) {
    ASSERT_TRUE(workspace->RunCommand(cmd::kGridSetup));
    ScreenTool* before = tools().CurrentTool();
    ASSERT_TRUE(workspace->RunCommand(cmd::kGridOrigin));
    EXPECT_EQ(tools().CurrentTool(), &workspace->originTool);
    input().OnMouseMove(0, 40, 20);
    EXPECT_EQ(workspace->viewWindow.Cursor(), cursors::kOrigin);
    input().OnLButtonDown(0, 40, 20);
    input().OnLButtonUp(0, 40, 20);
    EXPECT_EQ(workspace->scaleGrid.Origin(), workspace->viewGeometry.ToFine(40, 20));
    EXPECT_DOUBLE_EQ(view().Grid().originX, workspace->viewGeometry.ToFine(40, 20).x / 4.0);
    EXPECT_EQ(tools().CurrentTool(), before);
    const std::vector<std::string>& reasons = refresh().reasons;
    EXPECT_NE(std::find(reasons.begin(), reasons.end(), "R_ScaleGrid_Update"), reasons.end());
}

} // namespace
} // namespace ts
