#include "import/thinning.h"

#include <cstddef>
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

// One sub-pass: marks every set pixel that may go, then clears them, so that the decision of each pixel
// sees the picture as the sub-pass found it. Neighbours P2..P9 run clockwise from north.
// The first sub-pass removes south-east boundary and north-west corner pixels (P2·P4·P6 = 0 and
// P4·P6·P8 = 0), the second the north-west boundary (P2·P4·P8 = 0 and P2·P6·P8 = 0).
int64_t SubPass(std::vector<uint8_t>& px, int32_t width, int32_t height, bool first,
                std::vector<size_t>& doomed) {
    doomed.clear();
    auto at = [&](int32_t x, int32_t y) -> int32_t {
        if (x < 0 || y < 0 || x >= width || y >= height) {
            return 0;
        }
        return px[static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)] != 0 ? 1 : 0;
    };
    for (int32_t y = 0; y < height; ++y) {
        for (int32_t x = 0; x < width; ++x) {
            const size_t index = static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x);
            if (px[index] == 0) {
                continue;
            }
            const int32_t p[8] = {at(x, y - 1), at(x + 1, y - 1), at(x + 1, y), at(x + 1, y + 1),
                                  at(x, y + 1), at(x - 1, y + 1), at(x - 1, y), at(x - 1, y - 1)};
            int32_t neighbours = 0;
            int32_t transitions = 0; // 0 -> 1 steps around the ring P2, P3, ..., P9, P2
            for (int32_t i = 0; i < 8; ++i) {
                neighbours += p[i];
                transitions += (p[i] == 0 && p[(i + 1) % 8] == 1) ? 1 : 0;
            }
            if (neighbours < 2 || neighbours > 6 || transitions != 1) {
                continue;
            }
            const int32_t p2 = p[0], p4 = p[2], p6 = p[4], p8 = p[6];
            const bool go =
                first ? (p2 * p4 * p6 == 0 && p4 * p6 * p8 == 0) : (p2 * p4 * p8 == 0 && p2 * p6 * p8 == 0);
            if (go) {
                doomed.push_back(index);
            }
        }
    }
    // Cleared one by one, each only while it still has two set neighbours: the plain rule would clear a
    // 2 x 2 dot (every pixel of it qualifies) and lose the mark altogether; this way a short stroke stays.
    int64_t removed = 0;
    for (size_t index : doomed) {
        const int32_t x = static_cast<int32_t>(index % static_cast<size_t>(width));
        const int32_t y = static_cast<int32_t>(index / static_cast<size_t>(width));
        int32_t neighbours = 0;
        for (int32_t dy = -1; dy <= 1; ++dy) {
            for (int32_t dx = -1; dx <= 1; ++dx) {
                neighbours += (dx != 0 || dy != 0) ? at(x + dx, y + dy) : 0;
            }
        }
        if (neighbours >= 2) {
            px[index] = 0;
            ++removed;
        }
    }
    return removed;
}

} // namespace

int32_t ThinZhangSuen(std::vector<uint8_t>& pixels, int32_t width, int32_t height, int32_t maxPasses,
                      ProgressMeter* progress, int32_t meterSteps) {
    if (width <= 0 || height <= 0 ||
        pixels.size() < static_cast<size_t>(width) * static_cast<size_t>(height)) {
        return 0;
    }
    for (auto& p : pixels) {
        p = p != 0 ? 1 : 0;
    }
    if (progress != nullptr) {
        meterSteps = meterSteps > 0 ? meterSteps : maxPasses;
        progress->Start(meterSteps);
    }
    std::vector<size_t> doomed;
    int32_t passes = 0;
    while (passes < maxPasses) {
        ++passes;
        int64_t removed = SubPass(pixels, width, height, true, doomed);
        removed += SubPass(pixels, width, height, false, doomed);
        if (progress != nullptr && passes <= meterSteps) {
            progress->Step();
        }
        if (removed == 0) {
            break;
        }
    }
    if (progress != nullptr) {
        progress->Finish();
    }
    return passes;
}

int32_t ThinZhangSuen(LineMask& mask, int32_t maxPasses, ProgressMeter* progress, int32_t meterSteps) {
    return ThinZhangSuen(mask.pixels, mask.width, mask.height, maxPasses, progress, meterSteps);
}

} // namespace ts
