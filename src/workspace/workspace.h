#pragma once

#include "document/layer_operations.h"
#include "document/undo_store.h"
#include "model/image_stack_manager.h"
#include "modes/custom_backdrop_manager.h"
#include "modes/paper_manager.h"
#include "platform/image_codec.h"
#include "platform/profile_manager.h"
#include "platform/settings_store.h"
#include "platform/user_interface.h"
#include "render/compositor.h"
#include "render/refresh_manager.h"
#include "render/view_manager.h"

#include <memory>
#include <string>

namespace ts {

// Owns every process-wide object of the program: the layer stack, the view pipeline, the undo store,
// the settings, the layer commands and, as they arrive, the modes and the tools. The application makes
// exactly one; every test makes its own. The platform services are handed in and outlive it.
class Workspace {
public:
    // The program folder ends with '/'; data files are found below it. Tests may hand in their own
    // recorder of refresh requests in place of the view's refresh manager.
    Workspace(UserInterface& ui, SettingsStore& settings, ImageCodec& codec, std::string programFolder,
              std::unique_ptr<RefreshRequests> refreshOverride = nullptr);
    ~Workspace();
    Workspace(const Workspace&) = delete;
    Workspace& operator=(const Workspace&) = delete;

    // Reads the pencil-shadow grain; shows the program's message when it is missing.
    bool LoadGrain();
    // A Backdrop menu command (the kinds of the menu); false for an id that is not one.
    bool RunBackdropCommand(int32_t command);

    UserInterface& ui;
    ImageCodec& codec;
    ProfileManager profile;
    ImageStackManager imageStack;
    Compositor compositor;
    ViewManager viewManager;
    RefreshManager refreshManager;

private:
    std::unique_ptr<RefreshRequests> m_refreshOverride;

public:
    // Where the drawing operations send their refresh requests: the refresh manager, or the override.
    RefreshRequests& refresh;
    UndoStore undoStore;
    LayerOperations layerOperations;
    PaperManager paperManager;
    CCustomBackdropManager customBackdropManager;

private:
    class Hooks;
    class UndoLinks;
    std::unique_ptr<Hooks> m_hooks;
    std::unique_ptr<UndoLinks> m_undoLinks;
};

} // namespace ts
