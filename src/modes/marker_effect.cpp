#include "modes/marker_effect.h"

#include "raster/pixel_tables.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace ts {

namespace {

constexpr int32_t kWanderPeriod = 64; // pixels between the random nodes of a stroke's meander
constexpr uint64_t kStrokeStride = 131;

uint8_t Random(int64_t k, int64_t salt) {
    return RandomByte(
        static_cast<size_t>(static_cast<uint64_t>(k) * kStrokeStride + static_cast<uint64_t>(salt)));
}

} // namespace

void MarkerEffect::CreatePanel() {
    ControlPanel& panel = MutablePanel();
    struct SliderSetup {
        int32_t id;
        const char* caption;
        int32_t low;
        int32_t high;
    };
    const SliderSetup sliders[] = {{kSpacing, "Spacing", 4, 40}, {kVariation, "Variation", 0, 100},
                                   {kWander, "Wander", 0, 100},  {kOverlap, "Overlap", 0, 100},
                                   {kAmount, "Amount ", 0, 100}, {kTilt, "Tilt ", 0, 100},
                                   {kAngle, "Angle   ", -90, 90}};
    int32_t left = 20;
    for (const SliderSetup& s : sliders) {
        panel.Add<SliderCtrl>(PanelParent(), Rect{left, 38, left + 95, 56}, s.caption, s.id, this)
            .SetRange(s.low, s.high);
        left += 100;
    }
    panel.Add<CheckBox>(PanelParent(), Rect{720, 20, 785, 36}, "Use Mask", kUseMask, this);
    panel.Add<CheckBox>(PanelParent(), Rect{720, 40, 785, 56}, "On White", kOnWhite, this);
    panel.Add<CHuecraftButton>(PanelParent(), Rect{790, 18, 840, 36}, "Update", kUpdate, this);
    panel.Add<CHuecraftButton>(PanelParent(), Rect{790, 38, 840, 56}, "Reset", kResetId, this);
    ResetControls();
}

void MarkerEffect::ResetControls() {
    SetSlider(kSpacing, 12);
    SetSlider(kVariation, 30);
    SetSlider(kWander, 20);
    SetSlider(kOverlap, 30);
    SetSlider(kAmount, 0);
    SetSlider(kTilt, 50);
    SetSlider(kAngle, 45);
    for (int32_t id : {kUseMask, kOnWhite}) {
        if (auto* box = dynamic_cast<CheckBox*>(Panel().Find(id))) {
            box->SetCheck(false);
        }
    }
}

bool MarkerEffect::Command(int32_t id) {
    if ((id >= kSpacing && id <= kUpdate) && id != kResetId) {
        Apply();
        return true;
    }
    return false;
}

std::vector<RLBuffer*> MarkerEffect::Channels(LayerObject& layer) {
    ObjectColor* c = layer.color.get();
    if (!c || !c->blue || !c->green || !c->red || !c->amount || !c->amount->IsCreated()) {
        return {};
    }
    return {c->blue.get(), c->green.get(), c->red.get(), c->amount.get()};
}

void MarkerEffect::Prepare(LayerObject& /*layer*/) {
    m_spacing = std::max(1, SliderValue(kSpacing));
    m_variation = SliderValue(kVariation) / 100.0;
    m_wander = SliderValue(kWander) / 100.0 * m_spacing;
    m_width = m_spacing * (0.8 + 0.6 * SliderValue(kOverlap) / 100.0);
    m_tilt = (SliderValue(kTilt) - 50) / 50.0;
    m_amount = SliderValue(kAmount);
    const double a = SliderValue(kAngle) * std::numbers::pi / 180.0;
    m_cos = std::cos(a);
    m_sin = std::sin(a);
    m_onWhite = Checked(kOnWhite);
    m_mask = MaskLayer(kUseMask);
}

