// A transformed layer against the same transform worked out pixel by pixel from what it means: every
// byte of a part comes from the source pixel under the destination pixel's centre, every sub-pixel of
// a coverage mask is covered when a covered source sub-pixel lies in the window about its point. The
// layer is laid out so that the passes' shortcuts meet their awkward cases: sizes that are multiples of
// nothing, blocks of one value next to empty ones and to noise, runs of one value crossing block
// edges, lone pixels and sub-pixels at the edges.

#include "model/layer_test_support.h"
#include "perspective/layer_transform.h"
#include "perspective/morph_mesh.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <random>
#include <vector>

namespace ts {
namespace {

using Corners = std::array<PointTS, 4>;

constexpr int32_t kW = 101;
constexpr int32_t kH = 67;

std::vector<uint8_t> Rows(const RLBuffer& b) {
    const size_t row = b.RawRowLength();
    std::vector<uint8_t> all(row * static_cast<size_t>(b.Height()));
    for (int32_t y = 0; y < b.Height(); ++y) {
        b.ReadRow(y, all.data() + row * static_cast<size_t>(y));
    }
    return all;
}

void Store(RLBuffer& b, const std::vector<uint8_t>& all) {
    const size_t row = b.RawRowLength();
    for (int32_t y = 0; y < b.Height(); ++y) {
        ASSERT_TRUE(b.PutRow(y, all.data() + row * static_cast<size_t>(y)));
    }
}

// The source positions of the centres of a destination row, as the map gives them.
void Centres(const SourceMap& map, int32_t y, std::vector<double>& sx, std::vector<double>& sy) {
    const Rect d = map.Destination();
    sx.assign(static_cast<size_t>(d.Width()), -1);
    sy.assign(static_cast<size_t>(d.Width()), -1);
    if (y >= 0 && y < d.Height()) {
        map.Row(d.top + y, d.left, d.right, sx.data(), sy.data());
    }
}

// A part of the layer's size through the map: the byte under each centre, fill where there is none.
std::vector<uint8_t> ExpectedBytes(const RLBuffer& src, const SourceMap& map, uint8_t fill) {
    const std::vector<uint8_t> s = Rows(src);
    const Rect d = map.Destination();
    std::vector<uint8_t> out;
    std::vector<double> sx, sy;
    for (int32_t y = 0; y < d.Height(); ++y) {
        Centres(map, y, sx, sy);
        for (size_t x = 0; x < sx.size(); ++x) {
            if (sx[x] < 0) {
                out.push_back(fill);
                continue;
            }
            const int32_t px = std::clamp(static_cast<int32_t>(std::floor(sx[x])), 0, src.Width() - 1);
            const int32_t py = std::clamp(static_cast<int32_t>(std::floor(sy[x])), 0, src.Height() - 1);
            out.push_back(s[static_cast<size_t>(py * src.Width() + px)]);
        }
    }
    return out;
}

// A coverage mask of the layer's size through the map. A destination pixel spans the steps to its
// neighbours' centres (u across, v down); its sub-pixels look at points a quarter of those steps
// apart, each at the one source sub-pixel under it while the pixels it covers are all empty or full
// and it shrinks less than four times, else through a window of source sub-pixels as wide as the
// points lie apart.
std::vector<uint16_t> ExpectedMask(const RLBuffer& src, const SourceMap& map) {
    const std::vector<uint8_t> s = Rows(src);
    const int32_t w = src.Width();
    const int32_t h = src.Height();
    auto maskAt = [&](int32_t px, int32_t py) {
        const auto i = static_cast<size_t>(py * w + px) * 2;
        return static_cast<uint16_t>(s[i] | s[i + 1] << 8);
    };
    const Rect d = map.Destination();
    std::vector<uint16_t> out;
    std::vector<double> ax, ay, cx, cy, bx, by;
    for (int32_t y = 0; y < d.Height(); ++y) {
        Centres(map, y - 1, ax, ay);
        Centres(map, y, cx, cy);
        Centres(map, y + 1, bx, by);
        for (size_t x = 0; x < cx.size(); ++x) {
            uint16_t mask = 0;
            if (cx[x] < 0) {
                out.push_back(0);
                continue;
            }
            double ux = 1, uy = 0, vx = 0, vy = 1;
            if (x + 1 < cx.size() && cx[x + 1] >= 0) {
                ux = cx[x + 1] - cx[x];
                uy = cy[x + 1] - cy[x];
            } else if (x > 0 && cx[x - 1] >= 0) {
                ux = cx[x] - cx[x - 1];
                uy = cy[x] - cy[x - 1];
            }
            if (bx[x] >= 0) {
                vx = bx[x] - cx[x];
                vy = by[x] - cy[x];
            } else if (ax[x] >= 0) {
                vx = cx[x] - ax[x];
                vy = cy[x] - ay[x];
            }
            const double ex = 0.5 * (std::fabs(ux) + std::fabs(vx)) + 0.01;
            const double ey = 0.5 * (std::fabs(uy) + std::fabs(vy)) + 0.01;
            const int32_t x0 = std::max(0, static_cast<int32_t>(std::floor(cx[x] - ex)));
            const int32_t x1 = std::min(w - 1, static_cast<int32_t>(std::floor(cx[x] + ex)));
            const int32_t y0 = std::max(0, static_cast<int32_t>(std::floor(cy[x] - ey)));
            const int32_t y1 = std::min(h - 1, static_cast<int32_t>(std::floor(cy[x] + ey)));
            bool any = false, full = true, partial = false;
            for (int32_t py = y0; py <= y1; ++py) {
                for (int32_t px = x0; px <= x1; ++px) {
                    const uint16_t m = maskAt(px, py);
                    any = any || m != 0;
                    full = full && m == 0xFFFF;
                    partial = partial || (m != 0 && m != 0xFFFF);
                }
            }
            if (x0 > x1 || y0 > y1 || !any) {
                out.push_back(0);
                continue;
            }
            if (full) {
                out.push_back(0xFFFF);
                continue;
            }
            // One source sub-pixel a sub-pixel among whole pixels shrunk less than four times; else a
            // window as wide and as tall as the sub-pixels lie apart in the source (1 .. 8).
            const bool single =
                !partial && std::max({std::fabs(ux), std::fabs(uy), std::fabs(vx), std::fabs(vy)}) < 4;
            auto window = [single](double a, double b) {
                return single ? 1
                              : std::clamp(static_cast<int32_t>(
                                               std::ceil(std::max(std::fabs(a), std::fabs(b)) - 1e-6)),
                                           1, 8);
            };
            const int32_t kx = window(ux, vx);
            const int32_t ky = window(uy, vy);
            // Points in 1/65536 of a quarter pixel, each term rounded to the nearest.
            constexpr double unit = 4.0 * 65536.0;
            auto fixed = [](double v) { return static_cast<int64_t>(std::nearbyint(v)); };
            for (int j = 0; j < 4; ++j) {
                for (int i = 0; i < 4; ++i) {
                    const int64_t px = fixed(cx[x] * unit) + (2 * i - 3) * fixed(ux * unit / 8) +
                                       (2 * j - 3) * fixed(vx * unit / 8);
                    const int64_t py = fixed(cy[x] * unit) + (2 * i - 3) * fixed(uy * unit / 8) +
                                       (2 * j - 3) * fixed(vy * unit / 8);
                    // The window centred on the point: its first sub-pixel is the point less half the extra.
                    const int64_t qx0 = (px - (kx - 1) * 32768) >> 16;
                    const int64_t qy0 = (py - (ky - 1) * 32768) >> 16;
                    bool hit = false;
                    for (int64_t qy = qy0; qy < qy0 + ky && !hit; ++qy) {
                        for (int64_t qx = qx0; qx < qx0 + kx && !hit; ++qx) {
                            if (qx < 0 || qy < 0 || qx >= 4 * w || qy >= 4 * h) {
                                continue;
                            }
                            hit = (maskAt(static_cast<int32_t>(qx >> 2), static_cast<int32_t>(qy >> 2)) >>
                                   SuperBitBuffer::SubPixelBit(static_cast<int>(qx & 3),
                                                               static_cast<int>(qy & 3))) &
                                  1;
                        }
                    }
                    if (hit) {
                        mask = static_cast<uint16_t>(mask | 1u << SuperBitBuffer::SubPixelBit(i, j));
                    }
                }
            }
            out.push_back(mask);
        }
    }
    return out;
}

std::vector<uint16_t> Masks(const RLBuffer& b) {
    const std::vector<uint8_t> bytes = Rows(b);
    std::vector<uint16_t> out(bytes.size() / 2);
    for (size_t i = 0; i < out.size(); ++i) {
        out[i] = static_cast<uint16_t>(bytes[2 * i] | bytes[2 * i + 1] << 8);
    }
    return out;
}

class TransformReference : public ::testing::Test {
protected:
    TransformReference() : layer(MakeLayer()) {}

