#include "modes/measure.h"

#include "interact/view_window.h"
#include "interact/virtual_keys.h"
#include "measure/distance_entry.h"
#include "measure/layer_scale.h"
#include "platform/profile_settings.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace ts {

namespace {

// Two rows, so that the panel fits beside the layer list.
constexpr Rect kTitleRect{20, 37, 85, 57};
constexpr Rect kCalibrateRect{90, 37, 155, 57};
constexpr Rect kResetScaleRect{160, 37, 235, 57};
constexpr Rect kScaleRect{240, 37, 420, 57};
constexpr Rect kUnitsRect{425, 37, 525, 57};
constexpr Rect kResetOriginRect{530, 37, 615, 57};
constexpr Rect kDistanceRect{20, 62, 160, 82};
constexpr Rect kAngleRect{165, 62, 305, 82};
constexpr Rect kOriginRect{312, 62, 370, 82};
constexpr Rect kPolarRect{375, 62, 430, 82};
constexpr Rect kRelativeRect{435, 62, 505, 82};
constexpr Rect kSnapRect{510, 62, 565, 82};

constexpr int kDistancePane = 1;
constexpr int kAnglePane = 2;
constexpr int kResolutionPane = 3;

// A fine unit is a quarter of a drawing pixel.
constexpr double kFinePerPixel = 4.0;

} // namespace

ScalingTool::ScalingTool(ToolContext& context, Measure& measure)
    : ScreenTool(context, 0), m_measure(measure) {}

void ScalingTool::SetCursor() {
    m_context.window.SetCursor(m_measure.Cursor());
}

bool ScalingTool::OnLButtonDown(uint32_t flags, int32_t x, int32_t y) {
    if (ScreenTool::OnLButtonDown(flags, x, y) || !IsButtonDown()) {
        return true;
    }
    m_dragged = false;
    m_measure.OnScalingPress(GetPressFinePoint());
    return true;
}

bool ScalingTool::OnMouseMove(uint32_t flags, int32_t x, int32_t y) {
    if (ScreenTool::OnMouseMove(flags, x, y)) {
        return true;
    }
    if (IsButtonDown() && GetCurrentFinePoint() != GetPressFinePoint()) {
        m_dragged = true;
        m_measure.OnScalingDrag(GetCurrentFinePoint());
    }
    return true;
}

bool ScalingTool::OnLButtonUp(uint32_t flags, int32_t x, int32_t y) {
    const bool down = IsButtonDown();
    if (ScreenTool::OnLButtonUp(flags, x, y)) {
        return true;
    }
    // A click has been measured by its press; a drag ends where it is let go.
    if (down && m_dragged) {
        m_measure.OnScalingDrag(GetReleaseFinePoint());
    }
    return true;
}

Measure::Measure(MeasureContext context) : EnvEffect(Env::kMeasureId), m_c(context) {}

bool Measure::Metric() const {
    if (m_units >= 0) {
        return m_units == 1;
    }
    return m_c.profile.Get(settings::kEnableMetric) != 0;
}

int32_t Measure::Cursor() const {
    switch (m_state) {
    case kFirstPoint:
        return kCalibrateCursor;
    case kSecondPoint:
        return kSecondPointCursor;
    case kStartPoint:
    case kMeasuring:
        return kMeasureCursor;
    default:
        return cursors::kArrow;
    }
}

// The layer measured: the current drawing layer (the paper holds the drawing's scale, not its own).
LayerObject* Measure::Layer() const {
    return m_c.stack.Current() >= ImageStackManager::kFirstDrawingLayer ? m_c.stack.CurrentLayer() : nullptr;
}

MeasureScale Measure::LayerScale() const {
    const LayerObject* layer = Layer();
    return MeasureScale(layer ? LayerCalibration(*layer) : 0.0, Metric());
}

SnapSettings Measure::Granularity() const {
    const bool metric = Metric();
    const auto distances = DistanceGranularities(metric);
    const auto angles = AngleGranularities();
    SnapSettings s;
    s.polar = m_polar;
    const auto d = static_cast<size_t>(m_distanceIndex[metric ? 1 : 0]);
    const auto a = static_cast<size_t>(m_angleIndex[metric ? 1 : 0]);
    s.distance = d < distances.size() ? distances[d] : 0.0;
    s.angle = a < angles.size() ? angles[a] : 0.0;
    return s;
}

