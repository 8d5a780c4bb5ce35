#pragma once

#include "model/appearance_tables.h"
#include "raster/rl_buffer.h"

#include <cstddef>
#include <cstdint>
#include <memory>

namespace ts {

// The painted surface colour of a layer: five one-byte-per-pixel channels of the layer's size. The
// colour channels hold blue, green and red in the view buffer's byte order; amount is the opacity with
// which the colour lies on the layer (0 = nothing painted); appearance indexes the appearance list.
class ObjectColor {
public:
    ObjectColor();

    // Sizes the channels: every pixel gets the colour (0x00BBGGRR) with nothing painted yet.
    bool Create(int32_t width, int32_t height, uint32_t color, uint8_t opacity);
    bool CopyFrom(const ObjectColor& other);
    bool SameContents(const ObjectColor& other) const;

    int32_t Width() const { return amount ? amount->Width() : 0; }
    int32_t Height() const { return amount ? amount->Height() : 0; }
    // True when any pixel carries paint.
    bool HasPaint() const;
    size_t MemoryFootprint() const;
    void FlipHorizontal(ProgressMeter* progress);
    void FlipVertical(ProgressMeter* progress);
    // The channels in stored order: appearance, blue, green, red, amount.
    RLBuffer* Channel(int i);
    const RLBuffer* Channel(int i) const;
    static constexpr int kChannels = 5;

    CColorAppearanceList appearances;
    std::unique_ptr<RLBuffer> appearance;
    std::unique_ptr<RLBuffer> blue;
    std::unique_ptr<RLBuffer> green;
    std::unique_ptr<RLBuffer> red;
    std::unique_ptr<RLBuffer> amount;
    // The opacity new paint gets on this layer.
    uint8_t opacity = 255;
    // Working table of the painting tools; not saved.
    uint8_t paintTable[256] = {};
};

// Lighting and shading of a layer: a level per pixel (128 neutral, lower shades, higher lights) and an
// index into the shadow appearance list, one byte per pixel each.
class ObjectShadow {
public:
    ObjectShadow();

    // Both channels of the given size: every level neutral (128), every index 0.
    bool Create(int32_t width, int32_t height);
    bool CopyFrom(const ObjectShadow& other);
    bool SameContents(const ObjectShadow& other) const;
    bool HasLighting() const;
    size_t MemoryFootprint() const;
    void FlipHorizontal(ProgressMeter* progress);
    void FlipVertical(ProgressMeter* progress);

    static constexpr uint8_t kNeutral = 128;

    ShadowAppearanceList appearances;
    std::unique_ptr<RLBuffer> appearanceIndex;
    std::unique_ptr<RLBuffer> lighting;
    int32_t value = 0;
};

} // namespace ts
