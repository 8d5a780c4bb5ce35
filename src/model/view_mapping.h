#pragma once

#include <algorithm>
#include <cstdint>

namespace ts {

// How fine drawing coordinates (quarter pixels) appear in the view: the viewport's corner in view
// pixels shows the drawing pixel (scrollX, scrollY), and one drawing pixel spans magnify / shrink view
// pixels. A zoom factor z gives magnify = z for z >= 2, shrink = -z for z <= -2, and 1:1 otherwise.
struct ViewMapping {
    int32_t magnify = 1; // view pixels per drawing pixel, at least 1
    int32_t shrink = 1;  // drawing pixels per view pixel, at least 1
    int32_t viewportLeft = 0;
    int32_t viewportTop = 0;
    int32_t scrollX = 0; // drawing pixels
    int32_t scrollY = 0;

    static ViewMapping FromZoom(int32_t zoom, int32_t left = 0, int32_t top = 0, int32_t scrollX = 0,
                                int32_t scrollY = 0) {
        ViewMapping m;
        m.magnify = zoom >= 2 ? zoom : 1;
        m.shrink = zoom <= -2 ? -zoom : 1;
        m.viewportLeft = left;
        m.viewportTop = top;
        m.scrollX = scrollX;
        m.scrollY = scrollY;
        return m;
    }

    // view = corner + floor((fine - 4 * scroll) * magnify / (4 * shrink)).
    int32_t FineToViewX(int32_t fineX) const { return viewportLeft + Scale(fineX - 4 * int64_t{scrollX}); }
    int32_t FineToViewY(int32_t fineY) const { return viewportTop + Scale(fineY - 4 * int64_t{scrollY}); }

    // The fine units that n view pixels cover (rounded down, at least 0).
    int32_t FineSpan(int32_t viewPixels) const {
        return static_cast<int32_t>(int64_t{viewPixels} * 4 * Shrink() / Magnify());
    }

private:
    int64_t Magnify() const { return std::max<int64_t>(1, magnify); }
    int64_t Shrink() const { return std::max<int64_t>(1, shrink); }
    int32_t Scale(int64_t fine) const {
        const int64_t num = fine * Magnify();
        const int64_t den = 4 * Shrink();
        const int64_t q = num / den;
        return static_cast<int32_t>(num % den < 0 ? q - 1 : q);
    }
};

} // namespace ts
