#pragma once

#include "document/layer_operations.h"
#include "document/undo_store.h"
#include "interact/env.h"
#include "interact/selection.h"
#include "interact/view_window.h"
#include "model/image_stack_manager.h"
#include "platform/profile_manager.h"
#include "platform/user_interface.h"
#include "render/refresh_requests.h"

#include <cstdint>
#include <string>

namespace ts {

// The select mode, the program's default mode: picks, moves and sizes the current layer with the
// selection frame, nudges it with the arrow keys, changes layers with Page Up and Page Down, deletes
// it with Delete. It consumes every key.
class SelectManager final : public EnvEffect {
public:
    static constexpr const char* kTitle = "Select";
    static constexpr const char* kPrompt = "Select, move, or delete a bitmap.";
    static constexpr int32_t kProportionLockId = 101;
    // Turns: a quarter turn counter-clockwise, one clockwise, a typed angle; with "Whole Drawing" the
    // quarter turns turn the page and every layer.
    static constexpr int32_t kTurnLeftId = 102;
    static constexpr int32_t kTurnRightId = 103;
    static constexpr int32_t kRotateId = 104;
    static constexpr int32_t kWholeDrawingId = 105;
    static constexpr const char* kAngleFailed = "Angle entry failed.";

    SelectManager(ImageStackManager& stack, UndoStore& undo, LayerOperations& layers,
                  RefreshRequests& refresh, ProfileManager& profile, UserInterface& ui, ViewWindow& window,
                  OverlayPainter& painter, const ViewGeometry& geometry);

    bool Activate() override;
    bool Deactivate(int32_t how) override;
    bool OnPanelCommand(int32_t id) override;
    bool OnEditPress(uint32_t, int32_t, int32_t) override { return true; }
    bool OnKeyDown(uint32_t key, uint32_t repeat, uint32_t flags) override;
    bool SelectionMovable() override { return true; }
    bool HasSelectionFrame() override { return m_tracker.IsShown(); }
    SelectionTracker* Tracker() override { return &m_tracker; }
    bool EnablesViewCommands() override { return true; }

    // The tracker keeps the width-to-height ratio while sizing.
    bool ProportionLock() const { return m_proportionLock; }

    // Makes a drawing layer current and frames it.
    void SelectLayer(int32_t index);
    // Hides the selection frame and repaints where it was.
    void HideFrame(const char* reason);
    // Moves the current layer by drawing pixels (undoable as a move).
    bool MoveLayer(int32_t dx, int32_t dy);
    // Stretches the current layer's parts to a rectangle of drawing pixels (undoable as a layer
    // change: a move record could not bring the old size back).
    bool SizeLayer(const Rect& frame);
    // The end of a frame drag: the body moves the layer, a handle sizes it.
    void FinishDrag(int32_t hit, const Rect& frame);
    // A quarter turn (90 counter-clockwise or 270) of the current layer about its centre, or of the
    // whole drawing when that option is on. Like the page turns it takes no undo record.
    bool TurnQuarter(int32_t degrees);
    // Asks for an angle ("Degrees:") and turns the current layer by it, growing it to hold the turned
    // picture (undoable). Anything but a number from -360 to 360, or Cancel, says "Angle entry failed.".
    bool RotateByEntry();
    // Turns the current layer by an angle in degrees (counter-clockwise), undoable.
    bool RotateLayer(double degrees);
    bool WholeDrawing() const { return m_wholeDrawing; }

private:
    void CreatePanel() override;
    void Nudge(uint32_t key);

    ImageStackManager& m_stack;
    UndoStore& m_undo;
    LayerOperations& m_layers;
    RefreshRequests& m_refresh;
    ProfileManager& m_profile;
    UserInterface& m_ui;
    ViewWindow& m_window;
    SelectionTracker m_tracker;
    bool m_proportionLock = false;
    bool m_wholeDrawing = false;
};

// Reads a typed angle: a number, blanks around it allowed, from -360 to 360; false for anything else.
bool ReadTurnAngle(const std::string& text, double& degrees);

// Stretches every part of a layer to a rectangle (nearest pixel); the layer's offsets and bounds
// become the rectangle. False (layer unchanged) when memory runs out or the rectangle is empty.
bool StretchLayer(LayerObject& layer, const Rect& frame);

} // namespace ts
