#include "perspective/perspective_rectangle.h"

#include <algorithm>
#include <cmath>

namespace ts {

namespace {

// Relative size below which a determinant counts as zero.
constexpr double kTiny = 1e-12;

} // namespace

PerspectiveRectangle::PerspectiveRectangle() {
    Set({PointTS(0.0, 0.0), PointTS(1.0, 0.0), PointTS(1.0, 1.0), PointTS(0.0, 1.0)});
}

bool PerspectiveRectangle::Set(const std::array<PointTS, 4>& corners) {
    m_corners = corners;
    const PointTS& p0 = corners[0];
    const PointTS& p1 = corners[1];
    const PointTS& p2 = corners[2];
    const PointTS& p3 = corners[3];
    // The scale of the figure, so that the tests for zero do not depend on its units.
    double extent = 0.0;
    for (const PointTS& p : corners) {
        extent = std::max({extent, std::fabs(p.x - p0.x), std::fabs(p.y - p0.y)});
    }
    m_projective = false;
    if (!(extent > 0.0) || !std::isfinite(extent)) {
        return false;
    }
    const double sx = p0.x - p1.x + p2.x - p3.x;
    const double sy = p0.y - p1.y + p2.y - p3.y;
    double g = 0.0;
    double h = 0.0;
    if (std::fabs(sx) > kTiny * extent || std::fabs(sy) > kTiny * extent) {
        const double dx1 = p1.x - p2.x;
        const double dx2 = p3.x - p2.x;
        const double dy1 = p1.y - p2.y;
        const double dy2 = p3.y - p2.y;
        const double den = dx1 * dy2 - dx2 * dy1;
        if (std::fabs(den) <= kTiny * extent * extent) {
            return false;
        }
        g = (sx * dy2 - dx2 * sy) / den;
        h = (dx1 * sy - sx * dy1) / den;
    }
    // The weight must stay positive over the whole square (at its corners suffices, it is linear):
    // otherwise the horizon crosses the figure, which is then crossed or not convex.
    if (!(1.0 + g > 0.0 && 1.0 + h > 0.0 && 1.0 + g + h > 0.0)) {
        return false;
    }
    const double a = p1.x - p0.x + g * p1.x;
    const double b = p3.x - p0.x + h * p3.x;
    const double d = p1.y - p0.y + g * p1.y;
    const double e = p3.y - p0.y + h * p3.y;
    // Three corners in a line leave nothing to invert.
    const double det = a * (e - h * p0.y) - b * (d - g * p0.y) + p0.x * (d * h - e * g);
    if (std::fabs(det) <= kTiny * extent * extent) {
        return false;
    }
    m_a = a;
    m_b = b;
    m_c = p0.x;
    m_d = d;
    m_e = e;
    m_f = p0.y;
    m_g = g;
    m_h = h;
    m_projective = true;
    return true;
}

PointTS PerspectiveRectangle::Map(double u, double v) const {
    if (!m_projective) {
        // The bilinear blend of the corners.
        const auto& p = m_corners;
        const double w0 = (1 - u) * (1 - v);
        const double w1 = u * (1 - v);
        const double w2 = u * v;
        const double w3 = (1 - u) * v;
        return PointTS(w0 * p[0].x + w1 * p[1].x + w2 * p[2].x + w3 * p[3].x,
                       w0 * p[0].y + w1 * p[1].y + w2 * p[2].y + w3 * p[3].y);
    }
    const double w = m_g * u + m_h * v + 1.0;
    return PointTS((m_a * u + m_b * v + m_c) / w, (m_d * u + m_e * v + m_f) / w);
}

bool PerspectiveRectangle::Unmap(const PointTS& point, double& u, double& v) const {
    if (!m_projective) {
        return UnmapBlend(point, u, v);
    }
    // The adjugate of [a b c; d e f; g h 1] applied to (x, y, 1).
    const double x = point.x;
    const double y = point.y;
    const double uu = (m_e - m_f * m_h) * x + (m_c * m_h - m_b) * y + (m_b * m_f - m_c * m_e);
    const double vv = (m_f * m_g - m_d) * x + (m_a - m_c * m_g) * y + (m_c * m_d - m_a * m_f);
    const double ww = (m_d * m_h - m_e * m_g) * x + (m_b * m_g - m_a * m_h) * y + (m_a * m_e - m_b * m_d);
    if (ww == 0.0 || !std::isfinite(ww)) {
        return false;
    }
    u = uu / ww;
    v = vv / ww;
    return std::isfinite(u) && std::isfinite(v);
}

bool PerspectiveRectangle::UnmapWeights(const PointTS& point, double& uu, double& vv, double& ww) const {
    if (!m_projective) {
        return false;
    }
    // The adjugate as in Unmap, divided by the determinant so that ww = 1 / w of the forward map.
    const double det = m_a * (m_e - m_f * m_h) - m_b * (m_d - m_f * m_g) + m_c * (m_d * m_h - m_e * m_g);
    if (det == 0.0 || !std::isfinite(det)) {
        return false;
    }
    const double x = point.x;
    const double y = point.y;
    uu = ((m_e - m_f * m_h) * x + (m_c * m_h - m_b) * y + (m_b * m_f - m_c * m_e)) / det;
    vv = ((m_f * m_g - m_d) * x + (m_a - m_c * m_g) * y + (m_c * m_d - m_a * m_f)) / det;
    ww = ((m_d * m_h - m_e * m_g) * x + (m_b * m_g - m_a * m_h) * y + (m_a * m_e - m_b * m_d)) / det;
    return std::isfinite(uu) && std::isfinite(vv) && std::isfinite(ww);
}

bool PerspectiveRectangle::UnmapBlend(const PointTS& point, double& u, double& v) const {
    // Newton's method on the blend from the square's centre; a collapsed figure has no answer.
    const auto& p = m_corners;
    const double bx = p[1].x - p[0].x, by = p[1].y - p[0].y;
    const double cx = p[3].x - p[0].x, cy = p[3].y - p[0].y;
    const double dx = p[0].x - p[1].x + p[2].x - p[3].x, dy = p[0].y - p[1].y + p[2].y - p[3].y;
    double su = 0.5;
    double sv = 0.5;
    for (int i = 0; i < 50; ++i) {
        const double fx = p[0].x + bx * su + cx * sv + dx * su * sv - point.x;
        const double fy = p[0].y + by * su + cy * sv + dy * su * sv - point.y;
        const double ju = bx + dx * sv, jv = cx + dx * su;
        const double ku = by + dy * sv, kv = cy + dy * su;
        const double det = ju * kv - jv * ku;
        if (det == 0.0 || !std::isfinite(det)) {
            return false;
        }
        const double du = (fx * kv - fy * jv) / det;
        const double dv = (ju * fy - ku * fx) / det;
        su -= du;
        sv -= dv;
        if (std::fabs(du) + std::fabs(dv) < 1e-13) {
            break;
        }
    }
    const PointTS back = Map(su, sv);
    const double scale = std::max(1.0, std::fabs(point.x) + std::fabs(point.y));
    if (!std::isfinite(su) || !std::isfinite(sv) ||
        std::fabs(back.x - point.x) + std::fabs(back.y - point.y) > 1e-6 * scale) {
        return false;
    }
    u = su;
    v = sv;
    return true;
}

} // namespace ts
