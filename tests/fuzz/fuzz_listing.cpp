// Feeds arbitrary bytes as the contents of a listing file: first to the parser alone, then to the
// listings loader, once or several times over so that the set and tool tables fill up.
//
// Whatever the bytes, an accepted listing keeps its texts and channels within their limits, the tables
// never exceed their capacities, every index in them points inside its table, and the pencil list is
// sorted by hue.

#include "palette/color_keys.h"
#include "palette/listing_file.h"
#include "palette/pencil_manager.h"
#include "palette/tool_listings.h"
#include "platform/headless_user_interface.h"

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

namespace {

[[noreturn]] void Fail() {
    __builtin_trap();
}

void Require(bool condition) {
    if (!condition) {
        Fail();
    }
}

bool OnGrid(uint32_t color) {
    return (color & 0xFF070707u) == 0 && ts::RedOf(color) <= 248 && ts::GreenOf(color) <= 248 &&
           ts::BlueOf(color) <= 248;
}

void CheckListing(std::string_view bytes) {
    const auto listing = ts::ParseListing(bytes);
    if (!listing) {
        return;
    }
    Require(!listing->tools.empty() && listing->tools.size() <= static_cast<size_t>(ts::kMaxTools));
    for (const std::string* text :
         {&listing->maker, &listing->type, &listing->subType, &listing->setPartNumber, &listing->menuName}) {
        Require(!text->empty() && text->size() <= ts::kSetTextChars);
    }
    for (const ts::ListedTool& tool : listing->tools) {
        Require(tool.name.size() <= ts::kToolTextChars && tool.code.size() <= ts::kToolTextChars);
        Require((tool.listedColor & 0xFF000000u) == 0);
    }
}

void CheckTables(const ts::ToolListings& listings) {
    const auto& types = listings.Types();
    const auto& sets = listings.Sets();
    const auto& tools = listings.Tools();
    Require(!types.empty() && types.size() <= static_cast<size_t>(ts::kMaxToolTypes));
    Require(!sets.empty() && sets.size() <= static_cast<size_t>(ts::kMaxToolSets));
    Require(!tools.empty() && tools.size() <= static_cast<size_t>(ts::kMaxTools));
    for (const ts::ToolType& type : types) {
        Require(type.name.size() <= ts::kToolTextChars);
    }
    int64_t next = 1; // the listed sets' tools follow one another from tool 1
    for (size_t i = 1; i < sets.size(); ++i) {
        const ts::ToolSet& set = sets[i];
        Require(set.typeIndex >= 0 && static_cast<size_t>(set.typeIndex) < types.size());
        Require(set.firstTool == next && set.toolCount > 0);
        next += set.toolCount;
        Require(set.menuName.size() <= ts::kSetTextChars && set.type.size() <= ts::kSetTextChars);
    }
    Require(next == static_cast<int64_t>(tools.size()));
    for (size_t i = 1; i < tools.size(); ++i) {
        const ts::Tool& tool = tools[i];
        Require(tool.setIndex > 0 && static_cast<size_t>(tool.setIndex) < sets.size());
        Require(OnGrid(tool.color) && (tool.listedColor & 0xFF000000u) == 0);
        Require(tool.luminance >= 0.0f && tool.luminance <= 1.0f);
        Require(tool.hueAngle >= 0.0f && tool.hueAngle <= 6.2832f && tool.chroma >= 0.0f);
    }
    for (const ts::BoardSort& board : listings.Boards()) {
        Require(board.toolIndex >= 0 && static_cast<size_t>(board.toolIndex) < tools.size());
        Require(board.hueDegrees >= 0 && board.hueDegrees <= 360);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) {
        return 0;
    }
    // The first byte picks how many times the rest is listed: small inputs may be listed often enough
    // to fill the set table.
    const std::string_view bytes(reinterpret_cast<const char*>(data + 1), size - 1);
    const size_t copies = (data[0] & 0x80) != 0 && bytes.size() <= 2048 ? 520 : 1 + (data[0] & 3);
    CheckListing(bytes);

    ts::HeadlessUserInterface ui;
    ts::ToolListings listings;
    const std::vector<std::string_view> contents(copies, bytes);
    const int32_t taken = listings.LoadFromContents(contents, ui);
    Require(taken >= 0 && static_cast<size_t>(taken) == listings.Sets().size() - 1);
    CheckTables(listings);
    Require(ui.Messages().empty());

    ts::PencilManager pencils(listings, ui);
    const int32_t count = pencils.Build();
    Require(count == pencils.Count() && count != 1);
    for (int32_t i = 1; i < count; ++i) {
        Require(pencils.Pencil(i - 1)->hueAngle <= pencils.Pencil(i)->hueAngle);
    }
    return 0;
}
