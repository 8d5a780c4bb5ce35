// The offset shadow in the workspace: its tool, the mode the tool enters, and the commands that pick
// the tool.

#include "workspace/workspace.h"

#include <utility>

namespace ts {

void Workspace::BuildOffsetShadow() {
    offsetShadowTool.SetMode(&offsetShadowManager);
    auto hasLayer = [this] { return imageStack.Current() >= ImageStackManager::kFirstDrawingLayer; };
    Command tool;
    tool.id = cmd::kOffsetShadowTool;
    tool.text = "Offset Shadow Tool";
    tool.prompt = OffsetShadowManager::kPrompt;
    tool.run = [this] { toolSlot.SetTool(offsetShadowTool); };
    tool.enabled = hasLayer;
    commands.Add(std::move(tool));
    if (Command* menu = commands.Find(cmd::kOffsetShadow)) {
        menu->run = [this] { toolSlot.SetTool(offsetShadowTool); };
        menu->enabled = hasLayer;
    }
}

} // namespace ts
