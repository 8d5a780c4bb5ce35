#include "modes/scale_grid.h"

#include "interact/view_window.h"
#include "interact/virtual_keys.h"
#include "measure/layer_scale.h"
#include "model/page.h"
#include "platform/profile_settings.h"

#include <algorithm>
#include <cstdlib>
#include <string>
#include <utility>

namespace ts {

namespace {

constexpr Rect kShowRect{140, 37, 180, 57};
constexpr Rect kGridRect{185, 37, 225, 57};
constexpr Rect kOriginRect{230, 37, 340, 57};
constexpr Rect kScaleRect{350, 37, 450, 57};
constexpr Rect kIntensityRect{460, 37, 580, 57};

constexpr IntSetting kScaleIndex{"Settings", "ScaleIndex", 5};
constexpr IntSetting kMetricScaleIndex{"Settings", "MetricScaleIndex", 6};

// Three grids that tell apart: blue, red and green.
constexpr uint32_t kDefaultColors[3] = {0x00C08040, 0x004040C0, 0x0040A040};

constexpr double kMetersPerInch = 0.0254;
constexpr double kInchesPerMeter = 39.37007874015747433;

std::string GridCaption(int32_t index) {
    return "Grid " + std::to_string(index + 1);
}

} // namespace

OriginTool::OriginTool(ToolContext& context, ScaleGrid& grid) : ScreenTool(context, 0), m_grid(grid) {}

void OriginTool::Activate() {
    ScreenTool::Activate();
    ShowPrompt(kPrompt);
    SetReturnToPrevious(true);
}

void OriginTool::SetCursor() {
    m_context.window.SetCursor(cursors::kOrigin);
}

bool OriginTool::OnLButtonDown(uint32_t flags, int32_t x, int32_t y) {
    if (ScreenTool::OnLButtonDown(flags, x, y)) {
        return true;
    }
    m_grid.SetOrigin(GetPressFinePoint());
    ReturnToPreviousTool();
    return true;
}

ScaleGrid::ScaleGrid(ViewManager& view, ImageStackManager& stack, RefreshRequests& refresh,
                     ProfileManager& profile, ToolView& tools)
    : EnvEffect(Env::kGridId), m_view(view), m_stack(stack), m_refresh(refresh), m_profile(profile),
      m_tools(tools) {
    for (size_t i = 0; i < m_configs.size(); ++i) {
        m_configs[i].color = kDefaultColors[i];
        m_configs[i].intensity = IntensityOfItem(10); // "50"
        m_configs[i].scaleIndex = -1;                 // from the settings on first use
    }
    m_saved = m_configs;
}

int32_t ScaleGrid::IntensityOfItem(int32_t item) {
    item = std::clamp(item, 0, kIntensityItems - 1);
    return (20 - item) * 1275 / 100;
}

int32_t ScaleGrid::ItemOfIntensity(int32_t intensity) {
    return std::clamp((255 - intensity) * 100 / 1275, 0, kIntensityItems - 1);
}

bool ScaleGrid::Metric() const {
    return m_profile.Get(settings::kEnableMetric) != 0;
}

double ScaleGrid::Spacing(const Configuration& config) const {
    const bool metric = Metric();
    const int32_t count =
        metric ? static_cast<int32_t>(kMetricScales.size()) : static_cast<int32_t>(kImperialScales.size());
    const int32_t index = config.scaleIndex;
    if (index < 0 || index >= count) {
        return 0.0;
    }
    const double length = metric ? std::atof(kMetricScales[static_cast<size_t>(index)])
                                 : kImperialInches[static_cast<size_t>(index)];
    const LayerObject* layer = m_stack.CurrentLayer();
    const double calibration = layer ? LayerCalibration(*layer) : 0.0;
    double fine = 0.0;
    if (calibration > 0.0) {
        fine = (metric ? length : length * kMetersPerInch) * calibration;
    } else {
        fine = (metric ? length * kInchesPerMeter : length) * Page::kDotsPerInch;
    }
    return fine / Page::kPagePixelsPerDrawingPixel;
}

void ScaleGrid::UpdateView() {
    ViewGrid& grid = m_view.Grid();
    if (Metric() != m_metric) {
        // The other list: every grid takes the scale stored for it.
        m_metric = Metric();
        for (Configuration& c : m_configs) {
            c.scaleIndex = -1;
        }
    }
    const int32_t stored = Metric() ? m_profile.Get(kMetricScaleIndex) : m_profile.Get(kScaleIndex);
    for (size_t i = 0; i < m_configs.size(); ++i) {
        Configuration& c = m_configs[i];
        if (c.scaleIndex < 0) {
            c.scaleIndex = stored;
        }
        grid.grids[i] = GridLines{c.shown, Spacing(c), c.color, c.intensity};
    }
    grid.originX = m_origin.x / static_cast<double>(Page::kPagePixelsPerDrawingPixel);
    grid.originY = m_origin.y / static_cast<double>(Page::kPagePixelsPerDrawingPixel);
}

void ScaleGrid::Refresh(const char* reason) {
    UpdateView();
    m_refresh.MarkViewportSize();
    m_refresh.Refresh(reason);
}

void ScaleGrid::CreatePanel() {
    ControlPanel& panel = MutablePanel();
    panel.Add<CHuecraftButton>(PanelParent(), kShowRect, "Show", kShowButton, this);
    panel.Add<CHuecraftButton>(PanelParent(), kGridRect, GridCaption(0), kGridButton, this);
    ComboBox& origin = panel.Add<ComboBox>(PanelParent(), kOriginRect, "Origin", kOriginList, this);
    for (const char* item : kOriginItems) {
        origin.AddString(item);
    }
    panel.Add<ComboBox>(PanelParent(), kScaleRect, "Scale: ", kScaleList, this);
    ComboBox& intensity =
        panel.Add<ComboBox>(PanelParent(), kIntensityRect, "Intensity", kIntensityList, this);
    for (int32_t i = 0; i < kIntensityItems; ++i) {
        intensity.AddString(std::to_string(100 - 5 * i));
    }
}

void ScaleGrid::RefreshPanel() {
    UpdateView();
    if (!PanelCreated()) {
        return;
    }
    const Configuration& c = m_configs[static_cast<size_t>(m_edited)];
    if (auto* show = dynamic_cast<CHuecraftButton*>(MutablePanel().Find(kShowButton))) {
        show->SetState(c.shown ? CHuecraftButton::kPressed : CHuecraftButton::kNormal);
    }
    if (auto* grid = dynamic_cast<CHuecraftButton*>(MutablePanel().Find(kGridButton))) {
        grid->SetCaption(GridCaption(m_edited));
    }
    if (auto* origin = dynamic_cast<ComboBox*>(MutablePanel().Find(kOriginList))) {
        origin->SetCurSel(-1);
    }
    if (auto* scale = dynamic_cast<ComboBox*>(MutablePanel().Find(kScaleList))) {
        scale->ResetContent();
        if (Metric()) {
            for (const char* item : kMetricScales) {
                scale->AddString(item);
            }
        } else {
            for (const char* item : kImperialScales) {
                scale->AddString(item);
            }
        }
        scale->SetCurSel(c.scaleIndex);
    }
    if (auto* intensity = dynamic_cast<ComboBox*>(MutablePanel().Find(kIntensityList))) {
        intensity->SetCurSel(ItemOfIntensity(c.intensity));
    }
    // Only while the panel shows: an origin set from the menu leaves the painting colour alone.
    if (m_current && selectPaletteColor && (!paletteColor || paletteColor() != c.color)) {
        selectPaletteColor(c.color);
    }
}

bool ScaleGrid::AnyShown() const {
    return std::any_of(m_configs.begin(), m_configs.end(), [](const Configuration& c) { return c.shown; });
}

void ScaleGrid::SelectEdited(int32_t index) {
    m_edited = std::clamp(index, 0, 2);
    RefreshPanel();
}

bool ScaleGrid::Activate() {
    m_current = true;
    ShowPanel();
    UpdateView(); // the scale indices are known before they are saved
    m_saved = m_configs;
    RefreshPanel();
    return true;
}

bool ScaleGrid::Deactivate(int32_t /*how*/) {
    m_current = false;
    HidePanel();
    return true;
}

bool ScaleGrid::Commit(int32_t /*how*/) {
    m_saved = m_configs;
    UpdateView();
    return true;
}

void ScaleGrid::Cancel() {
    bool shownChanged = false;
    for (size_t i = 0; i < m_configs.size(); ++i) {
        shownChanged = shownChanged || m_configs[i].shown != m_saved[i].shown;
    }
    m_configs = m_saved;
    RefreshPanel();
    Refresh(shownChanged ? "R_RestoreGridState" : kUpdateReason);
}

bool ScaleGrid::OnKeyDown(uint32_t key, uint32_t /*repeat*/, uint32_t /*flags*/) {
    if (key != keys::kEscape) {
        return false;
    }
    Cancel();
    return true;
}

void ScaleGrid::ToggleShown() {
    Configuration& c = m_configs[static_cast<size_t>(m_edited)];
    c.shown = !c.shown;
    RefreshPanel();
    Refresh("SetGrid");
}

void ScaleGrid::ChooseOrigin() {
    if (m_originTool) {
        m_tools.SetTool(*m_originTool);
    }
}

void ScaleGrid::SetOrigin(IntPoint fine) {
    m_previousOrigin = m_origin;
    m_origin = fine;
    RefreshPanel();
    Refresh(kUpdateReason);
}

void ScaleGrid::PreviousOriginBack() {
    std::swap(m_origin, m_previousOrigin);
    Refresh("R_PreviousOrigin");
}

void ScaleGrid::ResetOrigin() {
    m_previousOrigin = m_origin;
    m_origin = IntPoint{0, 0};
    Refresh("R_ResetOrigin");
}

bool ScaleGrid::OnPanelCommand(int32_t id) {
    Configuration& c = m_configs[static_cast<size_t>(m_edited)];
    switch (id) {
    case kShowButton:
        c.shown = !c.shown;
        break;
    case kGridButton:
        m_edited = (m_edited + 1) % 3;
        break;
    case kOriginList: {
        const auto* origin = dynamic_cast<const ComboBox*>(Panel().Find(kOriginList));
        const int32_t item = origin ? origin->GetCurSel() : -1;
        if (item == 0) {
            ChooseOrigin();
        } else if (item == 1) {
            PreviousOriginBack();
        } else if (item == 2) {
            ResetOrigin();
        }
        break;
    }
    case kScaleList: {
        const auto* scale = dynamic_cast<const ComboBox*>(Panel().Find(kScaleList));
        if (scale && scale->GetCurSel() >= 0) {
            c.scaleIndex = scale->GetCurSel();
            m_profile.Set(Metric() ? kMetricScaleIndex : kScaleIndex, c.scaleIndex);
        }
        break;
    }
    case kIntensityList: {
        const auto* intensity = dynamic_cast<const ComboBox*>(Panel().Find(kIntensityList));
        if (intensity && intensity->GetCurSel() >= 0) {
            c.intensity = IntensityOfItem(intensity->GetCurSel());
        }
        break;
    }
    default:
        return false;
    }
    RefreshPanel();
    Refresh(kUpdateReason);
    return true;
}

void ScaleGrid::OnPaletteColorChanged() {
    if (m_current && paletteColor) {
        m_configs[static_cast<size_t>(m_edited)].color = paletteColor() & 0x00FFFFFF;
        Refresh(kUpdateReason);
    }
}

} // namespace ts
