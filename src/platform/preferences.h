#pragma once

#include "platform/profile_manager.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>

namespace ts {

// What the preferences dialog edits, each value as its control holds it: the edit fields keep their
// text, so that what was typed is checked before anything is stored; the lists and the check box keep
// their choice. Names are the settings' names in section "Settings".
struct PreferenceValues {
    static constexpr const char* kIntegerCharacters = "0123456789";
    static constexpr const char* kDecimalCharacters = "0123456789.";
    static constexpr std::array<const char*, 4> kThumbSizeItems{"640 x 480", "800 x 600", "1024 x 768",
                                                                "1280 x 1024"};
    static constexpr int32_t kThinLineCount = 31; // "Set Thin Lines To: " lists 1..31
    static constexpr int32_t kTextureCount = 27;  // the board textures of Textures/Board
    // Limits of what can be stored: paper sides in inches (a new drawing of more would be too large to
    // be read back from its file), the scan-print dots per inch and the nudge in pixels. No integer may
    // be 9999: the store reads that as a missing value.
    static constexpr double kMinInches = 0.1;
    static constexpr double kMaxInches = 400.0;
    static constexpr int32_t kMaxResolution = 4800;
    static constexpr int32_t kMaxNudge = 1000;

    // "Background Paper Color - RGB: " as three edits of 0..255 ("PaperColor", 0x00BBGGRR stored).
    std::string red = "235";
    std::string green = "235";
    std::string blue = "235";
    int32_t paperTextureIndex = 0;    // "Background Paper Texture: "
    std::string resolution = "400";   // "DPI " of the scan-print paper
    std::string paperWidth = "36.0";  // scan-print paper, inches
    std::string paperHeight = "24.0"; //
    std::string scaleWidth = "36.0";  // "ScaleDrawingPaperWidth": the paper of new drawings, inches
    std::string scaleHeight = "24.0"; // "ScaleDrawingPaperHeight"
    int32_t thumbSize = 0;            // index of kThumbSizeItems
    std::string nudgeStrength = "1";  // "Pixels Per Nudge"
    bool enableMetric = false;        // "Meters"
    int32_t thinLineIndex = 3;        // "Set Thin Lines To: " 1..31

    // Every value from the store by the read-or-seed rule (a missing one is stored with its default).
    // Stored choices outside their lists show as the nearest item.
    static PreferenceValues Load(ProfileManager& profile);
    // Empty when every value can be stored, otherwise a message naming the first one that cannot.
    std::string Problem() const;
    // Writes every value. Only for values without a problem.
    void Save(ProfileManager& profile) const;

    void SetPaperColor(uint32_t color);
    // 0x00BBGGRR of the three edits; a channel that does not read as 0..255 counts as 0.
    uint32_t PaperColor() const;

    // A value by its settings name, as the control would take it: an edit field keeps only the
    // characters it accepts (as typing would), a list takes the index of its item, "EnableMetric" 0 or
    // 1, "PaperColor" a colour as 0xBBGGRR or a decimal number. False for an unknown name or a choice
    // that is not in its list.
    bool Set(const std::string& name, const std::string& text);
    static bool IsName(const std::string& name);
};

// What the preferences dialog is opened with.
struct PreferencesRequest {
    PreferenceValues values;
    // The paper colour of the open drawing, which "Set From Drawing" takes; none without a drawing.
    std::optional<uint32_t> drawingPaperColor;
};

// The text an edit keeps of what was typed into it: the characters it accepts.
std::string KeptCharacters(const std::string& text, const char* accepted);

} // namespace ts
