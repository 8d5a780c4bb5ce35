#pragma once

#include "model/appearance_records.h"
#include "model/layer_object.h"
#include "platform/progress_meter.h"
#include "raster/fast_bitonal_mask.h"
#include "raster/rect.h"
#include "render/line_dashes.h"
#include "render/refresh_requests.h"

#include <cstdint>
#include <vector>

// Line rendering. A finished line survives only as bytes per pixel of its layer:
//   occupancy      the frame holder's drawing buffer: the 4 x 4 quarter-pixel cells the centre line
//                  passed through (two bytes, the SuperBitBuffer layout);
//   style byte     lineAppearanceIndex: LineStyle 0-6, kLineGapBit where the dash pattern leaves a gap;
//   width byte     refreshWidth: width 1-31 in bits 0-4, freehand 0-7 in bits 5-7;
//   colour index   colorAppearanceIndex: a slot of the layer's colour table.
// The redraw pass makes from them what the compositor shows: the coverage (lineBuffer) and the colour
// index of every covered pixel (refreshAppearance). Restyling rewrites bytes and redraws; the segments
// are not needed again.
//
// The redraw: every occupied pixel that is not a gap stamps a disc of its width (width 1: a one-pixel
// square) into the coverage, in quarter-pixel cells, centred on the mean of its occupied cells, moved by
// the freehand wobble. Coverage is the union of the stamps, so lines never build up and the edges are
// anti-aliased by the cells. Where stamps of several lines meet, the pixel takes the colour of the line
// whose centre lies nearest to it (the first in row order at equal distance), so crossings show each
// line's colour on its own side. Freehand a moves the stamps by up to 3a quarter pixels, in a direction
// that turns slowly along the line (a smooth random field of 64-pixel period), so a wobbly line stays
// unbroken. The pixels depend only on the bytes: a redraw of any rectangle equals a whole redraw there.
//
// Bytes from files are taken as they come: width 0 draws as 1, a style byte above 6 as its gap bit
// alone, a colour index of an empty slot as black (the compositor's rule), parts of another size than the
// occupancy as absent (style Solid, width 1, colour 0).

namespace ts {

inline constexpr const char* kRedrawLinesGlobally = "R_RedrawLinesGlobally";
inline constexpr const char* kRedrawLinesUnderBrush = "R_RedrawLinesUnderBrush";
inline constexpr const char* kLinePaintWidthManager = "R_LinePaintWidthManager";

inline constexpr int32_t kMaxLineWidth = 31;
inline constexpr int32_t kMaxFreehand = 7;
// How far a stamp reaches from its pixel: half the widest stamp, a cell, and the widest wobble.
inline constexpr int32_t kLineReach = 22;

// The width byte of a width (clamped to 1-31) and freehand amount (0-7), and back.
inline uint8_t LineWidthByte(int32_t width, int32_t freehand) {
    const int32_t w = width < 1 ? 1 : (width > kMaxLineWidth ? kMaxLineWidth : width);
    const int32_t f = freehand < 0 ? 0 : (freehand > kMaxFreehand ? kMaxFreehand : freehand);
    return static_cast<uint8_t>(w | f << 5);
}
inline int32_t LineWidthOf(uint8_t widthByte) {
    const int32_t w = widthByte & 31;
    return w == 0 ? 1 : w;
}
inline int32_t LineFreehandOf(uint8_t widthByte) {
    return widthByte >> 5;
}

// The line panel's record in a layer's appearance table: p1 the width, p4 the style, p5 the freehand
// amount; p2 and p6 stay 0 (the default slots' p2 of 20 is kept as it is).
LineAppearance MakeLineAppearance(int32_t width, int32_t style, int32_t freehand);

// What a new line is drawn with.
struct LineSettings {
    int32_t width = 1;      // 1-31
    int32_t style = 0;      // LineStyle
    int32_t freehand = 0;   // 0-7
    uint8_t colorIndex = 0; // slot of the layer's colour table
};

// A line layer is a drawing layer with a frame holder (its occupancy).
bool IsLineLayer(const LayerObject& layer);
// Makes the layer's line part, as large as its occupancy, unless it has one of that size; a part of
// another size (an old file) is made anew, keeping its tables. False on a layer that is not a line
// layer or when memory runs out.
bool EnsureLineArt(LayerObject& layer);

// A line segment's ends in fine (quarter pixel) layer coordinates.
struct FineSegment {
    int32_t x1 = 0;
    int32_t y1 = 0;
    int32_t x2 = 0;
    int32_t y2 = 0;
};

// The line renderer of one layer. The line mode draws a finished polyline with DrawSegments and asks
// for a redraw of a rectangle with RedrawLines (after restyling bytes, erasing, undo); it queues the
// refresh with QueueLineRefresh. The layer must be a line layer with its line part (EnsureLineArt);
// otherwise nothing is drawn.
class LineRenderer {
public:
    explicit LineRenderer(LayerObject& layer);

