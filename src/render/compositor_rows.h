#pragma once

// What the compositor's row loop and its drawing of each layer's parts share: the scratch rows of a
// band and two byte helpers.

#include "raster/pixel_tables.h"
#include "render/compositor_kernels.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>

namespace ts::compositing {

using kernels::kSlack;

// Byte b (0 blue, 1 green, 2 red) of a colour value 0x00BBGGRR.
inline uint8_t ColorByte(uint32_t color, int b) {
    return static_cast<uint8_t>(color >> (16 - 8 * b));
}

inline uint8_t Blend(uint8_t alpha, uint8_t top, uint8_t under) {
    return static_cast<uint8_t>(
        std::min(255, Mul8(alpha, top) + Mul8(static_cast<uint8_t>(255 - alpha), under)));
}

enum ScratchRow : size_t {
    kPlaneRows,
    kTileRows,
    kAmountRow,
    kAppearanceRow,
    kBlueRow,
    kGreenRow,
    kRedRow,
    kColourRows,
    kLevelRow,
    kLightIndexRow,
    kMaskRow,
    kLineColorRow,
    kScratchRows
};

} // namespace ts::compositing
