#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ts {

// A listing file describes one commercial set of tools: six header lines
//   MFG, BRANDNAME, TYPE, SUBTYPE, SETPARTNUMBER, MENUNAME
// each "KEY:", optional spaces and a non-empty value up to the line feed (a CR before it stays in the
// value), then tool lines "TOOL:name,code,red,green,blue" with nothing skipped between the fields.
// The tool lines end at the first line that is not one.

// Listings are a few tens of kilobytes; anything larger than this is not one.
constexpr size_t kMaxListingBytes = size_t{1} << 20;

struct ListedTool {
    std::string name; // cut to kToolTextChars
    std::string code; // cut to kToolTextChars
    uint32_t listedColor = 0;
};

// What one listing file holds; the brand name is checked but not kept. Texts are cut to kSetTextChars.
struct ListingFile {
    std::string maker;
    std::string type;
    std::string subType;
    std::string setPartNumber;
    std::string menuName;
    std::vector<ListedTool> tools; // never empty; at most kMaxTools (more could not be stored)
};

// Whether a file name is that of a listing: at least five characters, and from the first dot exactly
// four characters reading ".tls" in any case ("pencils.TLS" yes, "pencils.tls.bak" and "a.tl" no).
bool IsListingFileName(std::string_view name);

// The names of the listing files of a folder (regular files only), sorted by name; empty when the
// folder cannot be read.
std::vector<std::string> ListListingFiles(const std::string& folder);

// Reads a whole file into bytes; false when it cannot be opened or read completely, or is larger than
// kMaxListingBytes.
bool ReadListingFile(const std::string& path, std::string& bytes);

// A channel as atoi reads it (leading white space, an optional sign, digits up to the first other
// character), clamped to 0..255 so that it cannot spill into the neighbouring channel.
uint32_t ReadChannel(std::string_view field);

// The listing a file's bytes describe, or nothing when its header is wrong, a header value is empty,
// it has no tool line, or it is larger than kMaxListingBytes.
std::optional<ListingFile> ParseListing(std::string_view bytes);

} // namespace ts
