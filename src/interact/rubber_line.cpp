#include "interact/rubber_line.h"

#include "interact/virtual_keys.h"
#include "model/frame_layers.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <new>

namespace ts {

namespace {

constexpr double kPi = 3.14159265;

// The view point of a fine point as a double, for distances that may lie far off the screen.
double ViewDistance(IntPoint a, IntPoint b) {
    return std::hypot(static_cast<double>(a.x) - b.x, static_cast<double>(a.y) - b.y);
}

} // namespace

RubberLine::RubberLine(ToolContext& context, OverlayPainter& painter, RefreshRequests& refresh)
    : m_context(context), m_painter(painter), m_refresh(refresh) {}

bool RubberLine::Allocate() const {
    const Rect canvas = m_context.geometry.Canvas();
    const size_t wanted = static_cast<size_t>(std::max<int32_t>({canvas.Width(), canvas.Height(), 1}));
    if (wanted == m_capacity) {
        return true;
    }
    try {
        m_pixels.assign(wanted, SavedPixel{});
    } catch (const std::bad_alloc&) {
        m_pixels.clear();
        m_capacity = 0;
        m_count = 0;
        return false;
    }
    m_capacity = wanted;
    m_count = 0;
    return true;
}

void RubberLine::Free() {
    m_pixels = {};
    m_capacity = 0;
    m_count = 0;
    m_bounds = Rect{};
    m_tracedIn = Rect{};
}

bool RubberLine::Start(bool rayMode) {
    ScreenTool* tool = m_context.view.CurrentTool();
    if (m_active) {
        m_painter.Hide(*this); // a new segment without the old one ended
    }
    if (!tool || !Allocate()) {
        m_active = false;
        return false;
    }
    if (!m_gestureOpen) {
        m_origin = tool->GetPressFinePoint();
        m_gestureOpen = true;
    }
    m_active = true;
    m_rayMode = rayMode;
    m_clearSteps = rayMode ? tool->GetBrushSize() / 2 + 2 : 0;
    m_start = m_current = m_farthest = tool->GetPressFinePoint();
    m_farthestDistance = 0.0;
    m_count = 0;
    m_bounds = Rect{};
    return true;
}

void RubberLine::Update() {
    ScreenTool* tool = m_context.view.CurrentTool();
    if (!m_active || !tool) {
        return;
    }
    m_painter.Hide(*this);
    IntPoint point = tool->GetCurrentFinePoint();
    if ((tool->LastFlags() & keys::kCtrlFlag) && !m_rayMode) {
        const LayerObject* layer = Perspective();
        const Wireframe* frame = layer ? layer->frame.get() : nullptr;
        PointTS vanishing;
        if (frame) {
            // The constraint works in drawing fine units.
            const PointTS& v = frame->vanishingPoints[static_cast<size_t>(frame->currentVanishingPoint)];
            vanishing = PointTS(4.0 * (v.x + layer->offsetX), 4.0 * (v.y + layer->offsetY));
        }
        point = m_context.environment.Constraint().Constrain(m_start, point, tool->LastFlags(),
                                                             frame ? &vanishing : nullptr);
        tool->SetCurrentFinePoint(point);
    }
    const bool moved = point != m_current;
    m_current = point;
    Swing(*tool);
    if (moved) {
        const IntPoint view = m_context.geometry.FineToView(m_current.x, m_current.y);
        tool->SnapPoint(view.x, view.y);
        if (tool->IsSnapped()) {
            m_current = tool->GetCurrentFinePoint();
        }
    }
    // The viewport may have changed size since the start: the array follows it.
    if (!Allocate()) {
        return;
    }
    Trace();
    m_painter.Show(*this);
}

void RubberLine::Abort() {
    if (m_active) {
        m_painter.Hide(*this);
    }
    Free();
    m_active = false;
    m_gestureOpen = false;
    Env* current = m_context.environment.Current();
    if (current && current->GetModeId() == Env::kLineId) {
        m_context.environment.OnRubberLineAborted();
    }
    m_refresh.MarkViewportSize();
    m_refresh.Refresh("R_AbortRubberLine");
}

bool RubberLine::End() {
    if (m_active) {
        m_painter.Hide(*this);
    }
    Free();
    m_active = false;
    return m_context.environment.OnRubberLineEnded();
}

LayerObject* RubberLine::Perspective() const {
    LayerObject* layer = VanishingPointLayer(m_context.stack);
    if (!layer) {
        return nullptr;
    }
    const Wireframe& frame = *layer->frame;
    const auto count = static_cast<int32_t>(frame.vanishingPoints.size());
    if (frame.currentVanishingPoint < 0 || frame.currentVanishingPoint >= count) {
        return nullptr;
    }
    return layer;
}

void RubberLine::Swing(ScreenTool& tool) {
    const IntPoint startView = m_context.geometry.FineToView(m_start.x, m_start.y);
    const double distance = ViewDistance(startView, tool.GetCurrentViewPoint());
    if (distance > m_farthestDistance) {
        m_farthestDistance = distance;
        m_farthest = m_current;
        return;
    }
    if (m_farthestDistance <= kSwingOut || distance > kSwingBack) {
        return;
    }
    // Back near the start after a long swing: the vanishing point lying in the swing's direction
    // (either way along it) becomes the current one.
    const IntPoint farthest = m_farthest;
    m_farthestDistance = distance;
    m_farthest = m_current;
    LayerObject* layer = VanishingPointLayer(m_context.stack);
    if (!layer) {
        return;
    }
    Wireframe& frame = *layer->frame;
    const double swing = CConstraintManager::SegmentAngle(m_start.x, m_start.y, farthest.x, farthest.y);
    int32_t best = -1;
    double bestDifference = 0.0;
    for (size_t i = 0; i < frame.vanishingPoints.size(); ++i) {
        const PointTS& v = frame.vanishingPoints[i];
        const double angle = CConstraintManager::SegmentAngle(
            m_start.x, m_start.y, 4.0 * (v.x + layer->offsetX), 4.0 * (v.y + layer->offsetY));
        double difference = std::fmod(std::fabs(angle - swing), kPi);
        difference = std::min(difference, kPi - difference);
        if (best < 0 || difference < bestDifference) {
            best = static_cast<int32_t>(i);
            bestDifference = difference;
        }
    }
    if (best != frame.currentVanishingPoint) {
        frame.currentVanishingPoint = best;
        if (vanishingPointChanged) {
            vanishingPointChanged();
        }
    }
}

void RubberLine::Trace() const {
    m_count = 0;
    m_bounds = Rect{};
    m_tracedIn = m_context.geometry.Canvas();
    if (!Allocate()) {
        return;
    }
    const Rect canvas = m_tracedIn;
    // From the current point to the start, one pixel a step along the major axis; the minor axis in
    // 16.16 fixed point (64 bits: a start far off the screen must not overflow).
    const IntPoint a = m_context.geometry.FineToView(m_current.x, m_current.y);
    const IntPoint b = m_context.geometry.FineToView(m_start.x, m_start.y);
    const int64_t dx = int64_t{b.x} - a.x;
    const int64_t dy = int64_t{b.y} - a.y;
    const bool xMajor = std::llabs(dx) >= std::llabs(dy);
    const int64_t steps = std::max(std::llabs(dx), std::llabs(dy));
    const int64_t majorFrom = xMajor ? a.x : a.y;
    const int64_t majorSign = (xMajor ? dx : dy) < 0 ? -1 : 1;
    const int64_t minorFrom = xMajor ? a.y : a.x;
    const int64_t minorStep = steps == 0 ? 0 : (xMajor ? dy : dx) * 65536 / steps;
    const int64_t low = xMajor ? canvas.left : canvas.top;
    const int64_t high = xMajor ? canvas.right : canvas.bottom; // exclusive
    const int64_t minorLow = xMajor ? canvas.top : canvas.left;
    const int64_t minorHigh = xMajor ? canvas.bottom : canvas.right;
    // The steps whose major coordinate lies inside the viewport: at most its extent, the capacity.
    int64_t first = majorSign > 0 ? low - majorFrom : majorFrom - (high - 1);
    int64_t last = majorSign > 0 ? high - 1 - majorFrom : majorFrom - low;
    first = std::max<int64_t>(first, 0);
    last = std::min(last, steps);
    for (int64_t i = first; i <= last && m_count < m_capacity; ++i) {
        const int64_t major = majorFrom + majorSign * i;
        const int64_t minor = ((minorFrom << 16) + 0x8000 + i * minorStep) >> 16;
        if (minor < minorLow || minor >= minorHigh) {
            continue;
        }
        SavedPixel& p = m_pixels[m_count++];
        p.x = static_cast<int32_t>(xMajor ? major : minor);
        p.y = static_cast<int32_t>(xMajor ? minor : major);
        p.saved = false;
        p.clear = i < m_clearSteps;
        p.blue = (i & 1) != 0;
        m_bounds = Union(m_bounds, Rect{p.x, p.y, p.x + 1, p.y + 1});
    }
}

Rect RubberLine::Bounds() const {
    if (!m_active) {
        return Rect{};
    }
    if (!(m_context.geometry.Canvas() == m_tracedIn)) {
        Trace(); // the viewport changed: the line is clipped to the new one
    }
    return m_bounds;
}

void RubberLine::Draw(Image24& display, const Rect& clip) const {
    if (!(m_context.geometry.Canvas() == m_tracedIn)) {
        Trace();
    }
    const Rect area = Intersection(clip, Rect{0, 0, display.Width(), display.Height()});
    for (size_t i = 0; i < m_count; ++i) {
        SavedPixel& p = m_pixels[i];
        if (!ViewGeometry::Contains(area, p.x, p.y)) {
            continue;
        }
        // Drawn again after a refresh under it: what lies there now is saved first.
        p.color = display.ColorAt(p.x, p.y);
        p.saved = true;
        if (!p.clear) {
            display.SetColor(p.x, p.y, p.blue ? kBlue : kYellow);
        }
    }
}

bool RubberLine::Restore(Image24& display, const std::vector<Rect>& keep) {
    // Traced for another viewport (the display may have been made anew): its area is rebuilt instead.
    if (!(m_context.geometry.Canvas() == m_tracedIn)) {
        return false;
    }
    const Rect inside{0, 0, display.Width(), display.Height()};
    for (size_t i = 0; i < m_count; ++i) {
        SavedPixel& p = m_pixels[i];
        const bool kept = std::any_of(keep.begin(), keep.end(),
                                      [&](const Rect& r) { return ViewGeometry::Contains(r, p.x, p.y); });
        if (p.saved && !p.clear && !kept && ViewGeometry::Contains(inside, p.x, p.y)) {
            display.SetColor(p.x, p.y, p.color);
        }
        p.saved = false;
    }
    return true;
}

} // namespace ts
