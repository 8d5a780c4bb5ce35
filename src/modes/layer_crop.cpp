#include "modes/layer_crop.h"

#include "document/layer_geometry.h"
#include "interact/select_manager.h"
#include "model/page.h"

#include <algorithm>
#include <cmath>

namespace ts {

Rect KeepUntouchedSides(const Rect& frame, const Rect& page, const Rect& layer) {
    Rect r = frame;
    if (frame.left == page.left) {
        r.left = layer.left;
    }
    if (frame.top == page.top) {
        r.top = layer.top;
    }
    if (frame.right == page.right) {
        r.right = layer.right;
    }
    if (frame.bottom == page.bottom) {
        r.bottom = layer.bottom;
    }
    return r;
}

Rect LayerCropper::PrintableArea() const {
    const Page& page = m_operations.CurrentPage();
    const Rect drawing = PageArea();
    const int32_t w = std::clamp(page.printableWidth / Page::kPagePixelsPerDrawingPixel, 1, drawing.Width());
    const int32_t h =
        std::clamp(page.printableHeight / Page::kPagePixelsPerDrawingPixel, 1, drawing.Height());
    const int32_t left = (drawing.Width() - w) / 2;
    const int32_t top = (drawing.Height() - h) / 2;
    return Rect{left, top, left + w, top + h};
}

LayerObject* LayerCropper::CurrentDrawingLayer() const {
    return m_stack.Current() >= ImageStackManager::kFirstDrawingLayer ? m_stack.CurrentLayer() : nullptr;
}

bool LayerCropper::ResizeCurrent(const Rect& area, const char* reason) {
    LayerObject* layer = CurrentDrawingLayer();
    if (!layer || area.IsEmpty() || area == layer->bounds) {
        return false;
    }
    WaitCursor wait(m_ui);
    const Rect before = layer->bounds;
    m_undo.SnapshotCurrentLayer(false);
    if (!geometry::ResizeLayer(*layer, area)) {
        return false; // out of memory: the layer is as it was
    }
    m_refresh.MarkViewContents(Union(before, area));
    m_refresh.Refresh(reason);
    return true;
}

bool LayerCropper::CutOrExtend(const Rect& area, bool allLayers) {
    if (area.IsEmpty() || !CurrentDrawingLayer()) {
        return false;
    }
    if (!allLayers) {
        return ResizeCurrent(area, "Crop");
    }
    WaitCursor wait(m_ui);
    // One record of the whole drawing brings back every layer cut and every layer deleted.
    m_undo.SnapshotDrawing();
    const uint32_t currentId = m_stack.CurrentLayer()->id;
    Rect repaint;
    bool changed = false;
    // From the top down, so that deleting a layer leaves the indices still to visit in place.
    for (int32_t i = m_stack.Count() - 1; i >= ImageStackManager::kFirstDrawingLayer; --i) {
        LayerObject* layer = m_stack.Layer(i);
        const Rect bounds = layer->bounds;
        const Rect kept = Intersection(area, bounds);
        if (kept == bounds) {
            continue;
        }
        repaint = Union(repaint, bounds);
        if (kept.IsEmpty()) {
            m_operations.DeleteLayer(i, true);
            changed = true;
        } else if (geometry::ResizeLayer(*layer, kept)) {
            changed = true;
        }
    }
    if (const int32_t current = m_stack.IndexOfId(currentId);
        current >= ImageStackManager::kFirstDrawingLayer) {
        m_stack.SetCurrent(current);
    }
    m_stack.NotifyIndicator();
    m_refresh.MarkViewContents(repaint);
    m_refresh.Refresh("Crop");
    return changed;
}

bool LayerCropper::CropTo(const Rect& area) {
    const LayerObject* layer = CurrentDrawingLayer();
    if (!layer) {
        return false;
    }
    const Rect kept = Intersection(layer->bounds, area);
    if (kept.IsEmpty()) {
        // Cutting would leave nothing: the layer stays rather than vanishing.
        m_ui.ShowMessage(kOutsideArea);
        return false;
    }
    return ResizeCurrent(kept, "Crop");
}

bool LayerCropper::ExpandTo(const Rect& area) {
    const LayerObject* layer = CurrentDrawingLayer();
    return layer && ResizeCurrent(Union(layer->bounds, area), "Expand");
}

Rect LayerCropper::FittedFrame(const Rect& layer, const Rect& area) {
    if (layer.IsEmpty() || area.IsEmpty()) {
        return Rect{};
    }
    const double scale = std::min(static_cast<double>(area.Width()) / layer.Width(),
                                  static_cast<double>(area.Height()) / layer.Height());
    const auto w = static_cast<int32_t>(
        std::clamp<double>(std::lround(layer.Width() * scale), 1.0, static_cast<double>(area.Width())));
    const auto h = static_cast<int32_t>(
        std::clamp<double>(std::lround(layer.Height() * scale), 1.0, static_cast<double>(area.Height())));
    const int32_t left = area.left + (area.Width() - w) / 2;
    const int32_t top = area.top + (area.Height() - h) / 2;
    return Rect{left, top, left + w, top + h};
}

bool LayerCropper::FitTo(const Rect& area) {
    LayerObject* layer = CurrentDrawingLayer();
    if (!layer) {
        return false;
    }
    const Rect before = layer->bounds;
    const Rect frame = FittedFrame(before, area);
    if (frame.IsEmpty() || frame == before) {
        return false;
    }
    WaitCursor wait(m_ui);
    m_undo.SnapshotCurrentLayer(false);
    if (!StretchLayer(*layer, frame)) {
        return false;
    }
    m_refresh.MarkViewContents(Union(before, frame));
    m_refresh.Refresh("Fit");
    return true;
}

} // namespace ts
