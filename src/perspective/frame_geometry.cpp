#include "perspective/frame_geometry.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace ts {

namespace {

constexpr double kPi = 3.14159265358979323846;

// Lines of a family that covers a length at the spacing, both ends included; -1 past the bound.
int32_t LinesOver(double length, double spacing) {
    const double n = std::floor(std::max(0.0, length) / spacing + 1e-9) + 1.0;
    return n > FrameGeometry::kMaxFamilyLines || !std::isfinite(n) ? -1 : static_cast<int32_t>(n);
}

// Whole spacings needed to reach a length (rounded up); -1 past the bound.
int32_t StepsToCover(double length, double spacing) {
    const double n = std::ceil(std::max(0.0, length) / spacing - 1e-9);
    return n > FrameGeometry::kMaxFamilyLines || !std::isfinite(n) ? -1 : static_cast<int32_t>(n);
}

Point3D Between(const Point3D& a, const Point3D& b, double t) {
    return Point3D(a.x + t * (b.x - a.x), a.y + t * (b.y - a.y), a.z + t * (b.z - a.z), a.flags);
}

// Keeps the part of a segment where f >= 0 (f linear along it); false when none is left.
template <class F> bool KeepSide(Point3D& a, Point3D& b, F f) {
    const double fa = f(a);
    const double fb = f(b);
    if (fa < 0.0 && fb < 0.0) {
        return false;
    }
    if (fa < 0.0) {
        a = Between(a, b, fa / (fa - fb));
    } else if (fb < 0.0) {
        b = Between(b, a, fb / (fb - fa));
    }
    return true;
}

} // namespace

double FrameGeometry::ClampedRotation(double degrees) {
    return std::isfinite(degrees) ? std::clamp(degrees, -90.0, 90.0) : 0.0;
}

FrameGeometry::FrameGeometry(const FrameParameters& parameters) : m_p(parameters) {
    m_radians = ClampedRotation(m_p.rotation) / 360.0 * 2.0 * kPi;
    m_rotation = MatrixTS::RotationZ(m_radians);
    const Point3D centre = m_rotation.Apply(Point3D(m_p.width / 2.0, m_p.depth / 2.0, 0.0));
    m_shift = m_p.centering - centre.x;
    for (size_t i = 0; i < m_corners.size(); ++i) {
        m_corners[i] =
            ToModel((i & 1) ? m_p.width : 0.0, (i & 2) ? m_p.depth : 0.0, (i & 4) ? m_p.height : 0.0);
    }
    m_plane = m_corners[0].y;
    for (const Point3D& c : m_corners) {
        m_plane = std::min(m_plane, c.y);
    }
    m_eye = Point3D(0.0, m_plane - m_p.viewDistance, m_p.eyeHeight);
    // Four floor edges, four top edges, four uprights.
    constexpr int kEnds[12][2] = {{0, 1}, {1, 3}, {3, 2}, {2, 0}, {4, 5}, {5, 7},
                                  {7, 6}, {6, 4}, {0, 4}, {1, 5}, {2, 6}, {3, 7}};
    for (size_t i = 0; i < m_edges.size(); ++i) {
        Segment3D& e = m_edges[i];
        e.start = m_corners[static_cast<size_t>(kEnds[i][0])];
        e.end = m_corners[static_cast<size_t>(kEnds[i][1])];
        Point3D a = e.start;
        Point3D b = e.end;
        e.visible = ClipNear(a, b);
    }
}

Point3D FrameGeometry::ToModel(double u, double v, double z) const {
    Point3D p = m_rotation.Apply(Point3D(u, v, z));
    p.x += m_shift;
    return p;
}

bool FrameGeometry::AnyEdgeVisible() const {
    return std::any_of(m_edges.begin(), m_edges.end(), [](const Segment3D& e) { return e.visible; });
}

bool FrameGeometry::ClipNear(Point3D& a, Point3D& b) const {
    if (m_p.flat) {
        return true;
    }
    const double limit = m_eye.y + kClipDistance;
    if (!(a.y > limit) && !(b.y > limit)) {
        return false;
    }
    return KeepSide(a, b, [limit](const Point3D& p) { return p.y - limit; });
}

