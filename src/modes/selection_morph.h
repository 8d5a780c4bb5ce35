#pragma once

#include "document/undo_store.h"
#include "interact/env.h"
#include "interact/overlays.h"
#include "interact/screen_tool.h"
#include "interact/view_geometry.h"
#include "model/image_stack_manager.h"
#include "perspective/morph_mesh.h"
#include "platform/user_interface.h"
#include "render/refresh_requests.h"

#include <array>
#include <cstdint>
#include <string>

namespace ts {

// The target quadrilateral of a morph, drawn over the drawing with a handle at each corner: the
// corners (page pixels; top-left, top-right, bottom-right, bottom-left), the source rectangle (the
// layer's), the corner being dragged and the mesh over the quadrilateral, rebuilt at every change.
class MorphSelector final : public Overlay {
public:
    static constexpr int32_t kHandleSize = 7; // view pixels
    static constexpr int32_t kWhole = 4;      // a drag of the whole quadrilateral

    MorphSelector(OverlayPainter& painter, const ViewGeometry& geometry, RefreshRequests& refresh)
        : m_painter(painter), m_geometry(geometry), m_refresh(refresh) {}

    // The corners on the rectangle's corners: the identity morph.
    void Reset(const Rect& source);
    void SetCorners(const std::array<IntPoint, 4>& corners);
    const std::array<IntPoint, 4>& Corners() const { return m_corners; }
    std::array<PointTS, 4> CornerPoints() const;
    const Rect& Source() const { return m_source; }
    const MorphMesh& Mesh() const { return m_mesh; }

    // The corner whose handle holds the view point, kWhole inside the quadrilateral, else -1.
    int32_t HitTest(int32_t x, int32_t y) const;
    void BeginDrag(int32_t part, IntPoint drawingPoint);
    void Drag(IntPoint drawingPoint);
    void EndDrag() { m_dragging = -1; }
    int32_t Dragging() const { return m_dragging; }

    void Show();
    // Takes the outline off the screen ("SelectionMorphTakeDown").
    void TakeDown();

    Rect Bounds() const override;
    void Draw(Image24& display, const Rect& clip) const override;

private:
    IntPoint Client(const IntPoint& page) const;
    // Rebuilds the mesh and redraws the outline, recording why.
    void Changed(const char* reason);

    OverlayPainter& m_painter;
    const ViewGeometry& m_geometry;
    RefreshRequests& m_refresh;
    std::array<IntPoint, 4> m_corners{};
    Rect m_source;
    MorphMesh m_mesh;
    int32_t m_dragging = -1;
    IntPoint m_last;
};

// The perspective morph mode: lays the current layer onto the quadrilateral of its selector. The bar
// picks the components to transform, puts the corners back on the layer ("Perspective"), takes them
// from a frame layer ("Floorplan", "Sketch Frame": the four floor corners the frame stored) and does
// the transform ("Create Perspective").
class SelectionMorph final : public EnvTool {
public:
    static constexpr const char* kTitle = "Selection Transform";
    static constexpr const char* kPrompt = "Move frame, adjust corners,press Do Transform.";
    static constexpr const char* kNothingChosen = "No transform type selected.";
    static constexpr const char* kNoLayer = "Select a layer to transform.";
    static constexpr const char* kBadShape =
        "The transform frame needs four corners that make a convex shape.\nMove the corners apart and "
        "try again.";
    static constexpr const char* kTooLarge = "The transform frame is too large to make a layer of.";
    static constexpr const char* kNoMemory = "There is not enough memory to transform this layer.";
    static constexpr const char* kNoSketchFrame =
        "There is no Sketch Frame to transform onto.\nCreate a Sketch Frame first.";
    static constexpr const char* kNoFloorPlan =
        "There is no FloorPlan Frame to transform onto.\nCreate a floor plan frame first.";
    static constexpr const char* kFloorPlanFrameName = "FloorPlan Frame";

    static constexpr int32_t kLinesId = 101;
    static constexpr int32_t kLightingId = 102;
    static constexpr int32_t kSurfaceId = 103;
    static constexpr int32_t kPerspectiveId = 104;
    static constexpr int32_t kCreateId = 105;
    static constexpr int32_t kFloorplanId = 106;
    static constexpr int32_t kSketchFrameId = 107;

    SelectionMorph(ImageStackManager& stack, UndoStore& undo, RefreshRequests& refresh, UserInterface& ui,
                   OverlayPainter& painter, const ViewGeometry& geometry);

    bool Activate() override;
    bool Deactivate(int32_t how) override;
    bool OnPanelCommand(int32_t id) override;

    MorphSelector& Selector() { return m_selector; }
    // The components chosen (kMorphLines, kMorphLighting, kMorphSurface bits).
    uint32_t Components() const { return m_components; }
    void SetComponents(uint32_t components);
    // Puts the corners on a frame layer's floor corners; false (with a message) when that layer or
    // its corners are missing.
    bool TakeFrameCorners(const char* layerName);
    // Lays the current layer onto the quadrilateral (undoable). False, with a message, when nothing is
    // chosen, no layer is current or the quadrilateral cannot be morphed onto.
    bool CreatePerspective();

private:
    void CreatePanel() override;
    LayerObject* CurrentDrawingLayer();

    ImageStackManager& m_stack;
    UndoStore& m_undo;
    RefreshRequests& m_refresh;
    UserInterface& m_ui;
    MorphSelector m_selector;
    uint32_t m_components;
};

// The morph mode's hand: drags a corner handle or the whole quadrilateral; the size-all cursor shows
// over either.
class MorphTool final : public ScreenTool {
public:
    MorphTool(ToolContext& context, SelectionMorph& morph, int32_t commandId);
    void Activate() override;
    void SetCursor() override;
    bool OnLButtonDown(uint32_t flags, int32_t x, int32_t y) override;
    bool OnMouseMove(uint32_t flags, int32_t x, int32_t y) override;
    bool OnLButtonUp(uint32_t flags, int32_t x, int32_t y) override;

private:
    SelectionMorph& m_morph;
};

} // namespace ts
