#pragma once

#include "interact/screen_tool.h"
#include "interact/select_manager.h"
#include "interact/selection.h"

#include <cstdint>

namespace ts {

// The select tool: a press picks the layer under the pointer or grabs the selection frame; dragging
// the frame moves or sizes the current layer.
class SelectTool final : public ScreenTool {
public:
    static constexpr int32_t kCommandId = 30;

    SelectTool(ToolContext& context, SelectManager& select, const SelectionDetector& detector)
        : ScreenTool(context, kCommandId), m_select(select), m_detector(detector) {}

    void Activate() override;
    bool OnLButtonDown(uint32_t flags, int32_t x, int32_t y) override;
    bool OnMouseMove(uint32_t flags, int32_t x, int32_t y) override;
    bool OnLButtonUp(uint32_t flags, int32_t x, int32_t y) override;

    // The frame part under the view point: a handle index (when the current mode shows the frame),
    // 8 for the body (when the mode lets it be moved), else -1; sets the matching cursor.
    int32_t HitTest(int32_t x, int32_t y);
    // The mode that edits the segments of a line being drawn: presses on them go there first.
    void SetSegmentEditor(Env* editor) { m_segmentEditor = editor; }

private:
    SelectManager& m_select;
    const SelectionDetector& m_detector;
    Env* m_segmentEditor = nullptr;
    bool m_editingSegments = false;
};

// The zoom tool: a press begins a zoom rectangle; the release zooms by the modifiers held.
class ZoomTool final : public ScreenTool {
public:
    static constexpr int32_t kCommandId = 32772;

    explicit ZoomTool(ToolContext& context) : ScreenTool(context, kCommandId) {}

    bool OnLButtonDown(uint32_t flags, int32_t x, int32_t y) override;
    bool OnLButtonUp(uint32_t flags, int32_t x, int32_t y) override;
    void SetCursor() override;
};

} // namespace ts
