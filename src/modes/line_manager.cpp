#include "modes/line_manager.h"

#include "interact/virtual_keys.h"
#include "model/frame_layers.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <string>

namespace ts {

namespace {

constexpr Rect kTitleRect{10, 37, 72, 57};
constexpr Rect kDrawLineRect{77, 37, 139, 57};
constexpr Rect kSampleRect{142, 37, 189, 57};
constexpr Rect kEraseRect{192, 37, 234, 57};
constexpr Rect kAppearanceRect{237, 37, 309, 57};
constexpr Rect kColorRect{312, 37, 352, 57};
constexpr Rect kWidthRect{356, 37, 401, 57};
constexpr Rect kWidthComboRect{404, 37, 449, 57};
constexpr Rect kStyleRect{452, 37, 490, 57};
constexpr Rect kStyleComboRect{493, 37, 593, 57};
constexpr Rect kFreehandRect{596, 37, 656, 57};
constexpr Rect kFreehandSliderRect{659, 37, 729, 57};
constexpr Rect kIncRect{733, 37, 763, 57};
constexpr Rect kDecRect{766, 37, 796, 57};
constexpr Rect kAllRect{799, 37, 840, 57};
constexpr Rect kReplaceRect{845, 37, 905, 57};
// The segment commands in a second row under the settings.
constexpr Rect kArrayCountRect{77, 62, 142, 82};
constexpr Rect kArrayRect{145, 62, 189, 82};
constexpr Rect kSetVanishingRect{192, 62, 252, 82};
constexpr Rect kRemoveVanishingRect{255, 62, 345, 82};

} // namespace

LineManager::LineManager(PaintingContext& context, EnvironmentManager& environment, ViewSwitches& switches,
                         RubberLine& rubber, OverlayPainter& painter, SegmentOverlay& overlay)
    : EnvTool(kLineId), m_c(context), m_environment(environment), m_switches(switches), m_rubber(rubber),
      m_painter(painter), m_overlay(overlay), m_stroke(context) {}

void LineManager::CreatePanel() {
    ControlPanel& panel = MutablePanel();
    ControlParent* parent = PanelParent();
    panel.Add<CHuecraftButton>(parent, kTitleRect, "Lines", kLinesTitle, this);
    panel.Add<CHuecraftButton>(parent, kDrawLineRect, "Draw Line", kDrawLine, this);
    panel.Add<CHuecraftButton>(parent, kSampleRect, "Sample", kSample, this);
    panel.Add<CHuecraftButton>(parent, kEraseRect, "Erase", kErase, this);
    panel.Add<CHuecraftButton>(parent, kAppearanceRect, "Appearance", kAppearance, this);
    panel.Add<CHuecraftButton>(parent, kColorRect, "Color", kColor, this);
    panel.Add<CHuecraftButton>(parent, kWidthRect, "Width", kWidth, this);
    ComboBox& width = panel.Add<ComboBox>(parent, kWidthComboRect, "", kWidthCombo, this);
    for (int32_t w = 1; w <= kMaxLineWidth; ++w) {
        width.AddString(std::to_string(w));
    }
    width.SetCurSel(0);
    panel.Add<CHuecraftButton>(parent, kStyleRect, "Style", kStyle, this);
    ComboBox& style = panel.Add<ComboBox>(parent, kStyleComboRect, "", kStyleCombo, this);
    for (const char* name : kLineStyleNames) {
        style.AddString(name);
    }
    style.SetCurSel(0);
    panel.Add<CHuecraftButton>(parent, kFreehandRect, "Freehand", kFreehand, this);
    SliderCtrl& freehand = panel.Add<SliderCtrl>(parent, kFreehandSliderRect, "", kFreehandSlider, this);
    freehand.SetRange(0, kMaxFreehand);
    freehand.SetPos(0);
    panel.Add<CHuecraftButton>(parent, kIncRect, "Inc", kInc, this);
    panel.Add<CHuecraftButton>(parent, kDecRect, "Dec", kDec, this);
    panel.Add<CHuecraftButton>(parent, kAllRect, "All", kAll, this);
    panel.Add<CheckBox>(parent, kReplaceRect, "Replace", kReplace, this).SetCheck(true);
    EditBox& count = panel.Add<EditBox>(parent, kArrayCountRect, "Count", kArrayCountBox, this);
    count.SetAllowedCharacters(EditBox::kIntegerCharacters);
    count.SetText("3");
    panel.Add<CHuecraftButton>(parent, kArrayRect, "Array", kArray, this);
    panel.Add<CHuecraftButton>(parent, kSetVanishingRect, "Set VP", kSetVanishingPoint, this);
    panel.Add<CHuecraftButton>(parent, kRemoveVanishingRect, "Remove VPs", kRemoveVanishingPoints, this);
}

bool LineManager::Activate() {
    const LayerObject* layer = CurrentDrawingLayer(m_c.stack);
    if (layer && layer->name == kSketchFrameName) {
        m_c.ui.ShowMessage(kSketchFrameWarning);
    }
    // Lines must be seen while they are drawn.
    if (!m_switches.showLines) {
        m_switches.showLines = true;
        m_c.stack.SetLinesVisible(true);
        m_c.refresh.MarkStackFootprint();
        m_c.refresh.Refresh("R_SetLineVisibility");
    }
    ShowPanel();
    PressRadio(m_radio);
    m_environment.SetLineConstraint(CConstraintManager::kLineDrawing);
    m_color = m_c.palettes.GetCurrentColor() & 0x00FFFFFF;
    ShowVanishingPoint();
    ShowSegments();
    return true;
}

bool LineManager::Deactivate(int32_t /*how*/) {
    m_stroke.End();
    // Going to the select mode for a moment (Space) keeps the segments, which it edits; any other
    // switch finishes the line, so no segment is lost.
    if (!(m_keepSegments && m_keepSegments())) {
        FinishLine();
    }
    DropRubberLine();
    m_editing = false;
    HidePanel();
    m_c.ui.SetStatusPane(kVanishingPane, "");
    return true;
}

bool LineManager::Commit(int32_t /*how*/) {
    m_stroke.End();
    FinishLine();
    return true;
}

void LineManager::PressRadio(int32_t id) {
    PressExclusive(Panel(), {kDrawLine, kSample, kErase, kAppearance, kColor, kWidth, kStyle, kFreehand}, id);
}

void LineManager::SelectTool(ScreenTool* tool) {
    if (tool) {
        // The pen reads its variant when it is activated: it is activated again when already current.
        m_c.tools.SetTool(*tool);
    }
}

void LineManager::EnableStepButtons(bool inc, bool dec) {
    if (CControl* c = Panel().Find(kInc)) {
        c->Enable(inc);
    }
    if (CControl* c = Panel().Find(kDec)) {
        c->Enable(dec);
    }
}

void LineManager::SetPenVariant(int32_t variant) {
    m_penVariant = std::clamp(variant, 0, static_cast<int32_t>(kPenRepair));
    // The panel shows the radio button of the pen's change (line repair has none).
    static constexpr int32_t kRadioOf[] = {kAppearance, kWidth, kColor, kFreehand, kStyle};
    if (m_penVariant != kPenRepair) {
        m_radio = kRadioOf[m_penVariant];
        PressRadio(m_radio);
    }
}

bool LineManager::OnPanelCommand(int32_t id) {
    auto pen = [this](int32_t radio, int32_t variant) {
        m_radio = radio;
        PressRadio(radio);
        SetPenVariant(variant);
        SelectTool(m_tools.pen);
    };
    switch (id) {
    case kDrawLine:
        m_radio = id;
        PressRadio(id);
        SelectTool(m_tools.line);
        return true;
    case kSample:
        m_radio = id;
        PressRadio(id);
        EnableStepButtons(false, Panel().Find(kDec) && Panel().Find(kDec)->IsEnabled());
        SelectTool(m_tools.dropper);
        return true;
    case kErase:
        m_radio = id;
        PressRadio(id);
        SelectTool(m_tools.eraser);
        return true;
    case kAppearance:
        pen(id, kPenAppearance);
        return true;
    case kColor:
        pen(id, kPenColor);
        return true;
    case kWidth:
        m_widthMode = 0;
        EnableStepButtons(true, true);
        pen(id, kPenWidth);
        return true;
    case kStyle:
        pen(id, kPenStyle);
        return true;
    case kFreehand:
        EnableStepButtons(true, true);
        pen(id, kPenFreehand);
        return true;
    case kWidthCombo:
    case kStyleCombo:
    case kFreehandSlider:
        // Changing a setting outside "Draw Line" picks the pen that applies it.
        if (m_radio != kDrawLine) {
            return OnPanelCommand(id == kWidthCombo ? kWidth : id == kStyleCombo ? kStyle : kFreehand);
        }
        return true;
    case kInc:
    case kDec: {
        const bool inc = id == kInc;
        if (m_radio == kWidth) {
            m_widthMode = inc ? 1 : 2;
            ApplyWidthToAll(m_widthMode);
        } else if (m_radio == kFreehand) {
            ApplyFreehandToAll(inc ? 1 : -1, true);
        } else {
            m_c.ui.ShowMessage(inc ? kIncMessage : kDecMessage);
        }
        return true;
    }
    case kAll:
        switch (m_radio) {
        case kErase:
            EraseAllLines();
            break;
        case kAppearance:
            ApplyAppearanceToAll();
            break;
        case kColor:
            ApplyColorToAll();
            break;
        case kWidth:
            m_widthMode = 0;
            ApplyWidthToAll(0);
            break;
        case kStyle:
            ApplyStyleToAll();
            break;
        case kFreehand:
            ReadPanel();
            ApplyFreehandToAll(m_settings.freehand, false);
            break;
        default:
            m_c.ui.ShowMessage(kAllMessage);
            break;
        }
        PressRadio(m_radio);
        return true;
    case kSetVanishingPoint:
        SetVanishingPoint();
        return true;
    case kRemoveVanishingPoints:
        RemoveVanishingPoints();
        return true;
    case kArray:
        Array();
        return true;
    case kLinesTitle:
    case kReplace:
    case kArrayCountBox:
        return true; // read when they are needed
    default:
        return false;
    }
}

void LineManager::ReadPanel() {
    m_color = m_c.palettes.GetCurrentColor() & 0x00FFFFFF;
    const auto* width = dynamic_cast<const ComboBox*>(Panel().Find(kWidthCombo));
    const auto* style = dynamic_cast<const ComboBox*>(Panel().Find(kStyleCombo));
    const auto* freehand = dynamic_cast<const SliderCtrl*>(Panel().Find(kFreehandSlider));
    m_settings.width = width ? std::clamp(width->GetCurSel() + 1, 1, kMaxLineWidth) : 1;
    m_settings.style = style ? std::clamp(style->GetCurSel(), 0, kLineStyleCount - 1) : 0;
    m_settings.freehand = freehand ? std::clamp(freehand->GetPos(), 0, kMaxFreehand) : 0;
    m_settings.colorIndex = 0;
    LayerObject* layer = CurrentDrawingLayer(m_c.stack);
    if (layer && layer->lineArt && layer->lineArt->colorList) {
        ObjectLineArt& lines = *layer->lineArt;
        LineColor color;
        color.color = static_cast<int32_t>(m_color);
        color.opacity = 255;
        const int index = lines.colorList->FindOrAdd(color);
        m_settings.colorIndex = static_cast<uint8_t>(index < 0 ? 0 : index);
        if (lines.appearanceList) {
            lines.appearanceList->FindOrAdd(
                MakeLineAppearance(m_settings.width, m_settings.style, m_settings.freehand));
        }
    }
}

int32_t LineManager::PanelWidth() const {
    const auto* width = dynamic_cast<const ComboBox*>(Panel().Find(kWidthCombo));
    return width ? std::clamp(width->GetCurSel() + 1, 1, kMaxLineWidth) : m_settings.width;
}

LayerObject* LineManager::LineLayer() {
    LayerObject* layer = CurrentDrawingLayer(m_c.stack);
    if (!layer || !IsLineLayer(*layer) || !EnsureLineArt(*layer)) {
        return nullptr;
    }
    layer->frame->points.SetLayerOrigin(layer->offsetX, layer->offsetY);
    return layer;
}

PointMemory* LineManager::Points() {
    LayerObject* layer = CurrentDrawingLayer(m_c.stack);
    if (!layer || !layer->frame) {
        return nullptr;
    }
    layer->frame->points.SetLayerOrigin(layer->offsetX, layer->offsetY);
    return &layer->frame->points;
}

void LineManager::ShowSegments() {
    m_painter.Hide(m_overlay);
    const PointMemory* points = Points();
    if (points && !points->IsEmpty()) {
        m_painter.Show(m_overlay);
    }
}

void LineManager::RefreshView(const char* reason) {
    ShowSegments();
    m_c.refresh.MarkViewportSize();
    m_c.refresh.Refresh(reason);
}

bool LineManager::OnPointPress(uint32_t /*flags*/, int32_t /*x*/, int32_t /*y*/) {
    m_stroke.End();
    return LineLayer() != nullptr;
}

bool LineManager::AddClipped(IntPoint a, IntPoint b) {
    LayerObject* layer = LineLayer();
    if (!layer) {
        return false;
    }
    // Clipped to the layer (Liang-Barsky on the fine rectangle), so that every end lies on it.
    const double left = 4.0 * layer->offsetX;
    const double top = 4.0 * layer->offsetY;
    const double right = left + 4.0 * m_c.stack.LayerWidth(*layer) - 1;
    const double bottom = top + 4.0 * m_c.stack.LayerHeight(*layer) - 1;
    const double dx = static_cast<double>(b.x) - a.x;
    const double dy = static_cast<double>(b.y) - a.y;
    double t0 = 0.0;
    double t1 = 1.0;
    const double p[4] = {-dx, dx, -dy, dy};
    const double q[4] = {a.x - left, right - a.x, a.y - top, bottom - a.y};
    for (int i = 0; i < 4; ++i) {
        if (p[i] == 0.0) {
            if (q[i] < 0.0) {
                return false;
            }
            continue;
        }
        const double t = q[i] / p[i];
        if (p[i] < 0.0) {
            t0 = std::max(t0, t);
        } else {
            t1 = std::min(t1, t);
        }
    }
    if (t0 > t1) {
        return false;
    }
    const IntPoint from{static_cast<int32_t>(a.x + t0 * dx), static_cast<int32_t>(a.y + t0 * dy)};
    const IntPoint to{static_cast<int32_t>(a.x + t1 * dx), static_cast<int32_t>(a.y + t1 * dy)};
    if (from == to) {
        return false; // a click on the last point adds nothing
    }
    return layer->frame->points.AddSegment(from.x, from.y, to.x, to.y);
}

bool LineManager::OnRubberLineEnded() {
    if (m_editing || m_dropping) {
        return false; // a vertex drag, or a line finished without its last rubber segment
    }
    const IntPoint a = m_rubber.StartPoint();
    IntPoint b = m_rubber.CurrentPoint();
    const LayerObject* layer = CurrentDrawingLayer(m_c.stack);
    if (m_rubber.IsRayMode() && layer && !(a == b)) {
        // A ray runs on through the click to the layer's edge; the clipping ends it there.
        const double dx = static_cast<double>(b.x) - a.x;
        const double dy = static_cast<double>(b.y) - a.y;
        const double k = 8.0 * (m_c.stack.LayerWidth(*layer) + m_c.stack.LayerHeight(*layer)) /
                         std::max(std::fabs(dx), std::fabs(dy));
        b = IntPoint{static_cast<int32_t>(a.x + k * dx), static_cast<int32_t>(a.y + k * dy)};
    }
    const bool added = AddClipped(a, b);
    ShowSegments();
    return added;
}

void LineManager::OnRubberLineAborted() {
    if (!m_editing) {
        FinishLine();
    }
}

bool LineManager::OnDoubleClick(uint32_t /*flags*/, int32_t /*x*/, int32_t /*y*/) {
    FinishLine();
    return true;
}

void LineManager::DropRubberLine() {
    if (m_rubber.IsActive()) {
        m_dropping = true;
        m_rubber.End();
        m_dropping = false;
    }
}

bool LineManager::FinishLine() {
    if (m_finishing) {
        return false;
    }
    DropRubberLine();
    m_finishing = true;
    PointMemory* points = Points();
    LayerObject* layer = points && !points->IsEmpty() ? LineLayer() : nullptr;
    if (!layer) {
        m_finishing = false;
        return false;
    }
    std::vector<FineSegment> segments;
    Rect box{};
    for (size_t i = 0; i < points->Count(); ++i) {
        const Segment& s = points->At(i);
        segments.push_back(FineSegment{s.startX, s.startY, s.endX, s.endY});
        box = Union(box, Rect{std::min(s.startX, s.endX) >> 2, std::min(s.startY, s.endY) >> 2,
                              (std::max(s.startX, s.endX) >> 2) + 1, (std::max(s.startY, s.endY) >> 2) + 1});
    }
    points->Clear();
    m_painter.Hide(m_overlay);
    // The undo record covers every pixel the stamps can reach: the segments' box grown by the widest
    // stamp and wobble, on the layer (segments are clipped to it, so the layer never grows).
    const Rect layerRect{0, 0, m_c.stack.LayerWidth(*layer), m_c.stack.LayerHeight(*layer)};
    const Rect grown = Intersection(
        Rect{box.left - kLineReach, box.top - kLineReach, box.right + kLineReach, box.bottom + kLineReach},
        layerRect);
    const Rect drawingBox = Translated(grown, layer->offsetX, layer->offsetY);
    m_c.undo.SnapshotRegion(m_c.stack.Current(), drawingBox, true);
    m_stroke.SaveParts(*layer, drawingBox);
    ReadPanel();
    const bool replace =
        !Panel().Find(kReplace) || static_cast<const CheckBox*>(Panel().Find(kReplace))->GetCheck();
    LineRenderer renderer(*layer);
    renderer.SetSettings(m_settings);
    // Without "Replace" the lines already there keep their look where the new one crosses them.
    LineBytes kept;
    if (!replace) {
        kept.Keep(*layer, grown);
    }
    Rect drawn = renderer.DrawSegments(segments, m_dashes);
    if (!replace && kept.Restore(*layer)) {
        drawn = Union(drawn, renderer.RedrawLines(grown));
    }
    QueueLineRefresh(m_c.refresh, *layer, Union(drawn, grown), kRedrawLinesGlobally);
    m_finishing = false;
    return true;
}

void LineManager::RemoveLastSegment() {
    PointMemory* points = Points();
    if (!points || points->IsEmpty()) {
        return;
    }
    const Segment last = points->At(points->Count() - 1);
    points->RemoveLastSegment();
    // The rubber line goes back to where the removed segment began.
    ScreenTool* tool = m_c.tools.CurrentTool();
    if (m_rubber.IsActive() && tool) {
        const IntPoint origin = points->LayerOrigin();
        tool->SetStartPoint(last.startX + 4 * origin.x, last.startY + 4 * origin.y);
        m_rubber.Start(m_rubber.IsRayMode());
    }
    RefreshView("R_OnKeyDown");
}

bool LineManager::DeleteSelectedSegments() {
    PointMemory* points = Points();
    if (!points || points->CountSelected() == 0) {
        return false;
    }
    points->DeleteSelected();
    RefreshView("R_OnkeyDown");
    return true;
}

bool LineManager::OnKeyDown(uint32_t key, uint32_t /*repeat*/, uint32_t flags) {
    const ScreenTool* tool = m_c.tools.CurrentTool();
    const int32_t kind = tool ? tool->ToolKind() : 0;
    const bool lineTool = kind == 4034 || kind == 4036;
    switch (key) {
    case keys::kEscape:
        // The rubber segment in progress is dropped; what was clicked so far is finished.
        if (m_rubber.IsActive() || lineTool) {
            m_rubber.Abort();
        } else {
            FinishLine();
        }
        break;
    case keys::kBack:
        RemoveLastSegment();
        break;
    case keys::kDelete:
        if ((flags & keys::kExtendedFlag) || lineTool) {
            DeleteSelectedSegments();
        }
        break;
    default:
        break;
    }
    return true; // every key belongs to the line mode
}

void LineManager::UndoStroke() {
    m_stroke.Undo();
}

void LineManager::OnPaletteColorChanged() {
    m_color = m_c.palettes.GetCurrentColor() & 0x00FFFFFF;
}

// Undo stays in the mode when it takes back a change of the layer (a line, a stroke); otherwise the
// select mode is entered first. The line being drawn is finished before, so that it is what goes.
bool LineManager::LeaveBeforeUndo() {
    Commit(0);
    const UndoRedo* r = m_c.undo.NewestUndo();
    return !(r && (r->kind == UndoRedo::kLayerChanged || r->kind == UndoRedo::kRegion));
}

bool LineManager::LeaveBeforeRedo() {
    Commit(0);
    const UndoRedo* r = m_c.undo.NewestRedo();
    return !(r && (r->kind == UndoRedo::kLayerChanged || r->kind == UndoRedo::kRegion));
}

std::string LineManager::VanishingPointText() const {
    const LayerObject* layer = VanishingPointLayer(m_c.stack);
    if (!layer || layer->frame->currentVanishingPoint < 0 ||
        layer->frame->currentVanishingPoint >= static_cast<int32_t>(layer->frame->vanishingPoints.size())) {
        return "VP: None";
    }
    return "VP: " + std::to_string(layer->frame->currentVanishingPoint + 1);
}

void LineManager::ShowVanishingPoint() const {
    m_c.ui.SetStatusPane(kVanishingPane, VanishingPointText());
}

} // namespace ts
