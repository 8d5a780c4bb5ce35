// The segments of the line being drawn: their overlay, editing (vertex drags and selection), the
// partial erase, the vanishing points, the array and the offset copies.

#include "modes/line_manager.h"

#include "interact/virtual_keys.h"
#include "model/frame_layers.h"
#include "perspective/perspective_rectangle.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <optional>

namespace ts {

namespace {

constexpr int32_t kPickPixels = 4; // view pixels around a segment or an end that still hit it

struct Geometry {
    double x1, y1, x2, y2;
};

// Where two lines cross as the parameter along the first (a.start + t (a.end - a.start)); none when
// they are parallel.
std::optional<double> Crossing(const Geometry& a, const Geometry& b) {
    const double ax = a.x2 - a.x1;
    const double ay = a.y2 - a.y1;
    const double bx = b.x2 - b.x1;
    const double by = b.y2 - b.y1;
    const double d = ax * by - ay * bx;
    const double scale = std::hypot(ax, ay) * std::hypot(bx, by);
    if (scale == 0.0 || std::fabs(d) <= 1e-9 * scale) {
        return std::nullopt;
    }
    return ((b.x1 - a.x1) * by - (b.y1 - a.y1) * bx) / d;
}

Geometry Of(const Segment& s) {
    return Geometry{static_cast<double>(s.startX), static_cast<double>(s.startY), static_cast<double>(s.endX),
                    static_cast<double>(s.endY)};
}

// Every pixel of the segment between two view points, clipped to clip.
void DrawSegment(Image24& display, IntPoint a, IntPoint b, const Rect& clip, uint32_t color) {
    const int64_t dx = int64_t{b.x} - a.x;
    const int64_t dy = int64_t{b.y} - a.y;
    const int64_t steps = std::max(std::llabs(dx), std::llabs(dy));
    // Only the steps that can lie in the clip (a segment may reach far off the screen).
    for (int64_t i = 0; i <= steps; ++i) {
        const int64_t x = steps == 0 ? a.x : a.x + (dx * i + (dx >= 0 ? steps / 2 : -steps / 2)) / steps;
        const int64_t y = steps == 0 ? a.y : a.y + (dy * i + (dy >= 0 ? steps / 2 : -steps / 2)) / steps;
        if (x >= clip.left && x < clip.right && y >= clip.top && y < clip.bottom) {
            display.SetColor(static_cast<int32_t>(x), static_cast<int32_t>(y), color);
        }
    }
}

} // namespace

const PointMemory* SegmentOverlay::Points() const {
    const LayerObject* layer = CurrentDrawingLayer(m_stack);
    if (!layer || !layer->frame || layer->frame->points.IsEmpty()) {
        return nullptr;
    }
    return &layer->frame->points;
}

Rect SegmentOverlay::Bounds() const {
    const PointMemory* points = Points();
    if (!points) {
        return Rect{};
    }
    const IntPoint o = points->LayerOrigin();
    Rect r{};
    for (size_t i = 0; i < points->Count(); ++i) {
        const Segment& s = points->At(i);
        const IntPoint a = m_geometry.FineToView(s.startX + 4 * o.x, s.startY + 4 * o.y);
        const IntPoint b = m_geometry.FineToView(s.endX + 4 * o.x, s.endY + 4 * o.y);
        r = Union(
            r, Rect{std::min(a.x, b.x), std::min(a.y, b.y), std::max(a.x, b.x) + 1, std::max(a.y, b.y) + 1});
    }
    return Intersection(r, m_geometry.Canvas());
}

void SegmentOverlay::Draw(Image24& display, const Rect& clip) const {
    const PointMemory* points = Points();
    if (!points) {
        return;
    }
    const Rect area =
        Intersection(Intersection(clip, m_geometry.Canvas()), Rect{0, 0, display.Width(), display.Height()});
    const IntPoint o = points->LayerOrigin();
    for (size_t i = 0; i < points->Count(); ++i) {
        const Segment& s = points->At(i);
        DrawSegment(display, m_geometry.FineToView(s.startX + 4 * o.x, s.startY + 4 * o.y),
                    m_geometry.FineToView(s.endX + 4 * o.x, s.endY + 4 * o.y), area,
                    s.selected ? kSelected : kPlain);
    }
}

int32_t LineManager::SegmentAt(int32_t x, int32_t y) const {
    const LayerObject* layer = CurrentDrawingLayer(m_c.stack);
    if (!layer || !layer->frame) {
        return -1;
    }
    const PointMemory& points = layer->frame->points;
    double best = 10000.0;
    int32_t found = -1;
    for (size_t i = 0; i < points.Count(); ++i) {
        const Segment& s = points.At(i);
        const IntPoint a =
            m_c.geometry.FineToView(s.startX + 4 * layer->offsetX, s.startY + 4 * layer->offsetY);
        const IntPoint b = m_c.geometry.FineToView(s.endX + 4 * layer->offsetX, s.endY + 4 * layer->offsetY);
        if (x < std::min(a.x, b.x) - kPickPixels || x > std::max(a.x, b.x) + kPickPixels ||
            y < std::min(a.y, b.y) - kPickPixels || y > std::max(a.y, b.y) + kPickPixels) {
            continue;
        }
        const double dx = static_cast<double>(b.x) - a.x;
        const double dy = static_cast<double>(b.y) - a.y;
        const double length = std::hypot(dx, dy);
        const double distance = length == 0.0
                                    ? std::hypot(static_cast<double>(x) - a.x, static_cast<double>(y) - a.y)
                                    : std::fabs(dy * (x - a.x) - dx * (y - a.y)) / length;
        if (distance <= kPickPixels && distance < best) {
            best = distance;
            found = static_cast<int32_t>(i);
        }
    }
    return found;
}

bool LineManager::OnEditPress(uint32_t flags, int32_t x, int32_t y) {
    PointMemory* points = Points();
    ScreenTool* tool = m_c.tools.CurrentTool();
    if (!points || !tool) {
        return false;
    }
    const EndHits hits = points->HitEndsTwice(IntPoint{x, y}, m_c.geometry.Mapping());
    if (hits.kind > 0) {
        // The other end of the grabbed segment anchors the rubber line; the grabbed end follows the
        // pointer, and a second segment sharing it moves with it on release.
        m_grabbed = hits.first.end;
        m_editing = true;
        tool->SetStartPoint(hits.first.other.x, hits.first.other.y);
        m_rubber.Start(false);
        m_c.refresh.Refresh("R_OnSelectLButtonDown");
        return true;
    }
    const int32_t hit = SegmentAt(x, y);
    const bool shift = (flags & keys::kShiftFlag) != 0;
    const bool ctrl = (flags & keys::kCtrlFlag) != 0;
    if (hit >= 0) {
        const Segment& s = points->At(static_cast<size_t>(hit));
        const IntPoint o = points->LayerOrigin();
        const int32_t x1 = s.startX + 4 * o.x;
        const int32_t y1 = s.startY + 4 * o.y;
        const int32_t x2 = s.endX + 4 * o.x;
        const int32_t y2 = s.endY + 4 * o.y;
        if (shift && ctrl && s.selected) {
            points->SelectAll();
        } else if (shift || ctrl) {
            points->ToggleSelected(x1, y1, x2, y2);
        } else {
            points->SelectExactly(x1, y1, x2, y2);
        }
    } else if (!shift && !ctrl) {
        points->ClearSelection();
    }
    RefreshView("R_OnSelectLButtonDown");
    return hit >= 0;
}

bool LineManager::OnEditDrag(uint32_t /*flags*/, int32_t /*x*/, int32_t /*y*/) {
    if (!m_editing) {
        return false;
    }
    m_rubber.Update();
    return true;
}

bool LineManager::OnEditRelease(uint32_t /*flags*/, int32_t /*x*/, int32_t /*y*/) {
    if (!m_editing) {
        return false;
    }
    m_rubber.Update();
    const IntPoint to = m_rubber.CurrentPoint();
    m_rubber.End();
    m_editing = false;
    if (PointMemory* points = Points()) {
        points->MoveEnd(m_grabbed.x, m_grabbed.y, to.x, to.y);
    }
    RefreshView("R_OnSelectLButtonUp");
    return true;
}

bool LineManager::OnPartialErasePress(uint32_t /*flags*/, int32_t x, int32_t y) {
    PointMemory* points = Points();
    if (!points || points->CountSelected() == 0) {
        m_c.ui.ShowMessage(kNoSelected);
        return false;
    }
    const int32_t hit = SegmentAt(x, y);
    if (hit < 0 || points->At(static_cast<size_t>(hit)).selected) {
        return false;
    }
    // The part of the clicked segment between the nearest crossings with selected segments on either
    // side of the press (or the segment's end where there is none on a side) goes.
    const Geometry g = Of(points->At(static_cast<size_t>(hit)));
    const IntPoint o = points->LayerOrigin();
    const IntPoint fine = m_c.geometry.ToFine(x, y);
    const double px = fine.x - 4.0 * o.x - g.x1;
    const double py = fine.y - 4.0 * o.y - g.y1;
    const double len2 = (g.x2 - g.x1) * (g.x2 - g.x1) + (g.y2 - g.y1) * (g.y2 - g.y1);
    const double at = len2 == 0.0 ? 0.0 : (px * (g.x2 - g.x1) + py * (g.y2 - g.y1)) / len2;
    double low = 0.0;
    double high = 1.0;
    bool bounded = false;
    for (size_t i = 0; i < points->Count(); ++i) {
        if (!points->At(i).selected) {
            continue;
        }
        const std::optional<double> t = Crossing(g, Of(points->At(i)));
        if (!t || *t <= 0.0 || *t >= 1.0) {
            continue;
        }
        bounded = true;
        if (*t <= at) {
            low = std::max(low, *t);
        } else {
            high = std::min(high, *t);
        }
    }
    if (!bounded) {
        return false;
    }
    // The list is made anew in its order, the clicked segment replaced by what is left of it.
    std::vector<Segment> kept;
    for (size_t i = 0; i < points->Count(); ++i) {
        kept.push_back(points->At(i));
    }
    points->Clear();
    auto point = [&](double t) {
        return IntPoint{static_cast<int32_t>(std::lround(g.x1 + t * (g.x2 - g.x1))) + 4 * o.x,
                        static_cast<int32_t>(std::lround(g.y1 + t * (g.y2 - g.y1))) + 4 * o.y};
    };
    for (size_t i = 0; i < kept.size(); ++i) {
        const Segment& s = kept[i];
        if (static_cast<int32_t>(i) != hit) {
            points->AddSegment(s.startX + 4 * o.x, s.startY + 4 * o.y, s.endX + 4 * o.x, s.endY + 4 * o.y);
            if (s.selected) {
                points->ToggleSelected(s.startX + 4 * o.x, s.startY + 4 * o.y, s.endX + 4 * o.x,
                                       s.endY + 4 * o.y);
            }
            continue;
        }
        for (const auto& [from, to] : {std::pair{0.0, low}, std::pair{high, 1.0}}) {
            const IntPoint a = point(from);
            const IntPoint b = point(to);
            if (to > from && !(a == b)) {
                points->AddSegment(a.x, a.y, b.x, b.y);
            }
        }
    }
    RefreshView("R_OnSelectLButtonDown");
    return false; // one click, not a stroke
}

bool LineManager::SetVanishingPoint() {
    PointMemory* points = Points();
    LayerObject* layer = CurrentDrawingLayer(m_c.stack);
    if (!points || !layer || points->Count() < 2) {
        m_c.ui.ShowMessage(kNoTwoSegments);
        return false;
    }
    const Segment& a = points->At(points->Count() - 2);
    const Segment& b = points->At(points->Count() - 1);
    const Geometry ga = Of(a);
    const std::optional<double> t = Crossing(ga, Of(b));
    if (!t) {
        // Parallel segments meet nowhere: they stay for another try.
        m_c.ui.ShowMessage(kNoTwoSegments);
        return false;
    }
    // Layer pixels, as the frame keeps them.
    const PointTS vanishing((ga.x1 + *t * (ga.x2 - ga.x1)) / 4.0, (ga.y1 + *t * (ga.y2 - ga.y1)) / 4.0);
    points->RemoveLastSegment();
    points->RemoveLastSegment();
    layer->frame->vanishingPoints.push_back(vanishing);
    layer->frame->currentVanishingPoint = static_cast<int32_t>(layer->frame->vanishingPoints.size()) - 1;
    ShowVanishingPoint();
    ShowSegments();
    m_c.refresh.MarkViewportSize();
    m_c.refresh.Refresh("SetVanishingPoint");
    m_c.refresh.Refresh("R_OnLineSetVanishingPoint");
    return true;
}

void LineManager::RemoveVanishingPoints() {
    // The points the lines follow: the layer's own, else those of the frame it is drawn over.
    if (LayerObject* layer = VanishingPointLayer(m_c.stack)) {
        layer->frame->vanishingPoints.clear();
        layer->frame->currentVanishingPoint = -1;
    }
    ShowVanishingPoint();
    m_c.ui.ShowMessage(kVanishingRemoved, "", MessageIcon::Information);
}

bool LineManager::Array() {
    const auto* entry = dynamic_cast<const EditBox*>(Panel().Find(kArrayCountBox));
    const int32_t count = entry ? std::atoi(entry->GetText().c_str()) : 0;
    if (count <= 0) {
        m_c.ui.ShowMessage(kArrayCount);
        return false;
    }
    PointMemory* points = Points();
    if (!points || points->CountSelected() != 2) {
        m_c.ui.ShowMessage(kArrayTwo);
        return false;
    }
    std::vector<Geometry> chosen;
    for (size_t i = 0; i < points->Count(); ++i) {
        if (points->At(i).selected) {
            chosen.push_back(Of(points->At(i)));
        }
    }
    Geometry a = chosen[0];
    Geometry b = chosen[1];
    // The quadrilateral a.start, a.end, b.end, b.start must not cross itself: when the sides joining
    // the two segments' ends cross, b is taken the other way round.
    const Geometry side1{a.x1, a.y1, b.x1, b.y1};
    const Geometry side2{a.x2, a.y2, b.x2, b.y2};
    if (const std::optional<double> t = Crossing(side1, side2); t && *t > 0.0 && *t < 1.0) {
        const std::optional<double> u = Crossing(side2, side1);
        if (u && *u > 0.0 && *u < 1.0) {
            std::swap(b.x1, b.x2);
            std::swap(b.y1, b.y2);
        }
    }
    const PerspectiveRectangle map(
        {PointTS(a.x1, a.y1), PointTS(a.x2, a.y2), PointTS(b.x2, b.y2), PointTS(b.x1, b.y1)});
    const IntPoint o = points->LayerOrigin();
    const int32_t n = std::min(count, kMaxArrayCount);
    for (int32_t i = 1; i <= n; ++i) {
        const double v = static_cast<double>(i) / (n + 1);
        const PointTS p = map.Map(0.0, v);
        const PointTS q = map.Map(1.0, v);
        points->AddSegment(static_cast<int32_t>(std::lround(p.x)) + 4 * o.x,
                           static_cast<int32_t>(std::lround(p.y)) + 4 * o.y,
                           static_cast<int32_t>(std::lround(q.x)) + 4 * o.x,
                           static_cast<int32_t>(std::lround(q.y)) + 4 * o.y);
    }
    RefreshView("R_ServiceArray");
    m_c.prompt.SetPrompt(kArrayDone);
    return true;
}

bool LineManager::OffsetSegment(int32_t pressX, int32_t pressY, int32_t toX, int32_t toY, bool ray) {
    PointMemory* points = Points();
    LayerObject* layer = LineLayer();
    const int32_t hit = SegmentAt(pressX, pressY);
    if (!points || !layer || hit < 0) {
        return false;
    }
    const Segment s = points->At(static_cast<size_t>(hit));
    const IntPoint o = points->LayerOrigin();
    const IntPoint from = m_c.geometry.ToFine(pressX, pressY);
    const IntPoint to = m_c.geometry.ToFine(toX, toY);
    // Moved across the segment by the drag's part perpendicular to it.
    const double dx = static_cast<double>(s.endX) - s.startX;
    const double dy = static_cast<double>(s.endY) - s.startY;
    const double length2 = dx * dx + dy * dy;
    if (length2 == 0.0) {
        return false;
    }
    const double mx = static_cast<double>(to.x) - from.x;
    const double my = static_cast<double>(to.y) - from.y;
    const double along = (mx * dx + my * dy) / length2;
    const auto ox = static_cast<int32_t>(std::lround(mx - along * dx));
    const auto oy = static_cast<int32_t>(std::lround(my - along * dy));
    IntPoint a{s.startX + 4 * o.x + ox, s.startY + 4 * o.y + oy};
    IntPoint b{s.endX + 4 * o.x + ox, s.endY + 4 * o.y + oy};
    if (ray) {
        // An offset ray runs across the whole layer; clipping cuts it at the edges.
        const double reach = 8.0 * (m_c.stack.LayerWidth(*layer) + m_c.stack.LayerHeight(*layer));
        const double k = reach / std::sqrt(length2);
        a = IntPoint{static_cast<int32_t>(a.x - k * dx), static_cast<int32_t>(a.y - k * dy)};
        b = IntPoint{static_cast<int32_t>(b.x + k * dx), static_cast<int32_t>(b.y + k * dy)};
    }
    const bool added = AddClipped(a, b);
    ShowSegments();
    return added;
}

} // namespace ts
