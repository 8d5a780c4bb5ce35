#pragma once

#include "interact/env.h"
#include "modes/brush_stroke.h"
#include "modes/painting_tools.h"

#include <cstdint>
#include <functional>

namespace ts {

// The merge brush ("Merge Brush"): brushes a source layer's lines, lighting and colour, as the boxes
// say, into the current layer. "Source" takes the current layer as the source; the user then picks the
// layer to brush into. Under the brush the current layer comes to show what the source shows there (the
// stroke rules of type 24): fully covered pixels take the source's bytes, the brush's edge blends by
// coverage, and the source is only read. Without a source the brush lays opaque paper.
class MaskManager final : public EnvTool {
public:
    static constexpr const char* kTitle = "Mask";
    static constexpr const char* kPrompt = "Paint the mask.";
    static constexpr const char* kPanelName = "Merge Brush";
    static constexpr const char* kNoSource =
        "No source layer has been specified.\nThe default opaque paper will be used.";
    static constexpr const char* kSameLayer =
        "Pick a destination layer other than the source layer.\nYou need to specify a source layer and then "
        "select the destination layer.";
    static constexpr const char* kNoMemory = "There is not enough memory to merge into this layer.";

    static constexpr int32_t kBrushButton = 99;
    static constexpr int32_t kSource = 100;
    static constexpr int32_t kLines = 101;
    static constexpr int32_t kLighting = 102;
    static constexpr int32_t kColor = 103;

    explicit MaskManager(PaintingContext& context) : EnvTool(0), m_c(context), m_stroke(context) {}

    bool Activate() override;
    bool Deactivate(int32_t how) override;
    bool OnPanelCommand(int32_t id) override;
    bool OnToolPress(uint32_t flags, int32_t x, int32_t y) override;
    bool OnPaintDrag(uint32_t flags, int32_t x, int32_t y) override;
    bool OnPaintRelease(uint32_t flags, int32_t x, int32_t y) override;
    bool CanUndoStroke() override { return m_stroke.CanUndo(); }
    void UndoStroke() override { m_stroke.Undo(); }
    bool LeaveBeforeUndo() override;
    bool LeaveBeforeRedo() override;

    // The current drawing layer becomes the source; false when there is none.
    bool TakeSource();
    // The source layer, or null when none was taken (or it is gone).
    const LayerObject* Source() const;
    void SetBoxes(bool lines, bool lighting, bool color);
    bool LinesOn() const { return m_lines; }
    bool LightingOn() const { return m_lighting; }
    bool ColorOn() const { return m_color; }

    // Where the line panel's current width is read (3 x it is the stroke's extra parameter: the reach of
    // the lines' stamps).
    void SetLineWidthSource(std::function<int32_t()> source) { m_lineWidthSource = std::move(source); }
    int32_t ExtraParameter() const { return m_lines ? 3 * (m_lineWidthSource ? m_lineWidthSource() : 1) : 0; }

private:
    void CreatePanel() override;
    void ShowBoxes();
    // Gives the layer what the boxes merge into: lines (an occupancy of its own when it has none),
    // colour channels with nothing painted, a neutral lighting object. False when memory runs out.
    bool PrepareLayer(LayerObject& layer);

    PaintingContext& m_c;
    BrushStroke m_stroke;
    std::function<int32_t()> m_lineWidthSource;
    uint32_t m_sourceId = 0;
    // Lines start off: under the brush the source's lines replace the layer's, and a source without
    // lines would take the layer's own away.
    bool m_lines = false;
    bool m_lighting = true;
    bool m_color = true;
    bool m_paperTold = false; // the missing source was told once this visit
};

// The merge brush's tool: enters the merge brush and passes its strokes on.
class MaskTool final : public BrushTool {
public:
    MaskTool(ToolContext& context, int32_t commandId);

protected:
    void SendNotice() override { m_context.environment.OnMaskToolSelected(); }
};

} // namespace ts
