#include "model/bmap.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace ts {

bool BMap::CopyFrom(const BMap& other) {
    try {
        pixels = other.pixels;
    } catch (const std::bad_alloc&) {
        return false;
    }
    return true;
}

uint32_t AverageColor(const Image24& image) {
    uint64_t sum[3] = {0, 0, 0};
    uint64_t count = 0;
    for (int32_t y = 0; y < image.Height(); y += 4) {
        const uint8_t* row = image.Row(y);
        for (int32_t x = 0; x < image.Width(); x += 4) {
            const uint8_t* p = row + static_cast<size_t>(x) * 3;
            if (p[0] && p[1] && p[2]) {
                sum[0] += p[0];
                sum[1] += p[1];
                sum[2] += p[2];
                ++count;
            }
        }
    }
    if (count == 0) {
        return 0;
    }
    return static_cast<uint32_t>(sum[2] / count) | static_cast<uint32_t>(sum[1] / count) << 8 |
           static_cast<uint32_t>(sum[0] / count) << 16;
}

void BMap::FlipHorizontal(ProgressMeter* progress) {
    const int32_t w = Width();
    for (int32_t y = 0; y < Height(); ++y) {
        uint8_t* row = pixels.Row(y);
        for (int32_t a = 0, b = w - 1; a < b; ++a, --b) {
            std::swap_ranges(row + static_cast<size_t>(a) * 3, row + static_cast<size_t>(a) * 3 + 3,
                             row + static_cast<size_t>(b) * 3);
        }
        if (progress) {
            progress->Step();
        }
    }
}

void BMap::FlipVertical(ProgressMeter* progress) {
    const auto rowBytes = static_cast<size_t>(Width()) * 3;
    for (int32_t a = 0, b = Height() - 1; a < b; ++a, --b) {
        std::swap_ranges(pixels.Row(a), pixels.Row(a) + rowBytes, pixels.Row(b));
        if (progress) {
            progress->Step();
        }
    }
}

bool BMap::RotateQuarter(int32_t degrees) {
    if (degrees != 90 && degrees != 180 && degrees != 270) {
        return false;
    }
    const int32_t w = Width();
    const int32_t h = Height();
    if (w == 0) {
        return true;
    }
    Image24 turned;
    if (!(degrees == 180 ? turned.Create(w, h) : turned.Create(h, w))) {
        return false;
    }
    for (int32_t y = 0; y < h; ++y) {
        const uint8_t* row = pixels.Row(y);
        for (int32_t x = 0; x < w; ++x) {
            // 90: (x, y) -> (y, w - 1 - x); 270: (h - 1 - y, x); 180: (w - 1 - x, h - 1 - y).
            int32_t tx = w - 1 - x;
            int32_t ty = h - 1 - y;
            if (degrees == 90) {
                tx = y;
                ty = w - 1 - x;
            } else if (degrees == 270) {
                tx = h - 1 - y;
                ty = x;
            }
            std::memcpy(turned.Pixel(tx, ty), row + static_cast<size_t>(x) * 3, 3);
        }
    }
    pixels = std::move(turned);
    return true;
}

} // namespace ts
