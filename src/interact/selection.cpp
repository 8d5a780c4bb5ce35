#include "interact/selection.h"

#include "interact/view_window.h"

#include <algorithm>
#include <cstdlib>

namespace ts {

namespace {

// Coverage of a over b: 255 - (255 - a)(255 - b) / 255.
uint8_t Over(uint8_t a, uint8_t b) {
    return static_cast<uint8_t>(255 - (255 - a) * (255 - b) / 255);
}

} // namespace

void SelectionTracker::Hide() {
    m_hit = -1;
    m_painter.Hide(*this);
}

Rect SelectionTracker::Frame() const {
    if (Dragging()) {
        return m_drag;
    }
    const int32_t current = m_stack.Current();
    const LayerObject* layer = m_stack.Layer(current);
    if (!layer || current < ImageStackManager::kFirstDrawingLayer) {
        return Rect{};
    }
    return layer->bounds;
}

std::array<Rect, 8> SelectionTracker::Handles() const {
    const Rect f = ClientFrame();
    const int32_t h = kHandleSize / 2;
    const int32_t xs[3] = {f.left, (f.left + f.right - 1) / 2, f.right - 1};
    const int32_t ys[3] = {f.top, (f.top + f.bottom - 1) / 2, f.bottom - 1};
    // (column, row) of each handle in the order left middle, top left, then round clockwise.
    constexpr int32_t at[8][2] = {{0, 1}, {0, 0}, {1, 0}, {2, 0}, {2, 1}, {2, 2}, {1, 2}, {0, 2}};
    std::array<Rect, 8> handles;
    for (size_t i = 0; i < handles.size(); ++i) {
        const int32_t cx = xs[at[i][0]];
        const int32_t cy = ys[at[i][1]];
        handles[i] = Rect{cx - h, cy - h, cx + h + 1, cy + h + 1};
    }
    return handles;
}

int32_t SelectionTracker::HandleAt(int32_t x, int32_t y) const {
    if (Frame().IsEmpty()) {
        return -1;
    }
    const std::array<Rect, 8> handles = Handles();
    for (size_t i = 0; i < handles.size(); ++i) {
        if (ViewGeometry::Contains(handles[i], x, y)) {
            return static_cast<int32_t>(i);
        }
    }
    return -1;
}

int32_t SelectionTracker::HandleCursor(int32_t handle) {
    switch (handle) {
    case 0:
    case 4:
        return cursors::kSizeWE;
    case 2:
    case 6:
        return cursors::kSizeNS;
    case 1:
    case 5:
        return cursors::kSizeNWSE; // top left and bottom right
    case 3:
    case 7:
        return cursors::kSizeNESW;
    default:
        return cursors::kSizeAll;
    }
}

void SelectionTracker::BeginDrag(int32_t hit, int32_t x, int32_t y) {
    m_start = Frame();
    m_drag = m_start;
    m_press = m_geometry.ToDrawing(x, y);
    m_hit = std::clamp(hit, 0, kBody);
}

void SelectionTracker::SetDragFrame(const Rect& frame) {
    if (frame == m_drag) {
        return;
    }
    m_painter.Hide(*this);
    m_drag = frame;
    m_painter.Show(*this);
}

void SelectionTracker::Drag(int32_t x, int32_t y, bool proportional) {
    if (!Dragging()) {
        return;
    }
    const IntPoint p = m_geometry.ToDrawing(x, y);
    const int32_t dx = p.x - m_press.x;
    const int32_t dy = p.y - m_press.y;
    if (m_hit == kBody) {
        SetDragFrame(Translated(m_start, dx, dy));
        return;
    }
    Rect r = m_start;
    const bool left = m_hit == 0 || m_hit == 1 || m_hit == 7;
    const bool right = m_hit >= 3 && m_hit <= 5;
    const bool top = m_hit >= 1 && m_hit <= 3;
    const bool bottom = m_hit >= 5 && m_hit <= 7;
    // Each dragged side follows the pointer and stays at least a pixel from the opposite side.
    if (left) {
        r.left = std::min(m_start.left + dx, r.right - 1);
    }
    if (right) {
        r.right = std::max(m_start.right + dx, r.left + 1);
    }
    if (top) {
        r.top = std::min(m_start.top + dy, r.bottom - 1);
    }
    if (bottom) {
        r.bottom = std::max(m_start.bottom + dy, r.top + 1);
    }
    if (proportional && m_start.Width() > 0 && m_start.Height() > 0) {
        const bool horizontal = left || right;
        const bool vertical = top || bottom;
        if (horizontal) {
            // The width leads; the height follows, kept at the side opposite a dragged one.
            const int32_t h = std::max<int32_t>(
                1, static_cast<int32_t>(int64_t{r.Width()} * m_start.Height() / m_start.Width()));
            if (top) {
                r.top = r.bottom - h;
            } else {
                r.bottom = r.top + h;
            }
        } else if (vertical) {
            const int32_t w = std::max<int32_t>(
                1, static_cast<int32_t>(int64_t{r.Height()} * m_start.Width() / m_start.Height()));
            r.right = r.left + w;
        }
    }
    SetDragFrame(r);
}

Rect SelectionTracker::EndDrag() {
    const Rect frame = m_drag;
    m_hit = -1;
    return frame;
}

void SelectionTracker::CancelDrag() {
    if (!Dragging()) {
        return;
    }
    const bool shown = IsShown();
    m_painter.Hide(*this);
    m_hit = -1;
    if (shown) {
        m_painter.Show(*this);
    }
}

Rect SelectionTracker::Bounds() const {
    if (Frame().IsEmpty()) {
        return Rect{};
    }
    return Grown(ClientFrame(), kHandleSize / 2 + 1);
}

void SelectionTracker::Draw(Image24& display, const Rect& clip) const {
    if (Frame().IsEmpty()) {
        return;
    }
    InvertFrame(display, ClientFrame(), clip);
    for (const Rect& h : Handles()) {
        FillRect(display, h, clip, 0x00000000);
        FillRect(display, Grown(h, -1), clip, 0x00FFFFFF);
    }
}

std::vector<uint8_t> SelectionDetector::Coverage(const LayerObject& layer, const Rect& square) const {
    const int32_t side = square.Width();
    std::vector<uint8_t> cover(static_cast<size_t>(side) * static_cast<size_t>(square.Height()), 0);
    std::vector<uint8_t> row;
    auto each = [&](const RLBuffer* buffer, auto&& alpha) {
        if (!buffer || !buffer->IsCreated()) {
            return;
        }
        row.resize(buffer->RawRowLength());
        const auto bpp = static_cast<size_t>(buffer->BytesPerPixel());
        for (int32_t y = square.top; y < square.bottom; ++y) {
            const int32_t ly = y - layer.offsetY;
            if (ly < 0 || ly >= buffer->Height()) {
                continue;
            }
            buffer->ReadRow(ly, row.data());
            for (int32_t x = square.left; x < square.right; ++x) {
                const int32_t lx = x - layer.offsetX;
                if (lx < 0 || lx >= buffer->Width()) {
                    continue;
                }
                uint8_t& c = cover[static_cast<size_t>((y - square.top) * side + (x - square.left))];
                c = Over(c, alpha(row.data() + static_cast<size_t>(lx) * bpp));
            }
        }
    };
    if (layer.image) {
        const Image24& picture = layer.image->pixels;
        for (int32_t y = square.top; y < square.bottom; ++y) {
            for (int32_t x = square.left; x < square.right; ++x) {
                const int32_t lx = x - layer.offsetX;
                const int32_t ly = y - layer.offsetY;
                if (lx >= 0 && ly >= 0 && lx < picture.Width() && ly < picture.Height()) {
                    cover[static_cast<size_t>((y - square.top) * side + (x - square.left))] = 255;
                }
            }
        }
    }
    if (m_switches.showColor && layer.ShowsSurface() && layer.color) {
        each(layer.color->amount.get(), [](const uint8_t* p) { return *p; });
    }
    if (m_switches.showLighting && layer.ShowsLighting() && layer.shadow) {
        each(layer.shadow->lighting.get(),
             [](const uint8_t* p) { return static_cast<uint8_t>(std::min(255, 2 * std::abs(*p - 128))); });
    }
    if (m_switches.showLines && layer.ShowsLines() && layer.lineArt && layer.lineArt->lineBuffer) {
        const SuperBitBuffer& lines = *layer.lineArt->lineBuffer;
        each(&lines,
             [&lines](const uint8_t* p) { return lines.MaskAlpha(static_cast<uint16_t>(p[0] | p[1] << 8)); });
    }
    return cover;
}

std::vector<int64_t> SelectionDetector::Contributions(IntPoint p, int32_t c) const {
    std::vector<int64_t> shown(static_cast<size_t>(std::max(0, m_stack.Count())), 0);
    c = std::max(0, c);
    const Rect square{p.x - c, p.y - c, p.x + c + 1, p.y + c + 1};
    // What still shows through of every pixel, from the top layer down.
    std::vector<int32_t> open(static_cast<size_t>(square.Width()) * static_cast<size_t>(square.Height()),
                              255);
    for (int32_t i = m_stack.Count() - 1; i >= ImageStackManager::kFirstDrawingLayer; --i) {
        const LayerObject& layer = *m_stack.Layer(i);
        if (layer.hidden || (m_switches.showSelectedOnly && i != m_stack.Current())) {
            continue;
        }
        const std::vector<uint8_t> cover = Coverage(layer, square);
        int64_t sum = 0;
        for (size_t k = 0; k < cover.size(); ++k) {
            const int32_t seen = cover[k] * open[k] / 255;
            sum += seen;
            open[k] -= seen;
        }
        shown[static_cast<size_t>(i)] = sum;
    }
    return shown;
}

int32_t SelectionDetector::Pick(IntPoint drawingPoint, int32_t c) const {
    const std::vector<int64_t> shown = Contributions(drawingPoint, c);
    int32_t best = -1;
    int64_t most = 0;
    for (int32_t i = ImageStackManager::kFirstDrawingLayer; i < static_cast<int32_t>(shown.size()); ++i) {
        if (shown[static_cast<size_t>(i)] > 0 && shown[static_cast<size_t>(i)] >= most) {
            best = i;
            most = shown[static_cast<size_t>(i)];
        }
    }
    return best;
}

} // namespace ts
