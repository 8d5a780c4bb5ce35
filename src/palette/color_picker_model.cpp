#include "palette/color_picker_model.h"

#include <algorithm>

namespace ts {

namespace {

constexpr int32_t kScale = 240;

// Two pixels per step: pixel p of the field or strip stands for the step p / 2, counted from the top
// for saturation and brightness. The mouse is captured during a drag, so p may lie outside.
int32_t StepAcross(int32_t p) {
    return std::clamp(p / 2, 0, kScale);
}
int32_t StepDown(int32_t p) {
    return std::clamp(kScale - p / 2, 0, kScale);
}

} // namespace

int32_t ColorPickerModel::IdOf(Field field) {
    switch (field) {
    case Field::kRed:
        return kRedId;
    case Field::kGreen:
        return kGreenId;
    case Field::kBlue:
        return kBlueId;
    case Field::kHue:
        return kHueId;
    case Field::kSaturation:
        return kSaturationId;
    case Field::kBrightness:
        return kBrightnessId;
    }
    return 0;
}

int32_t ColorPickerModel::MaximumOf(Field field) {
    return field == Field::kRed || field == Field::kGreen || field == Field::kBlue ? 255 : kScale;
}

void ColorPickerModel::SetColor(uint32_t color) {
    m_red = static_cast<int32_t>(ColorRed(color));
    m_green = static_cast<int32_t>(ColorGreen(color));
    m_blue = static_cast<int32_t>(ColorBlue(color));
    m_hsb = RgbToHsb(Color());
}

int32_t ColorPickerModel::Value(Field field) const {
    switch (field) {
    case Field::kRed:
        return m_red;
    case Field::kGreen:
        return m_green;
    case Field::kBlue:
        return m_blue;
    case Field::kHue:
        return m_hsb.h;
    case Field::kSaturation:
        return m_hsb.s;
    case Field::kBrightness:
        return m_hsb.b;
    }
    return 0;
}

void ColorPickerModel::FollowHsb() {
    const uint32_t color = HsbToRgb(m_hsb);
    m_red = static_cast<int32_t>(ColorRed(color));
    m_green = static_cast<int32_t>(ColorGreen(color));
    m_blue = static_cast<int32_t>(ColorBlue(color));
}

void ColorPickerModel::PickHueSaturation(int32_t x, int32_t y) {
    m_hsb.h = StepAcross(x);
    m_hsb.s = StepDown(y);
    FollowHsb();
}

void ColorPickerModel::PickBrightness(int32_t y) {
    m_hsb.b = StepDown(y);
    FollowHsb();
}

int32_t ColorPickerModel::Type(Field field, int64_t value) {
    const auto kept = static_cast<int32_t>(std::clamp<int64_t>(value, 0, MaximumOf(field)));
    switch (field) {
    case Field::kRed:
    case Field::kGreen:
    case Field::kBlue: {
        (field == Field::kRed ? m_red : field == Field::kGreen ? m_green : m_blue) = kept;
        m_hsb = RgbToHsb(Color());
        break;
    }
    case Field::kHue:
        m_hsb.h = kept;
        FollowHsb();
        break;
    case Field::kSaturation:
        m_hsb.s = kept;
        FollowHsb();
        break;
    case Field::kBrightness:
        m_hsb.b = kept;
        FollowHsb();
        break;
    }
    return kept;
}

bool ColorPickerModel::TypeText(Field field, const std::string& text, int32_t& kept) {
    size_t i = 0;
    const bool negative = !text.empty() && text[0] == '-';
    if (negative) {
        ++i;
    }
    if (i == text.size()) {
        return false;
    }
    // Digits beyond what any field holds only push the value further out of range: stop counting
    // there instead of overflowing.
    constexpr int64_t kFar = 1'000'000;
    int64_t value = 0;
    for (; i < text.size(); ++i) {
        const char c = text[i];
        if (c < '0' || c > '9') {
            return false;
        }
        value = std::min(kFar, value * 10 + (c - '0'));
    }
    kept = Type(field, negative ? -value : value);
    return true;
}

uint32_t ColorPickerModel::FieldColorAt(int32_t x, int32_t y) {
    return HsbToRgb(Hsb{StepAcross(x), StepDown(y), 120});
}

uint32_t ColorPickerModel::StripColorAt(int32_t y) const {
    return HsbToRgb(Hsb{m_hsb.h, m_hsb.s, StepDown(y)});
}

} // namespace ts
