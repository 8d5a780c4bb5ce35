#include "render/compositor.h"

#include "raster/pixel_tables.h"
#include "raster/super_bit_buffer.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace ts {

namespace {

constexpr uint8_t kNoTexture[3] = {255, 255, 255};

// Byte b (0 blue, 1 green, 2 red) of a colour value 0x00BBGGRR.
inline uint8_t ColorByte(uint32_t color, int b) {
    return static_cast<uint8_t>(color >> (16 - 8 * b));
}

inline uint8_t Blend(uint8_t alpha, uint8_t top, uint8_t under) {
    return static_cast<uint8_t>(
        std::min(255, Mul8(alpha, top) + Mul8(static_cast<uint8_t>(255 - alpha), under)));
}

enum ScratchRow : size_t {
    kAppearanceRow,
    kBlueRow,
    kGreenRow,
    kRedRow,
    kAmountRow,
    kLevelRow,
    kLightIndexRow,
    kMaskRow,
    kLineColorRow,
    kScratchRows
};

} // namespace

uint32_t AverageSampler::Average(uint32_t fallback) const {
    if (count == 0) {
        return fallback;
    }
    return static_cast<uint32_t>(sum[2] / count) | static_cast<uint32_t>(sum[1] / count) << 8 |
           static_cast<uint32_t>(sum[0] / count) << 16;
}

Compositor::Compositor(ImageStackManager& stack) : m_stack(stack), m_scratch(kScratchRows) {}

std::unique_ptr<FastBitonalMask> Compositor::BuildGrainMask(const Image24& picture) {
    if (picture.Width() <= 0 || picture.Height() <= 0) {
        return nullptr;
    }
    auto mask = std::make_unique<FastBitonalMask>();
    if (!mask->Resize(kGrainSize, kGrainSize)) {
        return nullptr;
    }
    for (int32_t y = 0; y < kGrainSize; ++y) {
        const uint8_t* row = picture.Row(y % picture.Height());
        for (int32_t x = 0; x < kGrainSize; ++x) {
            if (row[static_cast<size_t>(x % picture.Width()) * 3] < 128) {
                mask->SetBit(x, y);
            }
        }
    }
    return mask;
}

uint32_t Compositor::PaperAverage() const {
    const LayerObject* paperLayer = m_stack.Layer(ImageStackManager::kPaperIndex);
    const BMap* picture = paperLayer ? paperLayer->image.get() : nullptr;
    if (!m_paperAverageValid || picture != m_paperAverageOf) {
        // A board without any pixel to average counts as white.
        const uint32_t average = picture ? picture->AverageColor() : 0;
        m_paperAverage = average ? average : 0x00FFFFFF;
        m_paperAverageOf = picture;
        m_paperAverageValid = true;
    }
    return m_paperAverage;
}

std::vector<uint8_t>& Compositor::Scratch(size_t index, size_t bytes) {
    std::vector<uint8_t>& row = m_scratch[index];
    if (row.size() < bytes) {
        row.resize(bytes);
    }
    return row;
}

const Image24* Compositor::PaperPicture() const {
    const LayerObject* paperLayer = m_stack.Layer(ImageStackManager::kPaperIndex);
    if (!paperLayer || !paperLayer->image || paperLayer->image->Width() <= 0) {
        return nullptr;
    }
    return &paperLayer->image->pixels;
}

const uint8_t* Compositor::PaperPixel(int32_t x, int32_t y) const {
    const LayerObject* paperLayer = m_stack.Layer(ImageStackManager::kPaperIndex);
    if (!paperLayer || !paperLayer->image || paperLayer->image->Width() <= 0) {
        return nullptr;
    }
    const Image24& p = paperLayer->image->pixels;
    return p.Pixel(x % p.Width(), y % p.Height());
}

bool Compositor::LayerSpan(const LayerObject& layer, int32_t y, int32_t first, int32_t count,
                           RowSpan& span) const {
    const int32_t w = m_stack.LayerWidth(layer);
    const int32_t h = m_stack.LayerHeight(layer);
    span.layerRow = y - layer.offsetY;
    if (span.layerRow < 0 || span.layerRow >= h) {
        return false;
    }
    span.offsetX = layer.offsetX;
    span.from = std::max(first, layer.offsetX);
    span.to = std::min(first + count, layer.offsetX + w);
    return span.from < span.to;
}

void Compositor::DrawBackground(int32_t y, int32_t first, int32_t count, uint8_t* dest) {
    if (paper.textureOneToOne || !PaperPixel(0, 0)) {
        const uint32_t average = PaperAverage();
        for (int32_t i = 0; i < count; ++i) {
            for (int b = 0; b < 3; ++b) {
                dest[i * 3 + b] = ColorByte(average, b);
            }
        }
        return;
    }
    for (int32_t i = 0; i < count; ++i) {
        std::memcpy(dest + i * 3, PaperPixel(first + i, y), 3);
    }
}

