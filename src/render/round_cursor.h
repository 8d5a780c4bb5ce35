#pragma once

#include <cstdint>
#include <vector>

namespace ts {

// The brush outline cursor: the view pixels of a circle of a given diameter around the pointer, which
// the view draws (inverting, with saved pixels) while a brush tool is over the drawing.
class RoundCursor {
public:
    struct Point {
        int16_t x = 0; // relative to the pointer
        int16_t y = 0;
    };

    // Rebuilds the outline for a diameter in view pixels (below 1 is used as 1).
    void SetSize(int32_t diameter);
    int32_t Size() const { return m_size; }
    // Every outline pixel once, walked around the circle, relative to the pointer.
    const std::vector<Point>& Points() const { return m_points; }
    // The square around the pointer that the outline covers: pointer + [-Extent(), Extent()].
    int32_t Extent() const { return m_extent; }

private:
    int32_t m_size = 0;
    int32_t m_extent = 0;
    std::vector<Point> m_points;
};

} // namespace ts
