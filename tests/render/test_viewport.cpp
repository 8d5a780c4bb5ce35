#include "render/compositor_kernels.h"
#include "render/view_manager.h"
#include "render_test_support.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

namespace ts {
namespace {

using testing::Bgr;
using testing::Px;

constexpr uint32_t kBackdrop = 0x00112233;

class Viewport : public ::testing::Test {
protected:
    Viewport() : compositor(stack), view(compositor) { view.BackdropState().color = kBackdrop; }

    static Px Pattern(int32_t x, int32_t y) {
        return {static_cast<uint8_t>(x * 17 + y * 5), static_cast<uint8_t>(x * 3 + y * 29 + 7),
                static_cast<uint8_t>(255 - x * 11 - y)};
    }
    // A drawing whose view buffer holds the pixels of `pixel`.
    template <class F> void Drawing(int32_t width, int32_t height, F pixel) {
        ASSERT_TRUE(view.ResizeDrawing(width, height));
        for (int32_t y = 0; y < height; ++y) {
            for (int32_t x = 0; x < width; ++x) {
                const Px p = pixel(x, y);
                std::copy(p.begin(), p.end(), view.ViewBuffer().Pixel(x, y));
            }
        }
    }
    void Show(int32_t zoom, int32_t originX, int32_t originY, int32_t width, int32_t height) {
        ASSERT_TRUE(view.ResizeClient(width, height));
        ASSERT_TRUE(view.SetZoom(zoom));
        view.SetOrigin(originX, originY);
        view.RebuildClient(Rect{0, 0, width, height});
    }
    Px Client(int32_t x, int32_t y) const {
        const uint8_t* p = view.Display().Pixel(x, y);
        return {p[0], p[1], p[2]};
    }
    // Every client pixel against expected(cx, cy); reports the first few that differ.
    template <class F> void ExpectClient(F expected) {
        int32_t wrong = 0;
        for (int32_t cy = 0; cy < view.Display().Height(); ++cy) {
            for (int32_t cx = 0; cx < view.Display().Width(); ++cx) {
                if (Client(cx, cy) != expected(cx, cy) && ++wrong <= 3) {
                    ADD_FAILURE() << "client " << cx << ", " << cy;
                }
            }
        }
        EXPECT_EQ(wrong, 0);
    }
    void SetLinePixel(int32_t x, int32_t y, const Px& under, const Px& line, uint16_t mask) {
        view.UnderPixels().LoadRow(y);
        view.UnderPixels().Set(x, under.data(), line.data(), mask);
        view.UnderPixels().StoreRow(y);
    }

