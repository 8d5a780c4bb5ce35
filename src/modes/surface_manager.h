#pragma once

#include "interact/env.h"
#include "interact/screen_tool.h"
#include "modes/brush_stroke.h"
#include "modes/flood_fill.h"
#include "render/compositor.h"

#include <cstdint>

namespace ts {

// The surface colour mode: paints the coloured-pencil colour of a layer (its colour bytes, amount and
// appearance) with the stroke engine, fills areas bounded by the lines, and paints or erases the whole
// layer at once ("All").
class SurfaceManager final : public EnvTool {
public:
    static constexpr const char* kTitle = "Color";
    static constexpr const char* kPrompt = "Paint on color.";
    static constexpr const char* kBoardTitle = "Surface";
    static constexpr const char* kBoardPrompt = "Erase Board ShowThru.";
    static constexpr const char* kGradientLightName = "Gradient Light";
    static constexpr const char* kGradientLightWarning =
        "Are you sure you want to paint color onto the Gradient Light layer?\nIf not, switch to a different "
        "layer.";
    static constexpr const char* kAllMessage = "All is for Paint, Erase, or Paper.";

    // Panel identifiers; the "Color" button opens the colour choice.
    static constexpr int32_t kColorButton = 109;
    static constexpr int32_t kPaintColor = 110;
    static constexpr int32_t kSample = 111;
    static constexpr int32_t kErase = 112;
    static constexpr int32_t kBlend = 113;
    static constexpr int32_t kOpaque = 114;
    static constexpr int32_t kAll = 115;
    static constexpr int32_t kEraseLighting = 116;
    static constexpr int32_t kFill = 117;

    // The panel's modes.
    enum Mode : int32_t {
        kPaintMode = 0,
        kFillMode = 1,
        kSampleMode = 2,
        kEraseMode = 3,
        kBlendMode = 4,
        kOpaqueMode = 5
    };

    SurfaceManager(PaintingContext& context, ViewSwitches& switches);

    // The tools the panel's buttons pick: the painting, erasing and sampling tools, and the brushes
    // that change one channel (hue, saturation, value).
    void SetTools(ScreenTool* paint, ScreenTool* eraser, ScreenTool* sample);
    void SetChannelTools(ScreenTool* hue, ScreenTool* saturation, ScreenTool* value);

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
    bool OnKeyDown(uint32_t key, uint32_t repeat, uint32_t flags) override;
    bool CanUndoStroke() override { return m_stroke.CanUndo(); }
    void UndoStroke() override { m_stroke.Undo(); }
    void OnPaletteColorChanged() override;
    bool LeaveBeforeUndo() override;
    bool LeaveBeforeRedo() override;

    Mode CurrentMode() const { return m_mode; }
    uint8_t Appearance() const { return m_appearance; }
    uint32_t PaintColor() const { return m_color; }

    // Every pixel of the current layer takes the painting colour (appearance 0) or keeps its colour
    // (appearance 1, opaque paper), with that appearance and full amount.
    bool GlobalPaint(uint8_t appearance);
    // Every pixel of the current layer loses its paint: appearance 1, amount 0.
    bool GlobalImageErase();
    // Fills the area around a view point, bounded by the layer's lines, with the palette's colour.
    bool FillAt(int32_t x, int32_t y);
    // The colour under the brush at a view point (painted pixels, weighed by their amount) becomes the
    // palette's current colour; false when nothing is painted there.
    bool SampleAt(int32_t x, int32_t y);

private:
    void CreatePanel() override;
    void SelectMode(Mode mode, int32_t button, ScreenTool* tool);
    bool StartStroke(int32_t x, int32_t y);
    // The current layer with colour channels, or null.
    LayerObject* ColorLayer();
    // Rewrites every row of the colour channels (row order: appearance, blue, green, red, amount).
    bool ForEveryPixel(LayerObject& layer, const char* reason, bool paintColor, uint8_t appearance,
                       uint8_t amount);
    void ShowLayer(const LayerObject& layer, const Rect& layerRect, const char* reason);

    PaintingContext& m_c;
    ViewSwitches& m_switches;
    BrushStroke m_stroke;
    FloodFill m_fill;
    ScreenTool* m_paintTool = nullptr;
    ScreenTool* m_eraserTool = nullptr;
    ScreenTool* m_sampleTool = nullptr;
    ScreenTool* m_hueTool = nullptr;
    ScreenTool* m_saturationTool = nullptr;
    ScreenTool* m_valueTool = nullptr;
    Mode m_mode = kPaintMode;
    uint32_t m_color = 0;
    uint8_t m_strength = 255;
    uint8_t m_appearance = 0;
    bool m_activatedOnce = false;
    bool m_savedShowColor = true;
};

} // namespace ts
