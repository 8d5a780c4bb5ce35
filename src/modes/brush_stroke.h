#pragma once

#include "document/layer_operations.h"
#include "document/undo_store.h"
#include "interact/environment_manager.h"
#include "interact/status_prompt.h"
#include "interact/view_geometry.h"
#include "model/image_stack_manager.h"
#include "palette/palette_manager.h"
#include "platform/user_interface.h"
#include "render/brush_ts.h"
#include "render/dynamic_buffer_set.h"
#include "render/refresh_requests.h"

#include <cstdint>
#include <initializer_list>
#include <memory>

namespace ts {

// What the painting modes work with: the drawing, its undo and refresh, the palette they paint from,
// the view's geometry and tool, and the one stroke engine with its brush footprint.
struct PaintingContext {
    ImageStackManager& stack;
    RefreshRequests& refresh;
    UndoStore& undo;
    UserInterface& ui;
    PaletteManager& palettes;
    LayerOperations& layers;
    ViewGeometry& geometry;
    ToolView& tools;
    DynamicBufferSet& engine;
    BrushTS& brush;
    StatusPrompt& prompt;
};

inline constexpr const char* kBrushRefreshReason = "R_RedrawAreaUnderBrush";
inline constexpr const char* kStrokeUndoReason = "R_Do stroke undo";
inline constexpr const char* kUndoStrokeReason = "R_UndoStroke";
inline constexpr int32_t kStrokeMargin = 30;
// Shown in the status bar while a stroke's pointer is off the current layer, where it paints nothing.
inline constexpr const char* kOutsideLayerPrompt = "Outside the current layer.";

// The current drawing layer (index 2 and up), or null.
LayerObject* CurrentDrawingLayer(ImageStackManager& stack);
// The layer's rectangle in drawing pixels (its position and the size of its parts).
Rect LayerRect(const ImageStackManager& stack, const LayerObject& layer);

// Shows one button of a group pressed and the others up.
void PressExclusive(const ControlPanel& panel, std::initializer_list<int32_t> group, int32_t down);

// One brush stroke from press to release, the way every brush mode paints: an undo record of the
// layer before the stroke, the brush at the current tool's size and the view's zoom, dabs at the fine
// (quarter pixel) pointer positions spaced along the drag so that a fast drag leaves no gaps, and a
// refresh of the rectangle under the brush after each move. It also keeps the layer's parts from
// before the last stroke, for "Undo the last  brush stroke".
class BrushStroke {
public:
    explicit BrushStroke(PaintingContext& context) : m_c(context) {}

    // Starts a stroke of the type on the current layer at a view point and lays the first dab. False
    // (nothing changed) when there is no drawing layer or the engine refuses. The undo snapshot is
    // taken here unless RecordLayer took it already.
    // radius: the engine's radius argument (the brush's radius when negative).
    bool Begin(int32_t type, const StrokeTool& tool, int32_t x, int32_t y, const char* reason,
               int32_t radius = -1);
    // A stroke on a layer that need not be the current one, without an undo record or the stroke's own
    // record of the layer: the caller keeps the undo.
    bool BeginOn(LayerObject& layer, int32_t type, const StrokeTool& tool, int32_t x, int32_t y,
                 const char* reason, int32_t radius = -1);
    // Dabs from the last position to the view point.
    void Drag(int32_t x, int32_t y);
    // Ends the running stroke, if any; the drawing has changed.
    void End();
    bool Running() const { return m_running; }

    // Takes the undo snapshot and the stroke's own record of the layer before a change that adds
    // parts to it (so that undo takes them away again).
    void RecordLayer(LayerObject& layer);
    // Keeps the layer's parts before a change made outside a stroke (a finished line), for "Undo the
    // last  brush stroke"; the caller has taken the undo snapshot. drawingArea is what the change touches.
    void SaveParts(LayerObject& layer, const Rect& drawingArea);

    // Only while nothing else changed the drawing since the stroke.
    bool CanUndo() const { return m_saved != nullptr && !m_running && m_c.undo.Changes() == m_changesAfter; }
    // Puts the layer's colour, lighting and lines (their occupancy too) back as they were before the last
    // stroke.
    bool Undo();
    void Forget() { m_saved.reset(); }

    // The brush size used by the current tool (the default when there is none).
    int32_t ToolBrushSize() const;

private:
    // Quarter pixels of the layer under a view point.
    IntPoint LayerFine(int32_t x, int32_t y) const;
    void DabAt(IntPoint fine, Rect& changed);
    bool Start(LayerObject& layer, int32_t type, const StrokeTool& tool, int32_t x, int32_t y,
               const char* reason, int32_t radius);
    void Show(const Rect& layerRect, const char* reason);
    // Says so in the status bar when the drawing pixel under the view point lies off the layer.
    void NoteOutside(int32_t x, int32_t y);

    struct SavedParts {
        uint32_t layerId = 0;
        std::unique_ptr<ObjectColor> color;
        std::unique_ptr<ObjectShadow> shadow;
        std::unique_ptr<ObjectLineArt> lineArt;
        std::unique_ptr<SuperBitBuffer> occupancy; // the frame holder's, under the lines
        Rect drawingRect;
    };

    PaintingContext& m_c;
    std::unique_ptr<SavedParts> m_saved;
    LayerObject* m_layer = nullptr;
    IntPoint m_last;
    uint64_t m_changesAfter = 0;
    int32_t m_spacing = 4;
    bool m_running = false;
    bool m_recorded = false;
};

} // namespace ts