void Measure::SetDistanceGranularity(int32_t index) {
    const auto count = static_cast<int32_t>(DistanceGranularities(Metric()).size());
    m_distanceIndex[Metric() ? 1 : 0] = std::clamp(index, 0, count - 1);
    FillGranularities();
}

void Measure::SetAngleGranularity(int32_t index) {
    const auto count = static_cast<int32_t>(AngleGranularities().size());
    m_angleIndex[Metric() ? 1 : 0] = std::clamp(index, 0, count - 1);
    FillGranularities();
}

void Measure::SetMetric(bool metric) {
    m_units = metric ? 1 : 0;
    // The shown unit follows the system: feet and inches, or metres.
    m_c.units.SetUnit(metric ? UnitsManager::kMeters : UnitsManager::kFeetAndInches);
    RefreshPanel();
}

void Measure::SetState(int32_t state) {
    m_state = state;
    if (m_scalingTool && m_c.tools.CurrentTool() == m_scalingTool) {
        m_scalingTool->SetCursor();
    }
}

// Panel

void Measure::CreatePanel() {
    ControlPanel& panel = MutablePanel();
    ControlParent* parent = PanelParent();
    panel.Add<CHuecraftButton>(parent, kTitleRect, kTitle, kTitleButton, this);
    panel.Add<CHuecraftButton>(parent, kCalibrateRect, "Calibrate", kCalibrate, this);
    panel.Add<CHuecraftButton>(parent, kResetScaleRect, "Reset Scale", kResetScale, this);
    panel.Add<ComboBox>(parent, kScaleRect, "Scale", kScaleList, this);
    ComboBox& units = panel.Add<ComboBox>(parent, kUnitsRect, "Units", kUnitsList, this);
    units.AddString("ft-in");
    units.AddString("meter");
    panel.Add<ComboBox>(parent, kDistanceRect, "Dist. Gran.", kDistanceList, this);
    panel.Add<ComboBox>(parent, kAngleRect, "Ang. Gran.", kAngleList, this);
    panel.Add<CheckBox>(parent, kOriginRect, "Origin", kOriginBox, this);
    panel.Add<CheckBox>(parent, kPolarRect, "Polar", kPolarBox, this);
    panel.Add<CheckBox>(parent, kRelativeRect, "Relative", kRelativeBox, this);
    panel.Add<CheckBox>(parent, kSnapRect, "Snap", kSnapBox, this);
    panel.Add<CHuecraftButton>(parent, kResetOriginRect, "Reset Origin", kResetOrigin, this);
}

void Measure::RefreshPanel() {
    if (!PanelCreated()) {
        return;
    }
    if (auto* units = Control<ComboBox>(kUnitsList)) {
        units->SetCurSel(Metric() ? 1 : 0);
    }
    RefreshScaleList();
    FillGranularities();
    SyncChecks();
}

void Measure::RefreshScaleList() {
    if (!PanelCreated()) {
        return;
    }
    const LayerObject* layer = Layer();
    const double factor = layer ? LayerScaleFactor(*layer) : 0.0;
    auto* scale = Control<ComboBox>(kScaleList);
    if (!scale) {
        return;
    }
    // Entry 0 always shows the layer's own scale as a number; the list is rebuilt to show it.
    scale->ResetContent();
    scale->AddString(UnitsManager::FormatNumber(factor));
    for (const ScaleEntry& e : ScaleEntries(Metric())) {
        scale->AddString(e.text);
    }
    scale->SetCurSel(ScaleEntryOf(factor, Metric()));
    if (auto* reset = Control<CHuecraftButton>(kResetScale)) {
        reset->Enable(layer && (LayerScaleFactor(*layer) > 0.0 || LayerCalibration(*layer) > 0.0));
    }
}

