#pragma once

#include "interact/controls.h"
#include "interact/env.h"
#include "interact/point_snap.h"
#include "interact/rubber_line.h"
#include "interact/screen_tool.h"
#include "interact/view_window.h"
#include "measure/measure_scale.h"
#include "measure/units_manager.h"
#include "model/image_stack_manager.h"
#include "modes/scale_grid.h"
#include "platform/profile_manager.h"
#include "platform/user_interface.h"

#include <array>
#include <cstdint>
#include <functional>
#include <string>

namespace ts {

class Measure;

// The measure mode's hand: its presses calibrate and measure, its drags measure as they go.
class ScalingTool final : public ScreenTool {
public:
    ScalingTool(ToolContext& context, Measure& measure);
    void SetCursor() override;
    bool OnLButtonDown(uint32_t flags, int32_t x, int32_t y) override;
    bool OnMouseMove(uint32_t flags, int32_t x, int32_t y) override;
    bool OnLButtonUp(uint32_t flags, int32_t x, int32_t y) override;

private:
    Measure& m_measure;
    bool m_dragged = false;
};

// What the measure mode works with.
struct MeasureContext {
    ImageStackManager& stack;
    UserInterface& ui;
    StatusPrompt& prompt;
    ProfileManager& profile;
    UnitsManager& units;
    ToolView& tools;
    ScaleGrid& grid;
    RubberLine& rubber;
};

// The measure mode: gives the current layer a real-world scale (its calibration, fine units per
// metre, from two clicked points of a typed distance, or from an architectural scale), measures
// distances and angles on it, and keeps the snap every tool asks about its points.
//
// The snap moves a point onto the distance granularity (per axis, or with "Polar" onto the angle and
// the length granularities) around its reference: the grid's origin, so that the snapped points lie
// on the grid of the same spacing; with "Relative" the last point (the rubber line's start while one
// is drawn, else the measuring reference while this mode is current). Snapping needs a calibrated
// layer: without one no real length exists and points stay where they are.
//
// The readout borrows status panes 1 to 3 while measuring: "Dist: " the measured length, "Deg: " its
// direction (counter-clockwise from the right), "Resolution: " the real size of one drawing pixel, each in
// the unit the units manager shows (pixels as drawing pixels). The "Units" list switches the units system and
// with it the shown unit (feet and inches, or metres).
class Measure final : public EnvEffect, public PointSnap {
public:
    static constexpr const char* kTitle = "Measure";
    static constexpr const char* kPrompt = "Measure distances on the layer.";
    static constexpr const char* kClickTwoPoints = "Now click two points to mark this distance on the layer.";
    static constexpr const char* kEnterDistance = "Enter a distance, then Calibrate again.";
    static constexpr const char* kHasScale = "Layer already has a scale.";
    static constexpr const char* kUseDrawingScale =
        "This layer has no scale set, but the drawing has a scale.\nUse drawing scale?";

    // Panel. The named controls keep their numbers; the others: 102 "Origin" (the next measuring
    // start also becomes the origin), 103 "Relative", 104 "Polar", 105 "Reset Origin" (clears the
    // measuring points and puts the origin back at the upper left corner), 110 "Snap", 114 "Units".
    static constexpr int32_t kTitleButton = 100;
    static constexpr int32_t kCalibrate = 101;
    static constexpr int32_t kOriginBox = 102;
    static constexpr int32_t kRelativeBox = 103;
    static constexpr int32_t kPolarBox = 104;
    static constexpr int32_t kResetOrigin = 105;
    static constexpr int32_t kResetScale = 106;
    static constexpr int32_t kSnapBox = 110;
    static constexpr int32_t kUnitsList = 114;
    static constexpr int32_t kScaleList = 115;
    static constexpr int32_t kDistanceList = 120;
    static constexpr int32_t kAngleList = 121;

    // Cursors of the scaling tool: before the first and the second calibration point, measuring.
    static constexpr int32_t kCalibrateCursor = cursors::kCalibrateFirst;
    static constexpr int32_t kSecondPointCursor = cursors::kCalibrateSecond;
    static constexpr int32_t kMeasureCursor = cursors::kMeasure;

