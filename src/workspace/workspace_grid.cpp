// The scale grid: its mode, its origin tool and the View menu's grid commands.

#include "workspace/workspace.h"

namespace ts {

void Workspace::BuildGrid() {
    scaleGrid.SetOriginTool(&originTool);
    scaleGrid.paletteColor = [this] { return paletteManager.GetCurrentColor(); };
    scaleGrid.selectPaletteColor = [this](uint32_t color) { paletteManager.SelectColor(color); };
    auto drawing = [this] { return imageStack.Count() >= 2; };
    auto on = [this, drawing](int32_t id, std::function<void()> run) {
        if (Command* c = commands.Find(id)) {
            c->run = std::move(run);
            c->enabled = drawing;
        }
    };
    on(cmd::kGridSetup,
       [this] { environmentManager.EnterMode(&scaleGrid, ScaleGrid::kTitle, ScaleGrid::kPrompt); });
    on(cmd::kGridOrigin, [this] { scaleGrid.ChooseOrigin(); });
    on(cmd::kGridPreviousOrigin, [this] { scaleGrid.PreviousOriginBack(); });
    on(cmd::kGridResetOrigin, [this] { scaleGrid.ResetOrigin(); });
}

} // namespace ts
