#pragma once

#include "render/round_cursor.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace ts {

// The brush footprint: a disc anti-aliased on the 4 x 4 sub-pixel grid, precomputed for the 16
// quarter-pixel phases so that a dab only copies masks. Phase = (qy mod 4) x 4 + (qx mod 4).
class BrushTS {
public:
    BrushTS(); // size 50 (used as 51) at zoom 1

    // Rebuilds every mask, outline and the cursor. An even size is used as the next odd one; zoom >= 1
    // divides the size, zoom <= -1 multiplies it by -zoom. Sizes and footprints are held to kMaxSize.
    void SetSize(int32_t size, int32_t zoom = 1);
    int32_t Size() const { return m_size; }       // odd, in pixels
    int32_t Zoom() const { return m_zoom; }       // as given to SetSize
    int32_t Side() const { return m_side; }       // mask side b = zoomed size + 2
    int32_t Radius() const { return m_side / 2; } // pixels from the mask's centre pixel to its edge
    // Side x Side coverage masks of a phase (0..15), row by row, in the sub-pixel bit layout of
    // SuperBitBuffer. The centre pixel (Side / 2, Side / 2) lies on the brush's pixel position.
    const uint16_t* Mask(int32_t phase) const { return m_masks[static_cast<size_t>(phase & 15)].data(); }
    // The outermost covered mask positions of a phase, walked around the footprint, each packed as
    // row << 16 | column.
    const std::vector<uint32_t>& Outline(int32_t phase) const {
        return m_outlines[static_cast<size_t>(phase & 15)];
    }
    // Per phase and mask row, the first and one-past-last columns with a non-zero mask (0, 0 when none).
    const std::vector<uint16_t>& RowSpans(int32_t phase) const {
        return m_spans[static_cast<size_t>(phase & 15)];
    }
    const RoundCursor& Cursor() const { return m_cursor; }

    static constexpr int32_t kPhases = 16;
    static constexpr int32_t kMaxSize = 2001;
    // The largest footprint a stroke paints, in drawing pixels: at the smallest views a large brush
    // would need masks of hundreds of megabytes.
    static constexpr int32_t kMaxFootprint = 1001;
    // The size (odd) a stroke paints with for a tool's brush size at a zoom: when shrinking, held so
    // that the footprint stays within kMaxFootprint. The brush outline shows this size too.
    static int32_t PaintedSize(int32_t size, int32_t zoom) {
        if (zoom <= -1) {
            size = size < kMaxFootprint / -zoom ? size : kMaxFootprint / -zoom;
            size = size < 1 ? 1 : size;
        }
        return size | 1;
    }
    static int32_t PhaseOf(int32_t qx, int32_t qy) { return ((qy & 3) << 2) | (qx & 3); }

private:
    void Build();

    int32_t m_size = 51;
    int32_t m_zoom = 1;
    int32_t m_side = 53;
    std::array<std::vector<uint16_t>, kPhases> m_masks;
    std::array<std::vector<uint32_t>, kPhases> m_outlines;
    std::array<std::vector<uint16_t>, kPhases> m_spans; // 2 entries per mask row
    RoundCursor m_cursor;
};

} // namespace ts