PicturePoint FrameGeometry::Project(Point3D p) const {
    if (m_p.flat) {
        return PicturePoint{p.x, p.z};
    }
    const double limit = m_eye.y + kClipDistance;
    if (!(p.y > limit)) {
        p.y = limit;
    }
    const double factor = (m_plane - m_eye.y) / (p.y - m_eye.y);
    return PicturePoint{factor * (p.x - m_eye.x), m_eye.z + factor * (p.z - m_eye.z)};
}

void FrameGeometry::Bounds::Add(const PicturePoint& p) {
    left = std::min(left, p.x);
    right = std::max(right, p.x);
    bottom = std::min(bottom, p.z);
    top = std::max(top, p.z);
}

FrameGeometry::Bounds FrameGeometry::EdgeBounds() const {
    Bounds bounds;
    for (const Segment3D& e : m_edges) {
        Point3D a = e.start;
        Point3D b = e.end;
        if (e.visible && ClipNear(a, b)) {
            bounds.Add(Project(a));
            bounds.Add(Project(b));
        }
    }
    return bounds;
}

std::vector<PicturePoint> FrameGeometry::VanishingPoints() const {
    std::vector<PicturePoint> points;
    if (m_p.flat) {
        return points;
    }
    // A direction d meets the horizon where (P - Ey) d.x / d.y lies across; the sign of d drops out.
    for (const Point3D& d : {m_rotation.Apply(Point3D(1, 0, 0)), m_rotation.Apply(Point3D(0, 1, 0))}) {
        if (std::fabs(d.y) > 1e-12) {
            points.push_back(PicturePoint{(m_plane - m_eye.y) * d.x / d.y, m_eye.z});
        }
    }
    return points;
}

double FrameGeometry::FloorExtent() const {
    return m_p.width + 1.5 * (m_p.depth + m_p.width);
}

int32_t FrameGeometry::ProgressSteps() const {
    const double steps = 6.0 * FloorExtent() / m_p.minorSpacing;
    return std::isfinite(steps) && steps > 0.0 ? static_cast<int32_t>(std::min(steps, 6.0 * kMaxFamilyLines))
                                               : 0;
}

bool FrameGeometry::ClipToVision(Point3D& a, Point3D& b) const {
    if (m_p.flat) {
        return true;
    }
    const double angle = std::isfinite(m_p.visionAngle) ? std::clamp(m_p.visionAngle, 1.0, 179.0) : 60.0;
    const double t = std::tan(angle / 360.0 * 2.0 * kPi / 2.0);
    const Point3D e = m_eye;
    return KeepSide(a, b, [&](const Point3D& p) { return t * (p.y - e.y) - (p.x - e.x); }) &&
           KeepSide(a, b, [&](const Point3D& p) { return t * (p.y - e.y) + (p.x - e.x); }) &&
           KeepSide(a, b, [&](const Point3D& p) { return t * (p.y - e.y) - (p.z - e.z); }) &&
           KeepSide(a, b, [&](const Point3D& p) { return t * (p.y - e.y) + (p.z - e.z); }) && ClipNear(a, b);
}

