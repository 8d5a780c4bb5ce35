#pragma once

#include "interact/env.h"
#include "interact/overlays.h"
#include "interact/rubber_line.h"
#include "modes/brush_stroke.h"
#include "render/compositor.h"
#include "render/line_renderer.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace ts {

// The segments of the line being drawn on the current layer, drawn thin over the picture: plain ones
// in blue, selected ones in red, so that the user sees what a double click will render.
class SegmentOverlay final : public Overlay {
public:
    static constexpr uint32_t kPlain = 0xFF0000;    // 0x00BBGGRR: blue
    static constexpr uint32_t kSelected = 0x0000FF; // red

    SegmentOverlay(ImageStackManager& stack, const ViewGeometry& geometry)
        : m_stack(stack), m_geometry(geometry) {}

    Rect Bounds() const override;
    void Draw(Image24& display, const Rect& clip) const override;

private:
    // The current drawing layer's segments, or null when it has none.
    const PointMemory* Points() const;

    ImageStackManager& m_stack;
    const ViewGeometry& m_geometry;
};

// The style, width and colour bytes of a layer's line pixels in a rectangle, kept while a new line is
// drawn over them and put back afterwards, so that crossings keep the older line's look.
struct LineBytes {
    Rect box;
    std::vector<uint16_t> occupancy;
    std::vector<uint8_t> style;
    std::vector<uint8_t> width;
    std::vector<uint8_t> color;

    bool Keep(LayerObject& layer, const Rect& layerBox);
    // True when a byte was put back.
    bool Restore(LayerObject& layer) const;
};

// The line mode: draws straight polylines into the current line layer and restyles the lines already
// drawn (width, dash style, freehand wobble, colour), per line with the pen or for the whole layer with
// "All". The segments of the polyline being drawn live in the layer's point memory until the line is
// finished (double click, Esc, or any command), when the renderer turns them into line pixels.
class LineManager final : public EnvTool {
public:
    static constexpr const char* kTitle = "Lines";
    static constexpr const char* kPrompt = "Draw new lines or edit existing lines.";
    static constexpr const char* kOffsetPrompt = "Click on a line segment to create an offset segment.";
    static constexpr const char* kPartialErasePrompt =
        "Erase partial segments. Bounded by one or two selected segments.";
    static constexpr const char* kDrawingPrompt = "Double Click or Esc = stop drawing segments.";
    static constexpr const char* kSketchFrameWarning = "It appears that you are about to draw lines in the "
                                                       "Sketch Frame layer.\nNormally you would draw in a "
                                                       "separate layer on top of the frame layer.";
    static constexpr const char* kIncMessage = "Increment is for Width or Freehand.";
    static constexpr const char* kDecMessage = "Decrement is for Width or Freehand.";
    static constexpr const char* kAllMessage =
        "All is for Erase, Appearance, Color, Width, Style,or Freehand.";
    static constexpr const char* kMultipleColors = "This object currently contains multiple line "
                                                   "colors.\nContinuing will set all line colors to the new "
                                                   "color.\nContinue?";
    static constexpr const char* kNoLines = "No lines found in selected layer.";
    static constexpr const char* kNoSelected = "Couldn't find any selected segments.";
    static constexpr const char* kNoTwoSegments = "Couldn't find two line segments. Please repeat.";
    static constexpr const char* kVanishingRemoved = "Vanishing Points have been removed.";
    static constexpr const char* kArrayCount = "Enter the number of array segments.";
    static constexpr const char* kArrayTwo = "Two line segments must be selected.";
    static constexpr const char* kArrayDone = "  Array done.";
    // The status bar pane that shows the current vanishing point while the mode is current.
    static constexpr int kVanishingPane = 1;
    static constexpr int32_t kMaxArrayCount = 100;

    // Panel identifiers.
    static constexpr int32_t kLinesTitle = 119;
    static constexpr int32_t kDrawLine = 120;
    static constexpr int32_t kSample = 121;
    static constexpr int32_t kErase = 122;
    static constexpr int32_t kAppearance = 123;
    static constexpr int32_t kColor = 124;
    static constexpr int32_t kWidth = 125;
    static constexpr int32_t kStyle = 126;
    static constexpr int32_t kFreehand = 127;
    static constexpr int32_t kReplace = 128;
    static constexpr int32_t kInc = 129;
    static constexpr int32_t kDec = 130;
    static constexpr int32_t kAll = 131;
    static constexpr int32_t kArrayCountBox = 132;
    static constexpr int32_t kSetVanishingPoint = 133;
    static constexpr int32_t kRemoveVanishingPoints = 134;
    static constexpr int32_t kArray = 135;
    static constexpr int32_t kStyleCombo = 102;
    static constexpr int32_t kWidthCombo = 104;
    static constexpr int32_t kFreehandSlider = 105;

    // The pen's variants.
    enum PenVariant : int32_t {
        kPenAppearance = 0,
        kPenWidth = 1,
        kPenColor = 2,
        kPenFreehand = 3,
        kPenStyle = 4,
        kPenRepair = 5
    };

    // The tools the mode hands the mouse to.
    struct Tools {
        ScreenTool* line = nullptr;
        ScreenTool* dropper = nullptr;
        ScreenTool* eraser = nullptr;
        ScreenTool* pen = nullptr;
    };

    LineManager(PaintingContext& context, EnvironmentManager& environment, ViewSwitches& switches,
                RubberLine& rubber, OverlayPainter& painter, SegmentOverlay& overlay);

    void SetTools(const Tools& tools) { m_tools = tools; }
    // Whether a switch away from the mode keeps the unfinished segments (the quick switch to the select
    // mode, where they are edited); without it every switch finishes the line.
    void SetKeepSegments(std::function<bool()> keep) { m_keepSegments = std::move(keep); }

