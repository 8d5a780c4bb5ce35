#pragma once

#include "platform/image24.h"
#include "raster/rect.h"
#include "render/under_pixel_manager.h"

#include <array>
#include <cstdint>
#include <vector>

namespace ts {

// Averages for shrinking: with k = min(-z, 10) and n = k x k, entry i (i = 0 .. 255 n) is
// (i x floor(65536 / n)) >> 16, the average of n samples whose sum is i.
class SampleTable {
public:
    void SetZoom(int32_t zoom);
    int32_t Zoom() const { return m_zoom; }
    int32_t BlockSide() const { return m_side; }
    uint8_t Average(uint32_t sum) const { return m_table[sum < m_table.size() ? sum : m_table.size() - 1]; }
    // The table itself: entries 0 .. 255 n.
    const uint8_t* Entries() const { return m_table.data(); }

private:
    int32_t m_zoom = 0;
    int32_t m_side = 1;
    std::array<uint8_t, 32768> m_table{};
};

// The zoom factors the view knows: 1:1, magnifications 2..16 and reductions -2..-64.
bool IsValidZoom(int32_t zoom);

// Builds rows of the viewport (the visible part of the drawing at the zoom) from the view buffer.
class ViewportFrame {
public:
    // Magnifying rows: view pixels repeated z times across; where a pixel has line coverage in the
    // under-pixel store and lines are shown, each output pixel shows the line colour where the
    // sub-pixel it falls on is covered and the colour under the line elsewhere. subRow is the output
    // row's position inside its magnified pixel (0 .. z - 1).
    static void MagnifyRow(const uint8_t* viewRow, int32_t firstColumn, int32_t outWidth, int32_t zoom,
                           int32_t subRow, const UnderPixelManager* under, uint8_t* out);
    // Working room of ShrinkRow, kept between calls.
    struct ShrinkRoom {
        std::vector<uint16_t> sums;
        std::vector<uint8_t> averages;
    };
    // Shrinking rows at zoom z: output pixel i stands for the -z x -z block whose last row is the view
    // row `row` and whose first column is firstColumn - z x i; it averages the block's last k rows (rows
    // above 0 repeat row 0) and last k columns (columns past the view's last repeat the last one),
    // k = min(-z, 10).
    static void ShrinkRow(const Image24& view, int32_t row, int32_t firstColumn, int32_t outWidth,
                          const SampleTable& table, uint8_t* out, ShrinkRoom& room);
    // Whether the vector loops are used (when the processor has them); returns the previous setting.
    // Tests switch them off to compare against the plain loops.
    static bool UseVectors(bool on);
};

} // namespace ts
