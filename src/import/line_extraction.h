#pragma once

#include "model/layer_object.h"
#include "platform/image24.h"
#include "platform/progress_meter.h"

#include <cstdint>
#include <vector>

namespace ts {

// The darkness a line pixel may have at most for a "Threshold" of 0..100: a pixel is a line pixel when
// its luma lies below threshold x 255 / 100. Raising the threshold takes in fainter (lighter) strokes;
// 0 takes nothing, 100 everything that is not pure white.
int32_t LineLumaLimit(int32_t threshold);

// One byte per picture pixel, row by row: 1 where the pixel is a line pixel at that threshold.
std::vector<uint8_t> ThresholdLineMask(const Image24& picture, int32_t threshold);

// Makes the mask the layer's lines: the occupancy (whose size must be the mask's) holds the mask, every
// line pixel solid, of colour slot 0 (black unless the layer's colour table says otherwise) and of the
// width given; then the lines are redrawn. A thinned mask marks each pixel's middle cells, so that its
// stamp sits centred; an unthinned one covers the pixel fully. False when the layer has no occupancy
// of that size or memory runs out.
bool InstallLineMask(LayerObject& layer, const std::vector<uint8_t>& mask, int32_t width, int32_t height,
                     bool thinned, int32_t lineWidth, ProgressMeter* progress = nullptr);

} // namespace ts
