#pragma once

#include "model/image_stack_manager.h"
#include "platform/image24.h"
#include "raster/fast_bitonal_mask.h"
#include "raster/rect.h"
#include "render/compositor.h"
#include "render/under_pixel_manager.h"
#include "render/viewport.h"

#include <cstdint>

namespace ts {

// The backdrop around the drawing: a kind code and its colour.
struct Backdrop {
    static constexpr int32_t kGreyAverage = 0;
    static constexpr int32_t kAverage = 1;
    static constexpr int32_t kWhite = 2;
    static constexpr int32_t kSelectedBoard = 5;
    static constexpr int32_t kSystem = 8;
    static constexpr int32_t kGreyAverageTextured = 10;
    static constexpr int32_t kAverageRecomputed = 11;
    static constexpr int32_t kCustomColor = 12;
    static constexpr int32_t kCustomTexture = 16;
    // The button face of the desktop theme, the colour of kind 8.
    static constexpr uint32_t kSystemColor = 0x00F0F0F0;

    int32_t kind = kSystem;
    int32_t previousKind = kSystem;
    uint32_t color = kSystemColor;
};

// The three stages of pixels the window shows: the view buffer (the whole drawing composited at full
// resolution, blue-green-red), the viewport (the visible part at the zoom) and the display double
// buffer (the client area: the viewport over the backdrop), which the window only copies.
class ViewManager {
public:
    explicit ViewManager(Compositor& compositor);

    // Sizes the view buffer, its painted-pixel mask and the under-pixel store to the drawing.
    bool ResizeDrawing(int32_t width, int32_t height);
    // Sizes the display double buffer to the window's client area.
    bool ResizeClient(int32_t width, int32_t height);
    // Zoom factor z (1, 2, 4, 8, 16 magnify; -2 .. -64 shrink) and the drawing pixel at the client's
    // top-left corner (may be negative: the drawing then starts inside the window).
    bool SetZoom(int32_t zoom);
    void SetOrigin(int32_t x, int32_t y);
    int32_t Zoom() const { return m_zoom; }
    int32_t OriginX() const { return m_originX; }
    int32_t OriginY() const { return m_originY; }

    // Recomposites a rectangle of the view buffer from the stack.
    void Recomposite(const Rect& drawingRect, AverageSampler* sampler = nullptr);
    // Rebuilds a rectangle of the display buffer (client pixels) from the view buffer and backdrop.
    void RebuildClient(const Rect& clientRect);
    // The client rectangle that shows a drawing rectangle at the present zoom and origin.
    Rect ClientRectOf(const Rect& drawingRect) const;

    Image24& ViewBuffer() { return m_view; }
    const Image24& ViewBuffer() const { return m_view; }
    FastBitonalMask& PaintedMask() { return m_painted; }
    UnderPixelManager& UnderPixels() { return m_under; }
    Image24& Display() { return m_display; }
    const Image24& Display() const { return m_display; }
    Backdrop& BackdropState() { return m_backdrop; }
    size_t ViewBufferBytes() const { return m_view.Pixels().size(); }

private:
    void ClientRow(int32_t cy, int32_t left, int32_t right);

    Compositor& m_compositor;
    Image24 m_view;
    FastBitonalMask m_painted;
    UnderPixelManager m_under;
    Image24 m_display;
    SampleTable m_samples;
    Backdrop m_backdrop;
    int32_t m_zoom = 1;
    int32_t m_originX = 0;
    int32_t m_originY = 0;
    std::vector<uint8_t> m_rowScratch;
};

} // namespace ts
