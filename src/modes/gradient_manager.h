#pragma once

#include "modes/layer_effect.h"

#include <cstdint>

namespace ts {

// Lays a lighting gradient over the drawing in a layer of its own, "Gradient Light" (found by name, or
// made as large as the drawing with no paint and neutral lighting, at the bottom of the stack with
// "Insert At Bottom"). The level runs from "Top Value" to "Bottom Value" along the direction "Angle"
// degrees from straight down; positive angles turn that direction counter-clockwise as the drawing is
// seen, so at 90 "Top Value" lies along the left edge and "Bottom Value" along the right.
class GradientManager final : public LayerEffect {
public:
    static constexpr const char* kTitle = "Lighting Gradient";
    static constexpr const char* kPrompt = "Create a gradient lighting layer.";
    static constexpr const char* kLayerName = "Gradient Light";
    static constexpr int32_t kTop = 101;
    static constexpr int32_t kBottom = 102;
    static constexpr int32_t kAngle = 103;
    static constexpr int32_t kInsertAtBottom = 110;

    using LayerEffect::LayerEffect;

    bool Apply() override;

    // The level at a rotated y, for the rotated extent [low, high] and the two end values.
    static uint8_t LevelAt(double y, double low, double high, int32_t top, int32_t bottom);

private:
    void CreatePanel() override;
    bool Command(int32_t id) override;
    void ResetControls() override;
    std::vector<RLBuffer*> Channels(LayerObject& /*layer*/) override { return {}; }
    const char* MissingPrompt() const override { return ""; }
    void ApplyRow(LayerObject&, int32_t, const std::vector<const uint8_t*>&,
                  const std::vector<uint8_t*>&) override {}
    // The gradient layer, current, with lighting; made when missing. Null when it cannot be made.
    LayerObject* GradientLayer();
    int32_t ComboNumber(int32_t id) const;
};

} // namespace ts
