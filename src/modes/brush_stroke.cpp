#include "modes/brush_stroke.h"

#include "interact/screen_tool.h"
#include "model/part_buffers.h"

#include <algorithm>
#include <cmath>

namespace ts {

LayerObject* CurrentDrawingLayer(ImageStackManager& stack) {
    return stack.Current() >= ImageStackManager::kFirstDrawingLayer ? stack.CurrentLayer() : nullptr;
}

Rect LayerRect(const ImageStackManager& stack, const LayerObject& layer) {
    return Rect{layer.offsetX, layer.offsetY, layer.offsetX + stack.LayerWidth(layer),
                layer.offsetY + stack.LayerHeight(layer)};
}

void PressExclusive(const ControlPanel& panel, std::initializer_list<int32_t> group, int32_t down) {
    for (const int32_t id : group) {
        if (auto* button = dynamic_cast<CHuecraftButton*>(panel.Find(id))) {
            button->SetState(id == down ? CHuecraftButton::kPressed : CHuecraftButton::kNormal);
        }
    }
}

int32_t BrushStroke::ToolBrushSize() const {
    const ScreenTool* tool = m_c.tools.CurrentTool();
    return tool ? tool->GetBrushSize() : ScreenTool::kDefaultBrushSize;
}

IntPoint BrushStroke::LayerFine(int32_t x, int32_t y) const {
    const IntPoint fine = m_c.geometry.ToFine(x, y);
    return {fine.x - 4 * m_layer->offsetX, fine.y - 4 * m_layer->offsetY};
}

void BrushStroke::RecordLayer(LayerObject& layer) {
    m_c.undo.SnapshotCurrentLayer(false);
    m_c.refresh.Refresh(kStrokeUndoReason);
    auto saved = std::make_unique<SavedParts>();
    saved->layerId = layer.id;
    // The lines' occupancy lives in the frame holder; the frame's other state (the segments of a line
    // being drawn) is not the stroke's to take back.
    static const std::unique_ptr<SuperBitBuffer> kNone;
    const bool copied = parts::CopyBuffer(saved->color, layer.color) &&
                        parts::CopyBuffer(saved->shadow, layer.shadow) &&
                        parts::CopyBuffer(saved->lineArt, layer.lineArt) &&
                        parts::CopyBuffer(saved->occupancy, layer.frame ? layer.frame->drawingBuffer : kNone);
    // Without memory for the copy the stroke goes ahead; only its single-stroke undo is lost.
    m_saved = copied ? std::move(saved) : nullptr;
    m_recorded = true;
}

void BrushStroke::SaveParts(LayerObject& layer, const Rect& drawingArea) {
    End();
    auto saved = std::make_unique<SavedParts>();
    saved->layerId = layer.id;
    static const std::unique_ptr<SuperBitBuffer> kNone;
    const bool copied = parts::CopyBuffer(saved->color, layer.color) &&
                        parts::CopyBuffer(saved->shadow, layer.shadow) &&
                        parts::CopyBuffer(saved->lineArt, layer.lineArt) &&
                        parts::CopyBuffer(saved->occupancy, layer.frame ? layer.frame->drawingBuffer : kNone);
    m_saved = copied ? std::move(saved) : nullptr;
    if (m_saved) {
        m_saved->drawingRect = drawingArea;
    }
    m_changesAfter = m_c.undo.Changes();
}

bool BrushStroke::Begin(int32_t type, const StrokeTool& tool, int32_t x, int32_t y, const char* reason,
                        int32_t radius) {
    End();
    LayerObject* layer = CurrentDrawingLayer(m_c.stack);
    if (!layer) {
        m_recorded = false;
        return false;
    }
    if (!m_recorded) {
        RecordLayer(*layer);
    }
    m_recorded = false;
    return Start(*layer, type, tool, x, y, reason, radius);
}

bool BrushStroke::BeginOn(LayerObject& layer, int32_t type, const StrokeTool& tool, int32_t x, int32_t y,
                          const char* reason, int32_t radius) {
    End();
    m_recorded = false;
    m_saved.reset();
    return Start(layer, type, tool, x, y, reason, radius);
}

bool BrushStroke::Start(LayerObject& layer, int32_t type, const StrokeTool& tool, int32_t x, int32_t y,
                        const char* reason, int32_t radius) {
    // The footprint is the tool's size in view pixels at the view's zoom, held at the smallest views.
    const int32_t zoom = m_c.geometry.Zoom();
    const int32_t size = BrushTS::PaintedSize(ToolBrushSize(), zoom);
    if (m_c.brush.Size() != size || m_c.brush.Zoom() != zoom) {
        m_c.brush.SetSize(size, zoom);
    }
    m_c.engine.SetBrush(m_c.brush);
    m_c.engine.SetTool(tool);
    // The dabs of one mouse event keep their rows in the engine's windows; Show stores them once,
    // before the refresh reads them.
    m_c.engine.SetDeferredCommits(true);
    if (!m_c.engine.BeginStroke(layer, type, kStrokeMargin, radius < 0 ? m_c.brush.Radius() : radius)) {
        return false;
    }
    m_layer = &layer;
    m_running = true;
    if (m_saved) {
        m_saved->drawingRect = Rect{};
    }
    // A quarter of the radius between dabs (at least a pixel): the footprints overlap well, and the
    // stroke coverage keeps the overlap from building up paint.
    m_spacing = std::max(4, m_c.brush.Radius());
    m_last = LayerFine(x, y);
    NoteOutside(x, y);
    Rect changed;
    DabAt(m_last, changed);
    Show(changed, reason);
    return true;
}

void BrushStroke::NoteOutside(int32_t x, int32_t y) {
    const IntPoint fine = LayerFine(x, y);
    const int32_t lx = fine.x >> 2;
    const int32_t ly = fine.y >> 2;
    if (lx < 0 || ly < 0 || lx >= m_c.stack.LayerWidth(*m_layer) || ly >= m_c.stack.LayerHeight(*m_layer)) {
        // Temporary: the mode's prompt comes back once the pointer moves on.
        m_c.prompt.SetTemporaryPrompt(kOutsideLayerPrompt);
    }
}

void BrushStroke::DabAt(IntPoint fine, Rect& changed) {
    m_c.engine.MoveBrush(fine.x, fine.y);
    changed = Union(changed, m_c.engine.Dab());
}

void BrushStroke::Drag(int32_t x, int32_t y) {
    if (!m_running) {
        return;
    }
    NoteOutside(x, y);
    const IntPoint to = LayerFine(x, y);
    const int64_t dx = to.x - m_last.x;
    const int64_t dy = to.y - m_last.y;
    const double distance = std::sqrt(static_cast<double>(dx * dx + dy * dy));
    if (distance < 1.0) {
        return;
    }
    const auto steps = static_cast<int64_t>(std::ceil(distance / m_spacing));
    Rect changed;
    for (int64_t i = 1; i <= steps; ++i) {
        DabAt({static_cast<int32_t>(m_last.x + dx * i / steps),
               static_cast<int32_t>(m_last.y + dy * i / steps)},
              changed);
    }
    m_last = to;
    Show(changed, kBrushRefreshReason);
}

void BrushStroke::End() {
    if (!m_running) {
        return;
    }
    m_c.engine.EndStroke(); // a style pen lays its pattern here, growing the stroke's rectangle
    const Rect stroke = m_c.engine.StrokeRect();
    m_running = false;
    Show(stroke, kBrushRefreshReason);
    m_layer = nullptr;
    m_changesAfter = m_c.undo.Changes();
}

void BrushStroke::Show(const Rect& layerRect, const char* reason) {
    m_c.engine.CommitRows();
    if (layerRect.IsEmpty() || !m_layer) {
        return;
    }
    const Rect drawing = Translated(layerRect, m_layer->offsetX, m_layer->offsetY);
    if (m_saved) {
        m_saved->drawingRect = Union(m_saved->drawingRect, drawing);
    }
    m_c.refresh.MarkViewContents(drawing);
    m_c.refresh.Refresh(reason);
}

bool BrushStroke::Undo() {
    End();
    if (!CanUndo()) {
        return false;
    }
    const int32_t index = m_c.stack.IndexOfId(m_saved->layerId);
    LayerObject* layer = m_c.stack.Layer(index);
    if (index < 0 || !layer) {
        m_saved.reset();
        return false;
    }
    layer->color = std::move(m_saved->color);
    layer->shadow = std::move(m_saved->shadow);
    layer->lineArt = std::move(m_saved->lineArt);
    if (layer->frame && m_saved->occupancy) {
        layer->frame->drawingBuffer = std::move(m_saved->occupancy);
    }
    const Rect area = m_saved->drawingRect.IsEmpty() ? LayerRect(m_c.stack, *layer) : m_saved->drawingRect;
    m_saved.reset();
    m_c.refresh.MarkViewContents(area);
    m_c.refresh.Refresh(kUndoStrokeReason);
    return true;
}

} // namespace ts
