#include "modes/layer_effects.h"

#include "raster/color_spaces.h"
#include "raster/pixel_tables.h"

#include <algorithm>
#include <bit>
#include <cstdlib>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace ts {

namespace {

constexpr Rect kResetRect{790, 38, 840, 56};

// The length of the run of pixels of one colour from the start of the three channel rows (n > 0).
size_t SameColorRun(const uint8_t* blue, const uint8_t* green, const uint8_t* red, size_t n) {
    size_t i = 1;
#if defined(__SSE2__)
    const __m128i b = _mm_set1_epi8(static_cast<char>(blue[0]));
    const __m128i g = _mm_set1_epi8(static_cast<char>(green[0]));
    const __m128i r = _mm_set1_epi8(static_cast<char>(red[0]));
    for (; i + 16 <= n; i += 16) {
        const auto load = [i](const uint8_t* p) {
            return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
        };
        const __m128i same =
            _mm_and_si128(_mm_and_si128(_mm_cmpeq_epi8(load(blue), b), _mm_cmpeq_epi8(load(green), g)),
                          _mm_cmpeq_epi8(load(red), r));
        const auto bits = static_cast<uint32_t>(_mm_movemask_epi8(same));
        if (bits != 0xFFFF) {
            return i + static_cast<size_t>(std::countr_one(bits));
        }
    }
#endif
    while (i < n && blue[i] == blue[0] && green[i] == green[0] && red[i] == red[0]) {
        ++i;
    }
    return i;
}

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

void LightingLevels::RewriteRow(LayerObject& /*layer*/, int32_t row, const std::vector<RLBuffer*>& channels) {
    channels[0]->PutMappedRow(row, Saved(0), m_table.data());
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
    // Amount 0 (no paint) stays 0.
    m_amounts[0] = 0;
    for (int32_t a = 1; a < 256; ++a) {
        m_amounts[static_cast<size_t>(a)] = static_cast<uint8_t>(std::clamp(a + m_opacity, 0, 255));
    }
    m_lastSaved = 0xFFFFFFFF;
}

uint32_t ColorAdjust::Adjusted(uint32_t color) {
    if (color == m_lastSaved) {
        return m_lastNew;
    }
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
    m_lastNew = now == was ? color : HsbToRgb(now);
    m_lastSaved = color;
    return m_lastNew;
}

void ColorAdjust::RewriteRow(LayerObject& layer, int32_t row, const std::vector<RLBuffer*>& channels) {
    if (m_mask) {
        LayerEffect::RewriteRow(layer, row, channels);
        return;
    }
    const auto width = static_cast<size_t>(channels[0]->Width());
    for (size_t i = 0; i < 4; ++i) {
        Saved(i).ReadRow(row, m_savedRows[i].data());
    }
    const uint8_t* blue = m_savedRows[0].data();
    const uint8_t* green = m_savedRows[1].data();
    const uint8_t* red = m_savedRows[2].data();
    const uint8_t* amounts = m_savedRows[3].data();
    uint8_t* outBlue = m_outRows[0].data();
    uint8_t* outGreen = m_outRows[1].data();
    uint8_t* outRed = m_outRows[2].data();
    for (size_t x = 0; x < width;) {
        const uint8_t b = blue[x];
        const uint8_t g = green[x];
        const uint8_t r = red[x];
        const size_t end = x + SameColorRun(blue + x, green + x, red + x, width - x);
        // Painted pixels of the run take its new colour, the others keep theirs.
        const uint32_t adjusted = Adjusted(MakeColor(r, g, b));
        const auto nb = static_cast<uint8_t>(ColorBlue(adjusted));
        const auto ng = static_cast<uint8_t>(ColorGreen(adjusted));
        const auto nr = static_cast<uint8_t>(ColorRed(adjusted));
        for (size_t i = x; i < end; ++i) {
            const bool painted = amounts[i] != 0;
            outBlue[i] = painted ? nb : b;
            outGreen[i] = painted ? ng : g;
            outRed[i] = painted ? nr : r;
        }
        x = end;
    }
    for (size_t i = 0; i < 3; ++i) {
        channels[i]->PutRow(row, m_outRows[i].data());
    }
    channels[3]->PutMappedRow(row, Saved(3), m_amounts.data());
}

void ColorAdjust::ApplyRow(LayerObject& layer, int32_t row, const std::vector<const uint8_t*>& saved,
                           const std::vector<uint8_t*>& out) {
    const int32_t width = layer.color->amount->Width();
    MaskWeights(*m_mask, layer, row, width);
    const uint8_t* blue = saved[0];
    const uint8_t* green = saved[1];
    const uint8_t* red = saved[2];
    const uint8_t* amounts = saved[3];
    uint8_t* outBlue = out[0];
    uint8_t* outGreen = out[1];
    uint8_t* outRed = out[2];
    uint8_t* outAmount = out[3];
    const uint8_t* weights = m_weights.data();
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
        const uint32_t adjusted = Adjusted(MakeColor(r, g, b));
        const auto nb = static_cast<uint8_t>(ColorBlue(adjusted));
        const auto ng = static_cast<uint8_t>(ColorGreen(adjusted));
        const auto nr = static_cast<uint8_t>(ColorRed(adjusted));
        const uint8_t w = weights[x];
        const auto keep = static_cast<uint8_t>(255 - w);
        outBlue[x] = static_cast<uint8_t>(std::min(255, Mul8(keep, nb) + Mul8(w, b)));
        outGreen[x] = static_cast<uint8_t>(std::min(255, Mul8(keep, ng) + Mul8(w, g)));
        outRed[x] = static_cast<uint8_t>(std::min(255, Mul8(keep, nr) + Mul8(w, r)));
        outAmount[x] = m_amounts[amount];
    }
}

} // namespace ts