void Measure::FillGranularities() {
    if (!PanelCreated()) {
        return;
    }
    const bool metric = Metric();
    if (auto* distance = Control<ComboBox>(kDistanceList)) {
        distance->ResetContent();
        const auto count = static_cast<int32_t>(DistanceGranularities(metric).size());
        for (int32_t i = 0; i < count; ++i) {
            distance->AddString(DistanceGranularityText(i, metric));
        }
        distance->SetCurSel(DistanceGranularity());
    }
    if (auto* angle = Control<ComboBox>(kAngleList)) {
        angle->ResetContent();
        const auto count = static_cast<int32_t>(AngleGranularities().size());
        for (int32_t i = 0; i < count; ++i) {
            angle->AddString(AngleGranularityText(i));
        }
        angle->SetCurSel(AngleGranularity());
    }
}

void Measure::SyncChecks() {
    if (!PanelCreated()) {
        return;
    }
    const std::pair<int32_t, bool> boxes[] = {
        {kOriginBox, m_newOrigin}, {kPolarBox, m_polar}, {kRelativeBox, m_relative}, {kSnapBox, m_snap}};
    for (const auto& [id, on] : boxes) {
        if (auto* box = Control<CheckBox>(id)) {
            box->SetCheck(on);
        }
    }
}

bool Measure::OnPanelCommand(int32_t id) {
    auto checked = [this](int32_t box) {
        const auto* c = dynamic_cast<const CheckBox*>(Panel().Find(box));
        return c && c->GetCheck();
    };
    auto selected = [this](int32_t list) {
        const auto* c = dynamic_cast<const ComboBox*>(Panel().Find(list));
        return c ? c->GetCurSel() : -1;
    };
    switch (id) {
    case kTitleButton:
        return true;
    case kCalibrate:
        Calibrate();
        return true;
    case kOriginBox:
        StartMeasuring(checked(kOriginBox));
        return true;
    case kRelativeBox:
        if (checked(kRelativeBox) != m_relative) {
            ToggleRelative();
        }
        return true;
    case kPolarBox:
        m_polar = checked(kPolarBox);
        return true;
    case kResetOrigin:
        ResetOrigin();
        return true;
    case kResetScale:
        ResetScale();
        return true;
    case kSnapBox:
        if (checked(kSnapBox) != m_snap) {
            ToggleSnap();
        }
        return true;
    case kUnitsList:
        if (selected(kUnitsList) >= 0) {
            SetMetric(selected(kUnitsList) == 1);
        }
        return true;
    case kScaleList:
        ChooseScale(selected(kScaleList));
        return true;
    case kDistanceList:
        if (selected(kDistanceList) >= 0) {
            SetDistanceGranularity(selected(kDistanceList));
        }
        return true;
    case kAngleList:
        if (selected(kAngleList) >= 0) {
            SetAngleGranularity(selected(kAngleList));
        }
        return true;
    default:
        return false;
    }
}

// The check boxes and keys

void Measure::TogglePolar() {
    m_polar = !m_polar;
    SyncChecks();
}

void Measure::ToggleRelative() {
    m_relative = !m_relative;
    // Chained measuring goes on from where the measuring started.
    m_reference = m_start;
    SyncChecks();
}

void Measure::ToggleSnap() {
    m_snap = !m_snap;
    SyncChecks();
    // The line tool's cursor shows whether it snaps to the grid.
    if (ScreenTool* tool = m_c.tools.CurrentTool()) {
        tool->SetCursor();
    }
}

bool Measure::OnKeyDown(uint32_t key, uint32_t /*repeat*/, uint32_t /*flags*/) {
    if (key != keys::kEscape) {
        return false;
    }
    // Esc drops the measurement or the calibration under way.
    StopLine();
    SetState(LayerScale().Calibrated() ? kStartPoint : kIdle);
    return true;
}

// Calibration and scale

void Measure::Calibrate() {
    if (!Layer()) {
        return;
    }
    const DistanceEntry entry(Metric());
    std::string text;
    if (!entry.DoModal(m_c.ui, text)) {
        return; // cancelled: nothing changes
    }
    const double distance = entry.Read(text);
    if (!(distance > 0.0) || !std::isfinite(distance)) {
        m_entered = 0.0;
        m_c.ui.ShowMessage(kEnterDistance);
        return;
    }
    m_entered = distance;
    m_enteredMetric = entry.IsMetric();
    StopLine();
    if (m_scalingTool) {
        m_c.tools.SetTool(*m_scalingTool);
    }
    SetState(kFirstPoint);
    m_c.prompt.SetPrompt(kClickTwoPoints);
}

