#include "raster/color_interference_buffer.h"

#include <algorithm>
#include <limits>

namespace ts {

bool CColorInterferenceBuffer::Create(int32_t width, int32_t rows, int32_t bytesPerPixel, int32_t margin) {
    return m_window.Create(width, rows, bytesPerPixel, margin);
}

void CColorInterferenceBuffer::SetFirstRow(int32_t row) {
    m_window.SetFirstRow(row);
    m_window.ZeroAll();
}

void CColorInterferenceBuffer::RotateDown(int32_t k) {
    Scroll(k);
}

void CColorInterferenceBuffer::RotateUp(int32_t k) {
    Scroll(-int64_t{k});
}

void CColorInterferenceBuffer::Scroll(int64_t k) {
    if (!IsCreated() || k == 0) {
        return;
    }
    const int64_t firstRow =
        std::clamp<int64_t>(int64_t{m_window.FirstRow()} + k, std::numeric_limits<int32_t>::min(),
                            std::numeric_limits<int32_t>::max());
    m_window.SetFirstRow(static_cast<int32_t>(firstRow));
    const int32_t total = m_window.TotalHeight();
    if (k >= total || -k >= total) {
        m_window.ZeroAll();
        return;
    }
    const int32_t count = static_cast<int32_t>(k > 0 ? k : -k);
    const int32_t top = -m_window.Margin();
    if (k > 0) {
        m_window.RotateRowsUp(count);
        for (int32_t r = top + total - count; r < top + total; ++r) {
            m_window.ZeroRow(r);
        }
    } else {
        m_window.RotateRowsDown(count);
        for (int32_t r = top; r < top + count; ++r) {
            m_window.ZeroRow(r);
        }
    }
}

bool CColorInterferenceBuffer::Locate(int32_t sx, int32_t sy, int32_t& row, int32_t& byte) const {
    if (!IsCreated()) {
        return false;
    }
    // Arithmetic shifts: quarter pixels to pixels (and half pixels to bytes) rounding down.
    const int64_t r = int64_t{sy >> 2} - m_window.FirstRow();
    const int64_t b = int64_t{m_window.MarginBytes()} + (sx >> 1);
    const int64_t rowLength = int64_t{m_window.TotalWidth()} * m_window.BytesPerPixel();
    if (r < -m_window.Margin() || r >= m_window.TotalHeight() - m_window.Margin() || b < 0 ||
        b >= rowLength) {
        return false;
    }
    row = static_cast<int32_t>(r);
    byte = static_cast<int32_t>(b);
    return true;
}

} // namespace ts
