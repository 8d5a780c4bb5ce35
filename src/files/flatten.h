#pragma once

#include "model/image_stack_manager.h"
#include "platform/image24.h"
#include "raster/rect.h"
#include "render/compositor.h"

namespace ts {

// Pictures of the drawing for files and exports, composited row by row with every part shown and the
// board at full grain, whatever the View menu's switches say (they are put back afterwards).

// The whole drawing at full size.
bool RenderFlattened(Compositor& compositor, const ImageStackManager& stack, Image24& image);
// The whole drawing at half its width and height: each pixel the average of a 2 x 2 block (sum / 4,
// truncated, as the view shows it at zoom -2).
bool RenderHalfSize(Compositor& compositor, const ImageStackManager& stack, Image24& image);
// The current layer alone over the board, within a rectangle of drawing pixels (clipped to the
// drawing). False for an empty rectangle or without memory.
bool RenderCurrentLayer(Compositor& compositor, const ImageStackManager& stack, const Rect& area,
                        Image24& image);

} // namespace ts
