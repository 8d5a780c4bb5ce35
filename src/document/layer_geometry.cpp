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

template <class Buffer>
bool ReframeInto(std::unique_ptr<Buffer>& slot, int32_t dx, int32_t dy, int32_t width, int32_t height,
                 uint8_t fill, std::unique_ptr<Buffer>& result) {
    if (!slot) {
        return true;
    }
    result = Reframe(*slot, dx, dy, width, height, fill);
    return result != nullptr;
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

bool ResizeLayer(LayerObject& layer, const Rect& area) {
    if (area.IsEmpty()) {
        return false;
    }
    const int32_t dx = area.left - layer.offsetX;
    const int32_t dy = area.top - layer.offsetY;
    const int32_t w = area.Width();
    const int32_t h = area.Height();

    // Every new part is made first; the layer changes only when all of them could be made.
    std::unique_ptr<RLBuffer> color[ObjectColor::kChannels];
    std::unique_ptr<RLBuffer> shadowIndex, lighting, aux, lineIndex, colorIndex, refresh, widths;
    std::unique_ptr<SuperBitBuffer> coverage, drawing;
    std::unique_ptr<BMap> image;
    bool ok = true;
    if (layer.color) {
        const uint8_t fills[ObjectColor::kChannels] = {0, kWhite, kWhite, kWhite, 0};
        for (int i = 0; i < ObjectColor::kChannels && ok; ++i) {
            if (const RLBuffer* c = layer.color->Channel(i)) {
                color[i] = Reframe(*c, dx, dy, w, h, fills[i]);
                ok = color[i] != nullptr;
            }
        }
    }
    if (layer.shadow) {
        ok = ok && ReframeInto(layer.shadow->appearanceIndex, dx, dy, w, h, 0, shadowIndex) &&
             ReframeInto(layer.shadow->lighting, dx, dy, w, h, ObjectShadow::kNeutral, lighting);
    }
    if (layer.lineArt) {
        ObjectLineArt& l = *layer.lineArt;
        ok = ok && ReframeInto(l.lineBuffer, dx, dy, w, h, 0, coverage) &&
             ReframeInto(l.lineAppearanceIndex, dx, dy, w, h, 0, lineIndex) &&
             ReframeInto(l.colorAppearanceIndex, dx, dy, w, h, 0, colorIndex) &&
             ReframeInto(l.refreshAppearance, dx, dy, w, h, 0, refresh) &&
             ReframeInto(l.refreshWidth, dx, dy, w, h, 0, widths);
    }
    if (layer.frame) {
        ok = ok && ReframeInto(layer.frame->drawingBuffer, dx, dy, w, h, 0, drawing);
    }
    ok = ok && ReframeInto(layer.auxBuffer, dx, dy, w, h, 0, aux);
    if (layer.image) {
        ok = ok && ReframeImage(*layer.image, dx, dy, w, h, image);
    }
    if (!ok) {
        return false;
    }

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
        for (Wireframe::Corner& c : layer.frame->corners) {
            c.x -= dx;
            c.y -= dy;
        }
        layer.frame->points.Clear();
    }
    if (layer.auxBuffer) {
        layer.auxBuffer = std::move(aux);
    }
    if (layer.image) {
        layer.image = std::move(image);
    }
    layer.offsetX = area.left;
    layer.offsetY = area.top;
    layer.bounds = area;
    return true;
}

} // namespace ts::geometry
