#pragma once

#include "model/layer_object.h"
#include "raster/fast_bitonal_mask.h"
#include "raster/rect.h"
#include "render/line_renderer.h"

#include <cstdint>
#include <memory>

namespace ts {

// What a line stroke draws or changes lines with.
struct LineStrokeTool {
    LineSettings line;                   // pens and line repair
    int32_t widthMode = 0;               // width pen: 0 sets, 1 increments, 2 decrements
    const LayerObject* source = nullptr; // the line part of type 24 copies from here,
    bool clearLines = false;             //   or, without a source, clears the lines under it
};

// The line part of the brush strokes, on a line layer's occupancy and line bytes:
//   1 and the line part of 20, 21, 22  erase every line whose stamp meets the brush disc: its centre
//        cells there are cleared, so nothing of it shows in the brush path and what is left redraws
//        to what shows;
//   13..17  the pens appearance, width, colour, freehand, style: the bytes of the lines whose stamp
//        meets the brush disc, once per pixel and stroke (so an increment steps once); lines the brush
//        does not touch keep theirs;
//   2   line repair: the centre line along the drag, drawn with the tool's settings;
//   24  copies the source layer's lines under the brush disc (colours through the table's remap), or
//        clears them when the tool says so; otherwise it leaves lines alone.
// Each dab redraws the lines it changed; a style pen lays its dot or dash pattern at the end of the
// stroke. Rows are worked on directly in the stored buffers, a dab's rows at a time.
class LineStroke {
public:
    // Whether a stroke type has a line part.
    static bool HasLinePart(int32_t strokeType);
    // Whether the stroke type only works on lines (it fails on a layer without them).
    static bool LinesOnly(int32_t strokeType);

    // False when the layer is not a line layer or its line part cannot be made.
    bool Begin(LayerObject& layer, int32_t strokeType, const LineStrokeTool& tool);
    // The line part of a dab at quarter-pixel position (qx, qy), layer coordinates, of a brush disc of
    // radius rq quarter pixels: the rectangle redrawn (layer pixels).
    Rect Dab(int32_t qx, int32_t qy, int32_t rq);
    // Finishes the stroke: the rectangle redrawn.
    Rect End();
    bool Running() const { return m_layer != nullptr; }

private:
    Rect ChangeAround(int32_t qx, int32_t qy, int32_t rq);
    Rect CopyAround(int32_t qx, int32_t qy, int32_t rq);

    LayerObject* m_layer = nullptr;
    int32_t m_type = 0;
    LineStrokeTool m_tool;
    FastBitonalMask m_done; // pixels a pen or repair has changed in this stroke
    Rect m_changed;
    bool m_started = false;
    int32_t m_lastX = 0;
    int32_t m_lastY = 0;
};

} // namespace ts
