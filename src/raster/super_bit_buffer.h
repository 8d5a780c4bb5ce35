#pragma once

#include "raster/byte_bit_counter.h"
#include "raster/rl_buffer.h"

#include <array>
#include <cstdint>

namespace ts {

// Two bytes per pixel holding a 4 x 4 sub-pixel coverage mask, stored little-endian. Sub-pixel
// (x, y) is bit 8 * (x / 2) + 2 * y + (1 - x % 2): the low byte holds sub-columns 0 and 1, and in
// each bit pair the higher bit is the even sub-column.
class SuperBitBuffer : public RLBuffer {
public:
    SuperBitBuffer();

    static constexpr int SubPixelBit(int x, int y) { return 8 * (x / 2) + 2 * y + (1 - x % 2); }
    static uint16_t MirrorHorizontal(uint16_t mask) { return MirrorMaskHorizontal(mask); }
    static uint16_t MirrorVertical(uint16_t mask) { return MirrorMaskVertical(mask); }

    // Alpha for k covered sub-pixels (k = 0..16) at strength s: 16k (255 for 16) scaled by s / 255 in
    // 16.16 fixed point.
    void SetStrength(uint8_t strength);
    uint8_t CoverageAlpha(int setBits) const { return m_coverage[static_cast<size_t>(setBits)]; }
    uint8_t MaskAlpha(uint16_t mask) const { return m_coverage[static_cast<size_t>(CountMaskBits(mask))]; }
    const std::array<uint8_t, 17>& CoverageTable() const { return m_coverage; }

private:
    std::array<uint8_t, 17> m_coverage{};
};

} // namespace ts
