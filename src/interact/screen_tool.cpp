#include "interact/screen_tool.h"

#include "interact/virtual_keys.h"
#include "interact/zoom_manager.h"

#include <cstdlib>

namespace ts {

ScreenTool::ScreenTool(ToolContext& context, int32_t commandId, int32_t toolKind, bool usesBrush)
    : m_context(context), m_commandId(commandId), m_toolKind(toolKind), m_usesBrush(usesBrush) {}

void ScreenTool::Activate() {
    m_cursorState = kJustSelected;
}

void ScreenTool::ShowPrompt(const std::string& text) {
    m_context.prompt.SetPrompt(text);
}

void ScreenTool::SetCursor() {
    m_context.window.SetCursor(cursors::kArrow);
}

void ScreenTool::SetPointerCursor(int32_t cursor) {
    m_context.window.SetCursor(cursor);
}

void ScreenTool::UpdatePointer(uint32_t flags, int32_t x, int32_t y) {
    m_flags = flags;
    m_viewPoint = {x, y};
    m_previousFine = m_currentFine;
    m_currentFine = m_context.geometry.ToFine(x, y);
    if (m_context.geometry.OnCanvas(x, y)) {
        if (!m_onCanvas) {
            SetCursor();
            m_context.window.FocusFrame();
        }
        m_onCanvas = true;
        m_overPalette = false;
        m_outsideCanvas = false;
        return;
    }
    if (m_onCanvas && m_usesBrush) {
        m_context.outline.Remove();
    }
    m_onCanvas = false;
    if (m_context.geometry.OverPalette(x, y)) {
        if (!m_overPalette) {
            SetPointerCursor(cursors::kArrow);
        }
        m_cursorState = kOverPalette;
        m_overPalette = true;
        m_outsideCanvas = false;
    } else if (m_context.geometry.CanPan()) {
        SetPointerCursor(cursors::kHand);
        m_outsideCanvas = true;
        m_overPalette = false;
    } else {
        SetPointerCursor(cursors::kArrow);
        m_outsideCanvas = false;
        m_overPalette = false;
    }
}

bool ScreenTool::ResetZones() {
    m_overPalette = false;
    m_outsideCanvas = false;
    m_onCanvas = false;
    return false;
}

void ScreenTool::SnapshotPress(int32_t x, int32_t y) {
    m_pressPoint = {x, y};
    m_pressFine = m_currentFine;
    m_pressDrawing = {m_currentFine.x >> 2, m_currentFine.y >> 2};
}

IntPoint ScreenTool::SnapPoint(int32_t x, int32_t y) {
    m_snapped = false;
    PointSnap* snap = m_context.environment.GetPointSnap();
    IntPoint snapped;
    if (!snap || !m_context.geometry.OnCanvas(x, y) || !snap->Snap(m_currentFine, snapped)) {
        return {x, y};
    }
    m_snapped = true;
    m_currentFine = snapped;
    m_viewPoint = m_context.geometry.FineToView(snapped.x, snapped.y);
    return m_viewPoint;
}

void ScreenTool::SetStartPoint(int32_t fineX, int32_t fineY) {
    m_pressFine = m_currentFine = m_previousFine = {fineX, fineY};
    m_pressDrawing = {fineX >> 2, fineY >> 2};
    m_viewPoint = m_context.geometry.FineToView(fineX, fineY);
}

bool ScreenTool::OnLButtonDown(uint32_t flags, int32_t x, int32_t y) {
    m_pressPoint = {x, y};
    m_shiftAtPress = (flags & keys::kShiftFlag) != 0;
    m_ctrlAtPress = (flags & keys::kCtrlFlag) != 0;
    if (!m_noCapture) {
        m_context.window.CaptureMouse();
    }
    UpdatePointer(flags, x, y);
    if (m_onCanvas || m_acceptOffCanvas) {
        m_buttonDown = true;
        SetCursor();
        m_previousFine = m_currentFine;
        SnapshotPress(x, y);
        SnapPoint(x, y);
        if (m_snapped) {
            m_previousFine = m_pressFine = m_currentFine;
            m_pressDrawing = {m_currentFine.x >> 2, m_currentFine.y >> 2};
        }
        // A press near a segment end of the line being drawn takes that end exactly.
        LayerObject* layer = m_context.stack.CurrentLayer();
        if (layer && layer->frame && !layer->frame->points.IsEmpty() &&
            m_context.stack.Current() >= ImageStackManager::kFirstDrawingLayer) {
            layer->frame->points.SetLayerOrigin(layer->offsetX, layer->offsetY);
            m_pressFine = layer->frame->points.SnapToEnd(m_pressFine, m_context.geometry.Mapping());
            m_pressDrawing = {m_pressFine.x >> 2, m_pressFine.y >> 2};
        }
        return false;
    }
    if (m_overPalette) {
        return true; // the palette strip takes its own clicks
    }
    m_context.pan.Begin(x, y, true);
    return true;
}

bool ScreenTool::OnLButtonUp(uint32_t flags, int32_t x, int32_t y) {
    m_flags = flags;
    m_previousFine = m_currentFine;
    m_currentFine = m_context.geometry.ToFine(x, y);
    SnapPoint(x, y);
    m_releaseFine = m_currentFine;
    m_releaseDrawing = {m_releaseFine.x >> 2, m_releaseFine.y >> 2};
    m_buttonDown = false;
    if (m_context.pan.BegunByLeftPress()) {
        m_context.pan.End();
        m_context.window.ReleaseMouse();
        return true;
    }
    if (m_context.geometry.OnCanvas(x, y)) {
        SetCursor();
    }
    m_context.window.ReleaseMouse();
    return false;
}

bool ScreenTool::OnMouseMove(uint32_t flags, int32_t x, int32_t y) {
    UpdatePointer(flags, x, y);
    SnapPoint(x, y);
    if (m_onCanvas) {
        m_context.prompt.RestorePrompt();
        m_cursorState = kOnCanvas;
        if (m_usesBrush) {
            m_context.outline.MoveTo(x, y);
        }
        return false;
    }
    return !m_buttonDown;
}

bool ScreenTool::OnRButtonDown(uint32_t /*flags*/, int32_t /*x*/, int32_t /*y*/) {
    m_rightButtonDown = true;
    return false;
}

bool ScreenTool::OnRButtonUp(uint32_t /*flags*/, int32_t /*x*/, int32_t /*y*/) {
    m_rightButtonDown = false;
    return false;
}

bool ScreenTool::OnKeyDown(uint32_t key, uint32_t /*repeat*/, uint32_t flags) {
    if (key == keys::Letter('Z') && !(flags & keys::kCtrlFlag) && !m_context.environment.LetteringActive()) {
        m_context.zoom.ToggleOverview(m_viewPoint.x, m_viewPoint.y);
        return true;
    }
    return false;
}

int32_t ScreenTool::NormalizeSize(int32_t size) {
    if (size < 3) {
        return 3;
    }
    return size % 2 == 0 ? size + 1 : size;
}

void ScreenTool::SetBrushSize(int32_t size) {
    m_brushSize = NormalizeSize(size);
    BuildBrush(m_brushSize);
}

void ScreenTool::BuildBrush(int32_t size) {
    if (m_usesBrush) {
        m_context.outline.Build(size, m_context.geometry.Zoom());
    }
}

void ScreenTool::ReturnToPreviousTool() {
    if (m_returnToPrevious && m_previousTool) {
        ScreenTool* previous = m_previousTool;
        m_context.view.SetTool(*previous);
        previous->SetCursor();
    }
}

void ScreenTool::BeginWheelAnchor(int32_t x, int32_t y) {
    m_rightPressView = {x, y};
    m_rightPressFine = m_context.geometry.ToFine(x, y);
    m_rightPressValid = true;
}

void ScreenTool::TrackWheelAnchor(int32_t x, int32_t y) {
    if (std::abs(x - m_rightPressView.x) >= 6 || std::abs(y - m_rightPressView.y) > 5) {
        m_rightPressValid = false;
    }
}

} // namespace ts
