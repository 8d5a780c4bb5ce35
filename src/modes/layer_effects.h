#pragma once

#include "modes/layer_effect.h"

#include <array>
#include <cstdint>

namespace ts {

// Reworks the current layer's lighting levels through a fixed curve built from four sliders: "Shift"
// moves every level, "Mid Tone" bends the levels around the middle, "Shadow" the darks and "Highlight"
// the lights. Neutral level 128 stays neutral. At their starting values the sliders change nothing.
class LightingLevels final : public LayerEffect {
public:
    static constexpr const char* kTitle = "Lighting Levels";
    static constexpr const char* kPrompt = "Adjust lighting levels.";
    static constexpr const char* kNoLighting = "This layer has no lighting to adjust.";
    static constexpr int32_t kShift = 101;
    static constexpr int32_t kShadow = 102;
    static constexpr int32_t kMidTone = 103;
    static constexpr int32_t kHighlight = 104;
    static constexpr int32_t kApply = 105;

    using LayerEffect::LayerEffect;

    // The new level of a saved level v for the slider values.
    static uint8_t Level(int32_t v, int32_t shift, int32_t shadow, int32_t midTone, int32_t highlight);

private:
    void CreatePanel() override;
    bool Command(int32_t id) override;
    void ResetControls() override;
    std::vector<RLBuffer*> Channels(LayerObject& layer) override;
    const char* MissingPrompt() const override { return kNoLighting; }
    void Prepare(LayerObject& layer) override;
    // One table lookup per run of equal levels.
    void RewriteRow(LayerObject& layer, int32_t row, const std::vector<RLBuffer*>& channels) override;

    std::array<uint8_t, 256> m_table{};
};

// Turns the hue and moves the saturation, lightness and opacity of the current layer's paint. Pixels
// without paint are never touched. With "Use Mask" and a layer named "Mask", that layer's lighting
// weighs the change per drawing pixel: level 0 takes the new colour fully, 128 (neutral, and anywhere
// the mask layer has no lighting) keeps the saved one.
class ColorAdjust final : public LayerEffect {
public:
    static constexpr const char* kTitle = "Color Adjust";
    static constexpr const char* kPrompt = "Adjust hue, saturation, brightness and opacity.";
    static constexpr const char* kNoColor = "This layer has no color to adjust.";
    static constexpr const char* kMaskName = kMaskLayerName;
    static constexpr int32_t kHue = 101;
    static constexpr int32_t kSaturation = 102;
    static constexpr int32_t kBrightness = 103;
    static constexpr int32_t kOpacity = 104;
    static constexpr int32_t kUseMask = 105;

    using LayerEffect::LayerEffect;

private:
    void CreatePanel() override;
    bool Command(int32_t id) override;
    void ResetControls() override;
    std::vector<RLBuffer*> Channels(LayerObject& layer) override;
    const char* MissingPrompt() const override { return kNoColor; }
    void Prepare(LayerObject& layer) override;
    // Without a mask: each run of equal colour converted once, the amount mapped run by run.
    void RewriteRow(LayerObject& layer, int32_t row, const std::vector<RLBuffer*>& channels) override;
    // With a mask, pixel by pixel.
    void ApplyRow(LayerObject& layer, int32_t row, const std::vector<const uint8_t*>& saved,
                  const std::vector<uint8_t*>& out) override;
    // The new colour of a saved one (0x00BBGGRR); the last conversion is kept for the next run.
    uint32_t Adjusted(uint32_t color);

    int32_t m_hue = 0;
    int32_t m_saturation = 0;
    int32_t m_brightness = 0;
    int32_t m_opacity = 0;
    const LayerObject* m_mask = nullptr;
    std::array<uint8_t, 256> m_amounts{}; // the new amount of each saved one
    uint32_t m_lastSaved = 0xFFFFFFFF;
    uint32_t m_lastNew = 0;
};

} // namespace ts