    // The layer has occupancy and a line part of its size.
    bool Valid() const { return m_valid; }
    void SetSettings(const LineSettings& settings) { m_settings = settings; }
    const LineSettings& Settings() const { return m_settings; }

    // Rasterises one segment's centre line: every quarter-pixel cell it passes through is set in the
    // occupancy, and its pixel takes the current style, width and colour bytes (no gap bit). Not Solid:
    // the pixels are also set in newLines (layer pixels, when given). The touched rectangle of layer
    // pixels; empty when both ends are one point or it lies wholly off the layer.
    Rect RasterizeSegment(int32_t x1, int32_t y1, int32_t x2, int32_t y2, FastBitonalMask* newLines);

    // A finished line: rasterises the segments, lays the style's dot or dash pattern over their pixels,
    // and redraws. Returns the rectangle of layer pixels that changed (the segments' pixels and those
    // around them whose look changed), for the undo record and the refresh. dashes is the line mode's
    // kept dash mask.
    Rect DrawSegments(const std::vector<FineSegment>& segments, DotDashGapMask& dashes,
                      ProgressMeter* progress = nullptr);

    // Writes a style into the style bytes of the occupied pixels set in mask (every occupied pixel
    // without one) within area: the style, with the gap bit where gaps marks a gap (Solid: no gap).
    // The caller takes the undo step and redraws. The changed rectangle.
    Rect ApplyStyle(int32_t style, const FastBitonalMask* mask, const DotDashGapMask* gaps, const Rect& area);

    // "All" with a style: the dash pass over every line, the style bytes, a whole redraw and the refresh
    // "R_LinePaintWidthManager". The caller takes the undo step.
    Rect RestyleLayer(int32_t style, DotDashGapMask& dashes, RefreshRequests* refresh,
                      ProgressMeter* progress = nullptr);

    // Redraws the coverage and rendered colours of the rectangle (layer pixels) grown by kLineReach, from
    // every occupied pixel that reaches it. The meter advances per row of the grown rectangle (none:
    // silent). Returns the rectangle that may look different, clipped to the layer: the one asked for
    // and every pixel around it whose coverage or colour changed.
    Rect RedrawLines(const Rect& area, ProgressMeter* progress = nullptr);

    // The whole layer.
    Rect LayerRectangle() const { return Rect{0, 0, m_width, m_height}; }

private:
    // What a whole-layer restyle writes into a row's style bytes as the redraw reads the row.
    struct Restyle;
    // RedrawLines; with a restyle, the area is the whole layer and each source row is restyled first.
    Rect Redraw(const Rect& area, ProgressMeter* progress, Restyle* restyle);

    LayerObject& m_layer;
    LineSettings m_settings;
    int32_t m_width = 0;
    int32_t m_height = 0;
    bool m_valid = false;    // occupancy and the rendered parts fit: a redraw can run
    bool m_writable = false; // the style, width and colour parts fit too: lines can be drawn
};

// Marks the layer rectangle's drawing pixels for recompositing and refreshes with the reason
// (kRedrawLinesGlobally, kRedrawLinesUnderBrush or kLinePaintWidthManager).
void QueueLineRefresh(RefreshRequests& refresh, const LayerObject& layer, const Rect& layerRect,
                      const char* reason);

namespace linestamps {
// The displacement in quarter pixels of freehand amount a (0-7) at a layer pixel.
void Wobble(int32_t amount, int32_t x, int32_t y, int32_t& dx, int32_t& dy);
// Whether the redraw takes its fast paths: vector instructions (when the processor has them), lines of
// one colour without distances, and stamps of one colour out of row order. Returns the previous
// setting. Tests switch them off to compare against the plain loops, every stamp in row order.
bool UseFastPaths(bool on);
// Whether the fast paths may take the processor's wider vector instructions (otherwise the baseline
// ones). Returns the previous setting; tests switch them off to check the baseline paths.
bool UseWideVectors(bool on);
} // namespace linestamps

} // namespace ts
