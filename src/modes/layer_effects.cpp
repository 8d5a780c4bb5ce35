#include "modes/layer_effects.h"

#include "raster/color_spaces.h"
#include "raster/pixel_tables.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace ts {

namespace {

constexpr Rect kResetRect{790, 38, 840, 56};

} // namespace

// --- LightingLevels

uint8_t LightingLevels::Level(int32_t v, int32_t shift, int32_t shadow, int32_t midTone, int32_t highlight) {
    if (v == 128) {
        return 128;
    }
    // Shift, then the distance h from the nearer end of the range that the mid tone bends.
    int32_t h = v + 2 * shift - 150;
    int32_t c = 0;
    if (h < 0) {
        h = 0;
    } else if (h > 255) {
        c = 255;
        h = 0;
    } else if (h < 128) {
        c = h;
    } else {
        c = h;
        h = 255 - h;
    }
    c += std::abs(h) * (midTone - 50) / 128;
    // How far below the middle: the shadow slider's reach.
    int32_t b = 0;
    if (c < 0) {
        b = 128;
        c = 0;
    } else if (c > 255) {
        c = 255;
    } else if (c < 128) {
        b = 128 - c;
    }
    c += std::abs(b) * (2 * shadow - 100) / 128;
    // How far above the middle: the highlight slider's reach.
    int32_t a = 0;
    if (c < 0) {
        c = 0;
    } else if (c > 127) {
        a = c - 128;
    }
    c += std::abs(a) * (2 * highlight - 100) / 128;
    return static_cast<uint8_t>(std::clamp(c, 0, 255));
}

void LightingLevels::CreatePanel() {
    ControlPanel& panel = MutablePanel();
    panel.Add<SliderCtrl>(PanelParent(), Rect{20, 38, 190, 56}, "Shift", kShift, this).SetRange(0, 150);
    panel.Add<SliderCtrl>(PanelParent(), Rect{205, 38, 365, 56}, "Shadow", kShadow, this).SetRange(0, 100);
    panel.Add<SliderCtrl>(PanelParent(), Rect{380, 38, 545, 56}, "Mid Tone", kMidTone, this).SetRange(0, 100);
    panel.Add<SliderCtrl>(PanelParent(), Rect{560, 38, 725, 56}, "Highlight", kHighlight, this)
        .SetRange(0, 100);
    panel.Add<CHuecraftButton>(PanelParent(), Rect{735, 38, 785, 56}, "Apply", kApply, this);
    panel.Add<CHuecraftButton>(PanelParent(), kResetRect, "Reset", kResetId, this);
    ResetControls();
}

void LightingLevels::ResetControls() {
    SetSlider(kShift, 75);
    SetSlider(kShadow, 50);
    SetSlider(kMidTone, 50);
    SetSlider(kHighlight, 50);
}

bool LightingLevels::Command(int32_t id) {
    if (id >= kShift && id <= kApply) {
        Apply();
        return true;
    }
    return false;
}

std::vector<RLBuffer*> LightingLevels::Channels(LayerObject& layer) {
    if (!layer.shadow || !layer.shadow->lighting || !layer.shadow->lighting->IsCreated()) {
        return {};
    }
    return {layer.shadow->lighting.get()};
}

void LightingLevels::Prepare(LayerObject& /*layer*/) {
    const int32_t shift = SliderValue(kShift);
    const int32_t shadow = SliderValue(kShadow);
    const int32_t midTone = SliderValue(kMidTone);
    const int32_t highlight = SliderValue(kHighlight);
    for (int32_t v = 0; v < 256; ++v) {
        m_table[static_cast<size_t>(v)] = Level(v, shift, shadow, midTone, highlight);
    }
}

void LightingLevels::ApplyRow(LayerObject& layer, int32_t /*row*/, const std::vector<const uint8_t*>& saved,
                              const std::vector<uint8_t*>& out) {
    // Locals, so that the byte stores cannot be taken to alias the table or the row pointers.
    const std::array<uint8_t, 256> table = m_table;
    const uint8_t* from = saved[0];
    uint8_t* to = out[0];
    const int32_t n = layer.shadow->lighting->Width();
    for (int32_t x = 0; x < n; ++x) {
        to[x] = table[from[x]];
    }
}

// --- ColorAdjust

