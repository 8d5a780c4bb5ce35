#pragma once

#include "palette/tool_listings.h"
#include "platform/user_interface.h"

#include <cstdint>
#include <vector>

namespace ts {

// The enabled rendering tools: every tool that is enabled and not hidden, of an enabled set of an
// enabled type, ordered by hue angle. The list holds tool indices, so a reload of the listings cannot
// leave it pointing at freed tools; build it again after the listings change.
class PencilManager {
public:
    PencilManager(const ToolListings& listings, UserInterface& ui);

    // Collects and sorts the tools; returns their count. With at most one such tool the user is told
    // and the list stays empty.
    int32_t Build();

    int32_t Count() const { return static_cast<int32_t>(m_toolIndices.size()); }
    const std::vector<int32_t>& ToolIndices() const { return m_toolIndices; }
    // The tool at a position of the list; null outside the list or when the listings have since shrunk.
    const Tool* Pencil(int32_t position) const;

private:
    bool Qualifies(const Tool& tool) const;

    const ToolListings& m_listings;
    UserInterface& m_ui;
    std::vector<int32_t> m_toolIndices;
};

} // namespace ts
