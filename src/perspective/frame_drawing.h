#pragma once

#include "model/layer_object.h"
#include "model/point_ts.h"
#include "perspective/frame_geometry.h"
#include "platform/progress_meter.h"
#include "raster/rect.h"

#include <array>
#include <cstdint>
#include <vector>

namespace ts {

// What a frame drawing leaves besides its pixels, in the layer's pixels.
struct FrameDrawing {
    // The floor's corners as the frame shows them: the far left, far right, near right and near left
    // corners of the box's floor ((0, D), (W, D), (W, 0), (0, 0) of the unturned box), which is the top
    // left, top right, bottom right, bottom left order of a quadrilateral seen from above the floor.
    std::array<IntPoint, 4> corners{};
    // Where the box's horizontal edges run to on the horizon (none, one or two).
    std::vector<PointTS> vanishingPoints;
    // The rectangle of layer pixels the lines were drawn in.
    Rect drawn;
    int32_t segments = 0;
};

// Draws the frame's lines (already made by FrameGeometry::Lines) into a line layer whose occupancy is
// empty, fitted into its width and height inside the margin: the box's visible edges and the grid lines
// inside the cone of vision, each line at its weight and colour, through a bit mask of the layer's size.
// The meter advances once per line. False when the layer is not a line layer or memory runs out; the
// layer may then hold part of the lines and the caller drops it.
bool DrawFrameLines(LayerObject& layer, const FrameGeometry& geometry, const std::vector<FrameLine>& lines,
                    ProgressMeter* progress, FrameDrawing& out);

} // namespace ts
