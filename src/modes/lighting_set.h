#pragma once

#include "interact/env.h"
#include "modes/brush_stroke.h"
#include "modes/shadow_manager.h"

#include <cstdint>

namespace ts {

// The lighting colour mode: the light ("Sun") and shade colours of the light-colour index the
// lighting brush writes, on the current layer. The compositor tints lit pixels toward the light colour
// and shaded ones toward the shade colour of their index.
//
// The colours: a tint of hue "Hue" and saturation "Chroma" (0..240 scale) at lightness 180 for the sun
// and 60 for the shade, mixed into the base colour by "Blend" percent. The base ("Background") is
// either neutral (white sun, black shade: the colours an index has before it is set) or the board's
// colour (for the shade, at a third of its brightness). "Reset" gives the index its neutral pair back.
class LightingSet final : public EnvEffect {
public:
    static constexpr const char* kTitle = "Lighting Set";
    static constexpr const char* kPrompt = "Setup the layer lighting colors.";
    static constexpr const char* kRefreshReason = "R_LightingSet";

    static constexpr int32_t kSun = 170;
    static constexpr int32_t kShade = 171;
    static constexpr int32_t kHue = 172;
    static constexpr int32_t kChroma = 173;
    static constexpr int32_t kBlend = 174;
    static constexpr int32_t kBackground = 175;
    static constexpr int32_t kReset = 176;

    static constexpr uint32_t kNeutralSun = 0x00FFFFFF;
    static constexpr uint32_t kNeutralShade = 0x00000000;

    LightingSet(PaintingContext& context, ShadowManager& shadows)
        : EnvEffect(kLightingSetId), m_c(context), m_shadows(shadows) {}

    bool Activate() override;
    bool Deactivate(int32_t how) override;
    bool OnPanelCommand(int32_t id) override;
    // The palette's colour gives the edited colour its hue and chroma at full blend.
    void OnPaletteColorChanged() override;

    // The settings of the edited colour (also before the panel exists).
    struct Settings {
        int32_t hue = 0;
        int32_t chroma = 0;
        int32_t blend = 0; // percent
    };
    void EditSun(bool sun);
    bool EditingSun() const { return m_editSun; }
    void Set(const Settings& settings);
    const Settings& Current() const { return m_editSun ? m_sun : m_shade; }
    void SetBoardBase(bool board);

    // The colour the settings give for the sun or the shade.
    uint32_t ColorFor(const Settings& settings, bool sun) const;
    // Writes the pair of the brush's index into the current layer; false without a drawing layer.
    bool Apply();
    // The neutral pair for the brush's index.
    bool Reset();

private:
    void CreatePanel() override;
    void ShowSettings();
    void ReadPanel();
    uint32_t BoardColor() const;
    bool Write(uint32_t sun, uint32_t shade);

    PaintingContext& m_c;
    ShadowManager& m_shadows;
    Settings m_sun;
    Settings m_shade;
    bool m_editSun = true;
    bool m_boardBase = false;
    // One undo record per visit and layer: the sliders change the colours many times a second.
    uint32_t m_recordedLayer = 0;
};

} // namespace ts
