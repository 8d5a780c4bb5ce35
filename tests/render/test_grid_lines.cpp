// The scale grid on the screen: one-pixel lines at the spacing, at every zoom, over the zoomed
// drawing and never in the view buffer.

#include "raster/pixel_tables.h"
#include "render/grid_lines.h"
#include "render/view_manager.h"
#include "render_test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

namespace ts {
namespace {

using testing::Bgr;
using testing::Px;

constexpr uint32_t kPaperGrey = 0x00646464;
constexpr uint32_t kRed = 0x000000FF;

class ScreenGrid : public ::testing::Test {
protected:
    ScreenGrid() : compositor(stack), view(compositor) {
        EXPECT_TRUE(view.ResizeDrawing(200, 120));
        for (int32_t y = 0; y < 120; ++y) {
            for (int32_t x = 0; x < 200; ++x) {
                const Px p = Bgr(kPaperGrey);
                std::copy(p.begin(), p.end(), view.ViewBuffer().Pixel(x, y));
            }
        }
    }
    void Show(int32_t zoom) {
        ASSERT_TRUE(view.ResizeClient(100, 60));
        ASSERT_TRUE(view.SetZoom(zoom));
        view.SetOrigin(0, 0);
        view.RebuildClient(Rect{0, 0, 100, 60});
    }
    Px Client(int32_t x, int32_t y) const {
        const uint8_t* p = view.Display().Pixel(x, y);
        return {p[0], p[1], p[2]};
    }
    // The columns of a client row that show the grid colour.
    std::vector<int32_t> RedColumns(int32_t cy) const {
        std::vector<int32_t> columns;
        for (int32_t cx = 0; cx < view.Display().Width(); ++cx) {
            if (Client(cx, cy) == Bgr(kRed)) {
                columns.push_back(cx);
            }
        }
        return columns;
    }
    void OneGrid(double spacing, double originX, double originY, int32_t intensity = 255) {
        view.Grid().grids[0] = GridLines{true, spacing, kRed, intensity};
        view.Grid().originX = originX;
        view.Grid().originY = originY;
    }

