#include "cli/line_summary.h"

#include "render/line_dashes.h"
#include "render/line_renderer.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <vector>

namespace ts::cli {

namespace {

bool FitsLayer(const RLBuffer* b, int32_t width, int32_t height, int32_t bytesPerPixel) {
    return b && b->IsCreated() && b->Width() == width && b->Height() == height &&
           b->BytesPerPixel() == bytesPerPixel;
}

} // namespace

std::string LineSummaryJson(const LayerObject& layer) {
    if (!layer.lineArt || !layer.lineArt->lineBuffer || !layer.lineArt->lineBuffer->IsCreated()) {
        return {};
    }
    const ObjectLineArt& l = *layer.lineArt;
    const RLBuffer& coverage = *l.lineBuffer;
    const int32_t w = coverage.Width();
    const int32_t h = coverage.Height();
    const RLBuffer* rendered =
        FitsLayer(l.refreshAppearance.get(), w, h, 1) ? l.refreshAppearance.get() : nullptr;
    const RLBuffer* occupancy = layer.frame && FitsLayer(layer.frame->drawingBuffer.get(), w, h, 2)
                                    ? layer.frame->drawingBuffer.get()
                                    : nullptr;
    const RLBuffer* styles =
        FitsLayer(l.lineAppearanceIndex.get(), w, h, 1) ? l.lineAppearanceIndex.get() : nullptr;
    const RLBuffer* widths = FitsLayer(l.refreshWidth.get(), w, h, 1) ? l.refreshWidth.get() : nullptr;

    std::array<uint64_t, 256> colorPixels{};
    std::array<uint64_t, kLineStyleCount + 1> stylePixels{}; // the last: a style byte above 6
    std::array<uint64_t, kMaxLineWidth + 1> widthPixels{};
    uint64_t gaps = 0;
    std::vector<uint8_t> cover(coverage.RawRowLength()), colors(static_cast<size_t>(w)),
        centre(2 * static_cast<size_t>(w)), style(static_cast<size_t>(w)), width(static_cast<size_t>(w));
    for (int32_t y = 0; y < h; ++y) {
        coverage.ReadRow(y, cover.data());
        if (rendered) {
            rendered->ReadRow(y, colors.data());
        }
        if (occupancy) {
            occupancy->ReadRow(y, centre.data());
            if (styles) {
                styles->ReadRow(y, style.data());
            }
            if (widths) {
                widths->ReadRow(y, width.data());
            }
        }
        for (size_t x = 0; x < static_cast<size_t>(w); ++x) {
            if (cover[2 * x] | cover[2 * x + 1]) {
                ++colorPixels[rendered ? colors[x] : 0];
            }
            if (occupancy && (centre[2 * x] | centre[2 * x + 1])) {
                const uint8_t s = styles ? style[x] : 0;
                ++stylePixels[std::min<size_t>(s & 0x7F, kLineStyleCount)];
                gaps += (s & kLineGapBit) ? 1 : 0;
                ++widthPixels[static_cast<size_t>(LineWidthOf(widths ? width[x] : 1))];
            }
        }
    }
    std::string out = "{\"colors\":[";
    char text[160];
    bool first = true;
    for (size_t i = 0; i < colorPixels.size(); ++i) {
        if (colorPixels[i] == 0) {
            continue;
        }
        const LineColor* c = l.colorList ? l.colorList->Slot(static_cast<int>(i)) : nullptr;
        const uint32_t value = c ? static_cast<uint32_t>(c->color) : 0u;
        std::snprintf(text, sizeof text,
                      "%s{\"index\":%zu,\"color\":\"#%02X%02X%02X\",\"opacity\":%d,\"pixels\":%llu}",
                      first ? "" : ",", i, value & 0xFF, (value >> 8) & 0xFF, (value >> 16) & 0xFF,
                      c ? c->opacity : 255, static_cast<unsigned long long>(colorPixels[i]));
        out += text;
        first = false;
    }
    out += "],\"styles\":[";
    first = true;
    for (size_t s = 0; s < stylePixels.size(); ++s) {
        if (stylePixels[s] == 0) {
            continue;
        }
        std::snprintf(text, sizeof text, "%s{\"style\":\"%s\",\"pixels\":%llu}", first ? "" : ",",
                      s < kLineStyleCount ? kLineStyleNames[s] : "unknown",
                      static_cast<unsigned long long>(stylePixels[s]));
        out += text;
        first = false;
    }
    std::snprintf(text, sizeof text, "],\"gapPixels\":%llu,\"widths\":[",
                  static_cast<unsigned long long>(gaps));
    out += text;
    first = true;
    for (size_t k = 1; k < widthPixels.size(); ++k) {
        if (widthPixels[k] == 0) {
            continue;
        }
        std::snprintf(text, sizeof text, "%s{\"width\":%zu,\"pixels\":%llu}", first ? "" : ",", k,
                      static_cast<unsigned long long>(widthPixels[k]));
        out += text;
        first = false;
    }
    return out + "]}";
}

} // namespace ts::cli
