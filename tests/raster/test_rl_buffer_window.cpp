// The row window of the run-length buffer and the run reader.

#include "raster/byte_stream.h"
#include "raster/image_buffer.h"
#include "raster/rl_buffer.h"
#include "raster/rl_buffer_test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <utility>
#include <vector>

namespace ts {
namespace {

using testing::Image;
using testing::Row;

// Buffer row y holds 10 y + x + 1 in pixel x (1 byte per pixel), so every window row can be checked.
Image Numbered(int32_t width, int32_t height, int32_t bpp = 1) {
    Image image(static_cast<size_t>(height), Row(static_cast<size_t>(width * bpp)));
    for (size_t y = 0; y < image.size(); ++y) {
        for (size_t i = 0; i < image[y].size(); ++i) {
            image[y][i] = static_cast<uint8_t>(10 * y + i + 1);
        }
    }
    return image;
}

// Every window row r stands for buffer row FirstRow() + r, margin rows included; rows outside the
// buffer and the margin columns are zero.
void ExpectWindowShows(const RLBuffer& buffer, const Image& model) {
    const ImageBuffer* window = buffer.Window();
    ASSERT_NE(window, nullptr);
    const int32_t m = window->Margin();
    const auto rowBytes = static_cast<size_t>(buffer.Width() * buffer.BytesPerPixel());
    const auto marginBytes = static_cast<size_t>(window->MarginBytes());
    for (int32_t r = -m; r < window->ContentRows() + m; ++r) {
        const int32_t y = window->FirstRow() + r;
        const uint8_t* row = window->Row(r);
        const Row content(row + marginBytes, row + marginBytes + rowBytes);
        if (y >= 0 && y < buffer.Height()) {
            EXPECT_EQ(content, model[static_cast<size_t>(y)])
                << "window row " << r << " (buffer row " << y << ")";
        } else {
            EXPECT_EQ(content, Row(rowBytes, 0)) << "window row " << r << " stands for no buffer row";
        }
        EXPECT_TRUE(std::all_of(row, row + marginBytes, [](uint8_t b) { return b == 0; })) << r;
        EXPECT_TRUE(std::all_of(row + marginBytes + rowBytes, row + 2 * marginBytes + rowBytes,
                                [](uint8_t b) { return b == 0; }))
            << r;
    }
}

TEST(RLBuffer, WindowHoldsRowsAboveAndBelowItsContentRows) {
    const Image image = Numbered(10, 20);
    RLBuffer buffer;
    ASSERT_TRUE(testing::MakeBuffer(buffer, image, 1));
    ASSERT_TRUE(buffer.OpenWindow(2, 4));
    const ImageBuffer* window = buffer.Window();
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(window->TotalWidth(), 14);
    EXPECT_EQ(window->TotalHeight(), 8);
    EXPECT_EQ(window->ContentRows(), 4);

    EXPECT_FALSE(buffer.OpenWindow(-1, 4));
    EXPECT_FALSE(buffer.OpenWindow(2, -4));
    EXPECT_EQ(buffer.Window(), window) << "a refused window keeps the old one";

    buffer.LoadWindow(-3); // buffer rows -5 .. 2
    EXPECT_EQ(window->FirstRow(), -3);
    ExpectWindowShows(buffer, image);
    EXPECT_TRUE(buffer.WindowHolds(-5));
    EXPECT_TRUE(buffer.WindowHolds(2));
    EXPECT_FALSE(buffer.WindowHolds(3));

    buffer.LoadWindow(6); // buffer rows 4 .. 11
    ExpectWindowShows(buffer, image);
    EXPECT_FALSE(buffer.WindowHolds(3));
    EXPECT_TRUE(buffer.WindowHolds(4));
    EXPECT_TRUE(buffer.WindowHolds(11));

    buffer.LoadWindow(17); // buffer rows 15 .. 22, the last three beyond the buffer
    ExpectWindowShows(buffer, image);

    // Pixels of several bytes start margin pixels in as well.
    const Image colour = Numbered(7, 5, 3);
    RLBuffer colourBuffer;
    ASSERT_TRUE(testing::MakeBuffer(colourBuffer, colour, 3));
    ASSERT_TRUE(colourBuffer.OpenWindow(3, 2));
    colourBuffer.LoadWindow(1);
    ASSERT_EQ(colourBuffer.Window()->MarginBytes(), 9);
    ExpectWindowShows(colourBuffer, colour);
    EXPECT_TRUE(std::equal(colour[2].begin(), colour[2].end(), colourBuffer.Window()->Pixels(1)));
}

TEST(RLBuffer, ScrollingDownWritesBackTheRowThatLeavesTheTop) {
    Image model = Numbered(10, 20);
    RLBuffer buffer;
    ASSERT_TRUE(testing::MakeBuffer(buffer, model, 1));
    ASSERT_TRUE(buffer.OpenWindow(2, 4));
    buffer.LoadWindow(-3);
    ImageBuffer* window = buffer.Window();

    // Paint buffer row 1 (window row 4) through the window.
    std::fill_n(window->Pixels(4), 10, 0xAA);
    const Row painted(10, 0xAA);
    EXPECT_EQ(testing::ReadRow(buffer, 1, true), painted) << "read through the window";
    EXPECT_EQ(testing::ReadRow(buffer, 1, false), model[1]) << "the buffer has not seen it yet";
    model[1] = painted;

    // Row 1 leaves the window when the first row passes 1 + margin.
    for (int32_t first = -2; first <= 3; ++first) {
        buffer.ScrollWindowDown(1, true);
        EXPECT_EQ(window->FirstRow(), first);
        ExpectWindowShows(buffer, model);
        EXPECT_NE(testing::ReadRow(buffer, 1), painted) << "row 1 is still in the window";
    }
    buffer.ScrollWindowDown(1, true);
    EXPECT_EQ(window->FirstRow(), 4);
    EXPECT_EQ(testing::ReadRow(buffer, 1), painted);
    ExpectWindowShows(buffer, model);

    // Without write-back the change is dropped with the row.
    std::fill_n(window->Pixels(-2), 10, 0x55); // buffer row 2
    buffer.ScrollWindowDown(3, false);
    EXPECT_EQ(window->FirstRow(), 7);
    EXPECT_EQ(testing::ReadRow(buffer, 2), model[2]);
    ExpectWindowShows(buffer, model);

    // Scrolling past the last row brings in zero rows and writes back only rows that exist.
    buffer.LoadWindow(15);
    std::fill_n(window->Pixels(4), 10, 0x77); // buffer row 19
    model[19] = Row(10, 0x77);
    buffer.ScrollWindowDown(12, true);
    EXPECT_EQ(window->FirstRow(), 27);
    ExpectWindowShows(buffer, model);
    EXPECT_EQ(testing::ReadImage(buffer), model);
}

TEST(RLBuffer, RowsComingIntoTheWindowAreWrittenWholeWithZeroMargins) {
    // Filters write into the margins and edge replication fills them; a row that comes in, whether it
    // stands for a buffer row or not, keeps nothing of what was there.
    const Image model = Numbered(7, 12, 3);
    RLBuffer buffer;
    ASSERT_TRUE(testing::MakeBuffer(buffer, model, 3));
    ASSERT_TRUE(buffer.OpenWindow(2, 3));
    ImageBuffer* window = buffer.Window();
    auto expectWholeRows = [&](const char* what) {
        ExpectWindowShows(buffer, model);
        for (int32_t r = -2; r < 5; ++r) {
            const uint8_t* row = window->Row(r);
            const size_t after = static_cast<size_t>(window->MarginBytes()) * 2 + 21;
            EXPECT_TRUE(std::all_of(row + after, row + window->RowBytes(), [](uint8_t b) { return b == 0; }))
                << what << ": the spare bytes after window row " << r;
        }
    };
    window->FillAll(0xEE);
    buffer.LoadWindow(-4);
    expectWholeRows("loaded");
    // Scrolling by the window's 7 rows replaces every row, one at a time; down 7 and up 5 walks the
    // window from above the buffer to below it.
    for (int step = 0; step < 10; ++step) {
        window->FillAll(0xEE);
        buffer.ScrollWindowDown(7, false);
        expectWholeRows("scrolled down");
        window->FillAll(0xEE);
        buffer.ScrollWindowUp(5, false);
        buffer.ScrollWindowUp(2, false);
        expectWholeRows("scrolled up");
        buffer.ScrollWindowDown(2, false);
    }
    EXPECT_EQ(window->FirstRow(), 16);
}

TEST(RLBuffer, ScrollingUpWritesBackTheRowThatLeavesTheBottom) {
    Image model = Numbered(10, 20);
    RLBuffer buffer;
    ASSERT_TRUE(testing::MakeBuffer(buffer, model, 1));
    ASSERT_TRUE(buffer.OpenWindow(2, 4));
    buffer.LoadWindow(10); // buffer rows 8 .. 15
    ImageBuffer* window = buffer.Window();

    std::fill_n(window->Pixels(5), 10, 0x3C); // buffer row 15, the bottom margin row
    model[15] = Row(10, 0x3C);
    buffer.ScrollWindowUp(1, true);
    EXPECT_EQ(window->FirstRow(), 9);
    EXPECT_EQ(testing::ReadRow(buffer, 15), model[15]);
    ExpectWindowShows(buffer, model);

    std::fill_n(window->Pixels(0), 10, 0x99); // buffer row 9, dropped
    buffer.ScrollWindowUp(6, false);
    EXPECT_EQ(window->FirstRow(), 3);
    ExpectWindowShows(buffer, model);

    buffer.ScrollWindowUp(8, true); // above the first row
    EXPECT_EQ(window->FirstRow(), -5);
    ExpectWindowShows(buffer, model);
    EXPECT_EQ(testing::ReadImage(buffer), model);
}

TEST(RLBuffer, FlushWindowStoresEveryRowThatExists) {
    Image model = Numbered(6, 5, 2);
    RLBuffer buffer;
    ASSERT_TRUE(testing::MakeBuffer(buffer, model, 2));
    ASSERT_TRUE(buffer.OpenWindow(1, 3));
    buffer.LoadWindow(-1); // buffer rows -2 .. 2
    ImageBuffer* window = buffer.Window();
    for (int32_t r = -1; r <= 3; ++r) {
        std::fill_n(window->Pixels(r), 12, static_cast<uint8_t>(0xE0 + r));
        const int32_t y = r - 1;
        if (y >= 0) {
            model[static_cast<size_t>(y)] = Row(12, static_cast<uint8_t>(0xE0 + r));
        }
    }
    buffer.FlushWindow();
    EXPECT_EQ(testing::ReadImage(buffer), model);

    buffer.CloseWindow();
    EXPECT_EQ(buffer.Window(), nullptr);
    EXPECT_EQ(testing::ReadRow(buffer, 0, true), model[0]) << "without a window rows come from the pool";
}

// The non-background pixels of a row as the run reader reports them.
std::vector<std::pair<int32_t, uint8_t>> Reported(RLBuffer& buffer, int32_t row, uint8_t background,
                                                  bool useWindow = false) {
    std::vector<std::pair<int32_t, uint8_t>> found;
    buffer.StartRow(row, useWindow);
    for (int guard = 0; guard <= buffer.Width(); ++guard) {
        const uint32_t packed = buffer.NextNot(background);
        if (RLBuffer::RunPosition(packed) < 0) {
            return found;
        }
        found.emplace_back(RLBuffer::RunPosition(packed), RLBuffer::RunValue(packed));
    }
    ADD_FAILURE() << "the reader never reached the end of row " << row;
    return found;
}

std::vector<std::pair<int32_t, uint8_t>> Expected(const Row& row, uint8_t background) {
    std::vector<std::pair<int32_t, uint8_t>> found;
    for (size_t x = 0; x < row.size(); ++x) {
        if (row[x] != background) {
            found.emplace_back(static_cast<int32_t>(x), row[x]);
        }
    }
    return found;
}

TEST(RLBuffer, RunReaderFindsEveryPixelOffTheBackground) {
    std::mt19937 rng(40);
    const size_t width = 301; // a tail after the last unit
    Image image(6, Row(width, 0));
    image[1][0] = 9;
    image[1][150] = 3;
    image[1][300] = 255;
    for (size_t x = 0; x < width; ++x) {
        image[2][x] = rng() % 3 == 0 ? static_cast<uint8_t>(rng()) : 0;
    }
    std::fill(image[3].begin() + 40, image[3].begin() + 233, 0x21); // a long repeat off the background
    image[4] = testing::RandomRow(rng, width);
    image[5] = Row(width, 0x37);
    image[5][299] = 0;
    RLBuffer buffer;
    ASSERT_TRUE(testing::MakeBuffer(buffer, image, 1));
    for (int32_t y = 0; y < 6; ++y) {
        for (uint8_t background : {uint8_t{0}, uint8_t{0x37}}) {
            EXPECT_EQ(Reported(buffer, y, background), Expected(image[static_cast<size_t>(y)], background))
                << "row " << y << " background " << int{background};
        }
    }

    // A window row is read from the window.
    ASSERT_TRUE(buffer.OpenWindow(1, 2));
    buffer.LoadWindow(2);
    Row painted = image[3];
    painted[7] = 0x44;
    std::copy(painted.begin(), painted.end(), buffer.Window()->Pixels(1));
    EXPECT_EQ(Reported(buffer, 3, 0, true), Expected(painted, 0));
    EXPECT_EQ(Reported(buffer, 3, 0, false), Expected(image[3], 0));
}

TEST(RLBuffer, RunReaderSeeksForwardThroughRuns) {
    std::mt19937 rng(41);
    Row row = testing::RandomRow(rng, 517);
    std::fill(row.begin() + 100, row.begin() + 400, 0x12);
    RLBuffer buffer;
    ASSERT_TRUE(testing::MakeBuffer(buffer, {row, Row(517, 3)}, 1));
    for (int32_t step : {1, 3, 50, 129}) {
        buffer.StartRow(0);
        for (int32_t x = step / 2; x < 517; x += step) {
            const uint32_t packed = buffer.Seek(x);
            ASSERT_EQ(RLBuffer::RunPosition(packed), x) << "step " << step;
            ASSERT_EQ(RLBuffer::RunValue(packed), row[static_cast<size_t>(x)])
                << "x " << x << " step " << step;
        }
    }
    buffer.StartRow(1);
    EXPECT_EQ(RLBuffer::RunValue(buffer.Seek(516)), 3);
}

TEST(RLBuffer, RunReaderDecodesRowsWithDeltaRuns) {
    // Width 12, one row: a literal unit, a 4-bit delta unit and a repeat of its last byte.
    const std::vector<uint8_t> row = {11, 0, 0x80, 0, 0, 0, 5, 0xE0, 0x21, 0x0F, 0x00};
    ByteWriter out;
    for (int32_t v : {12, 1, 0, 0, 1}) {
        out.PutI32(v);
    }
    out.PutU32(11);
    out.PutBytes(row.data(), row.size());
    const auto block = out.Take();
    ByteReader in(block);
    RLBuffer buffer;
    ASSERT_TRUE(buffer.ReadBlock(in));
    ASSERT_TRUE(buffer.HasDeltaCodes(0));
    // 5 then +1 +2 -1 +0: 6 8 7 7, then four repeats of 7.
    const Row decoded = {0, 0, 0, 5, 6, 8, 7, 7, 7, 7, 7, 7};
    EXPECT_EQ(testing::ReadRow(buffer, 0), decoded);
    EXPECT_EQ(Reported(buffer, 0, 7), Expected(decoded, 7));
    buffer.StartRow(0);
    EXPECT_EQ(RLBuffer::RunValue(buffer.Seek(5)), 8);
    EXPECT_EQ(RLBuffer::RunValue(buffer.Seek(11)), 7);
}

} // namespace
} // namespace ts
