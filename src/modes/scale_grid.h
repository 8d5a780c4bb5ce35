#pragma once

#include "interact/controls.h"
#include "interact/env.h"
#include "interact/screen_tool.h"
#include "model/image_stack_manager.h"
#include "model/point_ts.h"
#include "platform/profile_manager.h"
#include "render/refresh_requests.h"
#include "render/view_manager.h"

#include <array>
#include <cstdint>
#include <functional>

namespace ts {

class ScaleGrid;

// The grid origin tool: one click on the drawing becomes the grid's origin, then the tool that was
// current before takes the mouse back.
class OriginTool final : public ScreenTool {
public:
    static constexpr const char* kPrompt = "Click on the new grid origin point.";
    OriginTool(ToolContext& context, ScaleGrid& grid);
    void Activate() override;
    void SetCursor() override;
    bool OnLButtonDown(uint32_t flags, int32_t x, int32_t y) override;

private:
    ScaleGrid& m_grid;
};

// The grid set-up mode: three grids over the drawing, each with its colour, scale, intensity and
// whether it shows, and their common origin. The view draws the grids (ViewManager::Grid) at every
// zoom; this mode keeps their settings and turns a scale entry into a spacing:
// - an imperial entry is inches, a metric entry metres, of real length;
// - through the current layer's calibration (fine units per metre) when it has one, otherwise as a
//   length on the page (300 fine units an inch); a drawing pixel is 4 fine units.
// The grids are drawn one over the other in their order, so the third lies on top.
class ScaleGrid final : public EnvEffect {
public:
    static constexpr const char* kTitle = "Grid Setup";
    static constexpr const char* kPrompt = "Configure the grid.";
    static constexpr const char* kUpdateReason = "R_ScaleGrid_Update";

    // Panel: "Show" switches the edited grid on and off (held down while it shows), "Grid 1" .. "Grid 3"
    // picks the grid to edit, the "Origin" list runs the three origin commands; then the scale and the
    // intensity of the edited grid.
    static constexpr int32_t kShowButton = 101;
    static constexpr int32_t kGridButton = 102;
    static constexpr int32_t kOriginList = 103;
    static constexpr int32_t kScaleList = 104;
    static constexpr int32_t kIntensityList = 105;
    static constexpr std::array<const char*, 3> kOriginItems{"Click new", "Previous", "Upper left"};

    static constexpr std::array<const char*, 14> kImperialScales{
        "1/64", "1/32", "1/16", "1/8", "1/4", "1/2", "1", "2", "3", "4", "6", "12", "24", "48"};
    static constexpr std::array<double, 14> kImperialInches{
        1.0 / 64, 1.0 / 32, 1.0 / 16, 0.125, 0.25, 0.5, 1, 2, 3, 4, 6, 12, 24, 48};
    static constexpr std::array<const char*, 16> kMetricScales{
        "0.001", "0.002", "0.004", "0.005", "0.01", "0.02", "0.04", "0.05",
        "0.1",   "0.2",   "0.4",   "0.5",   "1.0",  "2.0",  "3.0",  "4.0"};
    static constexpr int32_t kIntensityItems = 20; // "100", "95" .. "5"

    struct Configuration {
        uint32_t color = 0;
        int32_t scaleIndex = 0;
        int32_t intensity = 255;
        bool shown = false;
    };

    ScaleGrid(ViewManager& view, ImageStackManager& stack, RefreshRequests& refresh, ProfileManager& profile,
              ToolView& tools);

    // Intensity list index i stores (20 - i) × 1275 / 100; an intensity shows as (255 - it) × 100 / 1275.
    static int32_t IntensityOfItem(int32_t item);
    static int32_t ItemOfIntensity(int32_t intensity);

    bool Metric() const;
    const Configuration& Config(int32_t index) const { return m_configs[static_cast<size_t>(index)]; }
    int32_t Edited() const { return m_edited; }
    void SelectEdited(int32_t index);
    IntPoint Origin() const { return m_origin; }
    // Whether any of the three grids shows.
    bool AnyShown() const;
    IntPoint PreviousOrigin() const { return m_previousOrigin; }
    // The spacing of a grid in drawing pixels (see the class comment).
    double Spacing(const Configuration& config) const;

    // The origin commands: select the origin tool; swap with the previous origin; the upper left corner.
    void ChooseOrigin();
    void SetOrigin(IntPoint fine); // the origin tool's click
    void PreviousOriginBack();
    void ResetOrigin();
    // The grid command: the edited grid shows or hides.
    void ToggleShown();

    // The palette's colour for the edited grid, and the panel's way to show the grid's colour there.
    std::function<uint32_t()> paletteColor;
    std::function<void(uint32_t)> selectPaletteColor;
    void SetOriginTool(OriginTool* tool) { m_originTool = tool; }

    bool Activate() override;
    bool Deactivate(int32_t how) override;
    bool Commit(int32_t how) override;
    // Puts the configurations saved on entering back (Esc in the mode).
    void Cancel();
    bool OnKeyDown(uint32_t key, uint32_t repeat, uint32_t flags) override;
    bool OnPanelCommand(int32_t id) override;
    void OnPaletteColorChanged() override;
    // The grids follow the current layer's calibration.
    void UpdateView();

private:
    void CreatePanel() override;
    void RefreshPanel();
    void Refresh(const char* reason);

    ViewManager& m_view;
    ImageStackManager& m_stack;
    RefreshRequests& m_refresh;
    ProfileManager& m_profile;
    ToolView& m_tools;
    OriginTool* m_originTool = nullptr;
    std::array<Configuration, 3> m_configs{};
    std::array<Configuration, 3> m_saved{};
    int32_t m_edited = 0;
    bool m_metric = false;  // the list the scale indices belong to
    bool m_current = false; // between Activate and Deactivate
    IntPoint m_origin{0, 0};
    IntPoint m_previousOrigin{0, 0};
};

} // namespace ts
