#include "render/round_cursor.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace ts {

void RoundCursor::SetSize(int32_t diameter) {
    m_size = diameter < 1 ? 1 : diameter;
    m_points.clear();
    // The rim of the disc of pixel centres within diameter / 2 of the pointer pixel's centre: the disc
    // pixels with a 4-neighbour outside the disc.
    const double radius = m_size / 2.0;
    const int32_t reach = static_cast<int32_t>(radius);
    const double limit = radius * radius;
    auto inside = [limit](int32_t x, int32_t y) { return double(x) * x + double(y) * y <= limit; };
    for (int32_t y = -reach; y <= reach; ++y) {
        for (int32_t x = -reach; x <= reach; ++x) {
            if (inside(x, y) &&
                (!inside(x - 1, y) || !inside(x + 1, y) || !inside(x, y - 1) || !inside(x, y + 1))) {
                m_points.push_back(Point{static_cast<int16_t>(x), static_cast<int16_t>(y)});
            }
        }
    }
    // Walked round: clockwise on the screen from the top (y grows downwards).
    std::vector<std::pair<double, Point>> byAngle;
    byAngle.reserve(m_points.size());
    for (const Point& p : m_points) {
        const double a = std::atan2(static_cast<double>(p.x), static_cast<double>(-p.y));
        byAngle.emplace_back(a < 0 ? a + 2 * M_PI : a, p);
    }
    std::stable_sort(byAngle.begin(), byAngle.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    for (size_t i = 0; i < byAngle.size(); ++i) {
        m_points[i] = byAngle[i].second;
    }
    m_extent = reach;
}

} // namespace ts