    ImageStackManager stack;
    Compositor compositor;
    ViewManager view;
};

TEST_F(ScreenGrid, LinesFollowTheOriginAtOneToOneMagnifiedAndShrunk) {
    OneGrid(20.0, 3.0, 5.0);
    Show(1);
    EXPECT_EQ(RedColumns(1), (std::vector<int32_t>{3, 23, 43, 63, 83}));
    EXPECT_EQ(RedColumns(5).size(), 100u) << "a line across";
    EXPECT_EQ(RedColumns(25).size(), 100u);

    Show(4); // a drawing pixel is 4 x 4 client pixels
    EXPECT_EQ(RedColumns(1), (std::vector<int32_t>{12, 92}));
    EXPECT_EQ(RedColumns(20).size(), 100u);
    EXPECT_EQ(RedColumns(21).size(), 2u) << "one-pixel lines, not magnified ones";

    Show(-4); // four drawing pixels to a client pixel
    EXPECT_EQ(RedColumns(2), (std::vector<int32_t>{0, 5, 10, 15, 20, 25, 30, 35, 40, 45}));
    EXPECT_EQ(RedColumns(1).size(), 50u) << "the drawing ends at client column 50";

    OneGrid(20.0, 13.0, 5.0); // the origin moved 10 drawing pixels right
    Show(1);
    EXPECT_EQ(RedColumns(1), (std::vector<int32_t>{13, 33, 53, 73, 93}));
}

TEST_F(ScreenGrid, LinesTooCloseOnTheScreenAreLeftOut) {
    OneGrid(10.0, 0.0, 0.0);
    Show(-4); // 2.5 client pixels apart
    EXPECT_TRUE(RedColumns(1).empty());
    EXPECT_TRUE(RedColumns(0).empty());
    Show(1);
    EXPECT_EQ(RedColumns(1).size(), 10u);
}

TEST_F(ScreenGrid, TheIntensityMixesTheColourWithThePaperAndTheViewBufferStaysClean) {
    OneGrid(50.0, 0.0, 0.0, 127);
    const std::vector<uint8_t> before = view.ViewBuffer().Pixels();
    Show(1);
    const Px mixed = Client(50, 1);
    const uint8_t grey = 0x64;
    EXPECT_EQ(mixed[2], Mul8(127, 255) + Mul8(128, grey));
    EXPECT_EQ(mixed[0], Mul8(128, grey));
    EXPECT_EQ(Client(51, 1), Bgr(kPaperGrey));
    EXPECT_EQ(view.ViewBuffer().Pixels(), before);

    // Hidden or without spacing, nothing is drawn; the later grid lies over the earlier one.
    view.Grid().grids[0].shown = false;
    Show(1);
    EXPECT_EQ(Client(50, 1), Bgr(kPaperGrey));
    view.Grid().grids[0] = GridLines{true, 50.0, 0x00FF0000, 255};
    view.Grid().grids[2] = GridLines{true, 25.0, kRed, 255};
    Show(1);
    EXPECT_EQ(Client(50, 1), Bgr(kRed));
}

TEST_F(ScreenGrid, EveryPixelValueMixesAlikeAlongALineAcrossAndDown) {
    // Each drawing column its own grey, so that a line across meets every value 0 .. 199 and a line
    // down every row's; the same mix both ways and for several intensities.
    for (int32_t y = 0; y < 120; ++y) {
        for (int32_t x = 0; x < 200; ++x) {
            const auto v = static_cast<uint8_t>(x < 100 ? x * 2 + (y & 1) : 255 - (x - 100));
            uint8_t* p = view.ViewBuffer().Pixel(x, y);
            p[0] = v;
            p[1] = static_cast<uint8_t>(255 - v);
            p[2] = static_cast<uint8_t>(v / 2);
        }
    }
    const uint32_t colour = 0x0030A0F0;
    const uint8_t bgr[3] = {0x30, 0xA0, 0xF0};
    for (const int32_t intensity : {255, 200, 127, 12, 0}) {
        view.Grid().grids[0] = GridLines{true, 40.0, colour, intensity};
        view.Grid().originX = 7.0;
        view.Grid().originY = 5.0;
        ASSERT_TRUE(view.ResizeClient(200, 60));
        ASSERT_TRUE(view.SetZoom(1));
        view.SetOrigin(0, 0);
        view.RebuildClient(Rect{0, 0, 200, 60});
        auto expected = [&](int32_t x, int32_t y, int b) {
            const uint8_t under = view.ViewBuffer().Pixel(x, y)[b];
            const int32_t v = Mul8(intensity, bgr[b]) + Mul8(255 - intensity, under);
            return static_cast<uint8_t>(v > 255 ? 255 : v);
        };
        for (int32_t x = 0; x < 200; ++x) { // the line across at row 5
            for (int b = 0; b < 3; ++b) {
                ASSERT_EQ(view.Display().Pixel(x, 5)[b], expected(x, 5, b)) << intensity << " at " << x;
            }
        }
        for (int32_t y = 0; y < 60; ++y) { // the line down at column 47
            for (int b = 0; b < 3; ++b) {
                ASSERT_EQ(view.Display().Pixel(47, y)[b], expected(47, y, b)) << intensity << " at " << y;
            }
        }
    }
}

TEST_F(ScreenGrid, LinesOnTheEdgesOfARebuiltPartStayInsideIt) {
    // Lines on the client's last column and row (99, 59), and parts of the client rebuilt whose first or
    // last column holds a line or whose last column follows one: every pixel rebuilt equals the whole
    // rebuild, and none outside the part is touched.
    std::vector<uint8_t>& pixels = view.ViewBuffer().Pixels();
    for (size_t i = 0; i < pixels.size(); ++i) {
        pixels[i] = static_cast<uint8_t>(i * 2654435761u >> 24);
    }
    view.Grid().grids[0] = GridLines{true, 20.0, 0x0030A0F0, 200};
    view.Grid().grids[1] = GridLines{true, 40.0, 0x00102030, 90};
    view.Grid().originX = 19.0;
    view.Grid().originY = 19.0;
    Show(1);
    const std::vector<uint8_t> whole = view.Display().Pixels();
    EXPECT_NE(Client(99, 0), Client(98, 0)) << "a line on the last column";
    for (const Rect& part : {Rect{0, 0, 100, 60}, Rect{0, 50, 40, 60}, Rect{0, 0, 41, 60},
                             Rect{19, 10, 60, 30}, Rect{20, 0, 99, 60}, Rect{98, 0, 100, 60}}) {
        std::fill(view.Display().Pixels().begin(), view.Display().Pixels().end(), uint8_t{0x5A});
        view.RebuildClient(part);
        for (int32_t y = 0; y < 60; ++y) {
            for (int32_t x = 0; x < 100; ++x) {
                const size_t at = static_cast<size_t>(y) * static_cast<size_t>(view.Display().Stride()) +
                                  static_cast<size_t>(x) * 3;
                const bool inside = x >= part.left && x < part.right && y >= part.top && y < part.bottom;
                const uint8_t* got = view.Display().Pixels().data() + at;
                const Px want = inside ? Px{whole[at], whole[at + 1], whole[at + 2]} : Px{0x5A, 0x5A, 0x5A};
                ASSERT_EQ((Px{got[0], got[1], got[2]}), want)
                    << part.left << "-" << part.right << " at " << x << ", " << y;
            }
        }
    }
}

TEST_F(ScreenGrid, StackedGridsOverAnyPictureEqualTheirLinesMixedOneAfterTheOtherAtEveryZoom) {
    // A picture of noise, so that a pixel read from the wrong place shows; two grids whose lines cross
    // and coincide, the second over the first; rebuilt whole and in part at magnifying, 1:1 and
    // shrinking zooms. Expected: the plain rebuild with each grid's lines mixed in turn.
    std::vector<uint8_t>& pixels = view.ViewBuffer().Pixels();
    for (size_t i = 0; i < pixels.size(); ++i) {
        pixels[i] = static_cast<uint8_t>(i * 2654435761u >> 24);
    }
    const GridLines first{true, 12.0, 0x0030A0F0, 200};
    const GridLines second{true, 18.0, 0x00102030, 90};
    constexpr int32_t kWidth = 150;
    constexpr int32_t kHeight = 90;
    ASSERT_TRUE(view.ResizeClient(kWidth, kHeight));
    for (const int32_t zoom : {1, 4, -4}) {
        for (const Rect& part : {Rect{0, 0, kWidth, kHeight}, Rect{37, 11, 120, 70}}) {
            const double scale = zoom > 0 ? zoom : 1.0 / -zoom;
            ASSERT_TRUE(view.SetZoom(zoom));
            view.SetOrigin(5, 3);
            view.Grid().grids = {};
            view.RebuildClient(Rect{0, 0, kWidth, kHeight});
            std::vector<uint8_t> expected = view.Display().Pixels();
            const auto stride = static_cast<size_t>(view.Display().Stride());
            const Rect drawing = view.ClientRectOf(Rect{0, 0, 200, 120});
            for (const GridLines& g : {first, second}) {
                if (g.spacing * scale < ViewGrid::kMinimumGap) {
                    continue; // at -4 the first grid's lines would lie 3 client pixels apart
                }
                // Client position p shows a line where floor((origin + k × spacing - view) × scale) = p.
                auto on = [&](int32_t p, double origin, int32_t viewOrigin) {
                    const double k = std::ceil((viewOrigin - origin) / g.spacing);
                    for (double j = k;; j += 1.0) {
                        const double at = std::floor((origin + j * g.spacing - viewOrigin) * scale);
                        if (at >= p) {
                            return at == p;
                        }
                    }
                };
                const uint8_t colour[3] = {static_cast<uint8_t>(g.color >> 16),
                                           static_cast<uint8_t>(g.color >> 8), static_cast<uint8_t>(g.color)};
                for (int32_t y = part.top; y < part.bottom; ++y) {
                    for (int32_t x = std::max(part.left, drawing.left);
                         x < std::min(part.right, drawing.right); ++x) {
                        if (y < drawing.top || y >= drawing.bottom || (!on(x, 1.5, 5) && !on(y, 2.0, 3))) {
                            continue;
                        }
                        for (int b = 0; b < 3; ++b) {
                            uint8_t& v = expected[static_cast<size_t>(y) * stride +
                                                  static_cast<size_t>(x) * 3 + static_cast<size_t>(b)];
                            v = static_cast<uint8_t>(
                                std::min(255, Mul8(g.intensity, colour[b]) + Mul8(255 - g.intensity, v)));
                        }
                    }
                }
            }
            view.Grid().grids = {first, second, GridLines{}};
            view.Grid().originX = 1.5;
            view.Grid().originY = 2.0;
            // What the display held before must not show through anywhere in the part rebuilt.
            std::fill(view.Display().Pixels().begin(), view.Display().Pixels().end(), uint8_t{0x5A});
            view.RebuildClient(part);
            for (int32_t y = part.top; y < part.bottom; ++y) {
                for (int32_t x = part.left; x < part.right; ++x) {
                    const uint8_t* got = view.Display().Pixel(x, y);
                    const uint8_t* want =
                        &expected[static_cast<size_t>(y) * stride + static_cast<size_t>(x) * 3];
                    ASSERT_TRUE(std::equal(got, got + 3, want))
                        << "zoom " << zoom << " at " << x << ", " << y;
                }
            }
        }
    }
}

} // namespace
} // namespace ts
