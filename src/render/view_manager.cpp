#include "render/view_manager.h"

#include <algorithm>
#include <cstring>

namespace ts {

ViewManager::ViewManager(Compositor& compositor) : m_compositor(compositor) {}

bool ViewManager::ResizeDrawing(int32_t width, int32_t height) {
    Image24 view;
    if (!view.Create(std::max(1, width), std::max(1, height)) ||
        !m_painted.Resize(view.Width(), view.Height()) || !m_under.Create(view.Width(), view.Height())) {
        return false;
    }
    m_view = std::move(view);
    return true;
}

bool ViewManager::ResizeClient(int32_t width, int32_t height) {
    Image24 display;
    if (!display.Create(std::max(1, width), std::max(1, height))) {
        return false;
    }
    m_display = std::move(display);
    return true;
}

bool ViewManager::SetZoom(int32_t zoom) {
    if (!IsValidZoom(zoom)) {
        return false;
    }
    m_zoom = zoom;
    if (zoom < 0) {
        m_samples.SetZoom(zoom);
    }
    return true;
}

void ViewManager::SetOrigin(int32_t x, int32_t y) {
    m_originX = x;
    m_originY = y;
}

void ViewManager::Recomposite(const Rect& drawingRect, AverageSampler* sampler) {
    const Rect r = Intersection(drawingRect, Rect{0, 0, m_view.Width(), m_view.Height()});
    if (r.IsEmpty()) {
        return;
    }
    for (int32_t y = r.top; y < r.bottom; ++y) {
        m_compositor.CompositeRow(y, r.left, r.Width(), m_view.Pixel(r.left, y), &m_painted, &m_under,
                                  sampler);
    }
}

Rect ViewManager::ClientRectOf(const Rect& d) const {
    if (m_zoom >= 1) {
        return Rect{(d.left - m_originX) * m_zoom, (d.top - m_originY) * m_zoom,
                    (d.right - m_originX) * m_zoom, (d.bottom - m_originY) * m_zoom};
    }
    const int32_t s = -m_zoom;
    auto down = [s](int32_t v) { return v >= 0 ? v / s : -((-v + s - 1) / s); };
    return Rect{down(d.left - m_originX), down(d.top - m_originY), down(d.right - m_originX + s - 1),
                down(d.bottom - m_originY + s - 1)};
}

// One client row: the drawing part from the view buffer at the zoom, the rest the backdrop colour.
void ViewManager::ClientRow(int32_t cy, int32_t left, int32_t right) {
    uint8_t* out = m_display.Row(cy);
    const uint32_t c = m_backdrop.color;
    const uint8_t backdrop[3] = {static_cast<uint8_t>(c >> 16), static_cast<uint8_t>(c >> 8),
                                 static_cast<uint8_t>(c)};
    for (int32_t x = left; x < right; ++x) {
        std::memcpy(out + static_cast<size_t>(x) * 3, backdrop, 3);
    }
    const Rect drawing = ClientRectOf(Rect{0, 0, m_view.Width(), m_view.Height()});
    if (cy < drawing.top || cy >= drawing.bottom) {
        return;
    }
    const int32_t from = std::max(left, drawing.left);
    const int32_t to = std::min(right, drawing.right);
    if (from >= to) {
        return;
    }
    uint8_t* dest = out + static_cast<size_t>(from) * 3;
    if (m_zoom == 1) {
        std::memcpy(dest, m_view.Pixel(from + m_originX, cy + m_originY), static_cast<size_t>(to - from) * 3);
    } else if (m_zoom > 1) {
        // Output column o of the row shows view column originX + o / z.
        const int32_t z = m_zoom;
        const int32_t viewY = m_originY + cy / z;
        const int32_t firstOut = from;
        const int32_t viewX = m_originX + firstOut / z;
        // Start the magnified run at the beginning of the view pixel that holds `from`.
        const int32_t lead = firstOut % z;
        const int32_t width = to - from + lead;
        m_rowScratch.resize(static_cast<size_t>(width) * 3);
        ViewportFrame::MagnifyRow(m_view.Row(viewY), viewX, width, z, cy % z,
                                  m_compositor.switches.showLines ? &m_under : nullptr, m_rowScratch.data());
        std::memcpy(dest, m_rowScratch.data() + static_cast<size_t>(lead) * 3,
                    static_cast<size_t>(to - from) * 3);
    } else {
        const int32_t s = -m_zoom;
        const int32_t lastRow = m_originY + cy * s + s - 1;
        ViewportFrame::ShrinkRow(m_view, std::min(lastRow, m_view.Height() - 1), m_originX + from * s,
                                 to - from, m_samples, dest);
    }
}

void ViewManager::RebuildClient(const Rect& clientRect) {
    const Rect r = Intersection(clientRect, Rect{0, 0, m_display.Width(), m_display.Height()});
    if (r.IsEmpty()) {
        return;
    }
    for (int32_t cy = r.top; cy < r.bottom; ++cy) {
        if (m_zoom > 1) {
            // The under-pixel row of the view row shown here.
            const int32_t viewY = m_originY + cy / m_zoom;
            if (viewY >= 0 && viewY < m_under.Height()) {
                m_under.LoadRow(viewY);
            }
        }
        ClientRow(cy, r.left, r.right);
    }
}

} // namespace ts
