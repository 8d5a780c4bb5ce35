#pragma once

#include <cstdint>

namespace ts {

// A point with integer coordinates, in whatever unit its user states.
struct IntPoint {
    int32_t x = 0;
    int32_t y = 0;
    bool operator==(const IntPoint&) const = default;
};

// A point with double coordinates and a free tag; made from integers the tag is 0.
struct PointTS {
    double x = 0.0;
    double y = 0.0;
    int32_t tag = 0;

    PointTS() = default;
    PointTS(double px, double py, int32_t ptag = 0) : x(px), y(py), tag(ptag) {}
    PointTS(int32_t px, int32_t py) : x(px), y(py) {}

    // Truncates toward zero. Values outside the 32-bit range are the caller's fault.
    IntPoint ToIntPoint() const { return {static_cast<int32_t>(x), static_cast<int32_t>(y)}; }
    bool operator==(const PointTS&) const = default;
};

} // namespace ts
