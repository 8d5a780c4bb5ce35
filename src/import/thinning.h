#pragma once

#include "platform/progress_meter.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace ts {

// A bitonal picture for the line extraction: one byte per pixel, 0 background, anything else a line
// pixel; rows of `width` bytes with no padding.
struct LineMask {
    int32_t width = 0;
    int32_t height = 0;
    std::vector<uint8_t> pixels;

    bool Create(int32_t w, int32_t h);
    uint8_t At(int32_t x, int32_t y) const {
        return pixels[static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)];
    }
    uint8_t& At(int32_t x, int32_t y) {
        return pixels[static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)];
    }
    const uint8_t* Row(int32_t y) const {
        return pixels.data() + static_cast<size_t>(y) * static_cast<size_t>(width);
    }
    uint8_t* Row(int32_t y) { return pixels.data() + static_cast<size_t>(y) * static_cast<size_t>(width); }
    // Within the picture and a line pixel.
    bool IsLine(int32_t x, int32_t y) const {
        return x >= 0 && y >= 0 && x < width && y < height && At(x, y) != 0;
    }
};

// Zhang-Suen thinning: each pass peels the edge pixels of the lines in two half-steps (first the
// south-east edges and north-west corners, then the opposite), never breaking a line nor shortening
// its ends, until the lines are one pixel wide. Stops after a pass that removes nothing or after
// maxPasses passes. The meter gets 25 steps, one per pass (none: silent). Line pixels become 1.
// Returns the number of passes run.
int32_t ThinZhangSuen(LineMask& mask, int32_t maxPasses = 30, ProgressMeter* progress = nullptr);

} // namespace ts
