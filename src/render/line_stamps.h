#pragma once

// The stamps of the line redraw and the ring of output rows they are joined into; the redraw pass
// (line_redraw.cpp) finds the stamps, these kernels lay them.

#include "render/line_renderer.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <vector>

namespace ts::linestamps {

constexpr int32_t FloorDiv4(int32_t v) {
    return v >> 2; // arithmetic: rounds towards minus infinity
}

// The rows (and columns) of a stamp of width w, from the centre pixel: lo .. hi.
constexpr int32_t StampLow(int32_t w) {
    return FloorDiv4(-2 * w - 2);
}
constexpr int32_t StampHigh(int32_t w) {
    return FloorDiv4(2 * w + 4);
}
constexpr int32_t kWidestStamp = StampHigh(kMaxLineWidth) - StampLow(kMaxLineWidth) + 1;

constexpr uint32_t kNever = std::numeric_limits<uint32_t>::max();

// A stamp row's cells are kept with 8 empty ones before them and at least 8 after its runs of 8, so
// that a run of 8 read from up to 8 cells before the row's first column to the end of its runs stays
// in the row.
constexpr int32_t kStampPad = 8;

// The stamp of one width centred on one quarter-pixel cell (cx, cy) of its pixel: side x side pixels,
// the centre pixel at (origin, origin); per pixel its coverage cells and the squared distance (in eighth
// pixels) from the stamp's centre to the pixel's centre.
struct Stamp {
    int32_t side = 0;
    int32_t origin = 0;
    int32_t stride = 0;   // rows of the cells lie this many apart
    int32_t runs = 0;     // runs of 8 cells from a row's first column that cover its side
    int32_t rowFirst = 0; // the first row with cells, and one past the last
    int32_t rowLast = 0;
    std::vector<uint16_t> masks;
    std::vector<uint32_t> distance; // kNever where the mask is empty
    std::vector<int32_t> spans;     // per row: first and one past the last column with cells

    // Where the cell of row r and column c is kept.
    size_t At(int32_t r, int32_t c) const { return static_cast<size_t>(r * stride + kStampPad + c); }
};

// Output rows stay in a ring while stamps can still reach them: a source row's stamps reach kLineReach
// rows up and down, so once every source row up to y + kLineReach is stamped, row y is final and its
// slot is taken by the next row. Per cell of a ring row: the coverage cells, the squared distance to the
// nearest stamp centre and that stamp's colour index. A ring row holds the output's columns with
// margins, so that every stamp that meets the output is stamped whole, in runs of 8 cells, without
// clipping it at the output's left and right edges.
constexpr int32_t kRingRows = 64;
static_assert(kRingRows >= 2 * kLineReach + 1 && (kRingRows & (kRingRows - 1)) == 0);
// A stamp that meets the output starts at most kWidestStamp - 1 columns left of it, and its last run of
// 8 ends at most kWidestStamp + 6 columns right of its last column.
constexpr int32_t kMarginLeft = 40;
constexpr int32_t kMarginRight = 48;
static_assert(kMarginLeft >= kWidestStamp - 1 && kMarginRight >= kWidestStamp + 7);
// A group of stamps writes one run of 8 more than the stamp's own runs.
static_assert(kMarginRight >= 8 * ((kWidestStamp + 7) / 8 + 1));

struct Ring {
    size_t rowLength = 0; // cells of a ring row
    uint16_t* cover = nullptr;
    uint32_t* nearest = nullptr;
    uint8_t* color = nullptr;
    // Per ring row: a stamp may have reached it since it was cleared (false: its cells are all empty).
    std::array<bool, kRingRows> stamped{};

    size_t Row(int32_t y) const { return static_cast<size_t>(y & (kRingRows - 1)) * rowLength; }
    // The ring row after the one at row (the first after the last).
    size_t Next(size_t row) const {
        row += rowLength;
        return row == kRingRows * rowLength ? 0 : row;
    }
    // With one colour only the coverage is kept: the colour follows from it. Every ring row starts
    // clear, and one that no stamp reached since is clear still.
    void Clear(int32_t y, bool oneColour) {
        const auto slot = static_cast<size_t>(y & (kRingRows - 1));
        if (!stamped[slot]) {
            return;
        }
        stamped[slot] = false;
        const size_t at = Row(y);
        std::fill_n(cover + at, rowLength, uint16_t{0});
        if (!oneColour) {
            std::fill_n(nearest + at, rowLength, kNever);
            std::fill_n(color + at, rowLength, uint8_t{0});
        }
    }
};

// One pixel's stamp: rows r0 .. r1 - 1 of it, its row 0 on layer row top and its column 0 on ring column
// col, in the colour index color.
struct StampJob {
    const Stamp* stamp = nullptr;
    int32_t top = 0;
    int32_t r0 = 0;
    int32_t r1 = 0;
    size_t col = 0;
    uint8_t color = 0;
};

// The stamps of every width and cell phase of the centre (y * 4 + x): the one of width w (1-31) and
// phase p at w * 16 + p.
const Stamp* StampTable();

// Whether the fast paths are on (see UseFastPaths).
bool FastPaths();

// Lays one source row's stamps into the ring; with one colour for every line only the cells.
void StampJobs(const StampJob* jobs, size_t n, const Ring& ring, bool oneColour);

} // namespace ts::linestamps
