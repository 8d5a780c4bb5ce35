#include "workspace/workspace.h"

#include "platform/profile_settings.h"

#include <cstdlib>
#include <utility>

namespace ts {

namespace {

double Inches(ProfileManager& profile, const TextSetting& setting) {
    const double v = std::atof(profile.Get(setting).c_str());
    return v > 0 ? v : std::atof(setting.defaultValue);
}

} // namespace

std::unique_ptr<RefreshRequests> Workspace::MakeRefresh() {
    return std::make_unique<RecordingRefresh>();
}

Workspace::Workspace(UserInterface& userInterface, SettingsStore& settings, ImageCodec& imageCodec,
                     std::string programFolder)
    : ui(userInterface), codec(imageCodec), profile(settings, std::move(programFolder)),
      refresh(MakeRefresh()), undoStore(imageStack, ui, *refresh),
      layerOperations(imageStack, undoStore, *refresh, ui, codec, profile) {
    // A new layer's scale settings come from the profile.
    LayerDefaults defaults;
    defaults.scale[kTargetPaperWidth] = Inches(profile, settings::kTargetPaperWidth);
    defaults.scale[kTargetPaperHeight] = Inches(profile, settings::kTargetPaperHeight);
    defaults.scale[kPaperWidth] = Inches(profile, settings::kPaperWidth);
    defaults.scale[kPaperHeight] = Inches(profile, settings::kPaperHeight);
    defaults.scale[kResolution] = profile.Get(settings::kResolution);
    imageStack.SetLayerDefaults(defaults);
}

Workspace::~Workspace() = default;

} // namespace ts
