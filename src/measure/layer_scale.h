#pragma once

#include "model/layer_object.h"

#include <cmath>

namespace ts {

// A layer's real-world scale lives in free places of its eight scale settings, which are saved with
// the layer (as floats).
inline constexpr int kCalibrationSetting = 5; // fine units per metre; 0 = not calibrated
inline constexpr int kScaleFactorSetting = 6; // the architectural scale factor; 0 = no scale

inline double LayerCalibration(const LayerObject& layer) {
    const double c = layer.scale[kCalibrationSetting];
    return c > 0.0 && std::isfinite(c) ? c : 0.0;
}

inline double LayerScaleFactor(const LayerObject& layer) {
    const double s = layer.scale[kScaleFactorSetting];
    return s > 0.0 && std::isfinite(s) ? s : 0.0;
}

} // namespace ts
