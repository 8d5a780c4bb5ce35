#pragma once

// Compositing of one drawing row written as the plain per-pixel loop the arithmetic is defined by:
// every layer row decoded whole, every pixel through the product and clamp tables. The tests hold the
// compositor's fast paths to it byte for byte.

#include "raster/pixel_tables.h"
#include "render/compositor.h"
#include "render/paper.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace ts::testing {

class ReferenceCompositor {
public:
    ReferenceCompositor(ImageStackManager& stack, Compositor& settings) : m_stack(stack), m_c(settings) {}

    void CompositeRow(int32_t y, int32_t first, int32_t count, uint8_t* dest, FastBitonalMask* painted,
                      UnderPixelManager* under, AverageSampler* sampler) {
        if (count <= 0) {
            return;
        }
        Background(y, first, count, dest);
        for (int32_t x = first; painted && x < first + count; ++x) {
            painted->ClearBit(x, y);
        }
        if (under) {
            under->LoadRow(y);
            under->ClearColumns(first, count);
        }
        for (int32_t i = ImageStackManager::kFirstDrawingLayer; i < m_stack.Count(); ++i) {
            const LayerObject& layer = *m_stack.Layer(i);
            if (layer.hidden || (m_c.switches.showSelectedOnly && i != m_stack.Current())) {
                continue;
            }
            const int32_t row = y - layer.offsetY;
            const int32_t from = std::max(first, layer.offsetX);
            const int32_t to = std::min(first + count, layer.offsetX + m_stack.LayerWidth(layer));
            if (row < 0 || row >= m_stack.LayerHeight(layer) || from >= to) {
                continue;
            }
            if (layer.image && row < layer.image->pixels.Height()) {
                for (int32_t x = from; x < std::min(to, layer.offsetX + layer.image->pixels.Width()); ++x) {
                    std::memcpy(dest + (x - first) * 3, layer.image->pixels.Pixel(x - layer.offsetX, row), 3);
                }
            }
            if (m_c.switches.showColor && layer.ShowsSurface() && layer.color && layer.color->amount &&
                layer.color->Height() > row) {
                Color(layer, row, y, from, to, first, dest, painted, under);
            }
            if (m_c.switches.showLighting && layer.ShowsLighting() && layer.shadow &&
                layer.shadow->lighting && layer.shadow->appearanceIndex &&
                layer.shadow->lighting->Height() > row) {
                Lighting(layer, row, y, from, to, first, dest, under);
            }
            if (m_c.switches.showLines && layer.ShowsLines() && layer.lineArt && layer.lineArt->lineBuffer &&
                layer.lineArt->lineBuffer->Height() > row) {
                Lines(layer, row, from, to, first, dest, under);
            }
        }
        for (int32_t x = (first + 3) & ~3; sampler && y % 4 == 0 && x < first + count; x += 4) {
            const uint8_t* p = dest + (x - first) * 3;
            if (p[0] && p[1] && p[2]) {
                for (int b = 0; b < 3; ++b) {
                    sampler->sum[b] += p[b];
                }
                ++sampler->count;
            }
        }
        if (under) {
            under->StoreRow(y);
        }
    }

private:
    static uint8_t Byte(uint32_t color, int b) { return static_cast<uint8_t>(color >> (16 - 8 * b)); }
    static uint8_t Over(uint8_t alpha, uint8_t top, uint8_t under) {
        return static_cast<uint8_t>(
            std::min(255, Mul8(alpha, top) + Mul8(static_cast<uint8_t>(255 - alpha), under)));
    }
    static std::vector<uint8_t> Decoded(const RLBuffer& buffer, int32_t row, size_t bytes) {
        std::vector<uint8_t> out(std::max(bytes, buffer.RawRowLength()));
        buffer.ReadRow(row, out.data());
        return out;
    }
    const uint8_t* Paper(int32_t x, int32_t y) const {
        const Image24* p = m_c.PaperPicture();
        return p ? p->Pixel(x % p->Width(), y % p->Height()) : nullptr;
    }

    void Background(int32_t y, int32_t first, int32_t count, uint8_t* dest) const {
        const uint32_t average = m_c.PaperAverage();
        for (int32_t i = 0; i < count; ++i) {
            const uint8_t* p = Paper(first + i, y);
            for (int b = 0; b < 3; ++b) {
                dest[i * 3 + b] = m_c.paper.textureOneToOne || !p ? Byte(average, b) : p[b];
            }
        }
    }

