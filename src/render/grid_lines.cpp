#include "render/grid_lines.h"

#include "raster/pixel_tables.h"

#include <algorithm>
#include <cmath>

namespace ts {

namespace {

void Blend(uint8_t* px, const uint8_t colour[3], uint8_t intensity) {
    const uint8_t rest = static_cast<uint8_t>(255 - intensity);
    for (int b = 0; b < 3; ++b) {
        px[b] = static_cast<uint8_t>(std::min(255, Mul8(intensity, colour[b]) + Mul8(rest, px[b])));
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

void DrawGridRow(const ViewGrid& grid, int32_t zoom, int32_t viewX, int32_t viewY, int32_t cy, int32_t from,
                 int32_t to, uint8_t* dest) {
    if (from >= to) {
        return;
    }
    const double scale = zoom >= 1 ? static_cast<double>(zoom) : 1.0 / static_cast<double>(-zoom);
    for (const GridLines& g : grid.grids) {
        if (!g.shown || !(g.spacing > 0.0) || g.spacing * scale < ViewGrid::kMinimumGap) {
            continue;
        }
        const uint8_t colour[3] = {static_cast<uint8_t>((g.color >> 16) & 0xFF),
                                   static_cast<uint8_t>((g.color >> 8) & 0xFF),
                                   static_cast<uint8_t>(g.color & 0xFF)};
        const uint8_t intensity = static_cast<uint8_t>(std::clamp(g.intensity, 0, 255));
        // A line across: the first line at or below the row's top edge lies before its bottom edge.
        const double top = viewY + cy / scale;
        const double line = grid.originY + std::ceil((top - grid.originY) / g.spacing) * g.spacing;
        if (std::floor((line - viewY) * scale) == cy) {
            for (int32_t cx = from; cx < to; ++cx) {
                Blend(dest + static_cast<size_t>(cx - from) * 3, colour, intensity);
            }
            continue;
        }
        // Lines down: every one whose column falls in the span.
        const double left = viewX + from / scale;
        for (double k = std::ceil((left - grid.originX) / g.spacing);; k += 1.0) {
            const double column = std::floor((grid.originX + k * g.spacing - viewX) * scale);
            if (column >= to) {
                break;
            }
            if (column >= from) {
                Blend(dest + static_cast<size_t>(column - from) * 3, colour, intensity);
            }
        }
    }
}

} // namespace ts
