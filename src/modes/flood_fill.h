#pragma once

#include "model/layer_object.h"
#include "raster/fast_bitonal_mask.h"
#include "raster/rect.h"

#include <cstdint>
#include <vector>

namespace ts {

// The area a click in a fill mode covers: every pixel reachable from the start over the 8 neighbours
// without crossing a wall. Walls are the pixels that carry line coverage; a wall pixel that is reached
// is filled too but the fill does not spread from it, so the paint runs up under the lines.
class FloodFill {
public:
    // Walls from the layer's line art (none without line art), on a grid of the given size.
    bool SetWalls(const LayerObject& layer, int32_t width, int32_t height);
    // Fills from (x, y) in layer pixels; false (nothing filled) for a start outside the grid.
    bool Fill(int32_t x, int32_t y);

    // The filled pixels, and the rectangle that holds them (layer pixels; empty before a fill).
    const FastBitonalMask& Filled() const { return m_filled; }
    const Rect& FilledRect() const { return m_rect; }
    bool IsWall(int32_t x, int32_t y) const { return m_walls.TestBit(x, y); }

private:
    // Pending positions wait in a ring that grows when full, so a fill of any size runs to its end.
    class PendingQueue {
    public:
        bool Empty() const { return m_count == 0; }
        void Push(int32_t x, int32_t y);
        void Pop(int32_t& x, int32_t& y);

    private:
        std::vector<int32_t> m_ring; // x, y pairs
        size_t m_head = 0;
        size_t m_count = 0;
    };

    FastBitonalMask m_walls;
    FastBitonalMask m_filled;
    Rect m_rect;
};

} // namespace ts
