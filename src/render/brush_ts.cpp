#include "render/brush_ts.h"

#include "raster/super_bit_buffer.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <new>

namespace ts {

namespace {

int32_t MakeOdd(int32_t v) {
    if (v < 1) {
        return 1;
    }
    return (v & 1) ? v : v + 1;
}

// The rim of a disc mask, whose covered pixels form one run per row (spans: first and one past the last
// column of each row, equal when the row is empty): the covered positions with a 4-neighbour that is
// uncovered or outside the mask.
std::vector<uint32_t> Rim(const std::vector<uint16_t>& spans, int32_t side) {
    std::vector<uint32_t> rim;
    auto from = [&](int32_t y) { return y < 0 || y >= side ? 0 : spans[static_cast<size_t>(2 * y)]; };
    auto to = [&](int32_t y) { return y < 0 || y >= side ? 0 : spans[static_cast<size_t>(2 * y + 1)]; };
    for (int32_t y = 0; y < side; ++y) {
        // Inside the runs above and below (and not the run's ends) a pixel has all four neighbours.
        const int32_t innerFrom = std::max({from(y) + 1, int32_t{from(y - 1)}, int32_t{from(y + 1)}});
        const int32_t innerTo = std::min({to(y) - 1, int32_t{to(y - 1)}, int32_t{to(y + 1)}});
        const bool aboveOrBelowEmpty = from(y - 1) == to(y - 1) || from(y + 1) == to(y + 1);
        for (int32_t x = from(y); x < to(y); ++x) {
            if (aboveOrBelowEmpty || x < innerFrom || x >= innerTo) {
                rim.push_back(static_cast<uint32_t>(y) << 16 | static_cast<uint32_t>(x));
            } else {
                x = innerTo - 1; // skip the inside
            }
        }
    }
    return rim;
}

// The outline of a mask: for each of the 4 side - 4 border positions, clockwise from the top left
// corner, the rim position in the same direction from the centre pixel (the nearest in angle). The rim,
// sorted by angle, is searched once per border position.
std::vector<uint32_t> TraceOutline(const std::vector<uint16_t>& spans, int32_t side) {
    const std::vector<uint32_t> rim = Rim(spans, side);
    const double c = side / 2;
    auto angle = [c](int32_t x, int32_t y) { return std::atan2(y - c, x - c); };
    std::vector<std::pair<double, uint32_t>> byAngle;
    byAngle.reserve(rim.size());
    for (uint32_t p : rim) {
        byAngle.emplace_back(angle(static_cast<int32_t>(p & 0xFFFF), static_cast<int32_t>(p >> 16)), p);
    }
    std::sort(byAngle.begin(), byAngle.end());
    auto towards = [&](int32_t x, int32_t y) -> uint32_t {
        if (byAngle.empty()) {
            return 0;
        }
        const double a = angle(x, y);
        auto it = std::lower_bound(byAngle.begin(), byAngle.end(), std::make_pair(a, uint32_t{0}));
        // The candidates either side, the list being circular.
        const auto after = it == byAngle.end() ? byAngle.begin() : it;
        const auto before = it == byAngle.begin() ? byAngle.end() - 1 : it - 1;
        auto gap = [a](double b) {
            const double d = std::fabs(a - b);
            return d > M_PI ? 2 * M_PI - d : d;
        };
        return gap(after->first) <= gap(before->first) ? after->second : before->second;
    };
    std::vector<uint32_t> outline;
    outline.reserve(static_cast<size_t>(4 * side - 4));
    for (int32_t x = 0; x < side - 1; ++x) {
        outline.push_back(towards(x, 0));
    }
    for (int32_t y = 0; y < side - 1; ++y) {
        outline.push_back(towards(side - 1, y));
    }
    for (int32_t x = side - 1; x > 0; --x) {
        outline.push_back(towards(x, side - 1));
    }
    for (int32_t y = side - 1; y > 0; --y) {
        outline.push_back(towards(0, y));
    }
    return outline;
}

// Floor of a / b for b > 0.
int64_t FloorDiv(int64_t a, int64_t b) {
    return a >= 0 ? a / b : -((-a + b - 1) / b);
}

// The largest r with r * r <= v (v >= 0).
int64_t IntegerSqrt(int64_t v) {
    auto r = static_cast<int64_t>(std::sqrt(static_cast<double>(v)));
    while (r * r > v) {
        --r;
    }
    while ((r + 1) * (r + 1) <= v) {
        ++r;
    }
    return r;
}

} // namespace

BrushTS::BrushTS() {
    SetSize(50, 1);
}

void BrushTS::SetSize(int32_t size, int32_t zoom) {
    m_size = MakeOdd(std::min(size, kMaxSize));
    m_zoom = zoom;
    int64_t zoomed = m_size;
    if (zoom >= 1) {
        zoomed = m_size / zoom;
    } else if (zoom <= -1) {
        zoomed = int64_t{m_size} * -int64_t{zoom};
    }
    // A footprint beyond the cap would take hundreds of megabytes of masks; it is held to the cap.
    zoomed = MakeOdd(static_cast<int32_t>(std::min<int64_t>(zoomed, kMaxSize)));
    m_side = static_cast<int32_t>(zoomed) + 2;
    try {
        Build();
    } catch (const std::bad_alloc&) {
        // Out of memory: the smallest footprint rather than none.
        m_side = 3;
        zoomed = 1;
        Build();
    }
    m_cursor.SetSize(static_cast<int32_t>(zoomed));
}

void BrushTS::Build() {
    const int32_t b = m_side;
    const int32_t quarters = 4 * b;
    // Doubled quarter-pixel units keep everything integral: the disc's centre lies in the middle of the
    // centre pixel, (b / 2) x 4 + 2 quarters in, and its radius is 4R = 4 (b / 2) - 2 quarters.
    const int64_t centre2 = 2 * ((b / 2) * 4 + 2);
    const int64_t radius2 = 2 * (4 * (b / 2) - 2);
    const int64_t limit = radius2 * radius2;
    for (int32_t vy = 0; vy < 4; ++vy) {
        for (int32_t vx = 0; vx < 4; ++vx) {
            const int32_t phase = vy * 4 + vx;
            std::vector<uint16_t>& mask = m_masks[static_cast<size_t>(phase)];
            mask.assign(static_cast<size_t>(b) * static_cast<size_t>(b), 0);
            // The disc's centre moves by (vx - 2, vy - 2) quarters from the centre pixel's middle.
            const int64_t cx = centre2 + 2 * (vx - 2);
            const int64_t cy = centre2 + 2 * (vy - 2);
            std::vector<uint16_t>& spans = m_spans[static_cast<size_t>(phase)];
            spans.assign(static_cast<size_t>(2 * b), 0);
            for (int32_t py = 0; py < b; ++py) {
                // The covered quarter columns lo..hi of each sub-row: |2 qx + 1 - cx| <= sqrt(rest).
                int64_t lo[4];
                int64_t hi[4];
                int64_t rowLo = quarters;
                int64_t rowHi = -1;
                for (int32_t k = 0; k < 4; ++k) {
                    const int64_t oy = 2 * (4 * py + k) + 1 - cy;
                    const int64_t rest = limit - oy * oy;
                    lo[k] = 1;
                    hi[k] = 0;
                    if (rest >= 0) {
                        const int64_t r = IntegerSqrt(rest);
                        lo[k] = std::max<int64_t>(0, FloorDiv(cx - 1 - r + 1, 2));
                        hi[k] = std::min<int64_t>(quarters - 1, FloorDiv(cx - 1 + r, 2));
                        rowLo = std::min(rowLo, lo[k]);
                        rowHi = std::max(rowHi, hi[k]);
                    }
                }
                if (rowHi >= 0) {
                    spans[static_cast<size_t>(2 * py)] = static_cast<uint16_t>(rowLo >> 2);
                    spans[static_cast<size_t>(2 * py + 1)] = static_cast<uint16_t>((rowHi >> 2) + 1);
                }
                // Pixels inside every sub-row's run are fully covered.
                const int64_t innerLo = std::max({lo[0], lo[1], lo[2], lo[3]});
                const int64_t innerHi = std::min({hi[0], hi[1], hi[2], hi[3]});
                for (int64_t px = rowLo >> 2; px <= (rowHi >> 2) && rowHi >= 0; ++px) {
                    if (4 * px >= innerLo && 4 * px + 3 <= innerHi) {
                        mask[static_cast<size_t>(py * b + px)] = 0xFFFF;
                        continue;
                    }
                    uint16_t m = 0;
                    for (int32_t k = 0; k < 4; ++k) {
                        for (int32_t j = 0; j < 4; ++j) {
                            const int64_t q = 4 * px + j;
                            if (q >= lo[k] && q <= hi[k]) {
                                m = static_cast<uint16_t>(m | 1u << SuperBitBuffer::SubPixelBit(j, k));
                            }
                        }
                    }
                    mask[static_cast<size_t>(py * b + px)] = m;
                }
            }
            m_outlines[static_cast<size_t>(phase)] = TraceOutline(spans, b);
        }
    }
}

} // namespace ts
