#include "interact/view_input.h"

#include "interact/select_tool.h"
#include "interact/virtual_keys.h"

namespace ts {

void ToolSlot::SetQuickSwitchKeepers(ScreenTool* selectTool, ScreenTool* scalingTool) {
    m_selectTool = selectTool;
    m_scalingTool = scalingTool;
}

void ToolSlot::StartQuickSwitch(Env& mode) {
    m_savedMode = &mode;
    m_quickSwitch = true;
}

void ToolSlot::ClearQuickSwitch() {
    m_savedMode = nullptr;
    m_quickSwitch = false;
}

void ToolSlot::SetTool(ScreenTool& tool) {
    if (m_quickSwitch && &tool != m_selectTool && &tool != m_scalingTool) {
        ClearQuickSwitch();
    }
    if (&tool == m_current && !tool.AllowReselect()) {
        return;
    }
    ScreenTool* old = m_current;
    if (old) {
        old->Deactivate();
    }
    m_outline.Remove();
    m_current = &tool;
    tool.Activate();
    if (old != &tool) {
        tool.SetPreviousTool(old);
    }
    if (m_changed) {
        m_changed(tool);
    }
}

void ViewInput::OnLButtonDown(uint32_t flags, int32_t x, int32_t y) {
    m_window.FocusFrame();
    ScreenTool* tool = Tool();
    if (tool) {
        tool->OnLButtonDown(flags, x, y);
    }
    // The tool leaves presses over the palette strip to the strip.
    if (m_palette && m_geometry.OverPalette(x, y) && !(tool && tool->IsButtonDown())) {
        m_palette->OnPaletteLButtonDown(flags, x, y);
    }
    m_refresh.Refresh("OnLButtonDown");
}

void ViewInput::OnLButtonUp(uint32_t flags, int32_t x, int32_t y) {
    if (ScreenTool* tool = Tool()) {
        tool->OnLButtonUp(flags, x, y);
    }
}

void ViewInput::OnLButtonDblClk(uint32_t flags, int32_t x, int32_t y) {
    m_window.FocusFrame();
    ScreenTool* tool = Tool();
    if (!tool || !tool->OnDoubleClick(flags, x, y)) {
        m_environment.OnDoubleClick(flags, x, y);
    }
}

void ViewInput::OnRButtonDblClk(uint32_t flags, int32_t x, int32_t y) {
    m_window.FocusFrame();
    if (ScreenTool* tool = Tool()) {
        tool->OnDoubleClick(flags, x, y);
    }
}

void ViewInput::OnMouseMove(uint32_t flags, int32_t x, int32_t y) {
    ScreenTool* tool = Tool();
    if (tool) {
        tool->TrackWheelAnchor(x, y);
    }
    if (m_palette && m_palette->OnPaletteMouseMove(flags, x, y)) {
        return;
    }
    if (m_zoom.RectanglePending()) {
        m_zoom.TrackRectangle(x, y);
        return;
    }
    if (m_pan.IsPanning()) {
        m_pan.Move(flags, x, y);
        return;
    }
    if (!tool) {
        return;
    }
    tool->OnMouseMove(flags, x, y);
    // Over the selection frame the cursor shows what a press would grab (after the tool's move,
    // which sets the tool's cursor when the pointer comes onto the canvas).
    if (tool == m_selectTool && m_environment.HasSelectionFrame() && !m_selectTool->IsButtonDown()) {
        m_selectTool->HitTest(x, y);
    }
}

void ViewInput::OnRButtonDown(uint32_t flags, int32_t x, int32_t y) {
    m_window.FocusFrame();
    ScreenTool* tool = Tool();
    if (tool) {
        tool->OnRButtonDown(flags, x, y);
        tool->BeginWheelAnchor(x, y);
    }
    if (m_geometry.OnCanvas(x, y)) {
        m_window.SetCursor(cursors::kZoom);
        if (!(flags & (keys::kShiftFlag | keys::kCtrlFlag))) {
            m_zoom.BeginRectangle(x, y, ZoomManager::kStepOutKind);
        }
    } else if (!m_geometry.OverPalette(x, y)) {
        m_window.CaptureMouse();
        m_pan.Begin(x, y, false);
    } else if (m_palette) {
        m_palette->OnPaletteRButtonDown(flags, x, y);
    }
}

void ViewInput::OnRButtonUp(uint32_t flags, int32_t x, int32_t y) {
    ScreenTool* tool = Tool();
    if (m_pan.IsPanning() && !m_pan.BegunByLeftPress()) {
        m_pan.End();
        m_window.ReleaseMouse();
        if (tool) {
            tool->OnRButtonUp(flags, x, y);
        }
        return;
    }
    if (m_palette && m_palette->OnPaletteRButtonUp(flags, x, y)) {
        if (tool) {
            tool->OnRButtonUp(flags, x, y);
        }
        return;
    }
    if (tool) {
        tool->SetCursor();
    }
    const bool shift = (flags & keys::kShiftFlag) != 0;
    const bool ctrl = (flags & keys::kCtrlFlag) != 0;
    if (shift || ctrl) {
        m_zoom.CancelRectangle();
        if (shift && ctrl) {
            m_zoom.ZoomToMax(x, y);
        } else if (shift) {
            m_zoom.ZoomTo100(x, y);
        } else {
            m_zoom.ZoomToMin(x, y);
        }
    } else if (m_zoom.RectanglePending()) {
        m_zoom.EndRectangle(x, y);
    }
    if (tool) {
        tool->OnRButtonUp(flags, x, y);
    }
}

void ViewInput::OnMButtonDown(uint32_t flags, int32_t x, int32_t y) {
    m_window.FocusFrame();
    ScreenTool* tool = Tool();
    if (tool && tool->OnMButtonDown(flags, x, y)) {
        return;
    }
    if (flags & keys::kShiftFlag) {
        m_zoom.ZoomToMax(x, y);
    } else if (flags & keys::kCtrlFlag) {
        m_zoom.ZoomToMin(x, y);
    } else {
        m_zoom.ZoomTo100(x, y);
    }
}

void ViewInput::OnMButtonUp(uint32_t flags, int32_t x, int32_t y) {
    if (ScreenTool* tool = Tool()) {
        tool->OnMButtonUp(flags, x, y);
    }
}

void ViewInput::OnMButtonDblClk(uint32_t flags, int32_t x, int32_t y) {
    if (ScreenTool* tool = Tool()) {
        tool->OnMButtonDblClk(flags, x, y);
    }
}

void ViewInput::OnMouseWheel(int32_t delta, uint32_t /*flags*/, int32_t x, int32_t y) {
    if (m_palette && m_geometry.OverPalette(x, y)) {
        m_palette->OnPaletteWheel(delta, x, y);
        return;
    }
    ScreenTool* tool = Tool();
    // Turning the wheel forward zooms in at the pointer, as most programs do; backward zooms out
    // around the point of the last right press while the pointer stays near it, else at the pointer
    // (which then becomes that point, so that steps out keep their centre).
    if (delta > 0) {
        if (tool) {
            tool->TrackWheelAnchor(x, y);
        }
        m_zoom.StepIn(x, y);
    } else if (delta < 0) {
        if (tool && tool->WheelAnchorValid()) {
            const IntPoint at = tool->WheelAnchor();
            m_zoom.StepOut(at.x, at.y);
        } else {
            if (tool) {
                tool->BeginWheelAnchor(x, y);
            }
            m_zoom.StepOut(x, y);
        }
    }
}

void ViewInput::OnMouseLeave() {
    m_outline.Remove();
}

void ViewInput::EnterMeasure() {
    if (!m_measure) {
        return;
    }
    Env* current = m_environment.Current();
    if (!m_tools.QuickSwitchActive() && current && current->SupportsQuickSwitch()) {
        m_tools.StartQuickSwitch(*current);
    }
    m_environment.EnterMode(m_measure, kMeasureTitle, kMeasurePrompt);
}

bool ViewInput::QuickSwitch() {
    if (m_tools.QuickSwitchActive()) {
        Env* saved = m_tools.SavedMode();
        m_tools.ClearQuickSwitch();
        const auto found = saved ? m_quickTools.find(saved->GetModeId()) : m_quickTools.end();
        if (found != m_quickTools.end() && found->second) {
            // The tool may still be current (M leaves the tool alone): its activation enters the mode.
            if (Tool() == found->second) {
                found->second->Activate();
            } else {
                m_tools.SetTool(*found->second);
            }
            m_refresh.MarkViewportSize();
            m_refresh.Refresh(kQuickSwitchBackReason);
        }
        return true;
    }
    Env* current = m_environment.Current();
    if (current && current->SupportsQuickSwitch()) {
        m_tools.StartQuickSwitch(*current);
        m_environment.ReturnToSelect();
        return true;
    }
    if (current && current->GetModeId() == Env::kMeasureId) {
        m_environment.ReturnToSelect();
        return true;
    }
    return false;
}

bool ViewInput::OnKeyDown(uint32_t key, uint32_t repeat, uint32_t flags) {
    if (keys::IsFrameAccelerator(key, flags)) {
        return false;
    }
    // While lettering is typed every key goes to the tool and the mode.
    if (!m_environment.LetteringActive()) {
        auto run = [this](KeyCommands::Action action) {
            if (m_commands) {
                m_commands->RunKeyCommand(action);
            }
        };
        const Env* current = m_environment.Current();
        if (key == keys::kPageUp || key == keys::kPageDown) {
            if (!current || current->GetModeId() != Env::kSurfaceId) {
                m_environment.ReturnToSelect();
            }
        } else if (keys::IsArrow(key) || key == keys::kDelete) {
            // In the line mode Delete takes away the selected segments of the line being drawn, not the
            // layer.
            if (key != keys::kDelete || !current || current->GetModeId() != Env::kLineId) {
                m_environment.ReturnToSelect();
            }
        } else {
            switch (key) {
            case keys::Letter('C'):
                run(KeyCommands::kKeyShowColorAreas);
                return true;
            case keys::Letter('I'):
                run(KeyCommands::kKeyShowLighting);
                return true;
            case keys::Letter('L'):
                run(KeyCommands::kKeyShowLines);
                return true;
            case keys::Letter('O'):
                run(KeyCommands::kKeyShowSelectedOnly);
                return true;
            case keys::Letter('T'):
                run(KeyCommands::kKeyTextureOneToOne);
                return true;
            case keys::Letter('Q'):
                run(KeyCommands::kKeyShowOpacity);
                break;
            case keys::Letter('D'):
            case keys::Letter('F'):
            case keys::Letter('H'):
            case keys::Letter('K'):
                return true;
            case keys::Letter('M'):
                EnterMeasure();
                return true;
            case keys::Letter('P'):
                run(KeyCommands::kKeyMeasureToggleP);
                return true;
            case keys::Letter('R'):
                run(KeyCommands::kKeyMeasureToggleR);
                return true;
            case keys::Letter('S'):
                run(KeyCommands::kKeyMeasureToggleS);
                return true;
            case keys::Letter('Z'):
                if (!(flags & keys::kCtrlFlag)) {
                    const IntPoint at = Tool() ? Tool()->GetCurrentViewPoint() : IntPoint{};
                    m_zoom.ToggleOverview(at.x, at.y);
                    return true;
                }
                break;
            default:
                break;
            }
        }
        if (key == keys::kSpace && QuickSwitch()) {
            return true;
        }
    }
    if (ScreenTool* tool = Tool(); tool && tool->OnKeyDown(key, repeat, flags)) {
        return true;
    }
    return m_environment.OnKeyDown(key, repeat, flags);
}

bool ViewInput::OnKeyUp(uint32_t key, uint32_t repeat, uint32_t flags) {
    if (keys::IsFrameAccelerator(key, flags)) {
        return false;
    }
    ScreenTool* tool = Tool();
    return tool && tool->OnKeyUp(key, repeat, flags);
}

void ViewInput::ResetDragState() {
    m_zoom.CancelRectangle();
    m_pan.End();
    if (m_selectTool) {
        if (SelectionTracker* tracker =
                m_environment.SelectMode() ? m_environment.SelectMode()->Tracker() : nullptr) {
            tracker->CancelDrag();
        }
    }
    m_window.ReleaseMouse();
}

} // namespace ts
