#include "modes/selection_morph.h"

#include "interact/view_window.h"
#include "perspective/layer_transform.h"

#include <algorithm>
#include <cstdlib>

namespace ts {

namespace {

constexpr Rect kLinesRect{112, 37, 172, 57};
constexpr Rect kLightingRect{176, 37, 256, 57};
constexpr Rect kSurfaceRect{260, 37, 370, 57};
constexpr Rect kPerspectiveRect{376, 37, 456, 57};
constexpr Rect kCreateRect{462, 37, 582, 57};
constexpr Rect kFloorplanRect{588, 37, 658, 57};
constexpr Rect kSketchFrameRect{664, 37, 754, 57};

// Inverts the pixels of a straight line between two client points, inside clip.
void InvertLine(Image24& display, IntPoint a, IntPoint b, const Rect& clip) {
    const int32_t dx = std::abs(b.x - a.x);
    const int32_t dy = -std::abs(b.y - a.y);
    const int32_t stepX = a.x < b.x ? 1 : -1;
    const int32_t stepY = a.y < b.y ? 1 : -1;
    int32_t error = dx + dy;
    for (;;) {
        if (ViewGeometry::Contains(clip, a.x, a.y)) {
            uint8_t* p = display.Pixel(a.x, a.y);
            p[0] = static_cast<uint8_t>(~p[0]);
            p[1] = static_cast<uint8_t>(~p[1]);
            p[2] = static_cast<uint8_t>(~p[2]);
        }
        if (a.x == b.x && a.y == b.y) {
            break;
        }
        const int32_t twice = 2 * error;
        if (twice >= dy) {
            error += dy;
            a.x += stepX;
        }
        if (twice <= dx) {
            error += dx;
            a.y += stepY;
        }
    }
}

Rect HandleRect(IntPoint c) {
    const int32_t half = MorphSelector::kHandleSize / 2;
    return Rect{c.x - half, c.y - half, c.x + half + 1, c.y + half + 1};
}

} // namespace

void MorphSelector::Reset(const Rect& source) {
    m_source = source;
    SetCorners({IntPoint{source.left, source.top}, IntPoint{source.right, source.top},
                IntPoint{source.right, source.bottom}, IntPoint{source.left, source.bottom}});
}

void MorphSelector::SetCorners(const std::array<IntPoint, 4>& corners) {
    m_corners = corners;
    Changed("MorphSelectorRefresh");
}

std::array<PointTS, 4> MorphSelector::CornerPoints() const {
    std::array<PointTS, 4> points;
    for (size_t k = 0; k < 4; ++k) {
        points[k] = PointTS(m_corners[k].x, m_corners[k].y);
    }
    return points;
}

void MorphSelector::Changed(const char* reason) {
    const bool shown = IsShown();
    if (shown) {
        m_painter.Hide(*this);
    }
    // A shape the mesh refuses keeps the outline; the transform says why when it is asked for.
    if (!m_mesh.Build(CornerPoints(), std::max(1, m_source.Width()), std::max(1, m_source.Height()))) {
        m_mesh = MorphMesh();
    }
    if (shown) {
        m_painter.Show(*this);
    }
    m_refresh.Refresh(reason);
}

IntPoint MorphSelector::Client(const IntPoint& page) const {
    const Rect r = m_geometry.ToClient(Rect{page.x, page.y, page.x + 1, page.y + 1});
    return IntPoint{r.left, r.top};
}

int32_t MorphSelector::HitTest(int32_t x, int32_t y) const {
    for (int32_t k = 0; k < 4; ++k) {
        if (ViewGeometry::Contains(HandleRect(Client(m_corners[static_cast<size_t>(k)])), x, y)) {
            return k;
        }
    }
    // Inside: on the same side of every edge (either way round).
    int32_t sign = 0;
    for (size_t k = 0; k < 4; ++k) {
        const IntPoint a = Client(m_corners[k]);
        const IntPoint b = Client(m_corners[(k + 1) % 4]);
        const int64_t cross = int64_t{b.x - a.x} * (y - a.y) - int64_t{b.y - a.y} * (x - a.x);
        const int32_t s = cross > 0 ? 1 : cross < 0 ? -1 : 0;
        if (s != 0 && sign != 0 && s != sign) {
            return -1;
        }
        sign = s != 0 ? s : sign;
    }
    return kWhole;
}

void MorphSelector::BeginDrag(int32_t part, IntPoint drawingPoint) {
    m_dragging = part;
    m_last = drawingPoint;
}

void MorphSelector::Drag(IntPoint drawingPoint) {
    if (m_dragging < 0 || drawingPoint == m_last) {
        return;
    }
    if (m_dragging == kWhole) {
        const int32_t dx = drawingPoint.x - m_last.x;
        const int32_t dy = drawingPoint.y - m_last.y;
        for (IntPoint& c : m_corners) {
            c.x += dx;
            c.y += dy;
        }
        m_last = drawingPoint;
        Changed("MorphSelector Move");
        return;
    }
    m_corners[static_cast<size_t>(m_dragging)] = drawingPoint;
    m_last = drawingPoint;
    Changed("MorphSelectorMoveCorner");
}

void MorphSelector::Show() {
    m_painter.Show(*this);
}

void MorphSelector::TakeDown() {
    m_dragging = -1;
    if (IsShown()) {
        m_painter.Hide(*this);
    }
    m_refresh.Refresh("SelectionMorphTakeDown");
}

Rect MorphSelector::Bounds() const {
    Rect r;
    for (const IntPoint& c : m_corners) {
        r = Union(r, HandleRect(Client(c)));
    }
    return r;
}

void MorphSelector::Draw(Image24& display, const Rect& clip) const {
    std::array<IntPoint, 4> at;
    for (size_t k = 0; k < 4; ++k) {
        at[k] = Client(m_corners[k]);
    }
    for (size_t k = 0; k < 4; ++k) {
        // Each edge stops one pixel short of the next corner, so no pixel is inverted twice.
        const IntPoint a = at[k];
        const IntPoint b = at[(k + 1) % 4];
        if (a == b) {
            continue;
        }
        const int32_t steps = std::max(std::abs(b.x - a.x), std::abs(b.y - a.y));
        // In 64 bits: corners dragged far off the view give products past 32 bits.
        const auto along = [steps](int32_t from, int32_t to) {
            return static_cast<int32_t>(from + static_cast<int64_t>(to - from) * (steps - 1) / steps);
        };
        const IntPoint end{along(a.x, b.x), along(a.y, b.y)};
        InvertLine(display, a, end, clip);
    }
    for (const IntPoint& c : at) {
        InvertFrame(display, HandleRect(c), clip);
    }
}

SelectionMorph::SelectionMorph(ImageStackManager& stack, UndoStore& undo, RefreshRequests& refresh,
                               UserInterface& ui, OverlayPainter& painter, const ViewGeometry& geometry)
    : EnvTool(0), m_stack(stack), m_undo(undo), m_refresh(refresh), m_ui(ui),
      m_selector(painter, geometry, refresh), m_components(kMorphLines | kMorphLighting | kMorphSurface) {
    painter.Add(m_selector);
}

void SelectionMorph::CreatePanel() {
    ControlPanel& panel = MutablePanel();
    const std::pair<int32_t, uint32_t> boxes[] = {
        {kLinesId, kMorphLines}, {kLightingId, kMorphLighting}, {kSurfaceId, kMorphSurface}};
    const Rect boxRects[] = {kLinesRect, kLightingRect, kSurfaceRect};
    const char* boxCaptions[] = {"Lines", "Lighting", "Surface Color"};
    for (size_t k = 0; k < 3; ++k) {
        CheckBox& box = panel.Add<CheckBox>(PanelParent(), boxRects[k], boxCaptions[k], boxes[k].first, this);
        box.SetCheck((m_components & boxes[k].second) != 0);
    }
    panel.Add<CHuecraftButton>(PanelParent(), kPerspectiveRect, "Perspective", kPerspectiveId, this);
    panel.Add<CHuecraftButton>(PanelParent(), kCreateRect, "Create Perspective", kCreateId, this);
    panel.Add<CHuecraftButton>(PanelParent(), kFloorplanRect, "Floorplan", kFloorplanId, this);
    panel.Add<CHuecraftButton>(PanelParent(), kSketchFrameRect, "Sketch Frame", kSketchFrameId, this);
}

LayerObject* SelectionMorph::CurrentDrawingLayer() {
    return m_stack.Current() >= ImageStackManager::kFirstDrawingLayer ? m_stack.CurrentLayer() : nullptr;
}

bool SelectionMorph::Activate() {
    ShowPanel();
    if (const LayerObject* layer = CurrentDrawingLayer()) {
        // A layer other than the one last framed (or one that changed) starts from its own rectangle.
        if (!(m_selector.Source() == layer->bounds)) {
            m_selector.Reset(layer->bounds);
        }
        m_selector.Show();
    }
    return true;
}

bool SelectionMorph::Deactivate(int32_t /*how*/) {
    m_selector.TakeDown();
    HidePanel();
    return true;
}

void SelectionMorph::SetComponents(uint32_t components) {
    m_components = components & (kMorphLines | kMorphLighting | kMorphSurface);
    const std::pair<int32_t, uint32_t> boxes[] = {
        {kLinesId, kMorphLines}, {kLightingId, kMorphLighting}, {kSurfaceId, kMorphSurface}};
    for (const auto& [id, bit] : boxes) {
        if (auto* box = dynamic_cast<CheckBox*>(MutablePanel().Find(id))) {
            box->SetCheck((m_components & bit) != 0);
        }
    }
}

bool SelectionMorph::OnPanelCommand(int32_t id) {
    switch (id) {
    case kLinesId:
    case kLightingId:
    case kSurfaceId: {
        const uint32_t bit = id == kLinesId      ? kMorphLines
                             : id == kLightingId ? kMorphLighting
                                                 : kMorphSurface;
        if (const auto* box = dynamic_cast<const CheckBox*>(Panel().Find(id))) {
            m_components = box->GetCheck() ? (m_components | bit) : (m_components & ~bit);
        }
        return true;
    }
    case kPerspectiveId:
        if (const LayerObject* layer = CurrentDrawingLayer()) {
            m_selector.Reset(layer->bounds);
        }
        return true;
    case kCreateId:
        CreatePerspective();
        if (auto* button = dynamic_cast<CHuecraftButton*>(MutablePanel().Find(kCreateId))) {
            button->SetState(CHuecraftButton::kNormal);
        }
        return true;
    case kFloorplanId:
        TakeFrameCorners(kFloorPlanFrameName);
        return true;
    case kSketchFrameId:
        TakeFrameCorners(kSketchFrameName);
        return true;
    default:
        return false;
    }
}

bool SelectionMorph::TakeFrameCorners(const char* layerName) {
    const bool sketch = std::string(layerName) == kSketchFrameName;
    for (int32_t i = ImageStackManager::kFirstDrawingLayer; i < m_stack.Count(); ++i) {
        const LayerObject* frameLayer = m_stack.Layer(i);
        if (!frameLayer || frameLayer->name != layerName || !frameLayer->frame ||
            !frameLayer->frame->hasCorners) {
            continue;
        }
        // The frame keeps its floor corners in its own pixels.
        std::array<IntPoint, 4> corners;
        for (size_t k = 0; k < 4; ++k) {
            const Wireframe::Corner& c = frameLayer->frame->corners[k];
            corners[k] = IntPoint{c.x + frameLayer->offsetX, c.y + frameLayer->offsetY};
        }
        if (const LayerObject* layer = CurrentDrawingLayer();
            layer && !(m_selector.Source() == layer->bounds)) {
            m_selector.Reset(layer->bounds);
        }
        m_selector.SetCorners(corners);
        return true;
    }
    m_ui.ShowMessage(sketch ? kNoSketchFrame : kNoFloorPlan);
    return false;
}

bool SelectionMorph::CreatePerspective() {
    if (m_components == 0) {
        m_ui.ShowMessage(kNothingChosen);
        return false;
    }
    LayerObject* layer = CurrentDrawingLayer();
    if (!layer || layer->PartWidth() <= 0 || layer->PartHeight() <= 0) {
        m_ui.ShowMessage(kNoLayer);
        return false;
    }
    if (!(m_selector.Source() == layer->bounds)) {
        // The corners were set for another layer's rectangle: they still say where this one goes.
        const std::array<IntPoint, 4> corners = m_selector.Corners();
        m_selector.Reset(layer->bounds);
        m_selector.SetCorners(corners);
    }
    if (!QuadIsMorphable(m_selector.CornerPoints())) {
        m_ui.ShowMessage(kBadShape);
        return false;
    }
    const Rect target = Union(m_selector.Mesh().Bounds(), layer->bounds);
    if (!TransformFits(target)) {
        m_ui.ShowMessage(kTooLarge);
        return false;
    }
    const Rect before = layer->bounds;
    m_undo.SnapshotCurrentLayer(false);
    bool done = false;
    {
        WaitCursor wait(m_ui);
        done = MorphLayer(*layer, m_selector.CornerPoints(), m_components, &m_ui.Progress());
    }
    if (!done) {
        // The layer kept its components; the record taken for it changes nothing when undone.
        m_ui.ShowMessage(kNoMemory);
        return false;
    }
    m_refresh.MarkViewContents(Union(before, layer->bounds));
    m_refresh.Refresh("Create Perspective");
    // The layer's rectangle is now the quadrilateral's; the corners stay on the quadrilateral.
    const std::array<IntPoint, 4> corners = m_selector.Corners();
    m_selector.Reset(layer->bounds);
    m_selector.SetCorners(corners);
    return true;
}

MorphTool::MorphTool(ToolContext& context, SelectionMorph& morph, int32_t commandId)
    : ScreenTool(context, commandId), m_morph(morph) {}

void MorphTool::Activate() {
    ScreenTool::Activate();
    m_context.environment.EnterMode(&m_morph, SelectionMorph::kTitle, SelectionMorph::kPrompt);
}

void MorphTool::SetCursor() {
    const IntPoint at = GetCurrentViewPoint();
    const bool movable = m_morph.Selector().IsShown() && m_morph.Selector().HitTest(at.x, at.y) >= 0;
    m_context.window.SetCursor(movable || m_morph.Selector().Dragging() >= 0 ? cursors::kSizeAll
                                                                             : cursors::kArrow);
}

bool MorphTool::OnLButtonDown(uint32_t flags, int32_t x, int32_t y) {
    if (ScreenTool::OnLButtonDown(flags, x, y) || !IsButtonDown()) {
        return true;
    }
    MorphSelector& selector = m_morph.Selector();
    const int32_t hit = selector.IsShown() ? selector.HitTest(x, y) : -1;
    if (hit >= 0) {
        selector.BeginDrag(hit, m_context.geometry.ToDrawing(x, y));
    }
    return true;
}

bool MorphTool::OnMouseMove(uint32_t flags, int32_t x, int32_t y) {
    if (ScreenTool::OnMouseMove(flags, x, y)) {
        return true;
    }
    if (IsButtonDown() && m_morph.Selector().Dragging() >= 0) {
        m_morph.Selector().Drag(m_context.geometry.ToDrawing(x, y));
    }
    SetCursor();
    return true;
}

bool MorphTool::OnLButtonUp(uint32_t flags, int32_t x, int32_t y) {
    const bool dragging = m_morph.Selector().Dragging() >= 0;
    if (dragging) {
        m_morph.Selector().Drag(m_context.geometry.ToDrawing(x, y));
        m_morph.Selector().EndDrag();
    }
    ScreenTool::OnLButtonUp(flags, x, y);
    SetCursor();
    return true;
}

} // namespace ts
