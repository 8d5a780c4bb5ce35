#pragma once

#include "interact/environment_manager.h"
#include "interact/overlays.h"
#include "interact/status_prompt.h"
#include "interact/view_geometry.h"
#include "interact/view_window.h"
#include "model/image_stack_manager.h"
#include "model/point_ts.h"

#include <cstdint>
#include <string>

namespace ts {

class PanManager;
class ZoomManager;

// What every tool works with.
struct ToolContext {
    ViewGeometry& geometry;
    ViewWindow& window;
    StatusPrompt& prompt;
    EnvironmentManager& environment;
    ToolView& view;
    PanManager& pan;
    ZoomManager& zoom;
    BrushOutline& outline;
    ImageStackManager& stack;
};

// What the mouse is in the user's hand. The view hands the current tool every mouse message and the
// keys the keyboard dispatch lets through; the tool keeps the pointer in view, drawing and fine
// coordinates, captures the mouse, draws its feedback and passes the gesture's meaning on to the
// current mode. Mouse handlers take (flags, x, y) in view pixels and answer true when they consumed
// the event.
class ScreenTool {
public:
    static constexpr int32_t kDefaultBrushSize = 25;
    // Cursor states.
    static constexpr int32_t kOnCanvas = 1;
    static constexpr int32_t kOverPalette = 2;
    static constexpr int32_t kJustSelected = 4;

    ScreenTool(ToolContext& context, int32_t commandId, int32_t toolKind = 0, bool usesBrush = false);
    virtual ~ScreenTool() = default;
    ScreenTool(const ScreenTool&) = delete;
    ScreenTool& operator=(const ScreenTool&) = delete;

    // Selecting the tool that is already current re-runs its activation only when this is true.
    virtual bool AllowReselect() { return false; }
    virtual void Activate();
    virtual void Deactivate() {}
    virtual void ShowPrompt(const std::string& text);
    virtual bool OnMouseMove(uint32_t flags, int32_t x, int32_t y);
    virtual bool OnDoubleClick(uint32_t /*flags*/, int32_t /*x*/, int32_t /*y*/) { return false; }
    virtual bool OnLButtonDown(uint32_t flags, int32_t x, int32_t y);
    virtual bool OnLButtonUp(uint32_t flags, int32_t x, int32_t y);
    virtual bool OnMButtonDblClk(uint32_t /*flags*/, int32_t /*x*/, int32_t /*y*/) { return false; }
    virtual bool OnMButtonDown(uint32_t /*flags*/, int32_t /*x*/, int32_t /*y*/) { return false; }
    virtual bool OnMButtonUp(uint32_t /*flags*/, int32_t /*x*/, int32_t /*y*/) { return false; }
    virtual bool OnRButtonDown(uint32_t flags, int32_t x, int32_t y);
    virtual bool OnRButtonUp(uint32_t flags, int32_t x, int32_t y);
    // Z without Ctrl (not while lettering is typed) toggles the smallest view.
    virtual bool OnKeyDown(uint32_t key, uint32_t repeat, uint32_t flags);
    virtual bool OnKeyUp(uint32_t /*key*/, uint32_t /*repeat*/, uint32_t /*flags*/) { return false; }
    virtual void SetCursor();
    virtual bool IsRay() const { return false; }
    virtual bool IsBoardEraser() const { return false; }
    virtual bool IsSurfacePaint() const { return false; }

    bool GetNoCapture() const { return m_noCapture; }
    void SetNoCapture(bool noCapture) { m_noCapture = noCapture; }
    bool IsButtonDown() const { return m_buttonDown; }
    bool IsRightButtonDown() const { return m_rightButtonDown; }
    bool IsOnCanvas() const { return m_onCanvas; }
    bool IsSnapped() const { return m_snapped; }
    uint32_t LastFlags() const { return m_flags; }
    // Presses off the canvas count as canvas presses (no pan starts).
    void SetAcceptOffCanvas(bool accept) { m_acceptOffCanvas = accept; }
    bool UsesBrush() const { return m_usesBrush; }
    int32_t CursorState() const { return m_cursorState; }
    int32_t ToolKind() const { return m_toolKind; }
    int32_t GetCommandId() const { return m_commandId; }

