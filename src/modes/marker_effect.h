#pragma once

#include "modes/layer_effect.h"

#include <cstdint>

namespace ts {

// Gives the current layer's paint the streaks of a broad marker: parallel strokes across the drawing at
// "Angle   " degrees (0 runs left to right, positive angles turn clockwise as seen), "Spacing" pixels
// from one stroke's centre to the next.
//  - Each stroke has its own width and strength, spread by "Variation" (0: all alike).
//  - Each stroke's centre meanders sideways along its length by up to "Wander" percent of the spacing,
//    smoothly over 64 pixels.
//  - "Overlap" widens the strokes from 80 % of the spacing (gaps between them) to 140 % (neighbours
//    overlap, and the overlap shows darker, as two layers of marker ink do).
//  - "Tilt " is the nib: at 50 a stroke is even across; below or above it is heavier on one edge.
//  - "Amount " is how strongly the pattern shows; at 0 (the start) the layer keeps its saved pixels, so
//    Reset gives the layer back exactly.
// Where no stroke falls the paint is lightened, or with "On White" thinned so that the board shows
// between the strokes. With "Use Mask" the layer named "Mask" weighs the effect as in Color Adjust.
// The randomness is the program's random table, so equal settings always give equal pixels.
class MarkerEffect final : public LayerEffect {
public:
    static constexpr const char* kTitle = "Marker Strokes";
    static constexpr const char* kPrompt = "Apply the marker strokes effect.";
    static constexpr const char* kNoColor = "This layer has no color to adjust.";
    static constexpr int32_t kSpacing = 101;
    static constexpr int32_t kVariation = 102;
    static constexpr int32_t kWander = 103;
    static constexpr int32_t kOverlap = 104;
    static constexpr int32_t kAmount = 105;
    static constexpr int32_t kTilt = 107;
    static constexpr int32_t kAngle = 108;
    static constexpr int32_t kUseMask = 109;
    static constexpr int32_t kOnWhite = 110;
    static constexpr int32_t kUpdate = 111;

    using LayerEffect::LayerEffect;

    // The ink at a drawing point for the current settings: 0 between strokes, 256 a full stroke, up to
    // 512 where two overlap.
    int32_t InkAt(double x, double y) const;

private:
    void CreatePanel() override;
    bool Command(int32_t id) override;
    void ResetControls() override;
    std::vector<RLBuffer*> Channels(LayerObject& layer) override;
    const char* MissingPrompt() const override { return kNoColor; }
    void Prepare(LayerObject& layer) override;
    void ApplyRow(LayerObject& layer, int32_t row, const std::vector<const uint8_t*>& saved,
                  const std::vector<uint8_t*>& out) override;
    // The sideways offset of stroke k at position u along it, in pixels.
    double Wander(int64_t k, double u) const;

    double m_spacing = 12;
    double m_variation = 0;
    double m_wander = 0;
    double m_width = 1;
    double m_tilt = 0;
    double m_cos = 1;
    double m_sin = 0;
    int32_t m_amount = 0;
    bool m_onWhite = false;
    const LayerObject* m_mask = nullptr;
};

} // namespace ts
