// The redraw pass of the line renderer: the stamps, the freehand wobble and the pass itself.

#include "raster/pixel_tables.h"
#include "raster/super_bit_buffer.h"
#include "render/line_renderer.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstring>
#include <limits>
#include <new>

#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>
#define TS_LINE_STAMPS_AVX2 1
#elif defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace ts {

namespace {

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

// The stamp of one width centred on one quarter-pixel cell (cx, cy) of its pixel: side x side pixels,
// the centre pixel at (origin, origin); per pixel its coverage cells and the squared distance (in eighth
// pixels) from the stamp's centre to the pixel's centre.
// A stamp row's cells are kept with 8 empty ones before them and at least 8 after its runs of 8, so
// that a run of 8 read from up to 8 cells before the row's first column to the end of its runs stays
// in the row.
constexpr int32_t kStampPad = 8;

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
    // With one colour only the coverage is kept: the colour follows from it.
    void Clear(int32_t y, bool oneColour) {
        stamped[static_cast<size_t>(y & (kRingRows - 1))] = false;
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

bool g_fastPaths = true;
bool g_wideVectors = true;

#if defined(TS_LINE_STAMPS_AVX2)
const bool g_haveAvx2 = [] {
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx2") != 0;
}();
#endif

// One stamp row of n cells into a ring row: the cells joined, the colour taken where this stamp's centre
// is nearer than every earlier one.
inline void StampRow(const uint16_t* __restrict masks, const uint32_t* __restrict distance, int32_t n,
                     uint16_t* __restrict cover, uint32_t* __restrict nearest, uint8_t* __restrict color,
                     uint8_t lineColor) {
    for (int32_t c = 0; c < n; ++c) {
        cover[c] = static_cast<uint16_t>(cover[c] | masks[c]);
        const uint32_t d = distance[c];
        const bool closer = d < nearest[c];
        nearest[c] = closer ? d : nearest[c];
        color[c] = closer ? lineColor : color[c];
    }
}

class StampSet {
public:
    StampSet() {
        for (int32_t w = 1; w <= kMaxLineWidth; ++w) {
            for (int32_t phase = 0; phase < 16; ++phase) {
                Build(m_stamps[static_cast<size_t>(w)][static_cast<size_t>(phase)], w, phase & 3, phase >> 2);
            }
        }
    }
    const Stamp& Get(int32_t width, int32_t phase) const {
        return m_stamps[static_cast<size_t>(width)][static_cast<size_t>(phase)];
    }

private:
    // Width 1 is a one-pixel square of cells, so that a line of it is one pixel wide and unbroken in
    // every direction; wider ones are discs of diameter 4 x width - 1 cells.
    static void Build(Stamp& s, int32_t w, int32_t cx, int32_t cy) {
        const int32_t lo = StampLow(w);
        const int32_t hi = StampHigh(w);
        s.side = hi - lo + 1;
        s.origin = -lo;
        s.runs = (s.side + 7) / 8;
        s.stride = kStampPad + 8 * (s.runs + 1);
        const auto cells = static_cast<size_t>(s.side) * static_cast<size_t>(s.stride);
        s.masks.assign(cells, 0);
        s.distance.assign(cells, kNever);
        const int32_t r2 = 4 * w * w;
        for (int32_t py = 0; py < s.side; ++py) {
            for (int32_t px = 0; px < s.side; ++px) {
                uint16_t mask = 0;
                for (int32_t sy = 0; sy < 4; ++sy) {
                    for (int32_t sx = 0; sx < 4; ++sx) {
                        const int32_t dx = 4 * (px - s.origin) + sx - cx;
                        const int32_t dy = 4 * (py - s.origin) + sy - cy;
                        const bool in =
                            w == 1 ? dx >= -2 && dx <= 1 && dy >= -2 && dy <= 1 : dx * dx + dy * dy < r2;
                        if (in) {
                            mask = static_cast<uint16_t>(mask | 1u << SuperBitBuffer::SubPixelBit(sx, sy));
                        }
                    }
                }
                const int32_t ex = 8 * (px - s.origin) + 4 - (2 * cx + 1);
                const int32_t ey = 8 * (py - s.origin) + 4 - (2 * cy + 1);
                const size_t at = s.At(py, px);
                s.masks[at] = mask;
                // A cell without coverage is never the nearest: it can be stamped like the others.
                s.distance[at] = mask != 0 ? static_cast<uint32_t>(ex * ex + ey * ey) : kNever;
            }
        }
        s.spans.assign(2 * static_cast<size_t>(s.side), 0);
        s.rowFirst = s.side;
        s.rowLast = 0;
        for (int32_t py = 0; py < s.side; ++py) {
            int32_t first = s.side;
            int32_t last = 0;
            for (int32_t px = 0; px < s.side; ++px) {
                if (s.masks[s.At(py, px)] != 0) {
                    first = std::min(first, px);
                    last = px + 1;
                }
            }
            s.spans[2 * static_cast<size_t>(py)] = first;
            s.spans[2 * static_cast<size_t>(py) + 1] = last;
            if (first < last) {
                s.rowFirst = std::min(s.rowFirst, py);
                s.rowLast = py + 1;
            }
        }
    }

    std::array<std::array<Stamp, 16>, kMaxLineWidth + 1> m_stamps;
};

const StampSet& Stamps() {
    static const StampSet stamps;
    return stamps;
}

// A stamp into the ring.
void StampPlain(const StampJob& job, const Ring& ring) {
    const Stamp& s = *job.stamp;
    for (int32_t r = job.r0; r < job.r1; ++r) {
        const int32_t c0 = s.spans[2 * static_cast<size_t>(r)];
        const int32_t c1 = s.spans[2 * static_cast<size_t>(r) + 1];
        if (c0 >= c1) {
            continue;
        }
        const size_t k = ring.Row(job.top + r) + job.col + static_cast<size_t>(c0);
        const size_t at = s.At(r, c0);
        StampRow(s.masks.data() + at, s.distance.data() + at, c1 - c0, ring.cover + k, ring.nearest + k,
                 ring.color + k, job.color);
    }
}

#if defined(__SSE2__)
// Rows of a stamp joined into consecutive ring rows, Runs runs of 8 cells each: masks and cover step by
// their own row lengths.
template <int32_t Runs>
inline void JoinRows(const uint16_t* masks, size_t stride, uint16_t* cover, size_t rowLength, int32_t rows) {
    for (int32_t r = 0; r < rows; ++r, masks += stride, cover += rowLength) {
        for (int32_t c = 0; c < 8 * Runs; c += 8) {
            auto* at = reinterpret_cast<__m128i*>(cover + c);
            _mm_storeu_si128(at, _mm_or_si128(_mm_loadu_si128(at),
                                              _mm_loadu_si128(reinterpret_cast<const __m128i*>(masks + c))));
        }
    }
}

// A stamp's rows r0 .. r1 - 1 in whole runs of 8 from each row's first column (the cells past the side
// are empty): the ring rows up to its last one, then those from its first one.
template <int32_t Runs> void JoinStamp(const StampJob& job, const Ring& ring) {
    const Stamp& s = *job.stamp;
    const auto stride = static_cast<size_t>(s.stride);
    const uint16_t* masks = s.masks.data() + s.At(job.r0, 0);
    const int32_t y = job.top + job.r0;
    const int32_t rows = job.r1 - job.r0;
    const int32_t beforeWrap = std::min(rows, kRingRows - (y & (kRingRows - 1)));
    JoinRows<Runs>(masks, stride, ring.cover + ring.Row(y) + job.col, ring.rowLength, beforeWrap);
    if (rows > beforeWrap) {
        JoinRows<Runs>(masks + static_cast<size_t>(beforeWrap) * stride, stride, ring.cover + job.col,
                       ring.rowLength, rows - beforeWrap);
    }
}

// Stamps of one side, on one top row, whose first columns lie from the first one's to 8 past it: the
// group's cells are joined in registers a run of ring cells at a time, and each run is written once.
// A stamp starting k columns right of the first is read from k cells before its row, where its padding
// is empty.
constexpr size_t kMaxGroup = 9;

struct Group {
    std::array<const uint16_t*, kMaxGroup> masks{}; // per stamp, its row r0 from the group's first column
    size_t n = 0;
    size_t stride = 0;
    int32_t rows = 0;
    uint16_t* cover = nullptr; // the ring cells of row r0 from the first stamp's first column

    Group(const StampJob* jobs, size_t count, const Ring& ring) : n(count) {
        const StampJob& lead = jobs[0];
        stride = static_cast<size_t>(lead.stamp->stride);
        int32_t r0 = lead.r0;
        int32_t r1 = lead.r1;
        for (size_t j = 1; j < n; ++j) {
            r0 = std::min(r0, jobs[j].r0);
            r1 = std::max(r1, jobs[j].r1);
        }
        // Rows outside a stamp's own ones are still its rows (its side and top are the group's): empty
        // or not, they lie in ring rows the source row may stamp.
        for (size_t j = 0; j < n; ++j) {
            const int32_t k = static_cast<int32_t>(jobs[j].col - lead.col);
            masks[j] = jobs[j].stamp->masks.data() + jobs[j].stamp->At(r0, -k);
        }
        rows = r1 - r0;
        cover = ring.cover + ring.Row(lead.top + r0) + lead.col;
    }
};

// Runs + 1 runs of 8 cells per row: a stamp's own runs and the at most 8 columns the group spans.
template <int32_t Runs> void JoinGroup(const StampJob* jobs, size_t count, const Ring& ring) {
    const Group g(jobs, count, ring);
    uint16_t* const end = ring.cover + kRingRows * ring.rowLength;
    uint16_t* cover = g.cover;
    for (size_t row = 0; row < g.stride * static_cast<size_t>(g.rows); row += g.stride) {
        for (size_t c = 0; c <= 8 * Runs; c += 8) {
            __m128i cells = _mm_loadu_si128(reinterpret_cast<const __m128i*>(g.masks[0] + row + c));
            for (size_t j = 1; j < g.n; ++j) {
                cells = _mm_or_si128(cells,
                                     _mm_loadu_si128(reinterpret_cast<const __m128i*>(g.masks[j] + row + c)));
            }
            auto* at = reinterpret_cast<__m128i*>(cover + c);
            _mm_storeu_si128(at, _mm_or_si128(_mm_loadu_si128(at), cells));
        }
        cover += ring.rowLength;
        cover -= cover >= end ? kRingRows * ring.rowLength : 0;
    }
}

#if defined(TS_LINE_STAMPS_AVX2)
// JoinGroup sixteen cells at a time, the last eight alone when the runs are even.
template <int32_t Runs>
__attribute__((target("avx2"))) void JoinGroupAvx2(const StampJob* jobs, size_t count, const Ring& ring) {
    const Group g(jobs, count, ring);
    uint16_t* const end = ring.cover + kRingRows * ring.rowLength;
    uint16_t* cover = g.cover;
    constexpr size_t kCells = 8 * (Runs + 1);
    for (size_t row = 0; row < g.stride * static_cast<size_t>(g.rows); row += g.stride) {
        for (size_t c = 0; c + 16 <= kCells; c += 16) {
            __m256i cells = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(g.masks[0] + row + c));
            for (size_t j = 1; j < g.n; ++j) {
                cells = _mm256_or_si256(
                    cells, _mm256_loadu_si256(reinterpret_cast<const __m256i*>(g.masks[j] + row + c)));
            }
            auto* at = reinterpret_cast<__m256i*>(cover + c);
            _mm256_storeu_si256(at, _mm256_or_si256(_mm256_loadu_si256(at), cells));
        }
        if constexpr (kCells % 16 != 0) {
            constexpr size_t c = kCells - 8;
            __m128i cells = _mm_loadu_si128(reinterpret_cast<const __m128i*>(g.masks[0] + row + c));
            for (size_t j = 1; j < g.n; ++j) {
                cells = _mm_or_si128(cells,
                                     _mm_loadu_si128(reinterpret_cast<const __m128i*>(g.masks[j] + row + c)));
            }
            auto* at = reinterpret_cast<__m128i*>(cover + c);
            _mm_storeu_si128(at, _mm_or_si128(_mm_loadu_si128(at), cells));
        }
        cover += ring.rowLength;
        cover -= cover >= end ? kRingRows * ring.rowLength : 0;
    }
}
#endif

template <int32_t Runs> void JoinGroupFor(const StampJob* jobs, size_t n, const Ring& ring) {
#if defined(TS_LINE_STAMPS_AVX2)
    if (g_haveAvx2 && g_wideVectors) {
        JoinGroupAvx2<Runs>(jobs, n, ring);
        return;
    }
#endif
    JoinGroup<Runs>(jobs, n, ring);
}

void JoinGroupOfRuns(const StampJob* jobs, size_t n, const Ring& ring) {
    switch (jobs[0].stamp->runs) {
    case 1:
        JoinGroupFor<1>(jobs, n, ring);
        return;
    case 2:
        JoinGroupFor<2>(jobs, n, ring);
        return;
    case 3:
        JoinGroupFor<3>(jobs, n, ring);
        return;
    case 4:
        JoinGroupFor<4>(jobs, n, ring);
        return;
    default:
        JoinGroupFor<5>(jobs, n, ring);
        return;
    }
}
#endif

// StampPlain where every line has one colour: only the cells are joined.
void StampCells(const StampJob& job, const Ring& ring) {
    const Stamp& s = *job.stamp;
#if defined(__SSE2__)
    if (g_fastPaths) {
        static_assert((kWidestStamp + 7) / 8 == 5);
        switch (s.runs) {
        case 1:
            JoinStamp<1>(job, ring);
            return;
        case 2:
            JoinStamp<2>(job, ring);
            return;
        case 3:
            JoinStamp<3>(job, ring);
            return;
        case 4:
            JoinStamp<4>(job, ring);
            return;
        default:
            JoinStamp<5>(job, ring);
            return;
        }
    }
#endif
    for (int32_t r = job.r0; r < job.r1; ++r) {
        const int32_t c0 = s.spans[2 * static_cast<size_t>(r)];
        const int32_t n = s.spans[2 * static_cast<size_t>(r) + 1] - c0;
        const uint16_t* masks = s.masks.data() + s.At(r, c0);
        uint16_t* cover = ring.cover + ring.Row(job.top + r) + job.col + static_cast<size_t>(c0);
        for (int32_t c = 0; c < n; ++c) {
            cover[c] = static_cast<uint16_t>(cover[c] | masks[c]);
        }
    }
}

#if defined(TS_LINE_STAMPS_AVX2)
// StampPlain eight cells at a time, over whole runs of 8 from each row's first column: the cells past the
// side are empty (no cells, never nearest), so the ring's cells there are written back as they were.
__attribute__((target("avx2"))) void StampAvx2(const StampJob& job, const Ring& ring) {
    const Stamp& s = *job.stamp;
    const __m128i lineColors = _mm_set1_epi8(static_cast<char>(job.color));
    const int32_t n = 8 * s.runs;
    size_t row = ring.Row(job.top + job.r0);
    for (int32_t r = job.r0; r < job.r1; ++r, row = ring.Next(row)) {
        const size_t k = row + job.col;
        const size_t at = s.At(r, 0);
        const uint16_t* masks = s.masks.data() + at;
        const uint32_t* distance = s.distance.data() + at;
        uint16_t* cover = ring.cover + k;
        uint32_t* nearest = ring.nearest + k;
        uint8_t* color = ring.color + k;
        for (int32_t c = 0; c < n; c += 8) {
            auto* coverAt = reinterpret_cast<__m128i*>(cover + c);
            _mm_storeu_si128(coverAt,
                             _mm_or_si128(_mm_loadu_si128(coverAt),
                                          _mm_loadu_si128(reinterpret_cast<const __m128i*>(masks + c))));
            auto* nearestAt = reinterpret_cast<__m256i*>(nearest + c);
            const __m256i before = _mm256_loadu_si256(nearestAt);
            const __m256i after =
                _mm256_min_epu32(before, _mm256_loadu_si256(reinterpret_cast<const __m256i*>(distance + c)));
            _mm256_storeu_si256(nearestAt, after);
            // Lanes whose nearest stayed keep their colour: the 32-bit lanes' masks narrowed to bytes.
            const __m256i same = _mm256_cmpeq_epi32(before, after);
            const __m128i same16 =
                _mm_packs_epi32(_mm256_castsi256_si128(same), _mm256_extracti128_si256(same, 1));
            const __m128i same8 = _mm_packs_epi16(same16, same16);
            auto* colorAt = reinterpret_cast<__m128i*>(color + c);
            _mm_storel_epi64(colorAt, _mm_blendv_epi8(lineColors, _mm_loadl_epi64(colorAt), same8));
        }
    }
}
#endif

// A source row's stamps, in row order except within a run of stamps of one colour: the cells and the
// nearest distances they leave do not depend on their order, and the colour is theirs wherever one of
// them is nearer than what was there. Neighbouring stamps overlap, and a run of cells read just after a
// neighbour wrote them waits for that write; so within a run they go kSpread stamps apart. With one
// colour for every line only the cells are joined.
constexpr size_t kSpread = 16;

void StampJobs(const StampJob* jobs, size_t n, const Ring& ring, bool oneColour) {
#if defined(__SSE2__)
    if (oneColour && g_fastPaths) {
        // The cells alone, in any order: neighbours on one row and top go in groups.
        for (size_t start = 0; start < n;) {
            const StampJob& lead = jobs[start];
            size_t end = start + 1;
            while (end < n && end - start < kMaxGroup && jobs[end].top == lead.top &&
                   jobs[end].stamp->side == lead.stamp->side && jobs[end].col >= lead.col &&
                   jobs[end].col <= lead.col + 8) {
                ++end;
            }
            if (end - start == 1) {
                StampCells(lead, ring);
            } else {
                JoinGroupOfRuns(jobs + start, end - start, ring);
            }
            start = end;
        }
        return;
    }
#endif
#if defined(TS_LINE_STAMPS_AVX2)
    const bool vectors = g_fastPaths && g_haveAvx2 && g_wideVectors;
#endif
    const size_t spread = g_fastPaths ? kSpread : 1;
    for (size_t start = 0; start < n;) {
        size_t end = start + 1;
        while (end < n && (oneColour || jobs[end].color == jobs[start].color)) {
            ++end;
        }
        for (size_t k = start; k < std::min(end, start + spread); ++k) {
            for (size_t j = k; j < end; j += spread) {
                if (oneColour) {
                    StampCells(jobs[j], ring);
                    continue;
                }
#if defined(TS_LINE_STAMPS_AVX2)
                if (vectors) {
                    StampAvx2(jobs[j], ring);
                    continue;
                }
#endif
                StampPlain(jobs[j], ring);
            }
        }
        start = end;
    }
}

// The freehand table: for amount a and a byte r, the displacement 3a quarter pixels long in the
// direction r x 2 pi / 256. The bytes come from a smooth random field, so the direction turns slowly
// along a line and neighbouring stamps stay close enough to overlap.
struct WobbleTable {
    std::array<std::array<int8_t, 256>, kMaxFreehand + 1> dx{};
    std::array<std::array<int8_t, 256>, kMaxFreehand + 1> dy{};

