#include "palette/pencil_manager.h"

#include <algorithm>

namespace ts {

PencilManager::PencilManager(const ToolListings& listings, UserInterface& ui)
    : m_listings(listings), m_ui(ui) {}

bool PencilManager::Qualifies(const Tool& tool) const {
    if (!tool.enabled || tool.hidden) {
        return false;
    }
    const ToolSet& set = m_listings.Sets()[static_cast<size_t>(tool.setIndex)];
    return set.enabled && m_listings.Types()[static_cast<size_t>(set.typeIndex)].enabled;
}

int32_t PencilManager::Build() {
    m_toolIndices.clear();
    const std::vector<Tool>& tools = m_listings.Tools();
    for (size_t i = 0; i < tools.size(); ++i) {
        if (Qualifies(tools[i])) {
            m_toolIndices.push_back(static_cast<int32_t>(i));
        }
    }
    if (m_toolIndices.size() <= 1) {
        m_toolIndices.clear();
        m_ui.ShowMessage("Can't find any enabled rendering tools.", "Tintsmith Info", MessageIcon::Warning);
        return 0;
    }
    // Ascending hue; a stable sort gives the order of repeated adjacent exchanges: equal hues keep
    // their listing order.
    std::stable_sort(m_toolIndices.begin(), m_toolIndices.end(), [&tools](int32_t a, int32_t b) {
        return tools[static_cast<size_t>(a)].hueAngle < tools[static_cast<size_t>(b)].hueAngle;
    });
    return Count();
}

const Tool* PencilManager::Pencil(int32_t position) const {
    if (position < 0 || position >= Count()) {
        return nullptr;
    }
    const auto index = static_cast<size_t>(m_toolIndices[static_cast<size_t>(position)]);
    return index < m_listings.Tools().size() ? &m_listings.Tools()[index] : nullptr;
}

} // namespace ts
