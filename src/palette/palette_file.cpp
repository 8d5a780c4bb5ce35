#include "palette/palette_file.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <system_error>
#include <vector>

namespace ts {

namespace fs = std::filesystem;

namespace {

constexpr size_t kDigits = 8;

// Eight lowercase hexadecimal digits at pos; false for any other character or too few bytes.
bool ReadHex(std::string_view bytes, size_t pos, uint32_t& value) {
    if (bytes.size() < pos + kDigits) {
        return false;
    }
    uint32_t v = 0;
    for (size_t i = 0; i < kDigits; ++i) {
        const char c = bytes[pos + i];
        uint32_t digit = 0;
        if (c >= '0' && c <= '9') {
            digit = static_cast<uint32_t>(c - '0');
        } else if (c >= 'a' && c <= 'f') {
            digit = static_cast<uint32_t>(c - 'a' + 10);
        } else {
            return false;
        }
        v = (v << 4) | digit;
    }
    value = v;
    return true;
}

// One walk over the file for both validation and reading: the count line, then each colour line up
// to its CR LF. The callback receives each colour and its name (without the separator space).
template <typename OnColor> bool Walk(std::string_view bytes, OnColor&& onColor) {
    uint32_t count = 0;
    if (!ReadHex(bytes, 0, count) || count < 1 || count > kMaxPaletteFileColors) {
        return false;
    }
    size_t pos = kDigits;
    if (bytes.substr(pos, 2) != "\r\n") {
        return false;
    }
    pos += 2;
    for (uint32_t i = 0; i < count; ++i) {
        uint32_t color = 0;
        if (!ReadHex(bytes, pos, color) || color > 0x00FFFFFFu) {
            return false;
        }
        pos += kDigits;
        const size_t cr = bytes.find('\r', pos);
        if (cr == std::string_view::npos || cr + 1 >= bytes.size() || bytes[cr + 1] != '\n') {
            return false;
        }
        std::string_view name = bytes.substr(pos, cr - pos);
        if (!name.empty() && name.front() == ' ') {
            name.remove_prefix(1); // the separator
        }
        onColor(color, name);
        pos = cr + 2;
    }
    return true;
}

} // namespace

bool ValidatePaletteFile(std::string_view bytes) {
    return bytes.size() <= kMaxPaletteFileBytes && Walk(bytes, [](uint32_t, std::string_view) {});
}

std::optional<PaletteColorList> ParsePaletteFile(std::string_view bytes, const std::string& name) {
    if (!ValidatePaletteFile(bytes)) {
        return std::nullopt;
    }
    PaletteColorList list;
    list.name = name;
    int32_t index = 0;
    Walk(bytes, [&](uint32_t color, std::string_view entryName) {
        // A palette holds the first 512 colours of a longer file.
        list.Append(MakeEntry(color, index++, 0, std::string(entryName)));
    });
    return list;
}

std::string FormatPaletteFile(const PaletteColorList& list) {
    std::string out;
    std::array<char, 16> digits{};
    std::snprintf(digits.data(), digits.size(), "%08x", static_cast<unsigned>(list.Count()));
    out += digits.data();
    out += "\r\n";
    for (const PaletteEntry& e : list.Entries()) {
        std::snprintf(digits.data(), digits.size(), "%08x", static_cast<unsigned>(e.color & 0x00FFFFFFu));
        out += digits.data();
        out += ' ';
        for (const char c : e.name) {
            if (c != '\r') {
                out += c;
            }
        }
        out += "\r\n";
    }
    return out;
}

std::string PaletteNameOf(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    const std::string file = slash == std::string::npos ? path : path.substr(slash + 1);
    return file.substr(0, file.find('.'));
}

bool HasPaletteExtension(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    const size_t dot = path.find_last_of('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) {
        return false;
    }
    std::string ext = path.substr(dot + 1);
    std::transform(ext.begin(), ext.end(), ext.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return ext == "pal";
}

bool ReadPaletteBytes(const std::string& path, std::string& bytes) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return false;
    }
    std::error_code error;
    const uintmax_t size = fs::file_size(path, error);
    if (error || size > kMaxPaletteFileBytes) {
        return false;
    }
    std::string data(static_cast<size_t>(size), '\0');
    if (!in.read(data.data(), static_cast<std::streamsize>(data.size()))) {
        return false;
    }
    bytes = std::move(data);
    return true;
}

std::optional<PaletteColorList> ReadPaletteFile(const std::string& path) {
    std::string bytes;
    if (!ReadPaletteBytes(path, bytes)) {
        return std::nullopt;
    }
    return ParsePaletteFile(bytes, PaletteNameOf(path));
}

bool WritePaletteFile(const std::string& path, const PaletteColorList& list) {
    const std::string bytes = FormatPaletteFile(list);
    const std::string temporary = path + ".writing";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        if (!out || !out.write(bytes.data(), static_cast<std::streamsize>(bytes.size())) || !out.flush()) {
            out.close();
            std::error_code ignored;
            fs::remove(temporary, ignored);
            return false;
        }
    }
    std::error_code error;
    fs::rename(temporary, path, error);
    if (error) {
        fs::remove(temporary, error);
        return false;
    }
    return true;
}

int32_t CheckPaletteFolder(const std::string& folder, UserInterface& ui) {
    static constexpr std::array<const char*, 3> kScratch = {"VizodiriZeriviri.pal", "VizodiriZeriviri2.pal",
                                                            "VizodiriZeriviri3.pal"};
    std::error_code error;
    std::vector<fs::path> files;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
        const std::string name = it->path().filename().string();
        const bool palette = name.size() > 4 && (name.ends_with(".pal") || name.ends_with(".PAL"));
        std::error_code sizeError;
        if (palette && it->is_regular_file(sizeError) && it->file_size(sizeError) > 0 && !sizeError) {
            files.push_back(it->path());
        }
    }
    std::sort(files.begin(), files.end());
    int32_t removed = 0;
    for (const fs::path& file : files) {
        std::string bytes;
        if (ReadPaletteBytes(file.string(), bytes) && ValidatePaletteFile(bytes)) {
            continue;
        }
        const std::string name = file.filename().string();
        const bool scratch = std::find_if(kScratch.begin(), kScratch.end(),
                                          [&](const char* s) { return name == s; }) != kScratch.end();
        if (!scratch && !ui.AskYesNo("A palette file has become corrupt. Remove it?")) {
            continue;
        }
        std::error_code ignored;
        fs::permissions(file, fs::perms::owner_write, fs::perm_options::add, ignored);
        if (fs::remove(file, ignored)) {
            ++removed;
        }
    }
    return removed;
}

} // namespace ts
