#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace ts {

// Capacities of the three listing tables, entry 0 (built in) included.
constexpr int32_t kMaxToolTypes = 64;
constexpr int32_t kMaxToolSets = 512;
constexpr int32_t kMaxTools = 2048;

// Text limits in characters: type, tool and code names; the texts of a set.
constexpr size_t kToolTextChars = 31;
constexpr size_t kSetTextChars = 63;

// A text cut to at most limit characters.
inline std::string CutText(std::string_view text, size_t limit) {
    return std::string(text.substr(0, limit));
}

// A kind of rendering tool ("Colored Pencil", "Substrate", ...). A disabled type hides all its sets
// from the pencil list.
struct ToolType {
    std::string name; // at most kToolTextChars
    bool enabled = false;
};

// One commercial set, read from one listing file. Its tools are the tool-table entries
// firstTool .. firstTool + toolCount - 1.
struct ToolSet {
    std::string menuName; // each text at most kSetTextChars
    std::string setPartNumber;
    std::string maker;
    std::string type;
    std::string subType;
    int32_t firstTool = 0;
    int32_t toolCount = 0;
    int32_t typeIndex = 0;
    bool enabled = false;
};

// One pencil, marker or board. The keys are computed from color, not from the listed colour.
struct Tool {
    uint32_t listedColor = 0; // as listed in the file
    uint32_t color = 0;       // listedColor on the grid of multiples of 8 (darkened by the dark stretch)
    int32_t setIndex = 0;
    std::string name; // at most kToolTextChars each
    std::string code; // the maker's part number
    bool enabled = false;
    bool board = false; // the set's type is "Substrate"
    bool hidden = false;
    float hueAngle = 0.0f; // radians, see KeysOfColor
    float chroma = 0.0f;
    float luminance = 0.0f;
};

// One enabled board for the board chooser, a fixed 16-byte record.
struct BoardSort {
    int32_t toolIndex = 0;
    uint32_t listedColor = 0;
    float unused = 0.0f;    // always 0
    int32_t hueDegrees = 0; // the tool's hue angle in whole degrees, truncated
};
static_assert(sizeof(BoardSort) == 16);

} // namespace ts
