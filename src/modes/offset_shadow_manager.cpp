#include "modes/offset_shadow_manager.h"

#include "interact/view_window.h"
#include "interact/virtual_keys.h"

#include <utility>

namespace ts {

namespace {

// A layer this mode may make its shadow in again: its own name and nothing but paint, so that
// resizing it to a new shadow loses nothing the user put there.
bool HoldsOnlyShadow(const LayerObject& layer) {
    return layer.name == OffsetShadowManager::kLayerName && !layer.lineArt && !layer.shadow && !layer.image &&
           !layer.frame && !layer.auxBuffer;
}

// A length in fine (quarter pixel) units as whole drawing pixels, rounded.
int32_t FineToPixels(int32_t fine) {
    return (fine + 2) >> 2;
}

} // namespace

void OffsetShadowManager::CreatePanel() {
    ControlPanel& panel = MutablePanel();
    SliderCtrl& blur = panel.Add<SliderCtrl>(PanelParent(), Rect{180, 37, 350, 57}, "Blur", kBlur, this);
    blur.SetRange(0, ShadowSettings::kMaxBlur);
    blur.SetPos(kBlurStart);
    SliderCtrl& opacity =
        panel.Add<SliderCtrl>(PanelParent(), Rect{375, 37, 470, 57}, "Opacity", kOpacity, this);
    opacity.SetRange(0, 100);
    opacity.SetPos(kOpacityStart);
    panel.Add<CheckBox>(PanelParent(), Rect{505, 37, 555, 57}, "Lines", kLines, this).SetCheck(true);
    panel.Add<CheckBox>(PanelParent(), Rect{590, 37, 680, 57}, "Surface Color", kSurfaceColor, this)
        .SetCheck(true);
}

bool OffsetShadowManager::Activate() {
    ShowPanel();
    m_hasOffset = false;
    m_recordedShadow = 0;
    return true;
}

bool OffsetShadowManager::Deactivate(int32_t /*how*/) {
    if (m_rubber.IsActive()) {
        m_rubber.Abort();
    }
    HidePanel();
    return true;
}

ShadowSettings OffsetShadowManager::Settings() const {
    ShadowSettings s;
    if (const auto* blur = dynamic_cast<const SliderCtrl*>(Panel().Find(kBlur))) {
        s.blur = blur->GetPos();
    }
    if (const auto* opacity = dynamic_cast<const SliderCtrl*>(Panel().Find(kOpacity))) {
        s.opacity = opacity->GetPos();
    }
    const auto* lines = dynamic_cast<const CheckBox*>(Panel().Find(kLines));
    const auto* surface = dynamic_cast<const CheckBox*>(Panel().Find(kSurfaceColor));
    s.lines = !lines || lines->GetCheck();
    s.surface = !surface || surface->GetCheck();
    s.color = m_c.palettes.GetCurrentColor();
    return s;
}

bool OffsetShadowManager::OnPanelCommand(int32_t id) {
    if (const auto* slider = dynamic_cast<const SliderCtrl*>(Panel().Find(id));
        slider && slider->IsTracking()) {
        return true; // the readout follows the thumb; the shadow is made at the final position
    }
    if (id < kBlur || id > kSurfaceColor) {
        return false;
    }
    Remake();
    return true;
}

bool OffsetShadowManager::OnRubberLineEnded() {
    const IntPoint a = m_rubber.StartPoint();
    const IntPoint b = m_rubber.CurrentPoint();
    return Cast(IntPoint{FineToPixels(b.x - a.x), FineToPixels(b.y - a.y)});
}

bool OffsetShadowManager::Cast(IntPoint offset) {
    m_offset = offset;
    m_hasOffset = true;
    m_c.prompt.SetPrompt(kPrompt); // unless the making says why nothing was cast
    return Remake();
}

const LayerObject* OffsetShadowManager::ShadowLayerOf(const LayerObject& caster) const {
    const int32_t below = m_c.stack.IndexOfId(caster.id) - 1;
    if (below < ImageStackManager::kFirstDrawingLayer) {
        return nullptr;
    }
    const LayerObject* layer = m_c.stack.Layer(below);
    return layer && HoldsOnlyShadow(*layer) ? layer : nullptr;
}

LayerObject* OffsetShadowManager::PrepareShadowLayer(int32_t& casterIndex) {
    ImageStackManager& stack = m_c.stack;
    if (const LayerObject* found = ShadowLayerOf(*stack.Layer(casterIndex))) {
        LayerObject* shadow = stack.Layer(casterIndex - 1);
        if (found->id != m_recordedShadow) {
            stack.SetCurrent(casterIndex - 1);
            m_c.undo.SnapshotCurrentLayer(false);
            stack.SetCurrent(casterIndex);
            m_recordedShadow = found->id;
        }
        return shadow;
    }
    const LayerObject& caster = *stack.Layer(casterIndex);
    const auto scale = caster.scale;
    LayerObject* made = stack.CreateLayer(kLayerName);
    if (!made) {
        stack.SetCurrent(casterIndex);
        return nullptr;
    }
    made->scale = scale;
    // Just under the caster, which moves up one; undoing the visit takes the layer away again.
    stack.MoveLayer(stack.Count() - 1, casterIndex);
    stack.SetCurrent(casterIndex);
    m_c.undo.SnapshotAddedLayer();
    m_recordedShadow = made->id;
    ++casterIndex;
    stack.SetCurrent(casterIndex);
    return stack.Layer(casterIndex - 1);
}

bool OffsetShadowManager::Remake() {
    if (!m_hasOffset) {
        return false;
    }
    LayerObject* caster = CurrentDrawingLayer(m_c.stack);
    if (!caster) {
        return false;
    }
    const ShadowSettings settings = Settings();
    const Rect content = ShadowMaker::ContentBounds(*caster, settings.lines, settings.surface);
    if (content.IsEmpty()) {
        m_c.prompt.SetPrompt(kNothingToCast);
        return false;
    }
    const Rect area = Intersection(ShadowMaker::ShadowRect(content, *caster, m_offset, settings.blur),
                                   m_c.stack.DrawingRect());
    if (area.IsEmpty()) {
        m_c.prompt.SetPrompt(kOutsideDrawing);
        return false;
    }
    if (settings.opacity == 0 && !ShadowLayerOf(*caster)) {
        return false; // a shadow of no strength shows nothing: no layer for it
    }
    WaitCursor wait(m_c.ui);
    std::unique_ptr<ObjectColor> paint =
        m_maker.Make(*caster, content, m_offset, settings, area, &m_c.ui.Progress());
    if (!paint) {
        return false;
    }
    int32_t casterIndex = m_c.stack.Current();
    LayerObject* shadow = PrepareShadowLayer(casterIndex);
    if (!shadow) {
        return false;
    }
    const Rect before = shadow->color ? shadow->bounds : Rect{};
    shadow->color = std::move(paint);
    shadow->offsetX = area.left;
    shadow->offsetY = area.top;
    shadow->bounds = area;
    m_c.refresh.MarkViewContents(Union(before, area));
    m_c.refresh.Refresh("");
    return true;
}

// --- OffsetShadowTool

void OffsetShadowTool::Activate() {
    ScreenTool::Activate();
    m_context.environment.EnterMode(m_mode, OffsetShadowManager::kTitle, OffsetShadowManager::kPrompt);
}

void OffsetShadowTool::Deactivate() {
    if (m_rubber.IsActive()) {
        m_rubber.Abort();
    }
}

void OffsetShadowTool::SetCursor() {
    m_context.window.SetCursor(cursors::kLine);
}

bool OffsetShadowTool::OnLButtonDown(uint32_t flags, int32_t x, int32_t y) {
    if (ScreenTool::OnLButtonDown(flags, x, y)) {
        return true; // a pan or the palette took the press
    }
    if (!IsButtonDown()) {
        return false;
    }
    if (!m_rubber.IsActive()) {
        if (m_rubber.Start(false)) {
            ShowPrompt(OffsetShadowManager::kSecondPointPrompt);
        }
        return true;
    }
    // The second click ends the line where it was clicked, or where Ctrl constrains it.
    if (!(flags & keys::kCtrlFlag)) {
        SetCurrentFinePoint(GetPressFinePoint());
    }
    m_rubber.Update();
    m_rubber.End();
    return true;
}

bool OffsetShadowTool::OnMouseMove(uint32_t flags, int32_t x, int32_t y) {
    if (ScreenTool::OnMouseMove(flags, x, y)) {
        return true;
    }
    if (m_rubber.IsActive()) {
        m_rubber.Update();
    }
    return true;
}

bool OffsetShadowTool::OnKeyDown(uint32_t key, uint32_t repeat, uint32_t flags) {
    if (key == keys::kEscape && m_rubber.IsActive()) {
        m_rubber.Abort();
        ShowPrompt(OffsetShadowManager::kPrompt);
        return true;
    }
    return ScreenTool::OnKeyDown(key, repeat, flags);
}

} // namespace ts
