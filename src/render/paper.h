#pragma once

#include "model/bmap.h"
#include "platform/image24.h"

#include <cstdint>

namespace ts {

// How much of the board's grain shows: index 0 keeps all of a deviation d, 1 three quarters, 2 a half,
// 3 a quarter, 4 none (arithmetic shifts).
int32_t ReduceDeviation(int32_t d, int32_t index);

// The items of the two amount settings, by index.
inline constexpr const char* kAmountItems[5] = {"-0%", "-25%", "-50%", "-75%", "-100%"};

// The board's appearance settings of the paper mode.
struct PaperSettings {
    int32_t backgroundAmount = 0; // grain on pixels that carry no paint
    int32_t paintedAmount = 2;    // grain through painted colour
    bool textureOneToOne = false; // the View menu's "Texture 1:1"
};

// Evens out a loaded board texture so that it tiles without blotches: every whole 8 x 8 block is moved
// to the overall average (pixel - block average + overall average + r, r being 0 or 2 per byte from the
// random table, three entries per block); partial blocks at the right and bottom stay as loaded.
void FlattenTexture(Image24& image);

// Adds (colour - average) to every byte, clamped, so the texture's average becomes the colour.
void TintTexture(Image24& image, uint32_t color);

} // namespace ts
