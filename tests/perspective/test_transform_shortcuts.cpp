// The shortcuts a layer transform takes past empty source (and its quicker sampling of coverage) must
// give the same layer, byte for byte, as working out every destination pixel on its own.

#include "model/layer_test_support.h"
#include "perspective/layer_transform.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <random>
#include <vector>

namespace ts {
namespace {

using testing::AddDrawingLayer;
using testing::Paint;
using testing::SetByte;
using testing::SetMask;
using Corners = std::array<PointTS, 4>;

class TransformShortcuts : public ::testing::Test {
protected:
    // A layer whose width and height are multiples of nothing, with sparse lines of every kind of
    // coverage (whole, partial, lone sub-pixels) along its edges and across it, paint and lighting.
    TransformShortcuts() : layer(MakeLayer()) {}
    ~TransformShortcuts() override { SetTransformShortcuts(true); }

    LayerObject& MakeLayer() {
        testing::AddBackdropAndPaper(stack, 400, 400);
        LayerObject& l = AddDrawingLayer(stack, kW, kH, 40, 30);
        l.lineArt = std::make_unique<ObjectLineArt>();
        l.lineArt->Create(kW, kH);
        l.shadow = std::make_unique<ObjectShadow>();
        l.shadow->Create(kW, kH);
        std::mt19937 rng(7);
        auto mark = [&](int32_t x, int32_t y) {
            const auto mask = static_cast<uint16_t>(rng() % 3 == 0 ? 0xFFFF : rng() & 0xFFFF);
            SetMask(*l.lineArt->lineBuffer, x, y, mask);
            SetByte(*l.lineArt->lineAppearanceIndex, x, y, static_cast<uint8_t>(1 + x % 5));
            SetByte(*l.lineArt->colorAppearanceIndex, x, y, static_cast<uint8_t>(1 + y % 3));
            if (rng() % 2 == 0) {
                SetMask(*l.frame->drawingBuffer, x, y, static_cast<uint16_t>(rng() | 1));
            }
        };
        for (int32_t x = 0; x < kW; ++x) {
            mark(x, 0);
            mark(x, kH - 1);
            mark(x, 29);
            mark(x, (x * 3) % kH); // a steep line wrapping round
        }
        for (int32_t y = 0; y < kH; ++y) {
            mark(0, y);
            mark(kW - 1, y);
            mark(50, y);
        }
        // Lone sub-pixels in the open, one in a corner.
        SetMask(*l.lineArt->lineBuffer, 70, 45, 1u << SuperBitBuffer::SubPixelBit(3, 3));
        SetMask(*l.frame->drawingBuffer, 20, 10, 1u << SuperBitBuffer::SubPixelBit(0, 2));
        for (int32_t y = 5; y < 20; ++y) {
            for (int32_t x = 60 + y % 4; x < 90; x += 2) {
                Paint(l, x, y, 0x00102030 + static_cast<uint32_t>(x), static_cast<uint8_t>(100 + y));
                SetByte(*l.shadow->lighting, x, y, static_cast<uint8_t>(x + y));
            }
        }
        return l;
    }

    // The layer transformed both ways; they must agree.
    template <class Transform> void ExpectSame(Transform transform) {
        LayerObject quick;
        LayerObject plain;
        ASSERT_TRUE(quick.CopyFrom(layer, true));
        ASSERT_TRUE(plain.CopyFrom(layer, true));
        SetTransformShortcuts(true);
        const bool quickDone = transform(quick);
        SetTransformShortcuts(false);
        const bool plainDone = transform(plain);
        SetTransformShortcuts(true);
        ASSERT_EQ(quickDone, plainDone);
        EXPECT_EQ(quick.bounds, plain.bounds);
        EXPECT_TRUE(quick.SameAs(plain));
    }

