#include "render/view_manager.h"

#include "raster/pixel_tables.h"
#include "render/paper.h"

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
    m_compositor.CompositeRows(r.top, r.Height(), r.left, r.Width(), m_view.Pixel(r.left, r.top),
                               static_cast<size_t>(m_view.Stride()), &m_painted, &m_under, sampler);
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

BackdropSources ViewManager::Sources() const {
    BackdropSources s;
    s.drawingAverage = m_drawingAverage;
    s.paperAverage = m_compositor.PaperAverage();
    s.board = m_compositor.PaperPicture();
    s.custom = m_customTexture.Width() > 0 ? &m_customTexture : nullptr;
    s.customColor = m_customColor;
    s.splash = m_splash.Width() > 0 ? &m_splash : nullptr;
    return s;
}

void ViewManager::SetBackdropKind(int32_t kind) {
    m_backdrop.SetKind(kind, Sources());
}

void ViewManager::SetCustomBackdrop(Image24 texture, uint32_t color) {
    m_customTexture = std::move(texture);
    m_customColor = color & 0x00FFFFFF;
    SetBackdropKind(Backdrop::kCustomTexture);
}

void ViewManager::SetCustomBackdropColor(uint32_t color) {
    m_customColor = color & 0x00FFFFFF;
    m_backdrop.SetCustomColor(m_customColor);
}

void ViewManager::SetDrawingAverage(uint32_t color) {
    m_drawingAverage = color & 0x00FFFFFF;
    const int32_t kind = m_backdrop.state.kind;
    if (kind == Backdrop::kGreyAverage || kind == Backdrop::kAverage ||
        kind == Backdrop::kGreyAverageTextured) {
        SetBackdropKind(kind);
    }
}

// One client row: the drawing part from the view buffer at the zoom, the rest the backdrop.
void ViewManager::ClientRow(int32_t cy, int32_t left, int32_t right) {
    uint8_t* out = m_display.Row(cy);
    const Rect drawing = ClientRectOf(Rect{0, 0, m_view.Width(), m_view.Height()});
    if (cy < drawing.top || cy >= drawing.bottom) {
        m_backdrop.FillRow(cy, left, right, out);
        return;
    }
    const int32_t from = std::clamp(drawing.left, left, right);
    const int32_t to = std::clamp(drawing.right, from, right);
    m_backdrop.FillRow(cy, left, from, out);
    m_backdrop.FillRow(cy, to, right, out);
    if (from >= to) {
        return;
    }
    uint8_t* dest = out + static_cast<size_t>(from) * 3;
    const bool grain = m_screenGrain && m_zoom <= 1 && m_compositor.paper.textureOneToOne;
    const bool grid = m_grid.AnyShown();
    // Without grain the row is a plain copy of source (the view buffer's row, or the magnified row):
    // a grid line across the row mixes straight from it in place of the copy, and the lines down read
    // their pixels there rather than back from what was just stored.
    const bool folded = grid && !grain && m_gridPlan.CoversRow(cy);
    const uint8_t* source = DrawingPart(cy, from, to, dest, !folded);
    if (grain) {
        AddScreenGrain(cy, from, to, dest);
        source = nullptr;
    }
    if (grid) {
        m_gridPlan.DrawRow(cy, from, to, dest, source);
    }
}

// Client pixels from .. to - 1 of row cy, all inside the drawing. At zooms of 1 and more the row is a
// copy of a run of pixels, which is returned (and with copy false only made ready, not stored).
const uint8_t* ViewManager::DrawingPart(int32_t cy, int32_t from, int32_t to, uint8_t* dest, bool copy) {
    const auto bytes = static_cast<size_t>(to - from) * 3;
    if (m_zoom == 1) {
        const uint8_t* source = m_view.Pixel(from + m_originX, cy + m_originY);
        if (copy) {
            std::memcpy(dest, source, bytes);
        }
        return source;
    }
    if (m_zoom > 1) {
        // Output column o of the row shows view column originX + o / z.
        const int32_t z = m_zoom;
        const int32_t viewY = m_originY + cy / z;
        const int32_t firstOut = from;
        const int32_t viewX = m_originX + firstOut / z;
        // Start the magnified run at the beginning of the view pixel that holds `from`.
        const int32_t lead = firstOut % z;
        const int32_t width = to - from + lead;
        // The z client rows of a view row are alike unless line pixels show their sub-pixels: the
        // magnified row is made once and copied.
        const UnderPixelManager* under = m_compositor.switches.showLines ? &m_under : nullptr;
        const bool lines = under && under->Any();
        const MagnifiedRow key{viewY, viewX, width, z};
        if (lines || !(key == m_magnified)) {
            m_rowScratch.resize(static_cast<size_t>(width) * 3);
            ViewportFrame::MagnifyRow(m_view.Row(viewY), viewX, width, z, cy % z, under, m_rowScratch.data());
            m_magnified = lines ? MagnifiedRow{} : key;
        }
        const uint8_t* source = m_rowScratch.data() + static_cast<size_t>(lead) * 3;
        if (copy) {
            std::memcpy(dest, source, bytes);
        }
        return source;
    }
    const int32_t s = -m_zoom;
    const int32_t lastRow = m_originY + cy * s + s - 1;
    ViewportFrame::ShrinkRow(m_view, std::min(lastRow, m_view.Height() - 1), m_originX + from * s, to - from,
                             m_samples, dest, m_shrinkRoom);
    return nullptr;
}

// Each pixel gets the board's deviation from its average at the pixel's own window position, reduced
// by the painted amount over paint and by the background amount elsewhere; at exactly 1:1 any
// reduction removes it.
void ViewManager::AddScreenGrain(int32_t cy, int32_t from, int32_t to, uint8_t* dest) const {
    const Image24* board = m_compositor.PaperPicture();
    if (!board) {
        return;
    }
    const uint32_t average = m_compositor.PaperAverage();
    const int32_t a[3] = {static_cast<int32_t>((average >> 16) & 0xFF),
                          static_cast<int32_t>((average >> 8) & 0xFF), static_cast<int32_t>(average & 0xFF)};
    const PaperSettings& paper = m_compositor.paper;
    const int32_t s = m_zoom < 0 ? -m_zoom : 1;
    const uint8_t* grain = board->Row(cy % board->Height());
    const int32_t viewY = std::min(m_originY + cy * s + s - 1, m_view.Height() - 1);
    for (int32_t cx = from; cx < to; ++cx) {
        const int32_t viewX = std::min(m_originX + cx * s + s - 1, m_view.Width() - 1);
        const int32_t index = m_painted.TestBit(viewX, viewY) ? paper.paintedAmount : paper.backgroundAmount;
        if (s == 1 && index != 0) {
            continue;
        }
        const uint8_t* g = grain + static_cast<size_t>(cx % board->Width()) * 3;
        uint8_t* px = dest + static_cast<size_t>(cx - from) * 3;
        for (int b = 0; b < 3; ++b) {
            px[b] = ClampAdd(px[b], ReduceDeviation(g[b] - a[b], index));
        }
    }
}

void ViewManager::RebuildClient(const Rect& clientRect) {
    const Rect r = Intersection(clientRect, Rect{0, 0, m_display.Width(), m_display.Height()});
    if (r.IsEmpty()) {
        return;
    }
    m_magnified = MagnifiedRow{}; // the view buffer may have changed since
    if (m_grid.AnyShown()) {
        m_gridPlan.Prepare(m_grid, m_zoom, m_originX, m_originY, m_display.Width(), m_display.Height());
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
