#include "platform/image24.h"

#include <gtest/gtest.h>

namespace ts {
namespace {

TEST(Image24, RowsArePaddedToFourBytesAndPixelsAreBlueGreenRed) {
    Image24 image;
    ASSERT_TRUE(image.Create(5, 3));
    EXPECT_EQ(image.Stride(), 16);
    EXPECT_EQ(image.Pixels().size(), 48u);
    image.SetColor(4, 2, 0x00112233);
    EXPECT_EQ(image.Pixel(4, 2)[0], 0x11);
    EXPECT_EQ(image.Pixel(4, 2)[2], 0x33);
    EXPECT_EQ(image.Row(2) + 12, image.Pixel(4, 2));
    EXPECT_EQ(image.ColorAt(4, 2), 0x00112233u);
    EXPECT_EQ(image.ColorAt(0, 0), 0u);
}

TEST(Image24, RefusesEmptyAndOversizedImagesKeepingWhatItHad) {
    Image24 image;
    ASSERT_TRUE(image.Create(2, 2));
    image.SetColor(1, 1, 0x00FFFFFF);
    EXPECT_FALSE(image.Create(0, 10));
    EXPECT_FALSE(image.Create(10, -1));
    // 2^31 bytes and more: 65536 x 10923 rows of 196608 bytes is just over.
    EXPECT_FALSE(image.Create(65536, 10923));
    EXPECT_FALSE(image.Create(INT32_MAX, INT32_MAX));
    EXPECT_FALSE(image.Create(INT32_MAX, 1));
    EXPECT_EQ(image.Width(), 2);
    EXPECT_EQ(image.ColorAt(1, 1), 0x00FFFFFFu);
}

} // namespace
} // namespace ts
