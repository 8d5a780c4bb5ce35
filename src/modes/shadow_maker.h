#pragma once

#include "model/layer_object.h"
#include "model/point_ts.h"
#include "platform/progress_meter.h"
#include "raster/rect.h"

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

namespace ts {

// How a drop shadow is cast from a layer.
struct ShadowSettings {
    static constexpr int32_t kMaxBlur = 40;

    bool lines = true;   // the line art casts a shade
    bool surface = true; // the painted colour casts a shade
    // Radius in drawing pixels of each of the three box passes that soften the shade: together about a
    // gaussian of that standard deviation, reaching 3 x blur beyond the content. 0..kMaxBlur.
    int32_t blur = 0;
    // Percent of the caster's coverage the shade keeps where it is fully covered. 0..100.
    int32_t opacity = 50;
    uint32_t color = 0; // 0x00BBGGRR
};

// Makes a soft drop shadow of a layer as paint of its own: the coverage of the chosen parts (line
// coverage as the compositor counts it, colour by its amount; where both lie, the stronger), moved by
// an offset, blurred by three separable box passes (along each row, then down the columns, row by row
// with running sums) and scaled by the opacity (amount = (shade x round(opacity x 256 / 100) + 128) >> 8),
// becomes the amount of a flat colour over the shadow's rectangle. The working rows are kept between
// makes, so making the shadow again and again allocates nothing.
class ShadowMaker {
public:
    // The rectangle (layer pixels) of the pixels of the chosen parts that carry coverage; empty when none.
    static Rect ContentBounds(const LayerObject& layer, bool lines, bool surface);
    // The drawing rectangle of the shadow of content (layer pixels) of a layer at offsetX, offsetY:
    // the content moved by the offset (drawing pixels), grown by 3 x blur on every side. Not clipped.
    static Rect ShadowRect(const Rect& content, const LayerObject& layer, IntPoint offset, int32_t blur);

    // The shadow of the content of the source as paint over the drawing rectangle area (usually the
    // shadow's rectangle clipped to the drawing): channels of area's size. Null for an empty area or
    // content, or when memory runs out.
    std::unique_ptr<ObjectColor> Make(const LayerObject& source, const Rect& content, IntPoint offset,
                                      const ShadowSettings& settings, const Rect& area,
                                      ProgressMeter* meter = nullptr);

private:
    // The rings and rows for a shadow rectangle of this width; false when memory runs out.
    bool Allocate(size_t width, int32_t blur);
    // The caster's coverage of content row y (layer pixels) into dest[0 .. content width), which holds
    // zeros; the span of it that is not zero, as first and last (first == last when none).
    void Coverage(const LayerObject& source, const Rect& content, const ShadowSettings& settings, int32_t y,
                  uint8_t* dest, size_t& first, size_t& last);

    // Per pass: the rows it made last (the row softening, then the first two passes down the columns),
    // and the running column sums of the three passes down the columns.
    std::array<std::vector<uint8_t>, 3> m_rings;
    std::array<std::vector<uint16_t>, 3> m_sums;
    std::vector<uint16_t> m_rowSums; // working room of the passes along a row
    std::vector<uint8_t> m_shadeRow; // a row of the finished shade
    std::vector<uint8_t> m_lineRow;  // one row of line coverage masks
    std::vector<uint8_t> m_outRow;   // one row of the amount written
    std::vector<uint8_t> m_zeros;    // a row of nothing, beyond the shadow's ends
};

} // namespace ts
