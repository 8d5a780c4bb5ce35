#pragma once

// Line layers for tests of the line renderer and the line strokes.

#include "model/layer_test_support.h"
#include "model/part_buffers.h"
#include "render/line_renderer.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace ts::testing {

// A line layer (a frame holder with its occupancy, and the line part) of the given size.
inline std::unique_ptr<LayerObject> LineLayer(int32_t width, int32_t height) {
    auto layer = std::make_unique<LayerObject>();
    layer->frame = std::make_unique<Wireframe>(parts::NewBuffer<SuperBitBuffer>(width, height, 2, 0));
    EXPECT_TRUE(EnsureLineArt(*layer));
    return layer;
}

// Draws one polyline with the settings; the rectangle redrawn.
inline Rect DrawLine(LayerObject& layer, const std::vector<FineSegment>& segments,
                     const LineSettings& settings) {
    LineRenderer renderer(layer);
    renderer.SetSettings(settings);
    DotDashGapMask dashes;
    return renderer.DrawSegments(segments, dashes);
}

// A level line through the middle of pixel row y from pixel x0 to pixel x1 (both ends inked).
inline FineSegment LevelLine(int32_t x0, int32_t x1, int32_t y) {
    return FineSegment{4 * x0 + 2, 4 * y + 2, 4 * x1 + 2, 4 * y + 2};
}

inline bool Covered(const LayerObject& layer, int32_t x, int32_t y) {
    return MaskAt(*layer.lineArt->lineBuffer, x, y) != 0;
}

inline uint8_t RenderedColor(const LayerObject& layer, int32_t x, int32_t y) {
    return ByteAt(*layer.lineArt->refreshAppearance, x, y);
}

inline uint8_t StyleByte(const LayerObject& layer, int32_t x, int32_t y) {
    return ByteAt(*layer.lineArt->lineAppearanceIndex, x, y);
}

} // namespace ts::testing
