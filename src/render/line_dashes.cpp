#include "render/line_dashes.h"

#include "raster/rl_buffer.h"

#include <algorithm>
#include <bit>
#include <new>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace ts {

size_t OccupiedPixels(const uint8_t* occ, size_t first, size_t last, uint32_t* pixels) {
    size_t n = 0;
    size_t i = first;
#if defined(__SSE2__)
    // Eight pixels at a time: a bit per byte that is not 0, both bytes of a pixel folded into its first.
    for (; i + 8 <= last; i += 8) {
        const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(occ + 2 * i));
        const auto zeros =
            static_cast<uint32_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(bytes, _mm_setzero_si128())));
        const uint32_t set = ~zeros & 0xFFFF;
        for (uint32_t m = (set | set >> 1) & 0x5555; m != 0; m &= m - 1) {
            pixels[n++] = static_cast<uint32_t>(i + static_cast<size_t>(std::countr_zero(m)) / 2);
        }
    }
#endif
    for (; i < last; ++i) {
        if ((occ[2 * i] | occ[2 * i + 1]) != 0) {
            pixels[n++] = static_cast<uint32_t>(i);
        }
    }
    return n;
}

DashCycle DashCycleOf(int32_t style, int32_t width) {
    // The base of the cycle: 5 for the plain styles, 3 for the dense and short, 8 for the sparse and long.
    int32_t base = 5;
    if (style == kLineDottedDense || style == kLineDashedShort) {
        base = 3;
    } else if (style == kLineDottedSparse || style == kLineDashedLong) {
        base = 8;
    }
    const int32_t p = base * (std::clamp(width, 1, 31) + 4);
    int32_t c = (p >> 1) + ((p >> 2) & 1) * 4;
    c = c > 11 ? c >> 2 : 3;
    if (c % 2 == 0) {
        ++c;
    }
    c = std::min(c, 29);
    return DashCycle{c, c + (c >> 1)};
}

uint32_t DotDashGapMask::NextCode(uint32_t predecessor, int32_t direction, int32_t style,
                                  const DashCycle& cycle) {
    if ((predecessor & (kFirstPhase | kSecondPhase)) == 0) {
        return kFirstPhase;
    }
    const auto d = static_cast<size_t>(std::clamp(direction, 0, 4));
    const uint32_t dx = (predecessor + static_cast<uint32_t>(kStepX[d])) & 0xFF;
    const uint32_t dy = ((predecessor >> 8) + static_cast<uint32_t>(kStepY[d])) & 0xFF;
    const int32_t f = Magnitude(dx);
    const int32_t g = Magnitude(dy);
    const uint32_t moved = dy << 8 | dx;
    const int32_t c = cycle.c;
    const int32_t e = cycle.e;
    if (style >= kLineDotted && style <= kLineDottedSparse) {
        if (e < f + g || c < f || c < g) {
            return kFirstPhase;
        }
        return kSecondPhase | moved;
    }
    if (2 * e < f + g || 2 * c < f || 2 * c < g) {
        return kFirstPhase;
    }
    if (e >= f + g && c >= f && c >= g) {
        return kFirstPhase | moved;
    }
    return kSecondPhase | moved;
}

bool DotDashGapMask::Prepare(int32_t width, int32_t height) {
    if (!m_bits.Resize(width + 2 * kMargin, height + 2 * kMargin)) {
        return false;
    }
    try {
        m_previous.assign(static_cast<size_t>(width) + 2, 0);
        m_current.assign(static_cast<size_t>(width) + 2, 0);
    } catch (const std::bad_alloc&) {
        return false;
    }
    m_previousFrom = m_previousTo = m_currentFrom = m_currentTo = 0;
    m_width = width;
    m_height = height;
    return true;
}

bool DotDashGapMask::BeginRows(int32_t layerWidth, int32_t layerHeight, int32_t style, int32_t width,
                               const Rect& area) {
    m_coding = false;
    if (!Prepare(layerWidth, layerHeight)) {
        return false;
    }
    const Rect box = Intersection(area, Rect{0, 0, layerWidth, layerHeight});
    if (box.IsEmpty() || style < kLineDotted || style > kLineDashedLong) {
        return true; // nothing dashed: no gaps
    }
    try {
        m_takes.assign(static_cast<size_t>(box.Width()) + 1, 0);
    } catch (const std::bad_alloc&) {
        return false;
    }
    for (int32_t k = 0; k < 32; ++k) {
        m_cycles[static_cast<size_t>(k)] = DashCycleOf(style, width >= 1 && width <= 31 ? width : k);
    }
    m_style = style;
    m_left = box.left;
    m_coding = true;
    return true;
}

