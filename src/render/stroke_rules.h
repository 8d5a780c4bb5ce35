#pragma once

#include "raster/color_spaces.h"

#include <cstddef>
#include <cstdint>

// The per-pixel rules of the stroke engine. alpha is the coverage alpha of the pixel so far in the
// stroke: min(16 x covered sub-pixels, 255).
namespace ts::stroke {

// The colour channels of one pixel of a layer.
struct ColorPixel {
    uint8_t blue = 0;
    uint8_t green = 0;
    uint8_t red = 0;
    uint8_t amount = 0;
    uint8_t appearance = 0;
};

// a x b / 255 rounded to nearest (Mul8's value) by arithmetic, not by Mul8's 64 KB table: the rules
// run a few pixels at a time between the stores' large moves, which push the table out of the cache.
inline uint8_t Product8(uint32_t a, uint32_t b) {
    const uint32_t t = a * b + 128;
    return static_cast<uint8_t>((t + (t >> 8)) >> 8);
}

// Coverage alpha of k covered sub-pixels (0..16).
inline uint8_t CoverageAlpha(int32_t k) {
    return static_cast<uint8_t>(k >= 16 ? 255 : 16 * k);
}

// Painting appearance n over appearance o at strength s: the plain appearances 0, 1 and 2 mix into
// the blends 3..11 in steps of strength; anything else is replaced by n.
inline uint8_t AppearanceMix(uint8_t n, uint8_t o, uint8_t s) {
    // (strong, middle, weak) of painting n over o, indexed [n][o]; the diagonal is unused.
    constexpr uint8_t kSteps[3][3][3] = {
        {{0, 0, 0}, {5, 4, 3}, {6, 7, 8}},
        {{3, 4, 5}, {0, 0, 0}, {9, 10, 11}},
        {{8, 7, 6}, {11, 10, 9}, {0, 0, 0}},
    };
    if (n == o || o > 2 || n > 2 || s >= 224) {
        return n;
    }
    if (s <= 32) {
        return o;
    }
    return kSteps[n][o][s >= 161 ? 0 : (s >= 97 ? 1 : 2)];
}

// The HLS lightness (0..240) of a colour, as RgbToHsb gives it.
inline int32_t Lightness(uint8_t r, uint8_t g, uint8_t b) {
    const int32_t mx = r > g ? (r > b ? r : b) : (g > b ? g : b);
    const int32_t mn = r < g ? (r < b ? r : b) : (g < b ? g : b);
    return ((mx + mn) * 240 + 255) / 510;
}

// The mix of colour painting over a full amount: the bytes mixed at s, given the lightness mixed at s on
// the 0..240 scale. Colours are 0x00BBGGRR.
uint32_t MixColor(uint32_t old, uint32_t tool, uint8_t s, int32_t toolLightness);

namespace detail {

// n / d for n < 2^17 and 1 <= d <= 255, by a multiply: with m = floor(2^32 / d) + 1 the quotient
// n x m / 2^32 exceeds n / d by less than 1 / d, so its floor is the exact one.
struct Reciprocals {
    uint64_t m[256] = {};
    constexpr Reciprocals() {
        for (uint64_t d = 1; d < 256; ++d) {
            m[d] = (uint64_t{1} << 32) / d + 1;
        }
    }
};
inline constexpr Reciprocals kReciprocals;

inline uint32_t DivideSmall(uint32_t n, int32_t d) {
    return static_cast<uint32_t>((uint64_t{n} * kReciprocals.m[static_cast<size_t>(d)]) >> 32);
}

} // namespace detail

// Colour painting. strength is the tool's s, already scaled by the coverage where the pixel is only
// partly covered; toolLightness the tool colour's lightness (computed when negative). True when the
// pixel was repainted outright (the lighting reset applies there). Inline: the stroke engine calls it
// for every partly covered pixel.
inline bool PaintColor(ColorPixel& p, uint32_t toolColor, uint8_t s, uint8_t appearance,
                       int32_t toolLightness = -1) {
    const auto tb = static_cast<uint8_t>(ColorBlue(toolColor));
    const auto tg = static_cast<uint8_t>(ColorGreen(toolColor));
    const auto tr = static_cast<uint8_t>(ColorRed(toolColor));
    const uint8_t a = p.amount;
    if (a == 0 || s == 255) {
        p.blue = tb;
        p.green = tg;
        p.red = tr;
        p.amount = s;
        p.appearance = appearance;
        return true;
    }
    if (a == 255) {
        if (toolLightness < 0) {
            toolLightness = Lightness(tr, tg, tb);
        }
        const uint32_t mixed = MixColor(MakeColor(p.red, p.green, p.blue), toolColor, s, toolLightness);
        p.red = static_cast<uint8_t>(ColorRed(mixed));
        p.green = static_cast<uint8_t>(ColorGreen(mixed));
        p.blue = static_cast<uint8_t>(ColorBlue(mixed));
        p.appearance = AppearanceMix(appearance, p.appearance, s);
        return false;
    }
    // Paint of strength s over paint of amount a: each colour weighted by what it contributes to the
    // union of both opacities.
    // u is 1..255 (a is 1..254, s below 255); the numerator stays below 511 x 255.
    const int32_t u = s + a - Product8(s, a);
    auto over = [&](uint8_t tool, uint8_t own) {
        const int32_t ownPart = Product8(own, a);
        const int32_t n = Product8(tool, s) + ownPart - Product8(s, static_cast<uint8_t>(ownPart));
        const auto v = static_cast<int32_t>(detail::DivideSmall(static_cast<uint32_t>(n * 255), u));
        return static_cast<uint8_t>(v < 0 ? 0 : (v > 255 ? 255 : v));
    };
    p.blue = over(tb, p.blue);
    p.green = over(tg, p.green);
    p.red = over(tr, p.red);
    p.amount = a > s ? a : s;
    p.appearance = appearance;
    return false;
}

// Colour eraser: the amount falls by the coverage; an emptied pixel gets the neutral colour 128 and
// an appearance other than opaque paper (1) becomes plain pencil (0).
void EraseColor(ColorPixel& p, uint8_t alpha);

// Lighting level towards neutral: mul(alpha, 128) + mul(255 - alpha, level).
uint8_t EraseLighting(uint8_t level, uint8_t alpha);

// Lighting, set mode: target where alpha is 255, else mul(level, 255 - alpha) + mul(target, alpha).
uint8_t SetLighting(uint8_t level, uint8_t target, uint8_t alpha);

// Lighting, relative mode: moves the level by (target - 128) x alpha / 255, after taking off the
// (target - 128) x oldAlpha / 255 that earlier dabs of the stroke added.
uint8_t RelativeLighting(uint8_t level, uint8_t target, uint8_t oldAlpha, uint8_t alpha);

// Which channel a channel brush changes, on the 0..240 scale.
enum Channel : int32_t { kHue = 0, kSaturation = 1, kLightness = 2 };
// Channel brush modes.
enum ChannelMode : int32_t { kAbsolute = 0, kAdd = 1, kSubtract = 2 };

// The target of a channel brush for a pixel's value: the tool value, or the value plus or minus it;
// hue wraps round at 240, saturation and lightness clamp to 0..240.
int32_t ChannelTarget(int32_t channel, int32_t value, int32_t mode, int32_t toolValue);
// The new channel value: the target outright when it is more than half the scale (120) away, else
// mul(value, 255 - alpha) + mul(alpha, target).
int32_t AdjustChannel(int32_t value, int32_t target, uint8_t alpha);
// Applies a channel brush to the pixel's colour; true when the colour changed.
bool AdjustColor(ColorPixel& p, int32_t channel, int32_t mode, int32_t toolValue, uint8_t alpha);

// Blend: own x v + average x u with v = d / r and u = 1 - v, rounded, at most 255.
uint8_t BlendByte(uint8_t own, double average, double v);

} // namespace ts::stroke
