#pragma once

#include "model/layer_object.h"
#include "raster/held_rows.h"
#include "raster/rect.h"
#include "raster/super_bit_buffer.h"
#include "render/brush_ts.h"
#include "render/line_strokes.h"
#include "render/transfer_strokes.h"

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

namespace ts {

// Stroke types: what a stroke paints and which of the layer's buffers it binds.
enum StrokeType : int32_t {
    kStrokeEraseLines = 1,    // the line eraser: lines the brush meets are taken away
    kStrokeLineRepair = 2,    // draws the centre line along the drag
    kStrokeNone = 3,          // binds nothing
    kStrokeColor = 4,         // colour painting with the appearance mix
    kStrokeEraseColor = 5,    // colour eraser
    kStrokeBlend = 6,         // smudges colour towards the stroke's average
    kStrokeLighting = 7,      // lighting level, set or relative
    kStrokeEraseLighting = 8, // lighting back to neutral
    kStrokeNoBuffers = 9,     // binds nothing
    kStrokeHue = 10,          // channel brushes on the 0..240 scale
    kStrokeSaturation = 11,
    kStrokeValue = 12,
    kStrokePenAppearance = 13, // the pens: the bytes of the lines the brush meets
    kStrokePenWidth = 14,
    kStrokePenColor = 15,
    kStrokePenFreehand = 16,
    kStrokePenStyle = 17,
    kStrokeSurfaceEraser = 18, // board show-through eraser: lays opaque paper, the colour bytes kept
    kStrokeBlendLighting = 19, // smudges lighting levels
    // The eraser's combinations with lines.
    kStrokeEraseLinesColorLighting = 20,
    kStrokeEraseLinesColor = 21,
    kStrokeEraseLinesLighting = 22,
    kStrokeEraseColorAndLighting = 23,
    kStrokeLineArtLighting = 24, // line art and lighting: the merge brush and the lift (TransferTool)
};

// What the current tool paints with; the modes fill it in before BeginStroke.
struct StrokeTool {
    uint32_t color = 0;          // 0x00BBGGRR
    uint8_t strength = 255;      // s of the colour rule
    uint8_t appearance = 0;      // appearance written by colour painting
    bool sampleOwnColor = false; // colour painting takes the pixel's own colour
    bool resetLighting = false;  // colour painting sets the lighting level to 128 where it repaints
                                 //   (read at BeginStroke)
    int32_t channelMode = 0;     // hue/saturation/value brushes: 0 absolute, 1 add, 2 subtract
    int32_t channelValue = 0;    //   ... their value on the 0..240 scale
    uint8_t lightTarget = 96;    // lighting brush target level T
    bool lightRelative = false;  // lighting brush: relative instead of set mode
    uint8_t lightIndex = 0;      // light-colour index written by the lighting brush
    LineStrokeTool lines;        // the line strokes' settings (read at BeginStroke)
    TransferTool transfer;       // type 24: what is merged or lifted (read at BeginStroke)
};

// The stroke engine: binds a layer's buffers for a stroke type, stamps the brush footprint at quarter-
// pixel positions and applies the stroke type's pixel rule where the footprint newly covers sub-pixels.
// Rows are worked through row windows that follow the brush; rows leaving them are encoded back.
class DynamicBufferSet {
public:
    DynamicBufferSet();
    ~DynamicBufferSet();
    DynamicBufferSet(const DynamicBufferSet&) = delete;
    DynamicBufferSet& operator=(const DynamicBufferSet&) = delete;

