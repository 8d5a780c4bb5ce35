// The line mode in the workspace: its tools, the commands that pick them (and so enter the mode), and
// the vanishing-point and array commands.

#include "workspace/workspace.h"

#include <utility>

namespace ts {

namespace {

struct LineToolCommand {
    int32_t id;
    const char* text;
    const char* prompt;
    int32_t penVariant; // the pen's variant, -1 for the other tools
};

constexpr LineToolCommand kLineToolCommands[] = {
    {cmd::kLineTool, "Line Tool", "Draw new lines or edit existing lines.", -1},
    {cmd::kRayTool, "Ray Tool", "Draw rays that run on to the layer's edge.", -1},
    {cmd::kOffsetLineTool, "Offset Line Tool", "Click on a line segment to create an offset segment.", -1},
    {cmd::kOffsetRayTool, "Offset Ray Tool", "Click on a line segment to create an offset ray.", -1},
    {cmd::kPartialSegmentEraser, "Partial Segment Eraser",
     "Erase partial segments. Bounded by one or two selected segments.", -1},
    {cmd::kLineEraserTool, "Eraser Tool", "Erase the lines under the brush.", -1},
    {cmd::kPenTool, "Pen", "Give the lines under the brush the current appearance.",
     LineManager::kPenAppearance},
    {cmd::kPenWidthTool, "Pen Width", "Give the lines under the brush the current width.",
     LineManager::kPenWidth},
    {cmd::kPenColorTool, "Pen Color", "Give the lines under the brush the current colour.",
     LineManager::kPenColor},
    {cmd::kPenFreehandTool, "Pen Freehand", "Give the lines under the brush the current freehand amount.",
     LineManager::kPenFreehand},
    {cmd::kPenStyleTool, "Pen Style", "Give the lines under the brush the current style.",
     LineManager::kPenStyle},
    {cmd::kLineRepairTool, "Line Repair Tool", "Draw line along the drag to repair a line.",
     LineManager::kPenRepair},
};

} // namespace

void Workspace::BuildLines() {
    pointTool.SetMode(&lineManager);
    rayTool.SetMode(&lineManager);
    offsetLineTool.SetMode(&lineManager);
    offsetRayTool.SetMode(&lineManager);
    coloredPencilTool.SetMode(&lineManager);
    partialSegmentEraser.SetModes(&lineManager, &lineManager);
    coloredPencilTool.SetModes(&lineManager, &lineManager);
    lineDropperTool.SetModes(nullptr, &lineManager);
    lineManager.SetTools({&pointTool, &lineDropperTool, &lineEraserTool, &coloredPencilTool});
    // Space leaves for the select mode, where the segments are edited, and comes back to the line tool.
    lineManager.SetKeepSegments([this] { return toolSlot.QuickSwitchActive(); });
    viewInput.SetQuickSwitchTool(Env::kLineId, &pointTool);
    selectTool.SetSegmentEditor(&lineManager);
    // The eraser's "Lines" reaches as far as the widest stamp the line panel draws with.
    eraserManager.SetLineWidthSource([this] { return lineManager.PanelWidth(); });
    rubberLine.vanishingPointChanged = [this] {
        if (environmentManager.ShowsVanishingPoint()) {
            lineManager.ShowVanishingPoint();
        }
    };

    auto hasLayer = [this] { return imageStack.Current() >= ImageStackManager::kFirstDrawingLayer; };
    ScreenTool* tools[] = {
        &pointTool,         &rayTool,           &offsetLineTool,    &offsetRayTool,     &partialSegmentEraser,
        &lineEraserTool,    &coloredPencilTool, &coloredPencilTool, &coloredPencilTool, &coloredPencilTool,
        &coloredPencilTool, &coloredPencilTool};
    for (size_t i = 0; i < std::size(kLineToolCommands); ++i) {
        const LineToolCommand& t = kLineToolCommands[i];
        Command c;
        c.id = t.id;
        c.text = t.text;
        c.prompt = t.prompt;
        ScreenTool* tool = tools[i];
        const int32_t variant = t.penVariant;
        c.run = [this, tool, variant] {
            if (variant >= 0) {
                lineManager.SetPenVariant(variant);
            }
            toolSlot.SetTool(*tool);
        };
        c.enabled = hasLayer;
        commands.Add(std::move(c));
    }
    auto lineMode = [this] {
        const LayerObject* layer = imageStack.CurrentLayer();
        return environmentManager.Current() == &lineManager &&
               imageStack.Current() >= ImageStackManager::kFirstDrawingLayer && layer && layer->frame;
    };
    const std::pair<int32_t, const char*> texts[] = {
        {cmd::kSetVanishingPoint, "Set Vanishing Point"},
        {cmd::kRemoveVanishingPoints, "Remove Vanishing Points"},
        {cmd::kLineArray, "Array"},
    };
    // Panel commands of the line mode (its buttons), without menu items; scripts run them by name.
    for (const auto& [id, text] : texts) {
        Command c;
        c.id = id;
        c.text = text;
        c.prompt = id == cmd::kSetVanishingPoint
                       ? "Make the crossing of the last two segments a vanishing point"
                   : id == cmd::kRemoveVanishingPoints ? "Forget the layer's vanishing points"
                                                       : "Draw segments between the two selected segments";
        c.enabled = lineMode;
        // They work on the segments of the line being drawn, which must not be finished first.
        c.commitsFirst = false;
        commands.Add(std::move(c));
    }
    commands.Find(cmd::kSetVanishingPoint)->run = [this] { lineManager.SetVanishingPoint(); };
    commands.Find(cmd::kRemoveVanishingPoints)->run = [this] { lineManager.RemoveVanishingPoints(); };
    commands.Find(cmd::kLineArray)->run = [this] { lineManager.Array(); };
}

} // namespace ts