    enum State : int32_t {
        kIdle = 0,        // not calibrating, the layer has no calibration yet
        kFirstPoint = 1,  // waiting for the first calibration point
        kSecondPoint = 2, // waiting for the second calibration point
        kStartPoint = 3,  // calibrated, waiting for a measuring start
        kMeasuring = 4,
    };

    explicit Measure(MeasureContext context);
    void SetScalingTool(ScalingTool* tool) { m_scalingTool = tool; }

    int32_t State() const { return m_state; }
    bool Polar() const { return m_polar; }
    bool Relative() const { return m_relative; }
    bool SnapOn() const { return m_snap; }
    // The units system: the "Units" list once chosen, else the metric preference.
    bool Metric() const;
    int32_t Cursor() const;
    IntPoint StartPoint() const { return m_start; }
    IntPoint ReferencePoint() const { return m_reference; }
    double EnteredDistance() const { return m_entered; }
    // The current layer's lengths in the present units system.
    MeasureScale LayerScale() const;
    SnapSettings Granularity() const;
    int32_t DistanceGranularity() const { return m_distanceIndex[Metric() ? 1 : 0]; }
    int32_t AngleGranularity() const { return m_angleIndex[Metric() ? 1 : 0]; }
    void SetDistanceGranularity(int32_t index);
    void SetAngleGranularity(int32_t index);
    void SetMetric(bool metric);

    // P, R and S.
    void TogglePolar();
    void ToggleRelative();
    void ToggleSnap();
    // The panel's buttons and lists.
    void Calibrate();
    void ChooseScale(int32_t entry);
    void ResetScale();
    void ResetOrigin();
    void StartMeasuring(bool newOrigin);

    // The scaling tool's gestures, in drawing fine coordinates.
    void OnScalingPress(IntPoint fine);
    void OnScalingDrag(IntPoint fine);

    bool Activate() override;
    bool Deactivate(int32_t how) override;
    bool OnPanelCommand(int32_t id) override;
    bool OnKeyDown(uint32_t key, uint32_t repeat, uint32_t flags) override;
    void OnUnitsChanged() override;

    bool Snap(IntPoint fine, IntPoint& snapped) override;
    bool SnapsToShownGrid() const override;

    // Told after the current layer's calibration changed (the grid spacing follows it).
    std::function<void()> calibrationChanged;
    // Told after the readout left status panes 1 to 3, which show other things the rest of the time.
    std::function<void()> readoutCleared;

private:
    void CreatePanel() override;
    void RefreshPanel();
    void RefreshScaleList();
    void FillGranularities();
    void SyncChecks();
    void SetState(int32_t state);
    void SetLayerScale(LayerObject& layer, double factor);
    void AskForDrawingScale(LayerObject& layer);
    void CalibrationDone();
    void ShowReadout(IntPoint to);
    void ClearReadout();
    std::string Length(double fineLength) const;
    void StopLine();
    LayerObject* Layer() const;
    template <class C> C* Control(int32_t id) { return dynamic_cast<C*>(MutablePanel().Find(id)); }

    MeasureContext m_c;
    ScalingTool* m_scalingTool = nullptr;
    int32_t m_state = kIdle;
    double m_entered = 0.0;
    bool m_enteredMetric = false;
    IntPoint m_first;
    IntPoint m_start;
    IntPoint m_reference;
    IntPoint m_last;
    bool m_hasReadout = false;
    bool m_polar = false;
    bool m_relative = false;
    bool m_snap = false;
    bool m_newOrigin = false;
    bool m_current = false;
    int32_t m_units = -1; // 0 ft-in, 1 meter; -1 follows the preference
    // Per units system (ft-in, meter): 1/4" and 0.01 m, and 15 degrees.
    std::array<int32_t, 2> m_distanceIndex{5, 4};
    std::array<int32_t, 2> m_angleIndex{16, 16};
};

} // namespace ts
