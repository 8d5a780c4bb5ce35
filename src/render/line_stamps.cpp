// The kernels that lay the line redraw's stamps into its ring of output rows.

#include "render/line_stamps.h"

#include "raster/super_bit_buffer.h"

#include <algorithm>

#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>
#define TS_LINE_STAMPS_AVX2 1
#elif defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace ts::linestamps {

namespace {

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
                Build(m_stamps[static_cast<size_t>(w * 16 + phase)], w, phase & 3, phase >> 2);
            }
        }
    }
    // Width w and phase p at w * 16 + p.
    const Stamp* Table() const { return m_stamps.data(); }

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

    std::array<Stamp, 16 * (kMaxLineWidth + 1)> m_stamps;
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

// The group's 8 cells from column c of a mask row, or-ed into the cover.
inline void JoinEight(const Group& g, size_t row, size_t c, uint16_t* cover) {
    __m128i cells = _mm_loadu_si128(reinterpret_cast<const __m128i*>(g.masks[0] + row + c));
    for (size_t j = 1; j < g.n; ++j) {
        cells = _mm_or_si128(cells, _mm_loadu_si128(reinterpret_cast<const __m128i*>(g.masks[j] + row + c)));
    }
    auto* at = reinterpret_cast<__m128i*>(cover + c);
    _mm_storeu_si128(at, _mm_or_si128(_mm_loadu_si128(at), cells));
}

// Runs + 1 runs of 8 cells per row: a stamp's own runs and the at most 8 columns the group spans.
template <int32_t Runs> void JoinGroup(const StampJob* jobs, size_t count, const Ring& ring) {
    const Group g(jobs, count, ring);
    uint16_t* const end = ring.cover + kRingRows * ring.rowLength;
    uint16_t* cover = g.cover;
    for (size_t row = 0; row < g.stride * static_cast<size_t>(g.rows); row += g.stride) {
        for (size_t c = 0; c <= 8 * Runs; c += 8) {
            JoinEight(g, row, c, cover);
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
            JoinEight(g, row, kCells - 8, cover);
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

} // namespace

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

const Stamp* StampTable() {
    return Stamps().Table();
}

bool FastPaths() {
    return g_fastPaths;
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

} // namespace ts::linestamps
