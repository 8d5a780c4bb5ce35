#pragma once

// Helpers shared by the run-length buffer tests: a plain row-by-row model of an image, random row
// content as painting makes it, and a check of the pool's ring layout.

#include "raster/compressed_buffer.h"
#include "raster/rl_buffer.h"
#include "raster/row_codec.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <vector>

namespace ts::testing {

using Row = std::vector<uint8_t>;
using Image = std::vector<Row>;

// Flat stretches, short runs and noise mixed, so rows both shrink and grow when rewritten.
inline Row RandomRow(std::mt19937& rng, size_t length) {
    Row row;
    row.reserve(length);
    while (row.size() < length) {
        const size_t n = std::min<size_t>(1 + rng() % 90, length - row.size());
        const uint8_t value = static_cast<uint8_t>(rng());
        switch (rng() % 3) {
        case 0:
            row.insert(row.end(), n, value);
            break;
        case 1:
            for (size_t i = 0; i < n; ++i) {
                row.push_back(static_cast<uint8_t>(rng()));
            }
            break;
        default:
            for (size_t i = 0; i < n; ++i) {
                row.push_back(static_cast<uint8_t>(value + i / 7));
            }
            break;
        }
    }
    return row;
}

inline Row NoiseRow(std::mt19937& rng, size_t length) {
    Row row(length);
    for (auto& b : row) {
        b = static_cast<uint8_t>(rng());
    }
    return row;
}

inline Image RandomImage(std::mt19937& rng, int32_t width, int32_t height, int32_t bpp) {
    Image image;
    for (int32_t y = 0; y < height; ++y) {
        image.push_back(RandomRow(rng, static_cast<size_t>(width) * static_cast<size_t>(bpp)));
    }
    return image;
}

// Decodes every row into a block of exactly its raw length (so a sanitizer sees any overrun).
inline Image ReadImage(RLBuffer& buffer) {
    Image image;
    for (int32_t y = 0; y < buffer.Height(); ++y) {
        Row row(buffer.RawRowLength());
        buffer.GetRow(y, row.data());
        image.push_back(std::move(row));
    }
    return image;
}

inline Row ReadRow(RLBuffer& buffer, int32_t y, bool useWindow = false) {
    Row row(buffer.RawRowLength());
    buffer.GetRow(y, row.data(), useWindow);
    return row;
}

inline bool WriteImage(RLBuffer& buffer, const Image& image) {
    bool ok = true;
    for (size_t y = 0; y < image.size(); ++y) {
        ok = buffer.PutRow(static_cast<int32_t>(y), image[y].data()) && ok;
    }
    return ok;
}

// Makes a buffer holding the image (pool factor as given, so tests can start tight).
inline bool MakeBuffer(RLBuffer& buffer, const Image& image, int32_t bpp, float poolFactor = 4.0f) {
    const auto width = static_cast<int32_t>(image.at(0).size() / static_cast<size_t>(bpp));
    return buffer.Create(width, static_cast<int32_t>(image.size()), bpp, 0, poolFactor) &&
           WriteImage(buffer, image);
}

// The pool layout: reading from the end of the gap, rows writeHead + 1 .. height - 1, 0 .. writeHead
// follow each other with at most one wrap to lower memory; none overlaps another or the pool end.
// With contiguous set, rows that follow each other in memory also touch (run-length mode).
inline void ExpectRingLayout(const CCompressedBuffer& buffer, bool contiguous = true) {
    const int32_t height = buffer.Height();
    const int32_t head = buffer.WriteHead();
    ASSERT_GE(head, 0);
    ASSERT_LT(head, height);
    const size_t first = buffer.RowOffset((head + 1) % height);
    size_t previousEnd = first;
    bool wrapped = false;
    for (int32_t i = 1; i <= height; ++i) {
        const int32_t row = (head + i) % height;
        const size_t offset = buffer.RowOffset(row);
        const size_t length = buffer.RowEncodedLength(row);
        ASSERT_GE(length, rowcodec::kEmptyRowLength) << "row " << row;
        ASSERT_EQ(rowcodec::StoredLength(buffer.RowEncoding(row)), length) << "row " << row;
        ASSERT_LE(offset + length, buffer.Capacity()) << "row " << row << " crosses the pool end";
        if (i > 1 && offset < previousEnd) {
            ASSERT_FALSE(wrapped) << "rows wrap twice at row " << row;
            wrapped = true;
        } else if (contiguous && i > 1) {
            EXPECT_EQ(offset, previousEnd) << "hole before row " << row;
        }
        if (wrapped) {
            ASSERT_LE(offset + length, first) << "row " << row << " overlaps the rows after the gap";
        }
        previousEnd = offset + length;
    }
}

inline uint32_t SumOfEncodingBytes(const CCompressedBuffer& buffer) {
    uint32_t sum = 0;
    for (int32_t y = 0; y < buffer.Height(); ++y) {
        const uint8_t* encoding = buffer.RowEncoding(y);
        for (size_t i = 0; i < buffer.RowEncodedLength(y); ++i) {
            sum += encoding[i];
        }
    }
    return sum;
}

} // namespace ts::testing
