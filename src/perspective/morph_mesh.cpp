#include "perspective/morph_mesh.h"

#include <algorithm>
#include <cmath>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace ts {

bool QuadIsMorphable(const std::array<PointTS, 4>& corners) {
    for (const PointTS& p : corners) {
        if (!std::isfinite(p.x) || !std::isfinite(p.y)) {
            return false;
        }
    }
    // Every corner turns the same way, by more than the tolerance: no three corners in a line, no
    // crossed sides, no dent. Either way round is accepted (the reverse order mirrors the layer).
    int32_t sign = 0;
    for (size_t k = 0; k < 4; ++k) {
        const PointTS& a = corners[k];
        const PointTS& b = corners[(k + 1) % 4];
        const PointTS& c = corners[(k + 2) % 4];
        const double cross = (b.x - a.x) * (c.y - b.y) - (b.y - a.y) * (c.x - b.x);
        const double sides = std::hypot(b.x - a.x, b.y - a.y) * std::hypot(c.x - b.x, c.y - b.y);
        if (std::fabs(cross) <= MorphMesh::kTolerance * std::max(1.0, sides) * 1e-3 ||
            std::fabs(cross) <= MorphMesh::kTolerance) {
            return false;
        }
        const int32_t s = cross > 0 ? 1 : -1;
        if (sign != 0 && s != sign) {
            return false;
        }
        sign = s;
    }
    // Four turns the same way can still wind twice round a point only with more corners; with four the
    // figure is convex. The projective map must exist as well.
    PerspectiveRectangle map;
    return map.Set(corners);
}

bool MorphMesh::Build(const std::array<PointTS, 4>& corners, double sourceWidth, double sourceHeight) {
    if (!(sourceWidth > 0) || !(sourceHeight > 0) || !QuadIsMorphable(corners)) {
        return false;
    }
    PerspectiveRectangle map;
    if (!map.Set(corners)) {
        return false;
    }
    double minX = corners[0].x, maxX = corners[0].x, minY = corners[0].y, maxY = corners[0].y;
    for (const PointTS& p : corners) {
        minX = std::min(minX, p.x);
        maxX = std::max(maxX, p.x);
        minY = std::min(minY, p.y);
        maxY = std::max(maxY, p.y);
    }
    const auto left = static_cast<int32_t>(std::floor(minX));
    const auto top = static_cast<int32_t>(std::floor(minY));
    const auto right = std::max(left + 1, static_cast<int32_t>(std::ceil(maxX)));
    const auto bottom = std::max(top + 1, static_cast<int32_t>(std::ceil(maxY)));
    m_bounds = Rect{left, top, right, bottom};
    m_origin = PointTS(left, top);
    m_scaleX = static_cast<double>(kCells) / (right - left);
    m_scaleY = static_cast<double>(kCells) / (bottom - top);
    m_corners = corners;
    m_sourceWidth = sourceWidth;
    m_sourceHeight = sourceHeight;
    for (int32_t j = 0; j < kNodes; ++j) {
        for (int32_t i = 0; i < kNodes; ++i) {
            Node& n = m_nodes[static_cast<size_t>(j * kNodes + i)];
            const PointTS at(left + i / m_scaleX, top + j / m_scaleY);
            double uu = 0, vv = 0, ww = 0;
            if (!map.UnmapWeights(at, uu, vv, ww)) {
                return false;
            }
            n.hx = uu * sourceWidth;
            n.hy = vv * sourceHeight;
            n.hw = ww;
            n.x = ww > 0 ? n.hx / ww : -1;
            n.y = ww > 0 ? n.hy / ww : -1;
        }
    }
    m_built = true;
    return true;
}

void MorphMesh::Cell(double x, double y, int32_t& i, int32_t& j, double& fu, double& fv) const {
    // Points on or beyond the far edges use the last cell, so no node outside the mesh is read.
    const double u = (x - m_origin.x) * m_scaleX;
    const double v = (y - m_origin.y) * m_scaleY;
    i = static_cast<int32_t>(std::clamp(std::floor(u), 0.0, static_cast<double>(kCells - 1)));
    j = static_cast<int32_t>(std::clamp(std::floor(v), 0.0, static_cast<double>(kCells - 1)));
    fu = u - i;
    fv = v - j;
}

bool MorphMesh::Lookup(double x, double y, double& sx, double& sy) const {
    if (!m_built) {
        return false;
    }
    int32_t i = 0, j = 0;
    double fu = 0, fv = 0;
    Cell(x, y, i, j, fu, fv);
    const Node& a = At(i, j);
    const Node& b = At(i + 1, j);
    const Node& c = At(i, j + 1);
    const Node& d = At(i + 1, j + 1);
    auto blend = [&](double na, double nb, double nc, double nd) {
        const double top = na + (nb - na) * fu;
        const double bottom = nc + (nd - nc) * fu;
        return top + (bottom - top) * fv;
    };
    const double w = blend(a.hw, b.hw, c.hw, d.hw);
    if (!(w > 0)) {
        return false;
    }
    sx = blend(a.hx, b.hx, c.hx, d.hx) / w;
    sy = blend(a.hy, b.hy, c.hy, d.hy) / w;
    return true;
}

