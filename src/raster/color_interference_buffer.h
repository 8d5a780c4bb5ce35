#pragma once

#include "raster/image_buffer.h"

#include <cstdint>

namespace ts {

// Per-stroke scratch window of the line strokes. It follows the stroke over the drawing by rotating
// its rows; rows that wrap around come back cleared, and nothing is ever written back.
class CColorInterferenceBuffer {
public:
    // A zeroed window of width x rows content pixels with a margin on every side, window row 0 standing
    // for drawing row 0. False (buffer unchanged) on bad sizes or lack of memory.
    bool Create(int32_t width, int32_t rows, int32_t bytesPerPixel, int32_t margin);
    bool IsCreated() const { return m_window.TotalHeight() > 0; }

    ImageBuffer& Window() { return m_window; }
    const ImageBuffer& Window() const { return m_window; }

    // The drawing row that window row 0 stands for.
    int32_t FirstRow() const { return m_window.FirstRow(); }
    // Moves the window to a new place: every row is cleared.
    void SetFirstRow(int32_t row);
    // The window moves k rows down the drawing (first row + k): the top k rows wrap to the bottom,
    // cleared. A negative k moves it up.
    void RotateDown(int32_t k);
    // The window moves k rows up the drawing (first row - k): the bottom k rows wrap to the top,
    // cleared. A negative k moves it down.
    void RotateUp(int32_t k);

    // Sub-pixel coverage of a 2-byte-per-pixel window, in quarter drawing pixels: sub-pixel (sx, sy)
    // is bit 2 * (sy % 4) + (1 - sx % 2) of byte sx / 2 after the margin, in the window row of drawing
    // row sy / 4 (divisions rounding down, so quarter pixels left of or above the drawing map to the
    // margins). Sub-pixels outside the window are ignored and read as clear.
    void SetSubPixel(int32_t sx, int32_t sy) {
        int32_t row = 0;
        int32_t byte = 0;
        if (Locate(sx, sy, row, byte)) {
            uint8_t* p = m_window.Row(row) + byte;
            *p = static_cast<uint8_t>(*p | SubPixelBit(sx, sy));
        }
    }
    bool TestSubPixel(int32_t sx, int32_t sy) const {
        int32_t row = 0;
        int32_t byte = 0;
        return Locate(sx, sy, row, byte) && (m_window.Row(row)[byte] & SubPixelBit(sx, sy)) != 0;
    }

private:
    static uint8_t SubPixelBit(int32_t sx, int32_t sy) {
        return static_cast<uint8_t>(1u << (2 * (sy & 3) + (1 - (sx & 1))));
    }
    // Window row and byte within that row (margin included) of a sub-pixel; false outside the window.
    bool Locate(int32_t sx, int32_t sy, int32_t& row, int32_t& byte) const;
    // Rotates by k rows (positive: window moves down) and clears the rows that wrapped.
    void Scroll(int64_t k);

    ImageBuffer m_window;
};

} // namespace ts