void Measure::OnScalingPress(IntPoint fine) {
    LayerObject* layer = Layer();
    switch (m_state) {
    case kFirstPoint:
        m_first = fine;
        SetState(kSecondPoint);
        break;
    case kSecondPoint: {
        if (!layer || fine == m_first) {
            return; // the same point twice marks no length: wait for another
        }
        if (!(m_entered > 0.0)) {
            m_c.ui.ShowMessage(kEnterDistance);
            return;
        }
        const double dx = std::fabs(static_cast<double>(fine.x) - m_first.x);
        const double dy = std::fabs(static_cast<double>(fine.y) - m_first.y);
        const double length = m_polar ? std::hypot(dx, dy) : std::max(dx, dy);
        layer->scale[kCalibrationSetting] = CalibrationFromLength(length, m_entered, m_enteredMetric);
        m_start = m_reference = m_first;
        m_last = fine;
        SetState(kStartPoint);
        m_c.prompt.SetPrompt(kPrompt);
        CalibrationDone();
        ShowReadout(fine);
        break;
    }
    case kStartPoint:
        m_start = m_reference = m_last = fine;
        if (m_newOrigin) {
            m_newOrigin = false;
            m_c.grid.SetOrigin(fine);
            SyncChecks();
        }
        SetState(kMeasuring);
        m_c.rubber.Start(false);
        ShowReadout(fine);
        break;
    case kMeasuring:
        ShowReadout(fine);
        if (m_relative) {
            // Chained: the next stretch starts here.
            m_reference = fine;
            m_c.rubber.End();
            m_c.rubber.Start(false);
        } else {
            m_c.rubber.Update();
        }
        break;
    default:
        break;
    }
}

void Measure::OnScalingDrag(IntPoint fine) {
    if (m_state == kMeasuring) {
        ShowReadout(fine);
        m_c.rubber.Update();
    }
}

void Measure::CalibrationDone() {
    RefreshScaleList();
    if (calibrationChanged) {
        calibrationChanged();
    }
}

void Measure::SetLayerScale(LayerObject& layer, double factor) {
    layer.scale[kScaleFactorSetting] = factor;
    // A scale calibrates a layer that has no calibration of its own.
    if (LayerCalibration(layer) == 0.0) {
        layer.scale[kCalibrationSetting] = CalibrationFromScale(factor);
    }
    // The first scale given in a drawing becomes the drawing's.
    if (LayerObject* paper = m_c.stack.Layer(ImageStackManager::kPaperIndex);
        paper && paper != &layer && LayerScaleFactor(*paper) == 0.0) {
        paper->scale[kScaleFactorSetting] = factor;
    }
    if (m_state < kStartPoint) {
        SetState(kStartPoint);
    }
    CalibrationDone();
}

void Measure::ChooseScale(int32_t entry) {
    LayerObject* layer = Layer();
    const auto entries = ScaleEntries(Metric());
    if (!layer || entry < 1 || entry > static_cast<int32_t>(entries.size())) {
        RefreshScaleList();
        return;
    }
    if (LayerScaleFactor(*layer) != 0.0) {
        m_c.ui.ShowMessage(kHasScale);
        RefreshScaleList();
        return;
    }
    SetLayerScale(*layer, entries[static_cast<size_t>(entry - 1)].factor);
}

void Measure::ResetScale() {
    if (LayerObject* layer = Layer()) {
        layer->scale[kCalibrationSetting] = 0.0;
        layer->scale[kScaleFactorSetting] = 0.0;
    }
    StopLine();
    SetState(kIdle);
    ClearReadout();
    CalibrationDone();
}

