#include "palette/tool_listings.h"

#include "palette/color_keys.h"

#include <algorithm>
#include <map>
#include <optional>

namespace ts {

namespace {

constexpr std::string_view kSubstrate = "Substrate";
constexpr std::string_view kColoredPencil = "Colored Pencil";
// The set enabled by default, and the board set of which only one tool stays enabled.
constexpr std::string_view kDefaultPencilSet = "PrismaColor 120";
constexpr std::string_view kMatBoardSet = "BainBridge Mat Board";
constexpr std::string_view kMatBoardKeptTool = " Gray";

// Tools darker than this are stretched so that the darkest of all becomes black.
constexpr float kDarkLuminance = 0.2f;

constexpr uint32_t kWhite = 0x00FFFFFF;

Tool MakeTool(uint32_t listedColor, uint32_t color, int32_t setIndex, std::string name, std::string code) {
    Tool tool;
    tool.listedColor = listedColor;
    tool.color = color;
    tool.setIndex = setIndex;
    tool.name = std::move(name);
    tool.code = std::move(code);
    tool.enabled = true;
    const ColorKeys keys = KeysOfColor(color);
    tool.hueAngle = keys.hueAngle;
    tool.chroma = keys.chroma;
    tool.luminance = keys.luminance;
    return tool;
}

template <class Record> bool InRange(const std::vector<Record>& table, int32_t index) {
    return index >= 0 && static_cast<size_t>(index) < table.size();
}

} // namespace

ToolListings::ToolListings() {
    Reset();
}

void ToolListings::Reset() {
    m_types.assign(1, ToolType{std::string(kSubstrate), true});

    ToolSet generic;
    generic.menuName = "Generic White Surface";
    generic.setPartNumber = "None";
    generic.maker = "Crescent";
    generic.type = std::string(kSubstrate);
    generic.subType = "Standard";
    generic.enabled = true;
    m_sets.assign(1, generic);

    // The built-in surface has fixed keys: white, no hue, full luminance.
    Tool white = MakeTool(kWhite, kWhite, 0, " VERY WHITE", "918 A");
    white.hueAngle = 0.0f;
    white.chroma = 0.0f;
    white.luminance = 1.0f;
    m_tools.assign(1, white);

    m_boards.clear();
}

int32_t ToolListings::Load(const std::string& programFolder, UserInterface& ui,
                           const std::string& userFolder) {
    // File name -> path, the user's file replacing the program's of the same name; in name order.
    std::map<std::string, std::string> files;
    for (const std::string* base : {&programFolder, &userFolder}) {
        if (base->empty()) {
            continue;
        }
        std::string folder = *base;
        if (folder.back() != '/') {
            folder += '/';
        }
        folder += "Tools/";
        for (std::string& name : ListListingFiles(folder)) {
            files[name] = folder + name;
        }
    }

    Reset();
    int32_t taken = 0;
    for (const auto& [name, path] : files) {
        std::string bytes;
        if (!ReadListingFile(path, bytes)) {
            continue;
        }
        if (const std::optional<ListingFile> listing = ParseListing(bytes); listing && Add(*listing)) {
            ++taken;
        }
    }
    Finish(ui);
    return taken;
}

int32_t ToolListings::LoadFromContents(const std::vector<std::string_view>& contents, UserInterface& ui) {
    Reset();
    int32_t taken = 0;
    for (const std::string_view bytes : contents) {
        if (const std::optional<ListingFile> listing = ParseListing(bytes); listing && Add(*listing)) {
            ++taken;
        }
    }
    Finish(ui);
    return taken;
}

bool ToolListings::Add(const ListingFile& listing) {
    if (m_sets.size() >= static_cast<size_t>(kMaxToolSets) ||
        m_tools.size() >= static_cast<size_t>(kMaxTools) || listing.tools.empty()) {
        return false;
    }
    const int32_t typeIndex = FindOrAddType(listing.type);
    if (typeIndex < 0) {
        return false;
    }

    ToolSet set;
    set.menuName = listing.menuName;
    set.setPartNumber = listing.setPartNumber;
    set.maker = listing.maker;
    set.type = listing.type;
    set.subType = listing.subType;
    set.firstTool = static_cast<int32_t>(m_tools.size());
    set.typeIndex = typeIndex;
    set.enabled = false;

    const auto setIndex = static_cast<int32_t>(m_sets.size());
    const size_t room = static_cast<size_t>(kMaxTools) - m_tools.size();
    const size_t taken = std::min(room, listing.tools.size());
    for (size_t i = 0; i < taken; ++i) {
        const ListedTool& listed = listing.tools[i];
        m_tools.push_back(MakeTool(listed.listedColor, RoundColorToEight(listed.listedColor), setIndex,
                                   listed.name, listed.code));
    }
    set.toolCount = static_cast<int32_t>(taken);
    m_sets.push_back(std::move(set));
    return true;
}

int32_t ToolListings::FindOrAddType(std::string_view typeName) {
    // Type names are kept cut to their limit, so a longer name is looked up by what would be kept of it;
    // otherwise every set of one long type would append another copy of it.
    const std::string name = CutText(typeName, kToolTextChars);
    for (size_t i = 0; i < m_types.size(); ++i) {
        if (m_types[i].name == name) {
            return static_cast<int32_t>(i);
        }
    }
    if (m_types.size() >= static_cast<size_t>(kMaxToolTypes)) {
        return -1;
    }
    m_types.push_back(ToolType{name, name == kColoredPencil});
    return static_cast<int32_t>(m_types.size() - 1);
}

void ToolListings::Finish(UserInterface& ui) {
    ApplySetRules();
    StretchDarkTools();
    BuildBoards(ui);
    if (m_changedListener) {
        m_changedListener();
    }
}

bool ToolListings::IsSubstrateTool(const Tool& tool) const {
    return m_sets[static_cast<size_t>(tool.setIndex)].type == kSubstrate;
}

void ToolListings::ApplySetRules() {
    for (ToolSet& set : m_sets) {
        if (set.menuName == kDefaultPencilSet) {
            set.enabled = true;
        }
    }
    // The built-in surface is not a board of its own.
    for (size_t i = 1; i < m_tools.size(); ++i) {
        m_tools[i].board = IsSubstrateTool(m_tools[i]);
    }
    for (const ToolSet& set : m_sets) {
        if (set.menuName != kMatBoardSet) {
            continue;
        }
        for (int32_t i = set.firstTool; i < set.firstTool + set.toolCount; ++i) {
            Tool& tool = m_tools[static_cast<size_t>(i)];
            if (tool.name != kMatBoardKeptTool) {
                tool.enabled = false;
            }
        }
    }
}

// Spreads the luminances below 0.2 over 0..0.2: with m the darkest luminance of all tools, a dark tool's
// listed channels are scaled by f = (Y - m) * 0.2 / (0.2 - m), so the darkest tool becomes black.
void ToolListings::StretchDarkTools() {
    float darkest = 1.0f;
    for (const Tool& tool : m_tools) {
        darkest = std::min(darkest, tool.luminance);
    }
    for (Tool& tool : m_tools) {
        if (tool.luminance >= kDarkLuminance) {
            continue;
        }
        // darkest <= luminance < 0.2 here, so the divisor is positive.
        const float f =
            std::clamp((tool.luminance - darkest) * kDarkLuminance / (kDarkLuminance - darkest), 0.0f, 1.0f);
        const auto scale = [f](uint32_t channel) {
            return RoundChannelToEight(static_cast<uint32_t>(static_cast<float>(channel) * f));
        };
        tool.color = MakeColor(scale(RedOf(tool.listedColor)), scale(GreenOf(tool.listedColor)),
                               scale(BlueOf(tool.listedColor)));
        const ColorKeys keys = KeysOfColor(tool.color);
        tool.hueAngle = keys.hueAngle;
        tool.chroma = keys.chroma;
        tool.luminance = keys.luminance;
    }
}

void ToolListings::BuildBoards(UserInterface& ui) {
    const auto isBoard = [this](const Tool& tool) { return tool.enabled && IsSubstrateTool(tool); };
    const auto counted = static_cast<size_t>(std::count_if(m_tools.begin(), m_tools.end(), isBoard));
    m_boards.assign(counted, BoardSort{});
    size_t written = 0;
    for (size_t i = 0; i < m_tools.size() && written < counted; ++i) {
        const Tool& tool = m_tools[i];
        if (isBoard(tool)) {
            m_boards[written++] =
                BoardSort{static_cast<int32_t>(i), tool.listedColor, 0.0f, HueDegrees(tool.hueAngle)};
        }
    }
    // Counting and writing are separate passes over the tools; a disagreement is reported, not hidden.
    if (written != counted) {
        m_boards.resize(written);
        ui.ShowMessage("Board Listing Error", "Tintsmith Error Status");
    }
}

int32_t ToolListings::FindSet(std::string_view menuName) const {
    for (size_t i = 0; i < m_sets.size(); ++i) {
        if (m_sets[i].menuName == menuName) {
            return static_cast<int32_t>(i);
        }
    }
    return -1;
}

bool ToolListings::SetToolEnabled(int32_t tool, bool enabled) {
    if (!InRange(m_tools, tool)) {
        return false;
    }
    m_tools[static_cast<size_t>(tool)].enabled = enabled;
    return true;
}

bool ToolListings::SetToolHidden(int32_t tool, bool hidden) {
    if (!InRange(m_tools, tool)) {
        return false;
    }
    m_tools[static_cast<size_t>(tool)].hidden = hidden;
    return true;
}

bool ToolListings::SetSetEnabled(int32_t set, bool enabled) {
    if (!InRange(m_sets, set)) {
        return false;
    }
    m_sets[static_cast<size_t>(set)].enabled = enabled;
    return true;
}

bool ToolListings::SetTypeEnabled(int32_t type, bool enabled) {
    if (!InRange(m_types, type)) {
        return false;
    }
    m_types[static_cast<size_t>(type)].enabled = enabled;
    return true;
}

} // namespace ts