void MorphMesh::LookupRow(int32_t y, int32_t left, int32_t right, double* sx, double* sy) const {
    if (right <= left) {
        return;
    }
    int32_t i = 0, j = 0;
    double fu = 0, fv = 0;
    const double yc = y + 0.5;
    Cell(m_origin.x, yc, i, j, fu, fv);
    // The row's nodes blended down once; across the row only the neighbours of each pixel are blended.
    double hx[kNodes], hy[kNodes], hw[kNodes];
    for (int32_t k = 0; k < kNodes; ++k) {
        const Node& t = At(k, j);
        const Node& b = At(k, j + 1);
        hx[k] = t.hx + (b.hx - t.hx) * fv;
        hy[k] = t.hy + (b.hy - t.hy) * fv;
        hw[k] = t.hw + (b.hw - t.hw) * fv;
    }
    // Pixels of one cell at a time: the cell's nodes are then fixed and the loop is plain arithmetic.
    auto cellOf = [this](int32_t x) {
        const double u = (x + 0.5 - m_origin.x) * m_scaleX;
        // floor() without a library call for the usual u of at least 0 (u stays far inside int32_t).
        const int32_t below = u >= 0 ? static_cast<int32_t>(u) : static_cast<int32_t>(std::floor(u));
        return std::clamp(below, 0, kCells - 1);
    };
    for (int32_t x = left; x < right;) {
        const int32_t k = cellOf(x);
        // The cell's last pixel: estimated from its far edge, then settled pixel by pixel.
        int32_t end = right;
        if (k < kCells - 1) {
            const double edge = m_origin.x + (k + 1) / m_scaleX - 0.5;
            end = static_cast<int32_t>(
                std::clamp(std::ceil(edge), static_cast<double>(x + 1), static_cast<double>(right)));
            while (end > x + 1 && cellOf(end - 1) != k) {
                --end;
            }
            while (end < right && cellOf(end) == k) {
                ++end;
            }
        }
        const double ax = hx[k], bx = hx[k + 1] - hx[k];
        const double ay = hy[k], by = hy[k + 1] - hy[k];
        const double aw = hw[k], bw = hw[k + 1] - hw[k];
        double* ox = sx + (x - left);
        double* oy = sy + (x - left);
        const int32_t n = end - x;
        const double originX = m_origin.x;
        const double scaleX = m_scaleX;
        // One pixel's arithmetic, as Lookup does it (the same operations in the same order).
        auto one = [&](int32_t p) {
            const double f = ((x + p) + 0.5 - originX) * scaleX - k;
            const double w = aw + bw * f;
            if (!(w > 0)) {
                ox[p] = -1;
                oy[p] = -1;
                return;
            }
            ox[p] = (ax + bx * f) / w;
            oy[p] = (ay + by * f) / w;
        };
        int32_t p = 0;
#if defined(__SSE2__)
        // Two pixels at a time; beyond the horizon the quotients are not wanted.
        const __m128d half = _mm_set1_pd(0.5);
        const __m128d origin = _mm_set1_pd(originX);
        const __m128d scale = _mm_set1_pd(scaleX);
        const __m128d cell = _mm_set1_pd(k);
        const __m128d zero = _mm_setzero_pd();
        const __m128d unit = _mm_set1_pd(1.0);
        const __m128d none = _mm_set1_pd(-1.0);
        auto pick = [](__m128d keep, __m128d yes, __m128d no) {
            return _mm_or_pd(_mm_and_pd(keep, yes), _mm_andnot_pd(keep, no));
        };
        for (; p + 2 <= n; p += 2) {
            const __m128d at = _mm_set_pd(x + p + 1, x + p);
            const __m128d f = _mm_sub_pd(_mm_mul_pd(_mm_sub_pd(_mm_add_pd(at, half), origin), scale), cell);
            const __m128d w = _mm_add_pd(_mm_set1_pd(aw), _mm_mul_pd(_mm_set1_pd(bw), f));
            const __m128d in = _mm_cmpgt_pd(w, zero);
            const __m128d d = pick(in, w, unit);
            const __m128d qx = _mm_div_pd(_mm_add_pd(_mm_set1_pd(ax), _mm_mul_pd(_mm_set1_pd(bx), f)), d);
            const __m128d qy = _mm_div_pd(_mm_add_pd(_mm_set1_pd(ay), _mm_mul_pd(_mm_set1_pd(by), f)), d);
            _mm_storeu_pd(ox + p, pick(in, qx, none));
            _mm_storeu_pd(oy + p, pick(in, qy, none));
        }
#endif
        for (; p < n; ++p) {
            one(p);
        }
        x = end;
    }
}

void MorphMesh::Span(int32_t y, int32_t& x0, int32_t& x1) const {
    x0 = 0;
    x1 = 0;
    if (!m_built) {
        return;
    }
    const double yc = y + 0.5;
    double lo = 0;
    double hi = 0;
    bool any = false;
    for (size_t k = 0; k < 4; ++k) {
        const PointTS& a = m_corners[k];
        const PointTS& b = m_corners[(k + 1) % 4];
        if (yc < std::min(a.y, b.y) || yc > std::max(a.y, b.y)) {
            continue;
        }
        double xs[2] = {a.x, b.x};
        int count = 2;
        if (a.y != b.y) {
            xs[0] = a.x + (b.x - a.x) * (yc - a.y) / (b.y - a.y);
            count = 1;
        }
        for (int n = 0; n < count; ++n) {
            lo = any ? std::min(lo, xs[n]) : xs[n];
            hi = any ? std::max(hi, xs[n]) : xs[n];
            any = true;
        }
    }
    if (!any) {
        return;
    }
    // Pixel centres x + 0.5 within [lo, hi], with the construction's tolerance.
    x0 = static_cast<int32_t>(std::ceil(lo - 0.5 - kTolerance));
    x1 = static_cast<int32_t>(std::floor(hi - 0.5 + kTolerance)) + 1;
    x0 = std::max(x0, m_bounds.left);
    x1 = std::min(x1, m_bounds.right);
}

} // namespace ts
