#include "perspective/matrix_ts.h"

#include <cmath>

namespace ts {

MatrixTS::MatrixTS() : m_m{1, 0, 0, 0, 1, 0, 0, 0, 1} {}

MatrixTS MatrixTS::RotationZ(double radians) {
    MatrixTS r;
    const double c = std::cos(radians);
    const double s = std::sin(radians);
    r.m_m = {c, -s, 0, s, c, 0, 0, 0, 1};
    return r;
}

MatrixTS MatrixTS::Scale(double sx, double sy, double sz) {
    MatrixTS r;
    r.m_m = {sx, 0, 0, 0, sy, 0, 0, 0, sz};
    return r;
}

MatrixTS MatrixTS::operator*(const MatrixTS& other) const {
    MatrixTS r;
    for (int i = 0; i < 3; ++i) {
        for (int j = 0; j < 3; ++j) {
            double sum = 0.0;
            for (int k = 0; k < 3; ++k) {
                sum += At(i, k) * other.At(k, j);
            }
            r.m_m[static_cast<size_t>(i * 3 + j)] = sum;
        }
    }
    return r;
}

Point3D MatrixTS::Apply(const Point3D& p) const {
    return Point3D(At(0, 0) * p.x + At(0, 1) * p.y + At(0, 2) * p.z,
                   At(1, 0) * p.x + At(1, 1) * p.y + At(1, 2) * p.z,
                   At(2, 0) * p.x + At(2, 1) * p.y + At(2, 2) * p.z, p.flags);
}

} // namespace ts
