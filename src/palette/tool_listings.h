#pragma once

#include "palette/listing_file.h"
#include "palette/tool_records.h"
#include "platform/user_interface.h"

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace ts {

// The pencil and board listings: the tables of tool types, tool sets and tools read from the listing
// files of the program folder's "Tools" folder, and the list of enabled boards. Entry 0 of each table
// is built in ("Substrate", "Generic White Surface", " VERY WHITE"), so the tables are never empty.
class ToolListings {
public:
    ToolListings();

    // Reads every listing file of programFolder + "Tools/" in name order into fresh tables. A file that
    // is not a valid listing is skipped silently; a full table takes no further entries. Returns the
    // number of listings taken. The user's own listings in userFolder + "Tools/" (when given) are read
    // in the same name order; one named as a listing of the program folder takes its place.
    int32_t Load(const std::string& programFolder, UserInterface& ui, const std::string& userFolder = "");

    // The same from listing files' contents, in this order.
    int32_t LoadFromContents(const std::vector<std::string_view>& contents, UserInterface& ui);

    // Called at the end of every load, when the tables and boards are complete.
    void SetChangedListener(std::function<void()> listener) { m_changedListener = std::move(listener); }

    const std::vector<ToolType>& Types() const { return m_types; }
    const std::vector<ToolSet>& Sets() const { return m_sets; }
    const std::vector<Tool>& Tools() const { return m_tools; }
    // The enabled tools whose set's type is "Substrate", in tool order.
    const std::vector<BoardSort>& Boards() const { return m_boards; }

    // The index of the first set with this menu name, or -1.
    int32_t FindSet(std::string_view menuName) const;

    // The flags the user changes; false for an index outside its table.
    bool SetToolEnabled(int32_t tool, bool enabled);
    bool SetToolHidden(int32_t tool, bool hidden);
    bool SetSetEnabled(int32_t set, bool enabled);
    bool SetTypeEnabled(int32_t type, bool enabled);

private:
    void Reset();
    // Appends a listing as a new set and its tools; false when there is no room for the set, for any of
    // its tools or for its type (the tables are then unchanged).
    bool Add(const ListingFile& listing);
    int32_t FindOrAddType(std::string_view typeName);
    // The rules applied once every listing is in, then the listener is told.
    void Finish(UserInterface& ui);
    void ApplySetRules();
    void StretchDarkTools();
    void BuildBoards(UserInterface& ui);
    bool IsSubstrateTool(const Tool& tool) const;

    std::vector<ToolType> m_types;
    std::vector<ToolSet> m_sets;
    std::vector<Tool> m_tools;
    std::vector<BoardSort> m_boards;
    std::function<void()> m_changedListener;
};

} // namespace ts
