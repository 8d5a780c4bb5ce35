#pragma once

#include "interact/overlays.h"
#include "interact/view_geometry.h"
#include "model/image_stack_manager.h"
#include "model/point_ts.h"
#include "raster/rect.h"
#include "render/compositor.h"

#include <array>
#include <cstdint>
#include <vector>

namespace ts {

// The selection frame around the current layer, with eight sizing handles. Handles are numbered from
// the left middle: 0 left middle, 1 top left, 2 top middle, 3 top right, 4 right middle, 5 bottom
// right, 6 bottom middle, 7 bottom left; 8 stands for the frame's body. While shown and not dragged it
// follows the current layer's bounds; a drag moves the frame (body) or its handle's sides.
class SelectionTracker final : public Overlay {
public:
    static constexpr int32_t kBody = 8;
    static constexpr int32_t kHandleSize = 7; // view pixels

    SelectionTracker(OverlayPainter& painter, const ViewGeometry& geometry, const ImageStackManager& stack)
        : m_painter(painter), m_geometry(geometry), m_stack(stack) {}

    void Show() { m_painter.Show(*this); }
    void Hide();
    // The frame in drawing pixels: the dragged frame, else the current drawing layer's bounds (empty
    // without one).
    Rect Frame() const;
    Rect ClientFrame() const { return m_geometry.ToClient(Frame()); }
    std::array<Rect, 8> Handles() const;
    // The first handle holding the view point, or -1.
    int32_t HandleAt(int32_t x, int32_t y) const;
    bool Inside(int32_t x, int32_t y) const { return ViewGeometry::Contains(ClientFrame(), x, y); }
    // The sizing cursor of a handle.
    static int32_t HandleCursor(int32_t handle);

    void BeginDrag(int32_t hit, int32_t x, int32_t y);
    bool Dragging() const { return m_hit >= 0; }
    int32_t DragHit() const { return m_hit; }
    // Follows the pointer; with the proportion lock a sizing drag keeps the frame's width-to-height
    // ratio.
    void Drag(int32_t x, int32_t y, bool proportional);
    // The frame the drag ended with; the frame follows the layer again.
    Rect EndDrag();
    void CancelDrag();

    Rect Bounds() const override;
    void Draw(Image24& display, const Rect& clip) const override;

private:
    void SetDragFrame(const Rect& frame);

    OverlayPainter& m_painter;
    const ViewGeometry& m_geometry;
    const ImageStackManager& m_stack;
    Rect m_start;     // the frame at the press
    Rect m_drag;      // the frame being dragged
    IntPoint m_press; // drawing pixels
    int32_t m_hit = -1;
};

// Picks the layer under a point: a square around it is rendered once per layer into coverage, the
// upper layers hiding the lower ones in proportion to their coverage, and the layer that shows most
// wins; on a tie the upper layer. -1 when no layer shows anything there.
class SelectionDetector {
public:
    SelectionDetector(const ImageStackManager& stack, const ViewSwitches& switches)
        : m_stack(stack), m_switches(switches) {}

    // The square has 2c + 1 drawing pixels a side around the drawing point.
    int32_t Pick(IntPoint drawingPoint, int32_t c) const;
    // What each layer shows of the square (indexed by layer; the base entries are 0).
    std::vector<int64_t> Contributions(IntPoint drawingPoint, int32_t c) const;

private:
    // The layer's coverage (0-255) of each pixel of the square.
    std::vector<uint8_t> Coverage(const LayerObject& layer, const Rect& square) const;

    const ImageStackManager& m_stack;
    const ViewSwitches& m_switches;
};

} // namespace ts
