#include "model/bmap.h"
#include "raster/pixel_tables.h"
#include "render/paper.h"

#include <gtest/gtest.h>

#include <string>

namespace ts {
namespace {

TEST(Paper, ReduceDeviationKeepsTheShareOfEachIndexWithArithmeticShifts) {
    const struct {
        int32_t d;
        int32_t kept[5]; // by index 0 .. 4
    } cases[] = {
        {100, {100, 75, 50, 25, 0}},        {7, {7, 6, 4, 3, 0}},   {-100, {-100, -75, -50, -25, 0}},
        {-5, {-5, -3, -2, 0, 0}},           {-1, {-1, 0, 0, 1, 0}}, // -1 >> 2 and -1 >> 1 are -1
        {-255, {-255, -191, -127, -63, 0}},
    };
    for (const auto& c : cases) {
        for (int32_t index = 0; index < 5; ++index) {
            EXPECT_EQ(ReduceDeviation(c.d, index), c.kept[index]) << "d " << c.d << ", index " << index;
        }
    }
}

// Every byte of an image, for comparisons.
template <class F> void EachByte(const Image24& image, F f) {
    for (int32_t y = 0; y < image.Height(); ++y) {
        for (int32_t x = 0; x < image.Width(); ++x) {
            for (int32_t b = 0; b < 3; ++b) {
                f(x, y, b);
            }
        }
    }
}

TEST(Paper, FlattenMovesEveryWholeBlockToTheOverallAverage) {
    // A blotchy board of 2 x 2 whole blocks and partial ones right and below: each block has its own
    // brightness, with fine grain on top.
    Image24 before;
    before.Create(20, 17);
    int32_t total[3] = {0, 0, 0};
    EachByte(before, [&](int32_t x, int32_t y, int32_t b) {
        const int32_t v = 70 + 30 * (x / 8) + 35 * (y / 8) + 5 * b + (x * 7 + y * 13 + b * 5) % 21 - 10;
        before.Pixel(x, y)[b] = static_cast<uint8_t>(v);
        total[b] += v;
    });
    Image24 image = before;
    FlattenTexture(image);
    int32_t sums[2][2][3] = {};
    EachByte(image, [&](int32_t x, int32_t y, int32_t b) {
        const int32_t moved = image.Pixel(x, y)[b] - before.Pixel(x, y)[b];
        if (x >= 16 || y >= 16) {
            EXPECT_EQ(moved, 0) << "partial block pixel " << x << ", " << y;
            return;
        }
        EXPECT_EQ(moved, image.Pixel(x & ~7, y & ~7)[b] - before.Pixel(x & ~7, y & ~7)[b])
            << "a block moves as a whole, keeping its grain";
        sums[y / 8][x / 8][b] += image.Pixel(x, y)[b];
    });
    for (size_t block = 0; block < 4; ++block) {
        for (size_t b = 0; b < 3; ++b) {
            const int32_t off = (sums[block / 2][block % 2][b] >> 6) - total[b] / (20 * 17);
            EXPECT_EQ(off, RandomByte(block * 3 + b) & 2) << "block " << block << " byte " << b;
        }
    }
}

TEST(Paper, TintMakesTheAverageTheBoardColour) {
    Image24 before;
    before.Create(12, 9);
    EachByte(before, [&](int32_t x, int32_t y, int32_t b) {
        before.Pixel(x, y)[b] = static_cast<uint8_t>(100 + (x * 7 + y * 3 + b * 11) % 40);
    });
    Image24 image = before;
    TintTexture(image, 0x00406080);
    EXPECT_EQ(AverageColor(image), 0x00406080u);

    // Near white the bytes clamp: each moves by the same amount and stops at 255.
    image = before;
    TintTexture(image, 0x00FAF0E6);
    const uint32_t average = AverageColor(before);
    const int32_t shift[3] = {0xFA - static_cast<int32_t>(average >> 16 & 0xFF),
                              0xF0 - static_cast<int32_t>(average >> 8 & 0xFF),
                              0xE6 - static_cast<int32_t>(average & 0xFF)};
    int32_t clamped = 0;
    EachByte(image, [&](int32_t x, int32_t y, int32_t b) {
        const int32_t moved = before.Pixel(x, y)[b] + shift[b];
        clamped += moved > 255 ? 1 : 0;
        EXPECT_EQ(image.Pixel(x, y)[b], std::min(255, moved)) << x << ", " << y << " byte " << b;
    });
    EXPECT_GT(clamped, 0);
}

} // namespace
} // namespace ts
