#include "modes/merge_brush.h"

#include "render/line_renderer.h"

#include <new>

namespace ts {

namespace {

constexpr Rect kBrushRect{20, 37, 120, 57};
constexpr Rect kSourceRect{130, 37, 200, 57};
constexpr Rect kLinesRect{215, 37, 285, 57};
constexpr Rect kLightingRect{295, 37, 375, 57};
constexpr Rect kColorRect{385, 37, 455, 57};

} // namespace

void MaskManager::CreatePanel() {
    ControlPanel& panel = MutablePanel();
    panel.Add<CHuecraftButton>(PanelParent(), kBrushRect, kPanelName, kBrushButton, this)
        .SetState(CHuecraftButton::kPressed);
    panel.Add<CHuecraftButton>(PanelParent(), kSourceRect, "Source", kSource, this);
    panel.Add<CheckBox>(PanelParent(), kLinesRect, "Lines", kLines, this);
    panel.Add<CheckBox>(PanelParent(), kLightingRect, "Lighting", kLighting, this);
    panel.Add<CheckBox>(PanelParent(), kColorRect, "Color", kColor, this);
}

void MaskManager::ShowBoxes() {
    if (!PanelCreated()) {
        return;
    }
    const std::pair<int32_t, bool> boxes[] = {{kLines, m_lines}, {kLighting, m_lighting}, {kColor, m_color}};
    for (const auto& [id, on] : boxes) {
        if (auto* box = dynamic_cast<CheckBox*>(Panel().Find(id))) {
            box->SetCheck(on);
        }
    }
}

void MaskManager::SetBoxes(bool lines, bool lighting, bool color) {
    m_lines = lines;
    m_lighting = lighting;
    m_color = color;
    ShowBoxes();
}

bool MaskManager::Activate() {
    m_paperTold = false;
    m_c.refresh.MarkViewportSize();
    ShowPanel();
    ShowBoxes();
    return true;
}

bool MaskManager::Deactivate(int32_t /*how*/) {
    m_stroke.End();
    HidePanel();
    return true;
}

const LayerObject* MaskManager::Source() const {
    const int32_t index = m_sourceId ? m_c.stack.IndexOfId(m_sourceId) : -1;
    return index >= ImageStackManager::kFirstDrawingLayer ? m_c.stack.Layer(index) : nullptr;
}

bool MaskManager::TakeSource() {
    const LayerObject* layer = CurrentDrawingLayer(m_c.stack);
    if (!layer) {
        return false;
    }
    m_sourceId = layer->id;
    m_c.prompt.SetTemporaryPrompt("Source: " + layer->name + ". Now select the layer to brush it into.");
    return true;
}

bool MaskManager::OnPanelCommand(int32_t id) {
    auto* box = dynamic_cast<CheckBox*>(Panel().Find(id));
    switch (id) {
    case kSource:
        TakeSource();
        return true;
    case kLines:
        m_lines = box && box->GetCheck();
        return true;
    case kLighting:
        m_lighting = box && box->GetCheck();
        return true;
    case kColor:
        m_color = box && box->GetCheck();
        return true;
    case kBrushButton:
        return true;
    default:
        return false;
    }
}

bool MaskManager::PrepareLayer(LayerObject& layer) {
    const int32_t w = m_c.stack.LayerWidth(layer);
    const int32_t h = m_c.stack.LayerHeight(layer);
    if (m_color && !(layer.color && layer.color->amount)) {
        auto color = std::make_unique<ObjectColor>();
        if (!color->Create(w, h, 0x00808080, 255)) {
            return false;
        }
        layer.color = std::move(color);
    }
    if (m_lighting && !(layer.shadow && layer.shadow->lighting)) {
        auto shadow = std::make_unique<ObjectShadow>();
        if (!shadow->Create(w, h)) {
            return false;
        }
        layer.shadow = std::move(shadow);
    }
    return !m_lines || EnsureLineArt(layer);
}

bool MaskManager::OnToolPress(uint32_t /*flags*/, int32_t x, int32_t y) {
    LayerObject* layer = CurrentDrawingLayer(m_c.stack);
    if (!layer || !(m_lines || m_lighting || m_color)) {
        return false;
    }
    const LayerObject* source = Source();
    if (source == layer) {
        m_c.ui.ShowMessage(kSameLayer);
        return false;
    }
    // The brush must reach the layer: a press wholly beside it changes nothing.
    const IntPoint at = m_c.geometry.ToDrawing(x, y);
    const int32_t reach = m_c.geometry.DrawingDistance(m_stroke.ToolBrushSize()) / 2 + 1;
    const Rect inside = Grown(LayerRect(m_c.stack, *layer), reach);
    if (at.x < inside.left || at.y < inside.top || at.x >= inside.right || at.y >= inside.bottom) {
        return false;
    }
    if (!source && !m_paperTold) {
        m_c.ui.ShowMessage(kNoSource);
        m_paperTold = true;
    }
    // A layer that cannot hold lines gets an occupancy of its size first, so that the stroke's record
    // of the layer holds it empty and undoing the stroke takes the merged lines away with it.
    if (m_lines && !IsLineLayer(*layer)) {
        auto occupancy = std::make_unique<SuperBitBuffer>();
        std::unique_ptr<Wireframe> frame;
        try {
            frame = std::make_unique<Wireframe>();
        } catch (const std::bad_alloc&) {
            frame = nullptr;
        }
        if (!frame ||
            !occupancy->Create(m_c.stack.LayerWidth(*layer), m_c.stack.LayerHeight(*layer), 2, 0, 2.0f)) {
            m_c.ui.ShowMessage(kNoMemory);
            return false;
        }
        if (!layer->frame) {
            layer->frame = std::move(frame);
        }
        layer->frame->drawingBuffer = std::move(occupancy);
    }
    m_stroke.RecordLayer(*layer);
    if (!PrepareLayer(*layer)) {
        m_c.ui.ShowMessage(kNoMemory);
        return false;
    }
    StrokeTool tool;
    tool.lines.source = m_lines ? source : nullptr;
    tool.lines.clearLines = m_lines && !source; // opaque paper holds no lines
    tool.transfer.source = source;
    tool.transfer.paper = !source;
    tool.transfer.lighting = m_lighting;
    tool.transfer.color = m_color;
    return m_stroke.Begin(kStrokeLineArtLighting, tool, x, y, kBrushRefreshReason, ExtraParameter());
}

bool MaskManager::OnPaintDrag(uint32_t /*flags*/, int32_t x, int32_t y) {
    m_stroke.Drag(x, y);
    return true;
}

bool MaskManager::OnPaintRelease(uint32_t /*flags*/, int32_t /*x*/, int32_t /*y*/) {
    m_stroke.End();
    return true;
}

bool MaskManager::LeaveBeforeUndo() {
    m_stroke.End();
    const UndoRedo* r = m_c.undo.NewestUndo();
    return !(r && r->kind == UndoRedo::kLayerChanged);
}

bool MaskManager::LeaveBeforeRedo() {
    m_stroke.End();
    const UndoRedo* r = m_c.undo.NewestRedo();
    return !(r && r->kind == UndoRedo::kLayerChanged);
}

MaskTool::MaskTool(ToolContext& context, int32_t commandId)
    : BrushTool(context, [commandId] {
          BrushTool::Setup s;
          s.commandId = commandId;
          s.route = BrushRoute::kToolThenPaint;
          s.title = MaskManager::kTitle;
          s.prompt = MaskManager::kPrompt;
          return s;
      }()) {}

} // namespace ts
