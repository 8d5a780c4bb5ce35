#include "palette/palette_strip.h"

#include <algorithm>

namespace ts {

bool PaletteStrip::SetSwatchSize(int32_t size) {
    if (!IsSwatchSize(size)) {
        return false;
    }
    m_swatch = size;
    return true;
}

void PaletteStrip::Layout(int32_t clientWidth, int32_t clientHeight, int32_t entryCount) {
    const int32_t height = m_swatch + 2 * kMargin;
    if (clientWidth <= 0 || clientHeight <= 0) {
        m_area = Rect{};
        m_buttons = m_fitting = 0;
        return;
    }
    m_area = Rect{0, std::max(0, clientHeight - height), clientWidth, clientHeight};
    const int32_t fit = std::clamp((clientWidth - 2 * kMargin - kLeftEdge) / m_swatch, 0, kButtons);
    m_fitting = std::max(0, fit - kOwnButtons);
    m_buttons = std::min(fit, std::max(0, entryCount) + kOwnButtons);
    m_rowLeft = std::max(kLeftEdge, (clientWidth - m_buttons * m_swatch) / 2);
    m_rowTop = m_area.top + (m_area.Height() - m_swatch) / 2;
}

Rect PaletteStrip::ButtonRect(int32_t button) const {
    if (button < 0 || button >= m_buttons) {
        return Rect{};
    }
    const int32_t left = m_rowLeft + button * m_swatch;
    return Rect{left, m_rowTop, left + m_swatch, m_rowTop + m_swatch};
}

int32_t PaletteStrip::HitButton(int32_t x, int32_t y) const {
    if (m_buttons == 0 || y < m_rowTop || y >= m_rowTop + m_swatch || x < m_rowLeft) {
        return -1;
    }
    const int32_t button = (x - m_rowLeft) / m_swatch;
    return button < m_buttons ? button : -1;
}

int32_t PaletteStrip::EntryAt(int32_t button, int32_t scrollOffset, int32_t entryCount) const {
    if (button < kOwnButtons || button >= m_buttons) {
        return -1;
    }
    const int32_t entry = scrollOffset + button - kOwnButtons;
    return entry >= 0 && entry < entryCount ? entry : -1;
}

int32_t PaletteStrip::ClampScroll(int32_t scrollOffset, int32_t entryCount) const {
    return std::clamp(scrollOffset, 0, std::max(0, entryCount - ColorSwatches()));
}

} // namespace ts
