#pragma once

#include "import/registration_marks.h"
#include "import/thinning.h"
#include "platform/image24.h"
#include "platform/progress_meter.h"
#include "raster/rect.h"
#include "raster/super_bit_buffer.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace ts {

// (The brightness of black, 0, plus white, 255) / 2: the line threshold a threshold of 0 stands for.
inline constexpr int32_t kDefaultLineThreshold = 127;
inline constexpr int32_t kScanbackPasses = 30;

// The line pixels of a picture: brightness (2R + 5G + B) / 8 at or below the threshold (0: the default).
bool ThresholdLines(const Image24& picture, int32_t threshold, LineMask& mask);

// What the realignment of a scanned RoviDivod makes: the lines inside the footprint, straightened and
// brought to the drawing's scale, as the occupancy of a layer lying exactly on the footprint (layer
// pixel (x, y) is drawing pixel (footprint.left + x, footprint.top + y); each scan line pixel sets the
// quarter-pixel cells it falls in).
struct RealignedLines {
    marks::Registration registration;
    // The scan's extent of the footprint across and down, in scan pixels.
    double resolutionX = 0;
    double resolutionY = 0;
    std::unique_ptr<SuperBitBuffer> occupancy;
};

enum class RealignResult { kDone, kNoMarks, kNoMemory };

// Realign and extract: the scan's line mask, its marks matched to the footprint's layout (the footprint
// printed at footprintPixelsPerInch drawing pixels per inch, scanned at scanPixelsPerInch), the
// footprint's part of the mask straightened (the marks themselves left out), thinned with at most
// `passes` passes, and scaled into quarter-pixel cells. The meter follows the steps and then the
// thinning's passes (none: silent); status hears "Processing the image..." and "Done." around the
// thinning.
RealignResult RealignAndExtract(const Image24& scan, double scanPixelsPerInch, const Rect& footprint,
                                double footprintPixelsPerInch, int32_t threshold, int32_t passes,
                                ProgressMeter* progress, RealignedLines& out,
                                const std::function<void(const std::string&)>& status = nullptr);

// The occupancy of a layer of width x height pixels from a mask of line pixels: a quarter-pixel cell is
// set when any mask pixel falls in it, the mask spanning the layer (the mask's pixels scaled by
// 4 * width / mask width across and 4 * height / mask height down).
std::unique_ptr<SuperBitBuffer> OccupancyFromMask(const LineMask& mask, int32_t width, int32_t height);

} // namespace ts
