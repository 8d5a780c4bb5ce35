#include "render/stroke_rules.h"

#include "raster/color_spaces.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdlib>

namespace ts::stroke {

namespace {

uint8_t ClampByte(int32_t v) {
    return static_cast<uint8_t>(v < 0 ? 0 : (v > 255 ? 255 : v));
}

int32_t WrapHue(int32_t h) {
    h %= 240;
    return h < 0 ? h + 240 : h;
}

int32_t Clamp240(int32_t v) {
    return v < 0 ? 0 : (v > 240 ? 240 : v);
}

} // namespace

uint32_t MixColor(uint32_t old, uint32_t tool, uint8_t s, int32_t toolLightness) {
    // Mix the bytes at s, then give the mix the lightness mixed on the 0..240 scale, so that a light
    // pencil over a dark colour lightens it as much as the strength says.
    const uint8_t rest = static_cast<uint8_t>(255 - s);
    const auto mix = [&](uint32_t o, uint32_t t) {
        return std::min(255, Product8(static_cast<uint8_t>(o), rest) + Product8(static_cast<uint8_t>(t), s));
    };
    const uint32_t mixed =
        MakeColor(mix(ColorRed(old), ColorRed(tool)), mix(ColorGreen(old), ColorGreen(tool)),
                  mix(ColorBlue(old), ColorBlue(tool)));
    Hsb hsb = RgbToHsb(mixed);
    const int32_t oldLightness =
        Lightness(static_cast<uint8_t>(ColorRed(old)), static_cast<uint8_t>(ColorGreen(old)),
                  static_cast<uint8_t>(ColorBlue(old)));
    hsb.b =
        Product8(static_cast<uint8_t>(oldLightness), rest) + Product8(static_cast<uint8_t>(toolLightness), s);
    return HsbToRgb(hsb);
}

void EraseColor(ColorPixel& p, uint8_t alpha) {
    p.amount = Product8(static_cast<uint8_t>(255 - alpha), p.amount);
    if (p.amount == 0) {
        p.blue = p.green = p.red = 128;
    }
    if (p.appearance != 1) {
        p.appearance = 0;
    }
}

uint8_t EraseLighting(uint8_t level, uint8_t alpha) {
    return static_cast<uint8_t>(
        std::min(255, Product8(alpha, 128) + Product8(static_cast<uint8_t>(255 - alpha), level)));
}

uint8_t SetLighting(uint8_t level, uint8_t target, uint8_t alpha) {
    if (level == target) {
        return level;
    }
    if (alpha == 255) {
        return target;
    }
    return static_cast<uint8_t>(
        std::min(255, Product8(level, static_cast<uint8_t>(255 - alpha)) + Product8(target, alpha)));
}

uint8_t RelativeLighting(uint8_t level, uint8_t target, uint8_t oldAlpha, uint8_t alpha) {
    const int32_t step = static_cast<int32_t>(target) - 128;
    // Signed step x alpha / 255, rounded half away from zero.
    auto part = [step](int32_t a) {
        const int32_t v = step * a;
        return v >= 0 ? (v + 127) / 255 : -((-v + 127) / 255);
    };
    return ClampByte(static_cast<int32_t>(level) - part(oldAlpha) + part(alpha));
}

int32_t ChannelTarget(int32_t channel, int32_t value, int32_t mode, int32_t toolValue) {
    int32_t e = toolValue;
    if (mode == kAdd) {
        e = value + toolValue;
    } else if (mode == kSubtract) {
        e = value - toolValue;
    }
    return channel == kHue ? WrapHue(e) : Clamp240(e);
}

int32_t AdjustChannel(int32_t value, int32_t target, uint8_t alpha) {
    if (std::abs(target - value) > 120) {
        return target;
    }
    return Product8(static_cast<uint8_t>(value), static_cast<uint8_t>(255 - alpha)) +
           Product8(alpha, static_cast<uint8_t>(target));
}

bool AdjustColor(ColorPixel& p, int32_t channel, int32_t mode, int32_t toolValue, uint8_t alpha) {
    Hsb hsb = RgbToHsb(MakeColor(p.red, p.green, p.blue));
    int32_t& value = channel == kHue ? hsb.h : (channel == kSaturation ? hsb.s : hsb.b);
    const int32_t adjusted = AdjustChannel(value, ChannelTarget(channel, value, mode, toolValue), alpha);
    if (adjusted == value) {
        return false; // leave the bytes alone rather than round-trip them through the conversion
    }
    value = adjusted;
    const uint32_t color = HsbToRgb(hsb);
    const uint8_t r = static_cast<uint8_t>(ColorRed(color));
    const uint8_t g = static_cast<uint8_t>(ColorGreen(color));
    const uint8_t b = static_cast<uint8_t>(ColorBlue(color));
    const bool changed = r != p.red || g != p.green || b != p.blue;
    p.red = r;
    p.green = g;
    p.blue = b;
    return changed;
}

uint8_t BlendByte(uint8_t own, double average, double v) {
    const double x = v * own + (1.0 - v) * average + 0.5;
    return static_cast<uint8_t>(x >= 255.0 ? 255 : (x <= 0.0 ? 0 : static_cast<int32_t>(x)));
}

} // namespace ts::stroke
