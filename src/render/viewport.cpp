#include "render/viewport.h"

#include <algorithm>
#include <cstring>

namespace ts {

void SampleTable::SetZoom(int32_t zoom) {
    if (zoom == m_zoom) {
        return;
    }
    m_zoom = zoom;
    m_side = std::clamp(-zoom, 1, 10);
    const uint32_t n = static_cast<uint32_t>(m_side * m_side);
    const uint32_t factor = 65536 / n;
    m_table.fill(255);
    for (uint32_t i = 0; i <= 255 * n && i < m_table.size(); ++i) {
        m_table[i] = static_cast<uint8_t>((i * factor) >> 16);
    }
}

bool IsValidZoom(int32_t zoom) {
    return zoom == 1 || zoom == 2 || zoom == 4 || zoom == 8 || zoom == 16 || (zoom <= -2 && zoom >= -64);
}

namespace {

// Whether the sub-pixel an output pixel falls on is covered: s is the output column inside the
// magnified pixel, r the output row inside it.
bool Covered(uint16_t mask, int32_t zoom, int32_t s, int32_t r) {
    auto bit = [mask](int32_t sx, int32_t sy) {
        return (mask >> (8 * (sx / 2) + 2 * sy + (1 - sx % 2))) & 1;
    };
    switch (zoom) {
    case 2: {
        // Any bit of sub-rows 2r and 2r + 1 in byte s.
        const auto byte = static_cast<uint8_t>(mask >> (8 * s));
        return ((byte >> (4 * r)) & 0x0F) != 0;
    }
    case 4:
        return bit(s, r);
    case 8:
        return bit(s / 2, r / 2);
    case 16:
        return bit(s / 4, r / 4);
    default:
        return mask != 0;
    }
}

} // namespace

void ViewportFrame::MagnifyRow(const uint8_t* viewRow, int32_t firstColumn, int32_t outWidth, int32_t zoom,
                               int32_t subRow, UnderPixelManager* under, uint8_t* out) {
    for (int32_t o = 0; o < outWidth; ++o) {
        const int32_t x = firstColumn + o / zoom;
        const uint8_t* src = viewRow + static_cast<size_t>(x) * 3;
        if (under && under->Has(x)) {
            const uint8_t* e = under->Element(x);
            const uint16_t mask = UnderPixelManager::Mask(e);
            if (mask != 0) {
                src = Covered(mask, zoom, o % zoom, subRow) ? e + UnderPixelManager::kLine
                                                            : e + UnderPixelManager::kUnder;
            }
        }
        std::memcpy(out + static_cast<size_t>(o) * 3, src, 3);
    }
}

void ViewportFrame::ShrinkRow(const Image24& view, int32_t row, int32_t firstColumn, int32_t outWidth,
                              const SampleTable& table, uint8_t* out) {
    const int32_t k = table.BlockSide();
    const int32_t step = std::max(k, -table.Zoom());
    const int32_t lastColumn = view.Width() - 1;
    for (int32_t o = 0; o < outWidth; ++o) {
        // Of each step x step block only the last k x k pixels are read.
        const int32_t x0 = firstColumn + o * step + (step - k);
        uint32_t sum[3] = {0, 0, 0};
        for (int32_t dy = 0; dy < k; ++dy) {
            const uint8_t* src = view.Row(std::clamp(row - dy, 0, view.Height() - 1));
            for (int32_t dx = 0; dx < k; ++dx) {
                const int32_t x = std::clamp(x0 + dx, 0, lastColumn);
                for (int b = 0; b < 3; ++b) {
                    sum[b] += src[static_cast<size_t>(x) * 3 + b];
                }
            }
        }
        for (int b = 0; b < 3; ++b) {
            out[static_cast<size_t>(o) * 3 + b] = table.Average(sum[b]);
        }
    }
}

} // namespace ts
