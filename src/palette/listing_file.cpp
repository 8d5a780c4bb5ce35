#include "palette/listing_file.h"

#include "palette/color_keys.h"
#include "palette/tool_records.h"

#include <algorithm>
#include <array>
#include <filesystem>
#include <fstream>
#include <system_error>

namespace ts {

namespace {

namespace fs = std::filesystem;

// Hands out the lines of a text without their line feed; a last line without one counts too.
class LineReader {
public:
    explicit LineReader(std::string_view text) : m_text(text) {}

    bool Next(std::string_view& line) {
        if (m_pos >= m_text.size()) {
            return false;
        }
        const size_t end = m_text.find('\n', m_pos);
        const size_t stop = end == std::string_view::npos ? m_text.size() : end;
        line = m_text.substr(m_pos, stop - m_pos);
        m_pos = stop + 1;
        return true;
    }

private:
    std::string_view m_text;
    size_t m_pos = 0;
};

// Splits "KEY:rest" at its first colon; false when the line has none.
bool SplitKey(std::string_view line, std::string_view& key, std::string_view& rest) {
    const size_t colon = line.find(':');
    if (colon == std::string_view::npos) {
        return false;
    }
    key = line.substr(0, colon);
    rest = line.substr(colon + 1);
    return true;
}

// Reads the next line as the header line of key; its value skips leading spaces and must not be empty.
bool ReadHeaderLine(LineReader& lines, std::string_view expectedKey, std::string* value) {
    std::string_view line;
    std::string_view key;
    std::string_view rest;
    if (!lines.Next(line) || !SplitKey(line, key, rest) || key != expectedKey) {
        return false;
    }
    const size_t start = rest.find_first_not_of(' ');
    if (start == std::string_view::npos) {
        return false;
    }
    if (value != nullptr) {
        *value = CutText(rest.substr(start), kSetTextChars);
    }
    return true;
}

// "TOOL:name,code,red,green,blue": the first four fields end at a comma, the last at the line end.
bool ParseToolLine(std::string_view line, ListedTool& tool) {
    std::string_view key;
    std::string_view rest;
    if (!SplitKey(line, key, rest) || key != "TOOL") {
        return false;
    }
    std::array<std::string_view, 5> fields;
    for (size_t i = 0; i + 1 < fields.size(); ++i) {
        const size_t comma = rest.find(',');
        if (comma == std::string_view::npos) {
            return false;
        }
        fields[i] = rest.substr(0, comma);
        rest = rest.substr(comma + 1);
    }
    fields[4] = rest;
    tool.name = CutText(fields[0], kToolTextChars);
    tool.code = CutText(fields[1], kToolTextChars);
    tool.listedColor = MakeColor(ReadChannel(fields[2]), ReadChannel(fields[3]), ReadChannel(fields[4]));
    return true;
}

bool IsAtoiSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

} // namespace

bool IsListingFileName(std::string_view name) {
    if (name.size() < 5) {
        return false;
    }
    const size_t dot = name.find('.');
    if (dot == std::string_view::npos || name.size() - dot != 4) {
        return false;
    }
    constexpr std::string_view kExtension = ".tls";
    for (size_t i = 0; i < kExtension.size(); ++i) {
        const char c = name[dot + i];
        const char lower = (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
        if (lower != kExtension[i]) {
            return false;
        }
    }
    return true;
}

std::vector<std::string> ListListingFiles(const std::string& folder) {
    std::vector<std::string> names;
    std::error_code error;
    fs::directory_iterator entry(folder, error);
    for (; !error && entry != fs::directory_iterator(); entry.increment(error)) {
        std::string name = entry->path().filename().string();
        std::error_code typeError;
        if (IsListingFileName(name) && entry->is_regular_file(typeError)) {
            names.push_back(std::move(name));
        }
    }
    std::sort(names.begin(), names.end());
    return names;
}

bool ReadListingFile(const std::string& path, std::string& bytes) {
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        return false;
    }
    std::string text;
    std::array<char, 16384> chunk;
    while (file) {
        file.read(chunk.data(), static_cast<std::streamsize>(chunk.size()));
        const auto got = static_cast<size_t>(file.gcount());
        if (text.size() + got > kMaxListingBytes) {
            return false;
        }
        text.append(chunk.data(), got);
    }
    if (file.bad() || !file.eof()) {
        return false;
    }
    bytes = std::move(text);
    return true;
}

uint32_t ReadChannel(std::string_view field) {
    size_t i = 0;
    while (i < field.size() && IsAtoiSpace(field[i])) {
        ++i;
    }
    bool negative = false;
    if (i < field.size() && (field[i] == '+' || field[i] == '-')) {
        negative = field[i] == '-';
        ++i;
    }
    // Saturates early: any magnitude above 255 clamps the same, and it cannot overflow.
    int32_t value = 0;
    for (; i < field.size() && field[i] >= '0' && field[i] <= '9'; ++i) {
        value = std::min(value * 10 + (field[i] - '0'), 256);
    }
    if (negative) {
        return 0;
    }
    return static_cast<uint32_t>(std::min(value, 255));
}

std::optional<ListingFile> ParseListing(std::string_view bytes) {
    if (bytes.size() > kMaxListingBytes) {
        return std::nullopt;
    }
    LineReader lines(bytes);
    ListingFile listing;
    if (!ReadHeaderLine(lines, "MFG", &listing.maker) || !ReadHeaderLine(lines, "BRANDNAME", nullptr) ||
        !ReadHeaderLine(lines, "TYPE", &listing.type) ||
        !ReadHeaderLine(lines, "SUBTYPE", &listing.subType) ||
        !ReadHeaderLine(lines, "SETPARTNUMBER", &listing.setPartNumber) ||
        !ReadHeaderLine(lines, "MENUNAME", &listing.menuName)) {
        return std::nullopt;
    }
    std::string_view line;
    ListedTool tool;
    while (listing.tools.size() < static_cast<size_t>(kMaxTools) && lines.Next(line) &&
           ParseToolLine(line, tool)) {
        listing.tools.push_back(std::move(tool));
    }
    if (listing.tools.empty()) {
        return std::nullopt;
    }
    return listing;
}

} // namespace ts
