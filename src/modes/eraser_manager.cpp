#include "modes/eraser_manager.h"

namespace ts {

namespace {

constexpr Rect kEraserRect{20, 37, 100, 57};
constexpr Rect kLinesRect{120, 37, 190, 57};
constexpr Rect kColorRect{200, 37, 270, 57};
constexpr Rect kLightingRect{280, 37, 360, 57};

} // namespace

int32_t EraserManager::StrokeTypeFor(bool lines, bool color, bool lighting) {
    if (lines) {
        return color ? (lighting ? 20 : 21) : (lighting ? 22 : kStrokeEraseLines);
    }
    if (color) {
        return lighting ? kStrokeEraseColorAndLighting : kStrokeEraseColor;
    }
    return lighting ? kStrokeEraseLighting : 0;
}

void EraserManager::CreatePanel() {
    ControlPanel& panel = MutablePanel();
    panel.Add<CHuecraftButton>(PanelParent(), kEraserRect, "Eraser", kEraserButton, this)
        .SetState(CHuecraftButton::kPressed);
    panel.Add<CheckBox>(PanelParent(), kLinesRect, "Lines", kLines, this);
    panel.Add<CheckBox>(PanelParent(), kColorRect, "Color", kColor, this);
    panel.Add<CheckBox>(PanelParent(), kLightingRect, "Lighting", kLighting, this);
}

void EraserManager::ShowBoxes() {
    if (!PanelCreated()) {
        return;
    }
    const bool on[] = {m_lines, m_color, m_lighting};
    for (int32_t i = 0; i < 3; ++i) {
        if (auto* box = dynamic_cast<CheckBox*>(Panel().Find(kLines + i))) {
            box->SetCheck(on[i]);
        }
    }
}

void EraserManager::SetBoxes(bool lines, bool color, bool lighting) {
    m_lines = lines;
    m_color = color;
    m_lighting = lighting;
    ShowBoxes();
}

bool EraserManager::Activate() {
    const LayerObject* layer = CurrentDrawingLayer(m_c.stack);
    if (layer && layer->name == kSketchFrameName) {
        m_c.ui.ShowMessage(kSketchFrameWarning);
    }
    m_c.refresh.MarkViewportSize();
    ShowPanel();
    ShowBoxes();
    return true;
}

bool EraserManager::Deactivate(int32_t /*how*/) {
    m_stroke.End();
    HidePanel();
    return true;
}

bool EraserManager::OnPanelCommand(int32_t id) {
    auto* box = dynamic_cast<CheckBox*>(Panel().Find(id));
    switch (id) {
    case kLines:
        m_lines = box && box->GetCheck();
        return true;
    case kColor:
        m_color = box && box->GetCheck();
        return true;
    case kLighting:
        m_lighting = box && box->GetCheck();
        return true;
    case kEraserButton:
        return true;
    default:
        return false;
    }
}

bool EraserManager::OnErasePress(uint32_t /*flags*/, int32_t x, int32_t y) {
    LayerObject* layer = CurrentDrawingLayer(m_c.stack);
    const int32_t type = StrokeTypeFor(m_lines, m_color, m_lighting);
    if (!layer || type == 0 || (m_lines && !layer->lineArt)) {
        return false; // nothing to erase with, or no lines yet to erase
    }
    // The brush must reach the layer: a press whose brush lies wholly beside it changes nothing and
    // leaves no undo record or new parts behind.
    const IntPoint at = m_c.geometry.ToDrawing(x, y);
    const int32_t reach = m_c.geometry.DrawingDistance(m_stroke.ToolBrushSize()) / 2 + 1;
    const Rect inside = Grown(LayerRect(m_c.stack, *layer), reach);
    if (at.x < inside.left || at.y < inside.top || at.x >= inside.right || at.y >= inside.bottom) {
        return false;
    }
    m_stroke.RecordLayer(*layer);
    const int32_t w = m_c.stack.LayerWidth(*layer);
    const int32_t h = m_c.stack.LayerHeight(*layer);
    // Missing parts are made empty first, so that erasing them changes nothing that shows.
    if (m_color && !(layer->color && layer->color->amount)) {
        auto color = std::make_unique<ObjectColor>();
        if (!color->Create(w, h, 0x00808080, 255)) {
            return false;
        }
        layer->color = std::move(color);
    }
    if (m_lighting && !(layer->shadow && layer->shadow->lighting)) {
        auto shadow = std::make_unique<ObjectShadow>();
        if (!shadow->Create(w, h)) {
            return false;
        }
        layer->shadow = std::move(shadow);
    }
    return m_stroke.Begin(type, StrokeTool{}, x, y, kBrushRefreshReason);
}

bool EraserManager::OnEraseDrag(uint32_t /*flags*/, int32_t x, int32_t y) {
    m_stroke.Drag(x, y);
    return true;
}

bool EraserManager::OnEraseRelease(uint32_t /*flags*/, int32_t /*x*/, int32_t /*y*/) {
    m_stroke.End();
    return true;
}

bool EraserManager::LeaveBeforeUndo() {
    m_stroke.End();
    const UndoRedo* r = m_c.undo.NewestUndo();
    return !(r && r->kind == UndoRedo::kLayerChanged);
}

bool EraserManager::LeaveBeforeRedo() {
    m_stroke.End();
    const UndoRedo* r = m_c.undo.NewestRedo();
    return !(r && r->kind == UndoRedo::kLayerChanged);
}

} // namespace ts