std::optional<std::vector<FrameLine>> FrameGeometry::Lines() const {
    const double minor = m_p.minorSpacing;
    if (!(minor > 0.0) || !std::isfinite(minor)) {
        return std::nullopt;
    }
    // Every k-th line of a family is a major line; k is at least 1.
    const double ratio = std::floor(m_p.majorSpacing / minor);
    const int32_t k = ratio >= 1.0 && ratio < 1e6 ? static_cast<int32_t>(ratio) : 1;
    std::vector<FrameLine> lines;
    bool refused = false;
    // One family: a shape of two or three box points (u, v, z) moved by the minor spacing along one
    // axis per line; the counter starts at `first` and marks a major line where it wraps to 0.
    auto family = [&](std::initializer_list<Point3D> shape, int axis, int32_t count, int32_t first, bool bent,
                      uint32_t color) {
        if (count < 0) {
            refused = true;
            return;
        }
        int32_t counter = ((first % k) + k) % k;
        for (int32_t i = 0; i < count; ++i) {
            FrameLine line;
            line.count = static_cast<int32_t>(shape.size());
            line.color = color;
            const bool major = counter == 0;
            line.weight =
                bent ? (major ? kMajorBent : kMinorBent) : (major ? kMajorStraight : kMinorStraight);
            size_t j = 0;
            for (const Point3D& s : shape) {
                const double step = i * minor;
                line.points[j++] = ToModel(s.x + (axis == 0 ? step : 0.0), s.y + (axis == 1 ? step : 0.0),
                                           s.z + (axis == 2 ? step : 0.0));
            }
            lines.push_back(line);
            counter = (counter + 1) % k;
        }
    };
    const double w = m_p.width;
    const double d = m_p.depth;
    const double h = m_p.height;
    const uint32_t wallColor = m_p.interior ? kInteriorWallColor : kOtherColor;
    if (!m_p.flat) {
        // The floor reaches FloorExtent() across, centred on the box, and as far in front of it; it stops
        // at the box's back, where it would only crowd the horizon. It lies on whole spacings from the
        // box's edges so that the edges fall on major lines. Inside a room it stops at the walls.
        const double extent = FloorExtent();
        const int32_t mu = m_p.interior ? 0 : StepsToCover((extent - w) / 2.0, minor);
        const int32_t mv = m_p.interior ? 0 : StepsToCover((extent - d) / 2.0, minor);
        if (mu < 0 || mv < 0) {
            return std::nullopt;
        }
        const double u0 = -mu * minor;
        const double v0 = -mv * minor;
        const double u1 = w + mu * minor;
        const double v1 = d;
        family({Point3D(u0, v0, 0), Point3D(u0, v1, 0)}, 0, LinesOver(u1 - u0, minor), -mu, false,
               kFloorColor);
        family({Point3D(u0, v0, 0), Point3D(u1, v0, 0)}, 1, LinesOver(v1 - v0, minor), -mv, false,
               kFloorColor);
    }
    // The walls meeting at one upright edge: outside, the one nearest the eye; inside, the farthest (the
    // corner of the room one looks into). A flat frame shows the wall facing the viewer.
    size_t corner = 0;
    for (size_t i = 1; i < 4; ++i) {
        const bool better =
            m_p.interior ? m_corners[i].y > m_corners[corner].y : m_corners[i].y < m_corners[corner].y;
        corner = better ? i : corner;
    }
    const double uc = (corner & 1) ? w : 0.0;
    const double vc = (corner & 2) ? d : 0.0;
    if (m_p.flat) {
        family({Point3D(0, vc, 0), Point3D(w, vc, 0)}, 2, LinesOver(h, minor), 0, false, wallColor);
    } else {
        // Around the corner: across one wall, turning onto the other at the upright.
        family({Point3D(w - uc, vc, 0), Point3D(uc, vc, 0), Point3D(uc, d - vc, 0)}, 2, LinesOver(h, minor),
               0, true, wallColor);
        family({Point3D(uc, 0, 0), Point3D(uc, 0, h)}, 1, LinesOver(d, minor), 0, false, wallColor);
    }
    family({Point3D(0, vc, 0), Point3D(0, vc, h)}, 0, LinesOver(w, minor), 0, false, wallColor);
    if (refused) {
        return std::nullopt;
    }
    for (const Segment3D& e : m_edges) {
        FrameLine line;
        line.points[0] = e.start;
        line.points[1] = e.end;
        line.weight = kMajorStraight;
        line.color = kOtherColor;
        line.grid = false;
        lines.push_back(line);
    }
    return lines;
}

FrameFit::FrameFit(const FrameGeometry::Bounds& bounds, int32_t width, int32_t height, double margin) {
    const double m = std::isfinite(margin) ? std::clamp(margin, 0.0, 0.45) : 0.05;
    m_pixelX = width / 2.0;
    m_pixelY = height / 2.0;
    if (bounds.Empty()) {
        return;
    }
    m_centerX = (bounds.left + bounds.right) / 2.0;
    m_centerZ = (bounds.bottom + bounds.top) / 2.0;
    const double spanX = bounds.right - bounds.left;
    const double spanZ = bounds.top - bounds.bottom;
    const double inf = std::numeric_limits<double>::infinity();
    const double sx = spanX > 1e-9 ? width * (1.0 - 2.0 * m) / spanX : inf;
    const double sz = spanZ > 1e-9 ? height * (1.0 - 2.0 * m) / spanZ : inf;
    m_scale = std::min(sx, sz);
    if (!std::isfinite(m_scale) || m_scale <= 0.0) {
        m_scale = 1.0;
    }
}

PointTS FrameFit::ToPixels(const PicturePoint& p) const {
    return PointTS(m_pixelX + (p.x - m_centerX) * m_scale, m_pixelY - (p.z - m_centerZ) * m_scale);
}

} // namespace ts
