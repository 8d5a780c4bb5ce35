#pragma once

#include "model/point_ts.h"

#include <array>

namespace ts {

// The projective map of the unit square onto a quadrilateral: (0, 0), (1, 0), (1, 1), (0, 1) go to the
// four corners in that order, straight lines stay straight and the square's centre goes to the
// crossing of the diagonals. Lines at equal steps across the square come out in perspective between
// two edges (the line array) and a grid on the square becomes a grid on the quadrilateral (the morph
// mesh). A quadrilateral that no projective map reaches, because it is crossed, not convex or
// collapsed, gets the linear (bilinear) blend of its corners instead.
class PerspectiveRectangle {
public:
    // The identity: the unit square onto itself.
    PerspectiveRectangle();
    explicit PerspectiveRectangle(const std::array<PointTS, 4>& corners) { Set(corners); }

    // Takes new corners; true when the map is projective, false when it fell back to the blend.
    bool Set(const std::array<PointTS, 4>& corners);
    bool IsProjective() const { return m_projective; }
    const std::array<PointTS, 4>& Corners() const { return m_corners; }

    // The point of the quadrilateral at (u, v) of the square.
    PointTS Map(double u, double v) const;
    // The (u, v) of the square that maps to a point; false when none does (a collapsed quadrilateral,
    // or a point on the horizon of the perspective).
    bool Unmap(const PointTS& point, double& u, double& v) const;
    // The inverse of a projective map in homogeneous form: u = uu / ww, v = vv / ww, where uu, vv and ww
    // are linear in the point's x and y and ww is positive over the quadrilateral. False for the blend.
    bool UnmapWeights(const PointTS& point, double& uu, double& vv, double& ww) const;

private:
    bool UnmapBlend(const PointTS& point, double& u, double& v) const;

    std::array<PointTS, 4> m_corners;
    // x' = a u + b v + c, y' = d u + e v + f, w = g u + h v + 1; the point is (x' / w, y' / w).
    double m_a = 1, m_b = 0, m_c = 0, m_d = 0, m_e = 1, m_f = 0, m_g = 0, m_h = 0;
    bool m_projective = true;
};

} // namespace ts
