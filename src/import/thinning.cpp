#include "import/thinning.h"

#include <algorithm>
#include <new>

namespace ts {

bool LineMask::Create(int32_t w, int32_t h) {
    if (w <= 0 || h <= 0) {
        return false;
    }
    try {
        pixels.assign(static_cast<size_t>(w) * static_cast<size_t>(h), 0);
    } catch (const std::bad_alloc&) {
        return false;
    }
    width = w;
    height = h;
    return true;
}

namespace {

constexpr int32_t kMeterSteps = 25;

// One half-step: marks every pixel whose removal the half-step allows, then clears them together so
// that each decision sees the picture as the half-step found it. The count of pixels removed.
int64_t HalfStep(LineMask& mask, bool first, std::vector<size_t>& doomed) {
    doomed.clear();
    const int32_t w = mask.width;
    const int32_t h = mask.height;
    const uint8_t* base = mask.pixels.data();
    for (int32_t y = 0; y < h; ++y) {
        const uint8_t* row = base + static_cast<size_t>(y) * static_cast<size_t>(w);
        const uint8_t* up = y > 0 ? row - w : nullptr;
        const uint8_t* down = y + 1 < h ? row + w : nullptr;
        for (int32_t x = 0; x < w; ++x) {
            if (row[x] == 0) {
                continue;
            }
            auto at = [&](const uint8_t* r, int32_t dx) -> int {
                const int32_t xx = x + dx;
                return r && xx >= 0 && xx < w && r[xx] != 0 ? 1 : 0;
            };
            // P2..P9 clockwise from north.
            const int p[8] = {at(up, 0),   at(up, 1),    at(row, 1),  at(down, 1),
                              at(down, 0), at(down, -1), at(row, -1), at(up, -1)};
            const int neighbours = p[0] + p[1] + p[2] + p[3] + p[4] + p[5] + p[6] + p[7];
            if (neighbours < 2 || neighbours > 6) {
                continue;
            }
            int transitions = 0;
            for (int k = 0; k < 8; ++k) {
                transitions += (p[k] == 0 && p[(k + 1) % 8] == 1) ? 1 : 0;
            }
            if (transitions != 1) {
                continue;
            }
            const bool remove = first ? (p[0] * p[2] * p[4] == 0 && p[2] * p[4] * p[6] == 0)
                                      : (p[0] * p[2] * p[6] == 0 && p[0] * p[4] * p[6] == 0);
            if (remove) {
                doomed.push_back(static_cast<size_t>(y) * static_cast<size_t>(w) + static_cast<size_t>(x));
            }
        }
    }
    for (size_t i : doomed) {
        mask.pixels[i] = 0;
    }
    return static_cast<int64_t>(doomed.size());
}

} // namespace

int32_t ThinZhangSuen(LineMask& mask, int32_t maxPasses, ProgressMeter* progress) {
    for (uint8_t& v : mask.pixels) {
        v = v != 0 ? 1 : 0;
    }
    if (progress) {
        progress->Start(kMeterSteps);
    }
    std::vector<size_t> doomed;
    int32_t passes = 0;
    while (passes < maxPasses) {
        ++passes;
        const int64_t removed = HalfStep(mask, true, doomed) + HalfStep(mask, false, doomed);
        if (progress && passes <= kMeterSteps) {
            progress->Step();
        }
        if (removed == 0) {
            break;
        }
    }
    if (progress) {
        progress->Finish();
    }
    return passes;
}

} // namespace ts
