#include "palette/color_keys.h"

#include <cmath>
#include <numbers>

namespace ts {

namespace {

constexpr double kHueOffset = 1.975688;

// Y scaled by 2550 is the integer 3R + 6G + B, so R - Y and B - Y scaled alike are exact integers and a
// grey gives exactly (0, 0) rather than rounding noise that would turn into an arbitrary hue.
struct ScaledDifferences {
    int32_t luminance; // 3R + 6G + B, that is Y * 2550
    int32_t redMinusY;
    int32_t blueMinusY;
};

ScaledDifferences Differences(uint32_t color) {
    const int32_t r = static_cast<int32_t>(RedOf(color));
    const int32_t g = static_cast<int32_t>(GreenOf(color));
    const int32_t b = static_cast<int32_t>(BlueOf(color));
    const int32_t y = 3 * r + 6 * g + b;
    return {y, 10 * r - y, 10 * b - y};
}

} // namespace

float LuminanceOf(uint32_t color) {
    return static_cast<float>(Differences(color).luminance / 2550.0);
}

float HueAngleOf(uint32_t color) {
    const ScaledDifferences d = Differences(color);
    double angle =
        std::atan2(static_cast<double>(d.redMinusY), static_cast<double>(d.blueMinusY)) - kHueOffset;
    if (angle < 0.0) {
        angle += 2.0 * std::numbers::pi;
    }
    return static_cast<float>(angle);
}

float ChromaOf(uint32_t color) {
    const ScaledDifferences d = Differences(color);
    return static_cast<float>(
        std::hypot(static_cast<double>(d.blueMinusY), static_cast<double>(d.redMinusY)) / 2550.0);
}

ColorKeys KeysOfColor(uint32_t color) {
    return {HueAngleOf(color), ChromaOf(color), LuminanceOf(color)};
}

int32_t HueDegrees(float hueAngle) {
    return static_cast<int32_t>(static_cast<double>(hueAngle) * 180.0 / std::numbers::pi);
}

} // namespace ts
