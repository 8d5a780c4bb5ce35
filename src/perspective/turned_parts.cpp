// Several parts of a layer turned in one pass: the source pixel of each target pixel is worked out
// once, then each part takes its bytes, a run at a time, passing over runs that lie on its background
// or on one value.

#include "perspective/turned_parts.h"

#include "model/part_buffers.h"
#include "perspective/resampling.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>

namespace ts {

namespace {

constexpr double kRadiansPerDegree = 0.0174532925;
// Decoded parts wider than this together (bytes) are turned one by one instead.
constexpr size_t kMostDecoded = size_t{1} << 30;
constexpr int32_t kRun = 32;

} // namespace

bool TurnPartsTogether(const std::vector<PartToTurn>& parts, double degrees) {
    if (parts.empty() || !std::isfinite(degrees)) {
        return false;
    }
    const RLBuffer& first = *parts[0].source;
    const int32_t w = first.Width();
    const int32_t h = first.Height();
    for (const PartToTurn& p : parts) {
        // Rotate repeats the edges outwards for this background.
        if (!p.source->IsCreated() || p.source->BytesPerPixel() != 1 || p.source->Width() != w ||
            p.source->Height() != h || p.background == 254) {
            return false;
        }
    }
    const size_t n = parts.size();
    const size_t pixels = static_cast<size_t>(w) * static_cast<size_t>(h);
    if (pixels * n > kMostDecoded) {
        return false;
    }
    // The angle, size and steps as RLBuffer::Rotate works them out (angle negated).
    const double rad = -std::fmod(degrees, 360.0) * kRadiansPerDegree;
    const double c = std::cos(rad);
    const double s = std::sin(rad);
    double maxX = 0.0;
    double maxY = 0.0;
    for (const double cx : {-w / 2.0, w / 2.0}) {
        for (const double cy : {-h / 2.0, h / 2.0}) {
            maxX = std::max(maxX, std::fabs(cx * c - cy * s));
            maxY = std::max(maxY, std::fabs(cx * s + cy * c));
        }
    }
    const auto halfW = static_cast<int32_t>(std::ceil(maxX));
    const auto halfH = static_cast<int32_t>(std::ceil(maxY));
    const int32_t outWidth = std::max(1, 2 * halfW);
    const int32_t outHeight = std::max(1, 2 * halfH);
    const auto cosF = static_cast<int64_t>(std::llround(c * 65536.0));
    const auto sinF = static_cast<int64_t>(std::llround(s * 65536.0));
    const int64_t width16 = static_cast<int64_t>(w) << 16;
    const int64_t height16 = static_cast<int64_t>(h) << 16;

    std::vector<std::vector<uint8_t>> decoded(n);
    std::vector<resample::ContentBlocks> content(n);
    std::vector<std::unique_ptr<RLBuffer>> outs(n);
    std::vector<std::vector<uint8_t>> rows(n);
    std::vector<int32_t> from(static_cast<size_t>(kRun));
    std::vector<size_t> gather(n);
    try {
        for (size_t k = 0; k < n; ++k) {
            decoded[k].resize(pixels);
            rows[k].resize(static_cast<size_t>(outWidth));
        }
    } catch (const std::bad_alloc&) {
        return false;
    }
    for (size_t k = 0; k < n; ++k) {
        if (!content[k].Start(w, h, 1, parts[k].background)) {
            return false;
        }
        for (int32_t y = 0; y < h; ++y) {
            uint8_t* row = decoded[k].data() + static_cast<size_t>(y) * static_cast<size_t>(w);
            parts[k].source->ReadRow(y, row);
            content[k].Row(y, row);
        }
        outs[k] = parts::NewBuffer<RLBuffer>(outWidth, outHeight, 1, parts[k].background);
        if (!outs[k]) {
            return false;
        }
    }
    const int64_t stepX = cosF << 16;
    const int64_t stepY = -(sinF << 16);
    const int64_t tx0 = ((-static_cast<int64_t>(halfW)) << 16) + 32768;
    for (int32_t i = 0; i < outHeight; ++i) {
        const int64_t ty = ((static_cast<int64_t>(i) - halfH) << 16) + 32768;
        const int64_t baseX = tx0 * cosF + ty * sinF;
        const int64_t baseY = -tx0 * sinF + ty * cosF;
        for (int32_t j0 = 0; j0 < outWidth; j0 += kRun) {
            const int32_t j1 = std::min(outWidth, j0 + kRun);
            // Positions step linearly along the run, so its end pixels bound all of it: both ends
            // beyond one edge put the whole run outside, both inside put it all inside.
            const int64_t ax0 = baseX + stepX * j0;
            const int64_t ay0 = baseY + stepY * j0;
            const int64_t sx0 = (ax0 >> 16) + width16 / 2;
            const int64_t sy0 = (ay0 >> 16) + height16 / 2;
            const int64_t sx1 = ((ax0 + stepX * (j1 - 1 - j0)) >> 16) + width16 / 2;
            const int64_t sy1 = ((ay0 + stepY * (j1 - 1 - j0)) >> 16) + height16 / 2;
            const bool outside = (sx0 < 0 && sx1 < 0) || (sy0 < 0 && sy1 < 0) ||
                                 (sx0 >= width16 && sx1 >= width16) || (sy0 >= height16 && sy1 >= height16);
            const bool whole = sx0 >= 0 && sy0 >= 0 && sx0 < width16 && sy0 < height16 && sx1 >= 0 &&
                               sy1 >= 0 && sx1 < width16 && sy1 < height16;
            auto pixel = [](int64_t v, int32_t size) {
                return static_cast<int32_t>(std::clamp<int64_t>(v >> 16, 0, size - 1));
            };
            const std::array<int32_t, 4> box{
                std::min(pixel(sx0, w), pixel(sx1, w)), std::min(pixel(sy0, h), pixel(sy1, h)),
                std::max(pixel(sx0, w), pixel(sx1, w)), std::max(pixel(sy0, h), pixel(sy1, h))};
            // Each part: its background or one value throughout, or looked up pixel by pixel.
            size_t gathered = 0;
            for (size_t k = 0; k < n; ++k) {
                uint8_t* row = rows[k].data();
                const uint8_t background = parts[k].background;
                uint8_t value = background;
                const resample::ContentBlocks::Holds holds =
                    outside ? resample::ContentBlocks::Holds::kFill : content[k].Look(box, value);
                if (holds == resample::ContentBlocks::Holds::kFill) {
                    std::memset(row + j0, background, static_cast<size_t>(j1 - j0));
                } else if (holds == resample::ContentBlocks::Holds::kOne && whole) {
                    std::memset(row + j0, value, static_cast<size_t>(j1 - j0));
                } else {
                    gather[gathered++] = k;
                }
            }
            if (gathered == 0) {
                continue;
            }
            // The source pixel of each target pixel of the run (-1: outside).
            int64_t ax = ax0;
            int64_t ay = ay0;
            for (int32_t j = j0; j < j1; ++j, ax += stepX, ay += stepY) {
                const int64_t sx = (ax >> 16) + width16 / 2;
                const int64_t sy = (ay >> 16) + height16 / 2;
                const bool inside = sx >= 0 && sy >= 0 && sx < width16 && sy < height16;
                from[static_cast<size_t>(j - j0)] =
                    inside ? static_cast<int32_t>(sy >> 16) * w + static_cast<int32_t>(sx >> 16) : -1;
            }
            for (size_t g = 0; g < gathered; ++g) {
                const size_t k = gather[g];
                uint8_t* row = rows[k].data();
                const uint8_t background = parts[k].background;
                const uint8_t* src = decoded[k].data();
                for (int32_t j = j0; j < j1; ++j) {
                    const int32_t at = from[static_cast<size_t>(j - j0)];
                    row[j] = at >= 0 ? src[static_cast<size_t>(at)] : background;
                }
            }
        }
        for (size_t k = 0; k < n; ++k) {
            if (!outs[k]->PutRow(i, rows[k].data())) {
                return false;
            }
        }
    }
    for (size_t k = 0; k < n; ++k) {
        *parts[k].out = std::move(outs[k]);
    }
    return true;
}

} // namespace ts
