#include "interact/overlays.h"

#include "render/brush_ts.h"

#include <algorithm>
#include <cmath>

namespace ts {

Rect OverlayPainter::Clip(const Rect& r) const {
    return Intersection(r, Rect{0, 0, m_view.Display().Width(), m_view.Display().Height()});
}

void OverlayPainter::Show(Overlay& overlay) {
    const Rect area = Clip(overlay.Bounds());
    overlay.m_shown = true;
    overlay.m_drawn = Union(overlay.m_drawn, area);
    if (!area.IsEmpty()) {
        overlay.Draw(m_view.Display(), area);
        m_window.RepaintWindow(area);
    }
}

void OverlayPainter::Hide(Overlay& overlay) {
    if (!overlay.m_shown) {
        return;
    }
    overlay.m_shown = false;
    // Where it was drawn, and where it would be now (the frame of a layer that moved since).
    const Rect area = Clip(Union(overlay.m_drawn, overlay.Bounds()));
    overlay.m_drawn = Rect{};
    if (area.IsEmpty()) {
        return;
    }
    // Where other shown overlays drew over this one, the saved pixels are not what lies under them:
    // those parts are rebuilt and the others drawn there again.
    std::vector<Rect> others;
    for (Overlay* o : m_overlays) {
        const Rect shared = Intersection(o->m_drawn, area);
        if (o != &overlay && o->m_shown && !shared.IsEmpty()) {
            others.push_back(shared);
        }
    }
    if (overlay.Restore(m_view.Display(), others)) {
        for (const Rect& r : others) {
            m_view.RebuildClient(r);
            Redraw(r);
        }
        m_window.RepaintWindow(area);
        return;
    }
    m_view.RebuildClient(area);
    Redraw(area);
    m_window.RepaintWindow(area);
}

void OverlayPainter::Redraw(const Rect& rebuilt) {
    for (Overlay* o : m_overlays) {
        if (!o->m_shown) {
            continue;
        }
        const Rect area = Intersection(Clip(o->Bounds()), rebuilt);
        if (!area.IsEmpty()) {
            o->Draw(m_view.Display(), area);
            o->m_drawn = Union(o->m_drawn, area);
        }
    }
}

void BrushOutline::Build(int32_t brushSize, int32_t zoom) {
    m_painter.Hide(*this);
    auto odd = [](int32_t v) { return v % 2 == 0 ? v + 1 : v; };
    // The footprint a stroke paints: its size is held at the smallest views (as BrushTS holds it).
    const int32_t painted = BrushTS::PaintedSize(brushSize, zoom);
    const int32_t footprint = odd(std::max(1, zoom >= 1 ? painted / zoom : painted * -zoom));
    m_diameter = odd(zoom >= 1 ? footprint * zoom : footprint / -zoom);
    // Radius rho = (c >> 1) + 0.5; points (d, f) with d = trunc(sqrt(rho^2 - f^2)) while d > f, the
    // diagonal point when d = f, then the mirrored points (f, d) in reverse order.
    const double rho = (m_diameter >> 1) + 0.5;
    m_offsets.clear();
    for (int32_t f = 0;; ++f) {
        const auto d = static_cast<int32_t>(std::sqrt(rho * rho - static_cast<double>(f) * f));
        if (d > f) {
            m_offsets.push_back({d, f});
            continue;
        }
        if (d == f) {
            m_offsets.push_back({d, f});
        }
        break;
    }
    for (size_t i = m_offsets.size(); i-- > 0;) {
        if (m_offsets[i].x != m_offsets[i].y) {
            m_offsets.push_back({m_offsets[i].y, m_offsets[i].x});
        }
    }
}

void BrushOutline::MoveTo(int32_t x, int32_t y) {
    m_painter.Hide(*this);
    m_centre = {x, y};
    if (!m_suppressed && !m_offsets.empty()) {
        m_painter.Show(*this);
    }
}

void BrushOutline::Remove() {
    m_painter.Hide(*this);
}

Rect BrushOutline::Bounds() const {
    const int32_t half = m_diameter / 2 + 2;
    return Rect{m_centre.x - half, m_centre.y - half, m_centre.x + half + 1, m_centre.y + half + 1};
}

void BrushOutline::Draw(Image24& display, const Rect& clip) const {
    // Only the canvas shrunk by one pixel is drawn on.
    Rect canvas = m_geometry.Canvas();
    canvas = Intersection(Rect{canvas.left + 1, canvas.top + 1, canvas.right - 1, canvas.bottom - 1}, clip);
    auto contrast = [&](int32_t px, int32_t py) {
        if (!ViewGeometry::Contains(canvas, px, py)) {
            return;
        }
        uint8_t* p = display.Pixel(px, py);
        for (int b = 0; b < 3; ++b) {
            p[b] = p[b] > 128 ? 64 : 192;
        }
    };
    const int32_t x = m_centre.x;
    const int32_t y = m_centre.y;
    for (const IntPoint& o : m_offsets) {
        if (o.x == 0) {
            continue; // (0, d) is (d, 0) turned a quarter: each pixel takes the contrast once
        }
        contrast(x + o.x, y + o.y);
        contrast(x - o.y, y + o.x);
        contrast(x - o.x, y - o.y);
        contrast(x + o.y, y - o.x);
    }
}

void InvertFrame(Image24& display, const Rect& frame, const Rect& clip) {
    auto invert = [&](int32_t px, int32_t py) {
        if (ViewGeometry::Contains(clip, px, py)) {
            uint8_t* p = display.Pixel(px, py);
            p[0] = static_cast<uint8_t>(255 - p[0]);
            p[1] = static_cast<uint8_t>(255 - p[1]);
            p[2] = static_cast<uint8_t>(255 - p[2]);
        }
    };
    if (frame.IsEmpty()) {
        return;
    }
    for (int32_t x = frame.left; x < frame.right; ++x) {
        invert(x, frame.top);
        if (frame.bottom - 1 > frame.top) {
            invert(x, frame.bottom - 1);
        }
    }
    for (int32_t y = frame.top + 1; y < frame.bottom - 1; ++y) {
        invert(frame.left, y);
        if (frame.right - 1 > frame.left) {
            invert(frame.right - 1, y);
        }
    }
}

void FillRect(Image24& display, const Rect& r, const Rect& clip, uint32_t color) {
    const Rect area = Intersection(r, clip);
    for (int32_t y = area.top; y < area.bottom; ++y) {
        for (int32_t x = area.left; x < area.right; ++x) {
            display.SetColor(x, y, color);
        }
    }
}

} // namespace ts