    LayerObject& MakeLayer() {
        testing::AddBackdropAndPaper(stack, 400, 400);
        LayerObject& l = testing::AddDrawingLayer(stack, kW, kH, 40, 30);
        l.lineArt = std::make_unique<ObjectLineArt>();
        l.lineArt->Create(kW, kH);
        l.shadow = std::make_unique<ObjectShadow>();
        l.shadow->Create(kW, kH);
        std::mt19937 rng(11);
        const size_t n = static_cast<size_t>(kW * kH);
        std::vector<uint8_t> red(n, 255), amount(n, 0), light(n, ObjectShadow::kNeutral);
        std::vector<uint8_t> lines(2 * n, 0), drawn(2 * n, 0);
        auto at = [](int32_t x, int32_t y) { return static_cast<size_t>(y * kW + x); };
        for (int32_t y = 0; y < kH; ++y) {
            for (int32_t x = 0; x < kW; ++x) {
                // Two whole blocks of one value, then one across block edges; noise beside them.
                if (x >= 16 && x < 64 && y < 32) {
                    red[at(x, y)] = x < 32 ? 40 : 90;
                    amount[at(x, y)] = 200;
                } else if (x >= 5 && x < 96 && y >= 40 && y < 45) {
                    red[at(x, y)] = 120;
                    amount[at(x, y)] = 150;
                } else if (x >= 66 && x < 89 && y >= 10 && y < 30) {
                    red[at(x, y)] = static_cast<uint8_t>(rng());
                    amount[at(x, y)] = static_cast<uint8_t>(1 + rng() % 255);
                }
                if (amount[at(x, y)] != 0) {
                    light[at(x, y)] = static_cast<uint8_t>(20 + (x / 7 + y / 5) % 9 * 25);
                }
            }
        }
        for (const auto& [x, y] : {std::pair{0, 0}, std::pair{kW - 1, kH - 1}, std::pair{kW - 1, 0}}) {
            red[at(x, y)] = 7;
            amount[at(x, y)] = 255;
        }
        auto mark = [&](std::vector<uint8_t>& m, int32_t x, int32_t y, uint16_t mask) {
            m[2 * at(x, y)] = static_cast<uint8_t>(mask);
            m[2 * at(x, y) + 1] = static_cast<uint8_t>(mask >> 8);
        };
        // A thick line with partly covered edges, a slanting one, lone sub-pixels at the corners.
        for (int32_t x = 3; x < kW - 3; ++x) {
            mark(lines, x, 20, 0x3333);
            mark(lines, x, 21, 0xFFFF);
            mark(lines, x, 22, 0xFFFF);
            mark(lines, x, 23, 0x8888);
            mark(lines, x, (x * 2 / 3 + 30) % kH, static_cast<uint16_t>(rng() | 1));
            mark(drawn, x, 21, 1u << SuperBitBuffer::SubPixelBit(x % 4, 2));
        }
        mark(lines, 0, 0, 1u << SuperBitBuffer::SubPixelBit(0, 0));
        mark(lines, kW - 1, kH - 1, 1u << SuperBitBuffer::SubPixelBit(3, 3));
        mark(drawn, kW - 1, 0, 0xFFFF);
        Store(*l.color->red, red);
        Store(*l.color->amount, amount);
        Store(*l.shadow->lighting, light);
        Store(*l.lineArt->lineBuffer, lines);
        Store(*l.frame->drawingBuffer, drawn);
        return l;
    }

