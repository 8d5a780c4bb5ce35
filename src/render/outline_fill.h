#pragma once

#include <cstdint>
#include <vector>

namespace ts {

// A point of a filled outline in fine units (quarter pixels) of the target.
struct FillPoint {
    double x = 0.0;
    double y = 0.0;
};
using FillContour = std::vector<FillPoint>; // closed: the last point joins the first

// The 4 x 4 sub-pixel coverage of closed contours filled by the non-zero winding rule: a quarter-pixel
// cell is covered when the contours wind around its centre. One mask per pixel of a width x height
// target, row by row, in the SuperBitBuffer bit order; parts outside the target are cut off. False
// (masks untouched) when the target is empty or memory runs out.
bool FillOutlines(const std::vector<FillContour>& contours, int32_t width, int32_t height,
                  std::vector<uint16_t>& masks);

} // namespace ts
