#include "modes/sketch_frame.h"

#include "interact/view_window.h"
#include "measure/layer_scale.h"
#include "model/frame_layers.h"
#include "perspective/frame_drawing.h"
#include "platform/profile_settings.h"
#include "render/line_renderer.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <memory>
#include <new>

namespace ts {

namespace {

constexpr Rect kSketchFrameRect{10, 37, 104, 57};
constexpr Rect kCreateRect{120, 37, 160, 57};
constexpr Rect kInteriorRect{168, 37, 238, 57};
constexpr Rect kFlatRect{242, 37, 287, 57};
constexpr Rect kFlatViewRect{292, 37, 362, 57};
// The fields: the six of short captions on the second row, the five of long ones on the third, each wide
// enough for its caption beside a short value.
constexpr Rect kFieldRects[] = {
    {10, 62, 124, 82},   {128, 62, 242, 82},  {246, 62, 364, 82},  {368, 62, 496, 82}, // Width .. Rotation
    {10, 87, 154, 107},  {158, 87, 302, 107},                                          // Major, Minor Spacing
    {500, 62, 628, 82},  {632, 62, 750, 82},                                           // Centering, Margin
    {306, 87, 450, 107}, {454, 87, 598, 107}, {602, 87, 746, 107}, // Eye Height, View Distance, Vision Angle
};
// The help pictures beside the buttons: what each dimension measures.
constexpr int32_t kFirstPicture = 141;
constexpr const char* kPictures[] = {"res/frame_h_mask_rgb.bmp",   "res/frame_h2_rgb.bmp",
                                     "res/frame_w2_rgb.bmp",       "res/frame_d2_rgb.bmp",
                                     "res/frame_m_rgb.bmp",        "res/frame_org_rgb.bmp",
                                     "res/EyeHeightArrows.bmp",    "res/RotationArrows.bmp",
                                     "res/ViewingAngleArrows.bmp", "res/CenteringArrows.bmp"};
constexpr int32_t kPictureLeft = 370;
constexpr int32_t kPictureStep = 38;

constexpr double kInchesPerFoot = 12.0;
constexpr const char* kSignedCharacters = "0123456789.-";

Rect FieldRect(int32_t field) {
    return kFieldRects[static_cast<size_t>(field)];
}

} // namespace

void FrameControlPanel::OnControlCommand(int32_t id, CControl& from) {
    if (id != EditBox::kTabCommand) {
        return;
    }
    const auto it = std::find(m_fields.begin(), m_fields.end(), &from);
    if (it == m_fields.end()) {
        return;
    }
    m_focus =
        static_cast<int32_t>((it - m_fields.begin() + 1) % static_cast<std::ptrdiff_t>(m_fields.size()));
    m_selectAll = true;
    if (focusChanged && m_fields[static_cast<size_t>(m_focus)]) {
        focusChanged(*m_fields[static_cast<size_t>(m_focus)]);
    }
}

SketchFrameTool::SketchFrameTool(ToolContext& context, SketchFrame& mode)
    : ScreenTool(context, 0), m_mode(mode) {}

void SketchFrameTool::SetCursor() {
    m_context.window.SetCursor(cursors::kSizeAll);
}

bool SketchFrameTool::OnLButtonDown(uint32_t flags, int32_t x, int32_t y) {
    if (ScreenTool::OnLButtonDown(flags, x, y) || !IsButtonDown()) {
        return true;
    }
    m_mode.Press(GetPressFinePoint());
    return true;
}

bool SketchFrameTool::OnMouseMove(uint32_t flags, int32_t x, int32_t y) {
    if (ScreenTool::OnMouseMove(flags, x, y)) {
        return true;
    }
    if (IsButtonDown()) {
        m_mode.Drag(GetCurrentFinePoint());
    }
    return true;
}

bool SketchFrameTool::OnLButtonUp(uint32_t flags, int32_t x, int32_t y) {
    const bool down = IsButtonDown();
    if (ScreenTool::OnLButtonUp(flags, x, y)) {
        return true;
    }
    if (down) {
        m_mode.Drag(GetReleaseFinePoint());
        m_mode.Release();
    }
    return true;
}

SketchFrame::SketchFrame(PaintingContext& context, ProfileManager& profile)
    : EnvEffect(Env::kSketchFrameId), m_c(context), m_profile(profile) {}

void SketchFrame::CreatePanel() {
    ControlPanel& panel = MutablePanel();
    ControlParent* parent = PanelParent();
    panel.Add<CHuecraftButton>(parent, kSketchFrameRect, "Sketch Frame", kSketchFrameButton, this);
    panel.Add<CHuecraftButton>(parent, kCreateRect, "Create", kCreateButton, this);
    panel.Add<CheckBox>(parent, kInteriorRect, "Interior", kInteriorCheck, this);
    panel.Add<CheckBox>(parent, kFlatRect, "Flat", kFlatCheck, this);
    panel.Add<CHuecraftButton>(parent, kFlatViewRect, "Flat View", kFlatViewButton, this);
    // Created in Tab order, so the widgets' own focus chain follows it too.
    std::array<EditBox*, kFieldCount> fields{};
    for (int32_t f = 0; f < kFieldCount; ++f) {
        // The edit boxes' parent is the frame panel, which takes their Tab.
        auto& box = panel.Add<EditBox>(&m_framePanel, FieldRect(f), kFieldCaptions[static_cast<size_t>(f)],
                                       kFirstField + f, this);
        box.SetAllowedCharacters(f == kRotation || f == kCentering ? kSignedCharacters
                                                                   : EditBox::kDecimalCharacters);
        box.SetText(kFieldDefaults[static_cast<size_t>(f)]);
        fields[static_cast<size_t>(f)] = &box;
    }
    m_framePanel.SetFields(fields);
    for (size_t i = 0; i < std::size(kPictures); ++i) {
        const int32_t left = kPictureLeft + static_cast<int32_t>(i) * kPictureStep;
        auto& picture = panel.Add<CHuecraftButton>(parent, Rect{left, 33, left + 36, 59}, "",
                                                   kFirstPicture + static_cast<int32_t>(i), this);
        picture.SetPictures(kPictures[i], kPictures[i]);
    }
}

EditBox* SketchFrame::FieldBox(int32_t field) const {
    return dynamic_cast<EditBox*>(Panel().Find(kFirstField + field));
}

FrameParameters SketchFrame::ReadPanel() const {
    FrameParameters p;
    auto number = [this](int32_t field) {
        const EditBox* box = FieldBox(field);
        const char* text = box ? box->GetText().c_str() : kFieldDefaults[static_cast<size_t>(field)];
        const double value = std::atof(text);
        return std::isfinite(value) ? value : 0.0;
    };
    p.width = number(kWidth) * kInchesPerFoot;
    p.depth = number(kDepth) * kInchesPerFoot;
    p.height = number(kHeight) * kInchesPerFoot;
    p.rotation = number(kRotation);
    p.majorSpacing = number(kMajorSpacing) * kInchesPerFoot;
    p.minorSpacing = number(kMinorSpacing) * kInchesPerFoot;
    p.centering = number(kCentering) * kInchesPerFoot;
    p.margin = number(kMargin);
    p.eyeHeight = number(kEyeHeight) * kInchesPerFoot;
    p.viewDistance = number(kViewDistance) * kInchesPerFoot;
    p.visionAngle = number(kVisionAngle);
    const auto* interior = dynamic_cast<const CheckBox*>(Panel().Find(kInteriorCheck));
    const auto* flat = dynamic_cast<const CheckBox*>(Panel().Find(kFlatCheck));
    p.interior = interior && interior->GetCheck();
    p.flat = flat && flat->GetCheck();
    return p;
}

bool SketchFrame::FloorPlanSize(double& width, double& depth) const {
    const LayerObject* plan = nullptr;
    for (const char* name : kFloorPlanNames) {
        for (int32_t i = ImageStackManager::kFirstDrawingLayer; i < m_c.stack.Count() && !plan; ++i) {
            const LayerObject* layer = m_c.stack.Layer(i);
            plan = layer && layer->name == name ? layer : nullptr;
        }
        if (plan) {
            break;
        }
    }
    if (!plan) {
        return false;
    }
    const double resolution = plan->scale[kResolution];
    const double scale = LayerScaleFactor(*plan);
    // Without a scale or a resolution the plan has no real size: the typed one stands.
    if (!(resolution > 0.0) || !std::isfinite(resolution) || !(scale > 0.0)) {
        return false;
    }
    width = m_c.stack.LayerWidth(*plan) / resolution * scale * 4.0;
    depth = m_c.stack.LayerHeight(*plan) / resolution * scale * 4.0;
    if (m_profile.Get(settings::kEnableMetric) != 0) {
        width *= kMetricWidthFactor;
        depth *= kMetricDepthFactor;
    }
    return std::isfinite(width) && std::isfinite(depth);
}

FrameParameters SketchFrame::Effective(std::string& layerName) const {
    FrameParameters p = ReadPanel();
    layerName = kSketchFrameLayerName;
    double width = 0.0;
    double depth = 0.0;
    if (FloorPlanSize(width, depth)) {
        p.width = width;
        p.depth = depth;
        layerName = kFloorPlanFrameLayerName;
    }
    return p;
}

void SketchFrame::RemoveLoneBlankLayer() {
    if (m_c.stack.CountDrawingLayers() != 1 || !m_c.stack.IsEmptyDrawing()) {
        return;
    }
    const LayerObject* layer = m_c.stack.Layer(ImageStackManager::kFirstDrawingLayer);
    if (layer && layer->name == kBlankLayerName) {
        m_c.layers.DeleteLayer(ImageStackManager::kFirstDrawingLayer, true);
    }
}

void SketchFrame::DeleteFrameLayers() {
    bool deleted = false;
    for (int32_t i = m_c.stack.Count() - 1; i >= ImageStackManager::kFirstDrawingLayer; --i) {
        const LayerObject* layer = m_c.stack.Layer(i);
        if (!layer || !IsFrameLayerName(layer->name)) {
            continue;
        }
        // Each its own record: Undo brings the frames back one by one.
        m_c.stack.SetCurrent(i);
        m_c.undo.SnapshotCurrentLayer(true);
        m_c.layers.DeleteLayer(i, true);
        deleted = true;
    }
    if (deleted) {
        m_c.refresh.Refresh("R_SketchFrameDeleteFrames");
    }
}

bool SketchFrame::Activate() {
    m_frameLayerId = 0;
    m_dragging = false;
    RemoveLoneBlankLayer();
    if (m_tool) {
        m_c.tools.SetTool(*m_tool);
    }
    DeleteFrameLayers();
    ShowPanel();
    m_framePanel.SetFocus(kWidth);
    return true;
}

bool SketchFrame::Deactivate(int32_t) {
    HidePanel();
    m_frameLayerId = 0;
    m_dragging = false;
    return true;
}

void SketchFrame::FlatView() {
    for (const auto& [field, text] : {std::pair{kDepth, "0.0"}, std::pair{kRotation, "0.0"},
                                      std::pair{kEyeHeight, "0.0"}, std::pair{kViewDistance, "1000000.0"}}) {
        if (EditBox* box = FieldBox(field)) {
            box->SetText(text);
        }
    }
}

bool SketchFrame::OnPanelCommand(int32_t id) {
    switch (id) {
    case kCreateButton:
        Create();
        return true;
    case kSketchFrameButton:
        if (m_tool) {
            m_c.tools.SetTool(*m_tool);
        }
        return true;
    case kFlatViewButton:
        FlatView();
        break;
    case kInteriorCheck:
    case kFlatCheck:
        break;
    default:
        if (id < kFirstField || id >= kFirstField + kFieldCount) {
            return false;
        }
        m_framePanel.SetFocus(id - kFirstField);
        break;
    }
    // A change of the panel: the frame of this visit follows it. A value that makes no frame (a field
    // half typed) leaves the frame as it was, without a message; Create tells why.
    LayerObject* layer = FrameLayer();
    if (layer) {
        std::string name;
        const FrameGeometry geometry(Effective(name));
        const auto lines = geometry.Lines();
        if (lines && geometry.AnyEdgeVisible()) {
            WaitCursor wait(m_c.ui);
            Draw(*layer, geometry, *lines);
        }
    }
    return true;
}

LayerObject* SketchFrame::FrameLayer() {
    const int32_t index = m_frameLayerId ? m_c.stack.IndexOfId(m_frameLayerId) : -1;
    return index >= ImageStackManager::kFirstDrawingLayer ? m_c.stack.Layer(index) : nullptr;
}

bool SketchFrame::Create() {
    std::string name;
    const FrameParameters parameters = Effective(name);
    if (!(parameters.minorSpacing > 0.0)) {
        m_c.ui.ShowMessage(kSpacingNotPositive);
        return false;
    }
    const FrameGeometry geometry(parameters);
    if (!geometry.AnyEdgeVisible()) {
        m_c.ui.ShowMessage(kEyeTooClose);
        return false;
    }
    const auto lines = geometry.Lines();
    if (!lines) {
        m_c.ui.ShowMessage(kSpacingTooSmall);
        return false;
    }
    WaitCursor wait(m_c.ui);
    if (LayerObject* made = FrameLayer()) {
        // Create again in the same visit: the frame is drawn anew on its layer (whose undo record stands).
        made->name = name;
        if (!Draw(*made, geometry, *lines)) {
            m_c.ui.ShowMessage(kNoMemory);
            return false;
        }
        m_c.refresh.Refresh("R_SketchFrameCreate");
        return true;
    }
    std::unique_ptr<SuperBitBuffer> buffer;
    try {
        buffer = std::make_unique<SuperBitBuffer>();
    } catch (const std::bad_alloc&) {
        buffer.reset();
    }
    const int32_t width = std::max(1, m_c.stack.DrawingWidth());
    const int32_t height = std::max(1, m_c.stack.DrawingHeight());
    if (!buffer || !buffer->Create(width, height, 2, 0, 4.0f) ||
        !m_c.stack.CreateDrawingLayer(std::move(buffer), name)) {
        m_c.ui.ShowMessage(kNoMemory);
        return false;
    }
    LayerObject* layer = m_c.stack.CurrentLayer();
    layer->offsetX = 0;
    layer->offsetY = 0;
    layer->bounds = Rect{0, 0, width, height};
    if (!Draw(*layer, geometry, *lines)) {
        m_c.layers.DeleteLayer(m_c.stack.Current(), true);
        m_c.ui.ShowMessage(kNoMemory);
        return false;
    }
    m_c.undo.SnapshotAddedLayer();
    m_frameLayerId = layer->id;
    // The frame is lines: they must show.
    m_c.stack.SetLinesVisible(true);
    m_c.refresh.MarkStackFootprint();
    m_c.refresh.Refresh("R_SketchFrameCreate");
    return true;
}

bool SketchFrame::Draw(LayerObject& layer, const FrameGeometry& geometry,
                       const std::vector<FrameLine>& lines) {
    // A clean occupancy and line part: the frame is drawn whole each time.
    const int32_t width = layer.frame->drawingBuffer->Width();
    const int32_t height = layer.frame->drawingBuffer->Height();
    auto buffer = std::make_unique<SuperBitBuffer>();
    if (!buffer->Create(width, height, 2, 0, 4.0f)) {
        return false;
    }
    layer.frame->drawingBuffer = std::move(buffer);
    layer.lineArt.reset();
    FrameDrawing drawing;
    if (!DrawFrameLines(layer, geometry, lines, &m_c.ui.Progress(), drawing)) {
        return false;
    }
    Wireframe& frame = *layer.frame;
    for (size_t i = 0; i < 4; ++i) {
        frame.corners[i] = Wireframe::Corner{drawing.corners[i].x, drawing.corners[i].y};
    }
    frame.hasCorners = true;
    frame.vanishingPoints = drawing.vanishingPoints;
    frame.currentVanishingPoint = drawing.vanishingPoints.empty() ? -1 : 0;
    QueueLineRefresh(m_c.refresh, layer, Rect{0, 0, width, height}, kRedrawLinesGlobally);
    return true;
}

void SketchFrame::Press(IntPoint fine) {
    LayerObject* layer = FrameLayer();
    m_dragging = layer != nullptr;
    if (!layer) {
        return;
    }
    m_pressFine = fine;
    m_pressOffset = IntPoint{layer->offsetX, layer->offsetY};
    m_moved = false;
}

void SketchFrame::Drag(IntPoint fine) {
    LayerObject* layer = m_dragging ? FrameLayer() : nullptr;
    if (!layer) {
        return;
    }
    const int32_t x = m_pressOffset.x + (fine.x - m_pressFine.x) / 4;
    const int32_t y = m_pressOffset.y + (fine.y - m_pressFine.y) / 4;
    if (x == layer->offsetX && y == layer->offsetY) {
        return;
    }
    if (!m_moved) {
        // One undo record per drag, taken before the first move (a plain click records nothing).
        m_c.undo.SnapshotRegion(m_c.stack.IndexOfId(layer->id), Rect{});
        m_moved = true;
    }
    const Rect before = layer->bounds;
    layer->bounds = Translated(layer->bounds, x - layer->offsetX, y - layer->offsetY);
    layer->offsetX = x;
    layer->offsetY = y;
    m_c.refresh.MarkViewContents(Intersection(Union(before, layer->bounds), m_c.stack.DrawingRect()));
    m_c.refresh.Refresh("R_SketchFrameMove");
}

void SketchFrame::Release() {
    m_dragging = false;
}

} // namespace ts
