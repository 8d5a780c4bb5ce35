#include "model/object_color.h"

#include "model/part_buffers.h"

namespace ts {

using parts::CopyBuffer;
using parts::Footprint;
using parts::SameBuffer;

namespace {

std::unique_ptr<RLBuffer> NewChannel(int32_t width, int32_t height, uint8_t fill) {
    return parts::NewBuffer(width, height, 1, fill);
}

} // namespace

ObjectColor::ObjectColor() {
    appearances.InitDefaults();
}

bool ObjectColor::Create(int32_t width, int32_t height, uint32_t color, uint8_t newOpacity) {
    auto a = NewChannel(width, height, 0);
    auto b = NewChannel(width, height, static_cast<uint8_t>(color >> 16));
    auto g = NewChannel(width, height, static_cast<uint8_t>(color >> 8));
    auto r = NewChannel(width, height, static_cast<uint8_t>(color));
    auto s = NewChannel(width, height, 0);
    if (!a || !b || !g || !r || !s) {
        return false;
    }
    appearance = std::move(a);
    blue = std::move(b);
    green = std::move(g);
    red = std::move(r);
    amount = std::move(s);
    opacity = newOpacity;
    return true;
}

RLBuffer* ObjectColor::Channel(int i) {
    std::unique_ptr<RLBuffer>* channels[kChannels] = {&appearance, &blue, &green, &red, &amount};
    return i >= 0 && i < kChannels ? channels[i]->get() : nullptr;
}

const RLBuffer* ObjectColor::Channel(int i) const {
    return const_cast<ObjectColor*>(this)->Channel(i);
}

bool ObjectColor::CopyFrom(const ObjectColor& other) {
    if (!appearances.Copy(other.appearances)) {
        return false;
    }
    std::unique_ptr<RLBuffer>* mine[kChannels] = {&appearance, &blue, &green, &red, &amount};
    const std::unique_ptr<RLBuffer>* theirs[kChannels] = {&other.appearance, &other.blue, &other.green,
                                                          &other.red, &other.amount};
    for (int i = 0; i < kChannels; ++i) {
        if (!CopyBuffer(*mine[i], *theirs[i])) {
            return false;
        }
    }
    opacity = other.opacity;
    return true;
}

bool ObjectColor::SameContents(const ObjectColor& other) const {
    for (int i = 0; i < kChannels; ++i) {
        const RLBuffer* a = Channel(i);
        const RLBuffer* b = other.Channel(i);
        if ((a == nullptr) != (b == nullptr) || (a && !a->SameContents(*b))) {
            return false;
        }
    }
    return opacity == other.opacity && appearances.Equals(other.appearances);
}

bool ObjectColor::HasPaint() const {
    return parts::AnyPixelBut(amount.get(), 0);
}

size_t ObjectColor::MemoryFootprint() const {
    return Footprint(appearance) + Footprint(blue) + Footprint(green) + Footprint(red) + Footprint(amount);
}

void ObjectColor::FlipHorizontal(ProgressMeter* progress) {
    for (int i = 0; i < kChannels; ++i) {
        if (RLBuffer* b = Channel(i)) {
            b->FlipHorizontal(progress);
        }
    }
}

void ObjectColor::FlipVertical(ProgressMeter* progress) {
    for (int i = 0; i < kChannels; ++i) {
        if (RLBuffer* b = Channel(i)) {
            b->FlipVertical(progress);
        }
    }
}

ObjectShadow::ObjectShadow() = default;

bool ObjectShadow::Create(int32_t width, int32_t height) {
    auto index = NewChannel(width, height, 0);
    auto level = NewChannel(width, height, kNeutral);
    if (!index || !level) {
        return false;
    }
    appearanceIndex = std::move(index);
    lighting = std::move(level);
    return true;
}

bool ObjectShadow::CopyFrom(const ObjectShadow& other) {
    if (!appearances.Copy(other.appearances) || !CopyBuffer(appearanceIndex, other.appearanceIndex) ||
        !CopyBuffer(lighting, other.lighting)) {
        return false;
    }
    value = other.value;
    return true;
}

bool ObjectShadow::SameContents(const ObjectShadow& other) const {
    return value == other.value && appearances.Equals(other.appearances) &&
           SameBuffer(appearanceIndex, other.appearanceIndex) && SameBuffer(lighting, other.lighting);
}

bool ObjectShadow::HasLighting() const {
    return parts::AnyPixelBut(lighting.get(), kNeutral);
}

size_t ObjectShadow::MemoryFootprint() const {
    return Footprint(appearanceIndex) + Footprint(lighting);
}

void ObjectShadow::FlipHorizontal(ProgressMeter* progress) {
    for (auto* b : {appearanceIndex.get(), lighting.get()}) {
        if (b) {
            b->FlipHorizontal(progress);
        }
    }
}

void ObjectShadow::FlipVertical(ProgressMeter* progress) {
    for (auto* b : {appearanceIndex.get(), lighting.get()}) {
        if (b) {
            b->FlipVertical(progress);
        }
    }
}

} // namespace ts