    WobbleTable() {
        constexpr double kPi = 3.14159265358979323846;
        for (int32_t a = 1; a <= kMaxFreehand; ++a) {
            for (int32_t r = 0; r < 256; ++r) {
                const double angle = 2.0 * kPi * r / 256.0;
                dx[static_cast<size_t>(a)][static_cast<size_t>(r)] =
                    static_cast<int8_t>(std::lround(3.0 * a * std::cos(angle)));
                dy[static_cast<size_t>(a)][static_cast<size_t>(r)] =
                    static_cast<int8_t>(std::lround(3.0 * a * std::sin(angle)));
            }
        }
    }
};

const WobbleTable& Wobbles() {
    static const WobbleTable table;
    return table;
}

// The random grid: one random byte every kGrid pixels (repeating every 128 grid points), bilinearly
// interpolated in between.
constexpr int32_t kGridShift = 6;
constexpr int32_t kGrid = 1 << kGridShift;

uint8_t GridByte(int32_t gx, int32_t gy) {
    return RandomByte(static_cast<size_t>((gy & 127) << 7 | (gx & 127)));
}

uint8_t FieldByte(int32_t x, int32_t y) {
    const int32_t gx = x >> kGridShift;
    const int32_t gy = y >> kGridShift;
    const int32_t fx = x & (kGrid - 1);
    const int32_t fy = y & (kGrid - 1);
    const int32_t top = GridByte(gx, gy) * (kGrid - fx) + GridByte(gx + 1, gy) * fx;
    const int32_t bottom = GridByte(gx, gy + 1) * (kGrid - fx) + GridByte(gx + 1, gy + 1) * fx;
    return static_cast<uint8_t>((top * (kGrid - fy) + bottom * fy) >> (2 * kGridShift));
}

// FieldByte along one row, the grid's bytes of a cell looked up once: the interpolation across the
// cell's columns of its left and right edges' values down the rows is the same sum.
class FieldRow {
public:
    explicit FieldRow(int32_t y) : m_gy(y >> kGridShift), m_fy(y & (kGrid - 1)) {}
    uint8_t At(int32_t x) {
        const int32_t gx = x >> kGridShift;
        if (gx != m_gx) {
            m_gx = gx;
            m_left = GridByte(gx, m_gy) * (kGrid - m_fy) + GridByte(gx, m_gy + 1) * m_fy;
            m_right = GridByte(gx + 1, m_gy) * (kGrid - m_fy) + GridByte(gx + 1, m_gy + 1) * m_fy;
        }
        const int32_t fx = x & (kGrid - 1);
        return static_cast<uint8_t>((m_left * (kGrid - fx) + m_right * fx) >> (2 * kGridShift));
    }

private:
    int32_t m_gy;
    int32_t m_fy;
    int32_t m_gx = std::numeric_limits<int32_t>::min();
    int32_t m_left = 0;
    int32_t m_right = 0;
};

// The cell nearest to the mean of a pixel's occupied cells, for every occupancy mask: x in the low
// nibble, y in the high one.
class CentreCells {
public:
    CentreCells() : m_cells(65536) {
        for (uint32_t mask = 1; mask < 65536; ++mask) {
            int32_t sumX = 0;
            int32_t sumY = 0;
            int32_t n = 0;
            for (int32_t sy = 0; sy < 4; ++sy) {
                for (int32_t sx = 0; sx < 4; ++sx) {
                    if ((mask >> SuperBitBuffer::SubPixelBit(sx, sy)) & 1u) {
                        sumX += sx;
                        sumY += sy;
                        ++n;
                    }
                }
            }
            m_cells[mask] = static_cast<uint8_t>((2 * sumX + n) / (2 * n) | ((2 * sumY + n) / (2 * n)) << 4);
        }
    }
    uint8_t operator[](uint16_t mask) const { return m_cells[mask]; }
    const uint8_t* Data() const { return m_cells.data(); }

private:
    std::vector<uint8_t> m_cells;
};

const CentreCells& Centres() {
    static const CentreCells centres;
    return centres;
}

bool Fits(const RLBuffer* b, int32_t w, int32_t h) {
    return b && b->IsCreated() && b->Width() == w && b->Height() == h && b->BytesPerPixel() == 1;
}

// Whether n masks equal the two-byte, low-first masks stored at bytes, and writing them there.
bool SameAsStored(const uint16_t* masks, size_t n, const uint8_t* bytes) {
    if constexpr (std::endian::native == std::endian::little) {
        return std::memcmp(masks, bytes, 2 * n) == 0;
    }
    for (size_t i = 0; i < n; ++i) {
        if (bytes[2 * i] != static_cast<uint8_t>(masks[i]) || bytes[2 * i + 1] != (masks[i] >> 8)) {
            return false;
        }
    }
    return true;
}

void StoreMasks(const uint16_t* masks, size_t n, uint8_t* bytes) {
    if constexpr (std::endian::native == std::endian::little) {
        std::memcpy(bytes, masks, 2 * n);
        return;
    }
    for (size_t i = 0; i < n; ++i) {
        bytes[2 * i] = static_cast<uint8_t>(masks[i]);
        bytes[2 * i + 1] = static_cast<uint8_t>(masks[i] >> 8);
    }
}

} // namespace

