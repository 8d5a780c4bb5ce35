#include "interact/environment_manager.h"

namespace ts {

void EnvironmentManager::Connect(ToolView& view, ScreenTool& selectTool, Env& selectMode, Env& idleMode) {
    m_view = &view;
    m_selectTool = &selectTool;
    m_selectMode = &selectMode;
    m_idleMode = &idleMode;
}

void EnvironmentManager::EnterMode(Env* mode, const std::string& title, const std::string& prompt) {
    if (!mode) {
        return;
    }
    m_title = title;
    if (mode == m_current) {
        m_prompt.SetPrompt(prompt);
        return;
    }
    if (m_current) {
        m_current->Deactivate(0);
    }
    if (mode == m_idleMode) {
        m_refresh.MarkViewportSize();
    }
    m_constraint.SetConstraintKind(CConstraintManager::kNone);
    m_previous = m_current;
    m_current = mode;
    mode->SetPanelParent(m_controlBar);
    if (mode->Activate()) {
        m_prompt.SetPrompt(prompt);
    }
    // The frame keeps the keys after a panel control had the focus.
    m_window.FocusFrame();
    for (EnvironmentObserver* o : m_observers) {
        o->ModeEntered(*mode);
    }
}

void EnvironmentManager::ReturnToSelect() {
    if (m_view && m_selectTool) {
        m_view->SetTool(*m_selectTool);
    }
    EnterMode(m_selectMode, kReturnTitle, kReturnPrompt);
}

} // namespace ts