    bool Activate() override;
    bool Deactivate(int32_t how) override;
    bool Commit(int32_t how) override;
    bool SupportsQuickSwitch() override { return true; }
    bool OnPanelCommand(int32_t id) override;
    bool OnPointPress(uint32_t flags, int32_t x, int32_t y) override;
    bool OnRubberLineEnded() override;
    void OnRubberLineAborted() override;
    bool OnDoubleClick(uint32_t flags, int32_t x, int32_t y) override;
    bool OnKeyDown(uint32_t key, uint32_t repeat, uint32_t flags) override;
    bool OnEditPress(uint32_t flags, int32_t x, int32_t y) override;
    bool OnEditDrag(uint32_t flags, int32_t x, int32_t y) override;
    bool OnEditRelease(uint32_t flags, int32_t x, int32_t y) override;
    bool OnPaintPress(uint32_t flags, int32_t x, int32_t y) override;
    bool OnPaintDrag(uint32_t flags, int32_t x, int32_t y) override;
    bool OnPaintRelease(uint32_t flags, int32_t x, int32_t y) override;
    bool OnErasePress(uint32_t flags, int32_t x, int32_t y) override;
    bool OnEraseDrag(uint32_t flags, int32_t x, int32_t y) override;
    bool OnEraseRelease(uint32_t flags, int32_t x, int32_t y) override;
    bool OnPartialErasePress(uint32_t flags, int32_t x, int32_t y) override;
    bool OnSamplePress(uint32_t flags, int32_t x, int32_t y) override;
    bool OnRayToolSelected() override { return true; }
    bool OnOffsetToolSelected() override { return true; }
    bool CanUndoStroke() override { return m_stroke.CanUndo(); }
    void UndoStroke() override;
    void OnPaletteColorChanged() override;
    bool ShowsVanishingPoint() override { return true; }
    bool LeaveBeforeUndo() override;
    bool LeaveBeforeRedo() override;

    // Reads the panel into the settings the next line is drawn with; the colour is added to the current
    // layer's colour table (slot 0 when it is full).
    void ReadPanel();
    const LineSettings& Settings() const { return m_settings; }
    // The width the panel's combo shows now (what the last line was drawn with before the panel exists).
    int32_t PanelWidth() const;
    uint32_t CurrentColor() const { return m_color; }
    int32_t SelectedRadio() const { return m_radio; }
    int32_t PenVariant() const { return m_penVariant; }
    void SetPenVariant(int32_t variant);
    int32_t WidthMode() const { return m_widthMode; }

    // Renders the unfinished segments of the current layer with the panel's settings and forgets them;
    // false when there were none.
    bool FinishLine();
    // Backspace: the last segment goes (and the rubber line goes back to its start).
    void RemoveLastSegment();
    // Delete: the selected segments go; false when none was selected.
    bool DeleteSelectedSegments();

    // The commands of the mode.
    bool SetVanishingPoint();
    void RemoveVanishingPoints();
    bool Array();
    // "VP: " and the current vanishing point's number (1-based), or "None".
    std::string VanishingPointText() const;
    void ShowVanishingPoint() const;

    // "All" with each radio button; each is one undo step.
    bool EraseAllLines();
    bool ApplyAppearanceToAll();
    bool ApplyColorToAll();
    bool ApplyWidthToAll(int32_t mode);
    bool ApplyFreehandToAll(int32_t step, bool relative);
    bool ApplyStyleToAll();
    // The offset tools: a parallel copy of the segment under a view point, through a second point.
    bool OffsetSegment(int32_t pressX, int32_t pressY, int32_t toX, int32_t toY, bool ray);

private:
    void CreatePanel() override;
    void PressRadio(int32_t id);
    void SelectTool(ScreenTool* tool);
    void EnableStepButtons(bool inc, bool dec);
    // The current drawing layer when it is a line layer with its line part (made on first use).
    LayerObject* LineLayer();
    PointMemory* Points();
    void ShowSegments();
    // Takes the rubber line off without a segment.
    void DropRubberLine();
    void RefreshView(const char* reason);
    // The segment nearest a view point within 4 view pixels (its index), or -1.
    int32_t SegmentAt(int32_t x, int32_t y) const;
    // Adds a segment in drawing fine coordinates, clipped to the layer; false when nothing of it is left.
    bool AddClipped(IntPoint a, IntPoint b);
    // Runs over every line pixel of the layer: change(occupancy, style, width, colour) may rewrite the
    // bytes. Returns whether any byte changed.
    template <class Change> bool ForEveryLinePixel(LayerObject& layer, Change change);
    // One undo step for a whole-layer change, then the redraw and its refresh.
    void BeginLayerChange(LayerObject& layer);
    void EndLayerChange(LayerObject& layer, const char* reason);
    // The distinct colours of the layer's line pixels.
    int32_t ColorsInUse(LayerObject& layer);
    bool SampleAt(int32_t x, int32_t y);
    bool StartPenStroke(int32_t x, int32_t y);

    PaintingContext& m_c;
    EnvironmentManager& m_environment;
    ViewSwitches& m_switches;
    RubberLine& m_rubber;
    OverlayPainter& m_painter;
    SegmentOverlay& m_overlay;
    BrushStroke m_stroke;
    DotDashGapMask m_dashes;
    Tools m_tools;
    std::function<bool()> m_keepSegments;
    LineSettings m_settings;
    uint32_t m_color = 0;
    int32_t m_radio = kDrawLine;
    int32_t m_penVariant = kPenAppearance;
    int32_t m_widthMode = 0;
    // The vertex being dragged in edit mode (drawing fine coordinates).
    IntPoint m_grabbed;
    bool m_editing = false;
    bool m_finishing = false;
    bool m_dropping = false;
};

} // namespace ts
