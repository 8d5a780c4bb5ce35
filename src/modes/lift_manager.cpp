#include "modes/lift_manager.h"

#include "document/layer_geometry.h"
#include "render/line_renderer.h"

#include <algorithm>
#include <new>

namespace ts {

namespace {

constexpr Rect kLiftRect{20, 37, 100, 57};
constexpr Rect kLinesRect{120, 37, 190, 57};
constexpr Rect kLightingRect{200, 37, 280, 57};
constexpr Rect kColorRect{290, 37, 360, 57};
constexpr Rect kEraseRect{370, 37, 440, 57};

constexpr const char* kLiftedReason = "Lifted Layer";

} // namespace

Rect LayerContent(const LayerObject& layer) {
    Rect content{};
    if (layer.color && layer.color->amount) {
        content = Union(content, layer.color->amount->BoundingBox(0));
    }
    if (layer.shadow && layer.shadow->lighting) {
        content = Union(content, layer.shadow->lighting->BoundingBox(ObjectShadow::kNeutral));
    }
    if (layer.frame && layer.frame->drawingBuffer) {
        content = Union(content, layer.frame->drawingBuffer->BoundingBox(0));
    }
    if (layer.lineArt && layer.lineArt->lineBuffer) {
        content = Union(content, layer.lineArt->lineBuffer->BoundingBox(0));
    }
    return content;
}

void LiftManager::CreatePanel() {
    ControlPanel& panel = MutablePanel();
    panel.Add<CHuecraftButton>(PanelParent(), kLiftRect, kTitle, kLiftButton, this)
        .SetState(CHuecraftButton::kPressed);
    panel.Add<CheckBox>(PanelParent(), kLinesRect, "Lines", kLines, this);
    panel.Add<CheckBox>(PanelParent(), kLightingRect, "Lighting", kLighting, this);
    panel.Add<CheckBox>(PanelParent(), kColorRect, "Color", kColor, this);
    panel.Add<CheckBox>(PanelParent(), kEraseRect, "Erase", kErase, this);
}

void LiftManager::ShowBoxes() {
    if (!PanelCreated()) {
        return;
    }
    const std::pair<int32_t, bool> boxes[] = {
        {kLines, m_lines}, {kLighting, m_lighting}, {kColor, m_color}, {kErase, m_erase}};
    for (const auto& [id, on] : boxes) {
        if (auto* box = dynamic_cast<CheckBox*>(Panel().Find(id))) {
            box->SetCheck(on);
        }
    }
}

void LiftManager::SetBoxes(bool lines, bool lighting, bool color, bool erase) {
    m_lines = lines;
    m_lighting = lighting;
    m_color = color;
    m_erase = erase;
    ShowBoxes();
}

bool LiftManager::OnPanelCommand(int32_t id) {
    auto* box = dynamic_cast<CheckBox*>(Panel().Find(id));
    const bool on = box && box->GetCheck();
    switch (id) {
    case kLines:
        m_lines = on;
        return true;
    case kLighting:
        m_lighting = on;
        return true;
    case kColor:
        m_color = on;
        return true;
    case kErase:
        m_erase = on;
        return true;
    case kLiftButton:
        return true;
    default:
        return false;
    }
}

LayerObject* LiftManager::Lifted() {
    const int32_t index = m_liftedId ? m_c.stack.IndexOfId(m_liftedId) : -1;
    return index >= ImageStackManager::kFirstDrawingLayer ? m_c.stack.Layer(index) : nullptr;
}

bool LiftManager::Activate() {
    m_c.refresh.MarkViewportSize();
    ShowPanel();
    ShowBoxes();
    if (LayerObject* source = CurrentDrawingLayer(m_c.stack)) {
        MakeLifted(*source);
    }
    return true;
}

bool LiftManager::Deactivate(int32_t /*how*/) {
    m_stroke.End();
    FinishLifted();
    HidePanel();
    return true;
}

void LiftManager::CopyTables(const LayerObject& source, LayerObject& lifted) {
    if (source.color && lifted.color) {
        lifted.color->appearances.Copy(source.color->appearances);
    }
    if (source.shadow && lifted.shadow) {
        lifted.shadow->appearances.Copy(source.shadow->appearances);
    }
    if (source.lineArt && lifted.lineArt) {
        const ObjectLineArt& from = *source.lineArt;
        ObjectLineArt& to = *lifted.lineArt;
        if (from.appearanceList && to.appearanceList) {
            to.appearanceList->Copy(*from.appearanceList);
        }
        if (from.colorList && to.colorList) {
            to.colorList->Copy(*from.colorList);
        }
    }
}

bool LiftManager::MakeLifted(LayerObject& source) {
    ImageStackManager& stack = m_c.stack;
    const int32_t sourceIndex = stack.IndexOfId(source.id);
    const int32_t w = stack.LayerWidth(source);
    const int32_t h = stack.LayerHeight(source);
    auto occupancy = std::make_unique<SuperBitBuffer>();
    auto shadow = std::make_unique<ObjectShadow>();
    auto moved = std::make_unique<FastBitonalMask>();
    if (sourceIndex < ImageStackManager::kFirstDrawingLayer || !occupancy->Create(w, h, 2, 0, 2.0f) ||
        !shadow->Create(w, h) || !moved->Resize(w, h) ||
        !stack.CreateDrawingLayer(std::move(occupancy), kLiftedName)) {
        stack.SetCurrent(std::max(sourceIndex, 0));
        return false;
    }
    LayerObject& lifted = *stack.CurrentLayer();
    lifted.shadow = std::move(shadow);
    if (source.lineArt && !EnsureLineArt(lifted)) {
        stack.RemoveLayer(stack.Current());
        stack.SetCurrent(sourceIndex);
        return false;
    }
    lifted.offsetX = source.offsetX;
    lifted.offsetY = source.offsetY;
    lifted.bounds = LayerRect(stack, source);
    // Lighting shows through the layer's own ramp: the lifted lighting looks as it did.
    lifted.highlightColor = source.highlightColor;
    lifted.shadeColor = source.shadeColor;
    lifted.strength = source.strength;
    lifted.transitionWidth = source.transitionWidth;
    lifted.lightingRamp = source.lightingRamp;
    CopyTables(source, lifted);
    // Just above the layer; the kind-2 record is taken with it current, then the layer is again.
    const int32_t at = sourceIndex + 1;
    stack.MoveLayer(stack.Current(), at);
    stack.SetCurrent(at);
    m_c.undo.SnapshotAddedLayer();
    stack.SetCurrent(sourceIndex);
    stack.NotifyIndicator();
    m_moved = std::move(moved);
    m_sourceId = source.id;
    m_liftedId = lifted.id;
    m_sourceSaved = false;
    m_c.refresh.Refresh(kLiftedReason);
    return true;
}

void LiftManager::FinishLifted() {
    LayerObject* lifted = Lifted();
    const uint32_t id = m_liftedId;
    m_liftedId = 0;
    m_sourceId = 0;
    m_moved.reset();
    if (!lifted) {
        return;
    }
    ImageStackManager& stack = m_c.stack;
    const Rect content = LayerContent(*lifted);
    if (content.IsEmpty()) {
        // Nothing was lifted: the layer goes again, and with it its undo record when it is the newest.
        const int32_t index = stack.IndexOfId(id);
        const int32_t current = stack.Current();
        stack.RemoveLayer(index);
        m_c.undo.DropNewestAdded(id);
        if (current > index) {
            stack.SetCurrent(current - 1);
        } else if (current == index) {
            stack.SetCurrent(std::max(ImageStackManager::kFirstDrawingLayer, index - 1));
        }
        stack.NotifyIndicator();
        m_c.refresh.MarkViewContents(stack.DrawingRect());
        m_c.refresh.Refresh(kLiftedReason);
        m_c.ui.ShowMessage(kDeletedEmpty);
        return;
    }
    // Cut down to what it holds (drawing pixels); the pixels outside hold nothing.
    const Rect before = LayerRect(stack, *lifted);
    if (geometry::ResizeLayer(*lifted, Translated(content, lifted->offsetX, lifted->offsetY))) {
        m_c.refresh.MarkViewContents(before);
        m_c.refresh.Refresh(kLiftedReason);
    }
}

bool LiftManager::OnToolPress(uint32_t /*flags*/, int32_t x, int32_t y) {
    LayerObject* source = CurrentDrawingLayer(m_c.stack);
    if (!source || !(m_lines || m_lighting || m_color) || source->id == m_liftedId) {
        return false;
    }
    if (source->id != m_sourceId || !Lifted()) {
        // Another layer was chosen while lifting: what was lifted so far stays in its own layer.
        FinishLifted();
        if (!MakeLifted(*source)) {
            return false;
        }
        source = CurrentDrawingLayer(m_c.stack);
    }
    const IntPoint at = m_c.geometry.ToDrawing(x, y);
    const int32_t reach = m_c.geometry.DrawingDistance(m_stroke.ToolBrushSize()) / 2;
    const Rect brush{at.x - reach, at.y - reach, at.x + reach + 1, at.y + reach + 1};
    if (Intersection(brush, LayerRect(m_c.stack, *source)).IsEmpty()) {
        m_c.ui.ShowMessage(kOutside);
        return false;
    }
    LayerObject* lifted = Lifted();
    if (m_lines && source->lineArt && !lifted->lineArt && !EnsureLineArt(*lifted)) {
        return false;
    }
    if (m_erase && !m_sourceSaved) {
        m_c.undo.SnapshotCurrentLayer(false);
        m_sourceSaved = true;
    }
    CopyTables(*source, *lifted);
    StrokeTool tool;
    tool.transfer.liftFrom = source;
    tool.transfer.moved = m_moved.get();
    tool.transfer.erase = m_erase;
    tool.transfer.lines = m_lines;
    tool.transfer.lighting = m_lighting;
    tool.transfer.color = m_color;
    return m_stroke.BeginOn(*lifted, kStrokeLineArtLighting, tool, x, y, kBrushRefreshReason, 0);
}

bool LiftManager::OnPaintDrag(uint32_t /*flags*/, int32_t x, int32_t y) {
    m_stroke.Drag(x, y);
    return true;
}

bool LiftManager::OnPaintRelease(uint32_t /*flags*/, int32_t /*x*/, int32_t /*y*/) {
    m_stroke.End();
    return true;
}

LiftTool::LiftTool(ToolContext& context, int32_t commandId)
    : BrushTool(context, [commandId] {
          BrushTool::Setup s;
          s.commandId = commandId;
          s.route = BrushRoute::kToolThenPaint;
          s.title = LiftManager::kTitle;
          s.prompt = LiftManager::kPrompt;
          return s;
      }()) {}

} // namespace ts
