#pragma once

#include "interact/rubber_line.h"
#include "modes/line_manager.h"
#include "modes/painting_tools.h"

#include <cstdint>

namespace ts {

// The line tool: each click adds a vertex of the polyline (the rubber line runs from the last one to
// the pointer), a double click or Esc finishes it. In edit mode a press grabs a segment end or selects
// segments instead.
class PointTool : public ScreenTool {
public:
    static constexpr int32_t kCommandId = 33062;
    static constexpr int32_t kKind = 4034;

    PointTool(ToolContext& context, RubberLine& rubber, int32_t commandId = kCommandId, int32_t kind = kKind)
        : ScreenTool(context, commandId, kind), m_rubber(rubber) {}

    void SetMode(LineManager* mode) { m_mode = mode; }
    void Activate() override;
    bool OnLButtonDown(uint32_t flags, int32_t x, int32_t y) override;
    bool OnMouseMove(uint32_t flags, int32_t x, int32_t y) override;
    bool OnLButtonUp(uint32_t flags, int32_t x, int32_t y) override;
    bool OnDoubleClick(uint32_t flags, int32_t x, int32_t y) override;
    bool OnKeyDown(uint32_t key, uint32_t repeat, uint32_t flags) override;
    void SetCursor() override;

    bool EditMode() const { return m_edit; }
    void SetEditMode(bool edit);

protected:
    LineManager* m_mode = nullptr;
    RubberLine& m_rubber;

private:
    bool SnapsToShownGrid() const;

    bool m_edit = false;
    bool m_editPress = false;
    bool m_gridSnap = false; // the cursor last set shows the grid snap
};

// The ray tool: as the line tool, but each segment runs on through the click to the layer's edge, and
// Ctrl does not constrain it.
class RayTool final : public PointTool {
public:
    static constexpr int32_t kCommandId = 33083;
    explicit RayTool(ToolContext& context, RubberLine& rubber)
        : PointTool(context, rubber, kCommandId, 4036) {}
    void Activate() override;
    bool IsRay() const override { return true; }
};

// The offset tools: a press on a segment of the line being drawn and a drag across make a parallel
// copy of it through the release point (the ray version across the whole layer).
class OffsetLineTool : public ScreenTool {
public:
    static constexpr int32_t kCommandId = 33187;
    OffsetLineTool(ToolContext& context, int32_t commandId = kCommandId, int32_t kind = 4037)
        : ScreenTool(context, commandId, kind, true) {}
    void SetMode(LineManager* mode) { m_mode = mode; }
    void Activate() override;
    bool OnLButtonDown(uint32_t flags, int32_t x, int32_t y) override;
    bool OnLButtonUp(uint32_t flags, int32_t x, int32_t y) override;

protected:
    LineManager* m_mode = nullptr;

private:
    IntPoint m_press;
    bool m_pressed = false;
};

class OffsetRayTool final : public OffsetLineTool {
public:
    static constexpr int32_t kCommandId = 33087;
    explicit OffsetRayTool(ToolContext& context) : OffsetLineTool(context, kCommandId, 4038) {}
    void Activate() override;
    bool IsRay() const override { return true; }
};

// The partial-segment eraser: a click on a segment takes away its part between selected segments.
class LinePartialSegmentEraserTool final : public BrushTool {
public:
    static constexpr int32_t kCommandId = 32;
    explicit LinePartialSegmentEraserTool(ToolContext& context);
    bool OnLButtonDown(uint32_t flags, int32_t x, int32_t y) override;
};

// The line mode's eraser ("Erase"): takes away the lines the brush meets.
class LineEraserTool final : public BrushTool {
public:
    static constexpr int32_t kCommandId = 32926;
    explicit LineEraserTool(ToolContext& context);
};

// The line mode's dropper ("Sample"): the colour of the line under the brush becomes the palette's.
class LineDropperTool final : public BrushTool {
public:
    explicit LineDropperTool(ToolContext& context);
};

// The pen: changes the appearance, width, colour, freehand or style of the lines it is dragged over,
// or repairs lines along the drag, as the line panel's variant says. Its button id follows the variant.
class ColoredPencilTool final : public BrushTool {
public:
    static constexpr int32_t kCommandId = 32940;
    static constexpr int32_t kWidthId = 32957;
    static constexpr int32_t kColorId = 32958;
    static constexpr int32_t kFreehandId = 32959;
    static constexpr int32_t kStyleId = 32960;
    static constexpr int32_t kRepairId = 31;

    explicit ColoredPencilTool(ToolContext& context);
    void SetMode(LineManager* mode) { m_mode = mode; }
    void Activate() override;
    // The button id of a variant.
    static int32_t VariantId(int32_t variant);
    int32_t CurrentId() const { return m_currentId; }

private:
    LineManager* m_mode = nullptr;
    int32_t m_currentId = kCommandId;
};

} // namespace ts
