#include "render/grid_lines.h"

#include <algorithm>
#include <cmath>

namespace ts {

namespace {

uint8_t Mixed(uint32_t colourPart, uint32_t rest, uint8_t pixel) {
    const uint32_t v = colourPart + (2 * rest * pixel + 255) / 510;
    return static_cast<uint8_t>(v > 255 ? 255 : v);
}

// The client positions floor((origin + k × spacing - view) × scale) for every k that falls in 0 .. end - 1.
template <class F>
void EachLine(double origin, double spacing, int32_t view, double scale, int32_t end, F at) {
    // At least one position apart on the screen: never more lines than positions (the count also
    // bounds the loop where k would be too large to step).
    double k = std::ceil((view - origin) / spacing);
    for (int32_t count = 0; count <= end; ++count, k += 1.0) {
        const double position = std::floor((origin + k * spacing - view) * scale);
        if (position >= end) {
            return;
        }
        if (position >= 0) {
            at(static_cast<int32_t>(position));
        }
    }
}

} // namespace

bool ViewGrid::AnyShown() const {
    for (const GridLines& g : grids) {
        if (g.shown && g.spacing > 0.0) {
            return true;
        }
    }
    return false;
}

void GridPlan::Prepare(const ViewGrid& grid, int32_t zoom, int32_t viewX, int32_t viewY, int32_t clientWidth,
                       int32_t clientHeight) {
    m_grids.clear();
    const double scale = zoom >= 1 ? static_cast<double>(zoom) : 1.0 / static_cast<double>(-zoom);
    for (const GridLines& g : grid.grids) {
        if (!g.shown || !(g.spacing > 0.0) || !(g.spacing * scale >= ViewGrid::kMinimumGap) ||
            !std::isfinite(g.spacing) || !std::isfinite(grid.originX) || !std::isfinite(grid.originY)) {
            continue;
        }
        Planned p;
        const uint32_t a = static_cast<uint32_t>(std::clamp(g.intensity, 0, 255));
        const uint32_t bgr[3] = {(g.color >> 16) & 0xFF, (g.color >> 8) & 0xFF, g.color & 0xFF};
        for (size_t b = 0; b < 3; ++b) {
            const uint32_t colourPart = (2 * a * bgr[b] + 255) / 510;
            for (uint32_t v = 0; v < 256; ++v) {
                p.mixed[b * 256 + v] = Mixed(colourPart, 255 - a, static_cast<uint8_t>(v));
            }
        }
        EachLine(grid.originX, g.spacing, viewX, scale, clientWidth,
                 [&p](int32_t x) { p.columns.push_back(x); });
        p.lineRows.assign(static_cast<size_t>(std::max(clientHeight, 0)), 0);
        EachLine(grid.originY, g.spacing, viewY, scale, clientHeight,
                 [&p](int32_t y) { p.lineRows[static_cast<size_t>(y)] = 1; });
        m_grids.push_back(std::move(p));
    }
}

void GridPlan::DrawRow(int32_t cy, int32_t from, int32_t to, uint8_t* dest, const uint8_t* source) const {
    for (const Planned& p : m_grids) {
        if (cy < 0 || cy >= static_cast<int32_t>(p.lineRows.size())) {
            continue;
        }
        const uint8_t* table = p.mixed.data();
        auto mix = [table](uint8_t* px, const uint8_t* under) {
            const uint8_t b = table[under[0]];
            const uint8_t g = table[256 + under[1]];
            const uint8_t r = table[512 + under[2]];
            px[0] = b;
            px[1] = g;
            px[2] = r;
        };
        if (p.lineRows[static_cast<size_t>(cy)]) {
            for (int32_t i = 0; i < to - from; ++i) {
                const size_t at = static_cast<size_t>(i) * 3;
                mix(dest + at, (source ? source : dest) + at);
            }
            source = nullptr; // the row now holds this grid's line: the next grid mixes over it
            continue;
        }
        for (auto it = std::lower_bound(p.columns.begin(), p.columns.end(), from);
             it != p.columns.end() && *it < to; ++it) {
            const size_t at = static_cast<size_t>(*it - from) * 3;
            mix(dest + at, (source ? source : dest) + at);
        }
        source = nullptr;
    }
}

} // namespace ts