void Compositor::DrawImage(const LayerObject& layer, const RowSpan& s, int32_t first, uint8_t* dest) {
    const Image24& picture = layer.image->pixels;
    if (s.layerRow >= picture.Height()) {
        return;
    }
    const int32_t to = std::min(s.to, s.offsetX + picture.Width());
    for (int32_t x = s.from; x < to; ++x) {
        std::memcpy(dest + (x - first) * 3, picture.Pixel(x - s.offsetX, s.layerRow), 3);
    }
}

void Compositor::DrawColor(const LayerObject& layer, bool dimmed, const RowSpan& s, int32_t y, int32_t first,
                           uint8_t* dest, FastBitonalMask* painted, UnderPixelManager* under) {
    const ObjectColor& color = *layer.color;
    const auto width = static_cast<size_t>(color.Width());
    uint8_t* channel[ObjectColor::kChannels];
    for (int i = 0; i < ObjectColor::kChannels; ++i) {
        channel[i] = Scratch(kAppearanceRow + static_cast<size_t>(i), width).data();
        color.Channel(i)->ReadRow(s.layerRow, channel[i]);
    }
    const uint32_t average = PaperAverage();
    // With the grain at screen scale the board is shown flat, in its average colour.
    const uint8_t flat[3] = {ColorByte(average, 0), ColorByte(average, 1), ColorByte(average, 2)};
    const int32_t to = std::min(s.to, s.offsetX + color.Width());
    for (int32_t x = s.from; x < to; ++x) {
        const auto lx = static_cast<size_t>(x - s.offsetX);
        uint8_t amount = channel[4][lx];
        if (amount == 0) {
            continue;
        }
        const CColorAppearance* appearance = color.appearances.Slot(channel[0][lx]);
        const int32_t type = appearance ? appearance->reference : 0;
        const uint8_t share = appearance ? appearance->p1 : 255;
        const uint8_t* texture = paper.textureOneToOne ? nullptr : PaperPixel(x, y);
        const uint8_t* p = texture ? texture : (paper.textureOneToOne ? flat : kNoTexture);
        if (type == 0 && painted) {
            painted->SetBit(x, y);
        }
        uint8_t* out = dest + (x - first) * 3;
        uint8_t c[3];
        for (int b = 0; b < 3; ++b) {
            const uint8_t ch = channel[1 + b][lx]; // channels 1, 2, 3 are blue, green, red
            // The board's deviation from its average shows through the pencil (none at screen-scale grain).
            int32_t d = texture ? p[b] - ColorByte(average, b) : 0;
            if (type == 0) {
                d = ReduceDeviation(d, paper.paintedAmount);
            }
            const uint8_t pencil = ClampAdd(ch, d);
            if (type == 0 || type > 11) {
                c[b] = pencil;
            } else if (type == 1) {
                c[b] = switches.showOpacity ? 0 : p[b];
            } else if (type >= 3 && type <= 8) {
                c[b] = static_cast<uint8_t>(
                    std::min(255, Mul8(static_cast<uint8_t>(255 - share), p[b]) + Mul8(share, pencil)));
            } else {
                c[b] = p[b];
            }
        }
        if (dimmed) {
            amount = static_cast<uint8_t>(amount / 4);
        }
        for (int b = 0; b < 3; ++b) {
            out[b] = Blend(amount, c[b], out[b]);
        }
        if (under && under->Has(x)) {
            UnderPixelManager::SetMask(under->Element(x), 0); // the colour now lies over the line
        }
    }
}

void Compositor::DrawLighting(const LayerObject& layer, bool dimmed, const RowSpan& s, int32_t y,
                              int32_t first, uint8_t* dest, UnderPixelManager* under) {
    const ObjectShadow& shadow = *layer.shadow;
    const auto width = static_cast<size_t>(shadow.lighting->Width());
    uint8_t* levels = Scratch(kLevelRow, width).data();
    uint8_t* lights = Scratch(kLightIndexRow, width).data();
    shadow.lighting->ReadRow(s.layerRow, levels);
    shadow.appearanceIndex->ReadRow(s.layerRow, lights);
    const int32_t to = std::min(s.to, s.offsetX + shadow.lighting->Width());
    for (int32_t x = s.from; x < to; ++x) {
        const auto lx = static_cast<size_t>(x - s.offsetX);
        int32_t h = levels[lx];
        const uint8_t l = lights[lx];
        if (h != 128 && h >= 3 && h <= 244 && m_grain) {
            h = m_grain->TestBit(x & (kGrainSize - 1), y & (kGrainSize - 1)) ? h - 1 : h + 10;
        }
        if (dimmed) {
            h = 128 + ((h - 128) >> 2);
        }
        if (h == 128) {
            continue;
        }
        // Light colour and shade colour of the pixel's light: the entry's colour and its reference.
        const ShadowAppearance* light = shadow.appearances.Slot(l);
        const uint32_t tint = h > 128 ? (light ? static_cast<uint32_t>(light->color) : 0x00FFFFFFu)
                                      : (light ? static_cast<uint32_t>(light->reference) : 0u);
        // A level of 0 would give 256: the opacity is capped at full.
        const auto o = static_cast<uint8_t>(std::min(255, h > 128 ? 2 * (h - 128) : 2 * (128 - h)));
        const uint32_t ramp = layer.lightingRamp[static_cast<size_t>(std::clamp(h, 0, 255))];
        int32_t a = static_cast<int32_t>(ramp >> 24);
        switch (l & 7) {
        case 1:
            a = 0;
            break;
        case 2:
            a /= 2;
            break;
        case 3:
            a += a / 2;
            break;
        case 4:
            a *= 2;
            break;
        default:
            break;
        }
        const auto alpha = static_cast<uint8_t>(std::min(a, 255));
        const uint8_t w[3] = {static_cast<uint8_t>(ramp), static_cast<uint8_t>(ramp >> 8),
                              static_cast<uint8_t>(ramp >> 16)};
        auto LightUp = [&](uint8_t* px) {
            for (int b = 0; b < 3; ++b) {
                px[b] = Blend(o, ColorByte(tint, b), px[b]);
                px[b] = Blend(alpha, w[b], px[b]);
            }
        };
        LightUp(dest + (x - first) * 3);
        if (under && under->Has(x)) {
            LightUp(under->Element(x) + UnderPixelManager::kUnder);
        }
    }
}

