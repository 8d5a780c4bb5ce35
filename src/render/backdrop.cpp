#include "render/backdrop.h"

#include "render/paper.h"

#include <algorithm>
#include <cstring>

namespace ts {

uint32_t GreyOf(uint32_t color) {
    const uint32_t grey = ((color & 0xFF) + ((color >> 8) & 0xFF) + ((color >> 16) & 0xFF)) / 3;
    return grey | grey << 8 | grey << 16;
}

namespace {

// A copy of a picture, tinted to a colour when one is given.
Image24 Tinted(const Image24& picture, const uint32_t* color) {
    Image24 copy = picture;
    if (color) {
        TintTexture(copy, *color);
    }
    return copy;
}

} // namespace

void BackDropBuffer::SetKind(int32_t kind, const BackdropSources& s) {
    const uint32_t average = s.drawingAverage ? s.drawingAverage : s.paperAverage;
    m_picture = Image24{};
    uint32_t color = state.color;
    switch (kind) {
    case Backdrop::kGreyAverage:
        color = GreyOf(average);
        break;
    case Backdrop::kAverage:
        color = average;
        break;
    case Backdrop::kWhite:
        color = 0x00FFFFFF;
        break;
    case Backdrop::kSelectedBoard:
        color = s.paperAverage;
        if (s.board) {
            m_picture = Tinted(*s.board, nullptr);
        }
        break;
    case Backdrop::kGreyAverageTextured:
        color = GreyOf(average);
        if (s.board) {
            m_picture = Tinted(*s.board, &color);
        }
        break;
    case Backdrop::kAverageRecomputed:
        color = s.paperAverage;
        break;
    case Backdrop::kCustomColor:
        SetCustomColor(s.customColor);
        return;
    case Backdrop::kSplashSmall:
    case Backdrop::kSplashMedium:
    case Backdrop::kSplashLarge:
        color = Backdrop::kSystemColor;
        if (s.splash) {
            m_picture = Tinted(*s.splash, nullptr);
        }
        break;
    case Backdrop::kCustomTexture:
        color = s.customColor;
        if (s.custom) {
            m_picture = Tinted(*s.custom, &color);
        }
        break;
    default:
        kind = Backdrop::kSystem;
        color = Backdrop::kSystemColor;
        break;
    }
    state.kind = kind;
    state.color = color & 0x00FFFFFF;
}

void BackDropBuffer::SetCustomColor(uint32_t color) {
    if (state.kind != Backdrop::kCustomColor) {
        state.previousKind = state.kind;
    }
    m_picture = Image24{};
    state.kind = Backdrop::kCustomColor;
    state.color = color & 0x00FFFFFF;
}

void BackDropBuffer::FillRow(int32_t cy, int32_t left, int32_t right, uint8_t* row) const {
    if (left >= right) {
        return;
    }
    uint8_t* out = row + static_cast<size_t>(left) * 3;
    if (!Textured()) {
        const uint8_t bgr[3] = {static_cast<uint8_t>(state.color >> 16),
                                static_cast<uint8_t>(state.color >> 8), static_cast<uint8_t>(state.color)};
        // Fill one pixel, then double the filled run: a few memcpy calls per row.
        std::memcpy(out, bgr, 3);
        size_t done = 3;
        const auto total = static_cast<size_t>(right - left) * 3;
        while (done < total) {
            const size_t n = std::min(done, total - done);
            std::memcpy(out + done, out, n);
            done += n;
        }
        return;
    }
    const int32_t w = m_picture.Width();
    const uint8_t* src = m_picture.Row(cy % m_picture.Height());
    int32_t x = left;
    while (x < right) {
        const int32_t px = x % w;
        const int32_t n = std::min(right - x, w - px);
        std::memcpy(row + static_cast<size_t>(x) * 3, src + static_cast<size_t>(px) * 3,
                    static_cast<size_t>(n) * 3);
        x += n;
    }
}

} // namespace ts
