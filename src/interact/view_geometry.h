#pragma once

#include "model/image_stack_manager.h"
#include "model/point_ts.h"
#include "model/view_mapping.h"
#include "raster/rect.h"
#include "render/view_manager.h"

#include <cstdint>

namespace ts {

// Where the drawing lies in the view window and how view pixels map to drawing pixels and to fine
// (quarter drawing pixel) coordinates at the view's zoom and scroll origin. The client area is the
// display buffer; the palette strip, when there is one, takes its bottom or right edge; the canvas is
// the part of the rest that shows the drawing.
// One scroll bar's view of the drawing, in drawing pixels: the origin runs from 0 to maximum (0 when
// the drawing fits the view area) and a page is the view area's extent.
struct ScrollAxis {
    int32_t maximum = 0;
    int32_t page = 0;
    int32_t value = 0;
};

class ViewGeometry {
public:
    ViewGeometry(ViewManager& view, const ImageStackManager& stack) : m_view(view), m_stack(stack) {}

    int32_t Zoom() const { return m_view.Zoom(); }
    Rect Client() const { return Rect{0, 0, m_view.Display().Width(), m_view.Display().Height()}; }
    void SetPaletteArea(const Rect& clientRect) { m_palette = clientRect; }
    const Rect& PaletteArea() const { return m_palette; }
    // The client area without the palette strip.
    Rect ViewArea() const;
    // The client rectangle that shows the drawing (the viewport).
    Rect Canvas() const;
    bool OnCanvas(int32_t x, int32_t y) const { return Contains(Canvas(), x, y); }
    bool OverPalette(int32_t x, int32_t y) const { return Contains(m_palette, x, y); }
    // The drawing does not fit the view area in one direction.
    bool CanPan() const;

    IntPoint ToDrawing(int32_t x, int32_t y) const;
    // The client rectangle that shows a drawing rectangle.
    Rect ToClient(const Rect& drawingRect) const { return m_view.ClientRectOf(drawingRect); }
    IntPoint ToFine(int32_t x, int32_t y) const;
    IntPoint FineToView(int32_t fineX, int32_t fineY) const;
    // Drawing pixels that a view distance spans: d |z| when shrinking, d / z when magnifying.
    int32_t DrawingDistance(int32_t viewPixels) const;
    ViewMapping Mapping() const;

    // Sets the zoom and the scroll origin so that a drawing point shows at a view point, then keeps
    // the drawing in view (Clamp). False for a zoom the view does not know.
    bool ZoomAround(int32_t zoom, IntPoint drawingPoint, IntPoint viewPoint);
    // Moves the scroll origin by drawing pixels, then clamps it.
    void Scroll(int32_t dx, int32_t dy);
    // A drawing smaller than the view area is centred in it; a larger one never leaves a gap at
    // its near edges nor scrolls past its far edges.
    void Clamp();
    // The scroll bars' ranges and positions for the present zoom, origin and view area.
    ScrollAxis HorizontalScroll() const;
    ScrollAxis VerticalScroll() const;

    static bool Contains(const Rect& r, int32_t x, int32_t y) {
        return x >= r.left && x < r.right && y >= r.top && y < r.bottom;
    }

private:
    int32_t ClampAxis(int32_t origin, int32_t drawingSize, int32_t areaSize) const;
    // The area's extent in drawing pixels (a part-pixel at the far edge counts).
    int32_t AreaInDrawing(int32_t areaSize) const;
    ScrollAxis Axis(int32_t origin, int32_t drawingSize, int32_t areaSize) const;

    ViewManager& m_view;
    const ImageStackManager& m_stack;
    Rect m_palette;
};

// Floor division for a positive divisor.
constexpr int32_t FloorDiv(int64_t a, int32_t b) {
    return static_cast<int32_t>(a >= 0 ? a / b : -((-a + b - 1) / b));
}

} // namespace ts
