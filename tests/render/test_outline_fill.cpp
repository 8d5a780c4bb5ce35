// Filling glyph outlines into 4 x 4 sub-pixel coverage.

#include "raster/super_bit_buffer.h"
#include "render/outline_fill.h"

#include <gtest/gtest.h>

#include <bit>
#include <limits>
#include <vector>

namespace ts {
namespace {

// A rectangle in fine units, clockwise on the screen (or the other way round).
FillContour Box(double left, double top, double right, double bottom, bool reversed = false) {
    FillContour c{{left, top}, {right, top}, {right, bottom}, {left, bottom}};
    if (reversed) {
        return FillContour(c.rbegin(), c.rend());
    }
    return c;
}

uint16_t At(const std::vector<uint16_t>& masks, int32_t width, int32_t x, int32_t y) {
    return masks[static_cast<size_t>(y * width + x)];
}

int32_t Cells(const std::vector<uint16_t>& masks) {
    int32_t n = 0;
    for (uint16_t m : masks) {
        n += std::popcount(m);
    }
    return n;
}

TEST(OutlineFill, ABoxCoversExactlyTheCellsWhoseCentresItHolds) {
    std::vector<uint16_t> masks;
    // Pixel (1, 1) whole, and the left half of pixel (2, 1): sub-columns 0 and 1 are the low byte.
    ASSERT_TRUE(FillOutlines({Box(4, 4, 10, 8)}, 4, 3, masks));
    ASSERT_EQ(masks.size(), 12u);
    EXPECT_EQ(At(masks, 4, 1, 1), 0xFFFF);
    EXPECT_EQ(At(masks, 4, 2, 1), 0x00FF);
    uint16_t leftHalf = 0;
    for (int y = 0; y < 4; ++y) {
        leftHalf = static_cast<uint16_t>(leftHalf | 1u << SuperBitBuffer::SubPixelBit(0, y) |
                                         1u << SuperBitBuffer::SubPixelBit(1, y));
    }
    EXPECT_EQ(leftHalf, 0x00FF);
    EXPECT_EQ(Cells(masks), 16 + 8);
}

TEST(OutlineFill, HolesRunTheOtherWayAndSameWayOverlapsStayFilled) {
    std::vector<uint16_t> masks;
    // A ring: the inner box wound against the outer leaves its cells empty.
    ASSERT_TRUE(FillOutlines({Box(0, 0, 12, 12), Box(4, 4, 8, 8, true)}, 3, 3, masks));
    EXPECT_EQ(At(masks, 3, 1, 1), 0);
    EXPECT_EQ(At(masks, 3, 0, 0), 0xFFFF);
    EXPECT_EQ(Cells(masks), 144 - 16);
    // Wound the same way it is no hole (non-zero, not even-odd).
    ASSERT_TRUE(FillOutlines({Box(0, 0, 12, 12), Box(4, 4, 8, 8)}, 3, 3, masks));
    EXPECT_EQ(Cells(masks), 144);
}

TEST(OutlineFill, SlopedEdgesAndSharedVerticesAreCrossedOnce) {
    std::vector<uint16_t> masks;
    // A diamond whose vertices lie on cell centre rows: every row's crossings pair up, so the fill
    // is symmetric left to right and top to bottom.
    const FillContour diamond{{8, 0.5}, {15.3, 8.5}, {8, 16.5}, {0.7, 8.5}};
    ASSERT_TRUE(FillOutlines({diamond}, 4, 5, masks));
    int32_t left = 0;
    int32_t right = 0;
    for (int32_t cy = 0; cy < 20; ++cy) {
        for (int32_t cx = 0; cx < 16; ++cx) {
            const bool on =
                (At(masks, 4, cx / 4, cy / 4) >> SuperBitBuffer::SubPixelBit(cx & 3, cy & 3)) & 1u;
            (cx < 8 ? left : right) += on;
        }
    }
    EXPECT_EQ(left, right);
    EXPECT_GT(left, 0);
}

TEST(OutlineFill, WhatLiesOutsideTheTargetIsCutOff) {
    std::vector<uint16_t> masks;
    ASSERT_TRUE(FillOutlines({Box(-100, -100, 6, 1000)}, 2, 2, masks));
    EXPECT_EQ(At(masks, 2, 0, 0), 0xFFFF);
    EXPECT_EQ(At(masks, 2, 1, 1), 0x00FF);
    EXPECT_FALSE(FillOutlines({Box(0, 0, 4, 4)}, 0, 4, masks));
    // Degenerate contours (a point, a level line, non-finite points) cover nothing.
    const double nan = std::numeric_limits<double>::quiet_NaN();
    ASSERT_TRUE(FillOutlines({{{1, 1}}, {{0, 2}, {8, 2}}, {{nan, 0}, {4, 4}, {0, 4}}}, 2, 2, masks));
    EXPECT_EQ(Cells(masks), 0);
}

} // namespace
} // namespace ts
