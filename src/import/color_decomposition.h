#pragma once

#include "model/layer_object.h"
#include "platform/image24.h"
#include "platform/progress_meter.h"

#include <cstdint>

namespace ts {

// Splitting a picture into what the program paints with: a lighting level per pixel (128 where the
// picture is as bright as the paper, lower where darker, higher where lighter) and a surface colour that,
// lit by that level, shows the picture's pixel again.
struct DecomposeOptions {
    bool lighting = false;
    bool color = false;
    bool grayScale = false;
    // The brightness of the paper the picture lies on, 0..255: the level 128 stands for it.
    int32_t reference = 255;
    // What the surface takes where only the lighting is wanted (0x00BBGGRR).
    uint32_t neutralColor = 0x00808080;
};

// Luma of a pixel: 0.587 G + 0.299 R + 0.114 B, at most 255.
int32_t PictureLuma(int32_t r, int32_t g, int32_t b);
// The reference brightness 0..255 of a paper colour: its HSB brightness (0..240) scaled by 136 / 128.
int32_t ReferenceBrightness(uint32_t paperColor);
// The lighting level of a pixel of luma y over paper of brightness c: 128 at y = c, then linear up to
// 255 at y = 255 and down to 1 at y = 0 (c of 0 or 1 cannot divide by zero).
uint8_t LightingLevelOf(int32_t y, int32_t c);
// How strongly a level lights its pixel, 0..255 (the compositor's opacity for it).
int32_t LightingStrength(int32_t level);
// The neutral colour of "lighting only": the colour at brightness 120 of 240, keeping its hue and
// saturation.
uint32_t NeutralSurfaceColor(uint32_t backdropColor);

// One pixel's decomposition. level is the lighting level to store (walked towards 128 where the exact
// colour would leave 0..255), r, g, b the surface colour that level reproduces the source with.
struct DecomposedPixel {
    uint8_t level = 128;
    uint8_t r = 0;
    uint8_t g = 0;
    uint8_t b = 0;
};
// lightColor and shadeColor are the tints the layer's lighting blends towards above and below 128
// (0x00BBGGRR); without lighting the level stays 128 and the colour is the source's.
DecomposedPixel DecomposePixel(uint8_t r, uint8_t g, uint8_t b, int32_t reference, bool lighting,
                               uint32_t lightColor, uint32_t shadeColor);

// Decomposes the picture into the layer's surface colour and lighting, creating either part at the
// picture's size when it is missing (or of another size). With "Color" the surface takes the corrected
// colour; with lighting and no colour, options.neutralColor; with "GrayScale" alone, the lighting level
// as a grey. Painted pixels get full opacity. The meter steps every 8 rows. False when memory runs out
// or nothing is asked for.
bool DecomposePicture(const Image24& picture, LayerObject& target, const DecomposeOptions& options,
                      ProgressMeter* progress = nullptr);

} // namespace ts