void Measure::AskForDrawingScale(LayerObject& layer) {
    const LayerObject* paper = m_c.stack.Layer(ImageStackManager::kPaperIndex);
    if (!paper || paper == &layer || LayerScaleFactor(layer) != 0.0 || LayerScaleFactor(*paper) == 0.0) {
        return;
    }
    if (!m_c.ui.AskYesNo(kUseDrawingScale)) {
        return;
    }
    layer.scale[kScaleFactorSetting] = LayerScaleFactor(*paper);
    if (LayerCalibration(layer) == 0.0) {
        const double paperCalibration = LayerCalibration(*paper);
        layer.scale[kCalibrationSetting] =
            paperCalibration > 0.0 ? paperCalibration : CalibrationFromScale(LayerScaleFactor(*paper));
    }
    CalibrationDone();
}

// Measuring

void Measure::StartMeasuring(bool newOrigin) {
    m_newOrigin = newOrigin;
    StopLine();
    SetState(LayerScale().Calibrated() ? kStartPoint : kIdle);
    SyncChecks();
}

void Measure::ResetOrigin() {
    StopLine();
    m_start = m_reference = m_last = IntPoint{};
    ClearReadout();
    m_c.grid.ResetOrigin();
    if (m_state == kMeasuring) {
        SetState(kStartPoint);
    }
}

void Measure::StopLine() {
    if (m_c.rubber.IsActive()) {
        m_c.rubber.Abort();
    }
}

std::string Measure::Length(double fineLength) const {
    if (m_c.units.IsUnit(UnitsManager::kPixels)) {
        return UnitsManager::FormatNumber(fineLength / kFinePerPixel);
    }
    const MeasureScale scale = LayerScale();
    return m_c.units.FormatDistance(scale.ToInches(scale.ToReal(fineLength)));
}

void Measure::ShowReadout(IntPoint to) {
    m_last = to;
    m_hasReadout = true;
    const double dx = static_cast<double>(to.x) - m_reference.x;
    const double dy = static_cast<double>(to.y) - m_reference.y;
    const Measurement m = MeasureStretch(m_reference, to, LayerScale());
    m_c.ui.SetStatusPane(kDistancePane, "Dist: " + Length(std::hypot(dx, dy)));
    m_c.ui.SetStatusPane(kAnglePane, "Deg: " + UnitsManager::FormatNumber(m.degrees));
    m_c.ui.SetStatusPane(kResolutionPane, "Resolution: " + Length(kFinePerPixel));
}

void Measure::ClearReadout() {
    m_hasReadout = false;
    for (int pane : {kDistancePane, kAnglePane, kResolutionPane}) {
        m_c.ui.SetStatusPane(pane, "");
    }
    // The panes the readout borrowed go back to their usual texts.
    if (readoutCleared) {
        readoutCleared();
    }
}

void Measure::OnUnitsChanged() {
    if (m_hasReadout) {
        ShowReadout(m_last);
    }
}

// Mode

bool Measure::Activate() {
    m_current = true;
    ShowPanel();
    if (LayerObject* layer = Layer()) {
        AskForDrawingScale(*layer);
    }
    m_newOrigin = false;
    m_state = LayerScale().Calibrated() ? kStartPoint : kIdle;
    RefreshPanel();
    if (m_scalingTool) {
        m_c.tools.SetTool(*m_scalingTool);
        m_scalingTool->SetCursor();
    }
    return true;
}

bool Measure::Deactivate(int32_t /*how*/) {
    m_current = false;
    StopLine();
    HidePanel();
    ClearReadout();
    return true;
}

// The snap

bool Measure::Snap(IntPoint fine, IntPoint& snapped) {
    if (!m_snap) {
        return false;
    }
    const MeasureScale scale = LayerScale();
    if (!scale.Calibrated()) {
        return false;
    }
    IntPoint reference = m_c.grid.Origin();
    if (m_relative && m_c.rubber.IsActive()) {
        reference = m_c.rubber.StartPoint();
    } else if (m_relative && m_current && m_state == kMeasuring) {
        reference = m_reference;
    }
    snapped = SnapToGranularity(fine, reference, scale, Granularity());
    return true;
}

bool Measure::SnapsToShownGrid() const {
    return m_snap && m_c.grid.AnyShown();
}

} // namespace ts
