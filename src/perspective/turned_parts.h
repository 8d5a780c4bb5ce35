#pragma once

#include "raster/rl_buffer.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace ts {

// A part of one byte a pixel to turn, the background its new corners take, and where the turned part
// goes.
struct PartToTurn {
    const RLBuffer* source = nullptr;
    uint8_t background = 0;
    std::unique_ptr<RLBuffer>* out = nullptr;
};

// Turns parts of one size together by an angle (degrees, counter-clockwise on screen), each exactly as
// RLBuffer::Rotate(degrees, true, false, background) turns it: a target pixel takes the source pixel
// its centre turns back onto, in 16.16 fixed point, or the background where that lies outside. Where
// each target pixel comes from is worked out once for all of them. False, with nothing made, when
// they cannot go together (another size or kind of part, a background whose edges Rotate repeats) or
// memory runs short: the caller then turns them one by one.
bool TurnPartsTogether(const std::vector<PartToTurn>& parts, double degrees);

} // namespace ts
