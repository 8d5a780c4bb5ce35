// Where the pixels of a transformed layer come from: a morph mesh, a plain shift, a turn.

#include "perspective/layer_transform.h"

#include <algorithm>
#include <cmath>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace ts {

namespace {

constexpr double kRadiansPerDegree = 0.0174532925;

int32_t FloorHalf(int32_t v) {
    return v >= 0 ? v / 2 : -((-v + 1) / 2);
}

} // namespace

MeshSourceMap::MeshSourceMap(const MorphMesh& mesh, double sourceWidth, double sourceHeight)
    : m_mesh(mesh), m_forward(mesh.Corners()), m_width(sourceWidth), m_height(sourceHeight) {
    if (!mesh.IsBuilt()) {
        return;
    }
    // The steps between neighbouring nodes spread over the page pixels between them, with room for
    // the perspective's change within a cell; rows are checked against it as they come.
    double most = 0;
    for (int32_t j = 0; j < MorphMesh::kNodes; ++j) {
        for (int32_t i = 0; i < MorphMesh::kNodes; ++i) {
            const MorphMesh::Node& n = mesh.At(i, j);
            if (n.hw <= 0) {
                continue;
            }
            if (i + 1 < MorphMesh::kNodes && mesh.At(i + 1, j).hw > 0) {
                const MorphMesh::Node& e = mesh.At(i + 1, j);
                most = std::max(most, std::max(std::fabs(e.x - n.x), std::fabs(e.y - n.y)) * mesh.ScaleX());
            }
            if (j + 1 < MorphMesh::kNodes && mesh.At(i, j + 1).hw > 0) {
                const MorphMesh::Node& s = mesh.At(i, j + 1);
                most = std::max(most, std::max(std::fabs(s.x - n.x), std::fabs(s.y - n.y)) * mesh.ScaleY());
            }
        }
    }
    m_steps = most * 1.25 + 0.05;
}

void MeshSourceMap::Row(int32_t y, int32_t left, int32_t right, double* sx, double* sy) const {
    int32_t x0 = 0;
    int32_t x1 = 0;
    m_mesh.Span(y, x0, x1);
    x0 = std::max(x0, left);
    x1 = std::min(x1, right);
    for (int32_t x = left; x < right; ++x) {
        sx[x - left] = -1;
    }
    if (x0 < x1) {
        m_mesh.LookupRow(y, x0, x1, sx + (x0 - left), sy + (x0 - left));
    }
}

bool MeshSourceMap::Point(double x, double y, double& sx, double& sy) const {
    return m_mesh.Lookup(x, y, sx, sy);
}

PointTS MeshSourceMap::Forward(double sx, double sy) const {
    return m_forward.Map(sx / m_width, sy / m_height);
}

void ShiftSourceMap::Row(int32_t y, int32_t left, int32_t right, double* sx, double* sy) const {
    const int32_t row = y - m_offsetY;
    for (int32_t x = left; x < right; ++x) {
        const int32_t col = x - m_offsetX;
        const bool inside = row >= 0 && row < m_height && col >= 0 && col < m_width;
        sx[x - left] = inside ? col + 0.5 : -1;
        sy[x - left] = row + 0.5;
    }
}

bool ShiftSourceMap::Point(double x, double y, double& sx, double& sy) const {
    sx = x - m_offsetX;
    sy = y - m_offsetY;
    return sx >= 0 && sy >= 0 && sx < m_width && sy < m_height;
}

TurnSourceMap::TurnSourceMap(const Rect& layerRect, int32_t width, int32_t height, double degrees)
    : m_width(width), m_height(height) {
    // The same angle, size and centre as RLBuffer::Rotate with its negate flag set.
    const double rad = -std::fmod(degrees, 360.0) * kRadiansPerDegree;
    m_cos = std::cos(rad);
    m_sin = std::sin(rad);
    double maxX = 0;
    double maxY = 0;
    for (const double cx : {-width / 2.0, width / 2.0}) {
        for (const double cy : {-height / 2.0, height / 2.0}) {
            maxX = std::max(maxX, std::fabs(cx * m_cos - cy * m_sin));
            maxY = std::max(maxY, std::fabs(cx * m_sin + cy * m_cos));
        }
    }
    m_halfW = static_cast<int32_t>(std::ceil(maxX));
    m_halfH = static_cast<int32_t>(std::ceil(maxY));
    const int32_t left = layerRect.left + FloorHalf(width - 2 * m_halfW);
    const int32_t top = layerRect.top + FloorHalf(height - 2 * m_halfH);
    m_destination = Rect{left, top, left + std::max(1, 2 * m_halfW), top + std::max(1, 2 * m_halfH)};
}

