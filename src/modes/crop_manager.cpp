#include "modes/crop_manager.h"

#include "files/drawing_stream.h"
#include "interact/virtual_keys.h"
#include "measure/distance_entry.h"
#include "measure/layer_scale.h"
#include "measure/measure_scale.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace ts {

namespace {

constexpr Rect kApplyRect{10, 37, 95, 57};
constexpr Rect kWidthRect{100, 37, 207, 57};
constexpr Rect kHeightRect{210, 37, 317, 57};
constexpr Rect kUnitsRect{320, 37, 425, 57};
constexpr Rect kToBoardRect{431, 38, 491, 56};
constexpr Rect kAllLayersRect{500, 37, 600, 57};

// Units of the list per inch of page, for the codes that convert.
double UnitsPerInch(int32_t code) {
    switch (code) {
    case UnitsManager::kFeet:
        return UnitsManager::kFeetPerInch;
    case UnitsManager::kMillimeters:
        return UnitsManager::kMillimetersPerInch;
    case UnitsManager::kCentimeters:
        return UnitsManager::kCentimetersPerInch;
    case UnitsManager::kMeters:
        return UnitsManager::kMetersPerInch;
    default:
        return 1.0;
    }
}

} // namespace

// The tracker

void CropTracker::SetFrame(const Rect& frame) {
    if (frame == m_frame) {
        return;
    }
    const bool shown = IsShown();
    if (shown) {
        m_painter.Hide(*this);
    }
    m_frame = frame;
    if (shown) {
        m_painter.Show(*this);
    }
}

std::array<Rect, 8> CropTracker::Handles() const {
    const Rect f = m_geometry.ToClient(m_frame);
    const int32_t h = kHandleSize / 2;
    const int32_t xs[3] = {f.left, (f.left + f.right - 1) / 2, f.right - 1};
    const int32_t ys[3] = {f.top, (f.top + f.bottom - 1) / 2, f.bottom - 1};
    constexpr int32_t at[8][2] = {{0, 1}, {0, 0}, {1, 0}, {2, 0}, {2, 1}, {2, 2}, {1, 2}, {0, 2}};
    std::array<Rect, 8> handles;
    for (size_t i = 0; i < handles.size(); ++i) {
        const int32_t cx = xs[at[i][0]];
        const int32_t cy = ys[at[i][1]];
        handles[i] = Rect{cx - h, cy - h, cx - h + kHandleSize, cy - h + kHandleSize};
    }
    return handles;
}

int32_t CropTracker::HitAt(int32_t x, int32_t y) const {
    if (m_frame.IsEmpty()) {
        return -1;
    }
    const std::array<Rect, 8> handles = Handles();
    for (size_t i = 0; i < handles.size(); ++i) {
        if (ViewGeometry::Contains(handles[i], x, y)) {
            return static_cast<int32_t>(i);
        }
    }
    return ViewGeometry::Contains(m_geometry.ToClient(m_frame), x, y) ? kBody : -1;
}

void CropTracker::BeginDrag(int32_t hit, int32_t x, int32_t y) {
    m_start = m_frame;
    m_press = m_geometry.ToDrawing(x, y);
    m_hit = std::clamp(hit, 0, kBody);
}

void CropTracker::Drag(int32_t x, int32_t y) {
    if (!Dragging()) {
        return;
    }
    const IntPoint p = m_geometry.ToDrawing(x, y);
    const int32_t dx = p.x - m_press.x;
    const int32_t dy = p.y - m_press.y;
    if (m_hit == kBody) {
        SetFrame(Translated(m_start, dx, dy));
        return;
    }
    Rect r = m_start;
    if (m_hit == 0 || m_hit == 1 || m_hit == 7) {
        r.left = std::min(m_start.left + dx, r.right - 1);
    }
    if (m_hit >= 3 && m_hit <= 5) {
        r.right = std::max(m_start.right + dx, r.left + 1);
    }
    if (m_hit >= 1 && m_hit <= 3) {
        r.top = std::min(m_start.top + dy, r.bottom - 1);
    }
    if (m_hit >= 5 && m_hit <= 7) {
        r.bottom = std::max(m_start.bottom + dy, r.top + 1);
    }
    SetFrame(r);
}

Rect CropTracker::Bounds() const {
    if (m_frame.IsEmpty()) {
        return Rect{};
    }
    return Grown(m_geometry.ToClient(m_frame), kHandleSize / 2 + 1);
}

