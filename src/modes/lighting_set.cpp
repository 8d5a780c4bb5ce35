#include "modes/lighting_set.h"

#include "raster/color_spaces.h"

#include <algorithm>

namespace ts {

namespace {

constexpr Rect kSunRect{58, 38, 118, 56};
constexpr Rect kShadeRect{128, 38, 198, 56};
constexpr Rect kHueRect{218, 38, 388, 56};
constexpr Rect kChromaRect{408, 38, 558, 56};
constexpr Rect kBlendRect{578, 38, 708, 56};
constexpr Rect kBackgroundRect{728, 38, 813, 56};
constexpr Rect kResetRect{833, 38, 903, 56};

constexpr int32_t kSunLightness = 180;
constexpr int32_t kShadeLightness = 60;

uint32_t Mix(uint32_t base, uint32_t tint, int32_t percent) {
    const auto p = static_cast<uint32_t>(std::clamp(percent, 0, 100));
    uint32_t out = 0;
    for (int shift = 0; shift < 24; shift += 8) {
        const uint32_t a = (base >> shift) & 0xFF;
        const uint32_t b = (tint >> shift) & 0xFF;
        out |= ((a * (100 - p) + b * p + 50) / 100) << shift;
    }
    return out;
}

} // namespace

void LightingSet::CreatePanel() {
    ControlPanel& panel = MutablePanel();
    panel.Add<CHuecraftButton>(PanelParent(), kSunRect, "Sun", kSun, this);
    panel.Add<CHuecraftButton>(PanelParent(), kShadeRect, "Shade", kShade, this);
    panel.Add<SliderCtrl>(PanelParent(), kHueRect, "Hue", kHue, this).SetRange(0, 239);
    panel.Add<SliderCtrl>(PanelParent(), kChromaRect, "Chroma", kChroma, this).SetRange(0, 240);
    panel.Add<SliderCtrl>(PanelParent(), kBlendRect, "Blend", kBlend, this).SetRange(0, 100);
    ComboBox& background =
        panel.Add<ComboBox>(PanelParent(), kBackgroundRect, "Background", kBackground, this);
    background.AddString("Neutral");
    background.AddString("Board");
    panel.Add<CHuecraftButton>(PanelParent(), kResetRect, "Reset", kReset, this);
}

void LightingSet::ShowSettings() {
    if (!PanelCreated()) {
        return;
    }
    PressExclusive(Panel(), {kSun, kShade}, m_editSun ? kSun : kShade);
    const Settings& s = Current();
    const int32_t values[] = {s.hue, s.chroma, s.blend};
    for (int32_t i = 0; i < 3; ++i) {
        if (auto* slider = dynamic_cast<SliderCtrl*>(Panel().Find(kHue + i))) {
            slider->SetPos(values[i]);
        }
    }
    if (auto* combo = dynamic_cast<ComboBox*>(Panel().Find(kBackground))) {
        combo->SetCurSel(m_boardBase ? 1 : 0);
    }
}

void LightingSet::ReadPanel() {
    Settings& s = m_editSun ? m_sun : m_shade;
    int32_t* values[] = {&s.hue, &s.chroma, &s.blend};
    for (int32_t i = 0; i < 3; ++i) {
        if (auto* slider = dynamic_cast<SliderCtrl*>(Panel().Find(kHue + i))) {
            *values[i] = slider->GetPos();
        }
    }
    if (auto* combo = dynamic_cast<ComboBox*>(Panel().Find(kBackground))) {
        m_boardBase = combo->GetCurSel() == 1;
    }
}

bool LightingSet::Activate() {
    m_recordedLayer = 0;
    ShowPanel();
    ShowSettings();
    return true;
}

bool LightingSet::Deactivate(int32_t /*how*/) {
    HidePanel();
    return true;
}

void LightingSet::EditSun(bool sun) {
    m_editSun = sun;
    ShowSettings();
}

void LightingSet::Set(const Settings& settings) {
    (m_editSun ? m_sun : m_shade) = settings;
    ShowSettings();
}

void LightingSet::SetBoardBase(bool board) {
    m_boardBase = board;
    ShowSettings();
}

bool LightingSet::OnPanelCommand(int32_t id) {
    switch (id) {
    case kSun:
    case kShade:
        EditSun(id == kSun);
        return true;
    case kHue:
    case kChroma:
    case kBlend:
    case kBackground:
        ReadPanel();
        Apply();
        return true;
    case kReset:
        Reset();
        return true;
    default:
        return false;
    }
}

void LightingSet::OnPaletteColorChanged() {
    const Hsb hsb = RgbToHsb(m_c.palettes.GetCurrentColor());
    Set(Settings{hsb.h, hsb.s, 100});
    Apply();
}

uint32_t LightingSet::BoardColor() const {
    const LayerObject* paper = m_c.stack.Layer(ImageStackManager::kPaperIndex);
    return paper && paper->image ? paper->image->AverageColor() & 0x00FFFFFF : 0x00FFFFFF;
}

uint32_t LightingSet::ColorFor(const Settings& settings, bool sun) const {
    uint32_t base = sun ? kNeutralSun : kNeutralShade;
    if (m_boardBase) {
        base = sun ? BoardColor() : Mix(0, BoardColor(), 33);
    }
    const uint32_t tint = HsbToRgb(Hsb{settings.hue, settings.chroma, sun ? kSunLightness : kShadeLightness});
    return Mix(base, tint, settings.blend);
}

bool LightingSet::Write(uint32_t sun, uint32_t shade) {
    LayerObject* layer = CurrentDrawingLayer(m_c.stack);
    if (!layer) {
        return false;
    }
    if (m_recordedLayer != layer->id) {
        m_c.undo.SnapshotCurrentLayer(false);
        m_recordedLayer = layer->id;
    }
    if (!layer->shadow || !layer->shadow->lighting) {
        auto shadow = std::make_unique<ObjectShadow>();
        if (!shadow->Create(m_c.stack.LayerWidth(*layer), m_c.stack.LayerHeight(*layer))) {
            return false;
        }
        layer->shadow = std::move(shadow);
    }
    // The light colour goes in the entry's colour, the shade colour in its reference.
    ShadowAppearance pair;
    pair.color = static_cast<int32_t>(sun);
    pair.reference = static_cast<int32_t>(shade);
    layer->shadow->appearances.Set(m_shadows.LightIndex(), pair);
    m_c.refresh.MarkViewContents(LayerRect(m_c.stack, *layer));
    m_c.refresh.Refresh(kRefreshReason);
    return true;
}

bool LightingSet::Apply() {
    return Write(ColorFor(m_sun, true), ColorFor(m_shade, false));
}

bool LightingSet::Reset() {
    m_sun = Settings{};
    m_shade = Settings{};
    m_boardBase = false;
    ShowSettings();
    return Write(kNeutralSun, kNeutralShade);
}

} // namespace ts
