#include "raster/color_spaces.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace ts {
namespace {

TEST(ColorSpaces, KnownColours) {
    EXPECT_EQ(RgbToHsb(MakeColor(255, 0, 0)), (Hsb{0, 240, 120}));
    EXPECT_EQ(RgbToHsb(MakeColor(128, 128, 128)), (Hsb{160, 0, 120}));
    EXPECT_EQ(RgbToHsb(MakeColor(0, 0, 255)).h, 160);
    EXPECT_EQ(RgbToHsb(MakeColor(0, 255, 0)).h, 80);
    EXPECT_EQ(HsbToRgb(Hsb{0, 240, 120}), MakeColor(255, 0, 0));
    EXPECT_EQ(HsbToRgb(Hsb{160, 0, 240}), MakeColor(255, 255, 255));
    EXPECT_EQ(HsbToRgb(Hsb{160, 0, 0}), MakeColor(0, 0, 0));
    EXPECT_EQ(UnpackHsb(PackHsb(Hsb{12, 34, 56})), (Hsb{12, 34, 56}));
}

// Every 24-bit colour converts into range, and back to within the rounding of the 0..240 scale.
TEST(ColorSpaces, EveryColourRoundTripsWithinTheScale) {
    int worst = 0;
    for (uint32_t c = 0; c < (1u << 24); c += 7) {
        const Hsb hsb = RgbToHsb(c);
        ASSERT_TRUE(hsb.h >= 0 && hsb.h <= 240 && hsb.s >= 0 && hsb.s <= 240 && hsb.b >= 0 && hsb.b <= 240)
            << std::hex << c;
        const uint32_t back = HsbToRgb(hsb);
        for (int shift = 0; shift < 24; shift += 8) {
            const int diff =
                std::abs(static_cast<int>((c >> shift) & 0xFF) - static_cast<int>((back >> shift) & 0xFF));
            worst = std::max(worst, diff);
        }
    }
    // One step of 240 is 255 / 240 of a byte; hue and saturation steps on dark or pale colours add a few.
    EXPECT_LE(worst, 8);
}

} // namespace
} // namespace ts
