#pragma once

#include "interact/view_geometry.h"
#include "interact/view_window.h"
#include "model/point_ts.h"
#include "platform/image24.h"
#include "raster/rect.h"
#include "render/view_manager.h"

#include <cstdint>
#include <vector>

namespace ts {

// Transient feedback drawn into the display buffer over the rebuilt picture: the brush outline, the
// zoom rectangle, the selection frame. It is removed by rebuilding its area from the view buffer.
class Overlay {
public:
    virtual ~Overlay() = default;
    // The client pixels it may touch.
    virtual Rect Bounds() const = 0;
    // Draws the pixels that lie inside clip (already inside the display).
    virtual void Draw(Image24& display, const Rect& clip) const = 0;
    // An overlay that saved the pixels it covered puts them back itself, except inside the rectangles
    // of keep (other overlays drew there since; the painter rebuilds those). False when it cannot: its
    // area is then rebuilt from the view buffer.
    virtual bool Restore(Image24& /*display*/, const std::vector<Rect>& /*keep*/) { return false; }
    bool IsShown() const { return m_shown; }

private:
    friend class OverlayPainter;
    bool m_shown = false;
    Rect m_drawn; // client pixels it was drawn on since it was last removed
};

// Draws and removes the overlays. Removing one repaints its area from the view buffer and draws the
// other shown overlays there again, so that every overlay pixel is drawn exactly once over clean
// pixels.
class OverlayPainter {
public:
    OverlayPainter(ViewManager& view, ViewWindow& window) : m_view(view), m_window(window) {}

    // Overlays are drawn in the order they were added.
    void Add(Overlay& overlay) { m_overlays.push_back(&overlay); }
    void Show(Overlay& overlay);
    void Hide(Overlay& overlay);
    // After a refresh rebuilt a client rectangle: the shown overlays are drawn there again.
    void Redraw(const Rect& rebuilt);

private:
    Rect Clip(const Rect& r) const;

    ViewManager& m_view;
    ViewWindow& m_window;
    std::vector<Overlay*> m_overlays;
};

// The circle that follows the pointer while a brush tool is on the canvas: each of its pixels takes
// the contrasting colour of the pixel under it (a channel above 128 becomes 64, others 192).
class BrushOutline final : public Overlay {
public:
    BrushOutline(OverlayPainter& painter, const ViewGeometry& geometry)
        : m_painter(painter), m_geometry(geometry) {}

    // The outline of a brush of this size at this zoom. The brush footprint is size / z drawing pixels
    // when magnifying and size x -z when shrinking, made odd; the outline shows that footprint on
    // the screen, so its diameter is the footprint's extent in view pixels, made odd.
    void Build(int32_t brushSize, int32_t zoom);
    int32_t Diameter() const { return m_diameter; }
    // One quarter circle from the x axis to the y axis: (d, f) offsets.
    const std::vector<IntPoint>& Offsets() const { return m_offsets; }

    // Moves the outline to a view point (the old one is removed first); with drawing suppressed only
    // the old one is removed.
    void MoveTo(int32_t x, int32_t y);
    void Remove();
    void SetSuppressed(bool suppressed) { m_suppressed = suppressed; }

    Rect Bounds() const override;
    void Draw(Image24& display, const Rect& clip) const override;

private:
    OverlayPainter& m_painter;
    const ViewGeometry& m_geometry;
    std::vector<IntPoint> m_offsets;
    int32_t m_diameter = 0;
    IntPoint m_centre;
    bool m_suppressed = false;
};

// Inverts the pixels of a rectangle's outline (one pixel wide) inside clip.
void InvertFrame(Image24& display, const Rect& frame, const Rect& clip);
// Fills the pixels of a rectangle inside clip with a colour (0x00BBGGRR).
void FillRect(Image24& display, const Rect& r, const Rect& clip, uint32_t color);

} // namespace ts
