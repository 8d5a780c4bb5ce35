#pragma once

#include <cstdint>

namespace ts {

// The page a drawing is laid out on, in page pixels (printer dots at the page resolution). The drawing
// is a grid of a quarter of the page's resolution: one drawing pixel is 4 x 4 page pixels.
struct Page {
    static constexpr int32_t kDotsPerInch = 300;
    static constexpr int32_t kPagePixelsPerDrawingPixel = 4;

    int32_t width = 36 * kDotsPerInch;
    int32_t height = 24 * kDotsPerInch;
    // The printable area inside the page's margins.
    int32_t printableWidth = 36 * kDotsPerInch;
    int32_t printableHeight = 24 * kDotsPerInch;

    int32_t DrawingWidth() const { return width / kPagePixelsPerDrawingPixel; }
    int32_t DrawingHeight() const { return height / kPagePixelsPerDrawingPixel; }

    // A page of the given size in inches with margins given in printer dots at dotsPerInch.
    static Page FromInches(double widthInches, double heightInches, int32_t marginX = 0, int32_t marginY = 0,
                           int32_t marginDotsPerInch = 600);
};

inline Page Page::FromInches(double widthInches, double heightInches, int32_t marginX, int32_t marginY,
                             int32_t marginDotsPerInch) {
    Page page;
    auto toPixels = [](double inches) {
        const double px = inches * kDotsPerInch;
        return px < 4 ? 4 : px > 1e7 ? 10000000 : static_cast<int32_t>(px + 0.5);
    };
    page.width = toPixels(widthInches);
    page.height = toPixels(heightInches);
    const int32_t mx = marginDotsPerInch > 0 ? marginX * kDotsPerInch / marginDotsPerInch : 0;
    const int32_t my = marginDotsPerInch > 0 ? marginY * kDotsPerInch / marginDotsPerInch : 0;
    page.printableWidth = page.width - 2 * mx > 4 ? page.width - 2 * mx : page.width;
    page.printableHeight = page.height - 2 * my > 4 ? page.height - 2 * my : page.height;
    return page;
}

} // namespace ts