namespace linestamps {

void Wobble(int32_t amount, int32_t x, int32_t y, int32_t& dx, int32_t& dy) {
    if (amount <= 0 || amount > kMaxFreehand) {
        dx = dy = 0;
        return;
    }
    const uint8_t r = FieldByte(x, y);
    dx = Wobbles().dx[static_cast<size_t>(amount)][r];
    dy = Wobbles().dy[static_cast<size_t>(amount)][r];
}

bool UseFastPaths(bool on) {
    const bool previous = g_fastPaths;
    g_fastPaths = on;
    return previous;
}

bool UseWideVectors(bool on) {
    const bool previous = g_wideVectors;
    g_wideVectors = on;
    return previous;
}

} // namespace linestamps

namespace {

// Whether every line pixel of the source rectangle has the same colour index (gaps counted too), and
// which. Stops at the second colour.
bool OneColour(const RLBuffer& occupancy, const RLBuffer* colors, const Rect& src, uint8_t* occ, uint8_t* row,
               uint8_t& value) {
    value = 0;
    if (!colors) {
        return true; // every line draws with colour 0
    }
    bool found = false;
    for (int32_t sy = src.top; sy < src.bottom; ++sy) {
        uint8_t one = 0;
        if (occupancy.RowIsOneValue(sy, one) && one == 0) {
            continue;
        }
        const rowcodec::SpanInfo info = occupancy.ReadSpan(sy, 2 * static_cast<size_t>(src.left),
                                                           2 * static_cast<size_t>(src.right), occ, 0);
        if (info.first == info.last) {
            continue;
        }
        const size_t first = info.first / 2;
        const size_t last = (info.last + 1) / 2;
        const rowcodec::SpanInfo colours = colors->ReadSpan(sy, static_cast<size_t>(src.left) + first,
                                                            static_cast<size_t>(src.left) + last, row, 0);
        if (colours.uniform && (!found || colours.value == value)) {
            found = true;
            value = colours.value;
            continue;
        }
        for (size_t i = first; i < last; ++i) {
            if ((occ[2 * i] | occ[2 * i + 1]) == 0) {
                continue;
            }
            if (found && row[i - first] != value) {
                return false;
            }
            found = true;
            value = row[i - first];
        }
    }
    return true;
}

// Whether bytes from .. to - 1 of a stored row are all 0; scratch holds to - from bytes.
bool StoredZeros(const RLBuffer& buffer, int32_t y, size_t from, size_t to, uint8_t* scratch) {
    uint8_t one = 0;
    if (buffer.RowIsOneValue(y, one)) {
        return one == 0;
    }
    const rowcodec::SpanInfo info = buffer.ReadContent(y, from, to, scratch, 0);
    return info.first == info.last;
}

uint64_t Load64(const uint8_t* p) {
    uint64_t v = 0;
    std::memcpy(&v, p, sizeof v);
    return v;
}

// The first byte of n that differs between a and b, and one past the last; first == last when none.
void Differing(const uint8_t* a, const uint8_t* b, size_t n, size_t& first, size_t& last) {
    first = 0;
    while (first + 8 <= n && Load64(a + first) == Load64(b + first)) {
        first += 8;
    }
    while (first < n && a[first] == b[first]) {
        ++first;
    }
    last = n;
    while (last >= first + 8 && Load64(a + last - 8) == Load64(b + last - 8)) {
        last -= 8;
    }
    while (last > first && a[last - 1] == b[last - 1]) {
        --last;
    }
}

// Reads bytes from .. to - 1 of a row: the whole row at once when they are all of it.
void ReadBytes(const RLBuffer& buffer, int32_t y, size_t from, size_t to, uint8_t* bytes) {
    if (from == 0 && to == buffer.RawRowLength()) {
        buffer.ReadRow(y, bytes);
    } else {
        buffer.ReadSpan(y, from, to, bytes, 0);
    }
}

// Stores bytes from .. to - 1 of a row: the whole row at once when they are all of it.
void PutBytes(RLBuffer& buffer, int32_t y, size_t from, size_t to, const uint8_t* bytes) {
    if (from == 0 && to == buffer.RawRowLength()) {
        buffer.PutRow(y, bytes);
    } else {
        buffer.PutSpan(y, from, to, bytes);
    }
}

} // namespace

