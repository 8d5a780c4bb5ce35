#pragma once

#include "platform/progress_meter.h"

#include <cstdint>
#include <vector>

namespace ts {

// Zhang-Suen thinning of a binary picture: `pixels` holds width x height bytes, row by row, non-zero
// for a set (line) pixel. Set pixels are peeled from the outside, two sub-passes per pass, until every
// stroke is one pixel wide and still connected. It stops after a pass that removes nothing, or after
// maxPasses passes. Pixels outside the picture count as unset. The meter, when given, advances once per
// pass. Returns the number of passes run; set pixels are left as 1. A blob too small to have a middle
// (a 2 x 2 dot) keeps a short stroke rather than vanishing.
int32_t ThinZhangSuen(std::vector<uint8_t>& pixels, int32_t width, int32_t height, int32_t maxPasses = 30,
                      ProgressMeter* progress = nullptr);

} // namespace ts
