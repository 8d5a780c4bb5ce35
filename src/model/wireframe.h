#pragma once

#include "model/point_memory.h"
#include "raster/super_bit_buffer.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace ts {

// The frame holder of a layer: its drawing buffer (the centre-line occupancy of its lines, a 4 x 4
// sub-pixel mask per pixel), the segments of the line being drawn, and for a sketch frame its four
// corner points. The segments work in drawing fine coordinates through the layer's origin, which the
// line tools set (PointMemory::SetLayerOrigin) before they use them, since a layer's offsets change.
class Wireframe {
public:
    Wireframe() = default;
    explicit Wireframe(std::unique_ptr<SuperBitBuffer> buffer) : drawingBuffer(std::move(buffer)) {}

    bool CopyFrom(const Wireframe& other);
    bool SameContents(const Wireframe& other) const;
    size_t MemoryFootprint() const;
    void FlipHorizontal(ProgressMeter* progress);
    void FlipVertical(ProgressMeter* progress);

    struct Corner {
        int32_t x = 0;
        int32_t y = 0;
        bool operator==(const Corner&) const = default;
    };

    std::unique_ptr<SuperBitBuffer> drawingBuffer;
    PointMemory points;
    std::array<Corner, 4> corners{};
    bool hasCorners = false;
    // The vanishing points of the layer's perspective in layer pixels, and the one the line constraint
    // aims at (-1: none). Working state like the segments: the file has no room for them.
    std::vector<PointTS> vanishingPoints;
    int32_t currentVanishingPoint = -1;
};

} // namespace ts
