#pragma once

#include "model/appearance_tables.h"
#include "raster/color_interference_buffer.h"
#include "raster/rl_buffer.h"
#include "raster/super_bit_buffer.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>

namespace ts {

// The rendered lines of a layer: the anti-aliased coverage (a 4 x 4 sub-pixel mask per pixel) and, per
// line pixel, one-byte indices into the layer's line appearance and line colour tables.
class ObjectLineArt {
public:
    ObjectLineArt();

    // Every buffer of the given size, empty; the tables with their first entries.
    bool Create(int32_t width, int32_t height);
    bool CopyFrom(const ObjectLineArt& other);
    bool SameContents(const ObjectLineArt& other) const;
    // True when any pixel carries line coverage.
    bool HasLines() const;
    size_t MemoryFootprint() const;
    void FlipHorizontal(ProgressMeter* progress);
    void FlipVertical(ProgressMeter* progress);

    // The intensity ramp: 16k for k = 0..15 and 255 for 16, scaled by v / 255 in 16.16 fixed point.
    void SetIntensity(uint8_t v);

    std::unique_ptr<SuperBitBuffer> lineBuffer;         // coverage, two bytes per pixel
    std::unique_ptr<RLBuffer> lineAppearanceIndex;      // index into appearanceList
    std::unique_ptr<RLBuffer> colorAppearanceIndex;     // index into colorList
    std::unique_ptr<RLBuffer> refreshAppearance;        // index into colorList, as last rendered
    std::unique_ptr<RLBuffer> refreshWidth;             // line width in the low 5 bits
    std::unique_ptr<LineAppearanceList> appearanceList; // may be null
    std::unique_ptr<LineColorList> colorList;           // may be null

    // Working state of the line renderer; not saved.
    CColorInterferenceBuffer interference;
    int32_t counters[2] = {0, 0};
    std::array<uint8_t, 17> intensityRamp{};
};

} // namespace ts
