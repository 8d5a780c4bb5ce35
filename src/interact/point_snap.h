#pragma once

#include "model/point_ts.h"

namespace ts {

// The measuring snap every tool asks about the pointer's position (on press, move and release, and
// the rubber line about its end).
class PointSnap {
public:
    virtual ~PointSnap() = default;
    // The drawing fine point a pointer at this one moves to; false when it stays where it is.
    virtual bool Snap(IntPoint fine, IntPoint& snapped) = 0;
    // Whether points snap to a grid that shows (the line tool says so with its cursor).
    virtual bool SnapsToShownGrid() const = 0;
};

} // namespace ts
