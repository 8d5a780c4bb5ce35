#pragma once

#include "model/image_stack_manager.h"
#include "model/layer_object.h"

#include <string>

namespace ts {

// The layers the sketch frame mode draws, by name.
inline constexpr const char* kSketchFrameLayerName = kSketchFrameName;
inline constexpr const char* kFloorPlanFrameLayerName = "FloorPlan Frame";

bool IsFrameLayerName(const std::string& name);

// The layer whose vanishing points the current layer's lines are drawn toward: the current drawing
// layer when it has vanishing points of its own (set by hand), else the highest frame layer that has
// some, so that a layer drawn over a frame follows the frame's perspective. Null when there is none.
// The points are in that layer's pixels.
LayerObject* VanishingPointLayer(ImageStackManager& stack);

} // namespace ts
