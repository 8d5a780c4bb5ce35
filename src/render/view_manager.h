#pragma once

#include "model/image_stack_manager.h"
#include "platform/image24.h"
#include "raster/fast_bitonal_mask.h"
#include "raster/rect.h"
#include "render/backdrop.h"
#include "render/compositor.h"
#include "render/grid_lines.h"
#include "render/under_pixel_manager.h"
#include "render/viewport.h"

#include <cstdint>
#include <utility>

namespace ts {

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
    Backdrop& BackdropState() { return m_backdrop.state; }
    const BackDropBuffer& BackdropBuffer() const { return m_backdrop; }
    // Switches the backdrop to a kind, made from the paper, the drawing's average colour and the
    // custom backdrop pieces below.
    void SetBackdropKind(int32_t kind);
    // The custom backdrop: a texture (may be empty) and its colour; and a custom colour (kind 12).
    void SetCustomBackdrop(Image24 texture, uint32_t color);
    void SetCustomBackdropColor(uint32_t color);
    void SetSplash(Image24 picture) { m_splash = std::move(picture); }
    // The custom backdrop's texture as chosen (before its tint); empty when none.
    const Image24& CustomBackdropTexture() const { return m_customTexture; }
    // The average colour sampled by the last whole recomposite; the kinds made from it follow it.
    void SetDrawingAverage(uint32_t color);

    // The grain at screen scale ("Texture 1:1" while the paper or the selection mode is active): at 1:1
    // and smaller zooms every client pixel of the drawing carries the board's deviation at its own
    // window position.
    void SetScreenGrain(bool on) { m_screenGrain = on; }
    bool ScreenGrain() const { return m_screenGrain; }
    // The grids drawn over the drawing on the screen, after the zoom; never into the view buffer.
    ViewGrid& Grid() { return m_grid; }
    const ViewGrid& Grid() const { return m_grid; }
    size_t ViewBufferBytes() const { return m_view.Pixels().size(); }

private:
    void ClientRow(int32_t cy, int32_t left, int32_t right);
    const uint8_t* DrawingPart(int32_t cy, int32_t from, int32_t to, uint8_t* dest, bool copy);
    void AddScreenGrain(int32_t cy, int32_t from, int32_t to, uint8_t* dest) const;
    BackdropSources Sources() const;

    Compositor& m_compositor;
    Image24 m_view;
    FastBitonalMask m_painted;
    UnderPixelManager m_under;
    Image24 m_display;
    SampleTable m_samples;
    BackDropBuffer m_backdrop;
    Image24 m_customTexture;
    uint32_t m_customColor = 0x00FFFFFF;
    Image24 m_splash;
    uint32_t m_drawingAverage = 0;
    bool m_screenGrain = false;
    ViewGrid m_grid;
    GridPlan m_gridPlan; // where m_grid's lines fall, for the rebuild in progress
    int32_t m_zoom = 1;
    int32_t m_originX = 0;
    int32_t m_originY = 0;
    std::vector<uint8_t> m_rowScratch;
    // Which view row m_rowScratch holds magnified (none when viewY is -1), and the sums of shrinking.
    struct MagnifiedRow {
        int32_t viewY = -1;
        int32_t viewX = 0;
        int32_t width = 0;
        int32_t zoom = 0;
        bool operator==(const MagnifiedRow&) const = default;
    };
    MagnifiedRow m_magnified;
    ViewportFrame::ShrinkRoom m_shrinkRoom;
};

} // namespace ts
