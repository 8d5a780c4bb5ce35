#include "interact/env.h"

namespace ts {

void Env::ShowPanel() {
    if (!m_panelCreated) {
        CreatePanel();
        m_panelCreated = true;
    }
    m_panel.ShowAll(true);
}

bool IdleManager::Activate() {
    if (m_resetDrag) {
        m_resetDrag();
    }
    m_refresh.MarkStackFootprint();
    m_refresh.Refresh("R_IdleManager");
    return false;
}

} // namespace ts
