#include "model/line.h"

#include <limits>

namespace ts {

Line::Line(int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
    // Doubles throughout: differences of extreme 32-bit values must not overflow.
    const double ax = x1;
    const double ay = y1;
    double bx = x2;
    const double by = y2;
    if (x1 == x2 && y1 == y2) {
        bx += 1.0;
    }
    if (ax == bx) {
        vertical = 1;
        xIntercept = ax;
        return;
    }
    slope = (by - ay) / (bx - ax);
    intercept = ay - slope * ax;
    // -intercept / slope is a signed infinity, or NaN through the origin, when the slope is zero.
    xIntercept = slope == 0.0 ? std::numeric_limits<double>::infinity() : -intercept / slope;
}

} // namespace ts
