#include "raster/color_interference_buffer.h"
#include "raster/image_buffer.h"

#include <gtest/gtest.h>

#include <cstring>
#include <limits>
#include <vector>

namespace ts {
namespace {

// Marks every byte of window row r (margins included) with the value r + 100.
void MarkRows(ImageBuffer& b) {
    for (int32_t r = -b.Margin(); r < b.ContentRows() + b.Margin(); ++r) {
        std::memset(b.Row(r), r + 100, static_cast<size_t>(b.TotalWidth() * b.BytesPerPixel()));
    }
}

// The window rows as a grid of first bytes of each pixel, rows top to bottom.
std::vector<std::vector<int>> Grid(const ImageBuffer& b) {
    std::vector<std::vector<int>> grid;
    for (int32_t r = -b.Margin(); r < b.ContentRows() + b.Margin(); ++r) {
        std::vector<int> row;
        for (int32_t x = 0; x < b.TotalWidth(); ++x) {
            row.push_back(b.Row(r)[x * b.BytesPerPixel()]);
        }
        grid.push_back(row);
    }
    return grid;
}

TEST(ImageBuffer, CreateLaysOutMarginsAroundZeroedContent) {
    ImageBuffer b;
    ASSERT_TRUE(b.Create(10, 5, 3, 2));
    EXPECT_EQ(b.TotalWidth(), 14);
    EXPECT_EQ(b.TotalHeight(), 9);
    EXPECT_EQ(b.ContentWidth(), 10);
    EXPECT_EQ(b.ContentRows(), 5);
    EXPECT_EQ(b.MarginBytes(), 6);
    EXPECT_EQ(b.RowBytes() % 8, 0);
    EXPECT_GE(b.RowBytes(), 14 * 3 + 8);
    for (int32_t r = -2; r < 7; ++r) {
        EXPECT_EQ(reinterpret_cast<uintptr_t>(b.Row(r)) % 8, 0u);
        EXPECT_EQ(b.Pixels(r) - b.Row(r), 6);
        for (int32_t i = 0; i < b.RowBytes(); ++i) {
            ASSERT_EQ(b.Row(r)[i], 0) << "row " << r << " byte " << i;
        }
    }
}

TEST(ImageBuffer, CreateRefusesBadSizesAndKeepsTheOldBuffer) {
    ImageBuffer b;
    ASSERT_TRUE(b.Create(4, 3, 1, 1));
    b.Pixels(1)[2] = 77;
    const int32_t big = std::numeric_limits<int32_t>::max();
    EXPECT_FALSE(b.Create(0, 3, 1, 1));
    EXPECT_FALSE(b.Create(4, -3, 1, 1));
    EXPECT_FALSE(b.Create(4, 3, 0, 1));
    EXPECT_FALSE(b.Create(4, 3, 5, 1));
    EXPECT_FALSE(b.Create(4, 3, 1, -1));
    EXPECT_FALSE(b.Create(big, big, 4, big));
    EXPECT_FALSE(b.Create(4, 3, 1, big));
    EXPECT_FALSE(b.Create(1 << 16, 1 << 14, 2, 0)); // 2 GiB
    EXPECT_EQ(b.TotalWidth(), 6);
    EXPECT_EQ(b.TotalHeight(), 5);
    EXPECT_EQ(b.Pixels(1)[2], 77);
}

TEST(ImageBuffer, EightByteStoresAtTheRowEndStayInTheRow) {
    ImageBuffer b;
    ASSERT_TRUE(b.Create(3, 4, 1, 0));
    // A decoder writing 8 bytes at a time may overrun the last pixel by up to 7 bytes.
    std::memset(b.Pixels(1), 0xFF, 3 + 7);
    for (int32_t r : {0, 2, 3}) {
        for (int32_t x = 0; x < 3; ++x) {
            EXPECT_EQ(b.Pixels(r)[x], 0) << "row " << r;
        }
    }
}

TEST(ImageBuffer, FillRectUsesBufferRowsAndContentColumns) {
    ImageBuffer b;
    ASSERT_TRUE(b.Create(6, 4, 3, 1));
    b.SetFirstRow(10);
    b.FillRect(1, 11, 3, 13, 5); // buffer rows 11-12 are window rows 1-2
    for (int32_t r = -1; r < 5; ++r) {
        for (int32_t i = 0; i < b.TotalWidth() * 3; ++i) {
            const bool inside = (r == 1 || r == 2) && i >= 3 + 3 && i < 3 + 9;
            ASSERT_EQ(b.Row(r)[i], inside ? 5 : 0) << "row " << r << " byte " << i;
        }
    }
}

TEST(ImageBuffer, FillRectClipsToTheWindowMarginsIncluded) {
    ImageBuffer b;
    ASSERT_TRUE(b.Create(4, 3, 2, 1));
    b.SetFirstRow(-5);
    b.FillRect(-100, -20, 100, -5, 7); // down to window row -1, the top margin
    const int32_t rowLength = b.TotalWidth() * 2;
    for (int32_t r = -1; r < 4; ++r) {
        for (int32_t i = 0; i < b.RowBytes(); ++i) {
            ASSERT_EQ(b.Row(r)[i], r == -1 && i < rowLength ? 7 : 0) << "row " << r << " byte " << i;
        }
    }

    b.ZeroAll();
    b.FillRect(5, -5, 9, -2, 3); // entirely right of the right margin
    b.FillRect(0, -1, 4, 0, 3);  // buffer row -1 is window row 4, below the window
    b.FillRect(0, -2, 4, -2, 3); // empty
    EXPECT_EQ(Grid(b), std::vector<std::vector<int>>(5, std::vector<int>(6, 0)));

    const int32_t big = std::numeric_limits<int32_t>::max();
    const int32_t small = std::numeric_limits<int32_t>::min();
    b.FillRect(small, small, big, big, 1);
    EXPECT_EQ(Grid(b), std::vector<std::vector<int>>(5, std::vector<int>(6, 1)));
}

TEST(ImageBuffer, ReplicateEdgesFillsSidesAndCorners) {
    ImageBuffer b;
    ASSERT_TRUE(b.Create(3, 2, 1, 2));
    const uint8_t content[2][3] = {{1, 2, 3}, {4, 5, 6}};
    for (int32_t r = 0; r < 2; ++r) {
        std::memcpy(b.Pixels(r), content[r], 3);
    }
    b.ReplicateEdges();
    const std::vector<std::vector<int>> expected = {
        {1, 1, 1, 2, 3, 3, 3}, {1, 1, 1, 2, 3, 3, 3}, {1, 1, 1, 2, 3, 3, 3},
        {4, 4, 4, 5, 6, 6, 6}, {4, 4, 4, 5, 6, 6, 6}, {4, 4, 4, 5, 6, 6, 6},
    };
    EXPECT_EQ(Grid(b), expected);
}

TEST(ImageBuffer, ReplicateEdgesCopiesWholePixels) {
    ImageBuffer b;
    ASSERT_TRUE(b.Create(2, 1, 3, 1));
    const uint8_t pixels[6] = {10, 11, 12, 20, 21, 22};
    std::memcpy(b.Pixels(0), pixels, 6);
    b.ReplicateEdges();
    const uint8_t expectedRow[12] = {10, 11, 12, 10, 11, 12, 20, 21, 22, 20, 21, 22};
    for (int32_t r = -1; r <= 1; ++r) {
        EXPECT_EQ(std::memcmp(b.Row(r), expectedRow, 12), 0) << "row " << r;
    }
}

TEST(ImageBuffer, RotateRowsUpWrapsTopRowsToTheBottomWithTheirPixels) {
    ImageBuffer b;
    ASSERT_TRUE(b.Create(3, 4, 1, 1)); // window rows -1..4
    MarkRows(b);
    b.RotateRowsUp(2);
    const std::vector<int> expected = {101, 102, 103, 104, 99, 100};
    for (int32_t r = -1; r <= 4; ++r) {
        EXPECT_EQ(b.Row(r)[0], expected[static_cast<size_t>(r + 1)]) << "row " << r;
        EXPECT_EQ(b.Row(r)[4], expected[static_cast<size_t>(r + 1)]) << "row " << r;
    }
    b.RotateRowsDown(2);
    for (int32_t r = -1; r <= 4; ++r) {
        EXPECT_EQ(b.Row(r)[0], r + 100);
    }
    // Counts wrap around the window height, negative counts turning the other way.
    b.RotateRowsUp(6);
    EXPECT_EQ(b.Row(-1)[0], 99);
    b.RotateRowsUp(-1);
    EXPECT_EQ(b.Row(-1)[0], 104);
    b.RotateRowsDown(std::numeric_limits<int32_t>::min()); // up by 2^31, which is 2 modulo 6
    EXPECT_EQ(b.Row(-1)[0], 100);
}

TEST(ImageBuffer, OffsetsFollowRotatedRows) {
    ImageBuffer b;
    ASSERT_TRUE(b.Create(8, 6, 2, 2));
    b.SetReferenceRow(1);
    b.RotateRowsUp(3);
    const uint8_t* reference = b.Row(1);
    for (int32_t r = -2; r < 8; ++r) {
        EXPECT_EQ(b.RowOffset(r), b.Row(r) - reference) << "row " << r;
    }
    for (int32_t dy = -2; dy <= 2; ++dy) {
        for (int32_t dx = -2; dx <= 2; ++dx) {
            EXPECT_EQ(b.NeighbourOffset(dx, dy), b.Row(1 + dy) - reference + 2 * dx);
        }
    }
    // An offset from a content pixel of the reference row reaches the rotated neighbour.
    b.Pixels(3)[2 * 4] = 42;
    EXPECT_EQ(b.Pixels(1)[2 * 5 + b.NeighbourOffset(-1, 2)], 42);
}

TEST(ImageBuffer, NeighbourRowsBeyondTheWindowClampToTheEdgeRow) {
    ImageBuffer b;
    ASSERT_TRUE(b.Create(4, 3, 1, 1)); // window rows -1..3
    b.RotateRowsDown(1);
    b.SetReferenceRow(-1);
    EXPECT_EQ(b.NeighbourOffset(0, -2), 0);
    EXPECT_EQ(b.NeighbourOffset(1, -1), 1);
    EXPECT_EQ(b.NeighbourOffset(0, 2), b.Row(1) - b.Row(-1));
    b.SetReferenceRow(3);
    EXPECT_EQ(b.NeighbourOffset(-2, 2), -2);
    EXPECT_EQ(b.NeighbourOffset(0, 1), 0);
    EXPECT_EQ(b.NeighbourOffset(0, -1), b.Row(2) - b.Row(3));
}

// The 16-bit coverage mask of content pixel x of window row r.
uint16_t Mask(const ImageBuffer& b, int32_t r, int32_t x) {
    return static_cast<uint16_t>(b.Pixels(r)[2 * x] | b.Pixels(r)[2 * x + 1] << 8);
}

TEST(CColorInterferenceBuffer, SubPixelsUseTheCoverageMaskLayout) {
    CColorInterferenceBuffer c;
    ASSERT_TRUE(c.Create(4, 4, 2, 1));
    c.SetFirstRow(3);
    for (int32_t sy = 12; sy < 28; ++sy) {
        for (int32_t sx = 0; sx < 16; ++sx) {
            c.SetFirstRow(3);
            c.SetSubPixel(sx, sy);
            // Sub-pixel (x, y) of a pixel is bit 8 * (x / 2) + 2 * y + (1 - x % 2) of its mask.
            const int x = sx % 4;
            const int y = sy % 4;
            const uint16_t expected = static_cast<uint16_t>(1u << (8 * (x / 2) + 2 * y + (1 - x % 2)));
            for (int32_t r = 0; r < 4; ++r) {
                for (int32_t px = 0; px < 4; ++px) {
                    const bool here = r == sy / 4 - 3 && px == sx / 4;
                    ASSERT_EQ(Mask(c.Window(), r, px), here ? expected : 0) << sx << ", " << sy;
                }
            }
            EXPECT_TRUE(c.TestSubPixel(sx, sy));
            EXPECT_FALSE(c.TestSubPixel(sx ^ 1, sy));
            EXPECT_FALSE(c.TestSubPixel(sx, sy ^ 1));
        }
    }
}

TEST(CColorInterferenceBuffer, SubPixelsAboveAndLeftOfTheDrawingLandInTheMargin) {
    CColorInterferenceBuffer c;
    ASSERT_TRUE(c.Create(4, 2, 2, 1));
    c.SetSubPixel(-1, -1); // pixel (-1, -1), sub-pixel (3, 3)
    EXPECT_TRUE(c.TestSubPixel(-1, -1));
    EXPECT_EQ(c.Window().Row(-1)[1], 1u << 6);
    EXPECT_EQ(Mask(c.Window(), 0, 0), 0);
    // Beyond the margins nothing is set and nothing reads as set.
    c.SetSubPixel(-5, 0);
    c.SetSubPixel(0, -5);
    c.SetSubPixel(20, 0);
    c.SetSubPixel(0, 12);
    EXPECT_FALSE(c.TestSubPixel(-5, 0));
    EXPECT_FALSE(c.TestSubPixel(0, 12));
    int setBytes = 0;
    for (int32_t r = -1; r < 3; ++r) {
        for (int32_t i = 0; i < c.Window().RowBytes(); ++i) {
            setBytes += c.Window().Row(r)[i] != 0;
        }
    }
    EXPECT_EQ(setBytes, 1);
}

TEST(CColorInterferenceBuffer, RotateDownFollowsTheStrokeAndClearsWrappedRows) {
    CColorInterferenceBuffer c;
    ASSERT_TRUE(c.Create(3, 4, 2, 1)); // window rows -1..4
    c.SetFirstRow(10);
    MarkRows(c.Window());
    c.RotateDown(2);
    EXPECT_EQ(c.FirstRow(), 12);
    const std::vector<int> down = {101, 102, 103, 104, 0, 0};
    for (int32_t r = -1; r <= 4; ++r) {
        EXPECT_EQ(c.Window().Row(r)[0], down[static_cast<size_t>(r + 1)]) << "row " << r;
        EXPECT_EQ(c.Window().Row(r)[9], down[static_cast<size_t>(r + 1)]) << "row " << r;
    }
    c.RotateUp(3);
    EXPECT_EQ(c.FirstRow(), 9);
    const std::vector<int> up = {0, 0, 0, 101, 102, 103};
    for (int32_t r = -1; r <= 4; ++r) {
        EXPECT_EQ(c.Window().Row(r)[0], up[static_cast<size_t>(r + 1)]) << "row " << r;
    }
    // A sub-pixel keeps its drawing position across the rotation.
    c.SetSubPixel(0, 4 * 12);
    c.RotateDown(1);
    EXPECT_TRUE(c.TestSubPixel(0, 4 * 12));
}

TEST(CColorInterferenceBuffer, LongMovesAndNewFirstRowClearEverything) {
    CColorInterferenceBuffer c;
    ASSERT_TRUE(c.Create(3, 4, 2, 1));
    MarkRows(c.Window());
    c.RotateUp(6);
    EXPECT_EQ(c.FirstRow(), -6);
    EXPECT_EQ(Grid(c.Window()), std::vector<std::vector<int>>(6, std::vector<int>(5, 0)));

    MarkRows(c.Window());
    c.SetFirstRow(40);
    EXPECT_EQ(c.FirstRow(), 40);
    EXPECT_EQ(Grid(c.Window()), std::vector<std::vector<int>>(6, std::vector<int>(5, 0)));
}

} // namespace
} // namespace ts
