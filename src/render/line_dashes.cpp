#include "render/line_dashes.h"

#include "raster/rl_buffer.h"

#include <algorithm>
#include <new>

namespace ts {

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
    m_width = width;
    m_height = height;
    return true;
}

bool DotDashGapMask::ApplyDashes(const RLBuffer& occupancy, const RLBuffer* widths, int32_t style,
                                 int32_t width, const FastBitonalMask* newLines, const Rect& area) {
    const int32_t w = occupancy.Width();
    const int32_t h = occupancy.Height();
    if (!occupancy.IsCreated() || occupancy.BytesPerPixel() != 2 || !Prepare(w, h)) {
        return false;
    }
    const Rect box = Intersection(area, Rect{0, 0, w, h});
    if (box.IsEmpty() || style < kLineDotted || style > kLineDashedLong) {
        return true; // nothing dashed: no gaps
    }
    if (widths && (widths->Width() != w || widths->Height() != h || widths->BytesPerPixel() != 1)) {
        widths = nullptr; // a width part of another size is not read
    }
    std::array<DashCycle, 32> cycles;
    for (int32_t k = 0; k < 32; ++k) {
        cycles[static_cast<size_t>(k)] = DashCycleOf(style, width >= 1 && width <= 31 ? width : k);
    }
    const auto span = static_cast<size_t>(box.Width());
    std::vector<uint8_t> occ;
    std::vector<uint8_t> wid;
    std::vector<uint8_t> takes; // 1 where the pixel is to be coded
    try {
        occ.resize(2 * span);
        wid.resize(span);
        takes.resize(span + 1);
    } catch (const std::bad_alloc&) {
        return false;
    }
    // Codes are indexed by layer column + 1, so that column -1 and w exist (and stay 0).
    auto code = [](std::vector<uint32_t>& row, int32_t x) -> uint32_t& {
        return row[static_cast<size_t>(x + 1)];
    };
    for (int32_t y = box.top; y < box.bottom; ++y) {
        std::fill(m_current.begin(), m_current.end(), 0u);
        const rowcodec::SpanInfo info = occupancy.ReadSpan(y, 2 * static_cast<size_t>(box.left),
                                                           2 * static_cast<size_t>(box.right), occ.data(), 0);
        bool any = info.first != info.last;
        if (any) {
            if (widths) {
                widths->ReadSpan(y, static_cast<size_t>(box.left), static_cast<size_t>(box.right), wid.data(),
                                 0);
            }
            for (size_t i = 0; i < span; ++i) {
                const int32_t x = box.left + static_cast<int32_t>(i);
                takes[i] = (occ[2 * i] | occ[2 * i + 1]) != 0 && (!newLines || newLines->TestBit(x, y));
            }
            takes[span] = 0;
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
            const DashCycle& cycle = cycles[widths ? wid[i] & 31 : 1];
            return best == 0 ? kFirstPhase : NextCode(best, bestDirection, style, cycle);
        };
        for (size_t i = 0; any && i < span; ++i) {
            if (!takes[i]) {
                continue;
            }
            const int32_t x = box.left + static_cast<int32_t>(i);
            const bool reached = code(m_current, x - 1) != 0 || code(m_previous, x - 1) != 0 ||
                                 code(m_previous, x) != 0 || code(m_previous, x + 1) != 0;
            if (reached) {
                code(m_current, x) = codeOf(x, i);
                continue;
            }
            // Entered from nowhere: the run to the right is coded from its right end, so that a run
            // met from the right has one direction throughout.
            size_t end = i;
            while (takes[end]) {
                ++end;
            }
            for (size_t k = end; k-- > i;) {
                const int32_t xk = box.left + static_cast<int32_t>(k);
                code(m_current, xk) = codeOf(xk, k);
            }
            i = end - 1;
        }
        if (any) {
            for (size_t i = 0; i < span; ++i) {
                const int32_t x = box.left + static_cast<int32_t>(i);
                if ((code(m_current, x) & kSecondPhase) != 0) {
                    m_bits.SetBit(x + kMargin, y + kMargin);
                }
            }
        }
        std::swap(m_previous, m_current);
    }
    return true;
}

} // namespace ts