    // The transformed copy's parts against the reference worked out through map (one-byte parts
    // through the map's own positions).
    template <class Transform> void ExpectMatches(Transform transform, const SourceMap& map) {
        LayerObject moved;
        ASSERT_TRUE(moved.CopyFrom(layer, true));
        ASSERT_TRUE(transform(moved));
        ASSERT_EQ(moved.bounds, map.Destination());
        EXPECT_EQ(Rows(*moved.color->red), ExpectedBytes(*layer.color->red, map, 255));
        EXPECT_EQ(Rows(*moved.color->amount), ExpectedBytes(*layer.color->amount, map, 0));
        EXPECT_EQ(Rows(*moved.shadow->lighting),
                  ExpectedBytes(*layer.shadow->lighting, map, ObjectShadow::kNeutral));
        EXPECT_EQ(Masks(*moved.lineArt->lineBuffer), ExpectedMask(*layer.lineArt->lineBuffer, map));
        EXPECT_EQ(Masks(*moved.frame->drawingBuffer), ExpectedMask(*layer.frame->drawingBuffer, map));
    }

    ImageStackManager stack;
    LayerObject& layer;
};

TEST_F(TransformReference, MorphsMatchTheirMeaningPixelByPixel) {
    const uint32_t all = kMorphLines | kMorphLighting | kMorphSurface;
    const Corners figures[] = {
        // Going off to the right, shrunk to a third; enlarged and leaning; shrunk hard; a sliver.
        {PointTS(40, 30), PointTS(120, 55), PointTS(120, 75), PointTS(40, 97)},
        {PointTS(10.5, 20.25), PointTS(250, 5), PointTS(281.0, 170.5), PointTS(30, 150)},
        {PointTS(200, 200), PointTS(221, 203), PointTS(219, 215), PointTS(201, 212)},
        {PointTS(0.0, 100.0), PointTS(300.0, 100.5), PointTS(300.0, 103.8), PointTS(0.0, 104.0)},
    };
    for (const Corners& c : figures) {
        SCOPED_TRACE(c[1].x);
        MorphMesh mesh;
        ASSERT_TRUE(mesh.Build(c, kW, kH));
        const MeshSourceMap map(mesh, kW, kH);
        ExpectMatches([&c, all](LayerObject& l) { return MorphLayer(l, c, all, nullptr); }, map);
    }
}

// A turn's coverage goes through the turn's positions; its one-byte parts are turned in fixed point,
// each target centre onto the source pixel under it.
TEST_F(TransformReference, TurnsMatchTheirMeaningPixelByPixel) {
    for (const double degrees : {30.0, -71.5, 90.0, 135.25}) {
        SCOPED_TRACE(degrees);
        LayerObject turned;
        ASSERT_TRUE(turned.CopyFrom(layer, true));
        ASSERT_TRUE(TurnLayerBy(turned, degrees, nullptr));
        const TurnSourceMap map(layer.bounds, kW, kH, degrees);
        ASSERT_EQ(turned.bounds, map.Destination());
        EXPECT_EQ(Masks(*turned.lineArt->lineBuffer), ExpectedMask(*layer.lineArt->lineBuffer, map));
        EXPECT_EQ(Masks(*turned.frame->drawingBuffer), ExpectedMask(*layer.frame->drawingBuffer, map));
        const double radians = -std::fmod(degrees, 360.0) * 0.0174532925;
        const auto cosF = static_cast<int64_t>(std::llround(std::cos(radians) * 65536.0));
        const auto sinF = static_cast<int64_t>(std::llround(std::sin(radians) * 65536.0));
        const int64_t halfW = map.Destination().Width() / 2;
        const int64_t halfH = map.Destination().Height() / 2;
        const int64_t w16 = int64_t{kW} << 16;
        const int64_t h16 = int64_t{kH} << 16;
        const std::vector<uint8_t> source = Rows(*layer.color->red);
        std::vector<uint8_t> expected;
        for (int64_t i = 0; i < map.Destination().Height(); ++i) {
            for (int64_t j = 0; j < map.Destination().Width(); ++j) {
                const int64_t tx = ((j - halfW) << 16) + 32768;
                const int64_t ty = ((i - halfH) << 16) + 32768;
                const int64_t sx = ((tx * cosF + ty * sinF) >> 16) + w16 / 2;
                const int64_t sy = ((-tx * sinF + ty * cosF) >> 16) + h16 / 2;
                const bool inside = sx >= 0 && sy >= 0 && sx < w16 && sy < h16;
                expected.push_back(inside ? source[static_cast<size_t>((sy >> 16) * kW + (sx >> 16))] : 255);
            }
        }
        EXPECT_EQ(Rows(*turned.color->red), expected);
    }
}

// A layer wider than the stretches the masks are resampled in at a time, and taller than a band of
// them, with lines crossing where those meet: the coverage must match its meaning there too, and every
// destination pixel with coverage must take its line's indices (from the pixel under its centre, or
// from where its coverage came when that pixel has none), whatever stretch it was worked out in.
TEST(TransformStretches, WideLayersMatchTheirMeaningAndKeepTheirLineIndices) {
    constexpr int32_t w = 331;
    constexpr int32_t h = 75;
    ImageStackManager stack;
    testing::AddBackdropAndPaper(stack, 900, 900);
    LayerObject& layer = testing::AddDrawingLayer(stack, w, h, 200, 200);
    layer.lineArt = std::make_unique<ObjectLineArt>();
    layer.lineArt->Create(w, h);
    const auto n = static_cast<size_t>(w * h);
    std::vector<uint8_t> lines(2 * n, 0);
    std::vector<uint8_t> index(n, 0);
    std::mt19937 rng(5);
    auto mark = [&](int32_t x, int32_t y, uint16_t mask) {
        const auto at = static_cast<size_t>(y * w + x);
        lines[2 * at] = static_cast<uint8_t>(mask);
        lines[2 * at + 1] = static_cast<uint8_t>(mask >> 8);
        index[at] = static_cast<uint8_t>(1 + x % 7);
    };
    for (int32_t x = 0; x < w; ++x) {
        mark(x, 31, 0x3333);
        mark(x, 32, 0xFFFF);
        mark(x, 33, 0x8888);
        mark(x, (x / 3 + 5) % h, static_cast<uint16_t>(rng() | 1));
    }
    for (const int32_t x : {0, 63, 64, 127, 128, 129, 255, 256, w - 1}) {
        for (int32_t y = 0; y < h; ++y) {
            mark(x, y,
                 x % 2 == 0 ? uint16_t{0xFFFF}
                            : static_cast<uint16_t>(1u << SuperBitBuffer::SubPixelBit(1, y % 4)));
        }
    }
    Store(*layer.lineArt->lineBuffer, lines);
    Store(*layer.lineArt->lineAppearanceIndex, index);
    auto check = [&](const LayerObject& moved, const SourceMap& map) {
        ASSERT_EQ(moved.bounds, map.Destination());
        const std::vector<uint16_t> masks = Masks(*moved.lineArt->lineBuffer);
        EXPECT_EQ(masks, ExpectedMask(*layer.lineArt->lineBuffer, map));
        const std::vector<uint8_t> indices = Rows(*moved.lineArt->lineAppearanceIndex);
        ASSERT_EQ(indices.size(), masks.size());
        size_t orphans = 0;
        for (size_t i = 0; i < masks.size(); ++i) {
            orphans += masks[i] != 0 && indices[i] == 0;
        }
        EXPECT_EQ(orphans, 0u);
    };
    for (const double degrees : {30.0, -12.5, 100.0}) {
        SCOPED_TRACE(degrees);
        LayerObject turned;
        ASSERT_TRUE(turned.CopyFrom(layer, true));
        ASSERT_TRUE(TurnLayerBy(turned, degrees, nullptr));
        check(turned, TurnSourceMap(layer.bounds, w, h, degrees));
    }
    const Corners leaning{PointTS(100, 150), PointTS(560.5, 120.0), PointTS(600.0, 290.25), PointTS(90, 260)};
    MorphMesh mesh;
    ASSERT_TRUE(mesh.Build(leaning, w, h));
    LayerObject morphed;
    ASSERT_TRUE(morphed.CopyFrom(layer, true));
    ASSERT_TRUE(MorphLayer(morphed, leaning, kMorphLines | kMorphLighting | kMorphSurface, nullptr));
    check(morphed, MeshSourceMap(mesh, w, h));
}

} // namespace
} // namespace ts
