#include "raster/fast_bitonal_mask.h"

#include <gtest/gtest.h>

#include <limits>

namespace ts {
namespace {

// Counts the set bits of a whole mask, padding words included.
int SetBits(const FastBitonalMask& mask) {
    int n = 0;
    for (int32_t y = 0; y < mask.Height(); ++y) {
        for (int32_t w = 0; w < mask.WordsPerRow(); ++w) {
            n += __builtin_popcount(mask.Row(y)[w]);
        }
    }
    return n;
}

TEST(FastBitonalMask, WidthOf32HasTwoWordsPerRow) {
    FastBitonalMask mask;
    ASSERT_TRUE(mask.Resize(32, 3));
    EXPECT_EQ(mask.WordsPerRow(), 2);
    mask.SetBit(31, 1);
    EXPECT_EQ(mask.Row(1)[0], 0x80000000u);
    EXPECT_EQ(mask.Row(1)[1], 0u);
    mask.SetBit(0, 2);
    EXPECT_EQ(mask.Row(2)[0], 1u);
    EXPECT_EQ(mask.Row(1) + 2, mask.Row(2));

    for (const auto& [width, words] : {std::pair{0, 1}, {31, 1}, {63, 2}, {64, 3}}) {
        ASSERT_TRUE(mask.Resize(width, 2));
        EXPECT_EQ(mask.WordsPerRow(), words) << "width " << width;
    }
}

TEST(FastBitonalMask, BitsAndRowsSetAndClearIndependently) {
    FastBitonalMask mask;
    ASSERT_TRUE(mask.Resize(70, 4));
    mask.SetBit(69, 3);
    mask.SetBit(32, 0);
    EXPECT_TRUE(mask.TestBit(69, 3));
    EXPECT_TRUE(mask.TestBit(32, 0));
    EXPECT_FALSE(mask.TestBit(68, 3));
    EXPECT_FALSE(mask.TestBit(69, 2));
    EXPECT_EQ(mask.Row(0)[1], 1u);
    EXPECT_EQ(SetBits(mask), 2);
    mask.ClearBit(69, 3);
    EXPECT_FALSE(mask.TestBit(69, 3));
    EXPECT_TRUE(mask.TestBit(32, 0));

    mask.SetRect(0, 1, 70, 3);
    mask.ClearRow(1);
    EXPECT_EQ(SetBits(mask), 1 + 70);
    EXPECT_TRUE(mask.TestBit(0, 2));
}

TEST(FastBitonalMask, ResizeToSameSizeClearsAndKeepsMemory) {
    FastBitonalMask mask;
    ASSERT_TRUE(mask.Resize(40, 5));
    const uint32_t* before = mask.Row(0);
    mask.SetRect(0, 0, 40, 5);
    ASSERT_TRUE(mask.Resize(40, 5));
    EXPECT_EQ(mask.Row(0), before);
    EXPECT_EQ(SetBits(mask), 0);
}

TEST(FastBitonalMask, ResizeToNewSizeStartsClear) {
    FastBitonalMask mask;
    ASSERT_TRUE(mask.Resize(40, 5));
    mask.SetRect(0, 0, 40, 5);
    ASSERT_TRUE(mask.Resize(100, 7));
    EXPECT_EQ(mask.Width(), 100);
    EXPECT_EQ(mask.Height(), 7);
    EXPECT_EQ(SetBits(mask), 0);
    mask.SetBit(99, 6);
    EXPECT_TRUE(mask.TestBit(99, 6));
}

TEST(FastBitonalMask, ResizeRefusesNegativeAndHugeSizesAndKeepsTheMask) {
    FastBitonalMask mask;
    ASSERT_TRUE(mask.Resize(10, 2));
    mask.SetBit(3, 1);
    const int32_t big = std::numeric_limits<int32_t>::max();
    EXPECT_FALSE(mask.Resize(-1, 2));
    EXPECT_FALSE(mask.Resize(10, -1));
    EXPECT_FALSE(mask.Resize(big, big));
    EXPECT_FALSE(mask.Resize(1 << 20, 1 << 16)); // 8 GiB of words
    EXPECT_EQ(mask.Width(), 10);
    EXPECT_EQ(mask.Height(), 2);
    EXPECT_TRUE(mask.TestBit(3, 1));
}

TEST(FastBitonalMask, SetRectMatchesSettingEachBit) {
    // Every column span over three words, including empty ones and those that start or end on word
    // boundaries; the rows above and below stay clear.
    FastBitonalMask mask;
    FastBitonalMask reference;
    ASSERT_TRUE(mask.Resize(96, 3));
    ASSERT_TRUE(reference.Resize(96, 3));
    for (int32_t left = 0; left <= 96; ++left) {
        for (int32_t right = left; right <= 96; ++right) {
            mask.Clear();
            reference.Clear();
            mask.SetRect(left, 1, right, 2);
            for (int32_t x = left; x < right; ++x) {
                reference.SetBit(x, 1);
            }
            for (int32_t y = 0; y < 3; ++y) {
                for (int32_t w = 0; w < 4; ++w) {
                    ASSERT_EQ(mask.Row(y)[w], reference.Row(y)[w])
                        << "left " << left << " right " << right << " row " << y << " word " << w;
                }
            }
        }
    }
}

} // namespace
} // namespace ts