void DotDashGapMask::CodeRow(int32_t y, const uint8_t* widths, const uint32_t* pixels, size_t n,
                             const FastBitonalMask* newLines) {
    if (!m_coding) {
        return;
    }
    // The row two above left its codes here; only where they may be non-zero is cleared.
    std::fill(m_current.begin() + static_cast<ptrdiff_t>(m_currentFrom),
              m_current.begin() + static_cast<ptrdiff_t>(m_currentTo), 0u);
    m_currentFrom = m_currentTo = 0;
    // Codes are indexed by layer column + 1, so that column -1 and w exist (and stay 0).
    auto code = [](std::vector<uint32_t>& row, int32_t x) -> uint32_t& {
        return row[static_cast<size_t>(x + 1)];
    };
    if (n != 0) {
        const size_t first = pixels[0];
        const size_t last = pixels[n - 1] + 1;
        uint8_t* takes = m_takes.data();
        std::fill(takes + first, takes + last + 1, uint8_t{0});
        for (size_t j = 0; j < n; ++j) {
            takes[pixels[j]] = !newLines || newLines->TestBit(m_left + static_cast<int32_t>(pixels[j]), y);
        }
        // The coded neighbour furthest into its cycle, as the candidates left, right, upper left, up and
        // upper right give it; a later one replaces an earlier only when strictly further.
        auto codeOf = [&](int32_t x, size_t i) {
            uint32_t best = 0;
            int32_t bestDirection = 0;
            const struct {
                uint32_t value;
                int32_t direction;
            } candidates[] = {{code(m_current, x - 1), kLeft},
                              {code(m_current, x + 1), kRight},
                              {code(m_previous, x - 1), kUpperLeft},
                              {code(m_previous, x), kUp},
                              {code(m_previous, x + 1), kUpperRight}};
            for (const auto& candidate : candidates) {
                if (candidate.value == 0) {
                    continue;
                }
                if (best == 0 || Magnitude(candidate.value) + Magnitude(candidate.value >> 8) >
                                     Magnitude(best) + Magnitude(best >> 8)) {
                    best = candidate.value;
                    bestDirection = candidate.direction;
                }
            }
            const DashCycle& cycle = m_cycles[widths ? widths[i] & 31 : 1];
            return best == 0 ? kFirstPhase : NextCode(best, bestDirection, m_style, cycle);
        };
        // A gap is marked as its pixel is coded; a code, once given, stays.
        const auto give = [&](int32_t x, uint32_t value) {
            code(m_current, x) = value;
            if ((value & kSecondPhase) != 0) {
                m_bits.SetBit(x + kMargin, y + kMargin);
            }
        };
        for (size_t j = 0; j < n; ++j) {
            const size_t i = pixels[j];
            if (!takes[i]) {
                continue;
            }
            const int32_t x = m_left + static_cast<int32_t>(i);
            const bool reached = code(m_current, x - 1) != 0 || code(m_previous, x - 1) != 0 ||
                                 code(m_previous, x) != 0 || code(m_previous, x + 1) != 0;
            if (reached) {
                give(x, codeOf(x, i));
                continue;
            }
            // Entered from nowhere: the run to the right is coded from its right end, so that a run
            // met from the right has one direction throughout.
            size_t end = i;
            while (takes[end]) {
                ++end;
            }
            for (size_t k = end; k-- > i;) {
                const int32_t xk = m_left + static_cast<int32_t>(k);
                give(xk, codeOf(xk, k));
            }
            // The run's pixels are all listed, one after another.
            j += end - 1 - i;
        }
        m_currentFrom = static_cast<size_t>(m_left) + first + 1;
        m_currentTo = static_cast<size_t>(m_left) + last + 1;
    }
    std::swap(m_previous, m_current);
    std::swap(m_previousFrom, m_currentFrom);
    std::swap(m_previousTo, m_currentTo);
}

bool DotDashGapMask::ApplyDashes(const RLBuffer& occupancy, const RLBuffer* widths, int32_t style,
                                 int32_t width, const FastBitonalMask* newLines, const Rect& area) {
    const int32_t w = occupancy.Width();
    const int32_t h = occupancy.Height();
    if (!occupancy.IsCreated() || occupancy.BytesPerPixel() != 2 || !BeginRows(w, h, style, width, area)) {
        return false;
    }
    if (!m_coding) {
        return true; // nothing dashed: no gaps
    }
    if (widths && (widths->Width() != w || widths->Height() != h || widths->BytesPerPixel() != 1)) {
        widths = nullptr; // a width part of another size is not read
    }
    const Rect box = Intersection(area, Rect{0, 0, w, h});
    const auto span = static_cast<size_t>(box.Width());
    std::vector<uint8_t> occ;
    std::vector<uint8_t> wid;
    std::vector<uint32_t> pixels;
    try {
        occ.resize(2 * span);
        wid.resize(span);
        pixels.resize(span);
    } catch (const std::bad_alloc&) {
        return false;
    }
    for (int32_t y = box.top; y < box.bottom; ++y) {
        const rowcodec::SpanInfo info = occupancy.ReadSpan(y, 2 * static_cast<size_t>(box.left),
                                                           2 * static_cast<size_t>(box.right), occ.data(), 0);
        const size_t first = info.first / 2;
        const size_t last = info.first == info.last ? first : (info.last + 1) / 2;
        if (widths && first < last) {
            widths->ReadSpan(y, static_cast<size_t>(box.left) + first, static_cast<size_t>(box.left) + last,
                             wid.data() + first, 0);
        }
        const size_t n = OccupiedPixels(occ.data(), first, last, pixels.data());
        CodeRow(y, widths ? wid.data() : nullptr, pixels.data(), n, newLines);
    }
    return true;
}

} // namespace ts
