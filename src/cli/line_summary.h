#pragma once

#include "model/layer_object.h"

#include <string>

namespace ts::cli {

// What the lines of a layer are made of, as a JSON object: the colours that show with their pixel counts
// (pixels covered by the rendered lines, by rendered colour), and the styles, gap pixels and widths of the
// centre-line pixels. Empty for a layer without lines.
std::string LineSummaryJson(const LayerObject& layer);

} // namespace ts::cli
