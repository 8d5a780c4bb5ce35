#include "platform/preferences.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace ts {

namespace {

std::string Trim(const std::string& text) {
    const size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

// A whole number of at most nine digits within [low, high]; the store's sentinel 9999 never passes.
bool ReadWhole(const std::string& text, int32_t low, int32_t high, int32_t& out) {
    const std::string t = Trim(text);
    if (t.empty() || t.size() > 9 || t.find_first_not_of("0123456789") != std::string::npos) {
        return false;
    }
    const long value = std::strtol(t.c_str(), nullptr, 10);
    if (value < low || value > high || value == ProfileManager::kMissingInt) {
        return false;
    }
    out = static_cast<int32_t>(value);
    return true;
}

// Inches as digits with at most one point, within the paper limits.
bool ReadInches(const std::string& text, double& out) {
    const std::string t = Trim(text);
    if (t.empty() || t.size() > 12 || t.find_first_not_of("0123456789.") != std::string::npos ||
        std::count(t.begin(), t.end(), '.') > 1 || t.find_first_of("0123456789") == std::string::npos) {
        return false;
    }
    const double value = std::strtod(t.c_str(), nullptr);
    if (value < PreferenceValues::kMinInches || value > PreferenceValues::kMaxInches) {
        return false;
    }
    out = value;
    return true;
}

int32_t Channel(const std::string& text) {
    int32_t value = 0;
    return ReadWhole(text, 0, 255, value) ? value : 0;
}

// A colour typed as 0xBBGGRR or as a decimal number.
bool ReadColor(const std::string& text, uint32_t& out) {
    const std::string t = Trim(text);
    const bool hex = t.size() > 2 && t[0] == '0' && (t[1] == 'x' || t[1] == 'X');
    const std::string digits = hex ? t.substr(2) : t;
    if (digits.empty() || digits.size() > 8 ||
        digits.find_first_not_of(hex ? "0123456789abcdefABCDEF" : "0123456789") != std::string::npos) {
        return false;
    }
    const unsigned long value = std::strtoul(digits.c_str(), nullptr, hex ? 16 : 10);
    if (value > 0x00FFFFFFUL) {
        return false;
    }
    out = static_cast<uint32_t>(value);
    return true;
}

bool ReadChoice(const std::string& text, int32_t low, int32_t high, int32_t& out) {
    return ReadWhole(text, low, high, out);
}

} // namespace

std::string KeptCharacters(const std::string& text, const char* accepted) {
    std::string kept;
    for (const char c : text) {
        if (c != '\0' && std::strchr(accepted, c) != nullptr) {
            kept += c;
        }
    }
    return kept;
}

PreferenceValues PreferenceValues::Load(ProfileManager& profile) {
    PreferenceValues v;
    v.SetPaperColor(static_cast<uint32_t>(profile.Get(settings::kPaperColor)));
    v.paperTextureIndex = std::clamp(profile.Get(settings::kPaperTextureIndex), 0, kTextureCount - 1);
    v.resolution = std::to_string(profile.Get(settings::kResolution));
    v.paperWidth = profile.Get(settings::kPaperWidth);
    v.paperHeight = profile.Get(settings::kPaperHeight);
    v.scaleWidth = profile.Get(settings::kScaleDrawingPaperWidth);
    v.scaleHeight = profile.Get(settings::kScaleDrawingPaperHeight);
    // The renderers take any size but 0, 2 and 3 as 800 x 600; the list shows it so.
    const int32_t thumb = profile.Get(settings::kThumbSizeForPreferences);
    v.thumbSize = thumb >= 0 && thumb < static_cast<int32_t>(kThumbSizeItems.size()) ? thumb : 1;
    v.nudgeStrength = std::to_string(profile.Get(settings::kNudgeStrength));
    v.enableMetric = profile.Get(settings::kEnableMetric) != 0;
    v.thinLineIndex = std::clamp(profile.Get(settings::kThinLineIndex), 1, kThinLineCount);
    return v;
}

std::string PreferenceValues::Problem() const {
    int32_t whole = 0;
    double inches = 0;
    if (!ReadWhole(red, 0, 255, whole) || !ReadWhole(green, 0, 255, whole) ||
        !ReadWhole(blue, 0, 255, whole)) {
        return "Background Paper Color: red, green and blue are whole numbers from 0 to 255.";
    }
    if (paperTextureIndex < 0 || paperTextureIndex >= kTextureCount) {
        return "Background Paper Texture: choose one of the listed textures.";
    }
    if (!ReadWhole(resolution, 1, kMaxResolution, whole)) {
        return "Scan-Print Paper: the DPI is a whole number from 1 to " + std::to_string(kMaxResolution) +
               ".";
    }
    const struct {
        const std::string& text;
        const char* what;
    } sides[] = {{paperWidth, "Scan-Print Paper: the width"},
                 {paperHeight, "Scan-Print Paper: the height"},
                 {scaleWidth, "New Drawing Paper Settings: the width"},
                 {scaleHeight, "New Drawing Paper Settings: the height"}};
    for (const auto& side : sides) {
        if (!ReadInches(side.text, inches)) {
            return std::string(side.what) + " is a number of inches from 0.1 to 400.";
        }
    }
    if (thumbSize < 0 || thumbSize >= static_cast<int32_t>(kThumbSizeItems.size())) {
        return "Thumbnail Size: choose one of the listed sizes.";
    }
    if (!ReadWhole(nudgeStrength, 1, kMaxNudge, whole)) {
        return "Pixels Per Nudge is a whole number from 1 to " + std::to_string(kMaxNudge) + ".";
    }
    if (thinLineIndex < 1 || thinLineIndex > kThinLineCount) {
        return "Set Thin Lines To: choose a value from 1 to 31.";
    }
    return {};
}

void PreferenceValues::Save(ProfileManager& profile) const {
    int32_t whole = 0;
    profile.Set(settings::kPaperColor, static_cast<int32_t>(PaperColor()));
    profile.Set(settings::kPaperTextureIndex, paperTextureIndex);
    if (ReadWhole(resolution, 1, kMaxResolution, whole)) {
        profile.Set(settings::kResolution, whole);
    }
    profile.Set(settings::kPaperWidth, Trim(paperWidth));
    profile.Set(settings::kPaperHeight, Trim(paperHeight));
    profile.Set(settings::kScaleDrawingPaperWidth, Trim(scaleWidth));
    profile.Set(settings::kScaleDrawingPaperHeight, Trim(scaleHeight));
    profile.Set(settings::kThumbSizeForPreferences, thumbSize);
    if (ReadWhole(nudgeStrength, 1, kMaxNudge, whole)) {
        profile.Set(settings::kNudgeStrength, whole);
    }
    profile.Set(settings::kEnableMetric, enableMetric ? 1 : 0);
    profile.Set(settings::kThinLineIndex, thinLineIndex);
}

void PreferenceValues::SetPaperColor(uint32_t color) {
    red = std::to_string(color & 0xFF);
    green = std::to_string((color >> 8) & 0xFF);
    blue = std::to_string((color >> 16) & 0xFF);
}

uint32_t PreferenceValues::PaperColor() const {
    return static_cast<uint32_t>(Channel(red)) | static_cast<uint32_t>(Channel(green)) << 8 |
           static_cast<uint32_t>(Channel(blue)) << 16;
}

bool PreferenceValues::IsName(const std::string& name) {
    static const char* const kNames[] = {
        "PaperColor",    "PaperTextureIndex",      "Resolution",   "PaperWidth",
        "PaperHeight",   "ScaleDrawingPaperWidth", "ThumbSize",    "ScaleDrawingPaperHeight",
        "NudgeStrength", "EnableMetric",           "ThinLineIndex"};
    return std::any_of(std::begin(kNames), std::end(kNames), [&](const char* n) { return name == n; });
}

bool PreferenceValues::Set(const std::string& name, const std::string& text) {
    std::string* edit = name == "Resolution"                ? &resolution
                        : name == "PaperWidth"              ? &paperWidth
                        : name == "PaperHeight"             ? &paperHeight
                        : name == "ScaleDrawingPaperWidth"  ? &scaleWidth
                        : name == "ScaleDrawingPaperHeight" ? &scaleHeight
                        : name == "NudgeStrength"           ? &nudgeStrength
                                                            : nullptr;
    if (edit) {
        const bool whole = edit == &resolution || edit == &nudgeStrength;
        *edit = KeptCharacters(text, whole ? kIntegerCharacters : kDecimalCharacters);
        return true;
    }
    if (name == "PaperColor") {
        uint32_t color = 0;
        if (!ReadColor(text, color)) {
            return false;
        }
        SetPaperColor(color);
        return true;
    }
    const int32_t thumbLast = static_cast<int32_t>(kThumbSizeItems.size()) - 1;
    int32_t* choice = name == "PaperTextureIndex" ? &paperTextureIndex
                      : name == "ThumbSize"       ? &thumbSize
                      : name == "ThinLineIndex"   ? &thinLineIndex
                                                  : nullptr;
    const int32_t low = choice == &thinLineIndex ? 1 : 0;
    const int32_t high = choice == &paperTextureIndex ? kTextureCount - 1
                         : choice == &thumbSize       ? thumbLast
                                                      : kThinLineCount;
    if (choice) {
        return ReadChoice(text, low, high, *choice);
    }
    if (name == "EnableMetric") {
        int32_t flag = 0;
        if (!ReadChoice(text, 0, 1, flag)) {
            return false;
        }
        enableMetric = flag != 0;
        return true;
    }
    return false;
}

} // namespace ts
