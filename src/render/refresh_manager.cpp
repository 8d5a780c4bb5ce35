#include "render/refresh_manager.h"

#include <algorithm>

namespace ts {

namespace {

// Client areas this tall or taller count as big: repainting them shows the wait cursor.
constexpr int32_t kSmallClientRows = 200;
// View-buffer pixels composited around the shown part, beyond what the zoom's sampling reads.
constexpr int32_t kVisibleMargin = 4;
// The rows the compositor samples for the drawing's average colour: every fourth.
constexpr int32_t kSampledRowStep = 4;

int64_t AreaOf(const Rect& r) {
    return r.IsEmpty() ? 0 : int64_t{r.Width()} * r.Height();
}

} // namespace

RefreshManager::RefreshManager(ViewManager& view, UserInterface& ui) : m_view(view), m_ui(ui) {}

const char* RefreshManager::FlagName(uint32_t flag) {
    switch (flag) {
    case kStackFootprint:
        return "StackFootprint";
    case kCompositionFootprint:
        return "CompositonFootpint";
    case kViewBufferSize:
        return "ViewbufferSize";
    case kStackContents:
        return "StackContents";
    case kViewBufferContents:
        return "ViewbufferCOntents";
    case kPaletteSize:
        return "PaletteSize";
    case kClientArea:
        return "SmallClientArea";
    case kPaletteContents:
        return "PaletteContents";
    case kViewportSize:
        return "ViewportSize";
    case kViewportContents:
        return "ViewportCOntents";
    case kBackdrop:
        return "Backrrop";
    default:
        return "";
    }
}

void RefreshManager::MarkStackFootprint() {
    m_flags |= kStackFootprint | kViewportSize;
}

void RefreshManager::MarkCompositionFootprint() {
    m_flags |= kCompositionFootprint;
}

void RefreshManager::MarkViewBufferSize() {
    m_flags |= kViewBufferSize;
}

void RefreshManager::MarkStackContents() {
    m_flags |= kStackContents;
}

void RefreshManager::MarkViewContents(const Rect& drawingRect) {
    const Rect drawing{0, 0, m_view.ViewBuffer().Width(), m_view.ViewBuffer().Height()};
    m_dirty = Intersection(Union(m_dirty, drawingRect), drawing);
    m_flags |= kViewBufferContents;
    if (!m_dirty.IsEmpty() && m_dirty == drawing) {
        m_heavy = true;
    }
}

void RefreshManager::MarkPaletteSize() {
    m_flags |= kPaletteSize;
}

void RefreshManager::MarkClientArea(const Rect& clientRect) {
    m_client = Union(m_client, clientRect);
    m_flags |= kClientArea;
    m_heavy = clientRect.Height() >= kSmallClientRows || clientRect.Height() < 1;
}

void RefreshManager::MarkPaletteContents() {
    m_flags |= kPaletteContents;
}

void RefreshManager::MarkViewportSize() {
    m_flags |= kViewportSize;
}

void RefreshManager::MarkViewportContents(const Rect& clientRect) {
    const Rect client{0, 0, m_view.Display().Width(), m_view.Display().Height()};
    m_viewport = Intersection(Union(m_viewport, Grown(clientRect, 1)), client);
    m_flags |= kViewportContents;
}

void RefreshManager::MarkBackdrop(const Rect& clientRect) {
    m_backdrop = clientRect;
    m_flags |= kBackdrop;
    if (clientRect.Height() > kSmallClientRows) {
        m_heavy = true;
    }
}

Rect RefreshManager::VisibleDrawingRect() const {
    const int32_t zoom = m_view.Zoom();
    const int32_t width = m_view.Display().Width();
    const int32_t height = m_view.Display().Height();
    // A magnified client shows 1 / zoom of a view pixel per client pixel, a shrunk one -zoom pixels.
    const int64_t across = zoom >= 1 ? (int64_t{width} + zoom - 1) / zoom : int64_t{width} * -zoom;
    const int64_t down = zoom >= 1 ? (int64_t{height} + zoom - 1) / zoom : int64_t{height} * -zoom;
    const int32_t margin = kVisibleMargin + (zoom < 0 ? -zoom : 1);
    const auto clamp = [](int64_t v) {
        return static_cast<int32_t>(std::clamp<int64_t>(v, -(1 << 30), 1 << 30));
    };
    return Rect{clamp(int64_t{m_view.OriginX()} - margin), clamp(int64_t{m_view.OriginY()} - margin),
                clamp(m_view.OriginX() + across + margin), clamp(m_view.OriginY() + down + margin)};
}

void RefreshManager::RecompositeVisibleFirst(const Rect& drawing, const Rect& visible) {
    m_pending.clear();
    m_view.Recomposite(visible, &m_sample);
    // The rest: the bands above and below the shown part, and its sides between them.
    const Rect rest[] = {Rect{drawing.left, drawing.top, drawing.right, visible.top},
                         Rect{drawing.left, visible.bottom, drawing.right, drawing.bottom},
                         Rect{drawing.left, visible.top, visible.left, visible.bottom},
                         Rect{visible.right, visible.top, drawing.right, visible.bottom}};
    for (const Rect& r : rest) {
        if (r.IsEmpty()) {
            continue;
        }
        m_pending.push_back(r);
        // The average is taken from every fourth row (counted from the drawing's top): those rows of
        // the rest are composited now, so that the average, and the backdrops made from it, are those
        // of the whole drawing.
        for (int32_t y = (r.top + kSampledRowStep - 1) / kSampledRowStep * kSampledRowStep; y < r.bottom;
             y += kSampledRowStep) {
            m_view.Recomposite(Rect{r.left, y, r.right, y + 1}, &m_sample);
        }
    }
    if (!m_pending.empty()) {
        m_target->CompositingPending();
    }
}

void RefreshManager::FinishCompositing() {
    if (m_busy || m_pending.empty()) {
        return;
    }
    const std::vector<Rect> pending = std::move(m_pending);
    m_pending.clear();
    for (const Rect& r : pending) {
        m_view.Recomposite(r);
    }
}

std::vector<std::string> RefreshManager::Reasons() const {
    std::vector<std::string> out;
    for (int32_t i = 0; i < m_reasonCount; ++i) {
        const int32_t at = (m_nextReason - m_reasonCount + i + kReasonHistory) % kReasonHistory;
        out.push_back(m_reasons[static_cast<size_t>(at)]);
    }
    return out;
}

void RefreshManager::Clear() {
    m_flags = 0;
    m_dirty = Rect{};
    m_client = Rect{};
    m_viewport = Rect{};
    m_backdrop = Rect{};
    m_heavy = false;
}

void RefreshManager::Refresh(const std::string& reason) {
    if (m_busy) {
        return;
    }
    m_reasons[static_cast<size_t>(m_nextReason)] = reason;
    m_nextReason = (m_nextReason + 1) % kReasonHistory;
    m_reasonCount = std::min(m_reasonCount + 1, kReasonHistory);
    const Rect client{0, 0, m_view.Display().Width(), m_view.Display().Height()};
    m_target->InvalidateWindow(Rect{});
    if (m_flags == 0) {
        return;
    }
    const uint32_t lowest = m_flags & (~m_flags + 1);
    if (lowest <= kViewBufferSize) {
        m_pending.clear(); // the whole drawing is composited again below
    } else {
        FinishCompositing();
    }
    m_busy = true;
    const bool heavy = m_heavy;
    if (heavy) {
        m_ui.BeginWaitCursor();
        m_target->UpdateWindow();
    }
    const Rect drawing{0, 0, m_view.ViewBuffer().Width(), m_view.ViewBuffer().Height()};
    Rect changed; // client pixels to copy to the window
    if (lowest <= kViewBufferContents) {
        const bool whole = lowest <= kViewBufferSize;
        const Rect area = whole ? drawing : m_dirty;
        if (whole) {
            m_sample = AverageSampler{};
        }
        // Only worth it when a good part of the drawing lies outside the window.
        const Rect visible = Intersection(VisibleDrawingRect(), drawing);
        if (whole && m_deferOutside && !visible.IsEmpty() && AreaOf(visible) * 10 < AreaOf(drawing) * 9) {
            RecompositeVisibleFirst(drawing, visible);
        } else {
            m_view.Recomposite(area, whole ? &m_sample : nullptr);
        }
        if (whole) {
            // Without a sampled pixel the average falls back to the paper's.
            m_view.SetDrawingAverage(m_sample.Average(0));
        }
        if (heavy) {
            m_target->RedrawPalette();
        }
        changed = (m_flags & kViewportSize) ? client : m_view.ClientRectOf(area);
    } else if (lowest <= kPaletteContents) {
        m_target->RedrawPalette();
        changed = client;
    } else if (lowest == kViewportSize) {
        changed = client;
    } else if (lowest == kViewportContents) {
        changed = m_viewport;
    } else if (lowest == kBackdrop) {
        m_target->RedrawBackdrop(m_backdrop);
        changed = m_backdrop;
    }
    // The higher stages asked for with the lowest one are done too: a viewport rectangle or a
    // backdrop marked together with a view-buffer change is not lost.
    if (lowest < kViewportContents && (m_flags & kViewportContents)) {
        changed = Union(changed, m_viewport);
    }
    if (lowest < kBackdrop && (m_flags & kBackdrop)) {
        m_target->RedrawBackdrop(m_backdrop);
        changed = Union(changed, m_backdrop);
    }
    if (m_flags & kViewportSize) {
        changed = client;
    }
    changed = Intersection(Grown(changed, 5), client);
    m_view.RebuildClient(changed);
    m_target->InvalidateWindow(changed);
    m_target->DrawOverlays();
    Clear();
    if (heavy) {
        m_ui.EndWaitCursor();
    }
    m_busy = false;
}

} // namespace ts
