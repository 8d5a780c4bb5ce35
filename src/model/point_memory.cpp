#include "model/point_memory.h"

#include <algorithm>
#include <cstdlib>
#include <new>

namespace ts {

namespace {

// Wraps like the 32-bit arithmetic of the stored coordinates instead of overflowing.
int32_t Wrap(int64_t v) {
    return static_cast<int32_t>(v);
}

bool Within(int64_t a, int64_t b, int64_t tolerance) {
    return std::llabs(a - b) <= tolerance;
}

// Half the side of the view box in which a segment end counts as under the pointer.
constexpr int32_t kHitBox = 4;
// SnapToEnd catches ends within this many view pixels.
constexpr int32_t kSnapViewPixels = 4;

} // namespace

void PointMemory::SetLayerOrigin(int32_t x, int32_t y) {
    m_origin = {x, y};
}

IntPoint PointMemory::ToLayer(int32_t x, int32_t y) const {
    return {Wrap(int64_t{x} - 4 * int64_t{m_origin.x}), Wrap(int64_t{y} - 4 * int64_t{m_origin.y})};
}

IntPoint PointMemory::ToDrawing(int32_t x, int32_t y) const {
    return {Wrap(int64_t{x} + 4 * int64_t{m_origin.x}), Wrap(int64_t{y} + 4 * int64_t{m_origin.y})};
}

bool PointMemory::AddSegment(int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
    const IntPoint a = ToLayer(x1, y1);
    const IntPoint b = ToLayer(x2, y2);
    try {
        m_segments.push_back(std::make_unique<Segment>(a.x, a.y, b.x, b.y));
    } catch (const std::bad_alloc&) {
        return false;
    }
    return true;
}

void PointMemory::RemoveLastSegment() {
    if (!m_segments.empty()) {
        m_segments.pop_back();
    }
}

IntPoint PointMemory::SnapToEnd(IntPoint point, const ViewMapping& view) const {
    const int32_t tolerance = view.FineSpan(kSnapViewPixels);
    const IntPoint p = ToLayer(point.x, point.y);
    for (const auto& s : m_segments) {
        if (Within(s->startX, p.x, tolerance) && Within(s->startY, p.y, tolerance)) {
            return ToDrawing(s->startX, s->startY);
        }
        if (Within(s->endX, p.x, tolerance) && Within(s->endY, p.y, tolerance)) {
            return ToDrawing(s->endX, s->endY);
        }
    }
    return point;
}

bool PointMemory::SelectExactly(int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
    const IntPoint a = ToLayer(x1, y1);
    const IntPoint b = ToLayer(x2, y2);
    bool any = false;
    for (auto& s : m_segments) {
        const bool match = s->HasEnds(a.x, a.y, b.x, b.y);
        s->selected = match ? 1 : 0;
        any = any || match;
    }
    return any;
}

void PointMemory::ToggleSelected(int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
    const IntPoint a = ToLayer(x1, y1);
    const IntPoint b = ToLayer(x2, y2);
    for (auto& s : m_segments) {
        if (s->HasEnds(a.x, a.y, b.x, b.y)) {
            s->selected = s->selected ? 0 : 1;
            return;
        }
    }
}

void PointMemory::SelectAll() {
    for (auto& s : m_segments) {
        s->selected = 1;
    }
}

void PointMemory::ClearSelection() {
    for (auto& s : m_segments) {
        s->selected = 0;
    }
}

int PointMemory::CountSelected() const {
    return static_cast<int>(
        std::count_if(m_segments.begin(), m_segments.end(), [](const auto& s) { return s->selected != 0; }));
}

void PointMemory::DeleteSelected() {
    std::erase_if(m_segments, [](const auto& s) { return s->selected != 0; });
}

void PointMemory::MoveEnd(int32_t oldX, int32_t oldY, int32_t newX, int32_t newY) {
    const IntPoint from = ToLayer(oldX, oldY);
    const IntPoint to = ToLayer(newX, newY);
    for (auto& s : m_segments) {
        if (s->startX == from.x && s->startY == from.y) {
            s->startX = to.x;
            s->startY = to.y;
            s->startPoint = PointTS(to.x, to.y);
        }
        if (s->endX == from.x && s->endY == from.y) {
            s->endX = to.x;
            s->endY = to.y;
            s->endPoint = PointTS(to.x, to.y);
        }
    }
}

EndHit PointMemory::HitEnds(IntPoint viewPoint, const ViewMapping& view, size_t from) const {
    for (size_t i = from; i < m_segments.size(); ++i) {
        const Segment& s = *m_segments[i];
        const IntPoint start = ToDrawing(s.startX, s.startY);
        const IntPoint end = ToDrawing(s.endX, s.endY);
        const auto hit = [&](IntPoint p) {
            return Within(view.FineToViewX(p.x), viewPoint.x, kHitBox) &&
                   Within(view.FineToViewY(p.y), viewPoint.y, kHitBox);
        };
        if (hit(start)) {
            return {1, static_cast<int32_t>(i), start, end};
        }
        if (hit(end)) {
            return {2, static_cast<int32_t>(i), end, start};
        }
    }
    return {};
}

EndHits PointMemory::HitEndsTwice(IntPoint viewPoint, const ViewMapping& view) const {
    EndHits hits;
    hits.first = HitEnds(viewPoint, view);
    if (hits.first.flags == 0) {
        return hits;
    }
    hits.kind = 1;
    hits.second = HitEnds(viewPoint, view, static_cast<size_t>(hits.first.index) + 1);
    if (hits.second.flags != 0) {
        hits.kind = 2;
    }
    return hits;
}

void PointMemory::MirrorX(int32_t width) {
    // Integer ends index quarter-pixel cells (cell x mirrors to cell 4w - 1 - x); the doubles are
    // positions on the continuous axis, which mirror to 4w - x.
    const int64_t w4 = 4 * int64_t{width};
    for (auto& s : m_segments) {
        s->startX = Wrap(w4 - s->startX - 1);
        s->endX = Wrap(w4 - s->endX - 1);
        s->startPoint.x = static_cast<double>(w4) - s->startPoint.x;
        s->endPoint.x = static_cast<double>(w4) - s->endPoint.x;
    }
}

void PointMemory::MirrorY(int32_t height) {
    const int64_t h4 = 4 * int64_t{height};
    for (auto& s : m_segments) {
        s->startY = Wrap(h4 - s->startY - 1);
        s->endY = Wrap(h4 - s->endY - 1);
        s->startPoint.y = static_cast<double>(h4) - s->startPoint.y;
        s->endPoint.y = static_cast<double>(h4) - s->endPoint.y;
    }
}

} // namespace ts
