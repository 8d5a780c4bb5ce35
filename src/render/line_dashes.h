#pragma once

#include "raster/fast_bitonal_mask.h"
#include "raster/rect.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace ts {

class RLBuffer;

// Lists the pixels first .. last - 1 whose two occupancy bytes (occ holds two a pixel, from pixel 0) are
// not both 0, in order, into pixels (room for last - first); returns how many.
size_t OccupiedPixels(const uint8_t* occ, size_t first, size_t last, uint32_t* pixels);

// Line styles: the style byte of a line pixel holds one of these, with kLineGapBit set where the pixel
// falls into a gap of the dash pattern.
enum LineStyle : int32_t {
    kLineSolid = 0,
    kLineDotted = 1,
    kLineDottedDense = 2,
    kLineDottedSparse = 3,
    kLineDashed = 4,
    kLineDashedShort = 5,
    kLineDashedLong = 6,
};
inline constexpr int32_t kLineStyleCount = 7;
// The styles as the line panel names them.
inline constexpr const char* kLineStyleNames[kLineStyleCount] = {
    "Solid", "Dotted", "Dotted Dense", "Dotted Sparse", "Dashed", "Dashed Short", "Dashed Long"};
inline constexpr uint8_t kLineGapBit = 0x80;

// The length of one dot or dash cycle of a style at a line width: c bounds a phase along either axis,
// e the sum of both displacements (c + c / 2).
struct DashCycle {
    int32_t c = 3;
    int32_t e = 4;
};
DashCycle DashCycleOf(int32_t style, int32_t width);

// The dot and dash pass. Every line pixel to be styled gets a propagation code from an already coded
// neighbour: its x and y displacement since the current cycle began (signed bytes, bits 0-7 and 8-15)
// and the phase it lies in (kFirstPhase inked, kSecondPhase gap). The gap pixels end up as set bits of
// the mask, which keeps a margin of kMargin pixels around the layer.
class DotDashGapMask {
public:
    static constexpr int32_t kMargin = 32;
    static constexpr uint32_t kFirstPhase = 0x10000;
    static constexpr uint32_t kSecondPhase = 0x20000;

    // The neighbour a code is taken from, with the step from it to the pixel.
    enum Direction : int32_t { kRight = 0, kUpperRight = 1, kUp = 2, kUpperLeft = 3, kLeft = 4 };
    static constexpr std::array<int32_t, 5> kStepX = {-1, -1, 0, 1, 1};
    static constexpr std::array<int32_t, 5> kStepY = {0, 1, 1, 1, 0};

    // |v| of a byte read as signed (128 stays 128).
    static int32_t Magnitude(uint32_t byte) {
        byte &= 0xFF;
        return byte <= 127 ? static_cast<int32_t>(byte) : 256 - static_cast<int32_t>(byte);
    }
    // The code of a pixel reached from a predecessor's code in a direction: a predecessor outside any
    // cycle, or a step beyond the cycle, starts a new cycle (kFirstPhase, no displacement).
    static uint32_t NextCode(uint32_t predecessor, int32_t direction, int32_t style, const DashCycle& cycle);

    // Codes the line pixels of a layer (non-zero occupancy, and set in newLines when one is given; both
    // in layer pixels) within area, rows top to bottom, and leaves the gap pixels set in the mask,
    // every other bit clear. width 1-31 fixes the cycle; 0 takes each pixel's own width byte (widths
    // may be null then: width 1). Styles other than 1-6 leave no gaps. False when memory runs out.
    bool ApplyDashes(const RLBuffer& occupancy, const RLBuffer* widths, int32_t style, int32_t width,
                     const FastBitonalMask* newLines, const Rect& area);

    // The same pass a row at a time, for a caller that reads the rows itself: BeginRows with the layer's
    // size, then CodeRow for every row of the area from its top down, without skipping a row. False
    // when memory runs out (then nothing may be coded).
    bool BeginRows(int32_t layerWidth, int32_t layerHeight, int32_t style, int32_t width, const Rect& area);
    // Codes row y: pixels lists the n pixels of the row whose occupancy is not 0, in order, counted
    // from the area's left column (OccupiedPixels); widths holds the row's width bytes from that column
    // (null: width 1). Leaves the row's gaps set in the mask.
    void CodeRow(int32_t y, const uint8_t* widths, const uint32_t* pixels, size_t n,
                 const FastBitonalMask* newLines);
    // Whether a pixel of the row CodeRow coded last lies in a gap; x a layer column of the area. No
    // pixel does when nothing is coded.
    bool GapInLastRow(int32_t x) const {
        return m_coding && (m_previous[static_cast<size_t>(x + 1)] & kSecondPhase) != 0;
    }

    // Whether a layer pixel lies in a gap (false outside the mask).
    bool IsGap(int32_t x, int32_t y) const {
        const int32_t mx = x + kMargin;
        const int32_t my = y + kMargin;
        return mx >= 0 && my >= 0 && mx < m_bits.Width() && my < m_bits.Height() && m_bits.TestBit(mx, my);
    }
    int32_t Width() const { return m_width; }
    int32_t Height() const { return m_height; }

private:
    bool Prepare(int32_t width, int32_t height);

    FastBitonalMask m_bits;
    int32_t m_width = 0;
    int32_t m_height = 0;
    std::vector<uint32_t> m_previous; // codes of the row above, one pixel wider on each side
    std::vector<uint32_t> m_current;
    // Codes are non-zero only in these index ranges of the two rows; the rest stays 0.
    size_t m_previousFrom = 0;
    size_t m_previousTo = 0;
    size_t m_currentFrom = 0;
    size_t m_currentTo = 0;
    // What BeginRows set up for CodeRow.
    int32_t m_style = 0;
    int32_t m_left = 0;
    bool m_coding = false;
    std::array<DashCycle, 32> m_cycles{};
    std::vector<uint8_t> m_takes; // 1 where the pixel is to be coded, and a 0 after the last
};

} // namespace ts
