// The sparse buffer: rows of fixed-size elements behind a presence bitmap.

#include "raster/rl_buffer_test_support.h"
#include "raster/sparse_buffer.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <map>
#include <memory>
#include <random>
#include <vector>

namespace ts {
namespace {

using Bytes = std::vector<uint8_t>;
// Present elements of one row: element index -> payload.
using SparseRow = std::map<int32_t, Bytes>;

void StoreRow(SparseBuffer& buffer, int32_t row, const SparseRow& elements) {
    buffer.ClearWorkingRow();
    for (const auto& [x, payload] : elements) {
        buffer.SetPresent(x, true);
        std::memcpy(buffer.Element(x), payload.data(), payload.size());
    }
    ASSERT_TRUE(buffer.PutRow(row)) << "row " << row;
}

// Reads a row back and checks bitmap and elements, absent elements zero.
void ExpectRow(SparseBuffer& buffer, int32_t row, const SparseRow& elements) {
    // Leave something behind in the working row first: GetRow must give back a clean row.
    std::memset(buffer.WorkingRow(), 0xA5, buffer.RawRowLength());
    std::memset(buffer.PresenceBitmap(), 0xA5, buffer.BitmapBytes());
    buffer.GetRow(row);
    const auto size = static_cast<size_t>(buffer.ElementSize());
    for (int32_t x = 0; x < buffer.Width(); ++x) {
        const auto it = elements.find(x);
        ASSERT_EQ(buffer.IsPresent(x), it != elements.end()) << "row " << row << " element " << x;
        const Bytes got(buffer.Element(x), buffer.Element(x) + size);
        ASSERT_EQ(got, it != elements.end() ? it->second : Bytes(size, 0))
            << "row " << row << " element " << x;
    }
}

Bytes Payload(std::mt19937& rng, size_t size) {
    Bytes payload(size);
    for (auto& b : payload) {
        b = static_cast<uint8_t>(rng() | 1);
    }
    return payload;
}

TEST(SparseBuffer, StoredElementsComeBackAndAbsentOnesAreZero) {
    std::mt19937 rng(50);
    SparseBuffer buffer;
    ASSERT_TRUE(buffer.Create(100, 6, 8, 1.5f));
    EXPECT_EQ(buffer.Mode(), CCompressedBuffer::kModeSparse);
    EXPECT_EQ(buffer.BitmapBytes(), 13u);
    for (int32_t y = 0; y < 6; ++y) {
        ExpectRow(buffer, y, {});
    }
    SparseBuffer refused;
    for (int32_t size : {0, 3, 5, 16}) {
        EXPECT_FALSE(refused.Create(100, 6, size, 1.5f)) << "element size " << size;
    }
    EXPECT_FALSE(refused.Create(0, 6, 8, 1.5f));
    EXPECT_FALSE(refused.Create(100, -1, 8, 1.5f));

    SparseRow row;
    for (int32_t x : {0, 7, 8, 63, 99}) {
        row[x] = Payload(rng, 8);
    }
    StoreRow(buffer, 2, row);
    // The bitmap holds the same bits again after the write.
    for (int32_t x = 0; x < 100; ++x) {
        EXPECT_EQ(buffer.IsPresent(x), row.count(x) == 1) << x;
    }
    ExpectRow(buffer, 2, row);
    ExpectRow(buffer, 1, {});
    ExpectRow(buffer, 3, {});
}

TEST(SparseBuffer, RowsAreStoredAsBitmapRunsAndPayloads) {
    SparseBuffer buffer;
    ASSERT_TRUE(buffer.Create(16, 2, 8, 1.5f));
    const Bytes payload = {1, 2, 3, 4, 5, 6, 7, 8};
    StoreRow(buffer, 1, {{0, payload}});
    // Bitmap 01 00 00: a literal run of one byte, then a zero run of two; then element 0.
    const Bytes expected = {13, 0, 0x81, 0x01, 0x02, 1, 2, 3, 4, 5, 6, 7, 8};
    EXPECT_EQ(Bytes(buffer.RowEncoding(1), buffer.RowEncoding(1) + buffer.RowEncodedLength(1)), expected);

    // Zero runs close at 127 bytes: 249 zero bytes, then 0x80, then one zero byte.
    SparseBuffer wide;
    ASSERT_TRUE(wide.Create(2000, 1, 2, 1.5f));
    ASSERT_EQ(wide.BitmapBytes(), 251u);
    StoreRow(wide, 0, {{1999, {0xAB, 0xCD}}});
    const Bytes wideExpected = {9, 0, 0x7F, 0x7A, 0x81, 0x80, 0x01, 0xAB, 0xCD};
    EXPECT_EQ(Bytes(wide.RowEncoding(0), wide.RowEncoding(0) + wide.RowEncodedLength(0)), wideExpected);
    ExpectRow(wide, 0, {{1999, {0xAB, 0xCD}}});
}

TEST(SparseBuffer, MalformedRowsAreRefused) {
    // Width 16, 8-byte elements: 3 bitmap bytes.
    auto decode = [](const Bytes& encoded) {
        const auto copy = std::make_unique<uint8_t[]>(encoded.size());
        std::memcpy(copy.get(), encoded.data(), encoded.size());
        const auto bitmap = std::make_unique<uint8_t[]>(3);
        const auto elements = std::make_unique<uint8_t[]>(16 * 8);
        return SparseBuffer::DecodeSparse(copy.get(), encoded.size(), 3, 16, 3, bitmap.get(), elements.get());
    };
    const Bytes good = {13, 0, 0x81, 0x01, 0x02, 1, 2, 3, 4, 5, 6, 7, 8};
    ASSERT_TRUE(decode(good));
    Bytes cut = good;
    cut.pop_back();
    EXPECT_FALSE(decode(cut)) << "length beyond the bytes available";
    cut[0] = 12;
    EXPECT_FALSE(decode(cut)) << "payload runs past the row";
    EXPECT_FALSE(decode({6, 0, 0x81, 0x01, 0x03, 0})) << "zero run past the bitmap";
    EXPECT_FALSE(decode({7, 0, 0x84, 0x01, 0, 0, 0})) << "literal run past the bitmap";
    EXPECT_FALSE(decode({4, 0, 0x81, 0x01})) << "bitmap cut short";
    EXPECT_FALSE(decode({1, 0, 0x03})) << "length below 2";
    EXPECT_FALSE(decode({13, 0, 0x02, 0x81, 0x10, 1, 2, 3, 4, 5, 6, 7, 8})) << "element beyond the width";
    EXPECT_FALSE(decode({4, 0, 0x03, 9})) << "bytes left after the payloads";
}

TEST(SparseBuffer, RandomStoresInAnyOrderKeepEveryRow) {
    std::mt19937 rng(51);
    for (int32_t size : {1, 2, 4, 8}) {
        const int32_t width = 90;
        const int32_t height = 17;
        SparseBuffer buffer;
        ASSERT_TRUE(buffer.Create(width, height, size, 1.5f));
        std::vector<SparseRow> model(static_cast<size_t>(height));
        for (int step = 0; step < 200; ++step) {
            const auto y = static_cast<int32_t>(rng() % static_cast<uint32_t>(height));
            SparseRow row;
            const uint32_t density = rng() % 4; // empty rows up to a third of the elements present
            for (int32_t x = 0; x < width; ++x) {
                if (density != 0 && rng() % (3 * (4 - density)) == 0) {
                    row[x] = Payload(rng, static_cast<size_t>(size));
                }
            }
            ASSERT_NO_FATAL_FAILURE(StoreRow(buffer, y, row));
            model[static_cast<size_t>(y)] = std::move(row);
            ASSERT_NO_FATAL_FAILURE(testing::ExpectRingLayout(buffer, false));
            for (int32_t r = 0; r < height; ++r) {
                ASSERT_NO_FATAL_FAILURE(ExpectRow(buffer, r, model[static_cast<size_t>(r)]))
                    << "element size " << size << " step " << step;
            }
        }
    }
}

TEST(SparseBuffer, ARowThatStillFitsIsStoredInPlace) {
    std::mt19937 rng(52);
    SparseBuffer buffer;
    ASSERT_TRUE(buffer.Create(64, 8, 4, 8.0f));
    std::vector<SparseRow> model(8);
    for (int32_t y = 0; y < 8; ++y) {
        for (int32_t x = 0; x < 64; x += 3) {
            model[static_cast<size_t>(y)][x] = Payload(rng, 4);
        }
        StoreRow(buffer, y, model[static_cast<size_t>(y)]);
    }
    const uint64_t moved = buffer.RowsMoved();
    const size_t offset = buffer.RowOffset(3);
    // Fewer elements than before: the new encoding fits where the old one was.
    model[3] = {{5, Payload(rng, 4)}, {40, Payload(rng, 4)}};
    StoreRow(buffer, 3, model[3]);
    EXPECT_EQ(buffer.RowOffset(3), offset);
    EXPECT_EQ(buffer.RowsMoved(), moved);
    testing::ExpectRingLayout(buffer, false);
    for (int32_t y = 0; y < 8; ++y) {
        ExpectRow(buffer, y, model[static_cast<size_t>(y)]);
    }
}

} // namespace
} // namespace ts
