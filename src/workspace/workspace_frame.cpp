// The sketch frame mode in the workspace: its command of the control bar and its tool.

#include "workspace/workspace.h"

#include <utility>

namespace ts {

void Workspace::BuildSketchFrame() {
    sketchFrame.SetTool(&sketchFrameTool);
    Command c;
    c.id = cmd::kShowSketchFrame;
    // A command of the control bar's "Sketch Frame" list, without a menu item.
    c.text = "Show SketchFrame";
    c.prompt = SketchFrame::kPrompt;
    c.run = [this] { environmentManager.EnterMode(&sketchFrame, SketchFrame::kTitle, SketchFrame::kPrompt); };
    c.enabled = [this] { return imageStack.Count() >= ImageStackManager::kFirstDrawingLayer; };
    commands.Add(std::move(c));
}

} // namespace ts
