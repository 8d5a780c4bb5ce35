// The painting modes in the workspace: their tools, the commands that pick the tools (and so enter
// the modes), the lighting colour command and the single-stroke undo.

#include "workspace/workspace.h"

#include <utility>

namespace ts {

namespace {

struct ToolCommand {
    int32_t id;
    const char* text;
    const char* prompt;
};

constexpr ToolCommand kToolCommands[] = {
    {cmd::kSurfaceTool, "Surface Tool", "Paint on color."},
    {cmd::kSurfaceHueTool, "Surface Color Hue Tool", "Brush the palette colour's hue onto the colour"},
    {cmd::kSurfaceSaturationTool, "Surface Color Saturation Tool",
     "Brush the palette colour's saturation onto the colour"},
    {cmd::kSurfaceValueTool, "Surface Color Value Tool",
     "Brush the palette colour's brightness onto the colour"},
    {cmd::kBoardEraserTool, "Board ShowThru Eraser", "Erase Board ShowThru."},
    {cmd::kLightingTool, "Lighting Tool", "Paint On Lighting."},
    {cmd::kShadowEraserTool, "Shadow Eraser", "Erase Shadows"},
    {cmd::kEraserTool, "Eraser", "Use the Eraser to remove unwanted portions of the sketch."},
};

} // namespace

ScreenTool* Workspace::PaintingToolNamed(const std::string& name) {
    const std::pair<const char*, ScreenTool*> tools[] = {
        {"SurfacePaintTool", &surfacePaintTool},
        {"SurfaceHueTool", &surfaceHueTool},
        {"SurfaceSaturationTool", &surfaceSaturationTool},
        {"SurfaceValueTool", &surfaceValueTool},
        {"SurfaceEraserTool", &surfaceEraserTool},
        {"SurfaceSampleTool", &surfaceSampleTool},
        {"BoardEraser", &boardEraser},
        {"BoardDropper", &boardDropper},
        {"BoardWand", &boardWand},
        {"ShadowPaintTool", &shadowPaintTool},
        {"ShadowBlendTool", &shadowBlendTool},
        {"ShadowSampleTool", &shadowSampleTool},
        {"ShadowEraser", &shadowEraser},
        {"EraserTool", &eraserTool},
        {"SelectTool", &selectTool},
        {"ZoomTool", &zoomTool},
        {"PointTool", &pointTool},
        {"RayTool", &rayTool},
        {"OffsetLineTool", &offsetLineTool},
        {"OffsetRayTool", &offsetRayTool},
        {"LinePartialSegmentEraserTool", &partialSegmentEraser},
        {"LineEraserTool", &lineEraserTool},
        {"ColoredPencilTool", &coloredPencilTool},
        {"LineDropperTool", &lineDropperTool},
        {"TextTool", &textTool},
        {"OffsetShadowTool", &offsetShadowTool},
        {"SketchFrameTool", &sketchFrameTool},
        {"MorphTool", &morphTool},
    };
    for (const auto& [toolName, tool] : tools) {
        if (name == toolName) {
            return tool;
        }
    }
    return TransferToolNamed(name);
}

void Workspace::BuildPainting() {
    // Which mode each tool enters and which mode receives its gestures.
    for (BrushTool* tool :
         {static_cast<BrushTool*>(&surfacePaintTool), static_cast<BrushTool*>(&surfaceHueTool),
          static_cast<BrushTool*>(&surfaceSaturationTool), static_cast<BrushTool*>(&surfaceValueTool)}) {
        tool->SetModes(&surfaceManager, nullptr);
    }
    boardEraser.SetModes(&surfaceManager, &surfaceManager);
    surfaceSampleTool.SetModes(nullptr, &surfaceManager);
    boardDropper.SetModes(&paperManager, &paperManager);
    boardWand.SetModes(&paperManager, &paperManager);
    paperManager.SetView(&viewGeometry, &statusPrompt);
    paperManager.SetTools(&toolSlot, &boardDropper, &boardWand);
    shadowPaintTool.SetModes(&shadowManager, nullptr);
    shadowBlendTool.SetModes(&shadowManager, nullptr);
    shadowSampleTool.SetModes(nullptr, &shadowManager);
    shadowEraser.SetModes(&shadowManager, nullptr);
    eraserTool.SetModes(&eraserManager, nullptr);
    surfaceManager.SetTools(&surfacePaintTool, &surfaceEraserTool, &surfaceSampleTool);
    surfaceManager.SetChannelTools(&surfaceHueTool, &surfaceSaturationTool, &surfaceValueTool);
    shadowManager.SetTools(&shadowPaintTool, &shadowBlendTool, &shadowSampleTool, &shadowEraser);
    // Space returns to these modes through their painting tools.
    viewInput.SetQuickSwitchTool(Env::kSurfaceId, &surfacePaintTool);
    viewInput.SetQuickSwitchTool(Env::kShadowsId, &shadowPaintTool);

    auto hasLayer = [this] { return imageStack.Current() >= ImageStackManager::kFirstDrawingLayer; };
    ScreenTool* tools[] = {&surfacePaintTool, &surfaceHueTool,  &surfaceSaturationTool, &surfaceValueTool,
                           &boardEraser,      &shadowPaintTool, &shadowEraser,          &eraserTool};
    for (size_t i = 0; i < std::size(kToolCommands); ++i) {
        Command c;
        c.id = kToolCommands[i].id;
        c.text = kToolCommands[i].text;
        c.prompt = kToolCommands[i].prompt;
        ScreenTool* tool = tools[i];
        c.run = [this, tool] { toolSlot.SetTool(*tool); };
        c.enabled = hasLayer;
        commands.Add(std::move(c));
    }
    Command undoStroke;
    undoStroke.id = cmd::kUndoStroke;
    undoStroke.text = "Undo the last  brush stroke";
    undoStroke.prompt = "Undo the last  brush stroke";
    undoStroke.run = [this] { environmentManager.UndoStroke(); };
    undoStroke.enabled = [this] { return environmentManager.CanUndoStroke(); };
    commands.Add(std::move(undoStroke));

    if (Command* lighting = commands.Find(cmd::kLightingColor)) {
        lighting->run = [this] {
            environmentManager.EnterMode(&lightingSet, LightingSet::kTitle, LightingSet::kPrompt);
        };
        lighting->enabled = hasLayer;
    }
    struct EffectCommand {
        int32_t id;
        Env* mode;
        const char* title;
        const char* prompt;
    };
    const EffectCommand effects[] = {
        {cmd::kLightingLevels, &lightingLevels, LightingLevels::kTitle, LightingLevels::kPrompt},
        {cmd::kColorAdjust, &colorAdjust, ColorAdjust::kTitle, ColorAdjust::kPrompt},
        {cmd::kLightingGradient, &gradientManager, GradientManager::kTitle, GradientManager::kPrompt},
        {cmd::kMarkerStrokes, &markerEffect, MarkerEffect::kTitle, MarkerEffect::kPrompt},
    };
    for (const EffectCommand& e : effects) {
        if (Command* command = commands.Find(e.id)) {
            command->run = [this, e] { environmentManager.EnterMode(e.mode, e.title, e.prompt); };
            command->enabled = hasLayer;
        }
    }
}

} // namespace ts
