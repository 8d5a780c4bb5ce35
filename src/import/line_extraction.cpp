#include "import/line_extraction.h"

#include "import/color_decomposition.h"
#include "raster/super_bit_buffer.h"
#include "render/line_renderer.h"

#include <algorithm>

namespace ts {

int32_t LineLumaLimit(int32_t threshold) {
    return std::clamp(threshold, 0, 100) * 255 / 100;
}

std::vector<uint8_t> ThresholdLineMask(const Image24& picture, int32_t threshold) {
    const int32_t w = picture.Width();
    const int32_t h = picture.Height();
    const int32_t limit = LineLumaLimit(threshold);
    std::vector<uint8_t> mask(static_cast<size_t>(std::max(0, w)) * static_cast<size_t>(std::max(0, h)), 0);
    for (int32_t y = 0; y < h; ++y) {
        const uint8_t* row = picture.Row(y);
        uint8_t* out = mask.data() + static_cast<size_t>(y) * static_cast<size_t>(w);
        for (int32_t x = 0; x < w; ++x) {
            const uint8_t* p = row + 3 * static_cast<size_t>(x);
            out[x] = PictureLuma(p[2], p[1], p[0]) < limit ? 1 : 0;
        }
    }
    return mask;
}

bool InstallLineMask(LayerObject& layer, const std::vector<uint8_t>& mask, int32_t width, int32_t height,
                     bool thinned, int32_t lineWidth, ProgressMeter* progress) {
    if (!layer.frame || !layer.frame->drawingBuffer || layer.frame->drawingBuffer->Width() != width ||
        layer.frame->drawingBuffer->Height() != height ||
        mask.size() < static_cast<size_t>(width) * static_cast<size_t>(height) || !EnsureLineArt(layer)) {
        return false;
    }
    // The middle four cells (sub-pixels 1 and 2 each way), or all sixteen.
    uint16_t cells = 0xFFFF;
    if (thinned) {
        cells = static_cast<uint16_t>(
            1u << SuperBitBuffer::SubPixelBit(1, 1) | 1u << SuperBitBuffer::SubPixelBit(2, 1) |
            1u << SuperBitBuffer::SubPixelBit(1, 2) | 1u << SuperBitBuffer::SubPixelBit(2, 2));
    }
    SuperBitBuffer& occupancy = *layer.frame->drawingBuffer;
    std::vector<uint8_t> row(static_cast<size_t>(width) * 2);
    for (int32_t y = 0; y < height; ++y) {
        const uint8_t* in = mask.data() + static_cast<size_t>(y) * static_cast<size_t>(width);
        for (int32_t x = 0; x < width; ++x) {
            const uint16_t v = in[x] != 0 ? cells : 0;
            row[2 * static_cast<size_t>(x)] = static_cast<uint8_t>(v & 0xFF);
            row[2 * static_cast<size_t>(x) + 1] = static_cast<uint8_t>(v >> 8);
        }
        if (!occupancy.PutRow(y, row.data())) {
            return false;
        }
    }
    ObjectLineArt& lines = *layer.lineArt;
    const int32_t w = std::clamp(lineWidth, 1, kMaxLineWidth);
    lines.refreshWidth->Fill(LineWidthByte(w, 0));
    lines.lineAppearanceIndex->Fill(0);
    uint8_t colorSlot = 0;
    if (lines.colorList && lines.colorList->Slot(0) != nullptr) {
        const int32_t black = lines.colorList->FindOrAdd(LineColor{0, 255});
        colorSlot = static_cast<uint8_t>(black < 0 ? 0 : black);
    }
    lines.colorAppearanceIndex->Fill(colorSlot);
    if (lines.appearanceList) {
        lines.appearanceList->FindOrAdd(MakeLineAppearance(w, 0, 0));
    }
    LineRenderer(layer).RedrawLines(Rect{0, 0, width, height}, progress);
    return true;
}

} // namespace ts
