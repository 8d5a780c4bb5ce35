#pragma once

#include "model/image_stack_manager.h"
#include "raster/fast_bitonal_mask.h"
#include "render/paper.h"
#include "render/under_pixel_manager.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace ts {

// The View menu's switches that change what the compositor draws.
struct ViewSwitches {
    bool showColor = true;         // "Show Color Areas"
    bool showLighting = true;      // "Show Lighting"
    bool showLines = true;         // "Show Lines"
    bool showSelectedOnly = false; // "Show Selected Layer Only"
    bool showOpacity = false;      // "Show Opacity"
};

// Sums for the average colour of the drawing, taken while compositing.
struct AverageSampler {
    uint64_t sum[3] = {0, 0, 0}; // blue, green, red
    uint64_t count = 0;
    // The average as a colour value; the fallback when nothing was sampled.
    uint32_t Average(uint32_t fallback) const;
};

// Composites rows of the drawing from the layer stack: the board, then every drawing layer's picture,
// painted colour, lighting and lines, with the arithmetic of the product and clamp tables.
class Compositor {
public:
    explicit Compositor(ImageStackManager& stack);

    ViewSwitches switches;
    PaperSettings paper;

    // The pencil-shadow grain: a 4096 x 4096 mask, bit set where the grain is dark.
    void SetGrainMask(std::unique_ptr<FastBitonalMask> mask) { m_grain = std::move(mask); }
    const FastBitonalMask* GrainMask() const { return m_grain.get(); }
    static constexpr int32_t kGrainSize = 4096;
    // Tiles a grain picture into a grain mask (a bit where the picture's first byte is below 128).
    static std::unique_ptr<FastBitonalMask> BuildGrainMask(const Image24& picture);

    // The paper picture (the tinted board), or null without one.
    const Image24* PaperPicture() const;
    // The paper's average colour is cached; call when the paper picture changed.
    void PaperChanged() { m_paperAverageValid = false; }
    uint32_t PaperAverage() const;

    // Fills count pixels (blue, green, red) of drawing row y from column first. The painted-pixel mask
    // gets the bits of pixels carrying plain pencil colour; the under-pixel store the row's line pixels;
    // the sampler, when given, every 4th pixel of every 4th row.
    void CompositeRow(int32_t y, int32_t first, int32_t count, uint8_t* dest, FastBitonalMask* painted,
                      UnderPixelManager* under, AverageSampler* sampler);

private:
    struct RowSpan {
        int32_t from = 0; // first drawing column of the layer in the span
        int32_t to = 0;   // one past the last
        int32_t layerRow = 0;
        int32_t offsetX = 0;
    };
    bool LayerSpan(const LayerObject& layer, int32_t y, int32_t first, int32_t count, RowSpan& span) const;
    void DrawBackground(int32_t y, int32_t first, int32_t count, uint8_t* dest);
    void DrawImage(const LayerObject& layer, const RowSpan& s, int32_t first, uint8_t* dest);
    void DrawColor(const LayerObject& layer, bool dimmed, const RowSpan& s, int32_t y, int32_t first,
                   uint8_t* dest, FastBitonalMask* painted, UnderPixelManager* under);
    void DrawLighting(const LayerObject& layer, bool dimmed, const RowSpan& s, int32_t y, int32_t first,
                      uint8_t* dest, UnderPixelManager* under);
    void DrawLines(const LayerObject& layer, const RowSpan& s, int32_t first, uint8_t* dest,
                   UnderPixelManager* under);
    // The paper pixel under drawing pixel (x, y), or null without a paper picture.
    const uint8_t* PaperPixel(int32_t x, int32_t y) const;
    std::vector<uint8_t>& Scratch(size_t index, size_t bytes);

    ImageStackManager& m_stack;
    std::unique_ptr<FastBitonalMask> m_grain;
    mutable uint32_t m_paperAverage = 0x00FFFFFF;
    mutable const BMap* m_paperAverageOf = nullptr;
    mutable bool m_paperAverageValid = false;
    std::vector<std::vector<uint8_t>> m_scratch;
};

} // namespace ts
