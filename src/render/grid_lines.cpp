#include "render/grid_lines.h"

#include <algorithm>
#include <cmath>
#include <cstring>

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
    const Key key{grid, {zoom, viewX, viewY, clientWidth, clientHeight}};
    if (m_planned && key == m_key) {
        return;
    }
    m_key = key;
    m_planned = true;
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
        p.rest = static_cast<uint16_t>(255 - a);
        for (size_t b = 0; b < 3; ++b) {
            const uint32_t colourPart = (2 * a * bgr[b] + 255) / 510;
            for (uint32_t v = 0; v < 256; ++v) {
                p.mixed[b * 256 + v] = Mixed(colourPart, 255 - a, static_cast<uint8_t>(v));
            }
            for (size_t k = b; k < kBlock; k += 3) {
                p.part[k] = static_cast<uint16_t>(colourPart);
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

namespace {

// mul(rest, v) = (2 rest v + 255) / 510 = floor((rest v + 127) / 255), and floor(y / 255) is
// (y + 1 + (y >> 8)) >> 8 for every y up to 255 × 255 + 127: all of it fits 16 bits. Built for AVX2
// as well, where sixteen bytes go through each vector operation.
constexpr size_t kMixBlock = 96;

__attribute__((target_clones("default", "avx2"))) void
MixBlocks(const uint16_t* part, uint16_t rest, const uint8_t* under, uint8_t* out, size_t blocks) {
    for (size_t i = 0; i < blocks * kMixBlock; i += kMixBlock) {
        for (size_t k = 0; k < kMixBlock; ++k) {
            const uint16_t y = static_cast<uint16_t>(static_cast<uint16_t>(rest * under[i + k]) + 127);
            const uint16_t high = static_cast<uint16_t>(y >> 8);
            const uint16_t sum = static_cast<uint16_t>(static_cast<uint16_t>(y + 1) + high);
            const uint16_t v = static_cast<uint16_t>(part[k] + static_cast<uint16_t>(sum >> 8));
            out[i + k] = static_cast<uint8_t>(std::min<uint16_t>(v, 255));
        }
    }
}

} // namespace

void GridPlan::MixRun(const Planned& p, const uint8_t* under, uint8_t* out, size_t bytes) {
    static_assert(kBlock == kMixBlock);
    const size_t blocks = bytes / kBlock;
    MixBlocks(p.part.data(), p.rest, under, out, blocks);
    for (size_t i = blocks * kBlock, k = 0; i < bytes; ++i, ++k) {
        out[i] = p.mixed[(k % 3) * 256 + under[i]];
    }
}

void GridPlan::DrawGrid(const Planned& p, int32_t cy, int32_t from, int32_t to, uint8_t* dest,
                        const uint8_t* source) {
    if (cy < 0 || cy >= static_cast<int32_t>(p.lineRows.size())) {
        return;
    }
    const uint8_t* under = source ? source : dest;
    if (p.lineRows[static_cast<size_t>(cy)]) {
        MixRun(p, under, dest, static_cast<size_t>(std::max(to - from, 0)) * 3);
        return;
    }
    // The lines down: a few pixels a row, through the table. Local copies of the bounds, so that the
    // stores into the row need not be assumed to change them.
    const int32_t* column = p.columns.data();
    const int32_t* end = column + p.columns.size();
    if (from > 0) {
        column = std::lower_bound(column, end, from);
    }
    // Every column but the row's last: the pixel and the byte after it (the next pixel's first, the
    // same in under and dest, as no line runs on the next pixel) in one load and one store.
    for (; column != end && *column < to - 1; ++column) {
        const size_t at = static_cast<size_t>(*column - from) * 3;
        uint32_t px = 0;
        std::memcpy(&px, under + at, 4);
        const uint32_t mixed =
            p.mixed[px & 0xFF] | static_cast<uint32_t>(p.mixed[256 + ((px >> 8) & 0xFF)]) << 8 |
            static_cast<uint32_t>(p.mixed[512 + ((px >> 16) & 0xFF)]) << 16 | (px & 0xFF000000u);
        std::memcpy(dest + at, &mixed, 4);
    }
    if (column != end && *column < to) {
        const size_t at = static_cast<size_t>(*column - from) * 3;
        MixPixel(p, under + at, dest + at);
    }
}

void GridPlan::DrawRow(int32_t cy, int32_t from, int32_t to, uint8_t* dest, const uint8_t* source) const {
    for (const Planned& p : m_grids) {
        DrawGrid(p, cy, from, to, dest, source);
        source = nullptr; // the row now holds this grid's lines: the next grid mixes over them
    }
}

bool GridPlan::CoversRow(int32_t cy) const {
    if (m_grids.empty()) {
        return false;
    }
    const std::vector<uint8_t>& rows = m_grids.front().lineRows;
    return cy >= 0 && cy < static_cast<int32_t>(rows.size()) && rows[static_cast<size_t>(cy)] != 0;
}

} // namespace ts
