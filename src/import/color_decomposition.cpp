#include "import/color_decomposition.h"

#include "model/part_buffers.h"
#include "raster/color_spaces.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <vector>

namespace ts {

namespace {

// a x b / 255, rounded, as the compositor blends.
int32_t Mul(int32_t a, int32_t b) {
    return std::min(255, (a * b * 2 + 255) / 510);
}

int32_t ColorByte(uint32_t color, int channel) {
    return static_cast<int32_t>((color >> (8 * channel)) & 0xFF);
}

// The surface colour that the level lights into the source, unclamped. Where the level covers the
// pixel fully (strength 255) the surface cannot show and the base colour stays.
std::array<int32_t, 3> Corrected(const std::array<int32_t, 3>& source, const std::array<int32_t, 3>& base,
                                 int32_t level, uint32_t lightColor, uint32_t shadeColor) {
    const int32_t strength = LightingStrength(level);
    if (strength >= 255) {
        return base;
    }
    const uint32_t tint = level >= 128 ? lightColor : shadeColor;
    std::array<int32_t, 3> out{};
    for (int c = 0; c < 3; ++c) {
        // Rounded to the nearest, so that the lit colour misses the source by at most a step.
        const int32_t num = (source[static_cast<size_t>(c)] - Mul(strength, ColorByte(tint, c))) * 255;
        const int32_t den = 255 - strength;
        out[static_cast<size_t>(c)] =
            num >= 0 ? (2 * num + den) / (2 * den) : -((-2 * num + den) / (2 * den));
    }
    return out;
}

// How far the clamped colour, lit by the level, lands from the source (sum over the channels).
int32_t Error(const std::array<int32_t, 3>& source, const std::array<int32_t, 3>& colour, int32_t level,
              uint32_t lightColor, uint32_t shadeColor) {
    const int32_t strength = LightingStrength(level);
    const uint32_t tint = level >= 128 ? lightColor : shadeColor;
    int32_t error = 0;
    for (int c = 0; c < 3; ++c) {
        const int32_t v = std::clamp(colour[static_cast<size_t>(c)], 0, 255);
        const int32_t lit = Mul(255 - strength, v) + Mul(strength, ColorByte(tint, c));
        error += std::abs(lit - source[static_cast<size_t>(c)]);
    }
    return error;
}

bool OutOfRange(const std::array<int32_t, 3>& colour) {
    return std::any_of(colour.begin(), colour.end(), [](int32_t v) { return v < 0 || v > 255; });
}

} // namespace

int32_t PictureLuma(int32_t r, int32_t g, int32_t b) {
    return std::min(255, (587 * g + 299 * r + 114 * b) / 1000);
}

int32_t ReferenceBrightness(uint32_t paperColor) {
    return std::min(255, (RgbToHsb(paperColor).b * 136) >> 7);
}

uint8_t LightingLevelOf(int32_t y, int32_t c) {
    int32_t level = 128;
    if (y > c) {
        level = 128 + (y - c) * 127 / (255 - c);
    } else if (y < c) {
        level = 128 + (y - c) * 127 / std::max(1, c - 1);
    }
    return static_cast<uint8_t>(std::clamp(level, 0, 255));
}

int32_t LightingStrength(int32_t level) {
    // A level of 0 would give 256: full strength is the most there is.
    return std::min(255, level >= 128 ? 2 * level - 256 : 2 * (128 - level));
}

uint32_t NeutralSurfaceColor(uint32_t backdropColor) {
    Hsb hsb = RgbToHsb(backdropColor);
    hsb.b = 120;
    return HsbToRgb(hsb);
}

DecomposedPixel DecomposePixel(uint8_t r, uint8_t g, uint8_t b, int32_t reference, bool lighting,
                               uint32_t lightColor, uint32_t shadeColor) {
    const std::array<int32_t, 3> source{r, g, b};
    DecomposedPixel out;
    if (!lighting) {
        out.r = r;
        out.g = g;
        out.b = b;
        return out;
    }
    const int32_t y = PictureLuma(r, g, b);
    int32_t level = LightingLevelOf(y, reference);
    // The chroma of the pixel around mid grey (ITU-R BT.601): the base colour before lighting.
    const double u = 0.436 * b - 0.147 * r - 0.289 * g;
    const double v = 0.615 * r - 0.515 * g - 0.1 * b;
    const std::array<int32_t, 3> base{std::clamp(static_cast<int32_t>(128 + 1.14 * v), 0, 255),
                                      std::clamp(static_cast<int32_t>(128 - 0.395 * u - 0.581 * v), 0, 255),
                                      std::clamp(static_cast<int32_t>(128 + 2.032 * u), 0, 255)};
    std::array<int32_t, 3> colour = Corrected(source, base, level, lightColor, shadeColor);
    if (OutOfRange(colour)) {
        // The exact colour does not exist: walk the level towards neutral while that brings the lit
        // colour nearer the source.
        int32_t error = Error(source, colour, level, lightColor, shadeColor);
        while (level != 128) {
            const int32_t next = level + (level < 128 ? 1 : -1);
            const std::array<int32_t, 3> tried = Corrected(source, base, next, lightColor, shadeColor);
            const int32_t nextError = Error(source, tried, next, lightColor, shadeColor);
            if (nextError >= error) {
                break;
            }
            level = next;
            colour = tried;
            error = nextError;
        }
    }
    out.level = static_cast<uint8_t>(level);
    out.r = static_cast<uint8_t>(std::clamp(colour[0], 0, 255));
    out.g = static_cast<uint8_t>(std::clamp(colour[1], 0, 255));
    out.b = static_cast<uint8_t>(std::clamp(colour[2], 0, 255));
    return out;
}

bool DecomposePicture(const Image24& picture, LayerObject& target, const DecomposeOptions& options,
                      ProgressMeter* progress) {
    if (!options.lighting && !options.color && !options.grayScale) {
        return false;
    }
    const int32_t w = picture.Width();
    const int32_t h = picture.Height();
    if (w <= 0 || h <= 0) {
        return false;
    }
    if (!target.color || target.color->Width() != w || target.color->Height() != h) {
        auto color = std::make_unique<ObjectColor>();
        if (!color->Create(w, h, 0x00FFFFFF, 0)) {
            return false;
        }
        target.color = std::move(color);
    }
    if (options.lighting &&
        (!target.shadow || !target.shadow->lighting || target.shadow->lighting->Width() != w ||
         target.shadow->lighting->Height() != h)) {
        auto shadow = std::make_unique<ObjectShadow>();
        if (!shadow->Create(w, h)) {
            return false;
        }
        target.shadow = std::move(shadow);
    }
    uint32_t lightColor = 0x00FFFFFF;
    uint32_t shadeColor = 0;
    if (target.shadow) {
        if (const ShadowAppearance* light = target.shadow->appearances.Slot(0)) {
            lightColor = static_cast<uint32_t>(light->color);
            shadeColor = static_cast<uint32_t>(light->reference);
        }
    }
    const auto width = static_cast<size_t>(w);
    std::vector<uint8_t> blue(width), green(width), red(width), amount(width, 255), levels(width);
    const uint32_t neutral = options.neutralColor;
    if (progress) {
        progress->Start((h + 7) / 8);
    }
    for (int32_t y = 0; y < h; ++y) {
        const uint8_t* row = picture.Row(y);
        for (size_t x = 0; x < width; ++x) {
            const uint8_t pb = row[3 * x];
            const uint8_t pg = row[3 * x + 1];
            const uint8_t pr = row[3 * x + 2];
            const DecomposedPixel d = DecomposePixel(
                pr, pg, pb, options.reference, options.lighting || !options.color, lightColor, shadeColor);
            levels[x] = d.level;
            if (options.color) {
                red[x] = d.r;
                green[x] = d.g;
                blue[x] = d.b;
            } else if (options.lighting) {
                red[x] = static_cast<uint8_t>(ColorRed(neutral));
                green[x] = static_cast<uint8_t>(ColorGreen(neutral));
                blue[x] = static_cast<uint8_t>(ColorBlue(neutral));
            } else {
                red[x] = green[x] = blue[x] = d.level;
            }
        }
        ObjectColor& color = *target.color;
        color.blue->PutRow(y, blue.data());
        color.green->PutRow(y, green.data());
        color.red->PutRow(y, red.data());
        color.amount->PutRow(y, amount.data());
        if (options.lighting) {
            target.shadow->lighting->PutRow(y, levels.data());
        }
        if (progress && (y % 8 == 7 || y == h - 1)) {
            progress->Step();
        }
    }
    if (progress) {
        progress->Finish();
    }
    return true;
}

} // namespace ts