    IntPoint GetPressPoint() const { return m_pressPoint; }
    IntPoint GetCurrentViewPoint() const { return m_viewPoint; }
    IntPoint GetPressFinePoint() const { return m_pressFine; }
    IntPoint GetCurrentFinePoint() const { return m_currentFine; }
    IntPoint GetPreviousFinePoint() const { return m_previousFine; }
    IntPoint GetPressDrawingPoint() const { return m_pressDrawing; }
    IntPoint GetReleaseDrawingPoint() const { return m_releaseDrawing; }
    IntPoint GetReleaseFinePoint() const { return m_releaseFine; }
    bool ShiftAtPress() const { return m_shiftAtPress; }
    bool CtrlAtPress() const { return m_ctrlAtPress; }
    // Sets the press, current and previous fine points (and the drawing point from them).
    void SetStartPoint(int32_t fineX, int32_t fineY);
    // Replaces the current fine point (the rubber line writes its constrained end back).
    void SetCurrentFinePoint(IntPoint fine) { m_currentFine = fine; }

    void SetBrushSizeRaw(int32_t size) { m_brushSize = size; }
    int32_t GetBrushSize() const { return m_brushSize; }
    // Normalises the size and rebuilds the brush outline for it at the present zoom.
    void SetBrushSize(int32_t size);
    virtual void BuildBrush(int32_t size);
    // Sizes below 3 become 3; even sizes the next odd size.
    static int32_t NormalizeSize(int32_t size);

    void SetPreviousTool(ScreenTool* tool) { m_previousTool = tool; }
    ScreenTool* GetPreviousTool() const { return m_previousTool; }
    void SetReturnToPrevious(bool on) { m_returnToPrevious = on; }
    // After one use, hands the mouse back to the tool that was current before.
    void ReturnToPreviousTool();

    // The point a backward wheel step zooms around: recorded by a right press, forgotten once the
    // pointer moved 6 or more pixels across or more than 5 down or up.
    void BeginWheelAnchor(int32_t x, int32_t y);
    void TrackWheelAnchor(int32_t x, int32_t y);
    bool WheelAnchorValid() const { return m_rightPressValid; }
    IntPoint WheelAnchor() const { return m_rightPressView; }
    IntPoint WheelAnchorFine() const { return m_rightPressFine; }

    void UpdatePointer(uint32_t flags, int32_t x, int32_t y);
    bool ResetZones();
    void SnapshotPress(int32_t x, int32_t y);
    // Asks the measuring snap about the current fine point (the pointer at view point x, y). When it
    // snaps, the current fine point and view point become the snapped ones (IsSnapped) and the view
    // point is returned; otherwise the point itself.
    IntPoint SnapPoint(int32_t x, int32_t y);

protected:
    ToolContext& m_context;

private:
    void SetPointerCursor(int32_t cursor);

    uint32_t m_flags = 0;
    IntPoint m_viewPoint;
    IntPoint m_previousFine;
    IntPoint m_currentFine;
    IntPoint m_pressDrawing;
    IntPoint m_pressFine;
    IntPoint m_releaseDrawing;
    IntPoint m_releaseFine;
    IntPoint m_rightPressFine;
    IntPoint m_rightPressView;
    IntPoint m_pressPoint;
    ScreenTool* m_previousTool = nullptr;
    int32_t m_cursorState = 0;
    int32_t m_brushSize = kDefaultBrushSize;
    int32_t m_commandId;
    int32_t m_toolKind;
    bool m_rightPressValid = false;
    bool m_shiftAtPress = false;
    bool m_ctrlAtPress = false;
    bool m_buttonDown = false;
    bool m_snapped = false;
    bool m_noCapture = false;
    bool m_returnToPrevious = false;
    bool m_rightButtonDown = false;
    bool m_usesBrush;
    bool m_overPalette = false;
    bool m_outsideCanvas = false;
    bool m_onCanvas = false;
    bool m_acceptOffCanvas = false;
};

} // namespace ts
