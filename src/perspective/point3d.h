#pragma once

#include <cstdint>

namespace ts {

// A point of the frame's model space in inches: x across the picture, y in depth (away from the
// viewer), z up from the floor. The flag word is free for the geometry's own marks.
struct Point3D {
    double x = 0.0;
    double y = 0.0;
    double z = 0.0;
    uint32_t flags = 0;

    Point3D() = default;
    Point3D(double px, double py, double pz, uint32_t pflags = 0) : x(px), y(py), z(pz), flags(pflags) {}
};

// A straight piece of the model: visible when any part of it lies in front of the eye.
struct Segment3D {
    Point3D start;
    Point3D end;
    bool visible = false;
};

} // namespace ts
