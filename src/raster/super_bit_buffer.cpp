#include "raster/super_bit_buffer.h"

namespace ts {

SuperBitBuffer::SuperBitBuffer() {
    SetStrength(255);
}

void SuperBitBuffer::SetStrength(uint8_t strength) {
    // Level k is 16k (255 for all 16 sub-pixels), scaled by strength / 255 in 16.16 fixed point.
    const uint32_t factor = (static_cast<uint32_t>(strength) << 16) / 255;
    for (uint32_t k = 0; k <= 16; ++k) {
        const uint32_t level = k == 16 ? 255 : 16 * k;
        m_coverage[k] = static_cast<uint8_t>((level * factor) >> 16);
    }
}

} // namespace ts