void CropTracker::Draw(Image24& display, const Rect& clip) const {
    if (m_frame.IsEmpty()) {
        return;
    }
    InvertFrame(display, m_geometry.ToClient(m_frame), clip);
    const bool picture = m_picture.Width() == kHandleSize && m_picture.Height() == kHandleSize;
    for (const Rect& h : Handles()) {
        if (!picture) {
            FillRect(display, h, clip, 0x00000000);
            const int32_t mx = h.left + kHandleSize / 2;
            const int32_t my = h.top + kHandleSize / 2;
            FillRect(display, Rect{h.left + 2, my, h.right - 2, my + 1}, clip, 0x00FFFFFF);
            FillRect(display, Rect{mx, h.top + 2, mx + 1, h.bottom - 2}, clip, 0x00FFFFFF);
            continue;
        }
        const Rect r = Intersection(h, clip);
        for (int32_t y = r.top; y < r.bottom; ++y) {
            for (int32_t x = r.left; x < r.right; ++x) {
                const uint8_t* from = m_picture.Pixel(x - h.left, y - h.top);
                std::copy(from, from + 3, display.Pixel(x, y));
            }
        }
    }
}

// The tool

CropTool::CropTool(ToolContext& context, CCropManager& crop) : ScreenTool(context, 0), m_crop(crop) {
    // The handles of a layer as large as the page lie partly off the canvas.
    SetAcceptOffCanvas(true);
}

bool CropTool::OnLButtonDown(uint32_t flags, int32_t x, int32_t y) {
    if (ScreenTool::OnLButtonDown(flags, x, y) || !IsButtonDown()) {
        return true;
    }
    m_crop.OnPress(x, y);
    return true;
}

bool CropTool::OnMouseMove(uint32_t flags, int32_t x, int32_t y) {
    ScreenTool::OnMouseMove(flags, x, y);
    if (IsButtonDown()) {
        m_crop.OnDrag(x, y);
        return true;
    }
    const int32_t hit = m_crop.CropFrame().HitAt(x, y);
    if (hit >= 0 && hit < CropTracker::kBody) {
        m_context.window.SetCursor(hit == 0 || hit == 4   ? cursors::kSizeWE
                                   : hit == 2 || hit == 6 ? cursors::kSizeNS
                                   : hit == 1 || hit == 5 ? cursors::kSizeNWSE
                                                          : cursors::kSizeNESW);
    } else if (hit == CropTracker::kBody) {
        m_context.window.SetCursor(cursors::kSizeAll);
    } else if (IsOnCanvas()) {
        SetCursor();
    }
    return true;
}

bool CropTool::OnLButtonUp(uint32_t flags, int32_t x, int32_t y) {
    const bool down = IsButtonDown();
    ScreenTool::OnLButtonUp(flags, x, y);
    if (down) {
        m_crop.OnRelease(x, y);
    }
    return true;
}

// The mode

CCropManager::CCropManager(ImageStackManager& stack, LayerCropper& cropper, UnitsManager& units,
                           RefreshRequests& refresh, ToolView& tools, OverlayPainter& painter,
                           const ViewGeometry& geometry)
    : EnvEffect(kCropId), m_stack(stack), m_cropper(cropper), m_units(units), m_refresh(refresh),
      m_tools(tools), m_tracker(painter, geometry) {
    painter.Add(m_tracker);
}

void CCropManager::CreatePanel() {
    ControlPanel& panel = MutablePanel();
    panel.Add<CHuecraftButton>(PanelParent(), kApplyRect, kTitle, kApplyButton, this);
    panel.Add<EditBox>(PanelParent(), kWidthRect, "Width", kWidth, this);
    panel.Add<EditBox>(PanelParent(), kHeightRect, "Height", kHeight, this);
    ComboBox& units = panel.Add<ComboBox>(PanelParent(), kUnitsRect, "Units", kUnits, this);
    for (const char* item : kUnitItems) {
        units.AddString(item);
    }
    panel.Add<CHuecraftButton>(PanelParent(), kToBoardRect, "To Board", kToBoard, this);
    panel.Add<CheckBox>(PanelParent(), kAllLayersRect, "All Layers", kAllLayers, this).SetCheck(m_allLayers);
}

