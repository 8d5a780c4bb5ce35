#include "render/outline_fill.h"

#include "raster/super_bit_buffer.h"

#include <algorithm>
#include <cmath>
#include <new>

namespace ts {

namespace {

// A non-horizontal edge, from its upper end (smaller y) down; winding +1 when the contour runs down it.
struct Edge {
    double yTop = 0.0;
    double yBottom = 0.0;
    double xTop = 0.0;
    double slope = 0.0; // dx / dy
    int32_t winding = 0;
};

struct Crossing {
    double x = 0.0;
    int32_t winding = 0;
};

} // namespace

bool FillOutlines(const std::vector<FillContour>& contours, int32_t width, int32_t height,
                  std::vector<uint16_t>& masks) {
    if (width <= 0 || height <= 0) {
        return false;
    }
    std::vector<uint16_t> out;
    std::vector<Edge> edges;
    try {
        out.assign(static_cast<size_t>(width) * static_cast<size_t>(height), 0);
        for (const FillContour& c : contours) {
            for (size_t i = 0; i < c.size(); ++i) {
                const FillPoint& a = c[i];
                const FillPoint& b = c[(i + 1) % c.size()];
                if (!std::isfinite(a.x) || !std::isfinite(a.y) || !std::isfinite(b.x) ||
                    !std::isfinite(b.y) || a.y == b.y) {
                    continue;
                }
                Edge e;
                const bool down = b.y > a.y;
                const FillPoint& top = down ? a : b;
                const FillPoint& bottom = down ? b : a;
                e.yTop = top.y;
                e.yBottom = bottom.y;
                e.xTop = top.x;
                e.slope = (bottom.x - top.x) / (bottom.y - top.y);
                e.winding = down ? 1 : -1;
                edges.push_back(e);
            }
        }
    } catch (const std::bad_alloc&) {
        return false;
    }
    std::sort(edges.begin(), edges.end(), [](const Edge& a, const Edge& b) { return a.yTop < b.yTop; });

    const int32_t cellsWide = 4 * width;
    const int32_t cellsHigh = 4 * height;
    std::vector<const Edge*> active;
    std::vector<Crossing> crossings;
    size_t next = 0;
    for (int32_t cy = 0; cy < cellsHigh; ++cy) {
        // The row of cells is sampled through its centres; an edge counts from its top end included
        // to its bottom end excluded, so a vertex shared by two edges is crossed once.
        const double y = cy + 0.5;
        while (next < edges.size() && edges[next].yTop <= y) {
            active.push_back(&edges[next++]);
        }
        std::erase_if(active, [y](const Edge* e) { return e->yBottom <= y; });
        if (active.empty()) {
            continue;
        }
        crossings.clear();
        for (const Edge* e : active) {
            crossings.push_back(Crossing{e->xTop + (y - e->yTop) * e->slope, e->winding});
        }
        std::sort(crossings.begin(), crossings.end(),
                  [](const Crossing& a, const Crossing& b) { return a.x < b.x; });
        const int32_t sy = cy & 3;
        uint16_t* row = out.data() + static_cast<size_t>(cy >> 2) * static_cast<size_t>(width);
        int32_t winding = 0;
        for (size_t i = 0; i + 1 < crossings.size(); ++i) {
            winding += crossings[i].winding;
            if (winding == 0) {
                continue;
            }
            // The cells whose centres lie in [x0, x1).
            const double x0 = std::max(crossings[i].x - 0.5, 0.0);
            const double x1 = std::min(crossings[i + 1].x - 0.5, static_cast<double>(cellsWide));
            for (auto cx = static_cast<int32_t>(std::ceil(x0)); cx < x1; ++cx) {
                row[cx >> 2] =
                    static_cast<uint16_t>(row[cx >> 2] | 1u << SuperBitBuffer::SubPixelBit(cx & 3, sy));
            }
        }
    }
    masks = std::move(out);
    return true;
}

} // namespace ts
