#pragma once

#include "document/layer_operations.h"
#include "document/undo_store.h"
#include "model/image_stack_manager.h"
#include "platform/image_codec.h"
#include "platform/profile_manager.h"
#include "platform/settings_store.h"
#include "platform/user_interface.h"
#include "render/refresh_requests.h"

#include <memory>
#include <string>

namespace ts {

// Owns every process-wide object of the program: the layer stack, the undo store, the settings, the
// layer commands and, as they arrive, the view pipeline, the modes and the tools. The application makes
// exactly one; every test makes its own. The platform services are handed in and outlive it.
class Workspace {
public:
    // The program folder ends with '/'; data files are found below it.
    Workspace(UserInterface& ui, SettingsStore& settings, ImageCodec& codec, std::string programFolder);
    ~Workspace();
    Workspace(const Workspace&) = delete;
    Workspace& operator=(const Workspace&) = delete;

    UserInterface& ui;
    ImageCodec& codec;
    ProfileManager profile;
    ImageStackManager imageStack;
    // Until the view's refresh manager takes over, refresh requests are recorded.
    std::unique_ptr<RefreshRequests> refresh;
    UndoStore undoStore;
    LayerOperations layerOperations;

private:
    static std::unique_ptr<RefreshRequests> MakeRefresh();
};

} // namespace ts
