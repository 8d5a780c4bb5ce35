#pragma once

#include "platform/image24.h"

#include <cstdint>
#include <string>

namespace ts {

// The backdrop around the drawing: a kind code and its colour.
struct Backdrop {
    static constexpr int32_t kGreyAverage = 0;
    static constexpr int32_t kAverage = 1;
    static constexpr int32_t kWhite = 2;
    static constexpr int32_t kSelectedBoard = 5;
    static constexpr int32_t kSystem = 8;
    static constexpr int32_t kGreyAverageTextured = 10;
    static constexpr int32_t kAverageRecomputed = 11;
    static constexpr int32_t kCustomColor = 12;
    static constexpr int32_t kSplashSmall = 13;
    static constexpr int32_t kSplashMedium = 14;
    static constexpr int32_t kSplashLarge = 15;
    static constexpr int32_t kCustomTexture = 16;
    // The button face of the desktop theme, the colour of kind 8.
    static constexpr uint32_t kSystemColor = 0x00F0F0F0;

    int32_t kind = kSystem;
    int32_t previousKind = kSystem;
    uint32_t color = kSystemColor;
};

// A Backdrop menu command: its id, the kind it selects and the refresh reason it passes.
struct BackdropCommand {
    int32_t command;
    int32_t kind;
    const char* reason;
};

inline constexpr BackdropCommand kBackdropCommands[] = {
    {32990, Backdrop::kAverageRecomputed, "R_OnBackgroundtexturedAverageColor"},
    {32985, Backdrop::kSystem, "R_OnBackgroundSystem"},
    {32872, Backdrop::kWhite, "R_OnbackgroundWhite"},
    {32869, Backdrop::kSelectedBoard, "R_OnBackgroundSelectedBoard"},
};
// "Background": opens the custom backdrop mode.
inline constexpr int32_t kCustomBackdropCommand = 33524;

// What the backdrop kinds are made from.
struct BackdropSources {
    uint32_t drawingAverage = 0; // sampled from the last whole recomposite; 0 when none
    uint32_t paperAverage = 0x00FFFFFF;
    const Image24* board = nullptr;  // the paper picture, tinted to the board colour
    const Image24* custom = nullptr; // the custom backdrop texture, or null
    uint32_t customColor = 0x00FFFFFF;
    const Image24* splash = nullptr; // the splash picture of kinds 13..15, or null
};

// The pixels around the drawing: a flat colour, or a picture tiled from the window's top-left corner.
class BackDropBuffer {
public:
    Backdrop state;

    // Switches to a kind and makes its colour and picture. Kind 12 remembers the kind before it.
    void SetKind(int32_t kind, const BackdropSources& sources);
    // A custom colour (kind 12).
    void SetCustomColor(uint32_t color);

    bool Textured() const { return m_picture.Width() > 0; }
    const Image24& Picture() const { return m_picture; }
    // Client pixels left .. right - 1 of client row cy.
    void FillRow(int32_t cy, int32_t left, int32_t right, uint8_t* row) const;

private:
    Image24 m_picture;
};

// The grey of a colour: (r + g + b) / 3 in all three bytes.
uint32_t GreyOf(uint32_t color);

} // namespace ts
