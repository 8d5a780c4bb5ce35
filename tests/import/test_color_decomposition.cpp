// Lighting and colour taken from a picture: the level follows the pixel's brightness against the paper,
// and the colour, lit by that level as the compositor lights it, gives the picture back.

#include "import/color_decomposition.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>

namespace ts {
namespace {

// The compositor's lighting of a surface byte: towards white above 128, towards black below, by twice
// the level's distance from 128 (at most full).
int32_t Lit(int32_t surface, int32_t level) {
    const int32_t o = std::min(255, level >= 128 ? 2 * (level - 128) : 2 * (128 - level));
    const int32_t tint = level >= 128 ? 255 : 0;
    auto mul = [](int32_t a, int32_t b) { return std::min(255, (a * b * 2 + 255) / 510); };
    return mul(255 - o, surface) + mul(o, tint);
}

TEST(ColorDecomposition, LevelIsNeutralAtThePaperBrightnessAndFollowsTheLumaEitherSide) {
    for (int32_t c : {0, 1, 2, 100, 200, 254, 255}) {
        EXPECT_EQ(LightingLevelOf(c, c), 128) << "reference " << c;
    }
    // Over white paper darker pixels shade, black most of all; over grey paper lighter ones light up.
    EXPECT_EQ(LightingLevelOf(255, 128), 255);
    EXPECT_EQ(LightingLevelOf(0, 255), 1);
    EXPECT_LT(LightingLevelOf(100, 255), LightingLevelOf(200, 255));
    EXPECT_GT(LightingLevelOf(200, 128), 128);
    // Paper as dark as it gets: the shading side divides by at least one, never by zero or a negative.
    EXPECT_EQ(LightingLevelOf(0, 1), 1);
    EXPECT_EQ(LightingLevelOf(0, 0), 128);
    EXPECT_EQ(LightingLevelOf(255, 0), 255);
}

TEST(ColorDecomposition, ReferenceComesFromThePaperBrightnessAndLumaWeighsGreenMost) {
    EXPECT_EQ(ReferenceBrightness(0x00FFFFFF), 255);
    EXPECT_EQ(ReferenceBrightness(0), 0);
    EXPECT_EQ(ReferenceBrightness(0x00808080), (120 * 136) >> 7);
    EXPECT_EQ(PictureLuma(255, 255, 255), 255);
    EXPECT_GT(PictureLuma(0, 255, 0), PictureLuma(255, 0, 0));
    EXPECT_GT(PictureLuma(255, 0, 0), PictureLuma(0, 0, 255));
    // Full strength at level 0 (not 256) and at 255 is the most there is.
    EXPECT_EQ(LightingStrength(0), 255);
    EXPECT_EQ(LightingStrength(128), 0);
    EXPECT_EQ(LightingStrength(255), 254);
}

TEST(ColorDecomposition, LightingAndColourRecompositedGiveTheSourceBack) {
    int32_t worst = 0;
    int64_t total = 0;
    int32_t count = 0;
    for (int32_t reference : {255, 230, 180}) {
        for (int32_t r = 0; r < 256; r += 15) {
            for (int32_t g = 0; g < 256; g += 15) {
                for (int32_t b = 0; b < 256; b += 15) {
                    const DecomposedPixel d =
                        DecomposePixel(static_cast<uint8_t>(r), static_cast<uint8_t>(g),
                                       static_cast<uint8_t>(b), reference, true, 0x00FFFFFF, 0);
                    const int32_t error = std::abs(Lit(d.r, d.level) - r) + std::abs(Lit(d.g, d.level) - g) +
                                          std::abs(Lit(d.b, d.level) - b);
                    worst = std::max(worst, error);
                    total += error;
                    ++count;
                }
            }
        }
    }
    EXPECT_LE(total / count, 1) << "mean error over the colour cube";
    EXPECT_LE(worst, 3)
        << "saturated colours too: the level gives way where the exact colour would leave 0..255";
}

TEST(ColorDecomposition, BlackUnderFullShadeKeepsItsBaseColourAndWhiteNeedsNoLighting) {
    // Black over mid-grey paper: level 1, strength 254; still reproduced.
    const DecomposedPixel black = DecomposePixel(0, 0, 0, 128, true, 0x00FFFFFF, 0);
    EXPECT_LE(Lit(black.r, black.level) + Lit(black.g, black.level) + Lit(black.b, black.level), 6);
    // Paper-white over white paper stays white, unlit.
    const DecomposedPixel white = DecomposePixel(255, 255, 255, 255, true, 0x00FFFFFF, 0);
    EXPECT_EQ(white.level, 128);
    EXPECT_EQ(white.r, 255);
    // Without lighting the colour is the source's own.
    const DecomposedPixel plain = DecomposePixel(10, 120, 230, 255, false, 0x00FFFFFF, 0);
    EXPECT_EQ(plain.level, 128);
    EXPECT_EQ(plain.r, 10);
    EXPECT_EQ(plain.g, 120);
    EXPECT_EQ(plain.b, 230);
}

class DecomposeLayer : public ::testing::Test {
protected:
    DecomposeLayer() {
        picture.Create(20, 17);
        for (int32_t y = 0; y < 17; ++y) {
            for (int32_t x = 0; x < 20; ++x) {
                picture.SetColor(x, y, x < 10 ? 0x00204080 : 0x00F0F0F0);
            }
        }
    }
    Image24 picture;
    LayerObject layer;
};

TEST_F(DecomposeLayer, WritesWhatEachBoxAsksForAndStepsEveryEightRows) {
    DecomposeOptions options;
    EXPECT_FALSE(DecomposePicture(picture, layer, options)) << "nothing asked for";
    EXPECT_FALSE(layer.color);

    options.lighting = true;
    options.neutralColor = NeutralSurfaceColor(0x00FFFFFF);
    CountingProgressMeter meter;
    ASSERT_TRUE(DecomposePicture(picture, layer, options, &meter));
    EXPECT_EQ(meter.Done(), 3) << "17 rows: after rows 8, 16 and the last";
    ASSERT_TRUE(layer.color && layer.shadow);
    uint8_t row[20];
    layer.shadow->lighting->ReadRow(5, row);
    EXPECT_LT(row[2], 128) << "the dark half shades";
    layer.color->red->ReadRow(5, row);
    EXPECT_NEAR(row[2], 128, 1) << "lighting alone: white backdrop at brightness 120 of 240 is mid grey";
    EXPECT_EQ(row[15], row[2]);
    uint8_t levels[20];
    layer.shadow->lighting->ReadRow(0, levels);

    DecomposeOptions gray;
    gray.grayScale = true;
    ASSERT_TRUE(DecomposePicture(picture, layer, gray));
    layer.color->green->ReadRow(0, row);
    EXPECT_EQ(row[0], levels[0]) << "the lighting as a grey";
    EXPECT_EQ(row[19], levels[19]);
    layer.color->amount->ReadRow(0, row);
    EXPECT_EQ(row[0], 255);
}

} // namespace
} // namespace ts
