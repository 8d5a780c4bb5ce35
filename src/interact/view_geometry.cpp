#include "interact/view_geometry.h"

#include "render/viewport.h"

#include <algorithm>

namespace ts {

Rect ViewGeometry::ViewArea() const {
    Rect area = Client();
    if (m_palette.IsEmpty()) {
        return area;
    }
    if (m_palette.left <= area.left && m_palette.right >= area.right) {
        area.bottom = std::clamp(m_palette.top, area.top, area.bottom); // a strip along the bottom
    } else {
        area.right = std::clamp(m_palette.left, area.left, area.right); // a strip along the right
    }
    return area;
}

Rect ViewGeometry::Canvas() const {
    return Intersection(m_view.ClientRectOf(m_stack.DrawingRect()), ViewArea());
}

bool ViewGeometry::CanPan() const {
    const Rect drawing = m_view.ClientRectOf(m_stack.DrawingRect());
    const Rect area = ViewArea();
    return !m_stack.DrawingRect().IsEmpty() &&
           (drawing.Width() > area.Width() || drawing.Height() > area.Height());
}

IntPoint ViewGeometry::ToDrawing(int32_t x, int32_t y) const {
    const int32_t z = Zoom();
    if (z >= 1) {
        return {m_view.OriginX() + FloorDiv(x, z), m_view.OriginY() + FloorDiv(y, z)};
    }
    return {m_view.OriginX() + x * -z, m_view.OriginY() + y * -z};
}

IntPoint ViewGeometry::ToFine(int32_t x, int32_t y) const {
    const int32_t z = Zoom();
    const int32_t ox = 4 * m_view.OriginX();
    const int32_t oy = 4 * m_view.OriginY();
    if (z >= 1) {
        return {ox + FloorDiv(int64_t{4} * x, z), oy + FloorDiv(int64_t{4} * y, z)};
    }
    return {ox + 4 * x * -z, oy + 4 * y * -z};
}

IntPoint ViewGeometry::FineToView(int32_t fineX, int32_t fineY) const {
    const ViewMapping m = Mapping();
    return {m.FineToViewX(fineX), m.FineToViewY(fineY)};
}

int32_t ViewGeometry::DrawingDistance(int32_t viewPixels) const {
    const int32_t z = Zoom();
    return z <= 0 ? viewPixels * -z : viewPixels / z;
}

ViewMapping ViewGeometry::Mapping() const {
    return ViewMapping::FromZoom(Zoom(), 0, 0, m_view.OriginX(), m_view.OriginY());
}

bool ViewGeometry::ZoomAround(int32_t zoom, IntPoint drawingPoint, IntPoint viewPoint) {
    if (!IsValidZoom(zoom) || !m_view.SetZoom(zoom)) {
        return false;
    }
    const int32_t dx = zoom >= 1 ? FloorDiv(viewPoint.x, zoom) : viewPoint.x * -zoom;
    const int32_t dy = zoom >= 1 ? FloorDiv(viewPoint.y, zoom) : viewPoint.y * -zoom;
    m_view.SetOrigin(drawingPoint.x - dx, drawingPoint.y - dy);
    Clamp();
    return true;
}

void ViewGeometry::Scroll(int32_t dx, int32_t dy) {
    m_view.SetOrigin(m_view.OriginX() + dx, m_view.OriginY() + dy);
    Clamp();
}

int32_t ViewGeometry::ClampAxis(int32_t origin, int32_t drawingSize, int32_t areaSize) const {
    const int32_t z = Zoom();
    const int32_t areaInDrawing = AreaInDrawing(areaSize);
    if (drawingSize <= areaInDrawing) {
        const int32_t shownSize = z >= 1 ? drawingSize * z : (drawingSize + -z - 1) / -z;
        const int32_t margin = (areaSize - shownSize) / 2; // view pixels before the drawing
        return z >= 1 ? -(margin / z) : -(margin * -z);
    }
    return std::clamp(origin, 0, drawingSize - areaInDrawing);
}

int32_t ViewGeometry::AreaInDrawing(int32_t areaSize) const {
    const int32_t z = Zoom();
    return z >= 1 ? (areaSize + z - 1) / z : areaSize * -z;
}

ScrollAxis ViewGeometry::Axis(int32_t origin, int32_t drawingSize, int32_t areaSize) const {
    ScrollAxis axis;
    axis.page = std::max(1, AreaInDrawing(areaSize));
    axis.maximum = std::max(0, drawingSize - axis.page);
    axis.value = std::clamp(origin, 0, axis.maximum);
    return axis;
}

ScrollAxis ViewGeometry::HorizontalScroll() const {
    return Axis(m_view.OriginX(), m_stack.DrawingWidth(), ViewArea().Width());
}

ScrollAxis ViewGeometry::VerticalScroll() const {
    return Axis(m_view.OriginY(), m_stack.DrawingHeight(), ViewArea().Height());
}

void ViewGeometry::Clamp() {
    const Rect area = ViewArea();
    m_view.SetOrigin(ClampAxis(m_view.OriginX(), m_stack.DrawingWidth(), area.Width()),
                     ClampAxis(m_view.OriginY(), m_stack.DrawingHeight(), area.Height()));
}

} // namespace ts
