#pragma once

#include "interact/controls.h"
#include "interact/env.h"
#include "interact/screen_tool.h"
#include "modes/brush_stroke.h"
#include "perspective/frame_geometry.h"
#include "platform/profile_manager.h"

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace ts {

class SketchFrame;

// The frame panel's own parent for its edit boxes: Tab moves the focus through the fields in their
// order (Width .. Vision Angle, then Width again) and the field entered has its whole text selected.
class FrameControlPanel final : public ControlParent {
public:
    void SetFields(std::array<EditBox*, 11> fields) { m_fields = fields; }
    void OnControlCommand(int32_t id, CControl& from) override;
    // The field that has the focus (-1: none) and whether its whole text is selected.
    int32_t Focus() const { return m_focus; }
    bool WholeTextSelected() const { return m_selectAll; }
    void SetFocus(int32_t field) {
        m_focus = field;
        m_selectAll = false;
    }
    // Told the field Tab moved to, for the widgets to follow.
    std::function<void(CControl&)> focusChanged;

private:
    std::array<EditBox*, 11> m_fields{};
    int32_t m_focus = -1;
    bool m_selectAll = false;
};

// The frame tool: a drag moves the frame drawn in this visit of the mode across the drawing (its
// vanishing points and corners go with it, being kept in the layer's pixels).
class SketchFrameTool final : public ScreenTool {
public:
    SketchFrameTool(ToolContext& context, SketchFrame& mode);
    void SetCursor() override;
    bool OnLButtonDown(uint32_t flags, int32_t x, int32_t y) override;
    bool OnMouseMove(uint32_t flags, int32_t x, int32_t y) override;
    bool OnLButtonUp(uint32_t flags, int32_t x, int32_t y) override;

private:
    SketchFrame& m_mode;
};

// The sketch frame mode: a perspective drawing of a box with grids on its floor and walls, made from the
// dimensions typed into the frame panel, on a layer of its own ("Sketch Frame"; "FloorPlan Frame" when
// the drawing has a floor plan layer, whose size and scale then give the width and depth). Lengths are
// typed in feet and kept in inches. Create draws the frame; afterwards, in the same visit, every change
// of a field draws it again in place.
// The frame layer's Wireframe keeps, in its pixels:
// - corners: the box's floor as a quadrilateral, top left, top right, bottom right, bottom left (the far
//   left, far right, near right and near left floor corners as drawn); the morph takes them as the
//   "Sketch Frame" target;
// - vanishingPoints: where the box's two horizontal edge directions meet the horizon (none for a
//   direction parallel to the picture, none for a flat frame), the first current. A layer drawn over the
//   frame that has none of its own aims its Ctrl-constrained lines at them (VanishingPointLayer).
class SketchFrame final : public EnvEffect {
public:
    static constexpr const char* kTitle = "Sketch Frame";
    static constexpr const char* kPrompt = "Create a sketch frame overlay.";
    static constexpr const char* kEyeTooClose =
        "The eye distance is too small to create this frame.\nMove back a little and try again.";
    static constexpr const char* kSpacingNotPositive = "The minor spacing must be greater than zero.";
    static constexpr const char* kSpacingTooSmall =
        "The minor spacing is too small for this frame.\nA grid may have at most 4000 lines.";
    static constexpr const char* kNoMemory = "There is not enough memory to create this frame.";
    static constexpr std::array<const char*, 5> kFloorPlanNames{"FloorPlan", "Floor Plan", "floor plan",
                                                                "floorplan", "Floorplan"};
    // Inches in a metre, as a floor plan with metric units is read across and in depth.
    static constexpr double kMetricWidthFactor = 39.38;
    static constexpr double kMetricDepthFactor = 39.34;

    static constexpr int32_t kSketchFrameButton = 101;
    static constexpr int32_t kCreateButton = 102;
    static constexpr int32_t kFlatViewButton = 103;
    static constexpr int32_t kInteriorCheck = 104;
    static constexpr int32_t kFlatCheck = 105;
    // The fields in their Tab order.
    static constexpr int32_t kFirstField = 121;
    enum Field : int32_t {
        kWidth,
        kDepth,
        kHeight,
        kRotation,
        kMajorSpacing,
        kMinorSpacing,
        kCentering,
        kMargin,
        kEyeHeight,
        kViewDistance,
        kVisionAngle,
        kFieldCount
    };
    static constexpr std::array<const char*, kFieldCount> kFieldCaptions{
        "Width",     "Depth",  "Height",     "Rotation",      "Major Spacing", "Minor Spacing",
        "Centering", "Margin", "Eye Height", "View Distance", "Vision Angle"};
    static constexpr std::array<const char*, kFieldCount> kFieldDefaults{
        "40.0", "50.0", "10.0", "30.0", "10.0", "2.0", "0.0", "0.05", "5.0", "120.0", "60"};

    SketchFrame(PaintingContext& context, ProfileManager& profile);
    void SetTool(SketchFrameTool* tool) { m_tool = tool; }

    bool Activate() override;
    bool Deactivate(int32_t how) override;
    bool Commit(int32_t) override { return true; }
    bool OnPanelCommand(int32_t id) override;

    // The panel's values: lengths in inches; the floor plan's size is not applied here.
    FrameParameters ReadPanel() const;
    // Draws the frame on a new frame layer (one undo record takes it away). False with the message when
    // the frame cannot be made; nothing is changed then.
    bool Create();
    // Depth, Rotation and Eye Height 0, View Distance 1,000,000: the frame seen straight on.
    void FlatView();
    // Width and depth in inches from the drawing's floor plan layer: its pixel size / resolution x scale
    // x 4 (x 39.38 across and 39.34 in depth with metric units). False when there is no floor plan layer,
    // or it has no scale or resolution: the typed width and depth stand.
    bool FloorPlanSize(double& width, double& depth) const;

    FrameControlPanel& FramePanel() { return m_framePanel; }
    // The frame layer drawn in this visit, or null.
    LayerObject* FrameLayer();

    // The frame tool's gesture, in fine drawing units.
    void Press(IntPoint fine);
    void Drag(IntPoint fine);
    void Release();

private:
    void CreatePanel() override;
    EditBox* FieldBox(int32_t field) const;
    void RemoveLoneBlankLayer();
    void DeleteFrameLayers();
    // Clears the frame layer and draws the frame of the parameters into it; false when it cannot.
    bool Draw(LayerObject& layer, const FrameGeometry& geometry, const std::vector<FrameLine>& lines);
    // The parameters with the floor plan's size when there is one, and the layer name they go on.
    FrameParameters Effective(std::string& layerName) const;

    PaintingContext& m_c;
    ProfileManager& m_profile;
    SketchFrameTool* m_tool = nullptr;
    FrameControlPanel m_framePanel;
    uint32_t m_frameLayerId = 0; // the frame made in this visit; 0: none yet
    bool m_dragging = false;
    bool m_moved = false;
    IntPoint m_pressFine{};
    IntPoint m_pressOffset{};
};

} // namespace ts
