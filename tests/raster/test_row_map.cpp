#include "raster/rl_buffer.h"
#include "raster/row_codec.h"
#include "raster/row_map.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <random>
#include <vector>

namespace ts {
namespace {

// Rows of every kind the writer makes: one value, noise, runs long and short of a few values (some
// longer than the longest repeat code), literal stretches longer than the longest literal code.
std::vector<std::vector<uint8_t>> SampleRows(int32_t width) {
    std::mt19937 rng(7);
    std::vector<std::vector<uint8_t>> rows;
    rows.emplace_back(static_cast<size_t>(width), uint8_t{128});
    std::vector<uint8_t> noise(static_cast<size_t>(width));
    for (uint8_t& v : noise) {
        v = static_cast<uint8_t>(rng());
    }
    rows.push_back(noise);
    const uint8_t values[] = {0, 1, 2, 127, 128, 200, 255};
    for (int k = 0; k < 6; ++k) {
        std::vector<uint8_t> runs;
        while (runs.size() < static_cast<size_t>(width)) {
            const size_t length = 1 + rng() % (k < 3 ? 9 : 700);
            runs.insert(runs.end(), length, values[rng() % std::size(values)]);
        }
        runs.resize(static_cast<size_t>(width));
        rows.push_back(runs);
    }
    return rows;
}

std::vector<uint8_t> Encoding(const RLBuffer& b, int32_t row) {
    const uint8_t* p = b.RowEncoding(row);
    return {p, p + b.RowEncodedLength(row)};
}

TEST(PutMappedRow, StoresExactlyWhatPutRowOfTheMappedBytesStores) {
    std::array<std::array<uint8_t, 256>, 4> tables{};
    for (int v = 0; v < 256; ++v) {
        const auto i = static_cast<size_t>(v);
        tables[0][i] = static_cast<uint8_t>(v);                     // identity
        tables[1][i] = static_cast<uint8_t>(std::min(v + 40, 255)); // shifts, merging the top
        tables[2][i] = static_cast<uint8_t>(v < 128 ? 0 : v);       // merges the darks: new repeats
        tables[3][i] = static_cast<uint8_t>(255 - v);               // reverses
    }
    for (const int32_t width : {1, 3, 4, 37, 1202}) {
        const std::vector<std::vector<uint8_t>> rows = SampleRows(width);
        const auto height = static_cast<int32_t>(rows.size());
        RLBuffer source;
        ASSERT_TRUE(source.Create(width, height, 1, 0, 1.0f));
        for (int32_t y = 0; y < height; ++y) {
            source.PutRow(y, rows[static_cast<size_t>(y)].data());
        }
        for (size_t t = 0; t < tables.size(); ++t) {
            // Rows go code by code unless the mapping merges values into new repeats (the third table).
            int32_t byCodes = 0;
            std::vector<uint8_t> scratch(rowcodec::WorstCaseRoom(static_cast<size_t>(width)));
            for (int32_t y = 0; y < height; ++y) {
                byCodes +=
                    rowcodec::MapCodes(source.RowEncoding(y), source.RowEncodedLength(y),
                                       static_cast<size_t>(width), tables[t].data(), scratch.data()) != 0;
            }
            if (width >= 4 && t != 2) {
                EXPECT_GE(byCodes, height - 1) << width << " " << t;
            }
            RLBuffer mapped;
            RLBuffer expected;
            ASSERT_TRUE(mapped.Create(width, height, 1, 9, 1.0f));
            ASSERT_TRUE(expected.Create(width, height, 1, 9, 1.0f));
            for (int32_t y = 0; y < height; ++y) {
                std::vector<uint8_t> bytes = rows[static_cast<size_t>(y)];
                for (uint8_t& v : bytes) {
                    v = tables[t][v];
                }
                expected.PutRow(y, bytes.data());
                ASSERT_TRUE(mapped.PutMappedRow(y, source, tables[t].data()));
                EXPECT_EQ(Encoding(mapped, y), Encoding(expected, y)) << width << " " << t << " " << y;
                // Again: the row is as it should be already and stays so.
                ASSERT_TRUE(mapped.PutMappedRow(y, source, tables[t].data()));
                EXPECT_EQ(Encoding(mapped, y), Encoding(expected, y));
            }
        }
    }
}

TEST(MapCodes, LeavesToTheCallerWhatCannotBeMappedCodeByCode) {
    std::array<uint8_t, 256> identity{};
    for (int v = 0; v < 256; ++v) {
        identity[static_cast<size_t>(v)] = static_cast<uint8_t>(v);
    }
    std::vector<uint8_t> dest(64);
    // Two literal codes of one unit each: the writer would have written one code of two.
    const uint8_t split[] = {12, 0, 0x80, 1, 2, 3, 4, 0x80, 5, 6, 7, 8};
    EXPECT_EQ(rowcodec::MapCodes(split, sizeof split, 8, identity.data(), dest.data()), 0u);
    // A literal unit that the mapping makes equal to the byte before it.
    const uint8_t literal[] = {11, 0, 0x81, 1, 2, 3, 4, 5, 6, 7, 8};
    std::array<uint8_t, 256> flat = identity;
    for (int v = 5; v <= 8; ++v) {
        flat[static_cast<size_t>(v)] = 4;
    }
    EXPECT_EQ(rowcodec::MapCodes(literal, sizeof literal, 8, identity.data(), dest.data()), sizeof literal);
    EXPECT_EQ(rowcodec::MapCodes(literal, sizeof literal, 8, flat.data(), dest.data()), 0u);
    // The identity keeps a row the writer would have coded otherwise as it is: the same bytes.
    const uint8_t repeated[] = {11, 0, 0x81, 4, 4, 4, 4, 4, 4, 4, 4};
    ASSERT_EQ(rowcodec::MapCodes(repeated, sizeof repeated, 8, identity.data(), dest.data()),
              sizeof repeated);
    EXPECT_TRUE(std::equal(repeated, repeated + sizeof repeated, dest.begin()));
    EXPECT_EQ(rowcodec::MapCodes(repeated, sizeof repeated, 8, flat.data(), dest.data()), 0u);
    // A delta code, and codes that make fewer bytes than the row has.
    const uint8_t delta[] = {9, 0, 0x80, 1, 2, 3, 4, 0xA0, 0x55};
    EXPECT_EQ(rowcodec::MapCodes(delta, sizeof delta, 8, identity.data(), dest.data()), 0u);
    EXPECT_EQ(rowcodec::MapCodes(literal, sizeof literal, 12, identity.data(), dest.data()), 0u);
}

} // namespace
} // namespace ts
