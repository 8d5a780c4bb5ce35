#include "import/registration_marks.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace ts::marks {

namespace {

// Along each row, where the marks between the two end marks lie (fractions of the width).
constexpr double kTopInner[] = {0.30, 0.62};
constexpr double kMiddleInner[] = {0.78};
constexpr double kBottomInner[] = {0.45};
// A mark's white surround, in radii.
constexpr double kSurround = 2.0;
// The ring around a mark that must be mostly white, in radii, and how much of it may be dark.
constexpr double kHaloInner = 1.4;
constexpr double kHaloOuter = 1.9;
constexpr double kHaloDarkShare = 0.2;

} // namespace

std::array<Point, kCount> Layout(double width, double height, double pixelsPerInch) {
    const double inset = kInsetInches * pixelsPerInch;
    const double left = inset;
    const double right = width - inset;
    std::array<Point, kCount> points{};
    size_t k = 0;
    auto row = [&](double y, const double* inner, size_t n) {
        points[k++] = Point{left, y};
        for (size_t i = 0; i < n; ++i) {
            points[k++] = Point{width * inner[i], y};
        }
        points[k++] = Point{right, y};
    };
    row(inset, kTopInner, std::size(kTopInner));
    row(height * 0.5, kMiddleInner, std::size(kMiddleInner));
    row(height - inset, kBottomInner, std::size(kBottomInner));
    return points;
}

void Draw(Image24& image, const Rect& footprint, double pixelsPerInch) {
    const double radius = kRadiusInches * pixelsPerInch;
    const auto points = Layout(footprint.Width(), footprint.Height(), pixelsPerInch);
    for (const Point& p : points) {
        const double cx = footprint.left + p.x;
        const double cy = footprint.top + p.y;
        const double outer = radius * kSurround;
        const int32_t y0 = std::max(0, static_cast<int32_t>(std::floor(cy - outer)));
        const int32_t y1 = std::min(image.Height() - 1, static_cast<int32_t>(std::ceil(cy + outer)));
        const int32_t x0 = std::max(0, static_cast<int32_t>(std::floor(cx - outer)));
        const int32_t x1 = std::min(image.Width() - 1, static_cast<int32_t>(std::ceil(cx + outer)));
        for (int32_t y = y0; y <= y1; ++y) {
            for (int32_t x = x0; x <= x1; ++x) {
                // Pixel centres at (x + 0.5, y + 0.5).
                const double d = std::hypot(x + 0.5 - cx, y + 0.5 - cy);
                if (d <= radius) {
                    image.SetColor(x, y, 0x000000);
                } else if (d <= outer) {
                    image.SetColor(x, y, 0xFFFFFF);
                }
            }
        }
    }
}

int32_t RingScore(const LineMask& mask, int32_t x, int32_t y) {
    int32_t score = 0;
    int32_t empty = 0;
    for (int32_t r = 1; r <= kMaxRing; ++r) {
        // The ring's 8r samples: along the top, down the right, back along the bottom, up the left.
        for (int32_t side = 0; side < 4; ++side) {
            for (int32_t i = 0; i < 2 * r; ++i) {
                int32_t sx = 0;
                int32_t sy = 0;
                switch (side) {
                case 0:
                    sx = x - r + i, sy = y - r;
                    break;
                case 1:
                    sx = x + r, sy = y - r + i;
                    break;
                case 2:
                    sx = x + r - i, sy = y + r;
                    break;
                default:
                    sx = x - r, sy = y + r - i;
                    break;
                }
                if (mask.IsLine(sx, sy)) {
                    ++score;
                    empty = 0;
                } else if (++empty > kMaxEmptyRun) {
                    return score;
                }
            }
        }
    }
    return score;
}

