#pragma once

#include "interact/constraint_manager.h"
#include "interact/overlays.h"
#include "interact/screen_tool.h"
#include "model/point_ts.h"
#include "raster/rect.h"
#include "render/refresh_requests.h"

#include <cstdint>
#include <functional>
#include <vector>

namespace ts {

// The dashed feedback line from the last clicked point to the pointer while a straight line is drawn,
// shared by the line, ray and offset-shadow tools. It is drawn into the display buffer, pixel by pixel
// in alternating yellow and blue, over saved pixels that the next move puts back; as an overlay it is
// drawn again over every refresh under it, saving the fresh pixels first. Points are drawing fine
// (quarter pixel) coordinates, taken from and given back to the current tool.
class RubberLine final : public Overlay {
public:
    static constexpr uint32_t kYellow = 0x00FFFF; // 0x00BBGGRR
    static constexpr uint32_t kBlue = 0xFF0000;
    // The vanishing-point swing: out beyond this many view pixels from the start, then back within
    // the other.
    static constexpr double kSwingOut = 250.0;
    static constexpr double kSwingBack = 75.0;

    RubberLine(ToolContext& context, OverlayPainter& painter, RefreshRequests& refresh);

    // Starts at the current tool's press fine point; rays leave the pixels next to the pointer clear
    // for the brush outline. False (no feedback) when there is no tool or no room for the pixels.
    bool Start(bool rayMode);
    // Follows the tool's current fine point: with Ctrl (not for rays) constrained and written back into
    // the tool, then the swing gesture and the measuring snap, then drawn anew.
    void Update();
    // Drops the line: its pixels are put back, the line mode (when current) is told, and the viewport
    // is refreshed.
    void Abort();
    // Completes the segment: its pixels are put back and the current mode is told; its answer.
    bool End();
    bool IsActive() const { return m_active; }
    bool IsRayMode() const { return m_rayMode; }
    IntPoint StartPoint() const { return m_start; }
    IntPoint CurrentPoint() const { return m_current; }
    // The press point of the first segment of the gesture (kept over the segments until an abort).
    IntPoint GestureOrigin() const { return m_origin; }
    // Entries the saved-pixel array holds: max(viewport width, height).
    size_t Capacity() const { return m_capacity; }
    // Told when the swing picked another vanishing point (the status bar shows it).
    std::function<void()> vanishingPointChanged;

    Rect Bounds() const override;
    void Draw(Image24& display, const Rect& clip) const override;
    bool Restore(Image24& display, const std::vector<Rect>& keep) override;

private:
    struct SavedPixel {
        int32_t x = 0;
        int32_t y = 0;
        uint32_t color = 0; // what lay under it
        bool saved = false; // color holds what lies under it
        bool clear = false; // left unpainted (next to a ray's pointer)
        bool blue = false;
    };

    // Sizes the saved-pixel array for the present viewport; false when it cannot be had.
    bool Allocate() const;
    void Free();
    // The pixels of the line from the current point to the start, inside the viewport.
    void Trace() const;
    void Swing(ScreenTool& tool);
    // The layer whose vanishing points the current layer draws toward (its own, else its sketch
    // frame's), with a current one; or null.
    LayerObject* Perspective() const;

    ToolContext& m_context;
    OverlayPainter& m_painter;
    RefreshRequests& m_refresh;
    IntPoint m_origin;
    IntPoint m_start;
    IntPoint m_current;
    IntPoint m_farthest;
    double m_farthestDistance = 0.0;
    bool m_active = false;
    bool m_gestureOpen = false;
    bool m_rayMode = false;
    int32_t m_clearSteps = 0;
    // The saved pixels, for the viewport they were traced in (a refresh after the viewport changed
    // traces them anew).
    mutable std::vector<SavedPixel> m_pixels;
    mutable size_t m_capacity = 0;
    mutable size_t m_count = 0;
    mutable Rect m_tracedIn;
    mutable Rect m_bounds;
};

} // namespace ts