const LayerObject* CCropManager::CurrentLayer() const {
    return m_stack.Current() >= ImageStackManager::kFirstDrawingLayer ? m_stack.CurrentLayer() : nullptr;
}

bool CCropManager::Activate() {
    m_current = true;
    ShowPanel();
    const LayerObject* layer = CurrentLayer();
    const Rect frame = layer ? layer->bounds : Rect{};
    m_entryWidth = std::max(1, frame.Width());
    m_entryHeight = std::max(1, frame.Height());
    m_pending = false;
    m_tracker.SetFrame(frame);
    m_tracker.Show();
    SelectUnitItem();
    ShowSizes();
    if (m_tool) {
        m_tools.SetTool(*m_tool);
    }
    return true;
}

bool CCropManager::Deactivate(int32_t /*how*/) {
    m_current = false;
    m_pending = false;
    m_tracker.EndDrag();
    m_tracker.Hide();
    m_tracker.SetFrame(Rect{});
    HidePanel();
    return true;
}

double CCropManager::RealCalibration() const {
    const LayerObject* layer = CurrentLayer();
    if (layer && LayerCalibration(*layer) > 0.0) {
        return LayerCalibration(*layer);
    }
    const double factor = layer && LayerScaleFactor(*layer) > 0.0 ? LayerScaleFactor(*layer) : 1.0;
    return CalibrationFromScale(factor);
}

std::string CCropManager::FormatSize(int32_t pixels, int32_t base) const {
    switch (m_units.Unit()) {
    case UnitsManager::kPixels:
        return std::to_string(pixels);
    case UnitsManager::kPercent:
        return UnitsManager::FormatNumber(100.0 * pixels / std::max(1, base));
    case UnitsManager::kFeetAndInches: {
        // A drawing pixel is four fine units; the calibration counts fine units per metre.
        const double inches = 4.0 * pixels / RealCalibration() * kInchesPerMeter;
        return UnitsManager::FormatFeetInches(inches);
    }
    default:
        return m_units.FormatDistance(pixels / kDrawingPixelsPerInch);
    }
}

bool CCropManager::ParseSize(const std::string& text, int32_t base, int32_t& pixels) const {
    if (text.find_first_of("0123456789") == std::string::npos) {
        return false;
    }
    double value = 0.0;
    const int32_t unit = m_units.Unit();
    if (unit == UnitsManager::kFeetAndInches) {
        value = UnitsManager::ParseFeetInches(text) * kMetersPerInch * RealCalibration() / 4.0;
    } else {
        const double number = std::atof(text.c_str());
        if (unit == UnitsManager::kPixels) {
            value = number;
        } else if (unit == UnitsManager::kPercent) {
            value = number / 100.0 * base;
        } else {
            value = number / UnitsPerInch(unit) * kDrawingPixelsPerInch;
        }
    }
    value = std::round(value);
    if (!std::isfinite(value) || value < 1.0 || value > kMaxDrawingSide) {
        return false;
    }
    pixels = static_cast<int32_t>(value);
    return true;
}

void CCropManager::SelectUnitItem() {
    if (auto* units = dynamic_cast<ComboBox*>(Panel().Find(kUnits))) {
        units->SetCurSel(m_units.Unit());
    }
    const char* allowed =
        m_units.IsFeetAndInches() ? DistanceEntry::kImperialCharacters : EditBox::kDecimalCharacters;
    for (const int32_t id : {kWidth, kHeight}) {
        if (auto* edit = dynamic_cast<EditBox*>(Panel().Find(id))) {
            edit->SetAllowedCharacters(allowed);
        }
    }
}

void CCropManager::ShowSizes() {
    const Rect& frame = m_tracker.Frame();
    auto show = [&](int32_t id, int32_t size, int32_t base) {
        if (auto* edit = dynamic_cast<EditBox*>(Panel().Find(id))) {
            edit->SetText(frame.IsEmpty() ? std::string() : FormatSize(size, base));
        }
    };
    show(kWidth, frame.Width(), m_entryWidth);
    show(kHeight, frame.Height(), m_entryHeight);
}

void CCropManager::SetFrame(const Rect& frame) {
    const LayerObject* layer = CurrentLayer();
    if (!layer || frame.IsEmpty()) {
        return;
    }
    m_tracker.SetFrame(frame);
    m_pending = frame != layer->bounds;
}

