// Cropping and expanding: the crop/expand mode of Page > Size and the Layer menu's Crop, Expand and
// Fit commands.

#include "workspace/workspace.h"

namespace ts {

void Workspace::BuildCrop() {
    cropManager.SetTool(&cropTool);
    Image24 handle;
    if (codec.Load(profile.ProgramFolder() + "res/crop_han_rgb.bmp", handle)) {
        cropManager.CropFrame().SetHandlePicture(std::move(handle));
    }
    auto hasLayer = [this] {
        return imageStack.CurrentLayer() != nullptr &&
               imageStack.Current() >= ImageStackManager::kFirstDrawingLayer;
    };
    auto on = [this, hasLayer](int32_t id, std::function<void()> run) {
        if (Command* c = commands.Find(id)) {
            c->run = std::move(run);
            c->enabled = hasLayer;
        }
    };
    on(cmd::kPageSize,
       [this] { environmentManager.EnterMode(&cropManager, CCropManager::kTitle, CCropManager::kPrompt); });
    on(cmd::kCropFullPage, [this] { layerCropper.CropTo(layerCropper.PageArea()); });
    on(cmd::kCropPrintable, [this] { layerCropper.CropTo(layerCropper.PrintableArea()); });
    on(cmd::kExpandFullPage, [this] { layerCropper.ExpandTo(layerCropper.PageArea()); });
    on(cmd::kFitFullPage, [this] { layerCropper.FitTo(layerCropper.PageArea()); });
    on(cmd::kFitPrintable, [this] { layerCropper.FitTo(layerCropper.PrintableArea()); });
}

} // namespace ts
