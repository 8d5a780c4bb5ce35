#pragma once

#include "interact/environment_manager.h"
#include "interact/overlays.h"
#include "interact/screen_tool.h"
#include "interact/zoom_manager.h"
#include "render/refresh_requests.h"

#include <cstdint>
#include <functional>
#include <map>

namespace ts {

class SelectTool;

// The view's current tool and the way back of the quick switch (Space): the mode to return to.
class ToolSlot final : public ToolView {
public:
    explicit ToolSlot(BrushOutline& outline) : m_outline(outline) {}

    // Selecting a tool: an explicit choice of any tool but the select and scaling tools cancels the
    // quick switch; the current tool is selected again only when it allows it; the old tool is
    // deactivated, the brush outline removed, the new tool activated and told its predecessor.
    void SetTool(ScreenTool& tool) override;
    ScreenTool* CurrentTool() const override { return m_current; }
    // The tools that do not cancel the quick switch.
    void SetQuickSwitchKeepers(ScreenTool* selectTool, ScreenTool* scalingTool);
    // Told after every change of the current tool (the tool row shows it pressed).
    void SetToolChangedHook(std::function<void(ScreenTool&)> hook) { m_changed = std::move(hook); }

    bool QuickSwitchActive() const { return m_quickSwitch; }
    Env* SavedMode() const { return m_savedMode; }
    void StartQuickSwitch(Env& mode);
    void ClearQuickSwitch();

private:
    BrushOutline& m_outline;
    ScreenTool* m_current = nullptr;
    ScreenTool* m_selectTool = nullptr;
    ScreenTool* m_scalingTool = nullptr;
    Env* m_savedMode = nullptr;
    bool m_quickSwitch = false;
    std::function<void(ScreenTool&)> m_changed;
};

// The keys whose meaning belongs to commands of the frame: the View menu switches and the measure
// panel's check boxes.
class KeyCommands {
public:
    enum Action {
        kKeyShowColorAreas,   // C
        kKeyShowLighting,     // I
        kKeyShowLines,        // L
        kKeyShowSelectedOnly, // O
        kKeyTextureOneToOne,  // T
        kKeyShowOpacity,      // Q
        kKeyMeasureToggleP,   // P
        kKeyMeasureToggleR,   // R
        kKeyMeasureToggleS,   // S
    };
    virtual ~KeyCommands() = default;
    virtual void RunKeyCommand(Action action) = 0;
};

// The palette strip's share of the view's mouse input: clicks, right drags and wheel steps over it.
class PaletteInput {
public:
    virtual ~PaletteInput() = default;
    virtual void OnPaletteLButtonDown(uint32_t flags, int32_t x, int32_t y) = 0;
    virtual void OnPaletteRButtonDown(uint32_t flags, int32_t x, int32_t y) = 0;
    // True while a right drag that began on the strip takes the moves.
    virtual bool OnPaletteMouseMove(uint32_t flags, int32_t x, int32_t y) = 0;
    // True when the release finished a right drag of the strip.
    virtual bool OnPaletteRButtonUp(uint32_t flags, int32_t x, int32_t y) = 0;
    virtual void OnPaletteWheel(int32_t delta, int32_t x, int32_t y) = 0;
};

// The view's input: every mouse message, wheel step and key press of the view goes through here to
// the zoom and pan managers, the current tool and the current mode.
class ViewInput {
public:
    static constexpr const char* kQuickSwitchBackReason = "Tool Quick SwitchBack";
    static constexpr const char* kMeasureTitle = "Measure";
    static constexpr const char* kMeasurePrompt = "Measure distances on the layer.";

    ViewInput(ToolSlot& tools, EnvironmentManager& environment, ZoomManager& zoom, PanManager& pan,
              OverlayPainter& painter, BrushOutline& outline, ViewGeometry& geometry, ViewWindow& window,
              RefreshRequests& refresh)
        : m_tools(tools), m_environment(environment), m_zoom(zoom), m_pan(pan), m_painter(painter),
          m_outline(outline), m_geometry(geometry), m_window(window), m_refresh(refresh) {}

    void SetSelectTool(SelectTool* tool) { m_selectTool = tool; }
    void SetKeyCommands(KeyCommands* commands) { m_commands = commands; }
    void SetPaletteInput(PaletteInput* palette) { m_palette = palette; }
    // The measure mode, entered by M.
    void SetMeasureMode(Env* mode) { m_measure = mode; }
    // The tool whose selection re-enters a mode that supports the quick switch.
    void SetQuickSwitchTool(int32_t modeId, ScreenTool* tool) { m_quickTools[modeId] = tool; }

    void OnLButtonDown(uint32_t flags, int32_t x, int32_t y);
    void OnLButtonUp(uint32_t flags, int32_t x, int32_t y);
    void OnLButtonDblClk(uint32_t flags, int32_t x, int32_t y);
    void OnMouseMove(uint32_t flags, int32_t x, int32_t y);
    void OnRButtonDown(uint32_t flags, int32_t x, int32_t y);
    void OnRButtonUp(uint32_t flags, int32_t x, int32_t y);
    void OnRButtonDblClk(uint32_t flags, int32_t x, int32_t y);
    void OnMButtonDown(uint32_t flags, int32_t x, int32_t y);
    void OnMButtonUp(uint32_t flags, int32_t x, int32_t y);
    void OnMButtonDblClk(uint32_t flags, int32_t x, int32_t y);
    // delta > 0 is the wheel turned forward (away from the user).
    void OnMouseWheel(int32_t delta, uint32_t flags, int32_t x, int32_t y);
    // The pointer left the window.
    void OnMouseLeave();
    // The frame's key press: true when something consumed it.
    bool OnKeyDown(uint32_t key, uint32_t repeat, uint32_t flags);
    bool OnKeyUp(uint32_t key, uint32_t repeat, uint32_t flags);
    // After a refresh rebuilt a client rectangle, the feedback shown there is drawn again.
    void DrawOverlays(const Rect& rebuilt) { m_painter.Redraw(rebuilt); }
    // Drops any gesture in progress (zoom rectangle, pan, frame drag) and the mouse capture.
    void ResetDragState();

private:
    // Space: back to the saved mode, or away from a mode that supports the quick switch.
    bool QuickSwitch();
    void EnterMeasure();
    ScreenTool* Tool() const { return m_tools.CurrentTool(); }

    ToolSlot& m_tools;
    EnvironmentManager& m_environment;
    ZoomManager& m_zoom;
    PanManager& m_pan;
    OverlayPainter& m_painter;
    BrushOutline& m_outline;
    ViewGeometry& m_geometry;
    ViewWindow& m_window;
    RefreshRequests& m_refresh;
    SelectTool* m_selectTool = nullptr;
    KeyCommands* m_commands = nullptr;
    PaletteInput* m_palette = nullptr;
    Env* m_measure = nullptr;
    std::map<int32_t, ScreenTool*> m_quickTools;
};

} // namespace ts
