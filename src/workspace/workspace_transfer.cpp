// The modes that move pixels between layers in the workspace: the merge brush, the lift and the
// dropper, their tools and commands, and "Mask", which opens the layer the colour adjustment's "Use
// Mask" reads for painting.

#include "workspace/workspace.h"

#include <utility>

namespace ts {

namespace {

constexpr const char* kMaskLayerName = "Mask";

} // namespace

ScreenTool* Workspace::TransferToolNamed(const std::string& name) {
    const std::pair<const char*, ScreenTool*> tools[] = {
        {"MaskTool", &maskTool},
        {"LiftTool", &liftTool},
        {"DropperTool", &dropperTool},
    };
    for (const auto& [toolName, tool] : tools) {
        if (name == toolName) {
            return tool;
        }
    }
    return nullptr;
}

bool Workspace::PaintMaskLayer() {
    int32_t index = -1;
    for (int32_t i = imageStack.Count() - 1; i >= ImageStackManager::kFirstDrawingLayer; --i) {
        if (imageStack.Layer(i)->name == kMaskLayerName) {
            index = i;
            break;
        }
    }
    if (index < 0) {
        // A layer of the drawing's size whose lighting is neutral everywhere: a weight of 128, the
        // saved colour, until the user paints it.
        const int32_t width = imageStack.DrawingWidth();
        const int32_t height = imageStack.DrawingHeight();
        auto color = std::make_unique<ObjectColor>();
        auto shadow = std::make_unique<ObjectShadow>();
        if (width <= 0 || height <= 0 || !color->Create(width, height, 0x00FFFFFF, 255) ||
            !shadow->Create(width, height)) {
            return false;
        }
        LayerObject* layer = imageStack.CreateLayer(kMaskLayerName);
        if (!layer) {
            return false;
        }
        layer->color = std::move(color);
        layer->shadow = std::move(shadow);
        undoStore.SnapshotAddedLayer();
        index = imageStack.Current();
    } else {
        LayerObject& layer = *imageStack.Layer(index);
        if (!layer.shadow || !layer.shadow->lighting) {
            auto shadow = std::make_unique<ObjectShadow>();
            if (!shadow->Create(imageStack.LayerWidth(layer), imageStack.LayerHeight(layer))) {
                return false;
            }
            layer.shadow = std::move(shadow);
        }
        imageStack.SetCurrent(index);
    }
    imageStack.NotifyIndicator();
    refresh.Refresh("Mask Layer");
    toolSlot.SetTool(shadowPaintTool);
    if (environmentManager.Current() != &shadowManager) {
        environmentManager.EnterMode(&shadowManager, ShadowManager::kTitle, ShadowManager::kPrompt);
    }
    return true;
}

void Workspace::BuildTransfer() {
    maskTool.SetModes(&maskManager, &maskManager);
    liftTool.SetModes(&liftManager, &liftManager);
    dropperTool.SetModes(&dropperManager, &dropperManager);
    // The merge brush's "Lines" reaches as far as the widest stamp the line panel draws with.
    maskManager.SetLineWidthSource([this] { return lineManager.PanelWidth(); });

    auto hasLayer = [this] { return imageStack.Current() >= ImageStackManager::kFirstDrawingLayer; };
    const std::pair<int32_t, ScreenTool*> toolCommands[] = {
        {cmd::kBrushOnMerge, &maskTool},
        {cmd::kLift, &liftTool},
    };
    for (const auto& [id, tool] : toolCommands) {
        if (Command* command = commands.Find(id)) {
            command->run = [this, t = tool] { toolSlot.SetTool(*t); };
            command->enabled = hasLayer;
        }
    }
    if (Command* mask = commands.Find(cmd::kMask)) {
        mask->run = [this] { PaintMaskLayer(); };
        mask->enabled = [this] { return imageStack.DrawingWidth() > 0 && imageStack.DrawingHeight() > 0; };
    }
    Command dropper;
    dropper.id = cmd::kDropperTool;
    dropper.text = "Dropper";
    dropper.prompt = DropperManager::kPrompt;
    dropper.run = [this] { toolSlot.SetTool(dropperTool); };
    dropper.enabled = hasLayer;
    commands.Add(std::move(dropper));
}

} // namespace ts
