#pragma once

#include "interact/env.h"
#include "modes/brush_stroke.h"

#include <cstdint>
#include <functional>

namespace ts {

// The eraser mode: removes, under a round brush, any mix of the current layer's lines, painted colour
// and lighting, as its three check boxes say.
class EraserManager final : public EnvTool {
public:
    static constexpr const char* kTitle = "Eraser";
    static constexpr const char* kPrompt = "Use the Eraser to remove unwanted portions of the sketch.";
    static constexpr const char* kSketchFrameWarning =
        "You are about to erase in the Sketch Frame layer.\nOrdinarily, drawing and erasing is done in other "
        "layers.";

    static constexpr int32_t kEraserButton = 100;
    static constexpr int32_t kLines = 101;
    static constexpr int32_t kColor = 102;
    static constexpr int32_t kLighting = 103;

    explicit EraserManager(PaintingContext& context) : EnvTool(0), m_c(context), m_stroke(context) {}

    bool Activate() override;
    bool Deactivate(int32_t how) override;
    bool OnPanelCommand(int32_t id) override;
    bool OnErasePress(uint32_t flags, int32_t x, int32_t y) override;
    bool OnEraseDrag(uint32_t flags, int32_t x, int32_t y) override;
    bool OnEraseRelease(uint32_t flags, int32_t x, int32_t y) override;
    bool CanUndoStroke() override { return m_stroke.CanUndo(); }
    void UndoStroke() override { m_stroke.Undo(); }
    bool LeaveBeforeUndo() override;
    bool LeaveBeforeRedo() override;

    // The boxes (also before the panel exists). New layers carry no lines, so "Lines" starts off.
    void SetBoxes(bool lines, bool color, bool lighting);
    bool LinesOn() const { return m_lines; }
    bool ColorOn() const { return m_color; }
    bool LightingOn() const { return m_lighting; }

    // The stroke type for a mix of boxes (0 for none) and its extra parameter.
    static int32_t StrokeTypeFor(bool lines, bool color, bool lighting);
    // The line width value that the line tools set (3 x it is the line strokes' extra parameter): a fixed
    // one, or where the line panel's current width is read at each stroke.
    void SetLineWidth(int32_t width) { m_lineWidth = width; }
    void SetLineWidthSource(std::function<int32_t()> source) { m_lineWidthSource = std::move(source); }
    int32_t ExtraParameter() const {
        return m_lines ? 3 * (m_lineWidthSource ? m_lineWidthSource() : m_lineWidth) : 0;
    }

private:
    void CreatePanel() override;
    void ShowBoxes();

    PaintingContext& m_c;
    BrushStroke m_stroke;
    int32_t m_lineWidth = 1;
    std::function<int32_t()> m_lineWidthSource;
    bool m_lines = false;
    bool m_color = true;
    bool m_lighting = true;
};

} // namespace ts
