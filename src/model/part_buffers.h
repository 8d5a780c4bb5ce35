#pragma once

// Helpers shared by the layer parts for their owned, optional run-length buffers.

#include "raster/rl_buffer.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <new>

namespace ts::parts {

template <class Buffer = RLBuffer>
std::unique_ptr<Buffer> NewBuffer(int32_t width, int32_t height, int32_t bytesPerPixel, uint8_t fill,
                                  float poolFactor = 4.0f) {
    std::unique_ptr<Buffer> buffer;
    try {
        buffer = std::make_unique<Buffer>();
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
    if (!buffer->Create(width, height, bytesPerPixel, fill, poolFactor)) {
        return nullptr;
    }
    return buffer;
}

// Deep copy of an optional buffer or layer part (absent stays absent); false when memory runs out.
template <class Buffer> bool CopyBuffer(std::unique_ptr<Buffer>& into, const std::unique_ptr<Buffer>& from) {
    if (!from) {
        into.reset();
        return true;
    }
    std::unique_ptr<Buffer> copy;
    try {
        copy = std::make_unique<Buffer>();
    } catch (const std::bad_alloc&) {
        return false;
    }
    if (!copy->CopyFrom(*from)) {
        return false;
    }
    into = std::move(copy);
    return true;
}

template <class Buffer> bool SameBuffer(const std::unique_ptr<Buffer>& a, const std::unique_ptr<Buffer>& b) {
    if (!a || !b) {
        return !a && !b;
    }
    return a->SameContents(*b);
}

template <class Buffer> size_t Footprint(const std::unique_ptr<Buffer>& b) {
    return b ? b->Capacity() : 0;
}

// True when some pixel of a one-byte-per-pixel buffer differs from the value.
bool AnyPixelBut(const RLBuffer* buffer, uint8_t value);
// True when some byte of any pixel differs from zero (any bytes per pixel).
bool AnyNonZero(const RLBuffer* buffer);

template <class Buffer> void FlipHorizontal(const std::unique_ptr<Buffer>& b, ProgressMeter* progress) {
    if (b) {
        b->FlipHorizontal(progress);
    }
}

template <class Buffer> void FlipVertical(const std::unique_ptr<Buffer>& b, ProgressMeter* progress) {
    if (b) {
        b->FlipVertical(progress);
    }
}

} // namespace ts::parts
