#pragma once

#include "platform/image24.h"
#include "platform/progress_meter.h"

#include <cstddef>
#include <cstdint>

namespace ts {

// Over every 4th row and every 4th pixel of it, the pixels whose three bytes are all non-zero are
// averaged; 0 when there is none. A colour value 0x00BBGGRR.
uint32_t AverageColor(const Image24& image);

// The picture of a layer (backdrop, paper, imported image): 24 bits per pixel, blue, green, red.
class BMap {
public:
    bool CopyFrom(const BMap& other);
    bool SameContents(const BMap& other) const { return pixels.SamePixels(other.pixels); }
    size_t MemoryFootprint() const { return pixels.Pixels().size(); }
    int32_t Width() const { return pixels.Width(); }
    int32_t Height() const { return pixels.Height(); }

    uint32_t AverageColor() const { return ts::AverageColor(pixels); }

    void FlipHorizontal(ProgressMeter* progress = nullptr);
    void FlipVertical(ProgressMeter* progress = nullptr);
    // Turns the picture by 90 (counter-clockwise on screen), 180 or 270 degrees; false for other angles
    // or when memory runs out (the picture is then unchanged).
    bool RotateQuarter(int32_t degrees);

    Image24 pixels;
};

} // namespace ts