void Compositor::DrawLines(const LayerObject& layer, const RowSpan& s, int32_t first, uint8_t* dest,
                           UnderPixelManager* under) {
    const ObjectLineArt& lines = *layer.lineArt;
    const SuperBitBuffer& coverage = *lines.lineBuffer;
    const auto width = static_cast<size_t>(coverage.Width());
    uint8_t* masks = Scratch(kMaskRow, width * 2).data();
    uint8_t* colors = Scratch(kLineColorRow, width).data();
    coverage.ReadRow(s.layerRow, masks);
    if (lines.refreshAppearance) {
        lines.refreshAppearance->ReadRow(s.layerRow, colors);
    } else {
        std::memset(colors, 0, width);
    }
    const int32_t to = std::min(s.to, s.offsetX + coverage.Width());
    for (int32_t x = s.from; x < to; ++x) {
        const auto lx = static_cast<size_t>(x - s.offsetX);
        const auto mask = static_cast<uint16_t>(masks[2 * lx] | masks[2 * lx + 1] << 8);
        if (mask == 0) {
            continue;
        }
        const LineColor* color = lines.colorList ? lines.colorList->Slot(colors[lx]) : nullptr;
        const uint32_t value = color ? static_cast<uint32_t>(color->color) : 0u;
        const uint8_t opacity = color ? color->opacity : 255;
        const uint8_t alpha = Mul8(coverage.MaskAlpha(mask), opacity);
        const uint8_t line[3] = {ColorByte(value, 0), ColorByte(value, 1), ColorByte(value, 2)};
        uint8_t* out = dest + (x - first) * 3;
        if (under) {
            under->Set(x, out, line, mask);
        }
        for (int b = 0; b < 3; ++b) {
            out[b] = Blend(alpha, line[b], out[b]);
        }
    }
}

void Compositor::CompositeRow(int32_t y, int32_t first, int32_t count, uint8_t* dest,
                              FastBitonalMask* painted, UnderPixelManager* under, AverageSampler* sampler) {
    if (count <= 0) {
        return;
    }
    DrawBackground(y, first, count, dest);
    if (painted) {
        for (int32_t x = first; x < first + count; ++x) {
            painted->ClearBit(x, y);
        }
    }
    if (under) {
        under->LoadRow(y);
        under->ClearColumns(first, count);
    }
    const int32_t current = m_stack.Current();
    for (int32_t i = ImageStackManager::kFirstDrawingLayer; i < m_stack.Count(); ++i) {
        const LayerObject& layer = *m_stack.Layer(i);
        if (layer.hidden || (switches.showSelectedOnly && i != current)) {
            continue;
        }
        RowSpan span;
        if (!LayerSpan(layer, y, first, count, span)) {
            continue;
        }
        const bool dimmed = layer.dimmed;
        if (layer.image) {
            DrawImage(layer, span, first, dest);
        }
        if (switches.showColor && layer.ShowsSurface() && layer.color && layer.color->amount &&
            layer.color->Height() > span.layerRow) {
            DrawColor(layer, dimmed, span, y, first, dest, painted, under);
        }
        if (switches.showLighting && layer.ShowsLighting() && layer.shadow && layer.shadow->lighting &&
            layer.shadow->appearanceIndex && layer.shadow->lighting->Height() > span.layerRow) {
            DrawLighting(layer, dimmed, span, y, first, dest, under);
        }
        if (switches.showLines && layer.ShowsLines() && layer.lineArt && layer.lineArt->lineBuffer &&
            layer.lineArt->lineBuffer->Height() > span.layerRow) {
            DrawLines(layer, span, first, dest, under);
        }
    }
    if (sampler && y % 4 == 0) {
        for (int32_t x = (first + 3) & ~3; x < first + count; x += 4) {
            const uint8_t* p = dest + (x - first) * 3;
            if (p[0] && p[1] && p[2]) {
                sampler->sum[0] += p[0];
                sampler->sum[1] += p[1];
                sampler->sum[2] += p[2];
                ++sampler->count;
            }
        }
    }
    if (under) {
        under->StoreRow(y);
    }
}

} // namespace ts
