#include "model/frame_layers.h"

namespace ts {

bool IsFrameLayerName(const std::string& name) {
    return name == kSketchFrameLayerName || name == kFloorPlanFrameLayerName;
}

LayerObject* VanishingPointLayer(ImageStackManager& stack) {
    if (stack.Current() < ImageStackManager::kFirstDrawingLayer) {
        return nullptr;
    }
    LayerObject* current = stack.CurrentLayer();
    if (current && current->frame && !current->frame->vanishingPoints.empty()) {
        return current;
    }
    for (int32_t i = stack.Count() - 1; i >= ImageStackManager::kFirstDrawingLayer; --i) {
        LayerObject* layer = stack.Layer(i);
        if (layer && layer->frame && !layer->frame->vanishingPoints.empty() &&
            IsFrameLayerName(layer->name)) {
            return layer;
        }
    }
    return nullptr;
}

} // namespace ts