Rect LineRenderer::RedrawLines(const Rect& area, ProgressMeter* progress) {
    if (!m_valid) {
        return Rect{};
    }
    const Rect out = Intersection(Grown(area, kLineReach), LayerRectangle());
    if (out.IsEmpty()) {
        return Rect{};
    }
    const Rect src = Intersection(Grown(out, kLineReach), LayerRectangle());
    const RLBuffer& occupancy = *m_layer.frame->drawingBuffer;
    ObjectLineArt& l = *m_layer.lineArt;
    const RLBuffer* styles =
        Fits(l.lineAppearanceIndex.get(), m_width, m_height) ? l.lineAppearanceIndex.get() : nullptr;
    const RLBuffer* widths = Fits(l.refreshWidth.get(), m_width, m_height) ? l.refreshWidth.get() : nullptr;
    const RLBuffer* colors =
        Fits(l.colorAppearanceIndex.get(), m_width, m_height) ? l.colorAppearanceIndex.get() : nullptr;
    RLBuffer& coverage = *l.lineBuffer;
    RLBuffer& rendered = *l.refreshAppearance;
    const StampSet& stamps = Stamps();
    const uint8_t* centreCells = Centres().Data();
    const WobbleTable& wobbles = Wobbles();

    const auto ow = static_cast<size_t>(out.Width());
    const auto sw = static_cast<size_t>(src.Width());
    Ring ring;
    ring.rowLength = ow + kMarginLeft + kMarginRight;
    std::vector<uint16_t> cover;
    std::vector<uint32_t> nearest;
    std::vector<uint8_t> color;
    std::vector<uint8_t> occ, styleRow, widthRow, colorRow, storedCover, newCover, storedColor;
    std::vector<StampJob> jobs;
    try {
        jobs.resize(sw);
        const size_t cells = kRingRows * ring.rowLength;
        cover.resize(cells);
        nearest.resize(cells);
        color.resize(cells);
        occ.resize(2 * sw);
        styleRow.resize(sw);
        widthRow.resize(sw);
        colorRow.resize(sw);
        storedCover.resize(2 * ow);
        newCover.resize(2 * ow);
        storedColor.resize(ow);
    } catch (const std::bad_alloc&) {
        return Rect{};
    }
    ring.cover = cover.data();
    ring.nearest = nearest.data();
    ring.color = color.data();
    // Lines of one colour need no distances: a pixel takes the colour wherever a stamp covers a cell.
    uint8_t lineColour = 0;
    const bool oneColour =
        g_fastPaths && OneColour(occupancy, colors, src, occ.data(), colorRow.data(), lineColour);
    if (progress) {
        progress->Start(out.Height());
    }

    // A finished row goes back to the parts where it differs from what they hold: each coverage mask as
    // two bytes, low byte first, and the colour index only where a stamp covered a cell (0 elsewhere).
    // The first and last bytes that differ make the box of changed pixels. A ring row no stamp reached
    // is empty: the stored row need only be found empty.
    Rect changed{};
    const auto noteChanged = [&](int32_t y, size_t first, size_t last) {
        changed = Union(changed, Rect{out.left + static_cast<int32_t>(first), y,
                                      out.left + static_cast<int32_t>(last), y + 1});
    };
    const auto coverFrom = 2 * static_cast<size_t>(out.left);
    const auto coverTo = 2 * static_cast<size_t>(out.right);
    const auto colorFrom = static_cast<size_t>(out.left);
    const auto colorTo = static_cast<size_t>(out.right);
    const auto finish = [&](int32_t y) {
        const size_t at = ring.Row(y) + kMarginLeft;
        const bool stamped = ring.stamped[static_cast<size_t>(y & (kRingRows - 1))];
        if (stamped || !StoredZeros(coverage, y, coverFrom, coverTo, storedCover.data())) {
            ReadBytes(coverage, y, coverFrom, coverTo, storedCover.data());
            if (!SameAsStored(ring.cover + at, ow, storedCover.data())) {
                StoreMasks(ring.cover + at, ow, newCover.data());
                size_t first = 0;
                size_t last = 0;
                Differing(newCover.data(), storedCover.data(), 2 * ow, first, last);
                first /= 2;
                last = (last + 1) / 2;
                PutBytes(coverage, y, coverFrom, coverTo, newCover.data());
                noteChanged(y, first, last);
            }
        }
        // With one colour the colours follow from the cells; with colour 0, or no cells, they are all 0.
        const bool zeros = oneColour ? !stamped || lineColour == 0 : !stamped;
        if (zeros && StoredZeros(rendered, y, colorFrom, colorTo, storedColor.data())) {
            if (progress) {
                progress->Step();
            }
            return;
        }
        if (oneColour) {
            for (size_t i = 0; i < ow; ++i) {
                ring.color[at + i] = ring.cover[at + i] != 0 ? lineColour : uint8_t{0};
            }
        }
        ReadBytes(rendered, y, colorFrom, colorTo, storedColor.data());
        if (std::memcmp(storedColor.data(), ring.color + at, ow) != 0) {
            size_t first = 0;
            size_t last = 0;
            Differing(ring.color + at, storedColor.data(), ow, first, last);
            PutBytes(rendered, y, colorFrom, colorTo, ring.color + at);
            noteChanged(y, first, last);
        }
        if (progress) {
            progress->Step();
        }
    };

    int32_t cleared = out.top;  // rows before this one have their ring row cleared
    int32_t finished = out.top; // and before this one are final and stored
    for (int32_t sy = src.top; sy < src.bottom; ++sy) {
        for (const int32_t reached = std::min(out.bottom, sy + kLineReach + 1); cleared < reached;
             ++cleared) {
            ring.Clear(cleared, oneColour);
        }
        // The output rows this source row's stamps may touch: all of them are in the ring.
        const int32_t rowsFrom = std::max(out.top, sy - kLineReach);
        const int32_t rowsTo = cleared;
        uint8_t one = 0;
        const bool empty = occupancy.RowIsOneValue(sy, one) && one == 0;
        const rowcodec::SpanInfo info =
            empty ? rowcodec::SpanInfo{}
                  : occupancy.ReadSpan(sy, 2 * static_cast<size_t>(src.left),
                                       2 * static_cast<size_t>(src.right), occ.data(), 0);
        int32_t touchedFrom = std::numeric_limits<int32_t>::max(); // the ring rows this row's stamps reach
        int32_t touchedTo = std::numeric_limits<int32_t>::min();
        if (info.first != info.last && rowsFrom < rowsTo) {
            const size_t first = info.first / 2;
            const size_t last = (info.last + 1) / 2;
            const auto read = [&](const RLBuffer* b, std::vector<uint8_t>& row) {
                if (b) {
                    b->ReadSpan(sy, static_cast<size_t>(src.left) + first,
                                static_cast<size_t>(src.left) + last, row.data() + first, 0);
                } else {
                    std::fill(row.begin() + static_cast<ptrdiff_t>(first),
                              row.begin() + static_cast<ptrdiff_t>(last), uint8_t{0});
                }
            };
            read(styles, styleRow);
            read(widths, widthRow);
            if (!oneColour) {
                read(colors, colorRow); // with one colour the cells alone are stamped
            }
            FieldRow field(sy);
            size_t count = 0;
            for (size_t i = first; i < last; ++i) {
                const auto mask = static_cast<uint16_t>(occ[2 * i] | occ[2 * i + 1] << 8);
                if (mask == 0 || (styleRow[i] & kLineGapBit) != 0) {
                    continue; // no line, or a gap of its dash pattern
                }
                const int32_t sx = src.left + static_cast<int32_t>(i);
                const uint8_t centre = centreCells[mask];
                int32_t qx = 4 * sx + (centre & 15);
                int32_t qy = 4 * sy + (centre >> 4);
                const int32_t amount = LineFreehandOf(widthRow[i]);
                if (amount != 0) {
                    const uint8_t r = field.At(sx);
                    qx += wobbles.dx[static_cast<size_t>(amount)][r];
                    qy += wobbles.dy[static_cast<size_t>(amount)][r];
                }
                const Stamp& s = stamps.Get(LineWidthOf(widthRow[i]), (qy & 3) * 4 + (qx & 3));
                const int32_t left = FloorDiv4(qx) - s.origin;
                const int32_t top = FloorDiv4(qy) - s.origin;
                const int32_t r0 = std::max(s.rowFirst, rowsFrom - top);
                const int32_t r1 = std::min(s.rowLast, rowsTo - top);
                if (r0 >= r1 || left >= out.right || left + s.side <= out.left) {
                    continue; // the stamp misses the output
                }
                jobs[count++] = StampJob{&s,
                                         top,
                                         r0,
                                         r1,
                                         static_cast<size_t>(left - out.left + kMarginLeft),
                                         oneColour ? lineColour : colorRow[i]};
                touchedFrom = std::min(touchedFrom, top + r0);
                touchedTo = std::max(touchedTo, top + r1);
            }
            StampJobs(jobs.data(), count, ring, oneColour);
            for (int32_t y = touchedFrom; y < touchedTo; ++y) {
                ring.stamped[static_cast<size_t>(y & (kRingRows - 1))] = true;
            }
        }
        for (; finished < out.bottom && finished <= sy - kLineReach; ++finished) {
            finish(finished);
        }
    }
    for (; cleared < out.bottom; ++cleared) {
        ring.Clear(cleared, oneColour);
    }
    for (; finished < out.bottom; ++finished) {
        finish(finished);
    }
    if (progress) {
        progress->Finish();
    }
    // What may look different: the rectangle asked for (its bytes may have changed) and every pixel
    // around it whose coverage or colour did.
    return Union(Intersection(area, LayerRectangle()), changed);
}

} // namespace ts