    ImageStackManager stack;
    Compositor compositor;
    ViewManager view;
};

TEST_F(Viewport, OneToOneCopiesTheViewBufferInsideTheBackdrop) {
    Drawing(13, 8, Pattern);
    for (const auto& [ox, oy] : {std::pair{-2, -1}, std::pair{3, 2}}) {
        Show(1, ox, oy, 20, 12);
        ExpectClient([&](int32_t cx, int32_t cy) {
            const int32_t x = cx + ox;
            const int32_t y = cy + oy;
            return x >= 0 && x < 13 && y >= 0 && y < 8 ? Pattern(x, y) : Bgr(kBackdrop);
        });
    }
}

// Whether output pixel (s, r) inside a pixel magnified z times falls on a covered sub-pixel; sub-pixel
// (sx, sy) is bit 2 sy + (1 - sx mod 2) of byte sx / 2. At z = 2 an output pixel covers 2 x 2
// sub-pixels, at z = 4 one, above that one sub-pixel covers several output pixels.
bool ShowsLine(uint16_t mask, int32_t z, int32_t s, int32_t r) {
    const int32_t x0 = s * 4 / z;
    const int32_t y0 = r * 4 / z;
    for (int32_t sy = y0; sy <= std::max(y0, (r + 1) * 4 / z - 1); ++sy) {
        for (int32_t sx = x0; sx <= std::max(x0, (s + 1) * 4 / z - 1); ++sx) {
            if ((mask >> (8 * (sx / 2) + 2 * sy + (1 - sx % 2))) & 1) {
                return true;
            }
        }
    }
    return false;
}

TEST_F(Viewport, MagnifiedLinePixelsShowTheCoveredSubPixels) {
    Drawing(13, 8, Pattern);
    const Px under = {1, 2, 3};
    const Px line = {250, 251, 252};
    for (const int32_t z : {2, 4, 8, 16}) {
        for (const uint16_t mask : {0x0001, 0x0080, 0x0100, 0x8000, 0x4B1D, 0xA5C3, 0x0000}) {
            for (const auto& [ox, oy] : {std::pair{2, 1}, std::pair{-1, -1}}) {
                for (const bool lines : {true, false}) {
                    SCOPED_TRACE("zoom " + std::to_string(z) + " mask " + std::to_string(mask) + " origin " +
                                 std::to_string(ox) + (lines ? "" : " without lines"));
                    compositor.switches.showLines = lines;
                    SetLinePixel(3, 2, under, line, mask);
                    Show(z, ox, oy, 80, 80);
                    ExpectClient([&](int32_t cx, int32_t cy) {
                        const int32_t x = cx / z + ox;
                        const int32_t y = cy / z + oy;
                        if (x == 3 && y == 2 && mask != 0 && lines) {
                            return ShowsLine(mask, z, cx % z, cy % z) ? line : under;
                        }
                        return x >= 0 && x < 13 && y >= 0 && y < 8 ? Pattern(x, y) : Bgr(kBackdrop);
                    });
                }
            }
        }
    }
}

TEST_F(Viewport, RebuildingAPartGivesThePixelsOfTheWholeRebuild) {
    Drawing(13, 8, Pattern);
    SetLinePixel(3, 2, {1, 2, 3}, {250, 251, 252}, 0x4B1D);
    for (const int32_t z : {1, 2, 4, -3}) {
        SCOPED_TRACE("zoom " + std::to_string(z));
        Show(z, -1, 1, 40, 30);
        const Image24 whole = view.Display();
        std::fill(view.Display().Pixels().begin(), view.Display().Pixels().end(), uint8_t{0xEE});
        const Rect part{5, 3, 19, 13};
        view.RebuildClient(part);
        ExpectClient([&](int32_t cx, int32_t cy) {
            const uint8_t* p = whole.Pixel(cx, cy);
            const bool inside = cx >= part.left && cx < part.right && cy >= part.top && cy < part.bottom;
            return inside ? Px{p[0], p[1], p[2]} : Px{0xEE, 0xEE, 0xEE};
        });
    }
}

// The shrunk pixel at client (cx, cy): the average of the last k x k pixels of its block, columns past
// the drawing's right edge repeating the last column.
Px Shrunk(const Image24& v, int32_t zoom, int32_t ox, int32_t oy, int32_t cx, int32_t cy) {
    const int32_t s = -zoom;
    const int32_t k = std::min(s, 10);
    const uint32_t factor = 65536u / static_cast<uint32_t>(k * k);
    uint32_t sum[3] = {0, 0, 0};
    for (int32_t dy = 0; dy < k; ++dy) {
        for (int32_t dx = 0; dx < k; ++dx) {
            const int32_t x = std::min(ox + cx * s + s - k + dx, v.Width() - 1);
            const uint8_t* p = v.Pixel(x, oy + cy * s + s - 1 - dy);
            for (int b = 0; b < 3; ++b) {
                sum[b] += p[b];
            }
        }
    }
    return {static_cast<uint8_t>((sum[0] * factor) >> 16), static_cast<uint8_t>((sum[1] * factor) >> 16),
            static_cast<uint8_t>((sum[2] * factor) >> 16)};
}

TEST_F(Viewport, ShrinkingAveragesTheLastRowsAndColumnsOfEachBlock) {
    Drawing(30, 24, Pattern);
    // The rows below the origin fill whole blocks; the columns end in a partial block.
    for (const auto& [zoom, ox, oy] :
         {std::tuple{-2, 0, 0}, std::tuple{-2, 3, 2}, std::tuple{-3, 2, 3}, std::tuple{-12, 0, 0}}) {
        SCOPED_TRACE("zoom " + std::to_string(zoom) + " origin " + std::to_string(ox));
        Show(zoom, ox, oy, 20, 16);
        const int32_t s = -zoom;
        ExpectClient([&](int32_t cx, int32_t cy) {
            return cx < (30 - ox + s - 1) / s && cy < (24 - oy) / s
                       ? Shrunk(view.ViewBuffer(), zoom, ox, oy, cx, cy)
                       : Bgr(kBackdrop);
        });
    }
}

TEST_F(Viewport, ZoomMinusTwelveReadsOnlyTheLastTenByTenOfEachBlock) {
    Drawing(30, 24, [](int32_t x, int32_t y) {
        const uint8_t v = x % 12 < 2 || y % 12 < 2 ? 255 : 0;
        return Px{v, v, v};
    });
    Show(-12, 0, 0, 3, 2);
    ExpectClient([](int32_t, int32_t) { return Px{0, 0, 0}; });
}

TEST_F(Viewport, ShrunkBlocksLeftOfTheDrawingReadNoPixelBeforeIt) {
    // The drawing starts inside the window at an odd offset: the first block shown straddles its left
    // edge. Rows of 13 pixels leave padding between rows.
    const Px color = {90, 160, 230};
    Drawing(13, 8, [&](int32_t, int32_t) { return color; });
    Show(-2, -3, -3, 12, 8);
    const Rect d = view.ClientRectOf(Rect{0, 0, 13, 8});
    ExpectClient([&](int32_t cx, int32_t cy) {
        return cx >= d.left && cx < d.right && cy >= d.top && cy < d.bottom ? color : Bgr(kBackdrop);
    });
}

// Larger noisy drawings at every way of reading them: magnified rows with and without line pixels,
// shrunk rows with blocks side by side (2..10) and apart (11 and beyond), through the vector kernels
// and the plain loops.
TEST_F(Viewport, EveryZoomShowsThePlainlySampledPixels) {
    std::mt19937 rng(77);
    const auto noise = [&](int32_t, int32_t) {
        return Px{static_cast<uint8_t>(rng()), static_cast<uint8_t>(rng()), static_cast<uint8_t>(rng())};
    };
    Drawing(301, 67, noise);
    const Image24& v = view.ViewBuffer();
    for (const bool vectors : {true, false}) {
        const bool previous = kernels::UseVectors(vectors);
        const bool previousFrame = ViewportFrame::UseVectors(vectors);
        for (const int32_t z : {2, 4, 8, 16}) {
            const int32_t lineX = static_cast<int32_t>(rng() % 40);
            const uint16_t mask = static_cast<uint16_t>(rng() | 1);
            SetLinePixel(lineX, 1, {1, 2, 3}, {250, 251, 252}, mask);
            Show(z, -1, 0, 130, 30);
            ExpectClient([&](int32_t cx, int32_t cy) {
                const int32_t x = cx / z - 1;
                const int32_t y = cy / z;
                if (x < 0) {
                    return Bgr(kBackdrop);
                }
                if (x == lineX && y == 1) {
                    return ShowsLine(mask, z, cx % z, cy % z) ? Px{250, 251, 252} : Px{1, 2, 3};
                }
                const uint8_t* p = v.Pixel(x, y);
                return Px{p[0], p[1], p[2]};
            });
            SetLinePixel(lineX, 1, {1, 2, 3}, {250, 251, 252}, 0);
        }
        for (const int32_t zoom : {-2, -3, -4, -5, -7, -10, -11, -16}) {
            SCOPED_TRACE("zoom " + std::to_string(zoom) + (vectors ? "" : ", plain loops"));
            const int32_t s = -zoom;
            const int32_t ox = static_cast<int32_t>(rng() % 7);
            Show(zoom, ox, 0, 150, 4); // whole blocks down
            ExpectClient([&](int32_t cx, int32_t cy) {
                return cx < (301 - ox + s - 1) / s ? Shrunk(v, zoom, ox, 0, cx, cy) : Bgr(kBackdrop);
            });
        }
        kernels::UseVectors(previous);
        ViewportFrame::UseVectors(previousFrame);
    }
}

// Zooms beyond -10 read each block's last ten rows and columns straight from the view buffer: the same
// pixels as the plain loops, with blocks cut by the view's left and right edges, rows above the top
// repeated, the last block ending on the view's very last byte, and blocks of pure white (the largest
// sums).
TEST(ViewportShrinkRow, BlocksApartGiveThePlainLoopsPixelsAtEveryEdge) {
    std::mt19937 rng(5);
    for (const bool white : {false, true}) {
        for (const int32_t zoom : {-11, -13, -16, -37, -64}) {
            const int32_t s = -zoom;
            SampleTable table;
            table.SetZoom(zoom);
            ViewportFrame::ShrinkRoom room;
            // Whole blocks ending exactly on the last column, partial blocks, a view narrower than a block.
            for (const int32_t width : {7 * s, 7 * s + 1, 7 * s + 5, 10}) {
                Image24 v;
                ASSERT_TRUE(v.Create(width, 25));
                for (int32_t y = 0; y < v.Height(); ++y) {
                    for (int32_t i = 0; i < 3 * width; ++i) {
                        v.Row(y)[i] = white ? 255 : static_cast<uint8_t>(rng());
                    }
                }
                for (const int32_t row : {0, 4, 9, 10, 24}) {
                    for (const int32_t first : {-2 * s - 3, -1, 0, 1, s - 1, 5}) {
                        SCOPED_TRACE("zoom " + std::to_string(zoom) + " width " + std::to_string(width) +
                                     " row " + std::to_string(row) + " first " + std::to_string(first));
                        const int32_t outWidth = (width - first) / s + 2; // the last ones past the view
                        std::vector<uint8_t> fast(static_cast<size_t>(outWidth) * 3);
                        std::vector<uint8_t> plain(fast.size());
                        ViewportFrame::ShrinkRow(v, row, first, outWidth, table, fast.data(), room);
                        const bool previous = ViewportFrame::UseVectors(false);
                        ViewportFrame::ShrinkRow(v, row, first, outWidth, table, plain.data(), room);
                        ViewportFrame::UseVectors(previous);
                        EXPECT_EQ(fast, plain);
                    }
                }
            }
        }
    }
}

TEST(ViewportSampleTable, EntriesAverageTheSamplesOfABlock) {
    SampleTable table;
    table.SetZoom(-2);
    EXPECT_EQ(table.Average(4 * 255), 255);
    EXPECT_EQ(table.Average(1019), 254); // (1019 x 16384) >> 16
    table.SetZoom(-3);
    EXPECT_EQ(table.Average(9 * 255), 254); // 65536 / 9 = 7281 loses a little
    table.SetZoom(-12);
    EXPECT_EQ(table.BlockSide(), 10);
    EXPECT_EQ(table.Average(100 * 255), 254);
    EXPECT_EQ(table.Average(100), 0); // (100 x 655) >> 16
    table.SetZoom(-64);
    EXPECT_EQ(table.BlockSide(), 10);
}

} // namespace
} // namespace ts