bool TurnSourceMap::Point(double x, double y, double& sx, double& sy) const {
    const double tx = x - m_destination.left - m_halfW;
    const double ty = y - m_destination.top - m_halfH;
    sx = tx * m_cos + ty * m_sin + m_width / 2.0;
    sy = -tx * m_sin + ty * m_cos + m_height / 2.0;
    return sx >= 0 && sy >= 0 && sx < m_width && sy < m_height;
}

void TurnSourceMap::Row(int32_t y, int32_t left, int32_t right, double* sx, double* sy) const {
    // Point's arithmetic, pixel by pixel, without a call per pixel, over the stretch of the row that
    // can fall inside the layer (its ends worked out, then widened by two pixels).
    const double ty = y + 0.5 - m_destination.top - m_halfH;
    const double w = m_width;
    const double h = m_height;
    double lo = left - 1.0;
    double hi = right + 1.0;
    auto clip = [&](double base, double slope, double limit) {
        // base + slope * tx within [0, limit), tx = x + 0.5 - m_destination.left - m_halfW.
        const double shift = 0.5 - m_destination.left - m_halfW;
        if (std::fabs(slope) < 1e-9) {
            if (!(base >= -1 && base <= limit + 1)) {
                hi = lo;
            }
            return;
        }
        const double a = -base / slope - shift;
        const double b = (limit - base) / slope - shift;
        lo = std::max(lo, std::min(a, b));
        hi = std::min(hi, std::max(a, b));
    };
    clip(ty * m_sin + m_width / 2.0, m_cos, w);
    clip(ty * m_cos + m_height / 2.0, -m_sin, h);
    const int32_t from = lo < hi ? std::max(left, static_cast<int32_t>(std::floor(lo)) - 2) : right;
    const int32_t to = lo < hi ? std::min(right, static_cast<int32_t>(std::ceil(hi)) + 3) : right;
    for (int32_t x = left; x < from; ++x) {
        sx[x - left] = -1;
    }
    for (int32_t x = std::max(from, to); x < right; ++x) {
        sx[x - left] = -1;
    }
    const double across = ty * m_sin;
    const double down = ty * m_cos;
    int32_t x = from;
#if defined(__SSE2__)
    // Two pixels at a time, with the same operations in the same order.
    const __m128d half = _mm_set1_pd(0.5);
    const __m128d shiftLeft = _mm_set1_pd(m_destination.left);
    const __m128d shiftHalf = _mm_set1_pd(m_halfW);
    const __m128d cosines = _mm_set1_pd(m_cos);
    const __m128d sines = _mm_set1_pd(m_sin);
    const __m128d acrossV = _mm_set1_pd(across);
    const __m128d downV = _mm_set1_pd(down);
    const __m128d halfWidth = _mm_set1_pd(m_width / 2.0);
    const __m128d halfHeight = _mm_set1_pd(m_height / 2.0);
    const __m128d zero = _mm_setzero_pd();
    const __m128d widths = _mm_set1_pd(w);
    const __m128d heights = _mm_set1_pd(h);
    const __m128d none = _mm_set1_pd(-1.0);
    const __m128d sign = _mm_set1_pd(-0.0);
    for (; x + 2 <= to; x += 2) {
        const __m128d tx =
            _mm_sub_pd(_mm_sub_pd(_mm_add_pd(_mm_set_pd(x + 1, x), half), shiftLeft), shiftHalf);
        const __m128d px = _mm_add_pd(_mm_add_pd(_mm_mul_pd(tx, cosines), acrossV), halfWidth);
        const __m128d py = _mm_add_pd(_mm_add_pd(_mm_mul_pd(_mm_xor_pd(tx, sign), sines), downV), halfHeight);
        const __m128d inside = _mm_and_pd(_mm_and_pd(_mm_cmpge_pd(px, zero), _mm_cmpge_pd(py, zero)),
                                          _mm_and_pd(_mm_cmplt_pd(px, widths), _mm_cmplt_pd(py, heights)));
        _mm_storeu_pd(sx + (x - left), _mm_or_pd(_mm_and_pd(inside, px), _mm_andnot_pd(inside, none)));
        _mm_storeu_pd(sy + (x - left), py);
    }
#endif
    for (; x < to; ++x) {
        const double tx = x + 0.5 - m_destination.left - m_halfW;
        const double px = tx * m_cos + across + m_width / 2.0;
        const double py = -tx * m_sin + down + m_height / 2.0;
        const bool inside = px >= 0 && py >= 0 && px < w && py < h;
        sx[x - left] = inside ? px : -1;
        sy[x - left] = py;
    }
}

PointTS TurnSourceMap::Forward(double sx, double sy) const {
    const double dx = sx - m_width / 2.0;
    const double dy = sy - m_height / 2.0;
    return PointTS(m_destination.left + m_halfW + dx * m_cos - dy * m_sin,
                   m_destination.top + m_halfH + dx * m_sin + dy * m_cos);
}

} // namespace ts
