#pragma once

// A 16 x 8 drawing over a 5 x 5 board picture whose sampled pixels (rows and columns 0 and 4) all equal
// the board's average, so the average and every deviation from it are known; drawing layers of 8 x 4
// with colour, lighting and line parts.

#include "model/layer_test_support.h"
#include "raster/fast_bitonal_mask.h"
#include "raster/pixel_tables.h"
#include "render/compositor.h"
#include "render/under_pixel_manager.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <vector>

namespace ts::testing {

using Px = std::array<uint8_t, 3>; // blue, green, red

inline Px Bgr(uint32_t color) {
    return {static_cast<uint8_t>(color >> 16), static_cast<uint8_t>(color >> 8), static_cast<uint8_t>(color)};
}

// mul(alpha, top) + mul(255 - alpha, under), per channel.
inline Px Over(int alpha, const Px& top, const Px& under) {
    Px out;
    for (size_t b = 0; b < 3; ++b) {
        out[b] = static_cast<uint8_t>(std::min(255, Mul8(static_cast<uint8_t>(alpha), top[b]) +
                                                        Mul8(static_cast<uint8_t>(255 - alpha), under[b])));
    }
    return out;
}

inline constexpr int32_t kDrawingWidth = 16;
inline constexpr int32_t kDrawingHeight = 8;
inline constexpr Px kBoardAverage = {100, 150, 200};

inline Px BoardPixel(int32_t x, int32_t y) {
    if (x % 4 == 0 && y % 4 == 0) {
        return kBoardAverage;
    }
    return {static_cast<uint8_t>(100 + 13 * x - 11 * y), static_cast<uint8_t>(150 - 9 * x + 17 * y),
            static_cast<uint8_t>(200 + 5 * x - 23 * y)};
}

class CompositorFixture : public ::testing::Test {
protected:
    CompositorFixture() : compositor(stack) {
        AddBackdropAndPaper(stack, kDrawingWidth, kDrawingHeight);
        auto board = std::make_unique<BMap>();
        board->pixels.Create(5, 5);
        for (int32_t y = 0; y < 5; ++y) {
            for (int32_t x = 0; x < 5; ++x) {
                const Px p = BoardPixel(x, y);
                std::copy(p.begin(), p.end(), board->pixels.Pixel(x, y));
            }
        }
        stack.Layer(ImageStackManager::kPaperIndex)->image = std::move(board);
        painted.Resize(kDrawingWidth, kDrawingHeight);
        under.Create(kDrawingWidth, kDrawingHeight);
    }

    // A drawing layer of 8 x 4 at the offset with empty colour, lighting and lines (current).
    LayerObject& AddLayer(int32_t offsetX = 0, int32_t offsetY = 0) {
        LayerObject& layer = AddDrawingLayer(stack, 8, 4, offsetX, offsetY);
        layer.shadow = std::make_unique<ObjectShadow>();
        layer.shadow->Create(8, 4);
        layer.lineArt = std::make_unique<ObjectLineArt>();
        layer.lineArt->Create(8, 4);
        return layer;
    }
    static void Light(LayerObject& layer, int32_t x, int32_t y, uint8_t level, uint8_t light) {
        SetByte(*layer.shadow->lighting, x, y, level);
        SetByte(*layer.shadow->appearanceIndex, x, y, light);
    }
    static void Line(LayerObject& layer, int32_t x, int32_t y, uint16_t mask) {
        SetMask(*layer.lineArt->lineBuffer, x, y, mask);
    }

    // Drawing row y composited whole into `row`.
    void Composite(int32_t y, AverageSampler* sampler = nullptr) {
        row.assign(static_cast<size_t>(kDrawingWidth) * 3, 0xEE);
        compositor.CompositeRow(y, 0, kDrawingWidth, row.data(), &painted, &under, sampler);
    }
    Px At(int32_t x) const {
        const auto at = static_cast<size_t>(x) * 3;
        return {row[at], row[at + 1], row[at + 2]};
    }
    static Px Board(int32_t x, int32_t y) { return BoardPixel(x % 5, y % 5); }
    static std::vector<Px> BoardRow(int32_t y) {
        std::vector<Px> out;
        for (int32_t x = 0; x < kDrawingWidth; ++x) {
            out.push_back(Board(x, y));
        }
        return out;
    }
    void ExpectRow(int32_t y, const std::vector<Px>& expected) const {
        for (int32_t x = 0; x < kDrawingWidth; ++x) {
            EXPECT_EQ(At(x), expected[static_cast<size_t>(x)]) << "pixel " << x << ", " << y;
        }
    }

    ImageStackManager stack;
    Compositor compositor;
    FastBitonalMask painted;
    UnderPixelManager under;
    std::vector<uint8_t> row;
};

} // namespace ts::testing
