// The measure mode: its command and key, its tool, and the snap the tools ask.

#include "workspace/workspace.h"

namespace ts {

void Workspace::BuildMeasure() {
    measure.SetScalingTool(&scalingTool);
    environmentManager.SetPointSnap(&measure);
    viewInput.SetMeasureMode(&measure);
    // The grid's spacing is a real length on the current layer: it follows the calibration.
    measure.calibrationChanged = [this] {
        scaleGrid.UpdateView();
        if (scaleGrid.AnyShown()) {
            refresh.MarkViewportSize();
            refresh.Refresh(ScaleGrid::kUpdateReason);
        }
    };
    measure.readoutCleared = [this] {
        ui.SetStatusPane(PaletteManager::kColorPane,
                         PaletteManager::ColorDescription(paletteManager.GetCurrentColor()));
        ui.SetStatusPane(PaletteManager::kTitlePane, paletteManager.Title());
    };
    if (Command* c = commands.Find(cmd::kMeasure)) {
        c->run = [this] { environmentManager.EnterMode(&measure, Measure::kTitle, Measure::kPrompt); };
        c->enabled = [this] { return imageStack.Count() >= 2; };
    }
}

} // namespace ts
