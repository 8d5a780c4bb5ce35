#pragma once

#include "document/layer_operations.h"
#include "document/undo_store.h"
#include "model/image_stack_manager.h"
#include "platform/user_interface.h"
#include "raster/rect.h"
#include "render/refresh_requests.h"

namespace ts {

// Cutting layers down to a rectangle or extending them with empty margin, and the Layer menu's
// Crop, Expand and Fit commands. Rectangles are in drawing pixels. Every change can be undone: a
// change of the current layer alone as a copy of that layer, a change of several layers (and the
// layers it deletes) as a copy of the whole drawing.
class LayerCropper {
public:
    static constexpr const char* kOutsideArea = "The layer lies wholly outside the area to crop to.";

    LayerCropper(ImageStackManager& stack, UndoStore& undo, LayerOperations& operations,
                 RefreshRequests& refresh, UserInterface& ui)
        : m_stack(stack), m_undo(undo), m_operations(operations), m_refresh(refresh), m_ui(ui) {}

    // The page and the printable area (centred on the page, the margins alike on either side).
    Rect PageArea() const { return m_stack.DrawingRect(); }
    Rect PrintableArea() const;

    // Without allLayers the current layer is cut or extended to the rectangle. With it, every layer
    // above the paper is cut to its overlap with the rectangle, and a layer that does not overlap it
    // is deleted; backdrop and paper are never touched. False when nothing changed.
    bool CutOrExtend(const Rect& area, bool allLayers);

    // The Layer menu, on the current layer: cut to the area (its part outside the area goes), extend
    // to cover it (nothing is cut), or stretch it by one factor both ways to the largest size that
    // fits the area, centred in it. False when nothing changed or the layer is not a drawing layer.
    bool CropTo(const Rect& area);
    bool ExpandTo(const Rect& area);
    bool FitTo(const Rect& area);
    // The largest rectangle of the layer's proportions inside the area, centred in it.
    static Rect FittedFrame(const Rect& layer, const Rect& area);

private:
    LayerObject* CurrentDrawingLayer() const;
    // The current layer cut or extended to the area, undoable as a layer change.
    bool ResizeCurrent(const Rect& area, const char* reason);

    ImageStackManager& m_stack;
    UndoStore& m_undo;
    LayerOperations& m_operations;
    RefreshRequests& m_refresh;
    UserInterface& m_ui;
};

// The page-edge rule of the crop frame: each side of the frame still lying on the page's edge is
// replaced by the layer's own side, so that the sides the user left alone keep the layer's extent.
Rect KeepUntouchedSides(const Rect& frame, const Rect& page, const Rect& layer);

} // namespace ts
