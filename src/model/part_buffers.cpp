#include "model/part_buffers.h"

namespace ts::parts {

bool AnyPixelBut(const RLBuffer* buffer, uint8_t value) {
    return buffer && buffer->BytesPerPixel() == 1 && !buffer->BoundingBox(value).IsEmpty();
}

bool AnyNonZero(const RLBuffer* buffer) {
    return buffer && !buffer->BoundingBox(0).IsEmpty();
}

} // namespace ts::parts
