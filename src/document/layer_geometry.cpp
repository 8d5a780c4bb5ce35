#include "document/layer_geometry.h"

#include "model/part_buffers.h"
#include "raster/super_bit_buffer.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <vector>

namespace ts::geometry {

namespace {

constexpr uint8_t kWhite = 255;

// A copy of the buffer laid over a new frame: the new pixel (x, y) is the old pixel (x + dx, y + dy)
// where that exists, the fill byte elsewhere.
template <class Buffer>
std::unique_ptr<Buffer> Reframe(const Buffer& old, int32_t dx, int32_t dy, int32_t width, int32_t height,
                                uint8_t fill) {
    auto out = parts::NewBuffer<Buffer>(width, height, old.BytesPerPixel(), fill);
    if (!out) {
        return nullptr;
    }
    const auto bpp = static_cast<size_t>(old.BytesPerPixel());
    std::vector<uint8_t> row(old.RawRowLength());
    const int32_t x0 = std::max(0, -dx);
    const int32_t x1 = std::min(width, old.Width() - dx);
    for (int32_t y = 0; y < height && x0 < x1; ++y) {
        const int32_t sy = y + dy;
        if (sy < 0 || sy >= old.Height()) {
            continue;
        }
        old.ReadRow(sy, row.data());
        std::memset(out->WorkingRow(), fill, out->RawRowLength());
        std::memcpy(out->WorkingRow() + static_cast<size_t>(x0) * bpp,
                    row.data() + static_cast<size_t>(x0 + dx) * bpp, static_cast<size_t>(x1 - x0) * bpp);
        if (!out->PutRow(y)) {
            return nullptr;
        }
    }
    return out;
}

bool ReframeImage(const BMap& old, int32_t dx, int32_t dy, int32_t width, int32_t height,
                  std::unique_ptr<BMap>& out) {
    try {
        out = std::make_unique<BMap>();
    } catch (const std::bad_alloc&) {
        return false;
    }
    if (!out->pixels.Create(width, height)) {
        return false;
    }
    std::fill(out->pixels.Pixels().begin(), out->pixels.Pixels().end(), kWhite);
    const int32_t x0 = std::max(0, -dx);
    const int32_t x1 = std::min(width, old.Width() - dx);
    for (int32_t y = 0; y < height && x0 < x1; ++y) {
        const int32_t sy = y + dy;
        if (sy >= 0 && sy < old.Height()) {
            std::memcpy(out->pixels.Pixel(x0, y), old.pixels.Pixel(x0 + dx, sy),
                        static_cast<size_t>(x1 - x0) * 3);
        }
    }
    return true;
}

} // namespace

bool MakeParts(const LayerObject& layer, const PartTransform& transform, TransformedParts& parts) {
    auto& [color, shadowIndex, lighting, aux, lineIndex, colorIndex, refresh, widths, coverage, drawing,
           image] = parts;
    auto make = [&](const auto& slot, auto& out, auto&&... fill) {
        if (!slot) {
            return true;
        }
        if constexpr (sizeof...(fill) == 0) {
            out = transform.mask(*slot);
        } else {
            out = transform.buffer(*slot, fill...);
        }
        return out != nullptr;
    };
    bool ok = true;
    if (layer.color) {
        const uint8_t fills[ObjectColor::kChannels] = {0, kWhite, kWhite, kWhite, 0};
        for (int i = 0; i < ObjectColor::kChannels && ok; ++i) {
            if (const RLBuffer* c = layer.color->Channel(i)) {
                color[i] = transform.buffer(*c, fills[i]);
                ok = color[i] != nullptr;
            }
        }
    }
    if (layer.shadow) {
        ok = ok && make(layer.shadow->appearanceIndex, shadowIndex, uint8_t{0}) &&
             make(layer.shadow->lighting, lighting, ObjectShadow::kNeutral);
    }
    if (layer.lineArt) {
        const ObjectLineArt& l = *layer.lineArt;
        ok = ok && make(l.lineBuffer, coverage) && make(l.lineAppearanceIndex, lineIndex, uint8_t{0}) &&
             make(l.colorAppearanceIndex, colorIndex, uint8_t{0}) &&
             make(l.refreshAppearance, refresh, uint8_t{0}) && make(l.refreshWidth, widths, uint8_t{0});
    }
    if (layer.frame) {
        ok = ok && make(layer.frame->drawingBuffer, drawing);
    }
    ok = ok && make(layer.auxBuffer, aux, uint8_t{0});
    if (ok && layer.image) {
        image = transform.image(*layer.image);
        ok = image != nullptr;
    }
    return ok;
}

void InstallParts(LayerObject& layer, TransformedParts& parts) {
    auto& [color, shadowIndex, lighting, aux, lineIndex, colorIndex, refresh, widths, coverage, drawing,
           image] = parts;
    if (layer.color) {
        std::unique_ptr<RLBuffer>* slots[ObjectColor::kChannels] = {&layer.color->appearance,
                                                                    &layer.color->blue, &layer.color->green,
                                                                    &layer.color->red, &layer.color->amount};
        for (int i = 0; i < ObjectColor::kChannels; ++i) {
            if (color[i]) {
                *slots[i] = std::move(color[i]);
            }
        }
    }
    if (layer.shadow) {
        layer.shadow->appearanceIndex = std::move(shadowIndex);
        layer.shadow->lighting = std::move(lighting);
    }
    if (layer.lineArt) {
        layer.lineArt->lineBuffer = std::move(coverage);
        layer.lineArt->lineAppearanceIndex = std::move(lineIndex);
        layer.lineArt->colorAppearanceIndex = std::move(colorIndex);
        layer.lineArt->refreshAppearance = std::move(refresh);
        layer.lineArt->refreshWidth = std::move(widths);
    }
    if (layer.frame) {
        layer.frame->drawingBuffer = std::move(drawing);
        layer.frame->points.Clear();
    }
    if (layer.auxBuffer) {
        layer.auxBuffer = std::move(aux);
    }
    if (layer.image) {
        layer.image = std::move(image);
    }
}

bool TransformParts(LayerObject& layer, const PartTransform& transform) {
    TransformedParts parts;
    if (!MakeParts(layer, transform, parts)) {
        return false;
    }
    InstallParts(layer, parts);
    return true;
}

bool ResizeLayer(LayerObject& layer, const Rect& area) {
    if (area.IsEmpty()) {
        return false;
    }
    const int32_t dx = area.left - layer.offsetX;
    const int32_t dy = area.top - layer.offsetY;
    const int32_t w = area.Width();
    const int32_t h = area.Height();
    PartTransform reframe;
    reframe.buffer = [&](const RLBuffer& b, uint8_t fill) { return Reframe(b, dx, dy, w, h, fill); };
    reframe.mask = [&](const SuperBitBuffer& b) { return Reframe(b, dx, dy, w, h, 0); };
    reframe.image = [&](const BMap& b) {
        std::unique_ptr<BMap> out;
        return ReframeImage(b, dx, dy, w, h, out) ? std::move(out) : nullptr;
    };
    if (!TransformParts(layer, reframe)) {
        return false;
    }
    if (layer.frame) {
        for (Wireframe::Corner& c : layer.frame->corners) {
            c.x -= dx;
            c.y -= dy;
        }
    }
    layer.offsetX = area.left;
    layer.offsetY = area.top;
    layer.bounds = area;
    return true;
}

} // namespace ts::geometry