    static constexpr int32_t kW = 97;
    static constexpr int32_t kH = 61;
    ImageStackManager stack;
    LayerObject& layer;
};

TEST_F(TransformShortcuts, TurnsGiveTheSameLayerAsThePlainPath) {
    for (const double degrees : {30.0, -45.0, 7.5, 90.5, 180.0, 359.0}) {
        SCOPED_TRACE(degrees);
        ExpectSame([degrees](LayerObject& l) { return TurnLayerBy(l, degrees, nullptr); });
    }
}

TEST_F(TransformShortcuts, MorphsGiveTheSameLayerAsThePlainPath) {
    const uint32_t all = kMorphLines | kMorphLighting | kMorphSurface;
    const Corners figures[] = {
        // A wall going off to the right, shrunk to a third at its far side.
        {PointTS(40, 30), PointTS(120, 55), PointTS(120, 75), PointTS(40, 91)},
        // Enlarged to more than twice its size, leaning.
        {PointTS(10, 20), PointTS(250, 5), PointTS(280, 170), PointTS(30, 150)},
        // Shrunk hard (steps too long for the shortcuts), and a sliver a pixel or two tall.
        {PointTS(200, 200), PointTS(215, 202), PointTS(214, 210), PointTS(201, 209)},
        {PointTS(0.0, 100.0), PointTS(300.0, 100.5), PointTS(300.0, 101.8), PointTS(0.0, 102.0)},
    };
    for (const Corners& c : figures) {
        SCOPED_TRACE(c[1].x);
        ExpectSame([&c, all](LayerObject& l) { return MorphLayer(l, c, all, nullptr); });
        // Lines alone move: the layer grows to hold what stays, read through the same map.
        ExpectSame([&c](LayerObject& l) { return MorphLayer(l, c, kMorphLines, nullptr); });
    }
    // A figure with no inside is refused either way.
    const Corners flat{PointTS(0, 0), PointTS(50, 0), PointTS(100, 0), PointTS(20, 0)};
    ExpectSame([&flat, all](LayerObject& l) { return MorphLayer(l, flat, all, nullptr); });
}

// The margins a turn reads beyond the source's edges hold its background: a buffer of one value turned
// on a background next to it shows only those two values, its blended edges included.
TEST(TurnedBuffers, EdgesBlendWithTheBackgroundGiven) {
    RLBuffer buffer;
    ASSERT_TRUE(buffer.Create(45, 23, 1, 90, 4.0f));
    for (const bool antialias : {false, true}) {
        for (const double degrees : {30.0, -100.0}) {
            const auto turned = buffer.Rotate(degrees, true, antialias, 91);
            ASSERT_NE(turned, nullptr);
            std::vector<uint8_t> row(static_cast<size_t>(turned->Width()));
            for (int32_t y = 0; y < turned->Height(); ++y) {
                turned->ReadRow(y, row.data());
                for (const uint8_t v : row) {
                    ASSERT_TRUE(v == 90 || v == 91)
                        << int{v} << " in row " << y << (antialias ? " smoothed" : "");
                }
            }
        }
    }
}

// A turn without smoothing, worked out pixel by pixel: each target centre turned back in 16.16 fixed
// point onto the nearest source pixel; beyond the source its margins (background, or the edge pixels
// copied outwards for 254), and further out the background.
TEST(TurnedBuffers, MatchTheTurnWorkedOutPixelByPixel) {
    constexpr int32_t kW = 101;
    constexpr int32_t kH = 77;
    std::mt19937 rng(3);
    RLBuffer buffer;
    ASSERT_TRUE(buffer.Create(kW, kH, 1, 0, 4.0f));
    std::vector<uint8_t> source(static_cast<size_t>(kW * kH));
    for (int32_t y = 0; y < kH; ++y) {
        for (int32_t x = 0; x < kW; ++x) {
            // Wide patches of one value in a corner, so that runs over them are filled at once; then
            // sparse strokes and edges, so that runs over empty source are passed over.
            const bool painted = x == 0 || y == kH - 1 || (x + 2 * y) % 17 == 0 || rng() % 9 == 0;
            source[static_cast<size_t>(y * kW + x)] = x < 64 && y < 64
                                                          ? static_cast<uint8_t>(x < 32 ? 40 : 90)
                                                      : painted ? static_cast<uint8_t>(1 + rng() % 250)
                                                                : 0;
        }
        ASSERT_TRUE(buffer.PutRow(y, source.data() + y * kW));
    }
    for (const double degrees : {0.1, 30.0, -37.0, 90.0, 180.0, 271.5}) {
        for (const uint8_t background : {uint8_t{0}, uint8_t{30}, uint8_t{254}}) {
            const auto turned = buffer.Rotate(degrees, false, false, background);
            ASSERT_NE(turned, nullptr);
            const double radians = std::fmod(degrees, 360.0) * 0.0174532925;
            const auto cosF = static_cast<int64_t>(std::llround(std::cos(radians) * 65536.0));
            const auto sinF = static_cast<int64_t>(std::llround(std::sin(radians) * 65536.0));
            const int64_t halfW = turned->Width() / 2;
            const int64_t halfH = turned->Height() / 2;
            const int64_t w16 = int64_t{kW} << 16;
            const int64_t h16 = int64_t{kH} << 16;
            std::vector<uint8_t> row(static_cast<size_t>(turned->Width()));
            for (int32_t i = 0; i < turned->Height(); ++i) {
                turned->ReadRow(i, row.data());
                for (int32_t j = 0; j < turned->Width(); ++j) {
                    const int64_t tx = ((j - halfW) << 16) + 32768;
                    const int64_t ty = ((i - halfH) << 16) + 32768;
                    const int64_t sx = ((tx * cosF + ty * sinF) >> 16) + w16 / 2;
                    const int64_t sy = ((-tx * sinF + ty * cosF) >> 16) + h16 / 2;
                    uint8_t expected = background;
                    if (!(sx < -(int64_t{4} << 16) || sy < 0 || sx > w16 + 65536 || sy >= h16)) {
                        const auto px = static_cast<int32_t>(sx >> 16);
                        const auto py = static_cast<int32_t>(sy >> 16);
                        const bool inside = px >= 0 && px < kW && py >= 0 && py < kH;
                        if (inside || background == 254) {
                            expected = source[static_cast<size_t>(std::clamp(py, 0, kH - 1) * kW +
                                                                  std::clamp(px, 0, kW - 1))];
                        }
                    }
                    ASSERT_EQ(row[static_cast<size_t>(j)], expected)
                        << degrees << " degrees on " << int{background} << " at " << j << "," << i;
                }
            }
        }
    }
}

} // namespace
} // namespace ts
