#pragma once

#include "platform/user_interface.h"
#include "raster/rect.h"
#include "render/refresh_requests.h"
#include "render/view_manager.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace ts {

// What the window does for a refresh: repaint a part of itself from the display buffer, and draw the
// transient overlays (zoom box, tool feedback, cursor) again afterwards.
class RefreshTarget {
public:
    virtual ~RefreshTarget() = default;
    virtual void InvalidateWindow(const Rect& /*clientRect*/) {}
    virtual void UpdateWindow() {}
    virtual void DrawOverlays() {}
    virtual void RedrawPalette() {}
    virtual void RedrawBackdrop(const Rect& /*clientRect*/) {}
    // Parts of the view buffer outside the window wait to be composited: the window calls
    // RefreshManager::FinishCompositing once it has shown what it has, when nothing else is waiting.
    virtual void CompositingPending() {}
};

// Collects what became invalid (named flags and rectangles) and, when asked to refresh with a reason,
// redoes the cheapest sufficient set of stages: recompositing the view buffer, rebuilding the viewport
// and copying the changed part to the window.
class RefreshManager final : public RefreshRequests {
public:
    enum Flag : uint32_t {
        kStackFootprint = 0x001,
        kCompositionFootprint = 0x002,
        kViewBufferSize = 0x004,
        kStackContents = 0x008,
        kViewBufferContents = 0x010,
        kPaletteSize = 0x020,
        kClientArea = 0x040,
        kPaletteContents = 0x080,
        kViewportSize = 0x100,
        kViewportContents = 0x200,
        kBackdrop = 0x400,
    };
    static constexpr int32_t kReasonHistory = 32;

    RefreshManager(ViewManager& view, UserInterface& ui);
    void SetTarget(RefreshTarget* target) { m_target = target ? target : &m_noTarget; }

    // RefreshRequests.
    void MarkStackFootprint() override;
    void MarkViewContents(const Rect& drawingRect) override;
    void MarkViewportSize() override;
    void Refresh(const std::string& reason) override;
    int32_t ZoomFactor() const override { return m_view.Zoom(); }

    void MarkCompositionFootprint();
    void MarkViewBufferSize();
    void MarkStackContents();
    void MarkPaletteSize();
    void MarkClientArea(const Rect& clientRect);
    void MarkPaletteContents();
    void MarkViewportContents(const Rect& clientRect);
    void MarkBackdrop(const Rect& clientRect);

    uint32_t Flags() const { return m_flags; }
    bool Heavy() const { return m_heavy; }
    const Rect& DirtyRect() const { return m_dirty; }
    // The trace names of the flags, as the refresh history shows them.
    static const char* FlagName(uint32_t flag);
    // The last refresh reasons, oldest first.
    std::vector<std::string> Reasons() const;
    // The sampler of the last whole-drawing recomposite, for the drawing's average colour.
    const AverageSampler& LastSample() const { return m_sample; }

    // A whole recomposite (a drawing opened or resized) composites the part the window shows first,
    // with every fourth row of the rest for the drawing's average; the other rows of the rest are left
    // for FinishCompositing, which every later refresh and every reader of the whole view buffer calls
    // first. Off, the whole drawing is composited at once.
    void SetDeferOutsideView(bool on) { m_deferOutside = on; }
    bool CompositingIsPending() const { return !m_pending.empty(); }
    void FinishCompositing();

private:
    void Clear();
    // The view-buffer pixels the client shows at the present zoom and origin, with a margin.
    Rect VisibleDrawingRect() const;
    // Composites the visible part of the drawing now and leaves the rest pending.
    void RecompositeVisibleFirst(const Rect& drawing, const Rect& visible);

    ViewManager& m_view;
    UserInterface& m_ui;
    RefreshTarget m_noTarget;
    RefreshTarget* m_target = &m_noTarget;
    uint32_t m_flags = 0;
    Rect m_dirty;    // drawing pixels to recomposite
    Rect m_client;   // client pixels
    Rect m_viewport; // client pixels of the viewport to rebuild
    Rect m_backdrop;
    bool m_heavy = false;
    bool m_busy = false;
    std::array<std::string, kReasonHistory> m_reasons;
    int32_t m_nextReason = 0;
    int32_t m_reasonCount = 0;
    AverageSampler m_sample;
    bool m_deferOutside = true;
    std::vector<Rect> m_pending; // view-buffer rectangles still to composite
};

} // namespace ts
