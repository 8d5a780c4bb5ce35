#pragma once

#include "model/point_ts.h"

#include <cstdint>

namespace ts {

// The line constraint: with Ctrl held while a line is drawn, its end snaps to thirty-degree steps, or
// with a vanishing point to the line toward it or to the vertical through the start. Entering any mode
// switches it off (kind 0); the line mode switches it on (kind 1).
class CConstraintManager {
public:
    static constexpr int32_t kNone = 0;
    static constexpr int32_t kLineDrawing = 1;

    // Kinds other than 0 and 1 are stored as 0.
    void SetConstraintKind(int32_t kind) { m_kind = kind == kLineDrawing ? kLineDrawing : kNone; }
    int32_t ConstraintKind() const { return m_kind; }

    // The end of a segment from start, constrained when Ctrl is in flags and the kind is line drawing;
    // otherwise current itself. With a vanishing point (same units as the points) the end goes toward
    // it or onto the vertical through the start, whichever lies nearer; without one it snaps to the
    // nearest multiple of thirty degrees at the same length.
    IntPoint Constrain(IntPoint start, IntPoint current, uint32_t flags,
                       const PointTS* vanishingPoint = nullptr) const;

    // The direction of the segment in radians, in [0, 2 pi): 0 points right, pi / 2 down (y grows down).
    static double SegmentAngle(double x1, double y1, double x2, double y2);
    // The end at the nearest thirty-degree step: step = trunc((angle + pi / 12) * 6 / pi) mod 12.
    static IntPoint SnapThirtyDegrees(IntPoint start, IntPoint current);

private:
    int32_t m_kind = kNone;
};

} // namespace ts
