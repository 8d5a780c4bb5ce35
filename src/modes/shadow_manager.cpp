#include "modes/shadow_manager.h"

#include "interact/virtual_keys.h"

#include <algorithm>
#include <array>
#include <vector>

namespace ts {

namespace {

struct ButtonPlace {
    int32_t id;
    const char* caption;
    Rect rect;
};

constexpr ButtonPlace kButtons[] = {
    {ShadowManager::kMinus2, "-2", {10, 37, 40, 57}},
    {ShadowManager::kMinus1, "-1", {45, 37, 75, 57}},
    {ShadowManager::kBrushOn, "Brush On", {80, 37, 145, 57}},
    {ShadowManager::kPlus1, "+1", {150, 37, 180, 57}},
    {ShadowManager::kPlus2, "+2", {185, 37, 215, 57}},
    {ShadowManager::kSample, "Sample", {225, 37, 280, 57}},
    {ShadowManager::kErase, "Erase", {285, 37, 330, 57}},
    {ShadowManager::kBlend, "Blend", {335, 37, 380, 57}},
    {ShadowManager::kAll, "All", {385, 37, 415, 57}},
    {ShadowManager::kFill, "Fill", {420, 37, 455, 57}},
};
constexpr Rect kLevelRect{465, 37, 605, 57};
constexpr Rect kRelativeRect{610, 37, 695, 57};

// The light-colour index of each brush button.
uint8_t IndexOfButton(int32_t id) {
    switch (id) {
    case ShadowManager::kMinus2:
        return 1;
    case ShadowManager::kMinus1:
        return 2;
    case ShadowManager::kPlus1:
        return 3;
    case ShadowManager::kPlus2:
        return 4;
    default:
        return 0;
    }
}

int32_t ButtonOfIndex(uint8_t index) {
    static constexpr int32_t kOf[] = {ShadowManager::kBrushOn, ShadowManager::kMinus2, ShadowManager::kMinus1,
                                      ShadowManager::kPlus1, ShadowManager::kPlus2};
    return index < 5 ? kOf[index] : ShadowManager::kBrushOn;
}

constexpr std::initializer_list<int32_t> kExclusive = {
    ShadowManager::kMinus2, ShadowManager::kMinus1, ShadowManager::kBrushOn,
    ShadowManager::kPlus1,  ShadowManager::kPlus2,  ShadowManager::kSample,
    ShadowManager::kErase,  ShadowManager::kBlend,  ShadowManager::kAll};

} // namespace

void ShadowManager::SetTools(ScreenTool* paint, ScreenTool* blend, ScreenTool* sample, ScreenTool* eraser) {
    m_paintTool = paint;
    m_blendTool = blend;
    m_sampleTool = sample;
    m_eraserTool = eraser;
}

void ShadowManager::CreatePanel() {
    ControlPanel& panel = MutablePanel();
    for (const ButtonPlace& b : kButtons) {
        panel.Add<CHuecraftButton>(PanelParent(), b.rect, b.caption, b.id, this);
    }
    SliderCtrl& level = panel.Add<SliderCtrl>(PanelParent(), kLevelRect, "Level", kLevel, this);
    level.SetRange(0, 255);
    panel.Add<CheckBox>(PanelParent(), kRelativeRect, "Relative", kRelative, this);
}

void ShadowManager::ShowChoices() {
    if (!PanelCreated()) {
        return;
    }
    PressExclusive(Panel(), kExclusive, m_button);
    if (auto* fill = dynamic_cast<CHuecraftButton*>(Panel().Find(kFill))) {
        fill->SetState(m_fill ? CHuecraftButton::kPressed : CHuecraftButton::kNormal);
    }
    if (auto* level = dynamic_cast<SliderCtrl*>(Panel().Find(kLevel))) {
        level->SetPos(m_level);
    }
    if (auto* relative = dynamic_cast<CheckBox*>(Panel().Find(kRelative))) {
        relative->SetCheck(m_relative);
    }
}

void ShadowManager::SetLevel(uint8_t level, bool relative) {
    m_level = level;
    m_relative = relative;
    ShowChoices();
}

bool ShadowManager::Activate() {
    m_c.refresh.MarkViewportSize();
    ShowPanel();
    ShowChoices();
    return true;
}

bool ShadowManager::Deactivate(int32_t /*how*/) {
    m_stroke.End();
    HidePanel();
    return true;
}

void ShadowManager::ChooseTool(Tool tool, int32_t button, ScreenTool* screenTool) {
    m_tool = tool;
    m_button = button;
    ShowChoices();
    if (screenTool && m_c.tools.CurrentTool() != screenTool) {
        m_c.tools.SetTool(*screenTool);
    }
}

bool ShadowManager::OnPanelCommand(int32_t id) {
    switch (id) {
    case kMinus2:
    case kMinus1:
    case kBrushOn:
    case kPlus1:
    case kPlus2:
        m_lightIndex = IndexOfButton(id);
        ChooseTool(Tool::kBrush, id, m_paintTool);
        return true;
    case kSample:
        ChooseTool(Tool::kSample, id, m_sampleTool);
        return true;
    case kErase:
        ChooseTool(Tool::kErase, id, m_eraserTool);
        return true;
    case kBlend:
        ChooseTool(Tool::kBlend, id, m_blendTool);
        return true;
    case kAll:
        ApplyToAll();
        ShowChoices(); // "All" pops back up
        return true;
    case kFill:
        m_fill = !m_fill;
        ShowChoices();
        return true;
    case kLevel:
        if (auto* level = dynamic_cast<SliderCtrl*>(Panel().Find(kLevel))) {
            m_level = static_cast<uint8_t>(std::clamp(level->GetPos(), 0, 255));
        }
        return true;
    case kRelative:
        if (auto* relative = dynamic_cast<CheckBox*>(Panel().Find(kRelative))) {
            m_relative = relative->GetCheck();
        }
        return true;
    default:
        return false;
    }
}

bool ShadowManager::OnShadowEraserSelected() {
    m_tool = Tool::kErase;
    m_button = kErase;
    ShowChoices();
    return true;
}

LayerObject* ShadowManager::LayerUnder(int32_t x, int32_t y) {
    LayerObject* layer = CurrentDrawingLayer(m_c.stack);
    if (!layer) {
        return nullptr;
    }
    const IntPoint at = m_c.geometry.ToDrawing(x, y);
    const Rect r = LayerRect(m_c.stack, *layer);
    const bool inside = at.x >= r.left && at.y >= r.top && at.x < r.right && at.y < r.bottom;
    return inside ? layer : nullptr;
}

bool ShadowManager::EnsureLighting(LayerObject& layer) {
    if (layer.shadow && layer.shadow->lighting && layer.shadow->appearanceIndex) {
        return true;
    }
    auto shadow = std::make_unique<ObjectShadow>();
    if (!shadow->Create(m_c.stack.LayerWidth(layer), m_c.stack.LayerHeight(layer))) {
        return false;
    }
    layer.shadow = std::move(shadow);
    return true;
}

uint8_t ShadowManager::Target(bool mirror) const {
    return mirror ? static_cast<uint8_t>(std::clamp(256 - m_level, 0, 255)) : m_level;
}

uint8_t ShadowManager::Apply(uint8_t level, uint8_t target) const {
    if (!m_relative) {
        return target;
    }
    return static_cast<uint8_t>(std::clamp(level + target - 128, 0, 255));
}

void ShadowManager::ShowLayer(const LayerObject& layer, const Rect& layerRect, const char* reason) {
    m_c.refresh.MarkViewContents(Translated(layerRect, layer.offsetX, layer.offsetY));
    m_c.refresh.Refresh(reason);
}

bool ShadowManager::OnPaintPress(uint32_t flags, int32_t x, int32_t y) {
    LayerObject* layer = LayerUnder(x, y);
    if (!layer) {
        return false; // only presses on the layer paint lighting
    }
    const bool mirror = (flags & keys::kShiftFlag) != 0;
    if (m_fill) {
        FillAt(x, y, mirror);
        return false;
    }
    m_stroke.RecordLayer(*layer);
    if (!EnsureLighting(*layer)) {
        return false;
    }
    StrokeTool brush;
    const ScreenTool* tool = m_c.tools.CurrentTool();
    if (tool && tool == m_blendTool) {
        return m_stroke.Begin(kStrokeBlendLighting, brush, x, y, kBrushRefreshReason);
    }
    brush.lightTarget = Target(mirror);
    brush.lightRelative = m_relative;
    brush.lightIndex = m_lightIndex;
    return m_stroke.Begin(kStrokeLighting, brush, x, y, kBrushRefreshReason);
}

bool ShadowManager::OnPaintDrag(uint32_t /*flags*/, int32_t x, int32_t y) {
    m_stroke.Drag(x, y);
    return true;
}

bool ShadowManager::OnPaintRelease(uint32_t /*flags*/, int32_t /*x*/, int32_t /*y*/) {
    m_stroke.End();
    return true;
}

bool ShadowManager::OnErasePress(uint32_t /*flags*/, int32_t x, int32_t y) {
    LayerObject* layer = LayerUnder(x, y);
    if (!layer || !layer->shadow || !layer->shadow->lighting) {
        return false; // no lighting there to erase
    }
    return m_stroke.Begin(kStrokeEraseLighting, StrokeTool{}, x, y, kBrushRefreshReason);
}

bool ShadowManager::OnEraseDrag(uint32_t /*flags*/, int32_t x, int32_t y) {
    m_stroke.Drag(x, y);
    return true;
}

bool ShadowManager::OnEraseRelease(uint32_t /*flags*/, int32_t /*x*/, int32_t /*y*/) {
    m_stroke.End();
    return true;
}

bool ShadowManager::OnSamplePress(uint32_t /*flags*/, int32_t x, int32_t y) {
    PickShadedLayer(x, y);
    return false;
}

bool ShadowManager::LeaveBeforeUndo() {
    m_stroke.End();
    const UndoRedo* r = m_c.undo.NewestUndo();
    return !(r && r->kind == UndoRedo::kLayerChanged);
}

bool ShadowManager::LeaveBeforeRedo() {
    m_stroke.End();
    const UndoRedo* r = m_c.undo.NewestRedo();
    return !(r && r->kind == UndoRedo::kLayerChanged);
}

bool ShadowManager::ApplyToAll() {
    m_stroke.End();
    LayerObject* layer = CurrentDrawingLayer(m_c.stack);
    if (!layer) {
        return false;
    }
    if (m_tool != Tool::kBrush && m_tool != Tool::kErase) {
        m_c.ui.ShowMessage(kAllMessage);
        return false;
    }
    const bool erase = m_tool == Tool::kErase;
    if (erase && !(layer->shadow && layer->shadow->lighting)) {
        return false;
    }
    m_c.undo.SnapshotCurrentLayer(false);
    if (!EnsureLighting(*layer)) {
        return false;
    }
    ObjectShadow& shadow = *layer->shadow;
    const int32_t w = shadow.lighting->Width();
    const int32_t h = shadow.lighting->Height();
    if (erase) {
        shadow.lighting->Fill(ObjectShadow::kNeutral);
        shadow.appearanceIndex->Fill(0);
    } else if (!m_relative) {
        shadow.lighting->Fill(m_level);
        shadow.appearanceIndex->Fill(m_lightIndex);
    } else {
        std::vector<uint8_t> row(static_cast<size_t>(w));
        for (int32_t y = 0; y < h; ++y) {
            shadow.lighting->ReadRow(y, row.data());
            for (uint8_t& v : row) {
                v = Apply(v, m_level);
            }
            shadow.lighting->PutRow(y, row.data());
        }
        shadow.appearanceIndex->Fill(m_lightIndex);
    }
    ShowLayer(*layer, Rect{0, 0, w, h}, "R_LightingAll");
    return true;
}

bool ShadowManager::FillAt(int32_t x, int32_t y, bool mirror) {
    m_stroke.End();
    LayerObject* layer = LayerUnder(x, y);
    if (!layer) {
        return false;
    }
    const int32_t w = m_c.stack.LayerWidth(*layer);
    const int32_t h = m_c.stack.LayerHeight(*layer);
    const IntPoint at = m_c.geometry.ToDrawing(x, y);
    WaitCursor wait(m_c.ui);
    if (!m_fillArea.SetWalls(*layer, w, h) ||
        !m_fillArea.Fill(at.x - layer->offsetX, at.y - layer->offsetY)) {
        return false;
    }
    m_c.undo.SnapshotCurrentLayer(false);
    if (!EnsureLighting(*layer)) {
        return false;
    }
    ObjectShadow& shadow = *layer->shadow;
    const uint8_t target = Target(mirror);
    const Rect r = Intersection(m_fillArea.FilledRect(),
                                Rect{0, 0, shadow.lighting->Width(), shadow.lighting->Height()});
    const FastBitonalMask& filled = m_fillArea.Filled();
    std::vector<uint8_t> levels(static_cast<size_t>(shadow.lighting->Width()));
    std::vector<uint8_t> lights(static_cast<size_t>(shadow.appearanceIndex->Width()));
    for (int32_t yy = r.top; yy < r.bottom; ++yy) {
        shadow.lighting->ReadRow(yy, levels.data());
        shadow.appearanceIndex->ReadRow(yy, lights.data());
        for (int32_t xx = r.left; xx < r.right; ++xx) {
            if (filled.TestBit(xx, yy)) {
                levels[static_cast<size_t>(xx)] = Apply(levels[static_cast<size_t>(xx)], target);
                if (static_cast<size_t>(xx) < lights.size()) {
                    lights[static_cast<size_t>(xx)] = m_lightIndex;
                }
            }
        }
        shadow.lighting->PutRow(yy, levels.data());
        shadow.appearanceIndex->PutRow(yy, lights.data());
    }
    ShowLayer(*layer, r, "");
    return true;
}

bool ShadowManager::PickShadedLayer(int32_t x, int32_t y) {
    const IntPoint at = m_c.geometry.ToDrawing(x, y);
    const int32_t r = std::max(1, m_c.geometry.DrawingDistance(m_stroke.ToolBrushSize()) / 2);
    int32_t best = -1;
    int64_t bestCount = 0;
    std::vector<uint8_t> row;
    for (int32_t i = ImageStackManager::kFirstDrawingLayer; i < m_c.stack.Count(); ++i) {
        const LayerObject* layer = m_c.stack.Layer(i);
        if (!layer || layer->hidden || !layer->visibleInStack || !layer->ShowsLighting() || !layer->shadow ||
            !layer->shadow->lighting) {
            continue;
        }
        const RLBuffer& levels = *layer->shadow->lighting;
        const int32_t cx = at.x - layer->offsetX;
        const int32_t cy = at.y - layer->offsetY;
        row.resize(static_cast<size_t>(levels.Width()));
        int64_t count = 0;
        for (int32_t yy = std::max(0, cy - r); yy <= std::min(levels.Height() - 1, cy + r); ++yy) {
            levels.ReadRow(yy, row.data());
            for (int32_t xx = std::max(0, cx - r); xx <= std::min(levels.Width() - 1, cx + r); ++xx) {
                const int64_t dx = xx - cx;
                const int64_t dy = yy - cy;
                if (dx * dx + dy * dy <= int64_t{r} * r &&
                    row[static_cast<size_t>(xx)] != ObjectShadow::kNeutral) {
                    ++count;
                }
            }
        }
        if (count > 0 && count >= bestCount) { // ties go to the upper layer
            best = i;
            bestCount = count;
        }
    }
    if (best < 0) {
        m_c.ui.ShowMessage(kNoShadows);
        return false;
    }
    if (best != m_c.stack.Current()) {
        m_c.stack.SetCurrent(best);
        m_c.stack.NotifyIndicator();
    }
    // The level and light colour under the pointer (or the nearest shaded pixel's) become the brush's.
    const LayerObject& layer = *m_c.stack.Layer(best);
    const ObjectShadow& shadow = *layer.shadow;
    const int32_t cx = std::clamp(at.x - layer.offsetX, 0, shadow.lighting->Width() - 1);
    const int32_t cy = std::clamp(at.y - layer.offsetY, 0, shadow.lighting->Height() - 1);
    row.resize(static_cast<size_t>(shadow.lighting->Width()));
    shadow.lighting->ReadRow(cy, row.data());
    uint8_t level = row[static_cast<size_t>(cx)];
    uint8_t index = 0;
    if (shadow.appearanceIndex && cx < shadow.appearanceIndex->Width() &&
        cy < shadow.appearanceIndex->Height()) {
        std::vector<uint8_t> lights(static_cast<size_t>(shadow.appearanceIndex->Width()));
        shadow.appearanceIndex->ReadRow(cy, lights.data());
        index = lights[static_cast<size_t>(cx)];
    }
    if (level != ObjectShadow::kNeutral) {
        m_level = level;
    }
    if (index < 5) {
        m_lightIndex = index;
        if (m_tool == Tool::kBrush) {
            m_button = ButtonOfIndex(index);
        }
    }
    ShowChoices();
    return true;
}

} // namespace ts
