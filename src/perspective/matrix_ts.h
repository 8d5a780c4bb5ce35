#pragma once

#include "perspective/point3d.h"

#include <array>
#include <cstddef>

namespace ts {

// A 3 x 3 linear transform of model points (rotations and scales; translations are added by the
// caller). Row-major: the transformed x is row 0 times (x, y, z).
class MatrixTS {
public:
    // The identity.
    MatrixTS();
    // A turn about the vertical (z) axis by an angle in radians, counter-clockwise seen from above:
    // (1, 0, 0) goes to (cos a, sin a, 0).
    static MatrixTS RotationZ(double radians);
    static MatrixTS Scale(double sx, double sy, double sz);

    // This transform after other: (this * other) p = this (other p).
    MatrixTS operator*(const MatrixTS& other) const;
    // The flag word travels with the point.
    Point3D Apply(const Point3D& p) const;
    double At(int row, int column) const { return m_m[static_cast<size_t>(row * 3 + column)]; }

private:
    std::array<double, 9> m_m{};
};

} // namespace ts
