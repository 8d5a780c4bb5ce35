#include "raster/byte_bit_counter.h"
#include "raster/pixel_tables.h"

#include <gtest/gtest.h>

#include <array>
#include <bit>
#include <cmath>
#include <iterator>

namespace ts {
namespace {

TEST(ProductTable, KnownEntriesRoundToNearest) {
    EXPECT_EQ(Mul8(255, 255), 255);
    EXPECT_EQ(Mul8(128, 128), 64);
    EXPECT_EQ(Mul8(1, 127), 0);
    EXPECT_EQ(Mul8(1, 128), 1);
    EXPECT_EQ(Mul8(0, 255), 0);
    EXPECT_EQ(Mul8(200, 255), 200);
}

TEST(ProductTable, EveryEntryIsTheRoundedProductOver255) {
    for (int i = 0; i < 256; ++i) {
        for (int j = 0; j < 256; ++j) {
            const double expected = std::min(255.0, std::floor(i * j / 255.0 + 0.5));
            ASSERT_EQ(Mul8(static_cast<uint8_t>(i), static_cast<uint8_t>(j)), static_cast<int>(expected))
                << i << " x " << j;
        }
    }
}

TEST(LowMaskTable, EntriesFollowThePowerOfTwoRanges) {
    // j for 0-1, then 1 for 2-3, 3 for 4-7, ... 31 for 32-63, and 63 from 64 on.
    const int j[] = {0, 1, 2, 3, 4, 7, 8, 15, 16, 31, 32, 63, 64, 127, 128, 255};
    const int mask[] = {0, 1, 1, 1, 3, 3, 7, 7, 15, 15, 31, 31, 63, 63, 63, 63};
    for (size_t i = 0; i < std::size(j); ++i) {
        EXPECT_EQ(LowMask(static_cast<uint8_t>(j[i])), mask[i]) << "j = " << j[i];
    }
}

TEST(PixelClamp, ClampsSumsToByteRange) {
    EXPECT_EQ(kPixelClamp.entry[511], 0);
    EXPECT_EQ(kPixelClamp.entry[513], 1);
    EXPECT_EQ(kPixelClamp.entry[1023], 255);
    EXPECT_EQ(ClampAdd(10, 5), 15);
    EXPECT_EQ(ClampAdd(10, -20), 0);
    EXPECT_EQ(ClampAdd(200, 100), 255);
    EXPECT_EQ(ClampAdd(0, -512), 0);
    EXPECT_EQ(ClampAdd(255, 256), 255);
}

TEST(RandomTables, BytesAreLowBytesOfTheGeneratorFromSeedOne) {
    // Results 1-10 of seed = seed * 214013 + 2531011, (seed >> 16) & 0x7FFF from seed 1 are
    // 41, 18467, 6334, 26500, 19169, 15724, 11478, 29358, 26962, 24464.
    const std::array<uint8_t, 10> expected = {0x29, 0x23, 0xBE, 0x84, 0xE1, 0x6C, 0xD6, 0xAE, 0x52, 0x90};
    for (size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(RandomByte(i), expected[i]) << "byte " << i;
    }
}

TEST(RandomTables, IndexWrapsEvery16384Bytes) {
    EXPECT_EQ(RandomTables::kSize, 16384u);
    for (size_t i : {size_t{0}, size_t{5}, size_t{16383}}) {
        EXPECT_EQ(RandomByte(i + 16384), RandomByte(i));
        EXPECT_EQ(RandomByte(i + 3 * 16384), RandomByte(i));
    }
}

TEST(ByteBitCounter, CountsSetBitsOfEveryByte) {
    EXPECT_EQ(kByteBitCounter[0], 0);
    EXPECT_EQ(kByteBitCounter[255], 8);
    for (int i = 0; i < 256; ++i) {
        ASSERT_EQ(kByteBitCounter[static_cast<uint8_t>(i)], std::popcount(static_cast<unsigned>(i))) << i;
    }
    EXPECT_EQ(CountMaskBits(0xFFFF), 16);
    EXPECT_EQ(CountMaskBits(0x8001), 2);
    // Words of every density, with the top and bottom bits that a carry between bytes would lose.
    uint64_t v = 0x9E3779B97F4A7C15ull;
    for (int i = 0; i < 2000; ++i) {
        v ^= v << 13;
        v ^= v >> 7;
        v ^= v << 17;
        const uint64_t word = i % 3 == 0 ? v & (v >> 1) : i % 3 == 1 ? v | (v << 1) : v;
        ASSERT_EQ(CountBits64(word), std::popcount(word)) << std::hex << word;
    }
    EXPECT_EQ(CountBits64(~0ull), 64);
    EXPECT_EQ(CountBits64(0x8000000000000001ull), 2);
}

} // namespace
} // namespace ts
