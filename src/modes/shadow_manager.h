#pragma once

#include "interact/env.h"
#include "interact/screen_tool.h"
#include "modes/brush_stroke.h"
#include "modes/flood_fill.h"

#include <cstdint>

namespace ts {

// The lighting mode: paints light and shade on a layer's lighting object. The brush moves the level
// of the pixels it covers toward a target level (below 128 shades, above 128 lights) and writes the
// light-colour index chosen by the "-2" .. "+2" buttons, which selects the light and shade colours and
// how strongly the layer's lighting colour counts.
//
// Target and mode: the panel's "Level" slider is the target T (0..255, 64 to start: a clear shade);
// Shift held at the press paints the mirror level 256 - T, so one setting gives both shade and light.
// Without "Relative" the brush sets: fully covered pixels take T and repeated strokes do not build up.
// With "Relative" each stroke moves the level by T - 128 once, so strokes build up.
//
// Fill and "All" apply the same rule to an area: Fill to the area around the click bounded by the
// layer's lines (as the colour fill), "All" to every pixel of the layer. With the lighting eraser
// chosen, "All" returns every pixel to neutral; the sampling and blending tools have no "All".
class ShadowManager final : public EnvTool {
public:
    static constexpr const char* kTitle = "Lighting";
    static constexpr const char* kPrompt = "Paint On Lighting.";
    static constexpr const char* kEraseTitle = "Shadows";
    static constexpr const char* kErasePrompt = "Erase Shadows";
    static constexpr const char* kNoShadows = "No shadows found.";
    static constexpr const char* kAllMessage = "All is for the lighting brush or Erase.";

    static constexpr int32_t kMinus2 = 150;
    static constexpr int32_t kMinus1 = 151;
    static constexpr int32_t kBrushOn = 152;
    static constexpr int32_t kPlus1 = 153;
    static constexpr int32_t kPlus2 = 154;
    static constexpr int32_t kSample = 155;
    static constexpr int32_t kErase = 156;
    static constexpr int32_t kBlend = 157;
    static constexpr int32_t kAll = 158;
    static constexpr int32_t kFill = 161;
    static constexpr int32_t kLevel = 162;
    static constexpr int32_t kRelative = 163;

    enum class Tool { kBrush, kSample, kErase, kBlend };

    explicit ShadowManager(PaintingContext& context) : EnvTool(kShadowsId), m_c(context), m_stroke(context) {}

    void SetTools(ScreenTool* paint, ScreenTool* blend, ScreenTool* sample, ScreenTool* eraser);

    bool Activate() override;
    bool Deactivate(int32_t how) override;
    bool SupportsQuickSwitch() override { return true; }
    bool OnPanelCommand(int32_t id) override;
    bool OnPaintPress(uint32_t flags, int32_t x, int32_t y) override;
    bool OnPaintDrag(uint32_t flags, int32_t x, int32_t y) override;
    bool OnPaintRelease(uint32_t flags, int32_t x, int32_t y) override;
    bool OnErasePress(uint32_t flags, int32_t x, int32_t y) override;
    bool OnEraseDrag(uint32_t flags, int32_t x, int32_t y) override;
    bool OnEraseRelease(uint32_t flags, int32_t x, int32_t y) override;
    bool OnSamplePress(uint32_t flags, int32_t x, int32_t y) override;
    bool OnShadowEraserSelected() override;
    bool CanUndoStroke() override { return m_stroke.CanUndo(); }
    void UndoStroke() override { m_stroke.Undo(); }
    bool LeaveBeforeUndo() override;
    bool LeaveBeforeRedo() override;

    // The light-colour index the brush writes (0..4) and the brush's target and mode.
    uint8_t LightIndex() const { return m_lightIndex; }
    uint8_t Level() const { return m_level; }
    bool Relative() const { return m_relative; }
    Tool CurrentTool() const { return m_tool; }
    bool FillOn() const { return m_fill; }
    void SetLevel(uint8_t level, bool relative);

    // Applies the current choice to the whole current layer; false when nothing was done.
    bool ApplyToAll();
    // The lighting fill around a view point; false outside the layer.
    bool FillAt(int32_t x, int32_t y, bool mirror);
    // Picks the visible layer with most lighting under the brush at a view point, makes it current
    // and takes its level and light colour; "No shadows found." when there is none.
    bool PickShadedLayer(int32_t x, int32_t y);

private:
    void CreatePanel() override;
    void ShowChoices();
    void ChooseTool(Tool tool, int32_t button, ScreenTool* screenTool);
    // The current drawing layer when the view point lies on it, else null.
    LayerObject* LayerUnder(int32_t x, int32_t y);
    bool EnsureLighting(LayerObject& layer);
    uint8_t Target(bool mirror) const;
    // The new level of a pixel under the set or relative rule at full coverage.
    uint8_t Apply(uint8_t level, uint8_t target) const;
    void ShowLayer(const LayerObject& layer, const Rect& layerRect, const char* reason);

    PaintingContext& m_c;
    BrushStroke m_stroke;
    FloodFill m_fillArea;
    ScreenTool* m_paintTool = nullptr;
    ScreenTool* m_blendTool = nullptr;
    ScreenTool* m_sampleTool = nullptr;
    ScreenTool* m_eraserTool = nullptr;
    Tool m_tool = Tool::kBrush;
    int32_t m_button = kBrushOn;
    uint8_t m_lightIndex = 0;
    uint8_t m_level = 64;
    bool m_relative = false;
    bool m_fill = false;
};

} // namespace ts
