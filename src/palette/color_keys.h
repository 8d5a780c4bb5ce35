#pragma once

#include "raster/color_spaces.h"

#include <cstdint>

namespace ts {

// Colours are 0x00BBGGRR: red in bits 0-7, green in bits 8-15, blue in bits 16-23, the top byte zero
// (MakeColor comes with the colour spaces).
constexpr uint32_t RedOf(uint32_t color) {
    return color & 0xFFu;
}
constexpr uint32_t GreenOf(uint32_t color) {
    return (color >> 8) & 0xFFu;
}
constexpr uint32_t BlueOf(uint32_t color) {
    return (color >> 16) & 0xFFu;
}

// A channel on the grid of multiples of 8 that tool colours live on: the nearest multiple, at most 248.
constexpr uint32_t RoundChannelToEight(uint32_t channel) {
    return channel >= 251 ? 248u : (channel + 4) & ~7u;
}
constexpr uint32_t RoundColorToEight(uint32_t color) {
    return MakeColor(RoundChannelToEight(RedOf(color)), RoundChannelToEight(GreenOf(color)),
                     RoundChannelToEight(BlueOf(color)));
}

// The sort keys of a colour, channels taken as 0..1:
//   luminance Y = 0.3 R + 0.6 G + 0.1 B (0..1);
//   hue angle   = atan2(R - Y, B - Y) - 1.975688, plus 2 pi when negative (radians, 0..2 pi; red is 0);
//   chroma      = the length of (B - Y, R - Y).
// Greys have chroma 0 and the hue angle 2 pi - 1.975688 exactly.
struct ColorKeys {
    float hueAngle = 0.0f;
    float chroma = 0.0f;
    float luminance = 0.0f;
};

ColorKeys KeysOfColor(uint32_t color);
float LuminanceOf(uint32_t color);
float HueAngleOf(uint32_t color);
float ChromaOf(uint32_t color);

// A hue angle in whole degrees, truncated.
int32_t HueDegrees(float hueAngle);

} // namespace ts
