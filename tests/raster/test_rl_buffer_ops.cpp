// Whole-buffer operations of the run-length buffer: bounding box, scaling, flips, rotations, and the
// coverage masks of the super-bit buffer.

#include "platform/progress_meter.h"
#include "raster/rl_buffer.h"
#include "raster/rl_buffer_test_support.h"
#include "raster/super_bit_buffer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstdint>
#include <random>
#include <utility>
#include <vector>

namespace ts {
namespace {

using testing::Image;
using testing::Row;

// A 1-byte-per-pixel image whose every pixel tells where it came from.
Image Numbered(int32_t width, int32_t height) {
    Image image(static_cast<size_t>(height), Row(static_cast<size_t>(width)));
    for (int32_t y = 0; y < height; ++y) {
        for (int32_t x = 0; x < width; ++x) {
            image[static_cast<size_t>(y)][static_cast<size_t>(x)] = static_cast<uint8_t>(1 + 16 * y + x);
        }
    }
    return image;
}

uint8_t At(const Image& image, int32_t x, int32_t y) {
    return image[static_cast<size_t>(y)][static_cast<size_t>(x)];
}

// The target of a quarter turn as the buffer defines it: 90 takes (x, y) to (y, width - 1 - x).
Image QuarterTurn(const Image& source, int32_t degrees) {
    const auto width = static_cast<int32_t>(source[0].size());
    const auto height = static_cast<int32_t>(source.size());
    const bool swap = degrees != 180;
    Image target(static_cast<size_t>(swap ? width : height), Row(static_cast<size_t>(swap ? height : width)));
    for (int32_t y = 0; y < height; ++y) {
        for (int32_t x = 0; x < width; ++x) {
            int32_t tx = width - 1 - x;
            int32_t ty = height - 1 - y;
            if (degrees == 90) {
                tx = y;
                ty = width - 1 - x;
            } else if (degrees == 270) {
                tx = height - 1 - y;
                ty = x;
            }
            target[static_cast<size_t>(ty)][static_cast<size_t>(tx)] = At(source, x, y);
        }
    }
    return target;
}

TEST(RLBuffer, BoundingBoxOfAFreshBufferIsEmpty) {
    RLBuffer buffer;
    ASSERT_TRUE(buffer.Create(40, 30, 3, 0xFF, 4.0f));
    EXPECT_EQ(buffer.BoundingBox(0xFF), Rect{});
    EXPECT_EQ(buffer.BoundingBox(0x00), (Rect{0, 0, 40, 30}));
}

TEST(RLBuffer, BoundingBoxHoldsEveryPixelThatDiffersFromTheBackground) {
    RLBuffer gray;
    ASSERT_TRUE(gray.Create(16, 12, 1, 0, 4.0f));
    Row row(16, 0);
    row[3] = 1;
    ASSERT_TRUE(gray.PutRow(2, row.data()));
    row[3] = 0;
    row[15] = 0x80;
    ASSERT_TRUE(gray.PutRow(7, row.data()));
    EXPECT_EQ(gray.BoundingBox(0), (Rect{3, 2, 16, 8}));

    // Multi-byte pixels: the bytes are OR-ed together one by one and every step is compared.
    RLBuffer colour;
    ASSERT_TRUE(colour.Create(16, 12, 3, 0xFF, 4.0f));
    auto setPixel = [&](int32_t x, int32_t y, Row bytes) {
        Row r = testing::ReadRow(colour, y);
        std::copy(bytes.begin(), bytes.end(), r.begin() + 3 * x);
        ASSERT_TRUE(colour.PutRow(y, r.data()));
    };
    setPixel(1, 1, {0xFF, 0xFF, 0x00});   // the OR stays 0xFF at every step: background
    setPixel(14, 10, {0xFF, 0x7F, 0xFF}); // 0xFF | 0x7F is still 0xFF: background
    EXPECT_EQ(colour.BoundingBox(0xFF), Rect{});
    setPixel(5, 4, {0x0F, 0xF0, 0xFF}); // differs at the first step
    setPixel(12, 3, {0x00, 0xFF, 0xFF});
    EXPECT_EQ(colour.BoundingBox(0xFF), (Rect{5, 3, 13, 5}));
    EXPECT_EQ(colour.BoundingBox(0x00), (Rect{0, 0, 16, 12}));

    RLBuffer pairs;
    ASSERT_TRUE(pairs.Create(9, 9, 2, 0x0F, 4.0f));
    Row pairRow(18, 0x0F);
    pairRow[2 * 4 + 1] = 0x00; // 0x0F | 0x00: background
    ASSERT_TRUE(pairs.PutRow(4, pairRow.data()));
    EXPECT_EQ(pairs.BoundingBox(0x0F), Rect{});
    pairRow[2 * 6 + 1] = 0xF0; // 0x0F | 0xF0 = 0xFF differs at the second step
    ASSERT_TRUE(pairs.PutRow(5, pairRow.data()));
    EXPECT_EQ(pairs.BoundingBox(0x0F), (Rect{6, 5, 7, 6}));
}

TEST(RLBuffer, ScaledCopyTakesTheNearestPixelWithHalfAStepAcross) {
    const Image source = Numbered(2, 3);
    RLBuffer buffer;
    ASSERT_TRUE(testing::MakeBuffer(buffer, source, 1));
    const auto scaled = buffer.ScaledCopy(5, 7);
    ASSERT_NE(scaled, nullptr);
    EXPECT_EQ(scaled->Width(), 5);
    EXPECT_EQ(scaled->Height(), 7);
    EXPECT_EQ(scaled->BytesPerPixel(), 1);
    // x step 26214: columns (13107 + j x 26214) >> 16 = 0 0 0 1 1; y step 28086: rows 0 0 0 1 1 2 2.
    const int columns[5] = {0, 0, 0, 1, 1};
    const int rows[7] = {0, 0, 0, 1, 1, 2, 2};
    Image expected(7, Row(5));
    for (size_t i = 0; i < 7; ++i) {
        for (size_t j = 0; j < 5; ++j) {
            expected[i][j] = At(source, columns[j], rows[i]);
        }
    }
    EXPECT_EQ(testing::ReadImage(*scaled), expected);

    const Image wide = Numbered(7, 5);
    RLBuffer wideBuffer;
    ASSERT_TRUE(testing::MakeBuffer(wideBuffer, wide, 1));
    const auto down = wideBuffer.ScaledCopy(2, 2);
    ASSERT_NE(down, nullptr);
    // x step 229376: columns 1 and 5; y step 163840: rows 0 and 2.
    EXPECT_EQ(testing::ReadImage(*down),
              (Image{{At(wide, 1, 0), At(wide, 5, 0)}, {At(wide, 1, 2), At(wide, 5, 2)}}));
}

TEST(RLBuffer, ScaledCopyRefusesEmptySizes) {
    RLBuffer buffer;
    ASSERT_TRUE(buffer.Create(6, 4, 1, 9, 4.0f));
    EXPECT_EQ(buffer.ScaledCopy(0, 4), nullptr);
    EXPECT_EQ(buffer.ScaledCopy(6, 0), nullptr);
    EXPECT_EQ(buffer.ScaledCopy(-3, 2), nullptr);
}

TEST(RLBuffer, ScaledCopyOfAWideBufferDoesNotOverflow) {
    // 40000 x 65536 and j x step both pass 2^31.
    Image source(2, Row(40000));
    for (size_t x = 0; x < 40000; ++x) {
        source[0][x] = static_cast<uint8_t>(x * 7 + x / 256);
        source[1][x] = static_cast<uint8_t>(x / 157);
    }
    RLBuffer buffer;
    ASSERT_TRUE(testing::MakeBuffer(buffer, source, 1));
    const auto scaled = buffer.ScaledCopy(60000, 3);
    ASSERT_NE(scaled, nullptr);
    const int64_t xStep = int64_t{40000} * 65536 / 60000;
    const int64_t yStep = int64_t{2} * 65536 / 3;
    Image expected(3, Row(60000));
    for (int64_t i = 0; i < 3; ++i) {
        for (int64_t j = 0; j < 60000; ++j) {
            expected[static_cast<size_t>(i)][static_cast<size_t>(j)] =
                source[static_cast<size_t>((i * yStep) >> 16)]
                      [static_cast<size_t>((xStep / 2 + j * xStep) >> 16)];
        }
    }
    EXPECT_TRUE(testing::ReadImage(*scaled) == expected);
}

TEST(RLBuffer, FlipsMirrorWholePixels) {
    std::mt19937 rng(30);
    for (int32_t bpp : {1, 3, 4}) {
        for (int32_t height : {1, 6, 7}) {
            const Image image = testing::RandomImage(rng, 13, height, bpp);
            RLBuffer buffer;
            ASSERT_TRUE(testing::MakeBuffer(buffer, image, bpp));

            const auto pixel = static_cast<size_t>(bpp);
            Image mirrored = image;
            for (size_t y = 0; y < image.size(); ++y) {
                for (size_t x = 0; x < 13; ++x) {
                    std::copy_n(image[y].begin() + static_cast<ptrdiff_t>((12 - x) * pixel), pixel,
                                mirrored[y].begin() + static_cast<ptrdiff_t>(x * pixel));
                }
            }
            buffer.FlipHorizontal();
            EXPECT_EQ(testing::ReadImage(buffer), mirrored)
                << "horizontal, bpp " << bpp << " height " << height;

            const Image upsideDown(mirrored.rbegin(), mirrored.rend());
            buffer.FlipVertical();
            EXPECT_EQ(testing::ReadImage(buffer), upsideDown)
                << "vertical, bpp " << bpp << " height " << height;
            testing::ExpectRingLayout(buffer);
        }
    }
}

// Sub-pixel (x, y) of a 4 x 4 coverage mask.
bool Covered(uint16_t mask, int x, int y) {
    return (mask >> SuperBitBuffer::SubPixelBit(x, y)) & 1;
}

TEST(SuperBitBuffer, MaskMirrorsMoveSubPixelsAcrossTheCell) {
    // Sub-pixel (0, 0) is bit 1; mirrored across it lands on (3, 0) = bit 8, and down on (0, 3) = bit 7.
    EXPECT_EQ(SuperBitBuffer::MirrorHorizontal(0x0002), 0x0100);
    EXPECT_EQ(SuperBitBuffer::MirrorVertical(0x0002), 0x0080);
    for (uint32_t m = 0; m <= 0xFFFF; ++m) {
        const auto mask = static_cast<uint16_t>(m);
        const uint16_t h = SuperBitBuffer::MirrorHorizontal(mask);
        const uint16_t v = SuperBitBuffer::MirrorVertical(mask);
        for (int y = 0; y < 4; ++y) {
            for (int x = 0; x < 4; ++x) {
                ASSERT_EQ(Covered(h, 3 - x, y), Covered(mask, x, y)) << std::hex << m;
                ASSERT_EQ(Covered(v, x, 3 - y), Covered(mask, x, y)) << std::hex << m;
            }
        }
    }
}

TEST(SuperBitBuffer, FlipsMirrorThePixelsAndEachMask) {
    std::mt19937 rng(31);
    SuperBitBuffer buffer;
    ASSERT_TRUE(buffer.Create(11, 5, 2, 0, 4.0f));
    const Image image = testing::RandomImage(rng, 11, 5, 2);
    ASSERT_TRUE(testing::WriteImage(buffer, image));
    auto mask = [](const Row& row, size_t x) {
        return static_cast<uint16_t>(row[2 * x] | row[2 * x + 1] << 8);
    };

    buffer.FlipHorizontal();
    Image expected = image;
    for (size_t y = 0; y < 5; ++y) {
        for (size_t x = 0; x < 11; ++x) {
            const uint16_t m = SuperBitBuffer::MirrorHorizontal(mask(image[y], 10 - x));
            expected[y][2 * x] = static_cast<uint8_t>(m);
            expected[y][2 * x + 1] = static_cast<uint8_t>(m >> 8);
        }
    }
    EXPECT_EQ(testing::ReadImage(buffer), expected);

    buffer.FlipVertical();
    Image flipped = expected;
    for (size_t y = 0; y < 5; ++y) {
        for (size_t x = 0; x < 11; ++x) {
            const uint16_t m = SuperBitBuffer::MirrorVertical(mask(expected[4 - y], x));
            flipped[y][2 * x] = static_cast<uint8_t>(m);
            flipped[y][2 * x + 1] = static_cast<uint8_t>(m >> 8);
        }
    }
    EXPECT_EQ(testing::ReadImage(buffer), flipped);
}

TEST(SuperBitBuffer, CoverageTableScalesSixteenLevelsByStrength) {
    SuperBitBuffer buffer;
    std::array<uint8_t, 17> full{};
    for (size_t k = 0; k < 16; ++k) {
        full[k] = static_cast<uint8_t>(16 * k);
    }
    full[16] = 255;
    EXPECT_EQ(buffer.CoverageTable(), full);
    EXPECT_EQ(buffer.MaskAlpha(0x0000), 0);
    EXPECT_EQ(buffer.MaskAlpha(0x0301), 48);
    EXPECT_EQ(buffer.MaskAlpha(0xFFFF), 255);

    // Strength 128: factor 128 x 65536 / 255 = 32896; 255 x 32896 >> 16 is 127.
    buffer.SetStrength(128);
    const std::array<uint8_t, 17> half = {0,  8,  16, 24, 32,  40,  48,  56, 64,
                                          72, 80, 88, 96, 104, 112, 120, 127};
    EXPECT_EQ(buffer.CoverageTable(), half);
    EXPECT_EQ(buffer.MaskAlpha(0x8001), 16);

    buffer.SetStrength(0);
    EXPECT_EQ(buffer.CoverageTable(), (std::array<uint8_t, 17>{}));
    buffer.SetStrength(255);
    EXPECT_EQ(buffer.CoverageTable(), full);
}

TEST(RLBuffer, RotateQuarterTurnsTheImage) {
    for (auto [width, height] : {std::pair{5, 3}, std::pair{37, 21}}) {
        const Image source = Numbered(width, height);
        RLBuffer buffer;
        ASSERT_TRUE(testing::MakeBuffer(buffer, source, 1));
        for (int32_t degrees : {90, 180, 270}) {
            CountingProgressMeter progress;
            const auto turned = buffer.RotateQuarter(degrees, &progress);
            ASSERT_NE(turned, nullptr) << degrees;
            EXPECT_EQ(turned->Width(), degrees == 180 ? width : height);
            EXPECT_EQ(turned->Height(), degrees == 180 ? height : width);
            EXPECT_EQ(testing::ReadImage(*turned), QuarterTurn(source, degrees))
                << width << " x " << height << " by " << degrees;
            EXPECT_GT(progress.Done(), 0);
        }
        EXPECT_EQ(testing::ReadImage(buffer), source) << "the source is left alone";
    }
    // Worked by hand: 90 turns counter-clockwise as seen on screen.
    EXPECT_EQ(QuarterTurn({{1, 2, 3}, {4, 5, 6}}, 90), (Image{{3, 6}, {2, 5}, {1, 4}}));
}

TEST(RLBuffer, RotateQuarterRefusesOtherAnglesAndPixelSizes) {
    RLBuffer buffer;
    ASSERT_TRUE(buffer.Create(8, 4, 1, 7, 4.0f));
    for (int32_t degrees : {0, 45, -90, 360, 450}) {
        EXPECT_EQ(buffer.RotateQuarter(degrees), nullptr) << degrees;
    }
    RLBuffer colour;
    ASSERT_TRUE(colour.Create(8, 4, 3, 7, 4.0f));
    EXPECT_EQ(colour.RotateQuarter(90), nullptr);
    SuperBitBuffer mask;
    ASSERT_TRUE(mask.Create(8, 4, 2, 7, 4.0f));
    EXPECT_EQ(mask.RotateQuarter(180), nullptr);
}

// A rotation by 0 gives the image back, edges included: every sample of a target pixel lands inside
// the source pixel under it.
void ExpectUnchanged(const Image& source, RLBuffer& rotated) {
    ASSERT_EQ(rotated.Width(), static_cast<int32_t>(source[0].size()));
    ASSERT_EQ(rotated.Height(), static_cast<int32_t>(source.size()));
    EXPECT_TRUE(testing::ReadImage(rotated) == source);
}

// The target is twice the largest rotated corner, rounded up, in each direction.
std::pair<int32_t, int32_t> RotatedSize(int32_t width, int32_t height, double degrees) {
    const double radians = degrees * 0.0174532925;
    double halfWidth = 0;
    double halfHeight = 0;
    for (double cx : {-width / 2.0, width / 2.0}) {
        for (double cy : {-height / 2.0, height / 2.0}) {
            halfWidth = std::max(halfWidth, cx * std::cos(radians) - cy * std::sin(radians));
            halfHeight = std::max(halfHeight, cx * std::sin(radians) + cy * std::cos(radians));
        }
    }
    return {static_cast<int32_t>(2 * std::ceil(halfWidth)), static_cast<int32_t>(2 * std::ceil(halfHeight))};
}

TEST(RLBuffer, RotateByZeroKeepsTheImage) {
    std::mt19937 rng(32);
    const Image source = testing::RandomImage(rng, 8, 6, 1);
    RLBuffer buffer;
    ASSERT_TRUE(testing::MakeBuffer(buffer, source, 1));
    for (bool antialias : {false, true}) {
        for (uint8_t background : {uint8_t{0}, uint8_t{254}}) {
            const auto rotated = buffer.Rotate(0.0, false, antialias, background);
            ASSERT_NE(rotated, nullptr);
            EXPECT_EQ(rotated->BytesPerPixel(), 1);
            ExpectUnchanged(source, *rotated);
            const auto fullTurn = buffer.Rotate(360.0, false, antialias, background);
            ASSERT_NE(fullTurn, nullptr);
            ExpectUnchanged(source, *fullTurn);
        }
    }
}

// Lone dots of 2 x 2 pixels (at least one target centre maps into each) on a wide empty buffer, across
// 32-pixel seams and on its edges: each shows where the turn takes it, however little else there is.
TEST(RLBuffer, RotateKeepsLoneDotsOfASparseBuffer) {
    constexpr int32_t kWidth = 200;
    constexpr int32_t kHeight = 150;
    Image source(kHeight, Row(kWidth, 0));
    std::vector<std::pair<int32_t, int32_t>> lone;
    for (int32_t y : {0, 31, 75, 95, 148}) {
        for (int32_t x : {0, 31, 63, 130, 198}) {
            for (int32_t k = 0; k < 4; ++k) {
                source[static_cast<size_t>(y + k / 2)][static_cast<size_t>(x + k % 2)] = 200;
            }
            lone.emplace_back(x, y);
        }
    }
    RLBuffer buffer;
    ASSERT_TRUE(testing::MakeBuffer(buffer, source, 1));
    const double radians = 30.0 * 0.0174532925;
    for (bool antialias : {false, true}) {
        const auto rotated = buffer.Rotate(30.0, false, antialias, 0);
        ASSERT_NE(rotated, nullptr);
        const Image result = testing::ReadImage(*rotated);
        for (const auto& [x, y] : lone) {
            // Where the dot's centre lands, as the turn maps target centres back onto the source.
            const double dx = x + 1.0 - kWidth / 2.0;
            const double dy = y + 1.0 - kHeight / 2.0;
            const double tx = dx * std::cos(radians) - dy * std::sin(radians) + rotated->Width() / 2.0;
            const double ty = dx * std::sin(radians) + dy * std::cos(radians) + rotated->Height() / 2.0;
            bool found = false;
            for (int32_t j = static_cast<int32_t>(ty) - 1; j <= static_cast<int32_t>(ty) + 1; ++j) {
                for (int32_t i = static_cast<int32_t>(tx) - 1; i <= static_cast<int32_t>(tx) + 1; ++i) {
                    if (j >= 0 && i >= 0 && j < rotated->Height() && i < rotated->Width()) {
                        const uint8_t v = result[static_cast<size_t>(j)][static_cast<size_t>(i)];
                        found = found || (antialias ? v > 0 : v == 200);
                    }
                }
            }
            EXPECT_TRUE(found) << "dot at " << x << ", " << y << (antialias ? " smoothed" : "");
        }
    }
}

TEST(RLBuffer, RotateByAnEighthTurnFramesTheImageInBackground) {
    RLBuffer buffer;
    ASSERT_TRUE(buffer.Create(8, 6, 1, 90, 4.0f));
    for (bool antialias : {false, true}) {
        const auto rotated = buffer.Rotate(45.0, false, antialias, 30);
        ASSERT_NE(rotated, nullptr);
        const auto [width, height] = RotatedSize(8, 6, 45.0);
        ASSERT_EQ(rotated->Width(), width); // (4 + 3) / sqrt 2 = 4.95, so 10 x 10
        ASSERT_EQ(rotated->Height(), height);
        const Image result = testing::ReadImage(*rotated);
        EXPECT_EQ(result[0][0], 30) << "corners lie outside the source";
        EXPECT_EQ(result[0][9], 30);
        EXPECT_EQ(result[9][0], 30);
        EXPECT_EQ(result[9][9], 30);
        for (size_t y = 4; y <= 5; ++y) {
            for (size_t x = 3; x <= 6; ++x) {
                EXPECT_EQ(result[y][x], 90) << "the middle lies inside it";
            }
        }
    }
}

TEST(RLBuffer, RotateOfAWideBufferDoesNotOverflow) {
    Image source(4, Row(40000));
    for (size_t y = 0; y < 4; ++y) {
        for (size_t x = 0; x < 40000; ++x) {
            source[y][x] = static_cast<uint8_t>(x / 100 + y * 50);
        }
    }
    RLBuffer buffer;
    ASSERT_TRUE(testing::MakeBuffer(buffer, source, 1));
    const auto rotated = buffer.Rotate(0.0, false, true, 0);
    ASSERT_NE(rotated, nullptr);
    ExpectUnchanged(source, *rotated);
}

TEST(RLBuffer, RotateByAQuarterMatchesAQuarterTurnCentredInTheTarget) {
    const Image source = Numbered(8, 6);
    RLBuffer buffer;
    ASSERT_TRUE(testing::MakeBuffer(buffer, source, 1));

    const auto [targetWidth, targetHeight] = RotatedSize(8, 6, 90.0);

    // The same content either way round: a quarter turn one way, centred, on background.
    auto centred = [&](int32_t degrees) {
        const Image turned = QuarterTurn(source, degrees);
        Image target(static_cast<size_t>(targetHeight), Row(static_cast<size_t>(targetWidth), 0));
        const size_t left = static_cast<size_t>(targetWidth - 6) / 2;
        const size_t top = static_cast<size_t>(targetHeight - 8) / 2;
        for (size_t y = 0; y < 8; ++y) {
            std::copy(turned[y].begin(), turned[y].end(),
                      target[top + y].begin() + static_cast<ptrdiff_t>(left));
        }
        return target;
    };
    const Image oneWay = centred(90);
    const Image otherWay = centred(270);

    const auto plain = buffer.Rotate(90.0, false, false, 0);
    const auto smooth = buffer.Rotate(90.0, false, true, 0);
    const auto negated = buffer.Rotate(90.0, true, false, 0);
    const auto minus = buffer.Rotate(-90.0, false, false, 0);
    ASSERT_TRUE(plain && smooth && negated && minus);
    for (RLBuffer* rotated : {plain.get(), smooth.get(), negated.get(), minus.get()}) {
        ASSERT_EQ(rotated->Width(), targetWidth);
        ASSERT_EQ(rotated->Height(), targetHeight);
    }
    const Image result = testing::ReadImage(*plain);
    EXPECT_TRUE(result == oneWay || result == otherWay);
    // Samples of a quarter turn stay inside one source pixel, so smoothing changes nothing.
    EXPECT_EQ(testing::ReadImage(*smooth), result);
    // The negate flag turns the other way, as a negative angle does.
    const Image back = testing::ReadImage(*negated);
    EXPECT_EQ(back, result == oneWay ? otherWay : oneWay);
    EXPECT_EQ(testing::ReadImage(*minus), back);
}

TEST(RLBuffer, LongOperationsAdvanceTheProgressMeter) {
    std::mt19937 rng(33);
    const Image image = testing::RandomImage(rng, 20, 40, 1);
    RLBuffer buffer;
    ASSERT_TRUE(testing::MakeBuffer(buffer, image, 1));
    CountingProgressMeter horizontal;
    buffer.FlipHorizontal(&horizontal);
    CountingProgressMeter vertical;
    buffer.FlipVertical(&vertical);
    CountingProgressMeter rotation;
    ASSERT_NE(buffer.Rotate(30.0, false, true, 0, &rotation), nullptr);
    for (const CountingProgressMeter* meter : {&horizontal, &vertical, &rotation}) {
        EXPECT_GT(meter->Done(), 0);
        if (meter->Starts() > 0) {
            EXPECT_LE(meter->Done(), meter->Steps());
        }
    }
    // A null meter is allowed everywhere; flipping twice each way gives the image back.
    buffer.FlipHorizontal(nullptr);
    buffer.FlipVertical(nullptr);
    EXPECT_EQ(testing::ReadImage(buffer), image);
}

} // namespace
} // namespace ts
