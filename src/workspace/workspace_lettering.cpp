// Lettering in the workspace: the text engine's fonts and line settings, the lettering tool and the
// command of its button.

#include "workspace/workspace.h"

#include <utility>

namespace ts {

void Workspace::BuildLettering() {
    textManager.SetFontService(&headlessFonts);
    // The letters are drawn as lines of the line panel's width, style and freehand.
    textManager.SetLineSettingsSource([this] {
        lineManager.ReadPanel();
        return lineManager.Settings();
    });
    textTool.SetMode(&textToolManager);
    environmentManager.SetLetteringMode(&textToolManager);

    Command c;
    c.id = cmd::kTextTool;
    c.text = "Text Tool";
    c.prompt = TextToolManager::kPrompt;
    c.run = [this] { toolSlot.SetTool(textTool); };
    // The text gets a layer of its own on a drawing.
    c.enabled = [this] { return imageStack.Count() >= ImageStackManager::kFirstDrawingLayer; };
    commands.Add(std::move(c));
}

} // namespace ts
