#include "model/wireframe.h"

#include "model/part_buffers.h"

namespace ts {

// The segments of an unfinished line are working state of the line tools: copies of the frame (undo
// snapshots, clones) carry the drawing buffer and the corners, not the segments.
bool Wireframe::CopyFrom(const Wireframe& other) {
    if (!parts::CopyBuffer(drawingBuffer, other.drawingBuffer)) {
        return false;
    }
    corners = other.corners;
    hasCorners = other.hasCorners;
    return true;
}

bool Wireframe::SameContents(const Wireframe& other) const {
    return parts::SameBuffer(drawingBuffer, other.drawingBuffer) && hasCorners == other.hasCorners &&
           corners == other.corners;
}

size_t Wireframe::MemoryFootprint() const {
    return parts::Footprint(drawingBuffer);
}

void Wireframe::FlipHorizontal(ProgressMeter* progress) {
    parts::FlipHorizontal(drawingBuffer, progress);
    if (drawingBuffer) {
        const int32_t width = drawingBuffer->Width();
        points.MirrorX(width);
        for (Corner& c : corners) {
            c.x = width - 1 - c.x;
        }
    }
}

void Wireframe::FlipVertical(ProgressMeter* progress) {
    parts::FlipVertical(drawingBuffer, progress);
    if (drawingBuffer) {
        const int32_t height = drawingBuffer->Height();
        points.MirrorY(height);
        for (Corner& c : corners) {
            c.y = height - 1 - c.y;
        }
    }
}

} // namespace ts
