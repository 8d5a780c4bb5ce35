#pragma once

#include "interact/environment_manager.h"
#include "interact/overlays.h"
#include "interact/status_prompt.h"
#include "interact/view_geometry.h"
#include "model/point_ts.h"
#include "render/refresh_requests.h"

#include <cstdint>

namespace ts {

// Zoom levels: 1 is 100 %; 2, 4, 8, 16 magnify; -2 .. -16 shrink (one view pixel shows -z drawing
// pixels). The zoom manager changes the level from gestures, keeping the drawing point under the
// gesture in place, and draws the zoom rectangle while one is dragged.
class ZoomManager final : public Overlay {
public:
    static constexpr int32_t kMinZoom = -16;
    static constexpr int32_t kMaxZoom = 16;
    static constexpr const char* kRefreshReason = "R_ZoomOutCleanup";
    // What a pending press does when it does not become a rectangle.
    enum StepKind : int32_t { kStepOutKind = 0, kStepInKind = 1 };

    ZoomManager(ViewGeometry& geometry, RefreshRequests& refresh, ToolView& view, OverlayPainter& painter,
                StatusIndicators& indicators)
        : m_geometry(geometry), m_refresh(refresh), m_view(view), m_painter(painter),
          m_indicators(indicators) {}

    int32_t Zoom() const { return m_geometry.Zoom(); }
    // The drawing point under the last gesture.
    IntPoint Anchor() const { return m_anchor; }

    void StepOut(int32_t x, int32_t y);
    void StepIn(int32_t x, int32_t y);
    void ZoomTo100(int32_t x, int32_t y) { ZoomAt(1, x, y); }
    void ZoomToMin(int32_t x, int32_t y) { ZoomAt(kMinZoom, x, y); }
    void ZoomToMax(int32_t x, int32_t y) { ZoomAt(kMaxZoom, x, y); }
    // Fits a client rectangle's content into the view area, centred.
    void FitToRectangle(const Rect& clientRect);
    // The level a fit gives for a scale o (view pixels per drawing pixel wanted).
    static int32_t FitLevel(double scale);
    // Between the present level and the smallest view, at a view point.
    void ToggleOverview(int32_t x, int32_t y);

    // The rectangle gesture: a press that may become a rectangle, the pointer's moves, the release.
    void BeginRectangle(int32_t x, int32_t y, StepKind kind);
    bool RectanglePending() const { return m_pending; }
    bool RectangleShown() const { return IsShown(); }
    void TrackRectangle(int32_t x, int32_t y);
    // A shown rectangle clipped to the canvas and larger than 10 x 10 is fitted; otherwise the press
    // steps out or in by its kind.
    void EndRectangle(int32_t x, int32_t y);
    void CancelRectangle();

    Rect Bounds() const override { return m_rect; }
    void Draw(Image24& display, const Rect& clip) const override;

private:
    void ZoomAt(int32_t zoom, int32_t x, int32_t y);
    // Sets the level with the anchor shown at a view point; the tool's brush follows; the view is
    // redrawn.
    void ApplyZoom(int32_t zoom, IntPoint viewPoint);

    ViewGeometry& m_geometry;
    RefreshRequests& m_refresh;
    ToolView& m_view;
    OverlayPainter& m_painter;
    StatusIndicators& m_indicators;
    IntPoint m_anchor;
    IntPoint m_press;
    IntPoint m_point;
    Rect m_rect;
    StepKind m_kind = kStepOutKind;
    int32_t m_savedLevel = 1;
    int32_t m_overviewLevel = 0; // the level the toggle last set; 0 before it set one
    bool m_pending = false;
};

// Scrolls the drawing while a button is held off the canvas: the drawing follows the pointer, twice
// as fast with Shift and four times with Ctrl.
class PanManager {
public:
    static constexpr const char* kRefreshReason = "R_DoPan";

    PanManager(ViewGeometry& geometry, RefreshRequests& refresh) : m_geometry(geometry), m_refresh(refresh) {}

    void Begin(int32_t x, int32_t y, bool byLeftPress);
    bool IsPanning() const { return m_panning; }
    bool BegunByLeftPress() const { return m_panning && m_byLeftPress; }
    void Move(uint32_t flags, int32_t x, int32_t y);
    void End() { m_panning = false; }
    // The scroll bars: puts the scroll origin at a drawing point (clamped as a pan is) and refreshes
    // the view as a pan does.
    void ScrollTo(int32_t originX, int32_t originY);

private:
    ViewGeometry& m_geometry;
    RefreshRequests& m_refresh;
    IntPoint m_last; // view pixels not yet turned into a scroll
    bool m_panning = false;
    bool m_byLeftPress = false;
};

} // namespace ts
