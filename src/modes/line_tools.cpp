#include "modes/line_tools.h"

#include "interact/point_snap.h"
#include "interact/virtual_keys.h"

namespace ts {

namespace {

BrushTool::Setup Make(int32_t id, int32_t kind, BrushRoute route, bool reselect) {
    BrushTool::Setup s;
    s.commandId = id;
    s.toolKind = kind;
    s.route = route;
    s.reselect = reselect;
    return s;
}

} // namespace

void PointTool::Activate() {
    ScreenTool::Activate();
    m_context.environment.EnterMode(m_mode, LineManager::kTitle, LineManager::kPrompt);
}

void PointTool::SetEditMode(bool edit) {
    m_edit = edit;
    m_editPress = false;
    SetCursor();
}

void PointTool::SetCursor() {
    // While the grid shows and points snap to it, the cursor says so.
    m_gridSnap = SnapsToShownGrid();
    m_context.window.SetCursor(m_edit       ? cursors::kLineEdit
                               : m_gridSnap ? cursors::kLineGridSnap
                                            : cursors::kLine);
}

bool PointTool::SnapsToShownGrid() const {
    const PointSnap* snap = m_context.environment.GetPointSnap();
    return snap && snap->SnapsToShownGrid();
}

bool PointTool::OnLButtonDown(uint32_t flags, int32_t x, int32_t y) {
    m_editPress = false;
    if (ScreenTool::OnLButtonDown(flags, x, y)) {
        return true; // a pan or the palette took the press
    }
    if (!IsButtonDown()) {
        return false;
    }
    EnvironmentManager& env = m_context.environment;
    if (m_edit) {
        m_editPress = env.OnEditPress(flags, x, y);
        return true;
    }
    if (!env.OnPointPress(flags, x, y)) {
        return true; // not a line layer: the press does nothing
    }
    if (m_rubber.IsActive()) {
        // The click ends the rubber segment: at the pointer snapped to an end of the line, or where Ctrl
        // constrains it.
        if (!(flags & keys::kCtrlFlag)) {
            SetCurrentFinePoint(GetPressFinePoint());
        }
        m_rubber.Update();
        m_rubber.End();
        const IntPoint end = m_rubber.CurrentPoint();
        SetStartPoint(end.x, end.y);
    }
    m_rubber.Start(IsRay());
    ShowPrompt(LineManager::kDrawingPrompt);
    return true;
}

bool PointTool::OnMouseMove(uint32_t flags, int32_t x, int32_t y) {
    if (ScreenTool::OnMouseMove(flags, x, y)) {
        return true;
    }
    if (SnapsToShownGrid() != m_gridSnap) {
        SetCursor(); // the snap was turned on or off, or the grid shown or hidden, since the last move
    }
    if (m_edit) {
        if (m_editPress && IsButtonDown()) {
            m_context.environment.OnEditDrag(flags, x, y);
        }
    } else if (m_rubber.IsActive()) {
        m_rubber.Update();
    }
    return true;
}

bool PointTool::OnLButtonUp(uint32_t flags, int32_t x, int32_t y) {
    const bool consumed = ScreenTool::OnLButtonUp(flags, x, y);
    if (m_editPress) {
        m_editPress = false;
        m_context.environment.OnEditRelease(flags, x, y);
        return true;
    }
    return consumed;
}

bool PointTool::OnDoubleClick(uint32_t flags, int32_t x, int32_t y) {
    if (m_edit) {
        return false;
    }
    // The rubber segment is dropped and the line mode finishes what was clicked.
    m_rubber.Abort();
    ShowPrompt(LineManager::kPrompt);
    m_context.environment.OnDoubleClick(flags, x, y);
    return true;
}

bool PointTool::OnKeyDown(uint32_t key, uint32_t repeat, uint32_t flags) {
    if (key == keys::kSpace) {
        SetEditMode(!m_edit);
        return true;
    }
    return ScreenTool::OnKeyDown(key, repeat, flags);
}

void RayTool::Activate() {
    PointTool::Activate();
    m_context.environment.OnRayToolSelected();
}

void OffsetLineTool::Activate() {
    ScreenTool::Activate();
    m_context.environment.EnterMode(m_mode, LineManager::kTitle, LineManager::kOffsetPrompt);
    m_context.environment.OnOffsetToolSelected();
}

bool OffsetLineTool::OnLButtonDown(uint32_t flags, int32_t x, int32_t y) {
    m_pressed = false;
    if (ScreenTool::OnLButtonDown(flags, x, y)) {
        return true;
    }
    m_pressed = IsButtonDown();
    m_press = IntPoint{x, y};
    return true;
}

bool OffsetLineTool::OnLButtonUp(uint32_t flags, int32_t x, int32_t y) {
    const bool consumed = ScreenTool::OnLButtonUp(flags, x, y);
    if (m_pressed && m_mode) {
        m_pressed = false;
        m_mode->OffsetSegment(m_press.x, m_press.y, x, y, IsRay());
        return true;
    }
    return consumed;
}

void OffsetRayTool::Activate() {
    OffsetLineTool::Activate();
}

LinePartialSegmentEraserTool::LinePartialSegmentEraserTool(ToolContext& context)
    : BrushTool(context, [] {
          BrushTool::Setup s = Make(kCommandId, 4044, BrushRoute::kSample, false);
          s.title = LineManager::kTitle;
          s.prompt = LineManager::kPartialErasePrompt;
          return s;
      }()) {}

bool LinePartialSegmentEraserTool::OnLButtonDown(uint32_t flags, int32_t x, int32_t y) {
    if (ScreenTool::OnLButtonDown(flags, x, y)) {
        return true;
    }
    if (IsButtonDown()) {
        m_context.environment.OnPartialErasePress(flags, x, y);
    }
    return true;
}

LineEraserTool::LineEraserTool(ToolContext& context)
    : BrushTool(context, Make(kCommandId, 4043, BrushRoute::kErase, true)) {}

LineDropperTool::LineDropperTool(ToolContext& context)
    : BrushTool(context, Make(0, 0, BrushRoute::kSample, true)) {}

ColoredPencilTool::ColoredPencilTool(ToolContext& context)
    : BrushTool(context, [] {
          BrushTool::Setup s = Make(kCommandId, 4019, BrushRoute::kPaint, true);
          s.title = LineManager::kTitle;
          s.prompt = LineManager::kPrompt;
          return s;
      }()) {}

int32_t ColoredPencilTool::VariantId(int32_t variant) {
    static constexpr int32_t kIds[] = {kCommandId, kWidthId, kColorId, kFreehandId, kStyleId, kRepairId};
    return variant >= 0 && variant < 6 ? kIds[variant] : kCommandId;
}

void ColoredPencilTool::Activate() {
    m_currentId = m_mode ? VariantId(m_mode->PenVariant()) : kCommandId;
    BrushTool::Activate();
}

} // namespace ts
