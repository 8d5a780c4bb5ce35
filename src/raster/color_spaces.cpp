#include "raster/color_spaces.h"

#include <algorithm>

namespace ts {

namespace {

constexpr int32_t kScale = 240;

int32_t Channel(int32_t m1, int32_t m2, int32_t h) {
    if (h < 0) {
        h += kScale;
    } else if (h > kScale) {
        h -= kScale;
    }
    int32_t v;
    if (h < 40) {
        v = m1 + ((m2 - m1) * h + 20) / 40;
    } else if (h < 120) {
        v = m2;
    } else if (h < 160) {
        v = m1 + ((m2 - m1) * (160 - h) + 20) / 40;
    } else {
        v = m1;
    }
    return std::clamp((v * 255 + 120) / kScale, 0, 255);
}

} // namespace

Hsb RgbToHsb(uint32_t color) {
    const int32_t r = static_cast<int32_t>(ColorRed(color));
    const int32_t g = static_cast<int32_t>(ColorGreen(color));
    const int32_t b = static_cast<int32_t>(ColorBlue(color));
    const int32_t mx = std::max({r, g, b});
    const int32_t mn = std::min({r, g, b});
    Hsb out;
    out.b = ((mx + mn) * kScale + 255) / 510;
    if (mx == mn) {
        out.s = 0;
        out.h = 160;
        return out;
    }
    const int32_t d = mx - mn;
    if (out.b <= 120) {
        out.s = (d * kScale + (mx + mn) / 2) / (mx + mn);
    } else {
        out.s = (d * kScale + (510 - mx - mn) / 2) / (510 - mx - mn);
    }
    int32_t h;
    if (r == mx) {
        h = (g - b) * 40 / d;
    } else if (g == mx) {
        h = (b - r) * 40 / d + 80;
    } else {
        h = (r - g) * 40 / d + 160;
    }
    if (h < 0) {
        h += kScale;
    } else if (h > kScale) {
        h -= kScale;
    }
    out.h = h;
    return out;
}

uint32_t HsbToRgb(const Hsb& hsb) {
    const int32_t h = std::clamp(hsb.h, 0, kScale);
    const int32_t s = std::clamp(hsb.s, 0, kScale);
    const int32_t l = std::clamp(hsb.b, 0, kScale);
    if (s == 0) {
        const auto grey = static_cast<uint32_t>(std::min((l * 136) >> 7, 255));
        return MakeColor(grey, grey, grey);
    }
    const int32_t m2 = l <= 120 ? (l * (kScale + s) + 120) / kScale : l + s - (l * s + 120) / kScale;
    const int32_t m1 = 2 * l - m2;
    return MakeColor(static_cast<uint32_t>(Channel(m1, m2, h + 80)),
                     static_cast<uint32_t>(Channel(m1, m2, h)),
                     static_cast<uint32_t>(Channel(m1, m2, h - 80)));
}

} // namespace ts
