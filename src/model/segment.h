#pragma once

#include "model/point_ts.h"

#include <cstdint>

namespace ts {

// One straight segment of the line being drawn, in fine (quarter-pixel) coordinates relative to the
// layer's origin. The doubles hold the same ends for the geometry code; the layer flips move them
// apart by one fine unit (see PointMemory::MirrorX). The order of segments is kept by PointMemory.
struct Segment {
    int32_t startX = 0;
    int32_t startY = 0;
    int32_t endX = 0;
    int32_t endY = 0;
    PointTS startPoint;
    PointTS endPoint;
    uint8_t flag = 0;
    uint8_t selected = 0;

    Segment() = default;
    Segment(int32_t x1, int32_t y1, int32_t x2, int32_t y2) { Init(x1, y1, x2, y2); }

    // Sets both ends and their doubles (tags 0); flag and selected are left as they are.
    void Init(int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
        startX = x1;
        startY = y1;
        endX = x2;
        endY = y2;
        startPoint = PointTS(x1, y1);
        endPoint = PointTS(x2, y2);
    }
    bool HasEnds(int32_t x1, int32_t y1, int32_t x2, int32_t y2) const {
        return startX == x1 && startY == y1 && endX == x2 && endY == y2;
    }
};

} // namespace ts