void CCropManager::ResetToPage() {
    if (!CurrentLayer()) {
        return;
    }
    SetFrame(m_stack.DrawingRect());
    ShowSizes();
    m_refresh.Refresh(kResetReason);
}

void CCropManager::TypedSize(int32_t id) {
    const auto* edit = dynamic_cast<EditBox*>(Panel().Find(id));
    Rect frame = m_tracker.Frame();
    int32_t pixels = 0;
    if (!edit || frame.IsEmpty() ||
        !ParseSize(edit->GetText(), id == kWidth ? m_entryWidth : m_entryHeight, pixels)) {
        return; // a size still being typed ("", "0.") waits for more
    }
    if (id == kWidth) {
        frame.right = frame.left + pixels;
    } else {
        frame.bottom = frame.top + pixels;
    }
    SetFrame(frame);
    m_refresh.Refresh("R_CropSizeTyped");
}

bool CCropManager::OnPanelCommand(int32_t id) {
    switch (id) {
    case kApplyButton:
        Apply(true);
        return true;
    case kWidth:
    case kHeight:
        TypedSize(id);
        return true;
    case kUnits:
        if (const auto* units = dynamic_cast<ComboBox*>(Panel().Find(kUnits));
            units && units->GetCurSel() >= 0) {
            m_units.SetUnit(units->GetCurSel()); // the units manager tells OnUnitsChanged
        }
        return true;
    case kToBoard:
        ResetToPage();
        return true;
    case kAllLayers:
        if (const auto* box = dynamic_cast<CheckBox*>(Panel().Find(kAllLayers))) {
            m_allLayers = box->GetCheck();
        }
        return true;
    default:
        return false;
    }
}

void CCropManager::OnUnitsChanged() {
    if (m_current) {
        SelectUnitItem();
        ShowSizes();
    }
}

bool CCropManager::OnKeyDown(uint32_t key, uint32_t /*repeat*/, uint32_t /*flags*/) {
    if (key == keys::kReturn) {
        Apply(false);
        return true;
    }
    if (key == keys::kEscape && CurrentLayer()) {
        // The frame goes back to the layer; nothing is cut.
        m_tracker.EndDrag();
        SetFrame(CurrentLayer()->bounds);
        ShowSizes();
        m_refresh.Refresh("R_CropCancelled");
        return true;
    }
    return false;
}

bool CCropManager::Apply(bool fromBar) {
    const LayerObject* layer = CurrentLayer();
    if (!m_pending || !layer) {
        return false;
    }
    const Rect page = m_stack.DrawingRect();
    Rect area = m_tracker.Frame();
    if (!(fromBar && area == page)) {
        area = KeepUntouchedSides(area, page, layer->bounds);
    }
    const bool changed = m_cropper.CutOrExtend(area, m_allLayers);
    m_pending = false;
    const LayerObject* now = CurrentLayer();
    m_tracker.SetFrame(now ? now->bounds : Rect{});
    ShowSizes();
    m_refresh.MarkStackFootprint();
    m_refresh.Refresh("R_CropApplied");
    return changed;
}

void CCropManager::OnPress(int32_t x, int32_t y) {
    if (!m_current || !CurrentLayer()) {
        return;
    }
    int32_t hit = m_tracker.HitAt(x, y);
    m_beforePress = m_tracker.Frame();
    if (hit < 0) {
        // A new frame from the pressed point, its bottom right corner following the pointer.
        const IntPoint p = m_tool ? m_tool->GetPressDrawingPoint() : IntPoint{};
        m_tracker.SetFrame(Rect{p.x, p.y, p.x + 1, p.y + 1});
        hit = 5;
    }
    m_tracker.BeginDrag(hit, x, y);
}

void CCropManager::OnDrag(int32_t x, int32_t y) {
    if (m_current && m_tracker.Dragging()) {
        m_tracker.Drag(x, y);
        ShowSizes();
    }
}

void CCropManager::OnRelease(int32_t x, int32_t y) {
    if (!m_current || !m_tracker.Dragging()) {
        return;
    }
    m_tracker.Drag(x, y);
    m_tracker.EndDrag();
    // A click that drew no frame leaves the frame as it was.
    const Rect& frame = m_tracker.Frame();
    SetFrame(frame.Width() <= 1 && frame.Height() <= 1 ? m_beforePress : frame);
    ShowSizes();
    m_refresh.Refresh("R_CropFrameDragged");
}

} // namespace ts