    // Starts a stroke on the layer (ending any running one): binds the type's buffers, creating the
    // layer's colour channels or lighting when the type needs them. margin: extra rows kept in the
    // windows; radius: the brush radius in pixels (the blend types weigh by it). False when a buffer
    // cannot be created or the layer has no size; no stroke runs then.
    bool BeginStroke(LayerObject& layer, int32_t strokeType, int32_t margin, int32_t radius);
    // The tool's colour and settings for the following dabs.
    void SetTool(const StrokeTool& tool);
    const StrokeTool& Tool() const { return m_tool; }
    // The footprint used by Dab; the brush must outlive the stroke or be set again.
    void SetBrush(const BrushTS& brush);
    // Brush position in quarter pixels relative to the layer origin.
    void MoveBrush(int32_t qx, int32_t qy);
    // Applies the footprint at the brush position; the changed rectangle in layer pixels (empty if none).
    // The changed rows are stored at once, so the compositor (which reads stored rows) sees them, unless
    // commits are deferred.
    Rect Dab();
    // With deferred commits the changed rows stay in the row windows, and are stored as they leave
    // them, at EndStroke, or when anything but compositing uses the layer's buffers. A caller laying
    // several dabs per mouse move commits once before its refresh.
    void SetDeferredCommits(bool deferred) { m_deferCommits = deferred; }
    // Makes every change since the last commit visible to the layer's readers: with deferred commits
    // the rows stay held, the compositor's reads of the buffers are served from the windows and any
    // other use of the buffers has them stored first; otherwise the rows are stored.
    void CommitRows();
    // Scrolls every bound window by rows (down or up), encoding rows back as they leave.
    void ScrollWindows(int32_t rows, bool down);
    // Flushes rows and closes the windows; safe to call when no stroke runs.
    void EndStroke();

    bool InStroke() const { return m_layer != nullptr; }
    int32_t StrokeType() const { return m_type; }
    // Every pixel changed in this stroke, in layer pixels (empty before the first change).
    Rect StrokeRect() const;
    // The layer's offset in the drawing, recorded at BeginStroke.
    int32_t OffsetX() const { return m_offsetX; }
    int32_t OffsetY() const { return m_offsetY; }

    // The radius the blend types weigh by: the footprint's R = b / 2 - 0.5 pixels.
    double BlendRadius() const;

private:
    struct Binding;
    class CoverageStore;
    // What the layer's buffers ask of the windows while the engine holds changed rows for them.
    class Holder final : public HeldRows {
    public:
        explicit Holder(DynamicBufferSet& engine) : m_engine(engine) {}
        void Store(const CCompressedBuffer& buffer) override;
        const uint8_t* Held(const CCompressedBuffer& buffer, int32_t row, size_t& from,
                            size_t& to) const override;

    private:
        DynamicBufferSet& m_engine;
    };
    // Hooks the windowed buffers to the windows, or takes the hooks off before the engine itself
    // reads or stores their rows.
    void Hook();
    void Unhook();
    void CloseWindows();
    void StoreRows(uint32_t flags);
    bool EnsureWindows(int32_t top, int32_t bottom, int32_t left, int32_t right);
    void LoadWindows();
    // Makes the windows hold columns from .. to - 1 of layer row y (inside the window's columns).
    void HoldColumns(int32_t y, int32_t from, int32_t to);
    // Runs a pixel rule over the footprint rows from .. to - 1 (inside the layer); the changed pixels.
    template <class Rule>
    Rect Sweep(Rule& rule, int32_t phase, int32_t left, int32_t top, int32_t from, int32_t to, bool seesAll);
    // Adds the fully covered footprint pixels to the blend sums.
    void SampleBlend(int32_t phase, int32_t left, int32_t top, int32_t from, int32_t to);

    LayerObject* m_layer = nullptr;
    int32_t m_type = 0;
    int32_t m_offsetX = 0;
    int32_t m_offsetY = 0;
    int32_t m_margin = 0;
    int32_t m_radius = 0;
    int32_t m_qx = 0;
    int32_t m_qy = 0;
    int32_t m_startQx = 0;
    int32_t m_startQy = 0;
    bool m_deferCommits = false;
    bool m_started = false; // the stroke's first dab is laid; the start is its position
    Rect m_rect{100000, 100000, -100000, -100000};
    StrokeTool m_tool;
    const BrushTS* m_brush = nullptr;
    std::unique_ptr<Binding> m_bind;
    std::unique_ptr<CoverageStore> m_coverage; // kept from stroke to stroke
    LineStroke m_lines;                        // the line part of the stroke types that have one
    LiftPass m_lift;                           // type 24 as the lift
    Holder m_holder{*this};
    // Windows of strokes before, kept for the next ones: a window's bytes need no clearing, as the dabs
    // read every column before they work on it.
    std::vector<std::unique_ptr<ImageBuffer>> m_spareWindows;
};

} // namespace ts
