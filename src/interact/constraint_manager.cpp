#include "interact/constraint_manager.h"

#include "interact/virtual_keys.h"

#include <cmath>

namespace ts {

namespace {

// The program's own values of pi and its multiples; the snap's thresholds follow from them.
constexpr double kPi = 3.14159265;
constexpr double kTwoPi = 6.2831853;
constexpr double kHalfStep = 0.2617993875;             // 15 degrees
constexpr double kStepsPerRadian = 1.9098593192850764; // 6 / pi
constexpr double kStep = 0.523598775;                  // 30 degrees

} // namespace

double CConstraintManager::SegmentAngle(double x1, double y1, double x2, double y2) {
    const double dx = x2 - x1;
    const double dy = y2 - y1;
    double angle = 0.0;
    if (dx == 0.0) {
        angle = dy >= 0.0 ? kPi / 2.0 : 3.0 * kPi / 2.0;
    } else {
        angle = std::atan(dy / dx);
        if (dx < 0.0) {
            angle -= kPi;
        }
    }
    while (angle < 0.0) {
        angle += kTwoPi;
    }
    return angle;
}

IntPoint CConstraintManager::SnapThirtyDegrees(IntPoint start, IntPoint current) {
    const double angle = SegmentAngle(start.x, start.y, current.x, current.y);
    const int32_t step = static_cast<int32_t>((angle + kHalfStep) * kStepsPerRadian) % 12;
    const double dx = static_cast<double>(current.x) - start.x;
    const double dy = static_cast<double>(current.y) - start.y;
    const double length = std::sqrt(dx * dx + dy * dy);
    return {start.x + static_cast<int32_t>(length * std::cos(step * kStep)),
            start.y + static_cast<int32_t>(length * std::sin(step * kStep))};
}

IntPoint CConstraintManager::Constrain(IntPoint start, IntPoint current, uint32_t flags,
                                       const PointTS* vanishingPoint) const {
    if (m_kind != kLineDrawing || !(flags & keys::kCtrlFlag)) {
        return current;
    }
    if (!vanishingPoint) {
        return SnapThirtyDegrees(start, current);
    }
    // Toward the vanishing point: the pointer projected onto the line from the start through it. Upright:
    // the start's column at the pointer's height. The nearer of the two to the pointer wins.
    const double vx = vanishingPoint->x - start.x;
    const double vy = vanishingPoint->y - start.y;
    const double cx = static_cast<double>(current.x) - start.x;
    const double cy = static_cast<double>(current.y) - start.y;
    const IntPoint upright{start.x, current.y};
    const double lengthSquared = vx * vx + vy * vy;
    if (lengthSquared < 1.0) {
        return upright; // the point is at the start: it gives no direction
    }
    const double t = (cx * vx + cy * vy) / lengthSquared;
    const double px = t * vx;
    const double py = t * vy;
    const double towardDistance = std::hypot(cx - px, cy - py);
    if (std::fabs(cx) <= towardDistance) {
        return upright;
    }
    return {start.x + static_cast<int32_t>(px), start.y + static_cast<int32_t>(py)};
}

} // namespace ts
