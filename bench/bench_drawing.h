#pragma once

// The painted layers the benchmarks draw on, made the way a user's layers are: white board outside the
// strokes, pencil only under them. A blob of hatching per stretch of `period` pixels across the layer:
// the amount follows diagonal bands with the pencil's grain in its low bits, the colour changes from
// patch to patch, some pixels carry a blended appearance; outside the blob nothing is painted (amount 0,
// colour bytes 255, appearance 0).

#include "model/layer_object.h"

#include <algorithm>
#include <cstdint>
#include <random>
#include <vector>

namespace benchdrawing {

inline void PaintStrokesOnWhite(ts::ObjectColor& color, int32_t w, int32_t h, int32_t index,
                                int32_t period = 0) {
    if (period <= 0) {
        period = w;
    }
    std::mt19937 rng(static_cast<uint32_t>(index) + 11);
    std::vector<uint8_t> amount(static_cast<size_t>(w));
    std::vector<uint8_t> appearance(static_cast<size_t>(w));
    std::vector<uint8_t> channel[3];
    for (auto& c : channel) {
        c.resize(static_cast<size_t>(w));
    }
    const double cx = period * (0.3 + 0.05 * (index % 5));
    const double cy = h * (0.4 + 0.04 * (index % 4));
    for (int32_t y = 0; y < h; ++y) {
        std::fill(amount.begin(), amount.end(), uint8_t{0});
        std::fill(appearance.begin(), appearance.end(), uint8_t{0});
        for (auto& c : channel) {
            std::fill(c.begin(), c.end(), uint8_t{255});
        }
        for (int32_t x = 0; x < w; ++x) {
            const int32_t px = x % period;
            const double dx = (px - cx) / (period * 0.35);
            const double dy = (y - cy) / (h * 0.3);
            if (dx * dx + dy * dy > 1.0) {
                continue;
            }
            const int32_t band = ((px + y + index * 3) / 7) & 3;
            amount[static_cast<size_t>(x)] = static_cast<uint8_t>(120 + band * 30 + (rng() & 7));
            appearance[static_cast<size_t>(x)] = (px / 64 + y / 64) % 5 == 0 ? 4 : 0;
            const int32_t blob = (px / 200 + y / 150 + index) % 6;
            channel[0][static_cast<size_t>(x)] = static_cast<uint8_t>(40 + blob * 30);
            channel[1][static_cast<size_t>(x)] = static_cast<uint8_t>(200 - blob * 25);
            channel[2][static_cast<size_t>(x)] = static_cast<uint8_t>(90 + blob * 20);
        }
        color.amount->PutRow(y, amount.data());
        color.appearance->PutRow(y, appearance.data());
        color.blue->PutRow(y, channel[0].data());
        color.green->PutRow(y, channel[1].data());
        color.red->PutRow(y, channel[2].data());
    }
}

} // namespace benchdrawing
