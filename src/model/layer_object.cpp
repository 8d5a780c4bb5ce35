#include "model/layer_object.h"

#include "model/part_buffers.h"

#include <algorithm>
#include <new>

namespace ts {

namespace {

template <class Part> size_t PartFootprint(const std::unique_ptr<Part>& p) {
    return p ? p->MemoryFootprint() : 0;
}

} // namespace

uint32_t HsvToColor(int hue, int saturation, int value) {
    hue = std::clamp(hue, 0, 255);
    const int s = std::clamp(saturation, 0, 255);
    const int v = std::clamp(value, 0, 255);
    int r = v;
    int g = v;
    int b = v;
    if (s > 0) {
        // Six sectors round the circle; f is the position inside the sector, 0..255.
        const int h6 = hue * 6;
        const int sector = h6 >> 8;
        const int f = h6 & 255;
        const int p = v * (255 - s) / 255;
        const int q = v * (255 - s * f / 255) / 255;
        const int t = v * (255 - s * (255 - f) / 255) / 255;
        switch (sector) {
        case 0:
            r = v, g = t, b = p;
            break;
        case 1:
            r = q, g = v, b = p;
            break;
        case 2:
            r = p, g = v, b = t;
            break;
        case 3:
            r = p, g = q, b = v;
            break;
        case 4:
            r = t, g = p, b = v;
            break;
        default:
            r = v, g = p, b = q;
            break;
        }
    }
    return static_cast<uint32_t>(r) | static_cast<uint32_t>(g) << 8 | static_cast<uint32_t>(b) << 16;
}

LayerObject::LayerObject() {
    highlightColor = HsvToColor(22, 120, 120);
    shadeColor = HsvToColor(142, 120, 120);
    RebuildRamp();
}

LayerObject::~LayerObject() = default;

// The lighting ramp maps a lighting level h to a colour and an alpha, packed 0xAARRGGBB. Levels above
// the neutral 128 take the highlight colour, levels below it the shade colour. The alpha grows
// linearly with the distance t = |h - 128| over the transition width w and then holds at the strength's
// ceiling: alpha = min(255, 16 x strength) x min(t, w) / w. The neutral level is transparent.
void LayerObject::RebuildRamp() {
    const int32_t width = std::max(1, transitionWidth);
    const int32_t ceiling = std::clamp(strength * 16, 0, 255);
    for (int32_t h = 0; h < 256; ++h) {
        const int32_t t = h >= 128 ? h - 128 : 128 - h;
        const uint32_t tint = h >= 128 ? highlightColor : shadeColor;
        const auto alpha = static_cast<uint32_t>(ceiling * std::min(t, width) / width);
        const uint32_t r = tint & 0xFF;
        const uint32_t g = (tint >> 8) & 0xFF;
        const uint32_t b = (tint >> 16) & 0xFF;
        lightingRamp[static_cast<size_t>(h)] = alpha << 24 | r << 16 | g << 8 | b;
    }
}

bool LayerObject::CopyFrom(const LayerObject& other, bool copyId) {
    if (!parts::CopyBuffer(auxBuffer, other.auxBuffer) || !parts::CopyBuffer(auxImage, other.auxImage) ||
        !parts::CopyBuffer(image, other.image) || !parts::CopyBuffer(color, other.color) ||
        !parts::CopyBuffer(shadow, other.shadow) || !parts::CopyBuffer(frame, other.frame) ||
        !parts::CopyBuffer(lineArt, other.lineArt)) {
        return false;
    }
    try {
        extraData = other.extraData;
        properties = other.properties;
        name = other.name;
        caption = other.caption;
    } catch (const std::bad_alloc&) {
        return false;
    }
    offsetX = other.offsetX;
    offsetY = other.offsetY;
    bounds = other.bounds;
    transform = other.transform;
    visibleInStack = other.visibleInStack;
    flagWord = other.flagWord;
    lightingRamp = other.lightingRamp;
    highlightColor = other.highlightColor;
    shadeColor = other.shadeColor;
    strength = other.strength;
    transitionWidth = other.transitionWidth;
    scalarInt = other.scalarInt;
    scalarFloat = other.scalarFloat;
    words = other.words;
    if (copyId) {
        id = other.id;
    }
    visibility = other.visibility;
    headerValues = other.headerValues;
    dimmed = other.dimmed;
    hidden = other.hidden;
    marked = other.marked;
    scale = other.scale;
    extraInt = other.extraInt;
    paperTextureIndex = other.paperTextureIndex;
    paperAdjust = other.paperAdjust;
    return true;
}

bool LayerObject::SameAs(const LayerObject& other) const {
    return offsetX == other.offsetX && offsetY == other.offsetY && bounds == other.bounds &&
           transform == other.transform && visibleInStack == other.visibleInStack &&
           flagWord == other.flagWord && words == other.words && extraInt == other.extraInt &&
           name == other.name && caption == other.caption && extraData == other.extraData &&
           highlightColor == other.highlightColor && shadeColor == other.shadeColor &&
           strength == other.strength && transitionWidth == other.transitionWidth &&
           lightingRamp == other.lightingRamp && scalarInt == other.scalarInt &&
           scalarFloat == other.scalarFloat && headerValues == other.headerValues && scale == other.scale &&
           paperTextureIndex == other.paperTextureIndex && paperAdjust == other.paperAdjust &&
           parts::SameBuffer(auxBuffer, other.auxBuffer) && parts::SameBuffer(image, other.image) &&
           parts::SameBuffer(color, other.color) && parts::SameBuffer(shadow, other.shadow) &&
           parts::SameBuffer(frame, other.frame) && parts::SameBuffer(lineArt, other.lineArt);
}

size_t LayerObject::MemoryFootprint() const {
    return parts::Footprint(auxBuffer) + PartFootprint(auxImage) + PartFootprint(image) +
           PartFootprint(color) + PartFootprint(shadow) + PartFootprint(frame) + PartFootprint(lineArt) +
           extraData.size();
}

bool LayerObject::HasContent() const {
    return (color && color->HasPaint()) || (shadow && shadow->HasLighting()) ||
           (lineArt && lineArt->HasLines()) || (frame && parts::AnyNonZero(frame->drawingBuffer.get())) ||
           image != nullptr;
}

int32_t LayerObject::PartWidth() const {
    if (color && color->amount) {
        return color->Width();
    }
    if (image) {
        return image->Width();
    }
    if (frame && frame->drawingBuffer) {
        return frame->drawingBuffer->Width();
    }
    return 0;
}

int32_t LayerObject::PartHeight() const {
    if (color && color->amount) {
        return color->Height();
    }
    if (image) {
        return image->Height();
    }
    if (frame && frame->drawingBuffer) {
        return frame->drawingBuffer->Height();
    }
    return 0;
}

} // namespace ts