    void Color(const LayerObject& layer, int32_t row, int32_t y, int32_t from, int32_t to, int32_t first,
               uint8_t* dest, FastBitonalMask* painted, UnderPixelManager* under) const {
        const ObjectColor& color = *layer.color;
        std::vector<uint8_t> channel[ObjectColor::kChannels];
        for (int i = 0; i < ObjectColor::kChannels; ++i) {
            channel[i] = Decoded(*color.Channel(i), row, static_cast<size_t>(color.Width()));
        }
        const uint32_t average = m_c.PaperAverage();
        const uint8_t kNoTexture[3] = {255, 255, 255};
        const uint8_t flat[3] = {Byte(average, 0), Byte(average, 1), Byte(average, 2)};
        for (int32_t x = from; x < std::min(to, layer.offsetX + color.Width()); ++x) {
            const auto lx = static_cast<size_t>(x - layer.offsetX);
            uint8_t amount = channel[4][lx];
            if (amount == 0) {
                continue;
            }
            const CColorAppearance* appearance = color.appearances.Slot(channel[0][lx]);
            const int32_t type = appearance ? appearance->reference : 0;
            const uint8_t share = appearance ? appearance->p1 : 255;
            const uint8_t* texture = m_c.paper.textureOneToOne ? nullptr : Paper(x, y);
            const uint8_t* p = texture ? texture : (m_c.paper.textureOneToOne ? flat : kNoTexture);
            if (type == 0 && painted) {
                painted->SetBit(x, y);
            }
            uint8_t c[3];
            for (int b = 0; b < 3; ++b) {
                int32_t d = texture ? p[b] - Byte(average, b) : 0;
                if (type == 0) {
                    d = ReduceDeviation(d, m_c.paper.paintedAmount);
                }
                const uint8_t pencil = ClampAdd(channel[1 + b][lx], d);
                if (type == 0 || type > 11) {
                    c[b] = pencil;
                } else if (type == 1) {
                    c[b] = m_c.switches.showOpacity ? 0 : p[b];
                } else if (type >= 3 && type <= 8) {
                    c[b] = Over(share, pencil, p[b]);
                } else {
                    c[b] = p[b];
                }
            }
            amount = layer.dimmed ? static_cast<uint8_t>(amount / 4) : amount;
            for (int b = 0; b < 3; ++b) {
                dest[(x - first) * 3 + b] = Over(amount, c[b], dest[(x - first) * 3 + b]);
            }
            if (under && under->Has(x)) {
                UnderPixelManager::SetMask(under->Element(x), 0);
            }
        }
    }

    void Lighting(const LayerObject& layer, int32_t row, int32_t y, int32_t from, int32_t to, int32_t first,
                  uint8_t* dest, UnderPixelManager* under) const {
        const ObjectShadow& shadow = *layer.shadow;
        const auto width = static_cast<size_t>(shadow.lighting->Width());
        const std::vector<uint8_t> levels = Decoded(*shadow.lighting, row, width);
        const std::vector<uint8_t> lights = Decoded(*shadow.appearanceIndex, row, width);
        const FastBitonalMask* grain = m_c.GrainMask();
        for (int32_t x = from; x < std::min(to, layer.offsetX + shadow.lighting->Width()); ++x) {
            const auto lx = static_cast<size_t>(x - layer.offsetX);
            int32_t h = levels[lx];
            const uint8_t l = lights[lx];
            if (h != 128 && h >= 3 && h <= 244 && grain) {
                h = grain->TestBit(x & 4095, y & 4095) ? h - 1 : h + 10;
            }
            h = layer.dimmed ? 128 + ((h - 128) >> 2) : h;
            if (h == 128) {
                continue;
            }
            const ShadowAppearance* light = shadow.appearances.Slot(l);
            const uint32_t tint = h > 128 ? (light ? static_cast<uint32_t>(light->color) : 0x00FFFFFFu)
                                          : (light ? static_cast<uint32_t>(light->reference) : 0u);
            const auto o = static_cast<uint8_t>(std::min(255, h > 128 ? 2 * (h - 128) : 2 * (128 - h)));
            const uint32_t ramp = layer.lightingRamp[static_cast<size_t>(std::clamp(h, 0, 255))];
            int32_t a = static_cast<int32_t>(ramp >> 24);
            const int32_t code = l & 7;
            a = code == 1 ? 0 : code == 2 ? a / 2 : code == 3 ? a + a / 2 : code == 4 ? a * 2 : a;
            const auto alpha = static_cast<uint8_t>(std::min(a, 255));
            const uint8_t w[3] = {static_cast<uint8_t>(ramp), static_cast<uint8_t>(ramp >> 8),
                                  static_cast<uint8_t>(ramp >> 16)};
            auto lightUp = [&](uint8_t* px) {
                for (int b = 0; b < 3; ++b) {
                    px[b] = Over(alpha, w[b], Over(o, Byte(tint, b), px[b]));
                }
            };
            lightUp(dest + (x - first) * 3);
            if (under && under->Has(x)) {
                lightUp(under->Element(x) + UnderPixelManager::kUnder);
            }
        }
    }

    void Lines(const LayerObject& layer, int32_t row, int32_t from, int32_t to, int32_t first, uint8_t* dest,
               UnderPixelManager* under) const {
        const ObjectLineArt& lines = *layer.lineArt;
        const SuperBitBuffer& coverage = *lines.lineBuffer;
        const auto width = static_cast<size_t>(coverage.Width());
        const std::vector<uint8_t> masks = Decoded(coverage, row, 2 * width);
        std::vector<uint8_t> colors(width);
        if (lines.refreshAppearance) {
            colors = Decoded(*lines.refreshAppearance, row, width);
        }
        for (int32_t x = from; x < std::min(to, layer.offsetX + coverage.Width()); ++x) {
            const auto lx = static_cast<size_t>(x - layer.offsetX);
            const auto mask = static_cast<uint16_t>(masks[2 * lx] | masks[2 * lx + 1] << 8);
            if (mask == 0) {
                continue;
            }
            const LineColor* color = lines.colorList ? lines.colorList->Slot(colors[lx]) : nullptr;
            const uint32_t value = color ? static_cast<uint32_t>(color->color) : 0u;
            const uint8_t alpha = Mul8(coverage.MaskAlpha(mask), color ? color->opacity : 255);
            const uint8_t line[3] = {Byte(value, 0), Byte(value, 1), Byte(value, 2)};
            uint8_t* out = dest + (x - first) * 3;
            if (under) {
                under->Set(x, out, line, mask);
            }
            for (int b = 0; b < 3; ++b) {
                out[b] = Over(alpha, line[b], out[b]);
            }
        }
    }

    ImageStackManager& m_stack;
    Compositor& m_c;
};

} // namespace ts::testing
