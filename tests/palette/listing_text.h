#pragma once

#include <cstdint>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

namespace ts {

// "TOOL:name,code,r,g,b"
inline std::string ToolLine(std::string_view name, std::string_view code, int32_t red, int32_t green,
                            int32_t blue) {
    return "TOOL:" + std::string(name) + "," + std::string(code) + "," + std::to_string(red) + "," +
           std::to_string(green) + "," + std::to_string(blue);
}

// A valid listing with the given menu name, type and tool lines, every line ended by a line feed.
inline std::string ListingText(std::string_view menuName, std::string_view type,
                               const std::vector<std::string>& toolLines) {
    std::string text = "MFG: Acme\nBRANDNAME: Acme Art\nTYPE: " + std::string(type) +
                       "\nSUBTYPE: Wax Based\nSETPARTNUMBER: AC-" + std::string(menuName) +
                       "\nMENUNAME: " + std::string(menuName) + "\n";
    for (const std::string& line : toolLines) {
        text += line + "\n";
    }
    return text;
}

inline void WriteTextFile(const std::string& path, std::string_view text) {
    std::ofstream file(path, std::ios::binary);
    file.write(text.data(), static_cast<std::streamsize>(text.size()));
}

} // namespace ts
