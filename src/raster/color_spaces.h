#pragma once

#include <cstdint>

namespace ts {

// Colours are passed around as 0x00BBGGRR values (red in the low byte). Hue, saturation and
// brightness (which is the HLS lightness) each run 0..240; greys have hue 160 and saturation 0.
struct Hsb {
    int32_t h = 160;
    int32_t s = 0;
    int32_t b = 0;

    friend bool operator==(const Hsb&, const Hsb&) = default;
};

constexpr uint32_t MakeColor(uint32_t r, uint32_t g, uint32_t b) {
    return (r & 0xFF) | ((g & 0xFF) << 8) | ((b & 0xFF) << 16);
}
constexpr uint32_t ColorRed(uint32_t color) {
    return color & 0xFF;
}
constexpr uint32_t ColorGreen(uint32_t color) {
    return (color >> 8) & 0xFF;
}
constexpr uint32_t ColorBlue(uint32_t color) {
    return (color >> 16) & 0xFF;
}

// The integer conversions every palette, the colour picker and the painting rules share.
Hsb RgbToHsb(uint32_t color);
// Components outside 0..240 are clamped first.
uint32_t HsbToRgb(const Hsb& hsb);

// Packed form H * 65536 + S * 256 + B.
constexpr uint32_t PackHsb(const Hsb& hsb) {
    return (static_cast<uint32_t>(hsb.h) << 16) | (static_cast<uint32_t>(hsb.s) << 8) |
           static_cast<uint32_t>(hsb.b);
}
constexpr Hsb UnpackHsb(uint32_t packed) {
    return Hsb{static_cast<int32_t>((packed >> 16) & 0xFF), static_cast<int32_t>((packed >> 8) & 0xFF),
               static_cast<int32_t>(packed & 0xFF)};
}

} // namespace ts
