#pragma once

#include "interact/controls.h"
#include "model/point_ts.h"
#include "render/refresh_requests.h"

#include <cstdint>
#include <functional>

namespace ts {

class SelectionTracker;

// An interaction mode ("environment"): what the mouse and keys mean on the drawing, and the panel of
// controls shown in the control bar while the mode is current. One object per mode class lives as
// long as the workspace; modes are entered and left, never made anew, and keep their settings between
// visits. Coordinates are view (client) pixels; flags is the key-state word (Shift 4, Ctrl 8).
class Env {
public:
    // Mode identifiers that other code tests.
    static constexpr int32_t kIdleId = 0;
    static constexpr int32_t kLettersId = 3;
    static constexpr int32_t kCropId = 4;
    static constexpr int32_t kGridId = 10;
    static constexpr int32_t kLineId = 11;
    static constexpr int32_t kPrintId = 27;
    static constexpr int32_t kSurfaceId = 29;
    static constexpr int32_t kShadowsId = 32;
    static constexpr int32_t kSelectId = 34;
    static constexpr int32_t kOffsetShadowId = 44;
    static constexpr int32_t kCustomBackdropId = 45;
    static constexpr int32_t kPostcardId = 49;
    static constexpr int32_t kSketchFrameId = 52;
    static constexpr int32_t kRoviDivodId = 53;
    static constexpr int32_t kLightingSetId = 54;
    static constexpr int32_t kExtractId = 55;
    static constexpr int32_t kMeasureId = 56;
    static constexpr int32_t kLightingEffectsId = 57;
    static constexpr int32_t kPageSizeId = 58;

    explicit Env(int32_t modeId = 0) : m_modeId(modeId) {}
    virtual ~Env() = default;
    Env(const Env&) = delete;
    Env& operator=(const Env&) = delete;

    // Called after the switch; true shows the entering prompt. Panel modes create their controls the
    // first time and show them.
    virtual bool Activate() { return false; }
    // Applies the mode's pending work.
    virtual bool Commit(int32_t /*how*/) { return false; }
    virtual bool SupportsQuickSwitch() { return false; }
    // Called on the old mode when another is entered: hide the panel, drop transient state.
    virtual bool Deactivate(int32_t /*how*/) { return true; }
    virtual int32_t GetModeId() const { return m_modeId; }
    // A panel control of the mode changed; true when the mode knows the identifier.
    virtual bool OnPanelCommand(int32_t /*controlId*/) { return false; }
    virtual bool OnToolPress(uint32_t /*flags*/, int32_t /*x*/, int32_t /*y*/) { return false; }
    virtual bool OnDoubleClick(uint32_t /*flags*/, int32_t /*x*/, int32_t /*y*/) { return false; }
    virtual bool OnEditRelease(uint32_t /*flags*/, int32_t /*x*/, int32_t /*y*/) { return false; }
    virtual bool OnEditDrag(uint32_t /*flags*/, int32_t /*x*/, int32_t /*y*/) { return false; }
    virtual bool OnEditPress(uint32_t /*flags*/, int32_t /*x*/, int32_t /*y*/) { return false; }
    virtual bool OnPaintPress(uint32_t /*flags*/, int32_t /*x*/, int32_t /*y*/) { return false; }
    virtual bool OnPaintDrag(uint32_t /*flags*/, int32_t /*x*/, int32_t /*y*/) { return false; }
    virtual bool OnPaintRelease(uint32_t /*flags*/, int32_t /*x*/, int32_t /*y*/) { return false; }
    virtual bool OnErasePress(uint32_t /*flags*/, int32_t /*x*/, int32_t /*y*/) { return false; }
    virtual bool OnEraseDrag(uint32_t /*flags*/, int32_t /*x*/, int32_t /*y*/) { return false; }
    virtual bool OnEraseRelease(uint32_t /*flags*/, int32_t /*x*/, int32_t /*y*/) { return false; }
    virtual bool OnPointPress(uint32_t /*flags*/, int32_t /*x*/, int32_t /*y*/) { return false; }
    // The last stop of a key press; true when consumed.
    virtual bool OnKeyDown(uint32_t /*key*/, uint32_t /*repeat*/, uint32_t /*flags*/) { return false; }
    virtual bool OnPartialErasePress(uint32_t /*flags*/, int32_t /*x*/, int32_t /*y*/) { return false; }
    virtual bool OnSamplePress(uint32_t /*flags*/, int32_t /*x*/, int32_t /*y*/) { return false; }
    virtual void OnEllipsePress(const IntPoint& /*press*/) {}
    virtual void OnEllipseDrag(const IntPoint& /*point*/) {}
    virtual void OnEllipseKey() {}
    virtual void OnRectanglePress(const IntPoint& /*press*/) {}
    virtual void OnRectangleDrag(const IntPoint& /*point*/) {}
    virtual void OnRectangleKey() {}
    virtual void OnPolygonDrag(const IntPoint& /*point*/) {}
    virtual void OnPolygonKey() {}
    // Notices sent right after a tool was selected.
    virtual bool OnMaskToolSelected() { return false; }
    virtual bool OnLiftToolSelected() { return false; }
    virtual bool OnShadowEraserSelected() { return false; }
    virtual bool OnRayToolSelected() { return false; }
    virtual bool OnOffsetToolSelected() { return false; }
    virtual bool OnToolSelected() { return false; }
    virtual void OnRubberLineAborted() {}
    virtual bool OnRubberLineEnded() { return false; }
    virtual void OnAlternateView() {}
    virtual bool CanUndoStroke() { return false; }
    // The selection frame: whether its body may be dragged, whether the eight-handle frame is shown,
    // and the frame itself (null in modes without one).
    virtual bool SelectionMovable() { return false; }
    virtual bool HasSelectionFrame() { return false; }
    virtual SelectionTracker* Tracker() { return nullptr; }
    virtual void UndoStroke() {}
    virtual void OnUnitsChanged() {}
    virtual void OnPaletteColorChanged() {}
    virtual bool ShowsVanishingPoint() { return false; }
    virtual bool EnablesViewCommands() { return false; }
    // Asked by Undo and Redo before they act: true returns to the select mode first.
    virtual bool LeaveBeforeUndo() { return true; }
    virtual bool LeaveBeforeRedo() { return true; }