namespace {

struct Group {
    double sumX = 0;
    double sumY = 0;
    int32_t count = 0;
    Point First;
};

// The centroid of the line pixels within `radius` of the point; false when there are none.
bool Centroid(const LineMask& mask, Point around, double radius, Point& out) {
    double sx = 0;
    double sy = 0;
    int64_t n = 0;
    const int32_t y0 = std::max(0, static_cast<int32_t>(around.y - radius));
    const int32_t y1 = std::min(mask.height - 1, static_cast<int32_t>(around.y + radius));
    const int32_t x0 = std::max(0, static_cast<int32_t>(around.x - radius));
    const int32_t x1 = std::min(mask.width - 1, static_cast<int32_t>(around.x + radius));
    for (int32_t y = y0; y <= y1; ++y) {
        for (int32_t x = x0; x <= x1; ++x) {
            if (mask.At(x, y) != 0 && std::hypot(x - around.x, y - around.y) <= radius) {
                sx += x;
                sy += y;
                ++n;
            }
        }
    }
    if (n == 0) {
        return false;
    }
    out = Point{sx / double(n), sy / double(n)};
    return true;
}

// The share of dark samples on the ring between the two radii.
double DarkShare(const LineMask& mask, Point c, double inner, double outer) {
    int32_t dark = 0;
    int32_t samples = 0;
    for (double r = inner; r <= outer; r += 1.0) {
        const int32_t steps = std::max(16, static_cast<int32_t>(2 * M_PI * r));
        for (int32_t k = 0; k < steps; ++k) {
            const double a = 2 * M_PI * k / steps;
            const auto x = static_cast<int32_t>(std::lround(c.x + r * std::cos(a)));
            const auto y = static_cast<int32_t>(std::lround(c.y + r * std::sin(a)));
            dark += mask.IsLine(x, y) ? 1 : 0;
            ++samples;
        }
    }
    return samples ? double(dark) / samples : 1.0;
}

} // namespace

std::vector<Point> Find(const LineMask& mask, double pixelsPerInch) {
    // Scores of the line pixels; a pixel off the lines scores 0.
    std::vector<uint16_t> scores(mask.pixels.size(), 0);
    const int32_t w = mask.width;
    for (int32_t y = 0; y < mask.height; ++y) {
        for (int32_t x = 0; x < w; ++x) {
            if (mask.At(x, y) != 0) {
                scores[static_cast<size_t>(y) * size_t(w) + size_t(x)] =
                    static_cast<uint16_t>(std::min(RingScore(mask, x, y), 65535));
            }
        }
    }
    auto score = [&](int32_t x, int32_t y) -> int32_t {
        if (x < 0 || y < 0 || x >= w || y >= mask.height) {
            return 0;
        }
        return scores[static_cast<size_t>(y) * size_t(w) + size_t(x)];
    };
    // Candidates: above the threshold and a local maximum across, down and along both diagonals.
    std::vector<Point> candidates;
    for (int32_t y = 0; y < mask.height && candidates.size() < size_t(kMaxCandidates); ++y) {
        for (int32_t x = 0; x < w && candidates.size() < size_t(kMaxCandidates); ++x) {
            const int32_t s = score(x, y);
            if (s <= kScoreThreshold) {
                continue;
            }
            const bool across = s >= score(x - 1, y) && s >= score(x + 1, y);
            const bool down = s >= score(x, y - 1) && s >= score(x, y + 1);
            const bool diagonal = s >= score(x - 1, y - 1) && s >= score(x + 1, y + 1) &&
                                  s >= score(x + 1, y - 1) && s >= score(x - 1, y + 1);
            if (across && down && diagonal) {
                candidates.push_back(Point{double(x), double(y)});
            }
        }
    }
    const double radius = kRadiusInches * pixelsPerInch;
    std::vector<Group> groups;
    for (const Point& c : candidates) {
        auto near = std::find_if(groups.begin(), groups.end(), [&](const Group& g) {
            return std::hypot(g.First.x - c.x, g.First.y - c.y) <= 2 * radius;
        });
        if (near == groups.end()) {
            groups.push_back(Group{0, 0, 0, c});
            near = groups.end() - 1;
        }
        near->sumX += c.x;
        near->sumY += c.y;
        ++near->count;
    }
    std::vector<Point> found;
    for (const Group& g : groups) {
        Point centre{g.sumX / g.count, g.sumY / g.count};
        if (!Centroid(mask, centre, radius * 1.2, centre) ||
            DarkShare(mask, centre, radius * kHaloInner, radius * kHaloOuter) > kHaloDarkShare) {
            continue;
        }
        found.push_back(centre);
    }
    return found;
}

Point Registration::ToScan(Point f) const {
    const double c = std::cos(angle);
    const double s = std::sin(angle);
    const double x = scaleX * f.x;
    const double y = scaleY * f.y;
    return Point{origin.x + c * x - s * y, origin.y + s * x + c * y};
}

