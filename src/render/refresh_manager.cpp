#include "render/refresh_manager.h"

#include <algorithm>

namespace ts {

namespace {

// Client areas this tall or taller count as big: repainting them shows the wait cursor.
constexpr int32_t kSmallClientRows = 200;

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
    m_busy = true;
    const bool heavy = m_heavy;
    if (heavy) {
        m_ui.BeginWaitCursor();
        m_target->UpdateWindow();
    }
    const Rect drawing{0, 0, m_view.ViewBuffer().Width(), m_view.ViewBuffer().Height()};
    Rect changed; // client pixels to copy to the window
    const uint32_t lowest = m_flags & (~m_flags + 1);
    if (lowest <= kViewBufferContents) {
        const bool whole = lowest <= kViewBufferSize;
        const Rect area = whole ? drawing : m_dirty;
        if (whole) {
            m_sample = AverageSampler{};
        }
        m_view.Recomposite(area, whole ? &m_sample : nullptr);
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