    // The panel: created on the first activation, shown while the mode is current.
    bool PanelCreated() const { return m_panelCreated; }
    const ControlPanel& Panel() const { return m_panel; }
    // The control bar that holds the panel; set by the environment manager before activation.
    void SetPanelParent(ControlParent* parent) { m_panelParent = parent; }

protected:
    // Builds the panel once (through CreatePanel) and shows it.
    void ShowPanel();
    void HidePanel() { m_panel.ShowAll(false); }
    virtual void CreatePanel() {}
    ControlPanel& MutablePanel() { return m_panel; }
    ControlParent* PanelParent() const { return m_panelParent; }

private:
    ControlPanel m_panel;
    ControlParent* m_panelParent = nullptr;
    int32_t m_modeId;
    bool m_panelCreated = false;
};

// Modes driven by a painting or drawing tool.
class EnvTool : public Env {
public:
    using Env::Env;
};

// Modes driven by a panel of controls.
class EnvEffect : public Env {
public:
    using Env::Env;
};

// The mode of no interaction: entering it resets the drag state of the mouse routing and refreshes the
// whole view.
class IdleManager final : public EnvEffect {
public:
    IdleManager(RefreshRequests& refresh, std::function<void()> resetDrag)
        : EnvEffect(kIdleId), m_refresh(refresh), m_resetDrag(std::move(resetDrag)) {}

    bool Activate() override;
    bool Commit(int32_t) override { return true; }
    bool SelectionMovable() override { return true; }
    bool EnablesViewCommands() override { return true; }

private:
    RefreshRequests& m_refresh;
    std::function<void()> m_resetDrag;
};

// Told when the line and ray tools abandon a rubber line with Esc.
class EscapeManager {
public:
    virtual ~EscapeManager() = default;
    virtual void OnEscape() {}
};

} // namespace ts
