#pragma once

#include "interact/constraint_manager.h"
#include "interact/env.h"
#include "interact/point_snap.h"
#include "interact/status_prompt.h"
#include "interact/view_window.h"
#include "render/refresh_requests.h"

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace ts {

class ScreenTool;

// The view's tool switch: the view holds one current tool.
class ToolView {
public:
    virtual ~ToolView() = default;
    virtual void SetTool(ScreenTool& tool) = 0;
    virtual ScreenTool* CurrentTool() const = 0;
};

// Told after every switch of mode (the control bar shows the new mode's panel).
class EnvironmentObserver {
public:
    virtual ~EnvironmentObserver() = default;
    virtual void ModeEntered(Env& mode) = 0;
};

// The one switch between modes: knows the current and the previous mode, enters modes and forwards
// the tools' events to the current mode. Events with no current mode are dropped; queries answer false.
class EnvironmentManager {
public:
    static constexpr const char* kReturnTitle = "Select  ";
    static constexpr const char* kReturnPrompt = "Select a bitmap";

    EnvironmentManager(StatusPrompt& prompt, ViewWindow& window, RefreshRequests& refresh)
        : m_prompt(prompt), m_window(window), m_refresh(refresh) {}
    virtual ~EnvironmentManager() = default;
    EnvironmentManager(const EnvironmentManager&) = delete;
    EnvironmentManager& operator=(const EnvironmentManager&) = delete;

    // What ReturnToSelect and the idle rule need: the view, its select tool, the select and idle modes.
    void Connect(ToolView& view, ScreenTool& selectTool, Env& selectMode, Env& idleMode);
    // The control bar that holds the panels of the modes.
    void SetControlBar(ControlParent* bar) { m_controlBar = bar; }
    void AddObserver(EnvironmentObserver* observer) { m_observers.push_back(observer); }
    // The lettering-tool mode, in which every key is typed text.
    void SetLetteringMode(Env* mode) { m_lettering = mode; }
    bool LetteringActive() const { return m_lettering && m_current == m_lettering; }
    // The measuring snap the tools ask (none: points are never moved).
    void SetPointSnap(PointSnap* snap) { m_snap = snap; }
    PointSnap* GetPointSnap() const { return m_snap; }

    // Enters a mode: the mode already current only gets the prompt; otherwise the old mode is
    // deactivated, the line constraint is switched off, and the new mode is activated (its prompt
    // shown when it asks for it). The title is kept for the frame, not shown here.
    void EnterMode(Env* mode, const std::string& title, const std::string& prompt);
    // Makes the select tool current and enters the select mode, as nearly every command does first.
    void ReturnToSelect();

    Env* Current() const { return m_current; }
    Env* Previous() const { return m_previous; }
    const std::string& Title() const { return m_title; }
    Env* SelectMode() const { return m_selectMode; }
    // The rubber line's constraint (kind 0 = none); every switch of mode clears it.
    CConstraintManager& Constraint() { return m_constraint; }
    int32_t LineConstraint() const { return m_constraint.ConstraintKind(); }
    void SetLineConstraint(int32_t kind) { m_constraint.SetConstraintKind(kind); }

    // Forwarding to the current mode.
    bool Commit(int32_t how) { return m_current && m_current->Commit(how); }
    bool SupportsQuickSwitch() { return m_current && m_current->SupportsQuickSwitch(); }
    bool OnPanelCommand(int32_t id) { return m_current && m_current->OnPanelCommand(id); }
    bool OnToolPress(uint32_t f, int32_t x, int32_t y) {
        return m_current && m_current->OnToolPress(f, x, y);
    }
    bool OnDoubleClick(uint32_t f, int32_t x, int32_t y) {
        return m_current && m_current->OnDoubleClick(f, x, y);
    }
    bool OnEditRelease(uint32_t f, int32_t x, int32_t y) {
        return m_current && m_current->OnEditRelease(f, x, y);
    }
    bool OnEditDrag(uint32_t f, int32_t x, int32_t y) { return m_current && m_current->OnEditDrag(f, x, y); }
    bool OnEditPress(uint32_t f, int32_t x, int32_t y) {
        return m_current && m_current->OnEditPress(f, x, y);
    }
    bool OnPaintPress(uint32_t f, int32_t x, int32_t y) {
        return m_current && m_current->OnPaintPress(f, x, y);
    }
    bool OnPaintDrag(uint32_t f, int32_t x, int32_t y) {
        return m_current && m_current->OnPaintDrag(f, x, y);
    }
    bool OnPaintRelease(uint32_t f, int32_t x, int32_t y) {
        return m_current && m_current->OnPaintRelease(f, x, y);
    }
    bool OnErasePress(uint32_t f, int32_t x, int32_t y) {
        return m_current && m_current->OnErasePress(f, x, y);
    }
    bool OnEraseDrag(uint32_t f, int32_t x, int32_t y) {
        return m_current && m_current->OnEraseDrag(f, x, y);
    }
    bool OnEraseRelease(uint32_t f, int32_t x, int32_t y) {
        return m_current && m_current->OnEraseRelease(f, x, y);
    }
    bool OnPointPress(uint32_t f, int32_t x, int32_t y) {
        return m_current && m_current->OnPointPress(f, x, y);
    }
    bool OnKeyDown(uint32_t key, uint32_t repeat, uint32_t flags) {
        return m_current && m_current->OnKeyDown(key, repeat, flags);
    }
    bool OnPartialErasePress(uint32_t f, int32_t x, int32_t y) {
        return m_current && m_current->OnPartialErasePress(f, x, y);
    }
    bool OnSamplePress(uint32_t f, int32_t x, int32_t y) {
        return m_current && m_current->OnSamplePress(f, x, y);
    }
    void OnEllipsePress(const IntPoint& p) { Forward(&Env::OnEllipsePress, p); }
    void OnEllipseDrag(const IntPoint& p) { Forward(&Env::OnEllipseDrag, p); }
    void OnEllipseKey() { Forward(&Env::OnEllipseKey); }
    void OnRectanglePress(const IntPoint& p) { Forward(&Env::OnRectanglePress, p); }
    void OnRectangleDrag(const IntPoint& p) { Forward(&Env::OnRectangleDrag, p); }
    void OnRectangleKey() { Forward(&Env::OnRectangleKey); }
    void OnPolygonDrag(const IntPoint& p) { Forward(&Env::OnPolygonDrag, p); }
    void OnPolygonKey() { Forward(&Env::OnPolygonKey); }
    bool OnMaskToolSelected() { return m_current && m_current->OnMaskToolSelected(); }
    bool OnLiftToolSelected() { return m_current && m_current->OnLiftToolSelected(); }
    bool OnShadowEraserSelected() { return m_current && m_current->OnShadowEraserSelected(); }
    bool OnRayToolSelected() { return m_current && m_current->OnRayToolSelected(); }
    bool OnOffsetToolSelected() { return m_current && m_current->OnOffsetToolSelected(); }
    bool OnToolSelected() { return m_current && m_current->OnToolSelected(); }
    void OnRubberLineAborted() { Forward(&Env::OnRubberLineAborted); }
    bool OnRubberLineEnded() { return m_current && m_current->OnRubberLineEnded(); }
    void OnAlternateView() { Forward(&Env::OnAlternateView); }
    bool CanUndoStroke() { return m_current && m_current->CanUndoStroke(); }
    bool SelectionMovable() { return m_current && m_current->SelectionMovable(); }
    bool HasSelectionFrame() { return m_current && m_current->HasSelectionFrame(); }
    void UndoStroke() { Forward(&Env::UndoStroke); }
    void OnUnitsChanged() { Forward(&Env::OnUnitsChanged); }
    void OnPaletteColorChanged() { Forward(&Env::OnPaletteColorChanged); }
    bool ShowsVanishingPoint() { return m_current && m_current->ShowsVanishingPoint(); }
    bool EnablesViewCommands() { return m_current && m_current->EnablesViewCommands(); }
    bool LeaveBeforeUndo() { return m_current && m_current->LeaveBeforeUndo(); }
    bool LeaveBeforeRedo() { return m_current && m_current->LeaveBeforeRedo(); }

private:
    template <class... A, class... P> void Forward(void (Env::*op)(A...), P&&... args) {
        if (m_current) {
            (m_current->*op)(std::forward<P>(args)...);
        }
    }

    StatusPrompt& m_prompt;
    ViewWindow& m_window;
    RefreshRequests& m_refresh;
    ToolView* m_view = nullptr;
    ScreenTool* m_selectTool = nullptr;
    Env* m_selectMode = nullptr;
    Env* m_idleMode = nullptr;
    Env* m_lettering = nullptr;
    PointSnap* m_snap = nullptr;
    ControlParent* m_controlBar = nullptr;
    std::vector<EnvironmentObserver*> m_observers;
    Env* m_current = nullptr;
    Env* m_previous = nullptr;
    std::string m_title;
    CConstraintManager m_constraint;
};

} // namespace ts
