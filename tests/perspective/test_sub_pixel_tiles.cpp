// The tiles two coverage masks are resampled from must say, for any window of sub-pixels, what the
// masks themselves hold there: windows inside one tile, across two or four, over the part's edges, on
// parts whose sizes are multiples of nothing; and the masks the looks of a destination pixel find
// must be the same whether they are read from one tile at once or window by window.

#include "perspective/resampling.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

namespace ts::resample {
namespace {

// Two random sparse masks of w x h pixels, stored in buffers and read into one set of tiles.
struct TwoMasks {
    TwoMasks(int32_t width, int32_t height, uint32_t seed) : w(width), h(height) {
        std::mt19937 rng(seed);
        for (auto& plane : masks) {
            plane.assign(static_cast<size_t>(w * h), 0);
            for (uint16_t& m : plane) {
                const uint32_t r = rng() % 16;
                m = r == 0 ? uint16_t{0xFFFF} : r < 3 ? static_cast<uint16_t>(rng()) : uint16_t{0};
            }
        }
        EXPECT_TRUE(tiles.Start(w, h));
        for (int plane = 0; plane < 2; ++plane) {
            RLBuffer buffer;
            EXPECT_TRUE(buffer.Create(w, h, 2, 0, 2.0f));
            std::vector<uint8_t> row(static_cast<size_t>(2 * w));
            for (int32_t y = 0; y < h; ++y) {
                for (int32_t x = 0; x < w; ++x) {
                    const uint16_t m = masks[plane][static_cast<size_t>(y * w + x)];
                    row[static_cast<size_t>(2 * x)] = static_cast<uint8_t>(m);
                    row[static_cast<size_t>(2 * x + 1)] = static_cast<uint8_t>(m >> 8);
                }
                EXPECT_TRUE(buffer.PutRow(y, row.data()));
            }
            EXPECT_TRUE(bits[plane].Make(buffer, tiles, plane));
        }
    }
    // Whether a plane covers the sub-pixel at quarter-pixel column qx and row qy (none outside).
    bool Covered(int plane, int32_t qx, int32_t qy) const {
        if (qx < 0 || qy < 0 || qx >= 4 * w || qy >= 4 * h) {
            return false;
        }
        const uint16_t m = masks[plane][static_cast<size_t>((qy / 4) * w + qx / 4)];
        return (m >> SuperBitBuffer::SubPixelBit(qx % 4, qy % 4)) & 1;
    }
    uint32_t Expected(int32_t qx, int32_t qy, int32_t kx, int32_t ky) const {
        uint32_t found = 0;
        for (int32_t y = qy; y < qy + ky; ++y) {
            for (int32_t x = qx; x < qx + kx; ++x) {
                found |= static_cast<uint32_t>(Covered(0, x, y)) | static_cast<uint32_t>(Covered(1, x, y))
                                                                       << 1;
            }
        }
        return found;
    }

    int32_t w;
    int32_t h;
    std::vector<uint16_t> masks[2];
    SubPixelTiles tiles;
    CoverageBits bits[2];
};

TEST(SubPixelTiles, WindowsAnywhereFindWhatTheMasksHold) {
    for (const auto& [w, h] : {std::pair{37, 29}, std::pair{8, 8}, std::pair{1, 1}, std::pair{65, 3}}) {
        SCOPED_TRACE(w * 1000 + h);
        const TwoMasks m(w, h, static_cast<uint32_t>(w * h));
        std::mt19937 rng(3);
        for (int trial = 0; trial < 4000; ++trial) {
            const int32_t kx = 1 + static_cast<int32_t>(rng() % 8);
            const int32_t ky = 1 + static_cast<int32_t>(rng() % 8);
            const int32_t qx = static_cast<int32_t>(rng() % static_cast<uint32_t>(4 * w + 16)) - 8;
            const int32_t qy = static_cast<int32_t>(rng() % static_cast<uint32_t>(4 * h + 16)) - 8;
            ASSERT_EQ(m.tiles.Window(qx, qy, kx, ky), m.Expected(qx, qy, kx, ky))
                << qx << "," << qy << " " << kx << "x" << ky;
        }
    }
}

TEST(SubPixelTiles, LooksReadFromOneTileFindWhatTheirWindowsFind) {
    const TwoMasks m(53, 41, 9);
    std::mt19937 rng(5);
    std::uniform_real_distribution<double> at(-2.0, 55.0);
    std::uniform_real_distribution<double> step(-3.0, 3.0);
    int oneTile = 0;
    for (int trial = 0; trial < 20000; ++trial) {
        SubPixelLooks looks;
        PlaceLooks(at(rng), at(rng), step(rng), step(rng) * 0.3, step(rng) * 0.3, step(rng), trial % 3 == 0,
                   looks);
        uint32_t expected = 0;
        int32_t first[2] = {-1, -1};
        for (int k = 0; k < 16; ++k) {
            const uint32_t found = m.Expected(looks.qx[k], looks.qy[k], looks.kx, looks.ky);
            expected |= (found & 1u) << kSubPixelBits[k] | (found >> 1) << (16 + kSubPixelBits[k]);
            for (int plane = 0; plane < 2; ++plane) {
                if (first[plane] < 0 && ((found >> plane) & 1)) {
                    first[plane] = k;
                }
            }
        }
        ASSERT_EQ(SampleMasks(m.tiles, m.w, looks, nullptr), expected) << trial;
        // Where a plane's coverage came from: the first covered sub-pixel of its first window.
        int32_t from[2] = {-2, -2};
        ASSERT_EQ(SampleMasks(m.tiles, m.w, looks, from), expected);
        for (int plane = 0; plane < 2; ++plane) {
            if (first[plane] < 0) {
                EXPECT_EQ(from[plane], -1);
                continue;
            }
            ASSERT_GE(from[plane], 0);
            const int32_t k = first[plane];
            bool inWindow = false;
            for (int32_t y = looks.qy[k]; y < looks.qy[k] + looks.ky; ++y) {
                for (int32_t x = looks.qx[k]; x < looks.qx[k] + looks.kx; ++x) {
                    inWindow = inWindow || (m.Covered(plane, x, y) && (y / 4) * m.w + x / 4 == from[plane]);
                }
            }
            EXPECT_TRUE(inWindow) << trial;
        }
        int32_t x0 = looks.qx[0], x1 = x0, y0 = looks.qy[0], y1 = y0;
        for (int k = 0; k < 16; ++k) {
            x0 = std::min(x0, looks.qx[k]);
            x1 = std::max(x1, looks.qx[k] + looks.kx - 1);
            y0 = std::min(y0, looks.qy[k]);
            y1 = std::max(y1, looks.qy[k] + looks.ky - 1);
        }
        oneTile += m.tiles.OneTile(x0, y0, x1, y1) != nullptr;
    }
    // Both ways of reading were met many times.
    EXPECT_GT(oneTile, 2000);
    EXPECT_LT(oneTile, 18000);
}

} // namespace
} // namespace ts::resample
