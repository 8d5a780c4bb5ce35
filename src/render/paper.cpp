#include "render/paper.h"

#include "raster/pixel_tables.h"

#include <algorithm>

namespace ts {

int32_t ReduceDeviation(int32_t d, int32_t index) {
    switch (index) {
    case 0:
        return d;
    case 1:
        return d - (d >> 2);
    case 2:
        return d - (d >> 1);
    case 3:
        return d - ((d >> 2) + (d >> 1));
    default:
        return 0;
    }
}

void FlattenTexture(Image24& image) {
    const int32_t w = image.Width();
    const int32_t h = image.Height();
    if (w < 8 || h < 8) {
        return;
    }
    uint64_t total[3] = {0, 0, 0};
    for (int32_t y = 0; y < h; ++y) {
        const uint8_t* row = image.Row(y);
        for (int32_t x = 0; x < w; ++x) {
            for (int b = 0; b < 3; ++b) {
                total[b] += row[x * 3 + b];
            }
        }
    }
    const uint64_t pixels = static_cast<uint64_t>(w) * static_cast<uint64_t>(h);
    int32_t overall[3];
    for (int b = 0; b < 3; ++b) {
        overall[b] = static_cast<int32_t>(total[b] / pixels);
    }
    size_t randomIndex = 0;
    for (int32_t by = 0; by + 8 <= h; by += 8) {
        for (int32_t bx = 0; bx + 8 <= w; bx += 8) {
            int32_t sum[3] = {0, 0, 0};
            for (int32_t y = by; y < by + 8; ++y) {
                const uint8_t* p = image.Pixel(bx, y);
                for (int32_t x = 0; x < 8; ++x) {
                    for (int b = 0; b < 3; ++b) {
                        sum[b] += p[x * 3 + b];
                    }
                }
            }
            int32_t shift[3];
            for (int b = 0; b < 3; ++b) {
                const int32_t r = RandomByte(randomIndex++) & 2;
                shift[b] = overall[b] - (sum[b] >> 6) + r;
            }
            for (int32_t y = by; y < by + 8; ++y) {
                uint8_t* p = image.Pixel(bx, y);
                for (int32_t x = 0; x < 8; ++x) {
                    for (int b = 0; b < 3; ++b) {
                        p[x * 3 + b] = ClampAdd(p[x * 3 + b], shift[b]);
                    }
                }
            }
        }
    }
}

void TintTexture(Image24& image, uint32_t color) {
    const uint32_t average = AverageColor(image);
    // Byte order of a pixel is blue, green, red; of a colour value red, green, blue.
    const int32_t shift[3] = {
        static_cast<int32_t>((color >> 16) & 0xFF) - static_cast<int32_t>((average >> 16) & 0xFF),
        static_cast<int32_t>((color >> 8) & 0xFF) - static_cast<int32_t>((average >> 8) & 0xFF),
        static_cast<int32_t>(color & 0xFF) - static_cast<int32_t>(average & 0xFF)};
    for (int32_t y = 0; y < image.Height(); ++y) {
        uint8_t* row = image.Row(y);
        for (int32_t x = 0; x < image.Width(); ++x) {
            for (int b = 0; b < 3; ++b) {
                row[x * 3 + b] = ClampAdd(row[x * 3 + b], shift[b]);
            }
        }
    }
}

} // namespace ts
