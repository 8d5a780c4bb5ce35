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

// Zhang-Suen thinning of a binary picture: `pixels` holds width x height bytes, row by row, non-zero
// for a set (line) pixel. Set pixels are peeled from the outside, two sub-passes per pass, until every
// stroke is one pixel wide and still connected. It stops after a pass that removes nothing, or after
// maxPasses passes. Pixels outside the picture count as unset. The meter, when given, is started with
// `meterSteps` steps (maxPasses when 0) and advances once per pass while steps remain. Returns the
// number of passes run; set pixels are left as 1. A blob too small to have a middle (a 2 x 2 dot) keeps
// a short stroke rather than vanishing.
int32_t ThinZhangSuen(std::vector<uint8_t>& pixels, int32_t width, int32_t height, int32_t maxPasses = 30,
                      ProgressMeter* progress = nullptr, int32_t meterSteps = 0);
// The same over a line mask, with the scan-back's 25 meter steps.
int32_t ThinZhangSuen(LineMask& mask, int32_t maxPasses = 30, ProgressMeter* progress = nullptr,
                      int32_t meterSteps = 25);

} // namespace ts
