#include "import/thinning.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <queue>
#include <vector>

namespace ts {
namespace {

struct Picture {
    int32_t width;
    int32_t height;
    std::vector<uint8_t> px;
    Picture(int32_t w, int32_t h) : width(w), height(h), px(static_cast<size_t>(w * h), 0) {}
    uint8_t& At(int32_t x, int32_t y) { return px[static_cast<size_t>(y * width + x)]; }
    void Fill(int32_t x0, int32_t y0, int32_t x1, int32_t y1) {
        for (int32_t y = y0; y < y1; ++y) {
            for (int32_t x = x0; x < x1; ++x) {
                At(x, y) = 255;
            }
        }
    }
    int32_t Count() const {
        int32_t n = 0;
        for (uint8_t p : px) {
            n += p != 0 ? 1 : 0;
        }
        return n;
    }
    // Eight-connected pieces of set pixels.
    int32_t Pieces() {
        std::vector<uint8_t> seen(px.size(), 0);
        int32_t pieces = 0;
        for (int32_t y = 0; y < height; ++y) {
            for (int32_t x = 0; x < width; ++x) {
                if (At(x, y) == 0 || seen[static_cast<size_t>(y * width + x)] != 0) {
                    continue;
                }
                ++pieces;
                std::queue<std::pair<int32_t, int32_t>> todo;
                todo.push({x, y});
                seen[static_cast<size_t>(y * width + x)] = 1;
                while (!todo.empty()) {
                    auto [cx, cy] = todo.front();
                    todo.pop();
                    for (int32_t dy = -1; dy <= 1; ++dy) {
                        for (int32_t dx = -1; dx <= 1; ++dx) {
                            const int32_t nx = cx + dx, ny = cy + dy;
                            if (nx < 0 || ny < 0 || nx >= width || ny >= height || At(nx, ny) == 0 ||
                                seen[static_cast<size_t>(ny * width + nx)] != 0) {
                                continue;
                            }
                            seen[static_cast<size_t>(ny * width + nx)] = 1;
                            todo.push({nx, ny});
                        }
                    }
                }
            }
        }
        return pieces;
    }
};

TEST(Thinning, ThickBarBecomesOnePixelWideLineAlongItsMiddle) {
    Picture p(60, 20);
    p.Fill(5, 6, 55, 13); // 7 rows thick
    ThinZhangSuen(p.px, p.width, p.height);
    for (int32_t x = 12; x < 48; ++x) {
        int32_t column = 0;
        int32_t row = -1;
        for (int32_t y = 0; y < p.height; ++y) {
            if (p.At(x, y) != 0) {
                ++column;
                row = y;
            }
        }
        EXPECT_EQ(column, 1) << "column " << x;
        EXPECT_NEAR(row, 9, 1) << "column " << x;
    }
    EXPECT_EQ(p.Pieces(), 1);
}

TEST(Thinning, KeepsShapesConnectedAndSeparateShapesApart) {
    Picture p(80, 80);
    p.Fill(10, 10, 70, 16); // a thick L: horizontal
    p.Fill(10, 10, 16, 70); //            and vertical
    p.Fill(40, 40, 70, 70); // a separate filled square
    p.Fill(30, 30, 32, 32); // a two-pixel dot
    ThinZhangSuen(p.px, p.width, p.height);
    EXPECT_EQ(p.Pieces(), 3);
    EXPECT_LT(p.Count(), 60 + 60 + 60);
}

TEST(Thinning, OnePixelLinesAreLeftAsTheyAreAndTheLastPassRemovesNothing) {
    Picture p(40, 40);
    for (int32_t i = 2; i < 38; ++i) {
        p.At(i, 20) = 1;
        p.At(i, i) = 1;
    }
    const std::vector<uint8_t> before = p.px;
    CountingProgressMeter meter;
    EXPECT_EQ(ThinZhangSuen(p.px, p.width, p.height, 30, &meter), 1);
    EXPECT_EQ(meter.Done(), 1);
    EXPECT_EQ(p.px, before);
}

TEST(Thinning, StopsAtThePassLimitAndRefusesAPictureSmallerThanItsSize) {
    Picture p(200, 200);
    p.Fill(0, 0, 200, 200); // touches the edges: outside counts as unset
    EXPECT_EQ(ThinZhangSuen(p.px, p.width, p.height, 3), 3);
    EXPECT_GT(p.Count(), 0);
    std::vector<uint8_t> tooSmall(10, 1);
    EXPECT_EQ(ThinZhangSuen(tooSmall, 5, 5), 0);
    EXPECT_EQ(ThinZhangSuen(tooSmall, 0, 0), 0);
}

} // namespace
} // namespace ts
