// Flipping and turning whole layers.
#include "document/layer_geometry.h"

#include "model/part_buffers.h"
#include "raster/super_bit_buffer.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <vector>

namespace ts::geometry {

namespace {

// Source rows are decoded once per band of target rows; a band holds at most this many bytes.
constexpr size_t kBandBytes = size_t{16} << 20;

// Where the pixel (x, y) of a w x h picture goes when turned counter-clockwise.
void TurnPoint(int32_t degrees, int32_t w, int32_t h, int32_t x, int32_t y, int32_t& tx, int32_t& ty) {
    if (degrees == 90) {
        tx = y;
        ty = w - 1 - x;
    } else if (degrees == 270) {
        tx = h - 1 - y;
        ty = x;
    } else {
        tx = w - 1 - x;
        ty = h - 1 - y;
    }
}

} // namespace

uint16_t TurnMask(uint16_t mask, int32_t degrees) {
    if (mask == 0 || (degrees != 90 && degrees != 180 && degrees != 270)) {
        return mask;
    }
    uint16_t turned = 0;
    for (int sy = 0; sy < 4; ++sy) {
        for (int sx = 0; sx < 4; ++sx) {
            if (mask & (1u << SuperBitBuffer::SubPixelBit(sx, sy))) {
                int32_t tx = 0;
                int32_t ty = 0;
                TurnPoint(degrees, 4, 4, sx, sy, tx, ty);
                turned = static_cast<uint16_t>(turned | 1u << SuperBitBuffer::SubPixelBit(tx, ty));
            }
        }
    }
    return turned;
}

template <class Buffer> std::unique_ptr<Buffer> TurnBuffer(const Buffer& buffer, int32_t degrees) {
    if (degrees != 90 && degrees != 180 && degrees != 270) {
        return nullptr;
    }
    const int32_t w = buffer.Width();
    const int32_t h = buffer.Height();
    const int32_t tw = degrees == 180 ? w : h;
    const int32_t th = degrees == 180 ? h : w;
    const auto bpp = static_cast<size_t>(buffer.BytesPerPixel());
    auto out = parts::NewBuffer<Buffer>(tw, th, buffer.BytesPerPixel(), 0);
    if (!out) {
        return nullptr;
    }
    const size_t targetRow = static_cast<size_t>(tw) * bpp;
    const auto band =
        static_cast<int32_t>(std::clamp<size_t>(kBandBytes / std::max<size_t>(targetRow, 1), 1, th));
    std::vector<uint8_t> source(buffer.RawRowLength());
    std::vector<uint8_t> block;
    try {
        block.resize(static_cast<size_t>(band) * targetRow);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
    for (int32_t first = 0; first < th; first += band) {
        const int32_t count = std::min(band, th - first);
        for (int32_t y = 0; y < h; ++y) {
            buffer.ReadRow(y, source.data());
            for (int32_t x = 0; x < w; ++x) {
                int32_t tx = 0;
                int32_t ty = 0;
                TurnPoint(degrees, w, h, x, y, tx, ty);
                if (ty < first || ty >= first + count) {
                    continue;
                }
                uint8_t* dst = block.data() + static_cast<size_t>(ty - first) * targetRow +
                               static_cast<size_t>(tx) * bpp;
                const uint8_t* src = source.data() + static_cast<size_t>(x) * bpp;
                if (bpp == 2) {
                    const uint16_t mask = TurnMask(static_cast<uint16_t>(src[0] | src[1] << 8), degrees);
                    dst[0] = static_cast<uint8_t>(mask);
                    dst[1] = static_cast<uint8_t>(mask >> 8);
                } else {
                    std::memcpy(dst, src, bpp);
                }
            }
        }
        for (int32_t t = 0; t < count; ++t) {
            if (!out->PutRow(first + t, block.data() + static_cast<size_t>(t) * targetRow)) {
                return nullptr;
            }
        }
    }
    return out;
}

template std::unique_ptr<RLBuffer> TurnBuffer(const RLBuffer&, int32_t);
template std::unique_ptr<SuperBitBuffer> TurnBuffer(const SuperBitBuffer&, int32_t);

void FlipLayer(LayerObject& layer, bool horizontal, ProgressMeter* progress) {
    auto flip = [&](auto& part) {
        if (part) {
            horizontal ? part->FlipHorizontal(progress) : part->FlipVertical(progress);
        }
    };
    flip(layer.color);
    flip(layer.shadow);
    flip(layer.lineArt);
    flip(layer.frame);
    flip(layer.image);
    flip(layer.auxBuffer);
}

bool MakeTurn(const LayerObject& layer, int32_t degrees, TransformedParts& parts) {
    if (degrees != 90 && degrees != 180 && degrees != 270) {
        return false;
    }
    PartTransform turn;
    turn.buffer = [&](const RLBuffer& b, uint8_t) { return TurnBuffer(b, degrees); };
    turn.mask = [&](const SuperBitBuffer& b) { return TurnBuffer(b, degrees); };
    turn.image = [&](const BMap& b) -> std::unique_ptr<BMap> {
        auto out = std::make_unique<BMap>();
        return out->CopyFrom(b) && out->RotateQuarter(degrees) ? std::move(out) : nullptr;
    };
    return MakeParts(layer, turn, parts);
}

bool TurnLayer(LayerObject& layer, int32_t degrees, int32_t drawingWidth, int32_t drawingHeight) {
    TransformedParts parts;
    if (!MakeTurn(layer, degrees, parts)) {
        return false;
    }
    InstallTurn(layer, parts, degrees, drawingWidth, drawingHeight);
    return true;
}

void InstallTurn(LayerObject& layer, TransformedParts& parts, int32_t degrees, int32_t drawingWidth,
                 int32_t drawingHeight) {
    // The size before the turn: the corners and the position turn within it.
    const int32_t w = layer.PartWidth() > 0 ? layer.PartWidth() : drawingWidth;
    const int32_t h = layer.PartHeight() > 0 ? layer.PartHeight() : drawingHeight;
    InstallParts(layer, parts);
    if (layer.frame) {
        for (Wireframe::Corner& c : layer.frame->corners) {
            int32_t tx = 0;
            int32_t ty = 0;
            TurnPoint(degrees, w, h, c.x, c.y, tx, ty);
            c = Wireframe::Corner{tx, ty};
        }
    }
    // The layer's rectangle turns with the page: its new top-left corner is where the turned page puts
    // the corner of the rectangle that comes out on top-left.
    const int32_t ox = layer.offsetX;
    const int32_t oy = layer.offsetY;
    if (degrees == 90) {
        layer.offsetX = oy;
        layer.offsetY = drawingWidth - ox - w;
    } else if (degrees == 270) {
        layer.offsetX = drawingHeight - oy - h;
        layer.offsetY = ox;
    } else {
        layer.offsetX = drawingWidth - ox - w;
        layer.offsetY = drawingHeight - oy - h;
    }
    const Rect b = layer.bounds;
    if (degrees == 90) {
        layer.bounds = Rect{b.top, drawingWidth - b.right, b.bottom, drawingWidth - b.left};
    } else if (degrees == 270) {
        layer.bounds = Rect{drawingHeight - b.bottom, b.left, drawingHeight - b.top, b.right};
    } else {
        layer.bounds = Rect{drawingWidth - b.right, drawingHeight - b.bottom, drawingWidth - b.left,
                            drawingHeight - b.top};
    }
}

} // namespace ts::geometry