void ColorAdjust::CreatePanel() {
    ControlPanel& panel = MutablePanel();
    panel.Add<SliderCtrl>(PanelParent(), Rect{20, 38, 170, 56}, "Hue", kHue, this).SetRange(0, 100);
    panel.Add<SliderCtrl>(PanelParent(), Rect{185, 38, 355, 56}, "Saturation", kSaturation, this)
        .SetRange(0, 100);
    panel.Add<SliderCtrl>(PanelParent(), Rect{370, 38, 540, 56}, "Brightness", kBrightness, this)
        .SetRange(0, 100);
    panel.Add<SliderCtrl>(PanelParent(), Rect{555, 38, 705, 56}, "Opacity", kOpacity, this).SetRange(0, 100);
    panel.Add<CheckBox>(PanelParent(), Rect{715, 38, 785, 56}, "Use Mask", kUseMask, this);
    panel.Add<CHuecraftButton>(PanelParent(), kResetRect, "Reset", kResetId, this);
    ResetControls();
}

void ColorAdjust::ResetControls() {
    for (int32_t id = kHue; id <= kOpacity; ++id) {
        SetSlider(id, 50);
    }
    if (auto* box = dynamic_cast<CheckBox*>(Panel().Find(kUseMask))) {
        box->SetCheck(false);
    }
}

bool ColorAdjust::Command(int32_t id) {
    if (id >= kHue && id <= kUseMask) {
        Apply();
        return true;
    }
    return false;
}

std::vector<RLBuffer*> ColorAdjust::Channels(LayerObject& layer) {
    ObjectColor* c = layer.color.get();
    if (!c || !c->blue || !c->green || !c->red || !c->amount || !c->amount->IsCreated()) {
        return {};
    }
    return {c->blue.get(), c->green.get(), c->red.get(), c->amount.get()};
}

void ColorAdjust::Prepare(LayerObject& /*layer*/) {
    m_hue = SliderValue(kHue) - 50;
    m_saturation = 2 * SliderValue(kSaturation) - 100;
    m_brightness = SliderValue(kBrightness) - 50;
    m_opacity = (SliderValue(kOpacity) - 50) * 255 / 50;
    m_mask = MaskLayer(kUseMask);
}

void ColorAdjust::ApplyRow(LayerObject& layer, int32_t row, const std::vector<const uint8_t*>& saved,
                           const std::vector<uint8_t*>& out) {
    const int32_t width = layer.color->amount->Width();
    if (m_mask) {
        MaskWeights(*m_mask, layer, row, width);
    }
    // Runs of equal colour are converted once: the last conversion is kept.
    uint32_t lastSaved = 0xFFFFFFFF;
    uint32_t lastNew = 0;
    const int32_t opacity = m_opacity;
    const uint8_t* blue = saved[0];
    const uint8_t* green = saved[1];
    const uint8_t* red = saved[2];
    const uint8_t* amounts = saved[3];
    uint8_t* outBlue = out[0];
    uint8_t* outGreen = out[1];
    uint8_t* outRed = out[2];
    uint8_t* outAmount = out[3];
    const uint8_t* weights = m_mask ? m_weights.data() : nullptr;
    for (int32_t x = 0; x < width; ++x) {
        const uint8_t amount = amounts[x];
        const uint8_t b = blue[x];
        const uint8_t g = green[x];
        const uint8_t r = red[x];
        if (amount == 0) {
            outBlue[x] = b;
            outGreen[x] = g;
            outRed[x] = r;
            outAmount[x] = 0;
            continue;
        }
        const uint32_t color = MakeColor(r, g, b);
        if (color != lastSaved) {
            const Hsb was = RgbToHsb(color);
            Hsb now = was;
            now.h += m_hue;
            if (now.h < 0) {
                now.h += 240;
            } else if (now.h > 240) {
                now.h -= 240;
            }
            now.s = std::clamp(now.s + m_saturation, 0, 240);
            now.b = std::clamp(now.b + m_brightness, 0, 240);
            // An unchanged colour keeps its bytes: the round trip through HLS alone would drift.
            lastNew = now == was ? color : HsbToRgb(now);
            lastSaved = color;
        }
        uint8_t nb = static_cast<uint8_t>(ColorBlue(lastNew));
        uint8_t ng = static_cast<uint8_t>(ColorGreen(lastNew));
        uint8_t nr = static_cast<uint8_t>(ColorRed(lastNew));
        if (weights) {
            const uint8_t w = weights[x];
            const auto keep = static_cast<uint8_t>(255 - w);
            nb = static_cast<uint8_t>(std::min(255, Mul8(keep, nb) + Mul8(w, b)));
            ng = static_cast<uint8_t>(std::min(255, Mul8(keep, ng) + Mul8(w, g)));
            nr = static_cast<uint8_t>(std::min(255, Mul8(keep, nr) + Mul8(w, r)));
        }
        outBlue[x] = nb;
        outGreen[x] = ng;
        outRed[x] = nr;
        outAmount[x] = static_cast<uint8_t>(std::clamp(amount + opacity, 0, 255));
    }
}

} // namespace ts
