#include "interact/select_tool.h"

#include "interact/virtual_keys.h"
#include "interact/zoom_manager.h"

namespace ts {

void SelectTool::Activate() {
    ScreenTool::Activate();
    m_context.environment.EnterMode(&m_select, SelectManager::kTitle, SelectManager::kPrompt);
}

int32_t SelectTool::HitTest(int32_t x, int32_t y) {
    EnvironmentManager& env = m_context.environment;
    Env* mode = env.Current();
    SelectionTracker* tracker = mode ? mode->Tracker() : nullptr;
    if (tracker && env.HasSelectionFrame()) {
        const int32_t handle = tracker->HandleAt(x, y);
        if (handle >= 0) {
            m_context.window.SetCursor(SelectionTracker::HandleCursor(handle));
            return handle;
        }
    }
    if (tracker && tracker->IsShown() && env.SelectionMovable() && tracker->Inside(x, y)) {
        m_context.window.SetCursor(cursors::kSizeAll);
        return SelectionTracker::kBody;
    }
    SetCursor();
    return -1;
}

bool SelectTool::OnLButtonDown(uint32_t flags, int32_t x, int32_t y) {
    m_editingSegments = false;
    if (ScreenTool::OnLButtonDown(flags, x, y)) {
        return true;
    }
    // The segments of a line being drawn on the current layer are hit first: an end is dragged, a
    // segment selected.
    const LayerObject* current = m_context.stack.CurrentLayer();
    if (m_segmentEditor && current && current->frame && !current->frame->points.IsEmpty() &&
        m_context.stack.Current() >= ImageStackManager::kFirstDrawingLayer &&
        m_segmentEditor->OnEditPress(flags, x, y)) {
        m_editingSegments = true;
        return true;
    }
    SelectionTracker* tracker = m_select.Tracker();
    if (tracker->IsShown()) {
        const int32_t hit = HitTest(x, y);
        if (hit >= 0) {
            tracker->BeginDrag(hit, x, y);
            return true;
        }
    }
    const ImageStackManager& stack = m_context.stack;
    if (stack.Count() <= ImageStackManager::kFirstDrawingLayer) {
        tracker->Hide();
        return true;
    }
    // The square searched is 4 view pixels each way, in drawing pixels.
    const int32_t picked =
        m_detector.Pick(m_context.geometry.ToDrawing(x, y), m_context.geometry.DrawingDistance(4));
    if (picked >= ImageStackManager::kFirstDrawingLayer) {
        m_select.SelectLayer(picked);
    } else {
        tracker->Hide();
    }
    return true;
}

bool SelectTool::OnMouseMove(uint32_t flags, int32_t x, int32_t y) {
    const bool done = ScreenTool::OnMouseMove(flags, x, y);
    if (m_editingSegments && IsButtonDown()) {
        m_segmentEditor->OnEditDrag(flags, x, y);
        return true;
    }
    SelectionTracker* tracker = m_select.Tracker();
    if (tracker->Dragging()) {
        tracker->Drag(x, y, m_select.ProportionLock());
        return true;
    }
    return done;
}

bool SelectTool::OnLButtonUp(uint32_t flags, int32_t x, int32_t y) {
    if (m_editingSegments) {
        m_editingSegments = false;
        const bool consumed = ScreenTool::OnLButtonUp(flags, x, y);
        m_segmentEditor->OnEditRelease(flags, x, y);
        return consumed;
    }
    SelectionTracker* tracker = m_select.Tracker();
    if (tracker->Dragging()) {
        tracker->Drag(x, y, m_select.ProportionLock());
        const int32_t hit = tracker->DragHit();
        const Rect frame = tracker->EndDrag();
        m_select.FinishDrag(hit, frame);
    }
    return ScreenTool::OnLButtonUp(flags, x, y);
}

bool ZoomTool::OnLButtonDown(uint32_t flags, int32_t x, int32_t y) {
    if (ScreenTool::OnLButtonDown(flags, x, y)) {
        return true;
    }
    if (!(flags & (keys::kShiftFlag | keys::kCtrlFlag)) &&
        m_context.stack.Count() > ImageStackManager::kFirstDrawingLayer) {
        m_context.zoom.BeginRectangle(x, y, ZoomManager::kStepInKind);
    }
    return true;
}

bool ZoomTool::OnLButtonUp(uint32_t flags, int32_t x, int32_t y) {
    const bool pan = ScreenTool::OnLButtonUp(flags, x, y);
    ZoomManager& zoom = m_context.zoom;
    if (pan || m_context.stack.Count() < ImageStackManager::kFirstDrawingLayer) {
        zoom.CancelRectangle();
        return pan;
    }
    const bool shift = (flags & keys::kShiftFlag) != 0;
    const bool ctrl = (flags & keys::kCtrlFlag) != 0;
    if (shift && ctrl) {
        zoom.ZoomToMin(x, y);
    } else if (shift) {
        zoom.ZoomTo100(x, y);
    } else if (ctrl) {
        zoom.ZoomToMax(x, y);
    } else if (zoom.RectanglePending()) {
        zoom.EndRectangle(x, y);
    } else {
        zoom.StepIn(x, y);
    }
    return true;
}

void ZoomTool::SetCursor() {
    m_context.window.SetCursor(cursors::kZoom);
}

} // namespace ts
