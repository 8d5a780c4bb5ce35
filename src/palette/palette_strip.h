#pragma once

#include "raster/rect.h"

#include <cstdint>

namespace ts {

// The row of swatch buttons along the bottom of the view: where each button lies, which button a
// point hits and which entry a colour swatch shows. The first five buttons are the bar's own and show
// the selected colour; from the sixth on each shows a palette entry, starting at the palette's scroll
// offset.
class PaletteStrip {
public:
    static constexpr int32_t kButtons = 68;
    static constexpr int32_t kOwnButtons = 5;
    static constexpr int32_t kMaxColorSwatches = kButtons - kOwnButtons;
    static constexpr int32_t kMargin = 4;   // around the row, in pixels
    static constexpr int32_t kLeftEdge = 0; // where the row may start
    static constexpr int32_t kDefaultSwatch = 16;
    static constexpr uint32_t kBackground = 0x00C8D0D4;

    // What the own buttons do when clicked.
    enum OwnButton { kPageBack = 0, kStepBack = 1, kToggleCondensed = 2, kStepForward = 3, kPageForward = 4 };

    static bool IsSwatchSize(int32_t size) { return size == 16 || size == 20 || size == 24 || size == 32; }
    // False (nothing changes) for a size that is not one of 16, 20, 24 and 32.
    bool SetSwatchSize(int32_t size);
    int32_t SwatchSize() const { return m_swatch; }

    // Lays the row out across a client area for a palette of entryCount entries: as many buttons as
    // the width takes (after the margins), at most 68 and at most entryCount + 5, centred.
    void Layout(int32_t clientWidth, int32_t clientHeight, int32_t entryCount);
    // The strip's client rectangle (the whole width, the swatch size and margins high, at the bottom);
    // empty before the first layout or when the client area is empty.
    const Rect& Area() const { return m_area; }
    int32_t ButtonCount() const { return m_buttons; }
    int32_t ColorSwatches() const { return m_buttons > kOwnButtons ? m_buttons - kOwnButtons : 0; }
    // The colour swatches the width takes whatever the palette: the size of a condensed variant.
    int32_t FittingSwatches() const { return m_fitting; }

    Rect ButtonRect(int32_t button) const;
    // The button under a client point, or -1.
    int32_t HitButton(int32_t x, int32_t y) const;
    // The entry a button shows at a scroll offset, or -1 for the own buttons and past the list.
    int32_t EntryAt(int32_t button, int32_t scrollOffset, int32_t entryCount) const;
    // A scroll offset kept between 0 and entryCount - the colour swatches.
    int32_t ClampScroll(int32_t scrollOffset, int32_t entryCount) const;

private:
    int32_t m_swatch = kDefaultSwatch;
    int32_t m_buttons = 0;
    int32_t m_fitting = 0;
    int32_t m_rowLeft = 0;
    int32_t m_rowTop = 0;
    Rect m_area;
};

} // namespace ts
