#pragma once

#include "interact/controls.h"
#include "interact/env.h"
#include "interact/overlays.h"
#include "interact/screen_tool.h"
#include "interact/view_geometry.h"
#include "measure/units_manager.h"
#include "model/image_stack_manager.h"
#include "modes/layer_crop.h"
#include "platform/image24.h"
#include "platform/user_interface.h"

#include <array>
#include <cstdint>
#include <string>

namespace ts {

// The cropping frame: a rectangle of drawing pixels drawn as an inverted outline with eight cutting
// handles, numbered as the selection frame's (0 left middle, 1 top left, then round clockwise; 8 the
// body). Unlike the selection frame it keeps the rectangle it was given or dragged to.
class CropTracker final : public Overlay {
public:
    static constexpr int32_t kBody = 8;
    static constexpr int32_t kHandleSize = 9; // view pixels, the size of the handle picture

    CropTracker(OverlayPainter& painter, const ViewGeometry& geometry)
        : m_painter(painter), m_geometry(geometry) {}

    // The handle picture ("res/crop_han_rgb.bmp"); without one the handles are drawn as black squares
    // with a white cross.
    void SetHandlePicture(Image24 picture) { m_picture = std::move(picture); }
    void Show() { m_painter.Show(*this); }
    void Hide() { m_painter.Hide(*this); }
    // A new frame; repainted where the old one was when shown.
    void SetFrame(const Rect& frame);
    const Rect& Frame() const { return m_frame; }
    // The handle under a view point, kBody inside the frame, else -1.
    int32_t HitAt(int32_t x, int32_t y) const;

    void BeginDrag(int32_t hit, int32_t x, int32_t y);
    bool Dragging() const { return m_hit >= 0; }
    // The dragged sides follow the pointer, each kept a pixel from the opposite side.
    void Drag(int32_t x, int32_t y);
    void EndDrag() { m_hit = -1; }

    Rect Bounds() const override;
    void Draw(Image24& display, const Rect& clip) const override;

private:
    std::array<Rect, 8> Handles() const;

    OverlayPainter& m_painter;
    const ViewGeometry& m_geometry;
    Image24 m_picture;
    Rect m_frame;
    Rect m_start;
    IntPoint m_press;
    int32_t m_hit = -1;
};

class CCropManager;

// The hand of the crop mode: presses on the frame's handles size it, on its body move it, and a press
// elsewhere on the drawing begins a new frame there.
class CropTool final : public ScreenTool {
public:
    CropTool(ToolContext& context, CCropManager& crop);
    bool OnLButtonDown(uint32_t flags, int32_t x, int32_t y) override;
    bool OnMouseMove(uint32_t flags, int32_t x, int32_t y) override;
    bool OnLButtonUp(uint32_t flags, int32_t x, int32_t y) override;

private:
    CCropManager& m_crop;
};

// The crop/expand mode (Page > Size): a frame over the current layer, dragged or typed, to which the
// layer is cut or with empty margin extended. Enter applies it with the page-edge rule (a side of
// the frame left on the page's edge keeps the layer's side); the bar's "Crop/Expand" applies it as it
// stands, so a frame of the whole page brings the layer to exactly the page.
//
// The bar shows the frame's width and height in the unit of the "Units" list, which sets the units
// manager's unit:
// - "in" .. "m": the frame's size on the page (300 page dots, 75 drawing pixels an inch), converted;
// - "pix": whole drawing pixels (the layer's own pixels);
// - "%": per cent of the layer's size when the mode was entered;
// - "real": the real-world size in feet and inches through the layer's calibration, else its
//   architectural scale, else the page itself (one inch of page is one inch).
// A typed size moves the right or the bottom side; what is typed stays in the edit while it is typed.
// "To Board" sets the frame to the whole page (the refresh reads "Reset Object Size"): "Crop/Expand"
// then fits the layer to the board. "All Layers" cuts every layer above the paper to the frame.
// Other commands and leaving the mode never apply a pending frame: it is dropped.
class CCropManager final : public EnvEffect {
public:
    static constexpr const char* kTitle = "Crop/Expand";
    static constexpr const char* kPrompt = "Adjust cropping frame";
    static constexpr const char* kResetReason = "Reset Object Size";

    static constexpr int32_t kApplyButton = 100;
    static constexpr int32_t kWidth = 101;
    static constexpr int32_t kHeight = 102;
    static constexpr int32_t kUnits = 103;
    static constexpr int32_t kToBoard = 104;
    static constexpr int32_t kAllLayers = 105;
    static constexpr std::array<const char*, 8> kUnitItems{"in", "ft", "mm", "cm", "m", "pix", "%", "real"};
    static constexpr double kDrawingPixelsPerInch = 75.0;

    CCropManager(ImageStackManager& stack, LayerCropper& cropper, UnitsManager& units,
                 RefreshRequests& refresh, ToolView& tools, OverlayPainter& painter,
                 const ViewGeometry& geometry);

    void SetTool(CropTool* tool) { m_tool = tool; }
    CropTracker& CropFrame() { return m_tracker; }

    bool Activate() override;
    bool Deactivate(int32_t how) override;
    bool OnPanelCommand(int32_t id) override;
    bool OnKeyDown(uint32_t key, uint32_t repeat, uint32_t flags) override;
    void OnUnitsChanged() override;

    // Applies the frame: from Enter with the page-edge rule, from the bar without it when the frame is
    // the whole page. False when nothing was pending or nothing changed.
    bool Apply(bool fromBar);
    // The frame becomes the page ("To Board").
    void ResetToPage();
    bool Pending() const { return m_pending; }
    bool AllLayers() const { return m_allLayers; }
    const Rect& Frame() const { return m_tracker.Frame(); }
    // The frame set by the program (a drag's end, a typed size): pending when it differs from the layer.
    void SetFrame(const Rect& frame);

    // The tool's gestures (view pixels).
    void OnPress(int32_t x, int32_t y);
    void OnDrag(int32_t x, int32_t y);
    void OnRelease(int32_t x, int32_t y);

    // A size in drawing pixels as the bar shows it in the unit, and a typed text read back (false
    // when it does not read as a size of at least one pixel). base is the size the "%" unit counts from.
    std::string FormatSize(int32_t pixels, int32_t base) const;
    bool ParseSize(const std::string& text, int32_t base, int32_t& pixels) const;

private:
    void CreatePanel() override;
    void ShowSizes();
    void SelectUnitItem();
    // Fine units per metre for the "real" unit.
    double RealCalibration() const;
    const LayerObject* CurrentLayer() const;
    void TypedSize(int32_t id);

    ImageStackManager& m_stack;
    LayerCropper& m_cropper;
    UnitsManager& m_units;
    RefreshRequests& m_refresh;
    ToolView& m_tools;
    CropTool* m_tool = nullptr;
    CropTracker m_tracker;
    Rect m_beforePress;       // the frame before the press of a drag
    int32_t m_entryWidth = 1; // the layer's size on entering, for "%"
    int32_t m_entryHeight = 1;
    bool m_pending = false;
    bool m_allLayers = false;
    bool m_current = false;
};

} // namespace ts
