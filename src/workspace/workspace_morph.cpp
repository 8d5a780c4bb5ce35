// The selection transform: the tool that enters the morph mode, and the morph onto the sketch frame.

#include "perspective/layer_transform.h"
#include "workspace/workspace.h"

namespace ts {

void Workspace::BuildMorph() {
    auto hasLayer = [this] { return imageStack.Count() > ImageStackManager::kFirstDrawingLayer; };
    Command tool;
    tool.id = cmd::kMorphTool;
    tool.text = "Selection Transform";
    tool.prompt = SelectionMorph::kPrompt;
    tool.run = [this] { toolSlot.SetTool(morphTool); };
    tool.enabled = hasLayer;
    commands.Add(std::move(tool));
    // The current layer laid onto the floor of the sketch frame, every component at once.
    Command sketchOver;
    sketchOver.id = cmd::kCreateSketchOver;
    sketchOver.text = "Create SketchOver";
    sketchOver.prompt = "Lay the current layer onto the floor of the sketch frame.";
    sketchOver.run = [this] {
        toolSlot.SetTool(morphTool);
        if (selectionMorph.TakeFrameCorners(kSketchFrameName)) {
            const uint32_t chosen = selectionMorph.Components();
            selectionMorph.SetComponents(kMorphLines | kMorphLighting | kMorphSurface);
            selectionMorph.CreatePerspective();
            selectionMorph.SetComponents(chosen);
        }
    };
    sketchOver.enabled = hasLayer;
    commands.Add(std::move(sketchOver));
}

} // namespace ts