double MarkerEffect::Wander(int64_t k, double u) const {
    if (m_wander <= 0) {
        return 0;
    }
    const double t = u / kWanderPeriod;
    const double node = std::floor(t);
    const double f = t - node;
    const auto n = static_cast<int64_t>(node) + (1 << 20); // keep the salt positive
    const double r0 = Random(k, n) - 127.5;
    const double r1 = Random(k, n + 1) - 127.5;
    const double smooth = f * f * (3 - 2 * f);
    return (r0 + (r1 - r0) * smooth) / 127.5 * m_wander;
}

int32_t MarkerEffect::InkAt(double x, double y) const {
    // u runs along the strokes, v across them.
    const double u = x * m_cos + y * m_sin;
    const double v = -x * m_sin + y * m_cos;
    const auto k0 = static_cast<int64_t>(std::floor(v / m_spacing));
    double ink = 0;
    for (int64_t k = k0 - 1; k <= k0 + 1; ++k) {
        const int64_t stroke = k + (1 << 24);
        const double widthScale = 1.0 - m_variation * 0.5 * Random(stroke, 0) / 255.0;
        const double strength = 1.0 - m_variation * 0.6 * Random(stroke, 1) / 255.0;
        const double half = m_width * widthScale / 2;
        const double d = v - (static_cast<double>(k) + 0.5) * m_spacing - Wander(stroke, u);
        if (std::abs(d) >= half + 0.5) {
            continue;
        }
        // A one-pixel soft edge, and the nib's tilt across the stroke.
        const double edge = std::clamp(half + 0.5 - std::abs(d), 0.0, 1.0);
        const double nib = std::clamp(1.0 + m_tilt * d / half, 0.0, 2.0) / (1.0 + std::abs(m_tilt));
        ink += edge * strength * nib;
    }
    return static_cast<int32_t>(std::clamp(ink, 0.0, 2.0) * 256.0);
}

void MarkerEffect::ApplyRow(LayerObject& layer, int32_t row, const std::vector<const uint8_t*>& saved,
                            const std::vector<uint8_t*>& out) {
    const int32_t width = layer.color->amount->Width();
    if (m_mask) {
        MaskWeights(*m_mask, layer, row, width);
    }
    const double y = row + layer.offsetY;
    for (int32_t x = 0; x < width; ++x) {
        const uint8_t amount = saved[3][x];
        for (int i = 0; i < 4; ++i) {
            out[static_cast<size_t>(i)][x] = saved[static_cast<size_t>(i)][x];
        }
        if (amount == 0 || m_amount == 0) {
            continue;
        }
        const int32_t ink = InkAt(x + layer.offsetX, y); // 0..512, 256 a single stroke
        const uint8_t keep = m_mask ? m_weights[static_cast<size_t>(x)] : 0;
        for (int i = 0; i < 3; ++i) {
            const int32_t c = saved[static_cast<size_t>(i)][x];
            int32_t n = c;
            if (ink > 256) {
                // Overlapping ink: darker by up to 40 % at full amount.
                n = c - c * (ink - 256) * 2 * m_amount / (256 * 500);
            } else if (!m_onWhite) {
                // Between strokes: lighter, towards white, by up to 40 %.
                n = c + (255 - c) * (256 - ink) * 2 * m_amount / (256 * 500);
            }
            n = std::clamp(n, 0, 255);
            out[static_cast<size_t>(i)][x] = static_cast<uint8_t>(
                std::min(255, Mul8(static_cast<uint8_t>(255 - keep), static_cast<uint8_t>(n)) +
                                  Mul8(keep, static_cast<uint8_t>(c))));
        }
        if (m_onWhite && ink < 256) {
            // The board shows between the strokes: the paint thins where the ink is missing.
            const int32_t thin = (256 - ink) * m_amount / 100;
            const int32_t a = amount - amount * thin / 256;
            const int32_t blended =
                Mul8(static_cast<uint8_t>(255 - keep), static_cast<uint8_t>(a)) + Mul8(keep, amount);
            out[3][x] = static_cast<uint8_t>(std::min(255, blended));
        }
    }
}

} // namespace ts
