#pragma once

#include <cstdint>

namespace ts {

// The infinite straight line through two points. A vertical line is held by its x alone
// (xIntercept), with slope and intercept 0.
struct Line {
    double slope = 0.0;
    double intercept = 0.0;  // y at x = 0
    double xIntercept = 0.0; // x at y = 0; +infinity for a horizontal line
    int32_t vertical = 0;    // 1 = vertical, 0 = not

    Line() = default;
    // Two coincident points give the line through (x1, y1) and (x1 + 1, y1): horizontal.
    Line(int32_t x1, int32_t y1, int32_t x2, int32_t y2);
};

} // namespace ts
