// The page layout mode and the preferences dialog.

#include "model/board_textures.h"
#include "platform/preferences.h"
#include "workspace/workspace.h"

namespace ts {

static_assert(PreferenceValues::kTextureCount == static_cast<int32_t>(kBoardTextures.size()),
              "the preferences offer every board texture");

void Workspace::BuildPageAndPreferences() {
    if (Command* c = commands.Find(cmd::kPageLayout)) {
        c->run = [this] {
            environmentManager.EnterMode(&pageManager, PageManager::kTitle, PageManager::kPrompt);
        };
        c->enabled = [this] { return imageStack.Count() >= 2; };
    }
    if (Command* c = commands.Find(cmd::kPreferences)) {
        c->run = [this] { EditPreferences(); };
    }
}

bool Workspace::EditPreferences() {
    PreferencesRequest request{PreferenceValues::Load(profile), std::nullopt};
    if (imageStack.Layer(ImageStackManager::kPaperIndex)) {
        request.drawingPaperColor = paperManager.BoardColor();
    }
    if (!ui.EditPreferences(request)) {
        return false;
    }
    // The dialog checks what was typed before it closes; values from elsewhere (a script) are checked
    // here, and nothing is stored unless every one can be.
    if (const std::string problem = request.values.Problem(); !problem.empty()) {
        ui.ShowMessage(problem);
        return false;
    }
    request.values.Save(profile);
    profile.Store().Sync();
    ReadLayerDefaults();
    return true;
}

} // namespace ts
