#include "raster/color_spaces.h"
#include "raster/pixel_tables.h"
#include "raster/super_bit_buffer.h"
#include "render/brush_ts.h"
#include "render/round_cursor.h"
#include "render/stroke_rules.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdlib>

namespace ts {
namespace {

using stroke::ColorPixel;

TEST(BrushTS, EvenSizesAreUsedAsTheNextOddOneAndTheZoomScalesTheFootprint) {
    BrushTS brush;
    EXPECT_EQ(brush.Size(), 51);
    brush.SetSize(4);
    EXPECT_EQ(brush.Size(), 5);
    EXPECT_EQ(brush.Side(), 7);
    brush.SetSize(9, 2); // 9 / 2 = 4, used as 5
    EXPECT_EQ(brush.Side(), 7);
    brush.SetSize(3, -2); // 6, used as 7
    EXPECT_EQ(brush.Side(), 9);
    EXPECT_EQ(brush.Cursor().Size(), 7);
    brush.SetSize(0);
    EXPECT_EQ(brush.Size(), 1);
    EXPECT_EQ(brush.Side(), 3);
}

// Sub-pixel (sx, sy) of mask pixel (x, y), in quarter cells of the whole mask.
bool Covered(const BrushTS& brush, int32_t phase, int32_t qx, int32_t qy) {
    const uint16_t m = brush.Mask(phase)[(qy / 4) * brush.Side() + qx / 4];
    return (m >> SuperBitBuffer::SubPixelBit(qx % 4, qy % 4)) & 1;
}

TEST(BrushTS, EveryPhaseIsTheSameDiscMovedByItsQuarterOffsets) {
    for (int32_t size : {1, 4, 11, 30}) {
        BrushTS brush;
        brush.SetSize(size);
        const int32_t q = 4 * brush.Side();
        for (int32_t phase = 0; phase < 16; ++phase) {
            const int32_t dx = (phase & 3) - 2;
            const int32_t dy = (phase >> 2) - 2;
            int32_t bits = 0;
            for (int32_t y = 0; y < q; ++y) {
                for (int32_t x = 0; x < q; ++x) {
                    const bool here = Covered(brush, phase, x, y);
                    bits += here;
                    // The centred phase (10) moved by the offsets gives this phase.
                    const int32_t fx = x - dx;
                    const int32_t fy = y - dy;
                    const bool centred = fx >= 0 && fy >= 0 && fx < q && fy < q && Covered(brush, 10, fx, fy);
                    ASSERT_EQ(here, centred)
                        << "size " << size << " phase " << phase << " at " << x << "," << y;
                }
            }
            // About the disc's area in quarter cells: pi (4R)^2 with R = zoomed size / 2.
            const double r = 2.0 * brush.Size();
            EXPECT_NEAR(bits, 3.14159 * r * r, 0.15 * 3.14159 * r * r + 8) << size;
        }
        // The centred disc is symmetric in both directions.
        for (int32_t y = 0; y < q; ++y) {
            for (int32_t x = 0; x < q; ++x) {
                ASSERT_EQ(Covered(brush, 10, x, y), Covered(brush, 10, q - 1 - x, y));
                ASSERT_EQ(Covered(brush, 10, x, y), Covered(brush, 10, x, q - 1 - y));
            }
        }
    }
}

TEST(BrushTS, SpansAndOutlinesDescribeEachPhasesMask) {
    BrushTS brush;
    brush.SetSize(13);
    const int32_t b = brush.Side();
    for (int32_t phase = 0; phase < 16; ++phase) {
        const uint16_t* mask = brush.Mask(phase);
        const std::vector<uint16_t>& spans = brush.RowSpans(phase);
        for (int32_t y = 0; y < b; ++y) {
            for (int32_t x = 0; x < b; ++x) {
                const bool inSpan = x >= spans[2 * y] && x < spans[2 * y + 1];
                if (!inSpan) {
                    EXPECT_EQ(mask[y * b + x], 0) << phase;
                }
            }
        }
        const std::vector<uint32_t>& outline = brush.Outline(phase);
        ASSERT_EQ(outline.size(), static_cast<size_t>(4 * b - 4));
        for (size_t i = 0; i < outline.size(); ++i) {
            const int32_t y = static_cast<int32_t>(outline[i] >> 16);
            const int32_t x = static_cast<int32_t>(outline[i] & 0xFFFF);
            ASSERT_TRUE(x >= 0 && x < b && y >= 0 && y < b);
            EXPECT_NE(mask[y * b + x], 0);
            // On the rim: the next pixel outwards is uncovered or outside the mask.
            const bool rim = x == 0 || y == 0 || x == b - 1 || y == b - 1 || mask[y * b + x - 1] == 0 ||
                             mask[y * b + x + 1] == 0 || mask[(y - 1) * b + x] == 0 ||
                             mask[(y + 1) * b + x] == 0 || mask[y * b + x] != 0xFFFF;
            EXPECT_TRUE(rim) << phase << " " << x << "," << y;
            // Walked round: consecutive points are neighbours or close.
            const uint32_t next = outline[(i + 1) % outline.size()];
            EXPECT_LE(std::abs(static_cast<int32_t>(next >> 16) - y), 2);
            EXPECT_LE(std::abs(static_cast<int32_t>(next & 0xFFFF) - x), 2);
        }
    }
}

TEST(RoundCursor, OutlineIsTheRimOfTheDiscWalkedRound) {
    RoundCursor cursor;
    cursor.SetSize(21);
    EXPECT_EQ(cursor.Extent(), 10);
    ASSERT_FALSE(cursor.Points().empty());
    for (size_t i = 0; i < cursor.Points().size(); ++i) {
        const RoundCursor::Point p = cursor.Points()[i];
        const double d = std::hypot(p.x, p.y);
        EXPECT_LE(d, 10.5);
        EXPECT_GE(d, 9.0);
        const RoundCursor::Point n = cursor.Points()[(i + 1) % cursor.Points().size()];
        EXPECT_LE(std::max(std::abs(n.x - p.x), std::abs(n.y - p.y)), 1);
    }
    cursor.SetSize(0);
    ASSERT_EQ(cursor.Points().size(), 1u);
}

TEST(StrokeRules, AppearanceMixStepsWithStrength) {
    EXPECT_EQ(stroke::AppearanceMix(0, 1, 100), 4);
    EXPECT_EQ(stroke::AppearanceMix(0, 1, 224), 0);
    EXPECT_EQ(stroke::AppearanceMix(0, 1, 223), 5);
    EXPECT_EQ(stroke::AppearanceMix(0, 1, 161), 5);
    EXPECT_EQ(stroke::AppearanceMix(0, 1, 160), 4);
    EXPECT_EQ(stroke::AppearanceMix(0, 1, 96), 3);
    EXPECT_EQ(stroke::AppearanceMix(0, 1, 32), 1);
    EXPECT_EQ(stroke::AppearanceMix(0, 2, 200), 6);
    EXPECT_EQ(stroke::AppearanceMix(1, 0, 200), 3);
    EXPECT_EQ(stroke::AppearanceMix(1, 2, 50), 11);
    EXPECT_EQ(stroke::AppearanceMix(2, 0, 100), 7);
    EXPECT_EQ(stroke::AppearanceMix(2, 1, 170), 11);
    EXPECT_EQ(stroke::AppearanceMix(1, 1, 10), 1);
    EXPECT_EQ(stroke::AppearanceMix(0, 7, 10), 0); // a blend is simply repainted
}

TEST(StrokeRules, ColorPaintingReplacesMixesOrUnitesByAmount) {
    const uint32_t tool = MakeColor(200, 40, 250);
    ColorPixel p{10, 20, 30, 255, 1};
    EXPECT_TRUE(stroke::PaintColor(p, tool, 255, 0));
    EXPECT_EQ(p.red, 200);
    EXPECT_EQ(p.green, 40);
    EXPECT_EQ(p.blue, 250);
    EXPECT_EQ(p.amount, 255);
    EXPECT_EQ(p.appearance, 0);

    // Over a full amount at strength 100: a mix that keeps the amount and mixes the appearance.
    ColorPixel m{0, 0, 0, 255, 1};
    EXPECT_FALSE(stroke::PaintColor(m, MakeColor(255, 255, 255), 100, 0));
    EXPECT_EQ(m.amount, 255);
    EXPECT_EQ(m.appearance, 4);
    EXPECT_NEAR(m.red, 100, 3); // white at 100 over black: lightness about 100 / 255 of the way
    EXPECT_EQ(m.red, m.green);

    // Over partial paint the colours unite; a large difference in the first byte no longer flips it
    // by 128.
    ColorPixel u{10, 10, 10, 128, 2};
    EXPECT_FALSE(stroke::PaintColor(u, MakeColor(250, 250, 250), 128, 0));
    EXPECT_EQ(u.amount, 128);
    EXPECT_EQ(u.appearance, 0);
    EXPECT_GT(u.blue, 130);
    EXPECT_LT(u.blue, 250);
    EXPECT_EQ(u.blue, u.red);
}

// The rules multiply without the shared table; every product must be the table's, or strokes would
// paint other bytes than the rest of the program computes for the same mix.
TEST(StrokeRules, TheRulesProductIsTheSharedOneForEveryPair) {
    for (uint32_t a = 0; a < 256; ++a) {
        for (uint32_t b = 0; b < 256; ++b) {
            ASSERT_EQ(stroke::Product8(a, b), Mul8(static_cast<uint8_t>(a), static_cast<uint8_t>(b)))
                << a << " x " << b;
        }
    }
}

// Paint over partial paint is the union of both opacities, each colour weighed by what it adds:
// (tool x s + own x a x (1 - s)) / (s + a - s x a). At every amount and strength the result is that
// quotient exactly (in the rounded 8-bit products) and takes the larger opacity; once the opacities
// are not tiny (where the rounded products dominate) it lies between the tool's byte and the own.
TEST(StrokeRules, PaintOverPartialPaintIsTheExactWeighedUnion) {
    const uint8_t values[] = {0, 1, 37, 128, 200, 254, 255};
    for (int32_t a = 1; a < 255; ++a) {
        for (int32_t s = 0; s < 255; ++s) {
            for (uint8_t tool : values) {
                for (uint8_t own : values) {
                    ColorPixel p{own, own, own, static_cast<uint8_t>(a), 0};
                    stroke::PaintColor(p, MakeColor(tool, tool, tool), static_cast<uint8_t>(s), 0);
                    const auto as = static_cast<uint8_t>(s);
                    const auto aa = static_cast<uint8_t>(a);
                    const int32_t ownPart = Mul8(own, aa);
                    const int32_t union8 = s + a - Mul8(as, aa);
                    const int32_t expected =
                        std::min(255, (Mul8(tool, as) + ownPart - Mul8(as, static_cast<uint8_t>(ownPart))) *
                                          255 / union8);
                    ASSERT_EQ(p.blue, expected)
                        << "a " << a << " s " << s << " tool " << int{tool} << " own " << int{own};
                    ASSERT_EQ(p.red, p.blue);
                    if (s + a >= 96) {
                        ASSERT_GE(p.blue + 4, std::min(tool, own));
                        ASSERT_LE(p.blue, std::max(tool, own) + 4);
                    }
                    ASSERT_EQ(p.amount, std::max(a, s));
                }
            }
        }
    }
}

TEST(StrokeRules, ErasersAndLightingRules) {
    ColorPixel full{1, 2, 3, 200, 5};
    stroke::EraseColor(full, 255);
    EXPECT_EQ(full.amount, 0);
    EXPECT_EQ(full.blue, 128);
    EXPECT_EQ(full.red, 128);
    EXPECT_EQ(full.appearance, 0);
    ColorPixel opaque{1, 2, 3, 200, 1};
    stroke::EraseColor(opaque, 128);
    EXPECT_EQ(opaque.amount, 100);
    EXPECT_EQ(opaque.appearance, 1);
    EXPECT_EQ(opaque.blue, 1);

    EXPECT_EQ(stroke::EraseLighting(30, 255), 128);
    EXPECT_EQ(stroke::EraseLighting(228, 128), 178);
    EXPECT_EQ(stroke::SetLighting(200, 60, 255), 60);
    EXPECT_EQ(stroke::SetLighting(200, 60, 128), 130);
    EXPECT_EQ(stroke::SetLighting(60, 60, 16), 60);
    // Relative: a stroke adds (T - 128) x coverage once, however many dabs build the coverage.
    const uint8_t once = stroke::RelativeLighting(100, 160, 0, 255);
    const uint8_t twice = stroke::RelativeLighting(stroke::RelativeLighting(100, 160, 0, 128), 160, 128, 255);
    EXPECT_EQ(once, 132);
    EXPECT_EQ(twice, 132);
    EXPECT_EQ(stroke::RelativeLighting(10, 0, 0, 255), 0);
}

TEST(StrokeRules, LightnessAgreesWithTheSharedConversion) {
    for (uint32_t r = 0; r < 256; r += 3) {
        for (uint32_t g = 0; g < 256; g += 5) {
            for (uint32_t b = 0; b < 256; b += 7) {
                ASSERT_EQ(stroke::Lightness(static_cast<uint8_t>(r), static_cast<uint8_t>(g),
                                            static_cast<uint8_t>(b)),
                          RgbToHsb(MakeColor(r, g, b)).b);
            }
        }
    }
}

TEST(StrokeRules, ChannelBrushesWorkOnTheHslScale) {
    EXPECT_EQ(stroke::ChannelTarget(stroke::kHue, 230, stroke::kAdd, 20), 10);
    EXPECT_EQ(stroke::ChannelTarget(stroke::kHue, 10, stroke::kSubtract, 20), 230);
    EXPECT_EQ(stroke::ChannelTarget(stroke::kSaturation, 230, stroke::kAdd, 20), 240);
    EXPECT_EQ(stroke::ChannelTarget(stroke::kLightness, 10, stroke::kSubtract, 20), 0);
    EXPECT_EQ(stroke::ChannelTarget(stroke::kLightness, 10, stroke::kAbsolute, 300), 240);
    EXPECT_EQ(stroke::AdjustChannel(230, 10, 16), 10); // across the hue circle's seam: taken outright
    EXPECT_EQ(stroke::AdjustChannel(100, 220, 128), 160);
    EXPECT_EQ(stroke::AdjustChannel(100, 221, 128), 221);

    ColorPixel p{0, 0, 200, 255, 0}; // red
    EXPECT_TRUE(stroke::AdjustColor(p, stroke::kHue, stroke::kAbsolute, 80, 255));
    EXPECT_NEAR(RgbToHsb(MakeColor(p.red, p.green, p.blue)).h, 80, 1);
    // A value that does not change leaves the bytes alone instead of round-tripping them.
    ColorPixel grey{90, 90, 90, 255, 0};
    EXPECT_FALSE(stroke::AdjustColor(grey, stroke::kSaturation, stroke::kSubtract, 30, 255));
    EXPECT_EQ(grey.green, 90);
    ColorPixel dark{50, 50, 50, 255, 0};
    EXPECT_TRUE(stroke::AdjustColor(dark, stroke::kLightness, stroke::kAdd, 60, 255));
    EXPECT_GT(dark.red, 100);
}

} // namespace
} // namespace ts