namespace {

// The points in layout order: banded into rows (a new row where the next point lies lower by more than
// a fifth of the whole spread), each row from left to right. Empty when the rows do not hold the
// layout's counts.
std::vector<size_t> RowOrder(const std::vector<Point>& points) {
    std::vector<size_t> order(points.size());
    for (size_t i = 0; i < order.size(); ++i) {
        order[i] = i;
    }
    std::sort(order.begin(), order.end(), [&](size_t a, size_t b) { return points[a].y < points[b].y; });
    const double spread = points[order.back()].y - points[order.front()].y;
    std::vector<std::vector<size_t>> rows(1);
    for (size_t k = 0; k < order.size(); ++k) {
        if (k > 0 && points[order[k]].y - points[order[k - 1]].y > spread / 5) {
            rows.emplace_back();
        }
        rows.back().push_back(order[k]);
    }
    if (rows.size() != kRowCounts.size()) {
        return {};
    }
    std::vector<size_t> result;
    for (size_t r = 0; r < rows.size(); ++r) {
        if (rows[r].size() != size_t(kRowCounts[r])) {
            return {};
        }
        std::sort(rows[r].begin(), rows[r].end(),
                  [&](size_t a, size_t b) { return points[a].x < points[b].x; });
        result.insert(result.end(), rows[r].begin(), rows[r].end());
    }
    return result;
}

// Solves the 3 x 3 system m v = r by elimination; false when it is singular.
bool Solve3(double m[3][3], double r[3], double v[3]) {
    for (int c = 0; c < 3; ++c) {
        int pivot = c;
        for (int k = c + 1; k < 3; ++k) {
            if (std::abs(m[k][c]) > std::abs(m[pivot][c])) {
                pivot = k;
            }
        }
        if (std::abs(m[pivot][c]) < 1e-12) {
            return false;
        }
        std::swap(m[c], m[pivot]);
        std::swap(r[c], r[pivot]);
        for (int k = 0; k < 3; ++k) {
            if (k != c) {
                const double f = m[k][c] / m[c][c];
                for (int j = 0; j < 3; ++j) {
                    m[k][j] -= f * m[c][j];
                }
                r[k] -= f * r[c];
            }
        }
    }
    for (int c = 0; c < 3; ++c) {
        v[c] = r[c] / m[c][c];
    }
    return true;
}

// The least-squares affine map from the layout to the scan points paired by `pairing`, read as a
// turn, two scales and an origin.
Registration FitPairs(const std::vector<Point>& found, const std::vector<size_t>& pairing,
                      const std::array<Point, kCount>& layout) {
    double m[3][3] = {};
    double rx[3] = {};
    double ry[3] = {};
    for (size_t i = 0; i < layout.size(); ++i) {
        const double u[3] = {layout[i].x, layout[i].y, 1.0};
        const Point& s = found[pairing[i]];
        for (int a = 0; a < 3; ++a) {
            for (int b = 0; b < 3; ++b) {
                m[a][b] += u[a] * u[b];
            }
            rx[a] += u[a] * s.x;
            ry[a] += u[a] * s.y;
        }
    }
    double m2[3][3];
    std::copy(&m[0][0], &m[0][0] + 9, &m2[0][0]);
    double px[3];
    double py[3];
    Registration reg;
    if (!Solve3(m, rx, px) || !Solve3(m2, ry, py)) {
        return reg;
    }
    reg.angle = std::atan2(py[0], px[0]);
    reg.scaleX = std::hypot(px[0], py[0]);
    reg.scaleY = std::hypot(px[1], py[1]);
    reg.origin = Point{px[2], py[2]};
    double sum = 0;
    for (size_t i = 0; i < layout.size(); ++i) {
        const Point p = reg.ToScan(layout[i]);
        const Point& s = found[pairing[i]];
        sum += (p.x - s.x) * (p.x - s.x) + (p.y - s.y) * (p.y - s.y);
    }
    reg.rms = std::sqrt(sum / double(layout.size()));
    reg.found = true;
    return reg;
}

} // namespace

Registration Fit(const std::vector<Point>& found, const std::array<Point, kCount>& layout,
                 double pixelsPerInch) {
    Registration best;
    if (found.size() != size_t(kCount)) {
        return best;
    }
    best.rms = std::numeric_limits<double>::max();
    for (int quarter = 0; quarter < 4; ++quarter) {
        // The points as they would lie with the sheet turned back by this many quarters.
        std::vector<Point> turned(found.size());
        for (size_t i = 0; i < found.size(); ++i) {
            const Point& p = found[i];
            switch (quarter) {
            case 0:
                turned[i] = p;
                break;
            case 1:
                turned[i] = Point{p.y, -p.x};
                break;
            case 2:
                turned[i] = Point{-p.x, -p.y};
                break;
            default:
                turned[i] = Point{-p.y, p.x};
                break;
            }
        }
        const std::vector<size_t> pairing = RowOrder(turned);
        if (pairing.empty()) {
            continue;
        }
        const Registration reg = FitPairs(found, pairing, layout);
        if (reg.found && reg.rms < best.rms) {
            best = reg;
        }
    }
    const double tolerance = kRadiusInches * pixelsPerInch / 3;
    best.found = best.found && best.rms <= tolerance;
    return best;
}

} // namespace ts::marks
